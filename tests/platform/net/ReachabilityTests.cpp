// Reachability observers and the host/port split of a service address.
#include "platform/net/Reachability.h"

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

} // namespace
