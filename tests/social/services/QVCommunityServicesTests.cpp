// Forums, announcements, conversations and the inbox against the stand-in:
// each request's method, path and parameters; the records read from the
// fixtures and written back; the announcement list, its order and unread
// count; and the announcement class's delegate calls.
#include "CommunityTestSupport.h"

#include "social/runtime/QVDateFormatters.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/runtime/QVXmlDocument.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace service_testing;
using platform::Ref;
using standin::Params;

namespace {

template <typename T>
std::vector<Ref<T>> all(QVPaginatedSeries* series)
{
    std::vector<Ref<T>> out;
    if (series)
        for (auto& object : *series)
            if (auto* t = dynamic_cast<T*>(object.get()))
                out.emplace_back(t);
    return out;
}

template <typename List>
std::vector<std::string> ids(const List& list)
{
    std::vector<std::string> out;
    for (auto& r : list)
        out.push_back(r->resourceId());
    return out;
}

class CommunityTest : public CommunityNetTest {
protected:
    // The series of one call's answer.
    Ref<QVPaginatedSeries> fetch(const ServiceCall& call)
    {
        recorder = net_testing::CallbackRecorder::create();
        call(recorder->onSuccess(), recorder->onFailure());
        EXPECT_TRUE(waitForCallback());
        EXPECT_EQ(recorder->successes, 1);
        return Ref<QVPaginatedSeries>(answer());
    }
    std::string written(const QVResource& r, const char* element)
    {
        std::string out;
        r.writeXml(out, element);
        return out;
    }
};

TEST_F(CommunityTest, EachRequestSendsItsMethodPathAndParameters)
{
    struct Case {
        ServiceCall call;
        const char* method;
        const char* path;
        Params params;
    };
    const Case cases[] = {
        { [](auto& s, auto& f) { QVForumService::getTopicsForApplication("", s, f); }, "GET",
          "client_applications/301/forums.xml", {} },
        { [](auto& s, auto& f) { QVForumService::getTopicsForApplication("302", s, f); }, "GET",
          "client_applications/302/forums.xml", {} },
        { [](auto& s, auto& f) { QVForumService::getThreadsForTopic("7", 2, s, f); }, "GET",
          "topics/7/discussions.xml", { { "page", "2" } } },
        { [](auto& s, auto& f) { QVForumService::getPostsForThread("40", 3, s, f); }, "GET",
          "discussions/40/posts.xml", { { "page", "3" } } },
        { [](auto& s, auto& f) { QVForumService::replyToThread("40", "me too", s, f); }, "POST",
          "discussions/40/posts.xml", { { "post[body]", "me too" } } },
        { [](auto& s, auto& f) { QVForumService::postNewThreadInTopic("7", "Hello", "World", s, f); }, "POST",
          "topics/7/discussions.xml", { { "discussion[subject]", "Hello" }, { "discussion[body]", "World" } } },
        { [](auto& s, auto& f) { QVForumService::subscribeToThread("40", "7", s, f); }, "POST",
          "discussions/40/subscribe.xml", { { "topic_id", "7" } } },
        { [](auto& s, auto& f) { QVForumService::unsubscribeFromThread("40", "7", s, f); }, "POST",
          "discussions/40/unsubscribe.xml", { { "topic_id", "7" } } },
        { [](auto& s, auto& f) { QVConversationService::startConversationWithUser("18", s, f); }, "POST",
          "discussions.xml", { { "discussion[other_user_id]", "18" } } },
        { [](auto& s, auto& f) { QVConversationService::postMessage("hi", "60", s, f); }, "POST",
          "discussions/60/posts.xml", { { "post[body]", "hi" } } },
        { [](auto& s, auto& f) { QVConversationService::getConversationHistory("60", 4, s, f); }, "GET",
          "discussions/60/posts.xml", { { "page", "4" } } },
        { [](auto& s, auto& f) { QVConversationService::deleteConversation("60", s, f); }, "POST",
          "discussions/60/delete.xml", { { "client_application_id", "301" } } },
        { [](auto& s, auto& f) { QVSubscriptionService::getSubscriptionsPage(2, s, f); }, "GET", "subscriptions.xml",
          { { "page", "2" } } },
        { [](auto& s, auto& f) { QVAnnouncementService::recentAnnouncementsForApplication("302", s, f); }, "GET",
          "client_applications/302/forums/announcements.xml", {} },
        { [](auto& s, auto& f) { QVAnnouncementService::downloadAnnouncements(s, f); }, "GET",
          "client_applications/301/forums/announcements.xml", { { "since", "Mon, 08 Nov 2010 12:00:00 +0000" } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        standin::LoggedRequest sent = sendOne(c.call);
        EXPECT_EQ(sent.method, c.method);
        EXPECT_EQ(sent.path, c.path);
        EXPECT_EQ(ownParams(sent), c.params);
        EXPECT_TRUE(facade.notices.empty() && community.notices.empty()) << "silent";
    }
}

TEST_F(CommunityTest, IdsAreEncodedAndAMissingIdSendsNothing)
{
    QVForumService::getPostsForThread("4 0/..", 1, recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForRequests(1));
    // The log decodes the path: the id arrives whole, its slash and dots not read as path steps.
    EXPECT_EQ(server.requests()[0].path, "discussions/4 0/../posts.xml");

    server.clearLog();
    recorder = net_testing::CallbackRecorder::create();
    EXPECT_FALSE(QVForumService::getThreadsForTopic("", 1, recorder->onSuccess(), recorder->onFailure()));
    EXPECT_FALSE(QVForumService::replyToThread("", "x", recorder->onSuccess(), recorder->onFailure()));
    EXPECT_FALSE(QVConversationService::deleteConversation("", recorder->onSuccess(), recorder->onFailure()));
    EXPECT_FALSE(QVConversationService::startConversationWithUser("", recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->failures, 4);
    settleNetwork();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(CommunityTest, TopicTreesCarryTheirIndentLevels)
{
    auto topics = all<QVForumTopic>(fetch([](auto& s, auto& f) { QVForumService::getTopicsForApplication("", s, f); }).get());
    ASSERT_EQ(topics.size(), 2u);
    auto& general = topics[0];
    EXPECT_EQ(general->title(), "General");
    EXPECT_EQ(general->threadCount(), 12);
    EXPECT_FALSE(general->hasParent());
    ASSERT_TRUE(general->hasChildren());
    auto* tips = dynamic_cast<QVForumTopic*>(general->children()[0].get());
    ASSERT_TRUE(tips);
    EXPECT_TRUE(tips->hasParent());
    ASSERT_TRUE(tips->hasChildren());
    auto* level1 = dynamic_cast<QVForumTopic*>(tips->children()[0].get());
    ASSERT_TRUE(level1);
    EXPECT_EQ(general->indentLevel(), 0);
    EXPECT_EQ(tips->indentLevel(), 1);
    EXPECT_EQ(level1->indentLevel(), 2);
    EXPECT_FALSE(topics[1]->hasChildren());

    general->setIndentLevel(2);
    EXPECT_EQ(tips->indentLevel(), 3);
    EXPECT_EQ(level1->indentLevel(), 4);
    // New children take the topic's current level plus one.
    auto fresh = QVForumTopic::create();
    general->setChildren({ Ref<QVResource>(fresh.get()) });
    EXPECT_EQ(fresh->indentLevel(), 3);

    EXPECT_EQ(QVForumTopic::suggestionsTopic(std::nullopt)->resourceId(), "44");
    EXPECT_EQ(QVForumTopic::suggestionsTopic(std::string())->resourceId(), "");
}

TEST_F(CommunityTest, ThreadsAndPostsReadAndWriteServerTexts)
{
    auto threads = all<QVForumThread>(fetch([](auto& s, auto& f) { QVForumService::getThreadsForTopic("7", 1, s, f); }).get());
    ASSERT_EQ(threads.size(), 1u);
    auto& t = threads[0];
    EXPECT_EQ(t->title(), "Boss fight");
    EXPECT_TRUE(t->isLocked());
    EXPECT_FALSE(t->isSticky());
    EXPECT_TRUE(t->isSubscribed());
    EXPECT_EQ(t->postCount(), 5);
    ASSERT_TRUE(t->lastPostAuthor());
    EXPECT_EQ(t->lastPostAuthor()->name(), "Ann");
    ASSERT_TRUE(t->date());
    std::string xml = written(*t, "discussion");
    EXPECT_NE(xml.find("<locked>true</locked>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<sticky>false</sticky>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<updated_at>2010-11-09T12:00:00Z</updated_at>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<posts_count>5</posts_count>"), std::string::npos) << xml;

    auto posts = all<QVForumPost>(fetch([](auto& s, auto& f) { QVForumService::getPostsForThread("40", 1, s, f); }).get());
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1]->body(), "First reply");
    EXPECT_EQ(posts[1]->discussionId(), "40");
    EXPECT_TRUE(posts[1]->isDiscussionConversation());
    EXPECT_FALSE(posts[0]->isDiscussionConversation());
    ASSERT_TRUE(posts[1]->author());
    EXPECT_EQ(posts[1]->author()->resourceId(), "18");
    xml = written(*posts[1], "post");
    EXPECT_NE(xml.find("<created_at>2010-11-09T13:00:00Z</created_at>"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("is_discussion_conversation"), std::string::npos) << "read only: " << xml;
}

TEST_F(CommunityTest, ConversationsKeepTheUserWhoIsNotTheLocalPlayer)
{
    auto list = all<QVConversation>(
        fetch([](auto& s, auto& f) { QVConversationService::startConversationWithUser("18", s, f); }).get());
    ASSERT_EQ(list.size(), 3u);
    for (int i : { 0, 1 }) {
        ASSERT_TRUE(list[i]->otherUser()) << i;
        EXPECT_EQ(list[i]->otherUser()->resourceId(), "18") << i;
    }
    EXPECT_FALSE(list[2]->otherUser());
    EXPECT_EQ(list[0]->messageCount(), 4);
    ASSERT_TRUE(list[0]->lastMessageAt());

    // Written back, the other user goes out once, as the other participant.
    std::string xml = written(*list[1], "conversation");
    EXPECT_NE(xml.find("<other_user>"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("<user>"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("<other_user>"), xml.rfind("<other_user>")) << xml;
    EXPECT_NE(xml.find("<updated_at></updated_at>"), std::string::npos) << xml;
}

TEST_F(CommunityTest, SubscriptionsReadTheirTypeAndWriteItBack)
{
    auto subs = all<QVSubscription>(
        fetch([](auto& s, auto& f) { QVSubscriptionService::getSubscriptionsPage(1, s, f); }).get());
    ASSERT_EQ(subs.size(), 2u);
    auto& conversation = subs[0];
    EXPECT_TRUE(conversation->isConversation());
    EXPECT_FALSE(conversation->isForumThread());
    EXPECT_EQ(conversation->unreadCount(), 2);
    ASSERT_TRUE(conversation->otherUser());
    EXPECT_EQ(conversation->otherUser()->name(), "Bo");
    ASSERT_TRUE(conversation->conversation());
    EXPECT_EQ(conversation->conversation()->subject(), "Hi");
    ASSERT_TRUE(conversation->lastViewed());
    std::string xml = written(*conversation, "subscription");
    EXPECT_NE(xml.find("<discussion_type>Conversation</discussion_type>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<locked>false</locked>"), std::string::npos) << xml;

    // An unknown type keeps the forum thread it starts as.
    auto& thread = subs[1];
    EXPECT_TRUE(thread->isForumThread());
    EXPECT_EQ(thread->topicId(), "7");
    ASSERT_TRUE(thread->discussion());
    EXPECT_EQ(thread->discussion()->title(), "Boss fight");
    EXPECT_NE(written(*thread, "subscription").find("<discussion_type>Forum</discussion_type>"), std::string::npos);
}

// ---- Announcements

class AnnouncementRecorder : public platform::Object, public QVAnnouncementDelegate {
public:
    void didDownloadAnnouncementsAppAnnouncements(const QVAnnouncementArray& a, const QVAnnouncementArray& d) override
    {
        calls.push_back("downloaded");
        app = ids(a);
        dev = ids(d);
    }
    void didFailDownloadAnnouncements() override { calls.push_back("download-failed"); }
    void didGetPosts(const QVForumPostArray& p, QVAnnouncement* a) override
    {
        calls.push_back("posts");
        posts = ids(p);
        of = Ref<QVAnnouncement>(a);
    }
    void didFailGetPostsQVAnnouncement(QVAnnouncement* a) override
    {
        calls.push_back("posts-failed");
        of = Ref<QVAnnouncement>(a);
    }
    std::vector<std::string> calls, app, dev, posts;
    Ref<QVAnnouncement> of;
};

class AnnouncementTest : public CommunityTest {
protected:
    QVAnnouncementService& downloaded()
    {
        QVAnnouncementService::initializeService();
        QVAnnouncementService::downloadAnnouncements();
        EXPECT_TRUE(waitFor([] { return QVAnnouncementService::sharedService()->announcements() != nullptr; }));
        return *QVAnnouncementService::sharedService();
    }
    std::vector<Ref<QVAnnouncement>> kept()
    {
        return all<QVAnnouncement>(QVAnnouncementService::sharedService()->announcements());
    }
    Ref<AnnouncementRecorder> delegate { platform::adoptRef(new AnnouncementRecorder) };
};

TEST_F(AnnouncementTest, DownloadCombinesSectionsStickyFirstAndPostsTheUnreadCount)
{
    auto& service = downloaded();
    auto list = kept();
    EXPECT_EQ(ids(list), (std::vector<std::string> { "3", "2", "1" }));
    EXPECT_EQ(service.unseenAnnouncementCount(), 2u);
    EXPECT_EQ(QVAnnouncementService::unreadAnnouncements(), 2u);
    EXPECT_EQ(community.posted, std::vector<int> { 2 });
    EXPECT_EQ(list[2]->body(), "Old news");
    EXPECT_TRUE(list[1]->isImportant());
    EXPECT_EQ(list[0]->linkedClientApplicationId(), "302");

    // The index answers the kept list without a request.
    server.clearLog();
    recorder = net_testing::CallbackRecorder::create();
    EXPECT_FALSE(service.getIndexOnSuccess(recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->successArg.get(), service.announcements());
    EXPECT_EQ(server.requestCount(), 0u);

    // A failed download keeps the list and count.
    server.route("GET", "client_applications/301/forums/announcements.xml", standin::Answer::xml("<error/>", 500));
    QVAnnouncementService::downloadAnnouncements();
    ASSERT_TRUE(waitForRequests(1));
    settleNetwork();
    EXPECT_EQ(kept().size(), 3u);
    EXPECT_EQ(service.unseenAnnouncementCount(), 2u);

    service.clearLocalAnnouncements();
    EXPECT_EQ(service.announcements(), nullptr);
    EXPECT_EQ(community.posted.back(), 0);
}

TEST_F(AnnouncementTest, AnswersWithoutSectionsDoNotCrash)
{
    server.route("GET", "client_applications/301/forums/announcements.xml", standin::Answer::xml("<resources/>"));
    auto& service = downloaded();
    EXPECT_EQ(service.announcements()->count(), 0u);
    EXPECT_EQ(community.posted, std::vector<int> { 0 });

    // The public download with no sections gives two empty lists.
    QVAnnouncement::setDelegate(delegate.get());
    QVAnnouncement::downloadAnnouncementsAndSortBy(0);
    ASSERT_TRUE(waitFor([&] { return !delegate->calls.empty(); }));
    EXPECT_EQ(delegate->calls, std::vector<std::string> { "downloaded" });
    EXPECT_TRUE(delegate->app.empty() && delegate->dev.empty());

    // A plain list (no sections) is combined as it is.
    server.route("GET", "client_applications/302/forums/announcements.xml",
                 standin::Answer::xml("<resources><discussion><id>8</id></discussion></resources>"));
    auto plain = fetch([](auto& s, auto& f) { QVAnnouncementService::recentAnnouncementsForApplication("302", s, f); });
    EXPECT_EQ(ids(all<QVAnnouncement>(plain.get())), std::vector<std::string> { "8" });
}

TEST_F(AnnouncementTest, MarkAsReadLowersTheCountOnceAndStoresTheDate)
{
    auto& service = downloaded();
    auto list = kept();
    community.posted.clear();
    list[0]->markAsRead(); // unread, created 2010-11-04
    EXPECT_FALSE(list[0]->isUnread());
    EXPECT_EQ(service.unseenAnnouncementCount(), 1u);
    EXPECT_EQ(community.posted, std::vector<int> { 1 });
    list[0]->markAsRead();
    list[1]->markAsRead(); // already read
    EXPECT_EQ(service.unseenAnnouncementCount(), 1u);
    EXPECT_EQ(community.posted.size(), 1u);

    // With the count at 0 the date is still offered and the flag cleared; nothing is posted.
    service.setUnseenAnnouncementCount(0);
    community.lastRead = platform::Date {};
    list[2]->markAsRead();
    EXPECT_FALSE(list[2]->isUnread());
    EXPECT_EQ(community.posted.size(), 1u);
    EXPECT_EQ(railsFormatter().format(community.lastRead), "2010-11-01T00:00:00Z");
}

TEST_F(AnnouncementTest, PublicDownloadSortsEachSectionByTheSortType)
{
    QVAnnouncement::setDelegate(delegate.get());
    const std::pair<unsigned, std::vector<std::string>> cases[] = {
        { 0, { "2", "1" } }, // newest creation first
        { 1, { "1", "2" } }, // most recently updated first
        { 2, { "1", "2" } }, // the answer's order
    };
    for (auto& [type, app] : cases) {
        delegate->calls.clear();
        QVAnnouncement::downloadAnnouncementsAndSortBy(type);
        ASSERT_TRUE(waitFor([&] { return !delegate->calls.empty(); }));
        EXPECT_EQ(delegate->app, app) << type;
        EXPECT_EQ(delegate->dev, std::vector<std::string> { "3" }) << type;
    }
    server.route("GET", "client_applications/301/forums/announcements.xml", standin::Answer::xml("<error/>", 500));
    delegate->calls.clear();
    QVAnnouncement::downloadAnnouncementsAndSortBy(0);
    ASSERT_TRUE(waitFor([&] { return !delegate->calls.empty(); }));
    EXPECT_EQ(delegate->calls, std::vector<std::string> { "download-failed" });
}

TEST_F(AnnouncementTest, PostsLeaveOutTheAnnouncementsOwnText)
{
    QVAnnouncement::setDelegate(delegate.get());
    auto a = QVAnnouncement::create();
    a->setResourceId("40");
    EXPECT_TRUE(a->getPosts());
    ASSERT_TRUE(waitFor([&] { return !delegate->calls.empty(); }));
    EXPECT_EQ(delegate->calls, std::vector<std::string> { "posts" });
    EXPECT_EQ(delegate->posts, std::vector<std::string> { "501" });
    EXPECT_EQ(delegate->of.get(), a.get());
    EXPECT_EQ(ownParams(server.requests().back()), (Params { { "page", "1" } }));

    const std::pair<const char*, const char*> answers[] = {
        { "<resources><post><id>500</id></post></resources>", "posts" },
        { "<resources/>", "posts-failed" },
    };
    for (auto& [body, call] : answers) {
        server.route("GET", "discussions/40/posts.xml", standin::Answer::xml(body));
        delegate->calls.clear();
        a->getPosts();
        ASSERT_TRUE(waitFor([&] { return !delegate->calls.empty(); }));
        EXPECT_EQ(delegate->calls, std::vector<std::string> { call });
        EXPECT_TRUE(delegate->posts.empty() || std::string(call) == "posts-failed");
        delegate->posts.clear();
    }
}

} // namespace
