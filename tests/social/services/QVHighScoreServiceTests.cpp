// Score submission against the stand-in service: scores taken offline and
// sent after the login, the 0.05-s coalescing of scores taken online, the
// batch parameters, the Game Center mirror and its dates, and batches that
// must not be sent.
#include "social/services/HighScoreServiceFixture.h"

#include "social/services/QVGameCenterHighScore.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboard.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVScoreLimits.h"
#include "social/services/OfflineStoreTestSupport.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

using namespace quorvel;
using highscore_testing::paramValues;
using net_testing::CallbackRecorder;
using platform::Ref;
using platform::gamekit::GameCenter;
using platform::gamekit::ScriptedGameCenter;
using Strings = std::vector<std::string>;

namespace {

using highscore_testing::HighScoreServiceTest;

TEST_F(HighScoreServiceTest, AnOfflineScoreIsKeptShownAtOnceAndSentInOneBatchAfterTheLogin)
{
    facade.onlineFlag = false;
    QVHighScoreService::setHighScore(100, "5", recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->successes, 1) << "the verdict arrives before the call returns";
    // Texts go whole, a NUL inside them included.
    using namespace std::string_literals;
    QVHighScoreService::setHighScoreWithCustomData(300, "9\0 laps"s, "lap\0two"s, "6", false, recorder->onSuccess(),
                                                   recorder->onFailure());
    EXPECT_EQ(facade.shownNotices, (Strings { "New high score! Saving locally.", "New high score! Saving locally." }));
    ASSERT_EQ(facade.allNotices.size(), 2u);
    EXPECT_EQ(facade.allNotices[0].imageName, "HighScoreNotificationIcon.png");
    EXPECT_EQ(facade.allNotices[0].category, 4);
    EXPECT_EQ(facade.allNotices[0].type, 4);
    advance(1.0);
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(rows("SELECT leaderboard_id, score FROM high_scores WHERE server_sync_at IS NULL ORDER BY score"),
              (Strings { "5|100", "6|300" }));

    // The login: the offline service's pending-data step sends them.
    facade.onlineFlag = true;
    QVOfflineService::service().sendPendingData("42");
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    auto log = server.requests();
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].path, "client_applications/@me/high_scores.xml");
    EXPECT_EQ(paramValues(log[0], "high_scores[][leaderboard_id]"), (Strings { "5", "6" }));
    EXPECT_EQ(paramValues(log[0], "high_scores[][score]"), (Strings { "100", "300" }));
    EXPECT_EQ(paramValues(log[0], "high_scores[][display_text]"), Strings { "9\0 laps"s });
    EXPECT_EQ(paramValues(log[0], "high_scores[][custom_data]"), Strings { "lap\0two"s });
    ASSERT_TRUE(waitFor([&] {
        return rows("SELECT COUNT(*) FROM high_scores WHERE server_sync_at IS NULL") == Strings { "0" };
    }));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM high_scores"), Strings { "2" });
}

TEST_F(HighScoreServiceTest, ARepeatedScoreLeavesTheWaitingBestWaiting)
{
    // Offline: the best waits; the same score again changes nothing.
    facade.onlineFlag = false;
    QVHighScoreService::setHighScoreWithDisplayText(100, std::string("first"), "5", {}, {});
    QVHighScoreService::setHighScore(100, "5", recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_EQ(rows("SELECT score, display_text FROM high_scores WHERE server_sync_at IS NULL"), Strings { "100|first" });

    // Online, the batch fails: the best still waits, and so after the same score again.
    facade.onlineFlag = true;
    server.script("POST", QVHighScoreService::kBatchPath, standin::Answer::xml("<error/>", 500));
    platform::LogCapture logged;
    QVHighScoreService::setHighScore(70, "6", {}, {});
    advance(0.1);
    // The service has the batch before the client has its answer: wait for the answer.
    ASSERT_TRUE(waitFor([&] { return logged.contains("the score 70 on leaderboard 6 did not reach the service"); }));
    EXPECT_EQ(server.requestCount(), 1u);
    QVHighScoreService::setHighScore(70, "6", {}, {});
    EXPECT_EQ(pendingScores(), 0u);
    EXPECT_EQ(rows("SELECT leaderboard_id, score FROM high_scores WHERE server_sync_at IS NULL ORDER BY leaderboard_id"),
              (Strings { "5|100", "6|70" }));

    // The next login sends both once.
    server.clearLog();
    QVOfflineService::service().sendPendingData("42");
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    auto log = server.requests();
    EXPECT_EQ(paramValues(log[0], "high_scores[][leaderboard_id]"), (Strings { "5", "6" }));
    EXPECT_EQ(paramValues(log[0], "high_scores[][score]"), (Strings { "100", "70" }));
    EXPECT_EQ(paramValues(log[0], "high_scores[][display_text]"), Strings { "first" });
}

TEST_F(HighScoreServiceTest, AScoreTheServerKeptThoughItsAnswerWasLostIsNotSentAgain)
{
    standin::Answer lost = standin::Answer::xml(std::string(200, ' '));
    lost.truncateAfter = 10;
    server.script("POST", QVHighScoreService::kBatchPath, lost);
    QVHighScoreBatch batch { QVHighScoreBatchEntry::create("5", 500) };
    QVHighScoreService::batchSetHighScores(batch, true, recorder->onSuccess(), recorder->onFailure(), std::nullopt,
                                           false);
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(rows("SELECT score FROM high_scores WHERE server_sync_at IS NULL"), Strings { "500" });

    // The next login's list reports that score as the player's best: nothing is left to send.
    auto best = QVLeaderboard_Sync::create();
    best->setResourceId("5");
    best->setActive("1");
    best->setVisible("1");
    best->setDescendingSortOrder("1");
    best->setScore("500");
    ASSERT_TRUE(QVLeaderboardService::synchLeaderboardsList({ best }, {}, std::string("42"), true));
    server.clearLog();
    EXPECT_FALSE(QVHighScoreService::sendPendingHighScores("42", true, {}, {}));
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u);
}

