// The stand-in for the social-gaming service: a loopback HTTP server that
// answers the client's requests from fixture files, from per-route handlers or
// from scripted answers, logs every request (method, path, decoded parameters
// in wire order, OAuth header) and verifies OAuth 1.0 signatures on its own,
// without the client's signing code. Requests that travel inside the presence
// channel reach the same handlers: the STOMP stand-in hands them to this
// server as HTTP requests.
//
// It serves on its own threads: one polls every connection and reads each
// request whole, so idle or slow clients cannot keep it from answering; a few
// workers run the routes. Tests start it in-process and read the log, which
// keeps the latest requests within a budget of bytes. Held answers wait until
// releaseHeld() or stop() without taking a worker, so a test can time a
// request out without the server ever answering. A port in use is refused,
// never shared.
#pragma once

#include "platform/net/TcpSocket.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace standin {

namespace http {
class RequestSink;
// The bytes of request bodies (or unfinished frames) a server holds at once
// across its connections (BodyBudget in StandInHttp.h).
constexpr size_t kBodyBudget = 64 * 1024 * 1024;
} // namespace http

using Params = std::vector<std::pair<std::string, std::string>>;

struct LoggedRequest {
    std::string method;
    std::string path; // without the query, leading "/" removed
    Params params;    // query, then form body, decoded, in wire order
    std::string authorization;
    std::string contentType;
    std::string body;
    Params headers; // as received (a request from the channel arrives as an HTTP request too)
    bool signed_ { false };        // carried an OAuth header
    bool signatureValid { false }; // and it verified
    std::string signatureFailure;  // why it did not
    std::string oauthProblem;      // and which check refused it, in OAuth's words ("timestamp_refused")
    std::string oauthToken;
    bool viaChannel { false }; // came inside the presence channel

    // The first value of a parameter, or empty.
    std::string param(const std::string& name) const;
    bool hasParam(const std::string& name) const;
    // A header's value (name compared without case), absent when not sent.
    std::optional<std::string> header(const std::string& name) const;
};

struct Answer {
    int status { 200 };
    std::string body;
    std::string contentType { "application/xml; charset=utf-8" };
    bool hold { false };            // wait until released before answering
    size_t truncateAfter { 0 };     // >0: announce the full length, send this many bytes, drop
    size_t hugeBodyBytes { 0 };     // >0: stream a body of this many bytes of filler
    Params headers;                 // further headers sent with it

    static Answer xml(std::string body, int status = 200)
    {
        Answer a;
        a.status = status;
        a.body = std::move(body);
        return a;
    }
};

using Handler = std::function<Answer(const LoggedRequest&)>;

// The largest bodies the service reads. A form carries at most a cloud value
// of 256 KiB, percent-encoded up to three times its size; a multipart body a
// picture or a blob of the same size (the limit counts the parts' contents).
// A larger body is answered 413 with its reason and reaches no route.
constexpr size_t kFormBodyLimit = 1024 * 1024;
// How far a signed request's timestamp may be from the service's clock, and
// the bytes the requests taken are remembered in to refuse their replays
// (NonceMemory: some 74,000 of the client's), a caller's (a player's token,
// or the game's key alone from one address) within a sixteenth of them: some
// 4,600, more than a game sends in the window, so no caller pushes out another's.
constexpr long kTimestampWindow = 300;
constexpr size_t kNonceMemoryBudget = 16 * 1024 * 1024;
constexpr size_t kNonceMemoryShare = kNonceMemoryBudget / 16;
constexpr size_t kMultipartBodyLimit = 2 * 1024 * 1024;

class StandInServer {
public:
    StandInServer();
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    // Listens on a loopback address, 127.0.0.1 unless named (port 0: the
    // system chooses); answers the port or -1.
    int start(int port = 0, const std::string& address = platform::kLoopbackAddress);
    void stop();
    int port() const { return port_; }
    // "http://ADDRESS:PORT/"
    std::string baseUrl() const;

