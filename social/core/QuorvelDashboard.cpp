// The dashboard on screen: the launch decision (approval, login or alert
// first), the tabbed dashboard with its requested screens pushed, the root
// controller that holds every full-screen screen with its single queue slot,
// closing, the appear and disappear calls to the game, orientation, error
// screens inside the dashboard and the online/offline switch.
#include "social/core/QuorvelInternal.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVLeaderboardService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVRootFrame.h"
#include "social/ui/QVScreenProtocols.h"

namespace quorvel {

using platform::Object;
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

QVRootFrame* rootFrame(Quorvel* q) { return q ? dynamic_cast<QVRootFrame*>(QuorvelInternal::getRootController()) : nullptr; }

ViewController* contentController(Quorvel* q)
{
    QVRootFrame* frame = rootFrame(q);
    return frame ? frame->contentController() : nullptr;
}

QVTabbedDashboardScreen* tabbedContent(Quorvel* q) { return dynamic_cast<QVTabbedDashboardScreen*>(contentController(q)); }

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

// ---- Derived state

ViewController* QuorvelInternal::getRootController()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mQVRootController.get() : nullptr;
}

bool QuorvelInternal::isShowingFullScreen()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->mQVRootController && !q->mIsDashboardDismissing && contentController(q);
}

bool QuorvelInternal::isDashboardHubOpen()
{
    return QuorvelInternal::isShowingFullScreen() && tabbedContent(QuorvelInternal::sharedInstance());
}

View* QuorvelInternal::getTopLevelView()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (ViewController* content = contentController(q))
        return content->view();
    return q && q->mQVRootController ? q->mQVRootController->view() : nullptr;
}

platform::ui::Window* QuorvelInternal::getTopApplicationWindow()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (q && q->mPresentationWindow)
        return q->mPresentationWindow.get();
    return platform::ui::Application::sharedApplication().topWindow();
}

NavigationController* QuorvelInternal::getActiveNavigationController()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || !q->mQVRootController)
        return nullptr;
    if (auto* modal = dynamic_cast<NavigationController*>(q->mQVRootController->modalViewController()))
        return modal;
    ViewController* content = contentController(q);
    if (auto* nav = dynamic_cast<NavigationController*>(content))
        return nav;
    if (auto* intro = dynamic_cast<QVIntroFrame*>(content))
        return intro->navController();
    if (auto* tabbed = dynamic_cast<QVTabbedDashboardScreen*>(content))
        return dynamic_cast<NavigationController*>(tabbed->selectedTabController());
    return nullptr;
}

bool QuorvelInternal::isLargeScreen() { return QVDashboardRole::current().isLargeScreen(); }

Rect QuorvelInternal::getDashboardBounds() { return QVDashboardRole::current().getDashboardBounds(); }

bool QuorvelInternal::isInLandscapeMode() { return QuorvelInternal::isLargeScreen() || QuorvelInternal::isInLandscapeModeOniPad(); }

bool QuorvelInternal::isInLandscapeModeOniPad()
{
    int o = getDashboardOrientation();
    return o == 3 || o == 4;
}

bool QuorvelInternal::dashboardVisible()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->mDashboardVisable;
}

std::vector<Ref<ViewController>> QuorvelInternal::presentedScreens()
{
    std::vector<Ref<ViewController>> out;
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!QuorvelInternal::isShowingFullScreen())
        return out;
    appendShown(contentController(q), out);
    if (ViewController* modal = q->mQVRootController->modalViewController())
        appendShown(modal, out);
    return out;
}

ViewController* QuorvelInternal::topPresentedController()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!QuorvelInternal::isShowingFullScreen())
        return nullptr;
    if (ViewController* modal = q->mQVRootController->modalViewController())
        return modal;
    return contentController(q);
}

// ---- Opening

