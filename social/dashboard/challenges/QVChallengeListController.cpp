// The challenge lists: their requests by mode, the tabs, texts and taps, and
// the three kinds of row.
#include "social/dashboard/challenges/QVChallengeListController.h"
#include "social/dashboard/challenges/QVChallengeDetailController.h"
#include "social/services/QVGameProfilePageInfo.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVTabbedPageHeaderController.h"
#include "social/ui/QVRowLayout.h"

#include <cmath>

namespace quorvel {

using namespace platform::ui;
using layout::addSubviews;
using layout::makeLabel;
using layout::rowWidth;
using layout::withTag;
using platform::Object;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVChallengeListController);
QV_REGISTER_CLASS(QVChallengeToUserCell);
QV_REGISTER_CLASS(QVChallengeSentCell);
QV_REGISTER_CLASS(QVChallengeDefinitionStatsCell);

namespace {

bool isCurrentGame(const std::string& clientApplicationId)
{
    return clientApplicationId == QuorvelInternal::sessionRole().clientApplicationId();
}

template <typename T>
T* tagged(View* root, int tag)
{
    return root ? dynamic_cast<T*>(root->viewWithTag(tag)) : nullptr;
}

void setLabel(View* root, int tag, const std::string& text)
{
    if (auto* label = tagged<Label>(root, tag))
        label->setText(text);
}

// The types' section header: a dark strip with its title in the label tagged 1.
std::vector<Ref<Object>> buildSectionHeader(InterfaceBuilder& b)
{
    const float width = rowWidth();
    auto strip = b.makeView<View>(Rect(0, 0, width, 24));
    strip->setBackgroundColor(Color::rgb(0.18f, 0.3f, 0.2f));
    strip->setAutoresizingMask(FlexibleWidth);
    auto label = b.makeView<Label>(Rect(10, 2, width - 20, 20));
    label->setTag(1);
    label->setFont(platform::Font::boldSystemFont(15).get());
    label->setTextColor(Color::whiteColor());
    label->setBackgroundColor(std::nullopt);
    strip->addSubview(label.get());
    return { strip };
}

[[maybe_unused]] const bool sectionHeaderRegistered = [] {
    InterfaceRegistry::shared().registerLayout("ChallengeListSectionHeaderViewQv", buildSectionHeader);
    return true;
}();

} // namespace

// ---------------------------------------------------------------------------
// List

// A list the game opens directly still names itself in the bar (and in the back button of what it opens).
void QVChallengeListController::viewDidLoad()
{
    QVTableSequenceControllerHelper::viewDidLoad();
    if (title().empty())
        setTitle("Challenges");
}

void QVChallengeListController::setChallengeDefinitionStats(QVChallengeDefinitionStats* stats)
{
    challengeDefinitionStats_ = Ref<QVChallengeDefinitionStats>(stats);
}

std::string QVChallengeListController::comparedUserId() const
{
    auto* user = dynamic_cast<QVUser*>(getPageComparisonUser());
    return user ? user->resourceId() : std::string();
}

std::optional<std::string> QVChallengeListController::applicationIdOrNil() const
{
    return clientApplicationId_.empty() ? std::nullopt : std::optional<std::string>(clientApplicationId_);
}

void QVChallengeListController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVChallengeToUser>("ChallengeToUser");
    map.addResource<QVChallenge>("ChallengeSent");
    map.addResource<QVChallengeDefinitionStats>("ChallengeDefinitionStats");
}

QVService* QVChallengeListController::getService() { return QVChallengeService::sharedService(); }

