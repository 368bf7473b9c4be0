// The presence channel under attack keeps the bounds HTTP keeps: a flood of
// requests whose answers nobody reads stays within the channel's budget, in
// a child whose memory is capped, and a player is still answered; one
// connection's pipelined requests leave workers for everyone else, and what
// waits for a worker is bounded; and a frame may carry no more header lines
// than an HTTP request may.
#include "StandInSocketSupport.h"

#include "support/TestSupport.h"
#include "tools/standin/StandInHttp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STANDIN_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define STANDIN_UNDER_ASAN 1
#endif

#if !defined(STANDIN_UNDER_ASAN)
#include <malloc.h>
#include <pthread.h>
#endif

using standin_testing::eventually;
using standin_testing::RawConnection;

namespace {

std::string request(const std::string& correlation, const std::string& path)
{
    return standin::makeStompFrame("SEND", { { "destination", standin::kRequestDestination },
                                             { "correlation-id", correlation },
                                             { "method", "GET" },
                                             { "path", path } });
}

std::string session(const std::string& queue)
{
    return standin::makeStompFrame("CONNECT", { { "login", "token-1" } })
        + standin::makeStompFrame("SUBSCRIBE", { { "destination", queue } });
}

// The status of the answer to `correlation` on a connection (0 when none came).
int answerTo(RawConnection& c, const std::string& correlation)
{
    std::string buffer;
    for (;;) {
        for (auto& f : standin::takeStompFrames(buffer))
            if (f.command == "MESSAGE" && f.header("correlation-id") == correlation)
                return std::atoi(f.header("status").c_str());
        std::string more = c.readOnce();
        if (more.empty())
            return 0;
        buffer += more;
    }
}

// A player's signed round trip is not needed: any answer over HTTP shows a worker took it.
int pingOverHttp(int port)
{
    RawConnection c(port);
    return c.send("GET /ping HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n") ? c.readReply().status : 0;
}

// Sixty connections each ask for 190 answers of 64 KiB and read none: 710
// MiB if the channel kept them all. It reads each no further once it leaves
// 1 MiB of answers unread, and keeps what its budget holds (closing the
// connections holding the most past it); once nothing more moves, a new
// player is answered inside the channel and over HTTP. With `capMemory`, the
// process may not grow 256 MiB past what it had before.
int floodThenServeAPlayer(bool capMemory)
{
#if !defined(STANDIN_UNDER_ASAN)
    if (capMemory) {
        // The servers' threads take one arena and small stacks, so what grows is what they hold.
        mallopt(M_ARENA_MAX, 1);
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        pthread_attr_setstacksize(&attributes, 512 * 1024);
        pthread_setattr_default_np(&attributes);
        testing_support::capAddressSpace(256);
    }
#else
    (void)capMemory;
#endif
    standin::StandInServer server;
    server.route("GET", "big", standin::Answer::xml(std::string(64 * 1024, 'x')));
    server.route("GET", "ping", standin::Answer::xml("<pong/>"));
    standin::StompStandIn stomp;
    if (server.start() <= 0 || stomp.start() <= 0)
        return 2;
    stomp.forwardRequestsTo(server);
    std::vector<std::unique_ptr<RawConnection>> flood;
    for (int i = 0; i < 60; ++i) {
        std::string frames = session("/queue/flood." + std::to_string(i));
        for (int n = 0; n < 190; ++n)
            frames += request(std::to_string(n), "big");
        flood.push_back(std::make_unique<RawConnection>(stomp.port()));
        if (!flood.back()->send(frames))
            return 3;
    }
    // Nothing more moves: no request in the workers, and every connection
    // left open is read no further until it reads its answers.
    if (!eventually([&] {
            auto load = stomp.load();
            return load.working == 0 && load.paused == stomp.openConnections() && server.answeringCount() == 0;
        }))
        return 4;
    if (stomp.load().bytes > standin::StompStandIn::Limits().inFlightBudget)
        return 5;
    RawConnection player(stomp.port());
    if (!player.send(session("/queue/presence.17") + request("p", "ping")) || answerTo(player, "p") != 200)
        return 6;
    return pingOverHttp(server.port()) == 200 ? 0 : 7;
}

} // namespace

TEST(StandInChannelFloodDeathTest, UnreadAnswersStayWithinTheBudgetAndAPlayerIsStillAnswered)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
#if !defined(STANDIN_UNDER_ASAN)
    const bool capMemory = true;
#else
    const bool capMemory = false; // the sanitizer's own memory cannot be capped: the budget is measured alone
#endif
    EXPECT_EXIT(std::_Exit(floodThenServeAPlayer(capMemory)), ::testing::ExitedWithCode(0), "");
}

