// The player's account, end to end: approving or declining the client,
// logging in to an existing account by e-mail or through Twitter from the
// naming screen, and a social post the service refuses until the player gives
// the Twitter password it needs.
#include "EndToEndTestSupport.h"

#include "platform/ui/Switch.h"
#include "social/runtime/FBSession.h"
#include "social/services/QVSocialNotificationService.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quorvel;
using namespace e2e_testing;
using Strings = std::vector<std::string>;

namespace {

class AccountEndToEnd : public EndToEndTest {
protected:
    // Logged in to the account, the player is offered the networks; once that
    // screen closes the game hears the login, once, and the player is welcomed back.
    void welcomedOnceAfterTheNetworksOffer()
    {
        ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
        EXPECT_TRUE(game.calls.empty());
        ASSERT_TRUE(tap("Continue"));
        ASSERT_TRUE(waitForText("Welcome back")) << screenText();
        EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + loggedInUser() }));
    }
};

TEST_F(AccountEndToEnd, APlayerWhoDeclinesIsNotSignedUpUntilAcceptingWhenOpeningTheDashboard)
{
    launch();
    ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController"));
    ASSERT_TRUE(tap("No Thanks"));
    letTimePass(0.3);
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_TRUE(serviceRequestsTo("bootstrap.xml").empty());
    EXPECT_TRUE(game.calls.empty());

    // The answer is kept: the next launch asks nothing and sends nothing.
    quit();
    launch();
    letTimePass(0.3);
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_TRUE(serviceRequestsTo("bootstrap.xml").empty());

    // Opening the dashboard asks again; accepting makes the player and opens it.
    Quorvel::launchDashboard();
    ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController"));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForScreen("QVNewAccountController"));
    ASSERT_TRUE(tap("Continue")); // keeps the name the service chose
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController"));
    ASSERT_TRUE(tap("Continue"));
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::hub().isDashboardHubOpen(); }));
    auto bootstraps = serviceRequestsTo("bootstrap.xml");
    ASSERT_EQ(bootstraps.size(), 1u);
    auto player = state->userForDevice(bootstraps[0].param("udid"));
    ASSERT_TRUE(player.has_value());
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + std::to_string(*player) }));
}

// The game closes the dashboard while the first login's offer to link
// networks is up: the login it held back is told then, and the later logins
// of the launch are told as they end.
TEST_F(AccountEndToEnd, TheGameClosingTheNetworksOfferHearsTheLoginAndTheNextOnes)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    launch();
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
    EXPECT_TRUE(game.calls.empty());
    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    letTimePass(1.0);
    const std::string player = loggedInUser();
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + player }));
    Quorvel::loginWithUserId(player, QVDelegate(), QVDelegate());
    ASSERT_TRUE(waitUntil([&] { return game.calls.size() == 2; })) << screenText();
    EXPECT_EQ(game.calls.back(), "userLoggedIn:" + player);
}

