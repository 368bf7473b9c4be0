// Achievements against the stand-in service: clamped, never-lowered progress,
// the batch parameters, progress kept before the login, held-back batches,
// Game Center alone, the server's list in the store and the records.
#include "social/services/HighScoreTestSupport.h"
#include "social/services/OfflineStoreTestSupport.h"
#include "support/NetTestSupport.h"

#include "social/runtime/QVPaginatedSeries.h"
#include "social/runtime/QVResourceNameMap.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVGameCenterAchievement.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVOfflineStore.h"
#include "social/services/QVSocialNotificationService.h"
#include "social/services/QVUsersCredentialService.h"

#include <cmath>
#include <functional>
#include <limits>

using namespace quorvel;
using highscore_testing::paramValues;
using net_testing::CallbackRecorder;
using platform::Ref;
using platform::gamekit::GameCenter;
using platform::gamekit::ScriptedGameCenter;
using Strings = std::vector<std::string>;

namespace {

class AchievementHost : public highscore_testing::ScoreHost<net_testing::RecordingHost> {
public:
    std::map<std::string, std::string> achievementIds;
    bool synchedAchievements { true };
    std::vector<std::pair<std::string, double>> achievementNotices;
    int localUserStored { 0 };

    std::optional<std::string> gameCenterAchievementId(const std::string& id) override
    {
        auto it = achievementIds.find(id);
        return it == achievementIds.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    bool isSynchedWithGameCenterAchievements() override { return synchedAchievements; }
    void setSynchWithGameCenterAchievements(bool s) override { synchedAchievements = s; }
    void showAchievementNotice(QVAchievement* achievement, double percent) override
    {
        achievementNotices.emplace_back(achievement ? achievement->title().value_or("") : "(none)", percent);
    }
    void setLocalUser(QVUser*) override { ++localUserStored; }
    // The game's delegate is called through here; the game shuts the client
    // down inside the call numbered `shutDownInCall` (from 1; 0 never).
    bool callGame(const std::function<void()>& call) override
    {
        call();
        return ++gameCalls != shutDownInCall;
    }
    int gameCalls { 0 };
    int shutDownInCall { 0 };
};

QVResourceNameMap achievementNames()
{
    QVResourceNameMap names;
    names.addResource<QVAchievement>("achievement");
    names.addResource<QVUnlockedAchievement>("unlocked_achievement");
    return names;
}

Ref<QVPaginatedSeries> parse(const std::string& xml)
{
    return QVResource::resourcesFromData(xml.data(), xml.size(), achievementNames());
}

// The service's answer to a batch: each posted entry back as confirmed, or
// refused ("invalid") for the ids in `refused`.
standin::Answer echoUnlocks(const standin::LoggedRequest& r, const std::set<std::string>& refused = {})
{
    Strings ids = paramValues(r, "achievement_list[][achievement_definition_id]");
    Strings percents = paramValues(r, "achievement_list[][percent_complete]");
    std::string body = "<resources>";
    for (size_t i = 0; i < ids.size() && i < percents.size(); ++i)
        body += "<unlocked_achievement><achievement_definition><id>" + ids[i]
            + "</id><gamerscore>10</gamerscore></achievement_definition><result>"
            + (refused.count(ids[i]) ? "invalid" : "ok") + "</result><percent_complete>" + percents[i]
            + "</percent_complete></unlocked_achievement>";
    return standin::Answer::xml(body + "</resources>");
}

class AchievementServiceTest : public highscore_testing::GameCenterStoreTest<AchievementHost> {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        ASSERT_TRUE(QVOfflineStore::openDatabaseAtPath(dir.file(QVOfflineStore::kFileName)));
        QVOfflineStore::setupOfflineSupport();
        facade.providerLink = provider.get();
        facade.local = highscore_testing::player("42");
        TestRuntimeRoles::setCurrent(&facade);
        provider->setAccessToken("token-1", "token-secret-1");
        server.route("POST", QVAchievementService::kBatchPath,
                     [this](const standin::LoggedRequest& r) { return echoUnlocks(r, refused); });
        server.route("GET", QVAchievementService::kDefinitionsPath,
                     standin::Answer::xml(service_testing::fixture("achievement_definitions.xml")));
        QVAchievementService::initializeService();
        storeDefinitions();
        recorder = CallbackRecorder::create();
    }
    void TearDown() override
    {
        QVAchievement::setDelegate(nullptr);
        QVAchievementService::shutdownService();
        QVSocialNotificationService::shutdownService();
        QVUsersCredentialService::shutdownService();
        QVOfflineService::shutdownService();
        GameCenter::install(nullptr);
        QVOfflineStore::teardownOfflineDatabase();
        NetTest::TearDown();
    }
    // The fixture's definitions without their progress (a list for nobody).
    void storeDefinitions()
    {
        auto series = parse(service_testing::fixture("achievement_definitions.xml"));
        ASSERT_TRUE(series);
        QVResourceArray defs;
        for (auto& o : series->objects()) {
            auto* a = dynamic_cast<QVAchievement*>(o.get());
            a->setPercentCompleteValue(0);
            defs.emplace_back(a);
        }
        ASSERT_TRUE(QVAchievementService::synchAchievementsList(defs, "42"));
    }
    Ref<ScriptedGameCenter> signedInGameCenter()
    {
        auto gc = installSignedInGameCenter();
        facade.achievementIds = { { "11", "gc.first" } };
        return gc;
    }
    bool waitForCallback() { return waitFor([&] { return recorder->total() > 0; }); }

