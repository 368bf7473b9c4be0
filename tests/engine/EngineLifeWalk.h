// The engine's life at random (EngineLifeWalkTests.cpp): the walk's fixture,
// its record of what it asked the director for, and the scenes and nodes that
// report every life-cycle call, timer and action to it. The roads it takes
// are in EngineLifeWalkRoads.cpp (scenes and actions),
// EngineLifeWalkNodes.cpp (nodes, sprites, batch nodes and textures) and
// EngineLifeWalkValues.cpp (the roads and rules that check values).
#pragma once

#include "DirectorTestSupport.h"

#include "engine/KSAction.h"
#include "engine/KSLayer.h"
#include "engine/KSNode.h"
#include "engine/KSScene.h"
#include "engine/KSSprite.h"
#include "engine/KSSpriteBatchNode.h"
#include "engine/KSTexture2D.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/Weak.h"
#include "support/LiveGLNames.h"

#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kestrel {
class KSTMXLayer;
}

namespace engine_walk {

using platform::Ref;

class EngineLifeWalk;
class WalkScene;

// Load targets that died off the main thread (EngineLifeWalkNodes.cpp).
extern std::atomic<int> gTicketsOffMain;

// Where a scene may ask for a change from inside itself.
enum class Inside { Enter, Finish, Exit, Cleanup, Timer, Action, Visit, Count };

// What a watched node tells the walk: a timer or an action that runs on it
// while it is not running, after its cleanup, or (a timer) after it took
// all its timers off, a timer that ticks sooner than its interval on the
// walk's own clock, and a cleanup that misses one of its watched children.
struct Watch {
    EngineLifeWalk* walk { nullptr };
    std::string label;
    // The scene whose timer requests it fires (a scene's body), if any.
    platform::Weak<WalkScene> scene;
    bool cleaned { false };
    // Took its timers off from inside its own timer.
    bool unscheduled { false };
    // Armed, from the walk: inside its next timer call.
    bool removeItselfNext { false }, unscheduleItselfNext { false };
    // Its place is checked by an action of the walk: other roads leave it be.
    bool checked { false };
    // Its timer (every frame when the interval is 0): when it was scheduled,
    // when it last ticked and when the node last entered (the clock's seconds).
    bool timer { false };
    double interval { 0 }, scheduledAt { 0 }, lastTick { 0 }, runningSince { 0 };
    int ticks { 0 };
    // The walk's frame it was last drawn in.
    int drawnAt { -1 };
};

// A watched node's timer ticked: judged by the walk's clock (never sooner
// than its interval after it was scheduled or last ticked), then the request
// armed for its scene's timer runs and it takes itself off or stops its
// timers when armed to.
void timerTicked(kestrel::KSNode* node, Watch& watch);

// The walk's own changes to its nodes are not an action's.
class Building {
public:
    explicit Building(bool& flag) : flag_(flag), was_(std::exchange(flag, true)) { }
    ~Building() { flag_ = was_; }
    Building(const Building&) = delete;
    Building& operator=(const Building&) = delete;

private:
    bool& flag_;
    bool was_;
};

class Watchable {
public:
    virtual Watch& watched() = 0;

protected:
    ~Watchable() = default;
};

// A node of any kind, watched: Base is KSNode, KSSprite or KSSpriteBatchNode.
template <class Base>
class Watched : public Base, public Watchable {
public:
    void tick(kestrel::ksTime dt);
    void setPosition(platform::Point p) override;
    void setRotation(float degrees) override;
    void setScale(float s) override;
    void setVisible(bool visible) override;
    void onEnter() override;
    void draw() override;
    void cleanup() override;
    Watch& watched() override { return watch; }
    Watch watch;

private:
    void touched(const char* what);
};

using WalkNode = Watched<kestrel::KSNode>;
using WalkSprite = Watched<kestrel::KSSprite>;
using WalkBatch = Watched<kestrel::KSSpriteBatchNode>;
using WalkLayer = Watched<kestrel::KSLayer>;

// Visits the watched nodes under `node` (itself included when watched).
void forEachWatched(kestrel::KSNode* node, const std::function<void(kestrel::KSNode*, Watch&)>& visit);

// A scene that tells the walk of each call it gets and holds what the walk
// gave it (loaded textures); a one-shot request may be armed in any callback.
// A pause screen's scene runs itself too: its own timer or per-frame update
// and a repeating action on itself that calls it back (watched as `self`).
class WalkScene : public kestrel::KSScene, public Watchable {
public:
    static Ref<WalkScene> make(EngineLifeWalk* walk, int id);
    ~WalkScene() override;
    void onEnter() override;
    void onEnterTransitionDidFinish() override;
    void onExit() override;
    void cleanup() override;
    void visit() override;
    // An asynchronous load's callback, for the file `name` (one that cannot
    // load when `fails`).
    void loaded(const std::string& name, kestrel::KSTexture2D* texture, bool fails = false);
    // Runs (once) the request armed for `where`, if any.
    void fire(Inside where);
    // Schedules its own timer (or update) and runs a repeating action on
    // itself whose callback comes back to it.
    void runItself(double interval, bool update);
    void tick(kestrel::ksTime dt);
    void update(kestrel::ksTime dt) override { tick(dt); }
    // Its own action's callback.
    void calledBack();
    Watch& watched() override { return self; }
    Watch self;

