// Friends list: the Friends and Pending tabs with their requests and the
// pending count, editing and deleting rows, another player's list, and the
// reload after a friend was added elsewhere.
#include "../FriendsTestSupport.h"

#include "platform/ui/TableView.h"
#include "social/dashboard/friends/QVImportFriendsController.h"
#include "social/dashboard/friends/QVFriendsController.h"
#include "social/dashboard/profiles/QVProfileController.h"
#include "social/ui/QVStandardCells.h"

using namespace quorvel;
using namespace friends_testing;
using community_testing::parameter;
using platform::Ref;
using platform::ui::BarButtonItem;
using platform::ui::IndexPath;

namespace {

std::string friendsAnswer(const std::vector<std::pair<std::string, std::string>>& users)
{
    std::string rows;
    for (auto& [id, name] : users)
        rows += userXml(id, name, "<following_local_user>true</following_local_user><followed_by_local_user>true</followed_by_local_user>");
    return "<?xml version=\"1.0\"?><resources><resource_sections><resource_section><title>A</title>" + rows
        + "</resource_section></resource_sections></resources>";
}

class FriendsListTest : public FriendsTest {
protected:
    QVFriendsController* openFriends(QVUser* of)
    {
        openStack();
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("Friends");
        list = loaded;
        static_cast<QVFramedNavigationController*>(navigation.get())->pushViewController(loaded.get(), false, of);
        settle(1);
        return dynamic_cast<QVFriendsController*>(loaded.get());
    }
    void answer(const std::string& xml)
    {
        ASSERT_TRUE(provider->answerWithXml(xml));
        settle(1);
    }
    void observe()
    {
        platform::NotificationCenter::defaultCenter().addObserver(
            this, "QVNSNotificationRemoveFriend", [this](const platform::Notification&) { ++removed; });
    }
    void TearDown() override
    {
        platform::NotificationCenter::defaultCenter().removeObserver(this);
        list = nullptr;
        FriendsTest::TearDown();
    }
    BarButtonItem* rightButton() { return list->navigationItem()->rightBarButtonItem(); }
    std::optional<BarButtonItem::SystemItem> rightItem()
    {
        return rightButton() ? rightButton()->systemItem() : std::nullopt;
    }

    Ref<platform::ui::ViewController> list;
    int removed { 0 };
};

TEST_F(FriendsListTest, LocalPlayerSeesBothTabsAndThePendingCount)
{
    QuorvelInternal::options().setPendingFriendsCount(4);
    auto* friends = openFriends(localPlayer.get());
    ASSERT_TRUE(friends);
    EXPECT_EQ(friends->title(), "Quorvel Friends");
    auto requests = requestsTo("users.xml");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(parameter(requests[0], "full_alphabetical_list"), "1");
    EXPECT_EQ(parameter(requests[0], "user_id"), "17");
    answer(friendsAnswer({ { "18", "Bo" }, { "19", "Cy" } }));
    EXPECT_EQ(friends->friendCount(), 2);
    EXPECT_EQ(rightItem(), BarButtonItem::SystemItem::Add);
    ASSERT_TRUE(friends->friendsHeader());
    EXPECT_EQ(friends->friendsHeader()->tabBar()->selectedTab()->name(), "Friends");
    auto* row = dynamic_cast<QVUserCell*>(rowCell(friends, 0));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->nameLabel()->text(), "Bo");

    // Pending: paged followers the player does not follow; its total becomes the count.
    friends->onFollowersSelected();
    settle(1);
    requests = requestsTo("users.xml");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(parameter(requests[1], "scope"), "followers");
    EXPECT_EQ(parameter(requests[1], "im-not-following"), "1");
    EXPECT_EQ(parameter(requests[1], "page"), "1");
    answer(pageXml(2, userXml("20", "Di") + userXml("21", "Ed")));
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 2);
    EXPECT_EQ(rightItem(), BarButtonItem::SystemItem::Edit);
    ASSERT_TRUE(friends->friendsHeader());
    EXPECT_EQ(friends->friendsHeader()->tabBar()->selectedTab()->name(), "Pending");
    friends->_toggleEditing();
    EXPECT_TRUE(friends->isEditing());
    EXPECT_EQ(rightItem(), BarButtonItem::SystemItem::Done);

    // An empty Pending page removes the edit button.
    friends->onFollowersSelected();
    settle(1);
    answer(pageXml(0, ""));
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 0);
    EXPECT_FALSE(rightButton());
}

