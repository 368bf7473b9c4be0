// Score blobs end to end: the data a game attaches to a high score goes to the
// service's storage host once the score's batch is answered, and a player who
// taps the score's data button in the leaderboard hands it back to the game.
#include "DashboardEndToEndSupport.h"

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
        ASSERT_GT(storage.start(0), 0);
        delegates->setQuorvelDelegate(&blobGame);
    }
    void TearDown() override
    {
        // The host keeps its objects in the state: it stops before the state goes.
        storage.stop();
        DashboardEndToEndTest::TearDown();
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

} // namespace
