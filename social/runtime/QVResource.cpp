// The class registry, and resources written back as XML (the reading is in
// QVResourceStream.cpp).
#include "social/runtime/QVResource.h"

#include "social/runtime/QVXmlDocument.h"

#include <map>
#include <mutex>

namespace quorvel {

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
