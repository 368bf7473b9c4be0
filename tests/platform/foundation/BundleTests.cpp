// Bundle folders, resource lookup and the string-path helpers.
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

using namespace platform;
using testing_support::TempDir;

namespace {
// Points the main bundle at a temporary folder and restores it afterwards.
class BundleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bundle& b = Bundle::main();
        savedResources_ = b.resourcePath();
        savedHome_ = b.homeDirectory();
        savedIdentifier_ = b.bundleIdentifier();
        b.setResourcePath(dir.file("resources"));
        b.setHomeDirectory(dir.file("home"));
    }
    void TearDown() override
    {
        Bundle& b = Bundle::main();
        b.setResourcePath(savedResources_);
        b.setBundleIdentifier(savedIdentifier_);
        b.setHomeDirectory(savedHome_);
    }
    TempDir dir;

private:
    std::string savedResources_, savedHome_, savedIdentifier_;
};
} // namespace

TEST_F(BundleTest, FindsResourcesByNameTypeAndFolder)
{
    std::string icon = dir.write("resources/icon.png", "x");
    std::string nested = dir.write("resources/fonts/label.fnt", "x");
    dir.write("resources/noext", "x");
    dir.write("resources/folder.png/inside", "x");
    Bundle& b = Bundle::main();
    EXPECT_EQ(b.pathForResource("icon", "png"), icon);
    EXPECT_EQ(b.pathForResource("icon.png", "png"), icon);
    EXPECT_EQ(b.pathForResource("icon.png", ""), icon);
    EXPECT_EQ(b.pathForResource("label", "fnt", "fonts"), nested);
    EXPECT_EQ(b.pathForResource("noext", ""), dir.file("resources/noext"));
    EXPECT_EQ(b.pathForResource("label", "fnt"), "");
    EXPECT_EQ(b.pathForResource("icon", "jpg"), "");
    EXPECT_EQ(b.pathForResource("folder", "png"), ""); // a folder is not a resource
    EXPECT_EQ(b.pathForResource("", "png"), "");
}

TEST_F(BundleTest, RefusesNamesThatLeaveTheResourceRoot)
{
    std::string outside = dir.write("outside.png", "x");
    std::string inside = dir.write("resources/sub/in.png", "x");
    dir.write("resources/a..b.png", "x");
    Bundle& b = Bundle::main();
    EXPECT_EQ(b.pathForResource("../outside.png", ""), "");
    EXPECT_EQ(b.pathForResource("../outside", "png"), "");
    EXPECT_EQ(b.pathForResource("sub/../../outside.png", ""), "");
    EXPECT_EQ(b.pathForResource("outside.png", "", ".."), "");
    EXPECT_EQ(b.pathForResource(outside, ""), "");
    EXPECT_EQ(b.pathForResource("in.png", "", dir.file("resources/sub")), "");
    EXPECT_EQ(b.pathForResource("sub/in.png", ""), inside);
    EXPECT_EQ(b.pathForResource("in", "png", "sub"), inside);
    EXPECT_EQ(b.pathForResource("a..b", "png"), dir.file("resources/a..b.png"));
    // ".." steps that stay below the root once resolved are fine: a map in one
    // folder names its tileset in a sibling folder.
    EXPECT_NE(b.pathForResource("../sub/in.png", "", "other"), "");
    EXPECT_NE(b.pathForResource("in.png", "", "sub/./x/.."), "");
    EXPECT_EQ(b.pathForResource("../../outside.png", "", "sub"), "");
    EXPECT_EQ(b.pathForResource("in.png", "", "sub/../.."), "");
}

// The folders the home holds are the player's alone (0700), whatever the umask.
TEST_F(BundleTest, CreatesDocumentsAndPreferencesOnDemand)
{
    testing_support::ScopedUmask open(0);
    Bundle& b = Bundle::main();
    EXPECT_FALSE(path::fileExists(dir.file("home")));
    EXPECT_EQ(b.documentsDirectory(), dir.file("home/Documents"));
    EXPECT_TRUE(path::isDirectory(dir.file("home/Documents")));
    EXPECT_EQ(b.preferencesDirectory(), dir.file("home/Library/Preferences"));
    EXPECT_TRUE(path::isDirectory(dir.file("home/Library/Preferences")));
    for (const char* folder : { "home", "home/Documents", "home/Library", "home/Library/Preferences" })
        EXPECT_EQ(testing_support::fileMode(dir.file(folder)), 0700) << folder;
}