void Quorvel::launchDashboardWithDelegate(QuorvelDelegate* delegate, const std::string& tabControllerName,
                                          const std::vector<DashboardEntry>& controllers)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q) {
        QVSessionRole::requireRunningClient("Quorvel::launchDashboard");
        return;
    }
    q->mLaunchDelegate = delegate;
    bool hasOfflineData = QVLeaderboardService::hasLeaderboards();
    if (!QuorvelInternal::_hasUserApprovedQuorvel() && !hasOfflineData) {
        QuorvelInternal::presentUserQuorvelApprovalModal(QVDelegate(q, BRISKO_SELECTOR(Quorvel, _presentRootControllerWithTabbedDashboard)),
                                        QVDelegate());
        // A question already up (and perhaps still loading out of sight) comes into view.
        if (NavigationController* stack = QuorvelInternal::getActiveNavigationController())
            if (!stack->viewControllers().empty())
                if (auto* approval = dynamic_cast<QVApprovalScreen*>(stack->viewControllers().front().get()))
                    approval->show();
        return;
    }
    bool authenticated = q->mProvider && q->mProvider->isAuthenticated();
    if ((!authenticated || lastLoggedInUserId().empty()) && !hasOfflineData) {
        if (QVReachability::isConnectedToInternet()) {
            QuorvelInternal::launchLoginFlowToDashboard();
        } else {
            platform::ui::AlertView::alert("No Quorvel Account", "You must go online once and connect to the Quorvel server.",
                                           nullptr, "OK")
                ->show();
        }
        return;
    }
    QuorvelInternal::presentRootControllerWithTabbedDashboard(tabControllerName, controllers);
}

void Quorvel::_presentRootControllerWithTabbedDashboard(Object*)
{
    if (isOnline())
        QuorvelInternal::presentRootControllerWithTabbedDashboard({});
    else
        QuorvelInternal::destroyDashboard();
}

void QuorvelInternal::presentRootControllerWithTabbedDashboard(const std::string& tabControllerName,
                                                       const std::vector<DashboardEntry>& controllers)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q) {
        QVSessionRole::requireRunningClient("Quorvel::launchDashboard");
        return;
    }
    bool hubOpen = QuorvelInternal::isDashboardHubOpen();
    Ref<ViewController> dashboard = hubOpen ? Ref<ViewController>(contentController(q)) : QVControllerLoader::load("TabbedDashboard");
    if (!dashboard) {
        platform::logWarning("Quorvel: no tabbed dashboard could be loaded");
        return;
    }
    auto* tabbed = requireCast<QVTabbedDashboardScreen>(dashboard, "The tabbed dashboard must take its tabs");

    std::string tab = tabControllerName;
    if (tab.empty()) {
        std::string initial = QuorvelInternal::initialDashboardScreen();
        tab = QuorvelInternal::_hasUserApprovedQuorvel() && !initial.empty() ? initial : tabbed->dashboardDefaultTab();
    }
    bool online = isOnline();
    if (!online)
        tab = tabbed->dashboardOfflineTab();
    const std::vector<DashboardEntry> none;
    const std::vector<DashboardEntry>& entries = online ? controllers : none;

    if (hubOpen) {
        tabbed->showDashboardTab(tab, false);
        if (auto* nav = dynamic_cast<NavigationController*>(tabbed->selectedTabController()))
            nav->popToRootViewControllerAnimated(false);
    } else {
        QuorvelInternal::presentRootControllerWithModal(dashboard);
        tabbed->showDashboardTab(tab, false);
    }
    auto* target = dynamic_cast<NavigationController*>(tabbed->selectedTabController());

    bool push = true;
    Ref<ViewController> previous;
    for (auto& entry : entries) {
        if (!push)
            break;
        Ref<ViewController> screen;
        // A screen handed in already made carries its own settings; only
        // screens made here by name take the game page's.
        const bool madeHere = std::holds_alternative<std::string>(entry);
        if (auto* object = std::get_if<Ref<Object>>(&entry)) {
            auto* controller = dynamic_cast<ViewController*>(object->get());
            screen = controller ? Ref<ViewController>(controller) : previous;
        } else {
            const std::string& name = std::get<std::string>(entry);
            if (previous && previous->className() == "QVLeaderboardController") {
                // A leaderboard id: that leaderboard's scores.
                Ref<QVLeaderboard> leaderboard = QVLeaderboardService::getLeaderboard(name);
                if (!leaderboard) {
                    push = online;
                } else if ((screen = QVControllerLoader::load("HighScore"))) {
                    screen->setTitle("HighScore");
                    QVRequireSetter(screen.get(), "setLeaderboard", leaderboard.get());
                }
            } else {
                screen = QVControllerLoader::load(name);
            }
        }
        previous = screen;
        if (!screen)
            continue;
        if (tab == "GameProfile") {
            Ref<QVGameProfilePageInfo> info = QuorvelInternal::localGameProfileInfo();
            // A screen the game made keeps the settings the game gave it.
            tabbed->prepareGamePageScreen(target, madeHere ? screen.get() : nullptr, info.get());
            const std::string& title = screen->title();
            if (title == "Achievements") {
                push = info && info->hasAchievements();
            } else if (title == "Leaderboards" || title == "HighScore") {
                if (!(info && info->hasLeaderboards()) && !QVLeaderboardService::hasLeaderboards()) {
                    push = false;
                    continue;
                }
            } else {
                push = online;
            }
        } else {
            push = online;
        }
        if (push && target) {
            target->pushViewController(screen.get(), true);
            if (screen->className() == "QVAchievementListController")
                tabbed->achievementListPushed(screen.get());
        }
    }
}

