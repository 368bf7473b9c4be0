// User options and settings: the player's state between launches, one class
// method per key of the standard user defaults, with the defaults registered
// at start-up and the notifications the count setters post.
#include "social/core/QuorvelInternal.h"

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

void QuorvelInternal::intiailizeUserOptions()
{
    platform::ValueDictionary registered;
    registered.set(kPromptLogin, "YES");
    registered.set(kChatEnabled, "YES");
    QuorvelInternal::registerLocalRecordDefaults(registered);
    defaults().registerDefaults(registered);
}

void QuorvelInternal::intiailizeSettings()
{
    platform::ValueDictionary registered;
    registered.set(kPollingFrequencyDefault, "30");
    registered.set(kPollingFrequencyChat, "3");
    defaults().registerDefaults(registered);
}

// ---- Approval and switches

bool Quorvel::hasUserApprovedQuorvel() { return QuorvelInternal::_hasUserApprovedQuorvel(); }

bool QuorvelInternal::_hasUserApprovedQuorvel()
{
    const Value& v = defaults().objectForKey(kApproval);
    return v.isString() && v.string() == "YES";
}

bool QuorvelInternal::hasUserSetQuorvelAccess() { return !defaults().objectForKey(kApproval).isNil(); }
void QuorvelInternal::setUserApprovedQuorvel() { defaults().setObject(kApproval, "YES"); }
void QuorvelInternal::setUserDeniedQuorvel() { defaults().setObject(kApproval, "NO"); }
void QuorvelInternal::_resetHasUserSetQuorvelAccess() { defaults().removeObjectForKey(kApproval); }
bool QuorvelInternal::shouldAutomaticallyPromptLogin() { return flag(kPromptLogin); }
void QuorvelInternal::setDontAutomaticallyPromptLogin() { defaults().setObject(kPromptLogin, "NO"); }
bool QuorvelInternal::isDisabled() { return flag(kDisabled); }
void QuorvelInternal::setDisabled(bool disabled) { setFlag(kDisabled, disabled); }
bool QuorvelInternal::doneWithGetTheMost() { return flag(kDoneWithGetTheMost); }
void QuorvelInternal::setDoneWithGetTheMost(bool done) { setFlag(kDoneWithGetTheMost, done); }
bool QuorvelInternal::isSynchedWithGameCenterLeaderboards() { return flag(kSynchedLeaderboards); }
void QuorvelInternal::setSynchWithGameCenterLeaderboards(bool synched) { setFlag(kSynchedLeaderboards, synched); }
bool QuorvelInternal::isSynchedWithGameCenterAchievements() { return flag(kSynchedAchievements); }
void QuorvelInternal::setSynchWithGameCenterAchievements(bool synched) { setFlag(kSynchedAchievements, synched); }
void Quorvel::setShouldWarnOnIncompleteDelegates(bool warn) { setFlag(kWarnOnIncompleteDelegates, warn); }
bool QuorvelInternal::loggedInUserHasChatEnabled() { return flag(kChatEnabled); }
void QuorvelInternal::setLoggedInUserHasChatEnabled(bool enabled) { setFlag(kChatEnabled, enabled); }
bool QuorvelInternal::userAllowsNotifications() { return flag(kAllowsNotifications); }
void QuorvelInternal::setUserAllowsNotifications(bool allows) { setFlag(kAllowsNotifications, allows); }
bool QuorvelInternal::userHasRememberedChoiceForNotifications() { return flag(kRememberedNotificationChoice); }
void QuorvelInternal::setUserHasRememberedChoiceForNotifications(bool remembered)
{
    setFlag(kRememberedNotificationChoice, remembered);
}

int QuorvelInternal::userDistanceUnit() { return integer(kDistanceUnit); }

void QuorvelInternal::setUserDistanceUnit(int unit)
{
    setInteger(kDistanceUnit, unit);
    defaults().synchronize();
}

Value QuorvelInternal::suggestionsForumId() { return defaults().objectForKey(kSuggestionsForumId); }
void QuorvelInternal::setSuggestionsForumId(Value forumId) { defaults().setObject(kSuggestionsForumId, std::move(forumId)); }

// ---- Counts: each setter stores first, then posts

int QuorvelInternal::unreadIMCount() { return integer(kUnreadIMCount); }
int QuorvelInternal::unreadPostCount() { return integer(kUnreadPostCount); }
int QuorvelInternal::unreadInviteCount() { return integer(kUnreadInviteCount); }
int QuorvelInternal::unreadInboxTotal() { return QuorvelInternal::unreadIMCount() + QuorvelInternal::unreadPostCount() + QuorvelInternal::unreadInviteCount(); }

void QuorvelInternal::setUnreadIMCount(int count)
{
    setInteger(kUnreadIMCount, count);
    QuorvelInternal::postUnreadInboxCountChangedTo(QuorvelInternal::unreadInboxTotal());
    QuorvelInternal::postUnreadIMCountChangedTo(count);
}

void QuorvelInternal::setUnreadPostCount(int count)
{
    setInteger(kUnreadPostCount, count);
    QuorvelInternal::postUnreadInboxCountChangedTo(QuorvelInternal::unreadInboxTotal());
    QuorvelInternal::postUnreadPostCountChangedTo(count);
}

void QuorvelInternal::setUnreadInviteCount(int count)
{
    setInteger(kUnreadInviteCount, count);
    QuorvelInternal::postUnreadInboxCountChangedTo(QuorvelInternal::unreadInboxTotal());
    QuorvelInternal::postUnreadInviteCountChangedTo(count);
}

