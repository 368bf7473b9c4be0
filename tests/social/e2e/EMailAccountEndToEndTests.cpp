// A player's e-mail account end to end against the stand-in that keeps it:
// secured on one device, it opens on a second with its password and only with
// it; after a password change only the new one opens it. And a rival's name
// that XML cannot carry as sent leaves the leaderboard every player reads
// readable.
#include "DashboardEndToEndSupport.h"
#include "StandInRequestSupport.h"

#include "platform/device/Device.h"
#include "platform/foundation/Bundle.h"
#include "platform/ui/Switch.h"
#include "social/dashboard/account/QVLinkSocialNetworksController.h"
#include "social/services/QVHighScoreService.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace e2e_testing;

namespace {

constexpr const char* kRefused = "The e-mail address or password is not correct.\n";

class EMailAccountEndToEnd : public DashboardEndToEndTest {
protected:
    // The player picks up another device: the game installed afresh there, with
    // no identifier, settings or keychain of the first, against the same service.
    void moveToAnotherDevice()
    {
        quit();
        platform::Bundle::main().setHomeDirectory(otherDevice.path());
        platform::ui::Device::currentDevice().setInstallationDirectory(otherDevice.file("install"));
        reloadUserDefaults();
        quorvel::QVLinkSocialNetworksController::invalidateSessionSeenLinkSocialNetworksScreen();
    }
    // Types an address and a password and logs in; answers the refusal's
    // message once it shows, or "" once the login goes on past the form.
    std::string logIn(const std::string& email, const std::string& password)
    {
        if (!typeInto(0, email) || !typeInto(1, password) || !tap("Log In"))
            return "(the form is not there)";
        if (!waitUntil([&] { return driver->currentAlert() || frontScreenName() != "QVQuorvelAccountLoginController"; }))
            return "(no answer)";
        auto* alert = driver->currentAlert();
        if (!alert)
            return "";
        std::string message = alert->message();
        driver->answerAlert(0);
        settleAfterTouch();
        return message;
    }
    // Logged in, the player is offered the networks and then welcomed back.
    void welcomedBackAs(int64_t player)
    {
        ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController")) << screenText();
        ASSERT_TRUE(tap("Continue"));
        ASSERT_TRUE(waitForText("Welcome back")) << screenText();
        EXPECT_EQ(loggedInUser(), std::to_string(player));
    }

    testing_support::TempDir otherDevice;
};

} // namespace

TEST_F(EMailAccountEndToEnd, AnAccountSecuredOnOneDeviceLogsInOnASecondWithItsPasswordOnly)
{
    int64_t me = launchAndLogIn();
    ASSERT_GT(me, 0);
    // The newsletter asks for an e-mail and password first: the player secures the account.
    openDashboard();
    ASSERT_TRUE(tapText("Fan Club"));
    ASSERT_TRUE(tapWhenShown("Subscribe to Newsletter"));
    ASSERT_TRUE(waitForText("Subscribe to email updates from the developer of Brisko"));
    auto switches = visible<platform::ui::Switch>();
    ASSERT_EQ(switches.size(), 1u);
    ASSERT_TRUE(touch(switches[0]));
    ASSERT_TRUE(driver->answerActionSheet("Enable Account Retrieval"));
    settleAfterTouch();
    ASSERT_TRUE(waitForScreen("QVHttpCredentialsCreateController"));
    ASSERT_TRUE(typeInto(0, "zed@example.com"));
    ASSERT_TRUE(typeInto(1, "tulip-42"));
    ASSERT_TRUE(typeInto(2, "tulip-42"));
    ASSERT_TRUE(tap("Secure Account"));
    ASSERT_TRUE(waitForText("Your account is secured!"));
    EXPECT_EQ(kept("SELECT email FROM email_credentials WHERE user_id = " + std::to_string(me)), "zed@example.com");

    moveToAnotherDevice();
    ASSERT_NO_FATAL_FAILURE(openLoginFromTheNamingScreen());
    const std::string newcomer = loggedInUser();
    ASSERT_NE(newcomer, std::to_string(me));
    // A wrong password and an address nobody has are refused alike, in the form's alert; the form stays.
    EXPECT_EQ(logIn("zed@example.com", "tulip-41"), kRefused);
    EXPECT_EQ(logIn("zod@example.com", "tulip-42"), kRefused);
    EXPECT_TRUE(shows("Log In To Quorvel"));
    EXPECT_EQ(loggedInUser(), newcomer);

    EXPECT_EQ(logIn("zed@example.com", "tulip-42"), "");
    ASSERT_NO_FATAL_FAILURE(welcomedBackAs(me));
    EXPECT_TRUE(quorvel::QuorvelInternal::login().successfullyBootstrapped());
}

