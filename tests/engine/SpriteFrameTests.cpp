// Sprite frames, the frame cache with its four property-list formats and
// aliases, and animations with their cache.
#include "TextureTestSupport.h"

#include "engine/KSAnimation.h"
#include "engine/KSSpriteFrameCache.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Exception.h"

#include <fstream>

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

std::string writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path) << text;
    return path;
}

std::string plist(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + body + "</dict></plist>\n";
}

std::string metadata(int format, const std::string& texture = {})
{
    std::string s = "<key>metadata</key><dict><key>format</key><integer>" + std::to_string(format) + "</integer>";
    if (!texture.empty())
        s += "<key>textureFileName</key><string>" + texture + "</string>";
    return s + "</dict>";
}

Value formatDictionary(int format)
{
    return Value(ValueDictionary { { "metadata", Value(ValueDictionary { { "format", Value(format) } }) },
                                   { "frames", Value(ValueDictionary {}) } });
}

} // namespace

class SpriteFrameTest : public GLTest {
protected:
    KSSpriteFrameCache* frames() { return KSSpriteFrameCache::sharedSpriteFrameCache(); }
    Ref<KSTexture2D> sheetTexture()
    {
        texture_test::writeSolidPNG(dir.file("sheet.png"), 64, 64, 0xFFFFFFFF);
        return KSTextureCache::sharedTextureCache()->addImage("sheet.png");
    }
};

TEST_F(SpriteFrameTest, FramesConvertBetweenPointsAndPixels)
{
    auto texture = sheetTexture();
    ksSetContentScaleFactor(2.0f);
    auto frame = KSSpriteFrame::frameWithTexture(texture.get(), Rect(10, 10, 32, 32));
    EXPECT_EQ(frame->rectInPixels(), Rect(20, 20, 64, 64));
    EXPECT_EQ(frame->rect(), Rect(10, 10, 32, 32));
    EXPECT_EQ(frame->originalSizeInPixels(), Size(64, 64));
    EXPECT_FALSE(frame->rotated());
    auto copy = frame->copy();
    EXPECT_NE(copy.get(), frame.get());
    EXPECT_EQ(copy->rectInPixels(), frame->rectInPixels());
    EXPECT_EQ(copy->texture(), texture.get());
    EXPECT_NE(frame->description().find("Rect = (10.00,10.00,32.00,32.00)>"), std::string::npos);
    auto noTexture = KSSpriteFrame::frameWithTexture(nullptr, Rect(0, 0, 1, 1));
    EXPECT_NE(noTexture->description().find("TextureName=0"), std::string::npos);
}

TEST_F(SpriteFrameTest, FormatZeroReadsNumbersAndAbsoluteSizes)
{
    writeText(dir.file("zero.plist"),
              plist("<key>frames</key><dict><key>a.png</key><dict>"
                    "<key>x</key><real>1</real><key>y</key><real>2</real><key>width</key><real>10</real>"
                    "<key>height</key><real>20</real><key>offsetX</key><real>1.5</real><key>offsetY</key><real>-2</real>"
                    "<key>originalWidth</key><integer>-40</integer><key>originalHeight</key><integer>30</integer>"
                    "</dict><key>b.png</key><dict><key>originalWidth</key><real>-1e30</real>"
                    "<key>originalHeight</key><integer>-9223372036854775808</integer></dict></dict>"));
    auto texture = sheetTexture();
    frames()->addSpriteFramesWithFile("zero.plist", texture.get());
    KSSpriteFrame* frame = frames()->spriteFrameByName("a.png");
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->rectInPixels(), Rect(1, 2, 10, 20));
    EXPECT_EQ(frame->offsetInPixels(), Point(1.5f, -2));
    EXPECT_EQ(frame->originalSizeInPixels(), Size(40, 30));
    EXPECT_EQ(frame->texture(), texture.get());
    // The magnitude of the most negative size is positive too.
    KSSpriteFrame* huge = frames()->spriteFrameByName("b.png");
    ASSERT_TRUE(huge);
    EXPECT_GT(huge->originalSizeInPixels().width, 9e18f);
    EXPECT_GT(huge->originalSizeInPixels().height, 9e18f);
}

