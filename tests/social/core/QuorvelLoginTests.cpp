// Approval, bootstrap and login against the stand-in: the approval question,
// the bootstrap guard and its outcomes, what the answer fills, the login
// notices, the request layer's 401/426/430/450 answers, logout and the
// offline login. The approval and account screens are recording fakes
// registered under the names the client loads.
#include "QuorvelTestSupport.h"

#include "platform/foundation/Keychain.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVDateFormatters.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVProvider.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVUser.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVDeadEndErrorController.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace core_testing;
using platform::Object;
using platform::Ref;
using Strings = std::vector<std::string>;

namespace {

// Counts the calls of its two callback methods.
class CallRecorder final : public Object {
public:
    static Ref<CallRecorder> create() { return platform::adoptRef(new CallRecorder); }
    void succeeded(Object*) { ++successes; }
    void failed(Object*) { ++failures; }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(CallRecorder, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(CallRecorder, failed)); }
    int successes { 0 };
    int failures { 0 };
};

class GameDelegate final : public QuorvelDelegate {
public:
    void userLoggedIn(const std::string& id) override { calls.push_back("userLoggedIn:" + id); }
    void offlineUserLoggedIn(const std::string& id) override { calls.push_back("offlineUserLoggedIn:" + id); }
    void userLoggedOut(const std::string& id) override { calls.push_back("userLoggedOut:" + id); }
    Strings calls;
};

// The fakes of the screens.
class FakeApprovalScreen final : public platform::ui::ViewController, public QVApprovalScreen {
public:
    static Ref<Object> make() { return platform::adoptRef(new FakeApprovalScreen); }
    void setApprovedDelegate(const QVDelegate& a, const QVDelegate& d) override
    {
        approved = a;
        denied = d;
        ++setterCalls;
    }
    QVDelegate approved, denied;
    int setterCalls { 0 };
};

class FakeConfirmAccountScreen final : public platform::ui::ViewController, public QVConfirmAccountScreen {
public:
    static Ref<Object> make() { return platform::adoptRef(new FakeConfirmAccountScreen); }
    void setCompleteDelegate(const QVDelegate& d) override { complete = d; }
    // What the real screen does when the player confirms: bootstrap, then end the flow.
    void confirm() { Quorvel::doBootstrap(false, {}, QVDelegate(this, BRISKO_SELECTOR(FakeConfirmAccountScreen, done)), {}); }
    void done(Object*)
    {
        complete.invoke(nullptr);
        Quorvel::dismissRootControllerOrItsModal();
    }
    QVDelegate complete;
};

class FakeCredentialScreen final : public platform::ui::ViewController, public QVExtendedCredentialScreen {
public:
    static Ref<Object> make() { return platform::adoptRef(new FakeCredentialScreen); }
    void setRequestRequiringCredential(QVActionRequest* r) override { request = Ref<QVActionRequest>(r); }
    void setSocialNotification(Object* n) override { notification = Ref<Object>(n); }
    void setNextController(platform::ui::ViewController* n) override { next = Ref<platform::ui::ViewController>(n); }
    Ref<QVActionRequest> request;
    Ref<Object> notification;
    Ref<platform::ui::ViewController> next;
};

