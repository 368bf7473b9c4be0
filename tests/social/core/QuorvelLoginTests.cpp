// Approval, bootstrap and login against the stand-in: the approval question,
// the bootstrap guard and its outcomes, what the answer fills, the login
// notices, the request layer's 401/426/430/450 answers, logout and the
// offline login. The approval and account screens are recording fakes
// registered under the names the client loads.
#include "QuorvelTestSupport.h"

#include "platform/device/Application.h"
#include "platform/foundation/Keychain.h"
#include "platform/foundation/Log.h"
#include "social/runtime/QVReachability.h"
#include "platform/net/Reachability.h"
#include "platform/foundation/Boxed.h"
#include "platform/ui/NavigationController.h"
#include "social/core/QuorvelLoginScreens.h"
#include "social/dashboard/account/QVAccountClasses.h"
#include "social/dashboard/account/QVLinkSocialNetworksController.h"
#include "social/runtime/QVActionRequest.h"
#include "social/runtime/QVDateFormatters.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "social/runtime/QVPoller.h"
#include "social/runtime/QVProvider.h"
#include "social/runtime/QVSqlQuery.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVLeaderboard_Sync.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVUser.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVDeadEndErrorController.h"
#include "social/ui/QVServerMaintenanceNoticeController.h"
#include "support/ClassRegistryOverride.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

using namespace quorvel;
using namespace core_testing;
using platform::Object;
using platform::Ref;
using Strings = std::vector<std::string>;
using testing_support::ClassRegistryOverride;

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

// A caller that acts on the client from inside its callbacks, as a game may.
class ActingCaller final : public Object {
public:
    static Ref<ActingCaller> create() { return platform::adoptRef(new ActingCaller); }
    void succeeded(Object*)
    {
        ++successes;
        if (auto act = std::exchange(onSuccessDo, nullptr))
            act();
    }
    void failed(Object*)
    {
        ++failures;
        if (auto act = std::exchange(onFailureDo, nullptr))
            act();
    }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(ActingCaller, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(ActingCaller, failed)); }
    std::function<void()> onSuccessDo, onFailureDo;
    int successes { 0 };
    int failures { 0 };
};

