// A web view without a web engine: it keeps the request or HTML it was given,
// runs the delegate sequence of a page load, and hands JavaScript to a
// scripted page that tests provide.
//
// A load asks should-start at once; an accepted load cancels the one in
// progress (which fails with kURLErrorCancelled, −999, if it had started) and
// reports did-start on the next run-loop turn and did-finish on the turn
// after, unless the page holds loads, in which case the test ends them with
// WebPage::finishLoad or failLoad. WebPage::navigate plays a link the page
// follows. The delegate is not owned.
#pragma once

#include "platform/foundation/Value.h"
#include "platform/ui/View.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform::ui {

struct URLRequest {
    URLRequest() = default;
    URLRequest(std::string u) : url(std::move(u)) { } // NOLINT: a URL string stands for a GET request
    std::string url;
    std::string method { "GET" };
    std::vector<std::pair<std::string, std::string>> headers;
    Bytes body;
};

inline constexpr const char* kURLErrorDomain = "NSURLErrorDomain";
inline constexpr int kURLErrorCancelled = -999;
inline constexpr int kURLErrorNotConnectedToInternet = -1009;
inline constexpr int kWebFrameLoadInterrupted = 102;

struct WebError {
    std::string domain;
    int code { 0 };
    std::string localizedDescription;
};

enum class WebViewNavigationType { LinkClicked = 0, FormSubmitted, BackForward, Reload, FormResubmitted, Other };
enum DataDetectorTypes : unsigned { DataDetectorNone = 0, DataDetectorPhoneNumber = 1, DataDetectorLink = 2, DataDetectorAll = ~0u };

class WebView;

class WebViewDelegate {
public:
    virtual ~WebViewDelegate() = default;
    virtual bool webViewShouldStartLoadWithRequest(WebView* /*webView*/, const URLRequest& /*request*/, WebViewNavigationType /*type*/) { return true; }
    virtual void webViewDidStartLoad(WebView* /*webView*/) { }
    virtual void webViewDidFinishLoad(WebView* /*webView*/) { }
    virtual void webViewDidFailLoadWithError(WebView* /*webView*/, const WebError& /*error*/) { }
};

// The page inside a web view, as a test scripts it.
class WebPage {
public:
    using ScriptHandler = std::function<std::string(const std::string& script)>;

    // Answers the JavaScript the app evaluates (no handler: "").
    void setScriptHandler(ScriptHandler handler) { handler_ = std::move(handler); }
    // While set, loads stay in progress until finishLoad or failLoad.
    void setHoldsLoads(bool hold) { holds_ = hold; }
    bool holdsLoads() const { return holds_; }

    // The page goes to a URL (a followed link by default): should-start, then
    // the load as above. Answers whether the delegate let it start.
    bool navigate(const std::string& url, WebViewNavigationType type = WebViewNavigationType::LinkClicked);
    // Ends the load in progress (did-start first if it has not been told yet);
    // false when nothing is loading.
    bool finishLoad();
    bool failLoad(const WebError& error);

private:
    friend class WebView;
    explicit WebPage(WebView& view) : view_(view) { }
    WebView& view_;
    ScriptHandler handler_;
    bool holds_ { false };
};

class WebView : public View {
public:
    static Ref<WebView> webViewWithFrame(const Rect& frame);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;

    WebViewDelegate* delegate() const { return delegate_; }
    void setDelegate(WebViewDelegate* d) { delegate_ = d; }

    void loadRequest(const URLRequest& request);
    // The base URL stands as the page's URL ("about:blank" when empty).
    void loadHTMLString(const std::string& html, const std::string& baseURL);
    void stopLoading();
    void reload();

    bool isLoading() const { return loading_; }
    // The last accepted load.
    const URLRequest& request() const { return request_; }
    const std::string& currentURL() const { return request_.url; }
    // The HTML of the last loadHTMLString (empty for a request).
    const std::string& loadedHTML() const { return html_; }

    bool scalesPageToFit() const { return scalesPageToFit_; }
    void setScalesPageToFit(bool s) { scalesPageToFit_ = s; }
    unsigned dataDetectorTypes() const { return dataDetectors_; }
    void setDataDetectorTypes(unsigned t) { dataDetectors_ = t; }
    bool detectsPhoneNumbers() const { return (dataDetectors_ & DataDetectorPhoneNumber) != 0; }
    void setDetectsPhoneNumbers(bool d) { dataDetectors_ = d ? (dataDetectors_ | DataDetectorPhoneNumber) : (dataDetectors_ & ~unsigned(DataDetectorPhoneNumber)); }

    // Records the script and answers what the page says.
    std::string stringByEvaluatingJavaScriptFromString(const std::string& script);
    const std::vector<std::string>& evaluatedScripts() const { return scripts_; }

    WebPage& page() { return page_; }

    std::string dumpText() const override { return currentURL(); }

    void drawChrome(GraphicsContext& context, const Rect& bounds) override;

protected:
    WebView() : page_(*this) { }
    friend class InterfaceBuilder;

private:
    friend class WebPage;
    bool startLoad(const URLRequest& request, const std::string& html, WebViewNavigationType type);
    void cancelCurrent();
    void tellStarted();
    void tellFinished();

    WebViewDelegate* delegate_ { nullptr };
    WebPage page_;
    URLRequest request_;
    std::string html_;
    std::vector<std::string> scripts_;
    unsigned dataDetectors_ { DataDetectorPhoneNumber };
    unsigned loadId_ { 0 };
    bool scalesPageToFit_ { false };
    bool loading_ { false };
    bool started_ { false }; // did-start has been told for the load in progress
};

} // namespace platform::ui
