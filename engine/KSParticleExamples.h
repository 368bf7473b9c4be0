// Eleven ready-made particle effects, each a point-sprite system in gravity
// mode with its own preset values and the texture "fire.png" from the bundle:
// fireworks, fire, sun, galaxy, flower, meteor, spiral, explosion, smoke, snow
// and rain.
//
// node() makes one with the effect's own particle count and places it on the
// window (from the director's win size at that moment);
// particleWithTotalParticles() keeps every value but the count and the
// emission rate that follows from it.
#pragma once

#include "engine/KSParticleSystemPoint.h"

namespace kestrel {

#define KS_PARTICLE_PRESET(Name)                                                              \
    class Name : public KSParticleSystemPoint {                                               \
    public:                                                                                   \
        [[nodiscard]] static platform::Ref<Name> node();                                                    \
        [[nodiscard]] static platform::Ref<Name> particleWithTotalParticles(unsigned numberOfParticles);     \
        bool init() override;                                                                 \
        [[nodiscard]] bool initWithTotalParticles(unsigned numberOfParticles) override;                     \
        std::string className() const override { return #Name; }                              \
                                                                                              \
    protected:                                                                                \
        Name() = default;                                                                     \
    };

KS_PARTICLE_PRESET(KSParticleFireworks)
KS_PARTICLE_PRESET(KSParticleFire)
KS_PARTICLE_PRESET(KSParticleSun)
KS_PARTICLE_PRESET(KSParticleGalaxy)
KS_PARTICLE_PRESET(KSParticleFlower)
KS_PARTICLE_PRESET(KSParticleMeteor)
KS_PARTICLE_PRESET(KSParticleSpiral)
KS_PARTICLE_PRESET(KSParticleExplosion)
KS_PARTICLE_PRESET(KSParticleSmoke)
KS_PARTICLE_PRESET(KSParticleSnow)
KS_PARTICLE_PRESET(KSParticleRain)

#undef KS_PARTICLE_PRESET

} // namespace kestrel
