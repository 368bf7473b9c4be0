// The dashboard pages a game may open directly: each names its tab and the
// screens to push and hands them to the dashboard launch. Screens that need
// settings are loaded by name and set up through their interfaces.
#include "social/core/QuorvelInternal.h"

#include "platform/ui/ViewController.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"

namespace quorvel {

using platform::Ref;
using platform::ui::ViewController;

namespace {

void launch(const std::string& tab, std::vector<Quorvel::DashboardEntry> entries)
{
    Quorvel::launchDashboardWithDelegate(nullptr, tab, entries);
}

// The screen of that name as a launch entry (none when the name loads nothing).
std::vector<Quorvel::DashboardEntry> loaded(const std::string& name)
{
    Ref<ViewController> screen = QVControllerLoader::load(name);
    if (!screen)
        return {};
    return { Ref<platform::Object>(screen.get()) };
}

// The same, set up first through the interface T the screen must have.
template <typename T, typename SetUp>
std::vector<Quorvel::DashboardEntry> loaded(const std::string& name, const char* why, SetUp&& setUp)
{
    std::vector<Quorvel::DashboardEntry> entries = loaded(name);
    for (Quorvel::DashboardEntry& entry : entries)
        setUp(*requireCast<T>(std::get<Ref<platform::Object>>(entry), why));
    return entries;
}

// Before the client starts a page opens nothing; the call is named in a warning.
bool started(const char* function) { return QVSessionRole::requireRunningClient(std::string("Quorvel::") + function); }

} // namespace

void Quorvel::launchDashboardWithIMToUser(QVUser* user, const std::string& initialText)
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithIMToUser");
    if (!started(__func__))
        return;
    // A new conversation: no id yet.
    launch("MyQuorvel", loaded<QVConversationScreen>("Conversation", "A conversation must take its player",
                                                     [&](QVConversationScreen& c) { c.openConversation({}, user, initialText); }));
}

void Quorvel::launchDashboardWithSpecificInvite(const std::string& inviteId)
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithSpecificInvite");
    if (!started(__func__))
        return;
    launch("MyQuorvel", loaded<QVSendInviteScreen>("SelectInviteType", "The invite flow must take its invitation",
                                                   [&](QVSendInviteScreen& s) { s.setInviteIdentifier(inviteId); }));
}

void Quorvel::launchDashboardWithInvitePage()
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithInvitePage");
    if (!started(__func__))
        return;
    launch("GameProfile", loaded("SelectInviteType"));
}

void Quorvel::launchDashboardWithiPurchasePage(const std::string& applicationId)
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithiPurchasePage");
    if (!started(__func__))
        return;
    launch("GameDiscovery",
           loaded<QVApplicationDescriptionScreen>("ApplicationDescription", "A game's description must take the game",
                                                  [&](QVApplicationDescriptionScreen& d) {
                                                      d.describeApplication(applicationId, "directDashboardLaunch");
                                                  }));
}
void Quorvel::launchDashboardWithFindFriendsPage()
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithFindFriendsPage");
    if (!started(__func__))
        return;
    launch("MyQuorvel", { std::string("ImportFriends") });
}

void Quorvel::launchDashboardWithChallengesPage()
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithChallengesPage");
    if (!started(__func__))
        return;
    launch("GameProfile", { std::string("ChallengeList") });
}

void Quorvel::launchDashboardWithHighscorePage(const std::string& leaderboardId)
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithHighscorePage");
    if (!started(__func__))
        return;
    launch("GameProfile", { std::string("Leaderboard"), leaderboardId });
}

void Quorvel::launchDashboardWithListLeaderboardsPage()
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithListLeaderboardsPage");
    if (!started(__func__))
        return;
    launch("GameProfile", { std::string("Leaderboard") });
}

void Quorvel::launchDashboardWithAchievementsPage()
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithAchievementsPage");
    if (!started(__func__))
        return;
    launch("GameProfile", { std::string("AchievementList") });
}

void Quorvel::launchDashboardWithWhosPlayingPage()
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithWhosPlayingPage");
    if (!started(__func__))
        return;
    launch("GameProfile", { std::string("WhosPlaying") });
}

void Quorvel::launchDashboardWithForumsPage()
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithForumsPage");
    if (!started(__func__))
        return;
    if (!QuorvelInternal::session().allowUserGeneratedContent())
        return;
    launch("GameProfile", loaded("ForumTopicList"));
}

void Quorvel::launchDashboardWithSwitchUserPage()
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithSwitchUserPage");
    if (!started(__func__))
        return;
    launch("MyQuorvel", loaded("UseNewOrOldAccount"));
}

void Quorvel::launchDashboardWithListGlobalChatRoomsPage()
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithListGlobalChatRoomsPage");
    if (!started(__func__))
        return;
    launch("GameProfile", loaded<QVChatRoomKindsScreen>("SelectChatRoomDefinition", "The chat room list must take the kinds of room it lists",
                                                        [](QVChatRoomKindsScreen& rooms) { rooms.setRoomKinds(true, false, false); }));
}

} // namespace quorvel
