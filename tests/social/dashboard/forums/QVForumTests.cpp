// Forums: topics (and the chat entry), threads, the thread view's star and
// reply, and the posting form's checks and submissions.
#include "../CommunityTestSupport.h"

#include "social/dashboard/chat/QVSelectChatRoomDefinitionController.h"
#include "social/dashboard/forums/QVForumTopicListController.h"
#include "social/dashboard/forums/QVForumThreadListController.h"
#include "social/dashboard/forums/QVForumThreadViewController.h"
#include "social/dashboard/forums/QVPostNewMessage.h"
#include "social/dashboard/profiles/QVProfileController.h"
#include "social/services/QVForumService.h"
#include "social/ui/QVFramedNavigationController.h"

using namespace quorvel;
using namespace community_testing;
using dashboard_testing::fixture;
using platform::Ref;

namespace {

const char* kTopics = "<?xml version=\"1.0\"?><resources>"
                      "<topic><id>7</id><name>General</name></topic>"
                      "<topic><name>Chat</name></topic>"
                      "</resources>";

std::string threadXml(const std::string& id, bool locked, bool subscribed, bool sticky)
{
    auto flag = [](bool b) { return b ? "true" : "false"; };
    return "<discussion><id>" + id + "</id><subject>Boss fight " + id + "</subject><user><id>17</id><name>Ann</name></user>"
        + "<locked>" + flag(locked) + "</locked><posts_count>5</posts_count><sticky>" + flag(sticky) + "</sticky><subscribed>"
        + flag(subscribed) + "</subscribed></discussion>";
}

const char* kPosts = "<?xml version=\"1.0\"?><resources>"
                     "<post><id>500</id><body>Use the shield on the second phase, it blocks the beam entirely.</body>"
                     "<user><id>17</id><name>Ann</name><last_played_game_name>Brisko</last_played_game_name></user></post>"
                     "<post><id>501</id><body>Thanks!</body><user><id>18</id><name>Bo</name></user></post>"
                     "</resources>";

class ForumTest : public CommunityTest {
protected:
    void TearDown() override
    {
        topics = nullptr;
        CommunityTest::TearDown();
    }

    void openTopics()
    {
        setLocalProfile("55", false, false, false);
        topics = QVForumTopicListController::topicBrowser();
        ASSERT_TRUE(topics);
        navigation = QVFramedNavigationController::withRootViewController(topics.get());
        driver().showController(navigation.get());
        settle();
        ASSERT_TRUE(provider->answerWithXml(kTopics));
        settle(1);
    }

    template <typename T>
    T* top() { return dynamic_cast<T*>(navigation->topViewController()); }

    QVForumThreadListController* openThreads(const std::string& threadsXml)
    {
        openTopics();
        EXPECT_TRUE(tapRow(topics.get(), 0));
        EXPECT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources>" + threadsXml + "</resources>"));
        settle(2);
        return top<QVForumThreadListController>();
    }

    QVForumThreadViewController* openThread(bool locked, bool subscribed)
    {
        auto* threads = openThreads(threadXml("40", locked, subscribed, false));
        EXPECT_TRUE(threads);
        if (!threads)
            return nullptr;
        EXPECT_TRUE(tapRow(threads, 0));
        EXPECT_TRUE(provider->answerWithXml(kPosts));
        settle(2);
        return top<QVForumThreadViewController>();
    }

    Ref<QVForumTopicListController> topics;
};

TEST_F(ForumTest, TopicsOfTheRunningGameLeadToThreadsAndTheChatEntryToGlobalRooms)
{
    openTopics();
    EXPECT_EQ(topics->title(), "Forums & Chat");
    ASSERT_EQ(requestsTo("client_applications/55/forums.xml").size(), 1u);
    ASSERT_EQ(topics->tableView()->numberOfRowsInSection(0), 2);
    auto* chat = dynamic_cast<QVForumTopicCell*>(rowCell(topics.get(), 1));
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->titleLabel()->text(), "Chat");

    ASSERT_TRUE(tapRow(topics.get(), 1));
    auto* rooms = top<QVSelectChatRoomDefinitionController>();
    ASSERT_TRUE(rooms);
    EXPECT_TRUE(rooms->includeGlobalRooms);
    EXPECT_FALSE(rooms->includeApplicationRooms);
    EXPECT_FALSE(rooms->includeDeveloperRooms);
    navigation->popViewControllerAnimated(false);
    settle(2);

