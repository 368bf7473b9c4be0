// Invitations: the whole flow through the address-book stand-in (choosing
// contacts, the counts, compose and send, the completion texts), the friends
// chooser's delayed reload, and the received invitations' count and ignore.
#include "../CommunityTestSupport.h"

#include "platform/net/Reachability.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/PeoplePicker.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/invites/QVSelectInviteTypeController.h"
#include "social/dashboard/invites/QVSelectFriendsToInviteController.h"
#include "social/ui/QVNavigationController.h"
#include "social/dashboard/invites/QVSelectContactsToInviteController.h"
#include "social/dashboard/invites/QVInviteFriendsController.h"
#include "social/dashboard/invites/QVInviteCompleteController.h"
#include "social/dashboard/invites/QVContactCell.h"
#include "social/dashboard/invites/QVInvitationsController.h"
#include "social/dashboard/invites/QVInviteNotificationController.h"
#include "social/dashboard/invites/QVViewInviteController.h"
#include "social/runtime/QVReachability.h"
#include "social/services/QVDeviceContact.h"
#include "social/services/QVUser.h"
#include "social/ui/QVStandardCells.h"

using namespace quorvel;
using namespace community_testing;
using dashboard_testing::fixture;
using platform::dynamicRef;
using platform::Ref;
using platform::ui::AddressBook;
using platform::ui::Person;
using platform::ui::PersonProperty;

namespace {

// The root controller as the address-book picker sees it.
class PickerRoot : public platform::ui::ViewController {
public:
    Ref<platform::ui::ViewController> presented;
    int dismissals { 0 };
    void presentModalViewController(platform::ui::ViewController* c, bool) override { presented = c; }
    void dismissModalViewControllerAnimated(bool) override
    {
        presented = nullptr;
        ++dismissals;
    }
};

class InviteTest : public CommunityTest {
protected:
    void SetUp() override
    {
        CommunityTest::SetUp();
        reachability = platform::ManualReachability::create();
        QVReachability::InitializeWithSource(Ref<platform::Reachability>(reachability.get()));
        root = platform::adoptRef(new PickerRoot);
        root->init();
        host().root = root.get();
        AddressBook::shared().removeAll();
    }
    void TearDown() override
    {
        host().root = nullptr;
        typeScreen = nullptr;
        AddressBook::shared().removeAll();
        QVReachability::Uninitialize();
        CommunityTest::TearDown();
    }
    platform::ui::ViewController* top() const { return navigation->topViewController(); }
    void openTypeScreen()
    {
        typeScreen = QVSelectInviteTypeController::inviteTypeControllerWithInviteIdentifier(std::nullopt);
        ASSERT_TRUE(typeScreen);
        auto framed = QVFramedNavigationController::withRootViewController(typeScreen.get());
        navigation = framed;
        driver().showController(framed.get());
        settle(1);
    }
    // The definition, then its icon's download (which fails: the default icon stays).
    void answerDefinition()
    {
        ASSERT_TRUE(provider->answerWithXml(fixture("invite_definition.xml")));
        settle();
        if (provider->waitingCount() > 0) {
            ASSERT_TRUE(provider->answerWithFailure());
        }
        settle(1);
    }
    // Picks one value of the person through the contacts chooser's address-book button.
    void pick(QVSelectContactsToInviteController* chooser, Person* person, PersonProperty property, int identifier)
    {
        auto* header = dynamic_cast<QVSelectContactsToInviteHeaderController*>(chooser->tableHeaderController());
        ASSERT_TRUE(header);
        ASSERT_TRUE(driver().tap(header->addContactButton()));
        auto* picker = dynamic_cast<platform::ui::PeoplePickerNavigationController*>(root->presented.get());
        ASSERT_TRUE(picker);
        ASSERT_TRUE(picker->choosePersonForTest(person));
        picker->choosePropertyForTest(property, identifier);
        EXPECT_FALSE(root->presented) << "the picker goes once a value is chosen";
        settle(1);
    }

