// The particle emitter without drawing: emission, ageing and death step by
// step, the order of random draws, both motion models, position types,
// self-removal and the limits on particle counts.
#include "NodeTestSupport.h"

#include "engine/KSParticleSystem.h"
#include "platform/foundation/Weak.h"

#include <cmath>
#include <cstdlib>

using namespace kestrel;
using kestrel_test::EngineTest;
using platform::Ref;

namespace {

constexpr const char* kFile = "engine/KSParticleSystem";

// Records what the renderer hooks are handed.
class ProbeSystem : public KSParticleSystem {
public:
    struct Handed {
        unsigned index;
        Point position;
        float timeToLive;
    };
    static Ref<ProbeSystem> make(unsigned n)
    {
        auto s = platform::adoptRef(new ProbeSystem);
        return s->initWithTotalParticles(n) ? s : nullptr;
    }
    ~ProbeSystem() override
    {
        if (destroyed)
            *destroyed = true;
    }
    void updateQuadWithParticle(sKSParticle* p, Point position) override
    {
        handed.push_back({ particleIdx(), position, p->timeToLive });
    }
    void postStep() override { ++postSteps; }
    // One step with a fresh record of what was handed over.
    void step(float dt)
    {
        handed.clear();
        update(dt);
    }

    std::vector<Handed> handed;
    int postSteps { 0 };
    bool* destroyed { nullptr };
};

// A gravity-mode system with no variance, emitting nothing by itself.
Ref<ProbeSystem> quietSystem(unsigned n, float life = 10)
{
    auto s = ProbeSystem::make(n);
    s->setLife(life);
    s->setDuration(kKSParticleDurationInfinity);
    return s;
}

} // namespace

class ParticleSystemTest : public EngineTest { };

TEST_F(ParticleSystemTest, PlainInitIsRefused)
{
    auto s = ProbeSystem::make(1);
    EXPECT_ASSERTION(s->init(), kFile, "KSParticleSystem: Init not supported.");
}

TEST_F(ParticleSystemTest, EmissionIsStrictAndBoundedByTheFreeRecords)
{
    auto s = quietSystem(5);
    s->setEmissionRate(10);

    s->step(0.1f);
    EXPECT_EQ(s->particleCount(), 0u) << "a counter exactly at 1 / rate emits nothing";
    s->step(0.05f);
    EXPECT_EQ(s->particleCount(), 1u);

    // A long step fills the free records and keeps the rest of its time.
    s->step(1.0f);
    EXPECT_EQ(s->particleCount(), 5u);
    EXPECT_TRUE(s->isFull());
    EXPECT_NEAR(s->elapsed(), 1.15f, 1e-5f);
    EXPECT_EQ(s->handed.size(), 5u) << "every live particle is handed to the renderer";
    EXPECT_EQ(s->postSteps, 3);
}

TEST_F(ParticleSystemTest, ZeroRateNeitherEmitsNorAges)
{
    auto s = quietSystem(5);
    s->setDuration(0.5f);
    for (int i = 0; i < 10; ++i)
        s->step(0.1f);
    EXPECT_EQ(s->particleCount(), 0u);
    EXPECT_EQ(s->elapsed(), 0.0f);
    EXPECT_TRUE(s->active()) << "duration never stops a system that does not emit";
}

TEST_F(ParticleSystemTest, DurationStopsAfterTheStepThatPassesIt)
{
    auto s = quietSystem(100);
    s->setEmissionRate(100);
    s->setDuration(0.25f);
    s->step(0.1f);
    s->step(0.1f);
    EXPECT_TRUE(s->active());
    const unsigned before = s->particleCount();
    s->step(0.1f);
    EXPECT_FALSE(s->active());
    EXPECT_GT(s->particleCount(), before) << "that step still emitted";
    EXPECT_EQ(s->elapsed(), 0.25f) << "stopSystem sets elapsed to the duration";
    const unsigned stopped = s->particleCount();
    s->step(0.1f);
    EXPECT_EQ(s->particleCount(), stopped) << "inactive systems only age their particles";
}

