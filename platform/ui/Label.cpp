// Label: text state, measurement and drawing through the text engine.
#include "platform/ui/Label.h"

#include "platform/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

Ref<Label> Label::labelWithFrame(const Rect& frame)
{
    auto l = adoptRef(new Label);
    return l->initWithFrame(frame) ? l : nullptr;
}

bool Label::initWithFrame(const Rect& frame)
{
    View::initWithFrame(frame);
    font_ = Font::systemFont(17);
    setBackgroundColor(Color::whiteColor());
    setUserInteractionEnabled(false);
    return true;
}

bool Label::initWithCoder(const InterfaceCoder& coder)
{
    View::initWithCoder(coder);
    font_ = Font::systemFont(17);
    setBackgroundColor(std::nullopt);
    setOpaque(false);
    setUserInteractionEnabled(false);
    return true;
}

void Label::setText(const std::string& text)
{
    text_ = text;
    setNeedsDisplay();
}

void Label::setFont(Font* font)
{
    if (font)
        font_ = font;
    setNeedsDisplay();
}

Ref<Font> Label::fontForWidth(float width) const
{
    if (!font_ || !adjustsFontSize_ || numberOfLines_ != 1 || text_.empty() || width <= 0)
        return font_;
    float size = font_->pointSize();
    float floor = std::max(1.f, minimumFontSize_);
    if (measureText(text_, *font_).width <= width || size <= floor)
        return font_;
    Ref<Font> fitted = font_;
    for (float s = size - 0.5f; s >= floor - 0.001f; s -= 0.5f) {
        fitted = font_->fontWithSize(std::max(s, floor));
        if (!fitted)
            return font_;
        if (measureText(text_, *fitted).width <= width)
            break;
    }
    return fitted;
}

TextLayout Label::layoutInBounds(const Rect& b, int lines) const
{
    if (!font_)
        return {};
    Ref<Font> font = lines == 1 ? fontForWidth(b.size.width) : font_;
    return layoutWithFont(*font, b, lines);
}

TextLayout Label::layoutWithFont(const Font& font, const Rect& b, int lines) const
{
    TextLayoutOptions o;
    o.width = b.size.width;
    o.height = b.size.height;
    o.maxLines = lines;
    o.lineBreakMode = lineBreakMode_;
    o.alignment = alignment_;
    // A single line is never wrapped: it is cut by the break mode instead.
    if (lines == 1 && (lineBreakMode_ == LineBreakMode::WordWrap || lineBreakMode_ == LineBreakMode::CharacterWrap))
        o.lineBreakMode = LineBreakMode::Clip;
    return layoutText(text_, font, o);
}

Rect Label::textRectForBounds(const Rect& b, int lines) const
{
    Size s = layoutInBounds(b, lines).size;
    if (s.width > b.size.width)
        s.width = b.size.width;
    return Rect(b.origin, s);
}

Size Label::sizeThatFits(Size size) const
{
    if (!font_ || text_.empty())
        return Size(0, 0);
    TextLayoutOptions o;
    o.maxLines = numberOfLines_;
    o.lineBreakMode = lineBreakMode_;
    // One line measures its whole length; more lines wrap within the width.
    if (numberOfLines_ != 1)
        o.width = size.width;
    return layoutText(text_, *font_, o).size;
}

void Label::drawRect(GraphicsContext& context, const Rect&)
{
    drawTextInRect(context, bounds());
}

void Label::drawTextInRect(GraphicsContext& context, const Rect& rect)
{
    if (!font_ || text_.empty())
        return;
    Ref<Font> font = numberOfLines_ == 1 ? fontForWidth(rect.size.width) : font_;
    TextLayout layout = layoutWithFont(*font, rect, numberOfLines_);
    Point origin = rect.origin;
    origin.y += std::round((rect.size.height - layout.size.height) / 2);
    if (font != font_ && baselineAdjustment_ != 1) {
        // A shrunken line keeps the baseline (or the top) the full-size line would have.
        TextLayout full = layoutWithFont(*font_, rect, 1);
        float top = rect.origin.y + std::round((rect.size.height - full.size.height) / 2);
        origin.y = baselineAdjustment_ == 2 ? top : std::round(top + full.ascender - layout.ascender);
    }
    Color c = highlighted_ ? highlightedTextColor_.value_or(Color::whiteColor()) : textColor_;
    context.setFillColor(c.red, c.green, c.blue, c.alpha);
    drawTextLayout(context, layout, *font, origin);
}

} // namespace platform::ui
