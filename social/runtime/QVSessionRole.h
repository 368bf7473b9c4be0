// QVSessionRole: what the runtime, the services and the kit read of the
// running client — its session and provider, the local player and game, the
// bootstrap's extra steps, the announcements' state and a few user choices.
//
// The central class implements it and installs it at start-up (setCurrent),
// removing it at shut-down. Without a running client the defaults below
// answer: no session ("0"), no provider (requests fail at once), no local
// user, offline, no game id, and the bootstrap only stores its access token.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace quorvel {

struct QVXmlElement;
class QVBootstrap;
class QVDelegate;
class QVGameProfilePageInfo;
class QVHttpNestedQueryStringWriter;
class QVChallengeDelegate;
class QVProvider;
class QVResourceClass;
class QVResourceNameMap;
class QVUser;
class QuorvelDelegate;

class QVSessionRole {
public:
    virtual ~QVSessionRole() = default;

    // The session id every signed request carries ("0" without a session).
    virtual std::string sessionId() { return "0"; }
    // The client's release version, sent with every signed request.
    virtual std::string releaseVersionString() { return kReleaseVersion; }
    static constexpr const char* kReleaseVersion = "1.4.0";
    // The provider the services send through (null: requests fail at once).
    virtual QVProvider* provider() { return nullptr; }
    virtual bool hasUserApprovedQuorvel() { return false; }
    virtual bool isQuorvelDisabled() { return false; }

    // Bootstrap. Extra parameters of the bootstrap request (usage statistics, sync dates).
    virtual void writeBootstrapParameters(QVHttpNestedQueryStringWriter&) { }
    // Hands the answer to the client's setters in order; the default stores the access token.
    virtual void applyBootstrap(const QVBootstrap& answer, QVProvider& provider);
    virtual void notifyAddOnsUserLoggedIn() { }
    virtual void synchronizeOfflineData(const QVBootstrap&) { }
    // The same spread over the main loop's turns it takes (QVTurns.h), then
    // `then`; the default writes at once (synchronizeOfflineData) and goes on.
    virtual void synchronizeOfflineDataInTurns(const QVBootstrap& answer, std::function<void()> then)
    {
        synchronizeOfflineData(answer);
        then();
    }
    // The resource classes of the answer's parts read as resources (its
    // offline part, "offline"); none by default, and the answer is read as elements.
    virtual void getBootstrapKnownResources(QVResourceNameMap&) { }
    virtual void notifyAddOnsUserLoggedOut() { }
    // Calls back after the next bootstrap; false (nothing will call back) without a client.
    virtual bool addBootstrapDelegates(const QVDelegate&, const QVDelegate&) { return false; }

    // The local player and game. Without a client: no local user (the
    // services then use the placeholder user), offline, no game id, no
    // stored game profile.
    //
    // The two records are asked for through templates, so that their classes
    // (in services/) need to be complete only where they are asked for and
    // never here; a role answers through getLocalUser and
    // getLocalGameProfileInfo, which by default leave the answer null.
    template <typename User = QVUser>
    platform::Ref<User> localUser()
    {
        platform::Ref<User> user;
        getLocalUser(user);
        return user;
    }
    template <typename Info = QVGameProfilePageInfo>
    platform::Ref<Info> localGameProfileInfo()
    {
        platform::Ref<Info> info;
        getLocalGameProfileInfo(info);
        return info;
    }
    virtual void getLocalUser(platform::Ref<QVUser>&) { }
    virtual void getLocalGameProfileInfo(platform::Ref<QVGameProfilePageInfo>&) { }
    // The cached local user changed (its gamerscore): store and announce it.
    virtual void setLocalUser(QVUser*) { }
    virtual bool isOnline() { return false; }
    virtual std::string clientApplicationId() { return {}; }
    // The local player's id ("" without one) and the game's display names.
    virtual std::string lastLoggedInUserId() { return {}; }
    virtual std::string applicationDisplayName() { return {}; }
    virtual std::string applicationShortDisplayName() { return {}; }
    // The game profile record of the offline configuration file, to become the local game profile.
    virtual void setLocalGameProfileInfo(const QVXmlElement&) { }
    // The player's location (latitude, longitude), when one is known.
    virtual std::optional<std::pair<double, double>> userLocation() { return std::nullopt; }
    // The player chose whether social posts may go out, and what.
    virtual bool userHasRememberedChoiceForNotifications() { return false; }
    virtual bool userAllowsNotifications() { return false; }
    // The player may read and write what other players post (forums, chat):
    // the game did not turn it off and the player's account allows chat.
    virtual bool allowUserGeneratedContent() { return true; }
    // The game asked for Game Center at start-up (and the system has it).
    virtual bool isUsingGameCenter() { return false; }
    // The game's delegates handed over at start-up (null without them): the
    // client's own (a dashboard launch's first) and the challenge screens'.
    virtual QuorvelDelegate* getDelegate() { return nullptr; }
    virtual QVChallengeDelegate* getChallengeDelegate() { return nullptr; }
    // The one door to the game: every call of the game's delegates (the
    // client's, the services' classes', the screens') is made inside `call`.
    // The game may do anything there, shut the client down included, so what
    // the callers read afterwards stays alive: the running client is held
    // across the call, and one the call shut down lives on, stopped, until
    // the main loop's next turn. The answer is the same on every road: false
    // only when the call shut a running client down, and the caller stops
    // there. Without a client the default just calls.
    virtual bool callGame(const std::function<void()>& call)
    {
        call();
        return true;
    }

    // Announcements and forums. The newest announcement the local user has
    // read (kept only when later than the stored one), the unread count the
    // client announces, and the game's suggestions forum. The defaults keep
    // nothing: the distant past, no announcement, no forum id.
    virtual platform::Date lastAnnouncementDateForLocalUser() { return {}; }
    virtual void setLastAnnouncementDateForLocalUser(platform::Date) { }
    virtual void postUnreadAnnouncementCountChangedTo(int) { }
    virtual std::string suggestionsForumId() { return {}; }

    // The poller: forget what was polled of a class, poll at once, poll at an
    // interval in seconds or at the default one. Without a client nothing happens.
    virtual void clearPollingCacheForClassType(const QVResourceClass&) { }
    virtual void forceImmediatePoll() { }
    virtual void setPollingFrequency(double) { }
    virtual void setPollingToDefaultFrequency() { }

    // The installed role, or the default one.
    static QVSessionRole& current();
    // Installs a role (not owned: the client's own lasts to the end of the
    // process, and whoever installs another removes it before it goes);
    // null restores the default.
    static void setCurrent(QVSessionRole* role);
    // Whether a client runs (a role is installed).
    static bool isInstalled();
    // Guards a call of the game that needs a running client: true when one
    // runs. Otherwise false, after a warning that names the call and says the
    // client is not started yet, or was shut down; each call name warns once
    // until a client starts or stops.
    static bool requireRunningClient(const std::string& call);
    // The one guard of every public entry point of the client (the central
    // class, the services the game calls, the dashboard's launch calls),
    // asked first, before the call touches anything or tells the game
    // anything: on any thread but the main one it fails an assertion whose
    // message names the call (`call` is its "Class::method"). The client's
    // state, its store and the game's delegates are the main thread's.
    static void requireMainThread(const char* call);
};

} // namespace quorvel
