// The open dashboard as the pages see it.
#include "social/dashboard/frame/QVDashboardSwitch.h"

#include "social/dashboard/profiles/QVProfileController.h"

#include "platform/ui/NavigationController.h"
#include "social/core/Quorvel.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVFramedNavigationController.h"
#include "social/ui/QVDashboardHost.h"

namespace quorvel {

// With a running client the central class decides (it also shows the
// offline tab and refreshes the game's page); without one, the open
// dashboard is switched directly.
platform::ui::NavigationController* QVDashboardSwitch::activeNavigationController()
{
    if (Quorvel::sharedInstance())
        return Quorvel::getActiveNavigationController();
    return open_ ? open_->activeNavigationController() : nullptr;
}

void QVDashboardSwitch::switchToOnlineDashboard()
{
    if (Quorvel::sharedInstance())
        Quorvel::switchToOnlineDashboard();
    else if (open_)
        open_->switchToOnlineMode();
}

void QVDashboardSwitch::switchToOfflineDashboard()
{
    if (Quorvel::sharedInstance())
        Quorvel::switchToOfflineDashboard();
    else if (open_)
        open_->switchToOfflineMode();
    else
        QVDashboardHost::current().switchToOfflineDashboard();
}

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
