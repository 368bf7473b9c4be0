// Conversations as the player holds them: started from another player's
// profile, a message sent and kept, the other player's answer brought by the
// conversation's own poller, the conversation found in the inbox, and an
// abuse report filed from the profile.
#include "CommunityEndToEndSupport.h"

#include "social/core/QuorvelInternal.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;

namespace {


class ConversationsEndToEnd : public CommunityEndToEndTest {
protected:
    // The player opens Mira's profile through the search by name.
    void openMirasProfile()
    {
        Quorvel::launchDashboardWithFindFriendsPage();
        ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
        ASSERT_TRUE(tapWhenShown("Find by Name")) << screenText();
        ASSERT_TRUE(waitForScreen("QVFindUserController"));
        ASSERT_TRUE(typeInto(0, "Mir"));
        ASSERT_TRUE(driver->pressReturn());
        ASSERT_TRUE(tapWhenShown("Mira")) << screenText();
        ASSERT_TRUE(waitForScreen("QVProfileController"));
        ASSERT_TRUE(waitForText("Mira has")) << screenText();
    }
    int64_t player { 0 };
    int64_t mira { 0 };
};

TEST_F(ConversationsEndToEnd, AMessageSentFromAProfileIsKeptAndTheAnswerArrivesAndTheInboxHoldsTheConversation)
{
    player = launchAndLogIn();
    ASSERT_GT(player, 0);
    mira = addOtherPlayer("Mira");
    ASSERT_NO_FATAL_FAILURE(openMirasProfile());
    ASSERT_TRUE(tapText("Instant Message"));
    ASSERT_TRUE(waitForScreen("QVConversationController")) << screenText();
    // The box is a placeholder field under the text view that takes the typing.
    ASSERT_TRUE(waitUntil([&] { return typeInto(1, "Good race"); })) << screenText();
    ASSERT_TRUE(tap("Send")) << screenText();
    const std::string thread = kept("SELECT id FROM discussions WHERE topic_id = 0");
    ASSERT_FALSE(thread.empty());
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT body FROM posts WHERE discussion_id = " + thread) == "Good race"; }));
    ASSERT_TRUE(waitForText("Good race")) << screenText();

    // Mira answers from her device; the open conversation polls it in.
    ASSERT_EQ(actAs(mira, "POST", "discussions/" + thread + "/posts.xml", { { "post[body]", "Rematch?" } }).status, 200);
    ASSERT_TRUE(waitForText("Rematch?")) << screenText();
    EXPECT_FALSE(serviceRequestsTo("discussions/" + thread + "/posts.xml").empty());

    // Back on the player's page, the inbox lists the conversation with Mira.
    while (tapBack())
        ;
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController")) << screenText();
    ASSERT_TRUE(tapWhenShown("Inbox")) << screenText();
    ASSERT_TRUE(tapWhenShown("IM Conversations")) << screenText();
    ASSERT_TRUE(waitForText("Mira")) << screenText();
    EXPECT_TRUE(shows("Rematch?")) << screenText();
}

TEST_F(ConversationsEndToEnd, AConversationReadsOldestToNewestDownTheScreen)
{
    player = launchAndLogIn();
    ASSERT_GT(player, 0);
    mira = addOtherPlayer("Mira");
    auto started = actAs(mira, "POST", "discussions.xml", { { "discussion[other_user_id]", std::to_string(player) } });
    ASSERT_EQ(started.status, 200);
    const std::string thread = kept("SELECT id FROM discussions WHERE topic_id = 0");
    for (const char* text : { "First of three", "Second of three", "Third of three" })
        ASSERT_EQ(actAs(mira, "POST", "discussions/" + thread + "/posts.xml", { { "post[body]", text } }).status, 200);

    ASSERT_NO_FATAL_FAILURE(openMirasProfile());
    ASSERT_TRUE(tapText("Instant Message"));
    ASSERT_TRUE(waitForScreen("QVConversationController")) << screenText();
    ASSERT_TRUE(waitForText("Third of three")) << screenText();
    EXPECT_LT(textTop("First of three"), textTop("Second of three")) << screenText();
    EXPECT_LT(textTop("Second of three"), textTop("Third of three")) << screenText();

    // Two more that the conversation's poller brings in one answer go below, in order.
    for (const char* text : { "Fourth", "Fifth" })
        ASSERT_EQ(actAs(mira, "POST", "discussions/" + thread + "/posts.xml", { { "post[body]", text } }).status, 200);
    ASSERT_TRUE(waitForText("Fifth")) << screenText();
    EXPECT_LT(textTop("Third of three"), textTop("Fourth")) << screenText();
    EXPECT_LT(textTop("Fourth"), textTop("Fifth")) << screenText();
}

TEST_F(ConversationsEndToEnd, AnAbuseReportFiledFromAProfileIsKeptOnlyWhenConfirmed)
{
    player = launchAndLogIn();
    ASSERT_GT(player, 0);
    mira = addOtherPlayer("Mira");
    ASSERT_NO_FATAL_FAILURE(openMirasProfile());
    const std::string count = "SELECT COUNT(*) FROM abuse_flags WHERE reporter_id = " + std::to_string(player)
        + " AND user_id = " + std::to_string(mira);
    ASSERT_TRUE(tapText("Report Abuse"));
    ASSERT_TRUE(driver->answerActionSheet("Cancel"));
    letTimePass(0.3);
    EXPECT_EQ(kept(count), "0");
    ASSERT_TRUE(tapText("Report Abuse"));
    ASSERT_TRUE(driver->answerActionSheet("Yes, Report"));
    ASSERT_TRUE(waitUntil([&] { return kept(count) == "1"; }));
    EXPECT_EQ(kept("SELECT abuse_type FROM abuse_flags"), "chat");
}

} // namespace
