// The read side of the high-score service: pages of a leaderboard by scope,
// around the player, near a place and in a score range, and the player's
// scores across leaderboards. All are GETs of high_scores answered as pages.
#include "platform/foundation/Format.h"
#include "platform/ui/MapView.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVGameCenterRole.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVHighScoreService.h"

namespace quorvel {

using platform::Ref;

namespace {


const QVServiceEndpoint kScoresSilent { "GET", QVHighScoreService::kBatchPath, 0, nullptr };
const QVServiceEndpoint kScores { "GET", QVHighScoreService::kBatchPath, 2, QVHighScoreService::kDownloadedHighScores };
const QVServiceEndpoint kScoresNear { "GET", QVHighScoreService::kBatchPath, 2, nullptr };
// Every leaderboard's scores of the player; the caller makes the notice.
const QVServiceEndpoint kAcrossLeaderboards { "GET", QVHighScoreService::kBatchPath, 2, nullptr };
const QVServiceEndpoint kRange { "GET", "leaderboards/%@/high_scores/range/%@/%@/%@/%@.xml", 0, nullptr };

} // namespace

Ref<QVRequestHandle> QVHighScoreService::getPage(int page, const std::string& leaderboardId, bool friendsOnly,
                                                 const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getPage");
    return getPage(page, leaderboardId, friendsOnly, false, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVHighScoreService::getPage(int page, const std::string& leaderboardId, bool friendsOnly,
                                                 bool silently, const QVDelegate& onSuccess,
                                                 const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getPage");
    return getPage(page, leaderboardId, std::string(), friendsOnly, silently, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVHighScoreService::getPage(int page, const std::string& leaderboardId,
                                                 const std::string& comparedToUserId, bool friendsOnly, bool silently,
                                                 const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getPage");
    return getPage(page, kDefaultQueryPageSize, leaderboardId, comparedToUserId, friendsOnly, silently, 0, onSuccess,
                   onFailure);
}

Ref<QVRequestHandle> QVHighScoreService::getPage(int page, const std::string& leaderboardId,
                                                 const std::string& comparedToUserId, bool friendsOnly, bool silently,
                                                 unsigned int timeScope, const QVDelegate& onSuccess,
                                                 const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getPage");
    return getPage(page, kDefaultQueryPageSize, leaderboardId, comparedToUserId, friendsOnly, silently, timeScope,
                   onSuccess, onFailure);
}

Ref<QVRequestHandle> QVHighScoreService::getPage(int page, int pageSize, const std::string& leaderboardId,
                                                 const std::string& comparedToUserId, bool friendsOnly, bool silently,
                                                 unsigned int timeScope, const QVDelegate& onSuccess,
                                                 const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getPage");
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("leaderboard_id", leaderboardId);
    params->put("page", page);
    params->put("page_size", pageSize);
    if (timeScope != 0)
        params->put("interval", timeScope);
    if (friendsOnly) {
        params->put("friends_leaderboard", true);
        params->put("follower_id", std::string("me"));
    }
    if (!comparedToUserId.empty())
        params->put("compared_user_id", comparedToUserId);
    params->put("uses_gc", QVGameCenterRole::current().isLoggedIntoGameCenter());
    return service().send(silently ? kScoresSilent : kScores, {}, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVHighScoreService::getPageWithLoggedInUser(const std::string& leaderboardId,
                                                                 const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getPageWithLoggedInUser");
    return getPageWithLoggedInUser(kDefaultQueryPageSize, leaderboardId, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVHighScoreService::getPageWithLoggedInUser(int pageSize, const std::string& leaderboardId,
                                                                 const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getPageWithLoggedInUser");
    return getPageWithLoggedInUser(pageSize, leaderboardId, false, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVHighScoreService::getPageWithLoggedInUser(int pageSize, const std::string& leaderboardId,
                                                                 bool silently, const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getPageWithLoggedInUser");
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("leaderboard_id", leaderboardId);
    params->put("near_user_id", std::string("me"));
    params->put("page_size", pageSize);
    return service().send(silently ? kScoresSilent : kScores, {}, params.get(), onSuccess, onFailure);
}

void QVHighScoreService::getAllHighScoresForLoggedInUser(const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                         const std::optional<std::string>& message)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getAllHighScoresForLoggedInUser");
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("across_leaderboards", true);
    params->put("user_id", std::string("me"));
    // The notice is the caller's message (category 4, type 2).
    Ref<platform::Object> notice =
        QVRequestUIRole::current().categorizedNotice(message.value_or(kDownloadedHighScores), 4, 2);
    service().send(kAcrossLeaderboards, {}, params.get(), onSuccess, onFailure, notice.get());
}

void QVHighScoreService::getHighScoresFromLocation(const platform::ui::Location* location, int radius, int page,
                                                   const std::string& leaderboardId, const QVDelegate& onSuccess,
                                                   const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getHighScoresFromLocation");
    getHighScoresFromLocation(location, radius, page, leaderboardId, std::nullopt, onSuccess, onFailure);
}

void QVHighScoreService::getHighScoresFromLocation(const platform::ui::Location* location, int radius, int page,
                                                   const std::string& leaderboardId,
                                                   const std::optional<std::string>& userMapMode,
                                                   const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getHighScoresFromLocation");
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("geolocation", true);
    params->put("page", page);
    params->put("leaderboard_id", leaderboardId);
    if (radius != 0)
        params->put("radius", radius);
    if (location) {
        params->put("lat", location->coordinate().latitude);
        params->put("lng", location->coordinate().longitude);
    }
    if (userMapMode)
        params->put("map_me", *userMapMode);
    service().send(kScoresNear, {}, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVHighScoreService::getDistributedHighScoresAtPage(int page, int pageSize, int scoreDelta,
                                                                        int startScore,
                                                                        const std::string& leaderboardId,
                                                                        const QVDelegate& onSuccess,
                                                                        const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getDistributedHighScoresAtPage");
    std::string start = platform::format("%d", startScore), delta = platform::format("%d", scoreDelta),
                pageText = platform::format("%d", page), size = platform::format("%d", pageSize);
    return service().send(kRange, { leaderboardId, start, delta, pageText, size }, nullptr, onSuccess, onFailure);
}

} // namespace quorvel
