// Profile: the summary lines, the friend toggle with its requests, friend
// notifications and the pending count, instant messages, and which profiles
// are pushed.
#include "../FriendsTestSupport.h"

#include "social/dashboard/conversations/QVConversationController.h"
#include "social/dashboard/frame/QVDashboardSwitch.h"
#include "social/dashboard/profiles/QVProfileController.h"
#include "social/ui/QVStandardCells.h"

using namespace quorvel;
using namespace friends_testing;
using platform::Ref;

namespace {

std::string profileAnswer(int friends, int games)
{
    auto section = [](const std::string& id, int total) {
        return "<resource_section><title>" + id + "</title><identifier>" + id
            + "</identifier><pagination_header><current_page>1</current_page><total_pages>1</total_pages>"
              "<per_page>3</per_page><total_objects>"
            + std::to_string(total) + "</total_objects></pagination_header></resource_section>";
    };
    return "<?xml version=\"1.0\"?><resources><resource_sections>" + section("friends", friends)
        + section("games", games) + "</resource_sections></resources>";
}

class ProfileTest : public FriendsTest {
protected:
    QVProfileController* openProfile(QVUser* u, int friends, int games)
    {
        if (!navigation)
            openStack();
        QVDashboardSwitch::showProfileForUser(u);
        settle(1);
        auto* profile = top<QVProfileController>();
        if (!profile)
            return nullptr;
        auto requests = requestsTo(u->isLocalUser() ? "profiles/me/" : "profiles/" + u->resourceId() + "/");
        EXPECT_EQ(requests.size(), 1u);
        EXPECT_TRUE(provider->answerWithXml(profileAnswer(friends, games)));
        settle(1);
        return profile;
    }
    size_t notifications(const char* name)
    {
        size_t n = 0;
        for (auto& seen : posted)
            n += seen == name;
        return n;
    }
    void observe()
    {
        auto& center = platform::NotificationCenter::defaultCenter();
        for (const char* name : { Quorvel::kAddFriend, "QVNSNotificationRemoveFriend", Quorvel::kPendingFriendCountChanged })
            center.addObserver(this, name, [this, name](const platform::Notification&) { posted.push_back(name); });
    }
    void TearDown() override
    {
        platform::NotificationCenter::defaultCenter().removeObserver(this);
        FriendsTest::TearDown();
    }
    std::vector<std::string> posted;
};

TEST_F(ProfileTest, SummaryLinesForTheLocalPlayerAndOthers)
{
    auto* mine = openProfile(localPlayer.get(), 1, 0);
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->title(), "Ann's Profile");
    EXPECT_EQ(mine->friendsSubtextLabel()->text(), "You have 1 friend");
    EXPECT_EQ(mine->gamesSubtextLabel()->text(), "You have not played any games");
    EXPECT_TRUE(mine->actionPanelView()->isHidden());

    auto bo = user("18", "Bo");
    auto* theirs = openProfile(bo.get(), 0, 2);
    ASSERT_TRUE(theirs);
    EXPECT_EQ(theirs->friendsSubtextLabel()->text(), "Bo has not added any friends");
    EXPECT_EQ(theirs->gamesSubtextLabel()->text(), "Bo has played 2 games");
    EXPECT_FALSE(theirs->actionPanelView()->isHidden());
    EXPECT_EQ(theirs->toggleFriendButton()->titleForState(platform::ui::StateNormal), "Add Friend");

    // Friends line at 0: a tap pushes nothing; the games line opens the played games when that screen exists.
    const size_t depth = navigation->viewControllers().size();
    driver().tap(theirs->friendsButton());
    settle(1);
    EXPECT_EQ(navigation->viewControllers().size(), depth);
}

