// QVUserStats: the usage statistics — game sessions, online game sessions and
// dashboard launches with their durations — counted in the user defaults and
// sent with every bootstrap request. The counters answer with or without a
// running client; the running client's session start and dashboard launch are
// measured on the main loop's clock and add whole seconds.
#pragma once

#include "social/core/QVClientPart.h"

#include <optional>

namespace quorvel {

class QVHttpNestedQueryStringWriter;

class QVUserStats final : public QVClientPart {
public:
    explicit QVUserStats(Quorvel& client)
        : QVClientPart(client)
    {
    }

    // The session starts (at start-up).
    void intiailizeUserStats();
    // Adds the session's duration (none without a start-up) and writes the defaults.
    void sessionClosed();
    void dashboardLaunched();
    // Adds the time since the launch; nothing without one.
    void dashboardClosed();

    int numberOfGameSessions();
    void setNumberOfGameSessions(int value);
    void incrementNumberOfGameSessions();
    int numberOfOnlineGameSessions();
    void setNumberOfOnlineGameSessions(int value);
    void incrementNumberOfOnlineGameSessions();
    int totalGameSessionsDuration();
    void setTotalGameSessionsDuration(int seconds);
    void incrementTotalGameSessionsDurationBy(int seconds);
    // One more second of game session.
    void _incrementSessionTime() { incrementTotalGameSessionsDurationBy(1); }
    int numberOfDashboardLaunches();
    void setNumberOfDashboardLaunches(int value);
    void incrementNumberOfDashboardLaunches();
    int totalDashboardDuration();
    void setTotalDashboardDuration(int seconds);
    void incrementTotalDashboardDurationBy(int seconds);

    // Writes the five "[user_stats]" parameters of the bootstrap request.
    void getUserStatsParams(QVHttpNestedQueryStringWriter& params);

private:
    // In seconds of the main loop's clock.
    std::optional<double> sessionStart_;
    std::optional<double> dashboardLaunchTime_;
};

} // namespace quorvel
