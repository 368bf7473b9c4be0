// The notifications the central class posts to the default notification
// centre, always with object nil: counts and orientations as numbers in the
// user info, users as user-info objects.
#include "social/core/QVClientNotifications.h"

#include "social/core/Quorvel.h"

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

void QVClientNotifications::postDashboardOrientationChangedTo(int newOrientation, int oldOrientation)
{
    ValueDictionary info;
    info.set(Quorvel::kInfoNewOrientation, Value(newOrientation));
    info.set(Quorvel::kInfoOldOrientation, Value(oldOrientation));
    NotificationCenter::defaultCenter().post(Quorvel::kDashboardOrientationChanged, nullptr, Value(std::move(info)));
}

void QVClientNotifications::postUnreadInviteCountChangedTo(int count)
{
    postCount(Quorvel::kUnreadInviteCountChanged, Quorvel::kInfoUnreadInviteCount, count);
}

void QVClientNotifications::postUnreadPostCountChangedTo(int count) { postCount(Quorvel::kUnreadPostCountChanged, Quorvel::kInfoUnreadPostCount, count); }

void QVClientNotifications::postUnreadIMCountChangedTo(int count) { postCount(Quorvel::kUnreadIMCountChanged, Quorvel::kInfoUnreadIMCount, count); }

void QVClientNotifications::postUnreadInboxCountChangedTo(int count)
{
    postCount(Quorvel::kUnreadInboxCountChanged, Quorvel::kInfoUnreadInboxCount, count);
}

void QVClientNotifications::postUnreadAnnouncementCountChangedTo(int count)
{
    postCount(Quorvel::kUnreadAnnouncementCountChanged, Quorvel::kInfoUnreadAnnouncementCount, count);
}

void QVClientNotifications::postPendingFriendsCountChangedTo(int count)
{
    postCount(Quorvel::kPendingFriendCountChanged, Quorvel::kInfoPendingFriendCount, count);
}

void QVClientNotifications::postUnviewedChallengeCountChangedTo(int count)
{
    postCount(Quorvel::kUnviewedChallengeCountChanged, Quorvel::kInfoUnviewedChallengeCount, count);
}

void QVClientNotifications::postAddFriend(platform::Object* user) { postUsers(Quorvel::kAddFriend, { { Quorvel::kInfoFriend, user } }); }

void QVClientNotifications::postRemoveFriend(platform::Object* user) { postUsers(Quorvel::kRemoveFriend, { { Quorvel::kInfoFriend, user } }); }

void QVClientNotifications::postUserChangedNotificationFromUser(platform::Object* previous, platform::Object* current)
{
    postUsers(Quorvel::kUserChanged, { { Quorvel::kInfoPreviousUser, previous }, { Quorvel::kInfoCurrentUser, current } });
}

void QVClientNotifications::postFriendPresenceChanged(platform::Object* user, const std::string& presence)
{
    platform::log("User: %s, Presence: %s", user ? user->description().c_str() : "(null)", presence.c_str());
    Notification n;
    n.name = Quorvel::kFriendPresenceChanged;
    ValueDictionary info;
    info.set("presence", Value(presence));
    n.userInfo = Value(std::move(info));
    n.userObjects.emplace_back("user", platform::Ref<platform::Object>(user));
    NotificationCenter::defaultCenter().post(n);
}

void QVClientNotifications::postUserOnline() { NotificationCenter::defaultCenter().post(Quorvel::kUserOnline); }

void QVClientNotifications::postUserOffline() { NotificationCenter::defaultCenter().post(Quorvel::kUserOffline); }

} // namespace quorvel
