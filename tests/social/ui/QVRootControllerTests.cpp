// The root controller: move-in and reveal with their appearance calls and the
// handshake with the central class on the manual clock, the replaced screen,
// keyboard compensation and in-frame modal screens on a tablet.
#include "ScreenTestKit.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/Keyboard.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVResumeView.h"
#include "social/ui/QVRootController.h"
#include "social/ui/QVTabBarController.h"
#include "social/ui/QVViewController.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace root_tests {

// Records its appearance calls into a shared log.
class LoggingScreen : public ViewController {
public:
    static Ref<LoggingScreen> make(std::vector<std::string>& log, const std::string& name)
    {
        auto s = platform::adoptRef(new LoggingScreen);
        s->init();
        s->log_ = &log;
        s->name_ = name;
        return s;
    }
    void viewWillAppear(bool) override { log_->push_back(name_ + ".willAppear"); }
    void viewDidAppear(bool) override { log_->push_back(name_ + ".didAppear"); }
    void viewWillDisappear(bool) override { log_->push_back(name_ + ".willDisappear"); }
    void viewDidDisappear(bool) override { log_->push_back(name_ + ".didDisappear"); }

private:
    std::vector<std::string>* log_ { nullptr };
    std::string name_;
};

class ModalContentScreen : public ViewController, public QVInitialModalContentPresenter {
public:
    int presented { 0 };
    void _presentModalContentController() override { ++presented; }
};

class RootTest : public screen_testing::ScreenTest {
protected:
    // As the central class puts the root up: loaded by name, held, its view in the window.
    Ref<QVRootController> putUpRoot()
    {
        auto root = dynamicRef<QVRootController>(QVControllerLoader::load("Root"));
        EXPECT_TRUE(root);
        host().root = root.get();
        root->notifyViewWillAppear(true);
        window()->addSubview(root->view());
        root->notifyViewDidAppear(true);
        return root;
    }
    // The host's calls interleaved with the screens' appearance calls.
    std::vector<std::string> events()
    {
        std::vector<std::string> out = screenLog;
        for (auto& c : host().calls)
            out.push_back("host." + c);
        return out;
    }
    std::vector<std::string> screenLog;
};

