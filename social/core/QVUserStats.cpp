// Usage statistics: counted in the user defaults, durations measured on the
// main loop's clock and truncated to whole seconds.
#include "social/core/QVUserStats.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"

namespace quorvel {

namespace {

constexpr const char* kGameSessions = "QuorvelUserStatNumberOfGameSessions";
constexpr const char* kOnlineGameSessions = "QuorvelUserStatNumberOfOnlineGameSessions";
constexpr const char* kGameSessionsDuration = "QuorvelUserStatTotalGameSessionsDuration";
constexpr const char* kDashboardLaunches = "QuorvelUserStatNumberOfDashboardLaunches";
constexpr const char* kDashboardDuration = "QuorvelUserStatTotalDashboardDuration";

platform::UserDefaults& defaults() { return platform::UserDefaults::standardUserDefaults(); }
double now() { return platform::RunLoop::main().now(); }
int read(const char* key) { return static_cast<int>(defaults().integerForKey(key)); }
void write(const char* key, int value) { defaults().setInteger(key, value); }
void add(const char* key, int amount) { write(key, read(key) + amount); }
int wholeSecondsSince(double start) { return static_cast<int>(now() - start); }

} // namespace

void QVUserStats::intiailizeUserStats()
{
    sessionStart_ = now();
    dashboardLaunchTime_.reset();
}

void QVUserStats::sessionClosed()
{
    // Without a session start (no start-up in this process) there is no duration to add.
    if (sessionStart_)
        incrementTotalGameSessionsDurationBy(wholeSecondsSince(*sessionStart_));
    defaults().synchronize();
}

void QVUserStats::dashboardLaunched()
{
    // Only the running client measures; the count goes up in any case.
    if (running())
        dashboardLaunchTime_ = now();
    incrementNumberOfDashboardLaunches();
}

void QVUserStats::dashboardClosed()
{
    if (!dashboardLaunchTime_)
        return;
    incrementTotalDashboardDurationBy(wholeSecondsSince(*dashboardLaunchTime_));
    dashboardLaunchTime_.reset();
}

int QVUserStats::numberOfGameSessions() { return read(kGameSessions); }
void QVUserStats::setNumberOfGameSessions(int value) { write(kGameSessions, value); }
void QVUserStats::incrementNumberOfGameSessions() { add(kGameSessions, 1); }
int QVUserStats::numberOfOnlineGameSessions() { return read(kOnlineGameSessions); }
void QVUserStats::setNumberOfOnlineGameSessions(int value) { write(kOnlineGameSessions, value); }
void QVUserStats::incrementNumberOfOnlineGameSessions() { add(kOnlineGameSessions, 1); }
int QVUserStats::totalGameSessionsDuration() { return read(kGameSessionsDuration); }
void QVUserStats::setTotalGameSessionsDuration(int seconds) { write(kGameSessionsDuration, seconds); }
void QVUserStats::incrementTotalGameSessionsDurationBy(int seconds) { add(kGameSessionsDuration, seconds); }
int QVUserStats::numberOfDashboardLaunches() { return read(kDashboardLaunches); }
void QVUserStats::setNumberOfDashboardLaunches(int value) { write(kDashboardLaunches, value); }
void QVUserStats::incrementNumberOfDashboardLaunches() { add(kDashboardLaunches, 1); }
int QVUserStats::totalDashboardDuration() { return read(kDashboardDuration); }
void QVUserStats::setTotalDashboardDuration(int seconds) { write(kDashboardDuration, seconds); }
void QVUserStats::incrementTotalDashboardDurationBy(int seconds) { add(kDashboardDuration, seconds); }

void QVUserStats::getUserStatsParams(QVHttpNestedQueryStringWriter& params)
{
    const std::pair<const char*, int> stats[] = {
        { "[user_stats]total_dashboard_duration", totalDashboardDuration() },
        { "[user_stats]total_dashboard_launches", numberOfDashboardLaunches() },
        { "[user_stats]total_game_session_duration", totalGameSessionsDuration() },
        { "[user_stats]total_game_sessions", numberOfGameSessions() },
        { "[user_stats]total_online_game_sessions", numberOfOnlineGameSessions() },
    };
    for (auto& [name, value] : stats) {
        std::string text = platform::format("%d", value);
        params.io(name, text);
    }
}

} // namespace quorvel
