// Building and signing a request: information fields, OAuth parameters,
// query or body encoding and the Authorization header.
#include "social/runtime/OAuthURLRequest.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "social/runtime/OAuthSignature.h"
#include "social/runtime/QVSessionRole.h"

#include <cstdlib>
#include <ctime>
#include <string_view>

namespace quorvel {

using platform::Bytes;
using platform::HttpRequestData;
using platform::Ref;

namespace {
std::string deviceLocale()
{
    const char* lang = std::getenv("LC_ALL");
    if (!lang || !*lang)
        lang = std::getenv("LANG");
    std::string l = lang && *lang ? lang : "";
    l = l.substr(0, l.find_first_of(".@"));
    if (l.empty() || l == "C" || l == "POSIX")
        return "en_US";
    return l;
}

void append(Bytes& body, const std::string& text) { body.insert(body.end(), text.begin(), text.end()); }
} // namespace

Ref<OAuthURLRequest> OAuthURLRequest::requestWithURL(std::string url, std::string consumerKey,
                                                     std::string consumerSecret, std::string token,
                                                     std::string tokenSecret)
{
    auto r = platform::adoptRef(new OAuthURLRequest);
    r->url_ = std::move(url);
    r->consumerKey_ = std::move(consumerKey);
    r->consumerSecret_ = std::move(consumerSecret);
    r->token_ = std::move(token);
    r->tokenSecret_ = std::move(tokenSecret);
    return r;
}

std::vector<std::pair<std::string, std::string>> OAuthURLRequest::informationFields()
{
    auto& bundle = platform::Bundle::main();
    return {
        { "info_client_application_version", bundle.version() },
        { "info_client_application_bundle_id", bundle.bundleIdentifier() },
        { "info_client_quorvel_version", QVSessionRole::current().releaseVersionString() },
        { "info_client_device_locale", deviceLocale() },
        { "session_id", QVSessionRole::current().sessionId() },
    };
}

HttpRequestData OAuthURLRequest::prepare() const
{
    BRISKO_ASSERT(!method_.empty(), "OAuthURLRequest needs an HTTP method");
    OAuthParams text;
    bool hasBlob = false;
    for (auto& p : parameters_) {
        if (!p)
            continue;
        if (p->isData())
            hasBlob = true;
        else
            text.emplace_back(p->name(), p->value());
    }
    OAuthParams info;
    if (addsInfo_)
        info = informationFields();
    text.insert(text.end(), info.begin(), info.end());

    const bool inQuery = method_ == "GET" || method_ == "HEAD";
    const bool multipart = !inQuery && hasBlob;

    OAuthParams oauth = {
        { "oauth_consumer_key", consumerKey_ },
        { "oauth_nonce", nonce_.empty() ? oauthNonce() : nonce_ },
        { "oauth_signature_method", "HMAC-SHA1" },
        { "oauth_timestamp", timestamp_.empty() ? std::to_string(std::time(nullptr)) : timestamp_ },
    };
    if (!token_.empty())
        oauth.emplace_back("oauth_token", token_);
    oauth.emplace_back("oauth_version", "1.0");

    OAuthParams signing = oauth;
    // Parameters already in the address are signed as query parameters,
    // decoded as a form: '+' stands for a space there.
    if (auto q = url_.find('?'); q != std::string::npos) {
        std::string query = url_.substr(q + 1);
        size_t pos = 0;
        while (pos < query.size()) {
            size_t amp = query.find('&', pos);
            std::string pair = query.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
            size_t eq = pair.find('=');
            signing.emplace_back(platform::percentDecode(pair.substr(0, eq), true),
                                 eq == std::string::npos ? "" : platform::percentDecode(pair.substr(eq + 1), true));
            if (amp == std::string::npos)
                break;
            pos = amp + 1;
        }
    }
    if (!multipart)
        signing.insert(signing.end(), text.begin(), text.end());
    std::string signature = oauthSignature(oauthSignatureBaseString(method_, url_, signing), consumerSecret_, tokenSecret_);

    std::string header = "OAuth realm=\"\"";
    for (auto& [k, v] : oauth)
        header += ", " + oauthEncode(k) + "=\"" + oauthEncode(v) + "\"";
    header += ", oauth_signature=\"" + oauthEncode(signature) + "\"";

    HttpRequestData request;
    request.method = method_;
    request.url = url_;
    request.headers.emplace_back("Authorization", header);

    std::string encoded;
    for (auto& [k, v] : text) {
        if (!encoded.empty())
            encoded += '&';
        encoded += oauthEncode(k) + "=" + oauthEncode(v);
    }
    if (inQuery) {
        if (!encoded.empty())
            request.url += (url_.find('?') == std::string::npos ? "?" : "&") + encoded;
    } else if (multipart) {
        std::string boundary = std::string(kMultipartBoundary) + oauthNonce();
        request.headers.emplace_back("Content-Type", "multipart/form-data; boundary=" + boundary);
        auto textPart = [&](const std::string& name, const std::string& value) {
            append(request.body, "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n");
            append(request.body, value + "\r\n");
        };
        // The parts in the caller's order, blobs among the text fields where
        // they were written; the information fields last.
        for (auto& p : parameters_) {
            if (!p)
                continue;
            if (!p->isData()) {
                textPart(p->name(), p->value());
                continue;
            }
            append(request.body, "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + p->name()
                                     + "\"; filename=\"" + p->dataType() + "\"\r\nContent-Type: application/octet-stream\r\n\r\n");
            request.body.insert(request.body.end(), p->data().begin(), p->data().end());
            append(request.body, "\r\n");
        }
        for (auto& [k, v] : info)
            textPart(k, v);
        append(request.body, "--" + boundary + "--\r\n");
    } else {
        request.headers.emplace_back("Content-Type", "application/x-www-form-urlencoded");
        append(request.body, encoded);
    }
    return request;
}

std::string OAuthURLResponse::oauthProblem() const
{
    if (!response_)
        return {};
    // WWW-Authenticate: OAuth realm="", oauth_problem="timestamp_refused"
    const std::string challenge = response_->header("WWW-Authenticate");
    if (challenge.rfind("OAuth ", 0) != 0)
        return {};
    constexpr std::string_view kField = "oauth_problem=";
    size_t at = challenge.find(kField);
    if (at == std::string::npos || (at > 0 && challenge[at - 1] != ' ' && challenge[at - 1] != ','))
        return {};
    at += kField.size();
    const bool quoted = at < challenge.size() && challenge[at] == '"';
    if (quoted)
        ++at;
    const size_t end = challenge.find(quoted ? '"' : ',', at);
    return challenge.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

} // namespace quorvel
