// Screen bases: the dashboard's one orientation, the one loading overlay of a
// navigation stack, the tab bar that slides away once for screens with their
// own bottom view, title labels and close buttons, and the view-tree helpers.
#include "ScreenTestKit.h"

#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVLoadingController.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVTabBar.h"
#include "social/ui/QVTabBarContainer.h"
#include "social/ui/QVViewController.h"
#include "social/ui/QVViewHelper.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace base_tests {

class BottomViewScreen : public QVViewController, public QVCustomBottomView {
    QV_DECLARE_CLASS(BottomViewScreen)
};

Ref<QVViewController> plainScreen() { return dynamicRef<QVViewController>(QVViewController::qvCreateInstance()); }

Ref<BottomViewScreen> bottomScreen() { return dynamicRef<BottomViewScreen>(BottomViewScreen::qvCreateInstance()); }

class ScreenBaseTest : public screen_testing::ScreenTest {
protected:
    // A tab container (content above a 49-point tab bar) holding a navigation stack.
    Ref<QVNavigationController> stackInTabs(ViewController* root)
    {
        root->init();
        auto nav = QVNavigationController::withRootViewController(root);
        container = dynamicRef<QVTabBarContainer>(QVTabBarContainer::qvCreateInstance());
        container->initWithFrame(Rect(0, 0, 320, 480));
        tabBar = dynamicRef<QVTabBar>(QVTabBar::qvCreateInstance());
        tabBar->initWithFrame(Rect(0, 431, 320, 49));
        nav->view()->setFrame(Rect(0, 0, 320, 431));
        container->addSubview(nav->view());
        container->addSubview(tabBar);
        window()->addSubview(container);
        nav->notifyViewWillAppear(false);
        nav->notifyViewDidAppear(false);
        return nav;
    }
    Ref<QVTabBarContainer> container;
    Ref<QVTabBar> tabBar;
};

TEST_F(ScreenBaseTest, ScreensAllowOnlyTheDashboardOrientation)
{
    host().orientation = InterfaceOrientation::LandscapeLeft;
    auto screen = plainScreen();
    screen->init();
    auto nav = QVNavigationController::withRootViewController(screen);
    EXPECT_TRUE(screen->shouldAutorotateToInterfaceOrientation(InterfaceOrientation::LandscapeLeft));
    EXPECT_FALSE(screen->shouldAutorotateToInterfaceOrientation(InterfaceOrientation::Portrait));
    EXPECT_FALSE(screen->shouldAutorotateToInterfaceOrientation(InterfaceOrientation::LandscapeRight));
    EXPECT_FALSE(nav->shouldAutorotateToInterfaceOrientation(InterfaceOrientation::PortraitUpsideDown));
}

TEST_F(ScreenBaseTest, CallbacksReachAScreenOnlyWhileItIsInAStack)
{
    auto root = plainScreen();
    auto nav = stackInTabs(root);
    auto pushed = plainScreen();
    pushed->init();
    EXPECT_FALSE(pushed->canReceiveCallbacksNow());
    nav->pushViewController(pushed, false);
    EXPECT_TRUE(pushed->canReceiveCallbacksNow());
    nav->popViewControllerAnimated(false);
    EXPECT_FALSE(pushed->canReceiveCallbacksNow());
}

