// Forums as the player writes them: a thread started in a topic, read back
// from the topic's list, and answered, each kept by the service.
#include "CommunityEndToEndSupport.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

using ForumsEndToEnd = CommunityEndToEndTest;

TEST_F(ForumsEndToEnd, AThreadStartedInATopicIsListedReadAndAnswered)
{
    ASSERT_GT(launchAndLogIn(), 0);
    Quorvel::launchDashboardWithForumsPage();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_TRUE(tapWhenShown("General")) << screenText();
    ASSERT_TRUE(waitForScreen("QVForumThreadListController")) << screenText();
    ASSERT_TRUE(tapRightBarButton());
    ASSERT_TRUE(waitUntil([&] { return shows("New Post"); })) << screenText();
    ASSERT_TRUE(typeInto(0, "Lap times"));
    ASSERT_TRUE(typeInto(1, "Post yours"));
    ASSERT_TRUE(tapBarButton("Post")) << screenText();
    const std::string thread = "SELECT id FROM discussions WHERE subject = 'Lap times' AND topic_id = "
        + std::to_string(StandInState::kGeneralTopic);
    ASSERT_TRUE(waitUntil([&] { return !kept(thread).empty(); }));

    // Back on the topic's list, the new thread is there; it opens on its post.
    ASSERT_TRUE(waitForScreen("QVForumThreadListController")) << screenText();
    ASSERT_TRUE(waitForText("Lap times")) << screenText();
    letTimePass(0.3); // the list reloads once after a new thread
    ASSERT_TRUE(tapText("Lap times")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return frontScreenName() != "QVForumThreadListController"; })) << screenText();
    ASSERT_TRUE(waitForText("Post yours")) << screenText();

    ASSERT_TRUE(tapRightBarButton());
    ASSERT_TRUE(waitUntil([&] { return shows("Reply"); })) << screenText();
    ASSERT_TRUE(typeInto(0, "75 s here"));
    ASSERT_TRUE(tapBarButton("Post")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return state->postsIn(std::stoll(kept(thread))).size() == 2; }));
    EXPECT_EQ(state->postsIn(std::stoll(kept(thread))), (std::vector<std::string> { "Post yours", "75 s here" }));
    ASSERT_TRUE(waitForText("75 s here")) << screenText();
}

} // namespace
