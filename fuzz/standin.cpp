// Fuzz target: what the stand-in service reads from its clients — HTTP
// requests off a connection (chunked bodies among them, request lines within
// their bound), STOMP frames off the presence channel with the requests and
// subscriptions they carry, and the forms in their bodies: form-encoded
// pairs, multipart parts, OAuth headers (their nonces taken into the replay
// memory) and the storage host's signed forms; and the account routes
// (login, securing, changes, reset, extended credentials) acting on such a
// form against a store in memory. Both readers must make the same of the
// bytes however they are split, an answer frame must read back as sent on the
// subscription it was made for, the replay memory must refuse a nonce over
// its bound and a request taken twice and stay within its bytes, and every
// account answer must be XML a client reads.
#include "social/runtime/QVXmlDocument.h"
#include "tools/standin/StandInAccounts.h"
#include "tools/standin/StandInAchievements.h"
#include "tools/standin/StandInFriends.h"
#include "tools/standin/StandInHttp.h"
#include "tools/standin/StandInNonces.h"
#include "tools/standin/StandInPlayers.h"
#include "tools/standin/StandInServer.h"
#include "tools/standin/StandInSocial.h"
#include "tools/standin/StandInStore.h"

#include <sqlite3.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace standin;

namespace {

// What the HTTP reader makes of a connection's bytes handed to it `piece`
// bytes at a time (0: all at once): each request's outcome in order.
std::vector<std::string> readRequests(const std::string& bytes, size_t piece)
{
    http::RequestReader reader([](const http::Request&) { return size_t(4096); });
    std::vector<std::string> outcomes;
    std::string in;
    size_t at = 0;
    while (outcomes.size() < 64) {
        size_t more = piece == 0 ? bytes.size() - at : std::min(piece, bytes.size() - at);
        in.append(bytes, at, more);
        at += more;
        auto step = reader.take(in);
        if (step == http::RequestReader::Step::Done) {
            auto& r = reader.request();
            outcomes.push_back(r.method + " " + r.target + " " + std::to_string(r.body.size()) + " "
                               + std::to_string(r.bodyBytes) + (r.bodyTooLarge ? " large" : "") + " " + r.path());
            reader.reset();
            continue; // what follows may be a request already here
        }
        if (step == http::RequestReader::Step::Refused) {
            outcomes.push_back("refused " + std::to_string(reader.status()));
            break;
        }
        if (at == bytes.size())
            break;
    }
    return outcomes;
}

// The frames taken off a channel's bytes handed over `piece` bytes at a time.
std::vector<StompStandIn::Frame> readFrames(const std::string& bytes, size_t piece, std::string& refusal)
{
    std::vector<StompStandIn::Frame> frames;
    std::string buffer;
    for (size_t at = 0; at < bytes.size() && refusal.empty();) {
        size_t more = piece == 0 ? bytes.size() - at : std::min(piece, bytes.size() - at);
        buffer.append(bytes, at, more);
        at += more;
        for (auto& f : takeStompFrames(buffer, &refusal))
            frames.push_back(std::move(f));
    }
    return frames;
}

bool sameFrames(const std::vector<StompStandIn::Frame>& a, const std::vector<StompStandIn::Frame>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].command != b[i].command || a[i].headers != b[i].headers || a[i].body != b[i].body)
            return false;
    return true;
}

std::string header(const StompStandIn::Frame& f, const char* name)
{
    auto it = f.headers.find(name);
    return it == f.headers.end() ? std::string() : it->second;
}

// A store in memory with the tables the account routes read, and player 100
// "Ann" with the token "t", Twitter linked and the address ann@example.com
// (password "pw").
Store& accountStore()
{
    static Store* store = [] {
        auto* s = new Store; // lives as long as the process
        if (sqlite3_open(":memory:", &s->db) != SQLITE_OK
            || !s->exec(std::string(players::kSchema) + achievements::kSchema + friends::kSchema + social::kSchema
                        + accounts::kSchema + "INSERT INTO users VALUES (100, 'Ann', '2026-01-01 00:00:00');"
                          "INSERT INTO tokens VALUES ('t', 's', 100);"
                          "INSERT INTO linked_networks VALUES (100, 'twitter', '2026-01-01 00:00:00');")
            || !accounts::keep(*s, 100, "ann@example.com", "pw"))
            std::abort();
        return s;
    }();
    return *store;
}

