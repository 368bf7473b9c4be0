// Keychain files: a property-list dictionary {account: secret} per service,
// kept private to the user (mode 0600), changed under a lock and replaced
// atomically.
#include "platform/foundation/Keychain.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
ValueDictionary load(const std::string& path)
{
    auto v = readPropertyListFile(path);
    if (v && v->isDictionary())
        return v->dictionary();
    return {};
}

bool save(const std::string& path, const ValueDictionary& entries)
{
    std::optional<std::string> written = writePropertyList(Value(entries));
    // A name of its own beside the file, never one a link may sit at.
    return written && writeFileAtomically(path, *written, 0600);
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
        ValueDictionary entries = load(path);
        ok = !change(entries) || save(path, entries);
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
