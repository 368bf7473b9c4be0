// Games lists: the played-game row's standings, the discovery pages with
// their banner section, what rows open, paging of the catalogue root, shake
// to shuffle through the accelerometer, and the featured banner's timing.
#include "../CommunityTestSupport.h"

#include "platform/device/Accelerometer.h"
#include "platform/ui/Renderer.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/games/QVApplicationDescriptionController.h"
#include "social/dashboard/games/QVDiscoveryBannerCells.h"
#include "social/dashboard/games/QVGameDiscoveryCells.h"
#include "social/dashboard/games/QVGameDiscoveryNewsItemController.h"
#include "social/dashboard/games/QVPlayedGameCell.h"
#include "social/dashboard/games/QVPlayedGameController.h"
#include "social/services/QVPlayedGame.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVTableSequenceControllerHelper.h"
#include "social/ui/QVTableSequenceControllerLoadMoreCell.h"

using namespace quorvel;
using namespace community_testing;
using dashboard_testing::fixture;
using platform::dynamicRef;
using platform::Ref;
using platform::ui::Accelerometer;

namespace {

Ref<QVPlayedGame> playedGame(const std::string& stats, const std::string& extra = "<icon_url>http://127.0.0.1/i.png</icon_url>")
{
    auto doc = QVXmlDocument::xmlDocumentWithString("<played_game><id>9</id><name>Rally</name>"
                                                    "<client_application_id>9</client_application_id>"
                                                    + extra + "<user_game_stats>" + stats + "</user_game_stats></played_game>");
    Ref<QVResource> made = QVPlayedGame::staticResourceClass().create();
    Ref<QVPlayedGame> game(dynamic_cast<QVPlayedGame*>(made.get()));
    QVResourceNameMap names;
    names.addResource<QVUserGameStat>(QVUserGameStat::getResourceName());
    game->populateFromXml(*doc->topElement(), names);
    return game;
}

std::string stat(const std::string& user, int score, bool has = true, bool favourite = false)
{
    return "<user_game_stat><user_has_game>" + std::string(has ? "true" : "false") + "</user_has_game><user_id>" + user
        + "</user_id><user_gamerscore>" + std::to_string(score) + "</user_gamerscore><user_favorited_game>"
        + (favourite ? "1" : "0") + "</user_favorited_game></user_game_stat>";
}

std::string page(int current, int total, const std::string& rows)
{
    return "<?xml version=\"1.0\"?><resources><pagination_header><current_page>" + std::to_string(current)
        + "</current_page><total_pages>" + std::to_string(total) + "</total_pages><per_page>1</per_page><total_objects>"
        + std::to_string(total) + "</total_objects></pagination_header>" + rows + "</resources>";
}

class PlayedGameTest : public CommunityTest {
protected:
    void TearDown() override
    {
        list = nullptr;
        Accelerometer::sharedAccelerometer().reset();
        CommunityTest::TearDown();
    }
    Ref<QVPlayedGameCell> cellFor(QVPlayedGame* game)
    {
        auto cell = dynamicRef<QVPlayedGameCell>(QVControllerLoader::loadCell("PlayedGame"));
        EXPECT_TRUE(cell);
        cell->changeResource(game);
        return cell;
    }
    template <typename T = QVPlayedGameController>
    T* showList(Ref<QVPlayedGameController> made)
    {
        list = made;
        navigation = QVFramedNavigationController::withRootViewController(list.get());
        driver().showController(navigation.get());
        settle();
        return dynamic_cast<T*>(list.get());
    }
    Ref<QVPlayedGameController> discoveryPage(const std::string& name)
    {
        auto made = dynamicRef<QVPlayedGameController>(QVControllerLoader::load("PlayedGame"));
        made->setTargetDiscoveryPageName(name);
        return made;
    }
    platform::ui::ViewController* top() const { return navigation->topViewController(); }

