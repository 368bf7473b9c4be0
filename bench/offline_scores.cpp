// Scores stored while offline: the high-score service's local path against a
// hand loop of prepared SQLite statements doing the same work, in the same run.
//
// Workload: 10,000 scores with fixed-seed values spread over 20 descending
// leaderboards of one player. For each score both sides, inside one
// transaction: read the previous best, insert the score (pending when it beats
// the best, else stamped), keep the ten best, and mark every other pending
// score of the board as sent. The service also looks the leaderboard up, reads
// the player's last sync time and its aggregate parents, and rebuilds its
// statements per use, as it does for the game.
//
// Each side writes its own database in /dev/shm when there is one (so the
// disk's flushes do not hide the work), with SQLite's default settings. The
// sides take turns for several rounds; the counters report medians:
//   service_vs_baseline  service time / hand-loop time (goal: at most 1.5)
//   service_us / baseline_us  microseconds per score
//
// Many boards: 100,000 scores over 10,000 leaderboards through the service,
// timed per tenth. A cost per score that does not grow with the store keeps
//   last_vs_first_tenth  time of the last 10,000 / time of the first 10,000 (goal: at most 1.2)
//   first_tenth_us, last_tenth_us, store_mb
//
// Real disk: 1,000 scores of the first workload through the service in a
// folder on the disk (BRISKO_BENCH_DISK_DIR, else the current folder), beside
// the same in the memory folder; each score's transaction syncs the file there.
//   disk_us, memory_us   microseconds per score
//   disk_is_memory       1 when the "disk" folder is itself in memory (tmpfs)
#include "ScoreBenchSupport.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using namespace quorvel;

