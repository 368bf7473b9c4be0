// Sprite batch nodes: atlas indices in depth-first z order through inserts,
// reorders and removals, growth, the per-sprite quad update and batch transforms.
#include "NodeTestSupport.h"
#include "TextureTestSupport.h"

#include "engine/KSSprite.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSTexture2D.h"
#include "engine/KSTextureAtlas.h"

#include <cstring>
#include <map>
#include <random>
#include <vector>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

// Counts its own quad updates.
class CountingSprite : public KSSprite {
public:
    static Ref<CountingSprite> make(KSTexture2D* texture)
    {
        auto s = adoptRef(new CountingSprite);
        return s->initWithTexture(texture) ? s : nullptr;
    }
    void updateTransform() override
    {
        updates++;
        KSSprite::updateTransform();
    }
    int updates { 0 };
};

class BatchTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        texture = texture_test::whiteTexture(16);
        ASSERT_TRUE(texture);
        batch = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    }
    void TearDown() override
    {
        batch = nullptr;
        KSActionManager::purgeSharedManager();
        KSScheduler::purgeSharedScheduler();
        GLTest::TearDown();
    }

    Ref<KSSprite> sprite(const char* name = nullptr)
    {
        auto s = KSSprite::spriteWithTexture(texture.get(), Rect(0, 0, 4, 4));
        if (name)
            names[s.get()] = name;
        return s;
    }

    // The names of the descendants in atlas order.
    std::string order() const
    {
        std::string out;
        for (KSSprite* s : batch->descendants()->objectsAs<KSSprite>()) {
            auto found = names.find(s);
            out += (out.empty() ? "" : " ") + (found != names.end() ? found->second : std::string("?"));
        }
        return out;
    }

    // Every descendant sits at its own index, the atlas holds one quad each, and
    // (after a draw) each quad in the atlas is the sprite's own.
    void expectConsistent()
    {
        auto screen = makeScreen(8, 8);
        batch->visit();
        KSArray* d = batch->descendants();
        KSTextureAtlas* atlas = batch->textureAtlas();
        ASSERT_EQ(atlas->totalQuads(), d->count());
        for (uint32_t i = 0; i < d->count(); ++i) {
            auto* s = d->objectAtIndexAs<KSSprite>(i);
            EXPECT_EQ(s->atlasIndex(), i);
            EXPECT_TRUE(s->usesBatchNode());
            ksV3F_C4B_T2F_Quad q = s->quad();
            EXPECT_EQ(std::memcmp(&q, &atlas->quads()[i], sizeof q), 0) << "quad " << i;
        }
    }

    Ref<KSTexture2D> texture;
    Ref<KSSpriteBatchNode> batch;
    std::map<const KSSprite*, std::string> names;
};

} // namespace

// Atlas order ------------------------------------------------------------------------

TEST_F(BatchTest, InsertsReordersAndRemovalsKeepTheDepthFirstZOrder)
{
    std::vector<Ref<KSSprite>> top;
    for (const char* n : { "a", "b", "c", "d", "e", "f" }) {
        top.push_back(sprite(n));
        batch->addChild(top.back());
    }
    // A child below zero of the sprite at index 5 takes index 5 and pushes the rest up.
    KSSprite* f = top[5].get();
    EXPECT_EQ(f->atlasIndex(), 5u);
    auto fBelow = sprite("f-");
    f->addChild(fBelow, -1);
    EXPECT_EQ(fBelow->atlasIndex(), 5u);
    EXPECT_EQ(f->atlasIndex(), 6u);
    EXPECT_EQ(order(), "a b c d e f- f");

    // Children on both sides of an inner sprite, then deeper.
    auto bAbove = sprite("b+");
    top[1]->addChild(bAbove, 2);
    top[1]->addChild(sprite("b-"), -3);
    bAbove->addChild(sprite("b+-"), -1);
    EXPECT_EQ(order(), "a b- b b+- b+ c d e f- f");
    expectConsistent();

    // Moving a top-level sprite in front, and an inner child across zero.
    batch->reorderChild(top[4], -1);
    EXPECT_EQ(order(), "e a b- b b+- b+ c d f- f");
    top[1]->reorderChild(bAbove, -5);
    EXPECT_EQ(order(), "e a b+- b+ b- b c d f- f");
    expectConsistent();

    // Reordering to the same z changes nothing.
    batch->reorderChild(top[2], 0);
    EXPECT_EQ(order(), "e a b+- b+ b- b c d f- f");

    // Removing a sprite with children frees all their slots; they render themselves again.
    Ref<KSSprite> b = top[1];
    batch->removeChild(b, true);
    EXPECT_EQ(order(), "e a c d f- f");
    for (KSSprite* s : { b.get(), bAbove.get() }) {
        EXPECT_FALSE(s->usesBatchNode());
        EXPECT_EQ(s->atlasIndex(), kSpriteIndexNone);
    }
    f->removeChild(fBelow, true);
    EXPECT_EQ(order(), "e a c d f");
    batch->removeChild(nullptr, true);
    expectConsistent();

    // Putting the removed subtree back brings every sprite of it.
    batch->addChild(b, -2);
    EXPECT_EQ(order(), "b+- b+ b- b e a c d f");
    expectConsistent();
}

