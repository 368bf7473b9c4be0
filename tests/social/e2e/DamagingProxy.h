// A loopback TCP proxy the end-to-end tests put between the client and the
// stand-in, to damage what crosses the wire as a failing network or a lying
// peer would: an answer lost on a kept-alive connection (the connection closed
// or reset once the service has answered, the answer never passed on), or
// bytes of its own sent to the client (a presence frame whose length lies).
// Everything else passes both ways unchanged. One thread polls every
// connection; the test arms the damage from its own thread.
#pragma once

#include <memory>
#include <string>

namespace e2e_testing {

class DamagingProxy {
public:
    DamagingProxy();
    ~DamagingProxy();
    DamagingProxy(const DamagingProxy&) = delete;
    DamagingProxy& operator=(const DamagingProxy&) = delete;

    // Listens on the loopback `address` (a port the system chooses) and passes
    // each connection on to address:targetPort; answers the port, or -1.
    int start(const std::string& address, int targetPort);
    int port() const { return port_; }

    enum class Loss { Close, Reset };
    // The next answer on a connection that has carried one before is lost:
    // when its first bytes come from the service, both sides of that
    // connection end (the client's with a reset for Loss::Reset).
    void loseNextAnswer(Loss how);
    int answersLost() const;
    // Sends `bytes` to the client of every connection open now, between what
    // the service sends.
    void sendToClients(const std::string& bytes);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int port_ { -1 };
};

} // namespace e2e_testing
