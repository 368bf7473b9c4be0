// The serialiser interface: one set of named io operations that writers
// (request parameters, archives) and readers (archives) implement, so a record
// describes its fields once in serialize(QVISerializer&).
//
// Values are passed by reference: a writer reads them, a reader fills them. A
// reader leaves a value untouched when its key is missing, so the caller's
// initial value is the default. Scopes nest names; a series scope holds the
// elements of an array, each in its own element scope (see ioArray).
#pragma once

#include "platform/foundation/Object.h"

#include "platform/foundation/Value.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVISerializer : public platform::Object {
public:
    virtual bool isReading() const = 0;
    bool isWriting() const { return !isReading(); }

    virtual void io(const char* name, bool& value) = 0;
    virtual void io(const char* name, int& value) = 0;
    virtual void io(const char* name, unsigned int& value) = 0;
    virtual void io(const char* name, int64_t& value) = 0;
    virtual void io(const char* name, double& value) = 0;
    virtual void io(const char* name, std::string& value) = 0;
    // A string that may be absent (nil): writers skip an absent one.
    virtual void io(const char* name, std::optional<std::string>& value) = 0;
    // A blob: writers skip an absent one.
    virtual void io(const char* name, std::optional<platform::Bytes>& value) = 0;
    // The element count of the series scope that is open ("num_elements").
    virtual void ioElementCount(unsigned int& count) = 0;

    // Opens a named scope for its lifetime; a null name opens none.
    class Scope {
    public:
        Scope(QVISerializer& serializer, const char* name, bool isSeries = false)
            : serializer_(name ? &serializer : nullptr)
        {
            if (serializer_)
                serializer_->beginScope(name, isSeries);
        }
        ~Scope()
        {
            if (serializer_)
                serializer_->endScope();
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        QVISerializer* serializer_;
    };

    // A vector as a series scope `name`: its element count, then each element
    // in an element scope `elementName`. A reader resizes the vector first.
    template <typename T>
    void ioArray(const char* name, std::vector<T>& items, const char* elementName = "entry");

protected:
    friend class Scope;
    virtual void beginScope(const char* name, bool isSeries) = 0;
    virtual void endScope() = 0;
    // The most elements a reader will make for one series (bounded by its input).
    virtual size_t maxReadableElements() const { return std::numeric_limits<unsigned int>::max(); }
};

// How one array element is read or written: records have serialize(s); a
// counted record held by pointer is built by its reading constructor T(s).
template <typename T>
void QVSerializeElement(QVISerializer& s, T& item)
{
    item.serialize(s);
}

template <typename T>
void QVSerializeElement(QVISerializer& s, platform::Ref<T>& item)
{
    if (s.isReading())
        item = platform::adoptRef(new T(s));
    else if (item)
        item->serialize(s);
}

template <typename T>
void QVISerializer::ioArray(const char* name, std::vector<T>& items, const char* elementName)
{
    Scope series(*this, name, true);
    unsigned int count = static_cast<unsigned int>(items.size());
    ioElementCount(count);
    if (isReading() && count != items.size())
        items.resize(std::min<size_t>(count, maxReadableElements()));
    for (auto& item : items) {
        Scope element(*this, elementName);
        QVSerializeElement(*this, item);
    }
}

} // namespace quorvel
