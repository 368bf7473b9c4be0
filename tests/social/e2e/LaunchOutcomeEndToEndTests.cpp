// How every launch ends, as the game hears it: whatever the service does
// (missing, refusing the device's account list, failing the login before or
// after the player approved), the game is told exactly once through
// userLoggedIn or offlineUserLoggedIn; a player who declines is told none.
#include "EndToEndTestSupport.h"

#include "platform/foundation/Keychain.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVProvider.h"
#include "social/services/QVHighScoreService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

using namespace quorvel;
using namespace e2e_testing;
using Strings = std::vector<std::string>;

namespace {

class LaunchOutcomeEndToEnd : public EndToEndTest {
protected:
    // A first launch: the player approves, the account screen works and stops on its failure.
    void approveAndReachTheFailure()
    {
        launch();
        ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController"));
        ASSERT_TRUE(tap("Use Quorvel"));
        ASSERT_TRUE(waitForText("Quorvel failed to initialize")) << screenText();
        EXPECT_TRUE(game.calls.empty()) << "told only once the player leaves the screen";
    }
    // The player leaves the failure; the game hears the offline login once, and nothing after.
    void continueAndExpectOneOfflineLogin()
    {
        ASSERT_TRUE(tap("Continue"));
        ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
        EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:" + loggedInUser() }));
        letTimePass(2);
        EXPECT_EQ(game.calls.size(), 1u);
    }
};

TEST_F(LaunchOutcomeEndToEnd, AFirstLaunchWithNoServiceIsAnOfflineLogin)
{
    killService();
    ASSERT_NO_FATAL_FAILURE(approveAndReachTheFailure());
    ASSERT_NO_FATAL_FAILURE(continueAndExpectOneOfflineLogin());
}

TEST_F(LaunchOutcomeEndToEnd, AFirstLaunchWhoseDeviceAccountsAreNotFetchedIsAnOfflineLogin)
{
    standin::Answer cut = standin::Answer::xml("<resources></resources>");
    cut.truncateAfter = 3; // the answer breaks off
    service->script("GET", "users/for_device.xml", cut);
    ASSERT_NO_FATAL_FAILURE(approveAndReachTheFailure());
    EXPECT_TRUE(serviceRequestsTo("bootstrap.xml").empty());
    ASSERT_NO_FATAL_FAILURE(continueAndExpectOneOfflineLogin());
}

TEST_F(LaunchOutcomeEndToEnd, AFirstLaunchWhoseLoginFailsAfterTheApprovalIsAnOfflineLogin)
{
    service->script("POST", "bootstrap.xml", standin::Answer::xml("<errors><error>Down</error></errors>", 500));
    ASSERT_NO_FATAL_FAILURE(approveAndReachTheFailure());
    EXPECT_EQ(serviceRequestsTo("bootstrap.xml").size(), 1u);
    ASSERT_NO_FATAL_FAILURE(continueAndExpectOneOfflineLogin());
}

TEST_F(LaunchOutcomeEndToEnd, ALaterLaunchWhoseLoginFailsIsAnOfflineLoginOfTheLastPlayer)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    quit();
    game.calls.clear();
    for (bool serviceUp : { false, true }) {
        SCOPED_TRACE(serviceUp ? "the service refuses the login" : "no service");
        if (serviceUp)
            service->script("POST", "bootstrap.xml", standin::Answer::xml("<errors><error>Down</error></errors>", 500));
        else
            killService();
        launch();
        ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
        letTimePass(2);
        EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:" + std::to_string(player) }));
        quit();
        game.calls.clear();
        if (!serviceUp)
            startService();
    }
}

// A token kept on the device whose secret is another login's (two copies of
// the game that stored their logins at once, a kill between two writes): the
// service refuses the login it signs, and the launch forgets the token and
// logs in with the game's key, once: the game hears an online login and what
// waited on the device goes out; the pair kept afterwards belongs together.
TEST_F(LaunchOutcomeEndToEnd, ALaunchWhoseKeptTokenIsCutFromItsSecretLogsInAgainWithTheGamesKey)
{
    const int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    const std::string normal = std::to_string(standin::StandInState::kNormalLeaderboard);
    quit();
    killService();
    launch();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    QVHighScoreService::setHighScore(4200, normal, {}, {});
    quit();
    // Another login's secret beside this one's token.
    ASSERT_TRUE(platform::Keychain::set(QVProvider::kKeychainService, QVProvider::kTokenSecretAccount, "secret-of-another-login"));
    startService();
    game.calls.clear();
    platform::LogCapture log;
    launch();
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty() && kept("SELECT COUNT(*) FROM high_scores WHERE score = 4200") == "1"; }))
        << testing::PrintToString(game.calls);
    letTimePass(2);
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + std::to_string(player) }));
    EXPECT_TRUE(log.contains("the token is forgotten and the login asked again with the game's key"))
        << testing::PrintToString(log.texts());
    EXPECT_FALSE(log.contains("refused the product key or secret")) << "the key was never in question";
    auto bootstraps = serviceRequestsTo("bootstrap.xml");
    ASSERT_EQ(bootstraps.size(), 2u);
    EXPECT_NE(bootstraps[0].oauthToken, "");
    EXPECT_EQ(bootstraps[1].oauthToken, "");
    auto pair = platform::Keychain::getMany(QVProvider::kKeychainService, { QVProvider::kTokenAccount, QVProvider::kTokenSecretAccount });
    ASSERT_TRUE(pair[0] && pair[1]);
    EXPECT_EQ(kept("SELECT secret FROM tokens WHERE token = '" + *pair[0] + "'"), *pair[1]);
}

