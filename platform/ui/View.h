// A view: a rectangle of the headless UI tree with its subviews, geometry,
// visibility flags, layout and hit testing. Tests inspect its state; the test
// driver delivers touches through real hit testing.
//
// Geometry follows the device platform: origin top-left, y down; the frame is
// derived from centre, bounds and transform and kept consistent under all
// three. Changing a view's size autoresizes its subviews at once and asks for
// layoutSubviews, which runs at the end of the current run-loop turn (or at
// layoutIfNeeded). A view owns its subviews (retained) and links to its
// superview without owning it. Views built from an interface file go through
// initWithCoder and then awakeFromNib instead of initWithFrame.
//
// View animations (beginAnimations/commitAnimations) apply final values at
// once and call their did-stop selector when the duration has passed on the
// run loop's clock. Meanwhile the view keeps the change of centre, transform
// and alpha as a running animation: its presentation values are where the
// animation has them at the clock's current time, which is what a render shows.
#pragma once

#include "platform/foundation/Selector.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Responder.h"
#include "platform/ui/Types.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class GraphicsContext;
}

namespace platform::ui {

class ViewController;
class Window;
class InterfaceBuilder;

// What an interface file gives a view before its class's own initialisation.
struct InterfaceCoder {
    Rect frame;
};

class View : public Responder {
public:
    static Ref<View> view() { return viewWithFrame({}); }
    static Ref<View> viewWithFrame(const Rect& frame);

    virtual bool initWithFrame(const Rect& frame);
    // Initialisation of a view built from an interface file (file-built defaults).
    virtual bool initWithCoder(const InterfaceCoder& coder);
    // Sent to every object of an interface file once all are built and connected.
    virtual void awakeFromNib() { }
    bool isBuiltFromInterface() const { return fromInterface_; }

    // --- Geometry ---
    Rect frame() const;
    virtual void setFrame(const Rect& frame);
    Rect bounds() const { return bounds_; }
    virtual void setBounds(const Rect& bounds);
    Point center() const { return center_; }
    virtual void setCenter(Point center);
    const AffineTransform& transform() const { return transform_; }
    virtual void setTransform(const AffineTransform& t);

    Point convertPointTo(Point p, const View* to) const;   // null: window coordinates
    Point convertPointFrom(Point p, const View* from) const;
    Rect convertRectTo(const Rect& r, const View* to) const;
    Rect convertRectFrom(const Rect& r, const View* from) const;

    // --- Hierarchy ---
    View* superview() const { return superview_; }
    const std::vector<Ref<View>>& subviews() const { return subviews_; }
    Window* window() const;
    void addSubview(View* view);
    void insertSubviewAt(View* view, size_t index);
    void insertSubviewBelow(View* view, View* sibling);
    void insertSubviewAbove(View* view, View* sibling);
    void exchangeSubviews(size_t a, size_t b);
    void bringSubviewToFront(View* view);
    void sendSubviewToBack(View* view);
    virtual void removeFromSuperview();
    bool isDescendantOfView(const View* view) const; // true for the view itself
    // Depth-first, the view itself first.
    View* viewWithTag(int tag);

    virtual void didAddSubview(View* /*subview*/) { }
    virtual void willRemoveSubview(View* /*subview*/) { }
    virtual void willMoveToSuperview(View* /*newSuperview*/) { }
    virtual void didMoveToSuperview() { }
    virtual void willMoveToWindow(Window* /*newWindow*/) { }
    virtual void didMoveToWindow() { }

    // --- Appearance and interaction ---
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    bool isHidden() const { return hidden_; }
    virtual void setHidden(bool hidden);
    float alpha() const { return alpha_; }
    virtual void setAlpha(float alpha);
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips) { clipsToBounds_ = clips; }
    bool isUserInteractionEnabled() const { return userInteraction_; }
    void setUserInteractionEnabled(bool enabled) { userInteraction_ = enabled; }
    // Empty: no background (drawn transparent).
    const std::optional<Color>& backgroundColor() const { return background_; }
    virtual void setBackgroundColor(std::optional<Color> color) { background_ = color; setNeedsDisplay(); }
    ContentMode contentMode() const { return contentMode_; }
    virtual void setContentMode(ContentMode mode) { contentMode_ = mode; }
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    bool autoresizesSubviews() const { return autoresizesSubviews_; }
    void setAutoresizesSubviews(bool a) { autoresizesSubviews_ = a; }

    // --- Layout ---
    void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    void layoutIfNeeded();
    virtual void layoutSubviews() { }
    virtual Size sizeThatFits(Size /*size*/) const { return bounds_.size; }
    void sizeToFit();
    // Lays out every window's tree now (what the end of a run-loop turn does).
    static void layoutAllWindows();

