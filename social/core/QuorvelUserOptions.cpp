// User options and settings: the player's state between launches, one class
// method per key of the standard user defaults, with the defaults registered
// at start-up and the notifications the count setters post.
#include "social/core/Quorvel.h"

#include "platform/foundation/UserDefaults.h"

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

void Quorvel::intiailizeUserOptions()
{
    platform::ValueDictionary registered;
    registered.set(kPromptLogin, "YES");
    registered.set(kChatEnabled, "YES");
    registerLocalRecordDefaults(registered);
    defaults().registerDefaults(registered);
}

void Quorvel::intiailizeSettings()
{
    platform::ValueDictionary registered;
    registered.set(kPollingFrequencyDefault, "30");
    registered.set(kPollingFrequencyChat, "3");
    defaults().registerDefaults(registered);
}

// ---- Approval and switches

bool Quorvel::_hasUserApprovedQuorvel()
{
    const Value& v = defaults().objectForKey(kApproval);
    return v.isString() && v.string() == "YES";
}

bool Quorvel::hasUserSetQuorvelAccess() { return !defaults().objectForKey(kApproval).isNil(); }
void Quorvel::setUserApprovedQuorvel() { defaults().setObject(kApproval, "YES"); }
void Quorvel::setUserDeniedQuorvel() { defaults().setObject(kApproval, "NO"); }
void Quorvel::_resetHasUserSetQuorvelAccess() { defaults().removeObjectForKey(kApproval); }
bool Quorvel::shouldAutomaticallyPromptLogin() { return flag(kPromptLogin); }
void Quorvel::setDontAutomaticallyPromptLogin() { defaults().setObject(kPromptLogin, "NO"); }
bool Quorvel::isDisabled() { return flag(kDisabled); }
void Quorvel::setDisabled(bool disabled) { setFlag(kDisabled, disabled); }
bool Quorvel::doneWithGetTheMost() { return flag(kDoneWithGetTheMost); }
void Quorvel::setDoneWithGetTheMost(bool done) { setFlag(kDoneWithGetTheMost, done); }
bool Quorvel::isSynchedWithGameCenterLeaderboards() { return flag(kSynchedLeaderboards); }
void Quorvel::setSynchWithGameCenterLeaderboards(bool synched) { setFlag(kSynchedLeaderboards, synched); }
bool Quorvel::isSynchedWithGameCenterAchievements() { return flag(kSynchedAchievements); }
void Quorvel::setSynchWithGameCenterAchievements(bool synched) { setFlag(kSynchedAchievements, synched); }
void Quorvel::setShouldWarnOnIncompleteDelegates(bool warn) { setFlag(kWarnOnIncompleteDelegates, warn); }
bool Quorvel::loggedInUserHasChatEnabled() { return flag(kChatEnabled); }
void Quorvel::setLoggedInUserHasChatEnabled(bool enabled) { setFlag(kChatEnabled, enabled); }
bool Quorvel::userAllowsNotifications() { return flag(kAllowsNotifications); }
void Quorvel::setUserAllowsNotifications(bool allows) { setFlag(kAllowsNotifications, allows); }
bool Quorvel::userHasRememberedChoiceForNotifications() { return flag(kRememberedNotificationChoice); }
void Quorvel::setUserHasRememberedChoiceForNotifications(bool remembered)
{
    setFlag(kRememberedNotificationChoice, remembered);
}

int Quorvel::userDistanceUnit() { return integer(kDistanceUnit); }

void Quorvel::setUserDistanceUnit(int unit)
{
    setInteger(kDistanceUnit, unit);
    defaults().synchronize();
}

Value Quorvel::suggestionsForumId() { return defaults().objectForKey(kSuggestionsForumId); }
void Quorvel::setSuggestionsForumId(Value forumId) { defaults().setObject(kSuggestionsForumId, std::move(forumId)); }

// ---- Counts: each setter stores first, then posts

int Quorvel::unreadIMCount() { return integer(kUnreadIMCount); }
int Quorvel::unreadPostCount() { return integer(kUnreadPostCount); }
int Quorvel::unreadInviteCount() { return integer(kUnreadInviteCount); }
int Quorvel::unreadInboxTotal() { return unreadIMCount() + unreadPostCount() + unreadInviteCount(); }

void Quorvel::setUnreadIMCount(int count)
{
    setInteger(kUnreadIMCount, count);
    postUnreadInboxCountChangedTo(unreadInboxTotal());
    postUnreadIMCountChangedTo(count);
}

void Quorvel::setUnreadPostCount(int count)
{
    setInteger(kUnreadPostCount, count);
    postUnreadInboxCountChangedTo(unreadInboxTotal());
    postUnreadPostCountChangedTo(count);
}

void Quorvel::setUnreadInviteCount(int count)
{
    setInteger(kUnreadInviteCount, count);
    postUnreadInboxCountChangedTo(unreadInboxTotal());
    postUnreadInviteCountChangedTo(count);
}

