// The dashboard's frame, end to end: it opens over the game with its tabs and
// closes again with the game told; each page a game may open directly; the
// service's maintenance and upgrade answers shown as their screens (with a Done
// that closes the frame where nothing else leads out); the
// player's settings kept by the service; no loading overlay left on a page
// after a quick Back.
#include "DashboardEndToEndSupport.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/device/Screen.h"
#include "platform/ui/ImagePicker.h"
#include "platform/ui/PeoplePicker.h"
#include "platform/ui/Popover.h"
#include "platform/ui/Switch.h"
#include "platform/ui/View.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVLoadingController.h"
#include "social/ui/QVServerMaintenanceNoticeController.h"
#include "social/ui/QVTabBarItem.h"
#include "tools/standin/StandInWorld.h"

#include <functional>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;
using Strings = std::vector<std::string>;

namespace {

// A game that also listens for the dashboard coming and going.
class WatchingGame final : public QuorvelDelegate {
public:
    void dashboardWillAppear() override { calls.push_back("willAppear"); }
    void dashboardDidAppear() override { calls.push_back("didAppear"); }
    void dashboardWillDisappear() override { calls.push_back("willDisappear"); }
    void dashboardDidDisappear() override { calls.push_back("didDisappear"); }
    Strings calls;
};

class DashboardFrameEndToEnd : public DashboardEndToEndTest {
protected:
    void SetUp() override
    {
        DashboardEndToEndTest::SetUp();
        delegates->setQuorvelDelegate(&watcher);
    }
    quorvel::QVTabBarItem* tabNamed(const std::string& name) const
    {
        for (auto* item : visible<quorvel::QVTabBarItem>())
            if (item->name() == name)
                return item;
        return nullptr;
    }
    WatchingGame watcher;
};

// The visible switches, in tree order.
void collectSwitches(platform::ui::View* view, std::vector<platform::ui::Switch*>& out)
{
    if (view->isHidden())
        return;
    if (auto* s = dynamic_cast<platform::ui::Switch*>(view))
        out.push_back(s);
    for (auto& sub : view->subviews())
        collectSwitches(sub.get(), out);
}

TEST_F(DashboardFrameEndToEnd, TheDashboardOpensOverTheGameWithItsTabsAndClosesTellingTheGame)
{
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    EXPECT_EQ(watcher.calls, (Strings { "willAppear", "didAppear" }));
    // The game's own page first, with its buttons to the game's lists and the ticker.
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    for (auto* text : { "Leaderboards", "Achievements", "Challenges", "Who's Playing" })
        EXPECT_TRUE(shows(text)) << text;
    EXPECT_TRUE(waitUntil([&] { return shows("tops the charts") || shows("Server maintenance"); }));

    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController"));
    EXPECT_TRUE(shows(Quorvel::lastLoggedInUserName()));
    ASSERT_TRUE(tapTab("Games"));
    ASSERT_TRUE(waitForScreen("QVGameDiscoveryController"));
    ASSERT_TRUE(waitForText("Featured"));

    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([&] { return watcher.calls.size() == 4; }));
    EXPECT_EQ(watcher.calls, (Strings { "willAppear", "didAppear", "willDisappear", "didDisappear" }));
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_EQ(frontScreenName(), "");
}

TEST_F(DashboardFrameEndToEnd, EachPageAGameOpensDirectlyShowsItsScreen)
{
    ASSERT_GT(launchAndLogIn(), 0);
    struct Page {
        void (*open)();
        const char* screen;
        const char* text;
    };
    const Page pages[] = {
        { &Quorvel::launchDashboardWithListLeaderboardsPage, "QVLeaderboardController", "Fastest Lap" },
        { &Quorvel::launchDashboardWithAchievementsPage, "QVAchievementListController", "First Steps" },
        { &Quorvel::launchDashboardWithChallengesPage, "QVChallengeListController", "Pending" },
        { &Quorvel::launchDashboardWithFindFriendsPage, "QVImportFriendsController", "Find by Name" },
        { &Quorvel::launchDashboardWithWhosPlayingPage, "QVWhosPlayingController", "None of your friends" },
        { &Quorvel::launchDashboardWithForumsPage, "QVForumTopicListController", "General" },
        { &Quorvel::launchDashboardWithInvitePage, "QVSelectInviteTypeController", "Friends Selected" },
        { &Quorvel::launchDashboardWithListGlobalChatRoomsPage, "QVSelectChatRoomDefinitionController", "Everyone" },
    };
    for (auto& page : pages) {
        page.open();
        EXPECT_TRUE(waitForScreen(page.screen)) << page.screen << " " << frontScreenName();
        EXPECT_TRUE(waitForText(page.text)) << page.screen;
        Quorvel::dismissDashboard();
        ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); })) << page.screen;
    }
    // A leaderboard's page shows its scores, the list of leaderboards behind it.
    Quorvel::launchDashboardWithHighscorePage(std::to_string(standin::StandInState::kNormalLeaderboard));
    ASSERT_TRUE(waitForScreen("QVHighScoreController"));
    ASSERT_TRUE(waitForText("900 points"));
    EXPECT_TRUE(shows("Rival"));
    ASSERT_TRUE(tapBack());
    EXPECT_TRUE(waitForScreen("QVLeaderboardController"));
}

