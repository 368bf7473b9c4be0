// The offline database: its one connection, the schema of every table with
// the version rows and migrations, and the prepared statements of each table
// group. See QVOfflineStore.h for the rules every operation follows.
#include "social/services/QVOfflineStore.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "social/runtime/QVDocumentsPath.h"

#include <cerrno>
#include <cmath>
#include <limits>
#include <cstdlib>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {

// Table texts. They are part of the stored files' history: keep them as they are.
constexpr const char* kCreateTableVersions =
    "CREATE TABLE IF NOT EXISTS table_versions(name TEXT NOT NULL,version INTEGER NOT NULL,UNIQUE(name))";
constexpr const char* kCreateUnlocked =
    "CREATE TABLE IF NOT EXISTS unlocked_achievements(user_id INTEGER NOT NULL,achievement_definition_id INTEGER NOT "
    "NULL,gamerscore INTEGER DEFAULT 0,created_at INTEGER DEFAULT NULL,server_sync_at INTEGER DEFAULT NULL)";
constexpr const char* kAddPercentComplete =
    "ALTER TABLE unlocked_achievements ADD COLUMN percent_complete DOUBLE DEFAULT 100";
constexpr const char* kIndexUnlocked = "CREATE UNIQUE INDEX IF NOT EXISTS unlocked_achievements_index ON "
                                       "unlocked_achievements (achievement_definition_id, user_id)";
constexpr const char* kCreateSynchDate = "CREATE TABLE IF NOT EXISTS unlocked_achievements_synch_date( user_id "
                                         "INTEGER NOT NULL,synch_date INTEGER NOT NULL)";
constexpr const char* kIndexSynchDate = "CREATE UNIQUE INDEX IF NOT EXISTS unlocked_achievements_synch_date_index ON "
                                        "unlocked_achievements_synch_date (user_id)";
constexpr const char* kCreateDefinitions =
    "CREATE TABLE IF NOT EXISTS achievement_definitions(id INTEGER NOT NULL,title TEXT DEFAULT NULL,description TEXT "
    "DEFAULT NULL,gamerscore  INTEGER DEFAULT 0,is_secret INTEGER DEFAULT 0,icon_file_name TEXT DEFAULT "
    "NULL,position INTEGER DEFAULT 0,start_version  TEXT DEFAULT NULL,end_version  TEXT DEFAULT NULL,server_sync_at "
    "INTEGER DEFAULT NULL)";
constexpr const char* kIndexDefinitions =
    "CREATE UNIQUE INDEX IF NOT EXISTS achievement_definitions_index ON achievement_definitions (id)";
constexpr const char* kAddDefinitionStartVersion =
    "ALTER TABLE achievement_definitions ADD COLUMN start_version  TEXT DEFAULT NULL";
constexpr const char* kAddDefinitionEndVersion =
    "ALTER TABLE achievement_definitions ADD COLUMN end_version  TEXT DEFAULT NULL";
constexpr const char* kAddDefinitionPosition = "ALTER TABLE achievement_definitions ADD COLUMN position INT DEFAULT 0";
constexpr const char* kCreateHighScores =
    "CREATE TABLE IF NOT EXISTS high_scores(user_id INTEGER NOT NULL,leaderboard_id INTEGER NOT NULL,score INTEGER "
    "DEFAULT 0,display_text TEXT DEFAULT NULL,custom_data TEXT DEFAULT NULL,server_sync_at INTEGER DEFAULT NULL,blob "
    "BLOB DEFAULT NULL,UNIQUE(leaderboard_id, user_id, score))";
constexpr const char* kIndexHighScores =
    "CREATE INDEX IF NOT EXISTS high_scores_index ON high_scores (user_id, leaderboard_id)";
// The unique key a table of the earlier layout gains (a new table has it in its text).
constexpr const char* kIndexHighScoresKey =
    "CREATE UNIQUE INDEX IF NOT EXISTS high_scores_key_index ON high_scores (leaderboard_id, user_id, score)";
// The player's last sync time is the newest stamp of the player's scores and
// of the leaderboards: these indexes let it be read without a scan, so that
// storing a score costs the same however large the store grows.
constexpr const char* kIndexHighScoresSync =
    "CREATE INDEX IF NOT EXISTS high_scores_sync_index ON high_scores (user_id, server_sync_at)";
constexpr const char* kIndexLeaderboardsSync =
    "CREATE INDEX IF NOT EXISTS leaderboards_sync_index ON leaderboards (server_sync_at)";
// A leaderboard's aggregate parents are looked up for every score it takes.
constexpr const char* kIndexAggregationChildren = "CREATE INDEX IF NOT EXISTS leaderboard_aggregations_child_index ON "
                                                  "leaderboard_aggregations (leaderboard_pushing_changes_id)";