// A player who logged out logs in again from the dashboard's offline game
// page: the approval, then the account screens in front of the player, and
// the game hears the login once they close; the dashboard goes on online.
TEST_F(AccountEndToEnd, AfterALogoutTheDashboardsEnableQuorvelLogsThePlayerInAgain)
{
    const std::string player = std::to_string(launchAndLogIn());
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); }));
    Quorvel::logoutUser();
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + player, "userLoggedOut:" + player }));
    game.calls.clear();

    openDashboard();
    ASSERT_TRUE(tapWhenShown("Enable Quorvel")) << screenText();
    ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController")) << screenText();
    ASSERT_TRUE(tap("Use Quorvel"));
    // The device's one account logs in and is offered, in front of the player.
    ASSERT_TRUE(waitForText("This isn't me")) << screenText();
    EXPECT_TRUE(game.calls.empty()) << "told once the account screens close";
    ASSERT_TRUE(tap("Continue"));
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
    EXPECT_TRUE(game.calls.empty());
    // The player turns both of the screen's switches over: the service keeps
    // both settings, and the player is told of no failure.
    std::vector<platform::ui::Switch*> switches;
    std::function<void(platform::ui::View*)> find = [&](platform::ui::View* v) {
        if (auto* s = dynamic_cast<platform::ui::Switch*>(v); s && !s->isHidden())
            switches.push_back(s);
        for (auto& sub : v->subviews())
            find(sub.get());
    };
    find(driver->window());
    ASSERT_EQ(switches.size(), 2u) << screenText();
    for (auto* s : switches)
        ASSERT_TRUE(driver->tap(s));
    ASSERT_TRUE(tap("Continue"));
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); })) << screenText();
    letTimePass(1.0);
    // The link screen's switches, which the service's shared list does not offer, are the player's own there.
    auto keptSetting = [&](const char* key) {
        return kept("SELECT value FROM own_settings WHERE key = '" + std::string(key) + "' AND user_id = " + player);
    };
    EXPECT_FALSE(keptSetting("location").empty());
    EXPECT_FALSE(keptSetting("presence").empty());
    EXPECT_FALSE(shows("Please try your request again")) << screenText();
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + player }));
    EXPECT_EQ(loggedInUser(), player);
    EXPECT_TRUE(Quorvel::isOnline());
    // The dashboard is still up, now in its online form.
    ASSERT_TRUE(QuorvelInternal::hub().isDashboardHubOpen());
    ASSERT_TRUE(tapTab("Games"));
    EXPECT_TRUE(waitForScreen("QVGameDiscoveryController")) << screenText();
}

TEST_F(AccountEndToEnd, APlayerWithAnAccountLogsInByEMailAfterAWrongPassword)
{
    const int64_t zed = state->addUser("Zed");
    ASSERT_TRUE(state->secureAccount(zed, "zed@example.com", "secret"));
    ASSERT_NO_FATAL_FAILURE(openLoginFromTheNamingScreen());
    ASSERT_TRUE(typeInto(0, "zed@example.com"));
    ASSERT_TRUE(typeInto(1, "wrong"));
    ASSERT_TRUE(tap("Log In"));
    ASSERT_TRUE(waitUntil([&] { return driver->currentAlert() != nullptr; }));
    EXPECT_NE(driver->currentAlert()->message().find("not correct"), std::string::npos);
    driver->answerAlert(0);
    settleAfterTouch();

    ASSERT_TRUE(typeInto(1, "secret"));
    ASSERT_TRUE(tap("Log In"));
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo("session.xml").size() == 2; }));
    auto logins = serviceRequestsTo("session.xml");
    EXPECT_EQ(logins[1].param("credential[email]"), "zed@example.com");
    EXPECT_EQ(logins[1].param("credential[password]"), "secret");
    EXPECT_EQ(logins[1].param("credential_type"), "http_basic");
    // The login is followed by a bootstrap that logs the player in.
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo("bootstrap.xml").size() >= 2; }));
    ASSERT_NO_FATAL_FAILURE(welcomedOnceAfterTheNetworksOffer());
    EXPECT_TRUE(QuorvelInternal::login().successfullyBootstrapped());
    EXPECT_EQ(loggedInUser(), std::to_string(zed));
}

TEST_F(AccountEndToEnd, APlayerLogsInThroughTheTwitterAccountLinkedToQuorvel)
{
    ASSERT_NO_FATAL_FAILURE(openLoginFromTheNamingScreen());
    ASSERT_TRUE(tap("Use Facebook or Twitter"));
    ASSERT_TRUE(waitForText("Log in with the Facebook or Twitter account"));
    ASSERT_TRUE(tap("Twitter"));
    ASSERT_TRUE(waitForText("Enter the Twitter credentials"));
    ASSERT_TRUE(typeInto(0, "zedtweets"));
    ASSERT_TRUE(typeInto(1, "birdword"));
    ASSERT_TRUE(tap("Continue"));
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo("session.xml").empty(); }));
    auto login = serviceRequestsTo("session.xml")[0];
    EXPECT_EQ(login.param("credential_type"), "twitter");
    EXPECT_EQ(login.param("credential[username]"), "zedtweets");
    EXPECT_EQ(login.param("credential[password]"), "birdword");
    // Logged in again through the bootstrap, the player is welcomed back.
    ASSERT_NO_FATAL_FAILURE(welcomedOnceAfterTheNetworksOffer());
    EXPECT_EQ(serviceRequestsTo("bootstrap.xml").size(), 2u);
}

