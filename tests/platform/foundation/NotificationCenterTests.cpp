// Notification centre: matching by name and sender, removal and addition
// during delivery, and a callback that throws.
#include "platform/foundation/NotificationCenter.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace platform;

namespace {
class Sender : public Object { };
} // namespace

TEST(NotificationCenter, DeliversByNameAndSender)
{
    NotificationCenter center;
    auto a = adoptRef(new Sender);
    auto b = adoptRef(new Sender);
    int observer1 = 0, observer2 = 0, observer3 = 0;
    std::vector<std::string> seen;
    center.addObserver(&observer1, "changed", [&](const Notification& n) { seen.push_back("named:" + n.userInfo["k"].string()); });
    center.addObserver(&observer2, "", [&](const Notification& n) { seen.push_back("all:" + n.name); });
    center.addObserver(&observer3, "changed", [&](const Notification&) { seen.push_back("from-a"); }, a.get());

    center.post("changed", b.get(), Value(ValueDictionary { { "k", "v" } }));
    EXPECT_EQ(seen, (std::vector<std::string> { "named:v", "all:changed" }));
    seen.clear();
    center.post("changed", a.get());
    EXPECT_EQ(seen, (std::vector<std::string> { "named:", "all:changed", "from-a" }));
    seen.clear();
    center.post("other");
    EXPECT_EQ(seen, (std::vector<std::string> { "all:other" }));
}

TEST(NotificationCenter, RemovesByObserverNameAndSender)
{
    NotificationCenter center;
    auto a = adoptRef(new Sender);
    int observer = 0, other = 0, calls = 0;
    center.addObserver(&observer, "x", [&](const Notification&) { ++calls; });
    center.addObserver(&observer, "y", [&](const Notification&) { ++calls; }, a.get());
    center.addObserver(&observer, "y", [&](const Notification&) { ++calls; });
    center.addObserver(&other, "x", [&](const Notification&) { ++calls; });
    center.removeObserver(&observer, "y", a.get());
    EXPECT_EQ(center.observerCount(), 3u);
    center.removeObserver(&observer, "x");
    EXPECT_EQ(center.observerCount(), 2u);
    center.removeObserver(&observer);
    EXPECT_EQ(center.observerCount(), 1u);
    center.post("x");
    EXPECT_EQ(calls, 1);
    center.removeAll();
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationCenter, ObserverRemovedDuringDeliveryIsNotCalledLater)
{
    NotificationCenter center;
    int first = 0, second = 0;
    std::vector<std::string> calls;
    center.addObserver(&first, "n", [&](const Notification&) {
        calls.push_back("first");
        center.removeObserver(&second);
        center.removeObserver(&first); // itself, while running
    });
    center.addObserver(&second, "n", [&](const Notification&) { calls.push_back("second"); });
    center.post("n");
    center.post("n");
    EXPECT_EQ(calls, (std::vector<std::string> { "first" }));
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationCenter, ObserverAddedDuringDeliveryWaitsForTheNextPost)
{
    NotificationCenter center;
    int first = 0, late = 0;
    int lateCalls = 0;
    center.addObserver(&first, "n", [&](const Notification&) {
        if (center.observerCount() == 1)
            center.addObserver(&late, "n", [&](const Notification&) { ++lateCalls; });
    });
    center.post("n");
    EXPECT_EQ(lateCalls, 0);
    center.post("n");
    EXPECT_EQ(lateCalls, 1);
}

TEST(NotificationCenter, ThrowingObserverLeavesTheCentreUsable)
{
    NotificationCenter center;
    int thrower = 0, other = 0, calls = 0;
    center.addObserver(&thrower, "n", [&](const Notification&) {
        center.removeObserver(&other);
        throw std::runtime_error("boom");
    });
    center.addObserver(&other, "n", [&](const Notification&) { ++calls; });
    EXPECT_THROW(center.post("n"), std::runtime_error);
    EXPECT_EQ(center.observerCount(), 1u);
    center.removeObserver(&thrower);
    center.addObserver(&other, "n", [&](const Notification&) { ++calls; });
    center.post("n");
    EXPECT_EQ(calls, 1);
}
