// A font file opened with FreeType, and the lookup of platform fonts by name.
//
// Fonts are found through fontconfig by exact family, full or PostScript name
// only; a name that matches nothing answers no font (never a "best match"). The
// default fonts are DejaVu Sans and its bold and oblique faces. Metrics and
// advances are read unhinted in font units and scaled linearly, so measuring is
// exact, size-independent and the same on every machine. A face is guarded by
// a lock, so a font may be measured from any thread.
#pragma once

#include "platform/foundation/Object.h"

#include "platform/foundation/Value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct FT_FaceRec_;

namespace platform {

class FontFile final : public Object {
public:
    // Opens a font file; empty when it cannot be read as a font.
    [[nodiscard]] static Ref<FontFile> fromPath(const std::string& path, int faceIndex = 0);
    // The platform font with this family, full or PostScript name; empty when none.
    // Files are opened once and shared.
    [[nodiscard]] static Ref<FontFile> findByName(const std::string& name);
    [[nodiscard]] static Ref<FontFile> defaultFont();
    [[nodiscard]] static Ref<FontFile> defaultBoldFont();
    [[nodiscard]] static Ref<FontFile> defaultItalicFont();

    const std::string& path() const { return path_; }
    const std::string& familyName() const { return family_; }
    const std::string& postScriptName() const { return postScriptName_; }

    // Vertical metrics at a size (points): ascender above the baseline,
    // descender below it (positive), and the leading (line height).
    float ascender(float size) const { return scale(ascender_, size); }
    float descender(float size) const { return scale(-descender_, size); }
    float lineHeight(float size) const { return scale(height_, size); }

    // The font's own values in font units, for callers that apply their own
    // rounding: units per em, ascent and descent (negative below the baseline)
    // from the horizontal header, cap height and x-height from the OS/2 table
    // (0 when the table does not record them).
    long unitsPerEm() const { return unitsPerEm_; }
    long ascentUnits() const { return ascender_; }
    long descentUnits() const { return descender_; }
    long capHeightUnits() const { return capHeight_; }
    long xHeightUnits() const { return xHeight_; }

    // A copy of a whole sfnt table ('name' is 0x6E616D65); empty when the font has none.
    std::optional<Bytes> copyTable(uint32_t tag) const;

    // A glyph's outline in font units, y up: closed contours of lines and cubic
    // curves. Empty for blank glyphs (space). Cached per glyph.
    struct OutlineSegment {
        enum Kind : uint8_t { Move, Line, Cubic } kind;
        float x1, y1, x2, y2, x, y; // control points are used by Cubic only
    };
    using Outline = std::vector<OutlineSegment>;
    std::shared_ptr<const Outline> glyphOutline(uint32_t glyph) const;

    // Glyph index of a character; 0 when the font has no glyph for it.
    uint32_t glyphIndex(char32_t c) const;
    bool hasGlyph(char32_t c) const { return glyphIndex(c) != 0; }
    float advance(uint32_t glyph, float size) const;
    // Kerning between two glyphs (usually negative); 0 without a kerning table.
    float kerning(uint32_t left, uint32_t right, float size) const;

    // The FreeType face, for drawing glyphs; lock faceMutex() while using it.
    FT_FaceRec_* face() const { return face_; }
    std::mutex& faceMutex() const { return mutex_; }

private:
    FontFile() = default;
    ~FontFile() override;
    float scale(long units, float size) const { return unitsPerEm_ ? static_cast<float>(units) * size / static_cast<float>(unitsPerEm_) : 0; }

    FT_FaceRec_* face_ { nullptr };
    std::string path_;
    std::string family_;
    std::string postScriptName_;
    long unitsPerEm_ { 0 };
    long ascender_ { 0 };
    long descender_ { 0 };
    long height_ { 0 };
    long capHeight_ { 0 };
    long xHeight_ { 0 };
    bool hasKerning_ { false };
    mutable std::mutex mutex_;
    mutable std::unordered_map<uint32_t, long> advances_;
    mutable std::unordered_map<char32_t, uint32_t> glyphs_;
    mutable std::unordered_map<uint32_t, std::shared_ptr<const Outline>> outlines_;
};

} // namespace platform
