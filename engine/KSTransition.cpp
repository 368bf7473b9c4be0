// Scene transitions: the life cycle shared by every transition (taking over
// the scenes' enter and exit calls, the hand-over to the director, touches
// off meanwhile) and the moving, scaling and flipping transitions.
#include "engine/KSTransition.h"

#include "engine/KSActionCamera.h"
#include "engine/KSActionEase.h"
#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSActionManager.h"
#include "engine/KSCamera.h"
#include "engine/KSDirector.h"
#include "engine/KSGrid.h"
#include "engine/KSScheduler.h"
#include "engine/platform/KSTouchDispatcher.h"
#include "platform/foundation/Exception.h"

#include <utility>

namespace kestrel {

using platform::Ref;

namespace {

// Transitions that currently keep touch dispatch off. Dispatch comes back on
// only when the last of them lets go, so one transition ending or dying does
// not open touches while another is still running.
int gTouchHolds = 0;

Ref<KSFiniteTimeAction> seq(std::initializer_list<KSFiniteTimeAction*> actions)
{
    return KSSequence::actions(actions);
}

Ref<KSFiniteTimeAction> spawn(std::initializer_list<KSFiniteTimeAction*> actions)
{
    return KSSpawn::actions(actions);
}

Ref<KSActionInterval> delay(ksTime t) { return KSDelayTime::actionWithDuration(t); }

Ref<KSActionInterval> easeOut(KSActionInterval* action) { return KSEaseOut::actionWithAction(action, 2.0f); }

void resetScene(KSScene* scene, bool visible)
{
    scene->setVisible(visible);
    scene->setPosition({ 0, 0 });
    scene->setScale(1.0f);
    scene->setRotation(0);
    scene->camera()->restore();
}

} // namespace

// KSTransitionScene ----------------------------------------------------------------------

bool KSTransitionScene::initWithDuration(ksTime t, KSScene* scene)
{
    BRISKO_ASSERT(scene, "Argument scene must be non-nil");
    if (!KSScene::init())
        return false;
    duration_ = t;
    inScene_ = scene;
    outScene_ = KSDirector::sharedDirector()->runningScene();
    BRISKO_ASSERT(inScene_ != outScene_, "Incoming scene must be different from the outgoing scene");

    holdTouches();
    sceneOrder();
    return true;
}

KSTransitionScene::~KSTransitionScene() { releaseTouches(); }

void KSTransitionScene::holdTouches()
{
    if (holdsTouches_)
        return;
    holdsTouches_ = true;
    ++gTouchHolds;
    KSTouchDispatcher::sharedDispatcher()->setDispatchEvents(false);
}

void KSTransitionScene::releaseTouches()
{
    if (!holdsTouches_)
        return;
    holdsTouches_ = false;
    if (--gTouchHolds <= 0) {
        gTouchHolds = 0;
        KSTouchDispatcher::sharedDispatcher()->setDispatchEvents(true);
    }
}

KSTransitionScene::Rest KSTransitionScene::restOf(KSScene* scene)
{
    Rest rest;
    rest.visible = scene->visible();
    rest.position = scene->position();
    rest.scaleX = scene->scaleX();
    rest.scaleY = scene->scaleY();
    rest.rotation = scene->rotation();
    rest.anchor = scene->anchorPoint();
    rest.grid = scene->grid();
    rest.gridActive = rest.grid && rest.grid->active();
    return rest;
}

void KSTransitionScene::putBack(KSScene* scene, const Rest& rest)
{
    scene->setVisible(rest.visible);
    scene->setPosition(rest.position);
    scene->setScaleX(rest.scaleX);
    scene->setScaleY(rest.scaleY);
    scene->setRotation(rest.rotation);
    scene->setAnchorPoint(rest.anchor);
    scene->camera()->restore();
    // A grid effect stopped half-way would keep drawing the scene through its grid.
    KSGridBase* grid = scene->grid();
    if (grid != rest.grid.get()) {
        if (grid && grid->active())
            grid->setActive(false);
        scene->setGrid(rest.grid.get());
    }
    if (rest.grid && rest.grid->active() != rest.gridActive)
        rest.grid->setActive(rest.gridActive);
}

void KSTransitionScene::sceneOrder() { inSceneOnTop_ = true; }

void KSTransitionScene::draw()
{
    KSScene* first = inSceneOnTop_ ? outScene_.get() : inScene_.get();
    KSScene* second = inSceneOnTop_ ? inScene_.get() : outScene_.get();
    // A scene's visit may end the director or ask for another scene: one
    // that has left by then is drawn no more.
    if (first && first->isRunning())
        Ref<KSScene>(first)->visit();
    if (second && second->isRunning())
        Ref<KSScene>(second)->visit();
}

void KSTransitionScene::onEnter()
{
    KSScene::onEnter();
    // Whether the request that brought the transition in replaced the
    // outgoing scene: left before it finishes, the transition cleans that
    // scene up then, as the hand-over would have. (Only the first time: back
    // after a pop, the request that brought the transition in still decides.)
    if (std::exchange(enteredBefore_, true))
        cameBack_ = true;
    else
        sendCleanupToScene_ = KSDirector::sharedDirector()->sendCleanupToScene();
    // Back on show after a pop, it starts again: touches stay off until it
    // hands over.
    holdTouches();
    if (outScene_ && !outScene_->isRunning()) {
        // Back on show after a scene pushed over it was popped: the outgoing
        // scene it left comes back with it. One that left before this
        // transition came on show (made while that scene was leaving) is not
        // this transition's to show: it goes on without one, as the first
        // scene's transition does.
        if (std::exchange(outSceneLeftWithMe_, false)) {
            outScene_->enterScene();
            if (!isRunning())
                return; // that scene ended the director as it entered
        } else {
            // Not on the stack and held by this transition alone, it goes
            // cleaned up (its actions and timers would keep its nodes).
            Ref<KSScene> left = std::move(outScene_);
            if (!KSDirector::isKeptBeyond(left.get(), 1) && !KSDirector::sharedDirector()->isOnShowOrOnTheStack(left.get())) {
                left->cleanupScene();
                if (!isRunning())
                    return; // its clean-up ended the director
            }
        }
    }
    inScene_->enterScene();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    // How the scenes stand before the transition moves them: left before it
    // hands over, it puts them back so.
    if (outScene_)
        outRest_ = restOf(outScene_.get());
    inRest_ = restOf(inScene_.get());
    started_ = true;
}

void KSTransitionScene::onExit()
{
    // Handed over, the incoming scene is on screen now. Left otherwise (before
    // it finished, or for another scene asked for in the frame it finished,
    // or by the director ending), it leaves with the transition. Decided
    // before the scenes hear of it: they may ask for another scene meanwhile.
    handedOver_ = handingOver_ && KSDirector::hasSharedDirector()
                  && KSDirector::sharedDirector()->nextScene() == inScene_.get();
    handingOver_ = false;
    KSScene::onExit();
    if (!handedOver_)
        stopAndPutBack();
    if (outScene_ && outScene_->isRunning() && !outScene_->isExiting()) {
        outSceneLeftWithMe_ = true;
        outScene_->exitScene();
    }
    // Either call may end the director, which then exits the incoming scene itself.
    if (handedOver_)
        inScene_->finishEnteringScene();
    else
        inScene_->exitScene();
    // Leaving without the hand-over (replaced or popped meanwhile) must not
    // leave touches off for good.
    releaseTouches();
}

void KSTransitionScene::stopAndPutBack()
{
    if (!std::exchange(started_, false))
        return;
    // Its own actions and the hand-over it may have scheduled stop here;
    // coming back on show, it starts again.
    stopAllActions();
    unschedule(BRISKO_SELECTOR(KSTransitionScene, setNewScene));
    finished_ = false;
    KSActionManager* actions = KSActionManager::sharedManager();
    for (const auto& action : sceneActions_)
        actions->removeAction(action.get());
    sceneActions_.clear();
    if (outScene_)
        putBack(outScene_.get(), outRest_);
    putBack(inScene_.get(), inRest_);
}

void KSTransitionScene::cleanup()
{
    KSScene::cleanup();
    sceneActions_.clear();
    // A scene the director's stack still holds (the incoming one taking this
    // transition's place, or the outgoing one asked for again) is shown again
    // later, and one on show (popped back to while this transition went) is
    // the director's to exit: neither is cleaned up here. Cleaned up in the
    // middle of its onExit (the director ended from one of the scenes'
    // exits), a scene still entered leaves first.
    KSDirector* director = KSDirector::hasSharedDirector() ? KSDirector::sharedDirector() : nullptr;
    auto onTheStack = [director](KSScene* scene) { return director && director->isOnShowOrOnTheStack(scene); };
    if (sendCleanupToScene_ && outScene_ && !onTheStack(outScene_.get())) {
        outScene_->exitScene();
        outScene_->cleanupScene();
    } else if (outScene_ && director && !onTheStack(outScene_.get()) && !KSDirector::isKeptBeyond(outScene_.get(), 1)
               && !outScene_->isRunning()) {
        // Pushed over a scene replaced in the same frame, the transition is
        // the last to hold it: it goes cleaned up, or its actions and timers
        // would keep its nodes for good.
        outScene_->cleanupScene();
    }
    if (!handedOver_ && !onTheStack(inScene_.get())) {
        inScene_->exitScene();
        inScene_->cleanupScene();
    }
}

void KSTransitionScene::finish()
{
    // Reached after the transition left (a game's late call): its scenes are
    // no longer its to move, and one of them may be on show.
    if (!isRunning())
        return;
    resetScene(inScene_.get(), true);
    inScene_->setAnchorPoint(inRest_.anchor);
    if (outScene_) {
        resetScene(outScene_.get(), false);
        outScene_->setAnchorPoint(outRest_.anchor);
    }
    finished_ = true;
    finishTick_ = KSScheduler::sharedScheduler()->ticks();
    schedule(BRISKO_SELECTOR(KSTransitionScene, setNewScene), 0);
}

void KSTransitionScene::setNewScene(ksTime)
{
    // A timer scheduled during a tick may be reached later in that same tick:
    // the hand-over waits for the tick after the one that finished.
    if (finished_ && KSScheduler::sharedScheduler()->ticks() == finishTick_)
        return;
    // Only the transition on show and on top of the stack hands over. One that
    // is the outgoing scene of another transition leaves with it; one the game
    // has just pushed a scene over (or replaced) waits: it leaves at the next
    // frame, and popped back to, starts again.
    KSDirector* director = KSDirector::sharedDirector();
    if (director->runningScene() != this || director->scenesStack().empty()
        || director->scenesStack().back().get() != this)
        return;
    unschedule(BRISKO_SELECTOR(KSTransitionScene, setNewScene));
    Ref<KSTransitionScene> keep(this);
    // Back after a pop, the director's flag is the pop's: the request that
    // brought the transition in still decides.
    if (!cameBack_)
        sendCleanupToScene_ = director->sendCleanupToScene();
    director->replaceScene(inScene_.get());
    handingOver_ = true;
    releaseTouches();
    if (outScene_)
        outScene_->setVisible(true);
}

void KSTransitionScene::hideOutShowIn()
{
    inScene_->setVisible(true);
    if (outScene_)
        outScene_->setVisible(false);
}

Ref<KSFiniteTimeAction> KSTransitionScene::callFinish()
{
    return KSCallFunc::actionWithTarget(this, BRISKO_SELECTOR(KSTransitionScene, finish));
}

void KSTransitionScene::runOnInScene(KSFiniteTimeAction* action)
{
    sceneActions_.emplace_back(action);
    inScene_->runAction(action);
}

void KSTransitionScene::runOnOutScene(KSFiniteTimeAction* action, bool ends)
{
    if (outScene_) {
        sceneActions_.emplace_back(action);
        outScene_->runAction(action);
    } else if (ends) {
        auto wait = delay(action->duration());
        runAction(seq({ wait.get(), callFinish().get() }).get());
    }
}

// KSTransitionSceneOriented ----------------------------------------------------------------

bool KSTransitionSceneOriented::initWithDuration(ksTime t, KSScene* scene, int orientation)
{
    if (!KSTransitionScene::initWithDuration(t, scene))
        return false;
    orientation_ = orientation;
    return true;
}

// Roto-zoom and jump-zoom -------------------------------------------------------------------

void KSTransitionRotoZoom::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    inScene_->setScale(0.001f);
    inScene_->setAnchorPoint({ 0.5f, 0.5f });
    if (outScene_) {
        outScene_->setScale(1.0f);
        outScene_->setAnchorPoint({ 0.5f, 0.5f });
    }
    auto scale = KSScaleBy::actionWithDuration(duration_ / 2, 0.001f);
    auto rotate = KSRotateBy::actionWithDuration(duration_ / 2, 360 * 2);
    auto turn = spawn({ scale.get(), rotate.get() });
    auto wait = delay(duration_ / 2);
    auto rotozoom = seq({ turn.get(), wait.get() });
    runOnOutScene(rotozoom.get(), false);
    auto back = rotozoom->reverse();
    runOnInScene(seq({ back.get(), callFinish().get() }).get());
}

