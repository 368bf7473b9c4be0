// TTFont: font metrics from the font file's units and the 'name' table reader.
// The text engine lays out TTFont text through layoutFont() with the rounded
// metrics here, so measuring and drawing agree with these numbers.
#include "external/ttfont/TTFont.h"

#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/graphics/TextEngine.h"

#include <algorithm>
#include <cmath>
#include <limits>

using platform::Ref;

namespace ttfont {

namespace {

constexpr uint32_t kNameTag = 0x6E616D65; // 'name'

uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// Mac OS Roman 0x80..0xFF.
const char16_t kMacRoman[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

std::string decodeUtf16BE(const uint8_t* p, size_t length)
{
    std::u32string out;
    for (size_t i = 0; i + 1 < length; i += 2) {
        char32_t u = be16(p + i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < length) {
            char32_t low = be16(p + i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out.push_back(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        out.push_back(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
    }
    return platform::encodeUtf8(out);
}

std::string decodeMacRoman(const uint8_t* p, size_t length)
{
    std::u32string out;
    for (size_t i = 0; i < length; ++i)
        out.push_back(p[i] < 0x80 ? p[i] : kMacRoman[p[i] - 0x80]);
    return platform::encodeUtf8(out);
}

} // namespace

NameTableResult readNameTableEntry(const platform::Bytes& table, uint16_t nameID, std::string& out)
{
    const size_t size = table.size();
    if (size < 6)
        return NameTableResult::NotFound;
    const uint8_t* t = table.data();
    const uint16_t format = be16(t);
    if (format > 1)
        return NameTableResult::BadFormat;
    const size_t count = be16(t + 2);
    const size_t storage = be16(t + 4);
    for (size_t i = 0; i < count; ++i) {
        const size_t at = 6 + 12 * i;
        if (at + 12 > size) // the count claims more records than the table holds
            break;
        const uint8_t* r = t + at;
        if (be16(r + 6) != nameID)
            continue;
        const uint16_t platformID = be16(r), encodingID = be16(r + 2);
        const bool utf16 = platformID == 0 || (platformID == 3 && encodingID == 1);
        const bool roman = platformID == 1 && encodingID == 0;
        if (!utf16 && !roman)
            continue;
        const size_t length = be16(r + 8);
        const size_t start = storage + be16(r + 10);
        if (start > size || length > size - start) // string outside the table: try the next record
            continue;
        out = utf16 ? decodeUtf16BE(t + start, length) : decodeMacRoman(t + start, length);
        return NameTableResult::Found;
    }
    return NameTableResult::NotFound;
}

Ref<TTFont> TTFont::fontWithCGFont(platform::FontFile* font, float size)
{
    auto f = platform::adoptRef(new TTFont);
    return f->initWithCGFont(font, size) ? f : nullptr;
}

namespace {

// The highest point of a character's outline (control points included) in
// font units; 0 when the font has no glyph or an empty one for it.
long outlineTop(const platform::FontFile& font, char32_t c)
{
    const uint32_t glyph = font.glyphIndex(c);
    if (glyph == 0)
        return 0;
    auto outline = font.glyphOutline(glyph);
    if (!outline || outline->empty())
        return 0;
    float top = -std::numeric_limits<float>::infinity();
    for (const auto& segment : *outline) {
        top = std::max(top, segment.y);
        if (segment.kind == platform::FontFile::OutlineSegment::Cubic)
            top = std::max({ top, segment.y1, segment.y2 });
    }
    return std::lround(top);
}

} // namespace

Ref<TTFont> TTFont::fontWithUIFont(const platform::Font* uiFont)
{
    BRISKO_ASSERT(uiFont != nullptr, platform::format("Invalid parameter not satisfying: %s", "uiFont != nil"));
    return fontWithCGFont(&uiFont->file(), uiFont->pointSize());
}

Ref<TTFont> TTFont::init()
{
    BRISKO_ASSERT(false, "-init is not valid for TTFont");
    return nullptr;
}

bool TTFont::initWithCGFont(platform::FontFile* font, float size)
{
    // Without a file, or with one that has no design units, there is nothing to scale.
    if (!font || font->unitsPerEm() <= 0)
        return false;
    file_ = font;
    pointSize_ = size;
    ratio_ = size / static_cast<float>(font->unitsPerEm());
    capHeightUnits_ = font->capHeightUnits() ? font->capHeightUnits() : outlineTop(*font, U'H');
    xHeightUnits_ = font->xHeightUnits() ? font->xHeightUnits() : outlineTop(*font, U'x');
    layoutFont_ = platform::Font::fontWithFile(file_, size);
    return layoutFont_ != nullptr;
}

Ref<TTFont> TTFont::fontWithSize(float size) const
{
    if (size == pointSize_)
        return Ref<TTFont>(const_cast<TTFont*>(this));
    BRISKO_ASSERT(size > 0.0f, platform::format("Invalid parameter not satisfying: %s", "fontSize > 0.0"));
    return fontWithCGFont(file_.get(), size);
}

float TTFont::ascender() const { return std::ceil(ratio_ * static_cast<float>(file_->ascentUnits())); }
float TTFont::descender() const { return std::floor(ratio_ * static_cast<float>(file_->descentUnits())); }
float TTFont::capHeight() const { return std::ceil(ratio_ * static_cast<float>(capHeightUnits_)); }
float TTFont::xHeight() const { return std::ceil(ratio_ * static_cast<float>(xHeightUnits_)); }

std::optional<std::string> TTFont::copyNameTableEntryForID(uint16_t nameID) const
{
    auto table = file_->copyTable(kNameTag);
    BRISKO_ASSERT(table.has_value(), platform::format("CGFontCopyTableForTag returned NULL for 'name' tag in font %s",
                                                      file_->description().c_str()));
    std::string name;
    switch (readNameTableEntry(*table, nameID, name)) {
    case NameTableResult::Found:
        return name;
    case NameTableResult::NotFound:
        return std::nullopt;
    case NameTableResult::BadFormat:
        break;
    }
    BRISKO_ASSERT(false, platform::format("name table for font %s has bad version number", file_->description().c_str()));
    return std::nullopt;
}

std::optional<std::string> TTFont::familyName() const
{
    if (!familyName_)
        familyName_ = copyNameTableEntryForID(1);
    return familyName_;
}

std::optional<std::string> TTFont::fontName() const
{
    if (!fontName_)
        fontName_ = copyNameTableEntryForID(4);
    return fontName_;
}

std::optional<std::string> TTFont::postScriptName() const
{
    if (!postScriptName_)
        postScriptName_ = copyNameTableEntryForID(6);
    return postScriptName_;
}

} // namespace ttfont