constexpr const char* kAddDisplayText = "ALTER TABLE high_scores ADD COLUMN display_text TEXT DEFAULT NULL";
constexpr const char* kAddCustomData = "ALTER TABLE high_scores ADD COLUMN custom_data TEXT DEFAULT NULL";
constexpr const char* kAddBlob = "ALTER TABLE high_scores ADD COLUMN blob BLOB DEFAULT NULL";
constexpr const char* kCreateLeaderboards =
    "CREATE TABLE IF NOT EXISTS leaderboards(id INTEGER NOT NULL,name TEXT DEFAULT NULL,descending_sort_order "
    "INTEGER DEFAULT 0,active INTEGER DEFAULT 0,is_aggregate INTEGER DEFAULT 0,visible INTEGER DEFAULT "
    "0,allow_posting_lower_scores INTEGER DEFAULT 0,start_version  TEXT DEFAULT NULL,end_version  TEXT DEFAULT "
    "NULL,server_sync_at  INTEGER DEFAULT NULL)";
constexpr const char* kIndexLeaderboards = "CREATE UNIQUE INDEX IF NOT EXISTS leaderboards_index ON leaderboards (id)";
constexpr const char* kCreateAggregations =
    "CREATE TABLE IF NOT EXISTS leaderboard_aggregations(aggregate_leaderboard_id INTEGER NOT "
    "NULL,leaderboard_pushing_changes_id INTEGER NOT NULL,server_sync_at INTEGER DEFAULT NULL)";
constexpr const char* kIndexAggregations =
    "CREATE UNIQUE INDEX IF NOT EXISTS leaderboard_aggregations_index ON leaderboard_aggregations "
    "(aggregate_leaderboard_id,leaderboard_pushing_changes_id)";
constexpr const char* kCreateUsers =
    "CREATE TABLE IF NOT EXISTS users(id INTEGER NOT NULL,name TEXT DEFAULT NULL,profile_picture_url TEXT DEFAULT NULL)";
constexpr const char* kIndexUsers = "CREATE UNIQUE INDEX IF NOT EXISTS users_index ON users (id)";

// Version-row statements.
constexpr const char* kGetVersion = "SELECT * FROM table_versions WHERE name = :name";
constexpr const char* kSetVersion = "REPLACE INTO table_versions (name, version) values (:name, :version)";

// Achievement statements.
constexpr const char* kAchSetLocalProgress =
    "REPLACE INTO unlocked_achievements (achievement_definition_id, user_id, percent_complete, created_at) "
    "VALUES(:achievement_definition_id, :user_id, :percent_complete, strftime('%s', 'now'))";
constexpr const char* kAchPendingIds =
    "SELECT achievement_definition_id FROM unlocked_achievements WHERE user_id = :user_id AND server_sync_at IS NULL";
constexpr const char* kAchProgress = "SELECT percent_complete FROM unlocked_achievements WHERE user_id = :user_id AND "
                                     "achievement_definition_id = :achievement_definition_id";
// The service's word on a player's progress. A row already further on is
// kept: answers can arrive out of order, and progress kept on the device but
// not yet sent must still go out; progress never goes back.
constexpr const char* kAchSetConfirmed =
    "REPLACE INTO unlocked_achievements (user_id, achievement_definition_id, gamerscore, percent_complete, "
    "created_at, server_sync_at) SELECT :user_id, :achievement_definition_id, :gamerscore, :percent_complete, "
    ":server_sync_at, :server_sync_at WHERE NOT EXISTS (SELECT 1 FROM unlocked_achievements WHERE user_id = "
    ":user_id AND achievement_definition_id = :achievement_definition_id AND percent_complete > :percent_complete)";
constexpr const char* kAchAdopt =
    "UPDATE unlocked_achievements SET user_id = :user_id WHERE user_id IS NULL or user_id = 0";
constexpr const char* kAchSetSynchDate = "REPLACE INTO unlocked_achievements_synch_date (user_id, synch_date) VALUES "
                                         "(:user_id, strftime('%s', 'now'))";
constexpr const char* kAchSetDefinition =
    "REPLACE INTO achievement_definitions (id, title, description, gamerscore, is_secret, icon_file_name, position, "
    "start_version, end_version, server_sync_at) VALUES (:id , :title , :description , :gamerscore , :is_secret , "
    ":icon_file_name, :position, :start_version, :end_version, strftime('%s', 'now'))";
constexpr const char* kAchAllDefinitions = "SELECT * FROM achievement_definitions ORDER BY position";
constexpr const char* kAchOneDefinition = "SELECT *, 0 AS unlocked_date FROM achievement_definitions WHERE id = :id";
constexpr const char* kAchLastSyncDate =
    "SELECT datetime(MAX(server_sync_at), 'unixepoch') as last_sync_date FROM (SELECT MIN(server_sync_at) AS "
    "server_sync_at FROM (SELECT MAX(server_sync_at) AS server_sync_at FROM (SELECT MAX(synch_date) AS "
    "server_sync_at FROM unlocked_achievements_synch_date WHERE user_id = :user_id UNION SELECT 0 AS "
    "server_sync_at) X UNION SELECT MAX(server_sync_at) AS server_sync_at FROM achievement_definitions WHERE "
    "server_sync_at IS NOT NULL) Y ) Z";
