// Interval actions: the time base that turns frame time into a progress value
// (KSActionInterval), the composing actions (sequence, spawn, repeat, delay,
// reverse-time) and the property actions (rotate, move, jump, Bezier, scale,
// blink, fade, tint).
//
// Caveat: the first frame after a start always shows progress 0; an action of
// duration d is done after its first frame plus frames totalling d seconds.
// A "To" action reads its target's value at each start; a "By" action adds to it.
#pragma once

#include "engine/KSAction.h"

#include <initializer_list>

namespace kestrel {

class KSActionInterval : public KSFiniteTimeAction {
public:
    [[nodiscard]] static platform::Ref<KSActionInterval> actionWithDuration(ksTime d);
    // Fails the assertion: an interval action needs a duration.
    bool init() override;
    // A duration of exactly 0 is stored as the float epsilon so that every
    // division by it is defined.
    [[nodiscard]] bool initWithDuration(ksTime d);

    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void step(ksTime dt) override;
    bool isDone() const override { return elapsed_ >= duration_; }
    void update(float /*t*/) override { }
    // Fails the assertion unless a subclass can be reversed.
    platform::Ref<KSFiniteTimeAction> reverse() const override;

    ksTime elapsed() const { return elapsed_; }

    // The strength of an effect, for the amplitude wrappers (0 none, 1 full).
    // Raise "IntervalAction (Amplitude)" unless the action has an amplitude.
    virtual void setAmplitudeRate(float rate);
    virtual float getAmplitudeRate() const;

protected:
    KSActionInterval() = default;
    ksTime elapsed_ { 0 };
    bool firstTick_ { true };
};

// Two actions, one after the other.
class KSSequence : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSSequence> actionOne(KSFiniteTimeAction* one, KSFiniteTimeAction* two);
    // Folds the list from the left; a null entry ends it. One action comes back
    // unwrapped; an empty list (or one starting with null) gives null.
    [[nodiscard]] static platform::Ref<KSFiniteTimeAction> actions(std::initializer_list<KSFiniteTimeAction*> list);
    bool initOne(KSFiniteTimeAction* one, KSFiniteTimeAction* two);

    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void stop() override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;
    int holds(const platform::Object* object) const override;

protected:
    KSSequence() = default;
    platform::Ref<KSFiniteTimeAction> actions_[2];
    float split_ { 0 };
    int last_ { -1 };
};

// An action a number of times, each repetition restarting it.
class KSRepeat : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSRepeat> actionWithAction(KSFiniteTimeAction* action, unsigned times);
    [[nodiscard]] bool initWithAction(KSFiniteTimeAction* action, unsigned times);

    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void stop() override;
    void update(float t) override;
    bool isDone() const override { return total_ == times_; }
    platform::Ref<KSFiniteTimeAction> reverse() const override;
    int holds(const platform::Object* object) const override { return other_ ? other_->holds(object) : 0; }

protected:
    KSRepeat() = default;
    unsigned times_ { 0 };
    unsigned total_ { 0 };
    platform::Ref<KSFiniteTimeAction> other_;
};

// Two actions together; the shorter one is padded with a delay.
class KSSpawn : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSSpawn> actionOne(KSFiniteTimeAction* one, KSFiniteTimeAction* two);
    [[nodiscard]] static platform::Ref<KSFiniteTimeAction> actions(std::initializer_list<KSFiniteTimeAction*> list);
    bool initOne(KSFiniteTimeAction* one, KSFiniteTimeAction* two);

    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void stop() override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;
    int holds(const platform::Object* object) const override;

protected:
    KSSpawn() = default;
    platform::Ref<KSFiniteTimeAction> one_;
    platform::Ref<KSFiniteTimeAction> two_;
};

class KSDelayTime : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSDelayTime> actionWithDuration(ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float /*t*/) override { }
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSDelayTime() = default;
};

// Plays an action backwards (its update with 1 - t).
class KSReverseTime : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSReverseTime> actionWithAction(KSFiniteTimeAction* action);
    [[nodiscard]] bool initWithAction(KSFiniteTimeAction* action);

    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void stop() override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;
    // The amplitude of the action played backwards (a reversed grid effect).
    void setAmplitudeRate(float rate) override;
    float getAmplitudeRate() const override;
    int holds(const platform::Object* object) const override { return other_ ? other_->holds(object) : 0; }

protected:
    KSReverseTime() = default;
    platform::Ref<KSFiniteTimeAction> other_;
};

// Property actions ----------------------------------------------------------------

// Turns the shortest way to an angle (degrees).
class KSRotateTo : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSRotateTo> actionWithDuration(ksTime d, float angle);
    [[nodiscard]] bool initWithDuration(ksTime d, float angle);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;

protected:
    KSRotateTo() = default;
    float dstAngle_ { 0 }, startAngle_ { 0 }, diffAngle_ { 0 };
};

class KSRotateBy : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSRotateBy> actionWithDuration(ksTime d, float angle);
    [[nodiscard]] bool initWithDuration(ksTime d, float angle);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSRotateBy() = default;
    float angle_ { 0 }, startAngle_ { 0 };
};

