// The scripted transport of the unit tests: answers come later, time-outs
// follow the manual clock.
#include "platform/net/FakeHttpTransport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace platform;

namespace {

using FakeTransportTest = testing_support::ManualClockTest;

TEST_F(FakeTransportTest, ScriptedAnswersComeLaterAndTimeoutsFollowTheClock)
{
    auto fake = FakeHttpTransport::create();
    int answered = 0, timedOut = 0;
    auto completion = [&](HttpResult&& r) { (r.error == HttpError::TimedOut ? timedOut : answered)++; };
    fake->script(HttpResult::answer(200));
    HttpRequestData r;
    r.timeout = 2;
    fake->start(r, completion);
    EXPECT_EQ(answered, 0);
    loop().drain();
    EXPECT_EQ(answered, 1);
    fake->start(r, completion);
    advance(2.5);
    EXPECT_EQ(timedOut, 1);
    EXPECT_FALSE(fake->complete(HttpResult::answer(200)));
    EXPECT_EQ(fake->requests().size(), 2u);
}

// Transports belong to the main thread, whose loop delivers their answers.
TEST_F(FakeTransportTest, RequestsFromAnotherThreadFailTheAssertion)
{
    auto fake = FakeHttpTransport::create();
    std::string raised;
    std::thread other([&] {
        raised = testing_support::describeRaised([&] { fake->start(HttpRequestData {}, [](HttpResult&&) { }); });
    });
    other.join();
    EXPECT_EQ(raised, "platform/net/FakeHttpTransport: Called off the main thread; post to the main run loop instead");
    EXPECT_TRUE(fake->requests().empty());
}

} // namespace
