// Draws the showcase's animated sprite sheet: a little robot in four walking
// poses, 64 x 64 pixels each, side by side in "robot-sheet.png" (256 x 64), and
// writes the frame list "robot-sheet.plist" (format 2, frames "robot-0.png" to
// "robot-3.png") that names the image.
//
// Usage: make_robot_sheet OUTPUT_FOLDER   (the committed copies are in resources/)
#include "platform/foundation/Format.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr int kFrame = 64;
constexpr int kFrames = 4;

// One limb: a thick rounded segment from (x, y) at `degrees` from straight down.
void limb(platform::GraphicsContext& c, float x, float y, float length, float degrees)
{
    const float a = degrees * static_cast<float>(M_PI) / 180;
    c.beginPath();
    c.moveTo(x, y);
    c.lineTo(x + length * std::sin(a), y + length * std::cos(a));
    c.strokePath();
}

void drawRobot(platform::GraphicsContext& c, int pose)
{
    // Limbs swing through a walking cycle: forward, passing, back, passing.
    static const float kSwing[kFrames] = { 30, 10, -30, -10 };
    const float swing = kSwing[pose];
    const float bob = pose % 2 ? -2.0f : 0.0f; // the body rises as the legs pass

    c.setLineWidth(6);
    // Far arm and leg, darker, behind the body.
    c.setStrokeColor(0.22f, 0.25f, 0.32f, 1);
    limb(c, 32, 44 + bob, 14, -swing);
    limb(c, 32, 28 + bob, 13, swing);
    // Body and head.
    c.setFillColor(0.55f, 0.65f, 0.80f, 1);
    c.fillRect({ 22, 24 + bob, 20, 22 });
    c.setFillColor(0.70f, 0.78f, 0.90f, 1);
    c.fillRect({ 24, 8 + bob, 16, 14 });
    // Antenna with a red light.
    c.setStrokeColor(0.2f, 0.2f, 0.25f, 1);
    c.setLineWidth(2);
    c.beginPath();
    c.moveTo(32, 8 + bob);
    c.lineTo(32, 3 + bob);
    c.strokePath();
    c.setFillColor(0.95f, 0.15f, 0.15f, 1);
    c.beginPath();
    c.addArc(32, 3 + bob, 2.5f, 0, 2 * static_cast<float>(M_PI), false);
    c.fillPath();
    // Eye looking right, and a chest panel.
    c.setFillColor(0.1f, 0.9f, 1.0f, 1);
    c.fillRect({ 33, 12 + bob, 5, 4 });
    c.setFillColor(1.0f, 0.8f, 0.1f, 1);
    c.fillRect({ 27, 30 + bob, 10, 6 });
    // Near arm and leg, lighter, in front.
    c.setLineWidth(6);
    c.setStrokeColor(0.33f, 0.37f, 0.47f, 1);
    limb(c, 32, 44 + bob, 14, swing);
    limb(c, 32, 28 + bob, 13, -swing);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    auto context = platform::GraphicsContext::create(kFrame * kFrames, kFrame, platform::GraphicsContext::Format::RGBA);
    if (!context) {
        std::fprintf(stderr, "cannot make the sheet bitmap\n");
        return 1;
    }
    platform::ValueDictionary frames;
    for (int i = 0; i < kFrames; ++i) {
        context->save();
        context->translate(static_cast<float>(i * kFrame), 0);
        drawRobot(*context, i);
        context->restore();
        frames.set(platform::format("robot-%d.png", i),
                   platform::ValueDictionary {
                       { "frame", platform::format("{{%d,0},{%d,%d}}", i * kFrame, kFrame, kFrame) },
                       { "offset", "{0,0}" },
                       { "rotated", false },
                       { "sourceSize", platform::format("{%d,%d}", kFrame, kFrame) },
                   });
    }
    platform::ValueDictionary root {
        { "frames", frames },
        { "metadata", platform::ValueDictionary { { "format", 2 }, { "textureFileName", "robot-sheet.png" } } },
    };
    auto image = context->makeImage();
    if (!image || !image->writePNG(folder + "/robot-sheet.png")) {
        std::fprintf(stderr, "cannot write %s/robot-sheet.png\n", folder.c_str());
        return 1;
    }
    std::string error;
    if (!platform::writePropertyListFile(folder + "/robot-sheet.plist", root, &error)) {
        std::fprintf(stderr, "cannot write %s/robot-sheet.plist: %s\n", folder.c_str(), error.c_str());
        return 1;
    }
    return 0;
}
