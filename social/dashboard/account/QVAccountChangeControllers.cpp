// The e-mail, name, password and reset-password forms.
#include "social/dashboard/account/QVAccountChangeControllers.h"

#include "platform/foundation/Format.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVHttpBasicCredential.h"
#include "social/services/QVUserService.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVViewHelper.h"
#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVChangeEmailController);
QV_REGISTER_CLASS(QVChangeNameController);
QV_REGISTER_CLASS(QVChangePasswordController);
QV_REGISTER_CLASS(QVResetPasswordController);

namespace {

std::string textWithTag(View* root, int tag)
{
    View* view = QVViewHelper::findViewByTag(root, tag);
    if (auto* f = dynamic_cast<TextField*>(view))
        return f->text();
    return {};
}

void setTextWithTag(View* root, int tag, const std::string& text)
{
    if (auto* f = dynamic_cast<TextField*>(QVViewHelper::findViewByTag(root, tag)))
        f->setText(text);
}

} // namespace

void QVAccountChangeForm::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    std::string id = hiddenUserId();
    params.io("id", id);
}

void QVAccountChangeForm::pushConfirmation(const std::string& title, const std::string& message)
{
    Ref<ViewController> screen = QVControllerLoader::load("ShowMessageAndReturn");
    NavigationController* nav = navigationController();
    if (!screen || !nav)
        return;
    auto* shown = requireCast<QVShowMessageAndReturnController>(screen, "The message screen must show its message");
    shown->messageTitleLabel()->setText(title);
    shown->messageLabel()->setText(message);
    nav->pushViewController(screen.get(), true);
}

// ---- "ChangeEmail"

void QVChangeEmailController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 20), 13, "Your e-mail address:");
    currentEmailLabel_ = label(root.get(), Rect(20, 32, w - 40, 22), 15, {}, true);
    newEmailField_ = field(root.get(), Rect(20, 66, w - 40, 31), 1, "New e-mail address");
    button(root.get(), Rect((w - 200) / 2, 110, 200, 37), "Change Email", this,
           BRISKO_SELECTOR(QVChangeEmailController, _submit));
    setView(root.get());
}

void QVChangeEmailController::viewWillAppear(bool)
{
    currentEmailLabel_->setText({});
    newEmailField_->setText({});
    QVUserService::getEmailForUser("me", QVDelegate(this, BRISKO_SELECTOR(QVChangeEmailController, onGetEmailSuccess)),
                                   QVDelegate(this, BRISKO_SELECTOR(QVChangeEmailController, onGetEmailFailure)));
}

void QVChangeEmailController::onGetEmailSuccess(platform::Object* answer)
{
    auto* series = requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series");
    auto* credential = series->count() ? dynamic_cast<QVHttpBasicCredential*>(series->objectAtIndex(0)) : nullptr;
    currentEmailLabel_->setText(credential ? credential->email() : std::string());
}

void QVChangeEmailController::onGetEmailFailure(platform::Object*)
{
    currentEmailLabel_->setText("error getting email for user");
}

void QVChangeEmailController::onBeforeFormSubmitted() { emailAttemptingToClaim_ = textWithTag(view(), 1); }

void QVChangeEmailController::onFormSubmitted()
{
    newEmailField_->setText(emailAttemptingToClaim_);
    QuorvelInternal::hub().reloadInactiveTabBars();
    pushConfirmation("Change Email",
                     platform::format("Your email has been changed to\n%s.", emailAttemptingToClaim_.c_str()));
    emailAttemptingToClaim_.clear();
}

// ---- "ChangeName"

void QVChangeNameController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 20), 13, "Your Quorvel name:");
    currentNameLabel_ = label(root.get(), Rect(20, 32, w - 40, 22), 15, {}, true);
    field(root.get(), Rect(20, 66, w - 40, 31), 1, "New name");
    button(root.get(), Rect((w - 200) / 2, 110, 200, 37), "Change Name", this,
           BRISKO_SELECTOR(QVChangeNameController, _submit));
    auto note = label(root.get(), Rect(20, 160, w - 40, 60), 12,
                      "Secure your account with an e-mail address and password to keep your name on every device.");
    note->setTag(5);
    setView(root.get());
}

void QVChangeNameController::viewWillAppear(bool)
{
    currentNameLabel_->setText(Quorvel::lastLoggedInUserName());
    if (QuorvelInternal::options().loggedInUserHasNonDeviceCredential())
        if (View* note = QVViewHelper::findViewByTag(view(), 5))
            note->setHidden(true);
}

void QVChangeNameController::onBeforeFormSubmitted() { nameAttemptingToClaim_ = textWithTag(view(), 1); }

void QVChangeNameController::onFormSubmitted()
{
    QuorvelInternal::records().loggedInUserChangedNameTo(nameAttemptingToClaim_);
    currentNameLabel_->setText(nameAttemptingToClaim_);
    QuorvelInternal::hub().reloadInactiveTabBars();
    pushConfirmation("Change Name",
                     platform::format("You have changed your Quorvel name to %s.", nameAttemptingToClaim_.c_str()));
    nameAttemptingToClaim_.clear();
}

// ---- "ChangePassword"

void QVChangePasswordController::loadView()
{
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

// ---- "ResetPassword"

void QVResetPasswordController::loadView()
{
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
