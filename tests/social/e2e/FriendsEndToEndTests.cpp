// Friends as the player makes them: finding a player by name, adding and
// removing them from their profile, the friends and pending lists, importing
// from a linked network, the friends who play the game, and the game's own
// friend request through the current player's class.
#include "CommunityEndToEndSupport.h"

#include "social/core/QVCurrentUser.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVUser.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;
using Ids = std::vector<int64_t>;

namespace {

using FriendsEndToEnd = CommunityEndToEndTest;

TEST_F(FriendsEndToEnd, APlayerFoundByNameIsAddedFromTheirProfileAndListedAmongTheFriends)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    Quorvel::launchDashboardWithFindFriendsPage();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_TRUE(tapWhenShown("Find by Name")) << screenText();
    ASSERT_TRUE(waitForScreen("QVFindUserController"));
    ASSERT_TRUE(typeInto(0, "Riv"));
    ASSERT_TRUE(driver->pressReturn());
    ASSERT_TRUE(tapWhenShown("Rival")) << screenText();
    ASSERT_TRUE(waitForScreen("QVProfileController"));
    ASSERT_TRUE(waitForText("Rival has played 2 games")) << screenText();
    EXPECT_TRUE(shows("Rival's Profile"));

    ASSERT_TRUE(tapWhenShown("Add Friend")) << screenText();
    ASSERT_TRUE(waitForText("Remove Friend")) << screenText();
    EXPECT_EQ(state->followedBy(player), Ids { StandInState::kRivalUser });

    // The player's own friends list now holds the rival.
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapWhenShown("My Friends")) << screenText();
    ASSERT_TRUE(waitForText("Rival")) << screenText();

    // Removing them again from their profile, reached from the list.
    ASSERT_TRUE(tapWhenShown("Rival")) << screenText();
    ASSERT_TRUE(waitForScreen("QVProfileController"));
    ASSERT_TRUE(tapWhenShown("Remove Friend")) << screenText();
    ASSERT_TRUE(waitForText("Add Friend"));
    EXPECT_TRUE(state->followedBy(player).empty());
}

TEST_F(FriendsEndToEnd, APendingRequestIsListedAndAcceptedFromThePendingTab)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t mira = addOtherPlayer("Mira");
    ASSERT_EQ(actAs(mira, "POST", "users/" + std::to_string(player) + "/following.xml").status, 200);

    state->addFriends(player, StandInState::kRivalUser);
    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::string("Friends"));
    ASSERT_TRUE(waitForScreen("QVFriendsController"));
    ASSERT_TRUE(waitForText("Rival")) << screenText();
    ASSERT_TRUE(tapTab("Pending")) << screenText();
    ASSERT_TRUE(tapWhenShown("Mira")) << screenText();
    ASSERT_TRUE(waitForScreen("QVProfileController"));
    ASSERT_TRUE(tapWhenShown("Add Friend")) << screenText();
    ASSERT_TRUE(waitForText("Remove Friend"));
    EXPECT_EQ(state->followedBy(player), (Ids { StandInState::kRivalUser, mira }));
    EXPECT_EQ(state->followedBy(mira), Ids { player });
}

TEST_F(FriendsEndToEnd, ImportingFromALinkedNetworkAsksTheServiceAndAnUnlinkedOneAsksToLinkFirst)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    ASSERT_TRUE(keep("INSERT INTO linked_networks VALUES (" + std::to_string(player) + ", 'twitter', '2026-01-01')"));
    Quorvel::launchDashboardWithFindFriendsPage();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_TRUE(tapWhenShown("Import from Twitter")) << screenText();
    ASSERT_TRUE(waitForText("Allow some time for us to find your")) << screenText();
    auto imports = serviceRequestsTo("users_credentials/import_friends");
    ASSERT_EQ(imports.size(), 1u);
    EXPECT_EQ(imports[0].param("credential_name"), "twitter");

    // Back on the player's page, the empty friends list offers the networks again.
    ASSERT_TRUE(tapWhenShown("OK")) << screenText();
    ASSERT_TRUE(tapWhenShown("My Friends")) << screenText();
    ASSERT_TRUE(tapWhenShown("Import from Facebook")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return frontScreenName() != "QVImportFriendsController"; }));
    EXPECT_NE(frontScreenName().find("Facebook"), std::string::npos) << screenText();
    EXPECT_EQ(serviceRequestsTo("users_credentials/import_friends").size(), 1u);
}

