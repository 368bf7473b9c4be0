// The director in virtual time: frame order, scene stack semantics, time
// steps, pause and resume, projections, orientation, the high-resolution
// switch, the loop variants, the frame-rate display and shut-down.
#include "DirectorTestSupport.h"

#include "engine/KSActionInstant.h"
#include "engine/KSActionInterval.h"
#include "engine/KSActionManager.h"
#include "engine/KSAnimation.h"
#include "engine/KSScheduler.h"
#include "engine/KSSprite.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSSpriteFrameCache.h"
#include "engine/KSTextureCache.h"
#include "engine/KSTransition.h"
#include "engine/KSLabelAtlas.h"
#include "engine/KSParticleSystemQuad.h"
#include "engine/platform/KSTouchDispatcher.h"
#include "platform/device/Application.h"
#include "platform/device/Device.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Weak.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/Image.h"
#include "platform/ui/Window.h"

#include <cmath>
#include <thread>

using namespace kestrel;
using namespace director_test;
using platform::Ref;

namespace {

std::vector<std::string> withoutVisits(const std::vector<std::string>& journal)
{
    std::vector<std::string> out;
    for (const std::string& call : journal)
        if (call.find(":visit") == std::string::npos)
            out.push_back(call);
    return out;
}

// A per-frame update target that notes each tick (and can act on it).
class TickRecorder : public platform::Object {
public:
    static Ref<TickRecorder> make(std::vector<std::string>* journal)
    {
        auto t = platform::adoptRef(new TickRecorder);
        t->journal = journal;
        KSScheduler::sharedScheduler()->scheduleUpdateForTarget(t.get(), 0, false);
        return t;
    }
    void update(ksTime dt)
    {
        ++ticks;
        lastDt = dt;
        thread = std::this_thread::get_id();
        if (journal)
            journal->push_back("tick");
        if (onTick)
            onTick();
    }
    std::vector<std::string>* journal { nullptr };
    int ticks { 0 };
    float lastDt { -1 };
    std::thread::id thread;
    std::function<void()> onTick;
};

std::array<GLfloat, 16> matrix(GLenum which)
{
    std::array<GLfloat, 16> m {};
    glGetFloatv(which, m.data());
    return m;
}

// Objects that note in a journal when the shared cache holding them lets go.
std::vector<std::string>* gPurgeJournal = nullptr;

void notePurge(const std::string& what)
{
    if (!gPurgeJournal)
        return;
    // Every purge before the texture cache's finds the cached texture still there.
    bool textureCached = KSTextureCache::sharedTextureCache()->textureForKey("red.png") != nullptr;
    gPurgeJournal->push_back(what + (textureCached ? "" : " (textures gone)"));
}

class PurgedAnimation : public KSAnimation {
public:
    static Ref<PurgedAnimation> make()
    {
        auto a = platform::adoptRef(new PurgedAnimation);
        EXPECT_TRUE(a->init());
        return a;
    }
    ~PurgedAnimation() override { notePurge("animation cache"); }
};

class PurgedFrame : public KSSpriteFrame {
public:
    static Ref<PurgedFrame> make(KSTexture2D* texture)
    {
        auto f = platform::adoptRef(new PurgedFrame);
        EXPECT_TRUE(f->initWithTexture(texture, { 0, 0, 4, 4 }));
        return f;
    }
    ~PurgedFrame() override { notePurge("sprite frame cache"); }
};

class PurgedTarget : public platform::Object {
public:
    explicit PurgedTarget(std::string what) : what_(std::move(what)) { }
    ~PurgedTarget() override { notePurge(what_); }
    void update(ksTime) { }

private:
    std::string what_;
};

class PurgedNode : public KSNode {
public:
    static Ref<PurgedNode> make()
    {
        auto n = platform::adoptRef(new PurgedNode);
        n->init();
        return n;
    }
    ~PurgedNode() override { notePurge("action manager"); }
};

class ProjectionRecorder : public platform::Object, public KSProjectionProtocol {
public:
    void updateProjection() override { ++calls; }
    int calls { 0 };
};

// Frame order ----------------------------------------------------------------------------

TEST_F(DirectorTest, FrameTicksThenSwitchesScenesThenVisitsThenSwaps)
{
    KSDirectorIOS* d = directorWithView();
    auto a = RecordingScene::make("A", &journal);
    auto b = RecordingScene::make("B", &journal);
    d->runWithScene(a.get());
    advance(1.0 / 60);
    auto ticks = TickRecorder::make(&journal);
    d->openGLView()->setCaptureHook([&](EAGLView&) { journal.push_back("swap"); });
    journal.clear();

    d->replaceScene(b.get());
    EXPECT_TRUE(journal.empty()) << "the switch waits for the next frame";
    advance(1.0 / 60);
    EXPECT_EQ(journal, (std::vector<std::string> { "tick", "A:exit", "A:cleanup", "B:enter", "B:didFinish", "B:visit", "swap" }));
    EXPECT_EQ(d->runningScene(), b.get());
}

TEST_F(DirectorTest, FrameClearsTheBuffersBeforeDrawing)
{
    KSDirectorIOS* d = directorWithView();
    auto scene = KSScene::node();
    d->runWithScene(scene.get());
    glClearColor(1, 1, 1, 1);
    Ref<platform::Image> frame;
    d->openGLView()->setCaptureHook([&](EAGLView& v) { frame = v.readFrame(); });
    advance(1.0 / 60);
    ASSERT_TRUE(frame);
    // White clear colour, empty scene: every pixel is the clear colour.
    EXPECT_EQ(frame->rgba()[0], 255);
    EXPECT_EQ(frame->rgba()[(240 * 320 + 160) * 4 + 1], 255);
}

// Scene stack ----------------------------------------------------------------------------

TEST_F(DirectorTest, PushThenPopExitsThePushedSceneWithoutCleanupAndReentersTheOneBelow)
{
    KSDirectorIOS* d = directorWithView();
    auto a = RecordingScene::make("A", &journal);
    auto b = RecordingScene::make("B", &journal);
    d->runWithScene(a.get());
    advance(1.0 / 60);
    d->pushScene(b.get());
    advance(1.0 / 60);
    journal.clear();
    d->popScene();
    advance(1.0 / 60);
    EXPECT_EQ(journal, (std::vector<std::string> { "B:exit", "A:enter", "A:didFinish", "A:visit" }));
    EXPECT_FALSE(d->sendCleanupToScene());
    EXPECT_EQ(d->scenesStack().size(), 1u);
}

// A pause scene whose nodes run a repeating action, a per-frame update and a
// particle system, pushed and popped: at the pop it exits without clean-up,
// and while the game holds it, it comes back with its nodes going on where
// they were; once nobody holds it, it is cleaned up and goes with its nodes.
// Pushed through a transition (whose hand-over is a replace, so the pop
// cleans it up) and replaced, it goes whole too; and so does one that runs
// itself (its own update, an action calling it back).
TEST_F(DirectorTest, APoppedSceneNobodyHoldsIsCleanedUpAndGoesWithItsNodes)
{
    KSDirectorIOS* d = director();
    for (const std::string road : { "pushed", "pushed, running itself", "pushed through a transition", "replaced" }) {
        SCOPED_TRACE(road);
        const bool pushed = road.starts_with("pushed,") || road == "pushed";
        d->setOpenGLView(makeView().get());
        auto game = RecordingScene::make("G", &journal);
        d->runWithScene(game.get());
        advance(1.0 / 60);
        auto pause = RecordingScene::make("P", &journal);
        auto spinner = KSNode::node();
        spinner->runAction(KSRepeatForever::actionWithAction(KSRotateBy::actionWithDuration(1, 360).get()).get());
        auto ticker = KSNode::node();
        ticker->scheduleUpdate();
        auto particles = KSParticleSystemQuad::particleWithTotalParticles(10);
        ASSERT_TRUE(particles);
        for (KSNode* node : std::initializer_list<KSNode*> { spinner.get(), ticker.get(), particles.get() })
            pause->addChild(node);
        if (road == "pushed, running itself") {
            pause->scheduleUpdate();
            auto call = KSCallFunc::actionWithTarget(pause.get(), BRISKO_SELECTOR(RecordingScene, calledBack));
            pause->runAction(KSRepeatForever::actionWithAction(
                                 platform::dynamicRef<KSActionInterval>(
                                     KSSequence::actions({ KSDelayTime::actionWithDuration(0.1f).get(), call.get() }))
                                     .get())
                                 .get());
        }
        std::vector<platform::Weak<KSNode>> nodes { spinner.get(), ticker.get(), particles.get(), pause.get() };
        KSNode* held = spinner.get(); // the pause scene holds it
        spinner = nullptr;
        ticker = nullptr;
        particles = nullptr;
        auto show = [&](KSScene* scene) {
            if (pushed)
                d->pushScene(scene);
            else if (road == "replaced")
                d->replaceScene(scene);
            else
                d->pushScene(KSTransitionMoveInL::transitionWithDuration(0.1f, scene).get());
            ASSERT_GT(runUntilRunning(scene), 0);
            advance(0.2);
        };
        show(pause.get());
        journal.clear();
        if (road == "replaced") {
            d->replaceScene(RecordingScene::make("N", &journal).get());
        } else {
            d->popScene();
            ASSERT_GT(runUntilRunning(game.get()), 0);
        }
        if (pushed) {
            EXPECT_EQ(withoutVisits(journal), (std::vector<std::string> { "P:exit", "G:enter", "G:didFinish" }));
            const float angle = held->rotation();
            advance(0.25);
            EXPECT_EQ(held->rotation(), angle) << "a popped scene's actions wait";
            show(pause.get());
            EXPECT_NE(held->rotation(), angle) << "and go on when it is back";
            d->popScene();
            ASSERT_GT(runUntilRunning(game.get()), 0);
        }
        advance(1.0 / 60);
        EXPECT_EQ(std::count(journal.begin(), journal.end(), "P:cleanup"), pushed ? 0 : 1)
            << "a scene the game holds is cleaned up when a replace asks for it, and only then";
        pause = nullptr;
        advance(1.0 / 60);
        EXPECT_EQ(std::count(journal.begin(), journal.end(), "P:cleanup"), 1);
        for (size_t i = 0; i < nodes.size(); ++i)
            EXPECT_FALSE(nodes[i].lock()) << "node " << i << " outlived its scene";
        d->end();
    }
}

TEST_F(DirectorTest, SeveralRequestsInOneFrameSwitchToTheLastWithItsCleanupFlag)
{
    KSDirectorIOS* d = directorWithView();
    auto a = RecordingScene::make("A", &journal);
    auto b = RecordingScene::make("B", &journal);
    auto c = RecordingScene::make("C", &journal);
    d->runWithScene(a.get());
    advance(1.0 / 60);
    journal.clear();
    d->replaceScene(b.get());
    d->pushScene(c.get());
    advance(1.0 / 60);
    EXPECT_EQ(journal, (std::vector<std::string> { "A:exit", "C:enter", "C:didFinish", "C:visit" }));
    EXPECT_EQ(d->scenesStack().size(), 2u);
}

// A pop after a replace or push in the same frame takes the scene asked for
// off the stack while it is still the one asked for: the pop is the last
// request, so the scene below comes back or the director ends, and the
// scene asked for is never entered (nor read after it is gone); passed over,
// it is cleaned up as it goes, unless the director ended with it.
TEST_F(DirectorTest, APopAfterAnotherRequestInOneFrameIsTheOneServed)
{
    struct Road {
        const char* name;
        bool twoScenes;   // X under A, or A alone
        bool throughATransition;
        bool replacing;   // replace with B, or push B
        std::vector<std::string> calls;
        bool ends;
    };
    const Road roads[] = {
        { "replace, then pop the only scene", false, false, true, { "A:exit", "A:cleanup" }, true },
        { "replace through a transition, then pop the only scene", false, true, true, { "A:exit", "A:cleanup" }, true },
        { "replace, then pop back to the scene below", true, false, true,
          { "A:exit", "A:cleanup", "X:enter", "X:didFinish", "B:cleanup" }, false },
        { "push through a transition, then pop", true, true, false,
          { "A:exit", "A:enter", "A:didFinish", "B:cleanup" }, false },
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        KSDirectorIOS* d = directorWithView();
        auto x = RecordingScene::make("X", &journal), a = RecordingScene::make("A", &journal);
        platform::Weak<KSScene> b;
        d->runWithScene(road.twoScenes ? x.get() : a.get());
        advance(1.0 / 60);
        if (road.twoScenes) {
            d->pushScene(a.get());
            advance(1.0 / 60);
        }
        journal.clear();
        {
            auto asked = RecordingScene::make("B", &journal);
            b = asked.get();
            Ref<KSScene> shown = road.throughATransition
                                     ? Ref<KSScene>(KSTransitionFlipX::transitionWithDuration(0.25f, asked.get()).get())
                                     : Ref<KSScene>(asked.get());
            if (road.replacing)
                d->replaceScene(shown.get());
            else
                d->pushScene(shown.get());
        }
        d->popScene();
        for (int i = 0; i < 3; ++i)
            advance(1.0 / 60);
        EXPECT_EQ(withoutVisits(journal), road.calls);
        EXPECT_TRUE(b.expired()) << "the scene asked for outlives the pop";
        EXPECT_EQ(d->runningScene(), road.ends ? nullptr : road.twoScenes && road.replacing ? x.get() : a.get());
        KSDirector::purgeSharedDirector();
    }
}

TEST_F(DirectorTest, PoppingTheLastSceneEndsTheDirector)
{
    KSDirectorIOS* d = directorWithView();
    auto a = RecordingScene::make("A", &journal);
    d->runWithScene(a.get());
    advance(1.0 / 60);
    journal.clear();
    d->popScene();
    EXPECT_EQ(journal, (std::vector<std::string> { "A:exit", "A:cleanup" }));
    EXPECT_EQ(d->runningScene(), nullptr);
    EXPECT_EQ(d->openGLView(), nullptr);
    EXPECT_FALSE(static_cast<KSDirectorTimer*>(d)->isAnimating());
}

// A scene that ends the director as it enters, on each road a scene enters
// by, gets its exit and cleanup from the ending and is called no more.
TEST_F(DirectorTest, EndingWhileASceneEntersCallsThatSceneNoMore)
{
    using Road = std::function<void(KSDirectorIOS*, RecordingScene* ending, RecordingScene* other,
                                    const std::function<void()>& arm)>;
    const std::pair<const char*, Road> roads[] = {
        { "the first scene", [](KSDirectorIOS* d, RecordingScene* e, RecordingScene*, auto arm) {
             arm();
             d->runWithScene(e);
         } },
        { "a replacing scene", [this](KSDirectorIOS* d, RecordingScene* e, RecordingScene* o, auto arm) {
             d->runWithScene(o);
             advance(1.0 / 60);
             arm();
             d->replaceScene(e);
         } },
        { "a transition's incoming scene", [this](KSDirectorIOS* d, RecordingScene* e, RecordingScene* o, auto arm) {
             d->runWithScene(o);
             advance(1.0 / 60);
             arm();
             d->replaceScene(KSTransitionFlipX::transitionWithDuration(0.5f, e).get());
         } },
        { "a pushed scene", [this](KSDirectorIOS* d, RecordingScene* e, RecordingScene* o, auto arm) {
             d->runWithScene(o);
             advance(1.0 / 60);
             arm();
             d->pushScene(e);
         } },
        { "the scene a pop goes back to", [this](KSDirectorIOS* d, RecordingScene* e, RecordingScene* o, auto arm) {
             d->runWithScene(e);
             advance(1.0 / 60);
             d->pushScene(o);
             advance(1.0 / 60);
             arm();
             d->popScene();
         } },
    };
    for (bool byPopping : { false, true }) {
        for (const auto& [road, go] : roads) {
            SCOPED_TRACE(std::string(road) + (byPopping ? ", popping every scene" : ", end()"));
            KSDirectorIOS* d = directorWithView();
            journal.clear();
            auto ending = RecordingScene::make("E", &journal);
            auto other = RecordingScene::make("O", &journal);
            size_t armedAt = 0;
            go(d, ending.get(), other.get(), [&] {
                armedAt = journal.size();
                ending->whenEntered = [d, byPopping] {
                    if (!byPopping)
                        d->end();
                    while (byPopping && !d->scenesStack().empty())
                        d->popScene();
                };
            });
            for (int i = 0; i < 3; ++i)
                advance(1.0 / 60);
            std::vector<std::string> calls;
            for (size_t i = armedAt; i < journal.size(); ++i)
                if (journal[i].rfind("E:", 0) == 0)
                    calls.push_back(journal[i]);
            EXPECT_EQ(calls, (std::vector<std::string> { "E:enter", "E:exit", "E:cleanup" }));
            EXPECT_EQ(d->runningScene(), nullptr);
            EXPECT_TRUE(d->scenesStack().empty());
            EXPECT_EQ(d->openGLView(), nullptr);
            ending->whenEntered = nullptr;
            KSDirector::purgeSharedDirector();
        }
    }
}

// end() from a scene's onExit or cleanup, itself reached through end() or a
// switch, does nothing more: each call comes once and no scene enters after.
TEST_F(DirectorTest, EndInsideAnEndingOrExitingSceneIsANoOp)
{
    for (bool fromCleanup : { false, true }) {
        for (bool bySwitch : { false, true }) {
            SCOPED_TRACE(std::string(fromCleanup ? "cleanup" : "onExit") + (bySwitch ? ", replaced" : ", end()"));
            KSDirectorIOS* d = directorWithView();
            auto a = RecordingScene::make("A", &journal);
            auto b = RecordingScene::make("B", &journal);
            d->runWithScene(a.get());
            advance(1.0 / 60);
            journal.clear();
            (fromCleanup ? a->whenCleaned : a->whenExiting) = [d] { d->end(); };
            if (bySwitch) {
                d->replaceScene(b.get());
                advance(1.0 / 60);
            } else {
                d->end();
            }
            EXPECT_EQ(journal, (std::vector<std::string> { "A:exit", "A:cleanup" }));
            EXPECT_EQ(d->runningScene(), nullptr);
            EXPECT_EQ(d->openGLView(), nullptr);
            a->whenCleaned = a->whenExiting = nullptr;
            KSDirector::purgeSharedDirector();
        }
    }
}

TEST_F(DirectorTest, SceneMisuseFailsItsAssertions)
{
    KSDirectorIOS* d = directorWithView();
    auto a = KSScene::node();
    EXPECT_ASSERTION(d->replaceScene(a.get()), "engine/KSDirector", "A running Scene is needed");
    EXPECT_TRUE(d->scenesStack().empty());
    EXPECT_ASSERTION(d->popScene(), "engine/KSDirector",
                     "A running Scene is needed");
    d->runWithScene(a.get());
    advance(1.0 / 60);
    EXPECT_ASSERTION(d->runWithScene(KSScene::node().get()), "engine/KSDirector",
                     "You can't run an scene if another Scene is running. Use replaceScene or pushScene instead");
    EXPECT_THROW(d->pushScene(nullptr), platform::AssertionFailure);
}

// Time step ------------------------------------------------------------------------------

TEST_F(DirectorTest, TimeStepIsMeasuredFromTheLoopStartAndCanBeZeroedOnce)
{
    KSDirectorIOS* d = directorWithView();
    d->setAnimationInterval(0.25);
    auto scene = KSScene::node();
    d->runWithScene(scene.get());
    advance(0.25);
    EXPECT_FLOAT_EQ(d->deltaTime(), 0.25f);
    d->setNextDeltaTimeZero(true);
    advance(0.25);
    EXPECT_EQ(d->deltaTime(), 0.0f);
    advance(0.25);
    EXPECT_FLOAT_EQ(d->deltaTime(), 0.25f);
}

TEST_F(DirectorTest, ClockGoingBackwardsGivesZeroAndAStallGivesItsWholeLength)
{
    KSDirectorIOS* d = directorWithView();
    auto scene = KSScene::node();
    d->runWithScene(scene.get());
    advance(1.0 / 60);
    clock().set(clock().now() - 5);
    d->drawScene();
    EXPECT_EQ(d->deltaTime(), 0.0f);
    clock().advance(10);
    d->drawScene();
    EXPECT_FLOAT_EQ(d->deltaTime(), 10.0f);
}

TEST_F(DirectorTest, PauseStopsTheSchedulerAndResumeMeasuresFromTheMomentOfResume)
{
    KSDirectorIOS* d = directorWithView();
    auto scene = KSScene::node();
    d->runWithScene(scene.get());
    auto ticks = TickRecorder::make(nullptr);
    advance(1.0 / 60);
    EXPECT_EQ(ticks->ticks, 1);

    d->pause();
    d->pause();
    EXPECT_EQ(d->animationInterval(), 0.25);
    unsigned presented = d->openGLView()->framesPresented();
    advance(1.0);
    EXPECT_EQ(d->openGLView()->framesPresented() - presented, 4u) << "paused frames still draw, 4 a second";
    EXPECT_EQ(ticks->ticks, 1);

    advance(0.1); // resume between two paused frames
    d->resume();
    EXPECT_DOUBLE_EQ(d->animationInterval(), 1.0 / 60);
    EXPECT_EQ(d->deltaTime(), 0.0f);
    advance(1.0 / 60);
    EXPECT_EQ(ticks->ticks, 2);
    EXPECT_NEAR(ticks->lastDt, 1.0f / 60, 1e-5);
}

// Projections ----------------------------------------------------------------------------

TEST_F(DirectorTest, TwoDimensionalProjectionIsAPixelOrthoWithDepthScaledByPixelsPerPoint)
{
    KSDirectorIOS* d = directorWithView();
    d->setProjection(kKSDirectorProjection2D);
    auto p = matrix(GL_PROJECTION_MATRIX);
    EXPECT_FLOAT_EQ(p[0], 2.0f / 320);
    EXPECT_FLOAT_EQ(p[5], 2.0f / 480);
    EXPECT_FLOAT_EQ(p[10], -2.0f / 2048);
    EXPECT_FLOAT_EQ(matrix(GL_MODELVIEW_MATRIX)[12], 0.0f);

    platform::ui::Screen::mainScreen().setScale(2);
    ASSERT_TRUE(d->enableRetinaDisplay(true));
    p = matrix(GL_PROJECTION_MATRIX);
    EXPECT_FLOAT_EQ(p[0], 2.0f / 640);
    EXPECT_FLOAT_EQ(p[10], -2.0f / 4096);
}

TEST_F(DirectorTest, ThreeDimensionalProjectionLooksAtTheCentreFromZEye)
{
    KSDirectorIOS* d = directorWithView();
    d->setProjection(kKSDirectorProjection3D);
    auto p = matrix(GL_PROJECTION_MATRIX);
    float f = 1.0f / std::tan(static_cast<float>(M_PI) / 6);
    EXPECT_NEAR(p[5], f, 1e-4);
    EXPECT_NEAR(p[0], f / (320.0f / 480), 1e-4);
    auto m = matrix(GL_MODELVIEW_MATRIX);
    EXPECT_FLOAT_EQ(m[12], -160);
    EXPECT_FLOAT_EQ(m[13], -240);
    EXPECT_NEAR(m[14], -480 / 1.1566f, 1e-3);
    EXPECT_FLOAT_EQ(d->getZEye(), 480 / 1.1566f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 480);
}

TEST_F(DirectorTest, CustomProjectionAsksTheDelegateAndUnknownValuesOnlyStore)
{
    KSDirectorIOS* d = directorWithView();
    auto delegate = platform::adoptRef(new ProjectionRecorder);
    d->setProjectionDelegate(delegate.get());
    d->setProjection(kKSDirectorProjectionCustom);
    EXPECT_EQ(delegate->calls, 1);
    d->setProjection(7);
    EXPECT_EQ(d->projection(), 7);
    EXPECT_EQ(delegate->calls, 1);
}

TEST_F(DirectorTest, EmptyViewGetsFiniteProjections)
{
    KSDirectorIOS* d = director();
    auto view = makeView(0, 0);
    ASSERT_TRUE(view);
    d->setOpenGLView(view.get());
    for (int projection : { kKSDirectorProjection2D, kKSDirectorProjection3D }) {
        d->setProjection(projection);
        for (GLfloat v : matrix(GL_PROJECTION_MATRIX))
            EXPECT_TRUE(std::isfinite(v)) << "projection " << projection;
        for (GLfloat v : matrix(GL_MODELVIEW_MATRIX))
            EXPECT_TRUE(std::isfinite(v)) << "projection " << projection;
    }
    platform::drainGLErrors();
}

// Orientation and scale -------------------------------------------------------------------

TEST_F(DirectorTest, OrientationConvertsTouchesToGLAndBack)
{
    KSDirectorIOS* d = directorWithView();
    EXPECT_EQ(d->convertToGL({ 10, 20 }), platform::Point(10, 460));
    EXPECT_EQ(d->convertToUI({ 10, 460 }), platform::Point(10, 20));

    d->setDeviceOrientation(kKSDeviceOrientationPortraitUpsideDown);
    EXPECT_EQ(d->convertToGL({ 10, 20 }), platform::Point(310, 20));
    EXPECT_EQ(d->convertToUI({ 310, 20 }), platform::Point(10, 20));

    d->setDeviceOrientation(kKSDeviceOrientationLandscapeLeft);
    EXPECT_EQ(d->winSize(), platform::Size(480, 320));
    EXPECT_EQ(d->convertToGL({ 10, 20 }), platform::Point(20, 10));
    EXPECT_EQ(d->convertToUI({ 20, 10 }), platform::Point(10, 20));
    EXPECT_EQ(platform::ui::Application::sharedApplication().statusBarOrientation(),
              platform::ui::InterfaceOrientation::LandscapeRight);

    d->setDeviceOrientation(kKSDeviceOrientationLandscapeRight);
    EXPECT_EQ(d->convertToGL({ 10, 20 }), platform::Point(460, 310));
    EXPECT_EQ(d->convertToUI({ 460, 310 }), platform::Point(10, 20));

    platform::LogCapture log;
    d->setDeviceOrientation(9);
    EXPECT_TRUE(log.contains("Director: Unknown device orientation"));
    EXPECT_EQ(d->deviceOrientation(), 9);
    EXPECT_EQ(d->convertToGL({ 10, 20 }), platform::Point(0, 0));
}

TEST_F(DirectorTest, RetinaSwitchNeedsAHighResolutionScreen)
{
    KSDirectorIOS* d = directorWithView();
    EXPECT_FALSE(d->enableRetinaDisplay(true));
    EXPECT_EQ(ksContentScaleFactor(), 1.0f);

    platform::ui::Screen::mainScreen().setScale(2);
    EXPECT_TRUE(d->enableRetinaDisplay(true));
    EXPECT_EQ(ksContentScaleFactor(), 2.0f);
    EXPECT_EQ(d->winSizeInPixels(), platform::Size(640, 960));
    EXPECT_EQ(d->winSize(), platform::Size(320, 480));
    EXPECT_TRUE(d->isContentScaleSupported());
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 960);
    d->openGLView()->layoutIfNeeded();
    EXPECT_EQ(d->openGLView()->surfaceSize(), platform::Size(640, 960));
    EXPECT_EQ(d->openGLView()->convertPointFromViewToSurface({ 160, 240 }), platform::Point(320, 480));