namespace {

constexpr int kScores = 10000;
constexpr int kBoards = 20;
constexpr int kRounds = 3;

struct Score {
    int board;
    int64_t value;
};

std::vector<Score> makeScores(int count = kScores, int boards = kBoards)
{
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> board(1, boards);
    std::uniform_int_distribution<int64_t> value(0, 1000000);
    std::vector<Score> scores(static_cast<size_t>(count));
    for (auto& s : scores)
        s = { board(rng), value(rng) };
    return scores;
}

std::string scratchDirectory()
{
    std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    std::string dir = base + "/brisko_offline_scores_" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    return dir;
}

// The player the service stores for.


// Seconds for each of `parts` equal runs of the scores, in order.
std::vector<double> storeScores(const std::vector<Score>& scores, size_t parts)
{
    std::vector<double> seconds;
    const size_t per = scores.size() / parts;
    for (size_t part = 0; part < parts; ++part) {
        auto start = std::chrono::steady_clock::now();
        for (size_t i = part * per; i < (part + 1) * per; ++i)
            QVHighScoreService::setHighScoreSilently(scores[i].value, std::to_string(scores[i].board), true, {}, {});
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return seconds;
}

double runService(const std::string& path, const std::vector<Score>& scores, int boards = kBoards)
{
    bench_support::openStoreWithBoards(path, boards);
    double seconds = storeScores(scores, 1).front();
    QVOfflineStore::teardownOfflineDatabase();
    return seconds;
}

sqlite3_stmt* prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        std::fprintf(stderr, "prepare failed: %s\n", sqlite3_errmsg(db));
    return stmt;
}

double runBaseline(const std::string& path, const std::vector<Score>& scores)
{
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE high_scores(user_id INTEGER NOT NULL,leaderboard_id INTEGER NOT NULL,score INTEGER "
                 "DEFAULT 0,display_text TEXT DEFAULT NULL,custom_data TEXT DEFAULT NULL,server_sync_at INTEGER DEFAULT "
                 "NULL,blob BLOB DEFAULT NULL,UNIQUE(leaderboard_id, user_id, score));"
                 "CREATE INDEX high_scores_index ON high_scores (user_id, leaderboard_id);",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* best = prepare(db, "SELECT score FROM high_scores WHERE leaderboard_id = ?1 AND user_id = 42 ORDER BY "
                                     "score DESC LIMIT 1");
    sqlite3_stmt* insert = prepare(db, "REPLACE INTO high_scores (user_id, leaderboard_id, score, server_sync_at) "
                                       "VALUES(42, ?1, ?2, ?3)");
    sqlite3_stmt* keep = prepare(db, "SELECT min(x.score), max(x.score) FROM (SELECT score FROM high_scores WHERE "
                                     "user_id = 42 AND leaderboard_id = ?1 ORDER BY score DESC LIMIT 10) AS x");
    sqlite3_stmt* trim = prepare(db, "DELETE FROM high_scores WHERE user_id = 42 AND leaderboard_id = ?1 AND score < ?2");
    sqlite3_stmt* mark = prepare(db, "UPDATE high_scores SET server_sync_at = 0 WHERE user_id = 42 AND leaderboard_id = "
                                     "?1 AND score != ?2 AND server_sync_at IS NULL");
    sqlite3_stmt* begin = prepare(db, "SAVEPOINT s");
    sqlite3_stmt* release = prepare(db, "RELEASE s");
    auto run = [](sqlite3_stmt* s) {
        while (sqlite3_step(s) == SQLITE_ROW) {
        }
        sqlite3_reset(s);
    };

    auto start = std::chrono::steady_clock::now();
    for (const auto& s : scores) {
        run(begin);
        sqlite3_bind_int(best, 1, s.board);
        bool hasBest = sqlite3_step(best) == SQLITE_ROW;
        int64_t previous = hasBest ? sqlite3_column_int64(best, 0) : 0;
        sqlite3_reset(best);
        bool submit = !hasBest || s.value > previous;
        sqlite3_bind_int(insert, 1, s.board);
        sqlite3_bind_int64(insert, 2, s.value);
        if (submit)
            sqlite3_bind_null(insert, 3);
        else
            sqlite3_bind_int64(insert, 3, static_cast<int64_t>(std::time(nullptr)));
        run(insert);
        sqlite3_bind_int(keep, 1, s.board);
        if (sqlite3_step(keep) == SQLITE_ROW) {
            int64_t low = sqlite3_column_int64(keep, 0);
            int64_t high = sqlite3_column_int64(keep, 1);
            sqlite3_reset(keep);
            sqlite3_bind_int(trim, 1, s.board);
            sqlite3_bind_int64(trim, 2, low);
            run(trim);
            sqlite3_bind_int(mark, 1, s.board);
            sqlite3_bind_int64(mark, 2, high);
            run(mark);
        } else {
            sqlite3_reset(keep);
        }
        run(release);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (sqlite3_stmt* st : { best, insert, keep, trim, mark, begin, release })
        sqlite3_finalize(st);
    sqlite3_close(db);
    return seconds;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void runOfflineScores(benchmark::State& state)
{
    platform::LogCapture quiet;
    bench_support::ScoreRoles roles("42");
    std::string dir = scratchDirectory();
    auto scores = makeScores();
    for (auto _ : state) {
        std::vector<double> service, baseline, ratios;
        for (int round = 0; round < kRounds; ++round) {
            double b = runBaseline(dir + "/baseline.db", scores);
            double s = runService(dir + "/quorvel_offline", scores);
            service.push_back(s);
            baseline.push_back(b);
            ratios.push_back(s / b);
        }
        state.counters["service_vs_baseline"] = median(ratios);
        state.counters["service_us"] = median(service) * 1e6 / kScores;
        state.counters["baseline_us"] = median(baseline) * 1e6 / kScores;
    }
    QVHighScoreService::shutdownService();
    std::filesystem::remove_all(dir);
}

void runManyBoards(benchmark::State& state)
{
    constexpr int kManyBoards = 10000, kManyScores = 100000;
    platform::LogCapture quiet;
    bench_support::ScoreRoles roles("42");
    std::string dir = scratchDirectory();
    auto scores = makeScores(kManyScores, kManyBoards);
    for (auto _ : state) {
        const std::string path = dir + "/quorvel_offline";
        bench_support::openStoreWithBoards(path, kManyBoards);
        std::vector<double> tenths = storeScores(scores, 10);
        QVOfflineStore::teardownOfflineDatabase();
        state.counters["last_vs_first_tenth"] = tenths.back() / tenths.front();
        state.counters["first_tenth_us"] = tenths.front() * 1e6 / (kManyScores / 10);
        state.counters["last_tenth_us"] = tenths.back() * 1e6 / (kManyScores / 10);
        state.counters["store_mb"] = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    }
    QVHighScoreService::shutdownService();
    std::filesystem::remove_all(dir);
}

void runOnDisk(benchmark::State& state)
{
    constexpr int kDiskScores = 1000;
    platform::LogCapture quiet;
    bench_support::ScoreRoles roles("42");
    const char* chosen = std::getenv("BRISKO_BENCH_DISK_DIR");
    std::string diskDir = std::string(chosen && *chosen ? chosen : ".") + "/brisko_offline_scores_disk_"
        + std::to_string(getpid());
    std::filesystem::create_directories(diskDir);
    std::string memoryDir = scratchDirectory();
    auto scores = makeScores(kDiskScores, kBoards);
    for (auto _ : state) {
        double disk = runService(diskDir + "/quorvel_offline", scores);
        double memory = runService(memoryDir + "/quorvel_offline", scores);
        struct statfs fs {};
        const bool inMemory = statfs(diskDir.c_str(), &fs) == 0 && fs.f_type == 0x01021994; // tmpfs
        state.counters["disk_us"] = disk * 1e6 / kDiskScores;
        state.counters["memory_us"] = memory * 1e6 / kDiskScores;
        state.counters["disk_is_memory"] = inMemory ? 1 : 0;
    }
    QVHighScoreService::shutdownService();
    std::filesystem::remove_all(diskDir);
    std::filesystem::remove_all(memoryDir);
}

} // namespace

BENCHMARK(runOfflineScores)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(runManyBoards)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(runOnDisk)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
