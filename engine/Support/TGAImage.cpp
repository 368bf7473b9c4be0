// TGA reading: header, raw or run-length pixel data, byte order and row order.
// Sizes and depths are checked before anything is allocated, so a malformed
// header can neither overflow the pixel block nor the one-pixel buffer of the
// run-length reader.
#include "engine/Support/TGAImage.h"

#include "platform/foundation/Bundle.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unistd.h>
#include <utility>

namespace kestrel {

namespace {

size_t bytesPerPixel(const sImageTGA* info) { return info->pixelDepth / 8; }

size_t imageBytes(const sImageTGA* info)
{
    return size_t(info->width) * size_t(info->height) * bytesPerPixel(info);
}

// Only the depths whose pixels fit the 4-byte pixel buffer.
bool supportedDepth(uint8_t depth) { return depth == 8 || depth == 16 || depth == 24 || depth == 32; }

void swapRedBlue(unsigned char* pixel, size_t bpp)
{
    if (bpp >= 3)
        std::swap(pixel[0], pixel[2]);
}

} // namespace

void tgaReadHeader(FILE* file, sImageTGA* info)
{
    unsigned char h[18];
    if (std::fread(h, 1, sizeof h, file) != sizeof h) {
        info->status = kTGAStatusReadError;
        return;
    }
    info->type = h[2];
    info->width = int16_t(h[12] | (h[13] << 8));
    info->height = int16_t(h[14] | (h[15] << 8));
    info->pixelDepth = h[16];
    info->flipped = (h[17] & 0x20) ? 1 : 0;
}

void tgaReadRawData(FILE* file, sImageTGA* info)
{
    if (!info->imageData || !supportedDepth(info->pixelDepth))
        return;
    size_t bpp = bytesPerPixel(info);
    size_t total = imageBytes(info);
    // A short file leaves the rest unwritten; the loader checks for stream errors.
    size_t got = std::fread(info->imageData, 1, total, file);
    for (size_t i = 0; i + bpp <= got; i += bpp)
        swapRedBlue(info->imageData + i, bpp);
}

void tgaReadRLEData(FILE* file, sImageTGA* info)
{
    if (!info->imageData || !supportedDepth(info->pixelDepth))
        return;
    size_t bpp = bytesPerPixel(info);
    size_t pixels = size_t(info->width) * size_t(info->height);
    unsigned char pixel[4] = {};
    unsigned runLength = 0;
    bool runPacket = false;

    for (size_t i = 0; i < pixels; i++) {
        bool repeat = false;
        if (runLength != 0) {
            runLength--;
            repeat = runPacket;
        } else {
            unsigned char header;
            if (std::fread(&header, 1, 1, file) != 1)
                return;
            runPacket = (header & 0x80) != 0;
            runLength = header & 0x7f;
        }
        if (!repeat) {
            if (std::fread(pixel, 1, bpp, file) != bpp)
                return;
            swapRedBlue(pixel, bpp);
        }
        std::memcpy(info->imageData + i * bpp, pixel, bpp);
    }
}

void tgaFlipRows(sImageTGA* info)
{
    if (!info->imageData || info->width <= 0 || info->height <= 0)
        return;
    size_t rowSize = size_t(info->width) * bytesPerPixel(info);
    auto* row = static_cast<unsigned char*>(std::malloc(rowSize));
    if (!row)
        return;
    for (int y = 0; y < info->height / 2; y++) {
        unsigned char* a = info->imageData + size_t(y) * rowSize;
        unsigned char* b = info->imageData + size_t(info->height - 1 - y) * rowSize;
        std::memcpy(row, a, rowSize);
        std::memcpy(a, b, rowSize);
        std::memcpy(b, row, rowSize);
    }
    std::free(row);
    info->flipped = 0;
}

sImageTGA* tgaLoadFile(const char* path)
{
    auto* info = new (std::nothrow) sImageTGA;
    if (!info)
        return nullptr;

    // Only regular files: a device or a pipe is refused (said in the log).
    const int fd = path ? platform::path::openFile(path) : -1;
    FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (!file) {
        if (fd >= 0)
            ::close(fd);
        info->status = kTGAStatusOpenFailed;
        return info;
    }

    tgaReadHeader(file, info);
    if (info->status != kTGAStatusOK || std::ferror(file)) {
        info->status = kTGAStatusReadError;
    } else if (info->type == 1) {
        info->status = kTGAStatusIndexedColor;
    } else if ((info->type != 2 && info->type != 3 && info->type != 10) || !supportedDepth(info->pixelDepth)
               || info->width <= 0 || info->height <= 0) {
        info->status = kTGAStatusUnsupported;
    } else if (imageBytes(info) > kTGAMaxImageBytes
               || !(info->imageData = static_cast<unsigned char*>(std::calloc(imageBytes(info), 1)))) {
        info->status = kTGAStatusNoMemory;
    } else {
        if (info->type == 10)
            tgaReadRLEData(file, info);
        else
            tgaReadRawData(file, info);
        if (std::ferror(file))
            info->status = kTGAStatusReadError;
    }
    std::fclose(file);

    if (info->status == kTGAStatusOK && info->flipped) {
        tgaFlipRows(info);
        if (info->flipped)
            info->status = kTGAStatusNoMemory;
    }
    return info;
}

void tgaFree(sImageTGA* info)
{
    if (!info)
        return;
    std::free(info->imageData);
    delete info;
}

} // namespace kestrel
