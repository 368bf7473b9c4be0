// Start-up and shut-down of the central class: the order in which they reach
// the rest of the client, what each settings key changes, the defaults class
// methods answer without a running client, and a second start-up.
#include "QuorvelTestSupport.h"

#include "platform/device/Device.h"
#include "platform/foundation/Log.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVCloudStorage.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVCloudStorageService.h"
#include "social/services/QVLeaderboard.h"
#include "social/ui/ScreenTestKit.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Window.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/TestRuntimeRoles.h"
#include "social/services/QVScreensRole.h"
#include "social/core/QVClientPart.h"
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVPresenceService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVUserService.h"
#include "social/services/QVUsersCredentialService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDashboardRole.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
#include <sys/stat.h>

using namespace quorvel;
using namespace core_testing;
using platform::Value;

namespace {

class QuorvelStartupTest : public QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        QuorvelInternal::options().setUserApprovedQuorvel();
    }
    // Records the lifecycle steps and the count notifications in one sequence.
    void recordSteps()
    {
        QVLifecycleTrace::setObserver([this](const std::string& step) { steps.push_back(step); });
        for (const char* name : { Quorvel::kUnviewedChallengeCountChanged, Quorvel::kPendingFriendCountChanged })
            platform::NotificationCenter::defaultCenter().addObserver(
                this, name, [this](const platform::Notification& n) { steps.push_back("post " + n.name); });
    }
    void TearDown() override
    {
        platform::NotificationCenter::defaultCenter().removeObserver(this);
        QuorvelTest::TearDown();
    }
    std::vector<std::string> steps;
};

const std::vector<std::string> kStartupServices = {
    "QVOfflineService", "QVBootstrapService", "QVUserSettingService", "QVHighScoreService",
    "QVSocialNotificationService", "QVPushNotificationService", "QVLeaderboardService",
    "QVApplicationDescriptionService", "QVChatRoomDefinitionService", "QVChatRoomInstanceService",
    "QVChatMessageService", "QVProfileService", "QVClientApplicationService", "QVUserService",
    "QVAchievementService", "QVChallengeService", "QVChallengeDefinitionService", "QVUsersCredentialService",
    "QVFriendsService", "QVForumService", "QVAnnouncementService", "QVGameDiscoveryService",
    "QVSubscriptionService", "QVConversationService", "QVTickerService", "QVCloudStorageService",
    "QVPresenceService", "QVInviteService",
};

const std::vector<std::string> kShutdownServices = {
    "QVGameDiscoveryService", "QVConversationService", "QVSubscriptionService", "QVAnnouncementService",
    "QVForumService", "QVFriendsService", "QVUsersCredentialService", "QVChallengeDefinitionService",
    "QVChallengeService", "QVAchievementService", "QVUserService", "QVClientApplicationService",
    "QVProfileService", "QVChatMessageService", "QVChatRoomInstanceService", "QVChatRoomDefinitionService",
    "QVApplicationDescriptionService", "QVLeaderboardService", "QVHighScoreService", "QVPushNotificationService",
    "QVSocialNotificationService", "QVUserSettingService", "QVTickerService", "QVCloudStorageService",
    "QVBootstrapService", "QVOfflineService", "QVInviteService", "QVPresenceService",
};

