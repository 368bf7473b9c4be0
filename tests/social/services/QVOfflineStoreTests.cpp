// The offline store on real SQLite files: a new store, stores written by
// older versions of the client, files that cannot be used, and transactions
// whose COMMIT fails.
#include "social/services/OfflineStoreTestSupport.h"

#include <sqlite3.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <fstream>
#include <unistd.h>

using namespace quorvel;
using offline_testing::RawDatabase;

namespace {

class OfflineStoreSchemaTest : public offline_testing::OfflineStoreTest { };

std::vector<std::string> kExpectedVersions = {
    "achievement_definitions|3", "high_scores|3", "leaderboard_aggregations|1", "leaderboards|1",
    "table_versions|1", "unlocked_achievements|3", "users|1",
};

TEST_F(OfflineStoreSchemaTest, NewStoreHasEveryTableAndVersionAndASecondOpenChangesNothing)
{
    ASSERT_TRUE(openStore());
    QVOfflineStore::teardownOfflineDatabase();

    RawDatabase raw(path());
    EXPECT_EQ(raw.rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
              (std::vector<std::string> { "achievement_definitions", "high_scores", "leaderboard_aggregations",
                                          "leaderboards", "table_versions", "unlocked_achievements",
                                          "unlocked_achievements_synch_date", "users" }));
    EXPECT_EQ(raw.rows("SELECT name, version FROM table_versions ORDER BY name"), kExpectedVersions);
    EXPECT_EQ(raw.columns("unlocked_achievements"),
              (std::vector<std::string> { "user_id", "achievement_definition_id", "gamerscore", "created_at",
                                          "server_sync_at", "percent_complete" }));
    std::string schema = raw.rows("SELECT group_concat(sql, ';') FROM sqlite_master").front();

    raw.exec("INSERT INTO high_scores (user_id, leaderboard_id, score) VALUES (17, 5, 100)");
    ASSERT_TRUE(openStore());
    QVOfflineStore::teardownOfflineDatabase();
    EXPECT_EQ(raw.rows("SELECT name, version FROM table_versions ORDER BY name"), kExpectedVersions);
    EXPECT_EQ(raw.rows("SELECT group_concat(sql, ';') FROM sqlite_master").front(), schema);
    EXPECT_EQ(raw.rows("SELECT user_id, leaderboard_id, score, server_sync_at FROM high_scores"),
              (std::vector<std::string> { "17|5|100|NULL" }));
    EXPECT_EQ(log.count(platform::LogLevel::Warning) + log.count(platform::LogLevel::Error), 0u);
}

TEST_F(OfflineStoreSchemaTest, ThePlayersLastSyncTimeIsReadWithoutScanningScoresOrLeaderboards)
{
    // Read for a score of a board with other pending scores: it must not grow with the store.
    ASSERT_TRUE(openStore());
    std::string lastSync;
    for (sqlite3_stmt* s = sqlite3_next_stmt(QVOfflineStore::getOfflineDatabaseHandle(), nullptr); s;
         s = sqlite3_next_stmt(QVOfflineStore::getOfflineDatabaseHandle(), s))
        if (std::string text = sqlite3_sql(s); text.find("last_sync_unix") != std::string::npos)
            lastSync = text;
    QVOfflineStore::teardownOfflineDatabase();
    ASSERT_FALSE(lastSync.empty());
    RawDatabase raw(path());
    std::string plan;
    for (const std::string& step : raw.rows("EXPLAIN QUERY PLAN " + lastSync))
        plan += step + "\n";
    EXPECT_EQ(plan.find("SCAN high_scores"), std::string::npos) << plan;
    EXPECT_EQ(plan.find("SCAN leaderboards"), std::string::npos) << plan;
    EXPECT_NE(plan.find("high_scores"), std::string::npos) << plan;
}

TEST_F(OfflineStoreSchemaTest, StoreFromBeforeVersionRowsKeepsItsUnlocksAsPending)
{
    {
        RawDatabase raw(path());
        // The oldest layout: no version rows, no key on the unlocks, fewer definition columns.
        raw.exec("CREATE TABLE unlocked_achievements(user_id INTEGER NOT NULL,achievement_definition_id INTEGER NOT "
                 "NULL,gamerscore INTEGER DEFAULT 0,created_at INTEGER DEFAULT NULL,server_sync_at INTEGER DEFAULT "
                 "NULL)");
        raw.exec("INSERT INTO unlocked_achievements VALUES (17, 3, 10, 1000, 2000), (17, 4, 20, 1000, NULL), "
                 "(17, 3, 10, 1500, 2500)");
        raw.exec("CREATE TABLE achievement_definitions(id INTEGER NOT NULL,title TEXT DEFAULT NULL)");
        raw.exec("INSERT INTO achievement_definitions VALUES (3, 'Old')");
        raw.exec("CREATE TABLE high_scores(user_id INTEGER NOT NULL,leaderboard_id INTEGER NOT NULL,score INTEGER "
                 "DEFAULT 0,server_sync_at INTEGER DEFAULT NULL)");
        raw.exec("INSERT INTO high_scores VALUES (17, 5, 900, 3000)");
    }
    long before = static_cast<long>(std::time(nullptr));
    ASSERT_TRUE(openStore());

    // A high-score write works on the migrated table.
    {
        QVOfflineStore::Use q(QVOfflineStore::highScoreStatements().setScore);
        q->bind("user_id", "17");
        q->bind("leaderboard_id", "5");
        q->bind("score", "950");
        q->bind("display_text", "950 points");
        q->bind("custom_data", "x");
        q->bindBlob("blob", "ab", 2);
        EXPECT_EQ(q->execute(), QVSqlQuery::kDone);
    }
    QVOfflineStore::teardownOfflineDatabase();

    RawDatabase raw(path());
    auto unlocks = raw.rows("SELECT user_id, achievement_definition_id, gamerscore, percent_complete, "
                            "server_sync_at FROM unlocked_achievements ORDER BY achievement_definition_id");
    EXPECT_EQ(unlocks, (std::vector<std::string> { "17|3|0|100.0|NULL", "17|4|0|100.0|NULL" }));
    EXPECT_GE(std::stol(raw.value("SELECT MIN(created_at) FROM unlocked_achievements")), before);
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'unlocked_achievements_save'"), "0");
    // The definitions are made again, empty, with every column.
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM achievement_definitions"), "0");
    EXPECT_EQ(raw.columns("achievement_definitions").size(), 10u);
    // Every missing high-score column is added; the old rows stay.
    auto columns = raw.columns("high_scores");
    for (const char* c : { "display_text", "custom_data", "blob" })
        EXPECT_NE(std::find(columns.begin(), columns.end(), c), columns.end()) << c;
    EXPECT_EQ(raw.rows("SELECT score, display_text, server_sync_at FROM high_scores ORDER BY score"),
              (std::vector<std::string> { "900|NULL|3000", "950|950 points|NULL" }));
    EXPECT_EQ(raw.rows("SELECT name, version FROM table_versions ORDER BY name"), kExpectedVersions);
}

// A score table of the earlier layout has no key: each login kept another
// copy of the best, and copies crowded distinct scores out of the ten. It
// gains the key at open, the copies of each score merged into one row that
// waits while a copy with a blob waits (or no copy was ever sent).
TEST_F(OfflineStoreSchemaTest, AScoreTableWithoutItsKeyGainsItWithTheCopiesOfEachScoreMerged)
{
    {
        RawDatabase raw(path());
        raw.exec("CREATE TABLE high_scores(user_id INTEGER NOT NULL,leaderboard_id INTEGER NOT NULL,score INTEGER "
                 "DEFAULT 0,display_text TEXT DEFAULT NULL,custom_data TEXT DEFAULT NULL,server_sync_at INTEGER "
                 "DEFAULT NULL,blob BLOB DEFAULT NULL)");
        raw.exec("INSERT INTO high_scores VALUES (17, 5, 900, 'old', NULL, 3000, NULL), (17, 5, 900, NULL, 'c', 4000, "
                 "NULL), (17, 5, 900, 'nine', NULL, NULL, x'0102'), (17, 5, 800, NULL, NULL, NULL, NULL), (17, 5, "
                 "800, 'eight', NULL, NULL, NULL), (17, 5, 700, NULL, NULL, 3000, NULL), (17, 5, 700, NULL, NULL, "
                 "5000, NULL), (17, 6, 700, NULL, NULL, 2000, NULL)");
    }
    ASSERT_TRUE(openStore());
    QVOfflineStore::teardownOfflineDatabase();
    RawDatabase raw(path());
    EXPECT_EQ(raw.rows("SELECT leaderboard_id, score, display_text, custom_data, quote(blob), "
                       "server_sync_at FROM high_scores ORDER BY leaderboard_id, score"),
              (std::vector<std::string> { "5|700|NULL|NULL|NULL|5000", "5|800|eight|NULL|NULL|NULL",
                                          "5|900|nine|c|X'0102'|NULL", "6|700|NULL|NULL|NULL|2000" }));
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM pragma_index_list('high_scores') WHERE \"unique\" = 1"), "1");
    EXPECT_EQ(raw.rows("SELECT name, version FROM table_versions WHERE name = 'high_scores'"),
              std::vector<std::string> { "high_scores|3" });
}

