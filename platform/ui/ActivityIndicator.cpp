// ActivityIndicator: animating state and visibility.
#include "platform/ui/ActivityIndicator.h"

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

} // namespace platform::ui
