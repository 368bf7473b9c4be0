// The local high-score store: the should-submit decision, the best ten per
// player and leaderboard, the one pending best, the increases passed to
// aggregate leaderboards, and the readers of the local bests.
#include "social/services/QVHighScoreService.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace quorvel {

using platform::Ref;

namespace {

// Aggregations are data from outside: a loop among them must end.
constexpr int kMaxAggregateDepth = 16;


// A statement of the store's high-score group, prepared at its first use on
// the open connection and kept until the store finalises the group.
template <typename MakeText>
QVSqlQuery& cached(QVSqlQuery& query, MakeText makeText)
{
    if (!query.isPrepared())
        query.reset(QVOfflineStore::getOfflineDatabaseHandle(), std::string(makeText()).c_str());
    return query;
}

bool runCached(QVSqlQuery& query, const char* sql)
{
    return cached(query, [sql] { return sql; }).execute() == QVSqlQuery::kDone;
}

// One local write: a SAVEPOINT released at the end, rolled back when the
// scope ends without release(). Nested writes nest their own savepoints. Its
// three statements are prepared once: a score parses no SQL.
class ScoreSavepoint {
public:
    ScoreSavepoint() { active_ = runCached(statements().beginScore, "SAVEPOINT high_score"); }
    ~ScoreSavepoint()
    {
        if (active_)
            rollback();
    }
    ScoreSavepoint(const ScoreSavepoint&) = delete;
    ScoreSavepoint& operator=(const ScoreSavepoint&) = delete;
    // False when the writes could not be kept.
    bool release()
    {
        if (!active_)
            return false;
        active_ = false;
        if (runCached(statements().releaseScore, "RELEASE high_score"))
            return true;
        rollback();
        return false;
    }

private:
    static QVHighScoreStatements& statements() { return QVOfflineStore::highScoreStatements(); }
    void rollback()
    {
        active_ = false;
        runCached(statements().rollbackScore, "ROLLBACK TO high_score");
        runCached(statements().releaseScore, "RELEASE high_score");
    }

