// OAuthAPIRequestLoader: loads one signed request on the main run loop and
// reports through the client's callback values — the success value with the
// loader itself when an answer arrived (whatever its status), the failure
// value when none did (refused, dropped, truncated, too large, timed out).
// Exactly one of the two runs per load; cancel() runs neither.
//
// A load times out after 30 s with the timed-out error. The signed request
// goes out once as it stands: when its kept-alive connection dies before the
// answer, a GET (or HEAD) is signed afresh and sent once more, and any other
// method fails with the connection-lost error (the service may have done it).
#pragma once

#include "platform/net/HttpTransport.h"
#include "social/runtime/OAuthURLRequest.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVDelegate.h"

#include <optional>

namespace quorvel {

class OAuthAPIRequestLoader : public platform::Object {
public:
    // Error codes of a load that got no answer.
    enum ErrorCode {
        ErrorUnknown = -1,
        ErrorBadURL = -1000,
        ErrorTimedOut = -1001,
        ErrorCannotConnectToHost = -1004,
        ErrorNetworkConnectionLost = -1005,
        ErrorDataLengthExceedsMaximum = -1103,
        ErrorSecureConnectionFailed = -1200,
    };
    struct Error {
        int code { ErrorUnknown };
        std::string text;
    };

    static platform::Ref<OAuthAPIRequestLoader> loaderWithRequest(platform::Ref<OAuthURLRequest> request,
                                                                  const QVDelegate& onSuccess,
                                                                  const QVDelegate& onFailure);
    ~OAuthAPIRequestLoader() override;

    // NO starts the load on the main loop; YES runs the main loop until it ends.
    void loadSynchronously(bool synchronously);
    // The transport the next loads go through (the presence channel's, for
    // one); null: the shared HTTP transport.
    void setTransport(platform::Ref<platform::HttpTransport> transport) { preferredTransport_ = std::move(transport); }
    void cancel();
    bool isLoading() const { return requestId_ != 0; }

    const platform::Bytes& data() const { return data_; }
    OAuthURLResponse* oauthResponse() const { return response_.get(); }
    const std::optional<Error>& error() const { return error_; }
    OAuthURLRequest* request() const { return request_.get(); }

    QVDelegate& getOnSuccess() { return onSuccess_; }
    QVDelegate& getOnFailure() { return onFailure_; }
    void setOnSuccess(const QVDelegate& d) { onSuccess_ = d; }
    void setOnFailure(const QVDelegate& d) { onFailure_ = d; }

    // The signed request as it would be sent.
    platform::HttpRequestData getConfiguredRequest() const;

    static constexpr double kTimeout = 30.0;
    static constexpr size_t kMaxAnswerSize = QVAnswer::kMaxSize;

private:
    OAuthAPIRequestLoader() = default;
    void send();
    void finished(platform::HttpResult&& result);

    platform::Ref<OAuthURLRequest> request_;
    QVDelegate onSuccess_;
    QVDelegate onFailure_;
    platform::Bytes data_;
    platform::Ref<OAuthURLResponse> response_;
    std::optional<Error> error_;
    platform::HttpTransport::RequestId requestId_ { 0 };
    bool signedAgain_ { false }; // this load was sent again with a fresh signature
    platform::Ref<platform::HttpTransport> transport_;
    platform::Ref<platform::HttpTransport> preferredTransport_;
};

} // namespace quorvel
