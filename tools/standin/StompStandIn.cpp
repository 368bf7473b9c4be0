// The STOMP 1.0 stand-in of the presence channel: one thread polls the
// listening socket and every connection, reads frames and writes what each
// connection has to send, so an idle or slow client costs a buffer and a
// descriptor, never a thread. Requests inside the channel are handed to the
// HTTP server's workers, a few of a connection's at a time, whose answers
// come back to the polling thread as MESSAGE frames on the asking
// connection's own subscription; what each connection holds counts against
// the channel's budget. Tests drive it
// from their own thread; what they ask of the connections runs on the
// polling thread and is waited for.
#include "tools/standin/StandInHttp.h"
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInXml.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <future>

namespace standin {

namespace {

using Clock = std::chrono::steady_clock;

// What a connection may have waiting to be written before it is dropped, and
// the bytes of the frames kept for tests to read (frames()): past them the
// oldest go.
constexpr size_t kOutboxLimit = 4 * kStompFrameLimit;
constexpr size_t kKeptFramesBudget = 16 * 1024 * 1024;
constexpr size_t kReadChunk = 64 * 1024;
// What a connection may have waiting for it (its requests and their answers,
// until it has read them) before it is read no further, and what a request
// costs while it is answered besides its frame's bytes (its copies on the way
// to a worker and back, its entry in the log).
constexpr size_t kWaitingPause = kStompFrameLimit / 4;
constexpr size_t kRequestCost = 1024;

// The bytes a request frame holds: its command, headers and body.
size_t requestBytes(const StompStandIn::Frame& f)
{
    size_t bytes = f.command.size() + f.body.size();
    for (auto& [k, v] : f.headers)
        bytes += k.size() + v.size() + 2;
    return bytes;
}

} // namespace

struct StompStandIn::Impl : std::enable_shared_from_this<StompStandIn::Impl> {
    // The polling thread's own.
    struct Connection {
        int fd { -1 };
        std::string peerAddress; // where its requests of the game's key alone take their share
        std::string in;
        std::string out;
        size_t outAt { 0 };
        uint64_t queued { 0 };  // bytes ever queued
        uint64_t written { 0 }; // bytes ever written
        std::deque<uint64_t> answerEnds; // where each queued answer to a request ends (in `queued` bytes)
        std::string destination; // what this connection subscribed to
        size_t working { 0 };    // its requests in the workers: their routes have not run yet
        size_t waiting { 0 };    // the bytes its requests not answered yet hold, and their answers once made
        // Of the budget: what `in`, its requests not answered and its answers not written hold.
        http::BodyBudget::Share held;
        bool connected { false }; // CONNECT came
        bool closing { false };   // close once what is queued has gone out
        bool stalled { false };   // frames it sent wait until it takes them again
        uint64_t requestsRead { 0 }; // its requests as they were read, in order
        Clock::time_point opened;
        Clock::time_point lastActive;
        std::optional<Clock::time_point> frameBegan; // a frame still arriving

        bool drained() const { return outAt >= out.size(); }
        size_t unsent() const { return out.size() - outAt; }
        size_t holds() const { return in.size() + waiting + unsent(); }
    };
    // A test's wait for frames to reach every connection they were queued on.
    struct Delivery {
        std::map<uint64_t, uint64_t> until; // connection, bytes written by then
        std::promise<void> done;
    };

    // Set by start() before the polling thread runs, and kept until the
    // next start(), after the thread and its connections have ended.
    Limits limits;
    // Unfinished frames, requests not answered and answers not written, across the connections.
    std::unique_ptr<http::BodyBudget> budget { std::make_unique<http::BodyBudget>(limits.inFlightBudget) };
    int port { 0 };
    http::Wakeup wakeup;
    std::thread thread;

    // Guarded by `mutex`.
    mutable std::mutex mutex;
    bool running { false };
    std::vector<std::function<void()>> tasks; // run on the polling thread
    std::deque<Frame> frames;
    std::deque<size_t> frameSizes;
    size_t frameBytes { 0 };
    int accepted { 0 };
    int sessions { 0 };
    int open { 0 };
    size_t answering { 0 };
    std::weak_ptr<http::RequestSink> server;
    std::function<void(const std::string&)> logSink;

