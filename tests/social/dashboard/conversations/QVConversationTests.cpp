// Conversations: the history and the screen's own poller, starting a new
// conversation, status rows, posts of other conversations, a failed poll,
// and the message box.
#include "../CommunityTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "social/dashboard/conversations/QVConversationCells.h"
#include "social/dashboard/conversations/QVConversationController.h"
#include "social/dashboard/profiles/QVProfileController.h"
#include "social/services/QVForumService.h"
#include "social/services/QVUser.h"

using namespace quorvel;
using namespace community_testing;
using dashboard_testing::fixture;
using platform::Ref;

namespace {

// Newest first, as the server sends them.
const char* kHistory = "<?xml version=\"1.0\"?><resources>"
                       "<post><id>9000000000</id><body>Second</body><user><id>18</id><name>Bo</name></user>"
                       "<created_at>2010-11-09T13:05:00Z</created_at><discussion_id>60</discussion_id></post>"
                       "<post><id>501</id><body>First, from Bo</body><user><id>18</id><name>Bo</name></user>"
                       "<created_at>2010-11-09T13:00:00Z</created_at><discussion_id>60</discussion_id></post>"
                       "</resources>";

Ref<QVForumPost> post(const std::string& id, const std::string& discussion, const std::string& body)
{
    return resourceFrom<QVForumPost>("<post><id>" + id + "</id><body>" + body + "</body><user><id>18</id><name>Bo</name></user>"
                                     "<discussion_id>" + discussion + "</discussion_id></post>");
}

class ConversationTest : public CommunityTest {
protected:
    void SetUp() override
    {
        CommunityTest::SetUp();
        // Long enough that no poll goes out while a test answers its requests.
        QVCommunityPolling::shared().chatFrequency = [] { return 600.0; };
        bo = resourceFrom<QVUser>("<user><id>18</id><name>Bo</name><online>true</online></user>");
    }
    void TearDown() override
    {
        screen = nullptr;
        CommunityTest::TearDown();
    }

    QVConversationController* open(const std::string& id)
    {
        screen = QVConversationController::conversationWithId(id, bo.get());
        navigation = QVFramedNavigationController::withRootViewController(screen.get());
        driver().showController(navigation.get());
        settle();
        return screen.get();
    }

    Ref<QVUser> bo;
    Ref<QVConversationController> screen;
};

TEST_F(ConversationTest, HistoryStartsTheScreensOwnPollerAfterTheNewestPost)
{
    open("60");
    auto history = requestsTo("discussions/60/posts.xml");
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].method, "GET");
    EXPECT_FALSE(screen->poller());
    ASSERT_TRUE(provider->answerWithXml(kHistory));
    settle(1);

    ASSERT_TRUE(screen->poller());
    EXPECT_EQ(screen->poller()->sourceUrl(), "discussions/60/posts.xml");
    EXPECT_EQ(screen->poller()->lastSeenId(QVForumPost::staticResourceClass()), 9000000000LL) << "ids compared as 64-bit numbers";
    EXPECT_EQ(screen->poller()->getPollingFrequency(), 600.0);
    EXPECT_EQ(screen->title(), "Bo");

    // Two posts and the status row, which is the latest (bottom) row.
    auto* table = screen->tableView();
    ASSERT_EQ(table->numberOfRowsInSection(0), 3);
    auto* status = dynamic_cast<QVOnlineStatusCell*>(rowCell(screen.get(), 2));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->statusLabel()->text(), "Bo is ONLINE");
    auto* first = dynamic_cast<QVConversationCell*>(rowCell(screen.get(), 0));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bodyLabel()->text(), "First, from Bo");
    EXPECT_EQ(first->authorLabel()->text(), "Bo | ");
    EXPECT_FALSE(first->greyBubbleView()->isHidden());
    EXPECT_TRUE(first->greenBubbleView()->isHidden());
    EXPECT_GE(first->frame().size.height, QVConversationCell::kMinHeight);

    // A post of this conversation is added; one of another conversation is not.
    postDiscovered("post_discovered", { post("9000000001", "61", "not for us").get() });
    settle(1);
    EXPECT_EQ(table->numberOfRowsInSection(0), 3);
    postDiscovered("post_discovered", { post("9000000002", "60", "hello again").get() });
    settle(1);
    ASSERT_EQ(table->numberOfRowsInSection(0), 4);
    auto* newest = dynamic_cast<QVConversationCell*>(rowCell(screen.get(), 3));
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->bodyLabel()->text(), "hello again");

    // The other player goes offline: another status row.
    auto away = resourceFrom<QVUser>("<user><id>18</id><name>Bo</name><online>false</online></user>");
    postDiscovered("user_discovered", { away.get() });
    settle(1);
    ASSERT_EQ(table->numberOfRowsInSection(0), 5);
    auto* offline = dynamic_cast<QVOnlineStatusCell*>(rowCell(screen.get(), 4));
    ASSERT_TRUE(offline);
    EXPECT_EQ(offline->statusLabel()->text(), "Bo is offline");

    auto image = render("dashboard-conversation");
    ASSERT_TRUE(image);
    auto* bubble = newest->greyBubbleView();
    auto centre = bubble->convertPointTo(platform::Point(bubble->frame().size.width - 8, 4), nullptr);
    auto px = screen_testing::pixelAt(*image, static_cast<int>(centre.x), static_cast<int>(centre.y));
    EXPECT_TRUE(screen_testing::near(px, 219, 219, 224, 20)) << px.r << "," << px.g << "," << px.b;
}

