// The HTTP/1.1 server under both of the stand-in's ports (the service and the
// storage host). One thread polls every connection and reads each request
// whole before anything acts on it, so an idle or slow client costs a buffer
// and a descriptor, never a worker; a request it cannot read is answered with
// the reason and logged; an answer may be handed back later, from any thread,
// and goes out in one write (TCP_NODELAY is set too).
//
// The caveat: onRequest runs on the polling thread and must not block; the
// servers hand their work to a WorkerPool.
#pragma once

#include "tools/standin/StandInServer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace standin::http {

// The limits of what a request may carry before its body.
constexpr size_t kMaxMethod = 32;
constexpr size_t kMaxTarget = 8192;
// A request line: the method, the address and "HTTP/1.1", a space between.
constexpr size_t kMaxRequestLine = kMaxMethod + 1 + kMaxTarget + 1 + 8;
constexpr size_t kMaxHeaderLine = 8192;
constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr size_t kMaxHeaders = 100;
// A chunked body's size lines, and what it may carry besides its data and the
// shortest size lines (extensions, padding, trailers): a budget of its own,
// counted the same however the body's bytes are split.
constexpr size_t kMaxChunkSizeLine = 1024;
constexpr size_t kMaxChunkFraming = 64 * 1024;

// Why a request cannot be read: the status it is answered with and the reason.
struct Refusal {
    int status { 400 };
    std::string why;
};

// A method is a word of at most kMaxMethod letters.
bool isMethod(std::string_view method);
// What is wrong with a request's address (over kMaxTarget bytes: 414; not a
// path from "/", a space or control character in it, or a NUL once decoded:
// 400); none when it can be served. The same check holds for requests that
// come inside the presence channel.
std::optional<Refusal> checkTarget(const std::string& target);

// A value a client sent, made fit for one log line: control characters and
// the backslash are escaped ("\x0a", "\\"), and once escaped it is cut at
// `limit` bytes (never inside a character) with what was left out counted, so
// no client can forge or flood a line.
constexpr size_t kLogValueLimit = 1024;
std::string loggable(const std::string& text, size_t limit = kLogValueLimit);

// What both polling loops (the HTTP server's and the presence channel's)
// stand on: a listening socket on the loopback address, the accepting of
// newcomers within a cap, and a way for other threads to wake the loop.

// The address a connected socket's peer is at ("" when it cannot be told),
// and its port.
std::string peerAddress(int fd, int* port = nullptr);

// Listens on a loopback address (127.0.0.1 unless named) without blocking
// (port 0: the system chooses; a port in use is refused, never shared): the
// descriptor and its port, or -1, -1.
std::pair<int, int> listenOnLoopback(int port, const std::string& address = platform::kLoopbackAddress);

struct Acceptor {
    using Clock = std::chrono::steady_clock;
    int listener { -1 };
    Clock::time_point resumes {}; // accepting pauses after a failure it cannot mend

    // The descriptor to poll for newcomers, or -1 while paused (and `next`
    // is brought forward to the pause's end).
    int pollable(Clock::time_point now, Clock::time_point& next) const;
    // Takes every connection waiting, each non-blocking with TCP_NODELAY,
    // and hands it to take(). When full() holds or descriptors run out,
    // makeRoom() is asked to close one; when it cannot, the newcomer is closed.
    void acceptAll(const std::function<bool()>& full, const std::function<bool()>& makeRoom,
                   const std::function<void(int fd)>& take);
    void close();
};

// An eventfd other threads write to wake a polling loop.
class Wakeup {
public:
    Wakeup();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;
    int fd() const { return fd_; }
    void wake();
    // Takes what woke the loop, once poll() said so.
    void drain();

private:
    int fd_ { -1 };
};

// The request bodies (or unfinished frames) a server holds at once, across
// all of its connections: those still arriving and those handed on and not
// answered yet (kBodyBudget by default). Each connection holds a share; a
// share that would take the budget past its limit is refused, and the
// request or frame with it. The polling thread alone changes it; any thread
// may read what is held.
class BodyBudget {
public:
    explicit BodyBudget(size_t limit) : limit_(limit) { }
    BodyBudget(const BodyBudget&) = delete;
    BodyBudget& operator=(const BodyBudget&) = delete;
    size_t limit() const { return limit_; }
    size_t held() const { return held_.load(); }

