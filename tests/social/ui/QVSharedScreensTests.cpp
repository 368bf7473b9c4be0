// The shared screens: every kit layout resolves on phone and tablet, the
// dead-end, must-be-online and maintenance screens with their titles and
// exits, the loading overlay's queued transitions and the message screen's
// continue rules. A layout whose outlet has the wrong class fails loudly.
#include "ScreenTestKit.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Exception.h"
#include "platform/net/Reachability.h"
#include "platform/ui/InterfaceRegistry.h"
#include "social/runtime/QVReachability.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVInterfaceOutlets.h"
#include "social/ui/QVLoadingController.h"
#include "social/ui/QVMustBeOnlineErrorController.h"
#include "social/ui/QVNavigationController.h"
#include "social/ui/QVServerMaintenanceNoticeController.h"
#include "social/ui/QVShowMessageAndReturnController.h"

using namespace quorvel;
using namespace platform::ui;
using platform::Rect;
using platform::Ref;

namespace shared_screen_tests {

class SharedScreensTest : public screen_testing::ScreenTest {
protected:
    Ref<QVNavigationController> showInStack(ViewController* root)
    {
        auto nav = QVNavigationController::withRootViewController(root);
        driver().showController(nav);
        return nav;
    }
};

TEST_F(SharedScreensTest, EveryKitLayoutResolvesOnPhoneAndTablet)
{
    const std::pair<const char*, const char*> screens[] = {
        { "DeadEndError", "QVDeadEndErrorController" },
        { "EmptyDataSet", "QVDeadEndErrorController" },
        { "MustBeOnlineError", "QVMustBeOnlineErrorController" },
        { "ServerMaintenanceNotice", "QVServerMaintenanceNoticeController" },
        { "Loading", "QVLoadingController" },
        { "ShowMessageAndReturn", "QVShowMessageAndReturnController" },
    };
    for (Device device : { Device::Phone, Device::Tablet }) {
        useDevice(device);
        for (auto [name, className] : screens) {
            auto screen = QVControllerLoader::load(name);
            ASSERT_TRUE(screen) << name;
            EXPECT_EQ(screen->className(), className) << name;
            EXPECT_TRUE(screen->isBuiltFromInterface()) << name;
            EXPECT_TRUE(screen->view()) << name;
        }
    }
}

TEST_F(SharedScreensTest, DeadEndScreenShowsErrorAndOffersOfflineOnlyWhenAsked)
{
    auto plain = QVDeadEndErrorController::deadEndErrorWithMessage("The server did not answer.");
    ASSERT_TRUE(plain);
    // 0.4 of the screen's height until a stack places it.
    EXPECT_EQ(plain->view()->frame(), Rect(0, 0, 320, 192));
    auto nav = showInStack(plain);
    EXPECT_EQ(plain->title(), "Error");
    EXPECT_EQ(plain->messageView()->text(), "The server did not answer.");
    EXPECT_TRUE(plain->offlineButton()->isHidden());
    EXPECT_FALSE(plain->navigationItem()->rightBarButtonItem());

    auto offline = QVDeadEndErrorController::deadEndErrorWithMessageAndOfflineButton("No network.");
    nav->pushViewController(offline, false);
    ASSERT_FALSE(offline->offlineButton()->isHidden());
    EXPECT_TRUE(driver().tap(offline->offlineButton()));
    EXPECT_EQ(host().calls, std::vector<std::string> { "switchToOfflineDashboard" });
}

TEST_F(SharedScreensTest, DeadEndScreenInAModalStackGetsADoneButtonThatClosesTheDashboard)
{
    auto base = QVViewController::qvCreateInstance();
    auto root = dynamicRef<QVViewController>(base);
    root->init();
    auto outer = showInStack(root);
    auto plain = QVDeadEndErrorController::deadEndErrorWithMessage("Gone.");
    outer->pushViewController(plain, false);
    EXPECT_FALSE(plain->navigationItem()->rightBarButtonItem());
    auto modal = dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
    modal->init();
    outer->presentModalViewController(modal, false);
    // Loaded while the stack has a modal screen up.
    auto second = QVDeadEndErrorController::deadEndErrorWithMessage("Still gone.");
    outer->pushViewController(second, false);
    BarButtonItem* done = second->navigationItem()->rightBarButtonItem();
    ASSERT_TRUE(done);
    EXPECT_EQ(done->systemItem(), BarButtonItem::SystemItem::Done);
    EXPECT_TRUE(driver().tapBarButton(done));
    EXPECT_EQ(host().calls, std::vector<std::string> { "dismissDashboard" });
}

TEST_F(SharedScreensTest, MustBeOnlineScreenLeavesWhenTheNetworkComesBack)
{
    auto reachability = platform::ManualReachability::create(platform::Reachability::NotReachable);
    QVReachability::InitializeWithSource(reachability);
    auto root = dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
    root->init();
    auto nav = showInStack(root);
    auto screen = QVDeadEndErrorController::mustBeOnlineErrorWithMessage("Connect to continue.");
    ASSERT_TRUE(dynamic_cast<QVMustBeOnlineErrorController*>(screen.get()));
    nav->pushViewController(screen, false);
    EXPECT_EQ(screen->title(), "You're Offline");
    EXPECT_TRUE(screen->navigationItem()->hidesBackButton());
    EXPECT_EQ(screen->messageView()->text(), "Connect to continue.");

    reachability->setStatus(platform::Reachability::NotReachable);
    settle();
    EXPECT_EQ(nav->topViewController(), screen.get());
    reachability->setStatus(platform::Reachability::ReachableViaWiFi);
    settle(1);
    EXPECT_EQ(nav->topViewController(), root.get());
    // Gone from the stack, it no longer listens (its callback held it).
    EXPECT_FALSE(dynamic_cast<QVMustBeOnlineErrorController*>(screen.get())->isObservingReachability());
    QVReachability::Uninitialize();
}

TEST_F(SharedScreensTest, MaintenanceScreenReadsTheServersNotice)
{
    std::string xml = "<server_interruption_notice>Back at five.</server_interruption_notice>";
    auto screen = QVServerMaintenanceNoticeController::maintenanceControllerWithHtmlData(platform::Bytes(xml.begin(), xml.end()));
    ASSERT_TRUE(screen);
    showInStack(screen);
    EXPECT_EQ(screen->title(), "Maintenance");
    EXPECT_EQ(screen->messageView()->text(), "Back at five.");
    EXPECT_EQ(screen->messageView()->font()->pointSize(), 14);
    EXPECT_TRUE(screen->navigationItem()->hidesBackButton());

    std::string other = "<resources><nothing/></resources>";
    EXPECT_EQ(QVServerMaintenanceNoticeController::maintenanceControllerWithHtmlData(
                  platform::Bytes(other.begin(), other.end()))->message(), "");
    std::string broken = "<server_interruption_notice>unterminated";
    EXPECT_EQ(QVServerMaintenanceNoticeController::maintenanceControllerWithHtmlData(
                  platform::Bytes(broken.begin(), broken.end()))->message(), "");
}

class Counter : public platform::Object {
public:
    int calls { 0 };
    void called(platform::Object*) { ++calls; }
};

TEST_F(SharedScreensTest, LoadingOverlayQueuesItsDisappearanceBehindItsAppearance)
{
    auto overlay = QVLoadingController::loadingControllerWithText("Downloading");
    ASSERT_TRUE(overlay);
    QVLoadingView* view = overlay->loadingView();
    ASSERT_TRUE(view);
    window()->addSubview(view);
    EXPECT_EQ(view->frame(), host().getDashboardBounds());
    overlay->showLoadingScreen();
    EXPECT_TRUE(view->appearingAnimationInProgress());
    // The strip rests on the bottom edge, the background is dimmed.
    EXPECT_EQ(view->contentContainer()->frame().maxY(), view->bounds().maxY());
    EXPECT_FLOAT_EQ(view->backgroundView()->alpha(), 0.75f);

    auto first = platform::makeRef<Counter>();
    auto second = platform::makeRef<Counter>();
    view->playDisappearTransition(QVDelegate(first, QVDelegate::ShortMethod(BRISKO_SELECTOR(Counter, called))));
    EXPECT_TRUE(view->disappearIsQueued());
    view->playDisappearTransition(QVDelegate(second, QVDelegate::ShortMethod(BRISKO_SELECTOR(Counter, called))));
    overlay->showLoadingScreen(); // an appearance already runs: nothing
    settle(QVLoadingView::kAppearDuration);
    EXPECT_FALSE(view->appearingAnimationInProgress());
    EXPECT_FALSE(view->disappearIsQueued());
    EXPECT_TRUE(view->disappearingAnimationInProgress());
    EXPECT_FLOAT_EQ(view->backgroundView()->alpha(), 0);
    EXPECT_EQ(view->superview(), window());
    settle(QVLoadingView::kDisappearDuration);
    EXPECT_EQ(view->superview(), nullptr);
    EXPECT_EQ(first->calls, 1);
    EXPECT_EQ(second->calls, 0);
}

TEST_F(SharedScreensTest, LoadingEdgesFillWholeTilesBesideTheCentre)
{
    auto overlay = QVLoadingController::loadingControllerWithText("");
    QVLoadingView* view = overlay->loadingView();
    Rect centre = view->centerImage()->frame();
    float tile = view->leftView()->patternImage()->size().width;
    ASSERT_GT(tile, 0);
    EXPECT_EQ(view->leftView()->frame().maxX(), centre.minX());
    EXPECT_GE(view->leftView()->frame().size.width, centre.minX());
    EXPECT_EQ(std::fmod(view->leftView()->frame().size.width, tile), 0);
    EXPECT_EQ(view->rightView()->frame().minX(), centre.maxX());
    EXPECT_EQ(std::fmod(view->rightView()->frame().size.width, tile), 0);
}

TEST_F(SharedScreensTest, ContinuePopsToTheChosenScreenBeforeAnythingElse)
{
    auto root = dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
    root->init();
    auto nav = showInStack(root);
    auto middle = dynamicRef<QVViewController>(QVViewController::qvCreateInstance());
    middle->init();
    nav->pushViewController(middle, false);
    auto message = dynamicRef<QVShowMessageAndReturnController>(QVControllerLoader::load("ShowMessageAndReturn"));
    ASSERT_TRUE(message);
    nav->pushViewController(message, false);
    int invoked = 0;
    message->setControllerToPopTo(middle);
    message->setContinueInvocation([&] { ++invoked; });
    EXPECT_TRUE(driver().tap(message->continueButton()));
    settle(1);
    EXPECT_EQ(nav->topViewController(), middle.get());
    EXPECT_EQ(message->controllerToPopTo(), nullptr);
    EXPECT_EQ(invoked, 0);

    nav->pushViewController(message, false);
    message->clickedContinue();
    settle(1);
    EXPECT_EQ(invoked, 1);
    EXPECT_EQ(nav->topViewController(), message.get());
    message->setContinueInvocation(nullptr);
    message->clickedContinue();
    settle(1);
    EXPECT_EQ(nav->topViewController(), root.get());
}

TEST_F(SharedScreensTest, OutletOfTheWrongClassFailsLoudly)
{
    InterfaceRegistry::shared().registerLayout("BrokenControllerQv", [](InterfaceBuilder& b) {
        auto label = b.makeView<Label>(Rect());
        QVOutlet<QVDefaultButton>(label.get(), "BrokenControllerQv", "offlineButton");
        return std::vector<Ref<platform::Object>> { label };
    });
    EXPECT_THROW(QVControllerLoader::load("Broken"), platform::AssertionFailure);
    InterfaceRegistry::shared().unregisterLayout("BrokenControllerQv");
}

} // namespace shared_screen_tests
