// The high-score service's test fixture: a store with boards 5 and 6, the
// local player 42 with a token, and a recording server that echoes batches.
#pragma once

#include "social/services/HighScoreTestSupport.h"
#include "support/SqliteSyncCounter.h"
#include "support/NetTestSupport.h"

#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"

namespace highscore_testing {


using ServiceScoreHost = ScoreHost<net_testing::RecordingHost>;

class HighScoreServiceTest : public highscore_testing::GameCenterStoreTest<ServiceScoreHost> {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        ASSERT_TRUE(quorvel::QVOfflineStore::openDatabaseAtPath(dir.file(quorvel::QVOfflineStore::kFileName)));
        quorvel::QVOfflineStore::setupOfflineSupport();
        highscore_testing::storeBoards({ { "5" }, { "6" } });
        facade.providerLink = provider.get();
        facade.local = highscore_testing::player("42");
        quorvel::TestRuntimeRoles::setCurrent(&facade);
        provider->setAccessToken("token-1", "token-secret-1");
        server.route("POST", quorvel::QVHighScoreService::kBatchPath,
                     [](const standin::LoggedRequest& r) { return highscore_testing::echoBatch(r, "42"); });
        quorvel::QVHighScoreService::initializeService();
        recorder = net_testing::CallbackRecorder::create();
    }
    void TearDown() override
    {
        quorvel::QVHighScoreService::shutdownService();
        quorvel::QVLeaderboardService::shutdownService();
        quorvel::QVOfflineService::shutdownService();
        platform::gamekit::GameCenter::install(nullptr);
        quorvel::QVOfflineStore::teardownOfflineDatabase();
        NetTest::TearDown();
    }
    platform::Ref<platform::gamekit::ScriptedGameCenter> signedInGameCenter()
    {
        auto gc = installSignedInGameCenter();
        facade.categories = { { "5", "gc.five" } };
        return gc;
    }
    static size_t pendingScores() { return quorvel::QVHighScoreService::service().pendingScoreCount(); }

    // Open from SetUp until TearDown has closed the store.
    testing_support::SqliteSyncCounter syncs;
};

} // namespace highscore_testing
