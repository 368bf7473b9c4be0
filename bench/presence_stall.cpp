// The game's frame while the presence server stalls: requests travel inside
// the presence channel to the in-process stand-in, two of 64 KiB a frame at
// 60 frames a second, each frame doing what the game's thread does (starting
// the frame's requests, one turn of the main loop) and then waiting for the
// next. The same frames run twice in one iteration: against a server that
// reads and answers (the baseline), and against one that stops reading right
// after the subscription with a small receive buffer, so that the channel's
// buffers fill, its backlog passes and it ends. Counters:
//   reading_max_frame_ms  the longest frame with a reading server (wall clock)
//   stalled_max_frame_ms  the longest frame with the stalled one (goal: at most
//                         16; a write waiting on the peer shows here)
//   stalled_vs_reading    stalled_max_frame_ms / reading_max_frame_ms
//   reading_max_frame_cpu_ms, stalled_max_frame_cpu_ms
//                         the same in the thread's processor time: what the
//                         machine's other load adds to the wall clock is not in it
//   stalled_mean_frame_ms the mean frame with the stalled server
//   reading_heard         requests of the baseline that heard their end (all)
//   stalled_failed        requests of the stalled run that failed (those it held)
//   unheard               requests of either run that heard neither end (goal: 0)
//   heard_twice           requests that heard more than once (goal: 0)
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/HttpTransport.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVXmlDocument.h"
#include "tools/standin/StandInServer.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFrames = 150;
constexpr int kRequestsPerFrame = 2;
constexpr size_t kRequestBytes = 64 * 1024;
constexpr auto kFrameInterval = std::chrono::microseconds(16667);

// The calling thread's processor time.
double threadMs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

struct Session {
    double maxFrameMs { 0 };
    double maxFrameCpuMs { 0 };
    double meanFrameMs { 0 };
    int heard { 0 };
    int failed { 0 };
    int unheard { 0 };
    int heardTwice { 0 };
    bool connected { false };
};

class Harness {
public:
    Harness()
    {
        std::string base = fs::exists("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string();
        root_ = base + "/brisko_presence_stall_" + std::to_string(getpid());
        fs::remove_all(root_);
        fs::create_directories(root_);
        oldHome_ = platform::Bundle::main().homeDirectory();
        platform::Bundle::main().setHomeDirectory(root_);
        standin::StompStandIn::Limits limits;
        limits.receiveBuffer = 16 * 1024;
        stomp_.start(0, platform::kLoopbackAddress, limits);
        provider_ = quorvel::QVProvider::providerWithProductKey("product-key", "product-secret");
        provider_->setServerUrl("http://127.0.0.1:9/");
        provider_->setAccessToken("token-1", "token-secret-1");
    }
    ~Harness()
    {
        quorvel::QVPresenceService::shutdownService();
        stomp_.stop();
        provider_ = nullptr;
        platform::Bundle::main().setHomeDirectory(oldHome_);
        fs::remove_all(root_);
    }
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    bool ready() const { return stomp_.port() > 0; }

    Session run(bool stalled)
    {
        Session session;
        auto& loop = platform::RunLoop::main();
        quorvel::QVPresenceService::initializeService(provider_.get());
        auto* presence = quorvel::QVPresenceService::sharedInstance();
        presence->setHostAndPort(platform::kLoopbackAddress, stomp_.port());
        auto answer = quorvel::QVBootstrap::fromDocument(quorvel::QVXmlDocument::xmlDocumentWithString(
            "<bootstrap><access_token>token-1</access_token><access_token_secret>token-secret-1</access_token_secret>"
            "<presence_enabled>true</presence_enabled><presence_queue>/queue/presence.1</presence_queue></bootstrap>"));
        stomp_.setReading(true);
        if (answer)
            presence->applyBootstrap(*answer);
        session.connected = loop.runUntil([&] { return presence->carriesRequests(); }, 30);
        if (!session.connected)
            return session;
        stomp_.setReading(!stalled);

        platform::HttpTransport* transport = presence->requestTransport();
        std::vector<int> heard(kFrames * kRequestsPerFrame, 0);
        std::vector<char> failed(heard.size(), 0);
        platform::HttpRequestData request;
        request.method = "POST";
        request.url = provider_->serverUrl() + "scores.xml";
        request.body.assign(kRequestBytes, 'f');
        request.headers.emplace_back("Content-Type", "application/x-www-form-urlencoded");
        double total = 0;
        Clock::time_point next = Clock::now();
        for (int frame = 0; frame < kFrames; ++frame) {
            std::this_thread::sleep_until(next);
            next += kFrameInterval;
            const auto began = Clock::now();
            const double cpuBegan = threadMs();
            for (int r = 0; r < kRequestsPerFrame; ++r) {
                size_t index = static_cast<size_t>(frame * kRequestsPerFrame + r);
                transport->start(request, [&heard, &failed, index](platform::HttpResult&& result) {
                    ++heard[index];
                    failed[index] = result.error != platform::HttpError::None;
                });
            }
            loop.runOnce(0);
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - began).count();
            session.maxFrameMs = std::max(session.maxFrameMs, ms);
            session.maxFrameCpuMs = std::max(session.maxFrameCpuMs, threadMs() - cpuBegan);
            total += ms;
        }
        session.meanFrameMs = total / kFrames;
        loop.runUntil([&] { return std::all_of(heard.begin(), heard.end(), [](int n) { return n > 0; }); }, 60);
        for (size_t i = 0; i < heard.size(); ++i) {
            session.heard += heard[i] > 0;
            session.unheard += heard[i] == 0;
            session.heardTwice += heard[i] > 1;
            session.failed += failed[i];
        }
        quorvel::QVPresenceService::shutdownService();
        stomp_.dropConnections();
        return session;
    }

private:
    std::string root_;
    std::string oldHome_;
    standin::StompStandIn stomp_;
    platform::Ref<quorvel::QVProvider> provider_;
};

void BM_FramesWhileThePresenceServerStalls(benchmark::State& state)
{
    platform::LogCapture quiet;
    Harness harness;
    if (!harness.ready()) {
        state.SkipWithError("the stand-in channel did not start");
        return;
    }
    for (auto _ : state) {
        const Session reading = harness.run(false);
        const Session stalled = harness.run(true);
        if (!reading.connected || !stalled.connected) {
            state.SkipWithError("the channel did not connect");
            return;
        }
        state.counters["reading_max_frame_ms"] = reading.maxFrameMs;
        state.counters["stalled_max_frame_ms"] = stalled.maxFrameMs;
        state.counters["stalled_vs_reading"] = stalled.maxFrameMs / std::max(reading.maxFrameMs, 1e-6);
        state.counters["reading_max_frame_cpu_ms"] = reading.maxFrameCpuMs;
        state.counters["stalled_max_frame_cpu_ms"] = stalled.maxFrameCpuMs;
        state.counters["stalled_mean_frame_ms"] = stalled.meanFrameMs;
        state.counters["reading_heard"] = reading.heard;
        state.counters["stalled_failed"] = stalled.failed;
        state.counters["unheard"] = reading.unheard + stalled.unheard;
        state.counters["heard_twice"] = reading.heardTwice + stalled.heardTwice;
    }
}

} // namespace

BENCHMARK(BM_FramesWhileThePresenceServerStalls)->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
