// Scores end to end: the game's scores reach the service and come back to the
// player in the dashboard's leaderboards, by time scope and friends or
// everyone; offline the dashboard shows the best ten kept on the device; with
// Game Center a score is mirrored there and its scores merge into the list;
// the leaderboard's pages are walked page by page and around the player, and
// spread over score bands; scores posted from a place are found near it and
// shown as pins on the map.
#include "DashboardEndToEndSupport.h"

#include "platform/device/Device.h"

#include "platform/device/LocationManager.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/MapView.h"
#include "platform/ui/NavigationController.h"
#include "social/dashboard/scores/QVHighScoreMapViewController.h"

#include "support/NetTestSupport.h"

#include "platform/foundation/DateFormat.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/PropertyList.h"
#include "platform/gamekit/GameCenter.h"
#include "platform/ui/TableView.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVHighScoreService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVScoreEnumerator.h"
#include "social/services/QVUser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sqlite3.h>

using namespace quorvel;
using namespace e2e_testing;
using platform::gamekit::GameCenter;
using platform::gamekit::ScriptedGameCenter;
using standin::StandInState;

namespace {

const std::string kNormal = std::to_string(StandInState::kNormalLeaderboard);

size_t keptCount(const StandInState& state, int64_t user)
{
    auto all = state.scores();
    return static_cast<size_t>(std::count_if(all.begin(), all.end(), [&](auto& s) { return s.userId == user; }));
}

class ScoresEndToEnd : public DashboardEndToEndTest {
protected:
    void TearDown() override
    {
        DashboardEndToEndTest::TearDown();
        GameCenter::install(nullptr);
    }
    // From the game's first tab to the high scores of the "Normal" board.
    void openNormalHighScores()
    {
        openDashboard();
        ASSERT_TRUE(tapText("Leaderboards"));
        ASSERT_TRUE(waitForText("Normal"));
        ASSERT_TRUE(tapText("Normal"));
        ASSERT_TRUE(waitForScreen("QVHighScoreController"));
    }
};

TEST_F(ScoresEndToEnd, TheLeaderboardsShowEachPlayersBestForFriendsAndEveryoneByTimeScope)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    QVHighScoreService::setHighScore(1000, kNormal, {}, {});
    ASSERT_TRUE(waitUntil([&] { return keptCount(*state, player) == 1; }));

    openDashboard();
    ASSERT_TRUE(tapText("Leaderboards"));
    ASSERT_TRUE(waitForText("Fastest Lap"));
    EXPECT_TRUE(shows("Normal"));
    ASSERT_TRUE(tapText("Normal"));
    ASSERT_TRUE(waitForText("900 points"));
    // All time: the rival's old best under everyone, the player's in both lists.
    EXPECT_TRUE(shows("Friends"));
    EXPECT_TRUE(shows("Everyone"));
    EXPECT_TRUE(shows("2. Rival"));
    auto texts = visibleTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "1000"), 2);

    // Today: only the scores of the last day, so the rival's is gone.
    ASSERT_TRUE(tapText("Today"));
    ASSERT_TRUE(waitUntil([&] { return !shows("Rival"); }));
    EXPECT_TRUE(shows("1. Player"));
    auto asked = serviceRequestsTo(QVHighScoreService::kBatchPath);
    EXPECT_TRUE(std::any_of(asked.begin(), asked.end(), [](auto& r) { return r.method == "GET" && r.param("interval") == "1"; }));
    ASSERT_TRUE(tapText("All Time"));
    ASSERT_TRUE(waitForText("2. Rival"));
}

TEST_F(ScoresEndToEnd, OfflineTheHighScoresAreTheBestTenKeptOnTheDevice)
{
    int64_t player = logInThenRelaunchWithoutTheService();
    ASSERT_GT(player, 0);
    ASSERT_EQ(game.calls.back(), "offlineUserLoggedIn:" + std::to_string(player));
    for (int64_t score = 100; score <= 1200; score += 100)
        QVHighScoreService::setHighScore(score, kNormal, {}, {});

    // The leaderboards come from the device's store; the list shows the best ten.
    openNormalHighScores();
    ASSERT_TRUE(waitForText("1200"));
    EXPECT_TRUE(shows("My Scores"));
    EXPECT_FALSE(shows("Everyone"));
    EXPECT_TRUE(shows("1. Player"));
    scrollFrontListToEnd();
    EXPECT_TRUE(shows("10. Player"));
    EXPECT_TRUE(shows("300"));
    auto texts = visibleTexts();
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "200"), texts.end());
    EXPECT_EQ(std::find(texts.begin(), texts.end(), "100"), texts.end());
}

