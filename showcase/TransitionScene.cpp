// The transition scene: a red scene flips over to a blue one with
// KSTransitionFlipX, then a chequered sprite sways under a KSWaves grid
// effect. Frames are saved while the flip turns and while the sprite sways.
#include "Showcase.h"

#include "engine/KSActionGrid3D.h"
#include "engine/KSDirector.h"
#include "engine/KSLayer.h"
#include "engine/KSSprite.h"
#include "engine/KSTexture2D.h"
#include "engine/KSTransition.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"

#include <vector>

namespace showcase {

using namespace kestrel;
using platform::Ref;

namespace {

Ref<KSScene> colourScene(ksColor4B background, ksColor4B square)
{
    auto scene = KSScene::node();
    scene->addChild(KSColorLayer::layerWithColor(background).get(), 0);
    auto box = KSColorLayer::layerWithColor(square, 120, 120);
    box->setIsRelativeAnchorPoint(true);
    box->setPosition({ 160, 240 });
    scene->addChild(box.get(), 1);
    return scene;
}

// A 128 x 128 chequerboard of 16-pixel squares, so that bending shows.
Ref<KSTexture2D> chequerTexture()
{
    std::vector<uint8_t> pixels(128 * 128 * 4);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            uint8_t* p = &pixels[(y * 128 + x) * 4];
            bool light = ((x / 16) + (y / 16)) % 2 == 0;
            p[0] = light ? 250 : 40;
            p[1] = light ? 220 : 40;
            p[2] = light ? 60 : 40;
            p[3] = 255;
        }
    }
    return KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 128, 128, { 128, 128 });
}

std::string joined(const std::vector<std::string>& names)
{
    std::string out;
    for (const auto& n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out;
}

} // namespace

std::string runTransitionScene(Showcase& showcase)
{
    KSDirector* director = KSDirector::sharedDirector();
    auto red = colourScene({ 170, 30, 30, 255 }, { 250, 200, 200, 255 });
    auto blue = colourScene({ 30, 40, 170, 255 }, { 200, 210, 250, 255 });
    showcase.run("transition-from", red.get(), 2, {});

    // A 1.2 s flip: frame 8 shows the red scene turning away, 28 the blue one turning in.
    auto flip = KSTransitionFlipX::transitionWithDuration(1.2f, blue.get(), 1);
    auto turning = showcase.run("transition", flip.get(), 28, { 8, 28 });
    bool handedOver = showcase.runUntil("transition: the flip did not hand over",
                                        [&] { return director->runningScene() == blue.get(); }, 5);

    auto scene = KSScene::node();
    scene->addChild(KSColorLayer::layerWithColor({ 20, 90, 60, 255 }).get(), 0);
    auto sprite = KSSprite::spriteWithTexture(chequerTexture().get());
    sprite->setPosition({ 160, 240 });
    sprite->setScale(1.5f);
    scene->addChild(sprite.get(), 1);
    // The effect bends the whole scene: its grid captures the background with the sprite.
    scene->runAction(KSWaves::actionWithWaves(3, 10, true, true, { 16, 24 }, 2).get());
    auto swaying = showcase.run("grid", scene.get(), 20, { 10, 20 });

    return platform::format("transition: KSTransitionFlipX red to blue, %u frames mid-way, %s; grid: KSWaves on a "
                            "scene, %u frames; saved %s, %s",
                            turning.frames, handedOver ? "handed over" : "not handed over", swaying.frames,
                            joined(turning.saved).c_str(), joined(swaying.saved).c_str());
}

} // namespace showcase
