// What the game hears when the service refuses the login of another account,
// end to end, on the two ways a player gets there: the switch-account page's
// "Log in to another account", and the intro's "This isn't me" after the
// device's account has logged in. The e-mail login drops the last player's
// credentials before its bootstrap; once that one is refused nobody is logged
// in: the game hears an offline login, never an online one without a token,
// and the next time the game becomes active the last player logs in again.
#include "DashboardEndToEndSupport.h"

#include "social/runtime/QVProvider.h"

#include <gtest/gtest.h>

using namespace e2e_testing;

namespace {

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
    // Becoming active logs the last player in again, with a token of its own;
    // a player who has not been offered to link networks in this launch is offered it first.
    void expectTheNextActivationLogsInAgain(const std::string& player, bool offeredLinks = false)
    {
        game.calls.clear();
        quorvel::Quorvel::applicationDidBecomeActive();
        if (offeredLinks) {
            ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
            ASSERT_TRUE(tap("Continue"));
        }
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
    ASSERT_NO_FATAL_FAILURE(approveWithOneDeviceAccount(18));
    ASSERT_TRUE(tap("This isn't me"));
    ASSERT_NO_FATAL_FAILURE(logInWithRefusedBootstrap());
    expectLoggedOut();

    // Back to the login form, cancelled back to the account shown, and on: with
    // nobody logged in there are no networks to link, so the intro closes.
    ASSERT_TRUE(tapBack()) << screenText();
    ASSERT_TRUE(tapWhenShown("Cancel")) << screenText();
    ASSERT_TRUE(tapWhenShown("Continue")) << screenText();
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); })) << screenText();
    letTimePass(1.0);
    EXPECT_EQ(frontScreenName(), "") << screenText();
    EXPECT_EQ(game.calls, (std::vector<std::string> { "offlineUserLoggedIn:18" }));
    expectLoggedOut();

    expectTheNextActivationLogsInAgain("18", true);
}

} // namespace
