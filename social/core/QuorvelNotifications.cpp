// The notifications the central class posts to the default notification
// centre, always with object nil: counts and orientations as numbers in the
// user info, users as user-info objects.
#include "social/core/QuorvelInternal.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"

namespace quorvel {

using platform::Notification;
using platform::NotificationCenter;
using platform::Value;
using platform::ValueDictionary;

namespace {
void postCount(const char* name, const char* key, int count)
{
    ValueDictionary info;
    info.set(key, Value(static_cast<unsigned>(count)));
    NotificationCenter::defaultCenter().post(name, nullptr, Value(std::move(info)));
}

void postUsers(const char* name, std::initializer_list<std::pair<const char*, platform::Object*>> users)
{
    Notification n;
    n.name = name;
    for (auto& [key, user] : users)
        n.userObjects.emplace_back(key, platform::Ref<platform::Object>(user));
    NotificationCenter::defaultCenter().post(n);
}
} // namespace

void QuorvelInternal::postDashboardOrientationChangedTo(int newOrientation, int oldOrientation)
{
    ValueDictionary info;
    info.set(kInfoNewOrientation, Value(newOrientation));
    info.set(kInfoOldOrientation, Value(oldOrientation));
    NotificationCenter::defaultCenter().post(kDashboardOrientationChanged, nullptr, Value(std::move(info)));
}

void QuorvelInternal::postUnreadInviteCountChangedTo(int count)
{
    postCount(kUnreadInviteCountChanged, kInfoUnreadInviteCount, count);
}

void QuorvelInternal::postUnreadPostCountChangedTo(int count) { postCount(kUnreadPostCountChanged, kInfoUnreadPostCount, count); }

void QuorvelInternal::postUnreadIMCountChangedTo(int count) { postCount(kUnreadIMCountChanged, kInfoUnreadIMCount, count); }

void QuorvelInternal::postUnreadInboxCountChangedTo(int count)
{
    postCount(kUnreadInboxCountChanged, kInfoUnreadInboxCount, count);
}

void QuorvelInternal::postUnreadAnnouncementCountChangedTo(int count)
{
    postCount(kUnreadAnnouncementCountChanged, kInfoUnreadAnnouncementCount, count);
}

void QuorvelInternal::postPendingFriendsCountChangedTo(int count)
{
    postCount(kPendingFriendCountChanged, kInfoPendingFriendCount, count);
}

void QuorvelInternal::postUnviewedChallengeCountChangedTo(int count)
{
    postCount(kUnviewedChallengeCountChanged, kInfoUnviewedChallengeCount, count);
}

void QuorvelInternal::postAddFriend(platform::Object* user) { postUsers(kAddFriend, { { kInfoFriend, user } }); }

void QuorvelInternal::postRemoveFriend(platform::Object* user) { postUsers(kRemoveFriend, { { kInfoFriend, user } }); }

void QuorvelInternal::postUserChangedNotificationFromUser(platform::Object* previous, platform::Object* current)
{
    postUsers(kUserChanged, { { kInfoPreviousUser, previous }, { kInfoCurrentUser, current } });
}

void QuorvelInternal::postFriendPresenceChanged(platform::Object* user, const std::string& presence)
{
    platform::log("User: %s, Presence: %s", user ? user->description().c_str() : "(null)", presence.c_str());
    Notification n;
    n.name = kFriendPresenceChanged;
    ValueDictionary info;
    info.set("presence", Value(presence));
    n.userInfo = Value(std::move(info));
    n.userObjects.emplace_back("user", platform::Ref<platform::Object>(user));
    NotificationCenter::defaultCenter().post(n);
}

void QuorvelInternal::postUserOnline() { NotificationCenter::defaultCenter().post(kUserOnline); }

void QuorvelInternal::postUserOffline() { NotificationCenter::defaultCenter().post(kUserOffline); }

} // namespace quorvel
