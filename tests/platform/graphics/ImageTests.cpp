// PNG and JPEG decoding and encoding, and the Cairo-backed drawing context.
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace platform;
using testing_support::TempDir;

namespace {

Ref<Image> gradient(uint32_t w, uint32_t h, bool alpha)
{
    Bytes rgba(static_cast<size_t>(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(x * 10);
            p[1] = static_cast<uint8_t>(y * 10);
            p[2] = 200;
            p[3] = alpha ? static_cast<uint8_t>(255 - x) : 255;
        }
    return Image::imageWithRGBA(w, h, std::move(rgba), alpha ? ImageAlphaInfo::Last : ImageAlphaInfo::None);
}

} // namespace

TEST(Image, PNGRoundTripKeepsPixelsAndAlpha)
{
    auto source = gradient(7, 5, true);
    auto png = source->pngData();
    ASSERT_TRUE(png);
    std::string error;
    auto decoded = Image::imageWithData(png->data(), png->size(), &error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->width(), 7u);
    EXPECT_EQ(decoded->height(), 5u);
    EXPECT_EQ(decoded->bitsPerComponent(), 8u);
    EXPECT_EQ(decoded->alphaInfo(), ImageAlphaInfo::Last);
    EXPECT_EQ(decoded->colorModel(), ImageColorModel::RGB);
    EXPECT_EQ(decoded->rgba(), source->rgba());
}

TEST(Image, OpaquePNGHasNoAlphaAndGreyKeepsItsModel)
{
    auto png = gradient(3, 3, false)->pngData();
    auto decoded = Image::imageWithData(png->data(), png->size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->alphaInfo(), ImageAlphaInfo::None);
    EXPECT_FALSE(decoded->hasAlpha());

    Bytes grey(2 * 2 * 4, 90);
    auto greyImage = Image::imageWithRGBA(2, 2, grey, ImageAlphaInfo::None, ImageColorModel::Gray);
    auto greyPng = greyImage->pngData();
    auto greyDecoded = Image::imageWithData(greyPng->data(), greyPng->size());
    ASSERT_TRUE(greyDecoded);
    EXPECT_EQ(greyDecoded->colorModel(), ImageColorModel::Gray);
    EXPECT_EQ(greyDecoded->rgba()[0], 90);
    EXPECT_EQ(greyDecoded->rgba()[3], 255);
}

TEST(Image, JPEGRoundTripIsCloseAndOpaque)
{
    TempDir dir;
    auto source = gradient(16, 16, false);
    ASSERT_TRUE(source->writeJPEG(dir.file("a.jpg"), 1.0f));
    std::string error;
    auto decoded = Image::imageWithContentsOfFile(dir.file("a.jpg"), &error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->width(), 16u);
    EXPECT_EQ(decoded->alphaInfo(), ImageAlphaInfo::None);
    EXPECT_EQ(decoded->bitsPerComponent(), 8u);
    for (size_t i = 0; i < decoded->rgba().size(); ++i)
        ASSERT_NEAR(decoded->rgba()[i], source->rgba()[i], 8) << "byte " << i;
}

TEST(Image, CorruptOrTruncatedFilesAreRefused)
{
    auto png = *gradient(8, 8, true)->pngData();
    auto jpeg = *gradient(8, 8, false)->jpegData();
    std::string error;
    EXPECT_FALSE(Image::imageWithData(png.data(), png.size() / 2, &error));
    EXPECT_NE(error.find("PNG"), std::string::npos);
    Bytes broken = png;
    broken[40] ^= 0xFF; // inside IDAT: the CRC check fails
    EXPECT_FALSE(Image::imageWithData(broken.data(), broken.size()));
    EXPECT_FALSE(Image::imageWithData(jpeg.data(), jpeg.size() / 2, &error));
    EXPECT_FALSE(Image::imageWithData("GIF89a", 6, &error));
    EXPECT_FALSE(Image::imageWithData(nullptr, 0));
    EXPECT_FALSE(Image::imageWithContentsOfFile("/nonexistent/x.png", &error));
    // A folder opens but cannot be read: refused, not thrown.
    TempDir dir;
    EXPECT_FALSE(Image::imageWithContentsOfFile(dir.path(), &error));
    EXPECT_EQ(error, "cannot open " + dir.path());
}

TEST(Image, DimensionsAboveTheCapAreRefusedBeforeDecoding)
{
    auto png = *gradient(4, 4, false)->pngData();
    // Patch IHDR's width to 20000 (the CRC mismatch is reported as well; either way, refused).
    png[16] = 0;
    png[17] = 0;
    png[18] = 0x4E;
    png[19] = 0x20;
    std::string error;
    EXPECT_FALSE(Image::imageWithData(png.data(), png.size(), &error));
    auto small = *gradient(64, 64, false)->pngData();
    EXPECT_FALSE(Image::imageWithData(small.data(), small.size(), &error, 1000));
    EXPECT_EQ(error, "image has too many pixels");

    // The header alone tells the size, before any decoding.
    auto told = Image::dimensionsOfData(png.data(), png.size());
    ASSERT_TRUE(told);
    EXPECT_EQ(told->width, 20000u);
    EXPECT_EQ(told->height, 4u);
    auto jpeg = *gradient(24, 10, false)->jpegData();
    told = Image::dimensionsOfData(jpeg.data(), jpeg.size());
    ASSERT_TRUE(told);
    EXPECT_EQ(told->width, 24u);
    EXPECT_EQ(told->height, 10u);
    for (size_t cut : { size_t(0), size_t(3), size_t(20) }) {
        EXPECT_FALSE(Image::dimensionsOfData(png.data(), cut)) << cut;
        EXPECT_FALSE(Image::dimensionsOfData(jpeg.data(), cut)) << cut;
    }
    EXPECT_FALSE(Image::dimensionsOfData("GIF89a..................", 24));
}

TEST(GraphicsContext, DrawsImagesAtTheTopLeftPremultiplied)
{
    auto context = GraphicsContext::create(4, 4, GraphicsContext::Format::RGBA);
    ASSERT_TRUE(context);
    Bytes rgba = { 255, 128, 0, 128, 0, 0, 255, 255 };
    auto image = Image::imageWithRGBA(2, 1, rgba);
    context->drawImage(*image, Rect(0, 0, 2, 1));
    Bytes pre = context->pixelData(true);
    EXPECT_EQ(pre[0], 128);
    EXPECT_EQ(pre[1], 64);
    EXPECT_EQ(pre[3], 128);
    EXPECT_EQ(pre[6], 255);
    EXPECT_EQ(pre[4 * 4 + 3], 0) << "row 1 untouched";
    Bytes straight = context->pixelData(false);
    EXPECT_EQ(straight[0], 255);
    Bytes opaque = context->opaquePixelData();
    EXPECT_EQ(opaque[0], 128);
    EXPECT_EQ(opaque[4 * 4 + 3], 255);
}

TEST(GraphicsContext, GreyContextKeepsCoverageAndTransformsApply)
{
    auto context = GraphicsContext::create(4, 4, GraphicsContext::Format::Gray8);
    ASSERT_TRUE(context);
    context->setFillColor(1, 1, 1, 1);
    context->translate(0, 4);
    context->scale(1, -1);
    context->fillRect(Rect(0, 0, 4, 1)); // bottom row after the flip
    Bytes grey = context->pixelData();
    ASSERT_EQ(grey.size(), 16u);
    EXPECT_EQ(grey[12], 255);
    EXPECT_EQ(grey[0], 0);
    auto mask = context->makeImage();
    EXPECT_EQ(mask->colorModel(), ImageColorModel::None);
    EXPECT_FALSE(GraphicsContext::create(0, 4, GraphicsContext::Format::RGBA));
}
