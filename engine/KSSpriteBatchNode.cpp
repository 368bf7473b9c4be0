// Sprite batch node: atlas-index bookkeeping over the sprite tree (depth-first,
// by z), atlas growth, and the one-call draw after each dirty sprite has
// rewritten its quad.
#include "engine/KSSpriteBatchNode.h"

#include "engine/KSGrid.h"
#include "engine/KSSprite.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"

#include <GLES/gl.h>

#include <algorithm>

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {

GLuint nameOf(const KSTexture2D* texture) { return texture ? texture->name() : 0; }

KSSprite* spriteAt(KSArray* list, uint32_t i) { return static_cast<KSSprite*>(list->data()->arr[i]); }

// The sprite and every sprite below it.
uint32_t subtreeSize(KSNode* node)
{
    uint32_t n = 1;
    if (KSArray* children = node->children())
        for (KSNode* child : children->objectsAs<KSNode>())
            n += subtreeSize(child);
    return n;
}

constexpr const char* kGrowFailed = "XXX: SpriteSheet#increaseAtlasCapacity SHALL handle this assert";

} // namespace

Ref<KSSpriteBatchNode> KSSpriteBatchNode::batchNodeWithTexture(KSTexture2D* texture, uint32_t capacity)
{
    auto node = adoptRef(new KSSpriteBatchNode);
    return node->initWithTexture(texture, capacity) ? node : nullptr;
}

Ref<KSSpriteBatchNode> KSSpriteBatchNode::batchNodeWithFile(const std::string& file, uint32_t capacity)
{
    auto node = adoptRef(new KSSpriteBatchNode);
    return node->initWithFile(file, capacity) ? node : nullptr;
}

bool KSSpriteBatchNode::initWithTexture(KSTexture2D* texture, uint32_t capacity)
{
    if (!init())
        return false;
    blendFunc_ = { KS_BLEND_SRC, KS_BLEND_DST };
    textureAtlas_ = KSTextureAtlas::textureAtlasWithTexture(texture, capacity);
    if (!textureAtlas_)
        return false;
    updateBlendFunc();
    children_ = KSArray::arrayWithCapacity(capacity ? capacity : 1);
    descendants_ = KSArray::arrayWithCapacity(capacity ? capacity : 1);
    return true;
}

bool KSSpriteBatchNode::initWithFile(const std::string& file, uint32_t capacity)
{
    Ref<KSTexture2D> texture = KSTextureCache::sharedTextureCache()->addImage(file);
    return texture && initWithTexture(texture.get(), capacity);
}

KSSpriteBatchNode::~KSSpriteBatchNode()
{
    // Sprites that outlive the node must not keep pointing at it or its atlas.
    if (descendants_)
        for (KSSprite* sprite : descendants_->objectsAs<KSSprite>())
            sprite->batchNodeGone(this);
    for (const platform::Weak<KSSprite>& link : switched_)
        if (Ref<KSSprite> sprite = link.lock())
            sprite->batchNodeGone(this);
}

void KSSpriteBatchNode::rememberSwitchedSprite(KSSprite* sprite)
{
    // The tile map's scratch sprite is switched again for every tile.
    if (!switched_.empty() && switched_.back().unsafeGet() == sprite && !switched_.back().expired())
        return;
    if (switched_.size() >= pruneSwitchedAt_) {
        std::vector<Ref<KSSprite>> live;
        for (const platform::Weak<KSSprite>& link : switched_)
            if (Ref<KSSprite> s = link.lock(); s && s->batchNode() == this)
                live.push_back(std::move(s));
        // Alive at once, equal addresses are the same sprite.
        std::sort(live.begin(), live.end(), [](const Ref<KSSprite>& a, const Ref<KSSprite>& b) { return a.get() < b.get(); });
        live.erase(std::unique(live.begin(), live.end()), live.end());
        switched_.clear();
        for (const Ref<KSSprite>& s : live)
            switched_.emplace_back(s.get());
        pruneSwitchedAt_ = std::max<size_t>(8, switched_.size() * 2);
    }
    switched_.emplace_back(sprite);
}

std::string KSSpriteBatchNode::description() const
{
    return platform::format("<%s = %s | Tag = %i>", className().c_str(), platform::addressString(this).c_str(), tag_);
}

Ref<KSSprite> KSSpriteBatchNode::createSpriteWithRect(Rect rect)
{
    Ref<KSSprite> sprite = KSSprite::spriteWithTexture(textureAtlas_->texture(), rect);
    if (sprite)
        sprite->useBatchNode(this);
    return sprite;
}

void KSSpriteBatchNode::initSprite(KSSprite* sprite, Rect rect)
{
    if (!sprite)
        return;
    if (!sprite->initWithTexture(textureAtlas_->texture(), rect))
        return;
    sprite->useBatchNode(this);
}

// Children --------------------------------------------------------------------------