bool QuorvelInternal::tryCreateDashboardWithModal(ViewController* screen)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return false;
    if (QuorvelInternal::isShowingFullScreen() || (q->mQVRootController && q->mIsDashboardDismissing)) {
        q->mQueuedRootModal = Ref<ViewController>(screen);
        return false;
    }
    q->mIsDashboardDismissing = false;
    QuorvelInternal::dashboardWillAppear();
    if (!q->mQVRootController) {
        Ref<ViewController> root = QVControllerLoader::load("Root");
        if (!root) {
            platform::logWarning("Quorvel: no root controller could be loaded");
            return false;
        }
        requireCast<QVRootFrame>(root, "The root controller must frame the dashboard's screens");
        q->mQVRootController = std::move(root);
    }
    ViewController* root = q->mQVRootController.get();
    QuorvelInternal::transformViewToDashboardOrientation(root->view());
    root->notifyViewWillAppear(true);
    if (platform::ui::Window* window = QuorvelInternal::getTopApplicationWindow())
        window->addSubview(root->view());
    root->notifyViewDidAppear(true);
    return true;
}

void QuorvelInternal::presentRootControllerWithModal(Ref<ViewController> screen)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || !screen || QuorvelInternal::isDisabled())
        return;
    QuorvelInternal::traceStep("presentRootControllerWithModal");
    if (!QuorvelInternal::tryCreateDashboardWithModal(screen.get())) {
        q->mIsQueuedModalAnOverlay = false;
        return;
    }
    q->mIsShowingOverlayModal = false;
    QVRootFrame* frame = rootFrame(q);
    Rect rootBounds = q->mQVRootController->view()->bounds();
    screen->view()->setFrame(Rect(0, 0, rootBounds.size.width, rootBounds.size.height));
    frame->setTransitionIn(platform::ui::TransitionSubtype::FromTop);
    frame->setTransitionOut(platform::ui::TransitionSubtype::FromBottom);
    frame->showController(screen.get());
}

void QuorvelInternal::presentModalOverlay(Ref<ViewController> screen) { QuorvelInternal::presentModalOverlay(std::move(screen), true); }

