// The quad particle renderer: every live particle becomes a textured,
// coloured, possibly rotated square of two triangles, and the whole system is
// drawn with one indexed call.
//
// Caveat: indices are 16-bit, so a quad system holds at most
// kKSParticleQuadMaxParticles particles; a larger count is refused.
#pragma once

#include "engine/KSParticleSystem.h"

namespace kestrel {

class KSSpriteFrame;

// Four vertices of 16-bit indices per particle.
inline constexpr unsigned kKSParticleQuadMaxParticles = 65536 / 4;

class KSParticleSystemQuad : public KSParticleSystem {
public:
    [[nodiscard]] static platform::Ref<KSParticleSystemQuad> particleWithFile(const std::string& plistFile);
    [[nodiscard]] static platform::Ref<KSParticleSystemQuad> particleWithTotalParticles(unsigned numberOfParticles);

    [[nodiscard]] bool initWithTotalParticles(unsigned numberOfParticles) override;

    // Gives every quad the texture coordinates of rect (texture pixels).
    void initTexCoordsWithRect(Rect rect);
    void initIndices();
    void setTexture(KSTexture2D* texture, Rect rect);
    void setTexture(KSTexture2D* texture) override;
    // Shows the frame's whole texture; frames with an offset fail the assertion.
    void setDisplayFrame(KSSpriteFrame* frame);

    // Final: update() steps with this hook inlined.
    void updateQuadWithParticle(sKSParticle* particle, Point newPosition) final;
    void update(ksTime dt) override;
    void draw() override;

    const ksV2F_C4F_T2F_Quad* quads() const { return quads_; }
    const GLushort* indices() const { return indices_; }

    std::string className() const override { return "KSParticleSystemQuad"; }

protected:
    KSParticleSystemQuad() = default;
    ~KSParticleSystemQuad() override;

    ksV2F_C4F_T2F_Quad* quads_ { nullptr };
    GLushort* indices_ { nullptr };
};

} // namespace kestrel
