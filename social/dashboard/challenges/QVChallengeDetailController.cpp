// The challenge detail: its recipients, the header with the bubble and the
// start button, and the start with its one-shot warning and data download.
#include "social/dashboard/challenges/QVChallengeDetailController.h"

#include "platform/foundation/Boxed.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/challenges/QVChallengeDetailHeaderController.h"
#include "social/dashboard/challenges/QVChallengeScreens.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVImageCache.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVUser.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using layout::addSubviews;
using layout::makeLabel;
using layout::maxY;
using layout::rowWidth;
using layout::withTag;
using QVChallengeScreens::definitionOf;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVChallengeDetailController);
QV_REGISTER_CLASS(QVChallengeDetailCell);

namespace {

Ref<ImageAsset> resultIconImage(int result)
{
    std::optional<std::string> name = QVChallengeToUser::getChallengeResultIconName(result);
    return name ? QVLoadKitImage(*name) : nullptr;
}

} // namespace

// ---------------------------------------------------------------------------
// Screen

QVChallengeDetailController::~QVChallengeDetailController()
{
    if (oneShotAlertView_)
        oneShotAlertView_->setDelegate(nullptr);
}

void QVChallengeDetailController::setUserChallenge(QVChallengeToUser* record)
{
    userChallenge_ = Ref<QVChallengeToUser>(record);
}

void QVChallengeDetailController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVChallengeToUser>("ChallengeDetail");
}

QVService* QVChallengeDetailController::getService() { return QVChallengeService::sharedService(); }

void QVChallengeDetailController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVChallengeDetailController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                        const QVDelegate& onFailure)
{
    QVChallengeService::getUsersWhoReceivedChallengeWithId(
        challengeId_, clientApplicationId_.empty() ? std::nullopt : std::optional<std::string>(clientApplicationId_),
        static_cast<int>(page), onSuccess, onFailure);
}

void QVChallengeDetailController::onResourcesDownloaded(QVPaginatedSeries* series)
{
    // The player's own record comes as meta-data; otherwise it is the one whose recipient is the
    // player (a challenge sent to several lists them all), and for one the player sent, the first.
    auto meta = getMetaDataOfType<QVChallengeToUser>();
    if (!meta.empty()) {
        userChallenge_ = meta.front();
        return;
    }
    if (!series)
        return;
    QVChallengeToUser* first = nullptr;
    for (const auto& o : series->objects())
        if (auto* record = dynamic_cast<QVChallengeToUser*>(o.get())) {
            if (record->recipient() && record->recipient()->isLocalUser()) {
                userChallenge_ = Ref<QVChallengeToUser>(record);
                return;
            }
            if (!first)
                first = record;
        }
    // A later page without the player's record leaves the one already found.
    const bool ownKept = userChallenge_ && userChallenge_->recipient() && userChallenge_->recipient()->isLocalUser();
    if (first && !ownKept)
        userChallenge_ = Ref<QVChallengeToUser>(first);
}

void QVChallengeDetailController::onSectionsCreated(const std::optional<Sections>& sections)
{
    if (sections && sections->size() == 1)
        sections->front()->setTitle("People Who Received This Challenge");
}

void QVChallengeDetailController::onTableHeaderCreated(ViewController* header)
{
    if (auto* detailHeader = dynamic_cast<QVChallengeDetailHeaderController*>(header))
        detailHeader->setChallengeDetailController(this);
}

void QVChallengeDetailController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    setTitle("Challenge");
}

std::string QVChallengeDetailController::getNoDataFoundMessage()
{
    return "You have not received any challenges yet. You can send challenges to your friends from within "
        + QuorvelInternal::sessionRole().applicationDisplayName() + ".";
}

void QVChallengeDetailController::onCellWasClicked(Object* resource, IndexPath)
{
    if (auto* record = dynamic_cast<QVChallengeToUser*>(resource))
        QVDashboardSwitch::showProfileForUser(record->recipient());
}

