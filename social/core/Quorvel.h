// Quorvel: the social client's central class as a game sees it. The game
// starts the client with initializeWithProductKey(...) and talks to it through
// these class methods; what only the client itself calls is QuorvelInternal's
// (QuorvelInternal.h), which hands out the parts the client is made of.
//
// The state lives in one shared instance, made at start-up and released at
// shut-down, and in its parts (the session, the login, the presenter, ...).
// Every class method tolerates its absence and then answers a fixed default
// (nil, NO, 0; 1 for the orientation and the notification position; "0" for
// the session id). Start-up runs once; a second one without a shut-down in
// between is refused. Main thread only.
//
// Start-up and shut-down are in Quorvel.cpp (the services it starts in
// QuorvelServices.cpp), the pages a game opens directly in
// QuorvelDashboardPages.cpp, the application's events and push payloads in
// QuorvelLifecycle.cpp; the other class methods pass the call to a part.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Geometry.h"
#include "platform/foundation/Value.h"
#include "social/core/QuorvelDelegate.h"
#include "platform/gamekit/GameCenter.h"
#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVRequestUIRole.h"

#include <functional>
#include <memory>
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
struct QuorvelParts;

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

    static int versionNumber() { return 11022010; }
    static std::string releaseVersionString() { return "1.4.0"; }

    static void reserveMemory() { }
    static void releaseReservedMemory() { }
    static bool shouldWarnOnIncompleteDelegates() { return false; }
    static void setShouldWarnOnIncompleteDelegates(bool warn);
    static int getDashboardOrientation();
    // Needs the instance; an unchanged value does nothing. On a phone while a
    // full-screen screen is up the call is ignored; on a large screen the
    // dashboard on show turns (0.4 s between portrait and landscape, else 0.8 s).
    static void setDashboardOrientation(int orientation);
    // What the game's own screen answers when asked whether it may turn to
    // `orientation`: never while the client shows a full screen on a phone, else whether
    // it is among the game's `count` supported orientations.
    static bool shouldAutorotateToInterfaceOrientation(int orientation, const int* supportedOrientations, int count);
    // Logs that player in (an empty id: the device's account).
    static void loginWithUserId(const std::string& userId, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static bool isSuccessfullyBootstrapped();
    // A bootstrap succeeded in this process and the server can be reached.
    static bool isOnline();

    static bool hasUserApprovedQuorvel();
    // The approval screens' answer (the game's own screen calls the first form).
    static void userDidApproveQuorvel(bool approved) { userDidApproveQuorvel(approved, QVDelegate()); }
    static void userDidApproveQuorvel(bool approved, const QVDelegate& accountSetupComplete);

    // Logs the player out: token, local user and presence channel go; the game hears userLoggedOut.
    static void logoutUser();

    // ---- The dashboard and the client's full-screen screens (the presenter and the hub)
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
    static void dismissDashboard();

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

    // ---- Add-ons (QVAddOnRegistry)
    // Optional modules join the client by registering; each life-cycle event
    // is passed to every one in registration order.
    static void registerAddOn(QuorvelAddOn* addOn);
    // The local user's id, name and picture ("" / NO / nullopt while there is none).
    static std::string lastLoggedInUserId();
    static std::string lastLoggedInUserName();

    // ---- In-game notices not tied to a request
    // The services' notices, handed to the shared QVNotification (which
    // decides whether they show). The default background notice waits in one
    // slot (a newer one replaces it) until the next successful service answer
    // shows it. The notice observer hears of every such notice that passed
    // the decision.
    using BackgroundNotice = QVRequestUIRole::BackgroundNotice;
    using NoticeObserver = std::function<void(const BackgroundNotice& notice)>;
    static void setNoticeObserver(NoticeObserver observer);

    // The shared instance's product key (the instance is the client's own: QuorvelInternal::sharedInstance()).
    const std::string& mProductKey() const { return mProductKey_; }
    void setMProductKey(const std::string& key) { mProductKey_ = key; }
    bool canReceiveCallbacksNow() override { return true; }
    std::string className() const override { return "Quorvel"; }

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
    friend class QuorvelInternal;
    friend class QVClientPart;
    friend class QVDashboardHub;
    Quorvel();

    // The approval's callback when the dashboard asked for it: the dashboard when online, else nothing left up.
    void _presentRootControllerWithTabbedDashboard(platform::Object* unused);

    // The parts the client is made of (QuorvelInternal hands them out).
    std::unique_ptr<QuorvelParts> parts_;
    std::string mProductKey_;
    platform::Ref<QVReachabilityObserver> reachabilityOb;
};

} // namespace quorvel
