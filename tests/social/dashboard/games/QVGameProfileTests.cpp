// The game's page: the profile request, the button layout by offer,
// orientation and offline state, the counts, and the screens its buttons open.
#include "../DashboardTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/games/QVApplicationDescriptionController.h"
#include "social/dashboard/games/QVDiscoveryBannerCells.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/dashboard/games/QVGameProfileController.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVClassRegistry.h"
#include "support/ClassRegistryOverride.h"
#include "social/ui/QVControllerLoader.h"

#include <gtest/gtest.h>

#include <optional>

using namespace quorvel;
using namespace dashboard_testing;
using platform::Ref;
using platform::ui::Button;
using platform::ui::InterfaceOrientation;

namespace {

// A screen of another area, recording the settings it is given by name.
class RecordingScreen : public QVViewController {
    QV_DECLARE_CLASS(RecordingScreen)
public:
    std::vector<std::pair<std::string, std::string>> settings;
    bool performSetter(const std::string& name, platform::Object* value) override
    {
        auto* boxed = dynamic_cast<platform::Boxed*>(value);
        settings.emplace_back(name, boxed ? boxed->value().asString() : std::string());
        return true;
    }
};

class QVChallengeListController : public RecordingScreen, public QVGameScopedScreen {
    QV_DECLARE_CLASS(QVChallengeListController)
public:
    // Takes the game as the client's list does: its id, the pending challenges.
    void scopeToGame(QVGameProfilePageInfo* info) override
    {
        settings.emplace_back("setClientApplicationId", info ? info->resourceId() : std::string());
        settings.emplace_back("setListType", "0");
    }
};
class QVFanClubController : public RecordingScreen {
    QV_DECLARE_CLASS(QVFanClubController)
};

class GameProfileTest : public DashboardTest {
protected:
    void SetUp() override
    {
        DashboardTest::SetUp();
        QVGameProfileController::resetForumWarning();
        challengeList.emplace("QVChallengeListController", &QVChallengeListController::qvCreateInstance);
        fanClub.emplace("QVFanClubController", &QVFanClubController::qvCreateInstance);
    }
    void TearDown() override
    {
        challengeList.reset();
        fanClub.reset();
        page = nullptr;
        DashboardTest::TearDown();
    }

    // The page of a game (the running game's when the id is empty), shown at the root of a stack.
    QVGameProfileController* open(const std::string& id = {})
    {
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("GameProfile");
        page = Ref<QVGameProfileController>(dynamic_cast<QVGameProfileController*>(loaded.get()));
        EXPECT_TRUE(page);
        page->setClientApplicationId(id);
        showInNavigation(page.get());
        return page.get();
    }

    // The buttons in the panel's slots, in order (null for empty slots).
    std::vector<Button*> placed() const
    {
        std::vector<Button*> out;
        for (auto& slot : page->buttonPanel()->buttons()) {
            auto* entry = dynamic_cast<QVButtonPanelEntry*>(slot.get());
            out.push_back(entry ? entry->button() : nullptr);
        }
        return out;
    }
    static std::string skin(Button* b)
    {
        auto* image = b->backgroundImageForState(platform::ui::StateNormal);
        return image ? image->name() : std::string();
    }

    Ref<QVGameProfileController> page;
    // The recording screens stand in for the real ones while the test runs.
    std::optional<testing_support::ClassRegistryOverride> challengeList, fanClub;
};

TEST_F(GameProfileTest, RunningGameInPortraitPlacesTheOfferedButtonsTwoToARowWithItsCounts)
{
    setLocalProfile("55", true, false, true);
    QuorvelInternal::options().setUnviewedChallengesCount(3);
    open();
    EXPECT_TRUE(provider->requests().empty()) << "the running game's profile is the stored one";
    ASSERT_TRUE(page->gameProfileInfo());
    EXPECT_EQ(page->title(), "Brisko");
    EXPECT_FALSE(page->usingLongButtons());

    auto buttons = placed();
    ASSERT_EQ(buttons.size(), 6u);
    EXPECT_EQ(buttons[0], page->leaderboardsButton());
    EXPECT_EQ(buttons[1], page->challengesButton());
    EXPECT_EQ(buttons[2], page->discussionsButton());
    EXPECT_EQ(buttons[3], page->fanClubButton());
    EXPECT_EQ(buttons[4], page->whosPlayingButton());
    EXPECT_EQ(buttons[5], nullptr);
    EXPECT_TRUE(page->achievementsButton()->isHidden());
    EXPECT_EQ(skin(buttons[0]), "QVGameProfileButtonTop.png");
    EXPECT_EQ(skin(buttons[1]), "QVGameProfileButtonTop.png");
    EXPECT_EQ(skin(buttons[2]), "QVGameProfileButtonMiddle.png");
    EXPECT_EQ(skin(buttons[4]), "QVGameProfileButtonBottom.png");
    EXPECT_EQ(buttons[0]->frame().size, platform::Size(154, 118));
    EXPECT_EQ(page->buttonPanel()->fixedNumColumns(), 2);
    EXPECT_EQ(page->challengesButton()->badgeNumber(), 3);
    EXPECT_TRUE(buttons[0]->isEnabled());

    auto image = render("dashboard-game-page");
    ASSERT_TRUE(image);
    // The leaderboards button's blue face, just inside its rim.
    platform::Point corner = buttons[0]->convertPointTo(platform::Point(6, 6), nullptr);
    auto face = screen_testing::pixelAt(*image, static_cast<int>(corner.x), static_cast<int>(corner.y));
    EXPECT_GT(face.b, face.r + 40) << face.r << "," << face.g << "," << face.b;
}

TEST_F(GameProfileTest, AnotherGamesProfileIsRequestedAndShowsNoCounts)
{
    setLocalProfile("55", true, true, true);
    QuorvelInternal::options().setUnviewedChallengesCount(3);
    open("302");
    auto requests = provider->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "apps/302.xml");
    ASSERT_FALSE(requests[0].parameters.empty());
    EXPECT_EQ(requests[0].parameters[0], (std::pair<std::string, std::string> { "game_profile_page_info", "1" }));
    EXPECT_TRUE(navigation->loadingController() && !navigation->loadingController()->view()->isHidden());

