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
// Caveat: the batch node and its atlas are links, not owned; the batch node
// switches its sprites back to self-rendering when they leave it or when it goes.
#pragma once

#include "engine/KSAnimate.h"
#include "engine/KSAnimation.h"
#include "engine/KSNode.h"
#include "engine/KSProtocols.h"
#include "engine/KSSpriteFrame.h"
#include "engine/KSTexture2D.h"

#include <cstdint>
#include <memory>
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

class KSSprite : public KSNode,
                 public KSRGBAProtocol,
                 public KSTextureProtocol,
                 public KSFlipProtocol,
                 public KSFrameDisplay {
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

    // Rendering mode.
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
    void setDisplayFrame(KSSpriteFrame* frame) override;
    void setDisplayFrame(const std::string& animationName, int frameIndex);
    void setDisplayFrameWithAnimationName(const std::string& animationName, int frameIndex);
    bool isFrameDisplayed(KSSpriteFrame* frame) const override;
    platform::Ref<KSSpriteFrame> displayedFrame() const override;
    void addAnimation(KSAnimation* animation);
    KSAnimation* animationByName(const std::string& animationName) const;

    // Batch mode: recompute the quad (when dirty) and write it to the atlas.
    virtual void updateTransform();
    void setDirtyRecursively(bool flag);
    ksTransformValues getTransformValues() const;

    // Colour (KSRGBAProtocol).
    void setColor(ksColor3B color) override;
    ksColor3B color() const override;
    GLubyte opacity() const override { return opacity_; }
    void setOpacity(GLubyte opacity) override;
    void setOpacityModifyRGB(bool modify) override;
    bool doesOpacityModifyRGB() const override { return opacityModifyRGB_; }
    void updateColor();

    // Texture and blending (KSTextureProtocol).
    KSTexture2D* texture() const override { return texture_.get(); }
    void setTexture(KSTexture2D* texture) override;
    ksBlendFunc blendFunc() const override { return { blendSrc_, blendDst_ }; }
    void setBlendFunc(ksBlendFunc blendFunc) override;
    void updateBlendFunc();

    // Flips.
    bool flipX() const override { return flipX_; }
    void setFlipX(bool flip) override;
    bool flipY() const override { return flipY_; }
    void setFlipY(bool flip) override;

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
    bool usesBatchNode() const { return usesBatchNode_; }
    void setUsesBatchNode(bool uses) { usesBatchNode_ = uses; }
    // The batch node's atlas while batch-rendered, else null.
    KSTextureAtlas* textureAtlas() const;
    KSSpriteBatchNode* batchNode() const { return batchNode_; }
    void setBatchNode(KSSpriteBatchNode* batchNode) { batchNode_ = batchNode; }
    // Only the three kHonorParent bits are kept.
    int32_t honorParentTransform() const { return static_cast<int32_t>(honorParentTransform_); }
    void setHonorParentTransform(int32_t honor) { honorParentTransform_ = static_cast<unsigned>(honor & kHonorParentAll); }
    Point offsetPositionInPixels() const { return rare_ ? rare_->offsetPositionInPixels_ : Point(); }

protected:
    KSSprite() = default;
    ~KSSprite() override;

private:
    template <class Init> static platform::Ref<KSSprite> make(Init init);
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
    };
    Rare& rare();
    Point unflippedOffsetPositionFromCenter() const
    {
        return rare_ ? rare_->unflippedOffsetPositionFromCenter_ : Point();
    }

    // What a batch-drawn frame reads first, together; the flags packed.
    // Not owned: the batch node (and through it the atlas) this sprite renders through.
    KSSpriteBatchNode* batchNode_ { nullptr };
    std::unique_ptr<Rare> rare_;
    uint32_t atlasIndex_ { kSpriteIndexNone };
    Rect rectInPixels_;
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
    unsigned honorParentTransform_ : 3 { kHonorParentAll };
    GLubyte opacity_ { 255 };
    // As the caller set it; the quad's colour is derived (quadColor).
    ksColor3B colorUnmodified_ { ksWHITE };
    // Blend factors are GL enums below 0x10000.
    uint16_t blendSrc_ { 0 };
    uint16_t blendDst_ { 0 };
    platform::Ref<KSTexture2D> texture_;
};

} // namespace kestrel
