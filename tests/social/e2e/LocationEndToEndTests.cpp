// The player's location, end to end: the device's location service gives one
// fix, the client sends it to the service (marked allowed when it is the
// first in the player's life), keeps trying while the service is away, and
// does not ask again once the player or the service said no.
#include "EndToEndTestSupport.h"

#include "platform/device/LocationManager.h"
#include "platform/foundation/Boxed.h"
#include "platform/net/Reachability.h"
#include "social/core/QVLocation.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;
using platform::ui::LocationManager;

namespace {

constexpr const char* kSetLocation = "users/@me/set_location.xml";

class LocationEndToEnd : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        QVLocation::resetOfflineRetryCount();
    }
    void TearDown() override
    {
        EndToEndTest::TearDown();
        QVLocation::resetOfflineRetryCount();
    }
    static bool waitingForAFix() { return !LocationManager::updatingManagers().empty(); }
};

TEST_F(LocationEndToEnd, OneFixIsSentAndTheServiceDecidesWhetherTheNextRunTakesAnother)
{
    ASSERT_GT(launchAndLogIn(), 0);
    ASSERT_TRUE(waitingForAFix());
    ASSERT_EQ(LocationManager::deliverLocation({ 52.5, 13.25 }), 1);
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo(kSetLocation).empty(); }));
    auto sent = serviceRequestsTo(kSetLocation)[0];
    EXPECT_EQ(sent.param("lat"), "52.500000");
    EXPECT_EQ(sent.param("lng"), "13.250000");
    // The login's answer already said this player does not share a location.
    EXPECT_FALSE(sent.hasParam("allowed"));
    // One fix is all it takes: the location service is off again.
    EXPECT_FALSE(waitingForAFix());
    EXPECT_EQ(LocationManager::deliverLocation({ 1, 1 }), 0);
    letTimePass(0.2);
    EXPECT_EQ(serviceRequestsTo(kSetLocation).size(), 1u);

    quit();
    launch();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    EXPECT_FALSE(waitingForAFix());
}

TEST_F(LocationEndToEnd, TheFirstFixTakenWhileTheServiceIsAwayGoesOutMarkedAllowedWhenItIsBack)
{
    killService();
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    launch();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    ASSERT_TRUE(waitingForAFix());
    LocationManager::deliverLocation({ 40.0, -3.75 });
    // Tried again every ten seconds while offline.
    for (int i = 0; i < 2; ++i) {
        driver->advance(QVLocation::kOfflineRetryDelay + 0.1);
        loop().drain();
    }
    EXPECT_GE(QVLocation::offlineRetryCount(), 3);

    startService();
    Quorvel::gameServerReachabilityChanged(platform::Boxed::number(platform::Reachability::ReachableViaWiFi).get());
    ASSERT_TRUE(waitUntil([] { return Quorvel::isOnline(); }));
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo(kSetLocation).empty(); }));
    EXPECT_EQ(serviceRequestsTo(kSetLocation)[0].param("lng"), "-3.750000");
    EXPECT_EQ(serviceRequestsTo(kSetLocation)[0].param("allowed"), "1");
    letTimePass(0.2);
    EXPECT_EQ(serviceRequestsTo(kSetLocation).size(), 1u);
}

TEST_F(LocationEndToEnd, APlayerWhoRefusesLocationIsNotAskedAgain)
{
    ASSERT_GT(launchAndLogIn(), 0);
    ASSERT_TRUE(waitingForAFix());
    ASSERT_EQ(LocationManager::deliverError(platform::ui::kLocationErrorDenied), 1);
    EXPECT_FALSE(waitingForAFix());
    quit();
    launch();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    EXPECT_FALSE(waitingForAFix());
    letTimePass(0.2);
    EXPECT_TRUE(serviceRequestsTo(kSetLocation).empty());
}

} // namespace
