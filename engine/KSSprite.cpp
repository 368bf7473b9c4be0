// Sprites: construction from textures, files, frames and images; texture
// rectangles (rotated and trimmed frames), flips, colour with premultiplied
// opacity, the self-rendered draw and the batch-mode quad update.
#include "engine/KSSprite.h"

#include "engine/KSAnimation.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSSpriteFrameCache.h"
#include "engine/KSTextureAtlas.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"

#include <cmath>
#include <cstddef>

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {

GLuint nameOf(const KSTexture2D* texture) { return texture ? texture->name() : 0; }

void setCornerPositions(ksV3F_C4B_T2F_Quad& q, const AffineTransform& m, float x1, float y1, float x2, float y2,
                        float z)
{
    q.bl.vertices = { x1 * m.a + y1 * m.c + m.tx, x1 * m.b + y1 * m.d + m.ty, z };
    q.br.vertices = { x2 * m.a + y1 * m.c + m.tx, x2 * m.b + y1 * m.d + m.ty, z };
    q.tr.vertices = { x2 * m.a + y2 * m.c + m.tx, x2 * m.b + y2 * m.d + m.ty, z };
    q.tl.vertices = { x1 * m.a + y2 * m.c + m.tx, x1 * m.b + y2 * m.d + m.ty, z };
}

} // namespace

// Construction ---------------------------------------------------------------

template <class Init>
Ref<KSSprite> KSSprite::make(Init init)
{
    auto s = adoptRef(new KSSprite);
    return init(s.get()) ? s : nullptr;
}

Ref<KSSprite> KSSprite::sprite()
{
    return make([](KSSprite* s) { return s->init(); });
}

Ref<KSSprite> KSSprite::spriteWithTexture(KSTexture2D* texture)
{
    return make([&](KSSprite* s) { return s->initWithTexture(texture); });
}

Ref<KSSprite> KSSprite::spriteWithTexture(KSTexture2D* texture, Rect rect)
{
    return make([&](KSSprite* s) { return s->initWithTexture(texture, rect); });
}

Ref<KSSprite> KSSprite::spriteWithFile(const std::string& filename)
{
    return make([&](KSSprite* s) { return s->initWithFile(filename); });
}

Ref<KSSprite> KSSprite::spriteWithFile(const std::string& filename, Rect rect)
{
    return make([&](KSSprite* s) { return s->initWithFile(filename, rect); });
}

Ref<KSSprite> KSSprite::spriteWithSpriteFrame(KSSpriteFrame* frame)
{
    return make([&](KSSprite* s) { return s->initWithSpriteFrame(frame); });
}

Ref<KSSprite> KSSprite::spriteWithSpriteFrameName(const std::string& name)
{
    KSSpriteFrame* frame = KSSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
    return frame ? spriteWithSpriteFrame(frame) : nullptr;
}

Ref<KSSprite> KSSprite::spriteWithCGImage(const platform::Image* image)
{
    return make([&](KSSprite* s) { return s->initWithCGImage(image); });
}

Ref<KSSprite> KSSprite::spriteWithCGImage(const platform::Image* image, const std::string& key)
{
    return make([&](KSSprite* s) { return s->initWithCGImage(image, key); });
}

Ref<KSSprite> KSSprite::spriteWithBatchNode(KSSpriteBatchNode* batchNode, Rect rect)
{
    return make([&](KSSprite* s) { return s->initWithBatchNode(batchNode, rect); });
}

bool KSSprite::init()
{
    if (!KSNode::init())
        return false;
    dirty_ = recursiveDirty_ = false;
    useSelfRender();
    opacityModifyRGB_ = true;
    opacity_ = 255;
    colorUnmodified_ = ksWHITE;
    setBlendFunc({ KS_BLEND_SRC, KS_BLEND_DST });
    setTexture(nullptr);
    flipX_ = flipY_ = false;
    if (rare_)
        rare_->animations_.clear();
    setAnchorPoint({ 0.5f, 0.5f });
    if (rare_)
        rare_->offsetPositionInPixels_ = {};
    honorParentTransform_ = kHonorParentAll;
    hasChildren_ = false;
    setTextureRectInPixels(Rect(), false, Size());
    return true;
}

