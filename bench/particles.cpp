// A 10,000-particle quad system, stepped and drawn once per frame, against a
// hand-written loop that emits, moves and draws the same particles with the
// same GL calls. Both run interleaved in one benchmark on the same headless
// context and framebuffer; the "ratio" counter is engine time / hand-written
// time, whole frames (goal 1.05 or less), the median over rounds. "step_ratio"
// compares the CPU work alone (no draw), where the engine's own code is all
// that differs (goal 1.10 or less).
#include "engine/KSParticleSystemQuad.h"
#include "engine/KSScheduler.h"
#include "engine/KSTexture2D.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLFramebuffer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

using namespace kestrel;
using platform::Ref;

namespace {

constexpr unsigned kParticles = 10000;
constexpr float kLife = 2.0f;
constexpr float kFrame = 1.0f / 60;
constexpr uint32_t kWidth = 480, kHeight = 320;

// The fountain both loops draw: upwards at 90 +- 30 degrees, gravity down,
// a little radial and tangential pull, colours fading, sizes shrinking.
struct Fountain {
    float life = kLife, lifeVar = 0.5f;
    float angle = 90, angleVar = 30;
    float speed = 120, speedVar = 30;
    Point gravity { 0, -60 };
    float radialAccel = 10, radialAccelVar = 5;
    float tangentialAccel = 5, tangentialAccelVar = 5;
    float startSize = 6, startSizeVar = 2, endSize = 2, endSizeVar = 1;
    ksColor4F startColor { 1, 0.6f, 0.2f, 1 }, startColorVar { 0, 0.2f, 0.1f, 0 };
    ksColor4F endColor { 0.3f, 0.1f, 0.05f, 0 }, endColorVar { 0, 0, 0, 0 };
};

bool setUpGL()
{
    static Ref<platform::GLContext> context;
    static Ref<platform::GLFramebuffer> screen;
    if (context)
        return true;
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    context = platform::GLContext::create();
    if (!context || !context->makeCurrent())
        return false;
    screen = platform::GLFramebuffer::create(kWidth, kHeight);
    if (!screen)
        return false;
    screen->bind();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, kWidth, 0, kHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    return true;
}

Ref<KSTexture2D> spark()
{
    std::vector<uint8_t> pixels(8 * 8 * 4, 255);
    return KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 8, 8, Size(8, 8));
}

Ref<KSParticleSystemQuad> engineSystem(KSTexture2D* texture)
{
    const Fountain f;
    auto s = KSParticleSystemQuad::particleWithTotalParticles(kParticles);
    s->setDuration(kKSParticleDurationInfinity);
    s->setLife(f.life);
    s->setLifeVar(f.lifeVar);
    s->setAngle(f.angle);
    s->setAngleVar(f.angleVar);
    s->setSpeed(f.speed);
    s->setSpeedVar(f.speedVar);
    s->setGravity(f.gravity);
    s->setRadialAccel(f.radialAccel);
    s->setRadialAccelVar(f.radialAccelVar);
    s->setTangentialAccel(f.tangentialAccel);
    s->setTangentialAccelVar(f.tangentialAccelVar);
    s->setStartSize(f.startSize);
    s->setStartSizeVar(f.startSizeVar);
    s->setEndSize(f.endSize);
    s->setEndSizeVar(f.endSizeVar);
    s->setStartColor(f.startColor);
    s->setStartColorVar(f.startColorVar);
    s->setEndColor(f.endColor);
    s->setEndColorVar(f.endColorVar);
    s->setEmissionRate(kParticles / f.life);
    s->setPosition(Point(kWidth / 2.0f, 40));
    s->setTexture(texture);
    return s;
}