    Ref<QVPlayedGameController> list;
};

TEST_F(PlayedGameTest, RowShowsFriendsAndTheStandingsOfBothPlayers)
{
    auto game = playedGame(stat("5", 120, true, true) + stat("17", 80));
    auto cell = cellFor(game.get());
    EXPECT_EQ(cell->nameLabel()->text(), "Rally");
    EXPECT_TRUE(cell->friendsWithAppLabel()->isHidden());
    EXPECT_EQ(cell->firstGamerScoreLabel()->text(), "120") << "the compared player's score comes first";
    EXPECT_EQ(cell->secondGamerScoreLabel()->text(), "80");
    EXPECT_EQ(cell->firstScoreIconName(), "QVTableQuorvelPointsWin.png");
    EXPECT_EQ(cell->secondScoreIconName(), "QVTableQuorvelPoints.png");
    EXPECT_FALSE(cell->comparisonDividerIcon()->isHidden());
    EXPECT_FALSE(cell->firstFavoritedIcon()->isHidden());
    EXPECT_TRUE(cell->secondFavoritedIcon()->isHidden());
    EXPECT_TRUE(cell->shoppingCartButton()->isHidden());

    auto even = cellFor(playedGame(stat("17", 80) + stat("5", 80)).get());
    EXPECT_EQ(even->firstScoreIconName(), "QVTableQuorvelPoints.png");
    EXPECT_EQ(even->secondScoreIconName(), "QVTableQuorvelPoints.png");

    auto one = cellFor(playedGame(stat("17", 40), "<icon_url>x</icon_url><friends_with_app>1</friends_with_app>").get());
    EXPECT_EQ(one->friendsWithAppLabel()->text(), "1 friend has this game");
    EXPECT_FALSE(one->firstStatView()->isHidden());
    EXPECT_TRUE(one->secondStatView()->isHidden());
    EXPECT_TRUE(one->comparisonDividerIcon()->isHidden());
    EXPECT_EQ(one->firstGamerScoreLabel()->text(), "40");

    auto three = cellFor(playedGame("", "<friends_with_app>3</friends_with_app>").get());
    EXPECT_EQ(three->friendsWithAppLabel()->text(), "3 friends have this game");
}

TEST_F(PlayedGameTest, AGameThePlayerLacksShowsTheCartAndNoWinner)
{
    auto cell = cellFor(playedGame(stat("5", 300)).get());
    EXPECT_FALSE(cell->shoppingCartButton()->isHidden());
    EXPECT_TRUE(cell->secondStatView()->isHidden());
    EXPECT_EQ(cell->firstScoreIconName(), "QVTableQuorvelPoints.png");
    EXPECT_EQ(cell->secondGamerScoreLabel()->text(), "0");
}

TEST_F(PlayedGameTest, TheRightHandPartsFollowTheRowsWidthAndTheMiniScreenshotsStayHidden)
{
    for (Device device : { Device::Phone, Device::Tablet }) {
        useDevice(device);
        auto cell = cellFor(playedGame(stat("5", 120) + stat("17", 80)).get());
        const float full = cell->frame().size.width;
        // Inside the content frame the list is narrower than the dashboard.
        cell->setFrame(platform::Rect(0, 0, full - 12, 80));
        cell->changeResource(playedGame(stat("5", 120) + stat("17", 80)).get());
        cell->layoutIfNeeded();
        SCOPED_TRACE(full);
        // Filled, the row keeps its height; a tablet's rows are never lower than 60.
        EXPECT_EQ(cell->frame().size.height, device == Device::Tablet ? 60 : QVPlayedGameCell::kHeight);
        using platform::ui::View;
        for (View* part : std::initializer_list<View*> { cell->secondStatView(), cell->shoppingCartButton(),
                                                         cell->miniScreenshotOneView(), cell->miniScreenshotTwoView() }) {
            platform::Rect inRow = part->convertRectTo(part->bounds(), cell.get());
            EXPECT_LE(inRow.maxX(), full - 12) << part->className();
        }
        EXPECT_TRUE(cell->miniScreenshotOneView()->isHidden());
        EXPECT_TRUE(cell->miniScreenshotTwoView()->isHidden());
        EXPECT_GT(cell->secondStatView()->frame().minX(), cell->nameLabel()->frame().maxX() - 1);
        EXPECT_TRUE(render(device == Device::Phone ? "played-game-row-phone" : "played-game-row-tablet", cell.get()));
    }
}

TEST_F(PlayedGameTest, TallTabletRowsKeepTheGameAndTheHeaderInTheirMiddle)
{
    // A tablet's rows are 60 points tall: the row's parts and the list's header sit at mid-height.
    useDevice(Device::Tablet);
    auto cell = cellFor(playedGame(stat("5", 120) + stat("17", 80)).get());
    cell->setFrame(platform::Rect(0, 0, cell->frame().size.width, 60));
    using platform::ui::View;
    auto midY = [&](View* part, View* row) { return part->convertRectTo(part->bounds(), row).midY(); };
    for (View* part : std::initializer_list<View*> { cell->iconView(), cell->nameLabel(), cell->firstStatView(),
                                                     cell->secondStatView(), cell->shoppingCartButton() })
        EXPECT_NEAR(midY(part, cell.get()), 30, 1) << part->className(); // the name alone: no friend has the game

    auto header = dynamicRef<QVDefaultLeadingCell>(QVControllerLoader::loadCell("DefaultLeading"));
    ASSERT_TRUE(header);
    header->enableLeftIconView();
    header->enableRightIconView();
    header->setFrame(platform::Rect(0, 0, header->frame().size.width, 60));
    for (View* part : std::initializer_list<View*> { header->headerLabel(), header->leftIconView(), header->rightIconView() })
        EXPECT_NEAR(midY(part, header.get()), 30, 1) << part->className();

    // The load-more row's two texts, as a block, in the middle of a wide, tall row.
    auto more = dynamicRef<QVTableSequenceControllerLoadMoreCell>(
        QVControllerLoader::loadCell(QVTableSequenceControllerHelper::kLoadMoreCellName));
    ASSERT_TRUE(more);
    more->setFrame(platform::Rect(0, 0, 640, 60));
    platform::Rect top = more->mainLabel()->convertRectTo(more->mainLabel()->bounds(), more.get());
    platform::Rect bottom = more->secondLabel()->convertRectTo(more->secondLabel()->bounds(), more.get());
    EXPECT_NEAR((top.minY() + bottom.maxY()) / 2, 30, 1);
    EXPECT_NEAR(top.midX(), 320, 1);
}

TEST_F(PlayedGameTest, DiscoveryPageTakesOutItsBannerAndRowsOpenTheirScreens)
{
    showList(discoveryPage("arcade"));
    auto sent = requestsTo("game_discovery_categories/arcade.xml");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(parameter(sent[0], "page"), "1");
    ASSERT_TRUE(provider->answerWithXml(fixture("discovery_sectioned.xml")));
    settle(1);

    auto* banner = dynamic_cast<QVGameDiscoveryImageHyperlink*>(list->headerBannerResource());
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->imageUrl, "http://127.0.0.1/banners/top.png");
    ASSERT_TRUE(list->sections());
    ASSERT_EQ(list->sections()->size(), 1u) << "the banner section is not a list section";
    EXPECT_TRUE(list->isBannerAvailableNow());

