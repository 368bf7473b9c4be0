// Bitmap fonts: the .fnt reader (fields by position, missing fields as 0,
// assertions for unsupported pages and characters, kerning pairs), the cache
// per file name, and the label's layout, sprite reuse and drawing.
#include "TextureTestSupport.h"

#include "engine/KSConfiguration.h"
#include "engine/KSLabelBMFont.h"
#include "engine/KSSprite.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLContext.h"

#include <string>

using namespace kestrel;
using platform::Ref;
using texture_test::GLTest;

namespace {

constexpr const char* kCommon = "common lineHeight=32 base=26 scaleW=64 scaleH=64 pages=1 packed=0\n";

std::string assertionOf(const std::function<void()>& f) { return testing_support::describeRaised(f); }

std::string charLine(int id, int x, int y, int w, int h, int xo, int yo, int xa)
{
    return "char id=" + std::to_string(id) + "   x=" + std::to_string(x) + " y=" + std::to_string(y)
           + " width=" + std::to_string(w) + " height=" + std::to_string(h) + " xoffset=" + std::to_string(xo)
           + " yoffset=" + std::to_string(yo) + " xadvance=" + std::to_string(xa) + " page=0 chnl=0\n";
}

class BMFontTest : public GLTest {
protected:
    void TearDown() override
    {
        KSLabelBMFont::purgeCachedData();
        GLTest::TearDown();
    }
    // A font file beside a white 64 x 64 page image "page.png"; answers its path.
    std::string font(const std::string& body, const std::string& name = "font.fnt")
    {
        texture_test::writeSolidPNG(dir.file("page.png"), 64, 64, 0xffffffff);
        return dir.write(name, "info face=\"Test\" size=32\n" + std::string(kCommon)
                                   + "page id=0 file=\"page.png\"\nchars count=3\n" + body);
    }
    // Glyphs A (10 x 20, offsets 2 and 4, advance 12), V and B, and the pair (A, V) of -2.
    std::string standardFont()
    {
        return font(charLine('A', 0, 0, 10, 20, 2, 4, 12) + charLine('V', 16, 0, 10, 20, 0, 4, 11)
                    + charLine('B', 32, 0, 8, 16, 1, 8, 10) + "kernings count=1\nkerning first=65  second=86  amount=-2\n");
    }
    static KSSprite* glyph(KSLabelBMFont* label, int index) { return static_cast<KSSprite*>(label->getChildByTag(index)); }
};

} // namespace

// Reading ------------------------------------------------------------------------------

TEST_F(BMFontTest, ReadsTheCommonPageCharAndKerningLines)
{
    std::string path = font(charLine(65, 10, 20, 8, 12, 1, 4, 9) + "kerning first=65 second=86 amount=-2\n");
    auto config = KSBMFontConfiguration::configurationWithFNTFile(path);
    EXPECT_EQ(config->commonHeight(), 32u);
    EXPECT_EQ(config->atlasName(), dir.file("page.png"));
    const _BMFontDef& a = config->fontDef(65);
    EXPECT_EQ(a.charID, 65u);
    EXPECT_EQ(a.rect, Rect(10, 20, 8, 12));
    EXPECT_EQ(a.xOffset, 1);
    EXPECT_EQ(a.yOffset, 4);
    EXPECT_EQ(a.xAdvance, 9);
    EXPECT_EQ(config->fontDef(66).rect, Rect()) << "undefined characters stay zero";
    EXPECT_EQ(config->kerningAmount(65, 86), -2);
    EXPECT_EQ(config->kerningAmount(86, 65), 0);
    EXPECT_EQ(config->kerningCount(), 1u);
    EXPECT_NE(config->description().find("| Kernings:1 | Image = " + dir.file("page.png") + ">"), std::string::npos);
    config->purgeKerningDictionary();
    EXPECT_EQ(config->kerningAmount(65, 86), 0);

    // Carriage returns before the newlines read the same.
    std::string crlf;
    for (char c : testing_support::readFile(path))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    auto fromCRLF = KSBMFontConfiguration::configurationWithFNTFile(dir.write("crlf.fnt", crlf));
    EXPECT_EQ(fromCRLF->atlasName(), dir.file("page.png"));
    EXPECT_EQ(fromCRLF->fontDef(65).rect, Rect(10, 20, 8, 12));
    EXPECT_EQ(fromCRLF->kerningAmount(65, 86), -2);
}

