// QVUserOptions: the player's options and the client's small settings, kept
// between launches in the standard user defaults, one accessor pair per key.
// It holds no state of its own, so it answers the same with or without a
// running client. The count setters store first, then post their change
// (QVClientNotifications); the unviewed-challenge count also sets the
// application icon's badge.
#pragma once

#include "platform/foundation/Value.h"
#include "social/core/QVClientPart.h"
#include "social/runtime/QVDistanceUnit.h"

#include <string>

namespace quorvel {

class QVUserOptions final : public QVClientPart {
public:
    explicit QVUserOptions(Quorvel& client)
        : QVClientPart(client)
    {
    }

    // Registers the defaults of the options and of the settings (at start-up).
    void intiailizeUserOptions();
    void intiailizeSettings();

    // ---- Approval and switches
    bool hasUserApprovedQuorvel();
    // The player answered the approval question either way.
    bool hasUserSetQuorvelAccess();
    void setUserApprovedQuorvel();
    void setUserDeniedQuorvel();
    void resetHasUserSetQuorvelAccess();
    bool shouldAutomaticallyPromptLogin();
    void setDontAutomaticallyPromptLogin();
    bool isDisabled();
    void setDisabled(bool disabled);
    bool doneWithGetTheMost();
    void setDoneWithGetTheMost(bool done);
    bool isSynchedWithGameCenterLeaderboards();
    void setSynchWithGameCenterLeaderboards(bool synched);
    bool isSynchedWithGameCenterAchievements();
    void setSynchWithGameCenterAchievements(bool synched);
    void setShouldWarnOnIncompleteDelegates(bool warn);
    bool loggedInUserHasChatEnabled();
    void setLoggedInUserHasChatEnabled(bool enabled);
    bool userAllowsNotifications();
    void setUserAllowsNotifications(bool allows);
    bool userHasRememberedChoiceForNotifications();
    void setUserHasRememberedChoiceForNotifications(bool remembered);
    QVDistanceUnit userDistanceUnit();
    // Stores the unit and writes the defaults at once.
    void setUserDistanceUnit(QVDistanceUnit unit);
    platform::Value suggestionsForumId();
    void setSuggestionsForumId(platform::Value forumId);

    // ---- Counts: each setter stores, then posts
    int unreadIMCount();
    void setUnreadIMCount(int count);
    int unreadPostCount();
    void setUnreadPostCount(int count);
    int unreadInviteCount();
    void setUnreadInviteCount(int count);
    void setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(int im, int posts, int invites);
    int unreadInboxTotal();
    int pendingFriendsCount();
    void setPendingFriendsCount(int count);
    int unviewedChallengesCount();
    void setUnviewedChallengesCount(int count);

    // ---- Texts from the bootstrap
    std::string clientApplicationId();
    void setClientApplicationId(const std::string& id);
    std::string clientApplicationIconUrl();
    void setClientApplicationIconUrl(const std::string& url);
    std::string initialDashboardScreen();
    void setInitialDashboardScreen(const std::string& screen);
    platform::Value initialDashboardModalContentURL();
    void setInitialDashboardModalContentURL(platform::Value url);

    // ---- Flags of the logged-in user (missing reads NO)
    bool loggedInUserIsNewUser();
    void setLoggedInUserIsNewUser(bool isNew);
    bool loggedInUserHasTwitterCredential();
    void setLoggedInUserHasTwitterCredential(bool has);
    bool loggedInUserHasFbconnectCredential();
    void setLoggedInUserHasFbconnectCredential(bool has);
    bool loggedInUserHasHttpBasicCredential();
    void setLoggedInUserHasHttpBasicCredential(bool has);
    bool loggedInUserHasNonDeviceCredential();
    void setLoggedInUserHasNonDeviceCredential(bool has);
    bool loggedInUserSharesOnlineStatus();
    void setLoggedInUserSharesOnlineStatus(bool shares);
    bool lastLoggedInUserHasSetName();
    void setLoggedInUserHasSetName(bool hasSetName);
    bool lastLoggedInUserHadFriendsOnBootup();
    void setLoggedInUserHadFriendsOnBootup(bool had);

    // The newest announcement the local user has seen (distant past when none).
    platform::Date lastAnnouncementDateForLocalUser();
    // Stores the date only when it is later than the stored one.
    void setLastAnnouncementDateForLocalUser(platform::Date date);

    // ---- Poller intervals in whole seconds
    int getPollingFrequencyDefault();
    void storePollingFrequencyDefault(int seconds);
    int getPollingFrequencyInChat();
    void storePollingFrequencyInChat(int seconds);
};

} // namespace quorvel
