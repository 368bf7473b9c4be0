// Sprites and the batch nodes they are linked to, dying in any order: a sprite
// switched to a batch node (made for it, or given a tile map's quad) keeps its
// texture when the node goes first; the rendering-mode flag, the pixel position
// after a content-scale change and the texture role.
#include "TMXTestSupport.h"
#include "TextureTestSupport.h"

#include "engine/KSActionManager.h"
#include "engine/KSScheduler.h"
#include "engine/KSSprite.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSTMXTiledMap.h"
#include "engine/KSTextureAtlas.h"

#include <functional>
#include <random>
#include <vector>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

class SpriteLifetimeTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        texture = texture_test::whiteTexture(16);
        ASSERT_TRUE(texture);
        tmx_test::writeTiles(dir.file("tiles.png"));
    }
    void TearDown() override
    {
        ksSetContentScaleFactor(1);
        KSActionManager::purgeSharedManager();
        KSScheduler::purgeSharedScheduler();
        GLTest::TearDown();
    }

    // A 3 x 2 orthogonal map of 8 x 8 tiles, one layer "ground" with four tiles.
    Ref<KSTMXTiledMap> loadMap(const std::string& name)
    {
        dir.write(name, tmx_test::mapDocument("orthogonal", 3, 2, 8, 8,
                                              tmx_test::kTileset + tmx_test::layer("ground", 3, 2, { 1, 2, 0, 0, 3, 4 })));
        return KSTMXTiledMap::tiledMapWithTMXFile(name);
    }

    // What a sprite left by its batch node must still answer, without touching the node.
    void expectSelfRendered(KSSprite* s, KSTexture2D* shown)
    {
        EXPECT_FALSE(s->usesBatchNode());
        EXPECT_EQ(s->batchNode(), nullptr);
        EXPECT_EQ(s->textureAtlas(), nullptr);
        EXPECT_EQ(s->atlasIndex(), kSpriteIndexNone);
        EXPECT_EQ(s->texture(), shown);
        s->setColor(ksRED);
        s->setFlipX(!s->flipX());
        s->setPosition(Point(4, 4));
        s->setDisplayFrame(s->displayedFrame().get());
        auto screen = makeScreen(8, 8);
        s->visit();
        EXPECT_EQ(screen->readPixels()[(4 * 8 + 4) * 4 + 3], 255) << "draws itself";
    }

    Ref<KSTexture2D> texture;
};

} // namespace

TEST_F(SpriteLifetimeTest, ASpriteSwitchedToABatchNodeKeepsItsTextureWhenTheNodeGoesFirst)
{
    const int retained = texture->retainCount();
    using Maker = std::function<Ref<KSSprite>(KSSpriteBatchNode*)>;
    const std::vector<std::pair<const char*, Maker>> ways {
        { "spriteWithBatchNode", [](KSSpriteBatchNode* b) { return KSSprite::spriteWithBatchNode(b, Rect(0, 0, 4, 4)); } },
        { "initWithBatchNode",
          [](KSSpriteBatchNode* b) {
              auto s = KSSprite::sprite();
              EXPECT_TRUE(s->initWithBatchNodeRectInPixels(b, Rect(0, 0, 4, 4)));
              return s;
          } },
        { "createSpriteWithRect", [](KSSpriteBatchNode* b) { return b->createSpriteWithRect(Rect(0, 0, 4, 4)); } },
        { "initSprite",
          [](KSSpriteBatchNode* b) {
              auto s = KSSprite::sprite();
              b->initSprite(s.get(), Rect(0, 0, 4, 4));
              return s;
          } },
    };
    for (const auto& [name, make] : ways) {
        SCOPED_TRACE(name);
        auto batch = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
        Ref<KSSprite> s = make(batch.get());
        ASSERT_TRUE(s);
        EXPECT_TRUE(s->usesBatchNode());
        EXPECT_EQ(s->batchNode(), batch.get());
        EXPECT_EQ(s->texture(), texture.get());
        batch = nullptr;
        expectSelfRendered(s.get(), texture.get());
        s = nullptr;
        EXPECT_EQ(texture->retainCount(), retained) << "every reference the sprite took is given back";
    }
}

