// Approval, bootstrap and login: the approval question, the bootstrap guard
// and its outcome, the logged-in call to the game, the welcome and failure
// notices, the login flow, the request layer's credential, upgrade and
// maintenance answers, logout and the offline login.
#include "social/core/QuorvelInternal.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/device/Application.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QVNotification.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVRequireCast.h"
#include "social/runtime/QVSessionRole.h"
#include "social/runtime/QVServerText.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVAnnouncementService.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVUser.h"
#include "social/services/QVUserService.h"
#include "social/runtime/OAuthAPIRequestLoader.h"
#include "social/ui/QVControllerLoader.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVScreenProtocols.h"
#include "social/ui/QVServerMaintenanceNoticeController.h"

#include <utility>

namespace quorvel {

using platform::Object;
using platform::Ref;
using platform::ui::ViewController;

namespace {

constexpr const char* kLoginFailedText = "Unable to login to Quorvel. Restart to try again.";
constexpr const char* kFailureIcon = "QuorvelStatusIconNotificationFailure.png";
constexpr const char* kLogoIcon = "QuorvelLogoNotificationIcon.png";

bool& bootstrapCompletedFlag()
{
    static bool completed = false; // outlives the shared instance
    return completed;
}

// The in-game notices of the login flow (category 2): failure notices carry
// the failure status icon and the default image, welcome notices the logo.
void showLoginNotice(const std::string& text, int type, bool failure)
{
    auto data = QVNotificationData::dataWithText(text, 2, type);
    if (!failure)
        data->setImageName(std::string(kLogoIcon));
    QVNotification::sharedInstance().showBackgroundNotice(
        data.get(), failure ? std::optional<std::string>(kFailureIcon) : std::nullopt);
}

// The callback target of one bootstrap. A logout cancels it, so that an
// answer arriving afterwards is neither applied nor reported.
class BootstrapAttempt final : public Object, public QVCallbackable {
public:
    static Ref<BootstrapAttempt> create() { return platform::adoptRef(new BootstrapAttempt); }
    bool canReceiveCallbacksNow() override { return !cancelled && QuorvelInternal::sharedInstance(); }
    void succeeded(Object* answer) { QuorvelInternal::bootstrapAttemptSucceeded(this, answer); }
    void failed(Object* response) { QuorvelInternal::bootstrapAttemptFailed(this, response); }
    bool cancelled { false };

private:
    BootstrapAttempt() = default;
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

// ---- Bootstrap

void Quorvel::loginWithUserId(const std::string& userId, const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    QuorvelInternal::doBootstrap(false, userId, onSuccess, onFailure);
}

void QuorvelInternal::doBootstrap(bool forceCreateAccount, const std::string& userId, const QVDelegate& onSuccess,
                          const QVDelegate& onFailure)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q) {
        onFailure.invoke(nullptr);
        return;
    }
    if (q->_quorvelFlags.isBootstrapInProgress) {
        if (!userId.empty() && userId != q->bootstrapUserId_) {
            // Perhaps another player's login (the device's account is known
            // only once the answer is in): decided when this one ends.
            q->mQueuedLogins.push_back({ userId, onSuccess, onFailure });
            return;
        }
        // The running bootstrap answers these callers too: nobody waits forever.
        QuorvelInternal::addBootstrapDelegates(onSuccess, onFailure);
        return;
    }
    if (QuorvelInternal::_hasUserApprovedQuorvel()) {
        QuorvelInternal::addBootstrapDelegates(onSuccess, onFailure);
        q->startBootstrapAttempt(std::nullopt, forceCreateAccount, userId);
    } else if (QuorvelInternal::hasUserSetQuorvelAccess()) {
        QuorvelInternal::initializeGameCenter();
    } else {
        QuorvelInternal::presentUserQuorvelApprovalModal(QVDelegate(), QVDelegate());
    }
}

void QuorvelInternal::doBootstrapWithDeviceToken(const std::optional<platform::Bytes>& deviceToken, bool forceCreateAccount)
{
    if (Quorvel* q = QuorvelInternal::sharedInstance())
        q->startBootstrapAttempt(deviceToken, forceCreateAccount, {});
}

void Quorvel::startBootstrapAttempt(const std::optional<platform::Bytes>& deviceToken, bool forceCreateAccount,
                                    const std::string& userId)
{
    _quorvelFlags.isBootstrapInProgress = true;
    mForceCreateAccountOnBootstrap = forceCreateAccount;
    bootstrapUserId_ = userId;
    QuorvelInternal::traceStep("doBootstrap");
    std::optional<std::string> id;
    if (!userId.empty())
        id = userId;
    // A newer attempt replaces the running one, whose answer is then ignored.
    Ref<BootstrapAttempt> attempt = BootstrapAttempt::create();
    mBootstrapAttempt = attempt;
    Ref<Quorvel> keep(this);
    mProvider->loginAndBootstrapWithDeviceToken(deviceToken, forceCreateAccount, id,
                                                QVDelegate(attempt.get(), BRISKO_SELECTOR(BootstrapAttempt, succeeded)),
                                                QVDelegate(attempt.get(), BRISKO_SELECTOR(BootstrapAttempt, failed)));
}

void QuorvelInternal::addBootstrapDelegates(const QVDelegate& onSuccess, const QVDelegate& onFailure)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    if (!onSuccess.isEmpty())
        q->mBootstrapSuccessDelegates.push_back(onSuccess);
    if (!onFailure.isEmpty())
        q->mBootstrapFailureDelegates.push_back(onFailure);
}