TEST_F(OfflineStoreSchemaTest, VersionedTablesGainOnlyTheColumnsTheyLack)
{
    {
        RawDatabase raw(path());
        raw.exec("CREATE TABLE table_versions(name TEXT NOT NULL,version INTEGER NOT NULL,UNIQUE(name))");
        raw.exec("INSERT INTO table_versions VALUES ('table_versions', 1), ('unlocked_achievements', 2), "
                 "('achievement_definitions', 1), ('high_scores', 2)");
        raw.exec("CREATE TABLE unlocked_achievements(user_id INTEGER NOT NULL,achievement_definition_id INTEGER NOT "
                 "NULL,gamerscore INTEGER DEFAULT 0,created_at INTEGER DEFAULT NULL,server_sync_at INTEGER DEFAULT "
                 "NULL)");
        raw.exec("INSERT INTO unlocked_achievements VALUES (17, 3, 10, 1000, 2000)");
        raw.exec("CREATE TABLE achievement_definitions(id INTEGER NOT NULL,title TEXT DEFAULT NULL,description TEXT "
                 "DEFAULT NULL,gamerscore  INTEGER DEFAULT 0,is_secret INTEGER DEFAULT 0,icon_file_name TEXT "
                 "DEFAULT NULL,server_sync_at INTEGER DEFAULT NULL)");
        raw.exec("INSERT INTO achievement_definitions (id, title) VALUES (3, 'Kept')");
        raw.exec("CREATE TABLE high_scores(user_id INTEGER NOT NULL,leaderboard_id INTEGER NOT NULL,score INTEGER "
                 "DEFAULT 0,display_text TEXT DEFAULT NULL,custom_data TEXT DEFAULT NULL,server_sync_at INTEGER "
                 "DEFAULT NULL,UNIQUE(leaderboard_id, user_id, score))");
        raw.exec("INSERT INTO high_scores VALUES (17, 5, 900, 'nine hundred', 'c', 3000)");
    }
    ASSERT_TRUE(openStore());
    QVOfflineStore::teardownOfflineDatabase();

    RawDatabase raw(path());
    // Version 2 of the unlocks keeps its rows (only version 1 goes through the save table).
    EXPECT_EQ(raw.rows("SELECT achievement_definition_id, gamerscore, percent_complete, server_sync_at FROM "
                       "unlocked_achievements"),
              (std::vector<std::string> { "3|10|100.0|2000" }));
    EXPECT_EQ(raw.rows("SELECT id, title, position, start_version FROM achievement_definitions"),
              (std::vector<std::string> { "3|Kept|0|NULL" }));
    EXPECT_EQ(raw.columns("high_scores").back(), "blob");
    EXPECT_EQ(raw.rows("SELECT score, display_text, custom_data, server_sync_at, blob FROM high_scores"),
              (std::vector<std::string> { "900|nine hundred|c|3000|NULL" }));
    EXPECT_EQ(raw.rows("SELECT name, version FROM table_versions ORDER BY name"), kExpectedVersions);
    // Written with a rollback journal, the store now commits through a log.
    EXPECT_EQ(raw.value("PRAGMA journal_mode"), "wal");
}

