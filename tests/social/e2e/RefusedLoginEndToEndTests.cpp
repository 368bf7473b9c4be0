// What the game hears when the service refuses the login of another account,
// end to end, on the two ways a player gets there: the switch-account page's
// "Log in to another account", and the intro's "This isn't me" after the
// device's account has logged in. The e-mail login drops the last player's
// credentials before its bootstrap; once that one is refused nobody is logged
// in: the game hears an offline login, never an online one without a token,
// and the next time the game becomes active the last player logs in again.
#include "DashboardEndToEndSupport.h"

#include "platform/device/Device.h"
#include "social/runtime/QVProvider.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace e2e_testing;

namespace {

constexpr const char* kLoginFailed = "Quorvel was unable to log you in at this time.  Some features will be unavailable "
                                     "until the next time you are online.";

class RefusedLoginEndToEnd : public DashboardEndToEndTest {
protected:
    // Sends the e-mail login on screen; the service refuses the bootstrap that follows (401).
    void logInWithRefusedBootstrap()
    {
        ASSERT_TRUE(state->secureAccount(state->addUser("Zed"), "zed@example.com", "secret"));
        ASSERT_TRUE(waitForText("Log In To Quorvel"));
        ASSERT_TRUE(typeInto(0, "zed@example.com"));
        ASSERT_TRUE(typeInto(1, "secret"));
        const size_t before = serviceRequestsTo("bootstrap.xml").size();
        service->script("POST", "bootstrap.xml",
                        standin::Answer::xml("<errors><error>The login is refused</error></errors>", 401));
        ASSERT_TRUE(tap("Log In"));
        ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo("bootstrap.xml").size() > before; }));
        ASSERT_TRUE(waitForText(kLoginFailed));
        letTimePass(1.0);
    }
    static bool holdsToken() { return quorvel::QuorvelInternal::session().provider()->isAuthenticated(); }
    bool heardOnlineLogin() const
    {
        return std::any_of(game.calls.begin(), game.calls.end(),
                           [](const std::string& call) { return call.rfind("userLoggedIn:", 0) == 0; });
    }
    void expectLoggedOut()
    {
        EXPECT_FALSE(holdsToken());
        EXPECT_FALSE(quorvel::Quorvel::isSuccessfullyBootstrapped());
        EXPECT_FALSE(quorvel::Quorvel::isOnline());
    }
    // Becoming active logs the last player in again, with a token of its own.
    void expectTheNextActivationLogsInAgain(const std::string& player)
    {
        game.calls.clear();
        quorvel::Quorvel::applicationDidBecomeActive();
        ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); })) << screenText();
        EXPECT_EQ(game.calls, (std::vector<std::string> { "userLoggedIn:" + player }));
        EXPECT_TRUE(holdsToken());
        EXPECT_TRUE(quorvel::Quorvel::isOnline());
        EXPECT_EQ(serviceRequestsTo("bootstrap.xml").back().param("user_id"), player);
    }
};

TEST_F(RefusedLoginEndToEnd, FromTheSwitchAccountPageTheGameHearsAnOfflineLoginOfTheLastPlayer)
{
    const std::string player = std::to_string(launchAndLogIn());
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); }));
    ASSERT_EQ(game.calls, (std::vector<std::string> { "userLoggedIn:" + player }));
    game.calls.clear();

    quorvel::Quorvel::launchDashboardWithSwitchUserPage();
    ASSERT_TRUE(waitForText("Log in to another account"));
    ASSERT_TRUE(tap("Log in to another account"));
    ASSERT_NO_FATAL_FAILURE(logInWithRefusedBootstrap());
    EXPECT_EQ(game.calls, (std::vector<std::string> { "offlineUserLoggedIn:" + player }));
    expectLoggedOut();

    // The player leaves the dashboard; the game becomes active again later.
    quorvel::Quorvel::dismissDashboard();
    letTimePass(1.0);
    expectTheNextActivationLogsInAgain(player);
}

TEST_F(RefusedLoginEndToEnd, FromTheIntrosThisIsntMeTheGameHearsAnOfflineLoginOnceTheIntroCloses)
{
    // The device has opened one account: it logs in and is offered first.
    const std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    ASSERT_TRUE(arrange("INSERT INTO device_accounts VALUES ('" + udid + "', 18)"));
    launch();
    ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController"));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForText("This isn't me"));
    ASSERT_TRUE(tap("This isn't me"));
    ASSERT_NO_FATAL_FAILURE(logInWithRefusedBootstrap());
    expectLoggedOut();

    // Back to the login form, cancelled back to the account shown, on through the
    // offer to link networks: the intro closes.
    ASSERT_TRUE(tapBack()) << screenText();
    ASSERT_TRUE(tapWhenShown("Cancel")) << screenText();
    ASSERT_TRUE(tapWhenShown("Continue")) << screenText();
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
    ASSERT_TRUE(tap("Continue"));
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); })) << screenText();
    letTimePass(1.0);
    EXPECT_EQ(game.calls, (std::vector<std::string> { "offlineUserLoggedIn:18" }));
    EXPECT_FALSE(heardOnlineLogin());
    expectLoggedOut();

    expectTheNextActivationLogsInAgain("18");
}

} // namespace