TEST_F(QuorvelStartupTest, StartAndStopReachTheClientInTheirFixedOrders)
{
    recordSteps();
    platform::LogCapture log;
    startClient();

    std::vector<std::string> expected { "QVControllerLoader.setDefaults" };
    for (auto& s : kStartupServices)
        expected.push_back(s + ".initializeService");
    for (const char* s : { "QVHighScoreService.registerPolledResources", "QVChatMessageService.registerPolledResources",
                           "post QVNSNotificationUnviewedChallengeCountChanged",
                           "post QVNSNotificationPendingFriendCountChanged",
                           "QVAchievementService.setAutomaticallyPromptToPostUnlocks", "QVControllerLoader.setOverrides",
                           "initializeAddOns", "doBootstrap" })
        expected.push_back(s);
    EXPECT_EQ(steps, expected);
    EXPECT_TRUE(log.contains("Using Quorvel version 11022010 (1.4.0). " + server.baseUrl()));

    // The bootstrap call went out with the product key and the usage statistics.
    ASSERT_TRUE(waitForBootstrapRequests());
    auto bootstrap = requestsTo("bootstrap.xml");
    ASSERT_EQ(bootstrap.size(), 1u);
    EXPECT_TRUE(bootstrap[0].signatureValid);
    EXPECT_EQ(bootstrap[0].param("force_create_account"), "0");
    EXPECT_TRUE(QuorvelInternal::login().successfullyBootstrapped());
    EXPECT_TRUE(QuorvelInternal::session().provider()->isAuthenticated());

    steps.clear();
    Quorvel::shutdown();
    expected = { "QVProvider.destroyAllPendingRequests", "QVPoller.stopPolling", "shutdownAddOns" };
    for (auto& s : kShutdownServices)
        expected.push_back(s + ".shutdownService");
    expected.push_back("destroySharedInstance");
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(QuorvelInternal::sharedInstance(), nullptr);
    EXPECT_EQ(QVSettings::Instance(), nullptr);
    EXPECT_EQ(QVReachability::Instance(), nullptr);
    EXPECT_EQ(QVSessionRole::current().sessionId(), "0");
}

TEST_F(QuorvelStartupTest, EmptySettingsTakeTheDocumentedDefaults)
{
    startClient();
    EXPECT_EQ(Quorvel::getDashboardOrientation(), 1);
    EXPECT_FALSE(QuorvelInternal::session().pushNotificationsEnabled());
    EXPECT_EQ(QuorvelInternal::session().notificationPosition(), 0);
    EXPECT_TRUE(QuorvelInternal::session().invertNotifications());
    EXPECT_FALSE(QuorvelInternal::session().isUsingGameCenter());
    EXPECT_TRUE(QuorvelInternal::session().allowUserGeneratedContent());
    EXPECT_EQ(QuorvelInternal::session().applicationDisplayName(), "Brisko");
    EXPECT_EQ(QuorvelInternal::session().applicationShortDisplayName(), "Brisko");
    EXPECT_EQ(QuorvelInternal::session().presentationWindow(), nullptr);
    EXPECT_EQ(QuorvelInternal::session().getDelegate(), nullptr);
    EXPECT_EQ(QuorvelInternal::sharedInstance()->mProductKey(), kProductKey);
    EXPECT_EQ(QVControllerLoader::defaultAssetFileSuffix(), "Qv");
    EXPECT_EQ(QVControllerLoader::defaultClassNamePrefix(), "QV");
    EXPECT_EQ(QVControllerLoader::assetFileSuffix(), std::nullopt);
    EXPECT_EQ(QVControllerLoader::classNamePrefix(), std::nullopt);
    EXPECT_EQ(QuorvelInternal::session().sessionId().size(), 36u);
    EXPECT_EQ(QuorvelInternal::session().poller()->sourceUrl(), "users/@me/activities.xml");
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), 0.0);
    EXPECT_EQ(QuorvelInternal::session().provider()->serverUrl(), server.baseUrl());
    // The offline store is open while the client runs.
    EXPECT_NE(QuorvelInternal::session().getOfflineDatabaseHandle(), nullptr);
    struct stat st {};
    EXPECT_EQ(stat((home.path() + "/Documents/quorvel_offline").c_str(), &st), 0);
    // The first bootstrap is for the last logged-in user: on a fresh home the invalid user.
    ASSERT_TRUE(waitForBootstrapRequests());
    EXPECT_EQ(requestsTo("bootstrap.xml")[0].param("user_id"), "0");
}

