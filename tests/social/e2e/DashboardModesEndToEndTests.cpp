// The dashboard's modes, end to end: its offline form when the service goes
// away under it and its online form when the service is back; how it turns
// with the device on a large screen and keeps its orientation on a phone.
#include "DashboardEndToEndSupport.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Boxed.h"
#include "platform/net/Reachability.h"
#include "platform/ui/Button.h"
#include "social/core/QVCurrentUser.h"
#include "social/dashboard/common/QVFriendImporter.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVReachability.h"
#include "social/services/QVUser.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVLoadingController.h"
#include "social/ui/QVRootController.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quorvel;
using namespace e2e_testing;
using Strings = std::vector<std::string>;

namespace {

// The game page's buttons, found by their titles.
class DashboardButtonsTest : public DashboardEndToEndTest {
protected:
    // The visible button titled `title`, or null.
    platform::ui::Button* button(const std::string& title) const
    {
        for (auto* b : visible<platform::ui::Button>())
            if (b->titleForState(platform::ui::StateNormal) == title)
                return b;
        return nullptr;
    }
    bool enabled(const std::string& title) const
    {
        auto* b = button(title);
        return b && b->isEnabled();
    }
};

// The device's network monitor is the test's: the service's host stays
// resolvable on loopback, so only the monitor can tell the client it is gone.
class DashboardModesEndToEnd : public DashboardButtonsTest {
protected:
    void SetUp() override
    {
        network = platform::ManualReachability::create(platform::Reachability::ReachableViaWiFi);
        QVReachability::setDefaultSource(platform::Ref<platform::Reachability>(network.get()));
        DashboardButtonsTest::SetUp();
    }
    void TearDown() override
    {
        DashboardButtonsTest::TearDown();
        QVReachability::setDefaultSource(nullptr);
    }

    // "Enable Quorvel" on the game page with the service out of reach: the
    // account screens end without a login, and the page is not left loading.
    void expectTurningOnWithoutTheServiceEndsLoading()
    {
        ASSERT_TRUE(waitForText("Enable Quorvel")) << screenText();
        killService();
        network->setStatus(platform::Reachability::NotReachable);
        ASSERT_TRUE(tap("Enable Quorvel"));
        ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController")) << screenText();
        ASSERT_TRUE(tap("Use Quorvel"));
        ASSERT_TRUE(waitForScreen("QVDoBootstrapController")) << screenText();
        ASSERT_TRUE(tap("Continue")) << screenText();
        ASSERT_TRUE(waitForScreen("QVGameProfileController")) << screenText();
        letTimePass(1.0);
        EXPECT_TRUE(visible<QVLoadingView>().empty()) << "a loading overlay stays over the game page";
    }

    // The dashboard in its offline form: the game's tab offers to turn the
    // client on, Games opens nothing, and no page is left loading.
    void expectOfflineWithNothingLoading()
    {
        EXPECT_TRUE(waitForText("Enable Quorvel")) << screenText();
        tapTab("Games");
        settleAfterTouch();
        EXPECT_EQ(frontScreenName(), "QVGameProfileController");
        EXPECT_TRUE(visible<QVLoadingView>().empty()) << screenText();
    }

    // A request of the player's is on its way when the game logs out, and fails
    // after it: the offline dashboard stays in front, with no error screen over it.
    // The road (the game's unfriend, or a login of another player the game asked
    // for) sends a request to `path`, whose failing answer the service holds.
    void failsAfterALogout(const std::string& method, const std::string& path,
                           const std::function<void()>& road)
    {
        standin::Answer failing = standin::Answer::xml("<errors><error>The service is busy</error></errors>", 500);
        failing.hold = true;
        service->script(method, path, failing);
        road();
        ASSERT_TRUE(waitUntil([&] { return service->heldCount() == 1; })) << screenText();
        Quorvel::logoutUser();
        settleAfterTouch();
        ASSERT_TRUE(waitForText("Enable Quorvel")) << screenText();
        service->releaseHeld();
        letTimePass(1.0);
        EXPECT_FALSE(shows(QVActionRequest::kTryAgainMessage)) << screenText();
        EXPECT_TRUE(visible<QVDeadEndErrorController>().empty()) << screenText();
        EXPECT_TRUE(shows("Enable Quorvel")) << screenText();
    }

