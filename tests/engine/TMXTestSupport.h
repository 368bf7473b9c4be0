// Writers for the tile-map tests: GID arrays as TMX layer data (little-endian,
// base64, optionally gzip or zlib compressed) and map documents.
#pragma once

#include "platform/foundation/Base64.h"
#include "platform/foundation/Deflate.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Value.h"

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

} // namespace tmx_test
