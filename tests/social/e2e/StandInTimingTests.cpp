// The stand-in's late answers: held until released, delayed by a range, and
// counted while they are being made, so tests can wait for a quiet service.
#include "StandInRequestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
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
