// Score batches against the stand-in service: one commit per batch, a batch
// whose commit fails, a large batch cut into pieces, and what is left of a
// batch once its player is no longer the local one.
#include "social/services/HighScoreServiceFixture.h"

#include "social/services/QVHighScoreService.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>

using namespace quorvel;
using highscore_testing::paramValues;
using net_testing::CallbackRecorder;
using Strings = std::vector<std::string>;

using highscore_testing::HighScoreServiceTest;

namespace {

TEST_F(HighScoreServiceTest, ABatchAndTheScoresAdoptedAtALoginAreOneCommitEach)
{
    QVHighScoreService::localSetHighScore(1, "5", "42");
    syncs.reset();
    QVHighScoreBatch batch;
    for (int i = 0; i < 10; ++i)
        batch.push_back(QVHighScoreBatchEntry::create(i % 2 ? "5" : "6", 100 + i));
    ASSERT_TRUE(QVHighScoreService::batchSetHighScores(batch, true, recorder->onSuccess(), recorder->onFailure(),
                                                       std::nullopt, false));
    EXPECT_EQ(syncs.syncs(), 1);
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->successes, 1);

    // Scores kept before anyone logged in, on both boards: the login adopts them.
    {
        offline_testing::RawDatabase raw(dir.file(QVOfflineStore::kFileName));
        raw.exec("INSERT INTO high_scores (user_id, leaderboard_id, score) VALUES (0, 5, 500), (0, 5, 400), "
                 "(0, 6, 600)");
    }
    server.clearLog();
    syncs.reset();
    ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, {}, {}));
    EXPECT_EQ(syncs.syncs(), 1);
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    EXPECT_EQ(paramValues(server.requests()[0], "high_scores[][score]"), (Strings { "500", "600" }));
}

TEST_F(HighScoreServiceTest, ABatchWhoseCommitFailsIsRefusedAndNothingIsSent)
{
    QVHighScoreBatch batch { QVHighScoreBatchEntry::create("5", 500), QVHighScoreBatchEntry::create("6", 600) };
    syncs.failSyncs(true);
    EXPECT_FALSE(QVHighScoreService::batchSetHighScores(batch, true, recorder->onSuccess(), recorder->onFailure(),
                                                        std::nullopt, false));
    syncs.failSyncs(false);
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(recorder->successes, 0);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM high_scores"), Strings { "0" });
}

TEST_F(HighScoreServiceTest, ALargeBatchGoesInPiecesAndAFailedPieceLeavesOnlyItsOwnScoresPending)
{
    // 250 boards, one score each taken offline.
    std::vector<highscore_testing::Board> boards;
    for (int b = 100; b < 350; ++b)
        boards.push_back({ std::to_string(b) });
    highscore_testing::storeBoards(boards);
    facade.onlineFlag = false;
    {
        QVOfflineStore::Transaction fast;
        for (int b = 100; b < 350; ++b)
            QVHighScoreService::setHighScoreSilently(1000 + b, std::to_string(b), true, {}, {});
        fast.commit();
    }
    // The server refuses the piece that holds board 200's score, once.
    auto holds200 = [](const standin::LoggedRequest& r) {
        Strings ids = paramValues(r, "high_scores[][leaderboard_id]");
        return std::find(ids.begin(), ids.end(), "200") != ids.end();
    };
    auto refusals = std::make_shared<std::atomic<int>>(0);
    server.route("POST", QVHighScoreService::kBatchPath, [holds200, refusals](const standin::LoggedRequest& r) {
        if (holds200(r) && (*refusals)++ == 0)
            return standin::Answer::xml("<errors/>", 500);
        return highscore_testing::echoBatch(r, "42");
    });
    facade.onlineFlag = true;
    ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, recorder->onSuccess(), recorder->onFailure()));
    // A login meanwhile sends none of the batch's scores again, its later pieces included.
    QVHighScoreService::sendPendingHighScores("42", true, {}, {});
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->failures, 1) << "the caller hears once, after the last piece";
    EXPECT_EQ(recorder->successes, 0);
    auto log = server.requests();
    ASSERT_GE(log.size(), 5u) << "every piece reached the server";
    size_t sent = 0;
    for (const auto& request : log) {
        const size_t scores = paramValues(request, "high_scores[][score]").size();
        EXPECT_LE(scores, QVHighScoreService::kMaxScoresPerRequest);
        EXPECT_LE(request.body.size(), QVHighScoreService::kMaxRequestBytes);
        sent += scores;
    }
    EXPECT_EQ(sent, 250u);
    auto refusedPiece = std::find_if(log.begin(), log.end(), holds200);
    ASSERT_NE(refusedPiece, log.end());
    const Strings refused = paramValues(*refusedPiece, "high_scores[][leaderboard_id]");
    ASSERT_GT(refused.size(), 1u);
    ASSERT_TRUE(waitFor([&] {
        return rows("SELECT COUNT(*) FROM high_scores WHERE server_sync_at IS NULL")
            == Strings { std::to_string(refused.size()) };
    }));

    // The next login sends what was not confirmed, and only that.
    ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, recorder->onSuccess(), recorder->onFailure()));
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 1; }));
    EXPECT_EQ(recorder->successes, 1);
    const size_t before = log.size();
    log = server.requests();
    ASSERT_EQ(log.size(), before + 1);
    Strings resent = paramValues(log.back(), "high_scores[][leaderboard_id]");
    Strings expected = refused;
    std::sort(resent.begin(), resent.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(resent, expected);
    ASSERT_TRUE(waitFor([&] {
        return rows("SELECT COUNT(*) FROM high_scores WHERE server_sync_at IS NULL") == Strings { "0" };
    }));
}

