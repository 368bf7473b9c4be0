// The STOMP 1.0 stand-in of the presence channel: one thread accepts, one
// thread per connection reads frames; tests drive it from their own thread.
#include "tools/standin/StandInServer.h"

#include "platform/net/TcpSocket.h"

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
        size_t end = buffer.find('\0', start);
        if (end == std::string::npos) {
            buffer.erase(0, start);
            break;
        }
        std::string text = buffer.substr(start, end - start);
        buffer.erase(0, end + 1);
        StompStandIn::Frame frame;
        size_t headerEnd = text.find("\n\n");
        std::string head = text.substr(0, headerEnd);
        frame.body = headerEnd == std::string::npos ? "" : text.substr(headerEnd + 2);
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
    };

    mutable std::mutex mutex;
    Ref<TcpSocket> listener;
    std::thread acceptThread;
    std::vector<std::unique_ptr<Connection>> connections;
    std::vector<Frame> frames;
    int accepted { 0 };
    int port { 0 };
    int sessions { 0 };

    void serve(Connection* c)
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
                    std::lock_guard w(c->writeMutex);
                    c->socket->sendAll(makeStompFrame("CONNECTED", { { "session", session } }));
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
                auto c = std::make_unique<Connection>();
                c->socket = s;
                Connection* raw = c.get();
                std::lock_guard guard(mutex);
                ++accepted;
                c->thread = std::thread([this, raw] { serve(raw); });
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

    void dropAll()
    {
        std::vector<std::unique_ptr<Connection>> old;
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
    for (auto& c : impl_->connections) {
        if (!c->open)
            continue;
        std::lock_guard w(c->writeMutex);
        c->socket->sendAll(makeStompFrame(
            "MESSAGE", { { "destination", destination }, { "message-id", std::to_string(++messageId) } }, body));
    }
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
