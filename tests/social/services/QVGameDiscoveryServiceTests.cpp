// The game discovery service against the stand-in: page paths, the
// orientation parameter taken at the call, and a page's mixed rows — banners,
// news, categories and played games that keep their stats.
#include "ServiceTestSupport.h"

#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/services/QVPlayedGame.h"
#include "social/ui/QVDashboardRole.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

// The dashboard as shown: the services read its shape through the dashboard role.
class ShownDashboard : public QVDashboardRole {
public:
    bool large { false };
    bool landscape { false };
    bool isLargeScreen() override { return large; }
    platform::ui::InterfaceOrientation getDashboardOrientation() override
    {
        return landscape ? platform::ui::InterfaceOrientation::LandscapeRight : platform::ui::InterfaceOrientation::Portrait;
    }
};

class QVGameDiscoveryServiceTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        discovery.providerLink = provider.get();
        TestRuntimeRoles::setCurrent(&discovery);
        QVDashboardRole::setCurrent(&shown);
        discovery.lastUserId = std::string(1, '5');
        auto page = standin::Answer::xml(fixture("discovery_page.xml"));
        server.route("GET", "game_discovery_categories", page);
        for (const char* name : { "developers_picks", "now_playing_featured_placement", "a b" })
            server.route("GET", std::string("game_discovery_categories/") + name + ".xml", page);
    }
    void TearDown() override
    {
        QVDashboardRole::setCurrent(nullptr);
        TestRuntimeRoles::setCurrent(&facade);
        QVGameDiscoveryService::shutdownService();
        ServiceNetTest::TearDown();
    }
    FacadeHost<net_testing::RecordingHost> discovery;
    ShownDashboard shown;
};

TEST_F(QVGameDiscoveryServiceTest, PagesSendTheirPathPageAndOrientation)
{
    struct Case {
        std::function<void()> call;
        bool large, landscape;
        const char* path;
        Params params;
    };
    auto s = recorder->onSuccess(), f = recorder->onFailure();
    const Case cases[] = {
        { [&] { QVGameDiscoveryService::getGameDiscoveryCategories(s, f); }, false, false,
          "game_discovery_categories", { { "page", "1" }, { "orientation", "portrait" } } },
        { [&] { QVGameDiscoveryService::initializeService(); QVGameDiscoveryService::sharedService()->getIndexOnSuccess(s, f); }, false, true, "game_discovery_categories",
          { { "page", "1" }, { "orientation", "landscape" } } },
        // A large screen is "ipad" even in landscape.
        { [&] { QVGameDiscoveryService::getNowPlayingFeaturedPlacement(s, f); }, true, true,
          "game_discovery_categories/now_playing_featured_placement.xml",
          { { "page", "1" }, { "orientation", "ipad" } } },
        { [&] { QVGameDiscoveryService::getDiscoveryPageNamed("a b", 3, s, f); }, false, false,
          "game_discovery_categories/a b.xml", { { "page", "3" }, { "orientation", "portrait" } } },
    };
    for (const Case& c : cases) {
        server.clearLog();
        shown.large = c.large;
        shown.landscape = c.landscape;
        c.call();
        ASSERT_TRUE(waitForRequests(1)) << c.path;
        auto log = server.requests();
        EXPECT_EQ(log[0].method, "GET");
        EXPECT_EQ(log[0].path, c.path);
        EXPECT_EQ(ownParams(log[0]), c.params) << c.path;
    }
    EXPECT_TRUE(discovery.notices.empty());
}

TEST_F(QVGameDiscoveryServiceTest, APageMixesItsRowsAndGamesKeepTheirStats)
{
    QVGameDiscoveryService::getDiscoveryPageNamed("developers_picks", 1, recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    ASSERT_TRUE(answer());
    const auto& rows = answer()->objects();
    ASSERT_EQ(rows.size(), 5u);
    auto* banner = dynamic_cast<QVGameDiscoveryImageHyperlink*>(rows[0].get());
    ASSERT_TRUE(banner);
    EXPECT_FLOAT_EQ(banner->secondsToDisplay, 2.5f);
    EXPECT_TRUE(banner->isIPurchaseLink() && banner->isCategoryLink());
    EXPECT_EQ(banner->appBannerPlacement, "top");
    auto* plain = dynamic_cast<QVGameDiscoveryImageHyperlink*>(rows[1].get());
    ASSERT_TRUE(plain);
    EXPECT_FLOAT_EQ(plain->secondsToDisplay, 0.0f);
    EXPECT_FALSE(plain->isIPurchaseLink() || plain->isCategoryLink());
    auto* news = dynamic_cast<QVGameDiscoveryNewsItem*>(rows[2].get());
    ASSERT_TRUE(news);
    EXPECT_EQ(news->subtitle, "Levels");
    auto* category = dynamic_cast<QVGameDiscoveryCategory*>(rows[3].get());
    ASSERT_TRUE(category);
    EXPECT_EQ(category->targetDiscoveryPageTitle, "Arcade games");
    auto* game = dynamic_cast<QVPlayedGame*>(rows[4].get());
    ASSERT_TRUE(game);
    ASSERT_EQ(game->userGameStats().size(), 1u);
    EXPECT_TRUE(game->isOwnedByCurrentUser());
}

class FeaturedDelegate : public platform::Object, public QVPlayedGameDelegate {
public:
    void didGetFeaturedGames(const std::vector<Ref<platform::Object>>& games) override
    {
        calls.push_back("got " + std::to_string(games.size()));
    }
    void didFailGetFeaturedGames() override { calls.push_back("failed"); }
    std::vector<std::string> calls;
};

TEST_F(QVGameDiscoveryServiceTest, FeaturedGamesReachTheClassDelegateUntilItIsCleared)
{
    auto d = platform::adoptRef(new FeaturedDelegate);
    QVPlayedGame::setDelegate(d.get());
    EXPECT_TRUE(QVPlayedGame::getFeaturedGames());
    ASSERT_TRUE(waitFor([&] { return !d->calls.empty(); }));
    EXPECT_EQ(server.requests().at(0).path, "game_discovery_categories/developers_picks.xml");

    // An empty page still arrives, with no games.
    server.route("GET", "game_discovery_categories/developers_picks.xml", standin::Answer::xml("<resources/>"));
    QVPlayedGame::getFeaturedGames();
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 2; }));
    server.route("GET", "game_discovery_categories/developers_picks.xml", standin::Answer::xml("<error/>", 500));
    QVPlayedGame::getFeaturedGames();
    ASSERT_TRUE(waitFor([&] { return d->calls.size() == 3; }));
    EXPECT_EQ(d->calls, (std::vector<std::string> { "got 5", "got 0", "failed" }));

    // Cleared while the request runs: the answer finds no delegate.
    server.clearLog();
    QVPlayedGame::getFeaturedGames();
    QVPlayedGame::setDelegate(nullptr);
    ASSERT_TRUE(waitForRequests(1));
    settleNetwork();
    EXPECT_EQ(d->calls.size(), 3u);
}

} // namespace
