// Base64 decoding: a 6-bit accumulator, three bytes out per four characters.
#include "engine/Support/Base64.h"

#include "platform/foundation/Exception.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace kestrel {

namespace {

// 0..63 for alphabet bytes, -1 for the rest.
int sextet(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

int ksBase64DecodeRaw(const unsigned char* in, unsigned int inLength, unsigned char* out, unsigned int* outLength)
{
    BRISKO_ASSERT(outLength != nullptr, "outLength");
    uint32_t acc = 0;
    int pending = 0;
    unsigned int n = 0;
    int result = 0;

    for (unsigned int i = 0; i < inLength; i++) {
        unsigned char c = in[i];
        if (c == '=')
            break;
        int v = sextet(c);
        if (v < 0)
            continue;
        acc |= uint32_t(v);
        if (++pending == 4) {
            out[n++] = uint8_t(acc >> 16);
            out[n++] = uint8_t(acc >> 8);
            out[n++] = uint8_t(acc);
            acc = 0;
            pending = 0;
        } else {
            acc <<= 6;
        }
    }

    // A final partial group, whether closed by "=" or by the end of the text
    // (unpadded base64), gives the bytes it fully holds.
    switch (pending) {
    case 1:
        std::fprintf(stderr, "base64Decode: encoding incomplete: at least 2 bits missing\n");
        result = 1;
        break;
    case 2:
        out[n++] = uint8_t(acc >> 10);
        break;
    case 3:
        out[n++] = uint8_t(acc >> 16);
        out[n++] = uint8_t(acc >> 8);
        break;
    default:
        break;
    }
    *outLength = n;
    return result;
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
