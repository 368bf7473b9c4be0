// The offline service over a real store in a private home folder: the
// configuration file, the application version, the bootstrap's sync dates
// and offline part, and the senders after login.
#include "social/runtime/QVSessionRole.h"
#include "social/services/OfflineStoreTestSupport.h"

#include "platform/foundation/Bundle.h"
#include "social/runtime/QVBootstrapService.h"
#include "social/runtime/QVHttpNestedQueryStringWriter.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/RunLoop.h"
#include "social/services/QVLeaderboardService.h"
#include "social/services/QVOfflineService.h"
#include "social/services/QVAchievement.h"
#include "social/services/QVAchievementService.h"
#include "social/services/QVHighScoreService.h"
#include "social/runtime/QVGameCenterRole.h"
#include "social/services/QVGameProfilePageInfo.h"
#include "social/services/QVHighScore.h"
#include "social/services/QVLeaderboardAggregation.h"
#include "social/services/QVOffline.h"
#include "social/services/QVUser.h"
#include "support/SqlitePassThrough.h"

#include <sys/time.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <optional>
#include <filesystem>
#include <fstream>

using namespace quorvel;
using offline_testing::RawDatabase;

namespace {

// A leaderboard element of the wire format.
std::string board(const std::string& id, const std::string& extra, bool active = true, bool visible = true)
{
    return "<leaderboard><id>" + id + "</id><name>Board " + id + "</name><active>" + (active ? "true" : "false") +
           "</active><visible>" + (visible ? "true" : "false") +
           "</visible><descending_sort_order>true</descending_sort_order><start_version>0001.00.00</start_version>"
           "<end_version>0002.00.00</end_version>" +
           extra + "</leaderboard>";
}

class OfflineServiceTest : public testing::Test {
protected:
    // The running client, as far as it takes the configuration file's game profile.
    struct ProfileSession : QVSessionRole {
        std::vector<std::string> profiles;
        bool online { false };
        void setLocalGameProfileInfo(const QVXmlElement& e) override { profiles.push_back(e.childText("name")); }
        bool isOnline() override { return online; }
    } session;
    void SetUp() override
    {
        auto& bundle = platform::Bundle::main();
        oldHome = bundle.homeDirectory();
        oldResources = bundle.resourcePath();
        oldVersion = bundle.version();
        bundle.setHomeDirectory(home.path());
        bundle.setResourcePath(resources.path());
        bundle.setVersion("1.2.3");
    }
    void TearDown() override
    {
        QVOfflineService::shutdownService();
        QVLeaderboardService::shutdownService();
        QVAchievementService::shutdownService();
        QVHighScoreService::shutdownService();
        QVSessionRole::setCurrent(nullptr);
        auto& bundle = platform::Bundle::main();
        bundle.setHomeDirectory(oldHome);
        bundle.setResourcePath(oldResources);
        bundle.setVersion(oldVersion);
    }

    void start()
    {
        QVOfflineService::initializeService();
        QVLeaderboardService::initializeService();
    }
    void restart()
    {
        QVOfflineService::shutdownService();
        QVLeaderboardService::shutdownService();
        start();
    }
    std::string storePath() const { return platform::Bundle::main().documentsDirectory() + "/quorvel_offline"; }
    std::string writeConfig(const std::string& body, time_t modified)
    {
        std::string path = resources.write("quorvel_offline_config.xml", body);
        struct timeval times[2] = { { modified, 0 }, { modified, 0 } };
        utimes(path.c_str(), times);
        return path;
    }
    void syncBootstrap(const std::string& offlinePart)
    {
        auto answer = QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithString(
            "<bootstrap><access_token>t</access_token><user><id>17</id><name>Ann</name>"
            "<profile_picture_url>http://pictures/ann.png</profile_picture_url></user>" +
            offlinePart + "</bootstrap>"));
        ASSERT_TRUE(answer);
        QVOfflineService::syncOfflineData(*answer);
    }