bool KSSprite::initWithTexture(KSTexture2D* texture, Rect rect)
{
    BRISKO_ASSERT(texture != nullptr, "Invalid texture for sprite");
    if (!init())
        return false;
    setTexture(texture);
    setTextureRect(rect);
    return true;
}

bool KSSprite::initWithTexture(KSTexture2D* texture)
{
    BRISKO_ASSERT(texture != nullptr, "Invalid texture for sprite");
    return initWithTexture(texture, Rect(Point(), texture->contentSize()));
}

bool KSSprite::initWithFile(const std::string& filename)
{
    BRISKO_ASSERT(!filename.empty(), "Invalid filename for sprite");
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage(filename);
    return texture && initWithTexture(texture.get());
}

bool KSSprite::initWithFile(const std::string& filename, Rect rect)
{
    BRISKO_ASSERT(!filename.empty(), "Invalid filename for sprite");
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage(filename);
    return texture && initWithTexture(texture.get(), rect);
}

bool KSSprite::initWithSpriteFrame(KSSpriteFrame* frame)
{
    BRISKO_ASSERT(frame != nullptr, "Invalid spriteFrame for sprite");
    if (frame->texture()) {
        if (!initWithTexture(frame->texture(), frame->rect()))
            return false;
    } else {
        // A sheet whose image did not load: a sprite that shows nothing.
        if (!init())
            return false;
        setTextureRect(frame->rect());
    }
    setDisplayFrame(frame);
    return true;
}

bool KSSprite::initWithSpriteFrameName(const std::string& name)
{
    BRISKO_ASSERT(!name.empty(), "Invalid spriteFrameName for sprite");
    KSSpriteFrame* frame = KSSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName(name);
    return frame && initWithSpriteFrame(frame);
}

bool KSSprite::initWithCGImage(const platform::Image* image)
{
    BRISKO_ASSERT(image != nullptr, "Invalid CGImageRef for sprite");
    return initWithCGImage(image, KSTextureCache::keyForImage(image));
}

bool KSSprite::initWithCGImage(const platform::Image* image, const std::string& key)
{
    BRISKO_ASSERT(image != nullptr, "Invalid CGImageRef for sprite");
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addCGImage(image, key);
    return texture && initWithTexture(texture.get());
}

bool KSSprite::initWithBatchNode(KSSpriteBatchNode* batchNode, Rect rect)
{
    BRISKO_ASSERT(batchNode != nullptr, "Argument must be non-nil");
    if (!initWithTexture(batchNode->texture(), rect))
        return false;
    useBatchNode(batchNode);
    return true;
}

bool KSSprite::initWithBatchNodeRectInPixels(KSSpriteBatchNode* batchNode, Rect rectInPixels)
{
    BRISKO_ASSERT(batchNode != nullptr, "Argument must be non-nil");
    if (!initWithTexture(batchNode->texture()))
        return false;
    setTextureRectInPixels(rectInPixels, false, rectInPixels.size);
    useBatchNode(batchNode);
    return true;
}

KSSprite::~KSSprite()
{
    if (!holdsBatchNode_ && texture_)
        texture_->release();
}

std::string KSSprite::description() const
{
    return platform::format("<%s = %s | Rect = (%.2f,%.2f,%.2f,%.2f) | tag = %i | atlasIndex = %i>",
                            className().c_str(), platform::addressString(this).c_str(), textureRect().origin.x,
                            textureRect().origin.y, textureRect().size.width, textureRect().size.height, tag_,
                            static_cast<int>(atlasIndex_));
}

// Rendering mode ----------------------------------------------------------------

