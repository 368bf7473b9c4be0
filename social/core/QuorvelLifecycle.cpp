// The application's life cycle as the game forwards it: the poller paused and
// resumed, the presence channel dropped and reconnected, the location fix
// abandoned in the background and taken again in the foreground, a bootstrap
// when the player is not logged in yet; launch options and push payloads
// (a received challenge opens it) and the device token.
#include "social/core/QuorvelInternal.h"

#include "platform/foundation/UserDefaults.h"
#include "social/runtime/QVPresenceService.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVPushNotificationService.h"

namespace quorvel {

namespace {
constexpr const char* kRemoteNotificationKey = "UIApplicationLaunchOptionsRemoteNotificationKey";
} // namespace

// ---- Life cycle

void Quorvel::applicationWillResignActive()
{
    QVSessionRole::requireMainThread("Quorvel::applicationWillResignActive");
    QuorvelInternal::session().pausePolling();
    platform::UserDefaults::standardUserDefaults().synchronize();
}

void Quorvel::applicationDidBecomeActive()
{
    QVSessionRole::requireMainThread("Quorvel::applicationDidBecomeActive");
    if (!QuorvelInternal::sharedInstance())
        return;
    QuorvelInternal::session().resumePolling();
    QuorvelInternal::login().loginOnTrigger();
}

void Quorvel::applicationDidEnterBackground()
{
    QVSessionRole::requireMainThread("Quorvel::applicationDidEnterBackground");
    if (auto* presence = QVPresenceService::sharedInstance())
        presence->disconnect();
    QuorvelInternal::location().applicationDidEnterBackground();
}

void Quorvel::applicationWillEnterForeground()
{
    QVSessionRole::requireMainThread("Quorvel::applicationWillEnterForeground");
    // The channel opens again only where the last login enabled it.
    if (auto* presence = QVPresenceService::sharedInstance(); presence && presence->routesRequests())
        presence->connect();
    if (!QuorvelInternal::sharedInstance())
        return;
    // The last player, as becoming active logs in: never the device's account in its place.
    QuorvelInternal::login().loginOnTrigger();
    QuorvelInternal::location().applicationWillEnterForeground();
}

// ---- Launch options and push payloads

std::optional<std::string> Quorvel::getChallengeIdIfExist(const platform::Value& payload)
{
    QVSessionRole::requireMainThread("Quorvel::getChallengeIdIfExist");
    if (!payload.isDictionary() || payload["notification_type"].asString() != "challenge")
        return std::nullopt;
    std::string id = payload["resource_id"].asString();
    if (id.empty())
        return std::nullopt; // nothing to fetch
    return id;
}

bool Quorvel::respondToApplicationLaunchOptions(const platform::Value& launchOptions)
{
    QVSessionRole::requireMainThread("Quorvel::respondToApplicationLaunchOptions");
    const platform::Value& payload = launchOptions.isDictionary() ? launchOptions[kRemoteNotificationKey] : platform::Value::nil();
    if (!payload.isDictionary())
        return false;
    if (auto id = getChallengeIdIfExist(payload)) {
        QVLifecycleTrace::step("getChallengeToUserAndShowDetailView");
        QVServiceScreens::showReceivedChallengeDetail(*id);
        return true;
    }
    return QVAddOnRegistry::allowAddOnsToRespondToPushNotification(payload, true);
}

bool Quorvel::applicationDidReceiveRemoteNotification(const platform::Value& payload)
{
    QVSessionRole::requireMainThread("Quorvel::applicationDidReceiveRemoteNotification");
    if (!payload.isDictionary())
        return false;
    if (auto id = getChallengeIdIfExist(payload)) {
        QVUserOptions& options = QuorvelInternal::options();
        options.setUnviewedChallengesCount(options.unviewedChallengesCount() + 1);
        QVLifecycleTrace::step("getChallengeToUserAndShowNotification");
        QVServiceScreens::showReceivedChallengeNotification(*id);
        return true;
    }
    return QVAddOnRegistry::allowAddOnsToRespondToPushNotification(payload, false);
}

void Quorvel::applicationDidRegisterForRemoteNotificationsWithDeviceToken(const std::optional<platform::Bytes>& token)
{
    QVSessionRole::requireMainThread("Quorvel::applicationDidRegisterForRemoteNotificationsWithDeviceToken");
    QVPushNotificationService::setDeviceToken(token, QVDelegate(), QVDelegate());
}

} // namespace quorvel
