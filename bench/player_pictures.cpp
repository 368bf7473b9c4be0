// A page of players' pictures: 500 players (QVUser records, as a game's list
// of players holds them) ask for their profile pictures at once, against an
// in-process picture server on loopback, every download through the shared
// image cache's queue. Each iteration first asks for one player's picture (the
// baseline), then for the page's, turning the main loop one turn at a time so
// that the length of every turn is known. Pictures are JPEGs of a photo's
// grain, 64 or 256 pixels a side (the benchmark's argument), each player's its own.
// Reported per run, for the page (and the baseline as one_...):
//   connections         the most transfers open at once (goal: at most 8)
//   longest_turn_ms     the longest main-loop turn on the wall clock, the page's
//                       asking included (goal: under 100 on a busy machine)
//   longest_turn_cpu_ms the same in the thread's processor time, which the
//                       machine's other load does not lengthen
//   heap_MiB            the most heap in use above what was in use before the
//                       run, at the end of a turn (goal: within the cache's
//                       budget, 32, plus a bounded queue)
//   rss_MiB             the process's peak resident memory above what it held
//                       before the run (freed heap an earlier run left counts
//                       as held, so this moves from run to run)
//   cache_peak_MiB      the cache's highest byte count
//   told                pictures the players were told of (goal: all of them)
//   turn_vs_one, connections_vs_one, heap_above_one_MiB
//                       the page's against the baseline's
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/Image.h"
#include "platform/net/CurlHttpTransport.h"
#include "social/runtime/QVImageCache.h"
#include "social/services/QVUser.h"
#include "tools/standin/StandInServer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <malloc.h>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::Ref;
using quorvel::QVImageCache;
using quorvel::QVUser;

double threadSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Bytes of heap in use, in MiB (every arena).
double heapMiB() { return double(mallinfo2().uordblks) / (1024 * 1024); }

double wallSeconds() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// A field of /proc/self/status in MiB ("VmRSS", "VmHWM").
double statusMiB(const std::string& field)
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stod(line.substr(field.size() + 1)) / 1024.0;
    return 0;
}

// Starts the peak resident memory afresh from what is held now.
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The libcurl transport, counting the most transfers open at once.
class CountingTransport final : public platform::HttpTransport {
public:
    RequestId start(platform::HttpRequestData request, Completion completion) override
    {
        const RequestId id = inner_->start(std::move(request), std::move(completion));
        peak = std::max(peak, inner_->activeCount());
        return id;
    }
    void cancel(RequestId id) override { inner_->cancel(id); }
    size_t activeCount() const override { return inner_->activeCount(); }
    size_t peak { 0 };

private:
    Ref<platform::CurlHttpTransport> inner_ = platform::CurlHttpTransport::create();
};

class Pictures final : public quorvel::QVUserDelegate {
public:
    void didGetProfilePicture(platform::Image*, QVUser*) override { ++told; }
    void didFailGetProfilePictureQVUser(QVUser*) override { ++failed; }
    size_t told { 0 }, failed { 0 };
};

// Sixteen pictures of a side's size: a photo's grain over a gradient.
const std::vector<std::string>& picturesOfSide(uint32_t side)
{
    static std::map<uint32_t, std::vector<std::string>> made;
    auto& pictures = made[side];
    std::mt19937 grain(side);
    while (pictures.size() < 16) {
        const auto shade = uint32_t(pictures.size());
        platform::Bytes rgba(size_t(side) * side * 4);
        for (size_t at = 0; at < rgba.size(); at += 4) {
            const auto x = uint32_t(at / 4 % side), y = uint32_t(at / 4 / side);
            rgba[at] = uint8_t(x * 255 / side / 2 + grain() % 64 + shade * 4);
            rgba[at + 1] = uint8_t(y * 255 / side / 2 + grain() % 64);
            rgba[at + 2] = uint8_t(grain() % 128 + 60);
            rgba[at + 3] = 255;
        }
        auto jpeg = platform::Image::imageWithRGBA(side, side, std::move(rgba))->jpegData(0.85f);
        pictures.emplace_back(jpeg->begin(), jpeg->end());
    }
    return pictures;
}

