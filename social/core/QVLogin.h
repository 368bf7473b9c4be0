// QVLogin: approval, bootstrap and login of the running client. A player who
// never answered the approval question is asked first; one who declined gets
// only the Game Center step. While a bootstrap runs, a further one sends
// nothing: its callers wait for the running one's outcome (a login of another
// player waits its turn). The outcome reaches the game as userLoggedIn or
// offlineUserLoggedIn, held back while the account screens are up, once for
// every way a launch or a login ends (a declined player hears none); the player
// hears a welcome or failure notice. A bootstrap has ended before its callers
// hear of it, so they may ask for the next login or log out. Logout cancels a
// running bootstrap, so that an answer arriving afterwards is neither applied
// nor reported.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"
#include "social/core/QVClientPart.h"
#include "social/runtime/QVDelegate.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVLogin final : public QVClientPart {
public:
    explicit QVLogin(Quorvel& client);
    ~QVLogin();

    // How many logouts this run has seen: what was asked before one is not shown after it.
    int logoutCount() const { return logouts_; }

    // The instance goes: the bootstrap's waiting callers are let go.
    void release();

    // ---- Bootstrap
    // The bootstrap entry. An empty user id means the device's account.
    void doBootstrap(bool forceCreateAccount, const std::string& userId, const QVDelegate& onSuccess,
                     const QVDelegate& onFailure);
    void doBootstrap(const QVDelegate& onSuccess, const QVDelegate& onFailure)
    {
        doBootstrap(false, {}, onSuccess, onFailure);
    }
    // A login the player asked for on an account form (credentials named, or
    // a new account): never answered by a login of another player. A
    // bootstrap on its way (a trigger's, for the last player) gives way: its
    // answer is neither applied nor reported, its callers hear failure, and
    // this one runs in its place; the game hears this one's player, once.
    void loginFromAccountForm(bool forceCreateAccount, const QVDelegate& onSuccess, const QVDelegate& onFailure);
    // A bootstrap that carries the device's push token: it starts whatever
    // runs already and has no callers of its own.
    void doBootstrapWithDeviceToken(const std::optional<platform::Bytes>& deviceToken, bool forceCreateAccount);
    void addBootstrapDelegates(const QVDelegate& onSuccess, const QVDelegate& onFailure);
    bool isBootstrapInProgress();
    // The user id of the running bootstrap, else the last logged-in user's.
    std::string bootstrapUserId();
    // A bootstrap succeeded in this run and its access token is still held
    // (a login of another account drops it before its own bootstrap).
    bool successfullyBootstrapped();
    // Logged in (above) and the server can be reached.
    bool isOnline();
    // A bootstrap succeeded in this process (outlives the instance; cleared by invalidateBootstrap).
    static bool hasBootstrapCompleted();
    static void invalidateBootstrap();
    // A bootstrap's answer; an answer of an attempt other than the running one (cancelled) is ignored.
    void bootstrapAttemptSucceeded(platform::Object* attempt, platform::Object* answer);
    void bootstrapAttemptFailed(platform::Object* attempt, platform::Object* response);

    // ---- Approval and the account screens
    void presentUserQuorvelApprovalModal(const QVDelegate& approved, const QVDelegate& denied);
    // The approval screens' answer (Quorvel::userDidApproveQuorvel).
    void userDidApproveQuorvel(bool approved, const QVDelegate& accountSetupComplete);
    void presentConfirmAccountModal(const QVDelegate& complete, bool useModalInDashboard);
    // Ends the approval, confirm-account and link-networks flows; runs a deferred logged-in call.
    void dismissRootControllerOrItsModal();
    // The dashboard that showed those flows has gone another way (the game
    // closed it): they are over, and the logged-in call they held back runs.
    void accountFlowClosed();

    // ---- After the login
    // The logged-in call to the game (held back while the account screens are
    // up); answers whether the client still runs afterwards.
    bool invokeLoggedInDelegate();
    // A failed login: the offline welcome or "not logged in" notice (a
    // certificate failure adds the clock notice 3 s later).
    void loginWasAborted(bool certificateFailure);
    static void showSSLNotification();
    // The login flow's steps after the Game Center sign-in.
    void loginGameCenterCheck();
    // Sends what the device kept offline (scores, achievements), once per successful bootstrap.
    void sendPendingDataOnce();
    void loginShowNotifications();
    // An in-game notice of the login flow (category 2): failure notices carry
    // the failure status icon, welcome notices the logo.
    static void showLoginNotice(const std::string& text, int type, bool failure);

    // Forgets the player's answer to the approval question, as if never
    // asked: the key goes, the invalid user becomes the local user and the
    // provider's stored credentials are destroyed.
    void _resetHasUserSetQuorvelAccess();

    // ---- Logout and the triggers of a login
    // Token, local user and presence channel go; the game hears userLoggedOut.
    void logoutUser();
    // A trigger (the game becoming active or coming to the foreground): the
    // player the client holds as last logs in, unless a login runs already
    // (a switch to another account among them: it is left to end as asked),
    // a login holds (the token) or the server cannot be reached. The events
    // of one return from the background thus make one login, told once.
    void loginOnTrigger();
    // The server can be reached again: a trigger as above, once the player
    // has approved the service. A logged-in player is not logged in again; what
    // the device kept while the network was gone is sent instead, once.
    void gameServerReachabilityChanged(platform::Object* status);
    // The service refused `token` on a request. When it is the one held, it is
    // forgotten and the last player logged in again with the game's key (the
    // game hears that login; what waits on the device goes after it). With a
    // login on its way it is only forgotten: that login ends the matter. A
    // token held no more changes nothing.
    void accessTokenRefused(const std::string& token);