TEST_F(SpriteFrameTest, FormatsOneAndTwoReadStringsAndOnlyTwoRotates)
{
    const std::string entry = "<key>f</key><dict><key>frame</key><string>{{4,8},{16,12}}</string>"
                              "<key>rotated</key><true/><key>offset</key><string>{1,-1}</string>"
                              "<key>sourceSize</key><string>{20,14}</string></dict>";
    writeText(dir.file("one.plist"), plist(metadata(1) + "<key>frames</key><dict>" + entry + "</dict>"));
    frames()->addSpriteFramesWithFile("one.plist", nullptr);
    KSSpriteFrame* one = frames()->spriteFrameByName("f");
    ASSERT_TRUE(one);
    EXPECT_FALSE(one->rotated());
    EXPECT_EQ(one->rectInPixels(), Rect(4, 8, 16, 12));
    EXPECT_EQ(one->offsetInPixels(), Point(1, -1));
    EXPECT_EQ(one->originalSizeInPixels(), Size(20, 14));

    writeText(dir.file("two.plist"), plist(metadata(2) + "<key>frames</key><dict>" + entry + "</dict>"));
    Ref<KSSpriteFrame> before = frames()->spriteFrameByName("f");
    frames()->addSpriteFramesWithFile("two.plist", nullptr);
    EXPECT_TRUE(frames()->spriteFrameByName("f")->rotated());
    EXPECT_NE(frames()->spriteFrameByName("f"), before.get()) << "a second load replaces the frame";

    // A game in a decimal-comma locale reads the same sheet: "64,64" is two numbers, "0.5" one.
    testing_support::ScopedLocale german("de_DE.UTF-8");
    writeText(dir.file("sheet.plist"),
              plist(metadata(2) + "<key>frames</key><dict><key>g</key><dict><key>frame</key><string>{{64,0},{64,64}}"
                    "</string><key>offset</key><string>{0.5,-1.5}</string><key>sourceSize</key><string>{64,64}</string>"
                    "</dict></dict>"));
    frames()->addSpriteFramesWithFile("sheet.plist", nullptr);
    KSSpriteFrame* g = frames()->spriteFrameByName("g");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->rectInPixels(), Rect(64, 0, 64, 64));
    EXPECT_EQ(g->offsetInPixels(), Point(0.5f, -1.5f));
}

TEST_F(SpriteFrameTest, FormatThreeTakesTheOriginOfTextureRectAndItsAliases)
{
    writeText(dir.file("three.plist"),
              plist(metadata(3, "sheet.png")
                    + "<key>frames</key><dict><key>a.png</key><dict>"
                      "<key>spriteSize</key><string>{10,20}</string>"
                      "<key>spriteOffset</key><string>{0,1}</string>"
                      "<key>spriteSourceSize</key><string>{12,22}</string>"
                      "<key>textureRect</key><string>{{2,4},{99,99}}</string>"
                      "<key>textureRotated</key><true/>"
                      "<key>aliases</key><array><string>b</string><string>c</string></array>"
                      "</dict></dict>"));
    auto texture = sheetTexture();
    frames()->addSpriteFramesWithFile("three.plist");
    KSSpriteFrame* frame = frames()->spriteFrameByName("a.png");
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->rectInPixels(), Rect(2, 4, 10, 20));
    EXPECT_TRUE(frame->rotated());
    EXPECT_EQ(frame->originalSizeInPixels(), Size(12, 22));
    EXPECT_EQ(frame->texture(), texture.get()) << "textureFileName names the cached image";
    EXPECT_EQ(frames()->spriteFrameByName("b"), frame);

    frames()->removeSpriteFrameByName("b");
    EXPECT_FALSE(frames()->spriteFrameByName("a.png"));
    EXPECT_FALSE(frames()->spriteFrameByName("b"));
    EXPECT_TRUE(frames()->spriteFrameByName("c") == nullptr) << "the other alias has no frame left";
}

TEST_F(SpriteFrameTest, TextureNameFollowsThePlistAndMissingTexturesLeaveNilFrames)
{
    texture_test::writeSolidPNG(dir.file("hero.png"), 8, 8, 0xFF00FFFF);
    const std::string frameList = "<key>frames</key><dict><key>h</key><dict><key>frame</key>"
                                  "<string>{{0,0},{8,8}}</string></dict></dict>";
    writeText(dir.file("hero.plist"), plist(metadata(1) + frameList));
    frames()->addSpriteFramesWithFile("hero.plist");
    ASSERT_TRUE(frames()->spriteFrameByName("h"));
    EXPECT_EQ(frames()->spriteFrameByName("h")->texture(),
              KSTextureCache::sharedTextureCache()->textureForKey("hero.png").get());

    writeText(dir.file("ghost.plist"), plist(metadata(1) + "<key>frames</key><dict><key>g</key><dict/></dict>"));
    frames()->addSpriteFramesWithFile("ghost.plist");
    KSSpriteFrame* ghost = frames()->spriteFrameByName("g");
    ASSERT_TRUE(ghost);
    EXPECT_EQ(ghost->texture(), nullptr);
    EXPECT_EQ(ghost->rectInPixels(), Rect());
    EXPECT_NE(ghost->description().find("TextureName=0"), std::string::npos);

    size_t before = frames()->count();
    frames()->addSpriteFramesWithFile("nothing.plist");
    writeText(dir.file("garbage.plist"), "<plist><dict><key>frames</key>");
    frames()->addSpriteFramesWithFile("garbage.plist");
    EXPECT_EQ(frames()->count(), before);
}

