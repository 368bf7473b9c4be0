// The responder chain: objects that receive touches and may hold the keyboard
// focus (the first responder). Views pass unhandled touches to their view
// controller or superview.
//
// There is one first responder at a time (the layer is single-threaded and has
// one key window); destroying it clears the focus.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Object.h"

namespace platform::ui {

class View;
class Window;
class TouchSet;
class Event;

// One finger's touch, as delivered to the responder that was hit.
struct Touch {
    enum class Phase { Began, Moved, Stationary, Ended, Cancelled };
    Phase phase { Phase::Began };
    Point windowLocation;
    int tapCount { 1 };
    View* view { nullptr };     // the view the touch began in
    Window* window { nullptr };
    double timestamp { 0 };

    // The touch's location in a view's own coordinates (window coordinates for null).
    Point locationInView(const View* v) const;
};

class Responder : public Object {
public:
    virtual Responder* nextResponder() const { return nullptr; }

    virtual bool canBecomeFirstResponder() const { return false; }
    virtual bool becomeFirstResponder();
    virtual bool canResignFirstResponder() const { return true; }
    virtual bool resignFirstResponder();
    // Virtual so that a compound view can answer for the input inside it.
    virtual bool isFirstResponder() const { return current_ == this; }
    static Responder* firstResponder() { return current_; }
    // Forgets the focus without telling anyone (between tests).
    static void resetFirstResponder() { current_ = nullptr; }

    // Unhandled touches travel up the chain.
    virtual void touchesBegan(const Touch& t);
    virtual void touchesMoved(const Touch& t);
    virtual void touchesEnded(const Touch& t);
    virtual void touchesCancelled(const Touch& t);
    // A whole phase of a multi-touch event (see Touches.h). By default each
    // touch of the set goes to the single-touch handler above.
    virtual void touchesBeganWithEvent(const TouchSet& touches, Event* event);
    virtual void touchesMovedWithEvent(const TouchSet& touches, Event* event);
    virtual void touchesEndedWithEvent(const TouchSet& touches, Event* event);
    virtual void touchesCancelledWithEvent(const TouchSet& touches, Event* event);

protected:
    Responder() = default;
    ~Responder() override;
    // Takes or drops the focus without the checks and calls of the public methods.
    bool takeFocus();
    void dropFocus() { if (current_ == this) current_ = nullptr; }

private:
    static inline Responder* current_ { nullptr };
};

} // namespace platform::ui
