// QVLeaderboard: one leaderboard of the game as the server lists it (element
// "leaderboard") and as the public class through which the game reads the
// leaderboards. The list of the running game comes from the server when the
// player is online and from the offline store otherwise.
//
// The player's and the compared player's best scores are high-score records;
// they are held here as resources and filled by the high-score service.
#pragma once

#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVResource.h"

#include <vector>

namespace quorvel {

class QVSqlQuery;
class QVPaginatedSeries;

// The class-wide delegate of QVLeaderboard; every message is optional.
class QVLeaderboardDelegate {
public:
    virtual ~QVLeaderboardDelegate() = default;
    virtual void didDownloadHighScores(const std::vector<platform::Ref<platform::Object>>&, class QVLeaderboard*) { }
    virtual void didFailDownloadHighScoresQVLeaderboard(class QVLeaderboard*) { }
};

class QVLeaderboard : public QVResource, public QVCallbackable {
    QV_DECLARE_RESOURCE(QVLeaderboard)
public:
    static platform::Ref<QVLeaderboard> create() { return platform::adoptRef(new QVLeaderboard); }
    // From a row of the leaderboards table, with the two best scores (or null).
    static platform::Ref<QVLeaderboard> initWithLocalSQL(const QVSqlQuery& row, platform::Ref<QVResource> localUserScore,
                                                         platform::Ref<QVResource> comparedUserScore);

    static std::string getResourceName() { return "leaderboard"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_leaderboard_discovered"; }
    static void getDataMap(QVResourceDataMap& map);

    // The stored definition with that id (without scores), or null.
    static platform::Ref<QVLeaderboard> leaderboard(const std::string& leaderboardId);
    // The active, visible leaderboards of the running version in the store.
    static std::vector<platform::Ref<QVLeaderboard>> leaderboards();
    // The class-wide delegate (not retained); null also forgets the requests filed under the class.
    static void setDelegate(QVLeaderboardDelegate* delegate);
    static QVLeaderboardDelegate* delegate();

    const std::string& leaderboardId() const { return resourceId(); }
    const std::string& name() const { return name_; }
    bool hasName() const { return hasName_; }
    QVResource* currentUserScore() const { return currentUserScore_.get(); }
    QVResource* comparedUserScore() const { return comparedUserScore_.get(); }
    bool descendingScoreOrder() const { return descendingScoreOrder_; }
    int filter() const { return filter_; }
    bool isComparison() const { return comparedUserScore_ != nullptr; }

    void setName(const std::string& text)
    {
        name_ = text;
        hasName_ = true;
    }
    void setDescendingScoreOrder(const std::string& text);
    void setCurrentUsersScore(platform::Ref<QVResource> score) { currentUserScore_ = std::move(score); }
    void setComparedToUsersScore(platform::Ref<QVResource> score) { comparedUserScore_ = std::move(score); }
    void setFilter(int filter) { filter_ = filter; }

    // The answer of a page of scores: the objects go to the delegate (for a
    // sectioned answer, those of the last section's page).
    void _downloadedHighScores(platform::Object* series);
    void _failedDownloadingHighScores(platform::Object* loader = nullptr);

    bool canReceiveCallbacksNow() override { return true; }

private:
    QVLeaderboard() = default;

    std::string name_;
    bool hasName_ { false };
    platform::Ref<QVResource> currentUserScore_;
    platform::Ref<QVResource> comparedUserScore_;
    bool descendingScoreOrder_ { false };
    int filter_ { 0 };
};

} // namespace quorvel
