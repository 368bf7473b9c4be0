// Scores stored while offline: the high-score service's local path against a
// hand loop of prepared SQLite statements doing the same work, in the same run.
//
// Workload: 10,000 scores with fixed-seed values spread over 20 descending
// leaderboards of one player. For each score both sides, inside one
// transaction: read the previous best, insert the score (pending when it beats
// the best, else stamped), keep the ten best, and mark every other pending
// score of the board as sent. The service also looks the leaderboard up, reads
// the player's last sync time and its aggregate parents, and binds by name, as
// it does for the game.
//
// Each side writes its own database in /dev/shm when there is one (so the
// disk's syncs do not hide the work), both in the store's journal mode (a
// write-ahead log synced at every commit). The sides take turns for several
// rounds; the counters report medians:
//   service_vs_baseline  service time / hand-loop time (goal: at most 1.3)
//   service_us / baseline_us  microseconds per score
//
// Many boards: 100,000 scores over 10,000 leaderboards, the service and the
// hand loop taking turns tenth by tenth. A cost per score that does not grow
// with the store keeps the service's growth near the hand loop's:
//   service_vs_baseline           over the whole run (goal: at most 1.5)
//   last_vs_first_tenth           service: time of the last 10,000 / the first 10,000
//   baseline_last_vs_first_tenth  the same for the hand loop
//   growth_vs_baseline            the first / the second (goal: at most 1.1)
//   first_tenth_us, last_tenth_us, store_mb
//
// Real disk: 1,000 scores of the first workload through the service in a
// folder on the disk (BRISKO_BENCH_DISK_DIR, else the current folder), beside
// the same in the memory folder; each score's commit syncs the log there. What
// a sync costs is the disk's business (it varies tenfold between machines and
// from minute to minute on a shared one), so the disk's time is held against
// what the syncs asked for cost there plus the work in memory:
//   disk_us, memory_us    microseconds per score
//   syncs_per_score       file syncs the store asked for per score (goal: at most 1.02)
//   sync_us               what one of those syncs took, on average (timed in the
//                         file layer under SQLite)
//   probe_sync_us         one 4 KiB write and fdatasync of a file of our own in the
//                         disk folder (median of probes before and after): the
//                         disk's bare price of a sync at the time
//   expected_disk_us      syncs_per_score * sync_us + memory_us
//   disk_vs_expected      disk_us / expected_disk_us
//   rest_vs_memory        a score's time on the disk less its own syncs, against
//                         its time in memory (medians over the scores, so that a
//                         busy machine's stalls do not count): what the disk
//                         costs beside the syncs (goal: at most 1.5)
//   writes_per_score, write_us  the file writes under SQLite per score (the
//                         write-ahead log's frames) and their time per score:
//                         most of what the disk costs beside the syncs
//   disk_is_memory        1 when the "disk" folder is itself in memory (tmpfs)
#include "ScoreBenchSupport.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"
#include "tests/support/SqliteSyncCounter.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
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

sqlite3_stmt* prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        std::fprintf(stderr, "prepare failed: %s\n", sqlite3_errmsg(db));
    return stmt;
}

// The hand-written side: the same table and index, the statements prepared
// once and bound by position, in the journal mode the store uses (a
// write-ahead log synced at each commit).
class HandStore {
public:
    explicit HandStore(const std::string& path)
    {
        std::filesystem::remove(path);
        sqlite3_open(path.c_str(), &db_);
        sqlite3_exec(db_,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                     "CREATE TABLE high_scores(user_id INTEGER NOT NULL,leaderboard_id INTEGER NOT NULL,score INTEGER "
                     "DEFAULT 0,display_text TEXT DEFAULT NULL,custom_data TEXT DEFAULT NULL,server_sync_at INTEGER "
                     "DEFAULT NULL,blob BLOB DEFAULT NULL,UNIQUE(leaderboard_id, user_id, score));"
                     "CREATE INDEX high_scores_index ON high_scores (user_id, leaderboard_id);",
                     nullptr, nullptr, nullptr);
        best_ = prepare(db_, "SELECT score FROM high_scores WHERE leaderboard_id = ?1 AND user_id = 42 ORDER BY "
                             "score DESC LIMIT 1");
        insert_ = prepare(db_, "REPLACE INTO high_scores (user_id, leaderboard_id, score, server_sync_at) "
                               "VALUES(42, ?1, ?2, ?3)");
        keep_ = prepare(db_, "SELECT min(x.score), max(x.score) FROM (SELECT score FROM high_scores WHERE "
                             "user_id = 42 AND leaderboard_id = ?1 ORDER BY score DESC LIMIT 10) AS x");
        trim_ = prepare(db_, "DELETE FROM high_scores WHERE user_id = 42 AND leaderboard_id = ?1 AND score < ?2");
        mark_ = prepare(db_, "UPDATE high_scores SET server_sync_at = 0 WHERE user_id = 42 AND leaderboard_id = "
                             "?1 AND score != ?2 AND server_sync_at IS NULL");
        begin_ = prepare(db_, "SAVEPOINT s");
        release_ = prepare(db_, "RELEASE s");
    }
    ~HandStore()
    {
        for (sqlite3_stmt* st : { best_, insert_, keep_, trim_, mark_, begin_, release_ })
            sqlite3_finalize(st);
        sqlite3_close(db_);
    }
    HandStore(const HandStore&) = delete;
    HandStore& operator=(const HandStore&) = delete;

