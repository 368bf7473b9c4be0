// The tween action: a named float property driven from one value to another.
#include "engine/KSActionTween.h"

#include "engine/KSNode.h"

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

Ref<KSActionTween> KSActionTween::actionWithDuration(ksTime d, const std::string& key, float from, float to)
{
    auto a = adoptRef(new KSActionTween);
    return a->initWithDuration(d, key, from, to) ? a : nullptr;
}

bool KSActionTween::initWithDuration(ksTime d, const std::string& key, float from, float to)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    key_ = key;
    from_ = from;
    to_ = to;
    return true;
}

Ref<KSAction> KSActionTween::copy() const
{
    return actionWithDuration(duration_, key_, from_, to_);
}

void KSActionTween::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    // The properties are a node's: another target fails here, not at each step.
    node();
    delta_ = to_ - from_;
}

void KSActionTween::update(float t)
{
    node()->setFloatProperty(key_, to_ - delta_ * (1 - t));
}

Ref<KSFiniteTimeAction> KSActionTween::reverse() const
{
    return actionWithDuration(duration_, key_, to_, from_);
}

} // namespace kestrel
