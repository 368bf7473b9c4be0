// The scheduler: per-frame update lists (doubly linked, utlist convention) and
// per-target interval timers, both found through uthash tables keyed by the
// target's full address.
#include "engine/KSScheduler.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"

#include <memory>
#include <new>

// Running out of memory in a table throws instead of ending the process.
#define uthash_fatal(msg) throw std::bad_alloc()
#include <uthash.h>
#include <utlist.h>

namespace kestrel {

using platform::adoptRef;

// ---------------------------------------------------------------------------
// KSTimer

Ref<KSTimer> KSTimer::timerWithTarget(Object* target, SEL_SCHEDULE selector)
{
    return timerWithTarget(target, selector, 0);
}

Ref<KSTimer> KSTimer::timerWithTarget(Object* target, SEL_SCHEDULE selector, ksTime interval)
{
    Ref<KSTimer> t = alloc();
    return t->initWithTarget(target, selector, interval) ? t : nullptr;
}

bool KSTimer::init()
{
    BRISKO_ASSERT(false, "KSTimer: Init not supported.");
    return false;
}

bool KSTimer::initWithTarget(Object* target, SEL_SCHEDULE selector)
{
    return initWithTarget(target, selector, 0);
}

bool KSTimer::initWithTarget(Object* target, SEL_SCHEDULE selector, ksTime interval)
{
    target_ = target;
    selector_ = selector;
    elapsed_ = -1;
    interval_ = interval;
    return true;
}

void KSTimer::update(ksTime dt)
{
    if (elapsed_ == -1)
        elapsed_ = 0;
    else
        elapsed_ += dt;
    if (elapsed_ >= interval_) {
        selector_.invoke(target_, elapsed_);
        elapsed_ = 0;
    }
}

std::string KSTimer::description() const
{
    return platform::format("<%s = %s | target:%s selector:(%s)>", className().c_str(),
                            platform::addressString(this).c_str(),
                            target_ ? target_->className().c_str() : "(null)", selector_.name());
}

// ---------------------------------------------------------------------------
// Scheduler records

struct KSScheduler::ListEntry {
    ListEntry* prev { nullptr };
    ListEntry* next { nullptr };
    SEL_SCHEDULE impl;
    Object* target { nullptr };
    int priority { 0 };
    bool paused { false };
    // Unscheduled during the update walk: skipped, unlinked once the walk is over.
    bool markedForDeletion { false };
    ListEntry** list { nullptr };
    // Holds the target of a deferred removal until the entry is freed.
    Ref<Object> deferredTarget;
};

struct KSScheduler::HashUpdateEntry {
    ListEntry** list { nullptr };
    ListEntry* entry { nullptr };
    Object* target { nullptr }; // retained
    UT_hash_handle hh;
};

struct KSScheduler::HashSelectorEntry {
    std::vector<Ref<KSTimer>> timers;
    Object* target { nullptr }; // retained
    unsigned runIndex { 0 };
    KSTimer* runningTimer { nullptr };
    bool paused { false };
    UT_hash_handle hh;
};

namespace {
KSScheduler* sharedInstance = nullptr;
}

// ---------------------------------------------------------------------------
// Singleton

KSScheduler* KSScheduler::sharedScheduler()
{
    if (!sharedInstance) {
        Ref<KSScheduler> s = alloc();
        (void)s->init(); // sets the time scale: cannot fail
        sharedInstance = s.leak();
    }
    return sharedInstance;
}

void KSScheduler::purgeSharedScheduler()
{
    if (KSScheduler* s = sharedInstance) {
        sharedInstance = nullptr;
        s->release();
    }
}

bool KSScheduler::hasSharedScheduler() { return sharedInstance != nullptr; }

Ref<KSScheduler> KSScheduler::alloc()
{
    BRISKO_ASSERT(sharedInstance == nullptr, "Attempted to allocate a second instance of a singleton.");
    return adoptRef(new KSScheduler);
}

bool KSScheduler::init()
{
    timeScale_ = 1.0f;
    return true;
}

KSScheduler::~KSScheduler()
{
    unscheduleAllSelectors();
    purgeDeletedUpdates();
    if (sharedInstance == this)
        sharedInstance = nullptr;
}

// ---------------------------------------------------------------------------
// Lookups

KSScheduler::HashSelectorEntry* KSScheduler::findSelectorEntry(Object* target) const
{
    HashSelectorEntry* element = nullptr;
    HASH_FIND_PTR(hashForSelectors_, &target, element);
    return element;
}

KSScheduler::HashUpdateEntry* KSScheduler::findUpdateEntry(Object* target) const
{
    HashUpdateEntry* element = nullptr;
    HASH_FIND_PTR(hashForUpdates_, &target, element);
    return element;
}

int KSScheduler::holdsOn(const Object* target) const
{
    auto* key = const_cast<Object*>(target);
    int holds = (findSelectorEntry(key) ? 1 : 0) + (findUpdateEntry(key) ? 1 : 0);
    // An update taken off during the walk holds its target until the walk is over.
    for (const ListEntry* entry : deferredUpdates_)
        if (entry->deferredTarget.get() == target)
            ++holds;
    return holds;
}

// ---------------------------------------------------------------------------
// Interval timers

void KSScheduler::scheduleSelector(SEL_SCHEDULE selector, Object* target, ksTime interval, bool paused)
{
    BRISKO_ASSERT_MAIN_THREAD();
    BRISKO_ASSERT(bool(selector), "Argument selector must be non-nil");
    BRISKO_ASSERT(target != nullptr, "Argument target must be non-nil");

    HashSelectorEntry* element = findSelectorEntry(target);
    if (!element) {
        auto fresh = std::make_unique<HashSelectorEntry>();
        fresh->target = target;
        fresh->paused = paused;
        element = fresh.get();
        HASH_ADD_PTR(hashForSelectors_, target, element);
        fresh.release();
        target->retain();
    } else {
        BRISKO_ASSERT(element->paused == paused,
                      "KSScheduler. Trying to schedule a selector with a pause value different than the target");
    }

    if (element->timers.capacity() == 0) {
        element->timers.reserve(10);
    } else {
        for (auto& timer : element->timers) {
            if (timer->selector() == selector) {
                timer->setInterval(interval);
                return;
            }
        }
    }
    element->timers.push_back(KSTimer::timerWithTarget(target, selector, interval));
}

void KSScheduler::unscheduleSelector(SEL_SCHEDULE selector, Object* target)
{
    BRISKO_ASSERT_MAIN_THREAD();
    if (!target && !selector)
        return;
    BRISKO_ASSERT(target != nullptr, "Target MUST not be nil");
    BRISKO_ASSERT(bool(selector), "Selector MUST not be NULL");

    HashSelectorEntry* element = findSelectorEntry(target);
    if (!element)
        return;
    auto& timers = element->timers;
    for (unsigned i = 0; i < timers.size(); ++i) {
        if (!(timers[i]->selector() == selector))
            continue;
        // The running call keeps its own reference (see tick), so removal is safe here.
        timers.erase(timers.begin() + i);
        // Let the running loop continue with the timer that followed the removed one
        // (unsigned: from 0 it wraps and the loop's increment brings it back to 0).
        if (element->runIndex >= i)
            element->runIndex--;
        if (timers.empty()) {
            if (currentTarget_ == element)
                currentTargetSalvaged_ = true;
            else
                removeHashElement(element);
        }
        return;
    }
}

void KSScheduler::removeHashElement(HashSelectorEntry* element)
{
    while (!element->timers.empty())
        element->timers.pop_back();
    Object* target = element->target;
    HASH_DEL(hashForSelectors_, element);
    delete element;
    target->release();
}

void KSScheduler::unscheduleAllSelectorsForTarget(Object* target)
{
    BRISKO_ASSERT_MAIN_THREAD();
    if (!target)
        return;
    // Keep the target alive through its own removal.
    Ref<Object> keep(target);
    if (HashSelectorEntry* element = findSelectorEntry(target)) {
        while (!element->timers.empty())
            element->timers.pop_back();
        if (currentTarget_ == element)
            currentTargetSalvaged_ = true;
        else
            removeHashElement(element);
    }
    unscheduleUpdateForTarget(target);
}

void KSScheduler::unscheduleAllSelectors()
{
    BRISKO_ASSERT_MAIN_THREAD();
    for (HashSelectorEntry* element = hashForSelectors_; element;) {
        HashSelectorEntry* next = static_cast<HashSelectorEntry*>(element->hh.next);
        unscheduleAllSelectorsForTarget(element->target);
        element = next;
    }
    for (ListEntry** list : { &updates0_, &updatesNeg_, &updatesPos_ }) {
        for (ListEntry* entry = *list; entry;) {
            ListEntry* next = entry->next;
            if (!entry->markedForDeletion)
                unscheduleUpdateForTarget(entry->target);
            entry = next;
        }
    }
}

// ---------------------------------------------------------------------------
// Per-frame updates

KSScheduler::ListEntry* KSScheduler::makeEntry(Object* target, SEL_SCHEDULE sel, int priority, bool paused)
{
    auto* entry = new ListEntry;
    entry->impl = sel;
    entry->target = target;
    entry->priority = priority;
    entry->paused = paused;
    return entry;
}

void KSScheduler::addUpdateHash(ListEntry** list, ListEntry* entry, Object* target)
{
    auto hashElement = std::make_unique<HashUpdateEntry>();
    hashElement->list = list;
    hashElement->entry = entry;
    hashElement->target = target;
    entry->list = list;
    HashUpdateEntry* raw = hashElement.get();
    HASH_ADD_PTR(hashForUpdates_, target, raw);
    hashElement.release();
    target->retain();
}

void KSScheduler::appendIn(ListEntry** list, Object* target, SEL_SCHEDULE sel, bool paused)
{
    ListEntry* entry = makeEntry(target, sel, 0, paused);
    DL_APPEND(*list, entry);
    addUpdateHash(list, entry, target);
}

void KSScheduler::priorityIn(ListEntry** list, Object* target, SEL_SCHEDULE sel, int priority, bool paused)
{
    ListEntry* entry = makeEntry(target, sel, priority, paused);
    if (!*list) {
        DL_APPEND(*list, entry);
    } else {
        bool added = false;
        for (ListEntry* e = *list; e; e = e->next) {
            if (priority < e->priority) {
                if (e == *list)
                    DL_PREPEND(*list, entry);
                else {
                    entry->next = e;
                    entry->prev = e->prev;
                    e->prev->next = entry;
                    e->prev = entry;
                }
                added = true;
                break;
            }
        }
        if (!added)
            DL_APPEND(*list, entry);
    }
    addUpdateHash(list, entry, target);
}

void KSScheduler::scheduleUpdate(Object* target, SEL_SCHEDULE updateSelector, int priority, bool paused)
{
    BRISKO_ASSERT_MAIN_THREAD();
    BRISKO_ASSERT(target != nullptr, "Argument target must be non-nil");
    BRISKO_ASSERT(findUpdateEntry(target) == nullptr, "KSScheduler: the target's update is already scheduled");
    if (priority == 0)
        appendIn(&updates0_, target, updateSelector, paused);
    else if (priority < 0)
        priorityIn(&updatesNeg_, target, updateSelector, priority, paused);
    else
        priorityIn(&updatesPos_, target, updateSelector, priority, paused);
}

void KSScheduler::unscheduleUpdateForTarget(Object* target)
{
    BRISKO_ASSERT_MAIN_THREAD();
    if (!target)
        return;
    HashUpdateEntry* element = findUpdateEntry(target);
    if (!element)
        return;
    ListEntry* entry = element->entry;
    ListEntry** list = element->list;
    HASH_DEL(hashForUpdates_, element);
    delete element;
    if (updateHashLocked_) {
        // The walk may hold this entry as its next one: unlink it afterwards.
        entry->markedForDeletion = true;
        entry->deferredTarget = adoptRef(target);
        deferredUpdates_.push_back(entry);
        return;
    }
    DL_DELETE(*list, entry);
    delete entry;
    target->release();
}

void KSScheduler::purgeDeletedUpdates()
{
    std::vector<ListEntry*> pending;
    pending.swap(deferredUpdates_);
    for (ListEntry* entry : pending) {
        DL_DELETE(*entry->list, entry);
        delete entry; // releases the deferred target
    }
}

// ---------------------------------------------------------------------------
// Pause and resume

void KSScheduler::pauseTarget(Object* target)
{
    BRISKO_ASSERT_MAIN_THREAD();
    BRISKO_ASSERT(target != nullptr, "target must be non nil");
    if (HashSelectorEntry* element = findSelectorEntry(target))
        element->paused = true;
    if (HashUpdateEntry* element = findUpdateEntry(target)) {
        BRISKO_ASSERT(element->entry != nullptr, "pauseTarget: unknown error");
        element->entry->paused = true;
    }
}

void KSScheduler::resumeTarget(Object* target)
{
    BRISKO_ASSERT_MAIN_THREAD();
    BRISKO_ASSERT(target != nullptr, "target must be non nil");
    if (HashSelectorEntry* element = findSelectorEntry(target))
        element->paused = false;
    if (HashUpdateEntry* element = findUpdateEntry(target)) {
        BRISKO_ASSERT(element->entry != nullptr, "resumeTarget: unknown error");
        element->entry->paused = false;
    }
}

// ---------------------------------------------------------------------------
// The tick

// Restores the walk state when tick ends, normally or by an exception.
class KSScheduler::TickScope {
public:
    explicit TickScope(KSScheduler& s) : s_(s) { }
    ~TickScope()
    {
        s_.updateHashLocked_ = false;
        s_.purgeDeletedUpdates();
        if (HashSelectorEntry* element = s_.currentTarget_) {
            element->runningTimer = nullptr;
            s_.currentTarget_ = nullptr;
            if (s_.currentTargetSalvaged_ && element->timers.empty())
                s_.removeHashElement(element);
        }
        s_.currentTargetSalvaged_ = false;
    }

private:
    KSScheduler& s_;
};

void KSScheduler::tick(ksTime dt)
{
    BRISKO_ASSERT_MAIN_THREAD();
    ++ticks_;
    if (timeScale_ != 1.0f)
        dt *= timeScale_;

    Ref<KSScheduler> keepAlive(this);
    TickScope scope(*this);

    updateHashLocked_ = true;
    for (ListEntry** list : { &updatesNeg_, &updates0_, &updatesPos_ }) {
        for (ListEntry* entry = *list; entry;) {
            ListEntry* next = entry->next;
            if (!entry->paused && !entry->markedForDeletion)
                entry->impl.invoke(entry->target, dt);
            entry = next;
        }
    }
    updateHashLocked_ = false;
    purgeDeletedUpdates();

    for (HashSelectorEntry* element = hashForSelectors_; element;) {
        currentTarget_ = element;
        currentTargetSalvaged_ = false;
        if (!element->paused) {
            // A target paused by one of its own timers runs no further timer.
            for (element->runIndex = 0; element->runIndex < element->timers.size() && !element->paused;
                 element->runIndex++) {
                // The call runs on a live timer even if it unschedules itself.
                Ref<KSTimer> running = element->timers[element->runIndex];
                element->runningTimer = running.get();
                running->update(dt);
                element->runningTimer = nullptr;
            }
        }
        HashSelectorEntry* next = static_cast<HashSelectorEntry*>(element->hh.next);
        currentTarget_ = nullptr;
        if (currentTargetSalvaged_ && element->timers.empty())
            removeHashElement(element);
        currentTargetSalvaged_ = false;
        element = next;
    }
}

// ---------------------------------------------------------------------------

void KSScheduler::scheduleTimer(KSTimer*)
{
    BRISKO_ASSERT(false, "Not implemented. Use scheduleSelector:forTarget:");
}

void KSScheduler::unscheduleTimer(KSTimer*)
{
    BRISKO_ASSERT(false, "Not implemented. Use unscheduleSelector:forTarget:");
}

void KSScheduler::unscheduleAllTimers()
{
    BRISKO_ASSERT(false, "Not implemented. Use unscheduleAllSelectors");
}

} // namespace kestrel
