// The inbox: every forum thread the player follows and every private
// conversation, each with its unread count and latest activity.
// QVSubscriptionService fetches them a page at a time (silently);
// QVSubscription is one row.
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVService.h"
#include "social/services/QVConversationService.h"
#include "social/services/QVForumService.h"
#include "social/services/QVUser.h"

namespace quorvel {

class QVSubscriptionService : public QVSharedService<QVSubscriptionService> {
public:
    QVSubscriptionService() = default;
    static platform::Ref<QVRequestHandle> getSubscriptionsPage(unsigned int page, const QVDelegate& onSuccess,
                                                               const QVDelegate& onFailure);
    void populateKnownResources(QVResourceNameMap& map) override;
};

class QVSubscription : public QVResource {
    QV_DECLARE_RESOURCE(QVSubscription)
public:
    enum Type : int { ForumThread = 0, Conversation = 1 };

    static std::string getResourceName() { return "subscription"; }
    static std::string getResourceDiscoveredNotification() { return {}; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVSubscriptionService::sharedService(); }
    static platform::Ref<QVSubscription> create() { return platform::adoptRef(new QVSubscription); }

    const std::string& discussionId() const { return discussionId_; }
    const std::string& summary() const { return summary_; }
    const std::string& title() const { return title_; }
    const std::optional<platform::Date>& lastActivity() const { return lastActivity_; }
    const std::optional<platform::Date>& lastViewed() const { return lastViewed_; }
    int unreadCount() const { return unreadCount_; }
    void setUnreadCount(int count) { unreadCount_ = count; }
    const std::string& topicId() const { return topicId_; }
    int type() const { return type_; }
    const platform::Ref<QVUser>& otherUser() const { return otherUser_; }
    const platform::Ref<QVForumThread>& discussion() const { return discussion_; }
    const platform::Ref<QVConversation>& conversation() const { return conversation_; }

    bool isForumThread() const { return type_ == ForumThread; }
    bool isConversation() const { return type_ == Conversation; }

    // "Forum" or "Conversation"; any other text leaves the type as it is.
    void setTypeFromString(const std::string& text);
    std::string getTypeAsString() const { return type_ == Conversation ? "Conversation" : "Forum"; }

protected:
    QVSubscription() = default;

private:
    std::string discussionId_;
    std::string summary_;
    std::string title_;
    std::optional<platform::Date> lastActivity_;
    std::optional<platform::Date> lastViewed_;
    int unreadCount_ { 0 };
    bool locked_ { false };
    std::string topicId_;
    int type_ { ForumThread };
    platform::Ref<QVUser> otherUser_;
    platform::Ref<QVForumThread> discussion_;
    platform::Ref<QVConversation> conversation_;
};

} // namespace quorvel
