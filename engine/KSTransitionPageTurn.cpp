// KSTransitionPageTurn: the page-turn grid effect run on whichever scene is on
// top, followed by the hand-over and switching the grid off.
#include "engine/KSTransitionPageTurn.h"

#include "engine/KSActionGrid.h"
#include "engine/KSActionGrid3D.h"
#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSDirector.h"

using platform::Ref;

namespace kestrel {

Ref<KSTransitionPageTurn> KSTransitionPageTurn::transitionWithDuration(ksTime t, KSScene* scene, bool backwards)
{
    auto a = platform::adoptRef(new KSTransitionPageTurn);
    return a->initWithDuration(t, scene, backwards) ? a : nullptr;
}

bool KSTransitionPageTurn::initWithDuration(ksTime t, KSScene* scene, bool backwards)
{
    // The base initialiser asks sceneOrder(), which reads back_: set it first.
    back_ = backwards;
    return KSTransitionScene::initWithDuration(t, scene);
}

void KSTransitionPageTurn::sceneOrder()
{
    inSceneOnTop_ = back_;
}

Ref<KSActionInterval> KSTransitionPageTurn::actionWithSize(ksGridSize vector)
{
    auto turn = KSPageTurn3D::actionWithSize(vector, duration_);
    if (back_)
        return KSReverseTime::actionWithAction(turn.get());
    return turn;
}

void KSTransitionPageTurn::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    const Size s = KSDirector::sharedDirector()->winSize();
    const ksGridSize grid = s.width > s.height ? ksGridSize { 16, 12 } : ksGridSize { 12, 16 };
    auto action = actionWithSize(grid);
    auto finish = callFinish();
    auto stop = KSStopGrid::action();
    if (!back_) {
        runOnOutScene(KSSequence::actions({ action.get(), finish.get(), stop.get() }).get(), true);
    } else {
        inScene_->setVisible(false);
        auto show = KSShow::action();
        runOnInScene(KSSequence::actions({ show.get(), action.get(), finish.get(), stop.get() }).get());
    }
}

} // namespace kestrel
