// QVOfflineStore: the client's offline database, the SQLite file
// "quorvel_offline" in the Documents directory. It keeps achievements, high
// scores, leaderboard definitions and the players who logged in on this
// device, so the game can work while the service cannot be reached and send
// what it stored once the player is online again.
//
// The store owns the one connection (main thread only), the schema with its
// version rows and migrations, and the prepared statements of every table,
// grouped by the service that uses them. Each table group is set up (created
// or migrated) inside one transaction; its version rows are written after its
// data, and a table or column that cannot be made stops the group (logged as
// an error), so a failed migration leaves the old tables and versions to be
// tried again at the next start.
//
// Commits go through a write-ahead log synced once per commit (the files
// "quorvel_offline-wal" and "-shm" sit beside the store while it is open).
//
// A store file that SQLite cannot read (not a database, damaged) is moved
// aside when it is opened, kept beside the store as "quorvel_offline.damaged"
// (".damaged-2" and on when one is there already) and named in the log. A
// store damaged in its indexes alone has them built again and is used; else a
// new store is made in its place, once, with every row the damaged one still
// reads (the log says how many); an emptied (0-byte) file is named in the log
// too, since what it kept is gone. A file that still cannot be used
// (read-only, or no new one can be made) is reported once; the client then
// runs without a store: there is no handle, every statement fails, writes
// answer false and reads find nothing.
//
// Statement use: take a QVOfflineStore::Use on the statement for the length
// of one operation; it clears the old bindings first and resets the
// statement when the operation returns. Copy text and blob columns out before
// the next step.
#pragma once

#include "social/runtime/QVSqlQuery.h"

#include <cstdint>
#include <optional>
#include <string>

struct sqlite3;

namespace quorvel {

// The statements of the achievement tables (unlocked_achievements, its
// per-user synch date, achievement_definitions).
struct QVAchievementStatements {
    QVSqlQuery setLocalProgress;      // :achievement_definition_id, :user_id, :percent_complete
    QVSqlQuery pendingIds;            // :user_id -> achievement_definition_id
    QVSqlQuery progress;              // :user_id, :achievement_definition_id -> percent_complete
    QVSqlQuery setConfirmedProgress;  // :user_id, :achievement_definition_id, :gamerscore, :percent_complete, :server_sync_at
    QVSqlQuery adoptAnonymousRows;    // :user_id
    QVSqlQuery setSynchDate;          // :user_id
    QVSqlQuery setDefinition;         // :id, :title, ... :end_version
    QVSqlQuery allDefinitions;        // ordered by position
    QVSqlQuery oneDefinition;         // :id
    QVSqlQuery lastSyncDate;          // :user_id -> last_sync_date
    QVSqlQuery localList;             // :app_version, :user_id
    QVSqlQuery localOne;              // :app_version, :achievement_id, :user_id
};

// The statements of high_scores prepared at set-up.
struct QVHighScoreStatements {
    QVSqlQuery setScore;              // REPLACE with every column
    QVSqlQuery pendingScores;         // :user_id
    QVSqlQuery lowestOfBest;          // :user_id, :leaderboard_id, :max_scores -> score
    QVSqlQuery deleteBelow;           // :user_id, :leaderboard_id, :score
    QVSqlQuery markOthersSynced;      // :server_sync_at, :user_id, :leaderboard_id, :score
    QVSqlQuery adoptAnonymousRows;    // :user_id
    QVSqlQuery anonymousLeaderboards; // -> leaderboard_id
    // Built by the high-score service from its text pieces, one statement
    // per variant, each prepared at its first use and kept; finalised here
    // with the others. [0] is "INSERT OR IGNORE" / ascending, [1] "REPLACE" /
    // descending.
    QVSqlQuery setHighScore[2];
    QVSqlQuery scoreToKeep[2];
    QVSqlQuery deleteScores[2];
    QVSqlQuery bestScore[2];          // LIMIT 1
    QVSqlQuery bestScoreOnly[2];      // LIMIT 1, the score column alone (read from the index)
    QVSqlQuery topTen[2];             // LIMIT 10
    QVSqlQuery boardRules;            // :id -> the board's flags and whether it has aggregate parents
    QVSqlQuery pendingOnBoard;        // :user_id, :leaderboard_id -> score of each row still to send
    QVSqlQuery lastSyncTime;          // :user_id -> last_sync_unix, as the leaderboards' sync-date statement
    // The savepoint each score's writes run in.
    QVSqlQuery beginScore;
    QVSqlQuery releaseScore;
    QVSqlQuery rollbackScore;
};

// The statements of leaderboards and leaderboard_aggregations.
struct QVLeaderboardStatements {
    QVSqlQuery lastSyncDate;          // :user_id -> last_sync_date, last_sync_unix
    QVSqlQuery setLeaderboard;
    QVSqlQuery activeVisible;         // :app_version
    QVSqlQuery one;                   // :id
    QVSqlQuery aggregateParents;      // :leaderboard_pushing_changes_id -> aggregate_leaderboard_id
    QVSqlQuery setAggregation;
    // The player's bests that a definition list carries, on high_scores:
    // each prepared at its first use and kept. [0] ascending, [1] descending.
    QVSqlQuery bestScore[2];          // :leaderboard_id, :user_id -> score
    QVSqlQuery keptScores[2];         // :user_id, :leaderboard_id -> keep_score, high_score of the ten best
    QVSqlQuery dropBelowKept[2];      // :user_id, :leaderboard_id, :score
    QVSqlQuery storeSynchronised;     // :user_id, :leaderboard_id, :score, :display_text, :custom_data, :server_sync_at
    QVSqlQuery markReached;           // :server_sync_at, :user_id, :leaderboard_id, :score
};

// The statements of users.
struct QVUserStatements {
    QVSqlQuery setUser;               // :id, :name, :profile_picture_url
    QVSqlQuery getUser;               // :id
};

class QVOfflineStore {
public:
    static constexpr const char* kFileName = "quorvel_offline";
    // Damaged stores kept beside the store ("quorvel_offline.damaged",
    // ".damaged-N" after it, with their logs): the newest so many, the older
    // ones removed and named in the log.
    static constexpr size_t kKeptDamagedCopies = 3;