TEST_F(QuorvelStartupTest, EachSettingsKeyChangesWhatItNames)
{
    auto window = platform::ui::Window::windowWithFrame({ { 0, 0 }, { 320, 480 } });
    QuorvelSettingsDictionary settings;
    settings.values.set("DashboardOrientation", 3);
    settings.values.set("ShortDisplayName", "Bk");
    settings.values.set("EnablePushNotifications", true);
    settings.values.set("QuorvelSettingNotificationPosition", 3);
    settings.values.set("QuorvelSettingDisableUserGeneratedContent", true);
    settings.values.set("QuorvelSettingGameCenterEnabled", true);
    settings.values.set("QuorvelSettingInitialUserId", "77");
    settings.setObject("QuorvelSettingPresentationWindow", window);
    settings.values.set("QuorvelSettingOverrideSuffixString", "Pad");
    settings.values.set("QuorvelSettingOverrideClassNamePrefixString", "BK");
    QuorvelDelegate game;
    auto delegates = QVDelegatesContainer::containerWithQuorvelDelegate(&game);
    startClient(settings, delegates.get());

    EXPECT_EQ(Quorvel::getDashboardOrientation(), 3);
    EXPECT_EQ(QVDashboardRole::current().getDashboardOrientation(), platform::ui::InterfaceOrientation::LandscapeRight);
    EXPECT_EQ(QuorvelInternal::session().applicationShortDisplayName(), "Bk");
    EXPECT_EQ(QuorvelInternal::session().pushNotificationsEnabled(), platform::ui::Device::currentDevice().systemVersion() >= "3");
    EXPECT_EQ(QuorvelInternal::session().notificationPosition(), 3);
    EXPECT_FALSE(QuorvelInternal::session().invertNotifications());
    EXPECT_FALSE(QuorvelInternal::session().allowUserGeneratedContent());
    EXPECT_TRUE(QuorvelInternal::session().isUsingGameCenter()); // the device reports 4.2
    EXPECT_EQ(QuorvelInternal::session().presentationWindow(), window.get());
    EXPECT_EQ(QuorvelInternal::session().getDelegate(), &game);
    EXPECT_EQ(QVControllerLoader::assetFileSuffix(), "Pad");
    EXPECT_EQ(QVControllerLoader::classNamePrefix(), "BK");
    EXPECT_EQ(QVControllerLoader::defaultAssetFileSuffix(), "Qv");
    EXPECT_EQ(QVControllerLoader::defaultClassNamePrefix(), "QV");
    ASSERT_TRUE(waitForBootstrapRequests());
    EXPECT_EQ(requestsTo("bootstrap.xml")[0].param("user_id"), "77");

    // The launch delegate takes precedence while set.
    QuorvelDelegate launch;
    QuorvelInternal::session().setLaunchDelegate(&launch);
    EXPECT_EQ(QuorvelInternal::session().getDelegate(), &launch);
    // The game's delegates outlive the client: a screen on show at shut-down tells them it closes.
    Quorvel::shutdown();
}

TEST_F(QuorvelStartupTest, EmptyInitialUserIdFallsBackToTheLastLoggedInUser)
{
    QuorvelSettingsDictionary settings;
    settings.values.set("QuorvelSettingInitialUserId", "");
    startClient(settings);
    std::string before = Quorvel::lastLoggedInUserId(); // the answer replaces the local user
    ASSERT_TRUE(waitForBootstrapRequests());
    EXPECT_EQ(requestsTo("bootstrap.xml")[0].param("user_id"), before);
}

TEST_F(QuorvelStartupTest, DebugOverrideKeyAndSecretReplaceTheGamesOwn)
{
    writeSettingsFile("<debug-override-key>debug-key</debug-override-key>"
                      "<debug-override-secret>debug-secret</debug-override-secret>");
    server.setConsumer("debug-key", "debug-secret");
    startClient();
    EXPECT_EQ(QuorvelInternal::sharedInstance()->mProductKey(), "debug-key");
    EXPECT_EQ(QuorvelInternal::session().provider()->productKey(), "debug-key");
    ASSERT_TRUE(waitForBootstrapRequests());
    EXPECT_TRUE(requestsTo("bootstrap.xml")[0].signatureValid);
}

TEST_F(QuorvelStartupTest, SecondStartupWithoutShutdownIsRefused)
{
    startClient();
    Quorvel* first = QuorvelInternal::sharedInstance();
    QVProvider* provider = QuorvelInternal::session().provider();
    std::string session = QuorvelInternal::session().sessionId();
    platform::LogCapture log;
    QuorvelSettingsDictionary settings;
    settings.values.set("DashboardOrientation", 4);
    startClient(settings);
    EXPECT_TRUE(log.contains("initializeWithProductKey called again without shutdown"));
    EXPECT_EQ(QuorvelInternal::sharedInstance(), first);
    EXPECT_EQ(QuorvelInternal::session().provider(), provider);
    EXPECT_EQ(QuorvelInternal::session().sessionId(), session);
    EXPECT_EQ(Quorvel::getDashboardOrientation(), 1);
}

