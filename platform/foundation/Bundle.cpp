// The main bundle's folders and the string-path helpers that resource lookups use.
//
// The environment points a run elsewhere without code: BRISKO_RESOURCES for
// the resource root (over the program's own choice), BRISKO_HOME for the home
// folder (else ~/.brisko/<bundle identifier>).
#include "platform/foundation/Bundle.h"

#include "platform/foundation/Log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string currentDirectory()
{
    std::error_code ec;
    auto cwd = std::filesystem::current_path(ec);
    return ec ? std::string(".") : cwd.string();
}

const char* resourcesFromEnvironment()
{
    const char* resources = std::getenv("BRISKO_RESOURCES");
    return resources && *resources ? resources : nullptr;
}

std::string userHome()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir)
        return pw->pw_dir;
    // No home of the player's own: a shared folder such as /tmp would let
    // another user plant a keychain or a link there. Chosen and said once.
    static const std::string chosen = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string refused;
        std::string folder = Bundle::privateFolderIn(tmp && *tmp ? tmp : "/tmp", &refused);
        if (folder.empty())
            logWarning("Bundle: there is no home folder (HOME is unset and the user has no account entry) and no "
                       "private folder could be made: the game's files cannot be kept");
        else if (!refused.empty())
            logWarning("Bundle: there is no home folder (HOME is unset and the user has no account entry) and %s; "
                       "the game keeps its files in %s, for this run only",
                       refused.c_str(), folder.c_str());
        else
            log("Bundle: there is no home folder (HOME is unset and the user has no account entry): the game keeps "
                "its files in %s, which only this user may enter",
                folder.c_str());
        // Nothing can be made under /dev/null, by root neither: nothing is kept.
        return folder.empty() ? std::string("/dev/null") : folder;
    }();
    return chosen;
}

std::string strippedTrailingSlashes(const std::string& p)
{
    size_t end = p.size();
    while (end > 1 && p[end - 1] == '/')
        --end;
    return p.substr(0, end);
}

// A bundle folder as the program names it: a relative one is taken from the
// program's own folder, whatever folder the program starts in.
std::string besideProgram(const std::string& folder)
{
    if (path::isAbsolute(folder))
        return folder;
    return std::filesystem::path(path::appendingComponent(Bundle::programFolder(), folder)).lexically_normal().string();
}

} // namespace

Bundle::Bundle()
{
    const char* resources = resourcesFromEnvironment();
    resourcePath_ = besideProgram(resources ? resources : "resources");
    const char* home = std::getenv("BRISKO_HOME");
    if (home && *home) {
        home_ = home;
        homeFollowsIdentifier_ = false;
    } else {
        home_ = defaultHome(identifier_);
    }
}

std::string Bundle::programFolder()
{
    std::error_code ec;
    auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? currentDirectory() : program.parent_path().string();
}

void Bundle::setResourcePath(const std::string& path)
{
    std::string folder = besideProgram(path);
    if (const char* resources = resourcesFromEnvironment()) {
        // The variable follows the same rule; the log names the folder it resolved to.
        std::string chosen = besideProgram(resources);
        // Said once for each folder the program names that the variable overrides.
        static std::string saidFor;
        if (folder != chosen && saidFor != folder + '\n' + chosen) {
            saidFor = folder + '\n' + chosen;
            std::string source = path::isAbsolute(resources)
                ? std::string("BRISKO_RESOURCES")
                : "BRISKO_RESOURCES=" + std::string(resources) + ", from the program's folder";
            platform::log("Bundle: the bundle folder is %s (%s), not %s", chosen.c_str(), source.c_str(),
                          folder.c_str());
        }
        folder = std::move(chosen);
    }
    resourcePath_ = std::move(folder);
}

std::string Bundle::privateFolderIn(const std::string& parent, std::string* refused)
{
    const uid_t user = ::geteuid();
    std::string folder = path::appendingComponent(parent, "brisko-" + std::to_string(user));
    ::mkdir(folder.c_str(), 0700); // never through a link: one at the name makes it fail
    struct stat st {};
    std::string why;
    if (::lstat(folder.c_str(), &st) != 0)
        why = std::string("cannot be made: ") + std::strerror(errno);
    else if (!S_ISDIR(st.st_mode))
        why = "is no folder";
    else if (st.st_uid != user)
        why = "belongs to another user";
    else if ((st.st_mode & 077) != 0)
        why = "others may enter it";
    if (why.empty())
        return folder;
    if (refused)
        *refused = folder + " " + why;
    std::string fresh = folder + "-XXXXXX";
    return ::mkdtemp(fresh.data()) ? fresh : std::string();
}

std::string Bundle::defaultHome(const std::string& identifier)
{
    return path::appendingComponent(path::appendingComponent(userHome(), ".brisko"), identifier);
}

void Bundle::setHomeDirectory(std::string path)
{
    home_ = std::move(path);
    homeFollowsIdentifier_ = false;
}

void Bundle::setBundleIdentifier(std::string id)
{
    identifier_ = std::move(id);
    if (homeFollowsIdentifier_)
        home_ = defaultHome(identifier_);
}

bool Bundle::sharesDefaultHome() const
{
    return identifier_ == kDefaultIdentifier && home_ == defaultHome(kDefaultIdentifier);
}

Bundle& Bundle::main()
{
    static Bundle bundle;
    return bundle;
}

std::string Bundle::documentsDirectory() const
{
    std::string dir = path::appendingComponent(home_, "Documents");
    path::createDirectories(dir, path::kPrivateFolder);
    return dir;
}

