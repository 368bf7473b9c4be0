// Configuration, textures from data and images, and PVR files, on a real
// headless GL ES 1.1 context.
#include "TextureTestSupport.h"

#include "engine/KSConfiguration.h"
#include "engine/KSTexture2D.h"
#include "engine/KSTexturePVR.h"
#include "platform/foundation/Exception.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"

using namespace kestrel;
using namespace platform;
using texture_test::GLTest;

namespace {

Ref<Image> solidImage(uint32_t w, uint32_t h, Bytes pixel, ImageAlphaInfo alpha = ImageAlphaInfo::Last,
                      ImageColorModel model = ImageColorModel::RGB, uint32_t bits = 8)
{
    Bytes rgba;
    for (uint32_t i = 0; i < w * h; ++i)
        rgba.insert(rgba.end(), pixel.begin(), pixel.end());
    return Image::imageWithRGBA(w, h, std::move(rgba), alpha, model, bits);
}

} // namespace

class TextureTest : public GLTest {
protected:
    // Draws the texture at the origin of a screen of the given size, without blending,
    // and reads back the pixels (top row first).
    Bytes draw(KSTexture2D* texture, uint32_t width, uint32_t height)
    {
        auto screen = makeScreen(width, height);
        glDisable(GL_BLEND);
        glDisableClientState(GL_COLOR_ARRAY);
        texture->setAliasTexParameters();
        texture->drawAtPoint(Point(0, 0));
        glEnable(GL_BLEND);
        glEnableClientState(GL_COLOR_ARRAY);
        return screen->readPixels();
    }
};

// ---- configuration ----

TEST_F(TextureTest, ConfigurationPacksSystemVersionsOneByteEach)
{
    EXPECT_EQ(KSConfiguration::versionFromString("4.2.1"), 67240192u);
    EXPECT_EQ(KSConfiguration::versionFromString("3.1"), 50397184u);
    EXPECT_EQ(KSConfiguration::versionFromString("4.2"), 67239936u);
    EXPECT_EQ(KSConfiguration::versionFromString("4.2.1.5"), 67240197u);
    EXPECT_EQ(KSConfiguration::versionFromString("10.0"), 167772160u);
    EXPECT_EQ(KSConfiguration::versionFromString("4.2.1.5.9"), 67240197u);
}

TEST_F(TextureTest, ConfigurationReadsTheRealImplementation)
{
    KSConfiguration* config = KSConfiguration::sharedConfiguration();
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    EXPECT_EQ(config->maxTextureSize(), maxSize);
    EXPECT_GT(config->maxModelviewStackDepth(), 0);
    EXPECT_FALSE(config->supportsPVRTC());
    EXPECT_FALSE(config->supportsNPOT());
    // Mesa names its BGRA extension differently from the two names we accept.
    EXPECT_FALSE(config->supportsBGRA8888());
    EXPECT_TRUE(config->supportsDiscardFramebuffer());
    EXPECT_TRUE(config->checkForGLExtension("GL_EXT_discard_framebuffer"));
    EXPECT_FALSE(config->checkForGLExtension("GL_EXT_discard"));
    EXPECT_EQ(config->OSVersion(), 0x04020000u) << "the device's system version, 4.2";
    // The unknown multisample query was drained, not left pending.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---- raw data ----

TEST_F(TextureTest, RawDataSetsSizesAndCoordinates)
{
    Bytes pixels(8 * 4 * 4, 0xFF);
    auto t = KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 8, 4, Size(6, 3));
    ASSERT_TRUE(t);
    EXPECT_NE(t->name(), 0u);
    EXPECT_EQ(t->pixelsWide(), 8u);
    EXPECT_EQ(t->pixelsHigh(), 4u);
    EXPECT_FLOAT_EQ(t->maxS(), 0.75f);
    EXPECT_FLOAT_EQ(t->maxT(), 0.75f);
    EXPECT_FALSE(t->hasPremultipliedAlpha());
    EXPECT_NE(t->description().find("| Name = "), std::string::npos);
    EXPECT_NE(t->description().find("Dimensions = 8x4 | Coordinates = (0.75, 0.75)>"), std::string::npos);
}

