// The dashboard against the stand-in service, through the central class: the
// client starts and logs in the way a game starts it, the tabbed dashboard
// opens on the game's page, the ticker downloads and shows its first message,
// and the player taps through to a leaderboard's scores.
#include "../core/QuorvelTestSupport.h"

#include "platform/ui/TestDriver.h"
#include "social/dashboard/frame/QVTabbedDashboardController.h"
#include "social/dashboard/games/QVGameProfileController.h"
#include "social/dashboard/scores/QVHighScoreController.h"
#include "social/dashboard/scores/QVLeaderboardController.h"
#include "social/services/QVHighScore.h"
#include "social/ui/QVRootFrame.h"
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
        QVTickerProxy::purgeSharedInstance();
        platform::ui::TestDriver::reset();
        driver = std::make_unique<platform::ui::TestDriver>();
        server.setFixtureDirectory(sourceDir() + "/tools/standin/fixtures");
        // The dashboard asks for the game's announcements when it opens.
        server.route("GET", "client_applications/321/forums/announcements.xml",
                     standin::Answer::xml("<?xml version=\"1.0\"?><resources></resources>"));
        // The game offers leaderboards and achievements; the token the answer issues is known.
        server.addToken("token-1", "token-secret-1");
        server.route("POST", "bootstrap.xml", [this](const standin::LoggedRequest&) {
            if (refuseBootstrap)
                return standin::Answer::xml("<errors><error>Try again later</error></errors>", 500);
            std::string answer = standin::StandInServer::completeBootstrapAnswer("token-1", "token-secret-1");
            size_t from = answer.find("<game_profile_page_info>");
            size_t to = answer.find("</game_profile_page_info>");
            if (from != std::string::npos && to != std::string::npos)
                answer.erase(from, to + std::string("</game_profile_page_info>").size() - from);
            answer.insert(answer.rfind("</bootstrap>"),
                          "<game_profile_page_info><id>321</id><name>Brisko</name><short_name>Brisko</short_name>"
                          "<has_leaderboards>true</has_leaderboards><has_achievements>true</has_achievements>"
                          "</game_profile_page_info>");
            return standin::Answer::xml(answer);
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
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    startClient();
    ASSERT_TRUE(waitFor([] { return Quorvel::isOnline(); }));
    QuorvelInternal::session().stopPolling();
    QuorvelInternal::options().setInitialDashboardScreen("");
    QuorvelInternal::options().setInitialDashboardModalContentURL(platform::Value()); // no web page over the dashboard

    Quorvel::launchDashboard();
    EXPECT_TRUE(QuorvelInternal::hub().isDashboardHubOpen());
    driver->advance(0.6); // the move-in
    ASSERT_TRUE(QuorvelInternal::presenter().dashboardVisible());
    auto* root = dynamic_cast<QVRootFrame*>(QuorvelInternal::presenter().getRootController());
    ASSERT_TRUE(root);
    auto* opened = dynamic_cast<QVTabbedDashboardController*>(root->contentController());
    ASSERT_TRUE(opened);
    ASSERT_TRUE(settleUntil([&] { return !opened->tickerView()->text().empty(); }));
    EXPECT_EQ(opened->tickerView()->text(), "Cave Diver tops the charts this week");
    EXPECT_EQ(requestsTo("tickers.xml").size(), 1u);
    const auto& tabs = opened->tabBarItems();
    ASSERT_EQ(tabs.size(), 3u);
    EXPECT_EQ(tabs[1]->name(), "My Quorvel");
    EXPECT_EQ(tabs[2]->name(), "Games");

    auto* nav = opened->activeNavigationController();
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
    EXPECT_EQ(requestsTo("client_applications/321/leaderboards.xml").size(), 1u);

    driver->advance(1); // the loading overlay fades out
    auto* table = leaderboards->tableView();
    driver->settle();
    table->layoutSubviews();
    auto* row = table->cellForRowAtIndexPath(IndexPath::forRow(0, 0));
    ASSERT_TRUE(row);
    auto tapped = driver->tap(row);
    ASSERT_TRUE(tapped) << tapped.problem;
    driver->advance(1);
    auto* scores = dynamic_cast<QVHighScoreController*>(nav->topViewController());
    ASSERT_TRUE(scores);
    ASSERT_TRUE(settleUntil([&] { return scores->sections().has_value(); }));
    EXPECT_EQ(requestsTo("client_applications/@me/high_scores.xml").size(), 2u) << "friends and everyone";
    ASSERT_FALSE(scores->sections()->empty());
    // The stand-in answers plain score rows: they show as friends and everyone, every row a score.
    std::vector<std::string> titles;
    for (auto& section : *scores->sections()) {
        titles.push_back(section->title());
        ASSERT_TRUE(section->page());
        for (auto& object : section->page()->objects())
            EXPECT_TRUE(dynamic_cast<QVHighScore*>(object.get())) << "a row of " << section->title();
    }
    EXPECT_EQ(titles, (std::vector<std::string> { "Friends", "Everyone" }));

    // The ticker's close button closes the dashboard.
    auto closed = driver->tap(opened->tickerView()->xButton());
    ASSERT_TRUE(closed) << closed.problem << " " << opened->tickerView()->xButton()->convertRectTo(opened->tickerView()->xButton()->bounds(), nullptr).origin.x;
    driver->advance(0.5);
    EXPECT_FALSE(QuorvelInternal::presenter().dashboardVisible());
}

} // namespace

namespace {

TEST_F(DashboardStandInTest, EnablingTheClientFromTheGamesPageAfterAnEarlierApprovalLogsInAndEndsTheLoadingScreen)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    refuseBootstrap = true;
    startClient();
    ASSERT_TRUE(waitForBootstrapRequests(1));
    ASSERT_TRUE(waitFor([] { return QuorvelInternal::login().hasBootstrapCompleted() || !QuorvelInternal::login().isBootstrapInProgress(); }));
    ASSERT_FALSE(Quorvel::isOnline());

    // The first tab's page for a client that is not on.
    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("EnableQuorvelInDashboard");
    Ref<QVGameProfileController> page(dynamic_cast<QVGameProfileController*>(loaded.get()));
    ASSERT_TRUE(page);
    auto nav = QVNavigationController::withRootViewController(page.get());
    driver->showController(nav.get());
    driver->advance(1);
    ASSERT_TRUE(page->enableButton());

    refuseBootstrap = false;
    size_t before = requestsTo("bootstrap.xml").size();
    // The login's answer waits while the loading screen is looked at.
    server.holdAnswersTo("bootstrap.xml");
    ASSERT_TRUE(driver->tap(page->enableButton()));
    ASSERT_TRUE(nav->loadingController() && !nav->loadingController()->view()->isHidden());
    server.stopHolding();
    ASSERT_TRUE(settleUntil([&] { return Quorvel::isOnline(); })) << "the approval given earlier starts the login";
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), before + 1);
    driver->advance(1);
    EXPECT_TRUE(!nav->loadingController() || nav->loadingController()->view()->isHidden() ||
                !nav->loadingController()->view()->superview());
    nav->view()->removeFromSuperview();
}

} // namespace
