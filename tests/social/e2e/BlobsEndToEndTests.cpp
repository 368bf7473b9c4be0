// Score blobs end to end: the data a game attaches to a high score goes to the
// service's storage host once the score's batch is answered, and a player who
// taps the score's data button in the leaderboard hands it back to the game. A
// blob that has not reached the host waits on the device with its score, on
// every road, until another player can read it back.
#include "DashboardEndToEndSupport.h"
#include "StandInRequestSupport.h"

#include "platform/ui/Button.h"
#include "social/core/QuorvelInternal.h"
#include "social/runtime/QVCompressableData.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

// The game: hears the blobs the player downloads.
class BlobGame final : public QuorvelDelegate {
public:
    void userDownloadedBlob(const platform::Bytes& blob, platform::Object* score) override
    {
        blobs.push_back(blob);
        auto* s = dynamic_cast<QVHighScore*>(score);
        scores.push_back(s ? s->score() : -1);
    }
    std::vector<platform::Bytes> blobs;
    std::vector<int64_t> scores;
};

class BlobsEndToEnd : public DashboardEndToEndTest {
protected:
    void SetUp() override
    {
        DashboardEndToEndTest::SetUp();
        state->keepObjectsOf(storage);
        // On the test's own address: stopped and started again, its port is
        // nobody else's meanwhile.
        ASSERT_GT(storage.start(0, serviceAddress()), 0);
        delegates->setQuorvelDelegate(&blobGame);
    }
    void TearDown() override
    {
        // The host keeps its objects in the state: it stops before the state goes.
        storage.stop();
        DashboardEndToEndTest::TearDown();
    }
    // The service goes down and comes back with its storage host, which keeps
    // its objects in the service's state.
    void killServiceAndHost()
    {
        storage.stop();
        killService();
    }
    void startServiceAndHost()
    {
        startService();
        state->keepObjectsOf(storage);
        ASSERT_GT(storage.start(0, serviceAddress()), 0);
    }
    // What another player reads of the player's best on the Normal board: the
    // blob behind its address, fetched from the storage host and expanded as
    // a client does. None when the page names no blob or the host has none.
    std::optional<platform::Bytes> blobAnotherPlayerReads()
    {
        const int64_t reader = state->addUser("Reader");
        const std::string token = "token-reader-" + std::to_string(reader), secret = "secret-reader";
        if (!keep("INSERT INTO tokens VALUES ('" + token + "', '" + secret + "', " + std::to_string(reader) + ")"))
            return std::nullopt;
        service->addToken(token, secret);
        standin_testing::Reply page = standin_testing::ask(
            serviceAddress(), port, "GET", QVHighScoreService::kBatchPath,
            { { "leaderboard_id", std::to_string(StandInState::kNormalLeaderboard) } }, token, secret);
        const size_t open = page.body.find("<blob_url>"), close = page.body.find("</blob_url>");
        const std::string host = storage.baseUrl();
        if (page.status != 200 || open == std::string::npos || close == std::string::npos)
            return std::nullopt;
        const std::string url = page.body.substr(open + 10, close - open - 10);
        if (url.rfind(host, 0) != 0)
            return std::nullopt;
        const std::string address = serviceAddress();
        standin_testing::Reply blob = standin_testing::sendRaw(
            address, std::stoi(host.substr(host.rfind(':') + 1)),
            "GET /" + url.substr(host.size()) + " HTTP/1.1\r\nHost: " + address + "\r\nConnection: close\r\n\r\n");
        if (blob.status != 200)
            return std::nullopt;
        return QVCompressableData::uncompressedDataFromSerializedData(platform::Bytes(blob.body.begin(), blob.body.end()));
    }
    static platform::Bytes replay(size_t length, uint8_t seed)
    {
        platform::Bytes bytes(length);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>((i * seed) % 251);
        return bytes;
    }

    standin::StorageHostStandIn storage;
    BlobGame blobGame;
};

TEST_F(BlobsEndToEnd, AScoresBlobIsUploadedAfterItsBatchAndTheLeaderboardHandsItBackToTheGame)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    // A replay the game attaches to its score.
    platform::Bytes replay(3000, 0);
    for (size_t i = 0; i < replay.size(); ++i)
        replay[i] = static_cast<uint8_t>(i % 17);
    QVHighScoreService::setHighScoreWithBlob(1500, std::string("1500 pts"), std::nullopt, replay,
                                             std::to_string(StandInState::kNormalLeaderboard), false, false,
                                             QVDelegate(), QVDelegate());
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT COUNT(*) FROM storage_objects") == "1"; }));
    const std::string score = kept("SELECT id FROM high_scores WHERE user_id = " + std::to_string(player));
    ASSERT_FALSE(score.empty());
    // The blob went up after the score was kept, under the key the answer named, compressed.
    auto posted = storage.requests();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].method, "POST");
    EXPECT_EQ(posted[0].param("key"), "high_scores/" + score + ".blob");
    auto stored = storage.storedObject("high_scores/" + score + ".blob");
    ASSERT_TRUE(stored);
    EXPECT_LT(stored->size(), replay.size());

    openDashboard();
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForText("Normal"));
    ASSERT_TRUE(tapText("Normal"));
    ASSERT_TRUE(waitForText("1500 pts"));
    // The rival's score has no data to fetch: only the player's row offers it.
    EXPECT_EQ(besideText<platform::ui::Button>("900 points"), nullptr);
    ASSERT_TRUE(touch(besideText<platform::ui::Button>("1500 pts")));
    ASSERT_TRUE(waitUntil([&] { return !blobGame.blobs.empty(); }));
    EXPECT_EQ(blobGame.blobs[0], replay);
    EXPECT_EQ(blobGame.scores[0], 1500);
    auto fetched = storage.requests();
    EXPECT_TRUE(std::any_of(fetched.begin(), fetched.end(), [&](auto& r) {
        return r.method == "GET" && r.path == "high_scores/" + score + ".blob";
    }));
}

