// Achievements end to end: the game's progress is clamped, kept by the
// service, announced when an achievement unlocks, and shown to the player in
// the dashboard's achievement list; the device keeps what it learnt for the
// next launch; on another player's page of the game the list sets the
// player's unlocks beside theirs.
#include "DashboardEndToEndSupport.h"

#include "social/dashboard/achievements/QVAchievementCells.h"

#include "platform/net/HttpTransport.h"
#include "social/services/QVAchievement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

double keptProgress(const StandInState& state, int64_t user, int64_t achievement)
{
    for (auto& u : state.unlocks())
        if (u.userId == user && u.achievementId == achievement)
            return u.percentComplete;
    return -1;
}

using AchievementsEndToEnd = DashboardEndToEndTest;

TEST_F(AchievementsEndToEnd, ProgressIsKeptUnlocksAreAnnouncedAndTheListShowsBoth)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    const std::string firstSteps = std::to_string(StandInState::kFirstStepsAchievement);
    const std::string collector = std::to_string(StandInState::kCollectorAchievement);
    auto steps = QVAchievement::achievement(firstSteps);
    auto coins = QVAchievement::achievement(collector);
    ASSERT_TRUE(steps && coins);
    EXPECT_EQ(steps->title(), std::optional<std::string>("First Steps"));

    coins->updateProgressionComplete(40, false);
    steps->updateProgressionComplete(150, true); // more than done is done
    ASSERT_TRUE(waitUntil([&] {
        return keptProgress(*state, player, StandInState::kFirstStepsAchievement) >= 0
            && keptProgress(*state, player, StandInState::kCollectorAchievement) >= 0;
    }));
    EXPECT_EQ(keptProgress(*state, player, StandInState::kFirstStepsAchievement), 100.0);
    EXPECT_EQ(keptProgress(*state, player, StandInState::kCollectorAchievement), 40.0);
    // The unlock is announced once; progress short of it is not.
    ASSERT_TRUE(waitUntil([&] { return std::count(notices.begin(), notices.end(), "Achievement Unlocked!") == 1; }));
    EXPECT_TRUE(QVAchievement::achievement(firstSteps)->isUnlocked());

    openDashboard();
    ASSERT_TRUE(tapText("Achievements"));
    ASSERT_TRUE(waitForText("Collector"));
    EXPECT_TRUE(shows("40%"));
    EXPECT_TRUE(shows("First Steps"));

    // The next launch, with the service down, still knows the progress.
    quit();
    killService();
    launch();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    EXPECT_EQ(QVAchievement::achievement(collector)->percentComplete(), 40.0);
    EXPECT_TRUE(QVAchievement::achievement(firstSteps)->isUnlocked());
}

TEST_F(AchievementsEndToEnd, AnotherPlayersPageOfTheGameListsTheAchievementsBesideTheirs)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    state->addFriends(player, StandInState::kRivalUser);
    // The rival has the first steps; the player collects the coins.
    ASSERT_TRUE(arrange("INSERT INTO unlocks VALUES (18, 11, 100, '2026-01-01 00:00:00')"));
    QVAchievement::achievement(std::to_string(StandInState::kCollectorAchievement))->updateProgressionComplete(100, false);
    ASSERT_TRUE(waitUntil([&] { return keptProgress(*state, player, StandInState::kCollectorAchievement) == 100.0; }));

    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController"));
    ASSERT_TRUE(tapText("My Friends"));
    ASSERT_TRUE(waitForText("Rival"));
    ASSERT_TRUE(tapText("Rival"));
    ASSERT_TRUE(waitForScreen("QVProfileController"));
    ASSERT_TRUE(tapText("Games"));
    ASSERT_TRUE(waitForText("Brisko"));
    ASSERT_TRUE(tapText("Brisko"));
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    ASSERT_TRUE(tapText("Achievements"));
    ASSERT_TRUE(waitForText("Collector"));
    auto asked = [&] {
        auto all = serviceRequestsTo("client_applications/321/achievement_definitions.xml");
        auto mine = serviceRequestsTo("client_applications/@me/achievement_definitions.xml");
        all.insert(all.end(), mine.begin(), mine.end());
        return all;
    };
    // The list may first show before the page knows whom it compares with;
    // the compared list is asked for once it does: wait for its answer.
    ASSERT_TRUE(waitUntil([&] {
        auto all = asked();
        return !all.empty() && all.back().param("compared_to_user_id") == "18";
    })) << screenText();
    settleAfterTouch();
    EXPECT_EQ(asked().back().param("compared_to_user_id"), "18");

    // Each row shows both players' state: the rival's first steps, the player's coins.
    std::map<std::string, std::pair<bool, bool>> rows; // title -> (theirs, mine)
    for (auto* cell : visible<QVAchievementCompareListCell>()) {
        auto* a = dynamic_cast<QVAchievement*>(cell->resource());
        ASSERT_TRUE(a);
        EXPECT_FALSE(cell->secondIconContainer()->isHidden()) << "both players' icons show";
        rows[a->title().value_or("")] = { a->isUnlockedByComparedToUser(), a->isUnlocked() };
    }
    EXPECT_EQ(rows["First Steps"], std::make_pair(true, false));
    EXPECT_EQ(rows["Collector"], std::make_pair(false, true));
}

// The game's achievement delegate: what it heard, in order.
struct AchievementListener final : QVAchievementDelegate {
    void didUpdateProgressionCompleteQVAchievement(QVAchievement* a) override { heard.push_back("unlocked " + a->resourceId()); }
    void didFailUpdateProgressionCompleteQVAchievement(QVAchievement* a) override { heard.push_back("failed " + a->resourceId()); }
    std::vector<std::string> heard;
};

