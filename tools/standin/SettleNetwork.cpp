// The network's quiet: the shared transport's transfers against the services'
// answers being made, read between full turns of the main loop.
#include "tools/standin/SettleNetwork.h"

#include "tools/standin/StandInServer.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/HttpTransport.h"

#include <set>
#include <vector>

namespace standin {

Settled networkQuiet(const NetworkParties& parties)
{
    size_t held = 0, answering = 0;
    std::multiset<int> taken;
    for (const StandInServer* service : parties.services) {
        if (!service)
            continue;
        StandInServer::InHand inHand = service->requestsInHand();
        held += inHand.held;
        answering += inHand.answering;
        taken.insert(inHand.ports.begin(), inHand.ports.end());
    }
    size_t channel = parties.channel ? parties.channel->answeringCount() : 0;
    const platform::HttpTransport& transport = platform::HttpTransport::shared();
    const size_t transfers = transport.activeCount();
    const std::vector<int> ports = transport.activeLocalPorts();
    const size_t channelRequests = parties.clientRequests ? parties.clientRequests() : 0;
    size_t busyTransfers = 0;
    if (ports.size() == transfers) {
        // Each request is matched by its connection's port: one a service
        // has taken is in its hands (its answer made or held for the test);
        // one it has not is on its way. So an answer still held for a
        // request the client gave up on stands for none of them.
        for (int port : ports) {
            auto it = port != 0 ? taken.find(port) : taken.end();
            if (it == taken.end())
                ++busyTransfers;
            else
                taken.erase(it);
        }
        // Requests inside the presence channel come on no port of their own.
        const size_t takenInChannel = taken.count(0);
        busyTransfers += channelRequests > takenInChannel ? channelRequests - takenInChannel : 0;
    } else {
        // A held answer is a transfer in flight too, and waits for the test.
        const size_t all = transfers + channelRequests;
        busyTransfers = all > held ? all - held : 0;
    }
    size_t busyAnswers = answering > held ? answering - held : 0;
    // A held answer to a request inside the channel is counted by the channel too.
    size_t busyChannel = channel > held ? channel - held : 0;
    size_t work = parties.clientWork ? parties.clientWork() : 0;
    Settled settled;
    settled.quiet = busyTransfers == 0 && busyAnswers == 0 && busyChannel == 0 && work == 0;
    if (settled.quiet)
        return settled;
    auto part = [&](size_t n, const char* what) {
        if (n == 0)
            return;
        settled.inFlight += (settled.inFlight.empty() ? "" : ", ") + std::to_string(n) + " " + what;
    };
    part(busyTransfers, "transfer(s) of the client in flight");
    part(busyAnswers, "answer(s) the service is still making");
    part(busyChannel, "request(s) in the presence channel unanswered");
    part(work, "piece(s) of the client's own work under way");
    if (held)
        settled.inFlight += " (besides " + std::to_string(held) + " answer(s) held by the test)";
    return settled;
}

Settled settleNetwork(const NetworkParties& parties, double deadline)
{
    platform::RunLoop& loop = platform::RunLoop::main();
    platform::RealClock real;
    const double end = real.now() + deadline;
    for (;;) {
        // Everything due now, an answer's own follow-ups included, before reading the counts.
        loop.drain();
        Settled settled = networkQuiet(parties);
        if (settled || real.now() >= end)
            return settled;
        // Sleeps only until the next socket event or post, at most a twentieth of a second.
        loop.runOnce(0.05);
    }
}

bool waitSteppingClock(const NetworkParties& parties, const std::function<bool()>& done, const SteppedWait& how)
{
    constexpr double kStep = 0.1;
    platform::RunLoop& loop = platform::RunLoop::main();
    const double start = loop.now();
    platform::RealClock real;
    const double end = real.now() + how.deadline;
    for (;;) {
        loop.drain();
        if (networkQuiet(parties)) {
            if (loop.now() - start >= how.clockBound)
                return false;
            if (how.step)
                how.step(kStep);
            else
                loop.advance(kStep);
        } else {
            if (real.now() >= end)
                return false;
            loop.runOnce(0.05);
        }
        if (how.turn)
            how.turn();
        if (done())
            return true;
    }
}

namespace {

size_t requestsMade(const NetworkParties& parties)
{
    size_t n = 0;
    for (const StandInServer* service : parties.services)
        if (service)
            n += service->requestCount();
    return n;
}

} // namespace

Settled settleAtRest(const NetworkParties& parties, const std::function<void(double)>& step, int quietSteps,
                     double deadline)
{
    constexpr double kStep = 0.25;
    constexpr int kMaxSteps = 240;
    Settled settled = settleNetwork(parties, deadline);
    size_t seen = requestsMade(parties);
    for (int quiet = 0, steps = 0; settled && quiet < quietSteps && steps < kMaxSteps; ++steps) {
        step(kStep);
        settled = settleNetwork(parties, deadline);
        size_t now = requestsMade(parties);
        quiet = now == seen ? quiet + 1 : 0;
        seen = now;
    }
    return settled;
}

} // namespace standin
