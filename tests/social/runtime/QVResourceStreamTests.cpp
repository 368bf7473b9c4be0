// Reading answers from the parser's events must give what reading the
// document gives: the same resources, sections, headers, meta-data and
// notifications, for every shape of the envelope and for damaged input.
#include "social/runtime/QVResource.h"
#include "social/runtime/QVResourceFields.h"
#include "social/runtime/TestRuntimeRoles.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVUser.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

using namespace quorvel;
using platform::Ref;

namespace {

class Widget : public QVResource {
    QV_DECLARE_RESOURCE(Widget)
public:
    static std::string getResourceName() { return "widget"; }
    static void getDataMap(QVResourceDataMap& map)
    {
        QVResourceFields<Widget> f(map);
        f.field<QVFieldText>("name", &Widget::name_);
        f.field<QVFieldInteger>("size", &Widget::size_);
        f.nested("part", &Widget::part_, true);
        f.array("parts", &Widget::parts_, true);
    }
    std::string name_;
    int size_ { 0 };
    Ref<Widget> part_;
    QVResourceArray parts_;
};

// A record whose map names its id as a field too.
class Tag : public QVResource {
    QV_DECLARE_RESOURCE(Tag)
public:
    static std::string getResourceName() { return "tag"; }
    static void getDataMap(QVResourceDataMap& map)
    {
        QVResourceFields<Tag> f(map);
        f.field<QVFieldText>("id", &Tag::idField_);
        f.field<QVFieldText>("label", &Tag::label_);
    }
    std::string idField_, label_;
};

class NoticeHost : public TestRuntimeRoles {
public:
    void showServerNotification(const QVXmlElement& e, const QVResourceNameMap&) override
    {
        std::string s = e.name + ":" + e.text;
        for (const auto& c : e.children)
            s += "<" + c->name + "=" + c->text + ">";
        shown.push_back(s);
    }
    std::vector<std::string> shown;
};

void describe(const QVPaginatedSeries& s, std::string& out)
{
    if (auto* h = s.header())
        out += "[header " + std::to_string(h->currentOffset) + "," + std::to_string(h->currentPage) + ","
            + std::to_string(h->totalPages) + "," + std::to_string(h->perPage) + "," + std::to_string(h->totalObjects)
            + "]";
    for (const auto& o : s) {
        if (auto* r = dynamic_cast<QVResource*>(o.get())) {
            r->writeXml(out, r->resourceClass().resourceName());
            if (auto* t = dynamic_cast<Tag*>(r))
                out += "(id field " + t->idField_ + ")";
        } else if (auto* section = dynamic_cast<QVTableSectionDescription*>(o.get())) {
            out += "[section " + section->title() + "|" + section->identifier() + ":";
            if (section->page())
                describe(*section->page(), out);
            out += "]";
        }
    }
    out += "[meta";
    for (const auto& o : s.tableMetaDataObjects()) {
        auto* r = dynamic_cast<QVResource*>(o.get());
        r->writeXml(out, r->resourceClass().resourceName());
    }
    out += "]";
}

class ResourceStreamTest : public testing::Test {
protected:
    void SetUp() override
    {
        names.addResource<Widget>("widget");
        names.addResource<Widget>("gizmo"); // a second element name of one class
        names.addResource<Tag>("tag");
        TestRuntimeRoles::setCurrent(&host);
    }
    void TearDown() override { TestRuntimeRoles::setCurrent(nullptr); }

    // Both readings of the bytes, described; "null" for no series.
    std::pair<std::string, std::string> both(const std::string& xml)
    {
        host.shown.clear();
        auto doc = QVXmlDocument::xmlDocumentWithString(xml);
        auto fromTree = QVResource::resourcesFromXml(doc.get(), names);
        auto treeShown = host.shown;
        host.shown.clear();
        auto fromEvents = QVResource::resourcesFromData(xml.data(), xml.size(), names);
        std::string a = "null", b = "null";
        if (fromTree) {
            a.clear();
            describe(*fromTree, a);
        }
        if (fromEvents) {
            b.clear();
            describe(*fromEvents, b);
        }
        for (auto& s : treeShown)
            a += "{" + s + "}";
        for (auto& s : host.shown)
            b += "{" + s + "}";
        return { a, b };
    }

