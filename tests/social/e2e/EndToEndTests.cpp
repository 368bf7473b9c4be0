// The client's main promises, end to end over loopback HTTP against the
// stand-in that keeps state: the first launch's approval, new player and
// login, the same player on the next launch; scores and achievements taken
// while the service is down kept and sent exactly once when it is back, with
// the service killed and restarted on its folder in the middle; the kept
// scores read back through the client's own leaderboard query.
#include "EndToEndTestSupport.h"

#include "platform/foundation/Boxed.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "platform/net/Reachability.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"
#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVReachability.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVChallenge.h"
#include "social/services/QVChallengeService.h"
#include "social/services/QVConversationService.h"
#include "social/services/QVForumService.h"
#include "social/services/QVFriendsService.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVUser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

using namespace quorvel;
using namespace e2e_testing;
using platform::Object;
using platform::Ref;
using Strings = std::vector<std::string>;
using standin::StandInState;

namespace {

// The device's network monitor, the test's for its length: only it tells the
// client the network went or came back.
class ManualNetwork {
public:
    ManualNetwork() : monitor_(platform::ManualReachability::create(platform::Reachability::ReachableViaWiFi))
    {
        QVReachability::setDefaultSource(Ref<platform::Reachability>(monitor_.get()));
    }
    ~ManualNetwork() { QVReachability::setDefaultSource(nullptr); }
    ManualNetwork(const ManualNetwork&) = delete;
    ManualNetwork& operator=(const ManualNetwork&) = delete;
    platform::ManualReachability* operator->() const { return monitor_.get(); }

private:
    Ref<platform::ManualReachability> monitor_;
};

// Receives the page of a query.
class PageRecorder final : public Object {
public:
    static Ref<PageRecorder> create() { return platform::adoptRef(new PageRecorder); }
    void succeeded(Object* page)
    {
        ++answers;
        if (auto* series = dynamic_cast<QVPaginatedSeries*>(page))
            for (auto& o : series->objects())
                if (auto* score = dynamic_cast<QVHighScore*>(o.get()))
                    scores.push_back(score->score());
    }
    void failed(Object*) { ++answers, ++failures; }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(PageRecorder, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(PageRecorder, failed)); }
    int answers { 0 };
    int failures { 0 };
    std::vector<int64_t> scores;
};



// The kept scores of one player on one leaderboard, in the order received.
std::vector<int64_t> keptScores(const StandInState& state, int64_t user, int64_t board)
{
    std::vector<int64_t> out;
    for (auto& s : state.scores())
        if (s.userId == user && s.leaderboardId == board)
            out.push_back(s.score);
    return out;
}

double keptProgress(const StandInState& state, int64_t user, int64_t achievement)
{
    for (auto& u : state.unlocks())
        if (u.userId == user && u.achievementId == achievement)
            return u.percentComplete;
    return -1;
}

using EndToEnd = EndToEndTest;

TEST_F(EndToEnd, FirstLaunchAsksApprovalMakesANamedPlayerAndTheNextLaunchIsTheSamePlayer)
{
    launch();
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVUserQuorvelApprovalController"; }));
    EXPECT_TRUE(serviceRequestsTo("bootstrap.xml").empty()); // nothing before the player answers

    ASSERT_TRUE(tap("Use Quorvel"));
    // No account on this device yet: the service makes one and the player names it.
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVNewAccountController"; }));
    auto bootstraps = serviceRequestsTo("bootstrap.xml");
    ASSERT_EQ(bootstraps.size(), 1u);
    EXPECT_TRUE(bootstraps[0].signatureValid);
    std::string udid = bootstraps[0].param("udid");
    auto player = state->userForDevice(udid);
    ASSERT_TRUE(player.has_value());
    EXPECT_EQ(loggedInUser(), std::to_string(*player));

    std::vector<platform::ui::TextField*> fields;
    std::function<void(platform::ui::View*)> find = [&](platform::ui::View* v) {
        if (auto* f = dynamic_cast<platform::ui::TextField*>(v))
            fields.push_back(f);
        for (auto& s : v->subviews())
            find(s.get());
    };
    find(driver->window());
    ASSERT_EQ(fields.size(), 1u);
    ASSERT_TRUE(driver->tap(fields[0]));
    for (size_t i = fields[0]->text().size(); i > 0; --i)
        driver->deleteBackward();
    ASSERT_TRUE(driver->type("Zed"));
    ASSERT_TRUE(tap("Submit"));
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVLinkSocialNetworksController"; }));
    EXPECT_EQ(state->userName(*player), "Zed");
    ASSERT_TRUE(tap("Continue"));
    EXPECT_FALSE(QuorvelInternal::presenter().isShowingFullScreen());
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + std::to_string(*player) }));

    // The service restarts on its folder; the next launch asks nothing and is the same player.
    quit();
    killService();
    startService();
    game.calls.clear();
    launch();
    ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); }));
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + std::to_string(*player) }));
    EXPECT_EQ(screenName(), "");
    bootstraps = serviceRequestsTo("bootstrap.xml");
    ASSERT_EQ(bootstraps.size(), 1u);
    EXPECT_EQ(bootstraps[0].param("force_create_account"), "0");
    EXPECT_EQ(Quorvel::lastLoggedInUserName(), "Zed");
}

