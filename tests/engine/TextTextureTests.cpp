// Text textures: A8 textures drawn from platform and bundle fonts, read back
// through a real GL ES 1.1 context; glyphs stay inside the measured content
// and land where alignment and wrapping put them.
#include "TextureTestSupport.h"
#include "../external/ttfont/FontSupport.h"

#include "engine/KSTexture2D.h"
#include "engine/Support/PointMath.h"
#include "external/ttfont/TTFontManager.h"
#include "external/ttfont/TTStringDrawing.h"
#include "platform/foundation/Exception.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/TextEngine.h"

#include <climits>
#include <cmath>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

// Lets a test run an initialiser directly.
struct BareTexture : KSTexture2D {
};

struct Ink {
    int left { INT_MAX }, top { INT_MAX }, right { -1 }, bottom { -1 }; // inclusive
    int pixels { 0 };
};

} // namespace

class TextTextureTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ttfont::TTFontManager::purgeSharedManager();
    }
    void TearDown() override
    {
        ttfont::TTFontManager::purgeSharedManager();
        GLTest::TearDown();
    }

    // Draws the whole texture at the origin of a screen its size and returns the
    // inked area (alpha above a threshold), rows counted from the top.
    Ink ink(KSTexture2D* texture, const Rect& within = Rect(0, 0, 1e6f, 1e6f))
    {
        const uint32_t w = texture->pixelsWide(), h = texture->pixelsHigh();
        auto screen = makeScreen(w, h);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_BLEND);
        glDisableClientState(GL_COLOR_ARRAY);
        texture->setAliasTexParameters();
        texture->setMaxS(1);
        texture->setMaxT(1);
        texture->drawAtPoint(Point(0, 0));
        glEnable(GL_BLEND);
        glEnableClientState(GL_COLOR_ARRAY);
        Bytes pixels = screen->readPixels();
        Ink box;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                if (pixelAt(pixels, w, x, y)[3] < 32 || !(x >= within.origin.x && x < within.origin.x + within.size.width
                                                          && y >= within.origin.y && y < within.origin.y + within.size.height))
                    continue;
                box.left = std::min<int>(box.left, x);
                box.right = std::max<int>(box.right, x);
                box.top = std::min<int>(box.top, y);
                box.bottom = std::max<int>(box.bottom, y);
                ++box.pixels;
            }
        return box;
    }
};

TEST_F(TextTextureTest, PlatformFontTextTakesTheSizeOfItsLine)
{
    auto texture = KSTexture2D::textureWithString("Hello", "DejaVu Sans", 24);
    ASSERT_TRUE(texture);
    TextLayoutOptions one;
    one.maxLines = 1;
    one.lineBreakMode = LineBreakMode::Clip;
    Size measured = measureText("Hello", *Font::fontWithName("DejaVu Sans", 24), one);
    EXPECT_EQ(texture->contentSizeInPixels(), measured);
    EXPECT_EQ(texture->pixelFormat(), kKSTexture2DPixelFormat_A8);
    EXPECT_EQ(texture->pixelsWide(), ksNextPowerOfTwo(uint32_t(measured.width)));
    EXPECT_EQ(texture->pixelsHigh(), ksNextPowerOfTwo(uint32_t(measured.height)));
    EXPECT_FLOAT_EQ(texture->maxS(), measured.width / texture->pixelsWide());
    EXPECT_FALSE(texture->hasPremultipliedAlpha());

    Ink box = ink(texture.get());
    ASSERT_GT(box.pixels, 50);
    EXPECT_LT(box.right, measured.width);
    EXPECT_LT(box.bottom, measured.height);
    EXPECT_LT(box.top, measured.height / 3); // upright: the capital's top is near the first rows
}

TEST_F(TextTextureTest, BundleFontIsUsedWhenThePlatformHasNone)
{
    dir.write("Custom.ttf", font_test::readAll(font_test::kDejaVuSans));
    auto texture = KSTexture2D::textureWithString("Hello", "Custom", 20);
    ASSERT_TRUE(texture);
    auto font = ttfont::TTFontManager::sharedManager()->ttFontWithName("Custom", 20);
    Size measured = ttfont::sizeWithTTFont("Hello", *font);
    EXPECT_EQ(texture->contentSizeInPixels(), measured);
    EXPECT_EQ(measured.height, font->leading());
    Ink box = ink(texture.get());
    ASSERT_GT(box.pixels, 50);
    EXPECT_LT(box.right, measured.width);
    EXPECT_LT(box.bottom, measured.height);
}

TEST_F(TextTextureTest, DimensionsAlignAndWrapTheText)
{
    auto right = KSTexture2D::textureWithString("ab", Size(128, 40), KSTextAlignmentRight, "DejaVu Sans", 16);
    ASSERT_TRUE(right);
    EXPECT_EQ(right->contentSizeInPixels(), Size(128, 40));
    Ink r = ink(right.get());
    EXPECT_GT(r.left, 100);
    EXPECT_GE(r.right, 120);

    auto centre = KSTexture2D::textureWithString("ab", Size(128, 40), KSTextAlignmentCenter, "DejaVu Sans", 16);
    Ink c = ink(centre.get());
    EXPECT_NEAR((c.left + c.right) / 2.0, 64, 3);

    // Word wrap within the width: the second line starts one line height down.
    auto font = Font::fontWithName("DejaVu Sans", 16);
    const float lineHeight = font->lineHeight();
    auto wrapped = KSTexture2D::textureWithString("wrap these words", Size(60, 100), KSTextAlignmentLeft, "DejaVu Sans", 16);
    ASSERT_TRUE(wrapped);
    Ink first = ink(wrapped.get(), Rect(0, 0, 128, lineHeight));
    Ink second = ink(wrapped.get(), Rect(0, lineHeight, 128, lineHeight));
    ASSERT_GT(first.pixels, 0);
    ASSERT_GT(second.pixels, 0);
    Ink all = ink(wrapped.get());
    EXPECT_LT(all.right, 60);
    EXPECT_LT(all.bottom, 100);
}

TEST_F(TextTextureTest, MissingFontsAndEmptyDimensionsMakeNoTexture)
{
    EXPECT_FALSE(KSTexture2D::textureWithString("Hello", "Marker Felt", 20));
    EXPECT_FALSE(KSTexture2D::textureWithString("Hello", Size(64, 64), KSTextAlignmentLeft, "Helvetica", 20));
    EXPECT_FALSE(KSTexture2D::textureWithString("", "DejaVu Sans", 20)); // nothing to size it by
    EXPECT_FALSE(KSTexture2D::textureWithString("x", Size(0, 10), KSTextAlignmentLeft, "DejaVu Sans", 20));
    EXPECT_FALSE(KSTexture2D::textureWithString("x", Size(-5, 10), KSTextAlignmentLeft, "DejaVu Sans", 20));
    EXPECT_FALSE(KSTexture2D::textureWithString("x", Size(std::nanf(""), 10), KSTextAlignmentLeft, "DejaVu Sans", 20));
    EXPECT_FALSE(KSTexture2D::textureWithString("x", Size(1e9f, 10), KSTextAlignmentLeft, "DejaVu Sans", 20));

    auto texture = adoptRef(new BareTexture);
    EXPECT_ASSERTION(texture->initWithString("x", Size(8, 8), KSTextAlignmentLeft, static_cast<const Font*>(nullptr)), "engine/KSTexture2D",
                     "Invalid font");
}
