// The web approval screen: the server's page loaded out of sight, shown, or
// given up for the native screen.
#include "social/dashboard/account/QVWebApprovalController.h"

#include "platform/foundation/Log.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/dashboard/account/QVUserQuorvelApprovalController.h"
#include "social/runtime/QVServiceEndpoint.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVWebViewController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using account_steps::setIntroFullscreen;
using platform::Rect;
using platform::Ref;

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

} // namespace quorvel
