// The stand-in HTTP service on cpp-httplib: request log, answer lookup
// (scripted, routed, fixture), held and damaged answers, and an OAuth
// signature check written apart from the client's signing code.
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInXml.h"

#include "platform/net/HttpTransport.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <netinet/in.h>
#include <random>
#include <set>
#include <sstream>
#include <strings.h>
#include <sys/socket.h>

namespace standin {

using platform::percentDecode;
using platform::percentEncode;

std::string LoggedRequest::param(const std::string& name) const
{
    for (auto& [k, v] : params)
        if (k == name)
            return v;
    return {};
}

bool LoggedRequest::hasParam(const std::string& name) const
{
    for (auto& [k, v] : params)
        if (k == name)
            return true;
    return false;
}

std::optional<std::string> LoggedRequest::header(const std::string& name) const
{
    for (auto& [k, v] : headers)
        if (strcasecmp(k.c_str(), name.c_str()) == 0)
            return v;
    return std::nullopt;
}

Params parseFormEncoded(const std::string& text)
{
    Params out;
    size_t pos = 0;
    while (pos <= text.size() && !text.empty()) {
        size_t amp = text.find('&', pos);
        std::string pair = text.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
        if (!pair.empty()) {
            size_t eq = pair.find('=');
            std::string name = pair.substr(0, eq);
            std::string value = eq == std::string::npos ? "" : pair.substr(eq + 1);
            out.emplace_back(percentDecode(name, true), percentDecode(value, true));
        }
        if (amp == std::string::npos)
            break;
        pos = amp + 1;
    }
    return out;
}

Params parseAuthorizationHeader(const std::string& header)
{
    Params out;
    std::string h = header;
    if (h.rfind("OAuth ", 0) != 0)
        return out;
    h = h.substr(6);
    size_t pos = 0;
    while (pos < h.size()) {
        while (pos < h.size() && (h[pos] == ' ' || h[pos] == ','))
            ++pos;
        size_t eq = h.find('=', pos);
        if (eq == std::string::npos)
            break;
        std::string name = h.substr(pos, eq - pos);
        std::string value;
        if (eq + 1 < h.size() && h[eq + 1] == '"') {
            size_t close = h.find('"', eq + 2);
            if (close == std::string::npos)
                break;
            value = h.substr(eq + 2, close - eq - 2);
            pos = close + 1;
        } else {
            size_t comma = h.find(',', eq);
            value = h.substr(eq + 1, comma == std::string::npos ? std::string::npos : comma - eq - 1);
            pos = comma == std::string::npos ? h.size() : comma;
        }
        out.emplace_back(percentDecode(name), percentDecode(value));
    }
    return out;
}

bool verifyOAuthSignature(const std::string& method, const std::string& baseUrl, const Params& requestParams,
                          const std::string& authorizationHeader, const std::string& consumerSecret,
                          const std::string& tokenSecret, std::string* failure)
{
    auto fail = [&](const char* why) {
        if (failure)
            *failure = why;
        return false;
    };
    Params oauth = parseAuthorizationHeader(authorizationHeader);
    if (oauth.empty())
        return fail("no OAuth header");
    std::string signature, signatureMethod;
    std::vector<std::pair<std::string, std::string>> all;
    for (auto& [k, v] : oauth) {
        if (k == "oauth_signature")
            signature = v;
        else if (k != "realm")
            all.emplace_back(percentEncode(k), percentEncode(v));
        if (k == "oauth_signature_method")
            signatureMethod = v;
    }
    if (signatureMethod != "HMAC-SHA1")
        return fail("not HMAC-SHA1");
    for (auto& [k, v] : requestParams)
        all.emplace_back(percentEncode(k), percentEncode(v));
    std::sort(all.begin(), all.end());
    std::string normalized;
    for (auto& [k, v] : all) {
        if (!normalized.empty())
            normalized += '&';
        normalized += k + "=" + v;
    }
    std::string upper = method;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    std::string base = upper + "&" + percentEncode(baseUrl) + "&" + percentEncode(normalized);
    std::string key = percentEncode(consumerSecret) + "&" + percentEncode(tokenSecret);
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int macLength = 0;
    HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(base.data()),
         base.size(), mac, &macLength);
    unsigned char encoded[64] = {};
    EVP_EncodeBlock(encoded, mac, static_cast<int>(macLength));
    if (signature != reinterpret_cast<char*>(encoded))
        return fail("signature mismatch");
    return true;
}

