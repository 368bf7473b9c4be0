// Drawing laid-out text: glyphs land inside the measured box, where alignment
// and wrapping put them, clipped lines stay within their width, and per-glyph
// colours follow character indexes.
#include "platform/graphics/Font.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/TextEngine.h"
#include "platform/ui/Label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

using namespace platform;

namespace {

struct InkBox {
    int left { INT_MAX }, top { INT_MAX }, right { -1 }, bottom { -1 }; // right/bottom inclusive
    bool empty() const { return right < 0; }
};

// The bounding box of pixels with coverage above a threshold in a grey context.
InkBox inkBox(const GraphicsContext& ctx, const Rect& within = Rect(0, 0, 1e6f, 1e6f))
{
    Bytes px = ctx.pixelData();
    InkBox box;
    for (uint32_t y = 0; y < ctx.height(); ++y)
        for (uint32_t x = 0; x < ctx.width(); ++x) {
            if (px[y * ctx.width() + x] < 32)
                continue;
            if (x < within.origin.x || x >= within.origin.x + within.size.width || y < within.origin.y
                || y >= within.origin.y + within.size.height)
                continue;
            box.left = std::min<int>(box.left, x);
            box.right = std::max<int>(box.right, x);
            box.top = std::min<int>(box.top, y);
            box.bottom = std::max<int>(box.bottom, y);
        }
    return box;
}

Ref<GraphicsContext> grey(uint32_t w, uint32_t h)
{
    auto ctx = GraphicsContext::create(w, h, GraphicsContext::Format::Gray8);
    ctx->setFillColor(1, 1, 1, 1);
    return ctx;
}

} // namespace

TEST(TextDrawing, GlyphsLieInsideTheMeasuredSize)
{
    for (float size : { 12.f, 17.f, 32.f }) {
        auto font = Font::systemFont(size);
        auto ctx = grey(256, 128);
        Size drawn = drawText(*ctx, "Hello", *font, Rect(10, 20, 0, 0));
        EXPECT_EQ(drawn, measureText("Hello", *font));
        InkBox box = inkBox(*ctx);
        ASSERT_FALSE(box.empty()) << size;
        EXPECT_GE(box.left, 10);
        EXPECT_GE(box.top, 20);
        EXPECT_LT(box.right, 10 + drawn.width);
        EXPECT_LT(box.bottom, 20 + drawn.height);
        // The capital H reaches up close to the ascender line.
        EXPECT_LE(box.top, 20 + font->ascender() * 0.4f);
    }
}

TEST(TextDrawing, AlignmentAndWrappingPlaceTextWhereMeasured)
{
    auto font = Font::systemFont(16);
    TextLayoutOptions o;
    o.alignment = TextAlignment::Right;
    auto right = grey(200, 40);
    drawText(*right, "abc", *font, Rect(0, 0, 200, 40), o);
    InkBox r = inkBox(*right);
    float w = layoutText("abc", *font).lines[0].width;
    EXPECT_GE(r.left, static_cast<int>(200 - w) - 1);
    EXPECT_GE(r.right, 195);

    o.alignment = TextAlignment::Center;
    auto centre = grey(200, 40);
    drawText(*centre, "abc", *font, Rect(0, 0, 200, 40), o);
    InkBox c = inkBox(*centre);
    EXPECT_NEAR((c.left + c.right) / 2.0, 100, 3);

    // Two lines wrapped in a narrow box: the second line is drawn one leading lower.
    o.alignment = TextAlignment::Left;
    float wrapWidth = layoutText("word", *font).lines[0].width + 2;
    o.width = wrapWidth;
    auto wrapped = grey(100, 100);
    auto layout = layoutText("word word", *font, o);
    ASSERT_EQ(layout.lines.size(), 2u);
    drawText(*wrapped, "word word", *font, Rect(0, 0, wrapWidth, 100), o);
    InkBox first = inkBox(*wrapped, Rect(0, 0, 100, layout.lineHeight));
    InkBox second = inkBox(*wrapped, Rect(0, layout.lineHeight, 100, layout.lineHeight));
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NEAR(second.top - first.top, layout.lineHeight, 1.01);
    EXPECT_LT(std::max(first.right, second.right), wrapWidth + 1);
}

