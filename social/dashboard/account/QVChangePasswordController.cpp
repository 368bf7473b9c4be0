// The change-password form: the three fields sent, emptied and confirmed.
#include "social/dashboard/account/QVChangePasswordController.h"

#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVChangePasswordController);

void QVChangePasswordController::loadView()
{
    // The bar over the form says what it changes.
    setTitle("Change Password");
    Ref<View> root = rootView();
    float w = width(root.get());
    field(root.get(), Rect(20, 14, w - 40, 31), 1, "Current password", true);
    field(root.get(), Rect(20, 54, w - 40, 31), 2, "New password", true);
    field(root.get(), Rect(20, 94, w - 40, 31), 3, "Confirm new password", true);
    button(root.get(), Rect((w - 200) / 2, 140, 200, 37), "Change Password", this,
           BRISKO_SELECTOR(QVChangePasswordController, _submit));
    setView(root.get());
}

void QVChangePasswordController::populateViewDataMap(QVViewDataMap& map)
{
    map.addField("old_password", 1);
    map.addField("password", 2);
    map.addField("password_confirmation", 3);
}

void QVChangePasswordController::viewWillAppear(bool)
{
    for (int tag : { 1, 2, 3 })
        setTextWithTag(view(), tag, {});
}

void QVChangePasswordController::onBeforeFormSubmitted()
{
    oldPassword_ = textWithTag(view(), 1);
    password_ = textWithTag(view(), 2);
    passwordConfirmation_ = textWithTag(view(), 3);
}

void QVChangePasswordController::onFormSubmitted()
{
    setTextWithTag(view(), 1, oldPassword_);
    setTextWithTag(view(), 2, password_);
    setTextWithTag(view(), 3, passwordConfirmation_);
    bool changed = !password_.empty() && !passwordConfirmation_.empty();
    pushConfirmation("Change Password",
                     changed ? "Your password has been successfully changed!" : "Your password has not been changed.");
    oldPassword_.clear();
    password_.clear();
    passwordConfirmation_.clear();
}

} // namespace quorvel
