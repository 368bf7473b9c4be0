// QVResource: the base of every record the service sends (users, scores,
// achievements, ...), read from and written back to XML through its class's
// field map.
//
// Reading an element sets resourceId from its <id> child (or its id attribute),
// then hands every child whose name is in the field map to that field's
// setter; other children are skipped. resourcesFromXml turns a whole answer
// into a QVPaginatedSeries: resources, sections, paging header and table
// meta-data; server notifications go to the request UI role instead of the series.
// The answer envelope is described in docs/wire-format.md.
#pragma once

#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVResourceDataMap.h"
#include "social/runtime/QVResourceNameMap.h"

#include <memory>
#include <string>

namespace platform {
class SaxHandler;
}

namespace quorvel {

struct QVXmlElement;
class QVXmlDocument;

class QVResource : public platform::Object {
public:
    const std::string& resourceId() const { return resourceId_; }
    void setResourceId(const std::string& id) { resourceId_ = id; }
    bool initWithId(std::string id)
    {
        resourceId_ = std::move(id);
        return true;
    }

    virtual const QVResourceClass& resourceClass() const = 0;

    // Defaults that resource classes may hide with their own.
    static std::string getResourceDiscoveredNotification() { return {}; }
    static void getDataMap(QVResourceDataMap&) { }
    // The shared service of the class's records; null unless the class names one.
    // Through a resource of unknown class: resource->resourceClass().service().
    static QVService* getService() { return nullptr; }

    // Fills this resource from its element; `names` resolves the elements of array fields.
    void populateFromXml(const QVXmlElement& element, const QVResourceNameMap& names);

    // The answer as a series; null when there is no document (a malformed
    // answer), or when the document is no answer: the service's error list
    // (top element <errors>) or an HTML page (QVAnswer), or a paging number no
    // count can be (beyond what an int holds).
    static platform::Ref<QVPaginatedSeries> resourcesFromXml(const QVXmlDocument* document,
                                                             const QVResourceNameMap& names);

    // The same straight from an answer's bytes, without building the document
    // first (large lists); null (with the reason in *error) when the bytes are
    // not one well-formed document, or are no answer as above.
    static platform::Ref<QVPaginatedSeries> resourcesFromData(const void* bytes, size_t length,
                                                              const QVResourceNameMap& names,
                                                              std::string* error = nullptr);

    // This resource as an answer document: <resources> holding its element.
    std::string toResourceArrayXml() const;
    // Appends this resource as the element `elementName`.
    void writeXml(std::string& out, const std::string& elementName) const;

protected:
    QVResource() = default;

private:
    void write(std::string& out, const std::string& elementName, int depth) const;

    std::string resourceId_;
};

// Reads one resource's element from parser events, as populateFromXml reads
// an element already built: a reader that takes the events itself hands this
// handler the element's start, everything inside it and its end.
class QVResourceEventReader {
public:
    QVResourceEventReader(QVResource& target, const QVResourceNameMap& names);
    ~QVResourceEventReader();
    QVResourceEventReader(const QVResourceEventReader&) = delete;
    QVResourceEventReader& operator=(const QVResourceEventReader&) = delete;
    platform::SaxHandler& handler();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace quorvel
