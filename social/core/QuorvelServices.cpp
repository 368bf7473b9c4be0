// The table of the central class's services. To start a newly built service,
// fill in its entry in serviceTable(); both orders pick it up.
#include "social/core/QuorvelServices.h"

#include "social/core/QVNotification.h"
#include "social/core/Quorvel.h"
#include "social/runtime/QVCompressableData.h"
#include "social/runtime/QVPresenceService.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVApplicationDescriptionService.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVCloudStorageService.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVConversationService.h"
#include "social/services/QVForumService.h"
#include "social/services/QVChatServices.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVInviteService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVSubscriptionService.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVProfileService.h"
#include "social/services/QVPushNotificationService.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/services/QVTickerService.h"
#include "social/services/QVUserService.h"
#include "social/services/QVUserSettingService.h"
#include "social/services/QVUsersCredentialService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVNavigationController.h"
#include "platform/ui/NavigationController.h"

#include <cstring>
#include <optional>
#include <string>

namespace quorvel {

namespace {

// The offline configuration file may carry the game's profile: the hook is
// in place before the service reads the file at its start.
void initializeOffline()
{
    QVOfflineService::hooks().setLocalGameProfileInfo = [](const QVXmlElement& element) {
        Quorvel::setLocalGameProfileInfoFromXml(element);
    };
    QVOfflineService::initializeService();
}

void initializePresence() { QVPresenceService::initializeService(Quorvel::provider()); }
void shutdownPresence() { QVPresenceService::shutdownService(); }

// Every service, in start-up order.
const std::vector<QuorvelServiceEntry>& serviceTable()
{
    static const std::vector<QuorvelServiceEntry> table {
        { "QVOfflineService", initializeOffline, &QVOfflineService::shutdownService },
        { "QVBootstrapService", nullptr, nullptr }, // stateless: its requests go through the provider
        { "QVUserSettingService", &QVUserSettingService::initializeService, &QVUserSettingService::shutdownService },
        { "QVHighScoreService", &QVHighScoreService::initializeService, &QVHighScoreService::shutdownService },
        { "QVSocialNotificationService", &QVSocialNotificationService::initializeService, &QVSocialNotificationService::shutdownService },
        { "QVPushNotificationService", &QVPushNotificationService::initializeService, &QVPushNotificationService::shutdownService },
        { "QVLeaderboardService", &QVLeaderboardService::initializeService, &QVLeaderboardService::shutdownService },
        { "QVApplicationDescriptionService", &QVApplicationDescriptionService::initializeService, &QVApplicationDescriptionService::shutdownService },
        { "QVChatRoomDefinitionService", &QVChatRoomDefinitionService::initializeService, &QVChatRoomDefinitionService::shutdownService },
        { "QVChatRoomInstanceService", &QVChatRoomInstanceService::initializeService, &QVChatRoomInstanceService::shutdownService },
        { "QVChatMessageService", &QVChatMessageService::initializeService, &QVChatMessageService::shutdownService },
        { "QVProfileService", &QVProfileService::initializeService, &QVProfileService::shutdownService },
        { "QVClientApplicationService", &QVClientApplicationService::initializeService, &QVClientApplicationService::shutdownService },
        { "QVUserService", &QVUserService::initializeService, &QVUserService::shutdownService },
        { "QVAchievementService", &QVAchievementService::initializeService, &QVAchievementService::shutdownService },
        { "QVChallengeService", &QVChallengeService::initializeService, &QVChallengeService::shutdownService },
        { "QVChallengeDefinitionService", &QVChallengeDefinitionService::initializeService, &QVChallengeDefinitionService::shutdownService },
        { "QVUsersCredentialService", &QVUsersCredentialService::initializeService, &QVUsersCredentialService::shutdownService },
        { "QVFriendsService", &QVFriendsService::initializeService, &QVFriendsService::shutdownService },
        { "QVForumService", &QVForumService::initializeService, &QVForumService::shutdownService },
        { "QVAnnouncementService", &QVAnnouncementService::initializeService, &QVAnnouncementService::shutdownService },
        { "QVGameDiscoveryService", &QVGameDiscoveryService::initializeService, &QVGameDiscoveryService::shutdownService },
        { "QVSubscriptionService", &QVSubscriptionService::initializeService, &QVSubscriptionService::shutdownService },
        { "QVConversationService", &QVConversationService::initializeService, &QVConversationService::shutdownService },
        { "QVTickerService", &QVTickerService::initializeService, &QVTickerService::shutdownService },
        { "QVCloudStorageService", &QVCloudStorageService::initializeService, &QVCloudStorageService::shutdownService },
        { "QVPresenceService", initializePresence, shutdownPresence },
        { "QVInviteService", &QVInviteService::initializeService, &QVInviteService::shutdownService },
    };
    return table;
}

const char* const kShutdownOrder[] = {
    "QVGameDiscoveryService", "QVConversationService", "QVSubscriptionService", "QVAnnouncementService",
    "QVForumService", "QVFriendsService", "QVUsersCredentialService", "QVChallengeDefinitionService",
    "QVChallengeService", "QVAchievementService", "QVUserService", "QVClientApplicationService",
    "QVProfileService", "QVChatMessageService", "QVChatRoomInstanceService", "QVChatRoomDefinitionService",
    "QVApplicationDescriptionService", "QVLeaderboardService", "QVHighScoreService", "QVPushNotificationService",
    "QVSocialNotificationService", "QVUserSettingService", "QVTickerService", "QVCloudStorageService",
    "QVBootstrapService", "QVOfflineService", "QVInviteService", "QVPresenceService",
};

} // namespace

const std::vector<QuorvelServiceEntry>& QuorvelServicesInStartupOrder() { return serviceTable(); }

const std::vector<QuorvelServiceEntry>& QuorvelServicesInShutdownOrder()
{
    static const std::vector<QuorvelServiceEntry> ordered = [] {
        std::vector<QuorvelServiceEntry> out;
        for (const char* name : kShutdownOrder)
            for (auto& entry : serviceTable())
                if (std::strcmp(entry.name, name) == 0)
                    out.push_back(entry);
        return out;
    }();
    return ordered;
}

} // namespace quorvel

