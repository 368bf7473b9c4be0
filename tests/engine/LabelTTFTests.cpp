// TrueType labels: rendered text stays inside the label's measured size and
// lands where alignment and wrapping put it; unknown fonts give an empty label;
// sizes are kept in pixels.
#include "TextureTestSupport.h"

#include "engine/KSConfiguration.h"
#include "engine/KSLabelTTF.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/TextEngine.h"

#include <climits>

using namespace kestrel;
using platform::Bytes;
using platform::Ref;
using texture_test::GLTest;

namespace {

struct Ink {
    int left { INT_MAX }, top { INT_MAX }, right { -1 }, bottom { -1 }; // inclusive, rows from the top
    int pixels { 0 };
};

Ink inkOf(const Bytes& px, int width, int height)
{
    Ink ink;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (px[(static_cast<size_t>(y) * width + x) * 4] > 40) {
                ++ink.pixels;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}

class LabelTTFTest : public GLTest {
protected:
    static constexpr int kW = 256, kH = 160;

    // Draws the label with its bottom-left corner at (10, 10) of the screen.
    Ink render(KSLabelTTF* label)
    {
        auto screen = makeScreen(kW, kH);
        label->setAnchorPoint({ 0, 0 });
        label->setPosition({ 10, 10 });
        label->visit();
        return inkOf(screen->readPixels(), kW, kH);
    }
};

} // namespace

TEST_F(LabelTTFTest, HelloDrawsOnlyInsideItsContentSize)
{
    auto label = KSLabelTTF::labelWithString("Hello", "DejaVu Sans", 24);
    ASSERT_TRUE(label);
    Size size = label->contentSize();
    auto font = platform::Font::fontWithName("DejaVu Sans", 24);
    platform::TextLayoutOptions o;
    o.maxLines = 1;
    o.lineBreakMode = platform::LineBreakMode::Clip;
    EXPECT_EQ(size, platform::measureText("Hello", *font, o));

    Ink ink = render(label.get());
    ASSERT_GT(ink.pixels, 50);
    // The label covers x 10 .. 10 + width and, rows from the top, kH - 10 - height .. kH - 10.
    EXPECT_GE(ink.left, 10);
    EXPECT_LT(ink.right, 10 + static_cast<int>(size.width));
    EXPECT_GE(ink.top, kH - 10 - static_cast<int>(size.height));
    EXPECT_LT(ink.bottom, kH - 10);
}

TEST_F(LabelTTFTest, AlignmentAndWrappingPlaceTextWhereMeasured)
{
    const Size box(200, 100);
    auto font = platform::Font::fontWithName("DejaVu Sans", 20);
    ASSERT_TRUE(font);

    auto right = KSLabelTTF::labelWithString("Hi", box, KSTextAlignmentRight, "DejaVu Sans", 20);
    ASSERT_TRUE(right);
    EXPECT_EQ(right->contentSize(), box);
    Ink r = render(right.get());
    ASSERT_GT(r.pixels, 0);
    EXPECT_NEAR(r.right, 10 + 200, 4) << "right-aligned text ends at the box's right edge";

    auto centre = KSLabelTTF::labelWithString("Hi", box, KSTextAlignmentCenter, "DejaVu Sans", 20);
    Ink c = render(centre.get());
    EXPECT_NEAR((c.left + c.right) / 2.0, 10 + 100, 3) << "centred text straddles the box's middle";

    // Wrapped: as many lines as the layout finds, the first at the box's top.
    const std::string text = "several words that cannot fit on one line";
    platform::TextLayoutOptions o;
    o.width = box.width;
    o.height = box.height;
    auto layout = platform::layoutText(text, *font, o);
    ASSERT_GE(layout.lines.size(), 2u);
    auto wrapped = KSLabelTTF::labelWithString(text, box, KSTextAlignmentLeft, "DejaVu Sans", 20);
    Ink w = render(wrapped.get());
    const int boxTop = kH - 10 - 100;
    EXPECT_NEAR(w.top, boxTop + layout.lines[0].baseline - font->ascender(), 4);
    EXPECT_GT(w.bottom - boxTop, static_cast<int>(layout.lines.back().top));
    EXPECT_LE(w.bottom - boxTop, static_cast<int>(layout.size.height));
    EXPECT_LE(w.right, 10 + 200);
}

TEST_F(LabelTTFTest, NewTextResizesAndUnknownFontsGiveAnEmptyLabel)
{
    auto label = KSLabelTTF::labelWithString("ab", "DejaVu Sans", 16);
    float before = label->textureRect().size.width;
    label->setString("a much longer text");
    EXPECT_EQ(label->string(), "a much longer text");
    EXPECT_GT(label->textureRect().size.width, before);
    EXPECT_EQ(label->textureRect().size, label->texture()->contentSize());
    // The label protocol's C-string form goes through setString (null is empty).
    KSLabelProtocol* asLabel = label.get();
    asLabel->setCString("caf\xc3\xa9");
    EXPECT_EQ(label->string(), "caf\xc3\xa9");
    asLabel->setCString(nullptr);
    EXPECT_EQ(label->string(), "");

    // An unknown font is no failure of the label: it is made without a
    // texture, measures nothing and draws nothing; the log names the font.
    platform::LogCapture log;
    auto missing = KSLabelTTF::labelWithString("Play", "Marker Felt", 32);
    auto sized = KSLabelTTF::labelWithString("hi", Size(50, 20), KSTextAlignmentLeft, "nosuch.ttf", 20);
    for (KSLabelTTF* empty : { missing.get(), sized.get() }) {
        ASSERT_TRUE(empty);
        EXPECT_EQ(empty->texture(), nullptr);
        EXPECT_EQ(empty->textureRect().size, Size());
        EXPECT_EQ(render(empty).pixels, 0);
    }
    EXPECT_EQ(missing->string(), "Play");
    EXPECT_TRUE(log.contains("KSLabelTTF: cannot find the font \"Marker Felt\": no system font has that name, and "
                             "the bundle folder " + platform::Bundle::main().resourcePath()
                             + " has neither Marker Felt.ttf nor Marker Felt; the label has no texture and draws nothing"));
    EXPECT_TRUE(log.contains("has neither nosuch.ttf.ttf nor nosuch.ttf"));

    // A text wider than a texture may be: the label has none, and the log
    // names the limit.
    const int maxSize = KSConfiguration::sharedConfiguration()->maxTextureSize();
    label->setString(std::string(static_cast<size_t>(maxSize / 4), 'W'));
    EXPECT_EQ(label->texture(), nullptr);
    EXPECT_EQ(label->textureRect().size, Size());
    EXPECT_TRUE(log.contains("needs a texture larger than the limit of " + std::to_string(maxSize)
                             + " pixels a side: it has no texture and draws nothing"))
        << testing::PrintToString(log.texts());
}

TEST_F(LabelTTFTest, SizesAreKeptInPixels)
{
    ksSetContentScaleFactor(2);
    auto label = KSLabelTTF::labelWithString("x", Size(100, 0), KSTextAlignmentLeft, "DejaVu Sans", 16);
    EXPECT_EQ(label->fontSize(), 32);
    EXPECT_EQ(label->dimensions(), Size(200, 0));
    EXPECT_NE(label->description().find("FontSize = 32.0>"), std::string::npos) << label->description();
    EXPECT_EQ(label->texture(), nullptr) << "a zero height selects the sized path, which has nothing to draw into";
}

TEST_F(LabelTTFTest, PlainInitIsRefused)
{
    struct Bare : KSLabelTTF {
    };
    Ref<Bare> bare = platform::adoptRef(new Bare);
    EXPECT_ASSERTION(bare->init(), "engine/KSLabelTTF",
                     "KSLabelTTF: Init not supported. Use initWithString");
}
