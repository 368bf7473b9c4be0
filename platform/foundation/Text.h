// Small helpers on text that every layer shares (settings files, the
// stand-in's HTTP reader and game files, tokens and digests written as hex),
// so each trims and spells bytes the same way.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// The white space of the C locale: blank, tab and the line and page breaks.
inline constexpr std::string_view kWhiteSpace = " \t\r\n\f\v";

// `text` without the characters of `space` around it (inside it they stay).
std::string trimmed(std::string_view text, std::string_view space = kWhiteSpace);

// The bytes as lower-case hexadecimal digits, two a byte.
std::string hexString(std::span<const uint8_t> bytes);

} // namespace platform
