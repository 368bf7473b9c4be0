// QVRequestHandle: a cancellable handle of one running request (a signed
// action request or an unsigned HTTP request). QVRequestHandlesForModule files
// handles under the module that started them (a public class, compared by
// identity) so that a module can forget its outstanding requests together;
// forgetting does not stop them.
#pragma once

#include "platform/foundation/Object.h"

#include <vector>

namespace quorvel {

// A request of another kind than a signed or an HTTP one (a picture waiting in
// the image cache's queue): cancel() stops it, and none of its callbacks runs
// afterwards.
class QVCancellableRequest : public platform::Object {
public:
    virtual void cancel() = 0;
};

class QVRequestHandle : public platform::Object {
public:
    // A handle of `request` (a QVActionRequest, QVHttpRequest or
    // QVCancellableRequest); null for null.
    static platform::Ref<QVRequestHandle> requestHandle(platform::Object* request);
    platform::Object* request() const { return request_.get(); }
    // Stops the request; it calls none of its callbacks afterwards.
    void cancel();

private:
    QVRequestHandle() = default;
    platform::Ref<platform::Object> request_;
};

class QVRequestHandlesForModule {
public:
    // Files the handle under the module; null handles are ignored.
    static void addHandle(QVRequestHandle* handle, const void* module);
    // Forgets every handle of the module; the requests run on.
    static void cancelAllRequestsForModule(const void* module);
    // Forgets the handles of a finished request, under every module.
    static void completeRequest(platform::Object* request);
    static size_t handleCount(const void* module);
    static void reset();
};

} // namespace quorvel
