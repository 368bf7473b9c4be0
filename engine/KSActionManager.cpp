// The action manager: a uthash table of per-target records (keyed by the
// target's full address, walked in insertion order), each with its action list.
//
// Re-entrancy: the record being walked is never deleted during its walk (it is
// marked salvaged and deleted afterwards), an action removed during its own step
// is kept alive by an extra reference until the step is over, and removing an
// action at or before the walk index moves the index back so that no action is
// skipped.
#include "engine/KSActionManager.h"

#include "engine/KSAction.h"
#include "engine/KSNode.h"
#include "engine/KSScheduler.h"
#include "engine/Support/KSArray.h"
#include "platform/foundation/Exception.h"

#include <uthash.h>

namespace kestrel {

using platform::Object;
using platform::Ref;

struct KSActionManager::HashElement {
    Ref<KSArray> actions;
    Object* target { nullptr }; // retained by the record; the hash key
    unsigned stepIndex { 0 };
    KSAction* steppingAction { nullptr };
    bool steppingActionSalvaged { false };
    bool paused { false };
    UT_hash_handle hh;
};

namespace {
KSActionManager* sharedInstance = nullptr;

KSAction* actionAt(KSArray* list, unsigned i) { return static_cast<KSAction*>(list->objectAtIndex(i)); }
} // namespace

KSActionManager* KSActionManager::sharedManager()
{
    if (!sharedInstance) {
        auto* manager = new KSActionManager;
        sharedInstance = manager;
        (void)manager->init(); // only registers with the scheduler: cannot fail
    }
    return sharedInstance;
}

void KSActionManager::purgeSharedManager()
{
    KSActionManager* manager = sharedInstance;
    if (!manager)
        return;
    KSScheduler::sharedScheduler()->unscheduleUpdateForTarget(manager);
    sharedInstance = nullptr;
    manager->release();
}

bool KSActionManager::hasSharedManager() { return sharedInstance != nullptr; }

bool KSActionManager::init()
{
    KSScheduler::sharedScheduler()->scheduleUpdateForTarget(this, 0, false);
    return true;
}

KSActionManager::~KSActionManager()
{
    removeAllActions();
    if (sharedInstance == this)
        sharedInstance = nullptr;
}

KSActionManager::HashElement* KSActionManager::find(Object* target) const
{
    HashElement* element = nullptr;
    HashElement* head = targets_;
    HASH_FIND_PTR(head, &target, element);
    return element;
}

void KSActionManager::actionAllocWithHashElement(HashElement* element)
{
    if (!element->actions)
        element->actions = KSArray::arrayWithCapacity(4);
}

void KSActionManager::deleteHashElement(HashElement* element)
{
    if (element == nextElement_)
        nextElement_ = static_cast<HashElement*>(element->hh.next);
    if (element->actions)
        element->actions->removeAllObjects();
    element->actions = nullptr;
    HASH_DEL(targets_, element);
    Object* target = element->target;
    delete element;
    target->release();
}

void KSActionManager::addAction(KSAction* action, Object* target, bool paused)
{
    BRISKO_ASSERT(action != nullptr, "Argument action must be non-nil");
    BRISKO_ASSERT(target != nullptr, "Argument target must be non-nil");

    HashElement* element = find(target);
    if (!element) {
        element = new HashElement;
        element->paused = paused;
        element->target = target;
        target->retain();
        HASH_ADD_PTR(targets_, target, element);
    }
    actionAllocWithHashElement(element);
    BRISKO_ASSERT(element->actions->indexOfObject(action) == kKSNotFound, "runAction: Action already running");
    element->actions->addObject(action);
    try {
        action->startWithTarget(target);
    } catch (...) {
        // An action refusing its target is not left half started in the table.
        if (unsigned i = element->actions->indexOfObject(action); i != kKSNotFound)
            removeActionAtIndex(i, element);
        throw;
    }
}

void KSActionManager::removeAllActions()
{
    for (HashElement* element = targets_; element;) {
        auto* next = static_cast<HashElement*>(element->hh.next);
        removeAllActionsFromTarget(element->target);
        element = next;
    }
}

void KSActionManager::removeAllActionsFromTarget(Object* target)
{
    if (!target)
        return;
    HashElement* element = find(target);
    if (!element)
        return;
    if (element->actions && element->steppingAction && !element->steppingActionSalvaged
        && element->actions->indexOfObject(element->steppingAction) != kKSNotFound) {
        element->steppingAction->retain();
        element->steppingActionSalvaged = true;
    }
    if (element->actions)
        element->actions->removeAllObjects();
    if (currentTarget_ == element)
        currentTargetSalvaged_ = true;
    else
        deleteHashElement(element);
}

void KSActionManager::removeAction(KSAction* action)
{
    if (!action)
        return;
    HashElement* element = find(action->originalTarget());
    if (!element || !element->actions)
        return;
    unsigned i = element->actions->indexOfObject(action);
    if (i != kKSNotFound)
        removeActionAtIndex(i, element);
}

void KSActionManager::removeActionAtIndex(unsigned index, HashElement* element)
{
    KSAction* action = actionAt(element->actions.get(), index);
    if (action == element->steppingAction && !element->steppingActionSalvaged) {
        action->retain();
        element->steppingActionSalvaged = true;
    }
    element->actions->removeObjectAtIndex(index);
    // Unsigned on purpose: from 0 it wraps and the walk's increment brings it back.
    if (element->stepIndex >= index)
        element->stepIndex--;
    if (element->actions->count() == 0) {
        if (currentTarget_ == element)
            currentTargetSalvaged_ = true;
        else
            deleteHashElement(element);
    }
}

void KSActionManager::removeActionByTag(int tag, Object* target)
{
    BRISKO_ASSERT(tag != kKSActionTagInvalid, "Invalid tag");
    BRISKO_ASSERT(target != nullptr, "Target should be ! nil");
    HashElement* element = find(target);
    if (!element || !element->actions)
        return;
    for (unsigned i = 0, n = element->actions->count(); i < n; ++i) {
        KSAction* action = actionAt(element->actions.get(), i);
        if (action->tag() == tag && action->originalTarget() == target) {
            removeActionAtIndex(i, element);
            return;
        }
    }
}

KSAction* KSActionManager::getActionByTag(int tag, Object* target) const
{
    BRISKO_ASSERT(tag != kKSActionTagInvalid, "Invalid tag");
    HashElement* element = find(target);
    if (!element || !element->actions)
        return nullptr;
    for (unsigned i = 0, n = element->actions->count(); i < n; ++i) {
        KSAction* action = actionAt(element->actions.get(), i);
        if (action->tag() == tag)
            return action;
    }
    return nullptr;
}

unsigned KSActionManager::numberOfRunningActionsInTarget(Object* target) const
{
    HashElement* element = find(target);
    return element && element->actions ? element->actions->count() : 0;
}

int KSActionManager::holdsOn(const Object* object) const
{
    // Whether the target is the object or a node under it.
    auto within = [object](const Object* target) {
        for (auto* node = dynamic_cast<const KSNode*>(target); node; node = node->parent())
            if (node == object)
                return true;
        return target == object;
    };
    int holds = 0;
    for (HashElement* element = targets_; element; element = static_cast<HashElement*>(element->hh.next)) {
        if (element->target == object)
            ++holds;
        if (element->actions && within(element->target))
            for (unsigned i = 0, n = element->actions->count(); i < n; ++i)
                holds += actionAt(element->actions.get(), i)->holds(object);
    }
    return holds;
}

void KSActionManager::pauseTarget(Object* target)
{
    if (HashElement* element = find(target))
        element->paused = true;
}

void KSActionManager::resumeTarget(Object* target)
{
    if (HashElement* element = find(target))
        element->paused = false;
}

void KSActionManager::finishWalk(HashElement* element)
{
    element->steppingAction = nullptr;
    element->steppingActionSalvaged = false;
    nextElement_ = static_cast<HashElement*>(element->hh.next);
    bool emptied = currentTargetSalvaged_ && element->actions->count() == 0;
    currentTarget_ = nullptr;
    currentTargetSalvaged_ = false;
    if (emptied)
        deleteHashElement(element);
}

void KSActionManager::update(ksTime dt)
{
    for (HashElement* element = targets_; element; element = nextElement_) {
        currentTarget_ = element;
        currentTargetSalvaged_ = false;
        nextElement_ = nullptr;
        // The record holds the target, but a step may let go of it; keep it
        // alive until this record's walk and clean-up are over.
        Ref<Object> keepTarget(element->target);

        if (!element->paused) {
            try {
                // A target paused by one of its own actions (its scene left,
                // say) steps no further action.
                for (element->stepIndex = 0; element->stepIndex < element->actions->count() && !element->paused;
                     element->stepIndex++) {
                    KSAction* action = actionAt(element->actions.get(), element->stepIndex);
                    element->steppingAction = action;
                    element->steppingActionSalvaged = false;

                    action->step(dt);

                    if (element->steppingActionSalvaged) {
                        action->release();
                    } else if (action->isDone()) {
                        action->stop();
                        if (element->steppingActionSalvaged) {
                            // stop() removed it already.
                            action->release();
                        } else {
                            element->steppingAction = nullptr;
                            removeAction(action);
                        }
                    }
                    element->steppingAction = nullptr;
                }
            } catch (...) {
                // A throwing action leaves the table as a finished walk would.
                if (element->steppingAction && element->steppingActionSalvaged)
                    element->steppingAction->release();
                finishWalk(element);
                nextElement_ = nullptr;
                throw;
            }
        }

        // Reads the next record before this one may go; a record deleted while
        // the target is let go below moves nextElement_ on (deleteHashElement).
        finishWalk(element);
        keepTarget = nullptr;
    }
    nextElement_ = nullptr;
}

} // namespace kestrel