    bool active_ { false };
};

bool lastSyncUsable(const std::string& text) { return !text.empty() && text != "(null)"; }

// Ids are decimal texts that the store keeps as integers: bound as integers
// they need no conversion in SQLite. Any other text is bound as it is.
void bindId(QVSqlQuery& query, const char* name, const std::string& id)
{
    int64_t value = 0;
    const char* end = id.data() + id.size();
    auto [last, error] = std::from_chars(id.data(), end, value);
    if (!id.empty() && error == std::errc() && last == end)
        query.bindInt64(name, value);
    else
        query.bind(name, id);
}

// What a score needs to know of its board, in one step: its order, whether it
// is an aggregate, whether it takes lower scores, whether it has parents, and
// the local player's best on it (the get statement's first row, in the board's
// order, read from the board's unique index).
constexpr const char* kBoardRules =
    "SELECT descending_sort_order, is_aggregate, allow_posting_lower_scores, EXISTS (SELECT 1 FROM "
    "leaderboard_aggregations WHERE leaderboard_pushing_changes_id = leaderboards.id) AS has_parents, CASE WHEN "
    "descending_sort_order THEN (SELECT score FROM high_scores WHERE leaderboard_id = leaderboards.id AND user_id = "
    ":local_user_id ORDER BY score DESC LIMIT 1) ELSE (SELECT score FROM high_scores WHERE leaderboard_id = "
    "leaderboards.id AND user_id = :local_user_id ORDER BY score ASC LIMIT 1) END AS previous_best FROM leaderboards "
    "WHERE id = :id";
// The rows of a player's board still waiting to be sent: no more than the ten
// the board keeps.
constexpr const char* kPendingOnBoard = "SELECT score FROM high_scores WHERE user_id = :user_id AND leaderboard_id = "
                                        ":leaderboard_id AND server_sync_at IS NULL";

// The player's last sync time, as the leaderboards' sync-date statement gives
// it (the newest stamp of the player's scores, 0 when none, or the newest of
// the leaderboards when that is older), from two index lookups: that
// statement's unions cost a score several times more than all its writes.
constexpr const char* kLastSyncTime =
    "SELECT MIN(x, IFNULL(lb, x)) AS last_sync_unix FROM (SELECT MAX(IFNULL((SELECT MAX(server_sync_at) FROM "
    "high_scores WHERE user_id = :user_id AND server_sync_at IS NOT NULL), 0), 0) AS x, (SELECT "
    "MAX(server_sync_at) FROM leaderboards WHERE server_sync_at IS NOT NULL) AS lb)";

std::string lastSyncTime(const std::string& userId)
{
    QVOfflineStore::Use q(cached(QVOfflineStore::highScoreStatements().lastSyncTime, [] { return kLastSyncTime; }));
    bindId(*q, "user_id", userId);
    if (!q->step())
        return {};
    const char* text = q->getText("last_sync_unix");
    return text ? text : "(null)";
}

struct BoardRules {
    bool descending { false };
    bool aggregate { false };
    bool allowLower { false };
    bool hasParents { false };
    std::optional<int64_t> previousBest;
};

// A score for a board the device does not know is not kept: the warning says
// why, and whether the device has learned the game's boards at all yet (a
// store made anew knows none until the next successful login, whoever is
// logged in meanwhile); once per board and launch, with its query.
void reportUnknownBoard(const std::string& leaderboardId)
{
    // Without a store no board is known; the store's own failure was said when it was opened.
    if (!QVOfflineStore::isOpen() || !QVHighScoreService::firstUnknownBoardWarning(leaderboardId))
        return;
    QVSqlQuery any(QVOfflineStore::getOfflineDatabaseHandle(), "SELECT 1 FROM leaderboards LIMIT 1");
    const char* why = any.step()
        ? "it is not among the game's leaderboards the device learned at its last login"
        : "the device learns the game's leaderboards at a successful login, and none has succeeded since its "
          "offline store was made";
    platform::logWarning("Definition for leaderboard %s was not found: %s; the score was not kept",
                         leaderboardId.c_str(), why);
}

std::optional<BoardRules> boardRules(const std::string& leaderboardId)
{
    QVOfflineStore::Use q(cached(QVOfflineStore::highScoreStatements().boardRules, [] { return kBoardRules; }));
    bindId(*q, "id", leaderboardId);
    bindId(*q, "local_user_id", QVUser::offlineRowsUserId());
    if (!q->step()) {
        // A store that could not be read (a failing disk) says so: the board may well be known.
        if (q->lastStepResult() != QVSqlQuery::kDone)
            platform::logWarning("Quorvel: the offline store could not be read (%s); the score on leaderboard %s "
                                 "was not kept",
                                 q->errorMessage().c_str(), leaderboardId.c_str());
        else
            reportUnknownBoard(leaderboardId);
        return std::nullopt;
    }
    BoardRules rules { q->getInt64("descending_sort_order") != 0, q->getInt64("is_aggregate") != 0,
                       q->getInt64("allow_posting_lower_scores") != 0, q->getInt64("has_parents") != 0, std::nullopt };
    if (!q->isNull("previous_best"))
        rules.previousBest = q->getInt64("previous_best");
    return rules;
}

// The get statement with limit 1 (the best) or 10 (the top ten), in a board's order.
QVSqlQuery& getHighScores(bool descending, int limit)
{
    QVHighScoreStatements& statements = QVOfflineStore::highScoreStatements();
    QVSqlQuery& query = limit == 1 ? statements.bestScore[descending] : statements.topTen[descending];
    return cached(query, [=] { return QVHighScoreService::buildGetHighScoresQuery(descending, limit); });
}

// The local player's best on a board of known order. The get statement with
// limit 1, reading only the score: the board's unique index answers it alone.
bool previousBest(int64_t* score, const std::string& leaderboardId, bool descending)
{
    QVOfflineStore::Use q(cached(QVOfflineStore::highScoreStatements().bestScoreOnly[descending], [=] {
        std::string text = QVHighScoreService::buildGetHighScoresQuery(descending, 1);
        return text.replace(0, std::strlen("SELECT *"), "SELECT score");
    }));
    bindId(*q, "leaderboard_id", leaderboardId);
    bindId(*q, "user_id", QVUser::offlineRowsUserId());
    bool found = q->step();
    if (score)
        *score = found ? q->getInt64("score") : 0;
    return found;
}

} // namespace

// -- statement texts --------------------------------------------------------------

