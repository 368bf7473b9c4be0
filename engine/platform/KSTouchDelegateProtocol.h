// The two kinds of touch delegate of the touch dispatcher. A targeted delegate
// gets one touch at a time and claims it by answering true to ksTouchBegan; it
// then receives that touch's later phases. A standard delegate gets the set of
// touches nobody swallowed. Optional phases have empty default bodies.
#pragma once

#include "platform/ui/Touches.h"

namespace kestrel {

using platform::ui::ActiveTouch;
using platform::ui::Event;
using platform::ui::TouchSet;

class KSTargetedTouchDelegate {
public:
    virtual bool ksTouchBegan(ActiveTouch* touch, Event* event) = 0;
    virtual void ksTouchMoved(ActiveTouch* /*touch*/, Event* /*event*/) { }
    virtual void ksTouchEnded(ActiveTouch* /*touch*/, Event* /*event*/) { }
    virtual void ksTouchCancelled(ActiveTouch* /*touch*/, Event* /*event*/) { }

protected:
    ~KSTargetedTouchDelegate() = default;
};

class KSStandardTouchDelegate {
public:
    virtual void ksTouchesBegan(const TouchSet& /*touches*/, Event* /*event*/) { }
    virtual void ksTouchesMoved(const TouchSet& /*touches*/, Event* /*event*/) { }
    virtual void ksTouchesEnded(const TouchSet& /*touches*/, Event* /*event*/) { }
    virtual void ksTouchesCancelled(const TouchSet& /*touches*/, Event* /*event*/) { }

protected:
    ~KSStandardTouchDelegate() = default;
};

} // namespace kestrel
