// Scheduler: ordering of updates and timers, intervals, pause, time scale and
// re-entrant scheduling from inside callbacks, all in hand-ticked virtual time.
#include "engine/KSScheduler.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "support/Assertions.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <string>
#include <vector>

using namespace kestrel;
using platform::adoptRef;

namespace {

std::vector<std::string> calls;

class Probe : public Object {
public:
    static Ref<Probe> make(std::string name) { return adoptRef(new Probe(std::move(name))); }

    void update(ksTime dt)
    {
        calls.push_back(name + ".update(" + num(dt) + ")");
        if (onUpdate)
            onUpdate(dt);
    }
    void tick(ksTime dt)
    {
        calls.push_back(name + ".tick(" + num(dt) + ")");
        if (onTick)
            onTick(dt);
    }
    void tock(ksTime dt)
    {
        calls.push_back(name + ".tock(" + num(dt) + ")");
        if (onTock)
            onTock(dt);
    }

    static std::string num(float v)
    {
        return platform::format("%g", static_cast<double>(v));
    }

    std::string name;
    std::function<void(ksTime)> onUpdate, onTick, onTock;
    static inline int alive = 0;
    ~Probe() override { --alive; }

private:
    explicit Probe(std::string n) : name(std::move(n)) { ++alive; }
};

const SEL_SCHEDULE kTick = BRISKO_SELECTOR(Probe, tick);
const SEL_SCHEDULE kTock = BRISKO_SELECTOR(Probe, tock);

class SchedulerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls.clear();
        sched = KSScheduler::sharedScheduler();
    }
    void TearDown() override { KSScheduler::purgeSharedScheduler(); }
    KSScheduler* sched { nullptr };
};

} // namespace

TEST_F(SchedulerTest, UpdatesRunByPriorityThenSchedulingOrder)
{
    auto neg1 = Probe::make("n1"), a = Probe::make("a"), b = Probe::make("b");
    auto pos = Probe::make("p"), neg2 = Probe::make("n2");
    sched->scheduleUpdateForTarget(neg1.get(), -5, false);
    sched->scheduleUpdateForTarget(a.get(), 0, false);
    sched->scheduleUpdateForTarget(b.get(), 0, false);
    sched->scheduleUpdateForTarget(pos.get(), 3, false);
    sched->scheduleUpdateForTarget(neg2.get(), -5, false);
    sched->tick(0.5f);
    EXPECT_EQ(calls, (std::vector<std::string> { "n1.update(0.5)", "n2.update(0.5)", "a.update(0.5)",
                                                  "b.update(0.5)", "p.update(0.5)" }));
}

TEST_F(SchedulerTest, TimersRunAfterUpdatesTargetByTargetInSchedulingOrder)
{
    auto x = Probe::make("x"), y = Probe::make("y");
    sched->scheduleSelector(kTick, y.get(), 0, false);
    sched->scheduleSelector(kTick, x.get(), 0, false);
    sched->scheduleSelector(kTock, y.get(), 0, false);
    sched->scheduleUpdateForTarget(x.get(), 1, false);
    sched->tick(0.25f);
    EXPECT_EQ(calls, (std::vector<std::string> { "x.update(0.25)", "y.tick(0)", "y.tock(0)", "x.tick(0)" }));
}

TEST_F(SchedulerTest, IntervalTimerFiresWhenSummedStepsReachTheInterval)
{
    auto t = Probe::make("t");
    sched->scheduleSelector(kTick, t.get(), 0.5f, false);
    for (int i = 0; i < 4; ++i)
        sched->tick(0.2f);
    // elapsed 0, 0.2, 0.4, 0.6: fires on the fourth tick with 0.6, then restarts from 0.
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], "t.tick(0.6)");
    for (int i = 0; i < 2; ++i)
        sched->tick(0.2f);
    EXPECT_EQ(calls.size(), 1u);
    sched->tick(0.2f);
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(SchedulerTest, ZeroIntervalTimerFiresEveryTickFirstWithZero)
{
    auto t = Probe::make("t");
    sched->scheduleSelector(kTick, t.get(), 0, false);
    sched->tick(0.1f);
    sched->tick(0.3f);
    EXPECT_EQ(calls, (std::vector<std::string> { "t.tick(0)", "t.tick(0.3)" }));
}

TEST_F(SchedulerTest, SchedulingTheSameSelectorTwiceKeepsOneTimerWithTheNewInterval)
{
    auto t = Probe::make("t");
    sched->scheduleSelector(kTick, t.get(), 10, false);
    sched->tick(0.1f); // elapsed 0
    sched->tick(0.4f); // elapsed 0.4
    sched->scheduleSelector(kTick, t.get(), 0.5f, false);
    EXPECT_TRUE(calls.empty());
    sched->tick(0.1f); // elapsed 0.5 >= 0.5
    EXPECT_EQ(calls, (std::vector<std::string> { "t.tick(0.5)" }));
}

