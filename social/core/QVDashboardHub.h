// QVDashboardHub: the tabbed dashboard of the running client. Opening it
// decides what comes first (the approval question when the player never
// approved and nothing is stored offline; the login flow, or an alert while
// unreachable, without a login), then shows the hub (loaded as
// "TabbedDashboard", reached through QVTabbedDashboardScreen) on a tab with
// the asked-for screens pushed on it. It switches an open hub between its
// online and offline forms, each switch acting only on a change.
#pragma once

#include "platform/foundation/Object.h"
#include "social/core/QVClientPart.h"
#include "social/core/Quorvel.h"

#include <string>
#include <vector>

namespace quorvel {

class QVTabbedDashboardScreen;

class QVDashboardHub final : public QVClientPart {
public:
    explicit QVDashboardHub(Quorvel& client)
        : QVClientPart(client)
    {
    }

    // Approval first when the player never approved and nothing is stored
    // offline; the login flow (or an alert while unreachable) without a login;
    // otherwise the tabbed dashboard on the tab (empty: the initial or default
    // one) with the entries pushed on it.
    void launchDashboardWithDelegate(QuorvelDelegate* delegate, const std::string& tabControllerName,
                                     const std::vector<Quorvel::DashboardEntry>& controllers);
    // The approval's answer: the dashboard when online, else nothing left up.
    void approvalEnded();
    void presentRootControllerWithTabbedDashboard(const std::string& tabControllerName,
                                                  const std::vector<Quorvel::DashboardEntry>& controllers = {});
    // A full-screen screen is up and it is the tabbed dashboard.
    bool isDashboardHubOpen();

    // Online and offline mode of an open dashboard (each acts only on a change).
    void switchToOnlineDashboard();
    // Going offline also closes a screen shown over the dashboard (the leaving
    // player's account screens), unless keepScreenOver says to leave it.
    void switchToOfflineDashboard(bool keepScreenOver = false);
    // Nobody is logged in any more (a login of another account was refused):
    // the next login switches the dashboard online, whichever form it shows
    // now. The screens stay as they are, so the player still reads the refusal.
    void forgetOnlineMode() { isQuorvelDashboardInOnlineMode = false; }
    void reloadInactiveTabBars();

private:
    QVTabbedDashboardScreen* tabbedContent();

    bool isQuorvelDashboardInOnlineMode { false };
};

} // namespace quorvel
