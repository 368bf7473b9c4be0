// The invitation's compose screen ("InviteFriends"): the message and the
// chosen friends; "Send" posts the invitation and shows the completion screen.
#include "social/dashboard/invites/QVInviteFriendsController.h"

#include "platform/ui/AlertView.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/TextView.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVInviteCompleteController.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/dashboard/invites/QVSelectInviteTypeController.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVDeviceContact.h"
#include "social/services/QVInviteService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVRowLayout.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVTableSequenceControllerHelper.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using layout::maxY;
using namespace invites;

QV_REGISTER_CLASS(QVInviteFriendsHeaderController);
QV_REGISTER_CLASS(QVInviteFriendsController);

void QVInviteFriendsHeaderController::loadView()
{
    float width = QVDashboardRole::current().getDashboardBounds().size.width;
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, 130));
    root->setBackgroundColor(std::nullopt);
    titleLabel_ = layout::makeLabel(Rect(10, 8, width - 20, 22), 15, true);
    inviteText_ = TextView::textViewWithFrame(Rect(10, 36, width - 20, 80));
    inviteText_->setFont(platform::Font::systemFont(11).get());
    inviteText_->setTextColor(Color::rgb(89 / 255.f, 89 / 255.f, 89 / 255.f));
    inviteText_->setDelegate(this);
    inviteTextHasDefaultText_ = true;
    root->addSubview(titleLabel_.get());
    root->addSubview(inviteText_.get());
    setView(root.get());
}

void QVInviteFriendsHeaderController::resizeView(View* tableView)
{
    Rect frame = view()->frame();
    frame.size.width = tableView ? tableView->bounds().size.width : frame.size.width;
    frame.size.height = maxY(inviteText_.get()) + 10;
    view()->setFrame(frame);
}

void QVInviteFriendsHeaderController::touchesBegan(const platform::ui::Touch& t)
{
    if (inviteText_ && inviteText_->isFirstResponder())
        inviteText_->resignFirstResponder();
    ViewController::touchesBegan(t);
}

void QVInviteFriendsHeaderController::setInviteFriendsController(QVInviteFriendsController* c)
{
    inviteFriendsController_ = c;
}

std::string QVInviteFriendsHeaderController::suggestedMessage() const
{
    QVInviteFriendsController* owner = inviteFriendsController_.get();
    QVInviteDefinition* definition = owner ? owner->definition() : nullptr;
    return definition ? definition->suggestedSenderMessage : std::string();
}

void QVInviteFriendsHeaderController::textViewDidBeginEditing(TextView* textView)
{
    if (inviteTextHasDefaultText_)
        textView->setText("");
}

void QVInviteFriendsHeaderController::textViewDidEndEditing(TextView* textView)
{
    const std::string suggested = suggestedMessage();
    if (textView->text().empty() || textView->text() == suggested) {
        textView->setText(suggested);
        inviteTextHasDefaultText_ = true;
    } else {
        inviteTextHasDefaultText_ = false;
    }
}

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
    header_->titleLabel()->setText("Invite Friends to play " + QuorvelInternal::applicationDisplayName());
}

std::string QVInviteFriendsController::getNoDataFoundMessage()
{
    return "All of your friends have " + QuorvelInternal::applicationDisplayName() + ".  Make some more!";
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
