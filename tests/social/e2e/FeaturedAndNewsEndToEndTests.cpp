// The service's featured banners and news end to end: the game page's banner
// takes the service's banners in turn, each for its own time; a discovery page lists the service's
// news item, which opens its page; a player's gamerscore, over all games and
// per game, follows what they unlocked.
#include "DashboardEndToEndSupport.h"

#include "platform/graphics/Image.h"
#include "platform/ui/WebView.h"
#include "social/dashboard/games/QVDiscoveryBannerCells.h"
#include "social/services/QVAchievement.h"
#include "social/ui/QVPlayerBannerCell.h"

#include <gtest/gtest.h>

using namespace e2e_testing;
using standin::StandInState;

namespace {

using FeaturedAndNewsEndToEnd = DashboardEndToEndTest;

TEST_F(FeaturedAndNewsEndToEnd, TheFeaturedBannerShowsTheServicesBannersInTurn)
{
    launchAndLogIn();
    openDashboard();
    auto cells = visible<quorvel::QVFeaturedGameCell>();
    ASSERT_EQ(cells.size(), 1u);
    quorvel::QVFeaturedGameCell* banner = cells[0];
    // The first banner is 8 by 4 pixels, the second 4 by 8.
    auto showing = [&](uint32_t width) {
        platform::Image* image = banner->imageView()->image();
        return image && image->width() == width;
    };
    // Each shows for its own seconds: the first 6, the second 4, then the first again.
    auto secondsUntilBanner = [&](uint32_t index) {
        double waited = 0;
        while (banner->currentHyperlinkIndex() != index && waited < 20) {
            driver->advance(0.5);
            waited += 0.5;
            settleNetwork(); // the next banner's picture
        }
        return waited;
    };
    ASSERT_TRUE(waitUntil([&] { return showing(8); }));
    ASSERT_EQ(banner->currentHyperlinkIndex(), 0u);
    double first = secondsUntilBanner(1);
    EXPECT_GE(first, 4.5);
    EXPECT_LE(first, 6.5);
    ASSERT_TRUE(waitUntil([&] { return showing(4); }));
    double second = secondsUntilBanner(0);
    EXPECT_GE(second, 2.5);
    EXPECT_LE(second, 4.5);
    ASSERT_TRUE(waitUntil([&] { return showing(8); }));
}

TEST_F(FeaturedAndNewsEndToEnd, ADiscoveryPageListsTheServicesNewsItemWhichOpensItsPage)
{
    launchAndLogIn();
    openDashboard();
    ASSERT_TRUE(tapTab("Games"));
    ASSERT_TRUE(waitForText("New Games"));
    ASSERT_TRUE(tapText("New Games"));
    ASSERT_TRUE(waitForText("Brisko 1.1 is out"));
    EXPECT_TRUE(shows("New hills for the kestrel"));
    EXPECT_TRUE(shows("Puzzle Park"));

    ASSERT_TRUE(tapText("Brisko 1.1 is out"));
    ASSERT_TRUE(waitForScreen("QVGameDiscoveryNewsItemController"));
    auto pages = visible<platform::ui::WebView>();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0]->request().url.find("/game_discovery_news_items/7.iphone"), std::string::npos)
        << pages[0]->request().url;
    bool signedRequest = false;
    for (auto& [name, value] : pages[0]->request().headers)
        signedRequest |= name == "Authorization" && value.find("oauth_signature") != std::string::npos;
    EXPECT_TRUE(signedRequest);
}

TEST_F(FeaturedAndNewsEndToEnd, TheGamerscoreFollowsWhatThePlayerUnlocked)
{
    launchAndLogIn();
    // The game unlocks its first achievement, worth 10.
    auto achievement = quorvel::QVAchievement::achievement(std::to_string(StandInState::kFirstStepsAchievement));
    ASSERT_TRUE(achievement);
    achievement->unlock();
    ASSERT_TRUE(waitUntil([&] { return state->unlocks().size() == 1; }));

    openDashboard();
    ASSERT_TRUE(tapTab("My Quorvel"));
    ASSERT_TRUE(tapText("My Games"));
    ASSERT_TRUE(waitForText("Brisko"));
    EXPECT_TRUE(shows("10"));
    ASSERT_TRUE(tapBack());
    // The banner over the player's page carries the total the service counts.
    ASSERT_TRUE(waitUntil([&] {
        auto banners = visible<quorvel::QVPlayerBannerCell>();
        return !banners.empty() && banners[0]->quorvelPtsLabel() && banners[0]->quorvelPtsLabel()->text() == "10";
    }));
}

} // namespace
