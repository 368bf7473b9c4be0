// Trimming text, for every layer that reads lines written by people, and
// spelling bytes in hex, and case folding that ignores the locale.
#include "platform/foundation/Text.h"

namespace platform {

std::string trimmed(std::string_view text, std::string_view space)
{
    size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(space) - first + 1));
}

std::string hexString(std::span<const uint8_t> bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string asciiLowercased(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

std::string asciiUppercased(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = asciiUpper(c);
    return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

} // namespace platform