// What is on its way is the player's who sent it: another player's equal
// score on its way holds nothing back. And a batch whose request is cancelled
// says so: its scores, which the service may have kept, no longer count as on
// their way and go after the player's next login, once its list of bests is in.
TEST_F(HighScoreServiceTest, WhatIsOnItsWayIsThePlayersAndACancelledBatchLetsItsScoresGoAfterTheNextLogin)
{
    platform::LogCapture log;
    server.holdAnswersTo(QVHighScoreService::kBatchPath);
    QVHighScoreService::setHighScore(100, "5", {}, {});
    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return server.heldCount() == 1; }));

    // Another player on the device, whose equal score waits in the store.
    facade.local = highscore_testing::player("43");
    QVHighScoreService::localSetHighScore(100, "5", "43", std::nullopt, std::nullopt, std::nullopt, std::nullopt, false,
                                          nullptr, true);
    ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("43", true, {}, {})) << "the other player's is not this one";
    ASSERT_TRUE(waitFor([&] { return server.heldCount() == 2; }));

    // The first player's batch is cancelled, unanswered (the player leaves).
    facade.local = highscore_testing::player("42");
    provider->destroyAllPendingRequests();
    loop().drain();
    EXPECT_TRUE(log.contains("a batch of 1 score(s) was cancelled before the service answered it"))
        << testing::PrintToString(log.texts());
    EXPECT_FALSE(QVHighScoreService::sendPendingHighScores("42", true, {}, {})) << "it waits for the list of bests";
    server.stopHolding();
    server.clearLog();
    QVHighScoreService::bestsListed("42");
    ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, {}, {}));
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    EXPECT_EQ(paramValues(server.requests()[0], "high_scores[][score]"), Strings { "100" });
}