    std::string address { platform::kLoopbackAddress }; // set before the polling thread starts

    // The polling thread's own.
    http::Acceptor acceptor;
    std::map<uint64_t, Connection> connections;
    std::vector<Delivery> deliveries;
    bool readingHeld { false }; // setReading(false)
    uint64_t nextId { 1 };

    ~Impl()
    {
        for (auto& [id, c] : connections)
            ::close(c.fd);
        acceptor.close();
    }

    void wake() { wakeup.wake(); }

    void answered()
    {
        std::lock_guard guard(mutex);
        --answering;
    }

    // Runs `task` on the polling thread; false (not run) once stopped.
    bool post(std::function<void()> task)
    {
        std::lock_guard guard(mutex);
        if (!running)
            return false;
        tasks.push_back(std::move(task));
        wake();
        return true;
    }

    // Runs `task` on the polling thread and waits for it (at once when stopped).
    void runAndWait(const std::function<void()>& task)
    {
        auto done = std::make_shared<std::promise<void>>();
        auto future = done->get_future();
        if (!post([task, done] {
                task();
                done->set_value();
            }))
            return;
        future.wait();
    }

    void log(const std::string& line)
    {
        std::function<void(const std::string&)> sink;
        {
            std::lock_guard guard(mutex);
            sink = logSink;
        }
        if (sink)
            sink(line);
    }

    void record(const Frame& f)
    {
        size_t size = sizeof f + f.command.size() + f.body.size();
        for (auto& [k, v] : f.headers)
            size += k.size() + v.size() + 64;
        std::lock_guard guard(mutex);
        frames.push_back(f);
        frameSizes.push_back(size);
        frameBytes += size;
        while (frameBytes > kKeptFramesBudget && frames.size() > 1) {
            frameBytes -= frameSizes.front();
            frames.pop_front();
            frameSizes.pop_front();
        }
    }

    int listen(int wanted)
    {
        auto [fd, bound] = http::listenOnLoopback(wanted, address);
        // Accepted connections take the listener's buffer.
        if (fd >= 0 && limits.receiveBuffer > 0)
            setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &limits.receiveBuffer, sizeof limits.receiveBuffer);
        acceptor.listener = fd;
        return bound;
    }

    void countOpen()
    {
        std::lock_guard guard(mutex);
        open = static_cast<int>(connections.size());
    }

    void close(uint64_t id)
    {
        auto it = connections.find(id);
        if (it == connections.end())
            return;
        int fd = it->second.fd;
        // Answers queued and not written are done with too.
        for (size_t n = it->second.answerEnds.size(); n > 0; --n)
            answered();
        connections.erase(it);
        // Counted before the peer can see the connection closed.
        countOpen();
        ::close(fd);
    }

    void closeAll()
    {
        std::vector<uint64_t> all;
        for (auto& [id, c] : connections)
            all.push_back(id);
        for (uint64_t id : all)
            close(id);
    }

    // Whether the connection takes frames and is read: not while it has as
    // many requests in the workers as it may (as an HTTP connection has one
    // at a time), nor while too much waits for it (answers made and not yet
    // sent, held or delayed, or sent and not yet read).
    bool taking(const Connection& c) const
    {
        return !c.closing && c.working < limits.requestsAtOnce && c.waiting + c.unsent() <= kWaitingPause
            && !(readingHeld && !c.destination.empty());
    }

    // Its share of the budget follows what it holds now. When the budget has
    // no room, the connection holding the most is closed, and told in the
    // log, until there is room; false when that was this one.
    bool hold(uint64_t id, Connection& c)
    {
        while (!c.held.resize(c.holds())) {
            uint64_t most = id;
            size_t mostBytes = c.holds();
            for (auto& [other, o] : connections)
                if (other != id && o.held.bytes() > mostBytes) {
                    most = other;
                    mostBytes = o.held.bytes();
                }
            log("closed the connection holding the most (" + std::to_string(mostBytes / 1024) + " KiB) of the "
                + std::to_string(budget->limit() / 1024)
                + " KiB the channel holds at once of unfinished frames, requests and unread answers");
            close(most);
            if (most == id)
                return false;
        }
        return true;
    }

