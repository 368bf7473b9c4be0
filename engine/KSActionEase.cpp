// Ease actions: each passes its curve f(t) to the inner action's update.
// All arithmetic is single precision.
#include "engine/KSActionEase.h"

#include "platform/foundation/Exception.h"

#include <cmath>

namespace kestrel {

using platform::adoptRef;
using platform::dynamicRef;
using platform::Ref;

namespace {
constexpr float kPi = 3.1415927f;
constexpr float kPi2 = 1.5707964f;

Ref<KSActionInterval> copyOf(const KSActionInterval* action)
{
    return dynamicRef<KSActionInterval>(action->copy());
}
} // namespace

// KSActionEase --------------------------------------------------------------------

Ref<KSActionEase> KSActionEase::actionWithAction(KSActionInterval* action)
{
    auto a = adoptRef(new KSActionEase);
    return a->initWithAction(action) ? a : nullptr;
}

bool KSActionEase::initWithAction(KSActionInterval* action)
{
    BRISKO_ASSERT(action != nullptr, "Ease: arguments must be non-nil");
    if (!initWithDuration(action->duration()))
        return false;
    other_ = action;
    return true;
}

Ref<KSAction> KSActionEase::copy() const
{
    auto a = makeSame();
    return a->initWithAction(copyOf(other_.get()).get()) ? a : nullptr;
}

void KSActionEase::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    other_->startWithTarget(target_);
}

void KSActionEase::stop()
{
    other_->stop();
    KSActionInterval::stop();
}

void KSActionEase::update(float t)
{
    other_->update(t);
}

Ref<KSActionInterval> KSActionEase::reversedInner() const
{
    return dynamicRef<KSActionInterval>(other_->reverse());
}

Ref<KSFiniteTimeAction> KSActionEase::reverse() const
{
    auto inner = reversedInner();
    if (!inner)
        return nullptr;
    auto a = makeSame();
    return a->initWithAction(inner.get()) ? a : nullptr;
}

// Rate eases ----------------------------------------------------------------------

Ref<KSEaseRateAction> KSEaseRateAction::actionWithAction(KSActionInterval* action, float rate)
{
    auto a = adoptRef(new KSEaseRateAction);
    return a->initWithAction(action, rate) ? a : nullptr;
}

bool KSEaseRateAction::initWithAction(KSActionInterval* action, float rate)
{
    if (!KSActionEase::initWithAction(action))
        return false;
    setRate(rate);
    return true;
}

Ref<KSEaseRateAction> KSEaseRateAction::makeWithRate(KSActionInterval* action, float rate) const
{
    auto a = dynamicRef<KSEaseRateAction>(makeSame());
    return a->initWithAction(action, rate) ? a : nullptr;
}

Ref<KSAction> KSEaseRateAction::copy() const
{
    return makeWithRate(copyOf(other_.get()).get(), rate_);
}

Ref<KSFiniteTimeAction> KSEaseRateAction::reverse() const
{
    auto inner = reversedInner();
    if (!inner)
        return nullptr;
    return makeWithRate(inner.get(), 1 / rate_);
}

#define KS_RATE_FACTORY(Name)                                                         \
    Ref<Name> Name::actionWithAction(KSActionInterval* action, float rate)           \
    {                                                                                \
        auto a = adoptRef(new Name);                                                 \
        return a->initWithAction(action, rate) ? a : nullptr;                        \
    }

KS_RATE_FACTORY(KSEaseIn)
KS_RATE_FACTORY(KSEaseOut)
KS_RATE_FACTORY(KSEaseInOut)

void KSEaseIn::update(float t)
{
    other_->update(std::pow(t, rate_));
}

void KSEaseOut::update(float t)
{
    other_->update(std::pow(t, 1 / rate_));
}

void KSEaseInOut::update(float t)
{
    // Above the middle the curve is the mirror of the lower half; written as
    // 1 - 0.5(2 - u)^rate it is defined for every rate, not only whole ones.
    float u = t * 2;
    if (u < 1)
        other_->update(0.5f * std::pow(u, rate_));
    else
        other_->update(1.0f - 0.5f * std::pow(2 - u, rate_));
}

Ref<KSFiniteTimeAction> KSEaseInOut::reverse() const
{
    auto inner = reversedInner();
    if (!inner)
        return nullptr;
    return makeWithRate(inner.get(), rate_);
}

// Plain curves --------------------------------------------------------------------

