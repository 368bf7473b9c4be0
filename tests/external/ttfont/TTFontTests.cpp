// TrueType fonts: metrics under the rounding formulas, the 'name' table reader
// (including corrupt tables), and the font manager's bundle lookups.
#include "FontSupport.h"

#include "external/ttfont/TTFont.h"
#include "external/ttfont/TTFontManager.h"
#include "external/ttfont/TTStringDrawing.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace ttfont;
using namespace font_test;
using platform::Ref;

namespace {

Ref<TTFont> dejaVu(float size)
{
    auto file = platform::FontFile::fromPath(kDejaVuSans);
    return file ? TTFont::fontWithCGFont(file.get(), size) : nullptr;
}

std::string name(const platform::Bytes& table, uint16_t id, NameTableResult expected = NameTableResult::Found)
{
    std::string out = "<none>";
    EXPECT_EQ(readNameTableEntry(table, id, out), expected);
    return out;
}

// Points the resources at a fresh folder for one test.
class FontManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = platform::Bundle::main().resourcePath();
        platform::Bundle::main().setResourcePath(dir.path());
        TTFontManager::purgeSharedManager();
    }
    void TearDown() override
    {
        TTFontManager::purgeSharedManager();
        platform::Bundle::main().setResourcePath(saved_);
    }
    testing_support::TempDir dir;
    std::string saved_;
};

} // namespace

TEST(TTFontMetrics, MatchTheFontTablesUnderTheRoundingFormulas)
{
    std::string file = readAll(kDejaVuSans);
    uint32_t head, hhea, len;
    ASSERT_TRUE(findTable(file, "head", head, len));
    ASSERT_TRUE(findTable(file, "hhea", hhea, len));
    const float upm = be16(file, head + 18);
    const auto ascent = static_cast<int16_t>(be16(file, hhea + 4));
    const auto descent = static_cast<int16_t>(be16(file, hhea + 6));
    for (float size : { 9.f, 12.f, 16.f, 17.f, 31.5f }) {
        auto f = dejaVu(size);
        ASSERT_TRUE(f);
        const float ratio = size / upm;
        EXPECT_FLOAT_EQ(f->ratio(), ratio);
        EXPECT_EQ(f->ascender(), std::ceil(ratio * ascent)) << size;
        EXPECT_EQ(f->descender(), std::floor(ratio * descent)) << size;
        EXPECT_EQ(f->leading(), f->ascender() - f->descender());
    }
    // DejaVu Sans at 16 points: 2048 units per em, ascent 1901, descent -483.
    auto f16 = dejaVu(16);
    EXPECT_FLOAT_EQ(f16->ratio(), 0.0078125f);
    EXPECT_EQ(f16->ascender(), 15);
    EXPECT_EQ(f16->descender(), -4);
    EXPECT_EQ(f16->leading(), 19);
}

TEST(TTFontMetrics, CapAndXHeightFallBackToTheOutlinesWhenOS2DoesNotRecordThem)
{
    std::string file = readAll(kDejaVuSans);
    uint32_t os2, len;
    ASSERT_TRUE(findTable(file, "OS/2", os2, len));
    ASSERT_LT(be16(file, os2), 2) << "the fixture font's OS/2 table has no cap height or x-height";
    // "H" is 1493 units tall and "x" 1120, of 2048 per em.
    auto f16 = dejaVu(16);
    EXPECT_EQ(f16->capHeight(), 12);
    EXPECT_EQ(f16->xHeight(), 9);
    auto f32 = dejaVu(32);
    EXPECT_EQ(f32->capHeight(), 24);
    EXPECT_EQ(f32->xHeight(), 18);
}