    // A game the player lacks opens its store description with the row's placement.
    ASSERT_TRUE(tapRow(list.get(), 3));
    auto* description = dynamic_cast<QVApplicationDescriptionController*>(top());
    ASSERT_TRUE(description);
    EXPECT_EQ(description->resourceId(), "302");
    EXPECT_EQ(description->appBannerPlacement(), "playedGameController_arcade_3");
    navigation->popViewControllerAnimated(false);
    settle(1);

    ASSERT_TRUE(tapRow(list.get(), 2));
    auto* news = dynamic_cast<QVGameDiscoveryNewsItemController*>(top());
    ASSERT_TRUE(news);
    EXPECT_EQ(news->getAction(), "game_discovery_news_items/31.iphone");
    settle(0.1);
    // Shown, the page asks for the news item's page.
    const std::string newsUrl = news->webView()->currentURL();
    EXPECT_NE(newsUrl.find("/game_discovery_news_items/31.iphone"), std::string::npos) << newsUrl;
    navigation->popViewControllerAnimated(false);
    settle(1);

    ASSERT_TRUE(tapRow(list.get(), 0));
    auto* category = dynamic_cast<QVPlayedGameController*>(top());
    ASSERT_TRUE(category && category != list.get());
    EXPECT_EQ(category->scope(), QVPlayedGameController::kScopeDiscovery);
    EXPECT_EQ(category->targetDiscoveryPageName(), "arcade");
    EXPECT_EQ(category->title(), "Arcade games");
}