    // What one request holds of a budget (of none: it takes what it likes),
    // given back when the share ends; it must end before the budget.
    class Share {
    public:
        Share() = default;
        explicit Share(BodyBudget* budget) : budget_(budget) { }
        Share(Share&& other) noexcept;
        Share& operator=(Share&& other) noexcept;
        Share(const Share&) = delete;
        Share& operator=(const Share&) = delete;
        ~Share() { resize(0); }
        // Holds `bytes` from now on; false (holding what it held) when
        // growing to them would take the budget past its limit.
        bool resize(size_t bytes);
        size_t bytes() const { return bytes_; }

    private:
        BodyBudget* budget_ { nullptr };
        size_t bytes_ { 0 };
    };

private:
    const size_t limit_;
    std::atomic<size_t> held_ { 0 };
};

// A request read whole.
struct Request {
    std::string method;
    std::string target; // path and query, as sent
    bool http10 { false };
    Params headers;
    std::string body;            // empty when it was over the limit
    size_t bodyBytes { 0 };      // what the body carried
    bool bodyTooLarge { false }; // over the limit: read and dropped
    bool keepAlive { true };
    int peerPort { 0 }; // the client's port of the connection it came on (0: not from a connection)
    std::string peerAddress; // and its address ("" when not from a connection)

    // A header's value (name compared without case), absent when not sent.
    std::optional<std::string> header(const std::string& name) const;
    // The path without query, leading "/" and percent-encoding.
    std::string path() const;
};

// Reads requests off the front of a connection's bytes, one at a time.
class RequestReader {
public:
    // How many body bytes to keep of a request whose headers were read; the
    // rest is read and dropped.
    using BodyLimit = std::function<size_t(const Request&)>;
    explicit RequestReader(BodyLimit limit) : limit_(std::move(limit)) { }

    enum class Step { More, Done, Refused };
    // Takes what it can off the front of `in`. Done: request() is whole;
    // Refused: status() and why() say what is wrong, and the connection
    // cannot go on (its framing is lost).
    Step take(std::string& in);
    Request& request() { return request_; }
    int status() const { return status_; }
    const std::string& why() const { return why_; }
    // The request's head is read and its client waits for "100 Continue".
    bool wantsContinue() const { return wantsContinue_; }
    void continueSent() { wantsContinue_ = false; }
    // Whether any byte of the next request has arrived.
    bool started() const { return phase_ != Phase::Head || lines_ > 0 || pending_ > 0; }
    // Ready for the next request on the same connection.
    void reset();
    // The budget the bodies it keeps take their bytes from (none: unbounded);
    // a body that does not fit is read to its end, dropped and refused with
    // 503. Set while no request is begun.
    void setBudget(BodyBudget* budget);
    // The share of the budget the request read whole holds, for whoever
    // answers it to give back once answered; before reset().
    BodyBudget::Share takeShare() { return std::move(share_); }

private:
    enum class Phase { Head, Body, ChunkSize, ChunkData, ChunkEnd, Trailer, Done, Refused };
    Step refuse(int status, std::string why);
    bool fail(int status, std::string why); // refuse(), answering false
    bool headLine(const std::string& line);
    bool headDone();
    std::optional<Refusal> unfinishedLine(std::string_view unfinished) const;
    static std::optional<Refusal> requestLineStart(std::string_view line);
    std::optional<Refusal> trailerLine(size_t length) const;
    static std::string chunkLineTooLong();
    static std::string framingTooLarge();
    void keep(const char* data, size_t length);

    BodyLimit limit_;
    BodyBudget* budget_ { nullptr };
    BodyBudget::Share share_;
    Phase phase_ { Phase::Head };
    Request request_;
    size_t lines_ { 0 };
    size_t headBytes_ { 0 };
    size_t pending_ { 0 }; // bytes of an unfinished line already looked at
    size_t limitBytes_ { 0 };
    size_t remaining_ { 0 };
    size_t framing_ { 0 }; // a chunked body's framing beyond its shortest size lines
    bool wantsContinue_ { false };
    bool overBudget_ { false }; // its body found no room in the budget: read and dropped
    int status_ { 0 };
    std::string why_;
};

struct Response {
    int status { 200 };
    std::string contentType;
    std::string body;
    size_t truncateAfter { 0 }; // >0: announce the whole body, send this many bytes, close
    size_t fillerBytes { 0 };   // >0: a body of this many filler bytes, made as it goes out
    Params headers {};          // further headers (WWW-Authenticate on a refused signature)
};

