// Answers into resources: every envelope shape of the wire format, plain,
// nested and array fields, and writing resources back.
#include "social/runtime/QVResource.h"
#include "social/runtime/TestRuntimeRoles.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/runtime/QVXmlDocument.h"

#include <gtest/gtest.h>

using namespace quorvel;
using platform::Ref;

namespace {

class TestUser : public QVResource {
    QV_DECLARE_RESOURCE(TestUser)
public:
    static std::string getResourceName() { return "user"; }
    static std::string getResourceDiscoveredNotification() { return "user_discovered"; }
    static void getDataMap(QVResourceDataMap& map)
    {
        map.addField("name", &TestUser::setName, &TestUser::name);
        map.addField("last_seen", &TestUser::setLastSeen); // read only
    }
    const std::string& name() const { return name_; }
    void setName(const std::string& n) { name_ = n; }
    void setLastSeen(const std::string& s) { lastSeen_ = s; }
    std::string name_, lastSeen_;
};

class TestScore : public QVResource {
    QV_DECLARE_RESOURCE(TestScore)
public:
    static std::string getResourceName() { return "test_score"; }
    static void getDataMap(QVResourceDataMap& map)
    {
        map.addField("score", &TestScore::setScore, &TestScore::score);
        map.addNestedResourceField("user", &TestScore::setUser, &TestScore::user);
        map.addNestedResourceArrayField("witnesses", &TestScore::setWitnesses, &TestScore::witnesses);
    }
    std::string score() const { return score_; }
    void setScore(const std::string& s) { score_ = s; }
    Ref<TestUser> user() const { return user_; }
    void setUser(const Ref<TestUser>& u) { user_ = u; }
    const QVResourceArray& witnesses() const { return witnesses_; }
    void setWitnesses(const QVResourceArray& w) { witnesses_ = w; }
    std::string score_;
    Ref<TestUser> user_;
    QVResourceArray witnesses_;
};

// A subclass extends its base's map.
class TestTopScore : public TestScore {
    QV_DECLARE_RESOURCE(TestTopScore)
public:
    static std::string getResourceName() { return "top_score"; }
    static void getDataMap(QVResourceDataMap& map)
    {
        TestScore::getDataMap(map);
        map.addField("rank", &TestTopScore::setRank, &TestTopScore::rank);
    }
    const std::string& rank() const { return rank_; }
    void setRank(const std::string& r) { rank_ = r; }
    std::string rank_;
};

class RecordingHost : public TestRuntimeRoles {
public:
    void showServerNotification(const QVXmlElement& e, const QVResourceNameMap&) override { texts.push_back(e.childText("text")); }
    std::vector<std::string> texts;
};

class ResourceTest : public testing::Test {
protected:
    void SetUp() override
    {
        names.addResource<TestUser>("user");
        names.addResource<TestScore>("high_score");
        names.addResource<TestTopScore>("top_score");
        TestRuntimeRoles::setCurrent(&host);
    }
    void TearDown() override { TestRuntimeRoles::setCurrent(nullptr); }

    Ref<QVPaginatedSeries> parse(const std::string& xml)
    {
        auto doc = QVXmlDocument::xmlDocumentWithString(xml);
        return QVResource::resourcesFromXml(doc.get(), names);
    }

