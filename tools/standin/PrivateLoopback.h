// A loopback address that one process holds alone, for services that stop and
// start again on the same port while other programs run beside them (tests on
// a crowded machine, the showcase, the gallery). On 127.0.0.1 the port is free
// between a stop and the restart: another program's server may take it, and
// this program's client would then talk to that server. The whole 127.0.0.0/8
// network is loopback, so a service listening on an address of its own keeps
// its port from every server listening elsewhere, and its clients reach no one
// else while it is down.
#pragma once

#include <string>

namespace standin {

class PrivateLoopback {
public:
    // Picks an address of 127.0.0.0/8 (never 127.0.0.1) that no other process
    // on the machine holds, and holds it until destroyed. It is held through a
    // local socket named after it, which the system frees if the process dies.
    PrivateLoopback();
    ~PrivateLoopback();
    PrivateLoopback(const PrivateLoopback&) = delete;
    PrivateLoopback& operator=(const PrivateLoopback&) = delete;

    // "127.A.B.C"
    const std::string& address() const { return address_; }

private:
    std::string address_;
    int claim_ { -1 };
};

} // namespace standin