TEST_F(HighScoreServiceTest, SendingPendingScoresRunsTheCallersSuccessAndRefusesInvalidUsers)
{
    facade.onlineFlag = false;
    QVHighScoreService::setHighScore(100, "5", {}, {});
    facade.onlineFlag = true;
    EXPECT_FALSE(QVHighScoreService::sendPendingHighScores("Invalid", true, recorder->onSuccess(), {}));
    EXPECT_FALSE(QVHighScoreService::sendPendingHighScores("0", true, recorder->onSuccess(), {}));
    EXPECT_FALSE(QVHighScoreService::sendPendingHighScores("4x2", true, recorder->onSuccess(), {}));
    ASSERT_TRUE(QVHighScoreService::sendPendingHighScores("42", true, recorder->onSuccess(), recorder->onFailure()));
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_EQ(recorder->successArg, nullptr);
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(HighScoreServiceTest, ScoresTakenOnlineWithinTheDelayGoOutAsOnePostAfterTheLast)
{
    QVHighScoreService::setHighScore(10, "5", recorder->onSuccess(), recorder->onFailure());
    advance(0.01);
    QVHighScoreService::setHighScore(20, "6", recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->successes, 2);
    advance(0.045);
    EXPECT_EQ(pendingScores(), 2u) << "never sent before 0.05 s after the last score";
    advance(0.01);
    EXPECT_EQ(pendingScores(), 0u);
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    auto request = server.requests()[0];
    EXPECT_EQ(paramValues(request, "high_scores[][leaderboard_id]"), (Strings { "5", "6" }));
    EXPECT_EQ(paramValues(request, "high_scores[][score]"), (Strings { "10", "20" }));
    EXPECT_EQ(paramValues(request, "high_scores[][has_blob]"), (Strings { "0", "0" }));
    EXPECT_FALSE(request.hasParam("high_scores[][gamecenter_timestamp]"));
    EXPECT_FALSE(request.hasParam("num_elements"));
    EXPECT_EQ(facade.defaultNotices, (Strings { "New high score!", "New high score!" }));
    EXPECT_TRUE(facade.shownNotices.empty());
}

TEST_F(HighScoreServiceTest, TheFirstLoginSignedInToGameCenterCopiesTheLocalBestsThere)
{
    testing_support::TempDir resources;
    std::string oldResources = platform::Bundle::main().resourcePath();
    platform::Bundle::main().setResourcePath(resources.path());
    platform::ValueDictionary boards { { "5", "gc.five" } };
    resources.write("QVGameCenter.plist",
                    *platform::writePropertyList(platform::Value(platform::ValueDictionary { { "Leaderboards", boards } })));
    auto gc = signedInGameCenter();
    facade.synchedWithGameCenter = false;
    facade.location = std::make_pair(51.5, -0.25);
    // Two bests the server already has, and one pending score elsewhere.
    QVHighScoreService::localSetHighScore(40, "5", "42", std::nullopt, platform::dateNow(), false);
    QVHighScoreService::localSetHighScore(30, "5", "42", std::nullopt, platform::dateNow(), false);
    facade.onlineFlag = false;
    QVHighScoreService::setHighScore(60, "6", {}, {});
    facade.onlineFlag = true;

    QVHighScoreService::sendPendingHighScores("42", true, {}, {});
    EXPECT_TRUE(facade.synchedWithGameCenter);
    ASSERT_EQ(gc->reports.size(), 2u);
    EXPECT_EQ(gc->reports[0].value, 40);
    EXPECT_EQ(gc->reports[1].value, 30);
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 2; }));
    auto log = server.requests();
    std::sort(log.begin(), log.end(), [](const auto& a, const auto& b) {
        return a.param("high_scores[][leaderboard_id]") < b.param("high_scores[][leaderboard_id]");
    });
    EXPECT_EQ(paramValues(log[0], "high_scores[][score]"), (Strings { "40", "30" }));
    EXPECT_EQ(paramValues(log[1], "high_scores[][score]"), Strings { "60" });
    EXPECT_EQ(log[1].param("lat"), "51.500000");
    EXPECT_EQ(log[1].param("lng"), "-0.250000");
    platform::Bundle::main().setResourcePath(oldResources);
}

TEST_F(HighScoreServiceTest, NoticesFollowTheSilentAndDeferredFlags)
{
    QVHighScoreService::setHighScoreSilently(10, "5", true, {}, {});
    EXPECT_TRUE(facade.allNotices.empty());
    QVHighScoreService::setHighScoreWithCustomDataDeferred(20, std::nullopt, std::nullopt, "5", false, true, {}, {});
    EXPECT_EQ(facade.defaultNotices, Strings { "New high score! Saving locally." });
    EXPECT_EQ(pendingScores(), 1u) << "a deferred score waits in the store";
}

TEST_F(HighScoreServiceTest, AnOversizedBlobIsQueuedWithoutAPendingUpload)
{
    QVHighScoreService::setHighScoreWithBlob(10, std::nullopt, std::nullopt, platform::Bytes(60000, 7), "5", true,
                                             false, {}, {});
    QVHighScoreService::setHighScoreWithBlob(10, std::nullopt, std::nullopt, platform::Bytes(51200, 7), "6", true,
                                             false, {}, {});
    EXPECT_EQ(pendingScores(), 2u);
    ASSERT_EQ(QVHighScoreService::service().pendingBlobs().size(), 1u);
    EXPECT_EQ(QVHighScoreService::service().pendingBlobs()[0].leaderboardId, "6");
    EXPECT_EQ(rows("SELECT leaderboard_id, length(blob) FROM high_scores ORDER BY leaderboard_id"),
              (Strings { "5|60000", "6|51200" }));
}