TEST_F(ParticleSystemTest, DeadParticlesAreReplacedByTheLastAndNotDrawn)
{
    auto s = quietSystem(3);
    s->setEmissionRate(10);
    s->setLife(1.0f);
    s->step(0.11f); // A: 0.89 left, 0.69 after the next two steps
    s->setLife(0.15f);
    s->step(0.1f); // B: 0.05 left
    ASSERT_EQ(s->particleCount(), 2u);
    s->setLife(5.0f);
    s->step(0.1f); // C is born; B dies and C takes its place in the same step
    ASSERT_EQ(s->particleCount(), 2u);
    ASSERT_EQ(s->handed.size(), 2u);
    EXPECT_EQ(s->handed[0].index, 0u);
    EXPECT_NEAR(s->handed[0].timeToLive, 0.69f, 1e-5f);
    EXPECT_EQ(s->handed[1].index, 1u);
    EXPECT_NEAR(s->handed[1].timeToLive, 4.9f, 1e-5f);
    EXPECT_EQ(s->particleIdx(), s->particleCount());
}

TEST_F(ParticleSystemTest, NoLifeLeftNeverDividesByZero)
{
    auto s = quietSystem(2, 0);
    s->setStartColor({ 0, 0, 0, 1 });
    s->setEndColor({ 1, 1, 1, 0 });
    s->setStartSize(4);
    s->setEndSize(40);
    s->setStartSpin(0);
    s->setEndSpin(360);
    ASSERT_TRUE(s->addParticle());
    const sKSParticle& p = s->particles()[0];
    EXPECT_EQ(p.timeToLive, 0.0f);
    EXPECT_EQ(p.deltaColor, (ksColor4F { 0, 0, 0, 0 }));
    EXPECT_EQ(p.deltaSize, 0.0f);
    EXPECT_EQ(p.deltaRotation, 0.0f);

    s->setEmitterMode(kKSParticleModeRadius);
    s->setStartRadius(10);
    s->setEndRadius(20);
    ASSERT_TRUE(s->addParticle());
    EXPECT_EQ(s->particles()[1].mode.B.deltaRadius, 0.0f);
    s->step(0);
    EXPECT_EQ(s->particleCount(), 0u) << "a particle without life dies in its first step";
    EXPECT_TRUE(s->handed.empty());
}

