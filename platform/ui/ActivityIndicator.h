// A spinning activity indicator: animating or not, hidden while stopped when
// hidesWhenStopped (the default). Large white is 37 points square, others 20.
#pragma once

#include "platform/ui/View.h"

namespace platform::ui {

class ActivityIndicator : public View {
public:
    enum class Style { WhiteLarge = 0, White, Gray };
    static Ref<ActivityIndicator> withStyle(Style style);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;

    Style style() const { return style_; }
    void setStyle(Style s);
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool h);
    Size sizeThatFits(Size) const override;
    std::string dumpText() const override { return animating_ ? "animating" : "stopped"; }

    void drawChrome(GraphicsContext& context, const Rect& bounds) override;

protected:
    friend class InterfaceBuilder;
    ActivityIndicator() = default;

private:
    Style style_ { Style::White };
    bool animating_ { false };
    bool hidesWhenStopped_ { true };
};

} // namespace platform::ui
