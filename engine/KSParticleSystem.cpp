// The particle emitter: set-up from code or a particle property list, emission,
// the per-step motion of every live particle, and the texture and blend rules
// that the renderers share.
#include "engine/KSParticleSystem.h"
#include "engine/KSParticleSystemStep.h"

#include "engine/KSTextureCache.h"
#include "engine/Support/Base64.h"
#include "engine/Support/Compression.h"
#include "engine/Support/KSFileUtils.h"
#include "engine/Support/PointMath.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/Image.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace kestrel {

using platform::Ref;
using platform::Value;

namespace {

// Degrees to radians, with the constant the step has always used.
constexpr float kDegreesToRadians = 0.017453292f;

inline float clamp01(float v)
{
    return std::min(std::max(v, 0.0f), 1.0f);
}

// Change per second over a life; a particle with no life left changes nothing
// (it dies in the next step before the change is ever applied).
inline float perSecond(float change, float timeToLive)
{
    return timeToLive > 0 ? change / timeToLive : 0.0f;
}

struct FreeDeleter {
    void operator()(unsigned char* p) const { std::free(p); }
};
using MallocBuffer = std::unique_ptr<unsigned char, FreeDeleter>;

} // namespace

Ref<KSParticleSystem> KSParticleSystem::particleWithFile(const std::string& plistFile)
{
    auto system = adoptRef(new KSParticleSystem);
    return system->initWithFile(plistFile) ? system : nullptr;
}

KSParticleSystem::~KSParticleSystem()
{
    std::free(particles_);
}

bool KSParticleSystem::init()
{
    BRISKO_ASSERT(false, "KSParticleSystem: Init not supported.");
    return false;
}

bool KSParticleSystem::initWithFile(const std::string& plistFile)
{
    // A missing or refused file is no system (the log has named it); a file
    // that is there but holds no particle dictionary fails the assertion.
    const std::string path = KSFileUtils::fullPathFromRelativePath(plistFile);
    std::optional<platform::Bytes> contents = platform::path::readFile(path);
    if (!contents)
        return false;
    std::optional<Value> dictionary = platform::readPropertyList(contents->data(), contents->size());
    BRISKO_ASSERT(dictionary && dictionary->isDictionary(), "Particles: file not found");
    return initWithDictionary(*dictionary);
}

bool KSParticleSystem::initWithDictionary(const Value& dictionary)
{
    // A count outside 0..kKSParticleSystemMaxParticles (negative, or so large that
    // the buffers would be absurd) is refused before anything is allocated.
    const int64_t maxParticles = dictionary["maxParticles"].asInteger();
    if (maxParticles < 0 || maxParticles > static_cast<int64_t>(kKSParticleSystemMaxParticles)) {
        platform::logError("kestrel: Particle system: maxParticles %lld is outside 0..%u",
                           static_cast<long long>(maxParticles), kKSParticleSystemMaxParticles);
        return false;
    }
    if (!initWithTotalParticles(static_cast<unsigned>(maxParticles)))
        return false;

    // A failed assertion below must not leave the half-made system in the scheduler.
    try {
        angle_ = dictionary["angle"].asFloat();
        angleVar_ = dictionary["angleVariance"].asFloat();
        duration_ = dictionary["duration"].asFloat();
        blendFunc_.src = static_cast<GLenum>(dictionary["blendFuncSource"].asInt());
        blendFunc_.dst = static_cast<GLenum>(dictionary["blendFuncDestination"].asInt());

        auto color = [&dictionary](const char* prefix) {
            const std::string p(prefix);
            return ksColor4F { dictionary[p + "Red"].asFloat(), dictionary[p + "Green"].asFloat(),
                               dictionary[p + "Blue"].asFloat(), dictionary[p + "Alpha"].asFloat() };
        };
        startColor_ = color("startColor");
        startColorVar_ = color("startColorVariance");
        endColor_ = color("finishColor");
        endColorVar_ = color("finishColorVariance");

        startSize_ = dictionary["startParticleSize"].asFloat();
        startSizeVar_ = dictionary["startParticleSizeVariance"].asFloat();
        endSize_ = dictionary["finishParticleSize"].asFloat();
        endSizeVar_ = dictionary["finishParticleSizeVariance"].asFloat();

        setPosition(Point(dictionary["sourcePositionx"].asFloat(), dictionary["sourcePositiony"].asFloat()));
        posVar_ = Point(dictionary["sourcePositionVariancex"].asFloat(),
                        dictionary["sourcePositionVariancey"].asFloat());

        emitterMode_ = dictionary["emitterType"].asInt();
        if (emitterMode_ == kKSParticleModeGravity) {
            mode_.A.gravity = Point(dictionary["gravityx"].asFloat(), dictionary["gravityy"].asFloat());
            mode_.A.speed = dictionary["speed"].asFloat();
            mode_.A.speedVar = dictionary["speedVariance"].asFloat();
            mode_.A.radialAccel = dictionary["radialAcceleration"].asFloat();
            mode_.A.radialAccelVar = dictionary["radialAccelVariance"].asFloat();
            mode_.A.tangentialAccel = dictionary["tangentialAcceleration"].asFloat();
            mode_.A.tangentialAccelVar = dictionary["tangentialAccelVariance"].asFloat();
        } else if (emitterMode_ == kKSParticleModeRadius) {
            mode_.B = RadiusMode {};
            mode_.B.startRadius = dictionary["maxRadius"].asFloat();
            mode_.B.startRadiusVar = dictionary["maxRadiusVariance"].asFloat();
            mode_.B.endRadius = dictionary["minRadius"].asFloat();
            mode_.B.endRadiusVar = 0;
            mode_.B.rotatePerSecond = dictionary["rotatePerSecond"].asFloat();
            mode_.B.rotatePerSecondVar = dictionary["rotatePerSecondVariance"].asFloat();
        } else {
            BRISKO_ASSERT(false, "Invalid emitterType in config file");
        }

        life_ = dictionary["particleLifespan"].asFloat();
        lifeVar_ = dictionary["particleLifespanVariance"].asFloat();
        emissionRate_ = static_cast<float>(totalParticles_) / life_;

        loadTextureFromDictionary(dictionary);
        BRISKO_ASSERT(texture_ != nullptr, "KSParticleSystem: error loading the texture");
    } catch (...) {
        unscheduleUpdate();
        throw;
    }
    return true;
}

