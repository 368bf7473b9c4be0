// The STOMP 1.0 stand-in of the presence channel: one thread accepts; each
// connection has a thread that reads frames and one that writes them, so a
// client slow to read holds up only its own connection. Requests inside the
// channel are handed to the HTTP server's workers, whose answers come back
// here as MESSAGE frames. Tests drive it from their own thread.
#include "tools/standin/StandInHttp.h"
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInXml.h"

#include "platform/net/TcpSocket.h"

#include <algorithm>
#include <atomic>

namespace standin {

using platform::Ref;
using platform::TcpSocket;

std::string makeStompFrame(const std::string& command, const std::map<std::string, std::string>& headers,
                           const std::string& body)
{
    std::string frame = command + "\n";
    for (auto& [k, v] : headers)
        frame += k + ":" + v + "\n";
    if (!body.empty() && !headers.count("content-length"))
        frame += "content-length:" + std::to_string(body.size()) + "\n";
    frame += "\n" + body;
    frame += '\0';
    return frame;
}

std::vector<StompStandIn::Frame> takeStompFrames(std::string& buffer, std::string* refusal)
{
    std::vector<StompStandIn::Frame> frames;
    auto refuse = [&](std::string why) {
        if (refusal)
            *refusal = std::move(why);
        buffer.clear();
        return frames;
    };
    const std::string limit = std::to_string(kStompFrameLimit);
    for (;;) {
        // Heart-beat newlines between frames carry nothing.
        size_t start = buffer.find_first_not_of("\r\n");
        if (start == std::string::npos) {
            buffer.clear();
            break;
        }
        buffer.erase(0, start);
        size_t headerEnd = buffer.find("\n\n");
        size_t nul = buffer.find('\0');
        if (nul != std::string::npos && (headerEnd == std::string::npos || nul < headerEnd))
            headerEnd = std::string::npos; // a frame without body separator
        if (headerEnd == std::string::npos && nul == std::string::npos) {
            if (buffer.size() > kStompFrameLimit)
                return refuse("a frame's head is over the limit of " + limit + " bytes");
            break;
        }
        StompStandIn::Frame frame;
        std::string head = buffer.substr(0, headerEnd == std::string::npos ? nul : headerEnd);
        size_t pos = 0;
        bool first = true;
        while (pos <= head.size()) {
            size_t nl = head.find('\n', pos);
            std::string line = head.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (first) {
                frame.command = line;
                first = false;
            } else if (auto colon = line.find(':'); colon != std::string::npos) {
                frame.headers.emplace(line.substr(0, colon), line.substr(colon + 1));
            }
            if (nl == std::string::npos)
                break;
            pos = nl + 1;
        }
        // A content-length header gives the body's size (it may hold NULs).
        size_t bodyStart = headerEnd == std::string::npos ? nul : headerEnd + 2;
        size_t end = nul;
        if (auto length = frame.headers.find("content-length");
            length != frame.headers.end() && headerEnd != std::string::npos) {
            const std::string& text = length->second;
            if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
                return refuse("a frame's content-length \"" + text.substr(0, 40) + "\" is not a number");
            if (text.size() > limit.size() || std::stoull(text) > kStompFrameLimit)
                return refuse("a frame's body of " + text.substr(0, 40) + " bytes is over the limit of " + limit);
            size_t size = std::stoull(text);
            if (buffer.size() - bodyStart < size + 1)
                break; // the body and its NUL are not all here yet
            end = bodyStart + size;
            if (buffer[end] != '\0')
                return refuse("a frame's body does not end where its content-length says");
        } else if (headerEnd != std::string::npos && nul == std::string::npos) {
            if (buffer.size() > kStompFrameLimit)
                return refuse("a frame is over the limit of " + limit + " bytes");
            break;
        }
        frame.body = buffer.substr(bodyStart, end - bodyStart);
        buffer.erase(0, end + 1);
        frames.push_back(std::move(frame));
    }
    return frames;
}

namespace {
// What a connection may have waiting to be written before it is dropped, and
// the frames kept for tests to read.
constexpr size_t kOutboxLimit = 4 * kStompFrameLimit;
constexpr size_t kFrameBudget = 16 * 1024 * 1024;
} // namespace

struct StompStandIn::Impl : std::enable_shared_from_this<StompStandIn::Impl> {
    struct Connection {
        Ref<TcpSocket> socket;
        std::thread reader;
        std::thread writer;
        std::mutex mutex; // guards outbox, outboxBytes, sending, closing
        std::condition_variable wake;
        std::deque<std::pair<std::string, bool>> outbox; // frame, whether it answers a request
        size_t outboxBytes { 0 };
        bool sending { false };
        bool closing { false };
        std::atomic<bool> open { true };
        std::atomic<bool> finished { false };
    };