    ASSERT_TRUE(tapRow(topics.get(), 0));
    auto* threads = top<QVForumThreadListController>();
    ASSERT_TRUE(threads);
    EXPECT_EQ(threads->title(), "General");
    auto requests = requestsTo("topics/7/discussions.xml");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(parameter(requests[0], "page"), "1");
}

TEST_F(ForumTest, ThreadRowsShowLockStarAndSticky)
{
    auto* threads = openThreads(threadXml("40", true, true, false) + threadXml("41", false, false, true));
    ASSERT_TRUE(threads);
    auto* locked = dynamic_cast<QVForumThreadCell*>(rowCell(threads, 0));
    ASSERT_TRUE(locked);
    EXPECT_TRUE(locked->postsCountLabel()->isHidden());
    EXPECT_FALSE(locked->threadStatusIcon()->isHidden());
    EXPECT_FALSE(locked->favoritedIcon()->isHidden());
    EXPECT_TRUE(locked->stickyLabel()->isHidden());
    EXPECT_EQ(locked->titleLabel()->frame().origin.x, locked->stickyLabel()->frame().origin.x);
    EXPECT_EQ(locked->lastPostByLabel()->text(), "Last post by Ann");

    auto* sticky = dynamic_cast<QVForumThreadCell*>(rowCell(threads, 1));
    ASSERT_TRUE(sticky);
    EXPECT_EQ(sticky->postsCountLabel()->text(), "5");
    EXPECT_TRUE(sticky->threadStatusIcon()->isHidden());
    EXPECT_TRUE(sticky->favoritedIcon()->isHidden());
    EXPECT_FALSE(sticky->stickyLabel()->isHidden());
    EXPECT_EQ(sticky->titleLabel()->frame().origin.x, sticky->stickyLabel()->frame().maxX());
}

TEST_F(ForumTest, ANewThreadIsCheckedPostedAndTheListReloadsOnce)
{
    auto* threads = openThreads(threadXml("40", false, false, false));
    ASSERT_TRUE(threads);
    ASSERT_TRUE(threads->navigationItem()->rightBarButtonItem());
    ASSERT_TRUE(threads->navigationItem()->rightBarButtonItem()->trigger());
    settle(1);
    auto* form = top<QVPostNewMessage>();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->title(), "New Post");
    EXPECT_FALSE(form->subjectView()->isHidden());

    form->bodyField()->setText("Anyone?");
    form->onSubmitForm();
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->message(), "Please enter a subject and try again.");
    lastAlert()->clickButton(0);
    settle(1);
    form->subjectField()->setText("Level 3");
    form->bodyField()->setText("");
    form->onSubmitForm();
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->message(), "Please enter a message body and try again.");
    lastAlert()->clickButton(0);
    settle(1);
    EXPECT_TRUE(requestsTo("topics/7/discussions.xml").size() == 1u) << "nothing sent";

    form->bodyField()->setText("How do I pass it?");
    form->onSubmitForm();
    settle();
    auto posts = requestsTo("topics/7/discussions.xml");
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].method, "POST");
    EXPECT_EQ(parameter(posts[1], "discussion[subject]"), "Level 3");
    EXPECT_EQ(parameter(posts[1], "discussion[body]"), "How do I pass it?");
    ASSERT_TRUE(provider->answerWithXml(fixture("ok.xml")));
    settle(2);
    EXPECT_EQ(navigation->topViewController(), threads);
    ASSERT_EQ(requestsTo("topics/7/discussions.xml").size(), 3u) << "the list reloads on its return";
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources>" + threadXml("40", false, false, false) + "</resources>"));
    settle(1);

    // Later appearances do not reload.
    Ref<platform::ui::ViewController> other = QVControllerLoader::load("DeadEndError");
    navigation->pushViewController(other.get(), false);
    settle(1);
    navigation->popViewControllerAnimated(false);
    settle(1);
    EXPECT_EQ(requestsTo("topics/7/discussions.xml").size(), 3u);
}