class LoginTest : public QuorvelTest {
protected:
    static constexpr const char* kFakedScreens[] = { "QVUserQuorvelApprovalController", "QVDoBootstrapController",
                                                     "QVTwitterExtendedCredentialController",
                                                     "QVFacebookExtendedCredentialController",
                                                     "QVLinkSocialNetworksController" };
    void SetUp() override
    {
        QuorvelTest::SetUp();
        // The real screens come back after the test.
        for (auto* name : kFakedScreens)
            realScreens_.emplace_back(name, QVClassRegistry::classNamed(name));
        QVClassRegistry::registerClass("QVUserQuorvelApprovalController", &FakeApprovalScreen::make);
        QVClassRegistry::registerClass("QVDoBootstrapController", &FakeConfirmAccountScreen::make);
        QVClassRegistry::registerClass("QVTwitterExtendedCredentialController", &FakeCredentialScreen::make);
        QVClassRegistry::registerClass("QVFacebookExtendedCredentialController", &FakeCredentialScreen::make);
        Quorvel::setNoticeObserver([this](const Quorvel::BackgroundNotice& n) { notices.push_back(n.text); });
        delegates->setQuorvelDelegate(&game);
        // The player has seen the link-networks offer: the login ends without another screen.
        Quorvel::setDoneWithGetTheMost(true);
    }
    void TearDown() override
    {
        Quorvel::setNoticeObserver(nullptr);
        for (auto& [name, factory] : realScreens_) {
            if (factory)
                QVClassRegistry::registerClass(name, factory);
            else
                QVClassRegistry::unregisterClass(name);
        }
        QuorvelTest::TearDown();
    }
    void start() { startClient({}, delegates.get()); }
    void startApprovedAndLogIn()
    {
        Quorvel::setUserApprovedQuorvel();
        start();
        ASSERT_TRUE(waitFor([] { return Quorvel::successfullyBootstrapped(); }));
    }
    void answerBootstrapCompletely()
    {
        server.route("POST", "bootstrap.xml", [this](const standin::LoggedRequest&) {
            server.addToken("token-9", "secret-9");
            return standin::Answer::xml(standin::StandInServer::completeBootstrapAnswer("token-9", "secret-9"));
        });
    }
    // A bundle settings file whose "server-url" is `url`.
    void pointClientAt(const std::string& url)
    {
        bundle.write("quorvel_internal_settings.xml",
                     "<quorvel_internal_settings><environment-release><config><server-url>" + url
                         + "</server-url></config></environment-release></quorvel_internal_settings>");
    }
    std::optional<std::string> storedToken() { return platform::Keychain::get(QVProvider::kKeychainService, "access_token"); }

    GameDelegate game;
    Ref<QVDelegatesContainer> delegates = QVDelegatesContainer::create();
    Strings notices;

private:
    std::vector<std::pair<std::string, QVClassRegistry::Factory>> realScreens_;
};

template <typename T>
T* topScreen()
{
    auto screens = Quorvel::presentedScreens();
    return screens.empty() ? nullptr : dynamic_cast<T*>(screens.back().get());
}

TEST_F(LoginTest, FirstLaunchAsksForApprovalAndADeclineSendsNothing)
{
    start();
    auto* approval = topScreen<FakeApprovalScreen>();
    ASSERT_NE(approval, nullptr);
    EXPECT_EQ(approval->setterCalls, 1);
    // Another bootstrap while the question is up asks nothing twice.
    Quorvel::doBootstrap({}, {});
    EXPECT_EQ(Quorvel::presentedScreens().size(), 1u);

    auto done = CallRecorder::create();
    Quorvel::userDidApproveQuorvel(false, done->onSuccess());
    EXPECT_EQ(done->successes, 1);
    EXPECT_FALSE(Quorvel::hasUserApprovedQuorvel());
    EXPECT_TRUE(Quorvel::hasUserSetQuorvelAccess());
    // A declined player gets no bootstrap, however often one is asked for.
    Quorvel::doBootstrap({}, {});
    advance(1.0);
    loop().runUntil([] { return false; }, 0.2);
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty());
    EXPECT_FALSE(Quorvel::isBootstrapInProgress());
}

