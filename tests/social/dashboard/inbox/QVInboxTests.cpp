// Inbox: the menu's badges, the IM and starred lists with their unread
// counts, expanding and deleting a conversation, and starting one.
#include "../CommunityTestSupport.h"

#include "social/core/QuorvelInternal.h"
#include "social/dashboard/conversations/QVConversationController.h"
#include "social/dashboard/forums/QVForumThreadViewController.h"
#include "social/dashboard/inbox/QVInboxController.h"
#include "social/dashboard/inbox/QVInboxIMConversationsController.h"
#include "social/dashboard/inbox/QVInboxSubscribedForumThreadsController.h"
#include "social/dashboard/inbox/QVInboxTopLevelController.h"
#include "social/services/QVForumService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVFramedNavigationController.h"

using namespace quorvel;
using namespace community_testing;
using dashboard_testing::fixture;
using platform::Ref;
using platform::ui::ActionSheet;

namespace {

std::string conversationXml(const std::string& id, const std::string& name, int unread)
{
    return "<subscription><id>7" + id + "</id><discussion_id>" + id + "</discussion_id><summary>" + name
        + ": hi</summary><unread_count>" + std::to_string(unread) + "</unread_count><discussion_type>Conversation</discussion_type>"
        + "<user><id>1" + id + "</id><name>" + name + "</name></user></subscription>";
}

std::string page(int current, int total, const std::string& rows)
{
    return "<?xml version=\"1.0\"?><resources><pagination_header><current_page>" + std::to_string(current)
        + "</current_page><total_pages>" + std::to_string(total) + "</total_pages><per_page>2</per_page><total_objects>"
        + std::to_string(total * 2) + "</total_objects></pagination_header>" + rows + "</resources>";
}

class InboxTest : public CommunityTest {
protected:
    void SetUp() override
    {
        CommunityTest::SetUp();
        QuorvelInternal::options().setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(0, 0, 0);
    }

    template <typename T>
    T* show(const std::string& name)
    {
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load(name);
        root = loaded;
        navigation = QVFramedNavigationController::withRootViewController(loaded.get());
        driver().showController(navigation.get());
        settle();
        return dynamic_cast<T*>(loaded.get());
    }
    void TearDown() override
    {
        root = nullptr;
        CommunityTest::TearDown();
    }

    Ref<platform::ui::ViewController> root;
};

TEST_F(InboxTest, MenuBadgesFollowTheCountNotifications)
{
    QuorvelInternal::options().setUnreadIMCountAndUnreadPostCountAndUnreadInviteCount(2, 0, 5);
    auto* menu = show<QVInboxTopLevelController>("InboxTopLevel");
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->title(), "Inbox");
    ASSERT_EQ(menu->tableView()->numberOfRowsInSection(0), 3);
    EXPECT_EQ(menu->cellAtRow(0)->titleLabel()->text(), "Invitations");
    EXPECT_EQ(menu->cellAtRow(0)->badgeView()->value(), 5);
    EXPECT_EQ(menu->cellAtRow(1)->titleLabel()->text(), "IM Conversations");
    EXPECT_EQ(menu->cellAtRow(1)->badgeView()->value(), 2);
    EXPECT_EQ(menu->cellAtRow(2)->titleLabel()->text(), "Starred Forum Posts");

    QuorvelInternal::options().setUnreadPostCount(4);
    EXPECT_EQ(menu->cellAtRow(2)->badgeView()->value(), 4);
    QuorvelInternal::options().setUnreadIMCount(7);
    EXPECT_EQ(menu->cellAtRow(1)->badgeView()->value(), 7);
    EXPECT_EQ(menu->cellAtRow(0)->badgeView()->value(), 5);

    ASSERT_TRUE(tapRow(menu, 1));
    EXPECT_TRUE(dynamic_cast<QVInboxIMConversationsController*>(navigation->topViewController()));
}

