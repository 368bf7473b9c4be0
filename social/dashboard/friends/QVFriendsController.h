// QVFriendsController ("Friends"): the people a player follows ("Friends")
// and, for the local player, the people who follow them without being
// followed back ("Pending", the friend requests). The local player can edit
// either list: deleting a friend stops following them, deleting a pending row
// refuses the request. The pending count of the central class follows every
// change and badges the "Pending" tab.
#pragma once

#include "platform/ui/BarButtonItem.h"
#include "social/dashboard/friends/QVFriendsHeaderController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTabbedPageHeaderController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

namespace quorvel {

class QVUser;

class QVFriendsController : public QVTableSequenceControllerHelper, public QVProfileFrame {
    QV_DECLARE_CLASS(QVFriendsController)
public:
    int curTabType() const { return mCurTabType; }
    int friendCount() const { return friendCount_; }
    bool refreshOnNextDidAppear() const { return refreshOnNextDidAppear_; }
    bool isEditing() const { return editing_; }
    bool localUsersFriends() const;
    QVFriendsHeaderController* friendsHeader() const;

    void onFollowingSelected();
    void onFollowersSelected();
    void findFriendsPressed();
    void _toggleEditing();
    void _removedFriend(platform::Object* ignored, platform::Object* user);
    void _removedPendingFriend(platform::Object*);
    void _failedRemoving(platform::Object*);

    QVService* getService() override;
    void populateResourceMap(QVResourceControllerMap& map) override;
    bool usePlainTableSectionHeaders() override { return true; }
    bool shouldConfirmResourceDeletion() override { return false; }
    bool allowEditing() override { return localUsersFriends(); }
    bool allowPagination() override { return mCurTabType == 1; }
    bool shouldAlwaysRefreshWhenShown() override { return alwaysRefresh_; }
    std::optional<std::string> getTableHeaderControllerName() override;
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void onResourcesDownloaded(QVPaginatedSeries* series) override;
    void onResourceWasDeleted(platform::Object* resource) override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    std::string getNoDataFoundMessage() override;
    platform::Ref<platform::ui::View> createPlainTableSectionHeader(int section) override;
    void profileUsersChanged(QVUser*, QVUser*) override { reloadDataFromServer(); }
    void friendPresenceDidChange() { reloadDataFromServer(); }

    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFriendsController();
    ~QVFriendsController() override;

private:
    void _notificationCallback(const platform::Notification& n);
    void _updateEditButtonState();
    void _setEditing(bool editing);
    void _setPendingCount(int count);

    int mCurTabType { 0 };
    bool alwaysRefresh_ { false };
    bool refreshOnNextDidAppear_ { false };
    bool editing_ { false };
    int friendCount_ { 0 };
    platform::Ref<platform::ui::BarButtonItem> editButton_;
};

} // namespace quorvel