TEST_F(ForumTest, TheStarSubscribesAndAFailureLeavesItAsItWas)
{
    auto* view = openThread(false, true);
    ASSERT_TRUE(view);
    ASSERT_EQ(requestsTo("discussions/40/posts.xml").size(), 1u);
    ASSERT_TRUE(view->subscribeButton()) << "the leading row's button is the screen's star";
    EXPECT_EQ(view->subscribeButton()->currentTitle(), QVForumThreadViewController::kSubscribedTitle);

    ASSERT_TRUE(driver().tap(view->subscribeButton()));
    settle();
    ASSERT_EQ(requestsTo("discussions/40/unsubscribe.xml").size(), 1u);
    ASSERT_TRUE(provider->answerWithFailure());
    settle(1);
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->title(), "Error Occurred");
    EXPECT_EQ(lastAlert()->message(), "Could not unsubscribe from thread. Please try again later.");
    lastAlert()->clickButton(0);
    EXPECT_TRUE(view->thread()->isSubscribed());
    EXPECT_EQ(view->subscribeButton()->currentTitle(), QVForumThreadViewController::kSubscribedTitle);

    settle(2);
    ASSERT_TRUE(driver().tap(view->subscribeButton()));
    settle();
    ASSERT_TRUE(provider->answerWithXml(fixture("ok.xml")));
    settle(1);
    EXPECT_FALSE(view->thread()->isSubscribed());
    EXPECT_EQ(view->subscribeButton()->currentTitle(), QVForumThreadViewController::kUnsubscribedTitle);

    // The posts: "name | game" for a player with a game, the name alone otherwise.
    auto* first = dynamic_cast<QVForumPostCell*>(rowCell(view, 1));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->authorLabel()->text(), "Ann | ");
    EXPECT_EQ(first->gameLabel()->text(), "Brisko");
    EXPECT_FLOAT_EQ(first->bodyLabel()->frame().origin.y, first->authorLabel()->frame().maxY() + 2);
    auto* second = dynamic_cast<QVForumPostCell*>(rowCell(view, 2));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->authorLabel()->text(), "Bo");
    EXPECT_EQ(second->frame().size.height, QVForumPostCell::kMinHeight);

    settle(2);
    auto image = render("dashboard-forum-thread");
    ASSERT_TRUE(image);
    auto* body = first->bodyLabel();
    auto origin = body->convertPointTo(platform::Point(0, 0), nullptr);
    int dark = 0;
    for (int x = 0; x < 60; ++x)
        for (int y = 0; y < static_cast<int>(body->frame().size.height); ++y) {
            auto px = screen_testing::pixelAt(*image, static_cast<int>(origin.x) + x, static_cast<int>(origin.y) + y);
            if (px.r < 100 && px.g < 100 && px.b < 100)
                ++dark;
        }
    EXPECT_GT(dark, 5) << "the post's text";
    auto white = screen_testing::pixelAt(*image, static_cast<int>(origin.x) + 2, static_cast<int>(origin.y) - 1);
    EXPECT_GT(white.r, 200);
}

TEST_F(ForumTest, TheStarRowsWordsReadWhiteOnItsDarkRowApartFromTheStarAndThePostsFramesStayInTheirRows)
{
    auto* view = openThread(false, true);
    ASSERT_TRUE(view);
    settle(2);
    auto image = render("dashboard-forum-star");
    ASSERT_TRUE(image);
    platform::ui::Button* star = view->subscribeButton();
    ASSERT_TRUE(star);
    platform::Rect title = star->titleLabel()->convertRectTo(star->titleLabel()->bounds(), nullptr);
    platform::Rect icon = star->imageView()->convertRectTo(star->imageView()->bounds(), nullptr);
    EXPECT_GE(title.minX(), icon.maxX() + 6) << "the words stand apart from the star";
    // Light words on the dark leading row.
    int light = 0, dark = 0;
    for (int y = int(title.minY()); y < int(title.maxY()); ++y)
        for (int x = int(title.minX()); x < int(title.maxX()); ++x) {
            auto p = screen_testing::pixelAt(*image, x, y);
            light += p.r + p.g + p.b > 660;
            dark += p.r + p.g + p.b < 240;
        }
    EXPECT_GT(light, 50);
    EXPECT_GT(dark, light) << "the row behind the words is dark";
    EXPECT_EQ(star->titleColorForState(platform::ui::StateNormal), platform::ui::Color::whiteColor());
    // A post's picture frame (7 points past the picture) stays inside its row.
    auto* post = dynamic_cast<QVForumPostCell*>(rowCell(view, 1));
    ASSERT_TRUE(post);
    EXPECT_GE(post->authorPictureView()->frame().minX() - 7, 0);
    EXPECT_GE(post->authorLabel()->frame().minX(), post->authorPictureView()->frame().maxX() + 7 + 5);
}

