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
#include "social/runtime/QVTurns.h"
#include "platform/foundation/Object.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardAggregation.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"

#include <functional>
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

// A statement of the bests, prepared at its first use and kept with the store's others.
QVSqlQuery& statement(QVSqlQuery& query, const char* sql)
{
    if (!query.isPrepared())
        query.reset(QVOfflineStore::getOfflineDatabaseHandle(), sql);
    return query;
}

std::optional<int64_t> bestScore(const std::string& leaderboardId, const std::string& userId, bool descending)
{
    static const char* const sql[2] = {
        "SELECT score FROM high_scores WHERE leaderboard_id = :leaderboard_id AND user_id = :user_id ORDER BY score "
        "ASC LIMIT 1",
        "SELECT score FROM high_scores WHERE leaderboard_id = :leaderboard_id AND user_id = :user_id ORDER BY score "
        "DESC LIMIT 1",
    };
    QVOfflineStore::Use q(statement(QVOfflineStore::leaderboardStatements().bestScore[descending], sql[descending]));
    q->bind("leaderboard_id", leaderboardId);
    q->bind("user_id", userId);
    if (!q->step())
        return std::nullopt;
    return q->getInt64("score");
}

// Keeps the ten best scores of the user on the board; answers the best one.
std::optional<int64_t> keepBestTen(const std::string& leaderboardId, const std::string& userId, bool descending)
{
    static const char* const keepSql[2] = {
        "SELECT max(x.score) AS keep_score, min(x.score) AS high_score FROM (SELECT score FROM high_scores WHERE "
        "user_id = :user_id AND leaderboard_id = :leaderboard_id ORDER BY score ASC LIMIT 10) AS x",
        "SELECT min(x.score) AS keep_score, max(x.score) AS high_score FROM (SELECT score FROM high_scores WHERE "
        "user_id = :user_id AND leaderboard_id = :leaderboard_id ORDER BY score DESC LIMIT 10) AS x",
    };
    static const char* const dropSql[2] = {
        "DELETE FROM high_scores WHERE user_id = :user_id AND leaderboard_id = :leaderboard_id AND score > :score",
        "DELETE FROM high_scores WHERE user_id = :user_id AND leaderboard_id = :leaderboard_id AND score < :score",
    };
    QVLeaderboardStatements& statements = QVOfflineStore::leaderboardStatements();
    int64_t keepScore = 0, best = 0;
    {
        QVOfflineStore::Use keep(statement(statements.keptScores[descending], keepSql[descending]));
        keep->bind("user_id", userId);
        keep->bind("leaderboard_id", leaderboardId);
        if (!keep->step() || !keep->getText("high_score"))
            return std::nullopt;
        keepScore = keep->getInt64("keep_score");
        best = keep->getInt64("high_score");
    }
    QVOfflineStore::Use drop(statement(statements.dropBelowKept[descending], dropSql[descending]));
    drop->bind("user_id", userId);
    drop->bind("leaderboard_id", leaderboardId);
    drop->bindInt64("score", keepScore);
    drop->execute();
    return best;
}

// Stores a score the server already knows: never pending, so it is not sent back.
bool storeSynchronisedScore(const std::string& leaderboardId, const std::string& userId, int64_t score,
                            const std::optional<std::string>& displayText, const std::optional<std::string>& customData,
                            int32_t syncAt)
{
    QVOfflineStore::Use q(statement(
        QVOfflineStore::leaderboardStatements().storeSynchronised,
        "INSERT OR IGNORE INTO high_scores (user_id, leaderboard_id, score, display_text, custom_data, blob, "
        "server_sync_at) VALUES(:user_id, :leaderboard_id, :score, :display_text, :custom_data, NULL, "
        ":server_sync_at)"));
    q->bind("user_id", userId);
    q->bind("leaderboard_id", leaderboardId);
    q->bindInt64("score", score);
    q->bind("display_text", displayText);
    q->bind("custom_data", customData);
    q->bindInt64("server_sync_at", syncAt);
    return q->execute() == QVSqlQuery::kDone;
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
        // a row of it still waiting must not be sent a second time. A row
        // with a blob waits on: its blob has not reached the service (the
        // score may be kept there twice, and only the upload settles it).
        QVOfflineStore::Use reached(statement(
            QVOfflineStore::leaderboardStatements().markReached,
            "UPDATE high_scores SET server_sync_at = :server_sync_at WHERE user_id = :user_id AND leaderboard_id = "
            ":leaderboard_id AND score = :score AND server_sync_at IS NULL AND blob IS NULL"));
        reached->bindInt64("server_sync_at", syncAt);
        reached->bind("user_id", userId);
        reached->bind("leaderboard_id", id);
        reached->bindInt64("score", board.score());
        if (reached->execute() != QVSqlQuery::kDone)
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

bool writeAggregation(const QVResource& resource, const std::optional<std::string>& syncTime)
{
    auto* link = dynamic_cast<const QVLeaderboardAggregation*>(&resource);
    if (!link)
        return true;
    if (!QVIsDecimalId(link->aggregateLeaderboardId()) || !QVIsDecimalId(link->leaderboardPushingChangesId())) {
        platform::logWarning("Quorvel: a leaderboard aggregation with an invalid id was skipped");
        return true;
    }
    QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().setAggregation);
    q->bind("aggregate_leaderboard_id", link->aggregateLeaderboardId());
    q->bind("leaderboard_pushing_changes_id", link->leaderboardPushingChangesId());
    q->bind("server_sync_at", syncTime);
    return q->execute() == QVSqlQuery::kDone;
}