    int id { 0 };
    bool entered { false }, everEntered { false }, cleaned { false };
    int cleanups { 0 };
    // In this entry: onEnterTransitionDidFinish calls and cleanups.
    int toldFinished { 0 }, cleanupsThisEntry { 0 };
    int loadsAsked { 0 }, loadsHeard { 0 };
    std::function<void()> armed[static_cast<int>(Inside::Count)];
    std::vector<Ref<kestrel::KSTexture2D>> textures;
    // The node that carries the scene's timer and actions, and the layer
    // that holds the nodes the walk works on.
    kestrel::KSNode* body { nullptr };
    kestrel::KSNode* work { nullptr };

private:
    WalkScene() = default;
    EngineLifeWalk* walk_ { nullptr };
};

class EngineLifeWalk : public director_test::DirectorTest, public testing::WithParamInterface<int> {
public:
    // A fault seen inside a callback, reported after the step.
    void fault(const std::string& what) { faults.push_back(what); }
    void sceneDestroyed(const WalkScene& scene, bool onMain);
    // A load's callback, kept to be delivered where the walk's draw says.
    void arrived(int order, std::function<void()> deliver);
    double now() { return loop().now(); }
    // Whether the walk itself is changing its nodes now (not an action).
    bool building { false };

protected:
    void SetUp() override;
    void TearDown() override;
    void walk(int seed, int length);

    // ---- Roads (EngineLifeWalkRoads.cpp and EngineLifeWalkNodes.cpp)
    struct Road {
        const char* name;
        int weight;
        void (EngineLifeWalk::*take)();
    };
    static const std::vector<Road>& roads();
    void runAScene();
    void replacePlain();
    void replaceWithTransition();
    void pushPlain();
    void pushWithTransition();
    void pop();
    void endTheDirector();
    void twoRequestsInOneFrame();
    void replaceTransitionMidWay();
    void replaceTransitionAsItFinishes();
    void transitionPushedAndPopped();
    void transitionCoveredAndUncovered();
    void transitionCancelledByItsScene();
    void askDuringAHandOver();
    void armARequestInside();
    void popsFromInside();
    void startAnAction();
    void startAReversedAction();
    void stopActions();
    void replaceAnAction();
    void changeNodes();
    void checkedAction();
    // ---- Value roads (EngineLifeWalkValues.cpp)
    void valuedAction();
    void renderTextures();
    void editTiles();
    void changeLabels();
    void emitParticles();
    // Scales one axis of a node, or turns, moves or anchors it anew.
    void reshapeNode(kestrel::KSNode* node);
    void writeValueFixtures();
    void levelFromASheet();
    void pauseTheGame();
    void pauseScreen();
    void loadThatFails();
    void loadATexture();
    void loadAndLeave();
    void loadBothWays();
    void purgeTextures();
    void memoryWarning();
    void drawFrames();

    // ---- Requests: each asks the director and keeps the walk's record in step.
    // Stop: the game's own stop, the director ended and purged.
    enum class Ask { Replace, ReplaceTransition, Push, PushTransition, Pop, End, Stop };
    static const char* askName(Ask ask);
    void request(Ask ask, const std::string& why);
    // Replaces the top with a scene the walk made before (shown again).
    void replaceWith(WalkScene* scene, const std::string& why);
    void replacingTheSceneOnShow();
    void waitForLoads();
    Ref<WalkScene> newScene();
    // Fills a new scene: a working layer of nodes and a pause screen's nodes.
    void populate(WalkScene* scene);
    Ref<kestrel::KSNode> makeNode(const std::string& label, bool timer);
    // Delivers the loads that called back, in the order asked (all of
    // them, once each has called back, when `all`).
    void deliverLoads(bool all);
    Ref<kestrel::KSScene> transitionTo(WalkScene* scene);
    Ref<kestrel::KSAction> anyAction(bool reversed);
    WalkScene* onShow() const;
    // Any scene the walk's stack holds, on show or under it.
    WalkScene* anyStackedScene();
    void load(WalkScene* scene, const std::string& name);

