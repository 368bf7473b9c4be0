// The community screens against the stand-in service, through the central
// class: a game opens the forums page, the player reads a thread and takes
// its star away; a game opens the global chat rooms, the player joins one and
// the client's own poller brings the room's messages.
#include "../core/QuorvelTestSupport.h"

#include "platform/ui/TestDriver.h"
#include "social/dashboard/chat/QVSelectChatRoomDefinitionController.h"
#include "social/dashboard/chat/QVChatRoomController.h"
#include "social/dashboard/common/QVCommunityPolling.h"
#include "social/dashboard/forums/QVForumTopicListController.h"
#include "social/dashboard/forums/QVForumThreadListController.h"
#include "social/dashboard/forums/QVForumThreadViewController.h"
#include "social/dashboard/frame/QVTabbedDashboardController.h"
#include "social/dashboard/frame/QVTickerProxy.h"
#include "social/runtime/QVPoller.h"
#include "social/services/QVChatServices.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVRootFrame.h"
#include "tools/standin/StandInServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quorvel;
using platform::Ref;
using platform::ui::IndexPath;

namespace {

std::string sourceDir()
{
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    return source ? source : ".";
}

std::string fixture(const std::string& name)
{
    return testing_support::readFile(sourceDir() + "/tests/data/standin/" + name);
}

class CommunityStandInTest : public core_testing::QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        QVCommunityPolling::resetToDefault();
        QVTickerProxy::purgeSharedInstance();
        platform::ui::TestDriver::reset();
        driver = std::make_unique<platform::ui::TestDriver>();
        server.setFixtureDirectory(sourceDir() + "/tools/standin/fixtures");
        server.route("GET", "client_applications/1/forums/announcements.xml", standin::Answer::xml(fixture("empty_resources.xml")));
        server.route("GET", "client_applications/1/forums.xml", standin::Answer::xml(fixture("forum_topics.xml")));
        server.route("GET", "topics/7/discussions.xml", standin::Answer::xml(fixture("forum_threads.xml")));
        server.route("GET", "discussions/40/posts.xml", standin::Answer::xml(fixture("forum_posts.xml")));
        server.route("POST", "discussions/40/unsubscribe.xml", standin::Answer::xml(fixture("ok.xml")));
        server.route("GET", "chat_room_definitions.xml", standin::Answer::xml(fixture("chat_room_definitions.xml")));
        server.route("GET", "chat_room_instances.xml", standin::Answer::xml(fixture("chat_room_instance.xml")));
        server.route("GET", "chat_room_instances/join", standin::Answer::xml(fixture("ok.xml")));
    }
    void TearDown() override
    {
        Quorvel::dismissDashboard();
        if (driver)
            driver->advance(1);
        driver.reset();
        platform::ui::TestDriver::reset();
        QVTickerProxy::purgeSharedInstance();
        QuorvelTest::TearDown();
    }

    bool settleUntil(const std::function<bool()>& done)
    {
        return waitFor([&] {
            driver->settle();
            return done();
        });
    }

    platform::ui::NavigationController* openOnline()
    {
        QuorvelInternal::options().setUserApprovedQuorvel();
        QuorvelInternal::options().setDoneWithGetTheMost(true);
        startClient();
        if (!waitFor([] { return Quorvel::isOnline(); }))
            return nullptr;
        QuorvelInternal::options().setInitialDashboardScreen("");
        QuorvelInternal::options().setInitialDashboardModalContentURL(platform::Value());
        return nullptr;
    }

    platform::ui::NavigationController* activeStack()
    {
        driver->advance(0.6); // the move-in
        auto* root = dynamic_cast<QVRootFrame*>(QuorvelInternal::presenter().getRootController());
        auto* dashboard = root ? dynamic_cast<QVTabbedDashboardController*>(root->contentController()) : nullptr;
        return dashboard ? dashboard->activeNavigationController() : nullptr;
    }

    bool tapRow(QVTableControllerHelper* list, int row)
    {
        driver->advance(1); // the loading overlay fades out
        auto* table = list->tableView();
        table->scrollToRowAtIndexPath(IndexPath::forRow(row, 0), platform::ui::TableViewScrollPosition::None, false);
        table->layoutSubviews();
        auto* cell = table->cellForRowAtIndexPath(IndexPath::forRow(row, 0));
        if (!cell)
            return false;
        auto tapped = driver->tap(cell);
        driver->advance(1);
        return static_cast<bool>(tapped);
    }

    std::unique_ptr<platform::ui::TestDriver> driver;
};