TEST_F(RootTest, OpeningMovesInAndTellsTheCentralClassWhenTheMoveEnds)
{
    auto root = putUpRoot();
    auto screen = LoggingScreen::make(screenLog, "screen");
    root->setTransitionIn(TransitionSubtype::FromTop);
    root->showController(screen.get());

    EXPECT_EQ(screenLog, (std::vector<std::string> { "screen.willAppear" }));
    EXPECT_EQ(root->contentController(), screen.get());
    EXPECT_EQ(screen->view()->superview(), root->containerView());
    EXPECT_EQ(screen->view()->frame(), QVDashboardRole::current().getDashboardBounds());
    auto* t = dynamic_cast<Transition*>(root->containerView()->layer()->animationForKey("transition"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->type(), TransitionType::MoveIn);
    EXPECT_EQ(t->subtype(), TransitionSubtype::FromTop);
    EXPECT_DOUBLE_EQ(t->duration(), 0.5);
    EXPECT_EQ(t->timingFunction(), TimingFunction::EaseInEaseOut);
    EXPECT_FLOAT_EQ(root->bgOverlay()->alpha(), 1.0f);

    settle(0.4);
    EXPECT_TRUE(host().calls.empty());
    settle(0.2);
    EXPECT_EQ(events(), (std::vector<std::string> { "screen.willAppear", "screen.didAppear", "host.animationDidStop" }));
}

// The central class let go of the root while it slid (the client shut down,
// maybe started again): its slide's end is nobody's news.
TEST_F(RootTest, ARootLetGoOfTellsNobodyItsMoveEnded)
{
    auto root = putUpRoot();
    root->showController(LoggingScreen::make(screenLog, "screen").get());
    host().root = nullptr;
    settle(0.6);
    EXPECT_TRUE(host().calls.empty());
}

TEST_F(RootTest, ClosingRevealsThenDropsTheScreenBeforeTellingTheCentralClass)
{
    auto root = putUpRoot();
    auto screen = LoggingScreen::make(screenLog, "screen");
    root->showController(screen.get());
    settle(0.6);
    screenLog.clear();
    host().calls.clear();

    root->setTransitionOut(TransitionSubtype::FromBottom);
    root->hideController();
    EXPECT_EQ(screenLog, (std::vector<std::string> { "screen.willDisappear" }));
    auto* t = dynamic_cast<Transition*>(root->containerView()->layer()->animationForKey("transition"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->type(), TransitionType::Reveal);
    EXPECT_EQ(t->subtype(), TransitionSubtype::FromBottom);
    EXPECT_TRUE(root->containerView()->isHidden());
    EXPECT_FLOAT_EQ(root->bgOverlay()->alpha(), 0.0f);

    settle(0.6);
    EXPECT_EQ(events(), (std::vector<std::string> { "screen.willDisappear", "screen.didDisappear", "host.animationDidStop" }));
    EXPECT_EQ(root->contentController(), nullptr);
    EXPECT_FALSE(screen->isViewLoaded());

    // The central class then clears the root.
    root->cleanupSubviews();
    EXPECT_TRUE(root->view()->subviews().empty());
}

TEST_F(RootTest, HidingWithoutAScreenStartsNothing)
{
    auto root = putUpRoot();
    root->hideController();
    EXPECT_EQ(root->containerView()->layer()->runningAnimationCount(), 0u);
    EXPECT_FALSE(root->containerView()->isHidden());
    settle(1);
    EXPECT_TRUE(host().calls.empty());
}

TEST_F(RootTest, ASecondScreenReplacesTheFirstAtOnceWithoutDisappearing)
{
    auto root = putUpRoot();
    auto first = LoggingScreen::make(screenLog, "first");
    auto second = LoggingScreen::make(screenLog, "second");
    root->showController(first.get());
    settle(0.6);
    root->showController(second.get());
    EXPECT_EQ(root->contentController(), second.get());
    // The old view stays behind the new one while it moves in, then leaves.
    auto& subs = root->containerView()->subviews();
    ASSERT_EQ(subs.size(), 2u);
    EXPECT_EQ(subs[0].get(), first->view());
    EXPECT_EQ(subs[1].get(), second->view());
    settle(0.6);
    EXPECT_EQ(screenLog, (std::vector<std::string> { "first.willAppear", "first.didAppear", "second.willAppear",
                                                     "second.didAppear" }));
    ASSERT_EQ(root->containerView()->subviews().size(), 1u);
    EXPECT_EQ(first->view()->superview(), nullptr);
}

TEST_F(RootTest, ClosingDuringTheMoveInEndsOnceAsAClose)
{
    auto root = putUpRoot();
    auto screen = LoggingScreen::make(screenLog, "screen");
    root->showController(screen.get());
    settle(0.2);
    root->hideController();
    settle(1);
    EXPECT_EQ(events(), (std::vector<std::string> { "screen.willAppear", "screen.willDisappear", "screen.didDisappear",
                                                    "host.animationDidStop" }));
    EXPECT_EQ(root->contentController(), nullptr);
}

TEST_F(RootTest, ReopeningAfterACloseShowsTheContainerAgain)
{
    auto root = putUpRoot();
    auto first = LoggingScreen::make(screenLog, "first");
    root->showController(first.get());
    settle(0.6);
    root->hideController();
    settle(0.6);
    auto second = LoggingScreen::make(screenLog, "second");
    root->showController(second.get());
    EXPECT_FALSE(root->containerView()->isHidden());
    settle(0.6);
    EXPECT_EQ(screenLog.back(), "second.didAppear");
    EXPECT_EQ(root->contentController(), second.get());
}

TEST_F(RootTest, InitialModalContentIsPresentedHalfASecondAfterTheShow)
{
    host().initialModalURL = "client_webviews/x";
    auto root = putUpRoot();
    auto screen = platform::adoptRef(new ModalContentScreen);
    screen->init();
    root->showController(screen.get());
    settle(0.5);
    EXPECT_EQ(screen->presented, 0);
    EXPECT_TRUE(host().initialModalURL.empty());
    settle(0.5);
    EXPECT_EQ(screen->presented, 1);
}

TEST_F(RootTest, OnlyTheDashboardOrientationRotates)
{
    host().orientation = InterfaceOrientation::LandscapeRight;
    auto root = putUpRoot();
    EXPECT_TRUE(root->shouldAutorotateToInterfaceOrientation(InterfaceOrientation::LandscapeRight));
    EXPECT_FALSE(root->shouldAutorotateToInterfaceOrientation(InterfaceOrientation::LandscapeLeft));
    EXPECT_FALSE(root->shouldAutorotateToInterfaceOrientation(InterfaceOrientation::Portrait));
}

TEST_F(RootTest, PhoneHasNoShadowAndNoKeyboardObservers)
{
    size_t before = platform::NotificationCenter::defaultCenter().observerCount();
    auto root = putUpRoot();
    EXPECT_EQ(root->bgDropShadow(), nullptr);
    EXPECT_EQ(platform::NotificationCenter::defaultCenter().observerCount(), before);
}

TEST_F(RootTest, TabletPutsTheShadowAroundTheDashboard)
{
    useDevice(Device::Tablet);
    auto root = putUpRoot();
    ASSERT_TRUE(root->bgDropShadow());
    EXPECT_EQ(root->containerView()->subviews().front().get(), root->bgDropShadow());
    EXPECT_EQ(root->bgDropShadow()->frame(), Rect(0, 0, 646, 486));

    // The dashboard does not sit in the screen's corner: centred across it, at the resting height.
    auto screen = LoggingScreen::make(screenLog, "dashboard");
    root->showController(screen.get());
    settle(1);
    Rect shown = screen->view()->convertRectTo(screen->view()->bounds(), window());
    Rect whole = window()->bounds();
    EXPECT_EQ(shown.size, platform::Size(640, 480));
    EXPECT_NEAR(shown.midX(), whole.midX(), 1);
    EXPECT_FLOAT_EQ(root->containerView()->center().y, QVRootController::kKeyboardPortraitCenterY);
    EXPECT_GT(shown.minY(), 100);
    EXPECT_LT(shown.maxY(), whole.maxY() - 100);
    Rect shadow = root->bgDropShadow()->convertRectTo(root->bgDropShadow()->bounds(), window());
    EXPECT_EQ(shadow, shown.insetBy(-3, -3)) << "the shadow stays around the dashboard";
}

TEST_F(RootTest, TabletShadowDarkensTheScreenJustOutsideTheDashboard)
{
    useDevice(Device::Tablet);
    auto root = putUpRoot();
    auto screen = LoggingScreen::make(screenLog, "dashboard");
    root->showController(screen.get());
    screen->view()->setBackgroundColor(Color::rgb(0.1f, 0.2f, 0.8f));
    settle(1);
    Rect shown = screen->view()->convertRectTo(screen->view()->bounds(), window());
    auto image = render("tablet_dashboard_shadow");
    ASSERT_TRUE(image);
    const int left = static_cast<int>(shown.minX()), top = static_cast<int>(shown.minY());
    const int midX = static_cast<int>(shown.midX()), midY = static_cast<int>(shown.midY());
    // A point or two off each side the screen is visibly darker than farther away.
    const int far = screen_testing::pixelAt(*image, left - 20, midY).r;
    for (auto [x, y] : { std::pair { left - 2, midY }, std::pair { midX, top - 2 },
                         std::pair { static_cast<int>(shown.maxX()) + 1, midY },
                         std::pair { midX, static_cast<int>(shown.maxY()) + 1 } }) {
        screen_testing::Pixel p = screen_testing::pixelAt(*image, x, y);
        EXPECT_LT(p.r, far - 25) << x << "," << y;
        EXPECT_NEAR(p.r, p.b, 2) << "a grey shadow, not the dashboard's own colour";
    }
}

TEST_F(RootTest, TabletKeyboardMovesTheContainerOnlyAcrossLandscapeAndPortrait)
{
    useDevice(Device::Tablet);
    host().orientation = InterfaceOrientation::LandscapeLeft;
    auto root = putUpRoot();
    auto& center = platform::NotificationCenter::defaultCenter();
    center.post(kKeyboardWillShowNotification);
    EXPECT_TRUE(root->keyboardShowing());
    float lifted = root->containerView()->bounds().size.height / 2 + 30;
    EXPECT_FLOAT_EQ(root->containerView()->center().y, lifted);

    auto rotate = [&](int to, int from) {
        platform::ValueDictionary info;
        info.set(QVRootController::kInfoNewOrientation, platform::Value(to));
        info.set(QVRootController::kInfoOldOrientation, platform::Value(from));
        center.post(QVRootController::kOrientationChangedNotification, nullptr, platform::Value(std::move(info)));
    };
    rotate(3, 4);
    EXPECT_FLOAT_EQ(root->containerView()->center().y, lifted);
    rotate(1, 3);
    EXPECT_FLOAT_EQ(root->containerView()->center().y, 491);

    center.post(kKeyboardWillHideNotification);
    EXPECT_FALSE(root->keyboardShowing());
    EXPECT_FLOAT_EQ(root->containerView()->center().y, 373);
}

TEST_F(RootTest, KeyboardObserversEndWithTheRootController)
{
    useDevice(Device::Tablet);
    auto& center = platform::NotificationCenter::defaultCenter();
    size_t before = center.observerCount();
    {
        auto root = putUpRoot();
        EXPECT_EQ(center.observerCount(), before + 3);
        // The central class lets go of the root without a disappearance.
        root->view()->removeFromSuperview();
    }
    EXPECT_EQ(center.observerCount(), before);
    center.post(kKeyboardWillShowNotification); // reaches nobody
}

TEST_F(RootTest, TabletModalShowsInsideTheContentAndIsLetGoWhenItsHideEnds)
{
    useDevice(Device::Tablet);
    auto root = putUpRoot();
    auto content = LoggingScreen::make(screenLog, "content");
    root->showController(content.get());
    settle(0.6);
    auto modal = LoggingScreen::make(screenLog, "modal");
    root->presentModalViewController(modal.get(), true);
    EXPECT_EQ(modal->view()->superview(), content->view());
    EXPECT_EQ(modal->view()->frame(), content->view()->bounds());
    EXPECT_EQ(root->modalViewController(), modal.get());
    auto* t = dynamic_cast<Transition*>(modal->view()->layer()->animationForKey("transition"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->type(), TransitionType::MoveIn);
    settle(0.6);

    root->dismissModalViewControllerAnimated(true);
    EXPECT_TRUE(modal->view()->isHidden());
    settle(0.6);
    EXPECT_EQ(root->modalViewController(), nullptr);
    EXPECT_EQ(root->nonFullscreenModalController(), nullptr);
    EXPECT_EQ(screenLog.back(), "modal.didDisappear");
}

TEST_F(RootTest, ResumeViewSitsUnderTheBarAndCallsItsTarget)
{
    struct Target : platform::Object {
        int taps { 0 };
        void resume() { ++taps; }
    };
    auto target = platform::adoptRef(new Target);
    auto view = QVResumeView::withActionAndTarget(BRISKO_SELECTOR(Target, resume), target.get());
    ASSERT_TRUE(view);
    Rect bg = view->backgroundView()->frame();
    EXPECT_FLOAT_EQ(bg.origin.x, 5);
    EXPECT_FLOAT_EQ(bg.origin.y + bg.size.height, 44);
    view->touchesEnded(Touch {});
    EXPECT_EQ(target->taps, 1);
}

} // namespace root_tests

namespace root_tests {

class TypingScreen : public QVViewController, public QVKeyboardAdjustment {
public:
    float _keyboardAdjustment() override { return 120; }
};

// Tabs whose screens are framed stacks topped by a screen that asks for keyboard room.
class KeyboardTabs : public QVTabBarController {
public:
    std::optional<Ref<ViewController>> tabBarLoadViewController(QVTabBar*, const std::string&, QVTabBarItem*) override
    {
        auto screen = platform::adoptRef(new TypingScreen);
        screen->init();
        return Ref<ViewController>(QVFramedNavigationController::withRootViewController(screen.get()));
    }
};

TEST_F(RootTest, TabletKeyboardReachesTheFramedStacksOfEveryTab)
{
    useDevice(Device::Tablet);
    host().orientation = InterfaceOrientation::LandscapeLeft;
    auto root = putUpRoot();
    auto tabs = platform::adoptRef(new KeyboardTabs);
    tabs->init();
    tabs->addViewController("A", "A", "", "", "");
    tabs->addViewController("B", "B", "", "", "");
    root->showController(tabs.get());
    tabs->showTabAtIndex(1);
    tabs->showTabAtIndex(0);
    settle(0.6);

    platform::NotificationCenter::defaultCenter().post(kKeyboardWillShowNotification);
    for (auto& item : tabs->tabBarItems()) {
        auto* framed = dynamic_cast<QVFramedNavigationController*>(item->viewController());
        ASSERT_TRUE(framed);
        EXPECT_TRUE(framed->isKeyboardShown());
        EXPECT_FLOAT_EQ(framed->keyboardHeight(), 120);
    }
    platform::NotificationCenter::defaultCenter().post(kKeyboardWillHideNotification);
    auto* first = dynamic_cast<QVFramedNavigationController*>(tabs->tabBarItems()[0]->viewController());
    EXPECT_FALSE(first->isKeyboardShown());
}

} // namespace root_tests
