// The open dashboard as the pages see it.
#include "social/dashboard/frame/QVDashboardSwitch.h"

#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/frame/QVDashboardProtocols.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVFramedNavigationController.h"

namespace quorvel {

using platform::Object;
using platform::Ref;
using platform::ui::NavigationController;
using platform::ui::ViewController;

platform::ui::NavigationController* QVDashboardSwitch::activeNavigationController()
{
    return QuorvelInternal::dashboardRole().getActiveNavigationController();
}

void QVDashboardSwitch::switchToOnlineDashboard() { QuorvelInternal::dashboardRole().switchToOnlineDashboard(); }

void QVDashboardSwitch::switchToOfflineDashboard() { QuorvelInternal::dashboardRole().switchToOfflineDashboard(); }

void QVDashboardSwitch::showProfileForUser(Object* user, Object* reportedPost, ViewController* threadView)
{
    auto* u = dynamic_cast<QVUser*>(user);
    NavigationController* nav = activeNavigationController();
    if (!u || !nav)
        return;
    if (auto* shown = dynamic_cast<QVUserPage*>(nav->visibleViewController())) {
        QVUser* shownUser = shown->pageUser();
        if (shownUser && shownUser->resourceId() == u->resourceId())
            return;
    }
    Ref<ViewController> profile = QVControllerLoader::load("Profile");
    if (!profile)
        return;
    requireCast<QVUserPage>(profile, "A profile must take its user")->showUser(u, reportedPost, threadView);
    profile->setTitle(u->name());
    if (auto* framed = dynamic_cast<QVFramedNavigationController*>(nav))
        framed->pushViewController(profile.get(), true, u);
    else
        nav->pushViewController(profile.get(), true);
}

Ref<ViewController> QVDashboardSwitch::showGameProfile(const std::string& clientApplicationId, Object* compareToUser)
{
    const bool large = QuorvelInternal::dashboardRole().isLargeScreen();
    Ref<ViewController> page = QVControllerLoader::load(large ? "GameProfileWithNavBar" : "GameProfile");
    if (!page)
        return nullptr;
    requireCast<QVGameProfileScreen>(page, "A game's page must take its game")->showGame(clientApplicationId, large);
    NavigationController* nav = activeNavigationController();
    if (!nav)
        return page;
    auto* user = dynamic_cast<QVUser*>(compareToUser);
    if (!user || user->isLocalUser() || !pushComparedTo(nav, page.get(), user))
        nav->pushViewController(page.get(), true);
    return page;
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
