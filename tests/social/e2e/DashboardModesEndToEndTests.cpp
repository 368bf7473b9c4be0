// The dashboard's modes, end to end: its offline form when the service goes
// away under it and its online form when the service is back; how it turns
// with the device on a large screen and keeps its orientation on a phone.
#include "DashboardEndToEndSupport.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Boxed.h"
#include "platform/net/Reachability.h"
#include "platform/ui/Button.h"
#include "social/runtime/QVReachability.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace e2e_testing;

namespace {

// The device's network monitor is the test's: the service's host stays
// resolvable on loopback, so only the monitor can tell the client it is gone.
class DashboardModesEndToEnd : public DashboardEndToEndTest {
protected:
    void SetUp() override
    {
        network = platform::ManualReachability::create(platform::Reachability::ReachableViaWiFi);
        QVReachability::setDefaultSource(platform::Ref<platform::Reachability>(network.get()));
        DashboardEndToEndTest::SetUp();
    }
    void TearDown() override
    {
        DashboardEndToEndTest::TearDown();
        QVReachability::setDefaultSource(nullptr);
    }

    // The visible button titled `title`, or null.
    platform::ui::Button* button(const std::string& title) const
    {
        for (auto* b : visible<platform::ui::Button>())
            if (b->titleForState(platform::ui::StateNormal) == title)
                return b;
        return nullptr;
    }
    bool enabled(const std::string& title) const
    {
        auto* b = button(title);
        return b && b->isEnabled();
    }

    platform::Ref<platform::ManualReachability> network;
};

TEST_F(DashboardModesEndToEnd, TheOpenDashboardGoesOfflineWithTheServiceAndBackOnlineWhenItReturns)
{
    ASSERT_GT(launchAndLogIn(), 0);
    Quorvel::launchDashboardWithListLeaderboardsPage();
    ASSERT_TRUE(waitForScreen("QVLeaderboardController"));
    ASSERT_TRUE(waitForText("Fastest Lap"));

    // The service dies and the network goes with it; back on the game's page
    // the player finds its offline form: only what the device keeps still opens.
    killService();
    network->setStatus(platform::Reachability::NotReachable);
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    ASSERT_TRUE(waitUntil([&] { return button("Challenges") && !enabled("Challenges"); })) << screenText();
    EXPECT_FALSE(enabled("Who's Playing"));
    EXPECT_TRUE(enabled("Leaderboards"));
    EXPECT_FALSE(Quorvel::isOnline());
    tapText("Challenges");
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    tapTab("Games");
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    tapTab("My Quorvel");
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    // The boards kept on the device still open.
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForText("Normal"));
    ASSERT_TRUE(tapBack());

    // A page that needs the service, opened offline, leaves the player on the offline game page.
    Quorvel::dismissDashboard();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::isShowingFullScreen(); }));
    Quorvel::launchDashboardWithChallengesPage();
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    idle(0.3);
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    EXPECT_FALSE(enabled("Challenges"));

    // The service starts again on its folder and the network is back: the
    // client logs in again and the dashboard opens its online pages.
    startService();
    network->setStatus(platform::Reachability::ReachableViaWiFi);
    ASSERT_TRUE(waitUntil([] { return Quorvel::isOnline(); }));
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo("bootstrap.xml").empty(); }));
    ASSERT_TRUE(tapTab("Games"));
    ASSERT_TRUE(waitForScreen("QVGameDiscoveryController")) << screenText();
    ASSERT_TRUE(waitForText("Featured"));
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController"));
    ASSERT_TRUE(tapTab("Brisko"));
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    ASSERT_TRUE(waitUntil([&] { return enabled("Challenges"); })) << screenText();
    ASSERT_TRUE(tapText("Challenges"));
    EXPECT_TRUE(waitForScreen("QVChallengeListController"));
}

} // namespace