struct Run {
    size_t connections { 0 };
    double longestMs { 0 }, longestCpuMs { 0 }, heapMiB { 0 }, rssMiB { 0 }, cachePeakMiB { 0 };
    size_t told { 0 };
};

Run askForPictures(standin::StandInServer& server, uint32_t side, int players, int round)
{
    auto transport = platform::makeRef<CountingTransport>();
    platform::HttpTransport::setShared(transport);
    QVImageCache::initializeCache();
    Pictures pictures;
    QVUser::setDelegate(&pictures);
    std::vector<Ref<QVUser>> page;
    for (int n = 0; n < players; ++n) {
        page.push_back(QVUser::create());
        // A new address each round: nothing comes from an earlier one.
        page.back()->setProfilePictureUrl(server.baseUrl() + "pictures/" + std::to_string(round) + "-"
                                          + std::to_string(n) + "-" + std::to_string(side) + ".jpg");
    }
    const double rssBefore = statusMiB("VmRSS"), heapBefore = heapMiB();
    resetPeakMemory();
    Run run;
    auto turn = [&](auto&& work) {
        const double wall = wallSeconds(), cpu = threadSeconds();
        work();
        run.longestMs = std::max(run.longestMs, (wallSeconds() - wall) * 1000);
        run.longestCpuMs = std::max(run.longestCpuMs, (threadSeconds() - cpu) * 1000);
        run.heapMiB = std::max(run.heapMiB, heapMiB() - heapBefore);
    };
    // The game's turn that asks, then the main loop's until every player is told.
    turn([&] {
        for (auto& user : page)
            user->getProfilePicture();
    });
    const double giveUp = wallSeconds() + 120;
    while (pictures.told + pictures.failed < page.size() && wallSeconds() < giveUp)
        turn([] { platform::RunLoop::main().runOnce(0.005); });
    run.rssMiB = std::max(0.0, statusMiB("VmHWM") - rssBefore);
    run.connections = transport->peak;
    run.cachePeakMiB = double(QVImageCache::sharedInstance()->peakBytes()) / (1024 * 1024);
    run.told = pictures.told;
    QVUser::setDelegate(nullptr);
    page.clear();
    QVImageCache::shutdownCache();
    platform::HttpTransport::setShared(nullptr);
    return run;
}

void BM_PlayersPictures(benchmark::State& state)
{
    const auto side = uint32_t(state.range(0));
    constexpr int kPlayers = 500;
    standin::StandInServer server;
    if (server.start() <= 0) {
        state.SkipWithError("the picture server does not start");
        return;
    }
    const std::vector<std::string>& bodies = picturesOfSide(side);
    server.routePrefix("GET", "pictures/", [&bodies](const standin::LoggedRequest& request) {
        standin::Answer answer;
        answer.contentType = "image/jpeg";
        // "pictures/ROUND-PLAYER-SIDE.jpg": the player's picture among the sixteen.
        const size_t first = request.path.find('-') + 1;
        answer.body = bodies[std::stoul(request.path.substr(first)) % bodies.size()];
        return answer;
    });
    Run one, page;
    int round = 0;
    for (auto _ : state) {
        one = askForPictures(server, side, 1, ++round);
        page = askForPictures(server, side, kPlayers, ++round);
    }
    server.stop();
    state.counters["one_connections"] = double(one.connections);
    state.counters["one_longest_turn_ms"] = one.longestMs;
    state.counters["connections"] = double(page.connections);
    state.counters["longest_turn_ms"] = page.longestMs;
    state.counters["longest_turn_cpu_ms"] = page.longestCpuMs;
    state.counters["one_heap_MiB"] = one.heapMiB;
    state.counters["heap_MiB"] = page.heapMiB;
    state.counters["rss_MiB"] = page.rssMiB;
    state.counters["cache_peak_MiB"] = page.cachePeakMiB;
    state.counters["told"] = double(page.told);
    state.counters["turn_vs_one"] = one.longestMs > 0 ? page.longestMs / one.longestMs : 0;
    state.counters["connections_vs_one"] = one.connections ? double(page.connections) / double(one.connections) : 0;
    state.counters["heap_above_one_MiB"] = page.heapMiB - one.heapMiB;
}

BENCHMARK(BM_PlayersPictures)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
