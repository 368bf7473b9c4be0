// Atlas nodes and character-map labels: cell arithmetic, colour rules and a
// label drawn into a framebuffer.
#include "TextureTestSupport.h"

#include "engine/KSAtlasNode.h"
#include "engine/KSLabelAtlas.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/graphics/Image.h"

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

// A character map of 10 x 2 cells of 4 x 4 pixels; cell i has red = 10 * i + 5,
// green = 200, blue = 0, and is opaque (so the texture is not premultiplied).
std::string writeCharMap(const std::string& path, bool alpha = false)
{
    const uint32_t w = 40, h = 8;
    Bytes rgba(w * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint32_t cell = (y / 4) * 10 + x / 4;
            uint8_t* p = &rgba[(y * w + x) * 4];
            p[0] = static_cast<uint8_t>(10 * cell + 5);
            p[1] = 200;
            p[2] = 0;
            p[3] = 255;
        }
    auto image = Image::imageWithRGBA(w, h, std::move(rgba), alpha ? ImageAlphaInfo::Last : ImageAlphaInfo::None);
    EXPECT_TRUE(image->writePNG(path));
    return path;
}

} // namespace

class AtlasNodeTest : public GLTest { };

TEST_F(AtlasNodeTest, LabelPicksCellsCountedFromTheStartCharacter)
{
    writeCharMap(dir.file("digits.png"));
    auto label = KSLabelAtlas::labelWithString("7:", "digits.png", 4, 4, '0');
    ASSERT_TRUE(label);
    EXPECT_EQ(label->itemsPerRow(), 10);
    EXPECT_EQ(label->itemsPerColumn(), 2);
    KSTextureAtlas* atlas = label->textureAtlas();
    ASSERT_EQ(atlas->totalQuads(), 2u);
    // Texture is 64 x 8: "7" is the eighth cell of the top row.
    const ksV3F_C4B_T2F_Quad& seven = atlas->quads()[0];
    EXPECT_FLOAT_EQ(seven.tl.texCoords.u, 28.0f / 64);
    EXPECT_FLOAT_EQ(seven.tr.texCoords.u, 32.0f / 64);
    EXPECT_FLOAT_EQ(seven.tl.texCoords.v, 0.0f);
    EXPECT_FLOAT_EQ(seven.bl.texCoords.v, 0.5f);
    // ":" is ten places beyond "0": the first cell of the second row.
    const ksV3F_C4B_T2F_Quad& colon = atlas->quads()[1];
    EXPECT_FLOAT_EQ(colon.tl.texCoords.u, 0.0f);
    EXPECT_FLOAT_EQ(colon.tl.texCoords.v, 0.5f);
    EXPECT_FLOAT_EQ(colon.bl.vertices.x, 4.0f);
    EXPECT_FLOAT_EQ(colon.tr.vertices.y, 4.0f);
    EXPECT_EQ(label->contentSizeInPixels(), Size(8, 4));
}

