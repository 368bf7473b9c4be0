// What both extended-credential overlays share: the refused post shown, the
// waiting request sent again once the credential is stored, or ended.
#include "social/dashboard/account/QVExtendedCredentialState.h"

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

void QVExtendedCredentialState::setSocialNotificationOn(platform::Object* notification, QVImageView* image, Label* text)
{
    auto* post = dynamic_cast<QVSocialNotification*>(notification);
    if (!post)
        return;
    if (image)
        image->setImageUrl(post->imageUrl());
    if (text)
        text->setText(post->text());
}

void QVExtendedCredentialState::continueAfterSubmission()
{
    Ref<QVActionRequest> request = std::move(mRequestToSubmit);
    Ref<ViewController> next = std::move(mNextController);
    if (next) {
        QuorvelInternal::dashboardRole().presentModalOverlay(next);
        // A request left here (the next overlay has its own) must still end.
        if (request)
            request->abandonInLightOfASeriousError();
    } else if (request) {
        request->dispatch();
    }
}

void QVExtendedCredentialState::abandonWaitingRequest()
{
    mNextController = nullptr;
    if (Ref<QVActionRequest> request = std::move(mRequestToSubmit))
        request->abandonInLightOfASeriousError();
}

} // namespace quorvel