TEST_F(PlayedGameTest, AnswerWithoutBannerSectionGivesNoBanner)
{
    showList(discoveryPage("news"));
    ASSERT_TRUE(provider->answerWithXml(page(1, 1, "<game_discovery_news_item><id>3</id><title>A</title></game_discovery_news_item>")));
    settle(1);
    EXPECT_FALSE(list->headerBannerResource());
    EXPECT_FALSE(list->isBannerAvailableNow());
}

TEST_F(PlayedGameTest, CatalogueRootLoadsMoreByPage)
{
    auto root = dynamicRef<QVPlayedGameController>(QVControllerLoader::load("GameDiscovery"));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->scope(), QVPlayedGameController::kScopeDiscovery) << "a discovery page from construction";
    showList(root);
    auto first = requestsTo("game_discovery_categories");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(parameter(first[0], "page"), "1");
    ASSERT_TRUE(provider->answerWithXml(page(1, 3, "<game_discovery_category><id>1</id><name>A</name></game_discovery_category>")));
    settle(1);
    ASSERT_TRUE(tapRow(list.get(), 1)) << "the load-more row";
    auto all = requestsTo("game_discovery_categories");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(parameter(all[1], "page"), "2");

    auto image = render("dashboard-discovery-list");
    ASSERT_TRUE(image);
    // The first category row is painted in the catalogue's grey.
    auto* cell = rowCell(list.get(), 0);
    ASSERT_TRUE(cell);
    platform::Point p = cell->convertPointTo(platform::Point(cell->bounds().size.width - 60, 50), nullptr);
    auto pixel = screen_testing::pixelAt(*image, static_cast<int>(p.x), static_cast<int>(p.y));
    EXPECT_NEAR(pixel.r, 92, 12);
    EXPECT_NEAR(pixel.g, 94, 12);
    // The grey is the catalogue's pattern art, its darker twin while the row is selected.
    auto* category = dynamic_cast<QVGameDiscoveryCategoryCell*>(cell);
    ASSERT_TRUE(category);
    EXPECT_FALSE(category->patternView()->isHidden());
    EXPECT_TRUE(category->selectedPatternView()->isHidden());
    EXPECT_EQ(category->patternView()->frame().size, category->contentView()->bounds().size);
    category->setSelected(true, false);
    category->layoutSubviews();
    EXPECT_TRUE(category->patternView()->isHidden());
    EXPECT_FALSE(category->selectedPatternView()->isHidden());
    // A name without subtexts sits level with the row's icon, not at its top.
    auto mid = [&](platform::ui::View* v) { return v->convertRectTo(v->bounds(), category).midY(); };
    EXPECT_NEAR(mid(category->nameLabel()), category->bounds().midY(), 1);
    // A category without its own icon shows the kit's game icon, not an empty frame.
    EXPECT_TRUE(category->iconView()->defaultImage());
    // Between the catalogue's divider images, across the row.
    auto divider = [](platform::ui::View* v) {
        auto* image = dynamic_cast<platform::ui::ImageView*>(v);
        return image && image->image() ? image->image()->name() : std::string();
    };
    EXPECT_EQ(divider(category->topDividerView()), "QVGameDiscoveryDividerTop.png");
    EXPECT_EQ(divider(category->bottomDividerView()), "QVGameDiscoveryDividerBottom.png");
    EXPECT_EQ(category->topDividerView()->frame().minY(), 0);
    EXPECT_EQ(category->bottomDividerView()->frame().maxY(), category->contentView()->bounds().size.height);
    EXPECT_EQ(category->bottomDividerView()->frame().size.width, category->contentView()->bounds().size.width);
}

TEST_F(PlayedGameTest, FavouritesOfAnotherPlayerNameThePlayerWhenEmpty)
{
    auto ana = resourceFrom<QVUser>("<user><id>99</id><name>Ana</name></user>");
    auto framed = QVFramedNavigationController::withRootViewController(QVControllerLoader::load("Help").get());
    navigation = framed;
    driver().showController(framed.get());
    settle();
    list = dynamicRef<QVPlayedGameController>(QVControllerLoader::load("PlayedGame"));
    framed->pushViewController(list.get(), false, ana.get());
    settle(1);
    ASSERT_EQ(requestsTo("profiles/99/list_games").size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(page(1, 1, "")));
    settle(1);
    list->onFavoriteGamesSelected();
    settle(1);
    auto favourites = requestsTo("profiles/99/list_games");
    ASSERT_EQ(favourites.size(), 2u);
    EXPECT_EQ(parameter(favourites.back(), "only_favorites"), "1");
    EXPECT_EQ(list->getNoDataFoundMessage(), "Ana has not added any favorite games yet.");
}

