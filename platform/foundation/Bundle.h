// The application bundle and its folders: the resource root that resource
// lookups search, the Documents directory and the preferences folder.
//
// One rule finds the resource root (the bundle folder): BRISKO_RESOURCES when
// it is set, else the folder the program names with setResourcePath, else
// "resources"; a relative folder, the variable's too, is taken from the
// program's own folder, so the program finds its bundle whatever folder it
// starts in. The home folder holds Documents/ and Library/Preferences/,
// created on demand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class Bundle {
public:
    static Bundle& main();

    const std::string& resourcePath() const { return resourcePath_; }
    // The program's bundle folder; relative, it is taken from the program's
    // own folder. BRISKO_RESOURCES, when set, wins over it (said once).
    void setResourcePath(const std::string& path);
    // The resource root exactly as given, over BRISKO_RESOURCES: for tools and
    // tests that assemble a bundle while they run and put the old one back.
    void replaceResourcePath(std::string path) { resourcePath_ = std::move(path); }
    // The folder of the running program.
    static std::string programFolder();
    const std::string& homeDirectory() const { return home_; }
    // Until a home is set (here or through BRISKO_HOME), it follows the bundle
    // identifier: ~/.brisko/<identifier>.
    void setHomeDirectory(std::string path);

    std::string documentsDirectory() const; // home/Documents, created on demand
    std::string preferencesDirectory() const; // home/Library/Preferences, created on demand
    std::string bundleIdentifier() const { return identifier_; }
    void setBundleIdentifier(std::string id);
    // True while the home is the one of the built-in identifier: every program
    // that names no identifier (and no home) of its own keeps its data there.
    bool sharesDefaultHome() const;
    std::string version() const { return version_; }
    void setVersion(std::string v) { version_ = std::move(v); }

    // The full path of resource "name.type" (type may be empty, or already part
    // of name) in the resource root or its sub-folder `directory`; empty when
    // there is no such file, and for a name or folder that would leave the
    // resource root (an absolute path, or ".." steps that climb above it).
    std::string pathForResource(const std::string& name, const std::string& type,
                                const std::string& directory = {}) const;

    // The folder a player without a home (HOME unset, no account entry) keeps
    // the game's files in: `parent`/brisko-<uid>, made 0700 and taken only
    // while it is a folder of this user's that no one else may enter (a link,
    // a folder of another user's or one open to others is refused: what is in
    // it may have been planted). Refused, a fresh private folder made for this
    // run (nothing kept to the next one); empty when none can be made.
    // `refused` tells why the kept one was not taken.
    static std::string privateFolderIn(const std::string& parent, std::string* refused = nullptr);

private:
    Bundle();
    static std::string defaultHome(const std::string& identifier);
    std::string resourcePath_;
    std::string home_;
    static constexpr const char* kDefaultIdentifier = "com.brisko.app";
    std::string identifier_ { kDefaultIdentifier };
    std::string version_ { "1.0" };
    bool homeFollowsIdentifier_ { true };
};

// Path helpers in the platform's string-path style.
namespace path {
std::string lastComponent(const std::string& p);
std::string deletingLastComponent(const std::string& p);
std::string extension(const std::string& p); // without the dot
std::string deletingExtension(const std::string& p);
std::string appendingComponent(const std::string& p, const std::string& c);
std::string appendingExtension(const std::string& p, const std::string& ext);
bool isAbsolute(const std::string& p);
// Relative, and no ".." step climbs above its start once the steps before it are
// resolved: appended to a folder, it names something inside it.
bool staysInside(const std::string& p);
bool fileExists(const std::string& p);
bool isDirectory(const std::string& p);
// Makes the folder and each missing one above it with `mode`, which the
// process's umask narrows as it does for any mkdir; folders already there are
// left as they are. kPrivateFolder (0700) keeps them the user's alone whatever
// the umask, as the client does for its home.
inline constexpr unsigned kPrivateFolder = 0700;
bool createDirectories(const std::string& p, unsigned mode = 0777);
// The most a file read whole may hold: more than any resource the engine or
// the client can use (an uncompressed texture of the engine's 64 Mi pixel
// budget, four bytes a pixel, with every mipmap level is about 342 MiB), so a
// larger one is refused before it is read.
inline constexpr uint64_t kMaxFileSize = 512ull * 1024 * 1024;
// Opens a file to read: a descriptor the caller closes, and its size. -1 when
// there is no such file or it cannot be opened, and -1 with the path and the
// reason in the log for what is no regular file (a folder, a device, a pipe, a
// socket) and for a file larger than kMaxFileSize.
int openFile(const std::string& p, uint64_t* size = nullptr);
// The whole content of a file opened as openFile does; nullopt when it cannot
// be opened or read, never an exception.
std::optional<std::vector<uint8_t>> readFile(const std::string& p);
} // namespace path

} // namespace platform
