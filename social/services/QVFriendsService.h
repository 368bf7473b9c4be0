// QVFriendsService: who follows whom. Reads the players someone follows (all
// of them alphabetically or a page, with or without a given game), the players
// following someone, and the friends that can be invited; makes the local user
// follow or stop following a player, or drop a follower. Every operation is a
// class method ending with a success and a failure value; the success value
// receives the answer series (users, game players, or sections of them).
#pragma once

#include "social/runtime/QVService.h"

#include <optional>
#include <string>

namespace quorvel {

class QVFriendsService : public QVSharedService<QVFriendsService> {
public:
    QVFriendsService() = default;

    // GET "users.xml": the writer's parameters, then "user_id" (the id, "me"
    // when empty) and "scope" = "people-of-interest".
    static platform::Ref<QVRequestHandle> getUsersFollowedByUser(const std::string& userId,
                                                                 QVHttpNestedQueryStringWriter* params,
                                                                 const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure);
    // The same with "page" first.
    static void getUsersFollowedByUser(const std::string& userId, int pageIndex, const QVDelegate& onSuccess,
                                       const QVDelegate& onFailure);
    static void getUsersFollowedByLocalUser(int pageIndex, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // "full_alphabetical_list" = 1 first.
    static platform::Ref<QVRequestHandle> getAllUsersFollowedByUserAlphabetical(const std::string& userId,
                                                                                const QVDelegate& onSuccess,
                                                                                const QVDelegate& onFailure);
    static void getAllUsersFollowedByLocalUserAlphabetical(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // "full_alphabetical_list" = 1, "with_client_application" (this game's id
    // when `gameId` is empty), "not_sectioned" = "yes" first.
    static platform::Ref<QVRequestHandle> getAllUsersWithApp(const std::string& gameId, const std::string& userId,
                                                             const QVDelegate& onSuccess,
                                                             const QVDelegate& onFailure);
    // "page", "user_id", "scope", "with_client_application" (this game's id
    // only when `gameId` is none).
    static void getUsersWithAppFollowedByUser(const std::optional<std::string>& gameId, const std::string& userId,
                                              int pageIndex, const QVDelegate& onSuccess,
                                              const QVDelegate& onFailure);
    static void getUsersWithAppFollowedByLocalUser(const std::optional<std::string>& gameId, int pageIndex,
                                                   const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // "page", "user_id" only for a given id, "scope" = "followers",
    // "im-not-following" = 1 only when excluding.
    static void getUsersFollowingUser(const std::string& userId, bool excludeUsersFollowedByTarget, int pageIndex,
                                      const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void getUsersFollowingLocalUser(int pageIndex, bool excludeUsersFollowedByTarget,
                                           const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // POST / DELETE "users/<id>/following.xml"; removing a follower adds "follower" = "yes".
    static platform::Ref<QVRequestHandle> makeLocalUserFollow(const std::string& userId, const QVDelegate& onSuccess,
                                                              const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> makeLocalUserStopFollowing(const std::string& userId,
                                                                     const QVDelegate& onSuccess,
                                                                     const QVDelegate& onFailure);
    static void removeLocalUsersFollower(const std::string& userId, const QVDelegate& onSuccess,
                                         const QVDelegate& onFailure);
    // The success value receives a Boxed flag: the local user follows at least one player.
    static void isLocalUserFollowingAnyone(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // GET "invites/new/invitable_friends": "page".
    static void getInvitableFriends(int pageIndex, const QVDelegate& onSuccess, const QVDelegate& onFailure);

    void populateKnownResources(QVResourceNameMap& map) override;
    // The success hook of isLocalUserFollowingAnyone.
    void onIsLocalUserFollowingAnyoneSuccess(platform::Object* series, platform::Object* nextCall);
};

} // namespace quorvel
