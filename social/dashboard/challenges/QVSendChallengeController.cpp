// The send screen: the friends to challenge, the picks, sending and the ways out.
#include "social/dashboard/challenges/QVSendChallengeController.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/runtime/QVRequireCast.h"

#include "platform/foundation/Weak.h"
#include "platform/ui/AlertView.h"
#include "social/dashboard/challenges/QVChallengeScreens.h"
#include "social/dashboard/challenges/QVCompletedChallengeHeaderController.h"
#include "social/dashboard/challenges/QVSendChallengeHeaderController.h"
#include "social/dashboard/common/QVScreenKit.h"
#include "social/runtime/QVReachability.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVStandardCells.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using common::showAlert;
using platform::Object;
using platform::Rect;
using platform::Ref;
using Message = QVChallengeDelegate::Message;
using QVChallengeScreens::closeDashboardTelling;

QV_REGISTER_CLASS(QVSendChallengeController);

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
        if (stallTimer_)
            stallTimer_->invalidate();
        // The waiting request's callbacks target this screen. Only the timer
        // keeps them, so a screen closed meanwhile goes once the timer has
        // fired or been dropped, not never.
        platform::Weak<QVSendChallengeController> weak(this);
        stallTimer_ = platform::RunLoop::main().performAfter(kStallSeconds, [weak, onSuccess, onFailure] {
            if (auto self = weak.lock())
                self->_refreshDataNow(onSuccess, onFailure);
        });
        return;
    }
    doIndexActionWithPage(1, onSuccess, onFailure);
    stallNextRefresh_ = true;
}

void QVSendChallengeController::_refreshDataNow(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    Ref<QVSendChallengeController> keep(this);
    stallTimer_ = nullptr;
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVSendChallengeController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                      const QVDelegate& onFailure)
{
    // Offline (logged out, or the network gone) the list would wait for a login that may never
    // come, its loading screen over the page: it fails now, and the screen keeps its way out.
    if (!QuorvelInternal::sessionRole().isOnline()) {
        onFailure.invoke(nullptr);
        return;
    }
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
    return "You have no friends with " + QuorvelInternal::sessionRole().applicationDisplayName() + ".";
}

Ref<ViewController> QVSendChallengeController::getNoDataFoundViewController()
{
    Ref<ViewController> invite = QVControllerLoader::load("FullscreenImportFriendsMessage");
    if (invite)
        requireCast<QVImportFriendsMessageScreen>(invite, "The empty list must work for the list")->setOwner(this);
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
    // Logged out meanwhile, the request would wait for a login behind the loading screen: it fails now.
    if (!QuorvelInternal::sessionRole().isOnline()) {
        showSubmitFailedMessage();
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
    Ref<QVSendChallengeController> keep(this);
    hideLoadingScreen();
    if (QVChallengeScreens::tellGame(Message::UserSentChallenges, [](QVChallengeDelegate& game) { game.userSentChallenges(); }))
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

} // namespace quorvel