void QVChallengeListController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVChallengeListController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                      const QVDelegate& onFailure)
{
    const int p = static_cast<int>(page);
    const std::string compared = comparedUserId();
    switch (listType_) {
    case kPending:
        QVChallengeService::getPendingChallengesForLocalUserAndApplication(clientApplicationId_, p, compared, onSuccess,
                                                                           onFailure);
        break;
    case kTypesWithStatistics:
        QVChallengeDefinitionService::getChallengeDefinitionStatsForLocalUser(p, applicationIdOrNil(), compared,
                                                                              onSuccess, onFailure);
        break;
    case kHistory:
        QVChallengeService::getChallengeHistoryForType(
            challengeDefinitionStats_ && challengeDefinitionStats_->challengeDefinition()
                ? challengeDefinitionStats_->challengeDefinition()->resourceId()
                : std::string(),
            applicationIdOrNil(), p, compared, onSuccess, onFailure);
        break;
    default:
        break;
    }
}

std::optional<std::string> QVChallengeListController::getTableHeaderControllerName()
{
    if (listType_ == kHistory)
        return std::nullopt;
    return std::string("TabbedPageHeader");
}

void QVChallengeListController::onTableHeaderCreated(ViewController* header)
{
    auto* tabs = dynamic_cast<QVTabbedPageHeaderController*>(header);
    if (!tabs)
        return;
    tabs->setCallbackTarget(this);
    tabs->addTab("Pending", QVTabbedPageHeaderController::TabCallback(BRISKO_SELECTOR(QVChallengeListController, onPendingSelected)));
    tabs->addTab("History", QVTabbedPageHeaderController::TabCallback(BRISKO_SELECTOR(QVChallengeListController, onHistorySelected)));
}

void QVChallengeListController::onPendingSelected()
{
    listType_ = kPending;
    reloadDataFromServer();
}

// The "History" tab lists the challenge types; a type's history opens from its row.
void QVChallengeListController::onHistorySelected()
{
    listType_ = kTypesWithStatistics;
    reloadDataFromServer();
}

void QVChallengeListController::onSectionsCreated(const std::optional<Sections>& sections)
{
    if (!sections || sections->size() != 1)
        return;
    switch (listType_) {
    case kPending:
        sections->front()->setTitle("Pending Challenges");
        break;
    case kTypesWithStatistics:
        sections->front()->setTitle("Challenge Types");
        break;
    case kHistory:
        sections->front()->setTitle("Challenge History");
        break;
    default:
        break;
    }
}

Ref<View> QVChallengeListController::createPlainTableSectionHeader(int section)
{
    if (listType_ != kTypesWithStatistics)
        return QVTableSequenceControllerHelper::createPlainTableSectionHeader(section);
    Ref<View> header = QVControllerLoader::loadView("ChallengeListSectionHeaderView");
    if (!header)
        return nullptr;
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    if (auto* label = dynamic_cast<Label*>(header->viewWithTag(1)))
        label->setText(s ? s->title() : std::string());
    return header;
}

std::string QVChallengeListController::getNoDataFoundMessage()
{
    const std::string game = QuorvelInternal::sessionRole().applicationDisplayName();
    if (auto* user = dynamic_cast<QVUser*>(getPageComparisonUser())) {
        if (listType_ == kPending)
            return "There are no pending challenges between you and " + user->name() + ".";
        if (listType_ == kHistory)
            return "There have not been any challenges between you and " + user->name() + ".";
        return "There are no available challenge types for " + game + " at this moment.";
    }
    if (!clientApplicationId_.empty() && !isCurrentGame(clientApplicationId_)) {
        if (listType_ == kPending)
            return "You have no pending challenges for this game.";
        return "You have not sent or received any challenges of this type.";
    }
    return "You don't have any pending challenges for " + game + ".";
}