TEST_F(ConversationTest, ARepeatedFirstPageReplacesThePoller)
{
    open("60");
    ASSERT_TRUE(provider->answerWithXml(kHistory));
    settle(1);
    Ref<QVPoller> firstPoller(screen->poller());
    ASSERT_TRUE(firstPoller);
    screen->reloadDataFromServer();
    settle();
    ASSERT_EQ(requestsTo("discussions/60/posts.xml").size(), 2u);
    ASSERT_TRUE(provider->answerWithXml(kHistory));
    settle(1);
    ASSERT_TRUE(screen->poller());
    EXPECT_NE(screen->poller(), firstPoller.get());
    EXPECT_EQ(firstPoller->getPollingFrequency(), 0.0) << "the replaced poller is stopped";
    EXPECT_EQ(screen->poller()->getPollingFrequency(), 600.0);
}

TEST_F(ConversationTest, WithoutAnIdTheConversationIsStartedFirst)
{
    open("");
    auto starts = requestsTo("discussions.xml");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(parameter(starts[0], "discussion[other_user_id]"), "18");
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources><conversation><id>77</id>"
                                        "<other_user><id>18</id><name>Bo</name></other_user></conversation></resources>"));
    settle(1);
    EXPECT_EQ(screen->conversationId(), "77");
    EXPECT_EQ(screen->messageBox()->conversationId(), "77");
    ASSERT_EQ(requestsTo("discussions/77/posts.xml").size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(fixture("empty_resources.xml")));
    settle(1);
    ASSERT_TRUE(screen->poller());
    EXPECT_EQ(screen->poller()->lastSeenId(QVForumPost::staticResourceClass()), 0);
}

TEST_F(ConversationTest, AStartAnsweredWithoutOneConversationIsAnError)
{
    open("");
    ASSERT_TRUE(provider->answerWithXml(fixture("empty_resources.xml")));
    settle(1);
    ASSERT_EQ(provider->errorMessages.size(), 1u);
    EXPECT_EQ(provider->errorMessages[0], QVConversationController::kStartFailed);
    EXPECT_FALSE(screen->poller());
}

TEST_F(ConversationTest, AFailedPollOfADiscussionPopsTheScreen)
{
    Ref<platform::ui::ViewController> below = QVControllerLoader::load("DeadEndError");
    navigation = QVFramedNavigationController::withRootViewController(below.get());
    driver().showController(navigation.get());
    screen = QVConversationController::conversationWithId("60", bo.get());
    navigation->pushViewController(screen.get(), false);
    settle(1);
    ASSERT_TRUE(provider->answerWithXml(kHistory));
    settle(1);
    platform::NotificationCenter::defaultCenter().post(QVPoller::kPollingFailedNotification,
                                                       platform::Boxed::box(platform::Value(std::string("activities.xml"))).get());
    settle(1);
    EXPECT_EQ(navigation->topViewController(), screen.get()) << "another poller's failure";
    platform::NotificationCenter::defaultCenter().post(QVPoller::kPollingFailedNotification,
                                                       platform::Boxed::box(platform::Value(std::string("discussions/60/posts.xml"))).get());
    settle(1);
    EXPECT_EQ(navigation->topViewController(), below.get());
}

TEST_F(ConversationTest, TheBoxSendsNothingEmptyAndKeepsTextThatFailedToSend)
{
    open("60");
    ASSERT_TRUE(provider->answerWithXml(kHistory));
    settle(1);
    auto* box = screen->messageBox();
    ASSERT_TRUE(box);
    size_t before = provider->requests().size();
    driver().tap(box->sendButton());
    settle();
    EXPECT_EQ(provider->requests().size(), before) << "an empty field sends nothing";

    box->messageField()->setText("see you");
    ASSERT_TRUE(driver().tap(box->sendButton()));
    settle();
    auto posts = requestsTo("discussions/60/posts.xml");
    ASSERT_EQ(posts.back().method, "POST");
    EXPECT_EQ(parameter(posts.back(), "post[body]"), "see you");
    EXPECT_EQ(box->messageField()->text(), "");
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    EXPECT_EQ(box->messageField()->text(), "see you");
}

