// QVWebApprovalController: the approval as the server's web page, used when a
// layout "UserQuorvelApproval" gives it; it falls back to the native screen
// when the page fails or is slow.
#pragma once

#include "platform/ui/WebView.h"
#include "social/ui/QVWebViewController.h"
#include "social/core/QuorvelLoginScreens.h"

namespace quorvel {

class QVWebApprovalController : public QVWebViewController, public QVApprovalScreen {
    QV_DECLARE_CLASS(QVWebApprovalController)
public:
    static constexpr double kShowTimeout = 5.0;
    static constexpr double kDelayedFinish = 1.0;
    static constexpr double kNativeFallbackTimeout = 4.0;

    void setApprovedDelegate(const QVDelegate& approved, const QVDelegate& denied) override;
    std::string getAction() override;
    std::string getTitle() override { return "Approve QV"; }
    std::map<std::string, WebAction> getDispatchDictionary() override;
    void show() override;
    void switchToNativeIfNotYetLoaded();
    void webViewDidFinishDelayedLoad();
    void _webActionApprove(const std::vector<std::string>& parameters = {});
    void _webActionDecline(const std::vector<std::string>& parameters = {});

    bool isShown() const { return isShown_; }
    bool isLoaded() const { return isLoaded_; }

    void webViewDidFinishLoad(platform::ui::WebView* webView) override;
    void webViewDidFailLoadWithError(platform::ui::WebView* webView, const platform::ui::WebError& error) override;

    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }

    static void registerWebApprovalLayout();
    static void unregisterWebApprovalLayout();

protected:
    friend class platform::ui::InterfaceBuilder;
    QVWebApprovalController() = default;
    ~QVWebApprovalController() override;

private:
    // The page loads out of sight until it is ready or the screen has to show.
    void loadOutOfSight();
    void stopTimers();
    QVDelegate mApprovedDelegate;
    QVDelegate mDeniedDelegate;
    platform::Ref<platform::Timer> loadingTimeoutTimer_;
    platform::Ref<platform::Timer> fallbackTimer_;
    platform::Ref<platform::Timer> delayedFinishTimer_;
    bool loadingOutOfSight_ { false };
    bool isShown_ { false };
    bool isLoaded_ { false };
    bool switched_ { false };
    bool answered_ { false };
};

} // namespace quorvel
