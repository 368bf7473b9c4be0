// The web navigation stack: one signed page, one web view for every level,
// the page actions of the bridge and the calls back into the page.
#include "social/ui/QVWebNavController.h"

#include "platform/device/Application.h"
#include "platform/foundation/Boxed.h"
#include "platform/foundation/Log.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/ScrollView.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSessionRole.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVImageView.h"
#include "social/ui/QVViewHelper.h"
#include "social/ui/QVWebViewController.h"

#include <algorithm>

namespace quorvel {

using namespace platform::ui;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVWebNavController);

namespace {

ScrollView* firstScrollView(View* view)
{
    if (!view)
        return nullptr;
    if (auto* scroll = dynamic_cast<ScrollView*>(view))
        return scroll;
    for (auto& sub : view->subviews())
        if (ScrollView* found = firstScrollView(sub.get()))
            return found;
    return nullptr;
}

std::string option(const std::optional<QVWebOptions>& options, const std::string& key)
{
    if (!options)
        return {};
    auto it = options->find(key);
    return it == options->end() ? std::string() : it->second;
}

bool hasOption(const std::optional<QVWebOptions>& options, const std::string& key)
{
    return options && options->count(key);
}

} // namespace

// ---- QVWebNavController

Ref<QVWebNavController> QVWebNavController::controllerWithTitle(const std::string& title, const std::string& url,
                                                                bool useContentFrame)
{
    auto c = platform::adoptRef(new QVWebNavController);
    if (!c->initWithTitle(title, url, useContentFrame))
        return nullptr;
    return c;
}

bool QVWebNavController::initWithTitle(const std::string& title, const std::string& url, bool useContentFrame)
{
    if (!init())
        return false;
    setTitle(title);
    url_ = url;
    useContentFrame_ = useContentFrame;
    dismissOnPopToRoot_ = false;
    actionMap_.clear();
    mapAction("startLoading", &QVWebNavController::actionStartLoading);
    mapAction("domLoaded", &QVWebNavController::actionDomLoaded);
    mapAction("navPop", &QVWebNavController::actionNavPop);
    mapAction("alert", &QVWebNavController::actionAlert);
    mapAction("addBarButton", &QVWebNavController::actionAddBarButton);
    mapAction("dismissNavController", &QVWebNavController::actionDismissNavController);
    return true;
}

QVWebNavController::~QVWebNavController()
{
    if (fixTimer_)
        fixTimer_->invalidate();
    if (barButtonTimer_)
        barButtonTimer_->invalidate();
    // Let go of the web view first: the load stopped here is told to no one.
    if (webView_) {
        webView_->setDelegate(nullptr);
        webView_->stopLoading();
    }
}

