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

// The service refuses one score of a batch (it names it, or it has no
// leaderboard of it any more): the rest is kept, and the batch's caller hears
// one failure that names the refused score, never a success for scores the
// service did not all keep.
TEST_F(HighScoreServiceTest, ABatchTheServicePartlyRefusesGoesOnWithoutTheScoreAndItsCallerHearsWhich)
{
    struct Road {
        const char* name;
        int status;
        const char* body;
        const char* why;
    } roads[] = {
        { "a score the service names", 422,
          "<errors><error>Score 2 of the batch: leaderboard 6 is retired and takes no more scores</error></errors>",
          "leaderboard 6 is retired and takes no more scores" },
        { "a leaderboard the service lacks", 400, "<errors><error>There is no leaderboard 6</error></errors>",
          "the service has no leaderboard 6" },
    };
    int64_t value = 500;
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        highscore_testing::storeBoards({ { "5" }, { "6" } });
        auto refusals = std::make_shared<std::atomic<int>>(0);
        server.route("POST", QVHighScoreService::kBatchPath, [road, refusals](const standin::LoggedRequest& r) {
            if (paramValues(r, "high_scores[][score]").size() == 2 && (*refusals)++ == 0)
                return standin::Answer::xml(road.body, road.status);
            return highscore_testing::echoBatch(r, "42");
        });
        server.clearLog();
        recorder = CallbackRecorder::create();
        const int64_t kept = ++value, refused = ++value;
        QVHighScoreBatch batch { QVHighScoreBatchEntry::create("5", kept), QVHighScoreBatchEntry::create("6", refused) };
        ASSERT_TRUE(QVHighScoreService::batchSetHighScores(batch, true, recorder->onSuccess(), recorder->onFailure(),
                                                           std::nullopt, false));
        ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
        loop().drain();
        EXPECT_EQ(recorder->successes, 0);
        EXPECT_EQ(recorder->failures, 1);
        auto* named = dynamic_cast<QVRefusedHighScores*>(recorder->failureArg.get());
        ASSERT_NE(named, nullptr);
        ASSERT_EQ(named->refusals().size(), 1u);
        EXPECT_EQ(named->refusals()[0].entry->leaderboardId, "6");
        EXPECT_EQ(named->refusals()[0].entry->score, refused);
        EXPECT_EQ(named->refusals()[0].why, road.why);
        EXPECT_TRUE(named->restKept());
        ASSERT_EQ(server.requestCount(), 2u);
        EXPECT_EQ(paramValues(server.requests()[1], "high_scores[][score]"), Strings { std::to_string(kept) });
        // What the service kept is stored as sent; the refused score waits no more.
        EXPECT_FALSE(QVHighScoreService::isScorePending("5", kept));
        EXPECT_FALSE(QVHighScoreService::isScorePending("6", refused));
    }
}

// A score past a bound the service keeps is refused at the call on every
// batch road, as a single score is: it never goes, the rest does, and the
// caller hears one failure naming it. One an older client kept waits no more.
TEST_F(HighScoreServiceTest, AScorePastABoundIsRefusedAtTheCallOnEveryBatchRoad)
{
    const std::string tooLong(1001, 'd');
    using Send = std::function<void(int64_t good, int64_t bad)>;
    struct Road {
        const char* name;
        Send send;
    } roads[] = {
        { "the game's batch",
          [&](int64_t good, int64_t bad) {
              QVHighScoreBatch batch { QVHighScoreBatchEntry::create("5", good),
                                       QVHighScoreBatchEntry::create("6", bad, tooLong) };
              QVHighScoreService::batchSetHighScores(batch, true, recorder->onSuccess(), recorder->onFailure(),
                                                     std::nullopt, false);
          } },
        { "the batch straight to the service",
          [&](int64_t good, int64_t bad) {
              QVHighScoreService::submitHighScoreBatch({ QVHighScoreBatchEntry::create("5", good),
                                                         QVHighScoreBatchEntry::create("6", bad, std::nullopt,
                                                                                       std::string(4001, 'c')) },
                                                       true, recorder->onSuccess(), recorder->onFailure(),
                                                       std::nullopt);
          } },
        { "the scores an older client kept, sent after a login",
          [&](int64_t good, int64_t bad) {
              facade.onlineFlag = false;
              QVHighScoreService::setHighScore(good, "5", {}, {});
              facade.onlineFlag = true;
              offline_testing::RawDatabase raw(dir.file(QVOfflineStore::kFileName));
              raw.exec("INSERT INTO high_scores (user_id, leaderboard_id, score, display_text) VALUES (42, 6, "
                       + std::to_string(bad) + ", '" + tooLong + "')");
              QVHighScoreService::sendPendingHighScores("42", true, recorder->onSuccess(), recorder->onFailure());
          } },
    };
    int64_t value = 100;
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        server.clearLog();
        recorder = CallbackRecorder::create();
        platform::LogCapture log;
        const int64_t good = ++value, bad = ++value;
        road.send(good, bad);
        ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
        loop().drain();
        EXPECT_EQ(recorder->successes, 0);
        EXPECT_EQ(recorder->failures, 1);
        ASSERT_EQ(server.requestCount(), 1u);
        EXPECT_EQ(paramValues(server.requests()[0], "high_scores[][score]"), Strings { std::to_string(good) });
        auto* named = dynamic_cast<QVRefusedHighScores*>(recorder->failureArg.get());
        ASSERT_NE(named, nullptr);
        ASSERT_EQ(named->refusals().size(), 1u);
        EXPECT_EQ(named->refusals()[0].entry->score, bad);
        EXPECT_TRUE(log.contains("of the score " + std::to_string(bad) + " on leaderboard 6 is"))
            << testing::PrintToString(log.texts());
        EXPECT_FALSE(QVHighScoreService::isScorePending("6", bad));
        EXPECT_FALSE(QVHighScoreService::isScorePending("5", good));
    }
}

} // namespace
