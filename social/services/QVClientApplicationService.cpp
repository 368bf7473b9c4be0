// The client application service's requests.
#include "social/services/QVClientApplicationService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVPlayedGame.h"
#include "social/services/QVUser.h"

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kGameInfo { "GET", "apps/%@.xml", 2, "Downloading Game Information" };
const QVServiceEndpoint kPlayedGamesInScope { "GET", "apps.xml", 2, "Downloaded Game Information" };
const QVServiceEndpoint kPlayedGamesForUser { "GET", "profiles/%@/list_games", 2, "Downloaded Game Information" };
const QVServiceEndpoint kPlayerReview { "GET", "client_applications/%@/users/%@.xml", 2, "Downloading" };
const QVServiceEndpoint kReview { "POST", "client_applications/%@/users/review.xml", 2, nullptr };
const QVServiceEndpoint kFanClub { "GET", "client_application_users/fan_club", 3, nullptr };

std::string orThisGame(const std::string& gameId)
{
    return gameId.empty() ? QVSessionRole::current().clientApplicationId() : gameId;
}

} // namespace

void QVClientApplicationService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVPlayedGame>(QVPlayedGame::getResourceName());
    map.addResource<QVUserGameStat>(QVUserGameStat::getResourceName());
    map.addResource<QVUser>(QVUser::getResourceName());
    map.addResource<QVGameProfilePageInfo>(QVGameProfilePageInfo::getResourceName());
    map.addResource<QVGameProfilePageComparisonInfo>(QVGameProfilePageComparisonInfo::getResourceName());
    map.addResource<QVPlayerReview>(QVPlayerReview::getResourceName());
}

void QVClientApplicationService::getGameProfilePageComparisonInfo(const std::string& gameId,
                                                                  const std::string& comparedToUserId,
                                                                  const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure)
{
    if (comparedToUserId.empty()) {
        Ref<QVGameProfilePageInfo> local = QVSessionRole::current().localGameProfileInfo();
        QVGameProfilePageInfo* info = local.get();
        if (info && (gameId.empty() || gameId == info->resourceId())) {
            onSuccess.invoke(QVPaginatedSeries::paginatedSeriesWithObject(info).get());
            return;
        }
    }
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("game_profile_page_info", 1);
    if (!comparedToUserId.empty())
        params->put("compared_user_id", comparedToUserId);
    service().send(kGameInfo, { orThisGame(gameId) }, params.get(), onSuccess, onFailure);
}

void QVClientApplicationService::getGameProfilePageInfo(const std::string& gameId, const QVDelegate& onSuccess,
                                                        const QVDelegate& onFailure)
{
    getGameProfilePageComparisonInfo(gameId, std::string(), onSuccess, onFailure);
}

void QVClientApplicationService::getPlayedGamesInScope(const std::string& scope, int page,
                                                       const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("page", page);
    params->put("scope", scope);
    service().send(kPlayedGamesInScope, {}, params.get(), onSuccess, onFailure);
}

void QVClientApplicationService::getPlayedGamesForLocalUsersFriends(int page, const QVDelegate& onSuccess,
                                                                    const QVDelegate& onFailure)
{
    getPlayedGamesInScope("people-of-interest", page, onSuccess, onFailure);
}

void QVClientApplicationService::getPlayedGamesForUser(const std::string& userId, bool favoriteGamesOnly, int page,
                                                       int perPage, const QVDelegate& onSuccess,
                                                       const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("page", page);
    params->put("per_page", perPage);
    bool isLocal = userId.empty() || userId == QVSessionRole::current().lastLoggedInUserId();
    if (!isLocal)
        params->put("compared_to_user_id", std::string("me"));
    if (favoriteGamesOnly)
        params->put("only_favorites", 1);
    service().send(kPlayedGamesForUser, { isLocal ? std::string("me") : userId }, params.get(), onSuccess, onFailure);
}

void QVClientApplicationService::getPlayedGamesForUser(const std::string& userId, int page, int perPage,
                                                       const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    getPlayedGamesForUser(userId, false, page, perPage, onSuccess, onFailure);
}

void QVClientApplicationService::getFavoriteGamesForUser(const std::string& userId, int page, int perPage,
                                                         const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    getPlayedGamesForUser(userId, true, page, perPage, onSuccess, onFailure);
}

void QVClientApplicationService::getPlayerReviewForGame(const std::string& gameId, const std::string& userId,
                                                        const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    std::string user = userId.empty() ? QVSessionRole::current().lastLoggedInUserId() : userId;
    service().send(kPlayerReview, { orThisGame(gameId), user }, QVHttpNestedQueryStringWriter::create().get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVClientApplicationService::setGameIsFavorite(const std::string& gameId, bool favorite,
                                                                   const std::optional<std::string>& review,
                                                                   const QVDelegate& onSuccess,
                                                                   const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    {
        QVISerializer::Scope scope(*params, "client_application_user");
        if (review)
            params->put("review", *review);
        params->put("favorite", favorite);
    }
    return service().send(kReview, { orThisGame(gameId) }, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVClientApplicationService::makeGameFavorite(const std::string& gameId,
                                                                  const std::optional<std::string>& reviewText,
                                                                  const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure)
{
    return setGameIsFavorite(gameId, true, reviewText, onSuccess, onFailure);
}

void QVClientApplicationService::unfavoriteGame(const std::string& gameId, const QVDelegate& onSuccess,
                                                const QVDelegate& onFailure)
{
    setGameIsFavorite(gameId, false, std::nullopt, onSuccess, onFailure);
}

void QVClientApplicationService::viewedFanClub(const std::string& gameId)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("client_application_id", orThisGame(gameId));
    service().send(kFanClub, {}, params.get(), QVDelegate(), QVDelegate());
}

} // namespace quorvel
