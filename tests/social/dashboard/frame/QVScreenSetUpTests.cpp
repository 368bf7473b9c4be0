// Screens prepared by what they are, not by their class name: a game's own
// subclass of each screen a game's page prepares, registered under the game's
// prefix, gets the same set-up; a thread view refuses a thread of the wrong
// kind instead of taking none; and the dashboard's online/offline switch goes
// through the class registered for "TabbedDashboard".
#include "../DashboardTestSupport.h"

#include "social/dashboard/achievements/QVAchievementListController.h"
#include "social/dashboard/challenges/QVChallengeListController.h"
#include "social/dashboard/chat/QVSelectChatRoomDefinitionController.h"
#include "social/dashboard/forums/QVForumThreadViewController.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
#include "social/dashboard/frame/QVTabbedDashboardController.h"
#include "social/dashboard/frame/QVTabbedDashboardPageController.h"
#include "social/dashboard/games/QVGameProfileController.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationBar.h"
#include "social/dashboard/friends/QVWhosPlayingController.h"
#include "social/dashboard/scores/QVLeaderboardController.h"
#include "social/services/QVForumService.h"
#include "support/ClassRegistryOverride.h"

#include <gtest/gtest.h>

using namespace quorvel;
using platform::Ref;
using platform::ui::ViewController;
using testing_support::ClassRegistryOverride;

namespace {

// A game's own subclass of a client screen, under the game's prefix "GM".
template <typename Base>
class GameOwn final : public Base {
public:
    static Ref<platform::Object> make() { return Ref<platform::Object>(platform::adoptRef(new GameOwn)); }
    std::string className() const override { return "GM" + Base::className().substr(2); }
};

class ScreenSetUpTest : public dashboard_testing::DashboardTest {
protected:
    void SetUp() override
    {
        DashboardTest::SetUp();
        QVControllerLoader::setClassNamePrefix("GM");
        QVControllerLoader::setAssetFileSuffix("Gm");
    }
    void TearDown() override
    {
        QVControllerLoader::setClassNamePrefix(std::nullopt);
        QVControllerLoader::setAssetFileSuffix(std::nullopt);
        DashboardTest::TearDown();
    }
    Ref<QVGameProfilePageInfo> game() { return profileFrom(dashboard_testing::profileXml("77", "Other", true, true, true)); }
    // The screen the loader makes for `name`, prepared as a game's page prepares it.
    template <typename T>
    Ref<T> preparedScreen(const std::string& name)
    {
        Ref<ViewController> screen = QVControllerLoader::load(name);
        EXPECT_TRUE(screen) << name;
        EXPECT_EQ(screen ? screen->className().substr(0, 2) : std::string(), "GM") << name;
        QVFeatureScreens::setUpForGame(screen.get(), game().get());
        return platform::dynamicRef<T>(screen);
    }
};

TEST_F(ScreenSetUpTest, AGamesOwnSubclassOfEachScreenAGamesPagePreparesIsPreparedTheSame)
{
    ClassRegistryOverride leaderboards("GMLeaderboardController", &GameOwn<QVLeaderboardController>::make);
    ClassRegistryOverride achievements("GMAchievementListController", &GameOwn<QVAchievementListController>::make);
    ClassRegistryOverride challenges("GMChallengeListController", &GameOwn<QVChallengeListController>::make);
    ClassRegistryOverride players("GMWhosPlayingController", &GameOwn<QVWhosPlayingController>::make);
    ClassRegistryOverride rooms("GMSelectChatRoomDefinitionController", &GameOwn<QVSelectChatRoomDefinitionController>::make);

    auto board = preparedScreen<QVLeaderboardController>("Leaderboard");
    ASSERT_TRUE(board);
    ASSERT_TRUE(board->gameProfileInfo());
    EXPECT_EQ(board->gameProfileInfo()->resourceId(), "77");

    auto list = preparedScreen<QVAchievementListController>("AchievementList");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->applicationId(), "77");
    EXPECT_EQ(list->applicationName(), "Other Deluxe");
    EXPECT_EQ(list->applicationIconUrl(), "http://standin.test/icons/77.png");
    EXPECT_TRUE(list->doesUserHaveApplication());

    auto challengeList = preparedScreen<QVChallengeListController>("ChallengeList");
    ASSERT_TRUE(challengeList);
    EXPECT_EQ(challengeList->clientApplicationId(), "77");
    EXPECT_EQ(challengeList->listType(), QVChallengeListController::kPending);

    auto whosPlaying = preparedScreen<QVWhosPlayingController>("WhosPlaying");
    ASSERT_TRUE(whosPlaying);
    EXPECT_EQ(whosPlaying->applicationId(), "77");

    auto chat = preparedScreen<QVSelectChatRoomDefinitionController>("SelectChatRoomDefinition");
    ASSERT_TRUE(chat);
    EXPECT_FALSE(chat->includeGlobalRooms);
    EXPECT_TRUE(chat->includeDeveloperRooms);
    EXPECT_TRUE(chat->includeApplicationRooms);
}