    // Gives back what it no longer holds (answers written, frames taken).
    static void release(Connection& c)
    {
        if (c.holds() < c.held.bytes())
            c.held.resize(c.holds());
    }

    // Queues a frame; a connection that does not read what it is sent is dropped.
    void queue(Connection& c, const std::string& frame, bool answer)
    {
        if (c.closing && !answer)
            return;
        if (c.out.size() - c.outAt + frame.size() > kOutboxLimit) {
            if (answer)
                answered();
            c.closing = true;
            c.out.clear();
            c.outAt = 0;
            return;
        }
        c.out += frame;
        c.queued += frame.size();
        if (answer)
            c.answerEnds.push_back(c.queued);
        write(c);
    }

    void write(Connection& c)
    {
        while (!c.drained()) {
            ssize_t n = ::send(c.fd, c.out.data() + c.outAt, c.out.size() - c.outAt, MSG_NOSIGNAL);
            if (n > 0) {
                c.outAt += static_cast<size_t>(n);
                c.written += static_cast<uint64_t>(n);
                c.lastActive = Clock::now();
                while (!c.answerEnds.empty() && c.answerEnds.front() <= c.written) {
                    c.answerEnds.pop_front();
                    answered();
                }
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            } else {
                c.closing = true; // gone: nothing more can reach it
                c.out.clear();
                c.outAt = 0;
                break;
            }
        }
        if (c.drained()) {
            c.out.clear();
            c.outAt = 0;
        }
        release(c);
    }

    // What a request holds of its connection's share until its answer goes
    // out: its frame and cost, then its answer too once made. Only the
    // polling thread reads or changes it.
    struct Held {
        size_t request { 0 };
        size_t answer { 0 };
        bool delivered { false };
    };

    // An answer a worker handed back, for the connection that asked.
    void deliver(uint64_t id, const std::string& frame, Held& held)
    {
        held.delivered = true;
        auto it = connections.find(id);
        if (it != connections.end())
            it->second.waiting -= std::min(held.request + held.answer, it->second.waiting);
        if (it == connections.end() || (it->second.closing && it->second.out.empty())) {
            answered();
            return;
        }
        queue(it->second, frame, true);
        hold(id, it->second);
    }

    // A request left the workers: the connection may take another. Its
    // answer, when it waits to go (held or delayed), counts from now on.
    void worked(uint64_t id, Held& held, size_t answerBytes)
    {
        auto it = connections.find(id);
        if (it == connections.end())
            return;
        auto& c = it->second;
        if (c.working > 0)
            --c.working;
        if (!held.delivered) {
            held.answer = answerBytes;
            c.waiting += answerBytes;
            hold(id, c);
        }
    }

    // Hands a request frame to the HTTP server's workers; its answer goes
    // back as a MESSAGE on this connection's subscription with the same
    // correlation id.
    void request(uint64_t id, Connection& c, const Frame& f)
    {
        auto held = std::make_shared<Held>();
        held->request = requestBytes(f) + kRequestCost;
        c.waiting += held->request;
        ++c.working;
        std::shared_ptr<http::RequestSink> sink;
        {
            std::lock_guard guard(mutex);
            ++answering;
            sink = server.lock();
        }
        std::weak_ptr<Impl> self = shared_from_this();
        std::string destination = c.destination, correlation = f.header("correlation-id");
        http::Reply reply = [self, id, destination, correlation, held](http::Response r) {
            auto impl = self.lock();
            if (!impl)
                return;
            if (r.truncateAfter > 0) {
                // An answer cut short: inside the channel, the channel itself is cut.
                std::weak_ptr<Impl> weak = impl;
                if (!impl->post([weak, id] {
                        if (auto again = weak.lock()) {
                            again->close(id);
                            again->answered();
                        }
                    }))
                    impl->answered();
                return;
            }
            std::string frame = channelAnswer(destination, correlation, std::move(r));
            std::weak_ptr<Impl> weak = impl;
            if (!impl->post([weak, id, frame = std::move(frame), held] {
                    if (auto again = weak.lock())
                        again->deliver(id, frame, *held);
                }))
                impl->answered();
        };
        auto handled = [self, id, held](size_t answerBytes) {
            if (auto impl = self.lock())
                impl->post([self, id, held, answerBytes] {
                    if (auto again = self.lock())
                        again->worked(id, *held, answerBytes);
                });
        };
        http::Request inside;
        ++c.requestsRead;
        if (sink) {
            inside = channelRequest(f, sink->host());
            inside.peerAddress = c.peerAddress;
            inside.headers.emplace_back(kChannelPlaceHeader, std::to_string(id) + " " + std::to_string(c.requestsRead)
                                                                 + " " + http::loggable(correlation, 40));
        }
        if (sink && sink->take(std::move(inside), reply, handled))
            return;
        --c.working; // it never reached the workers
        reply(http::Response { 503, "application/xml; charset=utf-8", xml::errorBody("No service behind the channel"), 0, 0 });
    }

