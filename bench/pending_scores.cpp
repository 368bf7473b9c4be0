// A player who played offline for weeks logs in: the game has 10,000
// leaderboards, and the device holds 10,000 scores taken offline (one per
// board). The whole client, started as a game starts it, logs in to the
// in-process stand-in service, which keeps what it is sent; the benchmark
// turns the main loop one turn at a time from the start until the last score
// is kept by the service and stored as sent on the device. The player does
// so several times (the scores taken offline again each time); the counters
// are medians:
//   longest_turn_ms       processor time of the longest main-loop turn
//                         (goal: at most 16, one frame)
//   longest_turn_wall_ms  that turn on the wall clock
//   login_cpu_ms          processor time of every turn together
//   total_s               wall time from the start until the last score is kept
//   requests              POSTs the scores went out in
//   kept                  scores the service kept for the player (goal 10,000)
//   left_pending          scores still waiting on the device at the end (goal 0)
#include "LoginBenchSupport.h"
#include "ScoreBenchSupport.h"

#include "social/runtime/QVSqlQuery.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVOfflineStore.h"

#include <benchmark/benchmark.h>

using namespace bench_login;
using namespace quorvel;

namespace {

constexpr int kBoards = 10000;
constexpr int kRounds = 3;

int pendingRows()
{
    QVSqlQuery q(QVOfflineStore::getOfflineDatabaseHandle(),
                 "SELECT COUNT(*) AS n FROM high_scores WHERE server_sync_at IS NULL");
    return q.step() ? q.getInt("n") : -1;
}

size_t keptFor(standin::StandInState& state, int64_t player)
{
    size_t kept = 0;
    for (const auto& score : state.scores())
        kept += score.userId == player;
    return kept;
}

size_t batchPosts(LoginHarness& harness)
{
    size_t posts = 0;
    for (const auto& request : harness.server()->requests())
        posts += request.method == "POST" && request.path == QVHighScoreService::kBatchPath;
    return posts;
}

// The device's store, with the client not running: a new best on every board taken offline.
bool takeScoresOffline(const std::string& storePath, const std::string& player, int round)
{
    if (!QVOfflineStore::openDatabaseAtPath(storePath))
        return false;
    QVOfflineStore::setupOfflineSupport();
    {
        bench_support::ScoreRoles offline(player);
        QVOfflineStore::Transaction fast;
        for (int b = 1; b <= kBoards; ++b)
            QVHighScoreService::setHighScoreSilently(1000 + b + round * 100000, std::to_string(b), true, {}, {});
        fast.commit();
    }
    const bool taken = pendingRows() == kBoards;
    QVHighScoreService::shutdownService();
    QVOfflineStore::teardownOfflineDatabase();
    return taken;
}

void BM_PendingScoresAfterLogin(benchmark::State& state)
{
    platform::LogCapture quiet;
    LoginHarness harness(kBoards);
    if (!harness.error().empty()) {
        state.SkipWithError(harness.error().c_str());
        return;
    }
    for (auto _ : state) {
        // The first launch: the player gets an account and the definitions.
        if (!harness.logIn().finished || harness.player().empty()) {
            state.SkipWithError("the first login did not finish");
            return;
        }
        const std::string player = harness.player();
        const int64_t playerId = std::atoll(player.c_str());
        harness.quit();

        std::vector<double> longest, wall, cpu, totals, posts, kept, left;
        for (int round = 0; round < kRounds; ++round) {
            // Each round the service knows none of the player's scores yet.
            if (!harness.forgetScores(playerId) || !takeScoresOffline(harness.storePath(), player, round)) {
                state.SkipWithError("the scores could not be taken offline");
                return;
            }
            const size_t postsBefore = batchPosts(harness);
            const double start = wallSeconds();
            int pending = -1;
            size_t keptNow = 0;
            harness.launch();
            const Turns turns = harness.turnUntil([&] {
                if (!harness.loggedIn() || !harness.networkQuiet() || (pending = pendingRows()) != 0)
                    return false;
                keptNow = keptFor(harness.state(), playerId);
                return keptNow >= static_cast<size_t>(kBoards);
            });
            totals.push_back(wallSeconds() - start);
            posts.push_back(static_cast<double>(batchPosts(harness) - postsBefore));
            harness.quit();
            if (!turns.finished) {
                state.SkipWithError("the scores were not all kept within two minutes");
                return;
            }
            longest.push_back(turns.longestMs);
            wall.push_back(turns.longestWallMs);
            cpu.push_back(turns.totalMs);
            kept.push_back(static_cast<double>(keptNow));
            left.push_back(pending);
        }
        state.counters["longest_turn_ms"] = median(longest);
        state.counters["longest_turn_wall_ms"] = median(wall);
        state.counters["login_cpu_ms"] = median(cpu);
        state.counters["total_s"] = median(totals);
        state.counters["requests"] = median(posts);
        state.counters["kept"] = median(kept);
        state.counters["left_pending"] = median(left);
    }
}

} // namespace

BENCHMARK(BM_PendingScoresAfterLogin)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
