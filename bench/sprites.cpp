// Moving sprites: the engine's batch node (and self-drawn sprites) against a
// hand-written GL ES 1.1 loop doing the same work in the same run.
//
// Workload: a 480x320 target cleared each frame; one 32x32 premultiplied
// texture made in code (a soft circle with an off-centre highlight); N sprites
// with fixed-seed positions, velocities and angular velocities; each frame
// every sprite moves, bounces off the edges and rotates; one blend function
// (GL_ONE, GL_ONE_MINUS_SRC_ALPHA); the frame ends with glFinish. The same runs
// with 2x2-pixel sprites, where drawing costs almost nothing and the per-sprite
// work dominates.
//
// Each benchmark runs several rounds; in each round the sides compared take
// turns frame by frame (engine batch against baseline, then self-drawn against
// batch), each side's time is its median frame, and the counters report the
// median of the per-round ratios:
//   batch_vs_baseline  engine batch frame time / baseline frame time
//   self_vs_batch      self-drawn sprites frame time / batch frame time
//   sprite_object_bytes  the size of one sprite object
// Each engine scene's frame ticks only its own mover: the scheduler is shared,
// and both scenes are alive while the sides take turns.
//
// processMemory/n16000_32px runs each side in a process of its own and reports
// resident bytes per sprite at 16,000 moving 32x32 sprites:
//   own_bytes_per_sprite      once the sprites are made, before drawing: the
//                             side's own memory (objects, atlas, lists, the moving
//                             bodies). The same from run to run to the byte: the
//                             figure a change of the engine's memory is held against
//   process_bytes_per_sprite  after ten frames: the above and the GL driver's
//                             memory for drawing them (about 1,640 bytes a sprite on
//                             llvmpipe), which moves by up to about 200 bytes a
//                             sprite between runs, the driver's doing, not the side's
//   baseline_...              the same for the hand-written loop
#include "engine/KSDirector.h"
#include "engine/KSNode.h"
#include "engine/KSScheduler.h"
#include "engine/KSActionManager.h"
#include "engine/KSSprite.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSTexture2D.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLFramebuffer.h"

#include <benchmark/benchmark.h>

#include <GLES/gl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace kestrel;
using platform::Ref;

namespace {

constexpr float kWidth = 480, kHeight = 320;
constexpr float kDt = 1.0f / 60;
constexpr int kRounds = 9;

struct Body {
    float x, y, vx, vy, rotation, spin;
};

std::vector<Body> makeBodies(int n)
{
    std::mt19937 rng(20261206);
    std::uniform_real_distribution<float> px(0, kWidth), py(0, kHeight), v(-120, 120), w(-180, 180);
    std::vector<Body> bodies(static_cast<size_t>(n));
    for (Body& b : bodies)
        b = { px(rng), py(rng), v(rng), v(rng), 0, w(rng) };
    return bodies;
}

inline void step(Body& b)
{
    b.x += b.vx * kDt;
    b.y += b.vy * kDt;
    if (b.x < 0) {
        b.x = -b.x;
        b.vx = -b.vx;
    } else if (b.x > kWidth) {
        b.x = 2 * kWidth - b.x;
        b.vx = -b.vx;
    }
    if (b.y < 0) {
        b.y = -b.y;
        b.vy = -b.vy;
    } else if (b.y > kHeight) {
        b.y = 2 * kHeight - b.y;
        b.vy = -b.vy;
    }
    b.rotation += b.spin * kDt;
}

// A soft white circle with a brighter spot up and to the left, premultiplied.
Ref<KSTexture2D> makeBallTexture()
{
    std::vector<uint8_t> rgba(32 * 32 * 4);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            float dx = x + 0.5f - 16, dy = y + 0.5f - 16;
            float d = std::sqrt(dx * dx + dy * dy) / 16;
            float alpha = std::clamp(1.0f - d * d, 0.0f, 1.0f);
            float hx = x + 0.5f - 11, hy = y + 0.5f - 11;
            float highlight = std::clamp(1.0f - std::sqrt(hx * hx + hy * hy) / 8, 0.0f, 1.0f);
            float r = std::min(1.0f, 0.3f + 0.7f * highlight), g = std::min(1.0f, 0.5f + 0.5f * highlight),
                  bl = 0.9f;
            uint8_t* p = &rgba[static_cast<size_t>(y * 32 + x) * 4];
            p[0] = static_cast<uint8_t>(r * alpha * 255);
            p[1] = static_cast<uint8_t>(g * alpha * 255);
            p[2] = static_cast<uint8_t>(bl * alpha * 255);
            p[3] = static_cast<uint8_t>(alpha * 255);
        }
    return KSTexture2D::textureWithData(rgba.data(), kKSTexture2DPixelFormat_RGBA8888, 32, 32, Size(32, 32));
}

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// The GL context and the 480x320 target, made once for the whole program.
struct Screen {
    Ref<platform::GLContext> context;
    Ref<platform::GLFramebuffer> target;

