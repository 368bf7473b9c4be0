// The navigation bar of a navigation controller: 44 points high, a bar style
// and tint, and the navigation items of the stack (the top one is shown, the
// one below gives the back button).
#pragma once

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/View.h"

#include <vector>

namespace platform::ui {

class NavigationBar : public View {
public:
    static constexpr float kHeight = 44;
    enum class Style { Default = 0, Black = 1, BlackTranslucent = 2 };

    static Ref<NavigationBar> barWithFrame(const Rect& frame);

    Style barStyle() const { return style_; }
    void setBarStyle(Style s) { style_ = s; }
    const std::optional<Color>& tintColor() const { return tint_; }
    void setTintColor(std::optional<Color> c) { tint_ = c; }
    bool isTranslucent() const { return translucent_; }
    void setTranslucent(bool t) { translucent_ = t; }

    const std::vector<Ref<NavigationItem>>& items() const { return items_; }
    void setItems(std::vector<Ref<NavigationItem>> items);
    NavigationItem* topItem() const { return items_.empty() ? nullptr : items_.back().get(); }
    NavigationItem* backItem() const { return items_.size() < 2 ? nullptr : items_[items_.size() - 2].get(); }
    // The back button's title: the item below's back button title, else its
    // title, else "Back".
    std::string backButtonTitle() const;

    // The text title's size, and the smallest it shrinks to before it is cut.
    static constexpr float kTitleFontSize = 20;
    static constexpr float kMinimumTitleFontSize = 14;

    // Where the top item's parts go: the left (or back) button, the right
    // button and the title between them. Custom views of bar buttons and the
    // title view are placed there as subviews of the bar. A text title that
    // does not fit shrinks a little, then the back button says "Back" and the
    // title may shrink further; only then is it cut.
    struct Placement {
        std::optional<Rect> left;
        bool leftIsBack { false };
        std::string backTitle; // the back button's title as shown
        std::optional<Rect> right;
        Rect title;
        float titleFontSize { kTitleFontSize };
    };
    Placement placement() const;
    void layoutSubviews() override;

    Size sizeThatFits(Size size) const override { return Size(size.width, kHeight); }
    std::string dumpText() const override;

    // The bar's face beneath its subviews (a bar image added to it), then its
    // buttons and title above them.
    void drawChrome(GraphicsContext& context, const Rect& bounds) override;
    void drawAboveSubviews(GraphicsContext& context, const Rect& bounds) override;

protected:
    friend class InterfaceBuilder;
    NavigationBar() = default;

private:
    std::vector<Ref<NavigationItem>> items_;
    std::vector<Ref<View>> placed_; // the custom and title views the bar put in itself
    std::optional<Color> tint_;
    Style style_ { Style::Default };
    bool translucent_ { false };
};

} // namespace platform::ui