TEST_F(CommunityStandInTest, AGameOpensTheForumsAndThePlayerUnstarsAThread)
{
    openOnline();
    ASSERT_TRUE(Quorvel::isOnline());
    QuorvelInternal::session().stopPolling();
    Quorvel::launchDashboardWithForumsPage();
    auto* nav = activeStack();
    ASSERT_TRUE(nav);
    auto* topics = dynamic_cast<QVForumTopicListController*>(nav->topViewController());
    ASSERT_TRUE(topics);
    ASSERT_TRUE(settleUntil([&] { return topics->sections().has_value(); }));
    EXPECT_EQ(requestsTo("client_applications/1/forums.xml").size(), 1u);

    ASSERT_TRUE(tapRow(topics, 0));
    auto* threads = dynamic_cast<QVForumThreadListController*>(nav->topViewController());
    ASSERT_TRUE(threads);
    ASSERT_TRUE(settleUntil([&] { return threads->sections().has_value(); }));
    ASSERT_TRUE(tapRow(threads, 0));
    auto* view = dynamic_cast<QVForumThreadViewController*>(nav->topViewController());
    ASSERT_TRUE(view);
    ASSERT_TRUE(settleUntil([&] { return view->sections().has_value(); }));
    EXPECT_TRUE(view->thread()->isLocked());
    EXPECT_FALSE(view->navigationItem()->rightBarButtonItem()) << "a locked thread takes no reply";
    ASSERT_TRUE(view->subscribeButton());
    EXPECT_EQ(view->subscribeButton()->currentTitle(), QVForumThreadViewController::kSubscribedTitle);

    driver->advance(1);
    ASSERT_TRUE(driver->tap(view->subscribeButton()));
    ASSERT_TRUE(settleUntil([&] { return !view->thread()->isSubscribed(); }));
    EXPECT_EQ(requestsTo("discussions/40/unsubscribe.xml").size(), 1u);
    EXPECT_EQ(view->subscribeButton()->currentTitle(), QVForumThreadViewController::kUnsubscribedTitle);
}

TEST_F(CommunityStandInTest, AJoinedRoomShowsWhatTheClientsPollerBrings)
{
    server.route("GET", "users/@me/activities.xml", standin::Answer::xml(fixture("chat_activities.xml")));
    openOnline();
    ASSERT_TRUE(Quorvel::isOnline());
    QuorvelInternal::options().storePollingFrequencyInChat(1);
    Quorvel::launchDashboardWithListGlobalChatRoomsPage();
    auto* nav = activeStack();
    ASSERT_TRUE(nav);
    auto* definitions = dynamic_cast<QVSelectChatRoomDefinitionController*>(nav->topViewController());
    ASSERT_TRUE(definitions);
    ASSERT_TRUE(settleUntil([&] { return definitions->sections().has_value(); }));

    ASSERT_TRUE(tapRow(definitions, 0));
    QVChatRoomController* room = nullptr;
    ASSERT_TRUE(settleUntil([&] {
        room = dynamic_cast<QVChatRoomController*>(nav->topViewController());
        return room != nullptr;
    }));
    EXPECT_EQ(room->title(), "Lobby 2");
    EXPECT_EQ(requestsTo("chat_room_instances/join").size(), 1u);

    // The client's poller runs at the chat interval and its messages reach the room.
    bool shown = settleUntil([&] {
        driver->advance(0.5);
        return room->tableView()->numberOfRowsInSection(0) > 0;
    });
    if (!shown)
        for (auto& r : server.requests())
            ADD_FAILURE() << r.method << " " << r.path;
    ASSERT_TRUE(shown);
    EXPECT_EQ(room->tableView()->numberOfRowsInSection(0), 2);
    ASSERT_TRUE(QuorvelInternal::session().poller());
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), 1.0);

    // Leaving the room puts the client's poller back on the interval the bootstrap gave, not off.
    nav->popViewControllerAnimated(false);
    driver->advance(0.5);
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), static_cast<double>(QuorvelInternal::options().getPollingFrequencyDefault()));
    EXPECT_GT(QuorvelInternal::session().poller()->getPollingFrequency(), 0.0);
}

} // namespace