    static Screen& shared()
    {
        static Screen screen = [] {
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
            // What a running director does to the allocator (see bench_frames):
            // without it both sides pay the driver's page faults every frame.
            KSDirector::keepFreedMemoryForFrames();
            Screen s;
            std::string error;
            s.context = platform::GLContext::create(&error);
            if (!s.context || !s.context->makeCurrent()) {
                std::fprintf(stderr, "no GL context: %s\n", error.c_str());
                std::exit(1);
            }
            s.target = platform::GLFramebuffer::create(480, 320, &error);
            if (!s.target) {
                std::fprintf(stderr, "no framebuffer: %s\n", error.c_str());
                std::exit(1);
            }
            return s;
        }();
        return screen;
    }

    // The engine's default GL state and a pixel projection.
    void reset()
    {
        target->bind();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrthof(0, kWidth, 0, kHeight, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glClearColor(0, 0, 0, 1);
    }
};

// Moves every sprite once per scheduler tick.
class Mover : public KSNode {
public:
    static Ref<Mover> make(std::vector<Body> bodies)
    {
        auto m = platform::adoptRef(new Mover);
        (void)m->init();
        m->bodies_ = std::move(bodies);
        return m;
    }
    void setSprites(std::vector<KSSprite*> sprites) { sprites_ = std::move(sprites); }
    void update(ksTime) override
    {
        for (size_t i = 0; i < bodies_.size(); ++i) {
            Body& b = bodies_[i];
            step(b);
            sprites_[i]->setPosition(Point(b.x, b.y));
            sprites_[i]->setRotation(b.rotation);
        }
    }

private:
    std::vector<Body> bodies_;
    // Not owned: the batch node (or the plain parent) keeps them.
    std::vector<KSSprite*> sprites_;
};

// The engine side: a root node holding either a batch node or the sprites
// themselves, the mover on the shared scheduler; a frame is tick + visit + finish.
class EngineScene {
public:
    EngineScene(KSTexture2D* texture, Rect rect, int n, bool batched)
    {
        root_ = KSNode::node();
        mover_ = Mover::make(makeBodies(n));
        KSNode* parent = root_.get();
        if (batched) {
            batch_ = KSSpriteBatchNode::batchNodeWithTexture(texture);
            batch_->setBlendFunc({ GL_ONE, GL_ONE_MINUS_SRC_ALPHA });
            root_->addChild(batch_.get());
            parent = batch_.get();
        }
        std::vector<KSSprite*> sprites;
        sprites.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            Ref<KSSprite> s = KSSprite::spriteWithTexture(texture, rect);
            if (!batched)
                s->setBlendFunc({ GL_ONE, GL_ONE_MINUS_SRC_ALPHA });
            parent->addChild(s.get());
            sprites.push_back(s.get());
        }
        mover_->setSprites(std::move(sprites));
        root_->addChild(mover_.get());
        root_->onEnter();
        mover_->scheduleUpdate();
        KSScheduler::sharedScheduler()->pauseTarget(mover_.get());
    }
    ~EngineScene()
    {
        root_->onExit();
        root_->cleanup();
        KSScheduler::purgeSharedScheduler();
        KSActionManager::purgeSharedManager();
    }

    // Only this scene's mover runs in its frame: the scheduler is shared, and
    // a tick would otherwise also move the sprites of the other scene alive.
    void frame()
    {
        KSScheduler* scheduler = KSScheduler::sharedScheduler();
        scheduler->resumeTarget(mover_.get());
        scheduler->tick(kDt);
        scheduler->pauseTarget(mover_.get());
        glClear(GL_COLOR_BUFFER_BIT);
        root_->visit();
        glFinish();
    }

private:
    Ref<KSNode> root_;
    Ref<KSSpriteBatchNode> batch_;
    Ref<Mover> mover_;
};