bool writeDefinition(const QVResource& resource, const std::optional<std::string>& syncTime)
{
    auto* board = dynamic_cast<const QVLeaderboard_Sync*>(&resource);
    if (!board)
        return true;
    if (!QVIsDecimalId(board->resourceId())) {
        platform::logWarning("Quorvel: a leaderboard definition with an invalid id was skipped");
        return true;
    }
    const char* flag[2] = { "0", "1" };
    QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().setLeaderboard);
    q->bind("id", board->resourceId());
    q->bind("name", board->name());
    q->bind("descending_sort_order", flag[board->descendingSortOrder()]);
    q->bind("active", flag[board->active()]);
    q->bind("visible", flag[board->visible()]);
    q->bind("is_aggregate", flag[board->isAggregate()]);
    q->bind("allow_posting_lower_scores", flag[board->allowPostingLowerScores()]);
    q->bind("start_version", board->startVersion());
    q->bind("end_version", board->endVersion());
    q->bind("server_sync_at", syncTime);
    return q->execute() == QVSqlQuery::kDone;
}

bool writeBest(const QVResource& resource, const std::string& userId)
{
    auto* board = dynamic_cast<const QVLeaderboard_Sync*>(&resource);
    if (!board || board->score() <= 0 || !QVIsDecimalId(board->resourceId()))
        return true;
    return storeServerBest(*board, userId);
}

// The writing of one definition list: the aggregations, then every
// definition, then the player's bests (once every definition is stored, so
// that a member finds its aggregate parents wherever they stand in the list).
// It goes step by step, so the list can be written all at once or a share
// per turn.
class ListWriter final : public platform::Object {
public:
    ListWriter(QVResourceArray leaderboards, QVResourceArray aggregations, const std::optional<std::string>& userId,
               bool setSynchTime)
        : leaderboards_(std::move(leaderboards)), aggregations_(std::move(aggregations))
    {
        if (setSynchTime)
            syncTime_ = std::to_string(QVStoreSeconds(platform::dateNow().seconds));
        if (setSynchTime && userId && QVIsDecimalId(*userId))
            userId_ = *userId;
    }

    bool isDone() const { return next_ >= steps(); }
    // Writes the next steps until the list is written or the budget (when
    // given) is spent; false when a write failed.
    bool writeSome(const QVTurnBudget* budget)
    {
        while (!isDone()) {
            if (!writeStep(next_++))
                return false;
            if (budget && budget->spent())
                break;
        }
        return true;
    }

    // Spread over turns: each turn's share in a transaction of its own.
    void writeInTurns(std::function<void(bool)> done, double budgetSeconds)
    {
        done_ = std::move(done);
        budgetSeconds_ = budgetSeconds;
        generation_ = QVOfflineStore::generation();
        if (syncTime_) {
            // The sync time the rows had, put back if the list cannot be
            // written whole: the next bootstrap then asks for it all again.
            QVSqlQuery q(QVOfflineStore::getOfflineDatabaseHandle(),
                         "SELECT MAX(server_sync_at) AS stamp FROM leaderboards");
            if (q.step() && !q.isNull("stamp"))
                previousStamp_ = q.getInt64("stamp");
        }
        writeTurn();
    }

private:
    size_t steps() const { return aggregations_.size() + 2 * leaderboards_.size(); }
    bool writeStep(size_t step)
    {
        if (step < aggregations_.size())
            return writeAggregation(*aggregations_[step], syncTime_);
        step -= aggregations_.size();
        if (step < leaderboards_.size())
            return writeDefinition(*leaderboards_[step], syncTime_);
        step -= leaderboards_.size();
        return !userId_ || writeBest(*leaderboards_[step], *userId_);
    }

    void writeTurn()
    {
        if (QVOfflineStore::generation() != generation_) {
            platform::logWarning("Quorvel: the offline store closed while a leaderboard list was written");
            finish(false);
            return;
        }
        bool ok;
        {
            QVOfflineStore::Transaction transaction;
            QVTurnBudget budget(budgetSeconds_);
            ok = transaction.isActive() && writeSome(&budget) && transaction.commit();
        }
        if (!ok) {
            restoreStamps();
            finish(false);
        } else if (isDone()) {
            finish(true);
        } else {
            Ref<ListWriter> self(this);
            QVNextTurn([self] { self->writeTurn(); });
        }
    }