TEST_F(ParticleSystemTest, ParticleValuesDrawRandomFactorsInTheDocumentedOrder)
{
    ksSetContentScaleFactor(2.0f);
    auto s = quietSystem(2, 3);
    s->setLifeVar(1);
    s->setSourcePosition(Point(5, 6));
    s->setPosVar(Point(2, 3));
    s->setStartColor({ 0.5f, 0.5f, 0.5f, 0.5f });
    s->setStartColorVar({ 0.1f, 0.2f, 0.3f, 0.9f });
    s->setEndColor({ 0.2f, 0.3f, 0.4f, 0.5f });
    s->setEndColorVar({ 0.1f, 0.1f, 0.1f, 0.1f });
    s->setStartSize(10);
    s->setStartSizeVar(4);
    s->setEndSize(20);
    s->setEndSizeVar(5);
    s->setStartSpin(30);
    s->setStartSpinVar(10);
    s->setEndSpin(90);
    s->setEndSpinVar(20);
    s->setAngle(45);
    s->setAngleVar(15);
    s->setSpeed(50);
    s->setSpeedVar(10);
    s->setRadialAccel(7);
    s->setRadialAccelVar(3);
    s->setTangentialAccel(-4);
    s->setTangentialAccelVar(2);

    auto draws = [](unsigned seed) {
        srandom(seed);
        std::vector<float> r;
        for (int i = 0; i < 19; ++i)
            r.push_back(ksRandomSigned());
        srandom(seed);
        return r;
    };
    auto clamp = [](float v) { return std::min(std::max(v, 0.0f), 1.0f); };

    const std::vector<float> r = draws(42);
    ASSERT_TRUE(s->addParticle());
    const sKSParticle& p = s->particles()[0];
    const float ttl = std::max(0.0f, 3 + 1 * r[0]);
    EXPECT_FLOAT_EQ(p.timeToLive, ttl);
    EXPECT_FLOAT_EQ(p.pos.x, (5 + 2 * r[1]) * 2);
    EXPECT_FLOAT_EQ(p.pos.y, (6 + 3 * r[2]) * 2);
    const float startA = clamp(0.5f + 0.9f * r[6]);
    const float endA = clamp(0.5f + 0.1f * r[10]);
    EXPECT_FLOAT_EQ(p.color.r, clamp(0.5f + 0.1f * r[3]));
    EXPECT_FLOAT_EQ(p.color.a, startA);
    EXPECT_FLOAT_EQ(p.deltaColor.a, (endA - startA) / ttl);
    EXPECT_FLOAT_EQ(p.deltaColor.b, (clamp(0.4f + 0.1f * r[9]) - clamp(0.5f + 0.3f * r[5])) / ttl);
    const float startSize = (10 + 4 * r[11]) * 2;
    EXPECT_FLOAT_EQ(p.size, startSize);
    EXPECT_FLOAT_EQ(p.deltaSize, ((20 + 5 * r[12]) * 2 - startSize) / ttl);
    EXPECT_FLOAT_EQ(p.rotation, 30 + 10 * r[13]);
    EXPECT_FLOAT_EQ(p.deltaRotation, ((90 + 20 * r[14]) - (30 + 10 * r[13])) / ttl);
    const float a = (45 + 15 * r[15]) * 0.017453292f;
    const float v = (50 + 10 * r[16]) * 2;
    EXPECT_FLOAT_EQ(p.mode.A.dir.x, cosf(a) * v);
    EXPECT_FLOAT_EQ(p.mode.A.dir.y, sinf(a) * v);
    EXPECT_FLOAT_EQ(p.mode.A.radialAccel, (7 + 3 * r[17]) * 2);
    EXPECT_FLOAT_EQ(p.mode.A.tangentialAccel, (-4 + 2 * r[18]) * 2);
    EXPECT_EQ(p.startPos, Point(0, 0)) << "world origin of a free emitter at (0, 0)";

    // Radius mode: both radius factors are drawn, then the angular speed.
    s->setEmitterMode(kKSParticleModeRadius);
    s->setStartRadius(40);
    s->setStartRadiusVar(8);
    s->setEndRadius(10);
    s->setEndRadiusVar(2);
    s->setRotatePerSecond(90);
    s->setRotatePerSecondVar(30);
    const std::vector<float> q = draws(7);
    ASSERT_TRUE(s->addParticle());
    const sKSParticle& b = s->particles()[1];
    const float ttlB = std::max(0.0f, 3 + q[0]);
    const float radius = (40 + 8 * q[16]) * 2;
    EXPECT_FLOAT_EQ(b.mode.B.radius, radius);
    EXPECT_FLOAT_EQ(b.mode.B.deltaRadius, ((10 + 2 * q[17]) * 2 - radius) / ttlB);
    EXPECT_FLOAT_EQ(b.mode.B.angle, (45 + 15 * q[15]) * 0.017453292f);
    EXPECT_FLOAT_EQ(b.mode.B.degreesPerSecond, (90 + 30 * q[18]) * 0.017453292f);
}

