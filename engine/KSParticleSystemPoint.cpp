// The point-sprite particle renderer: one sprite record per live particle,
// drawn as GL points with the OES point-sprite and point-size-array extensions.
#include "engine/KSParticleSystemPoint.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLExtensions.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace kestrel {

using platform::Ref;

static_assert(sizeof(ksPointSprite) == 28, "the vertex stride given to GL");
static_assert(offsetof(ksPointSprite, colors) == 8 && offsetof(ksPointSprite, size) == 24);

Ref<KSParticleSystemPoint> KSParticleSystemPoint::particleWithFile(const std::string& plistFile)
{
    auto system = adoptRef(new KSParticleSystemPoint);
    return system->initWithFile(plistFile) ? system : nullptr;
}

Ref<KSParticleSystemPoint> KSParticleSystemPoint::particleWithTotalParticles(unsigned numberOfParticles)
{
    auto system = adoptRef(new KSParticleSystemPoint);
    return system->initWithTotalParticles(numberOfParticles) ? system : nullptr;
}

KSParticleSystemPoint::~KSParticleSystemPoint()
{
    std::free(vertices_);
}

bool KSParticleSystemPoint::initWithTotalParticles(unsigned numberOfParticles)
{
    if (!KSParticleSystem::initWithTotalParticles(numberOfParticles))
        return false;
    vertices_ = static_cast<ksPointSprite*>(std::calloc(std::max(allocatedParticles_, 1u), sizeof(ksPointSprite)));
    if (!vertices_) {
        platform::log("kestrel: Particle system: not enough memory");
        unscheduleUpdate();
        return false;
    }
    return true;
}

void KSParticleSystemPoint::updateQuadWithParticle(sKSParticle* p, Point newPosition)
{
    ksPointSprite& v = vertices_[particleIdx_];
    v.pos = { newPosition.x, newPosition.y };
    v.size = p->size;
    v.colors = p->color;
}

void KSParticleSystemPoint::draw()
{
    if (particleIdx_ == 0)
        return;
    // Without the point-size-array entry point there is no way to draw the sizes.
    const auto pointSizePointer = platform::glEntryPoints().pointSizePointerOES;
    if (!pointSizePointer)
        return;

    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);
    glEnable(GL_POINT_SPRITE_OES);
    glTexEnvi(GL_POINT_SPRITE_OES, GL_COORD_REPLACE_OES, GL_TRUE);

    const auto* base = reinterpret_cast<const GLubyte*>(vertices_);
    constexpr GLsizei stride = sizeof(ksPointSprite);
    glVertexPointer(2, GL_FLOAT, stride, base + offsetof(ksPointSprite, pos));
    glColorPointer(4, GL_FLOAT, stride, base + offsetof(ksPointSprite, colors));
    glEnableClientState(GL_POINT_SIZE_ARRAY_OES);
    pointSizePointer(GL_FLOAT, stride, base + offsetof(ksPointSprite, size));

    const bool newBlend = blendFunc_.src != KS_BLEND_SRC || blendFunc_.dst != KS_BLEND_DST;
    if (newBlend)
        glBlendFunc(blendFunc_.src, blendFunc_.dst);

    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(particleIdx_));

    if (newBlend)
        glBlendFunc(KS_BLEND_SRC, KS_BLEND_DST);

    glDisableClientState(GL_POINT_SIZE_ARRAY_OES);
    glDisable(GL_POINT_SPRITE_OES);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

void KSParticleSystemPoint::setStartSize(float size)
{
    BRISKO_ASSERT(size >= 0 && size <= 64, "PointParticleSystem only supports 0 <= size <= 64");
    KSParticleSystem::setStartSize(size);
}

void KSParticleSystemPoint::setEndSize(float size)
{
    BRISKO_ASSERT(size == kKSParticleStartSizeEqualToEndSize || (size >= 0 && size <= 64),
                  "PointParticleSystem only supports 0 <= size <= 64");
    KSParticleSystem::setEndSize(size);
}

// Points never spin: each spin setter accepts only 0, kept as the start spin.
void KSParticleSystemPoint::setStartSpin(float spin)
{
    BRISKO_ASSERT(spin == 0, "PointParticleSystem doesn't support spinning");
    KSParticleSystem::setStartSpin(spin);
}

void KSParticleSystemPoint::setStartSpinVar(float spin)
{
    BRISKO_ASSERT(spin == 0, "PointParticleSystem doesn't support spinning");
    KSParticleSystem::setStartSpin(spin);
}

void KSParticleSystemPoint::setEndSpin(float spin)
{
    BRISKO_ASSERT(spin == 0, "PointParticleSystem doesn't support spinning");
    KSParticleSystem::setStartSpin(spin);
}

void KSParticleSystemPoint::setEndSpinVar(float spin)
{
    BRISKO_ASSERT(spin == 0, "PointParticleSystem doesn't support spinning");
    KSParticleSystem::setStartSpin(spin);
}

} // namespace kestrel
