// Keychain: the small store of secrets (access tokens). One property-list file
// per service name under the home's "Library/Keychain", created with mode 0600
// and replaced by writing aside and renaming. Values never go to the log or the
// user defaults.
//
// Every change is one read-modify-write of the file under the service's lock
// (a lock file beside it), so two processes on one home (two copies of a game)
// never undo each other's entries; entries that belong together (a token and
// its secret) are written, removed and read as one, so neither a process
// beside this one nor a kill between two writes leaves one's token with
// another's secret.
//
// A file that cannot be read (damaged, or no file to read in its place)
// reads as empty and is named in the log; the next change moves it aside,
// kept private as "<service>.plist.unreadable" (-2 and on), before a new
// file is written, and fails rather than write over it when it cannot be
// moved.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class Keychain {
public:
    using Entries = std::vector<std::pair<std::string, std::string>>;

    // The file that holds the service's entries.
    static std::string pathForService(const std::string& service);
    static std::optional<std::string> get(const std::string& service, const std::string& account);
    // Several accounts read from one version of the file, in the order asked.
    static std::vector<std::optional<std::string>> getMany(const std::string& service,
                                                           const std::vector<std::string>& accounts);
    // False when the file could not be written (the old content stays).
    static bool set(const std::string& service, const std::string& account, const std::string& secret);
    // Several entries written as one change.
    static bool setMany(const std::string& service, const Entries& entries);
    static bool remove(const std::string& service, const std::string& account);
    // Several accounts removed as one change.
    static bool removeMany(const std::string& service, const std::vector<std::string>& accounts);
};

} // namespace platform
