// The point-sprite particle renderer: every live particle becomes one point
// sprite whose size comes from a per-vertex size array, drawn in one call.
//
// Caveat: point sizes are limited, so start and end sizes must lie in 0..64,
// and point sprites never spin (the spin setters accept only 0).
#pragma once

#include "engine/KSParticleSystem.h"

namespace kestrel {

class KSParticleSystemPoint : public KSParticleSystem {
public:
    [[nodiscard]] static platform::Ref<KSParticleSystemPoint> particleWithFile(const std::string& plistFile);
    [[nodiscard]] static platform::Ref<KSParticleSystemPoint> particleWithTotalParticles(unsigned numberOfParticles);

    [[nodiscard]] bool initWithTotalParticles(unsigned numberOfParticles) override;

    void updateQuadWithParticle(sKSParticle* particle, Point newPosition) override;
    void draw() override;

    void setStartSize(float size) override;
    void setEndSize(float size) override;
    void setStartSpin(float spin) override;
    void setStartSpinVar(float spin) override;
    void setEndSpin(float spin) override;
    void setEndSpinVar(float spin) override;

    const ksPointSprite* vertices() const { return vertices_; }

    std::string className() const override { return "KSParticleSystemPoint"; }

protected:
    KSParticleSystemPoint() = default;
    ~KSParticleSystemPoint() override;

    ksPointSprite* vertices_ { nullptr };
};

} // namespace kestrel
