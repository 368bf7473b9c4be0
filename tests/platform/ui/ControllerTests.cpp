// Controllers: lazy views, appearance calls through the wrappers, navigation
// stacks with their delegate calls, modal presentation, memory warnings.
#include "UiTestSupport.h"

#include "platform/ui/NavigationController.h"

using namespace platform;
using namespace platform::ui;
using ui_test::CallLog;
using ui_test::UiTest;

namespace {

class Page : public ViewController {
public:
    static Ref<Page> make(CallLog& log, const std::string& name, bool callBase = true)
    {
        auto s = adoptRef(new Page);
        s->init();
        s->log = &log;
        s->name = name;
        s->callBase = callBase;
        return s;
    }
    void viewDidLoad() override { log->add(name + " load"); }
    void viewDidUnload() override { log->add(name + " unload"); }
    // Deliberately never calls the base class when callBase is off.
    void viewWillAppear(bool) override { log->add(name + " willAppear"); }
    void viewDidAppear(bool) override { log->add(name + " didAppear"); }
    void viewWillDisappear(bool) override { log->add(name + " willDisappear"); }
    void viewDidDisappear(bool) override { log->add(name + " didDisappear"); }
    CallLog* log { nullptr };
    std::string name;
    bool callBase { true };
};

class NavRecorder : public NavigationControllerDelegate {
public:
    explicit NavRecorder(CallLog& l) : log(l) { }
    void navigationControllerWillShow(NavigationController*, ViewController* c, bool) override { log.add("willShow " + static_cast<Page*>(c)->name); }
    void navigationControllerDidShow(NavigationController*, ViewController* c, bool) override { log.add("didShow " + static_cast<Page*>(c)->name); }
    CallLog& log;
};

} // namespace

TEST_F(UiTest, ViewLoadsOnFirstUseAndUnloadsOffScreen)
{
    CallLog calls;
    auto s = Page::make(calls, "A");
    EXPECT_FALSE(s->isViewLoaded());
    View* v = s->view();
    EXPECT_TRUE(s->isViewLoaded());
    EXPECT_EQ(s->view(), v);
    EXPECT_EQ(v->viewController(), s.get());
    EXPECT_EQ(v->frame(), platform::ui::Screen::mainScreen().applicationFrame());

    TestDriver driver;
    driver.showController(s.get());
    driver.memoryWarning();
    EXPECT_TRUE(s->isViewLoaded()); // on screen: kept
    s->notifyViewWillDisappear(false);
    s->view()->removeFromSuperview();
    s->notifyViewDidDisappear(false);
    driver.memoryWarning();
    EXPECT_FALSE(s->isViewLoaded());
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "A load", "A willAppear", "A didAppear", "A willDisappear",
                                                       "A didDisappear", "A unload" }));
}

TEST_F(UiTest, AMemoryWarningKeepsAViewLoadViewCouldNotBuildAgain)
{
    CallLog calls;
    TestDriver driver;
    auto root = Page::make(calls, "root");
    auto nav = NavigationController::withRootViewController(root.get());
    driver.showController(nav.get());
    // Built in code and handed over, as a screen made from its interface layout gets its view.
    auto handed = Page::make(calls, "handed");
    Ref<View> content = View::viewWithFrame(Rect(0, 0, 320, 400));
    content->addSubview(View::viewWithFrame(Rect(10, 10, 100, 40)).get());
    handed->setView(content.get());
    nav->pushViewController(handed.get(), false);
    auto top = Page::make(calls, "top");
    nav->pushViewController(top.get(), false);
    driver.settle();
    ASSERT_FALSE(handed->view()->superview());
    ASSERT_FALSE(root->view()->superview());

    calls.clear();
    driver.memoryWarning();
    EXPECT_TRUE(handed->isViewLoaded());
    EXPECT_FALSE(root->isViewLoaded()) << "a view of its own loadView goes";
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "root unload" }));
    nav->popViewControllerAnimated(false);
    EXPECT_EQ(handed->view(), content.get());
    EXPECT_EQ(content->subviews().size(), 1u);
    EXPECT_EQ(content->superview(), nav->view());
}