TEST_F(SpriteFrameTest, UnsupportedFormatsFailTheAssertion)
{
    for (int format : { 4, -1 }) {
        EXPECT_ASSERTION(frames()->addSpriteFramesWithDictionary(formatDictionary(format), nullptr), "engine/KSSpriteFrameCache",
                         "kestrel: WARNING: format is not supported for KSSpriteFrameCache addSpriteFramesWithDictionary:texture:");
    }
    EXPECT_NO_THROW(frames()->addSpriteFramesWithDictionary(formatDictionary(3), nullptr));
}

TEST_F(SpriteFrameTest, RemovalByFileTextureAndUse)
{
    auto texture = sheetTexture();
    const std::string frameList = "<key>frames</key><dict>"
                                  "<key>p</key><dict><key>frame</key><string>{{0,0},{1,1}}</string></dict>"
                                  "<key>q</key><dict><key>frame</key><string>{{1,1},{1,1}}</string></dict></dict>";
    writeText(dir.file("pq.plist"), plist(metadata(1) + frameList));
    frames()->addSpriteFramesWithFile("pq.plist", texture.get());
    auto other = KSSpriteFrame::frameWithTexture(nullptr, Rect(0, 0, 2, 2));
    frames()->addSpriteFrame(other.get(), "other");
    EXPECT_EQ(frames()->count(), 3u);
    frames()->removeSpriteFramesFromFile("pq.plist");
    EXPECT_EQ(frames()->count(), 1u);

    frames()->addSpriteFramesWithFile("pq.plist", texture.get());
    frames()->removeSpriteFramesFromTexture(texture.get());
    EXPECT_EQ(frames()->count(), 1u);
    EXPECT_TRUE(frames()->spriteFrameByName("other"));

    frames()->addSpriteFramesWithFile("pq.plist", texture.get());
    Ref<KSSpriteFrame> held = frames()->spriteFrameByName("p");
    other = nullptr;
    frames()->removeUnusedSpriteFrames();
    EXPECT_TRUE(frames()->spriteFrameByName("p"));
    EXPECT_FALSE(frames()->spriteFrameByName("q"));
    EXPECT_FALSE(frames()->spriteFrameByName("other"));
    frames()->removeSpriteFrames();
    EXPECT_EQ(frames()->count(), 0u);
    EXPECT_NE(frames()->description().find("| num of sprite frames =  0>"), std::string::npos);
}

TEST_F(SpriteFrameTest, AnimationsCopyTheirFramesAndAddFramesFromFiles)
{
    EXPECT_TRUE(KSAnimation::animationWithName("walk")->frames().empty());
    EXPECT_EQ(KSAnimation::animationWithName("walk")->delay(), 0.0f);

    KSSpriteFrameList list { KSSpriteFrame::frameWithTexture(nullptr, Rect(0, 0, 1, 1)) };
    auto animation = KSAnimation::animationWithFrames(list, 0.25f);
    list.push_back(KSSpriteFrame::frameWithTexture(nullptr, Rect(0, 0, 2, 2)));
    EXPECT_EQ(animation->frames().size(), 1u);

    texture_test::writeSolidPNG(dir.file("run.png"), 64, 32, 0xFFFFFFFF);
    animation->addFrameWithFilename("run.png");
    ASSERT_EQ(animation->frames().size(), 2u);
    EXPECT_EQ(animation->frames()[1]->rect(), Rect(0, 0, 64, 32));
    animation->addFrameWithFilename("absent.png");
    ASSERT_EQ(animation->frames().size(), 3u);
    EXPECT_EQ(animation->frames()[2]->texture(), nullptr);
    EXPECT_EQ(animation->frames()[2]->rect(), Rect());
    EXPECT_NE(animation->description().find("| frames=3, delay:0.250000>"), std::string::npos);
}