// A score written again without a blob keeps the blob its row already holds:
// the store gives up no blob it was given (an answered score, or one whose
// blob was too large to upload, comes back with none). Overriding rewrites
// the row in place, every other column as given, so the row is found once,
// by the insert's own look at the unique index. (The conflict names no
// columns: a table from before the unique key takes plain inserts.)
std::string QVHighScoreService::buildSetHighScoreQuery(bool overrideExisting)
{
    return std::string(overrideExisting ? "INSERT " : "INSERT OR IGNORE ")
        + "INTO high_scores (user_id, leaderboard_id, score, display_text, custom_data, blob, server_sync_at) "
          "VALUES(:user_id, :leaderboard_id, :score, :display_text, :custom_data, :blob, :server_sync_at)"
        + (overrideExisting ? " ON CONFLICT DO UPDATE SET display_text = excluded.display_text, custom_data = "
                              "excluded.custom_data, blob = IFNULL(excluded.blob, blob), server_sync_at = "
                              "excluded.server_sync_at"
                            : "");
}

std::string QVHighScoreService::buildScoreToKeepQuery(bool descending)
{
    return std::string("SELECT ") + (descending ? "min" : "max") + "(x.score) AS keep_score, "
        + (descending ? "max" : "min")
        + "(x.score) AS high_score FROM (SELECT score FROM high_scores WHERE user_id = :user_id AND leaderboard_id = "
          ":leaderboard_id ORDER BY score "
        + (descending ? "DESC" : "ASC") + " LIMIT 10) AS x";
}

std::string QVHighScoreService::buildDeleteScoresQuery(bool descending)
{
    return std::string("DELETE FROM high_scores WHERE user_id = :user_id AND leaderboard_id = :leaderboard_id AND score ")
        + (descending ? "<" : ">") + " :score";
}

std::string QVHighScoreService::buildGetHighScoresQuery(bool descending, int limit)
{
    return std::string("SELECT * FROM high_scores WHERE leaderboard_id = :leaderboard_id AND user_id = :user_id ORDER BY "
                       "score ")
        + (descending ? "DESC" : "ASC") + platform::format(" LIMIT %i", limit);
}

// -- storing ------------------------------------------------------------------------

bool QVHighScoreService::localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId)
{
    QVSessionRole::requireMainThread("QVHighScoreService::localSetHighScore");
    return localSetHighScore(score, leaderboardId, userId, std::nullopt, std::nullopt, false);
}

bool QVHighScoreService::localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                           const std::optional<std::string>& displayText,
                                           const std::optional<platform::Date>& serverDate, bool addToExisting)
{
    QVSessionRole::requireMainThread("QVHighScoreService::localSetHighScore");
    return localSetHighScore(score, leaderboardId, userId, displayText, std::nullopt, serverDate, addToExisting);
}

bool QVHighScoreService::localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                           const std::optional<std::string>& displayText,
                                           const std::optional<std::string>& customData,
                                           const std::optional<platform::Date>& serverDate, bool addToExisting)
{
    QVSessionRole::requireMainThread("QVHighScoreService::localSetHighScore");
    return localSetHighScore(score, leaderboardId, userId, displayText, customData, serverDate, addToExisting, nullptr);
}

bool QVHighScoreService::localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                           const std::optional<std::string>& displayText,
                                           const std::optional<std::string>& customData,
                                           const std::optional<platform::Date>& serverDate, bool addToExisting,
                                           bool* shouldSubmit)
{
    QVSessionRole::requireMainThread("QVHighScoreService::localSetHighScore");
    return localSetHighScore(score, leaderboardId, userId, displayText, customData, std::nullopt, serverDate,
                             addToExisting, shouldSubmit, true);
}

bool QVHighScoreService::localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                           const std::optional<std::string>& displayText,
                                           const std::optional<std::string>& customData,
                                           const std::optional<platform::Bytes>& blob,
                                           const std::optional<platform::Date>& serverDate, bool addToExisting,
                                           bool* shouldSubmit, bool overrideExisting)
{
    QVSessionRole::requireMainThread("QVHighScoreService::localSetHighScore");
    return storeScore(score, leaderboardId, userId, displayText, customData, blob, serverDate, addToExisting,
                      shouldSubmit, overrideExisting, 0);
}

