// The dashboard pages a game may open directly: each names its tab and the
// screens to push and hands them to the dashboard launch. Screens that need
// settings are loaded by name with their parameters.
#include "social/core/QuorvelInternal.h"

#include "platform/foundation/Boxed.h"
#include "platform/ui/ViewController.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVUser.h"
#include "social/ui/QVControllerLoader.h"

namespace quorvel {

using platform::Ref;

namespace {

Ref<platform::Object> text(const std::string& value) { return platform::Boxed::box(platform::Value(value)); }
Ref<platform::Object> flag(bool value) { return platform::Boxed::box(platform::Value(value)); }

void launch(const std::string& tab, std::vector<Quorvel::DashboardEntry> entries)
{
    Quorvel::launchDashboardWithDelegate(nullptr, tab, entries);
}

// A screen loaded by name with its parameters, as a launch entry (none when it cannot be loaded).
std::vector<Quorvel::DashboardEntry> loaded(const std::string& name, const QVLoaderParameters& parameters = {})
{
    Ref<platform::ui::ViewController> screen = QVControllerLoader::loadWithParams(name, parameters);
    if (!screen)
        return {};
    return { Ref<platform::Object>(screen.get()) };
}

// Before the client starts a page opens nothing; the call is named in a warning.
bool started(const char* function) { return QVSessionRole::requireRunningClient(std::string("Quorvel::") + function); }

} // namespace

void Quorvel::launchDashboardWithIMToUser(QVUser* user, const std::string& initialText)
{
    if (!started(__func__))
        return;
    // A new conversation: no id yet.
    QVLoaderParameters parameters;
    if (user)
        parameters.emplace_back("user", Ref<platform::Object>(user));
    parameters.emplace_back("initialText", text(initialText));
    launch("MyQuorvel", loaded("Conversation", parameters));
}

void Quorvel::launchDashboardWithSpecificInvite(const std::string& inviteId)
{
    if (!started(__func__))
        return;
    QVLoaderParameters parameters;
    if (!inviteId.empty())
        parameters.emplace_back("inviteIdentifier", text(inviteId));
    launch("MyQuorvel", loaded("SelectInviteType", parameters));
}

void Quorvel::launchDashboardWithInvitePage()
{
    if (!started(__func__))
        return;
    launch("GameProfile", loaded("SelectInviteType"));
}

void Quorvel::launchDashboardWithiPurchasePage(const std::string& applicationId)
{
    if (!started(__func__))
        return;
    launch("GameDiscovery", loaded("ApplicationDescription", { { "applicationId", text(applicationId) },
                                                               { "appBannerPlacement", text("directDashboardLaunch") } }));
}

void Quorvel::launchDashboardWithFindFriendsPage()
{
    if (!started(__func__))
        return;
    launch("MyQuorvel", { std::string("ImportFriends") });
}

void Quorvel::launchDashboardWithChallengesPage()
{
    if (!started(__func__))
        return;
    launch("GameProfile", { std::string("ChallengeList") });
}

void Quorvel::launchDashboardWithHighscorePage(const std::string& leaderboardId)
{
    if (!started(__func__))
        return;
    launch("GameProfile", { std::string("Leaderboard"), leaderboardId });
}

void Quorvel::launchDashboardWithListLeaderboardsPage()
{
    if (!started(__func__))
        return;
    launch("GameProfile", { std::string("Leaderboard") });
}

void Quorvel::launchDashboardWithAchievementsPage()
{
    if (!started(__func__))
        return;
    launch("GameProfile", { std::string("AchievementList") });
}

void Quorvel::launchDashboardWithWhosPlayingPage()
{
    if (!started(__func__))
        return;
    launch("GameProfile", { std::string("WhosPlaying") });
}

void Quorvel::launchDashboardWithForumsPage()
{
    if (!started(__func__))
        return;
    if (!QuorvelInternal::session().allowUserGeneratedContent())
        return;
    launch("GameProfile", loaded("ForumTopicList"));
}

void Quorvel::launchDashboardWithSwitchUserPage()
{
    if (!started(__func__))
        return;
    launch("MyQuorvel", loaded("UseNewOrOldAccount"));
}

void Quorvel::launchDashboardWithListGlobalChatRoomsPage()
{
    if (!started(__func__))
        return;
    launch("GameProfile", loaded("SelectChatRoomDefinition", { { "includeGlobalRooms", flag(true) },
                                                                { "includeDeveloperRooms", flag(false) },
                                                                { "includeApplicationRooms", flag(false) } }));
}

} // namespace quorvel
