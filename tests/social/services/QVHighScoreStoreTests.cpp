// The local high-score store: the best ten per player and board, the
// should-submit decision, the one pending best, aggregate parents, the
// adoption of scores stored without a player, and the local readers.
#include "social/services/HighScoreTestSupport.h"
#include "social/services/OfflineStoreTestSupport.h"

#include "platform/foundation/DateFormat.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"

using namespace quorvel;
using highscore_testing::Board;
using offline_testing::RawDatabase;
using platform::Ref;
using Rows = std::vector<std::string>;

namespace {

class HighScoreStoreTest : public offline_testing::OfflineStoreTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openStore());
        host.local = highscore_testing::player("42");
        host.onlineFlag = false;
        TestRuntimeRoles::setCurrent(&host);
    }
    void TearDown() override
    {
        QVHighScoreService::shutdownService();
        TestRuntimeRoles::setCurrent(nullptr);
        OfflineStoreTest::TearDown();
    }
    bool store(int64_t score, const std::string& board, bool* submit = nullptr,
               std::optional<platform::Bytes> blob = std::nullopt)
    {
        bool flag = true;
        bool accepted = QVHighScoreService::localSetHighScore(score, board, "42", std::nullopt, std::nullopt, blob,
                                                              std::nullopt, false, &flag, true);
        if (submit)
            *submit = flag;
        return accepted;
    }
    Rows scores(const std::string& board, const std::string& user = "42")
    {
        RawDatabase raw(path());
        return raw.rows("SELECT score FROM high_scores WHERE leaderboard_id = " + board + " AND user_id = " + user
                        + " ORDER BY score");
    }
    Rows pending(const std::string& board)
    {
        RawDatabase raw(path());
        return raw.rows("SELECT score FROM high_scores WHERE leaderboard_id = " + board
                        + " AND server_sync_at IS NULL ORDER BY score");
    }

    highscore_testing::ScoreHost<> host;
};

Rows range(int from, int to, int step)
{
    Rows out;
    for (int i = from; i <= to; i += step)
        out.push_back(std::to_string(i));
    return out;
}

TEST_F(HighScoreStoreTest, ADescendingBoardKeepsTheTenBestScores)
{
    highscore_testing::storeBoards({ { "5" } });
    for (int s = 10; s <= 100; s += 10)
        ASSERT_TRUE(store(s, "5"));
    bool submit = true;
    // Worse than all ten: stored, trimmed at once, and still accepted.
    EXPECT_TRUE(store(5, "5", &submit));
    EXPECT_FALSE(submit);
    EXPECT_EQ(scores("5"), range(10, 100, 10));
    EXPECT_TRUE(store(110, "5", &submit));
    EXPECT_TRUE(submit);
    EXPECT_EQ(scores("5"), range(20, 110, 10));
    // Only the best stays pending.
    EXPECT_EQ(pending("5"), Rows { "110" });
}

TEST_F(HighScoreStoreTest, AnAscendingBoardSubmitsOnlyLowerScores)
{
    highscore_testing::storeBoards({ { "6", false } });
    bool submit = false;
    ASSERT_TRUE(store(40, "6", &submit));
    EXPECT_TRUE(submit);
    ASSERT_TRUE(store(50, "6", &submit));
    EXPECT_FALSE(submit);
    RawDatabase raw(path());
    double now = platform::dateNow().seconds;
    int64_t stamped = std::stoll(raw.value("SELECT server_sync_at FROM high_scores WHERE score = 50"));
    EXPECT_NEAR(static_cast<double>(stamped), now, 5.0);
    ASSERT_TRUE(store(30, "6", &submit));
    EXPECT_TRUE(submit);
    EXPECT_EQ(raw.value("SELECT server_sync_at IS NULL FROM high_scores WHERE score = 30"), "1");
    // 40 is no longer the best: it need not reach the server any more.
    EXPECT_EQ(pending("6"), Rows { "30" });
    int64_t best = 0;
    EXPECT_TRUE(QVHighScoreService::getPreviousHighScoreLocal(&best, "6"));
    EXPECT_EQ(best, 30);
}

TEST_F(HighScoreStoreTest, AScoreEqualToTheBestIsSubmittedOnlyWithABlob)
{
    highscore_testing::storeBoards({ { "5" } });
    bool submit = false;
    ASSERT_TRUE(store(70, "5", &submit));
    ASSERT_TRUE(store(70, "5", &submit));
    EXPECT_FALSE(submit);
    ASSERT_TRUE(store(70, "5", &submit, platform::Bytes { 1, 2, 3 }));
    EXPECT_TRUE(submit);
    RawDatabase raw(path());
    EXPECT_EQ(raw.rows("SELECT score, length(blob), server_sync_at IS NULL FROM high_scores"), Rows { "70|3|1" });
}

