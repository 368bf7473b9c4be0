// Score blobs end to end: the blob pending per leaderboard, its upload to the
// stand-in storage host once the batch is answered with a form, the store
// row that keeps it, downloads of another player's blob and the report of a
// blob the host has lost; and the abridged score record with its picture.
#include "social/services/HighScoreTestSupport.h"
#include "support/NetTestSupport.h"

#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVAbridgedHighScore.h"
#include "social/services/QVCloudStorageService.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"

#include <algorithm>
#include <atomic>

using namespace quorvel;
using net_testing::CallbackRecorder;
using platform::Bytes;
using platform::Ref;
using Strings = std::vector<std::string>;

namespace {

using ScoreHost = highscore_testing::ScoreHost<net_testing::RecordingHost>;

class HighScoreBlobTest : public highscore_testing::GameCenterStoreTest<ScoreHost> {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        ASSERT_GT(storage.start(), 0);
        ASSERT_TRUE(QVOfflineStore::openDatabaseAtPath(dir.file(QVOfflineStore::kFileName)));
        QVOfflineStore::setupOfflineSupport();
        highscore_testing::storeBoards({ { "5" }, { "6" } });
        facade.providerLink = provider.get();
        facade.local = highscore_testing::player("42");
        TestRuntimeRoles::setCurrent(&facade);
        provider->setAccessToken("token-1", "token-secret-1");
        // The batch answered with a signed form for each score, unless told
        // to keep a best. Each batch's scores get ids of their own: 900 on,
        // 1000 on, ...
        server.route("POST", QVHighScoreService::kBatchPath, [this](const standin::LoggedRequest& r) {
            standin::Answer a = highscore_testing::echoBatch(r, "42", 900 + 100 * batchesAnswered++);
            if (keptBest)
                a.body = "<resources><high_score><id>950</id><score>" + *keptBest
                    + "</score><leaderboard_id>5</leaderboard_id></high_score></resources>";
            for (size_t at = 0; (at = a.body.find("</high_score>", at)) != std::string::npos;) {
                size_t id = a.body.rfind("<high_score><id>", at) + 12;
                std::string scoreId = a.body.substr(id + 4, a.body.find("</id>", id) - id - 4);
                // A refused upload: the form names a place that answers 500.
                const std::string action = uploadsRefused ? server.baseUrl() + "refused-upload" : storage.baseUrl();
                std::string form = "<blob_upload_parameters><action>" + action + "</action>";
                for (auto& [name, value] : storage.uploadForm("blobs/" + scoreId))
                    form += "<" + name + ">" + value + "</" + name + ">";
                form += "</blob_upload_parameters></high_score>";
                a.body.replace(at, 13, form);
                at += form.size();
            }
            return a;
        });
        server.route("POST", "high_scores/77/invalidate_blob.xml", standin::Answer::xml("<resources/>"));
        server.route("POST", "refused-upload", standin::Answer::xml("<errors/>", 500));
        QVHighScoreService::initializeService();
        QVCloudStorageService::initializeService();
        recorder = CallbackRecorder::create();
    }
    void TearDown() override
    {
        QVHighScore::setDelegate(nullptr);
        QVCloudStorageService::shutdownService();
        QVHighScoreService::shutdownService();
        QVOfflineService::shutdownService();
        QVOfflineStore::teardownOfflineDatabase();
        storage.stop();
        NetTest::TearDown();
    }
    // Another player's score with a blob on the storage host.
    Ref<QVHighScore> othersScore(const std::string& blobPath)
    {
        std::string url = blobPath.empty() ? std::string() : storage.baseUrl() + blobPath;
        std::string xml = "<resources><high_score><id>77</id><score>9</score><leaderboard_id>5</leaderboard_id>"
                          "<blob_url>"
            + url + "</blob_url></high_score></resources>";
        auto series = QVResource::resourcesFromData(xml.data(), xml.size(),
                                                    QVHighScoreService::service().getKnownResources());
        return Ref<QVHighScore>(dynamic_cast<QVHighScore*>(series->objects().at(0).get()));
    }

