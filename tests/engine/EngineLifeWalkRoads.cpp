// The roads of the engine's walk (EngineLifeWalk.h): scene changes with and
// without every kind of transition, several in one frame, transitions
// pushed and popped mid-way, covered by another scene and uncovered, or
// cancelled by the scene they leave, changes asked for from inside the
// scenes' own callbacks (during a hand-over too), actions of every family
// started, reversed, stopped and replaced, pause screens that run themselves
// pushed and popped, and frames drawn between. The roads of nodes and
// textures are in EngineLifeWalkNodes.cpp.
#include "EngineLifeWalk.h"

#include "engine/KSActionCamera.h"
#include "engine/KSActionEase.h"
#include "engine/KSActionGrid.h"
#include "engine/KSActionGrid3D.h"
#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSActionTiledGrid.h"
#include "engine/KSDirector.h"
#include "engine/KSTextureCache.h"
#include "engine/KSTransition.h"
#include "engine/KSTransitionFade.h"
#include "engine/KSTransitionPageTurn.h"
#include "engine/KSTransitionRadial.h"
#include "engine/KSTransitionTiles.h"
#include "platform/foundation/Format.h"
#include "platform/graphics/Image.h"

using namespace kestrel;

namespace engine_walk {

namespace {

const char* placeName(Inside where)
{
    static const char* places[] = { "onEnter", "onEnterTransitionDidFinish", "onExit", "cleanup", "a timer",
                                    "an action's callback", "a visit" };
    return places[static_cast<int>(where)];
}

} // namespace

const char* EngineLifeWalk::askName(Ask ask)
{
    static const char* asks[] = { "replace", "replace through a transition", "push", "push through a transition",
                                  "pop", "end", "stop" };
    return asks[static_cast<int>(ask)];
}

const std::vector<EngineLifeWalk::Road>& EngineLifeWalk::roads()
{
    static const std::vector<Road> table = {
        { "replace", 6, &EngineLifeWalk::replacePlain },
        { "replace through a transition", 8, &EngineLifeWalk::replaceWithTransition },
        { "push", 4, &EngineLifeWalk::pushPlain },
        { "push through a transition", 4, &EngineLifeWalk::pushWithTransition },
        { "pop", 6, &EngineLifeWalk::pop },
        { "end", 1, &EngineLifeWalk::endTheDirector },
        { "two changes in one frame", 5, &EngineLifeWalk::twoRequestsInOneFrame },
        { "a transition replaced mid-way", 3, &EngineLifeWalk::replaceTransitionMidWay },
        { "a transition replaced as it finishes", 3, &EngineLifeWalk::replaceTransitionAsItFinishes },
        { "a transition pushed and popped mid-way", 3, &EngineLifeWalk::transitionPushedAndPopped },
        { "a transition covered and uncovered", 3, &EngineLifeWalk::transitionCoveredAndUncovered },
        { "a transition cancelled by the scene it leaves", 3, &EngineLifeWalk::transitionCancelledByItsScene },
        { "a change asked during a hand-over", 4, &EngineLifeWalk::askDuringAHandOver },
        { "a change asked from inside a callback", 10, &EngineLifeWalk::armARequestInside },
        { "pops asked from inside the scenes' own calls", 4, &EngineLifeWalk::popsFromInside },
        { "an action", 8, &EngineLifeWalk::startAnAction },
        { "a reversed action", 5, &EngineLifeWalk::startAReversedAction },
        { "actions stopped", 3, &EngineLifeWalk::stopActions },
        { "an action replaced", 3, &EngineLifeWalk::replaceAnAction },
        { "nodes added, moved and removed", 16, &EngineLifeWalk::changeNodes },
        { "an action whose result is checked", 6, &EngineLifeWalk::checkedAction },
        { "an action and its reverse, valued", 6, &EngineLifeWalk::valuedAction },
        { "a render texture captures", 3, &EngineLifeWalk::renderTextures },
        { "tiles edited", 2, &EngineLifeWalk::editTiles },
        { "a label's text changed", 2, &EngineLifeWalk::changeLabels },
        { "particles emitted", 1, &EngineLifeWalk::emitParticles },
        { "a level built from a sheet", 2, &EngineLifeWalk::levelFromASheet },
        { "the game paused", 2, &EngineLifeWalk::pauseTheGame },
        { "a pause screen that runs itself", 4, &EngineLifeWalk::pauseScreen },
        { "a load that fails", 1, &EngineLifeWalk::loadThatFails },
        { "a texture loaded in the background", 4, &EngineLifeWalk::loadATexture },
        { "a load whose scene goes first", 4, &EngineLifeWalk::loadAndLeave },
        { "a texture loaded both ways at once", 3, &EngineLifeWalk::loadBothWays },
        { "texture cache purged", 3, &EngineLifeWalk::purgeTextures },
        { "memory warning", 2, &EngineLifeWalk::memoryWarning },
        { "frames", 6, &EngineLifeWalk::drawFrames },
    };
    return table;
}

// ---- Requests

Ref<WalkScene> EngineLifeWalk::newScene()
{
    Ref<WalkScene> scene = WalkScene::make(this, ++nextId);
    populate(scene.get());
    // A pause screen (a third of the scenes, and every one the pause road
    // shows) runs itself: its own timer or update, an action calling it back.
    if (std::exchange(pauseScreenNext, false) || draw(3) == 0) {
        static const double intervals[] = { 0.05, 0.1, 0.25 };
        const size_t i = draw(std::size(intervals) + 1);
        const bool perFrame = i == std::size(intervals);
        scene->runItself(perFrame ? 0 : intervals[i], perFrame);
        note(perFrame ? platform::format("    scene %d updates itself every frame", scene->id)
                      : platform::format("    scene %d runs a timer of %.2f s on itself", scene->id, intervals[i]));
    }
    return scene;
}

WalkScene* EngineLifeWalk::onShow() const { return stack.empty() ? nullptr : stack.back().get(); }

Ref<KSScene> EngineLifeWalk::transitionTo(WalkScene* scene)
{
    using Make = Ref<KSScene> (*)(ksTime, KSScene*);
    static const Make makers[] = {
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionFlipX::transitionWithDuration(t, s, 0); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionZoomFlipAngular::transitionWithDuration(t, s, 1); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionRotoZoom::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionJumpZoom::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionMoveInL::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionSlideInB::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionShrinkGrow::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionFade::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionCrossFade::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionRadialCCW::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionPageTurn::transitionWithDuration(t, s, true); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionTurnOffTiles::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionSplitCols::transitionWithDuration(t, s); },
        [](ksTime t, KSScene* s) -> Ref<KSScene> { return KSTransitionFadeUp::transitionWithDuration(t, s); },
    };
    const size_t kind = draw(std::size(makers));
    const ksTime duration = 0.05f + 0.05f * static_cast<float>(draw(4));
    note(platform::format("    transition %zu of %.2f s to scene %d", kind, duration, scene->id));
    Ref<KSScene> transition = makers[kind](duration, scene);
    transitions.emplace_back(transition.get());
    return transition;
}

