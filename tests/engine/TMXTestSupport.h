// Writers for the tile-map tests: GID arrays as TMX layer data (little-endian,
// base64, optionally gzip or zlib compressed), map documents and a tileset image.
#pragma once

#include "platform/foundation/Base64.h"
#include "platform/foundation/Deflate.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tmx_test {

inline platform::Bytes gidBytes(const std::vector<uint32_t>& gids)
{
    platform::Bytes bytes;
    for (uint32_t g : gids)
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(g >> (8 * i)));
    return bytes;
}

// windowBits 31 writes a gzip stream, 15 a zlib stream.
inline platform::Bytes deflateBytes(const platform::Bytes& in, int windowBits)
{
    return *platform::deflateBytes(in, windowBits == 31 ? platform::DeflateFormat::Gzip : platform::DeflateFormat::Zlib);
}

inline std::string base64(const platform::Bytes& bytes)
{
    return platform::base64Encode(bytes.data(), bytes.size());
}

// A <data> element holding the GIDs: "gzip", "zlib" or "" for none.
inline std::string dataElement(const std::vector<uint32_t>& gids, const std::string& compression = "gzip")
{
    platform::Bytes bytes = gidBytes(gids);
    if (compression == "gzip")
        bytes = deflateBytes(bytes, 31);
    else if (compression == "zlib")
        bytes = deflateBytes(bytes, 15);
    std::string attrs = " encoding=\"base64\"";
    if (!compression.empty())
        attrs += " compression=\"" + compression + "\"";
    // Line breaks and indentation inside the element, as editors write them.
    return "<data" + attrs + ">\n   " + base64(bytes) + "\n  </data>";
}

// A gzip <data> element of `bytes` zero bytes (empty cells), deflated a block
// at a time: a large layer's data without the layer in memory.
inline std::string zeroDataElement(size_t bytes)
{
    z_stream z {};
    EXPECT_EQ(deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
    const std::vector<uint8_t> zeros(1 << 20);
    std::vector<uint8_t> chunk(1 << 16);
    platform::Bytes out;
    size_t left = bytes;
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        const size_t n = std::min(left, zeros.size());
        left -= n;
        flush = left ? Z_NO_FLUSH : Z_FINISH;
        z.next_in = const_cast<Bytef*>(zeros.data());
        z.avail_in = static_cast<uInt>(n);
        do {
            z.next_out = chunk.data();
            z.avail_out = static_cast<uInt>(chunk.size());
            deflate(&z, flush);
            out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return "<data encoding=\"base64\" compression=\"gzip\">" + base64(out) + "</data>";
}

// A tileset image of 4 x 2 tiles of 8 x 8 pixels; tile i is red 30 i + 20.
inline void writeTiles(const std::string& path)
{
    const uint32_t w = 32, h = 16;
    platform::Bytes rgba(w * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(y * w + x) * 4];
            p[0] = static_cast<uint8_t>(30 * ((y / 8) * 4 + x / 8) + 20);
            p[1] = 7;
            p[2] = 0;
            p[3] = 255;
        }
    EXPECT_TRUE(platform::Image::imageWithRGBA(w, h, std::move(rgba), platform::ImageAlphaInfo::None)->writePNG(path));
}

inline std::string layer(const std::string& name, int w, int h, const std::vector<uint32_t>& gids, const std::string& extra = "")
{
    return "<layer name=\"" + name + "\" width=\"" + std::to_string(w) + "\" height=\"" + std::to_string(h) + "\"" + extra
        + ">" + dataElement(gids) + "</layer>";
}

inline std::string mapDocument(const std::string& orientation, int w, int h, int tw, int th, const std::string& body)
{
    return "<?xml version=\"1.0\"?><map version=\"1.0\" orientation=\"" + orientation + "\" width=\"" + std::to_string(w)
        + "\" height=\"" + std::to_string(h) + "\" tilewidth=\"" + std::to_string(tw) + "\" tileheight=\""
        + std::to_string(th) + "\">" + body + "</map>";
}

inline const std::string kTileset = "<tileset name=\"t\" firstgid=\"1\" tilewidth=\"8\" tileheight=\"8\"><image source=\"tiles.png\"/></tileset>";

} // namespace tmx_test