    testing_support::TempDir home;
    testing_support::TempDir resources;
    std::string oldHome, oldResources, oldVersion;
    platform::LogCapture log;
};

TEST(OfflineAppVersionTest, KeepsTheFirstThreeNumericPartsOfTheBundleVersion)
{
    EXPECT_EQ(QVOfflineService::formatAppVersion("1.2"), "0001.02.00");
    EXPECT_EQ(QVOfflineService::formatAppVersion("2.10.3.7"), "0002.10.03");
    EXPECT_EQ(QVOfflineService::formatAppVersion(""), "0000.00.00");
    EXPECT_EQ(QVOfflineService::formatAppVersion("beta.5"), "0000.05.00");
    EXPECT_EQ(QVOfflineService::formatAppVersion("3"), "0003.00.00");
}

TEST(OfflineKnownResourcesTest, AllEightNamesAreShared)
{
    QVResourceNameMap names;
    QVOfflineService::shareKnownResources(names);
    EXPECT_EQ(names.find("game_profile_page_info"), &QVGameProfilePageInfo::staticResourceClass());
    EXPECT_EQ(names.find("offline"), &QVOffline::staticResourceClass());
    EXPECT_EQ(names.find("achievement"), &QVAchievement::staticResourceClass());
    EXPECT_EQ(names.find("unlocked_achievement"), &QVUnlockedAchievement::staticResourceClass());
    EXPECT_EQ(names.find("high_score"), &QVHighScore::staticResourceClass());
    EXPECT_EQ(names.find("leaderboard"), &QVLeaderboard_Sync::staticResourceClass());
    EXPECT_EQ(names.find("leaderboard_aggregation"), &QVLeaderboardAggregation::staticResourceClass());
    EXPECT_EQ(names.find("user"), &QVUser::staticResourceClass());
}

TEST_F(OfflineServiceTest, TheConfigurationFileIsReadOncePerModificationTime)
{
    std::string config = "<resources><offline><leaderboards>" + board("5", "") + board("6", "", false) +
                         "</leaderboards><leaderboard_aggregations><leaderboard_aggregation>"
                         "<aggregate_leaderboard_id>9</aggregate_leaderboard_id>"
                         "<leaderboard_pushing_changes_id>5</leaderboard_pushing_changes_id>"
                         "</leaderboard_aggregation></leaderboard_aggregations></offline>"
                         "<game_profile_page_info><name>The Game</name></game_profile_page_info></resources>";
    writeConfig(config, 1600000000);
    const std::vector<std::string>& profiles = session.profiles;
    QVSessionRole::setCurrent(&session);
    start();
    EXPECT_EQ(QVOfflineService::getFormattedAppVersion(), "0001.02.03");
    EXPECT_EQ(profiles, std::vector<std::string> { "The Game" });
    EXPECT_EQ(QVOfflineService::getTableVersion("offline_config_file_date"), 1600000000);
    ASSERT_EQ(QVLeaderboardService::getLeaderboardsLocal().size(), 1u);
    // Definitions of the file carry no sync time: an empty store's sync date stays at the epoch.
    EXPECT_EQ(QVLeaderboardService::getLastSyncDateForUserId("17"), "1970-01-01 00:00:00");
    EXPECT_EQ(QVLeaderboardService::getLastSyncDateUnixForUserId("17"), "0");

    {
        RawDatabase raw(storePath());
        raw.exec("DELETE FROM leaderboards");
    }
    restart();
    EXPECT_TRUE(QVLeaderboardService::getLeaderboardsLocal().empty()) << "the same file was read again";
    EXPECT_EQ(profiles.size(), 1u);

    writeConfig(config, 1600000500);
    restart();
    EXPECT_EQ(QVLeaderboardService::getLeaderboardsLocal().size(), 1u);
    EXPECT_EQ(QVOfflineService::getTableVersion("offline_config_file_date"), 1600000500);
    EXPECT_EQ(profiles.size(), 2u);
}