void EngineLifeWalk::request(Ask ask, const std::string& why)
{
    // A change asked while the director ends (or after) is not the game's to ask.
    if (ended)
        return;
    Ref<WalkScene> scene;
    if (ask != Ask::Pop && ask != Ask::End && ask != Ask::Stop) {
        scene = newScene();
        const bool through = ask == Ask::ReplaceTransition || ask == Ask::PushTransition;
        const bool replacing = ask == Ask::Replace || ask == Ask::ReplaceTransition;
        note(platform::format("    %s: %s scene %d%s", why.c_str(), replacing ? "replace with" : "push",
                              scene->id, through ? " through a transition" : ""));
        Ref<KSScene> shown = through ? transitionTo(scene.get()) : Ref<KSScene>(scene.get());
        if (replacing) {
            stack.back() = scene;
            director_->replaceScene(shown.get());
        } else {
            stack.push_back(scene);
            director_->pushScene(shown.get());
        }
        return;
    }
    if (ask == Ask::Pop) {
        note("    " + why + ": pop");
        stack.pop_back();
        if (stack.empty()) {
            // The last scene popped ends the director: the walk lets go first.
            detached.clear();
            deliverLoads(false);
            cached.clear();
            paused = false;
        }
        ended = stack.empty();
        director_->popScene();
        return;
    }
    note("    " + why + (ask == Ask::Stop ? ": end, and the director purged" : ": end"));
    // The scene on show leaves with the director: exited and cleaned up.
    // (Not held here: the scenes go before the director's view does.)
    WalkScene* top = onShow();
    const int id = top && top->entered ? top->id : 0;
    const int cleanups = cleanupsOf[id];
    stack.clear();
    // The walk lets go of what it kept before the director goes, as a game
    // does: what it held after would leave GL with the director's view.
    detached.clear();
    deliverLoads(false);
    ended = true;
    paused = false;
    // The director takes the texture cache with it.
    cached.clear();
    director_->end();
    if (ask == Ask::Stop) {
        // The game's own stop: from inside a frame, the director lives to its end.
        KSDirector::purgeSharedDirector();
        director_ = nullptr;
    }
    if (id && cleanupsOf[id] != cleanups + 1)
        fault(platform::format("scene %d, on show when the director ended, was cleaned up %d times", id,
                               cleanupsOf[id] - cleanups));
}