TEST_F(DashboardFrameEndToEnd, MaintenanceAndUpgradeAnswersShowTheirScreensInTheDashboard)
{
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    service->script("GET", "client_applications/321/leaderboards.xml",
                    standin::Answer::xml("<html><body>Back on Monday</body></html>", 450));
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForScreen("QVServerMaintenanceNoticeController"));
    EXPECT_TRUE(shows("Maintenance")) << screenText() << " at " << loop().now();
    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    openDashboard();

    // A client too old for the service: a screen that leads nowhere, with the
    // service's message naming the game.
    service->script("GET", "client_applications/321/leaderboards.xml",
                    standin::Answer::xml("<error_message>Please update %@ to keep playing.</error_message>", 426));
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForScreen("QVDeadEndErrorController"));
    EXPECT_TRUE(shows("Error"));
    EXPECT_TRUE(shows("Please update Brisko to keep playing."));
}

// The game's own list of leaderboards, made in place of the client's.
class GameLeaderboards final : public platform::ui::ViewController {
public:
    static platform::Ref<platform::Object> make() { return platform::adoptRef(new GameLeaderboards); }
    std::string className() const override { return "BriskoLeaderboardController"; }
    void viewDidLoad() override
    {
        auto label = platform::ui::Label::labelWithFrame(platform::Rect(20, 60, 280, 30));
        label->setText("Brisko's own boards");
        view()->addSubview(label);
    }
};

TEST_F(DashboardFrameEndToEnd, AScreenTheGameMakesUnderItsSettingsPrefixReplacesTheClientsOwn)
{
    QVClassRegistry::registerClass("BriskoLeaderboardController", &GameLeaderboards::make);
    struct Unregister {
        ~Unregister() { QVClassRegistry::unregisterClass("BriskoLeaderboardController"); }
    } unregister;
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    QuorvelSettingsDictionary settings;
    settings.values.set("QuorvelSettingOverrideClassNamePrefixString", platform::Value("Brisko"));
    settings.values.set("QuorvelSettingOverrideSuffixString", platform::Value("Brisko"));
    startClient(settings, delegates.get());
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    openDashboard();
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForScreen("BriskoLeaderboardController")) << frontScreenName();
    EXPECT_TRUE(shows("Brisko's own boards"));
    ASSERT_TRUE(tapBack());
    // Screens the game does not make are the client's own.
    ASSERT_TRUE(tapText("Achievements"));
    EXPECT_TRUE(waitForScreen("QVAchievementListController"));
}

TEST_F(DashboardFrameEndToEnd, ASettingThePlayerTurnsOffIsKeptByTheService)
{
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapText("Settings"));
    ASSERT_TRUE(waitForText("Challenge Notices"));
    std::vector<platform::ui::Switch*> switches;
    collectSwitches(driver->window(), switches);
    ASSERT_EQ(switches.size(), 3u); // news by e-mail, challenge notices, online status
    EXPECT_FALSE(switches[0]->isOn());
    ASSERT_TRUE(switches[1]->isOn());
    ASSERT_TRUE(driver->tap(switches[1]));
    settleAfterTouch();
    auto changes = [&] {
        std::vector<standin::LoggedRequest> out;
        for (auto& r : serviceRequestsTo("users/@me/settings.xml"))
            if (r.method == "POST")
                out.push_back(r);
        return out;
    };
    ASSERT_TRUE(waitUntil([&] { return !changes().empty(); }));
    EXPECT_EQ(changes()[0].param("user_setting[value]"), "0");
    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));

    // After the service restarts the screen reads the setting off again.
    killService();
    startService();
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapText("Settings"));
    ASSERT_TRUE(waitForText("Challenge Notices"));
    switches.clear();
    collectSwitches(driver->window(), switches);
    ASSERT_EQ(switches.size(), 3u);
    EXPECT_FALSE(switches[1]->isOn());
    EXPECT_TRUE(switches[2]->isOn());
}

} // namespace

