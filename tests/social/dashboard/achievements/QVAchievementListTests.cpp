// The achievement list: pages of 25, the progression row (secret texts, the
// progress bar and bubble, complete above 100 %) and the compare row.
#include "../DashboardTestSupport.h"

#include "social/dashboard/achievements/QVAchievementCells.h"
#include "social/dashboard/achievements/QVAchievementListController.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
#include "social/dashboard/games/QVGameProfileController.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVStandardCells.h"
#include "social/ui/QVTableSequenceControllerLoadMoreCell.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace dashboard_testing;
using platform::Ref;
using platform::ui::IndexPath;

namespace {

std::string parameter(const screen_testing::RecordedRequest& r, const std::string& name)
{
    for (auto& [k, v] : r.parameters)
        if (k == name)
            return v;
    return "<none>";
}

class AchievementListTest : public DashboardTest {
protected:
    void TearDown() override
    {
        list = nullptr;
        page = nullptr;
        DashboardTest::TearDown();
    }

    // The running game's page, its achievements button tapped.
    QVAchievementListController* openFromGamePage()
    {
        setLocalProfile("55", false, true, false);
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("GameProfile");
        page = Ref<QVGameProfileController>(dynamic_cast<QVGameProfileController*>(loaded.get()));
        showInNavigation(page.get());
        EXPECT_TRUE(driver().tap(page->achievementsButton()));
        settle(1);
        list = Ref<QVAchievementListController>(dynamic_cast<QVAchievementListController*>(navigation->topViewController()));
        return list.get();
    }

    QVAchievementProgressionList* row(int index)
    {
        auto* table = list->tableView();
        table->scrollToRowAtIndexPath(IndexPath::forRow(index, 0), platform::ui::TableViewScrollPosition::None, false);
        table->layoutSubviews();
        return dynamic_cast<QVAchievementProgressionList*>(table->cellForRowAtIndexPath(IndexPath::forRow(index, 0)));
    }

    static Ref<QVAchievement> achievement(const std::string& fields)
    {
        auto doc = QVXmlDocument::xmlDocumentWithString("<achievement><id>7</id>" + fields + "</achievement>");
        Ref<QVResource> made = QVAchievement::staticResourceClass().create();
        Ref<QVAchievement> a(dynamic_cast<QVAchievement*>(made.get()));
        QVResourceNameMap names;
        a->populateFromXml(*doc->topElement(), names);
        return a;
    }

    Ref<QVGameProfileController> page;
    Ref<QVAchievementListController> list;
};

TEST_F(AchievementListTest, GamePagePushesTheListWhichAsksForTwentyFiveAtATime)
{
    ASSERT_TRUE(openFromGamePage());
    EXPECT_EQ(list->applicationName(), "Brisko Deluxe");
    EXPECT_EQ(list->applicationId(), "55");
    EXPECT_TRUE(list->doesUserHaveApplication());
    EXPECT_EQ(list->resourceMap()->getControllerName(typeid(QVAchievement)), std::optional<std::string>("AchievementProgressionList"));
    auto requests = provider->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "client_applications/@me/achievement_definitions.xml");
    EXPECT_EQ(parameter(requests[0], "by_app"), "55");
    EXPECT_EQ(parameter(requests[0], "page"), "1");
    EXPECT_EQ(parameter(requests[0], "per_page"), "25");
    EXPECT_EQ(parameter(requests[0], "get_unlocked_info"), "1");

    ASSERT_TRUE(provider->answerWithXml(fixture("achievements_progress.xml")));
    settle(1);
    auto* table = list->tableView();
    ASSERT_EQ(table->numberOfRowsInSection(0), 6) << "five rows and the load-more row";

    // The load-more row offers the next page and loads it when touched.
    auto last = IndexPath::forRow(5, 0);
    table->scrollToRowAtIndexPath(last, platform::ui::TableViewScrollPosition::None, false);
    table->layoutSubviews();
    auto* more = dynamic_cast<QVTableSequenceControllerLoadMoreCell*>(table->cellForRowAtIndexPath(last));
    ASSERT_TRUE(more);
    EXPECT_EQ(more->mainLabel()->text(), "Load 5 More");
    EXPECT_EQ(more->secondLabel()->text(), "Showing 25 of 30");
    ASSERT_TRUE(driver().tap(more));
    settle();
    std::vector<screen_testing::RecordedRequest> pages;
    for (auto& r : provider->requests())
        if (r.path == "client_applications/@me/achievement_definitions.xml")
            pages.push_back(r);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(parameter(pages[1], "page"), "2");
}