void KSTransitionJumpZoom::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    Size s = KSDirector::sharedDirector()->winSize();
    inScene_->setScale(0.5f);
    inScene_->setPosition({ s.width, 0 });
    inScene_->setAnchorPoint({ 0.5f, 0.5f });
    if (outScene_)
        outScene_->setAnchorPoint({ 0.5f, 0.5f });

    auto jump = KSJumpBy::actionWithDuration(duration_ / 4, { -s.width, 0 }, s.width / 4, 2);
    // The in-scene gets its own jump: one action object runs on one target at a time.
    auto jumpIn = platform::dynamicRef<KSFiniteTimeAction>(jump->copy());
    auto scaleIn = KSScaleTo::actionWithDuration(duration_ / 4, 1.0f);
    auto scaleOut = KSScaleTo::actionWithDuration(duration_ / 4, 0.5f);
    auto jumpZoomOut = seq({ scaleOut.get(), jump.get() });
    auto jumpZoomIn = seq({ jumpIn.get(), scaleIn.get() });
    auto wait = delay(duration_ / 2);
    runOnOutScene(jumpZoomOut.get(), false);
    runOnInScene(seq({ wait.get(), jumpZoomIn.get(), callFinish().get() }).get());
}

// Move-in ----------------------------------------------------------------------------------

