// The stand-in's HTTP/1.1 server: the listening socket and the polling loop
// that owns every connection, reading each request whole with the request
// reader (StandInRequestReader.cpp) before a worker (StandInWorkers.cpp)
// answers it.
#include "tools/standin/StandInHttp.h"

#include "platform/foundation/Text.h"
#include "platform/net/HttpTransport.h"
#include "platform/net/TcpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>

namespace standin::http {

namespace {
using Clock = std::chrono::steady_clock;
} // namespace

// --- what the polling loops stand on ---

std::string peerAddress(int fd, int* port)
{
    sockaddr_storage peer {};
    socklen_t length = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return {};
    const bool six = peer.ss_family == AF_INET6;
    auto* in6 = reinterpret_cast<sockaddr_in6*>(&peer);
    auto* in4 = reinterpret_cast<sockaddr_in*>(&peer);
    if (port)
        *port = ntohs(six ? in6->sin6_port : in4->sin_port);
    char text[INET6_ADDRSTRLEN] = {};
    return ::inet_ntop(peer.ss_family, six ? static_cast<void*>(&in6->sin6_addr) : static_cast<void*>(&in4->sin_addr),
                       text, sizeof text)
        ? std::string(text)
        : std::string();
}

std::pair<int, int> listenOnLoopback(int port, const std::string& address)
{
    return platform::openLoopbackListener(port, SOMAXCONN, address);
}

int Acceptor::pollable(Clock::time_point now, Clock::time_point& next) const
{
    if (now >= resumes)
        return listener;
    next = std::min(next, resumes);
    return -1;
}

void Acceptor::acceptAll(const std::function<bool()>& full, const std::function<bool()>& makeRoom,
                         const std::function<void(int fd)>& take)
{
    while (listener >= 0) {
        int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            if ((errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) && makeRoom())
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                resumes = Clock::now() + std::chrono::milliseconds(100);
            return;
        }
        if (full() && !makeRoom()) {
            ::close(fd);
            continue;
        }
        int yes = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        take(fd);
    }
}

void Acceptor::close()
{
    if (listener >= 0)
        ::close(listener);
    listener = -1;
}

Wakeup::Wakeup() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) { }

Wakeup::~Wakeup()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void Wakeup::wake()
{
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
}

void Wakeup::drain()
{
    uint64_t count;
    [[maybe_unused]] ssize_t n = ::read(fd_, &count, sizeof count);
}

// --- the polling loop ---

struct Server::Core : std::enable_shared_from_this<Server::Core> {
    static constexpr size_t kChunk = 64 * 1024;
    static constexpr auto kLinger = std::chrono::seconds(2);

    struct Connection {
        explicit Connection(RequestReader::BodyLimit limit) : reader(std::move(limit)) { }
        int fd { -1 };
        RequestReader reader;
        std::string in;
        std::string out;
        size_t outAt { 0 };
        size_t filler { 0 };        // filler bytes still to make
        bool waiting { false };     // a request is being answered
        BodyBudget::Share answering; // what its body holds of the budget until then
        bool keepAlive { true };
        bool http10 { false };
        bool head { false };        // a HEAD request: no body goes out
        bool closeAfterOut { false };
        bool peerDone { false };    // the client sends no more
        bool dead { false };
        int peerPort { 0 };
        std::string peerAddress;
        // Answered and half-closed: what the client still sends is read and
        // dropped until it closes or this passes, so a close with unread
        // bytes cannot reset the answer away before the client reads it.
        std::optional<Clock::time_point> lingerUntil;
        Clock::time_point lastActive;
        std::optional<Clock::time_point> requestBegan; // the first byte of the request being read

        bool drained() const { return outAt >= out.size() && filler == 0; }
    };

    Settings settings;
    Acceptor acceptor;
    Wakeup wakeup;
    std::mutex mutex; // guards running, answers, timers
    bool running { false };
    std::vector<std::pair<uint64_t, Response>> answers;
    std::multimap<Clock::time_point, std::function<void()>> timers;
    // The polling thread's own; the budget outlives the connections holding shares of it.
    std::unique_ptr<BodyBudget> budget;
    std::map<uint64_t, Connection> connections;
    uint64_t nextId { 1 };

    ~Core()
    {
        for (auto& [id, c] : connections)
            ::close(c.fd);
        acceptor.close();
    }

    void wake() { wakeup.wake(); }

    void answer(uint64_t id, Response response)
    {
        std::lock_guard guard(mutex);
        if (!running)
            return;
        answers.emplace_back(id, std::move(response));
        wake();
    }

