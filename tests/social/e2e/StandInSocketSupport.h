// Raw loopback connections for the tests that speak HTTP or STOMP to the
// stand-in byte by byte: idle, slow, half-closed or malformed clients. Every
// read gives up after a generous deadline, which only ends a hung test.
#pragma once

#include "StandInRequestSupport.h"

#include <functional>
#include <string>

namespace standin_testing {

class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return fd_ >= 0; }
    bool send(const std::string& bytes);
    // Tells the peer nothing more will be sent; replies can still come.
    void shutdownWrite();
    // What one read returns once something arrived ("" when the peer closed).
    std::string readOnce();
    // One HTTP reply, framed by its Content-Length; status 0 when the
    // connection ended or nothing came before the deadline.
    Reply readReply();
    // Reads until the peer closes; false when it did not before the deadline.
    bool readToEnd(std::string* into = nullptr);
    // Whether the peer has sent something or closed, without waiting.
    bool heardFrom() const;

private:
    int fd_ { -1 };
    std::string pending_; // read past the last reply
};

// Polls `done` (something the stand-in's threads change) until it holds; the
// deadline only ends a hung test.
bool eventually(const std::function<bool()>& done);

// Raises the limit of open descriptors to at least `wanted` for a scope.
class DescriptorLimit {
public:
    explicit DescriptorLimit(unsigned long wanted);
    ~DescriptorLimit();
    bool enough() const { return enough_; }

private:
    unsigned long saved_ { 0 };
    bool changed_ { false };
    bool enough_ { false };
};

} // namespace standin_testing
