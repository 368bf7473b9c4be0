// One-shot zlib compression of a byte block, in the zlib (RFC 1950) or gzip
// (RFC 1952) wrapper. The tools that write compressed resources use it; the
// engine only ever inflates.
#pragma once

#include "platform/foundation/Value.h"

#include <optional>

namespace platform {

enum class DeflateFormat { Zlib, Gzip };

// Nullopt when zlib refuses (it cannot for well-formed arguments).
std::optional<Bytes> deflateBytes(const void* data, size_t length, DeflateFormat format, int level = 9);
inline std::optional<Bytes> deflateBytes(const Bytes& data, DeflateFormat format, int level = 9)
{
    return deflateBytes(data.data(), data.size(), format, level);
}

} // namespace platform
