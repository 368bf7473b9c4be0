// Interval actions: the shared time base, the composing actions and the
// property actions (rotate, move, jump, Bezier, scale, blink, fade, tint).
#include "engine/KSSprite.h"
#include "engine/KSActionInterval.h"

#include "engine/KSNode.h"
#include "engine/KSProtocols.h"
#include "platform/foundation/Exception.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace kestrel {

using platform::adoptRef;
using platform::dynamicRef;
using platform::Ref;

namespace {

template <class T>
Ref<T> copyOf(const T* action)
{
    return dynamicRef<T>(action->copy());
}

// Truncates toward zero and keeps the result inside a colour channel; eases
// that overshoot must not wrap a channel around.
GLubyte channel(float v)
{
    if (!(v > 0))
        return 0;
    if (v >= 255)
        return 255;
    return static_cast<GLubyte>(v);
}


} // namespace

// KSActionInterval ----------------------------------------------------------------

Ref<KSActionInterval> KSActionInterval::actionWithDuration(ksTime d)
{
    auto a = adoptRef(new KSActionInterval);
    return a->initWithDuration(d) ? a : nullptr;
}

bool KSActionInterval::init()
{
    BRISKO_ASSERT(false, "IntervalActionInit: Init not supported. Use InitWithDuration");
    return false;
}

bool KSActionInterval::initWithDuration(ksTime d)
{
    if (!KSFiniteTimeAction::init())
        return false;
    duration_ = d == 0 ? FLT_EPSILON : d;
    elapsed_ = 0;
    firstTick_ = true;
    return true;
}

Ref<KSAction> KSActionInterval::copy() const
{
    return actionWithDuration(duration_);
}

void KSActionInterval::startWithTarget(platform::Object* target)
{
    KSFiniteTimeAction::startWithTarget(target);
    elapsed_ = 0;
    firstTick_ = true;
}

void KSActionInterval::step(ksTime dt)
{
    if (firstTick_) {
        firstTick_ = false;
        elapsed_ = 0;
    } else {
        elapsed_ += dt;
    }
    update(std::fmin(1.0f, elapsed_ / duration_));
}

Ref<KSFiniteTimeAction> KSActionInterval::reverse() const
{
    BRISKO_ASSERT(false, "KSIntervalAction: reverse not implemented.");
    return nullptr;
}

void KSActionInterval::setAmplitudeRate(float)
{
    throw platform::Exception("IntervalAction (Amplitude)", "Abstract class needs implementation");
}

float KSActionInterval::getAmplitudeRate() const
{
    throw platform::Exception("IntervalAction (Amplitude)", "Abstract class needs implementation");
}

// KSSequence ----------------------------------------------------------------------

Ref<KSSequence> KSSequence::actionOne(KSFiniteTimeAction* one, KSFiniteTimeAction* two)
{
    auto a = adoptRef(new KSSequence);
    return a->initOne(one, two) ? a : nullptr;
}

Ref<KSFiniteTimeAction> KSSequence::actions(std::initializer_list<KSFiniteTimeAction*> list)
{
    Ref<KSFiniteTimeAction> folded;
    for (KSFiniteTimeAction* action : list) {
        if (!action)
            break;
        folded = folded ? Ref<KSFiniteTimeAction>(actionOne(folded.get(), action)) : Ref<KSFiniteTimeAction>(action);
    }
    return folded;
}

bool KSSequence::initOne(KSFiniteTimeAction* one, KSFiniteTimeAction* two)
{
    BRISKO_ASSERT(one != nullptr, "Sequence: argument one must be non-nil");
    BRISKO_ASSERT(two != nullptr, "Sequence: argument two must be non-nil");
    if (!initWithDuration(one->duration() + two->duration()))
        return false;
    actions_[0] = one;
    actions_[1] = two;
    return true;
}

int KSSequence::holds(const platform::Object* object) const
{
    int holds = 0;
    for (const auto& action : actions_)
        holds += action ? action->holds(object) : 0;
    return holds;
}