TEST_F(QuorvelStartupTest, ShutdownStopsRequestsAndPollingBeforeServicesGo)
{
    startClient();
    ASSERT_TRUE(waitForBootstrapRequests());
    platform::Ref<QVProvider> provider(QuorvelInternal::session().provider());
    platform::Ref<QVPoller> poller(QuorvelInternal::session().poller());
    // A poll the server holds, and a polling timer.
    standin::Answer held = standin::Answer::xml("<resources/>");
    held.hold = true;
    server.route("GET", "users/@me/activities.xml", held);
    QuorvelInternal::session().setPollingFrequency(5);
    QuorvelInternal::session().forceImmediatePoll();
    ASSERT_TRUE(waitFor([&] { return !requestsTo("users/@me/activities.xml").empty(); }));
    // The login's other requests (the announcements) end on their own; the held poll stays.
    ASSERT_TRUE(waitFor([&] { return provider->pendingRequestCount() == 1u; }));

    NotificationRecorder polled({ QVPoller::kPollingFailedNotification });
    Quorvel::shutdown();
    EXPECT_EQ(provider->pendingRequestCount(), 0u);
    EXPECT_EQ(poller->getPollingFrequency(), 0.0);
    server.releaseHeld();
    settleNetwork();
    advance(30);
    EXPECT_TRUE(polled.posted.empty());
    EXPECT_EQ(requestsTo("users/@me/activities.xml").size(), 1u);
}

TEST_F(QuorvelStartupTest, StartShutdownStartInOneProcess)
{
    startClient();
    ASSERT_TRUE(waitForBootstrapRequests(1));
    std::string firstSession = QuorvelInternal::session().sessionId();
    EXPECT_NE(QVOfflineService::sharedService(), nullptr);
    EXPECT_NE(QVUserService::sharedService(), nullptr);
    Quorvel::shutdown();
    EXPECT_EQ(QuorvelInternal::session().getOfflineDatabaseHandle(), nullptr);
    EXPECT_EQ(QVOfflineService::sharedService(), nullptr);
    EXPECT_EQ(QVLeaderboardService::sharedService(), nullptr);
    EXPECT_EQ(QVUserService::sharedService(), nullptr);
    EXPECT_EQ(QVFriendsService::sharedService(), nullptr);
    EXPECT_EQ(QVUsersCredentialService::sharedService(), nullptr);
    EXPECT_EQ(QVPresenceService::sharedInstance(), nullptr);

    std::vector<std::string> steps2;
    QVLifecycleTrace::setObserver([&](const std::string& s) { steps2.push_back(s); });
    startClient();
    ASSERT_NE(QuorvelInternal::sharedInstance(), nullptr);
    EXPECT_NE(QuorvelInternal::session().sessionId(), firstSession);
    EXPECT_EQ(steps2.front(), "QVControllerLoader.setDefaults");
    EXPECT_EQ(steps2.back(), "doBootstrap");
    EXPECT_NE(QuorvelInternal::session().getOfflineDatabaseHandle(), nullptr);
    ASSERT_TRUE(waitForBootstrapRequests(2));
    EXPECT_TRUE(QuorvelInternal::login().successfullyBootstrapped());
}

// The layers below reach the running client through its roles only while it
// runs; a role a test installed in the meantime is left in place.
TEST_F(QuorvelStartupTest, StartUpInstallsEveryRoleAndShutDownRemovesOnlyItsOwn)
{
    auto installed = [] {
        return std::vector<bool> { dynamic_cast<QVClientPart*>(&QVSessionRole::current()) != nullptr,
                                   dynamic_cast<QVClientPart*>(&QVRequestUIRole::current()) != nullptr,
                                   dynamic_cast<QVClientPart*>(&QVGameCenterRole::current()) != nullptr,
                                   dynamic_cast<QVClientPart*>(&QVScreensRole::current()) != nullptr,
                                   dynamic_cast<QVClientPart*>(&QVDashboardRole::current()) != nullptr,
                                   dynamic_cast<QVClientPart*>(&QVDashboardShape::current()) != nullptr };
    };
    EXPECT_EQ(installed(), std::vector<bool>(6, false));
    startClient();
    EXPECT_EQ(installed(), std::vector<bool>(6, true));
    EXPECT_EQ(QVSessionRole::current().sessionId(), QuorvelInternal::session().sessionId());

    QVScreensRole screens;
    QVScreensRole::setCurrent(&screens);
    Quorvel::shutdown();
    EXPECT_EQ(installed(), std::vector<bool>(6, false));
    EXPECT_EQ(&QVScreensRole::current(), &screens);
    QVScreensRole::setCurrent(nullptr);
    EXPECT_EQ(QVSessionRole::current().sessionId(), "0");
}