TEST_F(ParticleSystemTest, GravityModeStep)
{
    auto s = quietSystem(2);
    s->setPositionType(kKSPositionTypeGrouped);
    s->setSourcePosition(Point(3, 4));
    s->setSpeed(10);
    s->setRadialAccel(5);
    s->setTangentialAccel(2);
    s->setGravity(Point(0, -10));
    s->setStartSize(8);
    s->setEndSize(kKSParticleStartSizeEqualToEndSize);
    ASSERT_TRUE(s->addParticle());
    s->step(0.5f);
    // radial (0.6, 0.8) x 5, tangential (-0.8, 0.6) x 2, plus gravity.
    const sKSParticle& p = s->particles()[0];
    EXPECT_NEAR(p.mode.A.dir.x, 10.7f, 1e-4f);
    EXPECT_NEAR(p.mode.A.dir.y, -2.4f, 1e-4f);
    ASSERT_EQ(s->handed.size(), 1u);
    EXPECT_NEAR(s->handed[0].position.x, 8.35f, 1e-4f);
    EXPECT_NEAR(s->handed[0].position.y, 2.8f, 1e-4f);
    EXPECT_EQ(p.size, 8.0f) << "end size -1 keeps the start size";

    // A particle exactly at the origin has no radial direction (and no NaN).
    s->setSourcePosition(Point(0, 0));
    s->setSpeed(0);
    ASSERT_TRUE(s->addParticle());
    s->step(1.0f);
    EXPECT_EQ(s->particles()[1].pos, Point(0, -10));
}

TEST_F(ParticleSystemTest, RadiusModeStep)
{
    auto s = quietSystem(2, 2);
    s->setPositionType(kKSPositionTypeGrouped);
    s->setEmitterMode(kKSParticleModeRadius);
    s->setStartRadius(10);
    s->setEndRadius(20);
    s->setRotatePerSecond(90);
    ASSERT_TRUE(s->addParticle());
    s->step(1.0f);
    const sKSParticle& p = s->particles()[0];
    EXPECT_NEAR(p.mode.B.radius, 15.0f, 1e-4f);
    EXPECT_NEAR(s->handed[0].position.x, 0.0f, 1e-4f);
    EXPECT_NEAR(s->handed[0].position.y, -15.0f, 1e-4f);

    s->setEndRadius(kKSParticleStartRadiusEqualToEndRadius);
    ASSERT_TRUE(s->addParticle());
    s->step(0.5f);
    EXPECT_EQ(s->particles()[1].mode.B.radius, 10.0f) << "end radius -1 keeps the radius";
}

TEST_F(ParticleSystemTest, PositionTypesDecideWhatParticlesFollow)
{
    auto positionAfterMoves = [](int type) {
        auto parent = KSNode::node();
        auto s = quietSystem(1);
        parent->addChild(s.get());
        s->setPosition(Point(10, 0));
        s->setPositionType(type);
        s->addParticle();
        parent->setPosition(Point(100, 0));
        s->step(0.01f);
        const Point afterParentMove = s->handed.at(0).position;
        s->setPosition(Point(30, 0));
        s->step(0.01f);
        return std::make_pair(afterParentMove, s->handed.at(0).position);
    };
    auto free = positionAfterMoves(kKSPositionTypeFree);
    EXPECT_EQ(free.first, Point(-100, 0)) << "free particles stay where they were emitted";
    EXPECT_EQ(free.second, Point(-120, 0));
    auto relative = positionAfterMoves(kKSPositionTypeRelative);
    EXPECT_EQ(relative.first, Point(0, 0)) << "relative particles follow the parent";
    EXPECT_EQ(relative.second, Point(-20, 0)) << "but not the emitter's own moves";
    auto grouped = positionAfterMoves(kKSPositionTypeGrouped);
    EXPECT_EQ(grouped.first, Point(0, 0));
    EXPECT_EQ(grouped.second, Point(0, 0));
}

TEST_F(ParticleSystemTest, ResetKillsEveryParticleAndEmitsAfresh)
{
    auto s = quietSystem(10);
    s->setEmissionRate(10);
    s->setDuration(0.2f);
    s->step(0.35f);
    ASSERT_FALSE(s->active());
    ASSERT_EQ(s->particleCount(), 3u);
    s->resetSystem();
    EXPECT_TRUE(s->active());
    EXPECT_EQ(s->elapsed(), 0.0f);
    s->step(0.15f);
    EXPECT_EQ(s->particleCount(), 1u) << "only the particle emitted in this step";
    EXPECT_NEAR(s->handed.at(0).timeToLive, 9.85f, 1e-5f);
}

