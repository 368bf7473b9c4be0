// The login of a player of a game with many leaderboards, against the
// in-process stand-in service: the whole client started as a game starts it,
// the bootstrap's answer (every leaderboard's definition and the player's
// best on each) read and written into the offline store, the game told, and
// whatever the login sends answered. The benchmark turns the main loop one
// turn at a time; no turn may hold a frame.
//
// The player logs in once as a new player (no bests), is then given a best on
// every board by the service, and logs in again several times as a
// returning player; the counters of the returning logins are medians:
//   longest_turn_ms       processor time of the login's longest main-loop turn
//                         (goal: at most 16, one frame)
//   longest_turn_wall_ms  that turn on the wall clock (the machine's other load included)
//   login_cpu_ms          processor time of every turn of the login together
//   turns                 turns of the login that ran something
//   baseline_ms           the hand-written login's work on the same answer (raw
//                         expat, raw SQLite in one transaction): what a turn
//                         holds when that work is done at once
//   turn_vs_baseline      longest_turn_ms / baseline_ms
//   login_vs_baseline     login_cpu_ms / baseline_ms: the whole login (its
//                         requests, screens and notices too) against that work
//   first_longest_turn_ms the longest turn of the new player's first login
//   boards_stored         leaderboards in the client's store afterwards
#include "LoginBenchSupport.h"

#include "social/runtime/QVSqlQuery.h"
#include "social/services/QVOfflineStore.h"

#include <benchmark/benchmark.h>

using namespace bench_login;

namespace {

constexpr int kReturningLogins = 3;

int storedBoards()
{
    quorvel::QVSqlQuery q(quorvel::QVOfflineStore::getOfflineDatabaseHandle(), "SELECT COUNT(*) AS n FROM leaderboards");
    return q.step() ? q.getInt("n") : -1;
}

void BM_LoginManyBoards(benchmark::State& state)
{
    const int boards = static_cast<int>(state.range(0));
    platform::LogCapture quiet;
    LoginHarness harness(boards);
    if (!harness.error().empty()) {
        state.SkipWithError(harness.error().c_str());
        return;
    }
    for (auto _ : state) {
        const Turns first = harness.logIn();
        if (!first.finished || harness.player().empty()) {
            state.SkipWithError("the first login did not finish");
            return;
        }
        const std::string player = harness.player();
        harness.quit();
        if (!harness.giveBests(std::atoll(player.c_str()), boards)) {
            state.SkipWithError("the service did not keep the player's bests");
            return;
        }

        std::vector<double> longest, wall, total, count, baseline;
        int stored = 0;
        for (int login = 0; login < kReturningLogins; ++login) {
            const Turns turns = harness.logIn();
            if (!turns.finished || harness.player() != player) {
                state.SkipWithError("a returning login did not finish");
                return;
            }
            stored = storedBoards();
            harness.quit();
            longest.push_back(turns.longestMs);
            wall.push_back(turns.longestWallMs);
            total.push_back(turns.totalMs);
            count.push_back(turns.count);
            baseline.push_back(HandLogin::run(harness.lastBootstrapAnswer(), harness.storePath(), harness.root()) * 1e3);
        }
        state.counters["longest_turn_ms"] = median(longest);
        state.counters["longest_turn_wall_ms"] = median(wall);
        state.counters["login_cpu_ms"] = median(total);
        state.counters["turns"] = median(count);
        state.counters["baseline_ms"] = median(baseline);
        state.counters["turn_vs_baseline"] = median(longest) / median(baseline);
        state.counters["login_vs_baseline"] = median(total) / median(baseline);
        state.counters["first_longest_turn_ms"] = first.longestMs;
        state.counters["boards_stored"] = stored;
    }
}

} // namespace

BENCHMARK(BM_LoginManyBoards)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