// A request's body as read here (the library's own form parsing refuses
// bodies far smaller than the client sends): a multipart one as its parts;
// `refusal` says why it was not read whole (answered 413, reaching no route).
struct ReadBody {
    std::string body;
    Params parts;
    std::string refusal;
};

struct StandInServer::Impl {
    httplib::Server server;
    std::thread thread;
    mutable std::mutex mutex;
    std::condition_variable heldChanged;
    uint64_t releaseGeneration { 0 };
    bool stopping { false };
    std::vector<LoggedRequest> log;
    std::map<std::pair<std::string, std::string>, Handler> routes;
    std::vector<std::pair<std::pair<std::string, std::string>, Handler>> prefixRoutes;
    std::map<std::pair<std::string, std::string>, std::deque<Answer>> scripted;
    std::string fixtures;
    std::string consumerKey { "product-key" };
    std::string consumerSecret { "product-secret" };
    std::map<std::string, std::string> tokens;
    bool rejectsBadSignatures { false };
    std::function<void(const std::string&)> logSink;
    std::set<std::string> heldPaths;
    size_t held { 0 };
    size_t answering { 0 };
    std::pair<int, int> answerDelay { 0, 0 };
    std::mt19937 random { std::random_device {}() };

    void handle(const httplib::Request& req, const ReadBody& read, httplib::Response& res);
};


namespace {
std::string verdict(const LoggedRequest& r)
{
    if (!r.signed_)
        return "unsigned";
    return r.signatureValid ? "signature verified" : "signature NOT verified (" + r.signatureFailure + ")";
}

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

// Reads a request's body (a multipart one as its parts) up to the limit of
// its kind; past it the rest is read and dropped (so the connection stays in
// step) and the reason is set.
ReadBody readBody(const httplib::Request& req, const httplib::ContentReader& reader)
{
    ReadBody out;
    bool multipart = req.is_multipart_form_data();
    size_t limit = multipart ? kMultipartBodyLimit : kFormBodyLimit;
    size_t total = 0;
    bool read = false;
    if (multipart) {
        read = reader(
            [&](const httplib::MultipartFormData& part) {
                out.parts.emplace_back(part.name, std::string());
                return true;
            },
            [&](const char* data, size_t length) {
                total += length;
                if (total <= limit && !out.parts.empty())
                    out.parts.back().second.append(data, length);
                return true;
            });
    } else {
        read = reader([&](const char* data, size_t length) {
            total += length;
            if (total <= limit)
                out.body.append(data, length);
            return true;
        });
    }
    if (!read)
        out.refusal = "the body could not be read";
    else if (total > limit)
        out.refusal = std::string("a ") + (multipart ? "multipart" : "form") + " body carrying " + std::to_string(total)
            + " bytes is over the limit of " + std::to_string(limit);
    if (!out.refusal.empty()) {
        out.body.clear();
        out.parts.clear();
    }
    return out;
}
} // namespace

