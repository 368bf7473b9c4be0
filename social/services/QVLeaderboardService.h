// QVLeaderboardService: the game's leaderboards — the list from the server
// while the player is online, from the offline store otherwise — and the
// leaderboard definitions and aggregations kept in the offline store, from
// which the high-score store learns, while offline, how a leaderboard sorts,
// whether lower scores may be posted and which aggregate leaderboards a score
// also counts for.
//
// Writing a list (synchLeaderboardsList) runs in one transaction: a list
// whose COMMIT fails leaves the store as it was. The bootstrap's list, which
// for a game with thousands of leaderboards is long, is written over turns
// instead (synchLeaderboardsListInTurns). Ids that are not decimal
// numbers are refused before they reach the store. The player's bests that a
// list from the server carries are stored as already synchronised.
#pragma once

#include "social/runtime/QVService.h"
#include "social/runtime/QVTurns.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVLeaderboard_Sync.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVLeaderboardService : public QVSharedService<QVLeaderboardService> {
public:
    // The notice text of a list download.
    static constexpr const char* kDownloadNotice = "Downloaded Leaderboards";
    // The notice of a list download: that text, category 5, type 2.
    static platform::Ref<platform::Object> getDownloadNotification();

    void populateKnownResources(QVResourceNameMap& names) override;

    // -- the list --------------------------------------------------------------
    // The leaderboards of a game (the running game for an empty id), with a
    // compared player's bests when one is given; from the store while offline
    // (then nothing is sent and the answer is null).
    static platform::Ref<QVRequestHandle> getLeaderboardsForApplication(const std::string& applicationId,
                                                                        const std::string& comparedToUserId,
                                                                        const QVDelegate& onSuccess,
                                                                        const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getLeaderboardsForApplication(const std::string& applicationId,
                                                                        const QVDelegate& onSuccess,
                                                                        const QVDelegate& onFailure)
    {
        return getLeaderboardsForApplication(applicationId, {}, onSuccess, onFailure);
    }
    // The running game's list.
    platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure) override;

    // -- the store ------------------------------------------------------------
    static void setupOfflineSupport(bool recreate);

    // Writes the definitions and aggregations (replacing rows, never deleting
    // any) and, with a sync time, the user's bests the definitions carry.
    // `setSynchTime` stamps the rows with the current time; without it they
    // carry none and do not count in the last sync date. Answers whether the
    // list was committed.
    static bool synchLeaderboardsList(const QVResourceArray& leaderboards, const QVResourceArray& aggregations,
                                      const std::optional<std::string>& userId, bool setSynchTime);
    // The same spread over the main loop's turns (QVTurns.h), each turn's
    // share (at least one row, for at most `budgetSeconds`) in a transaction
    // of its own, the first in this call; then `done` with whether the whole
    // list was written. A list that is not written whole (a write fails, or
    // the store closes meanwhile) leaves the leaderboards' sync time as it
    // was, so the next bootstrap asks for them all again.
    static void synchLeaderboardsListInTurns(QVResourceArray leaderboards, QVResourceArray aggregations,
                                             const std::optional<std::string>& userId, bool setSynchTime,
                                             std::function<void(bool)> done, double budgetSeconds = kQVTurnBudget);

    // The active, visible leaderboards of the running version, in store order.
    static std::vector<platform::Ref<QVLeaderboard>> getLeaderboardsLocal();
    // The same as a series to the success value; the failure value is never used.
    static void getLeaderboardsLocal(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // One stored definition (any activity, visibility or version), or null (logged).
    static platform::Ref<QVLeaderboard_Sync> getLeaderboardDetails(const std::string& leaderboardId);
    static platform::Ref<QVLeaderboard> getLeaderboard(const std::string& leaderboardId);
    // The active aggregate leaderboards a leaderboard's scores also count for.
    static std::vector<platform::Ref<QVLeaderboard_Sync>> getAggregateParents(const std::string& leaderboardId);
    // Whether an active, visible leaderboard of the running version is stored.
    static bool hasLeaderboards();
    // The user's last leaderboard sync: "yyyy-MM-dd HH:mm:ss" (UTC) and Unix seconds as text;
    // "1970-01-01 00:00:00" and "0" for an empty store, "" when the store cannot be read.
    static std::string getLastSyncDateForUserId(const std::string& userId);
    static std::string getLastSyncDateUnixForUserId(const std::string& userId);

private:
    friend class QVSharedService<QVLeaderboardService>;
    QVLeaderboardService() = default;
    ~QVLeaderboardService() override;
};

} // namespace quorvel
