// The native approval screen: the player's yes or no, then the screen goes.
#include "social/dashboard/account/QVUserQuorvelApprovalController.h"

#include "platform/foundation/Format.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using account_steps::setIntroFullscreen;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVUserQuorvelApprovalController);
std::string QVUserQuorvelApprovalController::enabledText()
{
    return platform::format("%s is Quorvel Enabled!", QuorvelInternal::sessionRole().applicationDisplayName().c_str());
}

void QVUserQuorvelApprovalController::setApprovedDelegate(const QVDelegate& approved, const QVDelegate& denied)
{
    mApprovedDelegate = approved;
    mDeniedDelegate = denied;
}

void QVUserQuorvelApprovalController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    appNameLabel_ = label(root.get(), Rect(20, 40, w - 40, 50), 20, {}, true);
    label(root.get(), Rect(20, 100, w - 40, 90), 14,
          "Quorvel lets you compare scores, earn achievements and play with your friends. Would you like to use it?");
    useButton_ = button(root.get(), Rect((w - 200) / 2, 210, 200, 37), "Use Quorvel", this,
                        BRISKO_SELECTOR(QVUserQuorvelApprovalController, clickedUseQuorvel));
    useButton_->setTag(1);
    dontUseButton_ = button(root.get(), Rect((w - 200) / 2, 260, 200, 37), "No Thanks", this,
                            BRISKO_SELECTOR(QVUserQuorvelApprovalController, clickedDontUseQuorvel), false);
    setView(root.get());
}

void QVUserQuorvelApprovalController::viewDidLoad()
{
    QVViewController::viewDidLoad();
    capTagOneButton(view());
    appNameLabel_->setText(enabledText());
}

void QVUserQuorvelApprovalController::viewWillAppear(bool)
{
    QuorvelInternal::dashboardRole().allowErrorScreens(false);
    setIntroFullscreen(false);
}

void QVUserQuorvelApprovalController::clickedUseQuorvel()
{
    // The account sequence is pushed over this screen; its end answers the game.
    if (answered_)
        return;
    answered_ = true;
    Quorvel::userDidApproveQuorvel(true, mApprovedDelegate);
}

void QVUserQuorvelApprovalController::clickedDontUseQuorvel()
{
    if (answered_)
        return;
    answered_ = true;
    Ref<QVUserQuorvelApprovalController> keep(this);
    Quorvel::userDidApproveQuorvel(false);
    dismiss();
    mDeniedDelegate.invoke(nullptr);
}

void QVUserQuorvelApprovalController::dismiss()
{
    QuorvelInternal::dashboardRole().allowErrorScreens(true);
    QuorvelInternal::dashboardRole().dismissRootControllerOrItsModal();
}

} // namespace quorvel