TEST_F(PlayedGameTest, ShakeReshufflesOnceAndRestsUntilASecondAfterTheReload)
{
    Accelerometer& accelerometer = Accelerometer::sharedAccelerometer();
    accelerometer.setUpdateInterval(0.5);
    showList(discoveryPage(QVPlayedGameController::kShakePageName));
    ASSERT_TRUE(provider->answerWithXml(page(1, 1, "<game_discovery_category><id>1</id><name>A</name></game_discovery_category>")));
    settle(1);
    EXPECT_EQ(accelerometer.delegate(), list.get());
    EXPECT_DOUBLE_EQ(accelerometer.updateInterval(), 0.1);
    const std::string path = "game_discovery_categories/quorvel_five.xml";
    ASSERT_EQ(requestsTo(path).size(), 1u);

    accelerometer.injectSample(-1.2, 0, 0);
    accelerometer.injectSample(0.2, 0, 0);
    accelerometer.injectSample(1.3, 0, 0);
    settle();
    EXPECT_EQ(requestsTo(path).size(), 2u);
    EXPECT_FALSE(list->enableShake());
    accelerometer.injectSample(-1.5, 0, 0);
    accelerometer.injectSample(1.5, 0, 0);
    settle();
    EXPECT_EQ(requestsTo(path).size(), 2u) << "shakes rest while reshuffling";

    ASSERT_TRUE(provider->answerWithXml(page(1, 1, "<game_discovery_category><id>2</id><name>B</name></game_discovery_category>")));
    settle(0.5);
    EXPECT_FALSE(list->enableShake());
    settle(0.6);
    EXPECT_TRUE(list->enableShake());
    accelerometer.injectSample(-1.5, 0, 0);
    accelerometer.injectSample(1.5, 0, 0);
    settle();
    EXPECT_EQ(requestsTo(path).size(), 3u);

    // Leaving the page gives the accelerometer back.
    ASSERT_TRUE(provider->answerWithXml(page(1, 1, "")));
    settle(1);
    navigation->pushViewController(QVControllerLoader::load("Help").get(), false);
    settle(1);
    EXPECT_EQ(accelerometer.delegate(), nullptr);
    EXPECT_DOUBLE_EQ(accelerometer.updateInterval(), 0.5);
}

TEST_F(PlayedGameTest, FeaturedBannerCyclesByEachImagesSecondsAndPausesOffScreen)
{
    auto cell = dynamicRef<QVFeaturedGameCell>(QVControllerLoader::loadCell("FeaturedGame"));
    ASSERT_TRUE(cell);
    settle();
    auto sent = requestsTo("game_discovery_categories/now_playing_featured_placement.xml");
    ASSERT_EQ(sent.size(), 1u);
    cell->viewDidAppear();
    auto link = [](int i, int seconds) {
        return "<game_discovery_image_hyperlink><id>" + std::to_string(i) + "</id><seconds_to_display>"
            + std::to_string(seconds) + "</seconds_to_display><image_url>http://127.0.0.1/f" + std::to_string(i)
            + ".png</image_url></game_discovery_image_hyperlink>";
    };
    ASSERT_TRUE(provider->answerWithXml(page(1, 1, link(0, 5) + link(1, 8) + link(2, 3))));
    settle();
    EXPECT_EQ(cell->currentHyperlinkIndex(), 0u);
    EXPECT_EQ(cell->resource(), cell->currentHyperlink());
    settle(4.9);
    EXPECT_EQ(cell->currentHyperlinkIndex(), 0u);
    settle(0.2);
    EXPECT_EQ(cell->currentHyperlinkIndex(), 1u);
    settle(2);
    cell->viewDidDisappear();
    EXPECT_FALSE(cell->isCycling());
    settle(30);
    EXPECT_EQ(cell->currentHyperlinkIndex(), 1u) << "no timer while off screen";
    cell->viewDidAppear();
    settle(5.8);
    EXPECT_EQ(cell->currentHyperlinkIndex(), 1u);
    settle(0.3);
    EXPECT_EQ(cell->currentHyperlinkIndex(), 2u);
    settle(3.1);
    EXPECT_EQ(cell->currentHyperlinkIndex(), 0u);
}