void EngineLifeWalk::replaceWith(WalkScene* scene, const std::string& why)
{
    if (ended)
        return;
    note(platform::format("    %s: replace with scene %d again", why.c_str(), scene->id));
    stack.back() = scene;
    director_->replaceScene(scene);
}

// The scene on show, plain, with nothing else asked for: replaced in this
// step, it is cleaned up once by the time the step settles (when no scene
// asked for a change of its own meanwhile).
void EngineLifeWalk::replacingTheSceneOnShow()
{
    WalkScene* scene = onShow();
    if (scene && !director_->nextScene() && director_->runningScene() == scene)
        mustBeCleanedUp.emplace_back(scene->id, cleanupsOf[scene->id]);
}

WalkScene* EngineLifeWalk::anyStackedScene()
{
    return stack.empty() ? nullptr : stack[draw(stack.size())].get();
}

// ---- Scene roads

void EngineLifeWalk::runAScene()
{
    // The last director's view took its GL objects with it in a game (its own
    // share group; here the test's context keeps the group): the walk checks
    // the textures of the director's last life.
    textureNames.clear();
    // A second run in one process: the director that ended, with a new view,
    // as it was first made; or a new director.
    const bool again = director_ && KSDirector::hasSharedDirector() && draw(2) == 0;
    if (again) {
        note("    the director ended runs again");
        EXPECT_FALSE(director_->isPaused()) << "the director ended paused";
        EXPECT_EQ(director_->animationInterval(), interval) << "the director ended at another interval";
        EXPECT_EQ(director_->notificationNode(), nullptr) << "the director ended with its notification node";
        director_->setOpenGLView(makeView().get());
    } else {
        KSDirector::purgeSharedDirector();
        director_ = directorWithView();
        interval = director_->animationInterval();
    }
    auto scene = newScene();
    note(platform::format("    run scene %d", scene->id));
    stack = { scene };
    ended = false;
    paused = false;
    // Drawn with its own texture: a blue corner.
    Ref<KSSprite> blue = KSSprite::spriteWithFile("blue.png");
    if (!blue) {
        fault("the run's own texture did not load");
        return;
    }
    blue->setPosition({ 300, 460 });
    scene->addChild(blue.get(), 1000);
    Ref<platform::Image> shot;
    director_->openGLView()->setCaptureHook([&](EAGLView& view) { shot = view.readFrame(); });
    director_->runWithScene(scene.get());
    frame();
    if (director_ && director_->openGLView())
        director_->openGLView()->setCaptureHook(nullptr);
    if (!shot)
        return;
    const uint8_t* pixel = shot->rgba().data() + (static_cast<size_t>(20) * shot->width() + 300) * 4;
    if (pixel[0] != 0 || pixel[1] != 0 || pixel[2] != 255)
        fault(platform::format("the run's blue sprite draws (%d, %d, %d)", pixel[0], pixel[1], pixel[2]));
}

void EngineLifeWalk::replacePlain()
{
    replacingTheSceneOnShow();
    request(Ask::Replace, "asked");
}