    EXPECT_TRUE(d->enableRetinaDisplay(true));
    EXPECT_TRUE(d->enableRetinaDisplay(false));
    EXPECT_EQ(ksContentScaleFactor(), 1.0f);
}

TEST_F(DirectorTest, FormatsCannotChangeOnceTheViewIsAttached)
{
    KSDirectorIOS* d = director();
    d->setPixelFormat(kKSPixelFormatRGBA8888);
    d->setDepthBufferFormat(kKSDepthBuffer16);
    auto window = platform::ui::Window::windowWithFrame({ 0, 0, 320, 480 });
    ASSERT_TRUE(d->attachInWindow(window.get()));
    EXPECT_EQ(d->openGLView()->pixelFormat(), kEAGLColorFormatRGBA8);
    EXPECT_EQ(d->openGLView()->depthFormat(), static_cast<GLuint>(GL_DEPTH_COMPONENT16_OES));
    EXPECT_EQ(d->openGLView()->touchDelegate(), KSTouchDispatcher::sharedDispatcher());
    EXPECT_ASSERTION(d->setPixelFormat(kKSPixelFormatRGB565), "engine/Platforms/iOS/KSDirectorIOS",
                     "Can't change the pixel format after the director was initialized");
    EXPECT_THROW(d->attachInWindow(window.get()), platform::AssertionFailure);
    EXPECT_TRUE(d->detach());
    EXPECT_FALSE(d->isOpenGLAttached());
}