    ASSERT_TRUE(provider->answerWithXml(profileXml("302", "Diver", true, true, true)));
    settle(1);
    EXPECT_EQ(page->title(), "Diver");
    auto buttons = placed();
    EXPECT_EQ(buttons[0], page->leaderboardsButton());
    EXPECT_EQ(buttons[1], page->achievementsButton());
    EXPECT_EQ(buttons[2], page->challengesButton());
    EXPECT_EQ(page->challengesButton()->badgeNumber(), 0);
}

TEST_F(GameProfileTest, FailedDownloadLeavesTheAlwaysOfferedButtonsAndAsksAgainOnTheNextAppearance)
{
    open("302");
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    EXPECT_EQ(page->gameProfileInfo(), nullptr);
    EXPECT_TRUE(page->usingLongButtons()) << "without a profile nothing but the long buttons is offered";
    auto buttons = placed();
    EXPECT_EQ(buttons[0], page->discussionsLongButton());
    EXPECT_EQ(buttons[1], static_cast<Button*>(page->fanClubLongButton()));
    EXPECT_EQ(buttons[2], page->whosPlayingLongButton());

    page->viewDidAppear(false);
    settle();
    EXPECT_EQ(provider->requests().size(), 2u);
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
}

TEST_F(GameProfileTest, LandscapeUsesThreeColumnsOfTopAndBottomRows)
{
    host().orientation = InterfaceOrientation::LandscapeRight;
    setLocalProfile("55", true, true, true);
    open();
    auto buttons = placed();
    EXPECT_EQ(page->buttonPanel()->fixedNumColumns(), 3);
    EXPECT_EQ(skin(buttons[2]), "QVGameProfileButtonTop.png");
    EXPECT_EQ(skin(buttons[3]), "QVGameProfileButtonBottom.png");
    EXPECT_EQ(buttons[0]->frame().size, platform::Size(156, 97));
}

TEST_F(GameProfileTest, OnATabletTheGridFillsThePageWithoutBandsOrRunningPastIt)
{
    useDevice(Device::Tablet);
    setLocalProfile("55", true, true, true);
    open();
    auto* panel = page->buttonPanel();
    const platform::Rect area = panel->bounds();
    float top = area.maxY(), bottom = area.minY(), left = area.maxX(), right = area.minX();
    for (Button* button : placed()) {
        ASSERT_TRUE(button);
        platform::Rect f = button->convertRectTo(button->bounds(), panel);
        top = std::min(top, f.minY());
        bottom = std::max(bottom, f.maxY());
        left = std::min(left, f.minX());
        right = std::max(right, f.maxX());
    }
    EXPECT_GE(left, area.minX());
    EXPECT_LE(right, area.maxX());
    EXPECT_LE(top - area.minY(), 2) << "no band above the grid";
    EXPECT_LE(area.maxY() - bottom, 2) << "no band below it";
}

TEST_F(GameProfileTest, GameWithoutListsUsesTheFullWidthButtons)
{
    setLocalProfile("55", false, false, false);
    open();
    EXPECT_TRUE(page->usingLongButtons());
    auto buttons = placed();
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0], page->discussionsLongButton());
    EXPECT_EQ(buttons[1], static_cast<Button*>(page->fanClubLongButton()));
    EXPECT_EQ(buttons[2], page->whosPlayingLongButton());
    EXPECT_EQ(skin(buttons[0]), "QVButtonBevel.png");
    EXPECT_EQ(buttons[0]->frame().size, platform::Size(308, 65));
}

