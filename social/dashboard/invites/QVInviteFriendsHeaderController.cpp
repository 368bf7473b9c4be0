// The compose screen's header: its layout and the message's editing.
#include "social/dashboard/invites/QVInviteFriendsHeaderController.h"

#include "platform/ui/TextView.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVInviteFriendsController.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;
using layout::maxY;
using namespace invites;

QV_REGISTER_CLASS(QVInviteFriendsHeaderController);

void QVInviteFriendsHeaderController::loadView()
{
    float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
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

} // namespace quorvel
