// Sprites: defaults, colour and flip rules, frames, the frame animation, and
// pictures drawn self-rendered and through a batch node, read back pixel by pixel.
#include "NodeTestSupport.h"
#include "TextureTestSupport.h"

#include "engine/KSAction.h"
#include "engine/KSAnimate.h"
#include "engine/KSAnimation.h"
#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSMenuItem.h"
#include "engine/KSSprite.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSSpriteFrameCache.h"
#include "engine/KSTextureCache.h"
#include "platform/graphics/Image.h"

#include <cstring>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

struct RGBA {
    int r, g, b, a;
};
constexpr RGBA kRed { 255, 0, 0, 255 }, kGreen { 0, 255, 0, 255 }, kBlue { 0, 0, 255, 255 },
    kWhite { 255, 255, 255, 255 }, kNone { 0, 0, 0, 0 };

// An 8 x 8 picture of four 4 x 4 quadrants: red top-left, green top-right,
// blue bottom-left, white bottom-right (as seen, top row first).
Ref<Image> quadrantImage()
{
    Bytes rgba(8 * 8 * 4);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) {
            RGBA c = y < 4 ? (x < 4 ? kRed : kGreen) : (x < 4 ? kBlue : kWhite);
            uint8_t* p = &rgba[(y * 8 + x) * 4];
            p[0] = static_cast<uint8_t>(c.r), p[1] = static_cast<uint8_t>(c.g), p[2] = static_cast<uint8_t>(c.b);
            p[3] = 255;
        }
    return Image::imageWithRGBA(8, 8, std::move(rgba), ImageAlphaInfo::Last);
}

class SpriteTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        image = quadrantImage();
        texture = KSTextureCache::sharedTextureCache()->addCGImage(image.get(), "quadrants");
        ASSERT_TRUE(texture);
        texture->setAliasTexParameters();
    }
    void TearDown() override
    {
        KSActionManager::purgeSharedManager();
        KSScheduler::purgeSharedScheduler();
        GLTest::TearDown();
    }
    static void tick(float dt)
    {
        KSActionManager::sharedManager();
        KSScheduler::sharedScheduler()->tick(dt);
    }
    Ref<KSSpriteFrame> quadrantFrame(int i)
    {
        return KSSpriteFrame::frameWithTexture(texture.get(), Rect(4.0f * (i % 2), 4.0f * (i / 2), 4, 4));
    }

    Ref<Image> image;
    Ref<KSTexture2D> texture;
};

void expectPixel(const Bytes& pixels, uint32_t width, uint32_t height, int x, int glY, RGBA want, const char* what)
{
    const uint8_t* p = &pixels[(static_cast<size_t>(height - 1 - glY) * width + x) * 4];
    EXPECT_NEAR(p[0], want.r, 1) << what << " at " << x << "," << glY;
    EXPECT_NEAR(p[1], want.g, 1) << what << " at " << x << "," << glY;
    EXPECT_NEAR(p[2], want.b, 1) << what << " at " << x << "," << glY;
    EXPECT_NEAR(p[3], want.a, 1) << what << " at " << x << "," << glY;
}

