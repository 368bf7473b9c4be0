// What the login flows need of the approval, account and credential screens,
// which are made by name through the controller loader ("UserQuorvelApproval",
// "DoBootstrap", "LinkSocialNetworks", "TwitterExtendedCredential",
// "FacebookExtendedCredential"). A loaded screen that lacks its interface is a
// programming error and fails an assertion; only the approval screen may be a
// game's own, which answers through Quorvel::userDidApproveQuorvel instead.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/ui/ViewController.h"
#include "social/runtime/QVDelegate.h"

namespace quorvel {

class QVActionRequest;

// "UserQuorvelApproval": ends with Quorvel::userDidApproveQuorvel(...), or its delegates.
class QVApprovalScreen {
public:
    virtual ~QVApprovalScreen() = default;
    virtual void setApprovedDelegate(const QVDelegate& approved, const QVDelegate& denied) = 0;
    // Opening the dashboard brings the question into sight: a screen that
    // loads its page out of sight shows it now. Others are already visible.
    virtual void show() { }
};

// "DoBootstrap": the confirm-account screen; invokes its delegate when the account is set up.
class QVConfirmAccountScreen {
public:
    virtual ~QVConfirmAccountScreen() = default;
    virtual void setCompleteDelegate(const QVDelegate& complete) = 0;
};

// "LinkSocialNetworks": offered after a login until the player has seen it in
// this run, after the login or from the settings; a logout offers it again.
// The flag belongs to the screen (QVLinkSocialNetworksController answers it);
// it is kept here, one for the process, so the login flow can read and clear it.
class QVLinkSocialNetworksSeen {
public:
    static bool get() { return seen_; }
    static void set(bool seen) { seen_ = seen; }

private:
    static inline bool seen_ { false };
};

// "TwitterExtendedCredential" / "FacebookExtendedCredential": get the credential,
// then retry the request (or abandon it), or hand over to the next screen.
class QVExtendedCredentialScreen {
public:
    virtual ~QVExtendedCredentialScreen() = default;
    virtual void setRequestRequiringCredential(QVActionRequest* request) = 0;
    virtual void setSocialNotification(platform::Object* notification) = 0;
    virtual void setNextController(platform::ui::ViewController* next) = 0;
};

} // namespace quorvel
