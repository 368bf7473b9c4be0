// The tabbed dashboard as the central class sees it: its tabs' screens, and
// the dashboard's class methods the central class's launch and online/offline
// switch call (installed once, when this part of the dashboard is linked in).
#include "social/dashboard/frame/QVTabbedDashboardController.h"

#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/dashboard/games/QVGameProfileController.h"
#include "social/dashboard/invites/QVSelectInviteTypeController.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVTabBar.h"
#include "social/ui/QVTableControllerHelper.h"

namespace quorvel {

using platform::ui::NavigationController;
using platform::ui::ViewController;

ViewController* QVTabbedDashboardController::selectedTabController()
{
    return tabBar() ? tabBar()->selectedViewController() : nullptr;
}

std::vector<ViewController*> QVTabbedDashboardController::tabControllers()
{
    std::vector<ViewController*> out;
    for (auto& item : tabBarItems())
        if (item->viewController())
            out.push_back(item->viewController());
    return out;
}

namespace {

bool installDashboardHooks()
{
    QuorvelDashboardHooks& hooks = QuorvelDashboardHooks::shared();
    hooks.setPushControllerData = [](ViewController* screen, QVGameProfilePageInfo* info) {
        QVGameProfileController::setPushControllerData(screen, info);
    };
    hooks.changeGameContext = [](NavigationController* nav, QVGameProfilePageInfo* info) {
        QVDashboardSwitch::changeGameContext(nav, info);
    };
    hooks.postPush = [](ViewController* screen) {
        if (auto* list = dynamic_cast<QVAchievementListSetup*>(screen))
            list->postPushAchievementListController();
    };
    hooks.refreshView = [](ViewController* screen) {
        if (auto* page = dynamic_cast<QVGameProfileController*>(screen))
            page->refreshView();
    };
    hooks.reloadDataFromServer = [](ViewController* screen) {
        if (auto* list = dynamic_cast<QVTableControllerHelper*>(screen))
            list->reloadDataFromServer();
    };
    hooks.refreshProfile = [](NavigationController* nav) {
        if (auto* framed = dynamic_cast<QVFramedNavigationController*>(nav))
            framed->refreshProfile();
    };
    hooks.presentSendInviteScreen = [](const std::string& identifier) {
        auto screen = QVSelectInviteTypeController::inviteTypeControllerWithInviteIdentifier(identifier);
        if (!screen)
            return false;
        screen->openAsModal();
        return true;
    };
    return true;
}

[[maybe_unused]] const bool dashboardHooksInstalled = installDashboardHooks();

} // namespace

} // namespace quorvel
