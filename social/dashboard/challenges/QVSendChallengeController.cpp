// The send screen, its header, and the result header.
#include "social/dashboard/challenges/QVSendChallengeController.h"

#include "platform/foundation/Weak.h"
#include "platform/ui/AlertView.h"
#include "social/dashboard/challenges/QVChallengeScreens.h"
#include "social/dashboard/community/QVCommunityKit.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVNavigationController.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using layout::makeLabel;
using layout::maxY;
using layout::rowWidth;
using community::showAlert;
using platform::Object;
using platform::Rect;
using platform::Ref;
using Message = QVChallengeDelegate::Message;

QV_REGISTER_CLASS(QVSendChallengeController);
QV_REGISTER_CLASS(QVSendChallengeHeaderController);
QV_REGISTER_CLASS(QVCompletedChallengeHeaderController);

namespace {

QVChallengeDefinition* definitionOf(QVChallengeToUser* record)
{
    QVChallenge* challenge = record ? record->challenge() : nullptr;
    return challenge ? challenge->challengeDefinition() : nullptr;
}

void closeDashboardTelling(Message message)
{
    QVChallengeDelegate* d = QVChallengeScreens::delegateRespondingTo(message);
    QVChallengeScreens::dismissDashboard();
    if (!d)
        return;
    switch (message) {
    case Message::SendChallengeScreenClosed:
        d->sendChallengeScreenClosed();
        break;
    case Message::CompletedChallengeScreenClosed:
        d->completedChallengeScreenClosed();
        break;
    case Message::UserRestartedChallenge:
        d->userRestartedChallenge();
        break;
    default:
        break;
    }
}

Ref<QVDefaultTextField> messageField(const Rect& frame)
{
    Ref<QVDefaultTextField> field = QVDefaultTextField::fieldWithFrame(frame);
    field->setPlaceholder(QVSendChallengeHeaderController::kMessagePlaceholder);
    return field;
}

} // namespace

// ---------------------------------------------------------------------------
// Send screen

QVSendChallengeController::~QVSendChallengeController()
{
    if (stallTimer_)
        stallTimer_->invalidate();
}

void QVSendChallengeController::setUserChallenge(QVChallengeToUser* record) { userChallenge_ = Ref<QVChallengeToUser>(record); }

void QVSendChallengeController::setChallengeScreen(const QVChallengeScreen& screen)
{
    challengeDefinitionId_ = screen.challengeDefinitionId;
    challengeText_ = screen.challengeText;
    challengeData_ = screen.challengeData;
    resultData_ = screen.resultData;
    userChallenge_ = screen.userChallenge;
    isCompleted_ = screen.isCompleted;
}

void QVSendChallengeController::populateResourceMap(QVResourceControllerMap& map) { map.addResource<QVUser>("SelectableUser"); }

QVService* QVSendChallengeController::getService() { return QVFriendsService::sharedService(); }

void QVSendChallengeController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    // After the first load every refresh waits behind the loading screen.
    if (stallNextRefresh_) {
        showLoadingScreen();
        stalledSuccess_ = onSuccess;
        stalledFailure_ = onFailure;
        if (stallTimer_)
            stallTimer_->invalidate();
        platform::Weak<QVSendChallengeController> weak(this);
        stallTimer_ = platform::RunLoop::main().performAfter(kStallSeconds, [weak] {
            if (auto self = weak.lock())
                self->_refreshDataNow();
        });
        return;
    }
    doIndexActionWithPage(1, onSuccess, onFailure);
    stallNextRefresh_ = true;
}

void QVSendChallengeController::_refreshDataNow()
{
    stallTimer_ = nullptr;
    // The stored callbacks target this screen: kept after use, they would keep it for good.
    QVDelegate onSuccess = std::move(stalledSuccess_);
    QVDelegate onFailure = std::move(stalledFailure_);
    stalledSuccess_ = QVDelegate();
    stalledFailure_ = QVDelegate();
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVSendChallengeController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                      const QVDelegate& onFailure)
{
    std::string challenger;
    if (isCompleted_ && userChallenge_ && userChallenge_->challenge()) {
        QVUser* user = userChallenge_->challenge()->challenger();
        if (user && !user->isLocalUser())
            challenger = user->resourceId();
    }
    QVChallengeService::getUsersToChallenge(challenger, static_cast<int>(page), onSuccess, onFailure);
}

void QVSendChallengeController::onSectionsCreated(const std::optional<Sections>& sections)
{
    if (!isCompleted_ && sections && sections->size() == 1)
        sections->front()->setTitle("Friends To Challenge");
}

std::optional<std::string> QVSendChallengeController::getTableHeaderControllerName()
{
    return std::string(isCompleted_ ? "CompletedChallengeHeader" : "SendChallengeHeader");
}

