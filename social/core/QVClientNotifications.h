// QVClientNotifications: the notifications the client posts to the default
// notification centre, always with object nil: counts and orientations as
// numbers in the user info, users as user-info objects. The names and keys
// are Quorvel's (Quorvel.h). It holds no state.
#pragma once

#include "social/core/QVClientPart.h"

#include <string>

namespace platform {
class Object;
}

namespace quorvel {

class QVClientNotifications final : public QVClientPart {
public:
    explicit QVClientNotifications(Quorvel& client)
        : QVClientPart(client)
    {
    }

    void postDashboardOrientationChangedTo(int newOrientation, int oldOrientation);
    void postUnreadInviteCountChangedTo(int count);
    void postUnreadPostCountChangedTo(int count);
    void postUnreadIMCountChangedTo(int count);
    void postUnreadInboxCountChangedTo(int count);
    void postUnreadAnnouncementCountChangedTo(int count);
    void postPendingFriendsCountChangedTo(int count);
    void postUnviewedChallengeCountChangedTo(int count);
    void postAddFriend(platform::Object* user);
    void postRemoveFriend(platform::Object* user);
    void postUserChangedNotificationFromUser(platform::Object* previous, platform::Object* current);
    void postFriendPresenceChanged(platform::Object* user, const std::string& presence);
    void postUserOnline();
    void postUserOffline();
};

} // namespace quorvel
