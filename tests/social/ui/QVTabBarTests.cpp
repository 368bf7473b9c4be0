// The tab strip, the tab bar controller and the tabbed page header: layout,
// lazy tab screens, re-selection, memory warnings, disabling, badges, the
// by-name forms and the segment callbacks.
#include "ScreenTestKit.h"

#include "platform/device/Application.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/graphics/TextEngine.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVSegmentedView.h"
#include "social/ui/QVTabBarController.h"
#include "social/ui/QVTabbedPageHeaderController.h"
#include "social/ui/QVTableStaticControllerHelper.h"
#include "social/ui/QVViewController.h"

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace quorvel {

// Tab screens made by the loader.
class QVTabProbeController : public QVViewController {
    QV_DECLARE_CLASS(QVTabProbeController)
};
QV_REGISTER_CLASS(QVTabProbeController);

class QVTabLockedController : public QVViewController {
    QV_DECLARE_CLASS(QVTabLockedController)
};
QV_REGISTER_CLASS(QVTabLockedController);

// A list screen pushed in a tab's stack.
class QVTabProbeList : public QVTableStaticControllerHelper {
    QV_DECLARE_CLASS(QVTabProbeList)
};

} // namespace quorvel

using namespace quorvel;

namespace tab_tests {

// Supplies navigation stacks for tabs and records what the bar reports.
class RecordingDelegate : public QVTabBarDelegate, public QVTabBarControllerDelegate {
public:
    std::vector<std::string> events;
    int made { 0 };
    bool supplies { true };

    std::optional<Ref<ViewController>> tabBarLoadViewController(QVTabBar*, const std::string& name,
                                                                QVTabBarItem*) override
    {
        if (!supplies)
            return std::nullopt;
        auto root = dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
        root->init();
        ++made;
        return Ref<ViewController>(QVNavigationController::withRootViewController(root.get()));
    }
    void tabBarDidLoadViewController(QVTabBar*, ViewController*, QVTabBarItem* item) override
    {
        events.push_back("load " + item->name());
    }
    void tabBarWillUnloadViewController(QVTabBar*, ViewController*, QVTabBarItem* item) override
    {
        events.push_back("unload " + item->name());
    }
    void tabBarDidSelectTabNamed(QVTabBar*, const std::string& name) override { events.push_back("select " + name); }
    void tabBarDidDisableTabNamed(QVTabBar*, const std::string& name) override { events.push_back("disable " + name); }