// One account route, picked by `choice`, on the input's form pairs, the
// request signed (or not) as `choice` says; what it writes is undone after.
void exerciseAccounts(const std::string& input, uint8_t choice)
{
    Store& s = accountStore();
    LoggedRequest r;
    r.params = parseFormEncoded(input);
    r.signed_ = choice & 1;
    r.signatureValid = r.signed_ && (choice & 2);
    r.oauthToken = choice & 4 ? "t" : "";
    if (!s.exec("SAVEPOINT fuzz"))
        std::abort();
    Answer answer;
    switch ((choice >> 3) % 6) {
    case 0: answer = accounts::logIn(s, r); break;
    case 1: answer = accounts::secure(s, r, 100); break;
    case 2: answer = accounts::changeEmail(s, r, 100); break;
    case 3: answer = accounts::changePassword(s, r, 100); break;
    case 4: answer = accounts::resetPassword(s, r, 100); break;
    default: answer = accounts::extend(s, r); break;
    }
    if (!quorvel::QVXmlDocument::xmlDocumentWithString(answer.body))
        std::abort();
    if (!s.exec("ROLLBACK TO fuzz; RELEASE fuzz"))
        std::abort();
}

// The requests an Authorization header's fields stand for, one per
// oauth_nonce it carries (consumer and token cut short, as the service takes
// only its own), taken into a memory of a few of them.
void exerciseNonces(const Params& oauth)
{
    const long long now = 1'000'000'000;
    NonceMemory memory(2048);
    NonceMemory::Stamp stamp;
    for (auto& [name, value] : oauth) {
        if (name == "oauth_consumer_key")
            stamp.consumer = value.substr(0, 64);
        else if (name == "oauth_token")
            stamp.token = value.substr(0, 64);
        else if (name == "oauth_timestamp" && !value.empty() && value.size() <= 12
                 && value.find_first_not_of("0123456789") == std::string::npos)
            stamp.timestamp = std::stoll(value);
        if (name != "oauth_nonce")
            continue;
        stamp.nonce = value;
        std::string why = memory.take(stamp, now, stamp.timestamp % 2 ? 300 : 0);
        if ((value.size() > kMaxNonceBytes) != (why.rfind("oauth_nonce is ", 0) == 0))
            std::abort();
        if (why.empty() && memory.take(stamp, now, 300).empty())
            std::abort();
        if (memory.bytes() > memory.budget())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The first byte picks the size of the pieces the bytes come in.
    const size_t piece = size > 0 ? static_cast<size_t>(data[0] % 61) + 1 : 1;

    // A connection: the same requests, however TCP splits the bytes.
    if (readRequests(input, 0) != readRequests(input, piece))
        std::abort();

    // The presence channel: the same frames however split; each connection's
    // subscription is where its requests are answered.
    std::string refusal, splitRefusal;
    auto frames = readFrames(input, 0, refusal);
    if (!sameFrames(frames, readFrames(input, piece, splitRefusal)) || refusal.empty() != splitRefusal.empty())
        std::abort();
    std::string destination;
    for (auto& f : frames) {
        // No frame is taken with more header lines than an HTTP request may carry.
        if (f.headers.size() > http::kMaxHeaders)
            std::abort();
        (void)parseFormEncoded(f.body);
        if (f.command == "SUBSCRIBE") {
            destination = header(f, "destination");
        } else if (f.command == "SEND" && header(f, "destination") == kRequestDestination) {
            http::Request request = channelRequest(f, "127.0.0.1:8080");
            if (http::isMethod(request.method) && !http::checkTarget(request.target))
                (void)request.path();
            std::string answer = channelAnswer(destination, header(f, "correlation-id"),
                                               http::Response { 200, "application/xml", "<resources/>", 0, 0 });
            auto back = takeStompFrames(answer);
            if (back.size() != 1 || header(back[0], "destination") != destination
                || header(back[0], "correlation-id") != header(f, "correlation-id") || back[0].body != "<resources/>")
                std::abort();
        }
    }

    // The first line is a Content-Type, the rest a body.
    size_t nl = input.find('\n');
    std::string type = input.substr(0, nl);
    std::string body = nl == std::string::npos ? std::string() : input.substr(nl + 1);
    if (auto parts = parseMultipart(body, type)) {
        std::string why;
        static const StorageHostStandIn host; // never started: it checks forms only
        (void)host.checkUploadForm(*parts, &why);
    }
    exerciseNonces(parseAuthorizationHeader(input));
    // A log line is as long as its limit once escaped, with the count of what was left out.
    if (http::loggable(input, 64).size() > 64 + 32)
        std::abort();
    // The first byte also picks an account route and how the request is signed.
    exerciseAccounts(input, size > 0 ? data[0] : 0);
    return 0;
}