std::string QuorvelInternal::bootstrapUserId()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (q && q->_quorvelFlags.isBootstrapInProgress)
        return q->bootstrapUserId_;
    return lastLoggedInUserId();
}

bool QuorvelInternal::isBootstrapInProgress()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->_quorvelFlags.isBootstrapInProgress;
}

bool Quorvel::isOnline() { return QuorvelInternal::successfullyBootstrapped() && QVReachability::isConnectedToInternet(); }

void QuorvelInternal::bootstrapAttemptSucceeded(Object* attempt, Object* answer)
{
    if (Quorvel* q = sharedInstance())
        q->bootstrapSucceeded(attempt, answer);
}

void QuorvelInternal::bootstrapAttemptFailed(Object* attempt, Object* response)
{
    if (Quorvel* q = sharedInstance())
        q->bootstrapFailed(attempt, response);
}

bool Quorvel::isSuccessfullyBootstrapped() { return QuorvelInternal::successfullyBootstrapped(); }

bool QuorvelInternal::successfullyBootstrapped()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    return q && q->mSuccessfullyBootstrapped;
}

bool QuorvelInternal::hasBootstrapCompleted() { return bootstrapCompletedFlag(); }

void QuorvelInternal::invalidateBootstrap()
{
    bootstrapCompletedFlag() = false;
    // The client keeps no cookie store: the "_qv_session" cookie dies with the connection.
}

void QuorvelInternal::invokeAndClearBootstrapDelegates(std::vector<QVDelegate> delegates, Object* argument)
{
    if (Quorvel* q = QuorvelInternal::sharedInstance()) {
        q->mBootstrapSuccessDelegates.clear();
        q->mBootstrapFailureDelegates.clear();
    }
    for (auto& d : delegates)
        d.invoke(argument);
}

