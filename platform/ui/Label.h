// A label: read-only text in one font, colour and alignment, truncated or
// wrapped by the text engine. Measuring (sizeThatFits, textRect) uses the same
// layout that drawing uses. Subclasses that draw text their own way override
// drawTextInRect and textRectForBounds.
//
// Defaults: system font of 17 points, black text, one line, tail truncation,
// no user interaction. A label made in code has a white, opaque background;
// one from an interface file has none and is not opaque.
#pragma once

#include "platform/graphics/Font.h"
#include "platform/graphics/TextEngine.h"
#include "platform/ui/View.h"

namespace platform::ui {

class Label : public View {
public:
    static Ref<Label> labelWithFrame(const Rect& frame);
    bool initWithFrame(const Rect& frame) override;
    bool initWithCoder(const InterfaceCoder& coder) override;

    const std::string& text() const { return text_; }
    virtual void setText(const std::string& text);
    // Never empty: setting no font keeps the system font.
    Font* font() const { return font_.get(); }
    void setFont(Font* font);
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& c) { textColor_ = c; setNeedsDisplay(); }
    const std::optional<Color>& highlightedTextColor() const { return highlightedTextColor_; }
    void setHighlightedTextColor(std::optional<Color> c) { highlightedTextColor_ = c; }
    const std::optional<Color>& shadowColor() const { return shadowColor_; }
    void setShadowColor(std::optional<Color> c) { shadowColor_ = c; }
    Size shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(Size s) { shadowOffset_ = s; }
    TextAlignment textAlignment() const { return alignment_; }
    void setTextAlignment(TextAlignment a) { alignment_ = a; setNeedsDisplay(); }
    LineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(LineBreakMode m) { lineBreakMode_ = m; setNeedsDisplay(); }
    // 0: as many lines as fit.
    int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int n) { numberOfLines_ = n < 0 ? 0 : n; setNeedsDisplay(); }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool e) { enabled_ = e; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool h) { highlighted_ = h; }
    bool adjustsFontSizeToFitWidth() const { return adjustsFontSize_; }
    void setAdjustsFontSizeToFitWidth(bool a) { adjustsFontSize_ = a; }
    float minimumFontSize() const { return minimumFontSize_; }
    void setMinimumFontSize(float s) { minimumFontSize_ = s; }
    // How a line drawn in a shrunken font is placed vertically: 0 keeps the
    // baseline, 1 keeps the line's centre, 2 keeps its top.
    int baselineAdjustment() const { return baselineAdjustment_; }
    void setBaselineAdjustment(int a) { baselineAdjustment_ = a; }

    // The font the text is drawn in within a width: the label's own or, for a
    // one-line label that adjusts its font size to fit the width, the largest
    // size (in half points, not below the minimum font size) at which it fits.
    Ref<Font> fontForWidth(float width) const;

    Size sizeThatFits(Size size) const override;
    // The text's layout within bounds, with numberOfLines (or the given limit).
    TextLayout layoutInBounds(const Rect& bounds, int numberOfLines) const;
    virtual Rect textRectForBounds(const Rect& bounds, int numberOfLines) const;
    // The text laid out in the current bounds.
    TextLayout currentLayout() const { return layoutInBounds(bounds(), numberOfLines_); }

    std::string dumpText() const override { return text_; }

    // Draws the text into the bounds.
    void drawRect(GraphicsContext& context, const Rect& rect) override;
    // Draws the text laid out in rect, centred vertically, in the text colour
    // (the highlighted colour, or white, while highlighted).
    virtual void drawTextInRect(GraphicsContext& context, const Rect& rect);

protected:
    friend class InterfaceBuilder;
    Label() = default;

private:
    TextLayout layoutWithFont(const Font& font, const Rect& bounds, int numberOfLines) const;

    std::string text_;
    Ref<Font> font_;
    Color textColor_ { Color::black() };
    std::optional<Color> highlightedTextColor_;
    std::optional<Color> shadowColor_;
    Size shadowOffset_ { 0, -1 };
    TextAlignment alignment_ { TextAlignment::Left };
    LineBreakMode lineBreakMode_ { LineBreakMode::TailTruncation };
    int numberOfLines_ { 1 };
    float minimumFontSize_ { 0 };
    int baselineAdjustment_ { 0 };
    bool enabled_ { true };
    bool highlighted_ { false };
    bool adjustsFontSize_ { false };
};

} // namespace platform::ui
