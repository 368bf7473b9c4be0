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
    EXPECT_FALSE(QuorvelInternal::options().hasUserSetQuorvelAccess());
    EXPECT_FALSE(QuorvelInternal::options().hasUserApprovedQuorvel());
    EXPECT_TRUE(QuorvelInternal::options().shouldAutomaticallyPromptLogin());
    EXPECT_TRUE(QuorvelInternal::options().loggedInUserHasChatEnabled());
    EXPECT_EQ(QuorvelInternal::options().getPollingFrequencyDefault(), 30);
    EXPECT_EQ(QuorvelInternal::options().getPollingFrequencyInChat(), 3);
    EXPECT_FALSE(QuorvelInternal::options().isDisabled());
    EXPECT_FALSE(QuorvelInternal::options().doneWithGetTheMost());
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::Undecided);
    EXPECT_TRUE(QuorvelInternal::options().suggestionsForumId().isNil());
    EXPECT_EQ(QuorvelInternal::options().unreadInboxTotal(), 0);
    EXPECT_EQ(QuorvelInternal::options().clientApplicationId(), "");
    // A missing number-boolean reads NO without being stored.
    EXPECT_FALSE(QuorvelInternal::options().loggedInUserIsNewUser());
    EXPECT_FALSE(platform::UserDefaults::standardUserDefaults().persistentDomain().contains(
        "QuorvelSettingsLastLoggedInUserIsNewUser"));
    // Nothing was approved: the start-up's bootstrap was dropped, not sent.
    EXPECT_FALSE(QuorvelInternal::login().isBootstrapInProgress());
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty());
}

TEST_F(QuorvelUserOptionsTest, OptionsSurviveARestart)
{
    startClient();
    QuorvelInternal::options().setUserDeniedQuorvel();
    QuorvelInternal::options().setDontAutomaticallyPromptLogin();
    QuorvelInternal::options().setDisabled(true);
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    QuorvelInternal::options().setSynchWithGameCenterAchievements(true);
    QuorvelInternal::options().setLoggedInUserHasChatEnabled(false);
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::LocationShared);
    QuorvelInternal::options().setSuggestionsForumId("31");
    QuorvelInternal::options().setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(1, 2, 3);
    QuorvelInternal::options().setClientApplicationId("app-9");
    QuorvelInternal::options().setInitialDashboardScreen("Leaderboards");
    QuorvelInternal::options().setLoggedInUserIsNewUser(true);
    QuorvelInternal::options().setLoggedInUserHadFriendsOnBootup(true);
    QuorvelInternal::options().storePollingFrequencyDefault(45);
    Quorvel::shutdown();

    reloadUserDefaults();
    startClient();
    EXPECT_TRUE(QuorvelInternal::options().hasUserSetQuorvelAccess());
    EXPECT_FALSE(QuorvelInternal::options().hasUserApprovedQuorvel());
    EXPECT_FALSE(QuorvelInternal::options().shouldAutomaticallyPromptLogin());
    EXPECT_TRUE(QuorvelInternal::options().isDisabled());
    EXPECT_TRUE(QuorvelInternal::options().doneWithGetTheMost());
    EXPECT_TRUE(QuorvelInternal::options().isSynchedWithGameCenterAchievements());
    EXPECT_FALSE(QuorvelInternal::options().isSynchedWithGameCenterLeaderboards());
    EXPECT_FALSE(QuorvelInternal::options().loggedInUserHasChatEnabled());
    EXPECT_FALSE(QuorvelInternal::session().allowUserGeneratedContent()); // chat switched off gates it
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::LocationShared);
    EXPECT_EQ(QuorvelInternal::options().suggestionsForumId().asString(), "31");
    EXPECT_EQ(QuorvelInternal::options().unreadInboxTotal(), 6);
    EXPECT_EQ(QuorvelInternal::options().clientApplicationId(), "app-9");
    EXPECT_EQ(QuorvelInternal::options().initialDashboardScreen(), "Leaderboards");
    EXPECT_TRUE(QuorvelInternal::options().loggedInUserIsNewUser());
    EXPECT_TRUE(QuorvelInternal::options().lastLoggedInUserHadFriendsOnBootup());
    EXPECT_FALSE(QuorvelInternal::options().lastLoggedInUserHasSetName());
    EXPECT_EQ(QuorvelInternal::options().getPollingFrequencyDefault(), 45);
    // Approval removed: never asked again.
    QuorvelInternal::options().resetHasUserSetQuorvelAccess();
    EXPECT_FALSE(QuorvelInternal::options().hasUserSetQuorvelAccess());
}

