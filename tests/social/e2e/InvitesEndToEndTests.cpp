// Invitations as the player makes and receives them: a friend and an
// address-book contact invited through the invitation screens and kept by
// the service, and an invitation from another player read in the inbox and
// ignored, which the service keeps as ignored.
#include "CommunityEndToEndSupport.h"

#include "platform/ui/PeoplePicker.h"
#include "platform/ui/TableView.h"
#include "social/core/QuorvelInternal.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quorvel;
using namespace e2e_testing;
using standin::StandInState;
using platform::ui::AddressBook;
using platform::ui::PeoplePickerNavigationController;
using platform::ui::PersonProperty;

namespace {

class InvitesEndToEnd : public CommunityEndToEndTest {
protected:
    void TearDown() override
    {
        AddressBook::shared().removeAll();
        CommunityEndToEndTest::TearDown();
    }
    // The address book's picker, once the dashboard presents it.
    PeoplePickerNavigationController* shownPicker()
    {
        PeoplePickerNavigationController* picker = nullptr;
        waitUntil([&] {
            picker = dynamic_cast<PeoplePickerNavigationController*>(QuorvelInternal::presenter().topPresentedController());
            return picker != nullptr;
        });
        return picker;
    }
    // The last visible list in tree order: the one in front.
    platform::ui::TableView* frontTable() const
    {
        std::function<platform::ui::TableView*(platform::ui::View*)> find = [&](platform::ui::View* v) {
            platform::ui::TableView* last = nullptr;
            if (!v || v->isHidden())
                return last;
            if (auto* t = dynamic_cast<platform::ui::TableView*>(v))
                last = t;
            for (auto& sub : v->subviews())
                if (auto* t = find(sub.get()))
                    last = t;
            return last;
        };
        return find(driver->window());
    }
    std::string keptInvites(const std::string& where) const
    {
        return kept("SELECT COUNT(*) FROM invites WHERE " + where);
    }
};

TEST_F(InvitesEndToEnd, AFriendAndAnAddressBookContactAreInvitedAndTheServiceKeepsBothInvitations)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    state->addFriends(player, StandInState::kRivalUser);
    auto ada = platform::ui::Person::create("Ada", "Lane");
    int adaMail = ada->addEmail("home", "ada@example.org");
    AddressBook::shared().addPerson(ada.get());

    Quorvel::launchDashboardWithInvitePage();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
    ASSERT_TRUE(waitForScreen("QVSelectInviteTypeController")) << screenText();
    // The game's invitation tells what the sender earns.
    ASSERT_TRUE(waitForText("Race a friend to unlock a feather.")) << screenText();

    // A friend who has not been invited yet, chosen from the friends list.
    ASSERT_TRUE(tapWhenShown("Quorvel Friends")) << screenText();
    ASSERT_TRUE(waitForScreen("QVSelectFriendsToInviteController"));
    ASSERT_TRUE(tapWhenShown("Rival")) << screenText();
    ASSERT_TRUE(tapBarButton("Done"));
    ASSERT_TRUE(waitForScreen("QVSelectInviteTypeController"));
    EXPECT_TRUE(shows("1 Friends Selected")) << screenText();

    // A contact taken from the address book by their e-mail address.
    ASSERT_TRUE(tapText("Contacts"));
    ASSERT_TRUE(waitForScreen("QVSelectContactsToInviteController"));
    ASSERT_TRUE(tapWhenShown("Add Contacts From Address Book")) << screenText();
    auto* picker = shownPicker();
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(picker->choosePersonForTest(ada.get()));
    // The picker is told not to go on: the client takes the address and closes it.
    platform::Ref<PeoplePickerNavigationController> closing(picker);
    EXPECT_FALSE(picker->choosePropertyForTest(PersonProperty::Email, adaMail));
    ASSERT_TRUE(waitForText("ada@example.org")) << screenText();
    // The picker slides away before the player reaches the screen's own bar.
    ASSERT_TRUE(waitUntil([&] { return !closing->isViewLoaded() || !closing->view()->window(); }));
    EXPECT_TRUE(shows("Ada Lane"));
    ASSERT_TRUE(tapBarButton("Done"));
    ASSERT_TRUE(waitForScreen("QVSelectInviteTypeController"));

