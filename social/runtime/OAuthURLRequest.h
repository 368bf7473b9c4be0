// OAuthURLRequest: one signed request to the service — method, address,
// parameters, the consumer (product key and secret) and the access token when
// one is held. prepare() adds the client's information fields to the
// parameters, signs them and builds the HTTP request: GET parameters in the
// query, others in a form body, or multipart/form-data when a blob is present
// (its parts in parameter order, the information fields after them).
//
// The information fields are "info_client_application_version",
// "info_client_application_bundle_id", "info_client_quorvel_version" (the
// client's release version), "info_client_device_locale" and "session_id".
#pragma once

#include "platform/net/HttpTransport.h"
#include "social/runtime/OAuthURLRequestParameter.h"

#include <vector>

namespace quorvel {

class OAuthURLRequest : public platform::Object {
public:
    using Parameters = std::vector<platform::Ref<OAuthURLRequestParameter>>;

    static platform::Ref<OAuthURLRequest> requestWithURL(std::string url, std::string consumerKey,
                                                         std::string consumerSecret, std::string token = {},
                                                         std::string tokenSecret = {});

    const std::string& url() const { return url_; }
    const std::string& httpMethod() const { return method_; }
    // The method must be set before prepare(); a missing one is a programming error.
    void setHttpMethod(std::string method) { method_ = std::move(method); }
    void setParameters(Parameters params) { parameters_ = std::move(params); }
    const Parameters& parameters() const { return parameters_; }
    void setToken(std::string token, std::string secret)
    {
        token_ = std::move(token);
        tokenSecret_ = std::move(secret);
    }
    const std::string& token() const { return token_; }
    // Fixed nonce and timestamp (tests); otherwise fresh ones per prepare().
    void setNonceAndTimestamp(std::string nonce, std::string timestamp)
    {
        nonce_ = std::move(nonce);
        timestamp_ = std::move(timestamp);
    }
    void setAddsInformationFields(bool adds) { addsInfo_ = adds; }

    // The signed HTTP request.
    platform::HttpRequestData prepare() const;

    // The information fields this client sends with every request.
    static std::vector<std::pair<std::string, std::string>> informationFields();
    static constexpr const char* kMultipartBoundary = "QuorvelFormBoundary7MA4YWxkTrZu0gW";

private:
    OAuthURLRequest() = default;

    std::string url_;
    std::string method_;
    std::string consumerKey_;
    std::string consumerSecret_;
    std::string token_;
    std::string tokenSecret_;
    std::string nonce_;
    std::string timestamp_;
    Parameters parameters_;
    bool addsInfo_ { true };
};

// The answer of a signed request: the HTTP response (null when none arrived).
class OAuthURLResponse : public platform::Object {
public:
    static platform::Ref<OAuthURLResponse> responseWith(platform::Ref<platform::HttpURLResponse> r)
    {
        auto o = platform::adoptRef(new OAuthURLResponse);
        o->response_ = std::move(r);
        return o;
    }
    platform::HttpURLResponse* urlResponse() const { return response_.get(); }
    int statusCode() const { return response_ ? response_->statusCode() : 0; }
    // Which of the service's checks refused the request, as OAuth's problem
    // reporting names it in the WWW-Authenticate header ("timestamp_refused"
    // for a clock the service does not agree with); empty when not said.
    std::string oauthProblem() const;

private:
    OAuthURLResponse() = default;
    platform::Ref<platform::HttpURLResponse> response_;
};

} // namespace quorvel
