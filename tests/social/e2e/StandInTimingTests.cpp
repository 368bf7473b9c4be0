// The stand-in's late answers: held until released, delayed by a range, and
// counted while they are being made, so tests can wait for a quiet service;
// late on the test's own clock, and replayed from a seed.
#include "StandInRequestSupport.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <vector>
#include <thread>

namespace {

// Polls `done` until it holds; the deadline only ends a hung test.
bool eventually(const std::function<bool()>& done)
{
    auto deadline = std::chrono::steady_clock::now() + testing_support::kHungAfter;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class StandInTiming : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.route("POST", "keep", [this](const standin::LoggedRequest&) {
            ++kept;
            return standin::Answer::xml("<kept/>");
        });
        ASSERT_GT(server.start(), 0);
    }
    void TearDown() override { server.stop(); }

    std::future<standin_testing::Reply> postLater(const std::string& path = "keep")
    {
        int port = server.port();
        return std::async(std::launch::async, [port, path] {
            return standin_testing::sendRaw(port, "POST /" + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                                  "Connection: close\r\nContent-Length: 0\r\n\r\n");
        });
    }

    standin::StandInServer server;
    std::atomic<int> kept { 0 };
};

} // namespace

TEST(StandInDelayRange, ReadsMinAndMaxMilliseconds)
{
    EXPECT_EQ(standin::parseDelayRange("20,400"), std::make_pair(20, 400));
    EXPECT_EQ(standin::parseDelayRange("0,0"), std::make_pair(0, 0));
    for (const char* bad : { "", "20", "400,20", "-1,5", "a,b", "5,", ",5", "1,99999999" })
        EXPECT_FALSE(standin::parseDelayRange(bad)) << bad;
}

TEST_F(StandInTiming, AHeldPathIsActedOnAtOnceAndAnsweredWhenReleased)
{
    server.holdAnswersTo("keep");
    auto reply = postLater();
    ASSERT_TRUE(eventually([&] { return server.heldCount() == 1; }));
    EXPECT_EQ(kept, 1) << "the state changes before the answer is held";
    EXPECT_EQ(server.answeringCount(), 1u);
    EXPECT_EQ(reply.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);

    server.releaseHeld();
    EXPECT_EQ(server.heldCount(), 0u) << "released, whether its thread has woken yet or not";
    EXPECT_EQ(reply.get().body, "<kept/>");
    EXPECT_TRUE(eventually([&] { return server.answeringCount() == 0; }));

    server.stopHolding();
    EXPECT_EQ(postLater().get().body, "<kept/>") << "no longer held";
}

TEST_F(StandInTiming, ADelayedAnswerComesAfterItsRangeAndIsCountedMeanwhile)
{
    server.setAnswerDelay(300, 300);
    auto started = std::chrono::steady_clock::now();
    auto reply = postLater();
    ASSERT_TRUE(eventually([&] { return kept == 1; }));
    EXPECT_EQ(server.answeringCount(), 1u);
    EXPECT_EQ(reply.get().body, "<kept/>");
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300));
}

// A test that saw the request in the log and released it has released it,
// even when the route (or the delay) was still running.
TEST_F(StandInTiming, AReleaseCoversARequestWhoseRouteIsStillRunning)
{
    std::promise<void> routeMayEnd;
    std::shared_future<void> mayEnd = routeMayEnd.get_future().share();
    server.route("POST", "slow", [mayEnd](const standin::LoggedRequest&) {
        mayEnd.wait();
        return standin::Answer::xml("<slow/>");
    });
    server.holdAnswersTo("slow");
    auto reply = postLater("slow");
    ASSERT_TRUE(eventually([&] { return server.requestCount() == 1; }));
    server.releaseHeld();
    routeMayEnd.set_value();
    ASSERT_EQ(reply.wait_for(testing_support::kHungAfter), std::future_status::ready);
    EXPECT_EQ(reply.get().body, "<slow/>");
    EXPECT_EQ(server.heldCount(), 0u);
}

TEST_F(StandInTiming, StoppingAnswersWhatIsHeld)
{
    server.holdAnswersTo("keep");
    auto reply = postLater();
    ASSERT_TRUE(eventually([&] { return server.heldCount() == 1; }));
    server.stop();
    reply.get(); // the server's stop does not wait on a held answer forever
    EXPECT_EQ(server.answeringCount(), 0u);
}

