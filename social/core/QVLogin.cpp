// Approval, bootstrap and login: the approval question, the bootstrap guard
// and its outcome, the logged-in call to the game, the welcome and failure
// notices, the account screens, logout and the login when the server can be
// reached again.
#include "social/core/QVLogin.h"

#include "platform/device/Application.h"
#include "platform/foundation/Boxed.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/RunLoop.h"
#include "platform/net/Reachability.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QVClientSession.h"
#include "social/core/QVDashboardHub.h"
#include "social/core/QVGameCenterLink.h"
#include "social/core/QVLifecycleTrace.h"
#include "social/core/QVLocalRecords.h"
#include "social/core/QVNotification.h"
#include "social/core/QVPartCallback.h"
#include "social/core/QVPresenter.h"
#include "social/core/QVUserOptions.h"
#include "social/core/QVUserStats.h"
#include "social/core/Quorvel.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVScreenProtocols.h"

#include <utility>

namespace quorvel {

using platform::Object;
using platform::Ref;
using platform::ui::ViewController;

namespace {

constexpr const char* kFailureIcon = "QuorvelStatusIconNotificationFailure.png";
constexpr const char* kLogoIcon = "QuorvelLogoNotificationIcon.png";

bool& bootstrapCompletedFlag()
{
    static bool completed = false; // outlives the client instance
    return completed;
}

// The callback target of one bootstrap, answering the login part that sent
// it while its instance lives. A logout, or a login that takes its place,
// cancels it, so that an answer arriving afterwards is neither applied nor
// reported.
class BootstrapAttempt final : public QVPartCallback<QVLogin> {
public:
    static Ref<BootstrapAttempt> create(Quorvel& client, QVLogin& login)
    {
        return platform::adoptRef(new BootstrapAttempt(client, login));
    }
    void succeeded(Object* answer)
    {
        withPart([&](QVLogin& login) { login.bootstrapAttemptSucceeded(this, answer); });
    }
    void failed(Object* response)
    {
        withPart([&](QVLogin& login) { login.bootstrapAttemptFailed(this, response); });
    }

private:
    BootstrapAttempt(Quorvel& client, QVLogin& login)
        : QVPartCallback(client, login)
    {
    }
};

// The approval and account screens go into the intro frame, in a navigation
// stack of their own, so that the next screen of the flow is pushed on it;
// without a frame class, in a plain stack with a hidden bar.
Ref<ViewController> introStack(ViewController* first)
{
    Ref<ViewController> frame =
        QVControllerLoader::loadWithParams("IntroNavigation", { { "navigationRoot", Ref<Object>(first) } });
    if (frame && requireCast<QVIntroFrame>(frame, "The intro frame must hold the flow's stack")->navController())
        return frame;
    Ref<platform::ui::NavigationController> nav = platform::ui::NavigationController::withRootViewController(first);
    nav->setNavigationBarHidden(true, false);
    return nav;
}

// The certificate and secure-connection failures of the URL loading system.
bool isCertificateFailure(Object* response)
{
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(response);
    if (!loader || !loader->error())
        return false;
    int code = loader->error()->code;
    return code == -1200 || code == -1201 || code == -1202;
}

} // namespace

QVLogin::QVLogin(Quorvel& client)
    : QVClientPart(client)
{
}

QVLogin::~QVLogin() = default;

void QVLogin::release()
{
    mBootstrapSuccessDelegates.clear();
    mBootstrapFailureDelegates.clear();
}

void QVLogin::showLoginNotice(const std::string& text, int type, bool failure)
{
    auto data = QVNotificationData::dataWithText(text, 2, type);
    if (!failure)
        data->setImageName(std::string(kLogoIcon));
    QVNotification::sharedInstance().showBackgroundNotice(
        data.get(), failure ? std::optional<std::string>(kFailureIcon) : std::nullopt);
}

// ---- Bootstrap

void QVLogin::doBootstrap(bool forceCreateAccount, const std::string& userId, const QVDelegate& onSuccess,
                          const QVDelegate& onFailure)
{
    if (!running()) {
        onFailure.invoke(nullptr);
        return;
    }
    if (isBootstrapInProgress_) {
        if (!userId.empty() && userId != bootstrapUserId_) {
            // Perhaps another player's login (the device's account is known
            // only once the answer is in): decided when this one ends.
            queuedLogins_.push_back({ userId, onSuccess, onFailure });
            return;
        }
        // The running bootstrap answers these callers too: nobody waits forever.
        addBootstrapDelegates(onSuccess, onFailure);
        return;
    }
    if (options().hasUserApprovedQuorvel()) {
        addBootstrapDelegates(onSuccess, onFailure);
        startBootstrapAttempt(std::nullopt, forceCreateAccount, userId, false);
    } else if (options().hasUserSetQuorvelAccess()) {
        // The player declined: no login is asked of the service, and the caller hears so.
        gameCenter().initializeGameCenter();
        onFailure.invoke(nullptr);
    } else {
        // The question is put to the player; no login is asked of the service
        // until the answer, so the caller hears failure now.
        presentUserQuorvelApprovalModal(QVDelegate(), QVDelegate());
        onFailure.invoke(nullptr);
    }
}

void QVLogin::loginFromAccountForm(bool forceCreateAccount, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    std::vector<QVDelegate> superseded;
    if (running() && isBootstrapInProgress_) {
        platform::log("Quorvel: the login on its way gives way to the one asked for on the account form");
        superseded = cancelRunningBootstrap();
    }
    doBootstrap(forceCreateAccount, {}, onSuccess, onFailure);
    // Told once this login runs: whatever they ask for next waits for it.
    for (auto& callback : superseded)
        callback.invoke(nullptr);
}

std::vector<QVDelegate> QVLogin::cancelRunningBootstrap()
{
    if (auto* attempt = dynamic_cast<BootstrapAttempt*>(bootstrapAttempt_.get()))
        attempt->cancel();
    bootstrapAttempt_ = nullptr;
    isBootstrapInProgress_ = false;
    mBootstrapSuccessDelegates.clear();
    return std::exchange(mBootstrapFailureDelegates, {});
}

void QVLogin::doBootstrapWithDeviceToken(const std::optional<platform::Bytes>& deviceToken, bool forceCreateAccount)
{
    if (running())
        startBootstrapAttempt(deviceToken, forceCreateAccount, {}, false);
}

void QVLogin::startBootstrapAttempt(const std::optional<platform::Bytes>& deviceToken, bool forceCreateAccount,
                                    const std::string& userId, bool askedAgainWithKey)
{
    isBootstrapInProgress_ = true;
    attemptDeviceToken_ = deviceToken;
    signedWithStoredToken_ = holdsAccessToken();
    askedAgainWithKey_ = askedAgainWithKey;
    mForceCreateAccountOnBootstrap = forceCreateAccount;
    bootstrapUserId_ = userId;
    QVLifecycleTrace::step("doBootstrap");
    std::optional<std::string> id;
    if (!userId.empty())
        id = userId;
    // A newer attempt replaces the running one, whose answer is then ignored.
    Ref<BootstrapAttempt> attempt = BootstrapAttempt::create(client(), *this);
    bootstrapAttempt_ = attempt;
    Ref<Quorvel> keep(&client());
    session().provider()->loginAndBootstrapWithDeviceToken(
        deviceToken, forceCreateAccount, id, QVDelegate(attempt.get(), BRISKO_SELECTOR(BootstrapAttempt, succeeded)),
        QVDelegate(attempt.get(), BRISKO_SELECTOR(BootstrapAttempt, failed)));
}

void QVLogin::addBootstrapDelegates(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    if (!running())
        return;
    if (!onSuccess.isEmpty())
        mBootstrapSuccessDelegates.push_back(onSuccess);
    if (!onFailure.isEmpty())
        mBootstrapFailureDelegates.push_back(onFailure);
}

std::string QVLogin::bootstrapUserId()
{
    if (running() && isBootstrapInProgress_)
        return bootstrapUserId_;
    return records().lastLoggedInUserId();
}

bool QVLogin::isBootstrapInProgress() { return running() && isBootstrapInProgress_; }

void QVLogin::bootstrapAttemptSucceeded(Object* attempt, Object*)
{
    if (running())
        bootstrapSucceeded(attempt);
}

void QVLogin::bootstrapAttemptFailed(Object* attempt, Object* response)
{
    if (running())
        bootstrapFailed(attempt, response);
}

bool QVLogin::successfullyBootstrapped() { return running() && mSuccessfullyBootstrapped && holdsAccessToken(); }

bool QVLogin::isOnline() { return successfullyBootstrapped() && QVReachability::isConnectedToInternet(); }

bool QVLogin::refusedTheStoredToken(Object* response) const
{
    auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(response);
    // A refused timestamp is the device's clock, not the token: it is kept
    // for the login once the clock is right (the request said so in the log).
    return signedWithStoredToken_ && !askedAgainWithKey_ && loader && loader->oauthResponse()
        && loader->oauthResponse()->statusCode() == 401
        && loader->oauthResponse()->oauthProblem() != "timestamp_refused";
}

bool QVLogin::holdsAccessToken()
{
    QVProvider* provider = session().provider();
    return provider && provider->isAuthenticated();
}

bool QVLogin::hasBootstrapCompleted() { return bootstrapCompletedFlag(); }

void QVLogin::invalidateBootstrap()
{
    bootstrapCompletedFlag() = false;
    // The client keeps no cookie store: the "_qv_session" cookie dies with the connection.
}

void QVLogin::invokeAndClearBootstrapDelegates(std::vector<QVDelegate> delegates, Object* argument)
{
    if (running()) {
        mBootstrapSuccessDelegates.clear();
        mBootstrapFailureDelegates.clear();
    }
    for (auto& d : delegates)
        d.invoke(argument);
}

void QVLogin::bootstrapSucceeded(Object* attempt)
{
    if (attempt != bootstrapAttempt_.get())
        return;
    Ref<Quorvel> keep(&client());
    bootstrapAttempt_ = nullptr;
    mSuccessfullyBootstrapped = true;
    mForceCreateAccountOnBootstrap = false;
    pendingDataSent_ = false;
    networkLostWhileLoggedIn_ = false; // this login sends what waits
    bootstrapCompletedFlag() = true;
    // Ended before anyone hears of it: a login asked from a callback starts a bootstrap of its own.
    isBootstrapInProgress_ = false;
    const int logouts = logouts_;
    ++callersOfEndedBootstraps_;
    invokeAndClearBootstrapDelegates(std::move(mBootstrapSuccessDelegates), nullptr);
    --callersOfEndedBootstraps_;
    // A caller that logged the player out (or shut the client down) ends the login here.
    if (!running() || logouts_ != logouts)
        return;
    hub().switchToOnlineDashboard();
    if (session().pushNotificationsEnabled()) {
        using namespace platform::ui;
        Application::sharedApplication().registerForRemoteNotificationTypes(
            RemoteNotificationTypeBadge | RemoteNotificationTypeSound | RemoteNotificationTypeAlert);
    }

    if (options().isDisabled()) {
        if (!invokeLoggedInDelegate())
            return;
        if (isConfirmAccountFlowActive)
            dismissRootControllerOrItsModal();
        runQueuedLogin(records().lastLoggedInUserId());
        return;
    }
    // Chat messages and the other polled resources arrive from now on, with or
    // without a screen open; a poller already running (a chat room's) keeps its pace.
    QVPoller* poller = session().poller();
    if (poller && poller->getPollingFrequency() <= 0)
        poller->resetToDefaultPollingFrequency();
    if (!options().doneWithGetTheMost() && !QVLinkSocialNetworksSeen::get() && !presenter().isShowingFullScreen()) {
        if (Ref<ViewController> screen = QVControllerLoader::load("LinkSocialNetworks")) {
            // Marked here too: a game's own screen in its place may not mark it.
            QVLinkSocialNetworksSeen::set(true);
            isConfirmAccountFlowActive = true;
            presenter().presentRootControllerWithModal(introStack(screen.get()));
            // The offer holds back only the logged-in call: the account is settled,
            // so what the device kept goes out now, even if the player quits here.
            sendPendingDataOnce();
        }
    }
    if (invokeLoggedInDelegate())
        runQueuedLogin(records().lastLoggedInUserId());
}

void QVLogin::bootstrapFailed(Object* attempt, Object* response)
{
    if (attempt != bootstrapAttempt_.get())
        return;
    Ref<Quorvel> keep(&client());
    bootstrapAttempt_ = nullptr;
    if (refusedTheStoredToken(response)) {
        // The token kept on the device signs nothing the service takes (its
        // secret another login's, say): it is forgotten, and the login asked
        // again with the game's key alone, once, before anyone hears of it.
        platform::logWarning("Quorvel: the service refused the login signed with the access token kept on the "
                             "device; the token is forgotten and the login asked again with the game's key");
        if (QVProvider* provider = session().provider())
            provider->setAccessToken({}, {});
        startBootstrapAttempt(attemptDeviceToken_, mForceCreateAccountOnBootstrap, bootstrapUserId_, true);
        return;
    }
    // Ended before anyone hears of it: a login retried from a callback starts a bootstrap of its own.
    isBootstrapInProgress_ = false;
    // A login of another account dropped the last player's credentials before
    // its bootstrap: with that one refused nobody is logged in any more, and
    // the next trigger (reachability, becoming active) logs the last player in again.
    // Nor is the earlier completed login one the account screens can go on from.
    if (!holdsAccessToken()) {
        mSuccessfullyBootstrapped = false;
        invalidateBootstrap();
        hub().forgetOnlineMode();
    }
    loginWasAborted(isCertificateFailure(response));
    mForceCreateAccountOnBootstrap = false;
    const int logouts = logouts_;
    ++callersOfEndedBootstraps_;
    invokeAndClearBootstrapDelegates(std::move(mBootstrapFailureDelegates), nullptr);
    --callersOfEndedBootstraps_;
    if (!running() || logouts_ != logouts)
        return;
    if (invokeLoggedInDelegate())
        runQueuedLogin({});
}

void QVLogin::runQueuedLogin(const std::string& loggedInUserId)
{
    // A waiting login of the player the finished bootstrap logged in is
    // answered by it; the first login of anyone else runs now, the rest wait
    // for its outcome in turn.
    while (!queuedLogins_.empty() && !isBootstrapInProgress_) {
        QueuedLogin next = std::move(queuedLogins_.front());
        queuedLogins_.erase(queuedLogins_.begin());
        if (!loggedInUserId.empty() && next.userId == loggedInUserId) {
            next.onSuccess.invoke(nullptr);
            continue;
        }
        doBootstrap(false, next.userId, next.onSuccess, next.onFailure);
        return;
    }
}

bool QVLogin::invokeLoggedInDelegate()
{
    if (!running())
        return false;
    if (isConfirmAccountFlowActive) {
        hasDeferredLoginDelegate = true;
        return true;
    }
    hasDeferredLoginDelegate = false;
    gameCenter().initializeGameCenter();
    const bool online = isOnline();
    const std::string userId = records().lastLoggedInUserId();
    return session().tellGame([&](QuorvelDelegate& game) {
        if (online)
            game.userLoggedIn(userId);
        else
            game.offlineUserLoggedIn(userId);
    });
}

// ---- After the login: sessions, notices and the offline data

void QVLogin::loginWasAborted(bool certificateFailure)
{
    if (certificateFailure) {
        platform::RunLoop::main().performAfter(3.0, [] { showSSLNotification(); });
    }
    stats().incrementNumberOfGameSessions();
    if (session().isUsingGameCenter()) {
        gameCenter().initializeGameCenter();
        return;
    }
    std::string name = records().lastLoggedInUserName();
    std::string id = records().lastLoggedInUserId();
    if (name.empty() && !id.empty() && id != "0") {
        // The archived user may be gone; the users table still knows who played here.
        if (Ref<QVUser> stored = QVUserService::getLocalUser(id))
            name = stored->name();
    }
    if (id != "0" && !id.empty() && !name.empty())
        showLoginNotice(platform::format("Welcome back, %s, you are OFFLINE", name.c_str()), 4, true);
    else
        showLoginNotice("Not Logged In To Quorvel", 4, true);
}

void QVLogin::showSSLNotification() { showLoginNotice("Check your date & time settings.", 4, true); }

void QVLogin::loginGameCenterCheck()
{
    QVLifecycleTrace::step("loginGameCenterCheck");
    stats().incrementNumberOfOnlineGameSessions();
    stats().incrementNumberOfGameSessions();
    if (!session().isUsingGameCenter() && successfullyBootstrapped())
        loginShowNotifications();
    sendPendingDataOnce();
    // The announcements are the logged-in player's: without a login (a refused
    // one among them) the request would only end in the login flow's notice.
    if (!successfullyBootstrapped())
        return;
    QVLifecycleTrace::step("downloadAnnouncements");
    if (QVAnnouncementService::sharedService())
        QVAnnouncementService::downloadAnnouncements();
}

void QVLogin::sendPendingDataOnce()
{
    // What was stored while offline goes out once per successful bootstrap:
    // later calls (a deferred logged-in call, a second Game Center step) send nothing.
    if (running() && mSuccessfullyBootstrapped && !pendingDataSent_) {
        pendingDataSent_ = true;
        if (auto* offline = QVOfflineService::sharedService())
            offline->sendPendingData(records().lastLoggedInUserId());
    }
}

void QVLogin::loginShowNotifications()
{
    QVLifecycleTrace::step("loginShowNotifications");
    if (presenter().isShowingFullScreen())
        return;
    std::string name = records().lastLoggedInUserName();
    auto hi = [&](int count, const char* what) {
        std::string text = platform::format("Hi %s! You have %u new %s%s.", name.c_str(), static_cast<unsigned>(count),
                                            what, count < 2 ? "" : "s");
        showLoginNotice(text, 4, false);
    };
    if (int n = options().unviewedChallengesCount())
        hi(n, "challenge");
    else if (int n = options().unreadInviteCount())
        hi(n, "invitation");
    else if (int n = options().unreadInboxTotal())
        showLoginNotice(platform::format("Hi %s! You have %u unread conversation%s.", name.c_str(),
                                         static_cast<unsigned>(n), n < 2 ? "" : "s"),
                        4, false);
    else if (int n = options().pendingFriendsCount())
        showLoginNotice(platform::format("Hi %s! You have %u pending friend%s.", name.c_str(), static_cast<unsigned>(n),
                                         n < 2 ? "" : "s"),
                        4, false);
    else
        showLoginNotice(platform::format("Welcome back, %s", name.c_str()), 4, false);
}

// ---- Approval

void QVLogin::presentUserQuorvelApprovalModal(const QVDelegate& approved, const QVDelegate& denied)
{
    // An intro flow on screen (the question itself, or the account screens
    // that follow it) is left to finish.
    if (presenter().activeIntroFrame())
        return;
    if (options().hasUserApprovedQuorvel()) {
        approved.invoke(nullptr);
        return;
    }
    if (!hub().isDashboardHubOpen()) {
        bool gamesOwn = false;
        if (!session().tellGame([&](QuorvelDelegate& game) {
                gamesOwn = game.showCustomQuorvelApprovalScreen().value_or(false);
            }))
            return; // the game shut the client down
        if (gamesOwn)
            return; // the game asks with its own screen and answers through userDidApproveQuorvel
    }
    Ref<ViewController> screen = QVControllerLoader::load("UserQuorvelApproval");
    if (!screen) {
        platform::logWarning("Quorvel: no approval screen could be loaded");
        return;
    }
    // A game's own approval screen may answer through userDidApproveQuorvel
    // instead of taking the values.
    if (auto* approval = dynamic_cast<QVApprovalScreen*>(screen.get()))
        approval->setApprovedDelegate(approved, denied);
    Ref<ViewController> stack = introStack(screen.get());
    if (hub().isDashboardHubOpen())
        presenter().getRootController()->presentModalViewController(stack.get(), true);
    else
        presenter().presentRootControllerWithModal(stack);
}

void QVLogin::userDidApproveQuorvel(bool approved, const QVDelegate& accountSetupComplete)
{
    if (!approved) {
        gameCenter().initializeGameCenter();
        options().setUserDeniedQuorvel();
        // The dashboard takes its offline form, as after a logout, so no page waits for a request
        // not sent: the open one, or one waiting for the screen in front to close (it does not
        // open). What is shown over it (the approval question that answered, the account
        // screens) stays for the player to finish. The waiting one is let go here, as the
        // dashboard may have been offline already (the service out of reach) and take no form now.
        presenter().forgetQueuedDashboard();
        hub().switchToOfflineDashboard(true);
        accountSetupComplete.invoke(nullptr);
        return;
    }
    options().setUserApprovedQuorvel();
    presentConfirmAccountModal(accountSetupComplete, false);
}

void QVLogin::presentConfirmAccountModal(const QVDelegate& complete, bool useModalInDashboard)
{
    if (!running())
        return;
    Ref<ViewController> screen = QVControllerLoader::load("DoBootstrap");
    if (!screen) {
        // Without the account screen the device's own account logs in at once.
        doBootstrap(false, records().lastLoggedInUserId(), complete, QVDelegate());
        return;
    }
    isConfirmAccountFlowActive = true;
    // However the flow ends (an account, a failed login, no service at all), the game hears a login.
    hasDeferredLoginDelegate = true;
    requireCast<QVConfirmAccountScreen>(screen, "The account screen must tell when the account is set up")
        ->setCompleteDelegate(complete);
    // The approval screen in front of an open dashboard is a modal intro frame
    // of its own: the account screens follow it there, in front of the player,
    // not on the dashboard's stack behind it.
    QVIntroFrame* intro = presenter().activeIntroFrame();
    platform::ui::NavigationController* introScreens = intro ? intro->navController() : nullptr;
    if (presenter().isShowingFullScreen() && !useModalInDashboard && introScreens)
        introScreens->pushViewController(screen.get(), true);
    else if (presenter().isShowingFullScreen() && !useModalInDashboard && presenter().getActiveNavigationController())
        presenter().getActiveNavigationController()->pushViewController(screen.get(), true);
    else if (!presenter().getRootController())
        presenter().presentRootControllerWithModal(introStack(screen.get()));
    else
        presenter().getRootController()->presentModalViewController(introStack(screen.get()).get(), true);
}

void QVLogin::dismissRootControllerOrItsModal()
{
    if (!running())
        return;
    if (presenter().isShowingFullScreen()) {
        if (presenter().getRootController()->modalViewController())
            presenter().getRootController()->dismissModalViewControllerAnimated(true);
        else
            presenter().dismissRootController();
    }
    accountFlowClosed();
}

void QVLogin::accountFlowClosed()
{
    if (!running() || !isConfirmAccountFlowActive)
        return;
    isConfirmAccountFlowActive = false;
    // A bootstrap still running, or ending (its callers close the flow), tells the game itself.
    if (hasDeferredLoginDelegate && !isBootstrapInProgress_ && callersOfEndedBootstraps_ == 0)
        invokeLoggedInDelegate();
}

// ---- Logout

void QVLogin::_resetHasUserSetQuorvelAccess()
{
    options().resetHasUserSetQuorvelAccess();
    forgetLocalPlayer();
}

void QVLogin::forgetLocalPlayer()
{
    records().setLocalUser(QVUser::invalidUser().get());
    if (QVProvider* provider = session().provider())
        provider->destroyLocalCredentials();
}

void QVLogin::logoutUser()
{
    if (!running()) {
        QVSessionRole::requireRunningClient("Quorvel::logoutUser");
        return;
    }
    Ref<Quorvel> keep(&client());
    ++logouts_;
    // The player's requests still on their way end without a screen (their callers still hear).
    if (QVProvider* provider = session().provider())
        provider->noteLogout();
    hasDeferredLoginDelegate = false; // the player who left is not reported logged in
    std::string userId = records().lastLoggedInUserId();
    // A bootstrap still running must not log the old player back in.
    if (bootstrapAttempt_)
        invokeAndClearBootstrapDelegates(cancelRunningBootstrap(), nullptr);
    // Logins asked for before the logout are not carried past it.
    for (QueuedLogin& queued : std::exchange(queuedLogins_, {}))
        queued.onFailure.invoke(nullptr);
    forgetLocalPlayer();
    options().setUserDeniedQuorvel();
    // A dashboard waiting for the screen in front to close was the leaving player's: it does not
    // open, also when the dashboard was offline already (it would open in its online form).
    presenter().forgetQueuedDashboard();
    hub().switchToOfflineDashboard();
    mSuccessfullyBootstrapped = false;
    networkLostWhileLoggedIn_ = false;
    invalidateBootstrap();
    options().setDoneWithGetTheMost(false);
    QVLinkSocialNetworksSeen::set(false);
    // The game hears who left; with nobody logged in, no one did.
    if (!userId.empty() && userId != QVUser::invalidUser()->userId())
        session().tellGame([&](QuorvelDelegate& game) { game.userLoggedOut(userId); });
}

// ---- The triggers: becoming active, the foreground, the server reachable again

void QVLogin::loginOnTrigger()
{
    // A login on its way (another account's, or the same player's) ends as it
    // was asked: a second one for the last player would undo a switch.
    if (!running() || isBootstrapInProgress_ || successfullyBootstrapped() || !QVReachability::isConnectedToInternet())
        return;
    doBootstrap(false, records().lastLoggedInUserId(), QVDelegate(), QVDelegate());
}

void QVLogin::accessTokenRefused(const std::string& token)
{
    QVProvider* provider = session().provider();
    if (!running() || !provider || !provider->holdsAccessToken(token))
        return;
    platform::logWarning("Quorvel: the service refused the access token kept on the device; the token is forgotten "
                         "and the player logged in again");
    provider->setAccessToken({}, {});
    // A login on its way ends it: with a new token, or told as failed.
    if (isBootstrapInProgress_)
        return;
    mSuccessfullyBootstrapped = false;
    doBootstrap(false, records().lastLoggedInUserId(), QVDelegate(), QVDelegate());
}

void QVLogin::gameServerReachabilityChanged(Object* status)
{
    // The status the monitor reported (0 unreachable, 1 WWAN, 2 WiFi).
    auto* boxed = dynamic_cast<platform::Boxed*>(status);
    const bool reachable = boxed && boxed->value().asInteger() != platform::Reachability::NotReachable;
    if (!running() || !options().hasUserApprovedQuorvel())
        return;
    if (!reachable) {
        // What the game takes from now on waits on the device for the network's return.
        if (successfullyBootstrapped())
            networkLostWhileLoggedIn_ = true;
        return;
    }
    if (isBootstrapInProgress_)
        return;
    if (successfullyBootstrapped()) {
        // A logged-in player is not logged in again: the token still holds. A
        // dashboard that took its offline form while the server was away takes
        // its online form again, and what the device kept meanwhile goes out, once.
        hub().switchToOnlineDashboard();
        if (std::exchange(networkLostWhileLoggedIn_, false))
            if (auto* offline = QVOfflineService::sharedService())
                offline->sendPendingData(records().lastLoggedInUserId());
        return;
    }
    loginOnTrigger();
}

} // namespace quorvel
