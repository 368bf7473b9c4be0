// QVResourceFields: a resource's field map written as one table of member
// pointers and converters, instead of a setter and a getter body per field.
//
//     static void getDataMap(QVResourceDataMap& map)
//     {
//         QVResourceFields<QVUser> f(map);
//         f.field<QVFieldText>("name", &QVUser::name_);
//         f.field<QVFieldTextOrNil>("profile_picture_url", &QVUser::profilePictureUrl_);
//         f.field<QVFieldBool>("online", &QVUser::online_);            // read and written back
//         f.read<QVFieldExactTrue>("has_global_permissions", &X::flag_); // read only
//         f.nested("user", &QVGamePlayer::user_);                       // Ref<QVUser>
//         f.array("witnesses", &X::witnesses_);                         // QVResourceArray
//         f.custom("value", &X::setValue, &X::value);                   // a setter with its own rule
//     }
//
// A converter turns the element's text into the member's type (read) and the
// member back into text (write). The named setters and getters a resource
// offers to callers stay real methods and use the same converter, e.g.
//     void setOnlineAsString(const std::string& t) { online_ = QVFieldBool::read(t); }
//     std::string getOnlineAsString() const { return QVFieldBool::write(online_); }
#pragma once

#include "social/runtime/QVResource.h"

#include "platform/foundation/Value.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

// Plain text, kept as it is.
struct QVFieldText {
    using Type = std::string;
    static Type read(const std::string& text) { return text; }
    static std::string write(const Type& v) { return v; }
};

// Text where "" means none (nil); none is written as "".
struct QVFieldTextOrNil {
    using Type = std::optional<std::string>;
    static Type read(const std::string& text) { return text.empty() ? Type() : Type(text); }
    static std::string write(const Type& v) { return v.value_or(std::string()); }
};

// A flag: true for text beginning with Y, y, T, t or a digit 1 to 9; written "1" or "0".
struct QVFieldBool {
    using Type = bool;
    static Type read(const std::string& text);
    static std::string write(Type v) { return v ? "1" : "0"; }
};

// A flag that is true only for the exact text "true"; written "true" or "false".
struct QVFieldExactTrue {
    using Type = bool;
    static Type read(const std::string& text) { return text == "true"; }
    static std::string write(Type v) { return v ? "true" : "false"; }
};

// A signed integer: the leading decimal number of the text (after blanks and an
// optional sign), clamped to the int range; 0 when the text starts with no number.
struct QVFieldInteger {
    using Type = int;
    static Type read(const std::string& text);
    static std::string write(Type v) { return std::to_string(v); }
};

// An unsigned 32-bit count: as QVFieldInteger, negative numbers read as 0 and
// numbers above the range as its largest value.
struct QVFieldUnsigned {
    using Type = uint32_t;
    static Type read(const std::string& text);
    static std::string write(Type v) { return std::to_string(v); }
};

// A 64-bit integer (ids, large scores), clamped to its range.
struct QVFieldInt64 {
    using Type = int64_t;
    static Type read(const std::string& text);
    static std::string write(Type v) { return std::to_string(v); }
};

// A real: the leading decimal number of the text, 0 when there is none (and
// for "nan" or "inf"); written with six decimals ("%f").
struct QVFieldDouble {
    using Type = double;
    static Type read(const std::string& text);
    static std::string write(Type v);
};

// A server date "yyyy-MM-dd'T'HH:mm:ss'Z'" (GMT); none when the text is not one.
struct QVFieldRailsDate {
    using Type = std::optional<platform::Date>;
    static Type read(const std::string& text);
    static std::string write(const Type& v);
};

template <typename T>
class QVResourceFields {
public:
    explicit QVResourceFields(QVResourceDataMap& map) : map_(map) { }

    // A plain field read with the converter and written back with it.
    template <typename Converter, typename M>
    QVResourceFields& field(std::string name, M T::*member)
    {
        return add<Converter>(std::move(name), member, true);
    }
    // A plain field that is read but never written back.
    template <typename Converter, typename M>
    QVResourceFields& read(std::string name, M T::*member)
    {
        return add<Converter>(std::move(name), member, false);
    }
    // A nested resource held as Ref<U>; written back when `writeBack`.
    template <typename U>
    QVResourceFields& nested(std::string name, platform::Ref<U> T::*member, bool writeBack = false)
    {
        QVResourceDataMap::Field f;
        f.name = std::move(name);
        f.kind = QVResourceDataMap::Kind::Nested;
        f.resourceClass = &U::staticResourceClass();
        f.setNested = [member](QVResource& r, const platform::Ref<QVResource>& v) {
            static_cast<T&>(r).*member = platform::Ref<U>(dynamic_cast<U*>(v.get()));
        };
        if (writeBack)
            f.getNested = [member](const QVResource& r) { return platform::Ref<QVResource>(static_cast<const T&>(r).*member); };
        map_.add(std::move(f));
        return *this;
    }
    // An array of resources, each element resolved by its element name.
    QVResourceFields& array(std::string name, QVResourceArray T::*member, bool writeBack = false)
    {
        QVResourceDataMap::Field f;
        f.name = std::move(name);
        f.kind = QVResourceDataMap::Kind::NestedArray;
        f.setArray = [member](QVResource& r, const QVResourceArray& v) { static_cast<T&>(r).*member = v; };
        if (writeBack)
            f.getArray = [member](const QVResource& r) { return static_cast<const T&>(r).*member; };
        map_.add(std::move(f));
        return *this;
    }
    // A field with its own setter from text (and optional getter of text).
    template <typename Getter = std::nullptr_t>
    QVResourceFields& custom(std::string name, void (T::*setter)(const std::string&), Getter getter = nullptr)
    {
        map_.addField(std::move(name), setter, getter);
        return *this;
    }

private:
    template <typename Converter, typename M>
    QVResourceFields& add(std::string name, M T::*member, bool writeBack)
    {
        static_assert(std::is_same_v<M, typename Converter::Type>, "the converter does not produce the member's type");
        QVResourceDataMap::Field f;
        f.name = std::move(name);
        f.setText = [member](QVResource& r, const std::string& text) { static_cast<T&>(r).*member = Converter::read(text); };
        if (writeBack)
            f.getText = [member](const QVResource& r) { return Converter::write(static_cast<const T&>(r).*member); };
        map_.add(std::move(f));
        return *this;
    }

    QVResourceDataMap& map_;
};

} // namespace quorvel
