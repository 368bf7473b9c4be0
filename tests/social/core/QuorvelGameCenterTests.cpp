// The central class's Game Center bridge: one sign-in per bridge, the id map,
// friends, achievements and leaderboard loads.
#include "QuorvelTestSupport.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/PropertyList.h"
#include "platform/gamekit/GameCenter.h"
#include "social/core/QuorvelGameCenter.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVUser.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace core_testing;
using platform::gamekit::GameCenter;
using platform::gamekit::ScriptedGameCenter;
using Strings = std::vector<std::string>;

namespace {

class QuorvelGameCenterTest : public QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        QuorvelInternal::options().setUserApprovedQuorvel();
        platform::ValueDictionary boards { { "5", "gc.five" }, { "7", 7 } };
        platform::ValueDictionary achievements { { "11", "gc.eleven" } };
        platform::ValueDictionary root { { "Leaderboards", boards }, { "Achievements", achievements } };
        bundle.write("QVGameCenter.plist", *platform::writePropertyList(platform::Value(root)));
        gc = ScriptedGameCenter::create();
        gc->friends = { "G:2", "G:3" };
        // A loaded achievement is looked up among the map's keys and filed under the entry's value.
        gc->achievements = { { "11", 40 }, { "gc.unmapped", 100 } };
        GameCenter::install(gc);
        QVLifecycleTrace::setObserver([this](const std::string& s) { steps.push_back(s); });
    }
    void TearDown() override
    {
        QVLifecycleTrace::setObserver(nullptr);
        QuorvelTest::TearDown();
        GameCenter::install(nullptr);
    }
    void startWithGameCenter(bool enabled)
    {
        QuorvelSettingsDictionary settings;
        settings.values.set("QuorvelSettingGameCenterEnabled", enabled);
        startClient(settings);
    }

    platform::Ref<ScriptedGameCenter> gc;
    Strings steps;
};

TEST_F(QuorvelGameCenterTest, TheBridgeSignsInOnceAndLoadsFriendsAndMappedAchievements)
{
    startWithGameCenter(true);
    NotificationRecorder posted({ QuorvelGameCenter::kFriendsLoaded });
    QuorvelInternal::gameCenter().initializeGameCenter();
    QuorvelInternal::gameCenter().initializeGameCenter();
    EXPECT_EQ(gc->authenticateCalls, 1);
    EXPECT_FALSE(QuorvelInternal::gameCenter().isLoggedIntoGameCenter());
    loop().drain();
    EXPECT_TRUE(QuorvelInternal::gameCenter().isLoggedIntoGameCenter());
    ASSERT_TRUE(QuorvelInternal::gameCenter().getGameCenterFriends());
    EXPECT_EQ(*QuorvelInternal::gameCenter().getGameCenterFriends(), (Strings { "G:2", "G:3" }));
    EXPECT_EQ(posted.names(), Strings { QuorvelGameCenter::kFriendsLoaded });
    EXPECT_EQ(QuorvelInternal::gameCenter().gameCenterBridge()->achievements(), (std::map<std::string, double> { { "gc.eleven", 40 } }));
    EXPECT_NE(std::find(steps.begin(), steps.end(), "loginGameCenterCheck"), steps.end());
    EXPECT_EQ(std::find(steps.begin(), steps.end(), "loginShowNotifications"), steps.end());

    EXPECT_EQ(QuorvelInternal::gameCenter().getGameCenterLeaderboardCategory("5"), std::optional<std::string>("gc.five"));
    EXPECT_EQ(QuorvelInternal::gameCenter().getGameCenterLeaderboardCategory("7"), std::nullopt) << "a value that is not a string maps nothing";
    EXPECT_EQ(QuorvelInternal::gameCenter().getGameCenterAchievementId("11"), std::optional<std::string>("gc.eleven"));

    Quorvel::shutdown();
    EXPECT_EQ(QuorvelInternal::gameCenter().gameCenterBridge(), nullptr);
}

