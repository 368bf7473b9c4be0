// The tabbed dashboard: its tabs, badges, ticker and online and offline modes.
#include "social/dashboard/frame/QVTabbedDashboardController.h"

#include "platform/device/Application.h"
#include "platform/foundation/Boxed.h"
#include "platform/foundation/NotificationCenter.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVSystemVersion.h"
#include "social/services/QVAnnouncementService.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"
#include "social/ui/QVWebNavController.h"

#include <iterator>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVTabbedDashboardController);

// ---- The shell

namespace {

std::string imageName(const char* pattern, const std::string& suffix, const char* state)
{
    return std::string(pattern) + suffix + state + ".png";
}

std::string tabImageSuffix()
{
    QVDashboardRole& host = QuorvelInternal::dashboardRole();
    if (host.isLargeScreen())
        return "IPad";
    return host.isInLandscapeMode() ? "Landscape" : "Portrait";
}

} // namespace

std::string QVTabbedDashboardController::gameCount()
{
    unsigned count = static_cast<unsigned>(QuorvelInternal::options().unviewedChallengesCount()) + QVAnnouncementService::unreadAnnouncements();
    return std::to_string(count);
}

std::string QVTabbedDashboardController::playerCount()
{
    return std::to_string(static_cast<unsigned>(QuorvelInternal::options().unreadInboxTotal() + QuorvelInternal::options().pendingFriendsCount()));
}

bool QVTabbedDashboardController::init()
{
    QVDashboardRole& host = QuorvelInternal::dashboardRole();
    Rect bounds = host.getDashboardBounds();
    if (!QVTabBarController::initWithFrame(Rect(0, kTickerHeight, bounds.size.width, bounds.size.height - kTickerHeight)))
        return false;
    // The dashboard keeps its tabs through memory warnings.
    platform::NotificationCenter::defaultCenter().removeObserver(this, kApplicationDidReceiveMemoryWarningNotification);

    hostView_ = View::viewWithFrame(Rect(0, 0, bounds.size.width, bounds.size.height));
    hostView_->setBackgroundColor(Color::black());
    if (auto cls = QVControllerLoader::getViewClass("Ticker")) {
        Ref<platform::Object> made = QVClassRegistry::create(*cls);
        tickerView_ = Ref<QVTickerView>(requireCast<QVTickerView>(made, "The ticker's class must make a ticker view"));
        if (tickerView_ && !tickerView_->initWithDelegate(this, Rect(0, 0, bounds.size.width, kTickerHeight)))
            tickerView_ = nullptr;
    }
    if (tickerView_)
        hostView_->addSubview(tickerView_.get());
    hostView_->addSubview(containerView());
    QVTickerProxy::getNextMessage(this);
    _styleTabBar();
    _addAllViewControllers();
    if (tickerView_)
        hostView_->bringSubviewToFront(tickerView_.get());
    if (host.isInLandscapeMode()) {
        // Takes the touches over the strip just below the close button.
        touchBlocker_ = View::viewWithFrame(Rect(bounds.size.width - kTouchBlockerWidth, kTouchBlockerY, kTouchBlockerWidth,
                                                 kTouchBlockerHeight));
        touchBlocker_->setBackgroundColor(std::nullopt);
        touchBlocker_->setOpaque(false);
        touchBlocker_->setUserInteractionEnabled(true);
        hostView_->addSubview(touchBlocker_.get());
    }
    if (!QuorvelInternal::sessionRole().isOnline())
        setOfflineMode(this);
    setDelegate(this);
    _addModalContentController();
    // A tab's badge counts what its pages count, also while its page is not loaded (a memory
    // warning unloaded it, or it was never opened).
    auto& center = platform::NotificationCenter::defaultCenter();
    for (const char* count : { Quorvel::kUnviewedChallengeCountChanged, Quorvel::kUnreadAnnouncementCountChanged,
                               Quorvel::kPendingFriendCountChanged, Quorvel::kUnreadInboxCountChanged })
        center.addObserver(this, count, [this](const platform::Notification&) { _countsChanged(); });
    return true;
}

void QVTabbedDashboardController::_countsChanged()
{
    const auto& items = tabBarItems();
    if (items.size() > 0)
        items[0]->setBadgeValue(gameCount());
    if (items.size() > 1)
        items[1]->setBadgeValue(playerCount());
}