namespace {

// The player goes back at once from a list that asks the service each time it
// shows, before its answer (after a look at another tab and back, where there
// are tabs): the list's loading overlay goes with it, and once every answer is
// in nothing dims the page the player went back to.
TEST_F(DashboardFrameEndToEnd, BackAtOnceFromALoadingListLeavesNoLoadingOverlayOnThePageBelow)
{
    // The first login offers the social networks, presented alone (no tabs).
    QuorvelInternal::options().setUserApprovedQuorvel();
    launch();
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
    standin::world::seed(*state, std::stoll(loggedInUser()), true);
    auto rival = QVUser::create();
    rival->setResourceId(std::to_string(standin::StandInState::kRivalUser));
    rival->setName("Rival");
    auto onMyQuorvel = [](std::vector<Quorvel::DashboardEntry> entries) {
        return [entries] { Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", entries); };
    };
    struct Page {
        const char* screen;
        std::function<void()> open; // none: the page is on show already
        const char* tab; // the page's tab, left and come back to before Back ("": none)
    };
    const Page pages[] = {
        { "QVLinkSocialNetworksController", nullptr, "" },
        { "QVGameProfileController", [] { Quorvel::launchDashboard(); }, "Brisko" },
        { "QVMyQuorvelController", onMyQuorvel({}), "My Quorvel" },
        { "QVProfileController", [&] { onMyQuorvel({})(); QVDashboardSwitch::showProfileForUser(rival.get()); }, "My Quorvel" },
        { "QVInboxTopLevelController", onMyQuorvel({ std::string("InboxTopLevel") }), "My Quorvel" },
        { "QVSelectProfilePictureController",
          onMyQuorvel({ std::string("UserSetting"), std::string("SelectProfilePicture") }), "My Quorvel" },
    };
    for (const auto& page : pages) {
        SCOPED_TRACE(page.screen);
        if (page.open)
            page.open();
        ASSERT_TRUE(waitForScreen(page.screen)) << screenText();
        letTimePass(1.0);
        // The player's conversations ask the service each time they show.
        auto list = QVControllerLoader::load("InboxIMConversations");
        frontStack()->pushViewController(list.get(), true);
        if (*page.tab) {
            ASSERT_TRUE(waitForScreen("QVInboxIMConversationsController"));
            letTimePass(1.0);
            ASSERT_TRUE(tapTab(std::string(page.tab) == "Brisko" ? "My Quorvel" : "Brisko"));
            ASSERT_TRUE(driver->tap(tabNamed(page.tab)));
            moveOn();
        }
        ASSERT_TRUE(driver->tapBack(frontStack()));
        moveOn();
        letTimePass(1.0);
        EXPECT_TRUE(waitForScreen(page.screen)) << screenText();
        EXPECT_TRUE(visible<QVLoadingView>().empty()) << "a loading overlay dims the page";
        Quorvel::dismissDashboard();
        ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().getRootController(); }));
    }
}

} // namespace