    std::set<std::string> refused;
};

TEST_F(AchievementServiceTest, ProgressIsClampedNeverLoweredAndSentWithSixDecimals)
{
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(QVAchievementService::clampPercent(kInfinity), 100);
    EXPECT_EQ(QVAchievementService::clampPercent(150), 100);
    EXPECT_EQ(QVAchievementService::clampPercent(-5), 0);
    EXPECT_EQ(QVAchievementService::clampPercent(-kInfinity), 0);

    // -5 and -infinity are 0, which is not above the missing row's 0: refused without a request.
    EXPECT_FALSE(QVAchievementService::updateAchievement("12", -5, false, recorder->onSuccess(), recorder->onFailure()));
    EXPECT_FALSE(QVAchievementService::updateAchievement("12", -kInfinity, false, recorder->onSuccess(),
                                                         recorder->onFailure()));
    EXPECT_EQ(recorder->failures, 2);
    // No number is no progress, least of all an unlock: refused at the call,
    // held back or not, with nothing kept or sent.
    EXPECT_FALSE(QVAchievementService::updateAchievement("11", std::numeric_limits<double>::quiet_NaN(), false,
                                                         recorder->onSuccess(), recorder->onFailure()));
    QVAchievementService::queueUpdateAchievement("11", std::numeric_limits<double>::quiet_NaN(), false);
    EXPECT_EQ(recorder->failures, 3);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM unlocked_achievements"), Strings { "0" });

    EXPECT_TRUE(QVAchievementService::updateAchievement("12", 50, false, {}, {}));
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    QVAchievementService::updateAchievement("12", 50, false, recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->failures, 4) << "an equal percentage is refused";
    EXPECT_TRUE(QVAchievementService::updateAchievement("12", 60, true, recorder->onSuccess(), recorder->onFailure()));
    ASSERT_TRUE(waitFor([&] { return recorder->successes == 1; }));
    // +infinity is above every percentage: an unlock.
    QVAchievementService::updateAchievement("11", kInfinity, false, {}, {});
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 3; }));

    auto log = server.requests();
    EXPECT_EQ(log[1].method, "POST");
    EXPECT_EQ(log[1].path, "users/@me/unlocked_achievements.xml");
    EXPECT_EQ(service_testing::ownParams(log[1]),
              (standin::Params { { "achievement_list[][achievement_definition_id]", "12" },
                                 { "achievement_list[][percent_complete]", "60.000000" } }));
    EXPECT_EQ(paramValues(log[2], "achievement_list[][percent_complete]"), Strings { "100.000000" });
    ASSERT_TRUE(waitFor([&] { return rows("SELECT COUNT(*) FROM unlocked_achievements WHERE server_sync_at IS NULL")
                                         == Strings { "0" }; }));
    EXPECT_EQ(rows("SELECT achievement_definition_id, percent_complete FROM unlocked_achievements ORDER BY 1"),
              (Strings { "11|100.0", "12|60.0" }));
    ASSERT_EQ(facade.achievementNotices.size(), 1u);
    EXPECT_EQ(facade.achievementNotices[0], std::make_pair(std::string("Collector"), 60.0));
}

