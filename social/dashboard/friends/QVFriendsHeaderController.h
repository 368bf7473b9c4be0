// QVFriendsHeaderController ("FriendsHeader"): the Friends/Pending tabs
// above the local player's friends list, the pending tab badged with the
// count of friend requests; made for the local player only.
#pragma once

#include "social/ui/QVTabbedPageHeaderController.h"

namespace quorvel {

class QVFriendsHeaderController : public QVTabbedPageHeaderController {
    QV_DECLARE_CLASS(QVFriendsHeaderController)
public:
    void setIsDisplayingForLocalUser(bool local) { isForLocalUser_ = local; }
    bool isForLocalUser() const { return isForLocalUser_; }
    void resizeView(platform::ui::View* over) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFriendsHeaderController() = default;

private:
    bool isForLocalUser_ { false };
};

} // namespace quorvel