void QVWebNavController::viewDidLoad()
{
    QVFramedNavigationController::viewDidLoad();
    View* own = view();
    own->setClipsToBounds(true);
    own->setBackgroundColor(Color::white(0.8f));
    own->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    QVDashboardRole& host = QVDashboardRole::current();
    Rect frame = own->frame();
    if (host.isInLandscapeMode()) {
        std::swap(frame.size.width, frame.size.height);
        own->setFrame(frame);
    }
    // The timers hold this controller by pointer: its destructor stops them.
    fixTimer_ = platform::RunLoop::main().performAfter(kFixNavBarDelay, [this] { _fixNavBar(); });

    float barHeight = navigationBar()->frame().size.height;
    Rect page(0, 0, frame.size.width, frame.size.height - barHeight);
    if (useContentFrame_) {
        auto contentFrame = QVContentFrameView::withFrame(Rect(0, barHeight, frame.size.width, frame.size.height - barHeight));
        contentFrame->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
        own->addSubview(contentFrame.get());
        page = page.insetBy(kContentInset, kContentInset);
    }
    transitionImage_ = ImageView::imageViewWithFrame(page);
    transitionImage_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    transitionImage_->setContentMode(ContentMode::TopLeft);
    webView_ = WebView::webViewWithFrame(page);
    webView_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    webView_->setDelegate(this);
    webView_->setAlpha(0);
    webView_->setDataDetectorTypes(DataDetectorNone);

    if (QVProvider* provider = QVSessionRole::current().provider()) {
        std::string path = url_;
        const std::string& server = provider->serverUrl();
        if (!server.empty() && path.rfind(server, 0) == 0)
            path.erase(0, server.size());
        else if (!QVWebURL::parse(url_).scheme.empty())
            path = QVWebURL::parse(url_).path;
        if (!path.empty() && path[0] == '/')
            path.erase(0, 1);
        OAuthURLRequest::Parameters parameters {
            OAuthURLRequestParameter::parameterWithName("landscape", host.isInLandscapeMode() ? "1" : "0"),
            OAuthURLRequestParameter::parameterWithName(
                "orientation", std::to_string(static_cast<int>(host.getDashboardOrientation()))),
        };
        Ref<OAuthAPIRequestLoader> loader =
            provider->getRequestForAction(path, parameters, "GET", QVDelegate(), QVDelegate(), 2, nullptr, true);
        if (loader) {
            platform::HttpRequestData data = loader->getConfiguredRequest();
            URLRequest request(data.url);
            request.method = data.method;
            request.headers = data.headers;
            request.body = data.body;
            webView_->loadRequest(request);
        }
    } else {
        platform::logWarning("QVWebNavController: no provider to request %s", url_.c_str());
    }
    showLoadingIndicator();

    auto first = QVWebNavContentController::controllerWithWebView(webView_.get(), transitionImage_.get(), useContentFrame_);
    first->setTitle(title());
    first->navigationItem()->setRightBarButtonItem(
        BarButtonItem::withTitle("Close", BarButtonItem::Style::Bordered, this,
                                 BarButtonItem::PlainAction(BRISKO_SELECTOR(QVWebNavController, closeTapped)))
            .get());
    pushViewController(first.get(), true);
}

void QVWebNavController::_fixNavBar()
{
    Rect f = navigationBar()->frame();
    navigationBar()->setFrame(Rect(0, 0, f.size.width, f.size.height));
}

bool QVWebNavController::shouldAutorotateToInterfaceOrientation(InterfaceOrientation o)
{
    return o == QVDashboardRole::current().getDashboardOrientation();
}

QVFramedNavigationController::VisibilityFlags QVWebNavController::_visibilityFlagsForController(ViewController* screen)
{
    VisibilityFlags flags = QVFramedNavigationController::_visibilityFlagsForController(screen);
    flags.showNavBar = true;
    return flags;
}

std::string QVWebNavController::evaluate(const std::string& script)
{
    return webView_ ? webView_->stringByEvaluatingJavaScriptFromString(script) : std::string();
}

QVWebNavContentController* QVWebNavController::topContent() const
{
    return dynamic_cast<QVWebNavContentController*>(topViewController());
}

// ---- The bridge

void QVWebNavController::mapAction(const std::string& name, PageAction action) { actionMap_["/" + name] = action; }

std::optional<QVWebOptions> QVWebNavController::optionsForAction(const std::string& url)
{
    QVWebURL parsed = QVWebURL::parse(url);
    if (!parsed.query)
        return std::nullopt;
    std::string query = *parsed.query;
    for (size_t at = query.find("%20"); at != std::string::npos; at = query.find("%20", at + 1))
        query.replace(at, 3, " ");
    QVWebOptions options;
    size_t start = 0;
    for (;;) {
        size_t amp = query.find('&', start);
        std::string piece = query.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        if (!piece.empty()) {
            // A piece without "=" is a key with an empty value.
            size_t eq = piece.find('=');
            options[piece.substr(0, eq)] = eq == std::string::npos ? std::string() : piece.substr(eq + 1);
        }
        if (amp == std::string::npos)
            break;
        start = amp + 1;
    }
    return options;
}

void QVWebNavController::performAction(const std::string& url)
{
    std::optional<QVWebOptions> options = optionsForAction(url);
    platform::log("Performing action: %s", url.c_str());
    auto it = actionMap_.find(QVWebURL::parse(url).path);
    if (it == actionMap_.end()) {
        platform::log("Unhandled action! %s", url.c_str());
        return;
    }
    Ref<QVWebNavController> keep(this);
    (this->*(it->second))(options);
}