TEST_F(AchievementServiceTest, ALateOrLowerWordFromTheServiceNeverLowersTheProgressKept)
{
    // Two answers that crossed: 60 confirmed, then the late answer to 50.
    QVAchievementService::synchUnlockedAchievement("12", "42", "20", platform::Date { 2000 }, 60);
    QVAchievementService::synchUnlockedAchievement("12", "42", "20", platform::Date { 1000 }, 50);
    // Progress kept on the device and not yet sent stays pending past a lower list.
    EXPECT_TRUE(QVAchievementService::localUpdateAchievement("11", "42", 70));
    QVAchievementService::synchUnlockedAchievement("11", "42", "10", platform::Date { 1000 }, 40);
    EXPECT_EQ(rows("SELECT achievement_definition_id, percent_complete, server_sync_at IS NULL FROM "
                   "unlocked_achievements ORDER BY 1"),
              (Strings { "11|70.0|1", "12|60.0|0" }));

    QVAchievementService::synchUnlockedAchievement("11", "42", "10", platform::Date { 3000 }, 100);
    EXPECT_EQ(rows("SELECT percent_complete, server_sync_at IS NULL FROM unlocked_achievements WHERE "
                   "achievement_definition_id = 11"),
              Strings { "100.0|0" });
}

TEST_F(AchievementServiceTest, AValueSinglePrecisionCannotHoldIsNotSentTwice)
{
    QVAchievementService::updateAchievement("12", 33.3, false, {}, {});
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    EXPECT_EQ(paramValues(server.requests()[0], "achievement_list[][percent_complete]"), Strings { "33.300000" });
    EXPECT_FALSE(QVAchievementService::updateAchievement("12", 33.3, false, recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->failures, 1);
    advance(0.5);
    EXPECT_EQ(server.requestCount(), 1u);
}

// A refused unlock (an achievement the service does not know yet) fails and
// is not kept: its row, not confirmed, goes (so it is not sent again at the
// next login), and so does its gamerscore. Once the service knows it, the
// game's unlock goes again and counts once.
TEST_F(AchievementServiceTest, AnUnlockAddsTheGamerscoreOnceAndARefusedOneFailsAndIsNotKept)
{
    facade.local->adjustGamerscore(-static_cast<int>(facade.local->gamerScore()));
    refused = { "12" };
    QVAchievementService::updateAchievement("12", 100, false, recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(recorder->failures, 1) << "the service said \"invalid\": the caller hears the failure";
    EXPECT_EQ(recorder->successes, 0);
    EXPECT_EQ(facade.local->gamerScore(), 0u);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM unlocked_achievements"), Strings { "0" });
    EXPECT_EQ(QVAchievementService::getPercentComplete("12", "42"), 0);
    EXPECT_FALSE(QVAchievementService::sendPendingAchievements("42", true, {}, {}));
    EXPECT_EQ(server.requestCount(), 1u);

    refused.clear();
    recorder = CallbackRecorder::create();
    EXPECT_TRUE(QVAchievementService::updateAchievement("12", 100, false, recorder->onSuccess(), recorder->onFailure()));
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_EQ(facade.local->gamerScore(), 20u);
    EXPECT_FALSE(QVAchievementService::updateAchievement("12", 100, false, {}, {}));
    EXPECT_TRUE(QVAchievementService::localUpdateAchievement("12", "42", 100));
    EXPECT_EQ(facade.local->gamerScore(), 20u) << "a second unlock adds nothing";
}

TEST_F(AchievementServiceTest, AnUnlockTakenOfflineIsKeptAndSentOnceAfterTheLogin)
{
    // In a game that set a decimal-comma locale for its texts, the store and the wire still hold 33.5.
    testing_support::ScopedLocale german("de_DE.UTF-8");
    facade.onlineFlag = false;
    EXPECT_FALSE(QVAchievementService::updateAchievement("11", 100, true, recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->successes, 1) << "kept on the device";
    ASSERT_EQ(facade.achievementNotices.size(), 1u);
    EXPECT_FALSE(QVAchievementService::updateAchievement("12", 33.5, false, recorder->onSuccess(), recorder->onFailure()));
    advance(0.5);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u) << "nothing is sent while offline";
    EXPECT_EQ(rows("SELECT achievement_definition_id, percent_complete FROM unlocked_achievements WHERE server_sync_at "
                   "IS NULL ORDER BY 1"),
              (Strings { "11|100.0", "12|33.5" }));

    facade.onlineFlag = true;
    QVOfflineService::service().sendPendingData("42");
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    EXPECT_EQ(paramValues(server.requests()[0], "achievement_list[][achievement_definition_id]"), (Strings { "11", "12" }));
    EXPECT_EQ(paramValues(server.requests()[0], "achievement_list[][percent_complete]"),
              (Strings { "100.000000", "33.500000" }));
    ASSERT_TRUE(waitFor([&] { return rows("SELECT COUNT(*) FROM unlocked_achievements WHERE server_sync_at IS NULL")
                                         == Strings { "0" }; }));
    advance(0.5);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 1u);
}

// Progress kept offline and refused once sent: the game hears each refusal,
// unless it shut the client down on hearing the first; then it hears no more.
TEST_F(AchievementServiceTest, AGameThatShutsTheClientDownOnARefusalHearsNoMore)
{
    struct Delegate final : public platform::Object, public QVAchievementDelegate {
        void didFailUpdateProgressionCompleteQVAchievement(QVAchievement* a) override { refusals.push_back(a->resourceId()); }
        Strings refusals;
    };
    auto game = platform::adoptRef(new Delegate);
    QVAchievement::setDelegate(game.get());
    refused = { "11", "12" };
    for (int shutDownInCall : { 0, 1 }) {
        SCOPED_TRACE(shutDownInCall ? "shut down on the first" : "running on");
        facade.onlineFlag = false;
        QVAchievementService::updateAchievement("11", 40 + 10 * shutDownInCall, false, {}, {});
        QVAchievementService::updateAchievement("12", 40 + 10 * shutDownInCall, false, {}, {});
        game->refusals.clear();
        facade.gameCalls = 0;
        facade.shutDownInCall = shutDownInCall;
        facade.onlineFlag = true;
        server.clearLog();
        QVOfflineService::service().sendPendingData("42");
        ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1 && settleNetwork(); }));
        loop().drain();
        EXPECT_EQ(game->refusals.size(), shutDownInCall ? 1u : 2u);
    }
}

