// Font lookup and text layout: exact-name lookup, line breaking, truncation,
// alignment and rounding.
#include "platform/graphics/Font.h"
#include "platform/graphics/TextEngine.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace platform;

namespace {

float width(const std::string& s, const Font& f)
{
    return layoutText(s, f).lines.at(0).width;
}

} // namespace

TEST(FontLookup, FindsPlatformFontsOnlyByExactName)
{
    EXPECT_TRUE(FontFile::findByName("DejaVu Sans"));        // family
    EXPECT_TRUE(FontFile::findByName("DejaVu Sans Bold"));   // full name
    EXPECT_TRUE(FontFile::findByName("DejaVuSans-Bold"));    // PostScript name
    EXPECT_FALSE(FontFile::findByName("Helvetica"));         // not installed: no substitute
    EXPECT_FALSE(FontFile::findByName("Marker Felt"));
    EXPECT_FALSE(FontFile::findByName("dejavu sans"));       // names are exact
    EXPECT_FALSE(Font::fontWithName("Helvetica", 12));

    // A family resolves to its plain face, not a condensed or light one.
    EXPECT_EQ(FontFile::findByName("DejaVu Sans")->postScriptName(), "DejaVuSans");
    EXPECT_EQ(Font::boldSystemFont(14)->file().postScriptName(), "DejaVuSans-Bold");
}

TEST(FontLookup, UnreadableFileIsNoFont)
{
    EXPECT_FALSE(FontFile::fromPath("/nonexistent/font.ttf"));
    EXPECT_FALSE(FontFile::fromPath("/etc/hostname"));
}

TEST(TextLayout, SingleLineMetricsComeFromTheFont)
{
    auto font = Font::systemFont(17);
    auto layout = layoutText("Hello", *font);
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_FLOAT_EQ(layout.lineHeight, font->lineHeight());
    EXPECT_FLOAT_EQ(layout.lines[0].baseline, font->ascender());
    EXPECT_EQ(layout.size.height, std::ceil(font->lineHeight()));
    EXPECT_EQ(layout.size.width, std::ceil(layout.lines[0].width));
    EXPECT_GT(layout.size.width, 30);
    // Twice the size measures twice as wide, before rounding.
    EXPECT_NEAR(width("Hello", *Font::systemFont(34)), 2 * width("Hello", *font), 0.01);
    EXPECT_EQ(measureText("", *font), Size(0, 0));
}

TEST(TextLayout, KerningIsApplied)
{
    auto font = Font::systemFont(40);
    FontFile& f = font->file();
    float separate = f.advance(f.glyphIndex('A'), 40) + f.advance(f.glyphIndex('V'), 40);
    float kern = f.kerning(f.glyphIndex('A'), f.glyphIndex('V'), 40);
    ASSERT_LT(kern, 0) << "DejaVu Sans kerns A and V";
    EXPECT_FLOAT_EQ(width("AV", *font), separate + kern);
}

TEST(TextLayout, WordWrapBreaksBetweenWords)
{
    auto font = Font::systemFont(12);
    float one = width("alpha beta", *font);
    TextLayoutOptions o;
    o.width = one + 1;
    auto layout = layoutText("alpha beta gamma", *font, o);
    ASSERT_EQ(layout.lines.size(), 2u);
    EXPECT_EQ(layout.lines[0].text, "alpha beta");
    EXPECT_EQ(layout.lines[1].text, "gamma");
    EXPECT_FLOAT_EQ(layout.lines[1].top, font->lineHeight());
    EXPECT_EQ(layout.size.height, std::ceil(2 * font->lineHeight()));

    // A word longer than the line is broken between characters.
    o.width = width("abc", *font) + 0.5f;
    layout = layoutText("abcdefg", *font, o);
    ASSERT_EQ(layout.lines.size(), 3u);
    EXPECT_EQ(layout.lines[0].text, "abc");
    EXPECT_EQ(layout.lines[2].text, "g");
}

TEST(TextLayout, CharacterWrapFillsEachLine)
{
    auto font = Font::systemFont(12);
    TextLayoutOptions o;
    o.width = width("alpha b", *font) + 0.5f;
    o.lineBreakMode = LineBreakMode::CharacterWrap;
    auto layout = layoutText("alpha beta", *font, o);
    ASSERT_EQ(layout.lines.size(), 2u);
    EXPECT_EQ(layout.lines[0].text, "alpha b");
    EXPECT_EQ(layout.lines[1].text, "eta");
}

TEST(TextLayout, NewlinesBreakAndTrailingNewlineAddsNoLine)
{
    auto font = Font::systemFont(12);
    EXPECT_EQ(layoutText("a\nb", *font).lines.size(), 2u);
    EXPECT_EQ(layoutText("a\r\nb", *font).lines.size(), 2u);
    EXPECT_EQ(layoutText("a\n", *font).lines.size(), 1u);
    EXPECT_EQ(layoutText("a\n ", *font).lines.size(), 2u);
    EXPECT_EQ(layoutText("a\n\nb", *font).lines.size(), 3u);
}

