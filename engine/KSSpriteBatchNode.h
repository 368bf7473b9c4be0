// Draws many sprites of one texture with a single draw call. Its children (and
// their sprite children, to any depth) are batch-rendered sprites whose quads
// live in the node's texture atlas; the atlas order is the drawing order, a
// depth-first walk of the sprite tree by z (negative-z children, the sprite,
// then the others). descendants() holds every sprite in that order: the sprite
// at position i has atlas index i.
//
// The node links its sprites without owning the link: as it goes it hands its
// texture to every sprite still linked to it, its descendants (which it
// retains) and the sprites it was only switched to (createSpriteWithRect,
// initSprite, a sprite's useBatchNode), which it knows weakly.
//
// Caveat: sprites must be added with their final texture (the atlas's); the
// atlas holds at most kKSTextureAtlasMaxCapacity quads, and adding beyond that
// fails the growth assertion without changing the node.
#pragma once

#include "engine/KSNode.h"
#include "engine/KSProtocols.h"
#include "engine/KSTextureAtlas.h"
#include "platform/foundation/Weak.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

class KSSprite;

inline constexpr uint32_t kKSDefaultSpriteBatchCapacity = 29;

class KSSpriteBatchNode : public KSNode, public KSTextureProtocol {
public:
    [[nodiscard]] static platform::Ref<KSSpriteBatchNode> batchNodeWithTexture(KSTexture2D* texture,
                                                                 uint32_t capacity = kKSDefaultSpriteBatchCapacity);
    // Nil when the texture cache cannot load the file.
    [[nodiscard]] static platform::Ref<KSSpriteBatchNode> batchNodeWithFile(const std::string& file,
                                                              uint32_t capacity = kKSDefaultSpriteBatchCapacity);
    [[nodiscard]] static platform::Ref<KSSpriteBatchNode> spriteSheetWithTexture(KSTexture2D* texture,
                                                                   uint32_t capacity = kKSDefaultSpriteBatchCapacity)
    {
        return batchNodeWithTexture(texture, capacity);
    }
    [[nodiscard]] static platform::Ref<KSSpriteBatchNode> spriteSheetWithFile(const std::string& file,
                                                                uint32_t capacity = kKSDefaultSpriteBatchCapacity)
    {
        return batchNodeWithFile(file, capacity);
    }

    [[nodiscard]] bool initWithTexture(KSTexture2D* texture, uint32_t capacity);
    [[nodiscard]] bool initWithFile(const std::string& file, uint32_t capacity);

    // A sprite of the atlas texture, ready for this node but not added to it.
    platform::Ref<KSSprite> createSpriteWithRect(Rect rect);
    void initSprite(KSSprite* sprite, Rect rect);

    std::string className() const override { return "KSSpriteBatchNode"; }
    std::string description() const override;

    // Children: sprites only.
    using KSNode::addChild;
    void addChild(KSNode* child, int z, int tag) override;
    void reorderChild(KSNode* child, int z) override;
    void removeChild(KSNode* child, bool cleanup) override;
    void removeChildAtIndex(uint32_t index, bool cleanup);
    void removeAllChildrenWithCleanup(bool cleanup) override;

    // Atlas bookkeeping (sprites call these when their own children change).
    uint32_t atlasIndexForChild(KSSprite* sprite, int z);
    void insertChild(KSSprite* sprite, uint32_t index);
    void removeSpriteFromAtlas(KSSprite* sprite);
    uint32_t highestAtlasIndexInChild(KSSprite* sprite);
    uint32_t lowestAtlasIndexInChild(KSSprite* sprite);
    // Renumbers node's subtree from index in drawing order; answers the next free index.
    uint32_t rebuildIndexInOrder(KSNode* node, uint32_t index);
    void increaseAtlasCapacity();

    // Texture and blending.
    KSTexture2D* texture() const override { return textureAtlas_->texture(); }
    void setTexture(KSTexture2D* texture) override;
    ksBlendFunc blendFunc() const override { return blendFunc_; }
    void setBlendFunc(ksBlendFunc blendFunc) override { blendFunc_ = blendFunc; }
    void updateBlendFunc();

    KSTextureAtlas* textureAtlas() const { return textureAtlas_.get(); }
    void setTextureAtlas(KSTextureAtlas* atlas) { textureAtlas_ = atlas; }
    KSArray* descendants() const { return descendants_.get(); }

    // Draws the atlas in the node's space; children are never visited.
    void visit() override;
    void draw() override;

protected:
    KSSpriteBatchNode() = default;
    ~KSSpriteBatchNode() override;

private:
    friend class KSSprite;
    // Called by a sprite switched to this node (useBatchNode).
    void rememberSwitchedSprite(KSSprite* sprite);

    platform::Ref<KSTextureAtlas> textureAtlas_;
    ksBlendFunc blendFunc_ {};
    platform::Ref<KSArray> descendants_;
    // Sprites linked to this node that may not be among its descendants,
    // each once; those gone or linked elsewhere are dropped as the list grows.
    std::vector<platform::Weak<KSSprite>> switched_;
    size_t pruneSwitchedAt_ { 8 };
};

} // namespace kestrel
