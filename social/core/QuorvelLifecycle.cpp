// The application's life cycle as the game forwards it: the poller paused and
// resumed, the presence channel dropped and reconnected, the location fix
// abandoned in the background and taken again in the foreground, a bootstrap
// when the player is not logged in yet; launch options and push payloads
// (a received challenge opens it), the device token, the icon badge, picture
// downloads and the player's location tracker.
#include "social/core/QuorvelInternal.h"

#include "platform/device/Application.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "social/core/QVLocation.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVResourceImageDownload.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVPushNotificationService.h"

namespace quorvel {

using platform::Ref;

namespace {

constexpr const char* kRemoteNotificationKey = "UIApplicationLaunchOptionsRemoteNotificationKey";

QuorvelInternal::ChallengePushHandlers& challengeHandlers()
{
    static QuorvelInternal::ChallengePushHandlers handlers;
    return handlers;
}

// The interval a resign-active saved; nullopt when none was saved since the
// last restore (so a become-active at launch leaves the poller alone).
std::optional<double>& savedPollingInterval()
{
    static std::optional<double> interval;
    return interval;
}

} // namespace

// ---- Life cycle

void Quorvel::applicationWillResignActive()
{
    if (Quorvel* q = QuorvelInternal::sharedInstance()) {
        if (q->mPoller) {
            q->mPollingFrequencyBeforeResigningActive = q->mPoller->getPollingFrequency();
            savedPollingInterval() = q->mPollingFrequencyBeforeResigningActive;
            q->mPoller->stopPolling();
        }
    }
    platform::UserDefaults::standardUserDefaults().synchronize();
}

void Quorvel::applicationDidBecomeActive()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    if (q->mPoller && savedPollingInterval()) {
        q->mPoller->changePollingFrequency(q->mPollingFrequencyBeforeResigningActive);
        savedPollingInterval().reset();
    }
    if (!isSuccessfullyBootstrapped() && QVReachability::isConnectedToInternet())
        QuorvelInternal::doBootstrap(false, lastLoggedInUserId(), QVDelegate(), QVDelegate());
}

void Quorvel::applicationDidEnterBackground()
{
    if (auto* presence = QVPresenceService::sharedInstance())
        presence->disconnect();
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (q && q->mLocation && q->mLocation->isLocationUpdating()) {
        q->mLocation->stopUpdatingLocation();
        q->mLocation = nullptr;
        q->appNeedsGetLocationOnForeground = true;
    }
}

void Quorvel::applicationWillEnterForeground()
{
    if (auto* presence = QVPresenceService::sharedInstance())
        presence->connect();
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    if (!isSuccessfullyBootstrapped() && QVReachability::isConnectedToInternet())
        QuorvelInternal::doBootstrap(QVDelegate(), QVDelegate());
    if (q->appNeedsGetLocationOnForeground) {
        QuorvelInternal::startLocationManagerIfAllowed();
        q->appNeedsGetLocationOnForeground = false;
    }
}

// ---- Launch options and push payloads

std::optional<std::string> Quorvel::getChallengeIdIfExist(const platform::Value& payload)
{
    if (!payload.isDictionary() || payload["notification_type"].asString() != "challenge")
        return std::nullopt;
    std::string id = payload["resource_id"].asString();
    if (id.empty())
        return std::nullopt; // nothing to fetch
    return id;
}

bool Quorvel::respondToApplicationLaunchOptions(const platform::Value& launchOptions)
{
    const platform::Value& payload = launchOptions.isDictionary() ? launchOptions[kRemoteNotificationKey] : platform::Value::nil();
    if (!payload.isDictionary())
        return false;
    if (auto id = getChallengeIdIfExist(payload)) {
        QuorvelInternal::traceStep("getChallengeToUserAndShowDetailView");
        if (challengeHandlers().showDetailView)
            challengeHandlers().showDetailView(*id);
        else
            QVChallengeService::getChallengeToUserAndShowDetailView(*id);
        return true;
    }
    return QuorvelInternal::allowAddOnsToRespondToPushNotification(payload, true);
}

bool Quorvel::applicationDidReceiveRemoteNotification(const platform::Value& payload)
{
    if (!payload.isDictionary())
        return false;
    if (auto id = getChallengeIdIfExist(payload)) {
        QuorvelInternal::setUnviewedChallengesCount(QuorvelInternal::unviewedChallengesCount() + 1);
        QuorvelInternal::traceStep("getChallengeToUserAndShowNotification");
        if (challengeHandlers().showNotification)
            challengeHandlers().showNotification(*id);
        else
            QVChallengeService::getChallengeToUserAndShowNotification(*id);
        return true;
    }
    return QuorvelInternal::allowAddOnsToRespondToPushNotification(payload, false);
}

void QuorvelInternal::setChallengePushHandlers(ChallengePushHandlers handlers) { challengeHandlers() = std::move(handlers); }

void Quorvel::applicationDidRegisterForRemoteNotificationsWithDeviceToken(const std::optional<platform::Bytes>& token)
{
    QVPushNotificationService::setDeviceToken(token, QVDelegate(), QVDelegate());
}

// ---- Shared operations

void QuorvelInternal::updateApplicationBadge()
{
    platform::ui::Application::sharedApplication().setApplicationIconBadgeNumber(QuorvelInternal::unviewedChallengesCount());
}

Ref<QVRequestHandle> QuorvelInternal::getImageFromUrl(const std::string& url, Ref<platform::Image>& cachedImage,
                                              Ref<QVHttpService>& httpService, Ref<QVHttpServiceObserver>& httpObserver,
                                              platform::Object* target, QVDelegate::Method onDownloadSuccess,
                                              QVDelegate::Method onDownloadFailure)
{
    return QVGetImageFromUrl(url, cachedImage, httpService, httpObserver, QVDelegate(target, onDownloadSuccess),
                             QVDelegate(target, onDownloadFailure));
}

Ref<QVRequestHandle> QuorvelInternal::downloadImageFromUrl(const std::string& url, Ref<QVHttpService>& httpService,
                                                   Ref<QVHttpServiceObserver>& httpObserver, const QVDelegate& onSuccess,
                                                   const QVDelegate& onFailure)
{
    return QVDownloadImageFromUrl(url, httpService, httpObserver, onSuccess, onFailure);
}

void QuorvelInternal::destroyHttpService(Ref<QVHttpService>& httpService) { QVDestroyHttpService(httpService); }

// ---- The player's location

void QuorvelInternal::startLocationManagerIfAllowed()
{
    QuorvelInternal::traceStep("startLocationManagerIfAllowed");
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || QuorvelInternal::userDistanceUnit() == 1 || !QuorvelInternal::_hasUserApprovedQuorvel())
        return;
    q->mLocation = nullptr; // the old tracker stops before the new one starts
    q->mLocation = QVLocation::create();
}

void QuorvelInternal::setUserLocation(QVLocation* location)
{
    if (Quorvel* q = QuorvelInternal::sharedInstance())
        q->mLocation = Ref<QVLocation>(location);
}

platform::ui::Location* QuorvelInternal::getUserLocation()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->mLocation ? q->mLocation->userLocation() : nullptr;
}

QVLocation* QuorvelInternal::locationTracker()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mLocation.get() : nullptr;
}

} // namespace quorvel