// A game that unlocks an achievement on every launch hears the failure from
// the second one on; the log says why, once per player and achievement,
// online and offline, and nothing is sent.
TEST_F(AchievementServiceTest, UnlockingAnUnlockedAchievementIsRefusedAndTheLogSaysWhyOnce)
{
    platform::LogCapture log;
    auto said = [&](const std::string& id) {
        int count = 0;
        for (const auto& text : log.texts())
            count += text == "Quorvel: achievement \"" + id + "\" is already unlocked; unlocking it again does nothing "
                             "(the delegate hears didFailUpdateProgressionCompleteQVAchievement)";
        return count;
    };
    QVAchievementService::synchUnlockedAchievement("11", "42", "10", platform::Date { 1000 }, 100);
    QVAchievementService::updateAchievement("11", 100, false, recorder->onSuccess(), recorder->onFailure());
    QVAchievementService::updateAchievement("11", 100, false, recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->failures, 2);
    EXPECT_EQ(said("11"), 1);

    facade.onlineFlag = false;
    QVAchievementService::localUpdateAchievement("12", "42", 100);
    QVAchievementService::updateAchievement("12", 100, false, recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->failures, 3);
    EXPECT_EQ(recorder->successes, 0);
    EXPECT_EQ(said("12"), 1);

    // Progress below what is kept is said as such.
    QVAchievementService::localUpdateAchievement("13", "42", 60);
    QVAchievementService::updateAchievement("13", 40, false, recorder->onSuccess(), recorder->onFailure());
    EXPECT_TRUE(log.contains("Quorvel: the progress of achievement \"13\" (40%) is not above the 60% already kept; "
                             "it is not sent"))
        << testing::PrintToString(log.texts());
    advance(0.5);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(AchievementServiceTest, AnUpdatedPageIsStoredFinishedAndPassedOn)
{
    auto page = parse(service_testing::fixture("unlocked_achievements.xml"));
    ASSERT_TRUE(page);
    QVAchievementService::service().onAchievementUpdated(
        page.get(), QVDelegateChained::chainedWith(recorder->onSuccess()).get(), false, true);
    // Only the accepted record is stored, as confirmed at its unlock date.
    EXPECT_EQ(rows("SELECT user_id, achievement_definition_id, percent_complete, server_sync_at FROM "
                   "unlocked_achievements"),
              Strings { "42|11|100.0|1272715200" });
    EXPECT_EQ(facade.shownNotices, Strings { QVAchievementService::kSubmittedNotice });
    EXPECT_EQ(recorder->successes, 1);
    EXPECT_EQ(recorder->successArg.get(), page.get());
}

TEST_F(AchievementServiceTest, ProgressBeforeTheLoginIsAdoptedKeepingTheHigherPercentAndSentInOneBatch)
{
    facade.local = QVUser::invalidUser();
    ASSERT_EQ(facade.local->resourceId(), "0");
    EXPECT_FALSE(QVAchievementService::updateAchievement("11", 70, false, recorder->onSuccess(), recorder->onFailure()));
    EXPECT_EQ(recorder->successes, 1) << "kept before the login, as offline: the caller hears so";
    QVAchievementService::queueUpdateAchievement("12", 30, false);
    advance(0.5);
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(rows("SELECT user_id, achievement_definition_id, percent_complete FROM unlocked_achievements ORDER BY 2"),
              (Strings { "0|11|70.0", "0|12|30.0" }));

    // The player already had progress here: lower on 11, higher on 12.
    QVAchievementService::synchUnlockedAchievement("11", "42", "10", platform::Date { 1000 }, 40);
    QVAchievementService::synchUnlockedAchievement("12", "42", "20", platform::Date { 1000 }, 80);

    facade.local = highscore_testing::player("42");
    QVOfflineService::service().sendPendingData("42");
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    auto log = server.requests();
    EXPECT_EQ(paramValues(log[0], "achievement_list[][achievement_definition_id]"), Strings { "11" });
    EXPECT_EQ(paramValues(log[0], "achievement_list[][percent_complete]"), Strings { "70.000000" });
    EXPECT_EQ(rows("SELECT user_id, achievement_definition_id, percent_complete FROM unlocked_achievements ORDER BY 2"),
              (Strings { "42|11|70.0", "42|12|80.0" }));
}

TEST_F(AchievementServiceTest, HeldBackUpdatesGoOutAsOneBatchAndReachTheDelegate)
{
    struct Delegate : QVAchievementDelegate {
        int submitted { 0 }, failed { 0 };
        void didSubmitDeferredAchievements() override { ++submitted; }
        void didFailSubmittingDeferredAchievements() override { ++failed; }
    } delegate;
    QVAchievement::setDelegate(&delegate);
    QVAchievement::achievement("11")->deferUpdateProgressionComplete(25, true);
    QVAchievement::achievement("12")->unlockAndDefer();
    advance(0.5);
    EXPECT_EQ(server.requestCount(), 0u);
    ASSERT_EQ(facade.achievementNotices.size(), 1u);
    EXPECT_EQ(facade.achievementNotices[0].first, "First Steps");

    facade.categorizedNotices.clear();
    EXPECT_TRUE(QVAchievement::submitDeferredAchievements());
    EXPECT_EQ(facade.categorizedNotices, Strings { "Submitted Unlocked Achivements 6/1" });
    ASSERT_TRUE(waitFor([&] { return delegate.submitted == 1; }));
    ASSERT_EQ(server.requestCount(), 1u);
    auto log = server.requests();
    Strings ids = paramValues(log[0], "achievement_list[][achievement_definition_id]");
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (Strings { "11", "12" }));
    // A page of two: the background notice, no social post without the flag.
    EXPECT_EQ(facade.shownNotices, Strings { "Submitted Achievements To Server" });
    // Nothing left pending: nothing more to send.
    EXPECT_FALSE(QVAchievement::submitDeferredAchievements());
}