TEST_F(QuorvelUserOptionsTest, CountSettersStoreFirstThenPostInOrder)
{
    QuorvelInternal::options().setUnreadPostCount(1);
    QuorvelInternal::options().setUnreadInviteCount(2);
    NotificationRecorder recorder({ Quorvel::kUnreadInboxCountChanged, Quorvel::kUnreadIMCountChanged,
                                    Quorvel::kUnreadPostCountChanged, Quorvel::kUnreadInviteCountChanged,
                                    Quorvel::kPendingFriendCountChanged, Quorvel::kUnviewedChallengeCountChanged });
    QuorvelInternal::options().setUnreadIMCount(3);
    ASSERT_EQ(recorder.names(), (std::vector<std::string> { Quorvel::kUnreadInboxCountChanged,
                                                            Quorvel::kUnreadIMCountChanged }));
    EXPECT_EQ(countIn(recorder.posted[0], Quorvel::kInfoUnreadInboxCount), 6);
    EXPECT_EQ(countIn(recorder.posted[1], Quorvel::kInfoUnreadIMCount), 3);
    EXPECT_FALSE(recorder.posted[0].hadSender);

    recorder.posted.clear();
    QuorvelInternal::options().setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(4, 5, 6);
    ASSERT_EQ(recorder.names(),
              (std::vector<std::string> { Quorvel::kUnreadInboxCountChanged, Quorvel::kUnreadIMCountChanged,
                                          Quorvel::kUnreadPostCountChanged, Quorvel::kUnreadInviteCountChanged }));
    EXPECT_EQ(countIn(recorder.posted[0], Quorvel::kInfoUnreadInboxCount), 15);
    EXPECT_EQ(countIn(recorder.posted[2], Quorvel::kInfoUnreadPostCount), 5);
    EXPECT_EQ(countIn(recorder.posted[3], Quorvel::kInfoUnreadInviteCount), 6);

    recorder.posted.clear();
    QuorvelInternal::options().setPendingFriendsCount(7);
    QuorvelInternal::options().setUnviewedChallengesCount(8);
    ASSERT_EQ(recorder.names(), (std::vector<std::string> { Quorvel::kPendingFriendCountChanged,
                                                            Quorvel::kUnviewedChallengeCountChanged }));
    EXPECT_EQ(countIn(recorder.posted[0], Quorvel::kInfoPendingFriendCount), 7);
    EXPECT_EQ(countIn(recorder.posted[1], Quorvel::kInfoUnviewedChallengeCount), 8);
    EXPECT_EQ(QuorvelInternal::options().unviewedChallengesCount(), 8);
}

TEST_F(QuorvelUserOptionsTest, PostersCarryTheirUserInfo)
{
    NotificationRecorder recorder({ Quorvel::kDashboardOrientationChanged, Quorvel::kUserChanged,
                                    Quorvel::kFriendPresenceChanged, Quorvel::kUserOnline, Quorvel::kAddFriend });
    QuorvelInternal::notifications().postDashboardOrientationChangedTo(3, 1);
    auto previous = platform::Boxed::box("previous");
    auto current = platform::Boxed::box("current");
    QuorvelInternal::notifications().postUserChangedNotificationFromUser(previous.get(), current.get());
    platform::LogCapture log;
    QuorvelInternal::notifications().postFriendPresenceChanged(current.get(), "online");
    QuorvelInternal::notifications().postUserOnline();
    QuorvelInternal::notifications().postAddFriend(current.get());

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
    platform::Date distantPast = QuorvelInternal::options().lastAnnouncementDateForLocalUser();
    EXPECT_LT(distantPast.seconds, -6.2e10);
    std::string key = "QuorvelLastAnnouncementDate_UserID" + Quorvel::lastLoggedInUserId();
    EXPECT_TRUE(platform::UserDefaults::standardUserDefaults().persistentDomain().contains(key));

    QuorvelInternal::options().setLastAnnouncementDateForLocalUser(platform::Date { 2000 });
    EXPECT_EQ(QuorvelInternal::options().lastAnnouncementDateForLocalUser().seconds, 2000);
    QuorvelInternal::options().setLastAnnouncementDateForLocalUser(platform::Date { 1000 });
    EXPECT_EQ(QuorvelInternal::options().lastAnnouncementDateForLocalUser().seconds, 2000);
    QuorvelInternal::options().setLastAnnouncementDateForLocalUser(platform::Date { 3000 });
    EXPECT_EQ(QuorvelInternal::options().lastAnnouncementDateForLocalUser().seconds, 3000);
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
    EXPECT_EQ(QuorvelInternal::records().localUser(), nullptr); // no instance yet
    startClient();
    auto local = QuorvelInternal::records().localUser();
    ASSERT_TRUE(local);
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "0");
    EXPECT_EQ(Quorvel::lastLoggedInUserName(), "Not Logged In");
    EXPECT_FALSE(QuorvelInternal::records().lastLoggedInUserUsesFacebookProfilePicture());
    EXPECT_EQ(QuorvelInternal::records().localUser().get(), local.get()); // cached
}