    void store(const Score& s)
    {
        run(begin_);
        sqlite3_bind_int(best_, 1, s.board);
        bool hasBest = sqlite3_step(best_) == SQLITE_ROW;
        int64_t previous = hasBest ? sqlite3_column_int64(best_, 0) : 0;
        sqlite3_reset(best_);
        bool submit = !hasBest || s.value > previous;
        sqlite3_bind_int(insert_, 1, s.board);
        sqlite3_bind_int64(insert_, 2, s.value);
        if (submit)
            sqlite3_bind_null(insert_, 3);
        else
            sqlite3_bind_int64(insert_, 3, static_cast<int64_t>(std::time(nullptr)));
        run(insert_);
        sqlite3_bind_int(keep_, 1, s.board);
        if (sqlite3_step(keep_) == SQLITE_ROW) {
            int64_t low = sqlite3_column_int64(keep_, 0);
            int64_t high = sqlite3_column_int64(keep_, 1);
            sqlite3_reset(keep_);
            sqlite3_bind_int(trim_, 1, s.board);
            sqlite3_bind_int64(trim_, 2, low);
            run(trim_);
            sqlite3_bind_int(mark_, 1, s.board);
            sqlite3_bind_int64(mark_, 2, high);
            run(mark_);
        } else {
            sqlite3_reset(keep_);
        }
        run(release_);
    }

private:
    static void run(sqlite3_stmt* s)
    {
        while (sqlite3_step(s) == SQLITE_ROW) {
        }
        sqlite3_reset(s);
    }

    sqlite3* db_ { nullptr };
    sqlite3_stmt *best_, *insert_, *keep_, *trim_, *mark_, *begin_, *release_;
};