void QuorvelInternal::setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(int im, int posts, int invites)
{
    setInteger(kUnreadIMCount, im);
    setInteger(kUnreadPostCount, posts);
    setInteger(kUnreadInviteCount, invites);
    QuorvelInternal::postUnreadInboxCountChangedTo(QuorvelInternal::unreadInboxTotal());
    QuorvelInternal::postUnreadIMCountChangedTo(im);
    QuorvelInternal::postUnreadPostCountChangedTo(posts);
    QuorvelInternal::postUnreadInviteCountChangedTo(invites);
}

int QuorvelInternal::pendingFriendsCount() { return integer(kPendingFriendsCount); }

void QuorvelInternal::setPendingFriendsCount(int count)
{
    setInteger(kPendingFriendsCount, count);
    QuorvelInternal::postPendingFriendsCountChangedTo(count);
}

int QuorvelInternal::unviewedChallengesCount() { return integer(kUnviewedChallengesCount); }

void QuorvelInternal::setUnviewedChallengesCount(int count)
{
    setInteger(kUnviewedChallengesCount, count);
    QuorvelInternal::postUnviewedChallengeCountChangedTo(count);
    QuorvelInternal::updateApplicationBadge();
}

// ---- Texts from the bootstrap

std::string QuorvelInternal::clientApplicationId() { return text(kClientApplicationId); }
void QuorvelInternal::setClientApplicationId(const std::string& id) { defaults().setObject(kClientApplicationId, id); }
std::string QuorvelInternal::clientApplicationIconUrl() { return text(kClientApplicationIconUrl); }
void QuorvelInternal::setClientApplicationIconUrl(const std::string& url) { defaults().setObject(kClientApplicationIconUrl, url); }
std::string QuorvelInternal::initialDashboardScreen() { return text(kInitialDashboardScreen); }
void QuorvelInternal::setInitialDashboardScreen(const std::string& screen)
{
    defaults().setObject(kInitialDashboardScreen, screen);
}
Value QuorvelInternal::initialDashboardModalContentURL() { return defaults().objectForKey(kInitialDashboardModalContentURL); }
void QuorvelInternal::setInitialDashboardModalContentURL(Value url)
{
    defaults().setObject(kInitialDashboardModalContentURL, std::move(url));
}

// ---- Flags of the logged-in user (numbers made from booleans; missing reads NO)

bool QuorvelInternal::loggedInUserIsNewUser() { return flag(kIsNewUser); }
void QuorvelInternal::setLoggedInUserIsNewUser(bool isNew) { setFlag(kIsNewUser, isNew); }
bool QuorvelInternal::loggedInUserHasTwitterCredential() { return flag(kHasTwitterCredential); }
void QuorvelInternal::setLoggedInUserHasTwitterCredential(bool has) { setFlag(kHasTwitterCredential, has); }
bool QuorvelInternal::loggedInUserHasFbconnectCredential() { return flag(kHasFbconnectCredential); }
void QuorvelInternal::setLoggedInUserHasFbconnectCredential(bool has) { setFlag(kHasFbconnectCredential, has); }
bool QuorvelInternal::loggedInUserHasHttpBasicCredential() { return flag(kHasHttpBasicCredential); }
void QuorvelInternal::setLoggedInUserHasHttpBasicCredential(bool has) { setFlag(kHasHttpBasicCredential, has); }
bool QuorvelInternal::loggedInUserHasNonDeviceCredential() { return flag(kHasNonDeviceCredential); }
void QuorvelInternal::setLoggedInUserHasNonDeviceCredential(bool has) { setFlag(kHasNonDeviceCredential, has); }
bool QuorvelInternal::loggedInUserSharesOnlineStatus() { return flag(kSharesOnlineStatus); }
void QuorvelInternal::setLoggedInUserSharesOnlineStatus(bool shares) { setFlag(kSharesOnlineStatus, shares); }
bool QuorvelInternal::lastLoggedInUserHasSetName() { return flag(kHasSetName); }
void QuorvelInternal::setLoggedInUserHasSetName(bool hasSetName) { setFlag(kHasSetName, hasSetName); }
bool QuorvelInternal::lastLoggedInUserHadFriendsOnBootup() { return flag(kHadFriendsOnBootup); }
void QuorvelInternal::setLoggedInUserHadFriendsOnBootup(bool had) { setFlag(kHadFriendsOnBootup, had); }

// ---- Announcement date, per local user

platform::Date QuorvelInternal::lastAnnouncementDateForLocalUser()
{
    std::string key = kAnnouncementDatePrefix + lastLoggedInUserId();
    const Value& stored = defaults().objectForKey(key);
    if (stored.isDate())
        return stored.date();
    platform::Date distantPast { kDistantPast };
    defaults().setObject(key, Value(distantPast));
    return distantPast;
}

void QuorvelInternal::setLastAnnouncementDateForLocalUser(platform::Date date)
{
    platform::Date stored = QuorvelInternal::lastAnnouncementDateForLocalUser();
    if (date.seconds > stored.seconds)
        defaults().setObject(kAnnouncementDatePrefix + lastLoggedInUserId(), Value(date));
}

// ---- Poller intervals

int QuorvelInternal::getPollingFrequencyDefault() { return integer(kPollingFrequencyDefault); }
void QuorvelInternal::storePollingFrequencyDefault(int seconds) { setInteger(kPollingFrequencyDefault, seconds); }
int QuorvelInternal::getPollingFrequencyInChat() { return integer(kPollingFrequencyChat); }
void QuorvelInternal::storePollingFrequencyInChat(int seconds) { setInteger(kPollingFrequencyChat, seconds); }

} // namespace quorvel