void KSSprite::linkBatchNode(KSSpriteBatchNode* batchNode)
{
    // A new link (or none) draws through the batch node's atlas again.
    if (rare_ && rare_->hasOwnAtlas_) {
        rare_->hasOwnAtlas_ = false;
        rare_->atlas_.reset();
    }
    if (batchNode) {
        // From now on the batch node's texture is the one shown (it is the same:
        // a batch node takes sprites of its own texture only).
        if (!holdsBatchNode_ && texture_)
            texture_->release();
        batchNode_ = batchNode;
        holdsBatchNode_ = true;
    } else if (holdsBatchNode_) {
        // The sprite keeps showing the texture it showed through the batch node.
        KSTexture2D* texture = batchNode_->texture();
        if (texture)
            texture->retain();
        texture_ = texture;
        holdsBatchNode_ = false;
    }
}

void KSSprite::useSelfRender()
{
    atlasIndex_ = kSpriteIndexNone;
    usesBatchNode_ = false;
    linkBatchNode(nullptr);
    dirty_ = recursiveDirty_ = verticesOnly_ = false;
}

void KSSprite::useBatchNode(KSSpriteBatchNode* batchNode)
{
    usesBatchNode_ = true;
    linkBatchNode(batchNode);
    // Not (yet) one of its descendants: the batch node must know the sprite to
    // unlink it should it go first.
    if (batchNode)
        batchNode->rememberSwitchedSprite(this);
}

void KSSprite::enterBatchNode(KSSpriteBatchNode* batchNode)
{
    usesBatchNode_ = true;
    linkBatchNode(batchNode);
}

void KSSprite::batchNodeGone(KSSpriteBatchNode* batchNode)
{
    if (holdsBatchNode_ && batchNode_ == batchNode)
        useSelfRender();
}

void KSSprite::setBatchNode(KSSpriteBatchNode* batchNode)
{
    if (batchNode)
        useBatchNode(batchNode);
    else
        useSelfRender();
}

KSTexture2D* KSSprite::texture() const
{
    return holdsBatchNode_ ? batchNode_->texture() : texture_;
}

KSTextureAtlas* KSSprite::textureAtlas() const
{
    if (rare_ && rare_->hasOwnAtlas_) [[unlikely]]
        return rare_->atlas_.expired() ? nullptr : rare_->atlas_.unsafeGet();
    return holdsBatchNode_ ? batchNode_->textureAtlas() : nullptr;
}

void KSSprite::setTextureAtlas(KSTextureAtlas* atlas)
{
    if (atlas == textureAtlas())
        return;
    if (atlas == (holdsBatchNode_ ? batchNode_->textureAtlas() : nullptr)) {
        rare_->hasOwnAtlas_ = false;
        rare_->atlas_.reset();
    } else {
        rare().hasOwnAtlas_ = true;
        rare_->atlas_ = atlas;
    }
    // The slot in the new atlas holds nothing of this sprite yet.
    setDirty(true);
}

ksV3F_C4B_T2F_Quad* KSSprite::atlasQuad() const
{
    KSTextureAtlas* atlas = usesBatchNode_ ? textureAtlas() : nullptr;
    return atlas && atlasIndex_ < atlas->totalQuads() ? &atlas->quads()[atlasIndex_] : nullptr;
}

void KSSprite::localVertices(ksV3F_C4B_T2F_Quad& q) const
{
    const Point offset = offsetPositionInPixels();
    float x1 = offset.x;
    float y1 = offset.y;
    float x2 = x1 + rectInPixels_.size.width;
    float y2 = y1 + rectInPixels_.size.height;
    q.bl.vertices = { x1, y1, 0 };
    q.br.vertices = { x2, y1, 0 };
    q.tl.vertices = { x1, y2, 0 };
    q.tr.vertices = { x2, y2, 0 };
}

void KSSprite::fillColors(ksV3F_C4B_T2F_Quad& q) const
{
    const ksColor3B color = quadColor();
    const ksColor4B c { color.r, color.g, color.b, opacity_ };
    q.bl.colors = q.br.colors = q.tl.colors = q.tr.colors = c;
}