    void restoreStamps()
    {
        if (!syncTime_)
            return;
        QVSqlQuery q(QVOfflineStore::getOfflineDatabaseHandle(),
                     "UPDATE leaderboards SET server_sync_at = :previous WHERE server_sync_at = :now");
        if (previousStamp_)
            q.bindInt64("previous", *previousStamp_);
        q.bind("now", *syncTime_);
        q.execute();
    }

    void finish(bool ok)
    {
        if (!ok)
            platform::logWarning("Quorvel: a leaderboard list could not be written whole");
        if (auto done = std::exchange(done_, nullptr))
            done(ok);
    }

    QVResourceArray leaderboards_, aggregations_;
    std::optional<std::string> syncTime_;
    std::optional<std::string> userId_; // the player whose bests are stored, when they are
    size_t next_ { 0 };
    uint64_t generation_ { 0 };
    std::optional<int64_t> previousStamp_;
    std::function<void(bool)> done_;
    double budgetSeconds_ { kQVTurnBudget };
};

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
    QVSessionRole::requireMainThread("QVLeaderboardService::getDownloadNotification");
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
    QVSessionRole::requireMainThread("QVLeaderboardService::getLeaderboardsForApplication");
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

void QVLeaderboardService::setupOfflineSupport(bool recreate)
{
    QVSessionRole::requireMainThread("QVLeaderboardService::setupOfflineSupport");
    QVOfflineStore::setupLeaderboardTables(recreate);
}

// -- writing the definitions --------------------------------------------------------

bool QVLeaderboardService::synchLeaderboardsList(const QVResourceArray& leaderboards, const QVResourceArray& aggregations,
                                                 const std::optional<std::string>& userId, bool setSynchTime)
{
    QVSessionRole::requireMainThread("QVLeaderboardService::synchLeaderboardsList");
    QVOfflineStore::Transaction transaction;
    if (!transaction.isActive())
        return false;
    auto writer = platform::adoptRef(new ListWriter(leaderboards, aggregations, userId, setSynchTime));
    return writer->writeSome(nullptr) && transaction.commit();
}

void QVLeaderboardService::synchLeaderboardsListInTurns(QVResourceArray leaderboards, QVResourceArray aggregations,
                                                        const std::optional<std::string>& userId, bool setSynchTime,
                                                        std::function<void(bool)> done, double budgetSeconds)
{
    QVSessionRole::requireMainThread("QVLeaderboardService::synchLeaderboardsListInTurns");
    auto writer = platform::adoptRef(new ListWriter(std::move(leaderboards), std::move(aggregations), userId, setSynchTime));
    writer->writeInTurns(std::move(done), budgetSeconds);
}

// -- reading ----------------------------------------------------------------------

std::vector<Ref<QVLeaderboard>> QVLeaderboardService::getLeaderboardsLocal()
{
    QVSessionRole::requireMainThread("QVLeaderboardService::getLeaderboardsLocal");
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
    QVSessionRole::requireMainThread("QVLeaderboardService::getLeaderboardsLocal");
    QVPaginatedSeries::Objects objects;
    for (auto& board : getLeaderboardsLocal())
        objects.emplace_back(board.get());
    onSuccess.invoke(QVPaginatedSeries::paginatedSeriesFromArray(std::move(objects)).get());
}

Ref<QVLeaderboard_Sync> QVLeaderboardService::getLeaderboardDetails(const std::string& leaderboardId)
{
    QVSessionRole::requireMainThread("QVLeaderboardService::getLeaderboardDetails");
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
    QVSessionRole::requireMainThread("QVLeaderboardService::getLeaderboard");
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
    QVSessionRole::requireMainThread("QVLeaderboardService::getAggregateParents");
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
    QVSessionRole::requireMainThread("QVLeaderboardService::hasLeaderboards");
    QVOfflineStore::Use q(QVOfflineStore::leaderboardStatements().activeVisible);
    q->bind("app_version", QVOfflineService::getFormattedAppVersion());
    return q->step();
}

std::string QVLeaderboardService::getLastSyncDateForUserId(const std::string& userId)
{
    QVSessionRole::requireMainThread("QVLeaderboardService::getLastSyncDateForUserId");
    return lastSyncColumn(userId, "last_sync_date");
}

std::string QVLeaderboardService::getLastSyncDateUnixForUserId(const std::string& userId)
{
    QVSessionRole::requireMainThread("QVLeaderboardService::getLastSyncDateUnixForUserId");
    return lastSyncColumn(userId, "last_sync_unix");
}

} // namespace quorvel
