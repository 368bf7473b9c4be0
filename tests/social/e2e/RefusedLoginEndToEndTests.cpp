// What the game hears of a login of another account, end to end: on the three
// ways a player switches (a row of the switch-account page, the page's "Log in
// to another account" by e-mail, the intro's "This isn't me"), when the game
// becomes active, comes to the foreground or finds the network back while the
// switch's login is on its way; when the service refuses it; and on the
// returns from the background after it. A switch drops the last player's
// credentials before its bootstrap; a trigger during it changes nothing, and
// once it is refused nobody is logged in: the game hears an offline login,
// never an online one without a token, and the next trigger logs the player
// the client holds as last in again, once, however many events the return brings.
#include "DashboardEndToEndSupport.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Log.h"
#include "platform/net/Reachability.h"
#include "platform/ui/Button.h"
#include "social/runtime/QVProvider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace e2e_testing;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kRestartNotice = "Unable to login to Quorvel. Restart to try again.";

// What the device tells the game on its way back: becoming active, the
// foreground, the network back; or both of the first, as a return from the background brings them.
struct Trigger {
    const char* name;
    std::function<void()> fire;
};

void becomeActive() { quorvel::Quorvel::applicationDidBecomeActive(); }
void enterForeground() { quorvel::Quorvel::applicationWillEnterForeground(); }
void networkBack()
{
    quorvel::Quorvel::gameServerReachabilityChanged(platform::Boxed::number(platform::Reachability::ReachableViaWiFi).get());
}

const Trigger kBecomingActive { "BecomingActive", becomeActive };
const Trigger kForeground { "Foreground", enterForeground };
const Trigger kNetworkBack { "NetworkBack", networkBack };
const Trigger kReturnFromTheBackground { "ForegroundThenBecomingActive", [] {
                                            enterForeground();
                                            becomeActive();
                                        } };

std::string triggerName(const testing::TestParamInfo<Trigger>& info) { return info.param.name; }
void PrintTo(const Trigger& trigger, std::ostream* out) { *out << trigger.name; }

class RefusedLoginEndToEnd : public DashboardEndToEndTest {
protected:
    // The service refuses the bootstrap that follows the e-mail login (401).
    void logInWithRefusedBootstrap() { sendEmailLoginRefusedAtBootstrap(401); }
    static bool holdsToken() { return quorvel::QuorvelInternal::session().provider()->isAuthenticated(); }
    void expectLoggedOut()
    {
        EXPECT_FALSE(holdsToken());
        EXPECT_FALSE(quorvel::Quorvel::isSuccessfullyBootstrapped());
        EXPECT_FALSE(quorvel::Quorvel::isOnline());
    }
    // The trigger logs the last player in again, once, with a token of its own;
    // a player who has not been offered to link networks in this launch is offered it first.
    void expectTheTriggerLogsInAgain(const Trigger& trigger, const std::string& player, bool offeredLinks = false)
    {
        game.calls.clear();
        const size_t before = serviceRequestsTo("bootstrap.xml").size();
        trigger.fire();
        if (offeredLinks) {
            ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
            ASSERT_TRUE(tap("Continue"));
        }
        ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); })) << screenText();
        letTimePass(1.0); // a second login, were there one, would be told by now
        EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + player }));
        EXPECT_TRUE(holdsToken());
        EXPECT_TRUE(quorvel::Quorvel::isOnline());
        auto bootstraps = serviceRequestsTo("bootstrap.xml");
        ASSERT_EQ(bootstraps.size(), before + 1);
        EXPECT_EQ(bootstraps.back().param("user_id"), player);
    }

    // Logged in as the device's first player, with the rival's account also
    // opened on this device; the switch-account page lists both. Answers the player.
    std::string logInWithTheRivalOnTheDevice()
    {
        const std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
        EXPECT_TRUE(arrange("INSERT INTO device_accounts VALUES ('" + udid + "', "
                            + std::to_string(standin::StandInState::kRivalUser) + ")"));
        const std::string player = std::to_string(launchAndLogIn());
        EXPECT_TRUE(waitUntil([&] { return !game.calls.empty(); }));
        game.calls.clear();
        return player;
    }
    void openTheSwitchAccountPage()
    {
        quorvel::Quorvel::launchDashboardWithSwitchUserPage();
        ASSERT_TRUE(waitForScreen("QVUseNewOrOldAccountController"));
    }
    // The e-mail login of Zed's account is sent; its bootstrap's answer is held. Answers Zed's id.
    std::string sendTheEMailLoginWithItsBootstrapHeld()
    {
        const int64_t zed = state->addUser("Zed");
        EXPECT_TRUE(state->secureAccount(zed, "zed@example.com", "secret"));
        EXPECT_TRUE(waitForText("Log In To Quorvel"));
        EXPECT_TRUE(typeInto(0, "zed@example.com"));
        EXPECT_TRUE(typeInto(1, "secret"));
        holdTheNextBootstrap();
        EXPECT_TRUE(tap("Log In"));
        EXPECT_TRUE(waitForTheHeldBootstrap());
        expectTheEMailLoginSignedByTheGameAlone();
        return std::to_string(zed);
    }
    // The e-mail login names its account by its credentials: it goes without
    // the access token of the player it replaces, signed by the game's key.
    void expectTheEMailLoginSignedByTheGameAlone()
    {
        auto logins = serviceRequestsTo("session.xml");
        ASSERT_FALSE(logins.empty());
        EXPECT_TRUE(logins.back().signatureValid) << logins.back().signatureFailure;
        EXPECT_EQ(logins.back().oauthToken, "");
    }
    // The switch's bootstrap reaches the service; its answer waits until released.
    void holdTheNextBootstrap()
    {
        bootstrapsBefore = serviceRequestsTo("bootstrap.xml").size();
        service->holdAnswersTo("bootstrap.xml");
    }
    bool waitForTheHeldBootstrap()
    {
        return waitUntil([&] { return serviceRequestsTo("bootstrap.xml").size() > bootstrapsBefore && service->heldCount() > 0; });
    }
    // The held answer goes; the switch ends.
    void releaseTheBootstrap() { service->stopHolding(); }
    size_t bootstrapsBefore { 0 };
};

