// libcurl multi transport: each request is an easy handle in one multi handle;
// the run loop watches curl's sockets and a timerfd that carries curl's
// timeouts, and every finished transfer completes on the main loop.
#include "platform/net/CurlHttpTransport.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"

#include <curl/curl.h>

#include <cstring>
#include <sys/timerfd.h>
#include <unistd.h>

namespace platform {

struct CurlHttpTransport::Transfer {
    RequestId id { 0 };
    CURL* easy { nullptr };
    curl_slist* headerList { nullptr };
    HttpRequestData request;
    Completion completion;
    Ref<Timer> timeout;
    Bytes body;
    HttpHeaders headers;
    bool tooLarge { false };
    int sends { 0 };            // times curl was about to send the request
    bool resendRefused { false };

    ~Transfer()
    {
        if (timeout)
            timeout->invalidate();
        if (headerList)
            curl_slist_free_all(headerList);
    }
};

namespace {

size_t writeBody(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<CurlHttpTransport::Transfer*>(user);
    size_t n = size * count;
    if (t->body.size() + n > t->request.maxBodySize) {
        t->tooLarge = true;
        return 0; // aborts the transfer
    }
    t->body.insert(t->body.end(), data, data + n);
    return n;
}

size_t readHeader(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<CurlHttpTransport::Transfer*>(user);
    size_t n = size * count;
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    if (line.rfind("HTTP/", 0) == 0) {
        t->headers.clear(); // a new status line (after 100 Continue or a redirect)
    } else if (auto colon = line.find(':'); colon != std::string::npos) {
        std::string value = line.substr(colon + 1);
        size_t start = value.find_first_not_of(" \t");
        t->headers.emplace_back(line.substr(0, colon), start == std::string::npos ? "" : value.substr(start));
    }
    return n;
}

// Called each time curl is about to send the request on a connection: a
// second time means it would send it again after a kept-alive connection died
// before the answer. A request that may go only once is stopped there.
int beforeSending(void* user, char*, char*, int, int)
{
    auto* t = static_cast<CurlHttpTransport::Transfer*>(user);
    if (t->sends++ > 0 && t->request.sendOnce) {
        t->resendRefused = true;
        return CURL_PREREQFUNC_ABORT;
    }
    return CURL_PREREQFUNC_OK;
}

HttpError errorFor(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return HttpError::CannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpError::TimedOut;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        return HttpError::ConnectionLost;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return HttpError::BadURL;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
        return HttpError::SecureConnectionFailed;
    default:
        return HttpError::Other;
    }
}

void globalInit()
{
    static bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

} // namespace

Ref<CurlHttpTransport> CurlHttpTransport::create()
{
    auto t = adoptRef(new CurlHttpTransport);
    return t->init() ? t : nullptr;
}

bool CurlHttpTransport::init()
{
    globalInit();
    multi_ = curl_multi_init();
    if (!multi_)
        return false;
    timerFd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timerFd_ < 0)
        return false;
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &CurlHttpTransport::socketCallback);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, &CurlHttpTransport::timerCallback);
    curl_multi_setopt(multi_, CURLMOPT_TIMERDATA, this);
    timerWatch_ = RunLoop::main().watchFd(timerFd_, RunLoop::Readable, [this](short) { onTimerFd(); });
    return true;
}

CurlHttpTransport::~CurlHttpTransport()
{
    for (auto& [id, t] : transfers_) {
        curl_multi_remove_handle(multi_, t->easy);
        curl_easy_cleanup(t->easy);
    }
    transfers_.clear();
    for (auto& [fd, watch] : socketWatches_)
        RunLoop::main().unwatchFd(watch);
    if (timerWatch_)
        RunLoop::main().unwatchFd(timerWatch_);
    if (timerFd_ >= 0)
        close(timerFd_);
    if (multi_)
        curl_multi_cleanup(multi_);
}

int CurlHttpTransport::socketCallback(void*, int fd, int what, void* selfPtr, void*)
{
    auto* self = static_cast<CurlHttpTransport*>(selfPtr);
    RunLoop& loop = RunLoop::main();
    auto it = self->socketWatches_.find(fd);
    if (what == CURL_POLL_REMOVE) {
        if (it != self->socketWatches_.end()) {
            loop.unwatchFd(it->second);
            self->socketWatches_.erase(it);
        }
        return 0;
    }
    short events = 0;
    if (what & CURL_POLL_IN)
        events |= RunLoop::Readable;
    if (what & CURL_POLL_OUT)
        events |= RunLoop::Writable;
    if (it == self->socketWatches_.end())
        self->socketWatches_[fd] = loop.watchFd(fd, events, [self, fd](short ready) { self->onSocket(fd, ready); });
    else
        loop.setFdEvents(it->second, events);
    return 0;
}

int CurlHttpTransport::timerCallback(void*, long timeoutMs, void* selfPtr)
{
    auto* self = static_cast<CurlHttpTransport*>(selfPtr);
    itimerspec when {};
    if (timeoutMs >= 0) {
        // A zero it_value disarms the timer, so "now" is one nanosecond.
        when.it_value.tv_sec = timeoutMs / 1000;
        when.it_value.tv_nsec = timeoutMs == 0 ? 1 : (timeoutMs % 1000) * 1000000L;
    }
    timerfd_settime(self->timerFd_, 0, &when, nullptr);
    return 0;
}