ksV3F_C4B_T2F_Quad KSSprite::quad() const
{
    ksV3F_C4B_T2F_Quad q {};
    if (const ksV3F_C4B_T2F_Quad* slot = atlasQuad())
        q = *slot;
    else
        localVertices(q);
    fillColors(q);
    fillTexCoords(q, rectInPixels_);
    return q;
}

// Texture rectangle ---------------------------------------------------------------

void KSSprite::setTextureRect(Rect rect)
{
    Rect pixels = ksRectPointsToPixels(rect);
    setTextureRectInPixels(pixels, false, pixels.size);
}

void KSSprite::setTextureRectInPixels(Rect rect, bool rotated, Size untrimmedSize)
{
    rectInPixels_ = rect;
    rectRotated_ = rotated;
    setContentSizeInPixels(untrimmedSize);
    updateTextureCoords(rectInPixels_);

    Point relativeOffset = unflippedOffsetPositionFromCenter();
    if (flipX_)
        relativeOffset.x = -relativeOffset.x;
    if (flipY_)
        relativeOffset.y = -relativeOffset.y;
    const Size size = contentSizeInPixels();
    const Point offset { relativeOffset.x + (size.width - rectInPixels_.size.width) / 2,
                         relativeOffset.y + (size.height - rectInPixels_.size.height) / 2 };
    if (rare_ || !(offset == Point()))
        rare().offsetPositionInPixels_ = offset;

    if (usesBatchNode_)
        setDirty(true);
}

KSTexture2D* KSSprite::coordsTexture() const
{
    // Coordinates into the texture of the atlas the quad is drawn from.
    if (usesBatchNode_)
        if (KSTextureAtlas* atlas = textureAtlas())
            return atlas->texture();
    return texture();
}

void KSSprite::updateTextureCoords(Rect rect)
{
    if (ksV3F_C4B_T2F_Quad* slot = atlasQuad())
        fillTexCoords(*slot, rect);
}

bool KSSprite::fillTexCoords(ksV3F_C4B_T2F_Quad& q, Rect rect) const
{
    KSTexture2D* texture = coordsTexture();
    if (!texture)
        return false;
    const float W = static_cast<float>(texture->pixelsWide());
    const float H = static_cast<float>(texture->pixelsHigh());
    float left, right, top, bottom;
    if (rectRotated_) {
        left = rect.origin.x / W;
        right = left + rect.size.height / W;
        top = rect.origin.y / H;
        bottom = top + rect.size.width / H;
        if (flipX_)
            std::swap(top, bottom);
        if (flipY_)
            std::swap(left, right);
        q.bl.texCoords = { left, top };
        q.br.texCoords = { left, bottom };
        q.tl.texCoords = { right, top };
        q.tr.texCoords = { right, bottom };
    } else {
        left = rect.origin.x / W;
        right = left + rect.size.width / W;
        top = rect.origin.y / H;
        bottom = top + rect.size.height / H;
        if (flipX_)
            std::swap(left, right);
        if (flipY_)
            std::swap(top, bottom);
        q.bl.texCoords = { left, bottom };
        q.br.texCoords = { right, bottom };
        q.tl.texCoords = { left, top };
        q.tr.texCoords = { right, top };
    }
    return true;
}

// Frames and animations -----------------------------------------------------------

void KSSprite::setDisplayFrame(KSSpriteFrame* frame)
{
    BRISKO_ASSERT(frame != nullptr, "KSSprite#setDisplayFrame. Invalid frame");
    if (rare_ || !(frame->offsetInPixels() == Point()))
        rare().unflippedOffsetPositionFromCenter_ = frame->offsetInPixels();
    if (nameOf(frame->texture()) != nameOf(texture()))
        setTexture(frame->texture());
    rectRotated_ = frame->rotated();
    setTextureRectInPixels(frame->rectInPixels(), frame->rotated(), frame->originalSizeInPixels());
}

