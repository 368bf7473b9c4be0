// The run loop: an ordered timer table, a locked post queue woken through an
// eventfd, and poll(2) over the watched descriptors.
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Exception.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <deque>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

double RealClock::now() const
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

namespace {
thread_local RunLoop* tlsLoop = nullptr;
std::atomic<RunLoop*> mainLoop { nullptr };
}

struct RunLoop::Shared {
    std::mutex mutex;
    std::deque<std::function<void()>> posts;
    int wakeFd { -1 };
};

// Owner-only methods: other threads post() instead.
#define ASSERT_OWNER(loop)                                                                                   \
    BRISKO_ASSERT_FILE((loop)->isCurrent(), "platform/foundation/RunLoop",                                  \
                       "Run loop used off its owning thread; post to it instead")

void Timer::invalidate()
{
    if (!loop_)
        return;
    ASSERT_OWNER(loop_);
    loop_->removeTimer(this);
}

void Timer::setFireTime(double t)
{
    if (!loop_) {
        fireTime_ = t;
        return;
    }
    ASSERT_OWNER(loop_);
    Ref<Timer> keep(this);
    RunLoop* loop = loop_;
    loop->removeTimer(this);
    fireTime_ = t;
    loop->addTimer(this);
}

RunLoop::RunLoop(std::shared_ptr<Clock> clock)
    : clock_(clock ? std::move(clock) : std::make_shared<RealClock>())
    , owner_(std::this_thread::get_id())
    , shared_(std::make_unique<Shared>())
{
    BRISKO_ASSERT_FILE(!tlsLoop, "platform/foundation/RunLoop", "This thread already has a run loop");
    shared_->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    tlsLoop = this;
}

RunLoop::~RunLoop()
{
    reset();
    if (shared_->wakeFd >= 0)
        close(shared_->wakeFd);
    if (tlsLoop == this)
        tlsLoop = nullptr;
    RunLoop* self = this;
    mainLoop.compare_exchange_strong(self, nullptr);
}

RunLoop& RunLoop::main()
{
    if (RunLoop* loop = mainLoop.load())
        return *loop;
    // The first caller's thread becomes the main thread; the loop lives for the process.
    static RunLoop* created = [] {
        RunLoop* loop = tlsLoop ? tlsLoop : new RunLoop();
        mainLoop.store(loop);
        return loop;
    }();
    return *created;
}

RunLoop* RunLoop::current()
{
    return tlsLoop;
}

bool RunLoop::isMainThread()
{
    return main().isCurrent();
}

void RunLoop::setClock(std::shared_ptr<Clock> clock)
{
    clock_ = clock ? std::move(clock) : std::make_shared<RealClock>();
}

ManualClock* RunLoop::manualClock() const
{
    return clock_->isManual() ? static_cast<ManualClock*>(clock_.get()) : nullptr;
}

void RunLoop::post(std::function<void()> fn)
{
    {
        std::lock_guard guard(shared_->mutex);
        shared_->posts.push_back(std::move(fn));
    }
    wake();
}

void RunLoop::wake()
{
    uint64_t one = 1;
    if (shared_->wakeFd >= 0) {
        ssize_t n = write(shared_->wakeFd, &one, sizeof one);
        (void)n;
    }
}

Ref<Timer> RunLoop::scheduleTimer(double interval, bool repeats, std::function<void(Timer&)> fn)
{
    ASSERT_OWNER(this);
    Ref<Timer> t = adoptRef(new Timer);
    t->callback_ = std::move(fn);
    t->interval_ = interval < 0 ? 0 : interval;
    t->repeats_ = repeats;
    t->fireTime_ = now() + t->interval_;
    addTimer(t.get());
    return t;
}

Ref<Timer> RunLoop::performAfter(double delay, std::function<void()> fn)
{
    return scheduleTimer(delay, false, [fn = std::move(fn)](Timer&) { fn(); });
}

void RunLoop::addTimer(Timer* t)
{
    t->loop_ = this;
    t->order_ = ++timerOrder_;
    timers_.emplace(TimerKey { t->fireTime_, t->order_ }, Ref<Timer>(t));
}

void RunLoop::removeTimer(Timer* t)
{
    t->loop_ = nullptr;
    timers_.erase(TimerKey { t->fireTime_, t->order_ });
}

bool RunLoop::fireDueTimers(double upTo, bool oneOnly)
{
    bool ran = false;
    // Timers added or re-armed by this pass wait for the next one, so a
    // zero-interval timer fires once per pass.
    const uint64_t lastOrder = timerOrder_;
    for (;;) {
        auto it = timers_.begin();
        while (it != timers_.end() && it->first.first <= upTo && it->first.second > lastOrder)
            ++it;
        if (it == timers_.end() || it->first.first > upTo)
            break;
        Ref<Timer> timer = it->second;
        timers_.erase(it);
        timer->loop_ = nullptr;
        if (timer->repeats_) {
            double next = timer->fireTime_ + timer->interval_;
            double t = now();
            if (timer->interval_ > 0 && next < t) // skip the firings that were missed
                next += std::ceil((t - next) / timer->interval_) * timer->interval_;
            timer->fireTime_ = next;
            addTimer(timer.get());
        }
        ran = true;
        auto callback = timer->callback_;
        callback(*timer);
        if (oneOnly)
            break;
    }
    return ran;
}