bool QVHighScoreService::storeScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                    const std::optional<std::string>& displayText,
                                    const std::optional<std::string>& customData,
                                    const std::optional<platform::Bytes>& blob,
                                    const std::optional<platform::Date>& serverDate, bool addToExisting,
                                    bool* shouldSubmit, bool overrideExisting, int depth)
{
    // Every read of this score, the board's rules included, runs inside its
    // savepoint: one transaction, one lock, one commit.
    ScoreSavepoint savepoint;
    std::optional<BoardRules> rules = boardRules(leaderboardId);
    if (!rules || (rules->aggregate && !addToExisting)) {
        savepoint.release();
        if (shouldSubmit)
            *shouldSubmit = true;
        return false;
    }
    const bool descending = rules->descending;
    const bool allowLower = rules->allowLower;
    std::optional<int64_t> syncTime;
    if (serverDate)
        syncTime = QVStoreSeconds(serverDate->seconds);
    QVHighScoreStatements& statements = QVOfflineStore::highScoreStatements();

    const bool hasPrevious = rules->previousBest.has_value();
    int64_t previous = rules->previousBest.value_or(0);
    if (addToExisting && hasPrevious)
        score += previous;

    bool beats = !hasPrevious || (descending ? score > previous : score < previous);
    bool submit = allowLower || beats || (score == previous && blob.has_value());

    // The rows this write may mark as sent are rows already pending besides
    // the best that stays pending; the player's last sync time is read
    // (before the write) only when there are some.
    //
    // A score the player repeats while its row still waits to be sent leaves
    // that row as it is: rewriting it would mark it sent (or drop its texts
    // and blob) before it ever reached the server.
    std::optional<std::string> lastSync;
    bool keepsWaitingRow = false;
    {
        const int64_t staysPending = allowLower || beats ? score : previous;
        bool othersPending = false;
        QVOfflineStore::Use pending(cached(statements.pendingOnBoard, [] { return kPendingOnBoard; }));
        bindId(*pending, "user_id", userId);
        bindId(*pending, "leaderboard_id", leaderboardId);
        while (pending->step()) {
            const int64_t waiting = pending->getInt64("score");
            othersPending = othersPending || waiting != staysPending;
            keepsWaitingRow = keepsWaitingRow || waiting == score;
        }
        keepsWaitingRow = keepsWaitingRow && !submit && !syncTime;
        if (othersPending || userId != QVUser::offlineRowsUserId())
            lastSync = lastSyncTime(userId);
    }

    bool accepted = true;
    if (!keepsWaitingRow) {
        QVOfflineStore::Use set(cached(statements.setHighScore[overrideExisting],
                                       [=] { return buildSetHighScoreQuery(overrideExisting); }));
        bindId(*set, "user_id", userId);
        bindId(*set, "leaderboard_id", leaderboardId);
        set->bindInt64("score", score);
        set->bind("display_text", displayText);
        set->bind("custom_data", customData);
        if (syncTime)
            set->bindInt64("server_sync_at", *syncTime);
        else if (!submit)
            set->bindInt64("server_sync_at", QVStoreSeconds(platform::dateNow().seconds));
        if (blob)
            set->bindBlob("blob", blob->data(), static_cast<int>(blob->size()));
        accepted = set->execute() == QVSqlQuery::kDone;
    }

    std::optional<int64_t> keepScore;
    std::optional<int64_t> highScore;
    {
        QVOfflineStore::Use keep(
            cached(statements.scoreToKeep[descending], [=] { return buildScoreToKeepQuery(descending); }));
        bindId(*keep, "leaderboard_id", leaderboardId);
        bindId(*keep, "user_id", userId);
        if (keep->step() && !keep->isNull("keep_score")) {
            keepScore = keep->getInt64("keep_score");
            highScore = keep->getInt64("high_score");
        }
    }
    if (keepScore) {
        QVOfflineStore::Use drop(
            cached(statements.deleteScores[descending], [=] { return buildDeleteScoresQuery(descending); }));
        bindId(*drop, "user_id", userId);
        bindId(*drop, "leaderboard_id", leaderboardId);
        drop->bindInt64("score", *keepScore);
        drop->execute();
    }

    // Only the best unsynchronised score stays pending. On a board that takes
    // lower scores the new score is that best — unless the trim just removed
    // it: then the older pending row is all that is left to send, and stays.
    bool newScoreTrimmed = keepScore && (descending ? score < *keepScore : score > *keepScore);
    std::optional<int64_t> pendingBest = allowLower ? std::optional<int64_t>(score) : highScore;
    if (lastSync && pendingBest && (!allowLower || !serverDate) && !(allowLower && newScoreTrimmed)) {
        QVOfflineStore::Use mark(statements.markOthersSynced);
        mark->bind("server_sync_at", lastSyncUsable(*lastSync) ? lastSync : std::nullopt);
        bindId(*mark, "user_id", userId);
        bindId(*mark, "leaderboard_id", leaderboardId);
        mark->bindInt64("score", *pendingBest);
        mark->execute();
    }

    if (rules->hasParents && depth < kMaxAggregateDepth) {
        int64_t change = score - (hasPrevious ? previous : 0);
        for (const auto& parent : QVLeaderboardService::getAggregateParents(leaderboardId))
            storeScore(change, parent->resourceId(), userId, std::nullopt, std::nullopt, std::nullopt,
                       platform::dateNow(), true, nullptr, true, depth + 1);
    } else if (rules->hasParents) {
        platform::logWarning("Quorvel: leaderboard aggregations nest too deep at %s; the parents were not updated",
                             leaderboardId.c_str());
    }

    if (!savepoint.release())
        accepted = false;
    if (shouldSubmit)
        *shouldSubmit = submit;
    return accepted;
}

