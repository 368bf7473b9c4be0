// Crash safety of the local high-score store: a process killed in the middle
// of a run of offline scores leaves a sound store holding every score whose
// submission had returned.
#include "social/services/HighScoreTestSupport.h"
#include "social/services/OfflineStoreTestSupport.h"

#include "social/services/QVHighScoreService.h"

#include <set>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvel;

namespace {

constexpr int kBoards = 40;

class HighScoreCrashTest : public offline_testing::OfflineStoreTest { };

// Score i goes to board i % kBoards + 1 with value i: every board only ever
// improves, so no returned score is trimmed before the tenth on its board.
void submitForever(int reportFd)
{
    highscore_testing::ScoreHost<> host;
    host.local = highscore_testing::player("42");
    host.onlineFlag = false;
    TestRuntimeRoles::setCurrent(&host);
    for (int i = 0;; ++i) {
        QVHighScoreService::setHighScoreSilently(i, std::to_string(i % kBoards + 1), true, {}, {});
        if (write(reportFd, &i, sizeof i) != static_cast<ssize_t>(sizeof i))
            _exit(2);
    }
}

TEST_F(HighScoreCrashTest, AKilledRunLeavesASoundStoreWithEveryReturnedScore)
{
    ASSERT_TRUE(openStore());
    std::vector<highscore_testing::Board> boards;
    for (int b = 1; b <= kBoards; ++b)
        boards.push_back({ std::to_string(b) });
    highscore_testing::storeBoards(boards);
    QVOfflineStore::teardownOfflineDatabase();

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        if (!QVOfflineStore::openDatabaseAtPath(path()))
            _exit(3);
        QVOfflineStore::setupOfflineSupport();
        submitForever(fds[1]);
    }
    close(fds[1]);
    int last = -1;
    int value = 0;
    // Kill it somewhere in the middle of a run, while it is writing.
    while (last < 150 && read(fds[0], &value, sizeof value) == static_cast<ssize_t>(sizeof value))
        last = value;
    kill(child, SIGKILL);
    // Scores reported after the kill was decided also returned before it.
    while (read(fds[0], &value, sizeof value) == static_cast<ssize_t>(sizeof value))
        last = value;
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended on its own";
    ASSERT_GE(last, 150);

    offline_testing::RawDatabase raw(path());
    EXPECT_EQ(raw.value("PRAGMA integrity_check"), "ok");
    std::set<int> stored;
    for (const auto& row : raw.rows("SELECT score FROM high_scores WHERE user_id = 42"))
        stored.insert(std::stoi(row));
    // Only the ten best of each board are kept: older scores may have been trimmed.
    for (int i = std::max(0, last - 10 * kBoards + 1); i <= last; ++i) {
        EXPECT_TRUE(stored.count(i)) << "score " << i << " returned but is missing";
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

} // namespace