TEST_F(QuorvelGameCenterTest, LeaderboardLoadsRunPerTimeScopeForMappedBoardsOnly)
{
    startWithGameCenter(true);
    gc->setAuthenticated(true);
    gc->scores = { { "G:2", "gc.five", 300, "300", platform::dateNow(), 0 } };
    QuorvelInternal::gameCenter().initializeGameCenter();
    loop().drain();
    NotificationRecorder posted({ QuorvelGameCenter::kScoresLoaded });
    QuorvelInternal::gameCenter().loadGameCenterScores("6");
    EXPECT_TRUE(QuorvelInternal::gameCenter().isGameCenterScoreLoadedForLeaderboardId("6", 2));
    QuorvelInternal::gameCenter().loadGameCenterScores("5");
    EXPECT_FALSE(QuorvelInternal::gameCenter().isGameCenterScoreLoadedForLeaderboardId("5", 2));
    EXPECT_TRUE(QuorvelInternal::gameCenter().isGameCenterScoreLoadedForLeaderboardId("6", 2));
    loop().drain();
    EXPECT_TRUE(QuorvelInternal::gameCenter().isGameCenterScoreLoadedForLeaderboardId("5", 2));
    ASSERT_EQ(posted.posted.size(), 3u);
    EXPECT_EQ(posted.posted[0].userInfo["scope"].asInt(), 2);
    EXPECT_EQ(posted.posted[2].userInfo["scope"].asInt(), 0);
    ASSERT_EQ(QuorvelInternal::gameCenter().getGameCenterScores(2).size(), 1u);
    EXPECT_EQ(QuorvelInternal::gameCenter().getGameCenterScores(2)[0].value, 300);
}

TEST_F(QuorvelGameCenterTest, WithoutTheSettingThereIsNoBridgeAndNobodyIsSignedIn)
{
    startWithGameCenter(false);
    gc->setAuthenticated(true);
    QuorvelInternal::gameCenter().initializeGameCenter();
    loop().drain();
    EXPECT_EQ(QuorvelInternal::gameCenter().gameCenterBridge(), nullptr);
    EXPECT_EQ(gc->authenticateCalls, 0);
    EXPECT_FALSE(QuorvelInternal::gameCenter().isLoggedIntoGameCenter());
    EXPECT_EQ(QuorvelInternal::gameCenter().getGameCenterLeaderboardCategory("5"), std::nullopt);
    EXPECT_NE(std::find(steps.begin(), steps.end(), "loginGameCenterCheck"), steps.end());
}

TEST_F(QuorvelGameCenterTest, APlayerNotSignedInAfterALoginGetsTheWelcomeNotices)
{
    gc->signsIn = false;
    startWithGameCenter(true);
    ASSERT_TRUE(waitFor([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    QuorvelInternal::gameCenter().initializeGameCenter();
    loop().drain();
    EXPECT_NE(std::find(steps.begin(), steps.end(), "loginShowNotifications"), steps.end());
    EXPECT_FALSE(QuorvelInternal::gameCenter().getGameCenterFriends());
}

} // namespace

namespace {

TEST_F(QuorvelGameCenterTest, OnlyTheLoadedCategoryIsMergedIntoTheLeaderboardPage)
{
    startWithGameCenter(true);
    gc->setAuthenticated(true);
    gc->scores = { { "G:2", "gc.five", 300, "300", platform::dateNow(), 0 } };
    QuorvelInternal::gameCenter().initializeGameCenter();
    loop().drain();
    QuorvelInternal::gameCenter().loadGameCenterScores("5");
    loop().drain();

    auto own = QVPaginatedSeries::paginatedSeries();
    auto everyone = QVPaginatedSeries::paginatedSeries();
    auto globals = QVPaginatedSeries::paginatedSeriesFromArray(
        { platform::Ref<platform::Object>(QVTableSectionDescription::sectionWithTitle("Mine", own).get()),
          platform::Ref<platform::Object>(QVTableSectionDescription::sectionWithTitle("All", everyone).get()) });
    auto section = [](const QVPaginatedSeries& p, size_t i) {
        return dynamic_cast<QVTableSectionDescription*>(p.objectAtIndex(i));
    };

    auto merged = QuorvelInternal::gameCenter().combinedGameCenterForLeaderboardId("5", 2, *globals, nullptr);
    ASSERT_EQ(merged->count(), 3u);
    EXPECT_EQ(section(*merged, 1)->title(), "Friends");
    ASSERT_EQ(section(*merged, 2)->page()->count(), 1u);
    EXPECT_EQ(dynamic_cast<QVHighScore*>(section(*merged, 2)->page()->objectAtIndex(0))->score(), 300);

    // A leaderboard that is not the one loaded keeps the service's list.
    auto plain = QuorvelInternal::gameCenter().combinedGameCenterForLeaderboardId("6", 2, *globals, nullptr);
    ASSERT_EQ(plain->count(), 3u);
    EXPECT_EQ(section(*plain, 2)->page()->count(), 0u);
}

} // namespace