    Reply replyTo(uint64_t id)
    {
        std::weak_ptr<Core> weak = shared_from_this();
        return [weak, id](Response response) {
            if (auto core = weak.lock())
                core->answer(id, std::move(response));
        };
    }

    void close(uint64_t id)
    {
        auto it = connections.find(id);
        if (it == connections.end())
            return;
        ::close(it->second.fd);
        connections.erase(it);
    }

    // Under descriptor pressure or at the cap the connection idle longest
    // makes room; when none is idle, the unfinished request that began
    // longest ago does. Connections being answered are never taken.
    bool makeRoom()
    {
        auto idle = connections.end(), unfinished = connections.end();
        for (auto it = connections.begin(); it != connections.end(); ++it) {
            auto& c = it->second;
            if (c.lingerUntil && !c.dead) {
                close(it->first);
                return true;
            }
            if (c.waiting || c.dead || c.closeAfterOut || !c.drained())
                continue;
            if (!c.requestBegan) {
                if (idle == connections.end() || c.lastActive < idle->second.lastActive)
                    idle = it;
            } else if (unfinished == connections.end() || *c.requestBegan < *unfinished->second.requestBegan) {
                unfinished = it;
            }
        }
        if (idle != connections.end()) {
            close(idle->first);
            return true;
        }
        if (unfinished == connections.end())
            return false;
        refuse(unfinished->second, 408, "the request was not whole when its connection was needed for another");
        flush(unfinished->first, unfinished->second); // as far as the socket takes it now
        close(unfinished->first);
        return true;
    }

    void acceptAll()
    {
        acceptor.acceptAll([this] { return connections.size() >= settings.maxConnections; },
                           [this] { return makeRoom(); },
                           [this](int fd) {
                               auto& c = connections.try_emplace(nextId++, settings.bodyLimit).first->second;
                               c.reader.setBudget(budget.get());
                               c.fd = fd;
                               c.lastActive = Clock::now();
                               c.peerAddress = peerAddress(fd, &c.peerPort);
                           });
    }

    void queue(Connection& c, const Response& r)
    {
        bool noBody = r.status < 200 || r.status == 204 || r.status == 304;
        c.closeAfterOut = !c.keepAlive || c.peerDone || r.truncateAfter > 0;
        std::string head = "HTTP/1.1 " + std::to_string(r.status) + " " + reasonPhrase(r.status) + "\r\n";
        if (!noBody) {
            if (!r.contentType.empty())
                head += "Content-Type: " + r.contentType + "\r\n";
            head += "Content-Length: " + std::to_string(r.fillerBytes > 0 ? r.fillerBytes : r.body.size()) + "\r\n";
        }
        for (auto& [name, value] : r.headers)
            head += name + ": " + value + "\r\n";
        head += c.closeAfterOut ? "Connection: close\r\n" : c.http10 ? "Connection: keep-alive\r\n" : "";
        c.out.erase(0, c.outAt);
        c.outAt = 0;
        c.out += head + "\r\n";
        if (!noBody && !c.head) {
            if (r.truncateAfter > 0)
                c.out.append(r.body, 0, std::min(r.truncateAfter, r.body.size()));
            else if (r.fillerBytes > 0)
                c.filler = r.fillerBytes;
            else
                c.out += r.body;
        }
    }

    void refuse(Connection& c, int status, const std::string& why)
    {
        auto& request = c.reader.request();
        if (settings.onRefused)
            settings.onRefused(request.method.empty() ? "-" : request.method,
                               request.target.empty() ? "-" : request.path(), status, why);
        c.keepAlive = false;
        c.http10 = request.http10;
        c.head = false;
        queue(c, Response { status, "text/plain; charset=utf-8", why + "\n", 0, 0 });
    }

    // Reads what requests the connection's bytes hold, one at a time.
    void advance(uint64_t id, Connection& c)
    {
        if (c.waiting || c.closeAfterOut || c.dead)
            return;
        if (!c.requestBegan && !c.in.empty())
            c.requestBegan = Clock::now();
        auto step = c.reader.take(c.in);
        if (step == RequestReader::Step::More && !c.reader.started() && c.in.empty())
            c.requestBegan.reset(); // only blank lines came
        if (c.reader.wantsContinue()) {
            c.reader.continueSent();
            c.out += "HTTP/1.1 100 Continue\r\n\r\n";
        }
        if (step == RequestReader::Step::Refused) {
            refuse(c, c.reader.status(), c.reader.why());
        } else if (step == RequestReader::Step::Done) {
            Request request = std::move(c.reader.request());
            request.peerPort = c.peerPort;
            request.peerAddress = c.peerAddress;
            c.answering = c.reader.takeShare();
            c.reader.reset();
            c.requestBegan.reset();
            c.waiting = true;
            c.http10 = request.http10;
            c.head = request.method == "HEAD";
            c.keepAlive = request.keepAlive && !settings.closeAfterEachAnswer;
            settings.onRequest(std::move(request), replyTo(id));
        } else if (c.peerDone) {
            c.dead = true; // it ended in the middle of a request
        }
    }

