// The overlay that asks for the Twitter password again after a refused post.
#include "social/dashboard/account/QVTwitterExtendedCredentialController.h"

#include "platform/device/Application.h"
#include "platform/foundation/Format.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/account/QVAccountViews.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVSettings.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVWebViewController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;
using namespace account_steps;

QV_REGISTER_CLASS(QVTwitterExtendedCredentialController);

QVTwitterExtendedCredentialController::~QVTwitterExtendedCredentialController() { state_.abandonWaitingRequest(); }

void QVTwitterExtendedCredentialController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    // The background panel fills the screen, its head kept, its body stretched.
    mBackgroundWindow = ImageView::imageViewWithFrame(root->bounds());
    mBackgroundWindow->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    mBackgroundWindow->setContentMode(ContentMode::ScaleToFill);
    if (auto panel = QVLoadKitImage("QVTwitterCredentialPanel.png"))
        mBackgroundWindow->setImage(panel->stretchableImage(0, 120).get());
    root->addSubview(mBackgroundWindow.get());
    label(root.get(), Rect(20, 10, w - 40, 40), 15, "Enter your Twitter password to post this:", true);
    mNotificationImage = QVImageView::imageViewWithFrame(Rect(20, 58, 50, 50));
    root->addSubview(mNotificationImage.get());
    mNotificationText = label(root.get(), Rect(80, 58, w - 100, 60), 13);
    field(root.get(), Rect(20, 128, w - 40, 31), 1, "Twitter password", true);
    button(root.get(), Rect((w - 200) / 2, 172, 200, 37), "Post", this,
           BRISKO_SELECTOR(QVTwitterExtendedCredentialController, _post));
    button(root.get(), Rect((w - 200) / 2, 220, 200, 37), "Not Now", this,
           BRISKO_SELECTOR(QVTwitterExtendedCredentialController, close), false);
    mLoadingView = View::viewWithFrame(root->bounds());
    mLoadingView->setBackgroundColor(Color::black().withAlpha(0.5f));
    mLoadingView->setHidden(true);
    root->addSubview(mLoadingView.get());
    setView(root.get());
    if (pendingNotification_)
        state_.setSocialNotificationOn(pendingNotification_.get(), mNotificationImage.get(), mNotificationText.get());
}

void QVTwitterExtendedCredentialController::setSocialNotification(platform::Object* notification)
{
    pendingNotification_ = notification;
    if (isViewLoaded())
        state_.setSocialNotificationOn(notification, mNotificationImage.get(), mNotificationText.get());
}

void QVTwitterExtendedCredentialController::setRequestRequiringCredential(QVActionRequest* request)
{
    state_.mRequestToSubmit = request;
}

void QVTwitterExtendedCredentialController::setNextController(ViewController* next) { state_.mNextController = next; }

void QVTwitterExtendedCredentialController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    writeParam(params, "credential_type", "twitter");
}

void QVTwitterExtendedCredentialController::onSubmitForm(platform::Object* sender)
{
    if (isSubmitting())
        return;
    mLoadingView->setHidden(false);
    QVFormControllerHelper::onSubmitForm(sender);
}

void QVTwitterExtendedCredentialController::onPresentingErrorDialog() { mLoadingView->setHidden(true); }

void QVTwitterExtendedCredentialController::dismiss()
{
    if (finished_)
        return;
    finished_ = true;
    QuorvelInternal::dashboardRole().dismissRootControllerOrItsModal();
}

void QVTwitterExtendedCredentialController::onFormSubmitted()
{
    Ref<QVTwitterExtendedCredentialController> keep(this);
    mLoadingView->setHidden(true);
    dismiss();
    state_.continueAfterSubmission();
}

void QVTwitterExtendedCredentialController::close()
{
    Ref<QVTwitterExtendedCredentialController> keep(this);
    state_.abandonWaitingRequest();
    dismiss();
}

} // namespace quorvel
