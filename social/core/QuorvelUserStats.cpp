// Usage statistics: game sessions, online game sessions and dashboard
// launches with their durations, counted in the user defaults and sent with
// every bootstrap request. Durations are measured on the main loop's clock
// and truncated to whole seconds.
#include "social/core/Quorvel.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/UserDefaults.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"

#include <optional>

namespace quorvel {

namespace {

constexpr const char* kGameSessions = "QuorvelUserStatNumberOfGameSessions";
constexpr const char* kOnlineGameSessions = "QuorvelUserStatNumberOfOnlineGameSessions";
constexpr const char* kGameSessionsDuration = "QuorvelUserStatTotalGameSessionsDuration";
constexpr const char* kDashboardLaunches = "QuorvelUserStatNumberOfDashboardLaunches";
constexpr const char* kDashboardDuration = "QuorvelUserStatTotalDashboardDuration";

// The session start and the dashboard's launch time, in seconds of the main loop's clock.
std::optional<double> sessionStart;
std::optional<double> dashboardLaunchTime;

platform::UserDefaults& defaults() { return platform::UserDefaults::standardUserDefaults(); }
double now() { return platform::RunLoop::main().now(); }
int read(const char* key) { return static_cast<int>(defaults().integerForKey(key)); }
void write(const char* key, int value) { defaults().setInteger(key, value); }
void add(const char* key, int amount) { write(key, read(key) + amount); }
int wholeSecondsSince(double start) { return static_cast<int>(now() - start); }

} // namespace

void Quorvel::intiailizeUserStats()
{
    sessionStart = now();
    dashboardLaunchTime.reset();
}

void Quorvel::releaseUserStatsDates()
{
    sessionStart.reset();
    dashboardLaunchTime.reset();
}

void Quorvel::sessionClosed()
{
    // Without a session start (no start-up in this process) there is no duration to add.
    if (sessionStart)
        incrementTotalGameSessionsDurationBy(wholeSecondsSince(*sessionStart));
    defaults().synchronize();
}

void Quorvel::dashboardLaunched()
{
    dashboardLaunchTime = now();
    incrementNumberOfDashboardLaunches();
}

void Quorvel::dashboardClosed()
{
    if (!dashboardLaunchTime)
        return;
    incrementTotalDashboardDurationBy(wholeSecondsSince(*dashboardLaunchTime));
    dashboardLaunchTime.reset();
}

int Quorvel::numberOfGameSessions() { return read(kGameSessions); }
void Quorvel::setNumberOfGameSessions(int value) { write(kGameSessions, value); }
void Quorvel::incrementNumberOfGameSessions() { add(kGameSessions, 1); }
int Quorvel::numberOfOnlineGameSessions() { return read(kOnlineGameSessions); }
void Quorvel::setNumberOfOnlineGameSessions(int value) { write(kOnlineGameSessions, value); }
void Quorvel::incrementNumberOfOnlineGameSessions() { add(kOnlineGameSessions, 1); }
int Quorvel::totalGameSessionsDuration() { return read(kGameSessionsDuration); }
void Quorvel::setTotalGameSessionsDuration(int seconds) { write(kGameSessionsDuration, seconds); }
void Quorvel::incrementTotalGameSessionsDurationBy(int seconds) { add(kGameSessionsDuration, seconds); }
int Quorvel::numberOfDashboardLaunches() { return read(kDashboardLaunches); }
void Quorvel::setNumberOfDashboardLaunches(int value) { write(kDashboardLaunches, value); }
void Quorvel::incrementNumberOfDashboardLaunches() { add(kDashboardLaunches, 1); }
int Quorvel::totalDashboardDuration() { return read(kDashboardDuration); }
void Quorvel::setTotalDashboardDuration(int seconds) { write(kDashboardDuration, seconds); }
void Quorvel::incrementTotalDashboardDurationBy(int seconds) { add(kDashboardDuration, seconds); }

void Quorvel::_incrementSessionTime() { incrementTotalGameSessionsDurationBy(1); }

void Quorvel::getUserStatsParams(QVHttpNestedQueryStringWriter& params)
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