    QVResourceNameMap names;
    NoticeHost host;
};

// Rows of a high-score list as the service sends its largest: every field of
// the score and of its player.
std::string highScoreRows(int rows)
{
    std::string xml = "<resources>";
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(1000000 + i);
        xml += "<high_score><id>" + n + "</id><score>" + n + "</score><rank>" + std::to_string(i + 1)
            + "</rank><leaderboard_id>98765</leaderboard_id><display_text>" + n
            + " points</display_text><custom_data>0</custom_data><user><id>" + n + "</id><name>Player " + n
            + "</name><profile_picture_url>http://p.example/" + n + ".png</profile_picture_url><online>true</online>"
              "<gamer_score>1234</gamer_score></user></high_score>";
    }
    return xml + "</resources>";
}

// `item` repeated within an answer of `bytes` under an envelope.
std::string repeated(const std::string& item, size_t bytes, const char* open = "<resources>",
                     const char* close = "</resources>")
{
    std::string xml = open;
    while (xml.size() + item.size() + std::strlen(close) < bytes)
        xml += item;
    return xml + close;
}

TEST_F(ResourceStreamTest, AnAnswerOfAnyShapeIsHeldInItsBoundAndTheLargestRealOnesRead)
{
    names.addResource<QVHighScore>("high_score");
    names.addResource<QVUser>("user");
    const size_t answer = 8 * 1024 * 1024 - 64;
    struct Row {
        const char* name;
        std::string xml;
        bool reads;
    } rows[] = {
        { "20,000 high scores", highScoreRows(20000), true },
        { "empty records", repeated("<high_score/>", answer), false },
        { "empty players", repeated("<user/>", answer), false },
        { "empty sections", repeated("<resource_section/>", answer, "<resources><resource_sections>",
                                     "</resource_sections></resources>"), false },
        { "a notification of empty elements", repeated("<e/>", answer, "<resources><server_notification>",
                                                       "</server_notification></resources>"), false },
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_LE(row.xml.size(), size_t(8 * 1024 * 1024));
        std::string error;
        auto series = QVResource::resourcesFromData(row.xml.data(), row.xml.size(), names, &error);
        EXPECT_EQ(series != nullptr, row.reads) << error;
        if (!row.reads) {
            EXPECT_NE(error.find("more than 67108864 bytes to hold"), std::string::npos) << error;
        }
    }
    // As an element tree: the rows read, empty elements are refused.
    const std::string rows20k = highScoreRows(20000);
    EXPECT_TRUE(QVXmlDocument::xmlDocumentWithString(rows20k));
    std::string error;
    EXPECT_FALSE(QVXmlDocument::xmlDocumentWithString(repeated("<e/>", answer), &error));
    EXPECT_NE(error.find("more than 67108864 bytes to hold"), std::string::npos) << error;
    EXPECT_FALSE(QVXmlDocument::xmlDocumentWithString(repeated("<e a=\"\"/>", answer), &error));
}

