// Texture objects from raw pixels, images and PVR data; drawing one quad and
// setting the sampling parameters. Images and text are drawn through the
// platform's GraphicsContext into a power-of-two bitmap (text as coverage in an
// A8 texture), then uploaded.
#include "engine/KSTexture2D.h"

#include "engine/KSConfiguration.h"
#include "engine/KSTexturePVR.h"
#include "engine/Support/PointMath.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Log.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLExtensions.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/TextEngine.h"
#include "external/ttfont/TTFontManager.h"
#include "external/ttfont/TTStringDrawing.h"

#include <GLES/glext.h>

#include <algorithm>
#include <atomic>

namespace kestrel {

using platform::Ref;

namespace {

std::atomic<int32_t> gDefaultAlphaPixelFormat { kKSTexture2DPixelFormat_Default };
std::atomic<bool> gPVRHaveAlphaPremultiplied { false };
// Textures alive that hold a GL texture (the loader thread makes them too).
std::atomic<size_t> gLiveTextures { 0 };

} // namespace

uint16_t ksPackRGB565(const uint8_t* p)
{
    return static_cast<uint16_t>(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
}

uint16_t ksPackRGBA4444(const uint8_t* p)
{
    return static_cast<uint16_t>(((p[0] >> 4) << 12) | ((p[1] >> 4) << 8) | ((p[2] >> 4) << 4) | (p[3] >> 4));
}

uint16_t ksPackRGB5A1(const uint8_t* p)
{
    return static_cast<uint16_t>(((p[0] >> 3) << 11) | ((p[1] >> 3) << 6) | ((p[2] >> 3) << 1) | (p[3] >> 7));
}

// ---- factories ----

Ref<KSTexture2D> KSTexture2D::textureWithData(const void* data, KSTexture2DPixelFormat format, uint32_t pixelsWide,
                                              uint32_t pixelsHigh, Size contentSize)
{
    auto t = adoptRef(new KSTexture2D);
    return t->initWithData(data, format, pixelsWide, pixelsHigh, contentSize) ? t : nullptr;
}

Ref<KSTexture2D> KSTexture2D::textureWithImage(const platform::Image* image)
{
    auto t = adoptRef(new KSTexture2D);
    return t->initWithImage(image) ? t : nullptr;
}

Ref<KSTexture2D> KSTexture2D::textureWithString(const std::string& string, const std::string& fontName, float fontSize)
{
    auto t = adoptRef(new KSTexture2D);
    return t->initWithString(string, fontName, fontSize) ? t : nullptr;
}

Ref<KSTexture2D> KSTexture2D::textureWithString(const std::string& string, Size dimensions, KSTextAlignment alignment,
                                                const std::string& fontName, float fontSize)
{
    auto t = adoptRef(new KSTexture2D);
    return t->initWithString(string, dimensions, alignment, fontName, fontSize) ? t : nullptr;
}

Ref<KSTexture2D> KSTexture2D::textureWithPVRTCData(const void* data, int level, int bpp, bool hasAlpha, int length)
{
    auto t = adoptRef(new KSTexture2D);
    return t->initWithPVRTCData(data, level, bpp, hasAlpha, length) ? t : nullptr;
}

Ref<KSTexture2D> KSTexture2D::textureWithPVRFile(const std::string& path)
{
    auto t = adoptRef(new KSTexture2D);
    return t->initWithPVRFile(path) ? t : nullptr;
}

KSTexture2D::~KSTexture2D()
{
    if (!name_)
        return;
    // The name is the made-in context's share group's: deleted there, never
    // in another group's context current now (a texture of a game's run that
    // ended, let go of in the next run, would delete that run's texture of
    // the same number), and not at all once that group is gone with its
    // contexts, which took the name with them.
    if (!madeInShareGroup_)
        glDeleteTextures(1, &name_);
    else if (Ref<platform::GLShareGroup> group = shareGroup_.lock())
        group->deleteTexture(name_);
    gLiveTextures.fetch_sub(1);
}

void KSTexture2D::tookName()
{
    gLiveTextures.fetch_add(1);
    platform::GLContext* context = platform::GLContext::current();
    if (platform::GLShareGroup* group = context ? context->shareGroup() : nullptr) {
        shareGroup_ = group;
        madeInShareGroup_ = true;
    }
}

size_t KSTexture2D::liveTextureCount() { return gLiveTextures.load(); }

// ---- raw data ----

bool KSTexture2D::initWithData(const void* data, KSTexture2DPixelFormat format, uint32_t pixelsWide,
                               uint32_t pixelsHigh, Size contentSize)
{
    GLenum glFormat = 0, glType = 0;
    switch (format) {
    case kKSTexture2DPixelFormat_RGBA8888: glFormat = GL_RGBA; glType = GL_UNSIGNED_BYTE; break;
    case kKSTexture2DPixelFormat_RGB565: glFormat = GL_RGB; glType = GL_UNSIGNED_SHORT_5_6_5; break;
    case kKSTexture2DPixelFormat_A8: glFormat = GL_ALPHA; glType = GL_UNSIGNED_BYTE; break;
    case kKSTexture2DPixelFormat_RGBA4444: glFormat = GL_RGBA; glType = GL_UNSIGNED_SHORT_4_4_4_4; break;
    case kKSTexture2DPixelFormat_RGB5A1: glFormat = GL_RGBA; glType = GL_UNSIGNED_SHORT_5_5_5_1; break;
    default:
        throw platform::Exception(platform::kInternalInconsistencyException, "");
    }
    platform::drainGLErrors();
    glGenTextures(1, &name_);
    if (name_)
        tookName();
    glBindTexture(GL_TEXTURE_2D, name_);
    setAntiAliasTexParameters();
    // Rows of 1- and 2-byte pixels are packed, not padded to 4 bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(glFormat), static_cast<GLsizei>(pixelsWide),
                 static_cast<GLsizei>(pixelsHigh), 0, glFormat, glType, data);
    // A refused upload (size above the limit, no context) is a failure, not an empty texture.
    if (name_ == 0 || platform::takeGLError() != GL_NO_ERROR)
        return false;

    size_ = contentSize;
    width_ = pixelsWide;
    height_ = pixelsHigh;
    format_ = format;
    maxS_ = contentSize.width / static_cast<float>(pixelsWide);
    maxT_ = contentSize.height / static_cast<float>(pixelsHigh);
    hasPremultipliedAlpha_ = false;
    return true;
}

// ---- images ----

bool KSTexture2D::initWithImage(const platform::Image* image)
{
    if (!image || image->width() == 0 || image->height() == 0)
        return false;
    const uint32_t imageWidth = image->width(), imageHeight = image->height();
    const uint32_t textureWidth = ksNextPowerOfTwo(imageWidth);
    const uint32_t textureHeight = ksNextPowerOfTwo(imageHeight);
    const auto maxSize = static_cast<uint32_t>(KSConfiguration::sharedConfiguration()->maxTextureSize());
    if (textureWidth == 0 || textureHeight == 0 || textureWidth > maxSize || textureHeight > maxSize)
        return false;

    const platform::ImageAlphaInfo info = image->alphaInfo();
    const bool hasAlpha = info == platform::ImageAlphaInfo::PremultipliedLast
        || info == platform::ImageAlphaInfo::PremultipliedFirst || info == platform::ImageAlphaInfo::Last
        || info == platform::ImageAlphaInfo::First;
    KSTexture2DPixelFormat pixelFormat;
    if (image->colorModel() == platform::ImageColorModel::None)
        pixelFormat = kKSTexture2DPixelFormat_A8;
    else if (hasAlpha || image->bitsPerComponent() >= 8)
        pixelFormat = defaultAlphaPixelFormat();
    else
        pixelFormat = kKSTexture2DPixelFormat_RGB565;

    bool premultiplied = false;
    platform::GraphicsContext::Format contextFormat = platform::GraphicsContext::Format::RGBA;
    switch (pixelFormat) {
    case kKSTexture2DPixelFormat_RGBA8888:
    case kKSTexture2DPixelFormat_RGBA4444:
    case kKSTexture2DPixelFormat_RGB5A1:
        premultiplied = hasAlpha;
        break;
    case kKSTexture2DPixelFormat_RGB565:
        break;
    case kKSTexture2DPixelFormat_A8:
        contextFormat = platform::GraphicsContext::Format::Gray8;
        break;
    default:
        throw platform::Exception(platform::kInternalInconsistencyException, "Invalid pixel format");
    }

    auto context = platform::GraphicsContext::create(textureWidth, textureHeight, contextFormat);
    if (!context)
        return false;
    context->clear();
    // The image's top row lands in the buffer's first row: t = 0 is its top edge.
    context->drawImage(*image, Rect(0, 0, static_cast<float>(imageWidth), static_cast<float>(imageHeight)));
    platform::Bytes pixels;
    if (contextFormat == platform::GraphicsContext::Format::Gray8)
        pixels = context->pixelData();
    else
        pixels = premultiplied ? context->pixelData(true) : context->opaquePixelData();
    context = nullptr;

    if (pixelFormat == kKSTexture2DPixelFormat_RGB565 || pixelFormat == kKSTexture2DPixelFormat_RGBA4444
        || pixelFormat == kKSTexture2DPixelFormat_RGB5A1) {
        uint16_t (*pack)(const uint8_t*) = pixelFormat == kKSTexture2DPixelFormat_RGB565 ? ksPackRGB565
            : pixelFormat == kKSTexture2DPixelFormat_RGBA4444                            ? ksPackRGBA4444
                                                                                         : ksPackRGB5A1;
        const size_t count = pixels.size() / 4;
        platform::Bytes packed(count * 2);
        auto* out = reinterpret_cast<uint16_t*>(packed.data());
        for (size_t i = 0; i < count; ++i)
            out[i] = pack(&pixels[i * 4]);
        pixels = std::move(packed);
    }

    if (!initWithData(pixels.data(), pixelFormat, textureWidth, textureHeight,
                      Size(static_cast<float>(imageWidth), static_cast<float>(imageHeight))))
        return false;
    hasPremultipliedAlpha_ = premultiplied;
    return true;
}

// ---- text ----

// The platform font of that name, else the font manager's; the texture draws
// with whichever one holds.
struct TextFont {
    Ref<platform::Font> platformFont;
    Ref<ttfont::TTFont> ttFont;
    explicit operator bool() const { return platformFont || ttFont; }
};

static TextFont findTextFont(const std::string& name, float size)
{
    TextFont f;
    f.platformFont = platform::Font::fontWithName(name, size);
    if (!f.platformFont)
        f.ttFont = ttfont::TTFontManager::sharedManager()->ttFontWithName(name, size);
    return f;
}

bool KSTexture2D::hasTextFont(const std::string& fontName, float fontSize)
{
    return static_cast<bool>(findTextFont(fontName, fontSize));
}

template <typename Draw>
bool KSTexture2D::initWithText(Size dimensions, const Draw& draw)
{
    // Negative or NaN dimensions make no texture; nor do sizes past the GL's
    // texture limit (or past any, where a pixel count would overflow), which
    // the log names.
    if (!(dimensions.width > 0 && dimensions.height > 0))
        return false;
    const int maxSize = KSConfiguration::sharedConfiguration()->maxTextureSize();
    const float limit = static_cast<float>(maxSize > 0 ? std::min(maxSize, 1 << 16) : 1 << 16);
    auto fits = [limit](float side) {
        return side <= limit && static_cast<float>(ksNextPowerOfTwo(static_cast<uint32_t>(side))) <= limit;
    };
    if (!fits(dimensions.width) || !fits(dimensions.height)) {
        platform::logError("KSTexture2D: a text of %g x %g pixels needs a texture larger than the limit of %g pixels a "
                           "side: it has no texture and draws nothing",
                           static_cast<double>(dimensions.width), static_cast<double>(dimensions.height),
                           static_cast<double>(limit));
        return false;
    }
    const uint32_t width = ksNextPowerOfTwo(static_cast<uint32_t>(dimensions.width));
    const uint32_t height = ksNextPowerOfTwo(static_cast<uint32_t>(dimensions.height));
    auto context = platform::GraphicsContext::create(width, height, platform::GraphicsContext::Format::Gray8);
    if (!context)
        return false;
    // The context's origin is its top-left corner, so text lands upright with its
    // first line in the first rows: texture coordinate t = 0 is the text's top.
    context->setFillColor(1, 1, 1, 1);
    draw(*context, Rect(0, 0, dimensions.width, dimensions.height));
    platform::Bytes pixels = context->pixelData();
    return initWithData(pixels.data(), kKSTexture2DPixelFormat_A8, width, height, dimensions);
}

bool KSTexture2D::initWithString(const std::string& string, Size dimensions, KSTextAlignment alignment,
                                 const platform::Font* font)
{
    BRISKO_ASSERT(font != nullptr, "Invalid font");
    return initWithText(dimensions, [&](platform::GraphicsContext& context, Rect rect) {
        platform::TextLayoutOptions o;
        o.lineBreakMode = platform::LineBreakMode::WordWrap;
        o.alignment = static_cast<platform::TextAlignment>(alignment);
        platform::drawText(context, string, *font, rect, o);
    });
}

bool KSTexture2D::initWithString(const std::string& string, Size dimensions, KSTextAlignment alignment,
                                 const ttfont::TTFont* font)
{
    BRISKO_ASSERT(font != nullptr, "Invalid font");
    return initWithText(dimensions, [&](platform::GraphicsContext& context, Rect rect) {
        ttfont::drawInRect(context, string, rect, *font, platform::LineBreakMode::WordWrap,
                           static_cast<platform::TextAlignment>(alignment));
    });
}

bool KSTexture2D::initWithString(const std::string& string, const std::string& fontName, float fontSize)
{
    TextFont font = findTextFont(fontName, fontSize);
    if (!font)
        return false;
    if (font.platformFont) {
        platform::TextLayoutOptions o;
        o.maxLines = 1;
        o.lineBreakMode = platform::LineBreakMode::Clip;
        Size dimensions = platform::measureText(string, *font.platformFont, o);
        return initWithString(string, dimensions, KSTextAlignmentCenter, font.platformFont.get());
    }
    Size dimensions = ttfont::sizeWithTTFont(string, *font.ttFont);
    return initWithString(string, dimensions, KSTextAlignmentCenter, font.ttFont.get());
}

bool KSTexture2D::initWithString(const std::string& string, Size dimensions, KSTextAlignment alignment,
                                 const std::string& fontName, float fontSize)
{
    TextFont font = findTextFont(fontName, fontSize);
    if (!font)
        return false;
    if (font.platformFont)
        return initWithString(string, dimensions, alignment, font.platformFont.get());
    return initWithString(string, dimensions, alignment, font.ttFont.get());
}

// ---- PVR ----

bool KSTexture2D::initWithPVRTCData(const void* data, int level, int bpp, bool hasAlpha, int length)
{
    if (!KSConfiguration::sharedConfiguration()->supportsPVRTC() || length <= 0 || (bpp != 2 && bpp != 4))
        return false;
    platform::drainGLErrors();
    glGenTextures(1, &name_);
    if (name_)
        tookName();
    glBindTexture(GL_TEXTURE_2D, name_);
    setAntiAliasTexParameters();
    GLenum format = hasAlpha ? (bpp == 4 ? GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG : GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG)
                             : (bpp == 4 ? GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG : GL_COMPRESSED_RGB_PVRTC_2BPPV1_IMG);
    int64_t size = static_cast<int64_t>(length) * length * bpp / 8;
    if (size < 32)
        size = 32;
    glCompressedTexImage2D(GL_TEXTURE_2D, level, format, length, length, 0, static_cast<GLsizei>(size), data);
    if (platform::takeGLError() != GL_NO_ERROR)
        return false;
    size_ = Size(static_cast<float>(length), static_cast<float>(length));
    width_ = height_ = static_cast<uint32_t>(length);
    maxS_ = maxT_ = 1.0f;
    hasPremultipliedAlpha_ = gPVRHaveAlphaPremultiplied.load();
    return true;
}

bool KSTexture2D::initWithPVRFile(const std::string& path)
{
    auto pvr = KSTexturePVR::pvrTextureWithContentsOfFile(path);
    if (!pvr)
        return false;
    pvr->setRetainName(true);
    name_ = pvr->name();
    if (name_)
        tookName();
    width_ = pvr->width();
    height_ = pvr->height();
    size_ = Size(static_cast<float>(width_), static_cast<float>(height_));
    maxS_ = maxT_ = 1.0f;
    hasPremultipliedAlpha_ = gPVRHaveAlphaPremultiplied.load();
    pvr = nullptr;
    setAntiAliasTexParameters();
    return true;
}

// ---- class-wide settings ----

void KSTexture2D::setDefaultAlphaPixelFormat(KSTexture2DPixelFormat format) { gDefaultAlphaPixelFormat = format; }

KSTexture2DPixelFormat KSTexture2D::defaultAlphaPixelFormat()
{
    return static_cast<KSTexture2DPixelFormat>(gDefaultAlphaPixelFormat.load());
}

void KSTexture2D::PVRImagesHavePremultipliedAlpha(bool haveAlphaPremultiplied)
{
    gPVRHaveAlphaPremultiplied = haveAlphaPremultiplied;
}

// ---- accessors and drawing ----

Size KSTexture2D::contentSize() const
{
    float scale = ksContentScaleFactor();
    return Size(size_.width / scale, size_.height / scale);
}

void KSTexture2D::drawAtPoint(Point point) const
{
    const GLfloat coordinates[] = { 0.0f, maxT_, maxS_, maxT_, 0.0f, 0.0f, maxS_, 0.0f };
    const GLfloat width = static_cast<GLfloat>(width_) * maxS_;
    const GLfloat height = static_cast<GLfloat>(height_) * maxT_;
    const GLfloat vertices[] = {
        point.x, point.y, 0.0f,
        width + point.x, point.y, 0.0f,
        point.x, height + point.y, 0.0f,
        width + point.x, height + point.y, 0.0f,
    };
    glBindTexture(GL_TEXTURE_2D, name_);
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, coordinates);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void KSTexture2D::drawInRect(Rect rect) const
{
    const GLfloat coordinates[] = { 0.0f, maxT_, maxS_, maxT_, 0.0f, 0.0f, maxS_, 0.0f };
    const GLfloat vertices[] = {
        rect.origin.x, rect.origin.y,
        rect.origin.x + rect.size.width, rect.origin.y,
        rect.origin.x, rect.origin.y + rect.size.height,
        rect.origin.x + rect.size.width, rect.origin.y + rect.size.height,
    };
    glBindTexture(GL_TEXTURE_2D, name_);
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, coordinates);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void KSTexture2D::setTexParameters(const ksTexParams* params)
{
    BRISKO_ASSERT((width_ == ksNextPowerOfTwo(width_) && height_ == ksNextPowerOfTwo(height_))
                      || (params->wrapS == GL_CLAMP_TO_EDGE && params->wrapT == GL_CLAMP_TO_EDGE),
                  "GL_CLAMP_TO_EDGE should be used in NPOT textures");
    glBindTexture(GL_TEXTURE_2D, name_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(params->minFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(params->magFilter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(params->wrapS));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(params->wrapT));
}

void KSTexture2D::setAntiAliasTexParameters()
{
    ksTexParams params { GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE };
    setTexParameters(&params);
}

void KSTexture2D::setAliasTexParameters()
{
    ksTexParams params { GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE };
    setTexParameters(&params);
}

void KSTexture2D::generateMipmap()
{
    BRISKO_ASSERT(width_ == ksNextPowerOfTwo(width_) && height_ == ksNextPowerOfTwo(height_),
                  "Mimpap texture only works in POT textures");
    glBindTexture(GL_TEXTURE_2D, name_);
    if (auto generate = platform::glEntryPoints().generateMipmapOES)
        generate(GL_TEXTURE_2D);
}

std::string KSTexture2D::description() const
{
    return platform::format("<%s = %s | Name = %i | Dimensions = %ix%i | Coordinates = (%.2f, %.2f)>",
                            className().c_str(), platform::addressString(this).c_str(), static_cast<int>(name_),
                            static_cast<int>(width_), static_cast<int>(height_), maxS_, maxT_);
}

} // namespace kestrel
