// The quad particle renderer: fills one quad per live particle in the step and
// draws them all with the fixed index buffer.
#include "engine/KSParticleSystemQuad.h"
#include "engine/KSParticleSystemStep.h"

#include "engine/KSSpriteFrame.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstddef>

namespace kestrel {

using platform::Ref;

static_assert(sizeof(ksV2F_C4F_T2F) == 32, "the vertex stride given to GL");
static_assert(sizeof(ksV2F_C4F_T2F_Quad) == 128);
static_assert(offsetof(ksV2F_C4F_T2F, colors) == 8 && offsetof(ksV2F_C4F_T2F, texCoords) == 24);

Ref<KSParticleSystemQuad> KSParticleSystemQuad::particleWithFile(const std::string& plistFile)
{
    auto system = adoptRef(new KSParticleSystemQuad);
    return system->initWithFile(plistFile) ? system : nullptr;
}

Ref<KSParticleSystemQuad> KSParticleSystemQuad::particleWithTotalParticles(unsigned numberOfParticles)
{
    auto system = adoptRef(new KSParticleSystemQuad);
    return system->initWithTotalParticles(numberOfParticles) ? system : nullptr;
}

KSParticleSystemQuad::~KSParticleSystemQuad()
{
    std::free(quads_);
    std::free(indices_);
}

bool KSParticleSystemQuad::initWithTotalParticles(unsigned numberOfParticles)
{
    if (numberOfParticles > kKSParticleQuadMaxParticles) {
        platform::logError("kestrel: Particle system: %u quads is more than 16-bit indices can address (at most %u)",
                           numberOfParticles, kKSParticleQuadMaxParticles);
        return false;
    }
    if (!KSParticleSystem::initWithTotalParticles(numberOfParticles))
        return false;
    const size_t n = std::max(allocatedParticles_, 1u);
    quads_ = static_cast<ksV2F_C4F_T2F_Quad*>(std::calloc(n, sizeof(ksV2F_C4F_T2F_Quad)));
    indices_ = static_cast<GLushort*>(std::calloc(n * 6, sizeof(GLushort)));
    if (!quads_ || !indices_) {
        platform::log("kestrel: Particle system: not enough memory");
        std::free(quads_);
        std::free(indices_);
        quads_ = nullptr;
        indices_ = nullptr;
        unscheduleUpdate();
        return false;
    }
    if (texture_)
        initTexCoordsWithRect(Rect(0, 0, static_cast<float>(texture_->pixelsWide()),
                                   static_cast<float>(texture_->pixelsHigh())));
    initIndices();
    return true;
}

void KSParticleSystemQuad::initTexCoordsWithRect(Rect rect)
{
    // Without a texture there is nothing to map to; the first setTexture sets them.
    if (!texture_ || texture_->pixelsWide() == 0 || texture_->pixelsHigh() == 0)
        return;
    const float wide = static_cast<float>(texture_->pixelsWide());
    const float high = static_cast<float>(texture_->pixelsHigh());
    const float left = rect.origin.x / wide;
    const float right = left + rect.size.width / wide;
    const float top = rect.origin.y / high;
    const float bottom = top + rect.size.height / high;
    for (unsigned i = 0; i < allocatedParticles_; ++i) {
        ksV2F_C4F_T2F_Quad& q = quads_[i];
        q.bl.texCoords = { left, bottom };
        q.br.texCoords = { right, bottom };
        q.tl.texCoords = { left, top };
        q.tr.texCoords = { right, top };
    }
}

void KSParticleSystemQuad::initIndices()
{
    for (unsigned i = 0; i < allocatedParticles_; ++i) {
        const unsigned i6 = i * 6;
        const GLushort j = static_cast<GLushort>(i * 4);
        indices_[i6 + 0] = j;
        indices_[i6 + 1] = j + 1;
        indices_[i6 + 2] = j + 2;
        indices_[i6 + 3] = j + 3;
        indices_[i6 + 4] = j + 2;
        indices_[i6 + 5] = j + 1;
    }
}

void KSParticleSystemQuad::setTexture(KSTexture2D* texture, Rect rect)
{
    const GLuint newName = texture ? texture->name() : 0;
    const GLuint currentName = texture_ ? texture_->name() : 0;
    if (newName != currentName)
        KSParticleSystem::setTexture(texture);
    initTexCoordsWithRect(rect);
}

void KSParticleSystemQuad::setTexture(KSTexture2D* texture)
{
    Rect rect;
    if (texture)
        rect = Rect(0, 0, static_cast<float>(texture->pixelsWide()), static_cast<float>(texture->pixelsHigh()));
    setTexture(texture, rect);
}

void KSParticleSystemQuad::setDisplayFrame(KSSpriteFrame* frame)
{
    BRISKO_ASSERT(frame && frame->offsetInPixels() == Point(), "QuadParticle only supports SpriteFrames with no offsets");
    KSTexture2D* texture = frame->texture();
    const GLuint newName = texture ? texture->name() : 0;
    const GLuint currentName = texture_ ? texture_->name() : 0;
    if (newName != currentName)
        setTexture(texture);
}

namespace {

// One particle's quad: its colour at the four corners, its square (turned when
// the particle spins) around the position. Inlined into the step.
[[gnu::always_inline]] inline void writeQuad(ksV2F_C4F_T2F_Quad& quad, const sKSParticle* p, Point newPosition)
{
    const ksColor4F color = p->color;
    quad.bl.colors = color;
    quad.br.colors = color;
    quad.tl.colors = color;
    quad.tr.colors = color;

    const float size2 = p->size / 2;
    const float x = newPosition.x;
    const float y = newPosition.y;
    if (p->rotation != 0) {
        const float x1 = -size2, y1 = -size2;
        const float x2 = size2, y2 = size2;
        const float r = -p->rotation * 0.017453292f;
        const float cr = cosf(r);
        const float sr = sinf(r);
        quad.bl.vertices = { x1 * cr - y1 * sr + x, x1 * sr + y1 * cr + y };
        quad.br.vertices = { x2 * cr - y1 * sr + x, x2 * sr + y1 * cr + y };
        quad.tr.vertices = { x2 * cr - y2 * sr + x, x2 * sr + y2 * cr + y };
        quad.tl.vertices = { x1 * cr - y2 * sr + x, x1 * sr + y2 * cr + y };
    } else {
        quad.bl.vertices = { x - size2, y - size2 };
        quad.br.vertices = { x + size2, y - size2 };
        quad.tl.vertices = { x - size2, y + size2 };
        quad.tr.vertices = { x + size2, y + size2 };
    }
}

} // namespace

void KSParticleSystemQuad::updateQuadWithParticle(sKSParticle* p, Point newPosition)
{
    writeQuad(quads_[particleIdx_], p, newPosition);
}

void KSParticleSystemQuad::update(ksTime dt)
{
    ksV2F_C4F_T2F_Quad* const quads = quads_;
    stepParticles(dt, [quads](sKSParticle* p, Point position, unsigned index) { writeQuad(quads[index], p, position); });
}

void KSParticleSystemQuad::draw()
{
    glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->name() : 0);

    const auto* base = reinterpret_cast<const GLubyte*>(quads_);
    constexpr GLsizei stride = sizeof(ksV2F_C4F_T2F);
    glVertexPointer(2, GL_FLOAT, stride, base + offsetof(ksV2F_C4F_T2F, vertices));
    glColorPointer(4, GL_FLOAT, stride, base + offsetof(ksV2F_C4F_T2F, colors));
    glTexCoordPointer(2, GL_FLOAT, stride, base + offsetof(ksV2F_C4F_T2F, texCoords));

    const bool newBlend = blendFunc_.src != KS_BLEND_SRC || blendFunc_.dst != KS_BLEND_DST;
    if (newBlend)
        glBlendFunc(blendFunc_.src, blendFunc_.dst);

    BRISKO_ASSERT(particleIdx_ == particleCount_, "Abnormal error in particle quad");
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(particleIdx_ * 6), GL_UNSIGNED_SHORT, indices_);

    if (newBlend)
        glBlendFunc(KS_BLEND_SRC, KS_BLEND_DST);
}

} // namespace kestrel
