// Challenges end to end: a challenge a rival sent is listed, opened and
// started, handing the game its data, and the game's result is kept by the
// service, which the completed screen then shows.
#include "EndToEndTestSupport.h"

#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeService.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

class ChallengeGame final : public QVChallengeDelegate {
public:
    bool respondsTo(Message) const override { return true; }
    void userLaunchedChallenge(platform::Object* challengeToUser, const std::optional<platform::Bytes>& data) override
    {
        launched = dynamic_cast<QVChallengeToUser*>(challengeToUser);
        launchedData = data;
        calls.push_back("launched");
    }
    void userSentChallenges() override { calls.push_back("sent"); }
    void sendChallengeScreenClosed() override { calls.push_back("sendClosed"); }
    void completedChallengeScreenClosed() override { calls.push_back("completedClosed"); }
    platform::Ref<QVChallengeToUser> launched;
    std::optional<platform::Bytes> launchedData;
    std::vector<std::string> calls;
};

// Receives a request's answer.
class PageWatcher final : public platform::Object {
public:
    static platform::Ref<PageWatcher> create() { return platform::adoptRef(new PageWatcher); }
    void succeeded(platform::Object*) { done = true; }
    void failedWith(platform::Object*) { done = failed = true; }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(PageWatcher, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(PageWatcher, failedWith)); }
    bool done { false }, failed { false };
};

class ChallengesEndToEnd : public EndToEndTest {
protected:
    void SetUp() override
    {
        EndToEndTest::SetUp();
        delegates->setChallengeDelegate(&challengeGame);
    }
    ChallengeGame challengeGame;
};

bool requested(const std::vector<standin::LoggedRequest>& log, const std::string& prefix)
{
    return std::any_of(log.begin(), log.end(), [&](auto& r) { return r.path.rfind(prefix, 0) == 0; });
}

TEST_F(ChallengesEndToEnd, AReceivedChallengeIsListedOpenedStartedAndItsResultKept)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    ASSERT_GT(state->addChallenge(StandInState::kRivalUser, 51, "Beat my lap", "Try this", player), 0);

    openDashboard();
    ASSERT_TRUE(tapText("Challenges"));
    ASSERT_TRUE(waitForText("From Rival"));
    EXPECT_TRUE(shows("Pending Challenges"));
    EXPECT_TRUE(shows("Try this"));
    ASSERT_TRUE(tapText("Fastest Lap"));
    ASSERT_TRUE(waitForScreen("QVChallengeDetailController"));
    ASSERT_TRUE(waitForText("Beat my lap"));
    EXPECT_TRUE(shows("Challenge not completed yet."));

    // Starting it hands the challenge and its data to the game and closes the dashboard.
    ASSERT_TRUE(tap("Start Challenge"));
    ASSERT_TRUE(waitUntil([&] { return challengeGame.launched && !QuorvelInternal::isShowingFullScreen(); }));
    EXPECT_EQ(challengeGame.calls, (std::vector<std::string> { "launched" }));
    EXPECT_TRUE(requested(service->requests(), "challenges/"));

    // The game reports the result; the service keeps it and the player sees it.
    auto answered = PageWatcher::create();
    QVChallengeService::submitChallengeResult(challengeGame.launched->resourceId(), 1, "You won", answered->onSuccess(),
                                              answered->onFailure());
    ASSERT_TRUE(waitUntil([&] { return answered->done; }));
    EXPECT_FALSE(answered->failed);
    ASSERT_EQ(state->challengesTo(player).size(), 1u);
    EXPECT_EQ(state->challengesTo(player)[0].result, "win");
    QVChallengeService::displayChallengeCompletedModal(*challengeGame.launched, platform::Bytes { 4, 5 }, "You won",
                                                       "Beat this");
    ASSERT_TRUE(waitForScreen("QVCompletedChallengeHeaderController"));
    EXPECT_TRUE(shows("You won"));
}

} // namespace
