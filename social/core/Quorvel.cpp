// The central class: the shared instance, start-up with its settings
// dictionary, shut-down, and the small accessors every class method answers
// with a default when the client is not running.
#include "social/core/QuorvelInternal.h"

#include "social/core/QVNotificationView.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "social/core/QVLocation.h"
#include "social/core/QuorvelRoles.h"
#include "social/core/QuorvelServices.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSettings.h"
#include "social/runtime/QVSystemVersion.h"

#include <iterator>
#include <random>

namespace quorvel {

using platform::Object;
using platform::Ref;

namespace {

Ref<Quorvel>& sharedSlot()
{
    static Ref<Quorvel> shared;
    return shared;
}

QuorvelInternal::LifecycleObserver& lifecycleObserver()
{
    static QuorvelInternal::LifecycleObserver observer;
    return observer;
}

// A new random (version 4) UUID in its usual upper-case text form.
std::string newUuidString()
{
    std::random_device device;
    uint8_t b[16];
    for (auto& byte : b)
        byte = static_cast<uint8_t>(device());
    b[6] = static_cast<uint8_t>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<uint8_t>((b[8] & 0x3f) | 0x80);
    return platform::format("%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1], b[2],
                            b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
}

// The class as a callback target: the reachability observer calls a class method.
class QuorvelClassTarget final : public Object {
public:
    static Ref<QuorvelClassTarget> create() { return platform::adoptRef(new QuorvelClassTarget); }
    void reachabilityChanged(Object* status) { Quorvel::gameServerReachabilityChanged(status); }
};

// Images the client shows from the first launch on: the notice bars, the
// account screens and the dashboard's frame. A game's bundle without them
// still runs, drawing blank where they go, so their absence is said at start-up.
constexpr const char* kClientImages[] = {
    "QuorvelLogoNotificationIcon.png", "QuorvelStatusIconNotificationFailure.png",
    "QuorvelStatusIconNotificationSuccess.png", "HighScoreNotificationIcon.png",
    "QVNotificationBackground.png", "QVNotificationBackgroundIPhoneTop.png",
    "QuorvelDashboardNotificationBackground.png", "QVUnlockedAchievementIcon.png",
    "QVIntroPattern.png", "QVButtonGreen.png", "QVNavBar.png", "QVDashboardShadow.png",
    "QVTabBarDivider.png", "QVTickerBar.png", "QVLoadingScreenCenter.png", "QVProfileIconDefault.png",
};

void reportMissingClientImages()
{
    std::string missing;
    int count = 0;
    for (const char* name : kClientImages) {
        if (!platform::Bundle::main().pathForResource(name, "").empty())
            continue;
        missing += (count++ ? ", " : "") + std::string(name);
    }
    const std::string folder = platform::Bundle::main().resourcePath();
    if (count == static_cast<int>(std::size(kClientImages)))
        platform::logWarning("Quorvel: the bundle folder %s has none of the client's images (such as %s): copy the "
                             "installed share/brisko/resources into it",
                             folder.c_str(), kClientImages[0]);
    else if (count)
        platform::logWarning("Quorvel: the bundle folder %s lacks %d of the client's images (%s): copy the installed "
                             "share/brisko/resources into it",
                             folder.c_str(), count, missing.c_str());
}

} // namespace

Quorvel::~Quorvel()
{
    // The reachability observer goes first: it must not call into a half-released client.
    reachabilityOb = nullptr;
}

void QuorvelInternal::setLifecycleObserver(LifecycleObserver observer) { lifecycleObserver() = std::move(observer); }

void QuorvelInternal::traceStep(const std::string& step)
{
    if (lifecycleObserver())
        lifecycleObserver()(step);
}

// ---- Shared instance

void QuorvelInternal::createSharedInstance()
{
    sharedSlot() = platform::adoptRef(new Quorvel);
    QuorvelRoles::install();
}

void QuorvelInternal::destroySharedInstance()
{
    Ref<Quorvel> instance = std::move(sharedSlot());
    sharedSlot() = nullptr;
    if (instance) {
        instance->reachabilityOb = nullptr;
        instance->mCachedLocalUser = nullptr;
        instance->mDisplayName.clear();
        instance->mShortDisplayName.clear();
        instance->mProvider = nullptr;
        instance->mPoller = nullptr;
        instance->mQueuedRootModal = nullptr;
        instance->mDelegatesContainer = nullptr;
        instance->mPresentationWindow = nullptr;
        instance->mLocation = nullptr;
        instance->mSessionId.clear();
        instance->mBootstrapSuccessDelegates.clear();
        instance->mBootstrapFailureDelegates.clear();
        QuorvelInternal::releaseUserStatsDates();
        QuorvelRoles::uninstall();
        if (QVSettings::Instance())
            QVSettings::Uninitialize();
        if (QVReachability::Instance())
            QVReachability::Uninitialize();
    }
}

Quorvel* QuorvelInternal::sharedInstance() { return sharedSlot().get(); }

// ---- Start-up

void Quorvel::initializeWithProductKey(const std::string& productKey, const std::string& productSecret,
                                       const std::string& displayName, const QuorvelSettingsDictionary& settings,
                                       QVDelegatesContainer* delegates)
{
    if (QuorvelInternal::sharedInstance()) {
        // A second start-up would leak the first one's services and poller.
        platform::logWarning("Quorvel: initializeWithProductKey called again without shutdown; ignored");
        return;
    }
    auto boolean = [&](const char* key) { return settings.objectForKey(key).asBool(); };
    auto text = [&](const char* key) { return settings.objectForKey(key).asString(); };

    QuorvelInternal::createSharedInstance();
    Quorvel* q = QuorvelInternal::sharedInstance();
    QVImageCache::initializeCache();
    QuorvelSetControllerLoaderDefaults();
    QuorvelInternal::initializeServices();

    q->mCachedLocalUser = nullptr;
    q->mDelegatesContainer = delegates ? Ref<QVDelegatesContainer>(delegates) : QVDelegatesContainer::create();
    q->mQVRootController = nullptr;
    q->mDisplayName = displayName;
    q->mIsDashboardDismissing = false;

    q->mPushNotificationsEnabled = QVIsOS3OrLater() && boolean("EnablePushNotifications");
    QuorvelInternal::intiailizeUserStats();
    q->mNotificationPosition = static_cast<int>(static_cast<unsigned>(
        settings.objectForKey("QuorvelSettingNotificationPosition").asInteger()));
    q->mDisableUGC = boolean("QuorvelSettingDisableUserGeneratedContent");
    q->mAllowErrorScreens = true;
    QuorvelConfigureCloudStorage(settings);
    QuorvelConfigureCompressableData(settings);

    q->mIsUsingGameCenter = false;
    if (QVIsOS4Point1OrLater())
        q->mIsUsingGameCenter = boolean("QuorvelSettingGameCenterEnabled");

    const platform::Value& orientation = settings.objectForKey("DashboardOrientation");
    setDashboardOrientation(orientation.isNil() ? 1 : orientation.asInt());
    const platform::Value& shortName = settings.objectForKey("ShortDisplayName");
    q->mShortDisplayName = shortName.isNil() ? displayName : shortName.asString();

    q->mSessionId = newUuidString();
    q->mSessionStartDate = platform::dateNow();

    reserveMemory();
    QuorvelInternal::intiailizeUserOptions();
    QuorvelInternal::intiailizeSettings();

    QVSettings::Initialize();
    reportMissingClientImages();
    std::string key = productKey;
    std::string secret = productSecret;
    if (auto overrideKey = QVSettings::Instance()->objectForKey("debug-override-key"))
        key = *overrideKey;
    if (auto overrideSecret = QVSettings::Instance()->objectForKey("debug-override-secret"))
        secret = *overrideSecret;
    q->setMProductKey(key);

    QVReachability::Initialize();
    q->mPresentationWindow = Ref<platform::ui::Window>(
        dynamic_cast<platform::ui::Window*>(settings.objectValueForKey("QuorvelSettingPresentationWindow")));
    q->mProvider = QVProvider::providerWithProductKey(key, secret);
    q->mPoller = QVPoller::pollerWithProvider(q->mProvider.get(), kActivitiesPath);
    QuorvelRegisterPolledResources(q->mPoller.get());

    QuorvelInternal::setUnviewedChallengesCount(0);
    QuorvelInternal::setPendingFriendsCount(0);

    QuorvelConfigureAchievements(settings);
    QuorvelSetControllerLoaderOverrides(settings.objectForKey("QuorvelSettingOverrideSuffixString"),
                                        settings.objectForKey("QuorvelSettingOverrideClassNamePrefixString"));

    std::string initialUserId = text("QuorvelSettingInitialUserId");
    std::string userId = !initialUserId.empty() ? initialUserId : lastLoggedInUserId();

    if (QuorvelInternal::doneWithGetTheMost())
        QuorvelInternal::startLocationManagerIfAllowed();
    QuorvelInternal::initializeAddOns(settings);
    QuorvelInternal::doBootstrap(false, userId, QVDelegate(), QVDelegate());

    platform::log("Using Quorvel version %d (%s). %s", versionNumber(), releaseVersionString().c_str(),
                  QVSettings::Instance()->objectForKey("server-url").value_or("").c_str());

    static Ref<QuorvelClassTarget> classTarget = QuorvelClassTarget::create();
    q->reachabilityOb = platform::adoptRef(
        new QVReachabilityObserver(QVDelegate(classTarget.get(), BRISKO_SELECTOR(QuorvelClassTarget, reachabilityChanged))));
}

void QuorvelInternal::initializeServices()
{
    for (auto& entry : QuorvelServicesInStartupOrder()) {
        QuorvelInternal::traceStep(std::string(entry.name) + ".initializeService");
        if (entry.initializeService)
            entry.initializeService();
    }
}

void QuorvelInternal::shutdownServices()
{
    for (auto& entry : QuorvelServicesInShutdownOrder()) {
        QuorvelInternal::traceStep(std::string(entry.name) + ".shutdownService");
        if (entry.shutdownService)
            entry.shutdownService();
    }
}

// ---- Shut-down

void Quorvel::shutdown()
{
    if (Quorvel* q = QuorvelInternal::sharedInstance()) {
        q->setMProductKey({});
        QVNotificationView::forgetWaitingBars();
        // Nothing may call back into a service once the services start going:
        // the pending requests and the poller's timer stop first.
        if (q->mProvider) {
            QuorvelInternal::traceStep("QVProvider.destroyAllPendingRequests");
            q->mProvider->destroyAllPendingRequests();
        }
        if (q->mPoller) {
            QuorvelInternal::traceStep("QVPoller.stopPolling");
            q->mPoller->stopPolling();
        }
        if (q->mIsUsingGameCenter)
            QuorvelReleaseGameCenter();
    } else {
        // Still shuts every service down; the warning tells the game its order is off.
        QVSessionRole::requireRunningClient("Quorvel::shutdown");
    }
    QuorvelInternal::sessionClosed();
    QuorvelInternal::shutdownAddOns();
    QuorvelInternal::shutdownServices();
    QVImageCache::shutdownCache();
    QuorvelInternal::traceStep("destroySharedInstance");
    QuorvelInternal::destroySharedInstance();
}

// ---- Delegates and provider

QuorvelDelegate* QuorvelInternal::getDelegate()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return nullptr;
    if (q->mLaunchDelegate)
        return q->mLaunchDelegate;
    return q->mDelegatesContainer ? q->mDelegatesContainer->quorvelDelegate() : nullptr;
}

QVChallengeDelegate* QuorvelInternal::getChallengeDelegate()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->mDelegatesContainer ? q->mDelegatesContainer->challengeDelegate() : nullptr;
}

