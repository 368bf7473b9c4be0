// Blocking TCP with cancellation: every wait polls the socket together with an
// eventfd that cancel() signals.
#include "platform/net/TcpSocket.h"
#include "platform/net/NameLookup.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace platform {

Ref<TcpSocket> TcpSocket::create()
{
    auto s = adoptRef(new TcpSocket);
    s->wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    s->nudgeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return s->wakeFd_ >= 0 && s->nudgeFd_ >= 0 ? s : nullptr;
}

TcpSocket::~TcpSocket()
{
    close();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
    if (nudgeFd_ >= 0)
        ::close(nudgeFd_);
}

void TcpSocket::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void TcpSocket::cancel()
{
    cancelled_ = true;
    uint64_t one = 1;
    [[maybe_unused]] auto n = write(wakeFd_, &one, sizeof one);
}

TcpSocket::Result TcpSocket::waitFor(short events, double timeout)
{
    if (cancelled_)
        return Result::Cancelled;
    pollfd fds[2] = { { fd_, events, 0 }, { wakeFd_, POLLIN, 0 } };
    int ms = timeout < 0 ? -1 : static_cast<int>(timeout * 1000);
    for (;;) {
        int n = poll(fds, 2, ms);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Result::Failed;
        if (cancelled_ || (fds[1].revents & POLLIN))
            return Result::Cancelled;
        if (n == 0)
            return Result::TimedOut;
        return Result::Ok;
    }
}

void TcpSocket::wake()
{
    uint64_t one = 1;
    [[maybe_unused]] auto n = write(nudgeFd_, &one, sizeof one);
}

TcpSocket::Result TcpSocket::waitReady(bool writing, double timeout, Ready& ready)
{
    ready = {};
    if (cancelled_)
        return Result::Cancelled;
    if (fd_ < 0)
        return Result::Closed;
    pollfd fds[3] = { { fd_, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0 },
                      { wakeFd_, POLLIN, 0 },
                      { nudgeFd_, POLLIN, 0 } };
    int ms = timeout < 0 ? -1 : static_cast<int>(timeout * 1000);
    int n;
    do {
        n = poll(fds, 3, ms);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return Result::Failed;
    if (cancelled_ || (fds[1].revents & POLLIN))
        return Result::Cancelled;
    if (fds[2].revents & POLLIN) {
        uint64_t count = 0;
        [[maybe_unused]] auto r = read(nudgeFd_, &count, sizeof count);
    }
    if (n == 0)
        return Result::TimedOut;
    // An error or hang-up is read or written to find out which.
    const short failed = POLLERR | POLLHUP | POLLNVAL;
    ready.readable = (fds[0].revents & (POLLIN | failed)) != 0;
    ready.writable = writing && (fds[0].revents & (POLLOUT | failed)) != 0;
    return Result::Ok;
}

TcpSocket::Result TcpSocket::connect(const std::string& host, int port, double timeout)
{
    close();
    if (cancelled_)
        return Result::Cancelled;
    // The name is resolved off this thread, so that cancel() also ends a wait
    // on a name server that does not answer.
    std::vector<ResolvedAddress> found;
    switch (resolveName(host, std::to_string(port), SOCK_STREAM, found, wakeFd_)) {
    case LookupResult::Ok:
        break;
    case LookupResult::Cancelled:
        return Result::Cancelled;
    case LookupResult::Failed:
        return Result::Failed;
    }
    Result result = Result::Failed;
    for (const ResolvedAddress& a : found) {
        fd_ = socket(a.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            continue;
        int rc = ::connect(fd_, reinterpret_cast<const sockaddr*>(&a.address), a.length);
        if (rc != 0 && errno == EINPROGRESS) {
            result = waitFor(POLLOUT, timeout);
            if (result == Result::Ok) {
                int err = 0;
                socklen_t len = sizeof err;
                getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len);
                rc = err == 0 ? 0 : -1;
                result = rc == 0 ? Result::Ok : Result::Failed;
            }
        } else {
            result = rc == 0 ? Result::Ok : Result::Failed;
        }
        if (result == Result::Ok)
            break;
        close();
        if (result == Result::Cancelled)
            break;
    }
    return result;
}

TcpSocket::Result TcpSocket::sendAll(const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        if (fd_ < 0)
            return Result::Closed;
        ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            Result r = waitFor(POLLOUT, 30.0);
            if (r != Result::Ok)
                return r;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return Result::Closed;
    }
    return Result::Ok;
}

TcpSocket::Result TcpSocket::sendAvailable(std::string_view bytes, size_t& sent)
{
    sent = 0;
    if (fd_ < 0)
        return Result::Closed;
    while (sent < bytes.size()) {
        ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0)
            sent += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        else
            return Result::Closed;
    }
    return Result::Ok;
}

TcpSocket::Result TcpSocket::receive(std::string& out, size_t max, double timeout)
{
    if (fd_ < 0)
        return Result::Closed;
    Result r = waitFor(POLLIN, timeout);
    if (r != Result::Ok)
        return r;
    std::string buffer(max, '\0');
    ssize_t n;
    do {
        n = recv(fd_, buffer.data(), max, 0);
    } while (n < 0 && errno == EINTR);
    if (n == 0)
        return Result::Closed;
    if (n < 0)
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? Result::TimedOut : Result::Closed;
    out.append(buffer.data(), static_cast<size_t>(n));
    return Result::Ok;
}

int TcpSocket::listenLoopback(int port)
{
    close();
    auto [fd, bound] = openLoopbackListener(port, 16);
    fd_ = fd;
    return bound;
}

std::pair<int, int> openLoopbackListener(int port, int backlog, const std::string& address)
{
    sockaddr_in where {};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<uint16_t>(port));
    // Only the loopback network: a listener here is never reachable from outside.
    if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1 || (ntohl(where.sin_addr.s_addr) >> 24) != 127)
        return { -1, -1 };
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return { -1, -1 };
    // Only SO_REUSEADDR: SO_REUSEPORT would let a second server share a port in use.
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    socklen_t length = sizeof where;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 || ::listen(fd, backlog) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length) != 0) {
        ::close(fd);
        return { -1, -1 };
    }
    return { fd, ntohs(where.sin_port) };
}

Ref<TcpSocket> TcpSocket::accept(double timeout, Result* result)
{
    Result r = waitFor(POLLIN, timeout);
    if (r == Result::Ok) {
        int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            auto s = create();
            if (!s) {
                ::close(fd);
                r = Result::Failed;
            } else {
                s->fd_ = fd;
                if (result)
                    *result = Result::Ok;
                return s;
            }
        } else {
            r = Result::Failed;
        }
    }
    if (result)
        *result = r;
    return nullptr;
}

} // namespace platform
