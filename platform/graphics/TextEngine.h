// The text engine: one layout function that both measuring and drawing use, so
// drawn text always lands where it was measured.
//
// A layout breaks UTF-8 text into lines within an optional width and height (or
// line count): explicit newlines always break; wrap modes break between words
// or characters; clip and truncation modes wrap by word but cut the last line
// that fits, truncating with "…" (or "..." when the font lacks it) at the
// head, tail or middle. Line height is the font's leading, each baseline sits
// at the line's top plus the ascender, advances include kerning, and the
// reported size is rounded up to whole points. Invalid UTF-8 reads as U+FFFD.
// Glyphs are drawn from their unhinted outlines as filled paths, in the
// context's fill colour (or one chosen per character).
#pragma once

#include "platform/foundation/Geometry.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

class Font;
class GraphicsContext;

enum class LineBreakMode { WordWrap = 0, CharacterWrap = 1, Clip = 2, HeadTruncation = 3, TailTruncation = 4, MiddleTruncation = 5 };
enum class TextAlignment { Left = 0, Center = 1, Right = 2 };

struct TextLayoutOptions {
    float width { 0 };   // <= 0: unbounded (no wrapping, no truncation)
    float height { 0 };  // <= 0: unbounded
    int maxLines { 0 };  // 0: no limit
    LineBreakMode lineBreakMode { LineBreakMode::WordWrap };
    TextAlignment alignment { TextAlignment::Left };
    // > 0: line height and ascender to use instead of the font's own (for fonts
    // whose metrics are rounded to whole points).
    float lineHeight { 0 };
    float ascender { 0 };
};

struct LaidOutGlyph {
    uint32_t glyph { 0 };
    char32_t character { 0 };
    float x { 0 }; // from the line's left edge
    size_t index { 0 }; // character (code point) index in the laid-out text; an
                        // ellipsis has the index of the first character it replaces
};

struct TextLine {
    std::string text;   // the characters shown, ellipsis included
    float x { 0 };      // left edge after alignment
    float top { 0 };
    float baseline { 0 };
    float width { 0 };  // unrounded advance width (the width shown when clipped)
    bool clipped { false }; // cut at the width by the clip mode: drawing clips it
    std::vector<LaidOutGlyph> glyphs;
};

struct TextLayout {
    std::vector<TextLine> lines;
    float lineHeight { 0 };
    float ascender { 0 };
    bool truncated { false }; // some text was cut or replaced by an ellipsis
    Size size;                // rounded up to whole points
};

TextLayout layoutText(const std::string& text, const Font& font, const TextLayoutOptions& options = {});

// The size of the laid-out text (layoutText(...).size).
Size measureText(const std::string& text, const Font& font, const TextLayoutOptions& options = {});

// Fills the glyphs of a layout. origin is where the layout's top-left corner
// lands (the origin of the rectangle it was laid out for). Without colorFor the
// context's fill colour is used; with it, colorFor sets the fill colour before
// each glyph, given the glyph's character index.
using GlyphColorFunction = std::function<void(GraphicsContext&, size_t characterIndex)>;
void drawTextLayout(GraphicsContext& context, const TextLayout& layout, const Font& font, Point origin,
                    const GlyphColorFunction& colorFor = {});

// Lays out text within rect (its size bounds the layout where the options leave
// width and height at 0) and draws it; returns the size drawn, which is
// layoutText's size for the same text and bounds.
Size drawText(GraphicsContext& context, const std::string& text, const Font& font, const Rect& rect,
              TextLayoutOptions options = {});

// UTF-8 <-> code points; invalid sequences decode as U+FFFD.
std::u32string decodeUtf8(const std::string& text);
std::string encodeUtf8(const std::u32string& text);

} // namespace platform