namespace quorvel {

namespace {
void trace(const std::string& step)
{
    // Reported through the central class's lifecycle observer.
    Quorvel::traceStep(step);
}

// The choices and the permission screen a social post needs. Without a
// "SocialNotification" screen nothing can be asked, so nothing is posted.
void installSocialNotificationHost()
{
    QVSocialNotificationService::Host host;
    host.userHasRememberedChoiceForNotifications = [] { return Quorvel::userHasRememberedChoiceForNotifications(); };
    host.userAllowsNotifications = [] { return Quorvel::userAllowsNotifications(); };
    host.applicationShortDisplayName = [] { return Quorvel::applicationShortDisplayName(); };
    host.requestPermission = [](QVSocialNotification* notification,
                                const std::vector<platform::Ref<QVUsersCredential>>& credentials) {
        platform::Ref<platform::ui::ViewController> screen = QVControllerLoader::load("SocialNotification");
        auto* prompt = dynamic_cast<QVSocialNotificationPrompt*>(screen.get());
        if (!prompt)
            return false;
        prompt->setSocialNotification(notification, credentials);
        Quorvel::presentModalOverlay(screen);
        return true;
    };
    host.postNotice = [](const std::string& text, QVSocialNotification* notification) {
        platform::Ref<QVNotificationData> notice = QVNotificationData::dataWithText(text, 7, 1);
        notice->setNotificationUserData(notification);
        return platform::Ref<platform::Object>(notice.get());
    };
    QVSocialNotificationService::setHost(std::move(host));
}

// Closes a challenge screen opened over the game.
class ChallengeScreenCloser : public platform::Object {
public:
    void cancel() { Quorvel::dismissRootController(); }
};

// The challenge screens, the dashboard's challenge pages, the received
// challenge's notice and the wait for a bootstrap.
void installChallengeHost()
{
    QVChallengeService::Host host;
    host.presentChallengeScreen = [](const QVChallengeScreen& values) {
        platform::Ref<platform::ui::ViewController> screen = QVControllerLoader::load(values.controllerName);
        if (!screen)
            return false;
        if (auto* challengeScreen = dynamic_cast<QVChallengeScreenController*>(screen.get()))
            challengeScreen->setChallengeScreen(values);
        if (!values.title.empty())
            screen->setTitle(values.title);
        static platform::Object* closer = new ChallengeScreenCloser;
        QVNavigationController::addCloseButtonToViewController(screen.get(), closer,
                                                               BRISKO_SELECTOR(ChallengeScreenCloser, cancel));
        // The framed navigation is made by name, as every screen the central class shows.
        platform::Ref<platform::ui::ViewController> frame = QVControllerLoader::load("FramedNavigation");
        auto* navigation = dynamic_cast<platform::ui::NavigationController*>(frame.get());
        if (!navigation)
            return false;
        navigation->setViewControllers({ screen }, false);
        Quorvel::presentRootControllerWithModal(frame);
        return true;
    };
    host.showChallengeDetail = [](const std::string& challengeId) {
        platform::Ref<platform::ui::ViewController> list = QVControllerLoader::load("ChallengeList");
        platform::Ref<platform::ui::ViewController> detail = QVControllerLoader::load("ChallengeDetail");
        if (auto* shown = dynamic_cast<QVChallengeDetailSetup*>(detail.get()))
            shown->setChallengeId(challengeId);
        std::vector<platform::Ref<platform::ui::ViewController>> controllers;
        for (auto& c : { list, detail })
            if (c)
                controllers.push_back(c);
        QVNotification::launchDashboard("GameProfile", controllers);
    };
    host.showChallengeNotice = [](QVChallengeToUser* received) {
        QVChallenge* challenge = received->challenge();
        QVChallengeDefinition* definition = challenge ? challenge->challengeDefinition() : nullptr;
        QVNotification::sharedInstance().showChallengeNotice(
            QVReceivedChallengeNotificationData::dataWithChallengeToUser(
                received, challenge ? challenge->challenger() : nullptr, definition ? definition->iconUrl() : "")
                .get());
    };
    host.addBootstrapDelegates = [](const QVDelegate& onSuccess, const QVDelegate& onFailure) {
        Quorvel::addBootstrapDelegates(onSuccess, onFailure);
    };
    QVChallengeService::setHost(std::move(host));
}

} // namespace

void QuorvelSetControllerLoaderDefaults()
{
    trace("QVControllerLoader.setDefaults");
    QVControllerLoader::setDefaultAssetFileSuffix("Qv");
    QVControllerLoader::setDefaultClassNamePrefix("QV");
    // Settings entries open their screens through the loader, by name.
    QVUserSettingPushController::setControllerLoader(
        [](const std::string& name) { return QVControllerLoader::load(name); });
    installSocialNotificationHost();
    installChallengeHost();
}

void QuorvelSetControllerLoaderOverrides(const platform::Value& suffix, const platform::Value& classNamePrefix)
{
    trace("QVControllerLoader.setOverrides");
    auto text = [](const platform::Value& v) -> std::optional<std::string> {
        if (v.isNil())
            return std::nullopt;
        return v.asString();
    };
    QVControllerLoader::setAssetFileSuffix(text(suffix));
    QVControllerLoader::setClassNamePrefix(text(classNamePrefix));
}

namespace {
bool settingIsTrue(const QuorvelSettingsDictionary& settings, const char* key)
{
    const platform::Value& v = settings.objectForKey(key);
    return !v.isNil() && v.asBool();
}
} // namespace

void QuorvelConfigureCloudStorage(const QuorvelSettingsDictionary& settings)
{
    QVCloudStorageService& storage = QVCloudStorageService::service();
    if (settingIsTrue(settings, "QuorvelSettingDisableCloudStorageCompression"))
        storage.disableCompression();
    if (settingIsTrue(settings, "QuorvelSettingOutputCloudStorageCompressionRatio"))
        storage.enableVeboseCompression();
    if (settingIsTrue(settings, "QuorvelSettingCloudStorageHeaderlessCompression"))
        storage.useLegacyHeaderlessCompression();
}

void QuorvelConfigureCompressableData(const QuorvelSettingsDictionary& settings)
{
    QVCompressableData::setDisableCompression(settingIsTrue(settings, "QuorvelSettingDisableCloudStorageCompression"));
    QVCompressableData::setVerbose(settingIsTrue(settings, "QuorvelSettingOutputCloudStorageCompressionRatio"));
}

void QuorvelRegisterPolledResources(QVPoller* poller)
{
    trace("QVHighScoreService.registerPolledResources");
    trace("QVChatMessageService.registerPolledResources");
    QVChatMessageService::service().registerPolledResources(poller);
    QVChatMessageService::setPollingControl({ [](const QVResourceClass& cls) { Quorvel::clearPollingCacheForClassType(cls); },
                                              [] { Quorvel::forceImmediatePoll(); } });
}

void QuorvelConfigureAchievements(const QuorvelSettingsDictionary& settings)
{
    trace("QVAchievementService.setAutomaticallyPromptToPostUnlocks");
    const platform::Value& prompt = settings.objectForKey("QuorvelSettingPromptToPostAchievementUnlock");
    QVAchievementService::setAutomaticallyPromptToPostUnlocks(!prompt.isNil() && prompt.asBool());
}

void QuorvelReleaseGameCenter()
{
    trace("releaseGameCenter");
    Quorvel::releaseGameCenter();
}

} // namespace quorvel
