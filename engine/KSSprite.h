// The engine's textured rectangle: a node showing one rectangle of one texture
// as a quad of four vertices, with flips, colour, opacity and a blend function.
//
// It renders in one of two modes. Self-rendered, its draw() issues one draw
// call for its own quad. Batch-rendered, its quad lives in a sprite batch
// node's atlas at atlasIndex(), and the batch node asks it to recompute that
// quad (updateTransform) before drawing every quad at once.
//
// The sprite keeps no quad of its own: a batch-rendered sprite's quad is its
// slot in the atlas, and a self-rendered sprite makes its quad when it draws,
// from its texture rectangle, flips, colour and opacity.
//
// Caveat: the batch node and its atlas are links, not owned. A batch node hands
// its texture back to every sprite still linked to it when it goes: to its
// descendants, and (held weakly) to the sprites it was only switched to
// (spriteWithBatchNode, createSpriteWithRect, a tile map's quads), so no call
// on a sprite ever reaches a freed batch node or atlas.
#pragma once

#include "engine/KSAnimate.h"
#include "engine/KSAnimation.h"
#include "engine/KSNode.h"
#include "engine/KSProtocols.h"
#include "engine/KSSpriteFrame.h"
#include "engine/KSTexture2D.h"
#include "platform/foundation/Weak.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace platform {
class Image;
}

namespace kestrel {

class KSSpriteBatchNode;
class KSTextureAtlas;

// The atlas index of a sprite that is not in any atlas.
inline constexpr uint32_t kSpriteIndexNone = 0xffffffffu;

// Which parts of its parent sprite's transform a batch-rendered sprite inherits.
enum : int32_t {
    kHonorParentTranslate = 1 << 0,
    kHonorParentRotate = 1 << 1,
    kHonorParentScale = 1 << 2,
    kHonorParentAll = kHonorParentTranslate | kHonorParentRotate | kHonorParentScale,
};

// What a batch-rendered sprite reads of each ancestor when building its matrix.
struct ksTransformValues {
    Point pos;
    Point scale;
    float rotation { 0 };
    Point ap;
    bool visible { true };
};

// A sprite offers the roles of KSRGBAProtocol, KSTextureProtocol,
// KSFlipProtocol and KSFrameDisplay through its own virtual methods rather
// than by adopting the interfaces: a game makes sprites by the ten thousand,
// and each adopted interface would add a table pointer to every one of them.
// Actions and containers reach a role with KSRGBAOf, KSTextureOf, KSFlipOf and
// KSFrameDisplayOf (below), which serve sprites and adopting nodes alike.
class KSSprite : public KSNode {
public:
    [[nodiscard]] static platform::Ref<KSSprite> sprite();
    [[nodiscard]] static platform::Ref<KSSprite> spriteWithTexture(KSTexture2D* texture);
    [[nodiscard]] static platform::Ref<KSSprite> spriteWithTexture(KSTexture2D* texture, Rect rect);
    [[nodiscard]] static platform::Ref<KSSprite> spriteWithFile(const std::string& filename);
    [[nodiscard]] static platform::Ref<KSSprite> spriteWithFile(const std::string& filename, Rect rect);
    [[nodiscard]] static platform::Ref<KSSprite> spriteWithSpriteFrame(KSSpriteFrame* frame);
    [[nodiscard]] static platform::Ref<KSSprite> spriteWithSpriteFrameName(const std::string& name);
    [[nodiscard]] static platform::Ref<KSSprite> spriteWithCGImage(const platform::Image* image);
    [[nodiscard]] static platform::Ref<KSSprite> spriteWithCGImage(const platform::Image* image, const std::string& key);
    [[nodiscard]] static platform::Ref<KSSprite> spriteWithBatchNode(KSSpriteBatchNode* batchNode, Rect rect);
    [[nodiscard]] static platform::Ref<KSSprite> spriteWithSpriteSheet(KSSpriteBatchNode* batchNode, Rect rect)
    {
        return spriteWithBatchNode(batchNode, rect);
    }

    bool init() override;
    [[nodiscard]] bool initWithTexture(KSTexture2D* texture, Rect rect);
    [[nodiscard]] bool initWithTexture(KSTexture2D* texture);
    // False when the texture cache cannot load the file.
    [[nodiscard]] bool initWithFile(const std::string& filename);
    [[nodiscard]] bool initWithFile(const std::string& filename, Rect rect);
    // A frame without a texture gives a sprite that draws nothing.
    [[nodiscard]] bool initWithSpriteFrame(KSSpriteFrame* frame);
    // False when no frame has that name.
    [[nodiscard]] bool initWithSpriteFrameName(const std::string& name);
    // The texture is cached under keyForImage(image) (the full address).
    [[nodiscard]] bool initWithCGImage(const platform::Image* image);
    [[nodiscard]] bool initWithCGImage(const platform::Image* image, const std::string& key);
    [[nodiscard]] bool initWithBatchNode(KSSpriteBatchNode* batchNode, Rect rect);
    [[nodiscard]] bool initWithBatchNodeRectInPixels(KSSpriteBatchNode* batchNode, Rect rectInPixels);
    [[nodiscard]] bool initWithSpriteSheet(KSSpriteBatchNode* batchNode, Rect rect) { return initWithBatchNode(batchNode, rect); }

