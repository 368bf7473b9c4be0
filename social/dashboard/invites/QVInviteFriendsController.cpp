// The invitation's compose screen ("InviteFriends"): the message and the
// chosen friends; "Send" posts the invitation and shows the completion screen.
#include "social/dashboard/invites/QVInviteFriendsController.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVInviteCompleteController.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVSelectInviteTypeController.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVDeviceContact.h"
#include "social/services/QVInviteService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using layout::maxY;
using namespace invites;

QV_REGISTER_CLASS(QVInviteFriendsController);

void QVInviteFriendsController::viewDidLoad()
{
    sendButton_ = BarButtonItem::withTitle("Send", BarButtonItem::Style::Plain, this,
                                           BarButtonItem::PlainAction(BRISKO_SELECTOR(QVInviteFriendsController, inviteFriends)));
    navigationItem()->setRightBarButtonItem(sendButton_.get());
    setTitle("Compose Invite");
    QVTableSequenceControllerHelper::viewDidLoad();
}

void QVInviteFriendsController::populateResourceMap(QVResourceControllerMap& map)
{
    map.addResource<QVUser>("User");
    map.addResource<QVDeviceContact>("Contact");
}

void QVInviteFriendsController::doIndexActionOnSuccess(const QVDelegate& onSuccess, const QVDelegate&)
{
    onSuccess.invoke(sectionAnswer("Selected Friends", selectedUsers_).get());
}

void QVInviteFriendsController::onTableHeaderCreated(ViewController* header)
{
    header_ = dynamic_cast<QVInviteFriendsHeaderController*>(header);
    if (!header_)
        return;
    header_->setInviteFriendsController(this);
    header_->inviteText()->setText(definition_ ? definition_->suggestedSenderMessage : std::string());
    header_->titleLabel()->setText("Invite Friends to play " + QuorvelInternal::sessionRole().applicationDisplayName());
}

std::string QVInviteFriendsController::getNoDataFoundMessage()
{
    return "All of your friends have " + QuorvelInternal::sessionRole().applicationDisplayName() + ".  Make some more!";
}

Ref<ViewController> QVInviteFriendsController::getNoDataFoundViewController()
{
    return QVControllerLoader::load("FullscreenImportFriendsMessage", this);
}

void QVInviteFriendsController::onCellWasClicked(Object*, IndexPath indexPath)
{
    tableView()->deselectRowAtIndexPath(indexPath, false);
}

void QVInviteFriendsController::inviteFriends()
{
    if (selectedUsers_.empty()) {
        alert(QVSelectInviteTypeController::kNothingChosenTitle, QVSelectInviteTypeController::kNothingChosenMessage);
        return;
    }
    if (!QVReachability::isConnectedToInternet()) {
        alert("No internet connection", "You must have an internet connection to invite friends.");
        return;
    }
    if (!definition_) {
        // Nothing to send without the invitation; the player is told as for a failed send.
        inviteFailure(nullptr);
        return;
    }
    sendButton_->setEnabled(false);
    showLoadingScreen();
    const std::string message = header_ ? header_->inviteText()->text() : definition_->suggestedSenderMessage;
    QVInviteService::sendInvite(*definition_, message, selectedUsers_,
                                QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVInviteFriendsController, inviteSuccess))),
                                QVDelegate(this, QVDelegate::ShortMethod(BRISKO_SELECTOR(QVInviteFriendsController, inviteFailure))));
}

void QVInviteFriendsController::inviteSuccess(Object*)
{
    hideLoadingScreen();
    Ref<ViewController> loaded = QVControllerLoader::load("InviteComplete");
    auto complete = Ref<QVInviteCompleteController>(
        loaded ? requireCast<QVInviteCompleteController>(loaded, "The sent screen must show its message") : nullptr);
    if (!complete || !navigationController())
        return;
    complete->setInviteIconUrl(definition_ ? definition_->inviteIconURL : std::string());
    const bool one = selectedUsers_.size() == 1;
    complete->messageLabel()->setText(one ? "Your invitation was sent!" : "Your invitations were sent!");
    complete->messageTitleLabel()->setText(one ? "Invitation Sent" : "Invitations Sent");
    complete->setTitle("Sending Invite");
    complete->continueButton()->setTitleForAllStates("OK");
    complete->setContinueInvocation(closeInvocation_);
    navigationController()->pushViewController(complete.get(), true);
}

void QVInviteFriendsController::inviteFailure(Object*)
{
    sendButton_->setEnabled(true);
    alert("An error occurred", "Your invite was not submitted. Please try again.");
    hideLoadingScreen();
}

void QVInviteFriendsController::cancel()
{
    if (closeInvocation_)
        closeInvocation_();
}

} // namespace quorvel
