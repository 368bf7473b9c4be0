// Web screens of the dashboard and the "quorvel:" bridge between their pages
// and the client.
//
// QVWebViewController is one screen with a web view: subclasses name the
// server path and parameters, the screen fetches the page with a signed
// request and loads it; links of the form quorvel:push?Name, quorvel:pop and
// quorvel:ipurchase?id act on the navigation stack. The bridge obeys such
// links only while the page comes from the server's own host, and it never
// pushes a navigation stack, a tab controller or a root controller. Links to
// the application store host leave the application.
#pragma once

#include "platform/ui/ActivityIndicator.h"
#include "platform/ui/WebView.h"
#include "social/runtime/OAuthURLRequest.h"
#include "social/ui/QVViewController.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// The parts of a URL the bridge looks at.
struct QVWebURL {
    std::string scheme;            // lower case, without ':'
    std::string resourceSpecifier; // everything after "scheme:"
    std::string host;              // lower case
    std::string path;              // "/..." or empty
    std::optional<std::string> query;

    static QVWebURL parse(const std::string& url);
    // The reference taken relative to the base (absolute references stay as they are).
    static std::string resolve(const std::string& base, const std::string& reference);
};

// Hosts the web screens hand to the system instead of showing them.
struct QVWebHosts {
    static inline std::string applicationStore { "apps.store.invalid" };
    static inline std::string affiliateLinks { "links.affiliate.invalid" };
    // Links to it are fetched again as signed requests for their path.
    static inline std::string oauthRedirect { "oauth.redirect.invalid" };
    // The host of the "server-url" setting, lower case ("" without a provider).
    static std::string serverHost();
    // The bridge's links count only from pages of the server's host.
    static bool isTrustedPage(const std::string& pageUrl);
};

// Text made safe to put inside a single-quoted JavaScript string.
std::string QVEscapeJavaScriptString(const std::string& text);
// A screen the bridge may push: not a navigation stack, tab controller or root controller.
bool QVWebBridgeMayPush(platform::ui::ViewController* screen);

class QVWebViewController : public QVViewController, public platform::ui::WebViewDelegate {
    QV_DECLARE_CLASS(QVWebViewController)
public:
    using WebAction = void (QVWebViewController::*)(const std::vector<std::string>& parameters);
    static constexpr float kSpinnerSize = 40;
    static constexpr const char* kNotConnectedMessage =
        "You must be connected to the Internet.<br /><br /><i style=\"color: gray\">Try again once you're online.</i>";
    static constexpr const char* kErrorMessage = "Oops! An Error Occurred. Press the Back button to return to the "
                                                 "previous screen.<br /><br /><i style=\"color: gray\">%s</i>";

    // What a subclass names: the server path, title, notice text and parameters.
    virtual std::string getAction() { return ""; }
    virtual std::string getTitle() { return ""; }
    virtual std::string notificationString() { return "Downloading."; }
    virtual OAuthURLRequest::Parameters getParameters() { return {}; }

    platform::ui::WebView* webView();
    platform::ui::ActivityIndicator* loadingView() const { return mLoadingView.get(); }
    bool didFirstLoad() const { return didFirstLoad_; }

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void didReceiveMemoryWarning() override { }
    void loadWebContent();
    virtual std::map<std::string, WebAction> getDispatchDictionary();

    bool webViewShouldStartLoadWithRequest(platform::ui::WebView* webView, const platform::ui::URLRequest& request,
                                           platform::ui::WebViewNavigationType type) override;
    void webViewDidStartLoad(platform::ui::WebView* webView) override;
    void webViewDidFinishLoad(platform::ui::WebView* webView) override;
    void webViewDidFailLoadWithError(platform::ui::WebView* webView, const platform::ui::WebError& error) override;

    // The bridge's actions; each acts only with exactly one parameter (pop with any).
    void _webActionPopController(const std::vector<std::string>& parameters);
    void _webActionPushController(const std::vector<std::string>& parameters);
    void _webActionPushIPurchase(const std::vector<std::string>& parameters);

    // The error page shown in the web view for a failed load.
    static std::string errorPage(const platform::ui::WebError& error);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVWebViewController() = default;
    ~QVWebViewController() override;

private:
    platform::Ref<platform::ui::WebView> mWebView;
    platform::Ref<platform::ui::ActivityIndicator> mLoadingView;
    std::optional<std::map<std::string, WebAction>> mDispatch;
    bool didFirstLoad_ { false };
};

} // namespace quorvel
