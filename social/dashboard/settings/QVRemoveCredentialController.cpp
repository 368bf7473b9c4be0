// Disconnecting a linked network: the form set up for it, the warning, and
// logging out of Facebook once it is gone.
#include "social/dashboard/settings/QVRemoveCredentialController.h"

#include "social/core/QuorvelInternal.h"
#include "social/runtime/FBSession.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserSettingService.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

QV_REGISTER_CLASS(QVRemoveCredentialController);

void QVRemoveCredentialController::setup(const std::string& type, const std::string& spoken, const std::string& title)
{
    credentialType_ = type;
    credentialSpokenName_ = spoken;
    setTitle(title);
    headerTitle()->setText(title);
    submitButton()->setTitleForAllStates(title);
}

bool QVRemoveCredentialController::performSettingAction(const std::string& actionName)
{
    if (actionName == "setupForFacebook")
        setupForFacebook();
    else if (actionName == "setupForTwitter")
        setupForTwitter();
    else
        return false;
    return true;
}

void QVRemoveCredentialController::setupForFacebook()
{
    logoutFacebookWhenSubmitted_ = true;
    setup("FbconnectCredential", "facebook", "Remove Facebook");
}

void QVRemoveCredentialController::setupForTwitter()
{
    logoutFacebookWhenSubmitted_ = false;
    setup("TwitterCredential", "twitter", "Remove Twitter");
}

void QVRemoveCredentialController::_logoutFacebookSession(Object*)
{
    if (FBSession* session = FBSession::session())
        session->logout();
}

void QVRemoveCredentialController::loadView()
{
    Ref<View> root = formRoot();
    headerTitle_ = formLabel(root.get(), 16, 26, 20, true);
    warningText_ = formLabel(root.get(), 52, 40, 14, false);
    warningTextTwo_ = formLabel(root.get(), 96, 40, 14, false);
    submitButton_ = formButton(root.get());
    submitButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVRemoveCredentialController, onSubmitPressed)),
                             TouchUpInside);
    setView(root.get());
}

void QVRemoveCredentialController::viewWillAppear(bool animated)
{
    warningText()->setText("You are about to disconnect " + credentialSpokenName_ + " from your account.");
    warningTextTwo()->setText("You will no longer be able use your " + credentialSpokenName_ + " profile picture.");
    QVFormControllerHelper::viewWillAppear(animated);
}

void QVRemoveCredentialController::addHiddenParameters(QVHttpNestedQueryStringWriter& writer)
{
    std::string type = credentialType_;
    writer.io("credential_type", type);
}

void QVRemoveCredentialController::onSubmitPressed()
{
    if (QuorvelInternal::options().loggedInUserHasHttpBasicCredential()) {
        onSubmitForm(view());
        return;
    }
    showWarningSheet("By disconnecting " + credentialSpokenName_
                     + " you will have no way of recovering your account if you lose your device. You may secure your "
                       "account by tapping 'Go Back' and choosing 'Secure Account'.");
}

void QVRemoveCredentialController::actionSheetDidDismissWithButtonIndex(ActionSheet* sheet, int index)
{
    Ref<QVRemoveCredentialController> keep(this);
    const bool destructive = sheet && index == sheet->destructiveButtonIndex();
    forgetSheet(sheet);
    if (destructive)
        onSubmitForm(view());
    else
        popAnimated();
}

void QVRemoveCredentialController::onFormSubmitted()
{
    Ref<QVRemoveCredentialController> keep(this);
    if (logoutFacebookWhenSubmitted_)
        _logoutFacebookSession(nullptr);
    Ref<QVUser> local = QuorvelInternal::sessionRole().localUser();
    if (local && local->profilePictureSource() == credentialType_) {
        local->changeProfilePictureUrl(std::string(), false, false, false);
        QuorvelInternal::sessionRole().setLocalUser(local.get());
    }
    if (credentialType_ == "TwitterCredential")
        QuorvelInternal::options().setLoggedInUserHasTwitterCredential(false);
    else if (credentialType_ == "FbconnectCredential")
        QuorvelInternal::options().setLoggedInUserHasFbconnectCredential(false);
    popAnimated();
}

} // namespace quorvel
