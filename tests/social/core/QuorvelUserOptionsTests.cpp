// User options in the user defaults: registered defaults on a fresh home,
// values that survive a restart, the notifications the count setters post
// and the per-user announcement date.
#include "QuorvelTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "social/services/QVUser.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace core_testing;
using platform::Value;

namespace {

class QuorvelUserOptionsTest : public QuorvelTest { };

int countIn(const NotificationRecorder::Posted& p, const char* key)
{
    return static_cast<int>(p.userInfo[key].asInteger(-1));
}

TEST_F(QuorvelUserOptionsTest, FreshHomeReadsTheRegisteredDefaults)
{
    startClient();
    EXPECT_FALSE(Quorvel::hasUserSetQuorvelAccess());
    EXPECT_FALSE(Quorvel::_hasUserApprovedQuorvel());
    EXPECT_TRUE(Quorvel::shouldAutomaticallyPromptLogin());
    EXPECT_TRUE(Quorvel::loggedInUserHasChatEnabled());
    EXPECT_EQ(Quorvel::getPollingFrequencyDefault(), 30);
    EXPECT_EQ(Quorvel::getPollingFrequencyInChat(), 3);
    EXPECT_FALSE(Quorvel::isDisabled());
    EXPECT_FALSE(Quorvel::doneWithGetTheMost());
    EXPECT_EQ(Quorvel::userDistanceUnit(), 0);
    EXPECT_TRUE(Quorvel::suggestionsForumId().isNil());
    EXPECT_EQ(Quorvel::unreadInboxTotal(), 0);
    EXPECT_EQ(Quorvel::clientApplicationId(), "");
    // A missing number-boolean reads NO without being stored.
    EXPECT_FALSE(Quorvel::loggedInUserIsNewUser());
    EXPECT_FALSE(platform::UserDefaults::standardUserDefaults().persistentDomain().contains(
        "QuorvelSettingsLastLoggedInUserIsNewUser"));
    // Nothing was approved: the start-up's bootstrap was dropped, not sent.
    EXPECT_FALSE(Quorvel::isBootstrapInProgress());
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty());
}

TEST_F(QuorvelUserOptionsTest, OptionsSurviveARestart)
{
    startClient();
    Quorvel::setUserDeniedQuorvel();
    Quorvel::setDontAutomaticallyPromptLogin();
    Quorvel::setDisabled(true);
    Quorvel::setDoneWithGetTheMost(true);
    Quorvel::setSynchWithGameCenterAchievements(true);
    Quorvel::setLoggedInUserHasChatEnabled(false);
    Quorvel::setUserDistanceUnit(2);
    Quorvel::setSuggestionsForumId("31");
    Quorvel::setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(1, 2, 3);
    Quorvel::setClientApplicationId("app-9");
    Quorvel::setInitialDashboardScreen("Leaderboards");
    Quorvel::setLoggedInUserIsNewUser(true);
    Quorvel::setLoggedInUserHadFriendsOnBootup(true);
    Quorvel::storePollingFrequencyDefault(45);
    Quorvel::shutdown();

    reloadUserDefaults();
    startClient();
    EXPECT_TRUE(Quorvel::hasUserSetQuorvelAccess());
    EXPECT_FALSE(Quorvel::_hasUserApprovedQuorvel());
    EXPECT_FALSE(Quorvel::shouldAutomaticallyPromptLogin());
    EXPECT_TRUE(Quorvel::isDisabled());
    EXPECT_TRUE(Quorvel::doneWithGetTheMost());
    EXPECT_TRUE(Quorvel::isSynchedWithGameCenterAchievements());
    EXPECT_FALSE(Quorvel::isSynchedWithGameCenterLeaderboards());
    EXPECT_FALSE(Quorvel::loggedInUserHasChatEnabled());
    EXPECT_FALSE(Quorvel::allowUserGeneratedContent()); // chat switched off gates it
    EXPECT_EQ(Quorvel::userDistanceUnit(), 2);
    EXPECT_EQ(Quorvel::suggestionsForumId().asString(), "31");
    EXPECT_EQ(Quorvel::unreadInboxTotal(), 6);
    EXPECT_EQ(Quorvel::clientApplicationId(), "app-9");
    EXPECT_EQ(Quorvel::initialDashboardScreen(), "Leaderboards");
    EXPECT_TRUE(Quorvel::loggedInUserIsNewUser());
    EXPECT_TRUE(Quorvel::lastLoggedInUserHadFriendsOnBootup());
    EXPECT_FALSE(Quorvel::lastLoggedInUserHasSetName());
    EXPECT_EQ(Quorvel::getPollingFrequencyDefault(), 45);
    // Approval removed: never asked again.
    Quorvel::_resetHasUserSetQuorvelAccess();
    EXPECT_FALSE(Quorvel::hasUserSetQuorvelAccess());
}

