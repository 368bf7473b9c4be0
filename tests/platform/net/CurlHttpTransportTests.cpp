// The platform's networking: the libcurl transport against a bare loopback
// socket, the scripted fake, reachability, the cancellable socket, the
// keychain file and the URL encoding helpers.
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Keychain.h"
#include "platform/net/CurlHttpTransport.h"
#include "platform/net/FakeHttpTransport.h"
#include "platform/net/Reachability.h"
#include "platform/net/TcpSocket.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <mutex>
#include <thread>

using namespace platform;

namespace {

// Answers one connection with a canned reply (or holds it open until cancelled).
class OneShotServer {
public:
    explicit OneShotServer(std::string reply) : reply_(std::move(reply))
    {
        listener_ = TcpSocket::create();
        port_ = listener_->listenLoopback(0);
        thread_ = std::thread([this] {
            auto s = listener_->accept(10);
            if (!s)
                return;
            {
                std::lock_guard guard(mutex_);
                peer_ = s;
            }
            std::string request;
            while (request.find("\r\n\r\n") == std::string::npos)
                if (s->receive(request, 4096, 10) != TcpSocket::Result::Ok)
                    return;
            if (!reply_.empty())
                s->sendAll(reply_);
            std::string rest;
            s->receive(rest, 4096, 10); // until cancelled or closed
        });
    }
    ~OneShotServer()
    {
        listener_->cancel();
        {
            std::lock_guard guard(mutex_);
            if (peer_)
                peer_->cancel();
        }
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/x"; }

private:
    std::string reply_;
    Ref<TcpSocket> listener_;
    int port_ { 0 };
    std::mutex mutex_;
    Ref<TcpSocket> peer_;
    std::thread thread_;
};

class CurlTransportTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        transport = CurlHttpTransport::create();
        ASSERT_TRUE(transport);
    }
    void TearDown() override
    {
        transport = nullptr;
        ManualClockTest::TearDown();
    }
    Ref<CurlHttpTransport> transport;
};

TEST_F(CurlTransportTest, AnswerArrivesOnTheLoopNeverInsideStart)
{
    OneShotServer server("HTTP/1.1 201 Created\r\nContent-Length: 5\r\nX-Test: yes\r\n\r\nhello");
    std::optional<HttpResult> result;
    bool starting = true;
    bool calledInsideStart = false;
    HttpRequestData request;
    request.url = server.url();
    transport->start(request, [&](HttpResult&& r) {
        calledInsideStart = starting;
        result = std::move(r);
    });
    starting = false;
    ASSERT_TRUE(loop().runUntil([&] { return result.has_value(); }, 10));
    EXPECT_FALSE(calledInsideStart);
    EXPECT_EQ(result->error, HttpError::None);
    ASSERT_TRUE(result->response);
    EXPECT_EQ(result->response->statusCode(), 201);
    EXPECT_EQ(result->response->header("x-test"), "yes");
    EXPECT_EQ(std::string(result->body.begin(), result->body.end()), "hello");
    EXPECT_EQ(transport->activeCount(), 0u);
}

TEST_F(CurlTransportTest, CancelledAndTimedOutRequestsEndCleanly)
{
    OneShotServer server(""); // never answers
    int calls = 0;
    HttpRequestData request;
    request.url = server.url();
    request.timeout = 0;
    auto id = transport->start(request, [&](HttpResult&&) { ++calls; });
    loop().runUntil([] { return false; }, 0.1);
    transport->cancel(id);
    transport->cancel(id); // twice is harmless
    loop().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(transport->activeCount(), 0u);

    std::optional<HttpResult> result;
    request.url = "http://127.0.0.1:1/unreachable";
    request.timeout = 5;
    transport->start(request, [&](HttpResult&& r) { result = std::move(r); });
    ASSERT_TRUE(loop().runUntil([&] { return result.has_value(); }, 10));
    EXPECT_EQ(result->error, HttpError::CannotConnect);
    EXPECT_FALSE(result->response);

    result.reset();
    request.url = "ftp://127.0.0.1/file";
    transport->start(request, [&](HttpResult&& r) { result = std::move(r); });
    ASSERT_TRUE(loop().runUntil([&] { return result.has_value(); }, 10));
    EXPECT_NE(result->error, HttpError::None);
}

using FakeTransportTest = testing_support::ManualClockTest;

