// The cancellable loopback socket of the presence channel.
#include "platform/net/TcpSocket.h"

#include <gtest/gtest.h>

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

} // namespace
