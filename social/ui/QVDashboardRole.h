// QVDashboardRole: the dashboard as the UI kit sees it, answered by the
// running client — screen class and orientation (its shape, which the layers
// below read too: runtime/QVDashboardShape.h), the dashboard's bounds, the
// root controller and the stack shown, switching between online and offline
// use, closing the dashboard, the screens put over it and the intro frame of
// the account screens.
//
// The central class implements it and installs it at start-up (setCurrent),
// removing it at shut-down. Without a running client the defaults answer from
// the main screen alone: portrait, no root controller, and closing or going
// offline only logs. The kit never holds the role: it asks current() each time.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Object.h"
#include "platform/ui/Types.h"
#include "social/runtime/QVDashboardShape.h"

#include <string>

namespace platform::ui {
class View;
class ViewController;
class NavigationController;
}

namespace quorvel {

class QVIntroFrame;

class QVDashboardRole : public QVDashboardShape {
public:
    // The main screen's bounds; on a large screen x 3, y 3, 640 x 480 however the device stands.
    virtual platform::Rect getDashboardBounds();
    virtual platform::ui::ViewController* getRootController() { return nullptr; }
    // The root's content view, else the root's view; null without a root.
    virtual platform::ui::View* getTopLevelView();
    // The navigation stack shown now (the root's modal stack, else its
    // content's, else the selected tab's); null without one.
    virtual platform::ui::NavigationController* getActiveNavigationController() { return nullptr; }
    // The open dashboard takes its online form; the default does nothing.
    virtual void switchToOnlineDashboard() { }
    virtual void switchToOfflineDashboard();
    virtual void dismissDashboard();

    // The root controller's show or hide transition ended: the central class
    // completes opening (the dashboard appeared) or closing (it destroys the dashboard).
    virtual void animationDidStop(bool /*finished*/) { }
    // A URL the tabbed dashboard opens as modal web content once it is shown ("" for none).
    virtual std::string initialDashboardModalContentURL() { return {}; }
    virtual void setInitialDashboardModalContentURL(const std::string& /*url*/) { }
    // Shows a screen full screen in the root controller (queued while another is up).
    virtual void presentRootControllerWithModal(platform::ui::ViewController* screen);
    // Closes the root controller's modal screen when it has one, else the root controller.
    virtual void dismissRootControllerOrItsModal();
    // Shows a screen over the game, centred on a dark shade (queued while another is up).
    virtual void presentModalOverlay(platform::Ref<platform::ui::ViewController> screen);
    // The frame shows a close button of its own over `stack` (the tabbed
    // dashboard's X, uncovered); false by default.
    virtual bool frameClosesStack(platform::ui::NavigationController* /*stack*/) { return false; }
    // A full-screen screen of the client has appeared and not yet gone.
    virtual bool dashboardVisible() { return false; }
    // An error screen is on top of the stack, or about to be pushed on one.
    virtual bool isShowingErrorScreenInNavController(platform::ui::NavigationController*) { return false; }
    // The request layer shows error screens only while they are allowed.
    virtual void allowErrorScreens(bool /*allow*/) { }
    // How many dashboards were closed (each closing allows the error screens again); 0 by default.
    virtual int dashboardsClosed() { return 0; }
    // The frame of the approval and account screens on show, or null (the default).
    virtual QVIntroFrame* activeIntroFrame() { return nullptr; }

    static QVDashboardRole& current();
    // Installs a role, and its shape (not owned: the client's own lasts to
    // the end of the process, and whoever installs another removes it before
    // it goes); null restores the default.
    static void setCurrent(QVDashboardRole* role);
};

} // namespace quorvel
