// Ease actions wrap an interval action and bend its time curve: the wrapper has
// the inner action's duration and passes it f(t) instead of t. Some curves
// overshoot 0..1 (back, elastic); the inner action applies them as they come.
#pragma once

#include "engine/KSActionInterval.h"

namespace kestrel {

class KSActionEase : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSActionEase> actionWithAction(KSActionInterval* action);
    [[nodiscard]] bool initWithAction(KSActionInterval* action);

    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void stop() override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;
    int holds(const platform::Object* object) const override { return other_ ? other_->holds(object) : 0; }

    KSActionInterval* innerAction() const { return other_.get(); }

protected:
    KSActionEase() = default;
    // A new, uninitialised instance of the receiver's own class.
    virtual platform::Ref<KSActionEase> makeSame() const { return platform::adoptRef(new KSActionEase); }
    platform::Ref<KSActionInterval> reversedInner() const;

    platform::Ref<KSActionInterval> other_;
};

class KSEaseRateAction : public KSActionEase {
public:
    [[nodiscard]] static platform::Ref<KSEaseRateAction> actionWithAction(KSActionInterval* action, float rate);
    [[nodiscard]] bool initWithAction(KSActionInterval* action, float rate);

    platform::Ref<KSAction> copy() const override;
    // The same class with the inner action reversed and rate 1 / rate.
    platform::Ref<KSFiniteTimeAction> reverse() const override;

    float rate() const { return rate_; }
    void setRate(float rate) { rate_ = rate; }

protected:
    KSEaseRateAction() = default;
    platform::Ref<KSActionEase> makeSame() const override { return platform::adoptRef(new KSEaseRateAction); }
    platform::Ref<KSEaseRateAction> makeWithRate(KSActionInterval* action, float rate) const;

    float rate_ { 0 };
};

#define KS_EASE_CLASS(Name, Base)                                                                      \
    class Name : public Base {                                                                         \
    public:                                                                                            \
        [[nodiscard]] static platform::Ref<Name> actionWithAction(KSActionInterval* action);                         \
        void update(float t) override;                                                                 \
        platform::Ref<KSFiniteTimeAction> reverse() const override;                                    \
                                                                                                       \
    protected:                                                                                         \
        Name() = default;                                                                              \
        platform::Ref<KSActionEase> makeSame() const override { return platform::adoptRef(new Name); } \
    };

#define KS_EASE_RATE_CLASS(Name)                                                                       \
    class Name : public KSEaseRateAction {                                                             \
    public:                                                                                            \
        [[nodiscard]] static platform::Ref<Name> actionWithAction(KSActionInterval* action, float rate);             \
        void update(float t) override;                                                                 \
                                                                                                       \
    protected:                                                                                         \
        Name() = default;                                                                              \
        platform::Ref<KSActionEase> makeSame() const override { return platform::adoptRef(new Name); } \
    };

// t^rate, t^(1/rate), and the two halves joined (1 - 0.5(2 - 2t)^rate above the middle).
KS_EASE_RATE_CLASS(KSEaseIn)
KS_EASE_RATE_CLASS(KSEaseOut)
class KSEaseInOut : public KSEaseRateAction {
public:
    [[nodiscard]] static platform::Ref<KSEaseInOut> actionWithAction(KSActionInterval* action, float rate);
    void update(float t) override;
    // Same rate (the curve is its own mirror).
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSEaseInOut() = default;
    platform::Ref<KSActionEase> makeSame() const override { return platform::adoptRef(new KSEaseInOut); }
};

KS_EASE_CLASS(KSEaseExponentialIn, KSActionEase)
KS_EASE_CLASS(KSEaseExponentialOut, KSActionEase)
KS_EASE_CLASS(KSEaseExponentialInOut, KSActionEase)
KS_EASE_CLASS(KSEaseSineIn, KSActionEase)
KS_EASE_CLASS(KSEaseSineOut, KSActionEase)
KS_EASE_CLASS(KSEaseSineInOut, KSActionEase)

// Elastic curves; a period of 0 is replaced by 0.45 before use.
class KSEaseElastic : public KSActionEase {
public:
    [[nodiscard]] static platform::Ref<KSEaseElastic> actionWithAction(KSActionInterval* action, float period = 0.3f);
    [[nodiscard]] bool initWithAction(KSActionInterval* action, float period = 0.3f);

    platform::Ref<KSAction> copy() const override;
    // Fails the assertion "Override me".
    platform::Ref<KSFiniteTimeAction> reverse() const override;

    float period() const { return period_; }
    void setPeriod(float period) { period_ = period; }

protected:
    KSEaseElastic() = default;
    platform::Ref<KSActionEase> makeSame() const override { return platform::adoptRef(new KSEaseElastic); }
    platform::Ref<KSEaseElastic> makeWithPeriod(KSActionInterval* action, float period) const;
    void fixPeriod();

    float period_ { 0.3f };
};

#define KS_EASE_ELASTIC_CLASS(Name)                                                                    \
    class Name : public KSEaseElastic {                                                                \
    public:                                                                                            \
        [[nodiscard]] static platform::Ref<Name> actionWithAction(KSActionInterval* action, float period = 0.3f);    \
        void update(float t) override;                                                                 \
        platform::Ref<KSFiniteTimeAction> reverse() const override;                                    \
                                                                                                       \
    protected:                                                                                         \
        Name() = default;                                                                              \
        platform::Ref<KSActionEase> makeSame() const override { return platform::adoptRef(new Name); } \
    };

KS_EASE_ELASTIC_CLASS(KSEaseElasticIn)
KS_EASE_ELASTIC_CLASS(KSEaseElasticOut)
KS_EASE_ELASTIC_CLASS(KSEaseElasticInOut)

class KSEaseBounce : public KSActionEase {
public:
    [[nodiscard]] static platform::Ref<KSEaseBounce> actionWithAction(KSActionInterval* action);
    float bounceTime(float t) const;

protected:
    KSEaseBounce() = default;
    platform::Ref<KSActionEase> makeSame() const override { return platform::adoptRef(new KSEaseBounce); }
};

KS_EASE_CLASS(KSEaseBounceIn, KSEaseBounce)
KS_EASE_CLASS(KSEaseBounceOut, KSEaseBounce)
KS_EASE_CLASS(KSEaseBounceInOut, KSEaseBounce)
KS_EASE_CLASS(KSEaseBackIn, KSActionEase)
KS_EASE_CLASS(KSEaseBackOut, KSActionEase)
KS_EASE_CLASS(KSEaseBackInOut, KSActionEase)

#undef KS_EASE_CLASS
#undef KS_EASE_RATE_CLASS
#undef KS_EASE_ELASTIC_CLASS

} // namespace kestrel
