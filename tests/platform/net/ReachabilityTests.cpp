// Reachability observers and the host/port split of a service address.
#include "platform/net/Reachability.h"
#include "support/SilentNameServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

TEST(Reachability, ObserversHearChangesAndMayLeaveWhileTold)
{
    auto r = ManualReachability::create(Reachability::NotReachable);
    std::vector<int> heard;
    int second = 0;
    int first = r->addObserver([&](int s) {
        heard.push_back(s);
        r->removeObserver(second);
    });
    second = r->addObserver([&](int s) { heard.push_back(100 + s); });
    r->setStatus(Reachability::ReachableViaWiFi);
    r->setStatus(Reachability::ReachableViaWiFi); // no change, no call
    r->removeObserver(first);
    r->setStatus(Reachability::NotReachable);
    EXPECT_EQ(heard, std::vector<int> { 2 });

    std::string host, port;
    EXPECT_TRUE(splitHostPort("http://127.0.0.1:8080/api/", host, port));
    EXPECT_EQ(host + " " + port, "127.0.0.1 8080");
    EXPECT_TRUE(splitHostPort("https://user@[::1]/x", host, port));
    EXPECT_EQ(host + " " + port, "::1 443");
    EXPECT_FALSE(splitHostPort("http:///nohost", host, port));
}

// A name server that does not answer (a captive network's) holds no frame:
// the name is resolved off the loop, the status changes when it answers, and
// a reachability that goes while its lookup waits drops the late answer.
class HostReachabilityTest : public testing_support::ManualClockTest { };

TEST_F(HostReachabilityTest, ANameIsResolvedOffTheLoop)
{
    testing_support::SilentNameServer names;
    auto r = HostReachability::create("http://game.example:8080/api");
    ASSERT_TRUE(names.waitAsked(1));
    EXPECT_EQ(names.askedOnMainThread(), 0u);
    EXPECT_EQ(r->status(), Reachability::NotReachable);
    std::vector<int> heard;
    r->addObserver([&](int s) { heard.push_back(s); });
    advance(HostReachability::kInterval); // the next check finds its lookup still on its way
    EXPECT_EQ(names.ended(), 0u);

    names.answer();
    ASSERT_TRUE(loop().runUntil([&] { return r->status() == Reachability::ReachableViaWiFi; },
                                testing_support::kHungAfterSeconds));
    EXPECT_EQ(heard, std::vector<int> { Reachability::ReachableViaWiFi });

    names.silence();
    advance(HostReachability::kInterval);
    ASSERT_TRUE(names.waitAsked(2));
    size_t ended = names.ended();
    r = nullptr; // gone while its lookup waits
    names.answer();
    EXPECT_TRUE(loop().runUntil([&] { return names.ended() > ended; }, testing_support::kHungAfterSeconds));
    loop().drain(); // the late answer finds no one to tell

    // A numeric address asks no name server, and is known at once.
    auto numeric = HostReachability::create("http://127.0.0.1:9/");
    EXPECT_EQ(numeric->status(), Reachability::ReachableViaWiFi);
    EXPECT_EQ(names.askedOnMainThread(), 0u);
}

} // namespace
