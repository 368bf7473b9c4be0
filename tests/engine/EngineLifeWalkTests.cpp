// The engine's life at random: a seeded walk under the director on the test's
// clock that draws each step from a table (EngineLifeWalkRoads.cpp and
// EngineLifeWalkNodes.cpp) — scene changes with and without transitions,
// transitions pushed over, popped and cancelled, several changes in one
// frame, changes asked from inside the scenes' callbacks, actions, nodes
// added and removed, background and synchronous loads, purges, pause screens
// that run themselves (their own timer or update, an action calling them
// back) — and checks, after every step and at the end, from its own record of
// what it asked and its own clock:
//   - every scene is entered before it exits, exits before it is entered
//     again, hears onEnterTransitionDidFinish at most once per entry, is
//     cleaned up at most once (once when it left by a replace or by end) and
//     is drawn or called no more after that;
//   - the scene on show is a running scene on top of the director's stack
//     (or the change pending is for the top);
//   - values against the walk's own model (EngineLifeWalkValues.cpp):
//     actions and their reverses, node transforms and batch quads, frames
//     on the view's framebuffer, render-texture captures and read-backs,
//     tile edits, label sizes and particle counts;
//   - once the transitions have ended: the scene on show is the one last
//     asked for and no other is entered; every scene on the stack is
//     visible and at rest (position, scale, rotation and anchor as made, no
//     camera or grid left on); touches are on; no transition lives on;
//   - no timer or action runs on a node (or scene) that is not running or was
//     cleaned up, no timer on a node after it took its timers off, no timer
//     sooner than its interval on the walk's clock, and a cleanup reaches
//     every watched child; a repeat's laps each finish (where they move a
//     node, it ends where all the laps took it);
//   - once settled, every scene the game and the director let go of is
//     gone, whatever ran on it; every 100 steps and at the end, GL holds no
//     more texture, framebuffer or renderbuffer names than when the walk
//     began, beyond those the engine's live objects hold;
//   - every background load of a file that exists calls back once, on the
//     main thread, with a texture; the scenes waiting for them die on the
//     main thread; a texture a live scene holds stays the cache's for its
//     name when unused textures are removed;
//   - no exception leaves the director's frame; and at the end, with the
//     director gone, no scene and no texture (in GL too) is left.
//
// A seed replays step for step (the loads' order is waited for, not timed).
// The seed is TEST_SEED (1 by default) plus the instance's number; the length
// is BRISKO_WALK_STEPS (CI's default in tests/CMakeLists.txt). A failure, or
// a crash, names its seed and prints the steps before it;
// BRISKO_WALK_TRACE=1 prints every step as it is taken.
#include "EngineLifeWalk.h"

#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSCamera.h"
#include "engine/KSDirector.h"
#include "engine/KSGrid.h"
#include "engine/KSParticleSystemQuad.h"
#include "engine/KSSpriteFrameCache.h"
#include "engine/KSTMXLayer.h"
#include "engine/KSTextureCache.h"
#include "engine/KSTransition.h"
#include "engine/platform/KSTouchDispatcher.h"
#include "engine/platform/KSTouchHandler.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLObjectName.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

// The sanitizers' last word: where it exists, the walk prints its steps there.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

using namespace kestrel;

