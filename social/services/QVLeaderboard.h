// QVLeaderboard: one leaderboard of the game as the server lists it (element
// "leaderboard") and the public class through which the game reads the
// leaderboards. The list of the running game comes from the server while the
// player is online and from the offline store otherwise.
//
// The player's and the compared player's best scores are high-score records
// (elements "current_user_high_score" and "compared_user_high_score"); offline
// the high-score service fills the player's from the store.
//
// Answers reach the class-wide QVLeaderboardDelegate (a weak link; every
// method optional). Clearing the delegate forgets the class's outstanding
// requests: they run on and their answers reach nobody.
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVServicePublicClass.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVUser.h"

#include <vector>

namespace quorvel {

class QVSqlQuery;
class QVLeaderboard;
class QVRequestHandle;

class QVLeaderboardDelegate {
public:
    virtual ~QVLeaderboardDelegate() = default;
    virtual void didDownloadHighScores(const std::vector<platform::Ref<platform::Object>>& /*scores*/,
                                       QVLeaderboard* /*leaderboard*/) { }
    virtual void didFailDownloadHighScoresQVLeaderboard(QVLeaderboard* /*leaderboard*/) { }
};

class QVLeaderboard : public QVResource, public QVCallbackable {
    QV_DECLARE_RESOURCE(QVLeaderboard)
public:
    static platform::Ref<QVLeaderboard> create() { return platform::adoptRef(new QVLeaderboard); }
    // A row of the leaderboards table with the two best scores (or null); a
    // NULL name stays empty.
    static platform::Ref<QVLeaderboard> initWithLocalSQL(const QVSqlQuery& row, platform::Ref<QVHighScore> localUserScore,
                                                         platform::Ref<QVHighScore> comparedUserScore);

    static std::string getResourceName() { return "leaderboard"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_leaderboard_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService();

    // The stored definition with that id (without scores), or null.
    static platform::Ref<QVLeaderboard> leaderboard(const std::string& leaderboardId);
    // The active, visible leaderboards of the running version in the store.
    static std::vector<platform::Ref<QVLeaderboard>> leaderboards();
    static void setDelegate(QVLeaderboardDelegate* delegate);
    static QVLeaderboardDelegate* delegate();

    const std::string& leaderboardId() const { return resourceId(); }
    const std::string& name() const { return name_; }
    QVHighScore* currentUserScore() const { return currentUserScore_.get(); }
    QVHighScore* comparedUserScore() const { return comparedUserScore_.get(); }
    bool descendingScoreOrder() const { return descendingScoreOrder_; }
    int filter() const { return filter_; }
    bool isComparison() const { return comparedUserScore_ != nullptr; }
    // The player the compared score belongs to, or null.
    QVUser* comparedToUser() const;

    void setName(const std::string& text) { name_ = text; }
    void setDescendingScoreOrder(const std::string& text) { descendingScoreOrder_ = QVFieldBool::read(text); }
    void setCurrentUsersScore(platform::Ref<QVHighScore> score) { currentUserScore_ = std::move(score); }
    void setComparedToUsersScore(platform::Ref<QVHighScore> score) { comparedUserScore_ = std::move(score); }
    void setFilter(int filter) { filter_ = filter; }

    // Takes the score (its value, display text and custom data) for this
    // leaderboard as the game does at game over; no delegate message follows.
    void submitScore(const QVHighScore& score);
    // The first page of 25 scores, friends only for filter 1, to the delegate.
    platform::Ref<QVRequestHandle> downloadHighScoresWithFilter(int filter);
    // The local player's scores kept on the device, best first.
    std::vector<platform::Ref<QVHighScore>> locallySubmittedScores() const;
    // The local player's best kept score here, or null.
    platform::Ref<QVHighScore> highScoreForCurrentUser() const;

    // The answer of a page of scores: its objects go to the delegate (for a
    // sectioned answer, those of the last section's page).
    void _downloadedHighScores(platform::Object* series);
    void _failedDownloadingHighScores(platform::Object* loader = nullptr);

    bool canReceiveCallbacksNow() override { return true; }

private:
    QVLeaderboard() = default;

    std::string name_;
    platform::Ref<QVHighScore> currentUserScore_;
    platform::Ref<QVHighScore> comparedUserScore_;
    bool descendingScoreOrder_ { false };
    int filter_ { 0 };
};

// The class object of QVLeaderboard: its delegate and its request module.
class QVLeaderboardClass : public QVServicePublicClass<QVLeaderboardClass, QVLeaderboardDelegate> {
    friend class QVServicePublicClass<QVLeaderboardClass, QVLeaderboardDelegate>;
    QVLeaderboardClass() = default;
};

} // namespace quorvel
