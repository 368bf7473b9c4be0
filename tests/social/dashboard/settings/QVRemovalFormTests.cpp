// Removing a linked network or this device: the warnings while the account
// has no e-mail and password, what is sent, and what changes on the device.
#include "../FriendsTestSupport.h"

#include "platform/device/Device.h"
#include "platform/ui/AlertView.h"
#include "social/dashboard/settings/QVRemoveCredentialController.h"
#include "social/dashboard/settings/QVRemoveDeviceFromAccountController.h"
#include "social/services/QVUserSettingService.h"

using namespace quorvel;
using namespace friends_testing;
using platform::Ref;
using platform::ui::ActionSheet;

namespace {

bool hasParameter(const screen_testing::RecordedRequest& r, const std::string& suffix, const std::string& value)
{
    for (auto& [k, v] : r.parameters)
        if (k.size() >= suffix.size() && k.compare(k.size() - suffix.size(), suffix.size(), suffix) == 0 && v == value)
            return true;
    return false;
}

class RemovalFormTest : public FriendsTest {
protected:
    void SetUp() override
    {
        FriendsTest::SetUp();
        ActionSheet::dismissAll();
    }
    void TearDown() override
    {
        ActionSheet::dismissAll();
        form = nullptr;
        FriendsTest::TearDown();
    }
    template <typename T>
    T* open(const std::string& name, const std::function<void(T&)>& setup = {})
    {
        openStack();
        form = QVControllerLoader::load(name);
        auto* typed = dynamic_cast<T*>(form.get());
        if (typed && setup)
            setup(*typed);
        navigation->pushViewController(form.get(), false);
        settle(1);
        return typed;
    }
    Ref<platform::ui::ViewController> form;
};

TEST_F(RemovalFormTest, SecuredAccountRemovesFacebookAtOnce)
{
    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(true);
    QuorvelInternal::options().setLoggedInUserHasFbconnectCredential(true);
    auto me = user("17", "Ann", "<profile_picture_url>http://pics/ann.png</profile_picture_url>"
                                "<profile_picture_source>FbconnectCredential</profile_picture_source>");
    QuorvelInternal::records().setLocalUser(me.get());
    // The settings row's action sets the form up.
    auto* remove = open<QVRemoveCredentialController>("RemoveCredential", [](QVRemoveCredentialController& f) {
        EXPECT_TRUE(f.performSettingAction("setupForFacebook"));
    });
    ASSERT_TRUE(remove);
    EXPECT_EQ(remove->title(), "Remove Facebook");
    EXPECT_EQ(remove->warningText()->text(), "You are about to disconnect facebook from your account.");
    EXPECT_EQ(remove->warningTextTwo()->text(), "You will no longer be able use your facebook profile picture.");
    driver().tap(remove->submitButton());
    settle(1);
    EXPECT_TRUE(ActionSheet::visibleSheets().empty());
    auto sent = requestsTo("users_credentials/remove.xml");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].method, "GET");
    EXPECT_TRUE(hasParameter(sent[0], "credential_type", "FbconnectCredential"));
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("ok.xml")));
    settle(1);
    EXPECT_FALSE(QuorvelInternal::options().loggedInUserHasFbconnectCredential());
    if (Ref<QVUser> local = QuorvelInternal::records().localUser()) { // kept only while the central class runs
        EXPECT_FALSE(local->profilePictureSource().has_value());
    }
    EXPECT_NE(navigation->topViewController(), form.get());
}

TEST_F(RemovalFormTest, UnsecuredAccountIsWarnedBeforeRemovingTwitter)
{
    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(false);
    QuorvelInternal::options().setLoggedInUserHasTwitterCredential(true);
    auto* remove = open<QVRemoveCredentialController>("RemoveCredential", [](QVRemoveCredentialController& f) {
        EXPECT_TRUE(f.performSettingAction("setupForTwitter"));
    });
    ASSERT_TRUE(remove);
    remove->onSubmitPressed();
    ASSERT_TRUE(remove->warningSheet());
    EXPECT_EQ(remove->warningSheet()->title().rfind("By disconnecting twitter you will have no way", 0), 0u);
    EXPECT_TRUE(requestsTo("users_credentials/remove.xml").empty());
    remove->warningSheet()->clickButton("Continue");
    settle(1);
    ASSERT_EQ(requestsTo("users_credentials/remove.xml").size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("ok.xml")));
    settle(1);
    EXPECT_FALSE(QuorvelInternal::options().loggedInUserHasTwitterCredential());
}

TEST_F(RemovalFormTest, GoingBackFromTheWarningLeavesTheAccountAlone)
{
    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(false);
    auto* remove = open<QVRemoveCredentialController>("RemoveCredential", [](QVRemoveCredentialController& f) {
        EXPECT_FALSE(f.performSettingAction("dealloc")) << "a name the screen does not have runs nothing";
        f.setupForTwitter();
    });
    ASSERT_TRUE(remove);
    remove->onSubmitPressed();
    ASSERT_TRUE(remove->warningSheet());
    remove->warningSheet()->clickButton("Go Back");
    settle(1);
    EXPECT_TRUE(requestsTo("users_credentials/remove.xml").empty());
    EXPECT_EQ(navigation->topViewController(), root.get());
}

TEST_F(RemovalFormTest, RemovingTheDeviceWarnsOnEveryAppearanceUntilSecured)
{
    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(false);
    auto* remove = open<QVRemoveDeviceFromAccountController>("RemoveDeviceFromAccount");
    ASSERT_TRUE(remove);
    EXPECT_EQ(remove->warningText()->text(), QVRemoveDeviceFromAccountController::kUnsecuredWarning);
    EXPECT_EQ(remove->titleLabel()->text(), "Remove Account");
    ASSERT_TRUE(remove->warningSheet());
    remove->warningSheet()->clickButton("Continue");
    settle(1);
    EXPECT_EQ(navigation->topViewController(), form.get());
    remove->viewWillAppear(false);
    ASSERT_TRUE(remove->warningSheet());
    remove->warningSheet()->clickButton("Go Back");
    settle(1);
    EXPECT_EQ(navigation->topViewController(), root.get());

    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(true);
    auto* secured = open<QVRemoveDeviceFromAccountController>("RemoveDeviceFromAccount");
    ASSERT_TRUE(secured);
    EXPECT_FALSE(secured->warningSheet());
    EXPECT_EQ(secured->warningText()->text(), QVRemoveDeviceFromAccountController::kSecuredWarning);
    driver().tap(secured->submitButton());
    settle(1);
    auto sent = requestsTo("users/remove_from_device.xml");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(hasParameter(sent[0], "udid", platform::ui::Device::currentDevice().uniqueIdentifier()));
}

TEST_F(RemovalFormTest, RemovingTheDeviceSendsOnceHoweverOftenTheButtonIsTapped)
{
    QuorvelInternal::options().setLoggedInUserHasHttpBasicCredential(true);
    auto* remove = open<QVRemoveDeviceFromAccountController>("RemoveDeviceFromAccount");
    ASSERT_TRUE(remove);
    driver().tap(remove->submitButton());
    driver().tap(remove->submitButton());
    settle(1);
    EXPECT_EQ(requestsTo("users/remove_from_device.xml").size(), 1u);
    EXPECT_TRUE(remove->isSubmitting());
    EXPECT_TRUE(navigation->loadingController()) << "the form's loading screen while the request is out";
}

} // namespace
