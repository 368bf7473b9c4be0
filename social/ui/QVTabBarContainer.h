// Holds the tab bar and the content of the selected tab as sibling subviews.
#pragma once

#include "platform/ui/View.h"
#include "social/ui/QVClassRegistry.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

class QVTabBar;

// Holds the tab bar and the content of the selected tab as sibling subviews.
class QVTabBarContainer : public platform::ui::View {
    QV_DECLARE_CLASS(QVTabBarContainer)
public:
    static platform::Ref<QVTabBarContainer> containerWithFrame(const platform::Rect& frame);
    // The tab bar among the direct subviews, or null.
    QVTabBar* tabBar() const;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVTabBarContainer() = default;
};

} // namespace quorvel
