// The leaderboard service: its shared instance, the leaderboard tables of the
// offline store (definitions, aggregations, sync dates) and the player's
// server bests that a definition list carries.
#include "social/services/QVLeaderboardService.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "platform/foundation/Object.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardAggregation.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"

#include <utility>

namespace quorvel {

using platform::Ref;

namespace {

std::optional<std::string> orNull(const std::string& text)
{
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

// -- the player's bests on one leaderboard -------------------------------------

// Aggregations are data from outside: a loop among them must not recurse forever.
constexpr int kMaxAggregateDepth = 16;

std::optional<int64_t> bestScore(const std::string& leaderboardId, const std::string& userId, bool descending)
{
    QVSqlQuery q(QVOfflineStore::getOfflineDatabaseHandle(),
                 descending ? "SELECT score FROM high_scores WHERE leaderboard_id = :leaderboard_id AND user_id = "
                              ":user_id ORDER BY score DESC LIMIT 1"
                            : "SELECT score FROM high_scores WHERE leaderboard_id = :leaderboard_id AND user_id = "
                              ":user_id ORDER BY score ASC LIMIT 1");
    q.bind("leaderboard_id", leaderboardId);
    q.bind("user_id", userId);
    if (!q.step())
        return std::nullopt;
    return q.getInt64("score");
}

// Keeps the ten best scores of the user on the board; answers the best one.
std::optional<int64_t> keepBestTen(const std::string& leaderboardId, const std::string& userId, bool descending)
{
    sqlite3* db = QVOfflineStore::getOfflineDatabaseHandle();
    QVSqlQuery keep(db, descending ? "SELECT min(x.score) AS keep_score, max(x.score) AS high_score FROM (SELECT score "
                                     "FROM high_scores WHERE user_id = :user_id AND leaderboard_id = :leaderboard_id "
                                     "ORDER BY score DESC LIMIT 10) AS x"
                                   : "SELECT max(x.score) AS keep_score, min(x.score) AS high_score FROM (SELECT score "
                                     "FROM high_scores WHERE user_id = :user_id AND leaderboard_id = :leaderboard_id "
                                     "ORDER BY score ASC LIMIT 10) AS x");
    keep.bind("user_id", userId);
    keep.bind("leaderboard_id", leaderboardId);
    if (!keep.step() || !keep.getText("high_score"))
        return std::nullopt;
    int64_t keepScore = keep.getInt64("keep_score");
    int64_t best = keep.getInt64("high_score");
    keep.resetQuery();
    QVSqlQuery drop(db, descending ? "DELETE FROM high_scores WHERE user_id = :user_id AND leaderboard_id = "
                                     ":leaderboard_id AND score < :score"
                                   : "DELETE FROM high_scores WHERE user_id = :user_id AND leaderboard_id = "
                                     ":leaderboard_id AND score > :score");
    drop.bind("user_id", userId);
    drop.bind("leaderboard_id", leaderboardId);
    drop.bind("score", std::to_string(keepScore));
    drop.execute();
    return best;
}

// Stores a score the server already knows: never pending, so it is not sent back.
bool storeSynchronisedScore(const std::string& leaderboardId, const std::string& userId, int64_t score,
                            const std::optional<std::string>& displayText, const std::optional<std::string>& customData,
                            int32_t syncAt)
{
    QVSqlQuery q(QVOfflineStore::getOfflineDatabaseHandle(),
                 "INSERT OR IGNORE INTO high_scores (user_id, leaderboard_id, score, display_text, custom_data, blob, "
                 "server_sync_at) VALUES(:user_id, :leaderboard_id, :score, :display_text, :custom_data, :blob, "
                 ":server_sync_at)");
    q.bind("user_id", userId);
    q.bind("leaderboard_id", leaderboardId);
    q.bind("score", std::to_string(score));
    q.bind("display_text", displayText);
    q.bind("custom_data", customData);
    q.bind("server_sync_at", std::to_string(syncAt));
    return q.execute() == QVSqlQuery::kDone;
}

// A score is now the best of a board: only an increase of that best counts
// for the board's aggregate parents (a worse score must not lower them).
void passIncreaseToParents(const std::string& leaderboardId, const std::string& userId, int64_t increase, int depth)
{
    if (increase <= 0 || depth >= kMaxAggregateDepth)
        return;
    int32_t now = QVStoreSeconds(platform::dateNow().seconds);
    for (const auto& parent : QVLeaderboardService::getAggregateParents(leaderboardId)) {
        bool descending = parent->descendingSortOrder();
        std::optional<int64_t> previous = bestScore(parent->resourceId(), userId, descending);
        if (!storeSynchronisedScore(parent->resourceId(), userId, previous.value_or(0) + increase, std::nullopt,
                                    std::nullopt, now))
            continue;
        std::optional<int64_t> best = keepBestTen(parent->resourceId(), userId, descending);
        if (best)
            passIncreaseToParents(parent->resourceId(), userId, *best - previous.value_or(0), depth + 1);
    }
}

// The player's best on a leaderboard as the server reports it with the list.
bool storeServerBest(const QVLeaderboard_Sync& board, const std::string& userId)
{
    // Aggregate bests grow only through their members' increases.
    if (board.isAggregate())
        return true;
    const std::string& id = board.resourceId();
    bool descending = board.descendingSortOrder();
    int32_t syncAt = board.reachedAt() ? QVStoreSeconds(board.reachedAt()->seconds) : QVStoreSeconds(platform::dateNow().seconds);
    std::optional<int64_t> previous = bestScore(id, userId, descending);
    if (!storeSynchronisedScore(id, userId, board.score(), orNull(board.displayText()), orNull(board.customData()),
                                syncAt))
        return false;
    {
        // The server holds this score already (a batch whose answer was lost):
        // a row of it still waiting must not be sent a second time.
        QVSqlQuery reached(QVOfflineStore::getOfflineDatabaseHandle(),
                           "UPDATE high_scores SET server_sync_at = :server_sync_at WHERE user_id = :user_id AND "
                           "leaderboard_id = :leaderboard_id AND score = :score AND server_sync_at IS NULL");
        reached.bind("server_sync_at", std::to_string(syncAt));
        reached.bind("user_id", userId);
        reached.bind("leaderboard_id", id);
        reached.bind("score", std::to_string(board.score()));
        if (reached.execute() != QVSqlQuery::kDone)
            return false;
    }
    std::optional<int64_t> best = keepBestTen(id, userId, descending);
    if (!best)
        return true;
    if (!board.allowPostingLowerScores()) {
        // Older pending scores below the best need not be sent any more.
        QVOfflineStore::Use mark(QVOfflineStore::highScoreStatements().markOthersSynced);
        mark->bind("server_sync_at", std::to_string(syncAt));
        mark->bind("user_id", userId);
        mark->bind("leaderboard_id", id);
        mark->bind("score", std::to_string(*best));
        mark->execute();
    }
    passIncreaseToParents(id, userId, *best - previous.value_or(0), 0);
    return true;
}

std::string lastSyncColumn(const std::string& userId, const char* column)
{
    QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().lastSyncDate);
    q->bind("user_id", userId);
    if (!q->step())
        return {};
    const char* text = q->getText(column);
    return text ? text : "(null)";
}

const QVServiceEndpoint kList { "GET", "client_applications/%@/leaderboards.xml", 2,
                                QVLeaderboardService::kDownloadNotice, true, 5, 2 };

} // namespace

// -- the service -----------------------------------------------------------------

Ref<platform::Object> QVLeaderboardService::getDownloadNotification()
{
    return QVRequestUIRole::current().categorizedNotice(kList.notice, kList.noticeCategory, kList.noticeType);
}

QVLeaderboardService::~QVLeaderboardService() { QVOfflineStore::finalizeLeaderboardStatements(); }

void QVLeaderboardService::populateKnownResources(QVResourceNameMap& names) { names.addResource<QVLeaderboard>("leaderboard"); }

QVService* QVLeaderboard_Sync::getService() { return QVLeaderboardService::sharedService(); }
QVService* QVLeaderboardAggregation::getService() { return QVLeaderboardService::sharedService(); }

Ref<QVRequestHandle> QVLeaderboardService::getLeaderboardsForApplication(const std::string& applicationId,
                                                                         const std::string& comparedToUserId,
                                                                         const QVDelegate& onSuccess,
                                                                         const QVDelegate& onFailure)
{
    if (!QVSessionRole::current().isOnline()) {
        getLeaderboardsLocal(onSuccess, onFailure);
        return nullptr;
    }
    platform::Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    if (!comparedToUserId.empty()) {
        std::string compared = comparedToUserId;
        params->io("compared_user_id", compared);
    }
    const std::string& application = applicationId.empty() ? std::string("@me") : applicationId;
    return service().send(kList, { application }, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVLeaderboardService::getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    return getLeaderboardsForApplication({}, onSuccess, onFailure);
}

void QVLeaderboardService::setupOfflineSupport(bool recreate) { QVOfflineStore::setupLeaderboardTables(recreate); }

// -- writing the definitions --------------------------------------------------------

bool QVLeaderboardService::synchLeaderboardsList(const QVResourceArray& leaderboards, const QVResourceArray& aggregations,
                                                 const std::optional<std::string>& userId, bool setSynchTime)
{
    std::optional<std::string> syncTime;
    if (setSynchTime)
        syncTime = std::to_string(QVStoreSeconds(platform::dateNow().seconds));
    bool storeBests = setSynchTime && userId && QVIsDecimalId(*userId);

    QVOfflineStore::Transaction transaction;
    if (!transaction.isActive())
        return false;

    for (const auto& resource : aggregations) {
        auto* link = dynamic_cast<QVLeaderboardAggregation*>(resource.get());
        if (!link)
            continue;
        if (!QVIsDecimalId(link->aggregateLeaderboardId()) || !QVIsDecimalId(link->leaderboardPushingChangesId())) {
            platform::logWarning("Quorvel: a leaderboard aggregation with an invalid id was skipped");
            continue;
        }
        QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().setAggregation);
        q->bind("aggregate_leaderboard_id", link->aggregateLeaderboardId());
        q->bind("leaderboard_pushing_changes_id", link->leaderboardPushingChangesId());
        q->bind("server_sync_at", syncTime);
        if (q->execute() != QVSqlQuery::kDone)
            return false;
    }

    auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
    for (const auto& resource : leaderboards) {
        auto* board = dynamic_cast<QVLeaderboard_Sync*>(resource.get());
        if (!board)
            continue;
        if (!QVIsDecimalId(board->resourceId())) {
            platform::logWarning("Quorvel: a leaderboard definition with an invalid id was skipped");
            continue;
        }
        {
            QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().setLeaderboard);
            q->bind("id", board->resourceId());
            q->bind("name", board->name());
            q->bind("descending_sort_order", flag(board->descendingSortOrder()));
            q->bind("active", flag(board->active()));
            q->bind("visible", flag(board->visible()));
            q->bind("is_aggregate", flag(board->isAggregate()));
            q->bind("allow_posting_lower_scores", flag(board->allowPostingLowerScores()));
            q->bind("start_version", board->startVersion());
            q->bind("end_version", board->endVersion());
            q->bind("server_sync_at", syncTime);
            if (q->execute() != QVSqlQuery::kDone)
                return false;
        }
    }
    // The bests go in once every definition is stored, so a member finds its
    // aggregate parents wherever they stand in the list.
    for (const auto& resource : leaderboards) {
        auto* board = dynamic_cast<QVLeaderboard_Sync*>(resource.get());
        if (storeBests && board && board->score() > 0 && QVIsDecimalId(board->resourceId())
            && !storeServerBest(*board, *userId))
            return false;
    }
    return transaction.commit();
}