    void tabBarControllerDidLoadViewController(QVTabBarController*, ViewController*, QVTabBarItem* item) override
    {
        events.push_back("controller load " + item->name());
    }
    void tabBarControllerWillUnloadViewController(QVTabBarController*, ViewController*, QVTabBarItem* item) override
    {
        events.push_back("controller unload " + item->name());
    }
    void tabBarControllerDidSelectViewController(QVTabBarController*, ViewController*) override
    {
        events.push_back("controller select");
    }
};

class TabBarTest : public screen_testing::ScreenTest {
protected:
    // A 320 x 49 strip at the bottom of a container in the window.
    Ref<QVTabBar> barInWindow()
    {
        container = QVTabBarContainer::containerWithFrame(Rect(0, 0, 320, 480));
        window()->addSubview(container.get());
        auto bar = QVTabBar::withFrame(Rect(0, 431, 320, 49));
        container->addSubview(bar.get());
        bar->setDelegate(&delegate);
        return bar;
    }
    Ref<QVTabBarContainer> container;
    RecordingDelegate delegate;
};

TEST_F(TabBarTest, ThreeTabsShareTheWidthInWholePoints)
{
    auto bar = barInWindow();
    bar->addViewController("One", "One", nullptr, nullptr, nullptr);
    bar->addViewController("Two", "Two", nullptr, nullptr, nullptr);
    bar->addViewController("Three", "Three", nullptr, nullptr, nullptr);
    settle();
    EXPECT_EQ(bar->items()[0]->frame(), Rect(0, 0, 107, 49));
    EXPECT_EQ(bar->items()[1]->frame(), Rect(107, 0, 107, 49));
    EXPECT_EQ(bar->items()[2]->frame(), Rect(213, 0, 107, 49));
    EXPECT_TRUE(bar->items()[0]->borderImageView()->isHidden());
    EXPECT_FALSE(bar->items()[1]->borderImageView()->isHidden());
}

TEST_F(TabBarTest, TabsLoadTheirScreensWhenFirstShownAndReselectionPopsToTheRoot)
{
    auto bar = barInWindow();
    bar->addViewController("One", "One", nullptr, nullptr, nullptr);
    bar->addViewController("Two", "Two", nullptr, nullptr, nullptr);
    EXPECT_EQ(delegate.made, 0);

    bar->showTabAtIndex(0);
    EXPECT_EQ(delegate.made, 1);
    auto* nav = dynamic_cast<NavigationController*>(bar->selectedViewController());
    ASSERT_TRUE(nav);
    EXPECT_EQ(nav->view()->superview(), container.get());
    EXPECT_EQ(nav->view()->frame(), Rect(0, 0, 320, 431));
    EXPECT_TRUE(nav->isVisible());

    auto pushed = dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
    pushed->init();
    nav->pushViewController(pushed.get(), false);
    // Another tab keeps this stack as it is.
    bar->showTabAtIndex(1);
    EXPECT_TRUE(nav->view()->isHidden());
    bar->showTabAtIndex(0);
    EXPECT_EQ(nav->viewControllers().size(), 2u);
    EXPECT_EQ(delegate.made, 2);
    // A second selection of the shown tab pops to the root.
    bar->items()[0]->didTapTabItem();
    settle(0.5);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "load One", "select One", "load Two", "select Two",
                                                           "select One", "select One" }));
}

TEST_F(TabBarTest, TheLoaderMakesTabScreensTheDelegateLeavesToIt)
{
    delegate.supplies = false;
    auto bar = barInWindow();
    bar->addViewControllerOfDisabledViewController("TabProbe", "TabLocked", "Probe", nullptr, nullptr, nullptr);
    bar->addViewController("NoSuchScreen", "Missing", nullptr, nullptr, nullptr);
    // Before approval a tab with a disabled-controller name shows that screen.
    bar->showTabAtIndex(0);
    EXPECT_TRUE(dynamic_cast<QVTabLockedController*>(bar->selectedViewController()));
    // A name nothing resolves: the tab is selected and shows nothing.
    bar->showTabAtIndex(1);
    EXPECT_EQ(bar->selectedTab(), bar->items()[1].get());
    EXPECT_EQ(bar->selectedViewController(), nullptr);
}

TEST_F(TabBarTest, AnIndexOutsideTheTabsIsIgnoredWithALogLine)
{
    auto bar = barInWindow();
    bar->addViewController("One", "One", nullptr, nullptr, nullptr);
    bar->showTabAtIndex(0);
    bar->showTabAtIndex(5);
    bar->disableTabAtIndex(5);
    EXPECT_EQ(bar->selectedTab(), bar->items()[0].get());
    EXPECT_TRUE(log.contains("no tab at index 5"));
}