TEST_F(EMailAccountEndToEnd, AfterAPasswordChangeTheOldPasswordIsRefusedAndTheNewOneWorks)
{
    int64_t me = launchAndLogIn();
    ASSERT_GT(me, 0);
    ASSERT_TRUE(state->secureAccount(me, "zed@example.com", "secret1"));
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapText("Settings"));
    ASSERT_TRUE(tapWhenShown("Change Password"));
    ASSERT_TRUE(waitForScreen("QVChangePasswordController"));

    // Without the right old password nothing changes, and the form says why.
    ASSERT_TRUE(typeInto(0, "secret0"));
    ASSERT_TRUE(typeInto(1, "secret2"));
    ASSERT_TRUE(typeInto(2, "secret2"));
    ASSERT_TRUE(tap("Change Password"));
    ASSERT_TRUE(waitUntil([&] { return driver->currentAlert() != nullptr; }));
    EXPECT_EQ(driver->currentAlert()->message(), "- old_password: is not correct\n");
    driver->answerAlert(0);
    settleAfterTouch();
    EXPECT_EQ(frontScreenName(), "QVChangePasswordController") << "the form stays, with no error screen over it";

    ASSERT_TRUE(typeInto(0, "secret1"));
    ASSERT_TRUE(tap("Change Password"));
    ASSERT_TRUE(waitForText("Your password has been successfully changed!"));

    moveToAnotherDevice();
    ASSERT_NO_FATAL_FAILURE(openLoginFromTheNamingScreen());
    EXPECT_EQ(logIn("zed@example.com", "secret1"), kRefused);
    EXPECT_EQ(logIn("zed@example.com", "secret2"), "");
    ASSERT_NO_FATAL_FAILURE(welcomedBackAs(me));
}

TEST_F(EMailAccountEndToEnd, ARivalsNameWithAControlCharacterLeavesTheLeaderboardReadable)
{
    int64_t me = launchAndLogIn();
    ASSERT_GT(me, 0);
    quorvel::QVHighScoreService::setHighScore(1000, std::to_string(standin::StandInState::kNormalLeaderboard), {}, {});
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT COUNT(*) FROM high_scores WHERE user_id = " + std::to_string(me)) == "1"; }));
    // The rival names himself through the service, as any player can.
    ASSERT_TRUE(arrange("INSERT INTO tokens VALUES ('token-rival', 'secret-rival', 18)"));
    service->addToken("token-rival", "secret-rival");
    auto renamed = standin_testing::ask(serviceAddress(), port, "POST", "users/update_name.xml",
                                        { { "user[name]", "Ri\x01val" } }, "token-rival", "secret-rival");
    ASSERT_EQ(renamed.status, 200) << renamed.body;

    openDashboard();
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(tapWhenShown("Normal"));
    // Everyone's scores come, the rival's name as far as it can be shown.
    ASSERT_TRUE(waitForText("2. Ri\xEF\xBF\xBDval")) << screenText();
    EXPECT_TRUE(shows("900 points"));
    auto texts = visibleTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "1000"), 2);
}
