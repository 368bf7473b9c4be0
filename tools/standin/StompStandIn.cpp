// The STOMP 1.0 stand-in of the presence channel: one thread accepts, one
// thread per connection reads frames, one thread per request inside the
// channel waits for the HTTP handler's answer; tests drive it from their own
// thread.
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInXml.h"

#include "platform/net/TcpSocket.h"

#include <httplib.h>

#include <atomic>
#include <cstdlib>

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

std::vector<StompStandIn::Frame> takeStompFrames(std::string& buffer)
{
    std::vector<StompStandIn::Frame> frames;
    for (;;) {
        // Heart-beat newlines between frames carry nothing.
        size_t start = buffer.find_first_not_of("\r\n");
        if (start == std::string::npos) {
            buffer.clear();
            break;
        }
        size_t headerEnd = buffer.find("\n\n", start);
        size_t nul = buffer.find('\0', start);
        if (nul != std::string::npos && (headerEnd == std::string::npos || nul < headerEnd))
            headerEnd = std::string::npos; // a frame without body separator
        if (headerEnd == std::string::npos && nul == std::string::npos) {
            buffer.erase(0, start);
            break;
        }
        std::string head = buffer.substr(start, (headerEnd == std::string::npos ? nul : headerEnd) - start);
        // A content-length header gives the body's size (it may hold NULs).
        size_t bodyStart = headerEnd == std::string::npos ? nul : headerEnd + 2;
        size_t end = nul;
        if (auto at = head.find("\ncontent-length:"); at != std::string::npos && headerEnd != std::string::npos) {
            size_t length = std::strtoull(head.c_str() + at + 16, nullptr, 10);
            if (buffer.size() < bodyStart + length + 1) {
                buffer.erase(0, start);
                break;
            }
            end = bodyStart + length;
        } else if (nul == std::string::npos) {
            buffer.erase(0, start);
            break;
        }
        StompStandIn::Frame frame;
        frame.body = buffer.substr(bodyStart, end - bodyStart);
        buffer.erase(0, end + 1);
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
        frames.push_back(std::move(frame));
    }
    return frames;
}

struct StompStandIn::Impl {
    struct Connection {
        Ref<TcpSocket> socket;
        std::thread thread;
        std::mutex writeMutex;
        std::atomic<bool> open { true };

        void send(const std::string& frame)
        {
            std::lock_guard w(writeMutex);
            if (open)
                socket->sendAll(frame);
        }
    };

    mutable std::mutex mutex;
    Ref<TcpSocket> listener;
    std::thread acceptThread;
    std::vector<std::shared_ptr<Connection>> connections;
    std::vector<std::thread> requestThreads;
    std::vector<Frame> frames;
    int accepted { 0 };
    int port { 0 };
    int sessions { 0 };
    int httpPort { 0 };
    size_t answering { 0 };
    std::string queue; // the destination the client subscribed to

    // Hands a request frame to the HTTP handler and sends its answer back
    // as a MESSAGE with the same correlation id.
    void answerRequest(std::shared_ptr<Connection> c, Frame f)
    {
        auto header = [&f](const char* name) {
            auto it = f.headers.find(name);
            return it == f.headers.end() ? std::string() : it->second;
        };
        int port;
        std::string destination;
        {
            std::lock_guard guard(mutex);
            port = httpPort;
            destination = queue;
        }
        int status = 503;
        std::string body = xml::errorBody("No service behind the channel");
        std::string contentType = "application/xml; charset=utf-8";
        if (port > 0) {
            httplib::Client client("127.0.0.1", port);
            client.set_read_timeout(120, 0);
            httplib::Request request;
            request.method = header("method");
            request.path = header("path");
            request.path.insert(request.path.begin(), '/');
            if (!header("authorization").empty())
                request.headers.emplace("Authorization", header("authorization"));
            if (!header("content-type").empty())
                request.headers.emplace("Content-Type", header("content-type"));
            request.headers.emplace(kChannelMarkerHeader, "1");
            request.body = f.body;
            if (auto result = client.send(request)) {
                status = result->status;
                body = result->body;
                contentType = result->get_header_value("Content-Type");
            } else {
                status = 502;
                body = xml::errorBody("The service did not answer");
            }
        }
        c->send(makeStompFrame("MESSAGE",
                               { { "destination", destination },
                                 { "correlation-id", header("correlation-id") },
                                 { "status", std::to_string(status) },
                                 { "content-type", contentType },
                                 { "content-length", std::to_string(body.size()) } },
                               body));
        std::lock_guard guard(mutex);
        --answering;
    }

    void serve(std::shared_ptr<Connection> c)
    {
        std::string buffer;
        for (;;) {
            auto r = c->socket->receive(buffer, 4096, -1);
            if (r != TcpSocket::Result::Ok)
                break;
            for (auto& f : takeStompFrames(buffer)) {
                {
                    std::lock_guard guard(mutex);
                    frames.push_back(f);
                }
                if (f.command == "CONNECT" || f.command == "STOMP") {
                    std::string session;
                    {
                        std::lock_guard guard(mutex);
                        session = "session-" + std::to_string(++sessions);
                    }
                    c->send(makeStompFrame("CONNECTED", { { "session", session } }));
                } else if (f.command == "SUBSCRIBE") {
                    std::lock_guard guard(mutex);
                    queue = f.headers.count("destination") ? f.headers.at("destination") : "";
                } else if (f.command == "SEND" && f.headers.count("destination")
                           && f.headers.at("destination") == kRequestDestination) {
                    std::lock_guard guard(mutex);
                    ++answering;
                    requestThreads.emplace_back([this, c, f] { answerRequest(c, f); });
                } else if (f.command == "DISCONNECT") {
                    c->open = false;
                    c->socket->close();
                    return;
                }
            }
        }
        c->open = false;
        std::lock_guard w(c->writeMutex);
        c->socket->close();
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
                std::lock_guard guard(mutex);
                ++accepted;
                c->thread = std::thread([this, c] { serve(c); });
                connections.push_back(std::move(c));
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

    // Waits for the requests inside the channel to be answered (a held
    // answer waits for the HTTP server's release or stop).
    void joinRequests()
    {
        std::vector<std::thread> threads;
        {
            std::lock_guard guard(mutex);
            threads.swap(requestThreads);
        }
        for (auto& t : threads)
            t.join();
    }

    void dropAll()
    {
        std::vector<std::shared_ptr<Connection>> old;
        {
            std::lock_guard guard(mutex);
            old.swap(connections);
        }
        for (auto& c : old)
            c->socket->cancel();
        for (auto& c : old)
            if (c->thread.joinable())
                c->thread.join();
    }
};

StompStandIn::StompStandIn() : impl_(std::make_unique<Impl>()) { }

StompStandIn::~StompStandIn() { stop(); }

int StompStandIn::start(int port)
{
    if (!impl_->listen(port))
        return -1;
    port_ = impl_->port;
    return port_;
}

void StompStandIn::stop()
{
    impl_->stopListening();
    impl_->dropAll();
    impl_->joinRequests();
}

void StompStandIn::forwardRequestsTo(const StandInServer& server)
{
    std::lock_guard guard(impl_->mutex);
    impl_->httpPort = server.port();
}

std::vector<StompStandIn::Frame> StompStandIn::frames() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->frames;
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
    std::lock_guard guard(impl_->mutex);
    static std::atomic<int> messageId { 0 };
    for (auto& c : impl_->connections)
        c->send(makeStompFrame("MESSAGE",
                               { { "destination", destination }, { "message-id", std::to_string(++messageId) } }, body));
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