TEST_F(FriendsListTest, DeletingRowsKeepsTheCountAndSwitchesBackToFriends)
{
    observe();
    auto* friends = openFriends(localPlayer.get());
    ASSERT_TRUE(friends);
    answer(friendsAnswer({ { "18", "Bo" } }));
    // Stop following a friend who follows back: one more pending request.
    friends->tableViewCommitEditingStyle(friends->tableView(), platform::ui::CellEditingStyle::Delete, IndexPath::forRow(0, 0));
    settle(1);
    auto removal = requestsTo("users/18/following.xml");
    ASSERT_EQ(removal.size(), 1u);
    EXPECT_EQ(removal[0].method, "DELETE");
    answer(dashboard_testing::fixture("ok.xml"));
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 1);
    EXPECT_EQ(removed, 1);
    answer(friendsAnswer({}));
    EXPECT_EQ(friends->friendCount(), 0);

    // The last pending request refused while there are no friends: back to the Friends tab.
    friends->onFollowersSelected();
    settle(1);
    answer(pageXml(1, userXml("18", "Bo", "<following_local_user>true</following_local_user>")));
    friends->_toggleEditing();
    friends->tableViewCommitEditingStyle(friends->tableView(), platform::ui::CellEditingStyle::Delete, IndexPath::forRow(0, 0));
    settle(1);
    removal = requestsTo("users/18/following.xml");
    ASSERT_EQ(removal.size(), 2u);
    EXPECT_EQ(parameter(removal[1], "follower"), "yes");
    answer(dashboard_testing::fixture("ok.xml"));
    EXPECT_EQ(friends->curTabType(), 0);
    EXPECT_FALSE(friends->isEditing());
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 0);
    EXPECT_EQ(parameter(requestsTo("users.xml").back(), "full_alphabetical_list"), "1");
}

TEST_F(FriendsListTest, PendingCountNeverGoesBelowZero)
{
    auto* friends = openFriends(localPlayer.get());
    ASSERT_TRUE(friends);
    answer(friendsAnswer({ { "18", "Bo" } }));
    friends->onFollowersSelected();
    settle(1);
    answer(pageXml(1, userXml("20", "Di")));
    // The count was cleared elsewhere before the refusal came back.
    friends->tableViewCommitEditingStyle(friends->tableView(), platform::ui::CellEditingStyle::Delete, IndexPath::forRow(0, 0));
    settle(1);
    QuorvelInternal::options().setPendingFriendsCount(0);
    answer(dashboard_testing::fixture("ok.xml"));
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 0);
}

TEST_F(FriendsListTest, NoFriendsYetInvitesToImportOnTheListsOwnStack)
{
    QuorvelInternal::options().setPendingFriendsCount(3);
    auto* friends = openFriends(localPlayer.get());
    ASSERT_TRUE(friends);
    answer(friendsAnswer({}));
    ASSERT_TRUE(friends->friendsHeader());
    auto pendingBadge = [&] {
        for (auto& item : friends->friendsHeader()->tabBar()->items())
            if (item->name() == "Pending")
                return item->badgeView() ? item->badgeView()->value() : -1;
        return -2;
    };
    EXPECT_EQ(pendingBadge(), 3);
    QuorvelInternal::options().setPendingFriendsCount(5);
    EXPECT_EQ(pendingBadge(), 5);
    auto empty = friends->getNoDataFoundViewController();
    auto* import = dynamic_cast<QVImportFriendsController*>(empty.get());
    ASSERT_TRUE(import);
    EXPECT_EQ(import->importer()->controller(), friends);
    EXPECT_TRUE(friends->shouldAlwaysRefreshWhenShown());
}