class GameDelegate final : public QuorvelDelegate {
public:
    void userLoggedIn(const std::string& id) override { calls.push_back("userLoggedIn:" + id); }
    void offlineUserLoggedIn(const std::string& id) override { calls.push_back("offlineUserLoggedIn:" + id); }
    void userLoggedOut(const std::string& id) override { calls.push_back("userLoggedOut:" + id); }
    std::optional<bool> showCustomQuorvelApprovalScreen() override
    {
        if (!onApprovalAsked)
            return std::nullopt;
        calls.push_back("showCustomQuorvelApprovalScreen");
        return onApprovalAsked();
    }
    Strings calls;
    std::function<std::optional<bool>()> onApprovalAsked;
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
    void confirm() { QuorvelInternal::login().doBootstrap(false, {}, QVDelegate(this, BRISKO_SELECTOR(FakeConfirmAccountScreen, done)), {}); }
    void done(Object*)
    {
        complete.invoke(nullptr);
        QuorvelInternal::login().dismissRootControllerOrItsModal();
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

// A game's own approval screen, which the client knows nothing of; counts how often it is made.
int gPlainApprovalsMade = 0;
Ref<Object> makePlainApproval()
{
    ++gPlainApprovalsMade;
    return Ref<Object>(platform::ui::ViewController::controller());
}

class LoginTest : public QuorvelTest {
protected:
    void SetUp() override
    {
        QuorvelTest::SetUp();
        screens.emplace_back(std::make_unique<ClassRegistryOverride>("QVUserQuorvelApprovalController", &FakeApprovalScreen::make));
        screens.emplace_back(std::make_unique<ClassRegistryOverride>("QVDoBootstrapController", &FakeConfirmAccountScreen::make));
        for (auto* name : { "QVTwitterExtendedCredentialController", "QVFacebookExtendedCredentialController" })
            screens.emplace_back(std::make_unique<ClassRegistryOverride>(name, &FakeCredentialScreen::make));
        Quorvel::setNoticeObserver([this](const Quorvel::BackgroundNotice& n) { notices.push_back(n.text); });
        delegates->setQuorvelDelegate(&game);
        // The player has seen the link-networks offer: the login ends without another screen.
        QuorvelInternal::options().setDoneWithGetTheMost(true);
    }
    void TearDown() override
    {
        Quorvel::setNoticeObserver(nullptr);
        screens.clear();
        QuorvelTest::TearDown();
        // A monitor a test moved by hand goes, however the test ended.
        QVReachability::setDefaultSource(nullptr);
    }
    // A reachability monitor the test moves by hand, watched by the next start-up.
    Ref<platform::ManualReachability> manualReachability(platform::Reachability::Status status)
    {
        auto monitor = platform::ManualReachability::create(status);
        QVReachability::setDefaultSource(Ref<platform::Reachability>(monitor.get()));
        return monitor;
    }
    void start() { startClient({}, delegates.get()); }
    // The fake screens stand in for the real ones while the test runs.
    std::vector<std::unique_ptr<ClassRegistryOverride>> screens;
    void startApprovedAndLogIn()
    {
        QuorvelInternal::options().setUserApprovedQuorvel();
        start();
        ASSERT_TRUE(waitFor([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
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
};

template <typename T>
T* topScreen()
{
    auto screens = QuorvelInternal::presenter().presentedScreens();
    return screens.empty() ? nullptr : dynamic_cast<T*>(screens.back().get());
}

TEST_F(LoginTest, FirstLaunchAsksForApprovalAndADeclineSendsNothing)
{
    start();
    auto* approval = topScreen<FakeApprovalScreen>();
    ASSERT_NE(approval, nullptr);
    EXPECT_EQ(approval->setterCalls, 1);
    // Another bootstrap while the question is up asks nothing twice.
    QuorvelInternal::login().doBootstrap({}, {});
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens().size(), 1u);

    auto done = CallRecorder::create();
    Quorvel::userDidApproveQuorvel(false, done->onSuccess());
    EXPECT_EQ(done->successes, 1);
    EXPECT_FALSE(Quorvel::hasUserApprovedQuorvel());
    EXPECT_TRUE(QuorvelInternal::options().hasUserSetQuorvelAccess());
    // A declined player gets no bootstrap, however often one is asked for.
    QuorvelInternal::login().doBootstrap({}, {});
    advance(1.0);
    settleNetwork();
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty());
    EXPECT_FALSE(QuorvelInternal::login().isBootstrapInProgress());
}

// A game asked for its own approval screen at the first launch may quit
// there and then: the start-up ends with the client it shut down.
TEST_F(LoginTest, AShutDownWhenAskedForTheGamesApprovalScreenEndsTheStartUp)
{
    game.onApprovalAsked = [] {
        Quorvel::shutdown();
        return std::optional<bool>(false);
    };
    start();
    EXPECT_EQ(QuorvelInternal::sharedInstance(), nullptr);
    EXPECT_EQ(game.calls, (Strings { "showCustomQuorvelApprovalScreen" }));
    EXPECT_TRUE(QuorvelInternal::presenter().presentedScreens().empty());
    advance(1.0);
    settleNetwork();
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty());

    // The next launch asks again, and the client's own question shows.
    game.onApprovalAsked = [] { return std::optional<bool>(false); };
    start();
    EXPECT_NE(topScreen<FakeApprovalScreen>(), nullptr);
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
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    // The logged-in call waited for the account screen to close, and came once.
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17" }));
    // One challenge and six invitations pending: the challenge comes first, singular.
    EXPECT_EQ(notices, (Strings { "Hi Player! You have 1 new challenge." }));
}

TEST_F(LoginTest, EverySuccessfulBootstrapRegistersForRemoteNotificationsWhenTheGameAsks)
{
    auto& application = platform::ui::Application::sharedApplication();
    application.reset();
    startApprovedAndLogIn();
    EXPECT_EQ(application.remoteNotificationRegistrations(), 0) << "the game did not ask";
    Quorvel::shutdown();

    QuorvelSettingsDictionary settings;
    settings.values.set("EnablePushNotifications", true);
    startClient(settings, delegates.get());
    ASSERT_TRUE(waitFor([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    EXPECT_EQ(application.remoteNotificationRegistrations(), 1);
    using namespace platform::ui;
    EXPECT_EQ(application.registeredRemoteNotificationTypes(),
              unsigned(RemoteNotificationTypeBadge | RemoteNotificationTypeSound | RemoteNotificationTypeAlert));
    application.reset();
}

TEST_F(LoginTest, ABootstrapWithTheDeviceTokenCarriesItAndTheGameFlagsComeFromTheProfile)
{
    server.route("POST", "bootstrap.xml", [this](const standin::LoggedRequest&) {
        server.addToken("token-9", "secret-9");
        std::string answer = standin::StandInServer::completeBootstrapAnswer("token-9", "secret-9");
        const std::string profile = "<game_profile_page_info><name>Brisko</name>";
        answer.replace(answer.find(profile), profile.size(),
                       profile + "<has_challenges>true</has_challenges><has_achievements>true</has_achievements>");
        return standin::Answer::xml(answer);
    });
    startApprovedAndLogIn();
    EXPECT_TRUE(QuorvelInternal::records().appHasChallenges());
    EXPECT_TRUE(QuorvelInternal::records().appHasAchievements());
    EXPECT_FALSE(QuorvelInternal::records().appHasLeaderboards());
    EXPECT_FALSE(QuorvelInternal::records().appHasFeaturedApplication());

    QuorvelInternal::login().doBootstrapWithDeviceToken(platform::Bytes { 0xab, 0x01 }, false);
    ASSERT_TRUE(waitForBootstrapRequests(2));
    EXPECT_EQ(requestsTo("bootstrap.xml").back().param("device_token"), "ab01");
    ASSERT_TRUE(waitFor([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    EXPECT_TRUE(QuorvelInternal::login().successfullyBootstrapped());
}

TEST_F(LoginTest, TheLinkNetworksOfferDefersTheLoggedInCallUntilItCloses)
{
    ClassRegistryOverride linkNetworks("QVLinkSocialNetworksController",
                                       [] { return Ref<Object>(platform::ui::ViewController::controller()); });
    QuorvelInternal::options().setDoneWithGetTheMost(false);
    startApprovedAndLogIn();
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens().size(), 1u);
    EXPECT_TRUE(game.calls.empty());
    QuorvelInternal::login().dismissRootControllerOrItsModal();
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17" }));

    // Once per session: the next login goes straight through.
    auto call = CallRecorder::create();
    QuorvelInternal::login().doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->successes == 1; }));
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17", "userLoggedIn:17" }));
}

TEST_F(LoginTest, TheLinkNetworksScreenSeenFromTheSettingsIsNotOfferedAgainUntilALogout)
{
    QVRegisterAccountClasses();
    Ref<Object> made = QVClassRegistry::create("QVLinkSocialNetworksController");
    auto* real = dynamic_cast<QVLinkSocialNetworksController*>(made.get());
    ASSERT_TRUE(real && real->init());
    ClassRegistryOverride linkNetworks("QVLinkSocialNetworksController",
                                       [] { return Ref<Object>(platform::ui::ViewController::controller()); });
    QuorvelInternal::options().setDoneWithGetTheMost(false);
    startApprovedAndLogIn();
    ASSERT_EQ(QuorvelInternal::presenter().presentedScreens().size(), 1u) << "offered after the first login";
    QuorvelInternal::login().dismissRootControllerOrItsModal();
    ASSERT_TRUE(waitFor([this] {
        advance(0.1);
        return !QuorvelInternal::presenter().getRootController();
    }));
    Quorvel::logoutUser();

    // Switching players from the settings shows the screen; the player leaves it without Continue.
    real->view();
    real->notifyViewDidAppear(false);
    QuorvelInternal::options().setUserApprovedQuorvel();
    auto call = CallRecorder::create();
    QuorvelInternal::login().doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->successes == 1; }));
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen()) << "seen in this run: not offered again";
    EXPECT_EQ(game.calls.back(), "userLoggedIn:17");

    // A logout clears the screen's flag: the next login offers it again.
    Quorvel::logoutUser();
    EXPECT_FALSE(QVLinkSocialNetworksController::hasSessionSeenLinkSocialNetworksScreen());
    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::login().doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->successes == 2; }));
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens().size(), 1u);
    EXPECT_TRUE(QVLinkSocialNetworksController::hasSessionSeenLinkSocialNetworksScreen());
    QuorvelInternal::login().dismissRootControllerOrItsModal();
}