TEST_F(EndToEnd, WhileTheServiceIsDownAnotherProgramsServerOnItsPortNeitherHearsTheClientNorKeepsItFromComingBack)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    quit();
    killService();
    // Another program (a test beside this one) listens on the port number the service gave up.
    standin::StandInServer other;
    other.installDefaultRoutes();
    ASSERT_EQ(other.start(port), port);

    // The game starts without its service: its requests reach no one else's.
    game.calls.clear();
    launch();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:" + std::to_string(player) }));

    // The service comes back on its port, and the client finds it there.
    startService();
    Quorvel::gameServerReachabilityChanged(platform::Boxed::number(platform::Reachability::ReachableViaWiFi).get());
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    EXPECT_EQ(serviceRequestsTo("bootstrap.xml").size(), 1u);
    EXPECT_EQ(other.requestCount(), 0u);
}

TEST_F(EndToEnd, ScoresAndAchievementsTakenWhileTheServiceIsDownGoOutOnceWhenItIsBack)
{
    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);
    const std::string firstSteps = std::to_string(StandInState::kFirstStepsAchievement);
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);

    // Online: a score goes out at once and is kept.
    QVHighScoreService::setHighScore(1000, normal, {}, {});
    ASSERT_TRUE(waitUntil([&] { return keptScores(*state, player, StandInState::kNormalLeaderboard).size() == 1; }));
    quit();

    // The service dies; the game starts without it and logs the player in offline.
    killService();
    game.calls.clear();
    notices.clear();
    launch();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    EXPECT_EQ(game.calls, (Strings { "offlineUserLoggedIn:" + std::to_string(player) }));
    QVHighScoreService::setHighScore(1500, normal, {}, {});
    QVHighScoreService::setHighScore(1200, normal, {}, {}); // not a best: stays on the device
    Ref<QVAchievement> achievement = QVAchievement::achievement(firstSteps);
    ASSERT_TRUE(achievement);
    achievement->unlock();
    EXPECT_NE(std::find(notices.begin(), notices.end(), QVHighScoreService::kNewHighScoreSavedLocally), notices.end());

    // The service comes back on its folder; the client notices and sends what it kept, once.
    startService();
    Quorvel::gameServerReachabilityChanged(platform::Boxed::number(platform::Reachability::ReachableViaWiFi).get());
    Quorvel::gameServerReachabilityChanged(platform::Boxed::number(platform::Reachability::ReachableViaWiFi).get());
    ASSERT_TRUE(waitUntil([&] {
        return keptScores(*state, player, StandInState::kNormalLeaderboard).size() == 2
            && keptProgress(*state, player, StandInState::kFirstStepsAchievement) >= 100;
    }));
    EXPECT_EQ(keptScores(*state, player, StandInState::kNormalLeaderboard), (std::vector<int64_t> { 1000, 1500 }));
    EXPECT_EQ(serviceRequestsTo("bootstrap.xml").size(), 1u);

    // Nothing goes out again: not later in this run, not on the next launch.
    letTimePass(0.5); // lets any late request arrive
    quit();
    launch();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    letTimePass(0.5);
    EXPECT_EQ(serviceRequestsTo("client_applications/@me/high_scores.xml").size(), 1u);
    // The unlock taken offline waited on the device and went with the login's pending send, once.
    EXPECT_EQ(serviceRequestsTo("users/@me/unlocked_achievements.xml").size(), 1u);
    EXPECT_EQ(state->unlocks().size(), 1u);
    EXPECT_EQ(keptScores(*state, player, StandInState::kNormalLeaderboard), (std::vector<int64_t> { 1000, 1500 }));
    EXPECT_GE(keptProgress(*state, player, StandInState::kFirstStepsAchievement), 100.0);

    // The leaderboard the client reads shows the kept bests: the rival's and the player's.
    auto page = PageRecorder::create();
    QVHighScoreService::getPage(1, normal, false, page->onSuccess(), page->onFailure());
    ASSERT_TRUE(waitUntil([&] { return page->answers == 1; }));
    EXPECT_EQ(page->failures, 0);
    EXPECT_EQ(page->scores, (std::vector<int64_t> { 1500, 900 }));
}

