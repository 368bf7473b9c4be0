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

// What both forms share: a GET to the account service answering users, a
// warning text, a red submit button and the warning sheet shown while the
// account is not secured.
class QVRemovalFormController : public QVFormControllerHelper, public platform::ui::ActionSheetDelegate {
public:
    platform::ui::Label* warningText() { view(); return warningText_.get(); }
    QVDefaultButton* submitButton() { view(); return submitButton_.get(); }
    platform::ui::ActionSheet* warningSheet() const { return sheet_.get(); }

    std::string getHTTPMethod() override { return "GET"; }
    std::string singularResourceName() override { return "users"; }
    void registerActionsNow() override { }
    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVRemovalFormController() = default;
    ~QVRemovalFormController() override;

    // Shows `text` over the dashboard with "Go Back" and "Continue", in place
    // of any sheet still up.
    void showWarningSheet(const std::string& text);
    // Lets go of a dismissed sheet.
    void forgetSheet(platform::ui::ActionSheet* sheet);

    platform::Ref<platform::ui::Label> warningText_;
    platform::Ref<QVDefaultButton> submitButton_;

private:
    platform::Ref<platform::ui::ActionSheet> sheet_;
};

class QVRemoveCredentialController : public QVRemovalFormController {
    QV_DECLARE_CLASS(QVRemoveCredentialController)
public:
    void setupForFacebook();
    void setupForTwitter();

    const std::string& credentialType() const { return credentialType_; }
    const std::string& credentialSpokenName() const { return credentialSpokenName_; }
    platform::ui::Label* warningTextTwo() { view(); return warningTextTwo_.get(); }
    platform::ui::Label* headerTitle() { view(); return headerTitle_.get(); }

    void onSubmitPressed();
    void _logoutFacebookSession(platform::Object*);
    void actionSheetDidDismissWithButtonIndex(platform::ui::ActionSheet* sheet, int index) override;

    std::string getFormSubmissionUrl() override { return "users_credentials/remove.xml"; }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& writer) override;
    void onFormSubmitted() override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVRemoveCredentialController() = default;

private:
    void setup(const std::string& type, const std::string& spoken, const std::string& title);

    std::string credentialType_;
    std::string credentialSpokenName_;
    // Set up for Facebook: the shared session logs out after a removal (a flag
    // rather than a delegate on this screen, which would keep it alive).
    bool logoutFacebookWhenSubmitted_ { false };
    platform::Ref<platform::ui::Label> warningTextTwo_;
    platform::Ref<platform::ui::Label> headerTitle_;
};

class QVRemoveDeviceFromAccountController : public QVRemovalFormController {
    QV_DECLARE_CLASS(QVRemoveDeviceFromAccountController)
public:
    static constexpr const char* kSecuredWarning
        = "You are about to remove your account from this device and log out. You will be able to log in to this "
          "account at any time with the email address and password you used to secure this account.";
    static constexpr const char* kUnsecuredWarning
        = "You are about to remove your account from this device and log out. You will not be able to recover your "
          "account unless you first secure it in the Settings tab!";

    platform::ui::Label* titleLabel() { view(); return titleLabel_.get(); }
    void actionSheetDidDismissWithButtonIndex(platform::ui::ActionSheet* sheet, int index) override;

    std::string getFormSubmissionUrl() override { return "users/remove_from_device.xml"; }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& writer) override;
    void onFormSubmitted() override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVRemoveDeviceFromAccountController() = default;

private:
    platform::Ref<platform::ui::Label> titleLabel_;
};

} // namespace quorvel
