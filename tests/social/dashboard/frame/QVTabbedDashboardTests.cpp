// The tabbed dashboard: three tabs with their labels, images and badges, the
// game's page in the first, the ticker cycling its messages and closing the
// dashboard, and the online and offline modes.
#include "../DashboardTestSupport.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/games/QVGameProfileController.h"
#include "social/dashboard/frame/QVTabbedDashboardController.h"
#include "social/runtime/QVSettings.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVWebNavController.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quorvel;
using namespace dashboard_testing;
using platform::Ref;
using screen_testing::near;
using screen_testing::Pixel;
using screen_testing::pixelAt;

namespace {

class TabbedDashboardTest : public DashboardTest {
protected:
    void TearDown() override
    {
        if (dashboard && dashboard->isViewLoaded())
            dashboard->view()->removeFromSuperview();
        dashboard = nullptr;
        host().switchMode = nullptr;
        DashboardTest::TearDown();
    }

    QVTabbedDashboardController* open()
    {
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("TabbedDashboard");
        dashboard = Ref<QVTabbedDashboardController>(dynamic_cast<QVTabbedDashboardController*>(loaded.get()));
        EXPECT_TRUE(dashboard);
        driver().showController(dashboard.get());
        // The dashboard on show is this one: switching modes reaches it.
        host().switchMode = [this](bool online) {
            if (dashboard)
                (online ? QVTabbedDashboardController::setOnlineMode : QVTabbedDashboardController::setOfflineMode)(
                    dashboard.get());
        };
        dashboard->showTabViewControllerNamed(QVTabbedDashboardController::defaultTab());
        settle();
        return dashboard.get();
    }

    size_t tickerRequests() const
    {
        size_t n = 0;
        for (auto& r : provider->requests())
            n += r.path == "tickers.xml";
        return n;
    }

    // Lets the message on the ticker scroll out (to the end of its animation).
    void scrollOut()
    {
        for (auto& a : platform::ui::View::runningAnimations())
            if (a.name == "scrollText") {
                settle(a.endTime - loop().now() + 0.001);
                return;
            }
        settle(0.001);
    }

    Ref<QVTabbedDashboardController> dashboard;
};

TEST_F(TabbedDashboardTest, OpensOnTheGamesPageWithThreeTabsTheirImagesAndBadges)
{
    setLocalProfile("55", true, true, false);
    QuorvelInternal::options().setUnviewedChallengesCount(2);
    QuorvelInternal::options().setPendingFriendsCount(3);
    open();

    const auto& items = dashboard->tabBarItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0]->name(), "Brisko");
    EXPECT_EQ(items[1]->name(), "My Quorvel");
    EXPECT_EQ(items[2]->name(), "Games");
    ASSERT_TRUE(items[0]->activeImage());
    EXPECT_EQ(items[0]->activeImage()->name(), "QVDashboardTabNowPlayingPortraitHit.png");
    EXPECT_EQ(items[1]->disabledImage()->name(), "QVDashboardTabMyQuorvelPortraitDisabled.png");
    EXPECT_EQ(items[2]->inactiveImage()->name(), "QVDashboardTabDiscoveryPortrait.png");
    EXPECT_EQ(items[0]->badgeView()->value(), 2);
    EXPECT_EQ(items[1]->badgeView()->value(), 3);
    EXPECT_EQ(dashboard->tabBar()->style, 2);

    auto* nav = dynamic_cast<QVTabbedDashboardPageController*>(dashboard->activeNavigationController());
    ASSERT_TRUE(nav);
    auto* page = dynamic_cast<QVGameProfileController*>(nav->topViewController());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->title(), "Brisko");
    EXPECT_TRUE(page->isRegisteredForBadgeNotifications());
    EXPECT_FALSE(nav->isInHiddenTab());

    // The ticker sits above the tabs; the tab container below it.
    EXPECT_EQ(dashboard->tickerView()->frame(), platform::Rect(0, 0, 320, 24));
    EXPECT_EQ(dashboard->containerView()->frame().origin.y, 24);
}

// A tablet's dashboard is one wide panel however the device stands: made on
// its side, it is laid out for the 640 points its strip and banner are drawn for.
TEST_F(TabbedDashboardTest, OnATabletOnItsSideTheDashboardKeepsItsWidePanel)
{
    useDevice(Device::Tablet);
    host().orientation = platform::ui::InterfaceOrientation::LandscapeRight;
    EXPECT_EQ(QVDashboardRole::current().getDashboardBounds(), platform::Rect(3, 3, 640, 480));
    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("TabbedDashboard");
    auto* made = dynamic_cast<QVTabbedDashboardController*>(loaded.get());
    ASSERT_TRUE(made);
    EXPECT_EQ(made->view()->frame().size, platform::Size(640, 480));
    EXPECT_EQ(made->tickerView()->frame().size.width, 640);
}

