// QVResetPasswordController ("ResetPassword"): has a new password mailed for
// the player who last logged in.
#pragma once

#include "social/dashboard/account/QVAccountChangeForm.h"

namespace quorvel {

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