// A batch signed with another player's token is kept as that player's: what
// is left of a batch once its player is no longer the local one (its next
// pieces, or the rest after the service refused one score) waits in the
// store for that player's next login.
TEST_F(HighScoreServiceTest, WhatIsLeftOfABatchGoesOnlyForThePlayerWhoSentIt)
{
    std::vector<highscore_testing::Board> boards;
    for (int b = 100; b < 160; ++b)
        boards.push_back({ std::to_string(b) });
    highscore_testing::storeBoards(boards);
    auto pendingOf = [&](const std::string& who) {
        return rows("SELECT COUNT(*) FROM high_scores WHERE server_sync_at IS NULL AND user_id = " + who);
    };
    struct Road {
        const char* name;
        int scores;           // taken offline by player 42, one a board
        bool refuseTheFirst;  // the service refuses the first score for itself
    } roads[] = {
        { "the pieces after the first of a large batch", 60, false },
        { "the rest of a batch with one refused score", 3, true },
    };
    int64_t value = 1000; // each better than the one before on its board
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        facade.local = highscore_testing::player("42");
        facade.onlineFlag = false;
        for (int b = 0; b < road.scores; ++b)
            QVHighScoreService::setHighScoreSilently(++value, std::to_string(100 + b), true, {}, {});
        facade.onlineFlag = true;
        const bool refuse = road.refuseTheFirst;
        server.route("POST", QVHighScoreService::kBatchPath, [refuse](const standin::LoggedRequest& r) {
            if (refuse && paramValues(r, "high_scores[][score]").size() == 3)
                return standin::Answer::xml("<errors><error>Score 1 of the batch: display_text is too long (at "
                                            "most 1000 characters)</error></errors>",
                                            422);
            return highscore_testing::echoBatch(r, "42");
        });
        server.clearLog();
        server.holdAnswersTo(QVHighScoreService::kBatchPath);
        platform::LogCapture log;
        recorder = CallbackRecorder::create();
        ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, recorder->onSuccess(), recorder->onFailure()));
        ASSERT_TRUE(waitFor([&] { return server.heldCount() == 1; }));

        // Another player logs in before the first request is answered.
        facade.local = highscore_testing::player("43");
        server.stopHolding();
        ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
        loop().drain();
        EXPECT_EQ(recorder->failures, 1);
        ASSERT_EQ(server.requestCount(), 1u) << "what was left went under the other player's token";
        const size_t left = static_cast<size_t>(road.scores) - (road.refuseTheFirst ? 1 : 0)
            - (road.refuseTheFirst ? 0 : paramValues(server.requests()[0], "high_scores[][score]").size());
        ASSERT_GT(left, 0u);
        EXPECT_TRUE(log.contains(std::to_string(left) + " score(s) of a batch were not sent"))
            << testing::PrintToString(log.texts());
        EXPECT_EQ(pendingOf("42"), Strings { std::to_string(left) });

        // The player's next login sends them.
        facade.local = highscore_testing::player("42");
        server.clearLog();
        ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, {}, {}));
        ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
        EXPECT_EQ(paramValues(server.requests()[0], "high_scores[][score]").size(), left);
        ASSERT_TRUE(waitFor([&] { return pendingOf("42") == Strings { "0" }; }));
    }
}

} // namespace
