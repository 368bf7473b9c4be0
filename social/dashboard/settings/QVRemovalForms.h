// Two forms of the settings area that take something off the account:
// QVRemoveCredentialController disconnects a linked Facebook or Twitter
// account (set up by the settings row's "setupForFacebook" or
// "setupForTwitter"); QVRemoveDeviceFromAccountController removes the account
// from this device and logs out. Both warn harder while the account has no
// e-mail and password, since it could then not be regained.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVFormControllerHelper.h"

namespace quorvel {

class QVRemoveCredentialController : public QVFormControllerHelper, public platform::ui::ActionSheetDelegate {
    QV_DECLARE_CLASS(QVRemoveCredentialController)
public:
    void setupForFacebook();
    void setupForTwitter();

    const std::string& credentialType() const { return credentialType_; }
    const std::string& credentialSpokenName() const { return credentialSpokenName_; }
    platform::ui::Label* warningText() { view(); return warningText_.get(); }
    platform::ui::Label* warningTextTwo() { view(); return warningTextTwo_.get(); }
    platform::ui::Label* headerTitle() { view(); return headerTitle_.get(); }
    QVDefaultButton* submitButton() { view(); return submitButton_.get(); }
    platform::ui::ActionSheet* warningSheet() const { return sheet_.get(); }

    void onSubmitPressed();
    void _logoutFacebookSession(platform::Object*);
    void actionSheetDidDismissWithButtonIndex(platform::ui::ActionSheet* sheet, int index) override;

    std::string getFormSubmissionUrl() override { return "users_credentials/remove.xml"; }
    std::string getHTTPMethod() override { return "GET"; }
    std::string singularResourceName() override { return "users"; }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& writer) override;
    void registerActionsNow() override { }
    bool canReceiveCallbacksNow() override { return true; }
    void onFormSubmitted() override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVRemoveCredentialController() = default;
    ~QVRemoveCredentialController() override;

private:
    void setup(const std::string& type, const std::string& spoken, const std::string& title);

    std::string credentialType_;
    std::string credentialSpokenName_;
    // Set up for Facebook: the shared session logs out after a removal (a flag
    // rather than a delegate on this screen, which would keep it alive).
    bool logoutFacebookWhenSubmitted_ { false };
    platform::Ref<platform::ui::Label> warningText_;
    platform::Ref<platform::ui::Label> warningTextTwo_;
    platform::Ref<platform::ui::Label> headerTitle_;
    platform::Ref<QVDefaultButton> submitButton_;
    platform::Ref<platform::ui::ActionSheet> sheet_;
};

class QVRemoveDeviceFromAccountController : public QVFormControllerHelper, public platform::ui::ActionSheetDelegate {
    QV_DECLARE_CLASS(QVRemoveDeviceFromAccountController)
public:
    static constexpr const char* kSecuredWarning
        = "You are about to remove your account from this device and log out. You will be able to log in to this "
          "account at any time with the email address and password you used to secure this account.";
    static constexpr const char* kUnsecuredWarning
        = "You are about to remove your account from this device and log out. You will not be able to recover your "
          "account unless you first secure it in the Settings tab!";

    platform::ui::Label* titleLabel() { view(); return titleLabel_.get(); }
    platform::ui::Label* warningText() { view(); return warningText_.get(); }
    QVDefaultButton* submitButton() { view(); return submitButton_.get(); }
    platform::ui::ActionSheet* warningSheet() const { return sheet_.get(); }
    void actionSheetDidDismissWithButtonIndex(platform::ui::ActionSheet* sheet, int index) override;

    std::string getFormSubmissionUrl() override { return "users/remove_from_device.xml"; }
    std::string getHTTPMethod() override { return "GET"; }
    std::string singularResourceName() override { return "users"; }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& writer) override;
    void registerActionsNow() override { }
    bool canReceiveCallbacksNow() override { return true; }
    void onFormSubmitted() override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVRemoveDeviceFromAccountController() = default;
    ~QVRemoveDeviceFromAccountController() override;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::Label> warningText_;
    platform::Ref<QVDefaultButton> submitButton_;
    platform::Ref<platform::ui::ActionSheet> sheet_;
};

} // namespace quorvel