TEST_F(OfflineStoreSchemaTest, AMigrationThatCannotSaveTheOldUnlocksLeavesEverythingAsItWas)
{
    {
        RawDatabase raw(path());
        raw.exec("CREATE TABLE unlocked_achievements(user_id INTEGER NOT NULL,achievement_definition_id INTEGER NOT "
                 "NULL,gamerscore INTEGER DEFAULT 0,created_at INTEGER DEFAULT NULL,server_sync_at INTEGER DEFAULT "
                 "NULL)");
        raw.exec("INSERT INTO unlocked_achievements VALUES (17, 3, 10, 1000, 2000)");
        // Something of that name that is not a table: the save table cannot be made.
        raw.exec("CREATE VIEW unlocked_achievements_save AS SELECT 1");
    }
    ASSERT_TRUE(openStore());
    QVOfflineStore::teardownOfflineDatabase();
    EXPECT_TRUE(log.contains("cannot be saved"));

    RawDatabase raw(path());
    EXPECT_EQ(raw.rows("SELECT * FROM unlocked_achievements"), (std::vector<std::string> { "17|3|10|1000|2000" }));
    EXPECT_EQ(raw.value("SELECT version FROM table_versions WHERE name = 'unlocked_achievements'"), "1");
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM table_versions WHERE name = 'achievement_definitions'"), "0");
    // The other tables were still built.
    EXPECT_EQ(raw.value("SELECT version FROM table_versions WHERE name = 'leaderboards'"), "1");
}

