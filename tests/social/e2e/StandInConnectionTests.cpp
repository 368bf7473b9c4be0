// The service's HTTP port holds against clients that idle, dawdle, half-close
// or send what cannot be read: a signed request is still answered at once,
// each reply leaves in one piece, every refusal says why in its answer and in
// the log, and the log stays within its budget.
#include "StandInSocketSupport.h"

#include "tools/standin/StandInHttp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

using standin_testing::RawConnection;

namespace {

class StandInConnections : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.route("GET", "ping", standin::Answer::xml("<pong/>"));
        server.route("POST", "echo", [this](const standin::LoggedRequest& r) {
            ++reached;
            return standin::Answer::xml("<size>" + std::to_string(r.param("value").size()) + "</size>");
        });
        // A refusal that quotes what it was sent, as some of the service's do.
        server.route("POST", "refuse", [](const standin::LoggedRequest& r) {
            return standin::Answer::xml("<errors><error>No such thing: " + r.param("value") + "</error></errors>", 400);
        });
        server.setFixtureDirectory(fixtures.path());
        fixtures.write("client_applications/321.xml", "<game/>");
        server.addToken("token-1", "token-secret-1");
        server.setRejectsBadSignatures(true);
        server.setLogSink([this](const std::string& line) {
            std::lock_guard guard(mutex);
            log.push_back(line);
        });
        ASSERT_GT(server.start(), 0);
    }
    void TearDown() override { server.stop(); }

    std::vector<std::string> logLines()
    {
        std::lock_guard guard(mutex);
        return log;
    }

    testing_support::TempDir fixtures;
    standin::StandInServer server;
    std::mutex mutex;
    std::vector<std::string> log;
    std::atomic<int> reached { 0 };
};

const std::string kPing = "GET /ping HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

} // namespace

TEST_F(StandInConnections, IdleAndSlowClientsDoNotKeepASignedRequestWaiting)
{
    standin_testing::DescriptorLimit limit(4096);
    ASSERT_TRUE(limit.enough());
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < 1000; ++i) {
        idle.push_back(std::make_unique<RawConnection>(server.port()));
        ASSERT_TRUE(idle.back()->connected()) << i;
    }
    // Slow senders: a request begun and not finished.
    for (int i = 0; i < 32; ++i) {
        idle.push_back(std::make_unique<RawConnection>(server.port()));
        ASSERT_TRUE(idle.back()->send("POST /echo HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Le"));
    }
    RawConnection signer(server.port());
    ASSERT_TRUE(signer.send(standin_testing::signedRequest(server.port(), "GET", "ping", {}, "token-1", "token-secret-1")));
    auto reply = signer.readReply();
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "<pong/>");
    // Answered while every idle and slow client was still connected.
    size_t dropped = 0;
    for (auto& c : idle)
        dropped += c->heardFrom() ? 1 : 0;
    EXPECT_EQ(dropped, 0u);
    EXPECT_EQ(logLines().back(), "GET ping 200 signature verified");
}

TEST_F(StandInConnections, EachReplyLeavesInOneWrite)
{
    // A reply split in two writes waits for the first one's acknowledgement
    // before the second goes: on one connection the split shows as a first
    // read that ends before the reply does.
    RawConnection c(server.port());
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(c.send(kPing));
        std::string first = c.readOnce();
        EXPECT_TRUE(first.ends_with("<pong/>")) << i << ": " << first;
    }
}