std::string Bundle::preferencesDirectory() const
{
    std::string dir = path::appendingComponent(path::appendingComponent(home_, "Library"), "Preferences");
    path::createDirectories(dir, path::kPrivateFolder);
    return dir;
}

std::string Bundle::pathForResource(const std::string& name, const std::string& type, const std::string& directory) const
{
    if (name.empty() || path::isAbsolute(name) || !path::staysInside(directory)
        || !path::staysInside(path::appendingComponent(directory, name)))
        return {};
    std::string file = name;
    if (!type.empty() && path::extension(name) != type)
        file = path::appendingExtension(name, type);
    std::string dir = directory.empty() ? resourcePath_ : path::appendingComponent(resourcePath_, directory);
    // Resolved by its text, so a step through a folder that does not exist
    // still names the file it reads as.
    std::string full = std::filesystem::path(path::appendingComponent(dir, file)).lexically_normal().string();
    return path::fileExists(full) && !path::isDirectory(full) ? full : std::string();
}

namespace path {

std::string lastComponent(const std::string& p)
{
    std::string s = strippedTrailingSlashes(p);
    if (s == "/")
        return s;
    size_t slash = s.rfind('/');
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

std::string deletingLastComponent(const std::string& p)
{
    std::string s = strippedTrailingSlashes(p);
    if (s == "/")
        return s;
    size_t slash = s.rfind('/');
    if (slash == std::string::npos)
        return {};
    if (slash == 0)
        return "/";
    return strippedTrailingSlashes(s.substr(0, slash));
}

std::string extension(const std::string& p)
{
    std::string last = lastComponent(p);
    size_t dot = last.rfind('.');
    // A leading dot names a hidden file, not an extension.
    if (dot == std::string::npos || dot == 0)
        return {};
    return last.substr(dot + 1);
}

std::string deletingExtension(const std::string& p)
{
    std::string s = strippedTrailingSlashes(p);
    std::string ext = extension(s);
    if (ext.empty())
        return s;
    return s.substr(0, s.size() - ext.size() - 1);
}

std::string appendingComponent(const std::string& p, const std::string& c)
{
    size_t start = 0;
    while (start < c.size() && c[start] == '/')
        ++start;
    std::string component = strippedTrailingSlashes(c.substr(start));
    if (component == "/")
        component.clear();
    std::string base = strippedTrailingSlashes(p);
    if (component.empty())
        return base;
    if (base.empty())
        return component;
    if (base == "/")
        return "/" + component;
    return base + "/" + component;
}

std::string appendingExtension(const std::string& p, const std::string& ext)
{
    std::string s = strippedTrailingSlashes(p);
    if (ext.empty() || s.empty() || s == "/")
        return s;
    return s + "." + ext;
}

bool isAbsolute(const std::string& p)
{
    return !p.empty() && p[0] == '/';
}

bool staysInside(const std::string& p)
{
    if (isAbsolute(p))
        return false;
    // Walk the steps: "." stays, ".." climbs; leaving the start folder at any
    // step is refused, so "a/../b" stays inside and "a/../../b" does not.
    int depth = 0;
    size_t start = 0;
    for (;;) {
        size_t slash = p.find('/', start);
        size_t length = slash == std::string::npos ? std::string::npos : slash - start;
        std::string_view step = std::string_view(p).substr(start, length);
        if (step == "..") {
            if (--depth < 0)
                return false;
        } else if (!step.empty() && step != ".") {
            ++depth;
        }
        if (slash == std::string::npos)
            return true;
        start = slash + 1;
    }
}

bool fileExists(const std::string& p)
{
    struct stat st;
    return !p.empty() && ::stat(p.c_str(), &st) == 0;
}

bool isDirectory(const std::string& p)
{
    struct stat st;
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISFIFO(mode))
        return "a pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    return "no regular file";
}

} // namespace

int openFile(const std::string& p, uint64_t* size)
{
    if (p.empty())
        return -1;
    // Not blocking on open: a pipe with no writer would wait for one for ever.
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        logError("cannot read %s: it is %s, not a file", p.c_str(), kindOf(st.st_mode));
        ::close(fd);
        return -1;
    }
    const auto length = static_cast<uint64_t>(st.st_size);
    if (length > kMaxFileSize) {
        logError("cannot read %s: its %llu bytes are more than the %llu a file read here may hold", p.c_str(),
                 static_cast<unsigned long long>(length), static_cast<unsigned long long>(kMaxFileSize));
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (size)
        *size = length;
    return fd;
}

std::optional<std::vector<uint8_t>> readFile(const std::string& p)
{
    uint64_t size = 0;
    const int fd = openFile(p, &size);
    if (fd < 0)
        return std::nullopt;
    std::vector<uint8_t> contents;
    contents.reserve(static_cast<size_t>(size));
    uint8_t buffer[65536];
    bool failed = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        contents.insert(contents.end(), buffer, buffer + n);
        // A file that grows while it is read is held to the same limit.
        if (contents.size() > kMaxFileSize) {
            logError("cannot read %s: it grew beyond the %llu bytes a file read here may hold", p.c_str(),
                     static_cast<unsigned long long>(kMaxFileSize));
            failed = true;
            break;
        }
    }
    ::close(fd);
    if (failed)
        return std::nullopt;
    return contents;
}

bool createDirectories(const std::string& p, unsigned mode)
{
    if (p.empty())
        return false;
    for (size_t end = p.find('/', 1);; end = p.find('/', end + 1)) {
        std::string prefix = p.substr(0, end);
        if (!prefix.empty() && prefix.back() != '/')
            ::mkdir(prefix.c_str(), static_cast<mode_t>(mode));
        if (end == std::string::npos)
            break;
    }
    return isDirectory(p);
}

} // namespace path

} // namespace platform