bool RunLoop::runPosts()
{
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard guard(shared_->mutex);
        batch.swap(shared_->posts);
    }
    if (batch.empty())
        return false;
    while (!batch.empty()) {
        auto fn = std::move(batch.front());
        batch.pop_front();
        try {
            fn();
        } catch (...) {
            // Keep the rest for the next turn, in order.
            std::lock_guard guard(shared_->mutex);
            for (auto rit = batch.rbegin(); rit != batch.rend(); ++rit)
                shared_->posts.push_front(std::move(*rit));
            throw;
        }
    }
    return true;
}

bool RunLoop::pollFds(double maxWait)
{
    std::vector<pollfd> fds;
    std::vector<int> ids;
    fds.push_back({ shared_->wakeFd, POLLIN, 0 });
    ids.push_back(0);
    for (auto& [id, w] : watches_) {
        short ev = 0;
        if (w.events & Readable) ev |= POLLIN;
        if (w.events & Writable) ev |= POLLOUT;
        fds.push_back({ w.fd, ev, 0 });
        ids.push_back(id);
    }
    int timeoutMs = maxWait <= 0 ? 0 : static_cast<int>(std::min(maxWait * 1000.0, 3.6e6) + 0.999);
    int n = poll(fds.data(), fds.size(), timeoutMs);
    if (n <= 0)
        return false;
    bool ran = false;
    if (fds[0].revents & POLLIN) {
        uint64_t v;
        ssize_t r = read(shared_->wakeFd, &v, sizeof v);
        (void)r;
    }
    for (size_t i = 1; i < fds.size(); ++i) {
        if (!fds[i].revents)
            continue;
        auto it = watches_.find(ids[i]);
        if (it == watches_.end())
            continue; // unwatched by an earlier callback
        short ready = 0;
        if (fds[i].revents & POLLIN) ready |= Readable;
        if (fds[i].revents & POLLOUT) ready |= Writable;
        if (fds[i].revents & (POLLERR | POLLHUP | POLLNVAL)) ready |= Error | Readable;
        auto fn = it->second.fn;
        fn(ready);
        ran = true;
    }
    return ran;
}

int RunLoop::watchFd(int fd, short events, std::function<void(short)> fn)
{
    ASSERT_OWNER(this);
    int id = nextWatchId_++;
    watches_[id] = Watch { fd, events, std::move(fn) };
    return id;
}

void RunLoop::setFdEvents(int watchId, short events)
{
    ASSERT_OWNER(this);
    if (auto it = watches_.find(watchId); it != watches_.end())
        it->second.events = events;
}

void RunLoop::unwatchFd(int watchId)
{
    ASSERT_OWNER(this);
    watches_.erase(watchId);
}

bool RunLoop::runOnce(double maxWait)
{
    ASSERT_OWNER(this);
    ++turn_;
    bool ran = runPosts();
    ran |= fireDueTimers(now(), false);
    bool pending;
    {
        std::lock_guard guard(shared_->mutex);
        pending = !shared_->posts.empty();
    }
    double wait = ran || pending || stopped_ ? 0 : maxWait;
    if (!manualClock() && !timers_.empty())
        wait = std::min(wait, std::max(0.0, timers_.begin()->first.first - now()));
    ran |= pollFds(wait);
    ran |= runPosts();
    return ran;
}

void RunLoop::run()
{
    ASSERT_OWNER(this);
    stopped_ = false;
    while (!stopped_)
        runOnce(1.0);
    stopped_ = false;
}

void RunLoop::stop()
{
    stopped_ = true;
    wake();
}

bool RunLoop::runUntil(const std::function<bool()>& done, double timeout)
{
    ASSERT_OWNER(this);
    RealClock real;
    double end = real.now() + timeout;
    while (!done()) {
        double left = end - real.now();
        if (left <= 0)
            return done();
        runOnce(std::min(left, 0.05));
    }
    return true;
}

void RunLoop::drain()
{
    ASSERT_OWNER(this);
    for (int guard = 0; guard < 100000; ++guard) {
        ++turn_;
        bool ran = runPosts();
        ran |= fireDueTimers(now(), false);
        ran |= pollFds(0);
        if (!ran)
            return;
    }
}

void RunLoop::advance(double seconds)
{
    ASSERT_OWNER(this);
    ManualClock* manual = manualClock();
    if (!manual) {
        RealClock real;
        double end = real.now() + seconds;
        while (real.now() < end)
            runOnce(std::min(end - real.now(), 0.05));
        return;
    }
    double target = manual->now() + seconds;
    drain();
    while (!timers_.empty() && timers_.begin()->first.first <= target) {
        double t = timers_.begin()->first.first;
        if (t > manual->now())
            manual->set(t);
        ++turn_;
        runPosts();
        fireDueTimers(manual->now(), true);
        runPosts();
    }
    manual->set(target);
    drain();
}

void RunLoop::reset()
{
    // A dropped timer can never fire, so its callback goes too: an owner that
    // keeps the timer would otherwise keep whatever the callback holds. The
    // callbacks and posts are destroyed last, outside the lock, since their
    // captures' destructors may schedule or post again.
    auto timers = std::move(timers_);
    timers_.clear();
    std::vector<std::function<void(Timer&)>> callbacks;
    for (auto& [key, timer] : timers) {
        timer->loop_ = nullptr;
        callbacks.push_back(std::move(timer->callback_));
        timer->callback_ = nullptr;
    }
    auto watches = std::move(watches_);
    watches_.clear();
    decltype(shared_->posts) posts;
    {
        std::lock_guard guard(shared_->mutex);
        posts.swap(shared_->posts);
    }
}

} // namespace platform
