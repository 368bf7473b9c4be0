// Leaderboard definitions in the offline store: writing lists (ids checked,
// one transaction, rows replaced never deleted, or a share per turn), the
// local readers, aggregate parents, and the definition records read from XML.
#include "social/services/OfflineStoreTestSupport.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/RunLoop.h"
#include "social/services/QVAchievement.h"
#include "social/runtime/QVTableSectionDescription.h"
#include "social/runtime/QVXmlDocument.h"
#include "social/services/QVLeaderboardAggregation.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVOffline.h"
#include "social/services/QVOfflineService.h"

using namespace quorvel;
using offline_testing::RawDatabase;
using platform::Ref;

namespace {

Ref<QVLeaderboard_Sync> definition(const std::string& id, bool active = true, bool visible = true,
                                   const std::string& start = "0001.00.00", const std::string& end = "0001.99.99")
{
    auto d = QVLeaderboard_Sync::create();
    d->setResourceId(id);
    d->setName("Board " + id);
    d->setActive(active ? "1" : "0");
    d->setVisible(visible ? "1" : "0");
    d->setDescendingSortOrder("1");
    d->setStartVersion(start);
    d->setEndVersion(end);
    return d;
}

Ref<QVLeaderboardAggregation> link(const std::string& aggregate, const std::string& member)
{
    auto a = QVLeaderboardAggregation::create();
    a->setAggregateLeaderboardId(aggregate);
    a->setLeaderboardPushingChangesId(member);
    return a;
}

std::vector<std::string> ids(const std::vector<Ref<QVLeaderboard>>& boards)
{
    std::vector<std::string> out;
    for (const auto& b : boards)
        out.push_back(b->leaderboardId());
    return out;
}

class LeaderboardStoreTest : public offline_testing::OfflineStoreTest {
protected:
    void SetUp() override
    {
        oldVersion = platform::Bundle::main().version();
        platform::Bundle::main().setVersion("1.2");
        ASSERT_TRUE(openStore());
    }
    void TearDown() override
    {
        platform::Bundle::main().setVersion(oldVersion);
        OfflineStoreTest::TearDown();
    }
    std::string oldVersion;
};

TEST_F(LeaderboardStoreTest, LocalListHoldsOnlyActiveVisibleBoardsOfTheRunningVersion)
{
    ASSERT_TRUE(QVLeaderboardService::synchLeaderboardsList(
        { definition("1"), definition("2", false), definition("3", true, false),
          definition("4", true, true, "0001.03.00", "0002.00.00"), definition("5") },
        {}, std::nullopt, false));
    EXPECT_EQ(ids(QVLeaderboardService::getLeaderboardsLocal()), (std::vector<std::string> { "1", "5" }));
    EXPECT_TRUE(QVLeaderboardService::hasLeaderboards());
    // The lookup by id ignores activity, visibility and version.
    auto hidden = QVLeaderboardService::getLeaderboard("3");
    ASSERT_TRUE(hidden);
    EXPECT_EQ(hidden->name(), "Board 3");
    EXPECT_TRUE(hidden->descendingScoreOrder());
    EXPECT_EQ(hidden->currentUserScore(), nullptr);
    auto details = QVLeaderboardService::getLeaderboardDetails("4");
    ASSERT_TRUE(details);
    EXPECT_EQ(details->startVersion(), "0001.03.00");
    EXPECT_TRUE(details->active());
    EXPECT_EQ(QVLeaderboardService::getLeaderboard("99"), nullptr);
    EXPECT_TRUE(log.contains("Definition for leaderboard 99 was not found"));

    // The public class reads the same store.
    EXPECT_EQ(ids(QVLeaderboard::leaderboards()), (std::vector<std::string> { "1", "5" }));
    ASSERT_TRUE(QVLeaderboard::leaderboard("2"));
}

TEST_F(LeaderboardStoreTest, AggregateParentsAreTheActiveStoredAggregatesInOrder)
{
    QVLeaderboardService::synchLeaderboardsList({ definition("5"), definition("8"), definition("9", false) },
                                                { link("8", "5"), link("9", "5"), link("404", "5"), link("8", "6") },
                                                std::nullopt, false);
    auto parents = QVLeaderboardService::getAggregateParents("5");
    ASSERT_EQ(parents.size(), 1u);
    EXPECT_EQ(parents[0]->resourceId(), "8");
    EXPECT_TRUE(log.contains("Definition for aggregate leaderboard 404 was not found"));
    EXPECT_TRUE(QVLeaderboardService::getAggregateParents("7").empty());
}

TEST_F(LeaderboardStoreTest, IdsThatAreNotDecimalNumbersNeverReachTheStore)
{
    ASSERT_TRUE(QVLeaderboardService::synchLeaderboardsList(
        { definition("5"), definition("5 OR 1=1"), definition(""), definition("abc") },
        { link("8", "x"), link("8", "5") }, std::string("17; DROP TABLE users"), true));
    RawDatabase raw(path());
    EXPECT_EQ(raw.rows("SELECT id FROM leaderboards"), (std::vector<std::string> { "5" }));
    EXPECT_EQ(raw.rows("SELECT aggregate_leaderboard_id, leaderboard_pushing_changes_id FROM leaderboard_aggregations"),
              (std::vector<std::string> { "8|5" }));
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM users"), "0");
}

TEST_F(LeaderboardStoreTest, ListsReplaceRowsAndNeverDeleteThem)
{
    QVLeaderboardService::synchLeaderboardsList({ definition("5"), definition("6") }, { link("8", "5") }, std::nullopt,
                                                false);
    auto renamed = definition("5", false);
    renamed->setName("Renamed");
    QVLeaderboardService::synchLeaderboardsList({ renamed }, {}, std::nullopt, true);
    RawDatabase raw(path());
    EXPECT_EQ(raw.rows("SELECT id, name, active, server_sync_at IS NULL FROM leaderboards ORDER BY id"),
              (std::vector<std::string> { "5|Renamed|0|0", "6|Board 6|1|1" }));
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM leaderboard_aggregations"), "1");
}

TEST_F(LeaderboardStoreTest, AListWhoseCommitFailsLeavesTheStoreAsItWas)
{
    QVLeaderboardService::synchLeaderboardsList({ definition("5") }, {}, std::nullopt, false);
    RawDatabase reader(path());
    auto best = definition("6");
    best->setScore("900");
    // The disk fails the commit's sync.
    syncs.failSyncs(true);
    EXPECT_FALSE(QVLeaderboardService::synchLeaderboardsList({ best }, { link("8", "6") }, std::string("17"), true));
    syncs.failSyncs(false);
    EXPECT_EQ(reader.rows("SELECT id FROM leaderboards"), (std::vector<std::string> { "5" }));
    EXPECT_EQ(reader.value("SELECT COUNT(*) FROM high_scores"), "0");
    EXPECT_EQ(reader.value("SELECT COUNT(*) FROM leaderboard_aggregations"), "0");
    // The next list goes through.
    EXPECT_TRUE(QVLeaderboardService::synchLeaderboardsList({ best }, {}, std::string("17"), true));
    EXPECT_EQ(reader.value("SELECT score FROM high_scores"), "900");
}

TEST_F(LeaderboardStoreTest, AggregateLoopsInTheDataDoNotRecurseForever)
{
    auto a = definition("1");
    auto b = definition("2");
    b->setIsAggregate("1");
    auto c = definition("3");
    c->setIsAggregate("1");
    QVLeaderboardService::synchLeaderboardsList({ a, b, c }, { link("2", "1"), link("3", "2"), link("2", "3") },
                                                std::nullopt, false);
    a->setScore("10");
    EXPECT_TRUE(QVLeaderboardService::synchLeaderboardsList({ a }, {}, std::string("17"), true));
    RawDatabase raw(path());
    EXPECT_EQ(raw.value("SELECT score FROM high_scores WHERE leaderboard_id = 1"), "10");
}

// A list written a step per turn; the turns run here until it is done.
struct TurnsWritten {
    int turns { 0 };
    std::vector<bool> outcomes; // what `done` was told, each time
};

TurnsWritten writeInTurns(const QVResourceArray& boards, const QVResourceArray& aggregations,
                          const std::function<void(int turn)>& betweenTurns = nullptr)
{
    TurnsWritten written;
    QVLeaderboardService::synchLeaderboardsListInTurns(
        boards, aggregations, std::string("17"), true, [&](bool ok) { written.outcomes.push_back(ok); }, 0);
    while (written.outcomes.empty() && written.turns < 100) {
        if (betweenTurns)
            betweenTurns(written.turns);
        platform::RunLoop::main().runOnce(0);
        ++written.turns;
    }
    platform::RunLoop::main().drain();
    return written;
}

TEST_F(LeaderboardStoreTest, AListWrittenOverTurnsEndsAsItsOneTransactionWouldAndSaysSoOnce)
{
    auto scored = definition("2");
    scored->setScore("900");
    RawDatabase raw(path());
    TurnsWritten written = writeInTurns({ definition("1"), scored }, { link("8", "1") }, [&](int turn) {
        if (turn == 0) { // the call has written its first share only: the aggregation
            EXPECT_EQ(raw.value("SELECT COUNT(*) FROM leaderboards"), "0");
        }
    });
    EXPECT_EQ(written.outcomes, std::vector<bool> { true });
    EXPECT_GE(written.turns, 3) << "two definitions and a best, each in a turn of its own";
    EXPECT_EQ(raw.rows("SELECT id, name, server_sync_at IS NOT NULL FROM leaderboards ORDER BY id"),
              (std::vector<std::string> { "1|Board 1|1", "2|Board 2|1" }));
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM leaderboard_aggregations"), "1");
    EXPECT_EQ(raw.value("SELECT score, server_sync_at IS NOT NULL FROM high_scores WHERE user_id = 17"), "900|1");
}

TEST_F(LeaderboardStoreTest, AListNotWrittenWholePutsTheSyncTimeBackAndStopsWithItsStore)
{
    ASSERT_TRUE(QVLeaderboardService::synchLeaderboardsList({ definition("1"), definition("2"), definition("3") }, {},
                                                            std::nullopt, true));
    RawDatabase raw(path());
    raw.exec("UPDATE leaderboards SET server_sync_at = 1000");
    // The third definition cannot be written, after the first two were, each in its turn.
    raw.exec("CREATE TRIGGER refuse BEFORE INSERT ON leaderboards WHEN NEW.id = 3 BEGIN SELECT RAISE(ABORT, "
             "'refused'); END");
    QVResourceArray renamed;
    for (const char* id : { "1", "2", "3" }) {
        auto d = definition(id);
        d->setName("New");
        renamed.emplace_back(d.get());
    }
    EXPECT_EQ(writeInTurns(renamed, {}).outcomes, std::vector<bool> { false });
    EXPECT_EQ(raw.rows("SELECT id, name FROM leaderboards ORDER BY id"),
              (std::vector<std::string> { "1|New", "2|New", "3|Board 3" }));
    EXPECT_EQ(raw.value("SELECT MAX(server_sync_at) FROM leaderboards"), "1000")
        << "the next bootstrap asks for every definition again";
    raw.exec("DROP TRIGGER refuse");

    // Another store opens meanwhile (the client started again): the list stops and leaves it alone.
    testing_support::TempDir other;
    TurnsWritten stopped = writeInTurns(renamed, {}, [&](int turn) {
        if (turn == 0) {
            ASSERT_TRUE(QVOfflineStore::openDatabaseAtPath(other.file("store")));
            QVOfflineStore::setupOfflineSupport();
        }
    });
    EXPECT_EQ(stopped.outcomes, std::vector<bool> { false });
    EXPECT_EQ(RawDatabase(other.file("store")).value("SELECT COUNT(*) FROM leaderboards"), "0");
}

TEST(LeaderboardSyncRecordTest, ReachedAtReadsZonesAsUnlockDatesDoAndServerDates)
{
    const double gmt = 1296705906; // 2011-02-03 04:05:06 GMT
    const std::pair<const char*, double> good[] = {
        { "2011-02-03 04:05:06", gmt },           { "2011-02-03 04:05:06 GMT", gmt },
        { "2011-02-03T04:05:06Z", gmt },          { "2011-02-03 04:05:06 PST", gmt + 8 * 3600 },
        { "2011-02-03 04:05:06 +0100", gmt - 3600 }, { "2011-02-03 04:05:06 GMT+01:00", gmt - 3600 },
    };
    auto achievement = QVAchievement::create();
    for (const auto& [text, seconds] : good) {
        ASSERT_TRUE(QVLeaderboard_Sync::parseReachedAt(text)) << text;
        EXPECT_EQ(QVLeaderboard_Sync::parseReachedAt(text)->seconds, seconds) << text;
        if (std::string_view(text).find('T') == std::string_view::npos) {
            achievement->setUnlockDateFromString(text);
            EXPECT_EQ(achievement->unlockDate(), QVLeaderboard_Sync::parseReachedAt(text)) << text;
        }
    }
    for (const char* bad : { "", "2011-02-03", "2011-02-03 04:05:06 Mars", "yesterday", "2011-13-45 99:99:99" })
        EXPECT_FALSE(QVLeaderboard_Sync::parseReachedAt(bad)) << bad;
}

class RecordingLeaderboardDelegate : public QVLeaderboardDelegate {
public:
    void didDownloadHighScores(const std::vector<Ref<platform::Object>>& scores, QVLeaderboard*) override
    {
        counts.push_back(scores.size());
    }
    void didFailDownloadHighScoresQVLeaderboard(QVLeaderboard*) override { ++failures; }
    std::vector<size_t> counts;
    int failures { 0 };
};

TEST(LeaderboardClassTest, ASectionedPageHandsOnlyTheLastSectionsScoresToTheDelegate)
{
    RecordingLeaderboardDelegate delegate;
    QVLeaderboard::setDelegate(&delegate);
    auto board = QVLeaderboard::create();
    auto friends = QVPaginatedSeries::paginatedSeriesFromArray({ board, board });
    auto everyone = QVPaginatedSeries::paginatedSeriesFromArray({ board, board, board });
    board->_downloadedHighScores(QVPaginatedSeries::paginatedSeriesFromArray(
                                     { QVTableSectionDescription::sectionWithTitle("Friends", friends),
                                       QVTableSectionDescription::sectionWithTitle("Everyone", everyone) })
                                     .get());
    board->_downloadedHighScores(friends.get());
    board->_failedDownloadingHighScores();
    EXPECT_EQ(delegate.counts, (std::vector<size_t> { 3u, 2u }));
    EXPECT_EQ(delegate.failures, 1);
    QVLeaderboard::setDelegate(nullptr);
    board->_failedDownloadingHighScores();
    EXPECT_EQ(delegate.failures, 1);
}

} // namespace