Ref<KSAction> KSSequence::copy() const
{
    return actionOne(copyOf(actions_[0].get()).get(), copyOf(actions_[1].get()).get());
}

void KSSequence::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    split_ = actions_[0]->duration() / duration_;
    last_ = -1;
}

void KSSequence::stop()
{
    actions_[0]->stop();
    actions_[1]->stop();
    KSActionInterval::stop();
}

void KSSequence::update(float t)
{
    int found;
    float progress;
    if (t >= split_) {
        found = 1;
        progress = split_ == 1 ? 1 : (t - split_) / (1 - split_);
    } else {
        found = 0;
        progress = split_ != 0 ? t / split_ : 1;
    }

    // Jumped past the first action at the first update: apply it fully.
    if (last_ == -1 && found == 1) {
        actions_[0]->startWithTarget(target_);
        actions_[0]->update(1.0f);
        actions_[0]->stop();
    }
    if (last_ != found) {
        if (last_ != -1) {
            actions_[last_]->update(1.0f);
            actions_[last_]->stop();
        }
        actions_[found]->startWithTarget(target_);
    }
    actions_[found]->update(progress);
    last_ = found;
}

Ref<KSFiniteTimeAction> KSSequence::reverse() const
{
    auto two = actions_[1]->reverse();
    auto one = actions_[0]->reverse();
    if (!one || !two)
        return nullptr;
    return actionOne(two.get(), one.get());
}

// KSRepeat ------------------------------------------------------------------------

Ref<KSRepeat> KSRepeat::actionWithAction(KSFiniteTimeAction* action, unsigned times)
{
    auto a = adoptRef(new KSRepeat);
    return a->initWithAction(action, times) ? a : nullptr;
}

bool KSRepeat::initWithAction(KSFiniteTimeAction* action, unsigned times)
{
    BRISKO_ASSERT(action != nullptr, "Repeat: argument action must be non-nil");
    if (!initWithDuration(action->duration() * static_cast<float>(times)))
        return false;
    times_ = times;
    other_ = action;
    total_ = 0;
    return true;
}

Ref<KSAction> KSRepeat::copy() const
{
    return actionWithAction(copyOf(other_.get()).get(), times_);
}

void KSRepeat::startWithTarget(platform::Object* target)
{
    total_ = 0;
    KSActionInterval::startWithTarget(target);
    other_->startWithTarget(target);
}

void KSRepeat::stop()
{
    other_->stop();
    KSActionInterval::stop();
}

void KSRepeat::update(float u)
{
    const float t = u * static_cast<float>(times_);
    // Each lap the time has passed (a long frame may pass several) ends, and the next starts where it left.
    while (total_ < times_ && t > static_cast<float>(total_ + 1)) {
        other_->update(1.0f);
        total_++;
        other_->stop();
        other_->startWithTarget(target_);
    }
    // Within the lap under way; a frame that lands on its very end ends it there (starting it
    // again would play its first part twice), and the next lap starts on the frame after.
    float r = std::clamp(t - static_cast<float>(total_), 0.0f, 1.0f);
    if (u == 1.0f) {
        r = 1.0f;
        if (total_ < times_)
            total_++;
    }
    other_->update(r);
}

Ref<KSFiniteTimeAction> KSRepeat::reverse() const
{
    auto inner = other_->reverse();
    if (!inner)
        return nullptr;
    return actionWithAction(inner.get(), times_);
}

// KSSpawn -------------------------------------------------------------------------

Ref<KSSpawn> KSSpawn::actionOne(KSFiniteTimeAction* one, KSFiniteTimeAction* two)
{
    auto a = adoptRef(new KSSpawn);
    return a->initOne(one, two) ? a : nullptr;
}

Ref<KSFiniteTimeAction> KSSpawn::actions(std::initializer_list<KSFiniteTimeAction*> list)
{
    Ref<KSFiniteTimeAction> folded;
    for (KSFiniteTimeAction* action : list) {
        if (!action)
            break;
        folded = folded ? Ref<KSFiniteTimeAction>(actionOne(folded.get(), action)) : Ref<KSFiniteTimeAction>(action);
    }
    return folded;
}