    // GET requests without a route answer the file at that path under dir.
    void setFixtureDirectory(std::string dir);
    void route(const std::string& method, const std::string& path, Handler handler);
    void route(const std::string& method, const std::string& path, Answer answer);
    // Requests whose path starts with `prefix` and that have no route of their
    // own (the first matching prefix, in the order added).
    void routePrefix(const std::string& method, const std::string& prefix, Handler handler);
    // One-shot answers, used before the route: the next request to that path gets it.
    void script(const std::string& method, const std::string& path, Answer answer);
    // Until given none, every request is answered so after its signature's check (a service down
    // for maintenance, or one that asks this client to upgrade); a one-shot answer goes first.
    void answerEveryRequest(std::optional<Answer> answer);

    // OAuth: the consumer and the tokens the server knows.
    void setConsumer(std::string key, std::string secret);
    void addToken(std::string token, std::string secret);
    // The token is refused from now on: a request signed with it is answered
    // 401 (token_rejected) before any scripted answer or route.
    void forgetToken(const std::string& token);
    // Signed requests whose signature does not verify are answered 401 (the
    // program's behaviour; in-process tests may inspect them instead).
    void setRejectsBadSignatures(bool rejects);
    // A signed request verifies only once: one whose consumer, token,
    // oauth_timestamp and oauth_nonce were seen before is a replay, and one
    // whose timestamp is further than the window (kTimestampWindow by
    // default) from the service's clock is stale. The client stamps its
    // requests with the real clock, not a test's manual one; a window of 0
    // turns the timestamp check off (never the replay check) for a client
    // that stamps them otherwise.
    void setTimestampWindow(std::chrono::seconds window);
    // The service's clock runs `offset` ahead of the machine's (behind when
    // negative): a device whose clock is that far off, as the service sees it.
    void setClockOffset(std::chrono::seconds offset);
    // Keeps the signed requests taken beyond the server's memory, so that one
    // taken before a restart is refused after it too (the state keeps them on
    // its disk: StandInState::install). `before` is what was kept, remembered
    // at once; `keep` is told each request taken from then on (its key and
    // timestamp, and the timestamp up to which the memory refuses every
    // request), before its route runs. A request it could not keep is
    // answered 500 and reaches no route.
    struct TakenRequests {
        std::vector<std::pair<std::string, long long>> taken; // key, timestamp
        // Each caller's horizon (NonceMemory::caller); an empty name stands for every caller.
        std::map<std::string, long long> forgottenUpTo;
    };
    // A request taken, with the horizon of its caller's requests forgotten.
    using KeepTaken = std::function<bool(const std::string& key, long long timestamp, const std::string& caller,
                                         std::optional<long long> forgottenUpTo)>;
    void keepTakenRequests(const TakenRequests& before, KeepTaken keep);
    // Receives one line per answered request: method, path, status and the
    // signature verdict ("GET users.xml 200 signature verified"), then
    // "(scripted)" for a one-shot answer, not the route's; a refusal
    // (status 400 and above) adds its reason after a colon. A request that
    // cannot be read is logged with "not read" for a verdict, and "-" for a
    // method or path it did not get to ("- - 400 not read: ...").
    void setLogSink(std::function<void(const std::string& line)> sink);

    // Releases every answer held so far (by Answer::hold or holdAnswersTo),
    // and those of requests already in the log that have not reached their
    // hold yet (their route or delay still running).
    void releaseHeld();
    // Answers to requests for `path` (any method) wait, after their route has
    // run and its state is kept, until releaseHeld(); for a test that must
    // see a late answer every time. stopHolding() ends it and releases them.
    void holdAnswersTo(const std::string& path);
    void stopHolding();
    // Answers waiting for releaseHeld() now.
    size_t heldCount() const;
    // Every answer waits a random time from minMs to maxMs milliseconds after
    // its route has run, to try the client against a slow service (0, 0: no
    // wait). The environment variable BRISKO_STANDIN_DELAY_MS=MIN,MAX sets
    // it for every server made.
    void setAnswerDelay(int minMs, int maxMs);
    // The delays run on the main run loop's clock (a test's manual clock)
    // instead of real time, and replay: each is drawn from `seed`, the
    // request's method and path and how many such requests came before it.
    // A delayed answer waits, counted as held, until a timer of the loop
    // sends it once its delay has passed on the loop's clock (from the time
    // the loop first took it, which it does before the network settles).
    // From the main thread.
    void delayAnswersOnLoop(uint32_t seed);
    // When the next answer waiting for the loop's clock falls due, if one waits.
    std::optional<double> nextDelayedAnswerDue() const;
    // The client that asked went: every answer still waiting for the loop's
    // clock or for a release goes now, to nobody, so that none of them is
    // taken for one the next client waits on. From the main thread.
    void sendWaitingAnswersNow();
    // Whether the bootstrap answers enable presence, so that the client
    // opens the presence channel and sends its requests inside it (off by
    // default; BRISKO_STANDIN_PRESENCE=1 turns it on for every server made).
    // The channel itself is a StompStandIn forwarding to this server.
    void setPresenceEnabled(bool enabled);
    bool presenceEnabled() const;
    // The bootstrap answer's presence elements: enabled with the player's
    // queue when presence is on, else disabled.
    std::string presenceElements(const std::string& queue) const;
    // The range in force (0, 0: answers are not delayed).
    std::pair<int, int> answerDelay() const;
    // Requests received whose answer has not been handed back yet (held,
    // delayed or being made), so a test can tell when the service is quiet.
    size_t answeringCount() const;
    // The requests in its hands, seen in one look: the answering and held
    // counts above, and the client's port of each such request (0 for one
    // that came inside the presence channel), by which a settle tells which
    // of the client's requests the service has taken. Read apart, a request
    // taken between two reads would pass for one already answered.
    struct InHand {
        size_t answering { 0 };
        size_t held { 0 };
        std::vector<int> ports;
    };
    InHand requestsInHand() const;