// The player scores 300 with a replay, and 400 with another before the first
// score's answer is in: each answer uploads its own score's replay, so the
// service's blob address of either score has it.
TEST_F(BlobsEndToEnd, AScoreSentBeforeTheBoardsLastAnswerKeepsItsBlobAndTheLaterScoreUploadsItsOwn)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    const std::string board = std::to_string(StandInState::kNormalLeaderboard);
    const platform::Bytes first(2000, 3), second(2500, 4);
    service->holdAnswersTo(QVHighScoreService::kBatchPath);
    QVHighScoreService::setHighScoreWithBlob(300, std::nullopt, std::nullopt, first, board, true, false, QVDelegate(),
                                             QVDelegate());
    ASSERT_TRUE(waitUntil([&] { return service->heldCount() == 1; }));
    QVHighScoreService::setHighScoreWithBlob(400, std::nullopt, std::nullopt, second, board, true, false, QVDelegate(),
                                             QVDelegate());
    ASSERT_TRUE(waitUntil([&] { return service->heldCount() == 2; }));
    service->stopHolding();

    ASSERT_TRUE(waitUntil([&] { return kept("SELECT COUNT(*) FROM storage_objects") == "2"; }))
        << kept("SELECT COUNT(*) FROM storage_objects");
    for (const auto& [score, blob] : { std::pair { 300, first }, std::pair { 400, second } }) {
        const std::string id = kept("SELECT id FROM high_scores WHERE user_id = " + std::to_string(player)
                                    + " AND score = " + std::to_string(score));
        ASSERT_FALSE(id.empty()) << score;
        auto stored = storage.storedObject("high_scores/" + id + ".blob");
        ASSERT_TRUE(stored) << score;
        EXPECT_EQ(platform::Bytes(stored->begin(), stored->end()), QVCompressableData::serializedDataFromData(blob))
            << score;
    }
    ASSERT_TRUE(waitUntil([&] {
        return !QVHighScoreService::isScorePending(board, 300) && !QVHighScoreService::isScorePending(board, 400);
    }));
}

// The same score given twice in one run with two replays, in one batch or
// in two: the newer replay goes up under the score, another player reads it
// back, and the score waits on the device until it has.
TEST_F(BlobsEndToEnd, TheSameScoreTwiceWithTwoReplaysUploadsTheNewerOne)
{
    const std::string board = std::to_string(StandInState::kNormalLeaderboard);
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    int64_t score = 300;
    for (bool oneBatch : { true, false }) {
        SCOPED_TRACE(oneBatch ? "in one batch" : "in two batches");
        const platform::Bytes older = replay(2000, oneBatch ? 3 : 5), newer = replay(2400, oneBatch ? 7 : 11);
        score += 100;
        QVHighScoreService::setHighScoreWithBlob(score, std::nullopt, std::nullopt, older, board, true, false,
                                                 QVDelegate(), QVDelegate());
        if (!oneBatch)
            letTimePass(1.0);
        QVHighScoreService::setHighScoreWithBlob(score, std::nullopt, std::nullopt, newer, board, true, false,
                                                 QVDelegate(), QVDelegate());
        EXPECT_TRUE(QVHighScoreService::isScorePending(board, score));
        ASSERT_TRUE(waitUntil([&] { return !QVHighScoreService::isScorePending(board, score); }));
        letTimePass(1.0);
        EXPECT_EQ(blobAnotherPlayerReads(), newer);
    }
}

// -- a blob waits with its score until it has reached the storage host ------------------