TEST_F(ParticleSystemTest, AutoRemovalWhenTheLastParticleDies)
{
    auto parent = KSNode::node();
    auto idle = quietSystem(1);
    idle->setAutoRemoveOnFinish(true);
    parent->addChild(idle.get());
    idle->step(5);
    EXPECT_EQ(idle->parent(), parent.get()) << "a system that never emitted stays";

    auto s = quietSystem(1, 0.5f);
    s->setEmissionRate(1000);
    s->setAutoRemoveOnFinish(true);
    parent->addChild(s.get());
    s->step(0.01f);
    ASSERT_EQ(s->particleCount(), 1u);
    s->setEmissionRate(0.001f);
    const int postSteps = s->postSteps;
    s->step(1.0f);
    EXPECT_TRUE(s->active());
    EXPECT_EQ(s->parent(), nullptr) << "removed while still active";
    EXPECT_EQ(parent->children()->count(), 1u);
    EXPECT_EQ(s->postSteps, postSteps) << "the step ends without postStep";
}

TEST_F(ParticleSystemTest, SystemRemovingItselfOutlivesItsOwnStep)
{
    // Only the scheduler holds the system: unscheduling itself would free it
    // in the middle of its step.
    bool destroyed = false;
    auto s = quietSystem(1, 0.5f);
    s->destroyed = &destroyed;
    s->setAutoRemoveOnFinish(true);
    ASSERT_TRUE(s->addParticle());
    platform::Weak<ProbeSystem> weak(s);
    ProbeSystem* raw = s.get();
    s = nullptr;
    ASSERT_FALSE(destroyed) << "the scheduler keeps it";
    raw->update(1.0f);
    EXPECT_TRUE(destroyed) << "released once the step returned";
    EXPECT_FALSE(weak.lock());

    // Through the scheduler, with a parent as the other owner.
    auto parent = KSNode::node();
    auto t = quietSystem(1, 0.5f);
    t->setAutoRemoveOnFinish(true);
    ASSERT_TRUE(t->addParticle());
    parent->addChild(t.get());
    parent->onEnter();
    platform::Weak<ProbeSystem> weakT(t);
    t = nullptr;
    tick(1.0f);
    EXPECT_FALSE(weakT.lock());
    EXPECT_EQ(parent->children()->count(), 0u);
    tick(1.0f);
    parent->onExit();
}

TEST_F(ParticleSystemTest, ParticleCountsStayWithinTheAllocatedRecords)
{
    EXPECT_FALSE(ProbeSystem::make(kKSParticleSystemMaxParticles + 1));
    EXPECT_FALSE(ProbeSystem::make(~0u));

    auto s = quietSystem(4);
    s->setTotalParticles(1000);
    EXPECT_EQ(s->totalParticles(), 4u) << "never beyond the records allocated";
    s->setEmissionRate(1000);
    s->step(1);
    EXPECT_EQ(s->particleCount(), 4u);

    // Lowering below the live count: nothing more is added until they die.
    s->setTotalParticles(2);
    EXPECT_TRUE(s->isFull());
    EXPECT_FALSE(s->addParticle());
    s->step(1);
    EXPECT_EQ(s->particleCount(), 4u);

    auto empty = quietSystem(0);
    ASSERT_TRUE(empty);
    empty->setEmissionRate(10);
    empty->step(1);
    EXPECT_EQ(empty->particleCount(), 0u);
}

TEST_F(ParticleSystemTest, ModePropertiesAssertTheirMode)
{
    auto s = quietSystem(1);
    EXPECT_ASSERTION(s->startRadius(), kFile, "Particle Mode should be Radius");
    EXPECT_ASSERTION(s->setRotatePerSecond(1), kFile, "Particle Mode should be Radius");
    s->setEmitterMode(kKSParticleModeRadius);
    EXPECT_ASSERTION(s->gravity(), kFile, "Particle Mode should be Gravity");
    EXPECT_ASSERTION(s->setSpeed(1), kFile, "Particle Mode should be Gravity");
    s->setEndRadius(3);
    EXPECT_EQ(s->endRadius(), 3.0f);
}
