// The test driver of the headless UI: puts screens in a key window, taps
// views through real hit testing (so hidden, transparent, non-interactive or
// covered views are caught), types into the first responder through its
// delegate, answers alerts and sheets, sends memory warnings, advances the
// manual clock and settles (posts and layout), and dumps a view tree as text.
//
// The dump is deterministic: one line per view, indented by depth, with the
// class, tag, frame, flags and the view's text or image name.
#pragma once

#include "platform/ui/AlertView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Window.h"

#include <string>

namespace platform::ui {

class TestDriver {
public:
    // Makes a key window covering the main screen.
    TestDriver();
    ~TestDriver();
    TestDriver(const TestDriver&) = delete;
    TestDriver& operator=(const TestDriver&) = delete;

    Window* window() const { return window_.get(); }

    // Adds the controller's view to the window (application frame) and sends
    // the appearance calls, as the application does for its root screen.
    void showController(ViewController* controller);

    struct TapResult {
        bool delivered { false };
        View* hitView { nullptr };
        std::string problem; // why the tap did not reach the view
        explicit operator bool() const { return delivered; }
    };
    // Taps the centre of the view. Delivered only when hit testing at that
    // point lands on the view or one of its subviews.
    TapResult tap(View* view, int tapCount = 1);
    // Taps a point in window coordinates; delivered to whatever is hit.
    TapResult tapPoint(Point point, int tapCount = 1);

    // Types into the first responder, one character at a time through the
    // delegate; answers whether every character was accepted.
    bool type(const std::string& text);
    bool deleteBackward();
    // The Return key of the first responder: should-return's answer (a text
    // view inserts a newline).
    bool pressReturn();

    // Answers the newest shown alert or sheet.
    bool answerAlert(int index);
    bool answerAlert(const std::string& buttonTitle);
    bool answerActionSheet(int index);
    bool answerActionSheet(const std::string& buttonTitle);
    AlertView* currentAlert() const;
    ActionSheet* currentActionSheet() const;

    bool tapBarButton(BarButtonItem* item);
    // The back button of a navigation stack: pops, animated.
    bool tapBack(NavigationController* nav);

    void memoryWarning();
    // Moves the manual clock (firing timers and animations) and settles.
    void advance(double seconds);
    // Runs pending posts and lays out every window.
    void settle();

    static std::string dumpTree(const View* view);

    // Forgets shown alerts, sheets and popovers, the focus, the keyboard, the
    // address book, the camera setting and the application's state (without
    // delegate calls).
    static void reset();

private:
    Ref<Window> window_;
};

} // namespace platform::ui
