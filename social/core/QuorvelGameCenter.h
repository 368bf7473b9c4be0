// QuorvelGameCenter: the bridge to Game Center. One object,
// made by the client's Game Center link (QVGameCenterLink) while it uses Game Center
// and released at shut-down, holds the map of the game's ids to Game Center
// ids, the signed-in player's friends and achievements, and the leaderboard
// loads last asked for per time scope.
//
// Its sign-in runs once per object. Game Center's answers arrive on the main
// run loop; failed loads leave no friends, no change to the achievements or a
// leaderboard without scores, and the notifications are posted all the same.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/gamekit/GameCenter.h"
#include "social/services/QVGameCenterMap.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QuorvelGameCenter final : public platform::Object {
public:
    static constexpr const char* kFriendsLoaded = "QVNSNotificationGameCenterFriendsLoaded";
    static constexpr const char* kScoresLoaded = "QVNSNotificationGameCenterScoresLoaded";

    // Reads the map and asks the local player to sign in.
    static platform::Ref<QuorvelGameCenter> create();

    const QVGameCenterMap& mappings() const { return mappings_; }
    const std::optional<std::vector<std::string>>& friends() const { return friends_; }
    bool friendsValid() const { return friendsValid_; }
    const std::map<std::string, double>& achievements() const { return achievements_; }
    const std::string& currentCategory() const { return currentCategory_; }
    const std::string& currentLeaderboardId() const { return currentLeaderboardId_; }
    // The leaderboard load last asked for the time scope, or null.
    platform::gamekit::Leaderboard* leaderboardForTimeScope(int scope) const;

    void gameCenterLogin();
    void finishLoading();
    void loadFriends();
    void loadAchievements();
    // Loads the top 25 of every time scope (all time, week, today) of a mapped leaderboard.
    void loadAllScoresForQVLeaderboardId(const std::string& leaderboardId);
    void loadScores(const std::string& category, int scope);
    bool playerValidated() const;

    std::string className() const override { return "QuorvelGameCenter"; }

private:
    QuorvelGameCenter() = default;

    QVGameCenterMap mappings_;
    std::optional<std::vector<std::string>> friends_;
    std::map<int, platform::Ref<platform::gamekit::Leaderboard>> leaderboardsPerTimeScope_;
    std::string currentCategory_;
    std::string currentLeaderboardId_;
    std::map<std::string, double> achievements_;
    bool friendsValid_ { false };
};

} // namespace quorvel
