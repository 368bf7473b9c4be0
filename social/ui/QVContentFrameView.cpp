// The frame image drawn around a framed stack's content.
#include "social/ui/QVContentFrameView.h"

#include "platform/ui/ImageView.h"
#include "social/ui/QVDashboardRole.h"
#include "social/ui/QVKitImages.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Point;
using platform::Rect;
using platform::Ref;

QV_REGISTER_CLASS(QVContentFrameView);

EdgeInsets QVContentFrameView::getContentInsets()
{
    return EdgeInsets { 8, 6, QVDashboardRole::current().isLargeScreen() ? 0.0f : 8.0f, 6 };
}

Ref<QVContentFrameView> QVContentFrameView::withFrame(const Rect& frame)
{
    auto v = platform::adoptRef(new QVContentFrameView);
    if (!v->initWithFrame(frame))
        return nullptr;
    return v;
}

bool QVContentFrameView::initWithFrame(const Rect& frame)
{
    if (!ImageView::initWithFrame(frame))
        return false;
    setRoundedCorners(QVDashboardRole::current().isLargeScreen());
    return true;
}

bool QVContentFrameView::initWithCoder(const InterfaceCoder& coder)
{
    if (!ImageView::initWithCoder(coder))
        return false;
    setRoundedCorners(QVDashboardRole::current().isLargeScreen());
    return true;
}

void QVContentFrameView::setRoundedCorners(bool rounded)
{
    roundedCorners_ = rounded;
    Ref<ImageAsset> image = QVLoadKitImage(rounded ? "QVContentFrameBorderRound.png" : "QVContentFrameBorder.png");
    setImage(image ? image->stretchableImage(25, 25).get() : nullptr);
    setContentMode(ContentMode::ScaleToFill);
}

} // namespace quorvel