void KSParticleSystem::loadTextureFromDictionary(const Value& dictionary)
{
    const Value& nameValue = dictionary["textureFileName"];
    const std::string textureName = nameValue.isString() ? nameValue.string() : std::string();
    KSTextureCache* cache = KSTextureCache::sharedTextureCache();
    // A file without a name cannot be looked up (the cache refuses empty names).
    if (!textureName.empty())
        if (Ref<KSTexture2D> texture = cache->addImage(textureName)) {
            setTexture(texture.get());
            return;
        }

    const Value& dataValue = dictionary["textureImageData"];
    if (!dataValue.isString() || dataValue.string().empty())
        return;
    const std::string& text = dataValue.string();
    if (text.size() > kKSInflateMaxLength)
        return;

    unsigned char* raw = nullptr;
    const unsigned decodedLength =
        ksBase64Decode(reinterpret_cast<const unsigned char*>(text.data()), static_cast<unsigned>(text.size()), &raw);
    MallocBuffer decoded(raw);
    BRISKO_ASSERT(decoded != nullptr, "KSParticleSystem: error decoding textureImageData");

    unsigned char* inflatedRaw = nullptr;
    const unsigned inflatedLength = ksInflateBuffer(decoded.get(), decodedLength, &inflatedRaw);
    MallocBuffer inflated(inflatedRaw);
    BRISKO_ASSERT(inflated != nullptr, "KSParticleSystem: error ungzipping textureImageData");
    decoded.reset();

    // Bytes that are no image leave the system without a texture, which the
    // caller reports; the cache never sees a missing image.
    Ref<platform::Image> image = platform::Image::imageWithData(inflated.get(), inflatedLength);
    inflated.reset();
    if (!image)
        return;
    if (Ref<KSTexture2D> texture = cache->addCGImage(image.get(), textureName))
        setTexture(texture.get());
}

bool KSParticleSystem::initWithTotalParticles(unsigned numberOfParticles)
{
    if (!KSNode::init())
        return false;
    if (numberOfParticles > kKSParticleSystemMaxParticles) {
        platform::logError("kestrel: Particle system: %u particles is more than the %u a system may hold",
                           numberOfParticles, kKSParticleSystemMaxParticles);
        return false;
    }
    // calloc checks count x size for overflow; one record at least, so that an
    // empty system still has a valid array.
    particles_ = static_cast<sKSParticle*>(std::calloc(std::max(numberOfParticles, 1u), sizeof(sKSParticle)));
    if (!particles_) {
        platform::log("Particle system: not enough memory");
        return false;
    }
    totalParticles_ = allocatedParticles_ = numberOfParticles;

    active_ = true;
    duration_ = 0;
    elapsed_ = 0;
    sourcePosition_ = Point();
    posVar_ = Point();
    angle_ = angleVar_ = 0;
    emitterMode_ = kKSParticleModeGravity;
    mode_.A = GravityMode {};
    startSize_ = startSizeVar_ = endSize_ = endSizeVar_ = 0;
    life_ = lifeVar_ = 0;
    startColor_ = startColorVar_ = endColor_ = endColorVar_ = ksColor4F {};
    startSpin_ = startSpinVar_ = endSpin_ = endSpinVar_ = 0;
    particleCount_ = 0;
    emissionRate_ = 0;
    emitCounter_ = 0;
    blendFunc_ = { KS_BLEND_SRC, KS_BLEND_DST };
    positionType_ = kKSPositionTypeFree;
    autoRemoveOnFinish_ = false;
    particleIdx_ = 0;

    scheduleUpdateWithPriority(1);
    return true;
}