bool KSSpawn::initOne(KSFiniteTimeAction* one, KSFiniteTimeAction* two)
{
    BRISKO_ASSERT(one != nullptr, "Spawn: argument one must be non-nil");
    BRISKO_ASSERT(two != nullptr, "Spawn: argument two must be non-nil");
    float d1 = one->duration();
    float d2 = two->duration();
    if (!initWithDuration(std::fmax(d1, d2)))
        return false;
    one_ = one;
    two_ = two;
    if (d1 > d2)
        two_ = Ref<KSFiniteTimeAction>(KSSequence::actionOne(two, KSDelayTime::actionWithDuration(d1 - d2).get()));
    else if (d1 < d2)
        one_ = Ref<KSFiniteTimeAction>(KSSequence::actionOne(one, KSDelayTime::actionWithDuration(d2 - d1).get()));
    return true;
}

int KSSpawn::holds(const platform::Object* object) const
{
    return (one_ ? one_->holds(object) : 0) + (two_ ? two_->holds(object) : 0);
}

Ref<KSAction> KSSpawn::copy() const
{
    return actionOne(copyOf(one_.get()).get(), copyOf(two_.get()).get());
}

void KSSpawn::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    one_->startWithTarget(target);
    two_->startWithTarget(target);
}

void KSSpawn::stop()
{
    one_->stop();
    two_->stop();
    KSActionInterval::stop();
}

void KSSpawn::update(float t)
{
    one_->update(t);
    two_->update(t);
}

Ref<KSFiniteTimeAction> KSSpawn::reverse() const
{
    auto one = one_->reverse();
    auto two = two_->reverse();
    if (!one || !two)
        return nullptr;
    return actionOne(one.get(), two.get());
}

// KSDelayTime ---------------------------------------------------------------------

Ref<KSDelayTime> KSDelayTime::actionWithDuration(ksTime d)
{
    auto a = adoptRef(new KSDelayTime);
    return a->initWithDuration(d) ? a : nullptr;
}

Ref<KSAction> KSDelayTime::copy() const
{
    return actionWithDuration(duration_);
}

Ref<KSFiniteTimeAction> KSDelayTime::reverse() const
{
    return actionWithDuration(duration_);
}

// KSReverseTime -------------------------------------------------------------------

Ref<KSReverseTime> KSReverseTime::actionWithAction(KSFiniteTimeAction* action)
{
    auto a = adoptRef(new KSReverseTime);
    return a->initWithAction(action) ? a : nullptr;
}

bool KSReverseTime::initWithAction(KSFiniteTimeAction* action)
{
    BRISKO_ASSERT(action != nullptr, "ReverseTime: argument action must be non-nil");
    if (!initWithDuration(action->duration()))
        return false;
    other_ = action;
    return true;
}

Ref<KSAction> KSReverseTime::copy() const
{
    return actionWithAction(copyOf(other_.get()).get());
}

void KSReverseTime::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    other_->startWithTarget(target);
}

void KSReverseTime::stop()
{
    other_->stop();
    KSActionInterval::stop();
}

void KSReverseTime::update(float t)
{
    other_->update(1 - t);
}

Ref<KSFiniteTimeAction> KSReverseTime::reverse() const
{
    return copyOf(other_.get());
}

void KSReverseTime::setAmplitudeRate(float rate)
{
    if (auto* inner = dynamic_cast<KSActionInterval*>(other_.get()))
        inner->setAmplitudeRate(rate);
    else
        KSActionInterval::setAmplitudeRate(rate);
}

float KSReverseTime::getAmplitudeRate() const
{
    if (auto* inner = dynamic_cast<const KSActionInterval*>(other_.get()))
        return inner->getAmplitudeRate();
    return KSActionInterval::getAmplitudeRate();
}

// Rotation ------------------------------------------------------------------------

