// Property lists in their XML form: reading (on expat) and writing.
//
// The reader accepts <plist> documents with dict, array, string, integer, real,
// true, false, date (ISO 8601 in GMT), data (base64). Binary property lists are
// refused with a clear error, as is any malformed document; external entities
// and DTD contents are never loaded or expanded. Nesting is capped so that
// hostile input cannot exhaust the stack.
#pragma once

#include "platform/foundation/Value.h"

#include <optional>
#include <string>

namespace platform {

struct PropertyListError {
    std::string message;
};

// The root value, or nullopt with the reason in *error.
std::optional<Value> readPropertyList(const void* bytes, size_t length, std::string* error = nullptr);
std::optional<Value> readPropertyListFile(const std::string& path, std::string* error = nullptr);

// The XML document for a value (nil values are written as empty strings). What
// it writes always reads back: characters XML cannot carry are dropped, broken
// UTF-8 becomes U+FFFD, and dates are pinned to the years 0000-9999. A value
// nested deeper than the reader accepts (255 levels, the root being the first),
// or one whose document would cost the reader more than it holds (64 MiB,
// its elements counted at 160 bytes each besides their text: some 390,000
// small values), is refused: nullopt, with the reason in *error.
std::optional<std::string> writePropertyList(const Value& root, std::string* error = nullptr);
// Writes to a new file beside the target and renames it over (atomic, never
// through a link; writeFileAtomically), with `mode` less the umask: 0600 for
// a file holding a secret or a session. A value the writer refuses leaves the
// file as it was.
bool writePropertyListFile(const std::string& path, const Value& root, std::string* error = nullptr,
                           unsigned mode = 0644);

} // namespace platform
