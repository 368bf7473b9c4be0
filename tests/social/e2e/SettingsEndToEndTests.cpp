// The player's settings end to end: a switched setting is kept by the service
// and shown so on the next visit; the newsletter asks the player to secure the
// account first and, once secured, the subscription is kept.
#include "DashboardEndToEndSupport.h"

#include "platform/ui/Switch.h"
#include "social/dashboard/account/QVHttpCredentialsCreateController.h"

#include <gtest/gtest.h>

using namespace e2e_testing;

namespace {

using SettingsEndToEnd = DashboardEndToEndTest;

TEST_F(SettingsEndToEnd, ASwitchedSettingIsKeptAndShownSoOnTheNextVisit)
{
    // The operator offers location sharing too, off unless the player turns it on.
    ASSERT_TRUE(arrange("INSERT INTO settings VALUES (4, 'location', 'Share My Location', '0')"));
    int64_t me = launchAndLogIn();
    auto keptSetting = [&](int id) {
        return kept("SELECT value FROM user_settings WHERE user_id = " + std::to_string(me)
                    + " AND setting_id = " + std::to_string(id));
    };
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapText("Settings"));
    ASSERT_TRUE(waitForText("Challenge Notices"));
    auto* notices = besideText<platform::ui::Switch>("Challenge Notices");
    auto* location = besideText<platform::ui::Switch>("Share My Location");
    ASSERT_TRUE(notices && location);
    EXPECT_TRUE(notices->isOn());
    EXPECT_FALSE(location->isOn());

    ASSERT_TRUE(touch(notices));
    ASSERT_TRUE(waitUntil([&] { return keptSetting(2) == "0"; }));
    ASSERT_TRUE(touch(location));
    ASSERT_TRUE(waitUntil([&] { return keptSetting(4) == "1"; }));

    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(tapText("Settings"));
    auto listings = [&] {
        size_t n = 0;
        for (auto& r : serviceRequestsTo("users/@me/settings.xml"))
            n += r.method == "GET";
        return n;
    };
    ASSERT_TRUE(waitUntil([&] { return listings() == 2; }));
    ASSERT_TRUE(waitForText("Challenge Notices"));
    notices = besideText<platform::ui::Switch>("Challenge Notices");
    location = besideText<platform::ui::Switch>("Share My Location");
    ASSERT_TRUE(notices && location);
    EXPECT_FALSE(notices->isOn());
    EXPECT_TRUE(location->isOn());
    EXPECT_TRUE(besideText<platform::ui::Switch>("Show Me Online")->isOn());
}

TEST_F(SettingsEndToEnd, TheNewsletterIsKeptOnceThePlayerHasSecuredTheAccount)
{
    int64_t me = launchAndLogIn();
    const std::string subscribed = "SELECT COUNT(*) FROM newsletter_subscriptions WHERE user_id = "
        + std::to_string(me) + " AND game_id = '321'";
    openDashboard();
    ASSERT_TRUE(tapText("Fan Club"));
    ASSERT_TRUE(waitForText("Subscribe to Newsletter"));
    ASSERT_TRUE(tapText("Subscribe to Newsletter"));
    ASSERT_TRUE(waitForText("Subscribe to email updates from the developer of Brisko"));
    auto switches = visible<platform::ui::Switch>();
    ASSERT_EQ(switches.size(), 1u);
    EXPECT_FALSE(switches[0]->isOn());

    // Without an e-mail and password on the account the player is asked to add them first.
    ASSERT_TRUE(touch(switches[0]));
    ASSERT_NE(driver->currentActionSheet(), nullptr);
    EXPECT_FALSE(switches[0]->isOn());
    ASSERT_TRUE(driver->answerActionSheet("Cancel"));
    settleAfterTouch();
    EXPECT_EQ(kept(subscribed), "0");

    ASSERT_TRUE(touch(switches[0]));
    ASSERT_TRUE(driver->answerActionSheet("Enable Account Retrieval"));
    settleAfterTouch();
    ASSERT_TRUE(waitForScreen("QVHttpCredentialsCreateController"));
    ASSERT_TRUE(typeInto(0, "player@example.com"));
    ASSERT_TRUE(typeInto(1, "secret1"));
    ASSERT_TRUE(typeInto(2, "secret1"));
    ASSERT_TRUE(tap("Secure Account"));
    ASSERT_TRUE(waitForText("Your account is secured!"));
    auto credentials = serviceRequestsTo("users_credentials.xml");
    ASSERT_EQ(credentials.size(), 1u);
    EXPECT_EQ(credentials[0].param("credential[email]"), "player@example.com");
    ASSERT_TRUE(tap("Continue"));

    // Back on the newsletter, the subscription goes out and is kept.
    ASSERT_TRUE(waitForScreen("QVNewsLetterController"));
    ASSERT_TRUE(waitUntil([&] { return kept(subscribed) == "1"; }));
    switches = visible<platform::ui::Switch>();
    ASSERT_EQ(switches.size(), 1u);
    EXPECT_TRUE(switches[0]->isOn());
}

} // namespace
