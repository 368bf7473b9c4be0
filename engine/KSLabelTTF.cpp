// KSLabelTTF: a sprite over a text texture made by KSTexture2D's text
// initialisers, re-rendered whenever the text changes.
#include "engine/KSLabelTTF.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

Ref<KSLabelTTF> KSLabelTTF::labelWithString(const std::string& string, Size dimensions, KSTextAlignment alignment,
                                            const std::string& fontName, float fontSize)
{
    auto l = adoptRef(new KSLabelTTF);
    return l->initWithString(string, dimensions, alignment, fontName, fontSize) ? l : nullptr;
}

Ref<KSLabelTTF> KSLabelTTF::labelWithString(const std::string& string, const std::string& fontName, float fontSize)
{
    auto l = adoptRef(new KSLabelTTF);
    return l->initWithString(string, fontName, fontSize) ? l : nullptr;
}

namespace {

// A font that is neither the platform's nor a bundle file leaves the label
// without a texture: it is made, measures nothing and draws nothing. The log
// names the font and where it was looked for.
void tellIfFontMissing(const std::string& fontName, float fontSize)
{
    if (KSTexture2D::hasTextFont(fontName, fontSize))
        return;
    platform::logError("KSLabelTTF: cannot find the font \"%s\": no system font has that name, and the bundle "
                       "folder %s has neither %s.ttf nor %s; the label has no texture and draws nothing",
                       fontName.c_str(), platform::Bundle::main().resourcePath().c_str(), fontName.c_str(),
                       fontName.c_str());
}

} // namespace

bool KSLabelTTF::initWithString(const std::string& string, Size dimensions, KSTextAlignment alignment,
                                const std::string& fontName, float fontSize)
{
    if (!KSSprite::init())
        return false;
    tellIfFontMissing(fontName, fontSize);
    const float factor = ksContentScaleFactor();
    dimensions_ = Size(dimensions.width * factor, dimensions.height * factor);
    alignment_ = alignment;
    fontName_ = fontName;
    fontSize_ = fontSize * factor;
    setString(string);
    return true;
}

bool KSLabelTTF::initWithString(const std::string& string, const std::string& fontName, float fontSize)
{
    if (!KSSprite::init())
        return false;
    tellIfFontMissing(fontName, fontSize);
    dimensions_ = Size();
    fontName_ = fontName;
    fontSize_ = fontSize * ksContentScaleFactor();
    setString(string);
    return true;
}

bool KSLabelTTF::init()
{
    BRISKO_ASSERT(false, "KSLabelTTF: Init not supported. Use initWithString");
    return false;
}

void KSLabelTTF::setString(const std::string& string)
{
    string_ = string;
    Ref<KSTexture2D> texture;
    if (dimensions_.width == 0 && dimensions_.height == 0)
        texture = KSTexture2D::textureWithString(string, fontName_, fontSize_);
    else
        texture = KSTexture2D::textureWithString(string, dimensions_, alignment_, fontName_, fontSize_);
    setTexture(texture.get());
    Size size = texture ? texture->contentSize() : Size();
    setTextureRect(Rect(0, 0, size.width, size.height));
}

std::string KSLabelTTF::description() const
{
    return platform::format("<%s = %s | FontName = %s, FontSize = %.1f>", className().c_str(),
                            platform::addressString(this).c_str(), fontName_.c_str(), fontSize_);
}

} // namespace kestrel
