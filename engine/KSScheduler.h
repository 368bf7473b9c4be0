// KSScheduler: the engine's clock distributor.
//
// Once per frame the director hands it the time step and it calls, in order:
// per-frame update targets (priority below 0, then 0, then above 0; ascending
// priority, scheduling order among equals), then the interval timers, target
// by target in order of each target's first scheduling. The action manager is
// an update target of priority 0.
//
// Subscribers may schedule and unschedule anything from inside their calls:
// removals made during a walk are deferred until the walk is over, so nothing
// still in use is freed, and a callback that throws leaves the scheduler
// consistent. Main-loop thread only; no locks.
#pragma once

#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Selector.h"

#include <vector>

namespace kestrel {

using platform::Object;
using platform::Ref;

// A scheduled method: receives the elapsed time in seconds.
using SEL_SCHEDULE = platform::Selector<ksTime>;

// One scheduled selector of one target. The target is not retained by the
// timer: the scheduler's per-target entry keeps it alive.
class KSTimer : public Object {
public:
    [[nodiscard]] static Ref<KSTimer> alloc() { return platform::adoptRef(new KSTimer); }
    [[nodiscard]] static Ref<KSTimer> timerWithTarget(Object* target, SEL_SCHEDULE selector);
    [[nodiscard]] static Ref<KSTimer> timerWithTarget(Object* target, SEL_SCHEDULE selector, ksTime interval);

    // Always fails: a timer needs a target and a selector.
    bool init();
    [[nodiscard]] bool initWithTarget(Object* target, SEL_SCHEDULE selector);
    [[nodiscard]] bool initWithTarget(Object* target, SEL_SCHEDULE selector, ksTime interval);

    // Accumulates dt and fires when the interval is reached (the remainder is dropped).
    void update(ksTime dt);

    ksTime interval() const { return interval_; }
    void setInterval(ksTime interval) { interval_ = interval; }
    ksTime elapsed() const { return elapsed_; }
    Object* target() const { return target_; }
    const SEL_SCHEDULE& selector() const { return selector_; }

    std::string description() const override;

protected:
    KSTimer() = default;

private:
    Object* target_ { nullptr };
    SEL_SCHEDULE selector_;
    ksTime elapsed_ { -1 };
    ksTime interval_ { 0 };
};

class KSScheduler : public Object {
public:
    static KSScheduler* sharedScheduler();
    static void purgeSharedScheduler();
    // Whether the shared scheduler exists, without making one.
    static bool hasSharedScheduler();
    // Fails the singleton assertion while the shared scheduler exists.
    [[nodiscard]] static Ref<KSScheduler> alloc();
    bool init();

    ksTime timeScale() const { return timeScale_; }
    void setTimeScale(ksTime scale) { timeScale_ = scale; }

    // Interval timers.
    void scheduleSelector(SEL_SCHEDULE selector, Object* target, ksTime interval, bool paused);
    void unscheduleSelector(SEL_SCHEDULE selector, Object* target);
    // Removes every timer of the target and also its per-frame update.
    void unscheduleAllSelectorsForTarget(Object* target);
    void unscheduleAllSelectors();

    // Per-frame updates: calls target->update(dt) every tick. A target has at
    // most one; scheduling a second one fails the assertion.
    template <class T>
    void scheduleUpdateForTarget(T* target, int priority, bool paused)
    {
        scheduleUpdate(target, SEL_SCHEDULE(&T::update, "update"), priority, paused);
    }
    void scheduleUpdate(Object* target, SEL_SCHEDULE updateSelector, int priority, bool paused);
    void unscheduleUpdateForTarget(Object* target);

    void pauseTarget(Object* target);
    void resumeTarget(Object* target);

    // The frame step, called by the director.
    void tick(ksTime dt);
    // How many ticks have begun (a frame identity for work deferred to the next tick).
    unsigned long ticks() const { return ticks_; }
    // How many references the scheduler holds on the target (its timers'
    // entry and its update's): what the target's retain count owes to being
    // scheduled rather than to someone keeping it.
    int holdsOn(const Object* target) const;

    // Entry points that exist only to fail.
    void scheduleTimer(KSTimer* timer);
    void unscheduleTimer(KSTimer* timer);
    void unscheduleAllTimers();

    ~KSScheduler() override;

protected:
    KSScheduler() = default;

private:
    struct ListEntry;
    struct HashUpdateEntry;
    struct HashSelectorEntry;
    class TickScope;

    void priorityIn(ListEntry** list, Object* target, SEL_SCHEDULE sel, int priority, bool paused);
    void appendIn(ListEntry** list, Object* target, SEL_SCHEDULE sel, bool paused);
    ListEntry* makeEntry(Object* target, SEL_SCHEDULE sel, int priority, bool paused);
    void addUpdateHash(ListEntry** list, ListEntry* entry, Object* target);
    void removeHashElement(HashSelectorEntry* element);
    void purgeDeletedUpdates();
    HashSelectorEntry* findSelectorEntry(Object* target) const;
    HashUpdateEntry* findUpdateEntry(Object* target) const;

    ksTime timeScale_ { 1.0f };
    ListEntry* updatesNeg_ { nullptr };
    ListEntry* updates0_ { nullptr };
    ListEntry* updatesPos_ { nullptr };
    HashUpdateEntry* hashForUpdates_ { nullptr };
    HashSelectorEntry* hashForSelectors_ { nullptr };
    HashSelectorEntry* currentTarget_ { nullptr };
    bool currentTargetSalvaged_ { false };
    // True while tick walks the update lists: removals are only marked.
    bool updateHashLocked_ { false };
    std::vector<ListEntry*> deferredUpdates_;
    unsigned long ticks_ { 0 };
};

} // namespace kestrel
