// Keeping the signed requests taken in the state, for the replay check after
// a restart.
#include "tools/standin/StandInReplays.h"

#include "tools/standin/StandInStore.h"

#include <sqlite3.h>

#include <cstdint>
#include <mutex>

namespace standin {

const char* const replays::kSchema = R"sql(
CREATE TABLE IF NOT EXISTS taken_requests (request TEXT PRIMARY KEY, stamped INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS taken_requests_by_stamp ON taken_requests (stamped);
CREATE TABLE IF NOT EXISTS replay_horizon (id INTEGER PRIMARY KEY CHECK (id = 1), forgotten_up_to INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS replay_horizons (caller TEXT PRIMARY KEY, forgotten_up_to INTEGER NOT NULL);
)sql";

namespace {

// How many requests are kept between two tidyings of the table.
constexpr size_t kTidyEvery = 256;

} // namespace

replays::Keeper::Keeper(Store& store, const std::string& path) : store_(store)
{
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    sqlite3_busy_timeout(db_, 2000);
    sqlite3_exec(db_, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
}

replays::Keeper::~Keeper() { sqlite3_close(db_); }

StandInServer::TakenRequests replays::Keeper::load(long long now, long long window)
{
    StandInServer::TakenRequests kept;
    std::lock_guard guard(store_.mutex);
    if (!db_)
        return kept;
    // One horizon for every caller, as a state of an earlier version kept it; then each caller's own.
    {
        Statement q(db_, "SELECT forgotten_up_to FROM replay_horizon WHERE id = 1");
        if (q.step())
            kept.forgottenUpTo[""] = q.integer(0);
    }
    {
        Statement q(db_, "SELECT caller, forgotten_up_to FROM replay_horizons WHERE forgotten_up_to >= ?");
        q.bind(1, static_cast<int64_t>(window > 0 ? now - window : INT64_MIN));
        while (q.step())
            if (!q.text(0).empty())
                kept.forgottenUpTo[q.text(0)] = q.integer(1);
    }
    // What a horizon refuses anyway is not loaded (NonceMemory::restore splits the caller off the key).
    const std::optional<long long> everyone = kept.forgottenUpTo.count("") ? std::optional(kept.forgottenUpTo[""]) : std::nullopt;
    Statement q(db_, "SELECT request, stamped FROM taken_requests WHERE stamped > ?1 AND stamped >= ?2 ORDER BY stamped");
    q.bind(1, static_cast<int64_t>(everyone.value_or(INT64_MIN)))
        .bind(2, static_cast<int64_t>(window > 0 ? now - window : INT64_MIN));
    while (q.step())
        kept.taken.emplace_back(q.text(0), q.integer(1));
    return kept;
}

bool replays::Keeper::keep(const std::string& key, long long timestamp, const std::string& caller,
                           std::optional<long long> forgottenUpTo)
{
    std::lock_guard guard(store_.mutex);
    if (!db_)
        return false;
    bool tidy = forgottenUpTo && ++sinceTidied_ >= kTidyEvery;
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    bool ok = Statement(db_, "INSERT OR IGNORE INTO taken_requests VALUES (?, ?)").bind(1, key).bind(2, static_cast<int64_t>(timestamp)).run();
    // The caller's horizon is kept before its requests under it go: together
    // they refuse what those did. Other callers' requests stay.
    if (ok && tidy) {
        ok = Statement(db_, "INSERT OR REPLACE INTO replay_horizons VALUES (?, ?)").bind(1, caller).bind(2, static_cast<int64_t>(*forgottenUpTo)).run()
            && Statement(db_, "DELETE FROM taken_requests WHERE substr(request, 1, length(?1)) = ?1 AND stamped <= ?2")
                   .bind(1, caller + '&').bind(2, static_cast<int64_t>(*forgottenUpTo)).run();
        if (ok)
            sinceTidied_ = 0;
    }
    if (ok && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    if (!sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

} // namespace standin
