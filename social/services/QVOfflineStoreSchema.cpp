// The offline store's schema: the text of every table and statement, the
// version rows, the set-up and migration of each table group, and the
// prepared statements each group keeps until its owner finalises them.
#include "social/services/QVOfflineStoreState.h"

#include "platform/foundation/Log.h"

#include <sqlite3.h>

namespace quorvel {

using offline_store::prepare;
using offline_store::State;
using offline_store::state;

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
// A waiting row with a blob is left to its own upload: its batch may have
// reached the service (the answer lost, or the upload failed), whose row then
// lacks the blob until it goes again, better score or not.
constexpr const char* kHsMarkOthersSynced =
    "UPDATE high_scores SET server_sync_at = :server_sync_at WHERE user_id = :user_id AND leaderboard_id = "
    ":leaderboard_id AND score != :score AND server_sync_at IS NULL AND blob IS NULL";
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

} // namespace

void offline_store::finalizeVersionStatements()
{
    state().getVersion.destroyQuery();
    state().setVersion.destroyQuery();
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
} // namespace quorvel
