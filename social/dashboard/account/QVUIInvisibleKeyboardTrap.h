// QVUIInvisibleKeyboardTrap: a see-through container that keeps what it holds
// on top of its siblings. Adding a subview brings the trap to the front of its
// superview, removing one sends it to the back; touches are answered by its
// first subview, so the trap itself never catches one.
#pragma once

#include "platform/ui/View.h"

namespace quorvel {

class QVUIInvisibleKeyboardTrap : public platform::ui::View {
public:
    static platform::Ref<QVUIInvisibleKeyboardTrap> trapWithFrame(const platform::Rect& frame);

    void didAddSubview(platform::ui::View* subview) override;
    void willRemoveSubview(platform::ui::View* subview) override;
    bool pointInside(platform::Point point) const override;
    platform::ui::View* hitTest(platform::Point point) override;

protected:
    QVUIInvisibleKeyboardTrap() = default;
};

} // namespace quorvel