    // Sends what the connection has to send; then closes it or reads on.
    void flush(uint64_t id, Connection& c)
    {
        while (!c.dead) {
            if (c.outAt >= c.out.size()) {
                if (c.filler == 0)
                    break;
                c.out.assign(std::min(c.filler, kChunk), 'x');
                c.outAt = 0;
                c.filler -= c.out.size();
            }
            ssize_t n = ::send(c.fd, c.out.data() + c.outAt, c.out.size() - c.outAt, MSG_NOSIGNAL);
            if (n > 0) {
                c.outAt += static_cast<size_t>(n);
                c.lastActive = Clock::now();
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            } else {
                c.dead = true;
            }
        }
        if (c.dead || c.waiting)
            return;
        c.out.clear();
        c.outAt = 0;
        if (c.closeAfterOut && !c.peerDone)
            linger(c);
        else if (c.closeAfterOut || (c.peerDone && c.in.empty()))
            c.dead = true;
        else
            advance(id, c); // a request sent behind the last one
        if (!c.dead && !c.drained())
            flush(id, c);
    }

    void linger(Connection& c)
    {
        if (::shutdown(c.fd, SHUT_WR) != 0) {
            c.dead = true;
            return;
        }
        c.lingerUntil = Clock::now() + kLinger;
    }

