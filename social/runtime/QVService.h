// QVService: the base of every service object. It owns the service's
// element-name map (filled once by populateKnownResources) and turns actions
// into provider requests: the answer's body becomes a QVXmlDocument, then a
// QVPaginatedSeries carrying the HTTP status, handed to the caller's success
// value; a failed request, or an answer that is none by the request layer's
// rule (QVAnswer: a status that is not a success, a body that is not a
// readable document, the service's error list whatever its status), reaches
// the failure value with the request loader.
//
// Services describe their requests as QVServiceEndpoint tables and send them
// with send(), which builds the path (refusing an empty id without a request)
// and makes the endpoint's notice. A service class derives from
// QVSharedService<Class> for its shared instance. docs/services.md shows the
// whole pattern.
#pragma once

#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVRequestHandle.h"
#include "social/runtime/QVResourceNameMap.h"
#include "social/runtime/QVServiceEndpoint.h"

#include <initializer_list>
#include <string_view>
#include <utility>

namespace quorvel {

class QVHttpNestedQueryStringWriter;
class QVPoller;

class QVService : public platform::Object, public QVCallbackable {
public:
    bool init();
    const QVResourceNameMap& getKnownResources() const { return knownResources_; }

    virtual void populateKnownResources(QVResourceNameMap&) { }
    virtual void registerPolledResources(QVPoller*) { }

    // Overridables that list and record screens call on their service: one page
    // of the service's records, and the record with an id. The base sends
    // nothing and answers null; its record read calls the failure value.
    virtual platform::Ref<QVRequestHandle> getIndexOnSuccess(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    virtual platform::Ref<QVRequestHandle> getShowWithId(const std::string& resourceId, const QVDelegate& onSuccess,
                                                         const QVDelegate& onFailure);
    // The shared instance of this service's class (null in the base and once
    // the class is shut down).
    virtual QVService* sharedInstance() { return nullptr; }

    // Sends one endpoint. The path is the endpoint's format filled with the
    // segments; when one is empty, or there is no provider to send through, no
    // request is made: the failure value is invoked at once with null and the
    // answer is null. The endpoint's notice text becomes the request's notice.
    platform::Ref<QVRequestHandle> send(const QVServiceEndpoint& endpoint,
                                        std::initializer_list<std::string_view> segments,
                                        QVHttpNestedQueryStringWriter* parameters, const QVDelegate& onSuccess,
                                        const QVDelegate& onFailure);

    // The same with a notice made by the caller (a text of its own, or one the
    // host prepared); the endpoint's notice text is then not used.
    platform::Ref<QVRequestHandle> send(const QVServiceEndpoint& endpoint,
                                        std::initializer_list<std::string_view> segments,
                                        QVHttpNestedQueryStringWriter* parameters, const QVDelegate& onSuccess,
                                        const QVDelegate& onFailure, platform::Object* notice);
    platform::Ref<QVRequestHandle> _performAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                                  const std::string& httpMethod, const QVDelegate& onSuccess,
                                                  const QVDelegate& onFailure, int requestType,
                                                  platform::Object* notice, bool requiringAuthentication);

    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVService() = default;

private:
    platform::Ref<QVRequestHandle> sendWithNotice(const QVServiceEndpoint& endpoint,
                                                  std::initializer_list<std::string_view> segments,
                                                  QVHttpNestedQueryStringWriter* parameters,
                                                  const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                  platform::Object* notice, bool endpointNotice);
    void requestSucceeded(platform::Object* loader, platform::Object* nextCall);
    void requestFailed(platform::Object* loader, platform::Object* nextCall);

    QVResourceNameMap knownResources_;
    bool initialised_ { false };
};

// The shared instance of a service class: initializeService() makes it once,
// sharedService() answers it (null before and after), shutdownService()
// releases it; service() answers it, making it first when needed. Usage: class QVUserService : public QVSharedService<QVUserService>.
template <typename Class>
class QVSharedService : public QVService {
public:
    static void initializeService()
    {
        if (instance_)
            return;
        Class* service = new Class;
        service->init();
        instance_ = service;
    }
    static void shutdownService()
    {
        if (Class* service = std::exchange(instance_, nullptr))
            service->release();
    }
    static Class* sharedService() { return instance_; }
    // The shared instance, made when there is none (class methods send through it).
    static Class& service()
    {
        initializeService();
        return *instance_;
    }
    QVService* sharedInstance() override { return instance_; }

private:
    static inline Class* instance_ { nullptr };
};

} // namespace quorvel
