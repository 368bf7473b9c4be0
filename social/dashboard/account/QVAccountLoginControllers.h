// The account forms of the e-mail-and-password account: log in
// ("QuorvelAccountLogin"), secure the account logged in with an e-mail
// address and password ("HttpCredentialsCreate"), pick Facebook or Twitter
// instead ("SelectAccountType"); and the cell that shows one linked
// credential with the table of the credential types the client knows.
#pragma once

#include "platform/ui/ImageView.h"
#include "social/ui/QVTableCellHelper.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"

#include <optional>

namespace quorvel {

class QVQuorvelAccountLoginController : public QVAccountSetupBaseController {
    QV_DECLARE_CLASS(QVQuorvelAccountLoginController)
public:
    static constexpr const char* kCreateFailedMessage
        = "There was an error creating a new account. Please verify you are online and try again.";

    void setHideIntroFlowSpacer(bool hide);
    void createNewAccount();
    void usedOtherAccountType();
    void cancelSetup() override;
    void _bootstrapSucceeded(platform::Object* = nullptr);
    void _bootstrapFailed(platform::Object* = nullptr);
    void _popOut(platform::Object* = nullptr) { popOutOfAccountFlow(); }

    std::string getFormSubmissionUrl() override { return "session.xml"; }
    std::string singularResourceName() override { return "credential"; }
    void populateViewDataMap(QVViewDataMap& map) override;
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    bool shouldUseOAuth() override { return false; }
    platform::Ref<platform::ui::ViewController> controllerToPushOnCompletion() override;

    platform::ui::View* introFlowSpacer() { view(); return introFlowSpacer_.get(); }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    bool canReceiveCallbacksNow() override { return navigationController() != nullptr; }

protected:
    QVQuorvelAccountLoginController() = default;

private:
    void _login() { onSubmitForm(); }
    void _cancel() { cancelSetup(); }
    platform::Ref<platform::ui::View> contentView_;
    platform::Ref<platform::ui::View> introFlowSpacer_;
    bool hideIntroFlowSpacer_ { false };
};

class QVHttpCredentialsCreateController : public QVAccountSetupBaseController {
    QV_DECLARE_CLASS(QVHttpCredentialsCreateController)
public:
    std::string getFormSubmissionUrl() override { return "users_credentials.xml"; }
    std::string singularResourceName() override { return "credential"; }
    void populateViewDataMap(QVViewDataMap& map) override;
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    bool shouldUseOAuth() override { return true; }
    void onFormSubmitted() override;
    platform::Ref<platform::ui::ViewController> controllerToPushOnCompletion() override;
    void loadView() override;

protected:
    QVHttpCredentialsCreateController() = default;

private:
    void _secure() { onSubmitForm(); }
};

class QVSelectAccountTypeController : public QVAccountSetupBaseController {
    QV_DECLARE_CLASS(QVSelectAccountTypeController)
public:
    void registerActionsNow() override;
    void _onPressedTwitter(platform::Object* = nullptr) { _pushAccountSetupControllerFor("Twitter"); }
    void _onPressedFacebook(platform::Object* = nullptr) { _pushAccountSetupControllerFor("Facebook"); }
    void _pushAccountSetupControllerFor(const std::string& accountType);

    platform::ui::Button* twitterButton() { view(); return twitterButton_.get(); }
    platform::ui::Button* facebookButton() { view(); return facebookButton_.get(); }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    QVSelectAccountTypeController() = default;

private:
    platform::Ref<platform::ui::Button> twitterButton_;
    platform::Ref<platform::ui::Button> facebookButton_;
};

class QVUsersCredentialCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVUsersCredentialCell)
public:
    struct KnownCredential {
        const char* type;
        const char* image;          // null: none
        const char* controllerName;
        const char* cellText;       // null: none
    };
    static const KnownCredential* getKnownCredential(const std::string& type);
    static std::optional<std::string> getCredentialImage(const std::string& type);
    static std::optional<std::string> getCredentialControllerName(const std::string& type);
    static std::optional<std::string> getCredentialCellText(const std::string& type);

    bool initQVTableCellHelper(const std::string& reuseIdentifier) override;
    void onResourceChanged(platform::Object* resource) override;

protected:
    QVUsersCredentialCell() = default;
};

} // namespace quorvel
