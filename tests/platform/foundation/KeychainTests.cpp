// The keychain file: secrets per service in a file only the user may read,
// changed by one process at a time, entries that belong together as one.
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Keychain.h"
#include "platform/foundation/Log.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

using namespace platform;

namespace {

TEST(Keychain, SecretsLiveInAPrivateFile)
{
    testing_support::TempDir home;
    std::string oldHome = Bundle::main().homeDirectory();
    Bundle::main().setHomeDirectory(home.path());
    EXPECT_FALSE(Keychain::get("svc", "token"));
    ASSERT_TRUE(Keychain::set("svc", "token", "s3cret"));
    ASSERT_TRUE(Keychain::set("svc", "other", "x"));
    EXPECT_EQ(Keychain::get("svc", "token"), "s3cret");
    struct stat st {};
    ASSERT_EQ(stat(Keychain::pathForService("svc").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string folder = path::deletingLastComponent(Keychain::pathForService("svc"));
    EXPECT_EQ(testing_support::fileMode(folder), 0700);
    ::chmod(folder.c_str(), 0755); // as an older client left it
    EXPECT_TRUE(Keychain::remove("svc", "token"));
    EXPECT_EQ(testing_support::fileMode(folder), 0700);
    EXPECT_FALSE(Keychain::get("svc", "token"));
    EXPECT_EQ(Keychain::get("svc", "other"), "x");

    std::ofstream(Keychain::pathForService("svc")) << "garbage";
    EXPECT_FALSE(Keychain::get("svc", "other"));
    EXPECT_TRUE(Keychain::set("svc", "token", "again"));
    EXPECT_EQ(Keychain::get("svc", "token"), "again");
    Bundle::main().setHomeDirectory(oldHome);
}

// A keychain file that cannot be read (damaged, not a dictionary, a folder
// in its place) reads as empty and is said; the next change keeps it aside,
// private, under a name the log gives, before a new file takes its place,
// and a removal that changes nothing leaves it where it is.
TEST(Keychain, AFileThatCannotBeReadIsKeptAsideBeforeANewOneIsWritten)
{
    testing_support::TempDir home;
    const std::string oldHome = Bundle::main().homeDirectory();
    Bundle::main().setHomeDirectory(home.path());
    const std::string file = Keychain::pathForService("svc");
    ASSERT_TRUE(Keychain::set("svc", "token", "first"));
    struct Unreadable {
        const char* name;
        std::function<void()> make;
        const char* aside;
    };
    const std::vector<Unreadable> unreadable {
        { "damaged", [&] { std::ofstream(file) << "<plist><dict><key>token</key>"; }, ".unreadable" },
        { "no dictionary", [&] { std::ofstream(file) << "<plist><string>token</string></plist>"; }, ".unreadable-2" },
        { "a folder",
          [&] {
              std::filesystem::remove(file);
              std::filesystem::create_directory(file);
          },
          ".unreadable-3" },
    };
    for (const Unreadable& damage : unreadable) {
        SCOPED_TRACE(damage.name);
        damage.make();
        LogCapture log;
        EXPECT_EQ(Keychain::get("svc", "token"), std::nullopt);
        EXPECT_TRUE(log.contains(file)) << testing::PrintToString(log.texts());
        EXPECT_TRUE(Keychain::remove("svc", "token")) << "nothing to remove";
        EXPECT_FALSE(std::filesystem::exists(file + damage.aside));
        ASSERT_TRUE(Keychain::setMany("svc", { { "token", "second" }, { "secret", "s" } }));
        EXPECT_EQ(Keychain::getMany("svc", { "token", "secret" }),
                  (std::vector<std::optional<std::string>> { "second", "s" }));
        EXPECT_TRUE(std::filesystem::exists(file + damage.aside));
        EXPECT_TRUE(log.contains("it is kept as " + file + damage.aside)) << testing::PrintToString(log.texts());
        EXPECT_EQ(testing_support::fileMode(file), 0600);
    }
    EXPECT_EQ(testing_support::readFile(file + ".unreadable"), "<plist><dict><key>token</key>");
    EXPECT_EQ(testing_support::fileMode(file + ".unreadable"), 0600);
    EXPECT_TRUE(std::filesystem::is_directory(file + ".unreadable-3"));
    Bundle::main().setHomeDirectory(oldHome);
}

// The keychain is written through no link: one planted where an older client
// wrote aside (<file>.new-<pid>) or in place of the file itself leaves what it
// points at as it was; the file stays 0600 whatever the umask.
TEST(Keychain, NoLinkIsFollowedAndTheFileStaysPrivate)
{
    testing_support::TempDir home;
    testing_support::ScopedUmask mask(0);
    std::string oldHome = Bundle::main().homeDirectory();
    Bundle::main().setHomeDirectory(home.path());
    const std::string file = Keychain::pathForService("svc");
    const std::string victim = home.write("victim", "untouched");
    ASSERT_TRUE(Keychain::set("svc", "token", "first"));
    std::filesystem::create_symlink(victim, file + ".new-" + std::to_string(::getpid()));
    ASSERT_TRUE(Keychain::set("svc", "token", "second"));
    EXPECT_EQ(testing_support::readFile(victim), "untouched");
    EXPECT_EQ(testing_support::fileMode(file), 0600);

    std::filesystem::remove(file);
    std::filesystem::create_symlink(victim, file);
    ASSERT_TRUE(Keychain::set("svc", "token", "third"));
    EXPECT_EQ(testing_support::readFile(victim), "untouched");
    EXPECT_EQ(testing_support::fileMode(file), 0600);
    EXPECT_EQ(Keychain::get("svc", "token"), "third");
    Bundle::main().setHomeDirectory(oldHome);
}

// Two copies of a game on one home store their logins' tokens at the same
// time, each token with its secret as one change, while a third starts again
// and again: every pair read belongs together, and so does the one left.
// (The copies are this program again, on the helper test below.)
TEST(Keychain, PairsWrittenAsOneByTwoProcessesAtOnceAreNeverReadHalved)
{
    testing_support::TempDir home;
    std::string oldHome = Bundle::main().homeDirectory();
    Bundle::main().setHomeDirectory(home.path());
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<pid_t> copies;
    for (const char* copy : { "a", "b" }) {
        const std::string homeVar = "BRISKO_KEYCHAIN_TEST_HOME=" + home.path();
        const std::string copyVar = std::string("BRISKO_KEYCHAIN_TEST_COPY=") + copy;
        std::vector<std::string> args { self, "--gtest_also_run_disabled_tests",
                                        "--gtest_filter=KeychainHelper.DISABLED_StoresLoginsAsOneChange" };
        std::vector<char*> argv, envp;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env { homeVar, copyVar };
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0);
        copies.push_back(pid);
    }
    auto read = [] { return Keychain::getMany("quorvel", { "access_token", "access_token_secret" }); };
    auto halved = [](const std::vector<std::optional<std::string>>& pair) {
        return pair[0].has_value() != pair[1].has_value() || (pair[0] && pair[0]->substr(6) != pair[1]->substr(7));
    };
    int halves = 0;
    for (pid_t copy : copies) {
        int status = 0;
        while (waitpid(copy, &status, WNOHANG) == 0)
            halves += halved(read());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(halves, 0) << "a token read with another login's secret";
    auto pair = read();
    ASSERT_TRUE(pair[0] && pair[1]);
    EXPECT_FALSE(halved(pair)) << *pair[0] << " with " << *pair[1];
    Bundle::main().setHomeDirectory(oldHome);
}

// The helper: one copy of the game storing 150 logins' tokens.
TEST(KeychainHelper, DISABLED_StoresLoginsAsOneChange)
{
    const char* home = std::getenv("BRISKO_KEYCHAIN_TEST_HOME");
    const char* copy = std::getenv("BRISKO_KEYCHAIN_TEST_COPY");
    ASSERT_TRUE(home && copy);
    Bundle::main().setHomeDirectory(home);
    for (int i = 0; i < 150; ++i) {
        const std::string login = copy + std::to_string(i);
        ASSERT_TRUE(Keychain::setMany("quorvel", { { "access_token", "token-" + login },
                                                   { "access_token_secret", "secret-" + login } }));
    }
}

} // namespace