TEST_F(TabBarTest, DisabledTabsIgnoreTapsUntilEnabledAgain)
{
    auto bar = barInWindow();
    bar->addViewController("One", "One", nullptr, nullptr, nullptr);
    bar->addViewController("Two", "Two", nullptr, nullptr, nullptr);
    bar->addViewController("Three", "Two", nullptr, nullptr, nullptr);
    bar->showTabAtIndex(0);
    delegate.events.clear();

    // Every tab of the name is disabled.
    bar->disableTabNamed("Two");
    EXPECT_TRUE(bar->items()[1]->disabled());
    EXPECT_TRUE(bar->items()[2]->disabled());
    EXPECT_TRUE(bar->items()[1]->overlayView());
    bar->items()[1]->didTapTabItem();
    bar->items()[1]->setActive(true);
    EXPECT_EQ(bar->selectedTab(), bar->items()[0].get());
    EXPECT_FALSE(bar->items()[1]->active());
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "disable Two", "disable Two" }));

    bar->enableAllTabs();
    EXPECT_FALSE(bar->items()[1]->overlayView());
    EXPECT_EQ(bar->items()[1]->nameLabel()->textColor(), Color::white(0.5f));
    // The name form of showing takes the first match.
    bar->showTabNamed("Two");
    EXPECT_EQ(bar->selectedTab(), bar->items()[1].get());
}

TEST_F(TabBarTest, BadgesShowTheIntegerValueAndHideAtZero)
{
    auto bar = barInWindow();
    bar->addViewController("One", "One", nullptr, nullptr, nullptr);
    QVTabBarItem* item = bar->items()[0].get();
    EXPECT_TRUE(item->badgeView()->isHidden());
    item->setBadgeValue("12 new");
    EXPECT_FALSE(item->badgeView()->isHidden());
    EXPECT_EQ(item->badgeView()->value(), 12);
    bar->setBadgeValueForItemNamed(0, "One");
    EXPECT_TRUE(item->badgeView()->isHidden());
    bar->setBadgeValueForItemNamed(3, "Nobody"); // no such tab: nothing
    EXPECT_TRUE(item->badgeView()->isHidden());
}

TEST_F(TabBarTest, UnloadingTheOnlyTabKeepsIt)
{
    auto bar = barInWindow();
    bar->addViewController("One", "One", nullptr, nullptr, nullptr);
    bar->showTabAtIndex(0);
    bar->unloadTabBarItemNamed("One");
    EXPECT_TRUE(bar->selectedViewController());
    EXPECT_TRUE(log.contains("Couldn't unload QVTabBarItem One because it's the only one!"));
}

TEST_F(TabBarTest, UnloadingTheSelectedTabByNameBringsItBackFresh)
{
    auto bar = barInWindow();
    bar->addViewController("One", "One", nullptr, nullptr, nullptr);
    bar->addViewController("Two", "Two", nullptr, nullptr, nullptr);
    bar->showTabAtIndex(0);
    delegate.events.clear();
    bar->unloadTabBarItemNamed("One");
    EXPECT_EQ(bar->selectedTab(), bar->items()[0].get());
    EXPECT_TRUE(bar->selectedViewController());
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "load Two", "select Two", "unload One", "load One",
                                                           "select One" }));
}

TEST_F(TabBarTest, TheSelectedSegmentLiesOnTopOfItsNeighbours)
{
    auto bar = barInWindow();
    for (auto name : { "A", "B", "C" })
        bar->addSegmentNamed(name, nullptr, nullptr, nullptr);
    bar->showTabAtIndex(1);
    auto& subs = bar->subviews();
    EXPECT_EQ(subs.front().get(), bar->backgroundImageView());
    EXPECT_EQ(subs.back().get(), bar->items()[1].get());
}

TEST_F(TabBarTest, SegmentedViewTakesItsHeightAndSpacing)
{
    auto segments = QVSegmentedView::withFrame(Rect(0, 0, 320, 10));
    EXPECT_FLOAT_EQ(segments->frame().size.height, 33);
    EXPECT_EQ(segments->style, QVTabBar::LabelledSegments);
    EXPECT_FLOAT_EQ(segments->overlap, -1);
    useDevice(Device::Tablet);
    EXPECT_FLOAT_EQ(QVSegmentedView::segmentedViewHeight(), 40);
}

// ---- The tab bar controller

class TabBarControllerTest : public TabBarTest {
protected:
    Ref<QVTabBarController> controllerInWindow()
    {
        auto c = dynamicRef<QVTabBarController>(QVTabBarController::qvCreateInstance());
        c->init();
        c->setDelegate(&delegate);
        c->tabBar()->setDelegate(c.get());
        driver().showController(c.get());
        return c;
    }
};

