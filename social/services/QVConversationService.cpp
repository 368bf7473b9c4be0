// The conversation service's requests and the conversation record.
#include "social/services/QVConversationService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVSessionRole.h"

namespace quorvel {

using platform::Ref;

namespace {

const QVServiceEndpoint kStart { "POST", "discussions.xml", 0 };
const QVServiceEndpoint kPostMessage { "POST", "discussions/%@/posts.xml", 0 };
const QVServiceEndpoint kHistory { "GET", "discussions/%@/posts.xml", 0 };
const QVServiceEndpoint kDelete { "POST", "discussions/%@/delete.xml", 0 };

} // namespace

void QVConversationService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVConversation>("conversation");
    map.addResource<QVForumPost>("post");
}

Ref<QVRequestHandle> QVConversationService::startConversationWithUser(const std::string& userId,
                                                                      const QVDelegate& onSuccess,
                                                                      const QVDelegate& onFailure)
{
    if (userId.empty()) { // nobody to talk to: nothing is sent
        onFailure.invoke(nullptr);
        return nullptr;
    }
    return service().send(kStart, {}, QVHttpNestedQueryStringWriter::with("discussion[other_user_id]", userId).get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVConversationService::postMessage(const std::string& text, const std::string& conversationId,
                                                        const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    return service().send(kPostMessage, { conversationId }, QVHttpNestedQueryStringWriter::with("post[body]", text).get(), onSuccess,
                          onFailure);
}

Ref<QVRequestHandle> QVConversationService::getConversationHistory(const std::string& conversationId,
                                                                   unsigned int page, const QVDelegate& onSuccess,
                                                                   const QVDelegate& onFailure)
{
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    params->io("page", page);
    return service().send(kHistory, { conversationId }, params.get(), onSuccess, onFailure);
}

Ref<QVRequestHandle> QVConversationService::deleteConversation(const std::string& conversationId,
                                                               const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    auto params = QVHttpNestedQueryStringWriter::with("client_application_id", QVSessionRole::current().clientApplicationId());
    return service().send(kDelete, { conversationId }, params.get(), onSuccess, onFailure);
}

void QVConversation::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVConversation> f(map);
    f.field<QVFieldText>("subject", &QVConversation::subject_);
    f.field<QVFieldRailsDate>("updated_at", &QVConversation::lastMessageAt_);
    f.field<QVFieldInteger>("posts_count", &QVConversation::messageCount_);
    // Either element may hold the local player; the other user is written
    // back once, as the other participant the server reads.
    map.addNestedResourceField("user", &QVConversation::setUser);
    map.addNestedResourceField("other_user", &QVConversation::setUser, &QVConversation::otherUser);
}

void QVConversation::setUser(const Ref<QVUser>& user)
{
    if (user && user->isLocalUser())
        return;
    otherUser_ = user;
}

} // namespace quorvel
