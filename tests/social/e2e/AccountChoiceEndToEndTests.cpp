// Choosing among the accounts a device has opened, end to end: the chooser
// lists them, one can be removed from the device (the service forgets it
// there) and the chosen one is logged in.
#include "DashboardEndToEndSupport.h"

#include "platform/device/Device.h"
#include "platform/ui/TableView.h"
#include "social/runtime/QVProvider.h"
#include "social/services/QVCloudStorage.h"
#include "social/ui/QVSelectUserWidget.h"

#include <gtest/gtest.h>

using namespace e2e_testing;

namespace {

class AccountChoiceEndToEnd : public DashboardEndToEndTest {
protected:
    // The player logged in, the device has opened the rival's account too; the
    // player logs out and approves again: the chooser offers both. Answers the player.
    int64_t chooserAfterALogout()
    {
        int64_t player = launchAndLogIn();
        EXPECT_GT(player, 0);
        const std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
        EXPECT_TRUE(arrange("INSERT INTO device_accounts VALUES ('" + udid + "', 18)"));
        quorvel::Quorvel::logoutUser();
        quorvel::Quorvel::userDidApproveQuorvel(true);
        EXPECT_TRUE(waitForText("Choose the account you play with:")) << screenText();
        return player;
    }
};

TEST_F(AccountChoiceEndToEnd, TheDevicesAccountsAreOfferedAndOneRemovedBeforeTheChosenOneLogsIn)
{
    // The device has opened the rival's account and a second one before.
    const std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    int64_t second = state->addUser("Second");
    ASSERT_TRUE(arrange("INSERT INTO device_accounts VALUES ('" + udid + "', 18), ('" + udid + "', "
                        + std::to_string(second) + ")"));
    const std::string onDevice = "SELECT group_concat(user_id) FROM (SELECT user_id FROM device_accounts WHERE udid = '"
        + udid + "' ORDER BY user_id)";

    launch();
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVUserQuorvelApprovalController"; }));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForText("Choose the account you play with:"));
    ASSERT_TRUE(waitForText("Second"));
    EXPECT_TRUE(shows("Rival"));

    // In editing, the second account's row is removed; the player is warned first.
    ASSERT_TRUE(tap("Edit"));
    auto widgets = visible<quorvel::QVSelectUserWidget>();
    ASSERT_EQ(widgets.size(), 1u);
    auto tables = visible<platform::ui::TableView>();
    ASSERT_EQ(tables.size(), 1u);
    ASSERT_TRUE(tables[0]->isEditing());
    ASSERT_TRUE(tables[0]->commitEditingForTest(platform::ui::IndexPath::forRow(1, 0)));
    settleAfterTouch();
    ASSERT_NE(driver->currentActionSheet(), nullptr);
    EXPECT_EQ(driver->currentActionSheet()->title(),
              "You are about to remove Second from this device. If Second is not secured then the account will be lost!");
    ASSERT_TRUE(driver->answerActionSheet("Remove"));
    settleAfterTouch();
    ASSERT_TRUE(waitUntil([&] { return kept(onDevice) == "18"; }));
    auto removals = serviceRequestsTo("users/remove_from_device.xml");
    ASSERT_EQ(removals.size(), 1u);
    EXPECT_EQ(removals[0].param("user_id"), std::to_string(second));
    EXPECT_EQ(removals[0].param("udid"), udid);
    EXPECT_FALSE(shows("Second"));
    ASSERT_TRUE(tap("Done"));
    EXPECT_FALSE(tables[0]->isEditing());

    // The rival's account is chosen and logged in.
    ASSERT_TRUE(tapText("Rival"));
    ASSERT_TRUE(waitUntil([&] { return loggedInUser() == "18"; }));
    auto logins = serviceRequestsTo("bootstrap.xml");
    ASSERT_FALSE(logins.empty());
    EXPECT_EQ(logins.back().param("user_id"), "18");
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController"));
    ASSERT_TRUE(tap("Continue"));
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); }));
    EXPECT_EQ(game.calls.back(), "userLoggedIn:18");
}

// A game that logs a player in while the player chooses another account in
// the list: from the choice on the client names the chosen player, so what
// the game stores meanwhile is never kept as the other player's.
TEST_F(AccountChoiceEndToEnd, WhatTheGameStoresWhileTheChosenAccountLogsInIsNotTheOtherPlayers)
{
    const int64_t player = chooserAfterALogout();
    ASSERT_FALSE(HasFailure());
    quorvel::Quorvel::loginWithUserId("18", quorvel::QVDelegate(), quorvel::QVDelegate());
    ASSERT_TRUE(waitUntil([] { return quorvel::QuorvelInternal::session().provider()->isAuthenticated(); }));

    service->holdAnswersTo("bootstrap.xml");
    ASSERT_TRUE(tapText(*state->userName(player)));
    ASSERT_TRUE(waitUntil([&] { return service->heldCount() == 1; }));
    ASSERT_EQ(loggedInUser(), std::to_string(player));
    quorvel::QVCloudStorage::upload(platform::Bytes { 1, 2, 3 }, "save");
    settleNetwork();
    service->stopHolding();
    ASSERT_TRUE(waitUntil([&] { return !quorvel::QuorvelInternal::login().isBootstrapInProgress(); }));
    letTimePass(1.0);
    EXPECT_EQ(kept("SELECT COUNT(*) FROM cloud_values WHERE user_id = 18"), "0") << "kept as the rival's";
    EXPECT_EQ(loggedInUser(), std::to_string(player));
}

// The game logs the player out while the chooser is up: an account the
// player then chooses logs in (the choice is the player's say-so), instead of
// the dead end that tells a login failed.
TEST_F(AccountChoiceEndToEnd, AnAccountChosenAfterTheGameLoggedThePlayerOutLogsIn)
{
    const int64_t player = chooserAfterALogout();
    ASSERT_FALSE(HasFailure());
    quorvel::Quorvel::logoutUser();
    settleAfterTouch();
    ASSERT_TRUE(tapText(*state->userName(player)));
    ASSERT_TRUE(waitUntil([&] { return quorvel::Quorvel::isSuccessfullyBootstrapped(); })) << screenText();
    EXPECT_EQ(loggedInUser(), std::to_string(player));
    EXPECT_FALSE(shows(quorvel::QVAccountSetupBaseController::kLoginFailedMessage)) << screenText();
}

} // namespace
