// QVDashboardSwitch: what the dashboard's pages ask of the open dashboard —
// the navigation stack shown now, switching between online and offline mode,
// and the game context and compared user of a framed stack. With a running
// client these go to the central class; otherwise to the tabbed dashboard,
// which registers itself while it is open.
#pragma once

#include "platform/foundation/Object.h"

namespace platform::ui {
class NavigationController;
class ViewController;
}

namespace quorvel {

class QVGameProfilePageInfo;
class QVUser;

class QVDashboardSwitch {
public:
    // The open dashboard's hooks (not owned; the dashboard clears them when it goes).
    class Dashboard {
    public:
        virtual ~Dashboard() = default;
        virtual platform::ui::NavigationController* activeNavigationController() = 0;
        virtual void switchToOnlineMode() = 0;
        virtual void switchToOfflineMode() = 0;
    };
    static void setOpenDashboard(Dashboard* dashboard) { open_ = dashboard; }
    static Dashboard* openDashboard() { return open_; }

    static platform::ui::NavigationController* activeNavigationController();
    static void switchToOnlineDashboard();
    static void switchToOfflineDashboard();

    // Opens the user's profile ("Profile", given the user) on the active stack.
    static void showProfileForUser(platform::Object* user);

    // Framed stacks: the game the screens are about; a push compared with
    // another user (false when the stack cannot compare).
    static void changeGameContext(platform::ui::NavigationController* nav, QVGameProfilePageInfo* info);
    static bool pushComparedTo(platform::ui::NavigationController* nav, platform::ui::ViewController* controller,
                               QVUser* user);

private:
    // The open dashboard while no client runs, else null.
    static Dashboard* standalone();
    static inline Dashboard* open_ { nullptr };
};

} // namespace quorvel
