// Logging in with a Facebook account, or linking one to the account logged in.
#include "social/dashboard/account/QVFacebookAccountLoginController.h"

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
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVShowMessageAndReturnController.h"
#include "social/ui/QVWebViewController.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;
using namespace account_steps;

QV_REGISTER_CLASS(QVFacebookAccountLoginController);

void QVFacebookAccountLoginController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 24), 17, "Facebook", true);
    fbLoggedInStatusImageView_ = ImageView::imageViewWithImage(nullptr);
    fbLoggedInStatusImageView_->setFrame(Rect(w - 40, 12, 20, 20));
    root->addSubview(fbLoggedInStatusImageView_.get());
    findFriendsLabel_ = label(root.get(), Rect(20, 44, w - 40, 36), 13, "Find your Facebook friends who play.");
    streamIntegrationLabel_ = label(root.get(), Rect(20, 88, w - 130, 27), 13, "Post my game news to Facebook");
    streamIntegrationSwitch_ = toggle(root.get(), Rect(w - 104, 88, 94, 27));
    streamIntegrationSwitch_->setOn(true);
    privacyDisclosure_ = label(root.get(), Rect(20, 124, w - 40, 40), 11,
                               "Quorvel never posts without asking and never shares your password.");
    button(root.get(), Rect((w - 200) / 2, 176, 200, 37), "Continue", this,
           BRISKO_SELECTOR(QVFacebookAccountLoginController, _submit));
    setView(root.get());
}

void QVFacebookAccountLoginController::viewWillAppear(bool animated)
{
    QVFacebookAccountController::viewWillAppear(animated);
    if (addingAdditionalCredential())
        return;
    streamIntegrationSwitch_->setHidden(true);
    streamIntegrationLabel_->setHidden(true);
    Rect frame = privacyDisclosure_->frame();
    frame.origin.y = findFriendsLabel_->frame().origin.y;
    privacyDisclosure_->setFrame(frame);
    findFriendsLabel_->setHidden(true);
}

std::string QVFacebookAccountLoginController::getFormSubmissionUrl()
{
    return addingAdditionalCredential() ? "users_credentials.xml" : "session.xml";
}

std::string QVFacebookAccountLoginController::singularResourceName()
{
    return addingAdditionalCredential() ? "users_credential" : "credential";
}

std::string QVFacebookAccountLoginController::getLoadingScreenText()
{
    return addingAdditionalCredential() ? "Connecting To Facebook" : "Logging In To Quorvel";
}

void QVFacebookAccountLoginController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    QVFacebookAccountController::addHiddenParameters(params);
    writeParam(params, "credential[fbuid]", platform::format("%lld", static_cast<long long>(fbuid())));
    writeParam(params, "credential[session_key]", fbSession() ? fbSession()->sessionKey() : std::string());
    if (addingAdditionalCredential()) {
        bool stream = streamIntegrationSwitch_->isOn();
        params.io("enable_stream_integration", stream);
    }
}

Ref<ViewController> QVFacebookAccountLoginController::controllerToPushOnCompletion()
{
    QuorvelInternal::options().setLoggedInUserHasFbconnectCredential(true);
    if (!addingAdditionalCredential())
        return Ref<ViewController>(getStandardLoggedInController().get());
    return connectedMessage("Connected to Facebook",
                            "Your Quorvel account is now connected to Facebook. Any of your Facebook friends with "
                            "Quorvel will be added to your My Friends list.");
}

} // namespace quorvel