TEST_F(AchievementListTest, ProgressionRowsHideSecretsAndShowOnlyPartProgress)
{
    ASSERT_TRUE(openFromGamePage());
    ASSERT_TRUE(provider->answerWithXml(fixture("achievements_progress.xml")));
    settle(1);

    auto* unlocked = row(0);
    ASSERT_TRUE(unlocked);
    EXPECT_EQ(unlocked->titleLabel()->text(), "First Steps");
    EXPECT_EQ(unlocked->gamerScoreLabel()->text(), "10");
    EXPECT_EQ(unlocked->unlockedIcon()->imageUrl(), std::optional<std::string>("http://standin.test/icons/21.png"));
    EXPECT_TRUE(unlocked->progressBar()->isHidden());
    EXPECT_TRUE(unlocked->textNeedsRearrangement());

    auto* secret = row(1);
    ASSERT_TRUE(secret);
    EXPECT_EQ(secret->titleLabel()->text(), "Secret");
    EXPECT_EQ(secret->descriptionLabel()->text(), "You must unlock this achievement to view its description.");
    EXPECT_EQ(secret->unlockedIcon()->imageUrl(), std::nullopt);

    auto* barely = row(2);
    EXPECT_EQ(barely->titleLabel()->text(), "Explorer");
    EXPECT_TRUE(barely->progressBar()->isHidden());

    auto* almost = row(3);
    EXPECT_FALSE(almost->progressBar()->isHidden());
    EXPECT_EQ(almost->progressAmountBubbleLabel()->text(), "99%");
    almost->layoutSubviews();
    EXPECT_NEAR(almost->progressBar()->frame().size.width, almost->progressBackground()->frame().size.width * 0.999, 0.01);
    auto bubble = almost->progressionBubbleContainer()->frame();
    auto bar = almost->progressBar()->frame();
    EXPECT_FLOAT_EQ(bubble.origin.x, bar.origin.x + bar.size.width - bubble.size.width / 2);
    // The pills keep their rounded ends: 10 pixels on the left stay, the middle stretches.
    for (QVImageView* pill : { almost->progressBackground(), almost->progressBar() }) {
        platform::Image* art = pill->defaultImage();
        ASSERT_TRUE(art);
        EXPECT_EQ(pill->leftCapWidth(art), 10);
        EXPECT_EQ(pill->topCapHeight(art), 0);
    }

    auto* beyond = row(4);
    EXPECT_TRUE(beyond->progressBar()->isHidden()) << "above 100 % is complete";
    EXPECT_TRUE(beyond->progressionBubbleContainer()->isHidden());

    auto image = render("dashboard-achievements");
    ASSERT_TRUE(image);
    // The green fill of the 99 % bar.
    platform::Point p = almost->progressBar()->convertPointTo(platform::Point(bar.size.width / 2, bar.size.height / 2), nullptr);
    auto px = screen_testing::pixelAt(*image, static_cast<int>(p.x), static_cast<int>(p.y));
    EXPECT_GT(px.g, px.r + 40) << px.r << "," << px.g << "," << px.b;
}

TEST_F(AchievementListTest, ARowWiderThanAPhonesKeepsItsScoreAtItsRightEdge)
{
    useDevice(Device::Tablet);
    ASSERT_TRUE(openFromGamePage());
    ASSERT_TRUE(provider->answerWithXml(fixture("achievements_progress.xml")));
    settle(1);
    auto* wide = row(3);
    ASSERT_TRUE(wide);
    wide->layoutSubviews();
    float right = wide->contentView()->bounds().size.width;
    ASSERT_GT(right, 400);
    auto score = wide->gamerScoreLabel()->superview()->frame();
    EXPECT_NEAR(score.maxX(), right - 6, 1) << "the score follows the row's right edge";
    // The bar takes the room between the texts and the score.
    EXPECT_NEAR(wide->progressBackground()->frame().maxX(), score.minX() - 17, 1);
    EXPECT_GT(wide->titleLabel()->frame().minX(), wide->unlockedIcon()->frame().maxX());
}

TEST_F(AchievementListTest, ARowWithoutABarStandsItsTextsLevelWithTheIconClearOfItsFrame)
{
    useDevice(Device::Tablet);
    ASSERT_TRUE(openFromGamePage());
    ASSERT_TRUE(provider->answerWithXml(fixture("achievements_progress.xml")));
    settle(1);
    auto* unlocked = row(0);
    ASSERT_TRUE(unlocked);
    ASSERT_TRUE(unlocked->progressBar()->isHidden());
    unlocked->layoutSubviews();
    platform::Rect icon = unlocked->unlockedIcon()->frame();
    platform::Rect title = unlocked->titleLabel()->frame(), description = unlocked->descriptionLabel()->frame();
    EXPECT_NEAR((title.minY() + description.maxY()) / 2, icon.midY(), 1);
    // The icon's photo frame reaches 7 points past it; the texts keep a gap from it.
    EXPECT_GE(title.minX(), icon.maxX() + 7 + 5);
    EXPECT_EQ(description.minX(), title.minX());
}