class KSMoveTo : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSMoveTo> actionWithDuration(ksTime d, Point position);
    [[nodiscard]] bool initWithDuration(ksTime d, Point position);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;

protected:
    KSMoveTo() = default;
    Point endPosition_ {}, startPosition_ {}, delta_ {};
};

class KSMoveBy : public KSMoveTo {
public:
    [[nodiscard]] static platform::Ref<KSMoveBy> actionWithDuration(ksTime d, Point offset);
    [[nodiscard]] bool initWithDuration(ksTime d, Point offset);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSMoveBy() = default;
};

// Parabolic hops of a given height along a straight offset.
class KSJumpBy : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSJumpBy> actionWithDuration(ksTime d, Point position, float height, int jumps);
    [[nodiscard]] bool initWithDuration(ksTime d, Point position, float height, int jumps);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSJumpBy() = default;
    Point startPosition_ {}, delta_ {};
    float height_ { 0 };
    int jumps_ { 0 };
};

// As KSJumpBy to an absolute point; the offset is computed anew at each start.
class KSJumpTo : public KSJumpBy {
public:
    [[nodiscard]] static platform::Ref<KSJumpTo> actionWithDuration(ksTime d, Point position, float height, int jumps);
    [[nodiscard]] bool initWithDuration(ksTime d, Point position, float height, int jumps);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;

protected:
    KSJumpTo() = default;
    Point endPosition_ {};
};

struct ksBezierConfig {
    Point endPosition;
    Point controlPoint_1;
    Point controlPoint_2;
};

// A cubic Bezier path relative to the start position.
class KSBezierBy : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSBezierBy> actionWithDuration(ksTime d, ksBezierConfig config);
    [[nodiscard]] bool initWithDuration(ksTime d, ksBezierConfig config);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSBezierBy() = default;
    ksBezierConfig config_ {};
    Point startPosition_ {};
};

// As KSBezierBy with absolute points; they are made relative anew at each start.
class KSBezierTo : public KSBezierBy {
public:
    [[nodiscard]] static platform::Ref<KSBezierTo> actionWithDuration(ksTime d, ksBezierConfig config);
    [[nodiscard]] bool initWithDuration(ksTime d, ksBezierConfig config);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;

protected:
    KSBezierTo() = default;
    ksBezierConfig absoluteConfig_ {};
};

class KSScaleTo : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSScaleTo> actionWithDuration(ksTime d, float scale);
    [[nodiscard]] static platform::Ref<KSScaleTo> actionWithDuration(ksTime d, float scaleX, float scaleY);
    [[nodiscard]] bool initWithDuration(ksTime d, float scale);
    [[nodiscard]] bool initWithDuration(ksTime d, float scaleX, float scaleY);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;

protected:
    KSScaleTo() = default;
    float startScaleX_ { 0 }, startScaleY_ { 0 }, endScaleX_ { 0 }, endScaleY_ { 0 }, deltaX_ { 0 }, deltaY_ { 0 };
};

class KSScaleBy : public KSScaleTo {
public:
    [[nodiscard]] static platform::Ref<KSScaleBy> actionWithDuration(ksTime d, float scale);
    [[nodiscard]] static platform::Ref<KSScaleBy> actionWithDuration(ksTime d, float scaleX, float scaleY);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSScaleBy() = default;
};

// Toggles visibility a number of times; the final state is not restored.
class KSBlink : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSBlink> actionWithDuration(ksTime d, int blinks);
    [[nodiscard]] bool initWithDuration(ksTime d, int blinks);
    platform::Ref<KSAction> copy() const override;
    // Asserts that the target is a node.
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSBlink() = default;
    int times_ { 0 };
};

// Fades and tints need a sprite or a target that adopts KSRGBAProtocol. Computed channels
// are clamped into 0..255.
class KSFadeIn : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSFadeIn> actionWithDuration(ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSFadeIn() = default;
};

class KSFadeOut : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSFadeOut> actionWithDuration(ksTime d);
    platform::Ref<KSAction> copy() const override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSFadeOut() = default;
};

class KSFadeTo : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSFadeTo> actionWithDuration(ksTime d, GLubyte opacity);
    [[nodiscard]] bool initWithDuration(ksTime d, GLubyte opacity);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;

protected:
    KSFadeTo() = default;
    GLubyte toOpacity_ { 0 }, fromOpacity_ { 0 };
};

class KSTintTo : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSTintTo> actionWithDuration(ksTime d, GLubyte red, GLubyte green, GLubyte blue);
    [[nodiscard]] bool initWithDuration(ksTime d, GLubyte red, GLubyte green, GLubyte blue);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;

protected:
    KSTintTo() = default;
    ksColor3B to_ {}, from_ {};
};

class KSTintBy : public KSActionInterval {
public:
    [[nodiscard]] static platform::Ref<KSTintBy> actionWithDuration(ksTime d, int16_t red, int16_t green, int16_t blue);
    [[nodiscard]] bool initWithDuration(ksTime d, int16_t red, int16_t green, int16_t blue);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSTintBy() = default;
    int16_t deltaR_ { 0 }, deltaG_ { 0 }, deltaB_ { 0 }, fromR_ { 0 }, fromG_ { 0 }, fromB_ { 0 };
};

} // namespace kestrel
