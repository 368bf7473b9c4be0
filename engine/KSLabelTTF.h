// A sprite whose texture is a piece of text rendered with a TrueType font.
// Every change of the text renders a whole new texture, so it suits text that
// changes seldom (titles, messages, scores); the text menu items wrap it.
//
// Caveat: a font name that neither the platform nor the font manager knows
// gives a label without texture (a zero-sized texture rect, drawing nothing),
// not a failure; the log names the font and the bundle folder searched.
#pragma once

#include "engine/KSProtocols.h"
#include "engine/KSSprite.h"
#include "engine/KSTexture2D.h"

#include <string>

namespace kestrel {

class KSLabelTTF : public KSSprite, public KSLabelProtocol {
public:
    // Sizes in points; the label keeps them in pixels.
    [[nodiscard]] static platform::Ref<KSLabelTTF> labelWithString(const std::string& string, Size dimensions,
                                                     KSTextAlignment alignment, const std::string& fontName,
                                                     float fontSize);
    [[nodiscard]] static platform::Ref<KSLabelTTF> labelWithString(const std::string& string, const std::string& fontName,
                                                     float fontSize);

    [[nodiscard]] bool initWithString(const std::string& string, Size dimensions, KSTextAlignment alignment,
                        const std::string& fontName, float fontSize);
    [[nodiscard]] bool initWithString(const std::string& string, const std::string& fontName, float fontSize);
    // Always fails its assertion: a label needs its text and font.
    bool init() override;

    void setString(const std::string& string) override;
    const std::string& string() const override { return string_; }

    Size dimensions() const { return dimensions_; }
    KSTextAlignment alignment() const { return alignment_; }
    const std::string& fontName() const { return fontName_; }
    float fontSize() const { return fontSize_; }

    std::string className() const override { return "KSLabelTTF"; }
    std::string description() const override;

protected:
    KSLabelTTF() = default;

private:
    Size dimensions_ {};
    KSTextAlignment alignment_ { KSTextAlignmentLeft };
    std::string fontName_;
    float fontSize_ { 0 };
    std::string string_;
};

} // namespace kestrel
