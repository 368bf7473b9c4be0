// Services that stop and start again on their port while other programs bind
// ports beside them: on loopback addresses of their own, no other server takes
// the port in between, and no client's request reaches another's service.
#include "platform/net/TcpSocket.h"
#include "tools/standin/PrivateLoopback.h"
#include "tools/standin/StandInServer.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

using standin::Answer;
using standin::PrivateLoopback;
using standin::StandInServer;

TEST(StandInPrivateLoopback, EachHolderHasAnAddressOfTheLoopbackNetworkNoOtherHolds)
{
    PrivateLoopback a, b;
    EXPECT_EQ(a.address().rfind("127.", 0), 0u) << a.address();
    EXPECT_NE(a.address(), "127.0.0.1");
    EXPECT_NE(a.address(), b.address());
    // Any other address is refused: a listener here is never reachable from outside.
    EXPECT_EQ(platform::openLoopbackListener(0, 1, "10.0.0.1").first, -1);
    EXPECT_EQ(platform::openLoopbackListener(0, 1, "not an address").first, -1);
}

TEST(StandInPrivateLoopback, RestartingServicesKeepTheirPortsAndHearOnlyTheirOwnClientsWhileAnotherProgramBindsPorts)
{
    struct Side {
        PrivateLoopback loopback;
        StandInServer server;
        std::string name;
        int port { 0 };
        bool start()
        {
            int got = server.start(port, loopback.address());
            if (got <= 0 || (port != 0 && got != port))
                return false;
            port = got;
            return true;
        }
        std::string ask() const
        {
            httplib::Client client(loopback.address(), port);
            auto answer = client.Get("/whoami");
            return answer ? answer->body : std::string("no answer");
        }
    };
    std::vector<std::unique_ptr<Side>> sides;
    for (const char* name : { "first", "second" }) {
        sides.push_back(std::make_unique<Side>());
        sides.back()->name = name;
        sides.back()->server.route("GET", "whoami", Answer::xml(std::string("<name>") + name + "</name>"));
        ASSERT_TRUE(sides.back()->start());
    }

    // Another program binds loopback ports the system picks, over and over.
    std::atomic<bool> done { false };
    std::thread other([&] {
        while (!done) {
            auto [fd, port] = platform::openLoopbackListener(0, 1);
            if (fd >= 0)
                ::close(fd);
        }
    });
    for (int round = 0; round < 10; ++round) {
        for (auto& side : sides) {
            side->server.stop();
            // While it is down, another program's server takes its port number.
            auto [squatter, port] = platform::openLoopbackListener(side->port, 1);
            EXPECT_EQ(port, side->port) << "the port number is free on 127.0.0.1 while the service is down";
            EXPECT_EQ(side->ask(), "no answer") << "a client of a stopped service reaches no one";
            ASSERT_TRUE(side->start()) << "round " << round << ": the port " << side->port << " was not free again";
            if (squatter >= 0)
                ::close(squatter);
        }
        for (auto& side : sides)
            EXPECT_EQ(side->ask(), "<name>" + side->name + "</name>") << "round " << round;
    }
    done = true;
    other.join();
    for (auto& side : sides)
        EXPECT_EQ(side->server.requestCount(), 10u) << side->name << " heard only its own client";
}

} // namespace