// ---- A trigger while a switch's login is on its way changes nothing

class TriggerDuringASwitchEndToEnd : public RefusedLoginEndToEnd, public testing::WithParamInterface<Trigger> {
protected:
    // The game hears the account switched to, once, and the client holds it as last.
    void expectOnlyTheSwitch(const std::string& to)
    {
        letTimePass(1.0);
        EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + to }));
        EXPECT_EQ(loggedInUser(), to);
        EXPECT_TRUE(quorvel::Quorvel::isOnline());
        EXPECT_EQ(serviceRequestsTo("bootstrap.xml").size(), bootstrapsBefore + 1) << "no login followed the switch";
    }
};

TEST_P(TriggerDuringASwitchEndToEnd, OnTheSwitchAccountPagesRow)
{
    const std::string rival = std::to_string(standin::StandInState::kRivalUser);
    logInWithTheRivalOnTheDevice();
    ASSERT_NO_FATAL_FAILURE(openTheSwitchAccountPage());
    ASSERT_TRUE(waitForText("Showing 2 of 2"));
    holdTheNextBootstrap();
    ASSERT_TRUE(waitUntil([&] { return tapRow("Rival"); }));
    ASSERT_TRUE(waitForTheHeldBootstrap());
    GetParam().fire();
    releaseTheBootstrap();
    ASSERT_TRUE(waitForText("You are now logged into Quorvel as:")) << screenText();
    EXPECT_TRUE(shows("Rival"));
    expectOnlyTheSwitch(rival);
}

TEST_P(TriggerDuringASwitchEndToEnd, OnTheSwitchAccountPagesEMailLogin)
{
    logInWithTheRivalOnTheDevice();
    ASSERT_NO_FATAL_FAILURE(openTheSwitchAccountPage());
    ASSERT_TRUE(tapWhenShown("Log in to another account"));
    const std::string zed = sendTheEMailLoginWithItsBootstrapHeld();
    GetParam().fire();
    releaseTheBootstrap();
    ASSERT_TRUE(waitForText("You are now logged into Quorvel as:")) << screenText();
    EXPECT_TRUE(shows("Zed"));
    expectOnlyTheSwitch(zed);
}