TEST_F(InboxTest, TheIMListKeepsConversationsAndCountsUnreadOverEveryLoadedPage)
{
    auto* list = show<QVInboxIMConversationsController>("InboxIMConversations");
    ASSERT_TRUE(list);
    ASSERT_EQ(requestsTo("subscriptions.xml").size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(fixture("subscriptions.xml")));
    settle(1);
    EXPECT_EQ(list->title(), "IM Conversations");
    ASSERT_TRUE(list->sections());
    EXPECT_EQ((*list->sections())[0]->page()->count(), 1u) << "the starred thread is left out";
    EXPECT_EQ(QuorvelInternal::options().unreadIMCount(), 1) << "subscriptions with unread posts, not the posts";

    // Two pages: the unread conversation on the first, a read one on the second.
    list->reloadDataFromServer();
    settle();
    ASSERT_TRUE(provider->answerWithXml(page(1, 2, conversationXml("60", "Bo", 3) + conversationXml("61", "Cy", 0))));
    settle(1);
    EXPECT_EQ(QuorvelInternal::options().unreadIMCount(), 1);
    list->doLoadMoreOnSuccess(QVDelegate(), QVDelegate());
    settle();
    ASSERT_TRUE(provider->answerWithXml(page(2, 2, conversationXml("62", "Di", 0))));
    settle(1);
    EXPECT_EQ(QuorvelInternal::options().unreadIMCount(), 1) << "the second page does not overwrite the first's count";

    auto* cell = dynamic_cast<QVInboxCell*>(rowCell(list, 1));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->typeLabel()->text(), "IM Conversation");
    EXPECT_EQ(cell->titleLabel()->text(), "Cy");
    EXPECT_TRUE(cell->unreadBadge()->isHidden());
    EXPECT_FALSE(cell->expandButton()->isHidden());
    EXPECT_EQ(cell->iconView()->frame().size.width, 65);

    // A conversation row opens that conversation with its player.
    ASSERT_TRUE(tapRow(list, 1));
    auto* conversation = dynamic_cast<QVConversationController*>(navigation->topViewController());
    ASSERT_TRUE(conversation);
    EXPECT_EQ(conversation->conversationId(), "61");
    ASSERT_TRUE(conversation->conversationUser());
    EXPECT_EQ(conversation->conversationUser()->name(), "Cy");
}

// One inbox list of both kinds, shown as two: each counts only its own rows ("Showing 2 of 2"
// under one conversation read as a row gone missing), and a row's texts end before its badge.
TEST_F(InboxTest, EachListCountsItsOwnKindAndARowsTextsEndBeforeItsBadge)
{
    auto* list = show<QVInboxIMConversationsController>("InboxIMConversations");
    ASSERT_TRUE(list);
    const std::string thread = "<subscription><id>71</id><discussion_id>40</discussion_id><title>Boss fight</title>"
                               "<unread_count>0</unread_count><topic_id>7</topic_id><discussion_type>Thread</discussion_type>"
                               "<discussion><id>40</id><subject>Boss fight</subject></discussion></subscription>";
    ASSERT_TRUE(provider->answerWithXml(page(1, 1, conversationXml("60", "Rival", 1) + thread)));
    settle(1);
    ASSERT_TRUE(list->sections());
    QVPaginatedSeries* shown = (*list->sections())[0]->page();
    ASSERT_TRUE(shown && shown->header());
    EXPECT_EQ(shown->count(), 1u);
    EXPECT_EQ(shown->header()->totalObjects, 1u);

    auto* cell = dynamic_cast<QVInboxCell*>(rowCell(list, 0));
    ASSERT_TRUE(cell);
    ASSERT_FALSE(cell->unreadBadge()->isHidden());
    for (auto* text : { cell->titleLabel(), cell->bodyPreviewLabel() })
        EXPECT_LE(text->frame().maxX(), cell->unreadBadge()->frame().minX()) << text->text();
}

TEST_F(InboxTest, StarredThreadsKeepThreadsAndOpenTheThreadView)
{
    auto* list = show<QVInboxSubscribedForumThreadsController>("InboxSubscribedForumThreads");
    ASSERT_TRUE(list);
    ASSERT_TRUE(provider->answerWithXml(fixture("subscriptions.xml")));
    settle(1);
    EXPECT_EQ(list->title(), "Starred Threads");
    ASSERT_EQ(list->tableView()->numberOfRowsInSection(0), 1);
    EXPECT_EQ(QuorvelInternal::options().unreadPostCount(), 0);
    auto* cell = dynamic_cast<QVInboxCell*>(rowCell(list, 0));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->typeLabel()->text(), "Forum Posting");
    EXPECT_TRUE(cell->expandButton()->isHidden());
    EXPECT_TRUE(cell->unreadBadge()->isHidden());

    ASSERT_TRUE(tapRow(list, 0));
    auto* view = dynamic_cast<QVForumThreadViewController*>(navigation->topViewController());
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->thread()->isSubscribed());
    EXPECT_EQ(view->topic()->resourceId(), "7");
}

