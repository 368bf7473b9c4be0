// Whatever the service answers, a failure reaches the game and the player as
// a failure: refusals and error pages with error screens on and off, answers
// that are no answer (a redirect, nothing, an HTML page, a count no list
// holds, the service's error list with a success status, on every family of
// routes), a cloud error page, a login whose player is no player, settings no
// field holds, an unlock answer's garbage, the naming form's refusals, the
// leaderboards screen's dead end, the pages a player who declined the
// service opens, and an answer lost on a kept-alive connection (never a
// request sent twice under one signature). Each table scripts the stand-in's
// answers for one family of routes.
#include "DamagingProxy.h"
#include "DashboardEndToEndSupport.h"

#include "platform/ui/AlertView.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVChatServices.h"
#include "social/services/QVCloudStorage.h"
#include "social/services/QVCloudStorageService.h"
#include "social/services/QVConversationService.h"
#include "social/services/QVForumService.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVSubscriptionService.h"
#include "social/services/QVTickerService.h"
#include "social/services/QVUserService.h"
#include "social/ui/QVLoadingController.h"
#include "support/NetTestSupport.h"
#include "tools/standin/StandInServer.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <set>
#include <tuple>

using namespace quorvel;
using namespace e2e_testing;
using standin::Answer;
using standin::StandInState;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kTryAgain = "Please try your request again in a few moments.";

Answer withStatus(int status, std::string body = "") { return Answer::xml(std::move(body), status); }

struct Damage {
    const char* what;
    Answer answer;
};

// Answers that are no answer to a game's call, whatever the route.
std::vector<Damage> damagedAnswers()
{
    const std::string refusal = "<errors><error>Not for you</error></errors>";
    return {
        { "403 with the service's errors", withStatus(403, refusal) },
        { "406 with the service's errors", withStatus(406, refusal) },
        { "404 with a body", withStatus(404, refusal) },
        { "500 with a body", withStatus(500, refusal) },
        { "503 with a body", withStatus(503, "<resources/>") },
        { "204 without a body", withStatus(204) },
        { "301 with a document", withStatus(301, "<resources/>") },
        { "304 without a body", withStatus(304) },
        { "a cut 200", withStatus(200, "<resources><user><id>1") },
        { "a garbage 200", withStatus(200, "\x01\x02 not xml") },
        { "an HTML page answered 200", withStatus(200, "<html><body>Oops</body></html>") },
        { "the service's errors answered 200", withStatus(200, refusal) },
        { "a count no list holds",
          withStatus(200, "<resources><pagination_header><current_page>1</current_page><total_pages>1</total_pages>"
                          "<per_page>25</per_page><total_objects>4294967295</total_objects></pagination_header>"
                          "</resources>") },
    };
}

class FailuresEndToEnd : public DashboardEndToEndTest {
protected:
    void TearDown() override
    {
        QuorvelInternal::presenter().allowErrorScreens(true);
        QVCloudStorage::setDelegate(nullptr);
        DashboardEndToEndTest::TearDown();
    }
};

// ---- A game's calls

