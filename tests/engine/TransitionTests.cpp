// Scene transitions under the director on the manual clock: what the frames
// show, when touches come back, the order of the scenes' life-cycle calls,
// the state every transition hands over, and transitions that never finish.
#include "DirectorTestSupport.h"

#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSActionManager.h"
#include "engine/KSGrid.h"
#include "engine/KSLayer.h"
#include "engine/KSTexture2D.h"
#include "engine/KSTransition.h"
#include "engine/KSTransitionFade.h"
#include "engine/KSTransitionPageTurn.h"
#include "engine/KSTransitionRadial.h"
#include "engine/KSTransitionTiles.h"
#include "engine/platform/KSTouchDelegateProtocol.h"
#include "engine/platform/KSTouchDispatcher.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Weak.h"
#include "platform/graphics/Image.h"
#include "platform/ui/Touches.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

using namespace kestrel;
using namespace director_test;
using platform::Ref;

namespace {

constexpr double kFrame = 1.0 / 60;

class TouchCounter : public platform::Object, public KSStandardTouchDelegate {
public:
    void ksTouchesBegan(const TouchSet&, Event*) override { ++began; }
    int began { 0 };
};

Ref<RecordingScene> colourScene(const std::string& name, std::vector<std::string>* journal, ksColor4B colour)
{
    auto scene = RecordingScene::make(name, journal);
    scene->addChild(KSColorLayer::layerWithColor(colour).get());
    return scene;
}

struct Colours {
    bool red { false };
    bool blue { false };
};

Colours coloursOf(const platform::Image& image)
{
    Colours c;
    const uint8_t* p = image.rgba().data();
    const size_t pixels = static_cast<size_t>(image.width()) * image.height();
    for (size_t i = 0; i < pixels; i += 3) {
        const uint8_t* px = p + i * 4;
        if (px[0] > 150 && px[1] < 80 && px[2] < 80)
            c.red = true;
        if (px[2] > 150 && px[0] < 80 && px[1] < 80)
            c.blue = true;
    }
    return c;
}

std::vector<std::string> withoutVisits(const std::vector<std::string>& journal)
{
    std::vector<std::string> out;
    std::copy_if(journal.begin(), journal.end(), std::back_inserter(out),
                 [](const std::string& s) { return s.find(":visit") == std::string::npos; });
    return out;
}

class TransitionTest : public DirectorTest {
protected:
    static bool touchesOn() { return KSTouchDispatcher::sharedDispatcher()->dispatchEvents(); }