TEST_F(OfflineServiceTest, AConfigurationFileThatCannotBeParsedIsRecordedAndChangesNothing)
{
    writeConfig("<resources><offline><leaderboards>", 1600000000);
    start();
    EXPECT_EQ(QVOfflineService::getTableVersion("offline_config_file_date"), 1600000000);
    EXPECT_FALSE(QVLeaderboardService::hasLeaderboards());

    // Achievements only: no table changes.
    writeConfig("<resources><offline><achievements><achievement id=\"3\"/></achievements></offline></resources>",
                1600000100);
    restart();
    RawDatabase raw(storePath());
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM leaderboards"), "0");
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM achievement_definitions"), "0");
}

TEST_F(OfflineServiceTest, TheBootstrapRequestCarriesBothSyncDates)
{
    start();
    platform::Ref<QVHttpNestedQueryStringWriter> params = platform::adoptRef(new QVHttpNestedQueryStringWriter);
    QVOfflineService::getBootstrapCallParams(*params, "17");
    const auto& written = params->getQueryParametersAsArray();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0]->name(), "achievements_sync_date");
    EXPECT_EQ(written[0]->value(), "1970-01-01 00:00:00");
    EXPECT_EQ(written[1]->name(), "leaderboards_sync_date");
    EXPECT_EQ(written[1]->value(), "1970-01-01 00:00:00");
}

TEST_F(OfflineServiceTest, TheBootstrapsOfflinePartFillsTheStoreAndKeepsServerBestsSynchronised)
{
    start();
    QVAchievementService::initializeService();
    const std::string achievementsSyncedBefore = QVAchievementService::getLastSyncDateForUserId("17");
    long before = static_cast<long>(std::time(nullptr));
    syncBootstrap("<offline><achievements/><leaderboards>" +
                  board("5", "<score>1200</score><reached_at>2011-02-03 04:05:06</reached_at>"
                             "<display_text>1,200 pts</display_text>") +
                  board("6", "<score>300</score>") + board("7", "<score>0</score>") +
                  board("9", "<is_aggregate>true</is_aggregate><score>5000</score>") +
                  "</leaderboards><leaderboard_aggregations><leaderboard_aggregation>"
                  "<aggregate_leaderboard_id>9</aggregate_leaderboard_id>"
                  "<leaderboard_pushing_changes_id>5</leaderboard_pushing_changes_id>"
                  "</leaderboard_aggregation></leaderboard_aggregations></offline>");

    // The achievement list (empty here) was written for the player.
    EXPECT_NE(QVAchievementService::getLastSyncDateForUserId("17"), achievementsSyncedBefore);
    EXPECT_EQ(QVAchievementService::getLastSyncDateForUserId("18"), achievementsSyncedBefore);
    RawDatabase raw(storePath());
    EXPECT_EQ(raw.rows("SELECT * FROM users"), (std::vector<std::string> { "17|Ann|http://pictures/ann.png" }));
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM leaderboards WHERE server_sync_at >= " + std::to_string(before)), "4");
    // Each best is stored as the server's: a time, never pending.
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM high_scores WHERE server_sync_at IS NULL"), "0");
    EXPECT_EQ(raw.rows("SELECT leaderboard_id, score, display_text, server_sync_at FROM high_scores WHERE "
                       "leaderboard_id = 5"),
              (std::vector<std::string> { "5|1200|1,200 pts|1296705906" }));
    EXPECT_GE(std::stol(raw.value("SELECT server_sync_at FROM high_scores WHERE leaderboard_id = 6")), before);
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM high_scores WHERE leaderboard_id = 7"), "0");
    // The aggregate gets its member's increase, not its own server best.
    EXPECT_EQ(raw.rows("SELECT score FROM high_scores WHERE leaderboard_id = 9"), (std::vector<std::string> { "1200" }));

    // A later list with a lower best on the member does not lower the aggregate.
    syncBootstrap("<offline><leaderboards>" + board("5", "<score>700</score>") + "</leaderboards></offline>");
    EXPECT_EQ(raw.rows("SELECT score FROM high_scores WHERE leaderboard_id = 9"), (std::vector<std::string> { "1200" }));
    // A higher one raises it by the increase.
    syncBootstrap("<offline><leaderboards>" + board("5", "<score>1500</score>") + "</leaderboards></offline>");
    EXPECT_EQ(raw.rows("SELECT score FROM high_scores WHERE leaderboard_id = 9 ORDER BY score DESC LIMIT 1"),
              (std::vector<std::string> { "1500" }));

    // The sync date is now the older of the player's newest synced score and the newest definition.
    EXPECT_NE(QVLeaderboardService::getLastSyncDateUnixForUserId("17"), "0");
    EXPECT_EQ(QVLeaderboardService::getLastSyncDateUnixForUserId("18"), "0");
}