namespace {

// The address book is up over the invitations (opened on the player's tab)
// when the game opens the switch-account page on that tab: the invitations
// leave the stack, and the address book goes with the screen that showed it
// (its Cancel was theirs to answer). The player finds the switch page, whole,
// with a way back.
TEST_F(DashboardFrameEndToEnd, TheAddressBookGoesWithTheInvitationsThatShowedIt)
{
    ASSERT_GT(launchAndLogIn(), 0);
    Quorvel::launchDashboardWithSpecificInvite("");
    ASSERT_TRUE(waitForScreen("QVSelectInviteTypeController")) << screenText();
    ASSERT_TRUE(tapWhenShown("Contacts")) << screenText();
    ASSERT_TRUE(waitForScreen("QVSelectContactsToInviteController"));
    ASSERT_TRUE(tapWhenShown("Add Contacts From Address Book")) << screenText();
    auto addressBook = [] {
        return dynamic_cast<platform::ui::PeoplePickerNavigationController*>(
            QuorvelInternal::presenter().topPresentedController());
    };
    ASSERT_TRUE(waitUntil([&] { return addressBook(); }));

    Quorvel::launchDashboardWithSwitchUserPage();
    settleAfterTouch();
    if (auto* picker = addressBook())
        picker->cancelForTest(); // what a player still facing it does
    settleAfterTouch();
    EXPECT_FALSE(addressBook()) << "the address book stays, its Cancel answered by nobody";
    ASSERT_TRUE(waitForScreen("QVUseNewOrOldAccountController")) << screenText();
    EXPECT_TRUE(shows("Choose Account")) << screenText();
    EXPECT_TRUE(shows("Log in to another account")) << screenText();
    EXPECT_TRUE(tapBack());
}

// The same for each of the device's pickers, on a phone and on a tablet (where each shows in a
// popover): the photo library over "Change Profile Picture", the address book over the
// invitations. The game opens the switch-account page on the picker's tab: its screen leaves the
// stack, and the picker goes with it rather than stay over the new page answering nobody.
class DevicePickerEndToEnd : public DashboardFrameEndToEnd, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        // The window is the screen's: the kind is set before the harness makes it.
        platform::ui::Screen::mainScreen().setKind(GetParam() ? platform::ui::Screen::Kind::Tablet
                                                              : platform::ui::Screen::Kind::Phone);
        DashboardFrameEndToEnd::SetUp();
    }
    void TearDown() override
    {
        DashboardFrameEndToEnd::TearDown();
        platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Phone);
    }
    // A device picker up over the dashboard, as a modal screen or in a popover.
    static bool pickerUp()
    {
        auto isPicker = [](platform::ui::ViewController* c) {
            return dynamic_cast<platform::ui::ImagePickerController*>(c)
                || dynamic_cast<platform::ui::PeoplePickerNavigationController*>(c);
        };
        auto* root = QuorvelInternal::presenter().getRootController();
        if (root && isPicker(root->modalViewController()))
            return true;
        for (auto& popover : platform::ui::PopoverController::visiblePopovers())
            if (isPicker(popover->contentViewController()))
                return true;
        return false;
    }
};

TEST_P(DevicePickerEndToEnd, APickerGoesWithTheScreenThatShowedIt)
{
    ASSERT_GT(launchAndLogIn(), 0);
    struct Row {
        const char* picker;
        std::function<void()> open;
    };
    const Row rows[] = {
        { "the photo library",
          [&] {
              Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel",
                                                   { std::string("UserSetting"), std::string("SelectProfilePicture") });
              ASSERT_TRUE(waitForScreen("QVSelectProfilePictureController")) << screenText();
              ASSERT_TRUE(tapWhenShown("Choose your own!")) << screenText(); // no camera: the library at once
          } },
        { "the address book",
          [&] {
              Quorvel::launchDashboardWithSpecificInvite("");
              ASSERT_TRUE(waitForScreen("QVSelectInviteTypeController")) << screenText();
              ASSERT_TRUE(tapWhenShown("Contacts")) << screenText();
              ASSERT_TRUE(waitForScreen("QVSelectContactsToInviteController"));
              ASSERT_TRUE(tapWhenShown("Add Contacts From Address Book")) << screenText();
          } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.picker);
        row.open();
        ASSERT_TRUE(waitUntil([] { return pickerUp(); })) << screenText();
        Quorvel::launchDashboardWithSwitchUserPage();
        settleAfterTouch();
        EXPECT_FALSE(pickerUp()) << "the picker stays over the new page, answering nobody";
        ASSERT_TRUE(waitForScreen("QVUseNewOrOldAccountController")) << screenText();
        EXPECT_TRUE(shows("Choose Account")) << screenText();
        Quorvel::dismissDashboard();
        ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    }
}

INSTANTIATE_TEST_SUITE_P(PhoneAndTablet, DevicePickerEndToEnd, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Tablet" : "Phone"; });

} // namespace

