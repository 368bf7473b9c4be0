// A headless label view that draws its text in a TTFont (a font loaded from the
// bundle), or draws a styled TTAttributedString instead of its plain text.
//
// Without either it is exactly the platform label. It keeps every label
// property and replaces only the text drawing and the text rectangle: one-line
// text may shrink to fit its width (adjustsFontSizeToFitWidth, down to
// minimumFontSize) and is then placed by baselineAdjustment. Caveat: the text
// rectangle is always measured from the plain text in ttFont.
#pragma once

#include "external/ttfont/TTAttributedString.h"
#include "external/ttfont/TTFont.h"
#include "platform/ui/Label.h"

namespace ttfont {

class TTFontLabel : public platform::ui::Label {
public:
    // Without a font of that name the label has no ttFont and draws as the platform label.
    [[nodiscard]] static platform::Ref<TTFontLabel> labelWithFrame(const platform::Rect& frame, const std::string& fontName, float pointSize);
    [[nodiscard]] static platform::Ref<TTFontLabel> labelWithFrame(const platform::Rect& frame, TTFont* font);
    [[nodiscard]] static platform::Ref<TTFontLabel> labelWithFrame(const platform::Rect& frame, platform::FontFile* font, float pointSize);

    using Label::initWithFrame;
    [[nodiscard]] bool initWithFrame(const platform::Rect& frame, const std::string& fontName, float pointSize);
    [[nodiscard]] bool initWithFrame(const platform::Rect& frame, TTFont* font);
    [[nodiscard]] bool initWithFrame(const platform::Rect& frame, platform::FontFile* font, float pointSize);

    TTFont* ttFont() const { return ttFont_.get(); }
    // Does not ask for a redraw.
    void setTTFont(TTFont* font) { ttFont_ = font; }
    platform::FontFile* cgFont() const { return ttFont_ ? ttFont_->cgFont() : nullptr; }
    void setCGFont(platform::FontFile* font);
    float pointSize() const { return ttFont_ ? ttFont_->pointSize() : 0; }
    void setPointSize(float size);

    TTAttributedString* ttAttributedText() const { return ttAttributedText_.get(); }
    // Keeps an immutable copy and asks for a redraw.
    void setTTAttributedText(const TTAttributedString* text);

    void drawTextInRect(platform::GraphicsContext& context, const platform::Rect& rect) override;
    platform::Rect textRectForBounds(const platform::Rect& bounds, int numberOfLines) const override;

    std::string className() const override { return "TTFontLabel"; }

protected:
    TTFontLabel() = default;

private:
    void drawSingleLine(platform::GraphicsContext& context, const platform::Rect& rect);

    platform::Ref<TTFont> ttFont_;
    platform::Ref<TTAttributedString> ttAttributedText_;
};

} // namespace ttfont