TEST_F(OfflineServiceTest, ABootstrapWithoutOfflinePartOrWithABadPlayerIdLeavesTheStoreUntouched)
{
    start();
    syncBootstrap("");
    auto answer = QVBootstrap::fromDocument(QVXmlDocument::xmlDocumentWithString(
        "<bootstrap><access_token>t</access_token><user><id>17x</id></user><offline><leaderboards>" + board("5", "") +
        "</leaderboards></offline></bootstrap>"));
    QVOfflineService::syncOfflineData(*answer);
    RawDatabase raw(storePath());
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM users"), "0");
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM leaderboards"), "0");
}

TEST_F(OfflineServiceTest, PendingDataGoesOutAchievementsFirstThroughTheRunningServices)
{
    // Each sender first asks whether Game Center still needs its catch-up.
    struct SendersSeen : QVGameCenterRole {
        std::vector<std::string> calls;
        bool isLoggedIntoGameCenter() override { return true; }
        bool isSynchedWithGameCenterAchievements() override
        {
            calls.push_back("achievements");
            return true;
        }
        bool isSynchedWithGameCenterLeaderboards() override
        {
            calls.push_back("scores");
            return true;
        }
    } senders;
    QVGameCenterRole::setCurrent(&senders);
    session.online = true;
    QVSessionRole::setCurrent(&session);
    start();
    QVOfflineService::sharedService()->sendPendingData("17"); // no sender runs yet: nothing happens
    EXPECT_TRUE(senders.calls.empty());
    QVHighScoreService::initializeService();
    QVAchievementService::initializeService();
    QVOfflineService::sharedService()->sendPendingData("17");
    QVGameCenterRole::setCurrent(nullptr);
    EXPECT_EQ(senders.calls, (std::vector<std::string> { "achievements", "scores" }));
}

// A store that cannot be opened at all (a folder in its place), unlike a
// damaged one, which is kept aside for a new one.
TEST_F(OfflineServiceTest, AnUnusableStoreIsReportedOnceAndTheServicesRunWithoutIt)
{
    std::filesystem::create_directories(storePath());
    start();
    EXPECT_FALSE(QVOfflineStore::isOpen());
    EXPECT_EQ(log.count(platform::LogLevel::Error), 1u);
    syncBootstrap("<offline><leaderboards>" + board("5", "<score>10</score>") + "</leaderboards></offline>");
    EXPECT_TRUE(QVLeaderboardService::getLeaderboardsLocal().empty());
    EXPECT_FALSE(QVLeaderboardService::hasLeaderboards());
    EXPECT_EQ(QVLeaderboardService::getLeaderboard("5"), nullptr);
    EXPECT_EQ(QVLeaderboardService::getLastSyncDateForUserId("17"), "");
    EXPECT_EQ(log.count(platform::LogLevel::Error), 1u);
}