    Ref<platform::ManualReachability> reachability;
    Ref<PickerRoot> root;
    Ref<QVSelectInviteTypeController> typeScreen;
};

TEST_F(InviteTest, OnATabletTheAddressBookPickerPointsFromItsButton)
{
    using platform::ui::PopoverController;
    useDevice(Device::Tablet);
    openTypeScreen();
    answerDefinition();
    auto ana = Person::create("Ana", "Lima");
    int mail = ana->addEmail("home", "ana@example.test");
    AddressBook::shared().addPerson(ana.get());
    ASSERT_TRUE(tapRow(typeScreen.get(), 1));
    auto* chooser = dynamic_cast<QVSelectContactsToInviteController*>(top());
    ASSERT_TRUE(chooser);
    auto* header = dynamic_cast<QVSelectContactsToInviteHeaderController*>(chooser->tableHeaderController());
    ASSERT_TRUE(header);

    platform::ui::Button* button = header->addContactButton();
    ASSERT_TRUE(driver().tap(button));
    EXPECT_FALSE(root->presented) << "not over the whole screen";
    Ref<PopoverController> popover(header->peoplePickerPopover());
    ASSERT_TRUE(popover);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(popover->contentViewController(), header->picker());
    EXPECT_EQ(popover->permittedArrowDirections(), unsigned(platform::ui::PopoverArrowAny));
    EXPECT_EQ(popover->anchorRect(), button->convertRectTo(button->bounds(), nullptr));

    // Cancelling closes it; so does choosing a value, which adds the contact.
    header->picker()->cancelForTest();
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_FALSE(header->peoplePickerPopover());
    ASSERT_TRUE(driver().tap(button));
    popover = Ref<PopoverController>(header->peoplePickerPopover());
    ASSERT_TRUE(popover);
    ASSERT_TRUE(header->picker()->choosePersonForTest(ana.get()));
    header->picker()->choosePropertyForTest(PersonProperty::Email, mail);
    EXPECT_FALSE(popover->isPopoverVisible());
    EXPECT_TRUE(PopoverController::visiblePopovers().empty());
    EXPECT_EQ(root->dismissals, 0) << "the root had nothing to dismiss";
    settle(1);
    EXPECT_EQ(chooser->addedContacts().size(), 1u);
}

TEST_F(InviteTest, TheTypeScreensSectionHasTheListsPlainSectionHeader)
{
    openTypeScreen();
    platform::ui::TableView* table = typeScreen->tableView();
    ASSERT_TRUE(table);
    Ref<platform::ui::View> header = typeScreen->tableViewViewForHeaderInSection(table, 0);
    ASSERT_TRUE(header);
    auto* title = dynamic_cast<platform::ui::Label*>(header->viewWithTag(1));
    ASSERT_TRUE(title);
    EXPECT_EQ(title->text(), "Select Friends To Invite");
    EXPECT_EQ(typeScreen->tableViewViewForHeaderInSection(table, 0), header) << "made once";
    EXPECT_EQ(table->rectForHeaderInSection(0).size.height, header->frame().size.height);
}

TEST_F(InviteTest, ContactsFromTheAddressBookAreComposedAndSent)
{
    openTypeScreen();
    ASSERT_EQ(requestsTo("invite_definitions/primary").size(), 1u);
    answerDefinition();
    ASSERT_TRUE(typeScreen->definition());
    auto* header = dynamic_cast<QVSelectInviteTypeHeaderController*>(typeScreen->tableHeaderController());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->enticeLabel()->text(), "100 coins");

