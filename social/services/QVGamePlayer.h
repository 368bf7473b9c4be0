// QVGamePlayer: a player together with his standing in one game
// (<game_player>): the nested user, the game's id, the player's gamerscore in
// that game and whether it is one of his favourites. Read only.
#pragma once

#include "social/services/QVUser.h"

namespace quorvel {

class QVGamePlayer : public QVResource {
    QV_DECLARE_RESOURCE(QVGamePlayer)
public:
    static std::string getResourceName() { return "game_player"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    QVUser* user() const { return user_.get(); }
    const std::string& applicationId() const { return applicationId_; }
    uint32_t applicationGamerscore() const { return applicationGamerscore_; }
    bool isFavorite() const { return isFavorite_; }

    void setUser(const platform::Ref<QVUser>& user) { user_ = user; }
    void setApplicationId(const std::string& text) { applicationId_ = text; }
    void setApplicationGamerscore(const std::string& text);
    void setIsFavorite(const std::string& text);

protected:
    QVGamePlayer() = default;

private:
    platform::Ref<QVUser> user_;
    std::string applicationId_;
    uint32_t applicationGamerscore_ { 0 };
    bool isFavorite_ { false };
};

// QVOnlineStatus: a player with a presence flag, made by the conversation
// screen when the other player's presence changes (never read from XML).
class QVOnlineStatus : public QVResource {
    QV_DECLARE_RESOURCE(QVOnlineStatus)
public:
    static platform::Ref<QVOnlineStatus> onlineStatusWithUser(platform::Ref<QVUser> user, bool isOnline);
    bool initWithUser(platform::Ref<QVUser> user, bool isOnline);

    static std::string getResourceName() { return {}; }

    QVUser* user() const { return user_.get(); }
    void setUser(platform::Ref<QVUser> user) { user_ = std::move(user); }
    bool isOnline() const { return isOnline_; }
    void setIsOnline(bool online) { isOnline_ = online; }

protected:
    QVOnlineStatus() = default;

private:
    platform::Ref<QVUser> user_;
    bool isOnline_ { false };
};

} // namespace quorvel
