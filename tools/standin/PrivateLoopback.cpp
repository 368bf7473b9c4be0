// An address of the loopback network claimed through an abstract local socket.
#include "tools/standin/PrivateLoopback.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <random>

namespace standin {

namespace {

// Binds the abstract socket named after `address`: only one process can hold a name.
int claim(const std::string& address)
{
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const std::string name = "brisko-private-loopback/" + address;
    sockaddr_un where {};
    where.sun_family = AF_UNIX;
    // An abstract name: a leading NUL, no file, gone with the last descriptor.
    std::memcpy(where.sun_path + 1, name.data(), name.size());
    socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

PrivateLoopback::PrivateLoopback()
{
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<int> second(1, 254), third(0, 255), fourth(1, 254);
    // Sixteen million addresses: a clash with another process is rare, and another pick mends it.
    while (claim_ < 0) {
        address_ = "127." + std::to_string(second(random)) + "." + std::to_string(third(random)) + "."
            + std::to_string(fourth(random));
        claim_ = claim(address_);
        if (claim_ < 0 && errno != EADDRINUSE) {
            // No local sockets to claim with: the address is still one no other program names.
            break;
        }
    }
}

PrivateLoopback::~PrivateLoopback()
{
    if (claim_ >= 0)
        ::close(claim_);
}

} // namespace standin