TEST_F(HighScoreStoreTest, UnknownBoardsAndDirectAggregateScoresAreRefusedButAskForSubmission)
{
    highscore_testing::storeBoards({ { "8", true, false, true } });
    bool submit = false;
    EXPECT_FALSE(store(10, "404", &submit));
    EXPECT_TRUE(submit);
    submit = false;
    EXPECT_FALSE(store(10, "8", &submit));
    EXPECT_TRUE(submit);
    RawDatabase raw(path());
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM high_scores"), "0");
}

// The first launch without a service: the device knows no boards yet. The
// warning says why the score is not kept, and later names the board as one
// the login did not bring; a store its disk cannot read names no board.
TEST_F(HighScoreStoreTest, AScoreForABoardTheDeviceDoesNotKnowIsAWarningSayingWhyItWasNotKept)
{
    platform::LogCapture log;
    EXPECT_FALSE(store(300, "5"));
    highscore_testing::storeBoards({ { "6", false, false, false } });
    EXPECT_FALSE(store(300, "5"));
    sqlite3_db_release_memory(quorvel::QVOfflineStore::getOfflineDatabaseHandle());
    syncs.failReads(true);
    EXPECT_FALSE(store(300, "6"));
    syncs.failReads(false);
    std::vector<std::string> warned;
    for (auto& line : log.lines())
        if (line.level == platform::LogLevel::Warning)
            warned.push_back(line.text);
    EXPECT_EQ(warned, (Rows { "Definition for leaderboard 5 was not found: the device learns the game's leaderboards at "
                              "a successful login, and none has succeeded since its offline store was made; the "
                              "score was not kept",
                              "Definition for leaderboard 5 was not found: it is not among the game's leaderboards "
                              "the device learned at its last login; the score was not kept",
                              "Quorvel: the offline store could not be read (disk I/O error); the score on "
                              "leaderboard 6 was not kept" }));
}

TEST_F(HighScoreStoreTest, OnABoardThatTakesLowerScoresTheNewestScoreIsTheOnePending)
{
    highscore_testing::storeBoards({ { "7", true, true } });
    bool submit = false;
    ASSERT_TRUE(store(50, "7", &submit));
    ASSERT_TRUE(store(30, "7", &submit));
    EXPECT_TRUE(submit);
    EXPECT_EQ(pending("7"), Rows { "30" });
}

TEST_F(HighScoreStoreTest, APendingLowerScoreTrimmedAtOnceLeavesTheOlderPendingScorePending)
{
    highscore_testing::storeBoards({ { "7", true, true } });
    for (int s = 100; s <= 190; s += 10)
        ASSERT_TRUE(store(s, "7"));
    ASSERT_EQ(pending("7"), Rows { "190" });
    bool submit = false;
    // Below all ten: the row goes at once. Marking 190 as sent would lose both.
    EXPECT_TRUE(store(5, "7", &submit));
    EXPECT_TRUE(submit);
    EXPECT_EQ(pending("7"), Rows { "190" });
}

TEST_F(HighScoreStoreTest, AChildScorePassesItsChangeToTheAggregateParents)
{
    highscore_testing::storeBoards({ { "5" }, { "8", true, false, true } }, { { "8", "5" } });
    ASSERT_TRUE(store(30, "5"));
    ASSERT_TRUE(store(50, "5"));
    int64_t best = 0;
    ASSERT_TRUE(QVHighScoreService::getPreviousHighScoreLocal(&best, "8"));
    EXPECT_EQ(best, 50);
    // The parent's rows arrive as already synchronised.
    EXPECT_TRUE(pending("8").empty());
}

TEST_F(HighScoreStoreTest, ALoopOfAggregationsEnds)
{
    highscore_testing::storeBoards({ { "5" }, { "8", true, false, true }, { "9", true, false, true } },
                                   { { "8", "5" }, { "9", "8" }, { "8", "9" } });
    EXPECT_TRUE(store(30, "5"));
    EXPECT_TRUE(log.contains("nest too deep"));
}

TEST_F(HighScoreStoreTest, AdoptionGivesAnonymousScoresToTheUserRowByRow)
{
    highscore_testing::storeBoards({ { "5" } });
    {
        RawDatabase raw(path());
        raw.exec("INSERT INTO high_scores (user_id, leaderboard_id, score) VALUES (0, 5, 50), (0, 5, 60), "
                 "(42, 5, 60), (0, 6, 10)");
        // The same score again with a newer blob: it replaces the user's row
        // where that row was sent already or waits with an older blob. One the
        // user gave again after the copy (a login the account screens held
        // back) keeps its newer blob.
        raw.exec("INSERT INTO high_scores (user_id, leaderboard_id, score, blob, server_sync_at) VALUES "
                 "(42, 5, 70, x'01', 1000), (0, 5, 70, x'02', NULL), (42, 5, 80, x'03', NULL), (0, 5, 80, x'04', NULL), "
                 "(42, 5, 90, x'05', 1000), (0, 5, 90, x'06', 1000), (0, 5, 100, x'07', NULL), "
                 "(42, 5, 100, x'08', 1000), (0, 5, 110, x'09', NULL), (42, 5, 110, NULL, 1000)");
    }
    QVHighScoreService::adoptAnonymousScores("42");
    EXPECT_EQ(scores("5"), (Rows { "50", "60", "70", "80", "90", "100", "110" }));
    EXPECT_EQ(scores("6"), Rows { "10" });
    RawDatabase raw(path());
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM high_scores WHERE user_id = 0"), "0");
    EXPECT_EQ(raw.rows("SELECT score || ' ' || hex(blob) || ' ' || (server_sync_at IS NULL) FROM high_scores WHERE "
                       "score >= 70 ORDER BY score"),
              (Rows { "70 02 1", "80 04 1", "90 05 0", "100 08 0", "110 09 1" }));
}

