// Scene transitions: a temporary scene that joins the scene that was running
// (the out-scene) and the one to follow (the in-scene), animates both with
// ordinary actions, and at the end hands the in-scene to the director. Change
// screens with replaceScene(KSTransitionFlipX::transitionWithDuration(d, next)).
//
// While a transition runs it takes over the enter, exit and clean-up calls of
// the two scenes: the in-scene enters when the transition starts and hears
// onEnterTransitionDidFinish when it ends; the out-scene exits (and is cleaned
// up if the director sends clean-up) when the transition leaves.
//
// Caveat: touch dispatch is off from the moment a transition is made until it
// hands over (or is replaced or released without having run), so no layer
// receives touches while scenes move.
#pragma once

#include "engine/KSAction.h"
#include "engine/KSScene.h"

#include <vector>

namespace kestrel {

class KSActionInterval;
class KSGridBase;

// The class factory every transition offers (an object of the named class).
#define KS_TRANSITION_FACTORY(Name)                                                           \
    [[nodiscard]] static platform::Ref<Name> transitionWithDuration(ksTime t, KSScene* scene)               \
    {                                                                                         \
        auto a = platform::adoptRef(new Name);                                                \
        return a->initWithDuration(t, scene) ? a : nullptr;                                   \
    }                                                                                         \
    std::string className() const override { return #Name; }

class KSTransitionScene : public KSScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionScene)
    // Fails the assertion for a null scene or the scene that is running.
    [[nodiscard]] virtual bool initWithDuration(ksTime t, KSScene* scene);

    // Visits both scenes, the in-scene last when it is on top.
    void draw() override;
    void onEnter() override;
    void onExit() override;
    void cleanup() override;

    // Resets both scenes (the out-scene hidden) and hands over at the next tick.
    void finish();
    // Shows the in-scene and hides the out-scene.
    void hideOutShowIn();
    // The hand-over: the director replaces this transition with the in-scene.
    void setNewScene(ksTime dt);

    KSScene* inScene() const { return inScene_.get(); }
    // Null when no scene ran when the transition was made.
    KSScene* outScene() const { return outScene_.get(); }
    ksTime duration() const { return duration_; }
    // Gives back this transition's hold on touch dispatch (once); dispatch
    // comes back on when no transition holds it. The director calls it for a
    // transition covered before it came on show; it holds touches again when
    // it does.
    void releaseTouches();
    bool isInSceneOnTop() const { return inSceneOnTop_; }

protected:
    KSTransitionScene() = default;
    ~KSTransitionScene() override;

    // Sets inSceneOnTop_ (called once by the initialiser).
    virtual void sceneOrder();
    // Runs an action of the transition's on the in-scene (stopped if the
    // transition leaves before it hands over).
    void runOnInScene(KSFiniteTimeAction* action);
    // Runs the out-scene's action; with no out-scene, an action that `ends`
    // the transition becomes a wait of its length followed by finish on itself.
    void runOnOutScene(KSFiniteTimeAction* action, bool ends);
    platform::Ref<KSFiniteTimeAction> callFinish();

    platform::Ref<KSScene> inScene_;
    platform::Ref<KSScene> outScene_;
    ksTime duration_ { 0 };
    bool inSceneOnTop_ { false };
    bool sendCleanupToScene_ { false };

private:
    // How a scene stood before the transition moved it.
    struct Rest {
        bool visible { true };
        Point position {};
        float scaleX { 1 }, scaleY { 1 }, rotation { 0 };
        Point anchor {};
        platform::Ref<KSGridBase> grid;
        bool gridActive { false };
    };
    static Rest restOf(KSScene* scene);
    static void putBack(KSScene* scene, const Rest& rest);
    // Left before it hands over: stops what the transition started (its own
    // actions, those on the scenes, the hand-over) and puts both scenes back
    // as they stood, so a scene shown again is whole.
    void stopAndPutBack();
    // Takes this transition's hold on touch dispatch (once).
    void holdTouches();

    bool holdsTouches_ { false };
    unsigned long finishTick_ { 0 };
    bool finished_ { false };
    // Asked the director for its incoming scene (setNewScene).
    bool handingOver_ { false };
    // Whether the director took the incoming scene from this transition as
    // it left (set by onExit; the scene then stays entered).
    bool handedOver_ { false };
    // Whether this transition's onExit exited the outgoing scene (it enters
    // it again when it comes back on show).
    bool outSceneLeftWithMe_ { false };
    // Entered once already; entered again after a pop.
    bool enteredBefore_ { false };
    bool cameBack_ { false };
    // Set up and moving the scenes (from onEnter until it hands over or leaves).
    bool started_ { false };
    Rest inRest_, outRest_;
    std::vector<platform::Ref<KSFiniteTimeAction>> sceneActions_;
};

// A transition whose flip turns one of two ways (orientation 0 or 1).
class KSTransitionSceneOriented : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionSceneOriented)
    [[nodiscard]] static platform::Ref<KSTransitionSceneOriented> transitionWithDuration(ksTime t, KSScene* scene, int orientation)
    {
        auto a = platform::adoptRef(new KSTransitionSceneOriented);
        return a->initWithDuration(t, scene, orientation) ? a : nullptr;
    }
    [[nodiscard]] virtual bool initWithDuration(ksTime t, KSScene* scene, int orientation);
    using KSTransitionScene::initWithDuration;
    int orientation() const { return orientation_; }

