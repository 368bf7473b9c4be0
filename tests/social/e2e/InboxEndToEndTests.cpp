// The inbox as the player uses it: a conversation started with a friend
// picked from the friend picker, a forum thread starred from its page, and
// the menu's unread counts following the conversations and starred threads
// that hold posts the player has not read.
#include "CommunityEndToEndSupport.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/ui/QVBadgeView.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

class InboxEndToEnd : public CommunityEndToEndTest {
protected:
    // The number a visible badge shows on the row titled `title` ("" without one).
    std::string badgeOnRow(const std::string& title) const
    {
        std::vector<platform::ui::View*> views;
        std::function<void(platform::ui::View*)> walk = [&](platform::ui::View* v) {
            if (!v || v->isHidden() || v->alpha() <= 0.01f)
                return;
            views.push_back(v);
            for (auto& sub : v->subviews())
                walk(sub.get());
        };
        walk(driver->window());
        for (auto* v : views) {
            auto* label = dynamic_cast<platform::ui::Label*>(v);
            if (!label || label->text() != title)
                continue;
            platform::Rect row = label->convertRectTo(label->bounds(), nullptr);
            for (auto* b : views)
                if (auto* badge = dynamic_cast<QVBadgeView*>(b)) {
                    platform::Rect r = badge->convertRectTo(badge->bounds(), nullptr);
                    if (r.midY() >= row.minY() - 10 && r.midY() <= row.maxY() + 10)
                        return badge->label() ? badge->label()->text() : std::string();
                }
        }
        return {};
    }
    void openInbox()
    {
        Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::string());
        ASSERT_TRUE(waitForScreen("QVMyQuorvelController")) << screenText();
        ASSERT_TRUE(tapWhenShown("Inbox")) << screenText();
        ASSERT_TRUE(waitForScreen("QVInboxTopLevelController")) << screenText();
        ASSERT_TRUE(waitForText("Starred Forum Posts")) << screenText();
    }
};

TEST_F(InboxEndToEnd, AConversationIsStartedWithAFriendPickedFromTheFriendPicker)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t mira = addOtherPlayer("Mira");
    state->addFriends(player, mira);

    ASSERT_NO_FATAL_FAILURE(openInbox());
    ASSERT_TRUE(tapText("IM Conversations"));
    ASSERT_TRUE(waitForText("You don't have any active IM conversations")) << screenText();
    ASSERT_TRUE(tapRightBarButton());
    ASSERT_TRUE(waitForScreen("QVFriendPickerController")) << screenText();
    ASSERT_TRUE(waitForText("Select a friend to message")) << screenText();
    ASSERT_TRUE(tapWhenShown("Mira")) << screenText();

    ASSERT_TRUE(waitForScreen("QVConversationController")) << screenText();
    const std::string pair = std::to_string(std::min(player, mira)) + "-" + std::to_string(std::max(player, mira));
    const std::string thread = kept("SELECT id FROM discussions WHERE topic_id = 0 AND subject = '" + pair + "'");
    ASSERT_FALSE(thread.empty());
    ASSERT_TRUE(waitUntil([&] { return typeInto(1, "Race at noon?"); })) << screenText();
    ASSERT_TRUE(tap("Send")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return state->postsIn(std::stoll(thread)) == std::vector<std::string> { "Race at noon?" }; }));
}

TEST_F(InboxEndToEnd, AStarredThreadAndAConversationWithUnreadPostsAreCountedUntilRead)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t mira = addOtherPlayer("Mira");
    int64_t thread = state->addThread(StandInState::kGeneralTopic, "Lap times", { { mira, "Post yours" } });
    ASSERT_GT(thread, 0);
    const std::string starred = "SELECT COUNT(*) FROM subscriptions WHERE user_id = " + std::to_string(player)
        + " AND discussion_id = " + std::to_string(thread);

    // The player stars the thread from its page, and can take the star back.
    Quorvel::launchDashboardWithForumsPage();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_TRUE(tapWhenShown("General")) << screenText();
    ASSERT_TRUE(tapWhenShown("Lap times")) << screenText();
    ASSERT_TRUE(waitForText("Post yours")) << screenText();
    ASSERT_TRUE(tapWhenShown("Add To My Conversations    ")) << screenText();
    ASSERT_TRUE(waitForText("Remove From My Conversations")) << screenText();
    EXPECT_EQ(kept(starred), "1");
    ASSERT_TRUE(tapText("Remove From My Conversations    "));
    ASSERT_TRUE(waitForText("Add To My Conversations")) << screenText();
    EXPECT_EQ(kept(starred), "0");
    ASSERT_TRUE(tapText("Add To My Conversations    "));
    ASSERT_TRUE(waitUntil([&] { return kept(starred) == "1"; }));
    Quorvel::dismissDashboard();
    letTimePass(0.3);

    // Mira answers in the thread and writes to the player.
    ASSERT_EQ(actAs(mira, "POST", "discussions/" + std::to_string(thread) + "/posts.xml", { { "post[body]", "71 s" } }).status,
              200);
    auto started = actAs(mira, "POST", "discussions.xml", { { "discussion[other_user_id]", std::to_string(player) } });
    ASSERT_EQ(started.status, 200);
    const std::string conversation = kept("SELECT id FROM discussions WHERE topic_id = 0");
    ASSERT_EQ(actAs(mira, "POST", "discussions/" + conversation + "/posts.xml", { { "post[body]", "Rematch?" } }).status,
              200);

    // The next start brings the counts; the menu shows them on their rows.
    quit();
    ASSERT_GT(launchAndLogIn(), 0);
    EXPECT_EQ(QuorvelInternal::options().unreadIMCount(), 1);
    EXPECT_EQ(QuorvelInternal::options().unreadPostCount(), 1);
    ASSERT_NO_FATAL_FAILURE(openInbox());
    EXPECT_EQ(badgeOnRow("IM Conversations"), "1") << screenText();
    EXPECT_EQ(badgeOnRow("Starred Forum Posts"), "1") << screenText();

    // The starred threads list only the thread; reading it clears its count.
    ASSERT_TRUE(tapText("Starred Forum Posts"));
    ASSERT_TRUE(waitForText("Lap times")) << screenText();
    EXPECT_FALSE(shows("Rematch?"));
    ASSERT_TRUE(tapText("Lap times"));
    ASSERT_TRUE(waitForText("71 s")) << screenText();
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitForScreen("QVInboxSubscribedForumThreadsController"));
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::options().unreadPostCount() == 0; }));
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitForScreen("QVInboxTopLevelController"));
    EXPECT_EQ(badgeOnRow("Starred Forum Posts"), "") << screenText();
    EXPECT_EQ(badgeOnRow("IM Conversations"), "1") << screenText();

    // The conversations list only the one with Mira; reading it clears its count.
    ASSERT_TRUE(tapText("IM Conversations"));
    ASSERT_TRUE(waitForText("Rematch?")) << screenText();
    EXPECT_FALSE(shows("Lap times"));
    ASSERT_TRUE(tapText("Mira"));
    ASSERT_TRUE(waitForScreen("QVConversationController")) << screenText();
    ASSERT_TRUE(waitForText("Rematch?")) << screenText();
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::options().unreadIMCount() == 0; }));
    ASSERT_TRUE(tapBack());
    EXPECT_EQ(badgeOnRow("IM Conversations"), "") << screenText();
}

} // namespace
