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
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
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

    std::future<standin_testing::Reply> postLater()
    {
        int port = server.port();
        return std::async(std::launch::async, [port] {
            return standin_testing::sendRaw(port, "POST /keep HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                                                  "Content-Length: 0\r\n\r\n");
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

TEST_F(StandInTiming, StoppingAnswersWhatIsHeld)
{
    server.holdAnswersTo("keep");
    auto reply = postLater();
    ASSERT_TRUE(eventually([&] { return server.heldCount() == 1; }));
    server.stop();
    reply.get(); // the server's stop does not wait on a held answer forever
    EXPECT_EQ(server.answeringCount(), 0u);
}