TEST_F(TabBarControllerTest, AStripOf49PointsLiesAlongTheBottomOfTheDashboard)
{
    auto c = dynamicRef<QVTabBarController>(QVTabBarController::qvCreateInstance());
    c->init();
    EXPECT_EQ(c->view(), c->containerView());
    EXPECT_EQ(c->containerView()->frame(), Rect(0, 0, 320, 480));
    EXPECT_EQ(c->tabBar()->frame(), Rect(0, 431, 320, 49));
    EXPECT_EQ(c->tabBar()->superview(), c->containerView());
}

TEST_F(TabBarControllerTest, ABadgeLandsOnTheTabJustAdded)
{
    auto c = controllerInWindow();
    c->addViewController("TabProbe", "One", "", "", "", std::string("4"));
    c->addViewController("TabProbe", "Two", "", "NoSuchImage.png", "");
    EXPECT_EQ(c->tabBarItems()[0]->badgeView()->value(), 4);
    EXPECT_TRUE(c->tabBarItems()[1]->badgeView()->isHidden());
    EXPECT_EQ(c->tabBarItems()[1]->inactiveImage(), nullptr);
}

TEST_F(TabBarControllerTest, LoadedTabScreensKnowTheirTabAndSelectionIsAlwaysReported)
{
    delegate.supplies = false;
    auto c = controllerInWindow();
    c->addViewController("TabProbe", "One", "", "", "");
    c->showTabNamed("One");
    auto* screen = dynamic_cast<QVViewController*>(c->tabBar()->selectedViewController());
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->owningTabBarItem(), c->tabBarItems()[0].get());
    QVSetTabBadgeValue(screen, "7");
    EXPECT_EQ(c->tabBarItems()[0]->badgeView()->value(), 7);
    delegate.events.clear();
    // The bar reports the selection, and the controller reports it again.
    c->showTabNamed("One");
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "controller select", "controller select" }));
}

TEST_F(TabBarControllerTest, ScreensSetTheBadgeOfTheTabTheyAreShownIn)
{
    auto c = controllerInWindow();
    c->addViewController("TabProbe", "One", "", "", "");
    c->addViewController("FramedNavigation", "Two", "", "", "");
    c->showTabNamed("Two");
    auto* stack = dynamic_cast<QVFramedNavigationController*>(c->tabBar()->selectedViewController());
    ASSERT_TRUE(stack);
    QVTabBarItem* one = c->tabBarItems()[0].get();
    QVTabBarItem* two = c->tabBarItems()[1].get();
    auto page = dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
    page->init();
    stack->pushViewController(page.get(), false);
    page->setBadgeValue("5");
    EXPECT_EQ(two->badgeView()->value(), 5);
    EXPECT_FALSE(two->badgeView()->isHidden());
    EXPECT_EQ(stack->badgeValue(), std::optional<std::string>("5"));

    // A list on the same stack: a new count, then none, which hides the badge.
    auto list = dynamicRef<QVTabProbeList>(QVTabProbeList::qvCreateInstance());
    list->init();
    stack->pushViewController(list.get(), false);
    list->setBadgeValue("2");
    EXPECT_EQ(two->badgeView()->value(), 2);
    list->setBadgeValue(std::nullopt);
    EXPECT_TRUE(two->badgeView()->isHidden());
    EXPECT_TRUE(one->badgeView()->isHidden()) << "the other tab's badge is its own";

    // A tab's own screen, in no stack, sets its own tab's badge.
    c->showTabNamed("One");
    auto* own = dynamic_cast<QVViewController*>(c->tabBar()->selectedViewController());
    ASSERT_TRUE(own);
    own->setBadgeValue("3");
    EXPECT_EQ(one->badgeView()->value(), 3);
}

