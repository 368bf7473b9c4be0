// OAuth 1.0 signing against the published examples, and the signed request
// the client builds as the stand-in's own verifier sees it.
#include "social/runtime/OAuthSignature.h"
#include "social/runtime/OAuthURLRequest.h"
#include "tools/standin/StandInServer.h"

#include "platform/foundation/Exception.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quorvel;
using platform::Ref;

namespace {

TEST(OAuthSignature, PublishedPhotoRequestExampleSigns)
{
    OAuthParams params = {
        { "file", "vacation.jpg" },
        { "size", "original" },
        { "oauth_consumer_key", "dpf43f3p2l4k3l03" },
        { "oauth_token", "nnch734d00sl2jdk" },
        { "oauth_signature_method", "HMAC-SHA1" },
        { "oauth_timestamp", "137131202" },
        { "oauth_nonce", "chapoH" },
    };
    std::string base = oauthSignatureBaseString("GET", "http://photos.example.net/photos", params);
    EXPECT_EQ(oauthSignature(base, "kd94hf93k423kf44", "pfkkdhi9sl3r4s00"), "MdpQcU8iPSUjWoN/UDMsK2sui9I=");
}

TEST(OAuthSignature, BaseStringNormalisesParametersAndAddress)
{
    // The worked example: repeated names, encoded values, empty values, body parameters.
    OAuthParams params = {
        { "b5", "=%3D" }, { "a3", "a" }, { "c@", "" }, { "a2", "r b" },
        { "oauth_consumer_key", "9djdj82h48djs9d2" }, { "oauth_token", "kkk9d7dh3k39sjv7" },
        { "oauth_signature_method", "HMAC-SHA1" }, { "oauth_timestamp", "137131201" },
        { "oauth_nonce", "7d8f3e4a" }, { "c2", "" }, { "a3", "2 q" },
    };
    EXPECT_EQ(oauthSignatureBaseString("post", "HTTP://Example.com:80/request?b5=%3D%253D", params),
              "POST&http%3A%2F%2Fexample.com%2Frequest&a2%3Dr%2520b%26a3%3D2%2520q%26a3%3Da%26b5%3D%253D%25253D%26c%2540%3D"
              "%26c2%3D%26oauth_consumer_key%3D9djdj82h48djs9d2%26oauth_nonce%3D7d8f3e4a%26oauth_signature_method%3DHMAC-"
              "SHA1%26oauth_timestamp%3D137131201%26oauth_token%3Dkkk9d7dh3k39sjv7");
    EXPECT_EQ(oauthBaseStringURI("https://Host.Example:443/a/b?x=1#f"), "https://host.example/a/b");
    EXPECT_EQ(oauthBaseStringURI("http://127.0.0.1:8080/x"), "http://127.0.0.1:8080/x");
    // Case folding is ASCII's under every locale: Turkish folds "I" to a dotless i (or not at all).
    for (const char* locale : { "C", "tr_TR.UTF-8" }) {
        SCOPED_TRACE(locale);
        testing_support::ScopedLocale scoped(locale);
        EXPECT_EQ(oauthBaseStringURI("HTTP://API.QUORVEL.IO:80/Items/I"), "http://api.quorvel.io/Items/I");
        EXPECT_EQ(oauthSignatureBaseString("link", "HTTPS://API.IO/x", {}), "LINK&https%3A%2F%2Fapi.io%2Fx&");
    }
}

TEST(OAuthSignature, SignedRequestsVerifyIndependently)
{
    for (const char* method : { "GET", "POST", "DELETE" }) {
        SCOPED_TRACE(method);
        auto request = OAuthURLRequest::requestWithURL("http://127.0.0.1:9/users/@me/x.xml", "key", "secret", "tok",
                                                       "tok-secret");
        request->setHttpMethod(method);
        request->setParameters({ OAuthURLRequestParameter::parameterWithName("name", "Ann & \"Bob\" +1"),
                                 OAuthURLRequestParameter::parameterWithName("user[id]", "17") });
        auto http = request->prepare();
        standin::Params params;
        if (auto q = http.url.find('?'); q != std::string::npos)
            params = standin::parseFormEncoded(http.url.substr(q + 1));
        else
            params = standin::parseFormEncoded(std::string(http.body.begin(), http.body.end()));
        std::string why;
        EXPECT_TRUE(standin::verifyOAuthSignature(method, "http://127.0.0.1:9/users/@me/x.xml", params,
                                                  http.header("Authorization"), "secret", "tok-secret", &why))
            << why;
        EXPECT_FALSE(standin::verifyOAuthSignature(method, "http://127.0.0.1:9/users/@me/x.xml", params,
                                                   http.header("Authorization"), "secret", "other", &why));
        bool hasSession = false;
        for (auto& [k, v] : params)
            hasSession |= k == "session_id" && v == "0";
        EXPECT_TRUE(hasSession);
    }
}

TEST(OAuthSignature, PlusInTheAddressQueryIsSignedAsASpace)
{
    for (const char* method : { "GET", "POST" }) {
        SCOPED_TRACE(method);
        auto request = OAuthURLRequest::requestWithURL("http://127.0.0.1:9/search.xml?q=a+b&tag=c%2Bd", "key",
                                                       "secret", "tok", "tok-secret");
        request->setHttpMethod(method);
        auto http = request->prepare();
        size_t q = http.url.find('?');
        ASSERT_NE(q, std::string::npos);
        standin::Params params = standin::parseFormEncoded(http.url.substr(q + 1));
        standin::Params body = standin::parseFormEncoded(std::string(http.body.begin(), http.body.end()));
        params.insert(params.end(), body.begin(), body.end());
        ASSERT_EQ(params[0], (std::pair<std::string, std::string>("q", "a b")));
        ASSERT_EQ(params[1], (std::pair<std::string, std::string>("tag", "c+d")));
        std::string why;
        EXPECT_TRUE(standin::verifyOAuthSignature(method, "http://127.0.0.1:9/search.xml", params,
                                                  http.header("Authorization"), "secret", "tok-secret", &why))
            << why;
    }
}

TEST(OAuthSignature, RequestsCarryTheClientReleaseVersion)
{
    auto request = OAuthURLRequest::requestWithURL("http://127.0.0.1:9/x.xml", "key", "secret");
    request->setHttpMethod("GET");
    auto http = request->prepare();
    auto params = standin::parseFormEncoded(http.url.substr(http.url.find('?') + 1));
    std::string version;
    for (auto& [k, v] : params)
        if (k == "info_client_quorvel_version")
            version = v;
    EXPECT_EQ(version, "1.4.0");
}

TEST(OAuthSignature, MissingMethodIsAProgrammingError)
{
    auto request = OAuthURLRequest::requestWithURL("http://127.0.0.1:9/x", "key", "secret");
    EXPECT_THROW(request->prepare(), platform::AssertionFailure);
}

// Which check refused a request, read from the answer's challenge as the
// service writes it or another writes it; nothing from anything else.
TEST(OAuthSignature, TheRefusingCheckIsReadFromTheAnswersChallenge)
{
    const std::vector<std::pair<std::string, std::string>> rows {
        { "OAuth realm=\"\", oauth_problem=\"timestamp_refused\"", "timestamp_refused" },
        { "OAuth oauth_problem=nonce_used, realm=\"x\"", "nonce_used" },
        { "OAuth realm=\"\",oauth_problem=\"signature_invalid\", oauth_problem_advice=\"x\"", "signature_invalid" },
        { "OAuth realm=\"\", xoauth_problem=\"timestamp_refused\"", "" },
        { "Basic realm=\"oauth_problem=timestamp_refused\"", "" },
        { "", "" },
    };
    for (auto& [challenge, problem] : rows) {
        platform::HttpHeaders headers;
        if (!challenge.empty())
            headers.emplace_back("www-authenticate", challenge);
        auto response = OAuthURLResponse::responseWith(platform::HttpURLResponse::response(401, headers));
        EXPECT_EQ(response->oauthProblem(), problem) << challenge;
    }
    EXPECT_EQ(OAuthURLResponse::responseWith(nullptr)->oauthProblem(), "");
}

} // namespace