void QuorvelInternal::presentModalOverlay(Ref<ViewController> screen, bool opaque)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || !screen || QuorvelInternal::isDisabled())
        return;
    QuorvelInternal::traceStep("presentModalOverlay");
    if (!QuorvelInternal::tryCreateDashboardWithModal(screen.get())) {
        q->mIsQueuedModalAnOverlay = true;
        return;
    }
    q->mIsShowingOverlayModal = true;
    QVRootFrame* frame = rootFrame(q);
    View* rootView = q->mQVRootController->view();
    Rect bounds = QuorvelInternal::getDashboardBounds();
    if (!QuorvelInternal::isLargeScreen() && opaque) {
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

void QuorvelInternal::pushOnActiveNavigationController(Ref<ViewController> screen)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || !screen)
        return;
    if (!QuorvelInternal::isShowingFullScreen()) {
        QuorvelInternal::presentRootControllerWithModal(std::move(screen));
        return;
    }
    QuorvelInternal::traceStep("pushOnActiveNavigationController");
    if (NavigationController* nav = QuorvelInternal::getActiveNavigationController())
        nav->pushViewController(screen.get(), true);
    else
        q->mQVRootController->presentModalViewController(screen.get(), true);
}

// ---- Closing

void Quorvel::dismissDashboard() { QuorvelInternal::dismissRootController(); }

void QuorvelInternal::dismissRootController()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || !QuorvelInternal::isShowingFullScreen())
        return;
    Ref<Quorvel> keep(q);
    q->mIsDashboardDismissing = true;
    if (q->mIsShowingOverlayModal) {
        if (View* shade = q->mQVRootController->view()->viewWithTag(kOverlayBackgroundTag)) {
            View::beginAnimations("QVOverlayShadeOut");
            View::setAnimationDuration(kOverlayFadeDuration);
            shade->setAlpha(0);
            View::commitAnimations();
        }
    }
    rootFrame(q)->hideController();
    QuorvelInternal::dashboardWillDisappear();
}

void QuorvelInternal::animationDidStop(bool)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    Ref<Quorvel> keep(q);
    if (!q->mIsDashboardDismissing) {
        QuorvelInternal::dashboardDidAppear();
        return;
    }
    q->mIsDashboardDismissing = false;
    QuorvelInternal::destroyDashboard();
    if (Ref<ViewController> queued = std::move(q->mQueuedRootModal)) {
        q->mQueuedRootModal = nullptr;
        if (q->mIsQueuedModalAnOverlay)
            QuorvelInternal::presentModalOverlay(queued);
        else
            QuorvelInternal::presentRootControllerWithModal(queued);
    }
}

void QuorvelInternal::destroyDashboard()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    Ref<Quorvel> keep(q);
    QuorvelInternal::dashboardDidDisappear();
    if (Ref<ViewController> root = std::move(q->mQVRootController)) {
        q->mQVRootController = nullptr;
        if (auto* frame = dynamic_cast<QVRootFrame*>(root.get()))
            frame->cleanupSubviews();
        root->dismissModalViewControllerAnimated(false);
        if (root->isViewLoaded())
            root->view()->removeFromSuperview();
    }
    q->mLaunchDelegate = nullptr;
    platform::UserDefaults::standardUserDefaults().synchronize();
    if (QVImageCache* cache = QVImageCache::sharedInstance())
        cache->purge();
}

// ---- Appear and disappear

void QuorvelInternal::dashboardWillAppear()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    auto& app = platform::ui::Application::sharedApplication();
    q->mPreviousOrientation = static_cast<int>(app.statusBarOrientation());
    q->mPreviousStatusBarHidden = app.isStatusBarHidden();
    platform::ui::QVhideStatusBar(app, !QuorvelInternal::isLargeScreen(), true);
    app.setStatusBarOrientation(static_cast<platform::ui::InterfaceOrientation>(q->mDashboardOrientation));
    releaseReservedMemory();
    if (QuorvelDelegate* delegate = QuorvelInternal::getDelegate())
        delegate->dashboardWillAppear();
}

void QuorvelInternal::dashboardDidAppear()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    q->mDashboardVisable = true;
    QuorvelInternal::dashboardLaunched();
    if (QuorvelDelegate* delegate = QuorvelInternal::getDelegate())
        delegate->dashboardDidAppear();
}