    // Nothing chosen yet.
    ASSERT_TRUE(driver().tapBarButton(typeScreen->navigationItem()->rightBarButtonItem()));
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->title(), "No Friends Selected");
    driver().answerAlert("OK");
    EXPECT_EQ(top(), typeScreen.get());

    auto ana = Person::create("Ana", "Lima");
    int phone = ana->addPhone("mobile", "555-0101");
    int mail = ana->addEmail("home", "ana@example.test");
    AddressBook::shared().addPerson(ana.get());
    auto nameless = Person::create("", "");
    int bare = nameless->addEmail("work", "x@example.test");
    AddressBook::shared().addPerson(nameless.get());

    ASSERT_TRUE(tapRow(typeScreen.get(), 1));
    auto* chooser = dynamic_cast<QVSelectContactsToInviteController*>(top());
    ASSERT_TRUE(chooser);
    pick(chooser, ana.get(), PersonProperty::Phone, phone);
    pick(chooser, ana.get(), PersonProperty::Email, mail);
    ASSERT_EQ(chooser->addedContacts().size(), 1u) << "the same person is one contact";
    auto* contact = dynamic_cast<QVDeviceContact*>(chooser->addedContacts()[0].get());
    EXPECT_EQ(contact->name(), "Ana Lima");
    EXPECT_EQ(contact->email(), "ana@example.test");
    EXPECT_EQ(contact->number(), "") << "the value chosen last wins";
    EXPECT_EQ(chooser->selectedContacts().size(), 1u);
    pick(chooser, nameless.get(), PersonProperty::Email, bare);
    ASSERT_EQ(chooser->addedContacts().size(), 2u);
    EXPECT_EQ(dynamic_cast<QVDeviceContact*>(chooser->addedContacts()[1].get())->name(), "x@example.test");
    auto* row = dynamic_cast<QVSelectableContactCell*>(rowCell(chooser, 1));
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->checked());
    EXPECT_EQ(row->phoneOrEmailIconName(), "QVSelectInviteContactMailSmall.png");

    ASSERT_TRUE(driver().tapBarButton(chooser->navigationItem()->rightBarButtonItem()));
    settle(1);
    EXPECT_EQ(top(), typeScreen.get());
    EXPECT_EQ(typeScreen->cellForType(QVSelectInviteTypeController::kContacts)->amountSelectedLabel()->text(),
              "2 Friends Selected");
    EXPECT_EQ(typeScreen->addedContacts().size(), 2u);
    answerDefinition(); // asked again each time the screen shows

    ASSERT_TRUE(driver().tapBarButton(typeScreen->navigationItem()->rightBarButtonItem()));
    settle(1);
    auto* compose = dynamic_cast<QVInviteFriendsController*>(top());
    ASSERT_TRUE(compose);
    ASSERT_TRUE(compose->header());
    EXPECT_EQ(compose->header()->inviteText()->text(), "Come play");
    EXPECT_EQ(compose->title(), "Compose Invite");
    ASSERT_TRUE(compose->sections());
    EXPECT_EQ(compose->getNumCellsInSection(0), 2);

    auto image = render("dashboard-invite-composer");
    ASSERT_TRUE(image);
    // The message field is drawn light over the dark header.
    platform::Point p = compose->header()->inviteText()->convertPointTo(platform::Point(3, 3), nullptr);
    auto pixel = screen_testing::pixelAt(*image, static_cast<int>(p.x), static_cast<int>(p.y));
    EXPECT_GT(pixel.r, 200);
    EXPECT_GT(pixel.b, 200);

    // Offline the send is refused at once.
    reachability->setStatus(0);
    ASSERT_TRUE(driver().tapBarButton(compose->sendButton()));
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->title(), "No internet connection");
    driver().answerAlert("OK");
    reachability->setStatus(platform::Reachability::ReachableViaWiFi);

    ASSERT_TRUE(driver().tapBarButton(compose->sendButton()));
    settle();
    auto sent = requestsTo("invites.xml");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].method, "POST");
    EXPECT_EQ(parameter(sent[0], "invite[email_receivers][]"), "ana@example.test");
    EXPECT_FALSE(compose->sendButton()->isEnabled());
    ASSERT_TRUE(provider->answerWithXml(fixture("ok.xml")));
    settle(1);
    auto* done = dynamic_cast<QVInviteCompleteController*>(top());
    ASSERT_TRUE(done);
    EXPECT_EQ(done->messageTitleLabel()->text(), "Invitations Sent");
    EXPECT_EQ(done->messageLabel()->text(), "Your invitations were sent!");
    ASSERT_TRUE(driver().tap(done->continueButton()));
    settle(1);
    EXPECT_EQ(navigation->viewControllers().size(), 1u) << "OK leaves the flow";
}

