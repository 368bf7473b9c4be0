// The change-e-mail form: the current address loaded, the new one sent and
// confirmed.
#include "social/dashboard/account/QVChangeEmailController.h"

#include "platform/foundation/Format.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVHttpBasicCredential.h"
#include "social/services/QVUserService.h"
#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVChangeEmailController);

void QVChangeEmailController::loadView()
{
    // The bar over the form says what it changes.
    setTitle("Change Email");
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

} // namespace quorvel