void QVWebNavController::pushControllerURL(const std::string& url)
{
    std::string name = QVWebURL::parse(url).path;
    name.erase(std::remove(name.begin(), name.end(), '/'), name.end());
    pushControllerName(name, optionsForAction(url));
}

void QVWebNavController::pushControllerName(const std::string& name, const std::optional<QVWebOptions>& options)
{
    QVLoaderParameters parameters;
    if (options)
        for (auto& [key, value] : *options)
            parameters.emplace_back(key, platform::Boxed::box(platform::Value(value)));
    Ref<ViewController> screen = QVControllerLoader::loadWithParams(name, parameters);
    if (!screen)
        return;
    if (!QVWebBridgeMayPush(screen.get())) {
        platform::logWarning("QVWebNavController: a page may not push %s", name.c_str());
        return;
    }
    std::string globalButton = evaluate("QV.flags.globalBarButton");
    ViewController* top = topViewController();
    if (!screen->navigationItem()->rightBarButtonItem() && !globalButton.empty() && top)
        screen->navigationItem()->setRightBarButtonItem(top->navigationItem()->rightBarButtonItem());
    pushViewController(screen.get(), true);
}

void QVWebNavController::pushURLString(const std::string& url)
{
    std::string full = QVWebURL::resolve(webView_ ? webView_->currentURL() : std::string(), url);
    evaluate("QV.navigateToUrl('" + QVEscapeJavaScriptString(full) + "', {})");
}

void QVWebNavController::didTapBarButton()
{
    evaluate("QV.tappedBarButton()");
    ViewController* top = topViewController();
    BarButtonItem* button = top ? top->navigationItem()->rightBarButtonItem() : nullptr;
    if (!button)
        return;
    if (button->title() == "Edit") {
        button->setTitle("Done");
        button->setStyle(BarButtonItem::Style::Done);
    } else if (button->title() == "Done") {
        button->setTitle("Edit");
        button->setStyle(BarButtonItem::Style::Bordered);
    }
}

// ---- Page actions

void QVWebNavController::actionStartLoading(const std::optional<QVWebOptions>& options)
{
    if (QVWebNavContentController* top = topContent()) {
        showLoadingIndicator();
        top->freeze();
        webView_->setAlpha(0);
    }
    auto level = QVWebNavContentController::controllerWithWebView(webView_.get(), transitionImage_.get(), useContentFrame_);
    level->setTitle(option(options, "title"));
    pushViewController(level.get(), true);
}

void QVWebNavController::actionDomLoaded(const std::optional<QVWebOptions>& options)
{
    hideLoadingIndicator();
    if (webView_) {
        webView_->setAlpha(0);
        View::beginAnimations("fadeIn");
        webView_->setAlpha(1);
        View::commitAnimations();
    }
    ViewController* top = topViewController();
    if (!top)
        return;
    NavigationItem* item = top->navigationItem();
    if (!item->rightBarButtonItem() && (hasOption(options, "barButton") || hasOption(options, "barButtonImage")))
        actionAddBarButton(options);
    std::string title = option(options, "title");
    if (top->title().empty() && !title.empty())
        top->setTitle(title);
    if (!item->titleView() && hasOption(options, "titleImage") && option(options, "titleImage") != "null") {
        float barHeight = navigationBar()->frame().size.height;
        auto image = QVImageView::imageViewWithFrame(Rect(0, 0, navigationBar()->frame().size.width / 2, barHeight));
        image->setOpaque(false);
        image->setUseSharpCorners(true);
        image->setImageUrl(QVWebURL::resolve(webView_ ? webView_->currentURL() : std::string(),
                                             option(options, "titleImage")),
                           true);
        item->setTitleView(image.get());
    }
}

void QVWebNavController::actionNavPop(const std::optional<QVWebOptions>&) { popViewControllerAnimated(true); }

void QVWebNavController::actionAlert(const std::optional<QVWebOptions>& options)
{
    AlertView::alert(option(options, "title"), option(options, "message"), nullptr, "OK")->show();
}

