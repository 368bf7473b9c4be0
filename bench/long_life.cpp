// A game's long life in one process, for its memory: a director with its GL
// view goes through cycles of what a game does for hours — a pause screen that
// runs itself (its own update, an action calling it back) pushed and popped, a
// level replaced through a transition (the cross-fade and radial ones
// photograph the scenes into render textures, the tile ones draw through
// grids), a render texture drawn into and shown, a grid effect on a node —
// frame by frame on a manual clock. Memory is read after N cycles and after
// 5N; reported is the growth between the two per 10,000 frames:
//   heap_kb_per_10k_frames         the C library's heap in use (mallinfo2)
//   rss_kb_per_10k_frames          the resident set
//   textures_per_10k_frames, framebuffers_per_10k_frames,
//   renderbuffers_per_10k_frames   live GL names of the view's share group
//   baseline_heap_kb_per_10k_frames, baseline_rss_kb_per_10k_frames
//                                  the same for the baseline, run first in the
//                                  same process: the level's scene drawn for as
//                                  many frames with nothing changing
//   scenes_alive                   the cycles' scenes still alive at the end,
//                                  the one on show included (goal 1)
// A life that keeps what it let go of grows with the cycles; one that does not
// stays within the baseline's noise. The argument is N.
#include "engine/KSActionGrid3D.h"
#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSDirector.h"
#include "engine/KSRenderTexture.h"
#include "engine/KSScene.h"
#include "engine/KSSprite.h"
#include "engine/KSTexture2D.h"
#include "engine/KSTransition.h"
#include "engine/KSTransitionFade.h"
#include "engine/KSTransitionRadial.h"
#include "engine/KSTransitionTiles.h"
#include "engine/platform/EAGLView.h"
#include "platform/foundation/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "tests/support/LiveGLNames.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace kestrel;
using platform::Ref;

namespace {

constexpr float kWidth = 320, kHeight = 480;
constexpr double kFrame = 1.0 / 60;
// Frames of one cycle: the pause screen up, back, the next level's
// transition, the render texture and grid effect.
constexpr int kPauseFrames = 10, kBackFrames = 2, kTransitionFrames = 10, kEffectFrames = 10;
constexpr int kFramesPerCycle = kPauseFrames + kBackFrames + kTransitionFrames + kEffectFrames;

struct Memory {
    double heapKB { 0 }, rssKB { 0 };
    double textures { 0 }, framebuffers { 0 }, renderbuffers { 0 };
};

double residentKB()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024;
}

// The live names of each kind in the current context's share group.
Memory measureMemory()
{
    Memory m;
    m.heapKB = static_cast<double>(mallinfo2().uordblks) / 1024;
    m.rssKB = residentKB();
    GLuint highest = 0;
    const testing_support::LiveGLNames names = testing_support::countLiveGLNames(highest);
    m.textures = static_cast<double>(names.textures);
    m.framebuffers = static_cast<double>(names.framebuffers);
    m.renderbuffers = static_cast<double>(names.renderbuffers);
    return m;
}

// The scenes of the cycles alive now. (Counted, not kept in a list: a record
// that grows by a small block each cycle would scatter long-lived blocks over
// the heap, and the heap's own growth around them is what is measured.)
size_t gScenesAlive = 0;

class CountedScene : public KSScene {
protected:
    CountedScene() { ++gScenesAlive; }
    ~CountedScene() override { --gScenesAlive; }
};

// A level: sprites of one texture.
class Level : public CountedScene {
public:
    static Ref<Level> make()
    {
        auto s = platform::adoptRef(new Level);
        (void)s->init();
        return s;
    }

private:
    Level() = default;
};

// A pause screen that runs itself: its own per-frame update, and an action
// on itself whose callback comes back to it.
class PauseScreen : public CountedScene {
public:
    static Ref<PauseScreen> make()
    {
        auto s = platform::adoptRef(new PauseScreen);
        (void)s->init();
        s->scheduleUpdate();
        auto wait = KSDelayTime::actionWithDuration(0.1f);
        auto call = KSCallFunc::actionWithTarget(s.get(), BRISKO_SELECTOR(PauseScreen, blink));
        s->runAction(KSRepeatForever::actionWithAction(
                         platform::dynamicRef<KSActionInterval>(KSSequence::actions({ wait.get(), call.get() })).get())
                         .get());
        auto spinner = KSNode::node();
        spinner->runAction(KSRepeatForever::actionWithAction(KSRotateBy::actionWithDuration(1, 360).get()).get());
        s->addChild(spinner.get());
        return s;
    }
    void update(ksTime dt) override { shown_ += dt; }
    void blink() { ++blinks_; }

private:
    PauseScreen() = default;
    ksTime shown_ { 0 };
    int blinks_ { 0 };
};

class Life {
public:
    explicit Life(KSDirector* director) : director_(director) { }

    int frames() const { return frames_; }

    void frame()
    {
        platform::RunLoop::main().manualClock()->advance(kFrame);
        director_->drawScene();
        ++frames_;
    }
    void frames(int n)
    {
        for (int i = 0; i < n; ++i)
            frame();
    }

