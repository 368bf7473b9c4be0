// Waiting for a client and the stand-in to be done with each other, for the
// tests and the programs that run the client against it: the main run loop
// turns, its clock left where it is, until the shared HTTP transport has no
// transfer in flight and no service is still making an answer. Both are read
// after the loop has run everything that was due, so a request that an
// answer starts counts before the quiet does. Answers a test holds on purpose
// (holdAnswersTo, Answer::hold) are quiet: they wait for the test, not the
// other way round. The client's requests are told apart by their
// connection's port, so an answer held for one it gave up on hides no other.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace standin {

class StandInServer;
class StompStandIn;

struct Settled {
    bool quiet { false };
    // What was still in flight when the wait gave up ("" when quiet).
    std::string inFlight;
    explicit operator bool() const { return quiet; }
};

struct NetworkParties {
    std::vector<const StandInServer*> services; // null entries (a service that is down) are skipped
    const StompStandIn* channel { nullptr };    // requests inside the presence channel
    // The client's requests in flight outside the shared transport (those
    // it sent inside the presence channel), when it has such a road.
    std::function<size_t()> clientRequests {};
    // Work of the client's own whose outcome decides what it sends or shows
    // next (no answer the service holds stands for it: it is always busy).
    std::function<size_t()> clientWork {};
};

// Whether everything is quiet now (without turning the loop), else what is busy.
Settled networkQuiet(const NetworkParties& parties);
// Turns the main loop until networkQuiet() holds, or until `deadline` real
// seconds have passed: a bound for a hung client or service, never a pace.
Settled settleNetwork(const NetworkParties& parties, double deadline);

// Turns the main loop until done() holds, calling `turn` after each turn (to
// show the client's screens, say). Each turn while the network is quiet moves
// the clock on through `step` (the caller's way of moving it) by a tenth of a
// second; while something is in flight the clock stays. So the clock reads
// the same when done() holds on any machine, however late the answers come.
// False once `clockBound` seconds of the clock, or `deadline` real ones, have
// passed.
struct SteppedWait {
    std::function<void(double seconds)> step;
    std::function<void()> turn;
    double clockBound { 120 };
    double deadline { 120 };
};
bool waitSteppingClock(const NetworkParties& parties, const std::function<bool()>& done, const SteppedWait& how);

// Brings a screen whose loads start one another (a list, then its pictures,
// then what a timer asks for) to rest: the network settles, then the clock
// moves on through `step` a quarter of a second at a time, the network
// settling after each, until `quietSteps` steps in a row made no request of
// the services (at most 240 steps). Answers what a settle left in flight.
Settled settleAtRest(const NetworkParties& parties, const std::function<void(double seconds)>& step, int quietSteps,
                     double deadline);

} // namespace standin
