// The text engine's layout: line breaking, truncation and alignment over the
// unhinted metrics of a FontFile, and the drawing of a layout's glyph outlines
// into a GraphicsContext. Measuring and drawing both go through layoutText, so
// a label is drawn exactly as it was measured.
#include "platform/graphics/TextEngine.h"

#include "platform/graphics/Font.h"
#include "platform/graphics/GraphicsContext.h"

#include <algorithm>
#include <cmath>

namespace platform {

std::u32string decodeUtf8(const std::string& text)
{
    std::u32string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        char32_t cp;
        size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        else { out.push_back(0xFFFD); ++i; continue; }
        if (i + len > n) { out.push_back(0xFFFD); ++i; continue; }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Reject overlong forms, surrogates and values past U+10FFFF.
        static const char32_t minimum[] = { 0, 0, 0x80, 0x800, 0x10000 };
        if (!ok || cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += len;
    }
    return out;
}

std::string encodeUtf8(const std::u32string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : text) {
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

namespace {

constexpr float kEpsilon = 0.001f;

bool isSpace(char32_t c) { return c == ' ' || c == '\t' || c == 0x3000 || c == 0xA0; }

// Measures runs of characters of one font.
class Measurer {
public:
    Measurer(const Font& font) : file_(font.file()), size_(font.pointSize()) { }

    struct Run {
        std::u32string chars;
        std::vector<uint32_t> glyphs;
        std::vector<float> advances;
        std::vector<float> kerns;  // kerns[i]: between i-1 and i
        std::vector<float> offsets; // offsets[i]: pen position before character i
    };

    Run run(const std::u32string& chars) const
    {
        Run r;
        r.chars = chars;
        r.glyphs.reserve(chars.size());
        for (char32_t c : chars)
            r.glyphs.push_back(file_.glyphIndex(c));
        r.offsets.push_back(0);
        for (size_t i = 0; i < chars.size(); ++i) {
            r.advances.push_back(file_.advance(r.glyphs[i], size_));
            r.kerns.push_back(i ? file_.kerning(r.glyphs[i - 1], r.glyphs[i], size_) : 0.f);
            r.offsets.push_back(r.offsets.back() + r.kerns[i] + r.advances[i]);
        }
        return r;
    }

    // Width of characters [b, e) set on their own (no kerning before b).
    static float width(const Run& r, size_t b, size_t e)
    {
        if (e <= b)
            return 0;
        return r.offsets[e] - r.offsets[b] - r.kerns[b];
    }

    float width(const std::u32string& s) const
    {
        Run r = run(s);
        return width(r, 0, r.chars.size());
    }

    TextLine line(const std::u32string& s, const std::vector<size_t>& indexes) const
    {
        Run r = run(s);
        TextLine l;
        l.text = encodeUtf8(s);
        float x = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            if (i)
                x += r.kerns[i];
            l.glyphs.push_back({ r.glyphs[i], s[i], x, indexes[i] });
            x += r.advances[i];
        }
        l.width = x;
        return l;
    }

private:
    FontFile& file_;
    float size_;
};

// Characters of a line with the index of each in the decoded source text, so
// that drawing can find the attributes of what it draws.
struct Piece {
    std::u32string chars;
    std::vector<size_t> indexes;

    static Piece of(const std::u32string& text, size_t begin, size_t length, size_t base)
    {
        Piece p;
        p.chars = text.substr(begin, length);
        for (size_t i = 0; i < p.chars.size(); ++i)
            p.indexes.push_back(base + begin + i);
        return p;
    }
    Piece& operator+=(const Piece& o)
    {
        chars += o.chars;
        indexes.insert(indexes.end(), o.indexes.begin(), o.indexes.end());
        return *this;
    }
};

Piece trimTrailingSpaces(Piece s)
{
    while (!s.chars.empty() && isSpace(s.chars.back())) {
        s.chars.pop_back();
        s.indexes.pop_back();
    }
    return s;
}

Piece trimLeadingSpaces(Piece s)
{
    size_t k = 0;
    while (k < s.chars.size() && isSpace(s.chars[k]))
        ++k;
    s.chars.erase(0, k);
    s.indexes.erase(s.indexes.begin(), s.indexes.begin() + static_cast<std::ptrdiff_t>(k));
    return s;
}

// Cuts a line to fit the width with an ellipsis at the head, tail or middle.
// The number of characters kept is first estimated from the run's widths,
// then checked on the composed text (kerning at the joins may differ). The
// ellipsis takes the source index of the first character it stands for.
Piece truncate(const Measurer& m, const std::u32string& text, size_t base, float width, LineBreakMode mode, const std::u32string& ellipsis)
{
    auto fits = [&](const Piece& p) { return m.width(p.chars) <= width + kEpsilon; };
    float room = width - m.width(ellipsis) + kEpsilon;
    if (room < 0)
        return {};
    Measurer::Run r = m.run(text);
    const size_t n = text.size();
    auto dots = [&](size_t standsFor) {
        Piece p;
        p.chars = ellipsis;
        p.indexes.assign(ellipsis.size(), base + standsFor);
        return p;
    };
    auto compose = [&](size_t keep) {
        if (mode == LineBreakMode::HeadTruncation) {
            Piece p = dots(0);
            p += trimLeadingSpaces(Piece::of(text, n - keep, keep, base));
            return p;
        }
        if (mode == LineBreakMode::MiddleTruncation) {
            size_t front = (keep + 1) / 2, back = keep / 2; // the extra character goes in front
            Piece p = trimTrailingSpaces(Piece::of(text, 0, front, base));
            p += dots(front);
            p += trimLeadingSpaces(Piece::of(text, n - back, back, base));
            return p;
        }
        Piece p = trimTrailingSpaces(Piece::of(text, 0, keep, base));
        p += dots(keep);
        return p;
    };
    auto estimateFits = [&](size_t keep) {
        if (mode == LineBreakMode::HeadTruncation)
            return Measurer::width(r, n - keep, n) <= room;
        if (mode == LineBreakMode::MiddleTruncation)
            return Measurer::width(r, 0, (keep + 1) / 2) + Measurer::width(r, n - keep / 2, n) <= room;
        return Measurer::width(r, 0, keep) <= room;
    };
    size_t estimate = 0;
    while (estimate < n && estimateFits(estimate + 1))
        ++estimate;
    for (size_t keep = std::min(n, estimate + 2); ; --keep) {
        Piece candidate = compose(keep);
        if (keep == 0 || fits(candidate))
            return candidate;
    }
}

struct Paragraph {
    std::u32string chars;
    size_t start { 0 }; // index of its first character in the decoded text
};

std::vector<Paragraph> paragraphs(const std::u32string& text)
{
    std::vector<Paragraph> out;
    Paragraph current;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029) {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out.push_back(std::move(current));
            current = Paragraph();
            current.start = i + 1;
        } else {
            current.chars.push_back(c);
        }
    }
    // A final newline ends the last line; it does not start another.
    if (!current.chars.empty() || out.empty())
        out.push_back(std::move(current));
    return out;
}

} // namespace

