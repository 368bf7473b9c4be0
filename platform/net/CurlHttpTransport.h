// CurlHttpTransport: HttpTransport on libcurl's multi interface, driven by the
// main run loop — curl's sockets are run-loop fd watches and its timeouts a
// timerfd watched the same way, so no thread is made per request.
//
// Curl's own timers run on real time (a timerfd); the request timeout is a
// run-loop timer, so it follows the loop's clock like every other timeout.
// Curl sends a request again on a new connection when a kept-alive one died
// before any answer; a sendOnce request is stopped there instead.
// Create and use it on the main thread only.
#pragma once

#include "platform/foundation/Weak.h"
#include "platform/net/HttpTransport.h"

#include <map>
#include <memory>

namespace platform {

class CurlHttpTransport final : public HttpTransport {
public:
    [[nodiscard]] static Ref<CurlHttpTransport> create();
    ~CurlHttpTransport() override;

    RequestId start(HttpRequestData request, Completion completion) override;
    void cancel(RequestId id) override;
    size_t activeCount() const override { return transfers_.size(); }
    std::vector<int> activeLocalPorts() const override;

    struct Transfer; // one running request (defined in the source)

private:
    CurlHttpTransport() = default;
    bool init();

    static int socketCallback(void* easy, int fd, int what, void* self, void* socketData);
    static int timerCallback(void* multi, long timeoutMs, void* self);
    void onSocket(int fd, short ready);
    void onTimerFd();
    void collectFinished();
    void finish(RequestId id, HttpResult&& result);
    void removeTransfer(Transfer& t);

    void* multi_ { nullptr };
    int timerFd_ { -1 };
    int timerWatch_ { 0 };
    std::map<int, int> socketWatches_; // fd -> watch id
    std::map<RequestId, std::unique_ptr<Transfer>> transfers_;
    RequestId nextId_ { 1 };
};

} // namespace platform
