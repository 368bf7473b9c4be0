// The main screen: a phone (320 x 480 points) or a tablet (768 x 1024), at
// scale 1 unless a test sets 2 (a high-resolution panel). Tests pick the kind;
// the application frame leaves out the status bar while it is shown.
#pragma once

#include "platform/foundation/Geometry.h"

namespace platform::ui {

class Screen {
public:
    enum class Kind { Phone, Tablet };
    static Screen& mainScreen();

    Kind kind() const { return kind_; }
    void setKind(Kind kind) { kind_ = kind; }
    bool isTablet() const { return kind_ == Kind::Tablet; }

    Rect bounds() const { return kind_ == Kind::Tablet ? Rect(0, 0, 768, 1024) : Rect(0, 0, 320, 480); }
    // The bounds less the status bar, in screen coordinates.
    Rect applicationFrame() const;
    float scale() const { return scale_; }
    void setScale(float scale) { scale_ = scale; }

private:
    Screen() = default;
    Kind kind_ { Kind::Phone };
    float scale_ { 1 };
};

} // namespace platform::ui