TEST_F(InboxTest, OneConversationExpandsAtATimeAndItsRowDeletesIt)
{
    auto* list = show<QVInboxIMConversationsController>("InboxIMConversations");
    ASSERT_TRUE(provider->answerWithXml(page(1, 1, conversationXml("60", "Bo", 1) + conversationXml("61", "Cy", 0))));
    settle(1);
    auto* first = dynamic_cast<QVInboxCell*>(rowCell(list, 0));
    ASSERT_TRUE(first);
    ASSERT_TRUE(driver().tap(first->expandButton()));
    settle(1);
    EXPECT_EQ(first->expandIconName(), "QVButtonArrowUp.png");
    ASSERT_EQ(list->tableView()->numberOfRowsInSection(0), 4) << "two rows, the action row and the paging row";

    auto* second = dynamic_cast<QVInboxCell*>(rowCell(list, 2));
    ASSERT_TRUE(second);
    ASSERT_TRUE(driver().tap(second->expandButton()));
    settle(1);
    EXPECT_TRUE(list->isExpandedAtIndexPath(platform::ui::IndexPath::forRow(1, 0)));
    EXPECT_FALSE(list->isExpandedAtIndexPath(platform::ui::IndexPath::forRow(0, 0)));
    EXPECT_EQ(list->tableView()->numberOfRowsInSection(0), 4) << "the first closed";

    auto* action = dynamic_cast<QVInboxIMActionCell*>(rowCell(list, 2));
    ASSERT_TRUE(action);
    ASSERT_TRUE(driver().tap(action->deleteButton()));
    settle();
    auto sheets = ActionSheet::visibleSheets();
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0]->title(), "Deleting IM");
    ASSERT_TRUE(sheets[0]->clickButton("Delete"));
    settle();
    auto deletes = requestsTo("discussions/61/delete.xml");
    ASSERT_EQ(deletes.size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(fixture("ok.xml")));
    settle(1);
    EXPECT_EQ(requestsTo("subscriptions.xml").size(), 2u) << "reloaded after the deletion";
}

TEST_F(InboxTest, TheDeleteSheetAnsweredAfterTheListClosedDeletesNothing)
{
    auto* list = show<QVInboxIMConversationsController>("InboxIMConversations");
    ASSERT_TRUE(provider->answerWithXml(page(1, 1, conversationXml("60", "Bo", 1))));
    settle(1);
    auto* row = dynamic_cast<QVInboxCell*>(rowCell(list, 0));
    ASSERT_TRUE(row);
    ASSERT_TRUE(driver().tap(row->expandButton()));
    settle(1);
    auto* action = dynamic_cast<QVInboxIMActionCell*>(rowCell(list, 1));
    ASSERT_TRUE(action);
    ASSERT_TRUE(driver().tap(action->deleteButton()));
    settle();
    Ref<ActionSheet> sheet(driver().currentActionSheet());
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(closeNavigation(std::move(root)));
    EXPECT_TRUE(sheet->clickButton("Delete"));
    settle(1);
    EXPECT_TRUE(requestsTo("discussions/60/delete.xml").empty());
}

TEST_F(InboxTest, APendingUserStartsAConversationInsteadOfLoadingTheList)
{
    Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("InboxIMConversations");
    auto* inbox = dynamic_cast<QVInboxIMConversationsController*>(loaded.get());
    ASSERT_TRUE(inbox);
    auto bo = resourceFrom<QVUser>("<user><id>18</id><name>Bo</name></user>");
    inbox->initAndBeginConversationWith(bo.get());
    root = loaded;
    navigation = QVFramedNavigationController::withRootViewController(loaded.get());
    driver().showController(navigation.get());
    settle();
    EXPECT_TRUE(requestsTo("subscriptions.xml").empty());
    auto starts = requestsTo("discussions.xml");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(parameter(starts[0], "discussion[other_user_id]"), "18");
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources><conversation><id>60</id>"
                                          "<other_user><id>18</id><name>Bo</name></other_user></conversation></resources>"));
    settle(1);
    auto* conversation = dynamic_cast<QVConversationController*>(navigation->topViewController());
    ASSERT_TRUE(conversation);
    EXPECT_EQ(conversation->conversationId(), "60");
    EXPECT_FALSE(inbox->pendingConversationUser());
}

TEST_F(InboxTest, APickedFriendStartsAConversationAndAFailureAlerts)
{
    auto* inbox = show<QVInboxIMConversationsController>("InboxIMConversations");
    ASSERT_TRUE(provider->answerWithXml(fixture("subscriptions.xml")));
    settle(1);
    auto* compose = inbox->navigationItem()->rightBarButtonItem();
    ASSERT_TRUE(compose);
    compose->setEnabled(false); // as while the picker shows
    auto cy = resourceFrom<QVUser>("<user><id>19</id><name>Cy</name></user>");
    static_cast<QVFriendPickerDelegate*>(inbox)->pickerFinishedWithSelectedUser(cy.get());
    settle();
    EXPECT_TRUE(compose->isEnabled());
    auto starts = requestsTo("discussions.xml");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(parameter(starts[0], "discussion[other_user_id]"), "19");
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->title(), "Error");
    EXPECT_EQ(lastAlert()->message(), "An error occurred. Please try again later.");
    EXPECT_FALSE(inbox->pendingConversationUser());
    EXPECT_EQ(navigation->topViewController(), inbox);
}

} // namespace
