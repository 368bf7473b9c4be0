// The dashboard shape's defaults (the main screen, portrait) and its slot,
// which the dashboard role fills.
#include "social/runtime/QVDashboardShape.h"

#include "platform/device/Screen.h"

namespace quorvel {

namespace {
QVDashboardShape* installed = nullptr;
}

bool QVDashboardShape::isLargeScreen() { return platform::ui::Screen::mainScreen().bounds().size.width >= 768; }

platform::ui::InterfaceOrientation QVDashboardShape::getDashboardOrientation()
{
    return platform::ui::InterfaceOrientation::Portrait;
}

bool QVDashboardShape::isInLandscapeMode() { return isLargeScreen() || isInLandscapeModeOniPad(); }

bool QVDashboardShape::isInLandscapeModeOniPad() { return platform::ui::isLandscape(getDashboardOrientation()); }

QVDashboardShape& QVDashboardShape::current()
{
    static QVDashboardShape fallback;
    return installed ? *installed : fallback;
}

void QVDashboardShape::installShape(QVDashboardShape* shape) { installed = shape; }

} // namespace quorvel