// The hand-written version: plain arrays, the same formulas, the same draw.
class HandWritten {
public:
    explicit HandWritten(KSTexture2D* texture) : texture_(texture), particles_(kParticles), quads_(kParticles),
                                                 indices_(kParticles * 6)
    {
        for (unsigned i = 0; i < kParticles; ++i) {
            const GLushort j = static_cast<GLushort>(i * 4);
            GLushort* x = &indices_[i * 6];
            x[0] = j, x[1] = j + 1, x[2] = j + 2, x[3] = j + 3, x[4] = j + 2, x[5] = j + 1;
            quads_[i].bl.texCoords = { 0, 1 };
            quads_[i].br.texCoords = { 1, 1 };
            quads_[i].tl.texCoords = { 0, 0 };
            quads_[i].tr.texCoords = { 1, 0 };
        }
    }

    void step(float dt)
    {
        const float rate = 1.0f / (kParticles / f_.life);
        counter_ += dt;
        while (count_ < kParticles && counter_ > rate) {
            emit(particles_[count_++]);
            counter_ -= rate;
        }
        unsigned i = 0;
        while (i < count_) {
            P& p = particles_[i];
            p.ttl -= dt;
            if (p.ttl > 0) {
                float rx = 0, ry = 0;
                if (p.x != 0 || p.y != 0) {
                    const float inv = 1.0f / sqrtf(p.x * p.x + p.y * p.y);
                    rx = p.x * inv;
                    ry = p.y * inv;
                }
                const float ax = rx * p.radial - ry * p.tangential + f_.gravity.x;
                const float ay = ry * p.radial + rx * p.tangential + f_.gravity.y;
                p.dx += ax * dt;
                p.dy += ay * dt;
                p.x += p.dx * dt;
                p.y += p.dy * dt;
                p.color.r += p.dColor.r * dt;
                p.color.g += p.dColor.g * dt;
                p.color.b += p.dColor.b * dt;
                p.color.a += p.dColor.a * dt;
                p.size = std::max(0.0f, p.size + p.dSize * dt);
                ksV2F_C4F_T2F_Quad& q = quads_[i];
                q.bl.colors = q.br.colors = q.tl.colors = q.tr.colors = p.color;
                const float h = p.size / 2;
                q.bl.vertices = { p.x - h, p.y - h };
                q.br.vertices = { p.x + h, p.y - h };
                q.tl.vertices = { p.x - h, p.y + h };
                q.tr.vertices = { p.x + h, p.y + h };
                ++i;
            } else {
                particles_[i] = particles_[--count_];
            }
        }
        drawn_ = i;
    }

    void draw()
    {
        glPushMatrix();
        glTranslatef(kWidth / 2.0f, 40, 0);
        glBindTexture(GL_TEXTURE_2D, texture_->name());
        const auto* base = reinterpret_cast<const GLubyte*>(quads_.data());
        glVertexPointer(2, GL_FLOAT, sizeof(ksV2F_C4F_T2F), base);
        glColorPointer(4, GL_FLOAT, sizeof(ksV2F_C4F_T2F), base + 8);
        glTexCoordPointer(2, GL_FLOAT, sizeof(ksV2F_C4F_T2F), base + 24);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(drawn_ * 6), GL_UNSIGNED_SHORT, indices_.data());
        glPopMatrix();
    }

    unsigned count() const { return count_; }

