// The dashboard against the stand-in service, through the central class: the
// client starts and logs in the way a game starts it, the tabbed dashboard
// opens on the game's page, the ticker downloads and shows its first message,
// and the player taps through to a leaderboard's scores.
#include "../core/QuorvelTestSupport.h"

#include "platform/ui/TestDriver.h"
#include "social/dashboard/QVDashboardClasses.h"
#include "social/dashboard/QVGameProfileController.h"
#include "social/dashboard/QVHighScoreController.h"
#include "social/dashboard/QVTabbedDashboardController.h"
#include "tools/standin/StandInServer.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace quorvel;
using platform::Ref;
using platform::ui::IndexPath;

namespace {

std::string sourceDir()
{
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    return source ? source : ".";
}

class DashboardStandInTest : public core_testing::QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        QVLinkDashboardClasses();
        QVTickerProxy::purgeSharedInstance();
        platform::ui::TestDriver::reset();
        driver = std::make_unique<platform::ui::TestDriver>();
        server.setFixtureDirectory(sourceDir() + "/tools/standin/fixtures");
        // The game offers leaderboards and achievements.
        server.route("POST", "bootstrap.xml", [this](const standin::LoggedRequest&) {
            if (refuseBootstrap)
                return standin::Answer::xml("<errors><error>Try again later</error></errors>", 500);
            return standin::Answer::xml("<bootstrap><access_token>token-1</access_token>"
                                        "<access_token_secret>token-secret-1</access_token_secret>"
                                        "<client_application_id>1</client_application_id>"
                                        "<user><id>17</id><name>Player</name></user>"
                                        "<game_profile_page_info><id>1</id><name>Brisko</name><short_name>Brisko</short_name>"
                                        "<has_leaderboards>true</has_leaderboards><has_achievements>true</has_achievements>"
                                        "</game_profile_page_info></bootstrap>");
        });
    }
    void TearDown() override
    {
        if (dashboard && dashboard->isViewLoaded())
            dashboard->view()->removeFromSuperview();
        dashboard = nullptr;
        driver.reset();
        platform::ui::TestDriver::reset();
        QVTickerProxy::purgeSharedInstance();
        QuorvelTest::TearDown();
    }

    bool settleUntil(const std::function<bool()>& done)
    {
        return waitFor([&] {
            driver->settle();
            return done();
        });
    }

    std::unique_ptr<platform::ui::TestDriver> driver;
    Ref<QVTabbedDashboardController> dashboard;
    std::atomic<bool> refuseBootstrap { false };
};

TEST_F(DashboardStandInTest, OpensOnTheGamesPageShowsTheTickerAndReachesALeaderboardsScores)
{
    Quorvel::setUserApprovedQuorvel();
    startClient();
    ASSERT_TRUE(waitFor([] { return Quorvel::isOnline(); }));

    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("TabbedDashboard");
    dashboard = Ref<QVTabbedDashboardController>(dynamic_cast<QVTabbedDashboardController*>(loaded.get()));
    ASSERT_TRUE(dashboard);
    driver->showController(dashboard.get());
    dashboard->showTabViewControllerNamed(QVTabbedDashboardController::defaultTab());
    ASSERT_TRUE(settleUntil([&] { return !dashboard->tickerView()->text().empty(); }));
    EXPECT_EQ(dashboard->tickerView()->text(), "Cave Diver tops the charts this week");
    EXPECT_EQ(requestsTo("tickers.xml").size(), 1u);

    auto* nav = dashboard->activeNavigationController();
    ASSERT_TRUE(nav);
    auto* page = dynamic_cast<QVGameProfileController*>(nav->topViewController());
    ASSERT_TRUE(page);
    EXPECT_FALSE(page->leaderboardsButton()->isHidden());
    EXPECT_FALSE(page->achievementsButton()->isHidden());

    ASSERT_TRUE(driver->tap(page->leaderboardsButton()));
    driver->advance(1); // the push's slide
    auto* leaderboards = dynamic_cast<QVLeaderboardController*>(nav->topViewController());
    ASSERT_TRUE(leaderboards);
    bool listed = settleUntil([&] { return leaderboards->sections().has_value(); });
    if (!listed)
        for (auto& r : server.requests())
            ADD_FAILURE() << r.method << " " << r.path;
    ASSERT_TRUE(listed);
    EXPECT_EQ(requestsTo("client_applications/1/leaderboards.xml").size(), 1u);

    driver->advance(1); // the loading overlay fades out
    auto* table = leaderboards->tableView();
    auto* row = table->cellForRowAtIndexPath(IndexPath::forRow(0, 0));
    ASSERT_TRUE(row);
    ASSERT_TRUE(driver->tap(row));
    driver->advance(1);
    auto* scores = dynamic_cast<QVHighScoreController*>(nav->topViewController());
    ASSERT_TRUE(scores);
    ASSERT_TRUE(settleUntil([&] { return scores->sections().has_value(); }));
    EXPECT_EQ(requestsTo("client_applications/@me/high_scores.xml").size(), 2u) << "friends and everyone";
    ASSERT_FALSE(scores->sections()->empty());
}

} // namespace

namespace {

TEST_F(DashboardStandInTest, EnablingTheClientFromTheGamesPageAfterAnEarlierApprovalLogsInAndEndsTheLoadingScreen)
{
    Quorvel::setUserApprovedQuorvel();
    refuseBootstrap = true;
    startClient();
    ASSERT_TRUE(waitForBootstrapRequests(1));
    ASSERT_TRUE(waitFor([] { return Quorvel::hasBootstrapCompleted() || !Quorvel::isBootstrapInProgress(); }));
    ASSERT_FALSE(Quorvel::isOnline());

    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("GameProfile");
    Ref<QVGameProfileController> page(dynamic_cast<QVGameProfileController*>(loaded.get()));
    ASSERT_TRUE(page);
    auto nav = QVNavigationController::withRootViewController(page.get());
    driver->showController(nav.get());
    driver->advance(1);
    EXPECT_TRUE(page->wasOfflineLastRefresh());

    refuseBootstrap = false;
    size_t before = requestsTo("bootstrap.xml").size();
    page->pressedEnableQuorvel();
    ASSERT_TRUE(nav->loadingController() && !nav->loadingController()->view()->isHidden());
    ASSERT_TRUE(settleUntil([&] { return Quorvel::isOnline(); })) << "the approval given earlier starts the login";
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), before + 1);
    driver->advance(1);
    EXPECT_TRUE(!nav->loadingController() || nav->loadingController()->view()->isHidden() ||
                !nav->loadingController()->view()->superview());
    EXPECT_FALSE(page->wasOfflineLastRefresh());
    nav->view()->removeFromSuperview();
}

} // namespace
