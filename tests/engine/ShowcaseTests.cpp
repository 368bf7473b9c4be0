// The showcase program end to end: it names its output folder, prints a line
// per scene, saves each scene's frames, exits 0, and the engine scene's frames
// show the colour layer and the frame-rate digits; the social part reaches the
// stand-in service and draws its answer.
#include "platform/graphics/Image.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

namespace {

TEST(Showcase, SavesFramesWithTheColourLayerAndTheFrameRate)
{
    const char* source = std::getenv("BRISKO_SOURCE_DIR");
    ASSERT_TRUE(source) << "BRISKO_SOURCE_DIR is not set";
    testing_support::TempDir dir;
    std::string command = std::string("BRISKO_RESOURCES='") + source + "/resources' '" BRISKO_SHOWCASE_PATH "' '"
                          + dir.path() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string output;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_EQ(output.rfind("frames: " + dir.path() + "\n", 0), 0u) << output;
    EXPECT_NE(output.find("\nengine: 45 frames"), std::string::npos) << output;
    // The other scenes print their line and find their resources.
    EXPECT_NE(output.find("\nsprite sheet: 30 frames, 4 sheet frames"), std::string::npos) << output;
    EXPECT_NE(output.find("\nsprite batch: 30 frames, 3000 sprites"), std::string::npos) << output;
    EXPECT_NE(output.find("\nparticles: 45 frames"), std::string::npos) << output;
    EXPECT_NE(output.find("\ntile map: 45 frames, 40x15 map"), std::string::npos) << output;
    for (const char* file : { "sprite-sheet-015.png", "sprite-batch-030.png", "particles-045.png", "tile-map-045.png" })
        EXPECT_TRUE(platform::Image::imageWithContentsOfFile(dir.file(file))) << file;

    auto frame = platform::Image::imageWithContentsOfFile(dir.file("engine-045.png"));
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->width(), 320u);
    ASSERT_EQ(frame->height(), 480u);
    auto pixel = [&](int x, int y) { return frame->rgba().data() + (static_cast<size_t>(y) * 320 + x) * 4; };
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

    // The transition scene: the flip hands over, and its saved frames show one scene each.
    EXPECT_NE(output.find("\ntransition: KSTransitionFlipX red to blue, 28 frames mid-way, handed over; grid: KSWaves "
                          "on a sprite, 20 frames"),
              std::string::npos)
        << output;
    auto countColours = [](const platform::Image& image, int& red, int& blue) {
        red = blue = 0;
        for (size_t i = 0; i < image.rgba().size(); i += 4) {
            const uint8_t* p = image.rgba().data() + i;
            red += p[0] > 140 && p[2] < 60;
            blue += p[2] > 140 && p[0] < 60;
        }
    };
    int red = 0, blue = 0;
    auto turningAway = platform::Image::imageWithContentsOfFile(dir.file("transition-008.png"));
    ASSERT_TRUE(turningAway);
    countColours(*turningAway, red, blue);
    EXPECT_GT(red, 1000);
    EXPECT_EQ(blue, 0);
    auto turningIn = platform::Image::imageWithContentsOfFile(dir.file("transition-028.png"));
    ASSERT_TRUE(turningIn);
    countColours(*turningIn, red, blue);
    EXPECT_EQ(red, 0);
    EXPECT_GT(blue, 1000);
    EXPECT_TRUE(platform::Image::imageWithContentsOfFile(dir.file("grid-020.png")));
    // The menu scene: taps on the items reach their callbacks, which rewrite the
    // bitmap-font label drawn in yellow near the top.
    EXPECT_NE(output.find("\nmenu: 30 frames, 3 items, 2 taps on Play, sound off, label \"Sound off\""),
              std::string::npos)
        << output;
    auto menu = platform::Image::imageWithContentsOfFile(dir.file("menu-030.png"));
    ASSERT_TRUE(menu);
    auto menuPixel = [&](int x, int y) { return menu->rgba().data() + (static_cast<size_t>(y) * 320 + x) * 4; };
    int labelPixels = 0;
    for (int y = 40; y < 80; ++y)
        for (int x = 80; x < 240; ++x)
            labelPixels += menuPixel(x, y)[0] > 180 && menuPixel(x, y)[1] > 150 && menuPixel(x, y)[2] < 140;
    EXPECT_GT(labelPixels, 100) << "the bitmap-font label";

    // The progress scene: both timers fill, both transitions hand over, and the
    // wipe's saved frame shows the old scene beside the new one.
    EXPECT_NE(output.find("\nprogress: radial and bar timers, 30 frames, at 100% and 100%; KSTransitionRadialCW "
                          "handed over, KSTransitionFade handed over"),
              std::string::npos)
        << output;
    auto wiping = platform::Image::imageWithContentsOfFile(dir.file("radial-012.png"));
    ASSERT_TRUE(wiping);
    int teal = 0, dusk = 0;
    for (size_t i = 0; i < wiping->rgba().size(); i += 4) {
        const uint8_t* p = wiping->rgba().data() + i;
        teal += p[0] < 60 && p[1] > 120 && p[2] > 110;
        dusk += p[0] < 60 && p[1] < 60 && p[2] > 45 && p[2] < 80;
    }
    EXPECT_GT(teal, 1000);
    EXPECT_GT(dusk, 1000);
    EXPECT_TRUE(platform::Image::imageWithContentsOfFile(dir.file("fade-012.png")));

    // The social part: a signed GET to the stand-in comes back with its scores,
    // drawn as a full-screen PNG.
    EXPECT_NE(output.find("\nsocial: GET leaderboards/5/high_scores.xml 200, 4 high scores, OAuth signature verified "
                          "by the stand-in; screen social-leaderboard.png"),
              std::string::npos)
        << output;
    auto leaderboard = platform::Image::imageWithContentsOfFile(dir.file("social-leaderboard.png"));
    ASSERT_TRUE(leaderboard);
    EXPECT_EQ(leaderboard->width(), 320u);
    EXPECT_EQ(leaderboard->height(), 480u);
}

} // namespace