// Loops ----------------------------------------------------------------------------------

TEST_F(DirectorTest, DisplayLinkNeedsSystem31AndTheFirstChoiceSticks)
{
    platform::ui::Device::currentDevice().setSystemVersion("3.0");
    EXPECT_FALSE(KSDirector::setDirectorType(kKSDirectorTypeDisplayLink));
    platform::ui::Device::currentDevice().setSystemVersion("3.1.3");
    EXPECT_TRUE(KSDirector::setDirectorType(kKSDirectorTypeDisplayLink));
    EXPECT_EQ(KSDirector::sharedDirector()->className(), "KSDirectorDisplayLink");
    EXPECT_TRUE(KSDirector::setDirectorType(kKSDirectorTypeNSTimer));
    EXPECT_EQ(KSDirector::sharedDirector()->className(), "KSDirectorDisplayLink");
    EXPECT_THROW(KSDirector::setDirectorType(9), platform::AssertionFailure);
}

TEST_F(DirectorTest, DisplayLinkFrameIntervalCountsScreenRefreshes)
{
    auto* d = static_cast<KSDirectorDisplayLink*>(director(kKSDirectorTypeDisplayLink));
    d->setAnimationInterval(1.0 / 60);
    d->startAnimation();
    EXPECT_EQ(d->frameInterval(), 1);
    d->setAnimationInterval(static_cast<double>(1.0f / 30));
    EXPECT_EQ(d->frameInterval(), 2);
    d->pause();
    EXPECT_EQ(d->frameInterval(), 15);
    d->stopAnimation();
}