TEST_F(FriendsListTest, AnotherPlayersListHasNoTabsNoButtonsAndItsOwnMessage)
{
    auto* friends = openFriends(user("18", "Bo").get());
    ASSERT_TRUE(friends);
    EXPECT_EQ(friends->title(), "Friends");
    EXPECT_EQ(parameter(requestsTo("users.xml")[0], "user_id"), "18");
    answer(friendsAnswer({}));
    EXPECT_FALSE(friends->friendsHeader());
    EXPECT_FALSE(rightButton());
    EXPECT_FALSE(friends->allowEditing());
    EXPECT_EQ(friends->getNoDataFoundMessage(), "This user has not added any Quorvel friends yet.");
}

TEST_F(FriendsListTest, AFriendAddedElsewhereReloadsOnlyWhenShownAgain)
{
    auto* friends = openFriends(localPlayer.get());
    ASSERT_TRUE(friends);
    answer(friendsAnswer({ { "18", "Bo" } }));
    const size_t before = requestsTo("users.xml").size();
    QuorvelInternal::notifications().postAddFriend(user("19", "Cy").get());
    settle(1);
    EXPECT_EQ(requestsTo("users.xml").size(), before);
    EXPECT_EQ(friends->friendCount(), 2);
    EXPECT_TRUE(friends->refreshOnNextDidAppear());

    // A tap opens the profile; coming back reloads the list once, still the player's own.
    ASSERT_TRUE(tapRow(friends, 0));
    ASSERT_TRUE(top<QVProfileController>());
    answer("<?xml version=\"1.0\"?><resources/>");
    navigation->popViewControllerAnimated(true);
    settle(1);
    EXPECT_EQ(requestsTo("users.xml").size(), before + 1);
    EXPECT_FALSE(friends->refreshOnNextDidAppear());
    EXPECT_EQ(friends->title(), "Quorvel Friends");
}

TEST_F(FriendsListTest, FriendsListRendersItsRows)
{
    auto* friends = openFriends(localPlayer.get());
    ASSERT_TRUE(friends);
    answer(friendsAnswer({ { "18", "Bo" }, { "19", "Cy" } }));
    settle(1);
    auto image = render("friends");
    ASSERT_TRUE(image);
    auto* row = dynamic_cast<QVUserCell*>(rowCell(friends, 1));
    ASSERT_TRUE(row);
    // Dark name text on the light row.
    auto labelOrigin = row->nameLabel()->convertPointTo(platform::Point(0, 0), nullptr);
    auto rowOrigin = row->convertPointTo(platform::Point(0, 0), nullptr);
    EXPECT_GT(labelOrigin.y, 0);
    int dark = 0;
    for (int x = 0; x < 30; ++x)
        for (int y = 2; y < 20; ++y)
            dark += screen_testing::near(screen_testing::pixelAt(*image, int(labelOrigin.x) + x, int(labelOrigin.y) + y), 0, 0, 0, 60);
    EXPECT_GT(dark, 10);
    auto background = screen_testing::pixelAt(*image, int(rowOrigin.x) + 150, int(rowOrigin.y) + 46);
    EXPECT_GT(background.r, 180);

    // The relationship line and the presence icon sit in the row, clear of the
    // name, the score and the online label; the line waits hidden until a list uses it.
    auto* description = row->relationshipDescription();
    auto* presence = row->presenceIcon();
    ASSERT_TRUE(description);
    ASSERT_TRUE(presence);
    EXPECT_TRUE(description->isHidden());
    const platform::Rect content = row->contentView()->bounds();
    for (platform::ui::View* outlet : { static_cast<platform::ui::View*>(description), static_cast<platform::ui::View*>(presence) }) {
        EXPECT_EQ(outlet->superview(), row->contentView());
        const platform::Rect f = outlet->frame();
        EXPECT_TRUE(f.minX() >= 0 && f.maxX() <= content.maxX() && f.minY() >= 0 && f.maxY() <= content.maxY());
        EXPECT_FALSE(f.intersects(row->gamerScoreLabel()->frame()));
    }
    // (Both share the last-played line's place, which the name takes when the
    // row has no game to name.)
    EXPECT_FALSE(presence->frame().intersects(row->onlineLabel()->frame()));
    // A name that fills its label still leaves a gap before the points.
    EXPECT_GE(row->quorvelScoreIconImageView()->frame().minX() - row->nameLabel()->frame().maxX(), 6);
}

} // namespace