    std::string className() const override { return "KSSprite"; }
    const KSFloatProperties& floatProperties() const override;
    std::string description() const override;

    // Rendering mode. useSelfRender keeps showing the texture the sprite showed
    // through its batch node; useBatchNode links the sprite to the batch node
    // (which then knows it, weakly, until it goes).
    void useSelfRender();
    void useBatchNode(KSSpriteBatchNode* batchNode);
    void useSpriteSheetRender(KSSpriteBatchNode* batchNode) { useBatchNode(batchNode); }

    // Texture rectangle.
    void setTextureRect(Rect rect);
    void setTextureRectInPixels(Rect rect, bool rotated, Size untrimmedSize);
    // Writes the texture coordinates of rectInPixels into the sprite's atlas
    // slot; a sprite outside an atlas takes them from its texture rectangle.
    void updateTextureCoords(Rect rectInPixels);

    // Frames and animations.
    virtual void setDisplayFrame(KSSpriteFrame* frame);
    void setDisplayFrame(const std::string& animationName, int frameIndex);
    void setDisplayFrameWithAnimationName(const std::string& animationName, int frameIndex);
    virtual bool isFrameDisplayed(KSSpriteFrame* frame) const;
    virtual platform::Ref<KSSpriteFrame> displayedFrame() const;
    void addAnimation(KSAnimation* animation);
    KSAnimation* animationByName(const std::string& animationName) const;

    // Batch mode: recompute the quad (when dirty) and write it to the atlas.
    virtual void updateTransform();
    void setDirtyRecursively(bool flag);
    ksTransformValues getTransformValues() const;

    // Colour (the role of KSRGBAProtocol).
    virtual void setColor(ksColor3B color);
    virtual ksColor3B color() const;
    virtual GLubyte opacity() const { return opacity_; }
    virtual void setOpacity(GLubyte opacity);
    virtual void setOpacityModifyRGB(bool modify);
    virtual bool doesOpacityModifyRGB() const { return opacityModifyRGB_; }
    void updateColor();

    // Texture and blending (the role of KSTextureProtocol). A batch-rendered
    // sprite shows its batch node's texture.
    virtual KSTexture2D* texture() const;
    virtual void setTexture(KSTexture2D* texture);
    virtual ksBlendFunc blendFunc() const { return { blendSrc_, blendDst_ }; }
    virtual void setBlendFunc(ksBlendFunc blendFunc);
    void updateBlendFunc();

    // Flips (the role of KSFlipProtocol).
    virtual bool flipX() const { return flipX_; }
    virtual void setFlipX(bool flip);
    virtual bool flipY() const { return flipY_; }
    virtual void setFlipY(bool flip);

    // Node overrides: placement setters mark a batch-rendered sprite dirty.
    void setPosition(Point p) override;
    void setPositionInPixels(Point p) override;
    void setRotation(float degrees) override;
    void setScaleX(float s) override;
    void setScaleY(float s) override;
    void setScale(float s) override;
    void setVertexZ(float z) override;
    void setAnchorPoint(Point p) override;
    void setIsRelativeAnchorPoint(bool relative) override;
    void setVisible(bool visible) override;

    using KSNode::addChild;
    void addChild(KSNode* child, int z, int tag) override;
    void reorderChild(KSNode* child, int z) override;
    void removeChild(KSNode* child, bool cleanup) override;
    void removeAllChildrenWithCleanup(bool cleanup) override;

    void draw() override;

