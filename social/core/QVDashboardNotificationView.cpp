// The strip view's parts and their places.
#include "social/core/QVDashboardNotificationView.h"

#include "platform/device/Screen.h"
#include "platform/graphics/Font.h"
#include "social/core/QuorvelInternal.h"
#include "social/ui/QVKitImages.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using platform::Rect;
using platform::Ref;
using platform::Size;
using namespace platform::ui;

Ref<QVDashboardNotificationView> QVDashboardNotificationView::notificationWithText(const std::string& text)
{
    Ref<QVDashboardNotificationView> strip = platform::adoptRef(new QVDashboardNotificationView);
    strip->initWithText(text);
    return strip;
}

void QVDashboardNotificationView::initWithText(const std::string& text)
{
    const Rect screen = Screen::mainScreen().bounds();
    const int orientation = Quorvel::getDashboardOrientation();
    const float w = (orientation == 3 || orientation == 4) ? screen.size.height : screen.size.width;
    initWithFrame(Rect(0, 0, w, kHeight));
    setAutoresizingMask(FlexibleTopMargin);
    setAutoresizesSubviews(true);

    auto background = ImageView::imageViewWithImage(QVLoadKitImage(kBackground).get());
    background->setFrame(Rect(0, 0, w, kHeight));
    background->setAutoresizingMask(FlexibleWidth);
    addSubview(background.get());
    background_ = background.get();

    Ref<platform::Font> font = platform::Font::boldSystemFont(11);
    auto label = Label::labelWithFrame(Rect(0, 2, w, kHeight));
    label->setFont(font.get());
    label->setText(text);
    const float tw = label->sizeThatFits(Size(w, background->frame().size.height)).width;
    Ref<ImageAsset> arrowImage = QVLoadKitImage(kArrow);
    const Size arrowSize = arrowImage ? arrowImage->size() : Size();
    const float cw = std::min(w, tw + arrowSize.width + 2);
    const float x0 = std::floor((w - cw) / 2);
    label->setFrame(Rect(x0, 2, w, kHeight));
    label->setTextColor(Color::white(0.6157f));
    label->setShadowColor(Color::white(0.1686f));
    label->setShadowOffset(Size(1, 0));
    label->setBackgroundColor(std::nullopt);
    label->setOpaque(false);
    addSubview(label.get());
    label_ = label.get();

    auto arrow = ImageView::imageViewWithImage(arrowImage.get());
    arrow->setFrame(Rect(x0 + cw - arrowSize.width, 12.5f - arrowSize.height / 2, arrowSize.width, arrowSize.height));
    arrow->setAutoresizingMask(AutoresizingNone);
    addSubview(arrow.get());
    arrow_ = arrow.get();
}

} // namespace quorvel