void QVChallengeListController::onCellWasClicked(Object* resource, IndexPath)
{
    NavigationController* nav = navigationController();
    if (!nav)
        return;
    // "ChallengeDetail" of one challenge of this list.
    auto push = [&](const std::string& challengeId, bool completed) {
        Ref<ViewController> screen = QVControllerLoader::load("ChallengeDetail");
        if (!screen)
            return;
        auto* detail = requireCast<QVChallengeDetailController>(screen, "The challenge detail must take its challenge");
        detail->setClientApplicationId(clientApplicationId_);
        detail->setChallengeId(challengeId);
        detail->setList(listType_);
        detail->setChallengeCompleted(completed);
        nav->pushViewController(screen.get(), true);
    };

    if (listType_ == kTypesWithStatistics) {
        if (auto* stats = dynamic_cast<QVChallengeDefinitionStats*>(resource)) {
            Ref<ViewController> screen = QVControllerLoader::load("ChallengeList");
            if (screen) {
                auto* list = requireCast<QVChallengeListController>(screen, "The challenge list must take its challenge type");
                list->setClientApplicationId(clientApplicationId_);
                list->setListType(kHistory);
                list->setChallengeDefinitionStats(stats);
                nav->pushViewController(list, true);
            }
        }
        return;
    }
    if (listType_ != kPending && listType_ != kHistory)
        return;
    if (auto* received = dynamic_cast<QVChallengeToUser*>(resource)) {
        push(received->challenge() ? received->challenge()->resourceId() : std::string(),
             listType_ == kHistory && received->isCompleted());
    } else if (auto* sent = dynamic_cast<QVChallenge*>(resource); sent && listType_ == kHistory) {
        push(sent->resourceId(), false);
    }
}

void QVChallengeListController::scopeToGame(QVGameProfilePageInfo* info)
{
    clientApplicationId_ = info ? info->resourceId() : std::string();
    listType_ = kPending;
}

bool QVChallengeListController::performSetter(const std::string& setterName, Object* value)
{
    auto* boxed = dynamic_cast<platform::Boxed*>(value);
    if (setterName == "setClientApplicationId") {
        clientApplicationId_ = boxed ? boxed->value().asString() : std::string();
        return true;
    }
    if (setterName == "setListType") {
        listType_ = boxed ? static_cast<int>(boxed->value().asInteger()) : kPending;
        return true;
    }
    if (setterName == "setChallengeDefinitionStats") {
        setChallengeDefinitionStats(dynamic_cast<QVChallengeDefinitionStats*>(value));
        return true;
    }
    return QVTableSequenceControllerHelper::performSetter(setterName, value);
}

// ---------------------------------------------------------------------------
// Rows

bool QVChallengeToUserCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    const float width = rowWidth();
    setFrame(Rect(0, 0, width, 64));
    // The picture's frame clear of the list's edge and the next row's; the texts start clear of it.
    const Rect frame = layout::pictureInRow(44, 64);
    const float text = layout::besidePicture(frame);
    Ref<QVImageView> picture = withTag(QVImageView::imageViewWithFrame(frame), kPicture);
    Ref<ImageView> mark = withTag(ImageView::imageViewWithFrame(Rect(frame.maxX() - 14, frame.maxY() - 14, 18, 18)), kSentMark);
    mark->setImage(QVLoadKitImage("QVChallengeSentIcon.png").get());
    Ref<Label> other = withTag(makeLabel(Rect(text, 4, width - 46 - text, 16), 12, false), kOtherPlayer);
    other->setTextColor(Color::rgb(0.4f, 0.4f, 0.4f));
    Ref<Label> title = withTag(makeLabel(Rect(text, 20, width - 46 - text, 20), 15, true), kTitle);
    Ref<Label> message = withTag(makeLabel(Rect(text, 40, width - 46 - text, 18), 13, false), kMessage);
    Ref<ImageView> status = withTag(ImageView::imageViewWithFrame(Rect(width - 40, 20, 24, 24)), kStatusIcon);
    addSubviews(contentView(), { picture.get(), mark.get(), other.get(), title.get(), message.get(), status.get() });
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVChallengeToUserCell::showResource(QVChallengeToUser* record)
{
    View* root = this;
    QVChallenge* challenge = record->challenge();
    QVChallengeDefinition* definition = challenge ? challenge->challengeDefinition() : nullptr;
    QVUser* challenger = challenge ? challenge->challenger() : nullptr;
    QVUser* recipient = record->recipient();
    auto* status = tagged<ImageView>(root, kStatusIcon);
    if (status)
        status->setHidden(true);
    const bool mine = challenger && challenger->isLocalUser();
    if (auto* mark = tagged<View>(root, kSentMark))
        mark->setHidden(!mine);

    if (record->isCompleted()) {
        // The result is the recipient's: the challenger sees it the other way round.
        int result = record->result();
        if (!(recipient && recipient->isLocalUser())) {
            if (result == QVChallengeService::kWon)
                result = QVChallengeService::kLost;
            else if (result == QVChallengeService::kLost)
                result = QVChallengeService::kWon;
        }
        if (status) {
            std::optional<std::string> icon = QVChallengeToUser::getChallengeResultIconName(result);
            status->setImage(icon ? QVLoadKitImage(*icon).get() : nullptr);
            status->setHidden(false);
        }
    } else if (!mine && !record->hasBeenViewed()) {
        if (status) {
            status->setImage(QVLoadKitImage("QVChallengeIconNew.png").get());
            status->setHidden(false);
        }
        // Each received challenge of this game lowers the unviewed count once.
        if (!record->hasDecrementedChallengeCount() && definition && isCurrentGame(definition->clientApplicationId())) {
            QuorvelInternal::options().setUnviewedChallengesCount(std::max(QuorvelInternal::options().unviewedChallengesCount() - 1, 0));
            record->setHasDecrementedChallengeCount(true);
        }
    }

    setLabel(root, kTitle, definition ? definition->title() : std::string());
    if (challenge)
        setLabel(root, kMessage, challenge->userMessage().empty() ? challenge->challengeDescription() : challenge->userMessage());
    QVUser* other = mine ? recipient : challenger;
    setLabel(root, kOtherPlayer, std::string(mine ? "To " : "From ") + (other ? other->name() : std::string()));
    if (auto* picture = tagged<QVImageView>(root, kPicture))
        picture->useProfilePictureFromUser(other);
}