namespace {

// The same service with its delays on the test's manual clock.
class StandInLoopTiming : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        server.route("POST", "keep", standin::Answer::xml("<kept/>"));
        server.setAnswerDelay(300, 300);
        server.delayAnswersOnLoop(7);
        ASSERT_GT(server.start(), 0);
    }
    void TearDown() override
    {
        server.stop();
        ManualClockTest::TearDown();
    }
    // The loop turns (its clock standing still) until the answer waits for it.
    bool waitingForTheClock()
    {
        return loop().runUntil([&] { return server.heldCount() == 1; }, testing_support::kHungAfterSeconds);
    }
    std::future<standin_testing::Reply> postLater()
    {
        int port = server.port();
        return std::async(std::launch::async, [port] {
            return standin_testing::sendRaw(port, "POST /keep HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                                                  "Content-Length: 0\r\n\r\n");
        });
    }
    standin::StandInServer server;
};

} // namespace

// An answer late on the test's clock waits, counted as held, until the clock
// has moved its delay, however long the machine takes; the same seed draws
// the same delays for the same requests.
TEST_F(StandInLoopTiming, AnAnswerLateOnTheTestsClockGoesWhenTheClockHasMovedItsDelay)
{
    auto reply = postLater();
    ASSERT_TRUE(waitingForTheClock());
    ASSERT_TRUE(server.nextDelayedAnswerDue().has_value());
    EXPECT_DOUBLE_EQ(*server.nextDelayedAnswerDue(), loop().now() + 0.3);
    EXPECT_EQ(server.answeringCount(), 1u);
    advance(0.29);
    EXPECT_EQ(reply.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    EXPECT_EQ(server.heldCount(), 1u);
    advance(0.02);
    EXPECT_EQ(reply.get().body, "<kept/>");
    EXPECT_FALSE(server.nextDelayedAnswerDue());

    // Drawn from the seed, the request and how many came before: the same again for another service.
    std::vector<double> delays[2];
    for (auto& drawn : delays) {
        standin::StandInServer s;
        s.route("POST", "keep", standin::Answer::xml("<kept/>"));
        s.setAnswerDelay(0, 1000);
        s.delayAnswersOnLoop(11);
        ASSERT_GT(s.start(), 0);
        for (int n = 0; n < 3; ++n) {
            const double sent = loop().now();
            int port = s.port();
            auto r = std::async(std::launch::async, [port] {
                return standin_testing::sendRaw(port, "POST /keep HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                                                      "Content-Length: 0\r\n\r\n");
            });
            ASSERT_TRUE(loop().runUntil([&] { return s.heldCount() == 1; }, testing_support::kHungAfterSeconds));
            drawn.push_back(*s.nextDelayedAnswerDue() - sent);
            advance(1.0);
            EXPECT_EQ(r.get().body, "<kept/>");
        }
        s.stop();
    }
    EXPECT_EQ(delays[0], delays[1]);
    // Two requests of one path sent together (at one time of the clock) wait
    // alike, whichever the service took first: they land together.
    {
        standin::StandInServer s;
        s.route("POST", "keep", standin::Answer::xml("<kept/>"));
        s.setAnswerDelay(0, 1000);
        s.delayAnswersOnLoop(11);
        ASSERT_GT(s.start(), 0);
        int port = s.port();
        auto post = [port] {
            return std::async(std::launch::async, [port] {
                return standin_testing::sendRaw(port, "POST /keep HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                                                      "Content-Length: 0\r\n\r\n");
            });
        };
        auto one = post(), two = post();
        ASSERT_TRUE(loop().runUntil([&] { return s.heldCount() == 2; }, testing_support::kHungAfterSeconds));
        advance(*s.nextDelayedAnswerDue() - loop().now());
        EXPECT_EQ(s.heldCount(), 0u) << "one of two requests sent together still waits for the clock";
        advance(1.0);
        EXPECT_EQ(one.get().body, "<kept/>");
        EXPECT_EQ(two.get().body, "<kept/>");
        s.stop();
    }
    // Answers waiting for a client that went go at once when told, the clock standing.
    {
        server.holdAnswersTo("keep");
        auto waiting = postLater();
        ASSERT_TRUE(waitingForTheClock());
        server.sendWaitingAnswersNow();
        EXPECT_EQ(server.heldCount(), 0u);
        EXPECT_EQ(waiting.get().body, "<kept/>");
        server.stopHolding();
    }
    // A service that stops answers what waits for the clock at once.
    auto last = postLater();
    ASSERT_TRUE(waitingForTheClock());
    server.stop();
    EXPECT_EQ(last.get().body, "<kept/>");
}