TEST_F(ScoresEndToEnd, WithGameCenterAScoreIsMirroredThereAndItsScoresMergeIntoTheList)
{
    platform::ValueDictionary boards { { kNormal, "gc.normal" } };
    platform::ValueDictionary root { { "Leaderboards", boards }, { "Achievements", platform::ValueDictionary {} } };
    bundle.write("QVGameCenter.plist", *platform::writePropertyList(platform::Value(root)));
    auto gc = ScriptedGameCenter::create();
    gc->players = { { "G:77", "Gina" } };
    platform::gamekit::Score theirs;
    theirs.playerID = "G:77";
    theirs.category = "gc.normal";
    theirs.value = 1300;
    theirs.formattedValue = "1,300";
    theirs.date = platform::dateNow();
    gc->scores = { theirs };
    GameCenter::install(gc);

    QuorvelInternal::options().setUserApprovedQuorvel();
    QuorvelInternal::options().setDoneWithGetTheMost(true);
    QuorvelSettingsDictionary settings;
    settings.values.set("QuorvelSettingGameCenterEnabled", true);
    startClient(settings, delegates.get());
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::login().successfullyBootstrapped() && QuorvelInternal::gameCenter().isLoggedIntoGameCenter(); }));
    int64_t player = std::stoll(loggedInUser());

    QVHighScoreService::setHighScore(1000, kNormal, {}, {});
    ASSERT_TRUE(waitUntil([&] { return keptCount(*state, player) == 1; }));
    ASSERT_TRUE(waitUntil([&] { return !gc->reports.empty(); }));
    EXPECT_EQ(gc->reports[0].kind, "score");
    EXPECT_EQ(gc->reports[0].id, "gc.normal");
    EXPECT_EQ(gc->reports[0].value, 1000);

    openNormalHighScores();
    ASSERT_TRUE(waitForText("Gina"));
    EXPECT_TRUE(shows("1,300"));
    EXPECT_TRUE(shows("900 points"));
}

// A login sends what waits on the device; a score the game took just before
// is on its way already (queued for its batch, or its batch not answered yet)
// and reaches the service once, not a second time with the login's scores.
TEST_F(ScoresEndToEnd, AScoreOnItsWayWhenALoginEndsReachesTheServiceOnce)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    // The game hears the login once it has sent what waits on the device.
    auto logInAgain = [&] {
        const size_t heard = game.calls.size();
        Quorvel::loginWithUserId(std::to_string(player), QVDelegate(), QVDelegate());
        return waitFor([&] { return game.calls.size() > heard && settleNetwork(); });
    };

    // Queued: the login ends before the clock lets the score's batch go.
    QVHighScoreService::setHighScore(1000, kNormal, {}, {});
    ASSERT_TRUE(logInAgain());
    letTimePass(1.0);
    EXPECT_EQ(keptCount(*state, player), 1u) << "a queued score is kept once";
    // In its batch, kept by the service, whose answer waits until the login has ended.
    service->holdAnswersTo(QVHighScoreService::kBatchPath);
    QVHighScoreService::setHighScore(1100, kNormal, {}, {});
    ASSERT_TRUE(waitUntil([&] { return service->heldCount() == 1; }));
    ASSERT_TRUE(logInAgain());
    service->stopHolding();
    letTimePass(1.0);
    EXPECT_EQ(keptCount(*state, player), 2u) << "a score in its batch is kept once";
    EXPECT_FALSE(QVHighScoreService::isScorePending(kNormal, 1000));
    EXPECT_FALSE(QVHighScoreService::isScorePending(kNormal, 1100));
}