TEST_F(UiTest, PushAndPopCallBackInOrder)
{
    TestDriver driver;
    CallLog calls;
    NavRecorder delegate(calls);
    auto root = Page::make(calls, "root");
    auto nav = NavigationController::withRootViewController(root.get());
    nav->setDelegate(&delegate);
    driver.showController(nav.get());
    auto second = Page::make(calls, "second", false);
    auto third = Page::make(calls, "third");

    calls.clear();
    nav->pushViewController(second.get(), true);
    EXPECT_EQ(second->navigationController(), nav.get());
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "willShow second", "root willDisappear", "second load",
                                                       "second willAppear" }));
    advance(NavigationController::kTransitionDuration - 0.01);
    EXPECT_EQ(calls.calls.size(), 4u);
    advance(0.01);
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "willShow second", "root willDisappear", "second load",
        "second willAppear", "root didDisappear", "second didAppear", "didShow second" }));
    // A screen whose hooks skip the base class still has its state kept.
    EXPECT_EQ(second->appearState(), ViewController::AppearState::Appeared);
    EXPECT_EQ(root->appearState(), ViewController::AppearState::Disappeared);
    EXPECT_EQ(root->view()->superview(), nullptr);

    nav->pushViewController(third.get(), false);
    calls.clear();
    auto removed = nav->popToRootViewControllerAnimated(false);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0].get(), second.get());
    EXPECT_EQ(removed[1].get(), third.get());
    EXPECT_EQ(second->navigationController(), nullptr);
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "willShow root", "third willDisappear", "root willAppear",
                                                       "third didDisappear", "root didAppear", "didShow root" }));
    EXPECT_EQ(nav->popViewControllerAnimated(false), nullptr); // the root stays
    EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(UiTest, PopAnswersWhatItRemoved)
{
    CallLog calls;
    auto a = Page::make(calls, "a"), b = Page::make(calls, "b"), c = Page::make(calls, "c"), d = Page::make(calls, "d");
    auto nav = NavigationController::withRootViewController(a.get());
    nav->pushViewController(b.get(), false);
    nav->pushViewController(c.get(), false);
    nav->pushViewController(d.get(), false);
    EXPECT_EQ(nav->popViewControllerAnimated(false).get(), d.get());
    auto removed = nav->popToViewController(b.get(), false);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0].get(), c.get());
    EXPECT_TRUE(nav->popToViewController(b.get(), false).empty());
    EXPECT_TRUE(nav->popToViewController(d.get(), false).empty()); // not on the stack
    EXPECT_EQ(nav->topViewController(), b.get());
    expectedWarnings = 1;
}

TEST_F(UiTest, PreviousViewControllerIsTheOneBelowInTheStack)
{
    CallLog calls;
    auto a = Page::make(calls, "a"), b = Page::make(calls, "b"), c = Page::make(calls, "c"), stranger = Page::make(calls, "s");
    auto nav = NavigationController::withRootViewController(a.get());
    nav->pushViewController(b.get(), false);
    nav->pushViewController(c.get(), false);
    EXPECT_EQ(nav->previousViewController(c.get()), b.get());
    EXPECT_EQ(nav->previousViewController(b.get()), a.get());
    EXPECT_EQ(nav->previousViewController(a.get()), nullptr);
    EXPECT_EQ(nav->previousViewController(stranger.get()), nullptr);
    EXPECT_EQ(nav->previousViewController(nullptr), nullptr);
}

TEST_F(UiTest, ANewTransitionCompletesTheOneInProgress)
{
    TestDriver driver;
    CallLog calls;
    auto root = Page::make(calls, "root");
    auto nav = NavigationController::withRootViewController(root.get());
    driver.showController(nav.get());
    auto b = Page::make(calls, "b"), c = Page::make(calls, "c");
    nav->pushViewController(b.get(), true);
    nav->pushViewController(c.get(), true);
    EXPECT_EQ(b->appearState(), ViewController::AppearState::Disappearing);
    advance(NavigationController::kTransitionDuration);
    EXPECT_EQ(b->appearState(), ViewController::AppearState::Disappeared);
    EXPECT_EQ(c->appearState(), ViewController::AppearState::Appeared);
    int didAppearB = static_cast<int>(std::count(calls.calls.begin(), calls.calls.end(), "b didAppear"));
    EXPECT_EQ(didAppearB, 1);
}