TEST_F(LoginTest, ApprovalConfirmsTheAccountThenLogsInOnceWithTheWelcomeNotice)
{
    answerBootstrapCompletely();
    start();
    ASSERT_NE(topScreen<FakeApprovalScreen>(), nullptr);
    auto done = CallRecorder::create();
    Quorvel::userDidApproveQuorvel(true, done->onSuccess());
    EXPECT_TRUE(Quorvel::hasUserApprovedQuorvel());
    auto* confirm = topScreen<FakeConfirmAccountScreen>();
    ASSERT_NE(confirm, nullptr);
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty()); // nothing before the player confirms

    confirm->confirm();
    ASSERT_TRUE(waitFor([&] { return done->successes == 1; }));
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 1u);
    EXPECT_EQ(storedToken(), "token-9");
    EXPECT_FALSE(Quorvel::isShowingFullScreen());
    // The logged-in call waited for the account screen to close, and came once.
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17" }));
    // One challenge and six invitations pending: the challenge comes first, singular.
    EXPECT_EQ(notices, (Strings { "Hi Player! You have 1 new challenge." }));
}

TEST_F(LoginTest, TheLinkNetworksOfferDefersTheLoggedInCallUntilItCloses)
{
    QVClassRegistry::registerClass("QVLinkSocialNetworksController",
                                   [] { return Ref<Object>(platform::ui::ViewController::controller()); });
    Quorvel::setDoneWithGetTheMost(false);
    startApprovedAndLogIn();
    EXPECT_EQ(Quorvel::presentedScreens().size(), 1u);
    EXPECT_TRUE(game.calls.empty());
    Quorvel::dismissRootControllerOrItsModal();
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17" }));

    // Once per session: the next login goes straight through.
    auto call = CallRecorder::create();
    Quorvel::doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->successes == 1; }));
    EXPECT_FALSE(Quorvel::isShowingFullScreen());
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17", "userLoggedIn:17" }));
}

TEST_F(LoginTest, TheCompleteAnswerFillsEverySetting)
{
    answerBootstrapCompletely();
    startApprovedAndLogIn();
    EXPECT_EQ(Quorvel::getPollingFrequencyDefault(), 45);
    EXPECT_EQ(Quorvel::getPollingFrequencyInChat(), 4);
    EXPECT_EQ(storedToken(), "token-9");
    EXPECT_EQ(platform::Keychain::get(QVProvider::kKeychainService, "access_token_secret"), "secret-9");
    EXPECT_TRUE(Quorvel::lastLoggedInUserHasSetName());
    EXPECT_TRUE(Quorvel::loggedInUserHasChatEnabled());
    EXPECT_TRUE(Quorvel::lastLoggedInUserHadFriendsOnBootup());
    EXPECT_FALSE(Quorvel::loggedInUserHasHttpBasicCredential());
    EXPECT_TRUE(Quorvel::loggedInUserHasFbconnectCredential());
    EXPECT_FALSE(Quorvel::loggedInUserHasTwitterCredential());
    EXPECT_TRUE(Quorvel::loggedInUserHasNonDeviceCredential());
    EXPECT_TRUE(Quorvel::loggedInUserIsNewUser());
    EXPECT_EQ(Quorvel::clientApplicationId(), "321");
    EXPECT_EQ(Quorvel::clientApplicationIconUrl(), "http://127.0.0.1/icon.png");
    EXPECT_EQ(Quorvel::unviewedChallengesCount(), 1);
    EXPECT_EQ(Quorvel::pendingFriendsCount(), 2);
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "17");
    EXPECT_EQ(Quorvel::lastLoggedInUserName(), "Player");
    EXPECT_EQ(Quorvel::suggestionsForumId().asString(), "55");
    EXPECT_EQ(Quorvel::initialDashboardScreen(), "leaderboards");
    EXPECT_EQ(Quorvel::initialDashboardModalContentURL().asString(), "http://127.0.0.1/modal");
    EXPECT_TRUE(Quorvel::loggedInUserSharesOnlineStatus());
    EXPECT_EQ(Quorvel::unreadIMCount(), 3);
    EXPECT_EQ(Quorvel::unreadPostCount(), 5);
    EXPECT_EQ(Quorvel::unreadInviteCount(), 6);
    EXPECT_EQ(Quorvel::userDistanceUnit(), 2);
    EXPECT_TRUE(Quorvel::hasBootstrapCompleted());
    // The request signed with the product key only, and the next one with the new token.
    EXPECT_EQ(requestsTo("bootstrap.xml")[0].oauthToken, "");
}