TEST_F(BMFontTest, MalformedLinesReadMissingFieldsAsZero)
{
    auto config = KSBMFontConfiguration::configurationWithFNTFile(dir.file("none.fnt"));
    ASSERT_TRUE(config) << "a missing file gives an empty configuration";
    EXPECT_EQ(config->commonHeight(), 0u);
    EXPECT_EQ(config->atlasName(), "");

    _BMFontDef def;
    config->parseCharacterDefinition("char id=66", &def);
    EXPECT_EQ(def.charID, 66u);
    EXPECT_EQ(def.rect, Rect());
    EXPECT_EQ(def.xAdvance, 0);
    config->parseCharacterDefinition("char id=67 x=3 y=", &def);
    EXPECT_EQ(def.rect, Rect(3, 0, 0, 0));
    config->parseCharacterDefinition("char id=68 x=99999999999 y=-99999999999", &def);
    EXPECT_EQ(def.rect.origin, Point(2147483647.0f, -2147483648.0f)) << "numbers saturate";

    config->parseKerningEntry("kerning first=1");
    EXPECT_EQ(config->kerningAmount(1, 0), 0);
    // Codes beyond 16 bits and negative ones pack without overflow.
    config->parseKerningEntry("kerning first=65535 second=1 amount=3");
    config->parseKerningEntry("kerning first=-1 second=2 amount=4");
    EXPECT_EQ(config->kerningAmount(65535, 1), 3);
    EXPECT_EQ(config->kerningAmount(0xffffffffu, 2), 4);

    EXPECT_EQ(assertionOf([&] { config->parseCommonArguments("common lineHeight"); }),
              "engine/KSLabelBMFont: KSBitfontAtlas: only supports 1 page");
    EXPECT_EQ(assertionOf([&] { config->parseImageFileName("page id=0", "a.fnt"); }),
              "engine/KSLabelBMFont: BitmapFontAtlas file could not be found");
    EXPECT_EQ(assertionOf([&] { config->parseImageFileName("page id=0 file=page.png", "a.fnt"); }),
              "engine/KSLabelBMFont: BitmapFontAtlas file could not be found");

    // A file that is not UTF-8 text has no lines.
    auto binary = KSBMFontConfiguration::configurationWithFNTFile(dir.write("bad.fnt", std::string(kCommon) + "\xff\xfe"));
    EXPECT_EQ(binary->commonHeight(), 0u);
}

TEST_F(BMFontTest, RefusesWhatItCannotShow)
{
    auto config = KSBMFontConfiguration::configurationWithFNTFile(dir.file("none.fnt"));
    const int max = KSConfiguration::sharedConfiguration()->maxTextureSize();
    const std::string tooWide = "common lineHeight=32 base=26 scaleW=" + std::to_string(max + 1) + " scaleH=64 pages=1";
    EXPECT_EQ(assertionOf([&] { config->parseCommonArguments(tooWide); }),
              "engine/KSLabelBMFont: KSLabelBMFont: page can't be larger than supported");
    EXPECT_EQ(assertionOf([&] { config->parseCommonArguments("common lineHeight=32 base=26 scaleW=64 scaleH=64 pages=2"); }),
              "engine/KSLabelBMFont: KSBitfontAtlas: only supports 1 page");
    EXPECT_EQ(assertionOf([&] { config->parseImageFileName("page id=1 file=\"font.png\"", "fonts/arial.fnt"); }),
              "engine/KSLabelBMFont: XXX: BitmapFontAtlas only supports 1 page");
    config->parseImageFileName("page id=0 file=\"font.png\"", "fonts/arial.fnt");
    EXPECT_EQ(config->atlasName(), "fonts/font.png");
    _BMFontDef def;
    EXPECT_EQ(assertionOf([&] { config->parseCharacterDefinition("char id=2048 x=1", &def); }),
              "engine/KSLabelBMFont: BitmpaFontAtlas: CharID bigger than supported");
    EXPECT_EQ(assertionOf([&] { config->parseCharacterDefinition("char id=-1 x=1", &def); }),
              "engine/KSLabelBMFont: BitmpaFontAtlas: CharID bigger than supported");

    config->parseInfoArguments("info face=\"A\" size=32 bold=0 italic=0 charset=\"\" unicode=0 stretchH=100 "
                               "smooth=1 aa=1 padding=1,2,3,4 spacing=1,1");
    EXPECT_EQ(config->padding().top, 1);
    EXPECT_EQ(config->padding().right, 2);
    EXPECT_EQ(config->padding().bottom, 3);
    EXPECT_EQ(config->padding().left, 4);
}

