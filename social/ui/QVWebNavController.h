// QVWebNavController: a navigation stack driven by one web page application.
// It loads one signed page and keeps one web view for all its levels; the
// page tells it, through quorvel://action/... links, when a level starts
// loading or is ready, which title and bar button to show, to pop, to alert
// or to close, and quorvel://controller/Name?key=value pushes a native screen
// with those parameters. The controller calls back into the page (QV.goBack,
// QV.tappedBarButton, QV.navigateToUrl). Each level is a
// QVWebNavContentController that shows the live web view or a frozen
// snapshot of it. Links count only from pages of the server's host.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/WebView.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVViewController.h"
#include "social/ui/QVWebNavContentController.h"

#include <map>
#include <optional>
#include <string>

namespace quorvel {

using QVWebOptions = std::map<std::string, std::string>;

class QVWebNavController : public QVFramedNavigationController, public platform::ui::WebViewDelegate {
    QV_DECLARE_CLASS(QVWebNavController)
public:
    using PageAction = void (QVWebNavController::*)(const std::optional<QVWebOptions>& options);
    static constexpr double kFixNavBarDelay = 0.05;
    static constexpr double kBarButtonDelay = 0.1;
    static constexpr float kContentInset = 6;
    static constexpr const char* kFailedTitle = "Failed to load";
    static constexpr const char* kFailedMessage = "Sorry, but we had a problem displaying this screen.  Please try again soon.";

    static platform::Ref<QVWebNavController> controllerWithTitle(const std::string& title, const std::string& url,
                                                                 bool useContentFrame);
    bool initWithTitle(const std::string& title, const std::string& url, bool useContentFrame);

    const std::string& url() const { return url_; }
    void setUrl(const std::string& url) { url_ = url; }
    bool dismissOnPopToRoot() const { return dismissOnPopToRoot_; }
    void setDismissOnPopToRoot(bool d) { dismissOnPopToRoot_ = d; }
    bool useContentFrame() const { return useContentFrame_; }
    platform::ui::WebView* webView() const { return webView_.get(); }
    platform::ui::ImageView* transitionImage() const { return transitionImage_.get(); }

    void mapAction(const std::string& name, PageAction action);
    void performAction(const std::string& url);
    // The query as key/value pairs ("%20" read as a blank); nullopt without a query.
    static std::optional<QVWebOptions> optionsForAction(const std::string& url);
    void pushControllerURL(const std::string& url);
    void pushControllerName(const std::string& name, const std::optional<QVWebOptions>& options);
    void pushURLString(const std::string& url);
    void didTapBarButton();

    // The page actions.
    void actionStartLoading(const std::optional<QVWebOptions>& options);
    void actionDomLoaded(const std::optional<QVWebOptions>& options);
    void actionNavPop(const std::optional<QVWebOptions>& options);
    void actionAlert(const std::optional<QVWebOptions>& options);
    void actionAddBarButton(const std::optional<QVWebOptions>& options);
    void actionDismissNavController(const std::optional<QVWebOptions>& options = std::nullopt);
    // The first level's Close button.
    void closeTapped();

    using QVFramedNavigationController::pushViewController;
    void pushViewController(platform::ui::ViewController* controller, bool animated) override;
    platform::Ref<platform::ui::ViewController> popViewControllerAnimated(bool animated) override;
    std::vector<platform::Ref<platform::ui::ViewController>> popToRootViewControllerAnimated(bool animated) override;

    bool webViewShouldStartLoadWithRequest(platform::ui::WebView* webView, const platform::ui::URLRequest& request,
                                           platform::ui::WebViewNavigationType type) override;
    void webViewDidFailLoadWithError(platform::ui::WebView* webView, const platform::ui::WebError& error) override;
    void webViewDidFinishLoad(platform::ui::WebView*) override { }
    bool shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) override;
    VisibilityFlags _visibilityFlagsForController(platform::ui::ViewController* screen) override;
    void _fixNavBar();
    void viewDidLoad() override;

protected:
    QVWebNavController() = default;
    ~QVWebNavController() override;

private:
    std::string evaluate(const std::string& script);
    QVWebNavContentController* topContent() const;

    std::string url_;
    std::map<std::string, PageAction> actionMap_;
    bool dismissOnPopToRoot_ { false };
    bool useContentFrame_ { false };
    platform::Ref<platform::ui::WebView> webView_;
    platform::Ref<platform::ui::ImageView> transitionImage_;
    platform::Ref<platform::Timer> fixTimer_;
    platform::Ref<platform::Timer> barButtonTimer_;
};

} // namespace quorvel