void QVSendChallengeController::onTableHeaderCreated(ViewController* header)
{
    if (auto* send = dynamic_cast<QVSendChallengeHeaderController*>(header)) {
        send->setSendChallengeController(this);
    } else if (auto* result = dynamic_cast<QVCompletedChallengeHeaderController*>(header)) {
        result->setSendChallengeController(this);
        if (isCompleted_)
            result->setChallenge(userChallenge_.get());
    }
}

std::string QVSendChallengeController::getNoDataFoundMessage()
{
    return "You have no friends with " + QVSessionRole::current().applicationDisplayName() + ".";
}

Ref<ViewController> QVSendChallengeController::getNoDataFoundViewController()
{
    Ref<ViewController> invite = QVControllerLoader::load("FullscreenImportFriendsMessage");
    if (auto* keyed = dynamic_cast<QVKeyedSetters*>(invite.get()))
        keyed->performSetter("setOwner", this);
    return invite;
}

void QVSendChallengeController::onCellWasClicked(Object* resource, IndexPath indexPath)
{
    auto* user = dynamic_cast<QVUser*>(resource);
    if (user && dynamic_cast<QVSelectableUserCell*>(tableView()->cellForRowAtIndexPath(indexPath)))
        toggleSelectionOfUser(user);
}

void QVSendChallengeController::onCell(QVTableCellHelper* cell, Object* resource)
{
    auto* selectable = dynamic_cast<QVSelectableUserCell*>(cell);
    auto* user = dynamic_cast<QVUser*>(resource);
    if (!selectable || !user)
        return;
    selectable->setChecked(std::any_of(mSelectedUsers.begin(), mSelectedUsers.end(),
                                       [&](const Ref<QVUser>& u) { return u->resourceId() == user->resourceId(); }));
}

// Rows are filled without telling the list, so a row also takes its pick as it shows.
void QVSendChallengeController::tableViewWillDisplayCell(TableView* table, TableViewCell* cell, IndexPath indexPath)
{
    QVTableSequenceControllerHelper::tableViewWillDisplayCell(table, cell, indexPath);
    if (auto* helper = dynamic_cast<QVTableCellHelper*>(cell))
        onCell(helper, helper->resource());
}

void QVSendChallengeController::toggleSelectionOfUser(QVUser* user)
{
    if (!user)
        return;
    std::optional<IndexPath> path = getFirstIndexPathForResource(user);
    if (!path)
        return;
    auto* rowUser = dynamic_cast<QVUser*>(getResourceAtIndexPath(*path));
    if (!rowUser)
        return;
    auto* cell = dynamic_cast<QVSelectableUserCell*>(tableView()->cellForRowAtIndexPath(*path));
    auto picked = std::find_if(mSelectedUsers.begin(), mSelectedUsers.end(),
                               [&](const Ref<QVUser>& u) { return u->resourceId() == rowUser->resourceId(); });
    if (picked != mSelectedUsers.end()) {
        if (cell)
            cell->setChecked(false);
        mSelectedUsers.erase(picked);
    } else {
        if (cell)
            cell->setChecked(true);
        mSelectedUsers.emplace_back(rowUser);
    }
    tableView()->deselectRowAtIndexPath(*path, true);
}

void QVSendChallengeController::preselectUser(QVUser* user)
{
    if (!user)
        return;
    if (getFirstIndexPathForResource(user)) {
        toggleSelectionOfUser(user);
        return;
    }
    pendingPick_ = Ref<QVUser>(user);
}

void QVSendChallengeController::onResourcesDownloaded(QVPaginatedSeries* series)
{
    if (!pendingPick_ || !series)
        return;
    for (const auto& o : series->objects()) {
        auto* user = dynamic_cast<QVUser*>(o.get());
        if (user && user->resourceId() == pendingPick_->resourceId()) {
            mSelectedUsers.emplace_back(user);
            pendingPick_ = nullptr;
            // Rows already shown take the pick at once; others as they show.
            if (TableView* table = tableView())
                for (TableViewCell* cell : table->visibleCells())
                    if (auto* helper = dynamic_cast<QVTableCellHelper*>(cell))
                        onCell(helper, helper->resource());
            return;
        }
    }
}

TextField* QVSendChallengeController::headerMessageField()
{
    if (auto* send = dynamic_cast<QVSendChallengeHeaderController*>(tableHeaderController()))
        return send->userMessageTextField();
    if (auto* result = dynamic_cast<QVCompletedChallengeHeaderController*>(tableHeaderController()))
        return result->userMessageTextField();
    return nullptr;
}

std::optional<std::string> QVSendChallengeController::getUserMessage(TextField* field)
{
    if (!field)
        return std::nullopt;
    return field->text().empty() ? field->placeholder() : field->text();
}

void QVSendChallengeController::submitChallenge() { send(false); }

