// The application's life cycle against the stand-in: the poller paused and
// restored, push payloads and launch options, the device token report, the
// add-on fan-out, and the player's location with its cap, denial, upload and
// offline retries.
#include "QuorvelTestSupport.h"

#include "platform/device/Application.h"
#include "platform/device/LocationManager.h"
#include "platform/graphics/Image.h"
#include "social/core/QVLocation.h"
#include "social/core/QuorvelAddOn.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVResourceImageDownload.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVPushNotificationService.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace core_testing;
using platform::Ref;
using platform::Value;
using platform::ValueDictionary;
using platform::ui::LocationManager;
using Strings = std::vector<std::string>;

namespace {

class LifecycleTest : public QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        QVLocation::resetOfflineRetryCount();
        QuorvelPushReset(); // the settings file, not an override, names the push environment here
        platform::ui::Application::sharedApplication().reset();
        server.route("POST", "users/@me/set_location.xml", [](const standin::LoggedRequest&) {
            return standin::Answer::xml("<resources/>");
        });
        server.route("POST", "push_notification_device_tokens.xml", [](const standin::LoggedRequest&) {
            return standin::Answer::xml("<resources/>");
        });
    }
    void TearDown() override
    {
        QVServiceScreens::setChallengePushHandlers({});
        QVAddOnRegistry::unregisterAllAddOns();
        QuorvelPushReset();
        QuorvelTest::TearDown();
    }
    static void QuorvelPushReset() { QVPushNotificationService::setApnsEnvironment({}); }
    void startLoggedIn()
    {
        QuorvelInternal::options().setUserApprovedQuorvel();
        startClient();
        ASSERT_TRUE(waitFor([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    }
    // Runs the loop on real I/O until `count` requests reached `path`.
    bool waitForRequests(const std::string& path, size_t count)
    {
        return waitFor([&] { return requestsTo(path).size() >= count; });
    }
    static Value challengePayload(const std::string& id)
    {
        return Value(ValueDictionary { { "notification_type", "challenge" }, { "resource_id", id } });
    }
};

class RecordingAddOn final : public QuorvelAddOn {
public:
    RecordingAddOn(std::string name, Strings& log, bool handles) : name_(std::move(name)), log_(log), handles_(handles) { }
    void initializeAddOn(const QuorvelSettingsDictionary&) override { log_.push_back(name_ + ".initialize"); }
    void userLoggedIn() override { log_.push_back(name_ + ".loggedIn"); }
    void userLoggedOut() override { log_.push_back(name_ + ".loggedOut"); }
    bool respondToPushNotification(const Value&, bool launch) override
    {
        log_.push_back(name_ + (launch ? ".push(launch)" : ".push"));
        return handles_;
    }
    void shutdownAddOn() override { log_.push_back(name_ + ".shutdown"); }

private:
    std::string name_;
    Strings& log_;
    bool handles_;
};

} // namespace

// ---- Poller and application events

TEST_F(LifecycleTest, BecomingActiveRestoresThePollerIntervalSavedOnResigning)
{
    startClient();
    QuorvelInternal::session().setPollingFrequency(7);
    Quorvel::applicationWillResignActive();
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), 0);
    Quorvel::applicationDidBecomeActive();
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), 7);

    // A stopped poller stays stopped across the round trip.
    QuorvelInternal::session().stopPolling();
    Quorvel::applicationWillResignActive();
    QuorvelInternal::session().setPollingFrequency(3); // something restarts it while inactive
    Quorvel::applicationDidBecomeActive();
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), 0);

    // Becoming active with no resign before it (the launch) leaves a running poller alone.
    QuorvelInternal::session().setPollingFrequency(5);
    Quorvel::applicationDidBecomeActive();
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), 5);
}

TEST_F(LifecycleTest, LifecycleEventsWithoutAClientDoNothing)
{
    Quorvel::applicationWillResignActive();
    Quorvel::applicationDidBecomeActive();
    Quorvel::applicationDidEnterBackground();
    Quorvel::applicationWillEnterForeground();
    EXPECT_EQ(QuorvelInternal::location().getUserLocation(), nullptr);
    EXPECT_TRUE(LocationManager::updatingManagers().empty());
}