void QVTabbedDashboardController::_addModalContentController()
{
    std::string url = QuorvelInternal::dashboardRole().initialDashboardModalContentURL();
    if (url.empty())
        return;
    if (url.find("://") == std::string::npos) {
        // A path on the client's server.
        std::optional<std::string> server = QVSettings::Instance() ? QVSettings::Instance()->objectForKey("server-url")
                                                                   : std::nullopt;
        std::string base = server.value_or(std::string());
        if (!base.empty() && base.back() == '/' && !url.empty() && url.front() == '/')
            url.erase(0, 1);
        url = base + url;
    }
    Ref<QVWebNavController> web = QVWebNavController::controllerWithTitle("", url, true);
    if (!web)
        return;
    web->setDismissOnPopToRoot(true);
    mModalDashboardContentController = web.get();
}

void QVTabbedDashboardController::_presentModalContentController()
{
    if (!mModalDashboardContentController || QVIsOS2())
        return;
    if (ViewController* root = QuorvelInternal::dashboardRole().getRootController())
        root->presentModalViewController(mModalDashboardContentController.get(), true);
}

QVTabbedDashboardController::~QVTabbedDashboardController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (tickerRetry_)
        tickerRetry_->invalidate();
    if (tickerView_)
        tickerView_->setDelegate(nullptr);
    QVTickerProxy::neverMind(this);
}

void QVTabbedDashboardController::loadView()
{
    if (hostView_)
        setView(hostView_.get());
    else
        QVTabBarController::loadView();
}

Ref<QVTabBar> QVTabbedDashboardController::createTabBar()
{
    if (!mTabBar) {
        Rect container = containerView() ? containerView()->bounds() : Rect();
        mTabBar = QVTabBar::withFrame(Rect(0, container.size.height - kTabBarHeight, container.size.width, kTabBarHeight));
    }
    mTabBar->style = 2;
    return mTabBar;
}

void QVTabbedDashboardController::_styleTabBar()
{
    QVTabBar* bar = tabBar();
    if (!bar)
        return;
    // Each tab is one image as wide as its share of the strip, its icon centred
    // at the top and its name under it: the badge goes just right of the icon,
    // level with it, so it stays on the strip (over the list above it, it
    // hid the list's last words); where the name under the icon reaches under
    // it, the item moves it clear of the name.
    bar->placeBadgeTopRight = false;
    // The badge's art leaves a point clear round its lozenge: the lozenge starts at the strip's top.
    bar->badgeOffset = platform::Point(QVDashboardTabArt::kIconSize / 2 + 2 + QVBadgeView::minimumSize().width / 2,
                                       QVBadgeView::minimumSize().height / 2 - 1 - kTabBarHeight / 2);
    bar->drawnNameTop = QVDashboardTabArt::kNameTop;
    bar->drawnNameFontSize = QVDashboardTabArt::kNameSize;
    bar->changeZOrderOnTap = false;
    bar->dividerImage = QVLoadKitImage("QVTabBarDivider.png");
    bar->pulse = false;
    bar->setBackgroundColor(Color::rgb(0.10f, 0.11f, 0.13f));
    bar->activeTextColor = Color::rgb(0.45f, 0.80f, 1.0f);
    bar->inactiveTextColor = Color::white(0.62f);
}

void QVTabbedDashboardController::_addAllViewControllers()
{
    std::string suffix = tabImageSuffix();
    addViewControllerOfDisabledControllerName("GameProfile", "EnableQuorvelInDashboard",
                                              QuorvelInternal::sessionRole().applicationShortDisplayName(),
                                              imageName("QVDashboardTabNowPlaying", suffix, "Hit"),
                                              imageName("QVDashboardTabNowPlaying", suffix, ""), "", gameCount());
    addViewController("MyQuorvel", "My Quorvel", imageName("QVDashboardTabMyQuorvel", suffix, "Hit"),
                      imageName("QVDashboardTabMyQuorvel", suffix, ""),
                      imageName("QVDashboardTabMyQuorvel", suffix, "Disabled"), playerCount());
    addViewController("GameDiscovery", "Games", imageName("QVDashboardTabDiscovery", suffix, "Hit"),
                      imageName("QVDashboardTabDiscovery", suffix, ""),
                      imageName("QVDashboardTabDiscovery", suffix, "Disabled"));
    // The names the tabs' art shows (the first tab's item is named for the game).
    const auto& items = tabBarItems();
    for (size_t i = 0; i < items.size() && i < std::size(QVDashboardTabArt::kNames); ++i)
        items[i]->setDrawnName(QVDashboardTabArt::kNames[i]);
}

std::optional<Ref<ViewController>> QVTabbedDashboardController::tabBarLoadViewController(QVTabBar*,
                                                                                        const std::string& controllerName,
                                                                                        QVTabBarItem*)
{
    return Ref<ViewController>(QVTabbedDashboardPageController::pageWithController(controllerName).get());
}

