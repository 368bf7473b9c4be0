// The showcase program end to end, run once for the suite: it names its output
// folder and prints a line per scene, each scene's saved frames show what the
// scene is about, a second run saves byte-identical frames, a frame it cannot
// save makes it exit non-zero, and each engine scene shown again and again
// leaves no memory and no texture behind.
#include "platform/graphics/Image.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <sqlite3.h>
#include <vector>

namespace {

using ShowcaseRun = testing_support::CommandRun;

// `environment`: more variables for the program ("NAME=VALUE "); `options`:
// arguments before the folder.
ShowcaseRun runShowcase(const std::string& folder, const std::string& environment = {},
                        const std::string& options = {})
{
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    if (!source)
        return {};
    return testing_support::runCommand(environment + "BRISKO_RESOURCES='" + source + "/resources' '"
                                       BRISKO_SHOWCASE_PATH "' " + options + " '" + folder + "' 2>&1");
}

class Showcase : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new testing_support::TempDir;
        run_ = new ShowcaseRun(runShowcase(dir_->path()));
    }
    static void TearDownTestSuite()
    {
        delete run_;
        delete dir_;
    }
    void SetUp() override
    {
        ASSERT_TRUE(std::getenv("BRISKO_SOURCE_DIR")) << "BRISKO_SOURCE_DIR is not set";
        ASSERT_TRUE(run_->exitedWith(0)) << run_->output;
    }

    static const std::string& output() { return run_->output; }
    static std::string file(const std::string& name) { return dir_->file(name); }
    static const std::string& dir_path() { return dir_->path(); }
    static bool printed(const std::string& line) { return output().find("\n" + line) != std::string::npos; }
    static platform::Ref<platform::Image> frame(const std::string& name)
    {
        return platform::Image::imageWithContentsOfFile(file(name));
    }
    // Pixels for which `match(r, g, b)` holds.
    template <class F>
    static int count(const platform::Image& image, F match)
    {
        int n = 0;
        for (size_t i = 0; i < image.rgba().size(); i += 4) {
            const uint8_t* p = image.rgba().data() + i;
            n += match(p[0], p[1], p[2]);
        }
        return n;
    }

private:
    static inline testing_support::TempDir* dir_ { nullptr };
    static inline ShowcaseRun* run_ { nullptr };
};

TEST_F(Showcase, NamesItsFolderAndShowsTheColourLayerAndTheFrameRate)
{
    EXPECT_EQ(output().rfind("frames: " + dir_path() + "\n", 0), 0u) << output();
    EXPECT_TRUE(printed("engine: 45 frames")) << output();
    auto image = frame("engine-045.png");
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width(), 320u);
    ASSERT_EQ(image->height(), 480u);
    auto pixel = [&](int x, int y) { return image->rgba().data() + (static_cast<size_t>(y) * 320 + x) * 4; };
    // The background colour layer (30, 60, 140) through an RGB565 surface.
    const uint8_t* background = pixel(20, 20);
    EXPECT_NEAR(background[0], 30, 6);
    EXPECT_NEAR(background[1], 60, 6);
    EXPECT_NEAR(background[2], 140, 6);
    int digitPixels = 0;
    for (int y = 456; y < 480; ++y)
        for (int x = 0; x < 64; ++x)
            digitPixels += pixel(x, y)[0] > 200 && pixel(x, y)[1] > 200 && pixel(x, y)[2] > 200;
    EXPECT_GT(digitPixels, 40) << "the frame-rate digits at the bottom left";
}

TEST_F(Showcase, SpriteSheetBatchParticlesAndTileMapFindTheirResources)
{
    EXPECT_TRUE(printed("sprite sheet: 30 frames, 4 sheet frames")) << output();
    EXPECT_TRUE(printed("sprite batch: 30 frames, 3000 sprites")) << output();
    EXPECT_TRUE(printed("particles: 45 frames")) << output();
    EXPECT_TRUE(printed("tile map: 45 frames, 40x15 map")) << output();
    for (const char* name : { "sprite-sheet-015.png", "sprite-batch-030.png", "particles-045.png", "tile-map-045.png" })
        EXPECT_TRUE(frame(name)) << name;
}

