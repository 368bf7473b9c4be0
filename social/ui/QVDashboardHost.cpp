// The default dashboard host: answers from the main screen, without a central class.
#include "social/ui/QVDashboardHost.h"

#include "platform/device/Screen.h"
#include "platform/foundation/Log.h"
#include "platform/ui/ViewController.h"

namespace quorvel {

using platform::ui::InterfaceOrientation;
using platform::ui::Screen;

namespace {
QVDashboardHost* installed = nullptr;
}

bool QVDashboardHost::isLargeScreen() { return Screen::mainScreen().bounds().size.width >= 768; }

InterfaceOrientation QVDashboardHost::getDashboardOrientation() { return InterfaceOrientation::Portrait; }

platform::Rect QVDashboardHost::getDashboardBounds()
{
    if (!isLargeScreen())
        return Screen::mainScreen().bounds();
    if (platform::ui::isLandscape(getDashboardOrientation()))
        return platform::Rect(3, 3, 480, 640);
    return platform::Rect(3, 3, 640, 480);
}

platform::ui::View* QVDashboardHost::getTopLevelView()
{
    platform::ui::ViewController* root = getRootController();
    return root ? root->view() : nullptr;
}

void QVDashboardHost::switchToOfflineDashboard() { platform::log("QVDashboardHost: no dashboard to switch offline"); }

void QVDashboardHost::dismissDashboard() { platform::log("QVDashboardHost: no dashboard to dismiss"); }

void QVDashboardHost::presentRootControllerWithModal(platform::ui::ViewController*)
{
    platform::log("QVDashboardHost: no dashboard to present in");
}

void QVDashboardHost::dismissRootControllerOrItsModal() { platform::log("QVDashboardHost: no dashboard to dismiss"); }

bool QVDashboardHost::isInLandscapeMode() { return isLargeScreen() || isInLandscapeModeOniPad(); }

bool QVDashboardHost::isInLandscapeModeOniPad() { return platform::ui::isLandscape(getDashboardOrientation()); }

QVDashboardHost& QVDashboardHost::current()
{
    static QVDashboardHost fallback;
    return installed ? *installed : fallback;
}

void QVDashboardHost::setCurrent(QVDashboardHost* host) { installed = host; }

} // namespace quorvel