TEST(TTFontMetrics, TextIsLaidOutWithTheRoundedMetrics)
{
    auto f = dejaVu(16);
    platform::Size one = sizeWithTTFont("Hello", *f);
    EXPECT_EQ(one.height, f->leading());
    platform::Size two = sizeWithTTFont("Hello Hello", *f, platform::Size(one.width + 2, 100), platform::LineBreakMode::WordWrap);
    EXPECT_EQ(two.height, 2 * f->leading());
    EXPECT_LE(two.width, one.width + 2);
    // A height limit caps the lines; so does a line count.
    EXPECT_EQ(sizeWithTTFont("a b c d", *f, platform::Size(1, f->leading() * 2 + 5), platform::LineBreakMode::WordWrap).height,
              2 * f->leading());
    EXPECT_EQ(sizeWithTTFont("a b c d", *f, platform::Size(1, 0), platform::LineBreakMode::WordWrap, 3).height,
              3 * f->leading());
    // One line stops at the first line break.
    EXPECT_EQ(sizeWithTTFont("Hello\nworld", *f).height, f->leading());
}

TEST(TTFontObject, SizesEqualityAndAssertions)
{
    auto f = dejaVu(16);
    EXPECT_EQ(f->fontWithSize(16).get(), f.get());
    auto g = f->fontWithSize(20);
    EXPECT_NE(g.get(), f.get());
    EXPECT_EQ(g->cgFont(), f->cgFont());
    EXPECT_FALSE(g->isEqual(*f));
    EXPECT_TRUE(f->isEqual(*TTFont::fontWithCGFont(f->cgFont(), 16)));
    // Equal files opened twice are different fonts.
    EXPECT_FALSE(f->isEqual(*dejaVu(16)));

    EXPECT_ASSERTION(f->fontWithSize(0), "external/ttfont/TTFont",
                     "Invalid parameter not satisfying: fontSize > 0.0");
    EXPECT_THROW(f->fontWithSize(std::nanf("")), platform::AssertionFailure);
    EXPECT_ASSERTION(TTFont::init(), "external/ttfont/TTFont",
                     "-init is not valid for TTFont");
    EXPECT_THROW((void)TTFont::fontWithUIFont(nullptr), platform::AssertionFailure);
    auto ui = TTFont::fontWithUIFont(platform::Font::systemFont(13).get());
    EXPECT_EQ(ui->pointSize(), 13);
    EXPECT_EQ(ui->postScriptName(), "DejaVuSans");
}

TEST(TTFontNames, ComeFromTheFontsNameTable)
{
    auto f = dejaVu(12);
    EXPECT_EQ(f->familyName(), "DejaVu Sans");
    EXPECT_EQ(f->fontName(), "DejaVu Sans");
    EXPECT_EQ(f->postScriptName(), "DejaVuSans");
    EXPECT_FALSE(f->copyNameTableEntryForID(300).has_value());
}

TEST(NameTableReader, ReadsSupportedEncodingsInTableOrder)
{
    NameTable t;
    t.records = {
        { 3, 10, 0x409, 1, utf16be(u"Wide") },   // unsupported encoding: skipped
        { 1, 0, 0, 1, "Caf\x8E" },               // Mac OS Roman é
        { 3, 1, 0x409, 1, utf16be(u"Windows") },
        { 0, 3, 0, 4, utf16be(u"Uni\xD83D\xDE00") }, // a surrogate pair
        { 3, 10, 0x409, 6, utf16be(u"OnlyWide") },
    };
    EXPECT_EQ(name(t.build(), 1), "Caf\xC3\xA9");
    EXPECT_EQ(name(t.build(), 4), "Uni\xF0\x9F\x98\x80");
    // A name whose only record is platform 3, encoding 10 is not found.
    name(t.build(), 6, NameTableResult::NotFound);
    name(t.build(), 2, NameTableResult::NotFound);

    // Format 1 tables are read like format 0; later formats are refused.
    t.format = 1;
    EXPECT_EQ(name(t.build(), 1), "Caf\xC3\xA9");
    t.format = 2;
    name(t.build(), 1, NameTableResult::BadFormat);
}

