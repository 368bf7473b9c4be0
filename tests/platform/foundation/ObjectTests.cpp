// The object model: a new object's one reference taken over by adoptRef,
// counts through Ref copies and moves, Weak links that answer null once the
// object is gone, and lock() racing the last release on another thread.
#include "platform/foundation/Object.h"
#include "platform/foundation/Weak.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace platform;

namespace {

class Tracked : public Object {
public:
    explicit Tracked(std::atomic<int>* deaths) : deaths_(deaths) { }
    ~Tracked() override
    {
        magic = 0;
        ++*deaths_;
    }
    // Cleared on destruction, so a reference to a dead object shows.
    std::atomic<unsigned> magic { 0xC0FFEEu };

private:
    std::atomic<int>* deaths_;
};

TEST(Object, AdoptionTakesTheCreationReferenceAndTheLastReleaseDeletes)
{
    std::atomic<int> deaths = 0;
    auto* raw = new Tracked(&deaths);
    EXPECT_EQ(raw->retainCount(), 1) << "a new object starts with one reference";
    {
        Ref<Tracked> owner = adoptRef(raw);
        EXPECT_EQ(raw->retainCount(), 1);
        Ref<Tracked> copy = owner;
        Ref<Tracked> wrapped(raw); // wrapping a raw link retains
        EXPECT_EQ(raw->retainCount(), 3);
        copy = raw; // the object already held: nothing changes
        EXPECT_EQ(raw->retainCount(), 3);
        Ref<Tracked> moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(raw->retainCount(), 3);
        wrapped = makeRef<Tracked>(&deaths); // replacing releases the old object
        EXPECT_EQ(raw->retainCount(), 2);
        EXPECT_EQ(deaths, 0);
    }
    EXPECT_EQ(deaths, 2);

    auto kept = makeRef<Tracked>(&deaths);
    Tracked* leaked = kept.leak();
    EXPECT_FALSE(kept);
    EXPECT_EQ(leaked->retainCount(), 1) << "leak gives up ownership without releasing";
    adoptRef(leaked);
    EXPECT_EQ(deaths, 3);
}

TEST(Object, WeakLinksExpireWithTheirObject)
{
    std::atomic<int> deaths = 0;
    auto object = makeRef<Tracked>(&deaths);
    Weak<Tracked> weak(object);
    Weak<Tracked> copy = weak;
    Weak<Tracked> never;
    EXPECT_FALSE(weak.expired());
    EXPECT_TRUE(never.expired());
    EXPECT_FALSE(never.lock());
    {
        Ref<Tracked> locked = weak.lock();
        EXPECT_EQ(locked.get(), object.get());
        EXPECT_EQ(object->retainCount(), 2) << "a lock holds a reference";
    }
    EXPECT_EQ(object->retainCount(), 1) << "a weak link holds none";
    object = nullptr;
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(copy.expired());
    EXPECT_FALSE(weak.lock());
    EXPECT_FALSE(copy.lock());
}

// A delegate interface an object implements, and one a plain C++ class does.
class Listener {
public:
    virtual ~Listener() = default;
    virtual int heard() = 0;
};

class TrackedListener : public Tracked, public Listener {
public:
    using Tracked::Tracked;
    int heard() override { return 7; }
};

class PlainListener : public Listener {
public:
    int heard() override { return 3; }
};

TEST(Object, WeakLinksThroughAnInterfaceExpireWithTheirObject)
{
    std::atomic<int> deaths = 0;
    auto object = makeRef<TrackedListener>(&deaths);
    WeakLink<Listener> link(object.get());
    WeakLink<Listener> copy = link;
    EXPECT_EQ(link.get(), static_cast<Listener*>(object.get()));
    {
        auto locked = link.lock();
        ASSERT_TRUE(locked);
        EXPECT_EQ(locked->heard(), 7);
        EXPECT_EQ(object->retainCount(), 2) << "a lock holds a reference";
    }
    EXPECT_EQ(object->retainCount(), 1) << "a link holds none";
    EXPECT_FALSE(link.targetDestroyed());

    object = nullptr;
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(link.get(), nullptr);
    EXPECT_EQ(copy.get(), nullptr);
    EXPECT_FALSE(link.lock());
    EXPECT_TRUE(link.targetDestroyed());

    WeakLink<Listener> never;
    EXPECT_FALSE(never.lock());
    EXPECT_FALSE(never.targetDestroyed()) << "nothing was linked";

    // A target that is no Object cannot be watched: it is answered as given.
    PlainListener plain;
    WeakLink<Listener> unwatched(&plain);
    EXPECT_EQ(unwatched.lock()->heard(), 3);
    unwatched = nullptr;
    EXPECT_EQ(unwatched.get(), nullptr);
}

// Other threads lock while the owner drops the last reference: every lock gets
// either a live object (kept alive until released) or null, never a dead one.
// Run under the sanitizer build to catch a use after free.
TEST(Object, LockRacingTheLastReleaseGetsALiveObjectOrNone)
{
    constexpr int kRounds = 100;
    constexpr int kThreads = 4;
    std::atomic<int> deaths = 0;
    std::atomic<int> deadSeen = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto object = makeRef<Tracked>(&deaths);
        Weak<Tracked> weak(object);
        std::atomic<int> ready = 0;
        std::vector<std::thread> lockers;
        for (int t = 0; t < kThreads; ++t)
            lockers.emplace_back([&] {
                ++ready;
                while (Ref<Tracked> locked = weak.lock())
                    if (locked->magic.load() != 0xC0FFEEu)
                        ++deadSeen;
            });
        while (ready.load() < kThreads)
            std::this_thread::yield();
        object = nullptr;
        for (auto& t : lockers)
            t.join();
        EXPECT_TRUE(weak.expired());
    }
    EXPECT_EQ(deadSeen, 0);
    EXPECT_EQ(deaths, kRounds);
}

} // namespace