    // The login's list, naming the player's best on board 5.
    void loginListNames(int64_t best)
    {
        auto board = QVLeaderboard_Sync::create();
        board->setResourceId("5");
        board->setActive("1");
        board->setVisible("1");
        board->setDescendingSortOrder("1");
        board->setScore(std::to_string(best));
        ASSERT_TRUE(QVLeaderboardService::synchLeaderboardsList({ board }, {}, std::string("42"), true));
    }
    std::string uploaded(const std::string& key)
    {
        std::optional<std::string> object = storage.storedObject(key);
        return object ? *object : std::string();
    }
    static std::string stored(const Bytes& blob)
    {
        Bytes form = QVCompressableData::serializedDataFromData(blob);
        return std::string(form.begin(), form.end());
    }

    standin::StorageHostStandIn storage;
    std::optional<std::string> keptBest;
    std::atomic<bool> uploadsRefused { false };
    std::atomic<int> batchesAnswered { 0 };
};

class BlobWatcher : public platform::Object, public QVHighScoreDelegate {
public:
    void didDownloadBlob(QVHighScore* s) override { calls.push_back("blob " + std::to_string(s->blob()->size())); }
    void didFailDownloadBlob(QVHighScore*) override { calls.push_back("fail blob"); }
    Strings calls;
};

} // namespace

TEST_F(HighScoreBlobTest, APendingBlobIsUploadedAfterTheBatchAnswerAndStoredWithItsScore)
{
    Bytes blob(600, 'q');
    QVHighScoreService::setHighScoreWithBlob(10, std::nullopt, std::nullopt, Bytes(300, 'x'), "5", true, false, {}, {});
    QVHighScoreService::setHighScoreWithBlob(20, std::nullopt, std::nullopt, blob, "5", true, false, {}, {});
    // Only the later score's blob waits for the answer.
    ASSERT_EQ(QVHighScoreService::service().pendingBlobs().size(), 1u);
    EXPECT_EQ(QVHighScoreService::service().pendingBlobs()[0].score, 20);
    EXPECT_EQ(QVHighScoreService::getPendingBlobForLeaderboard("5", 20), blob);
    EXPECT_FALSE(QVHighScoreService::getPendingBlobForLeaderboard("5", 10));

    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return storage.storedObject("blobs/901").has_value(); }));
    std::string uploaded = *storage.storedObject("blobs/901");
    EXPECT_EQ(Bytes(uploaded.begin(), uploaded.end()), QVCompressableData::serializedDataFromData(blob));
    EXPECT_FALSE(storage.storedObject("blobs/900")) << "the first score's answer finds no blob for its value";
    // The earlier score keeps the blob it was stored with, although only the later one's was uploaded.
    ASSERT_TRUE(waitFor([&] {
        return rows("SELECT score, length(blob) FROM high_scores WHERE server_sync_at IS NOT NULL AND blob IS NOT NULL "
                    "ORDER BY score")
            == (Strings { "10|300", "20|600" });
    }));
    EXPECT_TRUE(QVHighScoreService::service().pendingBlobs().empty());
}

// The same score given twice within one run with two blobs goes once, with
// the newer blob, which goes up under it; the row waits until it is there
// (a refused upload leaves it waiting).
TEST_F(HighScoreBlobTest, TheSameScoreTwiceWithTwoBlobsGoesOnceAndUploadsTheNewerBlob)
{
    for (bool refused : { true, false }) {
        SCOPED_TRACE(refused ? "upload refused" : "upload taken");
        uploadsRefused = refused;
        server.clearLog();
        const int64_t score = refused ? 300 : 400;
        const Bytes older(500, 'o'), newer(700, 'n');
        QVHighScoreService::setHighScoreWithBlob(score, std::string("older"), std::nullopt, older, "5", true, false,
                                                 {}, {});
        QVHighScoreService::setHighScoreWithBlob(score, std::string("newer"), std::nullopt, newer, "5", true, false,
                                                 {}, {});
        advance(0.1);
        // The batch comes first; a refused upload, also sent to this server, may follow it at once.
        ASSERT_TRUE(waitFor([&] { return server.requestCount() >= 1; }));
        const auto batch = server.requests()[0];
        EXPECT_EQ(highscore_testing::paramValues(batch, "high_scores[][score]"), Strings { std::to_string(score) });
        EXPECT_EQ(highscore_testing::paramValues(batch, "high_scores[][display_text]"), Strings { "newer" });
        EXPECT_EQ(highscore_testing::paramValues(batch, "high_scores[][has_blob]"), Strings { "1" });
        settleNetwork();
        loop().drain();
        EXPECT_EQ(rows("SELECT length(blob), server_sync_at IS NULL FROM high_scores WHERE score = "
                       + std::to_string(score)),
                  Strings { refused ? "700|1" : "700|0" });
    }
    ASSERT_EQ(storage.requests().size(), 1u);
    EXPECT_EQ(uploaded("blobs/" + std::to_string(900 + 100 * (batchesAnswered - 1))), stored(Bytes(700, 'n')));
}