TEST_F(AtlasNodeTest, LabelDrawsItsCellsIntoTheFramebuffer)
{
    writeCharMap(dir.file("digits.png"));
    auto label = KSLabelAtlas::labelWithString("70:", "digits.png", 4, 4, '0');
    ASSERT_TRUE(label);
    label->texture()->setAliasTexParameters();
    auto screen = makeScreen(16, 4);
    label->draw();
    Bytes pixels = screen->readPixels();
    EXPECT_EQ(pixelAt(pixels, 16, 1, 1)[0], 75) << "cell 7";
    EXPECT_EQ(pixelAt(pixels, 16, 5, 2)[0], 5) << "cell 0";
    EXPECT_EQ(pixelAt(pixels, 16, 9, 3)[0], 105) << "cell 10";
    EXPECT_EQ(pixelAt(pixels, 16, 9, 3)[1], 200);
    EXPECT_EQ(pixelAt(pixels, 16, 13, 1)[3], 0) << "nothing beyond the string";

    // A longer string grows the atlas; a shorter one draws only its own quads.
    label->setString("00000");
    EXPECT_EQ(label->textureAtlas()->capacity(), 5u);
    label->setString("1");
    EXPECT_EQ(label->textureAtlas()->totalQuads(), 5u);
    glClear(GL_COLOR_BUFFER_BIT);
    label->setColor(ksColor3B { 0, 255, 255 });
    label->draw();
    Bytes tinted = screen->readPixels();
    EXPECT_EQ(pixelAt(tinted, 16, 1, 1)[0], 0) << "the node colour multiplies the texture";
    EXPECT_EQ(pixelAt(tinted, 16, 1, 1)[1], 200);
    EXPECT_EQ(pixelAt(tinted, 16, 5, 1)[3], 0) << "only the current string is drawn";
    GLint src = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    EXPECT_EQ(src, GL_ONE) << "the default blend function is restored";
    EXPECT_TRUE(glIsEnabled(GL_COLOR_ARRAY)) << "the colour array is enabled again";

    // Past what 16-bit indices reach the label keeps, draws and measures the
    // first 16384 characters, and says so; from the start as later.
    platform::LogCapture log;
    for (bool atStart : { false, true }) {
        SCOPED_TRACE(atStart ? "made with it" : "set later");
        auto longLabel = atStart ? KSLabelAtlas::labelWithString(std::string(20000, '1'), "digits.png", 4, 4, '0') : label;
        ASSERT_TRUE(longLabel);
        longLabel->setString(std::string(20000, '1'));
        EXPECT_EQ(longLabel->string(), std::string(16384, '1'));
        EXPECT_EQ(longLabel->textureAtlas()->capacity(), 16384u);
        EXPECT_EQ(longLabel->contentSizeInPixels(), Size(16384 * 4, 4));
        EXPECT_FLOAT_EQ(longLabel->textureAtlas()->quads()[16383].br.vertices.x, 16384 * 4);
    }
    EXPECT_TRUE(log.contains("KSLabelAtlas: a text of 20000 characters is more than the 16384 a label atlas draws; it "
                             "keeps the first 16384"));
}

TEST_F(AtlasNodeTest, ColourRulesFollowPremultiplication)
{
    writeCharMap(dir.file("opaque.png"));
    auto plain = KSLabelAtlas::labelWithString("0", "opaque.png", 4, 4, '0');
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->blendFunc(), (ksBlendFunc { GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA }));
    EXPECT_FALSE(plain->doesOpacityModifyRGB());
    plain->setOpacity(128);
    EXPECT_EQ(plain->color(), ksWHITE) << "not scaled by opacity";

    writeCharMap(dir.file("alpha.png"), true);
    auto pre = KSLabelAtlas::labelWithString("0", "alpha.png", 4, 4, '0');
    ASSERT_TRUE(pre);
    EXPECT_EQ(pre->blendFunc(), (ksBlendFunc { GL_ONE, GL_ONE_MINUS_SRC_ALPHA }));
    EXPECT_TRUE(pre->doesOpacityModifyRGB());
    pre->setColor(ksColor3B { 200, 100, 50 });
    pre->setOpacity(128);
    EXPECT_EQ(pre->color(), (ksColor3B { 200, 100, 50 })) << "the colour as set";
    pre->setOpacityModifyRGB(false);
    EXPECT_EQ(pre->color(), (ksColor3B { 200, 100, 50 }));
}

TEST_F(AtlasNodeTest, CellsThatDoNotFitTheImageAreRefused)
{
    writeCharMap(dir.file("digits.png"));
    EXPECT_FALSE(KSLabelAtlas::labelWithString("0", "digits.png", 41, 4, '0')) << "wider than the image";
    EXPECT_FALSE(KSLabelAtlas::labelWithString("0", "digits.png", 4, 9, '0')) << "higher than the image";
    EXPECT_FALSE(KSLabelAtlas::labelWithString("0", "digits.png", 0, 4, '0'));
    EXPECT_FALSE(KSLabelAtlas::labelWithString("0", "missing.png", 4, 4, '0'));
    platform::LogCapture log;
    EXPECT_FALSE(KSAtlasNode::atlasWithTileFile("digits.png", 4, 4, 20000)) << "beyond 16-bit indices";
    EXPECT_TRUE(log.contains("KSAtlasNode: cannot draw 20000 items of digits.png: an atlas holds at most 16384"));
}

TEST_F(AtlasNodeTest, PlainAtlasNodeLeavesTheQuadsToSubclasses)
{
    writeCharMap(dir.file("tiles.png"));
    auto node = KSAtlasNode::atlasWithTileFile("tiles.png", 4, 4, 3);
    ASSERT_TRUE(node);
    node->setTexture(nullptr);
    EXPECT_FALSE(node->doesOpacityModifyRGB());
    EXPECT_EXCEPTION(node->updateAtlasValues(), "KSAtlasNode:Abstract", "updateAtlasValue not overriden");
}
