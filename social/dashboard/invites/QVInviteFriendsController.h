// The invitation's compose screen ("InviteFriends"): the message and the
// chosen friends; "Send" posts the invitation and shows the completion screen.
#pragma once

#include "social/dashboard/invites/QVInviteFriendsHeaderController.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/services/QVInviteService.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <functional>
#include <optional>
#include <string>

namespace quorvel {

class QVInviteFriendsController : public QVTableSequenceControllerHelper {
    QV_DECLARE_CLASS(QVInviteFriendsController)
public:
    const QVObjects& selectedUsers() const { return selectedUsers_; }
    void setSelectedUsers(const QVObjects& users) { selectedUsers_ = users; }
    QVInviteDefinition* definition() const { return definition_.get(); }
    void setDefinition(QVInviteDefinition* d) { definition_ = d; }
    const std::function<void()>& closeInvocation() const { return closeInvocation_; }
    void setCloseInvocation(std::function<void()> close) { closeInvocation_ = std::move(close); }
    QVInviteFriendsHeaderController* header() const { return header_; }
    platform::ui::BarButtonItem* sendButton() const { return sendButton_.get(); }

    void inviteFriends();
    void cancel();

    void populateResourceMap(QVResourceControllerMap& map) override;
    void doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void doIndexActionWithPage(unsigned int, const QVDelegate&, const QVDelegate&) override { }
    std::optional<std::string> getTableHeaderControllerName() override { return std::string("InviteFriendsHeader"); }
    void onTableHeaderCreated(platform::ui::ViewController* header) override;
    bool usePlainTableSectionHeaders() override { return true; }
    bool canReceiveCallbacksNow() override { return true; }
    std::string getNoDataFoundMessage() override;
    platform::Ref<platform::ui::ViewController> getNoDataFoundViewController() override;
    void onCellWasClicked(platform::Object*, platform::ui::IndexPath indexPath) override;
    void viewDidLoad() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVInviteFriendsController() = default;

private:
    void inviteSuccess(platform::Object*);
    void inviteFailure(platform::Object*);

    QVObjects selectedUsers_;
    platform::Ref<QVInviteDefinition> definition_;
    std::function<void()> closeInvocation_;
    QVInviteFriendsHeaderController* header_ { nullptr }; // the list's header, kept as tableHeaderController_
    platform::Ref<platform::ui::BarButtonItem> sendButton_;
};

} // namespace quorvel