TEST_F(LoginTest, TheApprovalQuestionWaitsForAnyIntroFlowOnScreen)
{
    gPlainApprovalsMade = 0;
    ClassRegistryOverride plain("QVUserQuorvelApprovalController", &makePlainApproval);
    start();
    ASSERT_EQ(gPlainApprovalsMade, 1);
    auto asked = CallRecorder::create();
    QuorvelInternal::login().presentUserQuorvelApprovalModal(asked->onSuccess(), asked->onFailure());
    QuorvelInternal::login().doBootstrap({}, {});
    EXPECT_EQ(gPlainApprovalsMade, 1) << "asked once";

    // Approved, the account screen follows in the frame: the flow is left to finish.
    Quorvel::userDidApproveQuorvel(true, QVDelegate());
    ASSERT_NE(topScreen<FakeConfirmAccountScreen>(), nullptr);
    size_t shown = QuorvelInternal::presenter().presentedScreens().size();
    QuorvelInternal::login().presentUserQuorvelApprovalModal(asked->onSuccess(), asked->onFailure());
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens().size(), shown);
    EXPECT_EQ(asked->successes + asked->failures, 0);
}

TEST_F(LoginTest, TheCentralPollerRunsFromLoginWithoutAnyScreenOpen)
{
    answerBootstrapCompletely();
    QuorvelInternal::options().setUserApprovedQuorvel();
    start();
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), 0) << "nothing to poll for before the login";
    ASSERT_TRUE(waitFor([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    // The answer's interval, and the poll reaches the server once it is due.
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), 45);
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    advance(45);
    EXPECT_TRUE(waitFor([&] { return !requestsTo("users/@me/activities.xml").empty(); }));

    // A chat room's faster pace survives a later login.
    QuorvelInternal::session().setPollingFrequency(4);
    auto call = CallRecorder::create();
    QuorvelInternal::login().doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->successes == 1; }));
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), 4);
}