void Quorvel::bootstrapSucceeded(Object* attempt, Object*)
{
    if (attempt != mBootstrapAttempt.get())
        return;
    Ref<Quorvel> keep(this);
    mBootstrapAttempt = nullptr;
    mSuccessfullyBootstrapped = true;
    mForceCreateAccountOnBootstrap = false;
    mPendingDataSent = false;
    bootstrapCompletedFlag() = true;
    QuorvelInternal::invokeAndClearBootstrapDelegates(std::move(mBootstrapSuccessDelegates), nullptr);
    QuorvelInternal::switchToOnlineDashboard();
    if (mPushNotificationsEnabled) {
        using namespace platform::ui;
        Application::sharedApplication().registerForRemoteNotificationTypes(
            RemoteNotificationTypeBadge | RemoteNotificationTypeSound | RemoteNotificationTypeAlert);
    }

    if (QuorvelInternal::isDisabled()) {
        QuorvelInternal::_invokeLoggedInDelegate();
        if (_quorvelFlags.isConfirmAccountFlowActive)
            QuorvelInternal::dismissRootControllerOrItsModal();
        _quorvelFlags.isBootstrapInProgress = false;
        runQueuedLogin(lastLoggedInUserId());
        return;
    }
    // Chat messages and the other polled resources arrive from now on, with or
    // without a screen open; a poller already running (a chat room's) keeps its pace.
    if (mPoller && mPoller->getPollingFrequency() <= 0)
        mPoller->resetToDefaultPollingFrequency();
    if (!QuorvelInternal::doneWithGetTheMost() && !QVLinkSocialNetworksSeen::get()
        && !QuorvelInternal::isShowingFullScreen()) {
        if (Ref<ViewController> screen = QVControllerLoader::load("LinkSocialNetworks")) {
            // Marked here too: a game's own screen in its place may not mark it.
            QVLinkSocialNetworksSeen::set(true);
            _quorvelFlags.isConfirmAccountFlowActive = true;
            QuorvelInternal::presentRootControllerWithModal(introStack(screen.get()));
            // The offer holds back only the logged-in call: the account is settled,
            // so what the device kept goes out now, even if the player quits here.
            QuorvelInternal::sendPendingDataOnce();
        }
    }
    QuorvelInternal::_invokeLoggedInDelegate();
    _quorvelFlags.isBootstrapInProgress = false;
    runQueuedLogin(lastLoggedInUserId());
}

void Quorvel::bootstrapFailed(Object* attempt, Object* response)
{
    if (attempt != mBootstrapAttempt.get())
        return;
    Ref<Quorvel> keep(this);
    mBootstrapAttempt = nullptr;
    QuorvelInternal::loginWasAborted(isCertificateFailure(response));
    mForceCreateAccountOnBootstrap = false;
    QuorvelInternal::invokeAndClearBootstrapDelegates(std::move(mBootstrapFailureDelegates), nullptr);
    QuorvelInternal::_invokeLoggedInDelegate();
    _quorvelFlags.isBootstrapInProgress = false;
    runQueuedLogin({});
}

void Quorvel::runQueuedLogin(const std::string& loggedInUserId)
{
    // A waiting login of the player the finished bootstrap logged in is
    // answered by it; the first login of anyone else runs now, the rest wait
    // for its outcome in turn.
    while (!mQueuedLogins.empty() && !_quorvelFlags.isBootstrapInProgress) {
        QueuedLogin next = std::move(mQueuedLogins.front());
        mQueuedLogins.erase(mQueuedLogins.begin());
        if (!loggedInUserId.empty() && next.userId == loggedInUserId) {
            next.onSuccess.invoke(nullptr);
            continue;
        }
        QuorvelInternal::doBootstrap(false, next.userId, next.onSuccess, next.onFailure);
        return;
    }
}

void QuorvelInternal::_invokeLoggedInDelegate()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    if (q->_quorvelFlags.isConfirmAccountFlowActive) {
        q->_quorvelFlags.hasDeferredLoginDelegate = true;
        return;
    }
    QuorvelInternal::initializeGameCenter();
    QuorvelDelegate* delegate = QuorvelInternal::getDelegate();
    if (!delegate)
        return;
    if (isOnline())
        delegate->userLoggedIn(lastLoggedInUserId());
    else
        delegate->offlineUserLoggedIn(lastLoggedInUserId());
}

// ---- After the login: sessions, notices and the offline data