// A score of a board sent while the board's last batch waits for its answer:
// each batch's blob is uploaded by its own answer, whatever the later score
// carries (a blob, none, one too large to upload) and whichever answer comes
// first.
TEST_F(HighScoreBlobTest, EachBatchUploadsItsOwnBlobWhenALaterBatchOfTheBoardGoesBeforeItsAnswer)
{
    server.holdAnswersTo(QVHighScoreService::kBatchPath);
    const std::vector<std::optional<Bytes>> laterBlobs { Bytes(500, 'b'), std::nullopt, Bytes(60000, 'l') };
    std::vector<Bytes> firstBlobs;
    int64_t score = 300;
    for (const auto& later : laterBlobs) {
        firstBlobs.emplace_back(static_cast<size_t>(score), 'a');
        QVHighScoreService::setHighScoreWithBlob(score, std::nullopt, std::nullopt, firstBlobs.back(), "5", true,
                                                 false, {}, {});
        advance(0.1);
        ASSERT_TRUE(waitFor([&] { return server.heldCount() == 1; }));
        QVHighScoreService::setHighScoreWithBlob(score + 100, std::nullopt, std::nullopt, later, "5", true, false, {},
                                                 {});
        advance(0.1);
        ASSERT_TRUE(waitFor([&] { return server.heldCount() == 2; }));
        EXPECT_TRUE(QVHighScoreService::service().pendingBlobs().empty()) << "each went with its batch";
        server.releaseHeld();
        score += 200;
    }
    // Batches 900, 1000 (300 and 400), 1100, 1200 (500 and 600), 1300, 1400 (700 and 800).
    const std::vector<std::pair<std::string, Bytes>> uploads {
        { "blobs/900", firstBlobs[0] }, { "blobs/1000", *laterBlobs[0] }, { "blobs/1100", firstBlobs[1] },
        { "blobs/1300", firstBlobs[2] }
    };
    ASSERT_TRUE(waitFor([&] {
        return std::all_of(uploads.begin(), uploads.end(),
                           [&](const auto& upload) { return storage.storedObject(upload.first).has_value(); });
    })) << testing::PrintToString(storage.requests().size());
    for (const auto& [key, blob] : uploads) {
        std::string uploaded = *storage.storedObject(key);
        EXPECT_EQ(Bytes(uploaded.begin(), uploaded.end()), QVCompressableData::serializedDataFromData(blob)) << key;
    }
    ASSERT_TRUE(waitFor([&] {
        return rows("SELECT score FROM high_scores WHERE server_sync_at IS NULL").empty()
            && QVHighScoreService::service().pendingBlobs().empty();
    }));
    settleNetwork();
    loop().drain();
    EXPECT_EQ(storage.requests().size(), uploads.size()) << "nothing for the scores sent without an uploadable blob";
    EXPECT_EQ(rows("SELECT score, IFNULL(length(blob), 0) FROM high_scores ORDER BY score"),
              (Strings { "300|300", "400|500", "500|500", "600|0", "700|700", "800|60000" }));
}