// The drawing order worked out from the tree itself.
void depthFirst(KSNode* node, KSNode* batch, std::vector<KSNode*>& out)
{
    KSArray* children = node->children();
    if (children)
        for (KSNode* c : children->objectsAs<KSNode>())
            if (c->zOrder() < 0)
                depthFirst(c, batch, out);
    if (node != batch)
        out.push_back(node);
    if (children)
        for (KSNode* c : children->objectsAs<KSNode>())
            if (c->zOrder() >= 0)
                depthFirst(c, batch, out);
}

TEST_F(BatchTest, RandomEditsKeepTheAtlasInDrawingOrder)
{
    std::mt19937 rng(7);
    std::vector<Ref<KSSprite>> all;
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    for (int step = 0; step < 300; ++step) {
        std::vector<KSNode*> inTree;
        depthFirst(batch.get(), batch.get(), inTree);
        int op = static_cast<int>(pick(10));
        int z = static_cast<int>(pick(7)) - 3;
        if (op < 5 || inTree.empty()) {
            // Add a new sprite (sometimes with a child of its own) under the node or a sprite.
            auto s = sprite();
            if (pick(4) == 0)
                s->addChild(sprite(), static_cast<int>(pick(3)) - 1);
            all.push_back(s);
            KSNode* parent = inTree.empty() || pick(3) == 0 ? batch.get() : inTree[pick(inTree.size())];
            parent->addChild(s, z);
        } else if (op < 8) {
            KSNode* n = inTree[pick(inTree.size())];
            n->parent()->reorderChild(n, z);
        } else {
            KSNode* n = inTree[pick(inTree.size())];
            n->parent()->removeChild(n, true);
        }
        std::vector<KSNode*> expected;
        depthFirst(batch.get(), batch.get(), expected);
        KSArray* d = batch->descendants();
        ASSERT_EQ(d->count(), expected.size()) << "step " << step;
        for (uint32_t i = 0; i < d->count(); ++i) {
            ASSERT_EQ(d->objectAtIndex(i), expected[i]) << "step " << step << " position " << i;
            ASSERT_EQ(d->objectAtIndexAs<KSSprite>(i)->atlasIndex(), i) << "step " << step;
        }
    }
    expectConsistent();

    // Renumbering from scratch gives the same indices.
    for (KSSprite* s : batch->descendants()->objectsAs<KSSprite>())
        s->setAtlasIndex(0);
    EXPECT_EQ(batch->rebuildIndexInOrder(batch.get(), 0), batch->descendants()->count());
    expectConsistent();
}

TEST_F(BatchTest, SpriteMadeForTheBatchTakesItsChildrenAlongWhenAdded)
{
    auto parent = KSSprite::spriteWithBatchNode(batch.get(), Rect(0, 0, 4, 4));
    names[parent.get()] = "p";
    parent->addChild(sprite("c"), 1);
    parent->addChild(sprite("c-"), -1);
    EXPECT_EQ(batch->descendants()->count(), 0u) << "nothing enters the atlas before the parent";
    batch->addChild(parent);
    EXPECT_EQ(order(), "c- p c");
    expectConsistent();
}

TEST_F(BatchTest, AtlasGrowsByAThirdAndKeepsItsQuads)
{
    for (int i = 0; i < 29; ++i)
        batch->addChild(sprite());
    EXPECT_EQ(batch->textureAtlas()->capacity(), 29u);
    batch->addChild(sprite());
    EXPECT_EQ(batch->textureAtlas()->capacity(), 40u);
    for (int i = 0; i < 11; ++i)
        batch->addChild(sprite(), -1);
    EXPECT_EQ(batch->textureAtlas()->capacity(), 54u);
    expectConsistent();
}

