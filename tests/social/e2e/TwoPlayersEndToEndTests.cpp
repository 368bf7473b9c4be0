// Two players, Ann and Bea, each on a device of her own against one service:
// what one does reaches the other's login notice, badges, lists and screens
// as the service holds it. A friend request is counted at the login of the
// player it waits for and leaves the Pending tab once accepted; a challenge
// is counted at its player's login until her list has shown it, and its
// result reaches the sender's history; a conversation names the other
// player on both sides.
#include "CommunityEndToEndSupport.h"

#include "platform/device/Device.h"
#include "platform/foundation/Bundle.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVLinkSocialNetworksController.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeService.h"
#include "social/ui/QVTabBarItem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace quorvel;
using namespace e2e_testing;

namespace {

class StartedChallenges final : public QVChallengeDelegate {
public:
    bool respondsTo(Message) const override { return true; }
    void userLaunchedChallenge(platform::Object* challengeToUser, const std::optional<platform::Bytes>&) override
    {
        launched = dynamic_cast<QVChallengeToUser*>(challengeToUser);
    }
    platform::Ref<QVChallengeToUser> launched;
};

class TwoPlayersEndToEnd : public CommunityEndToEndTest {
protected:
    enum class Player { Ann, Bea };

    void SetUp() override
    {
        CommunityEndToEndTest::SetUp();
        delegates->setChallengeDelegate(&challenges);
    }

    // The player picks up her own device (the game installed there, with its
    // own settings and keychain) and the game starts and logs her in: the
    // first time as a new player, who then takes her name.
    void playAs(Player who)
    {
        if (playing)
            quit();
        playing = true;
        testing_support::TempDir& device = who == Player::Ann ? home : beasDevice;
        platform::Bundle::main().setHomeDirectory(device.path());
        platform::ui::Device::currentDevice().setInstallationDirectory(device.file("install"));
        reloadUserDefaults();
        QVLinkSocialNetworksController::invalidateSessionSeenLinkSocialNetworksScreen();
        notices.clear();
        int64_t& id = who == Player::Ann ? ann : bea;
        const bool first = id == 0;
        id = launchAndLogIn();
        ASSERT_GT(id, 0);
        if (first) {
            ASSERT_TRUE(keep("UPDATE users SET name = '" + name(who) + "' WHERE id = " + std::to_string(id)));
        }
    }
    static std::string name(Player who) { return who == Player::Ann ? "Ann" : "Bea"; }

    // The notice the login shows once the game hears of it.
    bool noticed(const std::string& text)
    {
        return waitUntil([&] { return std::find(notices.begin(), notices.end(), text) != notices.end(); });
    }
    // The number on a dashboard tab's badge ("" while it shows none).
    // Whether some visible text (a row's name, a title) reads exactly `text`.
    bool showsExactly(const std::string& text) const
    {
        auto texts = visibleTexts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::string tabBadge(const std::string& tab) const
    {
        std::function<QVTabBarItem*(platform::ui::View*)> find = [&](platform::ui::View* v) -> QVTabBarItem* {
            if (auto* item = dynamic_cast<QVTabBarItem*>(v); item && item->name() == tab)
                return item;
            for (auto& sub : v->subviews())
                if (auto* found = find(sub.get()))
                    return found;
            return nullptr;
        };
        auto* item = find(driver->window());
        auto* badge = item ? item->badgeView() : nullptr;
        if (!badge || badge->isHidden() || !badge->label())
            return {};
        return badge->label()->text();
    }
    void openProfileOf(Player who)
    {
        Quorvel::launchDashboardWithFindFriendsPage();
        ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
        ASSERT_TRUE(tapWhenShown("Find by Name")) << screenText();
        ASSERT_TRUE(waitForScreen("QVFindUserController"));
        // A part of the name: the whole would show in the field before the row that is tapped.
        ASSERT_TRUE(typeInto(0, name(who).substr(0, 2)));
        ASSERT_TRUE(driver->pressReturn());
        ASSERT_TRUE(tapWhenShown(name(who))) << screenText();
        ASSERT_TRUE(waitForScreen("QVProfileController"));
        ASSERT_TRUE(waitForText(name(who) + " has")) << screenText();
    }

    testing_support::TempDir beasDevice;
    bool playing { false };
    int64_t ann { 0 }, bea { 0 };
    StartedChallenges challenges;
};

TEST_F(TwoPlayersEndToEnd, AFriendRequestIsCountedAtLoginAndLeavesThePendingTabOnceAccepted)
{
    ASSERT_NO_FATAL_FAILURE(playAs(Player::Ann));
    ASSERT_NO_FATAL_FAILURE(playAs(Player::Bea));
    ASSERT_NO_FATAL_FAILURE(openProfileOf(Player::Ann));
    ASSERT_TRUE(tapWhenShown("Add Friend")) << screenText();
    ASSERT_TRUE(waitForText("Remove Friend")) << screenText();

    ASSERT_NO_FATAL_FAILURE(playAs(Player::Ann));
    EXPECT_TRUE(noticed("Hi Ann! You have 1 pending friend.")) << testing::PrintToString(notices);
    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::string());
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController")) << screenText();
    EXPECT_EQ(tabBadge("My Quorvel"), "1");
    ASSERT_TRUE(tapWhenShown("My Friends")) << screenText();
    ASSERT_TRUE(waitForScreen("QVFriendsController"));
    ASSERT_TRUE(waitForText("Import from Facebook")) << screenText();
    letTimePass(0.3);
    ASSERT_TRUE(tapText("Pending")) << screenText();
    ASSERT_TRUE(tapWhenShown("Bea")) << screenText();
    ASSERT_TRUE(waitForScreen("QVProfileController"));
    ASSERT_TRUE(tapWhenShown("Add Friend")) << screenText();
    ASSERT_TRUE(waitForText("Remove Friend")) << screenText();