TEST(NameTableReader, CorruptCountsAndOffsetsNeverReadOutsideTheTable)
{
    NameTable t;
    t.records = { { 3, 1, 0x409, 1, utf16be(u"First") }, { 3, 1, 0x409, 1, utf16be(u"Second") } };
    platform::Bytes good = t.build();

    // Too short for a header.
    name(platform::Bytes(good.begin(), good.begin() + 5), 1, NameTableResult::NotFound);
    // The count claims more records than there are bytes: the whole ones are still read.
    platform::Bytes more = good;
    more[2] = 0xFF;
    more[3] = 0xFF;
    EXPECT_EQ(name(more, 1), "First");
    // Truncated in the middle of the first record.
    name(platform::Bytes(good.begin(), good.begin() + 12), 1, NameTableResult::NotFound);
    // Storage offset past the end: no string can be read.
    platform::Bytes storage = good;
    storage[4] = 0xFF;
    name(storage, 1, NameTableResult::NotFound);
    // The first string runs past the end: the next record is used.
    platform::Bytes length = good;
    length[6 + 8] = 0xFF;
    EXPECT_EQ(name(length, 1), "Second");
    // Truncated strings: the second string's bytes are cut off.
    platform::Bytes cut(good.begin(), good.end() - 2);
    length = cut;
    length[6 + 8] = 0xFF;
    name(length, 1, NameTableResult::NotFound);
}

TEST(NameTableReader, CorruptNameTableInAFontFileLoadsWithoutOverReading)
{
    testing_support::TempDir dir;
    std::string file = readAll(kDejaVuSans);
    uint32_t offset, length;
    ASSERT_TRUE(findTable(file, "name", offset, length));
    file[offset + 2] = '\xFF'; // count
    file[offset + 3] = '\xFF';
    file[offset + 4] = '\xFF'; // storage offset
    file[offset + 5] = '\xF0';
    auto font = platform::FontFile::fromPath(dir.write("Corrupt.ttf", file));
    ASSERT_TRUE(font);
    auto f = TTFont::fontWithCGFont(font.get(), 12);
    EXPECT_FALSE(f->familyName().has_value());
    EXPECT_FALSE(f->postScriptName().has_value());
    EXPECT_GT(f->ascender(), 0); // the rest of the font is usable

    file[offset] = '\0';
    file[offset + 1] = '\x07'; // format 7
    auto bad = TTFont::fontWithCGFont(platform::FontFile::fromPath(dir.write("Bad.ttf", file)).get(), 12);
    EXPECT_THAT(testing_support::assertionMessage([&] { bad->familyName(); }), testing::HasSubstr("has bad version number"));
}

TEST_F(FontManagerTest, LoadsBundleFontsOnceAndMakesFontsPerSize)
{
    std::string path = dir.write("Custom.ttf", readAll(kDejaVuSans));
    auto* manager = TTFontManager::sharedManager();
    EXPECT_EQ(TTFontManager::sharedManager(), manager);
    auto a = manager->ttFontWithName("Custom", 12);
    ASSERT_TRUE(a);
    auto b = manager->ttFontWithName("Custom", 20);
    ASSERT_TRUE(b);
    EXPECT_EQ(a->cgFont(), b->cgFont()); // the file is loaded once
    EXPECT_NE(a.get(), b.get());
    EXPECT_FALSE(a->isEqual(*b));
    EXPECT_EQ(manager->fontWithName("Custom"), a->cgFont());
    EXPECT_EQ(manager->copyAllFonts().size(), 1u);
    // The same file by path is the same loaded font.
    EXPECT_EQ(manager->ttFontWithURL(path, 9)->cgFont(), a->cgFont());
    EXPECT_EQ(manager->copyAllFonts().size(), 1u);
}

TEST_F(FontManagerTest, FindsNamesWithExtensionsAndRetriesMisses)
{
    auto* manager = TTFontManager::sharedManager();
    dir.write("Other.otf", readAll(kDejaVuSans));
    EXPECT_TRUE(manager->ttFontWithName("Other.otf", 10));

    EXPECT_FALSE(manager->ttFontWithName("Late", 10));
    EXPECT_FALSE(manager->ttFontWithName("Late", 10));
    dir.write("Late.ttf", readAll(kDejaVuSans));
    EXPECT_TRUE(manager->ttFontWithName("Late", 10)); // each miss looks again

    dir.write("NotAFont.ttf", "hello");
    EXPECT_FALSE(manager->ttFontWithName("NotAFont", 10));
    EXPECT_FALSE(manager->loadFontURL(dir.file("missing.ttf")));
    EXPECT_FALSE(manager->ttFontWithURL(dir.file("missing.ttf"), 10));
}
