// The activity poller on the scripted transport and the manual clock:
// last-seen ids out, raised ids and notifications back, no polls without a
// token, one poll at a time.
#include "support/NetTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/net/FakeHttpTransport.h"
#include "social/runtime/QVPoller.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace net_testing;
using platform::HttpResult;
using platform::Ref;

namespace {

class PollerTest : public testing_support::ManualClockTest {
protected:
    void SetUp() override
    {
        ManualClockTest::SetUp();
        oldHome = platform::Bundle::main().homeDirectory();
        platform::Bundle::main().setHomeDirectory(home.path());
        fake = platform::FakeHttpTransport::create();
        platform::HttpTransport::setShared(Ref<platform::HttpTransport>(fake.get()));
        provider = QVProvider::providerWithProductKey("k", "s");
        provider->setServerUrl("http://127.0.0.1:1/");
        provider->setAccessToken("t", "ts");
        host.providerLink = provider.get();
        TestRuntimeRoles::setCurrent(&host);
        poller = QVPoller::pollerWithProvider(provider.get(), "users/@me/activities.xml");
        poller->registerResourceClass(TestActivity::staticResourceClass());
        auto& center = platform::NotificationCenter::defaultCenter();
        center.addObserver(this, "activity_discovered", [this](const platform::Notification& n) {
            auto* series = dynamic_cast<QVPaginatedSeries*>(n.userObject(QVPoller::kResourcesKey));
            discovered.push_back(series ? series->count() : 0);
        });
        center.addObserver(this, QVPoller::kPollingFailedNotification, [this](const platform::Notification& n) {
            auto* source = dynamic_cast<platform::Boxed*>(n.sender);
            failedSources.push_back(source ? source->value().asString() : "");
        });
    }
    void TearDown() override
    {
        platform::NotificationCenter::defaultCenter().removeObserver(this);
        poller->stopPolling();
        provider->destroyAllPendingRequests();
        TestRuntimeRoles::setCurrent(nullptr);
        platform::HttpTransport::setShared(nullptr);
        platform::Bundle::main().setHomeDirectory(oldHome);
        ManualClockTest::TearDown();
    }
    std::string lastSeenSent() const
    {
        auto& url = fake->lastRequest().url;
        auto p = url.find("last_seen_activity_id=");
        return p == std::string::npos ? "" : url.substr(p + 22, url.find('&', p) - p - 22);
    }

    testing_support::TempDir home;
    std::string oldHome;
    RecordingHost host;
    Ref<platform::FakeHttpTransport> fake;
    Ref<QVProvider> provider;
    Ref<QVPoller> poller;
    std::vector<size_t> discovered;
    std::vector<std::string> failedSources;
};

TEST_F(PollerTest, SendsLastSeenIdsRaisesThemAndPostsNewResources)
{
    std::string answer = "<resources><activity id=\"12\"/><activity id=\"40\"/><activity id=\"9\"/></resources>";
    fake->script(HttpResult::answer(200, platform::Bytes(answer.begin(), answer.end())));
    poller->pollNow();
    loop().drain();
    ASSERT_EQ(fake->requests().size(), 1u);
    EXPECT_EQ(fake->lastRequest().method, "GET");
    EXPECT_EQ(lastSeenSent(), "0");
    EXPECT_EQ(poller->lastSeenId(TestActivity::staticResourceClass()), 40);
    EXPECT_EQ(discovered, std::vector<size_t> { 3 });

    fake->script(HttpResult::answer(200, {}));
    poller->pollNow();
    loop().drain();
    EXPECT_EQ(lastSeenSent(), "40");
    EXPECT_EQ(failedSources, std::vector<std::string> { "users/@me/activities.xml" }); // an empty body is no answer
    EXPECT_EQ(discovered.size(), 1u);

    poller->clearCacheAndForceLastSeenId(1234567890123, TestActivity::staticResourceClass());
    poller->pollNow();
    loop().drain();
    EXPECT_EQ(lastSeenSent(), "1234567890123");
}

TEST_F(PollerTest, NeverPollsWithoutAToken)
{
    provider->setAccessToken("", "");
    poller->changePollingFrequency(10);
    advance(35);
    EXPECT_TRUE(fake->requests().empty());
}

TEST_F(PollerTest, PollsOnItsTimerAndOneAtATime)
{
    poller->changePollingFrequency(10);
    EXPECT_EQ(poller->getPollingFrequency(), 10);
    advance(10);
    ASSERT_EQ(fake->requests().size(), 1u); // no script: the answer waits
    advance(10);
    poller->pollNow();
    EXPECT_EQ(fake->requests().size(), 1u); // noted, not sent
    fake->complete(HttpResult::failure(platform::HttpError::CannotConnect));
    loop().drain();
    EXPECT_EQ(failedSources.size(), 1u);
    EXPECT_EQ(fake->requests().size(), 2u); // the noted poll runs next

    poller->changePollingFrequency(0);
    EXPECT_EQ(poller->getPollingFrequency(), 0);
    fake->complete(HttpResult::answer(200, {}));
    advance(100);
    EXPECT_EQ(fake->requests().size(), 2u);
}

TEST_F(PollerTest, DefaultFrequencyComesFromTheUserDefaults)
{
    platform::UserDefaults::standardUserDefaults().setDouble(QVPoller::kDefaultFrequencyKey, 30);
    poller->resetToDefaultPollingFrequency();
    EXPECT_EQ(poller->getPollingFrequency(), 30);
    platform::UserDefaults::standardUserDefaults().removeObjectForKey(QVPoller::kDefaultFrequencyKey);
}

} // namespace
