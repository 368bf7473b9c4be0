// The action contract and the actions that stand directly on it: repeat
// forever, speed and follow.
#include "engine/KSAction.h"

#include "engine/KSActionInterval.h"
#include "engine/KSDirector.h"
#include "engine/KSNode.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

// KSAction ------------------------------------------------------------------------

Ref<KSAction> KSAction::action()
{
    auto a = adoptRef(new KSAction);
    return a->init() ? a : nullptr;
}

bool KSAction::init()
{
    originalTarget_ = target_ = nullptr;
    tag_ = kKSActionTagInvalid;
    return true;
}

std::string KSAction::description() const
{
    return platform::format("<%s = %s | Tag = %i>", className().c_str(), platform::addressString(this).c_str(), tag_);
}

Ref<KSAction> KSAction::copy() const
{
    auto a = adoptRef(new KSAction);
    (void)a->init(); // a plain action's init cannot fail
    a->tag_ = tag_;
    return a;
}

void KSAction::startWithTarget(platform::Object* target)
{
    originalTarget_ = target_ = target;
}

void KSAction::stop()
{
    target_ = nullptr;
}

void KSAction::step(ksTime)
{
    platform::log("[Action step]. override me");
}

void KSAction::update(float)
{
    platform::log("[Action update]. override me");
}

KSNode* KSAction::targetNode() const
{
    return dynamic_cast<KSNode*>(target_);
}

KSNode* KSAction::node() const
{
    KSNode* node = targetNode();
    BRISKO_ASSERT(node != nullptr, platform::format("%s: the target must be a KSNode", className().c_str()));
    return node;
}

// KSRepeatForever -----------------------------------------------------------------

Ref<KSRepeatForever> KSRepeatForever::actionWithAction(KSActionInterval* action)
{
    auto a = adoptRef(new KSRepeatForever);
    return a->initWithAction(action) ? a : nullptr;
}

bool KSRepeatForever::initWithAction(KSActionInterval* action)
{
    if (!init())
        return false;
    other_ = action;
    return true;
}

int KSRepeatForever::holds(const platform::Object* object) const { return other_ ? other_->holds(object) : 0; }

Ref<KSAction> KSRepeatForever::copy() const
{
    auto inner = other_ ? platform::dynamicRef<KSActionInterval>(other_->copy()) : nullptr;
    return actionWithAction(inner.get());
}

void KSRepeatForever::startWithTarget(platform::Object* target)
{
    KSAction::startWithTarget(target);
    if (other_)
        other_->startWithTarget(target);
}

void KSRepeatForever::step(ksTime dt)
{
    if (!other_)
        return;
    other_->step(dt);
    if (other_->isDone()) {
        ksTime diff = dt + other_->duration() - other_->elapsed();
        other_->startWithTarget(target_);
        // The restart makes this the inner action's first tick: it shows its
        // start again and the overshoot is dropped.
        other_->step(diff);
    }
}

Ref<KSRepeatForever> KSRepeatForever::reverse() const
{
    if (!other_)
        return actionWithAction(nullptr);
    auto inner = platform::dynamicRef<KSActionInterval>(other_->reverse());
    if (!inner)
        return nullptr;
    return actionWithAction(inner.get());
}

// KSSpeed -------------------------------------------------------------------------

Ref<KSSpeed> KSSpeed::actionWithAction(KSActionInterval* action, float speed)
{
    auto a = adoptRef(new KSSpeed);
    return a->initWithAction(action, speed) ? a : nullptr;
}

bool KSSpeed::initWithAction(KSActionInterval* action, float speed)
{
    if (!init())
        return false;
    other_ = action;
    speed_ = speed;
    return true;
}

Ref<KSAction> KSSpeed::copy() const
{
    auto inner = other_ ? platform::dynamicRef<KSActionInterval>(other_->copy()) : nullptr;
    return actionWithAction(inner.get(), speed_);
}

void KSSpeed::startWithTarget(platform::Object* target)
{
    KSAction::startWithTarget(target);
    if (other_)
        other_->startWithTarget(target);
}

void KSSpeed::stop()
{
    if (other_)
        other_->stop();
    KSAction::stop();
}