// The presence service starts before the provider exists; it still connects through the client's provider.
TEST_F(QuorvelStartupTest, PresenceConnectsThroughTheClientsProvider)
{
    writeSettingsFile("<presence-host>127.0.0.1:1</presence-host>");
    startClient();
    ASSERT_TRUE(waitForBootstrapRequests());
    ASSERT_NE(QVPresenceService::sharedInstance(), nullptr);
    QVPresenceService::sharedInstance()->connect();
    ASSERT_TRUE(waitFor([&] { return !requestsTo("users/@me/presence_queue.xml").empty(); }));
    EXPECT_TRUE(requestsTo("users/@me/presence_queue.xml")[0].signatureValid);
    EXPECT_EQ(requestsTo("users/@me/presence_queue.xml")[0].oauthToken, "token-1");
}

// Without a running client: before any start-up, and after a shut-down.
TEST_F(QuorvelStartupTest, ClassMethodsAnswerDefaultsWithoutAnInstance)
{
    auto checkDefaults = [] {
        EXPECT_EQ(QuorvelInternal::sharedInstance(), nullptr);
        EXPECT_EQ(QuorvelInternal::session().provider(), nullptr);
        EXPECT_EQ(QuorvelInternal::session().poller(), nullptr);
        EXPECT_EQ(QuorvelInternal::session().getDelegate(), nullptr);
        EXPECT_EQ(QuorvelInternal::session().getChallengeDelegate(), nullptr);
        EXPECT_EQ(QuorvelInternal::session().getNotificationDelegate(), nullptr);
        EXPECT_EQ(QuorvelInternal::session().sessionId(), "0");
        EXPECT_EQ(QuorvelInternal::session().notificationPosition(), 1);
        EXPECT_FALSE(QuorvelInternal::session().invertNotifications());
        EXPECT_TRUE(QuorvelInternal::session().allowUserGeneratedContent());
        EXPECT_EQ(Quorvel::getDashboardOrientation(), 1);
        EXPECT_FALSE(QuorvelInternal::session().isUsingGameCenter());
        EXPECT_FALSE(QuorvelInternal::login().isBootstrapInProgress());
        EXPECT_EQ(QuorvelInternal::session().getOfflineDatabaseHandle(), nullptr);
        EXPECT_EQ(QuorvelInternal::session().applicationDisplayName(), "");
        EXPECT_FALSE(Quorvel::shouldWarnOnIncompleteDelegates());
        QuorvelInternal::session().forceImmediatePoll();
        QuorvelInternal::session().setPollingFrequency(3);
        Quorvel::setDashboardOrientation(2);
        QuorvelInternal::session().setupOfflineDatabase();
        EXPECT_EQ(QuorvelInternal::session().getOfflineDatabaseHandle(), nullptr);
    };
    checkDefaults();
    std::vector<std::string> steps;
    QVLifecycleTrace::setObserver([&](const std::string& s) { steps.push_back(s); });
    Quorvel::shutdown(); // without a start-up: still closes the session and stops every service
    EXPECT_EQ(steps.front(), "shutdownAddOns");
    EXPECT_EQ(steps.size(), 30u);
    checkDefaults();

    startClient();
    Quorvel::shutdown();
    checkDefaults();
}

