// PVR version 2 texture files: header checks, mipmap splitting and upload.
// Every length the header states is checked against the bytes actually read,
// and every uncompressed level must hold the bytes its upload reads.
#include "engine/KSTexturePVR.h"

#include "engine/KSConfiguration.h"
#include "engine/Support/PointMath.h"
#include "engine/Support/Compression.h"
#include "platform/foundation/Text.h"
#include "platform/gl/GLExtensions.h"

#include <GLES/glext.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

namespace kestrel {

using platform::Ref;

namespace {

constexpr uint32_t kHeaderLength = 52;
constexpr GLenum kGLBGRA = 0x80E1;
constexpr GLenum kNone = static_cast<GLenum>(-1);

enum : uint32_t {
    kPVRTexturePixelTypeRGBA_4444 = 0x10,
    kPVRTexturePixelTypeRGBA_5551 = 0x11,
    kPVRTexturePixelTypeRGBA_8888 = 0x12,
    kPVRTexturePixelTypeRGB_565 = 0x13,
    kPVRTexturePixelTypeI_8 = 0x16,
    kPVRTexturePixelTypeAI_88 = 0x17,
    kPVRTexturePixelTypePVRTC_2 = 0x18,
    kPVRTexturePixelTypePVRTC_4 = 0x19,
    kPVRTexturePixelTypeBGRA_8888 = 0x1A,
    kPVRTexturePixelTypeA_8 = 0x1B,
};

struct FormatRow {
    uint32_t code;
    GLenum internalFormat;
    GLenum format;
    GLenum type;
    uint32_t bpp;
    bool compressed;
};

const FormatRow kTableFormats[] = {
    { kPVRTexturePixelTypeRGBA_4444, GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 16, false },
    { kPVRTexturePixelTypeRGBA_5551, GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, 16, false },
    { kPVRTexturePixelTypeRGBA_8888, GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, 32, false },
    { kPVRTexturePixelTypeRGB_565, GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 16, false },
    { kPVRTexturePixelTypeI_8, GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE, 8, false },
    { kPVRTexturePixelTypeAI_88, GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, 16, false },
    { kPVRTexturePixelTypePVRTC_2, GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG, kNone, kNone, 2, true },
    { kPVRTexturePixelTypePVRTC_4, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG, kNone, kNone, 4, true },
    { kPVRTexturePixelTypeBGRA_8888, GL_RGBA, kGLBGRA, GL_UNSIGNED_BYTE, 32, false },
    { kPVRTexturePixelTypeA_8, GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE, 8, false },
};
constexpr uint32_t kTableCount = sizeof kTableFormats / sizeof kTableFormats[0];

uint32_t readLE32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16
        | static_cast<uint32_t>(p[3]) << 24;
}

bool hasSuffix(const std::string& s, const char* suffix)
{
    std::string_view sv(s), suf(suffix);
    return sv.size() >= suf.size() && sv.substr(sv.size() - suf.size()) == suf;
}

} // namespace

Ref<KSTexturePVR> KSTexturePVR::pvrTextureWithContentsOfFile(const std::string& path)
{
    auto t = adoptRef(new KSTexturePVR);
    return t->initWithContentsOfFile(path) ? t : nullptr;
}

Ref<KSTexturePVR> KSTexturePVR::pvrTextureWithContentsOfURL(const std::string& url)
{
    auto t = adoptRef(new KSTexturePVR);
    return t->initWithContentsOfURL(url) ? t : nullptr;
}

bool KSTexturePVR::initWithContentsOfURL(const std::string& url)
{
    static const std::string scheme = "file://";
    if (url.compare(0, scheme.size(), scheme) != 0)
        return false;
    return initWithContentsOfFile(url.substr(scheme.size()));
}

bool KSTexturePVR::initWithContentsOfFile(const std::string& path)
{
    std::string lower = platform::asciiLowercased(path);
    unsigned char* raw = nullptr;
    int length;
    if (hasSuffix(lower, ".ksz"))
        length = ksInflateKSZFile(path.c_str(), &raw);
    else if (hasSuffix(lower, ".gz"))
        length = ksInflateGZipFile(path.c_str(), &raw);
    else
        length = ksLoadFileIntoMemory(path.c_str(), &raw);
    std::unique_ptr<unsigned char, decltype(&std::free)> data(raw, &std::free);
    if (length < 0 || !raw)
        return false;

    numberOfMipmaps_ = 0;
    name_ = 0;
    width_ = height_ = 0;
    tableFormatIndex_ = 0xFFFFFFFFu;
    hasAlpha_ = false;
    retainName_ = false;

    bool ok = unpackPVRData(data.get(), static_cast<uint32_t>(length)) && createGLTexture();
    // The level pointers point into the file data, which goes now.
    for (auto& level : mipmaps_)
        level = {};
    return ok;
}

