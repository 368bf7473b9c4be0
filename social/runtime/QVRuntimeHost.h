// QVRuntimeHost: how the runtime reaches up into the client's facade without
// depending on it — server notifications found in answers, the default notice
// after a request, error screens and the player's approval state.
//
// The facade installs its host at initialisation (setCurrent) and removes it
// at shut-down. Until then a default host answers: it drops notifications and
// notices (logging them), allows no error screens and reports no approval.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace quorvel {

struct QVXmlElement;
class QVResourceNameMap;
class QVActionRequest;
class QVBootstrap;
class QVHttpNestedQueryStringWriter;
class QVProvider;

class QVRuntimeHost {
public:
    virtual ~QVRuntimeHost() = default;

    // A <server_notification> element of an answer, with the name map the answer was read with.
    virtual void showServerNotification(const QVXmlElement& element, const QVResourceNameMap& names);
    // After a request succeeded.
    virtual void showDefaultNotice() { }
    virtual bool areErrorScreensAllowed() { return false; }
    virtual void displayErrorMessage(const std::string& message);
    // The default logs the body's "error_message", filled with the application's name.
    virtual void displayUpgradeRequiredErrorMessage(const platform::Bytes& body);
    virtual void displayServerMaintenanceNotice(const platform::Bytes& body) { }
    virtual bool hasUserApprovedQuorvel() { return false; }
    virtual bool isQuorvelDisabled() { return false; }
    // The session id every signed request carries ("0" without a session).
    virtual std::string sessionId() { return "0"; }
    // The client's release version, sent with every signed request.
    virtual std::string releaseVersionString() { return kReleaseVersion; }
    static constexpr const char* kReleaseVersion = "1.4.0";

    // Requests. The provider the services send through (null: requests are dropped).
    virtual QVProvider* provider() { return nullptr; }
    // While a full-screen screen of the client is up every request starts silently.
    virtual bool isShowingFullScreen() { return false; }
    // A request needing a login while none is held; the default abandons it.
    virtual void launchLoginFlowForRequest(QVActionRequest& request);
    // Requests of types 1 and 2: the notice view starts them; the default starts them silently.
    virtual void showBackgroundNoticeForLoader(QVActionRequest& request, platform::Object* notice);
    // HTTP 430: the extended-credentials flow, which retries or abandons the request;
    // the default abandons it.
    virtual void launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request, const platform::Bytes& body,
                                                            platform::Object* noticeUserData);

    // Bootstrap. Extra parameters of the bootstrap request (usage statistics, sync dates).
    virtual void writeBootstrapParameters(QVHttpNestedQueryStringWriter&) { }
    // Hands the answer to the facade's setters in order; the default stores the access token.
    virtual void applyBootstrap(const QVBootstrap& answer, QVProvider& provider);
    virtual void notifyAddOnsUserLoggedIn() { }
    virtual void synchronizeOfflineData(const QVBootstrap&) { }
    virtual void notifyAddOnsUserLoggedOut() { }

    // The facade's state the services read. Without a facade: no local user
    // (the services then use the placeholder user), offline, no game id, and
    // no notice objects (requests start silently).
    virtual platform::Ref<platform::Object> localUser() { return nullptr; }
    virtual bool isOnline() { return false; }
    virtual std::string clientApplicationId() { return {}; }
    // The local player's id ("" without one), the game's display names, and
    // the running game's stored profile (null without a facade).
    virtual std::string lastLoggedInUserId() { return {}; }
    virtual std::string applicationDisplayName() { return {}; }
    virtual std::string applicationShortDisplayName() { return {}; }
    virtual platform::Ref<platform::Object> localGameProfileInfo() { return nullptr; }
    // The screen is large (a tablet); the dashboard shows in landscape.
    virtual bool isLargeScreen() { return false; }
    virtual bool isInLandscapeMode() { return false; }
    // The foreground notice of a request of type 1 or 2, made from its text.
    virtual platform::Ref<platform::Object> foregroundNotice(const std::string& text) { return nullptr; }
    // The same with the notice's category and type; without a facade of its
    // own it is the plain foreground notice.
    virtual platform::Ref<platform::Object> categorizedNotice(const std::string& text, int category, int type)
    {
        (void)category;
        (void)type;
        return foregroundNotice(text);
    }

    // Announcements and forums. The newest announcement the local user has
    // read (kept only when later than the stored one), the unread count the
    // client announces, and the game's suggestions forum. The defaults keep
    // nothing: the distant past, no announcement, no forum id.
    virtual platform::Date lastAnnouncementDateForLocalUser() { return {}; }
    virtual void setLastAnnouncementDateForLocalUser(platform::Date) { }
    virtual void postUnreadAnnouncementCountChangedTo(int) { }
    virtual std::string suggestionsForumId() { return {}; }

    // In-game notices not tied to a request: the text, the bundle image shown
    // beside it, and the category and type the notification delegate sees.
    // showBackgroundNotice shows it at once; setDefaultBackgroundNotice keeps
    // it (replacing an older one) until the next successful answer. The
    // default logs the text.
    struct BackgroundNotice {
        std::string text;
        std::string imageName;
        int category { 0 };
        int type { 0 };
    };
    virtual void showBackgroundNotice(const BackgroundNotice& notice);
    virtual void setDefaultBackgroundNotice(const BackgroundNotice& notice);

    // Game data. Game Center in use and its player signed in; the category a
    // leaderboard maps to; a score report (its completion receives whether it
    // failed) answering the date Game Center gave the score. The defaults:
    // not signed in, no mapping, and the report goes to the installed network.
    virtual bool isLoggedIntoGameCenter() { return false; }
    virtual std::optional<std::string> gameCenterLeaderboardCategory(const std::string&) { return std::nullopt; }
    virtual platform::Date submitScoreToGameCenter(int64_t score, const std::string& category,
                                                   std::function<void(bool failed)> completion);
    // The user option that the local bests were copied to Game Center once.
    virtual bool isSynchedWithGameCenterLeaderboards() { return true; }
    virtual void setSynchWithGameCenterLeaderboards(bool) { }
    // Achievements: the Game Center identifier an achievement maps to; a
    // progress report (its completion receives whether it failed, the default
    // goes to the installed network); the user option that every stored
    // progress was copied to Game Center once (default: copied).
    virtual std::optional<std::string> gameCenterAchievementId(const std::string&) { return std::nullopt; }
    virtual void submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                               std::function<void(bool failed)> completion);
    virtual bool isSynchedWithGameCenterAchievements() { return true; }
    virtual void setSynchWithGameCenterAchievements(bool) { }
    // The "Achievement Unlocked!" bar for an achievement record and a percent
    // complete; the default logs it.
    virtual void showAchievementNotice(platform::Object* achievement, double percentComplete);
    // The cached local user changed (its gamerscore): store and announce it.
    virtual void setLocalUser(platform::Object*) { }
    // The player's location (latitude, longitude), when one is known.
    virtual std::optional<std::pair<double, double>> userLocation() { return std::nullopt; }

    // The installed host, or the default one.
    static QVRuntimeHost& current();
    // Installs a host (not owned); null restores the default.
    static void setCurrent(QVRuntimeHost* host);
};

} // namespace quorvel
