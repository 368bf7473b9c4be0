// QVPlayedGame: one row of a game list — a game with its name, icon, store
// link, total gamerscore, friends who have it, the player's favourite mark
// and review, and one standing per compared user (QVUserGameStat).
#pragma once

#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVServicePublicClass.h"
#include "social/services/QVProfileService.h"

#include <string>

namespace quorvel {

class QVPlayedGame;

// The played-game class's delegate; every method optional.
class QVPlayedGameDelegate {
public:
    virtual ~QVPlayedGameDelegate() = default;
    virtual void didGetFeaturedGames(const std::vector<platform::Ref<platform::Object>>&) { }
    virtual void didFailGetFeaturedGames() { }
    virtual void didGetGameIcon(platform::Image*, QVPlayedGame*) { }
    virtual void didFailGetGameIconQVPlayedGame(QVPlayedGame*) { }
};

class QVPlayedGameClass : public QVServicePublicClass<QVPlayedGameClass, QVPlayedGameDelegate> {
    friend class QVServicePublicClass<QVPlayedGameClass, QVPlayedGameDelegate>;
    QVPlayedGameClass() = default;

public:
    void _getFeaturedGamesSuccess(platform::Object* series);
    void _getFeaturedGamesFailure(platform::Object*);
};

class QVPlayedGame : public QVResource {
    QV_DECLARE_RESOURCE(QVPlayedGame)
public:
    static std::string getResourceName() { return "played_game"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_played_game_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVProfileService::sharedService(); }

    // The developers' picks (the discovery page "developers_picks", page 1),
    // answered to the class's delegate.
    static platform::Ref<QVRequestHandle> getFeaturedGames();
    // A null delegate also forgets the class's running requests.
    static void setDelegate(QVPlayedGameDelegate* delegate) { QVPlayedGameClass::setDelegate(delegate); }

    // The icon from the image cache (told to the delegate at once; null
    // answered) or downloaded (the transfer's handle, filed under the class).
    platform::Ref<QVRequestHandle> getGameIcon();
    ~QVPlayedGame() override;

    // The first stat of the local player, in array order; null without one.
    QVUserGameStat* getLocalUsersGameStat() const;
    // Whether the local player's stat says the player has the game (NO without a stat).
    bool isOwnedByCurrentUser() const;

    const std::string& name() const { return name_; }
    const std::string& iconUrl() const { return iconUrl_; }
    const std::string& clientApplicationId() const { return clientApplicationId_; }
    uint32_t totalGamerscore() const { return totalGamerscore_; }
    uint32_t friendsWithApp() const { return friendsWithApp_; }
    const QVResourceArray& userGameStats() const { return userGameStats_; }
    const std::string& iTunesAppStoreUrl() const { return iTunesAppStoreUrl_; }
    bool favorite() const { return favorite_; }
    const std::string& review() const { return review_; }

protected:
    QVPlayedGame() = default;

private:
    std::string name_;
    std::string iconUrl_;
    std::string clientApplicationId_;
    uint32_t totalGamerscore_ { 0 };
    uint32_t friendsWithApp_ { 0 };
    QVResourceArray userGameStats_;
    std::string iTunesAppStoreUrl_;
    bool favorite_ { false };
    std::string review_;
    QVResourcePicture picture_;
};

} // namespace quorvel