void KSParticleSystem::setTotalParticles(unsigned n)
{
    totalParticles_ = std::min(n, allocatedParticles_);
}

// ---------------------------------------------------------------------------
// Emission

bool KSParticleSystem::addParticle()
{
    if (isFull() || particleCount_ >= allocatedParticles_)
        return false;
    initParticle(&particles_[particleCount_]);
    ++particleCount_;
    return true;
}

void KSParticleSystem::initParticle(sKSParticle* p)
{
    const float s = ksContentScaleFactor();

    p->timeToLive = std::max(0.0f, life_ + lifeVar_ * ksRandomSigned());
    const float ttl = p->timeToLive;

    // Two statements: x is drawn before y.
    p->pos.x = (sourcePosition_.x + posVar_.x * ksRandomSigned()) * s;
    p->pos.y = (sourcePosition_.y + posVar_.y * ksRandomSigned()) * s;

    ksColor4F start;
    start.r = clamp01(startColor_.r + startColorVar_.r * ksRandomSigned());
    start.g = clamp01(startColor_.g + startColorVar_.g * ksRandomSigned());
    start.b = clamp01(startColor_.b + startColorVar_.b * ksRandomSigned());
    start.a = clamp01(startColor_.a + startColorVar_.a * ksRandomSigned());
    ksColor4F end;
    end.r = clamp01(endColor_.r + endColorVar_.r * ksRandomSigned());
    end.g = clamp01(endColor_.g + endColorVar_.g * ksRandomSigned());
    end.b = clamp01(endColor_.b + endColorVar_.b * ksRandomSigned());
    end.a = clamp01(endColor_.a + endColorVar_.a * ksRandomSigned());
    p->color = start;
    p->deltaColor = { perSecond(end.r - start.r, ttl), perSecond(end.g - start.g, ttl),
                      perSecond(end.b - start.b, ttl), perSecond(end.a - start.a, ttl) };

    const float startSize = std::max(0.0f, startSize_ + startSizeVar_ * ksRandomSigned()) * s;
    p->size = startSize;
    if (endSize_ == kKSParticleStartSizeEqualToEndSize) {
        p->deltaSize = 0;
    } else {
        const float endSize = std::max(0.0f, endSize_ + endSizeVar_ * ksRandomSigned()) * s;
        p->deltaSize = perSecond(endSize - startSize, ttl);
    }

    const float startSpin = startSpin_ + startSpinVar_ * ksRandomSigned();
    const float endSpin = endSpin_ + endSpinVar_ * ksRandomSigned();
    p->rotation = startSpin;
    p->deltaRotation = perSecond(endSpin - startSpin, ttl);

    if (positionType_ == kKSPositionTypeFree)
        p->startPos = ksPointMult(convertToWorldSpace(Point()), s);
    else if (positionType_ == kKSPositionTypeRelative)
        p->startPos = ksPointMult(position_, s);

    const float a = (angle_ + angleVar_ * ksRandomSigned()) * kDegreesToRadians;

    if (emitterMode_ == kKSParticleModeGravity) {
        const float v = (mode_.A.speed + mode_.A.speedVar * ksRandomSigned()) * s;
        p->mode.A.dir = Point(cosf(a) * v, sinf(a) * v);
        p->mode.A.radialAccel = (mode_.A.radialAccel + mode_.A.radialAccelVar * ksRandomSigned()) * s;
        p->mode.A.tangentialAccel = (mode_.A.tangentialAccel + mode_.A.tangentialAccelVar * ksRandomSigned()) * s;
    } else {
        const float startRadiusFactor = ksRandomSigned();
        const float endRadiusFactor = ksRandomSigned();
        p->mode.B.radius = (mode_.B.startRadius + mode_.B.startRadiusVar * startRadiusFactor) * s;
        if (mode_.B.endRadius == kKSParticleStartRadiusEqualToEndRadius) {
            p->mode.B.deltaRadius = 0;
        } else {
            const float endRadius = (mode_.B.endRadius + mode_.B.endRadiusVar * endRadiusFactor) * s;
            p->mode.B.deltaRadius = perSecond(endRadius - p->mode.B.radius, ttl);
        }
        p->mode.B.angle = a;
        p->mode.B.degreesPerSecond =
            (mode_.B.rotatePerSecond + mode_.B.rotatePerSecondVar * ksRandomSigned()) * kDegreesToRadians;
    }
}

