// The native, web and in-dashboard approval screens.
#include "social/dashboard/account/QVApprovalControllers.h"

#include "platform/foundation/Format.h"

#include "platform/foundation/Log.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/NavigationController.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVServiceEndpoint.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVWebViewController.h"
#include "social/ui/QVRootController.h"
#include "social/ui/QVTabBarController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVUserQuorvelApprovalController);
QV_REGISTER_CLASS(QVEnableQuorvelInDashboardController);

namespace {

std::string enabledText()
{
    return platform::format("%s is Quorvel Enabled!", QuorvelInternal::sessionRole().applicationDisplayName().c_str());
}

void setIntroFullscreen(bool fullscreen, bool animated = true)
{
    if (auto* intro = QuorvelInternal::dashboardRole().activeIntroFrame())
        intro->setFullscreenFrame(fullscreen);
    (void)animated;
}

} // namespace

// ---- The native screen

void QVUserQuorvelApprovalController::setApprovedDelegate(const QVDelegate& approved, const QVDelegate& denied)
{
    mApprovedDelegate = approved;
    mDeniedDelegate = denied;
}

void QVUserQuorvelApprovalController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    appNameLabel_ = label(root.get(), Rect(20, 40, w - 40, 50), 20, {}, true);
    label(root.get(), Rect(20, 100, w - 40, 90), 14,
          "Quorvel lets you compare scores, earn achievements and play with your friends. Would you like to use it?");
    useButton_ = button(root.get(), Rect((w - 200) / 2, 210, 200, 37), "Use Quorvel", this,
                        BRISKO_SELECTOR(QVUserQuorvelApprovalController, clickedUseQuorvel));
    useButton_->setTag(1);
    dontUseButton_ = button(root.get(), Rect((w - 200) / 2, 260, 200, 37), "No Thanks", this,
                            BRISKO_SELECTOR(QVUserQuorvelApprovalController, clickedDontUseQuorvel), false);
    setView(root.get());
}

void QVUserQuorvelApprovalController::viewDidLoad()
{
    QVViewController::viewDidLoad();
    appNameLabel_->setText(enabledText());
}

void QVUserQuorvelApprovalController::viewWillAppear(bool)
{
    QuorvelInternal::dashboardRole().allowErrorScreens(false);
    setIntroFullscreen(false);
}

void QVUserQuorvelApprovalController::clickedUseQuorvel()
{
    // The account sequence is pushed over this screen; its end answers the game.
    if (answered_)
        return;
    answered_ = true;
    Quorvel::userDidApproveQuorvel(true, mApprovedDelegate);
}

void QVUserQuorvelApprovalController::clickedDontUseQuorvel()
{
    if (answered_)
        return;
    answered_ = true;
    Ref<QVUserQuorvelApprovalController> keep(this);
    Quorvel::userDidApproveQuorvel(false);
    dismiss();
    mDeniedDelegate.invoke(nullptr);
}

void QVUserQuorvelApprovalController::dismiss()
{
    QuorvelInternal::dashboardRole().allowErrorScreens(true);
    QuorvelInternal::dashboardRole().dismissRootControllerOrItsModal();
}

// ---- The web screen

void QVWebApprovalController::registerWebApprovalLayout()
{
    InterfaceRegistry::shared().registerLayout("UserQuorvelApprovalControllerQv", [](InterfaceBuilder& b) {
        auto screen = b.makeController<QVWebApprovalController>();
        return std::vector<Ref<platform::Object>> { screen };
    });
}

void QVWebApprovalController::unregisterWebApprovalLayout()
{
    InterfaceRegistry::shared().unregisterLayout("UserQuorvelApprovalControllerQv");
}

QVWebApprovalController::~QVWebApprovalController() { stopTimers(); }

void QVWebApprovalController::stopTimers()
{
    for (auto* timer : { &loadingTimeoutTimer_, &fallbackTimer_, &delayedFinishTimer_ })
        if (*timer) {
            (*timer)->invalidate();
            *timer = nullptr;
        }
}

void QVWebApprovalController::setApprovedDelegate(const QVDelegate& approved, const QVDelegate& denied)
{
    mApprovedDelegate = approved;
    mDeniedDelegate = denied;
}