TEST_P(TriggerDuringASwitchEndToEnd, AfterTheIntrosThisIsntMe)
{
    ASSERT_NO_FATAL_FAILURE(approveWithOneDeviceAccount(standin::StandInState::kRivalUser));
    ASSERT_TRUE(tap("This isn't me"));
    const std::string zed = sendTheEMailLoginWithItsBootstrapHeld();
    GetParam().fire();
    releaseTheBootstrap();
    // Logged in, the player is offered the networks; the intro closes after them.
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
    ASSERT_TRUE(tap("Continue"));
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); })) << screenText();
    expectOnlyTheSwitch(zed);
}

INSTANTIATE_TEST_SUITE_P(EveryTrigger, TriggerDuringASwitchEndToEnd,
                         testing::Values(kBecomingActive, kForeground, kNetworkBack, kReturnFromTheBackground),
                         triggerName);

// ---- The switch page's e-mail login while a trigger logs the last player in

// With no token held (a switch refused before), the game's return starts a
// login of the last player, and the player logs in to another account on the
// switch page's form meanwhile: the form's login is never answered by the last
// player's. The account named logs in; the game hears it, once, and the form
// names it. The last player's answer comes after the tap, the return made
// before the tap or in the same turn.
class FormLoginDuringATriggerEndToEnd : public RefusedLoginEndToEnd, public testing::WithParamInterface<bool> { };

TEST_P(FormLoginDuringATriggerEndToEnd, TheAccountNamedLogsInAndTheGameHearsItOnce)
{
    const bool heldAnswer = GetParam(); // the return's login reached the service before the tap
    const std::string player = std::to_string(launchAndLogIn());
    quorvel::Quorvel::launchDashboardWithSwitchUserPage();
    ASSERT_TRUE(tapWhenShown("Log in to another account"));
    ASSERT_NO_FATAL_FAILURE(logInWithRefusedBootstrap());
    expectLoggedOut();
    ASSERT_TRUE(tapBack()) << screenText();
    ASSERT_TRUE(waitForText("Log In To Quorvel")) << screenText();
    const std::string zed = kept("SELECT user_id FROM email_credentials WHERE email = 'zed@example.com'");
    ASSERT_FALSE(zed.empty());
    ASSERT_TRUE(typeInto(0, "zed@example.com"));
    ASSERT_TRUE(typeInto(1, "secret"));
    game.calls.clear();

    // The last player's answer waits until the form's login is on its way.
    holdTheNextBootstrap();
    kReturnFromTheBackground.fire();
    if (heldAnswer) {
        ASSERT_TRUE(waitForTheHeldBootstrap());
    }
    ASSERT_TRUE(tap("Log In"));
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo("bootstrap.xml").size() == bootstrapsBefore + 2; }))
        << screenText();
    releaseTheBootstrap();
    ASSERT_TRUE(waitForText("You are now logged into Quorvel as:")) << screenText();
    EXPECT_TRUE(shows("Zed")) << screenText();
    letTimePass(1.0);
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + zed }));
    EXPECT_EQ(loggedInUser(), zed);
    EXPECT_TRUE(quorvel::Quorvel::isOnline());
    auto bootstraps = serviceRequestsTo("bootstrap.xml");
    ASSERT_EQ(bootstraps.size(), bootstrapsBefore + 2) << "the last player's, then the form's own";
    EXPECT_EQ(bootstraps[bootstrapsBefore].param("user_id"), player);
    EXPECT_EQ(bootstraps.back().param("user_id"), "");
    EXPECT_EQ(bootstraps.back().oauthToken, "");
}

INSTANTIATE_TEST_SUITE_P(EitherTiming, FormLoginDuringATriggerEndToEnd, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("TheReturnBeforeTheTap")
                                               : std::string("TheReturnAndTheTapInOneTurn");
                         });

// ---- A refused switch: an offline login, then the next return logs the last player in

// The return from the background that follows: becoming active, the
// foreground, or both at once as the game forwards them.
class ReturnAfterASwitchEndToEnd : public RefusedLoginEndToEnd, public testing::WithParamInterface<Trigger> { };

