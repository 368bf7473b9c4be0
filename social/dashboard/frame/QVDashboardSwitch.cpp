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

// The one place that tells "no client running" apart: then the tabbed
// dashboard registered while open answers itself (null when none is open).
// With a running client the central class decides (it also shows the offline
// tab and refreshes the game's page); without one and without an open
// dashboard its class methods answer their defaults (no stack, no switch).
QVDashboardSwitch::Dashboard* QVDashboardSwitch::standalone() { return QuorvelInternal::sharedInstance() ? nullptr : open_; }

platform::ui::NavigationController* QVDashboardSwitch::activeNavigationController()
{
    if (Dashboard* dashboard = standalone())
        return dashboard->activeNavigationController();
    return QuorvelInternal::getActiveNavigationController();
}

void QVDashboardSwitch::switchToOnlineDashboard()
{
    if (Dashboard* dashboard = standalone())
        dashboard->switchToOnlineMode();
    else
        QuorvelInternal::switchToOnlineDashboard();
}

void QVDashboardSwitch::switchToOfflineDashboard()
{
    if (Dashboard* dashboard = standalone())
        dashboard->switchToOfflineMode();
    else
        QuorvelInternal::switchToOfflineDashboard();
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
