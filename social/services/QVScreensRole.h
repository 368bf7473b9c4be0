// QVScreensRole: the screens the services open over the game through the
// running client — the challenge screens and pages, the received challenge's
// notice, the permission screen of a social post, screens made by name (the
// settings entries') and the dashboard opened on a tab.
//
// The central class implements it and installs it at start-up (setCurrent),
// removing it at shut-down. Without a running client nothing opens: the
// calls are logged and answer false or null.
#pragma once

#include "platform/foundation/Object.h"

#include <string>
#include <vector>

namespace platform::ui {
class ViewController;
}

namespace quorvel {

struct QVChallengeScreen;
class QVChallengeToUser;
class QVSocialNotification;
class QVUsersCredential;

class QVScreensRole {
public:
    virtual ~QVScreensRole() = default;

    // Opens a challenge screen over the game; false when none could be made.
    virtual bool presentChallengeScreen(const QVChallengeScreen& screen);
    // Opens the dashboard on the challenge list and the detail of a challenge.
    virtual void showChallengeDetail(const std::string& challengeId);
    // Shows the in-game notice of a received challenge.
    virtual void showChallengeNotice(QVChallengeToUser*) { }
    // Presents the permission screen of a social post (which posts, or not,
    // once the player has chosen); false when there is none.
    virtual bool requestNotificationPermission(QVSocialNotification*,
                                               const std::vector<platform::Ref<QVUsersCredential>>&)
    {
        return false;
    }
    // Opens the invite flow over the game for an invitation (empty: the game's
    // primary one); false when it could not be opened.
    virtual bool presentSendInviteScreen(const std::string& inviteIdentifier);
    // A screen made by name; null when none of that name loads.
    virtual platform::Ref<platform::ui::ViewController> loadScreen(const std::string& name);
    // Opens the dashboard on a tab with the screens pushed (a challenge's
    // page, a notice's input response); the default logs the tab.
    virtual void launchDashboard(const std::string& tab,
                                 const std::vector<platform::Ref<platform::ui::ViewController>>& controllers);

    // The installed role, or the default one.
    static QVScreensRole& current();
    // Installs a role (not owned: the client's own lasts to the end of the
    // process, and whoever installs another removes it before it goes);
    // null restores the default.
    static void setCurrent(QVScreensRole* role);
};

} // namespace quorvel
