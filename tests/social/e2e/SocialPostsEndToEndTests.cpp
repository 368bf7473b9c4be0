// Posts to the player's linked social networks, which the client makes only
// after asking the player, and the game's announcements, which the player
// browses and reads in the fan club.
#include "CommunityEndToEndSupport.h"

#include "social/core/QuorvelInternal.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVSocialNotificationService.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;

namespace {

class PostsHeard final : public QVSocialNotificationApiDelegate {
public:
    void didSendSocialNotificaiton() override { calls.push_back("sent"); }
    void didFailSendSocialNotification() override { calls.push_back("failed"); }
    std::vector<std::string> calls;
};

class SocialPostsEndToEnd : public CommunityEndToEndTest {
protected:
    void SetUp() override
    {
        CommunityEndToEndTest::SetUp();
        QVSocialNotificationApi::setDelegate(&heard);
    }
    void TearDown() override
    {
        QVSocialNotificationApi::setDelegate(nullptr);
        CommunityEndToEndTest::TearDown();
    }
    // The game posts its game-over message; the client asks the player first.
    void postGameOver()
    {
        QVSocialNotificationApi::sendWithText("reached platform 3 & scored 120 points on #Brisko! W00t!", "game_over");
        ASSERT_TRUE(waitForText("Post to your social networks?")) << screenText();
        EXPECT_TRUE(shows("reached platform 3 & scored 120 points")) << screenText();
    }
    std::string posts() const { return kept("SELECT COUNT(*) FROM social_posts"); }
    PostsHeard heard;
};

TEST_F(SocialPostsEndToEnd, AGameOverMessageIsPostedOnlyWhenThePlayerSaysYes)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    ASSERT_TRUE(keep("INSERT INTO linked_networks VALUES (" + std::to_string(player) + ", 'twitter', '2026-01-01')"));

    // No: nothing reaches the networks, and the game hears so once.
    ASSERT_NO_FATAL_FAILURE(postGameOver());
    ASSERT_TRUE(tap("No"));
    ASSERT_TRUE(waitUntil([&] { return !heard.calls.empty(); }));
    letTimePass(0.3);
    EXPECT_EQ(heard.calls, std::vector<std::string> { "failed" });
    EXPECT_TRUE(serviceRequestsTo("notifications.xml").empty());
    EXPECT_EQ(posts(), "0");
    EXPECT_FALSE(shows("Post to your social networks?"));

    // Yes: the post is kept with its picture's name, and the game hears of it.
    heard.calls.clear();
    ASSERT_NO_FATAL_FAILURE(postGameOver());
    ASSERT_TRUE(tap("Yes"));
    ASSERT_TRUE(waitUntil([&] { return !heard.calls.empty(); }));
    EXPECT_EQ(heard.calls, std::vector<std::string> { "sent" });
    EXPECT_EQ(posts(), "1");
    EXPECT_EQ(kept("SELECT message FROM social_posts WHERE user_id = " + std::to_string(player)),
              "reached platform 3 & scored 120 points on #Brisko! W00t!");
    EXPECT_EQ(kept("SELECT image_type || ':' || image FROM social_posts"), "notification_images:game_over");

    // A player without a linked network is never asked.
    ASSERT_TRUE(keep("DELETE FROM linked_networks"));
    heard.calls.clear();
    QVSocialNotificationApi::sendWithText("reached platform 4", "game_over");
    ASSERT_TRUE(waitUntil([&] { return !heard.calls.empty(); }));
    EXPECT_EQ(heard.calls, std::vector<std::string> { "failed" });
    EXPECT_FALSE(shows("Post to your social networks?"));
    EXPECT_EQ(posts(), "1");
}

TEST_F(SocialPostsEndToEnd, AnnouncementsAreCountedBrowsedInTheFanClubAndReadOnce)
{
    ASSERT_GT(launchAndLogIn(), 0);
    // Both of the game's announcements are new to the player.
    ASSERT_TRUE(waitUntil([] { return QVAnnouncementService::unreadAnnouncements() == 2; }));

    openDashboard();
    ASSERT_TRUE(tapWhenShown("Fan Club")) << screenText();
    ASSERT_TRUE(tapWhenShown("Developer Announcements")) << screenText();
    ASSERT_TRUE(waitForScreen("QVAnnouncementBrowserController")) << screenText();
    ASSERT_TRUE(waitForText("Welcome to the game")) << screenText();
    EXPECT_TRUE(shows("Our next game"));
    EXPECT_EQ(QVAnnouncementService::unreadAnnouncements(), 0u);

    ASSERT_TRUE(tapText("Welcome to the game"));
    ASSERT_TRUE(waitForScreen("QVAnnouncementDetailController")) << screenText();
    ASSERT_TRUE(waitForText("Thanks for playing. Tell us what you think in the forums.")) << screenText();

    // The next start asks only for what is newer than what was read: nothing is new.
    quit();
    ASSERT_GT(launchAndLogIn(), 0);
    auto asked = serviceRequestsTo("client_applications/321/forums/announcements.xml");
    ASSERT_TRUE(waitUntil([&] {
        asked = serviceRequestsTo("client_applications/321/forums/announcements.xml");
        return asked.size() == 2;
    }));
    EXPECT_NE(asked[1].param("since").find("2026"), std::string::npos) << asked[1].param("since");
    letTimePass(0.2);
    EXPECT_EQ(QVAnnouncementService::unreadAnnouncements(), 0u);
}

} // namespace