// A score refused at once (a board the device does not know) is neither sent
// nor announced: the good score of the same run goes out alone, and the
// warning with its look at the store comes once per board.
TEST_F(HighScoreServiceTest, AScoreRefusedAtOnceIsNeitherSentNorAnnouncedAndTheGoodScoresOfItsRunGo)
{
    platform::LogCapture log;
    QVHighScoreService::setHighScore(1500, "5", recorder->onSuccess(), recorder->onFailure());
    QVHighScoreService::setHighScore(400, "77", recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(facade.defaultNotices, Strings { "New high score!" });
    EXPECT_EQ(pendingScores(), 1u);
    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    EXPECT_EQ(paramValues(server.requests()[0], "high_scores[][leaderboard_id]"), Strings { "5" });
    ASSERT_TRUE(waitFor([&] { return rows("SELECT server_sync_at IS NULL FROM high_scores") == Strings { "0" }; }));

    server.clearLog();
    facade.defaultNotices.clear();
    for (int64_t score : { 400, 401, 402 })
        QVHighScoreService::setHighScore(score, "77", {}, {});
    EXPECT_TRUE(facade.defaultNotices.empty());
    EXPECT_EQ(pendingScores(), 0u);
    advance(0.1);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u);
    const Strings texts = log.texts();
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                            [](const std::string& t) { return t.find("leaderboard 77 was not found: ") != std::string::npos; }),
              1);
}

// The client's calls belong to the main thread: a score from another one is
// an assertion naming the call, before the store or the queue is touched.
TEST_F(HighScoreServiceTest, AScoreFromAnotherThreadIsAnAssertionBeforeAnythingIsTouched)
{
    Strings messages;
    std::thread other([&] {
        auto attempt = [&](const std::function<void()>& call) {
            messages.push_back(testing_support::assertionMessage(call));
        };
        attempt([] {
            QVHighScoreService::setHighScoreWithBlob(10, std::nullopt, std::nullopt, platform::Bytes(10, 1), "5", true,
                                                     false, {}, {});
        });
        attempt([] { QVHighScoreService::setHighScore(20, "6", {}, {}); });
        attempt([] {
            QVHighScoreBatch batch { QVHighScoreBatchEntry::create("5", 30) };
            QVHighScoreService::batchSetHighScores(batch, {}, {}, std::nullopt);
        });
    });
    other.join();
    const std::string offThread = " was called off the main thread; the client's calls are made on the main thread "
                                  "(post it to the main run loop)";
    EXPECT_EQ(messages, (Strings { "QVHighScoreService::setHighScoreWithBlob" + offThread,
                                   "QVHighScoreService::setHighScore" + offThread,
                                   "QVHighScoreService::batchSetHighScores" + offThread }));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM high_scores"), Strings { "0" });
    EXPECT_TRUE(QVHighScoreService::service().pendingBlobs().empty());
    EXPECT_EQ(pendingScores(), 0u);
}

// What the device could never send is refused when it is given, on both
// roads, with its reason: a blob longer than a reader takes back, texts past
// the characters the service keeps (a byte that is no UTF-8 counts as one), a
// leaderboard id that is no decimal number. At each limit the score is kept.
TEST_F(HighScoreServiceTest, AScoreTheServiceCouldNeverTakeIsRefusedWhenGivenWithItsReason)
{
    const platform::Bytes blobTooLong(QVHighScoreService::kMaxBlob + 1, 3);
    auto letters = [](size_t count, const std::string& letter) {
        std::string text;
        for (size_t i = 0; i < count; ++i)
            text += letter;
        return text;
    };
    struct Refused {
        const char* what;
        std::string leaderboardId;
        std::optional<std::string> displayText, customData;
        std::optional<platform::Bytes> blob;
        const char* reason;
    };
    const std::vector<Refused> refusals {
        { "blob", "5", std::nullopt, std::nullopt, blobTooLong,
          "is 1048577 bytes, more than the 1048576 a score's blob may hold (no reader could fetch it back); the score "
          "was not kept" },
        { "display text", "5", letters(1001, "\xC3\xA9"), std::nullopt, std::nullopt,
          "the display text of the score 10 on leaderboard 5 is 1001 characters, more than the 1000 the service "
          "keeps; the score was not kept" },
        { "custom data", "5", std::nullopt, std::string(4001, '\xFF'), std::nullopt,
          "the custom data of the score 10 on leaderboard 5 is 4001 characters, more than the 4000 the service keeps" },
        { "200,000 bytes", "5", std::nullopt, std::string(200000, '%'), std::nullopt,
          "is 200000 characters, more than the 4000" },
        { "id with a blank", "5 ", std::nullopt, std::nullopt, std::nullopt, "was given the leaderboard id \"5 \", which is no leaderboard id" },
        { "id with a point", "5.0", std::nullopt, std::nullopt, std::nullopt, "was given the leaderboard id \"5.0\"" },
    };
    for (bool online : { false, true }) {
        facade.onlineFlag = online;
        for (const Refused& refused : refusals) {
            SCOPED_TRACE(std::string(refused.what) + (online ? " online" : " offline"));
            platform::LogCapture log;
            recorder = CallbackRecorder::create();
            QVHighScoreService::setHighScoreWithBlob(10, refused.displayText, refused.customData, refused.blob,
                                                     refused.leaderboardId, true, false, recorder->onSuccess(),
                                                     recorder->onFailure());
            QVHighScoreBatch batch { QVHighScoreBatchEntry::create(refused.leaderboardId, 20, refused.displayText,
                                                                   refused.customData, refused.blob) };
            EXPECT_FALSE(QVHighScoreService::batchSetHighScores(batch, recorder->onSuccess(), recorder->onFailure(),
                                                                std::nullopt));
            EXPECT_EQ(recorder->failures, 2);
            EXPECT_EQ(recorder->successes, 0);
            EXPECT_TRUE(log.contains(refused.reason)) << testing::PrintToString(log.texts());
            EXPECT_EQ(rows("SELECT COUNT(*) FROM high_scores"), Strings { "0" });
        }
    }
    advance(0.2);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u);

    // At the limits it is kept.
    facade.onlineFlag = false;
    recorder = CallbackRecorder::create();
    QVHighScoreService::setHighScoreWithBlob(10, std::nullopt, std::nullopt,
                                             platform::Bytes(QVHighScoreService::kMaxBlob, 3), "5", true, false,
                                             recorder->onSuccess(), recorder->onFailure());
    QVHighScoreService::setHighScoreWithBlob(20, letters(1000, "\xE2\x82\xAC"), letters(4000, "\xF0\x9F\x8E\xB2"),
                                             std::nullopt, "6", true, false, recorder->onSuccess(),
                                             recorder->onFailure());
    EXPECT_EQ(recorder->successes, 2);
    EXPECT_EQ(rows("SELECT leaderboard_id, length(blob), length(display_text), length(custom_data) FROM high_scores "
                   "ORDER BY 1"),
              (Strings { "5|1048576|NULL|NULL", "6|NULL|1000|4000" }));
}