void QVSendChallengeController::submitChallengeBack() { send(true); }

void QVSendChallengeController::send(bool back)
{
    if (mSelectedUsers.empty()) {
        showNoFriendsSelectedMessage();
        return;
    }
    if (!QVReachability::isConnectedToInternet()) {
        showNoConnectionMessage();
        return;
    }
    std::vector<std::string> ids;
    for (const auto& u : mSelectedUsers)
        ids.push_back(u->resourceId());
    showLoadingScreen();
    std::optional<std::string> answered;
    if (back && userChallenge_)
        answered = userChallenge_->resourceId();
    QVChallengeService::sendChallenge(
        challengeDefinitionId_, challengeText_, back ? resultData_ : challengeData_, getUserMessage(headerMessageField()),
        hiddenText_, ids, answered,
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSendChallengeController, challengeSubmittedSuccess))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSendChallengeController, challengeSubmittedFailure))));
}

void QVSendChallengeController::challengeSubmittedSuccess(Object*)
{
    hideLoadingScreen();
    if (QVChallengeDelegate* d = QVChallengeScreens::delegateRespondingTo(Message::UserSentChallenges))
        d->userSentChallenges();
    cancel();
}

void QVSendChallengeController::challengeSubmittedFailure(Object*)
{
    showSubmitFailedMessage();
    hideLoadingScreen();
}

void QVSendChallengeController::addCloseButtonCallingCancel()
{
    QVNavigationController::addCloseButtonToViewController(this, this, BRISKO_SELECTOR(QVSendChallengeController, cancel));
}

void QVSendChallengeController::cancel()
{
    closeDashboardTelling(rechallenge_ ? Message::CompletedChallengeScreenClosed : Message::SendChallengeScreenClosed);
}

void QVSendChallengeController::tryChallengeAgain() { closeDashboardTelling(Message::UserRestartedChallenge); }

void QVSendChallengeController::showSubmitFailedMessage()
{
    showAlert("An error occurred", "Your challenge was not submitted. Please try again.", "OK");
}

void QVSendChallengeController::showNoConnectionMessage()
{
    showAlert("No internet connection", "You must have an internet connection to submit challenges.", "OK");
}

void QVSendChallengeController::showNoFriendsSelectedMessage()
{
    showAlert("No Friends Selected", "You must select at least one friend to challenge.", "OK");
}

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
    for (View* v : std::initializer_list<View*> { challengeIconImageView_.get(), titleLabel_.get(), descriptionLabel_.get() })
        descriptionContainer_->addSubview(v);
    Ref<QVDefaultButton> send = QVDefaultButton::greenButton(Rect(10, 80, width - 20, 40));
    userMessageTextField_ = messageField(Rect(10, 128, width - 20, 31));
    send->setTitleForAllStates("Send Challenge");
    sendChallengeButton_ = send;
    Ref<QVDefaultButton> stronger = QVDefaultButton::greenButton(Rect(10, 168, width - 20, 40));
    stronger->setTitleForAllStates("Create Stronger Challenge");
    stronger->addTarget(this, Control::PlainAction(BRISKO_SELECTOR(QVSendChallengeHeaderController, createStrongerChallenge)), TouchUpInside);
    tryAgainButton_ = stronger;
    for (View* v : std::initializer_list<View*> { descriptionContainer_.get(), userMessageTextField_.get(),
                                                  sendChallengeButton_.get(), tryAgainButton_.get() })
        root->addSubview(v);
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
    selfRetainer_ = Ref<Object>(this);
    parentRetainer_ = Ref<Object>(sendChallengeController_);
    if (sendChallengeController_)
        sendChallengeButton_->addTarget(sendChallengeController_,
                                        Control::PlainAction(BRISKO_SELECTOR(QVSendChallengeController, submitChallenge)),
                                        TouchUpInside);
    QVChallengeDefinitionService::getChallengeDefinitionWithId(
        sendChallengeController_ ? sendChallengeController_->challengeDefinitionId() : std::string(),
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
    auto* series = dynamic_cast<QVPaginatedSeries*>(answer);
    QVChallengeDefinition* definition = nullptr;
    if (series)
        for (const auto& o : series->objects())
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
    descriptionLabel_->setText(sendChallengeController_ ? sendChallengeController_->challengeText() : std::string());
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
    for (View* v : std::initializer_list<View*> { challengeDescriptionContainer_.get(), personalMessageLabel_.get(),
                                                  userMessageTextField_.get(), actionButton_.get() })
        root->addSubview(v);
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
        target_ = sendChallengeController_;
        // The challenger's row may not have arrived yet: the send screen picks it then.
        if (sendChallengeController_ && record->challenge())
            sendChallengeController_->preselectUser(record->challenge()->challenger());
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
    if (target_ && action_)
        action_.invoke(target_);
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
