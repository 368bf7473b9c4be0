// The eleven ready-made particle effects: one table row of preset values per
// effect, applied over the defaults of a point-sprite system.
#include "engine/KSParticleExamples.h"

#include "engine/KSDirector.h"
#include "engine/KSTextureCache.h"

namespace kestrel {

using platform::Ref;

namespace {

enum class RateRule { PerLife, PerDuration, Fixed };

struct Preset {
    unsigned particles;
    float duration;
    // Gravity mode.
    Point gravity;
    float speed, speedVar;
    float radialAccel, radialAccelVar;
    bool setsTangentialAccel;
    float tangentialAccel, tangentialAccelVar;
    float angle, angleVar;
    // Placement from the window size in points.
    Point (*position)(Size win);
    Point (*posVar)(Size win);
    float life, lifeVar;
    float startSize, startSizeVar;
    RateRule rateRule;
    float fixedRate;
    ksColor4F startColor, startColorVar, endColor, endColorVar;
    bool additive;
};

Point centre(Size w) { return Point(w.width / 2, w.height / 2); }
Point none(Size) { return Point(0, 0); }

const Preset kFireworks {
    1500, kKSParticleDurationInfinity, Point(0, -90), 180, 50, 0, 0, false, 0, 0, 90, 20,
    centre, none, 3.5f, 1, 8, 2, RateRule::PerLife, 0,
    { 0.5f, 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, 0.5f, 0.1f }, { 0.1f, 0.1f, 0.1f, 0.2f }, { 0.1f, 0.1f, 0.1f, 0.2f },
    false,
};

const Preset kFire {
    250, kKSParticleDurationInfinity, Point(0, 0), 60, 20, 0, 0, false, 0, 0, 90, 10,
    [](Size w) { return Point(w.width / 2, 60); }, [](Size) { return Point(40, 20); },
    3, 0.25f, 54, 10, RateRule::PerLife, 0,
    { 0.76f, 0.25f, 0.12f, 1 }, { 0, 0, 0, 0 }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 },
    true,
};

const Preset kSun {
    350, kKSParticleDurationInfinity, Point(0, 0), 20, 5, 0, 0, false, 0, 0, 90, 360,
    centre, none, 1, 0.5f, 30, 10, RateRule::PerLife, 0,
    { 0.76f, 0.25f, 0.12f, 1 }, { 0, 0, 0, 0 }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 },
    true,
};

const Preset kGalaxy {
    200, kKSParticleDurationInfinity, Point(0, 0), 60, 10, -80, 0, true, 80, 0, 90, 360,
    centre, none, 4, 1, 37, 10, RateRule::PerLife, 0,
    { 0.12f, 0.25f, 0.76f, 1 }, { 0, 0, 0, 0 }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 },
    true,
};

const Preset kFlower {
    250, kKSParticleDurationInfinity, Point(0, 0), 80, 10, -60, 0, true, 15, 0, 90, 360,
    centre, none, 4, 1, 30, 10, RateRule::PerLife, 0,
    { 0.5f, 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, 0.5f, 0.5f }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 },
    true,
};

const Preset kMeteor {
    150, kKSParticleDurationInfinity, Point(-200, 200), 15, 5, 0, 0, true, 0, 0, 90, 360,
    centre, none, 2, 1, 60, 10, RateRule::PerLife, 0,
    { 0.2f, 0.4f, 0.7f, 1 }, { 0, 0, 0.2f, 0.1f }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 },
    true,
};

const Preset kSpiral {
    500, kKSParticleDurationInfinity, Point(0, 0), 150, 0, -380, 0, true, 45, 0, 90, 0,
    centre, none, 12, 0, 20, 0, RateRule::PerLife, 0,
    { 0.5f, 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, 0.5f, 0 }, { 0.5f, 0.5f, 0.5f, 1 }, { 0.5f, 0.5f, 0.5f, 0 },
    false,
};

const Preset kExplosion {
    700, 0.1f, Point(0, 0), 70, 40, 0, 0, true, 0, 0, 90, 360,
    centre, none, 5, 2, 15, 10, RateRule::PerDuration, 0,
    { 0.7f, 0.1f, 0.2f, 1 }, { 0.5f, 0.5f, 0.5f, 0 }, { 0.5f, 0.5f, 0.5f, 0 }, { 0.5f, 0.5f, 0.5f, 0 },
    false,
};

const Preset kSmoke {
    200, kKSParticleDurationInfinity, Point(0, 0), 25, 10, 0, 0, false, 0, 0, 90, 5,
    [](Size w) { return Point(w.width / 2, 0); }, [](Size) { return Point(20, 0); },
    4, 1, 60, 10, RateRule::PerLife, 0,
    { 0.8f, 0.8f, 0.8f, 1 }, { 0.02f, 0.02f, 0.02f, 0 }, { 0, 0, 0, 1 }, { 0, 0, 0, 0 },
    false,
};