    ASSERT_TRUE(tapBarButton("Invite"));
    ASSERT_TRUE(waitForScreen("QVInviteFriendsController")) << screenText();
    ASSERT_TRUE(waitForText("Come and race me in Brisko!")) << screenText();
    EXPECT_TRUE(shows("Rival"));
    EXPECT_TRUE(shows("Ada Lane"));
    ASSERT_TRUE(tapBarButton("Send"));
    ASSERT_TRUE(waitForText("Invitations Sent")) << screenText();

    const std::string mine = "sender_id = " + std::to_string(player) + " AND definition_id = 'brisko-friends'";
    EXPECT_EQ(keptInvites(mine + " AND receiver_id = " + std::to_string(StandInState::kRivalUser)), "1");
    EXPECT_EQ(keptInvites(mine + " AND address = 'ada@example.org'"), "1");
    EXPECT_EQ(kept("SELECT user_message FROM invites WHERE " + mine + " LIMIT 1"), "Come and race me in Brisko!");

    // The friend invited once is not offered again.
    ASSERT_TRUE(tap("OK"));
    Quorvel::launchDashboardWithInvitePage();
    ASSERT_TRUE(tapWhenShown("Quorvel Friends")) << screenText();
    ASSERT_TRUE(waitForScreen("QVSelectFriendsToInviteController"));
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo("invites/new/invitable_friends").size() == 2; }));
    letTimePass(0.3);
    EXPECT_FALSE(shows("Rival")) << screenText();
}

TEST_F(InvitesEndToEnd, AReceivedInvitationIsReadInTheInboxAndIgnoredAndTheServiceKeepsIt)
{
    int64_t mira = 0;
    {
        // Mira invites the player before the player's next start.
        int64_t player = launchAndLogIn();
        ASSERT_GT(player, 0);
        mira = addOtherPlayer("Mira");
        ASSERT_EQ(actAs(mira, "POST", "invites.xml",
                        { { "key", "brisko-friends" }, { "invite[sender_message]", "Beat my lap" },
                          { "invite[receivers][]", std::to_string(player) } })
                      .status,
                  200);
        quit();
    }
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    EXPECT_EQ(QuorvelInternal::options().unreadInviteCount(), 1);
    const std::string invite = kept("SELECT id FROM invites WHERE sender_id = " + std::to_string(mira));
    ASSERT_FALSE(invite.empty());

    Quorvel::launchDashboardWithDelegate(nullptr, "MyQuorvel", std::string());
    ASSERT_TRUE(waitForScreen("QVMyQuorvelController")) << screenText();
    ASSERT_TRUE(tapWhenShown("Inbox")) << screenText();
    ASSERT_TRUE(tapWhenShown("Invitations")) << screenText();
    ASSERT_TRUE(waitForText("Invited by Mira")) << screenText();
    EXPECT_TRUE(shows("Beat my lap"));
    // Listed once, it is no longer new, here or on the service.
    EXPECT_EQ(QuorvelInternal::options().unreadInviteCount(), 0);
    EXPECT_EQ(kept("SELECT state FROM invites WHERE id = " + invite), "viewed");

    // The player swipes the invitation away.
    auto* table = frontTable();
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(table->commitEditingForTest(platform::ui::IndexPath::forRow(0, 0)));
    ASSERT_TRUE(waitUntil([&] { return kept("SELECT state FROM invites WHERE id = " + invite) == "ignored"; }));
    EXPECT_EQ(keptInvites("id = " + invite), "1");

    // Shown again, the list no longer holds it.
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(tapWhenShown("Invitations")) << screenText();
    ASSERT_TRUE(waitForText("You have no unviewed game invitations")) << screenText();
    EXPECT_FALSE(shows("Invited by Mira"));
}

} // namespace
