// The single web screen: the signed page request, the "quorvel:" link bridge,
// the outside hosts and the error page.
#include "social/ui/QVWebViewController.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Boxed.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Text.h"
#include "platform/ui/NavigationController.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVRootController.h"
#include "social/ui/QVTabBarController.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Ref;
using platform::Rect;

QV_REGISTER_CLASS(QVWebViewController);

namespace {

std::string lower(std::string s)
{
    return platform::asciiLowercased(s);
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

} // namespace

// ---- URLs

QVWebURL QVWebURL::parse(const std::string& url)
{
    QVWebURL u;
    size_t colon = url.find(':');
    size_t firstSpecial = url.find_first_of("/?#");
    if (colon == std::string::npos || (firstSpecial != std::string::npos && firstSpecial < colon)) {
        u.resourceSpecifier = url;
        u.path = url;
        return u;
    }
    u.scheme = lower(url.substr(0, colon));
    u.resourceSpecifier = url.substr(colon + 1);
    std::string rest = u.resourceSpecifier;
    if (size_t hash = rest.find('#'); hash != std::string::npos)
        rest.erase(hash);
    if (size_t q = rest.find('?'); q != std::string::npos) {
        u.query = rest.substr(q + 1);
        rest.erase(q);
    }
    if (rest.rfind("//", 0) == 0) {
        size_t slash = rest.find('/', 2);
        std::string authority = rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
        if (size_t at = authority.rfind('@'); at != std::string::npos)
            authority.erase(0, at + 1);
        if (size_t port = authority.rfind(':'); port != std::string::npos && authority.find(']') == std::string::npos)
            authority.erase(port);
        u.host = lower(authority);
        u.path = slash == std::string::npos ? "" : rest.substr(slash);
    } else {
        u.path = rest;
    }
    return u;
}

std::string QVWebURL::resolve(const std::string& base, const std::string& reference)
{
    if (!parse(reference).scheme.empty())
        return reference;
    QVWebURL b = parse(base);
    if (b.scheme.empty())
        return reference;
    std::string origin = b.scheme + ":";
    if (!b.host.empty() || b.resourceSpecifier.rfind("//", 0) == 0) {
        std::string specifier = b.resourceSpecifier;
        size_t slash = specifier.find_first_of("/?#", 2);
        origin += specifier.substr(0, slash);
    }
    if (reference.rfind("//", 0) == 0)
        return b.scheme + ":" + reference;
    if (!reference.empty() && reference[0] == '/')
        return origin + reference;
    if (!reference.empty() && (reference[0] == '?' || reference[0] == '#'))
        return origin + b.path + reference;
    std::string dir = b.path.substr(0, b.path.rfind('/') == std::string::npos ? 0 : b.path.rfind('/') + 1);
    if (dir.empty())
        dir = "/";
    // Removes "." and ".." segments.
    std::vector<std::string> out;
    for (auto& segment : split(dir + reference, '/')) {
        if (segment == ".")
            continue;
        if (segment == "..") {
            if (out.size() > 1)
                out.pop_back();
            continue;
        }
        out.push_back(segment);
    }
    std::string path;
    for (size_t i = 0; i < out.size(); ++i)
        path += (i ? "/" : "") + out[i];
    if (path.empty() || path[0] != '/')
        path = "/" + path;
    return origin + path;
}

std::string QVWebHosts::serverHost()
{
    QVProvider* provider = QVSessionRole::current().provider();
    return provider ? QVWebURL::parse(provider->serverUrl()).host : std::string();
}

bool QVWebHosts::isTrustedPage(const std::string& pageUrl)
{
    std::string server = serverHost();
    return !server.empty() && QVWebURL::parse(pageUrl).host == server;
}

std::string QVEscapeJavaScriptString(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\'': out += "\\'"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '<': out += "\\x3C"; break;
        default: out += c;
        }
    }
    return out;
}

bool QVWebBridgeMayPush(ViewController* screen)
{
    return screen && !dynamic_cast<NavigationController*>(screen) && !dynamic_cast<QVTabBarController*>(screen)
        && !dynamic_cast<QVRootController*>(screen);
}

// ---- QVWebViewController

QVWebViewController::~QVWebViewController()
{
    if (mWebView) {
        mWebView->setDelegate(nullptr);
        mWebView->stopLoading();
    }
}

