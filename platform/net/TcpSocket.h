// TcpSocket: a blocking TCP connection for a thread of its own (the presence
// channel). Every wait can be cut short from another thread with cancel(),
// which makes the pending and all later calls fail at once: connect()'s name
// lookup too, which runs on a lookup thread of its own.
//
// connect() and receive() wait at most their timeouts (real time). The
// socket's own reference count is atomic, so it may be shared with the thread.
// A thread that writes and reads alike waits in waitReady(), which wake()
// ends from another thread (new bytes to write), and writes with
// sendAvailable(), which never waits on the peer.
#pragma once

#include "platform/foundation/Object.h"

#include <atomic>
#include <string>
#include <string_view>
#include <utility>

namespace platform {

class TcpSocket final : public Object {
public:
    [[nodiscard]] static Ref<TcpSocket> create();
    ~TcpSocket() override;

    enum class Result { Ok, Failed, TimedOut, Cancelled, Closed };

    Result connect(const std::string& host, int port, double timeout);
    Result sendAll(const std::string& bytes);
    // Writes what the socket takes now, without waiting; `sent` says how much
    // (Ok with fewer bytes, or none, while the peer reads no further).
    Result sendAvailable(std::string_view bytes, size_t& sent);
    struct Ready {
        bool readable { false };
        bool writable { false };
    };
    // Waits until the socket can be read, or written when `writing`, or until
    // wake() (Ok with neither set); TimedOut after `timeout` (negative: none).
    Result waitReady(bool writing, double timeout, Ready& ready);
    // From any thread: ends the pending or the next waitReady() once.
    void wake();
    // Reads what is available (up to max bytes) into out; Closed at end of stream.
    Result receive(std::string& out, size_t max, double timeout);
    // From any thread.
    void cancel();
    bool isCancelled() const { return cancelled_.load(); }
    void close();

    // Listening side, for tests and the stand-in: binds 127.0.0.1 on `port`
    // (0 lets the system choose) and answers the port, or -1.
    int listenLoopback(int port = 0);
    Ref<TcpSocket> accept(double timeout, Result* result = nullptr);

private:
    TcpSocket() = default;
    Result waitFor(short events, double timeout);

    int fd_ { -1 };
    int wakeFd_ { -1 };  // cancel()
    int nudgeFd_ { -1 }; // wake()
    std::atomic<bool> cancelled_ { false };
};

// The loopback address servers on this machine listen on unless told another.
inline constexpr const char* kLoopbackAddress = "127.0.0.1";

// Opens a non-blocking socket listening on `address`:`port` (port 0 lets the
// system choose; `address` one of the loopback network's, 127.0.0.0/8):
// answers the descriptor and the port bound, or {-1, -1}.
std::pair<int, int> openLoopbackListener(int port, int backlog, const std::string& address = kLoopbackAddress);

} // namespace platform