    // Serves the frames the connection has read, as many as it takes now;
    // false when it was closed to make room in the budget.
    bool serveFrames(uint64_t id, Connection& c)
    {
        std::string refusal;
        while (taking(c) && !c.in.empty() && refusal.empty()) {
            auto received = takeStompFrames(c.in, &refusal, limits.requestsAtOnce - c.working);
            for (auto& f : received) {
                if (c.closing)
                    break;
                record(f);
                // A session begins with CONNECT: nothing is acted on before it.
                if (!c.connected && f.command != "CONNECT" && f.command != "STOMP") {
                    queue(c, makeStompFrame("ERROR", { { "message", "not connected" } },
                                            "A " + f.command.substr(0, 40) + " frame came before CONNECT.\n"),
                          false);
                    refusal = "a " + f.command.substr(0, 40) + " frame came before CONNECT";
                    c.closing = true;
                    break;
                }
                if (f.command == "CONNECT" || f.command == "STOMP") {
                    c.connected = true;
                    std::string session;
                    {
                        std::lock_guard guard(mutex);
                        session = "session-" + std::to_string(++sessions);
                    }
                    queue(c, makeStompFrame("CONNECTED", { { "session", session } }), false);
                } else if (f.command == "SUBSCRIBE") {
                    c.destination = f.header("destination");
                } else if (f.command == "SEND" && f.header("destination") == kRequestDestination) {
                    request(id, c, f);
                } else if (f.command == "DISCONNECT") {
                    c.closing = true;
                }
            }
            if (received.empty())
                break; // what is left is a frame still arriving
        }
        if (!refusal.empty()) {
            log("refused a frame and closed its connection: " + http::loggable(refusal));
            c.closing = true;
        }
        if (c.closing)
            c.in.clear();
        c.stalled = !c.in.empty() && !c.closing && !taking(c);
        // A frame still arriving must arrive whole in time; newlines between frames start none.
        if (c.in.empty())
            c.frameBegan.reset();
        else if (!c.frameBegan)
            c.frameBegan = Clock::now();
        return hold(id, c);
    }

    // Connections whose frames waited serve them once they take frames again:
    // their requests have left the workers, or their answers were read.
    void resumeStalled()
    {
        std::vector<uint64_t> ready;
        for (auto& [id, c] : connections)
            if (c.stalled && taking(c))
                ready.push_back(id);
        for (uint64_t id : ready)
            if (auto it = connections.find(id); it != connections.end()) {
                it->second.frameBegan = Clock::now(); // what waited is the service's doing, not the client's
                serveFrames(id, it->second);
            }
    }