    // Plain accessors.
    bool dirty() const { return dirty_; }
    void setDirty(bool dirty)
    {
        dirty_ = dirty;
        verticesOnly_ = false;
    }
    // The quad as drawn: from the atlas slot while the sprite is in one (its
    // positions as of the last update), else in the sprite's own space.
    ksV3F_C4B_T2F_Quad quad() const;
    uint32_t atlasIndex() const { return atlasIndex_; }
    void setAtlasIndex(uint32_t index) { atlasIndex_ = index; }
    Rect textureRect() const { return ksRectPixelsToPoints(rectInPixels_); }
    bool textureRectRotated() const { return rectRotated_; }
    // The rendering mode flag, a plain accessor: the texture and the batch node
    // link stay as they are (useBatchNode and useSelfRender switch the mode).
    bool usesBatchNode() const { return usesBatchNode_; }
    void setUsesBatchNode(bool uses) { usesBatchNode_ = uses; }
    // The atlas the sprite's quad is written into: the linked batch node's
    // unless setTextureAtlas chose another; else null.
    KSTextureAtlas* textureAtlas() const;
    // Writes the sprite's quad into another atlas (not owned: once it goes,
    // the sprite writes into none), at the same atlas index; the batch node's
    // own atlas, and its sprite bookkeeping, stay as they are. The whole quad
    // is written there at the next update, with texture coordinates for that
    // atlas's texture. Linking to a batch node (useBatchNode, useSelfRender)
    // goes back to the batch node's atlas.
    void setTextureAtlas(KSTextureAtlas* atlas);
    // The batch node the sprite is linked to, else null.
    KSSpriteBatchNode* batchNode() const { return holdsBatchNode_ ? batchNode_ : nullptr; }
    // A batch node makes the sprite batch-rendered through it (useBatchNode), null self-rendered.
    void setBatchNode(KSSpriteBatchNode* batchNode);
    // Only the three kHonorParent bits are kept.
    int32_t honorParentTransform() const { return static_cast<int32_t>(honorParentTransform_); }
    void setHonorParentTransform(int32_t honor) { honorParentTransform_ = static_cast<unsigned>(honor & kHonorParentAll); }
    Point offsetPositionInPixels() const { return rare_ ? rare_->offsetPositionInPixels_ : Point(); }

protected:
    KSSprite() = default;
    ~KSSprite() override;

private:
    friend class KSSpriteBatchNode;

    template <class Init> static platform::Ref<KSSprite> make(Init init);
    // Batch mode through a batch node that keeps the sprite among its
    // descendants (and so needs no weak record of it).
    void enterBatchNode(KSSpriteBatchNode* batchNode);
    // Called by a batch node as it goes: a sprite still linked to it renders itself.
    void batchNodeGone(KSSpriteBatchNode* batchNode);
    // The link: the batch node, or (without one) the texture it showed, retained.
    void linkBatchNode(KSSpriteBatchNode* batchNode);
    // The stored pixel position matches the point at today's content scale.
    bool placedAt(Point p) const;
    // Called by every placement setter: kept small, the walk over children out of line.
    void markDirty()
    {
        if (usesBatchNode_ && !recursiveDirty_) {
            // A clean sprite that only moved needs only its vertices rewritten.
            if (!dirty_)
                verticesOnly_ = true;
            dirty_ = recursiveDirty_ = true;
            if (hasChildren_)
                setDirtyRecursively(true);
        }
    }
    // The quad in the sprite's own space (self-rendered drawing, quad()).
    void localVertices(ksV3F_C4B_T2F_Quad& q) const;
    void fillColors(ksV3F_C4B_T2F_Quad& q) const;
    // False (quad unchanged) without a texture.
    bool fillTexCoords(ksV3F_C4B_T2F_Quad& q, Rect rectInPixels) const;
    KSTexture2D* coordsTexture() const;
    // The atlas slot while the sprite holds one, else null.
    ksV3F_C4B_T2F_Quad* atlasQuad() const;

    // The colour written into the quad: premultiplied by the opacity when that modifies RGB.
    ksColor3B quadColor() const;

    // What the sprite needs only for trimmed or offset frames and named
    // animations, made on first use: most sprites' offsets are zero.
    struct Rare {
        Point offsetPositionInPixels_;
        Point unflippedOffsetPositionFromCenter_;
        std::unordered_map<std::string, platform::Ref<KSAnimation>> animations_;
        // Set by setTextureAtlas to an atlas other than the batch node's.
        bool hasOwnAtlas_ { false };
        platform::Weak<KSTextureAtlas> atlas_;
    };
    Rare& rare();
    Point unflippedOffsetPositionFromCenter() const
    {
        return rare_ ? rare_->unflippedOffsetPositionFromCenter_ : Point();
    }

