// QVFanClubCell ("FanClub"): a menu row with a title, an icon, a badge and
// the screen it opens; the rows of one menu share a title size. The game's fan
// club and the inbox build their menus from it.
#pragma once

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "social/ui/QVBadgeView.h"
#include "social/ui/QVTableCellHelper.h"

#include <functional>
#include <string>

namespace quorvel {

class QVFanClubCell : public QVTableCellHelper {
    QV_DECLARE_CLASS(QVFanClubCell)
public:
    using CreateController = std::function<platform::Ref<platform::ui::ViewController>()>;

    platform::ui::Label* titleLabel() const { return titleLabel_.get(); }
    platform::ui::ImageView* iconView() const { return iconView_.get(); }
    QVBadgeView* badgeView() const { return badgeView_.get(); }
    const CreateController& createControllerSelector() const { return create_; }
    void setCreateControllerSelector(CreateController create) { create_ = std::move(create); }

    static constexpr float kTitleFontSize = 17;
    static constexpr float kMinimumTitleFontSize = 12;

    bool initQVTableCellHelper(const std::string& name) override;
    bool hasConstantHeight() override { return true; }
    // The menu's rows (the menu rows of the list this row is in) share one
    // title size: the largest at which every row's title fits its room.
    void layoutSubviews() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVFanClubCell() = default;

private:
    // The largest title size (half points, at least the minimum) at which the
    // title fits a row whose right end is at `right`, beside its badge when shown.
    float fittingTitleSize(float right) const;

    platform::Ref<platform::ui::Label> titleLabel_;
    platform::Ref<platform::ui::ImageView> iconView_;
    platform::Ref<QVBadgeView> badgeView_;
    CreateController create_;
};

} // namespace quorvel