TEST_F(ScreenBaseTest, BottomViewScreensSlideTheTabBarDownOnceAndBackOnPop)
{
    auto root = plainScreen();
    auto nav = stackInTabs(root);
    const float down = 49 + QVBadgeView::minimumSize().height;
    auto first = bottomScreen();
    first->init();
    nav->pushViewController(first, true);
    settle(NavigationController::kTransitionDuration);
    EXPECT_EQ(tabBar->frame().origin.y, 431 + down);
    EXPECT_EQ(nav->view()->frame().size.height, 480);
    ASSERT_FALSE(View::runningAnimations().empty());
    EXPECT_EQ(View::runningAnimations().back().name, "tabBarSlide");
    EXPECT_DOUBLE_EQ(View::runningAnimations().back().duration, 0.325);
    // The visible screen takes the container's height less the bar and the status bar.
    EXPECT_EQ(first->view()->frame().size.height, 480 - 44 - 20);
    // Slid out, the bar leaves the screen hidden (nothing of it drawn or hit below the window).
    EXPECT_FALSE(tabBar->isHidden());
    settle(0.4);
    EXPECT_TRUE(tabBar->isHidden());

    auto second = bottomScreen();
    second->init();
    nav->pushViewController(second, false);
    EXPECT_EQ(tabBar->frame().origin.y, 431 + down);

    nav->popToRootViewControllerAnimated(false);
    EXPECT_EQ(tabBar->frame().origin.y, 431);
    EXPECT_EQ(nav->view()->frame().size.height, 431);
    EXPECT_FALSE(tabBar->isHidden());
}

TEST_F(ScreenBaseTest, TabletSlidesTheTabBarFurther)
{
    useDevice(Device::Tablet);
    auto nav = stackInTabs(plainScreen());
    auto screen = bottomScreen();
    screen->init();
    nav->pushViewController(screen, false);
    EXPECT_EQ(tabBar->frame().origin.y, 431 + 49 + 29 + 376);
}

TEST_F(ScreenBaseTest, OnAnUprightTabletTheSlidScreenLosesOnlyTheStatusBarsThickness)
{
    // A tablet's dashboard counts as landscape, but the status bar lies across the top.
    useDevice(Device::Tablet);
    auto nav = stackInTabs(plainScreen());
    auto screen = bottomScreen();
    screen->init();
    nav->pushViewController(screen, false);
    EXPECT_EQ(screen->view()->frame().size.height, 480 - 44 - 20);
}

TEST_F(ScreenBaseTest, StackShowsOneLoadingOverlayAtATime)
{
    auto root = plainScreen();
    auto nav = stackInTabs(root);
    nav->showLoadingIndicator();
    QVLoadingController* overlay = nav->loadingController();
    ASSERT_TRUE(overlay);
    EXPECT_EQ(overlay->view()->superview(), nav->view());
    // Just below the navigation bar.
    auto& subs = nav->view()->subviews();
    auto overlayAt = std::find(subs.begin(), subs.end(), Ref<View>(overlay->view())) - subs.begin();
    auto barAt = std::find(subs.begin(), subs.end(), Ref<View>(nav->navigationBar())) - subs.begin();
    EXPECT_EQ(overlayAt + 1, barAt);

    nav->showLoadingIndicator();
    EXPECT_EQ(nav->loadingController(), overlay);
    size_t overlays = std::count_if(subs.begin(), subs.end(),
                                    [](const Ref<View>& v) { return dynamic_cast<QVLoadingView*>(v.get()); });
    EXPECT_EQ(overlays, 1u);

    root->hideLoadingScreen();
    EXPECT_EQ(nav->loadingController(), nullptr);
    settle(1);
    EXPECT_EQ(std::count_if(subs.begin(), subs.end(),
                            [](const Ref<View>& v) { return dynamic_cast<QVLoadingView*>(v.get()); }),
              0);
}

