// The on-screen keyboard simulator. When a text input takes the focus it
// posts will-show then did-show, again for every further input that takes it
// while the keyboard is up (the platform's repeats); when the focus leaves the
// text inputs it posts will-hide then did-hide. Both notifications of a pair
// are posted at once, in order.
//
// User information: the begin and end frames (screen coordinates) under
// "UIKeyboardFrameBeginUserInfoKey" / "UIKeyboardFrameEndUserInfoKey", the
// bounds in interface orientation under "UIKeyboardBoundsUserInfoKey", the
// centres under "UIKeyboardCenterBeginUserInfoKey" / "...CenterEnd...", and
// the animation duration (0.3 s) and curve. Rectangles are rectValue()
// dictionaries. Heights: phone 216 portrait and 162 landscape; tablet 264 and 352.
#pragma once

#include "platform/foundation/Geometry.h"

namespace platform::ui {

class Responder;

inline constexpr const char* kKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline constexpr const char* kKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline constexpr const char* kKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline constexpr const char* kKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
inline constexpr const char* kKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
inline constexpr const char* kKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
inline constexpr const char* kKeyboardBoundsUserInfoKey = "UIKeyboardBoundsUserInfoKey";
inline constexpr const char* kKeyboardCenterBeginUserInfoKey = "UIKeyboardCenterBeginUserInfoKey";
inline constexpr const char* kKeyboardCenterEndUserInfoKey = "UIKeyboardCenterEndUserInfoKey";
inline constexpr const char* kKeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";
inline constexpr const char* kKeyboardAnimationCurveUserInfoKey = "UIKeyboardAnimationCurveUserInfoKey";

class Keyboard {
public:
    static constexpr double kAnimationDuration = 0.3;
    static Keyboard& shared();

    bool isVisible() const { return visible_; }
    // The text input holding the keyboard, or null.
    Responder* input() const { return input_; }
    // Height for the main screen and the status bar's orientation.
    float height() const;
    // Where the keyboard is when shown, in screen coordinates.
    Rect visibleFrame() const;

    // Called by text inputs. A switch from one input to another does not hide.
    void beginSwitch() { ++switching_; }
    void endSwitch() { if (switching_) --switching_; }
    void inputDidBegin(Responder* input);
    void inputDidEnd(Responder* input);

    void reset();

private:
    Keyboard() = default;
    Rect hiddenFrame() const;
    void post(const char* willName, const char* didName, const Rect& begin, const Rect& end);

    Responder* input_ { nullptr };
    int switching_ { 0 };
    bool visible_ { false };
};

} // namespace platform::ui