TEST_F(BMFontTest, ConfigurationsAreSharedPerFileNameUntilPurged)
{
    std::string path = standardFont();
    auto one = KSLabelBMFont::labelWithString("A", path);
    auto two = KSLabelBMFont::labelWithString("B", path);
    EXPECT_EQ(one->configuration(), two->configuration());
    EXPECT_EQ(KSLabelBMFont::cachedConfigurationCount(), 1u);
    KSLabelBMFont::purgeCachedData();
    EXPECT_EQ(KSLabelBMFont::cachedConfigurationCount(), 0u);
    EXPECT_EQ(one->configuration()->commonHeight(), 32u) << "a label keeps its configuration";
    auto three = KSLabelBMFont::labelWithString("A", path);
    EXPECT_NE(three->configuration(), one->configuration());

}

// A game whose bundle lacks the font, or that makes a label (or a sprite) too
// early, goes on without it; the log says which file, where, and why.
TEST_F(BMFontTest, AMissingFontOrNoGLContextGivesNoLabelAndSaysWhy)
{
    platform::LogCapture log;
    EXPECT_FALSE(KSLabelBMFont::labelWithString("A", dir.file("none.fnt")));
    EXPECT_TRUE(log.contains("cannot find " + dir.file("none.fnt"))) << testing::PrintToString(log.texts());
    EXPECT_EQ(KSLabelBMFont::cachedConfigurationCount(), 0u) << "the file is read again once it is there";
    std::string saved = platform::Bundle::main().resourcePath();
    platform::Bundle::main().setResourcePath(dir.file("gone"));
    EXPECT_FALSE(KSLabelBMFont::labelWithString("A", "fonts/none.fnt"));
    platform::Bundle::main().setResourcePath(saved);
    EXPECT_TRUE(log.contains("\"fonts/none.fnt\": it is not in the bundle folder " + dir.file("gone")
                             + "/fonts (no such folder)"));

    // A page whose name leads to a device, and a device named as the font.
    const std::string escape = dir.write("fonts/escape.fnt", std::string(kCommon)
                                                                + "page id=0 file=\"../../../../../../../../dev/zero\"\n");
    EXPECT_FALSE(KSLabelBMFont::labelWithString("A", escape));
    EXPECT_TRUE(log.contains("cannot read " + dir.file("fonts/../../../../../../../../dev/zero")
                             + ": it is a device, not a file")) << testing::PrintToString(log.texts());
    EXPECT_FALSE(KSLabelBMFont::labelWithString("A", "/dev/zero"));
    EXPECT_TRUE(log.contains("cannot read /dev/zero: it is a device, not a file"));

    std::string path = standardFont();
    platform::GLContext* context = platform::GLContext::current();
    ASSERT_TRUE(context);
    texture_test::writeSolidPNG(dir.file("early.png"), 8, 8, 0xffffffff);
    platform::GLContext::clearCurrent();
    Ref<KSLabelBMFont> early = KSLabelBMFont::labelWithString("A", path);
    Ref<KSSprite> earlySprite = KSSprite::spriteWithFile(dir.file("early.png"));
    context->makeCurrent();
    EXPECT_FALSE(early);
    EXPECT_TRUE(log.contains("KSLabelBMFont: cannot make a label with " + path + ": no GL context yet"));
    EXPECT_FALSE(earlySprite);
    EXPECT_TRUE(log.contains("cannot make a texture of " + dir.file("early.png") + ": no GL context yet"))
        << testing::PrintToString(log.texts());
    EXPECT_TRUE(KSLabelBMFont::labelWithString("A", path)) << "the same font once there is a context";
}

// The label ----------------------------------------------------------------------------