TEST_F(QuorvelLocalUserTest, SetLocalUserPostsTheChangeAndSurvivesARestart)
{
    startClient();
    auto invalid = QuorvelInternal::records().localUser();
    NotificationRecorder recorder({ Quorvel::kUserChanged });
    auto player = user("42", "Player");
    QuorvelInternal::records().setLocalUser(player.get());
    ASSERT_EQ(recorder.posted.size(), 1u);
    EXPECT_EQ(recorder.posted[0].userObjects[0].second.get(), invalid.get());
    EXPECT_EQ(recorder.posted[0].userObjects[1].second.get(), player.get());
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "42");

    QuorvelInternal::records().loggedInUserChangedNameTo("Renamed");
    EXPECT_TRUE(QuorvelInternal::options().lastLoggedInUserHasSetName());
    EXPECT_EQ(recorder.posted.size(), 2u);
    Quorvel::shutdown();

    reloadUserDefaults();
    startClient();
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "42");
    EXPECT_EQ(Quorvel::lastLoggedInUserName(), "Renamed");
}

TEST_F(QuorvelLocalUserTest, CorruptArchiveReadsAsNoUser)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    auto archive = user("42", "Player")->archivedData();
    archive.resize(archive.size() / 2);
    platform::UserDefaults::standardUserDefaults().setObject("QuorvelUserOptionLocalUser", archive);
    platform::UserDefaults::standardUserDefaults().synchronize();
    reloadUserDefaults();

    platform::LogCapture log;
    startClient();
    EXPECT_EQ(QuorvelInternal::records().localUser(), nullptr);
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "");
    // One warning besides the test bundle's missing client images.
    size_t warnings = 0;
    for (auto& line : log.lines())
        warnings += line.level == platform::LogLevel::Warning && line.text.find("client's") == std::string::npos;
    EXPECT_EQ(warnings, 1u);
    EXPECT_TRUE(log.contains("the stored local user cannot be read"));
    // The start-up's bootstrap then asks for the device's account.
    ASSERT_TRUE(waitForBootstrapRequests());
    EXPECT_FALSE(requestsTo("bootstrap.xml")[0].hasParam("user_id"));

    // Not even an archive: a text under the key.
    platform::UserDefaults::standardUserDefaults().setObject("QuorvelUserOptionLocalUser", "garbage");
    Quorvel::shutdown();
    reloadUserDefaults();
    startClient();
    EXPECT_EQ(QuorvelInternal::records().localUser(), nullptr);
    // Storing a user again repairs it.
    QuorvelInternal::records().setLocalUser(user("7", "Again").get());
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "7");
}

TEST_F(QuorvelLocalUserTest, AnnouncementDateIsKeptPerUser)
{
    startClient();
    QuorvelInternal::records().setLocalUser(user("1", "One").get());
    QuorvelInternal::options().setLastAnnouncementDateForLocalUser(platform::Date { 5000 });
    QuorvelInternal::records().setLocalUser(user("2", "Two").get());
    EXPECT_LT(QuorvelInternal::options().lastAnnouncementDateForLocalUser().seconds, 0);
    QuorvelInternal::records().setLocalUser(user("1", "One").get());
    EXPECT_EQ(QuorvelInternal::options().lastAnnouncementDateForLocalUser().seconds, 5000);
    EXPECT_TRUE(platform::UserDefaults::standardUserDefaults().persistentDomain().contains(
        "QuorvelLastAnnouncementDate_UserID1"));
}

} // namespace