TEST_F(Showcase, TransitionShowsOneSceneAtATimeAndTheGridBendsTheWholeScene)
{
    EXPECT_TRUE(printed("transition: KSTransitionFlipX red to blue, 28 frames mid-way, handed over; grid: KSWaves "
                        "on a scene, 20 frames"))
        << output();
    auto red = [](int r, int, int b) { return r > 140 && b < 60; };
    auto blue = [](int r, int, int b) { return b > 140 && r < 60; };
    auto turningAway = frame("transition-008.png");
    ASSERT_TRUE(turningAway);
    EXPECT_GT(count(*turningAway, red), 1000);
    EXPECT_EQ(count(*turningAway, blue), 0);
    auto turningIn = frame("transition-028.png");
    ASSERT_TRUE(turningIn);
    EXPECT_EQ(count(*turningIn, red), 0);
    EXPECT_GT(count(*turningIn, blue), 1000);
    // The green background (20, 90, 60) is drawn through the effect, not black.
    auto grid = frame("grid-020.png");
    ASSERT_TRUE(grid);
    const int green = count(*grid, [](int r, int g, int b) { return r < 40 && g > 70 && g < 110 && b > 45 && b < 75; });
    const int black = count(*grid, [](int r, int g, int b) { return r + g + b < 30; });
    EXPECT_GT(green, 320 * 480 / 2);
    EXPECT_LT(black, 320 * 480 / 10);
}

TEST_F(Showcase, MenuTapsReachTheirCallbacksAndRewriteTheLabel)
{
    EXPECT_TRUE(printed("menu: 30 frames, 3 items, 2 taps on Play, sound off, label \"Sound off\"")) << output();
    auto menu = frame("menu-030.png");
    ASSERT_TRUE(menu);
    auto pixel = [&](int x, int y) { return menu->rgba().data() + (static_cast<size_t>(y) * 320 + x) * 4; };
    int labelPixels = 0;
    for (int y = 40; y < 80; ++y)
        for (int x = 80; x < 240; ++x)
            labelPixels += pixel(x, y)[0] > 180 && pixel(x, y)[1] > 150 && pixel(x, y)[2] < 140;
    EXPECT_GT(labelPixels, 100) << "the bitmap-font label";
}

TEST_F(Showcase, ProgressTimersFillAndTheWipeShowsBothScenes)
{
    EXPECT_TRUE(printed("progress: radial and bar timers, 30 frames, at 100% and 100%; KSTransitionRadialCW "
                        "handed over, KSTransitionFade handed over"))
        << output();
    auto wiping = frame("radial-012.png");
    ASSERT_TRUE(wiping);
    EXPECT_GT(count(*wiping, [](int r, int g, int b) { return r < 60 && g > 120 && b > 110; }), 1000) << "teal";
    EXPECT_GT(count(*wiping, [](int r, int g, int b) { return r < 60 && g < 60 && b > 45 && b < 80; }), 1000)
        << "dusk";
    EXPECT_TRUE(frame("fade-012.png"));
}

// The social part plays a game against the stand-in that keeps state: the
// service's folder holds each score once, the offline one included, and the
// saved leaderboard screen shows them; the dashboard is drawn with the kit's art.
TEST_F(Showcase, SocialPartKeepsEveryScoreOnceAndTheDashboardShowsThem)
{
    for (const char* line : { "social: first launch approved; logged in as Player 100 (100)",
                              "social: service down; game started again: offline 100 (\"Welcome back, Player 100, you "
                              "are OFFLINE\")",
                              "social: service back; sent once: it keeps 1000, 1500 and First Steps at 100%",
                              "social: following Rival and challenged them to Fastest Lap; the service keeps 4 friends, "
                              "Rival among them, and 1 challenge to Rival",
                              "social: dashboard on the Normal leaderboard; screen social-leaderboard.png",
                              "social: logged out 100",
                              "social: every request to the service carried a verified signature" })
        EXPECT_TRUE(printed(line)) << line << "\n" << output();

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file("social-service/standin.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* q = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT score FROM high_scores WHERE user_id = 100 ORDER BY id", -1, &q, nullptr),
              SQLITE_OK);
    std::vector<int64_t> kept;
    while (sqlite3_step(q) == SQLITE_ROW)
        kept.push_back(sqlite3_column_int64(q, 0));
    sqlite3_finalize(q);
    sqlite3_close(db);
    EXPECT_EQ(kept, (std::vector<int64_t> { 1000, 1500 }));

    auto leaderboard = frame("social-leaderboard.png");
    ASSERT_TRUE(leaderboard);
    ASSERT_EQ(leaderboard->width(), 320u);
    ASSERT_EQ(leaderboard->height(), 480u);
    // Two rows of scores: white cells with the blue score text on the right.
    auto blueIn = [&](int top, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 200; x < 310; ++x) {
                const uint8_t* p = leaderboard->rgba().data() + (static_cast<size_t>(y) * 320 + x) * 4;
                n += p[2] > 150 && p[0] < 100;
            }
        return n;
    };
    // The player's friends ranked (the seeded community's, Rival among them), the player last of five.
    EXPECT_GT(blueIn(190, 225), 20) << "the rival's 16400";
    EXPECT_GT(blueIn(340, 375), 20) << "the player's 1500";
    // The game's bundle carries the kit's art: the tab strip shows the selected
    // tab's lit icon and title.
    auto dashboard = frame("social-tab-now-playing.png");
    ASSERT_TRUE(dashboard);
    ASSERT_EQ(dashboard->width(), 320u);
    int lit = 0;
    for (int y = 444; y < 480; ++y)
        for (int x = 0; x < 107; ++x) {
            const uint8_t* p = dashboard->rgba().data() + (static_cast<size_t>(y) * 320 + x) * 4;
            lit += p[0] > 90 && p[0] < 140 && p[1] > 180 && p[2] > 230;
        }
    EXPECT_GT(lit, 100) << "the lit tab";
}

