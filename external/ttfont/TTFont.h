// A TrueType font at one point size, with the metrics text layout needs and the
// names read from the font's own 'name' table.
//
// The font file is a platform::FontFile (opened by TTFontManager, or a platform
// font); metrics are the file's values in font units times ratio (pointSize /
// units per em), rounded outwards to whole points. Immutable apart from its name
// caches. Caveat: the name accessors raise an assertion for a font without a
// 'name' table or with a table format other than 0 or 1.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/FontFile.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ttfont {

class TTFont final : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<TTFont> fontWithCGFont(platform::FontFile* font, float size);
    // The file of a platform font at that font's size.
    [[nodiscard]] static platform::Ref<TTFont> fontWithUIFont(const platform::Font* uiFont);
    // Always fails the assertion "-init is not valid for TTFont".
    [[nodiscard]] static platform::Ref<TTFont> init();

    // The receiver when size equals pointSize; otherwise a new font over the
    // same file (size must be greater than 0).
    platform::Ref<TTFont> fontWithSize(float size) const;

    // The same file (same object) at an equal point size.
    bool isEqual(const TTFont& other) const { return file_ == other.file_ && pointSize_ == other.pointSize_; }

    platform::FontFile* cgFont() const { return file_.get(); }
    float pointSize() const { return pointSize_; }
    float ratio() const { return ratio_; }
    float ascender() const;
    float descender() const; // negative below the baseline
    float leading() const { return ascender() - descender(); }
    // From the OS/2 table; fonts whose table does not record them (versions
    // before 2) use the top of the outlines of "H" and "x" instead.
    float capHeight() const;
    float xHeight() const;

    // Name table entries 1, 4 and 6, read on first use (a missing entry is
    // looked up again on the next call).
    std::optional<std::string> familyName() const;
    std::optional<std::string> fontName() const;
    std::optional<std::string> postScriptName() const;
    // The first supported record of a name ID in the 'name' table, or nothing.
    std::optional<std::string> copyNameTableEntryForID(uint16_t nameID) const;

    // A platform font over the same file and size, for the text engine.
    const platform::Font& layoutFont() const { return *layoutFont_; }

    std::string className() const override { return "TTFont"; }

private:
    TTFont() = default;
    [[nodiscard]] bool initWithCGFont(platform::FontFile* font, float size);

    platform::Ref<platform::FontFile> file_;
    platform::Ref<platform::Font> layoutFont_;
    float pointSize_ { 0 };
    float ratio_ { 0 };
    long capHeightUnits_ { 0 };
    long xHeightUnits_ { 0 };
    mutable std::optional<std::string> familyName_;
    mutable std::optional<std::string> fontName_;
    mutable std::optional<std::string> postScriptName_;
};

// Reads one name from a 'name' table's bytes. Every count, offset and length is
// checked against the table: records or strings that lie outside it are
// skipped, a header too short to read gives nothing. Format 1 tables (which add
// language tags after the records) are read like format 0.
enum class NameTableResult { Found, NotFound, BadFormat };
NameTableResult readNameTableEntry(const platform::Bytes& table, uint16_t nameID, std::string& out);

} // namespace ttfont