TEST_F(TextureTest, RawDataRefusesBadFormatsAndFailedUploads)
{
    Bytes pixels(16, 0);
    EXPECT_EXCEPTION(
        KSTexture2D::textureWithData(pixels.data(), static_cast<KSTexture2DPixelFormat>(9), 2, 2, Size(2, 2)),
        kInternalInconsistencyException, "");
    drainGLErrors();
    // Larger than GL allows: the upload fails, the error is consumed, no texture.
    EXPECT_FALSE(KSTexture2D::textureWithData(nullptr, kKSTexture2DPixelFormat_A8, 1u << 20, 1, Size(1, 1)));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---- images ----

TEST_F(TextureTest, ImageIsPaddedToPowersOfTwo)
{
    auto t = KSTexture2D::textureWithImage(solidImage(100, 60, { 255, 0, 0, 255 }, ImageAlphaInfo::None));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->pixelsWide(), 128u);
    EXPECT_EQ(t->pixelsHigh(), 64u);
    EXPECT_EQ(t->contentSizeInPixels(), Size(100, 60));
    EXPECT_FLOAT_EQ(t->maxS(), 0.78125f);
    EXPECT_FLOAT_EQ(t->maxT(), 0.9375f);
    // Opaque 8-bit images use the default alpha format, not RGB565.
    EXPECT_EQ(t->pixelFormat(), kKSTexture2DPixelFormat_RGBA8888);
    EXPECT_FALSE(t->hasPremultipliedAlpha());
}

TEST_F(TextureTest, ImageAboveTheMaximumTextureSizeIsRefused)
{
    const auto max = static_cast<uint32_t>(KSConfiguration::sharedConfiguration()->maxTextureSize());
    EXPECT_FALSE(KSTexture2D::textureWithImage(solidImage(max + 1, 1, { 0, 0, 0, 255 })));
    EXPECT_FALSE(KSTexture2D::textureWithImage(nullptr));
}

TEST_F(TextureTest, PixelsRepackIntoSixteenBitLayouts)
{
    const uint8_t pixel[4] = { 255, 128, 0, 255 };
    EXPECT_EQ(ksPackRGB565(pixel), 0xFC00);
    EXPECT_EQ(ksPackRGBA4444(pixel), 0xF80F);
    EXPECT_EQ(ksPackRGB5A1(pixel), 0xFC01);
}

TEST_F(TextureTest, ImageTopRowLandsAtTheTopOfTheContent)
{
    // 2x2: top row red, bottom row green; drawn at the origin, GL's y grows upwards.
    Bytes rgba = { 255, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255 };
    auto image = Image::imageWithRGBA(2, 2, rgba, ImageAlphaInfo::None);
    auto t = KSTexture2D::textureWithImage(image.get());
    ASSERT_TRUE(t);
    Bytes pixels = draw(t.get(), 2, 2);
    EXPECT_EQ(pixelAt(pixels, 2, 0, 0)[0], 255) << "top row red";
    EXPECT_EQ(pixelAt(pixels, 2, 0, 1)[1], 255) << "bottom row green";
    EXPECT_EQ(pixelAt(pixels, 2, 1, 1)[0], 0);
}

TEST_F(TextureTest, ImageWithAlphaIsPremultiplied)
{
    auto t = KSTexture2D::textureWithImage(solidImage(4, 4, { 200, 100, 50, 128 }));
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->hasPremultipliedAlpha());
    EXPECT_EQ(t->pixelFormat(), kKSTexture2DPixelFormat_RGBA8888);
    Bytes pixels = draw(t.get(), 4, 4);
    const uint8_t* p = pixelAt(pixels, 4, 1, 1);
    EXPECT_NEAR(p[0], 100, 1);
    EXPECT_NEAR(p[1], 50, 1);
    EXPECT_NEAR(p[2], 25, 1);
    EXPECT_EQ(p[3], 128);
}

TEST_F(TextureTest, DefaultFormatRGB565DropsAlphaAndPremultiplication)
{
    KSTexture2D::setDefaultAlphaPixelFormat(kKSTexture2DPixelFormat_RGB565);
    auto t = KSTexture2D::textureWithImage(solidImage(4, 4, { 255, 255, 255, 128 }));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->pixelFormat(), kKSTexture2DPixelFormat_RGB565);
    EXPECT_FALSE(t->hasPremultipliedAlpha());
    Bytes pixels = draw(t.get(), 4, 4);
    // Composited over black, then stored without alpha: opaque grey.
    const uint8_t* p = pixelAt(pixels, 4, 0, 0);
    EXPECT_NEAR(p[0], 132, 4);
    EXPECT_EQ(p[3], 255);
}