    // --- Drawing ---
    void setNeedsDisplay() { needsDisplay_ = true; }
    bool needsDisplay() const { return needsDisplay_; }
    void clearNeedsDisplay() { needsDisplay_ = false; }
    // The renderer's walker calls these for each visible view, in the view's own
    // coordinates (origin at bounds' origin), after it has set up the view's
    // transparency layer and clip and filled its background colour:
    // drawChrome draws the look of the view's kind (a button's face, a cell's
    // separator and accessory; the base draws nothing), then drawRect draws
    // the content (a label's text). Subviews follow, then the layer border.
    // A kind with its own look overrides drawChrome and calls its base's first
    // when it builds on it; drawRect stays free for the view's own drawing.
    // The state is saved around each call. Both must draw from the view's
    // state only, so that two renders are byte-identical.
    virtual void drawChrome(GraphicsContext& /*context*/, const Rect& /*bounds*/) { }
    virtual void drawRect(GraphicsContext& /*context*/, const Rect& /*rect*/) { }
    // Drawn after the subviews, for a kind whose own parts stand above views
    // added to it (a navigation bar's buttons and title over a bar image).
    virtual void drawAboveSubviews(GraphicsContext& /*context*/, const Rect& /*bounds*/) { }
    // Drawn right after one subview (and before the next), for a kind whose
    // own part stands between two of its subviews (a cell's selection over its
    // background view, under its content).
    virtual void drawAboveSubview(GraphicsContext& /*context*/, const Rect& /*bounds*/, View* /*subview*/) { }
    // The corner radius of the kind's own rounded face (a rounded text field):
    // the background colour fills the bounds rounded by it, so no square
    // corners show around the face. 0: the whole bounds.
    virtual float chromeCornerRadius() const { return 0; }

    // --- Hit testing (point in the view's own coordinates) ---
    virtual View* hitTest(Point point);
    virtual bool pointInside(Point point) const;

    Layer* layer();

    // --- Responder chain ---
    Responder* nextResponder() const override;
    // The controller whose view this is, if any.
    ViewController* viewController() const { return controller_; }

    // A short text for the tree dump: a label's text, an image's name ("" for none).
    virtual std::string dumpText() const { return {}; }

    // --- View animations ---
    using DidStopSelector = Selector<const std::string&, bool, void*>;
    using WillStartSelector = Selector<const std::string&, void*>;
    enum class AnimationCurve { EaseInOut = 0, EaseIn, EaseOut, Linear };
    static void beginAnimations(const std::string& name, void* context = nullptr);
    static void commitAnimations();
    static void setAnimationDuration(double seconds);
    static void setAnimationDelay(double seconds);
    static void setAnimationCurve(AnimationCurve curve);
    static void setAnimationBeginsFromCurrentState(bool fromCurrent);
    // The delegate is retained until the animation has stopped.
    static void setAnimationDelegate(Object* delegate);
    static void setAnimationWillStartSelector(WillStartSelector selector);
    static void setAnimationDidStopSelector(DidStopSelector selector);
    static void setAnimationsEnabled(bool enabled);
    static bool areAnimationsEnabled();
    // Inside beginAnimations/commitAnimations.
    static bool isAnimating();

    struct RunningAnimation {
        std::string name;
        double duration;
        double endTime;
    };
    // Committed view animations whose did-stop has not come yet, oldest first.
    static std::vector<RunningAnimation> runningAnimations();

    // What the screen shows now: the value a running view animation has at the
    // run loop's current time (its start value during its delay), else the
    // model value; a running layer transition moves or fades it further.
    // Setting a property outside an animation block to another value than the
    // running animation's end stops that animation.
    Point presentationCenter() const;
    AffineTransform presentationTransform() const;
    float presentationAlpha() const;
    // Hidden on screen now: a hidden view whose old state a running layer
    // transition moves or fades out is still drawn.
    bool isPresentationHidden() const;
    bool hasRunningValueAnimations() const;

protected:
    View() = default;
    ~View() override;

public:
    enum class AnimatedProperty { Center, Transform, Alpha };
    // One property's move under a committed animation block (six numbers hold
    // a point, a transform or an alpha).
    struct ValueAnimation {
        AnimatedProperty property;
        std::array<float, 6> from;
        std::array<float, 6> to;
        double begin;
        double duration;
        AnimationCurve curve;
    };

private:
    friend class ViewController;
    friend class InterfaceBuilder;
    friend struct ViewAnimationAccess;

    // Called before a model change of an animatable property to newValue.
    void willChange(AnimatedProperty property, const std::array<float, 6>& newValue);
    std::array<float, 6> modelValue(AnimatedProperty property) const;
    std::array<float, 6> presentationValue(AnimatedProperty property) const;

    void resizeSubviewsWithOldSize(Size oldSize);
    void autoresize(Size oldSuperSize, Size newSuperSize);
    void sizeChanged(Size oldSize);
    Point toSuperview(Point p) const;
    Point fromSuperview(Point p) const;
    static void notifyWindowChange(View* root, Window* oldWindow, Window* newWindow, bool before);
    void detachFromSuperview();

    Point center_;
    Rect bounds_;
    AffineTransform transform_;
    View* superview_ { nullptr };
    std::vector<Ref<View>> subviews_;
    ViewController* controller_ { nullptr };
    Ref<Layer> layer_;
    std::vector<ValueAnimation> valueAnimations_;
    std::optional<Color> background_;
    int tag_ { 0 };
    float alpha_ { 1 };
    unsigned autoresizingMask_ { AutoresizingNone };
    ContentMode contentMode_ { ContentMode::ScaleToFill };
    bool hidden_ { false };
    bool opaque_ { true };
    bool clipsToBounds_ { false };
    bool userInteraction_ { true };
    bool autoresizesSubviews_ { true };
    bool needsLayout_ { false };
    bool needsDisplay_ { false };
    bool fromInterface_ { false };
};

} // namespace platform::ui