constexpr const char* kAchLocalList =
    "select defs.*, unlocked_achievements.created_at AS unlocked_date FROM (select * from achievement_definitions "
    "WHERE start_version <= :app_version AND end_version >= :app_version) AS defs LEFT JOIN unlocked_achievements "
    "ON unlocked_achievements.achievement_definition_id = defs.id AND unlocked_achievements.user_id = :user_id "
    "ORDER BY unlocked_achievements.created_at DESC, position ASC, defs.id ASC";
constexpr const char* kAchLocalOne =
    "select defs.*, unlocked_achievements.created_at AS unlocked_date FROM (select * from achievement_definitions "
    "WHERE start_version <= :app_version AND end_version >= :app_version AND id = :achievement_id) AS defs LEFT "
    "JOIN unlocked_achievements ON unlocked_achievements.achievement_definition_id = defs.id AND "
    "unlocked_achievements.user_id = :user_id ORDER BY unlocked_achievements.created_at DESC, position ASC, defs.id "
    "ASC";

// High-score statements.
constexpr const char* kHsSet =
    "REPLACE INTO high_scores (user_id, leaderboard_id, score, display_text, custom_data, blob, server_sync_at) "
    "VALUES(:user_id, :leaderboard_id, :score, :display_text, :custom_data, :blob, :server_sync_at)";
constexpr const char* kHsPending = "SELECT leaderboard_id, score, display_text, custom_data, blob FROM high_scores "
                                   "WHERE user_id = :user_id AND server_sync_at IS NULL";
constexpr const char* kHsLowestOfBest =
    "SELECT min(score) AS score FROM (SELECT score FROM high_scores  WHERE user_id = :user_id AND leaderboard_id = "
    ":leaderboard_id ORDER BY score DESC LIMIT :max_scores) AS x";
constexpr const char* kHsDeleteBelow =
    "DELETE FROM high_scores  WHERE user_id = :user_id AND leaderboard_id = :leaderboard_id AND score < :score";
constexpr const char* kHsMarkOthersSynced =
    "UPDATE high_scores SET server_sync_at = :server_sync_at WHERE user_id = :user_id AND leaderboard_id = "
    ":leaderboard_id AND score != :score AND server_sync_at IS NULL";
constexpr const char* kHsAdopt = "UPDATE high_scores SET user_id = :user_id WHERE user_id IS NULL or user_id = 0";
constexpr const char* kHsAnonymousLeaderboards =
    "SELECT DISTINCT(leaderboard_id) FROM high_scores WHERE user_id IS NULL or user_id = 0";

// Leaderboard statements.
constexpr const char* kLbLastSyncDate =
    "SELECT datetime(MAX(server_sync_at), 'unixepoch') last_sync_date, MAX(server_sync_at) last_sync_unix FROM "
    "(SELECT MIN(server_sync_at) AS server_sync_at FROM (SELECT MAX(server_sync_at) AS server_sync_at FROM (SELECT "
    "MAX(server_sync_at) AS server_sync_at FROM high_scores WHERE user_id = :user_id AND server_sync_at IS NOT NULL "
    "UNION SELECT 0 AS server_sync_at) X UNION SELECT MAX(server_sync_at) AS server_sync_at FROM leaderboards WHERE "
    "server_sync_at IS NOT NULL) Y ) Z";
constexpr const char* kLbSet =
    "REPLACE INTO leaderboards(id, name, descending_sort_order, active, is_aggregate, visible, "
    "allow_posting_lower_scores, start_version, end_version, server_sync_at) VALUES (:id, :name, "
    ":descending_sort_order, :active, :is_aggregate, :visible, :allow_posting_lower_scores, :start_version, "
    ":end_version, :server_sync_at)";
constexpr const char* kLbActiveVisible = "SELECT * FROM leaderboards WHERE active = 1 AND visible = 1 AND "
                                         "(start_version <= :app_version AND end_version >= :app_version)";
constexpr const char* kLbOne = "SELECT * FROM leaderboards WHERE id = :id ";
constexpr const char* kLbAggregateParents = "SELECT aggregate_leaderboard_id FROM leaderboard_aggregations WHERE "
                                            "leaderboard_pushing_changes_id = :leaderboard_pushing_changes_id ";
constexpr const char* kLbSetAggregation =
    "REPLACE INTO leaderboard_aggregations (aggregate_leaderboard_id, leaderboard_pushing_changes_id, "
    "server_sync_at) VALUES (:aggregate_leaderboard_id, :leaderboard_pushing_changes_id, :server_sync_at)";

// User statements.
constexpr const char* kUserSet =
    "REPLACE INTO users (id, name, profile_picture_url) VALUES (:id, :name, :profile_picture_url)";
constexpr const char* kUserGet = "SELECT * FROM users WHERE id = :id";

