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

#include <cmath>
#include <limits>

namespace quorvel {

using platform::Ref;

namespace {

// Aggregations are data from outside: a loop among them must end.
constexpr int kMaxAggregateDepth = 16;

// Seconds since 1970 as the store keeps them ("%d" of the time cut toward zero).
std::string storeSeconds(platform::Date date)
{
    double s = date.seconds;
    if (!(s == s))
        return "0";
    s = std::trunc(s);
    if (s > std::numeric_limits<int32_t>::max())
        s = std::numeric_limits<int32_t>::max();
    if (s < std::numeric_limits<int32_t>::min())
        s = std::numeric_limits<int32_t>::min();
    return platform::format("%d", static_cast<int>(s));
}

std::string scoreText(int64_t score) { return platform::format("%lld", static_cast<long long>(score)); }

// One local write: a SAVEPOINT released at the end, rolled back when the
// scope ends without release(). Nested writes nest their own savepoints.
class ScoreSavepoint {
public:
    ScoreSavepoint() { active_ = QVOfflineStore::exec("SAVEPOINT high_score"); }
    ~ScoreSavepoint()
    {
        if (active_) {
            QVOfflineStore::exec("ROLLBACK TO high_score");
            QVOfflineStore::exec("RELEASE high_score");
        }
    }
    ScoreSavepoint(const ScoreSavepoint&) = delete;
    ScoreSavepoint& operator=(const ScoreSavepoint&) = delete;
    // False when the writes could not be kept.
    bool release()
    {
        if (!active_)
            return false;
        active_ = false;
        if (QVOfflineStore::exec("RELEASE high_score"))
            return true;
        QVOfflineStore::exec("ROLLBACK TO high_score");
        QVOfflineStore::exec("RELEASE high_score");
        return false;
    }

private:
    bool active_ { false };
};

bool lastSyncUsable(const std::string& text) { return !text.empty() && text != "(null)"; }

// The texts the rebuilt statements were last prepared with.
struct BuiltTexts {
    std::string setHighScore, scoreToKeep, deleteScores, getHighScores, otherPending;
};
BuiltTexts& builtTexts()
{
    static BuiltTexts texts;
    return texts;
}

// A rebuilt statement: prepared again when its text changed (or the store
// finalised it), so a run of scores on one board reuses the same statement.
QVSqlQuery& rebuilt(QVSqlQuery& query, std::string& lastText, std::string text)
{
    if (!query.isPrepared() || lastText != text) {
        query.reset(QVOfflineStore::getOfflineDatabaseHandle(), text.c_str());
        lastText = std::move(text);
    }
    return query;
}

constexpr const char* kOtherPending = "SELECT 1 AS found FROM high_scores WHERE user_id = :user_id AND leaderboard_id = "
                                      ":leaderboard_id AND score != :score AND server_sync_at IS NULL LIMIT 1";

// The local player's best on a board of known order.
bool previousBest(int64_t* score, const std::string& leaderboardId, bool descending)
{
    QVOfflineStore::Use q(rebuilt(QVOfflineStore::highScoreStatements().getHighScores, builtTexts().getHighScores,
                                  QVHighScoreService::buildGetHighScoresQuery(descending, 1)));
    q->bind("leaderboard_id", leaderboardId);
    q->bind("user_id", QVUser::offlineRowsUserId());
    bool found = q->step();
    if (score)
        *score = found ? q->getInt64("score") : 0;
    return found;
}

} // namespace

// -- statement texts --------------------------------------------------------------

std::string QVHighScoreService::buildSetHighScoreQuery(bool overrideExisting)
{
    return std::string(overrideExisting ? "REPLACE " : "INSERT OR IGNORE ")
        + "INTO high_scores (user_id, leaderboard_id, score, display_text, custom_data, blob, server_sync_at) "
          "VALUES(:user_id, :leaderboard_id, :score, :display_text, :custom_data, :blob, :server_sync_at)";
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
    return localSetHighScore(score, leaderboardId, userId, std::nullopt, std::nullopt, false);
}

bool QVHighScoreService::localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                           const std::optional<std::string>& displayText,
                                           const std::optional<platform::Date>& serverDate, bool addToExisting)
{
    return localSetHighScore(score, leaderboardId, userId, displayText, std::nullopt, serverDate, addToExisting);
}

