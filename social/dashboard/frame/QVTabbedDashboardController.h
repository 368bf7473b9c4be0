// QVTabbedDashboardController: the shell of the in-game dashboard — three tabs
// along the bottom (the running game's page "GameProfile", the player's own
// pages "MyQuorvel" and game discovery "GameDiscovery"), each a framed
// navigation stack made when the tab is first shown, and above them the
// ticker bar whose close button closes the dashboard. Offline, the second and
// third tabs are disabled; going online makes the game's page anew and
// refreshes the two badges.
#pragma once

#include "platform/foundation/RunLoop.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/frame/QVDashboardTabArt.h"
#include "social/dashboard/frame/QVTabbedDashboardPageController.h"
#include "social/dashboard/frame/QVTickerProxy.h"
#include "social/dashboard/frame/QVTickerView.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVRootFrame.h"
#include "social/ui/QVTabBarController.h"

#include <string>

namespace quorvel {

class QVTabbedDashboardController : public QVTabBarController,
                                    public QVTabBarControllerDelegate,
                                    public QVTickerViewDelegate,
                                    public QVTickerProxyRecipient,
                                    public QVTabbedDashboardScreen,
                                    public QVInitialModalContentPresenter {
    QV_DECLARE_CLASS(QVTabbedDashboardController)
public:
    static constexpr float kTickerHeight = 24.0f;
    static constexpr float kTabBarHeight = QVDashboardTabArt::kStripHeight;
    static constexpr double kTickerRetryDelay = 5.0;
    static constexpr float kTouchBlockerWidth = 40.0f;
    static constexpr float kTouchBlockerHeight = 10.0f;
    static constexpr float kTouchBlockerY = 19.0f;

    // Both the tab shown at launch and the tab shown offline.
    static std::string defaultTab() { return "GameProfile"; }
    static std::string offlineTab() { return "GameProfile"; }

    // Switch a dashboard's tabs offline or online through the class
    // registered for "TabbedDashboard" (a game's own under its prefix), whose
    // _setOfflineMode / _setOnlineMode do the switch.
    static void setOfflineMode(QVTabbedDashboardController* dashboard);
    static void setOnlineMode(QVTabbedDashboardController* dashboard);

    bool init() override;

    platform::ui::View* hostView() const { return hostView_.get(); }
    QVTickerView* tickerView() const { return tickerView_.get(); }
    platform::ui::View* touchBlocker() const { return touchBlocker_.get(); }
    // The badge texts: unviewed challenges plus unread announcements; unread
    // inbox plus pending friends.
    static std::string gameCount();
    static std::string playerCount();

    platform::Ref<QVTabBar> createTabBar() override;
    void loadView() override;
    std::optional<platform::Ref<platform::ui::ViewController>>
    tabBarLoadViewController(QVTabBar* bar, const std::string& controllerName, QVTabBarItem* item) override;
    void tabBarControllerDidLoadViewController(QVTabBarController* c, platform::ui::ViewController* vc,
                                               QVTabBarItem* item) override;
    void tabBarControllerDidSelectViewController(QVTabBarController* c, platform::ui::ViewController* vc) override;

    void newTickerMessage(const std::string& text) override;
    void textFinishedScrolling() override;
    bool respondsToOnXPressed() const override { return true; }
    void onXPressed() override;

    // The web page shown over the dashboard once it is up (null without one).
    platform::ui::ViewController* modalDashboardContentController() const { return mModalDashboardContentController.get(); }
    void _presentModalContentController() override;

    // The selected tab's stack.
    platform::ui::NavigationController* activeNavigationController();

    // What the central class drives (QVTabbedDashboardScreenBridge.cpp).
    std::string dashboardDefaultTab() override { return defaultTab(); }
    std::string dashboardOfflineTab() override { return offlineTab(); }
    void showDashboardTab(const std::string& name, bool showAtRoot) override { showTabViewControllerNamed(name, showAtRoot); }
    platform::ui::ViewController* selectedTabController() override;
    std::vector<platform::ui::ViewController*> tabControllers() override;
    void enterOnlineMode() override { setOnlineMode(this); }
    void enterOfflineMode() override { setOfflineMode(this); }
    void prepareGamePageScreen(platform::ui::NavigationController* tab, platform::ui::ViewController* screen,
                               QVGameProfilePageInfo* info) override;
    void reloadFromServer(platform::ui::ViewController* screen) override;
    void refreshTabProfile(platform::ui::NavigationController* tab) override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTabbedDashboardController() = default;
    ~QVTabbedDashboardController() override;

    // What the class does to a dashboard going offline (the game's page stays
    // usable, the other tabs are disabled) or online (all tabs, the game's
    // page made anew, both badges counted again). Called on an instance of
    // the registered class that is only constructed, standing for the class:
    // an override acts on `dashboard`, never on itself.
    virtual void _setOfflineMode(QVTabbedDashboardController* dashboard);
    virtual void _setOnlineMode(QVTabbedDashboardController* dashboard);

private:
    // The game's and the player's tabs show the counts their pages count.
    void _countsChanged();
    void _styleTabBar();
    void _addAllViewControllers();
    void _addModalContentController();

    platform::Ref<platform::ui::View> hostView_;
    platform::Ref<QVTickerView> tickerView_;
    platform::Ref<platform::ui::View> touchBlocker_;
    platform::Ref<platform::Timer> tickerRetry_;
    platform::Ref<platform::ui::ViewController> mModalDashboardContentController;
};

} // namespace quorvel
