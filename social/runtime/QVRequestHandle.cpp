// Request handles and the per-module registry (main thread only).
#include "social/runtime/QVRequestHandle.h"

#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVHttpService.h"

#include <algorithm>
#include <map>

namespace quorvel {

using platform::Ref;

namespace {
std::map<const void*, std::vector<Ref<QVRequestHandle>>>& registry()
{
    // Never destroyed: requests held by other statics may end during exit.
    static auto* handles = new std::map<const void*, std::vector<Ref<QVRequestHandle>>>;
    return *handles;
}
} // namespace

Ref<QVRequestHandle> QVRequestHandle::requestHandle(platform::Object* request)
{
    if (!request)
        return nullptr;
    auto h = platform::adoptRef(new QVRequestHandle);
    h->request_ = Ref<platform::Object>(request);
    return h;
}

void QVRequestHandle::cancel()
{
    if (auto* action = dynamic_cast<QVActionRequest*>(request_.get()))
        action->cancel();
    else if (auto* http = dynamic_cast<QVHttpRequest*>(request_.get()))
        http->cancelImmediately();
    else if (auto* other = dynamic_cast<QVCancellableRequest*>(request_.get()))
        other->cancel();
    QVRequestHandlesForModule::completeRequest(request_.get());
}

void QVRequestHandlesForModule::addHandle(QVRequestHandle* handle, const void* module)
{
    if (!handle)
        return;
    registry()[module].emplace_back(handle);
}

void QVRequestHandlesForModule::cancelAllRequestsForModule(const void* module) { registry().erase(module); }

void QVRequestHandlesForModule::completeRequest(platform::Object* request)
{
    auto& all = registry();
    for (auto it = all.begin(); it != all.end();) {
        auto& list = it->second;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [request](const Ref<QVRequestHandle>& h) { return h->request() == request; }),
                   list.end());
        it = list.empty() ? all.erase(it) : std::next(it);
    }
}

size_t QVRequestHandlesForModule::handleCount(const void* module)
{
    auto it = registry().find(module);
    return it == registry().end() ? 0 : it->second.size();
}

void QVRequestHandlesForModule::reset() { registry().clear(); }

} // namespace quorvel