TEST_F(BMFontTest, LaysGlyphsOutWithOffsetsNewlinesAndKerning)
{
    std::string path = standardFont();
    auto single = KSLabelBMFont::labelWithString("A", path);
    EXPECT_EQ(glyph(single.get(), 0)->positionInPixels(), Point(7, 18));
    EXPECT_EQ(single->contentSizeInPixels(), Size(12, 32));
    EXPECT_EQ(single->anchorPoint(), Point(0.5f, 0.5f));

    auto lines = KSLabelBMFont::labelWithString("A\nB", path);
    EXPECT_EQ(lines->contentSizeInPixels(), Size(12, 64));
    EXPECT_EQ(glyph(lines.get(), 0)->positionInPixels(), Point(7, 32 + 18));
    EXPECT_EQ(glyph(lines.get(), 2)->positionInPixels(), Point(1 + 4, 32 - 8 - 8));
    EXPECT_EQ(glyph(lines.get(), 1), nullptr) << "a newline has no sprite";

    auto kerned = KSLabelBMFont::labelWithString("AV", path);
    EXPECT_EQ(glyph(kerned.get(), 1)->positionInPixels().x, 12 + 0 + 5 - 2);
    EXPECT_EQ(kerned->contentSizeInPixels(), Size(12 + 11 - 2, 32));

    auto trailing = KSLabelBMFont::labelWithString("A\n", path);
    EXPECT_EQ(trailing->contentSizeInPixels().height, 32) << "a trailing newline adds no line";
}

TEST_F(BMFontTest, AGlyphOffsetBeyondTheLineHeightStaysSigned)
{
    std::string path = font(charLine('Q', 0, 0, 10, 10, 0, 40, 10));
    auto label = KSLabelBMFont::labelWithString("Q", path);
    EXPECT_EQ(glyph(label.get(), 0)->positionInPixels(), Point(5, 32 - 40 - 5));
}

TEST_F(BMFontTest, NewTextReusesAndHidesSprites)
{
    std::string path = standardFont();
    auto label = KSLabelBMFont::labelWithString("AAAAA", path);
    KSSprite* third = glyph(label.get(), 2);
    label->setString("AB");
    EXPECT_EQ(label->children()->count(), 5u);
    EXPECT_TRUE(glyph(label.get(), 1)->visible());
    EXPECT_EQ(glyph(label.get(), 1)->textureRect(), Rect(32, 0, 8, 16));
    for (int i = 2; i < 5; ++i)
        EXPECT_FALSE(glyph(label.get(), i)->visible());
    label->setString("BBBBB");
    EXPECT_EQ(glyph(label.get(), 2), third);
    EXPECT_TRUE(third->visible());
    EXPECT_EQ(third->textureRect(), Rect(32, 0, 8, 16));

    Size before = label->contentSizeInPixels();
    label->setString("");
    EXPECT_EQ(label->contentSizeInPixels(), before);
    EXPECT_FALSE(glyph(label.get(), 0)->visible());

    label->setOpacity(128);
    EXPECT_EQ(third->opacity(), 128) << "hidden sprites get the opacity too";
    label->setString("ABBBBBB");
    EXPECT_EQ(glyph(label.get(), 0)->opacity(), 128);
    EXPECT_EQ(glyph(label.get(), 6)->opacity(), 128);
    label->setColor({ 10, 20, 30 });
    EXPECT_EQ(glyph(label.get(), 6)->color(), ksColor3B({ 10, 20, 30 }));

    EXPECT_EQ(assertionOf([&] { label->setString("\xe2\x82\xac"); }),
              "engine/KSLabelBMFont: BitmapFontAtlas: character outside bounds");
}

