// Usage statistics: counts and durations on the main loop's clock, kept in
// the user defaults and sent with the bootstrap request.
#include "QuorvelTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using namespace core_testing;

namespace {

class QuorvelUserStatsTest : public QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        QuorvelInternal::options().setUserApprovedQuorvel();
        // The player has seen the link-networks offer: its screen would count as a dashboard launch.
        QuorvelInternal::options().setDoneWithGetTheMost(true);
    }
    std::vector<std::pair<std::string, std::string>> statsParams(const standin::LoggedRequest& r)
    {
        std::vector<std::pair<std::string, std::string>> out;
        for (auto& [name, value] : r.params)
            if (name.rfind("[user_stats]", 0) == 0)
                out.emplace_back(name, value);
        return out;
    }
};

TEST_F(QuorvelUserStatsTest, FreshInstallationSendsFiveZeroes)
{
    startClient();
    ASSERT_TRUE(waitForBootstrapRequests());
    auto params = statsParams(requestsTo("bootstrap.xml")[0]);
    EXPECT_EQ(params, (std::vector<std::pair<std::string, std::string>> {
                          { "[user_stats]total_dashboard_duration", "0" },
                          { "[user_stats]total_dashboard_launches", "0" },
                          { "[user_stats]total_game_session_duration", "0" },
                          { "[user_stats]total_game_sessions", "0" },
                          { "[user_stats]total_online_game_sessions", "0" },
                      }));
    // The offline store's sync dates follow the statistics.
    standin::Params all = requestsTo("bootstrap.xml")[0].params;
    auto last = std::find_if(all.begin(), all.end(),
                             [](auto& p) { return p.first == "[user_stats]total_online_game_sessions"; });
    ASSERT_GE(std::distance(last, all.end()), 3);
    EXPECT_EQ((last + 1)->first, "achievements_sync_date");
    EXPECT_EQ((last + 2)->first, "leaderboards_sync_date");
}

TEST_F(QuorvelUserStatsTest, DurationsAreWholeSecondsOnTheLoopClock)
{
    startClient();
    ASSERT_TRUE(waitForBootstrapRequests()); // nothing in flight while the clock moves
    // A dashboard closed without being launched changes nothing.
    QuorvelInternal::stats().dashboardClosed();
    EXPECT_EQ(QuorvelInternal::stats().totalDashboardDuration(), 0);

    QuorvelInternal::stats().dashboardLaunched();
    advance(2.9);
    QuorvelInternal::stats().dashboardClosed();
    QuorvelInternal::stats().dashboardClosed();
    EXPECT_EQ(QuorvelInternal::stats().numberOfDashboardLaunches(), 1);
    EXPECT_EQ(QuorvelInternal::stats().totalDashboardDuration(), 2);

    QuorvelInternal::stats().incrementNumberOfGameSessions();
    QuorvelInternal::stats().incrementNumberOfOnlineGameSessions();
    QuorvelInternal::stats().incrementNumberOfOnlineGameSessions();
    advance(60.5);
    Quorvel::shutdown(); // closes the session: 63.4 s in all
    reloadUserDefaults();
    EXPECT_EQ(QuorvelInternal::stats().totalGameSessionsDuration(), 63);

    // The next process sends what the last one counted.
    startClient();
    ASSERT_TRUE(waitForBootstrapRequests(2));
    auto params = statsParams(requestsTo("bootstrap.xml").back());
    EXPECT_EQ(params, (std::vector<std::pair<std::string, std::string>> {
                          { "[user_stats]total_dashboard_duration", "2" },
                          { "[user_stats]total_dashboard_launches", "1" },
                          { "[user_stats]total_game_session_duration", "63" },
                          // the first process's login counted one of each too
                          { "[user_stats]total_game_sessions", "2" },
                          { "[user_stats]total_online_game_sessions", "3" },
                      }));
}

TEST_F(QuorvelUserStatsTest, TheSessionTimeGrowsASecondAtATime)
{
    QuorvelInternal::stats().setTotalGameSessionsDuration(41);
    QuorvelInternal::stats()._incrementSessionTime();
    QuorvelInternal::stats()._incrementSessionTime();
    EXPECT_EQ(QuorvelInternal::stats().totalGameSessionsDuration(), 43);
}

TEST_F(QuorvelUserStatsTest, ShutdownWithoutStartupAddsNoSessionTime)
{
    QuorvelInternal::stats().setTotalGameSessionsDuration(10);
    advance(100);
    Quorvel::shutdown();
    EXPECT_EQ(QuorvelInternal::stats().totalGameSessionsDuration(), 10);
}

} // namespace
