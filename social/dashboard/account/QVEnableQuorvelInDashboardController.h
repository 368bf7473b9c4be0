// QVEnableQuorvelInDashboardController ("EnableQuorvelInDashboard"): lets a
// player who declined the client accept it from inside the dashboard.
#pragma once

#include "social/dashboard/account/QVAccountFlowSteps.h"
#include "social/ui/QVViewController.h"

namespace quorvel {

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
    account_steps::ErrorScreenHold errorScreens_; // while the login it started runs
};

} // namespace quorvel