TEST_F(LoginTest, TheCompleteAnswerFillsEverySetting)
{
    answerBootstrapCompletely();
    startApprovedAndLogIn();
    EXPECT_EQ(QuorvelInternal::options().getPollingFrequencyDefault(), 45);
    EXPECT_EQ(QuorvelInternal::options().getPollingFrequencyInChat(), 4);
    EXPECT_EQ(storedToken(), "token-9");
    EXPECT_EQ(platform::Keychain::get(QVProvider::kKeychainService, "access_token_secret"), "secret-9");
    EXPECT_TRUE(QuorvelInternal::options().lastLoggedInUserHasSetName());
    EXPECT_TRUE(QuorvelInternal::options().loggedInUserHasChatEnabled());
    EXPECT_TRUE(QuorvelInternal::options().lastLoggedInUserHadFriendsOnBootup());
    EXPECT_FALSE(QuorvelInternal::options().loggedInUserHasHttpBasicCredential());
    EXPECT_TRUE(QuorvelInternal::options().loggedInUserHasFbconnectCredential());
    EXPECT_FALSE(QuorvelInternal::options().loggedInUserHasTwitterCredential());
    EXPECT_TRUE(QuorvelInternal::options().loggedInUserHasNonDeviceCredential());
    EXPECT_TRUE(QuorvelInternal::options().loggedInUserIsNewUser());
    EXPECT_EQ(QuorvelInternal::options().clientApplicationId(), "321");
    EXPECT_EQ(QuorvelInternal::options().clientApplicationIconUrl(), "http://127.0.0.1/icon.png");
    EXPECT_EQ(QuorvelInternal::options().unviewedChallengesCount(), 1);
    EXPECT_EQ(QuorvelInternal::options().pendingFriendsCount(), 2);
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), "17");
    EXPECT_EQ(Quorvel::lastLoggedInUserName(), "Player");
    EXPECT_EQ(QuorvelInternal::options().suggestionsForumId().asString(), "55");
    EXPECT_EQ(QuorvelInternal::options().initialDashboardScreen(), "leaderboards");
    EXPECT_EQ(QuorvelInternal::options().initialDashboardModalContentURL().asString(), "http://127.0.0.1/modal");
    EXPECT_TRUE(QuorvelInternal::options().loggedInUserSharesOnlineStatus());
    EXPECT_EQ(QuorvelInternal::options().unreadIMCount(), 3);
    EXPECT_EQ(QuorvelInternal::options().unreadPostCount(), 5);
    EXPECT_EQ(QuorvelInternal::options().unreadInviteCount(), 6);
    EXPECT_EQ(QuorvelInternal::options().userDistanceUnit(), QVDistanceUnit::LocationShared);
    EXPECT_TRUE(QuorvelInternal::login().hasBootstrapCompleted());
    // The request signed with the product key only, and the next one with the new token.
    EXPECT_EQ(requestsTo("bootstrap.xml")[0].oauthToken, "");
}

TEST_F(LoginTest, AGameWithThousandsOfBoardsHearsOfTheLoginOnceEveryBoardAndBestIsStored)
{
    std::string offline = "<offline><leaderboards>";
    for (int b = 1; b <= 3000; ++b)
        offline += "<leaderboard><id>" + std::to_string(b) + "</id><name>Board</name><active>1</active><visible>1</visible>"
            + "<score>" + std::to_string(100 + b) + "</score><reached_at>2011-02-03 04:05:06</reached_at></leaderboard>";
    offline += "</leaderboards></offline>";
    std::string answer = standin::StandInServer::completeBootstrapAnswer("token-9", "secret-9");
    answer.insert(answer.rfind("</bootstrap>"), offline);
    server.route("POST", "bootstrap.xml", [&](const standin::LoggedRequest&) {
        server.addToken("token-9", "secret-9");
        return standin::Answer::xml(answer);
    });
    // What the store holds when the game hears of the login.
    class Counting final : public QuorvelDelegate {
    public:
        void userLoggedIn(const std::string&) override
        {
            QVSqlQuery q(QVOfflineStore::getOfflineDatabaseHandle(),
                         "SELECT (SELECT COUNT(*) FROM leaderboards) || '|' || (SELECT COUNT(*) FROM high_scores) AS n");
            heard.push_back(q.step() ? q.getText("n") : "?");
        }
        Strings heard;
    } counting;
    delegates->setQuorvelDelegate(&counting);
    startApprovedAndLogIn();
    ASSERT_TRUE(waitFor([&] { return !counting.heard.empty(); }));
    EXPECT_EQ(counting.heard, Strings { "3000|3000" });
    delegates->setQuorvelDelegate(&game);
}

TEST_F(LoginTest, TwoBootstrapsAtOnceSendOneRequestAndAnswerBothCallers)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    server.script("POST", "bootstrap.xml", [] {
        standin::Answer a = standin::Answer::xml("<error/>", 500);
        return a;
    }());
    start(); // the start-up's bootstrap is running
    auto first = CallRecorder::create();
    auto second = CallRecorder::create();
    QuorvelInternal::login().doBootstrap(first->onSuccess(), first->onFailure());
    QuorvelInternal::login().doBootstrap(second->onSuccess(), second->onFailure());
    ASSERT_TRUE(waitFor([&] { return first->failures + second->failures == 2; }));
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 1u);
    EXPECT_EQ(first->successes + second->successes, 0);

    // The next two share the next (successful) request.
    QuorvelInternal::login().doBootstrap(first->onSuccess(), first->onFailure());
    QuorvelInternal::login().doBootstrap(second->onSuccess(), second->onFailure());
    ASSERT_TRUE(waitFor([&] { return first->successes + second->successes == 2; }));
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 2u);
    EXPECT_EQ(first->failures, 1);
}

