// A TGA reader for tile-map atlases: uncompressed true colour (type 2), grey
// (type 3) and run-length true colour (type 10), 8 to 32 bits per pixel, no
// image-ID field and no colour map. Pixels come out R, G, B[, A], rows
// bottom-up.
//
// The outcome is in the record's status, never thrown. A file that ends early
// still loads (status 0) with its missing pixels left zero.
#pragma once

#include <cstdint>
#include <cstdio>

namespace kestrel {

enum {
    kTGAStatusOK = 0,
    kTGAStatusOpenFailed = 1,
    kTGAStatusReadError = 2,
    kTGAStatusIndexedColor = 3,
    kTGAStatusNoMemory = 4,
    kTGAStatusUnsupported = 5,
};

// Largest pixel block the reader allocates, like the inflate limit.
inline constexpr size_t kTGAMaxImageBytes = 64u * 1024 * 1024;

struct sImageTGA {
    int32_t status { 0 };
    uint8_t type { 0 };
    uint8_t pixelDepth { 0 }; // bits per pixel
    int16_t width { 0 };
    int16_t height { 0 };
    unsigned char* imageData { nullptr }; // width x height x pixelDepth / 8 bytes
    int32_t flipped { 0 }; // 1 while the rows still need reversing
};

// A new record whose status tells the outcome (free it with tgaFree), or null
// when the record itself cannot be allocated.
sImageTGA* tgaLoadFile(const char* path);
void tgaFree(sImageTGA* info);

// The loader's steps. tgaReadHeader reads the 18-byte header and leaves the
// file at the pixel data; the readers expect imageData to be allocated.
void tgaReadHeader(FILE* file, sImageTGA* info);
void tgaReadRawData(FILE* file, sImageTGA* info);
void tgaReadRLEData(FILE* file, sImageTGA* info);
void tgaFlipRows(sImageTGA* info);

} // namespace kestrel