bool QVHighScoreService::localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                           const std::optional<std::string>& displayText,
                                           const std::optional<std::string>& customData,
                                           const std::optional<platform::Date>& serverDate, bool addToExisting)
{
    return localSetHighScore(score, leaderboardId, userId, displayText, customData, serverDate, addToExisting, nullptr);
}

bool QVHighScoreService::localSetHighScore(int64_t score, const std::string& leaderboardId, const std::string& userId,
                                           const std::optional<std::string>& displayText,
                                           const std::optional<std::string>& customData,
                                           const std::optional<platform::Date>& serverDate, bool addToExisting,
                                           bool* shouldSubmit)
{
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
    Ref<QVLeaderboard_Sync> details = QVLeaderboardService::getLeaderboardDetails(leaderboardId);
    if (!details || (details->isAggregate() && !addToExisting)) {
        if (shouldSubmit)
            *shouldSubmit = true;
        return false;
    }
    const bool descending = details->descendingSortOrder();
    const bool allowLower = details->allowPostingLowerScores();
    std::optional<std::string> syncText;
    if (serverDate)
        syncText = storeSeconds(*serverDate);
    ScoreSavepoint savepoint;
    QVHighScoreStatements& statements = QVOfflineStore::highScoreStatements();
    BuiltTexts& texts = builtTexts();

    int64_t previous = 0;
    bool hasPrevious = previousBest(&previous, leaderboardId, descending);
    if (addToExisting && hasPrevious)
        score += previous;

    bool beats = !hasPrevious || (descending ? score > previous : score < previous);
    bool submit = allowLower || beats || (score == previous && blob.has_value());

    // The rows this write may mark as sent are rows already pending besides
    // the best that stays pending; the player's last sync time is read
    // (before the write) only when there are some.
    std::optional<std::string> lastSync;
    {
        int64_t staysPending = allowLower || beats ? score : previous;
        QVOfflineStore::Use other(rebuilt(statements.otherPending, texts.otherPending, kOtherPending));
        other->bind("user_id", userId);
        other->bind("leaderboard_id", leaderboardId);
        other->bind("score", scoreText(staysPending));
        if (other->step() || userId != QVUser::offlineRowsUserId())
            lastSync = QVLeaderboardService::getLastSyncDateUnixForUserId(userId);
    }

    // A score the player repeats while its row still waits to be sent leaves
    // that row as it is: rewriting it would mark it sent (or drop its texts
    // and blob) before it ever reached the server.
    bool keepsWaitingRow = false;
    if (!submit && !syncText) {
        QVSqlQuery waiting(QVOfflineStore::getOfflineDatabaseHandle(),
                           "SELECT 1 AS found FROM high_scores WHERE user_id = :user_id AND leaderboard_id = "
                           ":leaderboard_id AND score = :score AND server_sync_at IS NULL LIMIT 1");
        waiting.bind("user_id", userId);
        waiting.bind("leaderboard_id", leaderboardId);
        waiting.bind("score", scoreText(score));
        keepsWaitingRow = waiting.step();
    }

    bool accepted = true;
    if (!keepsWaitingRow) {
        QVOfflineStore::Use set(rebuilt(statements.setHighScore, texts.setHighScore,
                                        buildSetHighScoreQuery(overrideExisting)));
        set->bind("user_id", userId);
        set->bind("leaderboard_id", leaderboardId);
        set->bind("score", scoreText(score));
        set->bind("display_text", displayText);
        set->bind("custom_data", customData);
        if (syncText)
            set->bind("server_sync_at", *syncText);
        else if (!submit)
            set->bind("server_sync_at", storeSeconds(platform::dateNow()));
        if (blob)
            set->bindBlob("blob", blob->data(), static_cast<int>(blob->size()));
        accepted = set->execute() == QVSqlQuery::kDone;
    }

    std::optional<int64_t> keepScore;
    std::optional<int64_t> highScore;
    {
        QVOfflineStore::Use keep(rebuilt(statements.scoreToKeep, texts.scoreToKeep, buildScoreToKeepQuery(descending)));
        keep->bind("leaderboard_id", leaderboardId);
        keep->bind("user_id", userId);
        if (keep->step() && keep->getText("keep_score")) {
            keepScore = keep->getInt64("keep_score");
            highScore = keep->getInt64("high_score");
        }
    }
    if (keepScore) {
        QVOfflineStore::Use drop(rebuilt(statements.deleteScores, texts.deleteScores,
                                         buildDeleteScoresQuery(descending)));
        drop->bind("user_id", userId);
        drop->bind("leaderboard_id", leaderboardId);
        drop->bind("score", scoreText(*keepScore));
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
        mark->bind("user_id", userId);
        mark->bind("leaderboard_id", leaderboardId);
        mark->bind("score", scoreText(*pendingBest));
        mark->execute();
    }

    if (depth < kMaxAggregateDepth) {
        int64_t change = score - (hasPrevious ? previous : 0);
        for (const auto& parent : QVLeaderboardService::getAggregateParents(leaderboardId))
            storeScore(change, parent->resourceId(), userId, std::nullopt, std::nullopt, std::nullopt,
                       platform::dateNow(), true, nullptr, true, depth + 1);
    } else {
        platform::logWarning("Quorvel: leaderboard aggregations nest too deep at %s; the parents were not updated",
                             leaderboardId.c_str());
    }

    if (!savepoint.release())
        accepted = false;
    if (shouldSubmit)
        *shouldSubmit = submit;
    return accepted;
}