void KSTransitionMoveInL::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    initScenes();
    auto a = action();
    auto eased = easeActionWithAction(a.get());
    runOnInScene(seq({ eased.get(), callFinish().get() }).get());
}

Ref<KSActionInterval> KSTransitionMoveInL::action() { return KSMoveTo::actionWithDuration(duration_, { 0, 0 }); }

Ref<KSActionInterval> KSTransitionMoveInL::easeActionWithAction(KSActionInterval* action) { return easeOut(action); }

void KSTransitionMoveInL::initScenes()
{
    inScene_->setPosition({ -KSDirector::sharedDirector()->winSize().width, 0 });
}

void KSTransitionMoveInR::initScenes()
{
    inScene_->setPosition({ KSDirector::sharedDirector()->winSize().width, 0 });
}

void KSTransitionMoveInT::initScenes()
{
    inScene_->setPosition({ 0, KSDirector::sharedDirector()->winSize().height });
}

void KSTransitionMoveInB::initScenes()
{
    inScene_->setPosition({ 0, -KSDirector::sharedDirector()->winSize().height });
}

// Slide-in ---------------------------------------------------------------------------------

// The slide covers the window less half a point.
constexpr float kSlideAdjust = 0.5f;

void KSTransitionSlideInL::sceneOrder() { inSceneOnTop_ = false; }

