// QVDashboardShape: the screen class and the dashboard's orientation, the
// part of the dashboard role (ui/QVDashboardRole.h) that the layers below the
// kit read too (a discovery page is asked for in the layout it is shown in).
//
// Only the dashboard role answers it: installing a dashboard role installs
// its shape here, so a test's double steers the services as it steers the
// kit. Without one, the main screen decides and the dashboard stands in
// portrait.
#pragma once

#include "platform/ui/Types.h"

namespace quorvel {

class QVDashboardShape {
public:
    virtual ~QVDashboardShape() = default;

    // The main screen is at least 768 points wide.
    virtual bool isLargeScreen();
    // The one orientation every screen of the dashboard allows (1 without a central instance).
    virtual platform::ui::InterfaceOrientation getDashboardOrientation();

    // Always true on a large screen, else when the dashboard orientation is landscape.
    bool isInLandscapeMode();
    // The dashboard orientation is landscape (3 or 4).
    bool isInLandscapeModeOniPad();

    // The installed dashboard role's shape, or the defaults.
    static QVDashboardShape& current();

protected:
    // The dashboard role installs itself here, and only it (null: the defaults).
    static void installShape(QVDashboardShape* shape);
};

} // namespace quorvel
