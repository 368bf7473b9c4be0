// The change-name form: the new name sent, confirmed and taken by the local
// player.
#include "social/dashboard/account/QVChangeNameController.h"

#include "platform/foundation/Format.h"
#include "social/core/QuorvelInternal.h"
#include "social/ui/QVViewHelper.h"
#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVChangeNameController);

void QVChangeNameController::loadView()
{
    // The bar over the form says what it changes.
    setTitle("Change Name");
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

} // namespace quorvel
