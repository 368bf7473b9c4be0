// Resource paths: bundle lookup of relative names and the "-hd" rule on a
// double-density screen.
#include "engine/Support/KSFileUtils.h"

#include "engine/ksTypes.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace kestrel;
using testing_support::TempDir;

namespace {

class KSFileUtilsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedRoot_ = platform::Bundle::main().resourcePath();
        platform::Bundle::main().setResourcePath(dir.path());
    }
    void TearDown() override
    {
        platform::Bundle::main().setResourcePath(savedRoot_);
        ksSetContentScaleFactor(1.0f);
    }
    TempDir dir;

private:
    std::string savedRoot_;
};

} // namespace

TEST_F(KSFileUtilsTest, RelativeNamesResolveInTheBundle)
{
    std::string hero = dir.write("hero.png", "x");
    std::string tile = dir.write("maps/tiles.png", "x");
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath("hero.png"), hero);
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath("maps/tiles.png"), tile);
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath("absent.png"), dir.file("absent.png"));
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath("/abs/hero.png"), "/abs/hero.png");
    EXPECT_ASSERTION(KSFileUtils::fullPathFromRelativePath(static_cast<const char*>(nullptr)), "engine/Support/KSFileUtils",
                     "KSFileUtils: Invalid path");
}

TEST_F(KSFileUtilsTest, DoubleResolutionVariantOnScaleTwoOnly)
{
    std::string hero = dir.write("hero.png", "x");
    std::string heroHD = dir.write("hero-hd.png", "x");
    std::string plain = dir.write("plain.png", "x");
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath("hero.png"), hero);
    ksSetContentScaleFactor(2.0f);
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath("hero.png"), heroHD);
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath("hero-hd.png"), heroHD);
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath("plain.png"), plain);
    // Only the file name counts, not its folders.
    std::string inHDFolder = dir.write("set-hd/b-hd.png", "x");
    EXPECT_EQ(KSFileUtils::getDoubleResolutionImage(dir.file("set-hd/b.png")), inHDFolder);
    ksSetContentScaleFactor(1.5f);
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath("hero.png"), hero);
}

TEST_F(KSFileUtilsTest, AnAbsolutePathFoundOnlyAsItsVariantIsNotReportedMissing)
{
    std::string heroHD = dir.write("hero-hd.png", "x");
    ksSetContentScaleFactor(2.0f);
    platform::LogCapture log;
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath(dir.file("hero.png")), heroHD);
    EXPECT_EQ(log.texts(), std::vector<std::string> {});
    EXPECT_EQ(KSFileUtils::fullPathFromRelativePath(dir.file("gone.png")), dir.file("gone.png"));
    EXPECT_EQ(log.texts(), (std::vector<std::string> { "KSFileUtils: cannot find " + dir.file("gone.png") }));
}

// The engine finds its files by the client's rule: in the bundle folder, never
// in the folder the game starts in, so a game does not half-work from one
// folder and not from another. The error names the folder searched.
TEST_F(KSFileUtilsTest, ANameTheBundleLacksIsNotReadFromTheWorkingFolder)
{
    TempDir working;
    working.write("hero.png", "x");
    working.write("maps/tiles.png", "x");
    platform::Bundle::main().setResourcePath(dir.file("gone"));
    platform::LogCapture log;
    std::string hero, tiles, outside;
    {
        testing_support::ScopedWorkingFolder inWorking(working.path());
        hero = KSFileUtils::fullPathFromRelativePath("hero.png");
        tiles = KSFileUtils::fullPathFromRelativePath("maps/tiles.png");
        outside = KSFileUtils::fullPathFromRelativePath("../hero.png");
    }
    EXPECT_EQ(hero, dir.file("gone/hero.png"));
    EXPECT_EQ(tiles, dir.file("gone/maps/tiles.png"));
    EXPECT_EQ(outside, "") << "a name that leaves the bundle folder names nothing";
    EXPECT_EQ(log.texts(), (std::vector<std::string> {
                               "KSFileUtils: cannot find \"hero.png\": it is not in the bundle folder "
                                   + dir.file("gone") + " (no such folder)",
                               "KSFileUtils: cannot find \"maps/tiles.png\": it is not in the bundle folder "
                                   + dir.file("gone/maps") + " (no such folder)",
                               "KSFileUtils: cannot find \"../hero.png\": a resource name stays inside the bundle "
                               "folder "
                                   + dir.file("gone") }));
}