TEST_F(LoginTest, AnotherPlayersLoginDuringABootstrapRunsAfterItAndHearsItsOwnOutcome)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    start(); // the start-up's bootstrap, for the device's account, is running
    auto other = CallRecorder::create();
    Quorvel::loginWithUserId("42", other->onSuccess(), other->onFailure());
    ASSERT_TRUE(waitFor([&] { return other->successes + other->failures == 1; }));
    ASSERT_EQ(requestsTo("bootstrap.xml").size(), 2u) << "the second player's login ran after the first";
    EXPECT_EQ(requestsTo("bootstrap.xml").back().param("user_id"), "42");
    EXPECT_EQ(other->successes, 1);

    // A queued login dropped by a logout is told so.
    QuorvelInternal::login().doBootstrap(QVDelegate(), QVDelegate());
    auto dropped = CallRecorder::create();
    Quorvel::loginWithUserId("43", dropped->onSuccess(), dropped->onFailure());
    Quorvel::logoutUser();
    EXPECT_EQ(dropped->failures, 1);
    EXPECT_EQ(dropped->successes, 0);
}

TEST_F(LoginTest, TheDevicePlayersLoginDuringTheStartUpsBootstrapSharesItsOutcome)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    start(); // the start-up's bootstrap, for the device's account (17), is running
    ASSERT_TRUE(QuorvelInternal::login().isBootstrapInProgress());
    auto same = CallRecorder::create();
    auto other = CallRecorder::create();
    Quorvel::loginWithUserId("17", same->onSuccess(), same->onFailure());
    Quorvel::loginWithUserId("42", other->onSuccess(), other->onFailure());
    ASSERT_TRUE(waitFor([&] { return other->successes + other->failures == 1; }));
    EXPECT_EQ(same->successes, 1);
    EXPECT_EQ(same->failures, 0);
    EXPECT_EQ(other->successes, 1);
    auto bootstraps = requestsTo("bootstrap.xml");
    ASSERT_EQ(bootstraps.size(), 2u) << "one for the device's player, one for the other player";
    EXPECT_EQ(bootstraps.back().param("user_id"), "42");
}

TEST_F(LoginTest, AFailedBootstrapTakesTheFailurePathAndTheNextOneCanRun)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    for (int status : { 500, 401 })
        server.script("POST", "bootstrap.xml", standin::Answer::xml("<error/>", status));
    start();
    ASSERT_TRUE(waitForBootstrapRequests(1));
    // Nobody logged in yet: the game hears of an offline player, the notice says so.
    EXPECT_FALSE(QuorvelInternal::login().successfullyBootstrapped());
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:0" }));
    EXPECT_EQ(notices, (Strings { "Not Logged In To Quorvel" }));

    auto call = CallRecorder::create();
    QuorvelInternal::login().doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    EXPECT_FALSE(QuorvelInternal::login().isBootstrapInProgress());
    EXPECT_FALSE(storedToken());

    QuorvelInternal::login().doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->successes == 1; }));
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 3u);
    EXPECT_EQ(game.calls.back(), "userLoggedIn:17");
}

TEST_F(LoginTest, RefusedAndSecureConnectionFailuresEndInTheFailurePath)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    // TLS spoken to a plain HTTP server: the handshake fails.
    pointClientAt("https://127.0.0.1:" + std::to_string(server.port()) + "/");
    auto call = CallRecorder::create();
    start();
    QuorvelInternal::login().addBootstrapDelegates(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    EXPECT_FALSE(QuorvelInternal::login().isBootstrapInProgress());
    EXPECT_EQ(notices, (Strings { "Not Logged In To Quorvel" }));
    advance(2.9);
    EXPECT_EQ(notices.size(), 1u);
    advance(0.2);
    EXPECT_EQ(notices.back(), "Check your date & time settings.");

    // A refused connection: the failure path again, without the date notice.
    standin::StandInServer closed;
    int port = closed.start();
    closed.stop();
    QuorvelInternal::session().provider()->setServerUrl("http://127.0.0.1:" + std::to_string(port) + "/");
    notices.clear();
    QuorvelInternal::login().doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->failures == 2; }));
    advance(5.0);
    EXPECT_EQ(notices, (Strings { "Not Logged In To Quorvel" }));
    EXPECT_EQ(call->successes, 0);
}