bool QVChallengeSentCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    const float width = rowWidth();
    setFrame(Rect(0, 0, width, 64));
    const Rect frame = layout::pictureInRow(44, 64);
    const float text = layout::besidePicture(frame);
    Ref<QVImageView> icon = withTag(QVImageView::imageViewWithFrame(frame), kIcon);
    Ref<Label> title = withTag(makeLabel(Rect(text, 10, width - 16 - text, 22), 15, true), kTitle);
    Ref<Label> description = withTag(makeLabel(Rect(text, 34, width - 16 - text, 20), 13, false), kDescription);
    addSubviews(contentView(), { icon.get(), title.get(), description.get() });
    setSelectionStyle(CellSelectionStyle::Gray);
    return true;
}

void QVChallengeSentCell::showResource(QVChallenge* challenge)
{
    QVChallengeDefinition* definition = challenge->challengeDefinition();
    if (auto* icon = tagged<QVImageView>(this, kIcon)) {
        icon->setDefaultImage(QVImageLoader::loadImage("QVMultiPeopleChallengeIcon.png").get());
        icon->setImageUrl(definition && !definition->iconUrl().empty() ? std::optional<std::string>(definition->iconUrl())
                                                                       : std::nullopt);
    }
    setLabel(this, kTitle, definition ? definition->title() : std::string());
    setLabel(this, kDescription, challenge->challengeDescription());
}

