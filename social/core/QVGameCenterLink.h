// QVGameCenterLink: the running client's link to Game Center. While the
// client uses Game Center (the setting, on a system that offers it) it makes
// the bridge (QuorvelGameCenter) once, which signs the player in and holds the
// id map, the friends, the achievements and the leaderboard loads; without
// it the login flow's Game Center step runs at once. It answers the Game
// Center role for the score and achievement services.
#pragma once

#include "platform/gamekit/GameCenter.h"
#include "social/core/QVClientPart.h"
#include "social/runtime/QVGameCenterRole.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVPaginatedSeries;
class QuorvelGameCenter;

class QVGameCenterLink final : public QVClientPart, public QVGameCenterRole {
public:
    explicit QVGameCenterLink(Quorvel& client);
    ~QVGameCenterLink() override;

    // In use and the local player signed in.
    bool isLoggedIntoGameCenter() override;
    // Not in use: the login flow's Game Center check at once. In use: makes
    // the bridge once, which signs the player in.
    void initializeGameCenter();
    void releaseGameCenter();
    // The bridge while it exists, else null.
    QuorvelGameCenter* gameCenterBridge();

    std::optional<std::string> getGameCenterLeaderboardCategory(const std::string& leaderboardId);
    std::optional<std::string> getGameCenterAchievementId(const std::string& achievementId);
    void loadGameCenterScores(const std::string& leaderboardId);
    bool isGameCenterScoreLoadedForLeaderboardId(const std::string& leaderboardId, int timeScope);
    std::vector<platform::gamekit::Score> getGameCenterScores(int timeScope);
    std::optional<std::vector<std::string>> getGameCenterFriends();
    // The leaderboard page of the high-score screen: the player's section,
    // "Friends" and everyone, with Game Center's scores of the time scope
    // merged into everyone while the leaderboard's category is the one loaded.
    platform::Ref<QVPaginatedSeries> combinedGameCenterForLeaderboardId(const std::string& leaderboardId,
                                                                       int timeScope,
                                                                       const QVPaginatedSeries& globals,
                                                                       const QVPaginatedSeries* friends);
    // Game Center's scores of the time scope merged with a page of service scores (or none).
    platform::Ref<QVPaginatedSeries> _combineGameCenterScope(int timeScope, const QVPaginatedSeries* servicePage);
    void loadGameCenterPlayerName(
        const std::string& playerId,
        std::function<void(const std::optional<std::string>& alias, const platform::gamekit::OptionalError&)> handler);

    // The Game Center role: the map's answers, and the reports (a score's
    // answers the date Game Center gave it).
    std::optional<std::string> gameCenterLeaderboardCategory(const std::string& leaderboardId) override;
    platform::Date submitScoreToGameCenter(int64_t score, const std::string& category,
                                           std::function<void(bool failed)> completion) override;
    bool isSynchedWithGameCenterLeaderboards() override;
    void setSynchWithGameCenterLeaderboards(bool synched) override;
    std::optional<std::string> gameCenterAchievementId(const std::string& achievementId) override;
    void submitAchievementToGameCenter(const std::string& identifier, double percentComplete,
                                       std::function<void(bool failed)> completion) override;
    bool isSynchedWithGameCenterAchievements() override;
    void setSynchWithGameCenterAchievements(bool synched) override;

private:
    platform::Ref<QuorvelGameCenter> bridge_;
};

} // namespace quorvel