TEST_F(QuorvelUserOptionsTest, CountSettersStoreFirstThenPostInOrder)
{
    Quorvel::setUnreadPostCount(1);
    Quorvel::setUnreadInviteCount(2);
    NotificationRecorder recorder({ Quorvel::kUnreadInboxCountChanged, Quorvel::kUnreadIMCountChanged,
                                    Quorvel::kUnreadPostCountChanged, Quorvel::kUnreadInviteCountChanged,
                                    Quorvel::kPendingFriendCountChanged, Quorvel::kUnviewedChallengeCountChanged });
    Quorvel::setUnreadIMCount(3);
    ASSERT_EQ(recorder.names(), (std::vector<std::string> { Quorvel::kUnreadInboxCountChanged,
                                                            Quorvel::kUnreadIMCountChanged }));
    EXPECT_EQ(countIn(recorder.posted[0], Quorvel::kInfoUnreadInboxCount), 6);
    EXPECT_EQ(countIn(recorder.posted[1], Quorvel::kInfoUnreadIMCount), 3);
    EXPECT_FALSE(recorder.posted[0].hadSender);

    recorder.posted.clear();
    Quorvel::setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(4, 5, 6);
    ASSERT_EQ(recorder.names(),
              (std::vector<std::string> { Quorvel::kUnreadInboxCountChanged, Quorvel::kUnreadIMCountChanged,
                                          Quorvel::kUnreadPostCountChanged, Quorvel::kUnreadInviteCountChanged }));
    EXPECT_EQ(countIn(recorder.posted[0], Quorvel::kInfoUnreadInboxCount), 15);
    EXPECT_EQ(countIn(recorder.posted[2], Quorvel::kInfoUnreadPostCount), 5);
    EXPECT_EQ(countIn(recorder.posted[3], Quorvel::kInfoUnreadInviteCount), 6);

    recorder.posted.clear();
    Quorvel::setPendingFriendsCount(7);
    Quorvel::setUnviewedChallengesCount(8);
    ASSERT_EQ(recorder.names(), (std::vector<std::string> { Quorvel::kPendingFriendCountChanged,
                                                            Quorvel::kUnviewedChallengeCountChanged }));
    EXPECT_EQ(countIn(recorder.posted[0], Quorvel::kInfoPendingFriendCount), 7);
    EXPECT_EQ(countIn(recorder.posted[1], Quorvel::kInfoUnviewedChallengeCount), 8);
    EXPECT_EQ(Quorvel::unviewedChallengesCount(), 8);
}

TEST_F(QuorvelUserOptionsTest, PostersCarryTheirUserInfo)
{
    NotificationRecorder recorder({ Quorvel::kDashboardOrientationChanged, Quorvel::kUserChanged,
                                    Quorvel::kFriendPresenceChanged, Quorvel::kUserOnline, Quorvel::kAddFriend });
    Quorvel::postDashboardOrientationChangedTo(3, 1);
    auto previous = platform::Boxed::box("previous");
    auto current = platform::Boxed::box("current");
    Quorvel::postUserChangedNotificationFromUser(previous.get(), current.get());
    platform::LogCapture log;
    Quorvel::postFriendPresenceChanged(current.get(), "online");
    Quorvel::postUserOnline();
    Quorvel::postAddFriend(current.get());

    ASSERT_EQ(recorder.posted.size(), 5u);
    EXPECT_EQ(recorder.posted[0].userInfo[Quorvel::kInfoNewOrientation].asInt(), 3);
    EXPECT_EQ(recorder.posted[0].userInfo[Quorvel::kInfoOldOrientation].asInt(), 1);
    ASSERT_EQ(recorder.posted[1].userObjects.size(), 2u);
    EXPECT_EQ(recorder.posted[1].userObjects[0].first, Quorvel::kInfoPreviousUser);
    EXPECT_EQ(recorder.posted[1].userObjects[0].second.get(), previous.get());
    EXPECT_EQ(recorder.posted[1].userObjects[1].second.get(), current.get());
    EXPECT_EQ(recorder.posted[2].userInfo["presence"].asString(), "online");
    EXPECT_TRUE(log.contains("User: current, Presence: online"));
    EXPECT_TRUE(recorder.posted[3].userInfo.isNil());
    EXPECT_EQ(recorder.posted[4].userObjects[0].first, Quorvel::kInfoFriend);
}

