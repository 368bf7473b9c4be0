// One GL ES texture object with its pixel size, the part of it that holds
// content (maxS/maxT) and whether its colours are premultiplied by alpha.
//
// Made from raw pixels, from an image (drawn into a power-of-two bitmap with
// the image at the top-left and repacked into the chosen 16- or 8-bit layout),
// or from PVR data. Caveat: every call needs a current GL context on the
// calling thread (the main one, or the texture cache's loader context), and
// the GL texture is deleted when the last reference goes, in the share group
// of the context it was made in.
#pragma once

#include "engine/ksTypes.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Weak.h"

#include <cstdint>
#include <string>

namespace platform {
class Font;
class GLShareGroup;
class Image;
} // namespace platform

namespace ttfont {
class TTFont;
}

namespace kestrel {

// The pixel layouts of textures made from raw data and images. PVR textures
// keep the value 0 (their layout is the PVR file's).
enum KSTexture2DPixelFormat : int32_t {
    kKSTexture2DPixelFormat_Automatic = 0,
    kKSTexture2DPixelFormat_RGBA8888 = 1,
    kKSTexture2DPixelFormat_RGB565 = 2,
    kKSTexture2DPixelFormat_A8 = 3,
    kKSTexture2DPixelFormat_RGBA4444 = 4,
    kKSTexture2DPixelFormat_RGB5A1 = 5,
    kKSTexture2DPixelFormat_Default = kKSTexture2DPixelFormat_RGBA8888,
};

// Text alignments of the string initialisers.
enum KSTextAlignment : int32_t { KSTextAlignmentLeft = 0, KSTextAlignmentCenter = 1, KSTextAlignmentRight = 2 };

class KSTexture2D : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSTexture2D> textureWithData(const void* data, KSTexture2DPixelFormat format,
                                                      uint32_t pixelsWide, uint32_t pixelsHigh, Size contentSize);
    [[nodiscard]] static platform::Ref<KSTexture2D> textureWithImage(const platform::Image* image);
    [[nodiscard]] static platform::Ref<KSTexture2D> textureWithString(const std::string& string, const std::string& fontName,
                                                        float fontSize);
    [[nodiscard]] static platform::Ref<KSTexture2D> textureWithString(const std::string& string, Size dimensions,
                                                        KSTextAlignment alignment, const std::string& fontName,
                                                        float fontSize);
    [[nodiscard]] static platform::Ref<KSTexture2D> textureWithPVRTCData(const void* data, int level, int bpp, bool hasAlpha,
                                                           int length);
    [[nodiscard]] static platform::Ref<KSTexture2D> textureWithPVRFile(const std::string& path);

    // The initialisers the factories run; each answers false on failure.
    [[nodiscard]] bool initWithData(const void* data, KSTexture2DPixelFormat format, uint32_t pixelsWide, uint32_t pixelsHigh,
                      Size contentSize);
    [[nodiscard]] bool initWithImage(const platform::Image* image);
    // Text drawn into an A8 texture, word-wrapped in (0, 0, dimensions) with the
    // alignment. The font is the platform font of that name, else the font
    // manager's bundle font; neither (or empty dimensions) fails. Without
    // dimensions the texture takes the size of the text on one line, centred.
    [[nodiscard]] bool initWithString(const std::string& string, const std::string& fontName, float fontSize);
    [[nodiscard]] bool initWithString(const std::string& string, Size dimensions, KSTextAlignment alignment,
                        const std::string& fontName, float fontSize);
    // Whether the text initialisers find a font of that name.
    static bool hasTextFont(const std::string& fontName, float fontSize);
    // The font must be given ("Invalid font").
    [[nodiscard]] bool initWithString(const std::string& string, Size dimensions, KSTextAlignment alignment,
                        const platform::Font* font);
    [[nodiscard]] bool initWithString(const std::string& string, Size dimensions, KSTextAlignment alignment,
                        const ttfont::TTFont* font);
    [[nodiscard]] bool initWithPVRTCData(const void* data, int level, int bpp, bool hasAlpha, int length);
    [[nodiscard]] bool initWithPVRFile(const std::string& path);

    // The class-wide format for images with alpha (initially RGBA8888).
    static void setDefaultAlphaPixelFormat(KSTexture2DPixelFormat format);
    static KSTexture2DPixelFormat defaultAlphaPixelFormat();
    // Whether PVR images have premultiplied alpha (initially false).
    static void PVRImagesHavePremultipliedAlpha(bool haveAlphaPremultiplied);
    // How many textures alive hold a GL texture: what a long-running game
    // watches to see that it lets go of the textures it no longer shows.
    static size_t liveTextureCount();

    GLuint name() const { return name_; }
    uint32_t pixelsWide() const { return width_; }
    uint32_t pixelsHigh() const { return height_; }
    KSTexture2DPixelFormat pixelFormat() const { return format_; }
    Size contentSizeInPixels() const { return size_; }
    Size contentSize() const;
    GLfloat maxS() const { return maxS_; }
    void setMaxS(GLfloat s) { maxS_ = s; }
    GLfloat maxT() const { return maxT_; }
    void setMaxT(GLfloat t) { maxT_ = t; }
    bool hasPremultipliedAlpha() const { return hasPremultipliedAlpha_; }

    void drawAtPoint(Point point) const;
    void drawInRect(Rect rect) const;

    void setTexParameters(const ksTexParams* params);
    void setAntiAliasTexParameters();
    void setAliasTexParameters();
    void generateMipmap();

    std::string className() const override { return "KSTexture2D"; }
    std::string description() const override;

protected:
    KSTexture2D() = default;
    ~KSTexture2D() override;

private:
    GLuint name_ { 0 };
    Size size_;
    uint32_t width_ { 0 };
    uint32_t height_ { 0 };
    KSTexture2DPixelFormat format_ { kKSTexture2DPixelFormat_Automatic };
    GLfloat maxS_ { 0 };
    GLfloat maxT_ { 0 };
    bool hasPremultipliedAlpha_ { false };
    // The share group of the context the name was made in (the name means
    // nothing in another group), when it was made in one of ours.
    bool madeInShareGroup_ { false };
    platform::Weak<platform::GLShareGroup> shareGroup_;

    // Counts the texture alive and notes the share group of its new name.
    void tookName();
    template <typename Draw>
    [[nodiscard]] bool initWithText(Size dimensions, const Draw& draw);
};

// The 16-bit repacking of one R, G, B, A pixel (exposed for tests and tools).
uint16_t ksPackRGB565(const uint8_t* rgba);
uint16_t ksPackRGBA4444(const uint8_t* rgba);
uint16_t ksPackRGB5A1(const uint8_t* rgba);

} // namespace kestrel