// The hand-written loop: the same bodies, quads computed on the CPU into one
// interleaved array (position, colour, texture coordinates: what the engine
// must draw too), one indexed draw.
class Baseline {
public:
    Baseline(GLuint texture, Rect texRect, float texSize, int n) : texture_(texture), bodies_(makeBodies(n))
    {
        halfW_ = texRect.size.width / 2;
        halfH_ = texRect.size.height / 2;
        vertices_.resize(static_cast<size_t>(n) * 4);
        indices_.resize(static_cast<size_t>(n) * 6);
        float u0 = texRect.origin.x / texSize, u1 = (texRect.origin.x + texRect.size.width) / texSize;
        float v0 = texRect.origin.y / texSize, v1 = (texRect.origin.y + texRect.size.height) / texSize;
        for (int i = 0; i < n; ++i) {
            Vertex* v = &vertices_[static_cast<size_t>(i) * 4];
            for (int k = 0; k < 4; ++k)
                v[k].r = v[k].g = v[k].b = v[k].a = 255;
            v[0].u = u0, v[0].v = v1; // bottom left
            v[1].u = u1, v[1].v = v1; // bottom right
            v[2].u = u0, v[2].v = v0; // top left
            v[3].u = u1, v[3].v = v0; // top right
            GLushort base = static_cast<GLushort>(i * 4);
            GLushort* q = &indices_[static_cast<size_t>(i) * 6];
            q[0] = base, q[1] = base + 1, q[2] = base + 2, q[3] = base + 3, q[4] = base + 2, q[5] = base + 1;
        }
    }

    void frame()
    {
        const size_t n = bodies_.size();
        for (size_t i = 0; i < n; ++i) {
            Body& b = bodies_[i];
            step(b);
            float r = -b.rotation * 0.017453292f;
            float c = std::cos(r), s = std::sin(r);
            float ax = c * halfW_, ay = s * halfW_; // the rotated half-width axis
            float bx = -s * halfH_, by = c * halfH_; // the rotated half-height axis
            Vertex* v = &vertices_[i * 4];
            v[0].x = b.x - ax - bx, v[0].y = b.y - ay - by;
            v[1].x = b.x + ax - bx, v[1].y = b.y + ay - by;
            v[2].x = b.x - ax + bx, v[2].y = b.y - ay + by;
            v[3].x = b.x + ax + bx, v[3].y = b.y + ay + by;
        }
        glClear(GL_COLOR_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &vertices_[0].x);
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &vertices_[0].r);
        glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &vertices_[0].u);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(n * 6), GL_UNSIGNED_SHORT, indices_.data());
        glFinish();
    }

private:
    struct Vertex {
        GLfloat x, y;
        GLubyte r, g, b, a;
        GLfloat u, v;
    };
    GLuint texture_;
    std::vector<Body> bodies_;
    std::vector<Vertex> vertices_;
    std::vector<GLushort> indices_;
    float halfW_ { 0 }, halfH_ { 0 };
};