TEST_F(SchedulerTest, TimeScaleScalesEveryUpdateAndTimer)
{
    auto t = Probe::make("t");
    sched->setTimeScale(0.5f);
    sched->scheduleUpdateForTarget(t.get(), 0, false);
    sched->scheduleSelector(kTick, t.get(), 0, false);
    sched->tick(1.0f);
    sched->tick(1.0f);
    EXPECT_EQ(calls, (std::vector<std::string> { "t.update(0.5)", "t.tick(0)", "t.update(0.5)", "t.tick(0.5)" }));
}

TEST_F(SchedulerTest, PauseStopsTimersAndUpdateWithoutTouchingElapsedTime)
{
    auto t = Probe::make("t");
    sched->scheduleUpdateForTarget(t.get(), 0, false);
    sched->scheduleSelector(kTick, t.get(), 1.0f, false);
    sched->tick(0.6f); // timer elapsed 0
    sched->tick(0.6f); // elapsed 0.6
    calls.clear();
    sched->pauseTarget(t.get());
    sched->tick(5.0f);
    EXPECT_TRUE(calls.empty());
    sched->resumeTarget(t.get());
    sched->tick(0.3f); // elapsed 0.9: no firing
    sched->tick(0.1f); // elapsed 1.0: fires
    EXPECT_EQ(calls, (std::vector<std::string> { "t.update(0.3)", "t.update(0.1)", "t.tick(1)" }));
}

TEST_F(SchedulerTest, AssertionsCarryTheDocumentedMessages)
{
    auto t = Probe::make("t");
    sched->scheduleSelector(kTick, t.get(), 0, false);
    EXPECT_ASSERTION(sched->scheduleSelector(kTock, t.get(), 0, true), "engine/KSScheduler",
                     "KSScheduler. Trying to schedule a selector with a pause value different than the target");
    EXPECT_NO_THROW(sched->unscheduleSelector(SEL_SCHEDULE(), nullptr));
    EXPECT_THROW(sched->unscheduleSelector(kTick, nullptr), platform::AssertionFailure);
    EXPECT_THROW(sched->unscheduleSelector(SEL_SCHEDULE(), t.get()), platform::AssertionFailure);
    EXPECT_THROW((void)KSScheduler::alloc(), platform::AssertionFailure);
    EXPECT_THROW((void)KSTimer::alloc()->init(), platform::AssertionFailure);
    EXPECT_THROW(sched->scheduleTimer(nullptr), platform::AssertionFailure);
}

