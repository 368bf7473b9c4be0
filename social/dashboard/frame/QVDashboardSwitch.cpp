// The open dashboard as the pages see it.
#include "social/dashboard/frame/QVDashboardSwitch.h"

#include "social/dashboard/profiles/QVProfileController.h"

#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVFramedNavigationController.h"

namespace quorvel {

platform::ui::NavigationController* QVDashboardSwitch::activeNavigationController()
{
    return QuorvelInternal::dashboardRole().getActiveNavigationController();
}

void QVDashboardSwitch::switchToOnlineDashboard() { QuorvelInternal::dashboardRole().switchToOnlineDashboard(); }

void QVDashboardSwitch::switchToOfflineDashboard() { QuorvelInternal::dashboardRole().switchToOfflineDashboard(); }

void QVDashboardSwitch::showProfileForUser(platform::Object* user)
{
    if (auto* u = dynamic_cast<QVUser*>(user))
        QVProfileController::showProfileForUser(u);
}

void QVDashboardSwitch::changeGameContext(platform::ui::NavigationController* nav, QVGameProfilePageInfo* info)
{
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(nav))
        framed->changeGameContext(info);
}

bool QVDashboardSwitch::pushComparedTo(platform::ui::NavigationController* nav, platform::ui::ViewController* controller,
                                       QVUser* user)
{
    auto* framed = dynamic_cast<QVFramedNavigationController*>(nav);
    if (!framed)
        return false;
    framed->pushViewControllerInContextOfLocalUserComparedTo(controller, true, user);
    return true;
}

} // namespace quorvel
