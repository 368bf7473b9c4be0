// Game discovery end to end: the games tab lists the service's categories, a
// category lists its games, a game the player does not have opens its store
// description, one the player has opens its profile; a shuffle page loads
// again on a shake; the featured banner's picture is fetched and shown.
#include "DashboardEndToEndSupport.h"

#include "platform/device/Accelerometer.h"
#include "platform/graphics/Image.h"
#include "platform/ui/WebView.h"
#include "social/ui/QVImageView.h"

#include <gtest/gtest.h>

using namespace e2e_testing;

namespace {

using DiscoveryEndToEnd = DashboardEndToEndTest;

TEST_F(DiscoveryEndToEnd, ACategoryListsItsGamesAndEachOpensItsDescriptionOrItsProfile)
{
    launchAndLogIn();
    openDashboard();
    // The games tab loads when the player first goes there.
    EXPECT_TRUE(serviceRequestsTo("game_discovery_categories").empty());
    ASSERT_TRUE(tapTab("Games"));
    ASSERT_TRUE(waitForText("Developer Picks"));
    EXPECT_TRUE(shows("New Games"));
    EXPECT_TRUE(shows("Featured"));
    EXPECT_EQ(serviceRequestsTo("game_discovery_categories").size(), 1u);

    ASSERT_TRUE(tapText("Developer Picks"));
    ASSERT_TRUE(waitForText("Puzzle Park"));
    EXPECT_TRUE(shows("Brisko"));
    EXPECT_EQ(serviceRequestsTo("game_discovery_categories/developers_picks.xml").size(), 1u);

    // A game the player does not have: its store page, asked of the service and signed.
    ASSERT_TRUE(tapText("Puzzle Park"));
    ASSERT_TRUE(waitForScreen("QVApplicationDescriptionController"));
    auto pages = visible<platform::ui::WebView>();
    ASSERT_EQ(pages.size(), 1u);
    const auto& request = pages[0]->request();
    EXPECT_NE(request.url.find(serviceAddress() + ":" + std::to_string(port) + "/client_applications/322/application_descriptions"),
              std::string::npos)
        << request.url;
    EXPECT_NE(request.url.find("app_banner_placement=playedGameController_developers_picks_"), std::string::npos);
    bool signedRequest = false;
    for (auto& [name, value] : request.headers)
        signedRequest |= name == "Authorization" && value.find("oauth_signature") != std::string::npos;
    EXPECT_TRUE(signedRequest);

    // The game being played: its own profile.
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitForText("Brisko"));
    ASSERT_TRUE(tapText("Brisko"));
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    EXPECT_TRUE(waitForText("Leaderboards"));
}

TEST_F(DiscoveryEndToEnd, TheShufflePageLoadsAgainOnAShakeOrItsButton)
{
    // The operator offers the shuffle page among the categories.
    ASSERT_TRUE(arrange("INSERT INTO discovery_pages VALUES ('quorvel_five', 'Quorvel Five')"));
    auto& accelerometer = platform::ui::Accelerometer::sharedAccelerometer();
    struct Restore {
        ~Restore() { platform::ui::Accelerometer::sharedAccelerometer().reset(); }
    } restore;
    launchAndLogIn();
    openDashboard();
    ASSERT_TRUE(tapTab("Games"));
    ASSERT_TRUE(waitForText("Quorvel Five"));
    ASSERT_TRUE(tapText("Quorvel Five"));
    const std::string page = "game_discovery_categories/quorvel_five.xml";
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo(page).size() == 1 && shows("Puzzle Park"); }));

    ASSERT_TRUE(tapBarButton("Shuffle"));
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo(page).size() == 2; }));

    // A shake once the list has come back: hard one way, then the other.
    letTimePass(0.3);
    for (double x : { 1.6, -1.6, 1.6 })
        accelerometer.injectSample(x, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo(page).size() == 3; }));

    // Leaving the page hands the accelerometer back.
    ASSERT_TRUE(tapBack());
    for (double x : { 1.6, -1.6, 1.6 })
        accelerometer.injectSample(x, 0, 0);
    letTimePass(0.3);
    EXPECT_EQ(serviceRequestsTo(page).size(), 3u);
}

TEST_F(DiscoveryEndToEnd, TheFeaturedBannerPictureIsFetchedFromTheServiceAndShown)
{
    launchAndLogIn();
    openDashboard();
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo("banners/featured-1.png").empty(); }));
    // The blue 8 by 4 picture the service answers, shown in a picture view.
    ASSERT_TRUE(waitUntil([&] {
        for (auto* view : visible<quorvel::QVImageView>())
            if (auto* image = view->image(); image && image->width() == 8 && image->height() == 4)
                return true;
        return false;
    }));
}

} // namespace
