// The particle emitter: a node that emits up to a fixed number of particles,
// moves each one every step by gravity or by radius (orbit) motion, fades its
// colour, size and spin over its life, and hands every live particle to a
// renderer hook. It draws nothing itself: the quad and point-sprite renderers
// subclass it.
//
// A system is set up in code or from a particle property list, whose texture
// is a file name or a base64 + zlib/gzip image embedded in the file.
// Randomness comes from the C library's random(), never seeded here.
//
// Caveat: the record array is sized once, at initialisation; setTotalParticles
// only changes how many of those records are used and never goes beyond them.
#pragma once

#include "engine/KSNode.h"
#include "engine/KSProtocols.h"
#include "engine/KSTexture2D.h"
#include "engine/ksTypes.h"
#include "platform/foundation/Value.h"

#include <cstdlib>
#include <string>

namespace kestrel {

// A duration of -1: the system emits for ever.
inline constexpr float kKSParticleDurationInfinity = -1.0f;
// An end size of -1: every particle keeps its start size.
inline constexpr float kKSParticleStartSizeEqualToEndSize = -1.0f;
// An end radius of -1: the radius stays at the start radius.
inline constexpr float kKSParticleStartRadiusEqualToEndRadius = -1.0f;

// Emitter modes.
inline constexpr int kKSParticleModeGravity = 0;
inline constexpr int kKSParticleModeRadius = 1;

// Position types: free particles stay where they were emitted in the world;
// relative ones follow moves of the emitter's own position (not of its
// parents); grouped ones are drawn in the emitter's space and move with it.
enum KSPositionType : int {
    kKSPositionTypeFree = 0,
    kKSPositionTypeRelative = 1,
    kKSPositionTypeGrouped = 2,
};

// The most particles one system may hold: larger counts (from code or from a
// file's "maxParticles") are refused rather than allocated.
inline constexpr unsigned kKSParticleSystemMaxParticles = 65536;

// One particle. Positions, sizes and speeds in pixels; colours 0..1.
struct sKSParticle {
    Point pos;
    Point startPos;
    ksColor4F color;
    ksColor4F deltaColor;
    float size { 0 };
    float deltaSize { 0 };
    float rotation { 0 };
    float deltaRotation { 0 };
    float timeToLive { 0 };

    struct GravityMode {
        Point dir;
        float radialAccel { 0 };
        float tangentialAccel { 0 };
    };
    struct RadiusMode {
        float angle { 0 };
        float degreesPerSecond { 0 };
        float radius { 0 };
        float deltaRadius { 0 };
    };
    // The system's emitter mode says which member is in use.
    union Mode {
        GravityMode A;
        RadiusMode B;
        Mode() : A() { }
    } mode;
};

class KSParticleSystem : public KSNode, public KSTextureProtocol {
public:
    // A system made from a particle property list (a bundle resource name).
    [[nodiscard]] static platform::Ref<KSParticleSystem> particleWithFile(const std::string& plistFile);

    // Refused: a system needs its particle count ("KSParticleSystem: Init not supported.").
    bool init() override;
    // Reads the file and configures from it; "Particles: file not found" when it
    // is not a property-list dictionary.
    [[nodiscard]] bool initWithFile(const std::string& plistFile);
    // Configures from a particle property list; false when the particle count
    // is refused. Malformed texture data fails the documented assertions.
    [[nodiscard]] bool initWithDictionary(const platform::Value& dictionary);
    // The designated initialiser: n records, the defaults, and the per-frame step
    // scheduled with priority 1. False for more than kKSParticleSystemMaxParticles.
    [[nodiscard]] virtual bool initWithTotalParticles(unsigned numberOfParticles);

    // Running.
    bool addParticle();
    void initParticle(sKSParticle* particle);
    // Full when every particle in use is live.
    bool isFull() const { return particleCount_ >= totalParticles_; }
    void stopSystem();
    void resetSystem();
    void update(ksTime dt) override;

    // Renderer hooks: one call per live particle per step (particleIdx() is its
    // index; the position is in pixels), then postStep once.
    virtual void updateQuadWithParticle(sKSParticle* /*particle*/, Point /*newPosition*/) { }
    virtual void postStep() { }

    // Texture and blending.
    KSTexture2D* texture() const override { return texture_.get(); }
    void setTexture(KSTexture2D* texture) override;
    ksBlendFunc blendFunc() const override { return blendFunc_; }
    void setBlendFunc(ksBlendFunc blendFunc) override { blendFunc_ = blendFunc; }
    bool blendAdditive() const;
    void setBlendAdditive(bool additive);

