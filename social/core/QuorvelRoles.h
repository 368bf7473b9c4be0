// QuorvelRoles: the central class's one implementation of the role
// interfaces the layers below it declare — the session, the request UI and
// Game Center (runtime), the screens the services open (services) and the
// dashboard as the kit sees it (ui). Installed at start-up, removed at
// shut-down; each answer goes to the central class.
#pragma once

#include "social/runtime/QVGameCenterRole.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVScreensRole.h"
#include "social/ui/QVDashboardRole.h"

namespace quorvel {

class QuorvelRoles final : public QVSessionRole,
                           public QVRequestUIRole,
                           public QVGameCenterRole,
                           public QVScreensRole,
                           public QVDashboardRole {
public:
    // Installed at start-up, removed at shut-down, every role together.
    static void install();
    static void uninstall();

    // Session.
    std::string sessionId() override;
    QVProvider* provider() override;
    bool hasUserApprovedQuorvel() override;
    bool isQuorvelDisabled() override;
    void writeBootstrapParameters(QVHttpNestedQueryStringWriter& params) override;
    void applyBootstrap(const QVBootstrap& answer, QVProvider& provider) override;
    void notifyAddOnsUserLoggedIn() override;
    void synchronizeOfflineData(const QVBootstrap& answer) override;
    void notifyAddOnsUserLoggedOut() override;
    bool addBootstrapDelegates(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    platform::Ref<platform::Object> localUser() override;
    void setLocalUser(platform::Object* user) override;
    bool isOnline() override;
    std::string clientApplicationId() override;
    std::string lastLoggedInUserId() override;
    std::string applicationDisplayName() override;
    std::string applicationShortDisplayName() override;
    platform::Ref<platform::Object> localGameProfileInfo() override;
    void setLocalGameProfileInfo(const QVXmlElement& element) override;
    std::optional<std::pair<double, double>> userLocation() override;
    bool userHasRememberedChoiceForNotifications() override;
    bool userAllowsNotifications() override;
    // Both the session and the dashboard role ask it.
    bool isLargeScreen() override;
    bool isInLandscapeMode() override;
    platform::Date lastAnnouncementDateForLocalUser() override;
    void setLastAnnouncementDateForLocalUser(platform::Date date) override;
    void postUnreadAnnouncementCountChangedTo(int count) override;
    std::string suggestionsForumId() override;
    void clearPollingCacheForClassType(const QVResourceClass& resourceClass) override;
    void forceImmediatePoll() override;

    // Request UI.
    void showServerNotification(const QVXmlElement& element, const QVResourceNameMap& names) override;
    void showDefaultNotice() override;
    bool areErrorScreensAllowed() override;
    void displayErrorMessage(const std::string& message) override;
    void displayUpgradeRequiredErrorMessage(const platform::Bytes& body) override;
    void displayServerMaintenanceNotice(const platform::Bytes& body) override;
    bool isShowingFullScreen() override;
    void launchLoginFlowForRequest(QVActionRequest& request) override;
    void showBackgroundNoticeForLoader(QVActionRequest& request, platform::Object* notice) override;
    void launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request, const platform::Bytes& body,
                                                    platform::Object* noticeUserData) override;
    platform::Ref<platform::Object> foregroundNotice(const std::string& text) override;
    platform::Ref<platform::Object> categorizedNotice(const std::string& text, int category, int type) override;
    platform::Ref<platform::Object> publishedEventNotice(const std::string& text, platform::Object* post) override;
    void showBackgroundNotice(const BackgroundNotice& notice) override;
    void setDefaultBackgroundNotice(const BackgroundNotice& notice) override;
    void showAchievementNotice(platform::Object* achievement, double percentComplete) override;

    // Game Center.
    bool isLoggedIntoGameCenter() override;
    std::optional<std::string> gameCenterLeaderboardCategory(const std::string& leaderboardId) override;
    platform::Date submitScoreToGameCenter(int64_t score, const std::string& category,
                                           std::function<void(bool failed)> completion) override;
    bool isSynchedWithGameCenterLeaderboards() override;
    void setSynchWithGameCenterLeaderboards(bool synched) override;
    std::optional<std::string> gameCenterAchievementId(const std::string& achievementId) override;
    void submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                       std::function<void(bool failed)> completion) override;
    bool isSynchedWithGameCenterAchievements() override;
    void setSynchWithGameCenterAchievements(bool synched) override;

    // Screens the services open.
    bool presentChallengeScreen(const QVChallengeScreen& screen) override;
    void showChallengeDetail(const std::string& challengeId) override;
    void showChallengeNotice(QVChallengeToUser* received) override;
    bool requestNotificationPermission(QVSocialNotification* notification,
                                       const std::vector<platform::Ref<QVUsersCredential>>& credentials) override;
    bool presentSendInviteScreen(const std::string& inviteIdentifier) override;
    platform::Ref<platform::ui::ViewController> loadScreen(const std::string& name) override;

    // The dashboard as the kit sees it.
    platform::ui::InterfaceOrientation getDashboardOrientation() override;
    platform::Rect getDashboardBounds() override;
    platform::ui::ViewController* getRootController() override;
    platform::ui::View* getTopLevelView() override;
    void switchToOfflineDashboard() override;
    void dismissDashboard() override;
    void animationDidStop(bool finished) override;
    std::string initialDashboardModalContentURL() override;
    void setInitialDashboardModalContentURL(const std::string& url) override;
    void presentRootControllerWithModal(platform::ui::ViewController* screen) override;
    void dismissRootControllerOrItsModal() override;
    void allowErrorScreens(bool allow) override;
};

} // namespace quorvel
