// TTFontLabel drawn off-screen: one-line shrinking and baseline placement,
// alignment, highlighted attributed text, the text rectangle, and the plain
// label behaviour without a font.
#include "FontSupport.h"

#include "external/ttfont/TTFontLabel.h"
#include "external/ttfont/TTStringDrawing.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ttfont;
using platform::GraphicsContext;
using platform::Point;
using platform::Rect;
using platform::Ref;
using platform::Size;
using platform::ui::Color;

namespace {

Ref<TTFont> dejaVu(float size)
{
    static Ref<platform::FontFile> file = platform::FontFile::fromPath(font_test::kDejaVuSans);
    return TTFont::fontWithCGFont(file.get(), size);
}

Ref<GraphicsContext> grey(const Rect& frame)
{
    return GraphicsContext::create(uint32_t(frame.size.width), uint32_t(frame.size.height), GraphicsContext::Format::Gray8);
}

platform::Bytes drawLabel(TTFontLabel& label)
{
    auto ctx = grey(label.bounds());
    label.drawRect(*ctx, label.bounds());
    return ctx->pixelData();
}

// What the label must draw: one line at a point, in a font, for a width.
platform::Bytes expectedLine(const Rect& frame, const std::string& text, Point point, float width, const TTFont& font)
{
    auto ctx = grey(frame);
    ctx->setFillColor(0, 0, 0, 1);
    drawAtPoint(*ctx, text, point, width, font, platform::LineBreakMode::TailTruncation);
    return ctx->pixelData();
}

const std::string kText = "Shrinking label text";

} // namespace

TEST(TTFontLabelDrawing, OneLineShrinksToFitItsWidth)
{
    auto f20 = dejaVu(20);
    const float measured = sizeWithTTFont(kText, *f20).width;
    const Rect frame(0, 0, std::round(measured * 2 / 3), 40);
    auto label = TTFontLabel::labelWithFrame(frame, f20.get());
    label->setText(kText);
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumFontSize(10);

    // About 20 x 100 / 150.
    const float desired = frame.size.width / measured * 20;
    EXPECT_NEAR(desired, 13.33f, 0.05f);
    auto small = dejaVu(desired);
    Size size = sizeWithTTFont(kText, *small);
    Point point(0, std::round((40 - f20->leading()) / 2) + f20->ascender() - small->ascender());
    EXPECT_EQ(drawLabel(*label), expectedLine(frame, kText, point, std::min(size.width, frame.size.width), *small));

    // A minimum above the fitting size wins; the text is then cut at the label's width.
    label->setMinimumFontSize(15);
    auto f15 = dejaVu(15);
    point.y = std::round((40 - f20->leading()) / 2) + f20->ascender() - f15->ascender();
    EXPECT_EQ(drawLabel(*label), expectedLine(frame, kText, point, frame.size.width, *f15));

    // Centre alignment of the baseline-free placement.
    label->setBaselineAdjustment(1);
    point.y = std::round((40 - f20->leading()) / 2) + std::round((f20->leading() - f15->leading()) / 2);
    EXPECT_EQ(drawLabel(*label), expectedLine(frame, kText, point, frame.size.width, *f15));

    // Without adjustment the full-size text is cut at the width.
    label->setAdjustsFontSizeToFitWidth(false);
    point.y = std::round((40 - f20->leading()) / 2);
    EXPECT_EQ(drawLabel(*label), expectedLine(frame, kText, point, frame.size.width, *f20));
}

TEST(TTFontLabelDrawing, RightAlignedLineStartsAtTheRemainingWidth)
{
    auto f = dejaVu(14);
    const Rect frame(0, 0, 200, 30);
    auto label = TTFontLabel::labelWithFrame(frame, f.get());
    label->setText("right");
    label->setTextAlignment(platform::TextAlignment::Right);
    Size size = sizeWithTTFont("right", *f);
    Point point(200 - size.width, std::round((30 - f->leading()) / 2));
    EXPECT_EQ(drawLabel(*label), expectedLine(frame, "right", point, size.width, *f));
}

