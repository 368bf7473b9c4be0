// Talking to the stand-in as its program runs it: raw and signed requests over
// loopback, the kept state's folder and looking into its store.
#include "StandInRequestSupport.h"

#include "social/runtime/OAuthSignature.h"

#include <sqlite3.h>

#include <arpa/inet.h>
#include <cstdlib>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace standin_testing {

Reply sendRaw(int port, const std::string& request) { return sendRaw("127.0.0.1", port, request); }

Reply sendRaw(const std::string& host, int port, const std::string& request)
{
    Reply reply;
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1
        || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return reply;
    }
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string raw;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        raw.append(buffer, static_cast<size_t>(n));
        auto end = raw.find("\r\n\r\n");
        if (end == std::string::npos)
            continue;
        auto length = raw.find("Content-Length: ");
        if (length != std::string::npos && length < end
            && raw.size() >= end + 4 + std::stoul(raw.substr(length + 16)))
            break;
    }
    ::close(fd);
    auto end = raw.find("\r\n\r\n");
    if (raw.size() < 12 || end == std::string::npos)
        return reply;
    reply.status = std::atoi(raw.c_str() + 9);
    reply.head = raw.substr(0, end + 2);
    reply.body = raw.substr(end + 4);
    return reply;
}

Reply ask(int port, const std::string& method, const std::string& path, const standin::Params& form,
          const std::string& token, const std::string& tokenSecret)
{
    return ask("127.0.0.1", port, method, path, form, token, tokenSecret);
}

Reply ask(const std::string& address, int port, const std::string& method, const std::string& path,
          const standin::Params& form, const std::string& token, const std::string& tokenSecret)
{
    return sendRaw(address, port,
                   signedRequestStamped(port, method, path, form, token, tokenSecret, quorvel::oauthNonce(),
                                        std::to_string(std::time(nullptr)), address));
}

std::string signedRequest(int port, const std::string& method, const std::string& path, const standin::Params& form,
                          const std::string& token, const std::string& tokenSecret)
{
    return signedRequestStamped(port, method, path, form, token, tokenSecret, quorvel::oauthNonce(),
                                std::to_string(std::time(nullptr)));
}

std::string signedRequestStamped(int port, const std::string& method, const std::string& path,
                                 const standin::Params& form, const std::string& token, const std::string& tokenSecret,
                                 const std::optional<std::string>& nonce, const std::optional<std::string>& timestamp,
                                 const std::string& address)
{
    quorvel::OAuthParams oauth { { "oauth_consumer_key", "product-key" } };
    if (nonce)
        oauth.emplace_back("oauth_nonce", *nonce);
    oauth.emplace_back("oauth_signature_method", "HMAC-SHA1");
    if (timestamp)
        oauth.emplace_back("oauth_timestamp", *timestamp);
    oauth.emplace_back("oauth_token", token);
    oauth.emplace_back("oauth_version", "1.0");
    quorvel::OAuthParams all = oauth;
    all.insert(all.end(), form.begin(), form.end());
    const std::string host = address + ":" + std::to_string(port);
    std::string url = "http://" + host + "/" + path;
    oauth.emplace_back("oauth_signature",
                       quorvel::oauthSignature(quorvel::oauthSignatureBaseString(method, url, all), "product-secret",
                                               tokenSecret));
    std::string header = "OAuth ";
    for (size_t i = 0; i < oauth.size(); ++i)
        header += (i ? ", " : "") + oauth[i].first + "=\"" + quorvel::oauthEncode(oauth[i].second) + "\"";
    // A GET carries its parameters in the query, the others in a form body.
    std::string body;
    for (auto& [n, v] : form)
        body += (body.empty() ? "" : "&") + quorvel::oauthEncode(n) + "=" + quorvel::oauthEncode(v);
    std::string target = path;
    if (method == "GET" && !body.empty()) {
        target += "?" + body;
        body.clear();
    }
    return method + " /" + target + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\nAuthorization: "
        + header + "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\n\r\n" + body;
}

void KeptStandInTest::SetUp()
{
    state = std::make_unique<standin::StandInState>(home.path());
    ASSERT_TRUE(state->isOpen()) << state->error();
    server.setConsumer("product-key", "product-secret");
    if (!fixtures.empty())
        server.setFixtureDirectory(fixtures);
    server.installDefaultRoutes();
    server.installAccountRoutes(1);
    state->install(server);
    server.setRejectsBadSignatures(true);
    server.setLogSink([this](const std::string& line) { log.push_back(line); });
    ASSERT_GT(server.start(), 0);
}

void KeptStandInTest::TearDown() { server.stop(); }

void KeptStandInTest::restartAs(standin::StandInServer& again)
{
    server.stop();
    state.reset();
    state = std::make_unique<standin::StandInState>(home.path());
    again.setConsumer("product-key", "product-secret");
    state->install(again);
    ASSERT_GT(again.start(), 0);
}

int64_t KeptStandInTest::addPlayer(const std::string& name)
{
    int64_t id = state->addUser(name);
    std::string token = "token-" + std::to_string(id);
    EXPECT_TRUE(execSql("INSERT INTO tokens VALUES ('" + token + "', 'secret-" + std::to_string(id) + "', "
                        + std::to_string(id) + ")"));
    server.addToken(token, "secret-" + std::to_string(id));
    return id;
}

Reply KeptStandInTest::send(int64_t player, const std::string& method, const std::string& path,
                            const standin::Params& form)
{
    return ask(server.port(), method, path, form, "token-" + std::to_string(player), "secret-" + std::to_string(player));
}

bool KeptStandInTest::execSql(const std::string& sql) { return runOnStore(state->databasePath(), sql); }

std::string KeptStandInTest::queryText(const std::string& sql) { return queryStore(state->databasePath(), sql); }

std::string queryStore(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        sqlite3_exec(
            db, sql.c_str(),
            [](void* into, int, char** values, char**) {
                if (values[0])
                    *static_cast<std::string*>(into) = values[0];
                return 1;
            },
            &out, nullptr);
    }
    sqlite3_close(db);
    return out;
}

bool runOnStore(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    bool done = sqlite3_open(path.c_str(), &db) == SQLITE_OK;
    if (done) {
        sqlite3_busy_timeout(db, 2000);
        done = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(db);
    return done;
}

} // namespace standin_testing