TEST_F(FailuresEndToEnd, AGamesCallHearsEveryRefusalAndEveryAnswerThatIsNoAnswerAsAFailure)
{
    ASSERT_GT(launchAndLogIn(), 0);
    const std::string rival = std::to_string(StandInState::kRivalUser);
    using Call = std::function<void(net_testing::CallbackRecorder&)>;
    struct Route {
        const char* what;
        const char* method;
        std::string path;
        Call call;
    };
    const std::vector<Route> routes {
        { "a leaderboard's scores", "GET", QVHighScoreService::kBatchPath,
          [](auto& r) { QVHighScoreService::getPage(1, "5", false, true, r.onSuccess(), r.onFailure()); } },
        { "the achievements", "GET", QVAchievementService::kDefinitionsPath,
          [](auto& r) { QVAchievementService::getAchievementsForApplication("@me", std::nullopt, 1, true, r.onSuccess(), r.onFailure()); } },
        { "a player", "GET", "users/" + rival + "/", [rival](auto& r) { QVUserService::getUser(rival, r.onSuccess(), r.onFailure()); } },
        { "the friends", "GET", "users.xml", [](auto& r) { QVFriendsService::getUsersFollowedByLocalUser(1, r.onSuccess(), r.onFailure()); } },
        { "the leaderboards", "GET", "client_applications/321/leaderboards.xml",
          [](auto& r) { QVLeaderboardService::getLeaderboardsForApplication("321", r.onSuccess(), r.onFailure()); } },
        { "the cloud keys", "GET", "cloud_stores.xml", [](auto& r) { QVCloudStorageService::getIndex(r.onSuccess(), r.onFailure()); } },
    };
    for (bool errorScreens : { true, false }) {
        QuorvelInternal::presenter().allowErrorScreens(errorScreens);
        for (const Route& route : routes) {
            for (const Damage& damage : damagedAnswers()) {
                SCOPED_TRACE(std::string(route.what) + ", " + damage.what + (errorScreens ? "" : ", error screens off"));
                service->script(route.method, route.path, damage.answer);
                auto recorder = net_testing::CallbackRecorder::create();
                route.call(*recorder);
                ASSERT_TRUE(waitUntil([&] { return recorder->total() > 0; }));
                settleAfterTouch();
                EXPECT_EQ(recorder->failures, 1);
                EXPECT_EQ(recorder->successes, 0);
            }
        }
    }
    // The same calls answered as they should be still succeed.
    for (const Route& route : routes) {
        SCOPED_TRACE(route.what);
        auto recorder = net_testing::CallbackRecorder::create();
        route.call(*recorder);
        ASSERT_TRUE(waitUntil([&] { return recorder->total() > 0; }));
        if (std::string(route.what) != "the cloud keys") { // none kept yet: no keys is a failure
            EXPECT_EQ(recorder->successes, 1);
        }
    }
}

TEST_F(FailuresEndToEnd, TheServicesErrorListIsAFailureWithItsMessageWhateverItsStatusOnEveryFamilyOfRoutes)
{
    ASSERT_GT(launchAndLogIn(), 0);
    const std::string rival = std::to_string(StandInState::kRivalUser);
    using Call = std::function<void(net_testing::CallbackRecorder&)>;
    // Each call is new to the service (a higher score, more progress), so that each is sent.
    int64_t score = 1000;
    double progress = 10;
    const std::vector<std::tuple<const char*, const char*, std::string, Call>> routes {
        { "a batch of scores", "POST", QVHighScoreService::kBatchPath,
          [&](auto& r) {
              QVHighScoreBatch batch { QVHighScoreBatchEntry::create(std::to_string(StandInState::kNormalLeaderboard), ++score) };
              QVHighScoreService::batchSetHighScores(batch, r.onSuccess(), r.onFailure(), std::nullopt);
          } },
        { "an unlock's batch", "POST", QVAchievementService::kBatchPath,
          [&](auto& r) { QVAchievementService::updateAchievement(std::to_string(StandInState::kCollectorAchievement),
                                                                 progress += 10, false, r.onSuccess(), r.onFailure()); } },
        { "the forums", "GET", "client_applications/321/forums.xml",
          [](auto& r) { QVForumService::getTopicsForApplication("321", r.onSuccess(), r.onFailure()); } },
        { "a forum reply", "POST", "discussions/7/posts.xml",
          [](auto& r) { QVForumService::replyToThread("7", "Me too", r.onSuccess(), r.onFailure()); } },
        { "the inbox", "GET", "subscriptions.xml",
          [](auto& r) { QVSubscriptionService::getSubscriptionsPage(1, r.onSuccess(), r.onFailure()); } },
        { "a conversation", "POST", "discussions.xml",
          [rival](auto& r) { QVConversationService::startConversationWithUser(rival, r.onSuccess(), r.onFailure()); } },
        { "the chat rooms", "GET", "chat_room_definitions.xml",
          [](auto& r) { QVChatRoomDefinitionService::getIndex(r.onSuccess(), r.onFailure()); } },
        { "the ticker", "GET", "tickers.xml", [](auto& r) { QVTickerService::getPage(1, r.onSuccess(), r.onFailure()); } },
    };
    for (int status : { 200, 201 }) {
        for (const auto& [what, method, path, call] : routes) {
            SCOPED_TRACE(std::string(what) + ", " + std::to_string(status));
            platform::LogCapture log;
            service->script(method, path, withStatus(status, "<errors><error>Not for you</error></errors>"));
            auto recorder = net_testing::CallbackRecorder::create();
            call(*recorder);
            ASSERT_TRUE(waitUntil([&] { return recorder->total() > 0; }));
            settleAfterTouch();
            EXPECT_EQ(recorder->failures, 1);
            EXPECT_EQ(recorder->successes, 0);
            EXPECT_FALSE(serviceRequestsTo(path).empty());
            EXPECT_TRUE(log.contains("Not for you")) << "the service's message is in the log";
        }
    }
}