// The screen underneath is answered while the one in front still loads: the
// front screen's overlay stays until its own answer.
TEST_F(ScreenBaseTest, ACoveredScreensAnswerLeavesTheFrontScreensOverlay)
{
    auto root = plainScreen();
    auto nav = stackInTabs(root);
    root->showLoadingScreen();
    auto front = plainScreen();
    front->init();
    nav->pushViewController(front, false);
    settle(1);
    front->showLoadingScreen();
    QVLoadingController* overlay = nav->loadingController();
    ASSERT_TRUE(overlay);
    root->hideLoadingScreen();
    EXPECT_EQ(nav->loadingController(), overlay);
    front->hideLoadingScreen();
    EXPECT_EQ(nav->loadingController(), nullptr);

    // Leaving, the front screen takes its overlay with it.
    front->showLoadingScreen();
    nav->popViewControllerAnimated(false);
    settle(1);
    EXPECT_EQ(nav->loadingController(), nullptr);

    // In a tab not on show a screen leaves unseen (no disappearance to hear, its answers
    // dropped): its overlay goes as the stack shows the screen under it.
    nav->setIsInHiddenTab(true);
    nav->notifyViewWillDisappear(false);
    nav->notifyViewDidDisappear(false);
    nav->pushViewController(front, false);
    settle(1);
    front->showLoadingScreen();
    ASSERT_TRUE(nav->loadingController());
    nav->popViewControllerAnimated(false);
    settle(1);
    EXPECT_EQ(nav->loadingController(), nullptr);

    // Out of sight (its tab hidden), a late answer makes the front screen load again; the stack is
    // then taken back to its root: the screen hears no disappearance and its answer is dropped,
    // so the stack lets its overlay go with it.
    nav->pushViewController(front, false);
    settle(1);
    nav->notifyViewWillDisappear(false);
    nav->notifyViewDidDisappear(false);
    front->showLoadingScreen();
    ASSERT_TRUE(nav->loadingController());
    nav->popToRootViewControllerAnimated(false);
    EXPECT_EQ(nav->loadingController(), nullptr);
}

TEST_F(ScreenBaseTest, NavigationBarGetsTheClientLookAndBackground)
{
    auto nav = stackInTabs(plainScreen());
    EXPECT_EQ(nav->navigationBar()->barStyle(), NavigationBar::Style::Black);
    ASSERT_TRUE(nav->navBarBackgroundView());
    EXPECT_EQ(nav->navigationBar()->subviews().front().get(), nav->navBarBackgroundView());
    auto* image = dynamic_cast<ImageView*>(nav->navBarBackgroundView())->image();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->name(), "QVNavBar.png");
    EXPECT_EQ(image->leftCapWidth(), 5);
    EXPECT_EQ(nav->view()->subviews().front().get(), nav->backgroundView());
    nav->hideBackground();
    EXPECT_EQ(nav->backgroundView()->superview(), nullptr);
}

TEST_F(ScreenBaseTest, TitleLabelsAndCloseButtons)
{
    auto screen = plainScreen();
    screen->init();
    screen->setTitle("A very long title of a screen that does not fit in the bar at all");
    QVNavigationController::addTitleLabelToViewController(screen);
    auto* label = dynamic_cast<Label*>(screen->navigationItem()->titleView());
    ASSERT_TRUE(label);
    EXPECT_EQ(label->font()->pointSize(), 18);
    EXPECT_LE(label->frame().size.width, 250);
    EXPECT_LE(label->frame().size.height, 30);
    EXPECT_EQ(label->lineBreakMode(), platform::LineBreakMode::MiddleTruncation);

    QVNavigationController::addCloseButtonToViewController(screen, screen, BRISKO_SELECTOR(QVViewController, showLoadingScreen));
    ASSERT_TRUE(screen->navigationItem()->rightBarButtonItem());
    EXPECT_EQ(screen->navigationItem()->rightBarButtonItem()->systemItem(), BarButtonItem::SystemItem::Cancel);
    QVNavigationController::addCloseButtonToViewController(screen, screen, BRISKO_SELECTOR(QVViewController, showLoadingScreen),
                                                           true, BarButtonItem::SystemItem::Done);
    EXPECT_EQ(screen->navigationItem()->leftBarButtonItem()->systemItem(), BarButtonItem::SystemItem::Done);
}

TEST_F(ScreenBaseTest, FirstScrollViewFitsItsSubviewsPlusPadding)
{
    auto screen = plainScreen();
    screen->init();
    auto root = View::viewWithFrame(Rect(0, 0, 320, 480));
    auto scroll = ScrollView::scrollViewWithFrame(Rect(0, 0, 320, 400));
    scroll->addSubview(View::viewWithFrame(Rect(10, 20, 100, 500)));
    scroll->addSubview(View::viewWithFrame(Rect(0, 0, 300, 40)));
    root->addSubview(scroll);
    screen->setView(root);
    screen->view();
    EXPECT_EQ(scroll->contentSize(), platform::Size(300, 530));
}