// The network goes under a logged-in player and comes back: the login
// still holds, so nobody logs in again, and what the game kept meanwhile goes
// out when the network returns, once, without waiting for the next launch.
TEST_F(EndToEnd, WhatIsTakenDuringANetworkBlipGoesOutOnceWhenTheNetworkReturns)
{
    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);
    ManualNetwork network;
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    letTimePass(0.5);

    network->setStatus(platform::Reachability::NotReachable);
    QVHighScoreService::setHighScore(1500, normal, {}, {});
    Ref<QVAchievement> achievement = QVAchievement::achievement(std::to_string(StandInState::kFirstStepsAchievement));
    ASSERT_TRUE(achievement);
    achievement->unlock();
    letTimePass(0.5);
    EXPECT_TRUE(keptScores(*state, player, StandInState::kNormalLeaderboard).empty());

    // Back on WiFi, then over to WWAN: one send of what waited, no login.
    network->setStatus(platform::Reachability::ReachableViaWiFi);
    network->setStatus(platform::Reachability::ReachableViaWWAN);
    ASSERT_TRUE(waitUntil([&] {
        return !keptScores(*state, player, StandInState::kNormalLeaderboard).empty()
            && keptProgress(*state, player, StandInState::kFirstStepsAchievement) >= 100;
    }));
    letTimePass(0.5);
    EXPECT_EQ(keptScores(*state, player, StandInState::kNormalLeaderboard), (std::vector<int64_t> { 1500 }));
    EXPECT_EQ(serviceRequestsTo("client_applications/@me/high_scores.xml").size(), 1u);
    EXPECT_EQ(serviceRequestsTo("users/@me/unlocked_achievements.xml").size(), 1u);
    EXPECT_EQ(serviceRequestsTo("bootstrap.xml").size(), 1u);
    EXPECT_EQ(game.calls, (Strings { "userLoggedIn:" + std::to_string(player) }));
}

// The service keeps a score and the network goes before its answer comes
// back: the device cannot know it arrived, so the score waits for the next
// login, whose list of the player's bests says it did, rather than going
// again when the network returns. The service keeps it once.
TEST_F(EndToEnd, AScoreWhoseAnswerTheNetworkLostIsKeptOnce)
{
    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);
    ManualNetwork network;
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    letTimePass(0.5);

    // Late answers: the service has kept the score when it goes.
    service->setAnswerDelay(60000, 60000);
    QVHighScoreService::setHighScore(1500, normal, {}, {});
    driver->advance(0.1);
    ASSERT_TRUE(waitFor([&] { return keptScores(*state, player, StandInState::kNormalLeaderboard).size() == 1; }));
    killService();
    network->setStatus(platform::Reachability::NotReachable);
    letTimePass(0.5);
    startService();
    network->setStatus(platform::Reachability::ReachableViaWiFi);
    letTimePass(1.0);
    EXPECT_EQ(keptScores(*state, player, StandInState::kNormalLeaderboard), (std::vector<int64_t> { 1500 }));

    quit();
    ASSERT_EQ(launchAndLogIn(), player);
    letTimePass(1.0);
    EXPECT_EQ(keptScores(*state, player, StandInState::kNormalLeaderboard), (std::vector<int64_t> { 1500 }));
    EXPECT_FALSE(QVHighScoreService::isScorePending(normal, 1500));
}

// A batch the service answered with an error was not kept: unlike one never
// answered, it goes again as soon as the network returns, before any login.
TEST_F(EndToEnd, AScoreTheServiceAnsweredWithAnErrorGoesAgainWhenTheNetworkReturns)
{
    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);
    ManualNetwork network;
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    letTimePass(0.5);

    service->script("POST", QVHighScoreService::kBatchPath, standin::Answer::xml("<errors/>", 500));
    QVHighScoreService::setHighScore(1500, normal, {}, {});
    ASSERT_TRUE(waitUntil([&] { return serviceRequestsTo(QVHighScoreService::kBatchPath).size() == 1; }));
    letTimePass(0.5);
    EXPECT_TRUE(keptScores(*state, player, StandInState::kNormalLeaderboard).empty());

    network->setStatus(platform::Reachability::NotReachable);
    network->setStatus(platform::Reachability::ReachableViaWiFi);
    ASSERT_TRUE(waitUntil([&] { return !keptScores(*state, player, StandInState::kNormalLeaderboard).empty(); }));
    letTimePass(0.5);
    EXPECT_EQ(keptScores(*state, player, StandInState::kNormalLeaderboard), (std::vector<int64_t> { 1500 }));
    EXPECT_EQ(serviceRequestsTo("bootstrap.xml").size(), 1u);
}

