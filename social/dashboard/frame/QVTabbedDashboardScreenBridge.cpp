// The tabbed dashboard as the central class sees it: its tabs' screens, and
// what the central class's launch and online/offline switch ask of them.
#include "social/dashboard/frame/QVTabbedDashboardController.h"

#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/dashboard/frame/QVFeatureScreens.h"
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

void QVTabbedDashboardController::prepareGamePageScreen(NavigationController* tab, ViewController* screen,
                                                        QVGameProfilePageInfo* info)
{
    if (tab)
        QVDashboardSwitch::changeGameContext(tab, info);
    if (screen)
        QVFeatureScreens::setUpForGame(screen, info);
}

void QVTabbedDashboardController::reloadFromServer(ViewController* screen)
{
    if (auto* list = dynamic_cast<QVTableControllerHelper*>(screen))
        list->reloadDataFromServer();
}

void QVTabbedDashboardController::refreshTabProfile(NavigationController* tab)
{
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(tab))
        framed->refreshProfile();
}

} // namespace quorvel