void CurlHttpTransport::onSocket(int fd, short ready)
{
    Ref<CurlHttpTransport> keep(this);
    int flags = 0;
    if (ready & RunLoop::Readable)
        flags |= CURL_CSELECT_IN;
    if (ready & RunLoop::Writable)
        flags |= CURL_CSELECT_OUT;
    if (ready & RunLoop::Error)
        flags |= CURL_CSELECT_ERR;
    int running = 0;
    curl_multi_socket_action(multi_, fd, flags, &running);
    collectFinished();
}

void CurlHttpTransport::onTimerFd()
{
    Ref<CurlHttpTransport> keep(this);
    uint64_t expirations;
    while (read(timerFd_, &expirations, sizeof expirations) > 0) { }
    int running = 0;
    curl_multi_socket_action(multi_, CURL_SOCKET_TIMEOUT, 0, &running);
    collectFinished();
}

void CurlHttpTransport::collectFinished()
{
    std::vector<std::pair<RequestId, HttpResult>> done;
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        char* priv = nullptr;
        curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &priv);
        auto id = static_cast<RequestId>(reinterpret_cast<uintptr_t>(priv));
        auto it = transfers_.find(id);
        if (it == transfers_.end())
            continue;
        Transfer& t = *it->second;
        CURLcode code = msg->data.result;
        HttpResult result;
        if (code == CURLE_OK) {
            long status = 0;
            curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
            result = HttpResult::answer(static_cast<int>(status), std::move(t.body), std::move(t.headers));
        } else if (t.tooLarge) {
            result = HttpResult::failure(HttpError::TooLarge, httpErrorName(HttpError::TooLarge));
        } else if (t.resendRefused) {
            result = HttpResult::failure(HttpError::ConnectionLost,
                                         "the connection was lost before the answer, and the request may go only once");
            result.resendRefused = true;
        } else {
            result = HttpResult::failure(errorFor(code), curl_easy_strerror(code));
        }
        done.emplace_back(id, std::move(result));
    }
    for (auto& [id, result] : done)
        finish(id, std::move(result));
}

void CurlHttpTransport::removeTransfer(Transfer& t)
{
    curl_multi_remove_handle(multi_, t.easy);
    curl_easy_cleanup(t.easy);
    t.easy = nullptr;
}

void CurlHttpTransport::finish(RequestId id, HttpResult&& result)
{
    auto it = transfers_.find(id);
    if (it == transfers_.end())
        return;
    std::unique_ptr<Transfer> t = std::move(it->second);
    transfers_.erase(it);
    removeTransfer(*t);
    Completion completion = std::move(t->completion);
    t.reset();
    if (completion)
        completion(std::move(result));
}

HttpTransport::RequestId CurlHttpTransport::start(HttpRequestData request, Completion completion)
{
    BRISKO_ASSERT_MAIN_THREAD();
    RequestId id = nextId_++;
    auto t = std::make_unique<Transfer>();
    t->id = id;
    t->request = std::move(request);
    t->completion = std::move(completion);
    CURL* easy = curl_easy_init();
    t->easy = easy;
    const HttpRequestData& r = t->request;

    curl_easy_setopt(easy, CURLOPT_URL, r.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, reinterpret_cast<char*>(static_cast<uintptr_t>(id)));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &writeBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, t.get());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &readHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, t.get());
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &beforeSending);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, t.get());
    if (r.method == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else if (r.method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else {
        if (r.method != "POST")
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, r.method.c_str());
        // A PUT says its length even when it has no body (servers may refuse one that does not).
        if (r.method == "POST" || r.method == "PUT" || !r.body.empty()) {
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.body.size()));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, r.body.empty() ? "" : reinterpret_cast<const char*>(r.body.data()));
        }
    }
    t->headerList = curl_slist_append(t->headerList, "Expect:");
    for (auto& [name, value] : r.headers)
        t->headerList = curl_slist_append(t->headerList, (name + ": " + value).c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t->headerList);

    if (r.timeout > 0) {
        Weak<CurlHttpTransport> weak(this);
        t->timeout = RunLoop::main().performAfter(r.timeout, [weak, id] {
            if (auto self = weak.lock())
                self->finish(id, HttpResult::failure(HttpError::TimedOut, httpErrorName(HttpError::TimedOut)));
        });
    }
    CURLMcode added = curl_multi_add_handle(multi_, easy);
    transfers_[id] = std::move(t);
    if (added != CURLM_OK) {
        std::string text = curl_multi_strerror(added);
        Weak<CurlHttpTransport> weak(this);
        RunLoop::main().post([weak, id, text] {
            if (auto self = weak.lock())
                self->finish(id, HttpResult::failure(HttpError::Other, text));
        });
    }
    return id;
}

std::vector<int> CurlHttpTransport::activeLocalPorts() const
{
    std::vector<int> ports;
    ports.reserve(transfers_.size());
    for (auto& [id, t] : transfers_) {
        long port = 0;
        if (curl_easy_getinfo(t->easy, CURLINFO_LOCAL_PORT, &port) != CURLE_OK)
            port = 0;
        ports.push_back(static_cast<int>(port));
    }
    return ports;
}

void CurlHttpTransport::cancel(RequestId id)
{
    BRISKO_ASSERT_MAIN_THREAD();
    auto it = transfers_.find(id);
    if (it == transfers_.end())
        return;
    std::unique_ptr<Transfer> t = std::move(it->second);
    transfers_.erase(it);
    removeTransfer(*t);
}

} // namespace platform