void QuorvelInternal::dashboardWillDisappear()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    auto& app = platform::ui::Application::sharedApplication();
    if (!QuorvelInternal::isLargeScreen())
        app.setStatusBarOrientation(static_cast<platform::ui::InterfaceOrientation>(q->mPreviousOrientation), true);
    app.setStatusBarHidden(q->mPreviousStatusBarHidden, true);
    if (QuorvelDelegate* delegate = QuorvelInternal::getDelegate())
        delegate->dashboardWillDisappear();
}

void QuorvelInternal::dashboardDidDisappear()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    q->mDashboardVisable = false;
    QuorvelInternal::dashboardClosed();
    reserveMemory();
    if (QuorvelDelegate* delegate = QuorvelInternal::getDelegate())
        delegate->dashboardDidDisappear();
}

// ---- Online and offline mode

void QuorvelInternal::switchToOnlineDashboard()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || q->_quorvelFlags.isQuorvelDashboardInOnlineMode)
        return;
    QuorvelInternal::traceStep("switchToOnlineDashboard");
    QuorvelInternal::postUserOnline();
    if (QVTabbedDashboardScreen* tabbed = tabbedContent(q))
        tabbed->enterOnlineMode();
    QuorvelInternal::reloadInactiveTabBars();
    q->_quorvelFlags.isQuorvelDashboardInOnlineMode = true;
}

void QuorvelInternal::switchToOfflineDashboard()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || !q->_quorvelFlags.isQuorvelDashboardInOnlineMode)
        return;
    Ref<Quorvel> keep(q);
    QuorvelInternal::traceStep("switchToOfflineDashboard");
    QuorvelInternal::postUserOffline();
    QuorvelInternal::setUnviewedChallengesCount(0);
    QuorvelInternal::setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(0, 0, 0);
    QuorvelInternal::setPendingFriendsCount(0);
    if (auto* announcements = QVAnnouncementService::sharedService())
        announcements->clearLocalAnnouncements();
    if (QVTabbedDashboardScreen* tabbed = tabbedContent(q)) {
        tabbed->showDashboardTab("GameProfile", true);
        tabbed->enterOfflineMode();
        if (auto* nav = dynamic_cast<NavigationController*>(tabbed->selectedTabController())) {
            ViewController* top = nav->topViewController();
            if (top && top->className() == "QVGameProfileController")
                tabbed->refreshGamePage(top);
        }
        if (q->mQVRootController && q->mQVRootController->modalViewController())
            q->mQVRootController->dismissModalViewControllerAnimated(true);
    }
    q->_quorvelFlags.isQuorvelDashboardInOnlineMode = false;
}

void QuorvelInternal::reloadInactiveTabBars()
{
    QVTabbedDashboardScreen* tabbed = tabbedContent(QuorvelInternal::sharedInstance());
    if (!tabbed)
        return;
    ViewController* selected = tabbed->selectedTabController();
    for (ViewController* tab : tabbed->tabControllers()) {
        auto* nav = dynamic_cast<NavigationController*>(tab);
        if (!nav)
            continue;
        if (tab != selected) {
            nav->popToRootViewControllerAnimated(false);
            if (nav->topViewController())
                tabbed->reloadFromServer(nav->topViewController());
        }
        tabbed->refreshTabProfile(nav);
    }
}

// ---- Orientation

void Quorvel::setDashboardOrientation(int orientation)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || q->mDashboardOrientation == orientation)
        return;
    if (QuorvelInternal::isShowingFullScreen()) {
        if (!QuorvelInternal::isLargeScreen())
            return; // a phone's dashboard keeps the orientation it opened with
        platform::ui::Application::sharedApplication().setStatusBarOrientation(
            static_cast<platform::ui::InterfaceOrientation>(orientation), true);
        q->_rotateDashboardFromOrientation(q->mDashboardOrientation, orientation);
    }
    q->mDashboardOrientation = orientation;
}