std::string QVWebApprovalController::getAction()
{
    // Relative to the server address, which ends in "/".
    return "web_views/simple_intro/" + QVServicePath::encodeSegment(QuorvelInternal::sessionRole().applicationDisplayName());
}

std::map<std::string, QVWebViewController::WebAction> QVWebApprovalController::getDispatchDictionary()
{
    auto actions = QVWebViewController::getDispatchDictionary();
    actions["approve"] = static_cast<WebAction>(&QVWebApprovalController::_webActionApprove);
    actions["decline"] = static_cast<WebAction>(&QVWebApprovalController::_webActionDecline);
    return actions;
}

void QVWebApprovalController::viewWillAppear(bool animated)
{
    QVWebViewController::viewWillAppear(animated); // loads the page the first time
    if (!loadingOutOfSight_)
        loadOutOfSight();
    webView()->setAlpha(isLoaded_ ? 1 : 0);
}

void QVWebApprovalController::viewDidAppear(bool animated)
{
    QVWebViewController::viewDidAppear(animated);
    webView()->setAlpha(isLoaded_ ? 1 : 0);
}

void QVWebApprovalController::loadOutOfSight()
{
    loadingOutOfSight_ = true;
    QVDashboardRole& host = QuorvelInternal::dashboardRole();
    WebView* web = webView();
    view()->setBackgroundColor(Color::white(0.5f));
    web->setBackgroundColor(Color::white(0.5f));
    web->setAlpha(0);
    Rect bounds = host.getDashboardBounds();
    bounds.origin = platform::Point(0, 0);
    web->setFrame(bounds);
    view()->sendSubviewToBack(web);
    Ref<QVWebApprovalController> self(this);
    loadingTimeoutTimer_ = platform::RunLoop::main().performAfter(kShowTimeout, [self] { self->show(); });
}

void QVWebApprovalController::webViewDidFinishLoad(WebView* web)
{
    std::string layout = web->stringByEvaluatingJavaScriptFromString("document.body.className");
    if (layout == "ipad" || layout == "landscape" || layout == "portrait") {
        Ref<QVWebApprovalController> self(this);
        delayedFinishTimer_
            = platform::RunLoop::main().performAfter(kDelayedFinish, [self] { self->webViewDidFinishDelayedLoad(); });
        return;
    }
    webViewDidFailLoadWithError(web, WebError { "ServerError", 0, "The page is not a known layout" });
}

void QVWebApprovalController::webViewDidFinishDelayedLoad()
{
    delayedFinishTimer_ = nullptr;
    if (switched_)
        return;
    QVWebViewController::webViewDidFinishLoad(webView());
    isLoaded_ = true;
    View::beginAnimations("webApprovalFadeIn");
    webView()->setAlpha(1);
    View::commitAnimations();
    show();
}

void QVWebApprovalController::show()
{
    if (isShown_)
        return;
    isShown_ = true;
    if (loadingTimeoutTimer_) {
        loadingTimeoutTimer_->invalidate();
        loadingTimeoutTimer_ = nullptr;
    }
    if (!isLoaded_) {
        Ref<QVWebApprovalController> self(this);
        fallbackTimer_ = platform::RunLoop::main().performAfter(kNativeFallbackTimeout,
                                                                [self] { self->switchToNativeIfNotYetLoaded(); });
    }
}

void QVWebApprovalController::switchToNativeIfNotYetLoaded()
{
    fallbackTimer_ = nullptr;
    if (isLoaded_ || switched_)
        return;
    webView()->stopLoading(); // a load in progress reports itself failed
    if (!switched_)
        webViewDidFailLoadWithError(webView(), WebError { kURLErrorDomain, kURLErrorCancelled, "timed out" });
}

void QVWebApprovalController::webViewDidFailLoadWithError(WebView*, const WebError& error)
{
    // One switch only: a late failure after it (or after the player answered) changes nothing.
    if (switched_ || answered_)
        return;
    switched_ = true;
    platform::logWarning("Error Loading Webview: %s (%s %d)", error.localizedDescription.c_str(), error.domain.c_str(),
                         error.code);
    Ref<QVWebApprovalController> keep(this);
    stopTimers();
    Ref<platform::Object> made = QVUserQuorvelApprovalController::qvCreateInstance();
    Ref<QVUserQuorvelApprovalController> native(dynamic_cast<QVUserQuorvelApprovalController*>(made.get()));
    if (!native || !native->init())
        return;
    native->setApprovedDelegate(mApprovedDelegate, mDeniedDelegate);
    if (auto* intro = QuorvelInternal::dashboardRole().activeIntroFrame())
        intro->setFullscreenFrame(false);
    if (NavigationController* nav = navigationController())
        nav->setViewControllers({ Ref<ViewController>(native.get()) }, false);
    isLoaded_ = true;
    isShown_ = true;
}

