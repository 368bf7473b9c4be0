// Removing the account from this device: the warning, the request and the
// logout.
#include "social/dashboard/settings/QVRemoveDeviceFromAccountController.h"

#include "platform/device/Device.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"

namespace quorvel {

using namespace platform::ui;
using platform::Ref;

QV_REGISTER_CLASS(QVRemoveDeviceFromAccountController);

void QVRemoveDeviceFromAccountController::loadView()
{
    Ref<View> root = formRoot();
    titleLabel_ = formLabel(root.get(), 16, 26, 20, true);
    warningText_ = formLabel(root.get(), 52, 90, 14, false);
    submitButton_ = formButton(root.get());
    submitButton_->setTitleForAllStates("Remove Account");
    // Through the form's own submission: its loading screen, and one request however often it is tapped.
    submitButton_->addTarget(this, Control::SenderAction(BRISKO_SELECTOR(QVFormControllerHelper, onSubmitForm)),
                             TouchUpInside);
    setView(root.get());
}

void QVRemoveDeviceFromAccountController::viewWillAppear(bool animated)
{
    QVFormControllerHelper::viewWillAppear(animated);
    navigationItem()->setHidesBackButton(false);
    if (QuorvelInternal::options().loggedInUserHasHttpBasicCredential()) {
        warningText()->setText(kSecuredWarning);
    } else {
        warningText()->setText(kUnsecuredWarning);
        showWarningSheet("Warning! Your account will be lost and you will not be able to recover it. Tap 'Go Back' to "
                         "return to the Settings tab and choose 'Secure Account'.");
    }
    if (!QuorvelInternal::dashboardRole().isInLandscapeMode())
        titleLabel()->setText("Remove Account");
}

void QVRemoveDeviceFromAccountController::actionSheetDidDismissWithButtonIndex(ActionSheet* sheet, int index)
{
    Ref<QVRemoveDeviceFromAccountController> keep(this);
    forgetSheet(sheet);
    if (index == 1)
        popAnimated();
}

void QVRemoveDeviceFromAccountController::addHiddenParameters(QVHttpNestedQueryStringWriter& writer)
{
    std::string userId = QuorvelInternal::sessionRole().lastLoggedInUserId();
    std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    writer.io("user_id", userId);
    writer.io("udid", udid);
}

void QVRemoveDeviceFromAccountController::onFormSubmitted()
{
    Quorvel::logoutUser();
    QuorvelInternal::dashboardRole().dismissDashboard();
}

} // namespace quorvel
