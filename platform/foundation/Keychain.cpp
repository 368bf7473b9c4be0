// Keychain files: a property-list dictionary {account: secret} per service,
// kept private to the user (mode 0600) and replaced atomically.
#include "platform/foundation/Keychain.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/PropertyList.h"

#include <cstdio>
#include <fcntl.h>
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
    path::createDirectories(path::deletingLastComponent(path));
    std::optional<std::string> written = writePropertyList(Value(entries));
    if (!written)
        return false;
    const std::string& text = *written;
    std::string temp = path + ".new";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    fchmod(fd, 0600);
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::fsync(fd) == 0 && ok;
    ::close(fd);
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}
} // namespace

std::string Keychain::pathForService(const std::string& service)
{
    std::string dir = path::appendingComponent(path::appendingComponent(Bundle::main().homeDirectory(), "Library"), "Keychain");
    return path::appendingComponent(dir, service + ".plist");
}

std::optional<std::string> Keychain::get(const std::string& service, const std::string& account)
{
    auto entries = load(pathForService(service));
    if (auto* v = entries.find(account); v && v->isString())
        return v->asString();
    return std::nullopt;
}

bool Keychain::set(const std::string& service, const std::string& account, const std::string& secret)
{
    std::string path = pathForService(service);
    auto entries = load(path);
    entries.set(account, Value(secret));
    return save(path, entries);
}

bool Keychain::remove(const std::string& service, const std::string& account)
{
    std::string path = pathForService(service);
    auto entries = load(path);
    if (!entries.remove(account))
        return true;
    return save(path, entries);
}

} // namespace platform