// A device whose clock is an hour off: the service refuses the login's
// timestamp and says so (timestamp_refused). The launch tells it as the clock,
// not as the key or the token: the token kept on the device stays, the login
// is not asked again with the game's key, and the game hears an offline login.
// With the clock right, the next login goes with the kept token.
TEST_F(LaunchOutcomeEndToEnd, ALoginStampedAnHourOffIsRefusedAsTheClockAndTheKeptTokenStays)
{
    const int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    quit();
    const std::vector<std::string> pair { QVProvider::kTokenAccount, QVProvider::kTokenSecretAccount };
    const auto keptPair = platform::Keychain::getMany(QVProvider::kKeychainService, pair);
    ASSERT_TRUE(keptPair[0] && keptPair[1]);
    const size_t before = serviceRequestsTo("bootstrap.xml").size();
    service->setClockOffset(std::chrono::hours(1));
    game.calls.clear();
    {
        platform::LogCapture log;
        launch();
        ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); }));
        letTimePass(2);
        EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:" + std::to_string(player) }));
        EXPECT_TRUE(log.contains("refused the request's timestamp (HTTP 401, timestamp_refused): the device's clock is "
                                 "off"))
            << testing::PrintToString(log.texts());
        EXPECT_FALSE(log.contains("refused the product key or secret"));
        EXPECT_FALSE(log.contains("the token is forgotten"));
    }
    auto bootstraps = serviceRequestsTo("bootstrap.xml");
    ASSERT_EQ(bootstraps.size(), before + 1) << "asked again with the game's key";
    EXPECT_EQ(bootstraps.back().oauthToken, *keptPair[0]);
    EXPECT_EQ(bootstraps.back().oauthProblem, "timestamp_refused");
    EXPECT_TRUE(QuorvelInternal::session().provider()->isAuthenticated());
    EXPECT_EQ(platform::Keychain::getMany(QVProvider::kKeychainService, pair), keptPair);

    service->setClockOffset(std::chrono::seconds(0));
    game.calls.clear();
    Quorvel::applicationDidBecomeActive();
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); }));
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + std::to_string(player) }));
    bootstraps = serviceRequestsTo("bootstrap.xml");
    ASSERT_EQ(bootstraps.size(), before + 2);
    EXPECT_EQ(bootstraps.back().oauthToken, *keptPair[0]);
    EXPECT_TRUE(bootstraps.back().signatureValid);
    EXPECT_TRUE(Quorvel::isOnline());
}

// A game that logs the player out as soon as it hears of the login: what the
// login asked for on the way (the announcements) is not sent for the player
// who left, and nobody is told to restart.
TEST_F(LaunchOutcomeEndToEnd, AGameThatLogsOutWhenToldOfTheLoginIsNotToldToRestart)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    std::string player;
    game.whenLoggedIn = [&](const std::string& id) {
        player = id;
        Quorvel::logoutUser();
    };
    launch();
    ASSERT_TRUE(waitUntil([&] { return game.calls.size() == 2; }));
    letTimePass(2);
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + player, "userLoggedOut:" + player }));
    EXPECT_EQ(std::count(notices.begin(), notices.end(), "Unable to login to Quorvel. Restart to try again."), 0)
        << testing::PrintToString(notices);
    EXPECT_TRUE(serviceRequestsTo("client_applications/321/forums/announcements.xml").empty());
}

// The game opens the dashboard on a first launch, before its first login has
// answered: nothing tells the player to restart; the log says why nothing
// shows yet, and the dashboard opens once the login ends.
TEST_F(LaunchOutcomeEndToEnd, ADashboardAskedForDuringTheFirstLoginOpensWhenItEnds)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    service->holdAnswersTo("bootstrap.xml");
    launch();
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo("bootstrap.xml").empty() && service->heldCount() > 0; }));
    platform::LogCapture log;
    Quorvel::launchDashboard();
    letTimePass(0.5);
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_TRUE(notices.empty()) << testing::PrintToString(notices);
    EXPECT_TRUE(log.contains("the dashboard opens once the login on its way ends: the device has no player yet"))
        << testing::PrintToString(log.texts());

    service->stopHolding();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::hub().isDashboardHubOpen(); })) << screenText();
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + loggedInUser() }));
    EXPECT_TRUE(Quorvel::isOnline());
}

} // namespace
