// The high-score record read from the service's XML.
#include "social/runtime/QVResource.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVUser.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

platform::Ref<QVHighScore> firstScore(const std::string& xml)
{
    QVResourceNameMap names;
    names.addResource<QVHighScore>("high_score");
    auto document = QVXmlDocument::xmlDocumentWithData(platform::Bytes(xml.begin(), xml.end()));
    auto series = QVResource::resourcesFromXml(document.get(), names);
    if (!series || series->count() == 0)
        return nullptr;
    return platform::Ref<QVHighScore>(dynamic_cast<QVHighScore*>(series->objectAtIndex(0)));
}

TEST(QVHighScoreRecord, EmptyTextsReadAsAbsent)
{
    auto s = firstScore("<high_score><id>9</id><score>120</score><display_text></display_text>"
                        "<custom_data></custom_data><blob_url></blob_url></high_score>");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->displayText(), "120");
    EXPECT_FALSE(s->customData());
    EXPECT_FALSE(s->hasBlob());
    EXPECT_EQ(s->toHighRankText(), "99.999+");
    auto copy = QVHighScore::initWithQvScore(*s, 4);
    EXPECT_EQ(copy->rank(), 4);
    EXPECT_EQ(copy->resourceId(), "9");
    EXPECT_EQ(copy->score(), 120);
}

TEST(QVHighScoreRecord, APlaceAndDistanceReadTheSameUnderEveryLocale)
{
    for (const char* locale : { "C", "de_DE.UTF-8", "fr_FR.UTF-8" }) {
        SCOPED_TRACE(locale);
        testing_support::ScopedLocale scoped(locale);
        auto s = firstScore("<high_score><id>9</id><score>120</score><lat>48.8566</lat><lng>-2.3522</lng>"
                            "<distance>20.12</distance></high_score>");
        ASSERT_TRUE(s);
        EXPECT_DOUBLE_EQ(s->latitude(), 48.8566);
        EXPECT_DOUBLE_EQ(s->longitude(), -2.3522);
        EXPECT_DOUBLE_EQ(s->distance(), 20.12);
    }
}

} // namespace
