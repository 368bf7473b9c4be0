// Unsigned HTTP transfers (images, challenge data, blobs to and from storage):
// QVHttpService queues QVHttpRequests under one base address and reports each
// outcome to the request's QVHttpServiceObserver — finished for a status from
// 200 to 299, failed for anything else, including no answer at all.
//
// A request times out after 10.0 s; an answer above 8 MiB (QVAnswer::kMaxSize)
// fails as too large, as a signed request's does. Cancelling (one request, every request,
// or destroying the service) never calls the observer. The service keeps the
// observer alive while its request runs; a request that ends (answered, failed
// or cancelled) also leaves the handles filed under its module.
#pragma once

#include "platform/net/HttpTransport.h"
#include "social/runtime/QVDelegate.h"
#include "platform/foundation/Object.h"

#include <optional>
#include <vector>

namespace quorvel {

class QVHttpService;
class QVHttpServiceObserver;

// The address of `path` under `base` with one "/" between them, however the
// two are written: a server path such as "/banners/a.png" under
// "http://host/" is "http://host/banners/a.png", not a different path "//banners".
// An empty base leaves the path as it is.
std::string QVJoinUrl(const std::string& base, const std::string& path);

class QVHttpRequest : public platform::Object {
public:
    const std::string& url() const { return url_; }
    const std::string& httpMethod() const { return method_; }
    const platform::HttpRequestData& configuredRequest() const { return request_; }
    platform::Object* passThroughObject() const { return passThrough_.get(); }
    // 0 until an answer arrived.
    int statusCode() const { return status_; }
    const platform::Bytes& receivedData() const { return data_; }
    platform::HttpError error() const { return error_; }
    bool isFinished() const { return finished_; }
    bool isSuccess() const { return finished_ && error_ == platform::HttpError::None && status_ >= 200 && status_ <= 299; }
    // Stops the transfer; its observer is not called.
    void cancelImmediately();
    // Cancelled by its caller (a handle's cancel, or a newer request in its place),
    // even when its transfer had already ended: what follows from it is dropped.
    bool isCancelled() const { return cancelled_; }

    static constexpr double kTimeout = 10.0;

private:
    friend class QVHttpService;
    QVHttpRequest() = default;

    std::string url_;
    std::string method_;
    platform::HttpRequestData request_;
    platform::Ref<platform::Object> passThrough_;
    platform::Ref<QVHttpServiceObserver> observer_;
    QVHttpService* service_ { nullptr }; // cleared when the service lets go of the request
    platform::HttpTransport::RequestId transferId_ { 0 };
    platform::Ref<platform::HttpTransport> transport_;
    int status_ { 0 };
    bool cancelled_ { false };
    platform::Bytes data_;
    platform::HttpError error_ { platform::HttpError::None };
    bool finished_ { false };
};

class QVHttpServiceObserver : public platform::Object {
public:
    virtual void requestFinished(QVHttpRequest* request) = 0;
    virtual void requestFailed(QVHttpRequest* request) = 0;
};

class QVHttpService : public platform::Object {
public:
    QVHttpService(std::string baseAddress, bool useCookies);
    ~QVHttpService() override;

    // Starts `method` on base address + path. body, user and password, the
    // pass-through object and the multipart boundary are optional.
    platform::Ref<QVHttpRequest> startRequest(const std::string& path, const std::string& method,
                                              const std::optional<platform::Bytes>& body, const std::string* user,
                                              const std::string* password, platform::Object* passThrough,
                                              const std::string* multipartBoundary, QVHttpServiceObserver* observer);
    platform::Ref<QVHttpRequest> startRequest(const std::string& path, const std::string& method,
                                              const std::optional<platform::Bytes>& body,
                                              QVHttpServiceObserver* observer)
    {
        return startRequest(path, method, body, nullptr, nullptr, nullptr, nullptr, observer);
    }
    // Cancels every running request at once; no observer is called.
    void cancelAllRequests();
    size_t pendingCount() const { return running_.size(); }
    const std::string& baseAddress() const { return base_; }
    bool usesCookies() const { return useCookies_; }

private:
    friend class QVHttpRequest;
    void forget(QVHttpRequest* request);
    void completed(QVHttpRequest* request, platform::HttpResult&& result);

    std::string base_;
    bool useCookies_ { false };
    std::vector<platform::Ref<QVHttpRequest>> running_;
};

// The answer of one storage transfer: the body (absent on failure), the
// pass-through object and the status (0 when no answer came).
class QVS3Response : public platform::Object {
public:
    static platform::Ref<QVS3Response> response(std::optional<platform::Bytes> data, platform::Object* passThrough,
                                                int status)
    {
        auto r = platform::adoptRef(new QVS3Response);
        r->data_ = std::move(data);
        r->passThrough_ = platform::Ref<platform::Object>(passThrough);
        r->status_ = status;
        return r;
    }
    const std::optional<platform::Bytes>& data() const { return data_; }
    void setData(std::optional<platform::Bytes> data) { data_ = std::move(data); }
    platform::Object* passThroughObject() const { return passThrough_.get(); }
    int statusCode() const { return status_; }

private:
    QVS3Response() = default;
    std::optional<platform::Bytes> data_;
    platform::Ref<platform::Object> passThrough_;
    int status_ { 0 };
};

// Observer of a blob download. With the wrap flag every outcome becomes a
// QVS3Response (success for 200 to 299, failure otherwise). Without it the
// success value receives the body read as a stored blob (QVCompressableData,
// expanded to at most 1 MiB) as a Boxed data value, and the failure value nil
// — also for a body that does not expand.
class QVBlobDownloadObserver : public QVHttpServiceObserver {
public:
    QVBlobDownloadObserver(const QVDelegate& onSuccess, const QVDelegate& onFailure, bool wrapResponse)
        : onSuccess_(onSuccess), onFailure_(onFailure), wrap_(wrapResponse)
    {
    }
    void requestFinished(QVHttpRequest* request) override;
    void requestFailed(QVHttpRequest* request) override;

protected:
    virtual std::optional<platform::Bytes> decodeBody(const platform::Bytes& body);

private:
    QVDelegate onSuccess_;
    QVDelegate onFailure_;
    bool wrap_;
};

} // namespace quorvel
