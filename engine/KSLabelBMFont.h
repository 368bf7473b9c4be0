// Bitmap-font labels. KSBMFontConfiguration reads a bitmap-font text file
// (.fnt: one glyph page image, a rectangle and placement metrics per character
// code below 2048, kerning pairs) into fixed tables; ksLoadFNTConfiguration
// caches one configuration per file name so every label of a font shares one
// parse. KSLabelBMFont is a sprite batch node over the page image with one
// sprite per character (tag = the character's index), reused when the text
// changes, so it suits texts that change often at one draw call.
//
// Caveat: fields of a .fnt line are read by position, not by key, as the
// format's writers emit them; a missing field reads as 0. The director empties
// the cache on memory warnings; labels keep the configuration they use.
#pragma once

#include "engine/KSProtocols.h"
#include "engine/KSSpriteBatchNode.h"

#include <cstdint>
#include <string>

struct _KerningHashElement;

namespace kestrel {

// The maximum character code a bitmap font can define, plus one.
inline constexpr uint32_t kKSBMFontMaxChars = 2048;

struct _BMFontDef {
    uint32_t charID { 0 };
    Rect rect;            // in the page image, pixels, y from the top
    int32_t xOffset { 0 };
    int32_t yOffset { 0 };
    int32_t xAdvance { 0 };
};

struct _BMFontPadding {
    int32_t left { 0 };
    int32_t top { 0 };
    int32_t right { 0 };
    int32_t bottom { 0 };
};

class KSBMFontConfiguration : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSBMFontConfiguration> configurationWithFNTFile(const std::string& fntFile);
    // A file that cannot be read gives a configuration without characters.
    [[nodiscard]] bool initWithFNTfile(const std::string& fntFile);

    // The line readers of the file reader (each takes one line of the file).
    void parseConfigFile(const std::string& fntFile);
    void parseCommonArguments(const std::string& line);
    void parseImageFileName(const std::string& line, const std::string& fntFile);
    void parseCharacterDefinition(const std::string& line, _BMFontDef* characterDefinition);
    void parseKerningEntry(const std::string& line);
    void parseKerningCapacity(const std::string&) { }
    // Reads the padding of an "info" line (the file reader does not call it).
    void parseInfoArguments(const std::string& line);

    void purgeKerningDictionary();
    // The amount for the pair, 0 when the font has none.
    int kerningAmount(uint32_t first, uint32_t second) const;
    unsigned kerningCount() const;

    const _BMFontDef& fontDef(uint32_t charID) const { return BMFontArray_[charID]; }
    uint32_t commonHeight() const { return commonHeight_; }
    _BMFontPadding padding() const { return padding_; }
    const std::string& atlasName() const { return atlasName_; }

    std::string className() const override { return "KSBMFontConfiguration"; }
    std::string description() const override;

protected:
    KSBMFontConfiguration() = default;
    ~KSBMFontConfiguration() override;

private:
    _BMFontDef BMFontArray_[kKSBMFontMaxChars] {};
    uint32_t commonHeight_ { 0 };
    _BMFontPadding padding_ {};
    std::string atlasName_;
    _KerningHashElement* kerningDictionary_ { nullptr };
};

// The cached configuration of the file name (exactly as written), parsed on a miss.
KSBMFontConfiguration* ksLoadFNTConfiguration(const std::string& fntFile);

class KSLabelBMFont : public KSSpriteBatchNode, public KSLabelProtocol, public KSRGBAProtocol {
public:
    [[nodiscard]] static platform::Ref<KSLabelBMFont> labelWithString(const std::string& string, const std::string& fntFile);
    [[nodiscard]] static platform::Ref<KSLabelBMFont> bitmapFontAtlasWithString(const std::string& string,
                                                                  const std::string& fntFile)
    {
        return labelWithString(string, fntFile);
    }
    // Empties the configuration cache.
    static void purgeCachedData();
    // How many configurations are cached.
    static unsigned cachedConfigurationCount();

    // Text in UTF-8; every character must be below 2048.
    [[nodiscard]] bool initWithString(const std::string& string, const std::string& fntFile);

    // A text with a character of 2048 or more, or one that would need more
    // glyph sprites than a batch draws (kKSTextureAtlasMaxCapacity, sprites
    // kept from longer texts included) fails its assertion before anything
    // changes: the label keeps its text.
    void setString(const std::string& string) override;
    const std::string& string() const override { return string_; }

    void setColor(ksColor3B color) override;
    ksColor3B color() const override { return color_; }
    void setOpacity(GLubyte opacity) override;
    GLubyte opacity() const override { return opacity_; }
    void setOpacityModifyRGB(bool modify) override;
    bool doesOpacityModifyRGB() const override { return opacityModifyRGB_; }

    // Re-lays the glyphs when the anchor point changes.
    void setAnchorPoint(Point point) override;

    int kerningAmountForFirst(uint16_t first, uint16_t second) const;
    // Lays the glyphs of the current text out.
    void createFontChars();

    KSBMFontConfiguration* configuration() const { return configuration_.get(); }

    std::string className() const override { return "KSLabelBMFont"; }
    const KSFloatProperties& floatProperties() const override;

protected:
    KSLabelBMFont() = default;

private:
    // The assertions of setString, on the decoded text.
    void checkText(const std::u32string& text) const;
    void makeRoomFor(const std::u32string& text);

    std::string string_;
    platform::Ref<KSBMFontConfiguration> configuration_;
    GLubyte opacity_ { 255 };
    ksColor3B color_ { 255, 255, 255 };
    bool opacityModifyRGB_ { false };
};

} // namespace kestrel
