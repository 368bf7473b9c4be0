// Removing a linked network or this device from the account.
#include "social/dashboard/settings/QVRemovalForms.h"

#include "platform/device/Device.h"
#include "platform/ui/NavigationController.h"
#include "social/runtime/FBSession.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserSettingService.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVRemoveCredentialController);
QV_REGISTER_CLASS(QVRemoveDeviceFromAccountController);

namespace {

// The settings rows may set up the credential form for one network.
[[maybe_unused]] const bool removeCredentialActionsRegistered = [] {
    QVUserSettingPushController::registerAction("RemoveCredential", "setupForFacebook", [](ViewController& c) {
        if (auto* form = dynamic_cast<QVRemoveCredentialController*>(&c))
            form->setupForFacebook();
    });
    QVUserSettingPushController::registerAction("RemoveCredential", "setupForTwitter", [](ViewController& c) {
        if (auto* form = dynamic_cast<QVRemoveCredentialController*>(&c))
            form->setupForTwitter();
    });
    return true;
}();

Ref<View> formRoot()
{
    const Rect bounds = QVDashboardRole::current().getDashboardBounds();
    auto root = View::viewWithFrame(Rect(0, 0, bounds.size.width, bounds.size.height));
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setBackgroundColor(Color::rgb(0.11f, 0.12f, 0.14f));
    return root;
}

Ref<Label> formLabel(View* root, float y, float height, float size, bool bold)
{
    const float width = root->frame().size.width;
    auto label = layout::makeLabel(Rect(20, y, width - 40, height), size, bold);
    label->setTextColor(Color::whiteColor());
    label->setNumberOfLines(0);
    label->setAutoresizingMask(FlexibleWidth);
    root->addSubview(label.get());
    return label;
}

// The red submit button below the texts.
Ref<QVDefaultButton> formButton(View* root)
{
    auto button = QVDefaultButton::redBorderedButton(Rect(20, 150, root->frame().size.width - 40, 44));
    button->setAutoresizingMask(FlexibleWidth);
    root->addSubview(button.get());
    return button;
}

void popAnimated(ViewController* c)
{
    if (NavigationController* nav = c->navigationController())
        nav->popViewControllerAnimated(true);
}

} // namespace

// ---------------------------------------------------------------------------
// Both forms

QVRemovalFormController::~QVRemovalFormController()
{
    if (sheet_)
        sheet_->setDelegate(nullptr);
}

void QVRemovalFormController::showWarningSheet(const std::string& text)
{
    if (sheet_)
        sheet_->setDelegate(nullptr);
    sheet_ = ActionSheet::sheet(text, this, "Go Back", "Continue");
    View* top = QuorvelInternal::getTopLevelView();
    sheet_->showInView(top ? top : view());
}

void QVRemovalFormController::forgetSheet(ActionSheet* sheet)
{
    if (sheet)
        sheet->setDelegate(nullptr);
    if (sheet == sheet_.get())
        sheet_ = nullptr;
}

// ---------------------------------------------------------------------------
// Remove credential

void QVRemoveCredentialController::setup(const std::string& type, const std::string& spoken, const std::string& title)
{
    credentialType_ = type;
    credentialSpokenName_ = spoken;
    setTitle(title);
    headerTitle()->setText(title);
    submitButton()->setTitleForAllStates(title);
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
    if (QuorvelInternal::loggedInUserHasHttpBasicCredential()) {
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
        popAnimated(this);
}

void QVRemoveCredentialController::onFormSubmitted()
{
    Ref<QVRemoveCredentialController> keep(this);
    if (logoutFacebookWhenSubmitted_)
        _logoutFacebookSession(nullptr);
    Ref<QVUser> local = QuorvelInternal::localUser();
    if (local && local->profilePictureSource() == credentialType_) {
        local->changeProfilePictureUrl(std::string(), false, false, false);
        QuorvelInternal::setLocalUser(local.get());
    }
    if (credentialType_ == "TwitterCredential")
        QuorvelInternal::setLoggedInUserHasTwitterCredential(false);
    else if (credentialType_ == "FbconnectCredential")
        QuorvelInternal::setLoggedInUserHasFbconnectCredential(false);
    popAnimated(this);
}

// ---------------------------------------------------------------------------
// Remove device

void QVRemoveDeviceFromAccountController::loadView()
{
    Ref<View> root = formRoot();
    titleLabel_ = formLabel(root.get(), 16, 26, 20, true);
    warningText_ = formLabel(root.get(), 52, 90, 14, false);
    submitButton_ = formButton(root.get());
    submitButton_->setTitleForAllStates("Remove Account");
    submitButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVFormControllerHelper, submitForm)), TouchUpInside);
    setView(root.get());
}

void QVRemoveDeviceFromAccountController::viewWillAppear(bool animated)
{
    QVFormControllerHelper::viewWillAppear(animated);
    navigationItem()->setHidesBackButton(false);
    if (QuorvelInternal::loggedInUserHasHttpBasicCredential()) {
        warningText()->setText(kSecuredWarning);
    } else {
        warningText()->setText(kUnsecuredWarning);
        showWarningSheet("Warning! Your account will be lost and you will not be able to recover it. Tap 'Go Back' to "
                         "return to the Settings tab and choose 'Secure Account'.");
    }
    if (!QuorvelInternal::isInLandscapeMode())
        titleLabel()->setText("Remove Account");
}

void QVRemoveDeviceFromAccountController::actionSheetDidDismissWithButtonIndex(ActionSheet* sheet, int index)
{
    Ref<QVRemoveDeviceFromAccountController> keep(this);
    forgetSheet(sheet);
    if (index == 1)
        popAnimated(this);
}

void QVRemoveDeviceFromAccountController::addHiddenParameters(QVHttpNestedQueryStringWriter& writer)
{
    std::string userId = Quorvel::lastLoggedInUserId();
    std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    writer.io("user_id", userId);
    writer.io("udid", udid);
}

void QVRemoveDeviceFromAccountController::onFormSubmitted()
{
    Quorvel::logoutUser();
    Quorvel::dismissDashboard();
}

} // namespace quorvel
