// QVButtonPanel: a grid of equally sized buttons with placeholder slots,
// centred horizontally (and optionally vertically) under an optional header.
// Slots are filled by index; a disabled slot shows a decoration image over
// its button. An index outside the slots is ignored with a log line.
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "social/ui/QVClassRegistry.h"

#include <vector>

namespace quorvel {

// One filled slot: the button at (0, 0) inside, and an optional decoration over it.
class QVButtonPanelEntry : public platform::ui::View {
    QV_DECLARE_CLASS(QVButtonPanelEntry)
public:
    static platform::Ref<QVButtonPanelEntry> entryWithButton(platform::ui::Button* button);
    platform::ui::Button* button() const { return button_.get(); }
    platform::ui::ImageView* decoration() const { return decoration_.get(); }
    void replaceDecoration(platform::ui::ImageAsset* image);

protected:
    QVButtonPanelEntry() = default;

private:
    platform::Ref<platform::ui::Button> button_;
    platform::Ref<platform::ui::ImageView> decoration_;
};

class QVButtonPanel : public platform::ui::View {
    QV_DECLARE_CLASS(QVButtonPanel)
public:
    static constexpr float kNavBarRaise = 15;

    static platform::Ref<QVButtonPanel> panelWithFrame(const platform::Rect& frame, int maxButtonCount,
                                                       platform::Size buttonSize, platform::Size buttonSpacing,
                                                       platform::ui::ImageAsset* emptyImage);
    using platform::ui::View::initWithFrame;
    bool initWithFrame(const platform::Rect& frame, int maxButtonCount, platform::Size buttonSize,
                       platform::Size buttonSpacing, platform::ui::ImageAsset* emptyImage);
    void configureMaxButtonCount(int maxButtonCount, platform::Size buttonSize, platform::Size buttonSpacing,
                                 platform::ui::ImageAsset* emptyImage);

    void setButton(platform::ui::Button* button, int position);
    void removeAllButtons();
    void setMaxButtons(int count);
    void setHeaderView(platform::ui::View* header);
    void disableButton(platform::ui::Button* button, platform::ui::ImageAsset* decorationImage);

    int maxButtonCount() const { return maxButtonCount_; }
    platform::Size buttonSize() const { return buttonSize_; }
    platform::Size buttonSpacing() const { return buttonSpacing_; }
    const std::vector<platform::Ref<platform::ui::View>>& buttons() const { return buttons_; }
    platform::ui::View* headerView() const { return headerView_.get(); }
    bool centeredVertically() const { return centeredVertically_; }
    void setCenteredVertically(bool c) { centeredVertically_ = c; setNeedsLayout(); }
    int fixedNumColumns() const { return fixedNumColumns_; }
    void setFixedNumColumns(int n) { fixedNumColumns_ = n; setNeedsLayout(); }
    bool withNavBar() const { return withNavBar_; }
    void setWithNavBar(bool w) { withNavBar_ = w; setNeedsLayout(); }
    // With a fixed number of columns: the slots share the panel below the
    // header, as wide as the width over the columns and as tall as the height
    // over the rows the slots need (whole points, the grid centred), so the
    // grid fills the panel whatever its size.
    bool fillsBounds() const { return fillsBounds_; }
    void setFillsBounds(bool f) { fillsBounds_ = f; setNeedsLayout(); }

    void setFrame(const platform::Rect& frame) override;
    void layoutSubviews() override;

protected:
    friend class platform::ui::InterfaceBuilder;
    QVButtonPanel() = default;

private:
    void addPlaceholderButtons();

    int maxButtonCount_ { 0 };
    platform::Size buttonSize_;
    platform::Size buttonSpacing_;
    platform::Ref<platform::ui::ImageAsset> emptyButtonSlotImage_;
    std::vector<platform::Ref<platform::ui::View>> buttons_;
    platform::Ref<platform::ui::View> headerView_;
    bool centeredVertically_ { false };
    int fixedNumColumns_ { 0 };
    bool withNavBar_ { false };
    bool fillsBounds_ { false };
};

} // namespace quorvel
