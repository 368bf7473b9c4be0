// Social-network posts against the stand-in: the credential check, the
// remembered choice and the prompt, the post's encoding, and what the API's
// delegate hears.
#include "ServiceTestSupport.h"

#include "social/services/QVImageUrl.h"
#include "social/services/QVScreensRole.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/services/QVUsersCredential.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

struct RecordingApiDelegate : QVSocialNotificationApiDelegate {
    int sent { 0 };
    int failed { 0 };
    void didSendSocialNotificaiton() override { ++sent; }
    void didFailSendSocialNotification() override { ++failed; }
    int total() const { return sent + failed; }
};

class QVSocialNotificationServiceTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        server.route("POST", "notifications.xml", standin::Answer::xml(fixture("ok.xml")));
        server.route("GET", "client_applications/301/notification_images/show.xml",
                     standin::Answer::xml(fixture("image_url.xml")));
        answerCredentials(fixture("linked_credentials.xml"));
        QVSocialNotificationApi::setDelegate(&api);
        facade.shortName = "Brisko Run";
        screens.onPermission = [this](QVSocialNotification* n, const std::vector<Ref<QVUsersCredential>>& c) {
            prompted.emplace_back(n);
            promptedCredentials = c.size();
            return promptShown;
        };
        QVScreensRole::setCurrent(&screens);
        setChoice(true, true);
    }
    void TearDown() override
    {
        QVSocialNotificationApi::setDelegate(nullptr);
        QVSocialNotificationApi::setCustomUrl(std::nullopt);
        QVScreensRole::setCurrent(nullptr);
        QVSocialNotificationService::shutdownService();
        ServiceNetTest::TearDown();
    }
    void setChoice(bool remembered, bool allows)
    {
        facade.rememberedChoice = remembered;
        facade.allowsPosts = allows;
    }
    // Runs a send until the delegate hears of it; answers the requests made.
    std::vector<standin::LoggedRequest> post(const std::function<void()>& send)
    {
        server.clearLog();
        api = RecordingApiDelegate();
        send();
        EXPECT_TRUE(waitFor([&] { return api.total() > 0; }));
        settleNetwork();
        return server.requests();
    }
    void answerCredentials(const std::string& xml) { server.route("GET", "users_credentials", standin::Answer::xml(xml)); }

    // The permission screen, as the client's screens role would present it.
    struct PromptScreens : QVScreensRole {
        std::function<bool(QVSocialNotification*, const std::vector<Ref<QVUsersCredential>>&)> onPermission;
        bool requestNotificationPermission(QVSocialNotification* n, const std::vector<Ref<QVUsersCredential>>& c) override
        {
            return onPermission(n, c);
        }
    };
    PromptScreens screens;
    RecordingApiDelegate api;
    std::vector<Ref<QVSocialNotification>> prompted;
    size_t promptedCredentials { 0 };
    bool promptShown { true };
};

TEST_F(QVSocialNotificationServiceTest, APostCarriesEveryParameterIntactAndSucceedsOnlyWhenMade)
{
    const std::string text = "Scored 5 & reached #3 + more: caf\xc3\xa9 \xe2\x9c\x93";
    auto log = post([&] {
        QVSocialNotificationService::sendWithText(text, "trophy & #1", "http://example.test/a?b=1&c=#d");
    });
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].path, "users_credentials");
    EXPECT_EQ(ownParams(log[0]), (Params { { "only_include_linked_credentials", "1" }, { "user_id", "me" } }));
    EXPECT_EQ(log[1].method, "POST");
    EXPECT_EQ(log[1].path, "notifications.xml");
    EXPECT_EQ(ownParams(log[1]), (Params { { "msg", text },
                                           { "image_type", "notification_images" },
                                           { "image_name", "trophy & #1" },
                                           { "url", "http://example.test/a?b=1&c=#d" } }));
    EXPECT_TRUE(log[1].signatureValid);
    EXPECT_EQ(api.sent, 1);
    EXPECT_EQ(api.failed, 0);
    EXPECT_EQ(facade.notices, std::vector<std::string> { "Published Game Event: " + text });

    // Another kind of picture is named by id; a refused post is a failure.
    server.route("POST", "notifications.xml", standin::Answer::xml("<error>no</error>", 500));
    log = post([] {
        QVSocialNotificationService::sendWithAchievement("88", "Fast + furious", "http://127.0.0.1/a.png");
    });
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(ownParams(log[1])[0].second, "I unlocked \"Fast + furious\" in \"Brisko Run\"!");
    EXPECT_EQ(ownParams(log[1])[1], (std::pair<std::string, std::string>("image_type", "achievement_definitions")));
    EXPECT_EQ(ownParams(log[1])[2], (std::pair<std::string, std::string>("image_id", "88")));
    EXPECT_EQ(api.sent, 0);
    EXPECT_EQ(api.failed, 1);
}

