// Switch: a two-state control of fixed size.
#include "platform/ui/Switch.h"

#include "platform/ui/Drawing.h"

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

void Switch::drawChrome(GraphicsContext& g, const Rect&)
{
    // A disabled switch is the same face at half strength.
    bool dimmed = !isEnabled();
    if (dimmed)
        g.beginTransparencyLayer();
    Rect b = bounds().insetBy(0.5f, 0.5f);
    draw::roundedRectPath(g, b, 5);
    draw::setFill(g, isOn() ? Color::rgb(0.0f, 0.5f, 0.92f) : Color::white(0.93f));
    g.fillPath();
    draw::roundedRectPath(g, b, 5);
    draw::setStroke(g, Color::white(0.55f));
    g.strokePath();
    Rect half(isOn() ? b.minX() : b.midX(), b.minY(), b.size.width / 2, b.size.height);
    Rect knob(isOn() ? b.midX() : b.minX(), b.minY(), b.size.width / 2, b.size.height);
    draw::roundedRectPath(g, knob, 5);
    draw::setFill(g, Color::white(0.97f));
    g.fillPath();
    draw::roundedRectPath(g, knob, 5);
    g.strokePath();
    auto font = draw::systemFont(15, true);
    draw::text(g, isOn() ? "ON" : "OFF", font.get(), half, isOn() ? Color::whiteColor() : Color::white(0.4f), TextAlignment::Center);
    if (dimmed)
        g.endTransparencyLayer(0.5f);
}

} // namespace platform::ui
