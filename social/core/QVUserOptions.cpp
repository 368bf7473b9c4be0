// The player's options and the client's small settings in the standard user
// defaults, with the defaults registered at start-up and the notifications the
// count setters post.
#include "social/core/QVUserOptions.h"

#include "platform/device/Application.h"
#include "platform/foundation/UserDefaults.h"
#include "social/core/QVClientNotifications.h"
#include "social/core/QVLocalRecords.h"

namespace quorvel {

using platform::Value;

namespace {

constexpr const char* kApproval = "QuorvelUserOptionUserQuorvelApproval";
constexpr const char* kPromptLogin = "QuorvelSettingShouldAutomaticallyPromptLogin";
constexpr const char* kDisabled = "QuorvelUserOptionIsDisabled";
constexpr const char* kDoneWithGetTheMost = "QuorvelUserOptionDoneWithGetTheMost";
constexpr const char* kSynchedLeaderboards = "QuorvelUserSynchedWithGameCenterLeaderboards";
constexpr const char* kSynchedAchievements = "QuorvelUserSynchedWithGameCenterAchievements";
constexpr const char* kWarnOnIncompleteDelegates = "QuorvelUserOptionShouldWarnOnIncompleteDelegates";
constexpr const char* kChatEnabled = "QuorvelUserOptionLastLoggedInUserHasChatEnabled";
constexpr const char* kAllowsNotifications = "QuorvelUserOptionUserAllowsNotifications";
constexpr const char* kRememberedNotificationChoice = "QuorvelUserOptionUserHasRememberedChoiceForNotifications";
constexpr const char* kDistanceUnit = "QuorvelUserOptionDistanceUnit";
constexpr const char* kSuggestionsForumId = "QuorvelUserOptionSuggestionsForumId";
constexpr const char* kUnreadIMCount = "QuorvelUserOptionUnreadIMCount";
constexpr const char* kUnreadPostCount = "QuorvelUserOptionUnreadPostCount";
constexpr const char* kUnreadInviteCount = "QuorvelUserOptionUnreadInviteCount";
constexpr const char* kPendingFriendsCount = "QuorvelSettingPendingFriendsCount";
constexpr const char* kUnviewedChallengesCount = "QuorvelSettingUnviewedChallengesCount";
constexpr const char* kClientApplicationId = "QuorvelSettingClientApplicationId";
constexpr const char* kClientApplicationIconUrl = "QuorvelSettingClientApplicationIconUrl";
constexpr const char* kInitialDashboardScreen = "QuorvelUserOptionInitialDashboardScreen";
constexpr const char* kInitialDashboardModalContentURL = "QuorvelUserOptionInitialDashboardModalContentURL";
constexpr const char* kIsNewUser = "QuorvelSettingsLastLoggedInUserIsNewUser";
constexpr const char* kHasTwitterCredential = "QuorvelSettingLastLoggedInUserHasTwitterCredential";
constexpr const char* kHasFbconnectCredential = "QuorvelSettingLastLoggedInUserHasFbconnectCredential";
constexpr const char* kHasHttpBasicCredential = "QuorvelSettingLastLoggedInUserHasHttpBasicCredential";
constexpr const char* kHasNonDeviceCredential = "QuorvelSettingLastLoggedInUserHasNonDeviceCredential";
constexpr const char* kSharesOnlineStatus = "QuorvelUserOptionLoggedInUserSharesOnlineStatus";
constexpr const char* kHasSetName = "QuorvelSettingLastLoggedInUserHasSetName";
// Both accessors of "had friends on boot-up" use this key.
constexpr const char* kHadFriendsOnBootup = "QuorvelSettingLastLoggedInUserHadSetNameOnBootup";
constexpr const char* kAnnouncementDatePrefix = "QuorvelLastAnnouncementDate_UserID";
constexpr const char* kPollingFrequencyDefault = "QuorvelSettingPollingFrequencyDefault";
constexpr const char* kPollingFrequencyChat = "QuorvelSettingPollingFrequencyChat";

// The platform's distant past: 0001-01-01 00:00:00 GMT.
constexpr double kDistantPast = -62135596800.0;

platform::UserDefaults& defaults() { return platform::UserDefaults::standardUserDefaults(); }
bool flag(const char* key) { return defaults().boolForKey(key); }
void setFlag(const char* key, bool value) { defaults().setBool(key, value); }
int integer(const char* key) { return static_cast<int>(defaults().integerForKey(key)); }
void setInteger(const char* key, int value) { defaults().setInteger(key, value); }
std::string text(const char* key) { return defaults().stringForKey(key); }

} // namespace

void QVUserOptions::intiailizeUserOptions()
{
    platform::ValueDictionary registered;
    registered.set(kPromptLogin, "YES");
    registered.set(kChatEnabled, "YES");
    records().registerLocalRecordDefaults(registered);
    defaults().registerDefaults(registered);
}

void QVUserOptions::intiailizeSettings()
{
    platform::ValueDictionary registered;
    registered.set(kPollingFrequencyDefault, "30");
    registered.set(kPollingFrequencyChat, "3");
    defaults().registerDefaults(registered);
}

// ---- Approval and switches

bool QVUserOptions::hasUserApprovedQuorvel()
{
    const Value& v = defaults().objectForKey(kApproval);
    return v.isString() && v.string() == "YES";
}

bool QVUserOptions::hasUserSetQuorvelAccess() { return !defaults().objectForKey(kApproval).isNil(); }
void QVUserOptions::setUserApprovedQuorvel() { defaults().setObject(kApproval, "YES"); }
void QVUserOptions::setUserDeniedQuorvel() { defaults().setObject(kApproval, "NO"); }
void QVUserOptions::resetHasUserSetQuorvelAccess() { defaults().removeObjectForKey(kApproval); }
bool QVUserOptions::shouldAutomaticallyPromptLogin() { return flag(kPromptLogin); }
void QVUserOptions::setDontAutomaticallyPromptLogin() { defaults().setObject(kPromptLogin, "NO"); }
bool QVUserOptions::isDisabled() { return flag(kDisabled); }
void QVUserOptions::setDisabled(bool disabled) { setFlag(kDisabled, disabled); }
bool QVUserOptions::doneWithGetTheMost() { return flag(kDoneWithGetTheMost); }
void QVUserOptions::setDoneWithGetTheMost(bool done) { setFlag(kDoneWithGetTheMost, done); }
bool QVUserOptions::isSynchedWithGameCenterLeaderboards() { return flag(kSynchedLeaderboards); }
void QVUserOptions::setSynchWithGameCenterLeaderboards(bool synched) { setFlag(kSynchedLeaderboards, synched); }
bool QVUserOptions::isSynchedWithGameCenterAchievements() { return flag(kSynchedAchievements); }
void QVUserOptions::setSynchWithGameCenterAchievements(bool synched) { setFlag(kSynchedAchievements, synched); }
void QVUserOptions::setShouldWarnOnIncompleteDelegates(bool warn) { setFlag(kWarnOnIncompleteDelegates, warn); }
bool QVUserOptions::loggedInUserHasChatEnabled() { return flag(kChatEnabled); }
void QVUserOptions::setLoggedInUserHasChatEnabled(bool enabled) { setFlag(kChatEnabled, enabled); }
bool QVUserOptions::userAllowsNotifications() { return flag(kAllowsNotifications); }
void QVUserOptions::setUserAllowsNotifications(bool allows) { setFlag(kAllowsNotifications, allows); }
bool QVUserOptions::userHasRememberedChoiceForNotifications() { return flag(kRememberedNotificationChoice); }
void QVUserOptions::setUserHasRememberedChoiceForNotifications(bool remembered)
{
    setFlag(kRememberedNotificationChoice, remembered);
}

QVDistanceUnit QVUserOptions::userDistanceUnit() { return static_cast<QVDistanceUnit>(integer(kDistanceUnit)); }

void QVUserOptions::setUserDistanceUnit(QVDistanceUnit unit)
{
    setInteger(kDistanceUnit, static_cast<int>(unit));
    defaults().synchronize();
}

Value QVUserOptions::suggestionsForumId() { return defaults().objectForKey(kSuggestionsForumId); }
void QVUserOptions::setSuggestionsForumId(Value forumId) { defaults().setObject(kSuggestionsForumId, std::move(forumId)); }

// ---- Counts: each setter stores first, then posts

int QVUserOptions::unreadIMCount() { return integer(kUnreadIMCount); }
int QVUserOptions::unreadPostCount() { return integer(kUnreadPostCount); }
int QVUserOptions::unreadInviteCount() { return integer(kUnreadInviteCount); }
int QVUserOptions::unreadInboxTotal() { return unreadIMCount() + unreadPostCount() + unreadInviteCount(); }

void QVUserOptions::setUnreadIMCount(int count)
{
    setInteger(kUnreadIMCount, count);
    notifications().postUnreadInboxCountChangedTo(unreadInboxTotal());
    notifications().postUnreadIMCountChangedTo(count);
}

void QVUserOptions::setUnreadPostCount(int count)
{
    setInteger(kUnreadPostCount, count);
    notifications().postUnreadInboxCountChangedTo(unreadInboxTotal());
    notifications().postUnreadPostCountChangedTo(count);
}

void QVUserOptions::setUnreadInviteCount(int count)
{
    setInteger(kUnreadInviteCount, count);
    notifications().postUnreadInboxCountChangedTo(unreadInboxTotal());
    notifications().postUnreadInviteCountChangedTo(count);
}

void QVUserOptions::setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(int im, int posts, int invites)
{
    setInteger(kUnreadIMCount, im);
    setInteger(kUnreadPostCount, posts);
    setInteger(kUnreadInviteCount, invites);
    notifications().postUnreadInboxCountChangedTo(unreadInboxTotal());
    notifications().postUnreadIMCountChangedTo(im);
    notifications().postUnreadPostCountChangedTo(posts);
    notifications().postUnreadInviteCountChangedTo(invites);
}

int QVUserOptions::pendingFriendsCount() { return integer(kPendingFriendsCount); }

void QVUserOptions::setPendingFriendsCount(int count)
{
    setInteger(kPendingFriendsCount, count);
    notifications().postPendingFriendsCountChangedTo(count);
}

int QVUserOptions::unviewedChallengesCount() { return integer(kUnviewedChallengesCount); }

void QVUserOptions::setUnviewedChallengesCount(int count)
{
    setInteger(kUnviewedChallengesCount, count);
    notifications().postUnviewedChallengeCountChangedTo(count);
    platform::ui::Application::sharedApplication().setApplicationIconBadgeNumber(count);
}

// ---- Texts from the bootstrap

std::string QVUserOptions::clientApplicationId() { return text(kClientApplicationId); }
void QVUserOptions::setClientApplicationId(const std::string& id) { defaults().setObject(kClientApplicationId, id); }
std::string QVUserOptions::clientApplicationIconUrl() { return text(kClientApplicationIconUrl); }
void QVUserOptions::setClientApplicationIconUrl(const std::string& url) { defaults().setObject(kClientApplicationIconUrl, url); }
std::string QVUserOptions::initialDashboardScreen() { return text(kInitialDashboardScreen); }
void QVUserOptions::setInitialDashboardScreen(const std::string& screen)
{
    defaults().setObject(kInitialDashboardScreen, screen);
}
Value QVUserOptions::initialDashboardModalContentURL() { return defaults().objectForKey(kInitialDashboardModalContentURL); }
void QVUserOptions::setInitialDashboardModalContentURL(Value url)
{
    defaults().setObject(kInitialDashboardModalContentURL, std::move(url));
}

// ---- Flags of the logged-in user (numbers made from booleans; missing reads NO)

bool QVUserOptions::loggedInUserIsNewUser() { return flag(kIsNewUser); }
void QVUserOptions::setLoggedInUserIsNewUser(bool isNew) { setFlag(kIsNewUser, isNew); }
bool QVUserOptions::loggedInUserHasTwitterCredential() { return flag(kHasTwitterCredential); }
void QVUserOptions::setLoggedInUserHasTwitterCredential(bool has) { setFlag(kHasTwitterCredential, has); }
bool QVUserOptions::loggedInUserHasFbconnectCredential() { return flag(kHasFbconnectCredential); }
void QVUserOptions::setLoggedInUserHasFbconnectCredential(bool has) { setFlag(kHasFbconnectCredential, has); }
bool QVUserOptions::loggedInUserHasHttpBasicCredential() { return flag(kHasHttpBasicCredential); }
void QVUserOptions::setLoggedInUserHasHttpBasicCredential(bool has) { setFlag(kHasHttpBasicCredential, has); }
bool QVUserOptions::loggedInUserHasNonDeviceCredential() { return flag(kHasNonDeviceCredential); }
void QVUserOptions::setLoggedInUserHasNonDeviceCredential(bool has) { setFlag(kHasNonDeviceCredential, has); }
bool QVUserOptions::loggedInUserSharesOnlineStatus() { return flag(kSharesOnlineStatus); }
void QVUserOptions::setLoggedInUserSharesOnlineStatus(bool shares) { setFlag(kSharesOnlineStatus, shares); }
bool QVUserOptions::lastLoggedInUserHasSetName() { return flag(kHasSetName); }
void QVUserOptions::setLoggedInUserHasSetName(bool hasSetName) { setFlag(kHasSetName, hasSetName); }
bool QVUserOptions::lastLoggedInUserHadFriendsOnBootup() { return flag(kHadFriendsOnBootup); }
void QVUserOptions::setLoggedInUserHadFriendsOnBootup(bool had) { setFlag(kHadFriendsOnBootup, had); }

// ---- Announcement date, per local user

platform::Date QVUserOptions::lastAnnouncementDateForLocalUser()
{
    std::string key = kAnnouncementDatePrefix + records().lastLoggedInUserId();
    const Value& stored = defaults().objectForKey(key);
    if (stored.isDate())
        return stored.date();
    platform::Date distantPast { kDistantPast };
    defaults().setObject(key, Value(distantPast));
    return distantPast;
}

void QVUserOptions::setLastAnnouncementDateForLocalUser(platform::Date date)
{
    platform::Date stored = lastAnnouncementDateForLocalUser();
    if (date.seconds > stored.seconds)
        defaults().setObject(kAnnouncementDatePrefix + records().lastLoggedInUserId(), Value(date));
}

// ---- Poller intervals

int QVUserOptions::getPollingFrequencyDefault() { return integer(kPollingFrequencyDefault); }
void QVUserOptions::storePollingFrequencyDefault(int seconds) { setInteger(kPollingFrequencyDefault, seconds); }
int QVUserOptions::getPollingFrequencyInChat() { return integer(kPollingFrequencyChat); }
void QVUserOptions::storePollingFrequencyInChat(int seconds) { setInteger(kPollingFrequencyChat, seconds); }

} // namespace quorvel
