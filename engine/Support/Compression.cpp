// File loading and inflation through zlib. Every function frees what it
// allocated on failure, stops at kKSInflateMaxLength and never reads past the
// input it was given.
#include "engine/Support/Compression.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace kestrel {

int ksLoadFileIntoMemory(const char* path, unsigned char** out)
{
    BRISKO_ASSERT(out != nullptr, "out");
    *out = nullptr;
    // Only regular files, and none larger than the engine could use (said in the log).
    uint64_t size = 0;
    const int fd = path ? platform::path::openFile(path, &size) : -1;
    if (fd < 0)
        return -1;
    int result = -1;
    if (size <= INT_MAX) {
        // One byte more than needed so that an empty file still gets a buffer.
        auto* buffer = static_cast<unsigned char*>(std::malloc(size_t(size) + 1));
        size_t done = 0;
        while (buffer && done < size) {
            const ssize_t n = ::read(fd, buffer + done, size_t(size) - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += size_t(n);
        }
        if (buffer && done == size) {
            *out = buffer;
            result = int(size);
        } else {
            std::free(buffer);
        }
    }
    ::close(fd);
    return result;
}

unsigned int ksInflateBuffer(const unsigned char* in, unsigned int inLength, unsigned char** out)
{
    return ksInflateBuffer(in, inLength, out, kKSInflateMaxLength, nullptr);
}

unsigned int ksInflateBuffer(const unsigned char* in, unsigned int inLength, unsigned char** out, size_t maxLength,
                             bool* beyondLimit)
{
    BRISKO_ASSERT(out != nullptr, "out");
    *out = nullptr;
    if (beyondLimit)
        *beyondLimit = false;
    maxLength = std::min(maxLength, kKSInflateMaxLength);

    // One byte more than the limit tells a stream that fits exactly from one that goes on.
    size_t bufferSize = std::min<size_t>(256 * 1024, maxLength + 1);
    auto* buffer = static_cast<unsigned char*>(std::malloc(bufferSize));
    if (!buffer)
        return 0;

    z_stream stream {};
    stream.next_in = const_cast<Bytef*>(in);
    stream.avail_in = inLength;
    stream.next_out = buffer;
    stream.avail_out = uInt(bufferSize);
    if (inflateInit2(&stream, 15 + 32) != Z_OK) {
        std::free(buffer);
        return 0;
    }

    bool ok = false;
    for (;;) {
        int err = inflate(&stream, Z_NO_FLUSH);
        if (err == Z_STREAM_END) {
            ok = true;
            break;
        }
        if (err != Z_OK && err != Z_BUF_ERROR)
            break; // data, memory or dictionary error
        // Room left but no end marker: the input ran out before the stream did.
        if (stream.avail_out != 0)
            break;
        if (bufferSize > maxLength) {
            if (beyondLimit)
                *beyondLimit = true;
            break;
        }
        const size_t grownSize = std::min(bufferSize * 2, maxLength + 1);
        auto* grown = static_cast<unsigned char*>(std::realloc(buffer, grownSize));
        if (!grown)
            break;
        buffer = grown;
        stream.next_out = buffer + bufferSize;
        stream.avail_out = uInt(grownSize - bufferSize);
        bufferSize = grownSize;
    }

    size_t produced = stream.total_out;
    inflateEnd(&stream);
    if (ok && produced > maxLength) {
        ok = false;
        if (beyondLimit)
            *beyondLimit = true;
    }
    if (!ok) {
        std::free(buffer);
        return 0;
    }
    *out = buffer;
    return unsigned(produced);
}

int ksInflateGZipFile(const char* path, unsigned char** out)
{
    BRISKO_ASSERT(out != nullptr, "out");
    *out = nullptr;
    const int fd = path ? platform::path::openFile(path) : -1;
    if (fd < 0)
        return -1;
    gzFile file = gzdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        return -1;
    }

    size_t chunk = 512 * 1024;
    size_t total = chunk;
    size_t offset = 0;
    auto* buffer = static_cast<unsigned char*>(std::malloc(total));
    bool ok = buffer != nullptr;
    while (ok) {
        int n = gzread(file, buffer + offset, unsigned(chunk));
        if (n < 0) {
            ok = false;
            break;
        }
        offset += size_t(n);
        if (size_t(n) < chunk)
            break;
        chunk *= 2;
        total += chunk;
        if (total > kKSInflateMaxLength) {
            ok = false;
            break;
        }
        auto* grown = static_cast<unsigned char*>(std::realloc(buffer, total));
        if (!grown) {
            ok = false;
            break;
        }
        buffer = grown;
    }
    // A stream cut short reads as a short count; zlib keeps the error.
    if (ok) {
        int err = Z_OK;
        gzerror(file, &err);
        ok = err == Z_OK || err == Z_STREAM_END;
    }
    gzclose(file);
    if (!ok) {
        std::free(buffer);
        return -1;
    }
    *out = buffer;
    return int(offset);
}

namespace {

uint32_t readBigEndian(const unsigned char* p, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; i++)
        v = (v << 8) | p[i];
    return v;
}

} // namespace

int ksInflateKSZFile(const char* path, unsigned char** out)
{
    BRISKO_ASSERT(out != nullptr, "out");
    *out = nullptr;
    unsigned char* file = nullptr;
    int fileLength = ksLoadFileIntoMemory(path, &file);
    if (fileLength < 0)
        return -1;

    const int headerLength = 16;
    int result = -1;
    if (fileLength >= headerLength && std::memcmp(file, "KSZ!", 4) == 0) {
        uint32_t compression = readBigEndian(file + 4, 2);
        uint32_t version = readBigEndian(file + 6, 2);
        uint32_t length = readBigEndian(file + 12, 4);
        if (version <= 2 && compression == 0 && length <= kKSInflateMaxLength) {
            // One spare byte so that a zero length still gets a buffer.
            auto* data = static_cast<unsigned char*>(std::malloc(size_t(length) + 1));
            if (data) {
                uLongf produced = length;
                int err = uncompress(data, &produced, file + headerLength, uLong(fileLength - headerLength));
                // The stream must hold exactly the length the header promises.
                if (err == Z_OK && produced == length) {
                    *out = data;
                    result = int(length);
                } else {
                    std::free(data);
                }
            }
        }
    }
    std::free(file);
    return result;
}

} // namespace kestrel