    platform::Ref<platform::ManualReachability> network;
};

TEST_F(DashboardModesEndToEnd, TheOpenDashboardGoesOfflineWithTheServiceAndBackOnlineWhenItReturns)
{
    ASSERT_GT(launchAndLogIn(), 0);
    Quorvel::launchDashboardWithListLeaderboardsPage();
    ASSERT_TRUE(waitForScreen("QVLeaderboardController"));
    ASSERT_TRUE(waitForText("Fastest Lap"));

    // The service dies and the network goes with it; back on the game's page
    // the player finds its offline form: only what the device keeps still opens.
    killService();
    network->setStatus(platform::Reachability::NotReachable);
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    ASSERT_TRUE(waitUntil([&] { return button("Challenges") && !enabled("Challenges"); })) << screenText();
    EXPECT_FALSE(enabled("Who's Playing"));
    EXPECT_TRUE(enabled("Leaderboards"));
    EXPECT_FALSE(Quorvel::isOnline());
    tapText("Challenges");
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    tapTab("Games");
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    tapTab("My Quorvel");
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    // The boards kept on the device still open.
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForText("Normal"));
    ASSERT_TRUE(tapBack());

    // A page that needs the service, opened offline, leaves the player on the offline game page.
    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    Quorvel::launchDashboardWithChallengesPage();
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    letTimePass(0.3);
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    EXPECT_FALSE(enabled("Challenges"));

    // The service starts again on its folder and the network is back: the
    // player's login still holds (no new one is asked for) and the dashboard
    // opens its online pages.
    startService();
    network->setStatus(platform::Reachability::ReachableViaWiFi);
    ASSERT_TRUE(waitUntil([&] { return Quorvel::isOnline(); }));
    EXPECT_TRUE(serviceRequestsTo("bootstrap.xml").empty());
    ASSERT_TRUE(tapTab("Games"));
    ASSERT_TRUE(waitForScreen("QVGameDiscoveryController")) << screenText();
    ASSERT_TRUE(waitForText("Featured"));
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController"));
    ASSERT_TRUE(tapTab("Brisko"));
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    ASSERT_TRUE(waitUntil([&] { return enabled("Challenges"); })) << screenText();
    ASSERT_TRUE(tapText("Challenges"));
    EXPECT_TRUE(waitForScreen("QVChallengeListController"));
}

// The game logs the player out with the dashboard open: the dashboard shows
// what one opened now shows, the game's tab offering to turn the client on
// (the others off), and turning it on there logs the player in again, told
// to the game once, with the dashboard's pages back.
TEST_F(DashboardModesEndToEnd, LoggedOutWithTheDashboardOpenItOffersToTurnTheClientOnAgain)
{
    const int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController"));
    Quorvel::logoutUser();
    settleAfterTouch();
    ASSERT_TRUE(waitForText("Enable Quorvel")) << screenText();
    EXPECT_FALSE(button("Challenges"));
    tapTab("My Quorvel");
    EXPECT_TRUE(shows("Enable Quorvel")) << screenText();

    game.calls.clear();
    ASSERT_TRUE(tap("Enable Quorvel"));
    ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController")) << screenText();
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForText("This isn't me")) << screenText();
    EXPECT_TRUE(shows(Quorvel::lastLoggedInUserName()));
    ASSERT_TRUE(tap("Continue"));
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
    ASSERT_TRUE(tap("Continue"));
    ASSERT_TRUE(waitUntil([&] { return enabled("Challenges"); })) << screenText();
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + std::to_string(player) }));
    ASSERT_TRUE(tapTab("My Quorvel"));
    EXPECT_TRUE(waitForScreen("QVMyQuorvelController")) << screenText();
}

TEST_F(DashboardModesEndToEnd, AnUnfriendFailingAfterALogoutLeavesTheOfflineDashboardInFront)
{
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    auto rival = QVUser::create();
    rival->setResourceId(std::to_string(standin::StandInState::kRivalUser));
    failsAfterALogout("DELETE", "users/" + rival->resourceId() + "/following.xml",
                      [&] { QVCurrentUser::unfriend(rival.get()); });
}

TEST_F(DashboardModesEndToEnd, AnotherPlayersLoginFailingAfterALogoutLeavesTheOfflineDashboardInFront)
{
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    failsAfterALogout("POST", "bootstrap.xml", [] {
        Quorvel::loginWithUserId(std::to_string(standin::StandInState::kRivalUser), QVDelegate(), QVDelegate());
    });
}

// Turning the client on from the game page while the service cannot be
// reached: the account screens end without a login, and the game page the
// player comes back to is not left loading.
TEST_F(DashboardModesEndToEnd, TurnedOnWithoutTheServiceTheGamePageIsNotLeftLoading)
{
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    Quorvel::logoutUser();
    expectTurningOnWithoutTheServiceEndsLoading();
}

