// QVForumService: a game's forums — a tree of topics, each holding threads
// ("discussions"), each holding posts. It reads topics, threads and posts,
// posts replies and new threads, and subscribes the player to threads. Every
// request is silent; the success value receives the answer's series.
//
// QVForumTopic, QVForumThread and QVForumPost are also the pieces of
// announcements (a thread) and private conversations (whose messages are posts).
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVService.h"
#include "social/services/QVUser.h"

#include <optional>
#include <string>

namespace quorvel {

// The forum records' flags: read with the text's boolean value, written "true" or "false".
struct QVFieldBoolTrueFalse {
    using Type = bool;
    static Type read(const std::string& text) { return QVFieldBool::read(text); }
    static std::string write(Type v) { return v ? "true" : "false"; }
};

class QVForumService : public QVSharedService<QVForumService> {
public:
    QVForumService() = default;

    // The game's topics: the given application, or the running game when it is empty.
    static platform::Ref<QVRequestHandle> getTopicsForApplication(const std::string& applicationId,
                                                                  const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getThreadsForTopic(const std::string& topicId, int page,
                                                             const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getPostsForThread(const std::string& threadId, int page,
                                                            const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> replyToThread(const std::string& threadId, const std::string& body,
                                                        const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> postNewThreadInTopic(const std::string& topicId, const std::string& subject,
                                                               const std::string& body, const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> subscribeToThread(const std::string& threadId, const std::string& topicId,
                                                            const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> unsubscribeFromThread(const std::string& threadId, const std::string& topicId,
                                                                const QVDelegate& onSuccess, const QVDelegate& onFailure);

    void populateKnownResources(QVResourceNameMap& map) override;
};

// One topic of the forum tree. Its children are topics one level deeper.
class QVForumTopic : public QVResource {
    QV_DECLARE_RESOURCE(QVForumTopic)
public:
    static std::string getResourceName() { return "topic"; }
    static std::string getResourceDiscoveredNotification() { return {}; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVForumService::sharedService(); }
    static platform::Ref<QVForumTopic> create() { return platform::adoptRef(new QVForumTopic); }

    // The game's announcements forum ("announcements", "Announcements").
    static platform::Ref<QVForumTopic> announcementsTopic();
    // The suggestions forum: the given id, or the client's suggestions forum id when none is given.
    static platform::Ref<QVForumTopic> suggestionsTopic(const std::optional<std::string>& forumId);

    const std::string& title() const { return title_; }
    void setTitle(const std::string& title) { title_ = title; }
    const std::string& parentId() const { return parentId_; }
    int threadCount() const { return threadCount_; }
    const QVResourceArray& children() const { return children_; }
    // Takes the children and gives them this topic's level plus one.
    void setChildren(const QVResourceArray& children);
    bool isShowingChildren() const { return isShowingChildren_; }
    void setIsShowingChildren(bool showing) { isShowingChildren_ = showing; }
    int indentLevel() const { return indentLevel_; }
    // Stores the level and gives every topic below it its depth from here.
    void setIndentLevel(int level);

    bool hasChildren() const { return !children_.empty(); }
    bool hasParent() const { return !parentId_.empty(); }

protected:
    QVForumTopic() = default;

private:
    std::string title_;
    std::string parentId_;
    int threadCount_ { 0 };
    QVResourceArray children_;
    bool isShowingChildren_ { false };
    int indentLevel_ { 0 };
};

// One thread ("discussion") of a topic; announcements are threads too.
class QVForumThread : public QVResource {
    QV_DECLARE_RESOURCE(QVForumThread)
public:
    static std::string getResourceName() { return "discussion"; }
    static std::string getResourceDiscoveredNotification() { return {}; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVForumService::sharedService(); }
    static platform::Ref<QVForumThread> create() { return platform::adoptRef(new QVForumThread); }

    const std::string& title() const { return title_; }
    void setTitle(const std::string& title) { title_ = title; }
    const platform::Ref<QVUser>& lastPostAuthor() const { return lastPostAuthor_; }
    const std::optional<platform::Date>& date() const { return date_; }
    bool isLocked() const { return isLocked_; }
    void setIsLocked(bool locked) { isLocked_ = locked; }
    int postCount() const { return postCount_; }
    void setPostCount(int count) { postCount_ = count; }
    bool isSticky() const { return isSticky_; }
    void setIsSticky(bool sticky) { isSticky_ = sticky; }
    bool isSubscribed() const { return isSubscribed_; }
    void setIsSubscribed(bool subscribed) { isSubscribed_ = subscribed; }

protected:
    QVForumThread() = default;

private:
    std::string title_;
    platform::Ref<QVUser> lastPostAuthor_;
    std::optional<platform::Date> date_;
    bool isLocked_ { false };
    int postCount_ { 0 };
    bool isSticky_ { false };
    bool isSubscribed_ { false };
};

// One post of a thread, or one message of a private conversation.
class QVForumPost : public QVResource {
    QV_DECLARE_RESOURCE(QVForumPost)
public:
    static std::string getResourceName() { return "post"; }
    static std::string getResourceDiscoveredNotification() { return "post_discovered"; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVForumService::sharedService(); }
    static platform::Ref<QVForumPost> create() { return platform::adoptRef(new QVForumPost); }

    const std::string& body() const { return body_; }
    const platform::Ref<QVUser>& author() const { return author_; }
    const std::optional<platform::Date>& date() const { return date_; }
    const std::string& discussionId() const { return discussionId_; }
    void setDiscussionId(const std::string& id) { discussionId_ = id; }
    bool isDiscussionConversation() const { return isDiscussionConversation_; }

protected:
    QVForumPost() = default;

private:
    std::string body_;
    platform::Ref<QVUser> author_;
    std::optional<platform::Date> date_;
    std::string discussionId_;
    bool isDiscussionConversation_ { false };
};

} // namespace quorvel
