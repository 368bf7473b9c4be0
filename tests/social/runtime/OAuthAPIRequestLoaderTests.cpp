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

    // A server address written with capitals in its host is signed as the
    // service checks it: the host lower-cased on both sides.
    provider->setServerUrl("http://LocalHost:" + std::to_string(server.port()) + "/");
    auto again = CallbackRecorder::create();
    auto capitals = provider->getRequestForAction("web/page", {}, "GET", again->onSuccess(), again->onFailure(), 0,
                                                  nullptr, true);
    capitals->loadSynchronously(false);
    ASSERT_TRUE(waitFor([&] { return again->total() > 0; }));
    ASSERT_EQ(server.requestCount(), 2u);
    EXPECT_TRUE(server.requests()[1].signatureValid) << server.requests()[1].signatureFailure;
    EXPECT_EQ(again->successes, 1);
    again->successArg = nullptr;
}

} // namespace
