// QVGameProfileController: a game's page — a panel of large buttons, one for
// each thing the game offers (leaderboards, achievements, challenges, forum
// discussions, fan club, who is playing), each opening the matching screen.
// It downloads the game's profile (what the game offers), shows counts on its
// challenge and fan club buttons and on its own tab, and offline keeps only
// what the device's offline store can serve.
//
// The root page of the dashboard's first tab has no clientApplicationId and
// shows the running game. Interface files: "GameProfile", and
// "GameProfileWithNavBar" on a large screen.
#pragma once

#include "platform/ui/Button.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVButtonPanel.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVViewController.h"

#include <string>

namespace quorvel {

class QVGameProfileController : public QVViewController,
                                public QVBannerProvider,
                                public QVProfileFrame,
                                public QVGameProfileScreen {
    QV_DECLARE_CLASS(QVGameProfileController)
public:
    static constexpr const char* kForumWarning
        = "We will never ask for your password or contact information in forums or chat. Posting of profanity, "
          "hateful, or threatening material may result in account suspension or removal.";

    // The forum warning is shown once per process; tests start again here.
    static void resetForumWarning();

    // The page of a game pushed on the active stack, compared with `user`
    // when that is someone other than the player (through the loader, so a
    // game's own page class is used). Answers the page, null when none loads.
    static platform::Ref<platform::ui::ViewController> showGameProfileWithClientApplicationId(
        const std::string& clientApplicationId, QVUser* compareToUser = nullptr);
    // The running game's page.
    static platform::Ref<platform::ui::ViewController> showGameProfileWithLocalApplication();

    // Button actions.
    void pressedLeaderboards();
    void pressedAchievements();
    void pressedChallenges();
    void pressedFanClub();
    void pressedWhosPlaying();
    void pressedDiscussions();
    void pressedEnableQuorvel();

    platform::Ref<platform::ui::ViewController> pushControllerByName(const std::string& name);
    void pushController(platform::ui::ViewController* controller);

    // Sent by the central class when the dashboard goes offline.
    void refreshView() override { _refreshView(); }
    // Sent by the framed navigation when the page's users change.
    void profileUsersChanged(QVUser* user, QVUser* comparedToUser) override;
    // Sent by the dashboard when the tab's page is made.
    void registerForBadgeNotifications() override;
    bool isRegisteredForBadgeNotifications() const { return registeredForBadges_; }

    // Banner of the framed navigation.
    std::string bannerCellControllerName() override { return "FeaturedGame"; }
    bool isBannerAvailableNow() override;
    platform::Object* getBannerResource() override { return nullptr; }
    void onBannerClicked() override { }
    bool supportsComparison() override { return false; }
    bool canReceiveCallbacksNow() override { return true; }

    const std::string& clientApplicationId() const { return clientApplicationId_; }
    void setClientApplicationId(const std::string& id) { clientApplicationId_ = id; }
    void showGame(const std::string& clientApplicationId, bool withNavBar) override;
    // "setClientApplicationId", and "setWithNavBar" for the large screen's
    // page, which carries its own bar of buttons.
    bool performSetter(const std::string& setterName, platform::Object* value) override;
    QVGameProfilePageInfo* gameProfileInfo() const { return gameProfileInfo_.get(); }
    bool wasOfflineLastRefresh() const { return wasOfflineLastRefresh_; }
    bool usingLongButtons() const { return usingLongButtons_; }

    platform::ui::Button* leaderboardsButton() const { return leaderboardsButton_.get(); }
    platform::ui::Button* achievementsButton() const { return achievementsButton_.get(); }
    platform::ui::Button* discussionsButton() const { return discussionsButton_.get(); }
    platform::ui::Button* whosPlayingButton() const { return whosPlayingButton_.get(); }
    QVBadgeButton* challengesButton() const { return challengesButton_.get(); }
    QVBadgeButton* fanClubButton() const { return fanClubButton_.get(); }
    platform::ui::Button* discussionsLongButton() const { return discussionsLongButton_.get(); }
    platform::ui::Button* whosPlayingLongButton() const { return whosPlayingLongButton_.get(); }
    QVBadgeButton* fanClubLongButton() const { return fanClubLongButton_.get(); }
    QVButtonPanel* buttonPanel() const { return buttonPanel_.get(); }
    platform::ui::View* backgroundView() const { return backgroundView_.get(); }

    // Width x height of the panel's buttons for a panel of n buttons.
    static platform::Size _buttonSizeForMaxButtons(int n);

    // Builds the interface file's objects into this controller.
    void buildInterface(platform::ui::InterfaceBuilder* builder, const char* layoutName, bool withLongButtons);
    // The page the first tab shows while the player has not approved the
    // client: a message and the button that turns the client on.
    void buildEnableInterface(platform::ui::InterfaceBuilder& builder, const char* layoutName);
    platform::ui::Button* enableButton() const { return enableButton_.get(); }

    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    void loadView() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVGameProfileController() = default;
    ~QVGameProfileController() override;

private:
    void _downloadGameProfileInfo();
    void _downloadedGameProfile(platform::Object* series);
    void _failedDownloadingGameProfile(platform::Object*);
    void _refreshView();
    void _configureButton(platform::ui::Button* button, int row);
    void _configureLongButton(platform::ui::Button* button);
    void _switchToOnlineMode(platform::Object*);
    void _stayInOfflineMode(platform::Object*);
    void _accountFlowEnded(platform::Object*);
    void _hideLoading(platform::Object*) { hideLoadingScreen(); }
    void _unviewedChallengesChanged(unsigned count);
    void _unreadAnnouncementsChanged(unsigned count);
    bool isRunningGameProfile() const;

    platform::Ref<platform::ui::Button> leaderboardsButton_;
    platform::Ref<platform::ui::Button> achievementsButton_;
    platform::Ref<platform::ui::Button> discussionsButton_;
    platform::Ref<platform::ui::Button> whosPlayingButton_;
    platform::Ref<QVBadgeButton> challengesButton_;
    platform::Ref<QVBadgeButton> fanClubButton_;
    platform::Ref<platform::ui::Button> discussionsLongButton_;
    platform::Ref<platform::ui::Button> whosPlayingLongButton_;
    platform::Ref<QVBadgeButton> fanClubLongButton_;
    platform::Ref<platform::ui::View> backgroundView_;
    platform::Ref<QVButtonPanel> buttonPanel_;
    platform::Ref<platform::ui::Button> enableButton_;
    std::string clientApplicationId_;
    platform::Ref<QVGameProfilePageInfo> gameProfileInfo_;
    bool wasOfflineLastRefresh_ { false };
    bool usingLongButtons_ { false };
    bool registeredForBadges_ { false };
    bool awaitingLogin_ { false }; // "Enable Quorvel" waits for the login it started
};

} // namespace quorvel