void Quorvel::_rotateDashboardFromOrientation(int from, int to)
{
    if (!QuorvelInternal::isLargeScreen() || !mQVRootController)
        return;
    View::beginAnimations("QVInterfaceOrientationRotate");
    View::setAnimationDuration(isPortraitPair(from) != isPortraitPair(to) ? 0.4 : 0.8);
    QuorvelInternal::transformView(mQVRootController->view(), to);
    if (auto* frame = dynamic_cast<QVRootFrame*>(mQVRootController.get()))
        frame->centreContainer(); // the panel turns with the view, centred across it again
    QuorvelInternal::postDashboardOrientationChangedTo(to, from);
    View::commitAnimations();
}

void QuorvelInternal::transformView(View* view, int orientation)
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

void QuorvelInternal::transformViewToDashboardOrientation(View* view) { QuorvelInternal::transformView(view, getDashboardOrientation()); }

bool Quorvel::shouldAutorotateToInterfaceOrientation(int orientation, const int* supportedOrientations, int count)
{
    if (QuorvelInternal::isShowingFullScreen() && !QuorvelInternal::isLargeScreen())
        return false;
    for (int i = 0; i < count && supportedOrientations; ++i)
        if (supportedOrientations[i] == orientation)
            return true;
    return false;
}

// ---- Error screens

void QuorvelInternal::displayErrorMessage(const std::string& message)
{
    platform::logWarning("Quorvel: %s", message.c_str());
    if (!QuorvelInternal::isShowingFullScreen())
        return;
    bool offlineButton = QuorvelInternal::isDashboardHubOpen() && !QVReachability::isConnectedToInternet();
    Ref<ViewController> screen = offlineButton ? Ref<ViewController>(QVDeadEndErrorController::deadEndErrorWithMessageAndOfflineButton(message))
                                               : Ref<ViewController>(QVDeadEndErrorController::deadEndErrorWithMessage(message));
    QuorvelInternal::displayErrorMessage(screen, QuorvelInternal::getActiveNavigationController());
}

void QuorvelInternal::displayErrorMessageAndOfflineButton(const std::string& message)
{
    if (!QuorvelInternal::isShowingFullScreen())
        return;
    QuorvelInternal::displayErrorMessage(QVDeadEndErrorController::deadEndErrorWithMessageAndOfflineButton(message),
                        QuorvelInternal::getActiveNavigationController());
}

void QuorvelInternal::displayErrorMessage(Ref<ViewController> screen, NavigationController* navController)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || !screen || !q->mAllowErrorScreens || QuorvelInternal::isShowingErrorScreenInNavController(navController))
        return;
    QuorvelInternal::traceStep("displayErrorMessage");
    q->mIsErrorPending = true;
    Ref<NavigationController> nav(navController);
    platform::RunLoop::main().performAfter(kErrorPushDelay, [screen, nav] {
        if (Quorvel* instance = QuorvelInternal::sharedInstance())
            instance->mIsErrorPending = false;
        if (nav)
            nav->pushViewController(screen.get(), true);
    });
}

void QuorvelInternal::displayErrorScreen(Ref<ViewController> screen)
{
    QuorvelInternal::displayErrorMessage(std::move(screen), QuorvelInternal::getActiveNavigationController());
}

bool QuorvelInternal::isShowingErrorScreenInNavController(NavigationController* navController)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return false;
    if (navController) {
        if (dynamic_cast<QVDeadEndErrorController*>(navController->visibleViewController())
            || dynamic_cast<QVDeadEndErrorController*>(navController->topViewController()))
            return true;
    }
    return q->mIsErrorPending;
}

bool QuorvelInternal::areErrorScreensAllowed()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->mAllowErrorScreens;
}

void QuorvelInternal::allowErrorScreens(bool allow)
{
    if (Quorvel* q = QuorvelInternal::sharedInstance())
        q->mAllowErrorScreens = allow;
}

} // namespace quorvel
