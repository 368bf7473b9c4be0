// The activity poller: timer, last-seen ids, and discovery notifications.
#include "social/runtime/QVPoller.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/Weak.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/QVXmlDocument.h"

#include <cstdlib>

namespace quorvel {

using platform::Object;
using platform::Ref;

Ref<QVPoller> QVPoller::pollerWithProvider(QVProvider* provider, std::string sourceUrl)
{
    auto p = platform::adoptRef(new QVPoller);
    p->provider_ = Ref<QVProvider>(provider);
    p->sourceUrl_ = std::move(sourceUrl);
    return p;
}

QVPoller::~QVPoller() { stopPolling(); }

void QVPoller::registerResourceClass(const QVResourceClass& cls)
{
    for (auto& c : classes_)
        if (c.cls == &cls)
            return;
    Polled p;
    p.cls = &cls;
    p.idParameter = platform::format("last_seen_%s_id", cls.resourceName().c_str());
    p.notification = cls.resourceDiscoveredNotification();
    classes_.push_back(std::move(p));
    names_.addResource(cls.resourceName(), cls);
}

int64_t QVPoller::lastSeenId(const QVResourceClass& cls) const
{
    for (auto& c : classes_)
        if (c.cls == &cls)
            return c.lastSeenId;
    return 0;
}

void QVPoller::clearCacheAndForceLastSeenId(int64_t lastSeenId, const QVResourceClass& cls)
{
    for (auto& c : classes_) {
        if (c.cls == &cls) {
            c.fresh.clear();
            c.lastSeenId = lastSeenId;
        }
    }
}

void QVPoller::changePollingFrequency(double seconds)
{
    stopPolling();
    frequency_ = seconds > 0 ? seconds : 0;
    if (frequency_ <= 0)
        return;
    platform::Weak<QVPoller> weak(this);
    timer_ = platform::RunLoop::main().scheduleTimer(frequency_, true, [weak](platform::Timer&) {
        if (auto self = weak.lock())
            self->pollNow();
    });
}

void QVPoller::stopPolling()
{
    if (timer_)
        timer_->invalidate();
    timer_ = nullptr;
    frequency_ = 0;
}

void QVPoller::resetToDefaultPollingFrequency()
{
    changePollingFrequency(platform::UserDefaults::standardUserDefaults().objectForKey(kDefaultFrequencyKey).asDouble());
}

void QVPoller::pollNow()
{
    if (!provider_ || !provider_->isAuthenticated())
        return;
    if (inFlight_) {
        pollNoted_ = true;
        return;
    }
    platform::Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    for (auto& c : classes_) {
        std::string id = platform::format("%lld", static_cast<long long>(c.lastSeenId));
        params->io(c.idParameter.c_str(), id);
    }
    inFlight_ = true;
    auto handle = provider_->performAction(sourceUrl_, params.get(), "GET",
                                           QVDelegate(this, BRISKO_SELECTOR(QVPoller, pollSucceeded)),
                                           QVDelegate(this, BRISKO_SELECTOR(QVPoller, pollFailed)), 0, nullptr, true);
    if (!handle)
        inFlight_ = false; // dropped: no callback will come
}

void QVPoller::pollSucceeded(Object* loaderObject)
{
    Ref<QVPoller> keep(this);
    auto document = QVAnswer::document(loaderObject);
    auto series = document ? QVResource::resourcesFromXml(document.get(), names_) : nullptr;
    if (!series) {
        pollFailed(loaderObject);
        return;
    }
    for (auto& object : series->objects()) {
        auto* resource = dynamic_cast<QVResource*>(object.get());
        if (!resource)
            continue;
        for (auto& c : classes_) {
            if (&resource->resourceClass() != c.cls)
                continue;
            c.fresh.push_back(object);
            long long id = std::strtoll(resource->resourceId().c_str(), nullptr, 10);
            if (id > c.lastSeenId)
                c.lastSeenId = id;
        }
    }
    for (auto& c : classes_) {
        if (c.fresh.empty())
            continue;
        auto fresh = QVPaginatedSeries::paginatedSeriesFromArray(std::move(c.fresh));
        c.fresh.clear();
        if (c.notification.empty())
            continue;
        platform::Notification n;
        n.name = c.notification;
        n.sender = this;
        n.userObjects.emplace_back(kResourcesKey, fresh);
        platform::NotificationCenter::defaultCenter().post(n);
    }
    pollEnded();
}

void QVPoller::pollFailed(Object*)
{
    Ref<QVPoller> keep(this);
    auto source = platform::Boxed::box(platform::Value(sourceUrl_));
    platform::NotificationCenter::defaultCenter().post(kPollingFailedNotification, source.get());
    pollEnded();
}

void QVPoller::pollEnded()
{
    inFlight_ = false;
    if (pollNoted_) {
        pollNoted_ = false;
        pollNow();
    }
}

} // namespace quorvel
