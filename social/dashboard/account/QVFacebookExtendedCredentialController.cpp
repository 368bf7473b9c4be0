// The overlay that asks Facebook for the permission a refused post lacks.
#include "social/dashboard/account/QVFacebookExtendedCredentialController.h"

#include "platform/device/Application.h"
#include "platform/ui/ActivityIndicator.h"
#include "platform/foundation/Format.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVSettings.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVWebViewController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;
using namespace account_steps;

QV_REGISTER_CLASS(QVFacebookExtendedCredentialController);

bool QVFacebookExtendedCredentialController::init()
{
    if (!QVFacebookAccountController::init())
        return false;
    // The login dialog opens only when the player asks.
    setSkipLoginOnAppear(true);
    return true;
}

QVFacebookExtendedCredentialController::~QVFacebookExtendedCredentialController()
{
    if (permissionDialog_)
        permissionDialog_->setDelegate(nullptr);
    state_.abandonWaitingRequest();
}

void QVFacebookExtendedCredentialController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 40), 15, "Facebook needs your permission to post this:", true);
    mNotificationImage = QVImageView::imageViewWithFrame(Rect(20, 58, 50, 50));
    root->addSubview(mNotificationImage.get());
    mNotificationText = label(root.get(), Rect(80, 58, w - 100, 60), 13);
    fbLoggedInStatusImageView_ = ImageView::imageViewWithImage(nullptr);
    fbLoggedInStatusImageView_->setFrame(Rect(w - 40, 130, 20, 20));
    root->addSubview(fbLoggedInStatusImageView_.get());
    button(root.get(), Rect((w - 200) / 2, 130, 200, 37), "Log In To Facebook", this,
           BRISKO_SELECTOR(QVFacebookExtendedCredentialController, login));
    button(root.get(), Rect((w - 200) / 2, 180, 200, 37), "Not Now", this,
           BRISKO_SELECTOR(QVFacebookExtendedCredentialController, close), false);
    mCustomLoadingView = View::viewWithFrame(root->bounds());
    mCustomLoadingView->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    mCustomLoadingView->setBackgroundColor(Color::black().withAlpha(0.5f));
    auto spinner = ActivityIndicator::withStyle(ActivityIndicator::Style::WhiteLarge);
    spinner->setCenter(platform::Point(root->bounds().midX(), root->bounds().midY()));
    spinner->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin | FlexibleTopMargin | FlexibleBottomMargin);
    spinner->startAnimating();
    mCustomLoadingView->addSubview(spinner.get());
    mCustomLoadingView->setHidden(true);
    mCustomLoadingView->setAlpha(0);
    root->addSubview(mCustomLoadingView.get());
    setView(root.get());
    if (pendingNotification_)
        state_.setSocialNotificationOn(pendingNotification_.get(), mNotificationImage.get(), mNotificationText.get());
}

void QVFacebookExtendedCredentialController::showLoadingScreen()
{
    view();
    mCustomLoadingView->setHidden(false);
    View::beginAnimations("customLoadingIn");
    View::setAnimationBeginsFromCurrentState(true);
    View::setAnimationDuration(kLoadingFadeDuration);
    mCustomLoadingView->setAlpha(1);
    View::commitAnimations();
}

void QVFacebookExtendedCredentialController::hideLoadingScreen()
{
    if (!mCustomLoadingView)
        return;
    mCustomLoadingView->setHidden(true);
    View::beginAnimations("customLoadingOut");
    View::setAnimationDuration(kLoadingFadeDuration);
    mCustomLoadingView->setAlpha(0);
    View::commitAnimations();
}

void QVFacebookExtendedCredentialController::setSocialNotification(platform::Object* notification)
{
    pendingNotification_ = notification;
    if (isViewLoaded())
        state_.setSocialNotificationOn(notification, mNotificationImage.get(), mNotificationText.get());
}

void QVFacebookExtendedCredentialController::setRequestRequiringCredential(QVActionRequest* request)
{
    state_.mRequestToSubmit = request;
}

void QVFacebookExtendedCredentialController::setNextController(ViewController* next) { state_.mNextController = next; }

void QVFacebookExtendedCredentialController::sessionDidLogin(FBSession* session, uint64_t uid)
{
    QVFacebookAccountController::sessionDidLogin(session, uid);
    showExtendedPermissionsDialog();
}

void QVFacebookExtendedCredentialController::showExtendedPermissionsDialog()
{
    permissionDialog_ = FBPermissionDialog::dialog();
    permissionDialog_->setDelegate(this);
    permissionDialog_->setPermission("publish_stream");
    permissionDialog_->show();
}

void QVFacebookExtendedCredentialController::dialogDidSucceed(FBDialog* dialog)
{
    // The login dialog's own success is the session's login; only the permission submits.
    if (!permissionDialog_ || dialog != permissionDialog_.get())
        return;
    permissionDialog_ = nullptr;
    onSubmitForm();
}

void QVFacebookExtendedCredentialController::dialogDidCancel(FBDialog* dialog)
{
    if (permissionDialog_ && dialog == permissionDialog_.get()) {
        permissionDialog_ = nullptr;
        return;
    }
    closeLoginDialog();
}

void QVFacebookExtendedCredentialController::displayError(const std::string& message)
{
    closeLoginDialog();
    AlertView::alert("Facebook Connect Error", message, nullptr, "Ok")->show();
}

void QVFacebookExtendedCredentialController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    QVFacebookAccountController::addHiddenParameters(params);
    writeParam(params, "credential[has_extended_credentials]", "true");
}

void QVFacebookExtendedCredentialController::dismiss()
{
    if (finished_)
        return;
    finished_ = true;
    QuorvelInternal::dashboardRole().dismissRootControllerOrItsModal();
}

void QVFacebookExtendedCredentialController::onFormSubmitted()
{
    Ref<QVFacebookExtendedCredentialController> keep(this);
    dismiss();
    state_.continueAfterSubmission();
}

void QVFacebookExtendedCredentialController::close()
{
    Ref<QVFacebookExtendedCredentialController> keep(this);
    closeLoginDialog();
    state_.abandonWaitingRequest();
    dismiss();
}

} // namespace quorvel