TEST_F(EndToEnd, ScoresTakenOfflineInAnyOrderLeaveTheServiceWithEachBestOnce)
{
    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);      // higher is better
    const std::string lap = std::to_string(StandInState::kFastestLapLeaderboard);     // lower is better
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    QVHighScoreService::setHighScore(1000, normal, {}, {});
    ASSERT_TRUE(waitUntil([&] { return keptScores(*state, player, StandInState::kNormalLeaderboard).size() == 1; }));

    // The service dies under a playing client: the batch of a new best fails;
    // the same best again, then a worse score.
    killService();
    QVHighScoreService::setHighScore(1100, normal, {}, {});
    letTimePass(0.3); // the batch goes out and fails
    QVHighScoreService::setHighScore(1100, normal, {}, {});
    QVHighScoreService::setHighScore(1050, normal, {}, {});
    quit();

    // Offline: bests, equal and worse scores on the other board, and the waiting best once more.
    launch();
    ASSERT_TRUE(waitUntil([] { return !QuorvelInternal::login().isBootstrapInProgress(); }));
    for (int64_t score : { 80, 80, 90, 70, 70, 75 })
        QVHighScoreService::setHighScore(score, lap, {}, {});
    QVHighScoreService::setHighScore(1100, normal, {}, {});

    // The service comes back; the login sends what waits.
    startService();
    Quorvel::gameServerReachabilityChanged(platform::Boxed::number(platform::Reachability::ReachableViaWiFi).get());
    Quorvel::gameServerReachabilityChanged(platform::Boxed::number(platform::Reachability::ReachableViaWiFi).get());
    ASSERT_TRUE(waitUntil([&] {
        return keptScores(*state, player, StandInState::kNormalLeaderboard).size() == 2
            && !keptScores(*state, player, StandInState::kFastestLapLeaderboard).empty();
    }));
    letTimePass(0.5);
    quit();
    launch();
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped(); }));
    letTimePass(0.5);
    EXPECT_EQ(keptScores(*state, player, StandInState::kNormalLeaderboard), (std::vector<int64_t> { 1000, 1100 }));
    EXPECT_EQ(keptScores(*state, player, StandInState::kFastestLapLeaderboard), (std::vector<int64_t> { 70 }));
}

// Receives a list of players.
class UsersRecorder final : public Object {
public:
    static Ref<UsersRecorder> create() { return platform::adoptRef(new UsersRecorder); }
    void succeeded(Object* page)
    {
        done = true;
        names.clear();
        if (auto* series = dynamic_cast<QVPaginatedSeries*>(page))
            take(*series);
    }
    // Players, or the players of each section.
    void take(const QVPaginatedSeries& series)
    {
        for (auto& o : series.objects()) {
            if (auto* user = dynamic_cast<QVUser*>(o.get()))
                names.push_back(user->name());
            else if (auto* section = dynamic_cast<QVTableSectionDescription*>(o.get()); section && section->page())
                take(*section->page());
        }
    }
    void failed(Object*) { done = failed_ = true; }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(UsersRecorder, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(UsersRecorder, failed)); }
    bool done { false }, failed_ { false };
    Strings names;
};

TEST_F(EndToEnd, FollowingARivalIsKeptAcrossARestartAndShapesTheFriendsLeaderboard)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    auto followed = UsersRecorder::create();
    QVFriendsService::makeLocalUserFollow(std::to_string(StandInState::kRivalUser), followed->onSuccess(),
                                          followed->onFailure());
    ASSERT_TRUE(waitUntil([&] { return followed->done; }));
    EXPECT_FALSE(followed->failed_);
    EXPECT_EQ(state->followedBy(player), (std::vector<int64_t> { StandInState::kRivalUser }));

    killService();
    startService();
    auto friends = UsersRecorder::create();
    QVFriendsService::getUsersFollowedByLocalUser(1, friends->onSuccess(), friends->onFailure());
    ASSERT_TRUE(waitUntil([&] { return friends->done; }));
    EXPECT_FALSE(friends->failed_);
    EXPECT_EQ(friends->names, (Strings { "Rival" }));

    auto page = PageRecorder::create();
    QVHighScoreService::getPage(1, std::to_string(StandInState::kFastestLapLeaderboard), true, page->onSuccess(),
                                page->onFailure());
    ASSERT_TRUE(waitUntil([&] { return page->answers == 1; }));
    EXPECT_EQ(page->scores, (std::vector<int64_t> { 75 })); // lower is better; the player has none yet

    auto stopped = UsersRecorder::create();
    QVFriendsService::makeLocalUserStopFollowing(std::to_string(StandInState::kRivalUser), stopped->onSuccess(),
                                                 stopped->onFailure());
    ASSERT_TRUE(waitUntil([&] { return stopped->done; }));
    EXPECT_TRUE(state->followedBy(player).empty());
}