void QVWebApprovalController::_webActionApprove(const std::vector<std::string>&)
{
    if (answered_)
        return;
    answered_ = true;
    stopTimers();
    Quorvel::userDidApproveQuorvel(true, mApprovedDelegate);
    setIntroFullscreen(false);
}

void QVWebApprovalController::_webActionDecline(const std::vector<std::string>&)
{
    if (answered_)
        return;
    answered_ = true;
    Ref<QVWebApprovalController> keep(this);
    stopTimers();
    Quorvel::userDidApproveQuorvel(false);
    QuorvelInternal::dashboardRole().allowErrorScreens(true);
    QuorvelInternal::dashboardRole().dismissRootControllerOrItsModal();
    mDeniedDelegate.invoke(nullptr);
}

// ---- Enable from inside the dashboard

void QVEnableQuorvelInDashboardController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    appNameLabel_ = label(root.get(), Rect(20, 40, w - 40, 50), 20, {}, true);
    label(root.get(), Rect(20, 100, w - 40, 70), 14, "Turn Quorvel on to compare scores with your friends.");
    enableQuorvelButton_ = button(root.get(), Rect(20, 200, (w - 50) / 2, 37), "Enable Quorvel", this,
                                  BRISKO_SELECTOR(QVEnableQuorvelInDashboardController, clickedEnableQuorvel));
    leaderboardsButton_ = button(root.get(), Rect(30 + (w - 50) / 2, 200, (w - 50) / 2, 37), "Leaderboards", this,
                                 BRISKO_SELECTOR(QVEnableQuorvelInDashboardController, clickedLeaderboards), false);
    setView(root.get());
}

void QVEnableQuorvelInDashboardController::viewDidLoad()
{
    QVViewController::viewDidLoad();
    appNameLabel_->setText(enabledText());
}

void QVEnableQuorvelInDashboardController::viewWillAppear(bool)
{
    Ref<QVGameProfilePageInfo> info = QuorvelInternal::sessionRole().localGameProfileInfo();
    if (info && info->hasLeaderboards())
        return;
    leaderboardsButton_->setHidden(true);
    Rect enable = enableQuorvelButton_->frame();
    Rect boards = leaderboardsButton_->frame();
    float middle = ((enable.origin.x + enable.size.width / 2) + (boards.origin.x + boards.size.width / 2)) / 2;
    enable.origin.x = middle - enable.size.width / 2;
    enableQuorvelButton_->setFrame(enable);
}

void QVEnableQuorvelInDashboardController::clickedEnableQuorvel()
{
    QuorvelInternal::dashboardRole().allowErrorScreens(false);
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::login().presentConfirmAccountModal(QVDelegate(this, BRISKO_SELECTOR(QVEnableQuorvelInDashboardController,
                                                                         _switchToOnlineMode)),
                                        true);
}

void QVEnableQuorvelInDashboardController::_switchToOnlineMode(platform::Object*)
{
    QuorvelInternal::dashboardRole().allowErrorScreens(true);
    // The dashboard's tabs were made offline: they load again from the first.
    auto* root = dynamic_cast<QVRootController*>(QuorvelInternal::dashboardRole().getRootController());
    if (auto* tabs = root ? dynamic_cast<QVTabBarController*>(root->contentController()) : nullptr) {
        tabs->forceUnloadAllTabs();
        tabs->showTabAtIndex(0);
    }
}

void QVEnableQuorvelInDashboardController::_stayInOfflineMode(platform::Object*) { hideLoadingScreen(); }

void QVEnableQuorvelInDashboardController::clickedLeaderboards()
{
    Ref<ViewController> screen
        = QVControllerLoader::loadWithParams("Leaderboard", { { "gameProfileInfo", QuorvelInternal::sessionRole().localGameProfileInfo() } });
    if (screen && navigationController())
        navigationController()->pushViewController(screen.get(), true);
}

} // namespace quorvel
