// Signed loads through the shared HTTP transport, with the error mapping the
// callers read (timed out, cannot connect, connection lost, too large).
#include "social/runtime/OAuthAPIRequestLoader.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Weak.h"

namespace quorvel {

using platform::HttpError;
using platform::Ref;

Ref<OAuthAPIRequestLoader> OAuthAPIRequestLoader::loaderWithRequest(Ref<OAuthURLRequest> request,
                                                                    const QVDelegate& onSuccess,
                                                                    const QVDelegate& onFailure)
{
    auto l = platform::adoptRef(new OAuthAPIRequestLoader);
    l->request_ = std::move(request);
    l->onSuccess_ = onSuccess;
    l->onFailure_ = onFailure;
    return l;
}

OAuthAPIRequestLoader::~OAuthAPIRequestLoader() { cancel(); }

platform::HttpRequestData OAuthAPIRequestLoader::getConfiguredRequest() const
{
    auto r = request_->prepare();
    r.timeout = kTimeout;
    r.maxBodySize = kMaxAnswerSize;
    // Its nonce is good once: the service refuses a second sending as a replay.
    r.sendOnce = true;
    return r;
}

void OAuthAPIRequestLoader::loadSynchronously(bool synchronously)
{
    cancel();
    data_.clear();
    response_ = nullptr;
    error_.reset();
    signedAgain_ = false;
    transport_ = preferredTransport_ ? preferredTransport_ : Ref<platform::HttpTransport>(&platform::HttpTransport::shared());
    send();
    if (synchronously)
        platform::RunLoop::main().runUntil([this] { return requestId_ == 0; }, kTimeout + 5);
}

void OAuthAPIRequestLoader::send()
{
    // The transfer keeps the loader alive until it completes.
    Ref<OAuthAPIRequestLoader> self(this);
    requestId_ = transport_->start(getConfiguredRequest(), [self](platform::HttpResult&& result) {
        self->requestId_ = 0;
        self->finished(std::move(result));
    });
}

void OAuthAPIRequestLoader::cancel()
{
    if (requestId_ && transport_)
        transport_->cancel(requestId_);
    requestId_ = 0;
}

void OAuthAPIRequestLoader::finished(platform::HttpResult&& result)
{
    Ref<OAuthAPIRequestLoader> keep(this);
    // Its connection died before the answer and the transport did not send it
    // again under the same signature. A read changes nothing on the service:
    // it goes once more, signed afresh (a new nonce and timestamp). Anything
    // else is told lost: the service may have done it.
    const std::string& method = request_->httpMethod();
    if (result.resendRefused && !signedAgain_ && (method == "GET" || method == "HEAD") && transport_) {
        signedAgain_ = true;
        send();
        return;
    }
    transport_ = nullptr;
    if (result.response)
        response_ = OAuthURLResponse::responseWith(result.response);
    if (result.error == HttpError::None) {
        data_ = std::move(result.body);
        onSuccess_.invoke(this);
        return;
    }
    Error e;
    switch (result.error) {
    case HttpError::TimedOut: e.code = ErrorTimedOut; break;
    case HttpError::CannotConnect: e.code = ErrorCannotConnectToHost; break;
    case HttpError::ConnectionLost: e.code = ErrorNetworkConnectionLost; break;
    case HttpError::TooLarge: e.code = ErrorDataLengthExceedsMaximum; break;
    case HttpError::BadURL: e.code = ErrorBadURL; break;
    case HttpError::SecureConnectionFailed: e.code = ErrorSecureConnectionFailed; break;
    default: e.code = ErrorUnknown; break;
    }
    e.text = platform::httpErrorName(result.error);
    error_ = e;
    // The address and status only: parameters and headers may carry secrets.
    platform::logWarning("Request %s %s failed: %s (%d)", request_->httpMethod().c_str(),
                         request_->url().substr(0, request_->url().find('?')).c_str(), e.text.c_str(), e.code);
    onFailure_.invoke(this);
}

} // namespace quorvel