void QVHighScoreService::adoptAnonymousScores(const std::string& userId)
{
    sqlite3* db = QVOfflineStore::getOfflineDatabaseHandle();
    if (!db)
        return;
    ScoreSavepoint savepoint;
    std::vector<int64_t> rows;
    {
        QVSqlQuery q(db, "SELECT rowid AS row_id FROM high_scores WHERE user_id IS NULL or user_id = 0");
        while (q.step())
            rows.push_back(q.getInt64("row_id"));
    }
    for (int64_t row : rows) {
        QVSqlQuery move(db, "UPDATE OR IGNORE high_scores SET user_id = :user_id WHERE rowid = :row_id");
        move.bind("user_id", userId);
        move.bindInt64("row_id", row);
        move.execute();
        if (sqlite3_changes(db) == 0) {
            // The user already holds this score on this board: keep the user's row.
            QVSqlQuery drop(db, "DELETE FROM high_scores WHERE rowid = :row_id");
            drop.bindInt64("row_id", row);
            drop.execute();
        }
    }
    savepoint.release();
}

// -- reading --------------------------------------------------------------------------

bool QVHighScoreService::getPreviousHighScoreLocal(int64_t* score, const std::string& leaderboardId)
{
    // A board missing from the store reads as ascending.
    Ref<QVLeaderboard_Sync> details = QVLeaderboardService::getLeaderboardDetails(leaderboardId);
    return previousBest(score, leaderboardId, details && details->descendingSortOrder());
}

std::vector<Ref<QVHighScore>> QVHighScoreService::getHighScoresLocal(const std::string& leaderboardId)
{
    std::vector<Ref<QVHighScore>> scores;
    Ref<QVLeaderboard_Sync> details = QVLeaderboardService::getLeaderboardDetails(leaderboardId);
    bool descending = details && details->descendingSortOrder();
    std::vector<std::pair<std::string, Ref<QVHighScore>>> read;
    {
        QVOfflineStore::Use q(rebuilt(QVOfflineStore::highScoreStatements().getHighScores, builtTexts().getHighScores,
                                      buildGetHighScoresQuery(descending, 10)));
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
    QVPaginatedSeries::Objects objects;
    for (auto& score : getHighScoresLocal(leaderboardId))
        objects.emplace_back(score.get());
    onSuccess.invoke(QVPaginatedSeries::paginatedSeriesFromArray(std::move(objects)).get());
}

Ref<QVHighScore> QVHighScoreService::getHighScoreForUser(const QVUser& user, const std::string& leaderboardId,
                                                         bool descendingSortOrder)
{
    QVOfflineStore::Use q(rebuilt(QVOfflineStore::highScoreStatements().getHighScores, builtTexts().getHighScores,
                                  buildGetHighScoresQuery(descendingSortOrder, 1)));
    q->bind("leaderboard_id", leaderboardId);
    q->bind("user_id", user.resourceId());
    if (!q->step())
        return nullptr;
    return QVHighScore::initWithLocalSQL(*q, Ref<QVUser>(const_cast<QVUser*>(&user)), 1);
}

} // namespace quorvel