void KSSprite::setDisplayFrame(const std::string& animationName, int frameIndex)
{
    auto& animations = rare().animations_;
    auto found = animations.find(animationName);
    KSSpriteFrame* frame = nullptr;
    if (found != animations.end() && frameIndex >= 0
        && static_cast<size_t>(frameIndex) < found->second->frames().size())
        frame = found->second->frames()[static_cast<size_t>(frameIndex)].get();
    BRISKO_ASSERT(frame != nullptr, "KSSprite#setDisplayFrame. Invalid frame");
    setDisplayFrame(frame);
}

void KSSprite::setDisplayFrameWithAnimationName(const std::string& animationName, int frameIndex)
{
    BRISKO_ASSERT(!animationName.empty(), "KSSprite#setDisplayFrameWithAnimationName. animationName must not be nil");
    KSAnimation* animation = KSAnimationCache::sharedAnimationCache()->animationByName(animationName);
    BRISKO_ASSERT(animation != nullptr, "KSSprite#setDisplayFrameWithAnimationName: Frame not found");
    KSSpriteFrame* frame = nullptr;
    if (frameIndex >= 0 && static_cast<size_t>(frameIndex) < animation->frames().size())
        frame = animation->frames()[static_cast<size_t>(frameIndex)].get();
    BRISKO_ASSERT(frame != nullptr, "KSSprite#setDisplayFrame. Invalid frame");
    setDisplayFrame(frame);
}

bool KSSprite::isFrameDisplayed(KSSpriteFrame* frame) const
{
    return frame && frame->rect() == textureRect() && nameOf(frame->texture()) == nameOf(texture());
}

Ref<KSSpriteFrame> KSSprite::displayedFrame() const
{
    // The whole frame, rotation, trim offset and untrimmed size included, so that
    // showing it again restores the picture exactly.
    return KSSpriteFrame::frameWithTexture(texture(), rectInPixels_, rectRotated_,
                                           unflippedOffsetPositionFromCenter(), contentSizeInPixels());
}

KSSprite::Rare& KSSprite::rare()
{
    if (!rare_)
        rare_ = std::make_unique<Rare>();
    return *rare_;
}

void KSSprite::addAnimation(KSAnimation* animation)
{
    if (!animation)
        return;
    rare().animations_[animation->name()] = animation;
}

KSAnimation* KSSprite::animationByName(const std::string& animationName) const
{
    BRISKO_ASSERT(!animationName.empty(), "animationName parameter must be non nil");
    if (!rare_)
        return nullptr;
    auto found = rare_->animations_.find(animationName);
    return found != rare_->animations_.end() ? found->second.get() : nullptr;
}

// Batch mode ----------------------------------------------------------------------

ksTransformValues KSSprite::getTransformValues() const
{
    return { positionInPixels(), { scaleX_, scaleY_ }, rotation_, anchorPointInPixels(), visible_ };
}

[[gnu::noinline]] void KSSprite::setDirtyRecursively(bool flag)
{
    dirty_ = recursiveDirty_ = flag;
    verticesOnly_ = false;
    if (hasChildren_ && children_) {
        for (KSNode* child : children_->objectsAs<KSNode>())
            if (auto* sprite = dynamic_cast<KSSprite*>(child))
                sprite->setDirtyRecursively(true);
    }
}

