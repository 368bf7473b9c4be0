// The dashboard role's defaults: answers from the main screen, without a running client.
#include "social/ui/QVDashboardRole.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"
#include "platform/ui/ViewController.h"

namespace quorvel {

using platform::ui::Screen;

namespace {
QVDashboardRole* installed = nullptr;
}

platform::Rect QVDashboardRole::getDashboardBounds()
{
    if (!isLargeScreen())
        return Screen::mainScreen().bounds();
    // A large screen's dashboard is one wide panel whichever way the device stands: its
    // parts (banner, tab strip, button grid) are drawn for 640 points.
    return platform::Rect(3, 3, 640, 480);
}

platform::ui::View* QVDashboardRole::getTopLevelView()
{
    platform::ui::ViewController* root = getRootController();
    return root ? root->view() : nullptr;
}

void QVDashboardRole::switchToOfflineDashboard() { platform::log("Quorvel: no dashboard to switch offline"); }

void QVDashboardRole::dismissDashboard() { platform::log("Quorvel: no dashboard to dismiss"); }

void QVDashboardRole::presentRootControllerWithModal(platform::ui::ViewController*)
{
    platform::log("Quorvel: no dashboard to present in");
}

void QVDashboardRole::dismissRootControllerOrItsModal() { platform::log("Quorvel: no dashboard to dismiss"); }

void QVDashboardRole::presentModalOverlay(platform::Ref<platform::ui::ViewController>)
{
    platform::log("Quorvel: no dashboard to present over");
}

QVDashboardRole& QVDashboardRole::current()
{
    static QVDashboardRole fallback;
    return installed ? *installed : fallback;
}

void QVDashboardRole::setCurrent(QVDashboardRole* role)
{
    installed = role;
    installShape(role);
}

} // namespace quorvel