TEST_F(HighScoreBlobTest, ABlobTooLargeToUploadStaysInTheStoreThroughTheAnswerAndARelaunch)
{
    Bytes blob(60000, 'o');
    blob[59999] = 'z';
    QVHighScoreService::setHighScoreWithBlob(10, std::nullopt, std::nullopt, blob, "5", true, false, {}, {});
    EXPECT_TRUE(QVHighScoreService::service().pendingBlobs().empty()) << "never uploaded";
    EXPECT_EQ(rows("SELECT score, length(blob), server_sync_at IS NULL FROM high_scores"), Strings { "10|60000|1" });

    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return rows("SELECT server_sync_at IS NULL FROM high_scores") == Strings { "0" }; }));
    EXPECT_EQ(rows("SELECT score, length(blob) FROM high_scores"), Strings { "10|60000" });
    settleNetwork();
    EXPECT_TRUE(storage.requests().empty());

    // The next launch reads it back whole.
    QVHighScoreService::shutdownService();
    QVOfflineStore::teardownOfflineDatabase();
    ASSERT_TRUE(QVOfflineStore::openDatabaseAtPath(dir.file(QVOfflineStore::kFileName)));
    QVOfflineStore::setupOfflineSupport();
    QVHighScoreService::initializeService();
    auto kept = QVHighScoreService::getHighScoresLocal("5");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0]->score(), 10);
    EXPECT_EQ(kept[0]->blob(), blob);
}

// Taken offline, a blob too large for the single-score road still goes up
// with the scores sent after the next login.
TEST_F(HighScoreBlobTest, AStoredBlobOfAnyLengthIsUploadedWithTheScoresSentAfterALogin)
{
    facade.onlineFlag = false;
    Bytes blob(60000, 'o');
    QVHighScoreService::setHighScoreWithBlob(10, std::nullopt, std::nullopt, blob, "5", true, false, {}, {});
    facade.onlineFlag = true;
    ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, {}, {}));
    ASSERT_TRUE(waitFor([&] { return storage.storedObject("blobs/900").has_value(); }));
    std::string uploaded = *storage.storedObject("blobs/900");
    EXPECT_EQ(Bytes(uploaded.begin(), uploaded.end()), QVCompressableData::serializedDataFromData(blob));
    ASSERT_TRUE(waitFor([&] { return rows("SELECT score FROM high_scores WHERE server_sync_at IS NULL").empty(); }));
    EXPECT_EQ(rows("SELECT score, length(blob) FROM high_scores"), Strings { "10|60000" });
}

// -- a blob waits with its row until it has reached the service ------------------------

// Road (a): the best went up without a blob; the same score taken offline
// with a replay waits, and the login's list naming that score does not end
// its wait: it goes again, and its blob up.
TEST_F(HighScoreBlobTest, AWaitingBlobOfAScoreTheLoginsListNamesStillGoesUp)
{
    QVHighScoreService::setHighScore(6500, "5", {}, {});
    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return rows("SELECT server_sync_at IS NULL FROM high_scores") == Strings { "0" }; }));
    facade.onlineFlag = false;
    const Bytes replay(2500, 'r');
    QVHighScoreService::setHighScoreWithBlob(6500, std::nullopt, std::nullopt, replay, "5", true, false, {}, {});
    EXPECT_EQ(rows("SELECT length(blob), server_sync_at IS NULL FROM high_scores"), Strings { "2500|1" });

    facade.onlineFlag = true;
    loginListNames(6500);
    EXPECT_TRUE(QVHighScoreService::isScorePending("5", 6500)) << "its blob has not reached the service";
    server.clearLog();
    ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, {}, {}));
    ASSERT_TRUE(waitFor([&] { return !uploaded("blobs/1000").empty(); }));
    EXPECT_EQ(highscore_testing::paramValues(server.requests().at(0), "high_scores[][has_blob]"), Strings { "1" });
    EXPECT_EQ(uploaded("blobs/1000"), stored(replay));
    ASSERT_TRUE(waitFor([&] { return !QVHighScoreService::isScorePending("5", 6500); }));
    EXPECT_EQ(rows("SELECT score, length(blob) FROM high_scores"), Strings { "6500|2500" });
}