TEST_F(AchievementListTest, ComparedWithAnotherPlayerTheRowsBecomeCompareRowsUnderALeadingRow)
{
    setLocalProfile("55", false, true, false);
    Ref<platform::Object> rootMade = QVClassRegistry::create("QVViewController");
    Ref<platform::ui::ViewController> root(dynamic_cast<platform::ui::ViewController*>(rootMade.get()));
    root->init();
    auto framed = QVFramedNavigationController::withRootViewController(root.get());
    driver().showController(framed.get());
    settle(1);

    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("AchievementList");
    list = Ref<QVAchievementListController>(dynamic_cast<QVAchievementListController*>(loaded.get()));
    ASSERT_TRUE(list);
    QVFeatureScreens::setUpForGame(list.get(), dynamic_cast<QVGameProfilePageInfo*>(provider->localInfo.get()));
    Ref<QVResource> other = QVUser::staticResourceClass().create();
    auto* rival = dynamic_cast<QVUser*>(other.get());
    QVResourceNameMap names;
    rival->populateFromXml(*QVXmlDocument::xmlDocumentWithString("<user><id>99</id><name>Rival</name></user>")->topElement(), names);
    framed->pushViewControllerInContextOfLocalUserComparedTo(list.get(), false, rival);
    list->postPushAchievementListController();
    settle(1);

    EXPECT_EQ(list->resourceMap()->getControllerName(typeid(QVAchievement)), std::optional<std::string>("AchievementCompareList"));
    std::vector<screen_testing::RecordedRequest> sent;
    for (auto& r : provider->requests())
        if (r.path == "client_applications/@me/achievement_definitions.xml")
            sent.push_back(r);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(parameter(sent[0], "compared_to_user_id"), "99");
    ASSERT_TRUE(provider->answerWithXml(fixture("achievements_progress.xml")));
    settle(1);
    EXPECT_EQ(list->getLeadingCellControllerNameForSection(0), std::optional<std::string>("DefaultLeading"));
    auto* table = list->tableView();
    bool sawCompare = false;
    for (int row = 0; row < table->numberOfRowsInSection(0) && !sawCompare; ++row) {
        table->scrollToRowAtIndexPath(IndexPath::forRow(row, 0), platform::ui::TableViewScrollPosition::None, false);
        table->layoutSubviews();
        sawCompare = dynamic_cast<QVAchievementCompareListCell*>(table->cellForRowAtIndexPath(IndexPath::forRow(row, 0)));
    }
    EXPECT_TRUE(sawCompare);
    table->scrollToRowAtIndexPath(IndexPath::forRow(0, 0), platform::ui::TableViewScrollPosition::None, false);
    table->layoutSubviews();
    auto* leading = dynamic_cast<QVDefaultLeadingCell*>(table->cellForRowAtIndexPath(IndexPath::forRow(0, 0)));
    ASSERT_TRUE(leading);
    EXPECT_EQ(leading->headerLabel()->text(), "Brisko Deluxe");

    framed->view()->removeFromSuperview();
}

TEST_F(AchievementListTest, CompareRowHidesTheRealIconFromAPlayerWhoHasNotUnlockedIt)
{
    Ref<platform::ui::TableViewCell> cell = QVControllerLoader::loadCell("AchievementCompareList");
    auto* compare = dynamic_cast<QVAchievementCompareListCell*>(cell.get());
    ASSERT_TRUE(compare);

    compare->changeResource(achievement("<title>Marathon</title><description>Dive for an hour.</description>"
                                        "<gamerscore>25</gamerscore><icon_url>http://standin.test/icons/24.png</icon_url>"
                                        "<is_secret>true</is_secret><percent_complete>40</percent_complete>"
                                        "<compared_to_user_id>99</compared_to_user_id>"
                                        "<is_unlocked_by_compared_to_user>true</is_unlocked_by_compared_to_user>").get(), 0);
    EXPECT_FALSE(compare->secondIconContainer()->isHidden());
    EXPECT_EQ(compare->firstUnlockedIcon()->imageUrl(), std::nullopt) << "the other's unlock shows the generic icon";
    EXPECT_TRUE(compare->firstUnlockedIcon()->image());
    EXPECT_EQ(compare->titleLabel()->text(), "Secret");
    EXPECT_EQ(compare->gamerScoreLabel()->text(), "25");
    EXPECT_FLOAT_EQ(compare->gamerScoreContainer()->frame().maxX(), compare->secondIconContainer()->frame().origin.x - 5);

    compare->changeResource(achievement("<title>Marathon</title><percent_complete>100</percent_complete>"
                                        "<icon_url>http://standin.test/icons/24.png</icon_url>").get(), 0);
    EXPECT_TRUE(compare->secondIconContainer()->isHidden()) << "no comparison: one icon";
    EXPECT_EQ(compare->firstUnlockedIcon()->imageUrl(), std::optional<std::string>("http://standin.test/icons/24.png"));
    EXPECT_EQ(compare->titleLabel()->text(), "Marathon");
}

} // namespace