TEST_F(SpriteLifetimeTest, ASwitchedSpriteWhoseNodeWentJoinsAnotherOrRendersItself)
{
    auto first = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    auto s = KSSprite::spriteWithBatchNode(first.get(), Rect(0, 0, 4, 4));
    auto child = first->createSpriteWithRect(Rect(4, 4, 4, 4));
    s->addChild(child.get());
    first = nullptr;

    // Added to another batch node later, with the child it was given meanwhile.
    auto second = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    second->addChild(s.get());
    EXPECT_EQ(s->batchNode(), second.get());
    EXPECT_EQ(child->batchNode(), second.get());
    EXPECT_EQ(second->descendants()->count(), 2u);
    auto screen = makeScreen(8, 8);
    second->visit();

    // Switched to a third node that goes while the sprite is still in the second.
    auto other = KSSprite::spriteWithTexture(texture.get(), Rect(0, 0, 4, 4));
    {
        auto third = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
        other->useBatchNode(third.get());
    }
    other->useSelfRender();
    EXPECT_EQ(other->texture(), texture.get());
    second = nullptr;
    expectSelfRendered(s.get(), texture.get());
    EXPECT_EQ(child->texture(), texture.get());
}

TEST_F(SpriteLifetimeTest, ASpriteGivenATileMapsQuadKeepsItsTextureWhenTheMapGoesFirst)
{
    auto map = loadMap("level.tmx");
    ASSERT_TRUE(map);
    KSTMXLayer* ground = map->layerNamed("ground");
    Ref<KSTexture2D> tiles = ground->texture();
    auto stray = KSSprite::spriteWithTexture(tiles.get(), Rect(0, 0, 8, 8));
    ground->addQuadFromSprite(stray.get(), ground->textureAtlas()->totalQuads());
    EXPECT_EQ(stray->batchNode(), ground);
    Ref<KSSprite> tile = ground->tileAt(Point(1, 0));
    ASSERT_TRUE(tile);
    map = nullptr;
    expectSelfRendered(stray.get(), tiles.get());
    EXPECT_EQ(tile->texture(), tiles.get());
    EXPECT_EQ(tile->batchNode(), nullptr);
}