void KSSpriteBatchNode::addChild(KSNode* child, int z, int tag)
{
    BRISKO_ASSERT(child != nullptr, "Argument must be non-nil");
    auto* sprite = dynamic_cast<KSSprite*>(child);
    BRISKO_ASSERT(sprite != nullptr, "KSSpriteBatchNode only supports KSSprites as children");
    BRISKO_ASSERT(nameOf(sprite->texture()) == nameOf(textureAtlas_->texture()),
                  "KSSprite is not using the same texture id");
    // Refuse before anything changes when the atlas could not hold the whole subtree.
    const uint32_t needed = textureAtlas_->totalQuads() + subtreeSize(sprite);
    BRISKO_ASSERT(needed <= kKSTextureAtlasMaxCapacity, kGrowFailed);
    // Room first, so the child list grows with the atlas rather than by itself.
    while (textureAtlas_->capacity() < needed)
        increaseAtlasCapacity();
    KSNode::addChild(child, z, tag);
    insertChild(sprite, atlasIndexForChild(sprite, z));
}

void KSSpriteBatchNode::reorderChild(KSNode* child, int z)
{
    BRISKO_ASSERT(child != nullptr, "Child must be non-nil");
    BRISKO_ASSERT(children_->containsObject(child), "Child doesn't belong to Sprite");
    if (child->zOrder() == z)
        return;
    Ref<KSNode> keep(child);
    removeChild(child, false);
    addChild(child, z);
}

void KSSpriteBatchNode::removeChild(KSNode* child, bool cleanup)
{
    if (!child)
        return;
    BRISKO_ASSERT(children_->containsObject(child), "KSSpriteBatchNode doesn't contain the sprite. Can't remove it");
    removeSpriteFromAtlas(static_cast<KSSprite*>(child));
    KSNode::removeChild(child, cleanup);
}

void KSSpriteBatchNode::removeChildAtIndex(uint32_t index, bool cleanup)
{
    removeChild(static_cast<KSNode*>(children_->objectAtIndex(index)), cleanup);
}

void KSSpriteBatchNode::removeAllChildrenWithCleanup(bool cleanup)
{
    // Every sprite of the tree leaves the atlas, not only the direct children:
    // a grandchild left in batch mode would write its quad into a slot that now
    // belongs to another sprite.
    for (KSSprite* sprite : descendants_->objectsAs<KSSprite>())
        sprite->useSelfRender();
    KSNode::removeAllChildrenWithCleanup(cleanup);
    descendants_->removeAllObjects();
    textureAtlas_->removeAllQuads();
}

// Atlas bookkeeping -----------------------------------------------------------------

// The last slot of the sprite's subtree: its own when its last child is drawn
// before it (negative z), else the last slot of that child's subtree.
uint32_t KSSpriteBatchNode::highestAtlasIndexInChild(KSSprite* sprite)
{
    KSArray* children = sprite->children();
    if (!children || children->count() == 0)
        return sprite->atlasIndex();
    auto* last = children->lastObjectAs<KSSprite>();
    return last->zOrder() < 0 ? sprite->atlasIndex() : highestAtlasIndexInChild(last);
}

// The first slot of the sprite's subtree: its own unless its first child is drawn
// before it.
uint32_t KSSpriteBatchNode::lowestAtlasIndexInChild(KSSprite* sprite)
{
    KSArray* children = sprite->children();
    if (!children || children->count() == 0)
        return sprite->atlasIndex();
    auto* first = children->objectAtIndexAs<KSSprite>(0);
    return first->zOrder() >= 0 ? sprite->atlasIndex() : lowestAtlasIndexInChild(first);
}

uint32_t KSSpriteBatchNode::atlasIndexForChild(KSSprite* sprite, int z)
{
    KSNode* parent = sprite->parent();
    KSArray* brothers = parent->children();
    // Children are usually appended: look at the end before searching.
    uint32_t i = brothers->lastObject() == sprite ? brothers->count() - 1 : brothers->indexOfObject(sprite);
    KSSprite* previous = i > 0 && i != kKSNotFound ? spriteAt(brothers, i - 1) : nullptr;

    if (parent == this)
        return previous ? highestAtlasIndexInChild(previous) + 1 : 0;

    auto* parentSprite = static_cast<KSSprite*>(parent);
    if (!previous) {
        if (z >= 0)
            return parentSprite->atlasIndex() + 1;
        // First of the children drawn before the parent: in front of the next one
        // when that one is already in the atlas.
        KSSprite* next = i + 1 < brothers->count() ? spriteAt(brothers, i + 1) : nullptr;
        if (next && next->zOrder() < 0 && next->atlasIndex() != kSpriteIndexNone)
            return lowestAtlasIndexInChild(next);
        return parentSprite->atlasIndex();
    }
    if ((previous->zOrder() < 0 && z < 0) || (previous->zOrder() >= 0 && z >= 0))
        return highestAtlasIndexInChild(previous) + 1;
    return parentSprite->atlasIndex() + 1;
}

