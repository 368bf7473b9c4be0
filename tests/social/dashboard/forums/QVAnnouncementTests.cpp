// Announcements (marked read when shown, the detail's header, reply and buy
// button) and the social-post question (icons, Yes and No, remembering).
#include "../CommunityTestSupport.h"

#include "platform/foundation/DateFormat.h"
#include "social/core/QuorvelInternal.h"
#include "social/dashboard/forums/QVAnnouncementBrowserController.h"
#include "social/dashboard/forums/QVAnnouncementDetailController.h"
#include "social/dashboard/inbox/QVSocialNotificationController.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVUsersCredential.h"
#include "social/ui/QVFramedNavigationController.h"

using namespace quorvel;
using namespace community_testing;
using dashboard_testing::fixture;
using platform::Ref;

namespace {

class AnnouncementScreenTest : public CommunityTest {
protected:
    void TearDown() override
    {
        browser = nullptr;
        QVAnnouncementService::shutdownService();
        CommunityTest::TearDown();
    }

    // The service downloads the running game's announcements, then the browser shows them.
    void openBrowser(const std::string& answer)
    {
        QVAnnouncementService::downloadAnnouncements();
        settle();
        ASSERT_TRUE(provider->answerWithXml(answer));
        settle(1);
        browser = QVAnnouncementBrowserController::announcementBrowser();
        ASSERT_TRUE(browser);
        navigation = QVFramedNavigationController::withRootViewController(browser.get());
        driver().showController(navigation.get());
        settle(1);
    }

    Ref<QVAnnouncementBrowserController> browser;
};

TEST_F(AnnouncementScreenTest, ShowingTheRunningGamesAnnouncementsRecordsTheNewestAndMarksThemRead)
{
    openBrowser(fixture("announcements.xml"));
    EXPECT_EQ(browser->title(), "Announcements");
    ASSERT_EQ(browser->tableView()->numberOfRowsInSection(0), 3);
    auto stored = QuorvelInternal::options().lastAnnouncementDateForLocalUser();
    auto expected = platform::DateFormatter("yyyy-MM-dd'T'HH:mm:ss'Z'").parse("2010-11-05T00:00:00Z");
    ASSERT_TRUE(expected);
    EXPECT_EQ(stored.seconds, expected->seconds);
    EXPECT_EQ(QVAnnouncementService::unreadAnnouncements(), 0u);
}

TEST_F(AnnouncementScreenTest, NoAnnouncementsStillMarksAllRead)
{
    QVAnnouncementService::service().setUnseenAnnouncementCount(4);
    browser = QVAnnouncementBrowserController::announcementBrowser();
    navigation = QVFramedNavigationController::withRootViewController(browser.get());
    driver().showController(navigation.get());
    settle(1);
    EXPECT_EQ(QVAnnouncementService::unreadAnnouncements(), 0u);
    EXPECT_TRUE(provider->requests().empty()) << "the running game's list is the service's";
}

TEST_F(AnnouncementScreenTest, AnotherGamesAnnouncementsChangeNeitherTheDateNorTheCount)
{
    QVAnnouncementService::service().setUnseenAnnouncementCount(2);
    const double dateBefore = QuorvelInternal::options().lastAnnouncementDateForLocalUser().seconds;
    Ref<platform::ui::ViewController> page = QVControllerLoader::load("DeadEndError");
    auto framed = QVFramedNavigationController::withRootViewController(page.get());
    navigation = framed;
    driver().showController(navigation.get());
    settle();
    framed->changeGameContext(profileFrom(dashboard_testing::profileXml("302", "Other", false, false, false)).get());
    browser = QVAnnouncementBrowserController::announcementBrowser();
    navigation->pushViewController(browser.get(), false);
    settle(1);
    ASSERT_EQ(requestsTo("client_applications/302/forums/announcements.xml").size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(fixture("announcements.xml")));
    settle(1);
    EXPECT_EQ(browser->tableView()->numberOfRowsInSection(0), 3);
    EXPECT_EQ(QVAnnouncementService::unreadAnnouncements(), 2u);
    EXPECT_EQ(QuorvelInternal::options().lastAnnouncementDateForLocalUser().seconds, dateBefore);
}

TEST_F(AnnouncementScreenTest, TheDetailShowsTheFirstPostInItsHeaderAndOffersReplyAndTheStar)
{
    openBrowser(fixture("announcements.xml"));
    // Row of "Sticky new" (linked to another game) and "Old plain".
    int linkedRow = -1;
    for (int row = 0; row < 3; ++row)
        if (auto* a = dynamic_cast<QVAnnouncement*>(browser->getResourceAtIndexPath(platform::ui::IndexPath::forRow(row, 0))))
            if (a->resourceId() == "3")
                linkedRow = row;
    ASSERT_GE(linkedRow, 0);
    ASSERT_TRUE(tapRow(browser.get(), linkedRow));
    auto* detail = dynamic_cast<QVAnnouncementDetailController*>(navigation->topViewController());
    ASSERT_TRUE(detail);
    ASSERT_EQ(requestsTo("discussions/3/posts.xml").size(), 1u);
    ASSERT_TRUE(provider->answerWithXml(fixture("forum_posts.xml")));
    settle(1);
    ASSERT_TRUE(detail->firstPost());
    EXPECT_EQ(detail->firstPost()->body(), "The announcement itself");
    EXPECT_EQ(detail->bodyLabel()->text(), "The announcement itself");
    EXPECT_EQ(detail->titleLabel()->text(), "Sticky new");
    EXPECT_FALSE(detail->buyButton()->isHidden()) << "linked to a game";
    EXPECT_FALSE(detail->headerToolbarView()->isHidden());
    EXPECT_EQ(detail->tableView()->numberOfRowsInSection(0), 2) << "the star, then the discussion: the first post is the header";
    ASSERT_TRUE(detail->segments());
    EXPECT_EQ(detail->segments()->numberOfSegments(), 1);

    // The star adds the announcement's discussion to the player's conversations.
    ASSERT_TRUE(detail->subscribeButton());
    EXPECT_EQ(detail->subscribeButton()->currentTitle(), QVForumThreadViewController::kUnsubscribedTitle);
    ASSERT_TRUE(driver().tap(detail->subscribeButton()));
    settle();
    auto subscribe = requestsTo("discussions/3/subscribe.xml");
    ASSERT_EQ(subscribe.size(), 1u);
    EXPECT_EQ(parameter(subscribe[0], "topic_id"), "announcements");
    ASSERT_TRUE(provider->answerWithXml(fixture("ok.xml")));
    settle(1);
    EXPECT_TRUE(detail->thread()->isSubscribed());
    EXPECT_EQ(detail->subscribeButton()->currentTitle(), QVForumThreadViewController::kSubscribedTitle);
}

TEST_F(AnnouncementScreenTest, ALockedAnnouncementWithoutAGameHasNoReplyNoBuyAndNoEmptyText)
{
    openBrowser("<?xml version=\"1.0\"?><resources><discussion><id>9</id><subject>Closed</subject>"
                "<updated_at>2010-11-05T00:00:00Z</updated_at><locked>true</locked></discussion></resources>");
    ASSERT_TRUE(tapRow(browser.get(), 0));
    auto* detail = dynamic_cast<QVAnnouncementDetailController*>(navigation->topViewController());
    ASSERT_TRUE(detail);
    ASSERT_TRUE(provider->answerWithXml("<?xml version=\"1.0\"?><resources><post><id>1</id><body>Only this</body></post></resources>"));
    settle(1);
    EXPECT_FALSE(detail->navigationItem()->rightBarButtonItem());
    EXPECT_TRUE(detail->buyButton()->isHidden());
    EXPECT_TRUE(detail->headerToolbarView()->isHidden());
    EXPECT_FALSE(detail->tableView()->tableFooterView()) << "nothing in place of the discussion";
    EXPECT_EQ(detail->getNoDataFoundMessage(), "Discussion has been disabled for this announcement.");
}

class SocialPromptTest : public CommunityTest {
protected:
    void SetUp() override
    {
        CommunityTest::SetUp();
        QuorvelInternal::options().setUserHasRememberedChoiceForNotifications(false);
        QuorvelInternal::options().setUserAllowsNotifications(false);
    }
    void TearDown() override
    {
        prompt = nullptr;
        CommunityTest::TearDown();
    }