bool QVHighScoreService::goesWithoutStore()
{
    QVSessionRole::requireMainThread("QVHighScoreService::goesWithoutStore");
    if (QVOfflineStore::isOpen())
        return false;
    QVHighScoreService* shared = sharedService();
    if (shared && !std::exchange(shared->noStoreSaid_, true))
        platform::logWarning("Quorvel: there is no offline store on this device (its path and why are in the log "
                             "where it was opened): a score taken online goes straight to the service and the game "
                             "hears its answer; one taken offline cannot be kept and is refused");
    return true;
}

bool QVHighScoreService::firstUnknownBoardWarning(const std::string& leaderboardId)
{
    QVSessionRole::requireMainThread("QVHighScoreService::firstUnknownBoardWarning");
    QVHighScoreService* shared = sharedService();
    return !shared || shared->unknownBoardsSaid_.insert(leaderboardId).second;
}

void QVHighScoreService::adoptAnonymousScores(const std::string& userId)
{
    QVSessionRole::requireMainThread("QVHighScoreService::adoptAnonymousScores");
    sqlite3* db = QVOfflineStore::getOfflineDatabaseHandle();
    if (!db)
        return;
    ScoreSavepoint savepoint;
    struct Anonymous {
        int64_t row, leaderboardId, score;
        bool blobWaits; // still to be sent, with a blob
    };
    std::vector<Anonymous> rows;
    {
        QVSqlQuery q(db, "SELECT rowid AS row_id, leaderboard_id, score, server_sync_at IS NULL AND blob IS NOT NULL "
                         "AS blob_waits FROM high_scores WHERE user_id IS NULL or user_id = 0");
        while (q.step())
            rows.push_back({ q.getInt64("row_id"), q.getInt64("leaderboard_id"), q.getInt64("score"),
                             q.getInt("blob_waits") != 0 });
    }
    QVSqlQuery move(db, "UPDATE OR IGNORE high_scores SET user_id = :user_id WHERE rowid = :row_id");
    QVSqlQuery drop(db, "DELETE FROM high_scores WHERE rowid = :row_id");
    // Of two rows of one score, the one with the higher rowid was added
    // later: the other was in the table then.
    QVSqlQuery dropSent(db, "DELETE FROM high_scores WHERE user_id = :user_id AND leaderboard_id = :leaderboard_id "
                            "AND score = :score AND ((server_sync_at IS NOT NULL AND (rowid < :row_id OR blob IS NULL)) "
                            "OR (server_sync_at IS NULL AND blob IS NOT NULL AND rowid < :row_id))");
    for (const Anonymous& anonymous : rows) {
        move.bind("user_id", userId);
        move.bindInt64("row_id", anonymous.row);
        move.execute();
        if (sqlite3_changes(db) != 0)
            continue;
        // The user already holds this score on this board: the user's row
        // stays, unless the copy waits to go with a newer blob and the row
        // was sent already (or was not to be sent), or waits itself with a
        // blob the game gave before the copy's. The copy then takes the row's
        // place and its blob goes up under the score, as it would have for
        // the user: the blob given last wins. A row the user added after the
        // copy (while a login the account screens held back ran) keeps its
        // own, newer blob. A row waiting without a blob stays: its answer,
        // if on its way, would mark the copy sent without its blob.
        if (anonymous.blobWaits) {
            dropSent.bind("user_id", userId);
            dropSent.bindInt64("leaderboard_id", anonymous.leaderboardId);
            dropSent.bindInt64("score", anonymous.score);
            dropSent.bindInt64("row_id", anonymous.row);
            dropSent.execute();
            move.bind("user_id", userId);
            move.bindInt64("row_id", anonymous.row);
            move.execute();
            if (sqlite3_changes(db) != 0)
                continue;
        }
        drop.bindInt64("row_id", anonymous.row);
        drop.execute();
    }
    savepoint.release();
}