TEST_F(DirectorTest, DisplayLinkNeverRefreshesFasterThanTheScreen)
{
    KSDirectorIOS* d = directorWithView(kKSDirectorTypeDisplayLink);
    d->setAnimationInterval(1.0 / 120);
    auto scene = KSScene::node();
    d->runWithScene(scene.get());
    advance(0.5);
    EXPECT_EQ(d->openGLView()->framesPresented(), 30u);
}

TEST_F(DirectorTest, FastLoopDrawsUntilStoppedFromInside)
{
    KSDirectorIOS* d = directorWithView(kKSDirectorTypeMainLoop);
    auto scene = KSScene::node();
    d->runWithScene(scene.get());
    auto ticks = TickRecorder::make(nullptr);
    ticks->onTick = [&] {
        if (ticks->ticks == 3)
            d->stopAnimation();
    };
    loop().drain();
    EXPECT_EQ(ticks->ticks, 3);
    EXPECT_EQ(d->openGLView()->framesPresented(), 3u);
}

TEST_F(DirectorTest, FastLoopStartedAndEndedBeforeItRunsMakesNoNewDirector)
{
    // Shut down the way an application ends the engine, and purged alone.
    for (bool endFirst : { true, false }) {
        KSDirectorIOS* d = directorWithView(kKSDirectorTypeMainLoop);
        d->startAnimation();
        if (endFirst)
            d->end();
        KSDirector::purgeSharedDirector();
        loop().drain();
        EXPECT_FALSE(KSDirector::hasSharedDirector()) << "the queued loop made a director";
    }
}

