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


ViewController* QVBannerCell::bannerProvider() const { return dynamic_cast<ViewController*>(bannerProvider_.get()); }

void QVBannerCell::setBannerProvider(ViewController* p)
{
    bannerProvider_ = dynamic_cast<QVBannerProvider*>(p);
    if (p)
        noteScreenGiven();
}

Object* QVBannerCell::owningScreen() const
{
    if (Object* screen = bannerProvider())
        return screen;
    return QVTableCellHelper::owningScreen();
}

void QVBannerCell::touchesEnded(const Touch&)
{
    if (auto provider = bannerProvider_.lock())
        provider->onBannerClicked();
}

} // namespace quorvel