TEST_F(BatchTest, TheChildAndDescendantListsGrowWithTheAtlasNotPastIt)
{
    for (int i = 0; i < 30; ++i)
        batch->addChild(sprite());
    EXPECT_EQ(batch->textureAtlas()->capacity(), 40u);
    EXPECT_EQ(batch->children()->capacity(), 40u);
    EXPECT_EQ(batch->descendants()->capacity(), 40u);
}

TEST_F(BatchTest, AtlasLimitRefusesTheSpriteWithoutChangingTheNode)
{
    auto big = KSSpriteBatchNode::batchNodeWithTexture(texture.get(), kKSTextureAtlasMaxCapacity - 1);
    for (uint32_t i = 0; i + 1 < kKSTextureAtlasMaxCapacity; ++i)
        big->addChild(sprite());
    // The last growth step stops at the limit instead of failing beyond it.
    big->addChild(sprite());
    EXPECT_EQ(big->textureAtlas()->capacity(), kKSTextureAtlasMaxCapacity);
    auto extra = sprite();
    EXPECT_ASSERTION(big->addChild(extra), "engine/KSSpriteBatchNode",
                     "XXX: SpriteSheet#increaseAtlasCapacity SHALL handle this assert");
    EXPECT_EQ(extra->parent(), nullptr);
    EXPECT_EQ(big->descendants()->count(), kKSTextureAtlasMaxCapacity);
    EXPECT_EQ(big->children()->count(), kKSTextureAtlasMaxCapacity);
}

// Refusals -----------------------------------------------------------------------------

TEST_F(BatchTest, OnlySpritesOfTheSameTextureAreAccepted)
{
    EXPECT_ASSERTION(batch->addChild(KSNode::node()), "engine/KSSpriteBatchNode",
                     "KSSpriteBatchNode only supports KSSprites as children");
    std::vector<uint8_t> px(4 * 4 * 4, 255);
    auto other = KSTexture2D::textureWithData(px.data(), kKSTexture2DPixelFormat_RGBA8888, 4, 4, Size(4, 4));
    EXPECT_ASSERTION(batch->addChild(KSSprite::spriteWithTexture(other.get())), "engine/KSSpriteBatchNode",
                     "KSSprite is not using the same texture id");
    auto inside = sprite();
    batch->addChild(inside);
    EXPECT_ASSERTION(inside->addChild(KSNode::node()), "engine/KSSprite",
                     "KSSprite only supports KSSprites as children when using KSSpriteBatchNode");
    EXPECT_EQ(inside->children(), nullptr);
    // Asking a sprite to remove what is not its child leaves the atlas alone.
    auto sibling = sprite();
    batch->addChild(sibling);
    inside->removeChild(sibling, true);
    EXPECT_EQ(sibling->atlasIndex(), 1u);
    EXPECT_EQ(batch->descendants()->count(), 2u);
    EXPECT_ASSERTION(batch->removeChild(sprite(), true), "engine/KSSpriteBatchNode",
                     "KSSpriteBatchNode doesn't contain the sprite. Can't remove it");
    EXPECT_ASSERTION(inside->updateBlendFunc(), "engine/KSSprite",
                     "KSSprite: updateBlendFunc doesn't work when the sprite is rendered using a KSSpriteBatchNode");
    EXPECT_ASSERTION(inside->draw(), "engine/KSSprite",
                     "If KSSprite is being rendered by KSSpriteBatchNode, KSSprite#draw SHOULD NOT be called");
    EXPECT_ASSERTION(sprite()->updateTransform(), "engine/KSSprite",
                     "updateTransform is only valid when KSSprite is being renderd using an KSSpriteBatchNode");
    EXPECT_ASSERTION(inside->setIsRelativeAnchorPoint(false), "engine/KSSprite",
                     "relativeTransformAnchor is invalid in KSSprite");
}

// Quad updates -----------------------------------------------------------------------------