void Quorvel::setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(int im, int posts, int invites)
{
    setInteger(kUnreadIMCount, im);
    setInteger(kUnreadPostCount, posts);
    setInteger(kUnreadInviteCount, invites);
    postUnreadInboxCountChangedTo(unreadInboxTotal());
    postUnreadIMCountChangedTo(im);
    postUnreadPostCountChangedTo(posts);
    postUnreadInviteCountChangedTo(invites);
}

int Quorvel::pendingFriendsCount() { return integer(kPendingFriendsCount); }

void Quorvel::setPendingFriendsCount(int count)
{
    setInteger(kPendingFriendsCount, count);
    postPendingFriendsCountChangedTo(count);
}

int Quorvel::unviewedChallengesCount() { return integer(kUnviewedChallengesCount); }

void Quorvel::setUnviewedChallengesCount(int count)
{
    setInteger(kUnviewedChallengesCount, count);
    postUnviewedChallengeCountChangedTo(count);
    updateApplicationBadge();
}

// ---- Texts from the bootstrap

std::string Quorvel::clientApplicationId() { return text(kClientApplicationId); }
void Quorvel::setClientApplicationId(const std::string& id) { defaults().setObject(kClientApplicationId, id); }
std::string Quorvel::clientApplicationIconUrl() { return text(kClientApplicationIconUrl); }
void Quorvel::setClientApplicationIconUrl(const std::string& url) { defaults().setObject(kClientApplicationIconUrl, url); }
std::string Quorvel::initialDashboardScreen() { return text(kInitialDashboardScreen); }
void Quorvel::setInitialDashboardScreen(const std::string& screen)
{
    defaults().setObject(kInitialDashboardScreen, screen);
}
Value Quorvel::initialDashboardModalContentURL() { return defaults().objectForKey(kInitialDashboardModalContentURL); }
void Quorvel::setInitialDashboardModalContentURL(Value url)
{
    defaults().setObject(kInitialDashboardModalContentURL, std::move(url));
}

// ---- Flags of the logged-in user (numbers made from booleans; missing reads NO)

bool Quorvel::loggedInUserIsNewUser() { return flag(kIsNewUser); }
void Quorvel::setLoggedInUserIsNewUser(bool isNew) { setFlag(kIsNewUser, isNew); }
bool Quorvel::loggedInUserHasTwitterCredential() { return flag(kHasTwitterCredential); }
void Quorvel::setLoggedInUserHasTwitterCredential(bool has) { setFlag(kHasTwitterCredential, has); }
bool Quorvel::loggedInUserHasFbconnectCredential() { return flag(kHasFbconnectCredential); }
void Quorvel::setLoggedInUserHasFbconnectCredential(bool has) { setFlag(kHasFbconnectCredential, has); }
bool Quorvel::loggedInUserHasHttpBasicCredential() { return flag(kHasHttpBasicCredential); }
void Quorvel::setLoggedInUserHasHttpBasicCredential(bool has) { setFlag(kHasHttpBasicCredential, has); }
bool Quorvel::loggedInUserHasNonDeviceCredential() { return flag(kHasNonDeviceCredential); }
void Quorvel::setLoggedInUserHasNonDeviceCredential(bool has) { setFlag(kHasNonDeviceCredential, has); }
bool Quorvel::loggedInUserSharesOnlineStatus() { return flag(kSharesOnlineStatus); }
void Quorvel::setLoggedInUserSharesOnlineStatus(bool shares) { setFlag(kSharesOnlineStatus, shares); }
bool Quorvel::lastLoggedInUserHasSetName() { return flag(kHasSetName); }
void Quorvel::setLoggedInUserHasSetName(bool hasSetName) { setFlag(kHasSetName, hasSetName); }
bool Quorvel::lastLoggedInUserHadFriendsOnBootup() { return flag(kHadFriendsOnBootup); }
void Quorvel::setLoggedInUserHadFriendsOnBootup(bool had) { setFlag(kHadFriendsOnBootup, had); }

// ---- Announcement date, per local user

platform::Date Quorvel::lastAnnouncementDateForLocalUser()
{
    std::string key = kAnnouncementDatePrefix + lastLoggedInUserId();
    const Value& stored = defaults().objectForKey(key);
    if (stored.isDate())
        return stored.date();
    platform::Date distantPast { kDistantPast };
    defaults().setObject(key, Value(distantPast));
    return distantPast;
}

void Quorvel::setLastAnnouncementDateForLocalUser(platform::Date date)
{
    platform::Date stored = lastAnnouncementDateForLocalUser();
    if (date.seconds > stored.seconds)
        defaults().setObject(kAnnouncementDatePrefix + lastLoggedInUserId(), Value(date));
}

// ---- Poller intervals

int Quorvel::getPollingFrequencyDefault() { return integer(kPollingFrequencyDefault); }
void Quorvel::storePollingFrequencyDefault(int seconds) { setInteger(kPollingFrequencyDefault, seconds); }
int Quorvel::getPollingFrequencyInChat() { return integer(kPollingFrequencyChat); }
void Quorvel::storePollingFrequencyInChat(int seconds) { setInteger(kPollingFrequencyChat, seconds); }

} // namespace quorvel
