// Reachability observers of the client: every change heard until deleted.
#include "support/NetTestSupport.h"

#include "platform/foundation/Boxed.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace net_testing;

namespace {

class StatusRecorder : public platform::Object {
public:
    void changed(platform::Object* status)
    {
        if (auto* b = dynamic_cast<platform::Boxed*>(status))
            statuses.push_back(static_cast<int>(b->value().asInteger()));
    }
    std::vector<int> statuses;
};

TEST_F(NetTest, ReachabilityObserversHearEveryChangeUntilDeleted)
{
    auto recorder = platform::adoptRef(new StatusRecorder);
    {
        platform::Ref<QVReachabilityObserver> observer = platform::adoptRef(new QVReachabilityObserver(QVDelegate(recorder.get(), BRISKO_SELECTOR(StatusRecorder, changed))));
        reachability->setStatus(platform::Reachability::NotReachable);
        EXPECT_FALSE(QVReachability::isConnectedToInternet());
        reachability->setStatus(platform::Reachability::ReachableViaWWAN);
        EXPECT_TRUE(QVReachability::isConnectedToInternet());
    }
    reachability->setStatus(platform::Reachability::NotReachable);
    EXPECT_EQ(recorder->statuses, (std::vector<int> { 0, 1 }));
    QVReachability::Uninitialize();
    EXPECT_FALSE(QVReachability::isConnectedToInternet());
}

} // namespace