TEST_F(LoginTest, TwoBootstrapsAtOnceSendOneRequestAndAnswerBothCallers)
{
    Quorvel::setUserApprovedQuorvel();
    server.script("POST", "bootstrap.xml", [] {
        standin::Answer a = standin::Answer::xml("<error/>", 500);
        return a;
    }());
    start(); // the start-up's bootstrap is running
    auto first = CallRecorder::create();
    auto second = CallRecorder::create();
    Quorvel::doBootstrap(first->onSuccess(), first->onFailure());
    Quorvel::doBootstrap(second->onSuccess(), second->onFailure());
    ASSERT_TRUE(waitFor([&] { return first->failures + second->failures == 2; }));
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 1u);
    EXPECT_EQ(first->successes + second->successes, 0);

    // The next two share the next (successful) request.
    Quorvel::doBootstrap(first->onSuccess(), first->onFailure());
    Quorvel::doBootstrap(second->onSuccess(), second->onFailure());
    ASSERT_TRUE(waitFor([&] { return first->successes + second->successes == 2; }));
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 2u);
    EXPECT_EQ(first->failures, 1);
}

TEST_F(LoginTest, AFailedBootstrapTakesTheFailurePathAndTheNextOneCanRun)
{
    Quorvel::setUserApprovedQuorvel();
    for (int status : { 500, 401 })
        server.script("POST", "bootstrap.xml", standin::Answer::xml("<error/>", status));
    start();
    ASSERT_TRUE(waitForBootstrapRequests(1));
    // Nobody logged in yet: the game hears of an offline player, the notice says so.
    EXPECT_FALSE(Quorvel::successfullyBootstrapped());
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:0" }));
    EXPECT_EQ(notices, (Strings { "Not Logged In To Quorvel" }));

    auto call = CallRecorder::create();
    Quorvel::doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    EXPECT_FALSE(Quorvel::isBootstrapInProgress());
    EXPECT_FALSE(storedToken());

    Quorvel::doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->successes == 1; }));
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 3u);
    EXPECT_EQ(game.calls.back(), "userLoggedIn:17");
}

TEST_F(LoginTest, RefusedAndSecureConnectionFailuresEndInTheFailurePath)
{
    Quorvel::setUserApprovedQuorvel();
    // TLS spoken to a plain HTTP server: the handshake fails.
    pointClientAt("https://127.0.0.1:" + std::to_string(server.port()) + "/");
    auto call = CallRecorder::create();
    start();
    Quorvel::addBootstrapDelegates(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    EXPECT_FALSE(Quorvel::isBootstrapInProgress());
    EXPECT_EQ(notices, (Strings { "Not Logged In To Quorvel" }));
    advance(2.9);
    EXPECT_EQ(notices.size(), 1u);
    advance(0.2);
    EXPECT_EQ(notices.back(), "Check your date & time settings.");

    // A refused connection: the failure path again, without the date notice.
    standin::StandInServer closed;
    int port = closed.start();
    closed.stop();
    Quorvel::provider()->setServerUrl("http://127.0.0.1:" + std::to_string(port) + "/");
    notices.clear();
    Quorvel::doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->failures == 2; }));
    advance(5.0);
    EXPECT_EQ(notices, (Strings { "Not Logged In To Quorvel" }));
    EXPECT_EQ(call->successes, 0);
}