TEST_F(ProfileTest, TwoFriendsAndTheSameProfileIsNotPushedTwice)
{
    auto* mine = openProfile(localPlayer.get(), 2, 1);
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->friendsSubtextLabel()->text(), "You have 2 friends");
    EXPECT_EQ(mine->gamesSubtextLabel()->text(), "You have played 1 game");
    const size_t depth = navigation->viewControllers().size();
    QVDashboardSwitch::showProfileForUser(user("17", "Ann").get());
    settle(1);
    EXPECT_EQ(navigation->viewControllers().size(), depth);
    EXPECT_EQ(provider->waitingCount(), 0u);

    // A failed download keeps the lines and tries again when the page shows again.
    auto* other = openProfile(user("18", "Bo").get(), 0, 0);
    ASSERT_TRUE(other);
}

TEST_F(ProfileTest, FailedDownloadKeepsTryingOnTheNextAppearance)
{
    openStack();
    auto bo = user("18", "Bo");
    QVDashboardSwitch::showProfileForUser(bo.get());
    settle(1);
    auto* profile = top<QVProfileController>();
    ASSERT_TRUE(profile);
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    EXPECT_EQ(profile->friendsSubtextLabel()->text(), "");
    EXPECT_FALSE(profile->friendsInfo());
    profile->viewDidAppear(false);
    settle(1);
    EXPECT_EQ(requestsTo("profiles/18/").size(), 2u);
}

TEST_F(ProfileTest, TheOwnProfileOffersNoActionsWhileItLoadsNorAfterAFailedDownload)
{
    openStack();
    QVDashboardSwitch::showProfileForUser(localPlayer.get());
    settle(1);
    auto* mine = top<QVProfileController>();
    ASSERT_TRUE(mine);
    EXPECT_TRUE(mine->actionPanelView()->isHidden()) << "while the profile loads";
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    EXPECT_TRUE(mine->actionPanelView()->isHidden()) << "after a failed download";
    // No conversation with oneself, whatever reaches the action.
    mine->onInstantMessage();
    settle(1);
    EXPECT_TRUE(requestsTo("discussions.xml").empty());

    // Another player's page shows the panel from the start.
    QVDashboardSwitch::showProfileForUser(user("18", "Bo").get());
    settle(1);
    auto* theirs = top<QVProfileController>();
    ASSERT_TRUE(theirs && theirs != mine);
    EXPECT_FALSE(theirs->actionPanelView()->isHidden());
}

TEST_F(ProfileTest, FollowToggleKeepsThePendingCountAndPostsNotifications)
{
    observe();
    // Bo follows the local player and is followed back.
    auto bo = user("18", "Bo", "<following_local_user>true</following_local_user><followed_by_local_user>true</followed_by_local_user>");
    auto* profile = openProfile(bo.get(), 3, 1);
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->toggleFriendButton()->titleForState(platform::ui::StateNormal), "Remove Friend");

    driver().tap(profile->toggleFriendButton());
    settle(1);
    auto removes = requestsTo("users/18/following.xml");
    ASSERT_EQ(removes.size(), 1u);
    EXPECT_EQ(removes[0].method, "DELETE");
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("ok.xml")));
    settle(1);
    EXPECT_FALSE(bo->followedByLocalUser());
    EXPECT_EQ(profile->toggleFriendButton()->titleForState(platform::ui::StateNormal), "Add Friend");
    EXPECT_EQ(notifications("QVNSNotificationRemoveFriend"), 1u);
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 1);

    driver().tap(profile->toggleFriendButton());
    settle(1);
    auto adds = requestsTo("users/18/following.xml");
    ASSERT_EQ(adds.size(), 2u);
    EXPECT_EQ(adds[1].method, "POST");
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("ok.xml")));
    settle(1);
    EXPECT_TRUE(bo->followedByLocalUser());
    EXPECT_EQ(notifications(Quorvel::kAddFriend), 1u);
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 0);

    // Removed and added again while the count is already 0: it stays at 0.
    QuorvelInternal::options().setPendingFriendsCount(0);
    bo->setFollowedByLocalUser(false);
    driver().tap(profile->toggleFriendButton());
    settle(1);
    ASSERT_TRUE(provider->answerWithXml(dashboard_testing::fixture("ok.xml")));
    settle(1);
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 0);

    // A refused change leaves the button and the count alone.
    driver().tap(profile->toggleFriendButton());
    settle(1);
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    EXPECT_TRUE(bo->followedByLocalUser());
    EXPECT_EQ(profile->toggleFriendButton()->titleForState(platform::ui::StateNormal), "Remove Friend");
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 0);
}