// The player takes a score and, before its batch goes, the game logs the
// device's other account in: the score stays the first player's, waits on the
// device and goes at that player's next login, once.
TEST_F(ScoresEndToEnd, AScoreQueuedWhenAnotherAccountLogsInStaysThePlayersWhoTookIt)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    const std::string udid = platform::ui::Device::currentDevice().uniqueIdentifier();
    ASSERT_TRUE(arrange("INSERT INTO device_accounts VALUES ('" + udid + "', 18)"));
    auto logIn = [&](const std::string& id) {
        Quorvel::loginWithUserId(id, QVDelegate(), QVDelegate());
        return waitFor([&] { return !game.calls.empty() && game.calls.back() == "userLoggedIn:" + id && settleNetwork(); });
    };

    QVHighScoreService::setHighScore(1000, kNormal, {}, {});
    ASSERT_TRUE(logIn("18"));
    letTimePass(1.0);
    EXPECT_EQ(keptCount(*state, StandInState::kRivalUser), 2u) << "only the rival's own two";
    ASSERT_TRUE(logIn(std::to_string(player)));
    letTimePass(1.0);
    EXPECT_EQ(keptCount(*state, player), 1u);
    EXPECT_FALSE(QVHighScoreService::isScorePending(kNormal, 1000));
}