TEST_F(TextureTest, SixteenBitFormatsKeepAlphaPremultiplied)
{
    KSTexture2D::setDefaultAlphaPixelFormat(kKSTexture2DPixelFormat_RGBA4444);
    auto t = KSTexture2D::textureWithImage(solidImage(2, 2, { 255, 255, 255, 255 }));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->pixelFormat(), kKSTexture2DPixelFormat_RGBA4444);
    EXPECT_TRUE(t->hasPremultipliedAlpha());
    KSTexture2D::setDefaultAlphaPixelFormat(kKSTexture2DPixelFormat_RGB5A1);
    auto u = KSTexture2D::textureWithImage(solidImage(2, 2, { 0, 0, 255, 255 }));
    ASSERT_TRUE(u);
    Bytes pixels = draw(u.get(), 2, 2);
    EXPECT_EQ(pixelAt(pixels, 2, 0, 0)[2], 255);
    EXPECT_EQ(pixelAt(pixels, 2, 0, 0)[3], 255);
}

TEST_F(TextureTest, FewBitsPerComponentChoosesRGB565AndMasksChooseA8)
{
    auto grey4 = KSTexture2D::textureWithImage(
        solidImage(2, 2, { 17, 17, 17, 255 }, ImageAlphaInfo::None, ImageColorModel::Gray, 4));
    ASSERT_TRUE(grey4);
    EXPECT_EQ(grey4->pixelFormat(), kKSTexture2DPixelFormat_RGB565);
    auto mask = KSTexture2D::textureWithImage(
        solidImage(2, 2, { 0, 0, 0, 77 }, ImageAlphaInfo::Only, ImageColorModel::None));
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->pixelFormat(), kKSTexture2DPixelFormat_A8);
    EXPECT_FALSE(mask->hasPremultipliedAlpha());
}

TEST_F(TextureTest, ParameterAssertionsGuardNonPowerOfTwoTextures)
{
    Bytes pixels(6 * 4 * 4, 0);
    auto npot = KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 6, 4, Size(6, 4));
    ASSERT_TRUE(npot);
    ksTexParams repeat { GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT };
    EXPECT_ASSERTION(npot->setTexParameters(&repeat), "engine/KSTexture2D",
                     "GL_CLAMP_TO_EDGE should be used in NPOT textures");
    EXPECT_ASSERTION(npot->generateMipmap(), "engine/KSTexture2D",
                     "Mimpap texture only works in POT textures");
    auto pot = KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 4, 4, Size(4, 4));
    pot->setTexParameters(&repeat);
    pot->generateMipmap();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, PVRTCDataIsRefusedWithoutDeviceSupport)
{
    Bytes data(32, 0);
    EXPECT_FALSE(KSTexture2D::textureWithPVRTCData(data.data(), 0, 2, true, 8));
}

// ---- PVR ----

class PVRTest : public TextureTest { };

TEST_F(PVRTest, RGBA8888FileLoadsWithItsMipmapChain)
{
    // 128x64 with a full chain: 8 levels, down to 1x1 (each level at least 2x2 pixels of data).
    Bytes data;
    uint32_t w = 128, h = 64;
    for (int level = 0; level < 8; ++level) {
        size_t bytes = static_cast<size_t>(std::max(w, 2u)) * std::max(h, 2u) * 4;
        data.insert(data.end(), bytes, static_cast<uint8_t>(level == 0 ? 0x80 : 0x10));
        w = std::max(w / 2, 1u);
        h = std::max(h / 2, 1u);
    }
    std::string path = texture_test::writeBytes(dir.file("a.pvr"), texture_test::pvrFile(128, 64, 0x12, data));
    auto pvr = KSTexturePVR::pvrTextureWithContentsOfFile(path);
    ASSERT_TRUE(pvr);
    EXPECT_EQ(pvr->width(), 128u);
    EXPECT_EQ(pvr->height(), 64u);
    EXPECT_TRUE(pvr->hasAlpha());
    EXPECT_NE(pvr->name(), 0u);

    auto t = KSTexture2D::textureWithPVRFile(path);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->pixelFormat(), kKSTexture2DPixelFormat_Automatic);
    EXPECT_FLOAT_EQ(t->maxS(), 1.0f);
    EXPECT_EQ(t->contentSizeInPixels(), Size(128, 64));
    Bytes pixels = draw(t.get(), 128, 64);
    EXPECT_EQ(pixelAt(pixels, 128, 5, 5)[0], 0x80);
}