    mutable std::mutex mutex;
    Ref<TcpSocket> listener;
    std::thread acceptThread;
    std::vector<std::shared_ptr<Connection>> connections;
    std::deque<Frame> frames;
    std::deque<size_t> frameSizes;
    size_t frameBytes { 0 };
    int accepted { 0 };
    int port { 0 };
    int sessions { 0 };
    std::weak_ptr<http::RequestSink> server;
    std::function<void(const std::string&)> logSink;
    size_t answering { 0 };
    std::string queue; // the destination the client subscribed to

    void answered()
    {
        std::lock_guard guard(mutex);
        --answering;
    }

    // Queues a frame for the connection's writer; an answer that cannot go
    // out is counted as done.
    void send(Connection& c, std::string frame, bool answer)
    {
        {
            std::lock_guard guard(c.mutex);
            if (!c.closing && c.outboxBytes + frame.size() <= kOutboxLimit) {
                c.outboxBytes += frame.size();
                c.outbox.emplace_back(std::move(frame), answer);
                c.wake.notify_all();
                return;
            }
            if (!c.closing)
                c.socket->cancel(); // it does not read what it is sent: drop it
        }
        if (answer)
            answered();
    }

    void write(Connection& c)
    {
        for (;;) {
            std::pair<std::string, bool> item;
            {
                std::unique_lock lock(c.mutex);
                c.wake.wait(lock, [&] { return c.closing || !c.outbox.empty(); });
                if (c.outbox.empty())
                    return;
                item = std::move(c.outbox.front());
                c.outbox.pop_front();
                c.outboxBytes -= item.first.size();
                c.sending = true;
            }
            if (c.open && c.socket->sendAll(item.first) != TcpSocket::Result::Ok)
                c.open = false;
            if (item.second)
                answered();
            {
                std::lock_guard guard(c.mutex);
                c.sending = false;
            }
            c.wake.notify_all();
        }
    }

    // Waits until what was queued for the connection has gone out (or it closed).
    void flush(Connection& c)
    {
        std::unique_lock lock(c.mutex);
        c.wake.wait(lock, [&] { return c.closing || (c.outbox.empty() && !c.sending); });
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
        while (frameBytes > kFrameBudget && frames.size() > 1) {
            frameBytes -= frameSizes.front();
            frames.pop_front();
            frameSizes.pop_front();
        }
    }