template <typename Store>
double timeScores(const std::vector<Score>& scores, size_t from, size_t to, Store store)
{
    auto start = std::chrono::steady_clock::now();
    for (size_t i = from; i < to; ++i)
        store(scores[i]);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void serviceStore(const Score& s)
{
    QVHighScoreService::setHighScoreSilently(s.value, std::to_string(s.board), true, {}, {});
}

double runBaseline(const std::string& path, const std::vector<Score>& scores)
{
    HandStore hand(path);
    return timeScores(scores, 0, scores.size(), [&hand](const Score& s) { hand.store(s); });
}

double runService(const std::string& path, const std::vector<Score>& scores, int boards = kBoards)
{
    bench_support::openStoreWithBoards(path, boards);
    double seconds = timeScores(scores, 0, scores.size(), serviceStore);
    QVOfflineStore::teardownOfflineDatabase();
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
    constexpr int kManyBoards = 10000, kManyScores = 100000, kParts = 10;
    platform::LogCapture quiet;
    bench_support::ScoreRoles roles("42");
    std::string dir = scratchDirectory();
    auto scores = makeScores(kManyScores, kManyBoards);
    for (auto _ : state) {
        const std::string path = dir + "/quorvel_offline";
        bench_support::openStoreWithBoards(path, kManyBoards);
        std::vector<double> service, hand;
        {
            HandStore baseline(dir + "/baseline.db");
            // The sides take turns tenth by tenth, so load from elsewhere falls on both alike.
            const size_t per = scores.size() / kParts;
            for (size_t part = 0; part < kParts; ++part) {
                const size_t from = part * per, to = from + per;
                auto handTenth = [&] {
                    hand.push_back(timeScores(scores, from, to, [&baseline](const Score& s) { baseline.store(s); }));
                };
                if (part % 2)
                    handTenth();
                service.push_back(timeScores(scores, from, to, serviceStore));
                if (part % 2 == 0)
                    handTenth();
            }
        }
        QVOfflineStore::teardownOfflineDatabase();
        const double serviceGrowth = service.back() / service.front();
        const double handGrowth = hand.back() / hand.front();
        double serviceTotal = 0, handTotal = 0;
        for (size_t part = 0; part < service.size(); ++part) {
            serviceTotal += service[part];
            handTotal += hand[part];
        }
        state.counters["service_vs_baseline"] = serviceTotal / handTotal;
        state.counters["last_vs_first_tenth"] = serviceGrowth;
        state.counters["baseline_last_vs_first_tenth"] = handGrowth;
        state.counters["growth_vs_baseline"] = serviceGrowth / handGrowth;
        state.counters["first_tenth_us"] = service.front() * 1e6 / (kManyScores / kParts);
        state.counters["last_tenth_us"] = service.back() * 1e6 / (kManyScores / kParts);
        state.counters["store_mb"] = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
    }
    QVHighScoreService::shutdownService();
    std::filesystem::remove_all(dir);
}

// Microseconds of one 4 KiB write and fdatasync of a file in `dir`, `count`
// times: the price of one durable sync on that disk.
std::vector<double> syncMicroseconds(const std::string& dir, int count)
{
    const std::string path = dir + "/sync_probe";
    int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0)
        return {};
    std::vector<char> page(4096, 'p');
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        auto start = std::chrono::steady_clock::now();
        if (pwrite(fd, page.data(), page.size(), static_cast<off_t>(i % 8) * 4096) < 0 || fdatasync(fd) != 0)
            break;
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() * 1e6);
    }
    ::close(fd);
    std::filesystem::remove(path);
    return times;
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
        int syncs = 0, writes = 0;
        double disk = 0, syncSeconds = 0, writeSeconds = 0;
        // Each score's time on the disk beside its own syncs, and in memory.
        std::vector<double> rests, inMemory;
        std::vector<double> probes = syncMicroseconds(diskDir, 25);
        {
            // The store is set up before counting: only the scores' syncs count.
            const std::string path = diskDir + "/quorvel_offline";
            testing_support::SqliteSyncCounter counter;
            bench_support::openStoreWithBoards(path, kBoards);
            counter.reset();
            for (size_t i = 0; i < scores.size(); ++i) {
                const double synced = counter.syncSeconds();
                const double seconds = timeScores(scores, i, i + 1, serviceStore);
                disk += seconds;
                rests.push_back(seconds - (counter.syncSeconds() - synced));
            }
            syncs = counter.syncs();
            syncSeconds = counter.syncSeconds();
            writes = counter.writes();
            writeSeconds = counter.writeSeconds();
            QVOfflineStore::teardownOfflineDatabase();
        }
        for (double probe : syncMicroseconds(diskDir, 25))
            probes.push_back(probe);
        double memory = 0;
        bench_support::openStoreWithBoards(memoryDir + "/quorvel_offline", kBoards);
        for (size_t i = 0; i < scores.size(); ++i) {
            inMemory.push_back(timeScores(scores, i, i + 1, serviceStore));
            memory += inMemory.back();
        }
        QVOfflineStore::teardownOfflineDatabase();
        struct statfs fs {};
        const bool diskIsMemory = statfs(diskDir.c_str(), &fs) == 0 && fs.f_type == 0x01021994; // tmpfs
        const double diskUs = disk * 1e6 / kDiskScores, memoryUs = memory * 1e6 / kDiskScores;
        const double syncsPerScore = static_cast<double>(syncs) / kDiskScores;
        const double syncUs = syncs ? syncSeconds * 1e6 / syncs : 0;
        const double expectedUs = syncsPerScore * syncUs + memoryUs;
        state.counters["disk_us"] = diskUs;
        state.counters["memory_us"] = memoryUs;
        state.counters["syncs_per_score"] = syncsPerScore;
        state.counters["sync_us"] = syncUs;
        state.counters["probe_sync_us"] = probes.empty() ? 0 : median(probes);
        state.counters["expected_disk_us"] = expectedUs;
        state.counters["disk_vs_expected"] = diskUs / expectedUs;
        state.counters["rest_vs_memory"] = median(rests) / median(inMemory);
        state.counters["writes_per_score"] = static_cast<double>(writes) / kDiskScores;
        state.counters["write_us"] = writeSeconds * 1e6 / kDiskScores;
        state.counters["disk_is_memory"] = diskIsMemory ? 1 : 0;
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
