// Actions change a node over time. A node hands one to runAction(); the shared
// action manager starts it, steps it once per frame and stops it when done.
//
// This header holds the contract every action honours (KSAction), the
// finite-duration base (KSFiniteTimeAction) and the three actions that stand
// directly on the base: KSRepeatForever, KSSpeed and KSFollow.
//
// Caveat: an action runs on one target at a time; to run the same behaviour on
// several nodes, copy() it.
#pragma once

#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"

namespace kestrel {

class KSNode;
class KSActionInterval;

class KSAction : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSAction> action();
    virtual bool init();

    std::string description() const override;

    // A new, not-started action with the same parameters. Only the base copy
    // (and KSFollow's) carries the tag.
    virtual platform::Ref<KSAction> copy() const;

    // Called once when the action starts on a target.
    virtual void startWithTarget(platform::Object* target);
    // Called once when the action ends or is removed.
    virtual void stop();
    virtual bool isDone() const { return true; }
    // Seconds since the last frame.
    virtual void step(ksTime dt);
    // Normalised progress: 0 start, 1 end (beyond with some eases).
    virtual void update(float t);

    // Not retained: the running target, null after stop().
    platform::Object* target() const { return target_; }
    // Not retained: the target given at start, kept after stop().
    platform::Object* originalTarget() const { return originalTarget_; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    // How many references this action (with the actions inside it) keeps on
    // the object: a callback's target, a followed node. The director asks, so
    // that a scene whose own actions call back to it is not taken as held.
    virtual int holds(const platform::Object* /*object*/) const { return 0; }

protected:
    KSAction() = default;
    // The target as a node, for actions that drive a node: a target that is
    // none fails the assertion naming the action's class.
    KSNode* node() const;
    // The target as a node, or null (after stop, or on a target of another kind).
    KSNode* targetNode() const;

    platform::Object* originalTarget_ { nullptr };
    platform::Object* target_ { nullptr };
    int tag_ { kKSActionTagInvalid };
};

class KSFiniteTimeAction : public KSAction {
public:
    ksTime duration() const { return duration_; }
    void setDuration(ksTime d) { duration_ = d; }
    // An action that undoes this one, or null when it cannot be reversed.
    virtual platform::Ref<KSFiniteTimeAction> reverse() const { return nullptr; }

protected:
    KSFiniteTimeAction() = default;
    ksTime duration_ { 0 };
};

// Repeats an interval action without end; the inner action is restarted, not
// copied. Over no action (the reverse of one that has none) it does nothing.
class KSRepeatForever : public KSAction {
public:
    [[nodiscard]] static platform::Ref<KSRepeatForever> actionWithAction(KSActionInterval* action);
    [[nodiscard]] bool initWithAction(KSActionInterval* action);

    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void step(ksTime dt) override;
    bool isDone() const override { return false; }
    int holds(const platform::Object* object) const override;
    // Null when the inner action cannot be reversed.
    platform::Ref<KSRepeatForever> reverse() const;

    KSActionInterval* innerAction() const { return other_.get(); }

protected:
    KSRepeatForever() = default;
    platform::Ref<KSActionInterval> other_;
};

// Runs an interval action at a changeable speed (0 halts it). Over no action
// (the reverse of one that has none) it does nothing and never finishes.
class KSSpeed : public KSAction {
public:
    [[nodiscard]] static platform::Ref<KSSpeed> actionWithAction(KSActionInterval* action, float speed);
    [[nodiscard]] bool initWithAction(KSActionInterval* action, float speed);

    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void stop() override;
    void step(ksTime dt) override;
    bool isDone() const override;
    int holds(const platform::Object* object) const override;
    platform::Ref<KSSpeed> reverse() const;

    float speed() const { return speed_; }
    void setSpeed(float speed) { speed_ = speed; }
    KSActionInterval* innerAction() const { return other_.get(); }

protected:
    KSSpeed() = default;
    platform::Ref<KSActionInterval> other_;
    float speed_ { 1 };
};

// Keeps a node centred on screen by moving its target (normally the layer that
// holds it), optionally inside a world rectangle. Done once the followed node
// stops running.
class KSFollow : public KSAction {
public:
    [[nodiscard]] static platform::Ref<KSFollow> actionWithTarget(KSNode* followedNode);
    [[nodiscard]] static platform::Ref<KSFollow> actionWithTarget(KSNode* followedNode, Rect worldBoundary);
    [[nodiscard]] bool initWithTarget(KSNode* followedNode);
    [[nodiscard]] bool initWithTarget(KSNode* followedNode, Rect worldBoundary);

    // Carries the followed node, the boundary and the screen sizes as well as the tag.
    platform::Ref<KSAction> copy() const override;
    void step(ksTime dt) override;
    bool isDone() const override;
    void stop() override;
    int holds(const platform::Object* object) const override;

    bool boundarySet() const { return boundarySet_; }
    void setBoundarySet(bool set) { boundarySet_ = set; }
    KSNode* followedNode() const { return followedNode_.get(); }
    float leftBoundary() const { return leftBoundary_; }
    float rightBoundary() const { return rightBoundary_; }
    float topBoundary() const { return topBoundary_; }
    float bottomBoundary() const { return bottomBoundary_; }

protected:
    KSFollow();
    ~KSFollow() override;

    platform::Ref<KSNode> followedNode_;
    bool boundarySet_ { false };
    bool boundaryFullyCovered_ { false };
    Point halfScreenSize_ {};
    Point fullScreenSize_ {};
    float leftBoundary_ { 0 };
    float rightBoundary_ { 0 };
    float topBoundary_ { 0 };
    float bottomBoundary_ { 0 };
};

} // namespace kestrel
