// Fuzz target: service answers read into the services' own records straight
// from the parser's events, which must agree with reading the document first;
// then every record written back.
#include "social/runtime/QVResource.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVGamePlayer.h"
#include "social/services/QVHttpBasicCredential.h"
#include "social/services/QVImageUrl.h"
#include "social/services/QVUser.h"
#include "social/services/QVUsersCredential.h"

#include <cstdlib>
#include <string>

using namespace quorvel;

namespace {

void describe(const QVPaginatedSeries& series, std::string& out)
{
    if (auto* h = series.header())
        out += "[h" + std::to_string(h->currentPage) + "/" + std::to_string(h->totalObjects) + "]";
    for (const auto& object : series) {
        if (auto* r = dynamic_cast<QVResource*>(object.get())) {
            r->writeXml(out, r->resourceClass().resourceName());
        } else if (auto* section = dynamic_cast<QVTableSectionDescription*>(object.get())) {
            out += "[s" + section->title() + "|" + section->identifier();
            if (section->page())
                describe(*section->page(), out);
            out += "]";
        }
    }
    for (const auto& object : series.tableMetaDataObjects()) {
        if (auto* r = dynamic_cast<QVResource*>(object.get()))
            r->writeXml(out, r->resourceClass().resourceName());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QVResourceNameMap names;
    names.addResource<QVUser>("user");
    names.addResource<QVGamePlayer>("game_player");
    names.addResource<QVUsersCredential>("users_credential");
    names.addResource<QVHttpBasicCredential>("http_basic_credential");
    names.addResource<QVImageUrl>("image_url");
    auto fromEvents = QVResource::resourcesFromData(data, size, names);
    auto document = QVXmlDocument::xmlDocumentWithData(data, size);
    auto fromTree = document ? QVResource::resourcesFromXml(document.get(), names) : nullptr;
    if (!fromEvents != !fromTree)
        std::abort(); // one reader accepted what the other refused
    if (fromEvents) {
        std::string a, b;
        describe(*fromEvents, a);
        describe(*fromTree, b);
        if (a != b)
            std::abort();
    }
    return 0;
}
