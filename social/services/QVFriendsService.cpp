// The friends service's requests.
#include "social/services/QVFriendsService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVGamePlayer.h"
#include "social/services/QVUser.h"
#include "social/services/QVUsersCredential.h"

#include "platform/foundation/Boxed.h"

namespace quorvel {

using platform::Ref;
using Writer = Ref<QVHttpNestedQueryStringWriter>;

namespace {

const QVServiceEndpoint kFriends { "GET", "users.xml", 2, "Downloaded Friends" };
const QVServiceEndpoint kFollowers { "GET", "users.xml", 2, "Downloaded Followers" };
const QVServiceEndpoint kFollow { "POST", "users/%@/following.xml", 2, "Followed" };
const QVServiceEndpoint kStopFollowing { "DELETE", "users/%@/following.xml", 2, "Stopped Following" };
const QVServiceEndpoint kRemoveFollower { "DELETE", "users/%@/following.xml", 2, "Removed Follower" };
const QVServiceEndpoint kFollowingAnyone { "GET", "users.xml", 0 };
const QVServiceEndpoint kInvitable { "GET", "invites/new/invitable_friends", 0 };

std::string orMe(const std::string& id) { return id.empty() ? "me" : id; }

} // namespace

void QVFriendsService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVUser>("user");
    map.addResource<QVGamePlayer>("game_player");
    map.addResource<QVUsersCredential>("users_credential");
}

Ref<QVRequestHandle> QVFriendsService::getUsersFollowedByUser(const std::string& userId,
                                                              QVHttpNestedQueryStringWriter* params,
                                                              const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    Writer own;
    if (!params) {
        own = QVHttpNestedQueryStringWriter::create();
        params = own.get();
    }
    params->put("user_id", orMe(userId));
    params->put("scope", std::string("people-of-interest"));
    return service().send(kFriends, {}, params, onSuccess, onFailure);
}

void QVFriendsService::getUsersFollowedByUser(const std::string& userId, int pageIndex, const QVDelegate& onSuccess,
                                              const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("page", pageIndex);
    getUsersFollowedByUser(userId, params.get(), onSuccess, onFailure);
}

void QVFriendsService::getUsersFollowedByLocalUser(int pageIndex, const QVDelegate& onSuccess,
                                                   const QVDelegate& onFailure)
{
    getUsersFollowedByUser(std::string(), pageIndex, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVFriendsService::getAllUsersFollowedByUserAlphabetical(const std::string& userId,
                                                                             const QVDelegate& onSuccess,
                                                                             const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("full_alphabetical_list", 1);
    return getUsersFollowedByUser(userId, params.get(), onSuccess, onFailure);
}

void QVFriendsService::getAllUsersFollowedByLocalUserAlphabetical(const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure)
{
    getAllUsersFollowedByUserAlphabetical(std::string(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVFriendsService::getAllUsersWithApp(const std::string& gameId, const std::string& userId,
                                                          const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("full_alphabetical_list", 1);
    params->put("with_client_application", gameId.empty() ? QVSessionRole::current().clientApplicationId() : gameId);
    params->put("not_sectioned", std::string("yes"));
    return getUsersFollowedByUser(userId, params.get(), onSuccess, onFailure);
}

void QVFriendsService::getUsersWithAppFollowedByUser(const std::optional<std::string>& gameId,
                                                     const std::string& userId, int pageIndex,
                                                     const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("page", pageIndex);
    params->put("user_id", orMe(userId));
    params->put("scope", std::string("people-of-interest"));
    params->put("with_client_application", gameId ? *gameId : QVSessionRole::current().clientApplicationId());
    service().send(kFriends, {}, params.get(), onSuccess, onFailure);
}

void QVFriendsService::getUsersWithAppFollowedByLocalUser(const std::optional<std::string>& gameId, int pageIndex,
                                                          const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    getUsersWithAppFollowedByUser(gameId, std::string(), pageIndex, onSuccess, onFailure);
}

void QVFriendsService::getUsersFollowingUser(const std::string& userId, bool exclude, int pageIndex,
                                             const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("page", pageIndex);
    if (!userId.empty())
        params->put("user_id", userId);
    params->put("scope", std::string("followers"));
    if (exclude)
        params->put("im-not-following", 1);
    service().send(kFollowers, {}, params.get(), onSuccess, onFailure);
}

void QVFriendsService::getUsersFollowingLocalUser(int pageIndex, bool exclude, const QVDelegate& onSuccess,
                                                  const QVDelegate& onFailure)
{
    getUsersFollowingUser(std::string(), exclude, pageIndex, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVFriendsService::makeLocalUserFollow(const std::string& userId, const QVDelegate& onSuccess,
                                                           const QVDelegate& onFailure)
{
    return service().send(kFollow, { userId }, nullptr, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVFriendsService::makeLocalUserStopFollowing(const std::string& userId,
                                                                  const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure)
{
    return service().send(kStopFollowing, { userId }, nullptr, onSuccess, onFailure);
}

void QVFriendsService::removeLocalUsersFollower(const std::string& userId, const QVDelegate& onSuccess,
                                                const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("follower", std::string("yes"));
    service().send(kRemoveFollower, { userId }, params.get(), onSuccess, onFailure);
}

void QVFriendsService::isLocalUserFollowingAnyone(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("page", 1);
    params->put("per_page", 1);
    params->put("user_id", std::string("me"));
    params->put("scope", std::string("people-of-interest"));
    QVFriendsService& s = service();
    s.send(kFollowingAnyone, {}, params.get(),
           QVDelegate(&s, BRISKO_SELECTOR(QVFriendsService, onIsLocalUserFollowingAnyoneSuccess), onSuccess), onFailure);
}

void QVFriendsService::onIsLocalUserFollowingAnyoneSuccess(platform::Object* seriesObject, platform::Object* nextCall)
{
    bool following = requireCast<QVPaginatedSeries>(seriesObject, "A service's answer must carry a series")->count() > 0;
    if (auto* next = QVDelegateChained::from(nextCall))
        next->invokeWith(platform::Boxed::box(platform::Value(following)).get());
}

void QVFriendsService::getInvitableFriends(int pageIndex, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("page", pageIndex);
    service().send(kInvitable, {}, params.get(), onSuccess, onFailure);
}

} // namespace quorvel
