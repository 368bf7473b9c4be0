// Field converters and field tables built from member pointers: reading every
// kind of field and writing back only what a table can write.
#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVXmlDocument.h"

#include <limits>

#include <gtest/gtest.h>

using namespace quorvel;
using platform::Ref;

namespace {

TEST(ResourceFieldConverters, FlagsFollowTheServiceTextRules)
{
    for (const char* yes : { "YES", "y", "true", "T", "1", "9", "Yes please" })
        EXPECT_TRUE(QVFieldBool::read(yes)) << yes;
    for (const char* no : { "", "NO", "false", "0", "-1", " 1", "x" })
        EXPECT_FALSE(QVFieldBool::read(no)) << no;
    EXPECT_EQ(QVFieldBool::write(true), "1");
    EXPECT_EQ(QVFieldBool::write(false), "0");

    EXPECT_TRUE(QVFieldExactTrue::read("true"));
    for (const char* no : { "True", "TRUE", "1", "yes", "true ", "" })
        EXPECT_FALSE(QVFieldExactTrue::read(no)) << no;
}

TEST(ResourceFieldConverters, NumbersReadTheLeadingNumberAndClamp)
{
    EXPECT_EQ(QVFieldInteger::read("42abc"), 42);
    EXPECT_EQ(QVFieldInteger::read("  -7"), -7);
    EXPECT_EQ(QVFieldInteger::read("abc"), 0);
    EXPECT_EQ(QVFieldInteger::read("99999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(QVFieldInteger::read("-99999999999"), std::numeric_limits<int>::min());
    EXPECT_EQ(QVFieldUnsigned::read("3000000000"), 3000000000u);
    EXPECT_EQ(QVFieldUnsigned::read("-5"), 0u);
    EXPECT_EQ(QVFieldUnsigned::read("99999999999"), std::numeric_limits<uint32_t>::max());
    EXPECT_EQ(QVFieldInt64::read("9223372036854775807"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(QVFieldInt64::read("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(QVFieldInt64::read("123456789012345678901"), std::numeric_limits<int64_t>::max());

    EXPECT_DOUBLE_EQ(QVFieldDouble::read("48.5x"), 48.5);
    EXPECT_DOUBLE_EQ(QVFieldDouble::read(" -0.25"), -0.25);
    for (const char* zero : { "", "abc", "nan", "-inf", "1e999" })
        EXPECT_EQ(QVFieldDouble::read(zero), 0.0) << zero;
    EXPECT_EQ(QVFieldDouble::write(1.5), "1.500000");
}

TEST(ResourceFieldConverters, TextDatesAndNil)
{
    EXPECT_FALSE(QVFieldTextOrNil::read(""));
    EXPECT_EQ(QVFieldTextOrNil::read("x"), std::optional<std::string>("x"));
    EXPECT_EQ(QVFieldTextOrNil::write(std::nullopt), "");

    auto date = QVFieldRailsDate::read("2026-12-06T21:12:38Z");
    ASSERT_TRUE(date);
    EXPECT_EQ(QVFieldRailsDate::write(date), "2026-12-06T21:12:38Z");
    EXPECT_FALSE(QVFieldRailsDate::read("yesterday"));
    EXPECT_EQ(QVFieldRailsDate::write(std::nullopt), "");
}

// A record using every kind of table entry.
class Gadget : public QVResource {
    QV_DECLARE_RESOURCE(Gadget)
public:
    static std::string getResourceName() { return "gadget"; }
    static void getDataMap(QVResourceDataMap& map)
    {
        QVResourceFields<Gadget> f(map);
        f.field<QVFieldText>("label", &Gadget::label_);
        f.field<QVFieldTextOrNil>("note", &Gadget::note_);
        f.field<QVFieldBool>("on", &Gadget::on_);
        f.read<QVFieldExactTrue>("strict", &Gadget::strict_);
        f.field<QVFieldInt64>("big", &Gadget::big_);
        f.field<QVFieldDouble>("ratio", &Gadget::ratio_);
        f.field<QVFieldRailsDate>("made_at", &Gadget::madeAt_);
        f.nested("part", &Gadget::part_, true);
        f.array("spares", &Gadget::spares_, true);
        f.custom("shout", &Gadget::setShout, &Gadget::shout);
    }
    void setShout(const std::string& t) { shout_ = t + "!"; }
    std::string shout() const { return shout_; }

    std::string label_;
    std::optional<std::string> note_;
    bool on_ { false }, strict_ { false };
    int64_t big_ { 0 };
    double ratio_ { 0 };
    std::optional<platform::Date> madeAt_;
    Ref<Gadget> part_;
    QVResourceArray spares_;
    std::string shout_;
};

Ref<Gadget> parseGadget(const std::string& xml)
{
    QVResourceNameMap names;
    names.addResource<Gadget>("gadget");
    auto doc = QVXmlDocument::xmlDocumentWithString(xml);
    auto series = QVResource::resourcesFromXml(doc.get(), names);
    if (!series || series->count() != 1)
        return nullptr;
    return Ref<Gadget>(dynamic_cast<Gadget*>(series->objectAtIndex(0)));
}

TEST(ResourceFieldTable, ReadsEveryKindAndWritesBackOnlyWhatItCan)
{
    auto g = parseGadget("<gadget id=\"1\"><label>a&lt;b</label><note></note><on>yes</on><strict>True</strict>"
                         "<big>-9000000000</big><ratio>0.5</ratio><made_at>2026-01-02T03:04:05Z</made_at>"
                         "<part><id>2</id><label>inner</label></part>"
                         "<spares><gadget id=\"3\"/><unknown/><gadget id=\"4\"/></spares><shout>hey</shout></gadget>");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->label_, "a<b");
    EXPECT_FALSE(g->note_);
    EXPECT_TRUE(g->on_);
    EXPECT_FALSE(g->strict_);
    EXPECT_EQ(g->big_, -9000000000LL);
    ASSERT_TRUE(g->part_);
    EXPECT_EQ(g->part_->label_, "inner");
    ASSERT_EQ(g->spares_.size(), 2u);
    EXPECT_EQ(g->shout_, "hey!");

    std::string xml = g->toResourceArrayXml();
    EXPECT_EQ(xml.find("<strict>"), std::string::npos) << "read-only fields are not written";
    auto again = parseGadget(xml.substr(xml.find("<gadget>"), xml.rfind("</resources>") - xml.find("<gadget>")));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->label_, "a<b");
    EXPECT_EQ(again->big_, -9000000000LL);
    EXPECT_EQ(again->madeAt_, g->madeAt_);
    EXPECT_DOUBLE_EQ(again->ratio_, 0.5);
    ASSERT_TRUE(again->part_);
    EXPECT_EQ(again->part_->resourceId(), "2");
    EXPECT_EQ(again->spares_.size(), 2u);
    EXPECT_EQ(again->shout_, "hey!!");
}

} // namespace
