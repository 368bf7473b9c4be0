// Interval actions that animate a progress timer's percentage: KSProgressTo
// runs from the timer's current value to a target, KSProgressFromTo between
// two given values.
//
// Caveat: KSProgressTo started on a full timer (exactly 100) runs up again
// from 0. On a target that is not a progress timer both do nothing.
#pragma once

#include "engine/KSActionInterval.h"

namespace kestrel {

class KSProgressTo : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSProgressTo> actionWithDuration(ksTime duration, float percent);
    [[nodiscard]] bool initWithDuration(ksTime duration, float percent);

    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;

protected:
    KSProgressTo() = default;
    float to_ { 0 };
    float from_ { 0 };
};

class KSProgressFromTo : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSProgressFromTo> actionWithDuration(ksTime duration, float fromPercentage,
                                                              float toPercentage);
    [[nodiscard]] bool initWithDuration(ksTime duration, float fromPercentage, float toPercentage);

    platform::Ref<KSAction> copy() const override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;
    void update(float t) override;

protected:
    KSProgressFromTo() = default;
    float to_ { 0 };
    float from_ { 0 };
};

} // namespace kestrel