// The same after the game declined the client for the player, who keeps the
// login: that login is not the one the page waits for.
TEST_F(DashboardModesEndToEnd, TurnedOnWithoutTheServiceAfterADeclineTheGamePageIsNotLeftLoading)
{
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    Quorvel::userDidApproveQuorvel(false);
    expectTurningOnWithoutTheServiceEndsLoading();
}

// Logged out by the game while the offer to link the networks is up: the
// client sends nothing for a player who turned it off, so connecting a network
// there ends at once in the import's error instead of loading for good.
TEST_F(DashboardModesEndToEnd, LoggedOutUnderTheNetworksOfferConnectingOneTellsItFailed)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    launch();
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
    Quorvel::logoutUser();
    settleAfterTouch();
    ASSERT_TRUE(tap("Connect Twitter"));
    ASSERT_TRUE(waitForText(quorvel::QVFriendImporter::kImportFailed)) << screenText();
    letTimePass(1.0);
    EXPECT_TRUE(visible<QVLoadingView>().empty()) << "a loading overlay stays";
}

// The game answers for the player that the client is declined, with the
// dashboard open: as after a logout, the game's tab offers to turn it on and
// no tab opens a page whose requests the client no longer sends.
TEST_F(DashboardModesEndToEnd, DeclinedWithTheDashboardOpenItOffersToTurnTheClientOn)
{
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController"));
    Quorvel::userDidApproveQuorvel(false);
    settleAfterTouch();
    expectOfflineWithNothingLoading();
}

// Declined while the account screens are in front of the dashboard: they stay
// for the player to finish, and the dashboard behind them is offline.
TEST_F(DashboardModesEndToEnd, DeclinedBehindTheAccountScreensTheDashboardIsOfflineOnceTheyClose)
{
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    Quorvel::logoutUser();
    ASSERT_TRUE(tapWhenShown("Enable Quorvel")) << screenText();
    ASSERT_TRUE(tapWhenShown("Use Quorvel")) << screenText();
    ASSERT_TRUE(waitForText("This isn't me")) << screenText();
    Quorvel::userDidApproveQuorvel(false);
    settleAfterTouch();
    ASSERT_TRUE(tap("Continue")) << screenText();
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
    ASSERT_TRUE(tap("Continue"));
    expectOfflineWithNothingLoading();
}

// The game logs the player out as the dashboard is about to appear, opened on
// a page of the service's: it opens as one opened now does, the game's tab
// offering to turn the client on, and no page waits for an answer.
TEST_F(DashboardModesEndToEnd, LoggedOutAsTheDashboardAppearsItOpensOfferingToTurnTheClientOn)
{
    struct LogsOutAsItAppears final : QuorvelDelegate {
        void dashboardWillAppear() override { Quorvel::logoutUser(); }
    } leaving;
    ASSERT_GT(launchAndLogIn(), 0);
    delegates->setQuorvelDelegate(&leaving);
    Quorvel::launchDashboardWithSwitchUserPage();
    settleAfterTouch();
    delegates->setQuorvelDelegate(&game);
    EXPECT_TRUE(waitForText("Enable Quorvel")) << screenText();
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    EXPECT_TRUE(visible<QVLoadingView>().empty()) << screenText();
}

// The same for a dashboard asked for while the last one was closing: made in
// its online form, it waited for the close, and the logout finds it not yet
// on show. It comes up offline all the same, Games opening nothing.
TEST_F(DashboardModesEndToEnd, LoggedOutAsAWaitingDashboardAppearsItOpensOffline)
{
    struct LogsOutAsItAppears final : QuorvelDelegate {
        void dashboardWillAppear() override { Quorvel::logoutUser(); }
    } leaving;
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    Quorvel::dismissDashboard();
    Quorvel::launchDashboardWithListLeaderboardsPage();
    delegates->setQuorvelDelegate(&leaving);
    settleAfterTouch();
    delegates->setQuorvelDelegate(&game);
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::hub().isDashboardHubOpen(); }));
    expectOfflineWithNothingLoading();
}

// A dashboard asked for while the account screens are in front, the service
// out of reach so the dashboard was never online, waits for them to close: a
// logout makes it the leaving player's, and it does not open when they close.
TEST_F(DashboardModesEndToEnd, ADashboardWaitingBehindTheAccountScreensAtALogoutDoesNotOpen)
{
    ASSERT_GT(launchAndLogIn(), 0);
    Quorvel::userDidApproveQuorvel(false);
    killService();
    Quorvel::userDidApproveQuorvel(true);
    Quorvel::loginWithUserId({}, QVDelegate(), QVDelegate());
    ASSERT_TRUE(waitForScreen("QVDoBootstrapController")) << screenText();
    Quorvel::launchDashboard();
    settleAfterTouch();
    Quorvel::logoutUser();
    settleAfterTouch();
    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); })) << screenText();
    letTimePass(1.0);
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen()) << screenText();
}