TEST(StandInChannelFlood, OneConnectionsPipelinedRequestsLeaveWorkersForTheOtherPlayers)
{
    standin::StandInServer server;
    standin::StompStandIn stomp;
    // The flood's route waits until the test lets it go (at the latest when the test ends).
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool open { false };
        void wait()
        {
            std::unique_lock lock(mutex);
            opened.wait(lock, [this] { return open; });
        }
        void letGo()
        {
            std::lock_guard guard(mutex);
            open = true;
            opened.notify_all();
        }
    };
    auto gate = std::make_shared<Gate>();
    server.route("GET", "slow", [gate](const standin::LoggedRequest&) {
        gate->wait();
        return standin::Answer::xml("<slow/>");
    });
    server.route("GET", "ping", standin::Answer::xml("<pong/>"));
    ASSERT_GT(server.start(), 0);
    ASSERT_GT(stomp.start(), 0);
    stomp.forwardRequestsTo(server);
    struct LetGo {
        std::shared_ptr<Gate> gate;
        ~LetGo() { gate->letGo(); }
    } letGoAtTheEnd { gate };

    RawConnection flood(stomp.port());
    std::string frames = session("/queue/flood");
    for (int n = 0; n < 200; ++n)
        frames += request(std::to_string(n), "slow");
    ASSERT_TRUE(flood.send(frames));
    // A few of them are in the workers; the rest wait in the channel.
    const size_t atOnce = standin::StompStandIn::Limits().requestsAtOnce;
    ASSERT_TRUE(eventually([&] {
        auto load = stomp.load();
        return load.working == atOnce && load.paused == 1;
    })) << stomp.load().working;

    // Other players are answered meanwhile, over HTTP and inside the channel.
    EXPECT_EQ(pingOverHttp(server.port()), 200);
    RawConnection player(stomp.port());
    ASSERT_TRUE(player.send(session("/queue/presence.17") + request("p", "ping")));
    EXPECT_EQ(answerTo(player, "p"), 200);
    // Its request leaves the workers; the flood's stay there, no more of them.
    EXPECT_TRUE(eventually([&] { return stomp.load().working == atOnce; }));

    // Let go, the flood is answered in full.
    gate->letGo();
    std::string buffer;
    size_t answered = 0;
    while (answered < 200) {
        for (auto& f : standin::takeStompFrames(buffer))
            answered += f.command == "MESSAGE" && f.header("status") == "200";
        if (answered < 200) {
            std::string more = flood.readOnce();
            ASSERT_FALSE(more.empty()) << answered << " answered";
            buffer += more;
        }
    }
}

TEST(StandInChannelFlood, AFrameCarriesAtMostAHundredHeaderLinesAsAnHttpRequestDoes)
{
    auto frameWith = [](int headers) {
        std::string frame = "SEND\n";
        for (int i = 0; i < headers; ++i)
            frame += "h" + std::to_string(i) + ":v\n";
        return frame + "\n" + std::string(1, '\0');
    };
    std::string refusal;
    std::string hundred = frameWith(100);
    ASSERT_EQ(standin::takeStompFrames(hundred, &refusal).size(), 1u) << refusal;
    for (std::string over : { frameWith(101), frameWith(450000) }) {
        EXPECT_TRUE(standin::takeStompFrames(over, &refusal).empty());
        EXPECT_EQ(refusal, "a frame has over 100 header lines");
        EXPECT_TRUE(over.empty());
    }
    // A head still arriving is refused once its lines are too many, whatever follows.
    std::string arriving = frameWith(101).substr(0, frameWith(101).size() - 2);
    refusal.clear();
    EXPECT_TRUE(standin::takeStompFrames(arriving, &refusal).empty());
    EXPECT_EQ(refusal, "a frame has over 100 header lines");

    // Over a connection, before CONNECT and before its head ends: refused and closed, nothing acted on.
    standin::StompStandIn stomp;
    std::vector<std::string> log;
    std::mutex mutex;
    stomp.setLogSink([&](const std::string& line) {
        std::lock_guard guard(mutex);
        log.push_back(line);
    });
    ASSERT_GT(stomp.start(), 0);
    RawConnection c(stomp.port());
    const std::string head = frameWith(200);
    ASSERT_TRUE(c.send(head.substr(0, head.size() - 2)));
    EXPECT_TRUE(c.readToEnd());
    std::lock_guard guard(mutex);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "refused a frame and closed its connection: a frame has over 100 header lines");
    EXPECT_TRUE(stomp.frames().empty());
}

// What waits for a worker is bounded: past it a request is refused at once
// (the server answers it 503 and logs it "not taken").
TEST(StandInChannelFlood, TheWorkersTakeAsManyTasksAsMayWaitAndRefuseTheNext)
{
    using Posted = standin::http::WorkerPool::Posted;
    std::promise<void> started, release;
    std::shared_future<void> released = release.get_future().share();
    standin::http::WorkerPool pool(1, 2);
    ASSERT_EQ(pool.post([&started, released] {
        started.set_value();
        released.wait();
    }),
              Posted::Queued);
    started.get_future().wait(); // the one worker is busy, nothing waits
    EXPECT_EQ(pool.post([] { }), Posted::Queued);
    EXPECT_EQ(pool.post([] { }), Posted::Queued);
    EXPECT_EQ(pool.post([] { }), Posted::Full);
    release.set_value();
    pool.stop();
    EXPECT_EQ(pool.post([] { }), Posted::Stopped);
}
