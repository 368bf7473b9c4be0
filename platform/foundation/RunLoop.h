// The run loop: timers, delayed calls, posts from other threads and
// file-descriptor watches, all served on the thread that owns the loop.
//
// Everything of the system runs on the main thread's loop (RunLoop::main()).
// Other threads never touch a loop's state; they only post() to it.
// Time comes from the loop's Clock: real in programs, manual in tests. With a
// manual clock timers fire only when a test calls advance(), which moves the
// clock from one due timer to the next, so virtual time is exact and nothing
// sleeps. Not for real-time work: a timer fires at the first turn of the loop
// at or after its fire time, never earlier.
#pragma once

#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Object.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace platform {

class RunLoop;

// A timer of one run loop. The loop keeps it alive until it is invalidated (or,
// for a one-shot timer, until it has fired).
class Timer final : public Object {
public:
    void invalidate();
    bool isValid() const { return loop_ != nullptr; }
    double interval() const { return interval_; }
    bool repeats() const { return repeats_; }
    double fireTime() const { return fireTime_; }
    // Moves the next firing; the interval of a repeating timer is kept.
    void setFireTime(double t);

private:
    friend class RunLoop;
    Timer() = default;

    RunLoop* loop_ { nullptr };
    std::function<void(Timer&)> callback_;
    double interval_ { 0 };
    double fireTime_ { 0 };
    bool repeats_ { false };
    uint64_t order_ { 0 };
};

class RunLoop {
public:
    // Creates a loop owned by the calling thread; a thread has at most one.
    explicit RunLoop(std::shared_ptr<Clock> clock = nullptr);
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The main loop, created on first use and owned by the thread that asked first.
    static RunLoop& main();
    // The calling thread's loop, or null.
    static RunLoop* current();
    static bool isMainThread();

    bool isCurrent() const { return std::this_thread::get_id() == owner_; }
    std::thread::id ownerThread() const { return owner_; }

    // --- Time ---
    double now() const { return clock_->now(); }
    Clock& clock() const { return *clock_; }
    void setClock(std::shared_ptr<Clock> clock);
    // The manual clock in use, or null with a real clock.
    ManualClock* manualClock() const;

    // --- From any thread ---
    void post(std::function<void()> fn);

    // --- Owning thread only (an assertion fails on any other) ---
    Ref<Timer> scheduleTimer(double interval, bool repeats, std::function<void(Timer&)> fn);
    Ref<Timer> performAfter(double delay, std::function<void()> fn);

    enum FdEvent : short { Readable = 1, Writable = 2, Error = 4 };
    // Calls fn with the FdEvent bits that are ready; answers a watch id.
    int watchFd(int fd, short events, std::function<void(short ready)> fn);
    void setFdEvents(int watchId, short events);
    void unwatchFd(int watchId);

    // One turn: runs posts, due timers and ready fds, waiting up to maxWait
    // seconds (real time) when there is nothing to do. Answers whether
    // anything ran. Exceptions from callbacks pass through; the loop stays usable.
    bool runOnce(double maxWait = 0);
    // Turns until stop() (a manual clock never fires timers here).
    void run();
    void stop();
    // Turns until done() answers true or the timeout (real seconds) passes.
    bool runUntil(const std::function<bool()>& done, double timeout);
    // Runs posts and due timers until none is left, without waiting.
    void drain();
    // Manual clock: moves time forward, firing every timer due on the way at its
    // own fire time and in order. With a real clock, runs the loop for that long.
    void advance(double seconds);

    size_t timerCount() const { return timers_.size(); }
    // How many turns the loop has begun (runOnce, each pass of drain, each
    // step of advance): work that is done once per turn keeps the number it
    // saw and compares, rather than arming a timer to learn the turn ended.
    uint64_t turn() const { return turn_; }
    // Drops every timer, post and fd watch (between tests).
    void reset();

private:
    friend class Timer;
    using TimerKey = std::pair<double, uint64_t>;

    void addTimer(Timer* t);
    void removeTimer(Timer* t);
    bool fireDueTimers(double upTo, bool oneOnly);
    bool runPosts();
    bool pollFds(double maxWait);
    void wake();

    struct Shared;
    std::shared_ptr<Clock> clock_;
    std::thread::id owner_;
    std::map<TimerKey, Ref<Timer>> timers_;
    uint64_t timerOrder_ { 0 };
    uint64_t turn_ { 0 };

    struct Watch {
        int fd;
        short events;
        std::function<void(short)> fn;
    };
    std::map<int, Watch> watches_;
    int nextWatchId_ { 1 };

    std::unique_ptr<Shared> shared_;
    bool stopped_ { false };
};

} // namespace platform

// For code that belongs to the main thread (the scheduler, the HTTP transport):
// fails the assertion, naming the caller, on any other thread.
#define BRISKO_ASSERT_MAIN_THREAD() \
    BRISKO_ASSERT(::platform::RunLoop::isMainThread(), "Called off the main thread; post to the main run loop instead")
