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
    // made and stored there on first use. A stored one reads the same in
    // either case and whatever ends its line. A file that holds none, or
    // cannot be read, is kept aside ("device-identifier.unreadable") and
    // named in the log before a new identifier takes its place; where it
    // cannot be moved, a new identifier serves the run and the file stays.
    std::string uniqueIdentifier();
    // Where the identifier file lives. By default the game's own Documents
    // folder (the main bundle's, followed when the bundle's home changes), so
    // a game that deletes its data starts with a new identity and no two
    // games share one. An empty directory returns to that default.
    void setInstallationDirectory(std::string dir);
    std::string installationDirectory() const;

private:
    Device();
    std::string systemVersion_ { "4.2" };
    std::string dir_; // empty: the bundle's Documents folder
    std::string udid_;
    std::string udidDir_; // where udid_ was read or made
};

} // namespace platform::ui