TEST_P(ReturnAfterASwitchEndToEnd, RefusedOnTheSwitchAccountPageTheGameHearsAnOfflineLoginOfTheLastPlayer)
{
    const std::string player = std::to_string(launchAndLogIn());
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); }));
    ASSERT_EQ(game.calls, (Strings { "userLoggedIn:" + player }));
    game.calls.clear();

    quorvel::Quorvel::launchDashboardWithSwitchUserPage();
    ASSERT_TRUE(waitForText("Log in to another account"));
    ASSERT_TRUE(tap("Log in to another account"));
    platform::LogCapture log;
    ASSERT_NO_FATAL_FAILURE(logInWithRefusedBootstrap());
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:" + player }));
    expectLoggedOut();
    // The developer reads that the account was refused; the key was taken all along.
    EXPECT_TRUE(log.contains("bootstrap.xml refused the login to the account (HTTP 401)")) << testing::PrintToString(log.texts());
    EXPECT_FALSE(log.contains("refused the product key"));

    // The player leaves the dashboard; the game returns from the background
    // later: the last player logs in, not the refused account the device now names.
    quorvel::Quorvel::dismissDashboard();
    letTimePass(1.0);
    expectTheTriggerLogsInAgain(GetParam(), player);
}

TEST_P(ReturnAfterASwitchEndToEnd, RefusedAfterTheIntrosThisIsntMeTheGameHearsAnOfflineLoginOnceTheIntroCloses)
{
    // The device has opened one account: it logs in and is offered first.
    ASSERT_NO_FATAL_FAILURE(approveWithOneDeviceAccount(18));
    ASSERT_TRUE(tap("This isn't me"));
    ASSERT_NO_FATAL_FAILURE(logInWithRefusedBootstrap());
    expectTheEMailLoginSignedByTheGameAlone();
    expectLoggedOut();

    // Back to the login form, cancelled back to the account shown, and on: with
    // nobody logged in there are no networks to link, so the intro closes.
    ASSERT_TRUE(tapBack()) << screenText();
    ASSERT_TRUE(tapWhenShown("Cancel")) << screenText();
    ASSERT_TRUE(tapWhenShown("Continue")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); })) << screenText();
    letTimePass(1.0);
    EXPECT_EQ(frontScreenName(), "") << screenText();
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:18" }));
    expectLoggedOut();
    // Nothing needs a restart: the next trigger logs the player in by itself.
    EXPECT_EQ(std::count(notices.begin(), notices.end(), kRestartNotice), 0) << testing::PrintToString(notices);

    expectTheTriggerLogsInAgain(GetParam(), "18", true);
}

// A switch that worked, then a launch without the service: once it is back,
// the return logs in the account switched to, not the device's first.
TEST_P(ReturnAfterASwitchEndToEnd, AfterASwitchAndAnOfflineRelaunchTheAccountSwitchedToLogsIn)
{
    const std::string rival = std::to_string(standin::StandInState::kRivalUser);
    logInWithTheRivalOnTheDevice();
    ASSERT_NO_FATAL_FAILURE(openTheSwitchAccountPage());
    ASSERT_TRUE(waitForText("Showing 2 of 2"));
    ASSERT_TRUE(waitUntil([&] { return tapRow("Rival"); }));
    ASSERT_TRUE(waitForText("You are now logged into Quorvel as:")) << screenText();
    quorvel::Quorvel::dismissDashboard();
    letTimePass(1.0);
    ASSERT_EQ(loggedInUser(), rival);

    quit();
    killService();
    game.calls.clear();
    launch();
    ASSERT_TRUE(waitUntil([] { return !quorvel::QuorvelInternal::login().isBootstrapInProgress(); }));
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:" + rival }));
    startService();
    expectTheTriggerLogsInAgain(GetParam(), rival);
}

// ---- An open dashboard after a refused switch goes online with the next login

