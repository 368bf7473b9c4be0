// The send screen's header (the challenge, a message and Send) and the
// result header (the result, and sending it back as a challenge).
#include "social/dashboard/challenges/QVSendChallengeController.h"

#include "platform/ui/AlertView.h"
#include "social/dashboard/challenges/QVChallengeScreens.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/runtime/QVImageCache.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVNavigationController.h"

namespace quorvel {

using namespace platform::ui;
using layout::makeLabel;
using layout::maxY;
using layout::rowWidth;
using common::showAlert;
using platform::Object;
using platform::Rect;
using platform::Ref;
using Message = QVChallengeDelegate::Message;
using QVChallengeScreens::closeDashboardTelling;
using QVChallengeScreens::definitionOf;

QV_REGISTER_CLASS(QVSendChallengeHeaderController);
QV_REGISTER_CLASS(QVCompletedChallengeHeaderController);

namespace {

Ref<QVDefaultTextField> messageField(const Rect& frame)
{
    Ref<QVDefaultTextField> field = QVDefaultTextField::fieldWithFrame(frame);
    field->setPlaceholder(QVSendChallengeHeaderController::kMessagePlaceholder);
    return field;
}

} // namespace

// ---------------------------------------------------------------------------
// Send header

void QVSendChallengeHeaderController::loadView()
{
    const float width = rowWidth();
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, 220));
    descriptionContainer_ = View::viewWithFrame(Rect(0, 0, width, 72));
    challengeIconImageView_ = QVImageView::imageViewWithFrame(Rect(10, 10, 48, 48));
    titleLabel_ = makeLabel(Rect(66, 10, width - 76, 20), 16, true);
    descriptionLabel_ = makeLabel(Rect(66, 32, width - 76, 34), 13, false);
    descriptionLabel_->setNumberOfLines(2);
    layout::addSubviews(descriptionContainer_, { challengeIconImageView_.get(), titleLabel_.get(),
                                                 descriptionLabel_.get() });
    Ref<QVDefaultButton> send = QVDefaultButton::greenButton(Rect(10, 80, width - 20, 40));
    userMessageTextField_ = messageField(Rect(10, 128, width - 20, 31));
    send->setTitleForAllStates("Send Challenge");
    sendChallengeButton_ = send;
    Ref<QVDefaultButton> stronger = QVDefaultButton::greenButton(Rect(10, 168, width - 20, 40));
    stronger->setTitleForAllStates("Create Stronger Challenge");
    stronger->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVSendChallengeHeaderController, createStrongerChallenge)), TouchUpInside);
    tryAgainButton_ = stronger;
    layout::addSubviews(root, { descriptionContainer_.get(), userMessageTextField_.get(), sendChallengeButton_.get(),
                                tryAgainButton_.get() });
    setView(root.get());
    awakeFromNib();
}

void QVSendChallengeHeaderController::awakeFromNib()
{
    if (finishedDownloadingChallenge_)
        return;
    titleLabel_->setText("Loading...");
    descriptionLabel_->setText("");
}

void QVSendChallengeHeaderController::viewDidLoad()
{
    ViewController::viewDidLoad();
    QVSendChallengeController* owner = sendChallengeController_.get();
    selfRetainer_ = Ref<Object>(this);
    parentRetainer_ = Ref<Object>(owner);
    if (owner)
        sendChallengeButton_->addTarget(owner,
                                        Control::PlainAction(BRISKO_SELECTOR(QVSendChallengeController, submitChallenge)),
                                        TouchUpInside);
    QVChallengeDefinitionService::getChallengeDefinitionWithId(
        owner ? owner->challengeDefinitionId() : std::string(),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSendChallengeHeaderController, _newChallengeDefinitionDownloaded))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSendChallengeHeaderController, _challengeDefinitionDownloadFailed))));
    userMessageTextField_->setCloseKeyboardOnReturn(true);
    userMessageTextField_->setManageScrollViewOnFocus(true);
    view()->setAutoresizingMask(0);
    tryAgainButton_->setHidden(!allowCreateStrongerChallenge());
}

void QVSendChallengeHeaderController::releaseRetainers()
{
    // The last reference may be ours: let go of the send screen first.
    parentRetainer_ = nullptr;
    Ref<Object> self = std::move(selfRetainer_);
}

void QVSendChallengeHeaderController::_newChallengeDefinitionDownloaded(Object* answer)
{
    QVChallengeDefinition* definition = nullptr;
    for (const auto& o : requireCast<QVPaginatedSeries>(answer, "A service's answer must carry a series")->objects())
        if ((definition = dynamic_cast<QVChallengeDefinition*>(o.get())))
            break;
    if (definition) {
        setChallenge(definition);
        releaseRetainers();
    } else {
        _challengeDefinitionDownloadFailed(nullptr);
    }
}

void QVSendChallengeHeaderController::_challengeDefinitionDownloadFailed(Object*)
{
    showAlert("Error Occurred", "Quorvel failed downloading data. Please check your connection and try again.", "OK");
    releaseRetainers();
}

void QVSendChallengeHeaderController::setChallenge(QVChallengeDefinition* definition)
{
    finishedDownloadingChallenge_ = true;
    challengeIconImageView_->setDefaultImage(QVImageLoader::loadImage("QVDefaultChallengeIcon.png").get());
    challengeIconImageView_->setImageUrl(definition && !definition->iconUrl().empty()
                                             ? std::optional<std::string>(definition->iconUrl())
                                             : std::nullopt);
    titleLabel_->setText(definition ? definition->title() : std::string());
    QVSendChallengeController* owner = sendChallengeController_.get();
    descriptionLabel_->setText(owner ? owner->challengeText() : std::string());
}

bool QVSendChallengeHeaderController::canReceiveCallbacksNow()
{
    QVSendChallengeController* owner = sendChallengeController_.get();
    return owner ? QVHostTakesCallbacks(owner) : !sendChallengeController_.targetDestroyed();
}

bool QVSendChallengeHeaderController::allowCreateStrongerChallenge()
{
    return QVChallengeScreens::delegateRespondingTo(Message::UserRestartedCreateChallenge) != nullptr;
}

void QVSendChallengeHeaderController::createStrongerChallenge()
{
    if (QVChallengeDelegate* d = QVChallengeScreens::delegateRespondingTo(Message::CreateStrongerChallenge))
        d->createStrongerChallenge();
    cancel();
}

void QVSendChallengeHeaderController::cancel() { closeDashboardTelling(Message::SendChallengeScreenClosed); }

void QVSendChallengeHeaderController::resizeView(View*)
{
    (void)view(); // the outlets exist once the view is loaded
    View* last = allowCreateStrongerChallenge() ? static_cast<View*>(tryAgainButton_.get()) : userMessageTextField_.get();
    Rect f = view()->frame();
    f.size.height = maxY(last) + 20;
    view()->setFrame(f);
    view()->layoutSubviews();
}

// ---------------------------------------------------------------------------
// Result header

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
    userMessageTextField_ = messageField(Rect(10, below + 24, width - 20, 31));
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
    if (QVChallengeDelegate* d = QVChallengeScreens::delegateRespondingTo(Message::UserRestartedChallenge))
        d->userRestartedChallenge();
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
