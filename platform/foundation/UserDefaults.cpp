// User defaults: two in-memory domains and the property-list file behind the
// persistent one.
//
// The file is the player's alone (0600: it may hold a session) and is only
// ever replaced atomically and only after something changed.
// A file that could not be read whole stays on disk untouched until the
// program stores a value, and is then moved aside (named in the log) before
// the new file is written, so what little was read never replaces it. A failed
// write keeps the changes in memory and leaves them marked for the next
// synchronize(); a domain the file could not carry (too large to read back)
// is refused before anything on disk is touched.
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

namespace platform {

namespace {
std::mutex sharedMutex;
std::unique_ptr<UserDefaults> sharedDefaults;

// The file the main bundle names for its defaults now.
std::string standardFile()
{
    const Bundle& bundle = Bundle::main();
    std::string folder = path::appendingComponent(path::appendingComponent(bundle.homeDirectory(), "Library"), "Preferences");
    return path::appendingComponent(folder, bundle.bundleIdentifier() + ".plist");
}

// The folder the defaults are written to is made when they are opened there.
void makeFolderOf(const std::string& file) { path::createDirectories(path::deletingLastComponent(file), path::kPrivateFolder); }

// A free name beside `file` for keeping it when it cannot be read.
std::string asideName(const std::string& file)
{
    std::string name = file + ".unreadable";
    for (int i = 2; path::fileExists(name) && i < 1000; ++i)
        name = file + ".unreadable-" + std::to_string(i);
    return name;
}

} // namespace

UserDefaults& UserDefaults::standardUserDefaults()
{
    std::lock_guard lock(sharedMutex);
    std::string file = standardFile();
    if (!sharedDefaults) {
        makeFolderOf(file);
        sharedDefaults = std::make_unique<UserDefaults>(file);
    } else if (sharedDefaults->path() != file) {
        makeFolderOf(file);
        // A game that read its defaults before naming itself (a call before
        // setBundleIdentifier) keeps its own data: the defaults follow the name.
        std::string before = sharedDefaults->path();
        size_t moved = sharedDefaults->moveTo(file);
        std::string carried = moved == 1 ? ", with the change not saved yet"
            : moved > 1                  ? ", with the " + std::to_string(moved) + " changes not saved yet"
                                         : "";
        logWarning("UserDefaults: the bundle identifier or home folder changed after the user defaults were read "
                   "from %s; they now follow it to %s%s (what was read before came from the other file: call "
                   "platform::Bundle::main().setBundleIdentifier(...) before anything that reads them)",
                   before.c_str(), file.c_str(), carried.c_str());
    }
    return *sharedDefaults;
}

void UserDefaults::resetStandardUserDefaults()
{
    std::lock_guard lock(sharedMutex);
    // Unsaved changes still belong in the file the instance was made for.
    if (sharedDefaults)
        sharedDefaults->synchronize();
    sharedDefaults.reset();
}

UserDefaults::UserDefaults(std::string path)
    : path_(std::move(path))
{
    // The file may hold a session's secret: the player's alone, also when an
    // older client made it readable to others.
    restrictFileMode(path_, 0600);
    reload();
}

void UserDefaults::registerDefaults(const ValueDictionary& defaults)
{
    for (const auto& [key, value] : defaults)
        registered_.set(key, value);
}

const Value& UserDefaults::objectForKey(const std::string& key) const
{
    if (const Value* v = persistent_.find(key))
        return *v;
    return registered_.get(key);
}

std::string UserDefaults::stringForKey(const std::string& key) const
{
    const Value& v = objectForKey(key);
    return v.isString() || v.isNumber() ? v.asString() : std::string();
}

const Value& UserDefaults::arrayForKey(const std::string& key) const
{
    const Value& v = objectForKey(key);
    return v.isArray() ? v : Value::nil();
}

const Value& UserDefaults::dictionaryForKey(const std::string& key) const
{
    const Value& v = objectForKey(key);
    return v.isDictionary() ? v : Value::nil();
}

void UserDefaults::setObject(const std::string& key, Value value)
{
    if (value.isNil()) {
        removeObjectForKey(key);
        return;
    }
    const Value* existing = persistent_.find(key);
    // Same type and value: nothing to write (1 and 1.0 or true and 1 are kept apart).
    if (existing && existing->type() == value.type() && *existing == value)
        return;
    persistent_.set(key, std::move(value));
    unsaved_.insert(key);
}

void UserDefaults::removeObjectForKey(const std::string& key)
{
    if (persistent_.remove(key))
        unsaved_.insert(key);
}

bool UserDefaults::synchronize()
{
    if (unsaved_.empty())
        return true;
    // A domain the file could not carry (one that would not read back) changes nothing on disk.
    std::string error;
    std::optional<std::string> document = writePropertyList(Value(persistent_), &error);
    if (!document) {
        logWarning("UserDefaults: cannot write %s: %s; the changes stay in memory", path_.c_str(), error.c_str());
        return false;
    }
    if (unreadable_ && path::fileExists(path_)) {
        // The player's data may still be in there: it is kept whole, never replaced by an empty domain.
        std::string aside = asideName(path_);
        if (std::rename(path_.c_str(), aside.c_str()) != 0) {
            logWarning("UserDefaults: %s could not be read and cannot be moved aside to %s (%s); the changes stay "
                       "in memory rather than replace it",
                       path_.c_str(), aside.c_str(), std::strerror(errno));
            return false;
        }
        logWarning("UserDefaults: %s could not be read; it is kept as %s and a new file is written in its place",
                   path_.c_str(), aside.c_str());
    }
    unreadable_ = false;
    if (!writeFileAtomically(path_, *document, 0600, &error)) {
        logWarning("UserDefaults: %s", error.c_str());
        return false;
    }
    unsaved_.clear();
    return true;
}

size_t UserDefaults::moveTo(std::string path)
{
    ValueDictionary changed;
    for (const auto& key : unsaved_)
        if (const Value* v = persistent_.find(key))
            changed.set(key, *v);
    std::set<std::string> keys = std::move(unsaved_);
    path_ = std::move(path);
    reload();
    for (const auto& key : keys) {
        if (const Value* v = changed.find(key))
            persistent_.set(key, *v);
        else
            persistent_.remove(key);
    }
    unsaved_ = std::move(keys);
    return unsaved_.size();
}

void UserDefaults::reload()
{
    persistent_.clear();
    unsaved_.clear();
    unreadable_ = false;
    if (!path::fileExists(path_))
        return;
    std::string error;
    auto root = readPropertyListFile(path_, &error);
    if (!root) {
        unreadable_ = true;
        logWarning("UserDefaults: %s; reading it as empty (the file is kept)", error.c_str());
        return;
    }
    if (!root->isDictionary()) {
        unreadable_ = true;
        logWarning("UserDefaults: %s does not hold a dictionary; reading it as empty (the file is kept)", path_.c_str());
        return;
    }
    persistent_ = root->dictionary();
}

} // namespace platform