// Each tab's image is the whole tab: the three fill the strip on phone and
// tablet, the selected one shows its lit icon, the others their grey one, and
// a badge sits beside its icon, clear of the tab's name.
TEST_F(TabbedDashboardTest, TabImagesFillTheStripAndBadgesSitBesideTheIconClearOfTheName)
{
    for (Device device : { Device::Phone, Device::Tablet }) {
        SCOPED_TRACE(device == Device::Phone ? "phone" : "tablet");
        useDevice(device);
        setLocalProfile("55", true, true, false);
        QuorvelInternal::options().setPendingFriendsCount(3);
        QuorvelInternal::options().setUnviewedChallengesCount(2);
        open();
        settle(0.5);

        QVTabBar* bar = dashboard->tabBar();
        const auto& items = dashboard->tabBarItems();
        ASSERT_EQ(items.size(), 3u);
        float x = 0;
        for (const auto& item : items) {
            EXPECT_EQ(item->frame().origin.x, x);
            EXPECT_EQ(item->frame().size.height, bar->bounds().size.height);
            x = item->frame().maxX();
        }
        // The strip is the dashboard's width: the screen on a phone, the 640-point frame on a tablet.
        EXPECT_EQ(x, QVDashboardRole::current().getDashboardBounds().size.width);

        const float iconTop = QVDashboardTabArt::kIconTop;
        const float iconSize = QVDashboardTabArt::kIconSize;
        // A badge sits just right of its icon, on whole points, its frame (a point clear round the
        // lozenge) clear of the name the tab's art shows: beside the name where the tab has room
        // for it, else lifted onto the band above the strip (on the list, it lay over its last words).
        QVTabBarItem* mine = items[1].get();
        for (QVTabBarItem* item : { items[0].get(), mine }) {
            SCOPED_TRACE(item->drawnName());
            ASSERT_FALSE(item->badgeView()->isHidden());
            platform::Rect badge = item->badgeView()->frame();
            const platform::Rect name = item->drawnNameBox();
            ASSERT_GT(name.size.width, 30);
            platform::Point iconCentre(item->bounds().size.width / 2, iconTop + iconSize / 2);
            EXPECT_GE(badge.minX(), item->bounds().size.width / 2 + iconSize / 2) << badge.origin.x << "," << badge.origin.y;
            EXPECT_LE(badge.maxX(), item->bounds().size.width);
            EXPECT_FALSE(badge.intersects(name)) << badge.origin.x << "," << badge.origin.y;
            EXPECT_GE(badge.minY() + 1, -4) << "the lozenge keeps off the list";
            EXPECT_EQ(badge.origin.x, std::round(badge.origin.x));
            EXPECT_FALSE(badge.containsPoint(iconCentre));
        }
        if (device == Device::Tablet) {
            EXPECT_GE(mine->badgeView()->frame().minY() + 1, 0) << "a wide tab has room beside the name, on the strip";
        }

        auto image = render(device == Device::Phone ? "tabs-phone" : "tabs-tablet");
        ASSERT_TRUE(image);
        // The lit play disc of the selected tab, left of its dark triangle; the
        // grey body of the person on the next tab.
        auto probe = [&](QVTabBarItem* item, float dx, float dy) {
            platform::Point p = item->convertPointTo(platform::Point(item->bounds().size.width / 2 + dx, iconTop + dy), nullptr);
            return pixelAt(*image, static_cast<int>(p.x), static_cast<int>(p.y));
        };
        EXPECT_TRUE(near(probe(items[0].get(), -7, iconSize / 2), 115, 204, 255, 30));
        EXPECT_TRUE(near(probe(mine, 0, 0.8f * iconSize), 158, 163, 173, 30));
        // The last tab reaches its right edge.
        platform::Point end = items[2]->convertPointTo(platform::Point(items[2]->bounds().size.width - 1, 1), nullptr);
        Pixel edge = pixelAt(*image, static_cast<int>(end.x), static_cast<int>(end.y));
        EXPECT_FALSE(near(edge, 26, 28, 33, 4)); // the bar's own colour: nothing drawn there

        dashboard->view()->removeFromSuperview();
        dashboard = nullptr;
        settle(1);
    }
}