    void receive(uint64_t id, Connection& c)
    {
        char buffer[kReadChunk];
        for (int round = 0; round < 16 && taking(c); ++round) {
            ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                c.in.append(buffer, static_cast<size_t>(n));
                c.lastActive = Clock::now();
                if (!hold(id, c) || !serveFrames(id, c))
                    return; // closed to make room
                if (static_cast<size_t>(n) < sizeof buffer)
                    break;
            } else if (n == 0) {
                c.closing = true; // what is queued still goes out, then it closes
                c.in.clear();
                release(c);
            } else if (errno == EINTR) {
                continue;
            } else {
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    close(id);
                return;
            }
        }
    }

    // Under descriptor pressure or at the cap the connection idle longest
    // makes room (a presence channel is idle by nature), else the one whose
    // frame began arriving longest ago.
    bool makeRoom()
    {
        auto idle = connections.end(), unfinished = connections.end();
        for (auto it = connections.begin(); it != connections.end(); ++it) {
            auto& c = it->second;
            if (!c.drained() || c.closing)
                continue;
            if (!c.frameBegan) {
                if (idle == connections.end() || c.lastActive < idle->second.lastActive)
                    idle = it;
            } else if (unfinished == connections.end() || *c.frameBegan < *unfinished->second.frameBegan) {
                unfinished = it;
            }
        }
        auto chosen = idle != connections.end() ? idle : unfinished;
        if (chosen == connections.end())
            return false;
        close(chosen->first);
        return true;
    }

    void acceptAll()
    {
        acceptor.acceptAll([this] { return connections.size() >= limits.maxConnections; }, [this] { return makeRoom(); },
                           [this](int fd) {
                               auto& c = connections[nextId++];
                               c.held = http::BodyBudget::Share(budget.get());
                               c.fd = fd;
                               c.peerAddress = http::peerAddress(fd);
                               c.opened = c.lastActive = Clock::now();
                               std::lock_guard guard(mutex);
                               ++accepted;
                               open = static_cast<int>(connections.size());
                           });
    }

    // Closes connections that did not say CONNECT in time, whose frame did
    // not arrive whole in time (while the channel took its frames), or that
    // took nothing of what they were sent.
    Clock::time_point sweep(Clock::time_point now)
    {
        Clock::time_point next = now + limits.readTimeout;
        std::vector<uint64_t> late;
        for (auto& [id, c] : connections) {
            std::optional<Clock::time_point> since;
            if (!c.drained())
                since = c.lastActive;
            else if (c.frameBegan && !c.stalled)
                since = c.frameBegan;
            else if (!c.connected)
                since = c.opened;
            if (c.closing && c.drained())
                late.push_back(id);
            else if (since && *since + limits.readTimeout <= now)
                late.push_back(id);
            else if (since)
                next = std::min(next, *since + limits.readTimeout);
        }
        for (uint64_t id : late)
            close(id);
        return next;
    }

    void checkDeliveries()
    {
        for (auto it = deliveries.begin(); it != deliveries.end();) {
            bool done = std::all_of(it->until.begin(), it->until.end(), [this](auto& entry) {
                auto c = connections.find(entry.first);
                return c == connections.end() || c->second.written >= entry.second || c->second.closing;
            });
            if (done) {
                it->done.set_value();
                it = deliveries.erase(it);
            } else {
                ++it;
            }
        }
    }

    void run()
    {
        std::vector<pollfd> fds;
        std::vector<uint64_t> ids;
        std::vector<std::function<void()>> due;
        for (;;) {
            Clock::time_point now = Clock::now();
            Clock::time_point next = sweep(now);
            resumeStalled();
            checkDeliveries();
            fds.clear();
            ids.clear();
            fds.push_back({ wakeup.fd(), POLLIN, 0 });
            fds.push_back({ acceptor.pollable(now, next), POLLIN, 0 });
            for (auto& [id, c] : connections) {
                short events = static_cast<short>((taking(c) ? POLLIN : 0) | (c.drained() ? 0 : POLLOUT));
                fds.push_back({ c.fd, events, 0 });
                ids.push_back(id);
            }
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count() + 1;
            ::poll(fds.data(), fds.size(), static_cast<int>(std::clamp<long long>(wait, 0, 60000)));
            if (fds[0].revents & POLLIN)
                wakeup.drain();
            bool stopping = false;
            {
                std::lock_guard guard(mutex);
                stopping = !running;
                due.swap(tasks);
            }
            // A task someone waits for runs, even on the way out.
            for (auto& task : due)
                task();
            due.clear();
            if (stopping)
                break;
            if (fds[1].fd >= 0 && fds[1].fd == acceptor.listener && (fds[1].revents & POLLIN))
                acceptAll();
            for (size_t i = 2; i < fds.size(); ++i) {
                auto it = connections.find(ids[i - 2]);
                if (it == connections.end() || fds[i].fd != it->second.fd || fds[i].revents == 0)
                    continue;
                auto& c = it->second;
                // Gone both ways while it is not read: nothing can reach it.
                if ((fds[i].revents & (POLLERR | POLLNVAL)) || ((fds[i].revents & POLLHUP) && !taking(c))) {
                    close(it->first);
                    continue;
                }
                if (fds[i].revents & POLLOUT)
                    write(c);
                if (fds[i].revents & (POLLIN | POLLHUP))
                    receive(it->first, c);
            }
        }
        // Whoever waits on a delivery is let go.
        for (auto& d : deliveries)
            d.done.set_value();
        deliveries.clear();
        closeAll();
        acceptor.close();
    }
};

