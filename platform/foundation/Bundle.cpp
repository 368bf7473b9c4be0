// The main bundle's folders and the string-path helpers that resource lookups use.
//
// The environment points a run elsewhere without code: BRISKO_RESOURCES for
// the resource root (over the program's own choice), BRISKO_HOME for the home
// folder (else ~/.brisko/<bundle identifier>).
#include "platform/foundation/Bundle.h"

#include "platform/foundation/Log.h"

#include <cstdio>
#include <cstdlib>
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
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
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
    path::createDirectories(dir);
    return dir;
}

std::string Bundle::preferencesDirectory() const
{
    std::string dir = path::appendingComponent(path::appendingComponent(home_, "Library"), "Preferences");
    path::createDirectories(dir);
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

std::optional<std::vector<uint8_t>> readFile(const std::string& p)
{
    FILE* f = p.empty() ? nullptr : std::fopen(p.c_str(), "rb");
    if (!f)
        return std::nullopt;
    std::vector<uint8_t> contents;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        contents.insert(contents.end(), buffer, buffer + n);
    // A folder opens but does not read (EISDIR).
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed)
        return std::nullopt;
    return contents;
}

bool createDirectories(const std::string& p)
{
    if (p.empty())
        return false;
    std::error_code ec;
    std::filesystem::create_directories(p, ec);
    return isDirectory(p);
}

} // namespace path

} // namespace platform