    // Hands a request frame to the HTTP server's workers; its answer goes
    // back as a MESSAGE with the same correlation id.
    void request(const std::shared_ptr<Connection>& c, Frame f)
    {
        auto header = [&f](const char* name) {
            auto it = f.headers.find(name);
            return it == f.headers.end() ? std::string() : it->second;
        };
        std::shared_ptr<http::RequestSink> sink;
        std::string destination;
        {
            std::lock_guard guard(mutex);
            ++answering;
            sink = server.lock();
            destination = queue;
        }
        std::weak_ptr<Impl> self = shared_from_this();
        std::weak_ptr<Connection> to = c;
        std::string correlation = header("correlation-id");
        http::Reply reply = [self, to, correlation, destination](http::Response r) {
            auto impl = self.lock();
            if (!impl)
                return;
            if (r.truncateAfter > 0) {
                // An answer cut short: inside the channel, the channel itself is cut.
                if (auto connection = to.lock())
                    connection->socket->cancel();
                impl->answered();
                return;
            }
            if (r.fillerBytes > 0) {
                r.body.assign(r.fillerBytes, 'x');
            }
            std::string frame = makeStompFrame("MESSAGE",
                                               { { "destination", destination },
                                                 { "correlation-id", correlation },
                                                 { "status", std::to_string(r.status) },
                                                 { "content-type", r.contentType },
                                                 { "content-length", std::to_string(r.body.size()) } },
                                               r.body);
            if (auto connection = to.lock())
                impl->send(*connection, std::move(frame), true);
            else
                impl->answered();
        };
        if (sink) {
            http::Request request;
            request.method = header("method");
            request.target = "/" + header("path");
            request.headers.emplace_back("Host", "127.0.0.1:" + std::to_string(sink->port()));
            if (!header("authorization").empty())
                request.headers.emplace_back("Authorization", header("authorization"));
            if (!header("content-type").empty())
                request.headers.emplace_back("Content-Type", header("content-type"));
            request.headers.emplace_back(kChannelMarkerHeader, "1");
            request.bodyBytes = f.body.size();
            request.body = std::move(f.body);
            if (sink->take(std::move(request), reply))
                return;
        }
        reply(http::Response { 503, "application/xml; charset=utf-8", xml::errorBody("No service behind the channel"), 0, 0 });
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

    void serve(const std::shared_ptr<Connection>& c)
    {
        std::string buffer;
        std::string refusal;
        bool reading = true;
        while (reading && c->socket->receive(buffer, 16 * 1024, -1) == TcpSocket::Result::Ok) {
            auto received = takeStompFrames(buffer, &refusal);
            for (auto& f : received) {
                record(f);
                if (f.command == "CONNECT" || f.command == "STOMP") {
                    std::string session;
                    {
                        std::lock_guard guard(mutex);
                        session = "session-" + std::to_string(++sessions);
                    }
                    send(*c, makeStompFrame("CONNECTED", { { "session", session } }), false);
                } else if (f.command == "SUBSCRIBE") {
                    std::lock_guard guard(mutex);
                    queue = f.headers.count("destination") ? f.headers.at("destination") : "";
                } else if (f.command == "SEND" && f.headers.count("destination")
                           && f.headers.at("destination") == kRequestDestination) {
                    request(c, std::move(f));
                } else if (f.command == "DISCONNECT") {
                    reading = false;
                    break;
                }
            }
            if (!refusal.empty()) {
                log("refused a frame and closed its connection: " + refusal);
                break;
            }
        }
        // What is queued still goes out, then the connection closes.
        {
            std::lock_guard guard(c->mutex);
            c->closing = true;
        }
        c->wake.notify_all();
        c->writer.join();
        c->open = false;
        c->socket->close();
        c->finished = true;
    }

    bool listen(int wanted)
    {
        listener = TcpSocket::create();
        int got = listener->listenLoopback(wanted);
        if (got < 0)
            return false;
        port = got;
        Ref<TcpSocket> l = listener;
        acceptThread = std::thread([this, l] {
            for (;;) {
                TcpSocket::Result result;
                auto s = l->accept(-1, &result);
                if (result == TcpSocket::Result::Cancelled)
                    return;
                if (!s)
                    continue;
                auto c = std::make_shared<Connection>();
                c->socket = s;
                std::vector<std::shared_ptr<Connection>> ended;
                {
                    std::lock_guard guard(mutex);
                    ++accepted;
                    // Connections that ended on their own are let go here.
                    auto done = std::stable_partition(connections.begin(), connections.end(),
                                                      [](auto& old) { return !old->finished; });
                    ended.assign(done, connections.end());
                    connections.erase(done, connections.end());
                    c->writer = std::thread([this, c] { write(*c); });
                    c->reader = std::thread([this, c] { serve(c); });
                    connections.push_back(c);
                }
                for (auto& old : ended)
                    old->reader.join();
            }
        });
        return true;
    }

    void stopListening()
    {
        if (listener)
            listener->cancel();
        if (acceptThread.joinable())
            acceptThread.join();
        if (listener)
            listener->close();
        listener = nullptr;
    }

    void dropAll()
    {
        std::vector<std::shared_ptr<Connection>> old;
        {
            std::lock_guard guard(mutex);
            old.swap(connections);
        }
        for (auto& c : old) {
            c->open = false;
            c->socket->cancel();
        }
        for (auto& c : old)
            if (c->reader.joinable())
                c->reader.join();
    }
};

StompStandIn::StompStandIn() : impl_(std::make_shared<Impl>()) { }

StompStandIn::~StompStandIn() { stop(); }

int StompStandIn::start(int port)
{
    if (!impl_->listen(port))
        return -1;
    port_ = impl_->port;
    return port_;
}

// Requests still being answered find their connection gone.
void StompStandIn::stop()
{
    impl_->stopListening();
    impl_->dropAll();
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

size_t StompStandIn::answeringCount() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->answering;
}

int StompStandIn::openConnections() const
{
    std::lock_guard guard(impl_->mutex);
    int n = 0;
    for (auto& c : impl_->connections)
        n += c->open ? 1 : 0;
    return n;
}

void StompStandIn::sendMessage(const std::string& destination, const std::string& body)
{
    static std::atomic<int> messageId { 0 };
    std::vector<std::shared_ptr<Impl::Connection>> connections;
    {
        std::lock_guard guard(impl_->mutex);
        connections = impl_->connections;
    }
    for (auto& c : connections)
        impl_->send(*c, makeStompFrame("MESSAGE", { { "destination", destination }, { "message-id", std::to_string(++messageId) } }, body),
                    false);
    // Sent when this returns, as a test expects.
    for (auto& c : connections)
        impl_->flush(*c);
}

void StompStandIn::dropConnections() { impl_->dropAll(); }

void StompStandIn::setRefusing(bool refusing)
{
    if (refusing)
        impl_->stopListening();
    else if (!impl_->listener)
        impl_->listen(port_);
}

} // namespace standin
