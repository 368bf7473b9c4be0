// A cell shown as a screen's banner above a framed stack; a touch tells the screen.
#include "social/ui/QVBannerCell.h"

#include "social/ui/QVFramedNavigationController.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

using namespace platform::ui;
using platform::Object;
using platform::Point;
using platform::Rect;
using platform::Ref;


void QVBannerCell::touchesEnded(const Touch&)
{
    if (auto* provider = dynamic_cast<QVBannerProvider*>(bannerProvider_))
        provider->onBannerClicked();
}

} // namespace quorvel
