// QVAccountSetupBaseController: the base of the account forms (login, secure
// account, account type, the Facebook and Twitter forms). Every submission
// carries the device's identifier ("udid"); once the account is set up the
// form hands over to its completion callback when it has one, else shows its
// completion screen, else leaves the run of account forms.
#pragma once

#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/common/QVAccountFormScreen.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/ui/QVFormControllerHelper.h"

namespace quorvel {

class QVShowMessageAndReturnController;

class QVAccountSetupBaseController : public QVFormControllerHelper, public QVAccountFormScreen {
public:
    static constexpr const char* kLoginFailedMessage
        = "Quorvel was unable to log you in at this time.  Some features will be unavailable until the next time "
          "you are online.";

    bool addingAdditionalCredential() const { return mAddingAdditionalCredential; }
    void setAddingAdditionalCredential(bool adding) override { mAddingAdditionalCredential = adding; }
    void setCancelDelegate(const QVDelegate& d) { mCancelDelegate = d; }
    void setCompletionDelegate(const QVDelegate& d) { mCompletionDelegate = d; }
    const QVDelegate& completionDelegate() const { return mCompletionDelegate; }
    const QVDelegate& cancelDelegate() const { return mCancelDelegate; }

    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    void onFormSubmitted() override;
    virtual void cancelSetup();
    void onBootstrapDone(platform::Object* = nullptr);
    void onBootstrapFailed(platform::Object* = nullptr);
    void pushCompletionControllerOrPopOut();
    void popOutOfAccountFlow();
    platform::ui::ViewController* getControllerToPopTo();
    bool isInModalController();
    // The screen shown once done; none in the base.
    virtual platform::Ref<platform::ui::ViewController> controllerToPushOnCompletion() { return nullptr; }
    // "You are now logged into Quorvel as:" with the player's name.
    static platform::Ref<QVShowMessageAndReturnController> getStandardLoggedInController();
    // The completion's argument after a login whose bootstrap failed (the
    // dead end is shown already); after one that worked the argument is null.
    static platform::Object* loginFailure();
    static bool isLoginFailure(platform::Object* completionArgument);
    bool performSetter(const std::string& setterName, platform::Object* value) override;
    // Off its stack, its login's answer is dropped: the error screens it held come back now.
    void viewDidDisappear(bool animated) override;

protected:
    QVAccountSetupBaseController() = default;
    // A screen made by name, pushed animated; nothing when the name gives none.
    void pushScreen(platform::Ref<platform::ui::ViewController> screen);

private:
    bool mAddingAdditionalCredential { false };
    account_steps::ErrorScreenHold errorScreens_; // while its login runs
    QVDelegate mCancelDelegate;
    QVDelegate mCompletionDelegate;
};

} // namespace quorvel
