// The player's account forms end to end: the profile picture chosen from the
// player's own profile and uploaded; the settings rows that remove a linked
// network or the account from the device, and change the e-mail, name or
// password or have a new password sent.
#include "DashboardEndToEndSupport.h"

#include "platform/device/Device.h"
#include "platform/graphics/Image.h"
#include "platform/ui/ImagePicker.h"
#include "social/core/Quorvel.h"
#include "social/dashboard/account/QVChangeEmailController.h"
#include "social/dashboard/account/QVChangeNameController.h"
#include "social/dashboard/account/QVChangePasswordController.h"
#include "social/dashboard/account/QVResetPasswordController.h"
#include "social/services/QVUser.h"
#include "social/ui/QVPlayerBannerCell.h"

#include <gtest/gtest.h>

using namespace e2e_testing;

namespace {

class SettingsFormsEndToEnd : public DashboardEndToEndTest {
protected:
    // The player touches the picture on the banner of the page in front.
    bool touchBannerPicture()
    {
        auto banners = visible<quorvel::QVPlayerBannerCell>();
        return !banners.empty() && touch(banners[0]->profileButton());
    }
    // Back from a form (and its confirmation) to the settings list.
    bool backToSettings()
    {
        while (frontScreenName() != "QVUserSettingController")
            if (!tapBack())
                return false;
        return waitForText("Change Name");
    }
};

TEST_F(SettingsFormsEndToEnd, APictureOfThePlayersOwnIsChosenFromTheirProfileAndUploaded)
{
    int64_t me = launchAndLogIn();
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(touchBannerPicture());
    ASSERT_TRUE(waitForScreen("QVProfileController"));
    ASSERT_TRUE(touchBannerPicture());
    ASSERT_TRUE(waitForScreen("QVSelectProfilePictureController"));
    ASSERT_TRUE(waitForText("Choose your own!"));
    EXPECT_TRUE(shows("Default Quorvel Icon"));

    // The device has no camera: the photo library opens at once and the player picks a photo.
    ASSERT_TRUE(tapText("Choose your own!"));
    auto* picker = dynamic_cast<platform::ui::ImagePickerController*>(
        quorvel::QuorvelInternal::presenter().getRootController()->modalViewController());
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->sourceType(), platform::ui::ImagePickerSourceType::PhotoLibrary);
    auto photo = platform::ui::ImageAsset::withImage(
        "photo", platform::Image::imageWithRGBA(64, 64, platform::Bytes(64 * 64 * 4, 0x80)).get());
    picker->finishPickingForTest(photo.get());
    settleAfterTouch();

    // The picture goes up, and the player's picture is the service's copy once it has it.
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT source FROM profile_pictures WHERE user_id = " + std::to_string(me)) == "Upload"; }));
    EXPECT_NE(kept("SELECT LENGTH(picture) FROM profile_pictures WHERE user_id = " + std::to_string(me)), "0");
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo("profile_picture/refresh").empty(); }));
    ASSERT_TRUE(waitUntil([&] {
        auto local = quorvel::QuorvelInternal::records().localUser();
        return local && local->profilePictureUrl().value_or("").find(std::to_string(me) + ".jpg") != std::string::npos;
    }));
    EXPECT_EQ(quorvel::QuorvelInternal::records().localUser()->profilePictureSource().value_or(""), "Upload");
}

