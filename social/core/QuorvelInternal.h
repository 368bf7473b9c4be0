// QuorvelInternal: the central class as the rest of the client sees it. The
// game calls Quorvel (Quorvel.h); the client's own layers above the central
// class (the dashboard, the notices) and its implementation call these: the
// shared instance, the delegates, the session, the poller, the root
// controller and its screens, the player's options and counters in the user
// defaults, the statistics, the posted notifications, Game Center and the
// add-ons' life cycle. The state they act on is the shared Quorvel instance's;
// every call tolerates its absence and then answers the fixed default
// described in Quorvel.h. Main thread only.
#pragma once

#include "social/core/Quorvel.h"

namespace quorvel {

class QuorvelInternal : public Quorvel {
public:

    static void createSharedInstance();
    static void destroySharedInstance();
    // Null before start-up and after shut-down.
    static Quorvel* sharedInstance();

    static QuorvelDelegate* getDelegate();
    static QVChallengeDelegate* getChallengeDelegate();
    static QVNotificationDelegate* getNotificationDelegate();
    // The delegate of the current dashboard launch (takes precedence over the container's).
    static void setLaunchDelegate(QuorvelDelegate* delegate);

    static QVProvider* provider();
    static QVPoller* poller();

    // The offline store: the SQLite file "quorvel_offline" in the Documents
    // directory, opened when the offline service starts and closed when it
    // stops. The store owns the connection; the handle is null while it is
    // closed, when the open failed and without a running client.
    static void setupOfflineDatabase();
    static void teardownOfflineDatabase();
    static sqlite3* getOfflineDatabaseHandle();

    // ---- Session, presentation and small settings

    static std::string sessionId();
    // Wall-clock start of this session; now without an instance.
    static platform::Date sessionStartDate();
    static int notificationPosition();
    static bool invertNotifications();
    static bool allowUserGeneratedContent();
    static bool isUsingGameCenter();
    static bool pushNotificationsEnabled();
    // The window given in the settings dictionary, or null (the key window then).
    static platform::ui::Window* presentationWindow();
    static std::string applicationDisplayName();
    static std::string applicationShortDisplayName();

    // ---- The poller

    static void forceImmediatePoll();
    static void stopPolling();
    static void setPollingToDefaultFrequency();
    static void setPollingFrequency(double seconds);
    static void clearPollingCacheForClassType(const QVResourceClass& cls);

    // ---- Approval, bootstrap and login (QuorvelLogin.cpp)

    // The bootstrap entry. A player who never answered the approval question
    // is asked first; one who declined gets only the Game Center step. While a
    // bootstrap runs, a further call sends nothing: its values wait for the
    // running one's outcome. An empty user id means the device's account.
    static void doBootstrap(bool forceCreateAccount, const std::string& userId, const QVDelegate& onSuccess,
                            const QVDelegate& onFailure);
    static void doBootstrap(const QVDelegate& onSuccess, const QVDelegate& onFailure)
    {
        doBootstrap(false, {}, onSuccess, onFailure);
    }
    // A bootstrap that carries the device's push token: it starts whatever
    // runs already and has no callers of its own.
    static void doBootstrapWithDeviceToken(const std::optional<platform::Bytes>& deviceToken, bool forceCreateAccount);
    static void addBootstrapDelegates(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static bool isBootstrapInProgress();
    // The user id of the running bootstrap, else the last logged-in user's.
    static std::string bootstrapUserId();
    static bool successfullyBootstrapped();
    // A bootstrap succeeded in this process (outlives the instance; cleared by invalidateBootstrap).
    static bool hasBootstrapCompleted();
    static void invalidateBootstrap();
    static void presentUserQuorvelApprovalModal(const QVDelegate& approved, const QVDelegate& denied);
    static void presentConfirmAccountModal(const QVDelegate& complete, bool useModalInDashboard);
    // Ends the approval, confirm-account and link-networks flows; runs a deferred logged-in call.
    static void dismissRootControllerOrItsModal();

    // The login flow never shows a login screen: an error screen while a
    // full-screen screen is up, else a notice; the request is abandoned.
    static void launchLoginFlowAndShowDashboard(bool showDashboard, QVActionRequest* request);
    static void launchLoginFlowForRequest(QVActionRequest* request);
    static void launchLoginFlowToDashboard() { launchLoginFlowAndShowDashboard(true, nullptr); }
    static void launchLoginFlowThenDismiss() { launchLoginFlowAndShowDashboard(false, nullptr); }
    static void loginWasAborted(bool certificateFailure);
    static void showSSLNotification();

    // The request layer's answers to statuses 430, 426 and 450.
    static void launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request, const platform::Bytes& body,
                                                           platform::Object* noticeUserData);
    static void displayUpgradeRequiredErrorMessage(const platform::Bytes& body);
    static void displayServerMaintenanceNotice(const platform::Bytes& body);
    static void presentRootControllerWithTabbedDashboard(const std::string& tabControllerName)
    {
        presentRootControllerWithTabbedDashboard(tabControllerName, {});
    }
    static void presentRootControllerWithTabbedDashboard(const std::string& tabControllerName,
                                                         const std::vector<DashboardEntry>& controllers);