TEST_F(AchievementServiceTest, ABatchWithNoUsableIdFailsWithoutARequest)
{
    EXPECT_FALSE(QVAchievementService::updateAchievements({ "", "" }, { 10, 20 }, recorder->onSuccess(),
                                                          recorder->onFailure()));
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(server.requestCount(), 0u);
}

// Before the player approved the client (or after they declined it), without
// Game Center, an update has nowhere to go: the game hears the failure and
// the log says why, once an achievement; nothing is kept or sent.
TEST_F(AchievementServiceTest, AnUpdateBeforeTheApprovalFailsAndTheLogSaysWhyOnce)
{
    platform::LogCapture log;
    facade.approved = false;
    QVAchievementService::updateAchievement("11", 100, false, recorder->onSuccess(), recorder->onFailure());
    QVAchievementService::updateAchievement("11", 50, false, recorder->onSuccess(), recorder->onFailure());
    EXPECT_EQ(recorder->failures, 2);
    EXPECT_EQ(recorder->successes, 0);
    EXPECT_EQ(log.texts(), Strings { "Quorvel: achievement \"11\" was not updated: the player has not approved "
                                     "Quorvel on this device (or declined it), so nothing is kept or sent (the "
                                     "delegate hears didFailUpdateProgressionCompleteQVAchievement)" });
    EXPECT_EQ(rows("SELECT COUNT(*) FROM unlocked_achievements"), Strings { "0" });
    advance(0.5);
    loop().drain();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(AchievementServiceTest, GameCenterAloneFailsOnceForUnmappedIdsAndStillReportsTheMappedOnes)
{
    auto gc = signedInGameCenter();
    facade.approved = false;
    auto submitter = QVSubmitAchievementToGameCenterOnly::create();
    submitter->submitToGameCenterOnlyWithIds({}, {}, recorder->onSuccess(), recorder->onFailure());
    advance(0.1);
    EXPECT_EQ(recorder->total(), 0) << "an empty list calls nothing";

    QVSubmitAchievementToGameCenterOnly::create()->submitToGameCenterOnlyWithIds(
        { "12", "11", "13" }, { 10, 20, 30 }, recorder->onSuccess(), recorder->onFailure());
    advance(0.1);
    EXPECT_EQ(recorder->failures, 1);
    EXPECT_EQ(recorder->successes, 0);
    ASSERT_EQ(gc->reports.size(), 1u);
    EXPECT_EQ(gc->reports[0].id, "gc.first");

    // Not approved: the one update goes to Game Center only, nothing stored.
    QVAchievementService::updateAchievement("11", 100, false, recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitFor([&] { return recorder->successes == 1; }));
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM unlocked_achievements"), Strings { "0" });

    // Held back while only Game Center is in use, then sent there.
    QVAchievementService::queueUpdateAchievement("11", 50, false);
    EXPECT_EQ(QVAchievementService::service().deferredIds(), Strings { "11" });
    QVAchievementService::submitQueuedUpadteAchievements(recorder->onSuccess(), recorder->onFailure());
    EXPECT_TRUE(QVAchievementService::service().deferredIds().empty());
    ASSERT_TRUE(waitFor([&] { return recorder->successes == 2; }));
    EXPECT_EQ(gc->reports.size(), 3u);
}

TEST_F(AchievementServiceTest, TheDoubleSubmissionMirrorsMappedProgressAndSkipsZero)
{
    auto gc = signedInGameCenter();
    facade.achievementIds["12"] = "gc.collector";
    auto submission = QVGameCenterAchievement::create();
    submission->setAchievementIds({ "11", "12" });
    submission->setPercentsComplete({ 40, 0 });
    EXPECT_TRUE(submission->submitOnSuccess(recorder->onSuccess(), recorder->onFailure()));
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(recorder->successes, 1);
    ASSERT_EQ(gc->reports.size(), 1u) << "a progress of 0 is not sent to Game Center";
    EXPECT_EQ(gc->reports[0].percent, 40);

    // No logged-in user: Game Center alone, and the store marks the mapped one synchronised.
    facade.local = QVUser::invalidUser();
    auto alone = QVGameCenterAchievement::create();
    alone->setAchievementIds({ "11", "13" });
    alone->setPercentsComplete({ 60, 60 });
    EXPECT_FALSE(alone->submitOnSuccess(recorder->onSuccess(), recorder->onFailure()));
    ASSERT_TRUE(waitFor([&] { return recorder->successes == 2; }));
    EXPECT_FALSE(recorder->successArg);
    EXPECT_EQ(rows("SELECT achievement_definition_id, percent_complete, server_sync_at IS NOT NULL FROM "
                   "unlocked_achievements WHERE user_id = 0"),
              Strings { "11|60.0|1" });

    // Neither side: no callback.
    facade.usesGameCenter = false;
    auto none = QVGameCenterAchievement::create();
    none->setAchievementIds({ "11" });
    none->setPercentsComplete({ 70 });
    none->submitOnSuccess(recorder->onSuccess(), recorder->onFailure());
    advance(0.2);
    EXPECT_EQ(recorder->total(), 2);
}

TEST_F(AchievementServiceTest, TheFirstGameCenterSyncSendsEveryStoredAchievementOnce)
{
    auto gc = signedInGameCenter();
    facade.synchedAchievements = false;
    QVAchievementService::synchUnlockedAchievement("11", "42", "10", platform::Date { 1000 }, 100);
    EXPECT_TRUE(QVAchievementService::sendPendingAchievements("42", true, recorder->onSuccess(), recorder->onFailure()));
    EXPECT_TRUE(facade.synchedAchievements);
    ASSERT_TRUE(waitForCallback());
    EXPECT_EQ(paramValues(server.requests()[0], "achievement_list[][achievement_definition_id]"),
              (Strings { "11", "12" }));
    ASSERT_EQ(gc->reports.size(), 1u);
    // Afterwards only pending rows go: there are none.
    EXPECT_FALSE(QVAchievementService::sendPendingAchievements("42", true, {}, {}));
    facade.onlineFlag = false;
    QVAchievementService::updateAchievement("12", 10, false, {}, {});
    EXPECT_FALSE(QVAchievementService::sendPendingAchievements("42", true, {}, {})) << "offline";
}

TEST_F(AchievementServiceTest, TheListIsReadOnlineAndFromTheStoreInItsOrder)
{
    QVAchievementService::getAchievementsForApplication("@me", std::string("17"), 2, recorder->onSuccess(),
                                                        recorder->onFailure());
    ASSERT_TRUE(waitForCallback());
    auto log = server.requests();
    EXPECT_EQ(log[0].method, "GET");
    EXPECT_EQ(log[0].path, "client_applications/@me/achievement_definitions.xml");
    EXPECT_EQ(service_testing::ownParams(log[0]),
              (standin::Params { { "compared_to_user_id", "17" }, { "page", "2" }, { "per_page", "25" },
                                 { "get_unlocked_info", "1" } }));
    EXPECT_EQ(facade.notices, Strings { "Downloaded Achievement Information" });
    auto* page = dynamic_cast<QVPaginatedSeries*>(recorder->successArg.get());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->objects().size(), 3u);

    // The store: progress rows first (latest first), then position, then id;
    // the out-of-range version is absent even though it has progress.
    QVAchievementService::synchUnlockedAchievement("13", "42", "5", platform::Date { 3000 }, 100);
    QVAchievementService::synchUnlockedAchievement("11", "42", "10", platform::Date { 2000 }, 50);
    facade.onlineFlag = false;
    QVAchievementService::getAchievementsForApplication("", std::nullopt, 1, true, recorder->onSuccess(),
                                                        recorder->onFailure());
    EXPECT_EQ(server.requestCount(), 1u);
    page = dynamic_cast<QVPaginatedSeries*>(recorder->successArg.get());
    ASSERT_TRUE(page);
    Strings order;
    for (auto& o : page->objects())
        order.push_back(static_cast<QVAchievement*>(o.get())->resourceId());
    EXPECT_EQ(order, (Strings { "11", "12" }));
    auto first = static_cast<QVAchievement*>(page->objects()[0].get());
    EXPECT_EQ(first->percentComplete(), 50);
    EXPECT_FALSE(first->isUnlocked());
    ASSERT_TRUE(first->unlockDate());
    EXPECT_EQ(first->unlockDate()->seconds, 2000);
    auto second = static_cast<QVAchievement*>(page->objects()[1].get());
    EXPECT_FALSE(second->unlockDate());
    EXPECT_TRUE(second->isSecret());
    EXPECT_EQ(second->iconUrl(), "http://127.0.0.1/icons/12.png");
    EXPECT_TRUE(QVAchievementService::hasAchievements());
}