// A game that calls after stopping the client (or before starting it) hears
// why nothing happened: one warning per call, and the failure where it has a callback.
TEST_F(QuorvelStartupTest, CallsAfterTheShutDownWarnOnceEachAndFailTheirCallbacks)
{
    startClient();
    Quorvel::shutdown(); // nothing runs now
    struct Listener final : platform::Object, QVAchievementDelegate, QVCloudStorageDelegate {
        void didUpdateProgressionCompleteQVAchievement(QVAchievement*) override { ++unlocked; }
        void didFailUpdateProgressionCompleteQVAchievement(QVAchievement*) override { ++failed; }
        void scoreTaken(platform::Object*) { ++scoresTaken; }
        void scoreRefused(platform::Object*) { ++scoresRefused; }
        void didFailUpload(int status) override { cloudFailures.push_back(status); }
        void didFailDownloadData(int status) override { cloudFailures.push_back(status); }
        int unlocked { 0 }, failed { 0 }, scoresTaken { 0 }, scoresRefused { 0 };
        std::vector<int> cloudFailures;
    };
    auto game = platform::adoptRef(new Listener);
    QVAchievement::setDelegate(game.get());
    QVCloudStorage::setDelegate(game.get());
    platform::LogCapture log;
    for (int round = 0; round < 2; ++round) {
        QVHighScoreService::setHighScore(100, "5", QVDelegate(game.get(), BRISKO_SELECTOR(Listener, scoreTaken)),
                                         QVDelegate(game.get(), BRISKO_SELECTOR(Listener, scoreRefused)));
        QVAchievement::achievement("11")->unlock();
        QVCloudStorage::upload(platform::Bytes { 1 }, "save");
        QVCloudStorage::downloadDataWithKey("save");
        Quorvel::launchDashboard();
        Quorvel::launchDashboardWithAchievementsPage();
        Quorvel::logoutUser();
        Quorvel::shutdown();
    }
    QVAchievement::setDelegate(nullptr);
    QVCloudStorage::setDelegate(nullptr);
    EXPECT_EQ(game->scoresRefused, 2);
    EXPECT_EQ(game->scoresTaken, 0);
    EXPECT_EQ(game->failed, 2);
    EXPECT_EQ(game->unlocked, 0);
    EXPECT_EQ(game->cloudFailures, (std::vector<int> { 504, 504, 504, 504 })); // no answer, as without a session
    std::vector<std::string> warned;
    for (auto& line : log.lines())
        if (line.level == platform::LogLevel::Warning && line.text.find("after Quorvel::shutdown") != std::string::npos)
            warned.push_back(line.text.substr(0, line.text.find(" was called")));
    EXPECT_EQ(warned, (std::vector<std::string> { "Quorvel: QVHighScoreService::setHighScore", "Quorvel: QVAchievement::unlock",
                                                  "Quorvel: QVCloudStorageService::uploadBlob",
                                                  "Quorvel: QVCloudStorageService::downloadBlobWithKey",
                                                  "Quorvel: Quorvel::launchDashboard",
                                                  "Quorvel: Quorvel::launchDashboardWithAchievementsPage",
                                                  "Quorvel: Quorvel::logoutUser", "Quorvel: Quorvel::shutdown" }));
    EXPECT_TRUE(log.contains("the client was shut down"));
    EXPECT_FALSE(log.contains("before Quorvel::initializeWithProductKey"));
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
}

