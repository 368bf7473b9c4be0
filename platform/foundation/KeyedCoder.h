// Keyed archiving: an object that adopts Coding writes its state under keys
// into a KeyedArchiver, and a decoder function of its class makes it again
// from a KeyedUnarchiver reading those keys.
//
// An archive is a Value, so it can be stored as a property list
// (writePropertyList) and read back (readPropertyList). Each archived object
// is a dictionary holding its class name under "$class" and what it encoded
// under its own keys; a Boxed value is archived as class "Boxed" with its
// value under "value". Objects form a tree: one held twice is written twice
// and read back as two objects.
//
// Decoding makes only the classes the caller names (and Boxed), so an archive
// from outside cannot make arbitrary objects, and objects nested deeper than
// 256 levels are refused, so it cannot exhaust the stack either. What does not
// decode (an unknown class, a missing or mistyped key, an archive its class
// refuses) gives null, with the reason in error(): the first failure's, an
// absent key's only when nothing else failed (a decoder may take a key as
// optional), and none of those a decoder that went on to succeed met.
//
// Caveat: an object that holds itself, directly or not, cannot be archived
// (the archiver asserts "KeyedArchiver: an archived object holds itself").
#pragma once

#include "platform/foundation/Coding.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class KeyedArchiver {
public:
    // The archive of one object, which must adopt Coding or be a Boxed.
    static Value archivedObject(const Object* object);

    // Plain values. The key "$class" is the archive's own.
    void encodeValue(const std::string& key, Value value);
    // A null object writes nothing: decoding the key then finds no object.
    void encodeObject(const std::string& key, const Object* object);
    // An array of objects (none null), kept in order.
    void encodeObjects(const std::string& key, const std::vector<Ref<Object>>& objects);

private:
    KeyedArchiver() = default;
    Value archive(const Object* object);
    void put(const std::string& key, Value value);

    ValueDictionary* current_ { nullptr };
    std::vector<const Object*> inProgress_;
};

class KeyedUnarchiver {
public:
    // Makes an object of its class from the unarchiver positioned on its keys;
    // null when the archive does not describe one.
    using Decoder = std::function<Ref<Object>(KeyedUnarchiver&)>;
    using Classes = std::map<std::string, Decoder, std::less<>>;

    // The archived object; null, with the reason in *error, when it does not decode.
    static Ref<Object> unarchiveObject(const Value& archive, const Classes& classes, std::string* error = nullptr);

    bool containsValueForKey(std::string_view key) const { return current_->contains(key); }
    // Nil when absent.
    const Value& decodeValue(std::string_view key) const { return current_->get(key); }
    // Null when absent or undecodable (the reason kept in error()).
    Ref<Object> decodeObject(std::string_view key);
    // Nullopt when absent, not an array, or when any element does not decode.
    std::optional<std::vector<Ref<Object>>> decodeObjects(std::string_view key);

    // Records why the archive does not decode (the first reason is kept).
    void failWithError(std::string reason);
    const std::string& error() const { return error_; }

    // Objects nested deeper than this do not decode.
    static constexpr int kMaxDepth = 256;

private:
    explicit KeyedUnarchiver(const Classes& classes) : classes_(classes) { }
    Ref<Object> unarchive(const Value& archive, std::string_view key);
    // An absent key: the reason only while no failure gives another.
    void noteAbsentKey(std::string reason);

    const Classes& classes_;
    const ValueDictionary* current_ { nullptr };
    std::string error_;
    bool errorIsAbsentKey_ { false };
    int depth_ { 0 };
};

} // namespace platform