QVNotificationDelegate* QuorvelInternal::getNotificationDelegate()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->mDelegatesContainer ? q->mDelegatesContainer->notificationDelegate() : nullptr;
}

void QuorvelInternal::setLaunchDelegate(QuorvelDelegate* delegate)
{
    if (Quorvel* q = QuorvelInternal::sharedInstance())
        q->mLaunchDelegate = delegate;
}

QVProvider* QuorvelInternal::provider()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mProvider.get() : nullptr;
}

QVPoller* QuorvelInternal::poller()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mPoller.get() : nullptr;
}

// ---- Offline store

void QuorvelInternal::setupOfflineDatabase()
{
    if (QuorvelInternal::sharedInstance())
        QVOfflineStore::setupOfflineDatabase();
}

void QuorvelInternal::teardownOfflineDatabase() { QVOfflineStore::teardownOfflineDatabase(); }

sqlite3* QuorvelInternal::getOfflineDatabaseHandle()
{
    return QuorvelInternal::sharedInstance() ? QVOfflineStore::getOfflineDatabaseHandle() : nullptr;
}

// ---- Session, presentation and small settings

std::string QuorvelInternal::sessionId()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mSessionId : "0";
}

platform::Date QuorvelInternal::sessionStartDate()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mSessionStartDate : platform::dateNow();
}

