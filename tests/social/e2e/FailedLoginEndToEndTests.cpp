// A login whose bootstrap the service refuses, end to end, on each way the
// player reaches the e-mail login: from the switch-account page, from the
// intro's "This isn't me" and from its "I already have an account". Each ends
// on one dead end that says the login failed; nothing claims it worked and
// the intro is not closed over it.
#include "DashboardEndToEndSupport.h"

#include "platform/ui/NavigationController.h"
#include "social/runtime/QVProvider.h"
#include "social/ui/QVDeadEndErrorController.h"

#include <gtest/gtest.h>

using namespace e2e_testing;

namespace {

constexpr const char* kLoginFailed = "Quorvel was unable to log you in at this time.  Some features will be unavailable "
                                     "until the next time you are online.";

class FailedLoginEndToEnd : public DashboardEndToEndTest {
protected:
    void logInWithRefusedBootstrap() { sendEmailLoginRefusedAtBootstrap(500); }
    // The dead ends on the stack the player sees.
    int deadEnds() const
    {
        int count = 0;
        if (auto* nav = quorvel::QuorvelInternal::presenter().getActiveNavigationController())
            for (auto& screen : nav->viewControllers())
                count += dynamic_cast<quorvel::QVDeadEndErrorController*>(screen.get()) != nullptr;
        return count;
    }
    void expectOneDeadEndOnTop()
    {
        EXPECT_EQ(frontScreenName(), "QVDeadEndErrorController");
        EXPECT_EQ(deadEnds(), 1);
        EXPECT_TRUE(shows(kLoginFailed));
        EXPECT_FALSE(shows("Please try your request again in a few moments."));
        EXPECT_EQ(screenText().find("You are now logged into Quorvel as:"), std::string::npos);
        EXPECT_TRUE(quorvel::QuorvelInternal::presenter().isShowingFullScreen());
    }
};

TEST_F(FailedLoginEndToEnd, TheSwitchAccountPageEndsOnTheDeadEndNeverOnTheLoggedInMessage)
{
    launchAndLogIn();
    quorvel::Quorvel::launchDashboardWithSwitchUserPage();
    ASSERT_TRUE(waitForText("Log in to another account"));
    ASSERT_TRUE(tap("Log in to another account"));
    ASSERT_NO_FATAL_FAILURE(logInWithRefusedBootstrap());
    expectOneDeadEndOnTop();
    EXPECT_FALSE(quorvel::QuorvelInternal::session().provider()->isAuthenticated());
}

TEST_F(FailedLoginEndToEnd, ThisIsntMeEndsOnTheDeadEndNotOnTheLinkNetworksOffer)
{
    // The device has opened one account: it logs in and is offered first.
    ASSERT_NO_FATAL_FAILURE(approveWithOneDeviceAccount(18));
    ASSERT_TRUE(quorvel::QuorvelInternal::login().hasBootstrapCompleted());
    ASSERT_TRUE(tap("This isn't me"));
    ASSERT_NO_FATAL_FAILURE(logInWithRefusedBootstrap());
    expectOneDeadEndOnTop();
    EXPECT_FALSE(shows("Continue") && frontScreenName() == "QVLinkSocialNetworksController");
}

TEST_F(FailedLoginEndToEnd, IAlreadyHaveAnAccountEndsOnTheDeadEndWithTheIntroStillUp)
{
    launch();
    ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController"));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForText("I already have an account"));
    ASSERT_TRUE(tap("I already have an account"));
    ASSERT_NO_FATAL_FAILURE(logInWithRefusedBootstrap());
    expectOneDeadEndOnTop();
    // The player goes back to the login form and can try again.
    ASSERT_TRUE(tapBack());
    EXPECT_TRUE(waitForText("Log In To Quorvel"));
}

} // namespace
