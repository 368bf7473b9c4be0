// QVDashboardSwitch: what the dashboard's pages ask of the open dashboard —
// the navigation stack shown now, switching between online and offline mode,
// a user's profile, and the game context and compared user of a framed
// stack. The open dashboard answers through the dashboard role (the running
// client's, or a test's double).
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
};

} // namespace quorvel