// Road (b): the batch is answered but the upload does not happen; the row
// waits with its blob through the login's list, and the next login sends it.
TEST_F(HighScoreBlobTest, AScoreWhoseUploadFailedWaitsThroughTheLoginsListAndGoesAgain)
{
    uploadsRefused = true;
    const Bytes replay(2500, 'u');
    QVHighScoreService::setHighScoreWithBlob(6500, std::nullopt, std::nullopt, replay, "5", true, false, {}, {});
    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 2; })) << "the batch, then the refused upload";
    settleNetwork();
    loop().drain();
    EXPECT_TRUE(QVHighScoreService::isScorePending("5", 6500));

    uploadsRefused = false;
    loginListNames(6500);
    EXPECT_TRUE(QVHighScoreService::isScorePending("5", 6500));
    ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, {}, {}));
    ASSERT_TRUE(waitFor([&] { return !uploaded("blobs/1000").empty(); }));
    EXPECT_EQ(uploaded("blobs/1000"), stored(replay));
    ASSERT_TRUE(waitFor([&] { return !QVHighScoreService::isScorePending("5", 6500); }));
}

// A batch entry's blob is kept with its row and uploaded under its own
// score, whatever the entries around it; a failed batch keeps it too, so it
// goes with the scores sent after the next login.
TEST_F(HighScoreBlobTest, ABatchEntrysBlobIsKeptWithItsRowAndUploadedUnderItsOwnScore)
{
    const Bytes replay(700, 'p');
    QVHighScoreBatch batch { QVHighScoreBatchEntry::create("5", 500, std::nullopt, std::nullopt, replay),
                             QVHighScoreBatchEntry::create("5", 100) };
    ASSERT_TRUE(QVHighScoreService::batchSetHighScores(batch, true, recorder->onSuccess(), recorder->onFailure(),
                                                       std::nullopt, false));
    EXPECT_EQ(rows("SELECT score, IFNULL(length(blob), 0) FROM high_scores ORDER BY score"),
              (Strings { "100|0", "500|700" }));
    ASSERT_TRUE(waitFor([&] { return !uploaded("blobs/900").empty(); }));
    EXPECT_EQ(uploaded("blobs/900"), stored(replay));
    ASSERT_TRUE(waitFor([&] { return rows("SELECT score FROM high_scores WHERE server_sync_at IS NULL").empty(); }));
    settleNetwork();
    EXPECT_FALSE(storage.storedObject("blobs/901")) << "the entry without a blob uploads nothing";

    // The same through a batch that fails: the blob waits with its row.
    server.script("POST", QVHighScoreService::kBatchPath, standin::Answer::xml("<errors/>", 500));
    const Bytes later(800, 'q');
    batch = { QVHighScoreBatchEntry::create("6", 700, std::nullopt, std::nullopt, later),
              QVHighScoreBatchEntry::create("6", 300) };
    recorder = CallbackRecorder::create();
    ASSERT_TRUE(QVHighScoreService::batchSetHighScores(batch, true, recorder->onSuccess(), recorder->onFailure(),
                                                       std::nullopt, false));
    ASSERT_TRUE(waitFor([&] { return recorder->failures == 1; }));
    EXPECT_EQ(rows("SELECT score, length(blob) FROM high_scores WHERE server_sync_at IS NULL"), Strings { "700|800" });
    ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, {}, {}));
    ASSERT_TRUE(waitFor([&] { return !uploaded("blobs/1000").empty(); })) << "the failed batch was not answered";
    EXPECT_EQ(uploaded("blobs/1000"), stored(later));
    ASSERT_TRUE(waitFor([&] { return rows("SELECT score FROM high_scores WHERE server_sync_at IS NULL").empty(); }));
}

// The same score given twice with two blobs, the first still on its way: the
// row ends with the newer blob whichever upload is done last.
TEST_F(HighScoreBlobTest, TheNewerBlobOfAScoreWinsWhicheverUploadEndsLast)
{
    facade.onlineFlag = false;
    const Bytes older(300, 'o'), newer(400, 'n');
    auto uploadDone = [](int64_t value, const Bytes& blob) {
        auto score = QVHighScore::create();
        score->setScore(value);
        score->setLeaderboardId("5");
        score->setBlob(blob);
        QVHighScoreService::service().onBlobUploaded(QVS3Response::response(std::nullopt, score.get(), 200).get());
    };
    for (bool newerFirst : { false, true }) {
        const int64_t value = newerFirst ? 600 : 500;
        QVHighScoreService::setHighScoreWithBlob(value, std::nullopt, std::nullopt, older, "5", true, false, {}, {});
        QVHighScoreService::setHighScoreWithBlob(value, std::nullopt, std::nullopt, newer, "5", true, false, {}, {});
        uploadDone(value, newerFirst ? newer : older);
        uploadDone(value, newerFirst ? older : newer);
        EXPECT_EQ(rows("SELECT length(blob), server_sync_at IS NULL FROM high_scores WHERE score = "
                       + std::to_string(value)),
                  Strings { "400|0" })
            << newerFirst;
    }
}

