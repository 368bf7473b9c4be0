// The shared transport slot and the small HTTP helpers every transport uses.
#include "platform/net/HttpTransport.h"

#include "platform/net/CurlHttpTransport.h"
#include "platform/foundation/Text.h"

#include <mutex>
#include <strings.h>

namespace platform {

namespace {
std::string findHeader(const HttpHeaders& headers, const std::string& name)
{
    for (auto& [k, v] : headers)
        if (equalsIgnoringAsciiCase(k, name))
            return v;
    return {};
}

Ref<HttpTransport>& sharedSlot()
{
    static Ref<HttpTransport> slot;
    return slot;
}
} // namespace

std::string HttpRequestData::header(const std::string& name) const { return findHeader(headers, name); }
std::string HttpURLResponse::header(const std::string& name) const { return findHeader(headers_, name); }

const char* httpErrorName(HttpError error)
{
    switch (error) {
    case HttpError::None: return "none";
    case HttpError::CannotConnect: return "could not connect to the server";
    case HttpError::TimedOut: return "the request timed out";
    case HttpError::ConnectionLost: return "the connection was lost";
    case HttpError::TooLarge: return "the answer is too large";
    case HttpError::BadURL: return "bad URL";
    case HttpError::SecureConnectionFailed: return "a secure connection could not be made";
    case HttpError::Other: return "network error";
    }
    return "network error";
}

HttpTransport& HttpTransport::shared()
{
    auto& slot = sharedSlot();
    if (!slot)
        slot = Ref<HttpTransport>(CurlHttpTransport::create().get());
    return *slot;
}

void HttpTransport::setShared(Ref<HttpTransport> transport) { sharedSlot() = std::move(transport); }

std::string percentEncode(std::string_view text)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
            || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string percentDecode(std::string_view text, bool plusAsSpace)
{
    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            int hi = hexValue(text[i + 1]), lo = hexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += (plusAsSpace && c == '+') ? ' ' : c;
    }
    return out;
}

} // namespace platform