TEST_F(QVSocialNotificationServiceTest, NothingIsPostedWithoutPermissionAndTheDelegateHearsOfFailure)
{
    // Only an e-mail login: no network can take the post.
    answerCredentials("<resources><resource_sections><resource_section><title>Linked</title>"
                      "<users_credential><id>1</id><credential_type>http_basic</credential_type>"
                      "<has_global_permissions>true</has_global_permissions></users_credential>"
                      "</resource_section></resource_sections></resources>");
    auto log = post([] { QVSocialNotificationService::sendWithText("hi"); });
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(api.failed, 1);
    EXPECT_TRUE(prompted.empty());

    // An answer without a section is no credential.
    answerCredentials("<resources></resources>");
    log = post([] { QVSocialNotificationService::sendWithText("hi"); });
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(api.failed, 1);

    // A failed check.
    server.route("GET", "users_credentials", standin::Answer::xml("<error>down</error>", 503));
    log = post([] { QVSocialNotificationService::sendWithText("hi"); });
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(api.failed, 1);
    EXPECT_EQ(api.sent, 0);

    // No client to send through: neither the check nor the post is made, and the
    // game is told so at once instead of waiting.
    facade.providerLink = nullptr;
    api = RecordingApiDelegate();
    EXPECT_FALSE(QVSocialNotificationService::sendWithText("hi"));
    EXPECT_EQ(api.failed, 1);
    auto notification = QVSocialNotification::initWithText("hi");
    EXPECT_FALSE(QVSocialNotificationService::sendWithoutRequestingPermissionWithSocialNotification(notification.get()));
    EXPECT_EQ(api.failed, 2);
    EXPECT_EQ(api.sent, 0);
    facade.providerLink = provider.get();
}

TEST_F(QVSocialNotificationServiceTest, TheRememberedChoiceOrThePromptDecides)
{
    // Declined before: nothing posted.
    setChoice(true, false);
    auto log = post([] { QVSocialNotificationService::sendWithText("hi"); });
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(api.failed, 1);
    EXPECT_TRUE(prompted.empty());

    // No choice yet: the prompt gets the notification and the linked credentials;
    // the post waits for the player.
    setChoice(false, false);
    server.clearLog();
    api = RecordingApiDelegate();
    QVSocialNotificationService::sendWithText("hi", "star");
    ASSERT_TRUE(waitFor([&] { return !prompted.empty(); }));
    ASSERT_EQ(prompted.size(), 1u);
    EXPECT_EQ(prompted[0]->text(), "hi");
    EXPECT_EQ(prompted[0]->imageIdentifier(), std::optional<std::string>("star"));
    EXPECT_EQ(promptedCredentials, 3u);
    EXPECT_EQ(api.total(), 0) << "undecided until the player chooses";
    log = post([&] { QVSocialNotificationService::sendWithoutRequestingPermissionWithSocialNotification(prompted[0].get()); });
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "notifications.xml");
    EXPECT_EQ(api.sent, 1);

    // No prompt screen to show: nothing can be asked, nothing posted.
    promptShown = false;
    log = post([] { QVSocialNotificationService::sendWithText("hi"); });
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(api.failed, 1);
}

TEST_F(QVSocialNotificationServiceTest, TheApiUsesItsLinkAndForgetsItsRequestsWithoutDelegate)
{
    QVSocialNotificationApi::setCustomUrl(std::string("http://example.test/game"));
    auto log = post([] { QVSocialNotificationApi::sendWithText("hi", "star"); });
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].param("url"), "http://example.test/game");
    EXPECT_EQ(api.sent, 1);

    // Cleared while in flight: the answer reaches nobody.
    api = RecordingApiDelegate();
    server.clearLog();
    QVSocialNotificationApi::sendWithText("hi", "star");
    QVSocialNotificationApi::setDelegate(nullptr);
    ASSERT_TRUE(waitFor([&] { return server.requestCount() >= 2; }));
    settleNetwork();
    EXPECT_EQ(api.total(), 0);

    // The notification-image question, and image records answer this service.
    QVSocialNotificationApi::setDelegate(&api);
    server.clearLog();
    recorder = net_testing::CallbackRecorder::create();
    QVSocialNotificationService::getImageUrlForNotificationImageNamed("star & moon", recorder->onSuccess(),
                                                                      recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(ownParams(server.requests()[0]), (Params { { "image_name", "star & moon" } }));
    ASSERT_TRUE(answer());
    auto* image = dynamic_cast<QVImageUrl*>(answer()->objectAtIndex(0));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->url(), std::optional<std::string>("http://127.0.0.1/images/achievement.png"));
    EXPECT_EQ(QVImageUrl::getService(), QVSocialNotificationService::sharedService());
}

TEST(QVSocialNotificationTest, AnEmptyLinkIsNone)
{
    EXPECT_FALSE(QVSocialNotification::initWithText("t", "img", "")->url());
    EXPECT_EQ(QVSocialNotification::initWithText("t", "img", "http://x")->url(), std::optional<std::string>("http://x"));
    EXPECT_FALSE(QVSocialNotification::initWithText("t", "type", "id", std::string())->url());
    EXPECT_EQ(QVSocialNotification::initWithText("t", "type", "id", std::string("http://x"))->url(),
              std::optional<std::string>("http://x"));
    auto plain = QVSocialNotification::initWithText("t");
    EXPECT_FALSE(plain->imageType());
    EXPECT_FALSE(plain->imageIdentifier());
}

} // namespace