// The upload hook of a batch answer is handed its batch's blobs: anything
// else is a programming error, not a batch without blobs.
TEST_F(HighScoreBlobTest, ABatchAnswerWithoutItsBlobsIsAnAssertion)
{
    auto answer = QVPaginatedSeries::paginatedSeriesFromArray({});
    auto notBlobs = QVHighScore::create();
    EXPECT_ASSERTION(QVHighScoreService::service()._uploadBlobs(answer.get(), notBlobs.get()),
                     "social/services/QVHighScoreBlobs", "A score batch's answer came without the blobs its batch carries");
}

TEST_F(HighScoreBlobTest, PendingBlobsStayFoundByBoardAsOthersComeAndGo)
{
    for (int board = 1; board <= 4; ++board)
        QVHighScoreService::setPendingBlob(Bytes(static_cast<size_t>(board), 'b'), std::to_string(board), board * 10);
    QVHighScoreService::removePendingBlobForLeaderboard("2"); // one from the middle
    QVHighScoreService::removePendingBlobForLeaderboard("9"); // none for that board
    QVHighScoreService::setPendingBlob(Bytes(7, 'n'), "3", 31); // replaces board 3's
    EXPECT_EQ(QVHighScoreService::service().pendingBlobs().size(), 3u);
    EXPECT_FALSE(QVHighScoreService::getPendingBlobForLeaderboard("2", 20));
    EXPECT_EQ(QVHighScoreService::getPendingBlobForLeaderboard("1", 10), Bytes(1, 'b'));
    EXPECT_EQ(QVHighScoreService::getPendingBlobForLeaderboard("4", 40), Bytes(4, 'b'));
    EXPECT_FALSE(QVHighScoreService::getPendingBlobForLeaderboard("3", 30)) << "only the newest blob of a board";
    EXPECT_EQ(QVHighScoreService::getPendingBlobForLeaderboard("3", 31), Bytes(7, 'n'));
    for (const char* board : { "4", "1", "3" })
        QVHighScoreService::removePendingBlobForLeaderboard(board);
    EXPECT_TRUE(QVHighScoreService::service().pendingBlobs().empty());
}

TEST_F(HighScoreBlobTest, AnAnswerWithAnotherScoreUploadsNothingAndDropsThePendingBlob)
{
    keptBest = "5";
    QVHighScoreService::setHighScoreWithBlob(30, std::nullopt, std::nullopt, Bytes(100, 'z'), "5", true, false, {}, {});
    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return QVHighScoreService::service().pendingBlobs().empty(); }));
    loop().drain();
    EXPECT_TRUE(storage.requests().empty());
}

TEST_F(HighScoreBlobTest, AnotherPlayersBlobIsDownloadedAndALostOneIsReported)
{
    Bytes blob(700, 'd');
    storage.storeObject("blobs/77", std::string(blob.begin(), blob.end()));
    auto score = othersScore("blobs/77");
    ASSERT_TRUE(score->hasBlob());
    EXPECT_TRUE(
        QVHighScoreService::downloadBlobForHighScore(score.get(), recorder->onSuccess(), recorder->onFailure()));
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    ASSERT_EQ(recorder->successes, 1);
    EXPECT_EQ(recorder->successArg.get(), score.get());
    EXPECT_EQ(score->blob(), blob);

    // Held now: success at once, nothing sent.
    recorder = CallbackRecorder::create();
    EXPECT_FALSE(
        QVHighScoreService::downloadBlobForHighScore(score.get(), recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->successes, 1);
    // No blob and no address: failure at once with nil.
    recorder = CallbackRecorder::create();
    EXPECT_FALSE(QVHighScoreService::downloadBlobForHighScore(othersScore("").get(), recorder->onSuccess(),
                                                              recorder->onFailure()));
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(recorder->failureArg, nullptr);

    // The host has lost it: the server hears of it and the caller fails.
    recorder = CallbackRecorder::create();
    QVHighScoreService::downloadBlobForHighScore(othersScore("blobs/lost").get(), recorder->onSuccess(),
                                                 recorder->onFailure());
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0 && server.requestCount() > 0; }));
    EXPECT_EQ(recorder->failures, 1);
    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].path, "high_scores/77/invalidate_blob.xml");
}

