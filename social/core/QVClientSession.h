// QVClientSession: the running client's session — what start-up settles for
// the whole run (the session id and start, the game's names, the delegates,
// the notice position, the switches of the settings dictionary), the provider
// every request goes through and the activity poller. It answers the session
// role for the layers below; the role's answers that belong to another part
// (options, local records, location, login) are passed on in one line.
#pragma once

#include "platform/foundation/Value.h"
#include "social/core/QVClientPart.h"
#include "social/runtime/QVSessionRole.h"

#include <functional>
#include <optional>
#include <string>

struct sqlite3;

namespace platform::ui {
class Window;
}

namespace quorvel {

class QVChallengeDelegate;
class QVDelegatesContainer;
class QVNotificationDelegate;
class QVPoller;
class QuorvelDelegate;
struct QuorvelSettingsDictionary;

class QVClientSession final : public QVClientPart, public QVSessionRole {
public:
    explicit QVClientSession(Quorvel& client);
    ~QVClientSession() override;

    // Start-up: the delegates, the names and the switches of the settings
    // dictionary, a new session id and start date.
    void start(const std::string& displayName, const QuorvelSettingsDictionary& settings,
               QVDelegatesContainer* delegates);
    // The provider of the product key and its poller.
    void connect(const std::string& productKey, const std::string& productSecret);
    // Shut-down: the pending requests and the poller's timer stop first.
    void stopRequests();
    // The instance goes: everything the session holds is let go.
    void release();

    // ---- Delegates
    QuorvelDelegate* getDelegate() override;
    QVChallengeDelegate* getChallengeDelegate() override;
    QVNotificationDelegate* getNotificationDelegate();
    // The delegate of the current dashboard launch (takes precedence over the container's).
    void setLaunchDelegate(QuorvelDelegate* delegate);
    // Every call of the game's delegates goes through callGame (the role's
    // one door, QVSessionRole.h): this client is held across the call, kept
    // until the main loop's next turn when the call shut it down, and the
    // answer is false only when the call shut this running client down.
    // tellGame hands the call the game's delegate (nothing is called without
    // one, and the answer is then true) and answers the same.
    bool callGame(const std::function<void()>& call) override;
    bool tellGame(const std::function<void(QuorvelDelegate&)>& message);

    // ---- The session and the settings of start-up
    std::string sessionId() override;
    // Wall-clock start of this session; now without a running client.
    platform::Date sessionStartDate();
    int notificationPosition();
    bool invertNotifications();
    bool allowUserGeneratedContent() override;
    bool isUsingGameCenter() override;
    bool pushNotificationsEnabled();
    // The window given in the settings dictionary, or null (the key window then).
    platform::ui::Window* presentationWindow();
    std::string applicationDisplayName() override;
    std::string applicationShortDisplayName() override;

    // ---- Provider and poller
    QVProvider* provider() override;
    QVPoller* poller();
    void forceImmediatePoll() override;
    void stopPolling();
    void setPollingToDefaultFrequency() override;
    void setPollingFrequency(double seconds) override;
    void clearPollingCacheForClassType(const QVResourceClass& cls) override;
    // The application resigns active: the poller's interval is saved and it stops.
    void pausePolling();
    // The application is active again: the poller restarts at the interval saved
    // (nothing when none was saved since the last restore).
    void resumePolling();

    // ---- The offline store: the SQLite file "quorvel_offline" in the
    // Documents directory, opened when the offline service starts and closed
    // when it stops. The store owns the connection; the handle is null while
    // it is closed, when the open failed and without a running client.
    void setupOfflineDatabase();
    void teardownOfflineDatabase();
    sqlite3* getOfflineDatabaseHandle();

    // ---- The rest of the session role
    bool hasUserApprovedQuorvel() override;
    bool isQuorvelDisabled() override;
    void writeBootstrapParameters(QVHttpNestedQueryStringWriter& params) override;
    void applyBootstrap(const QVBootstrap& answer, QVProvider& provider) override;
    void notifyAddOnsUserLoggedIn() override;
    void synchronizeOfflineData(const QVBootstrap& answer) override;
    void synchronizeOfflineDataInTurns(const QVBootstrap& answer, std::function<void()> then) override;
    void getBootstrapKnownResources(QVResourceNameMap& names) override;
    void notifyAddOnsUserLoggedOut() override;
    bool addBootstrapDelegates(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;
    void getLocalUser(platform::Ref<QVUser>& user) override;
    void setLocalUser(QVUser* user) override;
    bool isOnline() override;
    std::string clientApplicationId() override;
    std::string lastLoggedInUserId() override;
    void getLocalGameProfileInfo(platform::Ref<QVGameProfilePageInfo>& info) override;
    void setLocalGameProfileInfo(const QVXmlElement& element) override;
    std::optional<std::pair<double, double>> userLocation() override;
    bool userHasRememberedChoiceForNotifications() override;
    bool userAllowsNotifications() override;
    platform::Date lastAnnouncementDateForLocalUser() override;
    void setLastAnnouncementDateForLocalUser(platform::Date date) override;
    void postUnreadAnnouncementCountChangedTo(int count) override;
    std::string suggestionsForumId() override;

private:
    platform::Ref<QVDelegatesContainer> mDelegatesContainer;
    QuorvelDelegate* mLaunchDelegate { nullptr }; // not retained: the game keeps it
    platform::Ref<platform::ui::Window> mPresentationWindow;
    std::string mDisplayName;
    std::string mShortDisplayName;
    platform::Ref<QVProvider> mProvider;
    platform::Ref<QVPoller> mPoller;
    int mNotificationPosition { 0 };
    bool mPushNotificationsEnabled { false };
    bool mDisableUGC { false };
    bool mIsUsingGameCenter { false };
    std::string mSessionId;
    platform::Date mSessionStartDate;
    // The interval a resign-active saved; nullopt when none was saved since the last restore.
    std::optional<double> mPollingFrequencyBeforeResigningActive;
};

} // namespace quorvel