TEST_F(AccountEndToEnd, APlayerLogsInThroughTheFacebookAccountLinkedToQuorvel)
{
    struct ForgetSession {
        ~ForgetSession()
        {
            for (auto& d : std::vector<platform::Ref<FBDialog>>(FBDialog::shownDialogs()))
                d->dismiss();
            FBSession::purgeSession();
        }
    } forget;
    ASSERT_NO_FATAL_FAILURE(openLoginFromTheNamingScreen());
    ASSERT_TRUE(tap("Use Facebook or Twitter"));
    ASSERT_TRUE(waitForText("Log in with the Facebook or Twitter account"));
    ASSERT_TRUE(tap("Facebook"));
    // Facebook's own login page: the player signs in there.
    ASSERT_TRUE(waitUntil([] { return !FBDialog::shownDialogs().empty(); }));
    auto* dialog = dynamic_cast<FBLoginDialog*>(FBDialog::shownDialogs().back().get());
    ASSERT_NE(dialog, nullptr);
    dialog->succeedWithSession(4242, "fb-session-key", "fb-session-secret", 0);
    settleAfterTouch();
    EXPECT_TRUE(FBDialog::shownDialogs().empty());
    ASSERT_TRUE(tap("Continue"));
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo("session.xml").empty(); }));
    auto login = serviceRequestsTo("session.xml")[0];
    EXPECT_EQ(login.param("credential_type"), "fbconnect");
    EXPECT_EQ(login.param("credential[fbuid]"), "4242");
    EXPECT_EQ(login.param("credential[session_key]"), "fb-session-key");
    ASSERT_NO_FATAL_FAILURE(welcomedOnceAfterTheNetworksOffer());
    EXPECT_EQ(serviceRequestsTo("bootstrap.xml").size(), 2u);
}

TEST_F(AccountEndToEnd, APostRefusedForAMissingTwitterPasswordAsksForItAndIsSentAgain)
{
    const int64_t me = launchAndLogIn();
    ASSERT_GT(me, 0);
    ASSERT_TRUE(keep("INSERT INTO linked_networks VALUES (" + std::to_string(me) + ", 'twitter', '2026-01-01 00:00:00')"));
    service->script("POST", "notifications.xml",
                    standin::Answer::xml("<errors><TwitterCredential>extended_credentials</TwitterCredential></errors>", 430));
    QVSocialNotificationService::sendWithoutRequestingPermissionWithSocialNotification(
        QVSocialNotification::initWithText("I finished the first lap").get());
    ASSERT_TRUE(waitForText("Enter your Twitter password to post this:"));
    EXPECT_TRUE(shows("I finished the first lap"));

    ASSERT_TRUE(typeInto(0, "wrong"));
    ASSERT_TRUE(tap("Post"));
    ASSERT_TRUE(waitUntil([&] { return driver->currentAlert() != nullptr; }));
    EXPECT_NE(driver->currentAlert()->message().find("did not accept"), std::string::npos);
    driver->answerAlert(0);
    settleAfterTouch();
    EXPECT_EQ(serviceRequestsTo("notifications.xml").size(), 1u);

    ASSERT_TRUE(typeInto(0, "birdword"));
    ASSERT_TRUE(tap("Post"));
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo("notifications.xml").size() == 2; }));
    auto credentials = serviceRequestsTo("extended_credentials.xml");
    ASSERT_EQ(credentials.size(), 2u);
    EXPECT_EQ(credentials[1].param("credential[password]"), "birdword");
    EXPECT_EQ(serviceRequestsTo("notifications.xml")[1].param("msg"), "I finished the first lap");
    EXPECT_EQ(kept("SELECT credential_type FROM extended_credentials WHERE user_id = " + std::to_string(me)), "twitter");
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
}

} // namespace