TEST_F(ProfileTest, InstantMessageOpensTheConversationOrAlerts)
{
    auto bo = user("18", "Bo");
    auto* profile = openProfile(bo.get(), 0, 0);
    ASSERT_TRUE(profile);
    driver().tap(profile->instantMessageButton());
    settle(1);
    ASSERT_EQ(requestsTo("discussions.xml").size(), 1u);
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->message(), "An error occurred. Please try again later.");
    lastAlert()->dismissWithClickedButtonIndex(0, false);

    driver().tap(profile->instantMessageButton());
    settle(1);
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources><conversation><id>5</id>"
                                        "<other_user><id>18</id><name>Bo</name></other_user></conversation></resources>"));
    settle(1);
    EXPECT_TRUE(top<QVConversationController>());
}

TEST_F(ProfileTest, OnlyTheLocalPlayersPictureOpensTheChooser)
{
    auto* theirs = openProfile(user("18", "Bo").get(), 0, 0);
    ASSERT_TRUE(theirs);
    EXPECT_TRUE(theirs->bannerProfilePictureTouched());
    EXPECT_EQ(top<QVProfileController>(), theirs);
    // The local player's page is the one that leads to the chooser; taps on
    // abuse and friends do nothing there.
    auto* mine = openProfile(localPlayer.get(), 0, 0);
    ASSERT_TRUE(mine);
    EXPECT_TRUE(mine->bannerProfilePictureTouched());
    settle(1);
    ASSERT_TRUE(navigation->topViewController());
    EXPECT_EQ(std::string(navigation->topViewController()->className()), "QVSelectProfilePictureController");
    ASSERT_TRUE(provider->answerWithFailure()); // the chooser's list
    settle(1);
    mine->onFlag();
    mine->onToggleFollowing();
    settle(1);
    EXPECT_EQ(provider->waitingCount(), 0u);
}

} // namespace

namespace {

TEST_F(ProfileTest, ProfileRendersItsSummaryRowsAndActionPanel)
{
    auto* profile = openProfile(user("18", "Bo").get(), 2, 3);
    ASSERT_TRUE(profile);
    settle(1);
    auto image = render("profile");
    ASSERT_TRUE(image);
    auto origin = profile->friendsButton()->convertPointTo(platform::Point(4, 4), nullptr);
    EXPECT_TRUE(screen_testing::near(screen_testing::pixelAt(*image, int(origin.x), int(origin.y)), 46, 51, 61));
    auto panel = profile->actionPanelView()->convertPointTo(platform::Point(0, 0), nullptr);
    auto below = profile->gamesButton()->convertPointTo(platform::Point(4, 60), nullptr);
    EXPECT_GT(panel.y, below.y - 1);
}

TEST_F(ProfileTest, OnAPhoneOnItsSideTheRowsAndButtonsShareTheirLinesToFitTheShortPage)
{
    // On its side a phone shows about 150 points of the page under the banner.
    host().orientation = platform::ui::InterfaceOrientation::LandscapeRight;
    auto* profile = openProfile(user("18", "Bo").get(), 2, 3);
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->gamesButton()->frame().minY(), profile->friendsButton()->frame().minY());
    platform::ui::View* page = profile->actionPanelView()->superview();
    float bottom = 0;
    for (auto& button : profile->actionPanelView()->subviews()) {
        EXPECT_EQ(button->frame().minY(), 0) << button->dumpText();
        bottom = std::max(bottom, button->convertRectTo(button->bounds(), page).maxY());
    }
    EXPECT_LE(bottom, 150);
}

