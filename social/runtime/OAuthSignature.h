// OAuth 1.0 signing with HMAC-SHA1: parameter normalisation, the signature
// base string and the signature itself, as the service checks them. Names and
// values are encoded with RFC 3986's unreserved set; body parameters take part
// only in a form-encoded body, never in a multipart one.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quorvel {

using OAuthParams = std::vector<std::pair<std::string, std::string>>;

std::string oauthEncode(const std::string& text);
// The base string URI: scheme and host lower-cased, default port dropped, no query.
std::string oauthBaseStringURI(const std::string& url);
// Encoded pairs sorted by name then value, joined "n=v&n=v".
std::string oauthNormalizedParameters(const OAuthParams& params);
std::string oauthSignatureBaseString(const std::string& method, const std::string& url, const OAuthParams& params);
// Base64 of HMAC-SHA1(key, text).
std::string oauthHmacSha1(const std::string& key, const std::string& text);
std::string oauthSignature(const std::string& baseString, const std::string& consumerSecret,
                           const std::string& tokenSecret);
// A fresh random nonce (hex).
std::string oauthNonce();

} // namespace quorvel
