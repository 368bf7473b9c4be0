// The account change forms shown in the profile frame: change the e-mail
// address ("ChangeEmail") or the password ("ChangePassword") of the
// name-and-password credential, change the player's name ("ChangeName"), or
// have a new password mailed ("ResetPassword"). Each confirms a change with a
// message screen; refusals come as the form's error alert.
#pragma once

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/ui/QVFormControllerHelper.h"
#include "social/ui/QVScreenProtocols.h"

namespace quorvel {

// What the four forms share: POST, no tag actions, the "id" parameter and the
// confirmation screen.
class QVAccountChangeForm : public QVFormControllerHelper, public QVProfileFrame {
public:
    std::string getHTTPMethod() override { return "POST"; }
    void registerActionsNow() override { }
    void addHiddenParameters(QVHttpNestedQueryStringWriter& params) override;
    bool canReceiveCallbacksNow() override { return navigationController() != nullptr; }

protected:
    QVAccountChangeForm() = default;
    virtual std::string hiddenUserId() { return "me"; }
    // Pushes "ShowMessageAndReturn" with the two texts.
    void pushConfirmation(const std::string& title, const std::string& message);
    void _submit() { onSubmitForm(); }
};

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

class QVChangeNameController : public QVAccountChangeForm {
    QV_DECLARE_CLASS(QVChangeNameController)
public:
    std::string getFormSubmissionUrl() override { return "users/update_name.xml"; }
    std::string singularResourceName() override { return "user"; }
    void populateViewDataMap(QVViewDataMap& map) override { map.addField("name", 1); }
    void onBeforeFormSubmitted() override;
    void onFormSubmitted() override;
    platform::ui::Label* currentNameLabel() { view(); return currentNameLabel_.get(); }
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    QVChangeNameController() = default;

private:
    platform::Ref<platform::ui::Label> currentNameLabel_;
    std::string nameAttemptingToClaim_;
};

class QVChangePasswordController : public QVAccountChangeForm {
    QV_DECLARE_CLASS(QVChangePasswordController)
public:
    std::string getFormSubmissionUrl() override { return "http_basic_credentials/update_password.xml"; }
    std::string singularResourceName() override { return "http_basic_credential"; }
    void populateViewDataMap(QVViewDataMap& map) override;
    void onBeforeFormSubmitted() override;
    void onFormSubmitted() override;
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    QVChangePasswordController() = default;

private:
    std::string oldPassword_;
    std::string password_;
    std::string passwordConfirmation_;
};

class QVResetPasswordController : public QVAccountChangeForm {
    QV_DECLARE_CLASS(QVResetPasswordController)
public:
    std::string getFormSubmissionUrl() override { return "support/do_pw_reset.xml"; }
    std::string singularResourceName() override { return "credential"; }
    void onFormSubmitted() override;
    platform::ui::Button* resetButton() { view(); return resetButton_.get(); }
    void loadView() override;
    void viewWillAppear(bool animated) override;

protected:
    QVResetPasswordController() = default;
    std::string hiddenUserId() override;

private:
    platform::Ref<platform::ui::Button> resetButton_;
};

} // namespace quorvel
