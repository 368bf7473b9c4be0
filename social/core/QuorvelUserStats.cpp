// Usage statistics: game sessions, online game sessions and dashboard
// launches with their durations, counted in the user defaults and sent with
// every bootstrap request. Durations are measured on the main loop's clock
// and truncated to whole seconds.
#include "social/core/QuorvelInternal.h"

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

void QuorvelInternal::intiailizeUserStats()
{
    sessionStart = now();
    dashboardLaunchTime.reset();
}

void QuorvelInternal::releaseUserStatsDates()
{
    sessionStart.reset();
    dashboardLaunchTime.reset();
}

void QuorvelInternal::sessionClosed()
{
    // Without a session start (no start-up in this process) there is no duration to add.
    if (sessionStart)
        QuorvelInternal::incrementTotalGameSessionsDurationBy(wholeSecondsSince(*sessionStart));
    defaults().synchronize();
}

void QuorvelInternal::dashboardLaunched()
{
    dashboardLaunchTime = now();
    QuorvelInternal::incrementNumberOfDashboardLaunches();
}

void QuorvelInternal::dashboardClosed()
{
    if (!dashboardLaunchTime)
        return;
    QuorvelInternal::incrementTotalDashboardDurationBy(wholeSecondsSince(*dashboardLaunchTime));
    dashboardLaunchTime.reset();
}

int QuorvelInternal::numberOfGameSessions() { return read(kGameSessions); }
void QuorvelInternal::setNumberOfGameSessions(int value) { write(kGameSessions, value); }
void QuorvelInternal::incrementNumberOfGameSessions() { add(kGameSessions, 1); }
int QuorvelInternal::numberOfOnlineGameSessions() { return read(kOnlineGameSessions); }
void QuorvelInternal::setNumberOfOnlineGameSessions(int value) { write(kOnlineGameSessions, value); }
void QuorvelInternal::incrementNumberOfOnlineGameSessions() { add(kOnlineGameSessions, 1); }
int QuorvelInternal::totalGameSessionsDuration() { return read(kGameSessionsDuration); }
void QuorvelInternal::setTotalGameSessionsDuration(int seconds) { write(kGameSessionsDuration, seconds); }
void QuorvelInternal::incrementTotalGameSessionsDurationBy(int seconds) { add(kGameSessionsDuration, seconds); }
int QuorvelInternal::numberOfDashboardLaunches() { return read(kDashboardLaunches); }
void QuorvelInternal::setNumberOfDashboardLaunches(int value) { write(kDashboardLaunches, value); }
void QuorvelInternal::incrementNumberOfDashboardLaunches() { add(kDashboardLaunches, 1); }
int QuorvelInternal::totalDashboardDuration() { return read(kDashboardDuration); }
void QuorvelInternal::setTotalDashboardDuration(int seconds) { write(kDashboardDuration, seconds); }
void QuorvelInternal::incrementTotalDashboardDurationBy(int seconds) { add(kDashboardDuration, seconds); }

void Quorvel::_incrementSessionTime() { QuorvelInternal::incrementTotalGameSessionsDurationBy(1); }

void QuorvelInternal::getUserStatsParams(QVHttpNestedQueryStringWriter& params)
{
    const std::pair<const char*, int> stats[] = {
        { "[user_stats]total_dashboard_duration", QuorvelInternal::totalDashboardDuration() },
        { "[user_stats]total_dashboard_launches", QuorvelInternal::numberOfDashboardLaunches() },
        { "[user_stats]total_game_session_duration", QuorvelInternal::totalGameSessionsDuration() },
        { "[user_stats]total_game_sessions", QuorvelInternal::numberOfGameSessions() },
        { "[user_stats]total_online_game_sessions", QuorvelInternal::numberOfOnlineGameSessions() },
    };
    for (auto& [name, value] : stats) {
        std::string text = platform::format("%d", value);
        params.io(name, text);
    }
}

} // namespace quorvel
