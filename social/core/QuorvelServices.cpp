// The table of the central class's services. To start a newly built service,
// fill in its entry in serviceTable(); both orders pick it up.
#include "social/core/QuorvelServices.h"

#include "social/core/Quorvel.h"
#include "social/runtime/QVPresenceService.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVTickerService.h"
#include "social/services/QVUserService.h"
#include "social/services/QVUsersCredentialService.h"
#include "social/ui/QVControllerLoader.h"

#include <cstring>
#include <optional>
#include <string>

namespace quorvel {

namespace {

void initializePresence() { QVPresenceService::initializeService(Quorvel::provider()); }
void shutdownPresence() { QVPresenceService::shutdownService(); }

// Every service, in start-up order.
const std::vector<QuorvelServiceEntry>& serviceTable()
{
    static const std::vector<QuorvelServiceEntry> table {
        { "QVOfflineService", &QVOfflineService::initializeService, &QVOfflineService::shutdownService },
        { "QVBootstrapService", nullptr, nullptr }, // stateless: its requests go through the provider
        { "QVUserSettingService", nullptr, nullptr },
        { "QVHighScoreService", &QVHighScoreService::initializeService, &QVHighScoreService::shutdownService },
        { "QVSocialNotificationService", nullptr, nullptr },
        { "QVPushNotificationService", nullptr, nullptr },
        { "QVLeaderboardService", &QVLeaderboardService::initializeService, &QVLeaderboardService::shutdownService },
        { "QVApplicationDescriptionService", nullptr, nullptr },
        { "QVChatRoomDefinitionService", nullptr, nullptr },
        { "QVChatRoomInstanceService", nullptr, nullptr },
        { "QVChatMessageService", nullptr, nullptr },
        { "QVProfileService", nullptr, nullptr },
        { "QVClientApplicationService", nullptr, nullptr },
        { "QVUserService", &QVUserService::initializeService, &QVUserService::shutdownService },
        { "QVAchievementService", nullptr, nullptr },
        { "QVChallengeService", nullptr, nullptr },
        { "QVChallengeDefinitionService", nullptr, nullptr },
        { "QVUsersCredentialService", &QVUsersCredentialService::initializeService, &QVUsersCredentialService::shutdownService },
        { "QVFriendsService", &QVFriendsService::initializeService, &QVFriendsService::shutdownService },
        { "QVForumService", nullptr, nullptr },
        { "QVAnnouncementService", nullptr, nullptr },
        { "QVGameDiscoveryService", nullptr, nullptr },
        { "QVSubscriptionService", nullptr, nullptr },
        { "QVConversationService", nullptr, nullptr },
        { "QVTickerService", &QVTickerService::initializeService, &QVTickerService::shutdownService },
        { "QVCloudStorageService", nullptr, nullptr },
        { "QVPresenceService", initializePresence, shutdownPresence },
        { "QVInviteService", nullptr, nullptr },
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

void QuorvelConfigureCloudStorage(const QuorvelSettingsDictionary&) { }

void QuorvelConfigureCompressableData(const QuorvelSettingsDictionary&) { }

void QuorvelRegisterPolledResources(QVPoller*)
{
    trace("QVHighScoreService.registerPolledResources");
    trace("QVChatMessageService.registerPolledResources");
}

void QuorvelConfigureAchievements(const QuorvelSettingsDictionary&)
{
    trace("QVAchievementService.setAutomaticallyPromptToPostUnlocks");
}

void QuorvelReleaseGameCenter()
{
    trace("releaseGameCenter");
    Quorvel::releaseGameCenter();
}

} // namespace quorvel