    // The root controller exists, is not closing and shows a screen.
    static bool isShowingFullScreen();
    // A full-screen screen is up and it is the tabbed dashboard.
    static bool isDashboardHubOpen();
    static platform::ui::ViewController* getRootController();
    static platform::ui::View* getTopLevelView();
    static platform::ui::Window* getTopApplicationWindow();
    // The root's modal navigation stack, else its content's, else the selected tab's; null without one.
    static platform::ui::NavigationController* getActiveNavigationController();
    static bool isLargeScreen();
    static platform::Rect getDashboardBounds();
    static bool isInLandscapeMode();
    static bool isInLandscapeModeOniPad();
    static bool dashboardVisible();

    // Answers whether the root controller could be put up now; otherwise the
    // screen waits in the queue slot.
    static bool tryCreateDashboardWithModal(platform::ui::ViewController* screen);
    static void presentRootControllerWithModal(platform::Ref<platform::ui::ViewController> screen);
    static void presentModalOverlay(platform::Ref<platform::ui::ViewController> screen);
    static void presentModalOverlay(platform::Ref<platform::ui::ViewController> screen, bool opaque);
    // Pushes on the active navigation stack; without one the screen is shown
    // modally on the root controller (or as the root's screen when none is up).
    static void pushOnActiveNavigationController(platform::Ref<platform::ui::ViewController> screen);
    static void dismissRootController();
    // The root's show or hide transition ended.
    static void animationDidStop(bool finished);
    static void destroyDashboard();
    // The screens on show: the root's screen (its navigation stack, an intro
    // frame's stack or the selected tab's), then its modal screen's, root first.
    static std::vector<platform::Ref<platform::ui::ViewController>> presentedScreens();
    // The controller presented last (the root's modal screen, else what the root shows), or null.
    static platform::ui::ViewController* topPresentedController();

    static void dashboardWillAppear();
    static void dashboardDidAppear();
    static void dashboardWillDisappear();
    static void dashboardDidDisappear();

    // Online and offline mode of an open dashboard (each acts only on a change).
    static void switchToOnlineDashboard();
    static void switchToOfflineDashboard();
    static void reloadInactiveTabBars();

    // Orientation.
    static void transformView(platform::ui::View* view, int orientation);
    static void transformViewToDashboardOrientation(platform::ui::View* view);

    // Error screens inside the dashboard: never stacked; a second one while
    // one is shown or about to be pushed (0.1 s later) is dropped.
    static void displayErrorMessage(const std::string& message);
    static void displayErrorMessageAndOfflineButton(const std::string& message);
    static void displayErrorMessage(platform::Ref<platform::ui::ViewController> screen,
                                    platform::ui::NavigationController* navController);
    // The error screen in the active navigation stack.
    static void displayErrorScreen(platform::Ref<platform::ui::ViewController> screen);
    static bool isShowingErrorScreenInNavController(platform::ui::NavigationController* navController);
    static bool areErrorScreensAllowed();
    static void allowErrorScreens(bool allow);

    // What a received challenge does: fetch it, then open the dashboard on it
    // (launch) or show its notice (while the game runs). The challenge
    // service's fetches unless replaced here (empty handlers restore them).
    struct ChallengePushHandlers {
        std::function<void(const std::string& challengeToUserId)> showDetailView;
        std::function<void(const std::string& challengeToUserId)> showNotification;
    };
    static void setChallengePushHandlers(ChallengePushHandlers handlers);