TEST_F(BatchTest, EachSpriteUpdatesThroughItsOwnOverride)
{
    auto plain = sprite();
    auto counting = CountingSprite::make(texture.get());
    batch->addChild(plain);
    batch->addChild(counting);
    plain->setPosition(Point(10, 20));
    auto screen = makeScreen(8, 8);
    batch->visit();
    EXPECT_EQ(counting->updates, 1) << "once for itself, never on behalf of other sprites";
    EXPECT_FLOAT_EQ(batch->textureAtlas()->quads()[0].bl.vertices.x, 8);
    EXPECT_FLOAT_EQ(batch->textureAtlas()->quads()[0].bl.vertices.y, 18);

    // The override found first does not run for the sprites after it.
    auto second = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    auto first = CountingSprite::make(texture.get());
    second->addChild(first);
    second->addChild(sprite());
    second->addChild(sprite());
    second->visit();
    EXPECT_EQ(first->updates, 1);
}

TEST_F(BatchTest, ChildHonouringOnlyTranslationMovesButDoesNotTurnWithItsParent)
{
    auto parent = sprite();
    auto child = sprite();
    parent->addChild(child);
    batch->addChild(parent);
    // Parent 4 x 4 at (20, 20) turned a quarter; child at (2, 2) in the parent, scaled by 2.
    parent->setPosition(Point(20, 20));
    parent->setRotation(90);
    child->setPosition(Point(2, 2));
    child->setScale(2);
    child->setHonorParentTransform(kHonorParentTranslate);
    auto screen = makeScreen(8, 8);
    batch->visit();
    const ksV3F_C4B_T2F_Quad& q = batch->textureAtlas()->quads()[child->atlasIndex()];
    // The child's centre: the parent's lower-left corner (18, 18) plus (2, 2), unturned;
    // its own scale makes it 8 x 8.
    EXPECT_FLOAT_EQ(q.bl.vertices.x, 16);
    EXPECT_FLOAT_EQ(q.bl.vertices.y, 16);
    EXPECT_FLOAT_EQ(q.tr.vertices.x, 24);
    EXPECT_FLOAT_EQ(q.tr.vertices.y, 24);

    // Honouring everything, the parent's quarter turn (clockwise) applies as well:
    // the child's lower-left corner ends up at the upper left.
    child->setHonorParentTransform(kHonorParentAll);
    child->setDirtyRecursively(true);
    batch->visit();
    const ksV3F_C4B_T2F_Quad& turned = batch->textureAtlas()->quads()[child->atlasIndex()];
    EXPECT_NEAR(turned.bl.vertices.x, 16, 1e-4);
    EXPECT_NEAR(turned.bl.vertices.y, 24, 1e-4);
    EXPECT_NEAR(turned.tr.vertices.x, 24, 1e-4);
    EXPECT_NEAR(turned.tr.vertices.y, 16, 1e-4);
}

// Life cycle -----------------------------------------------------------------------------

TEST_F(BatchTest, RemovingEverythingReleasesTheWholeTree)
{
    auto parent = sprite();
    auto grandchild = sprite();
    auto child = sprite();
    child->addChild(grandchild);
    parent->addChild(child);
    batch->addChild(parent);
    batch->removeAllChildrenWithCleanup(true);
    EXPECT_EQ(batch->descendants()->count(), 0u);
    EXPECT_EQ(batch->textureAtlas()->totalQuads(), 0u);
    for (KSSprite* s : { parent.get(), child.get(), grandchild.get() }) {
        EXPECT_FALSE(s->usesBatchNode());
        EXPECT_EQ(s->batchNode(), nullptr);
    }
    // A change to the old grandchild must not land in the slot of a new sprite.
    auto fresh = sprite();
    batch->addChild(fresh);
    ksV3F_C4B_T2F_Quad before = batch->textureAtlas()->quads()[0];
    grandchild->setColor(ksRED);
    EXPECT_EQ(std::memcmp(&before, &batch->textureAtlas()->quads()[0], sizeof before), 0);
}