namespace engine_walk {

namespace {

int environmentNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

std::atomic<int> gOffMainCallbacks { 0 };

// The walk under way, for a crash to print its last steps.
const std::deque<std::string>* gTrail = nullptr;
const std::string* gReplay = nullptr;

void writeOut(const char* text, size_t length)
{
    while (length > 0) {
        ssize_t written = ::write(STDERR_FILENO, text, length);
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

void printTrail()
{
    if (!gTrail)
        return;
    static const char header[] = "\nthe engine walk crashed; its last steps:\n";
    writeOut(header, sizeof header - 1);
    for (const std::string& line : *gTrail) {
        writeOut("  ", 2);
        writeOut(line.data(), line.size());
        writeOut("\n", 1);
    }
    static const char replay[] = "replay: ";
    writeOut(replay, sizeof replay - 1);
    writeOut(gReplay->data(), gReplay->size());
    writeOut("\n", 1);
}

void crashed(int signal)
{
    printTrail();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Prints the trail if the walk dies: through the sanitizers where they run
// (they report the fault first), through the fatal signals elsewhere.
class CrashReport {
public:
    CrashReport(const std::deque<std::string>& trail, const std::string& replay)
    {
        gTrail = &trail;
        gReplay = &replay;
        if (__sanitizer_set_death_callback) {
            __sanitizer_set_death_callback(printTrail);
            return;
        }
        for (int s : kSignals)
            previous_[index(s)] = std::signal(s, crashed);
    }
    ~CrashReport()
    {
        if (__sanitizer_set_death_callback)
            __sanitizer_set_death_callback(nullptr);
        else
            for (int s : kSignals)
                std::signal(s, previous_[index(s)]);
        gTrail = nullptr;
        gReplay = nullptr;
    }
    CrashReport(const CrashReport&) = delete;
    CrashReport& operator=(const CrashReport&) = delete;

private:
    static constexpr int kSignals[] = { SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT };
    static size_t index(int s) { return static_cast<size_t>(std::find(std::begin(kSignals), std::end(kSignals), s) - std::begin(kSignals)); }
    void (*previous_[std::size(kSignals)])(int) {};
};

} // namespace

// ---- The scenes

Ref<WalkScene> WalkScene::make(EngineLifeWalk* walk, int id)
{
    auto scene = platform::adoptRef(new WalkScene);
    scene->init();
    scene->id = id;
    scene->walk_ = walk;
    auto body = platform::adoptRef(new WalkNode);
    body->init();
    body->watch = { walk, platform::format("scene %d's body", id), platform::Weak<WalkScene>(scene.get()) };
    body->watch.timer = true;
    body->watch.scheduledAt = walk->now();
    body->setContentSize({ 100, 100 });
    body->schedule(BRISKO_SELECTOR(WalkNode, tick));
    scene->body = body.get();
    scene->addChild(body.get());
    scene->self = { walk, platform::format("scene %d itself", id), platform::Weak<WalkScene>(scene.get()) };
    walk->scenes.emplace(id, platform::Weak<WalkScene>(scene.get()));
    return scene;
}

void WalkScene::runItself(double interval, bool perFrame)
{
    self.timer = true;
    self.interval = perFrame ? 0 : interval;
    self.scheduledAt = walk_->now();
    if (perFrame)
        scheduleUpdate();
    else
        schedule(BRISKO_SELECTOR(WalkScene, tick), static_cast<ksTime>(interval));
    // Calls back to the scene: the action holds it as its manager does.
    auto wait = KSDelayTime::actionWithDuration(0.05f);
    auto call = KSCallFunc::actionWithTarget(this, BRISKO_SELECTOR(WalkScene, calledBack));
    runAction(KSRepeatForever::actionWithAction(
                  platform::dynamicRef<KSActionInterval>(KSSequence::actions({ wait.get(), call.get() })).get())
                  .get());
}

void WalkScene::tick(ksTime)
{
    if (cleaned || !isRunning())
        walk_->fault(platform::format("a timer ran on scene %d while %s", id, cleaned ? "cleaned up" : "not running"));
    timerTicked(this, self);
}

void WalkScene::calledBack()
{
    if (cleaned || !isRunning())
        walk_->fault(platform::format("scene %d's own action called it back while %s", id,
                                      cleaned ? "cleaned up" : "not running"));
}

WalkScene::~WalkScene() { walk_->sceneDestroyed(*this, platform::RunLoop::isMainThread()); }

void WalkScene::onEnter()
{
    if (cleaned || entered)
        walk_->fault(platform::format("scene %d entered %s", id, cleaned ? "after its cleanup" : "twice"));
    entered = true;
    toldFinished = cleanupsThisEntry = 0;
    self.runningSince = walk_->now();
    walk_->noteCall(id, "onEnter");
    const bool first = !std::exchange(everEntered, true);
    KSScene::onEnter();
    if (first) {
        // A pause screen's nodes: a spinner, a node updated every frame and
        // particles, all gone with the scene once nobody holds it.
        auto spinner = KSNode::node();
        addChild(spinner.get());
        spinner->runAction(KSRepeatForever::actionWithAction(KSRotateBy::actionWithDuration(1, 360).get()).get());
        auto ticker = KSNode::node();
        addChild(ticker.get());
        ticker->scheduleUpdate();
        auto particles = KSParticleSystemQuad::particleWithTotalParticles(5);
        if (particles)
            addChild(particles.get());
        auto& nodes = walk_->nodesOf[id];
        for (KSNode* node : { spinner.get(), ticker.get(), static_cast<KSNode*>(particles.get()) })
            if (node)
                nodes.emplace_back(node);
    }
    fire(Inside::Enter);
}

void WalkScene::onEnterTransitionDidFinish()
{
    if (cleaned || !entered)
        walk_->fault(platform::format("scene %d told its transition finished while %s", id,
                                      cleaned ? "cleaned up" : "not entered"));
    walk_->noteCall(id, "onEnterTransitionDidFinish");
    if (++toldFinished > 1)
        walk_->fault(platform::format("scene %d told its transition finished twice in one entry", id));
    KSScene::onEnterTransitionDidFinish();
    fire(Inside::Finish);
}

void WalkScene::onExit()
{
    if (cleaned || !entered)
        walk_->fault(platform::format("scene %d exited while %s", id, cleaned ? "cleaned up" : "not entered"));
    entered = false;
    walk_->noteCall(id, "onExit");
    fire(Inside::Exit);
    KSScene::onExit();
}

void WalkScene::cleanup()
{
    if (cleaned || entered)
        walk_->fault(platform::format("scene %d cleaned up %s", id, cleaned ? "twice" : "while entered"));
    cleaned = self.cleaned = true;
    walk_->noteCall(id, "cleanup");
    ++cleanups;
    ++walk_->cleanupsOf[id];
    ++cleanupsThisEntry;
    fire(Inside::Cleanup);
    KSScene::cleanup();
    forEachWatched(this, [this](KSNode*, Watch& watch) {
        if (!watch.cleaned)
            walk_->fault(platform::format("scene %d was cleaned up but not %s", id, watch.label.c_str()));
    });
}

void WalkScene::visit()
{
    if (cleaned || !entered)
        walk_->fault(platform::format("scene %d drawn %s", id, cleaned ? "after its cleanup" : "while not entered"));
    Ref<WalkScene> keep(this);
    fire(Inside::Visit);
    KSScene::visit();
}

void WalkScene::loaded(const std::string& name, KSTexture2D* texture, bool fails)
{
    if (!platform::RunLoop::isMainThread()) {
        ++gOffMainCallbacks;
        return;
    }
    ++loadsHeard;
    ++walk_->loadsHeard;
    if (loadsHeard > loadsAsked)
        walk_->fault(platform::format("scene %d heard %d loads of %d asked", id, loadsHeard, loadsAsked));
    if (fails) {
        if (texture)
            walk_->fault(platform::format("scene %d's load of %s, which cannot load, gave a texture", id, name.c_str()));
        walk_->note(platform::format("    scene %d's load of %s failed", id, name.c_str()));
        return;
    }
    if (!texture) {
        walk_->fault(platform::format("scene %d's load of %s, a file that exists, gave no texture", id, name.c_str()));
        return;
    }
    textures.emplace_back(texture);
    // One loaded before the cache was last emptied is no longer the cache's.
    if (KSTextureCache::sharedTextureCache()->textureForKey(name) == texture)
        walk_->cached[name] = platform::Weak<KSTexture2D>(texture);
    // One that comes after the director ended, with no view, may die
    // where no context is current: GL keeps it (the engine cannot help it).
    if (platform::GLContext::current())
        walk_->textureNames.push_back(texture->name());
    walk_->note(platform::format("    scene %d got %s as texture %u", id, name.c_str(), texture->name()));
}

void WalkScene::fire(Inside where)
{
    if (auto request = std::exchange(armed[static_cast<int>(where)], nullptr)) {
        ++walk_->firedThisStep;
        request();
    }
}

// ---- The watched nodes

template <class Base>
void Watched<Base>::touched(const char* what)
{
    if (!watch.walk || watch.walk->building)
        return;
    if (watch.cleaned)
        watch.walk->fault(platform::format("%s ran on %s after its cleanup", what, watch.label.c_str()));
    else if (!this->isRunning())
        watch.walk->fault(platform::format("%s ran on %s while it was not running", what, watch.label.c_str()));
}

void timerTicked(KSNode* node, Watch& watch)
{
    if (watch.walk) {
        // The walk's clock, not the time the timer says passed: a timer that
        // counts wrong hands its node a wrong time too.
        const double now = watch.walk->now(), since = watch.ticks ? watch.lastTick : watch.scheduledAt;
        if (watch.interval > 0 && now - since < watch.interval - 1e-3)
            watch.walk->fault(platform::format("%s's timer of %.2f s ticked %.3f s after it %s", watch.label.c_str(),
                                               watch.interval, now - since, watch.ticks ? "last ticked" : "was scheduled"));
        ++watch.ticks;
        watch.lastTick = now;
    }
    if (watch.unscheduled)
        watch.walk->fault("a timer ran on " + watch.label + " after it took its timers off");
    Ref<KSNode> keep(node);
    if (auto scene = watch.scene.lock())
        scene->fire(Inside::Timer);
    if (std::exchange(watch.unscheduleItselfNext, false)) {
        node->unscheduleAllSelectors();
        watch.unscheduled = true;
    }
    if (std::exchange(watch.removeItselfNext, false))
        node->removeFromParentAndCleanup(true);
}

template <class Base>
void Watched<Base>::tick(ksTime)
{
    touched("a timer");
    timerTicked(this, watch);
}

template <class Base>
void Watched<Base>::setPosition(platform::Point p)
{
    touched("an action");
    Base::setPosition(p);
}

template <class Base>
void Watched<Base>::setRotation(float degrees)
{
    touched("an action");
    Base::setRotation(degrees);
}

template <class Base>
void Watched<Base>::setScale(float s)
{
    touched("an action");
    Base::setScale(s);
}

template <class Base>
void Watched<Base>::setVisible(bool visible)
{
    touched("an action");
    Base::setVisible(visible);
}

template <class Base>
void Watched<Base>::onEnter()
{
    if (watch.walk)
        watch.runningSince = watch.walk->now();
    Base::onEnter();
}

template <class Base>
void Watched<Base>::draw()
{
    if (watch.walk)
        watch.drawnAt = watch.walk->frames;
    for (KSNode* node = this; node && watch.walk; node = node->parent())
        if (!node->visible()) {
            watch.walk->fault(watch.label + " was drawn while hidden");
            break;
        }
    Base::draw();
}

template <class Base>
void Watched<Base>::cleanup()
{
    watch.cleaned = true;
    Base::cleanup();
    forEachWatched(this, [this](KSNode* node, Watch& child) {
        if (node != this && !child.cleaned && watch.walk)
            watch.walk->fault(watch.label + " was cleaned up but not " + child.label);
    });
}

template class Watched<KSNode>;
template class Watched<KSSprite>;
template class Watched<KSSpriteBatchNode>;
template class Watched<KSLayer>;

void forEachWatched(KSNode* node, const std::function<void(KSNode*, Watch&)>& visit)
{
    if (auto* watched = dynamic_cast<Watchable*>(node))
        visit(node, watched->watched());
    if (KSArray* children = node->children())
        for (uint32_t i = 0; i < children->count(); ++i)
            forEachWatched(children->objectAtIndexAs<KSNode>(i), visit);
}

// ---- The fixture

namespace {
constexpr int kStepsBetweenNameCounts = 100;
}

void EngineLifeWalk::SetUp()
{
    DirectorTest::SetUp();
    installFPSImages(); // every director the walk makes draws its frame rate
    gOffMainCallbacks = 0;
    gTicketsOffMain = 0;
    for (int i = 0; i < 6; ++i)
        texture_test::writeSolidPNG(dir.file(platform::format("load%d.png", i)), 16 << (i % 3), 16, 0x204060FFu + i);
    texture_test::writeHeroSheet(dir);
    texture_test::writeSolidPNG(dir.file("blue.png"), 8, 8, 0x0000FFFF);
    writeValueFixtures();
}

void EngineLifeWalk::TearDown()
{
    // (After a failure: what the scenes ask as the director goes is not asked.)
    ended = true;
    stack.clear();
    detached.clear();
    arrivals.clear();
    KSTextureCache::setLoadHook(nullptr);
    platform::setLogSink(std::move(previousSink));
    DirectorTest::TearDown();
    KSSpriteFrameCache::purgeSharedSpriteFrameCache();
}

void EngineLifeWalk::sceneDestroyed(const WalkScene& scene, bool onMain)
{
    if (!onMain) {
        ++destroyedOffMain;
        return;
    }
    if (scene.entered)
        destroyedEntered.insert(scene.id);
    if (scene.loadsHeard != scene.loadsAsked)
        fault(platform::format("scene %d died having heard %d of its %d loads", scene.id, scene.loadsHeard,
                               scene.loadsAsked));
}

void EngineLifeWalk::note(const std::string& line)
{
    trail.push_back(line);
    if (trail.size() > 40)
        trail.pop_front();
    if (tracing)
        std::cout << line << std::endl;
}

void EngineLifeWalk::noteCall(int scene, const char* call)
{
    if (tracing)
        note(platform::format("      scene %d: %s", scene, call));
}

void EngineLifeWalk::arrived(int order, std::function<void()> deliver)
{
    ++loadsArrived;
    // Once the director ended, as they come: a game's loads outlive it.
    if (ended) {
        deliver();
        return;
    }
    arrivals.emplace_back(order, std::move(deliver));
}

void EngineLifeWalk::deliverLoads(bool all)
{
    if (all && !loop().runUntil([&] { return loadsArrived >= loadsAsked; }, testing_support::kHungAfterSeconds))
        fault(platform::format("%d of %d loads called back", loadsArrived, loadsAsked));
    auto going = std::move(arrivals);
    arrivals.clear();
    std::stable_sort(going.begin(), going.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [order, deliver] : going) {
        deliver();
        deliver = nullptr;
    }
}

void EngineLifeWalk::frame()
{
    // The loads that called back come in before a frame the seed picks.
    if (!ended && draw(4) == 0)
        deliverLoads(false);
    ++frames;
    try {
        advance(1.0 / 60);
    } catch (const std::exception& e) {
        fault(std::string("an exception left the frame: ") + e.what());
    }
}

// Frames until the transitions the walk started have ended and no change is pending.
void EngineLifeWalk::settle()
{
    for (int i = 0; i < 600; ++i) {
        if (ended)
            return;
        KSScene* running = director_->runningScene();
        if (running && !dynamic_cast<KSTransitionScene*>(running) && !director_->nextScene())
            return;
        frame();
    }
    fault("the transitions never ended");
}

// The director's stack, bottom first: scenes by number, transitions by
// class with their outgoing and incoming scenes.
std::string EngineLifeWalk::describeStack() const
{
    std::function<std::string(KSScene*)> name = [&](KSScene* scene) -> std::string {
        if (!scene)
            return "none";
        if (auto* walkScene = dynamic_cast<WalkScene*>(scene))
            return std::to_string(walkScene->id) + (walkScene->entered ? "" : " (not entered)");
        if (auto* t = dynamic_cast<KSTransitionScene*>(scene))
            return t->className() + "(" + name(t->outScene()) + " -> " + name(t->inScene()) + ")"
                   + (t->isRunning() ? "" : " (not running)");
        return scene->className();
    };
    std::string text;
    for (const auto& scene : director_->scenesStack())
        text += (text.empty() ? "" : ", ") + name(scene.get());
    return text + "; on show: " + name(director_->runningScene());
}

void EngineLifeWalk::waitForLoads()
{
    deliverLoads(true);
    if (!loop().runUntil([&] { return loadsHeard >= loadsAsked; }, testing_support::kHungAfterSeconds))
        fault(platform::format("%d of %d loads called back", loadsHeard, loadsAsked));
}

void EngineLifeWalk::checkStep(bool settled)
{
    for (auto& f : faults)
        ADD_FAILURE() << f;
    faults.clear();
    if (gOffMainCallbacks)
        ADD_FAILURE() << gOffMainCallbacks.load() << " load callbacks came off the main thread";
    if (ended) {
        EXPECT_EQ(director_ ? director_->runningScene() : nullptr, nullptr) << "the director ended with a scene";
        return;
    }
    // The scene on show runs, and (no change pending) it is the top of the
    // director's stack; a change pending is for the top.
    KSScene* running = director_->runningScene();
    const auto& onTheStack = director_->scenesStack();
    KSScene* top = onTheStack.empty() ? nullptr : onTheStack.back().get();
    if (running && !running->isRunning())
        ADD_FAILURE() << "the running scene is not running: " << describeStack();
    if (KSScene* next = director_->nextScene(); next ? next != top : running != top)
        ADD_FAILURE() << "the scene " << (next ? "asked for" : "on show") << " is not the top of the director's stack: "
                      << describeStack();
    checkNodes(settled);
    checkValues();
    if (!settled)
        return;
    checkSettled();
    checkScenesLetGo();
    for (auto [id, before] : mustBeCleanedUp)
        if (!firedThisStep && cleanupsOf[id] != before + 1)
            ADD_FAILURE() << "scene " << id << ", replaced while on show, was cleaned up " << cleanupsOf[id] - before
                          << " times";
}

void EngineLifeWalk::checkSettled()
{
    KSScene* running = director_->runningScene();
    ASSERT_TRUE(running) << "no scene runs";
    WalkScene* top = onShow();
    EXPECT_EQ(running, top) << "the scene on show is not scene " << top->id << ", the one last asked for";
    EXPECT_EQ(director_->scenesStack().size(), stack.size()) << "the director's stack differs from what was asked";
    EXPECT_TRUE(KSTouchDispatcher::sharedDispatcher()->dispatchEvents()) << "touches are off with no transition on show";

    // The scenes a transition on the stack still holds (under a scene pushed
    // over it) are that transition's to let go of.
    const std::set<KSScene*> held = heldByTheStack();
    for (auto& weak : transitions) {
        auto t = weak.lock();
        if (t && !director_->isOnTheStack(t.get()) && !held.count(t.get()))
            ADD_FAILURE() << "a " << t->className() << " lives on after it left the stack";
    }
    std::erase_if(transitions, [](const auto& weak) { return weak.expired(); });

    for (auto& [id, weak] : scenes) {
        auto scene = weak.lock();
        if (!scene)
            continue;
        if (scene.get() != top && scene->entered)
            ADD_FAILURE() << "scene " << id << " is entered but not on show (scene " << top->id << " is)";
        if (scene.get() == top && !scene->entered)
            ADD_FAILURE() << "scene " << id << " is on show but not entered";
    }
    for (const auto& scene : stack) {
        const bool atRest = scene->visible() && scene->position() == platform::Point(0, 0) && scene->scaleX() == 1
                            && scene->scaleY() == 1 && scene->rotation() == 0
                            && scene->anchorPoint() == platform::Point(0.5f, 0.5f) && !scene->camera()->dirty()
                            && !(scene->grid() && scene->grid()->active());
        EXPECT_TRUE(atRest) << "scene " << scene->id << " is not at rest on the stack: visible " << scene->visible()
                            << ", at (" << scene->position().x << ", " << scene->position().y << "), scale "
                            << scene->scaleX() << " x " << scene->scaleY() << ", rotation " << scene->rotation()
                            << ", anchor (" << scene->anchorPoint().x << ", " << scene->anchorPoint().y << "), camera "
                            << (scene->camera()->dirty() ? "moved" : "as made") << ", grid "
                            << (!scene->grid() ? "none" : scene->grid()->active() ? "on" : "off");
    }
}

std::set<KSScene*> EngineLifeWalk::heldByTheStack() const
{
    // (A transition's outgoing scene may be another transition, holding scenes of its own.)
    std::set<KSScene*> held;
    std::function<void(KSScene*)> hold = [&](KSScene* scene) {
        if (auto* t = dynamic_cast<KSTransitionScene*>(scene)) {
            held.insert(t->inScene());
            if (t->outScene() && held.insert(t->outScene()).second)
                hold(t->outScene());
        }
    };
    for (const auto& scene : director_->scenesStack())
        hold(scene.get());
    return held;
}

void EngineLifeWalk::checkScenesLetGo()
{
    // The game's stack, and what the transitions on the director's stack hold.
    std::set<KSScene*> kept = heldByTheStack();
    for (const auto& scene : stack)
        kept.insert(scene.get());
    for (auto& [id, weak] : scenes) {
        auto scene = weak.lock();
        if (scene && !kept.count(scene.get()))
            ADD_FAILURE() << "scene " << id << " lives on after the game and the director let go of it ("
                          << (scene->cleaned ? "cleaned up" : "never cleaned up") << ", "
                          << (scene->self.timer ? "running itself" : "run by its nodes only") << ", "
                          << scene->retainCount() - 1 << " references)";
    }
}

// A texture a live scene holds is the cache's texture for its name, until the
// cache is emptied.
void EngineLifeWalk::checkCachedTextures()
{
    auto* cache = KSTextureCache::sharedTextureCache();
    for (auto& [name, weak] : cached) {
        auto texture = weak.lock();
        if (texture && texture->retainCount() > 1 && cache->textureForKey(name) != texture)
            ADD_FAILURE() << "the cache let go of " << name << " while a scene holds it";
    }
}

void EngineLifeWalk::checkNodes(bool settled)
{
    auto* dispatcher = KSTouchDispatcher::sharedDispatcher();
    auto registered = [dispatcher](KSNode* layer) {
        for (const auto* handlers : { &dispatcher->targetedHandlers(), &dispatcher->standardHandlers() })
            for (const auto& handler : *handlers)
                if (handler->delegate() == static_cast<platform::Object*>(layer))
                    return true;
        return false;
    };
    auto labelOf = [](KSNode* node) {
        auto* watched = dynamic_cast<Watchable*>(node);
        return watched ? watched->watched().label : node->className();
    };
    std::function<size_t(KSNode*)> sprites = [&](KSNode* node) {
        size_t count = 0;
        if (KSArray* children = node->children())
            for (uint32_t i = 0; i < children->count(); ++i)
                count += 1 + sprites(children->objectAtIndexAs<KSNode>(i));
        return count;
    };
    std::function<void(KSNode*, bool)> check = [&](KSNode* node, bool keptOff) {
        if (keptOff && node->isRunning())
            ADD_FAILURE() << labelOf(node) << ", taken off and kept, is running";
        if (auto* layer = dynamic_cast<KSLayer*>(node); layer && dynamic_cast<Watchable*>(node)
            && registered(node) != (layer->isTouchEnabled() && layer->isRunning()))
            ADD_FAILURE() << labelOf(node) << (registered(node) ? " takes touches" : " takes no touches") << " while "
                          << (layer->isRunning() ? "running" : "not running") << " with touches "
                          << (layer->isTouchEnabled() ? "on" : "off");
        // (A tile layer's quads are its cells', a sprite only for those asked for.)
        if (auto* batch = dynamic_cast<KSSpriteBatchNode*>(node); batch && !dynamic_cast<KSTMXLayer*>(node)) {
            const size_t quads = batch->textureAtlas()->totalQuads(), listed = batch->descendants()->count();
            if (quads != listed || listed != sprites(node))
                ADD_FAILURE() << labelOf(node) << " draws " << quads << " quads for " << listed << " descendants listed and "
                              << sprites(node) << " sprites under it";
        }
        KSArray* children = node->children();
        for (uint32_t i = 0; children && i < children->count(); ++i) {
            KSNode* child = children->objectAtIndexAs<KSNode>(i);
            if (i > 0 && child->zOrder() < children->objectAtIndexAs<KSNode>(i - 1)->zOrder())
                ADD_FAILURE() << labelOf(child) << " (z " << child->zOrder() << ") comes after "
                              << labelOf(children->objectAtIndexAs<KSNode>(i - 1)) << " (z "
                              << children->objectAtIndexAs<KSNode>(i - 1)->zOrder() << ") under " << labelOf(node);
            check(child, keptOff);
        }
    };
    for (auto& [id, weak] : scenes)
        if (auto scene = weak.lock())
            check(scene.get(), false);
    for (const auto& node : detached)
        check(node.get(), true);

    // A scene gone takes its nodes along: none waits in the scheduler or
    // the action manager for good.
    for (auto it = nodesOf.begin(); it != nodesOf.end();) {
        if (auto scene = scenes.find(it->first); scene != scenes.end() && !scene->second.expired()) {
            ++it;
            continue;
        }
        for (size_t i = 0; i < it->second.size(); ++i)
            if (!it->second[i].expired())
                ADD_FAILURE() << "node " << i << " of scene " << it->first << " outlived its scene";
        it = nodesOf.erase(it);
    }
    // The scenes gone are the walk's to forget (a long walk makes tens of thousands).
    std::erase_if(scenes, [](const auto& entry) { return entry.second.expired(); });

    // Each timer of the scene on show keeps its interval (a few frames'
    // slack for the frames a scene change skips).
    WalkScene* top = onShow();
    if (!settled || ended || paused || !top)
        return;
    const double time = now();
    forEachWatched(top, [&](KSNode* node, Watch& watch) {
        if (!watch.timer || watch.unscheduled || watch.cleaned || !node->isRunning())
            return;
        const double since = std::max({ watch.lastTick, watch.runningSince, resumedAt });
        if (time - since > watch.interval + 4.5 / 60)
            ADD_FAILURE() << watch.label << "'s timer of " << watch.interval << " s has not ticked for " << time - since
                          << " s (" << watch.ticks << " ticks so far)";
    });
}

EngineLifeWalk::GLNames EngineLifeWalk::namesInGL()
{
    // (With the director's view gone no context is current: the test's own,
    // of the same share group, first deletes the names that waited for one.)
    if (!platform::GLContext::current())
        context()->makeCurrent();
    return testing_support::countLiveGLNames(highestName);
}

EngineLifeWalk::GLNames EngineLifeWalk::namesHeld()
{
    using Kind = platform::GLObjectName::Kind;
    return { KSTexture2D::liveTextureCount(), platform::GLObjectName::liveCount(Kind::Framebuffer),
             platform::GLObjectName::liveCount(Kind::Renderbuffer) };
}

void EngineLifeWalk::checkGLNames()
{
    const GLNames inGL = namesInGL(), held = namesHeld();
    auto check = [](const char* kind, size_t inGL, size_t inGLBefore, size_t held, size_t heldBefore) {
        // (A name of another test's that went meanwhile may make GL hold fewer.)
        const auto grown = static_cast<long>(inGL) - static_cast<long>(inGLBefore);
        const auto owned = static_cast<long>(held) - static_cast<long>(heldBefore);
        EXPECT_LE(grown, owned) << kind << " names left in GL: " << grown << " more than when the walk began, for "
                                << owned << " more held by the engine's objects";
    };
    check("texture", inGL.textures, inGLBefore.textures, held.textures, heldBefore.textures);
    check("framebuffer", inGL.framebuffers, inGLBefore.framebuffers, held.framebuffers, heldBefore.framebuffers);
    check("renderbuffer", inGL.renderbuffers, inGLBefore.renderbuffers, held.renderbuffers, heldBefore.renderbuffers);
}

void EngineLifeWalk::checkAtTheEnd()
{
    note("end: the director ends, every cache goes");
    if (!ended)
        request(Ask::End, "the walk's end");
    frame();
    KSTextureCache::purgeSharedTextureCache();
    loop().runOnce(0);
    stack.clear();
    detached.clear();
    KSDirector::purgeSharedDirector();
    director_ = nullptr;
    checkStep(false);
    for (auto& [id, weak] : scenes)
        if (!weak.expired())
            ADD_FAILURE() << "scene " << id << " outlived the director";
    for (int id : destroyedEntered)
        ADD_FAILURE() << "scene " << id << " died entered: it never exited";
    EXPECT_EQ(destroyedOffMain.load(), 0) << "scenes destroyed off the main thread (their textures stay in GL)";
    EXPECT_EQ(gTicketsOffMain.load(), 0) << "load targets released off the main thread";
    EXPECT_EQ(KSTexture2D::liveTextureCount(), liveTexturesBefore) << "textures outlived their owners";
    using Kind = platform::GLObjectName::Kind;
    EXPECT_EQ(platform::GLObjectName::liveCount(Kind::Framebuffer), heldBefore.framebuffers)
        << "framebuffers outlived their owners";
    EXPECT_EQ(platform::GLObjectName::liveCount(Kind::Renderbuffer), heldBefore.renderbuffers)
        << "renderbuffers outlived their owners";
    checkGLNames();
    context()->makeCurrent();
    int inGL = 0;
    for (GLuint name : textureNames)
        if (glIsTexture(name)) {
            ++inGL;
            if (environmentNumber("BRISKO_WALK_TRACE", 0))
                std::cout << "texture " << name << " left in GL" << std::endl;
        }
    EXPECT_EQ(inGL, 0) << "textures left in GL";
}

void EngineLifeWalk::walk(int seed, int length)
{
    random.seed(static_cast<uint32_t>(seed));
    tracing = environmentNumber("BRISKO_WALK_TRACE", 0) != 0;
    const std::string replay = platform::format("TEST_SEED=%d BRISKO_WALK_STEPS=%d kestrel_tests "
                                                "--gtest_filter='Seeds/EngineLifeWalk.*/0'",
                                                seed, length);
    std::cout << "engine walk seed " << seed << ", " << length << " steps (replay: " << replay << ")" << std::endl;
    CrashReport report(trail, replay);
    int total = 0;
    for (auto& r : roads())
        total += r.weight;
    liveTexturesBefore = KSTexture2D::liveTextureCount();
    inGLBefore = namesInGL();
    heldBefore = namesHeld();
    note("0: run");
    runAScene();
    frame();
    for (int i = 1; i <= length && !HasFailure(); ++i) {
        stepNumber = i;
        const Road* road = &roads().front();
        int chosen = static_cast<int>(draw(static_cast<size_t>(total)));
        for (auto& r : roads())
            if ((chosen -= r.weight) < 0) {
                road = &r;
                break;
            }
        const bool settleNow = draw(3) == 0;
        SCOPED_TRACE(testing::Message() << "engine walk seed " << seed << ", step " << i << " (" << road->name
                                        << "); replay: " << replay);
        firedThisStep = 0;
        mustBeCleanedUp.clear();
        if (ended) {
            note(std::to_string(i) + ": run");
            runAScene();
        } else {
            note(std::to_string(i) + ": " + road->name + (settleNow ? ", then settled" : ""));
            try {
                (this->*road->take)();
            } catch (const std::exception& e) {
                fault(std::string("the step threw: ") + e.what());
            }
        }
        frame();
        // Every so many steps the GL names are counted, the transitions settled first.
        const bool countNames = i % kStepsBetweenNameCounts == 0;
        if (settleNow || countNames)
            settle();
        // The loads come in at a step's end, whatever the threads' speed: a
        // seed replays step for step.
        const int heard = loadsHeard;
        waitForLoads();
        // A scene its load alone still held goes at the next frame: when the
        // step is checked settled, that frame comes first.
        if ((settleNow || countNames) && loadsHeard != heard && !ended) {
            frame();
            settle();
        }
        if (tracing && !ended)
            note("    the director's stack: " + describeStack());
        checkStep(settleNow || countNames);
        if (countNames)
            checkGLNames();
        // The cleanups of the scenes gone are checked: forgotten with them.
        std::erase_if(cleanupsOf, [this](const auto& entry) { return !scenes.count(entry.first); });
    }
    if (!HasFailure()) {
        SCOPED_TRACE(testing::Message() << "engine walk seed " << seed << ", at its end; replay: " << replay);
        checkAtTheEnd();
    }
    if (HasFailure()) {
        std::cout << "the engine walk's last steps (seed " << seed << "):\n";
        for (auto& line : trail)
            std::cout << "  " << line << "\n";
        std::cout << "replay: " << replay << std::endl;
    }
}

// CI's length: tests/CMakeLists.txt sets it per build.
#ifndef BRISKO_WALK_DEFAULT_STEPS
#define BRISKO_WALK_DEFAULT_STEPS 300
#endif

TEST_P(EngineLifeWalk, WalksTheEnginesLifeAtRandomKeepingEveryPromise)
{
    walk(environmentNumber("TEST_SEED", 1) + GetParam(), environmentNumber("BRISKO_WALK_STEPS", BRISKO_WALK_DEFAULT_STEPS));
}

// Three seeds, from TEST_SEED on.
INSTANTIATE_TEST_SUITE_P(Seeds, EngineLifeWalk, testing::Range(0, 3));

} // namespace engine_walk
