// Quorvel: the social client's central class. The game starts the client with
// initializeWithProductKey(...) and talks to it through class methods; every
// other part of the client reaches the shared state (provider, poller,
// delegates, session, dashboard state) through it.
//
// The state lives in one shared instance, made at start-up and released at
// shut-down. Every class method tolerates its absence and then answers a fixed
// default (nil, NO, 0; 1 for the orientation and the notification position;
// "0" for the session id). Start-up runs once; a second one without a
// shut-down in between is refused. Main thread only.
//
// The class's methods are spread over several files: start-up and shut-down
// (Quorvel.cpp), the services it starts (QuorvelServices.cpp), approval,
// bootstrap, login and logout (QuorvelLogin.cpp), the dashboard and the
// client's full-screen screens (QuorvelDashboard.cpp) and the pages a game
// opens directly (QuorvelDashboardPages.cpp), application events and push
// payloads (QuorvelLifecycle.cpp), user options and settings in the user
// defaults (QuorvelUserOptions.cpp), the local user and game
// (QuorvelLocalUser.cpp), usage statistics (QuorvelUserStats.cpp), posted
// notifications (QuorvelNotifications.cpp), in-game notices
// (QuorvelNotices.cpp), Game Center (QuorvelGameCenter.cpp), add-ons
// (QuorvelAddOns.cpp) and its answers to the layers below, the role
// interfaces (QuorvelRoles.cpp).
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Geometry.h"
#include "platform/foundation/Value.h"
#include "social/core/QuorvelDelegate.h"
#include "platform/gamekit/GameCenter.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVRequestUIRole.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

struct sqlite3;

namespace platform {
class Image;
}

namespace platform::ui {
class Location;
class NavigationController;
class View;
class Window;
class ViewController;
} // namespace platform::ui

namespace quorvel {

class QVActionRequest;
class QVHttpNestedQueryStringWriter;
class QVHttpService;
class QVHttpServiceObserver;
class QVLocation;
class QVPaginatedSeries;
class QVRequestHandle;
class QuorvelAddOn;
class QVPoller;
class QVProvider;
class QVReachabilityObserver;
class QVResourceClass;
class QVUser;
class QuorvelGameCenter;
class QVGameProfilePageInfo;
struct QVXmlElement;

// The settings dictionary the game hands to start-up: property-list values by
// key, and the few keys whose value is an object (the presentation window).
struct QuorvelSettingsDictionary {
    platform::ValueDictionary values;
    std::vector<std::pair<std::string, platform::Ref<platform::Object>>> objects;

    // Nil when absent.
    const platform::Value& objectForKey(const std::string& key) const { return values.get(key); }
    // Null when absent.
    platform::Object* objectValueForKey(const std::string& key) const
    {
        for (auto& [k, v] : objects)
            if (k == key)
                return v.get();
        return nullptr;
    }
    void setObject(const std::string& key, platform::Ref<platform::Object> object)
    {
        objects.emplace_back(key, std::move(object));
    }
};

class Quorvel : public platform::Object, public QVCallbackable {
public:
    ~Quorvel() override;

    // ---- Start-up and shut-down

    static void initializeWithProductKey(const std::string& productKey, const std::string& productSecret,
                                         const std::string& displayName, const QuorvelSettingsDictionary& settings,
                                         QVDelegatesContainer* delegates);
    static void shutdown();

    static void createSharedInstance();
    static void destroySharedInstance();
    // Null before start-up and after shut-down.
    static Quorvel* sharedInstance();

    static int versionNumber() { return 11022010; }
    static std::string releaseVersionString() { return "1.4.0"; }

    const std::string& mProductKey() const { return mProductKey_; }
    void setMProductKey(const std::string& key) { mProductKey_ = key; }

    static QuorvelDelegate* getDelegate();
    static QVChallengeDelegate* getChallengeDelegate();
    static QVNotificationDelegate* getNotificationDelegate();
    // The delegate of the current dashboard launch (takes precedence over the container's).
    static void setLaunchDelegate(QuorvelDelegate* delegate);

    static QVProvider* provider();
    static QVPoller* poller();

