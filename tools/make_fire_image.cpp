// Draws the particle presets' texture, "fire.png": a soft white blob of 32 x 32
// pixels whose alpha falls off from the centre to nothing at the edge. Made by
// stacking translucent discs, smallest last, so the centre collects the most
// coverage.
//
// Usage: make_fire_image OUTPUT.png   (the committed copy is resources/fire.png)
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"

#include <cmath>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    constexpr uint32_t kSize = 32;
    auto context = platform::GraphicsContext::create(kSize, kSize, platform::GraphicsContext::Format::RGBA);
    if (!context) {
        std::fprintf(stderr, "cannot make a %u x %u bitmap\n", kSize, kSize);
        return 1;
    }
    const float centre = kSize / 2.0f;
    constexpr int kDiscs = 16;
    for (int i = 0; i < kDiscs; ++i) {
        const float radius = centre * static_cast<float>(kDiscs - i) / kDiscs;
        context->setFillColor(1, 1, 1, 0.13f);
        context->beginPath();
        context->addArc(centre, centre, radius, 0, 2 * static_cast<float>(M_PI), false);
        context->closePath();
        context->fillPath();
    }
    auto image = context->makeImage();
    if (!image || !image->writePNG(argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