TextLayout layoutText(const std::string& utf8, const Font& font, const TextLayoutOptions& options)
{
    TextLayout layout;
    layout.lineHeight = options.lineHeight > 0 ? options.lineHeight : font.lineHeight();
    layout.ascender = options.lineHeight > 0 ? options.ascender : font.ascender();
    if (utf8.empty())
        return layout;

    Measurer m(font);
    const bool bounded = options.width > 0;
    const float maxWidth = options.width;
    size_t limit = 0;
    if (options.maxLines > 0)
        limit = static_cast<size_t>(options.maxLines);
    if (options.height > 0 && layout.lineHeight > 0) {
        size_t byHeight = std::max<size_t>(1, static_cast<size_t>(std::floor(options.height / layout.lineHeight + kEpsilon)));
        limit = limit ? std::min(limit, byHeight) : byHeight;
    }
    const LineBreakMode mode = options.lineBreakMode;
    const bool truncating = mode == LineBreakMode::Clip || mode == LineBreakMode::HeadTruncation
        || mode == LineBreakMode::TailTruncation || mode == LineBreakMode::MiddleTruncation;
    const std::u32string ellipsis = font.file().hasGlyph(U'\u2026') ? std::u32string(U"\u2026") : std::u32string(U"...");

    std::vector<Piece> lines;
    std::vector<float> clippedWidth; // for clip mode: the width shown
    auto paras = paragraphs(decodeUtf8(utf8));
    bool stop = false;
    for (size_t p = 0; p < paras.size() && !stop; ++p) {
        const std::u32string& para = paras[p].chars;
        const size_t base = paras[p].start;
        Measurer::Run run = m.run(para);
        const size_t n = run.chars.size();
        size_t start = 0;
        bool first = true;
        while ((first || start < n) && !stop) {
            first = false;
            bool lastAllowed = limit && lines.size() + 1 == limit;
            bool moreAfter = p + 1 < paras.size();
            if (lastAllowed && truncating && bounded) {
                Piece rest = Piece::of(para, start, std::u32string::npos, base);
                float w = Measurer::width(run, start, n);
                if (w > maxWidth + kEpsilon || moreAfter) {
                    layout.truncated = true;
                    if (mode == LineBreakMode::Clip) {
                        lines.push_back(rest);
                        clippedWidth.push_back(std::min(w, maxWidth));
                    } else if (w > maxWidth + kEpsilon || mode == LineBreakMode::TailTruncation) {
                        lines.push_back(truncate(m, rest.chars, base + start, maxWidth, mode, ellipsis));
                        clippedWidth.push_back(-1);
                    } else {
                        lines.push_back(rest);
                        clippedWidth.push_back(-1);
                    }
                } else {
                    lines.push_back(rest);
                    clippedWidth.push_back(-1);
                }
                stop = true;
                break;
            }
            if (!bounded || Measurer::width(run, start, n) <= maxWidth + kEpsilon) {
                lines.push_back(Piece::of(para, start, std::u32string::npos, base));
                clippedWidth.push_back(-1);
                start = n;
            } else {
                size_t end = start;
                while (end < n && Measurer::width(run, start, end + 1) <= maxWidth + kEpsilon)
                    ++end;
                size_t lineEnd = end, next = end;
                if (mode != LineBreakMode::CharacterWrap && !(end < n && isSpace(run.chars[end]))) {
                    // Back up to the start of the word that overflows; a word wider
                    // than the line on its own is broken between characters.
                    size_t k = end;
                    while (k > start && !isSpace(run.chars[k - 1]))
                        --k;
                    if (k > start) {
                        lineEnd = k - 1;
                        next = k;
                    }
                }
                if (next <= start) // not even one character fits: take one anyway
                    lineEnd = next = start + 1;
                lines.push_back(trimTrailingSpaces(Piece::of(para, start, lineEnd - start, base)));
                clippedWidth.push_back(-1);
                start = next;
                while (start < n && isSpace(run.chars[start]))
                    ++start;
            }
            if (limit && lines.size() >= limit && (start < n || p + 1 < paras.size())) {
                layout.truncated = true;
                stop = true;
            }
        }
    }

    float maxLineWidth = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        TextLine line = m.line(lines[i].chars, lines[i].indexes);
        if (clippedWidth[i] >= 0) {
            line.clipped = line.width > clippedWidth[i] + kEpsilon;
            line.width = clippedWidth[i];
        }
        line.top = static_cast<float>(i) * layout.lineHeight;
        line.baseline = line.top + layout.ascender;
        maxLineWidth = std::max(maxLineWidth, line.width);
        layout.lines.push_back(std::move(line));
    }
    const float reference = bounded ? maxWidth : maxLineWidth;
    for (auto& line : layout.lines) {
        if (options.alignment == TextAlignment::Center)
            line.x = (reference - line.width) / 2;
        else if (options.alignment == TextAlignment::Right)
            line.x = reference - line.width;
    }
    layout.size = Size(std::ceil(maxLineWidth - kEpsilon), std::ceil(static_cast<float>(layout.lines.size()) * layout.lineHeight - kEpsilon));
    return layout;
}

