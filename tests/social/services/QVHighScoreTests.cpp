// The high-score record read from the service's XML.
#include "social/runtime/QVResource.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVUser.h"

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

TEST(QVHighScoreRecord, ReadsEveryFieldOfTheServersRecord)
{
    auto s = firstScore("<high_score><id>9</id><score>9007199254740993</score><rank>3</rank>"
                        "<leaderboard_id>5</leaderboard_id><display_text>1:02</display_text>"
                        "<to_high_rank_text>12%</to_high_rank_text><custom_data>x</custom_data>"
                        "<blob_url>http://b/1</blob_url><lat>1.5</lat><lng>-2.25</lng><distance>3</distance>"
                        "<gamecenter_timestamp>1700000000</gamecenter_timestamp>"
                        "<user><id>42</id><name>Ada</name></user></high_score>");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->resourceId(), "9");
    EXPECT_EQ(s->score(), 9007199254740993LL);
    EXPECT_EQ(s->rank(), 3);
    EXPECT_EQ(s->leaderboardId(), "5");
    EXPECT_EQ(s->displayText(), "1:02");
    EXPECT_EQ(s->toHighRankText(), "12%");
    EXPECT_EQ(s->customData(), std::optional<std::string>("x"));
    EXPECT_TRUE(s->hasBlob());
    EXPECT_DOUBLE_EQ(s->latitude(), 1.5);
    EXPECT_DOUBLE_EQ(s->longitude(), -2.25);
    EXPECT_EQ(s->gameCenterSeconds(), 1700000000u);
    ASSERT_TRUE(s->user());
    EXPECT_EQ(s->user()->name(), "Ada");
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

} // namespace