bool KSTexturePVR::unpackPVRData(const unsigned char* data, uint32_t length)
{
    if (!data || length < kHeaderLength)
        return false;
    const unsigned char* tag = data + 44;
    if (tag[0] != 'P' || tag[1] != 'V' || tag[2] != 'R' || tag[3] != '!')
        return false;

    const uint32_t height = readLE32(data + 4);
    const uint32_t width = readLE32(data + 8);
    const uint32_t formatCode = readLE32(data + 16) & 0xFF;
    const uint32_t dataLength = readLE32(data + 20);
    const uint32_t alphaMask = readLE32(data + 40);

    // Zero sizes would pass the power-of-two test (the next power of two of 0 is 0).
    if (width == 0 || height == 0 || width != ksNextPowerOfTwo(width) || height != ksNextPowerOfTwo(height))
        return false;
    // The stated data must be in the file.
    if (dataLength > length - kHeaderLength)
        return false;

    uint32_t row = 0;
    while (row < kTableCount && kTableFormats[row].code != formatCode)
        ++row;
    if (row == kTableCount)
        return false;
    tableFormatIndex_ = row;

    numberOfMipmaps_ = 0;
    width_ = width;
    height_ = height;
    hasAlpha_ = alphaMask != 0;

    uint64_t offset = 0;
    uint64_t w = width, h = height;
    while (offset < dataLength) {
        uint64_t blockSize, widthBlocks, heightBlocks, bpp;
        switch (formatCode) {
        case kPVRTexturePixelTypePVRTC_4:
            blockSize = 4 * 4;
            widthBlocks = w / 4;
            heightBlocks = h / 4;
            bpp = 4;
            break;
        case kPVRTexturePixelTypePVRTC_2:
            blockSize = 8 * 4;
            widthBlocks = w / 8;
            heightBlocks = h / 4;
            bpp = 2;
            break;
        case kPVRTexturePixelTypeBGRA_8888:
            if (!KSConfiguration::sharedConfiguration()->supportsBGRA8888())
                return false;
            [[fallthrough]];
        default:
            blockSize = 1;
            widthBlocks = w;
            heightBlocks = h;
            bpp = kTableFormats[row].bpp;
            break;
        }
        widthBlocks = std::max<uint64_t>(widthBlocks, 2);
        heightBlocks = std::max<uint64_t>(heightBlocks, 2);
        const uint64_t dataSize = widthBlocks * heightBlocks * ((blockSize * bpp) / 8);
        const uint64_t packetLength = std::min<uint64_t>(dataLength - offset, dataSize);

        // More levels than a texture can have: the file is bad, not the program.
        if (numberOfMipmaps_ >= KS_PVRMIPMAP_MAX)
            return false;
        mipmaps_[numberOfMipmaps_].address = data + kHeaderLength + offset;
        mipmaps_[numberOfMipmaps_].len = static_cast<uint32_t>(packetLength);
        numberOfMipmaps_++;

        offset += packetLength;
        w = std::max<uint64_t>(w >> 1, 1);
        h = std::max<uint64_t>(h >> 1, 1);
    }
    // No pixel data would make a "texture" without a GL name.
    return numberOfMipmaps_ > 0;
}

bool KSTexturePVR::createGLTexture()
{
    if (tableFormatIndex_ >= kTableCount)
        return false;
    const FormatRow& format = kTableFormats[tableFormatIndex_];
    GLsizei width = static_cast<GLsizei>(width_), height = static_cast<GLsizei>(height_);

    if (numberOfMipmaps_ > 0) {
        if (name_ != 0)
            glDeleteTextures(1, &name_);
        name_ = 0;
        glGenTextures(1, &name_);
        glBindTexture(GL_TEXTURE_2D, name_);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    for (int i = 0; i < numberOfMipmaps_; ++i) {
        if (format.compressed && !KSConfiguration::sharedConfiguration()->supportsPVRTC())
            return false;
        const KSPVRMipmap& level = mipmaps_[i];
        platform::drainGLErrors();
        if (format.compressed) {
            glCompressedTexImage2D(GL_TEXTURE_2D, i, format.internalFormat, width, height, 0,
                                   static_cast<GLsizei>(level.len), level.address);
        } else {
            // glTexImage2D reads width x height pixels whatever the file holds: a short
            // level (data ending inside it) would be read past its end.
            const uint64_t needed = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * format.bpp / 8;
            if (level.len < needed)
                return false;
            glTexImage2D(GL_TEXTURE_2D, i, static_cast<GLint>(format.internalFormat), width, height, 0, format.format,
                         format.type, level.address);
        }
        if (platform::takeGLError() != GL_NO_ERROR)
            return false;
        width = std::max(width >> 1, 1);
        height = std::max(height >> 1, 1);
    }
    return true;
}

KSTexturePVR::~KSTexturePVR()
{
    if (name_ != 0 && !retainName_)
        glDeleteTextures(1, &name_);
}

} // namespace kestrel
