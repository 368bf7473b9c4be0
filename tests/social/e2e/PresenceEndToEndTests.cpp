// Presence end to end: a service whose login answer enables presence gets the
// client's channel once the player is logged in, and from then on every
// signed request inside it — the game's scores and unlocks, the dashboard's
// lists and pages — answered by the same handlers as over HTTP. The channel
// cut mid-run fails what it carried once; the client goes on over HTTP and
// opens the channel again later.
#include "DashboardEndToEndSupport.h"

#include "support/NetTestSupport.h"

#include "social/runtime/QVPresenceService.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVHighScoreService.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

class PresenceEndToEnd : public DashboardEndToEndTest {
protected:
    PresenceEndToEnd() { presence = true; }

    static bool channelCarriesRequests()
    {
        QVPresenceService* channel = QVPresenceService::sharedInstance();
        return channel && channel->carriesRequests();
    }
    // The signed requests the service took from the `from`th entry of its log on.
    std::vector<standin::LoggedRequest> signedRequestsSince(size_t from) const
    {
        std::vector<standin::LoggedRequest> out;
        auto all = service->requests();
        for (size_t i = from; i < all.size(); ++i)
            if (all[i].signed_)
                out.push_back(all[i]);
        return out;
    }
};

TEST_F(PresenceEndToEnd, AfterTheLoginScoresUnlocksAndTheDashboardsPagesTravelInsideTheChannel)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    ASSERT_TRUE(waitUntil(channelCarriesRequests));
    // The login's answer named the player's queue: the channel asked for nothing more.
    EXPECT_TRUE(serviceRequestsTo(QVPresenceService::kQueuePath).empty());
    auto subscribed = [&] {
        for (auto& f : channel->frames())
            if (f.command == "SUBSCRIBE" && f.headers["destination"] == "/queue/presence." + std::to_string(player))
                return true;
        return false;
    };
    // The client counts the channel open once it has sent its SUBSCRIBE; the stand-in reads it on
    // its own thread, perhaps a moment later.
    EXPECT_TRUE(waitUntil(subscribed));
    const size_t from = service->requestCount();

    QVHighScoreService::setHighScore(1234, std::to_string(StandInState::kNormalLeaderboard), {}, {});
    QVAchievement::achievement(std::to_string(StandInState::kFirstStepsAchievement))->updateProgressionComplete(100, false);
    ASSERT_TRUE(waitUntil([&] { return !state->scores().empty() && !state->unlocks().empty(); }));
    openDashboard();
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForText("Normal")) << screenText();
    ASSERT_TRUE(tapText("Normal"));
    ASSERT_TRUE(waitForText("1234")) << screenText();

    auto sent = signedRequestsSince(from);
    ASSERT_GE(sent.size(), 4u); // the score, the unlock, the leaderboards and the high scores at least
    for (auto& r : sent) {
        EXPECT_TRUE(r.viaChannel) << r.method << " " << r.path;
        EXPECT_TRUE(r.signatureValid) << r.path << ": " << r.signatureFailure;
    }
    auto kept = state->scores();
    EXPECT_TRUE(std::any_of(kept.begin(), kept.end(), [&](auto& s) { return s.userId == player && s.score == 1234; }));
}

TEST_F(PresenceEndToEnd, ACutChannelFailsWhatItCarriedOnceAndTheClientGoesOnOverHttp)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    ASSERT_TRUE(waitUntil(channelCarriesRequests));
    const std::string path = "users/" + std::to_string(StandInState::kRivalUser) + "/following.xml";
    standin::Answer held = standin::Answer::xml("<users></users>");
    held.hold = true;
    service->script("POST", path, held);
    auto recorder = net_testing::CallbackRecorder::create();
    QVFriendsService::makeLocalUserFollow(std::to_string(StandInState::kRivalUser), recorder->onSuccess(),
                                          recorder->onFailure());
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo(path).empty(); }));
    channel->dropConnections();
    // The cut alone fails it: the clock stands still meanwhile, so no timeout can (the channel's
    // thread may take a while to hear of the cut on a busy machine), and no reconnection comes.
    const double cutAt = loop().now();
    ASSERT_TRUE(waitFor([&] { return recorder->total() == 1; }));
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(loop().now(), cutAt);
    service->releaseHeld();
    letTimePass(1);
    EXPECT_EQ(recorder->total(), 1) << "the late answer reaches nobody";

    // Until the channel is back, the next request goes over HTTP.
    ASSERT_FALSE(channelCarriesRequests());
    QVFriendsService::makeLocalUserFollow(std::to_string(StandInState::kRivalUser), recorder->onSuccess(),
                                          recorder->onFailure());
    ASSERT_TRUE(waitUntil([&] { return recorder->total() == 2; }));
    EXPECT_EQ(recorder->failures, 1);
    auto follows = serviceRequestsTo(path);
    ASSERT_EQ(follows.size(), 2u);
    EXPECT_FALSE(follows[1].viaChannel);
    ASSERT_TRUE(waitUntil(channelCarriesRequests)) << "the channel opens again";
}

} // namespace