void StandInServer::Impl::handle(const httplib::Request& req, const ReadBody& read, httplib::Response& res)
{
    {
        std::lock_guard guard(mutex);
        ++answering;
    }
    struct Answered {
        Impl& impl;
        ~Answered()
        {
            std::lock_guard guard(impl.mutex);
            --impl.answering;
        }
    } answered { *this };
    const std::string& body = read.body;
    const std::string& refusal = read.refusal;
    LoggedRequest logged;
    logged.method = req.method;
    std::string rawPath = req.target.substr(0, req.target.find('?'));
    logged.path = req.path.size() > 0 && req.path[0] == '/' ? req.path.substr(1) : req.path;
    if (auto q = req.target.find('?'); q != std::string::npos)
        logged.params = parseFormEncoded(req.target.substr(q + 1));
    logged.contentType = req.get_header_value("Content-Type");
    for (auto& [k, v] : req.headers)
        logged.headers.emplace_back(k, v);
    logged.body = body;
    Params signedParams = logged.params;
    if (logged.contentType.rfind("application/x-www-form-urlencoded", 0) == 0) {
        Params form = parseFormEncoded(body);
        logged.params.insert(logged.params.end(), form.begin(), form.end());
        signedParams.insert(signedParams.end(), form.begin(), form.end());
    } else {
        logged.params.insert(logged.params.end(), read.parts.begin(), read.parts.end());
    }
    logged.viaChannel = req.has_header(kChannelMarkerHeader);
    logged.authorization = req.get_header_value("Authorization");
    if (!logged.authorization.empty()) {
        logged.signed_ = true;
        Params oauth = parseAuthorizationHeader(logged.authorization);
        std::string consumer;
        for (auto& [k, v] : oauth) {
            if (k == "oauth_token")
                logged.oauthToken = v;
            if (k == "oauth_consumer_key")
                consumer = v;
        }
        std::string baseUrl = "http://" + req.get_header_value("Host") + rawPath;
        std::lock_guard guard(mutex);
        auto token = tokens.find(logged.oauthToken);
        bool tokenKnown = logged.oauthToken.empty() || token != tokens.end();
        if (consumer != consumerKey)
            logged.signatureFailure = "unknown consumer key";
        else if (!tokenKnown)
            logged.signatureFailure = "unknown token";
        else
            logged.signatureValid = verifyOAuthSignature(req.method, baseUrl, signedParams, logged.authorization,
                                                         consumerSecret, logged.oauthToken.empty() ? "" : token->second,
                                                         &logged.signatureFailure);
    }

    Answer answer;
    bool found = false;
    Handler handler;
    std::function<void(const std::string&)> sink;
    uint64_t loggedGeneration = 0;
    {
        std::lock_guard guard(mutex);
        log.push_back(logged);
        loggedGeneration = releaseGeneration;
        sink = logSink;
        auto key = std::make_pair(logged.method, logged.path);
        if (!refusal.empty()) {
            answer = xml::error(413, "The request is too large: " + refusal);
            found = true;
        } else if (logged.signed_ && !logged.signatureValid && rejectsBadSignatures) {
            answer = xml::error(401, "The request's signature does not verify");
            found = true;
        } else if (auto s = scripted.find(key); s != scripted.end() && !s->second.empty()) {
            answer = s->second.front();
            s->second.pop_front();
            found = true;
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
        answer = handler(logged);
        found = true;
    }
    if (!found && logged.method == "GET" && !fixtures.empty() && logged.path.find("..") == std::string::npos) {
        std::ifstream in(fixtures + "/" + logged.path, std::ios::binary);
        if (in) {
            std::ostringstream text;
            text << in.rdbuf();
            answer = Answer::xml(text.str());
            found = true;
        }
    }
    if (!found)
        answer = xml::error(404, "Not found");
    if (sink)
        sink(logged.method + " " + logged.path + " " + std::to_string(answer.status) + " " + verdict(logged)
             + (logged.viaChannel ? " (presence channel)" : "")
             + (answer.status >= 400 ? ": " + refusalReason(answer.body) : std::string()));

    int delayMs = 0;
    {
        std::lock_guard guard(mutex);
        if (answerDelay.second > 0)
            delayMs = std::uniform_int_distribution<int>(answerDelay.first, answerDelay.second)(random);
        answer.hold = answer.hold || heldPaths.count(logged.path);
    }
    if (delayMs > 0) {
        std::unique_lock lock(mutex);
        heldChanged.wait_for(lock, std::chrono::milliseconds(delayMs), [&] { return stopping; });
    }
    if (answer.hold) {
        // A release after the request reached the log covers it too, even
        // before its route and delay are done: a test that saw the request
        // and released it has released it.
        std::unique_lock lock(mutex);
        if (!stopping && releaseGeneration == loggedGeneration) {
            ++held;
            heldChanged.wait(lock, [&] { return stopping || releaseGeneration != loggedGeneration; });
        }
    }
    res.status = answer.status;
    if (answer.truncateAfter > 0) {
        auto body = std::make_shared<std::string>(answer.body);
        size_t cut = std::min(answer.truncateAfter, body->size());
        res.set_content_provider(body->size(), answer.contentType,
                                 [body, cut](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset < cut)
                                         sink.write(body->data() + offset, cut - offset);
                                     return offset < cut; // then drop the connection
                                 });
    } else if (answer.hugeBodyBytes > 0) {
        size_t total = answer.hugeBodyBytes;
        res.set_content_provider(total, answer.contentType, [total](size_t offset, size_t, httplib::DataSink& sink) {
            static const std::string chunk(64 * 1024, 'x');
            size_t n = std::min(chunk.size(), total - offset);
            return sink.write(chunk.data(), n);
        });
    } else {
        res.set_content(answer.body, answer.contentType.c_str());
    }
}