protected:
    KSTransitionSceneOriented() = default;
    // The flips' actions: the out-scene turns away by a quarter (shrinking to
    // half when zooming) and hides; then the in-scene shows and turns in.
    void runFlip(bool positive, float inAngleX, float outAngleX, bool zoom);

    int orientation_ { 0 };
};

// Out-scene shrinks while turning twice, in-scene grows back turning the other way.
class KSTransitionRotoZoom : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionRotoZoom)
    void onEnter() override;

protected:
    KSTransitionRotoZoom() = default;
};

// Out-scene shrinks and jumps away, in-scene jumps in and grows.
class KSTransitionJumpZoom : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionJumpZoom)
    void onEnter() override;

protected:
    KSTransitionJumpZoom() = default;
};

// In-scene moves in over the out-scene from the left (R, T, B: other sides).
class KSTransitionMoveInL : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionMoveInL)
    void onEnter() override;
    virtual void initScenes();
    virtual platform::Ref<KSActionInterval> action();
    virtual platform::Ref<KSActionInterval> easeActionWithAction(KSActionInterval* action);

protected:
    KSTransitionMoveInL() = default;
};

class KSTransitionMoveInR : public KSTransitionMoveInL {
public:
    KS_TRANSITION_FACTORY(KSTransitionMoveInR)
    void initScenes() override;

protected:
    KSTransitionMoveInR() = default;
};

class KSTransitionMoveInT : public KSTransitionMoveInL {
public:
    KS_TRANSITION_FACTORY(KSTransitionMoveInT)
    void initScenes() override;

protected:
    KSTransitionMoveInT() = default;
};

class KSTransitionMoveInB : public KSTransitionMoveInL {
public:
    KS_TRANSITION_FACTORY(KSTransitionMoveInB)
    void initScenes() override;

protected:
    KSTransitionMoveInB() = default;
};

// In-scene slides in from the left pushing the out-scene out (R, T, B: other sides).
class KSTransitionSlideInL : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionSlideInL)
    void onEnter() override;
    virtual void initScenes();
    virtual platform::Ref<KSActionInterval> action();
    virtual platform::Ref<KSActionInterval> easeActionWithAction(KSActionInterval* action);

protected:
    KSTransitionSlideInL() = default;
    void sceneOrder() override;
};

class KSTransitionSlideInR : public KSTransitionSlideInL {
public:
    KS_TRANSITION_FACTORY(KSTransitionSlideInR)
    void initScenes() override;
    platform::Ref<KSActionInterval> action() override;

protected:
    KSTransitionSlideInR() = default;
    void sceneOrder() override;
};

class KSTransitionSlideInT : public KSTransitionSlideInL {
public:
    KS_TRANSITION_FACTORY(KSTransitionSlideInT)
    void initScenes() override;
    platform::Ref<KSActionInterval> action() override;

protected:
    KSTransitionSlideInT() = default;
    void sceneOrder() override;
};

class KSTransitionSlideInB : public KSTransitionSlideInL {
public:
    KS_TRANSITION_FACTORY(KSTransitionSlideInB)
    void initScenes() override;
    platform::Ref<KSActionInterval> action() override;

protected:
    KSTransitionSlideInB() = default;
    void sceneOrder() override;
};

// Out-scene shrinks towards its left third while the in-scene grows from its right third.
class KSTransitionShrinkGrow : public KSTransitionScene {
public:
    KS_TRANSITION_FACTORY(KSTransitionShrinkGrow)
    void onEnter() override;
    virtual platform::Ref<KSActionInterval> easeActionWithAction(KSActionInterval* action);

protected:
    KSTransitionShrinkGrow() = default;
};

// The flips: the out-scene turns away during the first half, the in-scene
// turns in during the second. Orientation 1 turns +90 degrees about z for the
// X and angular flips; 0 does so for the Y flips; any other value turns -90.
#define KS_FLIP_CLASS(Name)                                                                       \
    class Name : public KSTransitionSceneOriented {                                               \
    public:                                                                                       \
        KS_TRANSITION_FACTORY(Name)                                                               \
        [[nodiscard]] static platform::Ref<Name> transitionWithDuration(ksTime t, KSScene* scene, int orientation) \
        {                                                                                         \
            auto a = platform::adoptRef(new Name);                                                \
            return a->initWithDuration(t, scene, orientation) ? a : nullptr;                      \
        }                                                                                         \
        void onEnter() override;                                                                  \
                                                                                                  \
    protected:                                                                                    \
        Name() = default;                                                                         \
    };

KS_FLIP_CLASS(KSTransitionFlipX)
KS_FLIP_CLASS(KSTransitionFlipY)
KS_FLIP_CLASS(KSTransitionFlipAngular)
KS_FLIP_CLASS(KSTransitionZoomFlipX)
KS_FLIP_CLASS(KSTransitionZoomFlipY)
KS_FLIP_CLASS(KSTransitionZoomFlipAngular)

#undef KS_FLIP_CLASS

} // namespace kestrel