TEST_F(UiTest, NavigationBarFollowsTheStack)
{
    CallLog calls;
    auto root = Page::make(calls, "root");
    root->setTitle("Home");
    auto nav = NavigationController::withRootViewController(root.get());
    nav->view();
    auto next = Page::make(calls, "next");
    next->setTitle("Detail");
    nav->pushViewController(next.get(), false);
    EXPECT_EQ(nav->navigationBar()->topItem()->title(), "Detail");
    EXPECT_EQ(nav->navigationBar()->backButtonTitle(), "Home");
    EXPECT_EQ(next->view()->frame(), Rect(0, 44, 320, 416));
    nav->setNavigationBarHidden(true, true);
    EXPECT_TRUE(nav->navigationBar()->isHidden());
    EXPECT_EQ(next->view()->frame(), Rect(0, 0, 320, 460));

    TestDriver driver;
    driver.showController(nav.get());
    EXPECT_TRUE(driver.tapBack(nav.get()));
    advance(NavigationController::kTransitionDuration);
    EXPECT_EQ(nav->topViewController(), root.get());
}

TEST_F(UiTest, PushingOrPresentingNilWarnsAndDoesNothing)
{
    CallLog calls;
    auto root = Page::make(calls, "root");
    auto nav = NavigationController::withRootViewController(root.get());
    nav->pushViewController(nullptr, true);
    root->presentModalViewController(nullptr, true);
    nav->pushViewController(root.get(), false); // already on the stack
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    EXPECT_EQ(root->modalViewController(), nullptr);
    EXPECT_EQ(log.count(LogLevel::Warning), 3u);
    expectedWarnings = 3;
}

TEST_F(UiTest, ModalPresentationAndDismissal)
{
    TestDriver driver;
    CallLog calls;
    auto root = Page::make(calls, "root");
    auto nav = NavigationController::withRootViewController(root.get());
    driver.showController(nav.get());
    auto modal = Page::make(calls, "modal");
    calls.clear();

    // Presented from a screen in a stack: the stack presents it.
    root->presentModalViewController(modal.get(), true);
    EXPECT_EQ(nav->modalViewController(), modal.get());
    EXPECT_EQ(root->modalViewController(), modal.get());
    EXPECT_EQ(modal->parentViewController(), nav.get());
    EXPECT_EQ(modal->view()->superview(), driver.window());
    advance(ViewController::kModalTransitionDuration);
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "root willDisappear", "modal load", "modal willAppear",
                                                       "root didDisappear", "modal didAppear" }));

    // A second modal while one is shown is refused.
    auto other = Page::make(calls, "other");
    nav->presentModalViewController(other.get(), false);
    EXPECT_EQ(nav->modalViewController(), modal.get());
    expectedWarnings = 1;

    // The modal screen dismisses itself.
    calls.clear();
    modal->dismissModalViewControllerAnimated(true);
    EXPECT_EQ(nav->modalViewController(), nullptr);
    advance(ViewController::kModalTransitionDuration);
    EXPECT_EQ(calls.calls, (std::vector<std::string> { "modal willDisappear", "root willAppear", "modal didDisappear",
                                                       "root didAppear" }));
    EXPECT_EQ(modal->view()->superview(), nullptr);
    EXPECT_EQ(modal->parentViewController(), nullptr);
}

namespace {

class CheckingNav : public NavigationController {
public:
    static Ref<CheckingNav> make(ViewController* root)
    {
        auto n = adoptRef(new CheckingNav);
        n->initWithRootViewController(root);
        return n;
    }
    void viewDidLoad() override
    {
        ++loads;
        ViewController* top = topViewController();
        topViewInPlace = top && top->isViewLoaded() && top->view()->superview() == view();
    }
    int loads { 0 };
    bool topViewInPlace { false };
};

} // namespace

TEST_F(UiTest, NavigationViewIsCompleteWhenItHasLoaded)
{
    CallLog calls;
    auto root = Page::make(calls, "root");
    auto nav = CheckingNav::make(root.get());
    nav->view();
    EXPECT_EQ(nav->loads, 1);
    EXPECT_TRUE(nav->topViewInPlace);
    EXPECT_EQ(nav->navigationBar()->superview(), nav->view());
    // The bar stays above the screens.
    EXPECT_EQ(nav->view()->subviews().back().get(), nav->navigationBar());
}
