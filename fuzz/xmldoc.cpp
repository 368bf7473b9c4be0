// Fuzz target: XML answers through the whole reading path — the event parser,
// the document, path lookups, the resource reader and writing back.
#include "social/runtime/QVResource.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/runtime/QVXmlDocument.h"

#include <string>

using namespace quorvel;
using platform::Ref;

namespace {

class FuzzUser : public QVResource {
    QV_DECLARE_RESOURCE(FuzzUser)
public:
    static std::string getResourceName() { return "user"; }
    static void getDataMap(QVResourceDataMap& map) { map.addField("name", &FuzzUser::setName, &FuzzUser::name); }
    const std::string& name() const { return name_; }
    void setName(const std::string& n) { name_ = n; }
    std::string name_;
};

class FuzzScore : public QVResource {
    QV_DECLARE_RESOURCE(FuzzScore)
public:
    static std::string getResourceName() { return "high_score"; }
    static void getDataMap(QVResourceDataMap& map)
    {
        map.addField("score", &FuzzScore::setScore, &FuzzScore::score);
        map.addNestedResourceField("user", &FuzzScore::setUser, &FuzzScore::user);
        map.addNestedResourceField("rival", &FuzzScore::setRival, &FuzzScore::rival);
        map.addNestedResourceArrayField("items", &FuzzScore::setItems, &FuzzScore::items);
    }
    const std::string& score() const { return score_; }
    void setScore(const std::string& s) { score_ = s; }
    Ref<FuzzUser> user() const { return user_; }
    void setUser(const Ref<FuzzUser>& u) { user_ = u; }
    Ref<FuzzScore> rival() const { return rival_; }
    void setRival(const Ref<FuzzScore>& r) { rival_ = r; }
    const QVResourceArray& items() const { return items_; }
    void setItems(const QVResourceArray& i) { items_ = i; }
    std::string score_;
    Ref<FuzzUser> user_;
    Ref<FuzzScore> rival_;
    QVResourceArray items_;
};

void writeAll(const QVPaginatedSeries& series)
{
    for (const auto& object : series) {
        if (auto* r = dynamic_cast<QVResource*>(object.get()))
            (void)r->toResourceArrayXml();
        else if (auto* section = dynamic_cast<QVTableSectionDescription*>(object.get()); section && section->page())
            writeAll(*section->page());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto doc = QVXmlDocument::xmlDocumentWithData(data, size);
    if (!doc)
        return 0;
    (void)doc->getElementValue("errors.TwitterCredential");
    (void)doc->getElementValue("resources.user.name");
    QVResourceNameMap names;
    names.addResource<FuzzUser>("user");
    names.addResource<FuzzScore>("high_score");
    if (auto series = QVResource::resourcesFromXml(doc.get(), names))
        writeAll(*series);
    return 0;
}
