// The reachability singleton and its observers.
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVSharedInstance.h"

#include "platform/foundation/Boxed.h"
#include "social/runtime/QVSettings.h"

#include <memory>

namespace quorvel {

namespace {
using Shared = QVSharedInstance<QVReachability, std::unique_ptr<QVReachability>>;
} // namespace

namespace {
platform::Ref<platform::Reachability>& defaultSource()
{
    static platform::Ref<platform::Reachability> source;
    return source;
}
} // namespace

void QVReachability::setDefaultSource(platform::Ref<platform::Reachability> source)
{
    defaultSource() = std::move(source);
}

void QVReachability::Initialize()
{
    if (defaultSource()) {
        InitializeWithSource(defaultSource());
        return;
    }
    std::string url;
    if (auto* settings = QVSettings::Instance())
        url = settings->objectForKey("server-url").value_or("");
    InitializeWithSource(platform::HostReachability::create(url));
}

void QVReachability::InitializeWithSource(platform::Ref<platform::Reachability> source)
{
    Shared::set(std::unique_ptr<QVReachability>(new QVReachability(std::move(source))));
}

QVReachability* QVReachability::Instance() { return Shared::shared(); }
void QVReachability::Uninitialize() { Shared::purge(); }

bool QVReachability::isConnectedToInternet()
{
    auto* r = Instance();
    return r && r->status() != platform::Reachability::NotReachable;
}

QVReachabilityObserver::QVReachabilityObserver(const QVDelegate& delegate) : delegate_(delegate)
{
    if (auto* r = QVReachability::Instance()) {
        source_ = platform::Ref<platform::Reachability>(&r->source());
        QVDelegate d = delegate_;
        token_ = source_->addObserver([d](int status) { d.invoke(platform::Boxed::number(status).get()); });
    }
}

QVReachabilityObserver::~QVReachabilityObserver()
{
    if (source_)
        source_->removeObserver(token_);
}

} // namespace quorvel
