// The game network's stand-in: without an installed network every road
// answers "not signed in"; the scripted network signs in, records reports and
// loads by scope and range; every completion runs later, on the main loop.
#include "platform/gamekit/GameCenter.h"

#include "platform/foundation/DateFormat.h"
#include "support/TestSupport.h"

using namespace platform::gamekit;

namespace {

class GameCenterTest : public testing_support::ManualClockTest {
protected:
    void TearDown() override
    {
        GameCenter::install(nullptr);
        ManualClockTest::TearDown();
    }
};

TEST_F(GameCenterTest, WithoutANetworkEveryRoadAnswersNotSignedInLater)
{
    GameCenter& none = GameCenter::current();
    std::vector<int> codes;
    auto record = [&](const OptionalError& e) { codes.push_back(e ? e->code : 0); };
    none.authenticateLocalPlayer(record);
    none.reportScore(10, "gc.five", record);
    none.reportAchievement("gc.a", 50, record);
    none.loadFriends([&](const std::vector<std::string>&, const OptionalError& e) { record(e); });
    none.loadAchievements([&](const std::vector<Achievement>&, const OptionalError& e) { record(e); });
    none.loadPlayers({ "G:1" }, [&](const std::vector<Player>&, const OptionalError& e) { record(e); });
    auto board = Leaderboard::create();
    board->category = "gc.five";
    board->loadScores([&](const std::vector<Score>&, const OptionalError& e) { record(e); });
    EXPECT_TRUE(board->isLoading());
    EXPECT_TRUE(codes.empty()) << "no completion runs inside the call";
    loop().drain();
    EXPECT_EQ(codes, std::vector<int>(7, kNotSignedIn));
    EXPECT_FALSE(none.isLocalPlayerAuthenticated());
    EXPECT_EQ(none.localPlayerID(), "");
    EXPECT_FALSE(board->isLoading());
}

TEST_F(GameCenterTest, TheScriptedNetworkSignsInAndRecordsReportsWithTheirDates)
{
    auto gc = ScriptedGameCenter::create();
    GameCenter::install(gc);
    bool signedIn = false;
    GameCenter::current().authenticateLocalPlayer([&](const OptionalError& e) { signedIn = !e; });
    EXPECT_FALSE(gc->isLocalPlayerAuthenticated());
    loop().drain();
    EXPECT_TRUE(signedIn);
    EXPECT_EQ(GameCenter::current().localPlayerID(), "G:1000");

    gc->scoreDate = platform::Date { 1234.5 };
    int answered = 0;
    platform::Date dated = GameCenter::current().reportScore(77, "gc.five", [&](const OptionalError& e) {
        EXPECT_FALSE(e);
        ++answered;
    });
    EXPECT_EQ(dated.seconds, 1234.5);
    ASSERT_EQ(gc->reports.size(), 1u);
    EXPECT_EQ(gc->reports[0].value, 77);
    gc->failReports = Error { 9, "down" };
    GameCenter::current().reportAchievement("gc.a", 10, [&](const OptionalError& e) {
        EXPECT_EQ(e->code, 9);
        ++answered;
    });
    EXPECT_EQ(answered, 0);
    loop().drain();
    EXPECT_EQ(answered, 2);
    EXPECT_EQ(gc->reports.size(), 1u) << "a failed report is not recorded";
}

TEST_F(GameCenterTest, LeaderboardLoadsFollowTimeScopePlayerScopeAndRange)
{
    auto gc = ScriptedGameCenter::create();
    gc->setAuthenticated(true);
    gc->friends = { "G:2" };
    double now = platform::dateNow().seconds;
    gc->scores = { { "G:1000", "c", 10, "10", { now }, 0 },     { "G:2", "c", 30, "30", { now - 3 * 86400 }, 0 },
                   { "G:3", "c", 50, "50", { now - 30 * 86400 }, 0 }, { "G:4", "c", 40, "40", { now }, 0 },
                   { "G:5", "other", 99, "99", { now }, 0 } };
    GameCenter::install(gc);
    auto load = [&](int time, int players, int from, int length) {
        auto board = Leaderboard::create();
        board->category = "c";
        board->timeScope = time;
        board->playerScope = players;
        board->rangeLocation = from;
        board->rangeLength = length;
        board->loadScores(nullptr);
        loop().drain();
        std::vector<std::string> out;
        for (const auto& s : board->scores())
            out.push_back(s.playerID + "#" + std::to_string(s.rank));
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(load(kTimeScopeAllTime, kPlayerScopeGlobal, 1, 25), (V { "G:3#1", "G:4#2", "G:2#3", "G:1000#4" }));
    EXPECT_EQ(load(kTimeScopeWeek, kPlayerScopeGlobal, 1, 25), (V { "G:4#1", "G:2#2", "G:1000#3" }));
    EXPECT_EQ(load(kTimeScopeToday, kPlayerScopeGlobal, 1, 25), (V { "G:4#1", "G:1000#2" }));
    EXPECT_EQ(load(kTimeScopeAllTime, kPlayerScopeFriendsOnly, 1, 25), (V { "G:2#1", "G:1000#2" }));
    EXPECT_EQ(load(kTimeScopeAllTime, kPlayerScopeGlobal, 2, 2), (V { "G:4#2", "G:2#3" }));
    EXPECT_TRUE(load(kTimeScopeAllTime, kPlayerScopeGlobal, 9, 5).empty());

    gc->players = { { "G:2", "Bea" } };
    std::vector<Player> found;
    GameCenter::current().loadPlayers({ "G:2", "G:404" }, [&](const std::vector<Player>& p, const OptionalError&) {
        found = p;
    });
    loop().drain();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].alias, "Bea");
}

} // namespace
