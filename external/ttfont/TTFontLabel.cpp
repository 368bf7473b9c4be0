// TTFontLabel: the label's text drawn with a TTFont or as an attributed string,
// centred vertically in the label like the platform label's text.
#include "external/ttfont/TTFontLabel.h"

#include "external/ttfont/TTFontManager.h"
#include "external/ttfont/TTStringDrawing.h"

#include <algorithm>
#include <cmath>

using platform::Point;
using platform::Rect;
using platform::Ref;
using platform::Size;
using platform::ui::Color;

namespace ttfont {

Ref<TTFontLabel> TTFontLabel::labelWithFrame(const Rect& frame, const std::string& fontName, float pointSize)
{
    auto l = platform::adoptRef(new TTFontLabel);
    return l->initWithFrame(frame, fontName, pointSize) ? l : nullptr;
}

Ref<TTFontLabel> TTFontLabel::labelWithFrame(const Rect& frame, TTFont* font)
{
    auto l = platform::adoptRef(new TTFontLabel);
    return l->initWithFrame(frame, font) ? l : nullptr;
}

Ref<TTFontLabel> TTFontLabel::labelWithFrame(const Rect& frame, platform::FontFile* font, float pointSize)
{
    auto l = platform::adoptRef(new TTFontLabel);
    return l->initWithFrame(frame, font, pointSize) ? l : nullptr;
}

bool TTFontLabel::initWithFrame(const Rect& frame, const std::string& fontName, float pointSize)
{
    Ref<TTFont> font = TTFontManager::sharedManager()->ttFontWithName(fontName, pointSize);
    return initWithFrame(frame, font.get());
}

bool TTFontLabel::initWithFrame(const Rect& frame, TTFont* font)
{
    if (!Label::initWithFrame(frame))
        return false;
    ttFont_ = font;
    return true;
}

bool TTFontLabel::initWithFrame(const Rect& frame, platform::FontFile* font, float pointSize)
{
    Ref<TTFont> ttFont = TTFont::fontWithCGFont(font, pointSize);
    return initWithFrame(frame, ttFont.get());
}

void TTFontLabel::setCGFont(platform::FontFile* font)
{
    if (font != cgFont())
        setTTFont(TTFont::fontWithCGFont(font, pointSize()).get());
}

void TTFontLabel::setPointSize(float size)
{
    if (size != pointSize())
        setTTFont(TTFont::fontWithCGFont(cgFont(), size).get());
}

void TTFontLabel::setTTAttributedText(const TTAttributedString* text)
{
    if (text == ttAttributedText_.get())
        return;
    ttAttributedText_ = text ? text->copy() : nullptr;
    setNeedsDisplay();
}

void TTFontLabel::drawTextInRect(platform::GraphicsContext& context, const Rect& bounds)
{
    Rect rect = bounds;
    if (ttAttributedText_) {
        Ref<TTAttributedString> s = ttAttributedText_;
        if (isHighlighted()) {
            // Runs without a colour of their own are drawn white; the label's text is left alone.
            auto copy = ttAttributedText_->mutableCopy();
            const size_t length = ttAttributedText_->length();
            for (size_t i = 0; i < length;) {
                TTRange range;
                const TTAttributeValue* v = ttAttributedText_->attribute(TTForegroundColorAttributeName, i, &range, { i, length - i });
                if (!v)
                    copy->addAttribute(TTForegroundColorAttributeName, Color::whiteColor(), range);
                i = std::max(range.max(), i + 1);
            }
            s = Ref<TTAttributedString>(copy.get());
        }
        Size size = s->sizeConstrainedToSize(rect.size, lineBreakMode(), numberOfLines());
        rect.origin.y += std::round((rect.size.height - size.height) / 2.0f);
        rect.size.height = size.height;
        s->drawInRect(context, rect, lineBreakMode(), textAlignment(), numberOfLines());
        return;
    }
    if (!ttFont_) {
        Label::drawTextInRect(context, rect);
        return;
    }
    Color c = isHighlighted() ? highlightedTextColor().value_or(Color::whiteColor()) : textColor();
    context.setFillColor(c.red, c.green, c.blue, c.alpha);
    if (numberOfLines() != 1) {
        Size size = sizeWithTTFont(text(), *ttFont_, rect.size, lineBreakMode(), numberOfLines());
        rect.origin.y += std::round((rect.size.height - size.height) / 2.0f);
        rect.size.height = size.height;
        drawInRect(context, text(), rect, *ttFont_, lineBreakMode(), textAlignment(), numberOfLines());
        return;
    }
    drawSingleLine(context, rect);
}

void TTFontLabel::drawSingleLine(platform::GraphicsContext& context, const Rect& rect)
{
    Ref<TTFont> f = ttFont_;
    const Size reference(rect.size.width, f->leading());
    Point point = rect.origin;
    point.y += std::round((rect.size.height - f->leading()) / 2.0f);
    Size size = sizeWithTTFont(text(), *f);
    if (adjustsFontSizeToFitWidth() && minimumFontSize() < f->pointSize()) {
        if (size.width > rect.size.width) {
            float desired = (rect.size.width * f->ratio() / size.width) * f->pointSize() / f->ratio();
            float newSize = std::max({ desired, minimumFontSize(), 1.0f });
            f = f->fontWithSize(newSize);
            size = sizeWithTTFont(text(), *f);
        }
        if (size != reference) {
            if (baselineAdjustment() == 0)
                point.y += ttFont_->ascender() - f->ascender();
            else if (baselineAdjustment() == 1)
                point.y += std::round((reference.height - size.height) / 2.0f);
        }
    }
    size.width = std::min(size.width, rect.size.width);
    if (textAlignment() == platform::TextAlignment::Center)
        point.x += (rect.size.width - size.width) / 2.0f;
    else if (textAlignment() == platform::TextAlignment::Right)
        point.x += rect.size.width - size.width;
    drawAtPoint(context, text(), point, size.width, *f, lineBreakMode());
}

Rect TTFontLabel::textRectForBounds(const Rect& bounds, int numberOfLines) const
{
    if (!ttFont_ && !ttAttributedText_)
        return Label::textRectForBounds(bounds, numberOfLines);
    Rect result = bounds;
    if (!ttFont_) {
        // Only attributed text: measure that rather than a missing font.
        Size s = ttAttributedText_->sizeConstrainedToSize(bounds.size, lineBreakMode(), numberOfLines);
        result.size = Size(std::min(bounds.size.width, s.width), std::min(bounds.size.height, s.height));
        return result;
    }
    if (numberOfLines == 1) {
        Size s = sizeWithTTFont(text(), *ttFont_);
        result.size = Size(std::min(bounds.size.width, s.width), std::min(bounds.size.height, s.height));
        return result;
    }
    if (numberOfLines >= 1)
        result.size.height = std::min(bounds.size.height, ttFont_->leading() * static_cast<float>(numberOfLines));
    result.size = sizeWithTTFont(text(), *ttFont_, result.size, lineBreakMode());
    return result;
}

} // namespace ttfont