    // A director showing scene A, with B and C to go to; all three write to the journal.
    struct ThreeScenes {
        KSDirectorIOS* d;
        Ref<RecordingScene> a, b, c;
    };
    ThreeScenes showingA()
    {
        ThreeScenes s { directorWithView(), RecordingScene::make("A", &journal), RecordingScene::make("B", &journal),
                        RecordingScene::make("C", &journal) };
        s.d->runWithScene(s.a.get());
        advance(kFrame);
        return s;
    }
};

TEST_F(TransitionTest, FlipXShowsOnlyTheOutgoingSceneThenOnlyTheIncomingOneAndHandsOverATickAfterFinishing)
{
    KSDirectorIOS* d = directorWithView();
    auto red = colourScene("R", &journal, { 255, 0, 0, 255 });
    auto blue = colourScene("B", &journal, { 0, 0, 255, 255 });
    d->runWithScene(red.get());
    advance(kFrame);
    auto touches = platform::adoptRef(new TouchCounter);
    KSTouchDispatcher::sharedDispatcher()->addStandardDelegate(touches.get(), 0);
    journal.clear();

    struct Frame {
        double time;
        Colours colours;
        bool transitionRunning;
        unsigned inSceneActions;
        bool outVisible;
        bool touchesOn;
    };
    std::vector<Frame> frames;
    const double start = clock().now();
    d->openGLView()->setCaptureHook([&](EAGLView& view) {
        auto image = view.readFrame();
        frames.push_back({ clock().now() - start, coloursOf(*image),
                           dynamic_cast<KSTransitionScene*>(d->runningScene()) != nullptr,
                           KSActionManager::sharedManager()->numberOfRunningActionsInTarget(blue.get()),
                           red->visible(), touchesOn() });
    });

    auto flip = KSTransitionFlipX::transitionWithDuration(1.0f, blue.get(), 1);
    EXPECT_FALSE(touchesOn()) << "touches are off from the moment the transition exists";
    d->replaceScene(flip.get());
    flip = nullptr;

    // Touches during the transition reach no delegate.
    for (int i = 0; i < 20; ++i)
        advance(kFrame);
    platform::ui::TouchInjector::tap(d->openGLView(), { 100, 100 });
    EXPECT_EQ(touches->began, 0);

    ASSERT_GT(runUntilRunning(blue.get()), 0);
    advance(kFrame);
    d->openGLView()->setCaptureHook(nullptr);

    // Every frame shows at most one of the two scenes: red up to the middle, blue after it.
    bool seenBlue = false;
    for (const Frame& f : frames) {
        EXPECT_FALSE(f.colours.red && f.colours.blue) << "at " << f.time;
        if (f.colours.red) {
            EXPECT_FALSE(seenBlue) << "red again at " << f.time;
            EXPECT_LE(f.time, 0.5 + 2 * kFrame);
        }
        if (f.colours.blue) {
            seenBlue = true;
            EXPECT_GE(f.time, 0.5);
        }
    }
    EXPECT_TRUE(frames.front().colours.red);
    EXPECT_TRUE(frames.back().colours.blue);

    // The frame in which finish ran still shows the transition, with the
    // in-scene's actions done, the out-scene hidden and touches off; the
    // director runs the in-scene from the next frame, touches on again.
    auto handOver = std::find_if(frames.begin(), frames.end(), [](const Frame& f) { return !f.transitionRunning; });
    ASSERT_NE(handOver, frames.end());
    ASSERT_NE(handOver, frames.begin());
    const Frame& finished = *(handOver - 1);
    EXPECT_TRUE(finished.transitionRunning);
    EXPECT_EQ(finished.inSceneActions, 0u);
    EXPECT_FALSE(finished.outVisible);
    EXPECT_FALSE(finished.touchesOn);
    EXPECT_GT((handOver - 2)->inSceneActions, 0u) << "finish comes with the last action";
    EXPECT_TRUE(handOver->touchesOn);
    EXPECT_TRUE(handOver->outVisible) << "the out-scene is made visible again at the hand-over";

    platform::ui::TouchInjector::tap(d->openGLView(), { 100, 100 });
    EXPECT_EQ(touches->began, 1);

    // The in-scene enters once, with the transition; the out-scene exits and is
    // cleaned up only when the transition leaves.
    EXPECT_EQ(withoutVisits(journal), (std::vector<std::string> { "B:enter", "R:exit", "B:didFinish", "R:cleanup" }));
    KSTouchDispatcher::sharedDispatcher()->removeDelegate(touches.get());
}

TEST_F(TransitionTest, FlipOrientationChoosesTheDirectionOfTheTurn)
{
    KSDirectorIOS* d = directorWithView();
    auto a = KSScene::node();
    d->runWithScene(a.get());
    advance(kFrame);
    // Orientation 1 turns X flips by +90 about z; Y flips take 0 for that.
    auto check = [&](Ref<KSTransitionScene> t, bool positive) {
        KSScene* in = t->inScene();
        KSScene* out = t->outScene();
        d->replaceScene(t.get());
        advance(kFrame); // enters
        for (int i = 0; i < 15; ++i)
            advance(kFrame); // a quarter of the 1 s transition
        float eye[3];
        out->camera()->eyeX(&eye[0], &eye[1], &eye[2]);
        // X flips move the eye along x, Y flips along y: take the larger.
        float outEye = std::fabs(eye[0]) > std::fabs(eye[1]) ? eye[0] : eye[1];
        EXPECT_EQ(outEye > 0, positive) << t->className() << " orientation turn";
        ASSERT_GT(runUntilRunning(in), 0);
    };
    auto b = KSScene::node();
    check(KSTransitionFlipX::transitionWithDuration(1, b.get(), 1), true);
    auto c = KSScene::node();
    check(KSTransitionFlipX::transitionWithDuration(1, c.get(), 0), false);
    auto e = KSScene::node();
    check(KSTransitionFlipY::transitionWithDuration(1, e.get(), 0), true);
    auto f = KSScene::node();
    check(KSTransitionFlipY::transitionWithDuration(1, f.get(), 7), false);
}

TEST_F(TransitionTest, EveryTransitionHandsOverItsSceneAtRestAndVisible)
{
    KSDirectorIOS* d = directorWithView();
    auto first = KSScene::node();
    d->runWithScene(first.get());
    advance(kFrame);

    using Make = std::function<Ref<KSTransitionScene>(ksTime, KSScene*)>;
    const std::vector<Make> makers {
        [](ksTime t, KSScene* s) { return KSTransitionRotoZoom::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionJumpZoom::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionMoveInL::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionMoveInR::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionMoveInT::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionMoveInB::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionSlideInL::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionSlideInR::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionSlideInT::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionSlideInB::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionShrinkGrow::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) { return KSTransitionFlipX::transitionWithDuration(t, s, 1); },
        [](ksTime t, KSScene* s) { return KSTransitionFlipY::transitionWithDuration(t, s, 0); },
        [](ksTime t, KSScene* s) { return KSTransitionFlipAngular::transitionWithDuration(t, s, 1); },
        [](ksTime t, KSScene* s) { return KSTransitionZoomFlipX::transitionWithDuration(t, s, 0); },
        [](ksTime t, KSScene* s) { return KSTransitionZoomFlipY::transitionWithDuration(t, s, 1); },
        [](ksTime t, KSScene* s) { return KSTransitionZoomFlipAngular::transitionWithDuration(t, s, 0); },
    };
    for (const Make& make : makers) {
        Ref<KSScene> out = d->runningScene();
        auto in = KSScene::node();
        auto transition = make(0.25f, in.get());
        const std::string name = transition->className();
        d->replaceScene(transition.get());
        transition = nullptr;
        ASSERT_GT(runUntilRunning(in.get()), 0) << name << " never handed over";
        EXPECT_EQ(in->position(), platform::Point(0, 0)) << name;
        EXPECT_FLOAT_EQ(in->scale(), 1.0f) << name;
        EXPECT_EQ(in->rotation(), 0.0f) << name;
        EXPECT_TRUE(in->visible()) << name;
        EXPECT_FALSE(in->camera()->dirty()) << name;
        EXPECT_EQ(in->anchorPoint(), platform::Point(0.5f, 0.5f)) << name;
        EXPECT_EQ(out->anchorPoint(), platform::Point(0.5f, 0.5f)) << name;
        EXPECT_TRUE(out->visible()) << name;
        EXPECT_EQ(out->position(), platform::Point(0, 0)) << name;
        EXPECT_TRUE(touchesOn()) << name;
        advance(kFrame);
    }
}

TEST_F(TransitionTest, SlideInOrderAndDistancesFollowTheSide)
{
    KSDirectorIOS* d = directorWithView();
    auto a = KSScene::node();
    d->runWithScene(a.get());
    advance(kFrame);
    auto b = KSScene::node();
    auto left = KSTransitionSlideInL::transitionWithDuration(1, b.get());
    EXPECT_FALSE(left->isInSceneOnTop());
    EXPECT_TRUE(KSTransitionSlideInR::transitionWithDuration(1, b.get())->isInSceneOnTop());
    EXPECT_FALSE(KSTransitionSlideInT::transitionWithDuration(1, b.get())->isInSceneOnTop());
    EXPECT_TRUE(KSTransitionSlideInB::transitionWithDuration(1, b.get())->isInSceneOnTop());
    d->replaceScene(left.get());
    advance(kFrame);
    EXPECT_EQ(b->position(), platform::Point(-(320 - 0.5f), 0)) << "the slide stops half a point short";
}

TEST_F(TransitionTest, JumpZoomGivesEachSceneItsOwnJump)
{
    KSDirectorIOS* d = directorWithView();
    auto a = KSScene::node();
    d->runWithScene(a.get());
    advance(kFrame);
    auto b = KSScene::node();
    // An action of its own puts the in-scene first in the action manager's
    // order, so its jump starts before the out-scene's jump takes its last step.
    b->runAction(KSDelayTime::actionWithDuration(5).get());
    d->replaceScene(KSTransitionJumpZoom::transitionWithDuration(1, b.get()).get());
    // Step past the out-scene's jump [0.25, 0.5] into the in-scene's [0.5, 0.75]:
    // the out-scene's position stays where its own jump left it.
    for (int i = 0; i < 36; ++i)
        advance(kFrame);
    platform::Point outAfterJump = a->position();
    EXPECT_NEAR(outAfterJump.x, -320, 1);
    for (int i = 0; i < 6; ++i)
        advance(kFrame);
    EXPECT_EQ(a->position(), outAfterJump) << "the in-scene's jump must not move the out-scene";
    EXPECT_LT(b->position().x, 320) << "the in-scene jumps";
    ASSERT_GT(runUntilRunning(b.get()), 0);
}

TEST_F(TransitionTest, TouchesComeBackWhenATransitionIsDroppedUnrunOrReplaced)
{
    KSDirectorIOS* d = directorWithView();
    auto a = KSScene::node();
    d->runWithScene(a.get());
    advance(kFrame);

    // Made and dropped without running.
    auto b = KSScene::node();
    {
        auto unused = KSTransitionFlipX::transitionWithDuration(1, b.get());
        EXPECT_FALSE(touchesOn());
    }
    EXPECT_TRUE(touchesOn());

    // Two alive: dropping one keeps touches off for the other.
    auto one = KSTransitionMoveInL::transitionWithDuration(1, b.get());
    auto two = KSTransitionMoveInR::transitionWithDuration(1, b.get());
    one = nullptr;
    EXPECT_FALSE(touchesOn());
    two = nullptr;
    EXPECT_TRUE(touchesOn());

    // Replaced by a plain scene before it ends: touches return, and the
    // transition's late finish does not take the screen back.
    d->replaceScene(KSTransitionFlipX::transitionWithDuration(0.5f, b.get()).get());
    for (int i = 0; i < 5; ++i)
        advance(kFrame);
    EXPECT_FALSE(touchesOn());
    auto c = KSScene::node();
    d->replaceScene(c.get());
    advance(kFrame);
    EXPECT_TRUE(touchesOn());
    for (int i = 0; i < 60; ++i)
        advance(kFrame);
    EXPECT_EQ(d->runningScene(), c.get());
    EXPECT_TRUE(touchesOn());
}

// A transition replaced before it finishes lets go of both its scenes and of
// the pictures it took: nothing of it stays behind in the action manager.
TEST_F(TransitionTest, ATransitionReplacedMidWayLetsGoOfItsScenesAndPictures)
{
    using Make = std::function<Ref<KSScene>(KSScene*)>;
    const std::pair<const char*, Make> kinds[] = {
        { "flip", [](KSScene* s) { return Ref<KSScene>(KSTransitionFlipX::transitionWithDuration(0.5f, s).get()); } },
        { "fade", [](KSScene* s) { return Ref<KSScene>(KSTransitionFade::transitionWithDuration(0.5f, s).get()); } },
        { "cross-fade",
          [](KSScene* s) { return Ref<KSScene>(KSTransitionCrossFade::transitionWithDuration(0.5f, s).get()); } },
        { "radial",
          [](KSScene* s) { return Ref<KSScene>(KSTransitionRadialCW::transitionWithDuration(0.5f, s).get()); } },
        { "page turn",
          [](KSScene* s) { return Ref<KSScene>(KSTransitionPageTurn::transitionWithDuration(0.5f, s, false).get()); } },
        { "tiles",
          [](KSScene* s) { return Ref<KSScene>(KSTransitionTurnOffTiles::transitionWithDuration(0.5f, s).get()); } },
    };
    KSDirectorIOS* d = directorWithView();
    d->runWithScene(KSScene::node().get());
    advance(kFrame);
    for (const auto& [kind, make] : kinds) {
        SCOPED_TRACE(kind);
        const size_t textures = KSTexture2D::liveTextureCount();
        platform::Weak<KSScene> out, in;
        {
            auto a = colourScene("A", &journal, { 200, 0, 0, 255 }), b = colourScene("B", &journal, { 0, 0, 200, 255 });
            out = a.get();
            in = b.get();
            d->replaceScene(a.get());
            advance(kFrame);
            d->replaceScene(make(b.get()).get());
        }
        for (int i = 0; i < 5; ++i)
            advance(kFrame);
        d->replaceScene(KSScene::node().get());
        advance(kFrame);
        EXPECT_TRUE(out.expired());
        EXPECT_TRUE(in.expired());
        EXPECT_EQ(KSTexture2D::liveTextureCount(), textures);
    }
}

// Whatever ends a transition, the scene shown after it is entered, and every
// scene it entered or took over leaves once: exit, then cleanup.
TEST_F(TransitionTest, EverySceneATransitionLeavesExitsOnceAndTheNextSceneIsEntered)
{
    struct Road {
        const char* name;
        // Starts the transition from A to B and what ends it, with C the
        // scene asked for after it; calls arm() where the journal starts.
        std::function<void(KSDirectorIOS*, RecordingScene* b, RecordingScene* c, const std::function<void()>& arm)> go;
        std::vector<std::string> calls; // B's and C's, from arm()
        bool cRuns;
    };
    const Road roads[] = {
        { "a plain scene replacing it mid-way",
          [this](KSDirectorIOS* d, RecordingScene* b, RecordingScene* c, auto arm) {
              d->replaceScene(KSTransitionFlipX::transitionWithDuration(0.5f, b).get());
              for (int i = 0; i < 5; ++i)
                  advance(kFrame);
              arm();
              d->replaceScene(c);
          },
          { "B:exit", "B:cleanup", "C:enter", "C:didFinish" }, true },
        { "its incoming scene asking for another as it enters (a splash)",
          [](KSDirectorIOS* d, RecordingScene* b, RecordingScene* c, auto arm) {
              arm();
              b->whenEntered = [d, c, once = true]() mutable {
                  if (std::exchange(once, false))
                      d->replaceScene(c);
              };
              d->replaceScene(KSTransitionFade::transitionWithDuration(0.5f, b).get());
          },
          { "B:enter", "B:exit", "B:cleanup", "C:enter", "C:didFinish" }, true },
        { "another scene asked for in the frame it finished",
          [this](KSDirectorIOS* d, RecordingScene* b, RecordingScene* c, auto arm) {
              auto t = KSTransitionMoveInL::transitionWithDuration(0.5f, b);
              d->replaceScene(t.get());
              for (int i = 0; i < 3; ++i)
                  advance(kFrame);
              arm();
              KSTransitionScene* raw = t.get();
              // In the next frame's tick, as a game's action would.
              auto wait = KSDelayTime::actionWithDuration(0.001f);
              auto then = KSCallBlock::actionWithBlock([d, raw, c] {
                  raw->finish();
                  d->replaceScene(c);
              });
              t->runAction(KSSequence::actions({ wait.get(), then.get() }).get());
          },
          { "B:exit", "B:cleanup", "C:enter", "C:didFinish" }, true },
        { "end() as its incoming scene is told the transition finished",
          [](KSDirectorIOS* d, RecordingScene* b, RecordingScene*, auto arm) {
              arm();
              b->whenFinished = [d] { d->end(); };
              d->replaceScene(KSTransitionFlipX::transitionWithDuration(0.25f, b).get());
          },
          { "B:enter", "B:didFinish", "B:exit", "B:cleanup" }, false },
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        auto [d, a, b, c] = showingA();
        journal.clear();
        size_t armedAt = 0;
        road.go(d, b.get(), c.get(), [&] { armedAt = journal.size(); });
        for (int i = 0; i < 40; ++i)
            advance(kFrame);
        std::vector<std::string> calls, aCalls;
        for (size_t i = armedAt; i < journal.size(); ++i) {
            if (journal[i].find(":visit") != std::string::npos)
                continue;
            (journal[i][0] == 'A' ? aCalls : calls).push_back(journal[i]);
        }
        EXPECT_EQ(calls, road.calls);
        EXPECT_EQ(aCalls, (std::vector<std::string> { "A:exit", "A:cleanup" }));
        EXPECT_FALSE(b->isRunning());
        EXPECT_EQ(c->isRunning(), road.cRuns);
        EXPECT_EQ(d->runningScene(), road.cRuns ? c.get() : nullptr);
        b->whenEntered = b->whenFinished = nullptr;
        KSDirector::purgeSharedDirector();
    }
}

// A scene a transition left from, shown again before the transition ended
// (a pause screen pushed over it and popped, a quick Back, the game asking
// for it again), is whole: visible, in place, at its scale, turn and anchor,
// with no camera or grid left on it; touches are back and the transition is
// gone. A transition covered by a scene and uncovered runs once more, once,
// and hands over a scene at rest.
TEST_F(TransitionTest, ASceneShownAgainBeforeItsTransitionEndedIsWhole)
{
    using Make = std::function<Ref<KSTransitionScene>(KSScene*)>;
    const std::pair<const char*, Make> kinds[] = {
        { "shrink-grow", [](KSScene* s) { return Ref<KSTransitionScene>(KSTransitionShrinkGrow::transitionWithDuration(0.5f, s).get()); } },
        { "flip", [](KSScene* s) { return Ref<KSTransitionScene>(KSTransitionFlipX::transitionWithDuration(0.5f, s, 1).get()); } },
        { "slide-in", [](KSScene* s) { return Ref<KSTransitionScene>(KSTransitionSlideInL::transitionWithDuration(0.5f, s).get()); } },
        { "jump-zoom", [](KSScene* s) { return Ref<KSTransitionScene>(KSTransitionJumpZoom::transitionWithDuration(0.5f, s).get()); } },
        { "fade", [](KSScene* s) { return Ref<KSTransitionScene>(KSTransitionFade::transitionWithDuration(0.5f, s).get()); } },
        { "tiles", [](KSScene* s) { return Ref<KSTransitionScene>(KSTransitionTurnOffTiles::transitionWithDuration(0.5f, s).get()); } },
    };
    enum class Road { PushedAndPopped, ReplacedByTheScene, CoveredAndUncovered };
    const std::pair<const char*, Road> roads[] = {
        { "pushed over the scene and popped", Road::PushedAndPopped },
        { "cancelled by replacing it with the scene it leaves", Road::ReplacedByTheScene },
        { "covered by a pushed scene and uncovered", Road::CoveredAndUncovered },
    };
    auto atRest = [](KSScene* scene) {
        return scene->visible() && scene->position() == platform::Point(0, 0) && scene->scaleX() == 1
               && scene->scaleY() == 1 && scene->rotation() == 0
               && scene->anchorPoint() == platform::Point(0.5f, 0.5f) && !scene->camera()->dirty()
               && !(scene->grid() && scene->grid()->active());
    };
    for (const auto& [road, which] : roads) {
        for (const auto& [kind, make] : kinds) {
            SCOPED_TRACE(std::string(kind) + ", " + road);
            KSDirectorIOS* d = directorWithView();
            auto a = colourScene("A", &journal, { 200, 0, 0, 255 }), b = colourScene("B", &journal, { 0, 0, 200, 255 });
            d->runWithScene(a.get());
            advance(kFrame);
            platform::Weak<KSScene> transition;
            {
                auto t = make(b.get());
                transition = t.get();
                if (which == Road::ReplacedByTheScene)
                    d->replaceScene(t.get());
                else
                    d->pushScene(t.get());
            }
            // Past the half-way point (where a fade swaps the scenes).
            for (int i = 0; i < 20; ++i)
                advance(kFrame);
            journal.clear();
            if (which == Road::PushedAndPopped) {
                d->popScene();
            } else if (which == Road::ReplacedByTheScene) {
                d->replaceScene(a.get());
            } else {
                d->pushScene(KSScene::node().get());
                advance(kFrame);
                d->popScene();
                advance(kFrame);
                EXPECT_FALSE(touchesOn()) << "touches came back while the scenes move again";
                ASSERT_GT(runUntilRunning(b.get()), 0) << "never handed over";
                for (int i = 0; i < 40; ++i)
                    advance(kFrame);
                EXPECT_TRUE(atRest(b.get())) << "the incoming scene moved on after the hand-over";
                EXPECT_EQ(std::count(journal.begin(), journal.end(), "B:didFinish"), 1);
                d->popScene();
            }
            for (int i = 0; i < 3; ++i)
                advance(kFrame);
            EXPECT_EQ(d->runningScene(), a.get());
            EXPECT_TRUE(a->isRunning());
            EXPECT_TRUE(atRest(a.get())) << "visible " << a->visible() << ", at (" << a->position().x << ", "
                                         << a->position().y << "), scale " << a->scaleX() << ", rotation "
                                         << a->rotation() << ", anchor (" << a->anchorPoint().x << ", "
                                         << a->anchorPoint().y << ")";
            EXPECT_TRUE(touchesOn());
            EXPECT_TRUE(transition.expired()) << "the transition lives on";
            KSDirector::purgeSharedDirector();
        }
    }
}

// The director ended, or another scene asked for, from inside the calls a
// transition makes as it leaves: each scene is exited once and cleaned up
// once, and none is entered again after its cleanup.
TEST_F(TransitionTest, ChangesFromInsideALeavingTransitionCallEachSceneOnce)
{
    struct Road {
        const char* name;
        // From A on show: starts the transition to B and what ends it (C may
        // be asked for), arming the scenes' callbacks.
        std::function<void(KSDirectorIOS*, RecordingScene* a, RecordingScene* b, RecordingScene* c)> go;
        std::vector<std::string> calls;
        bool ends;
    };
    const Road roads[] = {
        { "popped as it runs, the scene under ending the director as it leaves",
          [this](KSDirectorIOS* d, RecordingScene* a, RecordingScene* b, RecordingScene*) {
              d->pushScene(KSTransitionSlideInL::transitionWithDuration(0.5f, b).get());
              for (int i = 0; i < 5; ++i)
                  advance(kFrame);
              journal.clear();
              a->whenExiting = [d] { d->end(); };
              d->popScene();
          },
          { "A:exit", "B:exit", "B:cleanup", "A:cleanup" }, true },
        { "its incoming scene popping the last scene as it is told the transition finished",
          [this](KSDirectorIOS* d, RecordingScene*, RecordingScene* b, RecordingScene*) {
              b->whenFinished = [d] { d->popScene(); };
              d->replaceScene(KSTransitionFlipX::transitionWithDuration(0.25f, b).get());
              advance(kFrame);
              journal.clear();
          },
          { "A:exit", "B:didFinish", "A:cleanup", "B:exit", "B:cleanup" }, true },
        { "its incoming scene asking for another as it is told the transition finished, and the outgoing "
          "one ending the director as the hand-over cleans it up",
          [this](KSDirectorIOS* d, RecordingScene* a, RecordingScene* b, RecordingScene* c) {
              b->whenFinished = [d, c] { d->pushScene(c); };
              a->whenCleaned = [d] { d->end(); };
              d->replaceScene(KSTransitionMoveInL::transitionWithDuration(0.25f, b).get());
              advance(kFrame);
              journal.clear();
          },
          { "A:exit", "B:didFinish", "A:cleanup", "B:exit", "B:cleanup" }, true },
        { "replaced by its own incoming scene while the outgoing one asks for another as it leaves",
          [this](KSDirectorIOS* d, RecordingScene* a, RecordingScene* b, RecordingScene* c) {
              d->replaceScene(KSTransitionFlipX::transitionWithDuration(0.5f, b).get());
              for (int i = 0; i < 5; ++i)
                  advance(kFrame);
              journal.clear();
              a->whenExiting = [d, c] { d->replaceScene(c); };
              d->replaceScene(b);
          },
          { "A:exit", "B:exit", "A:cleanup", "B:cleanup", "C:enter", "C:didFinish" }, false },
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        auto [d, a, b, c] = showingA();
        road.go(d, a.get(), b.get(), c.get());
        for (int i = 0; i < 40; ++i)
            advance(kFrame);
        EXPECT_EQ(withoutVisits(journal), road.calls);
        EXPECT_EQ(d->runningScene(), road.ends ? nullptr : c.get());
        for (RecordingScene* scene : { a.get(), b.get(), c.get() })
            scene->whenEntered = scene->whenFinished = scene->whenExiting = scene->whenCleaned = nullptr;
        KSDirector::purgeSharedDirector();
    }
}

TEST_F(TransitionTest, MisuseFailsItsAssertions)
{
    KSDirectorIOS* d = directorWithView();
    auto a = KSScene::node();
    d->runWithScene(a.get());
    advance(kFrame);
    EXPECT_ASSERTION(KSTransitionFlipX::transitionWithDuration(1, nullptr), "engine/KSTransition",
                     "Argument scene must be non-nil");
    EXPECT_ASSERTION(KSTransitionFlipX::transitionWithDuration(1, a.get()), "engine/KSTransition",
                     "Incoming scene must be different from the outgoing scene");
    EXPECT_TRUE(touchesOn()) << "a failed creation holds no touches";
}

TEST_F(TransitionTest, TransitionAsTheFirstSceneHasNoOutSceneAndStillEnds)
{
    KSDirectorIOS* d = directorWithView();
    auto a = KSScene::node();
    auto t = KSTransitionSlideInL::transitionWithDuration(0.25f, a.get());
    EXPECT_EQ(t->outScene(), nullptr);
    d->runWithScene(t.get());
    t = nullptr;
    ASSERT_GT(runUntilRunning(a.get()), 0);
    EXPECT_EQ(a->position(), platform::Point(0, 0));
    EXPECT_TRUE(touchesOn());
}

} // namespace
