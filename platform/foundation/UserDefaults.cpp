// User defaults: two in-memory domains and the property-list file behind the
// persistent one.
//
// The file is only ever replaced atomically and only after something changed,
// so an unreadable file (read as empty) stays on disk untouched until the
// program stores a value; a failed write keeps the changes in memory and
// leaves them marked for the next synchronize().
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"

#include <memory>
#include <mutex>

namespace platform {

namespace {
std::mutex sharedMutex;
std::unique_ptr<UserDefaults> sharedDefaults;
} // namespace

UserDefaults& UserDefaults::standardUserDefaults()
{
    std::lock_guard lock(sharedMutex);
    if (!sharedDefaults) {
        Bundle& bundle = Bundle::main();
        std::string file = path::appendingComponent(bundle.preferencesDirectory(), bundle.bundleIdentifier() + ".plist");
        sharedDefaults = std::make_unique<UserDefaults>(file);
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
    dirty_ = true;
}

void UserDefaults::removeObjectForKey(const std::string& key)
{
    if (persistent_.remove(key))
        dirty_ = true;
}

bool UserDefaults::synchronize()
{
    if (!dirty_)
        return true;
    std::string error;
    if (!writePropertyListFile(path_, Value(persistent_), &error)) {
        logWarning("UserDefaults: %s", error.c_str());
        return false;
    }
    dirty_ = false;
    return true;
}

void UserDefaults::reload()
{
    persistent_.clear();
    dirty_ = false;
    if (!path::fileExists(path_))
        return;
    std::string error;
    auto root = readPropertyListFile(path_, &error);
    if (!root) {
        logWarning("UserDefaults: %s; reading it as empty", error.c_str());
        return;
    }
    if (!root->isDictionary()) {
        logWarning("UserDefaults: %s does not hold a dictionary; reading it as empty", path_.c_str());
        return;
    }
    persistent_ = root->dictionary();
}

} // namespace platform