    QVSocialNotificationController* open(Ref<QVSocialNotification> notification,
                                         const std::vector<std::string>& types = { "fbconnect" })
    {
        Ref<platform::ui::ViewController> loaded = QVControllerLoader::load("SocialNotification");
        prompt = dynamicRef<QVSocialNotificationController>(loaded);
        if (!prompt)
            return nullptr;
        std::vector<Ref<QVUsersCredential>> credentials;
        for (auto& type : types)
            credentials.push_back(resourceFrom<QVUsersCredential>("<users_credential><credential_type>" + type
                                                                  + "</credential_type></users_credential>"));
        dynamic_cast<QVSocialNotificationPrompt*>(prompt.get())->setSocialNotification(notification.get(), credentials);
        driver().showController(prompt.get());
        settle();
        return prompt.get();
    }

    // Answers every waiting request (the pictures' and the posts') as accepted.
    void answerEverything()
    {
        while (provider->waitingCount() > 0)
            ASSERT_TRUE(provider->answerWithXml(fixture("empty_resources.xml")));
        settle(1);
    }

    Ref<QVSocialNotificationController> prompt;
};

TEST_F(SocialPromptTest, TwoNetworksShowTwoIconsAndAThirdIsNotShown)
{
    auto* p = open(QVSocialNotification::initWithText("I won", std::nullopt, std::nullopt, std::nullopt),
                   { "fbconnect", "twitter", "email" });
    ASSERT_TRUE(p);
    EXPECT_FALSE(p->networkIcon1()->isHidden());
    EXPECT_FALSE(p->networkIcon2()->isHidden());
    auto* second = p->networkIcon2()->image();
    p->addSocialNetworkIcon(nullptr);
    EXPECT_EQ(p->networkIcon2()->image(), second);
    EXPECT_EQ(p->notificationText()->text(), "I won");
}

TEST_F(SocialPromptTest, WithTheSwitchOffNothingIsRememberedWhicheverButton)
{
    auto* p = open(QVSocialNotification::initWithText("I won", std::nullopt, std::nullopt, std::string("http://x/")));
    ASSERT_TRUE(p);
    p->rememberSwitch()->setOn(false);
    ASSERT_TRUE(driver().tap(p->yesButton()));
    settle();
    auto posts = requestsTo("notifications.xml");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(parameter(posts[0], "msg"), "I won");
    EXPECT_FALSE(QuorvelInternal::options().userHasRememberedChoiceForNotifications());

    auto* again = open(QVSocialNotification::initWithText("Again", std::nullopt, std::nullopt, std::nullopt));
    again->rememberSwitch()->setOn(false);
    ASSERT_TRUE(driver().tap(again->noButton()));
    EXPECT_FALSE(QuorvelInternal::options().userHasRememberedChoiceForNotifications());
}

TEST_F(SocialPromptTest, WithTheSwitchOnTheAnswerDecidesLaterPosts)
{
    auto* p = open(QVSocialNotification::initWithText("I won", std::nullopt, std::nullopt, std::nullopt));
    p->rememberSwitch()->setOn(true);
    ASSERT_TRUE(driver().tap(p->noButton()));
    EXPECT_TRUE(QuorvelInternal::options().userHasRememberedChoiceForNotifications());
    EXPECT_FALSE(QuorvelInternal::options().userAllowsNotifications());
    EXPECT_TRUE(requestsTo("notifications.xml").empty());

    auto* yes = open(QVSocialNotification::initWithText("Later", std::nullopt, std::nullopt, std::nullopt));
    yes->rememberSwitch()->setOn(true);
    ASSERT_TRUE(driver().tap(yes->yesButton()));
    EXPECT_TRUE(QuorvelInternal::options().userAllowsNotifications());
}

TEST_F(SocialPromptTest, ThePictureAddressIsAskedForAndAnEmptyAnswerChangesNothing)
{
    auto notification = QVSocialNotification::initWithText("I won", std::string("achievement"), std::string("trophy"), std::nullopt);
    auto* p = open(notification);
    ASSERT_TRUE(p);
    auto asks = requestsTo("client_applications/55/notification_images/show.xml");
    ASSERT_EQ(asks.size(), 1u);
    EXPECT_EQ(parameter(asks[0], "image_name"), "trophy");
    ASSERT_TRUE(provider->answerWithXml(fixture("empty_resources.xml")));
    settle(1);
    EXPECT_FALSE(notification->imageUrl());

    p->viewWillAppear(false);
    settle();
    ASSERT_EQ(requestsTo("client_applications/55/notification_images/show.xml").size(), 2u) << provider->waitingCount();
    ASSERT_TRUE(provider->answerWithXml(fixture("image_url.xml")));
    settle(1);
    EXPECT_EQ(notification->imageUrl(), std::optional<std::string>("http://127.0.0.1/images/achievement.png"));
}

struct HeardPosts : QVSocialNotificationApiDelegate {
    int sent { 0 };
    int failed { 0 };
    void didSendSocialNotificaiton() override { ++sent; }
    void didFailSendSocialNotification() override { ++failed; }
};

TEST_F(SocialPromptTest, TheGameHearsOnceWhateverThePlayerAnswers)
{
    HeardPosts heard;
    QVSocialNotificationApi::setDelegate(&heard);
    // No, even tapped twice: one failure, nothing posted.
    auto* p = open(QVSocialNotification::initWithText("I won", std::nullopt, std::nullopt, std::nullopt));
    ASSERT_TRUE(p);
    p->noButtonClicked(nullptr);
    p->noButtonClicked(nullptr);
    p->yesButtonClicked(nullptr);
    settle();
    EXPECT_EQ(heard.failed, 1);
    EXPECT_EQ(heard.sent, 0);
    EXPECT_TRUE(requestsTo("notifications.xml").empty());

    // Yes tapped twice: one post, and its outcome once.
    heard = HeardPosts();
    p = open(QVSocialNotification::initWithText("Again", std::nullopt, std::nullopt, std::nullopt));
    p->yesButtonClicked(nullptr);
    p->yesButtonClicked(nullptr);
    settle();
    ASSERT_EQ(requestsTo("notifications.xml").size(), 1u);
    answerEverything();
    EXPECT_EQ(heard.sent, 1);
    EXPECT_EQ(heard.failed, 0);

    // Closed without an answer: a failure once the prompt is gone.
    heard = HeardPosts();
    open(QVSocialNotification::initWithText("Unanswered", std::nullopt, std::nullopt, std::nullopt))->view()->removeFromSuperview();
    prompt = nullptr;
    answerEverything(); // its picture's request lets go of it too
    EXPECT_EQ(heard.failed, 1);
    EXPECT_EQ(heard.sent, 0);
    QVSocialNotificationApi::setDelegate(nullptr);
}

} // namespace