bool sameQuad(const ksV3F_C4B_T2F_Quad& a, const ksV3F_C4B_T2F_Quad& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

// Defaults, colour and blending --------------------------------------------------

TEST_F(SpriteTest, OpacityPremultipliesTheQuadColourButNotTheReportedColour)
{
    auto sprite = KSSprite::spriteWithTexture(texture.get());
    sprite->setColor({ 255, 0, 255 });
    sprite->setOpacity(128);
    EXPECT_EQ(sprite->quad().bl.colors, (ksColor4B { 128, 0, 128, 128 }));
    EXPECT_EQ(sprite->quad().tr.colors, (ksColor4B { 128, 0, 128, 128 }));
    EXPECT_EQ(sprite->color(), (ksColor3B { 255, 0, 255 }));

    // Turning premultiplication off keeps the caller's colour and writes it unmodified.
    sprite->setOpacityModifyRGB(false);
    EXPECT_EQ(sprite->quad().bl.colors, (ksColor4B { 255, 0, 255, 128 }));
    EXPECT_EQ(sprite->color(), (ksColor3B { 255, 0, 255 }));
}

TEST_F(SpriteTest, FadesTintsFlipsAndMenusReachASpriteThroughItsOwnMethods)
{
    auto sprite = KSSprite::spriteWithTexture(texture.get());
    sprite->onEnter();
    sprite->runAction(KSFadeTo::actionWithDuration(1, 55));
    sprite->runAction(KSTintTo::actionWithDuration(1, 10, 20, 30));
    sprite->runAction(KSFlipX::actionWithFlipX(true));
    tick(0);
    tick(1);
    tick(0.1f);
    EXPECT_EQ(sprite->opacity(), 55);
    EXPECT_EQ(sprite->color(), (ksColor3B { 10, 20, 30 }));
    EXPECT_TRUE(sprite->flipX());

    auto selected = KSSprite::spriteWithTexture(texture.get());
    auto item = KSMenuItemSprite::itemFromNormalSprite(sprite.get(), selected.get());
    item->setOpacity(99);
    item->setColor({ 1, 2, 3 });
    EXPECT_EQ(selected->opacity(), 99);
    EXPECT_EQ(item->opacity(), 99);
    EXPECT_EQ(item->color(), (ksColor3B { 1, 2, 3 }));
    sprite->onExit();
}

TEST_F(SpriteTest, ImageSpritesAreCachedUnderTheFullAddress)
{
    auto sprite = KSSprite::spriteWithCGImage(image.get());
    ASSERT_TRUE(sprite);
    std::string key = KSTextureCache::keyForImage(image.get());
    EXPECT_EQ(key.size(), sizeof(void*) * 2);
    EXPECT_EQ(KSTextureCache::sharedTextureCache()->textureForKey(key).get(), sprite->texture());
    EXPECT_EQ(KSSprite::spriteWithCGImage(image.get(), "quadrants")->texture(), texture.get());
}

TEST_F(SpriteTest, MissingFilesAndFramesGiveNoSprite)
{
    EXPECT_FALSE(KSSprite::spriteWithFile("missing.png"));
    EXPECT_FALSE(KSSprite::spriteWithSpriteFrameName("missing"));
    EXPECT_FALSE(KSSpriteFrameCache::sharedSpriteFrameCache()->createSpriteWithFrameName("missing"));
    EXPECT_ASSERTION(KSSprite::spriteWithTexture(nullptr), "engine/KSSprite", "Invalid texture for sprite");
    EXPECT_ASSERTION(KSSprite::spriteWithFile(""), "engine/KSSprite", "Invalid filename for sprite");
    EXPECT_ASSERTION(KSSprite::spriteWithSpriteFrame(nullptr), "engine/KSSprite", "Invalid spriteFrame for sprite");
}

TEST_F(SpriteTest, FrameCacheMakesSpritesByExactFrameName)
{
    auto* cache = KSSpriteFrameCache::sharedSpriteFrameCache();
    cache->addSpriteFrame(quadrantFrame(3), "white");
    auto sprite = cache->createSpriteWithFrameName("white");
    ASSERT_TRUE(sprite);
    EXPECT_EQ(sprite->textureRect(), Rect(4, 4, 4, 4));
    EXPECT_TRUE(sprite->isFrameDisplayed(cache->spriteFrameByName("white")));
    EXPECT_EQ(KSSprite::spriteWithSpriteFrameName("white")->textureRect(), Rect(4, 4, 4, 4));
}

TEST_F(SpriteTest, RectanglesAreInPointsAndQuadsInPixels)
{
    ksSetContentScaleFactor(2);
    auto sprite = KSSprite::spriteWithTexture(texture.get(), Rect(0, 0, 2, 3));
    EXPECT_EQ(sprite->textureRect(), Rect(0, 0, 2, 3));
    EXPECT_EQ(sprite->contentSize(), Size(2, 3));
    EXPECT_EQ(sprite->contentSizeInPixels(), Size(4, 6));
    EXPECT_FLOAT_EQ(sprite->quad().tr.vertices.x, 4);
    EXPECT_FLOAT_EQ(sprite->quad().tr.vertices.y, 6);
    EXPECT_FLOAT_EQ(sprite->quad().tr.texCoords.u, 0.5f);
    EXPECT_FLOAT_EQ(sprite->quad().bl.texCoords.v, 0.75f);

    // In a batch the quad is placed in pixels too.
    auto batch = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    batch->addChild(sprite);
    sprite->setAnchorPoint(Point());
    sprite->setPosition(Point(1, 1));
    auto screen = makeScreen(8, 8);
    batch->visit();
    EXPECT_FLOAT_EQ(batch->textureAtlas()->quads()[0].bl.vertices.x, 2);
    EXPECT_FLOAT_EQ(batch->textureAtlas()->quads()[0].tr.vertices.y, 8);
}

// Texture coordinates and flips ------------------------------------------------------

TEST_F(SpriteTest, BlendFactorsHonourFlagsAndTrimOffsetsAreKeptExactly)
{
    auto sprite = KSSprite::spriteWithTexture(texture.get());
    sprite->setBlendFunc({ GL_SRC_ALPHA_SATURATE, GL_DST_COLOR });
    EXPECT_EQ(sprite->blendFunc().src, static_cast<GLenum>(GL_SRC_ALPHA_SATURATE));
    EXPECT_EQ(sprite->blendFunc().dst, static_cast<GLenum>(GL_DST_COLOR));
    sprite->setHonorParentTransform(kHonorParentTranslate | kHonorParentScale);
    EXPECT_EQ(sprite->honorParentTransform(), kHonorParentTranslate | kHonorParentScale);

    // A trimmed frame's offset, and an untrimmed frame shown afterwards resets it.
    auto trimmed = KSSpriteFrame::frameWithTexture(texture.get(), Rect(0, 0, 4, 4), false, Point(1, -1), Size(6, 6));
    sprite->setDisplayFrame(trimmed.get());
    EXPECT_EQ(sprite->offsetPositionInPixels(), Point(2, 0));
    auto plain = KSSpriteFrame::frameWithTexture(texture.get(), Rect(4, 4, 4, 4), false, Point(), Size(4, 4));
    sprite->setDisplayFrame(plain.get());
    EXPECT_EQ(sprite->offsetPositionInPixels(), Point());
    EXPECT_EQ(sprite->animationByName("none"), nullptr);
}

TEST_F(SpriteTest, RotatedFrameFlippedOnXSwapsTopAndBottom)
{
    auto frame = KSSpriteFrame::frameWithTexture(texture.get(), Rect(0, 0, 4, 8), true, Point(), Size(4, 8));
    auto sprite = KSSprite::spriteWithSpriteFrame(frame.get());
    ksV3F_C4B_T2F_Quad plain = sprite->quad();
    // Stored rotated: the 4 x 8 picture occupies 8 x 4 texels.
    EXPECT_FLOAT_EQ(plain.tl.texCoords.u, 1.0f);
    EXPECT_FLOAT_EQ(plain.br.texCoords.v, 0.5f);
    sprite->setFlipX(true);
    ksV3F_C4B_T2F_Quad flipped = sprite->quad();
    EXPECT_EQ(flipped.bl.texCoords.u, plain.bl.texCoords.u);
    EXPECT_EQ(flipped.bl.texCoords.v, plain.br.texCoords.v);
    EXPECT_EQ(flipped.br.texCoords.v, plain.bl.texCoords.v);
}

// Pictures -------------------------------------------------------------------------

// Six sprites side by side, 10 pixels apart, each 8 x 8 with its lower-left
// corner at (10 k, 4): plain, rotated frame, trimmed frame, flipped, tinted and
// half-transparent.
class SpritePictureTest : public SpriteTest {
protected:
    static constexpr uint32_t kW = 80, kH = 16;

    std::vector<Ref<KSSprite>> makeSprites()
    {
        std::vector<Ref<KSSprite>> sprites;
        sprites.push_back(KSSprite::spriteWithTexture(texture.get()));
        // The whole picture stored turned a quarter clockwise.
        sprites.push_back(KSSprite::spriteWithSpriteFrame(
            KSSpriteFrame::frameWithTexture(texture.get(), Rect(0, 0, 8, 8), true, Point(), Size(8, 8)).get()));
        // Only the white quadrant kept, its centre 2 pixels up and right of the picture's.
        sprites.push_back(KSSprite::spriteWithSpriteFrame(
            KSSpriteFrame::frameWithTexture(texture.get(), Rect(4, 4, 4, 4), false, Point(2, 2), Size(8, 8)).get()));
        sprites.push_back(KSSprite::spriteWithTexture(texture.get()));
        sprites.back()->setFlipX(true);
        sprites.push_back(KSSprite::spriteWithTexture(texture.get()));
        sprites.back()->setColor(ksYELLOW);
        sprites.push_back(KSSprite::spriteWithTexture(texture.get()));
        sprites.back()->setOpacity(128);
        for (size_t k = 0; k < sprites.size(); ++k) {
            sprites[k]->setAnchorPoint(Point());
            sprites[k]->setPosition(Point(10.0f * k, 4));
        }
        return sprites;
    }

    // Pixel (x, y) of quadrant corner: 0 bottom-left, 1 bottom-right, 2 top-left, 3 top-right.
    void expectSprite(const Bytes& px, int k, RGBA bl, RGBA br, RGBA tl, RGBA tr, const char* what)
    {
        expectPixel(px, kW, kH, 10 * k + 2, 6, bl, what);
        expectPixel(px, kW, kH, 10 * k + 6, 6, br, what);
        expectPixel(px, kW, kH, 10 * k + 2, 10, tl, what);
        expectPixel(px, kW, kH, 10 * k + 6, 10, tr, what);
    }

    void expectPicture(const Bytes& px)
    {
        expectSprite(px, 0, kBlue, kWhite, kRed, kGreen, "plain");
        expectSprite(px, 1, kRed, kBlue, kGreen, kWhite, "rotated frame");
        expectSprite(px, 2, kNone, kNone, kNone, kWhite, "trimmed frame");
        expectSprite(px, 3, kWhite, kBlue, kGreen, kRed, "flipped");
        expectSprite(px, 4, { 0, 0, 0, 255 }, { 255, 255, 0, 255 }, kRed, kGreen, "tinted");
        expectSprite(px, 5, { 0, 0, 128, 128 }, { 128, 128, 128, 128 }, { 128, 0, 0, 128 }, { 0, 128, 0, 128 },
                     "half-transparent");
        expectPixel(px, kW, kH, 8, 8, kNone, "between sprites");
    }
};

TEST_F(SpritePictureTest, SelfRenderedSpritesDrawTheirPictures)
{
    auto screen = makeScreen(kW, kH);
    auto root = KSNode::node();
    for (auto& s : makeSprites())
        root->addChild(s.get());
    root->visit();
    Bytes selfDrawn = screen->readPixels();
    expectPicture(selfDrawn);

    // The same sprites in a batch node give the same picture in one draw.
    glClear(GL_COLOR_BUFFER_BIT);
    auto batch = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    for (auto& s : makeSprites())
        batch->addChild(s.get());
    batch->visit();
    Bytes batched = screen->readPixels();
    expectPicture(batched);
    EXPECT_TRUE(batched == selfDrawn);
}

TEST_F(SpritePictureTest, BatchedSpritesFollowLaterChanges)
{
    auto screen = makeScreen(kW, kH);
    auto batch = KSSpriteBatchNode::batchNodeWithTexture(texture.get());
    auto sprites = makeSprites();
    for (auto& s : sprites)
        batch->addChild(s.get());
    batch->visit();
    // Changes after insertion reach the atlas: colour at once, placement at the next draw.
    sprites[0]->setPosition(Point(66, 4));
    sprites[0]->setFlipX(true);
    sprites[4]->setColor(ksWHITE);
    sprites[5]->setVisible(false);
    glClear(GL_COLOR_BUFFER_BIT);
    batch->visit();
    Bytes px = screen->readPixels();
    expectSprite(px, 4, kBlue, kWhite, kRed, kGreen, "tint removed");
    expectSprite(px, 5, kNone, kNone, kNone, kNone, "hidden");
    expectSprite(px, 0, kNone, kNone, kNone, kNone, "moved away");
    expectPixel(px, kW, kH, 68, 6, kWhite, "moved and flipped");
    expectPixel(px, kW, kH, 72, 10, kRed, "moved and flipped");
}

TEST_F(SpritePictureTest, SpriteWhoseFrameHasNoTextureDrawsNothing)
{
    auto screen = makeScreen(kW, kH);
    auto frame = KSSpriteFrame::frameWithTexture(nullptr, Rect(0, 0, 8, 8));
    auto sprite = KSSprite::spriteWithSpriteFrame(frame.get());
    ASSERT_TRUE(sprite);
    EXPECT_EQ(sprite->texture(), nullptr);
    sprite->setPosition(Point(8, 8));
    sprite->visit();
    Bytes px = screen->readPixels();
    EXPECT_TRUE(std::all_of(px.begin(), px.end(), [](uint8_t b) { return b == 0; }));

    // Switching to such a frame from a textured one blanks the sprite too.
    auto shown = KSSprite::spriteWithTexture(texture.get());
    shown->setDisplayFrame(frame.get());
    shown->visit();
    px = screen->readPixels();
    EXPECT_TRUE(std::all_of(px.begin(), px.end(), [](uint8_t b) { return b == 0; }));
}

// Frame animation ------------------------------------------------------------------

TEST_F(SpriteTest, AnimateCyclesFramesUnderRepeatForever)
{
    auto sprite = KSSprite::spriteWithTexture(texture.get());
    KSSpriteFrameList frames;
    for (int i = 0; i < 4; ++i)
        frames.push_back(quadrantFrame(i));
    auto animation = KSAnimation::animationWithFrames(frames, 0.25f);
    sprite->onEnter();
    sprite->runAction(KSRepeatForever::actionWithAction(KSAnimate::actionWithAnimation(animation.get(), false).get()));

    // The first tick shows frame 0; each further quarter second the next; the tick
    // that ends a cycle starts the next one at frame 0.
    const int expected[] = { 0, 1, 2, 3, 0, 1, 2, 3, 0 };
    for (int i = 0; i < 9; ++i) {
        tick(0.25f);
        EXPECT_TRUE(sprite->isFrameDisplayed(frames[expected[i]].get())) << "tick " << i;
        EXPECT_EQ(sprite->textureRect(), frames[expected[i]]->rect()) << "tick " << i;
    }
    sprite->onExit();
    sprite->cleanup();
}

TEST_F(SpriteTest, AnimateRestoresARotatedTrimmedFrameExactly)
{
    auto original = KSSpriteFrame::frameWithTexture(texture.get(), Rect(0, 0, 4, 8), true, Point(1, -1), Size(6, 10));
    auto sprite = KSSprite::spriteWithSpriteFrame(original.get());
    ksV3F_C4B_T2F_Quad before = sprite->quad();
    Point offset = sprite->offsetPositionInPixels();

    auto animation = KSAnimation::animationWithFrames({ quadrantFrame(0), quadrantFrame(3) }, 0.5f);
    sprite->onEnter();
    sprite->runAction(KSAnimate::actionWithAnimation(animation.get(), true));
    tick(0.5f);
    tick(0.5f);
    EXPECT_TRUE(sprite->isFrameDisplayed(quadrantFrame(3).get()));
    EXPECT_FALSE(sprite->textureRectRotated());
    tick(0.5f);
    EXPECT_EQ(sprite->numberOfRunningActions(), 0u);
    EXPECT_TRUE(sprite->textureRectRotated());
    EXPECT_EQ(sprite->contentSize(), Size(6, 10));
    EXPECT_EQ(sprite->offsetPositionInPixels(), offset);
    EXPECT_TRUE(sameQuad(sprite->quad(), before));
    sprite->onExit();
}