    static void reserveMemory() { }
    static void releaseReservedMemory() { }
    static bool shouldWarnOnIncompleteDelegates() { return false; }
    static void setShouldWarnOnIncompleteDelegates(bool warn);

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
    static int getDashboardOrientation();
    // Needs the instance; an unchanged value does nothing. On a phone while a
    // full-screen screen is up the call is ignored; on a large screen the
    // dashboard on show turns (0.4 s between portrait and landscape, else 0.8 s).
    static void setDashboardOrientation(int orientation);
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
    static void loginWithUserId(const std::string& userId, const QVDelegate& onSuccess, const QVDelegate& onFailure)
    {
        doBootstrap(false, userId, onSuccess, onFailure);
    }
    // A bootstrap that carries the device's push token: it starts whatever
    // runs already and has no callers of its own.
    static void doBootstrapWithDeviceToken(const std::optional<platform::Bytes>& deviceToken, bool forceCreateAccount);
    static void addBootstrapDelegates(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static bool isBootstrapInProgress();
    // The user id of the running bootstrap, else the last logged-in user's.
    static std::string bootstrapUserId();
    static bool successfullyBootstrapped();
    static bool isSuccessfullyBootstrapped() { return successfullyBootstrapped(); }
    // A bootstrap succeeded in this process (outlives the instance; cleared by invalidateBootstrap).
    static bool hasBootstrapCompleted();
    static void invalidateBootstrap();
    // A bootstrap succeeded in this process and the server can be reached.
    static bool isOnline();

    static bool hasUserApprovedQuorvel() { return _hasUserApprovedQuorvel(); }
    static void presentUserQuorvelApprovalModal(const QVDelegate& approved, const QVDelegate& denied);
    // The approval screens' answer (the game's own screen calls the first form).
    static void userDidApproveQuorvel(bool approved) { userDidApproveQuorvel(approved, QVDelegate()); }
    static void userDidApproveQuorvel(bool approved, const QVDelegate& accountSetupComplete);
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

    // Logs the player out: token, local user and presence channel go; the game hears userLoggedOut.
    static void logoutUser();

    // ---- The dashboard and the client's full-screen screens (QuorvelDashboard.cpp)
    // Every full-screen screen is shown inside one root controller (loaded as
    // "Root") whose view goes on the top application window. Only one screen is
    // shown at a time: a screen offered while another is showing or closing
    // waits in a single queue slot (a later offer replaces it) and is shown
    // right after the close. The game's delegate hears dashboardWillAppear,
    // dashboardDidAppear, dashboardWillDisappear and dashboardDidDisappear.

    // An entry of a dashboard launch: a screen name, a leaderboard id (after a
    // leaderboard list screen) or a screen object.
    using DashboardEntry = std::variant<std::string, platform::Ref<platform::Object>>;

    static void launchDashboard() { launchDashboardWithDelegate(nullptr); }
    static void launchDashboardWithDelegate(QuorvelDelegate* delegate)
    {
        launchDashboardWithDelegate(delegate, {}, std::vector<DashboardEntry> {});
    }
    // Approval first when the player never approved and nothing is stored
    // offline; the login flow (or an alert while unreachable) without a login;
    // otherwise the tabbed dashboard on the tab (empty: the initial or default
    // one) with the entries pushed on it.
    static void launchDashboardWithDelegate(QuorvelDelegate* delegate, const std::string& tabControllerName,
                                            const std::vector<DashboardEntry>& controllers);
    static void launchDashboardWithDelegate(QuorvelDelegate* delegate, const std::string& tabControllerName,
                                            DashboardEntry controller)
    {
        launchDashboardWithDelegate(delegate, tabControllerName, std::vector<DashboardEntry> { std::move(controller) });
    }
    static void dismissDashboard() { dismissRootController(); }
    static void presentRootControllerWithTabbedDashboard(const std::string& tabControllerName)
    {
        presentRootControllerWithTabbedDashboard(tabControllerName, {});
    }
    static void presentRootControllerWithTabbedDashboard(const std::string& tabControllerName,
                                                         const std::vector<DashboardEntry>& controllers);
    // The approval's callback: the dashboard when online, else nothing left up.
    void _presentRootControllerWithTabbedDashboard(platform::Object* unused);

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
    static bool shouldAutorotateToInterfaceOrientation(int orientation, const int* supportedOrientations, int count);
    void _rotateDashboardFromOrientation(int from, int to);

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

    // ---- Dashboard pages a game may open directly (QuorvelDashboardPages.cpp)
    // Each opens the dashboard on its tab with its screens pushed.
    static void launchDashboardWithIMToUser(QVUser* user, const std::string& initialText);
    static void launchDashboardWithSpecificInvite(const std::string& inviteId);
    static void launchDashboardWithInvitePage();
    static void launchDashboardWithiPurchasePage(const std::string& applicationId);
    static void launchDashboardWithFindFriendsPage();
    static void launchDashboardWithChallengesPage();
    // The leaderboard list, then that leaderboard's scores.
    static void launchDashboardWithHighscorePage(const std::string& leaderboardId);
    static void launchDashboardWithListLeaderboardsPage();
    static void launchDashboardWithAchievementsPage();
    static void launchDashboardWithWhosPlayingPage();
    // Only while user-generated content is allowed; otherwise nothing opens.
    static void launchDashboardWithForumsPage();
    static void launchDashboardWithSwitchUserPage();
    // The chat rooms open to everyone (neither the developer's nor the game's).
    static void launchDashboardWithListGlobalChatRoomsPage();

    // ---- Application life cycle and push notifications (QuorvelLifecycle.cpp)
    // The game forwards its application's events; launch options and push
    // payloads are property-list dictionaries. A payload whose
    // "notification_type" is "challenge" names the received challenge by its
    // "resource_id"; launch options carry the payload under
    // "UIApplicationLaunchOptionsRemoteNotificationKey".

    // Saves the poller's interval and stops it; the user defaults are written.
    static void applicationWillResignActive();
    // Restarts the poller at the saved interval; not logged in and the server
    // reachable: a bootstrap for the last player.
    static void applicationDidBecomeActive();
    // Drops the presence channel; a fix still awaited is abandoned until the foreground.
    static void applicationDidEnterBackground();
    static void applicationWillEnterForeground();
    // Answers whether the client (or an add-on) handled the launch's payload.
    static bool respondToApplicationLaunchOptions(const platform::Value& launchOptions);
    static bool applicationDidReceiveRemoteNotification(const platform::Value& payload);
    // The challenge-to-user id of a challenge payload, else nullopt.
    static std::optional<std::string> getChallengeIdIfExist(const platform::Value& payload);
    static void applicationDidRegisterForRemoteNotificationsWithDeviceToken(const std::optional<platform::Bytes>& token);
    static void applicationDidFailToRegisterForRemoteNotifications() { }
    static void gameServerReachabilityChanged(platform::Object* status);

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

    // ---- Add-ons (QuorvelAddOns.cpp)
    // Optional modules join the client by registering; each life-cycle event
    // is passed to every one in registration order.
    static void registerAddOn(QuorvelAddOn* addOn);
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
    // The local user's id, name and picture ("" / NO / nullopt while there is none).
    static std::string lastLoggedInUserId();
    static std::string lastLoggedInUserName();
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
    void _incrementSessionTime();

    // ---- In-game notices not tied to a request
    // The services' notices, handed to the shared QVNotification (which
    // decides whether they show). The default background notice waits in one
    // slot (a newer one replaces it) until the next successful service answer
    // shows it. The notice observer hears of every such notice that passed
    // the decision.
    using BackgroundNotice = QVRequestUIRole::BackgroundNotice;
    static void showBackgroundNotice(const BackgroundNotice& notice);
    static void setDefaultBackgroundNotice(const BackgroundNotice& notice);
    static void showDefaultNotice();
    static void clearDefaultNotice();
    using NoticeObserver = std::function<void(const BackgroundNotice& notice)>;
    static void setNoticeObserver(NoticeObserver observer);

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
    static void loginShowNotifications();

    // ---- Testing seam

    // Each step of start-up and shut-down that reaches another part of the
    // client (services, loader, poller registration, add-ons, bootstrap) is
    // reported by name to this observer, when one is set.
    using LifecycleObserver = std::function<void(const std::string& step)>;
    static void setLifecycleObserver(LifecycleObserver observer);
    static void traceStep(const std::string& step);

    bool canReceiveCallbacksNow() override { return true; }
    std::string className() const override { return "Quorvel"; }

    // The outcome of the bootstrap whose callback target is `attempt`; an
    // outcome of any other (cancelled) bootstrap is ignored.
    void bootstrapSucceeded(platform::Object* attempt, platform::Object* answer);
    void runQueuedLogin();
    void startBootstrapAttempt(const std::optional<platform::Bytes>& deviceToken, bool forceCreateAccount,
                               const std::string& userId);
    void bootstrapFailed(platform::Object* attempt, platform::Object* response);

    // Names of the notifications and of their user-info keys.
    static constexpr const char* kDashboardOrientationChanged = "QVNSNotificationDashboardOrientationChanged";
    static constexpr const char* kInfoNewOrientation = "QVNSNotificationInfoNewOrientation";
    static constexpr const char* kInfoOldOrientation = "QVNSNotificationInfoOldOrientation";
    static constexpr const char* kUnreadInviteCountChanged = "QVNSNotificationUnreadInviteCountChanged";
    static constexpr const char* kInfoUnreadInviteCount = "QVNSNotificationInfoUnreadInviteCount";
    static constexpr const char* kUnreadPostCountChanged = "QVNSNotificationUnreadPostCountChanged";
    static constexpr const char* kInfoUnreadPostCount = "QVNSNotificationInfoUnreadPostCount";
    static constexpr const char* kUnreadIMCountChanged = "QVNSNotificationUnreadIMCountChanged";
    static constexpr const char* kInfoUnreadIMCount = "QVNSNotificationInfoUnreadIMCount";
    static constexpr const char* kUnreadInboxCountChanged = "QVNSNotificationUnreadInboxCountChanged";
    static constexpr const char* kInfoUnreadInboxCount = "QVNSNotificationInfoUnreadInboxCount";
    static constexpr const char* kUnreadAnnouncementCountChanged = "QVNSNotificationUnreadAnnouncementCountChanged";
    static constexpr const char* kInfoUnreadAnnouncementCount = "QVNSNotificationInfoUnreadAnnouncementCount";
    static constexpr const char* kPendingFriendCountChanged = "QVNSNotificationPendingFriendCountChanged";
    static constexpr const char* kInfoPendingFriendCount = "QVNSNotificationInfoPendingFriendCount";
    static constexpr const char* kUnviewedChallengeCountChanged = "QVNSNotificationUnviewedChallengeCountChanged";
    static constexpr const char* kInfoUnviewedChallengeCount = "QVNSNotificationInfoUnviewedChallengeCount";
    static constexpr const char* kAddFriend = "QVNSNotificationAddFriend";
    static constexpr const char* kRemoveFriend = "QVNSNotificationRemoveFriend";
    static constexpr const char* kInfoFriend = "QVNSNotificationInfoFriend";
    static constexpr const char* kUserChanged = "QVNSNotificationUserChanged";
    static constexpr const char* kInfoPreviousUser = "QVNSNotificationInfoPreviousUser";
    static constexpr const char* kInfoCurrentUser = "QVNSNotificationInfoCurrentUser";
    static constexpr const char* kFriendPresenceChanged = "QVNSNotificationFriendPresenceChanged";
    static constexpr const char* kUserOnline = "QVNSNotificationUserOnline";
    static constexpr const char* kUserOffline = "QVNSNotificationUserOffline";

    static constexpr const char* kActivitiesPath = "users/@me/activities.xml";

private:
    friend class QuorvelRoles;
    Quorvel() = default;

    static void initializeServices();
    static void releaseUserStatsDates();
    // The archived invalid user and default game information, as registered defaults.
    static void registerLocalRecordDefaults(platform::ValueDictionary& registered);
    static void shutdownServices();
    static void _invokeLoggedInDelegate();
    static void invokeAndClearBootstrapDelegates(std::vector<QVDelegate> delegates, platform::Object* argument);

    // The data model, in the documented order.
    platform::Ref<QVDelegatesContainer> mDelegatesContainer;
    QuorvelDelegate* mLaunchDelegate { nullptr }; // not retained: the game keeps it
    bool mIsDashboardDismissing { false };
    platform::Ref<platform::ui::Window> mPresentationWindow;
    platform::Ref<platform::ui::ViewController> mQueuedRootModal;
    bool mIsQueuedModalAnOverlay { false };
    platform::Ref<platform::ui::ViewController> mQVRootController;
    std::string mDisplayName;
    std::string mShortDisplayName;
    platform::Ref<QVProvider> mProvider;
    platform::Ref<QVPoller> mPoller;
    int mPreviousOrientation { 1 };
    int mDashboardOrientation { 1 };
    int mNotificationPosition { 0 };
    bool mPreviousStatusBarHidden { false };
    double mPollingFrequencyBeforeResigningActive { 0 };
    bool mIsErrorPending { false };
    bool mPushNotificationsEnabled { false };
    std::vector<QVDelegate> mBootstrapSuccessDelegates;
    std::vector<QVDelegate> mBootstrapFailureDelegates;
    bool mForceCreateAccountOnBootstrap { false };
    bool mSuccessfullyBootstrapped { false };
    bool mAllowErrorScreens { false };
    bool mIsShowingOverlayModal { false };
    bool mDisableUGC { false };
    platform::Ref<QVLocation> mLocation;
    platform::Ref<QVUser> mCachedLocalUser;
    bool localUserUnreadable_ { false };
    std::string bootstrapUserId_; // while a bootstrap runs
    // Logins of another player asked for while a bootstrap ran: each runs, in
    // turn, once the running one has ended, and answers its own callers.
    struct QueuedLogin {
        std::string userId;
        QVDelegate onSuccess, onFailure;
    };
    std::vector<QueuedLogin> mQueuedLogins;
    platform::Ref<platform::Object> mBootstrapAttempt; // the running bootstrap's callback target
    bool mSessionSawLinkNetworks { false }; // the link-networks offer is made once per session (until a logout)
    bool mPendingDataSent { false }; // the offline data went out after the last successful bootstrap
    std::string mProductKey_;
    std::string mSessionId;
    platform::Date mSessionStartDate;
    bool mIsUsingGameCenter { false };
    struct {
        bool isConfirmAccountFlowActive { false };
        bool hasDeferredLoginDelegate { false };
        bool isQuorvelDashboardInOnlineMode { false };
        bool isBootstrapInProgress { false };
    } _quorvelFlags;
    platform::Ref<QVReachabilityObserver> reachabilityOb;
    bool appNeedsGetLocationOnForeground { false };
    bool mDashboardVisable { false };
};

} // namespace quorvel
