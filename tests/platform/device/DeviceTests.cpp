// Screen, application and device: sizes, the status bar, the URL recorder and
// the identifier kept once per installation.
#include "../ui/UiTestSupport.h"

#include "platform/device/Device.h"
#include "platform/foundation/Bundle.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace platform;
using namespace platform::ui;
using ui_test::UiTest;

TEST_F(UiTest, ScreensAndTheStatusBar)
{
    auto& screen = Screen::mainScreen();
    auto& app = Application::sharedApplication();
    EXPECT_EQ(screen.bounds(), Rect(0, 0, 320, 480));
    EXPECT_EQ(screen.applicationFrame(), Rect(0, 20, 320, 460));
    app.setStatusBarHidden(true, true);
    EXPECT_EQ(screen.applicationFrame(), Rect(0, 0, 320, 480));
    EXPECT_TRUE(app.statusBarFrame().isEmpty());
    app.setStatusBarHidden(false);
    app.setStatusBarOrientation(InterfaceOrientation::LandscapeLeft);
    EXPECT_EQ(app.statusBarFrame().size.width, 20); // in landscape the bar's width is its height

    screen.setKind(Screen::Kind::Tablet);
    EXPECT_EQ(screen.bounds(), Rect(0, 0, 768, 1024));
    EXPECT_TRUE(Device::currentDevice().isLargeScreen());
}

TEST_F(UiTest, TheClientHidesAndShowsTheStatusBarAndSetsItsStyle)
{
    auto& app = Application::sharedApplication();
    QVhideStatusBar(app, true, true);
    EXPECT_TRUE(app.isStatusBarHidden());
    EXPECT_TRUE(app.wasStatusBarChangeAnimated());
    EXPECT_EQ(Screen::mainScreen().applicationFrame(), Rect(0, 0, 320, 480));
    QVhideStatusBar(app, false, false);
    EXPECT_FALSE(app.isStatusBarHidden());
    EXPECT_FALSE(app.wasStatusBarChangeAnimated());
    EXPECT_EQ(Screen::mainScreen().applicationFrame(), Rect(0, 20, 320, 460));

    EXPECT_EQ(app.statusBarStyle(), StatusBarStyle::Default);
    app.setStatusBarStyle(StatusBarStyle::BlackTranslucent);
    EXPECT_EQ(int(app.statusBarStyle()), 1);
    app.setStatusBarHidden(true, true);
    app.reset();
    EXPECT_EQ(app.statusBarStyle(), StatusBarStyle::Default);
    EXPECT_FALSE(app.isStatusBarHidden());
    EXPECT_FALSE(app.wasStatusBarChangeAnimated());
}

TEST_F(UiTest, OpenURLIsRecorded)
{
    auto& app = Application::sharedApplication();
    EXPECT_TRUE(app.openURL("http://example.com/"));
    app.setCanOpenURLs(false);
    EXPECT_FALSE(app.openURL("mailto:someone"));
    EXPECT_EQ(app.openedURLs(), (std::vector<std::string> { "http://example.com/", "mailto:someone" }));
}

TEST_F(UiTest, DeviceIdentifierIsKeptPerInstallation)
{
    testing_support::TempDir dir;
    auto& device = Device::currentDevice();
    device.setInstallationDirectory(dir.path());
    std::string id = device.uniqueIdentifier();
    EXPECT_EQ(id.size(), 40u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos);

    // Read back by a later run.
    device.setInstallationDirectory(dir.path());
    EXPECT_EQ(device.uniqueIdentifier(), id);

    // The same identifier however its line ends and whatever the case of its digits.
    std::string upper = id;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& stored : { id + "\r\n", upper + "\n", upper, id + "\n\n" }) {
        SCOPED_TRACE(testing::PrintToString(stored));
        dir.write("device-identifier", stored);
        device.setInstallationDirectory(dir.path());
        EXPECT_EQ(device.uniqueIdentifier(), id);
        EXPECT_EQ(testing_support::readFile(dir.file("device-identifier")), stored);
    }
    dir.write("device-identifier", id + "\n");

    // A file that holds no identifier, or cannot be read (a folder in its
    // place), is kept aside, named in the log, and a fresh identifier stored.
    struct Unreadable {
        const char* name;
        std::function<void()> make;
        const char* aside;
    };
    const std::vector<Unreadable> unreadable {
        { "not an identifier", [&] { dir.write("device-identifier", "not an id\n"); }, "device-identifier.unreadable" },
        { "a folder",
          [&] {
              std::filesystem::remove(dir.file("device-identifier"));
              std::filesystem::create_directory(dir.file("device-identifier"));
              dir.write("device-identifier/inside", "kept");
          },
          "device-identifier.unreadable-2" },
    };
    for (const Unreadable& file : unreadable) {
        SCOPED_TRACE(file.name);
        file.make();
        log.clear();
        device.setInstallationDirectory(dir.path());
        std::string fresh = device.uniqueIdentifier();
        EXPECT_EQ(fresh.size(), 40u);
        EXPECT_NE(fresh, id);
        EXPECT_EQ(testing_support::readFile(dir.file("device-identifier")), fresh + "\n");
        EXPECT_TRUE(std::filesystem::exists(dir.file(file.aside)));
        EXPECT_TRUE(log.contains("it is kept as " + dir.file(file.aside))) << joined();
        EXPECT_EQ(log.count(platform::LogLevel::Warning), 1u) << joined();
        log.clear();
    }
    EXPECT_EQ(testing_support::readFile(dir.file("device-identifier.unreadable")), "not an id\n");
    EXPECT_EQ(testing_support::readFile(dir.file("device-identifier.unreadable-2/inside")), "kept");

    // Where nothing can be stored the identifier still holds for this run.
    device.setInstallationDirectory(dir.file("device-identifier") + "/inside-a-file");
    std::string unstored = device.uniqueIdentifier();
    EXPECT_EQ(unstored.size(), 40u);
    EXPECT_EQ(device.uniqueIdentifier(), unstored);
    expectedWarnings = 1;
    device.setInstallationDirectory({});
}

