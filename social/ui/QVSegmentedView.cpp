// The tab bar as a row of segments at the top of tabbed list screens.
#include "social/ui/QVSegmentedView.h"

#include "social/ui/QVClassRegistry.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"

#include <cmath>
#include <cstdlib>

namespace quorvel {

using namespace platform::ui;
using platform::Point;
using platform::Rect;
using platform::Ref;

float QVSegmentedView::segmentedViewHeight() { return QVDashboardRole::current().isLargeScreen() ? 40.0f : 33.0f; }

Ref<QVSegmentedView> QVSegmentedView::withFrame(const Rect& frame)
{
    auto view = platform::adoptRef(new QVSegmentedView);
    if (!view->initWithFrame(frame))
        return nullptr;
    return view;
}

void QVSegmentedView::setupDefaults()
{
    QVTabBar::setupDefaults();
    style = LabelledSegments;
    Color grey = Color::white(98.0f / 255).withAlpha(1);
    activeTextColor = grey;
    inactiveTextColor = grey;
    setBackgroundImage(nullptr);
    Rect f = frame();
    f.size.height = segmentedViewHeight();
    setFrame(f);
    std::string suffix = QVDashboardRole::current().isLargeScreen() ? "IPad" : "";
    if (auto inactive = QVLoadKitImage("QVTabBarOverlappingSegment" + suffix + ".png"))
        inactiveItemBackgroundImage = inactive->stretchableImage(27, 0);
    if (auto active = QVLoadKitImage("QVTabBarOverlappingSegmentActive" + suffix + ".png"))
        activeItemBackgroundImage = active->stretchableImage(27, 0);
    dividerImage = nullptr;
    leftPadding = -1;
    rightPadding = -3;
    overlap = -1;
    textAlignment = platform::TextAlignment::Center;
    labelPadding = Rect(31, 1, 0, 0);
    badgeOffset = Point(-10, 2);
}

} // namespace quorvel
