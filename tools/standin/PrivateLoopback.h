// A loopback address that one process holds alone, for services that stop and
// start again on the same port while other programs run beside them (tests on
// a crowded machine, the showcase, the gallery). On 127.0.0.1 the port is free
// between a stop and the restart: another program's server may take it, and
// this program's client would then talk to that server. The whole 127.0.0.0/8
// network is loopback, so a service listening on an address of its own keeps
// its port from servers listening on any other single address (127.0.0.1
// among them), and its clients reach none of those while it is down.
//
// What it does not hold off: a server listening on every address (0.0.0.0)
// with that port. One that takes the port while the service is down blocks
// the restart (the start fails, as on a port in use) and receives the
// service's clients meanwhile. The tests' and programs' own servers listen on
// single addresses, and a port the system chose is seldom one another program
// asks for by number, so among them it holds.
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
