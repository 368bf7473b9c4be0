// Resources from XML answers and back: field maps, nested resources, arrays,
// and the answer envelope (sections, paging header, meta-data, notifications).
#include "social/runtime/QVResource.h"

#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/runtime/QVXmlDocument.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace quorvel {

using platform::Object;
using platform::Ref;

namespace {

// Matches the parser's nesting cap; also stops a resource that nests itself
// from being written forever.
constexpr int kMaxDepth = 256;

std::mutex& registryLock()
{
    static std::mutex m;
    return m;
}

std::map<std::string, const QVResourceClass*>& registry()
{
    static std::map<std::string, const QVResourceClass*> r;
    return r;
}

const QVResourceClass* classForElement(const std::string& name, const QVResourceNameMap& names)
{
    if (const QVResourceClass* cls = names.find(name))
        return cls;
    return QVResourceClass::withResourceName(name);
}

// Header numbers are unsigned decimals; anything else reads as 0.
unsigned int headerNumber(const QVXmlElement& header, const char* name)
{
    std::string text = header.childText(name);
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || text[start] < '0' || text[start] > '9')
        return 0;
    unsigned long long v = std::strtoull(text.c_str() + start, nullptr, 10);
    return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<unsigned int>(v);
}

Ref<QVPaginatedSeriesHeader> readHeader(const QVXmlElement& element)
{
    auto h = QVPaginatedSeriesHeader::header();
    h->currentOffset = headerNumber(element, "current_offset");
    h->currentPage = headerNumber(element, "current_page");
    h->totalPages = headerNumber(element, "total_pages");
    h->perPage = headerNumber(element, "per_page");
    h->totalObjects = headerNumber(element, "total_objects");
    return h;
}

Ref<QVResource> readResource(const QVResourceClass& cls, const QVXmlElement& element, const QVResourceNameMap& names)
{
    Ref<QVResource> r = cls.create();
    r->populateFromXml(element, names);
    return r;
}

constexpr const char* kServerNotification = "server_notification";

void readInto(const QVXmlElement& element, const QVResourceNameMap& names, QVPaginatedSeries& series, bool top)
{
    for (const auto& childPtr : element.children) {
        const QVXmlElement& child = *childPtr;
        // A notification is a message for the player, whatever the service's names say.
        if (child.name == kServerNotification) {
            QVRequestUIRole::current().showServerNotification(child, names);
        } else if (const QVResourceClass* cls = names.find(child.name)) {
            series.objects().push_back(readResource(*cls, child, names));
        } else if (child.name == "pagination_header") {
            series.setHeader(readHeader(child));
        } else if (child.name == "resource_sections" && top) {
            for (const auto& sectionPtr : child.children) {
                if (sectionPtr->name != "resource_section")
                    continue;
                auto page = QVPaginatedSeries::paginatedSeries();
                readInto(*sectionPtr, names, *page, false);
                auto section = QVTableSectionDescription::sectionWithTitle(sectionPtr->childText("title"), page);
                section->setIdentifier(sectionPtr->childText("identifier"));
                series.objects().push_back(section);
            }
        } else if (child.name == "table_meta_data") {
            for (const auto& meta : child.children) {
                if (meta->name == kServerNotification)
                    QVRequestUIRole::current().showServerNotification(*meta, names);
                else if (const QVResourceClass* cls = classForElement(meta->name, names))
                    series.tableMetaDataObjects().push_back(readResource(*cls, *meta, names));
            }
        }
    }
}

} // namespace

const QVResourceClass* QVResourceClass::withResourceName(const std::string& resourceName)
{
    std::lock_guard lock(registryLock());
    auto found = registry().find(resourceName);
    return found == registry().end() ? nullptr : found->second;
}

void QVResourceClass::registerClass(const QVResourceClass& cls)
{
    std::lock_guard lock(registryLock());
    registry().emplace(cls.resourceName(), &cls);
}

void QVResource::populateFromXml(const QVXmlElement& element, const QVResourceNameMap& names)
{
    populate(element, names, 0);
}

void QVResource::populate(const QVXmlElement& element, const QVResourceNameMap& names, int depth)
{
    if (const QVXmlElement* id = element.child("id"))
        resourceId_ = id->text;
    else if (const std::string* attr = element.attribute("id"))
        resourceId_ = *attr;
    if (depth >= kMaxDepth)
        return;

    const QVResourceDataMap& map = resourceClass().dataMap();
    for (const auto& childPtr : element.children) {
        const QVXmlElement& child = *childPtr;
        const QVResourceDataMap::Field* field = map.find(child.name);
        if (!field)
            continue;
        switch (field->kind) {
        case QVResourceDataMap::Kind::Plain:
            field->setText(*this, child.text);
            break;
        case QVResourceDataMap::Kind::Nested: {
            Ref<QVResource> nested = field->resourceClass->create();
            nested->populate(child, names, depth + 1);
            field->setNested(*this, nested);
            break;
        }
        case QVResourceDataMap::Kind::NestedArray: {
            QVResourceArray items;
            for (const auto& itemPtr : child.children) {
                if (const QVResourceClass* cls = classForElement(itemPtr->name, names)) {
                    Ref<QVResource> item = cls->create();
                    item->populate(*itemPtr, names, depth + 1);
                    items.push_back(item);
                }
            }
            field->setArray(*this, items);
            break;
        }
        }
    }
}

Ref<QVPaginatedSeries> QVResource::resourcesFromXml(const QVXmlDocument* document, const QVResourceNameMap& names)
{
    if (!document || !document->topElement())
        return nullptr;
    const QVXmlElement& top = *document->topElement();
    auto series = QVPaginatedSeries::paginatedSeries();
    if (top.name == kServerNotification)
        QVRequestUIRole::current().showServerNotification(top, names);
    else if (const QVResourceClass* cls = names.find(top.name))
        series->objects().push_back(readResource(*cls, top, names));
    else
        readInto(top, names, *series, true);
    return series;
}

std::string QVResource::toResourceArrayXml() const
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<resources>";
    writeXml(out, resourceClass().resourceName());
    out += "</resources>\n";
    return out;
}

void QVResource::writeXml(std::string& out, const std::string& elementName) const { write(out, elementName, 0); }

void QVResource::write(std::string& out, const std::string& elementName, int depth) const
{
    out += "<" + elementName + ">";
    if (!resourceId_.empty())
        out += "<id>" + QVXmlEscape(resourceId_) + "</id>";
    if (depth < kMaxDepth) {
        for (const auto& field : resourceClass().dataMap().fields()) {
            if (!field.hasGetter() || field.name == "id")
                continue;
            switch (field.kind) {
            case QVResourceDataMap::Kind::Plain:
                out += "<" + field.name + ">" + QVXmlEscape(field.getText(*this)) + "</" + field.name + ">";
                break;
            case QVResourceDataMap::Kind::Nested:
                if (Ref<QVResource> nested = field.getNested(*this))
                    nested->write(out, field.name, depth + 1);
                break;
            case QVResourceDataMap::Kind::NestedArray:
                out += "<" + field.name + ">";
                for (const auto& item : field.getArray(*this)) {
                    if (item)
                        item->write(out, item->resourceClass().resourceName(), depth + 1);
                }
                out += "</" + field.name + ">";
                break;
            }
        }
    }
    out += "</" + elementName + ">";
}

} // namespace quorvel