TEST_F(TabbedDashboardTest, TickerDownloadsOnceCyclesItsMessagesAndItsCloseButtonWaitsForAShownDashboard)
{
    setLocalProfile("55", true, false, false);
    open();
    ASSERT_EQ(tickerRequests(), 1u);
    ASSERT_TRUE(provider->answerWithXml(fixture("tickers.xml")));
    settle();
    QVTickerView* ticker = dashboard->tickerView();
    EXPECT_EQ(ticker->text(), "Cave Diver tops the charts this week");

    // Each message scrolls out, then the next one comes.
    scrollOut();
    EXPECT_EQ(ticker->text(), "Three new challenges are waiting");
    scrollOut();
    EXPECT_EQ(ticker->text(), "Server maintenance on Sunday");
    scrollOut();
    EXPECT_EQ(ticker->text(), "Cave Diver tops the charts this week");
    EXPECT_EQ(tickerRequests(), 1u);

    // Closing acts only while the dashboard is shown (here it was never presented).
    ASSERT_TRUE(driver().tap(ticker->xButton()));
    EXPECT_TRUE(host().calls.empty());
}

TEST_F(TabbedDashboardTest, WhileAModalScreenIsUpTheTickerWaitsInStepsOfFiveSeconds)
{
    setLocalProfile("55", true, false, false);
    open();
    ASSERT_TRUE(provider->answerWithXml(fixture("tickers.xml")));
    settle();
    auto modal = QVViewController::qvCreateInstance();
    auto* cover = dynamic_cast<platform::ui::ViewController*>(modal.get());
    cover->init();
    dashboard->presentModalViewController(cover, false);
    host().root = dashboard.get();
    scrollOut();
    EXPECT_EQ(dashboard->tickerView()->text(), "") << "the first message has scrolled out and nothing followed";
    settle(12);
    EXPECT_EQ(dashboard->tickerView()->text(), "");
    dashboard->dismissModalViewControllerAnimated(false);
    settle(2.9);
    EXPECT_EQ(dashboard->tickerView()->text(), "") << "the next try comes five seconds after the last";
    settle(0.2);
    EXPECT_EQ(dashboard->tickerView()->text(), "Three new challenges are waiting");
    host().root = nullptr;
}

TEST_F(TabbedDashboardTest, OfflineDisablesTheOtherTabsAndGoingOnlineEnablesThemAndStartsTheTicker)
{
    provider->online = false;
    setLocalProfile("55", true, false, false);
    open();
    const auto& items = dashboard->tabBarItems();
    EXPECT_FALSE(items[0]->disabled());
    EXPECT_TRUE(items[1]->disabled());
    EXPECT_TRUE(items[2]->disabled());
    EXPECT_EQ(tickerRequests(), 0u);

    provider->online = true;
    QuorvelInternal::options().setPendingFriendsCount(4);
    QVDashboardSwitch::switchToOnlineDashboard();
    settle();
    EXPECT_FALSE(items[1]->disabled());
    EXPECT_FALSE(items[2]->disabled());
    EXPECT_EQ(items[1]->badgeView()->value(), 4);
    EXPECT_EQ(tickerRequests(), 1u);
}

TEST_F(TabbedDashboardTest, LandscapePhoneBlocksTouchesUnderTheCloseButton)
{
    host().orientation = platform::ui::InterfaceOrientation::LandscapeRight;
    setLocalProfile("55", true, false, false);
    open();
    ASSERT_TRUE(dashboard->touchBlocker());
    float width = dashboard->hostView()->bounds().size.width;
    EXPECT_EQ(dashboard->touchBlocker()->frame(), platform::Rect(width - 40, 19, 40, 10));
    auto hit = driver().tapPoint(dashboard->touchBlocker()->convertPointTo(platform::Point(20, 5), nullptr));
    EXPECT_EQ(hit.hitView, dashboard->touchBlocker());
}

// A host with a start-up web page.
class ModalPageHost : public screen_testing::TestDashboardHost {
public:
    std::string url;
    std::string initialDashboardModalContentURL() override { return url; }
};

TEST_F(TabbedDashboardTest, StartUpWebPageIsMadeOnceAndPresentedOverTheDashboard)
{
    ModalPageHost pages;
    pages.url = "news/today.html";
    QVDashboardRole::setCurrent(&pages);
    setLocalProfile("55", true, false, false);
    open();
    auto* web = dynamic_cast<QVWebNavController*>(dashboard->modalDashboardContentController());
    ASSERT_TRUE(web);
    std::string server = QVSettings::Instance() ? QVSettings::Instance()->objectForKey("server-url").value_or("") : "";
    EXPECT_EQ(web->url(), server + "news/today.html");
    EXPECT_TRUE(web->dismissOnPopToRoot());

    pages.root = dashboard.get();
    dashboard->_presentModalContentController();
    EXPECT_EQ(dashboard->modalViewController(), web);
    dashboard->dismissModalViewControllerAnimated(false);
    pages.root = nullptr;
    QVDashboardRole::setCurrent(&host());

    // Without a URL there is no page.
    dashboard->view()->removeFromSuperview();
    dashboard = nullptr;
    open();
    EXPECT_EQ(dashboard->modalDashboardContentController(), nullptr);
}

} // namespace
