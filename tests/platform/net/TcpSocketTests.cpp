// The cancellable loopback socket of the presence channel.
#include "platform/net/TcpSocket.h"
#include "support/SilentNameServer.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>

using namespace platform;

namespace {

TEST(TcpSocket, CancelFromAnotherThreadEndsAWait)
{
    auto listener = TcpSocket::create();
    int port = listener->listenLoopback(0);
    ASSERT_GT(port, 0);
    auto client = TcpSocket::create();
    ASSERT_EQ(client->connect("127.0.0.1", port, 5), TcpSocket::Result::Ok);
    auto peer = listener->accept(5);
    ASSERT_TRUE(peer);
    // wake() ends a wait once and cancels nothing: the socket reads on.
    TcpSocket::Ready ready;
    auto woken = std::async(std::launch::async, [&] { return client->waitReady(false, -1, ready); });
    client->wake();
    ASSERT_EQ(woken.wait_for(testing_support::kHungAfter), std::future_status::ready);
    EXPECT_EQ(woken.get(), TcpSocket::Result::Ok);
    EXPECT_FALSE(ready.readable || ready.writable);
    ASSERT_EQ(peer->sendAll("hi"), TcpSocket::Result::Ok);
    ASSERT_EQ(client->waitReady(false, -1, ready), TcpSocket::Result::Ok);
    EXPECT_TRUE(ready.readable);
    std::string hi;
    ASSERT_EQ(client->receive(hi, 100, 0), TcpSocket::Result::Ok);
    EXPECT_EQ(hi, "hi");

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

// A name server that does not answer holds the connecting thread, not the one
// that cancels it: shutdown never waits on a lookup.
TEST(TcpSocket, CancelEndsAWaitOnANameServerThatDoesNotAnswer)
{
    testing_support::SilentNameServer names;
    auto socket = TcpSocket::create();
    auto connected = std::async(std::launch::async, [&] { return socket->connect("presence.example", 61613, 5); });
    ASSERT_TRUE(names.waitAsked(1));
    socket->cancel();
    ASSERT_EQ(connected.wait_for(testing_support::kHungAfter), std::future_status::ready);
    EXPECT_EQ(connected.get(), TcpSocket::Result::Cancelled);
    EXPECT_EQ(names.ended(), 0u); // the lookup itself still waits

    // Once the name answers, a connection goes to the address it names.
    auto listener = TcpSocket::create();
    int port = listener->listenLoopback(0);
    ASSERT_GT(port, 0);
    names.answer();
    EXPECT_EQ(TcpSocket::create()->connect("presence.example", port, 5), TcpSocket::Result::Ok);
}

} // namespace
