// The send screen's header: the challenge, its message, and Send.
#include "social/dashboard/challenges/QVSendChallengeHeaderController.h"

#include "social/dashboard/challenges/QVChallengeScreens.h"
#include "social/dashboard/challenges/QVSendChallengeController.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/ui/QVRowLayout.h"

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

// ---------------------------------------------------------------------------
// Send header

Ref<QVDefaultTextField> QVSendChallengeHeaderController::messageField(const Rect& frame)
{
    Ref<QVDefaultTextField> field = QVDefaultTextField::fieldWithFrame(frame);
    field->setPlaceholder(kMessagePlaceholder);
    return field;
}

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
    Ref<QVSendChallengeHeaderController> keep(this);
    if (QVChallengeScreens::tellGame(Message::CreateStrongerChallenge,
                                     [](QVChallengeDelegate& game) { game.createStrongerChallenge(); }))
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

} // namespace quorvel