Ref<KSRotateTo> KSRotateTo::actionWithDuration(ksTime d, float angle)
{
    auto a = adoptRef(new KSRotateTo);
    return a->initWithDuration(d, angle) ? a : nullptr;
}

bool KSRotateTo::initWithDuration(ksTime d, float angle)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    dstAngle_ = angle;
    return true;
}

Ref<KSAction> KSRotateTo::copy() const
{
    return actionWithDuration(duration_, dstAngle_);
}

void KSRotateTo::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    startAngle_ = node()->rotation();
    startAngle_ = startAngle_ > 0 ? std::fmod(startAngle_, 360.0f) : std::fmod(startAngle_, -360.0f);
    diffAngle_ = dstAngle_ - startAngle_;
    if (diffAngle_ > 180)
        diffAngle_ -= 360;
    if (diffAngle_ < -180)
        diffAngle_ += 360;
}

void KSRotateTo::update(float t)
{
    node()->setRotation(startAngle_ + diffAngle_ * t);
}

Ref<KSRotateBy> KSRotateBy::actionWithDuration(ksTime d, float angle)
{
    auto a = adoptRef(new KSRotateBy);
    return a->initWithDuration(d, angle) ? a : nullptr;
}

bool KSRotateBy::initWithDuration(ksTime d, float angle)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    angle_ = angle;
    return true;
}

Ref<KSAction> KSRotateBy::copy() const
{
    return actionWithDuration(duration_, angle_);
}

void KSRotateBy::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    startAngle_ = node()->rotation();
}

void KSRotateBy::update(float t)
{
    node()->setRotation(startAngle_ + angle_ * t);
}

Ref<KSFiniteTimeAction> KSRotateBy::reverse() const
{
    return actionWithDuration(duration_, -angle_);
}

// Movement ------------------------------------------------------------------------

Ref<KSMoveTo> KSMoveTo::actionWithDuration(ksTime d, Point position)
{
    auto a = adoptRef(new KSMoveTo);
    return a->initWithDuration(d, position) ? a : nullptr;
}

bool KSMoveTo::initWithDuration(ksTime d, Point position)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    endPosition_ = position;
    return true;
}

Ref<KSAction> KSMoveTo::copy() const
{
    return actionWithDuration(duration_, endPosition_);
}

void KSMoveTo::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    startPosition_ = node()->position();
    delta_ = endPosition_ - startPosition_;
}

void KSMoveTo::update(float t)
{
    node()->setPosition({ startPosition_.x + delta_.x * t, startPosition_.y + delta_.y * t });
}

Ref<KSMoveBy> KSMoveBy::actionWithDuration(ksTime d, Point offset)
{
    auto a = adoptRef(new KSMoveBy);
    return a->initWithDuration(d, offset) ? a : nullptr;
}

bool KSMoveBy::initWithDuration(ksTime d, Point offset)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    delta_ = offset;
    return true;
}

Ref<KSAction> KSMoveBy::copy() const
{
    return actionWithDuration(duration_, delta_);
}

void KSMoveBy::startWithTarget(platform::Object* target)
{
    Point offset = delta_;
    KSMoveTo::startWithTarget(target);
    delta_ = offset;
}

Ref<KSFiniteTimeAction> KSMoveBy::reverse() const
{
    return actionWithDuration(duration_, -delta_);
}

// Jumps ---------------------------------------------------------------------------

Ref<KSJumpBy> KSJumpBy::actionWithDuration(ksTime d, Point position, float height, int jumps)
{
    auto a = adoptRef(new KSJumpBy);
    return a->initWithDuration(d, position, height, jumps) ? a : nullptr;
}

bool KSJumpBy::initWithDuration(ksTime d, Point position, float height, int jumps)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    delta_ = position;
    height_ = height;
    jumps_ = jumps;
    return true;
}

Ref<KSAction> KSJumpBy::copy() const
{
    return actionWithDuration(duration_, delta_, height_, jumps_);
}

