// The friends list: its two tabs, their requests, editing and deleting rows,
// and the pending-friend count it keeps with the central class.
#include "social/dashboard/friends/QVFriendsController.h"
#include "social/dashboard/friends/QVImportFriendsController.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableView.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Ref;

QV_REGISTER_CLASS(QVFriendsController);

namespace {

constexpr const char* kRemoveFriend = "QVNSNotificationRemoveFriend";

} // namespace

QVFriendsController::QVFriendsController()
{
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const char* name : { Quorvel::kPendingFriendCountChanged, Quorvel::kAddFriend, kRemoveFriend })
        center.addObserver(this, name, [this](const platform::Notification& n) { _notificationCallback(n); });
}

QVFriendsController::~QVFriendsController() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

bool QVFriendsController::localUsersFriends() const
{
    auto* user = dynamic_cast<QVUser*>(getPageContextUser());
    return user && user->isLocalUser();
}

QVFriendsHeaderController* QVFriendsController::friendsHeader() const
{
    return dynamic_cast<QVFriendsHeaderController*>(tableHeaderController());
}

QVService* QVFriendsController::getService() { return QVFriendsService::sharedService(); }

void QVFriendsController::populateResourceMap(QVResourceControllerMap& map) { map.addResource<QVUser>("User"); }

std::optional<std::string> QVFriendsController::getTableHeaderControllerName()
{
    if (localUsersFriends())
        return std::string("FriendsHeader");
    return std::nullopt;
}

void QVFriendsController::onTableHeaderCreated(ViewController* header)
{
    auto* tabs = dynamic_cast<QVFriendsHeaderController*>(header);
    if (!tabs)
        return;
    tabs->setCallbackTarget(this);
    tabs->addTab("Friends", QVTabbedPageHeaderController::TabCallback(BRISKO_SELECTOR(QVFriendsController, onFollowingSelected)));
    tabs->addTab("Pending", QVTabbedPageHeaderController::TabCallback(BRISKO_SELECTOR(QVFriendsController, onFollowersSelected)));
    tabs->setIsDisplayingForLocalUser(localUsersFriends());
    tabs->setBadgeValueForTabNamed(std::to_string(QuorvelInternal::options().pendingFriendsCount()), "Pending");
    tabs->showTab(mCurTabType != 0 ? "Pending" : "Friends");
}

void QVFriendsController::onFollowingSelected()
{
    mCurTabType = 0;
    _setEditing(false);
    reloadDataFromServer();
}

void QVFriendsController::onFollowersSelected()
{
    mCurTabType = 1;
    reloadDataFromServer();
}

void QVFriendsController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    doIndexActionWithPage(1, onSuccess, onFailure);
}

void QVFriendsController::doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto* user = dynamic_cast<QVUser*>(getPageContextUser());
    const std::string userId = user ? user->resourceId() : std::string();
    if (mCurTabType == 0)
        QVFriendsService::getAllUsersFollowedByUserAlphabetical(userId, onSuccess, onFailure);
    else if (mCurTabType == 1)
        QVFriendsService::getUsersFollowingUser(userId, true, static_cast<int>(page), onSuccess, onFailure);
}

void QVFriendsController::onResourcesDownloaded(QVPaginatedSeries* series)
{
    QVTableSequenceControllerHelper::onResourcesDownloaded(series);
    // A fresh header (tabs, badge) is built after each load.
    if (tableHeaderController_ && tableHeaderController_->isViewLoaded())
        tableHeaderController_->view()->removeFromSuperview();
    tableHeaderController_ = nullptr;

    if (mCurTabType == 0) {
        // The whole list: every user of every section.
        int count = 0;
        if (series) {
            for (size_t i = 0; i < series->count(); ++i) {
                Object* o = series->objectAtIndex(i);
                if (auto* section = dynamic_cast<QVTableSectionDescription*>(o))
                    count += section->page() ? static_cast<int>(section->page()->count()) : 0;
                else if (dynamic_cast<QVUser*>(o))
                    ++count;
            }
        }
        friendCount_ = count;
        if (localUsersFriends())
            navigationItem()->setRightBarButtonItem(
                BarButtonItem::withSystemItem(BarButtonItem::SystemItem::Add, this,
                                              BarButtonItem::PlainAction(BRISKO_SELECTOR(QVFriendsController, findFriendsPressed))).get());
        else
            navigationItem()->setRightBarButtonItem(nullptr);
    } else if (mCurTabType == 1) {
        if (series && series->header())
            QuorvelInternal::options().setPendingFriendsCount(static_cast<int>(series->header()->totalObjects));
        if (QuorvelInternal::options().pendingFriendsCount() > 0)
            _updateEditButtonState();
        else
            navigationItem()->setRightBarButtonItem(nullptr);
    }
}

void QVFriendsController::_updateEditButtonState()
{
    editButton_ = BarButtonItem::withSystemItem(editing_ ? BarButtonItem::SystemItem::Done : BarButtonItem::SystemItem::Edit,
                                                this, BarButtonItem::PlainAction(BRISKO_SELECTOR(QVFriendsController, _toggleEditing)));
    navigationItem()->setRightBarButtonItem(editButton_.get());
}

void QVFriendsController::_toggleEditing()
{
    _setEditing(!editing_);
    _updateEditButtonState();
}

void QVFriendsController::_setEditing(bool editing)
{
    editing_ = editing;
    if (isViewLoaded() && tableView())
        tableView()->setEditing(editing, true);
}