    std::vector<LoggedRequest> requests() const;
    size_t requestCount() const;
    void clearLog();

    // The built-in routes of the service: bootstrap (issuing a token) and presence queue.
    // A bootstrap answer with every element the client reads, none at its
    // default: counters 1 to 7, every flag true, the player 17 "Player".
    static std::string completeBootstrapAnswer(const std::string& accessToken, const std::string& tokenSecret);

    void installDefaultRoutes(const std::string& accessToken = "token-1", const std::string& tokenSecret = "token-secret-1",
                              const std::string& presenceQueue = "/queue/presence.1");

    // The account routes (device accounts, login, credentials, name, e-mail,
    // password, reset, extended credentials): success, or field errors for
    // the inputs the service refuses. The device has `deviceAccounts` accounts.
    void installAccountRoutes(int deviceAccounts = 0);
    // A page of `count` users (17 "Player", 18 "Second", ... at most four).
    static std::string deviceAccountsAnswer(int count);

private:
    friend class StompStandIn;
    // Where requests inside the presence channel are handed; it does not
    // keep the server alive.
    std::weak_ptr<http::RequestSink> requestSink() const;

    struct Impl;
    std::shared_ptr<Impl> impl_;
    std::string address_ { platform::kLoopbackAddress };
    int port_ { -1 };
};

// "MIN,MAX" milliseconds (0 <= MIN <= MAX), as --answer-delay and
// BRISKO_STANDIN_DELAY_MS give it; none when malformed, with what is wrong in `why`.
std::optional<std::pair<int, int>> parseDelayRange(const std::string& text, std::string* why = nullptr);

// Independent OAuth 1.0 HMAC-SHA1 verification of one request; a request
// that verifies also carries an oauth_nonce and an oauth_timestamp (a
// positive number of seconds). Whether it was seen before, or is too old,
// is the server's to judge (setTimestampWindow). A refusal is said in words
// (`failure`) and as OAuth's problem word (`problem`: "signature_invalid",
// "parameter_absent", "signature_method_rejected").
bool verifyOAuthSignature(const std::string& method, const std::string& baseUrl, const Params& requestParams,
                          const std::string& authorizationHeader, const std::string& consumerSecret,
                          const std::string& tokenSecret, std::string* failure = nullptr,
                          std::string* problem = nullptr);
// The answer to a signed request whose check failed: 401, saying which check
// refused it as OAuth's problem reporting does (WWW-Authenticate: OAuth
// realm="", oauth_problem="timestamp_refused"), so that a client tells a
// device clock that is off from a wrong key or token.
Answer signatureRefusal(const LoggedRequest& r);
// `bytes` bytes from the system's cryptographic generator, as hexadecimal:
// tokens, their secrets, salts and the storage host's secret, which no one
// may guess from what the service gave out before. None when it has none.
std::optional<std::string> randomHex(size_t bytes);
// The oauth_* fields of an Authorization header, decoded.
Params parseAuthorizationHeader(const std::string& header);
// application/x-www-form-urlencoded pairs, decoded, in order.
Params parseFormEncoded(const std::string& text);
// The parts of a multipart/form-data body (name, content) in order; the
// boundary comes from the Content-Type value. The closing delimiter may end
// the body with or without a line end. None, with what is wrong in `fault`,
// when the body is not such a form.
std::optional<Params> parseMultipart(const std::string& body, const std::string& contentType,
                                     std::string* fault = nullptr);

