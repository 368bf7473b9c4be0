// QVProfileService: a player's profile page (compared with the local
// player's when it is somebody else's), a player's gamerscore, and the note
// that the local player looked at the own page. QVGamerscore and
// QVUserGameStat are the records of its answers.
#pragma once

#include "social/runtime/QVService.h"
#include "social/services/QVUser.h"

#include <string>

namespace quorvel {

class QVProfileService : public QVSharedService<QVProfileService> {
public:
    QVProfileService() = default;

    // GET "profiles/<user or me>/": "compared_to_user_id" = "me" for another player.
    static void getProfileForUser(const std::string& userId, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static void getLocalPlayerProfile(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // GET "profiles/<user or me>/gamerscore".
    static void getGamerscoreForUser(const std::string& userId, const QVDelegate& onSuccess,
                                     const QVDelegate& onFailure);
    // GET "profiles/viewed_own"; the answer is ignored.
    static void viewedOwnProfilePage();

    void populateKnownResources(QVResourceNameMap& map) override;
};

// One player's gamerscore over all games.
class QVGamerscore : public QVResource {
    QV_DECLARE_RESOURCE(QVGamerscore)
public:
    static std::string getResourceName() { return "gamerscore"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_gamerscore_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVProfileService::sharedService(); }

    uint32_t userId() const { return userId_; }
    uint32_t gamerscore() const { return gamerscore_; }

protected:
    QVGamerscore() = default;

private:
    uint32_t userId_ { 0 };
    uint32_t gamerscore_ { 0 };
};

// One player's standing in one game.
class QVUserGameStat : public QVResource {
    QV_DECLARE_RESOURCE(QVUserGameStat)
public:
    static std::string getResourceName() { return "user_game_stat"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_user_game_stat_discovered"; }
    static void getDataMap(QVResourceDataMap& map);

    bool userHasGame() const { return userHasGame_; }
    const std::string& userId() const { return userId_; }
    uint32_t userGamerScore() const { return userGamerScore_; }
    bool userFavoritedGame() const { return userFavoritedGame_; }
    void setUserGamerscore(const std::string& text);

protected:
    QVUserGameStat() = default;

private:
    bool userHasGame_ { false };
    std::string userId_;
    uint32_t userGamerScore_ { 0 };
    bool userFavoritedGame_ { false };
};

} // namespace quorvel
