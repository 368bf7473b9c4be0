// A player who played offline for weeks logs in: 10,000 scores stored without
// a sync date (one per leaderboard, 10,000 leaderboards) are sent to the
// in-process stand-in service over loopback HTTP, and every answer is stored.
// While that runs, a 1-ms timer on the main run loop notes the longest time
// between two of its turns: the longest the client could not draw a frame.
//   longest_stall_ms   the longest main-thread stall (goal: at most 100)
//   send_ms            the sending call itself (part of the above)
//   total_s            from the call until every score is stored as sent
//   requests           POSTs the batch went out in
//   left_pending       scores still without a sync date at the end (goal 0)
//   succeeded          1 when the caller heard of success
#include "ScoreBenchSupport.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/net/CurlHttpTransport.h"
#include "platform/net/Reachability.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequestHandle.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"
#include "tools/standin/StandInServer.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

using namespace quorvel;
using platform::Ref;

namespace {

constexpr int kBoards = 10000;

// The service's answer to a batch: each posted score back as stored for the player.
standin::Answer echoBatch(const standin::LoggedRequest& request)
{
    std::vector<std::string> boards, scores;
    for (const auto& [name, value] : request.params) {
        if (name == "high_scores[][leaderboard_id]")
            boards.push_back(value);
        else if (name == "high_scores[][score]")
            scores.push_back(value);
    }
    std::string body = "<resources>";
    for (size_t i = 0; i < boards.size() && i < scores.size(); ++i)
        body += "<high_score><id>" + std::to_string(i + 1) + "</id><score>" + scores[i] + "</score><leaderboard_id>"
            + boards[i] + "</leaderboard_id><user><id>42</id></user></high_score>";
    return standin::Answer::xml(body + "</resources>");
}

std::string scratchDirectory()
{
    std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path().string();
    std::string dir = base + "/brisko_pending_scores_" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    return dir;
}

// Notes the end of the batch (every piece answered and stored).
class Finish final : public platform::Object {
public:
    void succeeded(platform::Object*, platform::Object*) { done = ok = true; }
    void failed(platform::Object*, platform::Object*) { done = true; }
    bool done { false };
    bool ok { false };
};

int pendingRows()
{
    QVSqlQuery q(QVOfflineStore::getOfflineDatabaseHandle(),
                 "SELECT COUNT(*) AS n FROM high_scores WHERE server_sync_at IS NULL");
    return q.step() ? q.getInt("n") : -1;
}

void BM_PendingScoresAfterLogin(benchmark::State& state)
{
    platform::LogCapture quiet;
    const std::string dir = scratchDirectory();
    const std::string oldHome = platform::Bundle::main().homeDirectory();
    platform::Bundle::main().setHomeDirectory(dir);
    platform::UserDefaults::resetStandardUserDefaults();

    auto transport = platform::CurlHttpTransport::create();
    platform::HttpTransport::setShared(Ref<platform::HttpTransport>(transport.get()));
    standin::StandInServer server;
    if (server.start() <= 0) {
        state.SkipWithError("the stand-in did not start");
        return;
    }
    server.setConsumer("product-key", "product-secret");
    server.addToken("token-1", "token-secret-1");
    server.route("POST", QVHighScoreService::kBatchPath, echoBatch);
    Ref<QVProvider> provider = QVProvider::providerWithProductKey("product-key", "product-secret");
    provider->setServerUrl(server.baseUrl());
    provider->setAccessToken("token-1", "token-secret-1");
    bench_support::ScoreRoles host("42");
    host.providerLink = provider.get();
    host.approved = true;
    auto reachability = platform::ManualReachability::create(platform::Reachability::ReachableViaWiFi);
    QVReachability::InitializeWithSource(Ref<platform::Reachability>(reachability.get()));
    QVHighScoreService::initializeService();

    for (auto _ : state) {
        // The store: 10,000 leaderboards, one score each taken offline.
        bench_support::openStoreWithBoards(dir + "/" + QVOfflineStore::kFileName, kBoards);
        host.online = false;
        {
            QVOfflineStore::Transaction fast;
            for (int b = 1; b <= kBoards; ++b)
                QVHighScoreService::setHighScoreSilently(1000 + b, std::to_string(b), true, {}, {});
            fast.commit();
        }
        host.online = true;

        // The stall watch: the longest time between two turns of a 1-ms timer.
        using Clock = std::chrono::steady_clock;
        double longest = 0;
        auto last = Clock::now();
        Ref<platform::Timer> watch = platform::RunLoop::main().scheduleTimer(0.001, true, [&](platform::Timer&) {
            auto now = Clock::now();
            longest = std::max(longest, std::chrono::duration<double>(now - last).count());
            last = now;
        });
        const size_t requestsBefore = server.requests().size();
        auto finish = platform::adoptRef(new Finish);
        const auto start = Clock::now();
        QVHighScoreService::sendPendingHighScores("42", true, QVDelegate(finish.get(), BRISKO_SELECTOR(Finish, succeeded)),
                                                  QVDelegate(finish.get(), BRISKO_SELECTOR(Finish, failed)));
        const double sendSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        longest = std::max(longest, std::chrono::duration<double>(Clock::now() - last).count());
        last = Clock::now();
        platform::RunLoop::main().runUntil([&] { return finish->done; }, 120.0);
        const double total = std::chrono::duration<double>(Clock::now() - start).count();
        watch->invalidate();

        state.counters["longest_stall_ms"] = longest * 1e3;
        state.counters["send_ms"] = sendSeconds * 1e3;
        state.counters["total_s"] = total;
        state.counters["requests"] = static_cast<double>(server.requests().size() - requestsBefore);
        state.counters["left_pending"] = pendingRows();
        state.counters["succeeded"] = finish->ok ? 1 : 0;
        QVOfflineStore::teardownOfflineDatabase();
    }

    QVHighScoreService::shutdownService();
    provider->destroyAllPendingRequests();
    QVReachability::Uninitialize();
    platform::HttpTransport::setShared(nullptr);
    transport = nullptr;
    server.stop();
    provider = nullptr;
    platform::Bundle::main().setHomeDirectory(oldHome);
    platform::UserDefaults::resetStandardUserDefaults();
    std::filesystem::remove_all(dir);
}

} // namespace

BENCHMARK(BM_PendingScoresAfterLogin)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
