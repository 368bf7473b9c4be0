// The engine's life at random (EngineLifeWalkTests.cpp): the walk's fixture,
// its record of what it asked the director for, and the scenes and nodes that
// report every life-cycle call, timer and action to it. The roads it takes
// are in EngineLifeWalkRoads.cpp.
#pragma once

#include "DirectorTestSupport.h"

#include "engine/KSAction.h"
#include "engine/KSNode.h"
#include "engine/KSScene.h"
#include "engine/KSTexture2D.h"
#include "platform/foundation/Weak.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace engine_walk {

using platform::Ref;

class EngineLifeWalk;

// Where a scene may ask for a change from inside itself.
enum class Inside { Enter, Finish, Exit, Cleanup, Timer, Action, Count };

// A scene that tells the walk of each call it gets and holds what the walk
// gave it (loaded textures); a one-shot request may be armed in any callback.
class WalkScene : public kestrel::KSScene {
public:
    static Ref<WalkScene> make(EngineLifeWalk* walk, int id);
    ~WalkScene() override;
    void onEnter() override;
    void onEnterTransitionDidFinish() override;
    void onExit() override;
    void cleanup() override;
    void visit() override;
    // The asynchronous loads' callback.
    void loaded(kestrel::KSTexture2D* texture);
    // Runs (once) the request armed for `where`, if any.
    void fire(Inside where);

    int id { 0 };
    bool entered { false }, everEntered { false }, cleaned { false };
    int cleanups { 0 };
    int loadsAsked { 0 }, loadsHeard { 0 };
    std::function<void()> armed[static_cast<int>(Inside::Count)];
    std::vector<Ref<kestrel::KSTexture2D>> textures;
    // The node that carries the scene's timer and actions.
    kestrel::KSNode* body { nullptr };

private:
    WalkScene() = default;
    EngineLifeWalk* walk_ { nullptr };
};

// A node whose timer and whose actions' effects tell the walk that they ran,
// so that one running after the node was cleaned up is seen.
class WalkNode : public kestrel::KSNode {
public:
    static Ref<WalkNode> make(EngineLifeWalk* walk, WalkScene* scene);
    void tick(kestrel::ksTime dt);
    void setPosition(platform::Point p) override;
    void setRotation(float degrees) override;
    void setScale(float s) override;
    void setVisible(bool visible) override;
    void cleanup() override;
    bool cleaned { false };

private:
    void touched(const char* what);
    EngineLifeWalk* walk_ { nullptr };
    WalkScene* scene_ { nullptr }; // its parent, which outlives it
};

class EngineLifeWalk : public director_test::DirectorTest, public testing::WithParamInterface<int> {
public:
    // A fault seen inside a callback, reported after the step.
    void fault(const std::string& what) { faults.push_back(what); }
    void sceneDestroyed(const WalkScene& scene, bool onMain);

protected:
    void SetUp() override;
    void TearDown() override;
    void walk(int seed, int length);

    // ---- Roads (EngineLifeWalkRoads.cpp)
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
    void replaceTransitionMidWay();
    void replaceTransitionAsItFinishes();
    void armARequestInside();
    void startAnAction();
    void startAReversedAction();
    void stopActions();
    void replaceAnAction();
    void loadATexture();
    void loadAndLeave();
    void purgeTextures();
    void memoryWarning();
    void drawFrames();

    // ---- Requests: each asks the director and keeps the walk's record in step.
    enum class Ask { Replace, ReplaceTransition, Push, PushTransition, Pop, End };
    void request(Ask ask, const std::string& why);
    Ref<WalkScene> newScene();
    Ref<kestrel::KSScene> transitionTo(WalkScene* scene);
    Ref<kestrel::KSAction> anyAction(bool reversed);
    WalkScene* onShow() const;

    // ---- Checks (EngineLifeWalkTests.cpp)
    void frame();
    void settle();
    void checkStep(bool settled);
    void checkAtTheEnd();
    void note(const std::string& line);
    size_t draw(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }

    std::mt19937 random;
    int stepNumber { 0 };
    int nextId { 0 };
    kestrel::KSDirectorIOS* director_ { nullptr };
    bool ended { true };
    // The walk's record of the director's stack (scenes, not transitions).
    std::vector<Ref<WalkScene>> stack;
    // Every scene the walk made.
    std::map<int, platform::Weak<WalkScene>> scenes;
    // The requests of this step, and the plain scene on show its plain
    // replace took off (cleaned up once the step has settled).
    int requestsThisStep { 0 };
    platform::Weak<WalkScene> plainReplaced;
    std::vector<std::string> faults;
    std::set<int> destroyedEntered;
    std::deque<std::string> trail;
    int loadsAsked { 0 }, loadsHeard { 0 };
    std::atomic<int> destroyedOffMain { 0 };
    std::vector<GLuint> textureNames;
    size_t liveTexturesBefore { 0 };
    friend class WalkScene;
    friend class WalkNode;
};

} // namespace engine_walk
