// The dashboard's kit end to end: each tab of the strip keeps its own stack of
// screens; a player's profile page follows them with its friend button, kept
// by the service, and lists what the service answers with its closing row.
#include "DashboardEndToEndSupport.h"

#include "social/ui/QVTabBarItem.h"

#include <gtest/gtest.h>

using namespace e2e_testing;
using standin::StandInState;

namespace {

using KitEndToEnd = DashboardEndToEndTest;

TEST_F(KitEndToEnd, EachTabKeepsItsOwnStackOfScreens)
{
    launchAndLogIn();
    openDashboard();
    auto tabs = visible<quorvel::QVTabBarItem>();
    ASSERT_EQ(tabs.size(), 3u);
    std::string gameTab;
    for (auto* tab : tabs)
        if (tab->name() != "My Quorvel" && tab->name() != "Games")
            gameTab = tab->name();
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForScreen("QVLeaderboardController"));

    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController"));
    ASSERT_TRUE(tapText("My Games"));
    ASSERT_TRUE(waitForScreen("QVPlayedGameController"));
    EXPECT_TRUE(waitForText("No More To Load")); // the list's closing row

    // Back on the game's tab, the leaderboards are still in front; then the other tab's list.
    ASSERT_TRUE(tapTab(gameTab)) << gameTab;
    EXPECT_TRUE(waitForScreen("QVLeaderboardController"));
    ASSERT_TRUE(tapTab("My Quorvel"));
    EXPECT_TRUE(waitForScreen("QVPlayedGameController"));
    ASSERT_TRUE(tapBack());
    EXPECT_TRUE(waitForScreen("QVMyQuorvelController"));
}

TEST_F(KitEndToEnd, TheFriendButtonOfAProfileFollowsAndUnfollowsAndIsKept)
{
    int64_t me = launchAndLogIn();
    state->addFriends(me, StandInState::kRivalUser);
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapText("My Friends"));
    ASSERT_TRUE(waitForText("Rival"));
    ASSERT_TRUE(tapText("Rival"));
    ASSERT_TRUE(waitForText("Remove Friend"));

    ASSERT_TRUE(tap("Remove Friend"));
    ASSERT_TRUE(waitUntil([&] { return state->followedBy(me).empty(); }));
    ASSERT_TRUE(waitForText("Add Friend"));
    ASSERT_TRUE(tap("Add Friend"));
    ASSERT_TRUE(waitUntil([&] { return state->followedBy(me) == std::vector<int64_t> { StandInState::kRivalUser }; }));
    EXPECT_TRUE(waitForText("Remove Friend"));
}

} // namespace