// A leaderboard the service has retired since the device learned it, and a
// leaderboard id or texts the device cannot send, and a score the service
// refuses for itself hold back no other score: the id and the texts are
// refused when given; the batch the service refuses for the retired board or
// the one score goes again without it, the log names them, and they are not
// sent again.
TEST_F(ScoresEndToEnd, ARetiredLeaderboardAndAnIdTheDeviceCannotSendHoldBackNoOtherScore)
{
    const std::string fastest = std::to_string(StandInState::kFastestLapLeaderboard);
    const int64_t player = logInThenRelaunchWithoutTheService();
    ASSERT_GT(player, 0);
    auto kept = net_testing::CallbackRecorder::create();
    QVHighScoreService::setHighScore(700, kNormal, kept->onSuccess(), kept->onFailure());
    QVHighScoreService::setHighScore(41, fastest, kept->onSuccess(), kept->onFailure());
    EXPECT_EQ(kept->successes, 2);
    for (const char* unsendable : { "5 ", "5.0" }) {
        QVHighScoreService::setHighScore(800, unsendable, kept->onSuccess(), kept->onFailure());
        QVHighScoreService::setHighScore(800, unsendable, kept->onSuccess(), kept->onFailure());
    }
    EXPECT_EQ(kept->failures, 4) << "refused when given";
    // Texts past the service's bounds are refused when given too.
    QVHighScoreService::setHighScoreWithDisplayText(900, std::string(1001, 'd'), kNormal, kept->onSuccess(),
                                                    kept->onFailure());
    QVHighScoreService::setHighScoreWithCustomData(900, std::nullopt, std::string(4001, 'c'), kNormal, true,
                                                   kept->onSuccess(), kept->onFailure());
    EXPECT_EQ(kept->failures, 6);
    // A score an older client kept with a text the service refuses is dropped
    // from its batch by itself, before it goes.
    ASSERT_EQ(sqlite3_exec(QVOfflineStore::getOfflineDatabaseHandle(),
                           ("INSERT INTO high_scores (user_id, leaderboard_id, score, display_text) VALUES ("
                            + std::to_string(player) + ", " + kNormal + ", 650, replace(hex(zeroblob(1001)), '00', 'x'))")
                               .c_str(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    quit();
    startService();
    ASSERT_TRUE(arrange("DELETE FROM leaderboards WHERE id = " + fastest));

    platform::LogCapture log;
    launchAndLogIn();
    ASSERT_TRUE(waitUntil([&] { return keptCount(*state, player) == 1; }));
    letTimePass(1.0);
    auto scores = state->scores();
    ASSERT_EQ(keptCount(*state, player), 1u);
    EXPECT_EQ(std::find_if(scores.begin(), scores.end(), [&](auto& s) { return s.userId == player; })->score, 700);
    EXPECT_TRUE(log.contains("the service has no leaderboard " + fastest + ": its 1 score(s) waiting on the device "
                             "are not sent"))
        << testing::PrintToString(log.texts());
    EXPECT_FALSE(QVHighScoreService::isScorePending(fastest, 41));
    EXPECT_TRUE(log.contains("the display text of the score 650 on leaderboard " + kNormal + " is 1001 characters, "
                             "more than the 1000 the service keeps; it is not sent, nor kept waiting on the device"))
        << testing::PrintToString(log.texts());
    EXPECT_FALSE(QVHighScoreService::isScorePending(kNormal, 650));

    // The next launch sends nothing more.
    quit();
    const size_t batches = serviceRequestsTo(QVHighScoreService::kBatchPath).size();
    launchAndLogIn();
    letTimePass(1.0);
    EXPECT_EQ(serviceRequestsTo(QVHighScoreService::kBatchPath).size(), batches);
}

// The service closed a board between the game's call and its batch: it
// refuses that score alone; the rest is kept, and the game hears a failure
// naming the refused score, which waits on the device no more.
TEST_F(ScoresEndToEnd, ABatchWithAScoreOnABoardRetiredMeanwhileKeepsTheRestAndNamesTheRefusedScore)
{
    const int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    state->closeLeaderboard(StandInState::kFastestLapLeaderboard);
    const std::string fastest = std::to_string(StandInState::kFastestLapLeaderboard);
    auto heard = net_testing::CallbackRecorder::create();
    QVHighScoreBatch batch { QVHighScoreBatchEntry::create(kNormal, 1500), QVHighScoreBatchEntry::create(fastest, 20) };
    QVHighScoreService::batchSetHighScores(batch, heard->onSuccess(), heard->onFailure(), std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return heard->total() > 0; }));
    letTimePass(0.5);
    EXPECT_EQ(heard->successes, 0);
    EXPECT_EQ(heard->failures, 1);
    auto* named = dynamic_cast<QVRefusedHighScores*>(heard->failureArg.get());
    ASSERT_NE(named, nullptr);
    ASSERT_EQ(named->refusals().size(), 1u);
    EXPECT_EQ(named->refusals()[0].entry->leaderboardId, fastest);
    EXPECT_EQ(named->refusals()[0].why, "leaderboard " + fastest + " is closed and takes no new scores");
    EXPECT_EQ(keptCount(*state, player), 1u);
    EXPECT_FALSE(QVHighScoreService::isScorePending(kNormal, 1500));
    EXPECT_FALSE(QVHighScoreService::isScorePending(fastest, 20));
}

// Hears the score enumerators' pages.
class PageWatcher final : public QVScoreEnumeratorDelegate {
public:
    void didReceiveScoresQVScoreEnumerator(QVScoreEnumerator*) override { ++pages; }
    void didFailReceiveScoresQVScoreEnumerator(QVScoreEnumerator*) override { ++failures; }
    int pages { 0 }, failures { 0 };
};

std::vector<int64_t> scoresOf(const QVScoreEnumerator& e)
{
    std::vector<int64_t> out;
    if (e.scores())
        for (auto& o : *e.scores())
            if (auto* s = dynamic_cast<QVHighScore*>(o.get()))
                out.push_back(s->score());
    return out;
}

TEST_F(ScoresEndToEnd, ALeaderboardIsWalkedPageByPageAndOpensOnThePlayersPage)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    // 24 others from 1000 down to 770, the rival at 900, and the player at 805: 26 scores.
    for (int i = 0; i < 24; ++i)
        state->addScore(state->addUser("Player " + std::to_string(i)), StandInState::kNormalLeaderboard, 1000 - 10 * i);
    QVHighScoreService::setHighScore(805, kNormal, {}, {});
    ASSERT_TRUE(waitUntil([&] { return keptCount(*state, player) == 1; }));

    PageWatcher watcher;
    QVScoreEnumerator::setDelegate(&watcher);
    auto enumerator = QVScoreEnumerator::initWithLeaderboardId(kNormal, 10, 0);
    ASSERT_TRUE(waitUntil([&] { return watcher.pages == 1; }));
    EXPECT_EQ(enumerator->totalPages(), 3);
    EXPECT_EQ(scoresOf(*enumerator), (std::vector<int64_t> { 1000, 990, 980, 970, 960, 950, 940, 930, 920, 910 }));
    EXPECT_FALSE(enumerator->isCurrentUserPage());
    ASSERT_TRUE(enumerator->nextPage());
    ASSERT_TRUE(waitUntil([&] { return watcher.pages == 2; }));
    EXPECT_EQ(enumerator->currentPage(), 2);
    EXPECT_EQ(scoresOf(*enumerator).front(), 900);

    ASSERT_TRUE(enumerator->nextPage());
    ASSERT_TRUE(waitUntil([&] { return watcher.pages == 3; }));
    EXPECT_EQ(scoresOf(*enumerator), (std::vector<int64_t> { 810, 805, 800, 790, 780, 770 }));
    EXPECT_FALSE(enumerator->nextPage()) << "the last page";

    enumerator->pageWithCurrentUser();
    ASSERT_TRUE(waitUntil([&] { return watcher.pages == 4; }));
    EXPECT_TRUE(enumerator->isCurrentUserPage());
    EXPECT_EQ(enumerator->currentPage(), 3);
    EXPECT_EQ(watcher.failures, 0);
    QVScoreEnumerator::setDelegate(nullptr);
}

