// Base64 with the standard alphabet: property-list <data>, HTTP credentials,
// tile-map layers and particle images all use this one coder.
#pragma once

#include "platform/foundation/Value.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class Base64Mode {
    // Whitespace is skipped; any other byte outside the alphabet, or padding
    // anywhere but the end of the last group, is an error.
    Strict,
    // Bytes outside the alphabet are skipped and "=" ends the text, as the
    // engine's files have always been read.
    Lenient,
};

std::string base64Encode(const void* bytes, size_t length);

// Decodes into `out`, replacing its contents. False when the text is not
// base64 in the given mode; `out` then holds the whole groups decoded before
// the fault (an unpadded final group of two or three digits is whole).
bool base64DecodeInto(std::string_view text, Base64Mode mode, Bytes& out);

// The decoded bytes, or nullopt when the text is not base64 in the given mode.
std::optional<Bytes> base64Decode(std::string_view text, Base64Mode mode = Base64Mode::Strict);

} // namespace platform