void KSJumpBy::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    startPosition_ = node()->position();
}

void KSJumpBy::update(float t)
{
    float frac = std::fmod(static_cast<float>(jumps_) * t, 1.0f);
    float y = height_ * 4 * frac * (1 - frac) + delta_.y * t;
    float x = delta_.x * t;
    node()->setPosition({ startPosition_.x + x, startPosition_.y + y });
}

Ref<KSFiniteTimeAction> KSJumpBy::reverse() const
{
    return actionWithDuration(duration_, -delta_, height_, jumps_);
}

Ref<KSJumpTo> KSJumpTo::actionWithDuration(ksTime d, Point position, float height, int jumps)
{
    auto a = adoptRef(new KSJumpTo);
    return a->initWithDuration(d, position, height, jumps) ? a : nullptr;
}

bool KSJumpTo::initWithDuration(ksTime d, Point position, float height, int jumps)
{
    if (!KSJumpBy::initWithDuration(d, position, height, jumps))
        return false;
    endPosition_ = position;
    return true;
}

Ref<KSAction> KSJumpTo::copy() const
{
    return actionWithDuration(duration_, endPosition_, height_, jumps_);
}

void KSJumpTo::startWithTarget(platform::Object* target)
{
    KSJumpBy::startWithTarget(target);
    // From the absolute end point each time, so a restarted jump lands right.
    delta_ = endPosition_ - startPosition_;
}

// Bezier --------------------------------------------------------------------------

namespace {
float bezierAt(float a, float b, float c, float d, float t)
{
    return std::pow(1 - t, 3.0f) * a + 3 * t * std::pow(1 - t, 2.0f) * b + 3 * std::pow(t, 2.0f) * (1 - t) * c
        + std::pow(t, 3.0f) * d;
}
} // namespace

Ref<KSBezierBy> KSBezierBy::actionWithDuration(ksTime d, ksBezierConfig config)
{
    auto a = adoptRef(new KSBezierBy);
    return a->initWithDuration(d, config) ? a : nullptr;
}

bool KSBezierBy::initWithDuration(ksTime d, ksBezierConfig config)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    config_ = config;
    return true;
}

Ref<KSAction> KSBezierBy::copy() const
{
    return actionWithDuration(duration_, config_);
}

void KSBezierBy::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    startPosition_ = node()->position();
}

void KSBezierBy::update(float t)
{
    float x = bezierAt(0, config_.controlPoint_1.x, config_.controlPoint_2.x, config_.endPosition.x, t);
    float y = bezierAt(0, config_.controlPoint_1.y, config_.controlPoint_2.y, config_.endPosition.y, t);
    node()->setPosition({ startPosition_.x + x, startPosition_.y + y });
}

Ref<KSFiniteTimeAction> KSBezierBy::reverse() const
{
    ksBezierConfig r;
    r.endPosition = -config_.endPosition;
    r.controlPoint_1 = config_.controlPoint_2 - config_.endPosition;
    r.controlPoint_2 = config_.controlPoint_1 - config_.endPosition;
    return actionWithDuration(duration_, r);
}

Ref<KSBezierTo> KSBezierTo::actionWithDuration(ksTime d, ksBezierConfig config)
{
    auto a = adoptRef(new KSBezierTo);
    return a->initWithDuration(d, config) ? a : nullptr;
}

bool KSBezierTo::initWithDuration(ksTime d, ksBezierConfig config)
{
    if (!KSBezierBy::initWithDuration(d, config))
        return false;
    absoluteConfig_ = config;
    return true;
}

Ref<KSAction> KSBezierTo::copy() const
{
    return actionWithDuration(duration_, absoluteConfig_);
}

void KSBezierTo::startWithTarget(platform::Object* target)
{
    KSBezierBy::startWithTarget(target);
    // From the absolute points each time, so a restarted path ends right.
    config_.controlPoint_1 = absoluteConfig_.controlPoint_1 - startPosition_;
    config_.controlPoint_2 = absoluteConfig_.controlPoint_2 - startPosition_;
    config_.endPosition = absoluteConfig_.endPosition - startPosition_;
}

