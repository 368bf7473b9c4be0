// A cell shown as a screen's banner above a framed stack; a touch tells the screen.
#pragma once

#include "social/ui/QVTableCellHelper.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// A cell shown as a screen's banner; a touch tells the screen.
class QVBannerCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVBannerCell)
public:
    platform::ui::ViewController* bannerProvider() const { return bannerProvider_; }
    void setBannerProvider(platform::ui::ViewController* p) { bannerProvider_ = p; }
    void touchesEnded(const platform::ui::Touch& t) override;

protected:
    QVBannerCell() = default;
    platform::ui::ViewController* bannerProvider_ { nullptr }; // not retained: the screen owns the stack entry
};

} // namespace quorvel