void QuorvelInternal::loginWasAborted(bool certificateFailure)
{
    if (certificateFailure) {
        platform::RunLoop::main().performAfter(3.0, [] { QuorvelInternal::showSSLNotification(); });
    }
    QuorvelInternal::incrementNumberOfGameSessions();
    if (QuorvelInternal::isUsingGameCenter()) {
        QuorvelInternal::initializeGameCenter();
        return;
    }
    std::string name = lastLoggedInUserName();
    std::string id = lastLoggedInUserId();
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

void QuorvelInternal::showSSLNotification() { showLoginNotice("Check your date & time settings.", 4, true); }

void QuorvelInternal::loginGameCenterCheck()
{
    QuorvelInternal::traceStep("loginGameCenterCheck");
    QuorvelInternal::incrementNumberOfOnlineGameSessions();
    QuorvelInternal::incrementNumberOfGameSessions();
    if (!QuorvelInternal::isUsingGameCenter() && isSuccessfullyBootstrapped())
        QuorvelInternal::loginShowNotifications();
    QuorvelInternal::sendPendingDataOnce();
    QuorvelInternal::traceStep("downloadAnnouncements");
    if (QVAnnouncementService::sharedService())
        QVAnnouncementService::downloadAnnouncements();
}

void QuorvelInternal::sendPendingDataOnce()
{
    // What was stored while offline goes out once per successful bootstrap:
    // later calls (a deferred logged-in call, a second Game Center step) send nothing.
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (q && q->mSuccessfullyBootstrapped && !q->mPendingDataSent) {
        q->mPendingDataSent = true;
        if (auto* offline = QVOfflineService::sharedService())
            offline->sendPendingData(lastLoggedInUserId());
    }
}

void QuorvelInternal::loginShowNotifications()
{
    QuorvelInternal::traceStep("loginShowNotifications");
    if (QuorvelInternal::isShowingFullScreen())
        return;
    std::string name = lastLoggedInUserName();
    auto hi = [&](int count, const char* what) {
        std::string text = platform::format("Hi %s! You have %u new %s%s.", name.c_str(), static_cast<unsigned>(count),
                                            what, count < 2 ? "" : "s");
        showLoginNotice(text, 4, false);
    };
    if (int n = QuorvelInternal::unviewedChallengesCount())
        hi(n, "challenge");
    else if (int n = QuorvelInternal::unreadInviteCount())
        hi(n, "invitation");
    else if (int n = QuorvelInternal::unreadInboxTotal())
        showLoginNotice(platform::format("Hi %s! You have %u unread conversation%s.", name.c_str(),
                                         static_cast<unsigned>(n), n < 2 ? "" : "s"),
                        4, false);
    else if (int n = QuorvelInternal::pendingFriendsCount())
        showLoginNotice(platform::format("Hi %s! You have %u pending friend%s.", name.c_str(), static_cast<unsigned>(n),
                                         n < 2 ? "" : "s"),
                        4, false);
    else
        showLoginNotice(platform::format("Welcome back, %s", name.c_str()), 4, false);
}

// ---- Approval

void QuorvelInternal::presentUserQuorvelApprovalModal(const QVDelegate& approved, const QVDelegate& denied)
{
    // An intro flow on screen (the question itself, or the account screens
    // that follow it) is left to finish.
    if (QVIntroFrame::active())
        return;
    if (QuorvelInternal::_hasUserApprovedQuorvel()) {
        approved.invoke(nullptr);
        return;
    }
    QuorvelDelegate* delegate = QuorvelInternal::getDelegate();
    if (!QuorvelInternal::isDashboardHubOpen() && delegate && delegate->showCustomQuorvelApprovalScreen().value_or(false))
        return; // the game asks with its own screen and answers through userDidApproveQuorvel
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
    if (QuorvelInternal::isDashboardHubOpen())
        QuorvelInternal::getRootController()->presentModalViewController(stack.get(), true);
    else
        QuorvelInternal::presentRootControllerWithModal(stack);
}

void Quorvel::userDidApproveQuorvel(bool approved, const QVDelegate& accountSetupComplete)
{
    if (!approved) {
        QuorvelInternal::initializeGameCenter();
        QuorvelInternal::setUserDeniedQuorvel();
        accountSetupComplete.invoke(nullptr);
        return;
    }
    QuorvelInternal::setUserApprovedQuorvel();
    QuorvelInternal::presentConfirmAccountModal(accountSetupComplete, false);
}

void QuorvelInternal::presentConfirmAccountModal(const QVDelegate& complete, bool useModalInDashboard)
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    Ref<ViewController> screen = QVControllerLoader::load("DoBootstrap");
    if (!screen) {
        // Without the account screen the device's own account logs in at once.
        QuorvelInternal::doBootstrap(false, lastLoggedInUserId(), complete, QVDelegate());
        return;
    }
    q->_quorvelFlags.isConfirmAccountFlowActive = true;
    requireCast<QVConfirmAccountScreen>(screen, "The account screen must tell when the account is set up")
        ->setCompleteDelegate(complete);
    if (QuorvelInternal::isShowingFullScreen() && !useModalInDashboard && QuorvelInternal::getActiveNavigationController())
        QuorvelInternal::getActiveNavigationController()->pushViewController(screen.get(), true);
    else if (!QuorvelInternal::getRootController())
        QuorvelInternal::presentRootControllerWithModal(introStack(screen.get()));
    else
        QuorvelInternal::getRootController()->presentModalViewController(introStack(screen.get()).get(), true);
}