TEST_F(BundleTest, SetHomeIsKeptWhenTheIdentifierChanges)
{
    Bundle& b = Bundle::main();
    b.setBundleIdentifier("com.example.other");
    EXPECT_EQ(b.homeDirectory(), dir.file("home"));
}

// Without a home the game keeps its files in a folder only its user may
// enter, made by itself; one planted by anyone, or left open, is not used.
TEST_F(BundleTest, APlayerWithoutAHomeKeepsFilesInAFolderOnlyTheyMayEnter)
{
    testing_support::ScopedUmask mask(0);
    const std::string kept = dir.file("brisko-" + std::to_string(::geteuid()));
    std::string refused;
    EXPECT_EQ(Bundle::privateFolderIn(dir.path(), &refused), kept);
    EXPECT_EQ(testing_support::fileMode(kept), 0700);
    EXPECT_EQ(Bundle::privateFolderIn(dir.path(), &refused), kept);
    EXPECT_EQ(refused, "");

    auto expectRefused = [&](const std::string& why) {
        refused.clear();
        std::string fresh = Bundle::privateFolderIn(dir.path(), &refused);
        EXPECT_EQ(refused, kept + " " + why);
        EXPECT_EQ(fresh.rfind(kept + "-", 0), 0u) << fresh;
        EXPECT_EQ(testing_support::fileMode(fresh), 0700);
    };
    ::chmod(kept.c_str(), 0755);
    expectRefused("others may enter it");
    ::chmod(kept.c_str(), 0700);
    if (::geteuid() == 0) {
        ASSERT_EQ(::lchown(kept.c_str(), 65534, 65534), 0);
        expectRefused("belongs to another user");
    }
    ::rmdir(kept.c_str());
    ::mkdir(dir.file("elsewhere").c_str(), 0700);
    ASSERT_EQ(::symlink(dir.file("elsewhere").c_str(), kept.c_str()), 0);
    expectRefused("is no folder");
}

// One rule finds the bundle folder: BRISKO_RESOURCES when it is set, else the
// program's own choice, where a relative folder is taken from the program's
// folder whatever folder the program starts in.
TEST_F(BundleTest, TheBundleFolderIsBesideTheProgramUnlessTheEnvironmentNamesOne)
{
    Bundle& b = Bundle::main();
    const std::string program = Bundle::programFolder();
    EXPECT_TRUE(path::fileExists(path::appendingComponent(program, "platform_tests"))) << program;
    {
        testing_support::ScopedWorkingFolder elsewhere(dir.path());
        b.setResourcePath("bundle");
    }
    EXPECT_EQ(b.resourcePath(), path::appendingComponent(program, "bundle"));

    std::string icon = dir.write("resources/icon.png", "x");
    testing_support::ScopedEnvironmentVariable named("BRISKO_RESOURCES", dir.file("resources"));
    b.setResourcePath("bundle");
    EXPECT_EQ(b.pathForResource("icon", "png"), icon);
    b.setResourcePath(dir.file("elsewhere"));
    EXPECT_EQ(b.resourcePath(), dir.file("resources"));
    // A tool that assembles a bundle while it runs still points there.
    b.replaceResourcePath(dir.file("elsewhere"));
    EXPECT_EQ(b.resourcePath(), dir.file("elsewhere"));
}

// BRISKO_RESOURCES follows the rule the program's own choice follows: a
// relative folder is taken from the program's folder, not from the folder the
// program starts in, and the log names the folder it resolved to.
TEST_F(BundleTest, ARelativeBundleFolderInTheEnvironmentIsTakenFromTheProgramsFolder)
{
    Bundle& b = Bundle::main();
    const std::string program = Bundle::programFolder();
    testing_support::ScopedWorkingFolder elsewhere(dir.path());
    testing_support::ScopedEnvironmentVariable named("BRISKO_RESOURCES", "elsewhere/../bundle");
    LogCapture log;
    b.setResourcePath("game-bundle");
    EXPECT_EQ(b.resourcePath(), path::appendingComponent(program, "bundle"));
    EXPECT_EQ(log.texts(), std::vector<std::string> { "Bundle: the bundle folder is " + program
                                                      + "/bundle (BRISKO_RESOURCES=elsewhere/../bundle, from the "
                                                        "program's folder), not "
                                                      + program + "/game-bundle" });
    b.setResourcePath("game-bundle");
    EXPECT_EQ(log.texts().size(), 1u) << "said once";
}

