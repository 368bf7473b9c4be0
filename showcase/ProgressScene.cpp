// The progress scene: a radial and a bar progress timer fill up over 0.3
// seconds, then the scene is wiped away clockwise by KSTransitionRadialCW and
// the next one fades through black with KSTransitionFade. Frames are saved
// while the timers fill and half-way through each transition.
#include "Showcase.h"

#include "engine/KSActionProgressTimer.h"
#include "engine/KSDirector.h"
#include "engine/KSLayer.h"
#include "engine/KSProgressTimer.h"
#include "engine/KSTexture2D.h"
#include "engine/KSTransitionFade.h"
#include "engine/KSTransitionRadial.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"

#include <cmath>
#include <vector>

namespace showcase {

using namespace kestrel;
using platform::Ref;

namespace {

// A 128 x 128 dial: an orange disc with a darker rim, transparent outside.
Ref<KSTexture2D> dialTexture()
{
    std::vector<uint8_t> pixels(128 * 128 * 4);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            uint8_t* p = &pixels[(y * 128 + x) * 4];
            const float d = std::hypot(x - 63.5f, y - 63.5f);
            if (d > 62)
                continue;
            const bool rim = d > 54;
            p[0] = rim ? 160 : 250;
            p[1] = rim ? 70 : 150;
            p[2] = rim ? 20 : 40;
            p[3] = 255;
        }
    }
    return KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 128, 128, { 128, 128 });
}

// A 200 x 24 bar shading from green to yellow.
Ref<KSTexture2D> barTexture()
{
    std::vector<uint8_t> pixels(256 * 32 * 4);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 200; ++x) {
            uint8_t* p = &pixels[(y * 256 + x) * 4];
            p[0] = static_cast<uint8_t>(40 + x);
            p[1] = 200;
            p[2] = 60;
            p[3] = 255;
        }
    }
    return KSTexture2D::textureWithData(pixels.data(), kKSTexture2DPixelFormat_RGBA8888, 256, 32, { 200, 24 });
}

Ref<KSScene> colourScene(ksColor4B colour)
{
    auto scene = KSScene::node();
    scene->addChild(KSColorLayer::layerWithColor(colour).get());
    return scene;
}

std::string joined(const std::vector<std::string>& names)
{
    std::string out;
    for (const auto& n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out;
}

} // namespace

std::string runProgressScene(Showcase& showcase)
{
    KSDirector* director = KSDirector::sharedDirector();
    auto scene = colourScene({ 40, 40, 60, 255 });

    auto dial = KSProgressTimer::progressWithTexture(dialTexture().get());
    dial->setType(kKSProgressTimerTypeRadialCW);
    dial->setPosition({ 160, 300 });
    scene->addChild(dial.get(), 1);
    dial->runAction(KSProgressTo::actionWithDuration(0.3, 100).get());

    auto bar = KSProgressTimer::progressWithTexture(barTexture().get());
    bar->setType(kKSProgressTimerTypeHorizontalBarLR);
    bar->setPosition({ 160, 160 });
    scene->addChild(bar.get(), 1);
    bar->runAction(KSProgressFromTo::actionWithDuration(0.3, 0, 100).get());

    auto filling = showcase.run("progress", scene.get(), 30, { 5, 30 });
    const float dialAt = dial->percentage(), barAt = bar->percentage();

    // The clockwise wipe uncovers a teal scene; a fade through black leads to a purple one.
    auto teal = colourScene({ 30, 150, 140, 255 });
    auto wipe = KSTransitionRadialCW::transitionWithDuration(0.8f, teal.get());
    auto wiping = showcase.run("radial", wipe.get(), 12, { 12 });
    bool wiped = showcase.runUntil("progress: the radial wipe did not hand over",
                                   [&] { return director->runningScene() == teal.get(); }, 5);

    auto purple = colourScene({ 120, 40, 150, 255 });
    auto fade = KSTransitionFade::transitionWithDuration(0.8f, purple.get());
    auto fading = showcase.run("fade", fade.get(), 12, { 12 });
    bool faded = showcase.runUntil("progress: the fade did not hand over",
                                   [&] { return director->runningScene() == purple.get(); }, 5);

    return platform::format("progress: radial and bar timers, %u frames, at %.0f%% and %.0f%%; KSTransitionRadialCW "
                            "%s, KSTransitionFade %s; saved %s, %s, %s",
                            filling.frames, dialAt, barAt, wiped ? "handed over" : "not handed over",
                            faded ? "handed over" : "not handed over", joined(filling.saved).c_str(),
                            joined(wiping.saved).c_str(), joined(fading.saved).c_str());
}

} // namespace showcase
