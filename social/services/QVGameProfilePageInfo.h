// The game profile of a client application (<game_profile_page_info>): what
// the game offers on the service. The running game's profile is kept by the
// central class as a keyed archive, so the archive keys stay fixed from one
// version to the next. Also the comparison of two players in one game and a
// player's review of a game.
#pragma once

#include "social/services/QVUser.h"

namespace quorvel {

class QVGameProfilePageInfo : public QVResource {
    QV_DECLARE_RESOURCE(QVGameProfilePageInfo)
public:
    static std::string getResourceName() { return "game_profile_page_info"; }
    static void getDataMap(QVResourceDataMap& map);

    // The running game before the server has answered: its display names,
    // owned by the local player, no features, suggestions forum "0".
    static platform::Ref<QVGameProfilePageInfo> defaultInfo();
    // This info's id equals the central class's local game info's id.
    bool isLocalGameInfo() const;

    void encodeWithCoder(QVISerializer& coder) const;
    bool initWithCoder(QVISerializer& coder);
    platform::Bytes archivedData() const;
    // Null when the bytes are no archive of a game profile.
    static platform::Ref<QVGameProfilePageInfo> infoWithArchivedData(const platform::Bytes& data);

    const std::string& name() const { return name_; }
    const std::string& shortName() const { return shortName_; }
    const std::optional<std::string>& iconUrl() const { return iconUrl_; }
    bool hasChatRooms() const { return hasChatRooms_; }
    bool hasLeaderboards() const { return hasLeaderboards_; }
    bool hasAchievements() const { return hasAchievements_; }
    bool hasChallenges() const { return hasChallenges_; }
    bool hasiPurchase() const { return hasiPurchase_; }
    bool ownedByLocalPlayer() const { return ownedByLocalPlayer_; }
    bool hasFeaturedApplication() const { return hasFeaturedApplication_; }
    const std::optional<std::string>& suggestionsForumId() const { return suggestionsForumId_; }

protected:
    QVGameProfilePageInfo() = default;

private:
    std::string name_;
    std::string shortName_;
    std::optional<std::string> iconUrl_;
    bool hasChatRooms_ { false };
    bool hasLeaderboards_ { false };
    bool hasAchievements_ { false };
    bool hasChallenges_ { false };
    bool hasiPurchase_ { false };
    bool ownedByLocalPlayer_ { false };
    bool hasFeaturedApplication_ { false };
    std::optional<std::string> suggestionsForumId_;
};

// The local player's standing in a game beside another player's.
class QVGameProfilePageComparisonInfo : public QVResource {
    QV_DECLARE_RESOURCE(QVGameProfilePageComparisonInfo)
public:
    static std::string getResourceName() { return "game_profile_page_comparison_info"; }
    static void getDataMap(QVResourceDataMap& map);

    QVGameProfilePageInfo* gameProfilePageInfo() const { return gameProfilePageInfo_.get(); }
    int localUsersAchievementsScore() const { return localUsersAchievementsScore_; }
    int comparedUsersAchievementsScore() const { return comparedUsersAchievementsScore_; }
    int localUsersChallengesScore() const { return localUsersChallengesScore_; }
    int comparedUsersChallengesScore() const { return comparedUsersChallengesScore_; }
    int localUsersLeaderboardsScore() const { return localUsersLeaderboardsScore_; }
    int comparedUsersLeaderboardsScore() const { return comparedUsersLeaderboardsScore_; }

protected:
    QVGameProfilePageComparisonInfo() = default;

private:
    platform::Ref<QVGameProfilePageInfo> gameProfilePageInfo_;
    int localUsersAchievementsScore_ { 0 };
    int comparedUsersAchievementsScore_ { 0 };
    int localUsersChallengesScore_ { 0 };
    int comparedUsersChallengesScore_ { 0 };
    int localUsersLeaderboardsScore_ { 0 };
    int comparedUsersLeaderboardsScore_ { 0 };
};

// One player's review of a game (<client_application_user>).
class QVPlayerReview : public QVResource {
    QV_DECLARE_RESOURCE(QVPlayerReview)
public:
    static std::string getResourceName() { return "client_application_user"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_player_review_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    QVUser* user() const { return user_.get(); }
    bool favorite() const { return favorite_; }
    const std::string& review() const { return review_; }
    void setfavorite(const std::string& text);

protected:
    QVPlayerReview() = default;

private:
    platform::Ref<QVUser> user_;
    bool favorite_ { false };
    std::string review_;
};

} // namespace quorvel
