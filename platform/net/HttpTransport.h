// HttpTransport: the one way the system makes HTTP requests. A request is
// started with a completion that runs exactly once, on the main run loop,
// never inside start(); cancel() drops the request without calling it.
//
// The transport enforces the request's timeout with a run-loop timer (so a
// test on the manual clock times a request out with advance()) and refuses
// bodies above the request's size limit. Code above names only this interface;
// programs install the libcurl transport, unit tests the scripted fake.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequestData {
    std::string method { "GET" };
    std::string url;
    HttpHeaders headers;
    Bytes body;
    double timeout { 60.0 };                 // seconds; 0 = none
    size_t maxBodySize { 16 * 1024 * 1024 }; // larger answers fail with TooLarge
    // The request may go out only once as it stands (it carries a one-time
    // signature): when a kept-alive connection dies before its answer, the
    // transport does not send it again on a new connection, as it otherwise
    // may, but fails it with ConnectionLost and resendRefused.
    bool sendOnce { false };

    // The value of a header (case-insensitive name), empty when absent.
    std::string header(const std::string& name) const;
};

// The answer the server gave: its status line and headers.
class HttpURLResponse : public Object {
public:
    [[nodiscard]] static Ref<HttpURLResponse> response(int status, HttpHeaders headers = {})
    {
        auto r = adoptRef(new HttpURLResponse);
        r->statusCode_ = status;
        r->headers_ = std::move(headers);
        return r;
    }
    int statusCode() const { return statusCode_; }
    const HttpHeaders& allHeaderFields() const { return headers_; }
    std::string header(const std::string& name) const;

private:
    HttpURLResponse() = default;
    int statusCode_ { 0 };
    HttpHeaders headers_;
};

enum class HttpError {
    None,
    CannotConnect, // refused, unreachable, unresolvable host
    TimedOut,
    ConnectionLost, // dropped or truncated answer
    TooLarge,       // body above the request's limit
    BadURL,
    SecureConnectionFailed, // TLS handshake or certificate check failed
    Other,
};

const char* httpErrorName(HttpError error);

struct HttpResult {
    HttpError error { HttpError::None };
    std::string errorText;
    Ref<HttpURLResponse> response; // null when no answer arrived
    Bytes body;
    // A sendOnce request whose connection died before any of its answer came,
    // and which the transport would have sent again: the server may or may
    // not have taken it.
    bool resendRefused { false };

    static HttpResult answer(int status, Bytes body = {}, HttpHeaders headers = {})
    {
        HttpResult r;
        r.response = HttpURLResponse::response(status, std::move(headers));
        r.body = std::move(body);
        return r;
    }
    static HttpResult failure(HttpError e, std::string text = {})
    {
        HttpResult r;
        r.error = e;
        r.errorText = std::move(text);
        return r;
    }
};

class HttpTransport : public Object {
public:
    using RequestId = uint64_t;
    using Completion = std::function<void(HttpResult&&)>;

    virtual RequestId start(HttpRequestData request, Completion completion) = 0;
    // Cancels a running request; its completion is never called. Unknown ids are ignored.
    virtual void cancel(RequestId id) = 0;
    virtual size_t activeCount() const = 0;
    // The local port of each running request's connection (0 while it has
    // none), so a test can tell which requests a server on this machine has
    // taken; empty where the transport cannot say.
    virtual std::vector<int> activeLocalPorts() const { return {}; }

    // The transport in use: the libcurl one unless another was installed.
    static HttpTransport& shared();
    // Installs a transport (null restores the default).
    static void setShared(Ref<HttpTransport> transport);
};

// RFC 3986 percent-encoding: everything but unreserved characters is escaped.
std::string percentEncode(std::string_view text);
// Decodes %XX escapes (and '+' as space when asked); malformed escapes stay as they are.
std::string percentDecode(std::string_view text, bool plusAsSpace = false);

} // namespace platform
