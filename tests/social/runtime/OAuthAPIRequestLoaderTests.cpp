// The signed loader the web screens build without dispatching it.
#include "support/NetTestSupport.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace net_testing;

namespace {

TEST_F(NetTest, LoaderForWebScreensIsSignedAndReportsThroughItsValues)
{
    provider->setAccessToken("token-1", "token-secret-1");
    server.route("GET", "web/page", standin::Answer::xml("<html/>"));
    auto recorder = CallbackRecorder::create();
    auto loader = provider->getRequestForAction("web/page", { OAuthURLRequestParameter::parameterWithName("a", "1") },
                                                "GET", recorder->onSuccess(), recorder->onFailure(), 0, nullptr, true);
    auto configured = loader->getConfiguredRequest();
    EXPECT_NE(configured.url.find("a=1"), std::string::npos);
    EXPECT_EQ(configured.header("Authorization").rfind("OAuth ", 0), 0u);
    EXPECT_EQ(server.requestCount(), 0u); // built, not sent
    loader->loadSynchronously(false);
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_EQ(recorder->successArg.get(), loader.get());
    EXPECT_TRUE(server.requests()[0].signatureValid);
    recorder->successArg = nullptr; // the loader's values lead back to the recorder
}

} // namespace
