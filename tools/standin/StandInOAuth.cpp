// What the stand-in reads of a request besides its route: the parameters of
// a query or form, the fields of an OAuth Authorization header and the OAuth
// 1.0 HMAC-SHA1 signature check, written apart from the client's signing code;
// and the random bytes its tokens and secrets are made of.
#include "tools/standin/StandInServer.h"

#include "platform/foundation/Text.h"
#include "platform/net/HttpTransport.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <algorithm>
#include <strings.h>

namespace standin {

using platform::percentDecode;
using platform::percentEncode;

std::string LoggedRequest::param(const std::string& name) const
{
    for (auto& [k, v] : params)
        if (k == name)
            return v;
    return {};
}

bool LoggedRequest::hasParam(const std::string& name) const
{
    for (auto& [k, v] : params)
        if (k == name)
            return true;
    return false;
}

std::optional<std::string> LoggedRequest::header(const std::string& name) const
{
    for (auto& [k, v] : headers)
        if (platform::equalsIgnoringAsciiCase(k, name))
            return v;
    return std::nullopt;
}

std::optional<std::string> randomHex(size_t bytes)
{
    std::vector<unsigned char> random(bytes);
    if (bytes > 0 && RAND_bytes(random.data(), static_cast<int>(bytes)) != 1)
        return std::nullopt;
    return platform::hexString(random);
}

Params parseFormEncoded(const std::string& text)
{
    Params out;
    size_t pos = 0;
    while (pos <= text.size() && !text.empty()) {
        size_t amp = text.find('&', pos);
        std::string pair = text.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
        if (!pair.empty()) {
            size_t eq = pair.find('=');
            std::string name = pair.substr(0, eq);
            std::string value = eq == std::string::npos ? "" : pair.substr(eq + 1);
            out.emplace_back(percentDecode(name, true), percentDecode(value, true));
        }
        if (amp == std::string::npos)
            break;
        pos = amp + 1;
    }
    return out;
}

Params parseAuthorizationHeader(const std::string& header)
{
    Params out;
    std::string h = header;
    if (h.rfind("OAuth ", 0) != 0)
        return out;
    h = h.substr(6);
    size_t pos = 0;
    while (pos < h.size()) {
        while (pos < h.size() && (h[pos] == ' ' || h[pos] == ','))
            ++pos;
        size_t eq = h.find('=', pos);
        if (eq == std::string::npos)
            break;
        std::string name = h.substr(pos, eq - pos);
        std::string value;
        if (eq + 1 < h.size() && h[eq + 1] == '"') {
            size_t close = h.find('"', eq + 2);
            if (close == std::string::npos)
                break;
            value = h.substr(eq + 2, close - eq - 2);
            pos = close + 1;
        } else {
            size_t comma = h.find(',', eq);
            value = h.substr(eq + 1, comma == std::string::npos ? std::string::npos : comma - eq - 1);
            pos = comma == std::string::npos ? h.size() : comma;
        }
        out.emplace_back(percentDecode(name), percentDecode(value));
    }
    return out;
}

bool verifyOAuthSignature(const std::string& method, const std::string& baseUrl, const Params& requestParams,
                          const std::string& authorizationHeader, const std::string& consumerSecret,
                          const std::string& tokenSecret, std::string* failure, std::string* problem)
{
    auto fail = [&](const char* why, const char* oauthProblem) {
        if (failure)
            *failure = why;
        if (problem)
            *problem = oauthProblem;
        return false;
    };
    Params oauth = parseAuthorizationHeader(authorizationHeader);
    if (oauth.empty())
        return fail("no OAuth header", "parameter_absent");
    std::string signature, signatureMethod, nonce, timestamp;
    std::vector<std::pair<std::string, std::string>> all;
    for (auto& [k, v] : oauth) {
        if (k == "oauth_signature")
            signature = v;
        else if (k != "realm")
            all.emplace_back(percentEncode(k), percentEncode(v));
        if (k == "oauth_signature_method")
            signatureMethod = v;
        else if (k == "oauth_nonce")
            nonce = v;
        else if (k == "oauth_timestamp")
            timestamp = v;
    }
    if (signatureMethod != "HMAC-SHA1")
        return fail("not HMAC-SHA1", "signature_method_rejected");
    for (auto& [k, v] : requestParams)
        all.emplace_back(percentEncode(k), percentEncode(v));
    std::sort(all.begin(), all.end());
    std::string normalized;
    for (auto& [k, v] : all) {
        if (!normalized.empty())
            normalized += '&';
        normalized += k + "=" + v;
    }
    std::string base = platform::asciiUppercased(method) + "&" + percentEncode(baseUrl) + "&" + percentEncode(normalized);
    std::string key = percentEncode(consumerSecret) + "&" + percentEncode(tokenSecret);
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int macLength = 0;
    HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(base.data()),
         base.size(), mac, &macLength);
    unsigned char encoded[64] = {};
    EVP_EncodeBlock(encoded, mac, static_cast<int>(macLength));
    if (signature != reinterpret_cast<char*>(encoded))
        return fail("signature mismatch", "signature_invalid");
    // A signature alone can be sent again: the nonce and timestamp make each request one of a kind.
    if (nonce.empty())
        return fail("no oauth_nonce", "parameter_absent");
    if (timestamp.empty() || timestamp.size() > 18 || timestamp.find_first_not_of("0123456789") != std::string::npos
        || std::stoll(timestamp) <= 0)
        return fail("no oauth_timestamp in seconds", "parameter_absent");
    return true;
}

} // namespace standin
