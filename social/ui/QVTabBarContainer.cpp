// Holds the tab bar and the content of the selected tab as sibling subviews.
#include "social/ui/QVTabBarContainer.h"

#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVTabBar.h"

#include <cmath>
#include <cstdlib>

namespace quorvel {

using namespace platform::ui;
using platform::Point;
using platform::Rect;
using platform::Ref;

Ref<QVTabBarContainer> QVTabBarContainer::containerWithFrame(const Rect& frame)
{
    auto container = platform::adoptRef(new QVTabBarContainer);
    if (!container->initWithFrame(frame))
        return nullptr;
    container->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    container->setAutoresizesSubviews(true);
    return container;
}

QVTabBar* QVTabBarContainer::tabBar() const
{
    for (auto& sub : subviews()) {
        if (auto* bar = dynamic_cast<QVTabBar*>(sub.get()))
            return bar;
    }
    return nullptr;
}

} // namespace quorvel
