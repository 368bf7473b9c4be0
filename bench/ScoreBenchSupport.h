// What the score benchmarks share: the client roles a service needs, filled in
// as a benchmark wants them and installed for its lifetime, and an offline
// store holding a number of descending leaderboards.
#pragma once

#include "platform/foundation/Object.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"

#include <filesystem>
#include <string>

namespace bench_support {

class ScoreRoles final : public quorvel::QVSessionRole, public quorvel::QVRequestUIRole {
public:
    explicit ScoreRoles(const std::string& userId)
    {
        user = quorvel::QVUser::create();
        user->setResourceId(userId);
        quorvel::QVSessionRole::setCurrent(this);
        quorvel::QVRequestUIRole::setCurrent(this);
    }
    ~ScoreRoles() override
    {
        quorvel::QVSessionRole::setCurrent(nullptr);
        quorvel::QVRequestUIRole::setCurrent(nullptr);
    }
    ScoreRoles(const ScoreRoles&) = delete;
    ScoreRoles& operator=(const ScoreRoles&) = delete;

    bool hasUserApprovedQuorvel() override { return approved; }
    quorvel::QVProvider* provider() override { return providerLink; }
    void getLocalUser(platform::Ref<quorvel::QVUser>& local) override { local = user; }
    bool isOnline() override { return online; }
    void showBackgroundNotice(const BackgroundNotice&) override { }
    void setDefaultBackgroundNotice(const BackgroundNotice&) override { }

    platform::Ref<quorvel::QVUser> user;
    quorvel::QVProvider* providerLink { nullptr };
    bool approved { false };
    bool online { false };
};

// A new store at `path` with leaderboards "1" to `boardCount`, active, visible, descending.
inline void openStoreWithBoards(const std::string& path, int boardCount)
{
    using namespace quorvel;
    std::filesystem::remove(path);
    QVOfflineStore::openDatabaseAtPath(path);
    QVOfflineStore::setupOfflineSupport();
    QVResourceArray boards;
    for (int b = 1; b <= boardCount; ++b) {
        auto d = QVLeaderboard_Sync::create();
        d->setResourceId(std::to_string(b));
        d->setActive("1");
        d->setVisible("1");
        d->setDescendingSortOrder("1");
        boards.emplace_back(d.get());
    }
    QVLeaderboardService::synchLeaderboardsList(boards, {}, std::nullopt, false);
}

} // namespace bench_support