TEST_F(PVRTest, PVRTCLevelsFollowTheBlockRules)
{
    // 256x256 at 4 bpp: 32768, 8192, 2048, 512, 128, 32, 32, 32, 32 bytes.
    const uint32_t sizes[] = { 32768, 8192, 2048, 512, 128, 32, 32, 32, 32 };
    Bytes data;
    for (uint32_t s : sizes)
        data.insert(data.end(), s, 0);
    Bytes file = texture_test::pvrFile(256, 256, 0x19, data);
    auto pvr = KSTexturePVR::pvrTextureWithContentsOfFile(texture_test::writeBytes(dir.file("c.pvr"), file));
    EXPECT_FALSE(pvr) << "no PVRTC on this implementation";

    class Probe : public KSTexturePVR {
    public:
        Probe() = default;
    };
    auto probe = adoptRef(new Probe);
    ASSERT_TRUE(probe->unpackPVRData(file.data(), static_cast<uint32_t>(file.size())));
    ASSERT_EQ(probe->numberOfMipmaps(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(probe->mipmap(i).len, sizes[i]) << "level " << i;

    // Data ending inside a level gives it only the remaining bytes.
    Bytes shortFile = texture_test::pvrFile(256, 256, 0x19, Bytes(32768 + 100, 0));
    auto shortProbe = adoptRef(new Probe);
    ASSERT_TRUE(shortProbe->unpackPVRData(shortFile.data(), static_cast<uint32_t>(shortFile.size())));
    ASSERT_EQ(shortProbe->numberOfMipmaps(), 2);
    EXPECT_EQ(shortProbe->mipmap(1).len, 100u);
}

TEST_F(PVRTest, BadFilesAnswerNil)
{
    Bytes level(64 * 4 * 4, 0);
    auto load = [&](const Bytes& file) {
        return KSTexturePVR::pvrTextureWithContentsOfFile(texture_test::writeBytes(dir.file("bad.pvr"), file));
    };
    EXPECT_TRUE(load(texture_test::pvrFile(64, 4, 0x12, level)));
    EXPECT_FALSE(load(texture_test::pvrFile(100, 64, 0x12, Bytes(100 * 64 * 4, 0)))) << "not a power of two";
    EXPECT_FALSE(load(texture_test::pvrFile(0, 4, 0x12, level))) << "zero width";
    EXPECT_FALSE(load(texture_test::pvrFile(64, 4, 0x14, level))) << "unlisted format";
    EXPECT_FALSE(load(texture_test::pvrFile(64, 4, 0x15, level)));
    EXPECT_FALSE(load(texture_test::pvrFile(64, 4, 0x12, level, 0xFF, -1, "PVR?"))) << "wrong tag";
    EXPECT_FALSE(load(texture_test::pvrFile(64, 4, 0x1A, level))) << "BGRA without support";
    EXPECT_FALSE(load(texture_test::pvrFile(64, 4, 0x12, level, 0xFF, 1 << 30))) << "data length beyond the file";
    EXPECT_FALSE(load(texture_test::pvrFile(64, 4, 0x12, Bytes(100, 0)))) << "level 0 shorter than its upload";
    EXPECT_FALSE(load(texture_test::pvrFile(64, 4, 0x12, Bytes()))) << "no pixel data";
    EXPECT_FALSE(load(Bytes(51, 0))) << "short header";
    EXPECT_FALSE(load(Bytes()));
    EXPECT_FALSE(KSTexturePVR::pvrTextureWithContentsOfFile(dir.file("missing.pvr")));
    // 1x1 levels of 16 bytes: 17 of them exceed the level table.
    EXPECT_FALSE(load(texture_test::pvrFile(1, 1, 0x12, Bytes(17 * 16, 0)))) << "too many levels";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PVRTest, CompressedWrappersLoadWhateverTheSuffixCase)
{
    Bytes file = texture_test::pvrFile(8, 8, 0x1B, Bytes(64, 0x40), 0xFF);
    std::string gz = texture_test::writeGzip(dir.file("alpha.pvr.gz"), file);
    std::string ksz = texture_test::writeKsz(dir.file("Sprites.PVR.KSZ"), file);
    auto fromGz = KSTexturePVR::pvrTextureWithContentsOfFile(gz);
    ASSERT_TRUE(fromGz);
    EXPECT_EQ(fromGz->width(), 8u);
    auto fromKsz = KSTexturePVR::pvrTextureWithContentsOfFile(ksz);
    ASSERT_TRUE(fromKsz);
    EXPECT_EQ(fromKsz->numberOfMipmaps(), 1);
    EXPECT_TRUE(KSTexturePVR::pvrTextureWithContentsOfURL("file://" + ksz));
    EXPECT_FALSE(KSTexturePVR::pvrTextureWithContentsOfURL("http://localhost/x.pvr"));
    // A plain file named .ksz is not a .ksz container.
    EXPECT_FALSE(KSTexturePVR::pvrTextureWithContentsOfFile(texture_test::writeBytes(dir.file("plain.ksz"), file)));
}
