// The stand-in HTTP service on the stand-in's own HTTP server: request log,
// answer lookup (scripted, routed, fixture), held, delayed and damaged
// answers; each signed request checked (StandInOAuth.cpp) and taken once.
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInHttp.h"
#include "tools/standin/StandInNonces.h"
#include "tools/standin/StandInXml.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Text.h"
#include "platform/net/HttpTransport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <strings.h>

namespace standin {

namespace {
// The value of the last parameter named `name` ("" when there is none).
std::string lastValue(const Params& params, const char* name)
{
    std::string value;
    for (auto& [k, v] : params)
        if (k == name)
            value = v;
    return value;
}

std::string verdict(const LoggedRequest& r)
{
    if (!r.signed_)
        return "unsigned";
    return r.signatureValid ? "signature verified" : "signature NOT verified (" + r.signatureFailure + ")";
}

} // namespace

Answer signatureRefusal(const LoggedRequest& r)
{
    Answer answer = xml::error(401, r.oauthProblem == "timestamp_refused"
                                        ? "The request's timestamp is outside the service's time window: the "
                                          "sender's clock is off"
                                        : "The request's signature does not verify");
    if (!r.oauthProblem.empty())
        answer.headers.emplace_back("WWW-Authenticate", "OAuth realm=\"\", oauth_problem=\"" + r.oauthProblem + "\"");
    return answer;
}

namespace {

// The text of an error answer's body without its markup: "why" or "field reason".
std::string refusalReason(const std::string& body)
{
    std::string out;
    bool inTag = false;
    for (char c : body) {
        if (c == '<' || c == '>') {
            inTag = c == '<';
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else if (!inTag) {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    while (!out.empty() && out.front() == ' ')
        out.erase(0, 1);
    return out;
}

bool isMultipart(const std::string& contentType)
{
    return platform::equalsIgnoringAsciiCase(std::string_view(contentType).substr(0, 19), "multipart/form-data");
}

// What a multipart body may carry around its parts' contents (their heads and delimiters).
constexpr size_t kMultipartOverhead = 64 * 1024;

// The body bytes kept of a request: a multipart one is measured by its parts afterwards.
size_t bodyLimit(const http::Request& request)
{
    return isMultipart(request.header("Content-Type").value_or("")) ? kMultipartBodyLimit + kMultipartOverhead
                                                                     : kFormBodyLimit;
}

constexpr size_t kWorkers = 8;
// The requests that may wait for a worker: as many as the connections the
// server keeps, each of which has one request at a time over HTTP (the
// presence channel's have a few, within its budget). Past it a request is
// answered 503 at once.
constexpr size_t kWaitingForWorkers = 8192;
} // namespace

struct StandInServer::Impl : http::RequestSink, std::enable_shared_from_this<StandInServer::Impl> {
    http::Server server;
    std::shared_ptr<http::WorkerPool> workers;
    std::string listeningAddress { platform::kLoopbackAddress };
    int listeningPort { -1 };
    mutable std::mutex mutex;
    bool stopping { false };
    http::RequestLog log;
    std::map<std::pair<std::string, std::string>, Handler> routes;
    std::vector<std::pair<std::pair<std::string, std::string>, Handler>> prefixRoutes;
    std::map<std::pair<std::string, std::string>, std::deque<Answer>> scripted;
    std::optional<Answer> everyAnswer;
    std::string fixtures;
    std::string consumerKey { "product-key" };
    std::string consumerSecret { "product-secret" };
    std::map<std::string, std::string> tokens;
    std::set<std::string> refusedTokens; // forgotten: refused before anything else answers
    bool rejectsBadSignatures { false };
    std::function<void(const std::string&)> logSink;
    std::set<std::string> heldPaths;
    // Answers waiting for releaseHeld(), with where they go.
    std::vector<std::pair<Answer, http::Reply>> held;
    // Counts the releases, so an answer knows whether one came after its request reached the log.
    uint64_t releaseGeneration { 0 };
    size_t answering { 0 };
    std::pair<int, int> answerDelay { 0, 0 };
    bool presence { false };
    std::mt19937 random { std::random_device {}() };
    // Delays on a test's loop (delayAnswersOnLoop): the loop, the seed, how
    // many requests of each method and path came, and the answers waiting
    // for the loop's clock, by number, with when each falls due.
    platform::RunLoop* delayLoop { nullptr };
    uint32_t delaySeed { 0 };
    // Per method and path: the clock's time it was last taken at, and at how many times.
    std::map<std::string, std::pair<double, uint64_t>> delayedSoFar;
    struct OnLoop {
        double due;
        Answer answer;
        http::Reply reply;
        bool hold;
        uint64_t loggedGeneration;
    };
    std::map<uint64_t, OnLoop> onLoop;
    // The ports of the requests taken and not answered (requestsInHand).
    mutable std::mutex portsLock;
    std::multiset<int> awaiting;
    uint64_t nextOnLoop { 0 };
    // The requests taken lately, by consumer, token, timestamp and nonce:
    // the same one again is a replay.
    std::chrono::seconds timestampWindow { kTimestampWindow };
    std::chrono::seconds clockOffset { 0 };
    NonceMemory nonces { kNonceMemoryBudget, kNonceMemoryShare };
    StandInServer::KeepTaken keepTaken;

    // Why a request whose signature verified is still refused: a nonce too
    // long, a timestamp outside the window, or a nonce seen before; when
    // taken, what the memory knows it by and whose it is; `problem` is told
    // OAuth's word for a refusal. The mutex is held.
    std::string staleness(const Params& oauth, const std::string& address, std::string& taken, std::string& takenBy,
                          long long& timestamp, std::string& problem);
    // The service's clock, in seconds since 1970.
    long long now() const { return static_cast<long long>(std::time(nullptr)) + clockOffset.count(); }

    bool take(http::Request&& request, http::Reply reply, Handled handled = {}) override;
    std::string host() const override
    {
        std::lock_guard guard(mutex);
        return listeningAddress + ":" + std::to_string(listeningPort);
    }
    // Answers the request (now, later or when released); answers the bytes of its answer.
    size_t handle(const http::Request& request, const http::Reply& reply);
    void deliver(Answer answer, const std::string& method, const std::string& path, http::Reply reply,
                 uint64_t loggedGeneration);
    void waitOnLoop(std::string what, Answer answer, http::Reply reply, bool hold, uint64_t loggedGeneration);
    void holdOrSend(Answer answer, http::Reply reply, bool hold, uint64_t loggedGeneration);
    void send(const Answer& answer, const http::Reply& reply);
    void refused(const std::string& method, const std::string& path, int status, const std::string& why,
                 const char* verdict = "not read");
};

std::string StandInServer::Impl::staleness(const Params& oauth, const std::string& address, std::string& taken,
                                           std::string& takenBy, long long& timestamp, std::string& problem)
{
    NonceMemory::Stamp stamp { lastValue(oauth, "oauth_consumer_key"), lastValue(oauth, "oauth_token"),
                               lastValue(oauth, "oauth_nonce"), std::stoll(lastValue(oauth, "oauth_timestamp")),
                               address };
    std::string why = nonces.take(stamp, now(), timestampWindow.count(), &problem);
    if (why.empty()) {
        taken = NonceMemory::key(stamp);
        takenBy = NonceMemory::caller(stamp);
        timestamp = stamp.timestamp;
    }
    return why;
}

// A request read whole goes to a worker; it counts as being answered from now on.
bool StandInServer::Impl::take(http::Request&& request, http::Reply reply, Handled handled)
{
    // A request from the channel is limited here as a connection's would have been:
    // the same method and address checks, the same body limits.
    std::optional<http::Refusal> problem;
    if (!http::isMethod(request.method))
        problem = http::Refusal { 400, "the request's method " + http::loggable(request.method, 40)
                                           + " is not a word of at most " + std::to_string(http::kMaxMethod) + " letters" };
    else
        problem = http::checkTarget(request.target);
    if (problem) {
        refused(http::isMethod(request.method) ? request.method : "-",
                problem->status == 414 || request.target.empty() ? "-" : request.path(), problem->status, problem->why);
        reply(http::Response { problem->status, "text/plain; charset=utf-8", problem->why + "\n", 0, 0 });
        if (handled)
            handled(0);
        return true;
    }
    if (!request.bodyTooLarge && request.body.size() > bodyLimit(request)) {
        request.bodyTooLarge = true;
        request.body.clear();
    }
    std::shared_ptr<http::WorkerPool> pool;
    {
        std::lock_guard guard(mutex);
        if (stopping || !workers)
            return false;
        pool = workers;
        ++answering;
    }
    const std::string method = request.method, path = request.path();
    // Known as taken from its port until its answer goes, whichever road that takes.
    const int port = request.peerPort;
    {
        std::lock_guard guard(portsLock);
        awaiting.insert(port);
    }
    reply = [inner = std::move(reply), port, weak = weak_from_this()](http::Response response) {
        if (auto impl = weak.lock()) {
            std::lock_guard guard(impl->portsLock);
            if (auto it = impl->awaiting.find(port); it != impl->awaiting.end())
                impl->awaiting.erase(it);
        }
        inner(std::move(response));
    };
    auto posted = pool->post([this, request = std::move(request), reply, handled]() {
        size_t answerBytes = handle(request, reply);
        if (handled)
            handled(answerBytes);
    });
    if (posted == http::WorkerPool::Posted::Queued)
        return true;
    {
        std::lock_guard guard(mutex);
        --answering;
    }
    if (posted == http::WorkerPool::Posted::Stopped) {
        std::lock_guard guard(portsLock);
        if (auto it = awaiting.find(port); it != awaiting.end())
            awaiting.erase(it);
        return false;
    }
    const std::string why = "the service's workers have " + std::to_string(pool->maxWaiting())
        + " requests waiting for them, as many as may wait; try again shortly";
    refused(method, path, 503, why, "not taken");
    reply(http::Response { 503, "application/xml; charset=utf-8", xml::errorBody(why), 0, 0 });
    if (handled)
        handled(0);
    return true;
}

void StandInServer::Impl::refused(const std::string& method, const std::string& path, int status, const std::string& why,
                                  const char* verdict)
{
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard guard(mutex);
        sink = logSink;
    }
    if (sink)
        sink(http::loggable(method) + " " + http::loggable(path) + " " + std::to_string(status) + " " + verdict + ": "
             + http::loggable(why));
}

size_t StandInServer::Impl::handle(const http::Request& req, const http::Reply& reply)
{
    LoggedRequest logged;
    logged.method = req.method;
    std::string rawPath = req.target.substr(0, req.target.find('?'));
    logged.path = req.path();
    if (auto q = req.target.find('?'); q != std::string::npos)
        logged.params = parseFormEncoded(req.target.substr(q + 1));
    logged.contentType = req.header("Content-Type").value_or("");
    logged.headers = req.headers;
    Params signedParams = logged.params;
    // The body: a form's pairs are signed, a multipart body's parts are not;
    // one too large or unreadable is refused and reaches no route.
    Answer refusal;
    bool refuse = false;
    bool multipart = isMultipart(logged.contentType);
    auto tooLarge = [&](size_t bytes, size_t limit) {
        refuse = true;
        refusal = xml::error(413, std::string("The request is too large: a ") + (multipart ? "multipart" : "form")
                                      + " body carrying " + std::to_string(bytes) + " bytes is over the limit of "
                                      + std::to_string(limit));
    };
    if (req.bodyTooLarge) {
        tooLarge(req.bodyBytes, multipart ? kMultipartBodyLimit : kFormBodyLimit);
    } else if (multipart) {
        std::string fault;
        if (auto parts = parseMultipart(req.body, logged.contentType, &fault)) {
            size_t total = 0;
            for (auto& part : *parts)
                total += part.second.size();
            if (total > kMultipartBodyLimit)
                tooLarge(total, kMultipartBodyLimit);
            else
                logged.params.insert(logged.params.end(), parts->begin(), parts->end());
        } else {
            refuse = true;
            refusal = xml::error(400, "The request's body cannot be read: " + fault);
        }
    } else {
        logged.body = req.body;
        if (logged.contentType.rfind("application/x-www-form-urlencoded", 0) == 0) {
            Params form = parseFormEncoded(req.body);
            logged.params.insert(logged.params.end(), form.begin(), form.end());
            signedParams.insert(signedParams.end(), form.begin(), form.end());
        }
    }
    logged.viaChannel = req.header(kChannelMarkerHeader).has_value();
    logged.authorization = req.header("Authorization").value_or("");
    // A request taken, for the keeper to keep before anything acts on it.
    std::string taken, takenBy;
    long long takenAt = 0;
    std::optional<long long> forgottenUpTo;
    KeepTaken keeper;
    if (!logged.authorization.empty()) {
        logged.signed_ = true;
        Params oauth = parseAuthorizationHeader(logged.authorization);
        logged.oauthToken = lastValue(oauth, "oauth_token");
        std::string consumer = lastValue(oauth, "oauth_consumer_key");
        // The host of the signed address is lower-cased, as every signer does
        // (RFC 5849, 3.4.1.2): as ASCII, whatever the process's locale.
        std::string baseUrl = "http://" + platform::asciiLowercased(req.header("Host").value_or("")) + rawPath;
        std::lock_guard guard(mutex);
        auto token = tokens.find(logged.oauthToken);
        bool tokenKnown = logged.oauthToken.empty() || token != tokens.end();
        if (consumer != consumerKey) {
            logged.signatureFailure = "unknown consumer key";
            logged.oauthProblem = "consumer_key_unknown";
        } else if (!tokenKnown) {
            logged.signatureFailure = "unknown token";
            logged.oauthProblem = "token_rejected";
        } else {
            logged.signatureValid = verifyOAuthSignature(req.method, baseUrl, signedParams, logged.authorization,
                                                         consumerSecret, logged.oauthToken.empty() ? "" : token->second,
                                                         &logged.signatureFailure, &logged.oauthProblem);
        }
        if (logged.signatureValid) {
            logged.signatureFailure = staleness(oauth, req.peerAddress, taken, takenBy, takenAt, logged.oauthProblem);
            logged.signatureValid = logged.signatureFailure.empty();
            forgottenUpTo = nonces.forgottenUpTo(takenBy);
            keeper = keepTaken;
        }
    }
    // Kept without the server's lock: the keeper takes the state's, which
    // the state's routes hold while they tell the server of a new token.
    if (!taken.empty() && keeper && !keeper(taken, takenAt, takenBy, forgottenUpTo) && !refuse) {
        refuse = true;
        refusal = xml::error(500, "The service could not keep the request's nonce, which refuses its replay after a "
                                  "restart");
    }

    Answer answer;
    bool found = false;
    bool fromScript = false;
    Handler handler;
    std::function<void(const std::string&)> sink;
    uint64_t loggedGeneration = 0;
    {
        std::lock_guard guard(mutex);
        log.add(logged);
        loggedGeneration = releaseGeneration;
        sink = logSink;
        auto key = std::make_pair(logged.method, logged.path);
        if (refuse) {
            answer = refusal;
            found = true;
        } else if (logged.signed_ && !logged.signatureValid
                   && (rejectsBadSignatures || refusedTokens.count(logged.oauthToken))) {
            // A token the service refused is refused before anything else it might answer.
            answer = signatureRefusal(logged);
            found = true;
        } else if (auto s = scripted.find(key); s != scripted.end() && !s->second.empty()) {
            answer = s->second.front();
            s->second.pop_front();
            found = fromScript = true;
        } else if (everyAnswer) {
            answer = *everyAnswer;
            found = fromScript = true;
        } else if (auto r = routes.find(key); r != routes.end()) {
            handler = r->second;
        } else {
            for (auto& [prefix, h] : prefixRoutes)
                if (prefix.first == logged.method && logged.path.rfind(prefix.second, 0) == 0) {
                    handler = h;
                    break;
                }
        }
    }
    if (!found && handler) {
        try {
            answer = handler(logged);
        } catch (const std::exception& e) {
            answer = xml::error(500, std::string("The route failed: ") + e.what());
        }
        found = true;
    }
    // A fixture is a file: a folder (the path "", "." or "dir/") is not found.
    if (!found && logged.method == "GET" && !fixtures.empty() && logged.path.find("..") == std::string::npos) {
        std::error_code ec;
        std::string file = fixtures + "/" + logged.path;
        std::ifstream in;
        if (std::filesystem::is_regular_file(file, ec))
            in.open(file, std::ios::binary);
        if (in.is_open()) {
            std::ostringstream text;
            text << in.rdbuf();
            answer = Answer::xml(text.str());
            found = true;
        }
    }
    if (!found)
        answer = xml::error(404, "Not found");
    // What the client sent is escaped and bounded: one request, one line.
    if (sink)
        sink(logged.method + " " + http::loggable(logged.path) + " " + std::to_string(answer.status) + " "
             + http::loggable(verdict(logged)) + (logged.viaChannel ? " (presence channel)" : "")
             + (fromScript ? " (scripted)" : "")
             + (answer.status >= 400 ? ": " + http::loggable(refusalReason(answer.body)) : std::string()));
    const size_t answerBytes = answer.body.size() + answer.hugeBodyBytes;
    deliver(std::move(answer), logged.method, logged.path, reply, loggedGeneration);
    return answerBytes;
}

// The answer goes now, after the delay, or when released; a waiting answer
// takes no worker.
void StandInServer::Impl::deliver(Answer answer, const std::string& method, const std::string& path, http::Reply reply,
                                  uint64_t loggedGeneration)
{
    int delayMs = 0;
    bool hold;
    bool onTheLoop;
    {
        std::lock_guard guard(mutex);
        onTheLoop = delayLoop != nullptr && answerDelay.second > 0;
        if (answerDelay.second > 0 && !onTheLoop)
            delayMs = std::uniform_int_distribution<int>(answerDelay.first, answerDelay.second)(random);
        hold = answer.hold || heldPaths.count(path);
    }
    if (onTheLoop)
        return waitOnLoop(method + " " + path, std::move(answer), std::move(reply), hold, loggedGeneration);
    if (delayMs == 0)
        return holdOrSend(std::move(answer), std::move(reply), hold, loggedGeneration);
    server.after(std::chrono::milliseconds(delayMs),
                 [this, answer = std::move(answer), reply, hold, loggedGeneration]() mutable {
                     holdOrSend(std::move(answer), std::move(reply), hold, loggedGeneration);
                 });
}

// The loop's own thread draws the delay and sets the due time, by its clock,
// and a timer of the loop sends the answer then. Until the loop has taken it
// the answer counts as being made, so a test that settles the network before
// it moves its clock always finds it due at the same time. The delay is drawn
// from the seed, the request's method and path, and how many times of the
// clock such requests were taken at before: requests of one path taken at
// one time of the clock (sent together, reaching the service in whichever
// order the connections and workers make) wait alike, so which came first
// decides nothing.
void StandInServer::Impl::waitOnLoop(std::string what, Answer answer, http::Reply reply, bool hold,
                                     uint64_t loggedGeneration)
{
    std::weak_ptr<Impl> weak = weak_from_this();
    platform::RunLoop* loop;
    {
        std::lock_guard guard(mutex);
        loop = delayLoop;
    }
    loop->post([weak, loop, what = std::move(what), answer = std::move(answer), reply, hold, loggedGeneration]() mutable {
        auto impl = weak.lock();
        if (!impl)
            return;
        {
            std::lock_guard guard(impl->mutex);
            if (!impl->stopping) {
                auto& [takenAt, times] = impl->delayedSoFar[what];
                if (times == 0 || takenAt != loop->now()) {
                    ++times;
                    takenAt = loop->now();
                }
                uint64_t h = 1469598103934665603ull ^ impl->delaySeed;
                for (unsigned char c : what + " " + std::to_string(times - 1))
                    h = (h ^ c) * 1099511628211ull;
                std::mt19937 drawn(static_cast<uint32_t>(h ^ (h >> 32)));
                const int delayMs = std::uniform_int_distribution<int>(impl->answerDelay.first,
                                                                       impl->answerDelay.second)(drawn);
                const double delay = delayMs / 1000.0;
                const uint64_t number = impl->nextOnLoop++;
                impl->onLoop.emplace(number,
                                     OnLoop { loop->now() + delay, std::move(answer), reply, hold, loggedGeneration });
                loop->performAfter(delay, [weak, number] {
                    auto impl = weak.lock();
                    if (!impl)
                        return;
                    std::optional<OnLoop> due;
                    {
                        std::lock_guard guard(impl->mutex);
                        if (auto it = impl->onLoop.find(number); it != impl->onLoop.end()) {
                            due = std::move(it->second);
                            impl->onLoop.erase(it);
                        }
                    }
                    if (due)
                        impl->holdOrSend(std::move(due->answer), std::move(due->reply), due->hold, due->loggedGeneration);
                });
                return;
            }
        }
        impl->send(answer, reply);
    });
}

void StandInServer::Impl::holdOrSend(Answer answer, http::Reply reply, bool hold, uint64_t loggedGeneration)
{
    if (hold) {
        // A release after the request reached the log covers it too, even
        // before its route and delay are done: a test that saw the request
        // and released it has released it.
        std::lock_guard guard(mutex);
        if (!stopping && releaseGeneration == loggedGeneration) {
            held.emplace_back(std::move(answer), std::move(reply));
            return;
        }
    }
    send(answer, reply);
}

void StandInServer::Impl::send(const Answer& answer, const http::Reply& reply)
{
    reply(http::Response { answer.status, answer.contentType, answer.body, answer.truncateAfter, answer.hugeBodyBytes,
                           answer.headers });
    std::lock_guard guard(mutex);
    --answering;
}


std::optional<std::pair<int, int>> parseDelayRange(const std::string& text, std::string* why)
{
    auto fail = [&](std::string reason) -> std::optional<std::pair<int, int>> {
        if (why)
            *why = std::move(reason);
        return std::nullopt;
    };
    auto number = [](const std::string& part) -> std::optional<int> {
        if (part.empty() || part.size() > 7 || part.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        return std::stoi(part);
    };
    size_t comma = text.find(',');
    auto low = comma == std::string::npos ? std::nullopt : number(text.substr(0, comma));
    auto high = comma == std::string::npos ? std::nullopt : number(text.substr(comma + 1));
    if (!low || !high)
        return fail("wants MIN,MAX in milliseconds (each 0 to 9999999), not \"" + text + "\"");
    if (*low > *high)
        return fail("MIN (" + std::to_string(*low) + ") must not exceed MAX (" + std::to_string(*high) + ")");
    return std::make_pair(*low, *high);
}

StandInServer::StandInServer() : impl_(std::make_shared<Impl>())
{
    if (const char* delay = std::getenv("BRISKO_STANDIN_DELAY_MS")) {
        std::string why;
        if (auto range = parseDelayRange(delay, &why))
            impl_->answerDelay = *range;
        else
            std::fprintf(stderr, "stand-in: BRISKO_STANDIN_DELAY_MS %s; answers are not delayed\n", why.c_str());
    }
    if (const char* presence = std::getenv("BRISKO_STANDIN_PRESENCE"))
        impl_->presence = std::string(presence) == "1";
}

StandInServer::~StandInServer() { stop(); }

int StandInServer::start(int port, const std::string& address)
{
    Impl* impl = impl_.get();
    http::Settings settings;
    settings.bodyLimit = bodyLimit;
    settings.onRequest = [impl](http::Request&& request, http::Reply reply) {
        if (!impl->take(std::move(request), reply))
            reply(http::Response { 503, "application/xml; charset=utf-8", xml::errorBody("The service is stopping"), 0, 0 });
    };
    settings.onRefused = [impl](const std::string& method, const std::string& path, int status, const std::string& why) {
        impl->refused(method, path, status, why);
    };
    {
        std::lock_guard guard(impl->mutex);
        impl->stopping = false;
        impl->workers = std::make_shared<http::WorkerPool>(kWorkers, kWaitingForWorkers);
    }
    port_ = impl->server.start(port, std::move(settings), address);
    address_ = address;
    std::lock_guard guard(impl->mutex);
    impl->listeningAddress = address;
    impl->listeningPort = port_;
    return port_;
}

// Held answers go out first; queued requests are still answered; then the
// connections close (a delayed answer is handed back at once).
void StandInServer::stop()
{
    std::vector<std::pair<Answer, http::Reply>> released;
    std::shared_ptr<http::WorkerPool> workers;
    {
        std::lock_guard guard(impl_->mutex);
        impl_->stopping = true;
        released.swap(impl_->held);
        for (auto& [number, waiting] : impl_->onLoop)
            released.emplace_back(std::move(waiting.answer), std::move(waiting.reply));
        impl_->onLoop.clear();
        workers = impl_->workers;
    }
    for (auto& [answer, reply] : released)
        impl_->send(answer, reply);
    if (workers)
        workers->stop();
    impl_->server.stop();
}

std::weak_ptr<http::RequestSink> StandInServer::requestSink() const { return impl_; }

std::string StandInServer::baseUrl() const { return "http://" + address_ + ":" + std::to_string(port_) + "/"; }

void StandInServer::setFixtureDirectory(std::string dir)
{
    std::lock_guard guard(impl_->mutex);
    impl_->fixtures = std::move(dir);
}

void StandInServer::routePrefix(const std::string& method, const std::string& prefix, Handler handler)
{
    std::lock_guard guard(impl_->mutex);
    impl_->prefixRoutes.emplace_back(std::make_pair(method, prefix), std::move(handler));
}

void StandInServer::route(const std::string& method, const std::string& path, Handler handler)
{
    std::lock_guard guard(impl_->mutex);
    impl_->routes[{ method, path }] = std::move(handler);
}

void StandInServer::route(const std::string& method, const std::string& path, Answer answer)
{
    route(method, path, [answer](const LoggedRequest&) { return answer; });
}

void StandInServer::script(const std::string& method, const std::string& path, Answer answer)
{
    std::lock_guard guard(impl_->mutex);
    impl_->scripted[{ method, path }].push_back(std::move(answer));
}

void StandInServer::answerEveryRequest(std::optional<Answer> answer)
{
    std::lock_guard guard(impl_->mutex);
    impl_->everyAnswer = std::move(answer);
}

void StandInServer::setConsumer(std::string key, std::string secret)
{
    std::lock_guard guard(impl_->mutex);
    impl_->consumerKey = std::move(key);
    impl_->consumerSecret = std::move(secret);
}

void StandInServer::addToken(std::string token, std::string secret)
{
    std::lock_guard guard(impl_->mutex);
    impl_->tokens[std::move(token)] = std::move(secret);
}

void StandInServer::forgetToken(const std::string& token)
{
    std::lock_guard guard(impl_->mutex);
    impl_->tokens.erase(token);
    impl_->refusedTokens.insert(token);
}

void StandInServer::setRejectsBadSignatures(bool rejects)
{
    std::lock_guard guard(impl_->mutex);
    impl_->rejectsBadSignatures = rejects;
}

void StandInServer::setLogSink(std::function<void(const std::string&)> sink)
{
    std::lock_guard guard(impl_->mutex);
    impl_->logSink = std::move(sink);
}

void StandInServer::releaseHeld()
{
    std::vector<std::pair<Answer, http::Reply>> released;
    {
        std::lock_guard guard(impl_->mutex);
        ++impl_->releaseGeneration;
        released.swap(impl_->held);
    }
    for (auto& [answer, reply] : released)
        impl_->send(answer, reply);
}

void StandInServer::sendWaitingAnswersNow()
{
    std::map<uint64_t, Impl::OnLoop> waiting;
    {
        std::lock_guard guard(impl_->mutex);
        waiting.swap(impl_->onLoop);
    }
    for (auto& [number, answer] : waiting)
        impl_->send(answer.answer, answer.reply);
    releaseHeld();
}

void StandInServer::holdAnswersTo(const std::string& path)
{
    std::lock_guard guard(impl_->mutex);
    impl_->heldPaths.insert(path);
}

void StandInServer::stopHolding()
{
    {
        std::lock_guard guard(impl_->mutex);
        impl_->heldPaths.clear();
    }
    releaseHeld();
}

size_t StandInServer::heldCount() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->held.size() + impl_->onLoop.size();
}

StandInServer::InHand StandInServer::requestsInHand() const
{
    // The same order as a reply made under the mutex: the mutex, then the ports.
    std::lock_guard guard(impl_->mutex);
    std::lock_guard ports(impl_->portsLock);
    return { impl_->answering, impl_->held.size() + impl_->onLoop.size(),
             { impl_->awaiting.begin(), impl_->awaiting.end() } };
}

void StandInServer::setAnswerDelay(int minMs, int maxMs)
{
    std::lock_guard guard(impl_->mutex);
    impl_->answerDelay = { std::max(0, minMs), std::max(std::max(0, minMs), maxMs) };
}

void StandInServer::delayAnswersOnLoop(uint32_t seed)
{
    BRISKO_ASSERT_MAIN_THREAD();
    std::lock_guard guard(impl_->mutex);
    impl_->delayLoop = &platform::RunLoop::main();
    impl_->delaySeed = seed;
}

std::optional<double> StandInServer::nextDelayedAnswerDue() const
{
    std::lock_guard guard(impl_->mutex);
    std::optional<double> next;
    for (auto& [number, waiting] : impl_->onLoop)
        if (!next || waiting.due < *next)
            next = waiting.due;
    return next;
}

void StandInServer::setPresenceEnabled(bool enabled)
{
    std::lock_guard guard(impl_->mutex);
    impl_->presence = enabled;
}

bool StandInServer::presenceEnabled() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->presence;
}

std::string StandInServer::presenceElements(const std::string& queue) const
{
    if (!presenceEnabled())
        return "<presence_enabled>false</presence_enabled>";
    return "<presence_enabled>true</presence_enabled><presence_queue>" + queue + "</presence_queue>";
}

std::pair<int, int> StandInServer::answerDelay() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->answerDelay;
}

void StandInServer::keepTakenRequests(const TakenRequests& before, KeepTaken keep)
{
    std::lock_guard guard(impl_->mutex);
    const long long now = impl_->now(), window = impl_->timestampWindow.count();
    for (auto& [caller, upTo] : before.forgottenUpTo)
        impl_->nonces.restoreForgotten(caller, upTo);
    for (auto& [key, timestamp] : before.taken)
        impl_->nonces.restore(key, timestamp, now, window);
    impl_->keepTaken = std::move(keep);
}

void StandInServer::setClockOffset(std::chrono::seconds offset)
{
    std::lock_guard guard(impl_->mutex);
    impl_->clockOffset = offset;
}

void StandInServer::setTimestampWindow(std::chrono::seconds window)
{
    std::lock_guard guard(impl_->mutex);
    impl_->timestampWindow = std::max(window, std::chrono::seconds(0));
}

size_t StandInServer::answeringCount() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->answering;
}