// With the game's key the identifier logs its player in: it is the player's
// alone (0600 whatever the umask, an open file closed at the next launch) and
// written through no link planted beside it or in its place.
TEST_F(UiTest, TheDeviceIdentifierIsThePlayersAloneAndWrittenThroughNoLink)
{
    testing_support::TempDir dir;
    testing_support::ScopedUmask mask(022);
    auto& device = Device::currentDevice();
    const std::string file = dir.file("device-identifier");
    const std::string victim = dir.write("victim", "untouched");
    std::filesystem::create_symlink(victim, file + ".tmp");
    device.setInstallationDirectory(dir.path());
    std::string id = device.uniqueIdentifier();
    EXPECT_EQ(testing_support::fileMode(file), 0600);
    EXPECT_EQ(testing_support::readFile(victim), "untouched");

    ::chmod(file.c_str(), 0644);
    device.setInstallationDirectory(dir.path());
    EXPECT_EQ(device.uniqueIdentifier(), id);
    EXPECT_EQ(testing_support::fileMode(file), 0600);

    std::filesystem::remove(file);
    std::filesystem::create_symlink(victim, file);
    ::chmod(victim.c_str(), 0644);
    device.setInstallationDirectory(dir.path());
    EXPECT_NE(device.uniqueIdentifier(), id);
    EXPECT_EQ(testing_support::readFile(victim), "untouched");
    EXPECT_EQ(testing_support::fileMode(victim), 0644);
    EXPECT_EQ(testing_support::fileMode(file), 0600);
    // The link gave no identifier: it is kept aside as it is, and said.
    EXPECT_TRUE(std::filesystem::is_symlink(file + ".unreadable"));
    expectedWarnings = 1;
    device.setInstallationDirectory({});
}

TEST_F(UiTest, DeviceIdentifierDefaultsToTheGamesOwnDocumentsFolder)
{
    testing_support::TempDir dir;
    auto& bundle = Bundle::main();
    auto& device = Device::currentDevice();
    std::string oldHome = bundle.homeDirectory();
    device.setInstallationDirectory({});

    bundle.setHomeDirectory(dir.file("first-game"));
    EXPECT_EQ(device.installationDirectory(), dir.file("first-game/Documents"));
    std::string first = device.uniqueIdentifier();
    EXPECT_EQ(testing_support::readFile(dir.file("first-game/Documents/device-identifier")), first + "\n");

    // Another game (another home) has an identity of its own.
    bundle.setHomeDirectory(dir.file("second-game"));
    std::string second = device.uniqueIdentifier();
    EXPECT_NE(second, first);
    EXPECT_EQ(testing_support::readFile(dir.file("second-game/Documents/device-identifier")), second + "\n");

    // A game that deletes its data is a new device on its next run.
    std::filesystem::remove_all(dir.file("second-game"));
    device.setInstallationDirectory({});
    EXPECT_NE(device.uniqueIdentifier(), second);

    // The first game still finds its own.
    bundle.setHomeDirectory(dir.file("first-game"));
    EXPECT_EQ(device.uniqueIdentifier(), first);
    bundle.setHomeDirectory(oldHome);
}
