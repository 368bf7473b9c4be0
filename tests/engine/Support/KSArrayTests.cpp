// KSArray: growth, retain counts, order of the removals, the documented errors,
// walks whose callee changes the array, and archiving.
#include "engine/Support/KSArray.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/KeyedCoder.h"
#include "support/Assertions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>

using namespace kestrel;
using platform::Ref;

namespace {

class Thing : public platform::Object {
public:
    explicit Thing(int id = 0) : id(id) { }
    static Ref<Thing> make(int id = 0) { return platform::adoptRef(new Thing(id)); }

    void ping() { pings++; }
    void removeSelf() { owner->removeObject(this); pings++; }
    void addTo(platform::Object* other) { static_cast<KSArray*>(other)->addObject(this); }

    int id;
    int pings { 0 };
    KSArray* owner { nullptr };
};

std::vector<int> ids(const KSArray& a)
{
    std::vector<int> out;
    for (Thing* t : a.objectsAs<Thing>())
        out.push_back(t->id);
    return out;
}

} // namespace

TEST(KSArray, CapacityStartsAtOneForZeroAndDoubles)
{
    auto a = KSArray::arrayWithCapacity(0);
    EXPECT_EQ(a->capacity(), 1u);
    auto t = Thing::make();
    a->addObject(t);
    EXPECT_EQ(a->capacity(), 1u);
    a->addObject(t);
    EXPECT_EQ(a->capacity(), 2u);
    a->addObject(t);
    EXPECT_EQ(a->capacity(), 4u);
    a->removeAllObjects();
    EXPECT_EQ(a->count(), 0u);
    EXPECT_EQ(a->capacity(), 4u);
    EXPECT_EQ(KSArray::array()->capacity(), 2u);
}

TEST(KSArray, RetainsOncePerSlotAndReleasesOnRemovalAndDestruction)
{
    auto t = Thing::make();
    {
        auto a = KSArray::array();
        a->addObject(t);
        a->addObject(t);
        EXPECT_EQ(t->retainCount(), 3);
        a->removeObject(t);
        EXPECT_EQ(t->retainCount(), 2);
        EXPECT_EQ(a->count(), 1u);
        a->insertObject(t, 0);
        auto b = KSArray::arrayWithArray(a);
        EXPECT_EQ(t->retainCount(), 5);
        b->removeObjectsInArray(a); // one occurrence per entry of a: both go
        EXPECT_EQ(b->count(), 0u);
        EXPECT_EQ(t->retainCount(), 3);
    }
    EXPECT_EQ(t->retainCount(), 1);
}

TEST(KSArray, RemovalsKeepOrFastRemovalsSwapOrder)
{
    auto a = Thing::make(1), b = Thing::make(2), c = Thing::make(3);
    auto ordered = KSArray::arrayWithNSArray({ a, b, c });
    auto fast = ordered->copy();
    ordered->removeObjectAtIndex(0);
    EXPECT_EQ(ids(*ordered), (std::vector<int> { 2, 3 }));
    fast->fastRemoveObjectAtIndex(0);
    EXPECT_EQ(ids(*fast), (std::vector<int> { 3, 2 }));
    fast->fastRemoveObject(c);
    EXPECT_EQ(ids(*fast), (std::vector<int> { 2 }));

    ordered->insertObject(a, 1);
    ordered->insertObject(c, 3);
    EXPECT_EQ(ids(*ordered), (std::vector<int> { 2, 1, 3, 3 }));
    ordered->removeLastObject();
    EXPECT_EQ(ordered->lastObjectAs<Thing>()->id, 3);
}

TEST(KSArray, QueriesOfAbsentObjects)
{
    auto a = KSArray::array();
    auto t = Thing::make();
    EXPECT_EQ(a->indexOfObject(t), 2147483647u);
    EXPECT_FALSE(a->containsObject(t));
    EXPECT_EQ(a->lastObject(), nullptr);
    EXPECT_EQ(a->randomObject(), nullptr);
    a->removeObject(t); // absent: no change
    a->fastRemoveObject(t);
    EXPECT_EQ(a->count(), 0u);
}

TEST(KSArray, DocumentedErrors)
{
    auto a = KSArray::array();
    a->addObject(Thing::make());
    // The reason names the count, not the index.
    EXPECT_EXCEPTION(a->objectAtIndex(5), platform::kRangeException, "index out of range in objectAtIndex(1)");
    EXPECT_ASSERTION(a->insertObject(Thing::make(), 2), "engine/Support/ksCArray",
                     "Invalid index. Out of bounds");
    EXPECT_EQ(a->count(), 1u);
    a->removeLastObject();
    EXPECT_EXCEPTION(a->removeLastObject(), platform::kRangeException, "no objects added");
}

