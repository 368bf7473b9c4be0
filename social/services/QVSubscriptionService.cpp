// The inbox's request and its subscription record.
#include "social/services/QVSubscriptionService.h"

#include "social/runtime/QVHttpNestedQueryStringWriter.h"

namespace quorvel {

namespace {
const QVServiceEndpoint kSubscriptions { "GET", "subscriptions.xml", 0 };
}

void QVSubscriptionService::populateKnownResources(QVResourceNameMap& map)
{
    map.addResource<QVSubscription>("subscription");
}

platform::Ref<QVRequestHandle> QVSubscriptionService::getSubscriptionsPage(unsigned int page,
                                                                           const QVDelegate& onSuccess,
                                                                           const QVDelegate& onFailure)
{
    auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    params->io("page", page);
    return service().send(kSubscriptions, {}, params.get(), onSuccess, onFailure);
}

void QVSubscription::getDataMap(QVResourceDataMap& map)
{
    QVResourceFields<QVSubscription> f(map);
    f.field<QVFieldText>("discussion_id", &QVSubscription::discussionId_);
    f.field<QVFieldText>("summary", &QVSubscription::summary_);
    f.field<QVFieldText>("title", &QVSubscription::title_);
    f.field<QVFieldRailsDate>("updated_at", &QVSubscription::lastActivity_);
    f.field<QVFieldRailsDate>("last_viewed_at", &QVSubscription::lastViewed_);
    f.field<QVFieldInteger>("unread_count", &QVSubscription::unreadCount_);
    f.field<QVFieldBoolTrueFalse>("locked", &QVSubscription::locked_);
    f.field<QVFieldText>("topic_id", &QVSubscription::topicId_);
    f.custom("discussion_type", &QVSubscription::setTypeFromString, &QVSubscription::getTypeAsString);
    f.nested("user", &QVSubscription::otherUser_, true);
    f.nested("discussion", &QVSubscription::discussion_, true);
    f.nested("conversation", &QVSubscription::conversation_, true);
}

void QVSubscription::setTypeFromString(const std::string& text)
{
    if (text == "Forum")
        type_ = ForumThread;
    else if (text == "Conversation")
        type_ = Conversation;
}

} // namespace quorvel
