// The text engine: one layout function that measuring uses now and drawing will
// use later, so measured and drawn text always agree.
//
// A layout breaks UTF-8 text into lines within an optional width and height (or
// line count): explicit newlines always break; wrap modes break between words
// or characters; clip and truncation modes wrap by word but cut the last line
// that fits, truncating with "…" (or "..." when the font lacks it) at the
// head, tail or middle. Line height is the font's leading, each baseline sits
// at the line's top plus the ascender, advances include kerning, and the
// reported size is rounded up to whole points. Invalid UTF-8 reads as U+FFFD.
#pragma once

#include "platform/foundation/Geometry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class Font;

enum class LineBreakMode { WordWrap = 0, CharacterWrap = 1, Clip = 2, HeadTruncation = 3, TailTruncation = 4, MiddleTruncation = 5 };
enum class TextAlignment { Left = 0, Center = 1, Right = 2 };

struct TextLayoutOptions {
    float width { 0 };   // <= 0: unbounded (no wrapping, no truncation)
    float height { 0 };  // <= 0: unbounded
    int maxLines { 0 };  // 0: no limit
    LineBreakMode lineBreakMode { LineBreakMode::WordWrap };
    TextAlignment alignment { TextAlignment::Left };
};

struct LaidOutGlyph {
    uint32_t glyph { 0 };
    char32_t character { 0 };
    float x { 0 }; // from the line's left edge
};

struct TextLine {
    std::string text;   // the characters shown, ellipsis included
    float x { 0 };      // left edge after alignment
    float top { 0 };
    float baseline { 0 };
    float width { 0 };  // unrounded advance width
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

// UTF-8 <-> code points; invalid sequences decode as U+FFFD.
std::u32string decodeUtf8(const std::string& text);
std::string encodeUtf8(const std::u32string& text);

} // namespace platform
