// Writing a file whole and in place of the old one, never through a link:
// the keychain, the device identifier and property-list files (the user
// defaults) are written this way.
//
// The bytes go into a new file beside the target, made under a random name
// with O_CREAT|O_EXCL|O_NOFOLLOW (so nothing planted at a name can be written
// through), flushed, then renamed over the target: a reader sees the old file
// or the new one whole, and a link at the target is replaced, not followed.
// The new file's mode is the one asked, less the umask (0644 becomes 0600
// under umask 077); a file holding a secret or a session asks for 0600.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// false, with the reason in *error, when the file could not be written; the
// target is then as it was.
bool writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode,
                         std::string* error = nullptr);

// Takes from an existing file the permissions beyond `mode` (0600: none for
// the group or others); a link is left alone. False only when a regular file
// there could not be changed.
bool restrictFileMode(const std::string& path, unsigned mode);

// Moves a file that could not be read to a free name beside it ("<file>.unreadable",
// then "-2", "-3", ...), private (0600), so what it may still hold is kept rather
// than written over. The name it now has, or "" with errno set when it stays.
std::string keepFileAside(const std::string& path);

} // namespace platform