// A store removed while the game runs is seen by the first write of the
// next turn of the main loop, or once the turn of the removal ends when that
// turn wrote before it, and made anew; again after the store was made again.
TEST_F(OfflineServiceTest, AStoreRemovedIsMadeAnewAtTheNextTurnsFirstWriteOrOnceItsTurnEnds)
{
    start();
    auto removed = [&] {
        const std::vector<std::string> texts = log.texts();
        return std::count_if(texts.begin(), texts.end(), [](const std::string& text) {
            return text.find("was removed while the game ran") != std::string::npos;
        });
    };
    for (int round = 1; round <= 2; ++round) {
        const bool sameTurn = round == 1;
        if (sameTurn) {
            ASSERT_TRUE(QVOfflineService::reopenStoreIfRemoved());
        }
        for (const char* suffix : { "", "-wal", "-shm" })
            std::filesystem::remove(storePath() + suffix);
        ASSERT_TRUE(QVOfflineService::reopenStoreIfRemoved());
        EXPECT_EQ(removed(), sameTurn ? round - 1 : round);
        platform::RunLoop::main().drain();
        EXPECT_EQ(removed(), round);
        EXPECT_TRUE(std::filesystem::exists(storePath()));
    }
}

// A store moved away from its path is found at the first write of a later
// turn of the main loop (its path is looked at once a turn, not at every
// write) and made again at the path with what it kept.
TEST_F(OfflineServiceTest, AStoreMovedAwayIsMadeAgainWithWhatItKeptAtALaterTurn)
{
    start();
    syncBootstrap("<offline><leaderboards>" + board("5", "") + "</leaderboards></offline>");
    ASSERT_TRUE(QVOfflineService::reopenStoreIfRemoved());
    std::filesystem::rename(storePath(), storePath() + "-moved");
    ASSERT_TRUE(QVOfflineService::reopenStoreIfRemoved());
    EXPECT_FALSE(log.contains("it is made again with what it kept")) << "the path is looked at once a turn";
    platform::RunLoop::main().drain();
    ASSERT_TRUE(QVOfflineService::reopenStoreIfRemoved());
    EXPECT_TRUE(log.contains("it is made again with what it kept")) << testing::PrintToString(log.texts());
    QVOfflineService::shutdownService();
    EXPECT_EQ(RawDatabase(storePath()).value("SELECT COUNT(*) FROM leaderboards"), "1");
}

} // namespace

// -- the bootstrap over the wire -------------------------------------------------------

#include "social/services/ServiceTestSupport.h"
#include "support/NetTestSupport.h"

namespace {

// The facade's part of the bootstrap, as the central class wires it.
class OfflineBootstrapHost : public net_testing::RecordingHost {
public:
    void writeBootstrapParameters(QVHttpNestedQueryStringWriter& params) override
    {
        QVOfflineService::getBootstrapCallParams(params, "17");
    }
    void synchronizeOfflineData(const QVBootstrap& answer) override { QVOfflineService::syncOfflineData(answer); }
};

class OfflineBootstrapTest : public net_testing::NetTest {
protected:
    void SetUp() override
    {
        NetTest::SetUp();
        offlineHost.providerLink = provider.get();
        TestRuntimeRoles::setCurrent(&offlineHost);
        QVOfflineService::initializeService();
        recorder = net_testing::CallbackRecorder::create();
    }
    void TearDown() override
    {
        QVOfflineService::shutdownService();
        NetTest::TearDown();
    }
    OfflineBootstrapHost offlineHost;
    platform::Ref<net_testing::CallbackRecorder> recorder;
};

TEST_F(OfflineBootstrapTest, TheBootstrapSendsTheSyncDatesAndItsAnswerFillsTheStore)
{
    server.route("POST", "bootstrap.xml", standin::Answer::xml(service_testing::fixture("bootstrap_offline.xml")));
    provider->loginAndBootstrapWithDeviceToken(std::nullopt, false, std::nullopt, recorder->onSuccess(),
                                               recorder->onFailure());
    ASSERT_TRUE(waitFor([&] { return recorder->total() > 0; }));
    ASSERT_EQ(recorder->successes, 1);

    auto log = server.requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].param("achievements_sync_date"), "1970-01-01 00:00:00");
    EXPECT_EQ(log[0].param("leaderboards_sync_date"), "1970-01-01 00:00:00");

    RawDatabase raw(platform::Bundle::main().documentsDirectory() + "/quorvel_offline");
    EXPECT_EQ(raw.rows("SELECT * FROM users"), (std::vector<std::string> { "17|Player|http://127.0.0.1/pictures/17.png" }));
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM leaderboards WHERE server_sync_at IS NOT NULL"), "3");
    EXPECT_EQ(raw.rows("SELECT leaderboard_id, score, display_text, custom_data, server_sync_at FROM high_scores ORDER "
                       "BY leaderboard_id"),
              (std::vector<std::string> { "5|1200|1,200 points|level=4|1296705906", "9|1200|NULL|NULL|" +
                                              raw.value("SELECT server_sync_at FROM high_scores WHERE leaderboard_id = 9") }));
    EXPECT_EQ(raw.value("SELECT COUNT(*) FROM high_scores WHERE server_sync_at IS NULL"), "0");

    // The local list works with the network off.
    reachability->setStatus(platform::Reachability::NotReachable);
    EXPECT_EQ(QVLeaderboardService::getLeaderboardsLocal().size(), 3u);
    EXPECT_NE(QVLeaderboardService::getLastSyncDateForUserId("17"), "1970-01-01 00:00:00");
}

