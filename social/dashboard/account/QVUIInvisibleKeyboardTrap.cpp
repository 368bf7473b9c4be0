// The see-through container that stays on top while it holds something.
#include "social/dashboard/account/QVUIInvisibleKeyboardTrap.h"

namespace quorvel {

using platform::Point;
using platform::Ref;
using platform::ui::View;

Ref<QVUIInvisibleKeyboardTrap> QVUIInvisibleKeyboardTrap::trapWithFrame(const platform::Rect& frame)
{
    Ref<QVUIInvisibleKeyboardTrap> trap = platform::adoptRef(new QVUIInvisibleKeyboardTrap);
    trap->initWithFrame(frame);
    trap->setBackgroundColor(std::nullopt);
    trap->setOpaque(false);
    return trap;
}

void QVUIInvisibleKeyboardTrap::didAddSubview(View*)
{
    if (View* parent = superview())
        parent->bringSubviewToFront(this);
}

void QVUIInvisibleKeyboardTrap::willRemoveSubview(View*)
{
    if (View* parent = superview())
        parent->sendSubviewToBack(this);
}

bool QVUIInvisibleKeyboardTrap::pointInside(Point point) const
{
    if (subviews().empty())
        return false;
    View* first = subviews().front().get();
    return first->pointInside(convertPointTo(point, first));
}

View* QVUIInvisibleKeyboardTrap::hitTest(Point point)
{
    if (subviews().empty())
        return nullptr;
    View* first = subviews().front().get();
    return first->hitTest(convertPointTo(point, first));
}

} // namespace quorvel
