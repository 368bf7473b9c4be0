// Device: version, model and the per-installation identifier file.
#include "platform/device/Device.h"

#include "platform/device/Screen.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <string_view>
#include <sys/stat.h>

namespace platform::ui {

namespace {

// The identifier a file holds: 40 hexadecimal digits on its first line, in
// either case, whatever ends the line (LF, CR LF, blanks); answered in the
// lowercase it is made in.
std::optional<std::string> identifierIn(std::string_view text)
{
    text = text.substr(0, text.find('\n'));
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.size() != 40)
        return std::nullopt;
    std::string id;
    for (char c : text) {
        if (c >= 'A' && c <= 'F')
            c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return std::nullopt;
        id.push_back(c);
    }
    return id;
}

} // namespace

Device::Device() = default;

Device& Device::currentDevice()
{
    static Device device;
    return device;
}

std::string Device::model() const
{
    return isLargeScreen() ? "Tablet" : "Phone";
}

bool Device::isLargeScreen() const
{
    return Screen::mainScreen().isTablet();
}

void Device::setInstallationDirectory(std::string dir)
{
    dir_ = std::move(dir);
    udid_.clear();
}

std::string Device::installationDirectory() const
{
    if (!dir_.empty())
        return dir_;
    return path::appendingComponent(Bundle::main().homeDirectory(), "Documents");
}

std::string Device::uniqueIdentifier()
{
    std::string dir = installationDirectory();
    if (!udid_.empty() && udidDir_ == dir)
        return udid_;
    udidDir_ = dir;
    std::string path = dir + "/device-identifier";
    // With the game's product key the identifier logs the device's player in:
    // it is the player's alone (0600), also when an older client left it open.
    restrictFileMode(path, 0600);
    std::random_device rd;
    static const char* hex = "0123456789abcdef";
    std::string id;
    for (int i = 0; i < 40; ++i)
        id.push_back(hex[rd() % 16]);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        const std::optional<std::vector<uint8_t>> stored = path::readFile(path);
        if (stored)
            if (std::optional<std::string> known = identifierIn(std::string_view(
                    reinterpret_cast<const char*>(stored->data()), stored->size())))
                return udid_ = *known;
        // The player's identity may still be in there: it is kept, never written over.
        const std::string why = stored ? "it holds no identifier" : "it cannot be read";
        const std::string aside = keepFileAside(path);
        if (aside.empty()) {
            logWarning("Device: %s does not give the device identifier (%s) and cannot be moved aside (%s); "
                       "a new identifier serves this run only, and the file is left as it is",
                       path.c_str(), why.c_str(), std::strerror(errno));
            return udid_ = id;
        }
        logWarning("Device: %s does not give the device identifier (%s); it is kept as %s and a new identifier "
                   "is stored in its place",
                   path.c_str(), why.c_str(), aside.c_str());
    }
    // Written aside and renamed, so a reader never sees half an identifier.
    path::createDirectories(dir, path::kPrivateFolder);
    std::string error;
    if (!writeFileAtomically(path, id + "\n", 0600, &error))
        logWarning("Device: cannot store the device identifier (%s)", error.c_str());
    return udid_ = id;
}

} // namespace platform::ui