// The game's cloud delegate: what each request answered.
class CloudGame final : public QVCloudStorageDelegate {
public:
    void didUpload() override { ++uploads; }
    void didFailUpload(int status) override { uploadFailures.push_back(status); }
    void didDownloadData(const platform::Bytes& data) override { downloads.push_back(data); }
    void didFailDownloadData(int status) override { downloadFailures.push_back(status); }
    int uploads { 0 };
    std::vector<platform::Bytes> downloads;
    std::vector<int> uploadFailures;
    std::vector<int> downloadFailures;
};

TEST_F(FailuresEndToEnd, ACloudValueAnsweredWithAnythingButItsValueIsNotFoundAndARefusedUploadIsNoUpload)
{
    ASSERT_GT(launchAndLogIn(), 0);
    CloudGame cloud;
    QVCloudStorage::setDelegate(&cloud);
    ASSERT_TRUE(QVCloudStorage::upload(platform::Bytes { 1, 2, 3 }, "save"));
    ASSERT_TRUE(waitUntil([&] { return cloud.uploads == 1; }));

    const std::string refusal = "<errors><error>Not for you</error></errors>";
    const std::vector<Damage> downloads {
        { "403 with the service's errors", withStatus(403, refusal) },
        { "406 with the service's errors", withStatus(406, refusal) },
        { "301 with nothing", withStatus(301) },
        { "304 with nothing", withStatus(304) },
        { "204 with nothing", withStatus(204) },
        { "500 with a body", withStatus(500, refusal) },
    };
    for (bool errorScreens : { true, false }) {
        QuorvelInternal::presenter().allowErrorScreens(errorScreens);
        for (const Damage& damage : downloads) {
            SCOPED_TRACE(std::string(damage.what) + (errorScreens ? "" : ", error screens off"));
            cloud.downloads.clear();
            cloud.downloadFailures.clear();
            service->script("GET", "cloud_stores/save.blob", damage.answer);
            ASSERT_TRUE(QVCloudStorage::downloadDataWithKey("save"));
            ASSERT_TRUE(waitUntil([&] { return cloud.downloads.size() + cloud.downloadFailures.size() > 0; }));
            EXPECT_TRUE(cloud.downloads.empty());
            EXPECT_EQ(cloud.downloadFailures, (std::vector<int> { 404 }));
        }
    }
    QuorvelInternal::presenter().allowErrorScreens(true);
    // A refusal is 404; a 200 the client cannot read says no more of what the service kept than no answer: 504.
    const std::vector<std::pair<Damage, int>> uploads {
        { { "403", withStatus(403, refusal) }, 404 },
        { { "406", withStatus(406, refusal) }, 404 },
        { { "301 with a document", withStatus(301, "<resources/>") }, 404 },
        { { "the service's errors answered 200", withStatus(200, refusal) }, 404 },
        { { "a garbage 200", withStatus(200, "\x01\x02 not xml") }, 504 },
        { { "an HTML page answered 200", withStatus(200, "<html><body>Oops</body></html>") }, 504 },
    };
    for (const auto& [damage, status] : uploads) {
        SCOPED_TRACE(damage.what);
        cloud.uploadFailures.clear();
        service->script("POST", "cloud_stores", damage.answer);
        ASSERT_TRUE(QVCloudStorage::upload(platform::Bytes { 4 }, "save"));
        ASSERT_TRUE(waitUntil([&] { return cloud.uploads > 1 || !cloud.uploadFailures.empty(); }));
        EXPECT_EQ(cloud.uploads, 1);
        EXPECT_EQ(cloud.uploadFailures, (std::vector<int> { status }));
    }
    // What the service kept is still the value.
    ASSERT_TRUE(QVCloudStorage::downloadDataWithKey("save"));
    ASSERT_TRUE(waitUntil([&] { return !cloud.downloads.empty(); }));
    EXPECT_EQ(cloud.downloads[0], (platform::Bytes { 1, 2, 3 }));
}