// -- reading ----------------------------------------------------------------------

std::vector<Ref<QVLeaderboard>> QVLeaderboardService::getLeaderboardsLocal()
{
    std::vector<Ref<QVLeaderboard>> boards;
    {
        QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().activeVisible);
        q->bind("app_version", QVOfflineService::getFormattedAppVersion());
        while (q->step())
            boards.push_back(QVLeaderboard::initWithLocalSQL(*q, nullptr, nullptr));
    }
    // Each board carries the local player's best stored score, read once the list is.
    Ref<QVUser> user = QVSessionRole::current().localUser();
    if (user) {
        for (auto& board : boards)
            board->setCurrentUsersScore(
                QVHighScoreService::getHighScoreForUser(*user, board->leaderboardId(), board->descendingScoreOrder()));
    }
    return boards;
}

void QVLeaderboardService::getLeaderboardsLocal(const QVDelegate& onSuccess, const QVDelegate&)
{
    QVPaginatedSeries::Objects objects;
    for (auto& board : getLeaderboardsLocal())
        objects.emplace_back(board.get());
    onSuccess.invoke(QVPaginatedSeries::paginatedSeriesFromArray(std::move(objects)).get());
}

Ref<QVLeaderboard_Sync> QVLeaderboardService::getLeaderboardDetails(const std::string& leaderboardId)
{
    QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().one);
    q->bind("id", leaderboardId);
    if (!q->step()) {
        platform::logLine(platform::LogLevel::Info, "Definition for leaderboard " + leaderboardId + " was not found");
        return nullptr;
    }
    return QVLeaderboard_Sync::initWithLocalSQL(*q);
}

