// The presence channel against the STOMP stand-in over loopback: queue
// request, connection and subscription, messages to notifications, the 15 s
// reconnection after a drop, and the limit of 32 connection attempts.
#include "support/NetTestSupport.h"

#include "platform/foundation/NotificationCenter.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVPresenceService.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace net_testing;
using platform::Ref;
using standin::Answer;

namespace {

class PresenceTest : public NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        server.installDefaultRoutes("token-1", "token-secret-1", "/queue/presence.17");
        ASSERT_GT(stomp.start(), 0);
        provider->setAccessToken("token-1", "token-secret-1");
        QVPresenceService::initializeService(provider.get());
        presence()->setHostAndPort("127.0.0.1", stomp.port());
        presence()->registerResourceClass(TestActivity::staticResourceClass());
    }
    void TearDown() override
    {
        platform::NotificationCenter::defaultCenter().removeObserver(this);
        QVPresenceService::shutdownService();
        stomp.stop();
        NetTest::TearDown();
    }
    QVPresenceService* presence() { return QVPresenceService::sharedInstance(); }
    bool subscribed(const std::string& queue)
    {
        for (auto& f : stomp.frames())
            if (f.command == "SUBSCRIBE" && f.headers.count("destination") && f.headers.at("destination") == queue)
                return true;
        return false;
    }

    standin::StompStandIn stomp;
};

TEST_F(PresenceTest, ConnectsToItsQueueAndPostsMessages)
{
    size_t received = 0;
    platform::NotificationCenter::defaultCenter().addObserver(this, "activity_discovered",
                                                              [&](const platform::Notification& n) {
        if (auto* s = dynamic_cast<QVPaginatedSeries*>(n.userObject(QVPoller::kResourcesKey)))
            received += s->count();
    });
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->isConnected() && subscribed("/queue/presence.17"); }));
    EXPECT_EQ(presence()->queue(), "/queue/presence.17");
    auto frames = stomp.frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].command, "CONNECT");
    EXPECT_EQ(frames[0].headers["login"], "token-1");
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_TRUE(server.requests()[0].signatureValid);

    stomp.sendMessage("/queue/presence.17", "<resources><activity id=\"5\"/><activity id=\"6\"/></resources>");
    stomp.sendMessage("/queue/presence.17", "not a document");
    ASSERT_TRUE(waitFor([&] { return received == 2; }));

    presence()->disconnect();
    ASSERT_TRUE(waitFor([&] { return stomp.openConnections() == 0; }));
    advance(60);
    EXPECT_EQ(stomp.connectionCount(), 1); // a disconnect is not a drop
}

TEST_F(PresenceTest, ReconnectsFifteenSecondsAfterADrop)
{
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->isConnected(); }));
    stomp.dropConnections();
    ASSERT_TRUE(waitFor([&] { return presence()->isReconnectScheduled(); }));
    EXPECT_FALSE(presence()->isConnected());
    advance(14.9);
    EXPECT_EQ(stomp.connectionCount(), 1);
    advance(0.1);
    ASSERT_TRUE(waitFor([&] { return presence()->isConnected() && stomp.connectionCount() == 2; }));
    EXPECT_EQ(presence()->connectAttempts(), 2);
    EXPECT_EQ(server.requestCount(), 1u); // the queue is asked for once
}

TEST_F(PresenceTest, GivesUpAfterThirtyTwoAttempts)
{
    stomp.setRefusing(true);
    presence()->connect();
    for (int i = 1; i < QVPresenceService::kMaxConnectAttempts; ++i) {
        ASSERT_TRUE(waitFor([&] { return presence()->isReconnectScheduled(); })) << i;
        EXPECT_EQ(presence()->connectAttempts(), i);
        advance(QVPresenceService::kReconnectDelay);
    }
    ASSERT_TRUE(waitFor([&] { return !presence()->isActive(); }));
    EXPECT_EQ(presence()->connectAttempts(), QVPresenceService::kMaxConnectAttempts);
    EXPECT_FALSE(presence()->isReconnectScheduled());
    stomp.setRefusing(false);
    presence()->connect();
    advance(60);
    loop().runUntil([] { return false; }, 0.05);
    EXPECT_EQ(stomp.connectionCount(), 0);
    EXPECT_EQ(presence()->connectAttempts(), QVPresenceService::kMaxConnectAttempts);
}

TEST_F(PresenceTest, FailedQueueRequestRetriesAfterFifteenSeconds)
{
    server.script("GET", QVPresenceService::kQueuePath, Answer::xml("<errors/>", 500));
    presence()->connect();
    ASSERT_TRUE(waitFor([&] { return presence()->isReconnectScheduled(); }));
    advance(15);
    ASSERT_TRUE(waitFor([&] { return presence()->isConnected(); }));
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST_F(PresenceTest, StaysOffWithoutAToken)
{
    provider->setAccessToken("", "");
    presence()->connect();
    loop().runUntil([] { return false; }, 0.05);
    EXPECT_FALSE(presence()->isActive());
    EXPECT_EQ(presence()->connectAttempts(), 0);
    EXPECT_EQ(server.requestCount(), 0u);
}

} // namespace