// A player clearing the game's data while it runs, between two scores of
// one turn, and the game ends in that turn: the second score went into the
// removed file, still open, and the store made again as it closes takes it
// with the rest, so both scores told kept are there after a relaunch.
TEST_F(OfflineServiceTest, ScoresToldKeptAroundARemovalOfTheStoreInOneTurnAreKeptThroughARelaunch)
{
    QVSessionRole::setCurrent(&session);
    start();
    QVHighScoreService::initializeService();
    syncBootstrap("<offline><leaderboards>" + board("5", "") + "</leaderboards></offline>");
    auto told = net_testing::CallbackRecorder::create();
    QVHighScoreService::setHighScore(100, "5", told->onSuccess(), told->onFailure());
    for (const char* suffix : { "", "-wal", "-shm" })
        std::filesystem::remove(storePath() + suffix);
    QVHighScoreService::setHighScore(200, "5", told->onSuccess(), told->onFailure());
    EXPECT_EQ(told->successes, 2);

    // The game ends in that turn: the store is made again as it closes.
    QVHighScoreService::shutdownService();
    restart();
    EXPECT_TRUE(log.contains("was removed while the game ran; it is made again with what it kept"))
        << testing::PrintToString(log.texts());
    EXPECT_EQ(RawDatabase(storePath()).rows("SELECT score FROM high_scores ORDER BY score"),
              (std::vector<std::string> { "100", "200" }));
    EXPECT_EQ(QVLeaderboardService::getLeaderboard("5") != nullptr, true) << "the definitions came along";
}

