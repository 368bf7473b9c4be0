// Service base: request entries and the parse-then-callback answer path.
#include "social/runtime/QVService.h"

#include "platform/foundation/Log.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVCallerValues.h"
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
    Ref<Object> notice = endpoint.notice ? QVRequestUIRole::current().categorizedNotice(
                             endpoint.notice, endpoint.noticeCategory, endpoint.noticeType)
                                         : nullptr;
    return _performAction(*path, parameters, endpoint.httpMethod, onSuccess, onFailure, endpoint.requestType,
                          notice.get(), endpoint.requiresAuthentication);
}

Ref<QVRequestHandle> QVService::getAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                          const QVDelegate& onSuccess, const QVDelegate& onFailure, int type,
                                          Object* notice)
{
    return _performAction(path, parameters, "GET", onSuccess, onFailure, type, notice, true);
}

Ref<QVRequestHandle> QVService::postAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                           const QVDelegate& onSuccess, const QVDelegate& onFailure, int type,
                                           Object* notice)
{
    return _performAction(path, parameters, "POST", onSuccess, onFailure, type, notice, true);
}

Ref<QVRequestHandle> QVService::putAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                          const QVDelegate& onSuccess, const QVDelegate& onFailure, int type,
                                          Object* notice)
{
    platform::Ref<QVHttpNestedQueryStringWriter> empty;
    if (!parameters) {
        empty = platform::adoptRef(new QVHttpNestedQueryStringWriter);
        parameters = empty.get();
    }
    return _performAction(path, parameters, "PUT", onSuccess, onFailure, type, notice, true);
}

Ref<QVRequestHandle> QVService::deleteAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                             const QVDelegate& onSuccess, const QVDelegate& onFailure, int type,
                                             Object* notice)
{
    platform::Ref<QVHttpNestedQueryStringWriter> empty;
    if (!parameters) {
        empty = platform::adoptRef(new QVHttpNestedQueryStringWriter);
        parameters = empty.get();
    }
    return _performAction(path, parameters, "DELETE", onSuccess, onFailure, type, notice, true);
}

Ref<QVRequestHandle> QVService::_performAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                               const std::string& httpMethod, const QVDelegate& onSuccess,
                                               const QVDelegate& onFailure, int requestType, Object* notice,
                                               bool requiringAuthentication)
{
    init();
    QVProvider* provider = QVSessionRole::current().provider();
    if (!provider)
        return nullptr;
    auto values = QVCallerValues::with(onSuccess, onFailure);
    return provider->performAction(path, parameters, httpMethod,
                                   QVDelegate(this, BRISKO_SELECTOR(QVService, requestSucceeded), values.get()),
                                   QVDelegate(this, BRISKO_SELECTOR(QVService, requestFailed), values.get()),
                                   requestType, notice, requiringAuthentication);
}

void QVService::requestSucceeded(Object* loaderObject, Object* nextCall)
{
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(loaderObject);
    auto* values = dynamic_cast<QVCallerValues*>(nextCall);
    if (!loader || !values)
        return;
    std::string error;
    const platform::Bytes& body = loader->data();
    Ref<QVPaginatedSeries> series = QVResource::resourcesFromData(body.data(), body.size(), knownResources_, &error);
    if (!series) {
        // An answer that is not a document of ours fails the request; the server's text is logged as data only.
        platform::logWarning("Quorvel: unreadable answer from %s: %s",
                             loader->request()->url().substr(0, loader->request()->url().find('?')).c_str(),
                             error.c_str());
        values->onFailure.invoke(loader);
        return;
    }
    series->setHttpResponseStatusCode(loader->oauthResponse() ? loader->oauthResponse()->statusCode() : 0);
    QVRequestUIRole::current().showDefaultNotice();
    values->onSuccess.invoke(series.get());
}

void QVService::requestFailed(Object* loader, Object* nextCall)
{
    if (auto* values = dynamic_cast<QVCallerValues*>(nextCall))
        values->onFailure.invoke(loader);
}

} // namespace quorvel
