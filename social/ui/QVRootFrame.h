// QVRootFrame: what the central class drives of the dashboard's root
// controller. The central class loads "Root" by name and reaches it through
// this interface only; the root controller tells it back through
// QVDashboardRole::animationDidStop when its show or hide transition ends.
//
// The sequence both sides rely on: the central class sizes the screen, sets
// the transition subtypes and calls showController; when the move-in ends the
// screen gets viewDidAppear and the dashboard role hears animationDidStop
// (the dashboard appeared). Closing calls hideController; when the reveal
// ends the screen gets viewDidDisappear, is dropped, and the dashboard role
// hears animationDidStop (the central class then destroys the dashboard:
// cleanupSubviews, the modal dismissed without animation, the root's view
// removed).
#pragma once

#include "platform/ui/Layer.h"

namespace platform::ui {
class View;
class ViewController;
}

namespace quorvel {

class QVRootFrame {
public:
    virtual ~QVRootFrame() = default;

    // The screen shown in the frame, or null.
    virtual platform::ui::ViewController* contentController() const = 0;
    virtual void setTransitionIn(platform::ui::TransitionSubtype subtype) = 0;
    virtual void setTransitionOut(platform::ui::TransitionSubtype subtype) = 0;
    // Shows the screen with a 0.5 s move-in of the transition-in subtype.
    virtual void showController(platform::ui::ViewController* controller) = 0;
    // Hides the shown screen with a 0.5 s reveal of the transition-out subtype;
    // nothing without a screen.
    virtual void hideController() = 0;
    // Removes every subview of the root's own view.
    virtual void cleanupSubviews() = 0;
    // The large screens' drop shadow behind the dashboard, or null.
    virtual platform::ui::View* bgDropShadow() const = 0;
    // On a large screen: the dashboard and its shadow centred across the root
    // view at their resting height again, after the view turned.
    virtual void centreContainer() = 0;
};

// A content screen that presents the dashboard's initial modal content (the
// tabbed dashboard): the root asks it 0.5 s after the show ends, when the
// central class has an initial modal content URL.
class QVInitialModalContentPresenter {
public:
    virtual ~QVInitialModalContentPresenter() = default;
    virtual void _presentModalContentController() = 0;
};

} // namespace quorvel
