// Work the client spreads over main-loop turns, so that none of its turns
// holds a frame of the game: a long job (reading a large answer, writing
// thousands of rows) does a share for at most kQVTurnBudget seconds of the
// real clock, then leaves the rest to the next turn, which comes after the
// game's frame and whatever else is due.
//
// The next turn is a timer of no delay on the main run loop: on a manual
// clock (tests) it runs at the loop's next turn without the clock moving.
// The work keeps what it needs alive itself, and checks when it runs that
// what it works for is still there.
#pragma once

#include <chrono>
#include <functional>

namespace quorvel {

// A turn's share of a long job, in seconds: a quarter of a 60 Hz frame.
constexpr double kQVTurnBudget = 0.004;

// The time a job has had in this turn, from when the budget was made.
class QVTurnBudget {
public:
    explicit QVTurnBudget(double seconds = kQVTurnBudget) : seconds_(seconds) { }
    bool spent() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count() >= seconds_;
    }

private:
    std::chrono::steady_clock::time_point start_ { std::chrono::steady_clock::now() };
    double seconds_;
};

// Runs `work` at the main loop's next turn.
void QVNextTurn(std::function<void()> work);

} // namespace quorvel