TEST_F(InviteTest, ATouchBesideTheMessageEndsEditingAndAFailedSendKeepsTheComposer)
{
    openTypeScreen();
    answerDefinition();
    auto user = resourceFrom<QVUser>("<user><id>18</id><name>Bo</name></user>");
    typeScreen->updateSelectedType(QVSelectInviteTypeController::kFriends, { Ref<platform::Object>(user.get()) });
    ASSERT_TRUE(driver().tapBarButton(typeScreen->navigationItem()->rightBarButtonItem()));
    settle(1);
    auto* compose = dynamic_cast<QVInviteFriendsController*>(top());
    ASSERT_TRUE(compose);
    // A touch elsewhere in the header ends the message's editing.
    auto* text = compose->header()->inviteText();
    ASSERT_TRUE(driver().tap(text));
    ASSERT_TRUE(text->isFirstResponder());
    platform::Point beside = compose->header()->view()->convertPointTo(platform::Point(4, 4), nullptr);
    ASSERT_TRUE(driver().tapPoint(beside));
    EXPECT_FALSE(text->isFirstResponder());

    ASSERT_TRUE(driver().tapBarButton(compose->sendButton()));
    settle();
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    EXPECT_EQ(top(), compose);
    EXPECT_TRUE(compose->sendButton()->isEnabled());
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->message(), "Your invite was not submitted. Please try again.");
}

TEST_F(InviteTest, FriendsChooserWaitsBeforeEveryReloadAfterTheFirst)
{
    openTypeScreen();
    answerDefinition();
    ASSERT_TRUE(tapRow(typeScreen.get(), 0));
    auto* chooser = dynamic_cast<QVSelectFriendsToInviteController*>(top());
    ASSERT_TRUE(chooser);
    EXPECT_EQ(chooser->title(), "Invite Friends");
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources><user><id>18</id></user></resources>"));
    settle();
    ASSERT_EQ(requestsTo("invites/new/invitable_friends").size(), 1u) << "the first load is at once";
    ASSERT_TRUE(provider->answerWithXml(fixture("users.xml")));
    settle(1);
    // Both answers in, the loading overlay is down.
    auto* stack = dynamic_cast<QVNavigationController*>(navigation.get());
    ASSERT_TRUE(stack);
    EXPECT_FALSE(stack->loadingController());
    ASSERT_TRUE(tapRow(chooser, 0));
    ASSERT_EQ(chooser->selectedUsers().size(), 1u);
    auto* row = dynamic_cast<QVSelectableUserCell*>(rowCell(chooser, 0));
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->checked());

    // Back on the chooser from a screen pushed over it, the reload waits.
    navigation->pushViewController(QVControllerLoader::load("Help").get(), false);
    settle(1);
    navigation->popViewControllerAnimated(false);
    settle();
    ASSERT_EQ(top(), chooser);
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources><user><id>18</id></user></resources>"));
    settle(4.5);
    EXPECT_EQ(requestsTo("invites/new/invitable_friends").size(), 1u);
    settle(1);
    EXPECT_EQ(requestsTo("invites/new/invitable_friends").size(), 2u);
    EXPECT_TRUE(stack->loadingController()) << "it loads again";
    ASSERT_TRUE(provider->answerWithXml(fixture("users.xml")));
    settle(1);
    EXPECT_FALSE(stack->loadingController());
}

TEST_F(InviteTest, AFriendChosenEarlierIsTickedByUserAndATapUnchoosesIt)
{
    openTypeScreen();
    answerDefinition();
    // Chosen before, from another answer: another object for the same player.
    auto earlier = resourceFrom<QVUser>("<user><id>17</id><name>Ana</name></user>");
    typeScreen->updateSelectedType(QVSelectInviteTypeController::kFriends, { Ref<platform::Object>(earlier.get()) });
    ASSERT_TRUE(tapRow(typeScreen.get(), 0));
    auto* chooser = dynamic_cast<QVSelectFriendsToInviteController*>(top());
    ASSERT_TRUE(chooser);
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources><user><id>18</id></user></resources>"));
    settle();
    ASSERT_TRUE(provider->answerWithXml(fixture("users.xml")));
    settle(1);
    auto* row = dynamic_cast<QVSelectableUserCell*>(rowCell(chooser, 0));
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->checked());
    ASSERT_TRUE(tapRow(chooser, 0));
    EXPECT_TRUE(chooser->selectedUsers().empty());
    EXPECT_FALSE(row->checked());
    ASSERT_TRUE(tapRow(chooser, 0));
    ASSERT_EQ(chooser->selectedUsers().size(), 1u);
    EXPECT_TRUE(row->checked());
}

