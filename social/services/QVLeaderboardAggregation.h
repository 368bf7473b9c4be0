// QVLeaderboardAggregation: one link between an aggregate leaderboard and a
// leaderboard whose scores also count for it (element
// "leaderboard_aggregation"). Both ids are the service's decimal ids.
#pragma once

#include "social/runtime/QVResourceFields.h"

namespace quorvel {

class QVLeaderboardAggregation : public QVResource {
    QV_DECLARE_RESOURCE(QVLeaderboardAggregation)
public:
    static platform::Ref<QVLeaderboardAggregation> create() { return platform::adoptRef(new QVLeaderboardAggregation); }

    static std::string getResourceName() { return "leaderboard_aggregation"; }
    static std::string getResourceDiscoveredNotification() { return "quorvel_leaderboard_aggregations_discovered"; }
    static QVService* getService();
    static void getDataMap(QVResourceDataMap& map)
    {
        QVResourceFields<QVLeaderboardAggregation> f(map);
        f.read<QVFieldText>("aggregate_leaderboard_id", &QVLeaderboardAggregation::aggregateLeaderboardId_);
        f.read<QVFieldText>("leaderboard_pushing_changes_id", &QVLeaderboardAggregation::leaderboardPushingChangesId_);
    }

    const std::string& aggregateLeaderboardId() const { return aggregateLeaderboardId_; }
    const std::string& leaderboardPushingChangesId() const { return leaderboardPushingChangesId_; }
    void setAggregateLeaderboardId(const std::string& id) { aggregateLeaderboardId_ = id; }
    void setLeaderboardPushingChangesId(const std::string& id) { leaderboardPushingChangesId_ = id; }

private:
    QVLeaderboardAggregation() = default;
    std::string aggregateLeaderboardId_;
    std::string leaderboardPushingChangesId_;
};

} // namespace quorvel