struct State {
    sqlite3* db { nullptr };
    std::string openError;
    int savepoints { 0 };
    uint64_t generation { 0 };
    // A descriptor of the store's file of our own, asked for its link count
    // (a removed file has none left while it stays open): -1 when none. It
    // is closed only after the connection, since closing a descriptor of a
    // file drops every lock the process holds on it.
    int fileFd { -1 };
    // The main loop's turn in which the store's path was last looked at.
    std::optional<uint64_t> pathLookedTurn;
    QVSqlQuery getVersion;
    QVSqlQuery setVersion;
    QVAchievementStatements achievements;
    QVHighScoreStatements highScores;
    QVLeaderboardStatements leaderboards;
    QVUserStatements users;
};

State& state()
{
    static State s;
    return s;
}

void prepare(QVSqlQuery& query, const char* sql) { query.reset(state().db, sql); }

// A column an older store lacks, added; true when it is there afterwards.
bool addMissingColumn(const char* table, const char* column, const char* alter)
{
    return QVOfflineStore::columnExists(table, column) || QVOfflineStore::exec(alter);
}

// Whether high_scores holds each score once per player and board: a unique
// key on exactly (leaderboard_id, user_id, score), the table's own or an index.
bool hasScoreKey()
{
    QVSqlQuery indexes(state().db, "SELECT name FROM pragma_index_list('high_scores') WHERE \"unique\" = 1");
    while (indexes.step()) {
        const char* name = indexes.getText("name");
        QVSqlQuery columns(state().db, "SELECT group_concat(name, ',') AS names FROM (SELECT name FROM "
                                       "pragma_index_info(:index) ORDER BY name)");
        columns.bind("index", name ? name : "");
        const char* names = columns.step() ? columns.getText("names") : nullptr;
        if (names && std::string(names) == "leaderboard_id,score,user_id")
            return true;
    }
    return false;
}

// A table of the earlier layout has no such key: every login then stored
// another copy of the player's best. The copies of a score become one row
// (the newest texts and blob of its copies; waiting to be sent while a copy
// with a blob waits, or while no copy was ever sent), and the key is added.
bool addScoreKey()
{
    constexpr const char* kSame = "d.leaderboard_id = h.leaderboard_id AND d.user_id = h.user_id AND d.score = h.score";
    auto newestOf = [&](const std::string& column) {
        return "(SELECT d." + column + " FROM high_scores AS d WHERE " + kSame + " AND d." + column
            + " IS NOT NULL ORDER BY d.rowid DESC LIMIT 1)";
    };
    const std::string merge = std::string("UPDATE high_scores AS h SET display_text = ") + newestOf("display_text")
        + ", custom_data = " + newestOf("custom_data") + ", blob = " + newestOf("blob")
        + ", server_sync_at = CASE WHEN EXISTS (SELECT 1 FROM high_scores AS d WHERE " + kSame
        + " AND d.server_sync_at IS NULL AND d.blob IS NOT NULL) OR NOT EXISTS (SELECT 1 FROM high_scores AS d WHERE "
        + kSame + " AND d.server_sync_at IS NOT NULL) THEN NULL ELSE (SELECT MAX(d.server_sync_at) FROM high_scores "
        + "AS d WHERE " + kSame + ") END WHERE h.rowid IN (SELECT MAX(rowid) FROM high_scores GROUP BY "
        + "leaderboard_id, user_id, score HAVING COUNT(*) > 1)";
    return QVOfflineStore::exec(merge.c_str())
        && QVOfflineStore::exec("DELETE FROM high_scores WHERE rowid NOT IN (SELECT MAX(rowid) FROM high_scores GROUP "
                                "BY leaderboard_id, user_id, score)")
        && QVOfflineStore::exec(kIndexHighScoresKey);
}

// A table group whose tables or columns cannot be made keeps its old versions,
// so the next start runs the same steps again.
void reportUnfinishedMigration(const char* group)
{
    platform::logError("Quorvel: offline store: the %s tables cannot be brought up to date; they are tried again at "
                       "the next start",
                       group);
}

void finalizeVersionStatements()
{
    state().getVersion.destroyQuery();
    state().setVersion.destroyQuery();
}

// A store that opened but cannot be used: not a database, damaged or read-only.
std::string checkUsable(sqlite3* db)
{
    if (sqlite3_db_readonly(db, "main") == 1)
        return "the file is read-only";
    sqlite3_stmt* check = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &check, nullptr);
    std::string problem;
    if (rc == SQLITE_OK)
        rc = sqlite3_step(check);
    if (rc == SQLITE_ROW) {
        const unsigned char* verdict = sqlite3_column_text(check, 0);
        std::string text = verdict ? reinterpret_cast<const char*>(verdict) : "";
        if (text != "ok")
            problem = "the file is damaged: " + text;
    } else {
        problem = sqlite3_errmsg(db);
    }
    sqlite3_finalize(check);
    return problem;
}