TEST_F(ConversationTest, TheBoxGrowsUpwardsWithItsTextUpToFiveLines)
{
    open("60");
    ASSERT_TRUE(provider->answerWithXml(kHistory));
    settle(1);
    auto* box = screen->messageBox();
    auto* field = box->messageField();
    const float bottom = box->view()->frame().maxY();
    const float oneLine = box->view()->frame().size.height;
    field->setText("one\ntwo\nthree");
    settle();
    EXPECT_FLOAT_EQ(box->view()->frame().maxY(), bottom) << "the box keeps its bottom edge";
    EXPECT_GT(box->view()->frame().size.height, oneLine);
    EXPECT_FLOAT_EQ(box->view()->frame().size.height, field->frame().size.height + 6);
    field->setText("1\n2\n3\n4\n5\n6\n7\n8");
    settle();
    const float fiveLines = 5 * field->lineHeight() + QVExpandableSinglelineTextField::kExtraHeightSmall + 6;
    EXPECT_LE(box->view()->frame().size.height, fiveLines + 0.5f);
    EXPECT_FLOAT_EQ(box->view()->frame().maxY(), bottom);
}

TEST_F(ConversationTest, AnInitialTextFillsTheBoxOnceShown)
{
    // As the central class opens it for a game: by name, with the user and the text.
    QVLoaderParameters parameters { { "user", Ref<platform::Object>(bo.get()) },
                                    { "initialText", platform::Boxed::box(platform::Value(std::string("gg!"))) } };
    screen = dynamicRef<QVConversationController>(QVControllerLoader::loadWithParams("Conversation", parameters));
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->conversationUser(), bo.get());
    navigation = QVFramedNavigationController::withRootViewController(screen.get());
    driver().showController(navigation.get());
    settle(0.2);
    EXPECT_EQ(screen->messageBox()->messageField()->text(), "");
    settle(0.5);
    EXPECT_EQ(screen->messageBox()->messageField()->text(), "gg!");
}

TEST_F(ConversationTest, AMemoryWarningBeforeTheInitialTextLeavesTheBoxWhole)
{
    // The game opens the conversation with a text; memory runs short before the text goes in.
    QVLoaderParameters parameters { { "user", Ref<platform::Object>(bo.get()) },
                                    { "initialText", platform::Boxed::box(platform::Value(std::string("one\ntwo\nthree"))) } };
    screen = dynamicRef<QVConversationController>(QVControllerLoader::loadWithParams("Conversation", parameters));
    ASSERT_TRUE(screen);
    // Pushed over the player's page, as the central class opens it.
    auto page = platform::ui::ViewController::controller();
    navigation = QVFramedNavigationController::withRootViewController(page.get());
    driver().showController(navigation.get());
    settle();
    navigation->pushViewController(screen.get(), true);
    settle(0.1);
    auto* box = screen->messageBox();
    platform::ui::View* boxView = box->view();
    auto* field = box->messageField();
    const float oneLine = boxView->frame().size.height;
    driver().memoryWarning();
    settle(0.6);
    ASSERT_EQ(screen->messageBox(), box);
    EXPECT_EQ(box->view(), boxView);
    ASSERT_EQ(box->messageField(), field);
    EXPECT_EQ(field->text(), "one\ntwo\nthree");
    EXPECT_GT(boxView->frame().size.height, oneLine) << "the box still grows with its field";
    EXPECT_TRUE(boxView->isDescendantOfView(navigation->view()));
}

TEST_F(ConversationTest, ABoxBuiltAgainGivesTheTextAndTheConversationToItsNewField)
{
    QVLoaderParameters parameters { { "user", Ref<platform::Object>(bo.get()) },
                                    { "initialText", platform::Boxed::box(platform::Value(std::string("gg!"))) } };
    screen = dynamicRef<QVConversationController>(QVControllerLoader::loadWithParams("Conversation", parameters));
    ASSERT_TRUE(screen);
    navigation = QVFramedNavigationController::withRootViewController(screen.get());
    driver().showController(navigation.get());
    settle(0.1);
    auto* box = screen->messageBox();
    Ref<QVExpandableSinglelineTextField> first = box->messageField();
    box->setView(nullptr); // the box lets its view go; it is built again when next asked for
    settle(0.6);
    auto* field = box->messageField();
    ASSERT_TRUE(field);
    EXPECT_NE(field, first.get());
    EXPECT_EQ(field->text(), "gg!");
    EXPECT_EQ(field->multilineTextFieldDelegate(), static_cast<QVExpandableSinglelineTextFieldDelegate*>(screen.get()));
    // The old field, still held here, no longer sizes the box.
    const float height = box->view()->frame().size.height;
    first->setText("1\n2\n3");
    settle();
    EXPECT_EQ(box->view()->frame().size.height, height);
}