bool QVChallengeDetailController::usesChallengeData() const
{
    QVChallenge* challenge = userChallenge_ ? userChallenge_->challenge() : nullptr;
    return challenge && !challenge->challengeDataUrl().empty() && challenge->challengeDataUrl() != kEmptyData;
}

void QVChallengeDetailController::acceptChallenge(Object*)
{
    if (!userChallenge_)
        return;
    showLoadingScreen();
    challengeData_.reset();
    QVChallengeDefinition* definition = definitionOf(userChallenge_.get());
    if (definition && !definition->multiAttempt()) {
        if (oneShotAlertView_)
            oneShotAlertView_->setDelegate(nullptr);
        oneShotAlertView_ = AlertView::alert("One Shot Challenge", "You only have one attempt to beat this challenge!",
                                             this, "OK");
        oneShotAlertView_->show();
    }
    if (usesChallengeData()) {
        QVChallengeService::downloadChallengeData(
            userChallenge_->challenge()->challengeDataUrl(),
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVChallengeDetailController, _challengeDataDownloaded))),
            QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVChallengeDetailController, _challengeDataDownloadFailed))));
    } else if (!oneShotAlertView_) {
        startChallenge();
    }
}

void QVChallengeDetailController::_challengeDataDownloaded(Object* data)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(data);
    challengeData_ = boxed && boxed->value().isData() ? boxed->value().data() : platform::Bytes();
    if (!oneShotAlertView_)
        startChallenge();
}

void QVChallengeDetailController::_challengeDataDownloadFailed(Object*)
{
    hideLoadingScreen();
    AlertView::alert("Error downloading data", "Please try again.", nullptr, "OK")->show();
}

void QVChallengeDetailController::alertViewWillDismissWithButtonIndex(AlertView* alert, int)
{
    if (alert != oneShotAlertView_.get())
        return;
    oneShotAlertView_->setDelegate(nullptr);
    oneShotAlertView_ = nullptr;
    if (!usesChallengeData() || challengeData_)
        startChallenge();
}

void QVChallengeDetailController::startChallenge()
{
    using Message = QVChallengeDelegate::Message;
    Ref<QVChallengeDetailController> keep(this); // the game may close the dashboard, and this screen with it
    hideLoadingScreen();
    if (QVChallengeScreens::delegateRespondingTo(Message::UserLaunchedChallenge)) {
        Ref<QVChallengeToUser> record = userChallenge_;
        std::optional<platform::Bytes> data = std::move(challengeData_);
        QVChallengeScreens::dismissDashboard();
        if (!QVChallengeScreens::tellGame(Message::UserLaunchedChallenge, [&](QVChallengeDelegate& game) {
                game.userLaunchedChallenge(record.get(), data);
            }))
            return;
    }
    challengeData_.reset();
}

bool QVChallengeDetailController::performSetter(const std::string& setterName, Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    if (setterName == "setChallengeId") {
        challengeId_ = boxed ? boxed->value().asString() : std::string();
        return true;
    }
    if (setterName == "setClientApplicationId") {
        clientApplicationId_ = boxed ? boxed->value().asString() : std::string();
        return true;
    }
    if (setterName == "setList") {
        list_ = boxed ? static_cast<int>(boxed->value().asInteger()) : 0;
        return true;
    }
    if (setterName == "setChallengeCompleted") {
        challengeCompleted_ = boxed && boxed->value().asBool();
        return true;
    }
    return QVTableSequenceControllerHelper::performSetter(setterName, value);
}

// ---------------------------------------------------------------------------
// Bubble

Ref<QVChallengeDetailFrame> QVChallengeDetailFrame::frameWithWidth(float width)
{
    Ref<QVChallengeDetailFrame> frame = platform::dynamicRef<QVChallengeDetailFrame>(qvCreateInstance());
    frame->initWithFrame(Rect(0, 0, width, 180));
    frame->build(width);
    frame->awakeFromNib();
    return frame;
}