// Refuses every ALTER TABLE on the connection: a store that cannot take the
// migration's new columns, while everything else still works.
int refuseAlter(void*, int action, const char*, const char*, const char*, const char*)
{
    return action == SQLITE_ALTER_TABLE ? SQLITE_DENY : SQLITE_OK;
}

TEST_F(OfflineStoreSchemaTest, AColumnThatCannotBeAddedLeavesTheVersionAndIsAddedAtTheNextStart)
{
    {
        RawDatabase raw(path());
        raw.exec("CREATE TABLE table_versions(name TEXT NOT NULL,version INTEGER NOT NULL,UNIQUE(name))");
        raw.exec("INSERT INTO table_versions VALUES ('table_versions', 1), ('unlocked_achievements', 3), "
                 "('achievement_definitions', 3), ('high_scores', 2)");
        raw.exec("CREATE TABLE high_scores(user_id INTEGER NOT NULL,leaderboard_id INTEGER NOT NULL,score INTEGER "
                 "DEFAULT 0,display_text TEXT DEFAULT NULL,custom_data TEXT DEFAULT NULL,server_sync_at INTEGER "
                 "DEFAULT NULL,UNIQUE(leaderboard_id, user_id, score))");
        raw.exec("INSERT INTO high_scores VALUES (17, 5, 900, 'nine hundred', 'c', 3000)");
    }
    ASSERT_TRUE(QVOfflineStore::openDatabaseAtPath(path()));
    sqlite3_set_authorizer(QVOfflineStore::getOfflineDatabaseHandle(), refuseAlter, nullptr);
    QVOfflineStore::setupOfflineSupport();
    QVOfflineStore::teardownOfflineDatabase();
    EXPECT_TRUE(log.contains("the high score tables cannot be brought up to date"));
    {
        RawDatabase raw(path());
        EXPECT_EQ(raw.value("SELECT version FROM table_versions WHERE name = 'high_scores'"), "2");
        EXPECT_EQ(raw.columns("high_scores").back(), "server_sync_at");
        // A group that needed no new column was still built.
        EXPECT_EQ(raw.value("SELECT version FROM table_versions WHERE name = 'leaderboards'"), "1");
    }

    // The next start may alter the table: the step runs again.
    ASSERT_TRUE(openStore());
    QVOfflineStore::teardownOfflineDatabase();
    RawDatabase raw(path());
    EXPECT_EQ(raw.columns("high_scores").back(), "blob");
    EXPECT_EQ(raw.rows("SELECT score, display_text, custom_data, server_sync_at, blob FROM high_scores"),
              (std::vector<std::string> { "900|nine hundred|c|3000|NULL" }));
    EXPECT_EQ(raw.rows("SELECT name, version FROM table_versions ORDER BY name"), kExpectedVersions);
}