// ---- An answer lost on the way

// The client reaches the service over HTTP, where connections are kept alive
// (not inside the presence channel), through a proxy that can lose an answer.
class KeptAliveFailuresEndToEnd : public FailuresEndToEnd {
protected:
    void SetUp() override
    {
        FailuresEndToEnd::SetUp();
        service->setPresenceEnabled(false);
        ASSERT_GT(proxy.start(serviceAddress(), port), 0);
        writeSettingsFile();
    }
    std::string serviceBaseUrl() const override
    {
        return proxy.port() > 0 ? "http://" + serviceAddress() + ":" + std::to_string(proxy.port()) + "/"
                                : FailuresEndToEnd::serviceBaseUrl();
    }
    static std::string nonceOf(const standin::LoggedRequest& request)
    {
        for (const auto& [name, value] : standin::parseAuthorizationHeader(request.authorization))
            if (name == "oauth_nonce")
                return value;
        return {};
    }
    DamagingProxy proxy;
};

TEST_F(KeptAliveFailuresEndToEnd, AnAnswerLostOnAKeptAliveConnectionNeverSendsARequestTwiceUnderOneSignature)
{
    ASSERT_GT(launchAndLogIn(), 0);
    // No poll goes meanwhile: the only answers on the way are the calls'.
    QuorvelInternal::session().stopPolling();
    auto opened = net_testing::CallbackRecorder::create();
    QVForumService::postNewThreadInTopic(std::to_string(StandInState::kGeneralTopic), "Lap times", "Post yours",
                                         opened->onSuccess(), opened->onFailure());
    ASSERT_TRUE(waitUntil([&] { return opened->total() > 0; }));
    auto* page = dynamic_cast<QVPaginatedSeries*>(opened->successArg.get());
    ASSERT_TRUE(page && page->count() == 1);
    const std::string thread = dynamic_cast<QVResource*>(page->objectAtIndex(0))->resourceId();
    const std::string rival = std::to_string(StandInState::kRivalUser);
    int replies = 0;
    struct Call {
        const char* what;
        std::string path;
        bool mayGoAgain; // a read: nothing changes on the service when it goes twice
        std::function<void(net_testing::CallbackRecorder&)> call;
    };
    const std::vector<Call> calls {
        { "a forum reply", "discussions/" + thread + "/posts.xml", false,
          [&](auto& r) { QVForumService::replyToThread(thread, "Reply " + std::to_string(++replies), r.onSuccess(), r.onFailure()); } },
        { "a player's record", "users/" + rival + "/", true,
          [&](auto& r) { QVUserService::getUser(rival, r.onSuccess(), r.onFailure()); } },
    };
    for (auto how : { DamagingProxy::Loss::Close, DamagingProxy::Loss::Reset }) {
        for (const Call& c : calls) {
            SCOPED_TRACE(std::string(c.what) + (how == DamagingProxy::Loss::Close ? ", closed" : ", reset"));
            // Answered once as it should be: the connection the call goes on next has carried an answer.
            auto first = net_testing::CallbackRecorder::create();
            c.call(*first);
            ASSERT_TRUE(waitUntil([&] { return first->total() > 0; }));
            ASSERT_EQ(first->successes, 1);
            const size_t before = serviceRequestsTo(c.path).size();
            const int lost = proxy.answersLost();
            proxy.loseNextAnswer(how);
            auto recorder = net_testing::CallbackRecorder::create();
            c.call(*recorder);
            ASSERT_TRUE(waitUntil([&] { return recorder->total() > 0; }));
            settleAfterTouch();
            EXPECT_EQ(proxy.answersLost(), lost + 1);
            auto sent = serviceRequestsTo(c.path);
            sent.erase(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(before));
            std::set<std::string> nonces;
            for (const auto& r : sent) {
                EXPECT_TRUE(r.signatureValid) << r.signatureFailure;
                EXPECT_TRUE(nonces.insert(nonceOf(r)).second) << "sent twice under one nonce";
            }
            if (c.mayGoAgain) {
                // Signed afresh and sent once more: the game has its answer.
                EXPECT_EQ(sent.size(), 2u);
                EXPECT_EQ(recorder->successes, 1);
            } else {
                // The service took it; the game hears that the connection was lost, not that it was refused.
                EXPECT_EQ(sent.size(), 1u);
                EXPECT_EQ(recorder->failures, 1);
                auto* loader = dynamic_cast<OAuthAPIRequestLoader*>(recorder->failureArg.get());
                EXPECT_TRUE(loader && loader->error()
                            && loader->error()->code == OAuthAPIRequestLoader::ErrorNetworkConnectionLost);
            }
        }
    }
    EXPECT_EQ(state->postsIn(std::stoll(thread)), (Strings { "Post yours", "Reply 1", "Reply 2", "Reply 3", "Reply 4" }));
}