void KSSprite::updateTransform()
{
    BRISKO_ASSERT(usesBatchNode_,
                  "updateTransform is only valid when KSSprite is being renderd using an KSSpriteBatchNode");
    // Not yet in the atlas: the insertion marks it dirty again.
    KSTextureAtlas* atlas = textureAtlas();
    if (!dirty_ || atlasIndex_ == kSpriteIndexNone || !atlas)
        return;
    // The quad is rewritten where it is drawn from.
    ksV3F_C4B_T2F_Quad& quad = atlas->quadToUpdate(atlasIndex_);
    const KSNode* batch = batchNode();

    const Point offset = offsetPositionInPixels();
    const float x1 = offset.x;
    const float y1 = offset.y;
    const float x2 = x1 + rectInPixels_.size.width;
    const float y2 = y1 + rectInPixels_.size.height;
    bool hidden = !visible_;

    if (!hidden && (!parent_ || parent_ == batch)) {
        // Straight under the batch node: the matrix from the sprite's own values.
        float c = 1, s = 0;
        if (rotation_ != 0) {
            const float r = -rotation_ * 0.017453292f;
            c = std::cos(r);
            s = std::sin(r);
        }
        const Point position = positionInPixels();
        AffineTransform m { c * scaleX_, s * scaleX_, -s * scaleY_, c * scaleY_, position.x, position.y };
        const Point anchor = anchorPointInPixels();
        const float ax = -anchor.x, ay = -anchor.y;
        m.tx += m.a * ax + m.c * ay;
        m.ty += m.b * ax + m.d * ay;
        setCornerPositions(quad, m, x1, y1, x2, y2, vertexZ());
    } else if (!hidden) {
        // Inside a sprite tree: each ancestor contributes what its child honours.
        AffineTransform matrix;
        int32_t prevHonor = kHonorParentAll;
        for (KSNode* p = this; p && p != batch; p = p->parent()) {
            auto* sprite = dynamic_cast<KSSprite*>(p);
            if (!p->visible()) {
                hidden = true;
                break;
            }
            AffineTransform newMatrix;
            if (prevHonor & kHonorParentTranslate)
                newMatrix = newMatrix.translate(p->positionInPixels().x, p->positionInPixels().y);
            if (prevHonor & kHonorParentRotate)
                newMatrix = newMatrix.rotate(-ksDegreesToRadians(p->rotation()));
            if (prevHonor & kHonorParentScale)
                newMatrix = newMatrix.scale(p->scaleX(), p->scaleY());
            newMatrix = newMatrix.translate(-p->anchorPointInPixels().x, -p->anchorPointInPixels().y);
            matrix = matrix.concat(newMatrix);
            prevHonor = sprite ? sprite->honorParentTransform() : kHonorParentAll;
        }
        if (!hidden)
            setCornerPositions(quad, matrix, x1, y1, x2, y2, vertexZ());
    }
    if (hidden)
        quad.bl.vertices = quad.br.vertices = quad.tl.vertices = quad.tr.vertices = {};

    // A sprite that only moved keeps its colours and texture coordinates.
    if (!verticesOnly_) {
        fillColors(quad);
        fillTexCoords(quad, rectInPixels_);
    }
    dirty_ = recursiveDirty_ = verticesOnly_ = false;
}

// Colour and blending ---------------------------------------------------------------

ksColor3B KSSprite::color() const
{
    return colorUnmodified_;
}

ksColor3B KSSprite::quadColor() const
{
    if (!opacityModifyRGB_)
        return colorUnmodified_;
    const ksColor3B c = colorUnmodified_;
    return { static_cast<GLubyte>(c.r * opacity_ / 255), static_cast<GLubyte>(c.g * opacity_ / 255),
             static_cast<GLubyte>(c.b * opacity_ / 255) };
}

void KSSprite::setColor(ksColor3B color)
{
    colorUnmodified_ = color;
    updateColor();
}

void KSSprite::setOpacity(GLubyte opacity)
{
    opacity_ = opacity;
    if (opacityModifyRGB_)
        setColor(colorUnmodified_);
    updateColor();
}

void KSSprite::setOpacityModifyRGB(bool modify)
{
    ksColor3B oldColor = color();
    opacityModifyRGB_ = modify;
    setColor(oldColor);
}

void KSSprite::updateColor()
{
    if (!usesBatchNode_)
        return;
    KSTextureAtlas* atlas = textureAtlas();
    if (atlasIndex_ != kSpriteIndexNone && atlas)
        fillColors(atlas->quadToUpdate(atlasIndex_));
    else
        setDirty(true);
}

