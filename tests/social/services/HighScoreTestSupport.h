// Helpers of the high-score tests: leaderboard definitions in the store, a
// facade host that plays the player, Game Center and the notice path, and the
// stand-in's answer to a score batch.
#pragma once

#include "platform/gamekit/GameCenter.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/services/QVLeaderboardAggregation.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/OfflineStoreTestSupport.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/ServiceTestSupport.h"
#include "support/NetTestSupport.h"
#include "tools/standin/StandInServer.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace highscore_testing {

struct Board {
    std::string id;
    bool descending { true };
    bool allowLower { false };
    bool aggregate { false };
};

inline void storeBoards(const std::vector<Board>& boards,
                        const std::vector<std::pair<std::string, std::string>>& aggregateOfMember = {})
{
    quorvel::QVResourceArray definitions;
    for (const auto& b : boards) {
        auto d = quorvel::QVLeaderboard_Sync::create();
        d->setResourceId(b.id);
        d->setName("Board " + b.id);
        d->setActive("1");
        d->setVisible("1");
        d->setDescendingSortOrder(b.descending ? "1" : "0");
        d->setAllowPostingLowerScores(b.allowLower ? "1" : "0");
        d->setIsAggregate(b.aggregate ? "1" : "0");
        definitions.emplace_back(d.get());
    }
    quorvel::QVResourceArray links;
    for (const auto& [aggregate, member] : aggregateOfMember) {
        auto a = quorvel::QVLeaderboardAggregation::create();
        a->setAggregateLeaderboardId(aggregate);
        a->setLeaderboardPushingChangesId(member);
        links.emplace_back(a.get());
    }
    quorvel::QVLeaderboardService::synchLeaderboardsList(definitions, links, std::nullopt, false);
}

inline platform::Ref<quorvel::QVUser> player(const std::string& id)
{
    auto u = quorvel::QVUser::create();
    u->setResourceId(id);
    u->setName("Player " + id);
    return u;
}

// The facade as the high-score service reads it.
template <typename Base = quorvel::TestRuntimeRoles>
class ScoreHost : public service_testing::FacadeHost<Base> {
public:
    using Notice = quorvel::QVRequestUIRole::BackgroundNotice;
    bool approved { true };
    bool usesGameCenter { false };
    std::map<std::string, std::string> categories;
    bool synchedWithGameCenter { true };
    std::optional<std::pair<double, double>> location;
    std::vector<std::string> shownNotices;
    std::vector<std::string> defaultNotices;
    std::vector<Notice> allNotices;

    bool hasUserApprovedQuorvel() override { return approved; }
    void showBackgroundNotice(const Notice& n) override
    {
        shownNotices.push_back(n.text);
        allNotices.push_back(n);
    }
    void setDefaultBackgroundNotice(const Notice& n) override
    {
        defaultNotices.push_back(n.text);
        allNotices.push_back(n);
    }
    bool isLoggedIntoGameCenter() override
    {
        return usesGameCenter && platform::gamekit::GameCenter::current().isLocalPlayerAuthenticated();
    }
    std::optional<std::string> gameCenterLeaderboardCategory(const std::string& id) override
    {
        auto it = categories.find(id);
        return it == categories.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    bool isSynchedWithGameCenterLeaderboards() override { return synchedWithGameCenter; }
    void setSynchWithGameCenterLeaderboards(bool s) override { synchedWithGameCenter = s; }
    std::optional<std::pair<double, double>> userLocation() override { return location; }
};

// A service test over an offline store in a temporary folder, reported to a
// callback recorder, with a facade that may use Game Center.
template <typename Host>
class GameCenterStoreTest : public net_testing::NetTest {
protected:
    // What a query finds in the store, read straight from its file.
    std::vector<std::string> rows(const std::string& sql)
    {
        offline_testing::RawDatabase raw(dir.file(quorvel::QVOfflineStore::kFileName));
        return raw.rows(sql);
    }
    // A Game Center with its player signed in, installed and used by the facade.
    platform::Ref<platform::gamekit::ScriptedGameCenter> installSignedInGameCenter()
    {
        auto gc = platform::gamekit::ScriptedGameCenter::create();
        gc->setAuthenticated(true);
        platform::gamekit::GameCenter::install(gc);
        facade.usesGameCenter = true;
        return gc;
    }

    testing_support::TempDir dir;
    Host facade;
    platform::Ref<net_testing::CallbackRecorder> recorder;
};

// The service's answer to a batch: each posted entry back as a high_score of
// the user, with ids from firstId on.
inline standin::Answer echoBatch(const standin::LoggedRequest& request, const std::string& userId, int firstId = 900)
{
    std::vector<std::string> boards, scores;
    for (const auto& [name, value] : request.params) {
        if (name == "high_scores[][leaderboard_id]")
            boards.push_back(value);
        else if (name == "high_scores[][score]")
            scores.push_back(value);
    }
    std::string body = "<resources>";
    for (size_t i = 0; i < boards.size() && i < scores.size(); ++i)
        body += "<high_score><id>" + std::to_string(firstId + static_cast<int>(i)) + "</id><score>" + scores[i] + "</score><leaderboard_id>"
            + boards[i] + "</leaderboard_id><user><id>" + userId + "</id></user></high_score>";
    body += "</resources>";
    return standin::Answer::xml(body);
}

// The values of one parameter in wire order.
inline std::vector<std::string> paramValues(const standin::LoggedRequest& request, const std::string& name)
{
    std::vector<std::string> out;
    for (const auto& [n, v] : request.params)
        if (n == name)
            out.push_back(v);
    return out;
}

} // namespace highscore_testing
