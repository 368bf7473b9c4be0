// What the central class needs of the dashboard's screens, which live in the
// layers above it: it loads them by name ("TabbedDashboard", "Conversation", ...)
// and reaches them only through these interfaces, which the screens
// implement. A screen loaded under such a name that lacks its interface (a
// game's replacement, a renamed class) is a programming error: the central
// class fails an assertion rather than show a screen that hears nothing.
#pragma once

#include "platform/foundation/Object.h"

#include <functional>
#include <string>
#include <vector>

namespace platform::ui {
class NavigationController;
class ViewController;
}

namespace quorvel {

class QVGameProfilePageInfo;
class QVLeaderboard;
class QVUser;

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
    // Pushed in the dashboard: the invitation it starts from (empty: the primary one).
    virtual void setInviteIdentifier(const std::string& inviteIdentifier) = 0;
};

// The screens a launch pushes on the game's tab, told apart by what they are
// rather than by their class name or title, so that a game's own subclass
// (registered under its prefix) is taken for the screen it replaces.

// "GameProfile": the game's page. The tabbed dashboard has it count its
// badges once its tab is made; it redraws when the dashboard goes offline.
class QVGamePageScreen {
public:
    virtual ~QVGamePageScreen() = default;
    virtual void registerForBadgeNotifications() = 0;
    virtual void refreshView() = 0;
};

// "Leaderboard": the game's leaderboards. At a launch a leaderboard id after
// it opens that board's scores, made by the list.
class QVLeaderboardListScreen {
public:
    virtual ~QVLeaderboardListScreen() = default;
    virtual platform::Ref<platform::ui::ViewController> highScoresScreen(QVLeaderboard* leaderboard) = 0;
};

// "HighScore": the scores of one leaderboard.
class QVHighScoreListScreen {
public:
    virtual ~QVHighScoreListScreen() = default;
    virtual QVLeaderboard* leaderboard() const = 0;
};

// "AchievementList": chooses its row once it knows its users; sent right
// after the push and before the first load.
class QVAchievementListScreen {
public:
    virtual ~QVAchievementListScreen() = default;
    virtual void postPushAchievementListController() = 0;
};

// "SelectChatRoomDefinition": which kinds of chat room it lists.
class QVChatRoomKindsScreen {
public:
    virtual ~QVChatRoomKindsScreen() = default;
    virtual void setRoomKinds(bool globalRooms, bool developerRooms, bool applicationRooms) = 0;
};

// "Conversation": the messages exchanged with a player (no id: a new
// conversation, started with the first message).
class QVConversationScreen {
public:
    virtual ~QVConversationScreen() = default;
    virtual void openConversation(const std::string& conversationId, QVUser* user, const std::string& initialText) = 0;
};

// "ApplicationDescription": a game's store description, and where it was opened from.
class QVApplicationDescriptionScreen {
public:
    virtual ~QVApplicationDescriptionScreen() = default;
    virtual void describeApplication(const std::string& applicationId, const std::string& bannerPlacement) = 0;
};

} // namespace quorvel
