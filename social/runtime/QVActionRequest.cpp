// Dispatch and the HTTP status policy of signed requests.
#include "social/runtime/QVActionRequest.h"

#include "platform/foundation/Log.h"
#include "social/runtime/QVAnswer.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequestHandle.h"
#include "social/runtime/QVRequestUIRole.h"

namespace quorvel {

using platform::Object;
using platform::Ref;

Ref<QVActionRequest> QVActionRequest::requestWithLoader(QVProvider* provider, Ref<OAuthAPIRequestLoader> loader,
                                                        const QVDelegate& onSuccess, const QVDelegate& onFailure,
                                                        int requestType, Object* notice, bool requiresAuthentication)
{
    auto r = platform::adoptRef(new QVActionRequest);
    r->provider_ = Ref<QVProvider>(provider);
    r->loader_ = std::move(loader);
    r->onSuccess_ = onSuccess;
    r->onFailure_ = onFailure;
    r->requestType_ = requestType;
    r->notice_ = Ref<Object>(notice);
    r->requiresAuthentication_ = requiresAuthentication;
    r->logoutsAtStart_ = provider ? provider->logoutCount() : 0;
    // The loader reports to this request; end() breaks the link again.
    r->loader_->setOnSuccess(QVDelegate(r.get(), BRISKO_SELECTOR(QVActionRequest, loaderSucceeded)));
    r->loader_->setOnFailure(QVDelegate(r.get(), BRISKO_SELECTOR(QVActionRequest, loaderFailed)));
    return r;
}

void QVActionRequest::dispatch()
{
    if (ended_ || !loader_)
        return;
    // Made before a logout, dispatched after it: not sent for the player who
    // left, nor into the login flow; its caller hears it failed.
    if (provider_ && provider_->isDropping()) {
        end(false);
        return;
    }
    if (requiresAuthentication_ && QVReachability::isConnectedToInternet() && provider_
        && !provider_->isAuthenticated()) {
        QVRequestUIRole::current().launchLoginFlowForRequest(*this);
        return;
    }
    if (QVRequestUIRole::current().isShowingFullScreen() || (requestType_ != 1 && requestType_ != 2))
        startLoading();
    else
        QVRequestUIRole::current().showBackgroundNoticeForLoader(*this, notice_.get());
}

void QVActionRequest::startLoading()
{
    if (ended_ || !loader_ || loader_->isLoading())
        return;
    if (provider_)
        provider_->requestStarted(this);
    // Inside the presence channel when the bootstrap enabled that and it is up; else over HTTP.
    QVPresenceService* presence = QVPresenceService::sharedInstance();
    loader_->setTransport(presence && presence->carriesRequests()
                              ? platform::Ref<platform::HttpTransport>(presence->requestTransport())
                              : nullptr);
    loader_->loadSynchronously(false);
}

void QVActionRequest::loaderSucceeded(Object*)
{
    Ref<QVActionRequest> keep(this);
    OAuthURLResponse* response = loader_->oauthResponse();
    lastStatus_ = response ? response->statusCode() : 0;
    const int status = lastStatus_;
    if (provider_ && status >= 200 && status < 400)
        provider_->noteProductKeyAccepted();
    // A timestamp the service does not take is the device's clock, whatever
    // signed the request: neither the key nor a kept token is in question.
    const bool clockRefused = status == 401 && response && response->oauthProblem() == "timestamp_refused";
    // A refused token kept on the device is the login's to report: it forgets
    // the token and asks again with the game's key, so the key is not in question.
    const bool signedWithToken = loader_->request() && !loader_->request()->token().empty();
    // A token the service refuses is no login's any more: the client lets it
    // go and logs the player in again before the request's caller hears the
    // failure, so what the caller keeps for later goes after that login.
    if (status == 401 && !clockRefused && signedWithToken)
        QVRequestUIRole::current().accessTokenRefused(loader_->request()->token());
    if (clockRefused) {
        const std::string url = loader_->request() ? loader_->request()->url() : std::string();
        platform::logError("Quorvel: the service at %s refused the request's timestamp (HTTP 401, timestamp_refused): "
                           "the device's clock is off from the service's; set the device's date, time and time zone "
                           "right (the login kept on the device stays)",
                           url.substr(0, url.find('?')).c_str());
    } else if (status == 401 && !requiresAuthentication_ && !signedWithToken) {
        // Needing no login (the login, the device's accounts): the player sees
        // an offline game, as without a connection; the developer reads why.
        const std::string url = loader_->request() ? loader_->request()->url() : std::string();
        if (provider_ && provider_->productKeyAccepted()) {
            // The key and secret were taken before: it is the account the service refused.
            platform::logError("Quorvel: the service at %s refused the login to the account (HTTP 401): the game's "
                               "key and secret are not in question (the service took them earlier in this run); "
                               "nobody is logged in until the next login",
                               url.substr(0, url.find('?')).c_str());
        } else {
            platform::logError("Quorvel: the service at %s refused the product key or secret (HTTP 401): they are not "
                               "the ones it knows the game by (see the key and secret given to "
                               "Quorvel::initializeWithProductKey, or debug-override-key and debug-override-secret in "
                               "the settings file)",
                               url.substr(0, url.find('?')).c_str());
        }
    }
    // Only a success status may carry an answer; what its body holds is the
    // caller's to read, by the same rule (QVAnswer).
    if (QVAnswer::isSuccessStatus(status)) {
        end(true);
        return;
    }
    // A redirect, "not modified" and the refusals whose reasons the forms show
    // fail without a screen.
    if (status < 400 || QVAnswer::isRefusal(status)) {
        const std::string url = loader_->request() ? loader_->request()->url() : std::string();
        std::optional<std::string> errors = QVAnswer::serviceErrors(loader_->data());
        platform::logWarning("Quorvel: the service answered %s with HTTP %d%s%s; the request failed",
                             url.substr(0, url.find('?')).c_str(), status, errors ? ": " : "",
                             errors ? QVAnswer::oneLine(*errors).c_str() : "");
        end(false);
        return;
    }
    // While error screens are off the error shows no screen, but it is still
    // the request's failure; so for a request made before a logout: its
    // screen would cover what the player sees now (the offline dashboard).
    const bool fromBeforeALogout = provider_ && provider_->logoutCount() != logoutsAtStart_;
    if (fromBeforeALogout || !QVRequestUIRole::current().areErrorScreensAllowed()) {
        end(false);
        return;
    }
    const platform::Bytes& body = loader_->data();
    switch (status) {
    case 426:
        QVRequestUIRole::current().displayUpgradeRequiredErrorMessage(body);
        break;
    case 430:
        // The credentials flow retries the request, or abandons it, which ends it.
        QVRequestUIRole::current().launchGetExtendedCredentialsFlowForRequest(*this, body,
                                                        notice_ ? notice_.get() : nullptr);
        return;
    case 450:
        QVRequestUIRole::current().displayServerMaintenanceNotice(body);
        break;
    default:
        if (status == 401 && requiresAuthentication_)
            QVRequestUIRole::current().displayErrorMessage(kUnknownErrorMessage);
        // A refused key or secret (said above) is not mended by trying again later.
        else if (status != 401 && !loader_->error())
            QVRequestUIRole::current().displayErrorMessage(kTryAgainMessage);
        break;
    }
    end(false);
}

void QVActionRequest::loaderFailed(Object*)
{
    Ref<QVActionRequest> keep(this);
    lastStatus_ = loader_->oauthResponse() ? loader_->oauthResponse()->statusCode() : 0;
    end(false);
}

void QVActionRequest::end(bool success)
{
    if (ended_)
        return;
    ended_ = true;
    Ref<QVActionRequest> keep(this);
    Ref<OAuthAPIRequestLoader> loader = loader_;
    if (loader) {
        loader->setOnSuccess(QVDelegate());
        loader->setOnFailure(QVDelegate());
    }
    QVRequestHandlesForModule::completeRequest(this);
    if (provider_)
        provider_->requestEnded(this);
    QVDelegate callback = success ? onSuccess_ : onFailure_;
    onSuccess_ = QVDelegate();
    onFailure_ = QVDelegate();
    callback.invoke(loader.get());
}

void QVActionRequest::abandonInLightOfASeriousError()
{
    if (ended_)
        return;
    Ref<QVActionRequest> keep(this);
    if (loader_)
        loader_->cancel();
    end(false);
    loader_ = nullptr;
}

void QVActionRequest::cancel()
{
    if (ended_)
        return;
    Ref<QVActionRequest> keep(this);
    ended_ = true;
    if (loader_) {
        loader_->cancel();
        loader_->setOnSuccess(QVDelegate());
        loader_->setOnFailure(QVDelegate());
    }
    onSuccess_ = QVDelegate();
    onFailure_ = QVDelegate();
    QVRequestHandlesForModule::completeRequest(this);
    if (provider_)
        provider_->requestEnded(this);
}

} // namespace quorvel