std::vector<LoggedRequest> StandInServer::requests() const
{
    std::lock_guard guard(impl_->mutex);
    return { impl_->log.entries().begin(), impl_->log.entries().end() };
}

size_t StandInServer::requestCount() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->log.entries().size();
}

void StandInServer::clearLog()
{
    std::lock_guard guard(impl_->mutex);
    impl_->log.clear();
}

std::string StandInServer::completeBootstrapAnswer(const std::string& accessToken, const std::string& tokenSecret)
{
    return "<bootstrap>"
           "<polling_frequency_default>45</polling_frequency_default>"
           "<polling_frequency_in_chat>4</polling_frequency_in_chat>"
           "<access_token>" + accessToken + "</access_token>"
           "<access_token_secret>" + tokenSecret + "</access_token_secret>"
           "<user_has_set_name>true</user_has_set_name>"
           "<user_chat_enabled>true</user_chat_enabled>"
           "<user_had_friends_on_bootup>true</user_had_friends_on_bootup>"
           "<has_http_basic_credential>false</has_http_basic_credential>"
           "<has_fbconnect_credential>true</has_fbconnect_credential>"
           "<has_twitter_credential>false</has_twitter_credential>"
           "<is_new_user>true</is_new_user>"
           "<client_application_id>321</client_application_id>"
           "<client_application_icon_url>http://127.0.0.1/icon.png</client_application_icon_url>"
           "<unviewed_challenges_count>1</unviewed_challenges_count>"
           "<pending_friends_count>2</pending_friends_count>"
           "<game_profile_page_info><name>Brisko</name><ios_app_store_id>7</ios_app_store_id></game_profile_page_info>"
           "<user><id>17</id><name>Player</name><profile_picture_url>http://127.0.0.1/p.png</profile_picture_url></user>"
           "<suggestions_forum_id>55</suggestions_forum_id>"
           "<initial_dashboard_screen>leaderboards</initial_dashboard_screen>"
           "<initial_dashboard_modal_content_url>http://127.0.0.1/modal</initial_dashboard_modal_content_url>"
           "<user_shares_online_status>true</user_shares_online_status>"
           "<unread_im_count>3</unread_im_count>"
           "<unread_post_count>5</unread_post_count>"
           "<unread_invite_count>6</unread_invite_count>"
           "<location_sharing_enabled>true</location_sharing_enabled>"
           "<presence_enabled>false</presence_enabled>"
           "<presence_queue>/queue/presence.17</presence_queue>"
           "</bootstrap>";
}

