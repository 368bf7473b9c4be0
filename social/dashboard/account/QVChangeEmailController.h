// QVChangeEmailController ("ChangeEmail"): changes the e-mail address of the
// name-and-password credential, showing the current one first.
#pragma once

#include "social/dashboard/account/QVAccountChangeForm.h"
#include "social/ui/QVFormControllerHelper.h"

namespace quorvel {

class QVChangeEmailController : public QVAccountChangeForm {
    QV_DECLARE_CLASS(QVChangeEmailController)
public:
    std::string getFormSubmissionUrl() override { return "http_basic_credentials/update_email.xml"; }
    std::string singularResourceName() override { return "http_basic_credential"; }
    void populateViewDataMap(QVViewDataMap& map) override { map.addField("email", 1); }
    void onBeforeFormSubmitted() override;
    void onFormSubmitted() override;
    void onGetEmailSuccess(platform::Object* series);
    void onGetEmailFailure(platform::Object* = nullptr);
    bool canReceiveCallbacksNow() override { return navigationController() != nullptr; }
    platform::ui::Label* currentEmailLabel() { view(); return currentEmailLabel_.get(); }
    platform::ui::TextField* newEmailField() { view(); return newEmailField_.get(); }
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    QVChangeEmailController() = default;

private:
    platform::Ref<platform::ui::Label> currentEmailLabel_;
    platform::Ref<platform::ui::TextField> newEmailField_;
    std::string emailAttemptingToClaim_;
};

} // namespace quorvel