#define KS_EASE_FACTORY(Name)                                                         \
    Ref<Name> Name::actionWithAction(KSActionInterval* action)                       \
    {                                                                                \
        auto a = adoptRef(new Name);                                                 \
        return a->initWithAction(action) ? a : nullptr;                              \
    }

// reverse() of a curve whose mirror is another class.
#define KS_EASE_REVERSE(Name, Mirror)                                                 \
    Ref<KSFiniteTimeAction> Name::reverse() const                                    \
    {                                                                                \
        auto inner = reversedInner();                                                \
        return inner ? Ref<KSFiniteTimeAction>(Mirror::actionWithAction(inner.get())) : nullptr; \
    }

KS_EASE_FACTORY(KSEaseExponentialIn)
KS_EASE_FACTORY(KSEaseExponentialOut)
KS_EASE_FACTORY(KSEaseExponentialInOut)
KS_EASE_FACTORY(KSEaseSineIn)
KS_EASE_FACTORY(KSEaseSineOut)
KS_EASE_FACTORY(KSEaseSineInOut)
KS_EASE_FACTORY(KSEaseBounce)
KS_EASE_FACTORY(KSEaseBounceIn)
KS_EASE_FACTORY(KSEaseBounceOut)
KS_EASE_FACTORY(KSEaseBounceInOut)
KS_EASE_FACTORY(KSEaseBackIn)
KS_EASE_FACTORY(KSEaseBackOut)
KS_EASE_FACTORY(KSEaseBackInOut)

KS_EASE_REVERSE(KSEaseExponentialIn, KSEaseExponentialOut)
KS_EASE_REVERSE(KSEaseExponentialOut, KSEaseExponentialIn)
KS_EASE_REVERSE(KSEaseExponentialInOut, KSEaseExponentialInOut)
KS_EASE_REVERSE(KSEaseSineIn, KSEaseSineOut)
KS_EASE_REVERSE(KSEaseSineOut, KSEaseSineIn)
KS_EASE_REVERSE(KSEaseSineInOut, KSEaseSineInOut)
KS_EASE_REVERSE(KSEaseBounceIn, KSEaseBounceOut)
KS_EASE_REVERSE(KSEaseBounceOut, KSEaseBounceIn)
KS_EASE_REVERSE(KSEaseBounceInOut, KSEaseBounceInOut)
KS_EASE_REVERSE(KSEaseBackIn, KSEaseBackOut)
KS_EASE_REVERSE(KSEaseBackOut, KSEaseBackIn)
KS_EASE_REVERSE(KSEaseBackInOut, KSEaseBackInOut)

void KSEaseExponentialIn::update(float t)
{
    other_->update(t == 0 ? 0 : std::pow(2.0f, 10 * (t / 1 - 1)) - 1 * 0.001f);
}

void KSEaseExponentialOut::update(float t)
{
    other_->update(t == 1 ? 1 : -std::pow(2.0f, -10 * t / 1) + 1);
}

void KSEaseExponentialInOut::update(float t)
{
    float u = t / 0.5f;
    if (u < 1)
        other_->update(0.5f * std::pow(2.0f, 10 * (u - 1)));
    else
        other_->update(0.5f * (-std::pow(2.0f, -10 * (u - 1)) + 2));
}

void KSEaseSineIn::update(float t)
{
    other_->update(-1 * std::cos(t * kPi2) + 1);
}

void KSEaseSineOut::update(float t)
{
    other_->update(std::sin(t * kPi2));
}

void KSEaseSineInOut::update(float t)
{
    other_->update(-0.5f * (std::cos(kPi * t) - 1));
}

// Elastic -------------------------------------------------------------------------

Ref<KSEaseElastic> KSEaseElastic::actionWithAction(KSActionInterval* action, float period)
{
    auto a = adoptRef(new KSEaseElastic);
    return a->initWithAction(action, period) ? a : nullptr;
}

bool KSEaseElastic::initWithAction(KSActionInterval* action, float period)
{
    if (!KSActionEase::initWithAction(action))
        return false;
    period_ = period;
    return true;
}

Ref<KSEaseElastic> KSEaseElastic::makeWithPeriod(KSActionInterval* action, float period) const
{
    auto a = dynamicRef<KSEaseElastic>(makeSame());
    return a->initWithAction(action, period) ? a : nullptr;
}

Ref<KSAction> KSEaseElastic::copy() const
{
    return makeWithPeriod(copyOf(other_.get()).get(), period_);
}