template <class Scene>
double timeFrame(Scene& scene)
{
    auto start = std::chrono::steady_clock::now();
    scene.frame();
    return seconds(start, std::chrono::steady_clock::now());
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Seconds per frame of each side over `frames` frames, the two sides taking
// turns frame by frame (the first side alternating too), so that load from
// elsewhere on the machine falls on both alike. Each side's median frame: a
// frame the scheduler took the processor away from does not count.
template <class A, class B>
std::pair<double, double> timeAlternating(A& a, B& b, int frames)
{
    std::vector<double> ta, tb;
    for (int i = 0; i < frames; ++i) {
        if (i % 2 == 0) {
            ta.push_back(timeFrame(a));
            tb.push_back(timeFrame(b));
        } else {
            tb.push_back(timeFrame(b));
            ta.push_back(timeFrame(a));
        }
    }
    return { median(ta), median(tb) };
}

void runSprites(benchmark::State& state, int n, int spriteSize, bool withSelfDrawn)
{
    Screen& screen = Screen::shared();
    screen.reset();
    Ref<KSTexture2D> texture = makeBallTexture();
    // 2x2 sprites take the middle of the picture.
    Rect rect = spriteSize == 32 ? Rect(0, 0, 32, 32) : Rect(15, 15, 2, 2);
    const int frames = std::max(8, 40000 / n);

    for (auto _ : state) {
        auto batched = std::make_unique<EngineScene>(texture.get(), rect, n, true);
        auto self = withSelfDrawn ? std::make_unique<EngineScene>(texture.get(), rect, n, false) : nullptr;
        Baseline baseline(texture->name(), rect, 32, n);

        // Warm up caches and the driver's paths once.
        batched->frame();
        baseline.frame();
        if (self)
            self->frame();

        std::vector<double> batchRatios, selfRatios, engineTimes, baselineTimes;
        for (int round = 0; round < kRounds; ++round) {
            auto [e, b] = timeAlternating(*batched, baseline, frames);
            batchRatios.push_back(e / b);
            engineTimes.push_back(e);
            baselineTimes.push_back(b);
            if (self) {
                auto [s, e2] = timeAlternating(*self, *batched, frames);
                selfRatios.push_back(s / e2);
            }
        }
        state.counters["batch_vs_baseline"] = median(batchRatios);
        state.counters["engine_ms"] = median(engineTimes) * 1000;
        state.counters["baseline_ms"] = median(baselineTimes) * 1000;
        if (self)
            state.counters["self_vs_batch"] = median(selfRatios);
        state.counters["sprite_object_bytes"] = static_cast<double>(sizeof(KSSprite));
    }
}

// Process memory per sprite. Each side runs in a process of its own (this
// program again, told which side by BRISKO_BENCH_SPRITE_MEMORY), so that
// neither finds memory the other freed. Resident bytes per sprite at 16,000
// moving 32x32 sprites, over those of the process before the sprites were
// made: once the sprites are made (the side's own memory: the objects, the
// atlas and the lists with their slack, blocks freed while they grew, and the
// moving bodies both sides keep), and after ten frames (the GL driver's
// memory for drawing them added).
constexpr int kMemorySprites = 16000;
constexpr const char* kMemorySideVariable = "BRISKO_BENCH_SPRITE_MEMORY";

size_t residentBytes()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<size_t>(resident) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// The measuring process: prints the side's bytes per sprite, made and drawn.
template <class Side>
int printSideMemory(Side makeSide)
{
    Screen& screen = Screen::shared();
    screen.reset();
    Ref<KSTexture2D> texture = makeBallTexture();
    // A frame with nothing to draw first: the driver's own start-up is not the sprites'.
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    const double before = static_cast<double>(residentBytes());
    auto side = makeSide(texture.get());
    const double made = static_cast<double>(residentBytes());
    for (int i = 0; i < 10; ++i)
        side->frame();
    const double drawn = static_cast<double>(residentBytes());
    std::printf("%.1f %.1f\n", (made - before) / kMemorySprites, (drawn - before) / kMemorySprites);
    return 0;
}

int measureSideMemory(const std::string& side)
{
    const Rect rect(0, 0, 32, 32);
    if (side == "engine")
        return printSideMemory([&](KSTexture2D* texture) {
            return std::make_unique<EngineScene>(texture, rect, kMemorySprites, true);
        });
    return printSideMemory([&](KSTexture2D* texture) {
        return std::make_unique<Baseline>(texture->name(), rect, 32, kMemorySprites);
    });
}

// The side's bytes per sprite once made and once drawn; -1 when the process failed.
std::pair<double, double> sideMemory(const char* side)
{
    std::string command = std::string(kMemorySideVariable) + "=" + side + " /proc/" + std::to_string(getpid()) + "/exe";
    double made = -1, drawn = -1;
    if (FILE* child = popen(command.c_str(), "r")) {
        if (std::fscanf(child, "%lf %lf", &made, &drawn) != 2)
            made = drawn = -1;
        pclose(child);
    }
    return { made, drawn };
}

void processMemory(benchmark::State& state)
{
    for (auto _ : state) {
        auto [engineMade, engineDrawn] = sideMemory("engine");
        auto [baselineMade, baselineDrawn] = sideMemory("baseline");
        // The side's own memory (stable), then with the driver's (moves between runs).
        state.counters["own_bytes_per_sprite"] = engineMade;
        state.counters["baseline_own_bytes_per_sprite"] = baselineMade;
        state.counters["process_bytes_per_sprite"] = engineDrawn;
        state.counters["baseline_process_bytes_per_sprite"] = baselineDrawn;
    }
}

} // namespace

BENCHMARK(processMemory)->Name("processMemory/n16000_32px")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runSprites, n1000_32px, 1000, 32, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runSprites, n10000_32px, 10000, 32, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runSprites, n16000_32px, 16000, 32, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runSprites, n1000_2px, 1000, 2, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runSprites, n10000_2px, 10000, 2, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runSprites, n16000_2px, 16000, 2, true)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (const char* side = std::getenv(kMemorySideVariable))
        return measureSideMemory(side);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