void EngineLifeWalk::replaceWithTransition()
{
    replacingTheSceneOnShow();
    request(Ask::ReplaceTransition, "asked");
}
void EngineLifeWalk::pushPlain() { request(Ask::Push, "asked"); }
void EngineLifeWalk::pushWithTransition() { request(Ask::PushTransition, "asked"); }
void EngineLifeWalk::pop() { request(Ask::Pop, "asked"); }
void EngineLifeWalk::endTheDirector() { request(Ask::End, "asked"); }

void EngineLifeWalk::twoRequestsInOneFrame()
{
    static const Ask asks[] = { Ask::Replace, Ask::ReplaceTransition, Ask::Push, Ask::PushTransition, Ask::Pop };
    const Ask first = asks[draw(std::size(asks))];
    const Ask second = draw(20) == 0 ? Ask::End : asks[draw(std::size(asks))];
    request(first, "asked");
    request(second, "in the same frame");
}

void EngineLifeWalk::transitionPushedAndPopped()
{
    // A pause screen's transition, or a quick Back.
    request(Ask::PushTransition, "asked");
    for (size_t i = draw(8); i > 0; --i)
        frame();
    request(Ask::Pop, "before it ends");
}

void EngineLifeWalk::transitionCoveredAndUncovered()
{
    request(draw(2) ? Ask::ReplaceTransition : Ask::PushTransition, "asked");
    for (size_t i = draw(6); i > 0; --i)
        frame();
    request(draw(2) ? Ask::Push : Ask::PushTransition, "over it");
    for (size_t i = draw(6); i > 0; --i)
        frame();
    request(Ask::Pop, "back to it");
}

void EngineLifeWalk::transitionCancelledByItsScene()
{
    platform::Weak<WalkScene> before(onShow());
    if (!onShow())
        return;
    request(Ask::ReplaceTransition, "asked");
    for (size_t i = draw(6); i > 0; --i)
        frame();
    // The transition on show, nothing else asked for: its outgoing scene is
    // shown again.
    Ref<WalkScene> out = before.lock();
    if (ended || !out || director_->nextScene())
        return;
    auto* transition = dynamic_cast<KSTransitionScene*>(director_->runningScene());
    if (transition && transition->outScene() == out.get() && transition->inScene() == onShow())
        replaceWith(out.get(), "while it runs");
}

void EngineLifeWalk::askDuringAHandOver()
{
    Ref<WalkScene> out(onShow());
    if (!out)
        return;
    request(draw(3) ? Ask::ReplaceTransition : Ask::PushTransition, "asked");
    WalkScene* in = onShow();
    // From the outgoing scene as it leaves, or the incoming one as it is
    // told the transition finished, or a game timer in the hand-over's frames.
    static const Ask asks[] = { Ask::End, Ask::Stop, Ask::Pop, Ask::Replace, Ask::ReplaceTransition, Ask::Push };
    const Ask ask = asks[draw(std::size(asks))];
    WalkScene* scene = nullptr;
    Inside where = Inside::Exit;
    switch (draw(4)) {
    case 0: scene = out.get(); where = Inside::Exit; break;
    case 1: scene = out.get(); where = Inside::Cleanup; break;
    case 2: scene = in; where = Inside::Finish; break;
    default: scene = in; where = Inside::Timer; break;
    }
    const std::string why = platform::format("scene %d's %s", scene->id, placeName(where));
    note(platform::format("    armed: %s asks %s", why.c_str(), askName(ask)));
    scene->armed[static_cast<int>(where)] = [this, ask, why] { request(ask, why); };
}

// Pops (and now and then another change) armed in the onExit, onEnter and
// onEnterTransitionDidFinish of scenes on the stack, on show or under it,
// then pushes, replaces and pops, plain or through transitions, in one frame
// or a few: whatever the scenes ask as they come and go, the scene on show
// stays a running scene on the stack.
void EngineLifeWalk::popsFromInside()
{
    static const Inside places[] = { Inside::Exit, Inside::Enter, Inside::Finish };
    for (size_t n = 1 + draw(3); n > 0; --n) {
        WalkScene* scene = anyStackedScene();
        if (!scene)
            return;
        const Inside where = places[draw(std::size(places))];
        const Ask ask = draw(3) ? Ask::Pop : static_cast<Ask>(draw(4));
        const std::string why = platform::format("scene %d's %s", scene->id, placeName(where));
        note(platform::format("    armed: %s asks %s", why.c_str(), askName(ask)));
        scene->armed[static_cast<int>(where)] = [this, ask, why] { request(ask, why); };
    }
    static const Ask mix[] = { Ask::ReplaceTransition, Ask::PushTransition, Ask::Pop, Ask::Replace, Ask::Push };
    for (size_t n = 1 + draw(3); n > 0 && !ended; --n) {
        request(mix[draw(std::size(mix))], "asked");
        for (size_t i = draw(3); i > 0 && !ended; --i)
            frame();
    }
}

