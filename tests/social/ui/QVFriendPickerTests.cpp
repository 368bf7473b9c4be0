// The friend picker: offline it stays shut; it opens full screen before the
// dashboard and in a popover on a tablet dashboard; it reports a pick or a
// cancel after closing, keeps error screens away while shown, and shows the
// dead-end screen when the list fails.
#include "ListScreenTestKit.h"

#include "platform/ui/Popover.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVFriendPickerController.h"
#include "social/ui/QVStandardCells.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Ref;

namespace picker_tests {

class OnlineProvider : public screen_testing::RecordingProvider {
public:
    bool online { true };
    bool isOnline() override { return online; }
};

// The opener: a screen with a right bar button that records what the picker says.
class Opener : public ViewController, public QVFriendPickerDelegate {
public:
    std::vector<std::string>* hostCalls { nullptr };
    std::vector<std::string> heard;
    void pickerFinishedWithSelectedUser(QVUser* user) override
    {
        heard.push_back("picked " + user->name() + " after " + std::to_string(hostCalls->size()) + " host calls");
    }
    bool pickerCancelled() override
    {
        heard.push_back("cancelled after " + std::to_string(hostCalls->size()) + " host calls");
        return true;
    }
};

class PickerTest : public screen_testing::ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        provider = std::make_unique<OnlineProvider>();
        opener = platform::adoptRef(new Opener);
        opener->init();
        opener->hostCalls = &host().calls;
        opener->navigationItem()->setRightBarButtonItem(
            BarButtonItem::withTitle("Message", BarButtonItem::Style::Bordered, nullptr, BarButtonItem::PlainAction()).get());
    }
    void TearDown() override
    {
        host().root = nullptr;
        host().presented.clear();
        provider.reset();
        ScreenTest::TearDown();
    }
    // Opens the picker before the dashboard is up and shows what was presented.
    QVFriendPickerController* openFullScreen(const std::string& gameId = {})
    {
        QVFriendPickerController::launchPickerWithDelegate(opener.get(), "Pick one", gameId);
        if (host().presented.empty())
            return nullptr;
        auto* nav = dynamic_cast<QVFramedNavigationController*>(host().presented.back().get());
        EXPECT_TRUE(nav);
        driver().showController(nav);
        settle(0.1);
        return dynamic_cast<QVFriendPickerController*>(nav->topViewController());
    }
    std::unique_ptr<OnlineProvider> provider;
    Ref<Opener> opener;
};

TEST_F(PickerTest, OfflineNoPickerOpens)
{
    provider->online = false;
    QVFriendPickerController::launchPickerWithDelegate(opener.get());
    EXPECT_TRUE(host().calls.empty());
    EXPECT_TRUE(opener->heard.empty());
}

TEST_F(PickerTest, APickClosesThePickerThenTellsTheDelegate)
{
    QVFriendPickerController* picker = openFullScreen();
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->title(), "Select Friend");
    EXPECT_FALSE(host().errorScreensAllowed);
    ASSERT_EQ(provider->requests().size(), 1u);
    EXPECT_EQ(provider->requests()[0].path, "users.xml");
    ASSERT_TRUE(provider->answerWithXml(list_testing::usersXml({ "Ann", "Bob" })));
    settle(0.5);

    TableView* table = picker->tableView();
    ASSERT_TRUE(table);
    ASSERT_GE(table->numberOfRowsInSection(0), 2);
    ASSERT_TRUE(dynamic_cast<QVUserCell*>(table->cellForRowAtIndexPath(IndexPath::forRow(1, 0))));
    picker->tableViewDidSelectRowAtIndexPath(table, IndexPath::forRow(1, 0));
    EXPECT_EQ(host().calls, (std::vector<std::string> { "presentRootControllerWithModal", "dismissRootControllerOrItsModal" }));
    EXPECT_EQ(opener->heard, (std::vector<std::string> { "picked Bob after 2 host calls" }));
    EXPECT_TRUE(host().errorScreensAllowed);
}

TEST_F(PickerTest, TheGameScopeAsksForUsersWithThatGameOnly)
{
    openFullScreen("");
    auto unscoped = provider->requests();
    ASSERT_EQ(unscoped.size(), 1u);
    for (auto& [name, value] : unscoped[0].parameters)
        EXPECT_NE(name, "with_client_application");

    host().presented.clear();
    openFullScreen("42");
    auto requests = provider->requests();
    ASSERT_EQ(requests.size(), 2u);
    std::string scope;
    for (auto& [name, value] : requests[1].parameters)
        if (name == "with_client_application")
            scope += value;
    EXPECT_EQ(scope, "42");
}

TEST_F(PickerTest, CancelClosesBeforeTellingTheDelegate)
{
    QVFriendPickerController* picker = openFullScreen();
    ASSERT_TRUE(picker);
    picker->cancel();
    EXPECT_EQ(opener->heard, (std::vector<std::string> { "cancelled after 2 host calls" }));
}

TEST_F(PickerTest, AFailedListShowsTheDeadEndScreenWithAClose)
{
    QVFriendPickerController* picker = openFullScreen();
    ASSERT_TRUE(picker);
    auto* nav = picker->navigationController();
    ASSERT_TRUE(provider->answerWithFailure());
    settle(0.5);
    auto* error = dynamic_cast<QVDeadEndErrorController*>(nav->topViewController());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->message(), "Unable to download your friends list.");
    BarButtonItem* close = error->navigationItem()->rightBarButtonItem();
    ASSERT_TRUE(close);
    driver().tapBarButton(close);
    EXPECT_EQ(opener->heard.size(), 1u);
}

TEST_F(PickerTest, OnATabletDashboardThePickerFloatsAndADismissFromOutsideIsACancel)
{
    useDevice(Device::Tablet);
    Ref<ViewController> root = ViewController::controller();
    host().root = root.get();
    QVFriendPickerController::launchPickerWithDelegate(opener.get());
    auto popovers = PopoverController::visiblePopovers();
    ASSERT_EQ(popovers.size(), 1u);
    EXPECT_EQ(popovers[0]->anchorItem(), opener->navigationItem()->rightBarButtonItem());
    auto* nav = dynamic_cast<NavigationController*>(popovers[0]->contentViewController());
    ASSERT_TRUE(nav);
    auto* picker = dynamic_cast<QVFriendPickerController*>(nav->topViewController());
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->navigationItem()->rightBarButtonItem(), nullptr);

    EXPECT_TRUE(popovers[0]->dismissByTouchOutsideForTest());
    EXPECT_EQ(picker->owningPopoverController(), nullptr);
    EXPECT_EQ(opener->heard, (std::vector<std::string> { "cancelled after 0 host calls" }));
    EXPECT_TRUE(host().errorScreensAllowed);
}

} // namespace picker_tests