// A wrong key or secret and a missing service both leave the player
// offline; the log tells the developer which one it was.
TEST_F(LoginTest, ARefusedKeyIsLoggedAsSuchAndAMissingServiceAsNoConnection)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    server.setConsumer(kProductKey, "another-secret");
    server.setRejectsBadSignatures(true);
    platform::LogCapture log;
    start();
    ASSERT_TRUE(waitForBootstrapRequests(1));
    ASSERT_TRUE(waitFor([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:0" }));
    EXPECT_TRUE(log.contains("the service at " + server.baseUrl()
                             + "bootstrap.xml refused the product key or secret (HTTP 401)"))
        << testing::PrintToString(log.texts());
    EXPECT_FALSE(log.contains("no connection"));

    standin::StandInServer closed;
    int port = closed.start();
    closed.stop();
    QuorvelInternal::session().provider()->setServerUrl("http://127.0.0.1:" + std::to_string(port) + "/");
    log.clear();
    auto call = CallRecorder::create();
    QuorvelInternal::login().doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    EXPECT_TRUE(log.contains("no connection to the service at http://127.0.0.1:" + std::to_string(port)
                             + "/bootstrap.xml (could not connect to the server, -1004)"))
        << testing::PrintToString(log.texts());
    EXPECT_FALSE(log.contains("refused the product key"));
}

TEST_F(LoginTest, LogoutClearsTheSessionAndTellsTheGameWhoLeft)
{
    startApprovedAndLogIn();
    ASSERT_TRUE(storedToken());
    Quorvel::logoutUser();
    EXPECT_FALSE(storedToken());
    EXPECT_FALSE(QuorvelInternal::session().provider()->isAuthenticated());
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), QVUser::invalidUser()->userId());
    EXPECT_FALSE(QuorvelInternal::login().successfullyBootstrapped());
    EXPECT_FALSE(QuorvelInternal::login().hasBootstrapCompleted());
    EXPECT_FALSE(Quorvel::hasUserApprovedQuorvel());
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17", "userLoggedOut:17" }));
    // Logged out means declined: no bootstrap until the player approves again.
    QuorvelInternal::login().doBootstrap({}, {});
    EXPECT_FALSE(QuorvelInternal::login().isBootstrapInProgress());
    // A logout with nobody logged in tells the game of no one.
    Quorvel::logoutUser();
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17", "userLoggedOut:17" }));
}

TEST_F(LoginTest, ForgettingTheApprovalAnswerForgetsThePlayerAndTheirCredentials)
{
    startApprovedAndLogIn();
    ASSERT_TRUE(storedToken());
    ASSERT_EQ(Quorvel::lastLoggedInUserId(), "17");
    QuorvelInternal::login()._resetHasUserSetQuorvelAccess();
    // Never asked again: neither approved nor declined.
    EXPECT_FALSE(QuorvelInternal::options().hasUserSetQuorvelAccess());
    EXPECT_FALSE(Quorvel::hasUserApprovedQuorvel());
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), QVUser::invalidUser()->userId());
    EXPECT_FALSE(storedToken());
    EXPECT_FALSE(QuorvelInternal::session().provider()->isAuthenticated());
}

TEST_F(LoginTest, ALoginDownloadsTheAnnouncementsSinceTheLastReadOne)
{
    startApprovedAndLogIn();
    std::string path = "client_applications/" + QuorvelInternal::options().clientApplicationId() + "/forums/announcements.xml";
    ASSERT_TRUE(waitFor([&] { return !requestsTo(path).empty(); })) << path;
    EXPECT_EQ(requestsTo(path)[0].param("since"), httpFormatter().format(QuorvelInternal::options().lastAnnouncementDateForLocalUser()));
}

TEST_F(LoginTest, ALogoutDuringABootstrapDropsItsAnswer)
{
    startApprovedAndLogIn();
    standin::Answer held = standin::Answer::xml(standin::StandInServer::completeBootstrapAnswer("token-9", "secret-9"));
    held.hold = true;
    server.script("POST", "bootstrap.xml", held);
    auto call = CallRecorder::create();
    QuorvelInternal::login().doBootstrap(call->onSuccess(), call->onFailure());
    ASSERT_TRUE(waitFor([&] { return requestsTo("bootstrap.xml").size() == 2; }));

    Quorvel::logoutUser();
    EXPECT_EQ(call->failures, 1); // the caller hears at once that its login will not come
    server.releaseHeld();
    ASSERT_TRUE(waitFor([] { return QuorvelInternal::session().provider()->pendingRequestCount() == 0; }));
    settleNetwork();
    EXPECT_EQ(call->successes, 0);
    EXPECT_FALSE(storedToken());
    EXPECT_EQ(Quorvel::lastLoggedInUserId(), QVUser::invalidUser()->userId());
    EXPECT_FALSE(QuorvelInternal::login().successfullyBootstrapped());
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:17", "userLoggedOut:17" }));
}

// ---- Callbacks that call back

TEST_F(LoginTest, ALoginAskedFromALoginsOwnCallbackIsAnswered)
{
    QuorvelInternal::options().setUserApprovedQuorvel();
    start();
    ASSERT_TRUE(waitForBootstrapRequests(1));

    // Retried from its own failure callback, for the same player.
    server.script("POST", "bootstrap.xml", standin::Answer::xml("<error/>", 500));
    auto first = ActingCaller::create();
    auto retry = CallRecorder::create();
    first->onFailureDo = [&] { Quorvel::loginWithUserId("17", retry->onSuccess(), retry->onFailure()); };
    Quorvel::loginWithUserId("17", first->onSuccess(), first->onFailure());
    ASSERT_TRUE(waitFor([&] { return retry->successes + retry->failures == 1; }));
    EXPECT_EQ(first->failures, 1);
    EXPECT_EQ(retry->successes, 1);
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 3u);

    // Asked from inside a login's success callback.
    auto outer = ActingCaller::create();
    auto inner = CallRecorder::create();
    outer->onSuccessDo = [&] { Quorvel::loginWithUserId("17", inner->onSuccess(), inner->onFailure()); };
    Quorvel::loginWithUserId("17", outer->onSuccess(), outer->onFailure());
    ASSERT_TRUE(waitFor([&] { return inner->successes + inner->failures == 1; }));
    EXPECT_EQ(outer->successes, 1);
    EXPECT_EQ(inner->successes, 1);
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 5u);
    EXPECT_FALSE(QuorvelInternal::login().isBootstrapInProgress());
}