TEST_F(ScreenBaseTest, ReturnKeysByTagStopAtTheFirstGap)
{
    auto form = View::viewWithFrame(Rect(0, 0, 320, 480));
    std::vector<Ref<TextField>> fields;
    for (int tag : { 1, 2, 4 }) {
        auto f = TextField::textFieldWithFrame(Rect(0, 40.0f * tag, 200, 30));
        f->setTag(tag);
        form->addSubview(f);
        fields.push_back(f);
    }
    QVViewHelper::setReturnKeysByTag(form, ReturnKeyType::Done);
    EXPECT_EQ(fields[0]->returnKeyType(), ReturnKeyType::Next);
    EXPECT_EQ(fields[1]->returnKeyType(), ReturnKeyType::Done);
    EXPECT_EQ(fields[2]->returnKeyType(), ReturnKeyType::Default);

    fields[2]->setTag(3);
    QVViewHelper::setReturnKeysByTag(form, ReturnKeyType::Go);
    EXPECT_EQ(fields[1]->returnKeyType(), ReturnKeyType::Next);
    EXPECT_EQ(fields[2]->returnKeyType(), ReturnKeyType::Go);
    EXPECT_EQ(QVViewHelper::subviewsExtent(form), platform::Size(200, 190));
    EXPECT_EQ(QVViewHelper::findAncestorOfClass<View>(fields[0].get()), fields[0].get());
    EXPECT_EQ(QVViewHelper::findViewByTag(form, 3), fields[2].get());
}

} // namespace base_tests

namespace base_tests {
QV_REGISTER_CLASS(BottomViewScreen);
}

#include "social/ui/QVShowMessageAndReturnController.h"

namespace base_tests {

class FakeIntroFrame : public QVIntroFrame {
public:
    NavigationController* nav { nullptr };
    std::vector<std::string> calls;
    View* shown { nullptr };
    void displayLoadingView(View* overlay) override { calls.push_back("display"); shown = overlay; }
    void removeLoadingView() override { calls.push_back("remove"); }
    void setFullscreenFrame(bool on) override { calls.push_back(on ? "fullscreen" : "framed"); }
    NavigationController* navController() override { return nav; }
};

TEST_F(ScreenBaseTest, TheIntroFrameShowsTheOverlayOfItsOwnStack)
{
    FakeIntroFrame intro;
    auto root = plainScreen();
    root->init();
    auto nav = QVNavigationController::withRootViewController(root);
    driver().showController(nav);
    intro.nav = nav.get();
    host().introFrame = &intro;
    EXPECT_TRUE(root->isCurrentlyInIntroFlow());
    root->showLoadingScreen();
    ASSERT_TRUE(nav->loadingController());
    EXPECT_EQ(intro.shown, nav->loadingController()->view());
    root->hideLoadingScreen();
    EXPECT_EQ(intro.calls, (std::vector<std::string> { "display", "remove" }));
    settle(1);

    auto message = dynamicRef<QVShowMessageAndReturnController>(QVControllerLoader::load("ShowMessageAndReturn"));
    intro.calls.clear();
    nav->pushViewController(message, false);
    nav->popViewControllerAnimated(false);
    // The root leaving hides the stack's indicator (the intro frame is told each time).
    EXPECT_EQ(intro.calls, (std::vector<std::string> { "remove", "fullscreen", "framed" }));
    host().introFrame = nullptr;
    EXPECT_FALSE(root->isCurrentlyInIntroFlow());
}

TEST_F(ScreenBaseTest, ScreenShowsAnOverlayOfItsOwnWithAMessage)
{
    auto screen = plainScreen();
    screen->init();
    screen->showLoadingScreenWithMessage("Saving");
    ASSERT_TRUE(screen->loadingScreen());
    EXPECT_EQ(screen->loadingScreen()->view()->superview(), screen->view());
    // Without a stack there is no stack overlay to show or hide.
    screen->showLoadingScreen();
    screen->setBadgeValue("3");
    EXPECT_EQ(screen->badgeValue(), "3");
}

} // namespace base_tests