// Hands a response back (once, from any thread); does nothing once the
// server has stopped or the connection is gone.
using Reply = std::function<void(Response)>;

struct Settings {
    RequestReader::BodyLimit bodyLimit;
    std::function<void(Request&&, Reply)> onRequest;
    // A request refused before it reached onRequest: its method and path as
    // far as they were read ("-" when not), the status and the reason.
    std::function<void(const std::string& method, const std::string& path, int status, const std::string& why)> onRefused;
    bool closeAfterEachAnswer { false };
    // A connection that sends nothing for this long is closed, and a request
    // must arrive whole within it from its first byte (the whole request,
    // not each byte: a client dripping bytes gains nothing); one that does
    // not is answered 408 and its connection closed.
    std::chrono::milliseconds readTimeout { 10000 };
    // At most this many connections; past it, or when descriptors run out,
    // the connection idle longest makes room, else the unfinished request
    // that began longest ago (answered 408).
    size_t maxConnections { 8192 };
    // The body bytes all connections may hold at once (BodyBudget).
    size_t bodyBudget { kBodyBudget };
};

class Server {
public:
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens on `address`, a loopback address (port 0: the system chooses; a
    // port in use is refused, never shared); answers the port or -1.
    int start(int port, Settings settings, const std::string& address = platform::kLoopbackAddress);
    // Closes every connection; answers handed back later are dropped.
    void stop();
    // Runs `task` on the polling thread after `delay`, or at once on the
    // caller's thread when the server is not running (so it always runs).
    void after(std::chrono::milliseconds delay, std::function<void()> task);
    size_t openConnections() const;
    // The body bytes its connections hold now, of Settings::bodyBudget.
    size_t bodyBytesHeld() const;

private:
    struct Core;
    // The running server's core, read by after() from the handlers' threads
    // while a restart in place swaps it: taken and set under coreMutex_.
    std::shared_ptr<Core> core() const;
    mutable std::mutex coreMutex_;
    std::shared_ptr<Core> core_;
    std::thread thread_;
};

// A server's handlers as the presence channel reaches them: a request made
// from a frame (its Host the server's own address) is limited, logged and
// answered as one read from a connection.
class RequestSink {
public:
    virtual ~RequestSink() = default;
    // False (neither is called) when the server is not serving. Otherwise
    // `handled` is told, from any thread, once the request has left the
    // workers (its route has run, or it never needed one), with the bytes of
    // its answer, which may wait a while before it goes (held or delayed).
    using Handled = std::function<void(size_t answerBytes)>;
    virtual bool take(Request&& request, Reply reply, Handled handled = {}) = 0;
    // "ADDRESS:PORT", where the server listens.
    virtual std::string host() const = 0;
};

// A fixed set of threads running tasks in the order posted, with at most
// `maxWaiting` tasks waiting for a thread: what waits for a worker is bounded
// as what is read is.
class WorkerPool {
public:
    explicit WorkerPool(size_t threads, size_t maxWaiting = SIZE_MAX);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;
    enum class Posted { Queued, Full, Stopped };
    // Full: as many tasks wait as may; Stopped: the pool is stopping. Either way the task is not run.
    Posted post(std::function<void()> task);
    size_t maxWaiting() const { return maxWaiting_; }
    // Runs what is queued, then ends the threads.
    void stop();

private:
    const size_t maxWaiting_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    std::vector<std::thread> threads_;
    bool stopping_ { false };
};

// The requests a server keeps for tests to read, oldest first, within a
// budget of bytes: past it the oldest go, so large requests cannot pile up.
class RequestLog {
public:
    static constexpr size_t kBudget = 32 * 1024 * 1024;
    void add(LoggedRequest request);
    const std::deque<LoggedRequest>& entries() const { return entries_; }
    size_t bytes() const { return bytes_; }
    void clear();

private:
    std::deque<LoggedRequest> entries_;
    std::deque<size_t> sizes_;
    size_t bytes_ { 0 };
};

const char* reasonPhrase(int status);

} // namespace standin::http

namespace standin {

// A request inside the presence channel (a SEND frame: method, path,
// authorization, content-type, body) as the HTTP request it stands for,
// addressed to the server at `host` ("ADDRESS:PORT").
http::Request channelRequest(const StompStandIn::Frame& frame, const std::string& host);
// The MESSAGE frame that carries a request's answer back on `destination`.
std::string channelAnswer(const std::string& destination, const std::string& correlation, http::Response response);

} // namespace standin
