// The invitation flow's header: the reward it shows.
#include "social/dashboard/invites/QVSelectInviteTypeHeaderController.h"

#include "platform/ui/ImageView.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVRowLayout.h"

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;
using layout::maxY;
using namespace invites;

QV_REGISTER_CLASS(QVSelectInviteTypeHeaderController);

void QVSelectInviteTypeHeaderController::loadView()
{
    float width = QuorvelInternal::dashboardRole().getDashboardBounds().size.width;
    Ref<View> root = View::viewWithFrame(Rect(0, 0, width, 90));
    root->setBackgroundColor(std::nullopt);
    inviteIconFrame_ = ImageView::imageViewWithFrame(Rect(10, 10, 64, 64));
    inviteIcon_ = QVImageView::imageViewWithFrame(Rect(14, 14, 56, 56));
    setUpInviteIcon(inviteIcon_.get(), inviteIconFrame_.get());
    enticeLabel_ = layout::makeLabel(Rect(84, 10, width - 94, 60), 14, true);
    enticeLabel_->setNumberOfLines(0);
    enticeLabel_->setTextColor(Color::whiteColor()); // on the list's dark background
    layout::addSubviews(root, { inviteIconFrame_.get(), inviteIcon_.get(), enticeLabel_.get() });
    setView(root.get());
}

void QVSelectInviteTypeHeaderController::resizeView(View* tableView)
{
    Rect frame = view()->frame();
    frame.size.width = tableView ? tableView->bounds().size.width : frame.size.width;
    frame.size.height = maxY(enticeLabel_.get()) + 10;
    view()->setFrame(frame);
}

} // namespace quorvel