private:
    struct P {
        float x, y, dx, dy, radial, tangential;
        ksColor4F color, dColor;
        float size, dSize, ttl;
    };
    static float rnd() { return static_cast<float>(random()) / 1073741824.0f - 1.0f; }
    static float clamp01(float v) { return std::min(std::max(v, 0.0f), 1.0f); }

    void emit(P& p)
    {
        p.ttl = std::max(0.0f, f_.life + f_.lifeVar * rnd());
        p.x = p.y = 0;
        ksColor4F s, e;
        s.r = clamp01(f_.startColor.r + f_.startColorVar.r * rnd());
        s.g = clamp01(f_.startColor.g + f_.startColorVar.g * rnd());
        s.b = clamp01(f_.startColor.b + f_.startColorVar.b * rnd());
        s.a = clamp01(f_.startColor.a + f_.startColorVar.a * rnd());
        e.r = clamp01(f_.endColor.r + f_.endColorVar.r * rnd());
        e.g = clamp01(f_.endColor.g + f_.endColorVar.g * rnd());
        e.b = clamp01(f_.endColor.b + f_.endColorVar.b * rnd());
        e.a = clamp01(f_.endColor.a + f_.endColorVar.a * rnd());
        p.color = s;
        p.dColor = { (e.r - s.r) / p.ttl, (e.g - s.g) / p.ttl, (e.b - s.b) / p.ttl, (e.a - s.a) / p.ttl };
        const float startSize = std::max(0.0f, f_.startSize + f_.startSizeVar * rnd());
        const float endSize = std::max(0.0f, f_.endSize + f_.endSizeVar * rnd());
        p.size = startSize;
        p.dSize = (endSize - startSize) / p.ttl;
        const float a = (f_.angle + f_.angleVar * rnd()) * 0.017453292f;
        const float v = f_.speed + f_.speedVar * rnd();
        p.dx = cosf(a) * v;
        p.dy = sinf(a) * v;
        p.radial = f_.radialAccel + f_.radialAccelVar * rnd();
        p.tangential = f_.tangentialAccel + f_.tangentialAccelVar * rnd();
    }

    const Fountain f_;
    KSTexture2D* texture_;
    std::vector<P> particles_;
    std::vector<ksV2F_C4F_T2F_Quad> quads_;
    std::vector<GLushort> indices_;
    unsigned count_ { 0 };
    unsigned drawn_ { 0 };
    float counter_ { 0 };
};

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Engine and hand-written frames take turns (the first side alternating too),
// in rounds; the ratio counters are the median of the per-round ratios. draw
// selects whether frames are drawn.
void compare(benchmark::State& state, bool draw)
{
    if (!setUpGL()) {
        state.SkipWithError("no headless GL context");
        return;
    }
    auto texture = spark();
    srandom(1);
    auto engine = engineSystem(texture.get());
    srandom(1);
    HandWritten hand(texture.get());
    // Reach the steady state (a full system) before measuring.
    for (int i = 0; i < 150; ++i) {
        engine->update(kFrame);
        hand.step(kFrame);
    }

    auto engineFrame = [&] {
        const auto t0 = Clock::now();
        engine->update(kFrame);
        if (draw) {
            glClear(GL_COLOR_BUFFER_BIT);
            engine->visit();
            glFinish();
        }
        return seconds(t0);
    };
    auto handFrame = [&] {
        const auto t0 = Clock::now();
        hand.step(kFrame);
        if (draw) {
            glClear(GL_COLOR_BUFFER_BIT);
            hand.draw();
            glFinish();
        }
        return seconds(t0);
    };

    const int framesPerRound = draw ? 20 : 200;
    std::vector<double> ratios, engineTimes, handTimes;
    for (auto _ : state) {
        double engineTime = 0, handTime = 0;
        for (int i = 0; i < framesPerRound; ++i) {
            if (i % 2 == 0) {
                engineTime += engineFrame();
                handTime += handFrame();
            } else {
                handTime += handFrame();
                engineTime += engineFrame();
            }
        }
        ratios.push_back(engineTime / handTime);
        engineTimes.push_back(engineTime / framesPerRound);
        handTimes.push_back(handTime / framesPerRound);
    }
    state.counters["particles"] = engine->particleCount();
    state.counters["engine_us"] = median(engineTimes) * 1e6;
    state.counters["hand_us"] = median(handTimes) * 1e6;
    state.counters[draw ? "ratio" : "step_ratio"] = median(ratios);
    KSScheduler::purgeSharedScheduler();
}

void BM_ParticleFrame(benchmark::State& state) { compare(state, true); }
void BM_ParticleStep(benchmark::State& state) { compare(state, false); }

} // namespace

// Each iteration is one round.
BENCHMARK(BM_ParticleFrame)->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_ParticleStep)->Unit(benchmark::kMillisecond)->Iterations(15);

BENCHMARK_MAIN();