TEST_F(ResourceStreamTest, EveryEnvelopeShapeReadsAsTheDocumentDoes)
{
    const char* documents[] = {
        "<widget id=\"1\"><name>solo</name></widget>",
        "<resources><widget><id>1</id><name>a</name><size>3</size></widget><gizmo id=\"2\"/><unknown><widget/></unknown></resources>",
        "<resources><widget id=\"attr\"><id>child</id><id>second</id><name>x<b>bold</b>y</name></widget></resources>",
        "<resources><widget><part><id>9</id><name>inner</name><part><name>deeper</name></part></part>"
        "<parts><widget id=\"4\"/><nothing/><tag><id>t</id><label>l</label></tag><gizmo id=\"5\"><size>2</size></gizmo></parts>"
        "</widget></resources>",
        "<resources><pagination_header><current_page>2</current_page><total_pages>x</total_pages>"
        "<current_page>7</current_page><per_page> 25</per_page></pagination_header><widget id=\"1\"/></resources>",
        "<resources><resource_sections><resource_section><widget id=\"1\"/><title>T</title><title>U</title>"
        "<identifier>i</identifier><pagination_header><total_objects>3</total_objects></pagination_header>"
        "<resource_sections><resource_section><widget id=\"x\"/></resource_section></resource_sections>"
        "<table_meta_data><tag id=\"m\"/></table_meta_data></resource_section><other/>"
        "<resource_section/></resource_sections><widget id=\"after\"/></resources>",
        "<resources><table_meta_data><tag><id>7</id><label>meta</label></tag><junk/><widget id=\"8\"/></table_meta_data></resources>",
        "<resources><server_notification id=\"n\">hi<text>Welcome</text><image_url>x</image_url></server_notification>"
        "<widget id=\"1\"/><resource_sections><resource_section><server_notification><text>inner</text>"
        "</server_notification></resource_section></resource_sections></resources>",
        "<resources><tag><id>5</id><label>with id field</label></tag></resources>",
        "<resources/>",
        "<resources>text only</resources>",
    };
    std::string all;
    for (const char* xml : documents) {
        auto [tree, events] = both(xml);
        EXPECT_EQ(events, tree) << xml;
        EXPECT_NE(tree, "null") << xml;
        all += tree;
    }
    // The descriptions carry what the cases are about.
    for (const char* part : { "<name>deeper</name>", "<id>child</id><name>xy</name>", "[header 0,2,0,25,0]",
                              "[section T|i:", "<id>m</id>", "(id field 5)", "{server_notification:hi<text=Welcome>",
                              "{server_notification:<text=inner>}", "<size>2</size>" })
        EXPECT_NE(all.find(part), std::string::npos) << part << " in " << all;
}

TEST_F(ResourceStreamTest, ANotificationIsShownWhereverItStandsAndIsNeverARecord)
{
    names.addResource<Tag>("server_notification"); // even a name the service maps
    for (const char* xml : {
             "<server_notification><text>alone</text></server_notification>",
             "<resources><table_meta_data><server_notification><text>meta</text></server_notification>"
             "</table_meta_data></resources>",
             "<resources><server_notification><text>listed</text></server_notification></resources>",
         }) {
        host.shown.clear();
        auto series = QVResource::resourcesFromData(xml, std::strlen(xml), names);
        ASSERT_TRUE(series) << xml;
        EXPECT_EQ(series->count(), 0u) << xml;
        EXPECT_TRUE(series->tableMetaDataObjects().empty()) << xml;
        EXPECT_EQ(host.shown.size(), 1u) << xml;
    }
}

TEST_F(ResourceStreamTest, DamagedInputGivesNoSeries)
{
    for (const char* xml : { "", "<resources><widget>", "not xml", "<resources></widget></resources>",
                             "<!DOCTYPE r [<!ENTITY a \"b\">]><resources/>" }) {
        auto [tree, events] = both(xml);
        EXPECT_EQ(tree, "null") << xml;
        EXPECT_EQ(events, "null") << xml;
    }
    host.shown.clear();
    std::string cut = "<resources><server_notification><text>early</text></server_notification><widget>";
    EXPECT_FALSE(QVResource::resourcesFromData(cut.data(), cut.size(), names));
    EXPECT_TRUE(host.shown.empty()) << "a damaged answer shows none of its notifications";

    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "<widget><part>";
    auto [tree, events] = both(deep);
    EXPECT_EQ(events, "null") << "nesting beyond the reader's limit is refused";
}

TEST_F(ResourceStreamTest, FixturesAndCorpusReadAlike)
{
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    std::string root = source ? source : ".";
    int compared = 0;
    for (const char* dir : { "/tests/data/standin", "/fuzz/corpus/xmldoc" }) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(root + dir, ec)) {
            std::string xml = testing_support::readFile(entry.path().string());
            // Records keep less than a tree: a document too costly as a tree
            // (the corpus's hostile ones) may still read as records.
            if (std::string error; !QVXmlDocument::xmlDocumentWithString(xml, &error)
                && error.find("bytes to hold") != std::string::npos)
                continue;
            auto [tree, events] = both(xml);
            EXPECT_EQ(events, tree) << entry.path();
            ++compared;
        }
    }
    if (compared == 0)
        GTEST_SKIP() << "BRISKO_SOURCE_DIR names the source tree (ctest sets it)";
}

} // namespace
