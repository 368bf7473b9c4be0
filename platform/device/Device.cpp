// Device: version, model and the per-installation identifier file.
#include "platform/device/Device.h"

#include "platform/device/Screen.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace platform::ui {

namespace {

bool isIdentifier(const std::string& s)
{
    if (s.size() != 40)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
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
    {
        std::ifstream in(path);
        std::string stored;
        if (in && std::getline(in, stored) && isIdentifier(stored))
            return udid_ = stored;
    }
    std::random_device rd;
    static const char* hex = "0123456789abcdef";
    std::string id;
    for (int i = 0; i < 40; ++i)
        id.push_back(hex[rd() % 16]);
    // Written aside and renamed, so a reader never sees half an identifier.
    path::createDirectories(dir, path::kPrivateFolder);
    std::string error;
    if (!writeFileAtomically(path, id + "\n", 0600, &error))
        logWarning("Device: cannot store the device identifier (%s)", error.c_str());
    return udid_ = id;
}

} // namespace platform::ui