TEST_F(GameProfileTest, OfflineWithoutStoredListsDisablesEverythingAndSaysSo)
{
    provider->online = false;
    setLocalProfile("55", true, true, true);
    open();
    EXPECT_TRUE(page->wasOfflineLastRefresh());
    for (Button* b : placed()) {
        if (!b)
            continue;
        EXPECT_FALSE(b->isEnabled()) << b->currentTitle();
    }
    auto* alert = driver().currentAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "No offline support");
    EXPECT_EQ(alert->message(), "No offline functionality has been enabled for Brisko");
}

TEST_F(GameProfileTest, ButtonsPushTheirScreensPreparedWithTheProfile)
{
    setLocalProfile("55", true, false, true);
    open();
    ASSERT_TRUE(driver().tap(page->challengesButton()));
    settle(1);
    auto* challenges = dynamic_cast<QVChallengeListController*>(navigation->topViewController());
    ASSERT_TRUE(challenges);
    EXPECT_EQ(challenges->settings, (std::vector<std::pair<std::string, std::string>> {
                                        { "setClientApplicationId", "55" }, { "setListType", "0" } }));

    navigation->popViewControllerAnimated(false);
    settle(1);
    ASSERT_TRUE(driver().tap(page->fanClubButton()));
    settle(1);
    EXPECT_TRUE(dynamic_cast<QVFanClubController*>(navigation->topViewController()));
}

TEST_F(GameProfileTest, ForumWarningIsShownOncePerProcess)
{
    setLocalProfile("55", false, false, false);
    open();
    page->pressedDiscussions();
    ASSERT_TRUE(driver().currentAlert());
    EXPECT_EQ(driver().currentAlert()->message(), QVGameProfileController::kForumWarning);
    ASSERT_TRUE(driver().answerAlert("Ok"));
    page->pressedDiscussions();
    EXPECT_FALSE(driver().currentAlert());
}

TEST_F(GameProfileTest, CountNotificationsUpdateTheButtonsAndTheTabUntilThePageGoes)
{
    setLocalProfile("55", true, false, true);
    open();
    size_t before = platform::NotificationCenter::defaultCenter().observerCount();
    page->registerForBadgeNotifications();
    QuorvelInternal::options().setUnviewedChallengesCount(4); // told to the page as the client counts it
    EXPECT_EQ(page->challengesButton()->badgeNumber(), 4);
    EXPECT_EQ(navigation->badgeValue(), std::optional<std::string>("4"));
    QuorvelInternal::notifications().postUnreadAnnouncementCountChangedTo(2);
    EXPECT_EQ(page->fanClubButton()->badgeNumber(), 2);
    EXPECT_EQ(navigation->badgeValue(), std::optional<std::string>("6"));

    navigation->view()->removeFromSuperview();
    navigation = nullptr;
    page = nullptr;
    settle(1);
    EXPECT_EQ(platform::NotificationCenter::defaultCenter().observerCount(), before);
    QuorvelInternal::notifications().postUnviewedChallengeCountChangedTo(5); // nothing left to reach
}

} // namespace

namespace {

TEST_F(GameProfileTest, TappingTheFeaturedBannerOpensTheLinkedGamesStorePage)
{
    setLocalProfile("55", true, false, true);
    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("GameProfile");
    auto stack = QVFramedNavigationController::withRootViewController(loaded.get());
    driver().showController(stack.get());
    settle(1);
    auto* banner = dynamic_cast<QVFeaturedGameCell*>(stack->bannerView()->bannerSubview());
    ASSERT_TRUE(banner) << "the game page's banner is the featured game";
    ASSERT_TRUE(provider->answerWithXml(
        "<game_discovery_image_hyperlinks><game_discovery_image_hyperlink><id>1</id>"
        "<seconds_to_display>5</seconds_to_display><image_url>http://127.0.0.1/f1.png</image_url>"
        "<target_application_ipurchase_id>302</target_application_ipurchase_id>"
        "<app_banner_placement>now_playing</app_banner_placement>"
        "</game_discovery_image_hyperlink></game_discovery_image_hyperlinks>"));
    settle(1);
    ASSERT_TRUE(banner->resource());
    auto tapped = driver().tap(banner);
    ASSERT_TRUE(tapped) << tapped.problem;
    settle(1);
    auto* description = dynamic_cast<QVApplicationDescriptionController*>(stack->topViewController());
    ASSERT_TRUE(description) << stack->topViewController()->className();
    EXPECT_EQ(description->resourceId(), "302");
}

} // namespace