TEST_F(OfflineStoreSchemaTest, RecreatingATableGroupLeavesEveryTableAndColumn)
{
    ASSERT_TRUE(openStore());
    QVOfflineStore::exec("INSERT INTO achievement_definitions (id) VALUES (3)");
    QVOfflineStore::exec("INSERT INTO leaderboards (id) VALUES (5)");
    QVOfflineStore::setupAchievementTables(true);
    QVOfflineStore::setupLeaderboardTables(true);
    QVOfflineStore::setupHighScoreTables(true);
    QVOfflineStore::setupUserTables(true);
    EXPECT_TRUE(QVOfflineStore::columnExists("unlocked_achievements", "percent_complete"));
    EXPECT_TRUE(QVOfflineStore::columnExists("achievement_definitions", "position"));
    EXPECT_TRUE(QVOfflineStore::tableExists("leaderboard_aggregations"));
    QVOfflineStore::teardownOfflineDatabase();

    RawDatabase raw(path());
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM achievement_definitions"), "0");
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM leaderboards"), "0");
    EXPECT_EQ(raw.rows("SELECT name, version FROM table_versions ORDER BY name"), kExpectedVersions);
}

class OfflineStoreFileTest : public offline_testing::OfflineStoreTest {
protected:
    // The store was not opened: every operation fails softly and nothing was written.
    void expectRunsWithoutStore()
    {
        EXPECT_FALSE(QVOfflineStore::isOpen());
        EXPECT_FALSE(QVOfflineStore::lastOpenError().empty());
        QVOfflineStore::setupOfflineSupport();
        EXPECT_EQ(QVOfflineStore::getTableVersion("users"), 0);
        EXPECT_FALSE(QVOfflineStore::setTableVersion("users", 1));
        QVOfflineStore::Use q(QVOfflineStore::userStatements().getUser);
        q->bind("id", "17");
        EXPECT_FALSE(q->step());
        EXPECT_NE(q->lastStepResult(), QVSqlQuery::kDone);
        EXPECT_FALSE(QVOfflineStore::Transaction().commit());
        EXPECT_EQ(log.count(platform::LogLevel::Error), 1u);
        EXPECT_TRUE(log.contains("cannot be used"));
    }
};

// A store with a player's scores in it, ten pages and more.
std::string storeWithScores(const std::string& path)
{
    RawDatabase raw(path);
    raw.exec("CREATE TABLE high_scores(user_id INTEGER, leaderboard_id INTEGER, score INTEGER, display_text TEXT)");
    for (int i = 0; i < 50; ++i)
        raw.exec("INSERT INTO high_scores VALUES (7, 5, " + std::to_string(i) + ", printf('%.2000c', 'p'))");
    return testing_support::readFile(path);
}

