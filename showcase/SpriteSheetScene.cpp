// The sprite-sheet scene: the robot sheet (resources/robot-sheet.png and its
// frame list) walking in place under a repeating frame animation, four times:
// as drawn, flipped, tinted, and fading in and out.
#include "Showcase.h"

#include "engine/KSActionInterval.h"
#include "engine/KSAnimate.h"
#include "engine/KSAnimation.h"
#include "engine/KSLayer.h"
#include "engine/KSSprite.h"
#include "engine/KSSpriteFrameCache.h"
#include "platform/foundation/Format.h"

namespace showcase {

using namespace kestrel;
using platform::Ref;

std::string runSpriteSheetScene(Showcase& showcase)
{
    KSSpriteFrameCache* cache = KSSpriteFrameCache::sharedSpriteFrameCache();
    cache->addSpriteFramesWithFile("robot-sheet.plist");
    KSSpriteFrameList frames;
    for (int i = 0; i < 4; ++i)
        if (KSSpriteFrame* frame = cache->spriteFrameByName(platform::format("robot-%d.png", i)))
            frames.emplace_back(frame);
    auto walk = KSAnimation::animationWithFrames(frames, 0.15f);

    auto scene = KSScene::node();
    scene->addChild(KSColorLayer::layerWithColor({ 40, 40, 60, 255 }).get(), 0);

    // Each robot walks on its own copy of the action, from the sheet's first frame.
    const Point places[4] = { { 90, 340 }, { 230, 340 }, { 90, 150 }, { 230, 150 } };
    Ref<KSSprite> robots[4];
    for (int i = 0; i < 4; ++i) {
        robots[i] = KSSprite::spriteWithSpriteFrameName("robot-0.png");
        if (!robots[i])
            return showcase.failed("sprite sheet: robot-sheet.plist did not load");
        robots[i]->setPosition(places[i]);
        robots[i]->setScale(2);
        robots[i]->runAction(KSRepeatForever::actionWithAction(KSAnimate::actionWithAnimation(walk.get(), false).get()).get());
        scene->addChild(robots[i].get(), 1);
    }
    robots[1]->setFlipX(true);
    robots[2]->setColor({ 255, 120, 60 });
    auto fade = KSSequence::actionOne(KSFadeOut::actionWithDuration(0.5f).get(), KSFadeIn::actionWithDuration(0.5f).get());
    robots[3]->runAction(KSRepeatForever::actionWithAction(fade.get()).get());

    auto run = showcase.run("sprite-sheet", scene.get(), 30, { 1, 8, 15 });
    std::string saved;
    for (const auto& f : run.saved)
        saved += (saved.empty() ? "" : ", ") + f;
    return platform::format("sprite sheet: %u frames, %zu sheet frames cycling on 4 robots (plain, flipped, tinted, "
                            "fading); saved %s",
                            run.frames, frames.size(), saved.c_str());
}

} // namespace showcase