    // Back on the Pending tab, nobody waits any more, and the badge agrees.
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitForText("Here's where you'll find any pending friend requests.")) << screenText();
    EXPECT_FALSE(showsExactly("Bea")) << screenText();
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 0);
    EXPECT_EQ(tabBadge("My Quorvel"), "");
    ASSERT_NO_FATAL_FAILURE(playAs(Player::Ann));
    EXPECT_TRUE(noticed("Welcome back, Ann")) << testing::PrintToString(notices);
}

TEST_F(TwoPlayersEndToEnd, AChallengeIsCountedUntilItsPlayerSawItAndItsResultReachesTheSender)
{
    ASSERT_NO_FATAL_FAILURE(playAs(Player::Bea));
    ASSERT_NO_FATAL_FAILURE(playAs(Player::Ann));
    state->addFriends(ann, bea);
    QVChallengeService::displaySendChallengeModal("51", "Beat 1:10", platform::Bytes { 7 });
    ASSERT_TRUE(waitForScreen("QVSendChallengeController"));
    // The screen's second load waits behind its loading screen for a while.
    ASSERT_TRUE(waitForText("Bea")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return tap("Send Challenge"); })) << screenText();
    ASSERT_TRUE(driver->answerAlert("OK"));
    ASSERT_TRUE(tapText("Bea"));
    ASSERT_TRUE(typeInto(0, "Catch me"));
    ASSERT_TRUE(tap("Send Challenge"));
    ASSERT_TRUE(waitUntil([&] { return state->challengesTo(bea).size() == 1; })) << screenText();

    ASSERT_NO_FATAL_FAILURE(playAs(Player::Bea));
    EXPECT_TRUE(noticed("Hi Bea! You have 1 new challenge.")) << testing::PrintToString(notices);
    openDashboard();
    // The game's tab counts the challenge beside the game's two announcements.
    EXPECT_EQ(tabBadge("Brisko"), "3");
    ASSERT_TRUE(tapText("Challenges"));
    ASSERT_TRUE(waitForText("From Ann")) << screenText();
    // The list has shown it: it is no longer new, here or at her next login.
    EXPECT_EQ(QuorvelInternal::options().unviewedChallengesCount(), 0);
    EXPECT_EQ(tabBadge("Brisko"), "2");
    ASSERT_TRUE(tapText("Fastest Lap"));
    ASSERT_TRUE(waitForScreen("QVChallengeDetailController"));
    ASSERT_TRUE(tap("Start Challenge"));
    ASSERT_TRUE(waitUntil([&] { return challenges.launched && !QuorvelInternal::presenter().isShowingFullScreen(); }));
    challenges.launched->completeWithResult(QVChallengeService::kWon);
    ASSERT_TRUE(waitUntil([&] { return state->challengesTo(bea).back().result == "win"; }));
    ASSERT_NO_FATAL_FAILURE(playAs(Player::Bea));
    EXPECT_TRUE(noticed("Welcome back, Bea")) << testing::PrintToString(notices);

    // Ann's tally of the type counts the loss, and its history holds the challenge she sent.
    ASSERT_NO_FATAL_FAILURE(playAs(Player::Ann));
    openDashboard();
    ASSERT_TRUE(tapText("Challenges"));
    ASSERT_TRUE(tapWhenShown("History"));
    ASSERT_TRUE(waitForText("Challenge Types")) << screenText();
    auto texts = visibleTexts();
    auto lap = std::find(texts.begin(), texts.end(), "Fastest Lap");
    ASSERT_NE(lap, texts.end()) << screenText();
    std::vector<std::string> row(lap + 1, std::min(lap + 7, texts.end()));
    EXPECT_EQ(row, (std::vector<std::string> { "Wins", "Losses", "Ties", "0", "1", "0" })) << screenText();
    ASSERT_TRUE(tapText("Fastest Lap"));
    ASSERT_TRUE(waitForText("Challenge History")) << screenText();
    EXPECT_TRUE(shows("To Bea")) << screenText();
    EXPECT_TRUE(shows("Catch me")) << screenText();
}

