// Every service of the central class is really started and really stopped:
// the table holds all 28 in both orders, each with its start and stop (only
// the stateless bootstrap service has none), and a running client has every
// singleton while a stopped one has none left behind.
#include "QuorvelTestSupport.h"

#include "social/core/QuorvelServices.h"
#include "social/runtime/QVPresenceService.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVApplicationDescriptionService.h"
#include "social/services/QVChallengeDefinition.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVChatServices.h"
#include "social/services/QVClientApplicationService.h"
#include "social/services/QVCloudStorageService.h"
#include "social/services/QVConversationService.h"
#include "social/services/QVForumService.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVGameDiscoveryService.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVInviteService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVProfileService.h"
#include "social/services/QVPushNotificationService.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/services/QVSubscriptionService.h"
#include "social/services/QVTickerService.h"
#include "social/services/QVUserService.h"
#include "social/services/QVUserSettingService.h"
#include "social/services/QVUsersCredentialService.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

using namespace quorvel;

namespace {

// Each service's singleton, by its name in the table.
std::map<std::string, const void*> liveServices()
{
    return {
        { "QVOfflineService", QVOfflineService::sharedService() },
        { "QVUserSettingService", QVUserSettingService::sharedService() },
        { "QVHighScoreService", QVHighScoreService::sharedService() },
        { "QVSocialNotificationService", QVSocialNotificationService::sharedService() },
        { "QVPushNotificationService", QVPushNotificationService::sharedService() },
        { "QVLeaderboardService", QVLeaderboardService::sharedService() },
        { "QVApplicationDescriptionService", QVApplicationDescriptionService::sharedService() },
        { "QVChatRoomDefinitionService", QVChatRoomDefinitionService::sharedService() },
        { "QVChatRoomInstanceService", QVChatRoomInstanceService::sharedService() },
        { "QVChatMessageService", QVChatMessageService::sharedService() },
        { "QVProfileService", QVProfileService::sharedService() },
        { "QVClientApplicationService", QVClientApplicationService::sharedService() },
        { "QVUserService", QVUserService::sharedService() },
        { "QVAchievementService", QVAchievementService::sharedService() },
        { "QVChallengeService", QVChallengeService::sharedService() },
        { "QVChallengeDefinitionService", QVChallengeDefinitionService::sharedService() },
        { "QVUsersCredentialService", QVUsersCredentialService::sharedService() },
        { "QVFriendsService", QVFriendsService::sharedService() },
        { "QVForumService", QVForumService::sharedService() },
        { "QVAnnouncementService", QVAnnouncementService::sharedService() },
        { "QVGameDiscoveryService", QVGameDiscoveryService::sharedService() },
        { "QVSubscriptionService", QVSubscriptionService::sharedService() },
        { "QVConversationService", QVConversationService::sharedService() },
        { "QVTickerService", QVTickerService::sharedService() },
        { "QVCloudStorageService", QVCloudStorageService::sharedService() },
        { "QVPresenceService", QVPresenceService::sharedInstance() },
        { "QVInviteService", QVInviteService::sharedService() },
    };
}

class QuorvelServiceTableTest : public core_testing::QuorvelTest { };

TEST(QuorvelServiceTable, BothOrdersHoldEveryServiceOnceWithItsStartAndStop)
{
    auto& startup = QuorvelServicesInStartupOrder();
    auto& shutdown = QuorvelServicesInShutdownOrder();
    ASSERT_EQ(startup.size(), 28u);
    ASSERT_EQ(shutdown.size(), 28u);
    std::set<std::string> started, stopped;
    for (auto& entry : startup) {
        started.insert(entry.name);
        bool stateless = std::string(entry.name) == "QVBootstrapService";
        EXPECT_EQ(entry.initializeService == nullptr, stateless) << entry.name;
        EXPECT_EQ(entry.shutdownService == nullptr, stateless) << entry.name;
    }
    for (auto& entry : shutdown)
        stopped.insert(entry.name);
    EXPECT_EQ(started.size(), 28u);
    EXPECT_EQ(started, stopped);
    // Every service the table starts has a singleton this test can see.
    for (auto& [name, instance] : liveServices())
        EXPECT_TRUE(started.count(name)) << name;
    EXPECT_EQ(liveServices().size(), 27u);
}

TEST_F(QuorvelServiceTableTest, ARunningClientHasEveryServiceAndAStoppedOneNone)
{
    for (auto& [name, instance] : liveServices())
        EXPECT_EQ(instance, nullptr) << name << " exists before start-up";
    quorvel::QuorvelInternal::options().setUserApprovedQuorvel();
    startClient();
    ASSERT_TRUE(waitForBootstrapRequests());
    for (auto& [name, instance] : liveServices())
        EXPECT_NE(instance, nullptr) << name << " was not started";
    Quorvel::shutdown();
    for (auto& [name, instance] : liveServices())
        EXPECT_EQ(instance, nullptr) << name << " outlived the shut-down";
    // A second start-up starts them all again.
    startClient();
    for (auto& [name, instance] : liveServices())
        EXPECT_NE(instance, nullptr) << name << " was not started again";
}

} // namespace