// Commits go to a write-ahead log that is synced once per commit: a score the
// caller was told is kept survives a crash or a power cut at the cost of one
// sync, where a rollback journal makes, syncs and deletes a file for every
// commit. The mode is kept in the file; SQLite folds the log back into it at
// checkpoints and when the last connection closes, so any SQLite reader of
// the file (a later start, a migration, a test) sees the same database.
void keepCommitsInLog(sqlite3* db, const std::string& path)
{
    sqlite3_stmt* mode = nullptr;
    std::string inUse;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL", -1, &mode, nullptr) == SQLITE_OK
        && sqlite3_step(mode) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(mode, 0);
        inUse = text ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_finalize(mode);
    if (inUse != "wal")
        platform::logWarning("Quorvel: the offline store \"%s\" cannot keep a write-ahead log; every write syncs "
                             "a rollback journal instead",
                             path.c_str());
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
}

// A connection to the file at `path`, or null with `error` saying why: a
// file that cannot be opened or used is logged once.
sqlite3* openConnection(const std::string& path, bool readOnly, std::string& error)
{
    error.clear();
    sqlite3* db = nullptr;
    // The connection is the main thread's alone: SQLite need not lock it for every call.
    int flags = (readOnly ? SQLITE_OPEN_READONLY : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK)
        error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    else
        error = checkUsable(db);
    if (error.empty())
        return db;
    // SQLite hands back a handle even when the open fails; it must still be closed.
    sqlite3_close(db);
    platform::logError("Quorvel: the offline store \"%s\" cannot be used (%s); the client runs without it",
                       path.c_str(), error.c_str());
    return nullptr;
}

// Whether a database holds any table (a new file holds none).
bool holdsTables(sqlite3* db)
{
    sqlite3_stmt* q = nullptr;
    bool any = sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master LIMIT 1", -1, &q, nullptr) == SQLITE_OK
        && sqlite3_step(q) == SQLITE_ROW;
    sqlite3_finalize(q);
    return any;
}

// Makes an opened connection the store's.
void install(sqlite3* db, const std::string& path)
{
    State& s = state();
    keepCommitsInLog(db, path);
    s.db = db;
    s.fileFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    s.pathLookedTurn.reset();
}

// Whether the open store's file has lost its last name: one fstat of our
// descriptor, no path to resolve, so every write can afford to ask.
bool fileUnlinked()
{
    struct stat st {};
    const int fd = state().fileFd;
    return fd >= 0 && ::fstat(fd, &st) == 0 && st.st_nlink == 0;
}

// Whether the store's path no longer leads to the open file (removed, moved
// or replaced): SQLite compares the path's file with its own.
bool pathMoved()
{
    int moved = 0;
    return sqlite3_file_control(state().db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved;
}

// Closes the connection and then the descriptor of our own.
void closeConnection()
{
    State& s = state();
    if (s.db) {
        if (!sqlite3_get_autocommit(s.db))
            sqlite3_exec(s.db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(s.db);
    }
    s.db = nullptr;
    if (s.fileFd >= 0)
        ::close(s.fileFd);
    s.fileFd = -1;
    s.savepoints = 0;
    s.pathLookedTurn.reset();
}

} // namespace

// -- connection --------------------------------------------------------------

bool QVOfflineStore::setupOfflineDatabase() { return openDatabaseAtPath(QVDocumentsPathForFile(kFileName)); }

bool QVOfflineStore::openDatabaseAtPath(const std::string& path, bool readOnly)
{
    teardownOfflineDatabase();
    State& s = state();
    ++s.generation;
    sqlite3* db = openConnection(path, readOnly, s.openError);
    if (!db)
        return false;
    install(db, path);
    return true;
}

void QVOfflineStore::teardownOfflineDatabase()
{
    finalizeAchievementStatements();
    finalizeHighScoreStatements();
    finalizeLeaderboardStatements();
    finalizeUserStatements();
    finalizeVersionStatements();
    closeConnection();
}

bool QVOfflineStore::wasRemoved()
{
    State& s = state();
    return s.db && sqlite3_get_autocommit(s.db) && (fileUnlinked() || pathMoved());
}

bool QVOfflineStore::wasRemovedThisTurn()
{
    State& s = state();
    if (!s.db || !sqlite3_get_autocommit(s.db))
        return false; // not looked at: the next call looks
    if (fileUnlinked())
        return true;
    platform::RunLoop& main = platform::RunLoop::main();
    if (!main.isCurrent())
        return pathMoved();
    if (s.pathLookedTurn == main.turn())
        return false;
    s.pathLookedTurn = main.turn();
    return pathMoved();
}

bool QVOfflineStore::reopen()
{
    State& s = state();
    const char* file = s.db ? sqlite3_db_filename(s.db, "main") : nullptr;
    const std::string path = file ? file : "";
    if (path.empty())
        return false;
    // A new file at the path, filled with what the open store holds: the
    // removed file's contents are all still readable through the connection.
    // A store someone put in its place is taken as it is.
    std::string error;
    sqlite3* fresh = openConnection(path, false, error);
    bool copied = false;
    if (fresh && holdsTables(fresh)) {
        teardownOfflineDatabase();
        ++s.generation;
        s.openError.clear();
        platform::logWarning("Quorvel: the offline store \"%s\" was replaced while the game ran; the new one is used",
                             path.c_str());
        install(fresh, path);
        setupOfflineSupport();
        return true;
    }
    if (fresh) {
        if (sqlite3_backup* backup = sqlite3_backup_init(fresh, "main", s.db, "main")) {
            copied = sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            copied = sqlite3_backup_finish(backup) == SQLITE_OK && copied;
        }
        if (!copied)
            error = sqlite3_errmsg(fresh);
    }
    teardownOfflineDatabase();
    ++s.generation;
    s.openError = fresh ? "" : error;
    if (!fresh) {
        platform::logError("Quorvel: the offline store \"%s\" was removed while the game ran and cannot be made "
                           "again; the client runs without it",
                           path.c_str());
        return false;
    }
    if (copied)
        platform::logWarning("Quorvel: the offline store \"%s\" was removed while the game ran; it is made again "
                             "with what it kept",
                             path.c_str());
    else
        platform::logWarning("Quorvel: the offline store \"%s\" was removed while the game ran; it is made anew, "
                             "without what it kept (%s)",
                             path.c_str(), error.c_str());
    install(fresh, path);
    setupOfflineSupport();
    return true;
}

sqlite3* QVOfflineStore::getOfflineDatabaseHandle() { return state().db; }
uint64_t QVOfflineStore::generation() { return state().generation; }
const std::string& QVOfflineStore::lastOpenError() { return state().openError; }

bool QVOfflineStore::exec(const char* sql, bool quiet)
{
    sqlite3* db = state().db;
    if (!db)
        return false;
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK && !quiet)
        platform::logWarning("Quorvel: offline store: \"%s\" failed: %s", sql, error ? error : sqlite3_errstr(rc));
    sqlite3_free(error);
    return rc == SQLITE_OK;
}

