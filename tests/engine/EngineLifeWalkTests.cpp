// The engine's life at random: a seeded walk under the director on the test's
// clock that draws each step from a table (EngineLifeWalkRoads.cpp) — scene
// changes with and without transitions, changes asked from inside the
// scenes' callbacks, actions, background loads, purges — and checks, after
// every step and at the end, from its own record of what it asked:
//   - every scene is entered before it exits, exits before it is entered
//     again, is cleaned up at most once (once when it left by a replace or
//     by end) and is called no more after that;
//   - the running scene is running; once the transitions have ended the
//     scene on show is the one last asked for, and no other scene is entered;
//   - no timer or action runs on a node that was cleaned up;
//   - every background load calls back once, on the main thread, and the
//     scenes waiting for them die on the main thread;
//   - no exception leaves the director's frame; and at the end, with the
//     director gone, no scene and no texture (in GL too) is left.
//
// A seed replays step for step (the loads' order is waited for, not timed).
// The seed is TEST_SEED (1 by default) plus the instance's number; the length
// is BRISKO_WALK_STEPS (CI's default in tests/CMakeLists.txt). A failure names
// its seed and step and prints the steps before it; BRISKO_WALK_TRACE=1
// prints every step as it is taken.
#include "EngineLifeWalk.h"

#include "engine/KSDirector.h"
#include "engine/KSTextureCache.h"
#include "engine/KSTransition.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/gl/GLContext.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iostream>

using namespace kestrel;