private:
    // `askedAgainWithKey`: the attempt after one whose stored token the service refused.
    void startBootstrapAttempt(const std::optional<platform::Bytes>& deviceToken, bool forceCreateAccount,
                               const std::string& userId, bool askedAgainWithKey);
    // The running attempt went signed with the token kept on the device, and
    // the service refused it (401): the token is no login's any more.
    bool refusedTheStoredToken(platform::Object* response) const;
    void bootstrapSucceeded(platform::Object* attempt);
    void bootstrapFailed(platform::Object* attempt, platform::Object* response);
    // Stops the running bootstrap: its answer, when one comes, is neither
    // applied nor reported. Answers its callers' failure values, to be told.
    std::vector<QVDelegate> cancelRunningBootstrap();
    // `loggedInUserId`: the player the bootstrap that just ended logged in ("" after a failure).
    void runQueuedLogin(const std::string& loggedInUserId);
    // The invalid user becomes the local user and the provider's stored credentials go.
    void forgetLocalPlayer();
    void invokeAndClearBootstrapDelegates(std::vector<QVDelegate> delegates, platform::Object* argument);
    bool holdsAccessToken();

    std::vector<QVDelegate> mBootstrapSuccessDelegates;
    std::vector<QVDelegate> mBootstrapFailureDelegates;
    bool mForceCreateAccountOnBootstrap { false };
    bool mSuccessfullyBootstrapped { false };
    std::string bootstrapUserId_; // while a bootstrap runs
    std::optional<platform::Bytes> attemptDeviceToken_; // the running attempt's push token
    bool signedWithStoredToken_ { false }; // the running attempt went with the token kept on the device
    bool askedAgainWithKey_ { false }; // the running attempt follows a refused stored token
    // Logins of a player other than the one the running bootstrap was asked
    // for: once it ends, those of the player it logged in share its success;
    // the others run in turn and answer their own callers.
    struct QueuedLogin {
        std::string userId;
        QVDelegate onSuccess, onFailure;
    };
    std::vector<QueuedLogin> queuedLogins_;
    platform::Ref<platform::Object> bootstrapAttempt_; // the running bootstrap's callback target
    bool pendingDataSent_ { false }; // the offline data went out after the last successful bootstrap
    bool networkLostWhileLoggedIn_ { false }; // the network went while a login held; its return sends what waits
    bool isConfirmAccountFlowActive { false };
    // The game is owed its login call when the account screens close: the
    // call was held back meanwhile, or the confirm-account flow began (it
    // may end with no bootstrap at all). Cleared once the call is made.
    bool hasDeferredLoginDelegate { false };
    bool isBootstrapInProgress_ { false };
    int logouts_ { 0 }; // tells a bootstrap's end (and a screen about to show) whether the player logged out
    int callersOfEndedBootstraps_ { 0 }; // an ended bootstrap's callers are being told
};

} // namespace quorvel