void StandInServer::installDefaultRoutes(const std::string& accessToken, const std::string& tokenSecret,
                                         const std::string& presenceQueue)
{
    std::string token = accessToken, secret = tokenSecret;
    route("POST", "bootstrap.xml", [this, token, secret, presenceQueue](const LoggedRequest&) {
        addToken(token, secret);
        return Answer::xml("<bootstrap>"
                           "<polling_frequency_default>60</polling_frequency_default>"
                           "<polling_frequency_in_chat>5</polling_frequency_in_chat>"
                           "<access_token>" + token + "</access_token>"
                           "<access_token_secret>" + secret + "</access_token_secret>"
                           "<user_has_set_name>true</user_has_set_name>"
                           "<user_chat_enabled>true</user_chat_enabled>"
                           "<is_new_user>false</is_new_user>"
                           "<client_application_id>1</client_application_id>"
                           "<unviewed_challenges_count>0</unviewed_challenges_count>"
                           "<pending_friends_count>0</pending_friends_count>"
                           "<user><id>17</id><name>Player</name></user>"
                           + presenceElements(presenceQueue) + "</bootstrap>");
    });
    route("GET", "users/@me/presence_queue.xml", [presenceQueue](const LoggedRequest&) {
        return Answer::xml("<presence_queue><name>" + presenceQueue + "</name></presence_queue>");
    });
}

} // namespace standin