Ref<QVLeaderboard> QVLeaderboardService::getLeaderboard(const std::string& leaderboardId)
{
    QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().one);
    q->bind("id", leaderboardId);
    if (!q->step()) {
        platform::logLine(platform::LogLevel::Info, "Definition for leaderboard " + leaderboardId + " was not found");
        return nullptr;
    }
    return QVLeaderboard::initWithLocalSQL(*q, nullptr, nullptr);
}

std::vector<Ref<QVLeaderboard_Sync>> QVLeaderboardService::getAggregateParents(const std::string& leaderboardId)
{
    std::vector<std::string> parentIds;
    {
        QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().aggregateParents);
        q->bind("leaderboard_pushing_changes_id", leaderboardId);
        while (q->step()) {
            const char* id = q->getText("aggregate_leaderboard_id");
            parentIds.emplace_back(id ? id : "");
        }
    }
    std::vector<Ref<QVLeaderboard_Sync>> parents;
    for (const auto& id : parentIds) {
        QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().one);
        q->bind("id", id);
        if (!q->step()) {
            platform::logLine(platform::LogLevel::Info, "Definition for aggregate leaderboard " + id + " was not found");
            continue;
        }
        auto parent = QVLeaderboard_Sync::initWithLocalSQL(*q);
        if (parent->active())
            parents.push_back(std::move(parent));
    }
    return parents;
}

bool QVLeaderboardService::hasLeaderboards()
{
    QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().activeVisible);
    q->bind("app_version", QVOfflineService::getFormattedAppVersion());
    return q->step();
}

std::string QVLeaderboardService::getLastSyncDateForUserId(const std::string& userId)
{
    return lastSyncColumn(userId, "last_sync_date");
}

std::string QVLeaderboardService::getLastSyncDateUnixForUserId(const std::string& userId)
{
    return lastSyncColumn(userId, "last_sync_unix");
}

} // namespace quorvel