    // The application icon's badge shows the unviewed challenges.
    static void updateApplicationBadge();

    // Pictures by URL: the shared cache's image at once (no download, null
    // handle), else a download on the caller's own service. A URL beginning
    // with "http" or "www" is fetched as it is; any other relative to the server.
    static platform::Ref<QVRequestHandle> getImageFromUrl(const std::string& url, platform::Ref<platform::Image>& cachedImage,
                                                          platform::Ref<QVHttpService>& httpService,
                                                          platform::Ref<QVHttpServiceObserver>& httpObserver,
                                                          platform::Object* target, QVDelegate::Method onDownloadSuccess,
                                                          QVDelegate::Method onDownloadFailure);
    static platform::Ref<QVRequestHandle> downloadImageFromUrl(const std::string& url,
                                                               platform::Ref<QVHttpService>& httpService,
                                                               platform::Ref<QVHttpServiceObserver>& httpObserver,
                                                               const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // Cancels the service's downloads and lets it go.
    static void destroyHttpService(platform::Ref<QVHttpService>& httpService);

    // ---- The player's location
    // Not when the distance-unit option is 1, not before approval, not without
    // an instance; otherwise a new tracker replaces the current one.
    static void startLocationManagerIfAllowed();
    static void setUserLocation(QVLocation* location);
    // The tracker's last fix; null without one.
    static platform::ui::Location* getUserLocation();
    static QVLocation* locationTracker();
    static void unregisterAllAddOns();
    static void initializeAddOns(const QuorvelSettingsDictionary& settings);
    static void setDefaultAddOnSettings(platform::ValueDictionary& settings);
    static void loadAddOnSettings(platform::ValueDictionary& settings, platform::Object* reader);
    static void notifyAddOnsUserLoggedIn();
    static void notifyAddOnsUserLoggedOut();
    // Asks each add-on until one handles the payload; answers whether one did.
    static bool allowAddOnsToRespondToPushNotification(const platform::Value& notification,
                                                       bool duringApplicationLaunch);
    static void shutdownAddOns();

    // ---- Notifications posted to the default centre (object nil)

    static void postDashboardOrientationChangedTo(int newOrientation, int oldOrientation);
    static void postUnreadInviteCountChangedTo(int count);
    static void postUnreadPostCountChangedTo(int count);
    static void postUnreadIMCountChangedTo(int count);
    static void postUnreadInboxCountChangedTo(int count);
    static void postUnreadAnnouncementCountChangedTo(int count);
    static void postPendingFriendsCountChangedTo(int count);
    static void postUnviewedChallengeCountChangedTo(int count);
    static void postAddFriend(platform::Object* user);
    static void postRemoveFriend(platform::Object* user);
    static void postUserChangedNotificationFromUser(platform::Object* previous, platform::Object* current);
    static void postFriendPresenceChanged(platform::Object* user, const std::string& presence);
    static void postUserOnline();
    static void postUserOffline();

    // ---- User options and settings in the user defaults

    static bool _hasUserApprovedQuorvel();
    static bool hasUserSetQuorvelAccess();
    static void setUserApprovedQuorvel();
    static void setUserDeniedQuorvel();
    static void _resetHasUserSetQuorvelAccess();
    static bool shouldAutomaticallyPromptLogin();
    static void setDontAutomaticallyPromptLogin();
    static bool isDisabled();
    static void setDisabled(bool disabled);
    static bool doneWithGetTheMost();
    static void setDoneWithGetTheMost(bool done);
    static bool isSynchedWithGameCenterLeaderboards();
    static void setSynchWithGameCenterLeaderboards(bool synched);
    static bool isSynchedWithGameCenterAchievements();
    static void setSynchWithGameCenterAchievements(bool synched);
    static bool loggedInUserHasChatEnabled();
    static void setLoggedInUserHasChatEnabled(bool enabled);
    static bool userAllowsNotifications();
    static void setUserAllowsNotifications(bool allows);
    static bool userHasRememberedChoiceForNotifications();
    static void setUserHasRememberedChoiceForNotifications(bool remembered);
    static int userDistanceUnit();
    static void setUserDistanceUnit(int unit);
    static platform::Value suggestionsForumId();
    static void setSuggestionsForumId(platform::Value forumId);

    static int unreadIMCount();
    static void setUnreadIMCount(int count);
    static int unreadPostCount();
    static void setUnreadPostCount(int count);
    static int unreadInviteCount();
    static void setUnreadInviteCount(int count);
    static void setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(int im, int posts, int invites);
    static int unreadInboxTotal();
    static int pendingFriendsCount();
    static void setPendingFriendsCount(int count);
    static int unviewedChallengesCount();
    static void setUnviewedChallengesCount(int count);

    static std::string clientApplicationId();
    static void setClientApplicationId(const std::string& id);
    static std::string clientApplicationIconUrl();
    static void setClientApplicationIconUrl(const std::string& url);
    static std::string initialDashboardScreen();
    static void setInitialDashboardScreen(const std::string& screen);
    static platform::Value initialDashboardModalContentURL();
    static void setInitialDashboardModalContentURL(platform::Value url);

    // The local user: null without an instance or when the stored archive
    // cannot be read; the registered default is the invalid user.
    static platform::Ref<QVUser> localUser();
    // Archives the user, replaces the cached one and posts the change.
    static void setLocalUser(QVUser* user);
    // The running game's profile, archived in the user defaults (the default
    // info until the bootstrap or the offline configuration replaces it);
    // storing one also sets the client application id from its id.
    static platform::Ref<QVGameProfilePageInfo> localGameProfileInfo();
    static void setLocalGameProfileInfo(QVGameProfilePageInfo* info);
    // What the running game offers, from its profile.
    static bool appHasFeaturedApplication();
    static bool appHasLeaderboards();
    static bool appHasChallenges();
    static bool appHasAchievements();
    // The same from a <game_profile_page_info> element (bootstrap, offline configuration).
    static void setLocalGameProfileInfoFromXml(const QVXmlElement& element);
    static bool lastLoggedInUserUsesFacebookProfilePicture();
    static std::optional<std::string> lastLoggedInUserProfilePictureUrl();
    static void loggedInUserChangedNameTo(const std::string& name);

    static bool loggedInUserIsNewUser();
    static void setLoggedInUserIsNewUser(bool isNew);
    static bool loggedInUserHasTwitterCredential();
    static void setLoggedInUserHasTwitterCredential(bool has);
    static bool loggedInUserHasFbconnectCredential();
    static void setLoggedInUserHasFbconnectCredential(bool has);
    static bool loggedInUserHasHttpBasicCredential();
    static void setLoggedInUserHasHttpBasicCredential(bool has);
    static bool loggedInUserHasNonDeviceCredential();
    static void setLoggedInUserHasNonDeviceCredential(bool has);
    static bool loggedInUserSharesOnlineStatus();
    static void setLoggedInUserSharesOnlineStatus(bool shares);
    static bool lastLoggedInUserHasSetName();
    static void setLoggedInUserHasSetName(bool hasSetName);
    static bool lastLoggedInUserHadFriendsOnBootup();
    static void setLoggedInUserHadFriendsOnBootup(bool had);

    // The newest announcement the local user has seen (distant past when none).
    static platform::Date lastAnnouncementDateForLocalUser();
    // Stores the date only when it is later than the stored one.
    static void setLastAnnouncementDateForLocalUser(platform::Date date);

    // Poller intervals in whole seconds.
    static int getPollingFrequencyDefault();
    static void storePollingFrequencyDefault(int seconds);
    static int getPollingFrequencyInChat();
    static void storePollingFrequencyInChat(int seconds);

    // Registered defaults (at start-up).
    static void intiailizeUserOptions();
    static void intiailizeSettings();

    // ---- Usage statistics

    static void intiailizeUserStats();
    static void sessionClosed();
    static void dashboardLaunched();
    static void dashboardClosed();
    static int numberOfGameSessions();
    static void setNumberOfGameSessions(int value);
    static void incrementNumberOfGameSessions();
    static int numberOfOnlineGameSessions();
    static void setNumberOfOnlineGameSessions(int value);
    static void incrementNumberOfOnlineGameSessions();
    static int totalGameSessionsDuration();
    static void setTotalGameSessionsDuration(int seconds);
    static void incrementTotalGameSessionsDurationBy(int seconds);
    static int numberOfDashboardLaunches();
    static void setNumberOfDashboardLaunches(int value);
    static void incrementNumberOfDashboardLaunches();
    static int totalDashboardDuration();
    static void setTotalDashboardDuration(int seconds);
    static void incrementTotalDashboardDurationBy(int seconds);
    // Writes the five "[user_stats]" parameters of the bootstrap request.
    static void getUserStatsParams(QVHttpNestedQueryStringWriter& params);
    static void showBackgroundNotice(const BackgroundNotice& notice);
    static void setDefaultBackgroundNotice(const BackgroundNotice& notice);
    static void showDefaultNotice();
    static void clearDefaultNotice();

    // ---- Game Center
    // In use (the setting, on a system that offers it) and the local player signed in.
    static bool isLoggedIntoGameCenter();
    // Not in use: the login flow's Game Center check at once. In use: makes
    // the bridge once, which signs the player in.
    static void initializeGameCenter();
    static void releaseGameCenter();
    // The bridge while it exists, else null.
    static QuorvelGameCenter* gameCenterBridge();
    static std::optional<std::string> getGameCenterLeaderboardCategory(const std::string& leaderboardId);
    static std::optional<std::string> getGameCenterAchievementId(const std::string& achievementId);
    // Reports a score; answers the date Game Center gave it.
    static platform::Date submitScoreToGameCenter(int64_t score, const std::string& category,
                                                  std::function<void(const platform::gamekit::OptionalError&)> handler);
    static void submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                              std::function<void(const platform::gamekit::OptionalError&)> handler);
    static void loadGameCenterScores(const std::string& leaderboardId);
    static bool isGameCenterScoreLoadedForLeaderboardId(const std::string& leaderboardId, int timeScope);
    static std::vector<platform::gamekit::Score> getGameCenterScores(int timeScope);
    static std::optional<std::vector<std::string>> getGameCenterFriends();
    // The leaderboard page of the high-score screen: the player's section,
    // "Friends" and everyone, with Game Center's scores of the time scope
    // merged into everyone while the leaderboard's category is the one loaded.
    static platform::Ref<QVPaginatedSeries> combinedGameCenterForLeaderboardId(const std::string& leaderboardId,
                                                                               int timeScope,
                                                                               const QVPaginatedSeries& globals,
                                                                               const QVPaginatedSeries* friends);
    // Game Center's scores of the time scope merged with a page of service scores (or none).
    static platform::Ref<QVPaginatedSeries> _combineGameCenterScope(int timeScope,
                                                                    const QVPaginatedSeries* servicePage);
    static void loadGameCenterPlayerName(
        const std::string& playerId,
        std::function<void(const std::optional<std::string>& alias, const platform::gamekit::OptionalError&)> handler);
    // The login flow's steps after a Game Center sign-in.
    static void loginGameCenterCheck();
    // Sends what the device kept offline (scores, achievements), once per successful bootstrap.
    static void sendPendingDataOnce();
    static void loginShowNotifications();

    // ---- Testing seam

    // Each step of start-up and shut-down that reaches another part of the
    // client (services, loader, poller registration, add-ons, bootstrap) is
    // reported by name to this observer, when one is set.
    using LifecycleObserver = std::function<void(const std::string& step)>;
    static void setLifecycleObserver(LifecycleObserver observer);
    static void traceStep(const std::string& step);

    // ---- Parts of start-up and shut-down

    static void initializeServices();
    static void releaseUserStatsDates();
    // The archived invalid user and default game information, as registered defaults.
    static void registerLocalRecordDefaults(platform::ValueDictionary& registered);
    static void shutdownServices();
    static void _invokeLoggedInDelegate();
    // A bootstrap's answer, handed to the shared instance (which ignores an
    // answer of a cancelled attempt).
    static void bootstrapAttemptSucceeded(platform::Object* attempt, platform::Object* answer);
    static void bootstrapAttemptFailed(platform::Object* attempt, platform::Object* response);
    static void invokeAndClearBootstrapDelegates(std::vector<QVDelegate> delegates, platform::Object* argument);

private:
    QuorvelInternal() = delete;
};

} // namespace quorvel
