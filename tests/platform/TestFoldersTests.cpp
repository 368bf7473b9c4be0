// The tests' temporary folders leave nothing behind: a forked child never
// removes its parent's folder, a test program that leaves one of its own
// folders fails, and what its children leave is removed when it ends. The
// last two run this program again on one of the helper tests below.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testing_support::TempDir;

namespace {

// This program, as a run of its own, on one helper test, its temporary folder being `tmp`.
testing_support::CommandRun runHelper(const std::string& test, const std::string& tmp)
{
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    return testing_support::runCommand("env -u BRISKO_TEST_RUN TMPDIR='" + tmp + "' '" + self
                                       + "' --gtest_also_run_disabled_tests --gtest_filter='TestFoldersHelper.DISABLED_"
                                       + test + "' 2>&1");
}

bool empty(const std::string& folder) { return fs::is_empty(folder); }

} // namespace

TEST(TestFolders, AForkedChildNeverRemovesItsParentsFolder)
{
    auto* dir = new TempDir;
    const std::string path = dir->path();
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        delete dir;
        _exit(fs::exists(path) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child removed the folder";
    EXPECT_TRUE(fs::exists(path));
    delete dir;
    EXPECT_FALSE(fs::exists(path));
}

TEST(TestFolders, AProgramThatLeavesItsOwnFolderFailsAndLeavesNothing)
{
    TempDir tmp;
    auto run = runHelper("RecreatesItsFolderAfterItsCleanUp", tmp.path());
    EXPECT_TRUE(run.exitedWith(1)) << run.output;
    EXPECT_NE(run.output.find("a test left " + tmp.path() + "/brisko-test-"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("(holding late)"), std::string::npos) << run.output;
    EXPECT_TRUE(empty(tmp.path()));
}

TEST(TestFolders, FoldersItsChildrenLeaveAreRemovedWhenTheProgramEnds)
{
    TempDir tmp;
    auto run = runHelper("AChildLeavesItsFolder", tmp.path());
    EXPECT_TRUE(run.exitedWith(0)) << run.output;
    EXPECT_TRUE(empty(tmp.path()));
}

// The helpers, run only by the tests above.

TEST(TestFoldersHelper, DISABLED_RecreatesItsFolderAfterItsCleanUp)
{
    std::string path = TempDir().path();
    fs::create_directories(path + "/late");
}

TEST(TestFoldersHelper, DISABLED_AChildLeavesItsFolder)
{
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        new TempDir; // a death test's child ends without its clean-up
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
}
