// WebView and WebPage: page loads as delegate sequences on the run loop, and
// JavaScript answered by the test's scripted page.
#include "platform/ui/WebView.h"

#include "platform/ui/Drawing.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Weak.h"

namespace platform::ui {

Ref<WebView> WebView::webViewWithFrame(const Rect& frame)
{
    auto v = adoptRef(new WebView);
    return v->initWithFrame(frame) ? v : nullptr;
}

bool WebView::initWithFrame(const Rect& frame)
{
    View::initWithFrame(frame);
    setBackgroundColor(Color::whiteColor());
    return true;
}

bool WebView::initWithCoder(const InterfaceCoder& coder)
{
    View::initWithCoder(coder);
    return true;
}

void WebView::loadRequest(const URLRequest& request)
{
    startLoad(request, {}, WebViewNavigationType::Other);
}

void WebView::loadHTMLString(const std::string& html, const std::string& baseURL)
{
    URLRequest r;
    r.url = baseURL.empty() ? "about:blank" : baseURL;
    startLoad(r, html, WebViewNavigationType::Other);
}

void WebView::reload()
{
    if (!request_.url.empty())
        startLoad(request_, html_, WebViewNavigationType::Reload);
}

bool WebView::startLoad(const URLRequest& request, const std::string& html, WebViewNavigationType type)
{
    Ref<WebView> keep = this;
    if (delegate_ && !delegate_->webViewShouldStartLoadWithRequest(this, request, type))
        return false;
    cancelCurrent();
    request_ = request;
    html_ = html;
    loading_ = true;
    started_ = false;
    unsigned id = ++loadId_;
    Weak<WebView> weak(this);
    RunLoop::main().post([weak, id] {
        auto self = weak.lock();
        if (!self || self->loadId_ != id || !self->loading_)
            return;
        self->tellStarted();
        if (self->page_.holdsLoads())
            return;
        RunLoop::main().post([weak, id] {
            auto self = weak.lock();
            if (self && self->loadId_ == id && self->loading_ && !self->page_.holdsLoads())
                self->tellFinished();
        });
    });
    return true;
}

void WebView::tellStarted()
{
    if (started_)
        return;
    started_ = true;
    if (delegate_)
        delegate_->webViewDidStartLoad(this);
}

void WebView::tellFinished()
{
    loading_ = false;
    ++loadId_;
    if (delegate_)
        delegate_->webViewDidFinishLoad(this);
}

void WebView::cancelCurrent()
{
    if (!loading_)
        return;
    bool told = started_;
    loading_ = false;
    started_ = false;
    ++loadId_;
    if (told && delegate_)
        delegate_->webViewDidFailLoadWithError(this, WebError { kURLErrorDomain, kURLErrorCancelled, "cancelled" });
}

void WebView::stopLoading()
{
    Ref<WebView> keep = this;
    cancelCurrent();
}

std::string WebView::stringByEvaluatingJavaScriptFromString(const std::string& script)
{
    scripts_.push_back(script);
    return page_.handler_ ? page_.handler_(script) : std::string();
}

bool WebPage::navigate(const std::string& url, WebViewNavigationType type)
{
    URLRequest r;
    r.url = url;
    return view_.startLoad(r, {}, type);
}

bool WebPage::finishLoad()
{
    if (!view_.loading_)
        return false;
    Ref<WebView> keep(&view_);
    unsigned id = view_.loadId_;
    view_.tellStarted();
    if (view_.loading_ && view_.loadId_ == id) // the delegate may have moved on
        view_.tellFinished();
    return true;
}

bool WebPage::failLoad(const WebError& error)
{
    if (!view_.loading_)
        return false;
    Ref<WebView> keep(&view_);
    unsigned id = view_.loadId_;
    view_.tellStarted();
    if (!view_.loading_ || view_.loadId_ != id)
        return true;
    view_.loading_ = false;
    view_.started_ = false;
    ++view_.loadId_;
    if (view_.delegate_)
        view_.delegate_->webViewDidFailLoadWithError(&view_, error);
    return true;
}

void WebView::drawChrome(GraphicsContext& g, const Rect&)
{
    Rect b = bounds();
    draw::setStroke(g, Color::white(0.6f));
    g.strokeRect(b.insetBy(0.5f, 0.5f));
    Rect strip(b.minX(), b.minY(), b.size.width, std::min(24.f, b.size.height));
    draw::setFill(g, Color::white(0.92f));
    g.fillRect(strip.insetBy(1, 1));
    auto font = draw::systemFont(11);
    std::string url = currentURL().empty() ? "(no page)" : currentURL();
    draw::text(g, (isLoading() ? "Loading " : "") + url, font.get(), strip.insetBy(6, 0), Color::white(0.2f),
         TextAlignment::Left, 1, LineBreakMode::MiddleTruncation);
}

} // namespace platform::ui