// -- reading --------------------------------------------------------------------------

bool QVHighScoreService::getPreviousHighScoreLocal(int64_t* score, const std::string& leaderboardId)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getPreviousHighScoreLocal");
    // A board missing from the store reads as ascending.
    Ref<QVLeaderboard_Sync> details = QVLeaderboardService::getLeaderboardDetails(leaderboardId);
    return previousBest(score, leaderboardId, details && details->descendingSortOrder());
}

bool QVHighScoreService::isScorePending(const std::string& leaderboardId, int64_t score)
{
    QVSessionRole::requireMainThread("QVHighScoreService::isScorePending");
    QVOfflineStore::Use pending(
        cached(QVOfflineStore::highScoreStatements().pendingOnBoard, [] { return kPendingOnBoard; }));
    bindId(*pending, "user_id", QVUser::offlineRowsUserId());
    bindId(*pending, "leaderboard_id", leaderboardId);
    while (pending->step())
        if (pending->getInt64("score") == score)
            return true;
    return false;
}

std::vector<Ref<QVHighScore>> QVHighScoreService::getHighScoresLocal(const std::string& leaderboardId)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getHighScoresLocal");
    std::vector<Ref<QVHighScore>> scores;
    Ref<QVLeaderboard_Sync> details = QVLeaderboardService::getLeaderboardDetails(leaderboardId);
    bool descending = details && details->descendingSortOrder();
    std::vector<std::pair<std::string, Ref<QVHighScore>>> read;
    {
        QVOfflineStore::Use q(getHighScores(descending, 10));
        q->bind("leaderboard_id", leaderboardId);
        q->bind("user_id", QVUser::offlineRowsUserId());
        int rank = 1;
        while (q->step()) {
            const char* user = q->getText("user_id");
            read.emplace_back(user ? user : "", QVHighScore::initWithLocalSQL(*q, nullptr, rank++));
        }
    }
    // The players are looked up once the rows are read: the users statement is shared.
    for (auto& [userId, score] : read) {
        score->setUser(QVUserService::getLocalUser(userId));
        scores.push_back(score);
    }
    return scores;
}

void QVHighScoreService::getHighScoresLocal(const std::string& leaderboardId, const QVDelegate& onSuccess,
                                            const QVDelegate&)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getHighScoresLocal");
    QVPaginatedSeries::Objects objects;
    for (auto& score : getHighScoresLocal(leaderboardId))
        objects.emplace_back(score.get());
    onSuccess.invoke(QVPaginatedSeries::paginatedSeriesFromArray(std::move(objects)).get());
}

Ref<QVHighScore> QVHighScoreService::getHighScoreForUser(const QVUser& user, const std::string& leaderboardId,
                                                         bool descendingSortOrder)
{
    QVSessionRole::requireMainThread("QVHighScoreService::getHighScoreForUser");
    QVOfflineStore::Use q(getHighScores(descendingSortOrder, 1));
    q->bind("leaderboard_id", leaderboardId);
    q->bind("user_id", user.resourceId());
    if (!q->step())
        return nullptr;
    return QVHighScore::initWithLocalSQL(*q, Ref<QVUser>(const_cast<QVUser*>(&user)), 1);
}

} // namespace quorvel