TEST_F(QuorvelUserOptionsTest, AnnouncementDateOnlyMovesForward)
{
    startClient();
    platform::Date distantPast = Quorvel::lastAnnouncementDateForLocalUser();
    EXPECT_LT(distantPast.seconds, -6.2e10);
    std::string key = "QuorvelLastAnnouncementDate_UserID" + Quorvel::lastLoggedInUserId();
    EXPECT_TRUE(platform::UserDefaults::standardUserDefaults().persistentDomain().contains(key));

    Quorvel::setLastAnnouncementDateForLocalUser(platform::Date { 2000 });
    EXPECT_EQ(Quorvel::lastAnnouncementDateForLocalUser().seconds, 2000);
    Quorvel::setLastAnnouncementDateForLocalUser(platform::Date { 1000 });
    EXPECT_EQ(Quorvel::lastAnnouncementDateForLocalUser().seconds, 2000);
    Quorvel::setLastAnnouncementDateForLocalUser(platform::Date { 3000 });
    EXPECT_EQ(Quorvel::lastAnnouncementDateForLocalUser().seconds, 3000);
}

} // namespace

namespace {

class QuorvelLocalUserTest : public QuorvelTest {
protected:
    static platform::Ref<QVUser> user(const std::string& id, const std::string& name)
    {
        auto u = QVUser::create();
        u->initWithId(id);
        u->setName(name);
        return u;
    }
};

TEST_F(QuorvelLocalUserTest, FirstLaunchHasTheInvalidUser)
{
    EXPECT_EQ(Quorvel::localUser(), nullptr); // no instance yet
    startClient();
    auto local = Quorvel::localUser();
    ASSERT_TRUE(local);
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "0");
    EXPECT_EQ(Quorvel::lastLoggedInUserName(), "Not Logged In");
    EXPECT_FALSE(Quorvel::lastLoggedInUserUsesFacebookProfilePicture());
    EXPECT_EQ(Quorvel::localUser().get(), local.get()); // cached
}

TEST_F(QuorvelLocalUserTest, SetLocalUserPostsTheChangeAndSurvivesARestart)
{
    startClient();
    auto invalid = Quorvel::localUser();
    NotificationRecorder recorder({ Quorvel::kUserChanged });
    auto player = user("42", "Player");
    Quorvel::setLocalUser(player.get());
    ASSERT_EQ(recorder.posted.size(), 1u);
    EXPECT_EQ(recorder.posted[0].userObjects[0].second.get(), invalid.get());
    EXPECT_EQ(recorder.posted[0].userObjects[1].second.get(), player.get());
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "42");

    Quorvel::loggedInUserChangedNameTo("Renamed");
    EXPECT_TRUE(Quorvel::lastLoggedInUserHasSetName());
    EXPECT_EQ(recorder.posted.size(), 2u);
    Quorvel::shutdown();

    reloadUserDefaults();
    startClient();
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "42");
    EXPECT_EQ(Quorvel::lastLoggedInUserName(), "Renamed");
}

TEST_F(QuorvelLocalUserTest, CorruptArchiveReadsAsNoUser)
{
    Quorvel::setUserApprovedQuorvel();
    auto archive = user("42", "Player")->archivedData();
    archive.resize(archive.size() / 2);
    platform::UserDefaults::standardUserDefaults().setObject("QuorvelUserOptionLocalUser", archive);
    platform::UserDefaults::standardUserDefaults().synchronize();
    reloadUserDefaults();

    platform::LogCapture log;
    startClient();
    EXPECT_EQ(Quorvel::localUser(), nullptr);
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "");
    EXPECT_EQ(log.count(platform::LogLevel::Warning), 1u);
    EXPECT_TRUE(log.contains("the stored local user cannot be read"));
    // The start-up's bootstrap then asks for the device's account.
    ASSERT_TRUE(waitForBootstrapRequests());
    EXPECT_FALSE(requestsTo("bootstrap.xml")[0].hasParam("user_id"));

    // Not even an archive: a text under the key.
    platform::UserDefaults::standardUserDefaults().setObject("QuorvelUserOptionLocalUser", "garbage");
    Quorvel::shutdown();
    reloadUserDefaults();
    startClient();
    EXPECT_EQ(Quorvel::localUser(), nullptr);
    // Storing a user again repairs it.
    Quorvel::setLocalUser(user("7", "Again").get());
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "7");
}

TEST_F(QuorvelLocalUserTest, AnnouncementDateIsKeptPerUser)
{
    startClient();
    Quorvel::setLocalUser(user("1", "One").get());
    Quorvel::setLastAnnouncementDateForLocalUser(platform::Date { 5000 });
    Quorvel::setLocalUser(user("2", "Two").get());
    EXPECT_LT(Quorvel::lastAnnouncementDateForLocalUser().seconds, 0);
    Quorvel::setLocalUser(user("1", "One").get());
    EXPECT_EQ(Quorvel::lastAnnouncementDateForLocalUser().seconds, 5000);
    EXPECT_TRUE(platform::UserDefaults::standardUserDefaults().persistentDomain().contains(
        "QuorvelLastAnnouncementDate_UserID1"));
}

} // namespace