TEST_F(DirectorTest, ThreadedLoopDrawsOnTheMainThreadAndEndJoinsItsOneThread)
{
    auto* d = static_cast<KSDirectorFastThreaded*>(directorWithView(kKSDirectorTypeThreadMainLoop));
    auto scene = KSScene::node();
    d->runWithScene(scene.get());
    auto ticks = TickRecorder::make(nullptr);
    ASSERT_TRUE(loop().runUntil([&] { return ticks->ticks >= 3; }, testing_support::kHungAfterSeconds));
    EXPECT_EQ(ticks->thread, std::this_thread::get_id());
    d->stopAnimation();
    d->startAnimation();
    EXPECT_TRUE(d->hasThread());
    d->end();
    EXPECT_FALSE(d->hasThread());
    loop().drain(); // a frame posted before the end finds nothing to draw
}

// An action that calls a function at each of its steps (a frame's, whatever
// the time step) and never ends.
class SteppingAction : public KSAction {
public:
    explicit SteppingAction(std::function<void()> onStep) : onStep_(std::move(onStep)) { }
    bool isDone() const override { return false; }
    void step(ksTime) override { onStep_(); }

private:
    std::function<void()> onStep_;
};

// The guide's stop() (end(), then purgeSharedDirector()) called inside a frame,
// from a scheduled callback, an action and the scene's visit, on every loop:
// the director lives to the end of that frame (nothing reads or writes it
// once it is gone, which the address sanitizer would report), the scene
// exits and is cleaned up once, and no director is left or made again.
TEST_F(DirectorTest, AGameStoppingInsideAFrameLeavesNoDirectorAndReadsNothingGone)
{
    auto stop = [] {
        KSDirector::sharedDirector()->end();
        KSDirector::purgeSharedDirector();
    };
    const char* const places[] = { "a scheduled callback", "an action", "the scene's visit" };
    for (int type : { kKSDirectorTypeNSTimer, kKSDirectorTypeMainLoop, kKSDirectorTypeThreadMainLoop,
                      kKSDirectorTypeDisplayLink }) {
        for (const std::string place : places) {
            SCOPED_TRACE(testing::Message() << "loop " << type << ", from " << place);
            journal.clear();
            KSDirectorIOS* d = directorWithView(type);
            auto scene = RecordingScene::make("S", &journal);
            bool stopped = false;
            auto stopOnce = [&] {
                if (!std::exchange(stopped, true))
                    stop();
            };
            Ref<TickRecorder> ticks;
            if (place == "a scheduled callback") {
                ticks = TickRecorder::make(nullptr);
                ticks->onTick = [&] {
                    if (ticks->ticks == 2)
                        stopOnce();
                };
            } else if (place == "an action") {
                scene->runAction(platform::makeRef<SteppingAction>([&] { stopOnce(); }).get());
            } else {
                scene->whenVisited = [&] {
                    if (journal.size() > 4)
                        stopOnce();
                };
            }
            d->runWithScene(scene.get());
            if (type == kKSDirectorTypeNSTimer || type == kKSDirectorTypeDisplayLink) {
                for (int i = 0; i < 60 && !stopped; ++i)
                    advance(1.0 / 60);
            } else {
                ASSERT_TRUE(loop().runUntil([&] { return stopped; }, testing_support::kHungAfterSeconds));
            }
            ASSERT_TRUE(stopped);
            loop().drain();
            EXPECT_FALSE(KSDirector::hasSharedDirector());
            const auto calls = withoutVisits(journal);
            ASSERT_GE(calls.size(), 2u);
            EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()),
                      (std::vector<std::string> { "S:exit", "S:cleanup" }));
            ASSERT_TRUE(context()->makeCurrent());
        }
    }
}