TEST_F(AchievementServiceTest, AnUnknownAchievementCarriesOnlyItsIdAndIsStillSent)
{
    Ref<QVAchievement> unknown = QVAchievement::achievement("77");
    EXPECT_EQ(unknown->resourceId(), "77");
    EXPECT_FALSE(unknown->title());
    EXPECT_EQ(unknown->percentComplete(), 0);
    struct Delegate : QVAchievementDelegate {
        int updated { 0 };
        void didUpdateProgressionCompleteQVAchievement(QVAchievement*) override { ++updated; }
    } delegate;
    QVAchievement::setDelegate(&delegate);
    EXPECT_TRUE(unknown->unlock());
    ASSERT_TRUE(waitFor([&] { return delegate.updated == 1; }));
    EXPECT_EQ(paramValues(server.requests()[0], "achievement_list[][achievement_definition_id]"), Strings { "77" });
}

// -- the store and the records without the network ----------------------------------

class AchievementStoreTest : public offline_testing::OfflineStoreTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openStore());
        facade.local = highscore_testing::player("42");
        TestRuntimeRoles::setCurrent(&facade);
    }
    void TearDown() override
    {
        TestRuntimeRoles::setCurrent(nullptr);
        OfflineStoreTest::TearDown();
    }
    AchievementHost facade;
};