Ref<KSFiniteTimeAction> KSEaseElastic::reverse() const
{
    BRISKO_ASSERT(false, "Override me");
    return nullptr;
}

void KSEaseElastic::fixPeriod()
{
    // A zero period would divide by zero; every elastic curve uses 0.45 then.
    if (period_ == 0)
        period_ = 0.3f * 1.5f;
}

#define KS_ELASTIC_FACTORY(Name, Mirror)                                              \
    Ref<Name> Name::actionWithAction(KSActionInterval* action, float period)         \
    {                                                                                \
        auto a = adoptRef(new Name);                                                 \
        return a->initWithAction(action, period) ? a : nullptr;                      \
    }                                                                                \
    Ref<KSFiniteTimeAction> Name::reverse() const                                    \
    {                                                                                \
        auto inner = reversedInner();                                                \
        return inner ? Ref<KSFiniteTimeAction>(Mirror::actionWithAction(inner.get(), period_)) : nullptr; \
    }

KS_ELASTIC_FACTORY(KSEaseElasticIn, KSEaseElasticOut)
KS_ELASTIC_FACTORY(KSEaseElasticOut, KSEaseElasticIn)
KS_ELASTIC_FACTORY(KSEaseElasticInOut, KSEaseElasticInOut)

void KSEaseElasticIn::update(float t)
{
    float newT;
    if (t == 0 || t == 1) {
        newT = t;
    } else {
        fixPeriod();
        float s = period_ / 4;
        float u = t - 1;
        newT = -std::pow(2.0f, 10 * u) * std::sin((u - s) * (kPi * 2) / period_);
    }
    other_->update(newT);
}

void KSEaseElasticOut::update(float t)
{
    float newT;
    if (t == 0 || t == 1) {
        newT = t;
    } else {
        fixPeriod();
        float s = period_ / 4;
        newT = std::pow(2.0f, -10 * t) * std::sin((t - s) * (kPi * 2) / period_) + 1;
    }
    other_->update(newT);
}

void KSEaseElasticInOut::update(float t)
{
    float newT;
    if (t == 0 || t == 1) {
        newT = t;
    } else {
        fixPeriod();
        float s = period_ / 4;
        float u = t * 2 - 1;
        if (u < 0)
            newT = -0.5f * std::pow(2.0f, 10 * u) * std::sin((u - s) * (kPi * 2) / period_);
        else
            newT = std::pow(2.0f, -10 * u) * std::sin((u - s) * (kPi * 2) / period_) * 0.5f + 1;
    }
    other_->update(newT);
}

// Bounce --------------------------------------------------------------------------

float KSEaseBounce::bounceTime(float t) const
{
    // The thresholds are compared in double precision, the rest in single.
    if (static_cast<double>(t) < 1 / 2.75)
        return 7.5625f * t * t;
    if (static_cast<double>(t) < 2 / 2.75) {
        t -= 1.5f / 2.75f;
        return 7.5625f * t * t + 0.75f;
    }
    if (static_cast<double>(t) < 2.5 / 2.75) {
        t -= 2.25f / 2.75f;
        return 7.5625f * t * t + 0.9375f;
    }
    t -= 2.625f / 2.75f;
    return 7.5625f * t * t + 0.984375f;
}

void KSEaseBounceIn::update(float t)
{
    other_->update(1 - bounceTime(1 - t));
}

void KSEaseBounceOut::update(float t)
{
    other_->update(bounceTime(t));
}

void KSEaseBounceInOut::update(float t)
{
    if (static_cast<double>(t) < 0.5)
        other_->update((1 - bounceTime(1 - t * 2)) * 0.5f);
    else
        other_->update(bounceTime(t * 2 - 1) * 0.5f + 0.5f);
}

// Back ----------------------------------------------------------------------------

void KSEaseBackIn::update(float t)
{
    const float overshoot = 1.70158f;
    other_->update(t * t * ((overshoot + 1) * t - overshoot));
}

void KSEaseBackOut::update(float t)
{
    const float overshoot = 1.70158f;
    float u = t - 1;
    other_->update(u * u * ((overshoot + 1) * u + overshoot) + 1);
}

void KSEaseBackInOut::update(float t)
{
    const float overshoot = 1.70158f * 1.525f;
    float u = t * 2;
    if (u < 1) {
        other_->update((u * u * ((overshoot + 1) * u - overshoot)) / 2);
    } else {
        float v = u - 2;
        other_->update((v * v * ((overshoot + 1) * v + overshoot)) / 2 + 1);
    }
}

} // namespace kestrel
