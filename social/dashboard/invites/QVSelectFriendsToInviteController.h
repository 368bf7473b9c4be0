// The chooser of the Quorvel friends to invite: the player's friends who lack
// the running game.
#pragma once

#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVMultiSelectListController.h"
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
class QVSelectFriendsToInviteController : public QVMultiSelectListController {
    QV_DECLARE_CLASS(QVSelectFriendsToInviteController)
public:
    static constexpr double kStallSeconds = 5.0;

    static platform::Ref<QVSelectFriendsToInviteController> inviteController(QVSelectInviteTypeController* typeScreen,
                                                                            const QVObjects& alreadySelected);
    const QVObjects& selectedUsers() const { return selectedObjects(); }
    void done();
    void cancel();

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionWithPage(unsigned int page, const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void _onDataLoaded(QVPaginatedSeries* series, bool isIncremental) override;
    bool canReceiveCallbacksNow() override { return true; }
    bool autoLoadData() override { return false; }
    std::string getDataNotLoadedYetMessage() override { return "Loading Invitation..."; }
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    void hideLoadingScreen() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSelectFriendsToInviteController() = default;
    ~QVSelectFriendsToInviteController() override;

    // Friends are the same choice when they are the same user.
    bool isSelectable(const platform::Object* object) const override;
    bool isSameChoice(const platform::Object* a, const platform::Object* b) const override;
    void setCellChecked(QVTableCellHelper* cell, bool checked) override;

private:
    void localUserFollowingAnyone(platform::Object* answer);
    void followingAnyoneFailed(platform::Object*);
    // The invitable friends' answer or failure, then the list's own callback.
    void friendsEnded(platform::Object* answer, platform::Object* listsOwn);
    void _refreshData();

    platform::Ref<QVSelectInviteTypeController> inviteTypeController_;
    bool stallNextRefresh_ { false };
    bool friendsDownloadOutstanding_ { false };
    bool anyFriendsDownloadOutstanding_ { false };
    bool followingAnyone_ { false };
    platform::Ref<platform::Timer> stallTimer_;
};

} // namespace quorvel
