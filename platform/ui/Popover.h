// A popover (tablets only): a content screen floating over the window,
// anchored at a bar button or a rectangle. Shown popovers are kept in a list
// (which keeps them alive) until dismissed. Dismissing in code tells the
// delegate nothing; a touch outside (dismissByTouchOutsideForTest) asks
// should-dismiss and then tells did-dismiss, as on the device. The content
// screen gets its appearance calls at once. The delegate is not owned.
#pragma once

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ViewController.h"

#include <vector>

namespace platform::ui {

enum PopoverArrowDirection : unsigned {
    PopoverArrowUp = 1 << 0,
    PopoverArrowDown = 1 << 1,
    PopoverArrowLeft = 1 << 2,
    PopoverArrowRight = 1 << 3,
    PopoverArrowAny = 0xF,
};

class PopoverController;

class PopoverControllerDelegate {
public:
    virtual ~PopoverControllerDelegate() = default;
    virtual bool popoverControllerShouldDismissPopover(PopoverController* /*popover*/) { return true; }
    virtual void popoverControllerDidDismissPopover(PopoverController* /*popover*/) { }
};

class PopoverController final : public Object {
public:
    // Raises an assertion on a phone, where popovers do not exist.
    static Ref<PopoverController> withContentViewController(ViewController* content);

    ViewController* contentViewController() const { return content_.get(); }
    void setContentViewController(ViewController* content) { content_ = content; }
    PopoverControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(PopoverControllerDelegate* d) { delegate_ = d; }
    Size popoverContentSize() const { return contentSize_; }
    void setPopoverContentSize(Size s) { contentSize_ = s; }

    bool isPopoverVisible() const { return visible_; }
    void presentFromBarButtonItem(BarButtonItem* item, unsigned arrowDirections, bool animated);
    // The rectangle is in the view's coordinates.
    void presentFromRect(const Rect& rect, View* view, unsigned arrowDirections, bool animated);
    void dismissPopoverAnimated(bool animated);

    // Where it was presented from.
    BarButtonItem* anchorItem() const { return anchorItem_.get(); }
    Rect anchorRect() const { return anchorRect_; } // window coordinates
    unsigned permittedArrowDirections() const { return arrows_; }

    // A touch outside the popover: should-dismiss, dismissal, did-dismiss.
    // Answers whether it was dismissed.
    bool dismissByTouchOutsideForTest();

    static std::vector<Ref<PopoverController>> visiblePopovers();
    // Forgets every shown popover without delegate calls (TestDriver::reset).
    static void forgetAll();

private:
    PopoverController() = default;
    void present(const Rect& anchorInWindow, unsigned arrows);

    Ref<ViewController> content_;
    Ref<BarButtonItem> anchorItem_;
    PopoverControllerDelegate* delegate_ { nullptr };
    Size contentSize_ { 320, 480 };
    Rect anchorRect_;
    unsigned arrows_ { PopoverArrowAny };
    bool visible_ { false };
};

} // namespace platform::ui