// The player's part in the dashboard: what was written is kept by the service,
// and each saved screen shows it rather than an empty page (colour probes of
// the rows and buttons that carry it).
TEST_F(Showcase, SocialScreensShowWhatThePlayerDidAndTheServiceKeepsIt)
{
    for (const char* line : { "social: dashboard on the Now Playing tab (the game's page); screen social-tab-now-playing.png",
                              "social: the My Quorvel tab tapped; screen social-tab-my-quorvel.png",
                              "social: the Games tab tapped; screen social-tab-games.png",
                              "social: Rival's profile, tapped in the friends list; screen social-profile.png",
                              "social: Rival's challenge opened from the pending challenges; screen social-challenge.png",
                              "social: forum thread \"Lap record\" posted in General and opened; screen social-forum.png",
                              "social: chat message \"gg Rival\" posted and seen in the room; screen social-chat.png",
                              "social: cloud save of 4096 bytes stored under slot-1 and read back byte for byte" })
        EXPECT_TRUE(printed(line)) << line << "\n" << output();
    EXPECT_EQ(output().find("errors logged"), std::string::npos) << output();

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file("social-service/standin.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    auto text = [&](const char* sql) {
        sqlite3_stmt* q = nullptr;
        std::string out;
        if (sqlite3_prepare_v2(db, sql, -1, &q, nullptr) == SQLITE_OK && sqlite3_step(q) == SQLITE_ROW)
            out = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
        sqlite3_finalize(q);
        return out;
    };
    EXPECT_EQ(text("SELECT d.subject || '|' || p.body FROM discussions d JOIN posts p ON p.discussion_id = d.id"
                   " WHERE d.user_id = 100"),
              "Lap record|Under 70 s on the Fastest Lap!");
    EXPECT_EQ(text("SELECT message FROM chat_messages WHERE user_id = 100"), "gg Rival");
    EXPECT_EQ(text("SELECT length(CAST(value AS BLOB)) > 0 FROM cloud_values WHERE user_id = 100 AND key = 'slot-1'"), "1");
    // The two the community sent the player, the player's to Rival and Rival's answer.
    EXPECT_EQ(text("SELECT COUNT(*) FROM challenges_users"), "4");
    sqlite3_close(db);

    struct Probe {
        const char* file;
        const char* what;
        int top, bottom, left, right; // the area
        bool (*match)(int r, int g, int b);
        int least;
    };
    auto white = [](int r, int g, int b) { return r > 235 && g > 235 && b > 235; };
    auto pale = [](int r, int g, int b) { return r > 200 && g > 200 && b > 200; };
    auto lit = [](int r, int g, int b) { return r > 90 && r < 140 && g > 180 && b > 230; };
    const Probe probes[] = {
        { "social-tab-now-playing.png", "the lit first tab", 444, 480, 0, 107, lit, 100 },
        { "social-tab-my-quorvel.png", "the lit second tab", 444, 480, 107, 214, lit, 100 },
        { "social-tab-my-quorvel.png", "the player's blue buttons", 110, 380, 10, 310,
          [](int r, int g, int b) { return r < 90 && g > 80 && g < 140 && b > 170; }, 20000 },
        { "social-tab-games.png", "the lit third tab", 444, 480, 214, 320, lit, 100 },
        { "social-tab-games.png", "the discovery pages' list and its white footer", 220, 280, 10, 310, white, 5000 },
        { "social-profile.png", "the friend's red Remove Friend button", 265, 310, 20, 300,
          [](int r, int g, int b) { return r > 180 && g < 90 && b < 90; }, 5000 },
        { "social-challenge.png", "the rival's message in its white box", 170, 230, 16, 250, white, 5000 },
        { "social-challenge.png", "the green Start Challenge button", 260, 295, 20, 300,
          [](int r, int g, int b) { return g > 100 && g > r + 50 && g > b + 50; }, 4000 },
        { "social-forum.png", "the posted message's pale row", 120, 175, 60, 310, pale, 6000 },
        { "social-chat.png", "the chat message's white row", 78, 130, 60, 250, white, 5000 },
    };
    for (const Probe& p : probes) {
        auto image = frame(p.file);
        ASSERT_TRUE(image) << p.file;
        ASSERT_EQ(image->width(), 320u) << p.file;
        int n = 0;
        for (int y = p.top; y < p.bottom; ++y)
            for (int x = p.left; x < p.right; ++x) {
                const uint8_t* px = image->rgba().data() + (static_cast<size_t>(y) * 320 + x) * 4;
                n += p.match(px[0], px[1], px[2]);
            }
        EXPECT_GT(n, p.least) << p.file << ": " << p.what;
    }
}

