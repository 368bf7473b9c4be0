// The class object of a resource type: what the XML reader needs to make and
// fill a resource of that type without knowing it (its element name, its field
// map, its factory, its discovered notification).
//
// A resource class declares itself with QV_DECLARE_RESOURCE(Class) and provides
//     static std::string getResourceName();                 // the XML element
//     static void getDataMap(QVResourceDataMap& map);       // its fields, base first
// and optionally getResourceDiscoveredNotification() and getService() (the
// shared service of its records, which list and record screens ask). The map is built once,
// on first use, and kept to the end of the process. Class objects register
// themselves by resource name on first use (the type registry).
#pragma once

#include "platform/foundation/Object.h"

#include <string>

namespace quorvel {

class QVResource;
class QVResourceDataMap;
class QVService;

class QVResourceClass {
public:
    virtual ~QVResourceClass() = default;
    virtual const std::string& className() const = 0;
    virtual const std::string& resourceName() const = 0;
    virtual std::string resourceDiscoveredNotification() const = 0;
    virtual const QVResourceDataMap& dataMap() const = 0;
    virtual platform::Ref<QVResource> create() const = 0;
    // What one record of the class takes, its fields' own heap aside.
    virtual size_t instanceSize() const = 0;
    // The shared service of this class's records, or null.
    virtual QVService* service() const = 0;

    // The registered class of that element name, or null.
    static const QVResourceClass* withResourceName(const std::string& resourceName);

protected:
    static void registerClass(const QVResourceClass& cls);
};

template <typename T>
class QVResourceClassOf final : public QVResourceClass {
public:
    static const QVResourceClassOf& instance(const char* className)
    {
        static const QVResourceClassOf cls(className);
        return cls;
    }

    const std::string& className() const override { return className_; }
    const std::string& resourceName() const override { return resourceName_; }
    std::string resourceDiscoveredNotification() const override { return T::getResourceDiscoveredNotification(); }
    const QVResourceDataMap& dataMap() const override;
    platform::Ref<QVResource> create() const override { return platform::adoptRef(new T); }
    size_t instanceSize() const override { return sizeof(T); }
    QVService* service() const override { return T::getService(); }

private:
    explicit QVResourceClassOf(const char* className) : className_(className), resourceName_(T::getResourceName())
    {
        registerClass(*this);
    }
    std::string className_;
    std::string resourceName_;
};

} // namespace quorvel

// Inside a resource class declaration: the class object and the factory access it needs.
#define QV_DECLARE_RESOURCE(Class)                                                                           \
public:                                                                                                      \
    static const ::quorvel::QVResourceClass& staticResourceClass()                                           \
    {                                                                                                        \
        return ::quorvel::QVResourceClassOf<Class>::instance(#Class);                                        \
    }                                                                                                        \
    const ::quorvel::QVResourceClass& resourceClass() const override { return staticResourceClass(); }      \
    std::string className() const override { return #Class; }                                               \
                                                                                                             \
private:                                                                                                     \
    friend class ::quorvel::QVResourceClassOf<Class>;
