// QVDashboardSwitch: what the dashboard's pages ask of the open dashboard —
// the navigation stack shown now, switching between online and offline mode,
// a user's profile, and the game context and compared user of a framed
// stack. The open dashboard answers through the dashboard role (the running
// client's, or a test's double).
#pragma once

#include "platform/foundation/Object.h"

#include <string>

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

    // Pushes the user's profile ("Profile", given the user) on the active
    // stack, in the user's context, unless the visible screen is that user's
    // page already. Opened from a forum post, a report from the profile flags
    // `reportedPost`, answered over `threadView`.
    static void showProfileForUser(platform::Object* user, platform::Object* reportedPost = nullptr,
                                   platform::ui::ViewController* threadView = nullptr);
    // Loads the game page of `clientApplicationId` ("GameProfile", or
    // "GameProfileWithNavBar" on a large screen) and pushes it on the active
    // stack, compared with `compareToUser` when that is someone other than
    // the player. Answers the page (null when none loads).
    static platform::Ref<platform::ui::ViewController> showGameProfile(const std::string& clientApplicationId,
                                                                       platform::Object* compareToUser = nullptr);

    // Framed stacks: the game the screens are about; a push compared with
    // another user (false when the stack cannot compare).
    static void changeGameContext(platform::ui::NavigationController* nav, QVGameProfilePageInfo* info);
    static bool pushComparedTo(platform::ui::NavigationController* nav, platform::ui::ViewController* controller,
                               QVUser* user);
};

} // namespace quorvel
