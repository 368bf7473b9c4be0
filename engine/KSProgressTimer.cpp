// KSProgressTimer: builds a triangle fan (radial types) or a four-vertex strip
// (bar types) over the sprite's image for the current percentage, and draws
// it with the sprite's texture, colour and blend function.
#include "engine/KSProgressTimer.h"

#include "engine/KSSprite.h"
#include "engine/KSTextureCache.h"
#include "engine/Support/PointMath.h"
#include "platform/foundation/Exception.h"

#include <algorithm>
#include <cfloat>
#include <cstddef>
#include <new>

using platform::Ref;

namespace kestrel {

namespace {

// The corner table of boundaryTexCoord, two bits per corner.
constexpr unsigned kProgressTextureCoords = 0x1E;

float bit(unsigned value, int index)
{
    return static_cast<float>((value >> index) & 1u);
}

void allocateVertices(std::vector<ksV2F_C4F_T2F>& vertices, size_t count)
{
    bool allocated = true;
    try {
        vertices.assign(count, ksV2F_C4F_T2F {});
    } catch (const std::bad_alloc&) {
        allocated = false;
    }
    BRISKO_ASSERT(allocated, "KSProgressTimer. Not enough memory");
}

bool isRadial(int type)
{
    return type == kKSProgressTimerTypeRadialCCW || type == kKSProgressTimerTypeRadialCW;
}

} // namespace

Ref<KSProgressTimer> KSProgressTimer::progressWithFile(const std::string& filename)
{
    auto p = platform::adoptRef(new KSProgressTimer);
    return p->initWithFile(filename) ? p : nullptr;
}

Ref<KSProgressTimer> KSProgressTimer::progressWithTexture(KSTexture2D* texture)
{
    auto p = platform::adoptRef(new KSProgressTimer);
    return p->initWithTexture(texture) ? p : nullptr;
}

bool KSProgressTimer::initWithFile(const std::string& filename)
{
    auto texture = KSTextureCache::sharedTextureCache()->addImage(filename);
    return texture && initWithTexture(texture.get());
}

bool KSProgressTimer::initWithTexture(KSTexture2D* texture)
{
    if (!KSNode::init())
        return false;
    auto sprite = KSSprite::spriteWithTexture(texture);
    if (!sprite)
        return false;
    setSprite(sprite.get());
    percentage_ = 0;
    vertexData_.clear();
    setAnchorPoint({ 0.5f, 0.5f });
    setContentSize(sprite_->contentSize());
    setType(kKSProgressTimerTypeRadialCCW);
    return true;
}

void KSProgressTimer::setPercentage(float percentage)
{
    if (percentage_ == percentage)
        return;
    percentage_ = std::clamp(percentage, 0.0f, 100.0f);
    updateProgress();
}

void KSProgressTimer::setType(int type)
{
    if (type == type_)
        return;
    vertexData_.clear();
    type_ = type;
}

void KSProgressTimer::setSprite(KSSprite* sprite)
{
    if (sprite == sprite_.get())
        return;
    sprite_ = sprite;
    vertexData_.clear();
}

void KSProgressTimer::updateProgress()
{
    if (isRadial(type_))
        updateRadial();
    else if (type_ >= kKSProgressTimerTypeHorizontalBarLR && type_ <= kKSProgressTimerTypeVerticalBarTB)
        updateBar();
}

Point KSProgressTimer::vertexFromTexCoord(Point texCoord) const
{
    KSTexture2D* texture = sprite_ ? sprite_->texture() : nullptr;
    if (!texture)
        return {};
    const Size size = texture->contentSizeInPixels();
    return { size.width * texCoord.x / texture->maxS(), size.height * (1 - texCoord.y / texture->maxT()) };
}

Point KSProgressTimer::boundaryTexCoord(int index) const
{
    if (index < 0 || index > 3)
        return {};
    if (type_ == kKSProgressTimerTypeRadialCW)
        return { bit(kProgressTextureCoords, 2 * index + 1), bit(kProgressTextureCoords, 2 * index) };
    if (type_ == kKSProgressTimerTypeRadialCCW)
        return { bit(kProgressTextureCoords, 7 - 2 * index), bit(kProgressTextureCoords, 7 - (2 * index + 1)) };
    return {};
}

void KSProgressTimer::updateColor()
{
    if (!sprite_)
        return;
    const ksColor3B c = sprite_->color();
    const float opacity = sprite_->opacity() / 255.0f;
    ksColor4F color { c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, opacity };
    KSTexture2D* texture = sprite_->texture();
    if (texture && texture->hasPremultipliedAlpha()) {
        color.r *= opacity;
        color.g *= opacity;
        color.b *= opacity;
    }
    for (auto& v : vertexData_)
        v.colors = color;
}

void KSProgressTimer::applyFlips(ksV2F_C4F_T2F& vertex) const
{
    KSTexture2D* texture = sprite_ ? sprite_->texture() : nullptr;
    if (!texture)
        return;
    if (sprite_->flipX())
        vertex.texCoords.u = texture->maxS() - vertex.texCoords.u;
    if (sprite_->flipY())
        vertex.texCoords.v = texture->maxT() - vertex.texCoords.v;
}

void KSProgressTimer::setVertex(int index, Point texCoord)
{
    auto& v = vertexData_[static_cast<size_t>(index)];
    v.texCoords = { texCoord.x, texCoord.y };
    const Point p = vertexFromTexCoord(texCoord);
    v.vertices = { p.x, p.y };
}

void KSProgressTimer::updateRadial()
{
    KSTexture2D* texture = sprite_ ? sprite_->texture() : nullptr;
    const Point tMax = texture ? Point(texture->maxS(), texture->maxT()) : Point();
    const Point mid = ksPointCompMult(anchorPoint_, tMax);

    const float alpha = percentage_ / 100.0f;
    const float angle = 6.2831855f * (type_ == kKSProgressTimerTypeRadialCW ? alpha : 1 - alpha);
    const Point top(mid.x, 0);
    const Point q = ksPointRotateAround(top, mid, angle);

    // Where the sweep's edge leaves the image, and how many corners it passed.
    Point hit;
    int k = 0;
    if (alpha == 0) {
        hit = top;
        k = 0;
    } else if (alpha == 1) {
        hit = top;
        k = 4;
    } else {
        float minT = FLT_MAX;
        for (int i = 0; i <= 4; ++i) {
            Point A = ksPointCompMult(boundaryTexCoord(i % 4), tMax);
            Point B = ksPointCompMult(boundaryTexCoord((i + 3) % 4), tMax);
            // The top edge is split at twelve o'clock: its halves are the first
            // and the last edge of the sweep.
            if (i == 0)
                B = ksPointLerp(A, B, 0.5f);
            else if (i == 4)
                A = ksPointLerp(A, B, 0.5f);
            float s = 0, t = 0;
            if (!ksPointLineIntersect(A, B, mid, q, &s, &t))
                continue;
            if ((i == 0 || i == 4) && !(s >= 0 && s <= 1))
                continue;
            if (t >= 0 && t < minT) {
                minT = t;
                k = i;
            }
        }
        hit = ksPointAdd(mid, ksPointMult(ksPointSub(q, mid), minT == FLT_MAX ? 0 : minT));
    }

    const size_t count = static_cast<size_t>(k + 3);
    const bool rebuild = vertexData_.size() != count;
    if (rebuild) {
        allocateVertices(vertexData_, count);
        updateColor();
        setVertex(0, mid);
        setVertex(1, top);
        for (int j = 0; j < k; ++j)
            setVertex(2 + j, ksPointCompMult(boundaryTexCoord(j), tMax));
        for (size_t i = 0; i + 1 < count; ++i)
            applyFlips(vertexData_[i]);
    }
    setVertex(static_cast<int>(count - 1), hit);
    applyFlips(vertexData_[count - 1]);
}

void KSProgressTimer::updateBar()
{
    KSTexture2D* texture = sprite_ ? sprite_->texture() : nullptr;
    const float maxS = texture ? texture->maxS() : 0;
    const float maxT = texture ? texture->maxT() : 0;
    const float alpha = percentage_ / 100.0f;

    // Each type has two vertices fixed at its starting edge and two that move.
    int fixed[2] {}, moving[2] {};
    Point fixedAt[2], movingAt[2];
    switch (type_) {
    case kKSProgressTimerTypeHorizontalBarLR: {
        const float x = alpha * maxS;
        fixed[0] = 0, fixedAt[0] = { 0, 0 };
        fixed[1] = 1, fixedAt[1] = { 0, maxT };
        moving[0] = 2, movingAt[0] = { x, 0 };
        moving[1] = 3, movingAt[1] = { x, maxT };
        break;
    }
    case kKSProgressTimerTypeHorizontalBarRL: {
        const float x = maxS * (1 - alpha);
        fixed[0] = 2, fixedAt[0] = { maxS, maxT };
        fixed[1] = 3, fixedAt[1] = { maxS, 0 };
        moving[0] = 0, movingAt[0] = { x, maxT };
        moving[1] = 1, movingAt[1] = { x, 0 };
        break;
    }
    case kKSProgressTimerTypeVerticalBarBT: {
        const float y = maxT * (1 - alpha);
        fixed[0] = 1, fixedAt[0] = { 0, maxT };
        fixed[1] = 3, fixedAt[1] = { maxS, maxT };
        moving[0] = 0, movingAt[0] = { 0, y };
        moving[1] = 2, movingAt[1] = { maxS, y };
        break;
    }
    default: {
        const float y = maxT * alpha;
        fixed[0] = 0, fixedAt[0] = { 0, 0 };
        fixed[1] = 2, fixedAt[1] = { maxS, 0 };
        moving[0] = 1, movingAt[0] = { 0, y };
        moving[1] = 3, movingAt[1] = { maxS, y };
        break;
    }
    }

    if (vertexData_.empty()) {
        allocateVertices(vertexData_, 4);
        for (int i = 0; i < 2; ++i) {
            setVertex(fixed[i], fixedAt[i]);
            applyFlips(vertexData_[static_cast<size_t>(fixed[i])]);
        }
        updateColor();
    }
    for (int i = 0; i < 2; ++i) {
        setVertex(moving[i], movingAt[i]);
        applyFlips(vertexData_[static_cast<size_t>(moving[i])]);
    }
}

void KSProgressTimer::draw()
{
    if (vertexData_.empty() || !sprite_)
        return;
    const ksBlendFunc blend = sprite_->blendFunc();
    const bool newBlend = blend.src != KS_BLEND_SRC || blend.dst != KS_BLEND_DST;
    if (newBlend)
        glBlendFunc(blend.src, blend.dst);

    KSTexture2D* texture = sprite_->texture();
    glBindTexture(GL_TEXTURE_2D, texture ? texture->name() : 0);
    const auto* base = reinterpret_cast<const char*>(vertexData_.data());
    const GLsizei stride = sizeof(ksV2F_C4F_T2F);
    glVertexPointer(2, GL_FLOAT, stride, base + offsetof(ksV2F_C4F_T2F, vertices));
    glTexCoordPointer(2, GL_FLOAT, stride, base + offsetof(ksV2F_C4F_T2F, texCoords));
    glColorPointer(4, GL_FLOAT, stride, base + offsetof(ksV2F_C4F_T2F, colors));
    glDrawArrays(isRadial(type_) ? GL_TRIANGLE_FAN : GL_TRIANGLE_STRIP, 0, static_cast<GLsizei>(vertexData_.size()));

    if (newBlend)
        glBlendFunc(KS_BLEND_SRC, KS_BLEND_DST);
}

const KSFloatProperties& KSProgressTimer::floatProperties() const
{
    static const KSFloatProperties properties(&KSNode::floatProperties(), {
        { "percentage", [](KSNode* n, float v) { static_cast<KSProgressTimer*>(n)->setPercentage(v); } },
    });
    return properties;
}

} // namespace kestrel