void EngineLifeWalk::replaceTransitionMidWay()
{
    // Replaced mid-way, the transition cleans up the scene it left from.
    replacingTheSceneOnShow();
    request(Ask::ReplaceTransition, "asked");
    for (size_t i = draw(6); i > 0; --i)
        frame();
    request(draw(2) ? Ask::Replace : Ask::ReplaceTransition, "while it runs");
}

void EngineLifeWalk::replaceTransitionAsItFinishes()
{
    if (ended)
        return;
    request(Ask::ReplaceTransition, "asked");
    auto* transition = dynamic_cast<KSTransitionScene*>(director_->nextScene());
    if (!transition)
        return;
    // In the frame it finishes, from an action of the game's on the
    // incoming scene (which runs while the transition does).
    WalkScene* in = onShow();
    platform::Weak<KSTransitionScene> weak(transition);
    const Ask then = draw(3) == 0 ? Ask::Push : Ask::Replace;
    auto finishing = KSCallBlock::actionWithBlock([this, weak, then] {
        if (auto t = weak.lock()) {
            t->finish();
            request(then, "in the frame it finished");
        }
    });
    auto wait = KSDelayTime::actionWithDuration(transition->duration() * 0.5f);
    in->body->runAction(KSSequence::actions({ wait.get(), finishing.get() }).get());
}

void EngineLifeWalk::armARequestInside()
{
    // The scene on show or the one asked for last, from any of its callbacks.
    WalkScene* scene = onShow();
    if (!scene)
        return;
    const auto where = static_cast<Inside>(draw(static_cast<size_t>(Inside::Count)));
    const Ask ask = static_cast<Ask>(draw(7));
    const std::string why = platform::format("scene %d's %s", scene->id, placeName(where));
    note(platform::format("    armed: %s asks %s", why.c_str(), askName(ask)));
    scene->armed[static_cast<int>(where)] = [this, ask, why] { request(ask, why); };
    if (where == Inside::Action && scene->body) {
        auto wait = KSDelayTime::actionWithDuration(0.01f * static_cast<float>(draw(10)));
        platform::Weak<WalkScene> weak(scene);
        auto call = KSCallBlock::actionWithBlock([weak] {
            if (auto s = weak.lock())
                s->fire(Inside::Action);
        });
        scene->body->runAction(KSSequence::actions({ wait.get(), call.get() }).get());
    }
    // Entered already: the change comes the next time (after a pop back).
}

// ---- Actions

