// The tab bar as a row of segments at the top of tabbed list screens.
#pragma once

#include "platform/ui/View.h"
#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVTabBar.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// The bar as a row of segments at the top of tabbed list screens.
class QVSegmentedView : public QVTabBar {
    QV_DECLARE_CLASS(QVSegmentedView)
public:
    static float segmentedViewHeight();
    static platform::Ref<QVSegmentedView> withFrame(const platform::Rect& frame);

protected:
    friend class platform::ui::InterfaceBuilder;
    QVSegmentedView() = default;
    void setupDefaults() override;
};

} // namespace quorvel