void KSSprite::updateBlendFunc()
{
    BRISKO_ASSERT(!usesBatchNode_,
                  "KSSprite: updateBlendFunc doesn't work when the sprite is rendered using a KSSpriteBatchNode");
    KSTexture2D* texture = this->texture();
    if (texture && texture->hasPremultipliedAlpha()) {
        setBlendFunc({ GL_ONE, GL_ONE_MINUS_SRC_ALPHA });
        setOpacityModifyRGB(true);
    } else {
        setBlendFunc({ GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA });
        setOpacityModifyRGB(false);
    }
}

void KSSprite::setBlendFunc(ksBlendFunc blendFunc)
{
    blendSrc_ = static_cast<uint16_t>(blendFunc.src);
    blendDst_ = static_cast<uint16_t>(blendFunc.dst);
}

void KSSprite::setTexture(KSTexture2D* texture)
{
    BRISKO_ASSERT(!usesBatchNode_,
                  "KSSprite: setTexture doesn't work when the sprite is rendered using a KSSpriteBatchNode");
    if (texture)
        texture->retain();
    if (!holdsBatchNode_ && texture_)
        texture_->release();
    texture_ = texture;
    holdsBatchNode_ = false;
    updateBlendFunc();
}

// Flips ---------------------------------------------------------------------------

void KSSprite::setFlipX(bool flip)
{
    if (flipX_ == flip)
        return;
    flipX_ = flip;
    setTextureRectInPixels(rectInPixels_, rectRotated_, rectInPixels_.size);
}

void KSSprite::setFlipY(bool flip)
{
    if (flipY_ == flip)
        return;
    flipY_ = flip;
    setTextureRectInPixels(rectInPixels_, rectRotated_, rectInPixels_.size);
}

// Node overrides ------------------------------------------------------------------

bool KSSprite::placedAt(Point p) const
{
    return p == position_ && positionInPixels() == ksPointPointsToPixels(p);
}

void KSSprite::setPosition(Point p)
{
    // An unchanged placement leaves the quad as it is; after a change of the
    // content scale the same point still renews the pixel copy.
    if (placedAt(p))
        return;
    KSNode::setPosition(p);
    markDirty();
}

void KSSprite::setPositionInPixels(Point p)
{
    const float f = ksContentScaleFactor();
    if (p == positionInPixels() && position_ == (f == 1.0f ? p : p * (1.0f / f)))
        return;
    KSNode::setPositionInPixels(p);
    markDirty();
}

void KSSprite::setRotation(float degrees)
{
    if (degrees == rotation_)
        return;
    KSNode::setRotation(degrees);
    markDirty();
}

void KSSprite::setScaleX(float s)
{
    if (s == scaleX_)
        return;
    KSNode::setScaleX(s);
    markDirty();
}

void KSSprite::setScaleY(float s)
{
    if (s == scaleY_)
        return;
    KSNode::setScaleY(s);
    markDirty();
}

void KSSprite::setScale(float s)
{
    if (s == scaleX_ && s == scaleY_)
        return;
    KSNode::setScale(s);
    markDirty();
}

void KSSprite::setVertexZ(float z)
{
    KSNode::setVertexZ(z);
    markDirty();
}

void KSSprite::setAnchorPoint(Point p)
{
    if (p == anchorPoint_)
        return;
    KSNode::setAnchorPoint(p);
    markDirty();
}

void KSSprite::setIsRelativeAnchorPoint(bool relative)
{
    BRISKO_ASSERT(!usesBatchNode_, "relativeTransformAnchor is invalid in KSSprite");
    KSNode::setIsRelativeAnchorPoint(relative);
}

void KSSprite::setVisible(bool visible)
{
    if (visible == visible_)
        return;
    KSNode::setVisible(visible);
    markDirty();
}

// Children ------------------------------------------------------------------------