TEST_F(InviteTest, ReceivedInvitesLowerTheUnreadCountAndIgnoreOnDelete)
{
    QuorvelInternal::options().setUnreadInviteCount(1);
    auto list = dynamicRef<QVInvitationsController>(QVControllerLoader::load("Invitations"));
    ASSERT_TRUE(list);
    showInNavigation(list.get());
    settle(1);
    auto sent = requestsTo("invites.xml");
    ASSERT_EQ(sent.size(), 1u);
    std::string two = "<?xml version=\"1.0\"?><resources>"
                      "<invite><id>21</id><sender><id>17</id><name>Ann</name></sender><client_application_name>Rocket Run</client_application_name><state>unviewed</state></invite>"
                      "<invite><id>22</id><sender><id>18</id><name>Bo</name></sender><client_application_name>Cave Diver</client_application_name><state>unviewed</state></invite>"
                      "</resources>";
    ASSERT_TRUE(provider->answerWithXml(two));
    settle(1);
    EXPECT_EQ(QuorvelInternal::options().unreadInviteCount(), 0) << "never below zero";
    ASSERT_TRUE(list->navigationItem()->rightBarButtonItem());
    auto* row = dynamic_cast<QVInviteCell*>(rowCell(list.get(), 0));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->invitedBy()->text(), "Invited by Ann");
    EXPECT_FALSE(row->freshnessIndicator()->isHidden());
    // The unread marker sits inside the row as the list shows it, an accessory's margin from its right edge.
    const platform::Rect marker = row->freshnessIndicator()->convertRectTo(row->freshnessIndicator()->bounds(), row);
    EXPECT_EQ(row->bounds().maxX() - marker.maxX(), 10) << row->bounds().size.width;
    EXPECT_NEAR(marker.midY(), row->bounds().midY(), 1);
    // A sender without a picture shows the kit's default player picture, the texts clear of its frame.
    EXPECT_TRUE(row->inviteIcon()->defaultImage());
    EXPECT_GE(row->gameTitle()->frame().minX(), row->inviteIcon()->frame().maxX() + 7 + 5);

    list->tableViewCommitEditingStyle(list->tableView(), platform::ui::CellEditingStyle::Delete,
                                      platform::ui::IndexPath::forRow(0, 0));
    settle();
    auto ignored = requestsTo("invites/21/ignore");
    ASSERT_EQ(ignored.size(), 1u);
    EXPECT_EQ(ignored[0].method, "PUT");

    ASSERT_TRUE(tapRow(list.get(), 0));
    auto* view = dynamic_cast<QVViewInviteController*>(navigation->topViewController());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->getAction(), "client_webviews/invites/22");
    view->_webActionIgnoreInvite({});
    settle(1);
    EXPECT_TRUE(list->reloadOnWillAppear());
}

// The notice of an invitation goes over the game through the dashboard role
// (here the test's), not around it.
TEST_F(InviteTest, TheInviteNoticeIsPutOverTheGameThroughTheDashboardRole)
{
    Ref<QVUser> sender = QVUser::create();
    auto notice = QVInviteNotificationController::showInviteNotification("Ann invites you", sender.get(), "Invitation");
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->headerText()->text(), "Invitation");
    EXPECT_EQ(notice->notificationText()->text(), "Ann invites you");
    ASSERT_FALSE(host().calls.empty());
    EXPECT_EQ(host().calls.back(), "presentModalOverlay");
    ASSERT_FALSE(host().presented.empty());
    EXPECT_EQ(host().presented.back().get(), notice.get());
}

} // namespace