// A blob storage host on its own loopback port, for the signed forms of score
// blobs. A multipart POST (any path) with the fields key, AWSAccessKeyId,
// acl, policy and signature and the part "file" stores the file under the key
// (answer 204; 400 when a field is missing or the policy cannot be read, 403
// when the form is not one uploadForm() issued: its signature does not match
// its policy, the policy expired, or a field breaks one of its conditions).
// A GET answers the object stored under the path (without its leading "/"),
// or 404. Connections are served side by side, each closed after its answer.
class StorageHostStandIn {
public:
    StorageHostStandIn();
    ~StorageHostStandIn();
    StorageHostStandIn(const StorageHostStandIn&) = delete;
    StorageHostStandIn& operator=(const StorageHostStandIn&) = delete;

    // Listens on a loopback address, 127.0.0.1 unless named (port 0: the
    // system chooses); answers the port or -1.
    int start(int port = 0, const std::string& address = platform::kLoopbackAddress);
    void stop();
    int port() const { return port_; }
    std::string baseUrl() const;
    // Receives one line per answered request: method, path and status.
    void setLogSink(std::function<void(const std::string& line)> sink);

    std::optional<std::string> storedObject(const std::string& key) const;
    void storeObject(const std::string& key, std::string bytes);
    // Where the objects are kept instead of the host's memory (a kept state,
    // so they outlive the host): `put` keeps bytes under a key (false when it
    // could not), `get` answers them. Set before start().
    using ObjectPut = std::function<bool(const std::string& key, const std::string& bytes)>;
    using ObjectGet = std::function<std::optional<std::string>(const std::string& key)>;
    void setObjectStore(ObjectPut put, ObjectGet get);
    // The requests so far (the latest, within a budget of bytes), the
    // form's parts as parameters.
    std::vector<LoggedRequest> requests() const;
    // The next `count` uploads of a valid form are answered 503 and keep
    // nothing, as a host in trouble does (0 stops it).
    void failUploads(int count);

    // The signed fields of a form that stores a file of at most
    // kMultipartBodyLimit bytes under `key` within a day: key,
    // AWSAccessKeyId, acl, policy and signature, in that order.
    Params uploadForm(const std::string& key) const;
    // 0 when a posted form's fields (the file among them) are one that
    // uploadForm() issued and still holds; else the status to answer, with
    // the reason in `why`.
    int checkUploadForm(const Params& form, std::string* why) const;
    // The secret the host signs its forms with: drawn at random for each
    // host, so no one can forge a form, unless set (before start()) to one
    // kept from an earlier run, whose forms then stay valid.
    std::string secret() const;
    void setSecret(std::string secret);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string address_ { platform::kLoopbackAddress };
    int port_ { -1 };
};

