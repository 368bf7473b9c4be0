// Run loop: timers in virtual time, delayed calls, posts from other threads, fd watches.
#include "platform/foundation/RunLoop.h"
#include "support/TestSupport.h"

#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace platform;
using testing_support::ManualClockTest;

class RunLoopTest : public ManualClockTest { };

TEST_F(RunLoopTest, TimersFireAtTheirOwnTimesInOrder)
{
    std::vector<std::pair<std::string, double>> fired;
    loop().performAfter(0.5, [&] { fired.push_back({ "b", loop().now() }); });
    loop().performAfter(0.2, [&] { fired.push_back({ "a", loop().now() }); });
    auto start = loop().now();
    advance(0.4);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].first, "a");
    EXPECT_NEAR(fired[0].second - start, 0.2, 1e-9);
    advance(0.1);
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_NEAR(fired[1].second - start, 0.5, 1e-9);
    EXPECT_EQ(loop().timerCount(), 0u);
}

TEST_F(RunLoopTest, RepeatingTimerFiresOncePerIntervalUntilInvalidated)
{
    int count = 0;
    Ref<Timer> t = loop().scheduleTimer(0.25, true, [&](Timer& timer) {
        if (++count == 3)
            timer.invalidate();
    });
    advance(1.0);
    EXPECT_EQ(count, 3);
    EXPECT_FALSE(t->isValid());
}

TEST_F(RunLoopTest, ZeroIntervalRepeatingTimerFiresOncePerTurn)
{
    int count = 0;
    Ref<Timer> t = loop().scheduleTimer(0, true, [&](Timer&) { ++count; });
    loop().runOnce();
    loop().runOnce();
    EXPECT_EQ(count, 2);
    t->invalidate();
}

TEST_F(RunLoopTest, PostsFromOtherThreadsRunOnTheLoopThread)
{
    std::thread::id ranOn;
    bool done = false;
    std::thread worker([&] { loop().post([&] { ranOn = std::this_thread::get_id(); done = true; }); });
    worker.join();
    EXPECT_TRUE(loop().runUntil([&] { return done; }, testing_support::kHungAfterSeconds));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST_F(RunLoopTest, FdWatchReportsReadability)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string got;
    int id = loop().watchFd(fds[0], RunLoop::Readable, [&](short ready) {
        char buf[16];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n > 0)
            got.append(buf, static_cast<size_t>(n));
    });
    ASSERT_EQ(write(fds[1], "hi", 2), 2);
    EXPECT_TRUE(loop().runUntil([&] { return got == "hi"; }, testing_support::kHungAfterSeconds));
    loop().unwatchFd(id);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(RunLoopTest, ThrowingCallbackLeavesTheLoopUsable)
{
    int later = 0;
    loop().performAfter(0.1, [] { throw std::runtime_error("boom"); });
    loop().performAfter(0.2, [&] { ++later; });
    EXPECT_THROW(advance(0.3), std::runtime_error);
    advance(0.3);
    EXPECT_EQ(later, 1);
}

TEST_F(RunLoopTest, TimerRescheduledDuringAdvanceFiresAtItsNewTime)
{
    std::vector<double> times;
    double start = loop().now();
    Ref<Timer> t = loop().scheduleTimer(1.0, false, [&](Timer&) { times.push_back(loop().now() - start); });
    advance(0.5);
    t->setFireTime(start + 0.7);
    advance(1.0);
    ASSERT_EQ(times.size(), 1u);
    EXPECT_NEAR(times[0], 0.7, 1e-9);
}

// Another thread may only post: scheduling, watching or turning the loop there
// fails the assertion and leaves the loop as it was.
TEST_F(RunLoopTest, OwnerOnlyMethodsFailTheirAssertionOnAnotherThread)
{
    auto timer = loop().performAfter(1, [] { });
    std::vector<std::string> raised;
    std::thread other([&] {
        auto expect = [&](const std::function<void()>& f) { raised.push_back(testing_support::describeRaised(f)); };
        expect([&] { loop().performAfter(1, [] { }); });
        expect([&] { loop().watchFd(0, RunLoop::Readable, [](short) { }); });
        expect([&] { loop().runOnce(); });
        expect([&] { loop().advance(1); });
        expect([&] { timer->invalidate(); });
        expect([&] { loop().post([] { }); });
    });
    other.join();
    const std::string owner = "platform/foundation/RunLoop: Run loop used off its owning thread; post to it instead";
    EXPECT_EQ(raised, (std::vector<std::string> { owner, owner, owner, owner, owner, "nothing raised" }));
    EXPECT_EQ(loop().timerCount(), 1u);
    EXPECT_TRUE(timer->isValid());
}

TEST_F(RunLoopTest, ResetLetsGoOfWhatDroppedTimersAndPostsHeld)
{
    // A timer kept by its owner must not keep its captures once the loop drops it.
    auto alive = std::make_shared<int>(0);
    std::weak_ptr<int> timerCapture = alive;
    Ref<Timer> kept = loop().performAfter(1, [alive] { });
    alive = std::make_shared<int>(0);
    std::weak_ptr<int> postCapture = alive;
    loop().post([alive] { });
    alive.reset();

    loop().reset();
    EXPECT_FALSE(kept->isValid());
    EXPECT_TRUE(timerCapture.expired());
    EXPECT_TRUE(postCapture.expired());

    // The loop still works afterwards.
    int fired = 0;
    loop().performAfter(0.1, [&] { ++fired; });
    advance(0.2);
    EXPECT_EQ(fired, 1);
}