// Time is virtual, and it stands while the service answers: a second run,
// whose service answers late at random, saves the very same bytes, the
// social screens' ticker included; so does a player whose locale writes
// numbers with a decimal comma (the showcase takes the locale, as a game does).
TEST_F(Showcase, ASecondRunSavesTheSameFrames)
{
    testing_support::TempDir again;
    ShowcaseRun second = runShowcase(again.path(), "BRISKO_STANDIN_DELAY_MS=0,50 LC_ALL=de_DE.UTF-8 ");
    ASSERT_TRUE(second.exitedWith(0)) << second.output;
    int compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_path())) {
        if (entry.path().extension() != ".png")
            continue;
        std::string name = entry.path().filename();
        ++compared;
        EXPECT_EQ(testing_support::readFile(entry.path()), testing_support::readFile(again.file(name))) << name;
    }
    EXPECT_EQ(compared, 33);
}

// A frame that cannot be written (a folder stands where the file goes) fails the program.
TEST(ShowcaseFailure, AFrameThatCannotBeSavedExitsNonZero)
{
    ASSERT_TRUE(std::getenv("BRISKO_SOURCE_DIR")) << "BRISKO_SOURCE_DIR is not set";
    testing_support::TempDir dir;
    std::filesystem::create_directories(dir.file("engine-020.png"));
    ShowcaseRun run = runShowcase(dir.path());
    EXPECT_TRUE(run.exitedWith(1)) << run.output;
    EXPECT_NE(run.output.find("showcase: FAILED engine: cannot save engine-020.png"), std::string::npos) << run.output;
}

// Each engine scene shown again and again, as a long game does, leaves
// nothing behind: once warmed up, the memory in use and the live GL textures
// after a showing are what they were after the warm-up. Measured by the
// program itself (heap bytes in use, textures alive), not timed.
TEST(ShowcaseLongLife, EachSceneShownAgainAndAgainLeavesNothingBehind)
{
    ASSERT_TRUE(std::getenv("BRISKO_SOURCE_DIR")) << "BRISKO_SOURCE_DIR is not set";
    constexpr size_t kShowings = 5, kWarmUp = 2;
    // A leak of a few kB a showing hides among the allocator's own noise; the
    // textures catch the small ones, this the large (100 kB and more a showing).
    constexpr long long kAllowedGrowth = 128 * 1024;
    testing_support::TempDir dir;
    // The software rasteriser drawing on the program's own thread grows its
    // pools at the same frames on every run, however busy the machine.
    ShowcaseRun run = runShowcase(dir.path(), "LP_NUM_THREADS=0 ", "--cycles " + std::to_string(kShowings));
    ASSERT_TRUE(run.exitedWith(0)) << run.output;

    struct Reading {
        long long bytes, textures;
    };
    std::map<std::string, std::vector<Reading>> readings;
    const std::regex pattern(R"(cycle (.+) \d+: (\d+) bytes in use, (\d+) textures)");
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);)
        if (std::smatch m; std::regex_match(line, m, pattern))
            readings[m[1]].push_back({ std::stoll(m[2]), std::stoll(m[3]) });
    EXPECT_EQ(readings.size(), 8u) << run.output;
    for (const auto& [scene, showings] : readings) {
        ASSERT_EQ(showings.size(), kShowings) << scene;
        const Reading& warm = showings[kWarmUp - 1];
        const Reading& last = showings.back();
        EXPECT_EQ(last.textures, warm.textures) << scene << ": live GL textures after each showing\n" << run.output;
        EXPECT_LE(last.bytes - warm.bytes, kAllowedGrowth) << scene << ": bytes in use after each showing\n"
                                                           << run.output;
    }
}

} // namespace
