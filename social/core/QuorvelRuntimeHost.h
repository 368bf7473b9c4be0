// QuorvelRuntimeHost: the runtime's seam filled by the central class. While
// the client runs, the runtime asks the facade for the player's approval, the
// disabled option, the session id, the provider and the bootstrap request's
// usage statistics through it; what the facade does not answer yet keeps the
// runtime's default behaviour.
#pragma once

#include "social/runtime/QVRuntimeHost.h"
#include "social/ui/QVDashboardHost.h"

namespace quorvel {

class QuorvelRuntimeHost final : public QVRuntimeHost {
public:
    // Installed at start-up, removed at shut-down, together with the UI kit's host.
    static void install();
    static void uninstall();

    bool areErrorScreensAllowed() override;
    bool hasUserApprovedQuorvel() override;
    bool isQuorvelDisabled() override;
    std::string sessionId() override;
    QVProvider* provider() override;
    void writeBootstrapParameters(QVHttpNestedQueryStringWriter& params) override;
    void synchronizeOfflineData(const QVBootstrap& answer) override;
    void notifyAddOnsUserLoggedIn() override;
    void notifyAddOnsUserLoggedOut() override;
    std::optional<std::pair<double, double>> userLocation() override;
    bool isShowingFullScreen() override;
    void displayErrorMessage(const std::string& message) override;
    void displayUpgradeRequiredErrorMessage(const platform::Bytes& body) override;
    void displayServerMaintenanceNotice(const platform::Bytes& body) override;
    void launchLoginFlowForRequest(QVActionRequest& request) override;
    void launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request, const platform::Bytes& body,
                                                    platform::Object* noticeUserData) override;
    platform::Ref<platform::Object> localUser() override;
    bool isOnline() override;
    std::string clientApplicationId() override;
    std::string lastLoggedInUserId() override;
    std::string applicationDisplayName() override;
    std::string applicationShortDisplayName() override;
    platform::Ref<platform::Object> localGameProfileInfo() override;
    bool isLargeScreen() override;
    bool isInLandscapeMode() override;
    void applyBootstrap(const QVBootstrap& answer, QVProvider& provider) override;
    platform::Date lastAnnouncementDateForLocalUser() override;
    void setLastAnnouncementDateForLocalUser(platform::Date date) override;
    void postUnreadAnnouncementCountChangedTo(int count) override;
    std::string suggestionsForumId() override;
    void showDefaultNotice() override;
    void showBackgroundNotice(const BackgroundNotice& notice) override;
    void setDefaultBackgroundNotice(const BackgroundNotice& notice) override;
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
    void showAchievementNotice(platform::Object* achievement, double percentComplete) override;
    void setLocalUser(platform::Object* user) override;

    // In-game notices.
    void showServerNotification(const QVXmlElement& element, const QVResourceNameMap& names) override;
    void showBackgroundNoticeForLoader(QVActionRequest& request, platform::Object* notice) override;
    platform::Ref<platform::Object> foregroundNotice(const std::string& text) override;
    platform::Ref<platform::Object> categorizedNotice(const std::string& text, int category, int type) override;
};

// The UI kit's seam: the dashboard orientation of the running client.
class QuorvelDashboardHost final : public QVDashboardHost {
public:
    platform::ui::InterfaceOrientation getDashboardOrientation() override;
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
