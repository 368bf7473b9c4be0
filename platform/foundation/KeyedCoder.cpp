// Keyed archiving over Values: the archiver builds one dictionary per object
// as the object encodes itself, the unarchiver hands each dictionary to the
// decoder its "$class" names.
#include "platform/foundation/KeyedCoder.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Exception.h"

#include <algorithm>

namespace platform {

namespace {

constexpr const char* kClassKey = "$class";
constexpr const char* kBoxedClass = "Boxed";

// Restores a pointer when a scope ends, also when an encoder or decoder throws.
template <typename T>
class Restore {
public:
    Restore(T*& slot, T* value) : slot_(slot), saved_(slot) { slot_ = value; }
    ~Restore() { slot_ = saved_; }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    T*& slot_;
    T* saved_;
};

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

} // namespace

// Archiving ---------------------------------------------------------------------

Value KeyedArchiver::archivedObject(const Object* object)
{
    KeyedArchiver archiver;
    return archiver.archive(object);
}

Value KeyedArchiver::archive(const Object* object)
{
    if (!object)
        return Value();
    BRISKO_ASSERT(std::find(inProgress_.begin(), inProgress_.end(), object) == inProgress_.end(),
                  "KeyedArchiver: an archived object holds itself");
    ValueDictionary dictionary;
    if (auto* boxed = dynamic_cast<const Boxed*>(object)) {
        dictionary.set(kClassKey, kBoxedClass);
        dictionary.set("value", boxed->value());
        return Value(std::move(dictionary));
    }
    auto* coding = dynamic_cast<const Coding*>(object);
    BRISKO_ASSERT(coding != nullptr, "KeyedArchiver: " + object->className() + " cannot be archived");
    dictionary.set(kClassKey, object->className());
    inProgress_.push_back(object);
    struct Pop {
        std::vector<const Object*>& stack;
        ~Pop() { stack.pop_back(); }
    } pop { inProgress_ };
    Restore<ValueDictionary> scope(current_, &dictionary);
    coding->encodeWithCoder(*this);
    return Value(std::move(dictionary));
}

void KeyedArchiver::put(const std::string& key, Value value)
{
    BRISKO_ASSERT(key != kClassKey, "KeyedArchiver: \"$class\" is the archive's own key");
    current_->set(key, std::move(value));
}

void KeyedArchiver::encodeValue(const std::string& key, Value value)
{
    put(key, std::move(value));
}

void KeyedArchiver::encodeObject(const std::string& key, const Object* object)
{
    if (object)
        put(key, archive(object));
}

void KeyedArchiver::encodeObjects(const std::string& key, const std::vector<Ref<Object>>& objects)
{
    ValueArray array;
    for (const Ref<Object>& object : objects) {
        BRISKO_ASSERT(object, "KeyedArchiver: an archived array holds null");
        array.push_back(archive(object.get()));
    }
    put(key, Value(std::move(array)));
}

// Unarchiving -------------------------------------------------------------------

Ref<Object> KeyedUnarchiver::unarchiveObject(const Value& archive, const Classes& classes, std::string* error)
{
    KeyedUnarchiver unarchiver(classes);
    Ref<Object> object = unarchiver.unarchive(archive, {});
    if (!object && error)
        *error = unarchiver.error_.empty() ? "the archive holds no object" : unarchiver.error_;
    return object;
}

Ref<Object> KeyedUnarchiver::unarchive(const Value& archive, std::string_view key)
{
    const std::string where = key.empty() ? std::string() : " under key " + quoted(key);
    const Value& className = archive[kClassKey];
    if (!archive.isDictionary() || !className.isString()) {
        failWithError("no archived object" + where);
        return nullptr;
    }
    const ValueDictionary& dictionary = archive.dictionary();
    if (className.string() == kBoxedClass) {
        if (!dictionary.contains("value")) {
            failWithError("an archived Boxed holds no value" + where);
            return nullptr;
        }
        return Boxed::box(dictionary.get("value"));
    }
    auto decoder = classes_.find(className.string());
    if (decoder == classes_.end() || !decoder->second) {
        failWithError("class " + quoted(className.string()) + " cannot be unarchived here" + where);
        return nullptr;
    }
    if (depth_ >= kMaxDepth) {
        failWithError("objects nested deeper than " + std::to_string(kMaxDepth) + " levels" + where);
        return nullptr;
    }
    // What a decoder meets and gets past (an optional key absent, say) is no
    // reason for a failure after it.
    const std::string errorBefore = error_;
    const bool absentKeyBefore = errorIsAbsentKey_;
    Ref<Object> object;
    {
        Restore<const ValueDictionary> scope(current_, &dictionary);
        ++depth_;
        struct Leave {
            int& depth;
            ~Leave() { --depth; }
        } leave { depth_ };
        object = decoder->second(*this);
    }
    if (object) {
        error_ = errorBefore;
        errorIsAbsentKey_ = absentKeyBefore;
    } else if (error_.empty()) {
        error_ = "the archived " + className.string() + where + " does not decode";
    }
    return object;
}

Ref<Object> KeyedUnarchiver::decodeObject(std::string_view key)
{
    const Value* value = current_->find(key);
    if (!value) {
        noteAbsentKey("no object under key " + quoted(key));
        return nullptr;
    }
    return unarchive(*value, key);
}

std::optional<std::vector<Ref<Object>>> KeyedUnarchiver::decodeObjects(std::string_view key)
{
    const Value* value = current_->find(key);
    if (!value) {
        noteAbsentKey("no array under key " + quoted(key));
        return std::nullopt;
    }
    if (!value->isArray()) {
        failWithError("no array under key " + quoted(key));
        return std::nullopt;
    }
    std::vector<Ref<Object>> objects;
    objects.reserve(value->array().size());
    for (const Value& element : value->array()) {
        Ref<Object> object = unarchive(element, key);
        if (!object)
            return std::nullopt;
        objects.push_back(std::move(object));
    }
    return objects;
}

void KeyedUnarchiver::failWithError(std::string reason)
{
    if (error_.empty() || errorIsAbsentKey_) {
        error_ = std::move(reason);
        errorIsAbsentKey_ = false;
    }
}

void KeyedUnarchiver::noteAbsentKey(std::string reason)
{
    if (error_.empty()) {
        error_ = std::move(reason);
        errorIsAbsentKey_ = true;
    }
}

} // namespace platform