// Receives a page of challenges.
class ChallengeRecorder final : public Object {
public:
    static Ref<ChallengeRecorder> create() { return platform::adoptRef(new ChallengeRecorder); }
    void succeeded(Object* page)
    {
        done = true;
        if (auto* series = dynamic_cast<QVPaginatedSeries*>(page))
            for (auto& o : series->objects())
                if (auto* c = dynamic_cast<QVChallenge*>(o.get()))
                    texts.push_back(c->challengeDescription() + " / " + c->userMessage());
    }
    void failed(Object*) { done = failed_ = true; }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(ChallengeRecorder, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(ChallengeRecorder, failed)); }
    bool done { false }, failed_ { false };
    Strings texts;
};

TEST_F(EndToEnd, ASentChallengeReachesItsPlayerAndOutlivesARestart)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    auto sent = ChallengeRecorder::create();
    ASSERT_TRUE(QVChallengeService::sendChallenge("51", "Beat my lap", platform::Bytes { 1, 2, 3 }, std::string("Try this"),
                                                  "lap=75", { std::to_string(StandInState::kRivalUser) }, std::nullopt,
                                                  sent->onSuccess(), sent->onFailure()));
    ASSERT_TRUE(waitUntil([&] { return sent->done; }));
    EXPECT_FALSE(sent->failed_);
    auto received = state->challengesTo(StandInState::kRivalUser);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].challengerId, player);
    EXPECT_EQ(received[0].definitionId, 51);
    EXPECT_EQ(received[0].userMessage, "Try this");

    killService();
    startService();
    auto list = ChallengeRecorder::create();
    QVChallengeService::getSentChallengesForLocalUserAndLocalApplication(1, list->onSuccess(), list->onFailure());
    ASSERT_TRUE(waitUntil([&] { return list->done; }));
    EXPECT_FALSE(list->failed_);
    EXPECT_EQ(list->texts, (Strings { "Beat my lap / Try this" }));
    EXPECT_EQ(serviceRequestsTo("challenges.xml").size(), 1u);
}

// Receives a page of forum posts.
class PostRecorder final : public Object {
public:
    static Ref<PostRecorder> create() { return platform::adoptRef(new PostRecorder); }
    void succeeded(Object* page)
    {
        done = true;
        if (auto* series = dynamic_cast<QVPaginatedSeries*>(page))
            for (auto& o : series->objects()) {
                if (auto* p = dynamic_cast<QVForumPost*>(o.get()))
                    bodies.push_back(p->body());
                if (auto* c = dynamic_cast<QVConversation*>(o.get()))
                    conversation = c->resourceId();
            }
    }
    void failed(Object*) { done = failed_ = true; }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(PostRecorder, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(PostRecorder, failed)); }
    bool done { false }, failed_ { false };
    Strings bodies;
    std::string conversation;
};

TEST_F(EndToEnd, AForumThreadAndItsReplyAreKeptAcrossARestart)
{
    ASSERT_GT(launchAndLogIn(), 0);
    auto opened = PostRecorder::create();
    QVForumService::postNewThreadInTopic(std::to_string(StandInState::kGeneralTopic), "Lap times", "Post yours",
                                         opened->onSuccess(), opened->onFailure());
    ASSERT_TRUE(waitUntil([&] { return opened->done; }));
    EXPECT_FALSE(opened->failed_);
    auto replied = PostRecorder::create();
    QVForumService::replyToThread("301", "75 s here", replied->onSuccess(), replied->onFailure());
    ASSERT_TRUE(waitUntil([&] { return replied->done; }));
    EXPECT_FALSE(replied->failed_);
    EXPECT_EQ(state->postsIn(301), (Strings { "Post yours", "75 s here" }));

    killService();
    startService();
    auto posts = PostRecorder::create();
    QVForumService::getPostsForThread("301", 1, posts->onSuccess(), posts->onFailure());
    ASSERT_TRUE(waitUntil([&] { return posts->done; }));
    EXPECT_FALSE(posts->failed_);
    EXPECT_EQ(posts->bodies, (Strings { "Post yours", "75 s here" }));
}