void KSSpriteBatchNode::insertChild(KSSprite* sprite, uint32_t index)
{
    if (textureAtlas_->totalQuads() == textureAtlas_->capacity())
        increaseAtlasCapacity();
    // The quad made before the sprite points at its slot; from then on it lives there.
    ksV3F_C4B_T2F_Quad quad = sprite->quad();
    sprite->enterBatchNode(this);
    sprite->setAtlasIndex(index);
    sprite->setDirty(true);
    textureAtlas_->insertQuad(&quad, index);
    descendants_->insertObject(sprite, index);

    ksArray* d = descendants_->data();
    for (uint32_t i = index + 1; i < d->num; ++i) {
        auto* later = static_cast<KSSprite*>(d->arr[i]);
        later->setAtlasIndex(later->atlasIndex() + 1);
    }

    if (KSArray* children = sprite->children()) {
        for (KSSprite* child : children->objectsAs<KSSprite>())
            insertChild(child, atlasIndexForChild(child, child->zOrder()));
    }
}

void KSSpriteBatchNode::removeSpriteFromAtlas(KSSprite* sprite)
{
    const uint32_t index = sprite->atlasIndex();
    if (index < textureAtlas_->totalQuads())
        textureAtlas_->removeQuadAtIndex(index);
    sprite->useSelfRender();

    ksArray* d = descendants_->data();
    uint32_t found = index < d->num && d->arr[index] == sprite ? index : descendants_->indexOfObject(sprite);
    if (found != kKSNotFound) {
        Ref<KSSprite> keep(sprite);
        descendants_->removeObjectAtIndex(found);
        for (uint32_t i = found; i < d->num; ++i) {
            auto* later = static_cast<KSSprite*>(d->arr[i]);
            later->setAtlasIndex(later->atlasIndex() - 1);
        }
    }

    if (KSArray* children = sprite->children()) {
        for (KSSprite* child : children->objectsAs<KSSprite>())
            removeSpriteFromAtlas(child);
    }
}

uint32_t KSSpriteBatchNode::rebuildIndexInOrder(KSNode* node, uint32_t index)
{
    KSArray* children = node->children();
    if (children)
        for (KSNode* child : children->objectsAs<KSNode>())
            if (child->zOrder() < 0)
                index = rebuildIndexInOrder(child, index);
    if (node != this) {
        static_cast<KSSprite*>(node)->setAtlasIndex(index);
        index++;
    }
    if (children)
        for (KSNode* child : children->objectsAs<KSNode>())
            if (child->zOrder() >= 0)
                index = rebuildIndexInOrder(child, index);
    return index;
}

void KSSpriteBatchNode::increaseAtlasCapacity()
{
    const uint32_t capacity = textureAtlas_->capacity();
    BRISKO_ASSERT(capacity < kKSTextureAtlasMaxCapacity, kGrowFailed);
    // Grow by a third; the last step stops at what 16-bit indices can address.
    uint32_t quantity = (capacity + 1) * 4 / 3;
    if (quantity > kKSTextureAtlasMaxCapacity)
        quantity = kKSTextureAtlasMaxCapacity;
    BRISKO_ASSERT(textureAtlas_->resizeCapacity(quantity), kGrowFailed);
    // The child and descendant lists never hold more sprites than the atlas
    // quads: they grow with it, by a third, rather than doubling past need.
    if (children_)
        children_->reserveCapacity(quantity);
    descendants_->reserveCapacity(quantity);
}

// Texture and blending --------------------------------------------------------------

void KSSpriteBatchNode::setTexture(KSTexture2D* texture)
{
    textureAtlas_->setTexture(texture);
    updateBlendFunc();
}

void KSSpriteBatchNode::updateBlendFunc()
{
    KSTexture2D* texture = textureAtlas_->texture();
    if (!texture || !texture->hasPremultipliedAlpha())
        blendFunc_ = { GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA };
}

// Drawing ---------------------------------------------------------------------------

void KSSpriteBatchNode::visit()
{
    if (!visible_)
        return;
    glPushMatrix();
    platform::Ref<KSGridBase> grid = this->grid();
    const bool gridActive = grid && grid->active();
    if (gridActive) {
        grid->beforeDraw();
        transformAncestors();
    }
    transform();
    draw();
    if (gridActive)
        grid->afterDraw(this);
    glPopMatrix();
}

void KSSpriteBatchNode::draw()
{
    if (textureAtlas_->totalQuads() == 0)
        return;
    // Each sprite through its own override, so that a subclass's quad update runs
    // for its own instances only.
    ksArray* d = descendants_->data();
    constexpr uint32_t kAhead = 4;
    for (uint32_t i = 0; i < d->num; ++i) {
        // The sprites are far apart in memory: ask for a later one's fields early.
        if (i + kAhead < d->num) {
            const char* later = reinterpret_cast<const char*>(d->arr[i + kAhead]);
            __builtin_prefetch(later);
            __builtin_prefetch(later + 64);
            __builtin_prefetch(later + 128);
        }
        static_cast<KSSprite*>(d->arr[i])->updateTransform();
    }

    const bool newBlend = blendFunc_.src != KS_BLEND_SRC || blendFunc_.dst != KS_BLEND_DST;
    if (newBlend)
        glBlendFunc(blendFunc_.src, blendFunc_.dst);
    textureAtlas_->drawQuads();
    if (newBlend)
        glBlendFunc(KS_BLEND_SRC, KS_BLEND_DST);
}

} // namespace kestrel