TEST_F(AchievementStoreTest, AListWhoseCommitFailsKeepsNothing)
{
    auto series = parse(service_testing::fixture("achievement_definitions.xml"));
    ASSERT_TRUE(series);
    QVResourceArray list;
    for (auto& o : series->objects())
        list.emplace_back(dynamic_cast<QVResource*>(o.get()));
    offline_testing::RawDatabase reader(path());
    // The disk fails the commit's sync.
    syncs.failSyncs(true);
    EXPECT_FALSE(QVAchievementService::synchAchievementsList(list, "42"));
    syncs.failSyncs(false);
    EXPECT_EQ(reader.rows("SELECT COUNT(*) FROM achievement_definitions"), Strings { "0" });
    EXPECT_EQ(reader.rows("SELECT COUNT(*) FROM unlocked_achievements_synch_date"), Strings { "0" });

    EXPECT_TRUE(QVAchievementService::synchAchievementsList(list, "42"));
    // Progress in the list is stored as confirmed, at the unlock date.
    EXPECT_EQ(reader.rows("SELECT achievement_definition_id, gamerscore, percent_complete, server_sync_at FROM "
                          "unlocked_achievements ORDER BY 1"),
              (Strings { "11|10|100.0|1272715200", "13|5|100.0|1272794400" }));
    EXPECT_FALSE(QVAchievementService::getLastSyncDateForUserId("42").empty());
}

