// Base64 coding: a 6-bit accumulator, four digits to three bytes; the two modes
// differ only in what they do with bytes outside the alphabet and with "=".
#include "platform/foundation/Base64.h"

#include <cstdint>

namespace platform {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int digitValue(char c)
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

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

} // namespace

std::string base64Encode(const void* bytes, size_t length)
{
    const auto* p = static_cast<const uint8_t*>(bytes);
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        uint32_t n = (uint32_t(p[i]) << 16) | (uint32_t(p[i + 1]) << 8) | p[i + 2];
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += kAlphabet[n & 63];
    }
    if (i < length) {
        uint32_t n = uint32_t(p[i]) << 16;
        if (i + 1 < length)
            n |= uint32_t(p[i + 1]) << 8;
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < length ? kAlphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool base64DecodeInto(std::string_view text, Base64Mode mode, Bytes& out)
{
    out.clear();
    out.reserve(text.size() / 4 * 3 + 2);
    const bool strict = mode == Base64Mode::Strict;
    uint32_t accumulator = 0;
    int digits = 0; // digits in the current group of four
    int padding = 0;
    for (char c : text) {
        int d = digitValue(c);
        if (d >= 0) {
            if (padding > 0)
                return false;
            accumulator = (accumulator << 6) | static_cast<uint32_t>(d);
            if (++digits == 4) {
                out.push_back(static_cast<uint8_t>(accumulator >> 16));
                out.push_back(static_cast<uint8_t>(accumulator >> 8));
                out.push_back(static_cast<uint8_t>(accumulator));
                accumulator = 0;
                digits = 0;
            }
        } else if (c == '=') {
            if (!strict)
                break;
            // Padding only completes a group that has two or three digits.
            if (digits + padding < 2 || ++padding + digits > 4)
                return false;
        } else if (strict && !isSpace(c)) {
            return false;
        }
    }
    if (padding > 0 && digits + padding != 4)
        return false;
    // A final group of two or three digits (padded or not) carries one or two bytes.
    if (digits == 1)
        return false;
    if (digits == 2) {
        out.push_back(static_cast<uint8_t>(accumulator >> 4));
    } else if (digits == 3) {
        out.push_back(static_cast<uint8_t>(accumulator >> 10));
        out.push_back(static_cast<uint8_t>(accumulator >> 2));
    }
    return true;
}

std::optional<Bytes> base64Decode(std::string_view text, Base64Mode mode)
{
    Bytes out;
    if (!base64DecodeInto(text, mode, out))
        return std::nullopt;
    return out;
}

} // namespace platform