void KSTransitionSlideInL::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    initScenes();
    auto in = action();
    auto out = action();
    auto inEased = easeActionWithAction(in.get());
    auto outEased = easeActionWithAction(out.get());
    runOnInScene(inEased.get());
    runOnOutScene(seq({ outEased.get(), callFinish().get() }).get(), true);
}

void KSTransitionSlideInL::initScenes()
{
    inScene_->setPosition({ -(KSDirector::sharedDirector()->winSize().width - kSlideAdjust), 0 });
}

Ref<KSActionInterval> KSTransitionSlideInL::action()
{
    return KSMoveBy::actionWithDuration(duration_, { KSDirector::sharedDirector()->winSize().width - kSlideAdjust, 0 });
}

Ref<KSActionInterval> KSTransitionSlideInL::easeActionWithAction(KSActionInterval* action) { return easeOut(action); }

void KSTransitionSlideInR::sceneOrder() { inSceneOnTop_ = true; }

void KSTransitionSlideInR::initScenes()
{
    inScene_->setPosition({ KSDirector::sharedDirector()->winSize().width - kSlideAdjust, 0 });
}

Ref<KSActionInterval> KSTransitionSlideInR::action()
{
    return KSMoveBy::actionWithDuration(duration_,
                                        { -(KSDirector::sharedDirector()->winSize().width - kSlideAdjust), 0 });
}

void KSTransitionSlideInT::sceneOrder() { inSceneOnTop_ = false; }

void KSTransitionSlideInT::initScenes()
{
    inScene_->setPosition({ 0, KSDirector::sharedDirector()->winSize().height - kSlideAdjust });
}

Ref<KSActionInterval> KSTransitionSlideInT::action()
{
    return KSMoveBy::actionWithDuration(duration_,
                                        { 0, -(KSDirector::sharedDirector()->winSize().height - kSlideAdjust) });
}