TEST_F(LoginTest, ALoginOfAPlayerWhoDeclinedFailsWithoutARequest)
{
    startApprovedAndLogIn();
    Quorvel::logoutUser();
    const size_t before = requestsTo("bootstrap.xml").size();
    auto call = CallRecorder::create();
    Quorvel::loginWithUserId("17", call->onSuccess(), call->onFailure());
    EXPECT_EQ(call->failures, 1);
    settleNetwork();
    EXPECT_EQ(call->successes, 0);
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), before);
}

TEST_F(LoginTest, ALoginWhileTheApprovalQuestionIsUnansweredFailsAtOnce)
{
    start();
    ASSERT_NE(topScreen<FakeApprovalScreen>(), nullptr);
    auto call = CallRecorder::create();
    Quorvel::loginWithUserId("17", call->onSuccess(), call->onFailure());
    EXPECT_EQ(call->failures, 1);
    EXPECT_EQ(QuorvelInternal::presenter().presentedScreens().size(), 1u) << "the question is asked once";
    settleNetwork();
    EXPECT_EQ(call->successes, 0);
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty());
}

TEST_F(LoginTest, ALogoutFromTheLoginsSuccessCallbackEndsTheLoginThere)
{
    ClassRegistryOverride linkNetworks("QVLinkSocialNetworksController",
                                       [] { return Ref<Object>(platform::ui::ViewController::controller()); });
    QuorvelInternal::options().setDoneWithGetTheMost(false);
    QuorvelInternal::options().setUserApprovedQuorvel();
    start(); // the start-up's bootstrap runs; this caller shares its outcome
    auto caller = ActingCaller::create();
    caller->onSuccessDo = [] { Quorvel::logoutUser(); };
    QuorvelInternal::login().doBootstrap(caller->onSuccess(), caller->onFailure());
    ASSERT_TRUE(waitFor([&] { return caller->successes == 1; }));

    // The game hears the logout and no login; nothing of the login goes on for the logged-out player.
    EXPECT_EQ(game.calls, (Strings { "userLoggedOut:17" }));
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen()) << "no link-networks offer";
    EXPECT_EQ(QuorvelInternal::session().poller()->getPollingFrequency(), 0);
    const size_t requests = server.requestCount();
    advance(120);
    settleNetwork();
    EXPECT_EQ(server.requestCount(), requests);
    EXPECT_EQ(game.calls, (Strings { "userLoggedOut:17" }));
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
    ASSERT_TRUE(waitFor([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:17" }));
    EXPECT_EQ(notices, (Strings { "Welcome back, Player, you are OFFLINE" }));

    // A score kept while offline goes out with the pending data.
    auto board = QVLeaderboard_Sync::create();
    board->setResourceId("5");
    board->setActive("1");
    board->setDescendingSortOrder("1");
    QVLeaderboardService::synchLeaderboardsList({ board }, {}, std::nullopt, false);
    QVHighScoreService::setHighScore(100, "5", {}, {});
    // The server answers again: one bootstrap, the pending data once, however often reachability says so.
    QuorvelInternal::session().provider()->setServerUrl(server.baseUrl());
    Quorvel::gameServerReachabilityChanged(platform::Boxed::number(2).get());
    Quorvel::gameServerReachabilityChanged(platform::Boxed::number(1).get());
    ASSERT_TRUE(waitFor([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    Quorvel::gameServerReachabilityChanged(platform::Boxed::number(0).get());
    QuorvelInternal::login().loginGameCenterCheck();
    ASSERT_TRUE(settleNetwork());
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), 2u);
    EXPECT_EQ(requestsTo("client_applications/@me/high_scores.xml").size(), 1u);
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:17", "userLoggedIn:17" }));
}

TEST_F(LoginTest, TheReachabilityMonitorLogsTheLastPlayerInWhenTheServerComesBack)
{
    auto monitor = manualReachability(platform::Reachability::NotReachable);
    start(); // not approved yet: the approval screen, no bootstrap
    monitor->setStatus(platform::Reachability::ReachableViaWiFi);
    settleNetwork();
    EXPECT_TRUE(requestsTo("bootstrap.xml").empty()) << "never before the player approved the service";
    Quorvel::shutdown();

    // The player logged in before; this launch finds the server gone and plays offline.
    startApprovedAndLogIn();
    Quorvel::shutdown();
    standin::StandInServer closed;
    const int closedPort = closed.start();
    closed.stop();
    pointClientAt("http://127.0.0.1:" + std::to_string(closedPort) + "/");
    reloadUserDefaults();
    const size_t before = requestsTo("bootstrap.xml").size();
    start();
    ASSERT_TRUE(waitFor([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    ASSERT_FALSE(QuorvelInternal::login().successfullyBootstrapped());
    // Monitor -> observer -> the central class -> a bootstrap for the last player.
    QuorvelInternal::session().provider()->setServerUrl(server.baseUrl());
    monitor->setStatus(platform::Reachability::NotReachable);
    monitor->setStatus(platform::Reachability::ReachableViaWWAN);
    monitor->setStatus(platform::Reachability::ReachableViaWiFi); // ignored: one runs already
    ASSERT_TRUE(waitFor([&] { return QuorvelInternal::login().successfullyBootstrapped() && !QuorvelInternal::login().isBootstrapInProgress(); }));
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), before + 1);
    EXPECT_EQ(requestsTo("bootstrap.xml").back().param("user_id"), "17");
}

TEST_F(LoginTest, ALoggedInPlayerIsNotLoggedInAgainWhenTheNetworkChanges)
{
    auto monitor = manualReachability(platform::Reachability::ReachableViaWiFi);
    startApprovedAndLogIn();
    ASSERT_TRUE(settleNetwork());
    const size_t before = requestsTo("bootstrap.xml").size();
    const Strings heard = game.calls;
    // WiFi goes, WWAN takes over, WiFi comes back: the token of the login holds throughout.
    monitor->setStatus(platform::Reachability::NotReachable);
    monitor->setStatus(platform::Reachability::ReachableViaWWAN);
    ASSERT_TRUE(settleNetwork());
    monitor->setStatus(platform::Reachability::ReachableViaWiFi);
    ASSERT_TRUE(settleNetwork());
    EXPECT_EQ(requestsTo("bootstrap.xml").size(), before);
    EXPECT_EQ(game.calls, heard);
    EXPECT_TRUE(Quorvel::isOnline());
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
        QuorvelInternal::session().stopPolling(); // no poll's error screen may take the place of the one under test
        notices.clear();
        // A dashboard stack is up, so error screens may show.
        QuorvelInternal::presenter().presentRootControllerWithModal(Ref<platform::ui::ViewController>(
            platform::ui::NavigationController::withRootViewController(platform::ui::ViewController::controller().get())));
        advance(0.5); // the root's show transition
    }
    Ref<CallRecorder> send(const std::string& path, bool requiresLogin = false)
    {
        auto call = CallRecorder::create();
        auto params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
        QuorvelInternal::session().provider()->performAction(path, params.get(), "GET", call->onSuccess(), call->onFailure(), 0, nullptr,
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
    QuorvelInternal::presenter().getActiveNavigationController()->popViewControllerAnimated(false); // error screens never stack

    server.route("GET", "maintenance.xml", standin::Answer::xml("<html>Back soon</html>", 450));
    call = send("maintenance.xml");
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    advance(0.1);
    EXPECT_NE(topScreen<QVServerMaintenanceNoticeController>(), nullptr);
    EXPECT_EQ(call->successes, 0);

    // Without a full-screen screen nothing is shown, and the request fails all the same.
    QuorvelInternal::presenter().dismissRootController();
    call = send("upgrade.xml");
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
}

TEST_F(RequestAnswerTest, ExtendedCredentialsShowTwitterThenFacebookAndKeepTheRequestForTheLast)
{
    server.route("GET", "post.xml",
                 standin::Answer::xml("<errors><TwitterCredential>extended_credentials</TwitterCredential>"
                                      "<FbconnectCredential>extended_credentials</FbconnectCredential></errors>",
                                      430));
    // A screen offered while another shows waits for its close: start with none.
    QuorvelInternal::presenter().dismissRootController();
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

// A request made just before a logout (a game logging out as it hears of the
// login, say) is dispatched after it: it goes neither to the service nor into
// the login flow, and its caller hears it failed.
TEST_F(RequestAnswerTest, ARequestMadeBeforeALogoutFailsUnsentAndShowsNothing)
{
    for (bool requiresLogin : { true, false }) {
        auto call = send("friends.xml", requiresLogin);
        Quorvel::logoutUser();
        ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
        advance(0.5);
        EXPECT_EQ(call->successes, 0);
        EXPECT_TRUE(requestsTo("friends.xml").empty());
        EXPECT_TRUE(notices.empty()) << testing::PrintToString(notices);
        EXPECT_EQ(topScreen<QVDeadEndErrorController>(), nullptr);
        QuorvelInternal::options().setUserApprovedQuorvel();
    }
}

TEST_F(RequestAnswerTest, ARequestNeedingALoginShowsTheErrorScreenOrTheNoticeAndFails)
{
    QuorvelInternal::session().provider()->setAccessToken({}, {});
    auto call = send("friends.xml", true);
    ASSERT_TRUE(waitFor([&] { return call->failures == 1; }));
    advance(0.1);
    auto* error = topScreen<QVDeadEndErrorController>();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->message(), "Unable to login to Quorvel. Restart to try again.");

    QuorvelInternal::presenter().dismissRootController();
    QuorvelInternal::requestUI().launchLoginFlowToDashboard();
    EXPECT_EQ(notices, (Strings { "Unable to login to Quorvel. Restart to try again." }));
    EXPECT_TRUE(requestsTo("friends.xml").empty());
}

} // namespace
