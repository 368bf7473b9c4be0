// The dashboard's tab strip and the view that holds it with the tab screens.
// Navigation stacks find them above their own view to slide the strip away
// for screens that bring their own bottom view.
#pragma once

#include "platform/ui/View.h"
#include "social/ui/QVClassRegistry.h"

namespace quorvel {

class QVTabBar : public platform::ui::View {
    QV_DECLARE_CLASS(QVTabBar)
protected:
    friend class platform::ui::InterfaceBuilder;
    QVTabBar() = default;
};

// Holds the tab bar and the content of the selected tab as sibling subviews.
class QVTabBarContainer : public platform::ui::View {
    QV_DECLARE_CLASS(QVTabBarContainer)
public:
    // The tab bar among the direct subviews, or null.
    QVTabBar* tabBar() const;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTabBarContainer() = default;
};

} // namespace quorvel
