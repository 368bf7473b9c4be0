// QVQuorvelAccountLoginController ("QuorvelAccountLogin"): logs in with the
// e-mail and password of an account, or offers a new account or another
// account type instead.
#pragma once

#include "social/dashboard/account/QVAccountSetupBaseController.h"

namespace quorvel {

class QVQuorvelAccountLoginController : public QVAccountSetupBaseController {
    QV_DECLARE_CLASS(QVQuorvelAccountLoginController)
public:
    static constexpr const char* kCreateFailedMessage
        = "There was an error creating a new account. Please verify you are online and try again.";

    void setHideIntroFlowSpacer(bool hide);
    void openFromSettings() override { setHideIntroFlowSpacer(true); }
    // "setHideIntroFlowSpacer", for the screens of other features that open this one.
    bool performSetter(const std::string& setterName, platform::Object* value) override;
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

} // namespace quorvel
