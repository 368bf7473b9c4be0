// The application description service against the stand-in: the path holds
// the caller's id, the answer's record reads an empty icon as none.
#include "ServiceTestSupport.h"

#include "social/runtime/QVPaginatedSeries.h"
#include "social/services/QVApplicationDescriptionService.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;

namespace {

class QVApplicationDescriptionServiceTest : public ServiceNetTest {
protected:
    void TearDown() override
    {
        QVApplicationDescriptionService::shutdownService();
        ServiceNetTest::TearDown();
    }
};

TEST_F(QVApplicationDescriptionServiceTest, ShowReadsTheGamesDescription)
{
    server.route("GET", "client_applications/302/application_descriptions.xml",
                 standin::Answer::xml(fixture("application_description.xml")));
    QVApplicationDescriptionService::initializeService();
    auto* service = QVApplicationDescriptionService::sharedService();
    EXPECT_TRUE(service->getShowWithId("302", recorder->onSuccess(), recorder->onFailure()));
    ASSERT_TRUE(waitForCallback());
    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(ownParams(log[0]).empty());
    EXPECT_EQ(facade.notices, std::vector<std::string> { "Downloaded Application Description" });
    ASSERT_TRUE(answer() && answer()->count() == 1);
    auto* d = dynamic_cast<QVApplicationDescription*>(answer()->objects()[0].get());
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->iconUrl());
    EXPECT_EQ(d->price(), "$0.99");
    EXPECT_EQ(d->itunesId(), "7001");
    EXPECT_EQ(d->extendedDescription(), "Dive & find.");
    EXPECT_EQ(d->applicationId(), "302");
    EXPECT_EQ(d->resourceClass().service(), service);

    // No default game: an empty id sends nothing.
    recorder = net_testing::CallbackRecorder::create();
    EXPECT_FALSE(service->getShowWithId("", recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(server.requestCount(), 1u);
}

} // namespace