void QuorvelInternal::dismissRootControllerOrItsModal()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q)
        return;
    if (QuorvelInternal::isShowingFullScreen()) {
        if (QuorvelInternal::getRootController()->modalViewController())
            QuorvelInternal::getRootController()->dismissModalViewControllerAnimated(true);
        else
            QuorvelInternal::dismissRootController();
    }
    if (q->_quorvelFlags.isConfirmAccountFlowActive) {
        q->_quorvelFlags.isConfirmAccountFlowActive = false;
        if (q->_quorvelFlags.hasDeferredLoginDelegate)
            QuorvelInternal::_invokeLoggedInDelegate();
    }
}

// ---- The login flow and the request layer's special answers

void QuorvelInternal::launchLoginFlowAndShowDashboard(bool showDashboard, QVActionRequest* request)
{
    Ref<QVActionRequest> keep(request);
    if (QuorvelInternal::isShowingFullScreen())
        QuorvelInternal::displayErrorMessage(kLoginFailedText);
    else if (!showDashboard && !QuorvelInternal::shouldAutomaticallyPromptLogin() && !(request && request->failedNotAuthorized()))
        QuorvelInternal::loginWasAborted(false);
    else
        showLoginNotice(kLoginFailedText, 3, true);
    // Whatever was shown, the request ends now with its failure callback.
    if (request)
        request->abandonInLightOfASeriousError();
}

void QuorvelInternal::launchLoginFlowForRequest(QVActionRequest* request)
{
    QuorvelInternal::launchLoginFlowAndShowDashboard(QuorvelInternal::isDashboardHubOpen(), request);
}

void QuorvelInternal::launchGetExtendedCredentialsFlowForRequest(QVActionRequest& request, const platform::Bytes& body,
                                                         Object* noticeUserData)
{
    Ref<QVActionRequest> keep(&request);
    Ref<QVXmlDocument> document = QVXmlDocument::xmlDocumentWithData(body);
    auto required = [&](const char* path) {
        return document && document->getElementValue(path) == "extended_credentials";
    };
    auto load = [&](const char* name) -> Ref<ViewController> {
        Ref<ViewController> screen = QVControllerLoader::load(name);
        if (!screen)
            return screen;
        auto* credential = requireCast<QVExtendedCredentialScreen>(screen, "A credential screen must take the request");
        credential->setRequestRequiringCredential(&request);
        if (noticeUserData)
            credential->setSocialNotification(noticeUserData);
        return screen;
    };
    Ref<ViewController> twitter;
    Ref<ViewController> facebook;
    if (required("errors.TwitterCredential"))
        twitter = load("TwitterExtendedCredential");
    if (required("errors.FbconnectCredential"))
        facebook = load("FacebookExtendedCredential");
    if (twitter && facebook) {
        // Twitter first; the Facebook screen retries the request afterwards.
        auto* credential = requireCast<QVExtendedCredentialScreen>(twitter, "A credential screen must take the request");
        credential->setRequestRequiringCredential(nullptr);
        credential->setNextController(facebook.get());
    }
    Ref<ViewController> first = twitter ? twitter : facebook;
    if (!first) {
        // No screen can get the credential: the request must still end.
        request.abandonInLightOfASeriousError();
        return;
    }
    QuorvelInternal::presentModalOverlay(first);
}

