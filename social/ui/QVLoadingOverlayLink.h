// QVLoadingOverlayLink: the stack a screen showed the loading overlay
// through. The screen takes the overlay down through that same stack, also
// once it has left it: a popped screen loses its stack before it hears that it
// disappears, and the answers of a screen that left are dropped, so nothing
// else would. The overlay goes when its screen goes or when its request is
// answered, whichever comes first; a screen's answer leaves the overlay of
// another screen shown in the same stack since (the one in front, loading).
// A screen taken off a stack out of sight (a hidden tab taken back to its
// root) hears no disappearance: the stack knows the screen and lets the
// overlay go with it.
#pragma once

#include "platform/foundation/Weak.h"

#include <cstdint>

namespace platform::ui {
class ViewController;
}

namespace quorvel {

class QVNavigationController;

class QVLoadingOverlayLink {
public:
    // Shown through the stack as `screen`'s; nothing without a stack.
    void show(QVNavigationController* stack, platform::ui::ViewController* screen);
    // Through the screen's stack, else the one it showed the overlay through.
    void hide(QVNavigationController* stack);

private:
    platform::Weak<QVNavigationController> shownIn_;
    uint64_t ticket_ { 0 }; // the stack's name for the overlay this screen showed
};

} // namespace quorvel