void QVChallengeDetailFrame::build(float width)
{
    const Rect icon(10, 10, 48, 48);
    const float text = layout::besidePicture(icon); // clear of the icon's frame
    challengeIconPictureView_ = QVImageView::imageViewWithFrame(icon);
    titleLabel_ = makeLabel(Rect(text, 10, width - 10 - text, 20), 16, true);
    descriptionLabel_ = makeLabel(Rect(text, 32, width - 10 - text, 32), 13, false);
    descriptionLabel_->setNumberOfLines(2);
    resultIcon_ = ImageView::imageViewWithFrame(Rect(10, 70, 20, 20));
    resultLabel_ = makeLabel(Rect(36, 70, width - 46, 20), 13, true);
    // The challenger's message in a bubble whose arrow points at their picture, clear of its frame.
    speechBubble_ = ImageView::imageViewWithImage(QVLoadKitImage("QVChallengeSpeechBubble.png").get());
    speechBubble_->setFrame(Rect(10, 96, width - 87, 56));
    speechBubbleArrow_ = ImageView::imageViewWithImage(QVLoadKitImage("QVChallengeSpeechBubbleArrow.png").get());
    speechBubbleArrow_->setFrame(Rect(width - 78, 116, 10, 16));
    frameArrow_ = ImageView::imageViewWithFrame(Rect(20, 0, 16, 10));
    challengerUserMessageLabel_ = makeLabel(Rect(20, 100, width - 107, 32), 13, false);
    challengerUserMessageLabel_->setNumberOfLines(2);
    challengerNameLabel_ = makeLabel(Rect(20, 132, width - 107, 16), 11, true);
    challengerProfilePictureView_ = QVImageView::imageViewWithFrame(Rect(width - 58, 100, 48, 48));
    // The challenge's texts stand on the list's dark background: white.
    for (Label* l : { titleLabel_.get(), descriptionLabel_.get(), resultLabel_.get() })
        l->setTextColor(Color::whiteColor());
    for (View* v : std::initializer_list<View*> { challengeIconPictureView_.get(), titleLabel_.get(), descriptionLabel_.get(),
                                                  resultIcon_.get(), resultLabel_.get(), speechBubble_.get(),
                                                  speechBubbleArrow_.get(), frameArrow_.get(),
                                                  challengerUserMessageLabel_.get(), challengerNameLabel_.get(),
                                                  challengerProfilePictureView_.get() })
        addSubview(v);
    // Built at the dashboard's width, shown at the list's (narrower, inside the frame): texts and the
    // bubble take the width, the challenger's picture and the bubble's arrow keep to the right edge.
    for (View* v : std::initializer_list<View*> { titleLabel_.get(), descriptionLabel_.get(), resultLabel_.get(),
                                                  speechBubble_.get(), challengerUserMessageLabel_.get(),
                                                  challengerNameLabel_.get() })
        v->setAutoresizingMask(FlexibleWidth);
    speechBubbleArrow_->setAutoresizingMask(FlexibleLeftMargin);
    challengerProfilePictureView_->setAutoresizingMask(FlexibleLeftMargin);
    setAutoresizingMask(FlexibleWidth);
}

void QVChallengeDetailFrame::awakeFromNib()
{
    View::awakeFromNib();
    if (speechBubble_ && speechBubble_->image())
        speechBubble_->setImage(speechBubble_->image()->stretchableImage(8, 16).get());
    if (speechBubbleArrow_)
        speechBubbleArrow_->setTransform(platform::AffineTransform(-1, 0, 0, -1, 0, 0));
    if (hasChallengeToUserBeenSet_)
        return;
    for (Label* l : { descriptionLabel_.get(), resultLabel_.get(), titleLabel_.get(), challengerUserMessageLabel_.get() })
        if (l)
            l->setText("");
    if (challengerNameLabel_)
        challengerNameLabel_->setText("From ");
}