WebView* QVWebViewController::webView()
{
    view();
    return mWebView.get();
}

void QVWebViewController::loadView()
{
    auto root = View::viewWithFrame(Screen::mainScreen().applicationFrame());
    root->setBackgroundColor(Color::clear());
    root->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    root->setAutoresizesSubviews(true);
    setView(root.get());

    if (mWebView) {
        mWebView->stopLoading();
        mWebView->setDelegate(nullptr);
    }
    mWebView = WebView::webViewWithFrame(root->bounds());
    mWebView->setDelegate(this);
    mWebView->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    mWebView->setScalesPageToFit(true);
    mWebView->setDataDetectorTypes(DataDetectorNone);

    mLoadingView = ActivityIndicator::withStyle(ActivityIndicator::Style::WhiteLarge);
    platform::Size screen = Screen::mainScreen().bounds().size;
    if (QVDashboardRole::current().isInLandscapeMode())
        std::swap(screen.width, screen.height);
    mLoadingView->setFrame(Rect((screen.width - kSpinnerSize) / 2, (screen.height - kSpinnerSize) / 2, kSpinnerSize,
                                kSpinnerSize));
    mLoadingView->setHidesWhenStopped(true);
    mLoadingView->stopAnimating();
}

void QVWebViewController::viewWillAppear(bool animated)
{
    QVViewController::viewWillAppear(animated);
    setTitle(getTitle());
    View* own = view();
    mWebView->removeFromSuperview();
    mWebView->setFrame(own->bounds());
    mWebView->setAlpha(1);
    own->addSubview(mWebView.get());
    mWebView->layoutIfNeeded();
    Rect b = own->bounds();
    mLoadingView->setCenter(platform::Point(std::round(b.size.width / 2), std::round(b.size.height / 2)));
    if (!mLoadingView->superview())
        own->addSubview(mLoadingView.get());
    QVDashboardRole& host = QVDashboardRole::current();
    if (!host.isLargeScreen())
        mWebView->stringByEvaluatingJavaScriptFromString(
            std::string("setOrientation('") + (host.isInLandscapeMode() ? "landscape" : "portrait") + "')");
    own->bringSubviewToFront(mLoadingView.get());
    if (!didFirstLoad_)
        loadWebContent();
}

void QVWebViewController::loadWebContent()
{
    view();
    didFirstLoad_ = true;
    QVDashboardRole& host = QVDashboardRole::current();
    bool landscape = host.isInLandscapeMode();
    OAuthURLRequest::Parameters parameters;
    parameters.push_back(OAuthURLRequestParameter::parameterWithName("landscape", landscape ? "1" : "0"));
    parameters.push_back(OAuthURLRequestParameter::parameterWithName(
        "orientation", host.isLargeScreen() ? "ipad" : (landscape ? "landscape" : "Portrait")));
    for (auto& p : getParameters())
        parameters.push_back(p);
    QVProvider* provider = QVSessionRole::current().provider();
    if (!provider) {
        platform::logWarning("QVWebViewController: no provider to request %s", getAction().c_str());
        return;
    }
    Ref<OAuthAPIRequestLoader> loader = provider->getRequestForAction(
        getAction(), parameters, "GET", QVDelegate(), QVDelegate(), 2,
        QVRequestUIRole::current().foregroundNotice(notificationString()).get(), true);
    if (!loader)
        return;
    platform::HttpRequestData data = loader->getConfiguredRequest();
    URLRequest request(data.url);
    request.method = data.method;
    request.headers = data.headers;
    request.body = data.body;
    mWebView->loadRequest(request);
}

std::map<std::string, QVWebViewController::WebAction> QVWebViewController::getDispatchDictionary()
{
    return {
        { "pop", &QVWebViewController::_webActionPopController },
        { "push", &QVWebViewController::_webActionPushController },
        { "ipurchase", &QVWebViewController::_webActionPushIPurchase },
    };
}