// ---- The login's answer

// A later launch whose login is answered with `bootstrap`.
class FailuresLaunchEndToEnd : public FailuresEndToEnd {
protected:
    std::string bootstrapWith(const std::string& userId, const std::string& pollingDefault,
                              const std::string& pollingInChat) const
    {
        return "<bootstrap><polling_frequency_default>" + pollingDefault + "</polling_frequency_default>"
               "<polling_frequency_in_chat>" + pollingInChat + "</polling_frequency_in_chat>"
               "<access_token>" + token + "</access_token><access_token_secret>" + secret + "</access_token_secret>"
               "<client_application_id>321</client_application_id>"
               "<user><id>" + userId + "</id><name>Player</name></user></bootstrap>";
    }
    void relaunchAnsweredWith(const std::string& bootstrap)
    {
        service->script("POST", "bootstrap.xml", Answer::xml(bootstrap));
        game.calls.clear();
        launch();
        ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
        letTimePass(2);
    }
    // A token the service issued to `player`, for answers written here.
    void issueToken(int64_t player)
    {
        ASSERT_TRUE(keep("INSERT INTO tokens VALUES ('" + token + "', '" + secret + "', " + std::to_string(player) + ")"));
        service->addToken(token, secret);
    }
    const std::string token = "token-scripted";
    const std::string secret = "secret-scripted";
};

TEST_F(FailuresLaunchEndToEnd, ALoginWhosePlayerIdIsNoPositiveNumberIsAFailedLogin)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    issueToken(player);
    quit();
    for (const char* id : { "abc", "-100", "0", "" }) {
        SCOPED_TRACE(std::string("player id \"") + id + "\"");
        ASSERT_NO_FATAL_FAILURE(relaunchAnsweredWith(bootstrapWith(id, "60", "5")));
        EXPECT_FALSE(QuorvelInternal::login().successfullyBootstrapped());
        EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:" + std::to_string(player) }));
        EXPECT_EQ(loggedInUser(), std::to_string(player));
        quit();
    }
    // The next launch with the service as it is logs the same player in.
    game.calls.clear();
    launch();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    EXPECT_EQ(loggedInUser(), std::to_string(player));
}

TEST_F(FailuresLaunchEndToEnd, PollingIntervalsNoIntHoldsAreRefusedOrClamped)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    issueToken(player);
    quit();
    struct Case {
        const char* defaultText;
        const char* chatText;
        int defaultKept;
        int chatKept;
    };
    // Not a number, or infinite: the intervals stay as they were; beyond an int: the nearest an int holds.
    const std::vector<Case> cases {
        { "1e26", "-1e26", INT_MAX, INT_MIN },
        { "nan", "inf", INT_MAX, INT_MIN },
        { "45", "4", 45, 4 },
        { "-inf", "NaN", 45, 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.defaultText) + ", " + c.chatText);
        ASSERT_NO_FATAL_FAILURE(relaunchAnsweredWith(bootstrapWith(std::to_string(player), c.defaultText, c.chatText)));
        EXPECT_TRUE(QuorvelInternal::login().successfullyBootstrapped());
        EXPECT_EQ(QuorvelInternal::options().getPollingFrequencyDefault(), c.defaultKept);
        EXPECT_EQ(QuorvelInternal::options().getPollingFrequencyInChat(), c.chatKept);
        quit();
    }
}

