// Layers and their animations on the run loop's clock.
//
// Every view has a layer that mirrors its geometry (position is the view's
// centre, opacity its alpha). Animations added to a layer change nothing by
// themselves: the model value is whatever the caller set, at once. An
// animation runs for its duration on the main run loop (manual clock in
// tests); when it ends its delegate gets animationDidStop(finished = true)
// exactly once, and one removed or replaced early gets finished = false.
// An animation retains its delegate until it has been told, or until the run
// loop drops its timer unfired (then it can never end).
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/Types.h"

#include <string>
#include <variant>
#include <vector>

namespace platform::ui {

class View;
class LayerAnimation;

// Mix-in for objects told when layer animations start and stop.
class AnimationDelegate {
public:
    virtual ~AnimationDelegate() = default;
    virtual void animationDidStart(LayerAnimation* /*animation*/) { }
    virtual void animationDidStop(LayerAnimation* /*animation*/, bool /*finished*/) { }
};

enum class TimingFunction { Default, Linear, EaseIn, EaseOut, EaseInEaseOut };
enum class FillMode { Removed, Forwards, Backwards, Both };

class LayerAnimation : public Object {
public:
    double duration() const { return duration_; }
    void setDuration(double d) { duration_ = d < 0 ? 0 : d; }
    // Delay after the animation is added.
    double beginOffset() const { return beginOffset_; }
    void setBeginOffset(double d) { beginOffset_ = d < 0 ? 0 : d; }
    TimingFunction timingFunction() const { return timing_; }
    void setTimingFunction(TimingFunction t) { timing_ = t; }
    bool isRemovedOnCompletion() const { return removedOnCompletion_; }
    void setRemovedOnCompletion(bool r) { removedOnCompletion_ = r; }
    FillMode fillMode() const { return fillMode_; }
    void setFillMode(FillMode f) { fillMode_ = f; }
    // The delegate is retained (and must be an AnimationDelegate to be told).
    Object* delegate() const { return delegate_.get(); }
    void setDelegate(Object* d) { delegate_ = d; }

    virtual std::string summary() const = 0;

protected:
    LayerAnimation() = default;

private:
    friend class Layer;
    double duration_ { 0.25 };
    double beginOffset_ { 0 };
    TimingFunction timing_ { TimingFunction::Default };
    bool removedOnCompletion_ { true };
    FillMode fillMode_ { FillMode::Removed };
    Ref<Object> delegate_;
};

enum class TransitionType { Fade, MoveIn, Push, Reveal };
enum class TransitionSubtype { None, FromLeft, FromRight, FromTop, FromBottom };
const char* transitionTypeName(TransitionType t);
const char* transitionSubtypeName(TransitionSubtype s);

// A transition of the whole layer: its new state slides or fades in.
class Transition final : public LayerAnimation {
public:
    static Ref<Transition> transition();
    TransitionType type() const { return type_; }
    void setType(TransitionType t) { type_ = t; }
    TransitionSubtype subtype() const { return subtype_; }
    void setSubtype(TransitionSubtype s) { subtype_ = s; }
    std::string summary() const override;

private:
    Transition() = default;
    TransitionType type_ { TransitionType::Fade };
    TransitionSubtype subtype_ { TransitionSubtype::None };
};

using AnimationValue = std::variant<std::monostate, double, Point, Rect>;

// A property animation between two values along a key path ("position.x").
class BasicAnimation final : public LayerAnimation {
public:
    static Ref<BasicAnimation> withKeyPath(const std::string& keyPath);
    const std::string& keyPath() const { return keyPath_; }
    const AnimationValue& fromValue() const { return from_; }
    void setFromValue(AnimationValue v) { from_ = v; }
    const AnimationValue& toValue() const { return to_; }
    void setToValue(AnimationValue v) { to_ = v; }
    std::string summary() const override;

private:
    BasicAnimation() = default;
    std::string keyPath_;
    AnimationValue from_;
    AnimationValue to_;
};

class Layer final : public Object {
public:
    View* view() const { return view_; }

    Point position() const;
    void setPosition(Point p);
    float opacity() const;
    void setOpacity(float o);
    Rect bounds() const;

    // Drawn by the renderer: rounded corners clip the view's background and
    // content; the border is stroked inside the bounds.
    float cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(float r) { cornerRadius_ = r < 0 ? 0 : r; }
    float borderWidth() const { return borderWidth_; }
    void setBorderWidth(float w) { borderWidth_ = w < 0 ? 0 : w; }
    const Color& borderColor() const { return borderColor_; }
    void setBorderColor(const Color& c) { borderColor_ = c; }

    // Adds (a reference to) the animation under a key; an empty key gets a
    // unique one. An animation already under that key is stopped first.
    void addAnimation(LayerAnimation* animation, const std::string& key = {});
    LayerAnimation* animationForKey(const std::string& key) const;
    void removeAnimationForKey(const std::string& key);
    void removeAllAnimations();
    std::vector<std::string> animationKeys() const;
    // Animations added and not yet ended.
    size_t runningAnimationCount() const;

    // What a running transition shows of the layer now, for the renderer: an
    // offset of the view's drawing, a factor on its opacity, and whether a
    // view hidden as the transition began is still drawn (its old state
    // leaving). The new state moves in (move in, push) or fades in; a hidden
    // view's old state moves out (reveal, push) or fades out.
    struct Presentation {
        Point offset;
        float alpha { 1 };
        bool drawsHidden { false };
    };
    Presentation presentation() const;

private:
    friend class View;
    Layer() = default;
    ~Layer() override;

    struct Entry {
        std::string key;
        Ref<LayerAnimation> animation;
        Ref<Timer> timer;
        bool ended { false };
        double begin { 0 }; // run loop time the animation starts moving
    };
    void finish(LayerAnimation* animation);
    void releaseDelegateOfAbandoned(LayerAnimation* animation);
    static void tellStopped(const Ref<LayerAnimation>& animation, bool finished);

    View* view_ { nullptr }; // the owning view; cleared when it goes
    float cornerRadius_ { 0 };
    float borderWidth_ { 0 };
    Color borderColor_ { Color::black() };
    std::vector<Entry> entries_;
    unsigned nextKey_ { 0 };
};

} // namespace platform::ui