TEST(TextDrawing, ClippedLineStaysWithinItsWidth)
{
    auto font = Font::systemFont(16);
    TextLayoutOptions o;
    o.maxLines = 1;
    o.lineBreakMode = LineBreakMode::Clip;
    auto ctx = grey(300, 40);
    drawText(*ctx, "a long line that is clipped", *font, Rect(5, 0, 60, 40), o);
    InkBox box = inkBox(*ctx);
    ASSERT_FALSE(box.empty());
    EXPECT_LT(box.right, 65);
    EXPECT_GE(box.right, 60); // drawn up to the cut, not stopped at a word
}

TEST(TextDrawing, ColourPerCharacterFollowsIndexesThroughTruncation)
{
    auto font = Font::systemFont(20);
    auto ctx = GraphicsContext::create(200, 40, GraphicsContext::Format::RGBA);
    TextLayoutOptions o;
    o.width = layoutText("abcdef", *font).lines[0].width;
    o.maxLines = 1;
    o.lineBreakMode = LineBreakMode::TailTruncation;
    auto layout = layoutText("ab\ncdefghij", *font, o);
    ASSERT_EQ(layout.lines.size(), 1u);
    // "ab\n..." keeps its first line; the glyphs carry their source indexes.
    EXPECT_EQ(layout.lines[0].glyphs[0].index, 0u);
    EXPECT_EQ(layout.lines[0].glyphs[1].index, 1u);

    auto second = layoutText("ab\ncd", *font);
    ASSERT_EQ(second.lines.size(), 2u);
    EXPECT_EQ(second.lines[1].glyphs[0].index, 3u); // after the newline

    std::vector<size_t> seen;
    drawTextLayout(*ctx, second, *font, Point(0, 0), [&](GraphicsContext& c, size_t i) {
        seen.push_back(i);
        c.setFillColor(i < 3 ? 1.f : 0.f, 0, i < 3 ? 0.f : 1.f, 1);
    });
    EXPECT_EQ(seen, (std::vector<size_t> { 0, 1, 3, 4 }));
    Bytes px = ctx->pixelData();
    int red = 0, blue = 0;
    for (uint32_t y = 0; y < 40; ++y)
        for (uint32_t x = 0; x < 200; ++x) {
            const uint8_t* p = &px[(y * 200 + x) * 4];
            if (p[3] < 128)
                continue;
            (y < second.lineHeight ? red : blue) += (y < second.lineHeight ? p[0] > 200 && p[2] == 0 : p[2] > 200 && p[0] == 0);
        }
    EXPECT_GT(red, 10);
    EXPECT_GT(blue, 10);
}

TEST(TextDrawing, LabelDrawsItsTextCentredVerticallyInItsColour)
{
    auto label = ui::Label::labelWithFrame(Rect(0, 0, 120, 60));
    label->setText("Hi");
    label->setTextColor(ui::Color::rgb(1, 0, 0));
    auto ctx = GraphicsContext::create(120, 60, GraphicsContext::Format::RGBA);
    label->drawRect(*ctx, label->bounds());
    Bytes px = ctx->pixelData();
    int top = INT_MAX, bottom = -1;
    bool onlyRed = true;
    for (uint32_t y = 0; y < 60; ++y)
        for (uint32_t x = 0; x < 120; ++x) {
            const uint8_t* p = &px[(y * 120 + x) * 4];
            if (p[3] < 128)
                continue;
            onlyRed = onlyRed && p[1] == 0 && p[2] == 0;
            top = std::min<int>(top, y);
            bottom = std::max<int>(bottom, y);
        }
    ASSERT_GE(bottom, 0);
    EXPECT_TRUE(onlyRed);
    float lineTop = std::round((60 - label->currentLayout().size.height) / 2);
    EXPECT_GE(top, lineTop);
    EXPECT_LT(bottom, lineTop + label->currentLayout().size.height);
}
