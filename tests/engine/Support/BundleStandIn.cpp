// Weak stand-ins for the bundle lookups the file utilities use, so these tests
// link before the platform's bundle is built; the platform's own definitions
// replace them as soon as they are in the library.
#include "platform/foundation/Bundle.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace platform {

[[gnu::weak]] Bundle::Bundle() { }

[[gnu::weak]] Bundle& Bundle::main()
{
    static Bundle bundle;
    return bundle;
}

[[gnu::weak]] std::string Bundle::pathForResource(const std::string& name, const std::string& type,
                                                  const std::string& directory) const
{
    std::string file = type.empty() ? name : name + "." + type;
    fs::path p = fs::path(resourcePath_);
    if (!directory.empty())
        p /= directory;
    p /= file;
    std::error_code ec;
    return fs::is_regular_file(p, ec) ? p.string() : std::string();
}

namespace path {

[[gnu::weak]] std::string lastComponent(const std::string& p) { return fs::path(p).filename().string(); }
[[gnu::weak]] std::string deletingLastComponent(const std::string& p) { return fs::path(p).parent_path().string(); }
[[gnu::weak]] std::string extension(const std::string& p)
{
    std::string e = fs::path(p).extension().string();
    return e.empty() ? e : e.substr(1);
}
[[gnu::weak]] std::string deletingExtension(const std::string& p) { return fs::path(p).replace_extension().string(); }
[[gnu::weak]] std::string appendingExtension(const std::string& p, const std::string& ext) { return p + "." + ext; }
[[gnu::weak]] bool isAbsolute(const std::string& p) { return !p.empty() && p[0] == '/'; }
[[gnu::weak]] bool fileExists(const std::string& p)
{
    std::error_code ec;
    return fs::exists(p, ec);
}

} // namespace path
} // namespace platform
