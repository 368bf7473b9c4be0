// The open dashboard as the pages see it.
#include "social/dashboard/QVDashboardSwitch.h"

#include "platform/ui/NavigationController.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardHost.h"

namespace quorvel {

platform::ui::NavigationController* QVDashboardSwitch::activeNavigationController()
{
    return open_ ? open_->activeNavigationController() : nullptr;
}

void QVDashboardSwitch::switchToOnlineDashboard()
{
    if (open_)
        open_->switchToOnlineMode();
}

void QVDashboardSwitch::switchToOfflineDashboard()
{
    if (open_)
        open_->switchToOfflineMode();
    else
        QVDashboardHost::current().switchToOfflineDashboard();
}

void QVDashboardSwitch::showProfileForUser(platform::Object* user)
{
    platform::ui::NavigationController* nav = activeNavigationController();
    if (!nav || !user)
        return;
    platform::Ref<platform::ui::ViewController> profile
        = QVControllerLoader::loadWithParams("Profile", { { "setUser", platform::Ref<platform::Object>(user) } });
    if (profile)
        nav->pushViewController(profile.get(), true);
}

void QVDashboardSwitch::changeGameContext(platform::ui::NavigationController*, QVGameProfilePageInfo*) { }

bool QVDashboardSwitch::pushComparedTo(platform::ui::NavigationController*, platform::ui::ViewController*, QVUser*)
{
    return false;
}

} // namespace quorvel
