// What both extended-credential overlays share. An overlay gets what a refused
// post lacks, stores it and sends the waiting request again — or, when closed,
// ends that request through its failure.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Switch.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/dashboard/account/QVAccountSetupBaseController.h"
#include "social/runtime/FBSession.h"
#include "social/runtime/QVActionRequest.h"
#include "social/ui/QVFBDialog.h"
#include "social/ui/QVImageView.h"
#include <cstdint>

namespace quorvel {

class QVActionRequest;

// What both extended-credential overlays share: the notification to post,
// the waiting request and the next overlay.
class QVExtendedCredentialState {
public:
    void setSocialNotificationOn(platform::Object* notification, QVImageView* image, platform::ui::Label* text);
    // After a stored credential: the next overlay, else the waiting request again.
    void continueAfterSubmission();
    // The overlay closed without a stored credential: the waiting request fails, once.
    void abandonWaitingRequest();
    platform::Ref<QVActionRequest> mRequestToSubmit;
    platform::Ref<platform::ui::ViewController> mNextController;
};

} // namespace quorvel
