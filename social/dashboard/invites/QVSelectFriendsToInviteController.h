// The chooser of the Quorvel friends to invite: the player's friends who lack
// the running game.
#pragma once

#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVSelectInviteTypeController.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVUser;
class QVSelectFriendsToInviteController : public QVTableSequenceControllerHelper,
                                          public QVFramedNavigationControllerBehavior {
    QV_DECLARE_CLASS(QVSelectFriendsToInviteController)
public:
    static constexpr double kStallSeconds = 5.0;

    static platform::Ref<QVSelectFriendsToInviteController> inviteController(QVSelectInviteTypeController* typeScreen,
                                                                            const QVObjects& alreadySelected);
    const QVObjects& selectedUsers() const { return selectedUsers_; }
    bool isUserSelected(const QVUser* user) const;
    void done();
    void cancel();

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;
    bool usePlainTableSectionHeaders() override { return true; }
    std::optional<bool> shouldShowNavBar() override { return true; }
    bool canReceiveCallbacksNow() override { return true; }
    bool autoLoadData() override { return false; }
    std::string getDataNotLoadedYetMessage() override { return "Loading Invitation..."; }
    std::string getNoDataFoundMessage() override { return ""; }
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    void onCellWasClicked(platform::Object* resource, platform::ui::IndexPath indexPath) override;
    void onCell(QVTableCellHelper* cell, platform::Object* resource) override;
    void hideLoadingScreen() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectFriendsToInviteController() = default;
    ~QVSelectFriendsToInviteController() override;

private:
    void localUserFollowingAnyone(platform::Object* answer);
    void followingAnyoneFailed(platform::Object*);
    void _refreshData();

    QVObjects selectedUsers_;
    platform::Ref<QVSelectInviteTypeController> inviteTypeController_;
    bool stallNextRefresh_ { false };
    bool friendsDownloadOutstanding_ { false };
    bool anyFriendsDownloadOutstanding_ { false };
    bool followingAnyone_ { false };
    platform::Ref<platform::Timer> stallTimer_;
};

} // namespace quorvel