void QVWebNavController::actionAddBarButton(const std::optional<QVWebOptions>& options)
{
    Ref<BarButtonItem> button;
    auto tap = BarButtonItem::PlainAction(BRISKO_SELECTOR(QVWebNavController, didTapBarButton));
    if (hasOption(options, "barButtonImage")) {
        // The picture comes with the page: a plain button until it is drawn.
        button = BarButtonItem::withTitle("", BarButtonItem::Style::Plain, this, tap);
    } else if (hasOption(options, "barButton")) {
        button = BarButtonItem::withTitle(option(options, "barButton"), BarButtonItem::Style::Bordered, this, tap);
    }
    if (barButtonTimer_)
        barButtonTimer_->invalidate();
    barButtonTimer_ = platform::RunLoop::main().performAfter(kBarButtonDelay, [this, button] {
        if (ViewController* top = topViewController())
            top->navigationItem()->setRightBarButtonItem(button.get());
    });
}

void QVWebNavController::closeTapped() { actionDismissNavController(); }

void QVWebNavController::actionDismissNavController(const std::optional<QVWebOptions>&)
{
    if (ViewController* root = QVDashboardRole::current().getRootController())
        root->dismissModalViewControllerAnimated(true);
}

// ---- Stack

void QVWebNavController::pushViewController(ViewController* controller, bool)
{
    if (useContentFrame_ && controller && !dynamic_cast<QVWebNavContentController*>(controller)) {
        if (ScrollView* scroll = firstScrollView(controller->view()))
            scroll->setContentInset(EdgeInsets { kContentInset, kContentInset, kContentInset, kContentInset });
    }
    QVFramedNavigationController::pushViewController(controller, true);
}

Ref<ViewController> QVWebNavController::popViewControllerAnimated(bool animated)
{
    const auto& stack = viewControllers();
    if (stack.size() < 2) {
        // Nothing below the only level: popping means going back to the root.
        popToRootViewControllerAnimated(animated);
        return nullptr;
    }
    auto* top = dynamic_cast<QVWebNavContentController*>(stack.back().get());
    auto* below = dynamic_cast<QVWebNavContentController*>(stack[stack.size() - 2].get());
    if (top)
        top->freeze();
    if (below) {
        below->thaw();
        if (top) {
            webView_->setAlpha(0);
            evaluate("QV.goBack()");
        }
    }
    return QVFramedNavigationController::popViewControllerAnimated(animated);
}

std::vector<Ref<ViewController>> QVWebNavController::popToRootViewControllerAnimated(bool)
{
    if (dismissOnPopToRoot_) {
        actionDismissNavController();
        return {};
    }
    return QVFramedNavigationController::popToRootViewControllerAnimated(true);
}

// ---- Web view

bool QVWebNavController::webViewShouldStartLoadWithRequest(WebView* web, const URLRequest& request, WebViewNavigationType)
{
    QVWebURL url = QVWebURL::parse(request.url);
    if (url.scheme == "quorvel") {
        if (!QVWebHosts::isTrustedPage(web->currentURL())) {
            platform::logWarning("QVWebNavController: ignored %s from a page outside the server", request.url.c_str());
            return false;
        }
        if (url.host == "action")
            performAction(request.url);
        else if (url.host == "controller")
            pushControllerURL(request.url);
        return false;
    }
    std::string store = QVWebURL::parse("http://" + QVWebHosts::applicationStore).host;
    std::string affiliate = QVWebURL::parse("http://" + QVWebHosts::affiliateLinks).host;
    if (!url.host.empty() && (url.host == store || url.host == affiliate)) {
        Application::sharedApplication().openURL(request.url);
        return false;
    }
    return true;
}

void QVWebNavController::webViewDidFailLoadWithError(WebView*, const WebError& error)
{
    // A load replaced by another (a link followed while loading) or stopped is no failure.
    if (error.code == kURLErrorCancelled || error.code == kWebFrameLoadInterrupted)
        return;
    AlertView::alert(kFailedTitle, kFailedMessage, nullptr, "OK")->show();
    platform::log("QVWebNavController load error: %s", error.localizedDescription.c_str());
    hideLoadingIndicator();
    if (viewControllers().size() < 2 && dismissOnPopToRoot_)
        actionDismissNavController();
}

} // namespace quorvel