// Hears the pages of a score range.
class RangeWatcher final : public QVDistributedScoreEnumeratorDelegate {
public:
    void didReceiveScoresQVDistributedScoreEnumerator(QVDistributedScoreEnumerator*) override { ++pages; }
    void didReachLastPageQVDistributedScoreEnumerator(QVDistributedScoreEnumerator*) override { ++ends; }
    void didFailReceiveScoresQVDistributedScoreEnumerator(QVDistributedScoreEnumerator*) override { ++failures; }
    int pages { 0 }, ends { 0 }, failures { 0 };
};

std::vector<std::pair<int64_t, int>> scoresAndRanks(const QVPaginatedSeries::Objects* objects)
{
    std::vector<std::pair<int64_t, int>> out;
    if (objects)
        for (auto& o : *objects)
            if (auto* s = dynamic_cast<QVHighScore*>(o.get()))
                out.emplace_back(s->score(), s->rank());
    return out;
}

TEST_F(ScoresEndToEnd, ARangeOfScoresIsWalkedOneBestPerBandUntilAnEmptyPage)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    // The rival's 900 and Cara's 950 share a band of 100: Cara's is its best.
    state->addScore(state->addUser("Cara"), StandInState::kNormalLeaderboard, 950);
    state->addScore(state->addUser("Ann"), StandInState::kNormalLeaderboard, 1200);
    state->addScore(state->addUser("Bob"), StandInState::kNormalLeaderboard, 2000);
    QVHighScoreService::setHighScore(1000, kNormal, {}, {});
    ASSERT_TRUE(waitUntil([&] { return keptCount(*state, player) == 1; }));

    RangeWatcher watcher;
    auto range = QVDistributedScoreEnumerator::initWithLeaderboardId(kNormal, 2, 100, 0, &watcher);
    ASSERT_TRUE(waitUntil([&] { return watcher.pages == 1; }));
    // Bands from the bottom up, each score ranked among everyone's bests.
    EXPECT_EQ(scoresAndRanks(range->scores()), (std::vector<std::pair<int64_t, int>> { { 950, 4 }, { 1000, 3 } }));
    ASSERT_TRUE(range->nextPage());
    ASSERT_TRUE(waitUntil([&] { return watcher.pages == 2; }));
    EXPECT_EQ(scoresAndRanks(range->scores()), (std::vector<std::pair<int64_t, int>> { { 1200, 2 }, { 2000, 1 } }));
    range->nextPage();
    ASSERT_TRUE(waitUntil([&] { return watcher.ends == 1; }));
    EXPECT_EQ(range->lastPage(), 3);
    auto asked = service->requests();
    EXPECT_TRUE(std::any_of(asked.begin(), asked.end(), [](auto& r) {
        return r.path == "leaderboards/" + kNormal + "/high_scores/range/0/100/2/2.xml";
    }));
    EXPECT_EQ(watcher.failures, 0);
    QVDistributedScoreEnumerator::setDelegate(nullptr);
}

// Receives a request's answer.
class Answered final : public platform::Object {
public:
    static platform::Ref<Answered> create() { return platform::adoptRef(new Answered); }
    void succeeded(platform::Object* o) { series = platform::Ref<QVPaginatedSeries>(dynamic_cast<QVPaginatedSeries*>(o)); done = true; }
    void failed(platform::Object*) { done = true; }
    QVDelegate onSuccess() { return QVDelegate(this, BRISKO_SELECTOR(Answered, succeeded)); }
    QVDelegate onFailure() { return QVDelegate(this, BRISKO_SELECTOR(Answered, failed)); }
    platform::Ref<QVPaginatedSeries> series;
    bool done { false };
};