TEST_F(ConversationTest, TheAuthorsPictureOpensTheirProfile)
{
    open("60");
    ASSERT_TRUE(provider->answerWithXml(kHistory));
    settle(1);
    StackAsDashboard dashboard(host(), navigation.get());
    auto* first = dynamic_cast<QVConversationCell*>(rowCell(screen.get(), 0));
    ASSERT_TRUE(first);
    ASSERT_TRUE(driver().tap(first->authorPictureView()));
    settle(1);
    auto* profile = dynamic_cast<QVProfileController*>(navigation->topViewController());
    ASSERT_TRUE(profile);
    ASSERT_TRUE(profile->pageUser());
    EXPECT_EQ(profile->pageUser()->resourceId(), "18");
}

TEST_F(ConversationTest, EachBubbleWrapsItsBodyEightPointsTallerWithTheAuthorLineAbove)
{
    open("60");
    const std::string longBody = "A long message that needs several lines in its bubble, so the bubble has to grow "
                                 "with it and still wrap the last line of the text.";
    const std::string history = "<?xml version=\"1.0\"?><resources>"
                                "<post><id>502</id><body>" + longBody + "</body><user><id>17</id>"
                                "<name>Alexandria Montgomery-Fitzgerald</name></user>" // as long as a name may be
                                "<created_at>2010-11-09T13:06:00Z</created_at><discussion_id>60</discussion_id></post>"
                                "<post><id>501</id><body>Short</body><user><id>18</id><name>Bo</name></user>"
                                "<created_at>2010-11-09T13:00:00Z</created_at><discussion_id>60</discussion_id></post>"
                                "</resources>";
    ASSERT_TRUE(provider->answerWithXml(history));
    settle(1);
    auto image = render("dashboard-conversation-bubbles");
    ASSERT_TRUE(image);
    for (int row : { 0, 1 }) {
        SCOPED_TRACE(row);
        auto* cell = dynamic_cast<QVConversationCell*>(rowCell(screen.get(), row));
        ASSERT_TRUE(cell);
        platform::Rect body = cell->bodyLabel()->frame();
        platform::Rect bubble = cell->bubbleView()->frame();
        EXPECT_EQ(bubble.size.height, body.size.height + 8);
        EXPECT_LE(bubble.minY(), body.minY());
        EXPECT_GE(bubble.maxY(), body.maxY()) << "the bubble wraps the body";
        EXPECT_LE(cell->authorLabel()->frame().maxY(), bubble.minY()) << "the author line sits above the bubble";
        // The date stays whole beside the author's name, however long the name: the name gives way.
        platform::Rect date = cell->dateLabel()->frame();
        EXPECT_LE(cell->authorLabel()->frame().maxX(), date.minX());
        EXPECT_FALSE(cell->dateLabel()->currentLayout().truncated) << cell->dateLabel()->text();
        EXPECT_LE(date.maxX(), bubble.maxX());
        EXPECT_EQ(cell->frame().size.height, std::max(body.maxY() + 14, QVConversationCell::kMinHeight));
        // Below the body's last line, still inside the bubble: the bubble's colour.
        auto below = cell->bubbleView()->convertPointTo(platform::Point(20, bubble.size.height - 2), nullptr);
        auto px = screen_testing::pixelAt(*image, static_cast<int>(below.x), static_cast<int>(below.y));
        auto inside = cell->bubbleView()->convertPointTo(platform::Point(20, 6), nullptr);
        auto ref = screen_testing::pixelAt(*image, static_cast<int>(inside.x), static_cast<int>(inside.y));
        EXPECT_TRUE(screen_testing::near(px, ref.r, ref.g, ref.b, 20)) << px.r << "," << px.g << "," << px.b;
    }
    auto* longRow = dynamic_cast<QVConversationCell*>(rowCell(screen.get(), 1));
    ASSERT_TRUE(longRow);
    EXPECT_GT(longRow->bodyLabel()->frame().size.height, 40) << "the long body takes several lines";
}

} // namespace
