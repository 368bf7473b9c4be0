// Base64 decoding for the engine: the platform's coder in its lenient mode,
// behind the engine's buffer-and-length calls.
#include "engine/Support/Base64.h"

#include "platform/foundation/Base64.h"
#include "platform/foundation/Exception.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace kestrel {

int ksBase64DecodeRaw(const unsigned char* in, unsigned int inLength, unsigned char* out, unsigned int* outLength)
{
    BRISKO_ASSERT(outLength != nullptr, "outLength");
    platform::Bytes bytes;
    const std::string_view text(reinterpret_cast<const char*>(in), inLength);
    bool whole = platform::base64DecodeInto(text, platform::Base64Mode::Lenient, bytes);
    // Only "=" after a lone character is an incomplete encoding; a stray
    // character at the very end carries no byte and is dropped.
    if (!whole && text.find('=') == std::string_view::npos)
        whole = true;
    if (!bytes.empty())
        std::memcpy(out, bytes.data(), bytes.size());
    *outLength = static_cast<unsigned int>(bytes.size());
    if (whole)
        return 0;
    std::fprintf(stderr, "base64Decode: encoding incomplete: at least 2 bits missing\n");
    return 1;
}

unsigned int ksBase64Decode(const unsigned char* in, unsigned int inLength, unsigned char** out)
{
    BRISKO_ASSERT(out != nullptr, "out");
    // Sized in size_t: every 4 input bytes give at most 3.
    size_t size = size_t(inLength) * 3 / 4 + 1;
    *out = static_cast<unsigned char*>(std::malloc(size));
    if (!*out)
        return 0;
    unsigned int length = 0;
    if (ksBase64DecodeRaw(in, inLength, *out, &length) != 0) {
        std::printf("Base64Utils: error decoding\n");
        std::free(*out);
        *out = nullptr;
        return 0;
    }
    return length;
}

} // namespace kestrel
