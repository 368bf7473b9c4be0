// PNG and JPEG decoding and encoding, and the Cairo-backed drawing context.
#include "platform/foundation/Deflate.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"

#include "support/StepMemory.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <zlib.h>

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

// A PNG with `count` chunks of `type` holding `data`, put after its IHDR
// (where png_read_info reads them and keeps what it keeps).
Bytes withChunks(const Bytes& png, const char* type, const std::string& data, int count)
{
    std::string chunk;
    auto be32 = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            chunk += static_cast<char>((v >> shift) & 0xFF);
    };
    be32(static_cast<uint32_t>(data.size()));
    chunk.append(type, 4);
    chunk += data;
    be32(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(chunk.data()) + 4, static_cast<uInt>(chunk.size() - 4))));
    const size_t afterHeader = 8 + 25;
    std::string out(png.begin(), png.begin() + afterHeader);
    for (int i = 0; i < count; ++i)
        out += chunk;
    out.append(png.begin() + afterHeader, png.end());
    return Bytes(out.begin(), out.end());
}

// A progressive JPEG of a gradient, its last scan repeated `repeats` more times.
Bytes progressiveJpeg(uint32_t side, int repeats)
{
    struct State {
        jpeg_compress_struct info {};
        jpeg_error_mgr error {};
        unsigned char* buffer { nullptr };
        unsigned long size { 0 };
    } s;
    s.info.err = jpeg_std_error(&s.error);
    jpeg_create_compress(&s.info);
    jpeg_mem_dest(&s.info, &s.buffer, &s.size);
    s.info.image_width = side;
    s.info.image_height = side;
    s.info.input_components = 3;
    s.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s.info);
    jpeg_simple_progression(&s.info);
    jpeg_start_compress(&s.info, TRUE);
    Bytes row(side * 3);
    while (s.info.next_scanline < side) {
        for (uint32_t x = 0; x < side; ++x) {
            row[x * 3] = static_cast<uint8_t>(x * 4);
            row[x * 3 + 1] = static_cast<uint8_t>(s.info.next_scanline * 4);
            row[x * 3 + 2] = 90;
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&s.info, &p, 1);
    }
    jpeg_finish_compress(&s.info);
    Bytes jpeg(s.buffer, s.buffer + s.size);
    jpeg_destroy_compress(&s.info);
    std::free(s.buffer);
    size_t lastScan = 0;
    for (size_t at = 0; at + 1 < jpeg.size(); ++at)
        if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xDA)
            lastScan = at;
    const Bytes scan(jpeg.begin() + static_cast<std::ptrdiff_t>(lastScan), jpeg.end() - 2);
    for (int i = 0; i < repeats; ++i)
        jpeg.insert(jpeg.end() - 2, scan.begin(), scan.end());
    return jpeg;
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

TEST(Image, APNGsCompressedTextsCostLittleAndItsPixelsStillDecode)
{
    const Bytes png = *gradient(1, 1, false)->pngData();
    // zTXt: a keyword, a method byte, then 7 MB of text compressed to some kilobytes.
    const Bytes squeezed = *deflateBytes(Bytes(7'000'000, 'A'), DeflateFormat::Zlib);
    const std::string text = std::string("Comment\0\0", 9) + std::string(squeezed.begin(), squeezed.end());
    const std::string iText = std::string("Comment\0\1\0\0\0", 12) + std::string(squeezed.begin(), squeezed.end());
    struct Row {
        const char* name;
        Bytes file;
    } rows[] = {
        { "16 compressed texts of 7 MB", withChunks(png, "zTXt", text, 16) },
        { "32 international texts of 7 MB", withChunks(png, "iTXt", iText, 32) },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        testing_support::StepMemory step;
        std::string error;
        auto decoded = Image::imageWithData(row.file.data(), row.file.size(), &error);
        ASSERT_TRUE(decoded) << error;
        EXPECT_EQ(decoded->rgba(), gradient(1, 1, false)->rgba());
        EXPECT_LT(step.peakGrowthMiB(), 48) << "MiB more at the peak than before the decode";
    }
}

TEST(Image, AJPEGOfEndlessScansIsRefusedAndAProgressiveOneDecodes)
{
    std::string error;
    auto plain = progressiveJpeg(64, 0);
    auto decoded = Image::imageWithData(plain.data(), plain.size(), &error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->width(), 64u);
    auto repeated = progressiveJpeg(64, Image::kMaxJpegScans);
    EXPECT_FALSE(Image::imageWithData(repeated.data(), repeated.size(), &error));
    EXPECT_EQ(error, "JPEG: more than 256 scans");
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