    // A level: sprites of one texture, one of them moving for ever.
    Ref<KSScene> level()
    {
        Ref<KSScene> scene = Level::make();
        for (int i = 0; i < 8; ++i) {
            auto sprite = KSSprite::spriteWithTexture(texture_.get());
            sprite->setPosition({ 20.0f + 35 * static_cast<float>(i), 240 });
            if (i == 0)
                sprite->runAction(KSRepeatForever::actionWithAction(KSRotateBy::actionWithDuration(1, 90).get()).get());
            scene->addChild(sprite.get());
        }
        return scene;
    }

    void start()
    {
        std::vector<uint8_t> rgba(16 * 16 * 4, 180);
        texture_ = KSTexture2D::textureWithData(rgba.data(), kKSTexture2DPixelFormat_RGBA8888, 16, 16, Size(16, 16));
        director_->runWithScene(level().get());
        director_->stopAnimation(); // frames are called here
        frames(2);
    }

    void cycle()
    {
        // The pause screen, pushed and popped.
        {
            auto pause = PauseScreen::make();
            director_->pushScene(pause.get());
        }
        frames(kPauseFrames);
        director_->popScene();
        frames(kBackFrames);
        // The next level, through a transition of the next kind.
        using Make = Ref<KSScene> (*)(ksTime, KSScene*);
        static const Make makers[] = {
            [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionCrossFade::transitionWithDuration(t, s); },
            [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionRadialCCW::transitionWithDuration(t, s); },
            [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionTurnOffTiles::transitionWithDuration(t, s); },
            [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionMoveInL::transitionWithDuration(t, s); },
        };
        director_->replaceScene(makers[cycles_++ % std::size(makers)](0.1f, level().get()).get());
        frames(kTransitionFrames);
        // A render texture drawn into and shown for a while, and a grid effect.
        KSScene* scene = director_->runningScene();
        auto picture = KSRenderTexture::renderTextureWithWidth(64, 64);
        if (picture) {
            picture->beginWithClear(0.2f, 0.4f, 0.6f, 1);
            picture->end();
            scene->addChild(picture.get());
        }
        auto waves = KSWaves3D::actionWithWaves(1, 4, { 4, 4 }, 0.1f);
        scene->runAction(KSSequence::actions({ waves.get(), KSStopGrid::action().get() }).get());
        frames(kEffectFrames);
        if (picture)
            picture->removeFromParentAndCleanup(true);
    }

private:
    KSDirector* director_;
    Ref<KSTexture2D> texture_;
    int frames_ { 0 };
    unsigned cycles_ { 0 };
};

double per10k(double before, double after, int frames) { return (after - before) / frames * 10000; }

void BM_LongLife(benchmark::State& state)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    const auto n = static_cast<int>(state.range(0));
    auto& loop = platform::RunLoop::main();
    loop.setClock(std::make_shared<platform::ManualClock>(1000));
    Ref<EAGLView> view = EAGLView::viewWithFrame(Rect(0, 0, kWidth, kHeight), kEAGLColorFormatRGBA8, 0, false,
                                                 nullptr, false, 0);
    if (!view) {
        state.SkipWithError("no GL view");
        return;
    }
    KSDirector* director = KSDirector::sharedDirector();
    director->setOpenGLView(view.get());
    view = nullptr;

    for (auto _ : state) {
        Life life(director);
        life.start();
        // The baseline: the level on show, nothing changing, for as many
        // frames as the cycles below take between the two readings.
        life.frames(100);
        const int baseFrames = 4 * n * kFramesPerCycle;
        const Memory baseBefore = measureMemory();
        life.frames(baseFrames);
        const Memory baseAfter = measureMemory();

        for (int i = 0; i < n; ++i)
            life.cycle();
        const Memory before = measureMemory();
        const int framesBefore = life.frames();
        for (int i = 0; i < 4 * n; ++i)
            life.cycle();
        const Memory after = measureMemory();
        const int frames = life.frames() - framesBefore;

        state.counters["heap_kb_per_10k_frames"] = per10k(before.heapKB, after.heapKB, frames);
        state.counters["rss_kb_per_10k_frames"] = per10k(before.rssKB, after.rssKB, frames);
        state.counters["textures_per_10k_frames"] = per10k(before.textures, after.textures, frames);
        state.counters["framebuffers_per_10k_frames"] = per10k(before.framebuffers, after.framebuffers, frames);
        state.counters["renderbuffers_per_10k_frames"] = per10k(before.renderbuffers, after.renderbuffers, frames);
        state.counters["baseline_heap_kb_per_10k_frames"] = per10k(baseBefore.heapKB, baseAfter.heapKB, baseFrames);
        state.counters["baseline_rss_kb_per_10k_frames"] = per10k(baseBefore.rssKB, baseAfter.rssKB, baseFrames);
        state.counters["frames"] = frames;
        state.counters["scenes_alive"] = static_cast<double>(gScenesAlive);
    }
    KSDirector::purgeSharedDirector();
    loop.setClock(std::make_shared<platform::RealClock>());
}

} // namespace

BENCHMARK(BM_LongLife)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
