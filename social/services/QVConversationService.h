// Private conversations: a message thread between the local player and one
// other player. On the server it is a discussion and its messages are forum
// posts. QVConversationService starts, lists, extends and deletes them; every
// request is silent.
#pragma once

#include "social/runtime/QVResourceFields.h"
#include "social/runtime/QVService.h"
#include "social/services/QVForumService.h"
#include "social/services/QVUser.h"

namespace quorvel {

class QVConversationService : public QVSharedService<QVConversationService> {
public:
    QVConversationService() = default;

    static platform::Ref<QVRequestHandle> startConversationWithUser(const std::string& userId,
                                                                    const QVDelegate& onSuccess,
                                                                    const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> postMessage(const std::string& text, const std::string& conversationId,
                                                      const QVDelegate& onSuccess, const QVDelegate& onFailure);
    static platform::Ref<QVRequestHandle> getConversationHistory(const std::string& conversationId, unsigned int page,
                                                                 const QVDelegate& onSuccess,
                                                                 const QVDelegate& onFailure);
    // Names the running game too, which the server needs to delete it.
    static platform::Ref<QVRequestHandle> deleteConversation(const std::string& conversationId,
                                                             const QVDelegate& onSuccess, const QVDelegate& onFailure);

    void populateKnownResources(QVResourceNameMap& map) override;
};

class QVConversation : public QVResource {
    QV_DECLARE_RESOURCE(QVConversation)
public:
    static std::string getResourceName() { return "conversation"; }
    static std::string getResourceDiscoveredNotification() { return {}; }
    static void getDataMap(QVResourceDataMap& map);
    static QVService* getService() { return QVConversationService::sharedService(); }
    static platform::Ref<QVConversation> create() { return platform::adoptRef(new QVConversation); }

    const std::string& subject() const { return subject_; }
    void setSubject(const std::string& subject) { subject_ = subject; }
    const std::optional<platform::Date>& lastMessageAt() const { return lastMessageAt_; }
    int messageCount() const { return messageCount_; }
    const platform::Ref<QVUser>& otherUser() const { return otherUser_; }
    // Both users of the answer come through here: the one that is not the local
    // player becomes the other user, whichever element it came in.
    void setUser(const platform::Ref<QVUser>& user);

protected:
    QVConversation() = default;

private:
    std::string subject_;
    std::optional<platform::Date> lastMessageAt_;
    int messageCount_ { 0 };
    platform::Ref<QVUser> otherUser_;
};

} // namespace quorvel