TEST(Path, ComponentsAndExtensions)
{
    EXPECT_EQ(path::lastComponent("a/b.png"), "b.png");
    EXPECT_EQ(path::lastComponent("/a/b/"), "b");
    EXPECT_EQ(path::lastComponent("b"), "b");
    EXPECT_EQ(path::lastComponent("/"), "/");
    EXPECT_EQ(path::lastComponent(""), "");
    EXPECT_EQ(path::deletingLastComponent("a/b.png"), "a");
    EXPECT_EQ(path::deletingLastComponent("/a"), "/");
    EXPECT_EQ(path::deletingLastComponent("a"), "");
    EXPECT_EQ(path::deletingLastComponent("/a/b/"), "/a");
    EXPECT_EQ(path::extension("a/b.png"), "png");
    EXPECT_EQ(path::extension("a/b.tar.gz"), "gz");
    EXPECT_EQ(path::extension("a.d/b"), "");
    EXPECT_EQ(path::extension("a/.hidden"), "");
    EXPECT_EQ(path::deletingExtension("a/b.png"), "a/b");
    EXPECT_EQ(path::deletingExtension("a.d/b"), "a.d/b");
    EXPECT_EQ(path::deletingExtension("sheet.plist"), "sheet");
    EXPECT_EQ(path::appendingExtension(path::deletingExtension("sheet.plist"), "png"), "sheet.png");
    EXPECT_EQ(path::appendingExtension("a/b/", "png"), "a/b.png");
    EXPECT_EQ(path::appendingExtension("a/b", ""), "a/b");
}

TEST(Path, JoiningAndCreatingFolders)
{
    EXPECT_EQ(path::appendingComponent("a", "b"), "a/b");
    EXPECT_EQ(path::appendingComponent("a/", "/b"), "a/b");
    EXPECT_EQ(path::appendingComponent("/", "b"), "/b");
    EXPECT_EQ(path::appendingComponent("", "b"), "b");
    EXPECT_EQ(path::appendingComponent("a", ""), "a");
    EXPECT_EQ(path::appendingComponent("a", "b/c"), "a/b/c");
    TempDir dir;
    std::string file = dir.write("f.txt", "x");
    EXPECT_TRUE(path::createDirectories(dir.file("x/y/z")));
    EXPECT_TRUE(path::createDirectories(dir.file("x/y/z"))); // already there
    EXPECT_FALSE(path::createDirectories(file + "/sub")); // under a file
    // A game's own folders follow its umask; the client asks for private ones.
    testing_support::ScopedUmask usual(022);
    ASSERT_TRUE(path::createDirectories(dir.file("shared/exports")));
    EXPECT_EQ(testing_support::fileMode(dir.file("shared")), 0755);
    EXPECT_EQ(testing_support::fileMode(dir.file("shared/exports")), 0755);
    ASSERT_TRUE(path::createDirectories(dir.file("own/inner"), path::kPrivateFolder));
    EXPECT_EQ(testing_support::fileMode(dir.file("own/inner")), 0700);
}

// A file is read whole only when it is a regular file the engine or the
// client could use: anything else is refused with its path and the reason
// in the log, before a byte is read (a device or a pipe would never end).
TEST(Path, ReadsRegularFilesAndRefusesWhatIsNoFileOrTooLarge)
{
    TempDir dir;
    EXPECT_EQ(path::readFile(dir.write("f.txt", "abc")), (std::vector<uint8_t> { 'a', 'b', 'c' }));
    EXPECT_EQ(path::readFile(dir.write("empty", "")), std::vector<uint8_t>());

    const std::string pipe = dir.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string large = dir.file("large");
    {
        // Sparse: the size without the disk space.
        FILE* f = std::fopen(large.c_str(), "wb");
        ASSERT_TRUE(f);
        ASSERT_EQ(::ftruncate(::fileno(f), static_cast<off_t>(path::kMaxFileSize + 1)), 0);
        std::fclose(f);
    }
    const std::pair<std::string, std::string> refused[] = {
        { "/dev/zero", "it is a device, not a file" },
        { dir.path(), "it is a folder, not a file" },
        { pipe, "it is a pipe, not a file" },
        { large, "its 536870913 bytes are more than the 536870912 a file read here may hold" },
    };
    for (const auto& [file, reason] : refused) {
        SCOPED_TRACE(file);
        LogCapture log;
        EXPECT_FALSE(path::readFile(file));
        EXPECT_EQ(log.texts(), std::vector<std::string> { "cannot read " + file + ": " + reason });
        EXPECT_EQ(path::openFile(file), -1);
    }
    LogCapture log;
    EXPECT_FALSE(path::readFile(dir.file("missing")));
    EXPECT_TRUE(log.texts().empty()) << "the caller names what it looked for";
}