namespace engine_walk {

namespace {

int environmentNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

std::atomic<int> gOffMainCallbacks { 0 };

} // namespace

// ---- The scenes and their nodes

Ref<WalkScene> WalkScene::make(EngineLifeWalk* walk, int id)
{
    auto scene = platform::adoptRef(new WalkScene);
    scene->init();
    scene->id = id;
    scene->walk_ = walk;
    auto body = WalkNode::make(walk, scene.get());
    scene->body = body.get();
    scene->addChild(body.get());
    walk->scenes.emplace(id, platform::Weak<WalkScene>(scene.get()));
    return scene;
}

WalkScene::~WalkScene() { walk_->sceneDestroyed(*this, platform::RunLoop::isMainThread()); }

void WalkScene::onEnter()
{
    if (cleaned || entered)
        walk_->fault(platform::format("scene %d entered %s", id, cleaned ? "after its cleanup" : "twice"));
    entered = everEntered = true;
    KSScene::onEnter();
    fire(Inside::Enter);
}

void WalkScene::onEnterTransitionDidFinish()
{
    if (cleaned || !entered)
        walk_->fault(platform::format("scene %d told its transition finished while %s", id,
                                      cleaned ? "cleaned up" : "not entered"));
    KSScene::onEnterTransitionDidFinish();
    fire(Inside::Finish);
}

void WalkScene::onExit()
{
    if (cleaned || !entered)
        walk_->fault(platform::format("scene %d exited while %s", id, cleaned ? "cleaned up" : "not entered"));
    entered = false;
    fire(Inside::Exit);
    KSScene::onExit();
}

void WalkScene::cleanup()
{
    if (cleaned || entered)
        walk_->fault(platform::format("scene %d cleaned up %s", id, cleaned ? "twice" : "while entered"));
    cleaned = true;
    ++cleanups;
    fire(Inside::Cleanup);
    KSScene::cleanup();
}

void WalkScene::visit()
{
    if (cleaned)
        walk_->fault(platform::format("scene %d drawn after its cleanup", id));
    KSScene::visit();
}

void WalkScene::loaded(KSTexture2D* texture)
{
    if (!platform::RunLoop::isMainThread()) {
        ++gOffMainCallbacks;
        return;
    }
    ++loadsHeard;
    ++walk_->loadsHeard;
    if (loadsHeard > loadsAsked)
        walk_->fault(platform::format("scene %d heard %d loads of %d asked", id, loadsHeard, loadsAsked));
    if (texture) {
        textures.emplace_back(texture);
        // One that comes after the director ended, with no view, may die
        // where no context is current: GL keeps it (the engine cannot help it).
        if (platform::GLContext::current())
            walk_->textureNames.push_back(texture->name());
        walk_->note(platform::format("    scene %d got texture %u", id, texture->name()));
    }
}

void WalkScene::fire(Inside where)
{
    if (auto request = std::exchange(armed[static_cast<int>(where)], nullptr))
        request();
}

Ref<WalkNode> WalkNode::make(EngineLifeWalk* walk, WalkScene* scene)
{
    auto node = platform::adoptRef(new WalkNode);
    node->init();
    node->walk_ = walk;
    node->scene_ = scene;
    node->setContentSize({ 100, 100 });
    node->schedule(BRISKO_SELECTOR(WalkNode, tick));
    return node;
}

void WalkNode::touched(const char* what)
{
    if (cleaned)
        walk_->fault(platform::format("%s ran on scene %d's node after its cleanup", what, scene_->id));
}

void WalkNode::tick(ksTime)
{
    touched("a timer");
    Ref<WalkScene> keep(scene_);
    scene_->fire(Inside::Timer);
}

void WalkNode::setPosition(platform::Point p)
{
    touched("an action");
    KSNode::setPosition(p);
}

void WalkNode::setRotation(float degrees)
{
    touched("an action");
    KSNode::setRotation(degrees);
}

void WalkNode::setScale(float s)
{
    touched("an action");
    KSNode::setScale(s);
}

void WalkNode::setVisible(bool visible)
{
    touched("an action");
    KSNode::setVisible(visible);
}

void WalkNode::cleanup()
{
    cleaned = true;
    KSNode::cleanup();
}

// ---- The fixture

void EngineLifeWalk::SetUp()
{
    DirectorTest::SetUp();
    gOffMainCallbacks = 0;
    for (int i = 0; i < 6; ++i)
        texture_test::writeSolidPNG(dir.file(platform::format("load%d.png", i)), 16 << (i % 3), 16, 0x204060FFu + i);
}

void EngineLifeWalk::TearDown()
{
    stack.clear();
    KSTextureCache::setLoadHook(nullptr);
    DirectorTest::TearDown();
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
    if (environmentNumber("BRISKO_WALK_TRACE", 0))
        std::cout << line << std::endl;
}

void EngineLifeWalk::frame()
{
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
    KSScene* running = director_->runningScene();
    if (running) {
        EXPECT_TRUE(running->isRunning()) << "the running scene is not running";
    }
    if (!settled)
        return;
    ASSERT_TRUE(running) << "no scene runs";
    WalkScene* top = onShow();
    EXPECT_EQ(running, top) << "the scene on show is not scene " << top->id << ", the one last asked for";
    EXPECT_EQ(director_->scenesStack().size(), stack.size()) << "the director's stack differs from what was asked";
    for (auto& [id, weak] : scenes) {
        auto scene = weak.lock();
        if (!scene)
            continue;
        if (scene.get() != top && scene->entered)
            ADD_FAILURE() << "scene " << id << " is entered but not on show (scene " << top->id << " is)";
        if (scene.get() == top && !scene->entered)
            ADD_FAILURE() << "scene " << id << " is on show but not entered";
    }
    if (auto replaced = plainReplaced.lock(); replaced && requestsThisStep == 1) {
        EXPECT_EQ(replaced->cleanups, 1) << "scene " << replaced->id << " was replaced and not cleaned up";
    }
}

void EngineLifeWalk::checkAtTheEnd()
{
    note("end: the loads come in, the director ends, every cache goes");
    EXPECT_TRUE(loop().runUntil([&] { return loadsHeard >= loadsAsked; }, testing_support::kHungAfterSeconds))
        << loadsHeard << " of " << loadsAsked << " loads called back";
    if (!ended)
        request(Ask::End, "the walk's end");
    frame();
    KSTextureCache::purgeSharedTextureCache();
    loop().runOnce(0);
    stack.clear();
    KSDirector::purgeSharedDirector();
    director_ = nullptr;
    checkStep(false);
    for (auto& [id, weak] : scenes)
        if (!weak.expired())
            ADD_FAILURE() << "scene " << id << " outlived the director";
        else if (destroyedEntered.count(id))
            ADD_FAILURE() << "scene " << id << " died entered: it never exited";
    EXPECT_EQ(destroyedOffMain.load(), 0) << "scenes destroyed off the main thread (their textures stay in GL)";
    EXPECT_EQ(KSTexture2D::liveTextureCount(), liveTexturesBefore) << "textures outlived their owners";
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
    const std::string replay = platform::format("TEST_SEED=%d BRISKO_WALK_STEPS=%d kestrel_tests "
                                                "--gtest_filter='Seeds/EngineLifeWalk.*/0'",
                                                seed, length);
    std::cout << "engine walk seed " << seed << ", " << length << " steps (replay: " << replay << ")" << std::endl;
    int total = 0;
    for (auto& r : roads())
        total += r.weight;
    liveTexturesBefore = KSTexture2D::liveTextureCount();
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
        requestsThisStep = 0;
        plainReplaced = nullptr;
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
        if (settleNow)
            settle();
        checkStep(settleNow);
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
