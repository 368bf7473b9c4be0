// QVService: the base of every service object. It owns the service's
// element-name map (filled once by populateKnownResources) and turns actions
// into provider requests: the answer's body becomes a QVXmlDocument, then a
// QVPaginatedSeries carrying the HTTP status, handed to the caller's success
// value; a failed request, or an answer that is not a readable document,
// reaches the failure value with the request loader.
#pragma once

#include "social/runtime/QVDelegate.h"
#include "social/runtime/QVRequestHandle.h"
#include "social/runtime/QVResourceNameMap.h"

namespace quorvel {

class QVHttpNestedQueryStringWriter;
class QVPoller;

class QVService : public platform::Object, public QVCallbackable {
public:
    bool init();
    const QVResourceNameMap& getKnownResources() const { return knownResources_; }

    virtual void populateKnownResources(QVResourceNameMap&) { }
    virtual void registerPolledResources(QVPoller*) { }

    platform::Ref<QVRequestHandle> getAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                             const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                             int requestType, platform::Object* notice);
    platform::Ref<QVRequestHandle> postAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                              const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                              int requestType, platform::Object* notice);
    platform::Ref<QVRequestHandle> putAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                             const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                             int requestType, platform::Object* notice);
    platform::Ref<QVRequestHandle> deleteAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                                const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                int requestType, platform::Object* notice);
    platform::Ref<QVRequestHandle> _performAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                                  const std::string& httpMethod, const QVDelegate& onSuccess,
                                                  const QVDelegate& onFailure, int requestType,
                                                  platform::Object* notice, bool requiringAuthentication);

    bool canReceiveCallbacksNow() override { return true; }

protected:
    QVService() = default;

private:
    void requestSucceeded(platform::Object* loader, platform::Object* nextCall);
    void requestFailed(platform::Object* loader, platform::Object* nextCall);

    QVResourceNameMap knownResources_;
    bool initialised_ { false };
};

} // namespace quorvel