// The device the dashboard runs on, a phone or a tablet; the phone again afterwards.
class DashboardTurnsEndToEnd : public DashboardButtonsTest {
protected:
    void TearDown() override
    {
        DashboardButtonsTest::TearDown();
        platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Phone);
    }
    // What the game's own screen asks before it turns, and then does.
    bool deviceTurnsTo(int orientation)
    {
        const int supported[] = { 1, 2, 3, 4 };
        if (!Quorvel::shouldAutorotateToInterfaceOrientation(orientation, supported, 4))
            return false;
        Quorvel::setDashboardOrientation(orientation);
        driver->advance(1.0); // the turn's animation runs out
        settleAfterTouch();
        return true;
    }
    platform::ui::View* dashboardView() const { return QuorvelInternal::presenter().getRootController()->view(); }
    // The dashboard's tabs and the front screen as the device's screen shows them.
    platform::Rect panelOnTheDevice() const
    {
        platform::ui::View* panel = QuorvelInternal::presenter().contentController()->view();
        return panel->convertRectTo(panel->bounds(), nullptr);
    }
    platform::Rect frontScreenOnTheDevice() const
    {
        auto* nav = frontStack();
        if (!nav || !nav->topViewController())
            return {};
        auto* v = nav->topViewController()->view();
        return v->convertRectTo(v->bounds(), nullptr);
    }
};

// The same on a tablet, whose window the harness makes as large as its screen.
class DashboardTurnsOnATabletEndToEnd : public DashboardTurnsEndToEnd {
protected:
    void SetUp() override
    {
        platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Tablet);
        DashboardTurnsEndToEnd::SetUp();
    }
};

TEST_F(DashboardTurnsOnATabletEndToEnd, TheOpenDashboardTurnsWithTheDeviceAndItsScreensTakeTheTurnedBounds)
{
    ASSERT_GT(launchAndLogIn(), 0);
    openDashboard();
    ASSERT_EQ(dashboardView()->bounds().size, platform::Size(768, 1024));
    // Upright, the dashboard is a panel wider than tall, centred over the game as the gallery draws it.
    const platform::Rect upright = panelOnTheDevice();
    ASSERT_GT(upright.size.width, upright.size.height);
    EXPECT_EQ(upright, platform::Rect(64, 251, 640, 480));
    ASSERT_GT(frontScreenOnTheDevice().size.width, frontScreenOnTheDevice().size.height);

    ASSERT_TRUE(deviceTurnsTo(3));
    EXPECT_EQ(Quorvel::getDashboardOrientation(), 3);
    EXPECT_EQ(dashboardView()->transform(), platform::AffineTransform(0, 1, -1, 0, 0, 0));
    EXPECT_EQ(dashboardView()->bounds().size, platform::Size(1024, 768));
    // A screen opened now fills the wide dashboard and answers the player's taps.
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForScreen("QVLeaderboardController"));
    ASSERT_TRUE(waitForText("Fastest Lap"));
    // Its screens turned with it: on the device they stand on their side.
    EXPECT_EQ(panelOnTheDevice().size.width, upright.size.height);
    EXPECT_EQ(panelOnTheDevice().size.height, upright.size.width);
    // ...and the panel is centred again across the turned dashboard.
    EXPECT_EQ(panelOnTheDevice().midY(), 512);
    EXPECT_LT(frontScreenOnTheDevice().size.width, frontScreenOnTheDevice().size.height);
    ASSERT_TRUE(tapText("Fastest Lap"));
    EXPECT_TRUE(waitForScreen("QVHighScoreController"));

    // Turned back upright, the screens are tall again.
    ASSERT_TRUE(deviceTurnsTo(1));
    EXPECT_EQ(dashboardView()->transform(), platform::AffineTransform());
    EXPECT_EQ(dashboardView()->bounds().size, platform::Size(768, 1024));
    EXPECT_EQ(panelOnTheDevice().size, upright.size);
    EXPECT_EQ(panelOnTheDevice().midX(), upright.midX());
    EXPECT_GT(frontScreenOnTheDevice().size.width, frontScreenOnTheDevice().size.height);
    ASSERT_TRUE(tapBack());
    EXPECT_TRUE(waitForScreen("QVLeaderboardController"));
}

