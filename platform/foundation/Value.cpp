// The property-list variant and its coercions.
#include "platform/foundation/Value.h"
#include "platform/foundation/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace platform {

namespace {
const std::string emptyString;
const Bytes emptyBytes;
const ValueArray emptyArray;
const ValueDictionary emptyDictionary;

// Leading-number parse in the platform's manner: optional spaces and sign, then digits.
int64_t parseLeadingInteger(const std::string& s)
{
    const char* p = s.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')
        ++p;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(p, &end, 10);
    if (end == p)
        return 0;
    return v;
}

double parseLeadingDouble(const std::string& s)
{
    const char* p = s.c_str();
    char* end = nullptr;
    double v = parseDouble(p, &end);
    return end == p ? 0.0 : v;
}

int64_t clampToInteger(double d)
{
    if (std::isnan(d))
        return 0;
    if (d >= 9.2e18)
        return std::numeric_limits<int64_t>::max();
    if (d <= -9.2e18)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(d);
}
} // namespace

Value::Value(ValueArray a)
    : type_(Type::Array), array_(std::make_shared<ValueArray>(std::move(a)))
{
}

Value::Value(ValueDictionary d)
    : type_(Type::Dictionary), dict_(std::make_shared<ValueDictionary>(std::move(d)))
{
}

void Value::releaseTree() noexcept
{
    // The usual case, a flat container or one shared with another value,
    // goes with the members.
    auto nested = [](const Value& child) { return child.array_ || child.dict_; };
    bool deep = false;
    if (array_ && array_.use_count() == 1)
        deep = std::any_of(array_->begin(), array_->end(), nested);
    else if (dict_ && dict_.use_count() == 1)
        deep = std::any_of(dict_->begin(), dict_->end(), [&](const ValueDictionary::Entry& e) { return nested(e.second); });
    if (!deep)
        return;
    // A nested one is taken apart from a list: each container alone here
    // gives up its containers to the list before it goes, so it only frees
    // leaves, and depth costs no stack (a tree built in code may nest
    // hundreds of thousands deep).
    std::vector<Value> doomed;
    doomed.push_back(std::move(*this));
    while (!doomed.empty()) {
        Value v = std::move(doomed.back());
        doomed.pop_back();
        auto take = [&](Value& child) {
            if (nested(child))
                doomed.push_back(std::move(child));
        };
        if (v.array_ && v.array_.use_count() == 1)
            for (Value& child : *v.array_)
                take(child);
        if (v.dict_ && v.dict_.use_count() == 1)
            for (auto& entry : v.dict_->entries_)
                take(entry.second);
        v.array_.reset();
        v.dict_.reset();
    }
}

const Value& Value::nil()
{
    static const Value n;
    return n;
}

bool Value::asBool(bool fallback) const
{
    switch (type_) {
    case Type::Bool:
    case Type::Integer:
        return int_ != 0;
    case Type::Real:
        return real_ != 0;
    case Type::String: {
        // "YES", "true", or a non-zero number, after leading spaces and zeros.
        const char* p = str_->c_str();
        while (*p == ' ' || *p == '\t' || *p == '\n')
            ++p;
        if (*p == '+' || *p == '-')
            ++p;
        while (*p == '0')
            ++p;
        char c = *p;
        return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
    }
    default:
        return fallback;
    }
}

int64_t Value::asInteger(int64_t fallback) const
{
    switch (type_) {
    case Type::Bool:
    case Type::Integer:
        return int_;
    case Type::Real:
        return clampToInteger(real_);
    case Type::String:
        return parseLeadingInteger(*str_);
    default:
        return fallback;
    }
}

double Value::asDouble(double fallback) const
{
    switch (type_) {
    case Type::Bool:
    case Type::Integer:
        return static_cast<double>(int_);
    case Type::Real:
    case Type::Date:
        return real_;
    case Type::String:
        return parseLeadingDouble(*str_);
    default:
        return fallback;
    }
}

std::string Value::asString(const std::string& fallback) const
{
    switch (type_) {
    case Type::String:
        return *str_;
    case Type::Bool:
    case Type::Integer:
        return std::to_string(int_);
    case Type::Real: {
        std::string s = format("%.17g", real_);
        // Shortest form that reads back the same.
        for (int prec = 1; prec < 17; ++prec) {
            std::string t = format("%.*g", prec, real_);
            if (parseDouble(t.c_str(), nullptr) == real_)
                return t;
        }
        return s;
    }
    default:
        return fallback;
    }
}

const std::string& Value::string() const { return isString() ? *str_ : emptyString; }
const Bytes& Value::data() const { return isData() ? *data_ : emptyBytes; }
const ValueArray& Value::array() const { return isArray() ? *array_ : emptyArray; }
const ValueDictionary& Value::dictionary() const { return isDictionary() ? *dict_ : emptyDictionary; }

