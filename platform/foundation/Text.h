// Small helpers on text that every layer shares (settings files, the
// stand-in's HTTP reader and game files, tokens and digests written as hex,
// protocol words compared without case), so each trims, spells bytes and
// folds case the same way.
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

// Case folding of protocol text (schemes, hosts, header names, hex digits):
// A-Z and a-z only, whatever the process's locale ("I" is "i" under Turkish too).
constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
std::string asciiLowercased(std::string_view text);
std::string asciiUppercased(std::string_view text);
// Whether the two texts are equal once A-Z are folded to a-z.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace platform