    // Drops what a lingering connection still sends; its end (or an error) closes it.
    void discard(Connection& c)
    {
        char buffer[kChunk];
        for (int round = 0; round < 16; ++round) {
            ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n > 0)
                continue;
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                c.dead = true;
            return;
        }
    }

    void receive(uint64_t id, Connection& c)
    {
        if (c.lingerUntil) {
            discard(c);
            return;
        }
        char buffer[kChunk];
        for (int round = 0; round < 16; ++round) {
            ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                c.in.append(buffer, static_cast<size_t>(n));
                c.lastActive = Clock::now();
                // Read as it comes, so what waits unread stays one chunk: the
                // body goes into the request (within the budget), and once a
                // request is whole nothing more is read until it is answered.
                advance(id, c);
                if (static_cast<size_t>(n) < sizeof buffer || !reading(c))
                    break;
            } else if (n == 0) {
                c.peerDone = true; // half-closed: what it sent is still answered
                break;
            } else if (errno == EINTR) {
                continue;
            } else {
                if (errno != EAGAIN && errno != EWOULDBLOCK)
                    c.dead = true;
                break;
            }
        }
        if (c.dead)
            return;
        advance(id, c);
        if (!c.waiting && c.drained() && c.peerDone)
            c.dead = true;
        else
            flush(id, c);
    }

    bool reading(const Connection& c) const { return !c.waiting && !c.closeAfterOut && !c.peerDone && c.drained(); }
    bool listening(const Connection& c) const { return reading(c) || c.lingerUntil.has_value(); }

    // Closes connections that sent nothing for too long, and answers 408 to
    // requests that did not arrive whole in time.
    Clock::time_point sweep(Clock::time_point now)
    {
        Clock::time_point next = now + settings.readTimeout;
        for (auto& [id, c] : connections) {
            if (c.waiting || c.dead)
                continue;
            if (c.lingerUntil) {
                if (*c.lingerUntil <= now)
                    c.dead = true;
                else
                    next = std::min(next, *c.lingerUntil);
                continue;
            }
            bool unfinished = reading(c) && c.requestBegan;
            Clock::time_point deadline = (unfinished ? *c.requestBegan : c.lastActive) + settings.readTimeout;
            if (deadline > now) {
                next = std::min(next, deadline);
                continue;
            }
            if (unfinished) {
                auto ms = settings.readTimeout.count();
                refuse(c, 408, "the request did not arrive whole within "
                                   + (ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms"));
                flush(id, c);
            }
            c.dead = true;
        }
        return next;
    }

    void applyAnswers(std::vector<std::pair<uint64_t, Response>>& done)
    {
        for (auto& [id, response] : done) {
            auto it = connections.find(id);
            if (it == connections.end() || !it->second.waiting)
                continue;
            it->second.waiting = false;
            it->second.answering.resize(0);
            queue(it->second, response);
            flush(id, it->second);
        }
        done.clear();
    }

    void reap()
    {
        for (auto it = connections.begin(); it != connections.end();) {
            if (it->second.dead) {
                ::close(it->second.fd);
                it = connections.erase(it);
            } else {
                ++it;
            }
        }
    }

    void run()
    {
        std::vector<pollfd> fds;
        std::vector<uint64_t> ids;
        std::vector<std::pair<uint64_t, Response>> done;
        std::vector<std::function<void()>> due;
        for (;;) {
            Clock::time_point now = Clock::now();
            Clock::time_point next = sweep(now);
            reap();
            fds.clear();
            ids.clear();
            fds.push_back({ wakeup.fd(), POLLIN, 0 });
            fds.push_back({ acceptor.pollable(now, next), POLLIN, 0 });
            for (auto& [id, c] : connections) {
                short events = (listening(c) ? POLLIN : 0) | (c.drained() ? 0 : POLLOUT);
                fds.push_back({ c.fd, events, 0 });
                ids.push_back(id);
            }
            {
                std::lock_guard guard(mutex);
                if (!running)
                    break;
                if (!timers.empty())
                    next = std::min(next, timers.begin()->first);
            }
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count() + 1;
            ::poll(fds.data(), fds.size(), static_cast<int>(std::clamp<long long>(wait, 0, 60000)));
            if (fds[0].revents & POLLIN)
                wakeup.drain();
            {
                std::lock_guard guard(mutex);
                if (!running)
                    break;
                done.swap(answers);
                now = Clock::now();
                while (!timers.empty() && timers.begin()->first <= now) {
                    due.push_back(std::move(timers.begin()->second));
                    timers.erase(timers.begin());
                }
            }
            applyAnswers(done);
            for (auto& task : due)
                task();
            due.clear();
            if (fds[1].revents & POLLIN)
                acceptAll();
            for (size_t i = 2; i < fds.size(); ++i) {
                auto it = connections.find(ids[i - 2]);
                if (it == connections.end() || it->second.dead || fds[i].revents == 0)
                    continue;
                auto& c = it->second;
                short revents = fds[i].revents;
                if (revents & (POLLERR | POLLNVAL)) {
                    c.dead = true;
                    continue;
                }
                if (revents & POLLOUT)
                    flush(it->first, c);
                if (!c.dead && (revents & POLLIN) && listening(c))
                    receive(it->first, c);
                else if (revents & POLLHUP)
                    c.dead = true; // gone both ways: nothing can reach it

            }
        }
        // Answers handed back before the stop still get one try to go out.
        {
            std::lock_guard guard(mutex);
            done.swap(answers);
        }
        applyAnswers(done);
    }
};

Server::Server() = default;

Server::~Server() { stop(); }

int Server::start(int port, Settings settings, const std::string& address)
{
    stop();
    auto core = std::make_shared<Core>();
    core->settings = std::move(settings);
    core->budget = std::make_unique<BodyBudget>(core->settings.bodyBudget);
    auto [listener, bound] = listenOnLoopback(port, address);
    core->acceptor.listener = listener;
    if (listener < 0 || core->wakeup.fd() < 0)
        return -1;
    core->running = true;
    {
        std::lock_guard guard(coreMutex_);
        core_ = core;
    }
    thread_ = std::thread([core] { core->run(); });
    return bound;
}

std::shared_ptr<Server::Core> Server::core() const
{
    std::lock_guard guard(coreMutex_);
    return core_;
}

void Server::stop()
{
    auto core = this->core();
    if (!core)
        return;
    std::multimap<Clock::time_point, std::function<void()>> timers;
    {
        std::lock_guard guard(core->mutex);
        core->running = false;
        timers.swap(core->timers);
        core->wake();
    }
    if (thread_.joinable())
        thread_.join();
    for (auto& [at, task] : timers)
        task();
    std::lock_guard guard(coreMutex_);
    core_.reset();
}

size_t Server::bodyBytesHeld() const
{
    auto core = this->core();
    return core ? core->budget->held() : 0;
}

void Server::after(std::chrono::milliseconds delay, std::function<void()> task)
{
    if (auto core = this->core()) {
        std::lock_guard guard(core->mutex);
        if (core->running) {
            core->timers.emplace(Clock::now() + delay, std::move(task));
            core->wake();
            return;
        }
    }
    task();
}

} // namespace standin::http
