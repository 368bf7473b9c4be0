// A texture file in the PVR version 2 format (plain, ".gz" or ".ksz"): the
// 52-byte header is checked against ten supported layouts, the data is split
// into mipmap levels and every level is uploaded into one GL texture.
//
// Caveat: a bad file (short, wrong tag, sizes that are not powers of two,
// data lengths beyond the file, levels shorter than their upload reads, an
// unsupported layout) answers nil, never a crash. Set retainName to hand the
// GL texture to another owner before this object goes.
#pragma once

#include "platform/foundation/Object.h"

#include <GLES/gl.h>

#include <cstdint>
#include <string>

namespace kestrel {

inline constexpr int KS_PVRMIPMAP_MAX = 16;

struct KSPVRMipmap {
    const unsigned char* address { nullptr };
    uint32_t len { 0 };
};

class KSTexturePVR : public platform::Object {
public:
    [[nodiscard]] static platform::Ref<KSTexturePVR> pvrTextureWithContentsOfFile(const std::string& path);
    // A "file://" URL; nil for any other scheme.
    [[nodiscard]] static platform::Ref<KSTexturePVR> pvrTextureWithContentsOfURL(const std::string& url);

    [[nodiscard]] bool initWithContentsOfFile(const std::string& path);
    [[nodiscard]] bool initWithContentsOfURL(const std::string& url);

    // Steps of the initialiser, public for tests of the header checks.
    bool unpackPVRData(const unsigned char* data, uint32_t length);
    bool createGLTexture();

    GLuint name() const { return name_; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    bool hasAlpha() const { return hasAlpha_; }
    bool retainName() const { return retainName_; }
    void setRetainName(bool retain) { retainName_ = retain; }
    int numberOfMipmaps() const { return numberOfMipmaps_; }
    const KSPVRMipmap& mipmap(int i) const { return mipmaps_[i]; }

    std::string className() const override { return "KSTexturePVR"; }

protected:
    KSTexturePVR() = default;
    ~KSTexturePVR() override;

private:
    KSPVRMipmap mipmaps_[KS_PVRMIPMAP_MAX] {};
    int numberOfMipmaps_ { 0 };
    uint32_t tableFormatIndex_ { 0xFFFFFFFFu };
    uint32_t width_ { 0 };
    uint32_t height_ { 0 };
    GLuint name_ { 0 };
    bool hasAlpha_ { false };
    bool retainName_ { false };
};

} // namespace kestrel