// Frame-rate display and shut-down ---------------------------------------------------------

TEST_F(DirectorTest, FrameRateDisplayShowsTheRateOverTenthsOfASecond)
{
    installFPSImages();
    KSDirectorIOS* d = directorWithView();
    ASSERT_TRUE(d->FPSLabel());
    auto layer = KSColorLayer::layerWithColor({ 0, 0, 255, 255 });
    auto scene = KSScene::node();
    scene->addChild(layer.get());
    d->setDisplayFPS(true);
    d->runWithScene(scene.get());
    Ref<platform::Image> frame;
    d->openGLView()->setCaptureHook([&](EAGLView& v) { frame = v.readFrame(); });
    advance(0.5);
    EXPECT_EQ(d->FPSLabel()->string(), "60.0");
    ASSERT_TRUE(frame);
    auto pixel = [&](int x, int y) { return frame->rgba().data() + (static_cast<size_t>(y) * 320 + x) * 4; };
    EXPECT_EQ(pixel(160, 100)[2], 255) << "the colour layer fills the view";
    EXPECT_EQ(pixel(160, 100)[0], 0);
    int white = 0;
    for (int y = 456; y < 480; ++y)
        for (int x = 0; x < 64; ++x)
            white += pixel(x, y)[0] > 200 && pixel(x, y)[1] > 200;
    EXPECT_GT(white, 40) << "digits drawn at the bottom left";
}

TEST_F(DirectorTest, EndExitsTheSceneThenPurgesEverySharedCacheAndLetsGoOfTheView)
{
    KSDirectorIOS* d = directorWithView();
    auto a = RecordingScene::make("A", &journal);
    d->runWithScene(a.get());
    advance(1.0 / 60);
    auto ticks = TickRecorder::make(nullptr);
    auto layer = KSLayer::node();
    KSTouchDispatcher::sharedDispatcher()->addStandardDelegate(layer.get(), 0);
    texture_test::writeSolidPNG(dir.file("red.png"), 4, 4, 0xFF0000FF);
    auto texture = KSTextureCache::sharedTextureCache()->addImage("red.png");
    KSSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFrame(
        KSSpriteFrame::frameWithTexture(texture.get(), { 0, 0, 4, 4 }).get(), "red");
    Ref<EAGLView> view = d->openGLView();
    journal.clear();

    d->end();
    EXPECT_EQ(journal, (std::vector<std::string> { "A:exit", "A:cleanup" }));
    EXPECT_EQ(d->runningScene(), nullptr);
    EXPECT_TRUE(d->scenesStack().empty());
    EXPECT_EQ(d->openGLView(), nullptr);
    EXPECT_EQ(d->FPSLabel(), nullptr);
    EXPECT_TRUE(KSTouchDispatcher::sharedDispatcher()->standardHandlers().empty());
    EXPECT_EQ(KSSpriteFrameCache::sharedSpriteFrameCache()->spriteFrameByName("red"), nullptr);
    EXPECT_FALSE(KSTextureCache::sharedTextureCache()->textureForKey("red.png"));
    // The scheduler is a new one: the old update target is gone with it.
    KSScheduler::sharedScheduler()->tick(0.1f);
    EXPECT_EQ(ticks->ticks, 0);
    unsigned presented = view->framesPresented();
    advance(0.1);
    EXPECT_EQ(view->framesPresented(), presented) << "the loop stopped";
}