Ref<KSAction> EngineLifeWalk::anyAction(bool reversed)
{
    const ksTime d = 0.02f + 0.04f * static_cast<float>(draw(5));
    const ksGridSize grid { 4, 4 };
    Ref<KSActionInterval> a;
    switch (draw(reversed ? 18 : 22)) {
    case 0: a = KSMoveBy::actionWithDuration(d, { 10, -5 }); break;
    case 1: a = KSJumpBy::actionWithDuration(d, { 20, 0 }, 10, 2); break;
    case 2: a = KSBezierBy::actionWithDuration(d, { { 10, 10 }, { 5, 0 }, { 0, 5 } }); break;
    case 3: a = KSScaleBy::actionWithDuration(d, 1.5f); break;
    case 4: a = KSRotateBy::actionWithDuration(d, 90); break;
    case 5: a = KSBlink::actionWithDuration(d, 3); break;
    case 6: a = KSEaseElasticOut::actionWithAction(KSMoveBy::actionWithDuration(d, { 4, 4 }).get()); break;
    case 7: a = KSEaseBounceInOut::actionWithAction(KSScaleBy::actionWithDuration(d, 0.5f).get()); break;
    case 8: a = KSEaseIn::actionWithAction(KSRotateBy::actionWithDuration(d, 45).get(), 2); break;
    case 9: a = KSWaves3D::actionWithWaves(2, 5, grid, d); break;
    case 10: a = KSRipple3D::actionWithPosition({ 100, 100 }, 50, 2, 5, grid, d); break;
    case 11: a = KSShakyTiles3D::actionWithRange(2, false, grid, d); break;
    case 12: a = KSTurnOffTiles::actionWithSeed(7, grid, d); break;
    case 13: a = KSAccelDeccelAmplitude::actionWithAction(KSWaves3D::actionWithWaves(1, 4, grid, d).get(), d); break;
    case 14: a = KSAccelAmplitude::actionWithAction(KSLiquid::actionWithWaves(1, 4, grid, d).get(), d); break;
    case 15: a = KSDeccelAmplitude::actionWithAction(KSJumpTiles3D::actionWithJumps(1, 4, grid, d).get(), d); break;
    case 16: {
        auto one = KSMoveBy::actionWithDuration(d, { 3, 3 });
        auto two = KSRotateBy::actionWithDuration(d, 10);
        a = platform::dynamicRef<KSActionInterval>(KSSpawn::actions({ one.get(), two.get() }));
        break;
    }
    case 17: {
        auto one = KSScaleBy::actionWithDuration(d, 2);
        auto two = KSDelayTime::actionWithDuration(d);
        a = platform::dynamicRef<KSActionInterval>(KSSequence::actions({ one.get(), two.get() }));
        break;
    }
    // No reverse for these.
    case 18: a = KSOrbitCamera::actionWithDuration(d, 1, 0, 0, 90, 0, 0); break;
    case 19: a = KSMoveTo::actionWithDuration(d, { 30, 30 }); break;
    case 20: a = KSTwirl::actionWithPosition({ 50, 50 }, 1, 2, grid, d); break;
    default: return KSSpeed::actionWithAction(KSRotateBy::actionWithDuration(d, 30).get(), 2);
    }
    if (reversed)
        return platform::dynamicRef<KSAction>(a->reverse());
    if (draw(4) == 0)
        return KSRepeat::actionWithAction(a.get(), 2);
    return a;
}

void EngineLifeWalk::startAnAction()
{
    if (WalkScene* scene = onShow(); scene && scene->body)
        scene->body->runAction(anyAction(false).get());
}

void EngineLifeWalk::startAReversedAction()
{
    if (WalkScene* scene = onShow(); scene && scene->body)
        scene->body->runAction(anyAction(true).get());
}

void EngineLifeWalk::stopActions()
{
    if (WalkScene* scene = onShow(); scene && scene->body)
        scene->body->stopAllActions();
}

void EngineLifeWalk::replaceAnAction()
{
    // Held weakly: a change asked from inside the frame may take it off the
    // stack, or end the director (the walk holds nothing past the end).
    platform::Weak<WalkScene> weak(onShow());
    Ref<WalkScene> scene = weak.lock();
    if (!scene || !scene->body)
        return;
    auto first = anyAction(false);
    scene->body->runAction(first.get());
    scene = nullptr;
    frame();
    scene = weak.lock();
    if (!scene || ended)
        return;
    scene->body->stopAction(first.get());
    scene->body->runAction(anyAction(draw(2) == 0).get());
}

// A pause screen that runs itself, pushed with or without a transition over
// the scene on show, the game paused under it some of the time, then popped
// or left for another level (replaced); several in a row. Once the game and
// the director let go of it, it goes, its own timers and actions with it.
void EngineLifeWalk::pauseScreen()
{
    for (size_t n = 1 + draw(3); n > 0 && !ended; --n) {
        pauseScreenNext = true;
        request(draw(3) ? Ask::Push : Ask::PushTransition, "a pause screen");
        pauseScreenNext = false;
        for (size_t i = 1 + draw(6); i > 0 && !ended; --i)
            frame();
        if (!ended && draw(3) == 0)
            pauseTheGame();
        if (!ended)
            request(draw(4) ? Ask::Pop : Ask::Replace, "off the pause screen");
        frame();
    }
}

void EngineLifeWalk::drawFrames()
{
    for (size_t i = 1 + draw(8); i > 0; --i)
        frame();
}

} // namespace engine_walk