TEST_F(ProfileTest, UserRowsTellWhatTheUserPlays)
{
    auto cell = platform::dynamicRef<QVUserCell>(QVControllerLoader::loadCell("User"));
    ASSERT_TRUE(cell);
    auto online = user("18", "Bo", "<online>true</online><gamer_score>45</gamer_score><last_played_game_name>Kite</last_played_game_name>"
                                   "<followed_by_local_user>true</followed_by_local_user>");
    cell->onResourceChanged(online.get());
    EXPECT_FALSE(cell->onlineLabel()->isHidden());
    EXPECT_EQ(cell->lastPlayedGameLabel()->text(), "playing Kite");
    EXPECT_EQ(cell->gamerScoreLabel()->text(), "45");
    EXPECT_FALSE(cell->relationshipIndicator()->isHidden());

    provider->online = false;
    cell->onResourceChanged(localPlayer.get());
    EXPECT_TRUE(cell->onlineLabel()->isHidden());
    EXPECT_EQ(cell->lastPlayedGameLabel()->text(), "You are playing Brisko");
    cell->onResourceChanged(user("19", "Cy", "<last_played_game_name>Kite</last_played_game_name>").get());
    EXPECT_EQ(cell->lastPlayedGameLabel()->text(), "Last played Kite");
    EXPECT_TRUE(cell->relationshipIndicator()->isHidden());
    // A player with no game's name has no "Last played" line; the name moves to the middle and back.
    const float nameTop = cell->nameLabel()->frame().origin.y;
    cell->onResourceChanged(user("20", "Di", "").get());
    EXPECT_TRUE(cell->lastPlayedGameLabel()->isHidden());
    EXPECT_GT(cell->nameLabel()->frame().midY(), nameTop + cell->nameLabel()->frame().size.height / 2);
    cell->onResourceChanged(user("19", "Cy", "<last_played_game_name>Kite</last_played_game_name>").get());
    EXPECT_FALSE(cell->lastPlayedGameLabel()->isHidden());
    EXPECT_EQ(cell->nameLabel()->frame().origin.y, nameTop);

    cell->setEditing(true, false);
    EXPECT_EQ(cell->gamerScoreLabel()->alpha(), 0.0f);
    cell->setEditing(false, false);
    EXPECT_EQ(cell->quorvelScoreIconImageView()->alpha(), 1.0f);

    auto selectable = platform::dynamicRef<QVSelectableUserCell>(QVControllerLoader::loadCell("SelectableUser"));
    ASSERT_TRUE(selectable);
    EXPECT_FALSE(selectable->checked());
    selectable->setChecked(true);
    EXPECT_TRUE(selectable->checked());
}

TEST_F(ProfileTest, OnATabletsTallRowAUserRowsPictureNameAndPointsSitInItsMiddle)
{
    useDevice(Device::Tablet);
    auto cell = platform::dynamicRef<QVUserCell>(QVControllerLoader::loadCell("User"));
    ASSERT_TRUE(cell);
    const float middle = cell->bounds().size.height / 2;
    ASSERT_GE(middle, 30);
    auto inRow = [&](platform::ui::View* part) { return part->convertRectTo(part->bounds(), cell.get()); };
    // A friend without a game's name: the name and the points level with the picture.
    cell->onResourceChanged(user("20", "Di", "<gamer_score>45</gamer_score>").get());
    for (platform::ui::View* part : { static_cast<platform::ui::View*>(cell->profilePicture()),
                                      static_cast<platform::ui::View*>(cell->nameLabel()),
                                      static_cast<platform::ui::View*>(cell->gamerScoreLabel()),
                                      static_cast<platform::ui::View*>(cell->quorvelScoreIconImageView()) })
        EXPECT_NEAR(inRow(part).midY(), middle, 1) << part->dumpText();
    EXPECT_GE(inRow(cell->nameLabel()).minX(), inRow(cell->profilePicture()).maxX() + 7 + 5);
    // With the game's line, the name and the points stand above it, the pair in the middle.
    cell->onResourceChanged(user("19", "Cy", "<last_played_game_name>Kite</last_played_game_name>").get());
    EXPECT_NEAR((inRow(cell->nameLabel()).minY() + inRow(cell->lastPlayedGameLabel()).maxY()) / 2, middle, 3);
    EXPECT_NEAR(inRow(cell->gamerScoreLabel()).midY(), inRow(cell->nameLabel()).midY(), 1);
}

} // namespace
