// The running client's session: the settings of start-up, the delegates, the
// provider and the poller, and the session role's answers.
#include "social/core/QVClientSession.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/MapView.h"
#include "platform/ui/Window.h"
#include "social/core/QVAddOnRegistry.h"
#include "social/core/QVClientNotifications.h"
#include "social/core/QVLocalRecords.h"
#include "social/core/QVLifecycleTrace.h"
#include "social/core/QVLocationTracking.h"
#include "social/core/QVLogin.h"
#include "social/core/QVUserOptions.h"
#include "social/core/QVUserStats.h"
#include "social/core/Quorvel.h"
#include "social/core/QuorvelServices.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVResourceNameMap.h"
#include "social/runtime/QVSystemVersion.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"

#include <cmath>
#include <limits>
#include <optional>
#include <random>

namespace quorvel {

using platform::Ref;

namespace {

// A polling interval of the login's answer as the int the options keep: none
// for a value that is no number or infinite (the interval stays as it was),
// the nearest an int holds for one beyond it; either way with a warning.
std::optional<int> pollingSeconds(double seconds, const char* element)
{
    if (!std::isfinite(seconds)) {
        platform::logWarning("Quorvel: the login's %s is not a number of seconds; the interval stays as it was",
                             element);
        return std::nullopt;
    }
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    if (seconds < lowest || seconds > highest) {
        platform::logWarning("Quorvel: the login's %s (%g s) is beyond what an interval holds; %d s is kept", element,
                             seconds, seconds < lowest ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max());
        return seconds < lowest ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    }
    return static_cast<int>(seconds);
}

// A new random (version 4) UUID in its usual upper-case text form.
std::string newUuidString()
{
    std::random_device device;
    uint8_t b[16];
    for (auto& byte : b)
        byte = static_cast<uint8_t>(device());
    b[6] = static_cast<uint8_t>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<uint8_t>((b[8] & 0x3f) | 0x80);
    return platform::format("%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1], b[2],
                            b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
}

} // namespace

QVClientSession::QVClientSession(Quorvel& client)
    : QVClientPart(client)
{
}

QVClientSession::~QVClientSession() = default;

void QVClientSession::start(const std::string& displayName, const QuorvelSettingsDictionary& settings,
                            QVDelegatesContainer* delegates)
{
    auto boolean = [&](const char* key) { return settings.objectForKey(key).asBool(); };
    mDelegatesContainer = delegates ? Ref<QVDelegatesContainer>(delegates) : QVDelegatesContainer::create();
    mDisplayName = displayName;
    mPushNotificationsEnabled = QVIsOS3OrLater() && boolean("EnablePushNotifications");
    mNotificationPosition = static_cast<int>(static_cast<unsigned>(
        settings.objectForKey("QuorvelSettingNotificationPosition").asInteger()));
    mDisableUGC = boolean("QuorvelSettingDisableUserGeneratedContent");
    mIsUsingGameCenter = QVIsOS4Point1OrLater() && boolean("QuorvelSettingGameCenterEnabled");
    const platform::Value& shortName = settings.objectForKey("ShortDisplayName");
    mShortDisplayName = shortName.isNil() ? displayName : shortName.asString();
    mSessionId = newUuidString();
    mSessionStartDate = platform::dateNow();
    mPresentationWindow = Ref<platform::ui::Window>(
        dynamic_cast<platform::ui::Window*>(settings.objectValueForKey("QuorvelSettingPresentationWindow")));
}

void QVClientSession::connect(const std::string& productKey, const std::string& productSecret)
{
    mProvider = QVProvider::providerWithProductKey(productKey, productSecret);
    mPoller = QVPoller::pollerWithProvider(mProvider.get(), Quorvel::kActivitiesPath);
    QuorvelRegisterPolledResources(mPoller.get());
}

void QVClientSession::stopRequests()
{
    if (mProvider) {
        QVLifecycleTrace::step("QVProvider.destroyAllPendingRequests");
        mProvider->destroyAllPendingRequests();
    }
    if (mPoller) {
        QVLifecycleTrace::step("QVPoller.stopPolling");
        mPoller->stopPolling();
    }
}

void QVClientSession::release()
{
    mDisplayName.clear();
    mShortDisplayName.clear();
    mProvider = nullptr;
    mPoller = nullptr;
    mDelegatesContainer = nullptr;
    mPresentationWindow = nullptr;
    mSessionId.clear();
}

// ---- Delegates

QuorvelDelegate* QVClientSession::getDelegate()
{
    if (!running())
        return nullptr;
    if (mLaunchDelegate)
        return mLaunchDelegate;
    return mDelegatesContainer ? mDelegatesContainer->quorvelDelegate() : nullptr;
}

QVChallengeDelegate* QVClientSession::getChallengeDelegate()
{
    return running() && mDelegatesContainer ? mDelegatesContainer->challengeDelegate() : nullptr;
}

QVNotificationDelegate* QVClientSession::getNotificationDelegate()
{
    return running() && mDelegatesContainer ? mDelegatesContainer->notificationDelegate() : nullptr;
}

void QVClientSession::setLaunchDelegate(QuorvelDelegate* delegate)
{
    if (running())
        mLaunchDelegate = delegate;
}

bool QVClientSession::callGame(const std::function<void()>& call)
{
    Ref<Quorvel> keep(&client());
    const bool wasRunning = running();
    call();
    // False only when the call shut a running client down, whatever the road.
    if (running() || !wasRunning)
        return true;
    // Shut down inside the call: the callers below it on the stack still read
    // this instance, so it goes once they are done, on the loop's next turn.
    if (wasRunning)
        platform::RunLoop::main().post([keep = std::move(keep)] { });
    return false;
}

bool QVClientSession::tellGame(const std::function<void(QuorvelDelegate&)>& message)
{
    QuorvelDelegate* delegate = getDelegate();
    if (!delegate)
        return true; // nothing called, nothing shut down
    return callGame([&] { message(*delegate); });
}

// ---- The session and the settings of start-up

std::string QVClientSession::sessionId() { return running() ? mSessionId : "0"; }

platform::Date QVClientSession::sessionStartDate() { return running() ? mSessionStartDate : platform::dateNow(); }

int QVClientSession::notificationPosition() { return running() ? mNotificationPosition : 1; }

bool QVClientSession::invertNotifications()
{
    return running() && (mNotificationPosition == 0 || mNotificationPosition == 2);
}

bool QVClientSession::allowUserGeneratedContent()
{
    if (!running())
        return true;
    if (mDisableUGC)
        return false;
    return options().loggedInUserHasChatEnabled();
}

bool QVClientSession::isUsingGameCenter() { return running() && mIsUsingGameCenter; }

bool QVClientSession::pushNotificationsEnabled() { return running() && mPushNotificationsEnabled; }

platform::ui::Window* QVClientSession::presentationWindow() { return running() ? mPresentationWindow.get() : nullptr; }

std::string QVClientSession::applicationDisplayName() { return running() ? mDisplayName : std::string(); }

std::string QVClientSession::applicationShortDisplayName() { return running() ? mShortDisplayName : std::string(); }

// ---- Provider and poller

QVProvider* QVClientSession::provider() { return running() ? mProvider.get() : nullptr; }

QVPoller* QVClientSession::poller() { return running() ? mPoller.get() : nullptr; }

void QVClientSession::forceImmediatePoll()
{
    if (QVPoller* p = poller())
        p->pollNow();
}

void QVClientSession::stopPolling()
{
    if (QVPoller* p = poller())
        p->stopPolling();
}

void QVClientSession::setPollingToDefaultFrequency()
{
    if (QVPoller* p = poller())
        p->resetToDefaultPollingFrequency();
}

void QVClientSession::setPollingFrequency(double seconds)
{
    if (QVPoller* p = poller())
        p->changePollingFrequency(seconds);
}

void QVClientSession::clearPollingCacheForClassType(const QVResourceClass& cls)
{
    if (QVPoller* p = poller())
        p->clearCacheForResourceClass(cls);
}

void QVClientSession::pausePolling()
{
    if (QVPoller* p = poller()) {
        mPollingFrequencyBeforeResigningActive = p->getPollingFrequency();
        p->stopPolling();
    }
}

void QVClientSession::resumePolling()
{
    QVPoller* p = poller();
    if (p && mPollingFrequencyBeforeResigningActive) {
        p->changePollingFrequency(*mPollingFrequencyBeforeResigningActive);
        mPollingFrequencyBeforeResigningActive.reset();
    }
}

// ---- The offline store

void QVClientSession::setupOfflineDatabase()
{
    if (running())
        QVOfflineStore::setupOfflineDatabase();
}

void QVClientSession::teardownOfflineDatabase() { QVOfflineStore::teardownOfflineDatabase(); }

sqlite3* QVClientSession::getOfflineDatabaseHandle()
{
    return running() ? QVOfflineStore::getOfflineDatabaseHandle() : nullptr;
}

// ---- The rest of the session role

bool QVClientSession::hasUserApprovedQuorvel() { return options().hasUserApprovedQuorvel(); }

bool QVClientSession::isQuorvelDisabled() { return options().isDisabled(); }

void QVClientSession::writeBootstrapParameters(QVHttpNestedQueryStringWriter& params)
{
    stats().getUserStatsParams(params);
    QVOfflineService::getBootstrapCallParams(params, login().bootstrapUserId());
}

void QVClientSession::applyBootstrap(const QVBootstrap& a, QVProvider& provider)
{
    // The answer's settings, in the order the rest of the client expects them.
    QVUserOptions& o = options();
    if (std::optional<int> seconds = pollingSeconds(a.pollingFrequencyDefault, "polling_frequency_default"))
        o.storePollingFrequencyDefault(*seconds);
    if (std::optional<int> seconds = pollingSeconds(a.pollingFrequencyInChat, "polling_frequency_in_chat"))
        o.storePollingFrequencyInChat(*seconds);
    provider.setAccessToken(a.accessToken, a.accessTokenSecret);
    o.setLoggedInUserHasSetName(a.userHasSetName);
    o.setLoggedInUserHasChatEnabled(a.userChatEnabled);
    o.setLoggedInUserHadFriendsOnBootup(a.userHadFriendsOnBootup);
    o.setLoggedInUserHasHttpBasicCredential(a.hasHttpBasicCredential);
    o.setLoggedInUserHasFbconnectCredential(a.hasFbconnectCredential);
    o.setLoggedInUserHasTwitterCredential(a.hasTwitterCredential);
    o.setLoggedInUserHasNonDeviceCredential(a.hasNonDeviceCredential());
    o.setLoggedInUserIsNewUser(a.isNewUser);
    // The game's profile first: the answer's own game id wins over the profile's.
    if (const QVXmlElement* profile = a.gameProfileElement())
        records().setLocalGameProfileInfoFromXml(*profile);
    o.setClientApplicationId(a.clientApplicationId);
    o.setClientApplicationIconUrl(a.clientApplicationIconUrl);
    o.setUnviewedChallengesCount(a.unviewedChallengesCount);
    o.setPendingFriendsCount(a.pendingFriendsCount);
    if (const QVXmlElement* userElement = a.userElement()) {
        QVResourceNameMap names;
        Ref<QVUser> user = QVUser::create();
        user->populateFromXml(*userElement, names);
        if (!user->userId().empty())
            records().setLocalUser(user.get());
        else
            platform::logWarning("Quorvel: the bootstrap's player has no id; the local user is kept");
    }
    o.setSuggestionsForumId(a.suggestionsForumId.empty() ? platform::Value() : platform::Value(a.suggestionsForumId));
    o.setInitialDashboardScreen(a.initialDashboardScreen);
    o.setInitialDashboardModalContentURL(a.initialDashboardModalContentUrl.empty()
                                             ? platform::Value()
                                             : platform::Value(a.initialDashboardModalContentUrl));
    o.setLoggedInUserSharesOnlineStatus(a.userSharesOnlineStatus);
    o.setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(a.unreadImCount, a.unreadPostCount, a.unreadInviteCount);
    o.setUserDistanceUnit(a.userDistanceUnit());
}

void QVClientSession::notifyAddOnsUserLoggedIn() { QVAddOnRegistry::notifyAddOnsUserLoggedIn(); }

void QVClientSession::synchronizeOfflineData(const QVBootstrap& answer) { QVOfflineService::syncOfflineData(answer); }

void QVClientSession::synchronizeOfflineDataInTurns(const QVBootstrap& answer, std::function<void()> then)
{
    QVOfflineService::syncOfflineDataInTurns(answer, std::move(then));
}

void QVClientSession::getBootstrapKnownResources(QVResourceNameMap& names) { QVOfflineService::shareKnownResources(names); }

void QVClientSession::notifyAddOnsUserLoggedOut() { QVAddOnRegistry::notifyAddOnsUserLoggedOut(); }

bool QVClientSession::addBootstrapDelegates(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    login().addBootstrapDelegates(onSuccess, onFailure);
    return true;
}

void QVClientSession::getLocalUser(Ref<QVUser>& user) { user = records().localUser(); }

void QVClientSession::setLocalUser(QVUser* user)
{
    // The services store a changed local user; none is never stored through here.
    if (user)
        records().setLocalUser(user);
}

bool QVClientSession::isOnline()
{
    // A player who declined the client (even while logged in) sends nothing:
    // the services and screens answer from the device, as offline, rather
    // than wait for requests the provider drops.
    return login().isOnline() && options().hasUserApprovedQuorvel();
}

std::string QVClientSession::clientApplicationId() { return options().clientApplicationId(); }

std::string QVClientSession::lastLoggedInUserId() { return records().lastLoggedInUserId(); }

void QVClientSession::getLocalGameProfileInfo(Ref<QVGameProfilePageInfo>& info)
{
    info = records().localGameProfileInfo();
}

void QVClientSession::setLocalGameProfileInfo(const QVXmlElement& element)
{
    records().setLocalGameProfileInfoFromXml(element);
}

std::optional<std::pair<double, double>> QVClientSession::userLocation()
{
    if (platform::ui::Location* fix = location().getUserLocation())
        return std::make_pair(fix->coordinate().latitude, fix->coordinate().longitude);
    return std::nullopt;
}

bool QVClientSession::userHasRememberedChoiceForNotifications() { return options().userHasRememberedChoiceForNotifications(); }

bool QVClientSession::userAllowsNotifications() { return options().userAllowsNotifications(); }

platform::Date QVClientSession::lastAnnouncementDateForLocalUser() { return options().lastAnnouncementDateForLocalUser(); }

void QVClientSession::setLastAnnouncementDateForLocalUser(platform::Date date)
{
    options().setLastAnnouncementDateForLocalUser(date);
}

void QVClientSession::postUnreadAnnouncementCountChangedTo(int count)
{
    notifications().postUnreadAnnouncementCountChangedTo(count);
}

std::string QVClientSession::suggestionsForumId()
{
    platform::Value id = options().suggestionsForumId();
    return id.isNil() ? std::string() : id.asString();
}

} // namespace quorvel