TEST_F(LoginTest, LogoutClearsTheSessionAndTellsTheGameWhoLeft)
{
    startApprovedAndLogIn();
    ASSERT_TRUE(storedToken());
    Quorvel::logoutUser();
    EXPECT_FALSE(storedToken());
    EXPECT_FALSE(Quorvel::provider()->isAuthenticated());
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), QVUser::invalidUser()->userId());
    EXPECT_FALSE(Quorvel::successfullyBootstrapped());
    EXPECT_FALSE(Quorvel::hasBootstrapCompleted());
    EXPECT_FALSE(Quorvel::hasUserApprovedQuorvel());
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17", "userLoggedOut:17" }));
    // Logged out means declined: no bootstrap until the player approves again.
    Quorvel::doBootstrap({}, {});
    EXPECT_FALSE(Quorvel::isBootstrapInProgress());
}

TEST_F(LoginTest, ALoginDownloadsTheAnnouncementsSinceTheLastReadOne)
{
    startApprovedAndLogIn();
    std::string path = "client_applications/" + Quorvel::clientApplicationId() + "/forums/announcements.xml";
    ASSERT_TRUE(waitFor([&] { return !requestsTo(path).empty(); })) << path;
    EXPECT_EQ(requestsTo(path)[0].param("since"), httpFormatter().format(Quorvel::lastAnnouncementDateForLocalUser()));
}

TEST_F(LoginTest, ALogoutDuringABootstrapDropsItsAnswer)
{
    startApprovedAndLogIn();
    standin::Answer held = standin::Answer::xml(standin::StandInServer::completeBootstrapAnswer("token-9", "secret-9"));
    held.hold = true;
    server.script("POST", "bootstrap.xml", held);
    auto call = CallRecorder::create();
    Quorvel::doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return requestsTo("bootstrap.xml").size() == 2; }));

    Quorvel::logoutUser();
    EXPECT_EQ(call->failures, 1); // the caller hears at once that its login will not come
    server.releaseHeld();
    ASSERT_TRUE(waitFor([] { return Quorvel::provider()->pendingRequestCount() == 0; }));
    loop().runUntil([] { return false; }, 0.2);
    EXPECT_EQ(call->successes, 0);
    EXPECT_FALSE(storedToken());
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), QVUser::invalidUser()->userId());
    EXPECT_FALSE(Quorvel::successfullyBootstrapped());
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17", "userLoggedOut:17" }));
}

TEST_F(LoginTest, OfflineStartLogsTheLastPlayerInAndSyncsOnceTheServerAnswers)
{
    startApprovedAndLogIn();
    Quorvel::shutdown();
    game.calls.clear();
    notices.clear();

    standin::StandInServer closed;
    int port = closed.start();
    closed.stop();
    pointClientAt("http://127.0.0.1:" + std::to_string(port) + "/");
    reloadUserDefaults();
    start();
    ASSERT_TRUE(waitFor([] { return !Quorvel::isBootstrapInProgress(); }));
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:17" }));
    EXPECT_EQ(notices, (Strings { "Welcome back, Player, you are OFFLINE" }));

    Strings sent;
    auto previous = QVOfflineService::hooks().sendPendingHighScores;
    QVOfflineService::hooks().sendPendingHighScores = [&](const std::string& id) { sent.push_back(id); };
    // The server answers again: one bootstrap, the pending data once, however often reachability says so.
    Quorvel::provider()->setServerUrl(server.baseUrl());
    Quorvel::gameServerReachabilityChanged(nullptr);
    Quorvel::gameServerReachabilityChanged(nullptr);
    ASSERT_TRUE(waitFor([] { return Quorvel::successfullyBootstrapped(); }));
    Quorvel::gameServerReachabilityChanged(nullptr);
    Quorvel::loginGameCenterCheck();
    QVOfflineService::hooks().sendPendingHighScores = previous;
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 2u);
    EXPECT_EQ(sent, (Strings { "17" }));
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:17", "userLoggedIn:17" }));
}

// ---- The request layer's answers that reach the login code