const Preset kSnow {
    700, kKSParticleDurationInfinity, Point(0, -1), 5, 1, 0, 1, true, 0, 1, -90, 5,
    [](Size w) { return Point(w.width / 2, w.height + 10); }, [](Size w) { return Point(w.width / 2, 0); },
    45, 15, 10, 5, RateRule::Fixed, 10,
    { 1, 1, 1, 1 }, { 0, 0, 0, 0 }, { 1, 1, 1, 0 }, { 0, 0, 0, 0 },
    false,
};

const Preset kRain {
    1000, kKSParticleDurationInfinity, Point(10, -10), 130, 30, 0, 1, true, 0, 1, -90, 5,
    [](Size w) { return Point(w.width / 2, w.height); }, [](Size w) { return Point(w.width / 2, 0); },
    4.5f, 0, 4, 2, RateRule::Fixed, 20,
    { 0.7f, 0.8f, 1, 1 }, { 0, 0, 0, 0 }, { 0.7f, 0.8f, 1, 0.5f }, { 0, 0, 0, 0 },
    false,
};

void apply(KSParticleSystemPoint& s, const Preset& p)
{
    s.setDuration(p.duration);

    s.setEmitterMode(kKSParticleModeGravity);
    s.setGravity(p.gravity);
    s.setSpeed(p.speed);
    s.setSpeedVar(p.speedVar);
    s.setRadialAccel(p.radialAccel);
    s.setRadialAccelVar(p.radialAccelVar);
    if (p.setsTangentialAccel) {
        s.setTangentialAccel(p.tangentialAccel);
        s.setTangentialAccelVar(p.tangentialAccelVar);
    }
    s.setAngle(p.angle);
    s.setAngleVar(p.angleVar);

    const Size win = KSDirector::sharedDirector()->winSize();
    s.setPosVar(p.posVar(win));

    s.setLife(p.life);
    s.setLifeVar(p.lifeVar);
    // Sizes go past the point renderer's range check, as fields would.
    s.KSParticleSystem::setStartSize(p.startSize);
    s.setStartSizeVar(p.startSizeVar);
    s.KSParticleSystem::setEndSize(kKSParticleStartSizeEqualToEndSize);

    switch (p.rateRule) {
    case RateRule::PerLife:
        s.setEmissionRate(static_cast<float>(s.totalParticles()) / s.life());
        break;
    case RateRule::PerDuration:
        s.setEmissionRate(static_cast<float>(s.totalParticles()) / s.duration());
        break;
    case RateRule::Fixed:
        s.setEmissionRate(p.fixedRate);
        break;
    }

    s.setStartColor(p.startColor);
    s.setStartColorVar(p.startColorVar);
    s.setEndColor(p.endColor);
    s.setEndColorVar(p.endColorVar);

    s.setPosition(p.position(win));
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage("fire.png");
    s.setTexture(texture.get());
    s.setBlendAdditive(p.additive);
}

} // namespace

#define KS_PARTICLE_PRESET_BODY(Name, preset)                                  \
    Ref<Name> Name::node()                                                     \
    {                                                                          \
        auto system = adoptRef(new Name);                                      \
        return system->init() ? system : nullptr;                              \
    }                                                                          \
    Ref<Name> Name::particleWithTotalParticles(unsigned numberOfParticles)     \
    {                                                                          \
        auto system = adoptRef(new Name);                                      \
        return system->initWithTotalParticles(numberOfParticles) ? system : nullptr; \
    }                                                                          \
    bool Name::init()                                                          \
    {                                                                          \
        return initWithTotalParticles(preset.particles);                       \
    }                                                                          \
    bool Name::initWithTotalParticles(unsigned numberOfParticles)              \
    {                                                                          \
        if (!KSParticleSystemPoint::initWithTotalParticles(numberOfParticles)) \
            return false;                                                      \
        apply(*this, preset);                                                  \
        return true;                                                           \
    }

KS_PARTICLE_PRESET_BODY(KSParticleFireworks, kFireworks)
KS_PARTICLE_PRESET_BODY(KSParticleFire, kFire)
KS_PARTICLE_PRESET_BODY(KSParticleSun, kSun)
KS_PARTICLE_PRESET_BODY(KSParticleGalaxy, kGalaxy)
KS_PARTICLE_PRESET_BODY(KSParticleFlower, kFlower)
KS_PARTICLE_PRESET_BODY(KSParticleMeteor, kMeteor)
KS_PARTICLE_PRESET_BODY(KSParticleSpiral, kSpiral)
KS_PARTICLE_PRESET_BODY(KSParticleExplosion, kExplosion)
KS_PARTICLE_PRESET_BODY(KSParticleSmoke, kSmoke)
KS_PARTICLE_PRESET_BODY(KSParticleSnow, kSnow)
KS_PARTICLE_PRESET_BODY(KSParticleRain, kRain)

#undef KS_PARTICLE_PRESET_BODY

} // namespace kestrel