// Each way a store's file gets damaged (cut short, written over, a page of
// it zeroed): the file is kept beside the store, named in the log, and a new
// store takes its place, once; the next writes are kept in it.
TEST_F(OfflineStoreFileTest, ADamagedStoreIsKeptAsideNamedInTheLogAndANewOneIsMade)
{
    struct Damage {
        const char* name;
        std::function<std::string(const std::string& bytes)> apply;
    };
    const std::vector<Damage> damages {
        { "cut", [](const std::string& b) { return b.substr(0, b.size() / 2); } },
        { "overwritten", [](const std::string& b) { return std::string(b.size(), 'x'); } },
        { "first page zeroed", [](const std::string& b) { return std::string(4096, '\0') + b.substr(4096); } },
        { "a later page zeroed",
          [](const std::string& b) { return b.substr(0, 8192) + std::string(4096, '\0') + b.substr(12288); } },
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        QVOfflineStore::teardownOfflineDatabase();
        for (const char* suffix : { "", ".damaged" })
            std::remove((path() + suffix).c_str());
        const std::string damaged = damage.apply(storeWithScores(path()));
        dir.write(QVOfflineStore::kFileName, damaged);
        log.clear();

        ASSERT_TRUE(openStore());
        EXPECT_EQ(testing_support::readFile(path() + ".damaged"), damaged) << "kept as it was, for a look into it";
        EXPECT_EQ(log.count(platform::LogLevel::Error), 1u);
        EXPECT_TRUE(log.contains("cannot be used")) << testing::PrintToString(log.texts());
        EXPECT_TRUE(log.contains("it is kept as \"" + path() + ".damaged\" and a new store is made"))
            << testing::PrintToString(log.texts());
        EXPECT_EQ(QVOfflineStore::getTableVersion("high_scores"), 3);
        EXPECT_TRUE(QVOfflineStore::exec("INSERT INTO users (id, name) VALUES (17, 'Ann')"));
    }
    // A later damaged store does not take an earlier one's place beside it,
    // numbered past the newest (past 999 too); the newest three are kept, and
    // the log names those removed.
    struct Later {
        char fill;
        const char* kept;
        std::vector<const char*> removed, left;
    } later[] = {
        { 'y', ".damaged-2", {}, { ".damaged" } },
        { 'z', ".damaged-3", {}, { ".damaged", ".damaged-2" } },
        { 'w', ".damaged-4", { ".damaged" }, { ".damaged-2", ".damaged-3" } },
        { 'v', ".damaged-1000", { ".damaged-2", ".damaged-3" }, { ".damaged-4", ".damaged-999" } },
    };
    for (const Later& step : later) {
        SCOPED_TRACE(step.kept);
        if (step.fill == 'v')
            dir.write(std::string(QVOfflineStore::kFileName) + ".damaged-999", "kept by an older client");
        QVOfflineStore::teardownOfflineDatabase();
        dir.write(QVOfflineStore::kFileName, std::string(8192, step.fill));
        log.clear();
        ASSERT_TRUE(openStore());
        EXPECT_EQ(testing_support::readFile(path() + step.kept), std::string(8192, step.fill));
        std::string removed;
        for (const char* gone : step.removed) {
            EXPECT_FALSE(std::filesystem::exists(path() + gone)) << gone;
            removed += std::string(removed.empty() ? "" : ", ") + "\"" + path() + gone + "\"";
        }
        for (const char* left : step.left)
            EXPECT_TRUE(std::filesystem::exists(path() + left)) << left;
        EXPECT_EQ(log.contains("older one(s) removed: " + removed), !step.removed.empty())
            << testing::PrintToString(log.texts());
    }
}

