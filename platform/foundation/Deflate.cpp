// One-shot deflate through zlib, sized by deflateBound so a single call finishes.
#include "platform/foundation/Deflate.h"

#include <zlib.h>

namespace platform {

std::optional<Bytes> deflateBytes(const void* data, size_t length, DeflateFormat format, int level)
{
    z_stream z {};
    int windowBits = format == DeflateFormat::Gzip ? 15 + 16 : 15;
    if (deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return std::nullopt;
    Bytes out(deflateBound(&z, static_cast<uLong>(length)) + 32);
    z.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    z.avail_in = static_cast<uInt>(length);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END)
        return std::nullopt;
    return out;
}

} // namespace platform