    // Properties.
    bool active() const { return active_; }
    unsigned particleCount() const { return particleCount_; }
    unsigned particleIdx() const { return particleIdx_; }
    float duration() const { return duration_; }
    void setDuration(float d) { duration_ = d; }
    float elapsed() const { return elapsed_; }
    Point sourcePosition() const { return sourcePosition_; }
    void setSourcePosition(Point p) { sourcePosition_ = p; }
    Point posVar() const { return posVar_; }
    void setPosVar(Point p) { posVar_ = p; }
    float life() const { return life_; }
    void setLife(float v) { life_ = v; }
    float lifeVar() const { return lifeVar_; }
    void setLifeVar(float v) { lifeVar_ = v; }
    float angle() const { return angle_; }
    void setAngle(float v) { angle_ = v; }
    float angleVar() const { return angleVar_; }
    void setAngleVar(float v) { angleVar_ = v; }
    float startSize() const { return startSize_; }
    virtual void setStartSize(float v) { startSize_ = v; }
    float startSizeVar() const { return startSizeVar_; }
    void setStartSizeVar(float v) { startSizeVar_ = v; }
    float endSize() const { return endSize_; }
    virtual void setEndSize(float v) { endSize_ = v; }
    float endSizeVar() const { return endSizeVar_; }
    void setEndSizeVar(float v) { endSizeVar_ = v; }
    ksColor4F startColor() const { return startColor_; }
    void setStartColor(ksColor4F c) { startColor_ = c; }
    ksColor4F startColorVar() const { return startColorVar_; }
    void setStartColorVar(ksColor4F c) { startColorVar_ = c; }
    ksColor4F endColor() const { return endColor_; }
    void setEndColor(ksColor4F c) { endColor_ = c; }
    ksColor4F endColorVar() const { return endColorVar_; }
    void setEndColorVar(ksColor4F c) { endColorVar_ = c; }
    float startSpin() const { return startSpin_; }
    virtual void setStartSpin(float v) { startSpin_ = v; }
    float startSpinVar() const { return startSpinVar_; }
    virtual void setStartSpinVar(float v) { startSpinVar_ = v; }
    float endSpin() const { return endSpin_; }
    virtual void setEndSpin(float v) { endSpin_ = v; }
    float endSpinVar() const { return endSpinVar_; }
    virtual void setEndSpinVar(float v) { endSpinVar_ = v; }
    float emissionRate() const { return emissionRate_; }
    void setEmissionRate(float v) { emissionRate_ = v; }
    unsigned totalParticles() const { return totalParticles_; }
    // Stores the number of records in use, never more than were allocated.
    void setTotalParticles(unsigned n);
    // The number of records allocated at initialisation.
    unsigned allocatedParticles() const { return allocatedParticles_; }
    int positionType() const { return positionType_; }
    void setPositionType(int type) { positionType_ = type; }
    bool autoRemoveOnFinish() const { return autoRemoveOnFinish_; }
    void setAutoRemoveOnFinish(bool v) { autoRemoveOnFinish_ = v; }
    int emitterMode() const { return emitterMode_; }
    void setEmitterMode(int mode) { emitterMode_ = mode; }
    const sKSParticle* particles() const { return particles_; }

    // Gravity-mode properties (assert "Particle Mode should be Gravity").
    Point gravity() const;
    void setGravity(Point g);
    float speed() const;
    void setSpeed(float v);
    float speedVar() const;
    void setSpeedVar(float v);
    float tangentialAccel() const;
    void setTangentialAccel(float v);
    float tangentialAccelVar() const;
    void setTangentialAccelVar(float v);
    float radialAccel() const;
    void setRadialAccel(float v);
    float radialAccelVar() const;
    void setRadialAccelVar(float v);

    // Radius-mode properties (assert "Particle Mode should be Radius").
    float startRadius() const;
    void setStartRadius(float v);
    float startRadiusVar() const;
    void setStartRadiusVar(float v);
    float endRadius() const;
    void setEndRadius(float v);
    float endRadiusVar() const;
    void setEndRadiusVar(float v);
    float rotatePerSecond() const;
    void setRotatePerSecond(float v);
    float rotatePerSecondVar() const;
    void setRotatePerSecondVar(float v);

    std::string className() const override { return "KSParticleSystem"; }

protected:
    // The step with the per-particle hook given (KSParticleSystemStep.h).
    template <class Hook> void stepParticles(ksTime dt, Hook&& hook);
    KSParticleSystem() = default;
    ~KSParticleSystem() override;

    void assertGravityMode() const;
    void assertRadiusMode() const;

    bool active_ { false };
    float duration_ { 0 };
    float elapsed_ { 0 };
    Point sourcePosition_ {};
    Point posVar_ {};
    float angle_ { 0 };
    float angleVar_ { 0 };
    int emitterMode_ { kKSParticleModeGravity };

    struct GravityMode {
        Point gravity;
        float speed { 0 };
        float speedVar { 0 };
        float tangentialAccel { 0 };
        float tangentialAccelVar { 0 };
        float radialAccel { 0 };
        float radialAccelVar { 0 };
    };
    struct RadiusMode {
        float startRadius { 0 };
        float startRadiusVar { 0 };
        float endRadius { 0 };
        float endRadiusVar { 0 };
        float rotatePerSecond { 0 };
        float rotatePerSecondVar { 0 };
    };
    union Mode {
        GravityMode A;
        RadiusMode B;
        Mode() : A() { }
    } mode_;

    float startSize_ { 0 };
    float startSizeVar_ { 0 };
    float endSize_ { 0 };
    float endSizeVar_ { 0 };
    float life_ { 0 };
    float lifeVar_ { 0 };
    ksColor4F startColor_ {};
    ksColor4F startColorVar_ {};
    ksColor4F endColor_ {};
    ksColor4F endColorVar_ {};
    float startSpin_ { 0 };
    float startSpinVar_ { 0 };
    float endSpin_ { 0 };
    float endSpinVar_ { 0 };
    // totalParticles_ records in use out of allocatedParticles_; the live ones
    // are the first particleCount_.
    sKSParticle* particles_ { nullptr };
    unsigned totalParticles_ { 0 };
    unsigned allocatedParticles_ { 0 };
    unsigned particleCount_ { 0 };
    float emissionRate_ { 0 };
    float emitCounter_ { 0 };
    platform::Ref<KSTexture2D> texture_;
    ksBlendFunc blendFunc_ { KS_BLEND_SRC, KS_BLEND_DST };
    int positionType_ { kKSPositionTypeFree };
    bool autoRemoveOnFinish_ { false };
    unsigned particleIdx_ { 0 };

private:
    void loadTextureFromDictionary(const platform::Value& dictionary);
};

// The random factor of every variance: random() scaled to [-1, 1].
inline float ksRandomSigned()
{
    return static_cast<float>(random()) / 1073741824.0f - 1.0f;
}

} // namespace kestrel