    QVResourceNameMap names;
    RecordingHost host;
};

template <typename T>
T* at(const QVPaginatedSeries& s, size_t i) { return dynamic_cast<T*>(s.objectAtIndex(i)); }

TEST_F(ResourceTest, ListAnswerKeepsOrderAndReadsIdAsChildOrAttribute)
{
    auto s = parse("<resources><user><id>1</id><name>Ann</name><last_seen>today</last_seen></user>"
                   "<mystery><id>9</id></mystery><user id=\"2\"><name>Bo</name><shoe>42</shoe></user></resources>");
    ASSERT_TRUE(s);
    ASSERT_EQ(s->count(), 2u);
    EXPECT_EQ(at<TestUser>(*s, 0)->resourceId(), "1");
    EXPECT_EQ(at<TestUser>(*s, 0)->name_, "Ann");
    EXPECT_EQ(at<TestUser>(*s, 0)->lastSeen_, "today");
    EXPECT_EQ(at<TestUser>(*s, 1)->resourceId(), "2");
    EXPECT_EQ(at<TestUser>(*s, 1)->name_, "Bo");
    EXPECT_EQ(s->header(), nullptr);
}

TEST_F(ResourceTest, TopElementThatIsAResourceIsOneResource)
{
    auto s = parse("<user><id>5</id><name>Cy</name></user>");
    ASSERT_TRUE(s);
    ASSERT_EQ(s->count(), 1u);
    EXPECT_EQ(at<TestUser>(*s, 0)->name_, "Cy");
}

TEST_F(ResourceTest, NestedAndArrayFieldsAndSubclassMaps)
{
    auto s = parse("<resources><top_score id=\"7\"><score>900</score><rank>1</rank>"
                   "<user><id>3</id><name>Di</name></user>"
                   "<witnesses><user id=\"4\"/><junk/><high_score><score>5</score></high_score></witnesses>"
                   "</top_score></resources>");
    ASSERT_TRUE(s);
    auto* top = at<TestTopScore>(*s, 0);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->score_, "900");
    EXPECT_EQ(top->rank_, "1");
    ASSERT_TRUE(top->user_);
    EXPECT_EQ(top->user_->resourceId(), "3");
    EXPECT_EQ(top->user_->name_, "Di");
    ASSERT_EQ(top->witnesses_.size(), 2u);
    EXPECT_EQ(top->witnesses_[0]->resourceId(), "4");
    EXPECT_NE(dynamic_cast<TestUser*>(top->witnesses_[0].get()), nullptr);
    EXPECT_EQ(dynamic_cast<TestScore*>(top->witnesses_[1].get())->score_, "5");
}

TEST_F(ResourceTest, PagingHeaderAndTableMetaData)
{
    auto s = parse("<resources><pagination_header><current_offset>20</current_offset><current_page>3</current_page>"
                   "<total_pages>3</total_pages><per_page>10</per_page><total_objects>25</total_objects>"
                   "</pagination_header><high_score><score>1</score></high_score>"
                   "<table_meta_data><user id=\"8\"/></table_meta_data></resources>");
    ASSERT_TRUE(s);
    ASSERT_NE(s->header(), nullptr);
    EXPECT_EQ(s->header()->currentOffset, 20u);
    EXPECT_EQ(s->header()->currentPage, 3u);
    EXPECT_EQ(s->header()->totalPages, 3u);
    EXPECT_EQ(s->header()->perPage, 10u);
    EXPECT_EQ(s->header()->totalObjects, 25u);
    EXPECT_TRUE(s->header()->isLastPageLoaded());
    ASSERT_EQ(s->count(), 1u);
    ASSERT_EQ(s->tableMetaDataObjects().size(), 1u);
    EXPECT_EQ(dynamic_cast<TestUser*>(s->tableMetaDataObjects()[0].get())->resourceId(), "8");
}

TEST_F(ResourceTest, SectionsBecomeSectionDescriptionsWithTheirOwnPages)
{
    auto s = parse("<resources><resource_sections>"
                   "<resource_section><title>Friends</title><identifier>friends</identifier>"
                   "<pagination_header><current_page>1</current_page><total_pages>2</total_pages></pagination_header>"
                   "<user id=\"1\"/><user id=\"2\"/></resource_section>"
                   "<resource_section><user id=\"3\"/></resource_section>"
                   "</resource_sections></resources>");
    ASSERT_TRUE(s);
    ASSERT_EQ(s->count(), 2u);
    auto* friends = at<QVTableSectionDescription>(*s, 0);
    ASSERT_NE(friends, nullptr);
    EXPECT_EQ(friends->title(), "Friends");
    EXPECT_EQ(friends->identifier(), "friends");
    ASSERT_NE(friends->page(), nullptr);
    EXPECT_EQ(friends->page()->count(), 2u);
    ASSERT_NE(friends->page()->header(), nullptr);
    EXPECT_FALSE(friends->page()->header()->isLastPageLoaded());
    auto* untitled = at<QVTableSectionDescription>(*s, 1);
    EXPECT_EQ(untitled->title(), "");
    EXPECT_EQ(untitled->page()->count(), 1u);
}

TEST_F(ResourceTest, ServerNotificationsGoToTheHostNotTheSeries)
{
    auto s = parse("<resources><server_notification><text>Welcome</text></server_notification>"
                   "<user id=\"1\"/></resources>");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->count(), 1u);
    EXPECT_EQ(host.texts, std::vector<std::string> { "Welcome" });
}

