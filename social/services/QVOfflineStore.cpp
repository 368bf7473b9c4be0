// The offline database's connection: opening the file, closing it, watching
// it while the game runs (removed, moved, replaced), the transactions and the
// SQL run once. The schema and the statements are QVOfflineStoreSchema.cpp.
// See QVOfflineStore.h for the rules every operation follows.
#include "social/services/QVOfflineStore.h"
#include "social/services/QVOfflineStoreState.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Text.h"
#include "social/runtime/QVDocumentsPath.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <map>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

using offline_store::State;
using offline_store::state;

offline_store::State& offline_store::state()
{
    static State s;
    return s;
}

void offline_store::prepare(QVSqlQuery& query, const char* sql) { query.reset(state().db, sql); }

namespace {

// Why a store that opened cannot be used ("" when it can): not a database,
// damaged or read-only. `damaged` tells the first two, which no later start
// mends, from a file that is only locked or write-protected.
std::string checkUsable(sqlite3* db, bool& damaged)
{
    damaged = false;
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
        if (text != "ok") {
            problem = "the file is damaged: " + text;
            damaged = true;
        }
    } else {
        problem = sqlite3_errmsg(db);
        const int code = sqlite3_extended_errcode(db) & 0xff;
        damaged = code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
    }
    sqlite3_finalize(check);
    return problem;
}

// The journal mode a connection is in after `pragma` (which sets it), in lower case.
std::string journalModeAfter(sqlite3* db, const char* pragma)
{
    std::string mode;
    sqlite3_exec(
        db, pragma,
        [](void* into, int, char** values, char**) {
            *static_cast<std::string*>(into) = values[0] ? values[0] : "";
            return 0;
        },
        &mode, nullptr);
    return platform::asciiLowercased(mode);
}

// Commits go to a write-ahead log that is synced once per commit: a score the
// caller was told is kept survives a crash or a power cut at the cost of one
// sync, where a rollback journal makes, syncs and deletes a file for every
// commit. The mode is kept in the file; SQLite folds the log back into it at
// checkpoints and when the last connection closes, so any SQLite reader of
// the file (a later start, a migration, a test) sees the same database.
void keepCommitsInLog(sqlite3* db, const std::string& path)
{
    if (journalModeAfter(db, "PRAGMA journal_mode=WAL") != "wal")
        platform::logWarning("Quorvel: the offline store \"%s\" cannot keep a write-ahead log; every write syncs "
                             "a rollback journal instead",
                             path.c_str());
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
}

// What SQLite's "unable to open" leaves out: a path longer than it opens,
// or a folder the client cannot write (a read-only home). "" when neither.
std::string whyNotOpened(const std::string& path, bool readOnly)
{
    // SQLite opens paths shorter than 512 bytes, its log's and journal's names included.
    constexpr size_t kLongestPath = 512 - sizeof("-journal");
    if (path.size() > kLongestPath)
        return ": its path is " + std::to_string(path.size()) + " bytes, more than the " +
            std::to_string(kLongestPath) + " SQLite opens";
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!readOnly && ::access(folder.c_str(), W_OK) != 0)
        return ": its folder \"" + folder + "\" cannot be written (" + std::strerror(errno) + ")";
    return {};
}

// A connection to the file at `path`, or null with `error` saying why (and
// `damaged` set when the file is no store SQLite can read).
sqlite3* openConnection(const std::string& path, bool readOnly, std::string& error, bool& damaged)
{
    error.clear();
    damaged = false;
    sqlite3* db = nullptr;
    // The connection is the main thread's alone: SQLite need not lock it for every call.
    int flags = (readOnly ? SQLITE_OPEN_READONLY : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK)
        error = std::string(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) + whyNotOpened(path, readOnly);
    else
        error = checkUsable(db, damaged);
    if (error.empty())
        return db;
    // SQLite hands back a handle even when the open fails; it must still be closed.
    sqlite3_close(db);
    return nullptr;
}

void reportUnusable(const std::string& path, const std::string& error)
{
    platform::logError("Quorvel: the offline store \"%s\" cannot be used (%s); the client runs without it",
                       path.c_str(), error.c_str());
}

// A file at the store's path that holds nothing (0 bytes) was a store whose
// contents went (a store made by the client is never left empty): said, since
// what it held is gone and a new store starts in it.
void sayIfEmptied(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        platform::logWarning("Quorvel: the offline store \"%s\" was an empty file: whatever it kept is gone; a new "
                             "store is made in it",
                             path.c_str());
}