TEST_F(ScreenSetUpTest, AThreadViewTakesItsThreadTypedAndRefusesAnotherKindByKey)
{
    auto topic = platform::dynamicRef<QVForumTopic>(QVForumTopic::staticResourceClass().create());
    auto thread = platform::dynamicRef<QVForumThread>(QVForumThread::staticResourceClass().create());
    auto shown = platform::dynamicRef<QVForumThreadViewController>(QVFeatureScreens::forumThread(thread.get(), topic.get()));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->thread(), thread.get());
    EXPECT_EQ(shown->topic(), topic.get());
    // By key (a page's link): a topic given as the thread is refused, and the thread stays.
    EXPECT_FALSE(shown->performSetter("setThread", topic.get()));
    EXPECT_EQ(shown->thread(), thread.get());
    EXPECT_FALSE(shown->performSetter("setTopic", thread.get()));
    EXPECT_TRUE(shown->performSetter("setThread", nullptr));
    EXPECT_EQ(shown->thread(), nullptr);
}

// The game's dashboard class: it records the switches it is asked to make.
class GMTabbedDashboardController final : public QVTabbedDashboardController {
public:
    static Ref<platform::Object> make() { return Ref<platform::Object>(platform::adoptRef(new GMTabbedDashboardController)); }
    static std::vector<std::pair<std::string, QVTabbedDashboardController*>>& switches()
    {
        static std::vector<std::pair<std::string, QVTabbedDashboardController*>> list;
        return list;
    }

protected:
    void _setOfflineMode(QVTabbedDashboardController* dashboard) override
    {
        switches().emplace_back("offline", dashboard);
        QVTabbedDashboardController::_setOfflineMode(dashboard);
    }
    void _setOnlineMode(QVTabbedDashboardController* dashboard) override
    {
        switches().emplace_back("online", dashboard);
        QVTabbedDashboardController::_setOnlineMode(dashboard);
    }
};

TEST_F(ScreenSetUpTest, OnlineAndOfflineSwitchingGoesThroughTheClassRegisteredForTheDashboard)
{
    GMTabbedDashboardController::switches().clear();
    // The client's own dashboard, made before the game's class is registered.
    QVControllerLoader::setClassNamePrefix(std::nullopt);
    auto dashboard = platform::dynamicRef<QVTabbedDashboardController>(QVControllerLoader::load("TabbedDashboard"));
    ASSERT_TRUE(dashboard);
    ClassRegistryOverride own("GMTabbedDashboardController", &GMTabbedDashboardController::make);
    QVControllerLoader::setClassNamePrefix("GM");

    QVTabbedDashboardController::setOfflineMode(dashboard.get());
    QVTabbedDashboardController::setOnlineMode(dashboard.get());
    ASSERT_EQ(GMTabbedDashboardController::switches().size(), 2u);
    EXPECT_EQ(GMTabbedDashboardController::switches()[0], std::make_pair(std::string("offline"), dashboard.get()));
    EXPECT_EQ(GMTabbedDashboardController::switches()[1], std::make_pair(std::string("online"), dashboard.get()));
    // The switch itself acted on the dashboard given.
    for (auto& item : dashboard->tabBarItems())
        EXPECT_FALSE(item->disabled()) << item->name();
    GMTabbedDashboardController::switches().clear();
}

using FrameTest = dashboard_testing::DashboardTest;

TEST_F(FrameTest, ATabsPageBringsTheShownScreensRightBarButtonToTheFrontOfTheBar)
{
    Ref<ViewController> first = QVControllerLoader::load("Help");
    auto page = QVTabbedDashboardPageController::pageWithInstantiatedController(first.get());
    ASSERT_TRUE(page);
    driver().showController(page.get());
    settle(1);
    Ref<ViewController> second = QVControllerLoader::load("Help");
    auto button = platform::ui::View::viewWithFrame(platform::Rect(0, 0, 60, 30));
    second->navigationItem()->setRightBarButtonItem(platform::ui::BarButtonItem::withCustomView(button.get()).get());
    // A wide title view, which the stack brings to the front too.
    second->navigationItem()->setTitleView(platform::ui::View::viewWithFrame(platform::Rect(0, 0, 300, 30)).get());
    page->pushViewController(second.get(), false);
    settle(1);
    platform::ui::NavigationBar* bar = page->navigationBar();
    ASSERT_EQ(button->superview(), bar);
    EXPECT_EQ(bar->subviews().back().get(), button.get());
}

TEST_F(FrameTest, TheRunningGamesPageIsPushedOnTheShownStack)
{
    provider->applicationId = "55";
    Ref<ViewController> root = QVControllerLoader::load("Help");
    auto framed = QVFramedNavigationController::withRootViewController(root.get());
    driver().showController(framed.get());
    host().activeStack = framed.get();
    settle();
    Ref<ViewController> page = QVGameProfileController::showGameProfileWithLocalApplication();
    settle(1);
    host().activeStack = nullptr;
    auto* game = dynamic_cast<QVGameProfileController*>(framed->topViewController());
    ASSERT_TRUE(game);
    EXPECT_EQ(game, page.get());
    EXPECT_EQ(game->clientApplicationId(), "55");
}

} // namespace