TEST_F(SettingsFormsEndToEnd, TheChangeFormsKeepTheNewNameAddressAndPasswordAndMailANewOne)
{
    int64_t me = launchAndLogIn();
    ASSERT_TRUE(state->secureAccount(me, "me@example.com", "secret1"));
    const std::string credential = " FROM email_credentials WHERE user_id = " + std::to_string(me);
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapText("Settings"));
    ASSERT_TRUE(waitForText("Change Name"));

    ASSERT_TRUE(tapText("Change Name"));
    ASSERT_TRUE(waitForScreen("QVChangeNameController"));
    EXPECT_TRUE(shows(*state->userName(me)));
    ASSERT_TRUE(typeInto(0, "Zed"));
    ASSERT_TRUE(tap("Change Name"));
    ASSERT_TRUE(waitForText("You have changed your Quorvel name to Zed."));
    EXPECT_EQ(state->userName(me), "Zed");
    EXPECT_EQ(quorvel::Quorvel::lastLoggedInUserName(), "Zed");
    ASSERT_TRUE(backToSettings());

    ASSERT_TRUE(tapText("Change Email"));
    ASSERT_TRUE(waitForScreen("QVChangeEmailController"));
    ASSERT_TRUE(waitForText("me@example.com")); // the address it has now
    ASSERT_TRUE(typeInto(0, "zed@example.com"));
    ASSERT_TRUE(tap("Change Email"));
    ASSERT_TRUE(waitForText("Your email has been changed to\nzed@example.com."));
    auto addresses = serviceRequestsTo("http_basic_credentials/update_email.xml");
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(addresses[0].param("http_basic_credential[email]"), "zed@example.com");
    EXPECT_TRUE(addresses[0].signatureValid);
    EXPECT_EQ(kept("SELECT email" + credential), "zed@example.com");
    ASSERT_TRUE(backToSettings());

    ASSERT_TRUE(tapText("Change Password"));
    ASSERT_TRUE(waitForScreen("QVChangePasswordController"));
    ASSERT_TRUE(typeInto(0, "secret1"));
    ASSERT_TRUE(typeInto(1, "secret2"));
    ASSERT_TRUE(typeInto(2, "secret2"));
    ASSERT_TRUE(tap("Change Password"));
    ASSERT_TRUE(waitForText("Your password has been successfully changed!"));
    auto passwords = serviceRequestsTo("http_basic_credentials/update_password.xml");
    ASSERT_EQ(passwords.size(), 1u);
    EXPECT_EQ(passwords[0].param("http_basic_credential[old_password]"), "secret1");
    EXPECT_EQ(passwords[0].param("http_basic_credential[password]"), "secret2");
    const std::string hash = kept("SELECT password_hash" + credential);
    ASSERT_TRUE(backToSettings());

    ASSERT_TRUE(tapText("Reset Password"));
    ASSERT_TRUE(waitForScreen("QVResetPasswordController"));
    ASSERT_TRUE(tap("Reset Your Password"));
    ASSERT_TRUE(waitForText("We generated a new password and sent an email to the address we have on file."));
    auto resets = serviceRequestsTo("support/do_pw_reset.xml");
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_EQ(resets[0].param("id"), std::to_string(me)); // the form has no fields, only the player
    // The new password replaced the changed one and went to the address on file.
    EXPECT_NE(kept("SELECT password_hash" + credential), hash);
    EXPECT_EQ(kept("SELECT address FROM mails WHERE user_id = " + std::to_string(me)), "zed@example.com");
}

TEST_F(SettingsFormsEndToEnd, ALinkedNetworkAndThenTheAccountAreRemovedAfterTheWarnings)
{
    int64_t me = launchAndLogIn();
    const std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    ASSERT_TRUE(arrange("INSERT INTO linked_networks VALUES (" + std::to_string(me) + ", 'twitter', '2026-01-01')"));
    const std::string linked = "SELECT COUNT(*) FROM linked_networks WHERE user_id = " + std::to_string(me);
    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapText("Settings"));
    ASSERT_TRUE(waitForText("Remove Twitter"));
    EXPECT_FALSE(shows("Remove Facebook"));

    // Without an e-mail and password the player is warned; going on unlinks the network.
    ASSERT_TRUE(tapText("Remove Twitter"));
    ASSERT_TRUE(waitForText("You are about to disconnect twitter from your account."));
    ASSERT_TRUE(tap("Remove Twitter"));
    ASSERT_NE(driver->currentActionSheet(), nullptr);
    EXPECT_NE(driver->currentActionSheet()->title().find("By disconnecting twitter you will have no way"), std::string::npos);
    ASSERT_TRUE(driver->answerActionSheet("Continue"));
    settleAfterTouch();
    ASSERT_TRUE(waitUntil([&] { return kept(linked) == "0"; }));
    ASSERT_TRUE(waitForScreen("QVUserSettingController"));
    ASSERT_TRUE(waitUntil([&] { return shows("Change Name") && !shows("Remove Twitter"); }));

    // Removing the account from the device warns at once; going on logs the player out.
    ASSERT_TRUE(tapText("Remove Account From Device"));
    ASSERT_TRUE(waitForScreen("QVRemoveDeviceFromAccountController"));
    ASSERT_NE(driver->currentActionSheet(), nullptr);
    EXPECT_EQ(driver->currentActionSheet()->title().rfind("Warning! Your account will be lost", 0), 0u);
    ASSERT_TRUE(driver->answerActionSheet("Continue"));
    settleAfterTouch();
    EXPECT_EQ(kept("SELECT COUNT(*) FROM device_accounts WHERE user_id = " + std::to_string(me)), "1");
    ASSERT_TRUE(tap("Remove Account"));
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT COUNT(*) FROM device_accounts WHERE user_id = " + std::to_string(me)) == "0"; }));
    EXPECT_FALSE(state->userForDevice(udid).has_value());
    auto removals = serviceRequestsTo("users/remove_from_device.xml");
    ASSERT_EQ(removals.size(), 1u);
    EXPECT_EQ(removals[0].param("user_id"), std::to_string(me));
    ASSERT_TRUE(waitUntil([] { return !quorvel::QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_FALSE(game.calls.empty());
    EXPECT_EQ(game.calls.back(), "userLoggedOut:" + std::to_string(me));
}

} // namespace