// ---- Push payloads and launch options

TEST_F(LifecycleTest, AChallengePushCountsTheChallengeBeforeFetchingIt)
{
    startClient();
    QuorvelInternal::options().setUnviewedChallengesCount(2);
    NotificationRecorder recorder({ Quorvel::kUnviewedChallengeCountChanged });
    Strings fetched;
    QVServiceScreens::setChallengePushHandlers({ [&](const std::string& id) { fetched.push_back("detail:" + id); },
                                        [&](const std::string& id) {
                                            // The count, its notification and the badge are up before the fetch.
                                            EXPECT_EQ(QuorvelInternal::options().unviewedChallengesCount(), 3);
                                            EXPECT_EQ(recorder.posted.size(), 1u);
                                            fetched.push_back("notice:" + id);
                                        } });
    EXPECT_TRUE(Quorvel::applicationDidReceiveRemoteNotification(challengePayload("44")));
    EXPECT_EQ(fetched, (Strings { "notice:44" }));
    EXPECT_EQ(platform::ui::Application::sharedApplication().applicationIconBadgeNumber(), 3);

    // At launch the same payload opens the challenge instead.
    Value options(ValueDictionary { { "UIApplicationLaunchOptionsRemoteNotificationKey", challengePayload("45") } });
    EXPECT_TRUE(Quorvel::respondToApplicationLaunchOptions(options));
    EXPECT_EQ(fetched, (Strings { "notice:44", "detail:45" }));
    EXPECT_EQ(QuorvelInternal::options().unviewedChallengesCount(), 3);
}

TEST_F(LifecycleTest, PayloadsThatAreNoChallengeGoToTheAddOnsUntilOneHandlesThem)
{
    startClient();
    Strings log;
    RecordingAddOn first("first", log, false), second("second", log, true), third("third", log, true);
    Strings fetched;
    QVServiceScreens::setChallengePushHandlers({ [&](const std::string& id) { fetched.push_back(id); },
                                        [&](const std::string& id) { fetched.push_back(id); } });

    // No add-on: nobody handles it.
    Value other(ValueDictionary { { "notification_type", "friend" }, { "resource_id", "9" } });
    EXPECT_FALSE(Quorvel::applicationDidReceiveRemoteNotification(other));
    // Launch options without a payload answer NO and fetch nothing.
    EXPECT_FALSE(Quorvel::respondToApplicationLaunchOptions(Value(ValueDictionary { { "other", 1 } })));
    EXPECT_FALSE(Quorvel::respondToApplicationLaunchOptions(Value()));
    EXPECT_FALSE(Quorvel::applicationDidReceiveRemoteNotification(Value()));

    Quorvel::registerAddOn(&first);
    Quorvel::registerAddOn(&second);
    Quorvel::registerAddOn(&third);
    EXPECT_TRUE(Quorvel::applicationDidReceiveRemoteNotification(other));
    EXPECT_TRUE(Quorvel::respondToApplicationLaunchOptions(
        Value(ValueDictionary { { "UIApplicationLaunchOptionsRemoteNotificationKey", other } })));
    // The second handles each; the third is never asked.
    EXPECT_EQ(log, (Strings { "first.push", "second.push", "first.push(launch)", "second.push(launch)" }));
    // A challenge payload without its id is no challenge either.
    log.clear();
    EXPECT_TRUE(Quorvel::applicationDidReceiveRemoteNotification(Value(ValueDictionary { { "notification_type", "challenge" } })));
    EXPECT_EQ(log, (Strings { "first.push", "second.push" }));
    EXPECT_TRUE(fetched.empty());
    EXPECT_EQ(QuorvelInternal::options().unviewedChallengesCount(), 0);

    EXPECT_EQ(Quorvel::getChallengeIdIfExist(challengePayload("12")), "12");
    EXPECT_EQ(Quorvel::getChallengeIdIfExist(Value(ValueDictionary { { "notification_type", "Challenge" }, { "resource_id", "1" } })),
              std::nullopt);
}