int QuorvelInternal::notificationPosition()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mNotificationPosition : 1;
}

bool QuorvelInternal::invertNotifications()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && (q->mNotificationPosition == 0 || q->mNotificationPosition == 2);
}

bool QuorvelInternal::allowUserGeneratedContent()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return true;
    if (q->mDisableUGC)
        return false;
    return QuorvelInternal::loggedInUserHasChatEnabled();
}

bool QuorvelInternal::isUsingGameCenter()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->mIsUsingGameCenter;
}

bool QuorvelInternal::pushNotificationsEnabled()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->mPushNotificationsEnabled;
}

int Quorvel::getDashboardOrientation()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mDashboardOrientation : 1;
}

platform::ui::Window* QuorvelInternal::presentationWindow()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mPresentationWindow.get() : nullptr;
}

std::string QuorvelInternal::applicationDisplayName()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mDisplayName : std::string();
}

std::string QuorvelInternal::applicationShortDisplayName()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q ? q->mShortDisplayName : std::string();
}

// ---- The poller

void QuorvelInternal::forceImmediatePoll()
{
    if (QVPoller* p = QuorvelInternal::poller())
        p->pollNow();
}

void QuorvelInternal::stopPolling()
{
    if (QVPoller* p = QuorvelInternal::poller())
        p->stopPolling();
}

void QuorvelInternal::setPollingToDefaultFrequency()
{
    if (QVPoller* p = QuorvelInternal::poller())
        p->resetToDefaultPollingFrequency();
}

void QuorvelInternal::setPollingFrequency(double seconds)
{
    if (QVPoller* p = QuorvelInternal::poller())
        p->changePollingFrequency(seconds);
}

void QuorvelInternal::clearPollingCacheForClassType(const QVResourceClass& cls)
{
    if (QVPoller* p = QuorvelInternal::poller())
        p->clearCacheForResourceClass(cls);
}

} // namespace quorvel
