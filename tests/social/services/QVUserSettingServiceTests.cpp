// The user-setting and push-token services against the stand-in, the setting
// records, and the actions a settings entry may run on the screen it opens.
#include "ServiceTestSupport.h"

#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVPushNotificationService.h"
#include "social/services/QVScreensRole.h"
#include "social/services/QVUserSettingService.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

using Call = ServiceCall;

class QVUserSettingServiceTest : public ServiceNetTest {
protected:
    void SetUp() override
    {
        ServiceNetTest::SetUp();
        auto file = [](const char* name) { return standin::Answer::xml(fixture(name)); };
        server.route("GET", "users/@me/settings.xml", file("user_settings.xml"));
        server.route("GET", "users/@me/settings/share_scores.xml", file("user_settings.xml"));
        server.route("POST", "users/@me/settings.xml", file("ok.xml"));
        for (const char* game : { "301", "77" }) {
            std::string path = std::string("client_applications/") + game + "/news_letter_subscription.xml";
            server.route("GET", path, file("news_letter_subscription.xml"));
            server.route("POST", path, file("news_letter_subscription.xml"));
            server.route("DELETE", path, file("ok.xml"));
        }
        server.route("POST", "push_notification_device_tokens.xml", file("ok.xml"));
    }
    void TearDown() override
    {
        QVUserSettingService::shutdownService();
        QVPushNotificationService::shutdownService();
        // Back to no override: the settings decide again, as for every other test.
        QVPushNotificationService::setApnsEnvironment({});
        ServiceNetTest::TearDown();
    }
};

TEST_F(QVUserSettingServiceTest, EachRequestSendsItsMethodPathParametersAndNotice)
{
    std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    struct Case {
        Call call;
        const char* method;
        const char* path;
        Params params;
        const char* notice;
    };
    const Case cases[] = {
        { [](auto& s, auto& f) { QVUserSettingService::getIndex(s, f); }, "GET", "users/@me/settings.xml",
          { { "udid", udid } }, "Downloaded Settings" },
        { [](auto& s, auto& f) { QVUserSettingService::getUserSettingWithKey("share_scores", s, f); }, "GET",
          "users/@me/settings/share_scores.xml", {}, "Downloaded Settings" },
        { [](auto& s, auto& f) { QVUserSettingService::setUserSettingWithId("5", true, s, f); }, "POST",
          "users/@me/settings.xml", { { "user_setting[id]", "5" }, { "user_setting[value]", "1" } },
          "Updated Setting" },
        { [](auto& s, auto& f) { QVUserSettingService::setUserSettingWithKey("findable", false, s, f); }, "POST",
          "users/@me/settings.xml", { { "user_setting[key]", "findable" }, { "user_setting[value]", "0" } },
          "Updated Setting" },
        { [](auto& s, auto& f) { QVUserSettingService::getSubscribingToDeveloperNewsLetter("", s, f); }, "GET",
          "client_applications/301/news_letter_subscription.xml", {}, "Retrieving Data" },
        { [](auto& s, auto& f) { QVUserSettingService::setSubscribeToDeveloperNewsLetter(true, "77", s, f); }, "POST",
          "client_applications/77/news_letter_subscription.xml", {}, "Subscribing" },
        { [](auto& s, auto& f) { QVUserSettingService::setSubscribeToDeveloperNewsLetter(false, "", s, f); },
          "DELETE", "client_applications/301/news_letter_subscription.xml", {}, "Unsubscribing" },
    };
    for (const Case& c : cases) {
        auto r = sendOne(c.call);
        EXPECT_EQ(r.method, c.method) << c.path;
        EXPECT_EQ(r.path, c.path);
        EXPECT_EQ(ownParams(r), c.params) << c.path;
        EXPECT_EQ(facade.notices, std::vector<std::string> { c.notice }) << c.path;
    }
}

TEST_F(QVUserSettingServiceTest, SettingsEntriesAndSubscriptionsReadFromAnswers)
{
    sendOne([](auto& s, auto& f) { QVUserSettingService::getIndex(s, f); });
    ASSERT_TRUE(answer());
    ASSERT_EQ(answer()->count(), 4u);
    auto* first = dynamic_cast<QVUserSetting*>(answer()->objectAtIndex(0));
    auto* second = dynamic_cast<QVUserSetting*>(answer()->objectAtIndex(1));
    auto* push = dynamic_cast<QVUserSettingPushController*>(answer()->objectAtIndex(2));
    auto* bare = dynamic_cast<QVUserSettingPushController*>(answer()->objectAtIndex(3));
    ASSERT_TRUE(first && second && push && bare);
    EXPECT_EQ(first->name(), "Share my scores");
    EXPECT_EQ(first->value(), "true");
    EXPECT_EQ(first->valueType(), "boolean");
    EXPECT_EQ(first->key(), "share_scores");
    EXPECT_EQ(second->key(), "findable") << "<setting> is a setting too";
    EXPECT_EQ(push->controllerName(), "ImportFriends");
    EXPECT_EQ(push->settingTitle(), "Import friends");
    EXPECT_EQ(push->selectorToCall(), std::optional<std::string>("startImport"));
    EXPECT_FALSE(bare->selectorToCall()) << "an empty action name is none";

    // A subscription without a developer still counts as one.
    sendOne([](auto& s, auto& f) { QVUserSettingService::getSubscribingToDeveloperNewsLetter("", s, f); });
    ASSERT_TRUE(answer());
    ASSERT_EQ(answer()->count(), 1u);
    auto* subscription = dynamic_cast<QVNewsletterSubscription*>(answer()->objectAtIndex(0));
    ASSERT_TRUE(subscription);
    ASSERT_TRUE(subscription->user());
    EXPECT_EQ(subscription->user()->userId(), "17");
    EXPECT_EQ(subscription->developer(), nullptr);
}

