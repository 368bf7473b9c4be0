// GameCenter: the device's game network as the client sees it — the local
// player (sign-in, id, friends), score and achievement reports, leaderboard
// loads and player look-ups.
//
// Code above names only this interface. Programs run without a game network
// unless the game installs one (install()); until then the default answers as
// a device whose player is not signed in: nobody is authenticated, every report
// and load completes with kNotSignedIn. ScriptedGameCenter is the in-process
// network that tests (and a game's own demo) install and script.
//
// Every completion is posted to the main run loop, never called inside the
// call that started it, whatever the implementation.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::gamekit {

struct Error {
    int code { 0 };
    std::string message;
};
using OptionalError = std::optional<Error>;
constexpr int kNotSignedIn = 1;

// Time scopes of a leaderboard load.
enum TimeScope { kTimeScopeToday = 0, kTimeScopeWeek = 1, kTimeScopeAllTime = 2 };
// Player scopes of a leaderboard load.
enum PlayerScope { kPlayerScopeGlobal = 0, kPlayerScopeFriendsOnly = 1 };

struct Score {
    std::string playerID;
    std::string category;
    int64_t value { 0 };
    std::string formattedValue;
    Date date;
    int rank { 0 };
};

struct Achievement {
    std::string identifier;
    double percentComplete { 0 };
};

struct Player {
    std::string playerID;
    std::string alias;
};

// One leaderboard load: what to ask for, and what came back. isLoading() holds
// from loadScores() until its completion has run.
class Leaderboard final : public Object {
public:
    [[nodiscard]] static Ref<Leaderboard> create() { return adoptRef(new Leaderboard); }

    int timeScope { kTimeScopeAllTime };
    int playerScope { kPlayerScopeGlobal };
    std::string category;
    int rangeLocation { 1 }; // 1-based rank of the first score
    int rangeLength { 25 };

    bool isLoading() const { return loading_; }
    const std::vector<Score>& scores() const { return scores_; }

    // Asks the installed network; the completion receives the scores (empty on error).
    void loadScores(std::function<void(const std::vector<Score>&, const OptionalError&)> completion);

    std::string className() const override { return "GKLeaderboard"; }

private:
    Leaderboard() = default;
    bool loading_ { false };
    std::vector<Score> scores_;
};

class GameCenter : public Object {
public:
    using ErrorHandler = std::function<void(const OptionalError&)>;

    // The installed network, or the not-signed-in default.
    static GameCenter& current();
    // Installs a network (retained); null restores the default.
    static void install(Ref<GameCenter> center);

    // -- the local player
    virtual void authenticateLocalPlayer(ErrorHandler completion);
    virtual bool isLocalPlayerAuthenticated() { return false; }
    virtual std::string localPlayerID() { return {}; }
    virtual void loadFriends(std::function<void(const std::vector<std::string>&, const OptionalError&)> completion);

    // -- reports. A score is dated when it is made; the date is answered at once.
    virtual Date reportScore(int64_t value, const std::string& category, ErrorHandler completion);
    virtual void reportAchievement(const std::string& identifier, double percentComplete, ErrorHandler completion);

    // -- loads
    virtual void loadAchievements(std::function<void(const std::vector<Achievement>&, const OptionalError&)> completion);
    // The scores of one leaderboard load (scope, players, category, range).
    virtual void loadScores(const Leaderboard& request,
                            std::function<void(const std::vector<Score>&, const OptionalError&)> completion);
    virtual void loadPlayers(const std::vector<std::string>& playerIDs,
                             std::function<void(const std::vector<Player>&, const OptionalError&)> completion);

    std::string className() const override { return "GameCenter"; }

protected:
    GameCenter() = default;
    // Posts fn to the main run loop.
    static void later(std::function<void()> fn);
    static Error notSignedIn() { return Error { kNotSignedIn, "The local player is not signed in" }; }
};

// The in-process network: a player who signs in when `signsIn` is set, the
// friends, achievements, scores and players it is given, a failure per
// operation on demand, and a record of every report.
class ScriptedGameCenter final : public GameCenter {
public:
    [[nodiscard]] static Ref<ScriptedGameCenter> create() { return adoptRef(new ScriptedGameCenter); }

    // -- script
    bool signsIn { true };
    std::string playerID { "G:1000" };
    std::vector<std::string> friends;
    std::vector<Achievement> achievements;
    std::vector<Score> scores;      // every category; a load picks, sorts and ranges them
    std::vector<Player> players;
    OptionalError failReports;      // every report completes with this error
    OptionalError failLoads;        // every load completes with this error
    // The date the next reported scores carry; the wall clock when unset.
    std::optional<Date> scoreDate;
    // While set, report completions wait for releaseHeldReports().
    bool holdReports { false };
    // Posts the waiting report completions to the main loop, in report order.
    void releaseHeldReports();

    // -- record
    struct Report {
        std::string kind; // "score" or "achievement"
        std::string id;   // category or identifier
        int64_t value { 0 };
        double percent { 0 };
        Date date;
    };
    std::vector<Report> reports;
    int authenticateCalls { 0 };

    // Signs the player out (or in) at once.
    void setAuthenticated(bool authenticated) { authenticated_ = authenticated; }

    void authenticateLocalPlayer(ErrorHandler completion) override;
    bool isLocalPlayerAuthenticated() override { return authenticated_; }
    std::string localPlayerID() override { return authenticated_ ? playerID : std::string(); }
    void loadFriends(std::function<void(const std::vector<std::string>&, const OptionalError&)> completion) override;
    Date reportScore(int64_t value, const std::string& category, ErrorHandler completion) override;
    void reportAchievement(const std::string& identifier, double percentComplete, ErrorHandler completion) override;
    void loadAchievements(std::function<void(const std::vector<Achievement>&, const OptionalError&)> completion) override;
    void loadScores(const Leaderboard& request,
                    std::function<void(const std::vector<Score>&, const OptionalError&)> completion) override;
    void loadPlayers(const std::vector<std::string>& playerIDs,
                     std::function<void(const std::vector<Player>&, const OptionalError&)> completion) override;

private:
    ScriptedGameCenter() = default;
    OptionalError loadError() const;
    void answerReport(std::function<void()> completion);
    bool authenticated_ { false };
    std::vector<std::function<void()>> heldReports_;
};

} // namespace platform::gamekit
