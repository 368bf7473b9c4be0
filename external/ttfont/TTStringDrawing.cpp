// The TTFont string operations: thin wrappers that give the text engine the
// font's rounded metrics, so the texture and label code measure and draw alike.
#include "external/ttfont/TTStringDrawing.h"

using platform::LineBreakMode;
using platform::Size;
using platform::TextAlignment;

namespace ttfont {

namespace {

// A single line is never wrapped: the wrap modes cut it at the width instead.
LineBreakMode singleLineMode(LineBreakMode mode)
{
    return mode == LineBreakMode::WordWrap || mode == LineBreakMode::CharacterWrap ? LineBreakMode::Clip : mode;
}

} // namespace

platform::TextLayoutOptions layoutOptions(const TTFont& font, Size limit, LineBreakMode mode, TextAlignment alignment,
                                          int numberOfLines)
{
    platform::TextLayoutOptions o;
    o.width = limit.width;
    o.height = limit.height;
    o.maxLines = numberOfLines > 0 ? numberOfLines : 0;
    o.lineBreakMode = numberOfLines == 1 ? singleLineMode(mode) : mode;
    o.alignment = alignment;
    o.lineHeight = font.leading();
    o.ascender = font.ascender();
    return o;
}

Size sizeWithTTFont(const std::string& text, const TTFont& font)
{
    auto o = layoutOptions(font, Size(0, 0), LineBreakMode::Clip, TextAlignment::Left, 1);
    return platform::layoutText(text, font.layoutFont(), o).size;
}

Size sizeWithTTFont(const std::string& text, const TTFont& font, Size limit, LineBreakMode mode)
{
    return sizeWithTTFont(text, font, limit, mode, 0);
}

Size sizeWithTTFont(const std::string& text, const TTFont& font, Size limit, LineBreakMode mode, int numberOfLines)
{
    auto o = layoutOptions(font, limit, mode, TextAlignment::Left, numberOfLines);
    return platform::layoutText(text, font.layoutFont(), o).size;
}

Size drawAtPoint(platform::GraphicsContext& context, const std::string& text, platform::Point point, float width,
                 const TTFont& font, LineBreakMode mode)
{
    auto o = layoutOptions(font, Size(width, 0), mode, TextAlignment::Left, 1);
    auto layout = platform::layoutText(text, font.layoutFont(), o);
    platform::drawTextLayout(context, layout, font.layoutFont(), point);
    return layout.size;
}

Size drawInRect(platform::GraphicsContext& context, const std::string& text, platform::Rect rect, const TTFont& font,
                LineBreakMode mode, TextAlignment alignment)
{
    return drawInRect(context, text, rect, font, mode, alignment, 0);
}

Size drawInRect(platform::GraphicsContext& context, const std::string& text, platform::Rect rect, const TTFont& font,
                LineBreakMode mode, TextAlignment alignment, int numberOfLines)
{
    auto o = layoutOptions(font, rect.size, mode, alignment, numberOfLines);
    auto layout = platform::layoutText(text, font.layoutFont(), o);
    platform::drawTextLayout(context, layout, font.layoutFont(), rect.origin);
    return layout.size;
}

} // namespace ttfont