void QuorvelInternal::displayUpgradeRequiredErrorMessage(const platform::Bytes& body)
{
    if (!QuorvelInternal::isShowingFullScreen())
        return;
    Ref<QVXmlDocument> document = QVXmlDocument::xmlDocumentWithData(body);
    std::string format = document ? document->getElementValue("error_message") : std::string();
    auto screen = QVDeadEndErrorController::deadEndErrorWithMessage(QVFormatServerText(format, QuorvelInternal::applicationDisplayName()));
    if (auto* item = screen->navigationItem())
        item->setHidesBackButton(true);
    QuorvelInternal::displayErrorScreen(screen);
}

void QuorvelInternal::displayServerMaintenanceNotice(const platform::Bytes& body)
{
    if (!QuorvelInternal::isShowingFullScreen())
        return;
    QuorvelInternal::displayErrorScreen(QVServerMaintenanceNoticeController::maintenanceControllerWithHtmlData(body));
}

// ---- Logout

void Quorvel::logoutUser()
{
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q) {
        QVSessionRole::requireRunningClient("Quorvel::logoutUser");
        return;
    }
    Ref<Quorvel> keep(q);
    std::string userId = lastLoggedInUserId();
    // A bootstrap still running must not log the old player back in.
    if (auto* attempt = dynamic_cast<BootstrapAttempt*>(q->mBootstrapAttempt.get())) {
        attempt->cancelled = true;
        q->mBootstrapAttempt = nullptr;
        q->_quorvelFlags.isBootstrapInProgress = false;
        QuorvelInternal::invokeAndClearBootstrapDelegates(std::move(q->mBootstrapFailureDelegates), nullptr);
    }
    // Logins asked for before the logout are not carried past it.
    for (QueuedLogin& queued : std::exchange(q->mQueuedLogins, {}))
        queued.onFailure.invoke(nullptr);
    QuorvelInternal::setLocalUser(QVUser::invalidUser().get());
    if (q->mProvider)
        q->mProvider->destroyLocalCredentials();
    QuorvelInternal::setUserDeniedQuorvel();
    QuorvelInternal::switchToOfflineDashboard();
    q->mSuccessfullyBootstrapped = false;
    QuorvelInternal::invalidateBootstrap();
    QuorvelInternal::setDoneWithGetTheMost(false);
    QVLinkSocialNetworksSeen::set(false);
    if (QuorvelDelegate* delegate = QuorvelInternal::getDelegate())
        delegate->userLoggedOut(userId);
}

// ---- Reachability: the offline player logs in once the server answers

void Quorvel::gameServerReachabilityChanged(Object* status)
{
    // The status the monitor reported (0 unreachable, 1 WWAN, 2 WiFi): the
    // server that can be reached again logs the last player in, unless a
    // bootstrap runs already or the player never approved the service.
    auto* boxed = dynamic_cast<platform::Boxed*>(status);
    const bool reachable = boxed && boxed->value().asInteger() != platform::Reachability::NotReachable;
    Quorvel* q = QuorvelInternal::sharedInstance();
    if (!q || !reachable || q->_quorvelFlags.isBootstrapInProgress || !QuorvelInternal::_hasUserApprovedQuorvel())
        return;
    QuorvelInternal::doBootstrap(false, lastLoggedInUserId(), QVDelegate(), QVDelegate());
}

} // namespace quorvel