TEST_F(TabBarControllerTest, AMemoryWarningUnloadsInactiveTabsWhichReloadWhenSelected)
{
    delegate.supplies = false;
    auto c = controllerInWindow();
    c->addViewController("TabProbe", "One", "", "", "");
    c->addViewController("TabProbe", "Two", "", "", "");
    c->showTabAtIndex(0);
    c->showTabAtIndex(1);
    delegate.events.clear();

    driver().memoryWarning();
    EXPECT_EQ(c->tabBarItems()[0]->viewController(), nullptr);
    EXPECT_TRUE(c->tabBarItems()[1]->viewController());
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "controller unload One" }));

    c->showTabAtIndex(0);
    EXPECT_TRUE(c->tabBarItems()[0]->viewController());
    EXPECT_EQ(delegate.events[1], "controller load One");
}

// ---- The tabbed page header

struct ListScreen : platform::Object {
    std::vector<std::string> calls;
    void showFriends() { calls.push_back("friends"); }
    void showPending() { calls.push_back("pending"); }
};

TEST_F(TabBarTest, HeaderSegmentsCallTheirActionsButNotForTheFirstShown)
{
    auto list = platform::adoptRef(new ListScreen);
    auto header = dynamicRef<QVTabbedPageHeaderController>(QVTabbedPageHeaderController::qvCreateInstance());
    header->init();
    header->setCallbackTarget(list.get());
    header->addTab("Friends", BRISKO_SELECTOR(ListScreen, showFriends));
    header->addTab("Pending", BRISKO_SELECTOR(ListScreen, showPending));
    EXPECT_EQ(header->tabBar()->selectedTab()->name(), "Friends");
    EXPECT_TRUE(list->calls.empty());

    header->tabBar()->items()[1]->didTapTabItem();
    EXPECT_EQ(list->calls, (std::vector<std::string> { "pending" }));

    header->setBadgeValueForTabNamed("2", "Pending");
    header->setBadgeValueForTabNamed("5", "Nobody");
    EXPECT_EQ(header->tabBar()->items()[1]->badgeView()->value(), 2);
    EXPECT_TRUE(header->tabBar()->items()[0]->badgeView()->isHidden());

    // Sized as every table header is, through the header interface the lists look for.
    auto* asTableHeader = dynamic_cast<QVTableControllerHeader*>(header.get());
    ASSERT_TRUE(asTableHeader);
    auto over = View::viewWithFrame(Rect(0, 0, 300, 400));
    asTableHeader->resizeView(over.get());
    EXPECT_EQ(header->view()->frame(), Rect(0, 0, 300, 33));
}

TEST_F(TabBarTest, SegmentsStayOnTheirBarAndABadgeLeavesTheNameWhole)
{
    auto list = platform::adoptRef(new ListScreen);
    auto header = dynamicRef<QVTabbedPageHeaderController>(QVTabbedPageHeaderController::qvCreateInstance());
    header->init();
    header->setCallbackTarget(list.get());
    for (const char* name : { "All Time", "Today", "This week" })
        header->addTab(name, BRISKO_SELECTOR(ListScreen, showFriends));
    auto over = View::viewWithFrame(Rect(0, 0, 308, 400));
    header->resizeView(over.get());
    QVTabBar* bar = header->tabBar();
    bar->setFrame(header->view()->bounds());
    header->setBadgeValueForTabNamed("3", "This week");
    bar->layoutSubviews();
    for (auto& item : bar->items()) {
        item->layoutSubviews();
        Rect f = item->frame();
        EXPECT_GE(f.minX(), 0) << item->name();
        EXPECT_LE(f.maxX(), bar->bounds().size.width) << item->name();
    }
    QVTabBarItem* last = bar->items()[2].get();
    ASSERT_FALSE(last->badgeView()->isHidden());
    Label* name = last->nameLabel();
    ASSERT_TRUE(name && name->font());
    // The name (shrunk to its room when it must be) ends left of the badge.
    float text = name->currentLayout().size.width;
    float textRight = name->frame().midX() + text / 2;
    EXPECT_LE(textRight, last->badgeView()->frame().minX() + 1) << "the badge covers the name's last letter";
    EXPECT_FALSE(name->currentLayout().truncated);
    EXPECT_LE(last->badgeView()->frame().maxX(), last->bounds().size.width);
}

