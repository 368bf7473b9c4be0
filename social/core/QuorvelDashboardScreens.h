// What the central class needs of the dashboard's screens, which live in the
// layers above it: it loads them by name ("TabbedDashboard", "HighScore", ...)
// and reaches them only through these interfaces, which the screens
// implement. A screen loaded under such a name that lacks its interface (a
// game's replacement, a renamed class) is a programming error: the central
// class fails an assertion rather than show a screen that hears nothing.
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

    // The game page's tab (null when there is none) and a screen about to be
    // pushed on it (null for one the game made, which keeps its own settings)
    // learn the game they are about.
    virtual void prepareGamePageScreen(platform::ui::NavigationController* tab, platform::ui::ViewController* screen,
                                       QVGameProfilePageInfo* info) = 0;
    // Sent right after the achievement list is pushed (it chooses its cell).
    virtual void achievementListPushed(platform::ui::ViewController* screen) = 0;
    // The game page on top of the offline tab redraws for offline use.
    virtual void refreshGamePage(platform::ui::ViewController* page) = 0;
    // Back online: an inactive tab's screen reloads from the server.
    virtual void reloadFromServer(platform::ui::ViewController* screen) = 0;
    // Back online: a tab's stack reloads its profile frame.
    virtual void refreshTabProfile(platform::ui::NavigationController* tab) = 0;
};

// A challenge screen opened over the game whose close button is its own
// cancel (which tells the game); other challenge screens just close.
class QVSelfClosingChallengeScreen {
public:
    virtual ~QVSelfClosingChallengeScreen() = default;
    virtual void addCloseButtonCallingCancel() = 0;
};

// "SelectInviteType": the invite flow, opened as a framed modal with Cancel
// for an invitation (empty: the primary one).
class QVSendInviteScreen {
public:
    virtual ~QVSendInviteScreen() = default;
    virtual void openAsModalForInvite(const std::string& inviteIdentifier) = 0;
};

} // namespace quorvel