TEST_F(HighScoreBlobTest, ThePublicClassDownloadsThroughTheService)
{
    auto watcher = platform::adoptRef(new BlobWatcher);
    QVHighScore::setDelegate(watcher.get());
    storage.storeObject("blobs/77", "abc");
    auto score = othersScore("blobs/77");
    EXPECT_TRUE(score->downloadBlob());
    ASSERT_TRUE(waitFor([&] { return !watcher->calls.empty(); }));
    auto broken = othersScore("blobs/missing");
    broken->downloadBlob();
    ASSERT_TRUE(waitFor([&] { return watcher->calls.size() == 2; }));
    EXPECT_EQ(watcher->calls, (Strings { "blob 3", "fail blob" }));
}

// -- abridged scores --------------------------------------------------------------------

namespace {
class PictureWatcher : public platform::Object, public QVAbridgedHighScoreDelegate {
public:
    void didGetProfilePicture(platform::Image*, QVAbridgedHighScore*) override { calls.push_back("picture"); }
    void didFailGetProfilePictureQVAbridgedHighScore(QVAbridgedHighScore*) override { calls.push_back("failed"); }
    Strings calls;
};
} // namespace

TEST_F(HighScoreBlobTest, AbridgedScoresReadTheirPlayerAndFetchThePicture)
{
    QVImageCache::initializeCache();
    auto watcher = platform::adoptRef(new PictureWatcher);
    QVAbridgedHighScore::setDelegate(watcher.get());
    std::string xml = "<resources><abridged_score><score>1234567890123</score><leaderboard_id>5</leaderboard_id>"
                      "<display_text></display_text><user_id>17</user_id><user_name></user_name>"
                      "<user_profile_picture_url>"
        + server.baseUrl() + "pictures/17.png</user_profile_picture_url><user_gamer_score>350</user_gamer_score>"
        + "</abridged_score></resources>";
    auto series = QVResource::resourcesFromData(xml.data(), xml.size(),
                                                QVHighScoreService::service().getKnownResources());
    ASSERT_TRUE(series);
    Ref<QVAbridgedHighScore> score(dynamic_cast<QVAbridgedHighScore*>(series->objects().at(0).get()));
    ASSERT_TRUE(score);
    EXPECT_EQ(score->score(), 1234567890123);
    EXPECT_EQ(score->displayText(), "1234567890123");
    EXPECT_EQ(score->userId(), "17");
    EXPECT_FALSE(score->userName());
    EXPECT_EQ(score->userGamerScore(), 350u);

    server.route("GET", "pictures/17.png", standin::Answer::xml("<not-an-image/>"));
    EXPECT_TRUE(score->getProfilePicture());
    ASSERT_TRUE(waitFor([&] { return watcher->calls.size() == 1; }));
    EXPECT_EQ(watcher->calls.back(), "failed");
    EXPECT_FALSE(QVImageCache::sharedInstance()->fetch(*score->userProfilePictureUrl()));

    QVImageCache::sharedInstance()->store(platform::Image::imageWithRGBA(1, 1, Bytes { 1, 2, 3, 255 }),
                                          *score->userProfilePictureUrl());
    EXPECT_FALSE(score->getProfilePicture());
    EXPECT_EQ(watcher->calls, (Strings { "failed", "picture" }));
    QVAbridgedHighScore::setDelegate(nullptr);
    QVImageCache::shutdownCache();
}
