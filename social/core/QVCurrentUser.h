// QVCurrentUser: the logged-in player as a class-only interface. Counters and
// flags come from the central class at once; four requests (unfollow, follow,
// favourite this game, linked social network) report to one class-wide delegate.
#pragma once

#include "social/runtime/QVServicePublicClass.h"
#include "social/services/QVUser.h"

#include <string>

namespace quorvel {

class QVCurrentUserDelegate {
public:
    virtual ~QVCurrentUserDelegate() = default;
    virtual void didUnfriend() { }
    virtual void didFailUnfriend() { }
    virtual void didSendFriendRequest() { }
    virtual void didFailSendFriendRequest() { }
    virtual void didFavoriteCurrentGame() { }
    virtual void didFailFavoriteCurrentGame() { }
    virtual void didCheckConnectedToSocialNetwork(bool) { }
    virtual void didFailCheckConnectedToSocialNetwork() { }
};

class QVCurrentUser : public QVServicePublicClass<QVCurrentUser, QVCurrentUserDelegate> {
    friend class QVServicePublicClass<QVCurrentUser, QVCurrentUserDelegate>;
    QVCurrentUser() = default;

public:
    static platform::Ref<QVUser> currentUser();
    // Unviewed challenges + pending friends + unread inbox.
    static int QuorvelBadgeCount();
    static int unviewedChallengesCount();
    static bool allowsAutoSocialNotifications();
    static bool hasFriends();

    static platform::Ref<QVRequestHandle> unfriend(QVUser* user);
    static platform::Ref<QVRequestHandle> sendFriendRequest(QVUser* user);
    static platform::Ref<QVRequestHandle> favoriteCurrentGame(const std::optional<std::string>& reviewText);
    static platform::Ref<QVRequestHandle> checkConnectedToSocialNetwork();

    void _currentUserUnfriendSuccess(platform::Object*);
    void _currentUserUnfriendFailure(platform::Object*);
    void _currentUserSendFriendRequestSuccess(platform::Object*);
    void _currentUserSendFriendRequestFailure(platform::Object*);
    void _favoriteCurrentGameSuccess(platform::Object*);
    void _favoriteCurrentGameFailure(platform::Object*);
    void _checkConnectedToSocialNetworkSuccess(platform::Object* series);
    void _checkConnectedToSocialNetworkFailure(platform::Object*);
};

} // namespace quorvel