    // Opens the store in the Documents directory, a damaged one moved aside
    // for a new one. False when it cannot be used: the failure is logged once
    // and there is no handle.
    static bool setupOfflineDatabase();
    // The same for a file of the caller's choice; `readOnly` opens it as a
    // write-protected file would open.
    static bool openDatabaseAtPath(const std::string& path, bool readOnly = false);
    // Finalises every statement, then closes the connection. Safe to repeat.
    static void teardownOfflineDatabase();
    // Whether the open store's file was removed (or moved) since it was
    // opened, a player clearing the game's data: writes would go into the
    // removed file and be lost. Asked outside transactions only (false inside).
    static bool wasRemoved();
    // The same at the cost a write can afford: looked at (the file's link
    // count, asked of a descriptor held open, and whether the path still
    // leads to the file) at the first call of each turn of the main loop
    // only, which `firstLookOfTurn` tells; later calls of the turn answer
    // false, and the caller looks again once the turn ends (every call on
    // another thread looks).
    static bool wasRemovedThisTurn(bool* firstLookOfTurn = nullptr);
    // Makes the store again at the open store's path, with what the open
    // store holds (its removed file stays readable while it is open): the
    // new file gets a copy of it. A store someone put at the path instead is
    // taken as it is; a file there that is no store the client can use is
    // kept aside, as a damaged store is. Said in the log. False when no copy
    // can be made there (no file opens at the path, the disk refuses the
    // copy): the open store, removed, stays in use with all it kept, what the
    // attempt left at the path goes, and a later call tries again.
    static bool reopen();
    // The open connection, or null.
    static sqlite3* getOfflineDatabaseHandle();
    // Goes up at every open: work spread over turns tells by it whether the
    // store it began with is still the one open.
    static uint64_t generation();
    static bool isOpen() { return getOfflineDatabaseHandle() != nullptr; }
    // Why the last open failed ("" after a good open).
    static const std::string& lastOpenError();

    // The version row of a table: 0 when there is none.
    static int getTableVersion(const std::string& name);
    // Writes the version row; true when the statement ran to its end.
    static bool setTableVersion(const std::string& name, int version);

    // Builds the whole store: the version table, then each table group.
    static void setupOfflineSupport();
    // Each table group: drops its tables first when `recreate` is set, then
    // creates or migrates them, writes their versions and prepares their
    // statements.
    static void setupAchievementTables(bool recreate);
    static void setupHighScoreTables(bool recreate);
    static void setupLeaderboardTables(bool recreate);
    static void setupUserTables(bool recreate);

    static QVAchievementStatements& achievementStatements();
    static QVHighScoreStatements& highScoreStatements();
    static QVLeaderboardStatements& leaderboardStatements();
    static QVUserStatements& userStatements();
    // Each group's statements are finalised by its owner's release (or at close).
    static void finalizeAchievementStatements();
    static void finalizeHighScoreStatements();
    static void finalizeLeaderboardStatements();
    static void finalizeUserStatements();

    // Runs one SQL text to its end; false on any error (logged as a warning
    // when `quiet` is not set).
    static bool exec(const char* sql, bool quiet = false);
    static bool tableExists(const std::string& table);
    static bool columnExists(const std::string& table, const std::string& column);

    // One operation on a shared statement: clears the old bindings at the
    // start, resets the statement at the end.
    class Use {
    public:
        explicit Use(QVSqlQuery& query) : query_(query)
        {
            query_.resetQuery();
            query_.clearBindings();
        }
        ~Use() { query_.resetQuery(); }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        QVSqlQuery* operator->() const { return &query_; }
        QVSqlQuery& operator*() const { return query_; }

    private:
        QVSqlQuery& query_;
    };

    // A transaction for the length of a scope: "BEGIN TRANSACTION" (a
    // savepoint when one is already open); commit() answers whether the
    // changes were kept — a COMMIT that fails is rolled back. Leaving the
    // scope without commit() rolls back.
    class Transaction {
    public:
        Transaction();
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        bool isActive() const { return active_; }
        bool commit();
        void rollback();

    private:
        bool active_ { false };
        bool nested_ { false };
        std::string savepoint_;
    };
};

// True for a non-empty run of decimal digits that fits a signed 64-bit
// integer: the form of every id the store keeps.
bool QVIsDecimalId(const std::string& id);

// Seconds since 1970 as the store keeps them: cut to a signed 32-bit number.
// NaN is 0; values out of range stop at the nearest bound.
int32_t QVStoreSeconds(double seconds);

} // namespace quorvel