// Scale ---------------------------------------------------------------------------

Ref<KSScaleTo> KSScaleTo::actionWithDuration(ksTime d, float scale)
{
    auto a = adoptRef(new KSScaleTo);
    return a->initWithDuration(d, scale) ? a : nullptr;
}

Ref<KSScaleTo> KSScaleTo::actionWithDuration(ksTime d, float scaleX, float scaleY)
{
    auto a = adoptRef(new KSScaleTo);
    return a->initWithDuration(d, scaleX, scaleY) ? a : nullptr;
}

bool KSScaleTo::initWithDuration(ksTime d, float scale)
{
    return initWithDuration(d, scale, scale);
}

bool KSScaleTo::initWithDuration(ksTime d, float scaleX, float scaleY)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    endScaleX_ = scaleX;
    endScaleY_ = scaleY;
    return true;
}

Ref<KSAction> KSScaleTo::copy() const
{
    return actionWithDuration(duration_, endScaleX_, endScaleY_);
}

void KSScaleTo::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    startScaleX_ = node()->scaleX();
    startScaleY_ = node()->scaleY();
    deltaX_ = endScaleX_ - startScaleX_;
    deltaY_ = endScaleY_ - startScaleY_;
}

void KSScaleTo::update(float t)
{
    node()->setScaleX(startScaleX_ + deltaX_ * t);
    node()->setScaleY(startScaleY_ + deltaY_ * t);
}

Ref<KSScaleBy> KSScaleBy::actionWithDuration(ksTime d, float scale)
{
    auto a = adoptRef(new KSScaleBy);
    return a->initWithDuration(d, scale) ? a : nullptr;
}

Ref<KSScaleBy> KSScaleBy::actionWithDuration(ksTime d, float scaleX, float scaleY)
{
    auto a = adoptRef(new KSScaleBy);
    return a->initWithDuration(d, scaleX, scaleY) ? a : nullptr;
}

Ref<KSAction> KSScaleBy::copy() const
{
    return actionWithDuration(duration_, endScaleX_, endScaleY_);
}

void KSScaleBy::startWithTarget(platform::Object* target)
{
    KSScaleTo::startWithTarget(target);
    deltaX_ = startScaleX_ * endScaleX_ - startScaleX_;
    deltaY_ = startScaleY_ * endScaleY_ - startScaleY_;
}

Ref<KSFiniteTimeAction> KSScaleBy::reverse() const
{
    return actionWithDuration(duration_, 1 / endScaleX_, 1 / endScaleY_);
}

// Blink ---------------------------------------------------------------------------

Ref<KSBlink> KSBlink::actionWithDuration(ksTime d, int blinks)
{
    auto a = adoptRef(new KSBlink);
    return a->initWithDuration(d, blinks) ? a : nullptr;
}

bool KSBlink::initWithDuration(ksTime d, int blinks)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    times_ = blinks;
    return true;
}

Ref<KSAction> KSBlink::copy() const
{
    return actionWithDuration(duration_, times_);
}

void KSBlink::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    node();
}

void KSBlink::update(float t)
{
    float slice = 1.0f / static_cast<float>(times_);
    float m = std::fmod(t, slice);
    node()->setVisible(m > slice / 2);
}

Ref<KSFiniteTimeAction> KSBlink::reverse() const
{
    return actionWithDuration(duration_, times_);
}

// Fades ---------------------------------------------------------------------------

Ref<KSFadeIn> KSFadeIn::actionWithDuration(ksTime d)
{
    auto a = adoptRef(new KSFadeIn);
    return a->initWithDuration(d) ? a : nullptr;
}

Ref<KSAction> KSFadeIn::copy() const
{
    return actionWithDuration(duration_);
}

void KSFadeIn::update(float t)
{
    if (KSRGBAOf target { target_ })
        target->setOpacity(channel(255 * t));
}

