// The reset-password form: the request for a new password and its confirmation.
#include "social/dashboard/account/QVResetPasswordController.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVResetPasswordController);

void QVResetPasswordController::loadView()
{
    // The bar over the form says what it changes.
    setTitle("Password Reset");
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 14, w - 40, 60), 13,
          "We will mail a new password to the address of your Quorvel account.");
    resetButton_ = button(root.get(), Rect((w - 220) / 2, 90, 220, 37), "Reset", this,
                          BRISKO_SELECTOR(QVResetPasswordController, _submit));
    setView(root.get());
}

void QVResetPasswordController::viewWillAppear(bool)
{
    if (auto* button = dynamic_cast<QVDefaultButton*>(resetButton_.get()))
        button->setTitleForAllStates("Reset Your Password");
}

std::string QVResetPasswordController::hiddenUserId() { return QuorvelInternal::sessionRole().lastLoggedInUserId(); }

void QVResetPasswordController::onFormSubmitted()
{
    pushConfirmation("Password Reset", "We generated a new password and sent an email to the address we have on "
                                       "file. It should be there in a few minutes.");
}

} // namespace quorvel