TEST(TTFontLabelDrawing, HighlightedAttributedTextDrawsUncolouredRunsWhite)
{
    auto label = TTFontLabel::labelWithFrame(Rect(0, 0, 160, 40), static_cast<TTFont*>(nullptr));
    label->setBackgroundColor(std::nullopt);
    auto text = TTMutableAttributedString::attributedString("RRRR WWWW");
    text->addAttribute(TTForegroundColorAttributeName, Color::rgb(1, 0, 0), { 0, 4 });
    label->setTTAttributedText(text.get());
    EXPECT_NE(label->ttAttributedText(), text.get()); // a copy is kept

    auto count = [&](bool highlighted) {
        label->setHighlighted(highlighted);
        auto ctx = GraphicsContext::create(160, 40, GraphicsContext::Format::RGBA);
        label->drawRect(*ctx, label->bounds());
        platform::Bytes px = ctx->pixelData();
        int red = 0, white = 0, black = 0;
        for (size_t i = 0; i < px.size(); i += 4) {
            if (px[i + 3] != 255)
                continue;
            red += px[i] == 255 && px[i + 1] == 0;
            white += px[i] == 255 && px[i + 1] == 255;
            black += px[i] == 0 && px[i + 1] == 0 && px[i + 2] == 0;
        }
        return std::array<int, 3> { red, white, black };
    };
    auto normal = count(false);
    EXPECT_GT(normal[0], 20);
    EXPECT_EQ(normal[1], 0);
    EXPECT_GT(normal[2], 20);
    auto lit = count(true);
    EXPECT_EQ(lit[0], normal[0]);
    EXPECT_EQ(lit[1], normal[2]);
    EXPECT_EQ(lit[2], 0);
    // The label's own text keeps its uncoloured run.
    EXPECT_FALSE(label->ttAttributedText()->attribute(TTForegroundColorAttributeName, 6, nullptr));
}

TEST(TTFontLabelProperties, FontSizeAndAttributedTextSetters)
{
    auto label = TTFontLabel::labelWithFrame(Rect(0, 0, 100, 20), dejaVu(12).get());
    Ref<TTFont> before = label->ttFont();
    label->setPointSize(12);
    EXPECT_EQ(label->ttFont(), before.get());
    label->setPointSize(18);
    EXPECT_NE(label->ttFont(), before.get());
    EXPECT_EQ(label->pointSize(), 18);
    EXPECT_EQ(label->cgFont(), before->cgFont());

    auto immutable = TTAttributedString::attributedString("x");
    label->clearNeedsDisplay();
    label->setTTAttributedText(immutable.get());
    EXPECT_EQ(label->ttAttributedText(), immutable.get()); // an immutable copy is itself
    EXPECT_TRUE(label->needsDisplay());
}

TEST(TTFontLabelProperties, TextRectStaysWithinTheLineLimit)
{
    auto f = dejaVu(16.5f);
    ASSERT_EQ(f->leading(), 20);
    auto label = TTFontLabel::labelWithFrame(Rect(0, 0, 100, 500), f.get());
    label->setText("many words that wrap over a good number of lines in a narrow label");
    label->setLineBreakMode(platform::LineBreakMode::WordWrap);
    Rect r = label->textRectForBounds(Rect(5, 6, 100, 500), 3);
    EXPECT_EQ(r.origin, Point(5, 6));
    EXPECT_LE(r.size.height, 60);
    EXPECT_GT(r.size.height, 40);
    Rect one = label->textRectForBounds(Rect(0, 0, 100, 500), 1);
    EXPECT_EQ(one.size, Size(100, 20));
}

TEST(TTFontLabelProperties, UnknownFontDrawsAsThePlatformLabel)
{
    const Rect frame(0, 0, 120, 30);
    auto label = TTFontLabel::labelWithFrame(frame, "No Such Font Here", 12);
    ASSERT_TRUE(label);
    EXPECT_FALSE(label->ttFont());
    auto plain = platform::ui::Label::labelWithFrame(frame);
    for (auto* l : { static_cast<platform::ui::Label*>(label.get()), plain.get() })
        l->setText("Same text");
    auto a = grey(frame), b = grey(frame);
    label->drawRect(*a, frame);
    plain->drawRect(*b, frame);
    EXPECT_EQ(a->pixelData(), b->pixelData());
    EXPECT_EQ(label->textRectForBounds(frame, 1), plain->textRectForBounds(frame, 1));
}
