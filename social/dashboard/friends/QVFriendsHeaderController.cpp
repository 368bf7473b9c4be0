// The friends list's header: its two tabs and the pending badge.
#include "social/dashboard/friends/QVFriendsHeaderController.h"

namespace quorvel {

using namespace platform::ui;

QV_REGISTER_CLASS(QVFriendsHeaderController);

void QVFriendsHeaderController::resizeView(View* over)
{
    if (isForLocalUser_)
        QVTabbedPageHeaderController::resizeView(over);
}

} // namespace quorvel
