// Unsigned transfers through the shared HTTP transport.
#include "social/runtime/QVHttpService.h"

#include "platform/foundation/Boxed.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVRequestHandle.h"
#include "platform/foundation/Base64.h"

#include <algorithm>

namespace quorvel {

std::string QVJoinUrl(const std::string& base, const std::string& path)
{
    if (base.empty() || path.empty())
        return base + path;
    bool baseSlash = base.back() == '/', pathSlash = path.front() == '/';
    if (baseSlash && pathSlash)
        return base + path.substr(1);
    if (!baseSlash && !pathSlash)
        return base + "/" + path;
    return base + path;
}

using platform::Ref;

void QVHttpRequest::cancelImmediately()
{
    Ref<QVHttpRequest> keep(this);
    cancelled_ = true;
    if (transferId_ && transport_)
        transport_->cancel(transferId_);
    transferId_ = 0;
    if (service_)
        service_->forget(this);
}

QVHttpService::QVHttpService(std::string baseAddress, bool useCookies)
    : base_(std::move(baseAddress)), useCookies_(useCookies)
{
}

QVHttpService::~QVHttpService() { cancelAllRequests(); }

Ref<QVHttpRequest> QVHttpService::startRequest(const std::string& path, const std::string& method,
                                               const std::optional<platform::Bytes>& body, const std::string* user,
                                               const std::string* password, platform::Object* passThrough,
                                               const std::string* boundary, QVHttpServiceObserver* observer)
{
    auto r = platform::adoptRef(new QVHttpRequest);
    r->url_ = QVJoinUrl(base_, path);
    r->method_ = method;
    r->passThrough_ = Ref<platform::Object>(passThrough);
    r->observer_ = observer;
    r->service_ = this;
    auto& req = r->request_;
    req.method = method;
    req.url = r->url_;
    req.timeout = QVHttpRequest::kTimeout;
    // The one cap on every answer, as on signed requests (QVAnswer).
    req.maxBodySize = QVAnswer::kMaxSize;
    if (body)
        req.body = *body;
    if (boundary)
        req.headers.emplace_back("Content-Type", "multipart/form-data;boundary=" + *boundary);
    if (user && password) {
        std::string credentials = *user + ":" + *password;
        req.headers.emplace_back("Authorization",
                                 "Basic " + platform::base64Encode(credentials.data(), credentials.size()));
    }
    running_.push_back(r);
    r->transport_ = Ref<platform::HttpTransport>(&platform::HttpTransport::shared());
    QVHttpRequest* raw = r.get();
    // The service cancels its transfers when it goes, so the raw pointers stay valid.
    r->transferId_ = r->transport_->start(req, [this, raw](platform::HttpResult&& result) {
        completed(raw, std::move(result));
    });
    return r;
}

void QVHttpService::forget(QVHttpRequest* request)
{
    // An ended request is no longer outstanding for any module either.
    QVRequestHandlesForModule::completeRequest(request);
    request->service_ = nullptr;
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [request](const Ref<QVHttpRequest>& r) { return r.get() == request; }),
                   running_.end());
}

void QVHttpService::completed(QVHttpRequest* request, platform::HttpResult&& result)
{
    Ref<QVHttpRequest> keep(request);
    request->transferId_ = 0;
    request->finished_ = true;
    request->error_ = result.error;
    if (result.response)
        request->status_ = result.response->statusCode();
    request->data_ = std::move(result.body);
    platform::Ref<QVHttpServiceObserver> observer = request->observer_;
    request->observer_ = nullptr;
    forget(request);
    // Last: the observer may destroy this service.
    if (!observer)
        return;
    if (request->isSuccess())
        observer->requestFinished(request);
    else
        observer->requestFailed(request);
}

void QVHttpService::cancelAllRequests()
{
    auto running = running_;
    for (auto& r : running)
        r->cancelImmediately();
    running_.clear();
}

void QVBlobDownloadObserver::requestFinished(QVHttpRequest* request)
{
    if (wrap_) {
        onSuccess_.invoke(QVS3Response::response(request->receivedData(), request->passThroughObject(),
                                                 request->statusCode()).get());
        return;
    }
    auto decoded = decodeBody(request->receivedData());
    if (!decoded) {
        onFailure_.invoke(nullptr);
        return;
    }
    onSuccess_.invoke(platform::Boxed::data(std::move(*decoded)).get());
}

void QVBlobDownloadObserver::requestFailed(QVHttpRequest* request)
{
    if (wrap_)
        onFailure_.invoke(QVS3Response::response(std::nullopt, request->passThroughObject(), request->statusCode()).get());
    else
        onFailure_.invoke(nullptr);
}

} // namespace quorvel