TEST_F(TwoPlayersEndToEnd, AConversationNamesTheOtherPlayerOnBothSides)
{
    ASSERT_NO_FATAL_FAILURE(playAs(Player::Bea));
    ASSERT_NO_FATAL_FAILURE(playAs(Player::Ann));
    ASSERT_NO_FATAL_FAILURE(openProfileOf(Player::Bea));
    ASSERT_TRUE(tapText("Instant Message"));
    ASSERT_TRUE(waitForScreen("QVConversationController")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return typeInto(1, "Race at noon?"); })) << screenText();
    ASSERT_TRUE(tap("Send")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT COUNT(*) FROM posts WHERE user_id = " + std::to_string(ann)) == "1"; }));

    // Bea reads it and answers; her inbox still names Ann, and so does the conversation.
    ASSERT_NO_FATAL_FAILURE(playAs(Player::Bea));
    EXPECT_TRUE(noticed("Hi Bea! You have 1 unread conversation.")) << testing::PrintToString(notices);
    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::string());
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController")) << screenText();
    ASSERT_TRUE(tapWhenShown("Inbox")) << screenText();
    ASSERT_TRUE(tapWhenShown("IM Conversations")) << screenText();
    ASSERT_TRUE(tapWhenShown("Ann")) << screenText();
    ASSERT_TRUE(waitForScreen("QVConversationController")) << screenText();
    ASSERT_TRUE(waitForText("Race at noon?")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return typeInto(1, "Noon it is"); })) << screenText();
    ASSERT_TRUE(tap("Send")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT COUNT(*) FROM posts WHERE user_id = " + std::to_string(bea)) == "1"; }));
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitForScreen("QVInboxIMConversationsController")) << screenText();
    ASSERT_TRUE(waitForText("Noon it is")) << screenText();
    EXPECT_TRUE(showsExactly("Ann")) << screenText();
    EXPECT_FALSE(showsExactly("Bea")) << screenText();
    ASSERT_TRUE(tapText("Ann"));
    ASSERT_TRUE(waitForScreen("QVConversationController")) << screenText();
    EXPECT_TRUE(waitForText("Ann is")) << screenText();
    EXPECT_FALSE(shows("Bea is")) << screenText();

    ASSERT_NO_FATAL_FAILURE(playAs(Player::Ann));
    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::string());
    ASSERT_TRUE(tapWhenShown("Inbox")) << screenText();
    ASSERT_TRUE(tapWhenShown("IM Conversations")) << screenText();
    ASSERT_TRUE(waitForText("Noon it is")) << screenText();
    EXPECT_TRUE(showsExactly("Bea")) << screenText();
    EXPECT_FALSE(showsExactly("Ann")) << screenText();
}

} // namespace
