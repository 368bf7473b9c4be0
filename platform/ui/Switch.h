// An on/off switch (94 x 27 points). A tap inside flips it and sends
// value-changed; setOn in code sends nothing.
#pragma once

#include "platform/ui/Control.h"

namespace platform::ui {

class Switch : public Control {
public:
    static Ref<Switch> switchWithFrame(const Rect& frame);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;
    void setFrame(const Rect& frame) override; // the size stays fixed

    bool isOn() const { return on_; }
    void setOn(bool on, bool /*animated*/ = false) { on_ = on; setNeedsDisplay(); }
    std::string dumpText() const override { return on_ ? "on" : "off"; }

    void drawChrome(GraphicsContext& context, const Rect& bounds) override;

protected:
    friend class InterfaceBuilder;
    Switch() = default;
    void didTapInside(const Touch& t) override;

private:
    bool on_ { false };
};

} // namespace platform::ui
