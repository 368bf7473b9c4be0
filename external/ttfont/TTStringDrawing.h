// Measuring and drawing plain text with a TTFont, through the text engine.
//
// Every operation lays the text out with the font's rounded metrics (line
// height = leading, baseline at the line's top plus the ascender) and returns
// the size in whole points that the text takes; a drawing operation returns
// the same size its measuring twin reports for the same arguments. Drawing
// fills the glyphs with the context's current fill colour.
#pragma once

#include "external/ttfont/TTFont.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/TextEngine.h"

#include <string>

namespace ttfont {

// The size of the text on one line (up to its first line break).
platform::Size sizeWithTTFont(const std::string& text, const TTFont& font);
// The size of the text wrapped within the limit (its height limits the lines).
platform::Size sizeWithTTFont(const std::string& text, const TTFont& font, platform::Size limit,
                              platform::LineBreakMode mode);
// As above with a line count (0: no limit).
platform::Size sizeWithTTFont(const std::string& text, const TTFont& font, platform::Size limit,
                              platform::LineBreakMode mode, int numberOfLines);

// One line from point (its top-left), cut to width by the break mode.
platform::Size drawAtPoint(platform::GraphicsContext& context, const std::string& text, platform::Point point,
                           float width, const TTFont& font, platform::LineBreakMode mode);
// The text wrapped and aligned within rect.
platform::Size drawInRect(platform::GraphicsContext& context, const std::string& text, platform::Rect rect,
                          const TTFont& font, platform::LineBreakMode mode, platform::TextAlignment alignment);
platform::Size drawInRect(platform::GraphicsContext& context, const std::string& text, platform::Rect rect,
                          const TTFont& font, platform::LineBreakMode mode, platform::TextAlignment alignment,
                          int numberOfLines);

// The layout options the operations above use (for callers that draw a layout
// themselves).
platform::TextLayoutOptions layoutOptions(const TTFont& font, platform::Size limit, platform::LineBreakMode mode,
                                          platform::TextAlignment alignment, int numberOfLines);

} // namespace ttfont
