// Keychain files: a property-list dictionary {account: secret} per service,
// kept private to the user (mode 0600), changed under a lock and replaced
// atomically. A file that cannot be read is kept aside before it would be
// replaced, as the user defaults keep theirs.
#include "platform/foundation/Keychain.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
// The entries of the file at `path`: none when there is no file. A file
// there that gives none (damaged, no dictionary, no file to read) reads as
// empty too, is said, and sets *unreadable.
ValueDictionary load(const std::string& path, bool* unreadable = nullptr)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return {};
    std::string error;
    auto v = readPropertyListFile(path, &error);
    if (v && v->isDictionary())
        return v->dictionary();
    if (v)
        error = path + " does not hold a dictionary";
    logWarning("Keychain: %s; reading it as empty (the file is kept)", error.c_str());
    if (unreadable)
        *unreadable = true;
    return {};
}

// The secrets may still be in a file that could not be read: it is moved
// aside, private, and said, rather than written over. False when it stays.
bool keepAside(const std::string& path)
{
    const std::string aside = keepFileAside(path);
    if (aside.empty()) {
        logWarning("Keychain: %s could not be read and cannot be moved aside (%s); it is not written over",
                   path.c_str(), std::strerror(errno));
        return false;
    }
    logWarning("Keychain: %s could not be read; it is kept as %s and a new file is written in its place",
               path.c_str(), aside.c_str());
    return true;
}

// The keychain's folder is the user's alone (0700): its lock files and the
// names the secrets go by are nobody else's to read. A folder an older client
// made wider is narrowed, when it is ours.
void makePrivateFolder(const std::string& folder)
{
    path::createDirectories(path::deletingLastComponent(folder), path::kPrivateFolder);
    ::mkdir(folder.c_str(), 0700);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 0077))
        ::chmod(folder.c_str(), 0700);
}

// Runs `change` on the service's entries under its lock and saves them when
// it answers true; false when the file could not be locked or written.
bool changeLocked(const std::string& path, const std::function<bool(ValueDictionary&)>& change)
{
    makePrivateFolder(path::deletingLastComponent(path));
    const std::string lockPath = path + ".lock";
    int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (lock < 0)
        return false;
    int rc;
    do
        rc = ::flock(lock, LOCK_EX);
    while (rc != 0 && errno == EINTR);
    bool ok = rc == 0;
    if (ok) {
        bool unreadable = false;
        ValueDictionary entries = load(path, &unreadable);
        if (change(entries)) {
            // Written out before anything on disk moves: a refused document leaves all as it was.
            std::optional<std::string> written = writePropertyList(Value(entries));
            // A name of its own beside the file, never one a link may sit at.
            ok = written && (!unreadable || keepAside(path)) && writeFileAtomically(path, *written, 0600);
        }
    }
    ::close(lock); // drops the lock
    return ok;
}
} // namespace

std::string Keychain::pathForService(const std::string& service)
{
    std::string dir = path::appendingComponent(path::appendingComponent(Bundle::main().homeDirectory(), "Library"), "Keychain");
    return path::appendingComponent(dir, service + ".plist");
}

std::optional<std::string> Keychain::get(const std::string& service, const std::string& account)
{
    return getMany(service, { account }).front();
}

std::vector<std::optional<std::string>> Keychain::getMany(const std::string& service,
                                                          const std::vector<std::string>& accounts)
{
    // The file is only ever replaced whole: one read sees one version of it.
    auto entries = load(pathForService(service));
    std::vector<std::optional<std::string>> values;
    for (const auto& account : accounts) {
        const Value* v = entries.find(account);
        values.push_back(v && v->isString() ? std::optional<std::string>(v->asString()) : std::nullopt);
    }
    return values;
}

bool Keychain::set(const std::string& service, const std::string& account, const std::string& secret)
{
    return setMany(service, { { account, secret } });
}

bool Keychain::setMany(const std::string& service, const Entries& entries)
{
    return changeLocked(pathForService(service), [&](ValueDictionary& held) {
        for (const auto& [account, secret] : entries)
            held.set(account, Value(secret));
        return true;
    });
}

bool Keychain::remove(const std::string& service, const std::string& account)
{
    return removeMany(service, { account });
}

bool Keychain::removeMany(const std::string& service, const std::vector<std::string>& accounts)
{
    return changeLocked(pathForService(service), [&](ValueDictionary& held) {
        bool changed = false;
        for (const auto& account : accounts)
            changed = held.remove(account) || changed;
        return changed;
    });
}

} // namespace platform