TEST_F(ForumTest, ALockedThreadHasNoReplyAndARepliedThreadReloads)
{
    auto* locked = openThread(true, false);
    ASSERT_TRUE(locked);
    EXPECT_FALSE(locked->navigationItem()->rightBarButtonItem());
    locked->_reply();
    ASSERT_TRUE(lastAlert());
    EXPECT_EQ(lastAlert()->title(), "Thread is Locked");
    lastAlert()->clickButton(0);
    EXPECT_EQ(navigation->topViewController(), locked);
}

TEST_F(ForumTest, AReplyReloadsTheThreadBelow)
{
    auto* view = openThread(false, false);
    ASSERT_TRUE(view);
    ASSERT_TRUE(view->navigationItem()->rightBarButtonItem());
    ASSERT_TRUE(view->navigationItem()->rightBarButtonItem()->trigger());
    settle(1);
    auto* form = top<QVPostNewMessage>();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->title(), "Reply");
    EXPECT_TRUE(form->subjectView()->isHidden());
    EXPECT_FLOAT_EQ(form->bodyView()->frame().origin.y, 5);
    form->bodyField()->setText("Me too");
    form->onSubmitForm();
    settle();
    auto posts = requestsTo("discussions/40/posts.xml");
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].method, "POST");
    EXPECT_EQ(parameter(posts[1], "post[body]"), "Me too");
    ASSERT_TRUE(provider->answerWithXml(fixture("ok.xml")));
    settle(2);
    EXPECT_EQ(navigation->topViewController(), view);
    EXPECT_EQ(requestsTo("discussions/40/posts.xml").size(), 3u) << "the thread reloads";
}

TEST_F(ForumTest, AReportFromAPostersProfileFlagsThePost)
{
    auto* view = openThread(false, false);
    ASSERT_TRUE(view);
    StackAsDashboard dashboard(host(), navigation.get());
    ASSERT_TRUE(tapRow(view, 1));
    auto* profile = top<QVProfileController>();
    ASSERT_TRUE(profile) << "the post's author";
    ASSERT_TRUE(profile->pageUser());
    EXPECT_EQ(profile->pageUser()->resourceId(), "17");

    profile->onFlag();
    auto sheets = platform::ui::ActionSheet::visibleSheets();
    ASSERT_EQ(sheets.size(), 1u);
    ASSERT_TRUE(sheets[0]->clickButton("Yes, Report"));
    settle();
    auto reports = requestsTo("users/17/abuse_flags.xml");
    ASSERT_EQ(reports.size(), 1u);
    auto has = [&](const std::string& key, const std::string& value) {
        for (auto& [k, v] : reports[0].parameters)
            if (k == key)
                return v == value;
        return false;
    };
    EXPECT_TRUE(has("abuse_flag[abuse_type]", "forum")) << "not a chat report";
    EXPECT_TRUE(has("abuse_flag[flaggable_type]", "Post"));
    EXPECT_TRUE(has("abuse_flag[flaggable_id]", "500"));
}

TEST_F(ForumTest, APostersPictureOpensTheirProfile)
{
    auto* view = openThread(false, false);
    ASSERT_TRUE(view);
    StackAsDashboard dashboard(host(), navigation.get());
    auto* second = dynamic_cast<QVForumPostCell*>(rowCell(view, 2));
    ASSERT_TRUE(second);
    ASSERT_TRUE(driver().tap(second->authorPictureView()));
    settle(1);
    auto* profile = top<QVProfileController>();
    ASSERT_TRUE(profile);
    ASSERT_TRUE(profile->pageUser());
    EXPECT_EQ(profile->pageUser()->resourceId(), "18");
}

} // namespace
