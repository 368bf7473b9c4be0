// ActivityIndicator: animating state and visibility.
#include "platform/ui/ActivityIndicator.h"

#include "platform/ui/Drawing.h"

namespace platform::ui {

Ref<ActivityIndicator> ActivityIndicator::withStyle(Style style)
{
    auto a = adoptRef(new ActivityIndicator);
    if (!a->initWithFrame({}))
        return nullptr;
    a->setStyle(style);
    a->sizeToFit();
    return a;
}

bool ActivityIndicator::initWithFrame(const Rect& frame)
{
    View::initWithFrame(frame);
    setUserInteractionEnabled(false);
    setHidden(true);
    return true;
}

bool ActivityIndicator::initWithCoder(const InterfaceCoder& coder)
{
    View::initWithCoder(coder);
    setBackgroundColor(std::nullopt);
    setUserInteractionEnabled(false);
    setHidden(true);
    return true;
}

void ActivityIndicator::setStyle(Style s)
{
    style_ = s;
    setNeedsDisplay();
}

void ActivityIndicator::startAnimating()
{
    animating_ = true;
    setHidden(false);
}

void ActivityIndicator::stopAnimating()
{
    animating_ = false;
    if (hidesWhenStopped_)
        setHidden(true);
}

void ActivityIndicator::setHidesWhenStopped(bool h)
{
    hidesWhenStopped_ = h;
    if (!animating_)
        setHidden(h);
}

Size ActivityIndicator::sizeThatFits(Size) const
{
    return style_ == Style::WhiteLarge ? Size(37, 37) : Size(20, 20);
}

void ActivityIndicator::drawChrome(GraphicsContext& g, const Rect&)
{
    // The spokes keep the style's own size, centred, whatever the bounds.
    Rect b = bounds();
    float r = sizeThatFits({}).width / 2 - 2;
    for (int i = 0; i < 12; ++i) {
        float a = float(i) * float(M_PI) / 6;
        g.beginPath();
        g.moveTo(b.midX() + std::cos(a) * r * 0.5f, b.midY() + std::sin(a) * r * 0.5f);
        g.lineTo(b.midX() + std::cos(a) * r, b.midY() + std::sin(a) * r);
        draw::setStroke(g, style() == Style::Gray ? Color::white(0.4f, 0.3f + 0.05f * float(i)) : Color::white(1, 0.3f + 0.05f * float(i)),
                        style() == Style::WhiteLarge ? 3.f : 2.f);
        g.strokePath();
    }
}

} // namespace platform::ui
