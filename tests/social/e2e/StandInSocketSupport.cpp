// Raw loopback connections to the stand-in, read with a deadline that only
// ends a hung test, and the limit of open descriptors raised for a scope.
#include "StandInSocketSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace standin_testing {

RawConnection::RawConnection(int port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval deadline { 60, 0 };
    if (fd_ >= 0)
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &deadline, sizeof deadline);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

RawConnection::~RawConnection()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool RawConnection::send(const std::string& bytes)
{
    size_t sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return fd_ >= 0;
}

void RawConnection::shutdownWrite() { ::shutdown(fd_, SHUT_WR); }

std::string RawConnection::readOnce()
{
    char buffer[65536];
    ssize_t n = fd_ >= 0 ? ::recv(fd_, buffer, sizeof buffer, 0) : -1;
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

Reply RawConnection::readReply()
{
    Reply reply;
    std::string raw = std::move(pending_);
    pending_.clear();
    for (;;) {
        size_t end = raw.find("\r\n\r\n");
        if (end != std::string::npos) {
            size_t length = 0;
            if (size_t at = raw.find("Content-Length: "); at != std::string::npos && at < end)
                length = std::strtoul(raw.c_str() + at + 16, nullptr, 10);
            if (raw.size() >= end + 4 + length) {
                reply.status = std::atoi(raw.c_str() + 9);
                reply.body = raw.substr(end + 4, length);
                pending_ = raw.substr(end + 4 + length);
                return reply;
            }
        }
        std::string more = readOnce();
        if (more.empty())
            return reply;
        raw += more;
    }
}

bool RawConnection::readToEnd(std::string* into)
{
    char buffer[65536];
    for (;;) {
        ssize_t n = fd_ >= 0 ? ::recv(fd_, buffer, sizeof buffer, 0) : -1;
        if (n == 0)
            return true;
        if (n < 0)
            return false;
        if (into)
            into->append(buffer, static_cast<size_t>(n));
    }
}

bool RawConnection::heardFrom() const
{
    pollfd p { fd_, POLLIN, 0 };
    return ::poll(&p, 1, 0) > 0;
}

bool eventually(const std::function<bool()>& done)
{
    auto deadline = std::chrono::steady_clock::now() + testing_support::kHungAfter;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

DescriptorLimit::DescriptorLimit(unsigned long wanted)
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    saved_ = limit.rlim_cur;
    if (limit.rlim_cur < wanted && limit.rlim_max >= wanted) {
        limit.rlim_cur = wanted;
        changed_ = setrlimit(RLIMIT_NOFILE, &limit) == 0;
    }
    enough_ = changed_ || saved_ >= wanted;
}

DescriptorLimit::~DescriptorLimit()
{
    if (!changed_)
        return;
    rlimit limit {};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = saved_;
    setrlimit(RLIMIT_NOFILE, &limit);
}

} // namespace standin_testing