TEST(TextLayout, TruncationModesUseTheEllipsis)
{
    auto font = Font::systemFont(12);
    TextLayoutOptions o;
    o.width = width("abcdef", *font);
    o.maxLines = 1;

    o.lineBreakMode = LineBreakMode::TailTruncation;
    auto tail = layoutText("abcdefghijkl", *font, o);
    ASSERT_EQ(tail.lines.size(), 1u);
    EXPECT_TRUE(tail.truncated);
    EXPECT_EQ(tail.lines[0].text.substr(tail.lines[0].text.size() - 3), "\u2026");
    EXPECT_EQ(tail.lines[0].text.substr(0, 2), "ab");
    EXPECT_LE(tail.lines[0].width, o.width + 0.001f);

    o.lineBreakMode = LineBreakMode::HeadTruncation;
    auto head = layoutText("abcdefghijkl", *font, o);
    EXPECT_EQ(head.lines[0].text.substr(0, 3), "\u2026");
    EXPECT_EQ(head.lines[0].text.substr(head.lines[0].text.size() - 2), "kl");

    o.lineBreakMode = LineBreakMode::MiddleTruncation;
    auto middle = layoutText("abcdefghijkl", *font, o);
    const std::string& t = middle.lines[0].text;
    EXPECT_EQ(t.front(), 'a');
    EXPECT_EQ(t.back(), 'l');
    EXPECT_NE(t.find("\u2026"), std::string::npos);

    o.lineBreakMode = LineBreakMode::Clip;
    auto clip = layoutText("abcdefghijkl", *font, o);
    EXPECT_EQ(clip.lines[0].text, "abcdefghijkl");
    EXPECT_FLOAT_EQ(clip.lines[0].width, o.width);

    // Text that fits is left alone.
    o.lineBreakMode = LineBreakMode::TailTruncation;
    auto fits = layoutText("abc", *font, o);
    EXPECT_FALSE(fits.truncated);
    EXPECT_EQ(fits.lines[0].text, "abc");
}

TEST(TextLayout, LongTextTruncatesWithinTheWidth)
{
    auto font = Font::systemFont(12);
    std::string longText(20000, 'w');
    TextLayoutOptions o;
    o.width = 100;
    o.maxLines = 1;
    for (auto mode : { LineBreakMode::TailTruncation, LineBreakMode::HeadTruncation, LineBreakMode::MiddleTruncation }) {
        o.lineBreakMode = mode;
        auto layout = layoutText(longText, *font, o);
        ASSERT_EQ(layout.lines.size(), 1u);
        EXPECT_LE(layout.lines[0].width, 100.001f);
        // As many characters as fit: one more would not.
        EXPECT_GT(layout.lines[0].width + width("w", *font), 100);
    }
}

TEST(TextLayout, HeightLimitsLinesAndTruncatesTheLast)
{
    auto font = Font::systemFont(12);
    TextLayoutOptions o;
    o.width = width("word word", *font) + 1;
    o.height = font->lineHeight() * 2 + 3;
    o.lineBreakMode = LineBreakMode::TailTruncation;
    auto layout = layoutText("word word word word word word", *font, o);
    ASSERT_EQ(layout.lines.size(), 2u);
    EXPECT_NE(layout.lines[1].text.find("\u2026"), std::string::npos);

    o.lineBreakMode = LineBreakMode::WordWrap;
    layout = layoutText("word word word word word word", *font, o);
    EXPECT_EQ(layout.lines.size(), 2u);
    EXPECT_TRUE(layout.truncated);
}

TEST(TextLayout, AlignmentPlacesLinesInTheWidth)
{
    auto font = Font::systemFont(12);
    TextLayoutOptions o;
    o.width = 200;
    o.alignment = TextAlignment::Center;
    auto c = layoutText("abc", *font, o);
    EXPECT_FLOAT_EQ(c.lines[0].x, (200 - c.lines[0].width) / 2);
    o.alignment = TextAlignment::Right;
    auto r = layoutText("abc", *font, o);
    EXPECT_FLOAT_EQ(r.lines[0].x, 200 - r.lines[0].width);
}

TEST(TextLayout, InvalidUtf8IsReplacedNotRejected)
{
    EXPECT_EQ(decodeUtf8("a\xff" "b"), std::u32string(U"a\uFFFDb"));
    EXPECT_EQ(decodeUtf8("\xC0\x80"), std::u32string(U"\uFFFD\uFFFD")); // overlong
    EXPECT_EQ(decodeUtf8("\xE2\x82"), std::u32string(U"\uFFFD\uFFFD")); // truncated
    EXPECT_EQ(encodeUtf8(decodeUtf8("h\u00e9\u2026")), "h\u00e9\u2026");
    auto font = Font::systemFont(12);
    EXPECT_EQ(layoutText("\xff\xfe", *font).lines.size(), 1u);
}