// The number of a damaged copy kept beside the store `storeName`: 1 for
// ".damaged", N for ".damaged-N"; 0 for any other file (a copy's log among them).
uint64_t damagedCopyNumber(const std::string& file, const std::string& storeName)
{
    const std::string prefix = storeName + ".damaged";
    if (file.compare(0, prefix.size(), prefix) != 0)
        return 0;
    const std::string rest = file.substr(prefix.size());
    if (rest.empty())
        return 1;
    if (rest.size() < 2 || rest.size() > 18 || rest[0] != '-'
        || !std::all_of(rest.begin() + 1, rest.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::strtoull(rest.c_str() + 1, nullptr, 10);
}

// The damaged copies beside the store at `path`, by number (the newest last).
std::map<uint64_t, std::filesystem::path> damagedCopies(const std::string& path)
{
    std::map<uint64_t, std::filesystem::path> copies;
    const std::filesystem::path store(path);
    const std::filesystem::path folder = store.has_parent_path() ? store.parent_path() : ".";
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (const uint64_t n = damagedCopyNumber(it->path().filename().string(), store.filename().string()))
            copies.emplace(n, it->path());
    return copies;
}

// Moves a damaged store (and its write-ahead log, which belongs to it alone)
// aside, beside it, numbered after the newest copy there, so that no copy
// takes another's place; its shared-memory index goes. Answers the new name,
// "" when it could not be moved.
// `withLog` false moves the file alone: the log beside it is another store's.
std::string moveAside(const std::string& path, bool withLog = true)
{
    const auto copies = damagedCopies(path);
    const uint64_t number = copies.empty() ? 1 : copies.rbegin()->first + 1;
    const std::string aside = number == 1 ? path + ".damaged" : path + ".damaged-" + std::to_string(number);
    if (::rename(path.c_str(), aside.c_str()) != 0)
        return {};
    if (!withLog)
        return aside;
    const std::string log = path + "-wal";
    if (::access(log.c_str(), F_OK) == 0 && ::rename(log.c_str(), (aside + "-wal").c_str()) != 0)
        ::unlink(log.c_str());
    ::unlink((path + "-shm").c_str());
    return aside;
}

// Keeps the newest kKeptDamagedCopies damaged copies beside the store (with
// their logs) and removes the older ones, naming them in the log.
void pruneDamagedCopies(const std::string& path)
{
    auto copies = damagedCopies(path);
    std::string removed;
    size_t count = 0;
    for (auto it = copies.begin(); copies.size() - count > QVOfflineStore::kKeptDamagedCopies; ++it, ++count) {
        std::error_code ignored;
        std::filesystem::remove(it->second, ignored);
        std::filesystem::remove(it->second.string() + "-wal", ignored);
        removed += std::string(removed.empty() ? "" : ", ") + "\"" + it->second.string() + "\"";
    }
    if (count)
        platform::logWarning("Quorvel: the offline store \"%s\" keeps its %zu newest damaged copies; %zu older one(s) "
                             "removed: %s",
                             path.c_str(), QVOfflineStore::kKeptDamagedCopies, count, removed.c_str());
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

// A damaged store whose damage is in its indexes alone is mended by building
// them again: a connection to the mended store, or null. Tried on a copy at
// `path`, so the damaged file stays as it was for a look into it.
sqlite3* mendIndexes(const std::string& path, const std::string& aside)
{
    std::error_code failed;
    std::filesystem::copy_file(aside, path, std::filesystem::copy_options::overwrite_existing, failed);
    if (failed)
        return nullptr;
    sqlite3* db = nullptr;
    bool damaged = false;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK
        && sqlite3_exec(db, "REINDEX", nullptr, nullptr, nullptr) == SQLITE_OK && checkUsable(db, damaged).empty())
        return db;
    sqlite3_close(db);
    std::filesystem::remove(path, failed);
    return nullptr;
}

// The columns of a table, in order; none when there is no such table.
std::vector<std::string> columnsOf(sqlite3* db, const std::string& quotedTable)
{
    std::vector<std::string> columns;
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(db, ("PRAGMA table_info(" + quotedTable + ")").c_str(), -1, &q, nullptr) == SQLITE_OK)
        while (sqlite3_step(q) == SQLITE_ROW)
            if (const unsigned char* name = sqlite3_column_text(q, 1))
                columns.emplace_back(reinterpret_cast<const char*>(name));
    sqlite3_finalize(q);
    return columns;
}

std::string quotedName(const std::string& name)
{
    std::string quoted = "\"";
    for (char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// Reads a table of a damaged store by rowid, past the pages it cannot read:
// `read` is "SELECT rowid, ... WHERE rowid >= ?1 ORDER BY rowid". A page that
// fails is stepped over by looking for the first rowid after it that a
// search can reach (ahead in growing strides, then back by halves), so one
// bad page costs the rows on it alone, not every row after it.
class RowidReader {
public:
    explicit RowidReader(sqlite3_stmt* read) : read_(read) { }
    ~RowidReader() { sqlite3_reset(read_); }
    RowidReader(const RowidReader&) = delete;
    RowidReader& operator=(const RowidReader&) = delete;

    // The next row that reads (its rowid in column 0), or false at the end.
    bool next()
    {
        while (!ended_) {
            if (!started_) {
                sqlite3_reset(read_);
                sqlite3_bind_int64(read_, 1, from_);
                started_ = true;
            }
            const int rc = sqlite3_step(read_);
            if (rc == SQLITE_ROW) {
                const sqlite3_int64 rowid = sqlite3_column_int64(read_, 0);
                if (rowid == kLast)
                    ended_ = true; // this row is the last there can be
                else
                    from_ = rowid + 1;
                return true;
            }
            started_ = false;
            if (rc == SQLITE_DONE || !skipDamage())
                ended_ = true;
        }
        return false;
    }

private:
    static constexpr sqlite3_int64 kLast = std::numeric_limits<sqlite3_int64>::max();

    // Whether a search for the rows from `from` reaches them (or the table's end).
    bool reaches(sqlite3_int64 from)
    {
        sqlite3_reset(read_);
        sqlite3_bind_int64(read_, 1, from);
        const int rc = sqlite3_step(read_);
        sqlite3_reset(read_);
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    }

    // from_ fails: moves it to the first rowid past the damage a search
    // reaches. False when none does.
    bool skipDamage()
    {
        sqlite3_int64 failing = from_;
        sqlite3_int64 reached = failing;
        for (sqlite3_uint64 stride = 1;; stride *= 2) {
            const sqlite3_uint64 room = static_cast<sqlite3_uint64>(kLast) - static_cast<sqlite3_uint64>(failing);
            reached = stride >= room ? kLast : static_cast<sqlite3_int64>(static_cast<sqlite3_uint64>(failing) + stride);
            if (reaches(reached))
                break;
            if (reached == kLast)
                return false;
            failing = reached;
        }
        // Back by halves to the first that reaches: every rowid before it
        // lies in the damage.
        while (static_cast<sqlite3_uint64>(reached) - static_cast<sqlite3_uint64>(failing) > 1) {
            const sqlite3_int64 middle = static_cast<sqlite3_int64>(
                static_cast<sqlite3_uint64>(failing)
                + (static_cast<sqlite3_uint64>(reached) - static_cast<sqlite3_uint64>(failing)) / 2);
            (reaches(middle) ? reached : failing) = middle;
        }
        from_ = reached;
        return true;
    }

    sqlite3_stmt* read_;
    sqlite3_int64 from_ { std::numeric_limits<sqlite3_int64>::min() };
    bool started_ { false };
    bool ended_ { false };
};

// Carries what a damaged store still reads into the new store `to`, whose
// tables are made already: table by table, the columns both have, every row
// that reads, a damaged page amid a table's rows stepped over (a table
// without rowids is read up to the first row it cannot read). The version
// rows are the new store's own. Answers how many rows came across.
size_t carryReadableRows(const std::string& damagedPath, sqlite3* to)
{
    sqlite3* from = nullptr;
    if (sqlite3_open_v2(damagedPath.c_str(), &from, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(from);
        return 0;
    }
    std::vector<std::string> tables;
    sqlite3_stmt* schema = nullptr;
    if (sqlite3_prepare_v2(from, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                                 "AND name != 'table_versions'",
                           -1, &schema, nullptr)
        == SQLITE_OK)
        while (sqlite3_step(schema) == SQLITE_ROW)
            if (const unsigned char* name = sqlite3_column_text(schema, 0))
                tables.emplace_back(reinterpret_cast<const char*>(name));
    sqlite3_finalize(schema);
    size_t rows = 0;
    sqlite3_exec(to, "BEGIN", nullptr, nullptr, nullptr);
    for (const std::string& table : tables) {
        const std::string quoted = quotedName(table);
        const std::vector<std::string> wanted = columnsOf(to, quoted);
        std::string names, slots;
        for (const std::string& column : columnsOf(from, quoted))
            if (std::find(wanted.begin(), wanted.end(), column) != wanted.end()) {
                names += (names.empty() ? "" : ", ") + quotedName(column);
                slots += slots.empty() ? "?" : ", ?";
            }
        if (names.empty())
            continue;
        sqlite3_stmt* read = nullptr;
        sqlite3_stmt* write = nullptr;
        if (sqlite3_prepare_v2(to, ("INSERT OR IGNORE INTO " + quoted + " (" + names + ") VALUES (" + slots + ")").c_str(),
                               -1, &write, nullptr)
            != SQLITE_OK) {
            sqlite3_finalize(write);
            continue;
        }
        auto carry = [&](int first) {
            const int columns = sqlite3_column_count(read);
            for (int i = first; i < columns; ++i)
                sqlite3_bind_value(write, i - first + 1, sqlite3_column_value(read, i));
            if (sqlite3_step(write) == SQLITE_DONE)
                rows += static_cast<size_t>(sqlite3_changes(to));
            sqlite3_reset(write);
        };
        if (sqlite3_prepare_v2(from,
                               ("SELECT rowid, " + names + " FROM " + quoted + " WHERE rowid >= ?1 ORDER BY rowid").c_str(),
                               -1, &read, nullptr)
            == SQLITE_OK) {
            RowidReader reader(read);
            while (reader.next())
                carry(1);
        } else {
            sqlite3_finalize(read);
            read = nullptr;
            if (sqlite3_prepare_v2(from, ("SELECT " + names + " FROM " + quoted).c_str(), -1, &read, nullptr) == SQLITE_OK)
                while (sqlite3_step(read) == SQLITE_ROW)
                    carry(0);
        }
        sqlite3_finalize(read);
        sqlite3_finalize(write);
    }
    if (sqlite3_exec(to, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_exec(to, "ROLLBACK", nullptr, nullptr, nullptr);
        rows = 0;
    }
    sqlite3_close(from);
    return rows;
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
    if (!readOnly)
        sayIfEmptied(path);
    bool damaged = false;
    sqlite3* db = openConnection(path, readOnly, s.openError, damaged);
    if (!db && damaged && !readOnly) {
        // No later start reads a damaged store either: it is kept aside for
        // whoever looks into it. Damaged indexes alone are built again; else
        // the client goes on with a new store, once, which takes every row
        // the damaged one still reads.
        const std::string why = s.openError;
        const std::string aside = moveAside(path);
        if (!aside.empty()) {
            if ((db = mendIndexes(path, aside))) {
                platform::logWarning("Quorvel: the offline store \"%s\" was damaged (%s); its indexes were built "
                                     "again and it is used with all it kept",
                                     path.c_str(), why.c_str());
                std::error_code ignored;
                std::filesystem::remove(aside, ignored);
                std::filesystem::remove(aside + "-wal", ignored);
                s.openError.clear();
            } else if ((db = openConnection(path, false, s.openError, damaged))) {
                // The new store's tables first, then what the damaged one still reads.
                install(db, path);
                setupOfflineSupport();
                const size_t rows = carryReadableRows(aside, db);
                platform::logError("Quorvel: the offline store \"%s\" cannot be used (%s); it is kept as \"%s\" and a "
                                   "new store is made, with the %zu row(s) it could still read",
                                   path.c_str(), why.c_str(), aside.c_str(), rows);
                pruneDamagedCopies(path);
                return true;
            }
        }
    }
    if (!db) {
        reportUnusable(path, s.openError);
        return false;
    }
    install(db, path);
    return true;
}

void QVOfflineStore::teardownOfflineDatabase()
{
    finalizeAchievementStatements();
    finalizeHighScoreStatements();
    finalizeLeaderboardStatements();
    finalizeUserStatements();
    offline_store::finalizeVersionStatements();
    closeConnection();
}

bool QVOfflineStore::wasRemoved()
{
    State& s = state();
    return s.db && sqlite3_get_autocommit(s.db) && (fileUnlinked() || pathMoved());
}

bool QVOfflineStore::wasRemovedThisTurn(bool* firstLookOfTurn)
{
    State& s = state();
    if (firstLookOfTurn)
        *firstLookOfTurn = false;
    if (!s.db || !sqlite3_get_autocommit(s.db))
        return false; // not looked at: the next call looks
    platform::RunLoop& main = platform::RunLoop::main();
    if (main.isCurrent()) {
        if (s.pathLookedTurn == main.turn())
            return false;
        s.pathLookedTurn = main.turn();
        if (firstLookOfTurn)
            *firstLookOfTurn = true;
    }
    return fileUnlinked() || pathMoved();
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
    // A store someone put in its place is taken as it is. Until that copy is
    // made the open store stays in use (said once), and a later call tries again.
    auto keepTheOpenOne = [&](const std::string& why) {
        if (!std::exchange(s.remakeFailureSaid, true))
            platform::logError("Quorvel: the offline store \"%s\" was removed while the game ran and cannot be made "
                               "again now (%s); the client goes on with the removed one, which still holds all it "
                               "kept, and makes it again once it can",
                               path.c_str(), why.c_str());
        return false;
    };
    // The log and its index at the path are the open store's, wherever its
    // file went: folded back into it first, so that a new connection at the
    // path never reads the open store through them. One that cannot be
    // folded back (a full disk) stays as it is, with all it holds. From then
    // on the open store keeps its journal in memory: nothing it writes shows
    // at the path, where the store is made again.
    int logFrames = -1, folded = -1;
    if (sqlite3_wal_checkpoint_v2(s.db, "main", SQLITE_CHECKPOINT_TRUNCATE, &logFrames, &folded) != SQLITE_OK
        || logFrames != folded)
        return keepTheOpenOne(std::string("its log cannot be folded back into it: ") + sqlite3_errmsg(s.db));
    if (std::string mode = journalModeAfter(s.db, "PRAGMA journal_mode=MEMORY"); mode != "memory")
        return keepTheOpenOne("its log cannot be let go (journal mode " + mode + ")");
    // What the open store holds is copied beside the path first, before any
    // connection opens at the path: one opened there (at a file put in the
    // store's place) goes by the same names for a log and its index, and
    // must not touch what is carried into the store made again.
    const std::string heldPath = path + "-held";
    std::error_code ignored;
    std::filesystem::remove(heldPath, ignored);
    sqlite3* held = nullptr;
    bool heldWhole = false;
    if (sqlite3_open_v2(heldPath.c_str(), &held, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr)
        == SQLITE_OK)
        if (sqlite3_backup* backup = sqlite3_backup_init(held, "main", s.db, "main")) {
            heldWhole = sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            heldWhole = sqlite3_backup_finish(backup) == SQLITE_OK && heldWhole;
        }
    auto dropHeld = [&] {
        sqlite3_close(held);
        held = nullptr;
        std::filesystem::remove(heldPath, ignored);
        std::filesystem::remove(heldPath + "-journal", ignored);
    };
    std::string error;
    bool damaged = false;
    struct stat st {};
    // The file at the path is this call's own when there was none.
    bool madeHere = ::stat(path.c_str(), &st) != 0;
    sqlite3* fresh = openConnection(path, false, error, damaged);
    // A file at the path that is no store the client can use (moved there
    // over the store): it is kept aside, and the store is made again.
    if (!fresh && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        const std::string aside = moveAside(path, false);
        if (!aside.empty()) {
            platform::logWarning("Quorvel: a file the client cannot use took the offline store \"%s\"'s place while "
                                 "the game ran (%s); it is kept as \"%s\"",
                                 path.c_str(), error.c_str(), aside.c_str());
            pruneDamagedCopies(path);
            madeHere = true;
            fresh = openConnection(path, false, error, damaged);
        }
    }
    bool copied = false;
    if (fresh && holdsTables(fresh)) {
        dropHeld();
        teardownOfflineDatabase();
        ++s.generation;
        s.openError.clear();
        s.remakeFailureSaid = false;
        platform::logWarning("Quorvel: the offline store \"%s\" was replaced while the game ran; the new one is used",
                             path.c_str());
        install(fresh, path);
        setupOfflineSupport();
        return true;
    }
    if (fresh) {
        if (sqlite3_backup* backup = sqlite3_backup_init(fresh, "main", heldWhole ? held : s.db, "main")) {
            copied = sqlite3_backup_step(backup, -1) == SQLITE_DONE;
            copied = sqlite3_backup_finish(backup) == SQLITE_OK && copied;
        }
        if (!copied)
            error = sqlite3_errmsg(fresh);
    }
    dropHeld();
    if (!copied) {
        // The removed file is still read and written through the open
        // connection, with all it kept: it stays in use, and the store is made
        // again at a later look. What this call put at the path goes, so that
        // no later look takes a part of the copy for a store put in its place.
        if (fresh) {
            sqlite3_close(fresh);
            if (madeHere)
                for (const char* suffix : { "", "-journal", "-wal", "-shm" })
                    std::filesystem::remove(path + suffix, ignored);
            else
                moveAside(path);
        }
        return keepTheOpenOne(error);
    }
    teardownOfflineDatabase();
    ++s.generation;
    s.openError.clear();
    s.remakeFailureSaid = false;
    platform::logWarning("Quorvel: the offline store \"%s\" was removed while the game ran; it is made again "
                         "with what it kept",
                         path.c_str());
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