// A text the label cannot show fails before anything changes: the label keeps
// its text, its sprites and its size.
TEST_F(BMFontTest, TextsItCannotShowAreRefusedBeforeTheLabelChanges)
{
    std::string path = standardFont();
    auto label = KSLabelBMFont::labelWithString("AB", path);
    const Size size = label->contentSizeInPixels();
    const std::string tooMany = "engine/KSLabelBMFont: KSLabelBMFont: a label shows at most 16384 glyphs";
    EXPECT_EQ(assertionOf([&] { label->setString(std::string(16385, 'B')); }), tooMany);
    EXPECT_EQ(assertionOf([&] { label->setString("\n" + std::string(16385, 'B')); }), tooMany);
    EXPECT_EQ(assertionOf([&] { label->setString("BA\xe2\x82\xac"); }),
              "engine/KSLabelBMFont: BitmapFontAtlas: character outside bounds");
    EXPECT_EQ(label->string(), "AB");
    EXPECT_EQ(label->children()->count(), 2u);
    EXPECT_EQ(glyph(label.get(), 0)->textureRect(), Rect(0, 0, 10, 20)) << "still the A";
    EXPECT_TRUE(glyph(label.get(), 1)->visible());
    EXPECT_EQ(label->contentSizeInPixels(), size);
    EXPECT_EQ(assertionOf([&] { (void)KSLabelBMFont::labelWithString(std::string(16385, 'A'), path); }), tooMany);

    // The bound counts glyphs: newlines take none, and sprites kept from an
    // earlier text that this one does not use make room for it.
    label->setString("\n\n" + std::string(16383, 'B'));
    EXPECT_EQ(label->children()->count(), 16383u);
    EXPECT_FALSE(label->getChildByTag(0));
    label->setString(std::string(16384, 'A'));
    EXPECT_EQ(label->children()->count(), 16384u);
    EXPECT_TRUE(glyph(label.get(), 16383)->visible());
}

TEST_F(BMFontTest, DrawsEveryGlyphWhereItWasLaidOut)
{
    std::string path = standardFont();
    auto label = KSLabelBMFont::labelWithString("AV\nB", path);
    label->setAnchorPoint({ 0, 0 });
    label->setPosition({ 10, 10 });
    constexpr int kW = 64, kH = 96;
    auto screen = makeScreen(kW, kH);
    label->visit();
    platform::Bytes px = screen->readPixels();
    auto lit = [&](int x, int yFromBottom) { return pixelAt(px, kW, x, kH - 1 - yFromBottom)[0] > 128; };
    // A: x 10 + 2 .. 22, y 10 + 64 - 4 - 20 .. 10 + 64 - 4 on the first line (top band 32..64).
    EXPECT_TRUE(lit(13, 52));
    EXPECT_TRUE(lit(21, 68));
    EXPECT_FALSE(lit(11, 60)) << "left of A's x offset";
    // V is kerned 2 pixels left: x 10 + 12 - 2 .. 30.
    EXPECT_TRUE(lit(21 + 1, 60));
    EXPECT_TRUE(lit(29, 60));
    EXPECT_FALSE(lit(31, 60));
    // B on the second line: x 11 .. 19, y 10 + 32 - 8 - 16 .. 10 + 32 - 8.
    EXPECT_TRUE(lit(12, 20));
    EXPECT_TRUE(lit(18, 33));
    EXPECT_FALSE(lit(12, 36));
    EXPECT_FALSE(lit(20, 20));
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KS_UNDER_ASAN 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(KS_UNDER_ASAN)

// In a child process with its address space capped, reading kerning pairs runs
// out of memory: it throws std::bad_alloc (instead of ending the process) and the
// table keeps every pair it took. Several caps, so that some run out while the
// table itself grows and others while a pair's record is made.
void fillKerningTableUntilMemoryRunsOut(unsigned headroomMiB)
{
    auto config = KSBMFontConfiguration::configurationWithFNTFile("/nonexistent/none.fnt");
    testing_support::capAddressSpace(headroomMiB);
    unsigned added = 0;
    bool threw = false;
    try {
        for (uint32_t i = 0; i < (1u << 24); ++i) {
            config->parseKerningEntry("kerning first=" + std::to_string(i >> 11) + " second="
                                      + std::to_string(i & 2047) + " amount=-1");
            ++added;
        }
    } catch (const std::bad_alloc&) {
        threw = true;
    }
    // A failed growth of the table keeps the pair it was adding.
    const unsigned count = config->kerningCount();
    bool intact = threw && (count == added || count == added + 1) && config->kerningAmount(0, 0) == -1
                  && config->kerningAmount(added >> 11, added & 2047) == (count > added ? -1 : 0);
    config->purgeKerningDictionary();
    std::_Exit(intact && config->kerningCount() == 0 ? 0 : 1);
}

TEST(BMFontDeathTest, KerningTableOutOfMemoryThrowsAndKeepsThePairs)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (unsigned headroom : { 8u, 16u, 24u, 32u, 96u })
        EXPECT_EXIT(fillKerningTableUntilMemoryRunsOut(headroom), ::testing::ExitedWithCode(0), "")
            << headroom << " MiB";
}
#endif