TEST_F(EndToEnd, AConversationWithTheRivalKeepsItsMessagesAndIsFoundAgain)
{
    ASSERT_GT(launchAndLogIn(), 0);
    std::string rival = std::to_string(StandInState::kRivalUser);
    auto started = PostRecorder::create();
    QVConversationService::startConversationWithUser(rival, started->onSuccess(), started->onFailure());
    ASSERT_TRUE(waitUntil([&] { return started->done; }));
    ASSERT_FALSE(started->conversation.empty());
    auto sent = PostRecorder::create();
    QVConversationService::postMessage("Good race", started->conversation, sent->onSuccess(), sent->onFailure());
    ASSERT_TRUE(waitUntil([&] { return sent->done; }));
    EXPECT_FALSE(sent->failed_);

    killService();
    startService();
    // Starting it again finds the same conversation, with its message.
    auto again = PostRecorder::create();
    QVConversationService::startConversationWithUser(rival, again->onSuccess(), again->onFailure());
    ASSERT_TRUE(waitUntil([&] { return again->done; }));
    EXPECT_EQ(again->conversation, started->conversation);
    auto history = PostRecorder::create();
    QVConversationService::getConversationHistory(started->conversation, 1, history->onSuccess(), history->onFailure());
    ASSERT_TRUE(waitUntil([&] { return history->done; }));
    EXPECT_EQ(history->bodies, (Strings { "Good race" }));
}

TEST_F(EndToEnd, AScoreWhosePostFindsTheServiceGoneIsSentOnceOnTheNextLogin)
{
    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    // The service dies while the client believes it is online.
    killService();
    QVHighScoreService::setHighScore(2000, normal, {}, {});
    letTimePass(0.5);
    quit();
    startService();
    launchAndLogIn();
    ASSERT_TRUE(waitUntil([&] { return !keptScores(*state, player, StandInState::kNormalLeaderboard).empty(); }));
    letTimePass(0.5);
    EXPECT_EQ(keptScores(*state, player, StandInState::kNormalLeaderboard), (std::vector<int64_t> { 2000 }));
    EXPECT_EQ(serviceRequestsTo("client_applications/@me/high_scores.xml").size(), 1u);
}

// The service dies while the game runs online: the game hears the unlock
// fail and the score taken, as before; the log says of each, once, that it
// is kept on the device for the next login, which sends both.
TEST_F(EndToEnd, WhatTheServiceMissesWhenItDiesMidRunIsSaidOnceToBeKeptForTheNextLogin)
{
    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);
    const std::string firstSteps = std::to_string(StandInState::kFirstStepsAchievement);
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    killService();
    platform::LogCapture log;
    auto unlock = PageRecorder::create();
    QVHighScoreService::setHighScore(2000, normal, {}, {});
    QVAchievementService::updateAchievement(firstSteps, 100, false, unlock->onSuccess(), unlock->onFailure());
    ASSERT_TRUE(waitUntil([&] { return unlock->answers == 1; }));
    letTimePass(5);
    EXPECT_EQ(unlock->failures, 1);
    auto said = [&](const std::string& what) {
        auto texts = log.texts();
        return std::count_if(texts.begin(), texts.end(), [&](const std::string& t) {
            return t.find(what) != std::string::npos && t.find("kept on the device and will be sent after the next login") != std::string::npos;
        });
    };
    EXPECT_EQ(said("score 2000 on leaderboard " + normal), 1) << testing::PrintToString(log.texts());
    EXPECT_EQ(said("achievement \"" + firstSteps + "\""), 1) << testing::PrintToString(log.texts());

    quit();
    startService();
    launchAndLogIn();
    ASSERT_TRUE(waitUntil([&] {
        return !keptScores(*state, player, StandInState::kNormalLeaderboard).empty()
            && keptProgress(*state, player, StandInState::kFirstStepsAchievement) == 100.0;
    }));
}