TEST_F(ResourceTest, ServerNotificationsNeverEnterTheSeriesEvenWhenTheNameMapKnowsThem)
{
    names.addResource<TestUser>("server_notification");
    auto s = parse("<resources><server_notification><text>One</text></server_notification>"
                   "<resource_sections><resource_section><server_notification><text>Two</text></server_notification>"
                   "<user id=\"1\"/></resource_section></resource_sections>"
                   "<table_meta_data><server_notification><text>Three</text></server_notification></table_meta_data>"
                   "</resources>");
    ASSERT_TRUE(s);
    ASSERT_EQ(s->count(), 1u);
    auto* section = at<QVTableSectionDescription>(*s, 0);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->page()->count(), 1u);
    EXPECT_TRUE(s->tableMetaDataObjects().empty());
    auto alone = parse("<server_notification><text>Four</text></server_notification>");
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->count(), 0u);
    EXPECT_EQ(host.texts, (std::vector<std::string> { "One", "Two", "Three", "Four" }));
}

TEST_F(ResourceTest, MalformedAnswerGivesNoSeries)
{
    EXPECT_FALSE(parse("<resources><user id=\"1\"></resources>"));
    EXPECT_FALSE(parse(""));
    EXPECT_FALSE(QVResource::resourcesFromXml(nullptr, names));
    // A well-formed answer with nothing known is a genuine empty page.
    auto empty = parse("<resources/>");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->count(), 0u);
}

TEST_F(ResourceTest, WritesBackWhatItReads)
{
    auto s = parse("<top_score id=\"7\"><score>9 &lt; 10 &amp; more</score><rank>2</rank>"
                   "<user id=\"3\"><name>Di</name><last_seen>x</last_seen></user>"
                   "<witnesses><user id=\"4\"><name>Ed</name></user></witnesses></top_score>");
    ASSERT_TRUE(s);
    auto* original = at<TestTopScore>(*s, 0);
    std::string xml = original->toResourceArrayXml();
    EXPECT_NE(xml.find("<resources><top_score><id>7</id><score>9 &lt; 10 &amp; more</score>"), std::string::npos);
    EXPECT_EQ(xml.find("last_seen"), std::string::npos); // read-only field

    auto again = parse(xml);
    ASSERT_TRUE(again);
    ASSERT_EQ(again->count(), 1u);
    auto* copy = at<TestTopScore>(*again, 0);
    EXPECT_EQ(copy->resourceId(), "7");
    EXPECT_EQ(copy->score_, "9 < 10 & more");
    EXPECT_EQ(copy->rank_, "2");
    EXPECT_EQ(copy->user_->name_, "Di");
    ASSERT_EQ(copy->witnesses_.size(), 1u);
    EXPECT_EQ(dynamic_cast<TestUser*>(copy->witnesses_[0].get())->name_, "Ed");
}

TEST_F(ResourceTest, ClassObjectsAnswerNameNotificationAndRegistry)
{
    EXPECT_EQ(TestUser::staticResourceClass().resourceName(), "user");
    EXPECT_EQ(TestUser::staticResourceClass().resourceDiscoveredNotification(), "user_discovered");
    EXPECT_EQ(TestScore::staticResourceClass().resourceDiscoveredNotification(), "");
    EXPECT_EQ(QVResourceClass::withResourceName("test_score"), &TestScore::staticResourceClass());
    EXPECT_EQ(TestScore::staticResourceClass().create()->className(), "TestScore");
}

TEST(PaginatedSeriesTest, FactoriesCopyObjectsAndCloneTheHeader)
{
    auto section = QVTableSectionDescription::sectionWithTitle("t", nullptr);
    auto one = QVPaginatedSeries::paginatedSeriesWithObject(section.get());
    EXPECT_EQ(one->count(), 1u);
    EXPECT_EQ(QVPaginatedSeries::paginatedSeriesWithObject(nullptr)->count(), 0u);
    auto header = QVPaginatedSeriesHeader::header();
    header->totalPages = 4;
    one->setHeader(header);
    auto copy = QVPaginatedSeries::paginatedSeriesFromSeries(*one);
    EXPECT_EQ(copy->objectAtIndex(0), section.get());
    EXPECT_EQ(copy->objectAtIndex(1), nullptr);
    ASSERT_NE(copy->header(), nullptr);
    EXPECT_NE(copy->header(), one->header());
    EXPECT_EQ(copy->header()->totalPages, 4u);
    EXPECT_EQ(QVPaginatedSeries::paginatedSeriesFromArray({ section, section })->header(), nullptr);
}

} // namespace