void QVChallengeDetailFrame::setChallengeToUser(QVChallengeToUser* record)
{
    hasChallengeToUserBeenSet_ = true;
    if (!record)
        return;
    QVChallenge* challenge = record->challenge();
    QVChallengeDefinition* definition = definitionOf(record);
    challengeIconPictureView_->setDefaultImage(QVImageLoader::loadImage("QVDefaultChallengeIcon.png").get());
    challengeIconPictureView_->setImageUrl(definition && !definition->iconUrl().empty()
                                               ? std::optional<std::string>(definition->iconUrl())
                                               : std::nullopt);
    titleLabel_->setText(definition ? definition->title() : std::string());
    descriptionLabel_->setText(challenge ? challenge->challengeDescription() : std::string());
    resultLabel_->setText(record->formattedResultDescription().value_or(std::string()));
    resultLabel_->setHidden(false);
    resultIcon_->setImage(resultIconImage(record->result()).get());
    resultIcon_->setHidden(false);
    QVUser* challenger = challenge ? challenge->challenger() : nullptr;
    challengerNameLabel_->setText(challenger ? challenger->name() : std::string());
    challengerUserMessageLabel_->setText(challenge ? challenge->userMessage() : std::string());
    challengerProfilePictureView_->useProfilePictureFromUser(challenger);
}

// ---------------------------------------------------------------------------
// Header

// ---------------------------------------------------------------------------
// Recipient row

bool QVChallengeDetailCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    const float width = rowWidth();
    setFrame(Rect(0, 0, width, 56));
    const Rect face(8, 6, 44, 44);
    const float text = layout::besidePicture(face); // clear of the picture's frame
    Ref<QVImageView> picture = withTag(QVImageView::imageViewWithFrame(face), kPicture);
    Ref<Label> nameLabel = withTag(makeLabel(Rect(text, 6, width - 70 - text, 20), 15, true), kName);
    Ref<Label> result = withTag(makeLabel(Rect(text, 28, width - 40 - text, 18), 12, false), kResult);
    Ref<ImageView> icon = withTag(ImageView::imageViewWithFrame(Rect(width - 34, 16, 24, 24)), kResultIcon);
    Ref<Label> attempts = withTag(makeLabel(Rect(width - 110, 6, 70, 18), 11, false), kAttempts);
    attempts->setTextAlignment(platform::TextAlignment::Right);
    // The result icon and the attempts keep to the right edge of the row the list gives.
    nameLabel->setAutoresizingMask(FlexibleWidth);
    result->setAutoresizingMask(FlexibleWidth);
    icon->setAutoresizingMask(FlexibleLeftMargin);
    attempts->setAutoresizingMask(FlexibleLeftMargin);
    addSubviews(contentView(), { picture.get(), nameLabel.get(), result.get(), icon.get(), attempts.get() });
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVChallengeDetailCell::showResource(QVChallengeToUser* record)
{
    QVUser* recipient = record->recipient();
    if (auto* nameLabel = dynamic_cast<Label*>(viewWithTag(kName)))
        nameLabel->setText(recipient ? recipient->name() : std::string());
    if (auto* picture = dynamic_cast<QVImageView*>(viewWithTag(kPicture)))
        picture->useProfilePictureFromUser(recipient);
    if (auto* result = dynamic_cast<Label*>(viewWithTag(kResult)))
        result->setText(record->isCompleted() ? record->formattedResultDescription().value_or(std::string())
                                              : std::string("Challenge not completed yet."));
    if (auto* attempts = dynamic_cast<Label*>(viewWithTag(kAttempts))) {
        QVChallengeDefinition* definition = definitionOf(record);
        const bool show = definition && definition->multiAttempt() && record->attempts() != 0;
        attempts->setHidden(!show);
        if (show)
            attempts->setText(std::to_string(record->attempts()) + " " + (record->attempts() < 2 ? "try" : "tries"));
    }
    if (auto* icon = dynamic_cast<ImageView*>(viewWithTag(kResultIcon))) {
        icon->setHidden(!record->isCompleted());
        if (record->isCompleted())
            icon->setImage(resultIconImage(record->result()).get());
    }
}

} // namespace quorvel
