// Logging in with a Twitter account, or linking one to the account logged in.
#include "social/dashboard/account/QVTwitterAccountLoginController.h"

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

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;
using namespace account_steps;

QV_REGISTER_CLASS(QVTwitterAccountLoginController);

void QVTwitterAccountLoginController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    label(root.get(), Rect(20, 10, w - 40, 24), 17, "Twitter", true);
    integrationInfoLabel_ = label(root.get(), Rect(20, 38, w - 40, 40), 13);
    field(root.get(), Rect(20, 84, w - 40, 31), 1, "Twitter name");
    field(root.get(), Rect(20, 124, w - 40, 31), 2, "Password", true);
    streamIntegrationLabel_ = label(root.get(), Rect(20, 166, w - 130, 27), 13, "Post my game news to Twitter");
    streamIntegrationSwitch_ = toggle(root.get(), Rect(w - 104, 166, 94, 27));
    streamIntegrationSwitch_->setOn(true);
    privacyDisclosure_ = label(root.get(), Rect(20, 200, w - 40, 40), 11,
                               "Quorvel never posts without asking and never shares your password.");
    submitButton_ = button(root.get(), Rect((w - 200) / 2, 250, 200, 37), "Continue", this,
                           BRISKO_SELECTOR(QVTwitterAccountLoginController, _submit));
    setView(root.get());
}

void QVTwitterAccountLoginController::viewWillAppear(bool)
{
    if (addingAdditionalCredential()) {
        integrationInfoLabel_->setText("Connect Twitter to find friends with Quorvel and import your profile picture.");
    } else {
        streamIntegrationSwitch_->setHidden(true);
        streamIntegrationLabel_->setHidden(true);
        float y = streamIntegrationLabel_->frame().origin.y;
        if (QuorvelInternal::dashboardRole().isInLandscapeMode()) {
            Rect submit = submitButton_->frame();
            submit.origin.y = y;
            submitButton_->setFrame(submit);
            // The disclosure goes below the button it would otherwise lie under.
            Rect disclosure = privacyDisclosure_->frame();
            disclosure.origin.y = std::max(disclosure.origin.y, submit.maxY() + 4);
            privacyDisclosure_->setFrame(disclosure);
        } else {
            Rect disclosure = privacyDisclosure_->frame();
            disclosure.origin.y = y;
            privacyDisclosure_->setFrame(disclosure);
            Rect submit = submitButton_->frame();
            submit.origin.y = disclosure.origin.y + disclosure.size.height;
            submitButton_->setFrame(submit);
        }
        integrationInfoLabel_->setText("Enter the Twitter credentials you used to secure your Quorvel account.");
    }
    setIntroFullscreen(true);
}

void QVTwitterAccountLoginController::viewWillDisappear(bool animated)
{
    QVAccountSetupBaseController::viewWillDisappear(animated);
    setIntroFullscreen(false);
}

std::string QVTwitterAccountLoginController::getFormSubmissionUrl()
{
    return addingAdditionalCredential() ? "users_credentials.xml" : "session.xml";
}

std::string QVTwitterAccountLoginController::getLoadingScreenText()
{
    return addingAdditionalCredential() ? "Connecting To Twitter" : "Logging In To Quorvel";
}

void QVTwitterAccountLoginController::populateViewDataMap(QVViewDataMap& map)
{
    map.addField("username", 1);
    map.addField("password", 2);
}

void QVTwitterAccountLoginController::addHiddenParameters(QVHttpNestedQueryStringWriter& params)
{
    QVAccountSetupBaseController::addHiddenParameters(params);
    writeParam(params, "credential_type", "twitter");
    if (addingAdditionalCredential()) {
        bool stream = streamIntegrationSwitch_->isOn();
        params.io("enable_stream_integration", stream);
    }
}

Ref<ViewController> QVTwitterAccountLoginController::controllerToPushOnCompletion()
{
    QuorvelInternal::options().setLoggedInUserHasTwitterCredential(true);
    if (!addingAdditionalCredential())
        return Ref<ViewController>(getStandardLoggedInController().get());
    return connectedMessage("Connected to Twitter",
                            "Your Quorvel and Twitter accounts are now connected! Everyone you're following who has an "
                            "Quorvel account will be added to your My Friends list.");
}

} // namespace quorvel
