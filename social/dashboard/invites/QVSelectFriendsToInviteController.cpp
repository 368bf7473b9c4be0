// The chooser of the Quorvel friends to invite: the player's friends who lack
// the running game.
#include "social/dashboard/invites/QVSelectFriendsToInviteController.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVSelectInviteTypeController.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using namespace invites;

QV_REGISTER_CLASS(QVSelectFriendsToInviteController);

QVSelectFriendsToInviteController::~QVSelectFriendsToInviteController()
{
    if (stallTimer_)
        stallTimer_->invalidate();
}

Ref<QVSelectFriendsToInviteController> QVSelectFriendsToInviteController::inviteController(
    QVSelectInviteTypeController* typeScreen, const QVObjects& alreadySelected)
{
    Ref<ViewController> loaded = QVControllerLoader::load("SelectFriendsToInvite");
    auto screen = Ref<QVSelectFriendsToInviteController>(
        loaded ? requireCast<QVSelectFriendsToInviteController>(loaded, "The friends chooser must take its selection") : nullptr);
    if (!screen)
        return nullptr;
    screen->setTitle("Invite Friends");
    screen->navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Done", BarButtonItem::Style::Plain, screen.get(),
                                 BarButtonItem::PlainAction(BRISKO_SELECTOR(QVSelectFriendsToInviteController, done)))
            .get());
    screen->navigationItem()->setHidesBackButton(true);
    screen->setSelectedObjects(alreadySelected);
    screen->inviteTypeController_ = typeScreen;
    return screen;
}

void QVSelectFriendsToInviteController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVUser>("SelectableUser");
}

void QVSelectFriendsToInviteController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess,
                                                              const QVDelegate& onFailure)
{
    friendsDownloadOutstanding_ = true;
    // The list's answer ends the download before the list's own handling hides the loading screen.
    QVFriendsService::getInvitableFriends(
        static_cast<int>(page), QVDelegate(this, BRISKO_SELECTOR(QVSelectFriendsToInviteController, friendsEnded), onSuccess),
        QVDelegate(this, BRISKO_SELECTOR(QVSelectFriendsToInviteController, friendsEnded), onFailure));
    stallNextRefresh_ = true;
}

void QVSelectFriendsToInviteController::friendsEnded(Object* answer, Object* listsOwn)
{
    friendsDownloadOutstanding_ = false;
    if (auto* chained = QVDelegateChained::from(listsOwn))
        chained->invokeWith(answer);
}

void QVSelectFriendsToInviteController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVSelectFriendsToInviteController::_onDataLoaded(QVPaginatedSeries* series, bool isIncremental)
{
    friendsDownloadOutstanding_ = false;
    QVTableSequenceControllerHelper::_onDataLoaded(series, isIncremental);
    titleFirstSection(*this, "Friends To Invite");
}

Ref<ViewController> QVSelectFriendsToInviteController::getNoDataFoundViewController()
{
    Ref<ViewController> empty = QVControllerLoader::load("HeaderedFullscreenImportFriendsMessage", this);
    if (empty && followingAnyone_) {
        std::string message = "All of your friends have " + QuorvelInternal::sessionRole().applicationDisplayName()
            + ". You can make more friends by importing them from Facebook or Twitter or find friends by their Quorvel name.";
        requireCast<QVImportFriendsMessageScreen>(empty, "The empty list must show its message")->setMessage(message);
    }
    return empty;
}

bool QVSelectFriendsToInviteController::isSelectable(const Object* object) const
{
    return dynamic_cast<const QVUser*>(object);
}

bool QVSelectFriendsToInviteController::isSameChoice(const Object* a, const Object* b) const
{
    auto* first = dynamic_cast<const QVUser*>(a);
    auto* second = dynamic_cast<const QVUser*>(b);
    return first && second && first->userId() == second->userId();
}

void QVSelectFriendsToInviteController::setCellChecked(QVTableCellHelper* cell, bool checked)
{
    if (auto* selectable = dynamic_cast<QVSelectableUserCell*>(cell))
        selectable->setChecked(checked);
}

void QVSelectFriendsToInviteController::hideLoadingScreen()
{
    if (!friendsDownloadOutstanding_ && !anyFriendsDownloadOutstanding_)
        QVTableSequenceControllerHelper::hideLoadingScreen();
}

void QVSelectFriendsToInviteController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    showLoadingScreen();
}

void QVSelectFriendsToInviteController::viewDidAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewDidAppear(animated);
    anyFriendsDownloadOutstanding_ = true;
    QVFriendsService::isLocalUserFollowingAnyone(
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectFriendsToInviteController, localUserFollowingAnyone))),
        QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVSelectFriendsToInviteController, followingAnyoneFailed))));
}

void QVSelectFriendsToInviteController::viewWillDisappear(bool animated)
{
    friendsDownloadOutstanding_ = false;
    anyFriendsDownloadOutstanding_ = false;
    if (stallTimer_)
        stallTimer_->invalidate();
    QVTableSequenceControllerHelper::viewWillDisappear(animated);
}

void QVSelectFriendsToInviteController::localUserFollowingAnyone(Object* answer)
{
    anyFriendsDownloadOutstanding_ = false;
    hideLoadingScreen();
    auto* boxed = dynamic_cast<platform::Boxed*>(answer);
    followingAnyone_ = boxed && boxed->value().asBool();
    _refreshData();
}

void QVSelectFriendsToInviteController::followingAnyoneFailed(Object*)
{
    anyFriendsDownloadOutstanding_ = false;
    hideLoadingScreen();
}

void QVSelectFriendsToInviteController::_refreshData()
{
    if (!stallNextRefresh_) {
        QVTableSequenceControllerHelper::_refreshData();
        return;
    }
    // Every reload after the first waits, so that a friend just invited elsewhere has left the list.
    showLoadingScreen();
    if (stallTimer_)
        stallTimer_->invalidate();
    platform::Weak<QVSelectFriendsToInviteController> weak(this);
    stallTimer_ = platform::RunLoop::main().performAfter(kStallSeconds, [weak] {
        if (auto self = weak.lock())
            self->QVTableSequenceControllerHelper::_refreshData();
    });
}

void QVSelectFriendsToInviteController::done()
{
    if (inviteTypeController_)
        inviteTypeController_->updateSelectedType(QVSelectInviteTypeController::kFriends, selectedObjects());
    if (navigationController())
        navigationController()->popViewControllerAnimated(true);
}

void QVSelectFriendsToInviteController::cancel()
{
    if (ViewController* root = QuorvelInternal::dashboardRole().getRootController())
        root->dismissModalViewControllerAnimated(true);
}

} // namespace quorvel