TEST_F(BatchTest, ASpriteGivenAnotherAtlasWritesItsWholeQuadThere)
{
    auto s = sprite(); // 4 x 4 pixels of a 16-pixel texture
    batch->addChild(s);
    s->setPosition(Point(6, 5));
    auto screen = makeScreen(8, 8);
    batch->visit();
    const ksV3F_C4B_T2F_Quad inBatch = batch->textureAtlas()->quads()[0];

    // An atlas over a texture twice as wide: the next update writes the whole
    // quad there, with coordinates for that texture; the batch node's slot stays.
    auto wide = texture_test::whiteTexture(32);
    auto other = KSTextureAtlas::textureAtlasWithTexture(wide.get(), 4);
    s->setTextureAtlas(other.get());
    EXPECT_EQ(s->textureAtlas(), other.get());
    batch->visit();
    const ksV3F_C4B_T2F_Quad& there = other->quads()[0];
    EXPECT_FLOAT_EQ(there.bl.vertices.x, 4);
    EXPECT_FLOAT_EQ(there.tr.texCoords.u, 4.0f / 32);
    EXPECT_EQ(there.tl.colors, (ksColor4B { 255, 255, 255, 255 }));
    s->setColor(ksRED);
    EXPECT_EQ(there.tl.colors, (ksColor4B { 255, 0, 0, 255 }));
    EXPECT_EQ(std::memcmp(&inBatch, &batch->textureAtlas()->quads()[0], sizeof inBatch), 0);

    // Once that atlas is gone the sprite writes into none; given the batch
    // node's atlas back, it rewrites its slot there whole.
    other = nullptr;
    EXPECT_EQ(s->textureAtlas(), nullptr);
    s->setPosition(Point(7, 7));
    batch->visit();
    s->setTextureAtlas(batch->textureAtlas());
    batch->visit();
    const ksV3F_C4B_T2F_Quad& back = batch->textureAtlas()->quads()[0];
    EXPECT_FLOAT_EQ(back.bl.vertices.x, 5);
    EXPECT_EQ(back.tl.colors, (ksColor4B { 255, 0, 0, 255 }));
    EXPECT_FLOAT_EQ(back.tr.texCoords.u, 0.25f);

    // Leaving the batch node forgets a chosen atlas.
    auto kept = KSTextureAtlas::textureAtlasWithTexture(wide.get(), 4);
    s->setTextureAtlas(kept.get());
    batch->removeChild(s, true);
    EXPECT_EQ(s->textureAtlas(), nullptr);
}

TEST_F(BatchTest, SpritesOutlivingTheirBatchNodeRenderThemselves)
{
    auto s = sprite();
    batch->addChild(s);
    batch = nullptr;
    EXPECT_FALSE(s->usesBatchNode());
    EXPECT_EQ(s->textureAtlas(), nullptr);
    s->setPosition(Point(4, 4)); // must not touch the freed atlas
    auto screen = makeScreen(8, 8);
    s->visit();
    EXPECT_EQ(screen->readPixels()[(4 * 8 + 4) * 4 + 3], 255);
}

TEST_F(BatchTest, ABatchedSpriteShowsTheBatchTextureAndKeepsItWhenItLeaves)
{
    const int retained = texture->retainCount();
    auto s = sprite();
    EXPECT_EQ(texture->retainCount(), retained + 1);
    batch->addChild(s);
    // Through the batch node: the sprite holds no reference of its own.
    EXPECT_EQ(s->texture(), texture.get());
    EXPECT_EQ(texture->retainCount(), retained);
    batch->removeChild(s, true);
    EXPECT_EQ(s->texture(), texture.get());
    EXPECT_EQ(texture->retainCount(), retained + 1);
    batch->addChild(s);
    batch = nullptr;
    // The batch node and its atlas are gone: the sprite's reference took the atlas's place.
    EXPECT_EQ(s->texture(), texture.get());
    EXPECT_EQ(texture->retainCount(), retained);
    s = nullptr;
    EXPECT_EQ(texture->retainCount(), retained - 1);
}

// Unchanged sprites ------------------------------------------------------------------

TEST_F(BatchTest, ASpriteWhosePlacementDidNotChangeIsNeitherRecomputedNorRewritten)
{
    auto screen = makeScreen(8, 8);
    auto s = sprite();
    batch->addChild(s);
    s->setPosition(Point(3, 4));
    s->setRotation(30);
    s->setScale(2);
    s->setAnchorPoint(Point(0.25f, 0.5f));
    batch->visit();
    ASSERT_FALSE(s->dirty());
    // Mark the atlas copy: a rewrite would overwrite the mark.
    KSTextureAtlas* atlas = batch->textureAtlas();
    atlas->quads()[0].bl.vertices.z = 99;
    s->setPosition(Point(3, 4));
    s->setRotation(30);
    s->setScale(2);
    s->setScaleX(2);
    s->setScaleY(2);
    s->setAnchorPoint(Point(0.25f, 0.5f));
    s->setVisible(true);
    EXPECT_FALSE(s->dirty());
    batch->visit();
    EXPECT_EQ(atlas->quads()[0].bl.vertices.z, 99);
    // Any real change is written out.
    s->setPosition(Point(3, 5));
    EXPECT_TRUE(s->dirty());
    batch->visit();
    EXPECT_EQ(atlas->quads()[0].bl.vertices.z, 0);
    const ksV3F_C4B_T2F_Quad q = s->quad();
    EXPECT_EQ(std::memcmp(&atlas->quads()[0], &q, sizeof q), 0);
}

