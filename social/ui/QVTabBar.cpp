// The tab strip and its container.
#include "social/ui/QVTabBar.h"

namespace quorvel {

QV_REGISTER_CLASS(QVTabBar);
QV_REGISTER_CLASS(QVTabBarContainer);

QVTabBar* QVTabBarContainer::tabBar() const
{
    for (auto& sub : subviews()) {
        if (auto* bar = dynamic_cast<QVTabBar*>(sub.get()))
            return bar;
    }
    return nullptr;
}

} // namespace quorvel