// A store with a damaged page gives up nothing it can still read: the new
// store made in its place takes every row the damaged one reads, table by
// table (its indexes are built again first, which mends a store whose damage
// they alone hold), and the log says how many came across. Damaged in an
// index alone, every score waiting to be sent still waits; damaged in a
// table's root, the other tables' rows come across; damaged in a page amid
// a table's rows, the rows on either side of it come across.
TEST_F(OfflineStoreFileTest, ADamagedStoreGivesUpNothingItCanStillRead)
{
    // Each score's text starts with its own mark ("s0007"), which finds the page it is on.
    auto storeWithWaitingScores = [&](int scores) {
        QVOfflineStore::teardownOfflineDatabase();
        for (const char* suffix : { "", ".damaged", "-wal", "-shm" })
            std::remove((path() + suffix).c_str());
        ASSERT_TRUE(openStore());
        EXPECT_TRUE(QVOfflineStore::exec("INSERT INTO leaderboards (id, name) VALUES (5, 'Laps')"));
        QVOfflineStore::Transaction all;
        for (int score = 1; score <= scores; ++score)
            EXPECT_TRUE(QVOfflineStore::exec(("INSERT INTO high_scores (user_id, leaderboard_id, score, display_text) "
                                              "VALUES (7, 5, " + std::to_string(score) + ", printf('s%04d%.295c', " +
                                              std::to_string(score) + ", 'x'))")
                                                 .c_str()));
        EXPECT_TRUE(all.commit());
        QVOfflineStore::teardownOfflineDatabase();
    };
    auto writeOverRootOf = [&](const std::string& name) {
        const int page = std::stoi(
            RawDatabase(path()).value("SELECT rootpage FROM sqlite_master WHERE name = '" + name + "'"));
        std::string bytes = testing_support::readFile(path());
        bytes.replace(static_cast<size_t>(page - 1) * 4096, 4096, std::string(4096, '\x7f'));
        dir.write(QVOfflineStore::kFileName, bytes);
    };

    storeWithWaitingScores(40);
    writeOverRootOf("sqlite_autoindex_high_scores_1");
    log.clear();
    ASSERT_TRUE(openStore());
    EXPECT_TRUE(log.contains("btreeInitPage() returns error code 11")) << testing::PrintToString(log.texts());
    EXPECT_TRUE(log.contains("it is kept as \"" + path() + ".damaged\" and a new store is made, with the 41 row(s) "
                             "it could still read"))
        << testing::PrintToString(log.texts());
    EXPECT_EQ(RawDatabase(path()).value("PRAGMA quick_check"), "ok");
    EXPECT_EQ(RawDatabase(path()).value("SELECT COUNT(*) FROM high_scores WHERE server_sync_at IS NULL AND "
                                        "length(display_text) = 300"),
              "40");
    EXPECT_EQ(QVOfflineStore::getTableVersion("high_scores"), 3);
    EXPECT_EQ(log.count(platform::LogLevel::Error), 1u);

    storeWithWaitingScores(40);
    writeOverRootOf("high_scores");
    log.clear();
    ASSERT_TRUE(openStore());
    EXPECT_TRUE(log.contains("a new store is made, with the 1 row(s) it could still read"))
        << testing::PrintToString(log.texts());
    EXPECT_EQ(RawDatabase(path()).value("SELECT name FROM leaderboards"), "Laps");
    EXPECT_TRUE(QVOfflineStore::exec("INSERT INTO high_scores (user_id, leaderboard_id, score) VALUES (7, 5, 41)"));

    // 400 scores on some 34 pages; the page of score 280 written over.
    storeWithWaitingScores(400);
    std::string bytes = testing_support::readFile(path());
    const size_t mark = bytes.find("s0280x");
    ASSERT_NE(mark, std::string::npos);
    const size_t page = mark / 4096 * 4096;
    std::vector<std::string> readable;
    for (int score = 1; score <= 400; ++score) {
        char own[8];
        std::snprintf(own, sizeof own, "s%04dx", score);
        const size_t at = bytes.find(own);
        ASSERT_NE(at, std::string::npos);
        if (at < page || at >= page + 4096)
            readable.push_back(std::to_string(score));
    }
    ASSERT_GT(readable.size(), 360u);
    ASSERT_LT(readable.size(), 396u);
    bytes.replace(page, 4096, std::string(4096, '\x7f'));
    dir.write(QVOfflineStore::kFileName, bytes);
    log.clear();
    ASSERT_TRUE(openStore());
    EXPECT_TRUE(log.contains("a new store is made, with the " + std::to_string(readable.size() + 1) +
                             " row(s) it could still read"))
        << testing::PrintToString(log.texts());
    EXPECT_EQ(RawDatabase(path()).rows("SELECT score FROM high_scores WHERE server_sync_at IS NULL AND "
                                       "length(display_text) = 300 ORDER BY score"),
              readable);
    EXPECT_EQ(RawDatabase(path()).value("SELECT name FROM leaderboards"), "Laps");
}

// A store emptied to nothing opens as a new store, as the first launch's
// does, but what it held is gone: the log says so.
TEST_F(OfflineStoreFileTest, AnEmptiedStoreIsNamedInTheLog)
{
    dir.write(QVOfflineStore::kFileName, "");
    ASSERT_TRUE(openStore());
    EXPECT_TRUE(log.contains("\"" + path() + "\" was an empty file: whatever it kept is gone"))
        << testing::PrintToString(log.texts());
    QVOfflineStore::teardownOfflineDatabase();
    log.clear();
    ASSERT_TRUE(openStore());
    EXPECT_TRUE(log.texts().empty()) << "a store the client made is never empty";
}