TEST_F(FailuresEndToEnd, AnUnlockAnswersGarbageIsNotKeptAndItsPercentagesStayWithinZeroToAHundred)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    const std::string me = std::to_string(player);
    const std::string steps = std::to_string(StandInState::kFirstStepsAchievement);
    const std::string collector = std::to_string(StandInState::kCollectorAchievement);
    auto record = [](const std::string& id, const std::string& percent) {
        return "<unlocked_achievement><achievement_definition><id>" + id + "</id><gamerscore>10</gamerscore>"
               "</achievement_definition><result>ok</result><percent_complete>" + percent + "</percent_complete>"
               "</unlocked_achievement>";
    };
    service->script("POST", QVAchievementService::kBatchPath,
                    Answer::xml("<resources>" + record("abc", "1e26") + record("-2", "50") + record(steps, "1e26")
                                + record(collector, "-12") + "</resources>"));
    ASSERT_TRUE(QVAchievement::achievement(collector));
    QVAchievement::achievement(collector)->updateProgressionComplete(30, false);
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo(QVAchievementService::kBatchPath).size() == 1; }));
    settleAfterTouch();
    // Not a number, or infinite: each of these answers is refused, the progress still waits to be sent.
    service->script("POST", QVAchievementService::kBatchPath,
                    Answer::xml("<resources>" + record(collector, "nan") + record(steps, "inf") + "</resources>"));
    QVAchievement::achievement(collector)->updateProgressionComplete(50, false);
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo(QVAchievementService::kBatchPath).size() == 2; }));
    settleAfterTouch();
    EXPECT_TRUE(QVAchievementService::isProgressPending(collector, me));

    auto check = [&] {
        EXPECT_EQ(QVAchievementService::getPercentComplete("abc", me), 0);
        EXPECT_EQ(QVAchievementService::getPercentComplete("-2", me), 0);
        EXPECT_EQ(QVAchievementService::getPercentComplete(steps, me), 100);
        EXPECT_EQ(QVAchievementService::getPercentComplete(collector, me), 50);
    };
    check();
    // What the device kept outlives a relaunch.
    quit();
    killService();
    launch();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    check();
}

// ---- The naming form

TEST_F(FailuresEndToEnd, TheNamingFormShowsTheServicesReasonsAndMovesOnOnlyWhenTheNameIsKept)
{
    launch();
    ASSERT_TRUE(waitForScreen("QVUserQuorvelApprovalController"));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForScreen("QVNewAccountController"));
    int64_t me = std::stoll(loggedInUser());
    const std::string name = *state->userName(me);

    const std::vector<std::pair<Damage, std::string>> answers {
        { { "422 with an error's text", withStatus(422, "<errors><error>That name is not allowed</error></errors>") },
          "That name is not allowed" },
        { { "422 with fields and reasons",
            withStatus(422, "<errors><error><field>name</field><reason>is too long</reason></error>"
                            "<error><field>base</field><reason>Try another</reason></error></errors>") },
          "- name: is too long\nTry another" },
        { { "301", withStatus(301, "<resources/>") }, "QVHttpStatusDomain[301]" },
        { { "304", withStatus(304) }, "QVHttpStatusDomain[304]" },
        { { "204", withStatus(204) }, "QVHttpStatusDomain[204]" },
        { { "a cut 200", withStatus(200, "<resources><user>") }, "QVHttpStatusDomain[200]" },
        { { "a garbage 200", withStatus(200, "\x01 garbage") }, "QVHttpStatusDomain[200]" },
    };
    for (const auto& [damage, shown] : answers) {
        SCOPED_TRACE(damage.what);
        service->script("POST", "users/update_name.xml", damage.answer);
        ASSERT_TRUE(typeInto(0, "Zed"));
        ASSERT_TRUE(tap("Submit"));
        ASSERT_TRUE(waitUntil([&] { return driver->currentAlert() != nullptr; }));
        EXPECT_EQ(driver->currentAlert()->title(), "Oops! There was a problem:");
        EXPECT_NE(driver->currentAlert()->message().find(shown), std::string::npos) << driver->currentAlert()->message();
        EXPECT_EQ(driver->currentAlert()->message().find("- : "), std::string::npos);
        ASSERT_TRUE(driver->answerAlert(0));
        settleAfterTouch();
        EXPECT_EQ(screenName(), "QVNewAccountController");
        EXPECT_EQ(state->userName(me), name);
        EXPECT_EQ(Quorvel::lastLoggedInUserName(), name);
    }
    ASSERT_TRUE(typeInto(0, "Zed"));
    ASSERT_TRUE(tap("Submit"));
    ASSERT_TRUE(waitForScreen("QVLinkSocialNetworksController"));
    EXPECT_EQ(state->userName(me), "Zed");
}

