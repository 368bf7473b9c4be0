// A cell shown as a screen's banner above a framed stack; a touch tells the screen.
#pragma once

#include "social/ui/QVTableCellHelper.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// A screen with a banner above it.
class QVBannerProvider {
public:
    virtual ~QVBannerProvider() = default;
    virtual bool isBannerAvailableNow() = 0;
    virtual std::string bannerCellControllerName() = 0;
    virtual platform::Object* getBannerResource() = 0;
    virtual void onBannerClicked() = 0;
    // The banner's picture was touched; false when the provider leaves it to onBannerClicked.
    virtual bool bannerProfilePictureTouched() { return false; }
};

// A cell shown as a screen's banner; a touch tells the screen. The screen is
// linked weakly: a banner can outlive the screen it was made for.
class QVBannerCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVBannerCell)
public:
    // The screen this is the banner of, while it exists.
    platform::ui::ViewController* bannerProvider() const;
    void setBannerProvider(platform::ui::ViewController* p);
    platform::Object* owningScreen() const override;
    void touchesEnded(const platform::ui::Touch& t) override;

protected:
    QVBannerCell() = default;
    platform::WeakLink<QVBannerProvider> bannerProvider_;
};

} // namespace quorvel