Size measureText(const std::string& text, const Font& font, const TextLayoutOptions& options)
{
    return layoutText(text, font, options).size;
}

void drawTextLayout(GraphicsContext& context, const TextLayout& layout, const Font& font, Point origin,
                    const GlyphColorFunction& colorFor)
{
    FontFile& file = font.file();
    if (file.unitsPerEm() <= 0)
        return;
    const float scale = font.pointSize() / static_cast<float>(file.unitsPerEm());
    auto addGlyph = [&](uint32_t glyph, float left, float baseline) {
        auto outline = file.glyphOutline(glyph);
        for (const auto& seg : *outline) {
            switch (seg.kind) {
            case FontFile::OutlineSegment::Move:
                context.moveTo(left + seg.x * scale, baseline - seg.y * scale);
                break;
            case FontFile::OutlineSegment::Line:
                context.lineTo(left + seg.x * scale, baseline - seg.y * scale);
                break;
            case FontFile::OutlineSegment::Cubic:
                context.curveTo(left + seg.x1 * scale, baseline - seg.y1 * scale, left + seg.x2 * scale,
                                baseline - seg.y2 * scale, left + seg.x * scale, baseline - seg.y * scale);
                break;
            }
        }
    };
    for (const auto& line : layout.lines) {
        const float left = origin.x + line.x;
        const float baseline = origin.y + line.baseline;
        if (line.clipped) {
            // Only the sides are cut; accents above and descenders below stay.
            context.save();
            context.beginPath();
            context.addRect(Rect(left, origin.y + line.top - layout.lineHeight, line.width, 3 * layout.lineHeight));
            context.clip();
        }
        context.beginPath();
        for (const auto& g : line.glyphs) {
            if (colorFor) {
                colorFor(context, g.index);
                context.beginPath();
            }
            addGlyph(g.glyph, left + g.x, baseline);
            if (colorFor)
                context.fillPath();
        }
        if (!colorFor)
            context.fillPath();
        if (line.clipped)
            context.restore();
    }
}

Size drawText(GraphicsContext& context, const std::string& text, const Font& font, const Rect& rect, TextLayoutOptions options)
{
    if (options.width <= 0)
        options.width = rect.size.width;
    if (options.height <= 0)
        options.height = rect.size.height;
    TextLayout layout = layoutText(text, font, options);
    drawTextLayout(context, layout, font, rect.origin);
    return layout.size;
}

} // namespace platform