TEST_F(DirectorTest, EndPurgesAnimationsThenFramesThenSchedulerThenActionsThenTextures)
{
    KSDirectorIOS* d = directorWithView();
    auto scene = KSScene::node();
    d->runWithScene(scene.get());
    advance(1.0 / 60);
    texture_test::writeSolidPNG(dir.file("red.png"), 4, 4, 0xFF0000FF);
    auto texture = KSTextureCache::sharedTextureCache()->addImage("red.png");
    KSAnimationCache::sharedAnimationCache()->addAnimation(PurgedAnimation::make().get(), "walk");
    KSSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFrame(PurgedFrame::make(texture.get()).get(), "red");
    {
        // Held only by the scheduler / the action manager from here on.
        auto target = platform::adoptRef(new PurgedTarget("scheduler"));
        KSScheduler::sharedScheduler()->scheduleUpdateForTarget(target.get(), 1, false);
        auto node = PurgedNode::make();
        KSActionManager::sharedManager()->addAction(KSMoveBy::actionWithDuration(5, { 1, 1 }).get(), node.get(), false);
    }
    texture = nullptr;
    std::vector<std::string> purges;
    gPurgeJournal = &purges;
    d->end();
    gPurgeJournal = nullptr;
    EXPECT_EQ(purges, (std::vector<std::string> { "animation cache", "sprite frame cache", "scheduler", "action manager" }));
    EXPECT_FALSE(KSTextureCache::sharedTextureCache()->textureForKey("red.png"));
}

} // namespace

// Director subclasses ------------------------------------------------------------------------

namespace {

class GameDirector : public KSDirectorTimer {
public:
    static KSDirector* sharedDirector() { return sharedDirectorOfClass<GameDirector>(); }
    std::string className() const override { return "GameDirector"; }
};

class TextureReceiver : public platform::Object {
public:
    void loaded(KSTexture2D* texture)
    {
        ++calls;
        last = texture;
    }
    int calls { 0 };
    Ref<KSTexture2D> last;
};

} // namespace

TEST_F(DirectorTest, SharedDirectorThroughASubclassMakesThatSubclass)
{
    KSDirector* d = GameDirector::sharedDirector();
    ASSERT_NE(dynamic_cast<GameDirector*>(d), nullptr);
    EXPECT_EQ(KSDirector::sharedDirector(), d);
    // Once one exists, asking through another class answers it unchanged.
    EXPECT_EQ(KSDirectorFast::sharedDirector(), d);
    KSDirector::purgeSharedDirector();
    EXPECT_EQ(KSDirectorFast::sharedDirector()->className(), "KSDirectorFast");
    KSDirector::purgeSharedDirector();
    EXPECT_EQ(KSDirector::sharedDirector()->className(), "KSDirectorTimer");
}

// Background texture loads -------------------------------------------------------------------

TEST_F(DirectorTest, AsyncTextureLoadsShareTheViewsContextNotTheCallers)
{
    directorWithView(kKSDirectorTypeNSTimer, 32, 32);
    texture_test::writeSolidPNG(dir.file("bg.png"), 8, 8, 0x204060FF);
    // Nothing current on the caller: the load still shares the view's context.
    platform::GLContext::clearCurrent();
    auto receiver = platform::makeRef<TextureReceiver>();
    KSTextureCache::sharedTextureCache()->addImageAsync("bg.png", receiver.get(), BRISKO_SELECTOR(TextureReceiver, loaded));
    ASSERT_TRUE(loop().runUntil([&] { return receiver->calls > 0; }, testing_support::kHungAfterSeconds));
    ASSERT_TRUE(receiver->last);
    ASSERT_TRUE(KSDirector::sharedDirector()->openGLView()->context()->makeCurrent());
    EXPECT_TRUE(glIsTexture(receiver->last->name()));
}

TEST_F(DirectorTest, AsyncTextureLoadWithoutAContextLogsAndCallsBackWithNil)
{
    texture_test::writeSolidPNG(dir.file("lost.png"), 8, 8, 0x204060FF);
    KSTextureCache::purgeSharedTextureCache();
    platform::GLContext::clearCurrent();
    platform::LogCapture log;
    auto receiver = platform::makeRef<TextureReceiver>();
    KSTextureCache::sharedTextureCache()->addImageAsync("lost.png", receiver.get(), BRISKO_SELECTOR(TextureReceiver, loaded));
    ASSERT_TRUE(loop().runUntil([&] { return receiver->calls > 0; }, testing_support::kHungAfterSeconds));
    EXPECT_EQ(receiver->calls, 1);
    EXPECT_FALSE(receiver->last);
    EXPECT_TRUE(log.contains("lost.png"));
    EXPECT_FALSE(KSTextureCache::sharedTextureCache()->textureForKey("lost.png"));
}

// Memory warnings --------------------------------------------------------------------------

