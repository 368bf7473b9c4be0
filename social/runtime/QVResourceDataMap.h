// QVResourceDataMap: a resource class's ordered table of fields — the XML
// element name of each, how to set it from an answer and how to read it back.
//
// Plain fields carry text; a nested field's element is itself a resource of the
// field's class; an array field's element holds resource elements named by
// their class. A field without getter is read but never written back.
#pragma once

#include "social/runtime/QVResourceClass.h"

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace quorvel {

using QVResourceArray = std::vector<platform::Ref<QVResource>>;

class QVResourceDataMap {
public:
    enum class Kind { Plain, Nested, NestedArray };

    struct Field {
        std::string name;
        Kind kind { Kind::Plain };
        const QVResourceClass* resourceClass { nullptr }; // nested fields
        std::function<void(QVResource&, const std::string&)> setText;
        std::function<std::string(const QVResource&)> getText;
        std::function<void(QVResource&, const platform::Ref<QVResource>&)> setNested;
        std::function<platform::Ref<QVResource>(const QVResource&)> getNested;
        std::function<void(QVResource&, const QVResourceArray&)> setArray;
        std::function<QVResourceArray(const QVResource&)> getArray;
        bool hasGetter() const { return getText || getNested || getArray; }
    };

    // setter: void (T::*)(const std::string&); getter: a const member answering
    // the text, or nullptr for none.
    template <typename T, typename Getter = std::nullptr_t>
    void addField(std::string name, void (T::*setter)(const std::string&), Getter getter = nullptr)
    {
        Field f;
        f.name = std::move(name);
        f.setText = [setter](QVResource& r, const std::string& v) { (static_cast<T&>(r).*setter)(v); };
        if constexpr (!std::is_null_pointer_v<Getter>)
            f.getText = [getter](const QVResource& r) { return std::string((static_cast<const T&>(r).*getter)()); };
        fields_.push_back(std::move(f));
    }

    // setter: void (T::*)(const Ref<U>&); the nested element is read as a U.
    template <typename T, typename U, typename Getter = std::nullptr_t>
    void addNestedResourceField(std::string name, void (T::*setter)(const platform::Ref<U>&), Getter getter = nullptr)
    {
        Field f;
        f.name = std::move(name);
        f.kind = Kind::Nested;
        f.resourceClass = &U::staticResourceClass();
        f.setNested = [setter](QVResource& r, const platform::Ref<QVResource>& v) {
            (static_cast<T&>(r).*setter)(platform::Ref<U>(static_cast<U*>(v.get())));
        };
        if constexpr (!std::is_null_pointer_v<Getter>)
            f.getNested = [getter](const QVResource& r) {
                return platform::Ref<QVResource>((static_cast<const T&>(r).*getter)());
            };
        fields_.push_back(std::move(f));
    }

    // setter: void (T::*)(const QVResourceArray&); elements by their class's element name.
    template <typename T, typename Getter = std::nullptr_t>
    void addNestedResourceArrayField(std::string name, void (T::*setter)(const QVResourceArray&), Getter getter = nullptr)
    {
        Field f;
        f.name = std::move(name);
        f.kind = Kind::NestedArray;
        f.setArray = [setter](QVResource& r, const QVResourceArray& v) { (static_cast<T&>(r).*setter)(v); };
        if constexpr (!std::is_null_pointer_v<Getter>)
            f.getArray = [getter](const QVResource& r) { return QVResourceArray((static_cast<const T&>(r).*getter)()); };
        fields_.push_back(std::move(f));
    }

    // Appends a field made by hand (QVResourceFields builds them from member pointers).
    void add(Field field) { fields_.push_back(std::move(field)); }

    // The first field of that element name, or null.
    const Field* find(const std::string& name) const
    {
        for (const auto& f : fields_) {
            if (f.name == name)
                return &f;
        }
        return nullptr;
    }
    const std::vector<Field>& fields() const { return fields_; }

private:
    std::vector<Field> fields_;
};

template <typename T>
const QVResourceDataMap& QVResourceClassOf<T>::dataMap() const
{
    static const QVResourceDataMap map = [] {
        QVResourceDataMap m;
        T::getDataMap(m);
        return m;
    }();
    return map;
}

} // namespace quorvel