    // ---- Checks (EngineLifeWalkTests.cpp)
    void frame();
    void settle();
    void checkStep(bool settled);
    void checkSettled();
    void checkCachedTextures();
    void checkAtTheEnd();
    // Settled: every scene the game and the director let go of is gone (a
    // scene's own timers and actions keep it no longer than its clean-up).
    void checkScenesLetGo();
    // The scenes the transitions on the director's stack hold.
    std::set<kestrel::KSScene*> heldByTheStack() const;
    // Every N steps and at the end: the GL names live in GL (textures,
    // framebuffers, renderbuffers) are the engine's live objects' names,
    // beyond those live when the walk began: none is left behind.
    void checkGLNames();
    using GLNames = testing_support::LiveGLNames;
    // Live in GL, and held by the engine's objects.
    GLNames namesInGL();
    static GLNames namesHeld();
    // What the nodes promise: children in z-order, a batch's quads its
    // sprites', touch delegates of running layers only, kept-off nodes not
    // running, the nodes of a scene gone gone too; and (settled) each
    // timer of the scene on show ticking to its interval.
    void checkNodes(bool settled);
    void checkPixel(kestrel::KSSprite* sprite, uint32_t rgba);
    // Every step: the transforms of every node of the live scenes are the
    // model's, a batch drawn in the last frame draws its sprites' quads
    // where their transforms put them, and the frame went to the view's
    // framebuffer with the window's viewport and the director's clear colour.
    void checkValues();
    void checkTransforms(kestrel::KSNode* node, std::string& fault);
    void checkQuads(kestrel::KSSpriteBatchNode* batch, std::string& fault);
    // What a capture or read-back must leave as it found it.
    struct GLState {
        GLint framebuffer { 0 };
        std::array<GLint, 4> viewport {};
        std::array<GLfloat, 4> clear {};
        bool operator==(const GLState&) const = default;
    };
    static GLState glState();
    static std::string describeGL(const GLState& state);
    void expectGLState(const GLState& before, const std::string& what);
    struct ActionTable;
    // A tile map's layer and the GIDs the walk set in it.
    struct TileModel {
        platform::Weak<kestrel::KSTMXLayer> layer;
        std::vector<uint32_t> gids;
    };
    static constexpr int kTileColumns = 6;
    static const std::vector<uint32_t> kTileGIDs;
    void note(const std::string& line);
    // With BRISKO_WALK_TRACE: every life-cycle call a scene hears.
    void noteCall(int scene, const char* call);
    std::string describeStack() const;
    size_t draw(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }

    std::mt19937 random;
    // Frames drawn (or asked for) by the walk.
    int frames { 0 };
    std::map<int, TileModel> tilesOf;
    // A capture was left open, and how many lines the log said of it since.
    bool capturesLeftOpen { false };
    std::atomic<int> leftOpenLogged { 0 };
    platform::LogSink previousSink;
    bool tracing { false };
    int stepNumber { 0 };
    int nextId { 0 };
    int nextNode { 0 };
    kestrel::KSDirectorIOS* director_ { nullptr };
    bool ended { true };
    // The walk's record of the director's stack (scenes, not transitions).
    std::vector<Ref<WalkScene>> stack;
    // Every scene the walk made.
    std::map<int, platform::Weak<WalkScene>> scenes;
    // Every transition the walk made: none outlives its part.
    std::vector<platform::Weak<kestrel::KSScene>> transitions;
    // Cleanups per scene (kept when the scene is gone), the requests the
    // scenes made from their callbacks this step, and the scenes (with their
    // cleanups before) that the step's replace must clean up once.
    std::map<int, int> cleanupsOf;
    int firedThisStep { 0 };
    std::vector<std::pair<int, int>> mustBeCleanedUp;
    // Nodes taken off their parent without cleanup, to be added again.
    std::vector<Ref<kestrel::KSNode>> detached;
    // The nodes of each scene that go with it (a pause screen's spinner,
    // ticker and particles).
    std::map<int, std::vector<platform::Weak<kestrel::KSNode>>> nodesOf;
    // Loads called back and not yet delivered, by the order asked.
    std::vector<std::pair<int, std::function<void()>>> arrivals;
    int loadsArrived { 0 }, loadOrder { 0 };
    bool paused { false };
    // The next scene made is a pause screen that runs itself.
    bool pauseScreenNext { false };
    // The first director's frame interval, which a second run keeps.
    double interval { 0 };
    double resumedAt { 0 };
    // The textures the cache gave for each name since it was last emptied.
    std::map<std::string, platform::Weak<kestrel::KSTexture2D>> cached;
    std::vector<std::string> faults;
    std::set<int> destroyedEntered;
    std::deque<std::string> trail;
    int loadsAsked { 0 }, loadsHeard { 0 };
    std::atomic<int> destroyedOffMain { 0 };
    std::vector<GLuint> textureNames;
    size_t liveTexturesBefore { 0 };
    GLNames inGLBefore, heldBefore;
    // The highest GL name seen so far, of any kind (the scan's end).
    GLuint highestName { 0 };
    friend class WalkScene;
    template <class>
    friend class Watched;
};

} // namespace engine_walk