TEST_F(FakeTransportTest, ScriptedAnswersComeLaterAndTimeoutsFollowTheClock)
{
    auto fake = FakeHttpTransport::create();
    int answered = 0, timedOut = 0;
    auto completion = [&](HttpResult&& r) { (r.error == HttpError::TimedOut ? timedOut : answered)++; };
    fake->script(HttpResult::answer(200));
    HttpRequestData r;
    r.timeout = 2;
    fake->start(r, completion);
    EXPECT_EQ(answered, 0);
    loop().drain();
    EXPECT_EQ(answered, 1);
    fake->start(r, completion);
    advance(2.5);
    EXPECT_EQ(timedOut, 1);
    EXPECT_FALSE(fake->complete(HttpResult::answer(200)));
    EXPECT_EQ(fake->requests().size(), 2u);
}

TEST(Reachability, ObserversHearChangesAndMayLeaveWhileTold)
{
    auto r = ManualReachability::create(Reachability::NotReachable);
    std::vector<int> heard;
    int second = 0;
    int first = r->addObserver([&](int s) {
        heard.push_back(s);
        r->removeObserver(second);
    });
    second = r->addObserver([&](int s) { heard.push_back(100 + s); });
    r->setStatus(Reachability::ReachableViaWiFi);
    r->setStatus(Reachability::ReachableViaWiFi); // no change, no call
    r->removeObserver(first);
    r->setStatus(Reachability::NotReachable);
    EXPECT_EQ(heard, std::vector<int> { 2 });

    std::string host, port;
    EXPECT_TRUE(splitHostPort("http://127.0.0.1:8080/api/", host, port));
    EXPECT_EQ(host + " " + port, "127.0.0.1 8080");
    EXPECT_TRUE(splitHostPort("https://user@[::1]/x", host, port));
    EXPECT_EQ(host + " " + port, "::1 443");
    EXPECT_FALSE(splitHostPort("http:///nohost", host, port));
}

TEST(TcpSocket, CancelFromAnotherThreadEndsAWait)
{
    auto listener = TcpSocket::create();
    int port = listener->listenLoopback(0);
    ASSERT_GT(port, 0);
    auto client = TcpSocket::create();
    ASSERT_EQ(client->connect("127.0.0.1", port, 5), TcpSocket::Result::Ok);
    auto peer = listener->accept(5);
    ASSERT_TRUE(peer);
    TcpSocket::Result waited = TcpSocket::Result::Ok;
    std::thread reader([&] {
        std::string data;
        waited = client->receive(data, 100, -1);
    });
    client->cancel();
    reader.join();
    EXPECT_EQ(waited, TcpSocket::Result::Cancelled);
    EXPECT_EQ(client->sendAll("x"), TcpSocket::Result::Ok); // the socket itself is still open

    peer->close();
    auto other = TcpSocket::create();
    std::string data;
    ASSERT_EQ(other->connect("127.0.0.1", port, 5), TcpSocket::Result::Ok);
    listener->close();
    EXPECT_NE(TcpSocket::create()->connect("127.0.0.1", port, 5), TcpSocket::Result::Ok);
}

TEST(Keychain, SecretsLiveInAPrivateFile)
{
    testing_support::TempDir home;
    std::string oldHome = Bundle::main().homeDirectory();
    Bundle::main().setHomeDirectory(home.path());
    EXPECT_FALSE(Keychain::get("svc", "token"));
    ASSERT_TRUE(Keychain::set("svc", "token", "s3cret"));
    ASSERT_TRUE(Keychain::set("svc", "other", "x"));
    EXPECT_EQ(Keychain::get("svc", "token"), "s3cret");
    struct stat st {};
    ASSERT_EQ(stat(Keychain::pathForService("svc").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(Keychain::remove("svc", "token"));
    EXPECT_FALSE(Keychain::get("svc", "token"));
    EXPECT_EQ(Keychain::get("svc", "other"), "x");

    std::ofstream(Keychain::pathForService("svc")) << "garbage";
    EXPECT_FALSE(Keychain::get("svc", "other"));
    EXPECT_TRUE(Keychain::set("svc", "token", "again"));
    EXPECT_EQ(Keychain::get("svc", "token"), "again");
    Bundle::main().setHomeDirectory(oldHome);
}

TEST(UrlEncoding, UnreservedOnlyAndTolerantDecoding)
{
    EXPECT_EQ(percentEncode("a b+c/~é"), "a%20b%2Bc%2F~%C3%A9");
    EXPECT_EQ(percentDecode("a%20b+c%2"), "a b+c%2");
    EXPECT_EQ(percentDecode("a+b%zz%41", true), "a b%zzA");
}

} // namespace
