// The device: system version, model, the large-screen flag (from the main
// screen) and a unique identifier made once per installation and kept in a
// file of the installation directory.
#pragma once

#include <string>

namespace platform::ui {

class Device {
public:
    static Device& currentDevice();

    const std::string& systemVersion() const { return systemVersion_; }
    void setSystemVersion(std::string v) { systemVersion_ = std::move(v); }
    std::string systemName() const { return "Linux"; }
    std::string model() const;
    bool isLargeScreen() const;

    // 40 lowercase hexadecimal digits, read from the installation directory or
    // made and stored there on first use. A file that does not hold such an
    // identifier is replaced.
    std::string uniqueIdentifier();
    // Where the identifier file lives ($HOME/.local/share/brisko by default).
    void setInstallationDirectory(std::string dir);
    const std::string& installationDirectory() const { return dir_; }

private:
    Device();
    std::string systemVersion_ { "4.2" };
    std::string dir_;
    std::string udid_;
};

} // namespace platform::ui