std::optional<std::pair<int, int>> parseDelayRange(const std::string& text)
{
    size_t comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    auto number = [](const std::string& part) -> std::optional<int> {
        if (part.empty() || part.size() > 7 || part.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        return std::stoi(part);
    };
    auto low = number(text.substr(0, comma));
    auto high = number(text.substr(comma + 1));
    if (!low || !high || *low > *high)
        return std::nullopt;
    return std::make_pair(*low, *high);
}

StandInServer::StandInServer() : impl_(std::make_unique<Impl>())
{
    if (const char* delay = std::getenv("BRISKO_STANDIN_DELAY_MS")) {
        if (auto range = parseDelayRange(delay))
            impl_->answerDelay = *range;
        else
            std::fprintf(stderr, "stand-in: BRISKO_STANDIN_DELAY_MS wants MIN,MAX in milliseconds, not \"%s\"\n", delay);
    }
}

StandInServer::~StandInServer() { stop(); }

int StandInServer::start(int port)
{
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { impl_->handle(req, { req.body, {}, {} }, res); };
    // Bodies are read here, each kind to its own limit.
    auto withBody = [this](const httplib::Request& req, httplib::Response& res, const httplib::ContentReader& reader) {
        impl_->handle(req, readBody(req, reader), res);
    };
    impl_->server.Get(R"(.*)", handler);
    impl_->server.Post(R"(.*)", withBody);
    impl_->server.Put(R"(.*)", withBody);
    impl_->server.Delete(R"(.*)", withBody);
    // Only SO_REUSEADDR: the library's default also sets SO_REUSEPORT, which
    // would let a second server share a port already in use.
    impl_->server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // An answer's header and body go out as they are written: waiting to
    // coalesce them met the client's delayed acknowledgement, 40 ms an answer.
    impl_->server.set_tcp_nodelay(true);
    impl_->server.set_keep_alive_max_count(100);
    impl_->server.set_keep_alive_timeout(1);
    if (port == 0)
        port_ = impl_->server.bind_to_any_port("127.0.0.1");
    else
        port_ = impl_->server.bind_to_port("127.0.0.1", port) ? port : -1;
    if (port_ < 0)
        return -1;
    auto ended = std::make_shared<std::atomic<bool>>(false);
    impl_->thread = std::thread([this, ended] {
        impl_->server.listen_after_bind();
        *ended = true;
    });
    // stop() is ignored until the accept loop runs, so wait for it.
    while (!impl_->server.is_running() && !*ended)
        std::this_thread::yield();
    return port_;
}

namespace {

// Ends the reading side of the connections accepted on a port that still
// listens: a worker waiting on a kept-alive connection for the next request
// then ends at once instead of after the keep-alive timeout, while an answer
// being written still goes out whole. While the port listens, a socket bound
// to it with a peer can only be one it accepted.
void dropAcceptedConnections(int port)
{
    DIR* fds = opendir("/proc/self/fd");
    if (!fds)
        return;
    while (dirent* entry = readdir(fds)) {
        int fd = std::atoi(entry->d_name);
        if (fd <= 2 || fd == dirfd(fds))
            continue;
        sockaddr_in local {}, peer {};
        socklen_t localSize = sizeof local, peerSize = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 || local.sin_family != AF_INET
            || ntohs(local.sin_port) != port)
            continue;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0)
            shutdown(fd, SHUT_RD);
    }
    closedir(fds);
}

} // namespace

void StandInServer::stop()
{
    {
        std::lock_guard guard(impl_->mutex);
        impl_->stopping = true;
        impl_->held = 0;
    }
    impl_->heldChanged.notify_all();
    if (port_ > 0 && impl_->server.is_running())
        dropAcceptedConnections(port_);
    impl_->server.stop();
    if (impl_->thread.joinable())
        impl_->thread.join();
}

std::string StandInServer::baseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

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
    {
        std::lock_guard guard(impl_->mutex);
        ++impl_->releaseGeneration;
        // Released answers count as being made from now on, not from when
        // their threads wake, so a test never reads one as still held.
        impl_->held = 0;
    }
    impl_->heldChanged.notify_all();
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
    return impl_->held;
}

void StandInServer::setAnswerDelay(int minMs, int maxMs)
{
    std::lock_guard guard(impl_->mutex);
    impl_->answerDelay = { std::max(0, minMs), std::max(std::max(0, minMs), maxMs) };
}

size_t StandInServer::answeringCount() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->answering;
}

std::vector<LoggedRequest> StandInServer::requests() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->log;
}

size_t StandInServer::requestCount() const
{
    std::lock_guard guard(impl_->mutex);
    return impl_->log.size();
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
    route("POST", "bootstrap.xml", [this, token, secret](const LoggedRequest&) {
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
                           "<presence_enabled>false</presence_enabled>"
                           "</bootstrap>");
    });
    route("GET", "users/@me/presence_queue.xml", [presenceQueue](const LoggedRequest&) {
        return Answer::xml("<presence_queue><name>" + presenceQueue + "</name></presence_queue>");
    });
}

} // namespace standin
