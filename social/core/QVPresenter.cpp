// The running client's full-screen screens: the root controller with its
// single queue slot, closing, the appear and disappear calls to the game,
// orientation and the error screens inside the dashboard.
#include "social/core/QVPresenter.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/Weak.h"
#include "platform/ui/ImagePicker.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PeoplePicker.h"
#include "platform/ui/Window.h"
#include "social/core/QVClientNotifications.h"
#include "social/core/QVClientSession.h"
#include "social/core/QVDashboardHub.h"
#include "social/core/QVLogin.h"
#include "social/core/QVUserOptions.h"
#include "social/core/QVUserStats.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/core/Quorvel.h"
#include "social/core/QVLifecycleTrace.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequireCast.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVRootFrame.h"
#include "social/ui/QVScreenProtocols.h"

#include <utility>

namespace quorvel {

using platform::Rect;
using platform::Ref;
using platform::ui::NavigationController;
using platform::ui::View;
using platform::ui::ViewController;

namespace {

constexpr int kOverlayBackgroundTag = 489;
constexpr double kOverlayFadeDuration = 0.5;
constexpr float kOverlayBackgroundAlpha = 0.85f;
constexpr double kErrorPushDelay = 0.1;

// A screen's navigation stack as shown: a stack's screens, a tabbed
// dashboard's selected stack, or the screen alone.
void appendShown(ViewController* c, std::vector<Ref<ViewController>>& out)
{
    if (!c)
        return;
    if (auto* intro = dynamic_cast<QVIntroFrame*>(c))
        if (NavigationController* stack = intro->navController())
            c = stack;
    if (auto* nav = dynamic_cast<NavigationController*>(c)) {
        for (auto& s : nav->viewControllers())
            out.push_back(s);
        return;
    }
    if (auto* tabbed = dynamic_cast<QVTabbedDashboardScreen*>(c)) {
        out.emplace_back(c);
        appendShown(tabbed->selectedTabController(), out);
        return;
    }
    out.emplace_back(c);
}

bool isPortraitPair(int o) { return o == 1 || o == 2; }

} // namespace

QVPresenter::QVPresenter(Quorvel& client)
    : QVClientPart(client)
{
}

QVPresenter::~QVPresenter() = default;

void QVPresenter::start() { mAllowErrorScreens = true; }

void QVPresenter::release() { mQueuedRootModal = nullptr; }

// ---- What is on show

QVRootFrame* QVPresenter::rootFrame() { return dynamic_cast<QVRootFrame*>(getRootController()); }

ViewController* QVPresenter::getRootController() { return running() ? mQVRootController.get() : nullptr; }

ViewController* QVPresenter::contentController()
{
    QVRootFrame* frame = rootFrame();
    return frame ? frame->contentController() : nullptr;
}

bool QVPresenter::isShowingFullScreen()
{
    return running() && mQVRootController && !mIsDashboardDismissing && contentController();
}

View* QVPresenter::getTopLevelView()
{
    if (ViewController* content = contentController())
        return content->view();
    return running() && mQVRootController ? mQVRootController->view() : nullptr;
}

platform::ui::Window* QVPresenter::getTopApplicationWindow()
{
    if (platform::ui::Window* window = session().presentationWindow())
        return window;
    return platform::ui::Application::sharedApplication().topWindow();
}

NavigationController* QVPresenter::getActiveNavigationController()
{
    if (!running() || !mQVRootController)
        return nullptr;
    // The client's own stack over the root; a device picker's stack (the photos, the address
    // book) is the device's, and no page of the client goes inside it.
    ViewController* modal = mQVRootController->modalViewController();
    if (auto* nav = dynamic_cast<NavigationController*>(modal); nav && !dynamic_cast<platform::ui::ImagePickerController*>(modal)
        && !dynamic_cast<platform::ui::PeoplePickerNavigationController*>(modal))
        return nav;
    ViewController* content = contentController();
    if (auto* nav = dynamic_cast<NavigationController*>(content))
        return nav;
    if (auto* intro = dynamic_cast<QVIntroFrame*>(content))
        return intro->navController();
    if (auto* tabbed = dynamic_cast<QVTabbedDashboardScreen*>(content))
        return dynamic_cast<NavigationController*>(tabbed->selectedTabController());
    return nullptr;
}

bool QVPresenter::dashboardVisible() { return running() && mDashboardVisable; }

// Only the tabbed dashboard has an X of its own (over its tabs); a modal screen over the root
// covers it on a phone.
bool QVPresenter::frameClosesStack(NavigationController* stack)
{
    if (!isShowingFullScreen() || !stack || mQVRootController->modalViewController())
        return false;
    auto* tabbed = dynamic_cast<QVTabbedDashboardScreen*>(contentController());
    if (!tabbed)
        return false;
    for (ViewController* tab : tabbed->tabControllers())
        if (tab == stack)
            return true;
    return false;
}

std::vector<Ref<ViewController>> QVPresenter::presentedScreens()
{
    std::vector<Ref<ViewController>> out;
    if (!isShowingFullScreen())
        return out;
    appendShown(contentController(), out);
    if (ViewController* modal = mQVRootController->modalViewController())
        appendShown(modal, out);
    return out;
}

ViewController* QVPresenter::topPresentedController()
{
    if (!isShowingFullScreen())
        return nullptr;
    if (ViewController* modal = mQVRootController->modalViewController())
        return modal;
    return contentController();
}

// ---- Showing

bool QVPresenter::tryCreateDashboardWithModal(ViewController* screen)
{
    if (!running())
        return false;
    if (isShowingFullScreen() || (mQVRootController && mIsDashboardDismissing)) {
        mQueuedRootModal = Ref<ViewController>(screen);
        return false;
    }
    mIsDashboardDismissing = false;
    if (!dashboardWillAppear())
        return false; // the game shut the client down: nothing goes up
    if (!mQVRootController) {
        Ref<ViewController> root = QVControllerLoader::load("Root");
        if (!root) {
            platform::logWarning("Quorvel: no root controller could be loaded");
            return false;
        }
        requireCast<QVRootFrame>(root, "The root controller must frame the dashboard's screens");
        mQVRootController = std::move(root);
    }
    ViewController* root = mQVRootController.get();
    transformViewToDashboardOrientation(root->view());
    root->notifyViewWillAppear(true);
    if (platform::ui::Window* window = getTopApplicationWindow())
        window->addSubview(root->view());
    root->notifyViewDidAppear(true);
    return true;
}

void QVPresenter::presentRootControllerWithModal(Ref<ViewController> screen)
{
    if (!running() || !screen || options().isDisabled())
        return;
    QVLifecycleTrace::step("presentRootControllerWithModal");
    const bool wasOnline = session().isOnline();
    if (!tryCreateDashboardWithModal(screen.get())) {
        mIsQueuedModalAnOverlay = false;
        return;
    }
    mIsShowingOverlayModal = false;
    QVRootFrame* frame = rootFrame();
    Rect rootBounds = mQVRootController->view()->bounds();
    screen->view()->setFrame(Rect(0, 0, rootBounds.size.width, rootBounds.size.height));
    frame->setTransitionIn(platform::ui::TransitionSubtype::FromTop);
    frame->setTransitionOut(platform::ui::TransitionSubtype::FromBottom);
    frame->showController(screen.get());
    // The game took the client offline as the dashboard was about to appear (a logout or a decline
    // in dashboardWillAppear), before it was on show: one made in its online form (it waited in the
    // queue slot, say) takes its offline form now, so no tab opens a page whose requests go unsent.
    if (wasOnline && !session().isOnline() && dynamic_cast<QVTabbedDashboardScreen*>(screen.get()))
        hub().switchToOfflineDashboard();
}

void QVPresenter::presentRootControllerWithModal(ViewController* screen)
{
    presentRootControllerWithModal(Ref<ViewController>(screen));
}

void QVPresenter::presentModalOverlay(Ref<ViewController> screen) { presentModalOverlay(std::move(screen), true); }

void QVPresenter::presentModalOverlay(Ref<ViewController> screen, bool opaque)
{
    if (!running() || !screen || options().isDisabled())
        return;
    QVLifecycleTrace::step("presentModalOverlay");
    if (!tryCreateDashboardWithModal(screen.get())) {
        mIsQueuedModalAnOverlay = true;
        return;
    }
    mIsShowingOverlayModal = true;
    QVRootFrame* frame = rootFrame();
    View* rootView = mQVRootController->view();
    Rect bounds = getDashboardBounds();
    if (!isLargeScreen() && opaque) {
        Ref<View> shade = View::viewWithFrame(bounds);
        shade->setBackgroundColor(platform::ui::Color::black());
        shade->setAutoresizingMask(platform::ui::FlexibleWidth | platform::ui::FlexibleHeight);
        shade->setAutoresizesSubviews(true);
        shade->setTag(kOverlayBackgroundTag);
        shade->setAlpha(0);
        rootView->addSubview(shade.get());
        View::beginAnimations("QVOverlayShadeIn");
        View::setAnimationDuration(kOverlayFadeDuration);
        shade->setAlpha(kOverlayBackgroundAlpha);
        View::commitAnimations();
    } else if (View* shadow = frame->bgDropShadow()) {
        shadow->removeFromSuperview();
    }
    Rect overlay = screen->view()->frame();
    overlay.origin.x = (bounds.size.width - overlay.size.width) * 0.5f;
    screen->view()->setFrame(overlay);
    frame->setTransitionIn(platform::ui::TransitionSubtype::FromBottom);
    frame->setTransitionOut(platform::ui::TransitionSubtype::FromTop);
    frame->showController(screen.get());
}

void QVPresenter::pushOnActiveNavigationController(Ref<ViewController> screen)
{
    if (!running() || !screen)
        return;
    if (!isShowingFullScreen()) {
        presentRootControllerWithModal(std::move(screen));
        return;
    }
    QVLifecycleTrace::step("pushOnActiveNavigationController");
    if (NavigationController* nav = getActiveNavigationController())
        nav->pushViewController(screen.get(), true);
    else
        mQVRootController->presentModalViewController(screen.get(), true);
}

void QVPresenter::forgetQueuedDashboard()
{
    if (dynamic_cast<QVTabbedDashboardScreen*>(mQueuedRootModal.get()))
        mQueuedRootModal = nullptr;
}

// ---- Closing

void QVPresenter::dismissDashboard() { dismissRootController(); }

void QVPresenter::dismissRootController()
{
    if (!running() || !isShowingFullScreen())
        return;
    Ref<Quorvel> keep(&client());
    mIsDashboardDismissing = true;
    if (mIsShowingOverlayModal) {
        if (View* shade = mQVRootController->view()->viewWithTag(kOverlayBackgroundTag)) {
            View::beginAnimations("QVOverlayShadeOut");
            View::setAnimationDuration(kOverlayFadeDuration);
            shade->setAlpha(0);
            View::commitAnimations();
        }
    }
    rootFrame()->hideController();
    dashboardWillDisappear();
}

void QVPresenter::animationDidStop(bool)
{
    if (!running())
        return;
    Ref<Quorvel> keep(&client());
    if (!mIsDashboardDismissing) {
        dashboardDidAppear();
        return;
    }
    mIsDashboardDismissing = false;
    destroyDashboard();
    if (!running())
        return;
    if (Ref<ViewController> queued = std::move(mQueuedRootModal)) {
        mQueuedRootModal = nullptr;
        if (mIsQueuedModalAnOverlay)
            presentModalOverlay(queued);
        else
            presentRootControllerWithModal(queued);
        return;
    }
    // The account screens the dashboard showed went with it (the game closed it).
    if (!mQVRootController)
        login().accountFlowClosed();
}

void QVPresenter::destroyDashboard()
{
    if (!running())
        return;
    Ref<Quorvel> keep(&client());
    // The root is let go before the game hears of the close: a shut-down (or a
    // new dashboard) asked from inside dashboardDidDisappear finds none on show.
    Ref<ViewController> root = std::move(mQVRootController);
    mQVRootController = nullptr;
    // A step that held the error screens (a login's form, a switch, the approval) went with its
    // screens, its answer perhaps never to come: the next dashboard shows its failures again.
    mAllowErrorScreens = true;
    ++mDashboardsClosed;
    const bool stillRunning = dashboardDidDisappear();
    if (root) {
        if (auto* frame = dynamic_cast<QVRootFrame*>(root.get()))
            frame->cleanupSubviews();
        // A modal screen still sliding away goes now: the root that would end its slide goes below.
        root->finishPendingTransition();
        root->dismissModalViewControllerAnimated(false);
        if (root->isViewLoaded())
            root->view()->removeFromSuperview();
    }
    if (!stillRunning)
        return;
    if (!mQVRootController) // a dashboard opened from inside the call keeps its launch's delegate
        session().setLaunchDelegate(nullptr);
    platform::UserDefaults::standardUserDefaults().synchronize();
    if (QVImageCache* cache = QVImageCache::sharedInstance())
        cache->purge();
}

void QVPresenter::closeAtOnce()
{
    // A dashboard the game was told of closes, also one whose root is not up
    // yet (the game shut the client down inside dashboardWillAppear).
    if (!running() || (!mQVRootController && !mGameToldOfDashboard))
        return;
    Ref<Quorvel> keep(&client());
    mQueuedRootModal = nullptr;
    const bool toldClosing = mIsDashboardDismissing;
    // Closing from here on: a close (or a shut-down) asked again from inside
    // the call below does not tell it twice, and closes the dashboard itself.
    mIsDashboardDismissing = true;
    if (!toldClosing && !dashboardWillDisappear())
        return;
    mIsDashboardDismissing = false;
    destroyDashboard();
}

// ---- Appear and disappear

bool QVPresenter::dashboardWillAppear()
{
    if (!running())
        return false;
    auto& app = platform::ui::Application::sharedApplication();
    mPreviousOrientation = static_cast<int>(app.statusBarOrientation());
    mPreviousStatusBarHidden = app.isStatusBarHidden();
    platform::ui::QVhideStatusBar(app, !isLargeScreen(), true);
    app.setStatusBarOrientation(static_cast<platform::ui::InterfaceOrientation>(mDashboardOrientation));
    Quorvel::releaseReservedMemory();
    // Told already and not closed since (a page the game opened from inside the call): once.
    if (std::exchange(mGameToldOfDashboard, true))
        return running();
    // From here on the game hears it close, whatever ends it.
    return session().tellGame([](QuorvelDelegate& game) { game.dashboardWillAppear(); });
}

bool QVPresenter::dashboardDidAppear()
{
    if (!running())
        return false;
    mDashboardVisable = true;
    stats().dashboardLaunched();
    return session().tellGame([](QuorvelDelegate& game) { game.dashboardDidAppear(); });
}

bool QVPresenter::dashboardWillDisappear()
{
    if (!running())
        return false;
    auto& app = platform::ui::Application::sharedApplication();
    if (!isLargeScreen())
        app.setStatusBarOrientation(static_cast<platform::ui::InterfaceOrientation>(mPreviousOrientation), true);
    app.setStatusBarHidden(mPreviousStatusBarHidden, true);
    return session().tellGame([](QuorvelDelegate& game) { game.dashboardWillDisappear(); });
}

bool QVPresenter::dashboardDidDisappear()
{
    if (!running())
        return false;
    mDashboardVisable = false;
    mGameToldOfDashboard = false;
    stats().dashboardClosed();
    Quorvel::reserveMemory();
    return session().tellGame([](QuorvelDelegate& game) { game.dashboardDidDisappear(); });
}

// ---- Orientation

int QVPresenter::dashboardOrientation() { return running() ? mDashboardOrientation : 1; }

void QVPresenter::setDashboardOrientation(int orientation)
{
    if (!running() || mDashboardOrientation == orientation)
        return;
    if (isShowingFullScreen()) {
        if (!isLargeScreen())
            return; // a phone's dashboard keeps the orientation it opened with
        platform::ui::Application::sharedApplication().setStatusBarOrientation(
            static_cast<platform::ui::InterfaceOrientation>(orientation), true);
        rotateDashboardFromOrientation(mDashboardOrientation, orientation);
    }
    mDashboardOrientation = orientation;
}

void QVPresenter::rotateDashboardFromOrientation(int from, int to)
{
    if (!isLargeScreen() || !mQVRootController)
        return;
    View::beginAnimations("QVInterfaceOrientationRotate");
    View::setAnimationDuration(isPortraitPair(from) != isPortraitPair(to) ? 0.4 : 0.8);
    transformView(mQVRootController->view(), to);
    if (auto* frame = dynamic_cast<QVRootFrame*>(mQVRootController.get()))
        frame->centreContainer(); // the panel turns with the view, centred across it again
    notifications().postDashboardOrientationChangedTo(to, from);
    View::commitAnimations();
}

void QVPresenter::transformView(View* view, int orientation)
{
    if (!view)
        return;
    Rect screen = platform::ui::Screen::mainScreen().bounds();
    platform::Point centre(screen.origin.x + screen.size.width / 2, screen.origin.y + screen.size.height / 2);
    platform::AffineTransform transform;
    Rect bounds = screen;
    Rect swapped(0, 0, screen.size.height, screen.size.width);
    switch (orientation) {
    case 2:
        transform = platform::AffineTransform(-1, 0, 0, -1, 0, 0);
        break;
    case 3:
        transform = platform::AffineTransform(0, 1, -1, 0, 0, 0);
        bounds = swapped;
        break;
    case 4:
        transform = platform::AffineTransform(0, -1, 1, 0, 0, 0);
        bounds = swapped;
        break;
    default:
        break;
    }
    view->setTransform(transform);
    view->setBounds(bounds);
    view->setCenter(centre);
}

void QVPresenter::transformViewToDashboardOrientation(View* view) { transformView(view, dashboardOrientation()); }

// ---- Error screens

void QVPresenter::displayErrorMessage(const std::string& message)
{
    platform::logWarning("Quorvel: %s", message.c_str());
    if (!isShowingFullScreen())
        return;
    bool offlineButton = hub().isDashboardHubOpen() && !QVReachability::isConnectedToInternet();
    Ref<ViewController> screen = offlineButton ? Ref<ViewController>(QVDeadEndErrorController::deadEndErrorWithMessageAndOfflineButton(message))
                                               : Ref<ViewController>(QVDeadEndErrorController::deadEndErrorWithMessage(message));
    displayErrorMessage(screen, getActiveNavigationController());
}

void QVPresenter::displayErrorMessageAndOfflineButton(const std::string& message)
{
    if (!isShowingFullScreen())
        return;
    displayErrorMessage(QVDeadEndErrorController::deadEndErrorWithMessageAndOfflineButton(message),
                        getActiveNavigationController());
}

void QVPresenter::displayErrorMessage(Ref<ViewController> screen, NavigationController* navController)
{
    if (!running() || !screen || !mAllowErrorScreens || isShowingErrorScreenInNavController(navController))
        return;
    QVLifecycleTrace::step("displayErrorMessage");
    mIsErrorPending = true;
    Ref<NavigationController> nav(navController);
    platform::Weak<Quorvel> instance(&client());
    const int logouts = login().logoutCount();
    platform::RunLoop::main().performAfter(kErrorPushDelay, [this, instance, screen, nav, logouts] {
        // The flag is this instance's while it runs; a client shut down meanwhile keeps none.
        bool loggedOut = false;
        if (Ref<Quorvel> keep = instance.lock(); keep && running()) {
            mIsErrorPending = false;
            // An error of the player who has logged out since does not cover the offline dashboard.
            loggedOut = login().logoutCount() != logouts;
        }
        if (nav && !loggedOut)
            nav->pushViewController(screen.get(), true);
    });
}

void QVPresenter::displayErrorScreen(Ref<ViewController> screen)
{
    displayErrorMessage(std::move(screen), getActiveNavigationController());
}

bool QVPresenter::isShowingErrorScreenInNavController(NavigationController* navController)
{
    if (!running())
        return false;
    if (navController) {
        if (dynamic_cast<QVDeadEndErrorController*>(navController->visibleViewController())
            || dynamic_cast<QVDeadEndErrorController*>(navController->topViewController()))
            return true;
    }
    return mIsErrorPending;
}

bool QVPresenter::areErrorScreensAllowed() { return running() && mAllowErrorScreens; }

void QVPresenter::allowErrorScreens(bool allow)
{
    if (running())
        mAllowErrorScreens = allow;
}

// ---- The rest of the dashboard role

platform::ui::InterfaceOrientation QVPresenter::getDashboardOrientation()
{
    return static_cast<platform::ui::InterfaceOrientation>(dashboardOrientation());
}

Rect QVPresenter::getDashboardBounds()
{
    Rect bounds = QVDashboardRole::getDashboardBounds();
    if (!QVDashboardRole::isLargeScreen() && platform::ui::isLandscape(getDashboardOrientation()))
        std::swap(bounds.size.width, bounds.size.height);
    return bounds;
}

void QVPresenter::switchToOnlineDashboard() { hub().switchToOnlineDashboard(); }

void QVPresenter::switchToOfflineDashboard() { hub().switchToOfflineDashboard(); }

std::string QVPresenter::initialDashboardModalContentURL()
{
    return options().initialDashboardModalContentURL().asString();
}

void QVPresenter::setInitialDashboardModalContentURL(const std::string& url)
{
    options().setInitialDashboardModalContentURL(url.empty() ? platform::Value() : platform::Value(url));
}

void QVPresenter::dismissRootControllerOrItsModal() { login().dismissRootControllerOrItsModal(); }

QVIntroFrame* QVPresenter::activeIntroFrame()
{
    ViewController* root = getRootController();
    if (!root)
        return nullptr;
    if (auto* modal = dynamic_cast<QVIntroFrame*>(root->modalViewController()))
        return modal;
    return dynamic_cast<QVIntroFrame*>(contentController());
}

} // namespace quorvel