TEST_F(LifecycleTest, AddOnsHearTheClientsEventsInRegistrationOrder)
{
    Strings log;
    RecordingAddOn a("a", log, false), b("b", log, false);
    Quorvel::registerAddOn(&a);
    Quorvel::registerAddOn(&b);
    QuorvelInternal::options().setUserApprovedQuorvel();
    startClient();
    ASSERT_TRUE(waitFor([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    Quorvel::logoutUser();
    Quorvel::shutdown();
    EXPECT_EQ(log, (Strings { "a.initialize", "b.initialize", "a.loggedIn", "b.loggedIn", "a.loggedOut", "b.loggedOut",
                              "a.shutdown", "b.shutdown" }));
}

TEST_F(LifecycleTest, AddOnsAreOfferedTheSettingsDefaultsAndReadTheSettingsFile)
{
    // An add-on with a setting of its own: a default, which the settings file may override.
    class SettingsAddOn final : public QuorvelAddOn {
    public:
        void defaultSettings(ValueDictionary& settings) override
        {
            calls.push_back("defaults");
            settings.set("addon-host", "default.example");
        }
        void loadSettings(ValueDictionary& settings, platform::Object* reader) override
        {
            calls.push_back("load");
            auto* document = dynamic_cast<QVXmlDocument*>(reader);
            ASSERT_NE(document, nullptr);
            std::string host = document->getElementValue("quorvel_internal_settings.environment-release.config.addon-host");
            if (!host.empty())
                settings.set("addon-host", host);
        }
        Strings calls;
    } addOn;
    Quorvel::registerAddOn(&addOn);
    startClient();
    EXPECT_EQ(addOn.calls, (Strings { "defaults", "load" }));
    EXPECT_EQ(QVSettings::Instance()->objectForKey("addon-host"), "default.example");
    Quorvel::shutdown();

    writeSettingsFile("<addon-host>addons.example</addon-host>");
    addOn.calls.clear();
    startClient();
    EXPECT_EQ(addOn.calls, (Strings { "defaults", "load" }));
    EXPECT_EQ(QVSettings::Instance()->objectForKey("addon-host"), "addons.example");
    Quorvel::shutdown();
    // Without a running client the settings reach no add-on.
    addOn.calls.clear();
    QVSettings::Initialize();
    EXPECT_TRUE(addOn.calls.empty());
    QVSettings::Uninitialize();
}

// ---- The device token

TEST_F(LifecycleTest, TheDeviceTokenIsReportedWithTheConfiguredPushEnvironment)
{
    startLoggedIn();
    platform::Bytes token;
    for (int i = 0; i < 32; ++i)
        token.push_back(static_cast<uint8_t>(i * 8));
    Quorvel::applicationDidRegisterForRemoteNotificationsWithDeviceToken(token);
    ASSERT_TRUE(waitForRequests("push_notification_device_tokens.xml", 1));
    auto r = requestsTo("push_notification_device_tokens.xml")[0];
    EXPECT_EQ(r.param("apns_environment"), "sandbox");
    std::string text = r.param("device_token");
    EXPECT_EQ(text.size(), 64u + 7u * 3u); // eight groups of eight digits joined by "%20"
    EXPECT_EQ(text.substr(0, 11), "00081018%20");

    // A nil token reaches nobody.
    Quorvel::applicationDidRegisterForRemoteNotificationsWithDeviceToken(std::nullopt);
    Quorvel::shutdown();
    writeSettingsFile("<apns-environment>production</apns-environment>");
    startLoggedIn();
    Quorvel::applicationDidRegisterForRemoteNotificationsWithDeviceToken(token);
    ASSERT_TRUE(waitForRequests("push_notification_device_tokens.xml", 2));
    EXPECT_EQ(requestsTo("push_notification_device_tokens.xml")[1].param("apns_environment"), "production");
}

// ---- Pictures by URL

TEST_F(LifecycleTest, PicturesComeFromTheCacheOrFromTheirAddressOrTheServer)
{
    startClient();
    Ref<QVHttpService> service;
    Ref<QVHttpServiceObserver> observer;
    Ref<platform::Image> cached;
    auto image = platform::Image::imageWithRGBA(2, 2, platform::Bytes(16, 0xff));
    QVImageCache::sharedInstance()->store(image, "http://pictures.test/a.png");
    EXPECT_EQ(QVGetImageFromUrl("http://pictures.test/a.png", cached, service, observer, QVDelegate(), QVDelegate()), nullptr);
    EXPECT_EQ(cached.get(), image.get());
    EXPECT_EQ(service, nullptr); // no download

    // "www" addresses are fetched as they are; anything else relative to the server.
    EXPECT_NE(QVDownloadImageFromUrl("www.pictures.test/b.png", service, observer, {}, {}), nullptr);
    EXPECT_EQ(service->baseAddress(), "");
    Ref<QVHttpService> first = service;
    EXPECT_NE(QVDownloadImageFromUrl("pictures/c.png", service, observer, {}, {}), nullptr);
    EXPECT_EQ(service->baseAddress(), server.baseUrl());
    EXPECT_EQ(first->pendingCount(), 0u); // the earlier download was cancelled
    QVDestroyHttpService(service);
    EXPECT_EQ(service, nullptr);
}

// ---- Location

TEST_F(LifecycleTest, TheFirstFixEverIsUploadedAsAllowedAndLaterRunsAsNotAllowed)
{
    startLoggedIn();
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided); // the bootstrap's answer turned sharing off
    QuorvelInternal::location().startLocationManagerIfAllowed();
    ASSERT_NE(QuorvelInternal::location().locationTracker(), nullptr);
    ASSERT_EQ(LocationManager::updatingManagers().size(), 1u);
    EXPECT_EQ(LocationManager::updatingManagers()[0]->desiredAccuracy(), platform::ui::kLocationAccuracyBest);

    EXPECT_EQ(LocationManager::deliverLocation({ 48.5, 2.25 }), 1);
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::LocationShared);
    EXPECT_TRUE(LocationManager::updatingManagers().empty());
    EXPECT_FALSE(QuorvelInternal::location().locationTracker()->isLocationUpdating());
    ASSERT_NE(QuorvelInternal::location().getUserLocation(), nullptr);
    ASSERT_TRUE(waitForRequests("users/@me/set_location.xml", 1));
    auto first = requestsTo("users/@me/set_location.xml")[0];
    EXPECT_EQ(first.param("allowed"), "1");
    EXPECT_EQ(first.param("lat"), "48.500000");
    EXPECT_EQ(first.param("lng"), "2.250000");

    // The next run: the option is already 2, so the upload does not say allowed.
    QuorvelInternal::location().startLocationManagerIfAllowed();
    LocationManager::deliverLocation({ 1, 1 });
    ASSERT_TRUE(waitForRequests("users/@me/set_location.xml", 2));
    EXPECT_NE(requestsTo("users/@me/set_location.xml")[1].param("allowed"), "1");
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::LocationShared);
}