TEST_F(TabBarTest, HidingTheStripGivesTheSelectedScreenTheWholeHeight)
{
    auto bar = barInWindow();
    bar->addViewController("One", "One", nullptr, nullptr, nullptr);
    bar->showTabAtIndex(0);
    View* screen = bar->selectedViewController()->view();
    bar->hideTabBar();
    EXPECT_EQ(screen->frame(), Rect(0, 0, 320, 480));
    EXPECT_FALSE(bar->isHidden());
    settle(0.5);
    EXPECT_TRUE(bar->isHidden());
    bar->showTabBar();
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(screen->frame(), Rect(0, 0, 320, 431));
    EXPECT_EQ(bar->frame(), Rect(0, 431, 320, 49));
}

TEST_F(TabBarTest, ThePulseRunsOnlyWhileTheTabIsActive)
{
    auto bar = barInWindow();
    bar->pulse = true;
    bar->addViewController("One", "One", nullptr, nullptr, nullptr);
    bar->addViewController("Two", "Two", nullptr, nullptr, nullptr);
    bar->showTabAtIndex(0);
    ImageView* icon = bar->items()[0]->imageView();
    settle(0.2);
    EXPECT_FLOAT_EQ(icon->alpha(), 0.5f);
    settle(1.75);
    EXPECT_FLOAT_EQ(icon->alpha(), 1.0f);
    settle(1.75);
    EXPECT_FLOAT_EQ(icon->alpha(), 0.5f);
    bar->showTabAtIndex(1);
    settle(4);
    EXPECT_FLOAT_EQ(icon->alpha(), 1.0f);
}

} // namespace tab_tests

namespace tab_tests {

TEST_F(TabBarTest, ImageSegmentsTakeTheWidthOfTheirPictures)
{
    auto bar = barInWindow();
    bar->style = QVTabBar::ImageSegments;
    bar->leftPadding = 4;
    auto wide = ImageAsset::create("wide", platform::Size(100, 30));
    auto narrow = ImageAsset::create("narrow", platform::Size(60, 30));
    bar->addSegmentNamed("A", wide.get(), nullptr, nullptr);
    bar->addSegmentNamed("B", narrow.get(), nullptr, nullptr);
    settle();
    EXPECT_EQ(bar->items()[0]->frame(), Rect(4, 0, 100, 49));
    EXPECT_EQ(bar->items()[1]->frame(), Rect(104, 0, 60, 49));
    // The active picture fades in over the background.
    bar->showTabAtIndex(1);
    EXPECT_FLOAT_EQ(bar->items()[1]->imageView()->alpha(), 1);
    EXPECT_FLOAT_EQ(bar->items()[0]->imageView()->alpha(), 0);
}

TEST_F(TabBarTest, ADisabledTabWithoutItsOwnPictureIsVeiled)
{
    auto bar = barInWindow();
    bar->disabledOverlayIconImage = ImageAsset::create("lock", platform::Size(20, 20));
    bar->addViewController("One", "One", nullptr, nullptr, nullptr);
    bar->addViewController("Two", "Two", nullptr, nullptr, nullptr);
    bar->disableTabAtIndex(1);
    QVTabBarItem* item = bar->items()[1].get();
    ASSERT_TRUE(item->overlayView());
    EXPECT_TRUE(item->imageView()->isHidden());
    EXPECT_EQ(item->nameLabel()->textColor(), Color::white(0.25f));
    bar->enableAllTabs();
    EXPECT_FALSE(item->imageView()->isHidden());
}

} // namespace tab_tests