// ---- Screens

TEST_F(FailuresEndToEnd, TheLeaderboardsScreenMeetsEveryUnreadableAnswerWithTheSameDeadEndAsAServerError)
{
    ASSERT_GT(launchAndLogIn(), 0);
    const std::string path = "client_applications/321/leaderboards.xml";
    Answer dropped = Answer::xml("<resources><leaderboard><id>5</id></leaderboard></resources>");
    dropped.truncateAfter = 10;
    std::vector<Damage> answers {
        { "a 500", withStatus(500, "<errors><error>Down</error></errors>") },
        { "a dropped connection", dropped },
        { "a refusal without a body", withStatus(403) },
    };
    for (Damage& damage : damagedAnswers())
        if (damage.answer.status != 403 && damage.answer.status != 406 && damage.answer.status < 500)
            answers.push_back(std::move(damage));
    for (const Damage& damage : answers) {
        SCOPED_TRACE(damage.what);
        openDashboard();
        service->script("GET", path, damage.answer);
        ASSERT_TRUE(tapText("Leaderboards"));
        EXPECT_TRUE(waitForScreen("QVDeadEndErrorController")) << screenText();
        EXPECT_TRUE(shows(kTryAgain)) << screenText();
        EXPECT_FALSE(shows("Showing")) << screenText();
        EXPECT_FALSE(shows("There are no leaderboards")) << screenText();
        Quorvel::dismissDashboard();
        ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    }
    // Answered as it should be, the list shows its leaderboards.
    openDashboard();
    ASSERT_TRUE(tapText("Leaderboards"));
    EXPECT_TRUE(waitForText("Fastest Lap")) << screenText();
}

TEST_F(FailuresEndToEnd, APlayerWhoDeclinedWhileLoggedInSeesWhatIsStoredOrTheWayToApproveNeverAPageThatWaits)
{
    ASSERT_GT(launchAndLogIn(), 0);
    Quorvel::userDidApproveQuorvel(false);
    settleNetwork();
    service->clearLog();
    struct Page {
        void (*open)();
        const char* name;
    };
    const std::vector<Page> pages {
        { &Quorvel::launchDashboardWithListLeaderboardsPage, "leaderboards" },
        { &Quorvel::launchDashboardWithAchievementsPage, "achievements" },
        { &Quorvel::launchDashboardWithChallengesPage, "challenges" },
        { &Quorvel::launchDashboardWithWhosPlayingPage, "who's playing" },
        { &Quorvel::launchDashboardWithForumsPage, "forums" },
        { &Quorvel::launchDashboardWithListGlobalChatRoomsPage, "chat rooms" },
    };
    for (const Page& page : pages) {
        SCOPED_TRACE(page.name);
        page.open();
        ASSERT_TRUE(waitUntil([] { return QuorvelInternal::presenter().isShowingFullScreen(); }));
        // The game's page as the device holds it, with the way to turn the service on.
        EXPECT_TRUE(waitForText("Enable Quorvel")) << screenText();
        // Nothing shows a loading view that no answer will take down.
        EXPECT_TRUE(visible<QVLoadingView>().empty()) << screenText();
        Quorvel::dismissDashboard();
        ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::presenter().isShowingFullScreen(); }));
    }
    // None sent for the pages: every signed request of a player who declined is dropped.
    for (const auto& request : service->requests())
        EXPECT_FALSE(request.signed_) << request.method << " " << request.path;
}

} // namespace