TEST_F(QuorvelStartupTest, ABundleWithoutTheClientsImagesIsNamedOnceAtStartUp)
{
    auto imageWarnings = [](const platform::LogCapture& log) {
        std::vector<std::string> out;
        for (auto& line : log.texts())
            if (line.find("of the client's") != std::string::npos)
                out.push_back(line);
        return out;
    };
    platform::LogCapture log;
    startClient();
    auto warned = imageWarnings(log);
    ASSERT_EQ(warned.size(), 1u);
    EXPECT_NE(warned[0].find("the bundle folder " + bundle.path() + " has none of the client's images"),
              std::string::npos)
        << warned[0];
    // A game that never named its bundle folder learns what names it.
    EXPECT_NE(warned[0].find(": copy the installed share/brisko/resources into it (the bundle folder is the one "
                             "platform::Bundle::main().setResourcePath(...) or BRISKO_RESOURCES names; without "
                             "either, \"resources\" beside the program)"),
              std::string::npos)
        << warned[0];
    Quorvel::shutdown();

    // The installed resources in the bundle: nothing to say; one gone is named.
    std::error_code ignored;
    std::filesystem::copy(screen_testing::sourceDirectory() + "/resources", bundle.path(),
                          std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_existing, ignored);
    log.clear();
    startClient();
    EXPECT_TRUE(imageWarnings(log).empty());
    Quorvel::shutdown();
    std::filesystem::remove(bundle.file("QVNavBar.png"));
    startClient();
    EXPECT_EQ(imageWarnings(log), (std::vector<std::string> { "Quorvel: the bundle folder " + bundle.path()
                                                               + " lacks 1 of the client's images (QVNavBar.png): copy "
                                                                 "the installed share/brisko/resources into it (the "
                                                                 "bundle folder is the one "
                                                                 "platform::Bundle::main().setResourcePath(...) or "
                                                                 "BRISKO_RESOURCES names; without either, \"resources\" "
                                                                 "beside the program)" }));
    Quorvel::shutdown();

    // Every image of the client counts, not only those of the first screens; past eight, the rest are counted.
    auto removeAndRestart = [&](std::initializer_list<const char*> names) {
        for (const char* name : names)
            std::filesystem::remove(bundle.file(name));
        log.clear();
        startClient();
        auto warned = imageWarnings(log);
        Quorvel::shutdown();
        return warned.size() == 1 ? warned[0] : testing::PrintToString(warned);
    };
    EXPECT_NE(removeAndRestart({ "QVBadgeCenterGreen.png", "QVBlankIcon.png", "QVCheckBox.png", "QVTickerClose.png" })
                  .find(" lacks 5 of the client's images (QVBadgeCenterGreen.png, QVBlankIcon.png, QVCheckBox.png, "
                        "QVNavBar.png, QVTickerClose.png): "),
              std::string::npos);
    EXPECT_NE(removeAndRestart({ "QVBadgeCenterRed.png", "QVBadgeLeftGreen.png", "QVBadgeLeftRed.png",
                                 "QVBadgeRightGreen.png", "QVBadgeRightRed.png" })
                  .find(" lacks 10 of the client's images (QVBadgeCenterGreen.png, QVBadgeCenterRed.png, "
                        "QVBadgeLeftGreen.png, QVBadgeLeftRed.png, QVBadgeRightGreen.png, QVBadgeRightRed.png, "
                        "QVBlankIcon.png, QVCheckBox.png, and 2 more): "),
              std::string::npos);
}

// A game that names no bundle identifier (nor a home of its own) shares its
// data folder with every such game: the start-up says so, naming the folder.
TEST_F(QuorvelStartupTest, AGameWithoutABundleIdentifierIsWarnedOfTheSharedDataFolder)
{
    const char* oldUserHome = std::getenv("HOME");
    std::string savedHome = oldUserHome ? oldUserHome : "";
    std::string identifier = platform::Bundle::main().bundleIdentifier();
    setenv("HOME", home.path().c_str(), 1);
    std::string shared = home.path() + "/.brisko/com.brisko.app";
    platform::Bundle::main().setBundleIdentifier("com.brisko.app");
    platform::Bundle::main().setHomeDirectory(shared);
    platform::LogCapture log;
    startClient();
    Quorvel::shutdown();
    platform::Bundle::main().setBundleIdentifier("com.example.tapgame");
    startClient();
    Quorvel::shutdown();
    platform::Bundle::main().setBundleIdentifier(identifier);
    platform::Bundle::main().setHomeDirectory(home.path());
    if (oldUserHome)
        setenv("HOME", savedHome.c_str(), 1);
    else
        unsetenv("HOME");
    int warned = 0;
    for (auto& text : log.texts())
        warned += text.find("the game set no bundle identifier") != std::string::npos;
    EXPECT_EQ(warned, 1);
    EXPECT_TRUE(log.contains("is kept in " + shared + ", which every game without one shares"))
        << testing::PrintToString(log.texts());
}

} // namespace

// On a device that approved the client, a call that reads the player's data
// before the game names itself (Quorvel::hasUserApprovedQuorvel() here) reads
// the defaults of no game; once the identifier is set they follow it: the
// approval is the game's again, the login goes ahead without the approval
// screen, and the log names setBundleIdentifier.
TEST_F(QuorvelStartupTest, ACallBeforeTheBundleIdentifierLeavesAnApprovedDeviceApproved)
{
    auto& bundle = platform::Bundle::main();
    const std::string identifier = bundle.bundleIdentifier();
    QuorvelInternal::options().resetHasUserSetQuorvelAccess();
    reloadUserDefaults();
    // The game's earlier launch: named, and approved by the player.
    bundle.setBundleIdentifier("com.example.tapgame");
    QuorvelInternal::options().setUserApprovedQuorvel();
    reloadUserDefaults();

    // This launch asks before it names itself.
    bundle.setBundleIdentifier("com.brisko.app");
    platform::LogCapture log;
    EXPECT_FALSE(Quorvel::hasUserApprovedQuorvel());
    bundle.setBundleIdentifier("com.example.tapgame");
    EXPECT_TRUE(Quorvel::hasUserApprovedQuorvel());
    EXPECT_TRUE(log.contains("call platform::Bundle::main().setBundleIdentifier(...) before anything that reads them"))
        << testing::PrintToString(log.texts());
    startClient();
    EXPECT_TRUE(waitFor([] { return Quorvel::isSuccessfullyBootstrapped(); })) << "no approval asked first";
    Quorvel::shutdown();
    bundle.setBundleIdentifier(identifier);
}

