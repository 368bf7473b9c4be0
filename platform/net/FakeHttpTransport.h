// FakeHttpTransport: a scripted HttpTransport for unit tests. Every request is
// recorded; scripted results answer requests in order (on the next turn of
// the main loop), and without one the request waits until the test completes
// it. Timeouts run on the loop's timers like the real transport's.
#pragma once

#include "platform/foundation/RunLoop.h"
#include "platform/net/HttpTransport.h"

#include <deque>
#include <map>

namespace platform {

class FakeHttpTransport final : public HttpTransport {
public:
    [[nodiscard]] static Ref<FakeHttpTransport> create() { return adoptRef(new FakeHttpTransport); }

    RequestId start(HttpRequestData request, Completion completion) override;
    void cancel(RequestId id) override;
    size_t activeCount() const override { return pending_.size(); }

    // The next request gets this result.
    void script(HttpResult result) { scripted_.push_back(std::move(result)); }
    // Completes a waiting request (the oldest when id is 0); false when none waits.
    bool complete(HttpResult result, RequestId id = 0);

    struct Recorded {
        RequestId id;
        HttpRequestData request;
        bool cancelled { false };
    };
    const std::vector<Recorded>& requests() const { return recorded_; }
    const HttpRequestData& lastRequest() const { return recorded_.back().request; }

private:
    FakeHttpTransport() = default;
    void finish(RequestId id, HttpResult&& result);

    struct Pending {
        Completion completion;
        Ref<Timer> timeout;
    };
    std::deque<HttpResult> scripted_;
    std::map<RequestId, Pending> pending_;
    std::vector<Recorded> recorded_;
    RequestId nextId_ { 1 };
};

} // namespace platform
