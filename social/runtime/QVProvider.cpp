// The provider: drop rules, signed loaders, request bookkeeping and the
// access token in the keychain file.
#include "social/runtime/QVProvider.h"

#include "platform/foundation/Keychain.h"
#include "platform/foundation/Log.h"
#include "social/runtime/FBSession.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVHttpService.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSettings.h"

#include <algorithm>

namespace quorvel {

using platform::Keychain;
using platform::Object;
using platform::Ref;

namespace {
std::string settingsServerUrl()
{
    if (auto* settings = QVSettings::Instance())
        return settings->objectForKey("server-url").value_or("");
    return {};
}
} // namespace

Ref<QVProvider> QVProvider::providerWithProductKey(const std::string& key, const std::string& secret)
{
    auto p = platform::adoptRef(new QVProvider);
    p->key_ = key;
    p->secret_ = secret;
    p->serverUrl_ = settingsServerUrl();
    // The pair as one: a token without its own secret signs nothing.
    auto pair = Keychain::getMany(kKeychainService, { kTokenAccount, kTokenSecretAccount });
    if (pair[0] && pair[1]) {
        p->accessToken_ = *pair[0];
        p->accessTokenSecret_ = *pair[1];
    }
    return p;
}

bool QVProvider::isDropping() const
{
    return !QVSessionRole::current().hasUserApprovedQuorvel() || QVSessionRole::current().isQuorvelDisabled();
}

Ref<OAuthAPIRequestLoader> QVProvider::makeLoader(const std::string& path,
                                                  const OAuthURLRequest::Parameters& parameters,
                                                  const std::string& httpMethod, bool signedByPlayer)
{
    const std::string none;
    auto request = OAuthURLRequest::requestWithURL(QVJoinUrl(serverUrl_, path), key_, secret_,
                                                   signedByPlayer ? accessToken_ : none,
                                                   signedByPlayer ? accessTokenSecret_ : none);
    request->setHttpMethod(httpMethod);
    request->setParameters(parameters);
    return OAuthAPIRequestLoader::loaderWithRequest(request, QVDelegate(), QVDelegate());
}

Ref<QVRequestHandle> QVProvider::performAction(const std::string& path, QVHttpNestedQueryStringWriter* parameters,
                                               const std::string& httpMethod, const QVDelegate& onSuccess,
                                               const QVDelegate& onFailure, int requestType, Object* notice,
                                               bool requiringAuthentication, bool signedByPlayer)
{
    if (isDropping())
        return nullptr;
    OAuthURLRequest::Parameters params;
    if (parameters)
        params = parameters->getQueryParametersAsArray();
    auto loader = makeLoader(path, params, httpMethod, signedByPlayer);
    auto request = QVActionRequest::requestWithLoader(this, loader, onSuccess, onFailure, requestType, notice,
                                                      requiringAuthentication);
    pending_.push_back(request);
    // Dispatched on the next turn of the main loop, so the caller has its handle first.
    platform::RunLoop::main().post([request] { request->dispatch(); });
    return QVRequestHandle::requestHandle(request.get());
}

Ref<OAuthAPIRequestLoader> QVProvider::getRequestForAction(const std::string& path,
                                                           const OAuthURLRequest::Parameters& parameters,
                                                           const std::string& httpMethod, const QVDelegate& onSuccess,
                                                           const QVDelegate& onFailure, int, Object*, bool)
{
    auto loader = makeLoader(path, parameters, httpMethod);
    loader->setOnSuccess(QVDelegate(this, BRISKO_SELECTOR(QVProvider, loaderFinished), onSuccess));
    loader->setOnFailure(QVDelegate(this, BRISKO_SELECTOR(QVProvider, loaderFinished), onFailure));
    return loader;
}

void QVProvider::loaderFinished(Object* loader, Object* nextCall)
{
    if (auto* chained = QVDelegateChained::from(nextCall))
        chained->invokeWith(loader);
}

void QVProvider::loginAndBootstrapWithDeviceToken(const std::optional<platform::Bytes>& deviceToken,
                                                  bool forceCreateAccount, const std::optional<std::string>& userId,
                                                  const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (isDropping()) {
        onFailure.invoke(nullptr);
        return;
    }
    QVBootstrapService::bootstrap(*this, deviceToken, forceCreateAccount, userId, onSuccess, onFailure);
}

void QVProvider::requestStarted(QVActionRequest* request)
{
    if (std::none_of(pending_.begin(), pending_.end(), [request](auto& r) { return r.get() == request; }))
        pending_.emplace_back(request);
}

void QVProvider::requestEnded(QVActionRequest* request)
{
    Ref<QVActionRequest> keep(request);
    pending_.erase(std::remove_if(pending_.begin(), pending_.end(), [request](auto& r) { return r.get() == request; }),
                   pending_.end());
}

void QVProvider::destroyAllPendingRequests()
{
    auto pending = std::move(pending_);
    pending_.clear();
    for (auto& r : pending)
        r->cancel();
}

void QVProvider::setAccessToken(const std::string& token, const std::string& secret)
{
    accessToken_ = token;
    accessTokenSecret_ = secret;
    // The token and its secret are written and removed as one change: a copy
    // of the game beside this one, or a kill between two writes, never
    // leaves one login's token with another's secret.
    if (token.empty()) {
        Keychain::removeMany(kKeychainService, { kTokenAccount, kTokenSecretAccount });
        return;
    }
    if (!Keychain::setMany(kKeychainService, { { kTokenAccount, token }, { kTokenSecretAccount, secret } }))
        platform::logWarning("Quorvel: the access token could not be stored; it lasts for this session only");
}

void QVProvider::destroyLocalCredentials()
{
    setAccessToken({}, {});
    if (auto* session = FBSession::session())
        session->logout();
    if (auto* presence = QVPresenceService::sharedInstance())
        presence->disconnect();
    QVSessionRole::current().notifyAddOnsUserLoggedOut();
}

platform::Ref<QVHttpService> QVProvider::createHttpService()
{
    return platform::adoptRef(new QVHttpService(settingsServerUrl(), false));
}

} // namespace quorvel