TEST_F(PlayedGameTest, EmptyFeaturedDownloadStartsNoTimerAndOfflineDownloadsNothing)
{
    auto cell = dynamicRef<QVFeaturedGameCell>(QVControllerLoader::loadCell("FeaturedGame"));
    cell->viewDidAppear();
    settle();
    ASSERT_TRUE(provider->answerWithXml(page(1, 1, "")));
    settle();
    EXPECT_FALSE(cell->isCycling());
    EXPECT_EQ(cell->bannerImageName(), "QVNowPlayingBanner.png");
    // The banner's art spans a strip wider than a phone's (landscape, tablet).
    cell->setFrame(platform::Rect(0, 0, 468, 42));
    cell->layoutSubviews();
    platform::ui::View* art = nullptr;
    for (auto& sub : cell->contentView()->subviews())
        if (sub->dumpText().find("QVNowPlayingBanner") != std::string::npos)
            art = sub.get();
    ASSERT_TRUE(art);
    EXPECT_EQ(art->frame().size.width, cell->contentView()->bounds().size.width);

    provider->online = false;
    auto offline = dynamicRef<QVFeaturedGameCell>(QVControllerLoader::loadCell("FeaturedGame"));
    settle();
    EXPECT_EQ(requestsTo("game_discovery_categories/now_playing_featured_placement.xml").size(), 1u);
    EXPECT_EQ(offline->bannerImageName(), "QVNowPlayingBannerOffline.png");
}

TEST_F(PlayedGameTest, OnAWiderStripTheFeaturedPictureSpansItInsteadOfShowingAsABox)
{
    useDevice(Device::Tablet);
    auto cell = dynamicRef<QVFeaturedGameCell>(QVControllerLoader::loadCell("FeaturedGame"));
    ASSERT_TRUE(cell);
    settle();
    // A featured picture as the service draws it: for a phone's 320-point strip.
    platform::Bytes red;
    for (int i = 0; i < 320 * 42; ++i)
        red.insert(red.end(), { 200, 30, 30, 255 });
    cell->imageView()->setImage(platform::Image::imageWithRGBA(320, 42, red).get());
    cell->layoutIfNeeded();
    auto image = platform::ui::ViewRenderer::render(cell.get());
    ASSERT_TRUE(image);
    const int width = static_cast<int>(cell->bounds().size.width), middle = static_cast<int>(cell->bounds().size.height / 2);
    ASSERT_EQ(width, 640);
    for (int x : { 4, width / 2, width - 5 })
        EXPECT_TRUE(screen_testing::near(screen_testing::pixelAt(*image, x, middle), 200, 30, 30)) << "x " << x;
}

TEST_F(PlayedGameTest, AHyperlinkWithBothTargetsOpensTheStoreDescription)
{
    auto nav = QVNavigationController::withRootViewController(QVControllerLoader::load("Help").get());
    driver().showController(nav.get());
    settle();
    auto cell = dynamicRef<QVGameDiscoveryImageHyperlinkCell>(QVControllerLoader::loadCell("GameDiscoveryImageHyperlink"));
    ASSERT_TRUE(cell);
    cell->changeResource(resourceFrom<QVGameDiscoveryImageHyperlink>(
        "<game_discovery_image_hyperlink><target_application_ipurchase_id>302</target_application_ipurchase_id>"
        "<target_discovery_action_name>arcade</target_discovery_action_name><app_banner_placement>top</app_banner_placement>"
        "</game_discovery_image_hyperlink>").get());
    cell->onCellWasClicked(nav.get());
    auto* description = dynamic_cast<QVApplicationDescriptionController*>(nav->topViewController());
    ASSERT_TRUE(description);
    EXPECT_EQ(description->resourceId(), "302");
    EXPECT_EQ(description->appBannerPlacement(), "gameDiscoveryImageHyperlink_top");
}

} // namespace
