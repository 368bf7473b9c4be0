// Presence end to end: a service whose login answer enables presence gets the
// client's channel once the player is logged in, and from then on every
// signed request inside it — the game's scores and unlocks, the dashboard's
// lists and pages — answered by the same handlers as over HTTP. The channel
// cut mid-run, or sent a frame whose length lies, fails what it carried once;
// the client goes on over HTTP and opens the channel again later.
#include "DamagingProxy.h"
#include "DashboardEndToEndSupport.h"

#include "support/NetTestSupport.h"

#include "social/runtime/QVPresenceService.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVHighScoreService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;

namespace {

class PresenceEndToEnd : public DashboardEndToEndTest {
protected:
    PresenceEndToEnd() { presence = true; }
    void SetUp() override
    {
        DashboardEndToEndTest::SetUp();
        // The channel reaches the stand-in through a proxy that can send the client frames of its own.
        ASSERT_GT(channelProxy.start(serviceAddress(), channelPort), 0);
        writeSettingsFile("<presence-host>" + serviceAddress() + ":" + std::to_string(channelProxy.port())
                          + "</presence-host>");
    }

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
    DamagingProxy channelProxy;
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

TEST_F(PresenceEndToEnd, ACutChannelOrAFrameWhoseLengthLiesFailsWhatItCarriedOnceAndTheClientGoesOnOverHttp)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    const std::string path = "users/" + std::to_string(StandInState::kRivalUser) + "/following.xml";
    auto follow = [](net_testing::CallbackRecorder& r) {
        QVFriendsService::makeLocalUserFollow(std::to_string(StandInState::kRivalUser), r.onSuccess(), r.onFailure());
    };
    // A MESSAGE whose content-length no body can have: nothing after it could be read.
    auto lying = [](const std::string& length) {
        return "MESSAGE\ndestination:/queue/presence\ncontent-length:" + length + "\n\n<resources/>" + std::string(1, '\0');
    };
    struct Cut {
        const char* what;
        std::function<void()> cut;
    };
    const std::vector<Cut> cuts {
        { "the service cuts the channel", [&] { channel->dropConnections(); } },
        { "a length of -1", [&] { channelProxy.sendToClients(lying("-1")); } },
        { "a length no 64 bits hold", [&] { channelProxy.sendToClients(lying("18446744073709551615")); } },
        { "a length that is no plain number", [&] { channelProxy.sendToClients(lying("12abc")); } },
        { "a length above what the channel takes", [&] { channelProxy.sendToClients(lying("2097152")); } },
    };
    for (const Cut& c : cuts) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(waitUntil(channelCarriesRequests));
        standin::Answer held = standin::Answer::xml("<users></users>");
        held.hold = true;
        service->script("POST", path, held);
        const size_t asked = serviceRequestsTo(path).size();
        auto recorder = net_testing::CallbackRecorder::create();
        follow(*recorder);
        ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo(path).size() > asked; }));
        c.cut();
        // The cut alone fails it, at once and once, as lost: the clock stands still meanwhile, so no
        // timeout can (the channel's thread may take a while to hear of it on a busy machine), and no
        // reconnection comes.
        const double cutAt = loop().now();
        ASSERT_TRUE(waitFor([&] { return recorder->total() == 1; }));
        EXPECT_EQ(recorder->failures, 1);
        auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(recorder->failureArg.get());
        ASSERT_TRUE(loader && loader->error());
        EXPECT_EQ(loader->error()->code, OAuthAPIRequestLoader::ErrorNetworkConnectionLost);
        EXPECT_EQ(loop().now(), cutAt);
        service->releaseHeld();
        letTimePass(1);
        EXPECT_EQ(recorder->total(), 1) << "the late answer reaches nobody";

        // Until the channel is back, the next request goes over HTTP.
        ASSERT_FALSE(channelCarriesRequests());
        auto next = net_testing::CallbackRecorder::create();
        follow(*next);
        ASSERT_TRUE(waitUntil([&] { return next->total() == 1; }));
        EXPECT_EQ(next->successes, 1);
        auto follows = serviceRequestsTo(path);
        ASSERT_EQ(follows.size(), asked + 2);
        EXPECT_FALSE(follows.back().viaChannel);
    }
    // Open again, the channel carries a request and its answer comes in time.
    ASSERT_TRUE(waitUntil(channelCarriesRequests)) << "the channel opens again";
    auto recorder = net_testing::CallbackRecorder::create();
    const double sentAt = loop().now();
    follow(*recorder);
    ASSERT_TRUE(waitUntil([&] { return recorder->total() == 1; }));
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_LT(loop().now() - sentAt, OAuthAPIRequestLoader::kTimeout);
    EXPECT_TRUE(serviceRequestsTo(path).back().viaChannel);
}

} // namespace