void QVTabbedDashboardController::tabBarControllerDidLoadViewController(QVTabBarController*, ViewController* vc,
                                                                        QVTabBarItem* item)
{
    if (!item || item->viewController() != vc)
        return;
    auto* nav = dynamic_cast<NavigationController*>(vc);
    ViewController* visible = nav ? nav->visibleViewController() : nullptr;
    if (item->name() == "Quorvel Lobby") {
        if (visible)
            requireCast<QVChatRoomKindsScreen>(visible, "The lobby must list chat rooms")->setRoomKinds(true, false, false);
        return;
    }
    if (nav && dynamic_cast<QVGamePageScreen*>(nav->topViewController())) {
        if (auto* page = dynamic_cast<QVGamePageScreen*>(visible)) {
            visible->setTitle(QuorvelInternal::sessionRole().applicationShortDisplayName());
            page->registerForBadgeNotifications();
        }
    }
}

void QVTabbedDashboardController::tabBarControllerDidSelectViewController(QVTabBarController*, ViewController* selected)
{
    for (const auto& item : tabBarItems()) {
        if (auto* nav = dynamic_cast<QVNavigationController*>(item->viewController()))
            nav->setIsInHiddenTab(nav != selected);
    }
}

NavigationController* QVTabbedDashboardController::activeNavigationController()
{
    return tabBar() ? dynamic_cast<NavigationController*>(tabBar()->selectedViewController()) : nullptr;
}

// ---- Online and offline

namespace {

// The class registered for "TabbedDashboard", as an instance only constructed
// (its class side); the client's own when the name gives another kind of class.
Ref<QVTabbedDashboardController> registeredDashboardClass()
{
    std::optional<std::string> name = QVControllerLoader::getControllerClass("TabbedDashboard");
    Ref<platform::Object> made = name ? QVClassRegistry::create(*name) : nullptr;
    if (auto* cls = dynamic_cast<QVTabbedDashboardController*>(made.get()))
        return Ref<QVTabbedDashboardController>(cls);
    return Ref<QVTabbedDashboardController>(
        dynamic_cast<QVTabbedDashboardController*>(QVTabbedDashboardController::qvCreateInstance().get()));
}

} // namespace

void QVTabbedDashboardController::setOfflineMode(QVTabbedDashboardController* dashboard)
{
    registeredDashboardClass()->_setOfflineMode(dashboard);
}

void QVTabbedDashboardController::setOnlineMode(QVTabbedDashboardController* dashboard)
{
    registeredDashboardClass()->_setOnlineMode(dashboard);
    if (dashboard)
        QVTickerProxy::getNextMessage(dashboard);
}

void QVTabbedDashboardController::_setOfflineMode(QVTabbedDashboardController* dashboard)
{
    if (!dashboard)
        return;
    dashboard->disableTabViewControllerNamed("GameDiscovery");
    dashboard->disableTabViewControllerNamed("MyQuorvel");
    // A player who turned the client off (a logout) finds on the game's tab the offer to turn it on
    // again, as on a dashboard opened now: the tab's page is made again for the player's choice.
    for (const auto& item : dashboard->tabBarItems())
        if (item->viewControllerName() == "GameProfile" && item->isControllerOutdated()) {
            dashboard->unloadTabBarItemNamed("GameProfile");
            return;
        }
}

void QVTabbedDashboardController::_setOnlineMode(QVTabbedDashboardController* dashboard)
{
    if (!dashboard)
        return;
    dashboard->enableAllTabs();
    dashboard->unloadTabBarItemNamed("GameProfile");
    dashboard->_countsChanged();
}

// ---- Ticker

void QVTabbedDashboardController::newTickerMessage(const std::string& text)
{
    if (tickerView_)
        tickerView_->setText(text);
}

void QVTabbedDashboardController::textFinishedScrolling()
{
    ViewController* root = QuorvelInternal::dashboardRole().getRootController();
    if (root && root->modalViewController()) {
        // Nothing new while a modal screen covers the dashboard: ask again later.
        if (tickerRetry_)
            tickerRetry_->invalidate();
        tickerRetry_ = platform::RunLoop::main().performAfter(kTickerRetryDelay, [this] {
            tickerRetry_ = nullptr;
            textFinishedScrolling();
        });
        return;
    }
    QVTickerProxy::getNextMessage(this);
}

void QVTabbedDashboardController::onXPressed()
{
    // The close button closes the dashboard only while it is shown.
    if (QuorvelInternal::dashboardRole().dashboardVisible())
        QuorvelInternal::dashboardRole().dismissDashboard();
}

} // namespace quorvel