void QVFriendsController::_setPendingCount(int count) { QuorvelInternal::options().setPendingFriendsCount(count < 0 ? 0 : count); }

void QVFriendsController::onResourceWasDeleted(Object* resource)
{
    auto* user = dynamic_cast<QVUser*>(resource);
    if (!user)
        return;
    showLoadingScreen();
    const QVDelegate failure(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFriendsController, _failedRemoving)));
    if (mCurTabType == 0)
        QVFriendsService::makeLocalUserStopFollowing(
            user->resourceId(), QVDelegate(this, QVDelegate::Method(BRISKO_SELECTOR(QVFriendsController, _removedFriend)), user),
            failure);
    else if (mCurTabType == 1)
        QVFriendsService::removeLocalUsersFollower(
            user->resourceId(), QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVFriendsController, _removedPendingFriend))),
            failure);
}

void QVFriendsController::_removedFriend(Object*, Object* userObject)
{
    auto* user = dynamic_cast<QVUser*>(userObject);
    if (user && user->followsLocalUser())
        _setPendingCount(QuorvelInternal::options().pendingFriendsCount() + 1);
    QuorvelInternal::notifications().postRemoveFriend(user);
    reloadDataFromServer();
}

void QVFriendsController::_removedPendingFriend(Object*)
{
    if (friendCount_ == 0 && QuorvelInternal::options().pendingFriendsCount() == 1) {
        mCurTabType = 0;
        _setEditing(false);
    }
    // Never below 0, whatever the stored count was.
    _setPendingCount(QuorvelInternal::options().pendingFriendsCount() - 1);
    reloadDataFromServer();
}

void QVFriendsController::_failedRemoving(Object*) { reloadDataFromServer(); }

void QVFriendsController::_notificationCallback(const platform::Notification& n)
{
    if (n.name == Quorvel::kPendingFriendCountChanged) {
        if (auto* header = friendsHeader())
            header->setBadgeValueForTabNamed(std::to_string(QuorvelInternal::options().pendingFriendsCount()), "Pending");
    } else if (n.name == Quorvel::kAddFriend) {
        ++friendCount_;
        refreshOnNextDidAppear_ = true;
    } else if (n.name == kRemoveFriend) {
        --friendCount_;
        refreshOnNextDidAppear_ = true;
    }
}

void QVFriendsController::viewWillAppear(bool animated)
{
    QVTableSequenceControllerHelper::viewWillAppear(animated);
    setTitle(localUsersFriends() ? "Quorvel Friends" : "Friends");
    platform::NotificationCenter::defaultCenter().addObserver(
        this, Quorvel::kFriendPresenceChanged, [this](const platform::Notification&) { friendPresenceDidChange(); });
}

void QVFriendsController::viewDidDisappear(bool animated)
{
    QVTableSequenceControllerHelper::viewDidDisappear(animated);
    platform::NotificationCenter::defaultCenter().removeObserver(this, Quorvel::kFriendPresenceChanged);
}

void QVFriendsController::viewDidAppear(bool animated)
{
    if (refreshOnNextDidAppear_) {
        alwaysRefresh_ = true;
        QVTableSequenceControllerHelper::viewDidAppear(animated);
        alwaysRefresh_ = false;
    } else {
        QVTableSequenceControllerHelper::viewDidAppear(animated);
    }
    refreshOnNextDidAppear_ = false;
}

void QVFriendsController::onCellWasClicked(Object* resource, IndexPath)
{
    if (auto* user = dynamic_cast<QVUser*>(resource)) {
        QVDashboardSwitch::showProfileForUser(user);
        refreshOnNextDidAppear_ = true;
    }
}

void QVFriendsController::findFriendsPressed()
{
    refreshOnNextDidAppear_ = true;
    if (navigationController()) {
        if (Ref<ViewController> import = QVControllerLoader::load("ImportFriends"))
            navigationController()->pushViewController(import.get(), true);
    }
    mCurTabType = 0;
    _setEditing(false);
}

Ref<ViewController> QVFriendsController::getNoDataFoundViewController()
{
    if (!localUsersFriends() || friendCount_ != 0 || mCurTabType != 0)
        return nullptr;
    _setEditing(false);
    alwaysRefresh_ = true;
    Ref<ViewController> import = QVControllerLoader::load("ImportFriends");
    if (import)
        requireCast<QVImportFriendsController>(import, "The friend importer must work for the friends list")->setController(this);
    return import;
}

std::string QVFriendsController::getNoDataFoundMessage()
{
    const bool local = localUsersFriends();
    if (mCurTabType == 0)
        return local ? "You have not added any Quorvel friends yet. Check the Pending tab to see who wants to friend you!"
                     : "This user has not added any Quorvel friends yet.";
    return local ? "Here's where you'll find any pending friend requests.  You can choose to either add them to your "
                   "Friends list or delete the request."
                 : "This user has no pending friends.";
}

Ref<View> QVFriendsController::createPlainTableSectionHeader(int section)
{
    if (section < 0 || !sections() || section >= static_cast<int>(sections()->size()))
        return nullptr;
    Ref<View> header = QVControllerLoader::loadView("PlainTableSectionHeader");
    if (!header)
        return nullptr;
    QVTableSectionDescription* s = getSectionForIndexPath(IndexPath::forRow(0, section));
    if (auto* label = dynamic_cast<Label*>(header->viewWithTag(1)))
        label->setText(s ? s->title() : std::string());
    return header;
}

} // namespace quorvel