TEST_F(HighScoreStoreTest, TheLocalTopTenReadsBackAsRankedScoresOfTheStoredPlayer)
{
    highscore_testing::storeBoards({ { "5" } });
    {
        RawDatabase raw(path());
        raw.exec("INSERT INTO users (id, name) VALUES (42, 'Ada')");
    }
    int64_t best = 7;
    EXPECT_FALSE(QVHighScoreService::getPreviousHighScoreLocal(&best, "5"));
    EXPECT_EQ(best, 0);
    QVHighScoreService::localSetHighScore(20, "5", "42", std::string("twenty"), std::string("c"), platform::Bytes { 9 },
                                          std::nullopt, false, nullptr, true);
    QVHighScoreService::localSetHighScore(30, "5", "42");
    auto top = QVHighScoreService::getHighScoresLocal("5");
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0]->score(), 30);
    EXPECT_EQ(top[0]->rank(), 1);
    EXPECT_EQ(top[0]->displayText(), "30");
    EXPECT_EQ(top[0]->resourceId(), "1");
    EXPECT_EQ(top[1]->displayText(), "twenty");
    EXPECT_EQ(top[1]->customData(), std::optional<std::string>("c"));
    EXPECT_EQ(top[1]->blob(), std::optional<platform::Bytes>(platform::Bytes { 9 }));
    EXPECT_EQ(top[1]->leaderboardId(), "5");
    ASSERT_TRUE(top[1]->user());
    EXPECT_EQ(top[1]->user()->name(), "Ada");

    auto other = QVHighScoreService::getHighScoreForUser(*highscore_testing::player("42"), "5", false);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->score(), 20);
}

TEST_F(HighScoreStoreTest, ARowMarkedSentTakesThePlayersLastSyncTimeAsTheLeaderboardServiceGivesIt)
{
    struct Times {
        const char* boards;
        const char* player;
    };
    for (Times t : { Times { "NULL", nullptr }, Times { "1000", nullptr }, Times { "NULL", "2000" },
                     Times { "1000", "2000" }, Times { "3000", "2000" } }) {
        highscore_testing::storeBoards({ { "7", true, true } });
        {
            RawDatabase raw(path());
            raw.exec("DELETE FROM high_scores");
            raw.exec(std::string("UPDATE leaderboards SET server_sync_at = ") + t.boards);
            if (t.player)
                raw.exec(std::string("INSERT INTO high_scores (user_id, leaderboard_id, score, server_sync_at) VALUES "
                                     "(42, 9, 1, ")
                         + t.player + ")");
        }
        const std::string expected = QVLeaderboardService::getLastSyncDateUnixForUserId("42");
        // On a board that takes lower scores the newest is the one pending: the older one is marked sent.
        ASSERT_TRUE(store(50, "7"));
        ASSERT_TRUE(store(60, "7"));
        RawDatabase raw(path());
        EXPECT_EQ(raw.value("SELECT server_sync_at FROM high_scores WHERE leaderboard_id = 7 AND score = 50"), expected)
            << "leaderboards at " << t.boards << ", player at " << (t.player ? t.player : "none");
    }
}

TEST_F(HighScoreStoreTest, EachScoreCostsOneSyncAndAScoreWhoseSyncFailsIsRefusedAndNotKept)
{
    highscore_testing::storeBoards({ { "5" }, { "6", false } });
    ASSERT_TRUE(store(1, "5"));
    syncs.reset();
    // Bests, repeats and scores below the best, on both boards.
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(store(i * 7 % 40, i % 2 ? "5" : "6"));
    EXPECT_EQ(syncs.syncs(), 20);

    const Rows before = scores("5");
    syncs.failSyncs(true);
    EXPECT_FALSE(store(5000, "5"));
    syncs.failSyncs(false);
    EXPECT_EQ(scores("5"), before);
    EXPECT_TRUE(store(6000, "5"));
    EXPECT_EQ(scores("5").back(), "6000");
}

TEST_F(HighScoreStoreTest, WithoutAStoreNothingIsAccepted)
{
    highscore_testing::storeBoards({ { "5" } });
    quorvel::QVOfflineStore::teardownOfflineDatabase();
    bool submit = false;
    EXPECT_FALSE(store(10, "5", &submit));
    EXPECT_TRUE(submit);
    EXPECT_TRUE(QVHighScoreService::getHighScoresLocal("5").empty());
}

} // namespace