namespace {

// The game of the death tests: told anything once armed, it says so and
// leaves quietly, which no death test takes for the death it expects.
class TellTaleGame final : public QuorvelDelegate {
public:
    void dashboardWillAppear() override { told("dashboardWillAppear"); }
    void userLoggedOut(const std::string&) override { told("userLoggedOut"); }
    std::atomic<bool> armed { false };

private:
    void told(const char* what)
    {
        if (!armed)
            return;
        std::fprintf(stderr, "the game was told %s\n", what);
        std::_Exit(0);
    }
};

class QuorvelThreadDeathTest : public QuorvelStartupTest {
protected:
    TellTaleGame game;
};

} // namespace

// Every family of the client's public calls (the central class, its dashboard
// launches, scores, achievements, leaderboards, the cloud store) asks one
// guard first: from another thread the call is an assertion naming it, before
// it touches anything or tells the game anything.
TEST_F(QuorvelThreadDeathTest, ACallFromAnotherThreadIsAnAssertionNamingTheCallBeforeAnythingHappens)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto delegates = QVDelegatesContainer::create();
    delegates->setQuorvelDelegate(&game);
    startClient({}, delegates.get());
    ASSERT_TRUE(waitFor([] { return Quorvel::isSuccessfullyBootstrapped(); }));
    auto achievement = QVAchievement::achievement("1");
    const std::vector<std::pair<std::string, std::function<void()>>> calls {
        { "Quorvel::logoutUser", [] { Quorvel::logoutUser(); } },
        { "Quorvel::launchDashboardWithDelegate", [&] { Quorvel::launchDashboardWithDelegate(&game); } },
        { "Quorvel::launchDashboardWithHighscorePage", [] { Quorvel::launchDashboardWithHighscorePage("5"); } },
        { "QVHighScoreService::setHighScore", [] { QVHighScoreService::setHighScore(10, "5", {}, {}); } },
        { "QVAchievement::unlock", [&] { achievement->unlock(); } },
        { "QVAchievement::updateProgressionComplete", [&] { achievement->updateProgressionComplete(50, false); } },
        { "QVLeaderboard::leaderboards", [] { QVLeaderboard::leaderboards(); } },
        { "QVCloudStorageService::uploadBlob",
          [] { QVCloudStorageService::uploadBlob(platform::Bytes(3, 1), "save", {}, {}); } },
        { "QVCloudStorageService::downloadBlobWithKey",
          [] { QVCloudStorageService::downloadBlobWithKey("save", {}, {}); } },
    };
    for (const auto& [name, call] : calls)
        EXPECT_DEATH(
            {
                game.armed = true;
                std::thread other(call);
                other.join();
            },
            name + " was called off the main thread; the client's calls are made on the main thread")
            << name;
}

// The one door to the game answers alike on every road: false only when the
// call shut a running client down (with or without a game's delegate, with
// or without a client running).
TEST_F(QuorvelStartupTest, TheDoorToTheGameAnswersFalseOnlyWhenTheCallShutARunningClientDown)
{
    startClient();
    auto& session = QuorvelInternal::session();
    EXPECT_TRUE(session.callGame([] { }));
    EXPECT_TRUE(session.tellGame([](QuorvelDelegate&) { ADD_FAILURE() << "no delegate to call"; }));
    EXPECT_FALSE(session.callGame([] { Quorvel::shutdown(); }));
    EXPECT_TRUE(QuorvelInternal::session().callGame([] { })) << "no client running";
    EXPECT_TRUE(QVSessionRole::current().callGame([] { }));
    loop().drain();
}