// A device that cannot keep a store (here a folder past the path SQLite
// opens): the log names the store's path and why, once; a score taken online
// goes straight to the service, on both roads, and the game hears its answer;
// one taken offline is refused, with no word of unknown leaderboards.
TEST_F(HighScoreServiceTest, WithoutAStoreAScoreTakenOnlineGoesStraightToTheService)
{
    QVHighScoreService::shutdownService();
    QVOfflineStore::teardownOfflineDatabase();
    std::string folder = dir.path();
    while (folder.size() < 600)
        folder += "/a-folder-name-of-some-length";
    std::filesystem::create_directories(folder);
    platform::LogCapture log;
    EXPECT_FALSE(QVOfflineStore::openDatabaseAtPath(folder + "/" + QVOfflineStore::kFileName));
    QVOfflineStore::setupOfflineSupport();
    QVHighScoreService::initializeService();
    EXPECT_TRUE(log.contains("the offline store \"" + folder + "/quorvel_offline\" cannot be used (unable to open "
                             "database file: its path is "))
        << testing::PrintToString(log.texts());

    QVHighScoreService::setHighScoreWithDisplayText(100, std::string("1:40"), "5", recorder->onSuccess(),
                                                    recorder->onFailure());
    QVHighScoreBatch batch { QVHighScoreBatchEntry::create("6", 300) };
    QVHighScoreService::batchSetHighScores(batch, recorder->onSuccess(), recorder->onFailure(), std::nullopt);
    EXPECT_EQ(recorder->total(), 0) << "told by the service's answer";
    ASSERT_TRUE(waitFor([&] { return recorder->successes == 2; }));
    Strings sent;
    for (const auto& request : server.requests())
        for (const std::string& text : paramValues(request, "high_scores[][display_text]"))
            sent.push_back(paramValues(request, "high_scores[][leaderboard_id]")[0] + ":" + text);
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(sent, Strings { "5:1:40" });

    facade.onlineFlag = false;
    QVHighScoreService::setHighScore(200, "5", recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_FALSE(log.contains("Definition for leaderboard"));
    EXPECT_EQ(log.count(platform::LogLevel::Error), 1u);
    auto said = log.texts();
    EXPECT_EQ(std::count_if(said.begin(), said.end(),
                            [](const std::string& t) { return t.find("there is no offline store") != std::string::npos; }),
              1);
}

TEST_F(HighScoreServiceTest, AScoreEqualToTheBestWithoutABlobOnlyReachesGameCenter)
{
    auto gc = signedInGameCenter();
    QVHighScoreService::localSetHighScore(50, "5", "42");
    QVHighScoreService::setHighScore(50, "5", recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_EQ(pendingScores(), 0u);
    ASSERT_EQ(gc->reports.size(), 1u);
    EXPECT_EQ(gc->reports[0].id, "gc.five");
    EXPECT_EQ(gc->reports[0].value, 50);
    advance(0.2);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u);

    // A player who declined the service: Game Center once, and the store.
    facade.approved = false;
    QVHighScoreService::setHighScore(70, "5", recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(gc->reports.size(), 2u);
    EXPECT_EQ(rows("SELECT score FROM high_scores ORDER BY score"), (Strings { "50", "70" }));
}

TEST_F(HighScoreServiceTest, APlayerWhoDeclinedTheServiceReportsEachScoreToGameCenterOnce)
{
    auto gc = signedInGameCenter();
    facade.approved = false;
    QVHighScoreService::setHighScore(70, "5", recorder->onSuccess(), recorder->onFailure());
    advance(0.2);
    loop().drain();
    ASSERT_EQ(gc->reports.size(), 1u);
    EXPECT_EQ(gc->reports[0].value, 70);

    QVHighScoreBatch batch { QVHighScoreBatchEntry::create("5", 80) };
    QVHighScoreService::batchSetHighScores(batch, true, {}, {}, std::nullopt, false);
    loop().drain();
    ASSERT_EQ(gc->reports.size(), 2u);
    EXPECT_EQ(gc->reports[1].value, 80);
    EXPECT_EQ(server.requestCount(), 0u) << "the provider drops the service's requests";
    EXPECT_EQ(recorder->successes, 1);

    // A text past the service's bound fails the call on either road, and
    // Game Center, which never sees the text, has the score all the same.
    const std::string tooLong(1001, 't');
    QVHighScoreService::setHighScoreWithDisplayText(90, tooLong, "5", recorder->onSuccess(), recorder->onFailure());
    QVHighScoreBatch long100 { QVHighScoreBatchEntry::create("5", 100, tooLong) };
    QVHighScoreService::batchSetHighScores(long100, true, recorder->onSuccess(), recorder->onFailure(), std::nullopt,
                                           false);
    loop().drain();
    EXPECT_EQ(recorder->failures, 2);
    ASSERT_EQ(gc->reports.size(), 4u);
    EXPECT_EQ(gc->reports[2].value, 90);
    EXPECT_EQ(gc->reports[3].value, 100);
    EXPECT_EQ(rows("SELECT score FROM high_scores ORDER BY score"), (Strings { "70", "80" }));
}

TEST_F(HighScoreServiceTest, RequestNoticesCarryTheirCategoryAndType)
{
    QVHighScoreService::setHighScore(10, "5", {}, {});
    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    QVHighScoreService::getAllHighScoresForLoggedInUser({}, {}, std::nullopt);
    QVLeaderboardService::getLeaderboardsForApplication("", {}, {});
    EXPECT_EQ(facade.categorizedNotices, (Strings { "Submitted High Scores 4/1", "Downloaded High Scores 4/2",
                                                    "Downloaded Leaderboards 5/2" }));
    EXPECT_EQ(facade.notices.size(), 3u) << "a facade without categories still gets the texts";
}

TEST_F(HighScoreServiceTest, OnlyMappedBoardsGoToGameCenterAndCarryItsDate)
{
    auto gc = signedInGameCenter();
    gc->scoreDate = platform::Date { 1700000123.75 };
    QVHighScoreBatch batch { QVHighScoreBatchEntry::create("5", 10), QVHighScoreBatchEntry::create("6", 20) };
    QVHighScoreService::submitHighScoreBatch(batch, true, recorder->onSuccess(), recorder->onFailure(), std::nullopt);
    ASSERT_EQ(gc->reports.size(), 1u);
    EXPECT_EQ(gc->reports[0].value, 10);
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->successes, 1);
    auto request = server.requests().at(0);
    EXPECT_EQ(paramValues(request, "high_scores[][leaderboard_id]"), (Strings { "5", "6" }));
    Strings names;
    for (const auto& [name, value] : request.params)
        if (name.rfind("high_scores", 0) == 0)
            names.push_back(name);
    EXPECT_EQ(names, (Strings { "high_scores[][leaderboard_id]", "high_scores[][score]", "high_scores[][has_blob]",
                                "high_scores[][gamecenter_timestamp]", "high_scores[][leaderboard_id]",
                                "high_scores[][score]", "high_scores[][has_blob]" }));
    EXPECT_EQ(request.param("high_scores[][gamecenter_timestamp]"), "1700000123");
}

TEST_F(HighScoreServiceTest, ABatchWithoutAnyLeaderboardIdFailsWithNullAndSendsNothing)
{
    QVHighScoreBatch batch { QVHighScoreBatchEntry::create("", 10), QVHighScoreBatchEntry::create("", 20),
                             QVHighScoreBatchEntry::create("", 30) };
    EXPECT_FALSE(QVHighScoreService::submitHighScoreBatch(batch, {}, "Submitted High Scores", true,
                                                          recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(recorder->failureArg, nullptr);
    EXPECT_TRUE(batch.empty());
    // Mixed: only the entries with an id go.
    QVHighScoreBatch mixed { QVHighScoreBatchEntry::create("", 1), QVHighScoreBatchEntry::create("", 2),
                             QVHighScoreBatchEntry::create("6", 3) };
    ASSERT_TRUE(QVHighScoreService::submitHighScoreBatch(mixed, {}, "Submitted High Scores", true,
                                                         recorder->onSuccess(), recorder->onFailure()));
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    EXPECT_EQ(paramValues(server.requests()[0], "high_scores[][score]"), Strings { "3" });
}

TEST_F(HighScoreServiceTest, ScoresWithoutALeaderboardAreDroppedBeforeALargeBatchIsCut)
{
    // Cut first, 90 entries would be two pieces, the second of id-less scores only.
    QVHighScoreBatch batch;
    for (int i = 0; i < 10; ++i)
        batch.push_back(QVHighScoreBatchEntry::create(i % 2 ? "5" : "6", 100 + i));
    for (int i = 0; i < 80; ++i)
        batch.push_back(QVHighScoreBatchEntry::create("", i));
    ASSERT_TRUE(QVHighScoreService::batchSetHighScores(batch, true, recorder->onSuccess(), recorder->onFailure(),
                                                       std::nullopt, true));
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->successes, 1) << "every valid score was sent and answered";
    EXPECT_EQ(recorder->failures, 0);
    settleNetwork();
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(paramValues(server.requests()[0], "high_scores[][score]").size(), 10u);
}

TEST_F(HighScoreServiceTest, TheServiceFinalizesTheStoresScoreStatementsWhenItGoes)
{
    facade.onlineFlag = false;
    QVHighScoreService::setHighScore(100, "5", {}, {});
    QVHighScoreStatements& statements = QVOfflineStore::highScoreStatements();
    ASSERT_TRUE(statements.boardRules.isPrepared());
    ASSERT_TRUE(statements.setHighScore[1].isPrepared());
    ASSERT_TRUE(statements.markOthersSynced.isPrepared());
    QVHighScoreService::shutdownService();
    EXPECT_FALSE(statements.boardRules.isPrepared());
    EXPECT_FALSE(statements.setHighScore[1].isPrepared());
    EXPECT_FALSE(statements.markOthersSynced.isPrepared());
}

TEST_F(HighScoreServiceTest, AStoredBatchSkipsScoresTheStoreDoesNotAskFor)
{
    QVHighScoreService::localSetHighScore(50, "5", "42");
    QVHighScoreBatch batch { QVHighScoreBatchEntry::create("5", 40), QVHighScoreBatchEntry::create("6", 60) };
    ASSERT_TRUE(QVHighScoreService::batchSetHighScores(batch, recorder->onSuccess(), recorder->onFailure(),
                                                       std::nullopt));
    ASSERT_EQ(batch.size(), 1u);
    EXPECT_EQ(batch[0]->leaderboardId, "6");
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_EQ(paramValues(server.requests()[0], "high_scores[][score]"), Strings { "60" });
}

TEST_F(HighScoreServiceTest, AGameCenterAnswerAfterTheEndDoesNotCallTheCallerAgain)
{
    auto gc = signedInGameCenter();
    gc->failReports = platform::gamekit::Error { 3, "network" };
    gc->holdReports = true;
    facade.categories["6"] = "gc.six";
    QVHighScoreBatch batch { QVHighScoreBatchEntry::create("5", 10), QVHighScoreBatchEntry::create("6", 20) };
    auto submission = QVGameCenterHighScore::initWithSeries(batch);
    submission->setSilently(true);
    submission->submitOnSuccess(recorder->onSuccess(), recorder->onFailure(), {});
    ASSERT_TRUE(waitFor([&] { return submission->quorvelStatus() == QVGameCenterHighScore::kSucceeded; }));
    EXPECT_EQ(recorder->total(), 0) << "Game Center has not answered yet";
    // The first failed report ends the submission; the second comes after the end.
    gc->releaseHeldReports();
    loop().drain();
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(recorder->successes, 0);
    EXPECT_EQ(submission->gameCenterStatus(), QVGameCenterHighScore::kFailed);
}

// -- the public leaderboard class --------------------------------------------------------

class BoardWatcher : public platform::Object, public QVLeaderboardDelegate {
public:
    void didDownloadHighScores(const std::vector<Ref<platform::Object>>& scores, QVLeaderboard*) override
    {
        for (const auto& o : scores)
            calls.push_back(std::to_string(static_cast<QVHighScore*>(o.get())->score()));
    }
    void didFailDownloadHighScoresQVLeaderboard(QVLeaderboard*) override { calls.push_back("failed"); }
    Strings calls;
};

TEST_F(HighScoreServiceTest, TheLeaderboardClassCarriesThePlayersBestAndSubmitsAndDownloadsScores)
{
    // A board of every version, so the local list shows it.
    auto definition = QVLeaderboard_Sync::create();
    definition->setResourceId("7");
    definition->setName("Distance");
    definition->setActive("1");
    definition->setVisible("1");
    definition->setDescendingSortOrder("1");
    definition->setStartVersion("0000.00.00");
    definition->setEndVersion("9999.99.99");
    ASSERT_TRUE(QVLeaderboardService::synchLeaderboardsList({ definition }, {}, std::nullopt, false));
    auto board = QVLeaderboard::leaderboard("7");
    ASSERT_TRUE(board);
    EXPECT_FALSE(board->highScoreForCurrentUser());

    facade.onlineFlag = false;
    auto forty = QVHighScore::initForSubmissionWithScore(40);
    forty->setDisplayText(std::string("forty"));
    board->submitScore(*forty);
    board->submitScore(*QVHighScore::initForSubmissionWithScore(90));
    Strings local;
    for (const auto& score : board->locallySubmittedScores())
        local.push_back(std::to_string(score->score()) + " " + score->displayText());
    EXPECT_EQ(local, (Strings { "90 90", "40 forty" }));
    ASSERT_TRUE(board->highScoreForCurrentUser());
    EXPECT_EQ(board->highScoreForCurrentUser()->score(), 90);

    // The local list carries the player's best on each board, and so do the player's scores.
    auto boards = QVLeaderboard::leaderboards();
    ASSERT_EQ(boards.size(), 1u);
    ASSERT_TRUE(boards[0]->currentUserScore());
    EXPECT_EQ(boards[0]->currentUserScore()->score(), 90);
    auto mine = QVHighScore::allHighScoresForCurrentUser();
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(static_cast<QVHighScore*>(mine[0].get())->score(), 90);

    // The first page of friends' scores goes to the delegate; the filter is kept.
    facade.onlineFlag = true;
    server.route("GET", QVHighScoreService::kBatchPath, standin::Answer::xml(service_testing::fixture("high_scores_page.xml")));
    auto watcher = platform::adoptRef(new BoardWatcher);
    QVLeaderboard::setDelegate(watcher.get());
    ASSERT_TRUE(board->downloadHighScoresWithFilter(1));
    EXPECT_EQ(board->filter(), 1);
    ASSERT_TRUE(waitFor([&] { return !watcher->calls.empty(); }));
    EXPECT_EQ(watcher->calls, (Strings { "1200", "950" }));
    auto request = server.requests().back();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.param("leaderboard_id"), "7");
    EXPECT_EQ(request.param("page"), "1");
    EXPECT_EQ(request.param("page_size"), "25");
    EXPECT_EQ(request.param("friends_leaderboard"), "1");
    board->downloadHighScoresWithFilter(2);
    ASSERT_TRUE(waitFor([&] { return watcher->calls.size() == 4; }));
    EXPECT_FALSE(server.requests().back().hasParam("friends_leaderboard"));
    QVLeaderboard::setDelegate(nullptr);
}

// -- the public class ------------------------------------------------------------------

class Watcher : public platform::Object, public QVHighScoreDelegate {
public:
    Strings calls;
    void didSubmit(QVHighScore* s) override { calls.push_back("submit " + s->displayText()); }
    void didFailSubmit(QVHighScore*) override { calls.push_back("fail submit"); }
    void didDownloadBlob(QVHighScore*) override { calls.push_back("blob"); }
    void didFailDownloadBlob(QVHighScore*) override { calls.push_back("fail blob"); }
};

TEST_F(HighScoreServiceTest, ThePublicClassReportsTheStoresVerdictAtOnce)
{
    auto watcher = platform::adoptRef(new Watcher);
    QVHighScore::setDelegate(watcher.get());
    auto score = QVHighScore::initForSubmissionWithScore(77);
    score->submitTo(*QVLeaderboard::leaderboard("5"));
    auto lost = QVHighScore::initForSubmissionWithScore(1);
    auto unknown = QVLeaderboard::create();
    unknown->setResourceId("404");
    lost->submitTo(*unknown);
    EXPECT_EQ(watcher->calls, (Strings { "submit 77", "fail submit" }));
    // The display text sent is the decimal score when none was set.
    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return server.requestCount() >= 1; }));
    EXPECT_EQ(paramValues(server.requests()[0], "high_scores[][display_text]").at(0), "77");

    lost->downloadBlob();
    lost->setBlob(platform::Bytes { 1 });
    lost->downloadBlob();
    EXPECT_EQ(watcher->calls, (Strings { "submit 77", "fail submit", "fail blob", "blob" }));
    QVHighScore::setDelegate(nullptr);
}

} // namespace