bool QVWebViewController::webViewShouldStartLoadWithRequest(WebView* web, const URLRequest& request,
                                                            WebViewNavigationType)
{
    QVWebURL url = QVWebURL::parse(request.url);
    if (url.scheme == "quorvel") {
        if (!QVWebHosts::isTrustedPage(web->currentURL())) {
            platform::logWarning("QVWebViewController: ignored %s from a page outside the server", request.url.c_str());
            return false;
        }
        std::vector<std::string> parts = split(url.resourceSpecifier, '?');
        if (parts.size() > 2)
            return true;
        if (!mDispatch)
            mDispatch = getDispatchDictionary();
        auto it = mDispatch->find(parts[0]);
        if (it == mDispatch->end())
            return true;
        std::vector<std::string> parameters;
        if (parts.size() == 2)
            parameters = split(parts[1], '&');
        Ref<QVWebViewController> keep(this);
        (this->*(it->second))(parameters);
        return false;
    }
    if (!url.host.empty() && url.host == lower(QVWebHosts::applicationStore)) {
        platform::ui::Application::sharedApplication().openURL(request.url);
        return false;
    }
    if (!url.host.empty() && url.host == lower(QVWebHosts::oauthRedirect)) {
        if (QVProvider* provider = QVSessionRole::current().provider()) {
            std::string path = url.path.empty() ? url.path : url.path.substr(1);
            Ref<OAuthAPIRequestLoader> loader = provider->getRequestForAction(
                path, {}, "GET", QVDelegate(), QVDelegate(), 2,
                QVRequestUIRole::current().foregroundNotice("Downloaded").get(), true);
            if (loader) {
                platform::HttpRequestData data = loader->getConfiguredRequest();
                URLRequest signedRequest(data.url);
                signedRequest.method = data.method;
                signedRequest.headers = data.headers;
                signedRequest.body = data.body;
                web->loadRequest(signedRequest);
            }
        }
        return false;
    }
    return true;
}

void QVWebViewController::webViewDidStartLoad(WebView*) { mLoadingView->startAnimating(); }

void QVWebViewController::webViewDidFinishLoad(WebView*) { mLoadingView->stopAnimating(); }

std::string QVWebViewController::errorPage(const WebError& error)
{
    std::string message;
    if (error.domain == kURLErrorDomain && error.code == kURLErrorNotConnectedToInternet) {
        message = kNotConnectedMessage;
    } else {
        std::string text = kErrorMessage;
        text.replace(text.find("%s"), 2, QVXmlEscape(error.localizedDescription, true));
        message = text;
    }
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\" />"
           "<meta name=\"viewport\" content=\"width=device-width, user-scalable=no\" /></head>"
           "<body style=\"background-color: #000000; width: 320px; height: 480px; margin: 0; padding: 0; "
           "color: white; font-family: Helvetica;\">"
           "<table width=\"320\" height=\"480\"><tr><td align=\"center\" valign=\"middle\">"
        + message + "</td></tr></table></body></html>";
}

void QVWebViewController::webViewDidFailLoadWithError(WebView* web, const WebError& error)
{
    if (error.code == kURLErrorCancelled || error.code == kWebFrameLoadInterrupted)
        return;
    mLoadingView->stopAnimating();
    web->loadHTMLString(errorPage(error), "");
}

void QVWebViewController::_webActionPopController(const std::vector<std::string>&)
{
    if (NavigationController* nav = navigationController())
        nav->popViewControllerAnimated(true);
}

void QVWebViewController::_webActionPushController(const std::vector<std::string>& parameters)
{
    if (parameters.size() != 1)
        return;
    NavigationController* nav = navigationController();
    Ref<ViewController> screen = QVControllerLoader::load(parameters[0]);
    if (!nav || !screen)
        return;
    if (!QVWebBridgeMayPush(screen.get())) {
        platform::logWarning("QVWebViewController: a page may not push %s", parameters[0].c_str());
        return;
    }
    nav->pushViewController(screen.get(), true);
}

void QVWebViewController::_webActionPushIPurchase(const std::vector<std::string>& parameters)
{
    if (parameters.size() != 1)
        return;
    NavigationController* nav = navigationController();
    QVLoaderParameters p {
        { "applicationId", platform::Boxed::box(platform::Value(parameters[0])) },
        { "appBannerPlacement", platform::Boxed::box(platform::Value(std::string("dedicatedClient"))) },
    };
    Ref<ViewController> screen = QVControllerLoader::loadWithParams("ApplicationDescription", p);
    if (nav && screen && QVWebBridgeMayPush(screen.get()))
        nav->pushViewController(screen.get(), true);
}

} // namespace quorvel