void KSSprite::addChild(KSNode* child, int z, int tag)
{
    BRISKO_ASSERT(child != nullptr, "Argument must be non-nil");
    KSSprite* sprite = nullptr;
    if (usesBatchNode_) {
        // Checked before anything changes, so a refused child leaves the tree as it was.
        sprite = dynamic_cast<KSSprite*>(child);
        BRISKO_ASSERT(sprite != nullptr, "KSSprite only supports KSSprites as children when using KSSpriteBatchNode");
        BRISKO_ASSERT(nameOf(sprite->texture()) == nameOf(textureAtlas() ? textureAtlas()->texture() : nullptr),
                      "KSSprite is not using the same texture id");
    }
    KSNode::addChild(child, z, tag);
    // A sprite not yet in the atlas brings its children along when it is inserted.
    if (KSSpriteBatchNode* batch = batchNode(); sprite && batch && atlasIndex_ != kSpriteIndexNone)
        batch->insertChild(sprite, batch->atlasIndexForChild(sprite, z));
    hasChildren_ = true;
}

void KSSprite::reorderChild(KSNode* child, int z)
{
    BRISKO_ASSERT(child != nullptr, "Child must be non-nil");
    BRISKO_ASSERT(children_ && children_->containsObject(child), "Child doesn't belong to Sprite");
    if (child->zOrder() == z)
        return;
    if (!usesBatchNode_) {
        KSNode::reorderChild(child, z);
        return;
    }
    Ref<KSNode> keep(child);
    removeChild(child, false);
    addChild(child, z);
}

void KSSprite::removeChild(KSNode* child, bool cleanup)
{
    if (!child || !children_ || !children_->containsObject(child))
        return;
    if (KSSpriteBatchNode* batch = batchNode(); usesBatchNode_ && batch) {
        if (auto* sprite = dynamic_cast<KSSprite*>(child))
            batch->removeSpriteFromAtlas(sprite);
    }
    KSNode::removeChild(child, cleanup);
    hasChildren_ = children_->count() != 0;
}

void KSSprite::removeAllChildrenWithCleanup(bool cleanup)
{
    if (KSSpriteBatchNode* batch = batchNode(); usesBatchNode_ && batch && children_) {
        Ref<KSArray> list = children_;
        for (KSNode* child : list->objectsAs<KSNode>())
            if (auto* sprite = dynamic_cast<KSSprite*>(child))
                batch->removeSpriteFromAtlas(sprite);
    }
    KSNode::removeAllChildrenWithCleanup(cleanup);
    hasChildren_ = false;
}

// Drawing ---------------------------------------------------------------------------

void KSSprite::draw()
{
    BRISKO_ASSERT(!usesBatchNode_, "If KSSprite is being rendered by KSSpriteBatchNode, KSSprite#draw SHOULD NOT be called");
    // A frame whose image did not load has no texture: nothing to show.
    KSTexture2D* texture = this->texture();
    if (!texture)
        return;
    const bool newBlend = blendSrc_ != KS_BLEND_SRC || blendDst_ != KS_BLEND_DST;
    if (newBlend)
        glBlendFunc(blendSrc_, blendDst_);
    glBindTexture(GL_TEXTURE_2D, texture->name());
    // Read by the draw call below, which copies what it needs.
    ksV3F_C4B_T2F_Quad quad {};
    localVertices(quad);
    fillColors(quad);
    fillTexCoords(quad, rectInPixels_);
    const auto* base = reinterpret_cast<const char*>(&quad);
    const GLsizei stride = sizeof(ksV3F_C4B_T2F);
    glVertexPointer(3, GL_FLOAT, stride, base + offsetof(ksV3F_C4B_T2F, vertices));
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, base + offsetof(ksV3F_C4B_T2F, colors));
    glTexCoordPointer(2, GL_FLOAT, stride, base + offsetof(ksV3F_C4B_T2F, texCoords));
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    if (newBlend)
        glBlendFunc(KS_BLEND_SRC, KS_BLEND_DST);
}

const KSFloatProperties& KSSprite::floatProperties() const
{
    static const KSFloatProperties properties(&KSNode::floatProperties(), {
        { "opacity", [](KSNode* n, float v) { static_cast<KSSprite*>(n)->setOpacity(ksFloatToByte(v)); } },
    });
    return properties;
}

} // namespace kestrel
