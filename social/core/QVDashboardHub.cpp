// The tabbed dashboard: the launch decision, the hub on a tab with its
// requested screens pushed, and the online/offline switch.
#include "social/core/QVDashboardHub.h"

#include "platform/foundation/Log.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QVClientNotifications.h"
#include "social/core/QVClientSession.h"
#include "social/core/QVLocalRecords.h"
#include "social/core/QVLogin.h"
#include "social/core/QVPartCallback.h"
#include "social/core/QVPresenter.h"
#include "social/core/QVRequestUI.h"
#include "social/core/QVUserOptions.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/core/QVLifecycleTrace.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequireCast.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVLeaderboardService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVScreenProtocols.h"

namespace quorvel {

using platform::Object;
using platform::Ref;
using platform::ui::NavigationController;
using platform::ui::ViewController;

namespace {

// The dashboard a game asked for while the device's first login was on its
// way: it opens when that login ends well. The callback target of the login,
// answering the hub while its client runs.
class DashboardAfterLogin final : public QVPartCallback<QVDashboardHub> {
public:
    static Ref<DashboardAfterLogin> create(Quorvel& client, QVDashboardHub& hub, std::string tab,
                                           std::vector<Quorvel::DashboardEntry> controllers)
    {
        auto opener = platform::adoptRef(new DashboardAfterLogin(client, hub));
        opener->tab_ = std::move(tab);
        opener->controllers_ = std::move(controllers);
        return opener;
    }
    void loginSucceeded(Object*)
    {
        withPart([&](QVDashboardHub& hub) { hub.presentRootControllerWithTabbedDashboard(tab_, controllers_); });
    }
    void loginFailed(Object*)
    {
        platform::logWarning("Quorvel: the dashboard asked for during the first login does not open: that login "
                             "failed, and the device has no player yet");
    }

private:
    DashboardAfterLogin(Quorvel& client, QVDashboardHub& hub)
        : QVPartCallback(client, hub)
    {
    }
    std::string tab_;
    std::vector<Quorvel::DashboardEntry> controllers_;
};

} // namespace

QVTabbedDashboardScreen* QVDashboardHub::tabbedContent()
{
    return running() ? dynamic_cast<QVTabbedDashboardScreen*>(presenter().contentController()) : nullptr;
}

bool QVDashboardHub::isDashboardHubOpen() { return presenter().isShowingFullScreen() && tabbedContent(); }

// ---- Opening

void QVDashboardHub::launchDashboardWithDelegate(QuorvelDelegate* delegate, const std::string& tabControllerName,
                                                 const std::vector<Quorvel::DashboardEntry>& controllers)
{
    if (!running()) {
        QVSessionRole::requireRunningClient("Quorvel::launchDashboard");
        return;
    }
    session().setLaunchDelegate(delegate);
    bool hasOfflineData = QVLeaderboardService::hasLeaderboards();
    if (!options().hasUserApprovedQuorvel() && !hasOfflineData) {
        login().presentUserQuorvelApprovalModal(
            QVDelegate(&client(), BRISKO_SELECTOR(Quorvel, _presentRootControllerWithTabbedDashboard)), QVDelegate());
        if (!running())
            return; // the game, asked for its own approval screen, shut the client down
        // A question already up (and perhaps still loading out of sight) comes into view.
        if (NavigationController* stack = presenter().getActiveNavigationController())
            if (!stack->viewControllers().empty())
                if (auto* approval = dynamic_cast<QVApprovalScreen*>(stack->viewControllers().front().get()))
                    approval->show();
        return;
    }
    QVProvider* provider = session().provider();
    bool authenticated = provider && provider->isAuthenticated();
    if ((!authenticated || records().lastLoggedInUserId().empty()) && !hasOfflineData) {
        if (login().isBootstrapInProgress()) {
            // Nothing to show yet, and nothing needs a restart: the login on its way decides.
            platform::logWarning("Quorvel: the dashboard opens once the login on its way ends: the device has no "
                                 "player yet (nobody logged in, nothing kept offline)");
            auto opener = DashboardAfterLogin::create(client(), *this, tabControllerName, controllers);
            login().addBootstrapDelegates(QVDelegate(opener.get(), BRISKO_SELECTOR(DashboardAfterLogin, loginSucceeded)),
                                          QVDelegate(opener.get(), BRISKO_SELECTOR(DashboardAfterLogin, loginFailed)));
            return;
        }
        if (QVReachability::isConnectedToInternet()) {
            requestUI().launchLoginFlowToDashboard();
        } else {
            platform::ui::AlertView::alert("No Quorvel Account", "You must go online once and connect to the Quorvel server.",
                                           nullptr, "OK")
                ->show();
        }
        return;
    }
    presentRootControllerWithTabbedDashboard(tabControllerName, controllers);
}

void QVDashboardHub::approvalEnded()
{
    if (login().isOnline())
        presentRootControllerWithTabbedDashboard({});
    else
        presenter().closeAtOnce();
}

void QVDashboardHub::presentRootControllerWithTabbedDashboard(const std::string& tabControllerName,
                                                              const std::vector<Quorvel::DashboardEntry>& controllers)
{
    if (!running()) {
        QVSessionRole::requireRunningClient("Quorvel::launchDashboard");
        return;
    }
    bool hubOpen = isDashboardHubOpen();
    Ref<ViewController> dashboard = hubOpen ? Ref<ViewController>(presenter().contentController()) : QVControllerLoader::load("TabbedDashboard");
    if (!dashboard) {
        platform::logWarning("Quorvel: no tabbed dashboard could be loaded");
        return;
    }
    auto* tabbed = requireCast<QVTabbedDashboardScreen>(dashboard, "The tabbed dashboard must take its tabs");

    std::string tab = tabControllerName;
    if (tab.empty()) {
        std::string initial = options().initialDashboardScreen();
        tab = options().hasUserApprovedQuorvel() && !initial.empty() ? initial : tabbed->dashboardDefaultTab();
    }
    if (!hubOpen) {
        presenter().presentRootControllerWithModal(dashboard);
        if (!running())
            return; // the game shut the client down as the dashboard was about to appear
    }
    // Read once the dashboard is up: a player who declined, or whom the game logged out as the
    // dashboard was about to appear (the presenter gave it its offline form then), is shown what
    // the device holds, as offline, without the pages asked for (their requests would go unanswered).
    const bool online = session().isOnline();
    if (!online)
        tab = tabbed->dashboardOfflineTab();
    tabbed->showDashboardTab(tab, false);
    if (hubOpen)
        if (auto* nav = dynamic_cast<NavigationController*>(tabbed->selectedTabController()))
            nav->popToRootViewControllerAnimated(false);
    const std::vector<Quorvel::DashboardEntry> none;
    const std::vector<Quorvel::DashboardEntry>& entries = online ? controllers : none;
    auto* target = dynamic_cast<NavigationController*>(tabbed->selectedTabController());

    bool push = true;
    Ref<ViewController> previous;
    for (auto& entry : entries) {
        if (!push)
            break;
        Ref<ViewController> screen;
        // A screen handed in already made carries its own settings; only
        // screens made here by name take the game page's.
        const bool madeHere = std::holds_alternative<std::string>(entry);
        if (auto* object = std::get_if<Ref<Object>>(&entry)) {
            auto* controller = dynamic_cast<ViewController*>(object->get());
            screen = controller ? Ref<ViewController>(controller) : previous;
        } else {
            const std::string& name = std::get<std::string>(entry);
            if (auto* list = dynamic_cast<QVLeaderboardListScreen*>(previous.get())) {
                // A leaderboard id: that leaderboard's scores.
                Ref<QVLeaderboard> leaderboard = QVLeaderboardService::getLeaderboard(name);
                if (!leaderboard) {
                    push = online;
                } else if ((screen = list->highScoresScreen(leaderboard.get()))) {
                    screen->setTitle("HighScore");
                }
            } else {
                screen = QVControllerLoader::load(name);
            }
        }
        previous = screen;
        if (!screen)
            continue;
        if (tab == "GameProfile") {
            Ref<QVGameProfilePageInfo> info = records().localGameProfileInfo();
            // A screen the game made keeps the settings the game gave it.
            tabbed->prepareGamePageScreen(target, madeHere ? screen.get() : nullptr, info.get());
            // By what the screen is, so that a game's own subclass counts too.
            if (dynamic_cast<QVAchievementListScreen*>(screen.get())) {
                push = info && info->hasAchievements();
            } else if (dynamic_cast<QVLeaderboardListScreen*>(screen.get())
                       || dynamic_cast<QVHighScoreListScreen*>(screen.get())) {
                if (!(info && info->hasLeaderboards()) && !QVLeaderboardService::hasLeaderboards()) {
                    push = false;
                    continue;
                }
            } else {
                push = online;
            }
        } else {
            push = online;
        }
        if (push && target) {
            target->pushViewController(screen.get(), true);
            if (auto* achievements = dynamic_cast<QVAchievementListScreen*>(screen.get()))
                achievements->postPushAchievementListController();
        }
    }
}

// ---- Online and offline mode

void QVDashboardHub::switchToOnlineDashboard()
{
    if (!running() || isQuorvelDashboardInOnlineMode)
        return;
    QVLifecycleTrace::step("switchToOnlineDashboard");
    notifications().postUserOnline();
    if (QVTabbedDashboardScreen* tabbed = tabbedContent())
        tabbed->enterOnlineMode();
    reloadInactiveTabBars();
    isQuorvelDashboardInOnlineMode = true;
}

void QVDashboardHub::switchToOfflineDashboard(bool keepScreenOver)
{
    if (!running())
        return;
    if (!isQuorvelDashboardInOnlineMode) {
        // Offline already: a player who has just turned the client off (a logout) is still offered
        // to turn it on, on the game's tab at its root, as a dashboard opened now offers it. A refused
        // login left the dashboard offline where it stood (a dead end on another tab, say).
        if (QVTabbedDashboardScreen* tabbed = tabbedContent(); tabbed && !options().hasUserApprovedQuorvel()) {
            tabbed->showDashboardTab("GameProfile", true);
            tabbed->enterOfflineMode();
        }
        return;
    }
    Ref<Quorvel> keep(&client());
    QVLifecycleTrace::step("switchToOfflineDashboard");
    // A dashboard asked for before the player turned the client off (a logout), still waiting
    // for the screen in front to close, was the leaving player's: it does not open.
    if (!options().hasUserApprovedQuorvel())
        presenter().forgetQueuedDashboard();
    notifications().postUserOffline();
    options().setUnviewedChallengesCount(0);
    options().setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(0, 0, 0);
    options().setPendingFriendsCount(0);
    if (auto* announcements = QVAnnouncementService::sharedService())
        announcements->clearLocalAnnouncements();
    if (QVTabbedDashboardScreen* tabbed = tabbedContent()) {
        tabbed->showDashboardTab("GameProfile", true);
        tabbed->enterOfflineMode();
        if (auto* nav = dynamic_cast<NavigationController*>(tabbed->selectedTabController())) {
            if (auto* page = dynamic_cast<QVGamePageScreen*>(nav->topViewController()))
                page->refreshView();
        }
        ViewController* root = presenter().getRootController();
        if (root && root->modalViewController() && !keepScreenOver)
            root->dismissModalViewControllerAnimated(true);
    }
    isQuorvelDashboardInOnlineMode = false;
}

void QVDashboardHub::reloadInactiveTabBars()
{
    QVTabbedDashboardScreen* tabbed = tabbedContent();
    if (!tabbed)
        return;
    ViewController* selected = tabbed->selectedTabController();
    for (ViewController* tab : tabbed->tabControllers()) {
        auto* nav = dynamic_cast<NavigationController*>(tab);
        if (!nav)
            continue;
        if (tab != selected) {
            nav->popToRootViewControllerAnimated(false);
            if (nav->topViewController())
                tabbed->reloadFromServer(nav->topViewController());
        }
        tabbed->refreshTabProfile(nav);
    }
}

} // namespace quorvel