// A maintenance (450) or upgrade (426) notice keeps Back hidden; on a stack that offers no other
// way out (the game's framed challenge screens, the phone's modal web page over the dashboard) it
// has a Done that closes the frame the way the frame's own close does: the game hears what that
// close tells it. Each row opens its screen with every answer refused so, and the player leaves
// by Done.
struct RefusedUnder {
    const char* name;
    int status;
    std::function<void()> open;
    Strings told; // what the game's challenge delegate hears
};

// The game's challenge delegate: what it is told as the challenge screens close.
class ChallengeWatcher final : public QVChallengeDelegate {
public:
    bool respondsTo(Message) const override { return true; }
    void sendChallengeScreenClosed() override { calls.push_back("sendChallengeScreenClosed"); }
    void completedChallengeScreenClosed() override { calls.push_back("completedChallengeScreenClosed"); }
    Strings calls;
};

standin::Answer refusal(int status)
{
    return status == 450 ? standin::Answer::xml("<html><body>Back on Monday</body></html>", 450)
                         : standin::Answer::xml("<error_message>Please update %@ to keep playing.</error_message>", 426);
}

// A won challenge of a definition played many times: its result screen is the send screen.
platform::Ref<QVChallengeToUser> wonChallenge()
{
    auto definition = QVChallengeDefinition::create();
    definition->setResourceId("51");
    definition->setTitle("Fastest Lap");
    definition->setMultiAttempt("true");
    auto record = QVChallengeToUser::create();
    record->setResourceId("9001");
    record->setChallenge(QVChallenge::initWithDefinition(definition, "Beat 1:10", platform::Bytes { 7 }));
    record->setResult(QVChallengeService::kWon);
    return record;
}

TEST_F(DashboardFrameEndToEnd, AMaintenanceOrUpgradeNoticeWithNoOtherWayOutClosesTheFrameWithDone)
{
    ASSERT_GT(launchAndLogIn(), 0);
    ChallengeWatcher challengeGame;
    delegates->setChallengeDelegate(&challengeGame);
    const Strings sendClosed { "sendChallengeScreenClosed" };
    const RefusedUnder rows[] = {
        { "the send-challenge screen", 450, [] { QVChallengeService::displaySendChallengeModal("51", "Beat 1:10", platform::Bytes { 7 }); },
          sendClosed },
        { "the send-challenge screen", 426, [] { QVChallengeService::displaySendChallengeModal("51", "Beat 1:10", std::nullopt); },
          sendClosed },
        { "a challenge's result", 450,
          [] { QVChallengeService::displayChallengeCompletedModal(*wonChallenge(), platform::Bytes { 4 }, "You won", "Beat this"); },
          sendClosed },
        { "a challenge's result", 426,
          [] { QVChallengeService::displayChallengeCompletedModal(*wonChallenge(), std::nullopt, "You won", "Beat this"); },
          sendClosed },
        { "the modal web page over the dashboard", 450,
          [&] {
              QuorvelInternal::presenter().setInitialDashboardModalContentURL("/modal");
              service->answerEveryRequest(std::nullopt);
              Quorvel::launchDashboard();
              ASSERT_TRUE(waitUntil([] {
                  auto* root = QuorvelInternal::presenter().getRootController();
                  return root && root->modalViewController();
              }));
              service->answerEveryRequest(refusal(450));
              Quorvel::launchDashboardWithListLeaderboardsPage();
          },
          {} },
    };
    for (const RefusedUnder& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " answered " + std::to_string(row.status));
        service->answerEveryRequest(refusal(row.status));
        row.open();
        const char* notice = row.status == 450 ? "QVServerMaintenanceNoticeController" : "QVDeadEndErrorController";
        ASSERT_TRUE(waitForScreen(notice)) << screenText();
        auto* item = frontScreen()->navigationItem();
        EXPECT_TRUE(item->hidesBackButton());
        ASSERT_TRUE(item->rightBarButtonItem() && item->rightBarButtonItem()->systemItem() == platform::ui::BarButtonItem::SystemItem::Done)
            << screenText();
        challengeGame.calls.clear();
        ASSERT_TRUE(tapRightBarButton());
        EXPECT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); })) << screenText();
        EXPECT_EQ(challengeGame.calls, row.told);
        service->answerEveryRequest(std::nullopt);
        settleNetwork();
    }
    delegates->setChallengeDelegate(nullptr);
}
