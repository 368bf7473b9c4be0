// Enabling the client from inside the dashboard: the approval, the login it
// starts, and the leaderboards it offers meanwhile.
#include "social/dashboard/account/QVEnableQuorvelInDashboardController.h"

#include "platform/ui/NavigationController.h"
#include "social/dashboard/account/QVUserQuorvelApprovalController.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/runtime/QVRequireCast.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/ui/QVRootController.h"
#include "social/ui/QVTabBarController.h"
#include "social/dashboard/account/QVAccountViews.h"

namespace quorvel {

using namespace platform::ui;
using namespace account_views;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVEnableQuorvelInDashboardController);

void QVEnableQuorvelInDashboardController::loadView()
{
    Ref<View> root = rootView();
    float w = width(root.get());
    appNameLabel_ = label(root.get(), Rect(20, 40, w - 40, 50), 20, {}, true);
    label(root.get(), Rect(20, 100, w - 40, 70), 14, "Turn Quorvel on to compare scores with your friends.");
    enableQuorvelButton_ = button(root.get(), Rect(20, 200, (w - 50) / 2, 37), "Enable Quorvel", this,
                                  BRISKO_SELECTOR(QVEnableQuorvelInDashboardController, clickedEnableQuorvel));
    leaderboardsButton_ = button(root.get(), Rect(30 + (w - 50) / 2, 200, (w - 50) / 2, 37), "Leaderboards", this,
                                 BRISKO_SELECTOR(QVEnableQuorvelInDashboardController, clickedLeaderboards), false);
    setView(root.get());
}

void QVEnableQuorvelInDashboardController::viewDidLoad()
{
    QVViewController::viewDidLoad();
    appNameLabel_->setText(QVUserQuorvelApprovalController::enabledText());
}

void QVEnableQuorvelInDashboardController::viewWillAppear(bool)
{
    Ref<QVGameProfilePageInfo> info = QuorvelInternal::sessionRole().localGameProfileInfo();
    if (info && info->hasLeaderboards())
        return;
    leaderboardsButton_->setHidden(true);
    Rect enable = enableQuorvelButton_->frame();
    Rect boards = leaderboardsButton_->frame();
    float middle = ((enable.origin.x + enable.size.width / 2) + (boards.origin.x + boards.size.width / 2)) / 2;
    enable.origin.x = middle - enable.size.width / 2;
    enableQuorvelButton_->setFrame(enable);
}

void QVEnableQuorvelInDashboardController::clickedEnableQuorvel()
{
    errorScreens_.take();
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::login().presentConfirmAccountModal(QVDelegate(this, BRISKO_SELECTOR(QVEnableQuorvelInDashboardController,
                                                                         _switchToOnlineMode)),
                                        true);
}

void QVEnableQuorvelInDashboardController::_switchToOnlineMode(platform::Object*)
{
    errorScreens_.giveBack();
    // The dashboard's tabs were made offline: they load again from the first.
    auto* root = dynamic_cast<QVRootController*>(QuorvelInternal::dashboardRole().getRootController());
    if (auto* tabs = root ? dynamic_cast<QVTabBarController*>(root->contentController()) : nullptr) {
        tabs->forceUnloadAllTabs();
        tabs->showTabAtIndex(0);
    }
}

void QVEnableQuorvelInDashboardController::_stayInOfflineMode(platform::Object*) { hideLoadingScreen(); }

void QVEnableQuorvelInDashboardController::clickedLeaderboards()
{
    Ref<ViewController> screen = QVControllerLoader::load("Leaderboard");
    if (screen)
        requireCast<QVGameScopedScreen>(screen, "The leaderboards must take the game")
            ->scopeToGame(QuorvelInternal::sessionRole().localGameProfileInfo().get());
    if (screen && navigationController())
        navigationController()->pushViewController(screen.get(), true);
}

} // namespace quorvel
