// Switch: a two-state control of fixed size.
#include "platform/ui/Switch.h"

namespace platform::ui {

Ref<Switch> Switch::switchWithFrame(const Rect& frame)
{
    auto s = adoptRef(new Switch);
    return s->initWithFrame(frame) ? s : nullptr;
}

bool Switch::initWithFrame(const Rect& frame)
{
    Control::initWithFrame(frame);
    return true;
}

bool Switch::initWithCoder(const InterfaceCoder& coder)
{
    Control::initWithCoder(coder);
    setBackgroundColor(std::nullopt);
    return true;
}

void Switch::setFrame(const Rect& frame)
{
    Control::setFrame(Rect(frame.origin, Size(94, 27)));
}

void Switch::didTapInside(const Touch&)
{
    on_ = !on_;
    setNeedsDisplay();
    sendActionsForControlEvents(ValueChanged);
}

} // namespace platform::ui
