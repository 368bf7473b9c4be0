// The damaging proxy: one polling thread forwards bytes between each client
// connection and its own connection to the target, and applies the damage the
// test armed (a lost answer, bytes of its own to the clients).
#include "DamagingProxy.h"

#include "platform/net/TcpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace e2e_testing {

namespace {

bool sendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int connectTo(const std::string& address, int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    if (fd < 0 || inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1
        || ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

struct DamagingProxy::Impl {
    struct Pair {
        int client { -1 };
        int target { -1 };
        bool carriedAnswer { false };
    };

    std::string targetAddress;
    int targetPort { 0 };
    int listener { -1 };
    int wake { -1 };
    std::thread thread;
    std::atomic<bool> stopping { false };
    std::atomic<int> lost { 0 };

    std::mutex lock; // guards what the test hands the thread
    std::optional<Loss> loss;
    std::vector<std::string> toClients;

    std::map<int, Pair> pairs; // by client descriptor; the thread's alone

    void run();
    void accept();
    void end(Pair& pair, bool reset);
    // Forwards what `from` has; false when the pair ended.
    bool forward(Pair& pair, bool fromClient);
};

void DamagingProxy::Impl::run()
{
    while (!stopping) {
        std::vector<pollfd> polled { { listener, POLLIN, 0 }, { wake, POLLIN, 0 } };
        for (auto& [fd, pair] : pairs) {
            polled.push_back({ pair.client, POLLIN, 0 });
            polled.push_back({ pair.target, POLLIN, 0 });
        }
        if (::poll(polled.data(), polled.size(), -1) < 0)
            continue;
        if (polled[1].revents) {
            uint64_t ignored;
            (void)!::read(wake, &ignored, sizeof ignored);
            std::vector<std::string> bytes;
            {
                std::lock_guard guard(lock);
                bytes.swap(toClients);
            }
            for (auto& b : bytes)
                for (auto& [fd, pair] : pairs)
                    sendAll(pair.client, b.data(), b.size());
        }
        if (polled[0].revents)
            accept();
        for (size_t i = 2; i < polled.size(); i += 2) {
            auto it = pairs.find(polled[i].fd);
            if (it == pairs.end())
                continue;
            if (polled[i].revents && !forward(it->second, true))
                continue;
            if (polled[i + 1].revents)
                forward(it->second, false);
        }
        for (auto it = pairs.begin(); it != pairs.end();)
            it = it->second.client < 0 ? pairs.erase(it) : std::next(it);
    }
    for (auto& [fd, pair] : pairs)
        end(pair, false);
}

void DamagingProxy::Impl::accept()
{
    int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    int target = connectTo(targetAddress, targetPort);
    if (target < 0) {
        ::close(client);
        return;
    }
    pairs[client] = Pair { client, target, false };
}

void DamagingProxy::Impl::end(Pair& pair, bool reset)
{
    if (pair.client >= 0) {
        if (reset) {
            linger now { 1, 0 };
            setsockopt(pair.client, SOL_SOCKET, SO_LINGER, &now, sizeof now);
        }
        ::close(pair.client);
    }
    if (pair.target >= 0)
        ::close(pair.target);
    pair.client = pair.target = -1;
}

bool DamagingProxy::Impl::forward(Pair& pair, bool fromClient)
{
    if (pair.client < 0)
        return false;
    char buffer[64 * 1024];
    ssize_t n = ::recv(fromClient ? pair.client : pair.target, buffer, sizeof buffer, 0);
    if (n <= 0) {
        end(pair, false);
        return false;
    }
    if (!fromClient) {
        std::optional<Loss> losing;
        if (pair.carriedAnswer) {
            std::lock_guard guard(lock);
            losing = std::exchange(loss, std::nullopt);
        }
        if (losing) {
            ++lost;
            end(pair, *losing == Loss::Reset);
            return false;
        }
        pair.carriedAnswer = true;
    }
    if (!sendAll(fromClient ? pair.target : pair.client, buffer, static_cast<size_t>(n))) {
        end(pair, false);
        return false;
    }
    return true;
}

DamagingProxy::DamagingProxy() : impl_(std::make_unique<Impl>()) { }

DamagingProxy::~DamagingProxy()
{
    if (impl_->thread.joinable()) {
        impl_->stopping = true;
        uint64_t one = 1;
        (void)!::write(impl_->wake, &one, sizeof one);
        impl_->thread.join();
    }
    if (impl_->listener >= 0)
        ::close(impl_->listener);
    if (impl_->wake >= 0)
        ::close(impl_->wake);
}

int DamagingProxy::start(const std::string& address, int targetPort)
{
    auto [listener, port] = platform::openLoopbackListener(0, 64, address);
    if (listener < 0)
        return -1;
    // The polling thread blocks in poll(), not in accept().
    impl_->listener = listener;
    impl_->wake = ::eventfd(0, EFD_CLOEXEC);
    impl_->targetAddress = address;
    impl_->targetPort = targetPort;
    impl_->thread = std::thread([impl = impl_.get()] { impl->run(); });
    port_ = port;
    return port;
}

void DamagingProxy::loseNextAnswer(Loss how)
{
    std::lock_guard guard(impl_->lock);
    impl_->loss = how;
}

int DamagingProxy::answersLost() const { return impl_->lost; }

void DamagingProxy::sendToClients(const std::string& bytes)
{
    {
        std::lock_guard guard(impl_->lock);
        impl_->toClients.push_back(bytes);
    }
    uint64_t one = 1;
    (void)!::write(impl_->wake, &one, sizeof one);
}

} // namespace e2e_testing
