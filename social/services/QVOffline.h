// QVOffline: what fills the offline store — the achievement list, the
// leaderboard list and the leaderboard aggregations — as the bootstrap answer
// and the offline configuration file carry it (element "offline"). Each list
// holds the resources its element holds, their classes found by element name
// through the offline service's name map.
#pragma once

#include "social/runtime/QVResourceFields.h"

namespace quorvel {

class QVOffline : public QVResource {
    QV_DECLARE_RESOURCE(QVOffline)
public:
    static platform::Ref<QVOffline> create() { return platform::adoptRef(new QVOffline); }

    static std::string getResourceName() { return "offline"; }
    static QVService* getService();
    static void getDataMap(QVResourceDataMap& map)
    {
        QVResourceFields<QVOffline> f(map);
        f.array("achievements", &QVOffline::achievements_);
        f.array("leaderboards", &QVOffline::leaderboards_);
        f.array("leaderboard_aggregations", &QVOffline::leaderboardAggregations_);
    }

    const QVResourceArray& achievements() const { return achievements_; }
    const QVResourceArray& leaderboards() const { return leaderboards_; }
    const QVResourceArray& leaderboardAggregations() const { return leaderboardAggregations_; }
    void setAchievements(const QVResourceArray& a) { achievements_ = a; }
    void setLeaderboards(const QVResourceArray& a) { leaderboards_ = a; }
    void setLeaderboardAggregations(const QVResourceArray& a) { leaderboardAggregations_ = a; }

private:
    QVOffline() = default;
    QVResourceArray achievements_;
    QVResourceArray leaderboards_;
    QVResourceArray leaderboardAggregations_;
};

} // namespace quorvel
