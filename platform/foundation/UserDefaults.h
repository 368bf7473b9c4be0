// User defaults: a registered domain (in memory, from registerDefaults) under a
// persistent domain kept in an XML property-list file.
//
// Reads look in the persistent domain first, then the registered one. Writes go
// to the persistent domain and reach the file on synchronize(), which writes
// atomically (temporary file, then rename). The typed getters coerce as the
// platform does: integerForKey on "12" is 12, boolForKey on "YES" is true, a
// missing key reads 0 / false / empty.
//
// The standard defaults follow the main bundle: asked for after its identifier
// or home folder changed, they leave the file they read for the one the bundle
// names now (the registered domain stays, and changes not saved yet move with
// them), and the log says so, since what was read before came from elsewhere.
#pragma once

#include "platform/foundation/Value.h"

#include <set>
#include <string>

namespace platform {

class UserDefaults {
public:
    // Backed by Bundle::main()'s preferences file,
    // home/Library/Preferences/<identifier>.plist, as the bundle names it now.
    static UserDefaults& standardUserDefaults();
    // Forgets the shared instance (tests, after changing the bundle's folders).
    static void resetStandardUserDefaults();

    explicit UserDefaults(std::string path);

    const std::string& path() const { return path_; }
    void registerDefaults(const ValueDictionary& defaults);

    const Value& objectForKey(const std::string& key) const;
    int64_t integerForKey(const std::string& key) const { return objectForKey(key).asInteger(); }
    bool boolForKey(const std::string& key) const { return objectForKey(key).asBool(); }
    float floatForKey(const std::string& key) const { return objectForKey(key).asFloat(); }
    double doubleForKey(const std::string& key) const { return objectForKey(key).asDouble(); }
    // Empty when absent; numbers are returned in their decimal form.
    std::string stringForKey(const std::string& key) const;
    // Nil when absent or not an array / dictionary.
    const Value& arrayForKey(const std::string& key) const;
    const Value& dictionaryForKey(const std::string& key) const;

    void setObject(const std::string& key, Value value); // nil removes
    void setInteger(const std::string& key, int64_t v) { setObject(key, Value(static_cast<long long>(v))); }
    void setBool(const std::string& key, bool v) { setObject(key, Value(v)); }
    void setFloat(const std::string& key, float v) { setObject(key, Value(v)); }
    void setDouble(const std::string& key, double v) { setObject(key, Value(v)); }
    void removeObjectForKey(const std::string& key);

    // Writes the persistent domain when it changed; false when the write failed.
    bool synchronize();
    // Re-reads the file. A missing file reads as empty; so does one that cannot
    // be read whole, which synchronize() moves aside (the log names where)
    // before writing, and never writes over.
    void reload();
    const ValueDictionary& persistentDomain() const { return persistent_; }

private:
    // Reads another file; the keys changed and not saved yet keep their new values.
    // Answers how many there were.
    size_t moveTo(std::string path);

    std::string path_;
    ValueDictionary registered_;
    ValueDictionary persistent_;
    // Keys set or removed since the file was last read or written.
    std::set<std::string> unsaved_;
    // The file at path_ could not be read whole: it is moved aside before a write.
    bool unreadable_ { false };
};

} // namespace platform