TEST_F(SchedulerTest, SchedulingAnUpdateTwiceIsRefused)
{
    auto t = Probe::make("t");
    sched->scheduleUpdateForTarget(t.get(), 0, false);
    EXPECT_THROW(sched->scheduleUpdateForTarget(t.get(), 2, false), platform::AssertionFailure);
    sched->tick(1);
    EXPECT_EQ(calls.size(), 1u);
    sched->unscheduleUpdateForTarget(t.get());
    sched->scheduleUpdateForTarget(t.get(), 2, false);
    sched->tick(1);
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(SchedulerTest, ScheduledTargetsAreRetainedUntilUnscheduled)
{
    Probe* raw;
    {
        auto t = Probe::make("t");
        raw = t.get();
        sched->scheduleSelector(kTick, raw, 0, false);
        sched->scheduleUpdateForTarget(raw, 0, false);
    }
    EXPECT_EQ(raw->retainCount(), 2);
    sched->unscheduleAllSelectorsForTarget(raw);
    // Released: nothing left to call.
    sched->tick(1);
    EXPECT_TRUE(calls.empty());
}

TEST_F(SchedulerTest, TimerThatUnschedulesItselfFinishesAndTheNextTimerStillRuns)
{
    auto t = Probe::make("t");
    t->onTick = [&](ksTime) { sched->unscheduleSelector(kTick, t.get()); };
    sched->scheduleSelector(kTick, t.get(), 0, false);
    sched->scheduleSelector(kTock, t.get(), 0, false);
    sched->tick(0.1f);
    sched->tick(0.1f);
    EXPECT_EQ(calls, (std::vector<std::string> { "t.tick(0)", "t.tock(0)", "t.tock(0.1)" }));
}

TEST_F(SchedulerTest, TargetLosingItsLastTimerDuringItsRunIsRemovedAfterTheRun)
{
    int before = Probe::alive;
    {
        auto t = Probe::make("t");
        Probe* raw = t.get();
        t->onTick = [this, raw](ksTime) { sched->unscheduleAllSelectorsForTarget(raw); };
        sched->scheduleSelector(kTick, raw, 0, false);
    }
    // The scheduler holds the only reference; the target unschedules itself in its own call.
    sched->tick(0.1f);
    EXPECT_EQ(Probe::alive, before);
    sched->tick(0.1f);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(SchedulerTest, UnschedulingAnotherTargetFromATimerRemovesItAtOnce)
{
    auto a = Probe::make("a"), b = Probe::make("b");
    a->onTick = [&](ksTime) { sched->unscheduleAllSelectorsForTarget(b.get()); };
    sched->scheduleSelector(kTick, a.get(), 0, false);
    sched->scheduleSelector(kTick, b.get(), 0, false);
    sched->tick(0.1f);
    EXPECT_EQ(calls, (std::vector<std::string> { "a.tick(0)" }));
    EXPECT_EQ(b->retainCount(), 1);
}

TEST_F(SchedulerTest, UnschedulingTheNextUpdateDuringTheWalkIsSafeAndSkipsIt)
{
    auto a = Probe::make("a");
    Probe* b;
    {
        auto bRef = Probe::make("b");
        b = bRef.get();
        sched->scheduleUpdateForTarget(a.get(), 0, false);
        sched->scheduleUpdateForTarget(b, 0, false);
    }
    // The scheduler holds b's only reference; a removes b, the node the walk takes next.
    a->onUpdate = [&](ksTime) { sched->unscheduleUpdateForTarget(b); };
    int before = Probe::alive;
    sched->tick(0.1f);
    EXPECT_EQ(calls, (std::vector<std::string> { "a.update(0.1)" }));
    EXPECT_EQ(Probe::alive, before - 1);
}

TEST_F(SchedulerTest, UpdateCanUnscheduleItselfAndReschedule)
{
    auto a = Probe::make("a");
    int n = 0;
    a->onUpdate = [&](ksTime) {
        if (++n == 1) {
            sched->unscheduleUpdateForTarget(a.get());
            sched->scheduleUpdateForTarget(a.get(), 5, false);
        }
    };
    sched->scheduleUpdateForTarget(a.get(), 0, false);
    sched->tick(1);
    // The new entry sits in the positive list, which the walk reaches in the same tick.
    EXPECT_EQ(calls.size(), 2u);
    sched->tick(1);
    EXPECT_EQ(calls.size(), 3u);
}

TEST_F(SchedulerTest, SelectorScheduledDuringTheTimerPhaseForANewTargetFiresInTheSameTick)
{
    auto a = Probe::make("a"), b = Probe::make("b");
    a->onTick = [&](ksTime) {
        if (calls.size() == 1)
            sched->scheduleSelector(kTick, b.get(), 0, false);
    };
    sched->scheduleSelector(kTick, a.get(), 0, false);
    sched->tick(0.1f);
    EXPECT_EQ(calls, (std::vector<std::string> { "a.tick(0)", "b.tick(0)" }));
}

TEST_F(SchedulerTest, ThrowingCallbackLeavesTheSchedulerConsistent)
{
    auto a = Probe::make("a"), b = Probe::make("b");
    bool throwNow = true;
    a->onTick = [&](ksTime) {
        sched->unscheduleSelector(kTock, a.get());
        if (throwNow)
            throw std::runtime_error("boom");
    };
    b->onUpdate = [&](ksTime) {
        if (throwNow)
            sched->unscheduleUpdateForTarget(a.get());
    };
    sched->scheduleUpdateForTarget(b.get(), 0, false);
    sched->scheduleUpdateForTarget(a.get(), 1, false);
    sched->scheduleSelector(kTick, a.get(), 0, false);
    sched->scheduleSelector(kTock, a.get(), 0, false);
    EXPECT_THROW(sched->tick(0.1f), std::runtime_error);
    throwNow = false;
    calls.clear();
    sched->tick(0.1f);
    EXPECT_EQ(calls, (std::vector<std::string> { "b.update(0.1)", "a.tick(0.1)" }));
    // And it can still be scheduled and torn down.
    sched->scheduleUpdateForTarget(a.get(), 0, false);
    sched->unscheduleAllSelectors();
    EXPECT_EQ(a->retainCount(), 1);
    EXPECT_EQ(b->retainCount(), 1);
}

TEST_F(SchedulerTest, TimerDescriptionNamesTargetAndSelector)
{
    auto t = Probe::make("t");
    auto timer = KSTimer::timerWithTarget(t.get(), kTick, 1);
    std::string d = timer->description();
    EXPECT_EQ(d.rfind("<KSTimer = ", 0), 0u) << d;
    EXPECT_NE(d.find("| target:Probe selector:(tick)>"), std::string::npos) << d;
}

// The scheduler belongs to the main thread: another thread's scheduling or
// ticking fails the assertion and schedules nothing.
TEST_F(SchedulerTest, OtherThreadsCannotScheduleOrTick)
{
    platform::RunLoop::main(); // the test's thread is the main thread
    auto t = Probe::make("t");
    std::vector<std::string> raised;
    std::thread other([&] {
        raised.push_back(testing_support::describeRaised([&] { sched->scheduleSelector(kTick, t.get(), 0, false); }));
        raised.push_back(testing_support::describeRaised([&] { sched->tick(0.1f); }));
    });
    other.join();
    const std::string offThread = "engine/KSScheduler: Called off the main thread; post to the main run loop instead";
    EXPECT_EQ(raised, (std::vector<std::string> { offThread, offThread }));
    sched->tick(0.1f);
    EXPECT_TRUE(calls.empty());
}