bool QVChallengeDefinitionStatsCell::initQVTableCellHelper(const std::string& name)
{
    if (!QVTableCellHelper::initQVTableCellHelper(name))
        return false;
    const float width = rowWidth();
    setFrame(Rect(0, 0, width, 72));
    const Rect frame = layout::pictureInRow(48, 72);
    const float left = layout::besidePicture(frame);
    challengeIcon_ = QVImageView::imageViewWithFrame(frame);
    titleLabel_ = makeLabel(Rect(left, 4, width - 8 - left, 22), 15, true);
    const float column = (width - left) / 3;
    auto header = [&](int i, const char* text) {
        Ref<Label> l = makeLabel(Rect(left + column * i, 28, column, 16), 11, false);
        l->setTextAlignment(platform::TextAlignment::Center);
        l->setTextColor(Color::rgb(0.4f, 0.4f, 0.4f));
        l->setText(text);
        return l;
    };
    auto value = [&](int i) {
        Ref<Label> l = makeLabel(Rect(left + column * i, 44, column, 22), 17, true);
        l->setTextAlignment(platform::TextAlignment::Center);
        l->setTextColor(Color::rgb(0.1f, 0.1f, 0.12f));
        return l;
    };
    winsHeader_ = header(0, "Wins");
    lossesOrComparisonHeader_ = header(1, "Losses");
    tiesHeader_ = header(2, "Ties");
    winsLabel_ = value(0);
    lossesOrComparisonLabel_ = value(1);
    tiesLabel_ = value(2);
    winnerIcon_ = ImageView::imageViewWithFrame(Rect(0, 28, 16, 16));
    winnerIcon_->setImage(QVLoadKitImage(kWinnerIconName).get());
    winnerIcon_->setHidden(true);
    addSubviews(contentView(), { challengeIcon_.get(), titleLabel_.get(), winsHeader_.get(), lossesOrComparisonHeader_.get(),
                                 tiesHeader_.get(), winsLabel_.get(), lossesOrComparisonLabel_.get(), tiesLabel_.get(),
                                 winnerIcon_.get() });
    setSelectionStyle(CellSelectionStyle::Gray);
    setAccessoryType(CellAccessoryType::DisclosureIndicator);
    return true;
}

void QVChallengeDefinitionStatsCell::markLeader(Label* label, Label* header)
{
    label->setTextColor(Color::rgb(6 / 255.0f, 37 / 255.0f, 11 / 255.0f));
    winnerIcon_->setHidden(false);
    const float f = std::round((winnerIcon_->image() ? winnerIcon_->image()->size().width : winnerIcon_->frame().size.width) * 0.5f) + 3;
    const float headerX = label->center().x - 2 + f;
    header->setCenter(platform::Point(headerX, header->center().y));
    winnerIcon_->setCenter(platform::Point(headerX - 2 * f, header->center().y));
}

void QVChallengeDefinitionStatsCell::showResource(QVChallengeDefinitionStats* stats)
{
    QVChallengeDefinition* definition = stats->challengeDefinition();
    challengeIcon_->setDefaultImage(QVImageLoader::loadImage("QVDefaultChallengeIcon.png").get());
    challengeIcon_->setImageUrl(definition && !definition->iconUrl().empty() ? std::optional<std::string>(definition->iconUrl())
                                                                             : std::nullopt);
    titleLabel_->setText(definition ? definition->title() : std::string());
    tiesLabel_->setText(std::to_string(stats->localUsersTies()));

    winnerIcon_->setHidden(true);
    winsHeader_->setCenter(platform::Point(winsLabel_->center().x, winsHeader_->center().y));
    lossesOrComparisonHeader_->setCenter(platform::Point(lossesOrComparisonLabel_->center().x, lossesOrComparisonHeader_->center().y));
    winsLabel_->setTextColor(tiesLabel_->textColor());
    lossesOrComparisonLabel_->setTextColor(tiesLabel_->textColor());

    auto* list = dynamic_cast<QVChallengeListController*>(owningTable());
    if (!list || !list->getComparisonUser()) {
        winsLabel_->setText(std::to_string(stats->localUsersWins()));
        lossesOrComparisonHeader_->setText("Losses");
        lossesOrComparisonLabel_->setText(std::to_string(stats->localUsersLosses()));
        return;
    }
    // Compared: the other player's wins first, then the player's own.
    winsLabel_->setText(std::to_string(stats->comparedUsersWins()));
    lossesOrComparisonHeader_->setText("Wins");
    lossesOrComparisonLabel_->setText(std::to_string(stats->localUsersWins()));
    if (stats->comparedUsersWins() > stats->localUsersWins())
        markLeader(winsLabel_.get(), winsHeader_.get());
    else if (stats->localUsersWins() > stats->comparedUsersWins())
        markLeader(lossesOrComparisonLabel_.get(), lossesOrComparisonHeader_.get());
}

} // namespace quorvel