// Level 1 batches "sheet.png" and keeps that batch (a HUD, say) across a
// memory warning; level 2 batches the road's file and makes sprites of it by
// one road: a file is one texture before the warning and after it, so the
// batches take them. A load asked as the warning comes (its delivery waits
// in the main loop) delivers the texture the cache then has for its file.
// The texture a level still uses stays cached; an unused one goes.
TEST_F(DirectorTest, AMemoryWarningBetweenLevelsKeepsOneTextureAFile)
{
    installFPSImages();
    KSDirectorIOS* d = director();
    texture_test::writeHeroSheet(dir);
    texture_test::writeSolidPNG(dir.file("late.png"), 16, 16, 0x3060C0FF);
    texture_test::writeSolidPNG(dir.file("spare.png"), 8, 8, 0xFFFFFFFF);
    auto cache = [] { return KSTextureCache::sharedTextureCache(); };
    auto receiver = platform::makeRef<TextureReceiver>();
    struct Road {
        const char* name;
        const char* file;
        std::function<Ref<KSSprite>()> sprite;
    };
    const Road roads[] = {
        { "a sheet's frame", "sheet.png", [] { return KSSprite::spriteWithSpriteFrameName("hero.png"); } },
        { "the file", "sheet.png", [] { return KSSprite::spriteWithFile("sheet.png"); } },
        { "a load asked as the warning comes", "late.png",
          [&] {
              EXPECT_TRUE(loop().runUntil([&] { return receiver->calls > 0; }, testing_support::kHungAfterSeconds));
              return KSSprite::spriteWithTexture(receiver->last.get());
          } },
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        d->setOpenGLView(makeView().get());
        KSSpriteFrameCache::sharedSpriteFrameCache()->addSpriteFramesWithFile("sheet.plist");
        auto level1 = KSScene::node();
        auto hud = KSSpriteBatchNode::batchNodeWithFile("sheet.png");
        ASSERT_TRUE(hud);
        hud->addChild(KSSprite::spriteWithSpriteFrameName("hero.png").get());
        level1->addChild(hud.get());
        ASSERT_TRUE(cache()->addImage("spare.png"));
        d->runWithScene(level1.get());
        advance(1.0 / 60);

        cache()->addImageAsync("late.png", receiver.get(), BRISKO_SELECTOR(TextureReceiver, loaded));
        d->purgeCachedData();
        EXPECT_FALSE(cache()->textureForKey("spare.png")) << "a texture nobody uses stays after a warning";
        auto level2 = KSScene::node();
        auto batch = KSSpriteBatchNode::batchNodeWithFile(road.file);
        ASSERT_TRUE(batch);
        for (KSSpriteBatchNode* taker : { batch.get(), hud.get() }) {
            if (taker == hud.get() && std::string(road.file) != "sheet.png")
                continue; // the HUD takes sprites of the sheet only
            Ref<KSSprite> sprite = road.sprite();
            ASSERT_TRUE(sprite);
            EXPECT_NO_THROW(taker->addChild(sprite.get())) << (taker == hud.get() ? "the kept batch" : "the new batch");
        }
        EXPECT_EQ(hud->texture(), cache()->addImage("sheet.png"));
        hud->removeFromParentAndCleanup(false);
        level2->addChild(batch.get());
        level2->addChild(hud.get());
        d->replaceScene(level2.get());
        advance(1.0 / 60);
        d->end();
        ASSERT_TRUE(loop().runUntil([&] { return receiver->calls > 0; }, testing_support::kHungAfterSeconds));
        receiver->calls = 0;
        receiver->last = nullptr;
    }
}

// Second runs ------------------------------------------------------------------------------

namespace {

// A load's target that keeps what it is given.
class LateKeeper : public platform::Object {
public:
    void loaded(KSTexture2D* texture) { kept = texture; }
    Ref<KSTexture2D> kept;
};

} // namespace

// A game run twice in one process (end(), then a new view and runWithScene),
// each run's view on a GL context of its own, as a game's views are. What run
// 1 leaves behind (a load it asked for that arrives in run 2, a sprite it
// kept and lets go of in run 2, its notification node, a pause it ended in)
// neither blanks run 2's blue sprite nor keeps run 2 still: end() leaves the
// director as it was made, not paused, with its interval and no notification
// node, and run 1's textures leave their own GL context, not run 2's.
TEST_F(DirectorTest, ASecondRunInOneProcessDrawsWithItsOwnTexturesAndMoves)
{
    texture_test::writeSolidPNG(dir.file("white.png"), 8, 8, 0xFFFFFFFF);
    texture_test::writeSolidPNG(dir.file("late.png"), 8, 8, 0xFFFFFFFF);
    texture_test::writeSolidPNG(dir.file("blue.png"), 32, 32, 0x0000FFFF);
    auto ownView = [] {
        auto view = EAGLView::viewWithFrame({ 0, 0, 32, 32 }, kEAGLColorFormatRGBA8, 0, false, nullptr, false, 0);
        EXPECT_TRUE(view);
        return view;
    };
    const char* const roads[] = { "a load asked in run 1 arrives in run 2", "a run-1 sprite let go in run 2",
                                  "run 1's notification node", "run 1 ended while paused" };
    for (const std::string road : roads) {
        SCOPED_TRACE(road);
        KSDirectorIOS* d = director();
        d->setAnimationInterval(1.0 / 30);
        d->setOpenGLView(ownView().get());
        d->runWithScene(KSScene::node().get());
        advance(1.0 / 30);
        Ref<KSSprite> kept;
        auto late = platform::makeRef<LateKeeper>();
        if (road == "a load asked in run 1 arrives in run 2") {
            KSTextureCache::sharedTextureCache()->addImageAsync("late.png", late.get(),
                                                               BRISKO_SELECTOR(LateKeeper, loaded));
        } else if (road == "a run-1 sprite let go in run 2") {
            kept = KSSprite::spriteWithFile("white.png");
        } else if (road == "run 1's notification node") {
            auto notice = KSSprite::spriteWithFile("white.png");
            notice->setPosition({ 16, 16 });
            d->setNotificationNode(notice.get());
        } else {
            d->pause();
        }
        late = nullptr; // the load holds it now
        // The end joins the loader: its delivery waits in the main loop.
        d->end();
        EXPECT_FALSE(d->isPaused());
        EXPECT_EQ(d->animationInterval(), 1.0 / 30);
        EXPECT_EQ(d->notificationNode(), nullptr);

        d->setOpenGLView(ownView().get());
        auto scene = KSScene::node();
        auto blue = KSSprite::spriteWithFile("blue.png");
        ASSERT_TRUE(blue);
        blue->setPosition({ 16, 16 });
        scene->addChild(blue.get());
        auto ticks = TickRecorder::make(nullptr);
        d->runWithScene(scene.get());
        Ref<platform::Image> frame;
        d->openGLView()->setCaptureHook([&](EAGLView& v) { frame = v.readFrame(); });
        advance(1.0 / 30);
        kept = nullptr;
        loop().drain();
        advance(1.0 / 30);
        EXPECT_GT(ticks->ticks, 0) << "run 2 moves";
        ASSERT_TRUE(frame);
        const uint8_t* centre = frame->rgba().data() + (static_cast<size_t>(16) * 32 + 16) * 4;
        EXPECT_EQ(centre[0], 0);
        EXPECT_EQ(centre[2], 255) << "run 2's sprite draws blue";
        EXPECT_TRUE(glIsTexture(blue->texture()->name()));
        KSDirector::purgeSharedDirector();
        ASSERT_TRUE(context()->makeCurrent());
    }
}