// The store removed while the game runs, and the disk full as the client
// makes it again at its path: for the copy only, or for the open store's
// writes too (its log cannot be folded back). The removed store stays in use
// with all it kept, nothing is left at the path, the failure is said once,
// and the store is made again with all of it once the disk takes the copy.
TEST_F(OfflineServiceTest, ARemovedStoreTheFullDiskKeepsFromBeingMadeAgainStaysInUseUntilItIs)
{
    struct FullDisk final : testing_support::SqlitePassThrough {
        explicit FullDisk(std::string path) : SqlitePassThrough("brisko-full-disk"), path(std::move(path)) { }
        int before(Io io, const char* file) override
        {
            return full && io == Io::Write && std::string(file).rfind(path, 0) == 0 && !std::strstr(file, "-held")
                ? SQLITE_FULL
                : SQLITE_OK;
        }
        std::string path;
        bool full { false };
    };
    QVSessionRole::setCurrent(&session);
    for (bool openStoreToo : { false, true }) {
        SCOPED_TRACE(openStoreToo ? "the open store's writes refused too" : "the copy's writes refused");
        for (const char* suffix : { "", "-wal", "-shm" })
            std::filesystem::remove(storePath() + suffix);
        log.clear();
        // Through the disk from before the start, the open store's writes are refused with the copy's.
        std::optional<FullDisk> before, after;
        if (openStoreToo)
            before.emplace(storePath());
        start();
        QVHighScoreService::initializeService();
        syncBootstrap("<offline><leaderboards>" + board("5", "") + "</leaderboards></offline>");
        auto told = net_testing::CallbackRecorder::create();
        QVHighScoreService::setHighScore(100, "5", told->onSuccess(), told->onFailure());
        platform::RunLoop::main().drain();
        if (!openStoreToo)
            after.emplace(storePath());
        FullDisk& disk = openStoreToo ? *before : *after;
        ASSERT_TRUE(disk.registered());
        for (const char* suffix : { "", "-wal", "-shm" })
            std::filesystem::remove(storePath() + suffix);
        disk.full = true;
        for (int64_t score : { 200, 300 }) {
            platform::RunLoop::main().drain();
            QVHighScoreService::setHighScore(score, "5", told->onSuccess(), told->onFailure());
        }
        EXPECT_EQ(told->successes, openStoreToo ? 1 : 3);
        EXPECT_FALSE(std::filesystem::exists(storePath())) << "a part of the copy was left at the path";
        EXPECT_EQ(log.count(platform::LogLevel::Error), 1u) << testing::PrintToString(log.texts());
        EXPECT_TRUE(log.contains("cannot be made again now")) << testing::PrintToString(log.texts());
        disk.full = false;
        platform::RunLoop::main().drain();
        ASSERT_TRUE(QVOfflineService::reopenStoreIfRemoved());
        EXPECT_TRUE(log.contains("it is made again with what it kept"));
        // Every connection through the disk closes before it goes.
        QVHighScoreService::shutdownService();
        QVOfflineService::shutdownService();
        QVLeaderboardService::shutdownService();
        const std::vector<std::string> toldKept = openStoreToo ? std::vector<std::string> { "100" }
                                                               : std::vector<std::string> { "100", "200", "300" };
        EXPECT_EQ(RawDatabase(storePath()).rows("SELECT score FROM high_scores ORDER BY score"), toldKept);
    }
}

// The store moved away and a file the client cannot use put at its path
// while the game runs: that file is kept aside, and the store is made again
// with what it kept, so a score told kept before still waits to be sent.
TEST_F(OfflineServiceTest, AStoreSwappedForAFileTheClientCannotUseIsMadeAgainWithWhatItKept)
{
    QVSessionRole::setCurrent(&session);
    start();
    QVHighScoreService::initializeService();
    syncBootstrap("<offline><leaderboards>" + board("5", "") + "</leaderboards></offline>");
    auto told = net_testing::CallbackRecorder::create();
    QVHighScoreService::setHighScore(100, "5", told->onSuccess(), told->onFailure());
    platform::RunLoop::main().drain();
    std::filesystem::rename(storePath(), storePath() + "-moved");
    {
        std::ofstream unreadable(storePath(), std::ios::binary);
        unreadable << std::string(8192, 'u');
    }
    platform::RunLoop::main().drain();
    QVHighScoreService::setHighScore(200, "5", told->onSuccess(), told->onFailure());
    EXPECT_EQ(told->successes, 2);
    EXPECT_TRUE(log.contains("it is kept as \"" + storePath() + ".damaged\"")) << testing::PrintToString(log.texts());
    EXPECT_TRUE(log.contains("was removed while the game ran; it is made again with what it kept"));
    EXPECT_FALSE(log.contains("cannot be made again"));

    QVHighScoreService::shutdownService();
    restart();
    EXPECT_EQ(RawDatabase(storePath()).rows("SELECT score, server_sync_at IS NULL FROM high_scores ORDER BY score"),
              (std::vector<std::string> { "100|0", "200|1" }))
        << "both kept; the better one waits to be sent";
}

} // namespace