// A player clearing the game's data while it runs removes the offline store:
// the next write makes it again, with what it kept, instead of going into the
// removed file. The score is kept (the store still knows its leaderboard) and
// goes out at the next login with the unlock.
TEST_F(EndToEnd, TheOfflineStoreRemovedWhileTheGameRunsIsMadeAgainWithWhatItKeptAtTheNextWrite)
{
    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);
    const std::string firstSteps = std::to_string(StandInState::kFirstStepsAchievement);
    int64_t player = logInThenRelaunchWithoutTheService();
    ASSERT_GT(player, 0);
    const std::string store = platform::Bundle::main().documentsDirectory() + "/quorvel_offline";
    ASSERT_TRUE(std::filesystem::exists(store));
    for (const char* suffix : { "", "-wal", "-shm" })
        std::filesystem::remove(store + suffix);

    platform::LogCapture log;
    auto score = PageRecorder::create();
    QVHighScoreService::setHighScore(2100, normal, score->onSuccess(), score->onFailure());
    EXPECT_EQ(score->answers - score->failures, 1) << "kept in the store made again";
    EXPECT_TRUE(log.contains("was removed while the game ran; it is made again with what it kept"))
        << testing::PrintToString(log.texts());
    EXPECT_TRUE(std::filesystem::exists(store));
    auto unlock = PageRecorder::create();
    QVAchievementService::updateAchievement(firstSteps, 100, false, unlock->onSuccess(), unlock->onFailure());
    EXPECT_EQ(unlock->answers - unlock->failures, 1) << "kept in the store made again";
    quit();

    startService();
    launchAndLogIn();
    ASSERT_TRUE(waitUntil([&] {
        return keptProgress(*state, player, StandInState::kFirstStepsAchievement) == 100.0
            && keptScores(*state, player, StandInState::kNormalLeaderboard) == std::vector<int64_t> { 2100 };
    }));
}

// The store moved away and a file of junk put at its path while the game
// runs offline, its write-ahead log left in place or removed (its index
// too, the next score taken at once): the next score keeps the junk aside
// and makes the store again with what it kept, which only the open
// connection still holds once the log is gone; both scores told kept, on
// two boards, reach the service after a relaunch.
TEST_F(EndToEnd, TheOfflineStoreSwappedForJunkWhileTheGameRunsLosesNoScoreToldKept)
{
    const std::string normal = std::to_string(StandInState::kNormalLeaderboard);
    const std::string fastest = std::to_string(StandInState::kFastestLapLeaderboard);
    int64_t first = 3000, second = 30;
    struct Swap {
        const char* name;
        std::vector<const char*> removed;
        char junk;
        double wait; // before the swap, and after it until the next score (or after that score)
        bool scoreAtOnce;
    };
    const std::vector<Swap> swaps {
        { "the log left in place", {}, 'j', 0.1, false },
        { "the log removed", { "-wal" }, 'j', 0.1, false },
        { "the log and its index removed, the next score at once", { "-wal", "-shm" }, '\x55', 0.5, true },
    };
    for (const Swap& swap : swaps) {
        SCOPED_TRACE(swap.name);
        const int64_t player = logInThenRelaunchWithoutTheService();
        ASSERT_GT(player, 0);
        const std::string store = platform::Bundle::main().documentsDirectory() + "/quorvel_offline";
        auto told = PageRecorder::create();
        QVHighScoreService::setHighScore(++first, normal, told->onSuccess(), told->onFailure());
        letTimePass(swap.wait);
        std::filesystem::rename(store, store + "-away");
        for (const char* suffix : swap.removed)
            std::filesystem::remove(store + suffix);
        std::ofstream(store, std::ios::binary) << std::string(8192, swap.junk);
        if (!swap.scoreAtOnce)
            letTimePass(swap.wait);
        platform::LogCapture log;
        QVHighScoreService::setHighScore(--second, fastest, told->onSuccess(), told->onFailure());
        if (swap.scoreAtOnce)
            letTimePass(swap.wait);
        EXPECT_EQ(told->answers - told->failures, 2);
        EXPECT_TRUE(log.contains("it is kept as \"" + store + ".damaged")) << testing::PrintToString(log.texts());
        EXPECT_TRUE(log.contains("was removed while the game ran; it is made again with what it kept"));
        quit();
        startService();
        launchAndLogIn();
        auto keeps = [&](int64_t board, int64_t score) {
            const std::vector<int64_t> kept = keptScores(*state, player, board);
            return std::find(kept.begin(), kept.end(), score) != kept.end();
        };
        EXPECT_TRUE(waitUntil([&] {
            return keeps(StandInState::kNormalLeaderboard, first) && keeps(StandInState::kFastestLapLeaderboard, second);
        })) << "kept: " << testing::PrintToString(keptScores(*state, player, StandInState::kNormalLeaderboard))
            << testing::PrintToString(keptScores(*state, player, StandInState::kFastestLapLeaderboard));
        quit();
        std::filesystem::remove(store + "-away");
        std::filesystem::remove(store + ".damaged");
    }
}

