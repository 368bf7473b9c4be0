// The libcurl transport against a bare loopback socket: answers arrive on the
// loop, cancelled and failed requests end cleanly.
#include "platform/net/CurlHttpTransport.h"
#include "platform/net/TcpSocket.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
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
            auto s = listener_->accept(testing_support::kHungAfterSeconds);
            if (!s)
                return;
            {
                std::lock_guard guard(mutex_);
                peer_ = s;
            }
            std::string request;
            while (request.find("\r\n\r\n") == std::string::npos)
                if (s->receive(request, 4096, testing_support::kHungAfterSeconds) != TcpSocket::Result::Ok)
                    return;
            received_ = true;
            if (!reply_.empty())
                s->sendAll(reply_);
            std::string rest;
            s->receive(rest, 4096, testing_support::kHungAfterSeconds); // until cancelled or closed
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
    // Whether a whole request has arrived.
    bool received() const { return received_; }

private:
    std::string reply_;
    Ref<TcpSocket> listener_;
    int port_ { 0 };
    std::mutex mutex_;
    Ref<TcpSocket> peer_;
    std::atomic<bool> received_ { false };
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
    ASSERT_TRUE(loop().runUntil([&] { return result.has_value(); }, testing_support::kHungAfterSeconds));
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
    ASSERT_TRUE(loop().runUntil([&] { return server.received(); }, testing_support::kHungAfterSeconds));
    transport->cancel(id);
    transport->cancel(id); // twice is harmless
    loop().drain();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(transport->activeCount(), 0u);

    std::optional<HttpResult> result;
    request.url = "http://127.0.0.1:1/unreachable";
    request.timeout = 5;
    transport->start(request, [&](HttpResult&& r) { result = std::move(r); });
    ASSERT_TRUE(loop().runUntil([&] { return result.has_value(); }, testing_support::kHungAfterSeconds));
    EXPECT_EQ(result->error, HttpError::CannotConnect);
    EXPECT_FALSE(result->response);

    result.reset();
    request.url = "ftp://127.0.0.1/file";
    transport->start(request, [&](HttpResult&& r) { result = std::move(r); });
    ASSERT_TRUE(loop().runUntil([&] { return result.has_value(); }, testing_support::kHungAfterSeconds));
    EXPECT_NE(result->error, HttpError::None);
}

} // namespace
