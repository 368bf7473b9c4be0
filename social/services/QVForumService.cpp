// The forum service's requests and the topic, thread and post records.
#include "social/services/QVForumService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVSessionRole.h"

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kTopics { "GET", "client_applications/%@/forums.xml", 0 };
const QVServiceEndpoint kThreads { "GET", "topics/%@/discussions.xml", 0 };
const QVServiceEndpoint kPosts { "GET", "discussions/%@/posts.xml", 0 };
const QVServiceEndpoint kReply { "POST", "discussions/%@/posts.xml", 0 };
const QVServiceEndpoint kNewThread { "POST", "topics/%@/discussions.xml", 0 };
const QVServiceEndpoint kSubscribe { "POST", "discussions/%@/subscribe.xml", 0 };
const QVServiceEndpoint kUnsubscribe { "POST", "discussions/%@/unsubscribe.xml", 0 };

Ref<QVHttpNestedQueryStringWriter> pageWriter(int page)
{
    auto params = QVHttpNestedQueryStringWriter::create();
    params->put("page", page);
    return params;
}

} // namespace

void QVForumService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVForumTopic>("topic");
    map.addResource<QVForumThread>("discussion");
    map.addResource<QVForumPost>("post");
}

Ref<QVRequestHandle> QVForumService::getTopicsForApplication(const std::string& applicationId,
                                                             const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    std::string id = applicationId.empty() ? QVSessionRole::current().clientApplicationId() : applicationId;
    return service().send(kTopics, { id }, nullptr, onSuccess, onFailure);
}

Ref<QVRequestHandle> QVForumService::getThreadsForTopic(const std::string& topicId, int page,
                                                        const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    return service().send(kThreads, { topicId }, pageWriter(page).get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVForumService::getPostsForThread(const std::string& threadId, int page,
                                                       const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    return service().send(kPosts, { threadId }, pageWriter(page).get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVForumService::replyToThread(const std::string& threadId, const std::string& body,
                                                   const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    return service().send(kReply, { threadId }, QVHttpNestedQueryStringWriter::with("post[body]", body).get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVForumService::postNewThreadInTopic(const std::string& topicId, const std::string& subject,
                                                          const std::string& body, const QVDelegate& onSuccess,
                                                          const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::with("discussion[subject]", subject);
    std::string text = body;
    params->io("discussion[body]", text);
    return service().send(kNewThread, { topicId }, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVForumService::subscribeToThread(const std::string& threadId, const std::string& topicId,
                                                       const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    return service().send(kSubscribe, { threadId }, QVHttpNestedQueryStringWriter::with("topic_id", topicId).get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVForumService::unsubscribeFromThread(const std::string& threadId, const std::string& topicId,
                                                           const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    return service().send(kUnsubscribe, { threadId }, QVHttpNestedQueryStringWriter::with("topic_id", topicId).get(), onSuccess, onFailure);
}

// ---- Topics

void QVForumTopic::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVForumTopic> f(map);
    f.field<QVFieldText>("name", &QVForumTopic::title_);
    f.field<QVFieldText>("parent_id", &QVForumTopic::parentId_);
    f.field<QVFieldInteger>("discussions_count", &QVForumTopic::threadCount_);
    map.addNestedResourceArrayField("children", &QVForumTopic::setChildren, &QVForumTopic::children);
}

Ref<QVForumTopic> QVForumTopic::announcementsTopic()
{
    auto topic = create();
    topic->setResourceId("announcements");
    topic->setTitle("Announcements");
    return topic;
}

Ref<QVForumTopic> QVForumTopic::suggestionsTopic(const std::optional<std::string>& forumId)
{
    auto topic = create();
    topic->setResourceId(forumId ? *forumId : QVSessionRole::current().suggestionsForumId());
    topic->setTitle("Suggestions");
    return topic;
}

void QVForumTopic::setChildren(const QVResourceArray& children)
{
    children_ = children;
    setIndentLevel(indentLevel_);
}

void QVForumTopic::setIndentLevel(int level)
{
    indentLevel_ = level;
    for (auto& child : children_) {
        if (auto* topic = dynamic_cast<QVForumTopic*>(child.get()))
            topic->setIndentLevel(level + 1);
    }
}

// ---- Threads and posts

void QVForumThread::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVForumThread> f(map);
    f.field<QVFieldText>("subject", &QVForumThread::title_);
    f.nested("user", &QVForumThread::lastPostAuthor_, true);
    f.field<QVFieldRailsDate>("updated_at", &QVForumThread::date_);
    f.field<QVFieldBoolTrueFalse>("locked", &QVForumThread::isLocked_);
    f.field<QVFieldInteger>("posts_count", &QVForumThread::postCount_);
    f.field<QVFieldBoolTrueFalse>("sticky", &QVForumThread::isSticky_);
    f.field<QVFieldBoolTrueFalse>("subscribed", &QVForumThread::isSubscribed_);
}

void QVForumPost::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVForumPost> f(map);
    f.field<QVFieldText>("body", &QVForumPost::body_);
    f.nested("user", &QVForumPost::author_, true);
    f.field<QVFieldRailsDate>("created_at", &QVForumPost::date_);
    f.field<QVFieldText>("discussion_id", &QVForumPost::discussionId_);
    f.read<QVFieldBoolTrueFalse>("is_discussion_conversation", &QVForumPost::isDiscussionConversation_);
}

} // namespace quorvel