    // What a batch-drawn frame reads first, together; the flags packed into
    // the bytes the node leaves after its own.
    GLubyte opacity_ { 255 };
    // As the caller set it; the quad's colour is derived (quadColor).
    ksColor3B colorUnmodified_ { ksWHITE };
    bool dirty_ : 1 { false };
    // Set while the only change since the last update is the placement: the
    // atlas then gets the positions alone, not the whole quad.
    bool verticesOnly_ : 1 { false };
    bool recursiveDirty_ : 1 { false };
    bool usesBatchNode_ : 1 { false };
    bool hasChildren_ : 1 { false };
    bool rectRotated_ : 1 { false };
    bool opacityModifyRGB_ : 1 { false };
    bool flipX_ : 1 { false };
    bool flipY_ : 1 { false };
    // Which member of the link below is held.
    bool holdsBatchNode_ : 1 { false };
    unsigned honorParentTransform_ : 3 { kHonorParentAll };
    // Blend factors are GL enums below 0x10000.
    uint16_t blendSrc_ { 0 };
    uint16_t blendDst_ { 0 };
    uint32_t atlasIndex_ { kSpriteIndexNone };
    // One link (holdsBatchNode_ says which). Linked to a batch node: the batch
    // node (not owned: it unlinks the sprite when the sprite leaves it or when
    // it goes), whose atlas texture the sprite shows. Otherwise the sprite's
    // own texture, retained.
    union {
        KSSpriteBatchNode* batchNode_ { nullptr };
        KSTexture2D* texture_;
    };
    std::unique_ptr<Rare> rare_;
    Rect rectInPixels_;
};

// A sprite's roles seen through their interfaces (what KSRoleOf hands out).
class KSSpriteRGBA final : public KSRGBAProtocol {
public:
    explicit KSSpriteRGBA(KSSprite* sprite) : sprite_(sprite) { }
    void setColor(ksColor3B color) override { sprite_->setColor(color); }
    ksColor3B color() const override { return sprite_->color(); }
    GLubyte opacity() const override { return sprite_->opacity(); }
    void setOpacity(GLubyte opacity) override { sprite_->setOpacity(opacity); }
    void setOpacityModifyRGB(bool modify) override { sprite_->setOpacityModifyRGB(modify); }
    bool doesOpacityModifyRGB() const override { return sprite_->doesOpacityModifyRGB(); }

private:
    KSSprite* sprite_;
};

class KSSpriteTexture final : public KSTextureProtocol {
public:
    explicit KSSpriteTexture(KSSprite* sprite) : sprite_(sprite) { }
    KSTexture2D* texture() const override { return sprite_->texture(); }
    void setTexture(KSTexture2D* texture) override { sprite_->setTexture(texture); }
    ksBlendFunc blendFunc() const override { return sprite_->blendFunc(); }
    void setBlendFunc(ksBlendFunc blendFunc) override { sprite_->setBlendFunc(blendFunc); }

private:
    KSSprite* sprite_;
};

class KSSpriteFlip final : public KSFlipProtocol {
public:
    explicit KSSpriteFlip(KSSprite* sprite) : sprite_(sprite) { }
    void setFlipX(bool flip) override { sprite_->setFlipX(flip); }
    bool flipX() const override { return sprite_->flipX(); }
    void setFlipY(bool flip) override { sprite_->setFlipY(flip); }
    bool flipY() const override { return sprite_->flipY(); }

private:
    KSSprite* sprite_;
};

class KSSpriteFrameDisplay final : public KSFrameDisplay {
public:
    explicit KSSpriteFrameDisplay(KSSprite* sprite) : sprite_(sprite) { }
    platform::Ref<KSSpriteFrame> displayedFrame() const override { return sprite_->displayedFrame(); }
    bool isFrameDisplayed(KSSpriteFrame* frame) const override { return sprite_->isFrameDisplayed(frame); }
    void setDisplayFrame(KSSpriteFrame* frame) override { sprite_->setDisplayFrame(frame); }

private:
    KSSprite* sprite_;
};

// One role of a target, for as long as this object lives: the interface when
// the target adopts it, else a sprite's own methods seen through it; empty
// when the target plays no such role.
//     if (KSRGBAOf rgba { target }) rgba->setOpacity(128);
template <class Protocol, class SpriteView>
class KSRoleOf {
public:
    explicit KSRoleOf(platform::Object* target)
    {
        if ((protocol_ = dynamic_cast<Protocol*>(target)))
            return;
        if (auto* sprite = dynamic_cast<KSSprite*>(target)) {
            view_.emplace(sprite);
            protocol_ = &*view_;
        }
    }
    // The interface may point into this object: it is neither copied nor moved.
    KSRoleOf(const KSRoleOf&) = delete;
    KSRoleOf& operator=(const KSRoleOf&) = delete;

    explicit operator bool() const { return protocol_ != nullptr; }
    Protocol* operator->() const { return protocol_; }

private:
    Protocol* protocol_ { nullptr };
    std::optional<SpriteView> view_;
};

using KSRGBAOf = KSRoleOf<KSRGBAProtocol, KSSpriteRGBA>;
using KSTextureOf = KSRoleOf<KSTextureProtocol, KSSpriteTexture>;
using KSFlipOf = KSRoleOf<KSFlipProtocol, KSSpriteFlip>;
using KSFrameDisplayOf = KSRoleOf<KSFrameDisplay, KSSpriteFrameDisplay>;

} // namespace kestrel
