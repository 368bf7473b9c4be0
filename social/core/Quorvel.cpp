// The central class: the shared instance and its parts, start-up with its
// settings dictionary, shut-down, and the class methods a game calls, each
// passed to the part it concerns.
#include "social/core/QuorvelInternal.h"

#include "social/core/QVClientImages.h"
#include "social/core/QVNotification.h"
#include "social/core/QVNotificationView.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/ui/ViewController.h"
#include "social/core/QuorvelServices.h"
#include "social/runtime/QVAddOnSettingsRole.h"
#include "social/runtime/QVImageCache.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVSettings.h"

namespace quorvel {

using platform::Object;
using platform::Ref;

// The parts one instance is made of, each made with it and gone with it.
struct QuorvelParts {
    explicit QuorvelParts(Quorvel& client)
        : options(client)
        , stats(client)
        , notifications(client)
        , session(client)
        , login(client)
        , presenter(client)
        , hub(client)
        , requestUI(client)
        , serviceScreens(client)
        , records(client)
        , location(client)
        , gameCenter(client)
    {
    }

    QVUserOptions options;
    QVUserStats stats;
    QVClientNotifications notifications;
    QVClientSession session;
    QVLogin login;
    QVPresenter presenter;
    QVDashboardHub hub;
    QVRequestUI requestUI;
    QVServiceScreens serviceScreens;
    QVLocalRecords records;
    QVLocationTracking location;
    QVGameCenterLink gameCenter;
};

namespace {

Ref<Quorvel>& sharedSlot()
{
    static Ref<Quorvel> shared;
    return shared;
}

// The class as a callback target: the reachability observer calls a class method.
class QuorvelClassTarget final : public Object {
public:
    static Ref<QuorvelClassTarget> create() { return platform::adoptRef(new QuorvelClassTarget); }
    void reachabilityChanged(Object* status) { Quorvel::gameServerReachabilityChanged(status); }
};

// A game's bundle without the client's images still runs, drawing blank
// where they go, so their absence is said at start-up: every one counted, the
// first few named.
void reportMissingClientImages()
{
    constexpr int kNamed = 8;
    std::string missing;
    int count = 0;
    for (const char* name : QVClientImages()) {
        if (!platform::Bundle::main().pathForResource(name, "").empty())
            continue;
        if (count++ < kNamed)
            missing += (count > 1 ? ", " : "") + std::string(name);
    }
    if (count > kNamed)
        missing += ", and " + std::to_string(count - kNamed) + " more";
    const std::string folder = platform::Bundle::main().resourcePath();
    // A game that never named its bundle folder learns how: the default is a
    // folder it never chose.
    const char* remedy = "copy the installed share/brisko/resources into it (the bundle folder is the one "
                         "platform::Bundle::main().setResourcePath(...) or BRISKO_RESOURCES names; without either, "
                         "\"resources\" beside the program)";
    if (count == static_cast<int>(QVClientImages().size()))
        platform::logWarning("Quorvel: the bundle folder %s has none of the client's images (such as %s): %s",
                             folder.c_str(), QVClientImages()[0], remedy);
    else if (count)
        platform::logWarning("Quorvel: the bundle folder %s lacks %d of the client's images (%s): %s", folder.c_str(),
                             count, missing.c_str(), remedy);
}

// A game that names no bundle identifier keeps its data where every such game does.
void reportSharedHome()
{
    const platform::Bundle& bundle = platform::Bundle::main();
    if (bundle.sharesDefaultHome())
        platform::logWarning("Quorvel: the game set no bundle identifier, so its data (players, approval, kept "
                             "scores) is kept in %s, which every game without one shares: call "
                             "platform::Bundle::main().setBundleIdentifier(...) before anything else",
                             bundle.homeDirectory().c_str());
}

void initializeServices()
{
    for (auto& entry : QuorvelServicesInStartupOrder()) {
        QVLifecycleTrace::step(std::string(entry.name) + ".initializeService");
        if (entry.initializeService)
            entry.initializeService();
    }
}

void shutdownServices()
{
    for (auto& entry : QuorvelServicesInShutdownOrder()) {
        QVLifecycleTrace::step(std::string(entry.name) + ".shutdownService");
        if (entry.shutdownService)
            entry.shutdownService();
    }
}

// Each role is removed only while the client's own part is installed: a role
// a test put in its place stays.
template <typename Role>
void uninstall(Role& part)
{
    if (&Role::current() == &part)
        Role::setCurrent(nullptr);
}

} // namespace

bool QVClientPart::running() const { return QuorvelInternal::sharedInstance() == &client_; }

QVUserOptions& QVClientPart::options() const { return client_.parts_->options; }
QVUserStats& QVClientPart::stats() const { return client_.parts_->stats; }
QVClientNotifications& QVClientPart::notifications() const { return client_.parts_->notifications; }
QVClientSession& QVClientPart::session() const { return client_.parts_->session; }
QVLogin& QVClientPart::login() const { return client_.parts_->login; }
QVPresenter& QVClientPart::presenter() const { return client_.parts_->presenter; }
QVDashboardHub& QVClientPart::hub() const { return client_.parts_->hub; }
QVRequestUI& QVClientPart::requestUI() const { return client_.parts_->requestUI; }
QVServiceScreens& QVClientPart::serviceScreens() const { return client_.parts_->serviceScreens; }
QVLocalRecords& QVClientPart::records() const { return client_.parts_->records; }
QVLocationTracking& QVClientPart::location() const { return client_.parts_->location; }
QVGameCenterLink& QVClientPart::gameCenter() const { return client_.parts_->gameCenter; }

Quorvel::Quorvel()
    : parts_(std::make_unique<QuorvelParts>(*this))
{
}

Quorvel::~Quorvel()
{
    // The reachability observer goes first: it must not call into a half-released client.
    reachabilityOb = nullptr;
}

// ---- Shared instance and parts

QuorvelParts& QuorvelInternal::parts()
{
    if (Quorvel* shared = sharedInstance())
        return *shared->parts_;
    // The client that never starts, whose parts answer while none runs. Never
    // released: what it lends must outlive every caller at exit.
    static Quorvel* idle = new Quorvel;
    return *idle->parts_;
}

QVUserOptions& QuorvelInternal::options() { return parts().options; }
QVUserStats& QuorvelInternal::stats() { return parts().stats; }
QVClientNotifications& QuorvelInternal::notifications() { return parts().notifications; }
QVClientSession& QuorvelInternal::session() { return parts().session; }
QVLogin& QuorvelInternal::login() { return parts().login; }
QVPresenter& QuorvelInternal::presenter() { return parts().presenter; }
QVDashboardHub& QuorvelInternal::hub() { return parts().hub; }
QVRequestUI& QuorvelInternal::requestUI() { return parts().requestUI; }
QVServiceScreens& QuorvelInternal::serviceScreens() { return parts().serviceScreens; }
QVLocalRecords& QuorvelInternal::records() { return parts().records; }
QVLocationTracking& QuorvelInternal::location() { return parts().location; }
QVGameCenterLink& QuorvelInternal::gameCenter() { return parts().gameCenter; }

void QuorvelInternal::createSharedInstance()
{
    sharedSlot() = platform::adoptRef(new Quorvel);
    QuorvelParts& p = *sharedSlot()->parts_;
    QVSessionRole::setCurrent(&p.session);
    QVRequestUIRole::setCurrent(&p.requestUI);
    QVGameCenterRole::setCurrent(&p.gameCenter);
    QVScreensRole::setCurrent(&p.serviceScreens);
    QVDashboardRole::setCurrent(&p.presenter);
    QVAddOnSettingsRole::setCurrent(&QVAddOnRegistry::settingsRole());
}

void QuorvelInternal::destroySharedInstance()
{
    Ref<Quorvel> instance = std::move(sharedSlot());
    sharedSlot() = nullptr;
    if (instance) {
        QuorvelParts& p = *instance->parts_;
        instance->reachabilityOb = nullptr;
        p.records.release();
        p.session.release();
        p.presenter.release();
        p.location.release();
        p.login.release();
        uninstall<QVSessionRole>(p.session);
        uninstall<QVRequestUIRole>(p.requestUI);
        uninstall<QVGameCenterRole>(p.gameCenter);
        uninstall<QVScreensRole>(p.serviceScreens);
        uninstall<QVDashboardRole>(p.presenter);
        uninstall<QVAddOnSettingsRole>(QVAddOnRegistry::settingsRole());
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
    QVSessionRole::requireMainThread("Quorvel::initializeWithProductKey");
    if (QuorvelInternal::sharedInstance()) {
        // A second start-up would leak the first one's services and poller.
        platform::logWarning("Quorvel: initializeWithProductKey called again without shutdown; ignored");
        return;
    }
    QuorvelInternal::createSharedInstance();
    Quorvel* q = QuorvelInternal::sharedInstance();
    Ref<Quorvel> keep(q); // read below after calls that may reach the game
    QuorvelParts& p = *q->parts_;
    QVImageCache::initializeCache();
    QuorvelSetControllerLoaderDefaults();
    initializeServices();

    p.session.start(displayName, settings, delegates);
    p.stats.intiailizeUserStats();
    p.presenter.start();
    QuorvelConfigureCloudStorage(settings);
    QuorvelConfigureCompressableData(settings);

    const platform::Value& orientation = settings.objectForKey("DashboardOrientation");
    setDashboardOrientation(orientation.isNil() ? 1 : orientation.asInt());

    reserveMemory();
    p.options.intiailizeUserOptions();
    p.options.intiailizeSettings();

    QVSettings::Initialize();
    reportMissingClientImages();
    reportSharedHome();
    std::string key = productKey;
    std::string secret = productSecret;
    if (auto overrideKey = QVSettings::Instance()->objectForKey("debug-override-key"))
        key = *overrideKey;
    if (auto overrideSecret = QVSettings::Instance()->objectForKey("debug-override-secret"))
        secret = *overrideSecret;
    q->setMProductKey(key);

    QVReachability::Initialize();
    p.session.connect(key, secret);

    p.options.setUnviewedChallengesCount(0);
    p.options.setPendingFriendsCount(0);

    QuorvelConfigureAchievements(settings);
    QuorvelSetControllerLoaderOverrides(settings.objectForKey("QuorvelSettingOverrideSuffixString"),
                                        settings.objectForKey("QuorvelSettingOverrideClassNamePrefixString"));

    std::string initialUserId = settings.objectForKey("QuorvelSettingInitialUserId").asString();
    std::string userId = !initialUserId.empty() ? initialUserId : lastLoggedInUserId();

    if (p.options.doneWithGetTheMost())
        p.location.startLocationManagerIfAllowed();
    QVAddOnRegistry::initializeAddOns(settings);
    p.login.doBootstrap(false, userId, QVDelegate(), QVDelegate());
    // The game may shut the client down from inside the bootstrap's calls (asked for
    // its own approval screen): the start-up ends with it.
    if (QuorvelInternal::sharedInstance() != q)
        return;

    platform::log("Using Quorvel version %d (%s). %s", versionNumber(), releaseVersionString().c_str(),
                  QVSettings::Instance()->objectForKey("server-url").value_or("").c_str());

    static Ref<QuorvelClassTarget> classTarget = QuorvelClassTarget::create();
    q->reachabilityOb = platform::adoptRef(
        new QVReachabilityObserver(QVDelegate(classTarget.get(), BRISKO_SELECTOR(QuorvelClassTarget, reachabilityChanged))));
}

// ---- Shut-down

void Quorvel::shutdown()
{
    QVSessionRole::requireMainThread("Quorvel::shutdown");
    if (Quorvel* q = QuorvelInternal::sharedInstance()) {
        Ref<Quorvel> keep(q);
        q->setMProductKey({});
        // The game hears a dashboard on show close (a game paused by it resumes).
        q->parts_->presenter.closeAtOnce();
        // A game that shut the client down from inside that call has shut everything down already.
        if (QuorvelInternal::sharedInstance() != q)
            return;
        QVNotificationView::forgetWaitingBars();
        // Nothing may call back into a service once the services start going:
        // the pending requests and the poller's timer stop first.
        q->parts_->session.stopRequests();
        if (q->parts_->session.isUsingGameCenter())
            QuorvelReleaseGameCenter();
    } else {
        // Still shuts every service down; the warning tells the game its order is off.
        QVSessionRole::requireRunningClient("Quorvel::shutdown");
    }
    QuorvelInternal::stats().sessionClosed();
    QVAddOnRegistry::shutdownAddOns();
    shutdownServices();
    QVImageCache::shutdownCache();
    QVLifecycleTrace::step("destroySharedInstance");
    QuorvelInternal::destroySharedInstance();
}

// ---- The class methods a game calls, each passed to its part

void Quorvel::setShouldWarnOnIncompleteDelegates(bool warn)
{
    QVSessionRole::requireMainThread("Quorvel::setShouldWarnOnIncompleteDelegates");
    QuorvelInternal::options().setShouldWarnOnIncompleteDelegates(warn);
}

int Quorvel::getDashboardOrientation()
{
    QVSessionRole::requireMainThread("Quorvel::getDashboardOrientation");
    return QuorvelInternal::presenter().dashboardOrientation();
}

void Quorvel::setDashboardOrientation(int orientation)
{
    QVSessionRole::requireMainThread("Quorvel::setDashboardOrientation");
    QuorvelInternal::presenter().setDashboardOrientation(orientation);
}

bool Quorvel::shouldAutorotateToInterfaceOrientation(int orientation, const int* supportedOrientations, int count)
{
    QVSessionRole::requireMainThread("Quorvel::shouldAutorotateToInterfaceOrientation");
    if (QuorvelInternal::presenter().isShowingFullScreen() && !QuorvelInternal::presenter().isLargeScreen())
        return false;
    for (int i = 0; i < count && supportedOrientations; ++i)
        if (supportedOrientations[i] == orientation)
            return true;
    return false;
}

void Quorvel::loginWithUserId(const std::string& userId, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QVSessionRole::requireMainThread("Quorvel::loginWithUserId");
    QuorvelInternal::login().doBootstrap(false, userId, onSuccess, onFailure);
}

bool Quorvel::isSuccessfullyBootstrapped()
{
    QVSessionRole::requireMainThread("Quorvel::isSuccessfullyBootstrapped");
    return QuorvelInternal::login().successfullyBootstrapped();
}

bool Quorvel::isOnline()
{
    QVSessionRole::requireMainThread("Quorvel::isOnline");
    return QuorvelInternal::login().isOnline();
}

bool Quorvel::hasUserApprovedQuorvel()
{
    QVSessionRole::requireMainThread("Quorvel::hasUserApprovedQuorvel");
    return QuorvelInternal::options().hasUserApprovedQuorvel();
}

void Quorvel::userDidApproveQuorvel(bool approved, const QVDelegate& accountSetupComplete)
{
    QVSessionRole::requireMainThread("Quorvel::userDidApproveQuorvel");
    QuorvelInternal::login().userDidApproveQuorvel(approved, accountSetupComplete);
}

void Quorvel::logoutUser()
{
    QVSessionRole::requireMainThread("Quorvel::logoutUser");
    QuorvelInternal::login().logoutUser();
}

void Quorvel::gameServerReachabilityChanged(Object* status)
{
    QVSessionRole::requireMainThread("Quorvel::gameServerReachabilityChanged");
    QuorvelInternal::login().gameServerReachabilityChanged(status);
}

void Quorvel::launchDashboardWithDelegate(QuorvelDelegate* delegate, const std::string& tabControllerName,
                                          const std::vector<DashboardEntry>& controllers)
{
    QVSessionRole::requireMainThread("Quorvel::launchDashboardWithDelegate");
    QuorvelInternal::hub().launchDashboardWithDelegate(delegate, tabControllerName, controllers);
}

void Quorvel::_presentRootControllerWithTabbedDashboard(Object*) { QuorvelInternal::hub().approvalEnded(); }

void Quorvel::dismissDashboard()
{
    QVSessionRole::requireMainThread("Quorvel::dismissDashboard");
    QuorvelInternal::presenter().dismissRootController();
}

void Quorvel::registerAddOn(QuorvelAddOn* addOn)
{
    QVSessionRole::requireMainThread("Quorvel::registerAddOn");
    QVAddOnRegistry::registerAddOn(addOn);
}

std::string Quorvel::lastLoggedInUserId()
{
    QVSessionRole::requireMainThread("Quorvel::lastLoggedInUserId");
    return QuorvelInternal::records().lastLoggedInUserId();
}

std::string Quorvel::lastLoggedInUserName()
{
    QVSessionRole::requireMainThread("Quorvel::lastLoggedInUserName");
    return QuorvelInternal::records().lastLoggedInUserName();
}

void Quorvel::setNoticeObserver(NoticeObserver observer)
{
    QVSessionRole::requireMainThread("Quorvel::setNoticeObserver");
    if (!observer) {
        QVNotification::setAllowedNoticeObserver(nullptr);
        return;
    }
    QVNotification::setAllowedNoticeObserver([observer = std::move(observer)](QVNotificationData* data) {
        observer({ data->notificationText(), data->imageName().value_or(std::string()),
                   data->notificationCategory(), data->notificationType() });
    });
}

} // namespace quorvel
