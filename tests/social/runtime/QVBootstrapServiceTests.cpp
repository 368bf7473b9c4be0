// The bootstrap against the stand-in: the token it issues is stored (in the
// keychain file only) and signs later requests; failures of every kind reach
// the failure value exactly once, including a dropped bootstrap.
#include "support/NetTestSupport.h"

#include "platform/foundation/Keychain.h"
#include "social/runtime/QVBootstrapService.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quorvel;
using namespace net_testing;
using platform::Ref;
using standin::Answer;

namespace {

class BootstrapTest : public NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        server.installDefaultRoutes("token-9", "secret-9");
        recorder = CallbackRecorder::create();
    }
    void bootstrap(std::optional<std::string> userId = std::nullopt)
    {
        provider->loginAndBootstrapWithDeviceToken(platform::Bytes { 0xab, 0x01 }, true, userId, recorder->onSuccess(),
                                                   recorder->onFailure());
    }
    Ref<CallbackRecorder> recorder;
};

TEST_F(BootstrapTest, SuccessStoresTheTokenPrivatelyAndSignsLaterRequests)
{
    bootstrap(std::string("17"));
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    ASSERT_EQ(recorder->successes, 1);
    auto* answer = dynamic_cast<QVBootstrap*>(recorder->successArg.get());
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->pollingFrequencyDefault, 60.0);
    EXPECT_TRUE(answer->userChatEnabled);
    ASSERT_NE(answer->userElement(), nullptr);
    EXPECT_EQ(answer->userElement()->childText("name"), "Player");
    EXPECT_EQ(host.calls, std::vector<std::string> { "addons-in" });

    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].path, "bootstrap.xml");
    EXPECT_TRUE(log[0].signatureValid);
    EXPECT_EQ(log[0].oauthToken, "");
    EXPECT_EQ(log[0].param("user_id"), "17");
    EXPECT_EQ(log[0].param("force_create_account"), "1");
    EXPECT_EQ(log[0].param("device_token"), "ab01");
    EXPECT_FALSE(log[0].param("udid").empty());

    EXPECT_TRUE(provider->isAuthenticated());
    EXPECT_EQ(platform::Keychain::get(QVProvider::kKeychainService, "access_token_secret"), "secret-9");
    struct stat st {};
    ASSERT_EQ(stat(platform::Keychain::pathForService(QVProvider::kKeychainService).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // A new provider picks the token up; its requests are signed with it.
    auto again = QVProvider::providerWithProductKey("product-key", "product-secret");
    EXPECT_TRUE(again->isAuthenticated());

    provider->destroyLocalCredentials();
    EXPECT_FALSE(provider->isAuthenticated());
    EXPECT_FALSE(platform::Keychain::get(QVProvider::kKeychainService, "access_token"));
}

TEST_F(BootstrapTest, ErrorAnswersReachTheFailureValue)
{
    for (bool screens : { true, false }) {
        for (int status : { 500, 401, 200 }) {
            SCOPED_TRACE(status);
            host.errorScreens = screens;
            recorder = CallbackRecorder::create();
            server.script("POST", "bootstrap.xml",
                          Answer::xml(status == 200 ? "<resources/>" : "<errors><error>down</error></errors>", status));
            bootstrap();
            ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
            settleNetwork();
            EXPECT_EQ(recorder->failures, 1);
            EXPECT_EQ(recorder->successes, 0);
            EXPECT_FALSE(provider->isAuthenticated());
        }
    }
}

TEST_F(BootstrapTest, DroppedBootstrapStillFails)
{
    host.disabled = true;
    bootstrap();
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(recorder->failureArg, nullptr);
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST(BootstrapAnswer, OnlyABootstrapDocumentIsAnAnswer)
{
    EXPECT_FALSE(QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithString("<resources/>")));
    EXPECT_FALSE(QVBootstrap::fromDocument(nullptr));
    auto b = QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithString(
        "<bootstrap><has_twitter_credential>Yes</has_twitter_credential><location_sharing_enabled>0"
        "</location_sharing_enabled><unread_im_count>x</unread_im_count></bootstrap>"));
    ASSERT_TRUE(b);
    EXPECT_TRUE(b->hasNonDeviceCredential());
    EXPECT_EQ(b->userDistanceUnit(), QVDistanceUnit::LocationOff);
    EXPECT_EQ(b->unreadImCount, 0);
}

} // namespace