TEST_F(QVUserSettingServiceTest, DeviceTokenGoesOutAsGroupedHexAndNoTokenFailsAtOnce)
{
    platform::Bytes token(32);
    for (size_t i = 0; i < token.size(); ++i)
        token[i] = static_cast<uint8_t>(i * 9 + 0xa0);
    std::string text = QVPushNotificationService::tokenText(token);
    EXPECT_EQ(text.substr(0, 11), "a0a9b2bb%20");
    EXPECT_EQ(text.size(), 64u + 7 * 3) << "eight groups of eight digits";

    auto r = sendOne([&](auto& s, auto& f) { QVPushNotificationService::setDeviceToken(token, s, f); });
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "push_notification_device_tokens.xml");
    std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    EXPECT_EQ(ownParams(r), (Params { { "apns_environment", "sandbox" }, { "udid", udid }, { "device_token", text } }));
    EXPECT_TRUE(facade.notices.empty()) << "silent";

    // A production build reports its own environment.
    QVPushNotificationService::setApnsEnvironment("production");
    r = sendOne([&](auto& s, auto& f) { QVPushNotificationService::setDeviceToken(token, s, f); });
    EXPECT_EQ(r.param("apns_environment"), "production");

    server.clearLog();
    recorder = net_testing::CallbackRecorder::create();
    QVPushNotificationService::setDeviceToken(std::nullopt, recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->failures, 1) << "at once";
    EXPECT_EQ(recorder->successes, 0);
    EXPECT_EQ(server.requestCount(), 0u);
}

// A screen with one action of its own, "startImport".
class ImportScreen final : public platform::ui::ViewController, public QVSettingActionTarget {
public:
    bool performSettingAction(const std::string& name) override
    {
        asked.push_back(name);
        imports += name == "startImport";
        return name == "startImport";
    }
    std::vector<std::string> asked;
    int imports { 0 };
};

// The screen an entry opens runs only the actions it has itself.
TEST(QVUserSettingPushControllerTest, OnlyTheOpenedScreensOwnActionsRun)
{
    QVResourceNameMap names;
    QVUserSettingService::service().populateKnownResources(names);
    const std::string xml =
        "<resources>"
        "<user_setting_push_controller><controller_name>ImportFriends</controller_name>"
        "<selector_to_call>startImport</selector_to_call></user_setting_push_controller>"
        "<user_setting_push_controller><controller_name>ImportFriends</controller_name>"
        "<selector_to_call>dealloc</selector_to_call></user_setting_push_controller>"
        "<user_setting_push_controller><controller_name>Accounts</controller_name>"
        "<selector_to_call>startImport</selector_to_call></user_setting_push_controller>"
        "<user_setting_push_controller><controller_name>Missing</controller_name></user_setting_push_controller>"
        "<user_setting_push_controller><controller_name>ImportFriends</controller_name></user_setting_push_controller>"
        "</resources>";
    auto series = QVResource::resourcesFromData(xml.data(), xml.size(), names);
    QVUserSettingService::shutdownService();
    ASSERT_TRUE(series);
    ASSERT_EQ(series->count(), 5u);
    auto entry = [&](size_t i) { return dynamic_cast<QVUserSettingPushController*>(series->objectAtIndex(i)); };

    // The client's screens, as far as loading by name goes: "ImportFriends"
    // has actions, "Accounts" none.
    struct Screens : QVScreensRole {
        std::vector<std::string> loaded;
        Ref<platform::ui::ViewController> loadScreen(const std::string& name) override
        {
            loaded.push_back(name);
            if (name == "ImportFriends")
                return platform::adoptRef(new ImportScreen);
            return name == "Missing" ? nullptr : platform::ui::ViewController::controller();
        }
    } screens;
    const std::vector<std::string>& loaded = screens.loaded;
    QVScreensRole::setCurrent(&screens);
    auto import = [](const Ref<platform::ui::ViewController>& screen) { return dynamic_cast<ImportScreen*>(screen.get()); };

    Ref<platform::ui::ViewController> opened = entry(0)->getController();
    ASSERT_TRUE(import(opened));
    EXPECT_EQ(import(opened)->imports, 1);
    opened = entry(1)->getController();
    ASSERT_TRUE(import(opened)) << "an unknown action is ignored; the screen still opens";
    EXPECT_EQ(import(opened)->asked, std::vector<std::string> { "dealloc" });
    EXPECT_EQ(import(opened)->imports, 0);
    EXPECT_TRUE(entry(2)->getController()) << "a screen without actions opens and runs none";
    EXPECT_FALSE(entry(3)->getController());
    opened = entry(4)->getController();
    ASSERT_TRUE(import(opened));
    EXPECT_TRUE(import(opened)->asked.empty()) << "an entry without an action runs none";
    EXPECT_EQ(loaded, (std::vector<std::string> { "ImportFriends", "ImportFriends", "Accounts", "Missing", "ImportFriends" }));
    QVScreensRole::setCurrent(nullptr);
}

} // namespace