TEST(AchievementRecordTest, UnlockDatesAndUnlockedRecordsReadFromXml)
{
    auto a = QVAchievement::create();
    a->setUnlockDateFromString("2010-05-01 12:00:00");
    ASSERT_TRUE(a->unlockDate());
    EXPECT_EQ(a->unlockDate()->seconds, 1272715200);
    a->setUnlockDateFromString("2010-05-01 12:00:00 GMT+02:00");
    EXPECT_EQ(a->unlockDate()->seconds, 1272715200 - 7200);
    a->setUnlockDateFromString("2010-05-01 12:00:00 UTC");
    EXPECT_EQ(a->unlockDate()->seconds, 1272715200);
    // A zone name keeps its zone: 12:00 in the Pacific is 20:00 GMT.
    a->setUnlockDateFromString("2010-05-01 12:00:00 PST");
    ASSERT_TRUE(a->unlockDate());
    EXPECT_EQ(a->unlockDate()->seconds, 1272715200 + 8 * 3600);
    a->setUnlockDateFromString("2010-05-01 12:00:00 CEST");
    ASSERT_TRUE(a->unlockDate());
    EXPECT_EQ(a->unlockDate()->seconds, 1272715200 - 2 * 3600);
    for (const char* bad : { "", "yesterday", "2010-05-01 12:00:00 Mars", "2010-05-01T12:00:00Z" }) {
        a->setUnlockDateFromString(bad);
        EXPECT_FALSE(a->unlockDate()) << bad;
    }

    auto series = parse(service_testing::fixture("unlocked_achievements.xml"));
    ASSERT_TRUE(series);
    ASSERT_EQ(series->objects().size(), 2u);
    auto* ok = dynamic_cast<QVUnlockedAchievement*>(series->objects()[0].get());
    auto* invalid = dynamic_cast<QVUnlockedAchievement*>(series->objects()[1].get());
    ASSERT_TRUE(ok && invalid && ok->achievement());
    EXPECT_FALSE(ok->isInvalidResult());
    EXPECT_EQ(ok->achievement()->resourceId(), "11");
    EXPECT_EQ(ok->achievement()->gamerscore(), 10u);
    EXPECT_EQ(ok->percentComplete(), 100);
    EXPECT_TRUE(invalid->isInvalidResult());
    EXPECT_EQ(invalid->percentComplete(), 40);
}

} // namespace

namespace {

TEST_F(AchievementServiceTest, AConfirmedUnlockIsOfferedForPostingOnlyWhenAskedAndComplete)
{
    QVAchievementService::setAutomaticallyPromptToPostUnlocks(true);
    auto page = parse(service_testing::fixture("unlocked_achievements.xml"));
    ASSERT_TRUE(page);
    auto one = [&](size_t i) {
        return QVPaginatedSeries::paginatedSeriesFromArray({ page->objects()[i] });
    };
    // 40 percent, or during a sync: no post.
    QVAchievementService::finishAchievementsPage(one(1).get(), false, false);
    QVAchievementService::finishAchievementsPage(one(0).get(), true, false);
    advance(0.2);
    EXPECT_EQ(server.requestCount(), 0u);
    // 100 percent: the post starts with the credential check.
    QVAchievementService::finishAchievementsPage(one(0).get(), false, false);
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    EXPECT_EQ(server.requests()[0].path.rfind("users_credentials", 0), 0u);
    EXPECT_TRUE(facade.shownNotices.empty()) << "a page of one shows no notice";
}

} // namespace