ValueArray& Value::mutableArray()
{
    if (!isArray()) {
        *this = Value(ValueArray {});
    } else if (array_.use_count() > 1) {
        array_ = std::make_shared<ValueArray>(*array_);
    }
    return *array_;
}

ValueDictionary& Value::mutableDictionary()
{
    if (!isDictionary()) {
        *this = Value(ValueDictionary {});
    } else if (dict_.use_count() > 1) {
        dict_ = std::make_shared<ValueDictionary>(*dict_);
    }
    return *dict_;
}

const Value& Value::operator[](std::string_view key) const
{
    return isDictionary() ? dict_->get(key) : nil();
}

const Value& Value::operator[](size_t index) const
{
    return isArray() ? (*array_)[index] : nil();
}

size_t Value::size() const
{
    switch (type_) {
    case Type::Array: return array_->size();
    case Type::Dictionary: return dict_->size();
    case Type::Data: return data_->size();
    case Type::String: return str_->size();
    default: return 0;
    }
}

bool operator==(const Value& a, const Value& b)
{
    if (a.type_ != b.type_) {
        // Numbers compare by value across integer and real.
        if (a.isNumber() && b.isNumber())
            return a.asDouble() == b.asDouble();
        return false;
    }
    switch (a.type_) {
    case Value::Type::Nil: return true;
    case Value::Type::Bool:
    case Value::Type::Integer: return a.int_ == b.int_;
    case Value::Type::Real:
    case Value::Type::Date: return a.real_ == b.real_;
    case Value::Type::String: return *a.str_ == *b.str_;
    case Value::Type::Data: return *a.data_ == *b.data_;
    case Value::Type::Array: return *a.array_ == *b.array_;
    case Value::Type::Dictionary: return *a.dict_ == *b.dict_;
    }
    return false;
}

std::string Value::debugDescription() const
{
    switch (type_) {
    case Type::Nil: return "nil";
    case Type::Bool: return int_ ? "true" : "false";
    case Type::Integer:
    case Type::Real: return asString();
    case Type::String: return "\"" + *str_ + "\"";
    case Type::Data: return format("<%zu bytes>", data_->size());
    case Type::Date: return format("<date %.3f>", real_);
    case Type::Array: {
        std::string s = "(";
        for (size_t i = 0; i < array_->size(); ++i)
            s += (i ? ", " : "") + (*array_)[i].debugDescription();
        return s + ")";
    }
    case Type::Dictionary: {
        std::string s = "{";
        bool first = true;
        for (auto& [k, v] : *dict_) {
            s += (first ? "" : "; ") + k + " = " + v.debugDescription();
            first = false;
        }
        return s + "}";
    }
    }
    return {};
}

ValueDictionary::ValueDictionary(std::initializer_list<Entry> entries)
{
    for (auto& e : entries)
        set(e.first, e.second);
}

const Value* ValueDictionary::find(std::string_view key) const
{
    auto it = index_.find(std::string(key));
    return it == index_.end() ? nullptr : &entries_[it->second].second;
}

Value* ValueDictionary::find(std::string_view key)
{
    auto it = index_.find(std::string(key));
    return it == index_.end() ? nullptr : &entries_[it->second].second;
}

const Value& ValueDictionary::get(std::string_view key) const
{
    const Value* v = find(key);
    return v ? *v : Value::nil();
}

void ValueDictionary::set(std::string key, Value v)
{
    if (Value* existing = find(key)) {
        *existing = std::move(v);
        return;
    }
    index_.emplace(key, entries_.size());
    entries_.emplace_back(std::move(key), std::move(v));
}

bool ValueDictionary::remove(std::string_view key)
{
    auto it = index_.find(std::string(key));
    if (it == index_.end())
        return false;
    entries_.erase(entries_.begin() + static_cast<long>(it->second));
    reindex();
    return true;
}

void ValueDictionary::clear()
{
    entries_.clear();
    index_.clear();
}

std::vector<std::string> ValueDictionary::keys() const
{
    std::vector<std::string> out;
    out.reserve(entries_.size());
    for (auto& e : entries_)
        out.push_back(e.first);
    return out;
}

void ValueDictionary::reindex()
{
    index_.clear();
    for (size_t i = 0; i < entries_.size(); ++i)
        index_[entries_[i].first] = i;
}

bool operator==(const ValueDictionary& a, const ValueDictionary& b)
{
    if (a.size() != b.size())
        return false;
    for (auto& [k, v] : a) {
        const Value* other = b.find(k);
        if (!other || !(*other == v))
            return false;
    }
    return true;
}

} // namespace platform
