// QVChangePasswordController ("ChangePassword"): changes the password of the
// name-and-password credential (the old one, the new one twice).
#pragma once

#include "social/dashboard/account/QVAccountChangeForm.h"
#include "social/ui/QVFormControllerHelper.h"

namespace quorvel {

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

} // namespace quorvel