StompStandIn::StompStandIn() : impl_(std::make_shared<Impl>()) { }

StompStandIn::~StompStandIn() { stop(); }

int StompStandIn::start(int port, const std::string& address) { return start(port, address, Limits()); }

int StompStandIn::start(int port, const std::string& address, Limits limits)
{
    stop();
    auto& impl = *impl_;
    // The polling thread has ended with every connection and its share of the budget.
    impl.limits = limits;
    impl.budget = std::make_unique<http::BodyBudget>(limits.inFlightBudget);
    impl.address = address;
    int got = impl.wakeup.fd() >= 0 ? impl.listen(port) : -1;
    if (got < 0)
        return -1;
    impl.port = port_ = got;
    {
        std::lock_guard guard(impl.mutex);
        impl.running = true;
    }
    impl.thread = std::thread([impl = impl_] { impl->run(); });
    return port_;
}

// Requests still being answered find their connection gone.
void StompStandIn::stop()
{
    {
        std::lock_guard guard(impl_->mutex);
        if (!impl_->running)
            return;
        impl_->running = false;
        impl_->wake();
    }
    if (impl_->thread.joinable())
        impl_->thread.join();
}

void StompStandIn::forwardRequestsTo(const StandInServer& server)
{
    std::lock_guard guard(impl_->mutex);
    impl_->server = server.requestSink();
}

void StompStandIn::setLogSink(std::function<void(const std::string& line)> sink)
{
    std::lock_guard guard(impl_->mutex);
    impl_->logSink = std::move(sink);
}

std::vector<StompStandIn::Frame> StompStandIn::frames() const
{
    std::lock_guard guard(impl_->mutex);
    return { impl_->frames.begin(), impl_->frames.end() };
}

int StompStandIn::connectionCount() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->accepted;
}

StompStandIn::Load StompStandIn::load() const
{
    Load load;
    impl_->runAndWait([&] {
        load.bytes = impl_->budget->held();
        for (auto& [id, c] : impl_->connections) {
            load.working += c.working;
            load.paused += !c.closing && !impl_->taking(c) ? 1 : 0;
        }
    });
    return load;
}

size_t StompStandIn::answeringCount() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->answering;
}

int StompStandIn::openConnections() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->open;
}

void StompStandIn::sendMessage(const std::string& destination, const std::string& body)
{
    static std::atomic<int> messageId { 0 };
    std::string frame = makeStompFrame("MESSAGE", { { "destination", destination }, { "message-id", std::to_string(++messageId) } },
                                       body);
    // Sent when this returns, as a test expects.
    std::future<void> sent;
    impl_->runAndWait([&] {
        Impl::Delivery delivery;
        std::vector<uint64_t> ids;
        for (auto& [id, c] : impl_->connections)
            ids.push_back(id);
        for (uint64_t id : ids)
            if (auto it = impl_->connections.find(id); it != impl_->connections.end()) {
                impl_->queue(it->second, frame, false);
                delivery.until[id] = it->second.queued;
                impl_->hold(id, it->second);
            }
        sent = delivery.done.get_future();
        impl_->deliveries.push_back(std::move(delivery));
        impl_->checkDeliveries();
    });
    if (sent.valid())
        sent.wait();
}

void StompStandIn::dropConnections()
{
    impl_->runAndWait([impl = impl_.get()] { impl->closeAll(); });
}

void StompStandIn::setReading(bool reading)
{
    impl_->runAndWait([impl = impl_.get(), reading] { impl->readingHeld = !reading; });
}

// Closes the listening socket (new connections are refused) or opens it again on the same port.
void StompStandIn::setRefusing(bool refusing)
{
    impl_->runAndWait([impl = impl_.get(), refusing, port = port_] {
        if (refusing)
            impl->acceptor.close();
        else if (impl->acceptor.listener < 0)
            impl->listen(port);
    });
}

} // namespace standin
