// QuorvelInternal: the central class as the rest of the client sees it. The
// game calls Quorvel (Quorvel.h); the dashboard above the central class, and
// the central class's files that are no part of it (its class methods, the
// notices), reach the running client here, through the parts it is made of,
// each owned by the shared instance (a part itself reaches its siblings
// through its own instance: QVClientPart.h):
//
//   options()        the player's options and small settings in the user defaults
//   stats()          the usage statistics
//   notifications()  the notifications posted to the default centre
//   session()        the session: settings of start-up, delegates, provider, poller
//   login()          approval, bootstrap, login and logout
//   presenter()      the full-screen screens, orientation and error screens
//   hub()            the tabbed dashboard and its online and offline forms
//   requestUI()      notices and the screens a request needs
//   serviceScreens() the screens the services open over the game
//   records()        the local user and the running game's profile
//   location()       the player's location tracker
//   gameCenter()     the link to Game Center
//
// Before start-up and after shut-down these hand out the parts of an idle
// client that never starts: they keep no state and answer the fixed defaults
// described in Quorvel.h (the options and counters, kept in the user defaults,
// answer as ever).
//
// The parts answer the role interfaces of the layers below; the *Role()
// accessors hand out the roles as installed (the running client's parts, a
// test's double, or the role's defaults). One door per caller: the dashboard
// reaches a part that answers a role only through the role, so that a double
// steers the pages as it steers the layers below; the central class reaches
// its parts, save the dashboard launches it asks of the screens role like
// the services do (a test records them there). scripts/check_parts holds
// the dashboard to it. Main thread only.
//
// Class methods only, never an instance: a friend of Quorvel, whose private
// constructor and parts it reaches. The bodies that make, release and hand
// out the shared instance and its parts are in Quorvel.cpp, beside the parts'
// definition.
#pragma once

#include "social/core/QVAddOnRegistry.h"
#include "social/core/QVClientNotifications.h"
#include "social/core/QVClientSession.h"
#include "social/core/QVDashboardHub.h"
#include "social/core/QVGameCenterLink.h"
#include "social/core/QVLifecycleTrace.h"
#include "social/core/QVLocalRecords.h"
#include "social/core/QVLocationTracking.h"
#include "social/core/QVLogin.h"
#include "social/core/QVPresenter.h"
#include "social/core/QVRequestUI.h"
#include "social/core/QVServiceScreens.h"
#include "social/core/QVUserOptions.h"
#include "social/core/QVUserStats.h"
#include "social/core/Quorvel.h"

namespace quorvel {

class QuorvelInternal {
public:
    static void createSharedInstance();
    static void destroySharedInstance();
    // Null before start-up and after shut-down.
    static Quorvel* sharedInstance();

    // The parts of the running client, else of the idle one.
    static QVUserOptions& options();
    static QVUserStats& stats();
    static QVClientNotifications& notifications();
    static QVClientSession& session();
    static QVLogin& login();
    static QVPresenter& presenter();
    static QVDashboardHub& hub();
    static QVRequestUI& requestUI();
    static QVServiceScreens& serviceScreens();
    static QVLocalRecords& records();
    static QVLocationTracking& location();
    static QVGameCenterLink& gameCenter();

    // The roles as installed.
    static QVSessionRole& sessionRole() { return QVSessionRole::current(); }
    static QVRequestUIRole& requestUIRole() { return QVRequestUIRole::current(); }
    static QVGameCenterRole& gameCenterRole() { return QVGameCenterRole::current(); }
    static QVScreensRole& screensRole() { return QVScreensRole::current(); }
    static QVDashboardRole& dashboardRole() { return QVDashboardRole::current(); }

private:
    QuorvelInternal() = delete;
    static QuorvelParts& parts();
};

} // namespace quorvel
