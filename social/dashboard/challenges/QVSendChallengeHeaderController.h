// QVSendChallengeHeaderController: the top of the send screen: the challenge,
// a message and "Send"; a stronger challenge can be made from it.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "social/dashboard/challenges/QVSendChallengeController.h"
#include "social/runtime/QVDelegate.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVTableControllerHelper.h"
#include "social/ui/QVTextControls.h"

namespace quorvel {

class QVChallengeDefinition;

class QVSendChallengeHeaderController : public platform::ui::ViewController,
                                        public QVTableControllerHeader,
                                        public QVCallbackable {
    QV_DECLARE_CLASS(QVSendChallengeHeaderController)
public:
    static constexpr const char* kMessagePlaceholder = "I challenge you!";
    // The message field of both challenge headers, with the placeholder.
    static platform::Ref<QVDefaultTextField> messageField(const platform::Rect& frame);

    bool finishedDownloadingChallenge() const { return finishedDownloadingChallenge_; }
    // The send screen this header works for, while it exists.
    QVSendChallengeController* sendChallengeController() const { return sendChallengeController_.get(); }
    void setSendChallengeController(QVSendChallengeController* c) { sendChallengeController_ = c; }
    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::Label* descriptionLabel() const { return descriptionLabel_.get(); }
    platform::ui::Button* sendChallengeButton() const { return sendChallengeButton_.get(); }
    platform::ui::Button* tryAgainButton() const { return tryAgainButton_.get(); }
    QVImageView* challengeIconImageView() const { return challengeIconImageView_.get(); }
    QVDefaultTextField* userMessageTextField() const { return userMessageTextField_.get(); }

    void loadView() override;
    void viewDidLoad() override;
    void awakeFromNib() override;
    void setChallenge(QVChallengeDefinition* definition);
    void _newChallengeDefinitionDownloaded(platform::Object* series);
    void _challengeDefinitionDownloadFailed(platform::Object*);
    bool allowCreateStrongerChallenge();
    void createStrongerChallenge();
    void cancel();
    void resizeView(platform::ui::View* tableView) override;
    // As its send screen answers.
    bool canReceiveCallbacksNow() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSendChallengeHeaderController() = default;

private:
    void releaseRetainers();

    bool finishedDownloadingChallenge_ { false };
    platform::WeakLink<QVSendChallengeController> sendChallengeController_;
    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::Label> descriptionLabel_;
    platform::Ref<platform::ui::Button> sendChallengeButton_;
    platform::Ref<platform::ui::Button> tryAgainButton_;
    platform::Ref<QVImageView> challengeIconImageView_;
    platform::Ref<platform::ui::View> descriptionContainer_;
    platform::Ref<QVDefaultTextField> userMessageTextField_;
    // Held while the definition downloads.
    platform::Ref<platform::Object> selfRetainer_;
    platform::Ref<platform::Object> parentRetainer_;
};

} // namespace quorvel