// -- the list from the server ---------------------------------------------------------

#include "social/services/ServiceTestSupport.h"
#include "support/NetTestSupport.h"

namespace {

class LeaderboardListTest : public net_testing::NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        facade.providerLink = provider.get();
        TestRuntimeRoles::setCurrent(&facade);
        provider->setAccessToken("token-1", "token-secret-1");
        server.route("GET", "client_applications/@me/leaderboards.xml",
                     standin::Answer::xml(service_testing::fixture("leaderboards.xml")));
        recorder = net_testing::CallbackRecorder::create();
    }
    void TearDown() override
    {
        QVLeaderboardService::shutdownService();
        QVOfflineStore::teardownOfflineDatabase();
        NetTest::TearDown();
    }
    service_testing::FacadeHost<net_testing::RecordingHost> facade;
    Ref<net_testing::CallbackRecorder> recorder;
};

TEST_F(LeaderboardListTest, OnlineTheRunningGamesListComesFromTheServer)
{
    ASSERT_TRUE(QVLeaderboardService::getLeaderboardsForApplication("", "42", recorder->onSuccess(),
                                                                    recorder->onFailure()));
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    ASSERT_EQ(recorder->successes, 1);
    auto* series = dynamic_cast<QVPaginatedSeries*>(recorder->successArg.get());
    ASSERT_TRUE(series);
    ASSERT_EQ(series->count(), 2u);
    auto* first = dynamic_cast<QVLeaderboard*>(series->objectAtIndex(0));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->leaderboardId(), "5");
    EXPECT_EQ(first->name(), "Normal");
    EXPECT_TRUE(first->descendingScoreOrder());
    EXPECT_FALSE(dynamic_cast<QVLeaderboard*>(series->objectAtIndex(1))->descendingScoreOrder());
    // The player's best and the compared player's best come with the list.
    ASSERT_TRUE(first->currentUserScore());
    EXPECT_EQ(first->currentUserScore()->score(), 1200);
    EXPECT_EQ(first->currentUserScore()->displayText(), "1,200 points");
    ASSERT_TRUE(first->isComparison());
    ASSERT_TRUE(first->comparedToUser());
    EXPECT_EQ(first->comparedToUser()->resourceId(), "42");
    EXPECT_EQ(first->comparedUserScore()->score(), 1500);
    auto* second = dynamic_cast<QVLeaderboard*>(series->objectAtIndex(1));
    EXPECT_FALSE(second->currentUserScore());
    EXPECT_FALSE(second->isComparison());
    EXPECT_FALSE(second->comparedToUser());

    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "GET");
    EXPECT_EQ(log[0].path, "client_applications/@me/leaderboards.xml");
    EXPECT_EQ(log[0].param("compared_user_id"), "42");
    EXPECT_EQ(facade.notices, std::vector<std::string> { "Downloaded Leaderboards" });

    // Another game's id is encoded into its path segment; no compared user, no parameter.
    server.clearLog();
    QVLeaderboardService::getLeaderboardsForApplication("30 1", recorder->onSuccess(), recorder->onFailure());
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 1; }));
    log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "client_applications/30 1/leaderboards.xml"); // logged decoded
    EXPECT_FALSE(log[0].hasParam("compared_user_id"));
}

TEST_F(LeaderboardListTest, OfflineTheListComesFromTheStoreWithoutARequest)
{
    testing_support::TempDir dir;
    ASSERT_TRUE(QVOfflineStore::openDatabaseAtPath(dir.file("quorvel_offline")));
    QVOfflineStore::setupOfflineSupport();
    QVLeaderboardService::synchLeaderboardsList({ definition("5", true, true, "0000.00.00", "9999.99.99") }, {},
                                                std::nullopt, false);
    facade.onlineFlag = false;
    EXPECT_FALSE(QVLeaderboardService::service().getIndexOnSuccess(recorder->onSuccess(), recorder->onFailure()));
    ASSERT_EQ(recorder->successes, 1);
    auto* series = dynamic_cast<QVPaginatedSeries*>(recorder->successArg.get());
    ASSERT_TRUE(series);
    ASSERT_EQ(series->count(), 1u);
    EXPECT_EQ(dynamic_cast<QVLeaderboard*>(series->objectAtIndex(0))->leaderboardId(), "5");
    EXPECT_EQ(server.requestCount(), 0u);
}

} // namespace
