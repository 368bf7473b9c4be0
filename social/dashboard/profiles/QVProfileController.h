// QVProfileController ("Profile"): one user's page — the player banner with
// the user's picture, a line on the user's friends and one on the games the
// user played, and for other users a panel to add or remove them as a friend,
// start an instant message or report abuse. Every screen opens a profile
// through QVDashboardSwitch::showProfileForUser.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/ui/QVDefaultButton.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVUser;

class QVProfileController : public QVViewController, public QVBannerProvider, public QVUserPage {
    QV_DECLARE_CLASS(QVProfileController)
public:
    static constexpr const char* kConversationFailed = "An error occurred. Please try again later.";

    // The user the page is about: the stack's user for this screen, else the
    // one it was loaded with ("setUser").
    QVUser* pageUser() const override;
    void setUser(QVUser* user) { user_ = user; }
    // "setUser", "setReportUserForumPost" and "setForumThreadView".
    bool performSetter(const std::string& setterName, platform::Object* value) override;

    QVPaginatedSeriesHeader* friendsInfo() const { return friendsInfo_.get(); }
    QVPaginatedSeriesHeader* gamesInfo() const { return gamesInfo_.get(); }
    platform::ui::Label* friendsSubtextLabel() const { return friendsSubtextLabel_.get(); }
    platform::ui::Label* gamesSubtextLabel() const { return gamesSubtextLabel_.get(); }
    platform::ui::View* actionPanelView() const { return actionPanelView_.get(); }
    QVDefaultButton* toggleFriendButton() const { return toggleFriendButton_.get(); }
    platform::ui::Button* instantMessageButton() const { return imButton_.get(); }
    platform::ui::Button* flagButton() const { return flagButton_.get(); }
    platform::ui::Button* friendsButton() const { return friendsButton_.get(); }
    platform::ui::Button* gamesButton() const { return gamesButton_.get(); }

    // Set when the page was opened from a forum thread's post.
    // A profile opened from a forum post: a report from here flags that post,
    // answered over the thread view.
    void setReportUserForumPost(platform::Object* post) { reportUserForumPost_ = post; }
    void setForumThreadView(platform::ui::ViewController* threadView) { forumThreadView_ = threadView; }
    void showUser(QVUser* user, platform::Object* reportedPost, platform::ui::ViewController* threadView) override
    {
        setUser(user);
        setReportUserForumPost(reportedPost);
        setForumThreadView(threadView);
    }

    // Button actions.
    void onToggleFollowing();
    void onInstantMessage();
    void onFlag();
    void onGamesClicked();
    void onFriendsClicked();

    // Banner.
    bool isBannerAvailableNow() override { return true; }
    std::string bannerCellControllerName() override { return "PlayerBanner"; }
    platform::Object* getBannerResource() override;
    void onBannerClicked() override { }
    bool bannerProfilePictureTouched() override;
    bool canReceiveCallbacksNow() override { return true; }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;

    void _profileDownloadSucceeded(platform::Object* answer);
    void _profileDownloadFailed(platform::Object*) { hideLoadingScreen(); }
    void onFollowChangedState(platform::Object*);
    void onFollowFailedChangingState(platform::Object*) { hideLoadingScreen(); }
    void _conversationStarted(platform::Object* answer);
    void _conversationError(platform::Object*);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVProfileController() = default;

private:
    void _updateFriendButtonState(bool followed);
    bool isPageUserLocal() const;

    platform::Ref<QVUser> user_;
    platform::Ref<QVPaginatedSeriesHeader> friendsInfo_;
    platform::Ref<QVPaginatedSeriesHeader> gamesInfo_;
    platform::Ref<platform::Object> reportUserForumPost_;
    platform::Ref<platform::ui::ViewController> forumThreadView_;
    platform::Ref<platform::ui::Label> friendsSubtextLabel_;
    platform::Ref<platform::ui::Label> gamesSubtextLabel_;
    platform::Ref<platform::ui::View> actionPanelView_;
    platform::Ref<QVDefaultButton> toggleFriendButton_;
    platform::Ref<platform::ui::Button> imButton_;
    platform::Ref<platform::ui::Button> flagButton_;
    platform::Ref<platform::ui::Button> friendsButton_;
    platform::Ref<platform::ui::Button> gamesButton_;
};

} // namespace quorvel
