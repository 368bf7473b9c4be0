// Keychain: the small store of secrets (access tokens). One property-list file
// per service name under the home's "Library/Keychain", created with mode 0600
// and replaced by writing aside and renaming. Values never go to the log or the
// user defaults.
#pragma once

#include <optional>
#include <string>

namespace platform {

class Keychain {
public:
    // The file that holds the service's entries.
    static std::string pathForService(const std::string& service);
    static std::optional<std::string> get(const std::string& service, const std::string& account);
    // False when the file could not be written (the old content stays).
    static bool set(const std::string& service, const std::string& account, const std::string& secret);
    static bool remove(const std::string& service, const std::string& account);
};

} // namespace platform
