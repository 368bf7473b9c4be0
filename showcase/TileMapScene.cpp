// The tile-map scene: our own orthogonal TMX map (resources/showcase-map.tmx, a
// base64 + gzip layer over the external tileset showcase-tiles.tsx), three
// screens wide and scrolled back and forth by a repeating move, and a robot
// flying a square with a motion streak behind it.
#include "Showcase.h"

#include "engine/KSActionInterval.h"
#include "engine/KSMotionStreak.h"
#include "engine/KSSprite.h"
#include "engine/KSTMXTiledMap.h"
#include "engine/KSTextureCache.h"
#include "platform/foundation/Format.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Image.h"

namespace showcase {

using namespace kestrel;
using platform::Ref;

namespace {

// The streak's texture: a small white square, cached under a key the streak names.
const char* const kStreakTexture = "showcase-streak-white";

bool makeStreakTexture()
{
    auto context = platform::GraphicsContext::create(8, 8, platform::GraphicsContext::Format::RGBA);
    if (!context)
        return false;
    context->setFillColor(1, 1, 1, 1);
    context->fillRect({ 0, 0, 8, 8 });
    auto image = context->makeImage();
    return image && KSTextureCache::sharedTextureCache()->addCGImage(image.get(), kStreakTexture);
}

} // namespace

std::string runTileMapScene(Showcase& showcase)
{
    auto map = KSTMXTiledMap::tiledMapWithTMXFile("showcase-map.tmx");
    if (!map)
        return showcase.failed("tile map: showcase-map.tmx did not load");
    const float overhang = map->contentSize().width - 320;
    auto away = KSMoveBy::actionWithDuration(1.0f, { -overhang, 0 });
    auto back = KSMoveBy::actionWithDuration(1.0f, { overhang, 0 });
    map->runAction(KSRepeatForever::actionWithAction(KSSequence::actionOne(away.get(), back.get()).get()).get());

    auto robot = KSSprite::spriteWithFile("robot-sheet.png", { 0, 0, 64, 64 });
    if (!robot || !makeStreakTexture())
        return showcase.failed("tile map: cannot make the robot or its streak");
    robot->setPosition({ 80, 160 });
    // The loop: a square of 160 points, 0.4 s a side.
    auto up = KSMoveBy::actionWithDuration(0.4f, { 0, 160 });
    auto right = KSMoveBy::actionWithDuration(0.4f, { 160, 0 });
    auto down = KSMoveBy::actionWithDuration(0.4f, { 0, -160 });
    auto left = KSMoveBy::actionWithDuration(0.4f, { -160, 0 });
    auto square = KSSequence::actionOne(KSSequence::actionOne(up.get(), right.get()).get(),
                                        KSSequence::actionOne(down.get(), left.get()).get());
    robot->runAction(KSRepeatForever::actionWithAction(square.get()).get());
    // The streak rides at the robot's centre, drawn beneath it.
    auto streak = KSMotionStreak::streakWithFade(1.0f, 2, kStreakTexture, 12, 32, { 120, 220, 255, 255 });
    if (!streak)
        return showcase.failed("tile map: cannot make the motion streak");
    streak->setPosition({ robot->contentSize().width / 2, robot->contentSize().height / 2 });
    robot->addChild(streak.get(), -1);

    auto scene = KSScene::node();
    scene->addChild(map.get(), 0);
    scene->addChild(robot.get(), 1);
    auto run = showcase.run("tile-map", scene.get(), 45, { 15, 30, 45 });
    std::string saved;
    for (const auto& f : run.saved)
        saved += (saved.empty() ? "" : ", ") + f;
    return platform::format("tile map: %u frames, %gx%g map of %gx%g tiles scrolling, robot with a motion streak; "
                            "saved %s",
                            run.frames, map->mapSize().width, map->mapSize().height, map->tileSize().width,
                            map->tileSize().height, saved.c_str());
}

} // namespace showcase