void KSTransitionSlideInB::sceneOrder() { inSceneOnTop_ = true; }

void KSTransitionSlideInB::initScenes()
{
    inScene_->setPosition({ 0, -(KSDirector::sharedDirector()->winSize().height - kSlideAdjust) });
}

Ref<KSActionInterval> KSTransitionSlideInB::action()
{
    return KSMoveBy::actionWithDuration(duration_, { 0, KSDirector::sharedDirector()->winSize().height - kSlideAdjust });
}

// Shrink-grow ------------------------------------------------------------------------------

void KSTransitionShrinkGrow::onEnter()
{
    KSTransitionScene::onEnter();
    if (!isRunning())
        return; // the incoming scene ended the director as it entered
    inScene_->setScale(0.001f);
    inScene_->setAnchorPoint({ 2 / 3.0f, 0.5f });
    if (outScene_) {
        outScene_->setScale(1.0f);
        outScene_->setAnchorPoint({ 1 / 3.0f, 0.5f });
    }
    auto scaleOut = KSScaleTo::actionWithDuration(duration_, 0.01f);
    auto scaleIn = KSScaleTo::actionWithDuration(duration_, 1.0f);
    auto inEased = easeActionWithAction(scaleIn.get());
    auto outEased = easeActionWithAction(scaleOut.get());
    runOnInScene(inEased.get());
    runOnOutScene(seq({ outEased.get(), callFinish().get() }).get(), true);
}

Ref<KSActionInterval> KSTransitionShrinkGrow::easeActionWithAction(KSActionInterval* action) { return easeOut(action); }

// Flips --------------------------------------------------------------------------------------

void KSTransitionSceneOriented::runFlip(bool positive, float inAngleX, float outAngleX, bool zoom)
{
    // The in-scene starts a quarter turn away and both turn the same way.
    const float angleZ = positive ? 270 : 90;
    const float deltaZ = positive ? 90 : -90;
    const ksTime d = duration_;
    inScene_->setVisible(false);
    auto inOrbit = KSOrbitCamera::actionWithDuration(d / 2, 1, 0, angleZ, deltaZ, inAngleX, 0);
    auto outOrbit = KSOrbitCamera::actionWithDuration(d / 2, 1, 0, 0, deltaZ, outAngleX, 0);
    auto waitIn = delay(d / 2);
    auto waitOut = delay(d / 2);
    auto show = KSShow::action();
    auto hide = KSHide::action();
    auto done = callFinish();
    Ref<KSFiniteTimeAction> inAction, outAction;
    if (zoom) {
        auto grow = KSScaleTo::actionWithDuration(d / 2, 1.0f);
        auto shrink = KSScaleTo::actionWithDuration(d / 2, 0.5f);
        auto inTurn = spawn({ inOrbit.get(), grow.get(), show.get() });
        auto outTurn = spawn({ outOrbit.get(), shrink.get() });
        inAction = seq({ waitIn.get(), inTurn.get(), done.get() });
        outAction = seq({ outTurn.get(), hide.get(), waitOut.get() });
        inScene_->setScale(0.5f);
    } else {
        inAction = seq({ waitIn.get(), show.get(), inOrbit.get(), done.get() });
        outAction = seq({ outOrbit.get(), hide.get(), waitOut.get() });
    }
    runOnInScene(inAction.get());
    runOnOutScene(outAction.get(), false);
}

#define KS_FLIP_ON_ENTER(Name, positiveWhen, inX, outX, zoom)                                            \
    void Name::onEnter()                                                                                 \
    {                                                                                                    \
        KSTransitionSceneOriented::onEnter();                                                            \
        if (!isRunning())                                                                                \
            return;                                                                                      \
        runFlip(orientation_ == (positiveWhen), inX, outX, zoom);                                        \
    }

KS_FLIP_ON_ENTER(KSTransitionFlipX, 1, 0, 0, false)
KS_FLIP_ON_ENTER(KSTransitionFlipY, 0, 90, 90, false)
KS_FLIP_ON_ENTER(KSTransitionFlipAngular, 1, -45, 45, false)
KS_FLIP_ON_ENTER(KSTransitionZoomFlipX, 1, 0, 0, true)
KS_FLIP_ON_ENTER(KSTransitionZoomFlipY, 0, 90, 90, true)
KS_FLIP_ON_ENTER(KSTransitionZoomFlipAngular, 1, -45, 45, true)

#undef KS_FLIP_ON_ENTER

} // namespace kestrel