TEST_F(LifecycleTest, AFixThatNeverComesStopsTheLocationServiceAfterAMinute)
{
    startLoggedIn();
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided);
    QuorvelInternal::location().startLocationManagerIfAllowed();
    ASSERT_EQ(LocationManager::updatingManagers().size(), 1u);
    advance(59.0);
    EXPECT_TRUE(QuorvelInternal::location().locationTracker()->isLocationUpdating());
    advance(1.0);
    EXPECT_FALSE(QuorvelInternal::location().locationTracker()->isLocationUpdating());
    EXPECT_TRUE(LocationManager::updatingManagers().empty());
    EXPECT_EQ(QuorvelInternal::location().getUserLocation(), nullptr);
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::Undecided); // nothing decided

    // Replacing a tracker that still waits stops its service too.
    QuorvelInternal::location().startLocationManagerIfAllowed();
    QuorvelInternal::location().startLocationManagerIfAllowed();
    EXPECT_EQ(LocationManager::updatingManagers().size(), 1u);
    Quorvel::shutdown();
    EXPECT_TRUE(LocationManager::updatingManagers().empty());
}

TEST_F(LifecycleTest, DenialTurnsLocationOffForGood)
{
    startLoggedIn();
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided);
    QuorvelInternal::location().startLocationManagerIfAllowed();
    EXPECT_EQ(LocationManager::deliverError(platform::ui::kLocationErrorDenied), 1);
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::LocationOff);
    EXPECT_TRUE(LocationManager::updatingManagers().empty());

    QuorvelInternal::location().startLocationManagerIfAllowed();
    EXPECT_TRUE(LocationManager::updatingManagers().empty());
    // Nor after the foreground.
    Quorvel::applicationWillEnterForeground();
    EXPECT_TRUE(LocationManager::updatingManagers().empty());

    // Another failure only ends the attempt.
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided);
    QuorvelInternal::location().startLocationManagerIfAllowed();
    LocationManager::deliverError(platform::ui::kLocationErrorUnknown);
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::Undecided);
    EXPECT_TRUE(LocationManager::updatingManagers().empty());
}

