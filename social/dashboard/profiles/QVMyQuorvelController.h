// QVMyQuorvelController: the player's own page, root of the dashboard's
// "My Quorvel" tab. A menu of buttons opening the player's friends, inbox,
// played games, settings and help, with badges for pending friend requests
// and unread inbox items that follow the count notifications; the page's tab
// shows their sum. The local player's banner sits above it.
// Interface file: "MyQuorvel".
#pragma once

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVMyQuorvelController : public QVViewController, public QVBannerProvider {
    QV_DECLARE_CLASS(QVMyQuorvelController)
public:
    // Button actions: each pushes the screen of that name.
    void onMyFriends();
    void onMessageCenter();
    void onMyGames();
    void onSettings();
    void onHelp();

    bool isBannerAvailableNow() override { return true; }
    std::string bannerCellControllerName() override { return "PlayerBanner"; }
    platform::Object* getBannerResource() override;
    void onBannerClicked() override;

    QVBadgeView* friendsBadge() const { return friendsBadge_.get(); }
    QVBadgeView* inboxBadge() const { return inboxBadge_.get(); }
    platform::ui::Label* friendsPlayingThisGame() const { return friendsPlayingThisGame_.get(); }
    platform::ui::Button* buttonNamed(const std::string& title) const;

    void buildInterface(platform::ui::InterfaceBuilder& builder, const char* layoutName);
    void awakeFromNib() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVMyQuorvelController() = default;
    ~QVMyQuorvelController() override;

private:
    void _pendingFriendsChanged(const platform::Notification& n);
    void _inboxCountChanged(const platform::Notification& n);
    void _updateTabBadge();
    void _push(const std::string& name, const char* title = nullptr);

    platform::Ref<QVBadgeView> friendsBadge_;
    platform::Ref<QVBadgeView> inboxBadge_;
    platform::Ref<platform::ui::Label> friendsPlayingThisGame_;
    std::vector<platform::Ref<platform::ui::Button>> buttons_;
    platform::Ref<platform::Object> bannerUser_;
};

} // namespace quorvel
