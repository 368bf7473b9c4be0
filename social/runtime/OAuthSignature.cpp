// OAuth 1.0 HMAC-SHA1 signatures on OpenSSL's libcrypto.
#include "social/runtime/OAuthSignature.h"

#include "platform/foundation/Text.h"
#include "platform/net/HttpTransport.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cctype>

namespace quorvel {

std::string oauthEncode(const std::string& text) { return platform::percentEncode(text); }

std::string oauthBaseStringURI(const std::string& url)
{
    std::string u = url.substr(0, url.find_first_of("?#"));
    size_t schemeEnd = u.find("://");
    if (schemeEnd == std::string::npos)
        return u;
    std::string scheme = u.substr(0, schemeEnd);
    size_t hostStart = schemeEnd + 3;
    size_t pathStart = u.find('/', hostStart);
    std::string authority = u.substr(hostStart, pathStart == std::string::npos ? std::string::npos : pathStart - hostStart);
    std::string path = pathStart == std::string::npos ? "/" : u.substr(pathStart);
    scheme = platform::asciiLowercased(scheme);
    authority = platform::asciiLowercased(authority);
    if ((scheme == "http" && authority.size() > 3 && authority.ends_with(":80")))
        authority.resize(authority.size() - 3);
    else if (scheme == "https" && authority.size() > 4 && authority.ends_with(":443"))
        authority.resize(authority.size() - 4);
    return scheme + "://" + authority + path;
}

std::string oauthNormalizedParameters(const OAuthParams& params)
{
    OAuthParams encoded;
    encoded.reserve(params.size());
    for (auto& [k, v] : params)
        encoded.emplace_back(oauthEncode(k), oauthEncode(v));
    std::sort(encoded.begin(), encoded.end());
    std::string out;
    for (auto& [k, v] : encoded) {
        if (!out.empty())
            out += '&';
        out += k;
        out += '=';
        out += v;
    }
    return out;
}

std::string oauthSignatureBaseString(const std::string& method, const std::string& url, const OAuthParams& params)
{
    return platform::asciiUppercased(method) + "&" + oauthEncode(oauthBaseStringURI(url)) + "&" + oauthEncode(oauthNormalizedParameters(params));
}

std::string oauthHmacSha1(const std::string& key, const std::string& text)
{
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(text.data()),
         text.size(), mac, &length);
    unsigned char encoded[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1] = {};
    int n = EVP_EncodeBlock(encoded, mac, static_cast<int>(length));
    return std::string(reinterpret_cast<char*>(encoded), static_cast<size_t>(n));
}

std::string oauthSignature(const std::string& baseString, const std::string& consumerSecret,
                           const std::string& tokenSecret)
{
    return oauthHmacSha1(oauthEncode(consumerSecret) + "&" + oauthEncode(tokenSecret), baseString);
}

std::string oauthNonce()
{
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1)
        return {};
    return platform::hexString(bytes);
}

} // namespace quorvel
