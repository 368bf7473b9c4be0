// The dashboard's lists end to end: a list asks the service for its data once
// when first shown (not again when the player comes back to it), tells the
// player when the answer is empty, and grows through its load-more row a page
// at a time until everything is shown.
#include "CommunityEndToEndSupport.h"

#include "platform/ui/TableView.h"
#include "social/core/QuorvelInternal.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

class ListsEndToEnd : public CommunityEndToEndTest {
protected:
    // The requests for a forum topic's threads so far.
    size_t threadPagesAsked(int64_t topic)
    {
        return serviceRequestsTo("topics/" + std::to_string(topic) + "/discussions.xml").size();
    }
};

TEST_F(ListsEndToEnd, AListAsksOnceWhenFirstShownTellsOfAnEmptyAnswerAndGrowsPageByPage)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    // 30 threads in "General": more than the service's page of 25.
    for (int i = 1; i <= 30; ++i)
        ASSERT_GT(state->addThread(StandInState::kGeneralTopic, "Thread " + std::to_string(i), { { player, "Post " + std::to_string(i) } }), 0);

    Quorvel::launchDashboardWithForumsPage();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    // An empty topic: the player is told so.
    ASSERT_TRUE(tapWhenShown("Suggestions")) << screenText();
    ASSERT_TRUE(waitForText("There are no discussions")) << screenText();
    ASSERT_TRUE(tapBack());

    ASSERT_TRUE(tapWhenShown("General")) << screenText();
    ASSERT_TRUE(waitForScreen("QVForumThreadListController"));
    ASSERT_TRUE(waitUntil([&] { return threadPagesAsked(StandInState::kGeneralTopic) == 1; }));
    scrollFrontListToEnd();
    ASSERT_TRUE(waitForText("Load 5 More")) << screenText();
    EXPECT_TRUE(shows("Showing 25 of 30"));

    // Into a thread and back: the list shows what it had, without asking again.
    ASSERT_TRUE(tapWhenShown("Thread 6")) << screenText();
    ASSERT_TRUE(waitForText("Post 6")) << screenText();
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitForScreen("QVForumThreadListController"));
    letTimePass(0.3);
    EXPECT_EQ(threadPagesAsked(StandInState::kGeneralTopic), 1u);

    // The load-more row asks for the second page and appends it.
    scrollFrontListToEnd();
    ASSERT_TRUE(tapText("Load 5 More")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return threadPagesAsked(StandInState::kGeneralTopic) == 2; }));
    auto asked = serviceRequestsTo("topics/" + std::to_string(StandInState::kGeneralTopic) + "/discussions.xml");
    EXPECT_EQ(asked[1].param("page"), "2");
    ASSERT_TRUE(waitUntil([&] {
        scrollFrontListToEnd();
        return shows("No More To Load");
    })) << screenText();
    EXPECT_TRUE(shows("Showing 30 of 30"));
    std::vector<std::string> threads;
    for (auto& t : visibleTexts())
        if (t.rfind("Thread ", 0) == 0)
            threads.push_back(t);
    EXPECT_FALSE(threads.empty());
    EXPECT_EQ(std::count(threads.begin(), threads.end(), threads.front()), 1) << "a row appears once";
}

} // namespace