TEST_F(OfflineStoreFileTest, AReadOnlyStoreIsReportedOnce)
{
    ASSERT_TRUE(openStore());
    QVOfflineStore::teardownOfflineDatabase();
    EXPECT_FALSE(QVOfflineStore::openDatabaseAtPath(path(), true));
    expectRunsWithoutStore();
}

class OfflineTransactionTest : public offline_testing::OfflineStoreTest {
protected:
    // After a commit that failed: no transaction is left open, nothing of it
    // was kept, and the next transaction starts cleanly and commits.
    void expectTheFailedCommitLeftNoTrace(RawDatabase& reader)
    {
        EXPECT_TRUE(sqlite3_get_autocommit(QVOfflineStore::getOfflineDatabaseHandle()));
        EXPECT_EQ(reader.value("SELECT COUNT(*) FROM users"), "0");

        QVOfflineStore::Transaction again;
        EXPECT_TRUE(QVOfflineStore::exec("INSERT INTO users (id, name) VALUES (18, 'Bo')"));
        EXPECT_TRUE(again.commit());
        EXPECT_EQ(reader.value("SELECT name FROM users"), "Bo");
    }
};

TEST_F(OfflineTransactionTest, ACommitWhoseSyncFailsKeepsNothingAndLeavesNoTransactionOpen)
{
    ASSERT_TRUE(openStore());
    RawDatabase reader(path());
    {
        QVOfflineStore::Transaction t;
        ASSERT_TRUE(t.isActive());
        EXPECT_TRUE(QVOfflineStore::exec("INSERT INTO users (id, name) VALUES (17, 'Ann')"));
        syncs.failSyncs(true);
        EXPECT_FALSE(t.commit());
        syncs.failSyncs(false);
    }
    expectTheFailedCommitLeftNoTrace(reader);
}

TEST_F(OfflineTransactionTest, AFailedCommitRollsBackAndLeavesNoTransactionOpen)
{
    ASSERT_TRUE(openStore());
    // A store that cannot keep a write-ahead log (a file system without
    // shared memory) commits through a rollback journal, where a reader in the
    // middle of a read keeps the writer from committing.
    ASSERT_TRUE(QVOfflineStore::exec("PRAGMA journal_mode=DELETE"));
    RawDatabase reader(path());
    reader.exec("BEGIN");
    reader.rows("SELECT * FROM users");
    {
        QVOfflineStore::Transaction t;
        ASSERT_TRUE(t.isActive());
        EXPECT_TRUE(QVOfflineStore::exec("INSERT INTO users (id, name) VALUES (17, 'Ann')"));
        EXPECT_FALSE(t.commit());
    }
    reader.exec("COMMIT");
    expectTheFailedCommitLeftNoTrace(reader);
}

TEST_F(OfflineTransactionTest, ANestedTransactionRollsBackOnlyItsOwnChanges)
{
    ASSERT_TRUE(openStore());
    QVOfflineStore::Transaction outer;
    QVOfflineStore::exec("INSERT INTO users (id) VALUES (1)");
    {
        QVOfflineStore::Transaction inner;
        QVOfflineStore::exec("INSERT INTO users (id) VALUES (2)");
    }
    EXPECT_TRUE(outer.commit());
    RawDatabase raw(path());
    EXPECT_EQ(raw.rows("SELECT id FROM users"), (std::vector<std::string> { "1" }));
}

TEST(OfflineIdTest, OnlyDecimalIdsThatFitAreAccepted)
{
    EXPECT_TRUE(QVIsDecimalId("0"));
    EXPECT_TRUE(QVIsDecimalId("9223372036854775807"));
    for (const char* bad : { "", "-1", "12a", " 12", "1.5", "5; DROP TABLE users", "9223372036854775808" })
        EXPECT_FALSE(QVIsDecimalId(bad)) << bad;
}

} // namespace
