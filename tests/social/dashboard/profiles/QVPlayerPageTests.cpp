// The player's own page (badges, tab badge, pushes, own-profile report) and
// the dashboard's web pages (their signed paths and parameters).
#include "../CommunityTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/games/QVApplicationDescriptionController.h"
#include "social/dashboard/games/QVFeaturedGamesController.h"
#include "social/dashboard/games/QVGameDiscoveryNewsItemController.h"
#include "social/dashboard/games/QVHelpController.h"
#include "social/dashboard/profiles/QVMyQuorvelController.h"
#include "social/dashboard/settings/QVUserSettingController.h"
#include "social/services/QVUser.h"

using namespace quorvel;
using namespace community_testing;
using platform::Ref;
using platform::dynamicRef;

namespace {

class PlayerPageTest : public CommunityTest {
protected:
    void SetUp() override
    {
        CommunityTest::SetUp();
        QuorvelInternal::options().setPendingFriendsCount(1);
        QuorvelInternal::options().setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(1, 1, 0);
    }
    void TearDown() override
    {
        page = nullptr;
        CommunityTest::TearDown();
    }
    QVMyQuorvelController* open()
    {
        page = dynamicRef<QVMyQuorvelController>(QVControllerLoader::load("MyQuorvel"));
        EXPECT_TRUE(page);
        showInNavigation(page.get());
        return page.get();
    }
    platform::ui::ViewController* top() const { return navigation->topViewController(); }

    Ref<QVMyQuorvelController> page;
};

TEST_F(PlayerPageTest, BadgesFollowTheCountsAndTheTabShowsTheirSum)
{
    open();
    EXPECT_EQ(page->friendsBadge()->value(), 1);
    EXPECT_EQ(page->inboxBadge()->value(), QuorvelInternal::options().unreadInboxTotal());
    EXPECT_EQ(requestsTo("profiles/viewed_own").size(), 1u) << "the player's own page is reported once";

    QuorvelInternal::options().setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(2, 0, 0);
    QuorvelInternal::notifications().postUnreadInboxCountChangedTo(2);
    QuorvelInternal::notifications().postPendingFriendsCountChangedTo(3);
    EXPECT_EQ(page->friendsBadge()->value(), 3);
    EXPECT_EQ(page->inboxBadge()->value(), 2);
    EXPECT_EQ(navigation->badgeValue(), std::optional<std::string>("5"));

    auto image = render("dashboard-player-page");
    ASSERT_TRUE(image);
    // The "My Friends" button's blue face.
    platform::Point p = page->buttonNamed("My Friends")->convertPointTo(platform::Point(20, 20), nullptr);
    auto pixel = screen_testing::pixelAt(*image, static_cast<int>(p.x), static_cast<int>(p.y));
    EXPECT_GT(pixel.b, pixel.r + 60);
}

TEST_F(PlayerPageTest, OnAPhoneOnItsSideTheButtonsStandInTwoColumnsWithinTheShortPage)
{
    // On its side a phone's page is under 200 points tall under the player's banner.
    host().orientation = platform::ui::InterfaceOrientation::LandscapeRight;
    open();
    platform::ui::Button* friends = page->buttonNamed("My Friends");
    platform::ui::Button* inbox = page->buttonNamed("Inbox");
    EXPECT_EQ(inbox->frame().minY(), friends->frame().minY());
    EXPECT_GT(inbox->frame().minX(), friends->frame().maxX());
    float bottom = 0;
    for (const char* name : { "My Friends", "Inbox", "My Games", "Settings", "Help" })
        bottom = std::max(bottom, page->buttonNamed(name)->frame().maxY());
    EXPECT_LE(bottom, 195);
    // Each badge stays on its button's top-right corner.
    EXPECT_TRUE(page->inboxBadge()->frame().containsPoint(platform::Point(inbox->frame().maxX() - 15, inbox->frame().minY())));
    EXPECT_TRUE(page->friendsBadge()->frame().containsPoint(platform::Point(friends->frame().maxX() - 15, friends->frame().minY())));
}

TEST_F(PlayerPageTest, ButtonsPushTheirScreensAndHelpRequestsItsPage)
{
    open();
    ASSERT_TRUE(driver().tap(page->buttonNamed("Help")));
    settle(1);
    auto* help = dynamic_cast<QVHelpController*>(top());
    ASSERT_TRUE(help);
    EXPECT_EQ(help->title(), "Help");
    EXPECT_EQ(help->webView()->currentURL().rfind("http://standin.test/help.iphone?", 0), 0u);

    navigation->popToRootViewControllerAnimated(false);
    settle(1);
    ASSERT_TRUE(driver().tap(page->buttonNamed("Settings")));
    settle(1);
    EXPECT_TRUE(dynamic_cast<QVUserSettingController*>(top()));
    // The pushed screen's back button names the page it returns to.
    EXPECT_EQ(navigation->navigationBar()->backButtonTitle(), "My Quorvel");
}

class WebPagesTest : public CommunityTest { };

TEST_F(WebPagesTest, ApplicationDescriptionSendsThePlacementOnlyWhenGiven)
{
    auto plain = QVApplicationDescriptionController::applicationDescriptionForId("42", "");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->getAction(), "client_applications/42/application_descriptions.iphone");
    EXPECT_TRUE(plain->getParameters().empty());
    EXPECT_EQ(plain->notificationString(), "Downloaded Application Description");

    auto placed = QVApplicationDescriptionController::applicationDescriptionForId("42", "playedGameCell");
    auto parameters = placed->getParameters();
    ASSERT_EQ(parameters.size(), 1u);
    EXPECT_EQ(parameters[0]->name(), "app_banner_placement");
    EXPECT_EQ(parameters[0]->value(), "playedGameCell");

    // The facade's and other screens' loader keys reach the same fields.
    auto keyed = dynamicRef<QVApplicationDescriptionController>(QVControllerLoader::loadWithParams(
        "ApplicationDescription", { { "applicationId", platform::Boxed::box(platform::Value(std::string("7"))) } }));
    ASSERT_TRUE(keyed);
    EXPECT_EQ(keyed->resourceId(), "7");

    showInNavigation(placed.get());
    settle(0.1);
    const std::string url = placed->webView()->currentURL();
    EXPECT_EQ(url.rfind("http://standin.test/client_applications/42/application_descriptions.iphone?", 0), 0u) << url;
    EXPECT_NE(url.find("app_banner_placement=playedGameCell"), std::string::npos) << url;
}

TEST_F(WebPagesTest, NewsAndFeaturedPagesNameTheirPaths)
{
    auto news = QVGameDiscoveryNewsItemController::create();
    news->setNewsItem(resourceFrom<QVGameDiscoveryNewsItem>("<game_discovery_news_item><id>31</id><title>T</title></game_discovery_news_item>").get());
    EXPECT_EQ(news->getAction(), "game_discovery_news_items/31.iphone");
    EXPECT_EQ(news->getTitle(), "News");
    EXPECT_TRUE(news->getParameters().empty());

    auto featured = dynamicRef<QVFeaturedGamesController>(QVControllerLoader::load("FeaturedGames"));
    ASSERT_TRUE(featured);
    auto parameters = featured->getParameters();
    ASSERT_EQ(parameters.size(), 1u);
    EXPECT_EQ(parameters[0]->name(), "client_application_id");
    EXPECT_EQ(parameters[0]->value(), "55");
}

} // namespace