// Road (a): the best went up without a blob; the same score taken offline
// with a replay waits through the next login's list, which names that score,
// and goes again: another player reads the replay back.
TEST_F(BlobsEndToEnd, AReplayOfABestTheServiceHoldsGoesUpAfterTheNextLogin)
{
    const std::string board = std::to_string(StandInState::kNormalLeaderboard);
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    QVHighScoreService::setHighScore(6500, board, QVDelegate(), QVDelegate());
    ASSERT_TRUE(waitUntil([&] { return !QVHighScoreService::isScorePending(board, 6500)
                                    && kept("SELECT COUNT(*) FROM high_scores WHERE score = 6500") == "1"; }));
    quit();
    killServiceAndHost();
    launch();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    const platform::Bytes data = replay(2500, 7);
    QVHighScoreService::setHighScoreWithBlob(6500, std::nullopt, std::nullopt, data, board, true, false, QVDelegate(),
                                             QVDelegate());
    ASSERT_TRUE(QVHighScoreService::isScorePending(board, 6500));
    quit();

    startServiceAndHost();
    launchAndLogIn();
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT COUNT(*) FROM storage_objects") == "1"
                                    && !QVHighScoreService::isScorePending(board, 6500); }));
    EXPECT_EQ(blobAnotherPlayerReads(), data);
}

// Road (b): the batch is answered but the upload cannot happen (the storage
// host is down): the score waits with its replay through the next login's
// list and goes again once the host is back; also when the player betters
// it meanwhile, since the service keeps its row whatever the better score.
TEST_F(BlobsEndToEnd, AReplayWhoseUploadFailedGoesAgainAfterTheNextLogin)
{
    const std::string board = std::to_string(StandInState::kNormalLeaderboard);
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    for (bool bettered : { false, true }) {
        SCOPED_TRACE(bettered ? "bettered before the next login" : "still the best");
        const int64_t score = bettered ? 8500 : 6500;
        const platform::Bytes data = replay(2500, bettered ? 13 : 11);
        storage.stop();
        QVHighScoreService::setHighScoreWithBlob(score, std::nullopt, std::nullopt, data, board, true, false,
                                                 QVDelegate(), QVDelegate());
        ASSERT_TRUE(waitUntil(
            [&] { return kept("SELECT COUNT(*) FROM high_scores WHERE score = " + std::to_string(score)) == "1"; }));
        letTimePass(1);
        EXPECT_TRUE(QVHighScoreService::isScorePending(board, score));
        EXPECT_EQ(blobAnotherPlayerReads(), std::nullopt) << "nothing behind the address yet";
        if (bettered) {
            QVHighScoreService::setHighScore(9000, board, QVDelegate(), QVDelegate());
            ASSERT_TRUE(waitUntil([&] { return kept("SELECT COUNT(*) FROM high_scores WHERE score = 9000") == "1"
                                            && !QVHighScoreService::isScorePending(board, 9000); }));
        }
        quit();

        ASSERT_GT(storage.start(0, serviceAddress()), 0);
        launchAndLogIn();
        ASSERT_TRUE(waitUntil([&] { return !QVHighScoreService::isScorePending(board, score); }));
        // Under one of the score's rows the host keeps the replay, as a client stores it.
        const std::string key = kept("SELECT group_concat(b.key) FROM high_scores h JOIN score_blobs b ON b.score_id"
                                     " = h.id JOIN storage_objects o ON o.key = b.key WHERE h.score = "
                                     + std::to_string(score));
        auto object = storage.storedObject(key);
        ASSERT_TRUE(object) << "no row of " << score << " has its replay on the host";
        EXPECT_EQ(platform::Bytes(object->begin(), object->end()), QVCompressableData::serializedDataFromData(data));
        if (!bettered) {
            EXPECT_EQ(blobAnotherPlayerReads(), data);
        }
    }
}

// A batch's entry keeps its replay whatever the entries around it: with a
// lower score of the same board after it in the batch, and through a batch
// the service could not take, which goes again after the next login.
TEST_F(BlobsEndToEnd, ABatchEntrysReplayGoesUpUnderItsOwnScoreAlsoThroughAFailedBatch)
{
    const std::string board = std::to_string(StandInState::kNormalLeaderboard);
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    const platform::Bytes first = replay(1800, 13), second = replay(2200, 17);
    QVHighScoreBatch batch { QVHighScoreBatchEntry::create(board, 500, std::nullopt, std::nullopt, first),
                             QVHighScoreBatchEntry::create(board, 100) };
    QVHighScoreService::batchSetHighScores(batch, QVDelegate(), QVDelegate(), std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT COUNT(*) FROM storage_objects") == "1"
                                    && !QVHighScoreService::isScorePending(board, 500); }));
    EXPECT_EQ(kept("SELECT COUNT(*) FROM high_scores WHERE user_id = " + std::to_string(player)), "2");
    EXPECT_EQ(blobAnotherPlayerReads(), first);

    killServiceAndHost();
    batch = { QVHighScoreBatchEntry::create(board, 700, std::nullopt, std::nullopt, second),
              QVHighScoreBatchEntry::create(board, 600) };
    QVHighScoreService::batchSetHighScores(batch, QVDelegate(), QVDelegate(), std::nullopt);
    letTimePass(1);
    EXPECT_TRUE(QVHighScoreService::isScorePending(board, 700));
    quit();
    startServiceAndHost();
    launchAndLogIn();
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT COUNT(*) FROM storage_objects") == "2"
                                    && !QVHighScoreService::isScorePending(board, 700); }));
    EXPECT_EQ(blobAnotherPlayerReads(), second);
}

} // namespace