TEST_F(DashboardTurnsEndToEnd, OnAPhoneTheDashboardKeepsTheOrientationItOpenedWith)
{
    ASSERT_GT(launchAndLogIn(), 0);
    Quorvel::setDashboardOrientation(3); // the game plays on its side
    openDashboard();
    const platform::Size wide = dashboardView()->bounds().size;
    EXPECT_GT(wide.width, wide.height);

    // The device turns upright: the dashboard refuses to turn with it.
    EXPECT_FALSE(deviceTurnsTo(1));
    Quorvel::setDashboardOrientation(1); // even when the game asks anyway
    EXPECT_EQ(Quorvel::getDashboardOrientation(), 3);
    EXPECT_EQ(dashboardView()->bounds().size, wide);
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForText("Fastest Lap"));
    EXPECT_EQ(dashboardView()->bounds().size, wide);

    // Closed, the game turns freely, and the next dashboard opens upright.
    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_TRUE(deviceTurnsTo(1));
    openDashboard();
    EXPECT_EQ(dashboardView()->bounds().size, platform::Size(320, 480));
}

} // namespace

namespace {

// The game turns the client off (a logout, or a decline for the player) from inside
// dashboardWillAppear, told as the account set-up's frame comes up after the player approved
// the client on the game's own screen: the frame is not left spinning "Setting Up Quorvel" for
// good. Whatever the game did, the frame ends with a way out the player can take (or is not
// shown), and the game's answer stands. On a phone and a tablet; each row starts from a device
// the player never approved on, a logout, or a decline.
class TurnedOffAsTheSetUpAppearsEndToEnd : public DashboardModesEndToEnd, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        platform::ui::Screen::mainScreen().setKind(GetParam() ? platform::ui::Screen::Kind::Tablet
                                                              : platform::ui::Screen::Kind::Phone);
        DashboardModesEndToEnd::SetUp();
    }
    void TearDown() override
    {
        DashboardModesEndToEnd::TearDown();
        platform::ui::Screen::mainScreen().setKind(platform::ui::Screen::Kind::Phone);
    }
};

// A game with an approval screen of its own, which acts once inside dashboardWillAppear.
class GameActingAsTheFrameAppears final : public QuorvelDelegate {
public:
    std::optional<bool> showCustomQuorvelApprovalScreen() override { return true; }
    void dashboardWillAppear() override
    {
        if (auto act = std::exchange(actNextTime, nullptr))
            act();
    }
    void userLoggedIn(const std::string& id) override { calls.push_back("userLoggedIn:" + id); }
    std::function<void()> actNextTime;
    Strings calls;
};

TEST_P(TurnedOffAsTheSetUpAppearsEndToEnd, TheSetUpFrameEndsWithAWayOut)
{
    const std::pair<const char*, std::function<void()>> starts[] = {
        { "a new device", [&] { launch(); } },
        { "after a logout", [&] { ASSERT_GT(launchAndLogIn(), 0); Quorvel::logoutUser(); } },
        { "after a decline", [&] { ASSERT_GT(launchAndLogIn(), 0); Quorvel::userDidApproveQuorvel(false); } },
    };
    const std::pair<const char*, std::function<void()>> turnOffs[] = {
        { "logoutUser", [] { Quorvel::logoutUser(); } },
        { "userDidApproveQuorvel(false)", [] { Quorvel::userDidApproveQuorvel(false); } },
    };
    for (const auto& [start, arrange] : starts)
        for (const auto& [turnOff, act] : turnOffs) {
            SCOPED_TRACE(std::string(start) + ", " + turnOff + " inside dashboardWillAppear");
            GameActingAsTheFrameAppears acting;
            delegates->setQuorvelDelegate(&acting);
            ASSERT_NO_FATAL_FAILURE(arrange());
            settleAfterTouch();
            acting.actNextTime = act;
            acting.calls.clear();
            Quorvel::userDidApproveQuorvel(true); // the game's own approval screen
            settleAfterTouch();
            letTimePass(35.0);
            if (QuorvelInternal::presenter().isShowingFullScreen()) {
                EXPECT_TRUE(enabled("Continue")) << "no way out: " << screenText();
                tap("Continue");
                EXPECT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); })) << screenText();
            }
            EXPECT_FALSE(Quorvel::hasUserApprovedQuorvel()) << "the game's answer stands";
            // The player logged out is not reported logged in (one who declined keeps the login held).
            if (std::string(turnOff) == "logoutUser") {
                EXPECT_EQ(acting.calls, Strings {});
            }
            delegates->setQuorvelDelegate(&game);
            quit();
            QuorvelInternal::options().resetHasUserSetQuorvelAccess();
        }
}

INSTANTIATE_TEST_SUITE_P(PhoneAndTablet, TurnedOffAsTheSetUpAppearsEndToEnd, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Tablet" : "Phone"; });

} // namespace
