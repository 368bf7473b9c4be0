// Waiting for a quiet network: a settle ends once every answer, and what the
// answers started, has come in; it leaves held answers to the test (only
// those of requests the client still waits on) and names what hangs. A stepped wait moves the clock only while nothing is in flight.
#include "support/TestSupport.h"

#include "platform/net/CurlHttpTransport.h"
#include "tools/standin/SettleNetwork.h"
#include "tools/standin/StandInServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::HttpResult;
using testing_support::kHungAfterSeconds;

class SettleNetworkTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        transport = platform::CurlHttpTransport::create();
        platform::HttpTransport::setShared(platform::Ref<platform::HttpTransport>(transport.get()));
        for (const char* path : { "a", "b" })
            server.route("GET", path, standin::Answer::xml(std::string("<") + path + "/>"));
        ASSERT_GT(server.start(), 0);
    }
    void TearDown() override
    {
        platform::HttpTransport::setShared(nullptr);
        transport = nullptr;
        server.stop();
        ManualClockTest::TearDown();
    }
    // Fetches a path of the service; the answer's path is heard.
    void get(const std::string& path, const standin::StandInServer& from, std::function<void()> then = {})
    {
        platform::HttpRequestData request;
        request.url = from.baseUrl() + path;
        transport->start(request, [this, path, then](HttpResult&&) {
            heard.push_back(path);
            if (then)
                then();
        });
    }
    standin::NetworkParties parties() const { return { { &server }, nullptr }; }

    standin::StandInServer server;
    platform::Ref<platform::CurlHttpTransport> transport;
    std::vector<std::string> heard;
};

TEST_F(SettleNetworkTest, ASettleEndsOnceTheAnswersAndWhatTheyStartedHaveComeIn)
{
    server.setAnswerDelay(20, 150);
    // The first answer asks for the second on the loop's next turn.
    get("a", server, [this] { loop().post([this] { get("b", server); }); });
    EXPECT_FALSE(standin::networkQuiet(parties()));
    ASSERT_TRUE(standin::settleNetwork(parties(), kHungAfterSeconds));
    EXPECT_EQ(heard, (std::vector<std::string> { "a", "b" }));
}

TEST_F(SettleNetworkTest, HeldAnswersAreLeftToTheTest)
{
    server.holdAnswersTo("a");
    get("a", server);
    get("b", server);
    ASSERT_TRUE(standin::settleNetwork(parties(), kHungAfterSeconds));
    EXPECT_EQ(heard, std::vector<std::string> { "b" });
    EXPECT_EQ(server.heldCount(), 1u);

    server.releaseHeld();
    EXPECT_FALSE(standin::networkQuiet(parties())) << "released: on its way";
    ASSERT_TRUE(standin::settleNetwork(parties(), kHungAfterSeconds));
    EXPECT_EQ(heard, (std::vector<std::string> { "b", "a" }));
}

// An answer still held for a request the client gave up on stands for no
// other request: one not taken by the service yet keeps the network busy.
TEST_F(SettleNetworkTest, AnAnswerHeldForARequestGivenUpStandsForNoOther)
{
    server.holdAnswersTo("a");
    platform::HttpRequestData request;
    request.url = server.baseUrl() + "a";
    const auto givenUp = transport->start(request, [this](HttpResult&&) { heard.push_back("a"); });
    ASSERT_TRUE(loop().runUntil([&] { return server.heldCount() == 1; }, kHungAfterSeconds));
    transport->cancel(givenUp);
    get("b", server);
    EXPECT_FALSE(standin::networkQuiet(parties())) << "a request on its way was taken for the one given up";
    ASSERT_TRUE(standin::settleNetwork(parties(), kHungAfterSeconds));
    EXPECT_EQ(heard, std::vector<std::string> { "b" });
    server.releaseHeld();
}

// The client's own work (a channel connecting, a picture decoding) is busy
// whatever answers the test holds: a held answer does not stand for it.
TEST_F(SettleNetworkTest, TheClientsOwnWorkIsNeverTakenForAHeldAnswer)
{
    server.holdAnswersTo("a");
    get("a", server);
    size_t work = 1;
    standin::NetworkParties busy { { &server }, nullptr, {}, [&] { return work; } };
    ASSERT_TRUE(loop().runUntil([&] { return server.heldCount() == 1; }, kHungAfterSeconds));
    standin::Settled settled = standin::networkQuiet(busy);
    EXPECT_FALSE(settled);
    EXPECT_EQ(settled.inFlight, "1 piece(s) of the client's own work under way (besides 1 answer(s) held by the test)");
    work = 0;
    EXPECT_TRUE(standin::networkQuiet(busy));
    server.releaseHeld();
    ASSERT_TRUE(standin::settleNetwork(parties(), kHungAfterSeconds));
}

TEST_F(SettleNetworkTest, AHungTransferEndsTheSettleAtItsDeadlineNamingIt)
{
    // A service the settle does not know of, holding its answer.
    standin::StandInServer other;
    other.route("GET", "a", standin::Answer::xml("<a/>"));
    other.holdAnswersTo("a");
    ASSERT_GT(other.start(), 0);
    get("a", other);
    standin::Settled settled = standin::settleNetwork(parties(), 0.2);
    EXPECT_FALSE(settled);
    EXPECT_EQ(settled.inFlight, "1 transfer(s) of the client in flight");
    EXPECT_TRUE(heard.empty());
    other.stop();
}

TEST_F(SettleNetworkTest, AStepWaitMovesTheClockOnlyWhileNothingIsInFlight)
{
    const double start = loop().now();
    server.setAnswerDelay(200, 200);
    get("a", server);
    bool fired = false;
    auto timer = loop().performAfter(1.0, [&] { fired = true; });
    std::vector<double> steps;
    auto step = [&](double seconds) {
        steps.push_back(seconds);
        loop().advance(seconds);
    };
    ASSERT_TRUE(standin::waitSteppingClock(parties(), [&] { return !heard.empty(); },
                                           { step, nullptr, 60, kHungAfterSeconds }));
    EXPECT_EQ(loop().now(), start) << "the answer came in while the clock stood";
    EXPECT_FALSE(fired);

    ASSERT_TRUE(standin::waitSteppingClock(parties(), [&] { return fired; }, { step, nullptr, 60, kHungAfterSeconds }));
    EXPECT_GE(loop().now() - start, 1.0);
    EXPECT_LE(loop().now() - start, 1.1 + 1e-9) << "no step past the one that fired it";
    EXPECT_EQ(steps.front(), 0.1);

    // Nothing to wait for: false once the clock's bound has passed.
    EXPECT_FALSE(standin::waitSteppingClock(parties(), [] { return false; }, { step, nullptr, 2, kHungAfterSeconds }));
}

} // namespace
