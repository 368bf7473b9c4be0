// What the central class needs of the dashboard's screens, which live in the
// layers above it: it loads them by name ("TabbedDashboard", "HighScore", ...)
// and reaches them only through these interfaces and hooks. A loaded screen
// that lacks an interface is still shown; it just receives nothing.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform::ui {
class NavigationController;
class ViewController;
}

namespace quorvel {

class QVGameProfilePageInfo;

// "TabbedDashboard": the tab bar controller of the dashboard hub.
class QVTabbedDashboardScreen {
public:
    virtual ~QVTabbedDashboardScreen() = default;
    // The tab opened when none is asked for, and the one shown offline.
    virtual std::string dashboardDefaultTab() = 0;
    virtual std::string dashboardOfflineTab() = 0;
    // Selects the tab of that name; showAtRoot pops its stack to the root first.
    virtual void showDashboardTab(const std::string& name, bool showAtRoot) = 0;
    virtual platform::ui::ViewController* selectedTabController() = 0;
    // Each tab's controller, in tab order.
    virtual std::vector<platform::ui::ViewController*> tabControllers() = 0;
    // Switch the tabs between their online and offline forms.
    virtual void enterOnlineMode() = 0;
    virtual void enterOfflineMode() = 0;
};

// The class methods of the dashboard's screens that the launch and the
// online/offline switch use. The layers that own those screens install them;
// an absent hook is skipped.
struct QVChallengeScreen;

struct QuorvelDashboardHooks {
    // Prepares a screen pushed on the game page's tab with the game's profile.
    std::function<void(platform::ui::ViewController* screen, QVGameProfilePageInfo* info)> setPushControllerData;
    // A framed stack learns the game its screens are about.
    std::function<void(platform::ui::NavigationController* nav, QVGameProfilePageInfo* info)> changeGameContext;
    // Sent right after a screen is pushed (the achievement list chooses its cell).
    std::function<void(platform::ui::ViewController* screen)> postPush;
    // The game page redraws for offline use.
    std::function<void(platform::ui::ViewController* screen)> refreshView;
    // A list screen of an inactive tab reloads from the server.
    std::function<void(platform::ui::ViewController* screen)> reloadDataFromServer;
    // A framed stack reloads its profile frame.
    std::function<void(platform::ui::NavigationController* nav)> refreshProfile;
    // Opens a challenge screen over the game, framed, with its close button;
    // false when it could not be made.
    std::function<bool(const QVChallengeScreen& screen)> presentChallengeScreen;
    // Opens the invite flow for an invitation (empty: the primary one) as a
    // framed modal with Cancel; false when it could not be made.
    std::function<bool(const std::string& inviteIdentifier)> presentSendInviteScreen;

    static QuorvelDashboardHooks& shared();
};

} // namespace quorvel