TEST_F(BatchTest, AMoveTogetherWithANewRectFlipOrColourStillReachesTheAtlasWhole)
{
    auto screen = makeScreen(8, 8);
    std::vector<Ref<KSSprite>> sprites;
    for (int i = 0; i < 3; ++i) {
        sprites.push_back(sprite());
        batch->addChild(sprites.back());
    }
    batch->visit();
    // Moved first, then given a new rectangle, a flip or a colour before the next frame.
    sprites[0]->setPosition(Point(5, 5));
    sprites[0]->setTextureRect(Rect(4, 4, 8, 8));
    sprites[1]->setPosition(Point(6, 6));
    sprites[1]->setFlipX(true);
    sprites[2]->setPosition(Point(7, 7));
    sprites[2]->setColor(ksColor3B { 10, 20, 30 });
    // And the other way round on the next frame.
    expectConsistent();
    sprites[0]->setTextureRect(Rect(0, 0, 4, 4));
    sprites[0]->setPosition(Point(1, 1));
    sprites[1]->setFlipY(true);
    sprites[1]->setRotation(45);
    expectConsistent();
    EXPECT_FLOAT_EQ(batch->textureAtlas()->quads()[0].tr.texCoords.u, 0.25f);
}

// The quad lives in the atlas ---------------------------------------------------------

TEST_F(BatchTest, ColourReachesTheAtlasAtOnceAndASpriteLeavingItKeepsItsLook)
{
    auto screen = makeScreen(8, 8);
    auto s = sprite();
    batch->addChild(s);
    s->setPosition(Point(4, 4));
    batch->visit();
    KSTextureAtlas* atlas = batch->textureAtlas();
    atlas->quads()[0].bl.vertices.z = 99;
    // A colour is written into the slot without a frame and without touching the positions.
    s->setOpacityModifyRGB(false);
    s->setColor(ksColor3B { 10, 20, 30 });
    s->setOpacity(40);
    EXPECT_EQ(atlas->quads()[0].tr.colors, (ksColor4B { 10, 20, 30, 40 }));
    EXPECT_EQ(atlas->quads()[0].bl.vertices.z, 99);

    s->setFlipX(true);
    s->setTextureRect(Rect(4, 0, 4, 8));
    batch->visit();
    const ksV3F_C4B_T2F_Quad inAtlas = atlas->quads()[0];
    EXPECT_FLOAT_EQ(inAtlas.bl.texCoords.u, 0.5f) << "flipped on x";
    EXPECT_FLOAT_EQ(inAtlas.br.texCoords.u, 0.25f);

    // Out of the atlas the sprite draws the same picture from its own space.
    batch->removeChild(s, true);
    ASSERT_FALSE(s->usesBatchNode());
    const ksV3F_C4B_T2F_Quad own = s->quad();
    EXPECT_EQ(own.tr.colors, (ksColor4B { 10, 20, 30, 40 }));
    EXPECT_EQ(std::memcmp(&own.bl.texCoords, &inAtlas.bl.texCoords, sizeof own.bl.texCoords), 0);
    EXPECT_EQ(std::memcmp(&own.tr.texCoords, &inAtlas.tr.texCoords, sizeof own.tr.texCoords), 0);
    EXPECT_EQ(own.bl.vertices.x, 0);
    EXPECT_EQ(own.tr.vertices.x, 4);
    EXPECT_EQ(own.tr.vertices.y, 8);

    // And back in, it is written whole into its new slot.
    batch->addChild(sprite());
    batch->addChild(s);
    batch->visit();
    const ksV3F_C4B_T2F_Quad back = atlas->quads()[s->atlasIndex()];
    EXPECT_EQ(back.tr.colors, (ksColor4B { 10, 20, 30, 40 }));
    EXPECT_EQ(std::memcmp(&back.bl.texCoords, &inAtlas.bl.texCoords, sizeof back.bl.texCoords), 0);
    EXPECT_EQ(std::memcmp(&back.tr.vertices, &inAtlas.tr.vertices, sizeof back.tr.vertices), 0);
}