bool QVOfflineStore::tableExists(const std::string& table)
{
    QVSqlQuery q(state().db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name = :name");
    q.bind("name", table);
    return q.step();
}

bool QVOfflineStore::columnExists(const std::string& table, const std::string& column)
{
    QVSqlQuery q(state().db, "SELECT name FROM pragma_table_info(:table) WHERE name = :column");
    q.bind("table", table);
    q.bind("column", column);
    return q.step();
}

// -- transactions ------------------------------------------------------------

QVOfflineStore::Transaction::Transaction()
{
    State& s = state();
    if (!s.db)
        return;
    nested_ = !sqlite3_get_autocommit(s.db);
    if (nested_) {
        savepoint_ = "quorvel_" + std::to_string(++s.savepoints);
        active_ = exec(("SAVEPOINT " + savepoint_).c_str());
        if (!active_)
            --s.savepoints;
    } else {
        active_ = exec("BEGIN TRANSACTION");
    }
}

QVOfflineStore::Transaction::~Transaction()
{
    if (active_)
        rollback();
}

bool QVOfflineStore::Transaction::commit()
{
    if (!active_)
        return false;
    State& s = state();
    if (nested_) {
        active_ = false;
        --s.savepoints;
        return exec(("RELEASE " + savepoint_).c_str());
    }
    if (sqlite3_get_autocommit(s.db)) {
        // An error (a full disk, say) already rolled the whole transaction back.
        active_ = false;
        platform::logWarning("Quorvel: offline store: the transaction was rolled back by an error");
        return false;
    }
    if (exec("COMMIT")) {
        active_ = false;
        return true;
    }
    // A COMMIT that fails leaves the transaction open: undo it rather than
    // letting the next statements join it.
    rollback();
    return false;
}

void QVOfflineStore::Transaction::rollback()
{
    if (!active_)
        return;
    active_ = false;
    State& s = state();
    if (!s.db)
        return;
    if (nested_) {
        --s.savepoints;
        exec(("ROLLBACK TO " + savepoint_).c_str());
        exec(("RELEASE " + savepoint_).c_str());
    } else if (!sqlite3_get_autocommit(s.db)) {
        exec("ROLLBACK");
    }
}

// -- versions ----------------------------------------------------------------

int QVOfflineStore::getTableVersion(const std::string& name)
{
    Use q(state().getVersion);
    q->bind("name", name);
    return q->step() ? q->getInt("version") : 0;
}

bool QVOfflineStore::setTableVersion(const std::string& name, int version)
{
    Use q(state().setVersion);
    q->bind("name", name);
    q->bind("version", std::to_string(version));
    return q->execute() == QVSqlQuery::kDone;
}

// -- schema --------------------------------------------------------------------

void QVOfflineStore::setupOfflineSupport()
{
    State& s = state();
    if (!s.db)
        return;
    exec(kCreateTableVersions);
    prepare(s.getVersion, kGetVersion);
    prepare(s.setVersion, kSetVersion);
    setTableVersion("table_versions", 1);
    // Only takes effect when the row is missing: a new store, or one written
    // before version rows existed, enters the achievement set-up at version 1.
    exec("INSERT INTO table_versions (name, version) values ('unlocked_achievements', 1)", true);

    setupAchievementTables(false);
    setupHighScoreTables(false);
    setupLeaderboardTables(false);
    setupUserTables(false);
}

void QVOfflineStore::setupAchievementTables(bool recreate)
{
    if (!state().db)
        return;
    {
        Transaction transaction;
        int unlockedVersion = getTableVersion("unlocked_achievements");
        bool restore = false;
        if (!recreate && unlockedVersion == 1 && tableExists("unlocked_achievements")) {
            // The unlocks of a store from before version rows existed come back as pending.
            exec("DROP TABLE IF EXISTS unlocked_achievements_save");
            restore = exec("CREATE TABLE unlocked_achievements_save AS SELECT * FROM unlocked_achievements");
            if (!restore) {
                platform::logError("Quorvel: offline store: the unlocked achievements cannot be saved; the "
                                   "achievement tables stay as they are");
                return;
            }
        }
        if (recreate || unlockedVersion == 1) {
            exec("DROP TABLE IF EXISTS unlocked_achievements");
            exec("DROP TABLE IF EXISTS achievement_definitions");
        }

        if (!exec(kCreateUnlocked)
            || !addMissingColumn("unlocked_achievements", "percent_complete", kAddPercentComplete)) {
            reportUnfinishedMigration("achievement");
            return;
        }
        exec(kIndexUnlocked);
        if (!exec(kCreateSynchDate)) {
            reportUnfinishedMigration("achievement");
            return;
        }
        exec(kIndexSynchDate);

        // Definitions: every column a newer version added, whatever the version row says.
        if (!exec(kCreateDefinitions)
            || !addMissingColumn("achievement_definitions", "start_version", kAddDefinitionStartVersion)
            || !addMissingColumn("achievement_definitions", "end_version", kAddDefinitionEndVersion)
            || !addMissingColumn("achievement_definitions", "position", kAddDefinitionPosition)) {
            reportUnfinishedMigration("achievement");
            return;
        }
        exec(kIndexDefinitions);

        if (restore) {
            // OR IGNORE: an old table could hold the same unlock twice, which the new key refuses.
            if (!exec("INSERT OR IGNORE INTO unlocked_achievements (user_id, achievement_definition_id,created_at) "
                      "SELECT user_id, achievement_definition_id, strftime('%s', 'now') FROM "
                      "unlocked_achievements_save")) {
                platform::logError("Quorvel: offline store: the saved unlocks cannot be restored; the old tables stay");
                return;
            }
            exec("DROP TABLE IF EXISTS unlocked_achievements_save");
        }
        // Versions last, so a migration that fails part-way runs again.
        if (!setTableVersion("unlocked_achievements", 3) || !setTableVersion("achievement_definitions", 3))
            return;
        transaction.commit();
    }

    QVAchievementStatements& a = achievementStatements();
    prepare(a.setLocalProgress, kAchSetLocalProgress);
    prepare(a.pendingIds, kAchPendingIds);
    prepare(a.progress, kAchProgress);
    prepare(a.setConfirmedProgress, kAchSetConfirmed);
    prepare(a.adoptAnonymousRows, kAchAdopt);
    prepare(a.setSynchDate, kAchSetSynchDate);
    prepare(a.setDefinition, kAchSetDefinition);
    prepare(a.allDefinitions, kAchAllDefinitions);
    prepare(a.oneDefinition, kAchOneDefinition);
    prepare(a.lastSyncDate, kAchLastSyncDate);
    prepare(a.localList, kAchLocalList);
    prepare(a.localOne, kAchLocalOne);
}

void QVOfflineStore::setupHighScoreTables(bool recreate)
{
    if (!state().db)
        return;
    {
        Transaction transaction;
        if (recreate)
            exec("DROP TABLE IF EXISTS high_scores");
        // Any older table, versioned or not, gets every column the statements write.
        if (!exec(kCreateHighScores) || !addMissingColumn("high_scores", "display_text", kAddDisplayText)
            || !addMissingColumn("high_scores", "custom_data", kAddCustomData)
            || !addMissingColumn("high_scores", "blob", kAddBlob)) {
            reportUnfinishedMigration("high score");
            return;
        }
        exec(kIndexHighScores);
        exec(kIndexHighScoresSync);
        if (!hasScoreKey() && !addScoreKey()) {
            reportUnfinishedMigration("high score");
            return;
        }
        if (!setTableVersion("high_scores", 3))
            return;
        transaction.commit();
    }

    QVHighScoreStatements& h = highScoreStatements();
    prepare(h.setScore, kHsSet);
    prepare(h.pendingScores, kHsPending);
    prepare(h.lowestOfBest, kHsLowestOfBest);
    prepare(h.deleteBelow, kHsDeleteBelow);
    prepare(h.markOthersSynced, kHsMarkOthersSynced);
    prepare(h.adoptAnonymousRows, kHsAdopt);
    prepare(h.anonymousLeaderboards, kHsAnonymousLeaderboards);
}

void QVOfflineStore::setupLeaderboardTables(bool recreate)
{
    if (!state().db)
        return;
    {
        Transaction transaction;
        if (recreate) {
            exec("DROP TABLE IF EXISTS leaderboards");
            exec("DROP TABLE IF EXISTS leaderboard_aggregations");
        }
        if (!exec(kCreateLeaderboards) || !exec(kCreateAggregations)) {
            reportUnfinishedMigration("leaderboard");
            return;
        }
        exec(kIndexLeaderboards);
        exec(kIndexLeaderboardsSync);
        exec(kIndexAggregations);
        exec(kIndexAggregationChildren);
        if (!setTableVersion("leaderboards", 1) || !setTableVersion("leaderboard_aggregations", 1))
            return;
        transaction.commit();
    }

    QVLeaderboardStatements& l = leaderboardStatements();
    prepare(l.lastSyncDate, kLbLastSyncDate);
    prepare(l.setLeaderboard, kLbSet);
    prepare(l.activeVisible, kLbActiveVisible);
    prepare(l.one, kLbOne);
    prepare(l.aggregateParents, kLbAggregateParents);
    prepare(l.setAggregation, kLbSetAggregation);
}

void QVOfflineStore::setupUserTables(bool recreate)
{
    if (!state().db)
        return;
    {
        Transaction transaction;
        if (recreate)
            exec("DROP TABLE IF EXISTS users");
        if (!exec(kCreateUsers)) {
            reportUnfinishedMigration("user");
            return;
        }
        exec(kIndexUsers);
        if (!setTableVersion("users", 1))
            return;
        transaction.commit();
    }

    QVUserStatements& u = userStatements();
    prepare(u.setUser, kUserSet);
    prepare(u.getUser, kUserGet);
}

// -- statements ----------------------------------------------------------------

QVAchievementStatements& QVOfflineStore::achievementStatements() { return state().achievements; }
QVHighScoreStatements& QVOfflineStore::highScoreStatements() { return state().highScores; }
QVLeaderboardStatements& QVOfflineStore::leaderboardStatements() { return state().leaderboards; }
QVUserStatements& QVOfflineStore::userStatements() { return state().users; }

void QVOfflineStore::finalizeAchievementStatements()
{
    QVAchievementStatements& a = state().achievements;
    for (QVSqlQuery* q : { &a.setLocalProgress, &a.pendingIds, &a.progress, &a.setConfirmedProgress,
                           &a.adoptAnonymousRows, &a.setSynchDate, &a.setDefinition, &a.allDefinitions,
                           &a.oneDefinition, &a.lastSyncDate, &a.localList, &a.localOne })
        q->destroyQuery();
}

void QVOfflineStore::finalizeHighScoreStatements()
{
    QVHighScoreStatements& h = state().highScores;
    for (QVSqlQuery* q : { &h.setScore, &h.pendingScores, &h.lowestOfBest, &h.deleteBelow, &h.markOthersSynced,
                           &h.adoptAnonymousRows, &h.anonymousLeaderboards, &h.boardRules, &h.pendingOnBoard, &h.lastSyncTime,
                           &h.beginScore, &h.releaseScore, &h.rollbackScore })
        q->destroyQuery();
    for (int variant = 0; variant < 2; ++variant)
        for (QVSqlQuery* q : { &h.setHighScore[variant], &h.scoreToKeep[variant], &h.deleteScores[variant],
                               &h.bestScore[variant], &h.bestScoreOnly[variant], &h.topTen[variant] })
            q->destroyQuery();
}

void QVOfflineStore::finalizeLeaderboardStatements()
{
    QVLeaderboardStatements& l = state().leaderboards;
    for (QVSqlQuery* q : { &l.lastSyncDate, &l.setLeaderboard, &l.activeVisible, &l.one, &l.aggregateParents,
                           &l.setAggregation, &l.storeSynchronised, &l.markReached })
        q->destroyQuery();
    for (int variant = 0; variant < 2; ++variant)
        for (QVSqlQuery* q : { &l.bestScore[variant], &l.keptScores[variant], &l.dropBelowKept[variant] })
            q->destroyQuery();
}

void QVOfflineStore::finalizeUserStatements()
{
    QVUserStatements& u = state().users;
    u.setUser.destroyQuery();
    u.getUser.destroyQuery();
}

bool QVIsDecimalId(const std::string& id)
{
    if (id.empty() || id.size() > 19)
        return false;
    for (char c : id) {
        if (c < '0' || c > '9')
            return false;
    }
    errno = 0;
    std::strtoll(id.c_str(), nullptr, 10);
    return errno == 0;
}

int32_t QVStoreSeconds(double seconds)
{
    if (!(seconds == seconds))
        return 0;
    if (seconds >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (seconds <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(std::trunc(seconds));
}

} // namespace quorvel