void KSParticleSystem::stopSystem()
{
    active_ = false;
    elapsed_ = duration_;
    emitCounter_ = 0;
}

void KSParticleSystem::resetSystem()
{
    active_ = true;
    elapsed_ = 0;
    for (particleIdx_ = 0; particleIdx_ < particleCount_; ++particleIdx_)
        particles_[particleIdx_].timeToLive = 0;
}

// ---------------------------------------------------------------------------
// The step

void KSParticleSystem::update(ksTime dt)
{
    stepParticles(dt, [this](sKSParticle* p, Point position, unsigned index) {
        particleIdx_ = index;
        updateQuadWithParticle(p, position);
    });
}

// ---------------------------------------------------------------------------
// Texture and blending

void KSParticleSystem::setTexture(KSTexture2D* texture)
{
    texture_ = texture;
    if (texture && !texture->hasPremultipliedAlpha() && blendFunc_.src == KS_BLEND_SRC
        && blendFunc_.dst == KS_BLEND_DST) {
        blendFunc_ = { GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA };
    }
}

bool KSParticleSystem::blendAdditive() const
{
    return blendFunc_.src == GL_SRC_ALPHA && blendFunc_.dst == GL_ONE;
}

void KSParticleSystem::setBlendAdditive(bool additive)
{
    if (additive)
        blendFunc_ = { GL_SRC_ALPHA, GL_ONE };
    else if (texture_ && !texture_->hasPremultipliedAlpha())
        blendFunc_ = { GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA };
    else
        blendFunc_ = { KS_BLEND_SRC, KS_BLEND_DST };
}

// ---------------------------------------------------------------------------
// Mode properties

void KSParticleSystem::assertGravityMode() const
{
    BRISKO_ASSERT(emitterMode_ == kKSParticleModeGravity, "Particle Mode should be Gravity");
}

void KSParticleSystem::assertRadiusMode() const
{
    BRISKO_ASSERT(emitterMode_ == kKSParticleModeRadius, "Particle Mode should be Radius");
}

#define KS_MODE_PROPERTY(Type, getter, setter, member, check) \
    Type KSParticleSystem::getter() const                     \
    {                                                         \
        check();                                              \
        return mode_.member;                                  \
    }                                                         \
    void KSParticleSystem::setter(Type value)                 \
    {                                                         \
        check();                                              \
        mode_.member = value;                                 \
    }

KS_MODE_PROPERTY(Point, gravity, setGravity, A.gravity, assertGravityMode)
KS_MODE_PROPERTY(float, speed, setSpeed, A.speed, assertGravityMode)
KS_MODE_PROPERTY(float, speedVar, setSpeedVar, A.speedVar, assertGravityMode)
KS_MODE_PROPERTY(float, tangentialAccel, setTangentialAccel, A.tangentialAccel, assertGravityMode)
KS_MODE_PROPERTY(float, tangentialAccelVar, setTangentialAccelVar, A.tangentialAccelVar, assertGravityMode)
KS_MODE_PROPERTY(float, radialAccel, setRadialAccel, A.radialAccel, assertGravityMode)
KS_MODE_PROPERTY(float, radialAccelVar, setRadialAccelVar, A.radialAccelVar, assertGravityMode)
KS_MODE_PROPERTY(float, startRadius, setStartRadius, B.startRadius, assertRadiusMode)
KS_MODE_PROPERTY(float, startRadiusVar, setStartRadiusVar, B.startRadiusVar, assertRadiusMode)
KS_MODE_PROPERTY(float, endRadius, setEndRadius, B.endRadius, assertRadiusMode)
KS_MODE_PROPERTY(float, endRadiusVar, setEndRadiusVar, B.endRadiusVar, assertRadiusMode)
KS_MODE_PROPERTY(float, rotatePerSecond, setRotatePerSecond, B.rotatePerSecond, assertRadiusMode)
KS_MODE_PROPERTY(float, rotatePerSecondVar, setRotatePerSecondVar, B.rotatePerSecondVar, assertRadiusMode)

#undef KS_MODE_PROPERTY

} // namespace kestrel
