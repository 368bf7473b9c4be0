// Launching the game with the client, end to end: what each bootstrap tells
// the service of the player's use (sessions, dashboard launches, the dates
// the device last synchronised), what a launch without the service still
// knows from the device (the player, the game's leaderboards and
// achievements), and the accounts a device has been used with.
#include "EndToEndTestSupport.h"

#include "social/services/QVAchievement.h"
#include "social/services/QVHighScoreService.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;
using Strings = std::vector<std::string>;
using standin::StandInState;

namespace {

using LaunchEndToEnd = EndToEndTest;

TEST_F(LaunchEndToEnd, EachBootstrapReportsThePlayersSessionsDashboardLaunchesAndLastSync)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    auto first = serviceRequestsTo("bootstrap.xml");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].param("[user_stats]total_dashboard_launches"), "0");
    // A device that never synchronised asks for everything.
    EXPECT_EQ(first[0].param("leaderboards_sync_date"), "1970-01-01 00:00:00");

    // The player scores, unlocks an achievement and looks at the dashboard once.
    QVHighScoreService::setHighScore(1000, std::to_string(StandInState::kNormalLeaderboard), {}, {});
    QVAchievement::achievement(std::to_string(StandInState::kFirstStepsAchievement))->unlock();
    ASSERT_TRUE(waitUntil([&] { return !state->scores().empty() && !state->unlocks().empty(); }));
    openDashboard();
    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    quit();

    // The next launch tells the service of the first session and its dashboard,
    // and since when it needs the game's definitions and the player's bests.
    launch();
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo("bootstrap.xml").size() == 2; }));
    auto second = serviceRequestsTo("bootstrap.xml")[1];
    EXPECT_EQ(second.param("[user_stats]total_dashboard_launches"), "1");
    EXPECT_GT(std::stoi(second.param("[user_stats]total_game_sessions")),
              std::stoi(first[0].param("[user_stats]total_game_sessions")));
    EXPECT_GE(std::stoi(second.param("[user_stats]total_online_game_sessions")), 1);
    EXPECT_NE(second.param("leaderboards_sync_date"), first[0].param("leaderboards_sync_date"));
    EXPECT_NE(second.param("achievements_sync_date"), first[0].param("achievements_sync_date"));
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), std::to_string(player));
}

TEST_F(LaunchEndToEnd, WithoutTheServiceTheDashboardShowsThePlayersGameFromTheDevice)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    std::string name = Quorvel::lastLoggedInUserName();
    ASSERT_FALSE(name.empty());
    quit();

    killService();
    game.calls.clear();
    launch();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:" + std::to_string(player) }));
    EXPECT_EQ(Quorvel::lastLoggedInUserName(), name);

    // The leaderboards and achievements the last bootstrap sent were kept on the device.
    openDashboard();
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForText("Fastest Lap"));
    EXPECT_TRUE(shows("Normal"));
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(tapText("Achievements"));
    ASSERT_TRUE(waitForText("First Steps"));
    EXPECT_TRUE(shows("Collector"));
}

TEST_F(LaunchEndToEnd, TheSwitchUserPageListsTheDevicesAccountsAndLogsInTheOneChosen)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    Quorvel::launchDashboardWithSwitchUserPage();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_TRUE(waitForScreen("QVUseNewOrOldAccountController"));
    ASSERT_TRUE(waitForText("Showing 1 of 1"));
    EXPECT_TRUE(shows(Quorvel::lastLoggedInUserName()));
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo("users/for_device.xml").empty(); }));

    // The player makes a new account from there; the page then lists it, and
    // choosing it logs that account in by its id.
    ASSERT_TRUE(tap("Log in to another account"));
    ASSERT_TRUE(waitForText("Create a new account"));
    ASSERT_TRUE(tap("Create a new account"));
    ASSERT_TRUE(waitForScreen("QVNewAccountController"));
    auto made = serviceRequestsTo("bootstrap.xml").back();
    EXPECT_EQ(made.param("force_create_account"), "1");
    auto second = state->userForDevice(made.param("udid"));
    ASSERT_TRUE(second.has_value());
    ASSERT_NE(*second, player);
    ASSERT_TRUE(tap("Continue"));
    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));

    Quorvel::launchDashboardWithSwitchUserPage();
    ASSERT_TRUE(waitForScreen("QVUseNewOrOldAccountController"));
    std::string secondName = *state->userName(*second);
    ASSERT_TRUE(waitForText("Showing 2 of 2")); // both accounts the device has opened
    size_t before = serviceRequestsTo("bootstrap.xml").size();
    // The row takes the tap once the loading overlay has faded away.
    ASSERT_TRUE(waitUntil([&] { return tapRow(secondName); }));
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo("bootstrap.xml").size() == before + 1; }));
    EXPECT_EQ(serviceRequestsTo("bootstrap.xml").back().param("user_id"), std::to_string(*second));
    ASSERT_TRUE(waitUntil([&] { return Quorvel::lastLoggedInUserId() == std::to_string(*second); }));
}

} // namespace
