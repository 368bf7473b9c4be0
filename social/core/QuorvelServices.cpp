// The table of the central class's services. To start a newly built service,
// fill in its entry in serviceTable(); both orders pick it up.
#include "social/core/QuorvelServices.h"

#include "platform/foundation/Log.h"
#include "social/core/QVNotification.h"
#include "social/core/QuorvelDashboardScreens.h"
#include "social/core/QuorvelInternal.h"
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
#include "platform/ui/NavigationController.h"

#include <cstring>
#include <optional>
#include <string>

namespace quorvel {

namespace {

// The offline configuration file may carry the game's profile: it reaches
// the central class through the session role, installed before the services start.
void initializeOffline() { QVOfflineService::initializeService(); }

// The services start before the provider is made: the presence channel finds
// the client's provider through the session role whenever it needs it.
void initializePresence() { QVPresenceService::initializeService(nullptr); }
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
    QVLifecycleTrace::step(step);
}
} // namespace

void QuorvelSetControllerLoaderDefaults()
{
    trace("QVControllerLoader.setDefaults");
    QVControllerLoader::setDefaultAssetFileSuffix("Qv");
    QVControllerLoader::setDefaultClassNamePrefix("QV");
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
    QuorvelInternal::gameCenter().releaseGameCenter();
}

} // namespace quorvel
