// Scripted transport for tests: records requests and answers them from a script.
#include "platform/net/FakeHttpTransport.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Weak.h"

namespace platform {

HttpTransport::RequestId FakeHttpTransport::start(HttpRequestData request, Completion completion)
{
    BRISKO_ASSERT_MAIN_THREAD();
    RequestId id = nextId_++;
    Pending p;
    p.completion = std::move(completion);
    Weak<FakeHttpTransport> weak(this);
    if (request.timeout > 0)
        p.timeout = RunLoop::main().performAfter(request.timeout, [weak, id] {
            if (auto self = weak.lock())
                self->finish(id, HttpResult::failure(HttpError::TimedOut, httpErrorName(HttpError::TimedOut)));
        });
    recorded_.push_back({ id, std::move(request) });
    pending_[id] = std::move(p);
    if (!scripted_.empty()) {
        auto result = std::make_shared<HttpResult>(std::move(scripted_.front()));
        scripted_.pop_front();
        RunLoop::main().post([weak, id, result] {
            if (auto self = weak.lock())
                self->finish(id, std::move(*result));
        });
    }
    return id;
}

bool FakeHttpTransport::complete(HttpResult result, RequestId id)
{
    if (pending_.empty())
        return false;
    if (id == 0)
        id = pending_.begin()->first;
    if (!pending_.count(id))
        return false;
    finish(id, std::move(result));
    return true;
}

void FakeHttpTransport::cancel(RequestId id)
{
    BRISKO_ASSERT_MAIN_THREAD();
    auto it = pending_.find(id);
    if (it == pending_.end())
        return;
    if (it->second.timeout)
        it->second.timeout->invalidate();
    pending_.erase(it);
    for (auto& r : recorded_)
        if (r.id == id)
            r.cancelled = true;
}

void FakeHttpTransport::finish(RequestId id, HttpResult&& result)
{
    auto it = pending_.find(id);
    if (it == pending_.end())
        return;
    Pending p = std::move(it->second);
    pending_.erase(it);
    if (p.timeout)
        p.timeout->invalidate();
    if (p.completion)
        p.completion(std::move(result));
}

} // namespace platform