// Sprites, batch nodes and tile maps made, batched, unbatched, moved and let go
// in random orders: under the address sanitizer, any call reaching a node that
// is gone is reported.
TEST_F(SpriteLifetimeTest, RandomLivesOfSpritesBatchNodesAndMapsReachNothingThatIsGone)
{
    for (unsigned seed : { 1u, 2u, 3u }) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        auto pick = [&](size_t n) { return static_cast<size_t>(std::uniform_int_distribution<size_t>(0, n - 1)(rng)); };
        std::vector<Ref<KSSprite>> sprites;
        std::vector<Ref<KSSpriteBatchNode>> batches;
        std::vector<Ref<KSTMXTiledMap>> maps;
        auto roots = std::vector<Ref<KSNode>> { KSNode::node(), KSNode::node() };
        int mapsMade = 0;

        auto isAncestor = [](KSNode* a, KSNode* n) {
            for (; n; n = n->parent())
                if (n == a)
                    return true;
            return false;
        };
        auto layerOf = [&](size_t i) { return maps[i]->layerNamed("ground"); };

        for (int step = 0; step < 2000; ++step) {
            switch (pick(14)) {
            case 0:
                sprites.push_back(KSSprite::spriteWithTexture(texture.get(), Rect(0, 0, 4, 4)));
                break;
            case 1:
                if (!batches.empty())
                    sprites.push_back(pick(2) ? batches[pick(batches.size())]->createSpriteWithRect(Rect(4, 0, 4, 4))
                                              : KSSprite::spriteWithBatchNode(batches[pick(batches.size())].get(),
                                                                              Rect(0, 4, 4, 4)));
                break;
            case 2:
                batches.push_back(KSSpriteBatchNode::batchNodeWithTexture(texture.get(), 4));
                if (pick(2))
                    roots[pick(2)]->addChild(batches.back().get());
                break;
            case 3:
                if (mapsMade < 12) {
                    maps.push_back(loadMap("map" + std::to_string(mapsMade++) + ".tmx"));
                    if (pick(2))
                        roots[pick(2)]->addChild(maps.back().get());
                }
                break;
            case 4: // batch a free sprite, or put it under another sprite
                if (!sprites.empty()) {
                    KSSprite* s = sprites[pick(sprites.size())].get();
                    if (s->parent() || s->texture() != texture.get())
                        break;
                    if (!batches.empty() && pick(2)) {
                        batches[pick(batches.size())]->addChild(s, static_cast<int>(pick(3)) - 1);
                    } else {
                        KSSprite* parent = sprites[pick(sprites.size())].get();
                        if (parent->texture() == texture.get() && !isAncestor(s, parent))
                            parent->addChild(s, static_cast<int>(pick(3)) - 1);
                    }
                }
                break;
            case 5: // unbatch, or take out of its parent sprite or tile layer
                if (!sprites.empty()) {
                    KSSprite* s = sprites[pick(sprites.size())].get();
                    if (s->parent())
                        s->removeFromParentAndCleanup(pick(2));
                }
                break;
            case 6: // move a batch node or map to the other root, or out
                if (!batches.empty() || !maps.empty()) {
                    KSNode* n = (maps.empty() || (!batches.empty() && pick(2))) ? static_cast<KSNode*>(batches[pick(batches.size())].get())
                                                                                : maps[pick(maps.size())].get();
                    Ref<KSNode> keep(n);
                    n->removeFromParentAndCleanup(false);
                    if (pick(2))
                        roots[pick(2)]->addChild(n);
                }
                break;
            case 7:
                if (!sprites.empty())
                    sprites.erase(sprites.begin() + static_cast<long>(pick(sprites.size())));
                break;
            case 8:
                if (!batches.empty())
                    batches.erase(batches.begin() + static_cast<long>(pick(batches.size())));
                break;
            case 9:
                if (!maps.empty())
                    maps.erase(maps.begin() + static_cast<long>(pick(maps.size())));
                break;
            case 10: // tiles: a sprite for a cell, or a new or cleared cell
                if (!maps.empty()) {
                    KSTMXLayer* ground = layerOf(pick(maps.size()));
                    Point cell(static_cast<float>(pick(3)), static_cast<float>(pick(2)));
                    switch (pick(3)) {
                    case 0:
                        if (KSSprite* tile = ground->tileAt(cell))
                            sprites.push_back(tile);
                        break;
                    case 1: ground->setTileGID(static_cast<uint32_t>(1 + pick(8)), cell); break;
                    default: ground->removeTileAt(cell); break;
                    }
                }
                break;
            case 11: // a quad from a sprite that is no tile of the layer
                if (!maps.empty() && !sprites.empty()) {
                    KSTMXLayer* ground = layerOf(pick(maps.size()));
                    KSSprite* s = sprites[pick(sprites.size())].get();
                    if (!s->parent())
                        ground->addQuadFromSprite(s, ground->textureAtlas()->totalQuads());
                }
                break;
            case 12: // what any sprite answers, whatever it is linked to
                if (!sprites.empty()) {
                    KSSprite* s = sprites[pick(sprites.size())].get();
                    (void)s->texture();
                    (void)s->quad();
                    s->setColor({ static_cast<GLubyte>(pick(256)), 0, 0 });
                    s->setFlipY(!s->flipY());
                    s->setPosition(Point(static_cast<float>(pick(8)), 0));
                    if (s->texture())
                        s->setDisplayFrame(s->displayedFrame().get());
                    // Only a lone self-rendered sprite draws itself.
                    if (!s->parent() && !s->usesBatchNode() && s->texture() && (!s->children() || s->children()->count() == 0))
                        s->visit();
                }
                break;
            default: { // a frame of everything still standing
                auto screen = makeScreen(8, 8);
                for (auto& root : roots)
                    root->visit();
                for (auto& batch : batches)
                    batch->visit();
                break;
            }
            }
        }
        // Whatever is left dies in one more random order.
        std::shuffle(sprites.begin(), sprites.end(), rng);
        roots.clear();
        while (!sprites.empty() || !batches.empty() || !maps.empty()) {
            switch (pick(3)) {
            case 0: if (!sprites.empty()) sprites.pop_back(); break;
            case 1: if (!batches.empty()) batches.pop_back(); break;
            default: if (!maps.empty()) maps.pop_back(); break;
            }
        }
    }
}

