// The tile and split transitions: tiled-grid effects run on the out-scene
// (turn-off and fading tiles) or on the transition itself (splits), each
// followed by the hand-over and switching the grid off.
#include "engine/KSTransitionTiles.h"

#include "engine/KSActionEase.h"
#include "engine/KSActionGrid.h"
#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSActionTiledGrid.h"
#include "engine/KSDirector.h"

using platform::Ref;

namespace kestrel {

namespace {

// The tile grid for a window: trunc(12 x w / h) x 12.
ksGridSize ksTransitionTileGrid(Size winSize)
{
    const float aspect = winSize.width / winSize.height;
    return { static_cast<int32_t>(12 * aspect), 12 };
}

} // namespace

// Turn-off tiles ----------------------------------------------------------------------------

void KSTransitionTurnOffTiles::sceneOrder()
{
    inSceneOnTop_ = false;
}

Ref<KSActionInterval> KSTransitionTurnOffTiles::easeActionWithAction(KSActionInterval* action)
{
    return Ref<KSActionInterval>(action);
}

void KSTransitionTurnOffTiles::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    const ksGridSize grid = ksTransitionTileGrid(KSDirector::sharedDirector()->winSize());
    auto tiles = KSTurnOffTiles::actionWithSize(grid, duration_);
    auto action = easeActionWithAction(tiles.get());
    auto finish = callFinish();
    auto stop = KSStopGrid::action();
    runOnOutScene(KSSequence::actions({ action.get(), finish.get(), stop.get() }).get(), true);
}

// Split columns and rows ---------------------------------------------------------------------

Ref<KSActionInterval> KSTransitionSplitCols::action()
{
    return KSSplitCols::actionWithCols(3, duration_ / 2);
}

Ref<KSActionInterval> KSTransitionSplitRows::action()
{
    return KSSplitRows::actionWithRows(3, duration_ / 2);
}

Ref<KSActionInterval> KSTransitionSplitCols::easeActionWithAction(KSActionInterval* action)
{
    return KSEaseInOut::actionWithAction(action, 3.0f);
}

void KSTransitionSplitCols::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    inScene_->setVisible(false);
    // The split opens over the out-scene, the scenes swap, and it closes over the in-scene.
    auto split = action();
    auto swap = KSCallFunc::actionWithTarget(this, BRISKO_SELECTOR(KSTransitionScene, hideOutShowIn));
    auto back = split->reverse();
    auto seq = KSSequence::actionOne(KSSequence::actionOne(split.get(), swap.get()).get(), back.get());
    auto eased = easeActionWithAction(seq.get());
    auto finish = callFinish();
    auto stop = KSStopGrid::action();
    runAction(KSSequence::actions({ eased.get(), finish.get(), stop.get() }).get());
}

// Fading tiles ------------------------------------------------------------------------------

void KSTransitionFadeTR::sceneOrder()
{
    inSceneOnTop_ = false;
}

Ref<KSActionInterval> KSTransitionFadeTR::actionWithSize(ksGridSize size)
{
    return KSFadeOutTRTiles::actionWithSize(size, duration_);
}

Ref<KSActionInterval> KSTransitionFadeBL::actionWithSize(ksGridSize size)
{
    return KSFadeOutBLTiles::actionWithSize(size, duration_);
}

Ref<KSActionInterval> KSTransitionFadeUp::actionWithSize(ksGridSize size)
{
    return KSFadeOutUpTiles::actionWithSize(size, duration_);
}

Ref<KSActionInterval> KSTransitionFadeDown::actionWithSize(ksGridSize size)
{
    return KSFadeOutDownTiles::actionWithSize(size, duration_);
}

Ref<KSActionInterval> KSTransitionFadeTR::easeActionWithAction(KSActionInterval* action)
{
    return Ref<KSActionInterval>(action);
}

void KSTransitionFadeTR::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    const ksGridSize grid = ksTransitionTileGrid(KSDirector::sharedDirector()->winSize());
    auto tiles = actionWithSize(grid);
    auto action = easeActionWithAction(tiles.get());
    auto finish = callFinish();
    auto stop = KSStopGrid::action();
    runOnOutScene(KSSequence::actions({ action.get(), finish.get(), stop.get() }).get(), true);
}

} // namespace kestrel