// A STOMP 1.0 stand-in for the presence channel: accepts connections, answers
// CONNECT with CONNECTED, records the frames it receives (the latest, within a
// budget of bytes) and can send MESSAGE frames, drop every connection, or
// refuse new ones. One thread polls every connection, as the HTTP server's
// does; requests inside the channel run on the HTTP server's workers and are
// answered on the asking connection's own subscription. A frame it cannot
// read ends its connection, and so does any frame before CONNECT (after an
// ERROR frame saying so). Its bounds are those of the HTTP connections: a
// connection must say CONNECT, and each frame arrive whole, within the read
// timeout; one that takes nothing of what it is sent for as long is closed;
// at the cap (or out of descriptors) the connection idle longest makes room.
// An idle session is not closed for its silence: a presence channel is quiet
// until there is news, and STOMP 1.0 has no heart-beat. What its connections
// hold (unfinished frames, requests not answered, answers not read) counts
// against one budget, and a connection has only a few requests in the
// workers at once (Limits), so a flood on one connection, or on many, can
// neither exhaust the memory nor keep the workers from other players.
class StompStandIn {
public:
    StompStandIn();
    ~StompStandIn();
    struct Limits {
        size_t maxConnections { 8192 };
        std::chrono::milliseconds readTimeout { 10000 };
        // The bytes of unfinished frames, of requests not answered yet (each
        // costing 1 KiB besides its frame) and of answers not read yet (held
        // or delayed ones too) that all connections may hold at once; past
        // it the connection holding the most is closed.
        size_t inFlightBudget { http::kBodyBudget };
        // The requests a connection may have in the HTTP server's workers at
        // once: past them (or while 1 MiB waits for it: its requests and
        // their answers, made and not yet read) its frames wait and it is
        // read no further, so no one connection holds every worker.
        size_t requestsAtOnce { 4 };
        // The receive buffer of each connection (bytes; 0: the system's): a
        // small one lets a connection read no further fill the client's
        // buffers soon, as a stalled server does.
        int receiveBuffer { 0 };
    };
    // Listens on a loopback address, 127.0.0.1 unless named (port 0: the
    // system chooses), within `limits` (the defaults unless given) until it
    // stops; answers the port or -1.
    int start(int port = 0, const std::string& address = platform::kLoopbackAddress);
    int start(int port, const std::string& address, Limits limits);
    void stop();
    int port() const { return port_; }

    struct Frame {
        std::string command;
        std::map<std::string, std::string> headers;
        std::string body;

        // A header's value ("" when the frame has none).
        std::string header(const std::string& name) const;
    };
    std::vector<Frame> frames() const;
    // Requests inside the channel (SEND to kRequestDestination) go to this
    // server's HTTP handler; without one (or once it is gone) they are
    // answered 503.
    void forwardRequestsTo(const StandInServer& server);
    // Receives one line per connection ended for a frame it could not read.
    void setLogSink(std::function<void(const std::string& line)> sink);
    int connectionCount() const; // accepted so far
    // Requests inside the channel whose answer frame has not been sent yet.
    size_t answeringCount() const;
    // What the channel holds now, as its bounds count it: the bytes of its
    // budget, its requests in the workers, and its connections it reads no
    // further until theirs leave the workers or their answers are read.
    struct Load {
        size_t bytes { 0 };
        size_t working { 0 };
        int paused { 0 };
    };
    Load load() const;
    int openConnections() const;
    void sendMessage(const std::string& destination, const std::string& body);
    void dropConnections();
    // Off: connections that subscribed are read no further, as by a server
    // that stalled (what they wrote waits in the buffers); on again, they are
    // read and served as before.
    void setReading(bool reading);
    // Closes the listening socket (new connections are refused) or opens it again on the same port.
    void setRefusing(bool refusing);

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
    int port_ { -1 };
};

// The destination of requests inside the presence channel, and the header
// the forwarded HTTP request carries so that the log can tell it apart.
constexpr const char* kRequestDestination = "/service/requests";
constexpr const char* kChannelMarkerHeader = "X-Standin-Via-Channel";
// And where it came in the channel, for a test to read the client's order
// from the log: "CONNECTION FRAME CORRELATION-ID", the connection's number (of
// this channel's), the request's place among that connection's requests as
// they were read, and the correlation id the client gave it.
constexpr const char* kChannelPlaceHeader = "X-Standin-Channel-Place";

// The largest frame the presence channel reads: a request carrying the
// largest body the service reads, with room for one a little over it to be
// answered 413 rather than cut off.
constexpr size_t kStompFrameLimit = 2 * kMultipartBodyLimit;

// Parses complete STOMP frames off the front of buffer, at most `maxFrames`
// (a content-length header gives the body's size; otherwise the body ends at
// the first NUL). A frame whose content-length is not a number, is over
// kStompFrameLimit or does not end where it says, a head that grows past the
// limit, or one of over 100 header lines (HTTP's limit; refused as soon as
// they have come, before the head ends), ends the reading: the frames before
// it are answered, `refusal` says why and the buffer is emptied (the
// connection cannot go on).
std::vector<StompStandIn::Frame> takeStompFrames(std::string& buffer, std::string* refusal = nullptr,
                                                 size_t maxFrames = SIZE_MAX);
std::string makeStompFrame(const std::string& command, const std::map<std::string, std::string>& headers,
                           const std::string& body = {});

} // namespace standin
