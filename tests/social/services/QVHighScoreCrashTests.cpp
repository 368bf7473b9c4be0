// Crash safety of the local high-score store: a process killed at random
// moments of a long run of offline scores, past the trims to ten per board
// and past the log's checkpoints, leaves a sound store that holds every
// score whose submission had returned, or ten better ones on its board.
#include "social/services/HighScoreTestSupport.h"
#include "social/services/OfflineStoreTestSupport.h"

#include "social/services/QVHighScoreService.h"

#include <map>
#include <random>
#include <set>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvel;

namespace {

constexpr int kBoards = 40;
constexpr int kRounds = 3;
// Each run is killed after a random number of returned scores in this range:
// past 10 * kBoards the boards are trimmed, and the log is folded into the
// file (a checkpoint) every few hundred scores.
constexpr int kFewestBeforeKill = 10 * kBoards + 100;
constexpr int kMostBeforeKill = 1200;

class HighScoreCrashTest : public offline_testing::OfflineStoreTest { };

// Score i goes to board i % kBoards + 1 with value i: every board only ever
// improves, so a score leaves the store only when ten better ones are on its board.
void submitFrom(int first, int reportFd)
{
    highscore_testing::ScoreHost<> host;
    host.local = highscore_testing::player("42");
    host.onlineFlag = false;
    TestRuntimeRoles::setCurrent(&host);
    for (int i = first;; ++i) {
        QVHighScoreService::setHighScoreSilently(i, std::to_string(i % kBoards + 1), true, {}, {});
        if (write(reportFd, &i, sizeof i) != static_cast<ssize_t>(sizeof i))
            _exit(2);
    }
}

// Runs a child writing scores from `first` on and kills it, with no warning,
// once it has reported `killAfter` of them; answers the last one it reported
// (every score up to it had returned), or -1 when it ended on its own.
int killedRun(const std::string& path, int first, int killAfter)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    fflush(nullptr);
    pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        close(fds[0]);
        if (!QVOfflineStore::openDatabaseAtPath(path))
            _exit(3);
        QVOfflineStore::setupOfflineSupport();
        submitFrom(first, fds[1]);
    }
    close(fds[1]);
    int last = -1, value = 0;
    while (last < first + killAfter - 1 && read(fds[0], &value, sizeof value) == static_cast<ssize_t>(sizeof value))
        last = value;
    kill(child, SIGKILL);
    // Scores reported after the kill was decided also returned before it.
    while (read(fds[0], &value, sizeof value) == static_cast<ssize_t>(sizeof value))
        last = value;
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? last : -1;
}

struct timespec modified(const std::string& path)
{
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mtim;
}

} // namespace

TEST_F(HighScoreCrashTest, KilledAtRandomMomentsTheStoreKeepsEachReturnedScoreOrTenBetter)
{
    ASSERT_TRUE(openStore());
    std::vector<highscore_testing::Board> boards;
    for (int b = 1; b <= kBoards; ++b)
        boards.push_back({ std::to_string(b) });
    highscore_testing::storeBoards(boards);
    QVOfflineStore::teardownOfflineDatabase();

    const unsigned seed = std::random_device {}();
    SCOPED_TRACE("kill moments drawn with seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::vector<std::pair<int, int>> returned; // each run's first and last returned score
    int first = 0;
    for (int round = 0; round < kRounds; ++round) {
        int killAfter = std::uniform_int_distribution<int>(kFewestBeforeKill, kMostBeforeKill)(random);
        const struct timespec before = modified(path());
        int last = killedRun(path(), first, killAfter);
        ASSERT_GE(last, first + killAfter - 1) << "run " << round << " ended on its own or reported too little";
        // Only a checkpoint writes the file itself while a run lasts (its commits go to the log).
        const struct timespec after = modified(path());
        EXPECT_TRUE(after.tv_sec != before.tv_sec || after.tv_nsec != before.tv_nsec)
            << "run " << round << " was killed before the log's first checkpoint";
        returned.emplace_back(first, last);
        // The next run starts past a score the child may have kept without reporting it.
        first = last + 2;

        offline_testing::RawDatabase raw(path());
        ASSERT_EQ(raw.value("PRAGMA integrity_check"), "ok") << "after run " << round;
        std::map<int, std::vector<int>> stored; // board, its scores
        for (const auto& row : raw.rows("SELECT leaderboard_id, score FROM high_scores WHERE user_id = 42")) {
            size_t bar = row.find('|');
            stored[std::stoi(row.substr(0, bar))].push_back(std::stoi(row.substr(bar + 1)));
        }
        for (auto& [runFirst, runLast] : returned)
            for (int i = runFirst; i <= runLast; ++i) {
                const auto& onBoard = stored[i % kBoards + 1];
                bool kept = std::find(onBoard.begin(), onBoard.end(), i) != onBoard.end();
                auto better = std::count_if(onBoard.begin(), onBoard.end(), [i](int s) { return s > i; });
                ASSERT_TRUE(kept || better >= 10) << "score " << i << " returned in an earlier run or run " << round
                                                  << " but is missing, with " << better << " better on its board";
            }
    }
    // The store opens and takes scores again.
    ASSERT_TRUE(openStore());
    highscore_testing::ScoreHost<> host;
    host.local = highscore_testing::player("42");
    host.onlineFlag = false;
    TestRuntimeRoles::setCurrent(&host);
    EXPECT_TRUE(QVHighScoreService::localSetHighScore(1000000, "1", "42"));
    QVHighScoreService::shutdownService();
    TestRuntimeRoles::setCurrent(nullptr);
}
