// The result header: the result shown and sending it back as a challenge.
#include "social/dashboard/challenges/QVCompletedChallengeHeaderController.h"

#include "social/dashboard/challenges/QVChallengeScreens.h"
#include "social/dashboard/challenges/QVSendChallengeController.h"
#include "social/dashboard/challenges/QVSendChallengeHeaderController.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using layout::makeLabel;
using layout::maxY;
using layout::rowWidth;
using common::showAlert;
using platform::Rect;
using platform::Ref;
using Message = QVChallengeDelegate::Message;
using QVChallengeScreens::closeDashboardTelling;
using QVChallengeScreens::definitionOf;

QV_REGISTER_CLASS(QVCompletedChallengeHeaderController);

void QVCompletedChallengeHeaderController::setChallengeScreen(const QVChallengeScreen& screen)
{
    setChallenge(screen.userChallenge.get());
}

void QVCompletedChallengeHeaderController::loadView()
{
    const float width = rowWidth();
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, 280));
    challengeDescriptionContainer_ = QVChallengeDetailFrame::frameWithWidth(width);
    const float below = challengeDescriptionContainer_->frame().size.height;
    personalMessageLabel_ = makeLabel(Rect(10, below + 4, width - 20, 18), 13, true);
    personalMessageLabel_->setText("Personal Message:");
    userMessageTextField_ = QVSendChallengeHeaderController::messageField(Rect(10, below + 24, width - 20, 31));
    actionButton_ = QVDefaultButton::greenButton(Rect(10, below + 64, width - 20, 40));
    actionButton_->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVCompletedChallengeHeaderController, onActionButtonPressed)), TouchUpInside);
    layout::addSubviews(root, { challengeDescriptionContainer_.get(), personalMessageLabel_.get(),
                                userMessageTextField_.get(), actionButton_.get() });
    setView(root.get());
}

void QVCompletedChallengeHeaderController::setChallenge(QVChallengeToUser* record)
{
    (void)view();
    challengeDescriptionContainer_->setChallengeToUser(record);
    QVChallengeDefinition* definition = definitionOf(record);
    if (!definition || !definition->multiAttempt()) {
        actionButton_->setTitleForAllStates("OK");
        action_ = BRISKO_SELECTOR(QVCompletedChallengeHeaderController, cancel);
        target_ = this;
    } else if (record && record->result() == QVChallengeService::kWon) {
        actionButton_->setTitleForAllStates("Send Result As Challenge");
        action_ = BRISKO_SELECTOR(QVSendChallengeController, submitChallengeBack);
        target_ = sendChallengeController_.get();
        // The challenger's row may not have arrived yet: the send screen picks it then.
        if (QVSendChallengeController* owner = sendChallengeController_.get(); owner && record->challenge())
            owner->preselectUser(record->challenge()->challenger());
        userMessageTextField_->setCloseKeyboardOnReturn(true);
        userMessageTextField_->setManageScrollViewOnFocus(true);
        return;
    } else {
        actionButton_->setTitleForAllStates("Try Again");
        action_ = BRISKO_SELECTOR(QVCompletedChallengeHeaderController, tryAgainPressed);
        target_ = this;
    }
    personalMessageLabel_->setHidden(true);
    userMessageTextField_->setHidden(true);
    View* bubble = challengeDescriptionContainer_->speechBubble();
    const float bubbleBottom = bubble->convertPointTo(platform::Point(0, bubble->frame().size.height), view()).y;
    Rect f = actionButton_->frame();
    f.origin.y = bubbleBottom + 20;
    actionButton_->setFrame(f);
}

void QVCompletedChallengeHeaderController::onActionButtonPressed()
{
    if (auto target = target_.lock(); target && action_)
        action_.invoke(target.get());
}

bool QVCompletedChallengeHeaderController::canReceiveCallbacksNow()
{
    QVSendChallengeController* owner = sendChallengeController_.get();
    return owner ? QVHostTakesCallbacks(owner) : !sendChallengeController_.targetDestroyed();
}

void QVCompletedChallengeHeaderController::tryAgainPressed()
{
    Ref<QVCompletedChallengeHeaderController> keep(this);
    if (QVChallengeScreens::tellGame(Message::UserRestartedChallenge,
                                     [](QVChallengeDelegate& game) { game.userRestartedChallenge(); }))
        cancel();
}

void QVCompletedChallengeHeaderController::cancel() { closeDashboardTelling(Message::CompletedChallengeScreenClosed); }

void QVCompletedChallengeHeaderController::addCloseButtonCallingCancel()
{
    QVNavigationController::addCloseButtonToViewController(this, this,
                                                           BRISKO_SELECTOR(QVCompletedChallengeHeaderController, cancel));
}

void QVCompletedChallengeHeaderController::resizeView(View*)
{
    (void)view(); // the outlets exist once the view is loaded
    Rect f = view()->frame();
    f.size.height = maxY(actionButton_.get()) + 10;
    view()->setFrame(f);
    view()->layoutSubviews();
}

} // namespace quorvel
