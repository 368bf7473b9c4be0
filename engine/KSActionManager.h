// Owns and advances every running action of the engine. Nodes forward their
// runAction() and friends here; the shared scheduler calls update() once per
// frame as a priority-0 update target.
//
// Per target it keeps the list of actions (in the order they were added) and a
// paused flag. Any action may, while it is being stepped, add actions, remove
// itself, other actions, or all actions of any target: the walk stays valid.
// A target is retained while it has actions.
#pragma once

#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"

namespace kestrel {

class KSAction;

class KSActionManager : public platform::Object {
public:
    static KSActionManager* sharedManager();
    static void purgeSharedManager();
    // Whether the shared manager exists, without making one.
    static bool hasSharedManager();

    // Starts the action at once; paused only matters for a target's first action.
    void addAction(KSAction* action, platform::Object* target, bool paused);

    // Removal does not send stop: only an action that finishes is stopped.
    void removeAllActions();
    void removeAllActionsFromTarget(platform::Object* target);
    void removeAction(KSAction* action);
    void removeActionByTag(int tag, platform::Object* target);

    KSAction* getActionByTag(int tag, platform::Object* target) const;
    unsigned numberOfRunningActionsInTarget(platform::Object* target) const;

    void pauseTarget(platform::Object* target);
    void resumeTarget(platform::Object* target);
    void pauseAllActionsForTarget(platform::Object* target) { pauseTarget(target); }
    void resumeAllActionsForTarget(platform::Object* target) { resumeTarget(target); }

    // How many references the manager holds on the object: its record for it
    // as a target, and those kept by the actions that run on it or on a node
    // under it (a callback's target, a followed node), which go when it is
    // cleaned up. What the object's retain count owes to what runs on it
    // rather than to someone keeping it; an action running elsewhere that
    // will call it back does keep it.
    int holdsOn(const platform::Object* object) const;

    // Steps every action of every unpaused target once.
    void update(ksTime dt);

    struct HashElement;

protected:
    KSActionManager() = default;
    ~KSActionManager() override;
    bool init();

private:
    HashElement* find(platform::Object* target) const;
    void actionAllocWithHashElement(HashElement* element);
    void removeActionAtIndex(unsigned index, HashElement* element);
    void deleteHashElement(HashElement* element);
    void finishWalk(HashElement* element);

    HashElement* targets_ { nullptr };
    HashElement* currentTarget_ { nullptr };
    bool currentTargetSalvaged_ { false };
    // The record the walk in update() goes on with; kept valid when it is deleted.
    HashElement* nextElement_ { nullptr };
};

} // namespace kestrel