void KSSpeed::step(ksTime dt)
{
    if (other_)
        other_->step(dt * speed_);
}

bool KSSpeed::isDone() const
{
    return other_ && other_->isDone();
}

int KSSpeed::holds(const platform::Object* object) const { return other_ ? other_->holds(object) : 0; }

Ref<KSSpeed> KSSpeed::reverse() const
{
    if (!other_)
        return actionWithAction(nullptr, speed_);
    auto inner = platform::dynamicRef<KSActionInterval>(other_->reverse());
    if (!inner)
        return nullptr;
    return actionWithAction(inner.get(), speed_);
}

// KSFollow ------------------------------------------------------------------------

KSFollow::KSFollow() = default;
KSFollow::~KSFollow() = default;

Ref<KSFollow> KSFollow::actionWithTarget(KSNode* followedNode)
{
    auto a = adoptRef(new KSFollow);
    return a->initWithTarget(followedNode) ? a : nullptr;
}

Ref<KSFollow> KSFollow::actionWithTarget(KSNode* followedNode, Rect worldBoundary)
{
    auto a = adoptRef(new KSFollow);
    return a->initWithTarget(followedNode, worldBoundary) ? a : nullptr;
}

bool KSFollow::initWithTarget(KSNode* followedNode)
{
    if (!init())
        return false;
    followedNode_ = followedNode;
    boundarySet_ = false;
    boundaryFullyCovered_ = false;
    Size win = KSDirector::sharedDirector()->winSize();
    fullScreenSize_ = { win.width, win.height };
    halfScreenSize_ = fullScreenSize_ * 0.5f;
    return true;
}

bool KSFollow::initWithTarget(KSNode* followedNode, Rect rect)
{
    if (!initWithTarget(followedNode))
        return false;
    boundarySet_ = true;
    leftBoundary_ = -((rect.origin.x + rect.size.width) - fullScreenSize_.x);
    rightBoundary_ = -rect.origin.x;
    topBoundary_ = -rect.origin.y;
    bottomBoundary_ = -((rect.origin.y + rect.size.height) - fullScreenSize_.y);
    if (rightBoundary_ < leftBoundary_)
        rightBoundary_ = leftBoundary_ = (leftBoundary_ + rightBoundary_) / 2;
    if (topBoundary_ < bottomBoundary_)
        topBoundary_ = bottomBoundary_ = (topBoundary_ + bottomBoundary_) / 2;
    if (topBoundary_ == bottomBoundary_ && leftBoundary_ == rightBoundary_)
        boundaryFullyCovered_ = true;
    return true;
}

Ref<KSAction> KSFollow::copy() const
{
    auto a = adoptRef(new KSFollow);
    (void)a->init(); // the fields are copied below
    a->tag_ = tag_;
    a->followedNode_ = followedNode_;
    a->boundarySet_ = boundarySet_;
    a->boundaryFullyCovered_ = boundaryFullyCovered_;
    a->halfScreenSize_ = halfScreenSize_;
    a->fullScreenSize_ = fullScreenSize_;
    a->leftBoundary_ = leftBoundary_;
    a->rightBoundary_ = rightBoundary_;
    a->topBoundary_ = topBoundary_;
    a->bottomBoundary_ = bottomBoundary_;
    return a;
}

namespace {
float clampTo(float v, float low, float high)
{
    if (v < low)
        return low;
    if (v >= high)
        return high;
    return v;
}
} // namespace

void KSFollow::step(ksTime)
{
    KSNode* target = targetNode();
    if (!target || !followedNode_)
        return;
    Point p = halfScreenSize_ - followedNode_->position();
    if (boundarySet_) {
        if (boundaryFullyCovered_)
            return;
        target->setPosition({ clampTo(p.x, leftBoundary_, rightBoundary_), clampTo(p.y, bottomBoundary_, topBoundary_) });
    } else {
        target->setPosition(p);
    }
}

bool KSFollow::isDone() const
{
    return !followedNode_ || !followedNode_->isRunning();
}

void KSFollow::stop()
{
    target_ = nullptr;
    KSAction::stop();
}

int KSFollow::holds(const platform::Object* object) const { return followedNode_.get() == object ? 1 : 0; }

} // namespace kestrel
