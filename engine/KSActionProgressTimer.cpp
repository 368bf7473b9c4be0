// KSProgressTo and KSProgressFromTo: linear percentage animation of a
// KSProgressTimer.
#include "engine/KSActionProgressTimer.h"

#include "engine/KSProgressTimer.h"

using platform::Ref;

namespace kestrel {

namespace {

KSProgressTimer* progressTimer(platform::Object* target)
{
    return dynamic_cast<KSProgressTimer*>(target);
}

} // namespace

Ref<KSProgressTo> KSProgressTo::actionWithDuration(ksTime duration, float percent)
{
    auto a = platform::adoptRef(new KSProgressTo);
    return a->initWithDuration(duration, percent) ? a : nullptr;
}

bool KSProgressTo::initWithDuration(ksTime duration, float percent)
{
    if (!KSActionInterval::initWithDuration(duration))
        return false;
    to_ = percent;
    return true;
}

Ref<KSAction> KSProgressTo::copy() const
{
    return actionWithDuration(duration_, to_);
}

void KSProgressTo::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    auto* timer = progressTimer(target);
    from_ = timer ? timer->percentage() : 0;
    // A full timer runs up again from empty.
    if (from_ == 100)
        from_ = 0;
}

void KSProgressTo::update(float t)
{
    if (auto* timer = progressTimer(target_))
        timer->setPercentage(from_ + (to_ - from_) * t);
}

Ref<KSProgressFromTo> KSProgressFromTo::actionWithDuration(ksTime duration, float fromPercentage, float toPercentage)
{
    auto a = platform::adoptRef(new KSProgressFromTo);
    return a->initWithDuration(duration, fromPercentage, toPercentage) ? a : nullptr;
}

bool KSProgressFromTo::initWithDuration(ksTime duration, float fromPercentage, float toPercentage)
{
    if (!KSActionInterval::initWithDuration(duration))
        return false;
    to_ = toPercentage;
    from_ = fromPercentage;
    return true;
}

Ref<KSAction> KSProgressFromTo::copy() const
{
    return actionWithDuration(duration_, from_, to_);
}

Ref<KSFiniteTimeAction> KSProgressFromTo::reverse() const
{
    return actionWithDuration(duration_, to_, from_);
}

void KSProgressFromTo::update(float t)
{
    if (auto* timer = progressTimer(target_))
        timer->setPercentage(from_ + (to_ - from_) * t);
}

} // namespace kestrel
