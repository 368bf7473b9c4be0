// Value: the property-list variant — nil, bool, integer, real, string, data,
// date, array and dictionary. Dictionaries keep their keys in insertion (file)
// order and look keys up through an index. Values are plain C++ values: copying
// copies (arrays and dictionaries share their storage until one copy changes).
//
// The as...() coercions follow the platform's rules for property-list and
// user-defaults values: a string "12abc" reads as integer 12, "YES"/"true"/"1"
// read as true, a real reads as an integer by truncation; anything else gives
// the fallback.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

class Value;
using Bytes = std::vector<uint8_t>;

// Seconds since 1970-01-01 00:00:00 GMT.
struct Date {
    double seconds { 0 };
    friend bool operator==(Date a, Date b) { return a.seconds == b.seconds; }
};

class ValueArray;
class ValueDictionary;

class Value {
public:
    enum class Type { Nil, Bool, Integer, Real, String, Data, Date, Array, Dictionary };

    Value() = default;
    Value(std::nullptr_t) { }
    Value(bool b) : type_(Type::Bool), int_(b) { }
    Value(int i) : type_(Type::Integer), int_(i) { }
    Value(unsigned i) : type_(Type::Integer), int_(i) { }
    Value(long i) : type_(Type::Integer), int_(i) { }
    Value(long long i) : type_(Type::Integer), int_(i) { }
    Value(unsigned long i) : type_(Type::Integer), int_(static_cast<int64_t>(i)) { }
    Value(double d) : type_(Type::Real), real_(d) { }
    Value(float d) : type_(Type::Real), real_(d) { }
    Value(const char* s) : type_(Type::String), str_(std::make_shared<std::string>(s ? s : "")) { }
    Value(std::string s) : type_(Type::String), str_(std::make_shared<std::string>(std::move(s))) { }
    Value(std::string_view s) : type_(Type::String), str_(std::make_shared<std::string>(s)) { }
    Value(Bytes data) : type_(Type::Data), data_(std::make_shared<Bytes>(std::move(data))) { }
    Value(Date d) : type_(Type::Date), real_(d.seconds) { }
    Value(ValueArray a);
    Value(ValueDictionary d);
    Value(const Value&) = default;
    Value(Value&&) noexcept = default;
    Value& operator=(const Value&) = default;
    Value& operator=(Value&&) noexcept = default;
    // A tree nested however deep comes down without recursion.
    ~Value()
    {
        if (array_ || dict_)
            releaseTree();
    }

    Type type() const { return type_; }
    bool isNil() const { return type_ == Type::Nil; }
    bool isBool() const { return type_ == Type::Bool; }
    bool isInteger() const { return type_ == Type::Integer; }
    bool isReal() const { return type_ == Type::Real; }
    bool isNumber() const { return type_ == Type::Bool || type_ == Type::Integer || type_ == Type::Real; }
    bool isString() const { return type_ == Type::String; }
    bool isData() const { return type_ == Type::Data; }
    bool isDate() const { return type_ == Type::Date; }
    bool isArray() const { return type_ == Type::Array; }
    bool isDictionary() const { return type_ == Type::Dictionary; }

    // Coercions (never throw).
    bool asBool(bool fallback = false) const;
    int64_t asInteger(int64_t fallback = 0) const;
    int asInt(int fallback = 0) const { return static_cast<int>(asInteger(fallback)); }
    double asDouble(double fallback = 0) const;
    float asFloat(float fallback = 0) const { return static_cast<float>(asDouble(fallback)); }
    // Strings as they are; numbers in their plain decimal form; others the fallback.
    std::string asString(const std::string& fallback = {}) const;

    // Typed access; an empty/zero value when the type differs.
    const std::string& string() const;
    const Bytes& data() const;
    Date date() const { return isDate() ? Date { real_ } : Date {}; }
    const ValueArray& array() const;
    const ValueDictionary& dictionary() const;
    // Mutable access; converts a nil value into an empty container first.
    ValueArray& mutableArray();
    ValueDictionary& mutableDictionary();

    // Dictionary lookup shorthand: nil when absent or not a dictionary.
    const Value& operator[](std::string_view key) const;
    // Array element shorthand: nil when out of range or not an array.
    const Value& operator[](size_t index) const;
    size_t size() const; // elements of an array or dictionary, bytes of data or string

    friend bool operator==(const Value& a, const Value& b);
    friend bool operator!=(const Value& a, const Value& b) { return !(a == b); }

    static const Value& nil();
    std::string debugDescription() const;

private:
    void releaseTree() noexcept;

    Type type_ { Type::Nil };
    int64_t int_ { 0 };
    double real_ { 0 };
    std::shared_ptr<std::string> str_;
    std::shared_ptr<Bytes> data_;
    std::shared_ptr<ValueArray> array_;
    std::shared_ptr<ValueDictionary> dict_;
};

class ValueArray {
public:
    ValueArray() = default;
    ValueArray(std::initializer_list<Value> values) : items_(values) { }
    explicit ValueArray(std::vector<Value> values) : items_(std::move(values)) { }

    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const Value& operator[](size_t i) const { return i < items_.size() ? items_[i] : Value::nil(); }
    Value& at(size_t i) { return items_.at(i); }
    void push_back(Value v) { items_.push_back(std::move(v)); }
    void insert(size_t i, Value v) { items_.insert(items_.begin() + static_cast<long>(std::min(i, items_.size())), std::move(v)); }
    void erase(size_t i) { if (i < items_.size()) items_.erase(items_.begin() + static_cast<long>(i)); }
    void clear() { items_.clear(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    const std::vector<Value>& values() const { return items_; }
    friend bool operator==(const ValueArray& a, const ValueArray& b) { return a.items_ == b.items_; }

private:
    std::vector<Value> items_;
};

class ValueDictionary {
public:
    using Entry = std::pair<std::string, Value>;

    ValueDictionary() = default;
    ValueDictionary(std::initializer_list<Entry> entries);

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    // Null when absent.
    const Value* find(std::string_view key) const;
    Value* find(std::string_view key);
    // Nil when absent.
    const Value& get(std::string_view key) const;
    const Value& operator[](std::string_view key) const { return get(key); }
    // Replaces in place (keeping the key's position) or appends.
    void set(std::string key, Value v);
    bool remove(std::string_view key);
    void clear();

    // Entries in insertion order.
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }
    const std::vector<Entry>& entries() const { return entries_; }
    std::vector<std::string> keys() const;

    // Equal when they hold the same keys with equal values, in any order.
    friend bool operator==(const ValueDictionary& a, const ValueDictionary& b);

private:
    friend class Value; // takes a deep tree apart
    void reindex();
    std::vector<Entry> entries_;
    std::unordered_map<std::string, size_t> index_;
};

} // namespace platform