Ref<KSFiniteTimeAction> KSFadeIn::reverse() const
{
    return KSFadeOut::actionWithDuration(duration_);
}

Ref<KSFadeOut> KSFadeOut::actionWithDuration(ksTime d)
{
    auto a = adoptRef(new KSFadeOut);
    return a->initWithDuration(d) ? a : nullptr;
}

Ref<KSAction> KSFadeOut::copy() const
{
    return actionWithDuration(duration_);
}

void KSFadeOut::update(float t)
{
    if (KSRGBAOf target { target_ })
        target->setOpacity(channel(255 * (1 - t)));
}

Ref<KSFiniteTimeAction> KSFadeOut::reverse() const
{
    return KSFadeIn::actionWithDuration(duration_);
}

Ref<KSFadeTo> KSFadeTo::actionWithDuration(ksTime d, GLubyte opacity)
{
    auto a = adoptRef(new KSFadeTo);
    return a->initWithDuration(d, opacity) ? a : nullptr;
}

bool KSFadeTo::initWithDuration(ksTime d, GLubyte opacity)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    toOpacity_ = opacity;
    return true;
}

Ref<KSAction> KSFadeTo::copy() const
{
    return actionWithDuration(duration_, toOpacity_);
}

void KSFadeTo::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    if (KSRGBAOf t { target })
        fromOpacity_ = t->opacity();
}

void KSFadeTo::update(float t)
{
    if (KSRGBAOf target { target_ })
        target->setOpacity(channel(fromOpacity_ + (toOpacity_ - fromOpacity_) * t));
}

// Tints ---------------------------------------------------------------------------

Ref<KSTintTo> KSTintTo::actionWithDuration(ksTime d, GLubyte red, GLubyte green, GLubyte blue)
{
    auto a = adoptRef(new KSTintTo);
    return a->initWithDuration(d, red, green, blue) ? a : nullptr;
}

bool KSTintTo::initWithDuration(ksTime d, GLubyte red, GLubyte green, GLubyte blue)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    to_ = { red, green, blue };
    return true;
}

Ref<KSAction> KSTintTo::copy() const
{
    return actionWithDuration(duration_, to_.r, to_.g, to_.b);
}

void KSTintTo::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    if (KSRGBAOf t { target })
        from_ = t->color();
}

void KSTintTo::update(float t)
{
    if (KSRGBAOf target { target_ }) {
        target->setColor({ channel(from_.r + (to_.r - from_.r) * t), channel(from_.g + (to_.g - from_.g) * t),
            channel(from_.b + (to_.b - from_.b) * t) });
    }
}

Ref<KSTintBy> KSTintBy::actionWithDuration(ksTime d, int16_t red, int16_t green, int16_t blue)
{
    auto a = adoptRef(new KSTintBy);
    return a->initWithDuration(d, red, green, blue) ? a : nullptr;
}

bool KSTintBy::initWithDuration(ksTime d, int16_t red, int16_t green, int16_t blue)
{
    if (!KSActionInterval::initWithDuration(d))
        return false;
    deltaR_ = red;
    deltaG_ = green;
    deltaB_ = blue;
    return true;
}

Ref<KSAction> KSTintBy::copy() const
{
    return actionWithDuration(duration_, deltaR_, deltaG_, deltaB_);
}

void KSTintBy::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    if (KSRGBAOf t { target }) {
        ksColor3B c = t->color();
        fromR_ = c.r;
        fromG_ = c.g;
        fromB_ = c.b;
    }
}

void KSTintBy::update(float t)
{
    if (KSRGBAOf target { target_ })
        target->setColor({ channel(fromR_ + deltaR_ * t), channel(fromG_ + deltaG_ * t), channel(fromB_ + deltaB_ * t) });
}

Ref<KSFiniteTimeAction> KSTintBy::reverse() const
{
    return actionWithDuration(duration_, static_cast<int16_t>(-deltaR_), static_cast<int16_t>(-deltaG_),
        static_cast<int16_t>(-deltaB_));
}

} // namespace kestrel