class RequestAnswerTest : public LoginTest {
protected:
    void SetUp() override
    {
        LoginTest::SetUp();
        // The login's announcement download must not fail into an error screen of its own.
        server.route("GET", "client_applications/1/forums/announcements.xml",
                     standin::Answer::xml("<resources/>"));
        startApprovedAndLogIn();
        Quorvel::stopPolling(); // no poll's error screen may take the place of the one under test
        notices.clear();
        // A dashboard stack is up, so error screens may show.
        Quorvel::presentRootControllerWithModal(
            platform::ui::NavigationController::withRootViewController(platform::ui::ViewController::controller().get()));
        advance(0.5); // the root's show transition
    }
    Ref<CallRecorder> send(const std::string& path, bool requiresLogin = false)
    {
        auto call = CallRecorder::create();
        auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
        Quorvel::provider()->performAction(path, params.get(), "GET", call->onSuccess(), call->onFailure(), 0, nullptr,
                                           requiresLogin);
        return call;
    }
};

TEST_F(RequestAnswerTest, UpgradeAndMaintenanceShowTheirScreenAndStillFailTheRequest)
{
    server.route("GET", "upgrade.xml", standin::Answer::xml("<error_message>Update %@ now</error_message>", 426));
    auto call = send("upgrade.xml");
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    advance(0.1); // error screens are pushed a moment later
    auto* upgrade = topScreen<QVDeadEndErrorController>();
    ASSERT_NE(upgrade, nullptr);
    EXPECT_EQ(upgrade->message(), "Update Brisko now");
    advance(0.5);
    Quorvel::getActiveNavigationController()->popViewControllerAnimated(false); // error screens never stack

    server.route("GET", "maintenance.xml", standin::Answer::xml("<html>Back soon</html>", 450));
    call = send("maintenance.xml");
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    advance(0.1);
    EXPECT_NE(topScreen<QVServerMaintenanceNoticeController>(), nullptr);
    EXPECT_EQ(call->successes, 0);

    // Without a full-screen screen nothing is shown, and the request fails all the same.
    Quorvel::dismissRootController();
    call = send("upgrade.xml");
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    EXPECT_FALSE(Quorvel::isShowingFullScreen());
}

TEST_F(RequestAnswerTest, ExtendedCredentialsShowTwitterThenFacebookAndKeepTheRequestForTheLast)
{
    server.route("GET", "post.xml",
                 standin::Answer::xml("<errors><TwitterCredential>extended_credentials</TwitterCredential>"
                                      "<FbconnectCredential>extended_credentials</FbconnectCredential></errors>",
                                      430));
    // A screen offered while another shows waits for its close: start with none.
    Quorvel::dismissRootController();
    advance(0.5);
    auto call = send("post.xml");
    ASSERT_TRUE(waitFor([] { return topScreen<FakeCredentialScreen>() != nullptr; }));
    auto* twitter = topScreen<FakeCredentialScreen>();
    auto* facebook = dynamic_cast<FakeCredentialScreen*>(twitter->next.get());
    ASSERT_NE(facebook, nullptr);
    EXPECT_FALSE(twitter->request);
    ASSERT_TRUE(facebook->request);
    EXPECT_EQ(call->failures + call->successes, 0); // the flow decides
    facebook->request->abandonInLightOfASeriousError();
    EXPECT_EQ(call->failures, 1);

    // A 430 no screen can handle still ends the request.
    server.route("GET", "other.xml", standin::Answer::xml("<errors><Other>extended_credentials</Other></errors>", 430));
    call = send("other.xml");
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
}

TEST_F(RequestAnswerTest, ARequestNeedingALoginShowsTheErrorScreenOrTheNoticeAndFails)
{
    Quorvel::provider()->setAccessToken({}, {});
    auto call = send("friends.xml", true);
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    advance(0.1);
    auto* error = topScreen<QVDeadEndErrorController>();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->message(), "Unable to login to Quorvel. Restart to try again.");

    Quorvel::dismissRootController();
    Quorvel::launchLoginFlowToDashboard();
    EXPECT_EQ(notices, (Strings { "Unable to login to Quorvel. Restart to try again." }));
    EXPECT_TRUE(requestsTo("friends.xml").empty());
}

} // namespace
