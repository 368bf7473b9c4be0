// Service base: request entries and the parse-then-callback answer path.
#include "social/runtime/QVService.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVResource.h"
#include "social/runtime/QVRequestUIRole.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVXmlDocument.h"

namespace quorvel {

using platform::Object;
using platform::Ref;

bool QVService::init()
{
    if (!initialised_) {
        initialised_ = true;
        populateKnownResources(knownResources_);
    }
    return true;
}

Ref<QVRequestHandle> QVService::getIndexOnSuccess(const QVDelegate&, const QVDelegate&) { return nullptr; }

Ref<QVRequestHandle> QVService::getShowWithId(const std::string&, const QVDelegate&, const QVDelegate& onFailure)
{
    // A record screen waits for one of its two callbacks: a service that reads
    // no single record fails the read rather than leave the screen waiting.
    onFailure.invoke(nullptr);
    return nullptr;
}

Ref<QVRequestHandle> QVService::send(const QVServiceEndpoint& endpoint, std::initializer_list<std::string_view> segments,
                                     QVHttpNestedQueryStringWriter* parameters, const QVDelegate& onSuccess,
                                     const QVDelegate& onFailure)
{
    return sendWithNotice(endpoint, segments, parameters, onSuccess, onFailure, nullptr, true);
}

Ref<QVRequestHandle> QVService::send(const QVServiceEndpoint& endpoint, std::initializer_list<std::string_view> segments,
                                     QVHttpNestedQueryStringWriter* parameters, const QVDelegate& onSuccess,
                                     const QVDelegate& onFailure, Object* notice)
{
    return sendWithNotice(endpoint, segments, parameters, onSuccess, onFailure, notice, false);
}

Ref<QVRequestHandle> QVService::sendWithNotice(const QVServiceEndpoint& endpoint,
                                               std::initializer_list<std::string_view> segments,
                                               QVHttpNestedQueryStringWriter* parameters, const QVDelegate& onSuccess,
                                               const QVDelegate& onFailure, Object* notice, bool endpointNotice)
{
    std::optional<std::string> path = QVServicePath::build(endpoint.path, segments);
    if (!path) {
        onFailure.invoke(nullptr);
        return nullptr;
    }
    platform::Ref<QVHttpNestedQueryStringWriter> empty;
    if (!parameters) {
        empty = platform::adoptRef(new QVHttpNestedQueryStringWriter);
        parameters = empty.get();
    }
    Ref<Object> made;
    if (endpointNotice && endpoint.notice) {
        made = QVRequestUIRole::current().categorizedNotice(endpoint.notice, endpoint.noticeCategory,
                                                               endpoint.noticeType);
        notice = made.get();
    }
    return _performAction(*path, parameters, endpoint.httpMethod, onSuccess, onFailure, endpoint.requestType, notice,
                          endpoint.requiresAuthentication);
}

Ref<QVRequestHandle> QVService::_performAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                               const std::string& httpMethod, const QVDelegate& onSuccess,
                                               const QVDelegate& onFailure, int requestType, Object* notice,
                                               bool requiringAuthentication)
{
    init();
    QVProvider* provider = QVSessionRole::current().provider();
    if (!provider) {
        // No session to send through (no client running, or shut down): the
        // request ends at once, so the caller never waits for an answer.
        onFailure.invoke(nullptr);
        return nullptr;
    }
    auto values = QVDelegateChained::chainedWith(onSuccess, onFailure);
    return provider->performAction(path, parameters, httpMethod,
                                   QVDelegate(this, BRISKO_SELECTOR(QVService, requestSucceeded), values.get()),
                                   QVDelegate(this, BRISKO_SELECTOR(QVService, requestFailed), values.get()),
                                   requestType, notice, requiringAuthentication);
}

void QVService::requestSucceeded(Object* loaderObject, Object* nextCall)
{
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(loaderObject);
    QVDelegateChained* values = QVDelegateChained::from(nextCall);
    BRISKO_ASSERT(loader && values, "A service's answer came without its loader or the caller's values");
    const std::string url = loader->request()->url().substr(0, loader->request()->url().find('?'));
    // Only an answer (QVAnswer) reaches the caller's success: a success status
    // whose body reads as one of our documents, never the service's error list.
    const int status = QVAnswer::status(loader);
    if (!QVAnswer::isSuccessStatus(status)) {
        platform::logWarning("Quorvel: the service answered %s with HTTP %d; the request failed", url.c_str(), status);
        values->invokeFailureWith(loader);
        return;
    }
    std::string error;
    const platform::Bytes& body = loader->data();
    Ref<QVPaginatedSeries> series = QVResource::resourcesFromData(body.data(), body.size(), knownResources_, &error);
    if (!series) {
        // An answer that is not a document of ours fails the request; the
        // server's text (an error list's messages, read with it) is logged as data only.
        platform::logWarning("Quorvel: unreadable answer from %s (HTTP %d): %s", url.c_str(), status, error.c_str());
        values->invokeFailureWith(loader);
        return;
    }
    series->setHttpResponseStatusCode(status);
    QVRequestUIRole::current().showDefaultNotice();
    values->invokeWith(series.get());
}

void QVService::requestFailed(Object* loader, Object* nextCall)
{
    QVDelegateChained* values = QVDelegateChained::from(nextCall);
    BRISKO_ASSERT(values, "A service's failed request came without the caller's values");
    values->invokeFailureWith(loader);
}

} // namespace quorvel