// A store file damaged between two launches (cut, written over, a page
// zeroed, emptied) stops nothing: the launch keeps it aside, says where, and
// goes on with a new store that the login fills; the next score is kept and
// sent.
TEST_F(EndToEnd, ADamagedStoreIsKeptAsideAndTheNextLaunchKeepsAndSendsANewScore)
{
    const int64_t board = StandInState::kNormalLeaderboard;
    const int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    const std::string store = platform::Bundle::main().documentsDirectory() + "/quorvel_offline";
    struct Damage {
        const char* name;
        std::function<std::string(const std::string&)> apply;
        const char* said;
    };
    const std::vector<Damage> damages {
        { "cut", [](const std::string& b) { return b.substr(0, b.size() / 2); }, "kept as" },
        { "overwritten", [](const std::string& b) { return std::string(b.size(), '#'); }, "kept as" },
        { "first page zeroed", [](const std::string& b) { return std::string(4096, '\0') + b.substr(4096); },
          "kept as" },
        { "emptied", [](const std::string&) { return std::string(); }, "was an empty file" },
    };
    int64_t score = 5000;
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        quit();
        for (const char* suffix : { "-wal", "-shm" })
            std::filesystem::remove(store + suffix);
        const std::string bytes = testing_support::readFile(store);
        ASSERT_GT(bytes.size(), 8192u);
        {
            std::ofstream out(store, std::ios::binary | std::ios::trunc);
            out << damage.apply(bytes);
        }
        platform::LogCapture log;
        game.calls.clear();
        launch();
        ASSERT_TRUE(waitUntil([&] { return !game.calls.empty(); }));
        EXPECT_EQ(game.calls, Strings { "userLoggedIn:" + std::to_string(player) });
        EXPECT_TRUE(log.contains(damage.said)) << testing::PrintToString(log.texts());

        auto kept = PageRecorder::create();
        QVHighScoreService::setHighScore(++score, std::to_string(board), kept->onSuccess(), kept->onFailure());
        EXPECT_EQ(kept->answers - kept->failures, 1) << "kept in the new store";
        ASSERT_TRUE(waitUntil([&] {
            auto scores = keptScores(*state, player, board);
            return std::count(scores.begin(), scores.end(), score) == 1;
        }));
    }
    EXPECT_TRUE(std::filesystem::exists(store + ".damaged-3"));
}

TEST_F(EndToEnd, ABootstrapWhoseSignatureDoesNotVerifyMakesNoPlayer)
{
    // The service knows the product by another secret.
    service->setConsumer(kProductKey, "another-secret");
    QuorvelInternal::options().setUserApprovedQuorvel();
    launch();
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo("bootstrap.xml").empty() && !QuorvelInternal::login().isBootstrapInProgress(); }));
    auto bootstraps = serviceRequestsTo("bootstrap.xml");
    EXPECT_FALSE(bootstraps[0].signatureValid);
    EXPECT_FALSE(QuorvelInternal::login().successfullyBootstrapped());
    EXPECT_FALSE(state->userForDevice(bootstraps[0].param("udid")).has_value());
}

// A first launch with a wrong secret ends on the account screen's failure,
// as without a connection; the log says it was the key or secret.
TEST_F(EndToEnd, AFirstLaunchWithAWrongSecretIsLoggedAsARefusedKeyOrSecret)
{
    service->setConsumer(kProductKey, "another-secret");
    platform::LogCapture log;
    launch();
    ASSERT_TRUE(waitUntil([&] { return screenName() == "QVUserQuorvelApprovalController"; }));
    ASSERT_TRUE(tap("Use Quorvel"));
    ASSERT_TRUE(waitForText("Quorvel failed to initialize"));
    EXPECT_TRUE(log.contains("refused the product key or secret (HTTP 401)")) << testing::PrintToString(log.texts());
    EXPECT_FALSE(log.contains("no connection"));
}

} // namespace

TEST_F(EndToEnd, ThePlayerWalksTheDashboardByItsButtonsTabsAndBackButton)
{
    launchAndLogIn();
    openDashboard();
    EXPECT_EQ(frontScreenName(), "QVGameProfileController");
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForScreen("QVLeaderboardController"));
    ASSERT_TRUE(waitForText("Normal"));
    ASSERT_TRUE(tapBack());
    ASSERT_TRUE(waitForScreen("QVGameProfileController"));
    ASSERT_TRUE(tapTab("My Quorvel"));
    EXPECT_NE(frontScreenName(), "QVGameProfileController");
}