TEST_F(ScoresEndToEnd, ScoresPostedFromAPlaceAreFoundNearItAndShownAsPinsOnTheMap)
{
    int64_t player = launchAndLogIn();
    ASSERT_GT(player, 0);
    // The player shares their place (as the settings' switch does) and the device finds itself in Paris.
    QuorvelInternal::options().setUserDistanceUnit(QVDistanceUnit::Undecided);
    QuorvelInternal::location().startLocationManagerIfAllowed();
    ASSERT_GT(platform::ui::LocationManager::deliverLocation({ 48.8566, 2.3522 }), 0);
    ASSERT_TRUE(waitUntil([] { return QuorvelInternal::location().getUserLocation() != nullptr; }));
    ASSERT_TRUE(waitUntil([&] { return !serviceRequestsTo("users/@me/set_location.xml").empty(); }));
    // Ann posted from across the river, Bob from Tokyo; the rival from nowhere known.
    int64_t ann = state->addUser("Ann"), bob = state->addUser("Bob");
    state->addScore(ann, StandInState::kNormalLeaderboard, 1200);
    state->addScore(bob, StandInState::kNormalLeaderboard, 2000);
    ASSERT_TRUE(arrange("INSERT INTO score_places SELECT id, 48.86, 2.34 FROM high_scores WHERE user_id = " + std::to_string(ann)
                        + "; INSERT INTO score_places SELECT id, 35.68, 139.69 FROM high_scores WHERE user_id = "
                        + std::to_string(bob)));
    QVHighScoreService::setHighScore(1000, kNormal, {}, {});
    ASSERT_TRUE(waitUntil([&] { return keptCount(*state, player) == 1; }));
    // The batch named the player's place, and the service kept it with the score.
    EXPECT_EQ(kept("SELECT printf('%.4f %.4f', p.lat, p.lng) FROM score_places p JOIN high_scores h ON h.id = p.score_id"
                   " WHERE h.user_id = " + std::to_string(player)),
              "48.8566 2.3522");

    // Near Paris within 100 miles: Ann's, then the player's; Tokyo is too far.
    auto near = Answered::create();
    auto paris = platform::ui::Location::withLatitude(48.8566, 2.3522);
    QVHighScoreService::getHighScoresFromLocation(paris.get(), 100, 1, kNormal, near->onSuccess(), near->onFailure());
    ASSERT_TRUE(waitUntil([&] { return near->done; }));
    ASSERT_TRUE(near->series);
    std::vector<int64_t> found;
    for (auto& o : near->series->objects())
        if (auto* s = dynamic_cast<QVHighScore*>(o.get())) {
            found.push_back(s->score());
            EXPECT_LT(s->distance(), 2.0) << s->score();
        }
    EXPECT_EQ(found, (std::vector<int64_t> { 1200, 1000 }));

    // The high scores offer the map, which shows the scores around the player as pins.
    openNormalHighScores();
    auto* scores = frontStack()->visibleViewController();
    auto* mapButton = scores->navigationItem()->rightBarButtonItem();
    ASSERT_TRUE(mapButton);
    ASSERT_TRUE(driver->tapBarButton(mapButton));
    settleAfterTouch();
    ASSERT_TRUE(waitForScreen("QVHighScoreMapViewController"));
    auto* map = dynamic_cast<QVHighScoreMapViewController*>(frontStack()->visibleViewController());
    ASSERT_TRUE(map);
    ASSERT_TRUE(waitUntil([&] { return map->receivedScores() && map->annotations().size() == 2; }));
    EXPECT_TRUE(shows("Near Me"));
    std::vector<std::string> pins;
    for (auto& a : map->mapView()->annotations())
        if (auto* pin = dynamic_cast<QVHighScoreAnnotation*>(a.get()))
            pins.push_back(pin->title().substr(0, pin->title().find(" [")));
    std::sort(pins.begin(), pins.end());
    ASSERT_EQ(pins.size(), 2u);
    EXPECT_EQ(pins[0], "Ann");
    auto asked = serviceRequestsTo(QVHighScoreService::kBatchPath);
    EXPECT_TRUE(std::any_of(asked.begin(), asked.end(), [](auto& r) { return r.param("map_me") == "location"; }));
}

} // namespace