class AchievementsLaunchEndToEnd : public DashboardEndToEndTest {
protected:
    // Logged in, and what the login sent (the data the device kept) has been answered.
    static bool loginSettled()
    {
        return QuorvelInternal::login().successfullyBootstrapped() && !QuorvelInternal::login().isBootstrapInProgress()
            && platform::HttpTransport::shared().activeCount() == 0;
    }
    void SetUp() override
    {
        DashboardEndToEndTest::SetUp();
        QVAchievement::setDelegate(&listener);
    }
    void TearDown() override
    {
        QVAchievement::setDelegate(nullptr);
        DashboardEndToEndTest::TearDown();
    }
    AchievementListener listener;
};

// A new player's first launch finds no service: the unlock is kept before
// any login, the game hears so, and the first login (on the next launch)
// sends it once, under the player it makes.
TEST_F(AchievementsLaunchEndToEnd, AnUnlockBeforeAnyLoginIsReportedAndSentOnceUnderTheFirstPlayerOnALaterLaunch)
{
    killService();
    launch();
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVUserQuorvelApprovalController"; }));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForText("Quorvel failed to initialize"));
    const std::string firstSteps = std::to_string(StandInState::kFirstStepsAchievement);
    QVAchievement::achievement(firstSteps)->unlock();
    EXPECT_EQ(listener.heard, std::vector<std::string> { "unlocked " + firstSteps });
    quit();

    startService();
    launch();
    // The device's first account is made; the friends offer comes up.
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    int64_t player = std::stoll(loggedInUser());
    // It goes out while the friends offer is still up: a player who quits there loses nothing.
    ASSERT_TRUE(waitUntil([&] { return keptProgress(*state, player, StandInState::kFirstStepsAchievement) == 100.0; }))
        << screenText();
    EXPECT_EQ(screenName(), "QVLinkSocialNetworksController");
    quit();
    launch();
    ASSERT_TRUE(waitUntil([&] { return loginSettled(); }));
    EXPECT_EQ(serviceRequestsTo("users/@me/unlocked_achievements.xml").size(), 1u) << "sent once, not at every login";
}

// Online, an id the service does not know is the game's failure, and the
// device does not post it again at the next login.
TEST_F(AchievementsLaunchEndToEnd, AnAchievementTheServiceRefusesIsTheGamesFailureAndIsNotPostedAgain)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    QVAchievement::achievement("99")->unlock();
    ASSERT_TRUE(waitUntil([&] { return !listener.heard.empty(); }));
    EXPECT_EQ(listener.heard, std::vector<std::string> { "failed 99" });
    quit();

    launchAndLogIn();
    ASSERT_TRUE(waitUntil([&] { return loginSettled(); }));
    EXPECT_EQ(serviceRequestsTo("users/@me/unlocked_achievements.xml").size(), 1u) << "the refused unlock is not posted again";
}

// Offline, with the game's list kept on the device, an id the list lacks is
// the game's failure at once: nothing is kept that the service would refuse.
TEST_F(AchievementsLaunchEndToEnd, OfflineAnIdTheKeptListLacksFailsAtOnceAndIsNeverSent)
{
    int64_t player = logInThenRelaunchWithoutTheService();
    ASSERT_GT(player, 0);
    ASSERT_FALSE(Quorvel::isOnline());
    QVAchievement::achievement("99")->unlock();
    EXPECT_EQ(listener.heard, std::vector<std::string> { "failed 99" });
    const std::string coins = std::to_string(StandInState::kCollectorAchievement);
    QVAchievement::achievement(coins)->unlock(); // one the list holds is kept as before
    EXPECT_EQ(listener.heard, (std::vector<std::string> { "failed 99", "unlocked " + coins }));
    quit();

    startService();
    launchAndLogIn();
    ASSERT_TRUE(waitUntil([&] { return loginSettled(); }));
    auto posts = serviceRequestsTo("users/@me/unlocked_achievements.xml");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].param("achievement_list[][achievement_definition_id]"), coins);
    EXPECT_EQ(keptProgress(*state, player, StandInState::kCollectorAchievement), 100.0);
}

// Kept before the device knew the game's list, an id the service then
// refuses reaches the game as that achievement's failure, once.
TEST_F(AchievementsLaunchEndToEnd, AnIdKeptBeforeTheListWasKnownIsTheGamesFailureWhenTheServiceRefusesIt)
{
    killService();
    launch();
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVUserQuorvelApprovalController"; }));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForText("Quorvel failed to initialize"));
    QVAchievement::achievement("99")->unlock();
    EXPECT_EQ(listener.heard, std::vector<std::string> { "unlocked 99" }) << "kept: nothing says it is unknown yet";
    quit();

    startService();
    launch();
    ASSERT_TRUE(waitUntil([&] { return listener.heard.size() == 2; })) << screenText();
    EXPECT_EQ(listener.heard, (std::vector<std::string> { "unlocked 99", "failed 99" }));
    quit();
    launchAndLogIn();
    ASSERT_TRUE(waitUntil([&] { return loginSettled(); }));
    EXPECT_EQ(serviceRequestsTo("users/@me/unlocked_achievements.xml").size(), 1u) << "the refused unlock is not posted again";
    EXPECT_EQ(listener.heard.size(), 2u);
}

} // namespace