TEST_F(StandInConnections, AHalfClosedRequestIsStillAnswered)
{
    for (int i = 0; i < 20; ++i) {
        RawConnection c(server.port());
        ASSERT_TRUE(c.send("POST /echo HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                           "Content-Length: 9\r\n\r\nvalue=abc"));
        c.shutdownWrite();
        auto reply = c.readReply();
        EXPECT_EQ(reply.status, 200) << i;
        EXPECT_EQ(reply.body, "<size>3</size>");
        EXPECT_TRUE(c.readToEnd()) << "then it closes";
    }
    EXPECT_EQ(reached, 20);
}

TEST_F(StandInConnections, RequestsThatCannotBeReadAreAnsweredWithWhyAndLogged)
{
    std::string headers;
    for (int i = 0; i < 101; ++i)
        headers += "X-" + std::to_string(i) + ": 1\r\n";
    struct Case {
        std::string request;
        int status;
        std::string why;
    };
    const std::vector<Case> cases {
        { "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\n\r\n", 414, "- 414 not read: the address is" },
        { "GET /ping HTTP/1.1\r\nX-Big: " + std::string(9000, 'b') + "\r\n\r\n", 431, "GET ping 431 not read: a header line" },
        { "GET /ping HTTP/1.1\r\n" + headers + "\r\n", 431, "not read: the request has over 100 header lines" },
        { "\x01\x03\x01 garbage\r\n\r\n", 400, "- - 400 not read: the request line does not start" },
        // A TLS client's hello, which may hold a LF, is named for what it is.
        { "\x16\x03\x01 garbage\r\n\r\n", 400, "- - 400 not read: a TLS handshake came to this plain-HTTP port" },
        { std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\x0a\x9b", 13), 400,
          "- - 400 not read: a TLS handshake came to this plain-HTTP port: address it with http://, not https://" },
        { "GET /ping HTTP/1.1" + std::string(9000, ' ') + "\r\n\r\n", 414,
          "- - 414 not read: the request line is over the limit of 8234 bytes" },
        { "GET /ping HTTP/9.9\r\n\r\n", 505, "GET ping 505 not read: HTTP/9.9 is not served" },
        { "GET /ping HTTP/1.1\nHost: x\n\n", 400, "- - 400 not read: the request's lines end in LF alone" },
        { std::string(5000, 'G') + " /ping HTTP/1.1\r\n\r\n", 400, "- - 400 not read: the request line does not start with a method" },
        { "GET ping HTTP/1.1\r\n\r\n", 400, "not read: the address \"ping\" is not a path" },
        { "POST /echo HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400, "not read: Content-Length \"-1\" is not a number" },
        { "POST /echo HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", 400, "not read: the chunk size \"zz\" is not a hexadecimal" },
        { "POST /echo HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcdef\r\n", 400, "not read: a chunk's data does not end" },
        // A body is framed only by chunked, last and once, in one field: else where it ends is a guess.
        { "POST /echo HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n", 400, "not read: the transfer coding \"gzip\" does not end in chunked" },
        { "POST /echo HTTP/1.1\r\nTransfer-Encoding: chunked, gzip\r\n\r\n0\r\n\r\n", 400, "does not end in chunked, once" },
        { "POST /echo HTTP/1.1\r\nTransfer-Encoding: chunked, chunked\r\n\r\n0\r\n\r\n", 400, "does not end in chunked, once" },
        { "POST /echo HTTP/1.1\r\nTransfer-Encoding: chunked\r\nTransfer-Encoding: gzip\r\n\r\n0\r\n\r\n", 400,
          "POST echo 400 not read: the request has more than one Transfer-Encoding header" },
        { "POST /echo HTTP/1.1\r\nTransfer-Encoding: gzip, chunked\r\n\r\n0\r\n\r\n", 501, "the transfer coding \"gzip, chunked\" is not served" },
    };
    for (auto& c : cases) {
        RawConnection connection(server.port());
        ASSERT_TRUE(connection.send(c.request));
        auto reply = connection.readReply();
        EXPECT_EQ(reply.status, c.status) << c.why;
        EXPECT_FALSE(reply.body.empty()) << c.why;
        EXPECT_TRUE(connection.readToEnd()) << "its connection closes: " << c.why;
        auto lines = logLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find(c.why), std::string::npos) << lines.back();
        EXPECT_NE(lines.back().find(reply.body.substr(0, reply.body.size() - 1)), std::string::npos)
            << "the answer carries the logged reason: " << reply.body;
    }
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(StandInConnections, AnUnfinishedRequestLineIsBoundedAsAHeaderLineIs)
{
    // A request line with its address, then bytes and no line end: refused as
    // soon as it passes its limit, on the service's port and on the storage
    // host's, which read requests alike; not held until the read timeout.
    standin::StorageHostStandIn storage;
    ASSERT_GT(storage.start(), 0);
    for (int port : { server.port(), storage.port() }) {
        RawConnection c(port);
        ASSERT_TRUE(c.send("GET /x "));
        for (int i = 0; i < 4 && !c.heardFrom(); ++i)
            c.send(std::string(4096, 'v'));
        auto reply = c.readReply();
        EXPECT_EQ(reply.status, 414) << port;
        EXPECT_EQ(reply.body, "the request line is over the limit of 8234 bytes\n");
        EXPECT_TRUE(c.readToEnd()) << "its connection closes";
    }
    storage.stop();
    EXPECT_EQ(logLines().back(), "- - 414 not read: the request line is over the limit of 8234 bytes");
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(StandInConnections, BrokenFormsAreRefusedAsUnreadableNotAsTooLarge)
{
    const std::vector<std::pair<std::string, std::string>> forms {
        { "multipart/form-data", "--b\r\nContent-Disposition: form-data; name=\"value\"\r\n\r\nv\r\n--b--" },
        { "multipart/form-data; boundary=b", "no delimiter at all" },
        { "multipart/form-data; boundary=b", "--b\r\nContent-Disposition: form-data; name=\"value\"\r\n\r\nv" },
        { "multipart/form-data; boundary=b", "--b\r\nContent-Disposition: form-data\r\n\r\nv\r\n--b--" },
        { "multipart/form-data; boundary=b", "--b\r\nContent-Disposition: form-data; name=\"value\"" },
        { "multipart/form-data; boundary=b", "--bX\r\n\r\nv\r\n--b--" },
    };
    for (auto& [type, body] : forms) {
        auto reply = standin_testing::sendRaw(server.port(), "POST /echo HTTP/1.1\r\nContent-Type: " + type
                                                                 + "\r\nContent-Length: " + std::to_string(body.size())
                                                                 + "\r\n\r\n" + body);
        EXPECT_EQ(reply.status, 400) << body;
        EXPECT_NE(reply.body.find("The request's body cannot be read: "), std::string::npos) << reply.body;
        EXPECT_EQ(logLines().back().rfind("POST echo 400 unsigned: The request's body cannot be read: ", 0), 0u)
            << logLines().back();
    }
    EXPECT_EQ(reached, 0);
    // A chunked body and one sent after "100 Continue" are read as any other.
    RawConnection c(server.port());
    ASSERT_TRUE(c.send("POST /echo HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                       "Transfer-Encoding: chunked\r\n\r\n6;x=y\r\nvalue=\r\n3\r\nabc\r\n0\r\nTrailer: 1\r\n\r\n"));
    EXPECT_EQ(c.readReply().body, "<size>3</size>");
    ASSERT_TRUE(c.send("POST /echo HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                       "Expect: 100-continue\r\nContent-Length: 8\r\n\r\n"));
    EXPECT_EQ(c.readReply().status, 100);
    ASSERT_TRUE(c.send("value=ab"));
    EXPECT_EQ(c.readReply().body, "<size>2</size>");
    EXPECT_EQ(reached, 2);
}

TEST_F(StandInConnections, TheLogKeepsWithinItsBudgetAfterLargeRefusedPosts)
{
    const std::string body = "value=" + std::string(standin::kFormBodyLimit - 6, 'x');
    const std::string post = "POST /missing HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                             "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    // Each kept post counts its body and its value: four budgets' worth is plenty to overflow it.
    const size_t posts = 4 * standin::http::RequestLog::kBudget / (2 * body.size()) + 1;
    for (size_t i = 0; i < posts; ++i) {
        RawConnection c(server.port());
        ASSERT_TRUE(c.send(post));
        ASSERT_EQ(c.readReply().status, 404) << i;
    }
    auto kept = server.requests();
    size_t bytes = 0;
    for (auto& r : kept)
        bytes += r.body.size() + r.param("value").size();
    EXPECT_LE(bytes, standin::http::RequestLog::kBudget);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept.back().path, "missing") << "the latest are the ones kept";
    EXPECT_EQ(kept.back().body.size(), body.size());
}

TEST_F(StandInConnections, ALogLineCarriesWhatTheClientSentEscapedAndBounded)
{
    // A path that decodes to a line end cannot write a second, forged line.
    auto forged = standin_testing::sendRaw(
        server.port(), "GET /nothing%0Aforged-line%20GET%20bootstrap.xml%20200%20signature%20verified HTTP/1.1\r\n\r\n");
    EXPECT_EQ(forged.status, 404);
    // A refusal quoting a 900 KB value writes a line of a few KB, saying how much it left out.
    const std::string value = std::string(450 * 1024, 'v') + "\n" + std::string(450 * 1024, 'w');
    const std::string body = "value=" + value;
    auto flooded = standin_testing::sendRaw(server.port(), "POST /refuse HTTP/1.1\r\nContent-Type: "
                                                           "application/x-www-form-urlencoded\r\nContent-Length: "
                                                           + std::to_string(body.size()) + "\r\n\r\n" + body);
    EXPECT_EQ(flooded.status, 400);
    // Escaping makes no line longer: a value of control characters is cut at the same length once escaped.
    std::string controls = "value=";
    for (int i = 0; i < 1024; ++i)
        controls += "%01";
    EXPECT_EQ(standin_testing::sendRaw(server.port(), "POST /refuse HTTP/1.1\r\nContent-Type: application/"
                                                      "x-www-form-urlencoded\r\nContent-Length: "
                                                          + std::to_string(controls.size()) + "\r\n\r\n" + controls)
                  .status,
              400);
    auto lines = logLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "GET nothing\\x0aforged-line GET bootstrap.xml 200 signature verified 404 unsigned: Not found");
    EXPECT_EQ(lines[1].rfind("POST refuse 400 unsigned: No such thing: vvv", 0), 0u) << lines[1].substr(0, 100);
    EXPECT_LT(lines[1].size(), 4096u);
    EXPECT_NE(lines[1].find(" more bytes)"), std::string::npos);
    const std::string head = "POST refuse 400 unsigned: ";
    EXPECT_EQ(lines[2].rfind(head + "No such thing: \\x01\\x01", 0), 0u) << lines[2].substr(0, 100);
    EXPECT_LE(lines[2].size(), head.size() + standin::http::kLogValueLimit + 24) << lines[2].size();
    // "No such thing: " and 252 of the 1,024 control characters fit in 1,024 bytes.
    EXPECT_EQ(lines[2].substr(lines[2].size() - 20), "... (772 more bytes)") << lines[2].size();
    for (auto& line : lines)
        EXPECT_EQ(line.find('\n'), std::string::npos) << line.substr(0, 100);
    // A one-shot answer says so: a reader tells it from what the route answers.
    server.script("GET", "ping", standin::Answer::xml("<errors><error>Busy</error></errors>", 500));
    EXPECT_EQ(standin_testing::sendRaw(server.port(), kPing).status, 500);
    EXPECT_EQ(standin_testing::sendRaw(server.port(), kPing).status, 200);
    lines = logLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], "GET ping 500 unsigned (scripted): Busy");
    EXPECT_EQ(lines[4], "GET ping 200 unsigned");
}

TEST(StandInLogLines, AValueIsCutOnceEscapedAndNeverInsideACharacter)
{
    using standin::http::loggable;
    EXPECT_EQ(loggable("a\\b\x01", 64), "a\\\\b\\x01");
    EXPECT_EQ(loggable(std::string(10, '\x01'), 9), "\\x01\\x01... (8 more bytes)");
    // "é" is two bytes: shown whole or not at all.
    EXPECT_EQ(loggable("ab\xC3\xA9", 3), "ab... (2 more bytes)");
    EXPECT_EQ(loggable("ab\xC3\xA9", 4), "ab\xC3\xA9");
    EXPECT_EQ(loggable("\xF0\x9F\x8E\xB2z", 4), "\xF0\x9F\x8E\xB2... (1 more bytes)");
}

TEST_F(StandInConnections, AFolderIsNotAFixtureAndANulEndsNoPath)
{
    EXPECT_EQ(standin_testing::sendRaw(server.port(), "GET /client_applications/321.xml HTTP/1.1\r\n\r\n").body, "<game/>");
    for (const char* folder : { "/client_applications/", "/client_applications", "/.", "/%2e", "/", "/client_applications/." }) {
        auto reply = standin_testing::sendRaw(server.port(), std::string("GET ") + folder + " HTTP/1.1\r\n\r\n");
        EXPECT_EQ(reply.status, 404) << folder;
    }
    // Cut at its NUL, this path would name the fixture above.
    auto nul = standin_testing::sendRaw(server.port(), "GET /client_applications/321.xml%00.png HTTP/1.1\r\n\r\n");
    EXPECT_EQ(nul.status, 400);
    EXPECT_NE(nul.body.find("holds a NUL byte once decoded"), std::string::npos) << nul.body;
    EXPECT_EQ(server.requestCount(), 7u) << "the NUL one is not read";
}

namespace {

// What the reader makes of `bytes` handed to it in pieces cut at `cuts`:
// the body's size when the request is whole, else minus the refusal's status.
long readInPieces(const std::string& bytes, std::vector<size_t> cuts)
{
    standin::http::RequestReader reader([](const standin::http::Request&) { return standin::kFormBodyLimit; });
    cuts.push_back(bytes.size());
    std::string in;
    size_t from = 0;
    for (size_t cut : cuts) {
        in += bytes.substr(from, cut - from);
        from = cut;
        auto step = reader.take(in);
        if (step == standin::http::RequestReader::Step::Done)
            return static_cast<long>(reader.request().body.size());
        if (step == standin::http::RequestReader::Step::Refused)
            return -reader.status();
    }
    return 0;
}

} // namespace

TEST(StandInRequestReader, AChunkedBodyIsReadTheSameHoweverItIsSplit)
{
    const std::string head = "POST /echo HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n";
    std::string small, extended, longLine;
    for (int i = 0; i < 22000; ++i)
        small += "1\r\nx\r\n";
    for (int i = 0; i < 71; ++i)
        extended += "1;" + std::string(1000, 'e') + "\r\nx\r\n";
    longLine = "1;" + std::string(2000, 'e') + "\r\nx\r\n";
    struct Case {
        std::string bytes;
        long outcome;
    };
    const std::vector<Case> cases {
        { head + small + "0\r\n\r\n", 22000 },      // many small chunks: little framing, served
        { head + extended + "0\r\n\r\n", -413 },    // 71 KB of extensions: over the framing budget
        { head + longLine + "0\r\n\r\n", -400 },    // a size line over 1 KB
        { head + "1\r\nx\r\n0\r\n" + std::string(70, 'T') + ": 1\r\n\r\n", 1 },
    };
    for (auto& c : cases) {
        EXPECT_EQ(readInPieces(c.bytes, {}), c.outcome) << c.bytes.substr(0, 80);
        // Cut inside and around every line of the last few kilobytes, as TCP may.
        for (size_t cut = c.bytes.size() > 2000 ? c.bytes.size() - 2000 : 1; cut < c.bytes.size(); cut += 11)
            ASSERT_EQ(readInPieces(c.bytes, { cut }), c.outcome) << "cut at " << cut << " of " << c.bytes.size();
    }
}

TEST(StandInRequestReader, ALineThatCannotEndWellIsRefusedTheSameHoweverItIsSplit)
{
    // Over its limit, a line is refused for its length even when it ends in LF
    // alone; a TLS client's hello for being one, even when it holds a LF.
    const std::vector<std::pair<std::string, long>> cases {
        { "GET /x HTTP/1.1" + std::string(9000, 'v') + "\n\n", -414 },
        { "GET /x HTTP/1.1\r\nX-Long: " + std::string(9000, 'h') + "\n\n", -431 },
        { std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\x0a", 12) + std::string(300, '\0'), -400 },
        { "GET /x HTTP/1.1\r\n\r\n", 0 },
    };
    for (auto& [bytes, outcome] : cases)
        for (size_t cut = 1; cut < bytes.size(); cut += 97)
            ASSERT_EQ(readInPieces(bytes, { cut }), outcome) << "cut at " << cut << ": " << bytes.substr(0, 20);
}

namespace {

// The HTTP server alone, answering every request read whole with 200.
class StandInConnectionBounds : public ::testing::Test {
protected:
    int start(size_t maxConnections, std::chrono::milliseconds readTimeout)
    {
        standin::http::Settings settings;
        settings.maxConnections = maxConnections;
        settings.readTimeout = readTimeout;
        settings.onRequest = [](standin::http::Request&&, standin::http::Reply reply) {
            reply(standin::http::Response { 200, "text/plain", "ok", 0, 0 });
        };
        return server.start(0, std::move(settings));
    }
    standin::http::Server server;
};

} // namespace

TEST_F(StandInConnectionBounds, UnfinishedRequestsMakeRoomForAWholeOne)
{
    int port = start(16, std::chrono::seconds(60));
    ASSERT_GT(port, 0);
    // Every place is held by a request whose head came and whose body never does.
    std::vector<std::unique_ptr<RawConnection>> waiting;
    for (int i = 0; i < 16; ++i) {
        waiting.push_back(std::make_unique<RawConnection>(port));
        ASSERT_TRUE(waiting.back()->send("POST /x HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 5\r\n\r\n"));
        ASSERT_EQ(waiting.back()->readReply().status, 100) << i; // read by the server, in this order
    }
    RawConnection whole(port);
    ASSERT_TRUE(whole.send("GET /ping HTTP/1.1\r\n\r\n"));
    EXPECT_EQ(whole.readReply().status, 200);
    // The request that began first gave way, and was told why.
    auto first = waiting[0]->readReply();
    EXPECT_EQ(first.status, 408);
    EXPECT_NE(first.body.find("needed for another"), std::string::npos) << first.body;
    for (size_t i = 1; i < waiting.size(); ++i)
        EXPECT_FALSE(waiting[i]->heardFrom()) << i;
}

TEST_F(StandInConnectionBounds, ARequestMustArriveWholeInTimeHoweverItDrips)
{
    int port = start(16, std::chrono::milliseconds(300));
    ASSERT_GT(port, 0);
    RawConnection dripping(port);
    ASSERT_TRUE(dripping.send("GET /ping HTTP/1.1\r\nX-Slow: "));
    // A byte every 20 ms keeps the connection busy, never idle; the request as a whole is late.
    auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!dripping.heardFrom() && std::chrono::steady_clock::now() < giveUp) {
        ASSERT_TRUE(dripping.send("a"));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    auto reply = dripping.readReply();
    EXPECT_EQ(reply.status, 408);
    EXPECT_NE(reply.body.find("did not arrive whole within 300 ms"), std::string::npos) << reply.body;
}

TEST(StandInBodyBudget, TheBodiesHeldAcrossConnectionsStayWithinTheBudget)
{
    // Requests read whole wait for the test to answer them, their bodies held till then.
    std::mutex mutex;
    std::vector<standin::http::Reply> waiting;
    auto waitingCount = [&] {
        std::lock_guard guard(mutex);
        return waiting.size();
    };
    auto answer = [&](size_t i) {
        std::lock_guard guard(mutex);
        waiting.at(i)(standin::http::Response { 200, "text/plain", "ok", 0, 0 });
    };
    standin::http::Server server;
    standin::http::Settings settings;
    settings.bodyBudget = 1024 * 1024;
    settings.onRequest = [&](standin::http::Request&&, standin::http::Reply reply) {
        std::lock_guard guard(mutex);
        waiting.push_back(std::move(reply));
    };
    int port = server.start(0, std::move(settings));
    ASSERT_GT(port, 0);
    auto eventually = [](const std::function<bool()>& done) {
        for (auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30); !done();) {
            if (std::chrono::steady_clock::now() > giveUp)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    };
    auto head = [](size_t length) { return "POST /x HTTP/1.1\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n"; };

    // One body read whole and waiting for its answer, one still arriving: 900,000 of 1 MiB held.
    RawConnection whole(port), arriving(port), over(port);
    ASSERT_TRUE(whole.send(head(600000) + std::string(600000, 'a')));
    ASSERT_TRUE(eventually([&] { return waitingCount() == 1; }));
    ASSERT_TRUE(arriving.send(head(600000) + std::string(300000, 'b')));
    ASSERT_TRUE(eventually([&] { return server.bodyBytesHeld() == 900000; }));

    // A third that would pass it is read, dropped and refused with why; it holds nothing.
    ASSERT_TRUE(over.send(head(200000) + std::string(200000, 'c')));
    auto refused = over.readReply();
    EXPECT_EQ(refused.status, 503);
    EXPECT_NE(refused.body.find("the service holds as many request bodies as it can at once (1024 KiB)"),
              std::string::npos)
        << refused.body;
    EXPECT_TRUE(over.readToEnd());
    EXPECT_EQ(server.bodyBytesHeld(), 900000u);
    EXPECT_EQ(waitingCount(), 1u);

    // Answered, the first gives its bytes back, and the second has room to arrive whole.
    answer(0);
    EXPECT_EQ(whole.readReply().status, 200);
    ASSERT_TRUE(arriving.send(std::string(300000, 'b')));
    ASSERT_TRUE(eventually([&] { return waitingCount() == 2; }));
    EXPECT_EQ(server.bodyBytesHeld(), 600000u);
    answer(1);
    EXPECT_EQ(arriving.readReply().status, 200);
    EXPECT_EQ(server.bodyBytesHeld(), 0u);
}
