// The dashboard's classes created by name: referring to each one's
// registration here keeps its source file in every program that links the
// dashboard.
#include "social/dashboard/frame/QVDashboardClasses.h"

#define QV_DASHBOARD_CLASSES(X)                                                                                    \
    X(QVTickerView)                                                                                                \
    X(QVTabbedDashboardController)                                                                                 \
    X(QVTabbedDashboardPageController)                                                                             \
    X(QVGameProfileController)                                                                                     \
    X(QVLeaderboardController)                                                                                     \
    X(QVHighScoreController)                                                                                       \
    X(QVLeaderboardCell)                                                                                           \
    X(QVHighScoreCell)                                                                                             \
    X(QVAchievementListController)                                                                                 \
    X(QVAchievementProgressionList)                                                                                \
    X(QVAchievementCompareListCell)                                                                                \
    X(QVMyQuorvelController)                                                                                       \
    X(QVApplicationDescriptionController)                                                                          \
    X(QVFeaturedGamesController)                                                                                   \
    X(QVGameDiscoveryNewsItemController)                                                                           \
    X(QVHelpController)                                                                                            \
    X(QVPlayedGameController)                                                                                      \
    X(QVGameDiscoveryController)                                                                                   \
    X(QVPlayedGameCell)                                                                                            \
    X(QVGameDiscoveryCategoryCell)                                                                                 \
    X(QVGameDiscoveryNewsItemCell)                                                                                 \
    X(QVGameDiscoveryImageHyperlinkCell)                                                                           \
    X(QVFeaturedGameCell)                                                                                          \
    X(QVSelectInviteTypeCell)                                                                                      \
    X(QVSelectInviteTypeHeaderController)                                                                          \
    X(QVSelectInviteTypeController)                                                                                \
    X(QVSelectFriendsToInviteController)                                                                           \
    X(QVSelectContactsToInviteHeaderController)                                                                    \
    X(QVSelectContactsToInviteController)                                                                          \
    X(QVInviteFriendsHeaderController)                                                                             \
    X(QVInviteFriendsController)                                                                                   \
    X(QVInviteCompleteController)                                                                                  \
    X(QVContactCell)                                                                                               \
    X(QVSelectableContactCell)                                                                                     \
    X(QVInviteCell)                                                                                                \
    X(QVInvitationsController)                                                                                     \
    X(QVViewInviteController)                                                                                      \
    X(QVInviteNotificationController)                                                                              \
    X(QVFanClubController)                                                                                         \
    X(QVNewsLetterController)                                                                                      \
    X(QVFavoriteThisGameController)                                                                                \
    X(QVDashboardInterfaces)                                                                                       \
    X(QVProfileController)                                                                                         \
    X(QVFriendsController)                                                                                         \
    X(QVFriendsHeaderController)                                                                                   \
    X(QVImportFriendsController)                                                                                   \
    X(QVFullScreenImportFriendsMessage)                                                                            \
    X(QVFindUserController)                                                                                        \
    X(QVFindUserHeaderController)                                                                                  \
    X(QVWhosPlayingController)                                                                                     \
    X(QVWhosPlayingCell)                                                                                           \
    X(QVUserSettingController)                                                                                     \
    X(QVUserSettingCell)                                                                                           \
    X(QVUserSettingActionCell)                                                                                     \
    X(QVShareLocationController)                                                                                   \
    X(QVRemoveCredentialController)                                                                                \
    X(QVRemoveDeviceFromAccountController)                                                                         \
    X(QVSelectProfilePictureController)                                                                            \
    X(QVProfilePictureCell)                                                                                        \
    X(QVSelectChatRoomDefinitionController)                                                                        \
    X(QVSelectChatRoomInstanceController)                                                                          \
    X(QVChatRoomController)                                                                                        \
    X(QVChatRoomMessageBoxController)                                                                              \
    X(QVChatRoomDefinitionCell)                                                                                    \
    X(QVChatRoomInstanceCell)                                                                                      \
    X(QVChatRoomChatMessageCell)                                                                                   \
    X(QVConversationController)                                                                                    \
    X(QVConversationMessageBoxController)                                                                          \
    X(QVConversationCell)                                                                                          \
    X(QVOnlineStatusCell)                                                                                          \
    X(QVForumTopicListController)                                                                                  \
    X(QVForumThreadListController)                                                                                 \
    X(QVForumThreadViewController)                                                                                 \
    X(QVPostNewMessage)                                                                                            \
    X(QVForumTopicCell)                                                                                            \
    X(QVForumThreadCell)                                                                                           \
    X(QVForumPostCell)                                                                                             \
    X(QVForumSubscribeButtonCell)                                                                                  \
    X(QVFanClubCell)                                                                                               \
    X(QVInboxTopLevelController)                                                                                   \
    X(QVInboxController)                                                                                           \
    X(QVInboxIMConversationsController)                                                                            \
    X(QVInboxSubscribedForumThreadsController)                                                                     \
    X(QVInboxCell)                                                                                                 \
    X(QVInboxIMActionCell)                                                                                         \
    X(QVAnnouncementBrowserController)                                                                             \
    X(QVAnnouncementDetailController)                                                                              \
    X(QVSocialNotificationController)                                                                              \
    X(QVChallengeListController)                                                                                   \
    X(QVChallengeToUserCell)                                                                                       \
    X(QVChallengeSentCell)                                                                                         \
    X(QVChallengeDefinitionStatsCell)                                                                              \
    X(QVChallengeDetailController)                                                                                 \
    X(QVChallengeDetailFrame)                                                                                      \
    X(QVChallengeDetailHeaderController)                                                                           \
    X(QVChallengeDetailCell)                                                                                       \
    X(QVHighScoreMapViewController)                                                                                \
    X(QVSendChallengeController)                                                                                   \
    X(QVSendChallengeHeaderController)                                                                             \
    X(QVCompletedChallengeHeaderController)

namespace quorvel {

#define QV_DECLARE_ANCHOR(Class) void qvClassAnchor_##Class();
QV_DASHBOARD_CLASSES(QV_DECLARE_ANCHOR)
#undef QV_DECLARE_ANCHOR

void QVLinkDashboardClasses()
{
    static const bool linked = [] {
#define QV_CALL_ANCHOR(Class) qvClassAnchor_##Class();
        QV_DASHBOARD_CLASSES(QV_CALL_ANCHOR)
#undef QV_CALL_ANCHOR
        return true;
    }();
    (void)linked;
}

} // namespace quorvel