TEST_F(LifecycleTest, TheBackgroundAbandonsAnAwaitedFixAndTheForegroundAsksAgain)
{
    startLoggedIn();
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided);
    QuorvelInternal::location().startLocationManagerIfAllowed();
    Quorvel::applicationDidEnterBackground();
    EXPECT_EQ(QuorvelInternal::location().locationTracker(), nullptr);
    EXPECT_TRUE(LocationManager::updatingManagers().empty());
    Quorvel::applicationWillEnterForeground();
    ASSERT_NE(QuorvelInternal::location().locationTracker(), nullptr);
    EXPECT_EQ(LocationManager::updatingManagers().size(), 1u);

    // A tracker that already has its fix survives the background.
    LocationManager::deliverLocation({ 3, 4 });
    Quorvel::applicationDidEnterBackground();
    Quorvel::applicationWillEnterForeground();
    EXPECT_TRUE(LocationManager::updatingManagers().empty());
    ASSERT_NE(QuorvelInternal::location().getUserLocation(), nullptr);
}

TEST_F(LifecycleTest, AnOfflineUploadIsRetriedTenTimesTenSecondsApart)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    // Never logged in: offline.
    server.route("POST", "bootstrap.xml", [](const standin::LoggedRequest&) { return standin::Answer::xml("", 500); });
    startClient();
    ASSERT_TRUE(waitFor([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    QuorvelInternal::location().startLocationManagerIfAllowed();
    LocationManager::deliverLocation({ 5, 6 });
    advance(0);
    EXPECT_EQ(QVLocation::offlineRetryCount(), 1);
    advance(9.5);
    EXPECT_EQ(QVLocation::offlineRetryCount(), 1);
    for (int i = 0; i < 20; ++i)
        advance(10.0);
    EXPECT_EQ(QVLocation::offlineRetryCount(), 11); // the first try and ten retries
    EXPECT_TRUE(requestsTo("users/@me/set_location.xml").empty());
}

TEST_F(LifecycleTest, AFailedUploadTurnsLocationOff)
{
    server.route("POST", "users/@me/set_location.xml", [](const standin::LoggedRequest&) {
        return standin::Answer::xml("<errors><error>no</error></errors>", 422);
    });
    startLoggedIn();
    QuorvelInternal::location().startLocationManagerIfAllowed();
    LocationManager::deliverLocation({ 5, 6 });
    ASSERT_TRUE(waitFor([] { return QuorvelInternal::options().userDistanceUnit() == QVDistanceUnit::LocationOff; }));
    EXPECT_EQ(QuorvelInternal::location().locationTracker(), nullptr);
}