TEST(KSArray, RandomObjectStaysInRange)
{
    auto a = KSArray::array();
    for (int i = 0; i < 3; i++)
        a->addObject(Thing::make(i));
    srandom(7);
    for (int i = 0; i < 2000; i++)
        EXPECT_TRUE(a->containsObject(a->randomObject()));
}

TEST(KSArray, AddingAnArrayToItselfDoublesIt)
{
    auto a = KSArray::arrayWithNSArray({ Thing::make(1), Thing::make(2) });
    a->addObjectsFromArray(a);
    EXPECT_EQ(ids(*a), (std::vector<int> { 1, 2, 1, 2 }));
    a->removeObjectsInArray(a);
    EXPECT_EQ(a->count(), 0u);
}

TEST(KSArray, PerformSelectorSurvivesReceiversRemovingThemselves)
{
    auto a = KSArray::array();
    std::vector<Thing*> things;
    for (int i = 0; i < 4; i++) {
        auto t = Thing::make(i);
        t->owner = a.get();
        a->addObject(t);
        things.push_back(t.get());
    }
    // The array holds the only references: each receiver dies after its call.
    a->makeObjectsPerformSelector(BRISKO_SELECTOR(Thing, removeSelf));
    // Removals shift the slots, so every second object is reached.
    EXPECT_EQ(ids(*a), (std::vector<int> { 1, 3 }));

    auto b = KSArray::array();
    a->makeObjectsPerformSelector(BRISKO_SELECTOR(Thing, addTo), b.get());
    EXPECT_EQ(ids(*b), (std::vector<int> { 1, 3 }));
    b->makeObjectsPerformSelector(BRISKO_SELECTOR(Thing, ping));
    EXPECT_EQ(b->objectAtIndexAs<Thing>(0)->pings, 1);
}

TEST(KSArrayCoding, ArchivesItsObjectsInOrderUnderNSArray)
{
    auto inner = KSArray::arrayWithNSArray({ platform::Boxed::box("deep") });
    auto a = KSArray::arrayWithNSArray({ platform::Boxed::number(3), inner, platform::Boxed::box("last") });
    const platform::Value archive = platform::KeyedArchiver::archivedObject(a.get());
    EXPECT_EQ(archive["$class"], platform::Value("KSArray"));
    ASSERT_EQ(archive["nsarray"].size(), 3u);

    const platform::KeyedUnarchiver::Classes classes { { "KSArray", KSArray::arrayWithCoder } };
    auto back = platform::dynamicRef<KSArray>(platform::KeyedUnarchiver::unarchiveObject(archive, classes));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->count(), 3u);
    EXPECT_EQ(back->objectAtIndexAs<platform::Boxed>(0)->value(), platform::Value(3));
    EXPECT_EQ(back->objectAtIndexAs<KSArray>(1)->objectAtIndexAs<platform::Boxed>(0)->value(), platform::Value("deep"));
    EXPECT_EQ(back->objectAtIndexAs<platform::Boxed>(2)->value(), platform::Value("last"));

    // An archive without its objects is refused, not read as an empty array.
    platform::Value empty = archive;
    empty.mutableDictionary().remove("nsarray");
    std::string error;
    EXPECT_FALSE(platform::KeyedUnarchiver::unarchiveObject(empty, classes, &error));
    EXPECT_EQ(error, "no array under key \"nsarray\"");
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KS_UNDER_ASAN 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(KS_UNDER_ASAN)
// In a child process with its address space capped, growth eventually fails:
// the array must throw and keep every object it held.
TEST(KSArrayDeathTest, FailedGrowthThrowsAndKeepsTheOldBlock)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto t = Thing::make();
            auto a = KSArray::array();
            testing_support::capAddressSpace(96);
            bool threw = false;
            try {
                for (int i = 0; i < (1 << 26); i++)
                    a->addObject(t);
            } catch (const std::bad_alloc&) {
                threw = true;
            }
            bool intact = threw && a->count() == a->capacity() && t->retainCount() == int(a->count()) + 1;
            for (platform::Object* o : *a)
                intact = intact && o == t.get();
            a->removeAllObjects();
            std::_Exit(intact && t->retainCount() == 1 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
#endif