class DashboardAfterARefusalEndToEnd : public RefusedLoginEndToEnd {
protected:
    bool enabled(const std::string& title) const
    {
        for (auto* b : visible<platform::ui::Button>())
            if (b->titleForState(platform::ui::StateNormal) == title)
                return b->isEnabled();
        return false;
    }
    // The game becomes active: the last player logs in and the dashboard on
    // show takes its online form: the Games tab opens, the game's Challenges too.
    void expectTheNextLoginTakesTheDashboardOnline(const std::string& player)
    {
        game.calls.clear();
        quorvel::Quorvel::applicationDidBecomeActive();
        ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); })) << screenText();
        EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + player }));
        ASSERT_TRUE(quorvel::QuorvelInternal::hub().isDashboardHubOpen());
        ASSERT_TRUE(tapTab("Games"));
        ASSERT_TRUE(waitForScreen("QVGameDiscoveryController")) << screenText();
        ASSERT_TRUE(tapTab("Brisko"));
        ASSERT_TRUE(waitForScreen("QVGameProfileController")) << screenText();
        EXPECT_TRUE(waitUntil([&] { return enabled("Challenges"); })) << screenText();
    }
    // Logged in, the switch page's e-mail login is refused. Answers the player.
    std::string refuseAnEMailSwitch()
    {
        const std::string player = std::to_string(launchAndLogIn());
        quorvel::Quorvel::launchDashboardWithSwitchUserPage();
        EXPECT_TRUE(tapWhenShown("Log in to another account"));
        logInWithRefusedBootstrap();
        return player;
    }
};

TEST_F(DashboardAfterARefusalEndToEnd, OpenedOfflineAfterTheRefusal)
{
    const std::string player = refuseAnEMailSwitch();
    quorvel::Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !quorvel::QuorvelInternal::presenter().isShowingFullScreen(); }));
    openDashboard();
    ASSERT_TRUE(waitForScreen("QVGameProfileController")) << screenText();
    EXPECT_FALSE(enabled("Challenges")) << "offline";
    expectTheNextLoginTakesTheDashboardOnline(player);
}

TEST_F(DashboardAfterARefusalEndToEnd, RefusedInsideTheOpenDashboard)
{
    const std::string player = refuseAnEMailSwitch();
    // The player goes to the game's page: nobody is logged in, so it is offline.
    ASSERT_TRUE(tapTab("Brisko"));
    ASSERT_TRUE(waitForScreen("QVGameProfileController")) << screenText();
    EXPECT_FALSE(enabled("Challenges")) << "offline";
    expectTheNextLoginTakesTheDashboardOnline(player);
}

// The game logs out over the refusal's dead end: the dashboard shows what one
// opened now shows, the game's tab offering to turn the client on.
TEST_F(DashboardAfterARefusalEndToEnd, LoggedOutOverTheDeadEndItOffersToTurnTheClientOn)
{
    refuseAnEMailSwitch();
    quorvel::Quorvel::logoutUser();
    settleAfterTouch();
    EXPECT_TRUE(waitForText("Enable Quorvel")) << screenText();
    EXPECT_NE(frontScreenName(), "QVDeadEndErrorController");
}

TEST_F(DashboardAfterARefusalEndToEnd, AskedForDuringTheRefusedIntro)
{
    ASSERT_NO_FATAL_FAILURE(approveWithOneDeviceAccount(standin::StandInState::kRivalUser));
    ASSERT_TRUE(tap("This isn't me"));
    ASSERT_NO_FATAL_FAILURE(logInWithRefusedBootstrap());
    quorvel::Quorvel::launchDashboard();
    ASSERT_TRUE(tapBack()) << screenText();
    ASSERT_TRUE(tapWhenShown("Cancel")) << screenText();
    ASSERT_TRUE(tapWhenShown("Continue")) << screenText();
    // The intro closes; the dashboard comes in its place, offline.
    ASSERT_TRUE(waitUntil([] { return quorvel::QuorvelInternal::hub().isDashboardHubOpen(); })) << screenText();
    ASSERT_TRUE(waitForScreen("QVGameProfileController")) << screenText();
    expectTheNextLoginTakesTheDashboardOnline(std::to_string(standin::StandInState::kRivalUser));
}

INSTANTIATE_TEST_SUITE_P(EveryReturn, ReturnAfterASwitchEndToEnd,
                         testing::Values(kBecomingActive, kForeground, kReturnFromTheBackground), triggerName);

} // namespace
