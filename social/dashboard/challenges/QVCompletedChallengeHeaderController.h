// QVCompletedChallengeHeaderController: the top of the challenge result
// screen: the result, and "Send Result As Challenge"; shown alone with "Try
// Again" or "OK" when the result cannot be sent back.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/dashboard/challenges/QVChallengeDetailController.h"
#include "social/dashboard/challenges/QVSendChallengeController.h"
#include "social/services/QVChallengeService.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVTableControllerHelper.h"
#include "social/ui/QVTextControls.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVChallengeToUser;

class QVCompletedChallengeHeaderController : public QVViewController,
                                             public QVTableControllerHeader,
                                             public QVChallengeScreenController,
                                             public QVSelfClosingChallengeScreen {
    QV_DECLARE_CLASS(QVCompletedChallengeHeaderController)
public:
    // The send screen in result mode, while it exists; null when shown alone.
    QVSendChallengeController* sendChallengeController() const { return sendChallengeController_.get(); }
    void setSendChallengeController(QVSendChallengeController* c) { sendChallengeController_ = c; }
    QVChallengeDetailFrame* challengeDescriptionContainer() const { return challengeDescriptionContainer_.get(); }
    QVDefaultButton* actionButton() const { return actionButton_.get(); }
    QVDefaultTextField* userMessageTextField() const { return userMessageTextField_.get(); }
    platform::ui::Label* personalMessageLabel() const { return personalMessageLabel_.get(); }

    void setChallengeScreen(const QVChallengeScreen& screen) override;
    void loadView() override;
    void setChallenge(QVChallengeToUser* record);
    void onActionButtonPressed();
    void tryAgainPressed();
    void cancel();
    void addCloseButtonCallingCancel() override;
    void resizeView(platform::ui::View* tableView) override;
    // As its send screen answers; shown alone, always.
    bool canReceiveCallbacksNow() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVCompletedChallengeHeaderController() = default;

private:
    platform::WeakLink<QVSendChallengeController> sendChallengeController_;
    platform::Ref<QVChallengeDetailFrame> challengeDescriptionContainer_;
    platform::Ref<QVDefaultButton> actionButton_;
    platform::Ref<QVDefaultTextField> userMessageTextField_;
    platform::Ref<platform::ui::Label> personalMessageLabel_;
    platform::Selector<> action_;
    platform::WeakLink<platform::Object> target_; // this header or its send screen
};

} // namespace quorvel