// Rendering mode, placement and roles -------------------------------------------------

TEST_F(SpriteLifetimeTest, UsesBatchNodeIsAPlainFlagThatKeepsTheTexture)
{
    auto s = KSSprite::spriteWithTexture(texture.get(), Rect(0, 0, 4, 4));
    s->setUsesBatchNode(true);
    EXPECT_TRUE(s->usesBatchNode());
    EXPECT_EQ(s->texture(), texture.get());
    EXPECT_EQ(s->batchNode(), nullptr);
    s->setColor(ksGREEN); // batch mode without a node: only marked dirty
    EXPECT_TRUE(s->dirty());
    s->setUsesBatchNode(false);
    EXPECT_EQ(s->texture(), texture.get());
    auto screen = makeScreen(8, 8);
    s->setPosition(Point(4, 4));
    s->visit();
    EXPECT_EQ(screen->readPixels()[(4 * 8 + 4) * 4 + 1], 255) << "still draws its texture";

    // Flipping the flag of a batched sprite leaves it linked to its node.
    auto batch = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    batch->addChild(s.get());
    s->setUsesBatchNode(false);
    EXPECT_EQ(s->batchNode(), batch.get());
    s->setUsesBatchNode(true);
    batch->removeChild(s.get(), true);
    EXPECT_EQ(s->texture(), texture.get());
}

TEST_F(SpriteLifetimeTest, TheSamePointAfterAContentScaleChangeRenewsThePixelPosition)
{
    auto s = KSSprite::spriteWithTexture(texture.get(), Rect(0, 0, 4, 4));
    auto batch = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    auto batched = KSSprite::spriteWithTexture(texture.get(), Rect(0, 0, 4, 4));
    batch->addChild(batched.get());
    s->setPosition(Point(3, 4));
    batched->setPosition(Point(3, 4));
    batched->updateTransform();
    ksSetContentScaleFactor(2);
    s->setPosition(Point(3, 4));
    batched->setPosition(Point(3, 4));
    EXPECT_EQ(s->positionInPixels(), Point(6, 8));
    EXPECT_EQ(batched->positionInPixels(), Point(6, 8));
    EXPECT_TRUE(batched->dirty()) << "its quad moves with the pixels";
    s->setPositionInPixels(Point(6, 8));
    ksSetContentScaleFactor(1);
    s->setPositionInPixels(Point(6, 8));
    EXPECT_EQ(s->position(), Point(6, 8));
}

TEST_F(SpriteLifetimeTest, TheTextureRoleReachesSpritesAndAdoptingNodes)
{
    auto s = KSSprite::spriteWithTexture(texture.get(), Rect(0, 0, 4, 4));
    auto batch = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    auto plain = KSNode::node();
    for (Object* target : { static_cast<Object*>(s.get()), static_cast<Object*>(batch.get()) }) {
        KSTextureOf role { target };
        ASSERT_TRUE(role);
        EXPECT_EQ(role->texture(), texture.get());
        role->setBlendFunc({ GL_SRC_ALPHA, GL_ONE });
        EXPECT_EQ(role->blendFunc().dst, static_cast<GLenum>(GL_ONE));
    }
    EXPECT_EQ(s->blendFunc().dst, static_cast<GLenum>(GL_ONE));
    EXPECT_FALSE(KSTextureOf { plain.get() });
}
