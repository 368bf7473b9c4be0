// QVChallengeDetailHeaderController ("ChallengeDetailHeader"): the top of a
// challenge's screen: the challenge in a speech bubble and the start button
// when the player may play it.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/Button.h"
#include "social/dashboard/challenges/QVChallengeDetailController.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVTableControllerHelper.h"

namespace quorvel {

class QVChallengeDetailHeaderController : public platform::ui::ViewController,
                                          public QVTableControllerHeader,
                                          public QVCallbackable {
    QV_DECLARE_CLASS(QVChallengeDetailHeaderController)
public:
    // The start button's width where it stands beside the challenge's name (a phone on its side).
    static constexpr float kBesideWidth = 170;

    platform::ui::Button* startChallengeButton() const { return startChallengeButton_.get(); }
    QVChallengeDetailFrame* challengeDescriptionContainer() const { return challengeDescriptionContainer_.get(); }
    // The detail screen this header works for, while it exists.
    QVChallengeDetailController* challengeDetailController() const { return challengeDetailController_.get(); }
    void setChallengeDetailController(QVChallengeDetailController* c) { challengeDetailController_ = c; }

    void loadView() override;
    void viewDidLoad() override;
    void setChallengeToUser(QVChallengeToUser* record);
    void resizeView(platform::ui::View* tableView) override;
    // As its detail screen answers.
    bool canReceiveCallbacksNow() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVChallengeDetailHeaderController() = default;

private:
    float contentBottom();

    platform::Ref<platform::ui::Button> startChallengeButton_;
    platform::Ref<QVChallengeDetailFrame> challengeDescriptionContainer_;
    platform::WeakLink<QVChallengeDetailController> challengeDetailController_;
};

} // namespace quorvel
