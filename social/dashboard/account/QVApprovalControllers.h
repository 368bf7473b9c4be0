// The approval screens: the player accepts or declines the social client on
// this device. "UserQuorvelApproval" is the native screen unless a layout of
// that name gives the web screen, which shows the server's page and falls
// back to the native screen when the page fails or is slow.
// "EnableQuorvelInDashboard" lets a player who declined accept from inside
// the dashboard.
#pragma once

#include "platform/ui/WebView.h"
#include "social/ui/QVWebViewController.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

class QVUserQuorvelApprovalController : public QVViewController, public QVApprovalScreen {
    QV_DECLARE_CLASS(QVUserQuorvelApprovalController)
public:
    void setApprovedDelegate(const QVDelegate& approved, const QVDelegate& denied) override;
    void clickedUseQuorvel();
    void clickedDontUseQuorvel();
    void dismiss();

    platform::ui::Label* appNameLabel() { view(); return appNameLabel_.get(); }
    platform::ui::Button* useButton() { view(); return useButton_.get(); }
    platform::ui::Button* dontUseButton() { view(); return dontUseButton_.get(); }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVUserQuorvelApprovalController() = default;

private:
    QVDelegate mApprovedDelegate;
    QVDelegate mDeniedDelegate;
    bool answered_ { false };
    platform::Ref<platform::ui::Label> appNameLabel_;
    platform::Ref<platform::ui::Button> useButton_;
    platform::Ref<platform::ui::Button> dontUseButton_;
};

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

class QVEnableQuorvelInDashboardController : public QVViewController {
    QV_DECLARE_CLASS(QVEnableQuorvelInDashboardController)
public:
    void clickedEnableQuorvel();
    void clickedLeaderboards();
    void _switchToOnlineMode(platform::Object* = nullptr);
    void _stayInOfflineMode(platform::Object* = nullptr);

    platform::ui::Label* appNameLabel() { view(); return appNameLabel_.get(); }
    platform::ui::Button* enableQuorvelButton() { view(); return enableQuorvelButton_.get(); }
    platform::ui::Button* leaderboardsButton() { view(); return leaderboardsButton_.get(); }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVEnableQuorvelInDashboardController() = default;

private:
    platform::Ref<platform::ui::Label> appNameLabel_;
    platform::Ref<platform::ui::Button> enableQuorvelButton_;
    platform::Ref<platform::ui::Button> leaderboardsButton_;
};

} // namespace quorvel