TEST_F(FriendsEndToEnd, WhosPlayingListsTheFriendsWhoPlayTheGame)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t stranger = addOtherPlayer("Stranger");
    state->addFriends(player, StandInState::kRivalUser);
    Quorvel::launchDashboardWithWhosPlayingPage();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_TRUE(waitForText("Rival")) << screenText();
    EXPECT_TRUE(shows("Showing 1 of 1")) << screenText();
    EXPECT_FALSE(shows("Stranger"));
    (void)stranger;
}

class FriendRequestsHeard final : public QVCurrentUserDelegate {
public:
    void didSendFriendRequest() override { calls.push_back("sent"); }
    void didFailSendFriendRequest() override { calls.push_back("send failed"); }
    void didUnfriend() override { calls.push_back("unfriended"); }
    void didFailUnfriend() override { calls.push_back("unfriend failed"); }
    void didCheckConnectedToSocialNetwork(bool linked) override { calls.push_back(linked ? "linked" : "not linked"); }
    std::vector<std::string> calls;
};

TEST_F(FriendsEndToEnd, TheGamesFriendRequestsReachTheServiceAndItsDelegate)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    FriendRequestsHeard heard;
    QVCurrentUser::setDelegate(&heard);
    struct Restore {
        ~Restore() { QVCurrentUser::setDelegate(nullptr); }
    } restore;
    EXPECT_FALSE(QVCurrentUser::hasFriends());

    auto rival = QVUser::create();
    rival->setResourceId(std::to_string(StandInState::kRivalUser));
    QVCurrentUser::sendFriendRequest(rival.get());
    ASSERT_TRUE(waitUntil([&] { return heard.calls.size() == 1; }));
    EXPECT_EQ(state->followedBy(player), Ids { StandInState::kRivalUser });

    QVCurrentUser::checkConnectedToSocialNetwork();
    ASSERT_TRUE(waitUntil([&] { return heard.calls.size() == 2; }));
    QVCurrentUser::unfriend(rival.get());
    ASSERT_TRUE(waitUntil([&] { return heard.calls.size() == 3; }));
    EXPECT_TRUE(state->followedBy(player).empty());

    // A player who does not exist is refused, and the delegate hears so.
    auto nobody = QVUser::create();
    nobody->setResourceId("999999");
    QVCurrentUser::sendFriendRequest(nobody.get());
    ASSERT_TRUE(waitUntil([&] { return heard.calls.size() == 4; }));
    EXPECT_EQ(heard.calls, (std::vector<std::string> { "sent", "not linked", "unfriended", "send failed" }));
}

// With no friends the list is empty: the Friends and Pending tabs above it
// keep their height and take the player's touch.
TEST_F(FriendsEndToEnd, APlayerWithoutFriendsStillReachesThePendingTab)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t mira = addOtherPlayer("Mira");
    ASSERT_EQ(actAs(mira, "POST", "users/" + std::to_string(player) + "/following.xml").status, 200);

    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::string());
    ASSERT_TRUE(tapWhenShown("My Friends")) << screenText();
    ASSERT_TRUE(waitForScreen("QVFriendsController"));
    ASSERT_TRUE(waitForText("Import from Facebook")) << screenText();
    letTimePass(0.3);
    ASSERT_TRUE(tapText("Pending")) << screenText();
    ASSERT_TRUE(waitForText("Mira")) << screenText();
    ASSERT_TRUE(tapText("Friends")) << screenText();
    ASSERT_TRUE(waitForText("Import from Facebook")) << screenText();
    letTimePass(0.3);
    ASSERT_TRUE(tapText("Pending")) << screenText();
    ASSERT_TRUE(waitForText("Mira")) << screenText();
}

} // namespace
