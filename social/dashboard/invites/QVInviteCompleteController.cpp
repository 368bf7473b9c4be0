// The screen shown once an invitation is sent.
#include "social/dashboard/invites/QVInviteCompleteController.h"

#include "platform/ui/ImageView.h"
#include "social/dashboard/invites/QVInviteKit.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVShowMessageAndReturnController.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Rect;
using platform::Ref;
using namespace invites;

QV_REGISTER_CLASS(QVInviteCompleteController);

void QVInviteCompleteController::loadView()
{
    QVShowMessageAndReturnController::loadView();
    inviteIconFrame_ = ImageView::imageViewWithFrame(Rect(10, 10, 64, 64));
    inviteIcon_ = QVImageView::imageViewWithFrame(Rect(14, 14, 56, 56));
    setUpInviteIcon(inviteIcon_.get(), inviteIconFrame_.get());
    view()->addSubview(inviteIconFrame_.get());
    view()->addSubview(inviteIcon_.get());
    if (!iconUrl_.empty())
        inviteIcon_->setImageUrl(iconUrl_);
}

void QVInviteCompleteController::setInviteIconUrl(const std::string& url)
{
    iconUrl_ = url;
    if (inviteIcon_ && !url.empty())
        inviteIcon_->setImageUrl(url);
}

} // namespace quorvel
