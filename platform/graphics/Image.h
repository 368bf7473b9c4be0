// A decoded bitmap image: PNG and JPEG in and out.
//
// Pixels are held as 8-bit R, G, B, A (not premultiplied), top row first,
// whatever the file held; the attributes describe the file's own layout
// (bits per component, alpha, colour model) so that callers can choose a
// texture format from them. Caveat: decoding refuses images wider or higher
// than kMaxDimension, or with more than the given pixel budget, and any
// corrupt or truncated file; it answers empty with a reason, never crashes.
// Beyond the pixels, a file costs little whatever it holds: a PNG's text and
// suggested-palette chunks are skipped unread, any other chunk libpng keeps is
// at most kMaxPngChunk bytes once inflated and at most kMaxPngKeptChunks of
// them are kept; a JPEG of more than kMaxJpegScans scans is refused.
#pragma once

#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Where the alpha channel sits, as the platform's bitmap images describe it.
enum class ImageAlphaInfo {
    None,
    PremultipliedLast,
    PremultipliedFirst,
    Last,
    First,
    NoneSkipLast,
    NoneSkipFirst,
    Only,
};

// The colour space family; None is a mask (alpha only, no colour space).
enum class ImageColorModel { None, Gray, RGB };

class Image : public Object {
public:
    static constexpr uint32_t kMaxDimension = 16384;
    static constexpr uint64_t kDefaultMaxPixels = 64ull * 1024 * 1024;
    // What a PNG's ancillary chunks may cost (a colour profile is the largest kept).
    static constexpr uint32_t kMaxPngChunk = 1024 * 1024;
    static constexpr uint32_t kMaxPngKeptChunks = 32;
    // A progressive file has a dozen scans; each one more reads the whole picture again.
    static constexpr int kMaxJpegScans = 256;

    // PNG or JPEG, told apart by their signatures.
    [[nodiscard]] static Ref<Image> imageWithContentsOfFile(const std::string& path, std::string* error = nullptr);
    [[nodiscard]] static Ref<Image> imageWithData(const void* bytes, size_t length, std::string* error = nullptr,
                                    uint64_t maxPixels = kDefaultMaxPixels);
    // The width and height a PNG or JPEG file gives in its header, read
    // without decoding anything; nullopt when the header is not there.
    struct Dimensions {
        uint32_t width { 0 };
        uint32_t height { 0 };
    };
    static std::optional<Dimensions> dimensionsOfData(const void* bytes, size_t length);
    // Takes width x height x 4 bytes of unpremultiplied RGBA, top row first.
    [[nodiscard]] static Ref<Image> imageWithRGBA(uint32_t width, uint32_t height, Bytes rgba,
                                    ImageAlphaInfo alphaInfo = ImageAlphaInfo::Last,
                                    ImageColorModel colorModel = ImageColorModel::RGB,
                                    uint32_t bitsPerComponent = 8);

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    uint32_t bitsPerComponent() const { return bitsPerComponent_; }
    ImageAlphaInfo alphaInfo() const { return alphaInfo_; }
    ImageColorModel colorModel() const { return colorModel_; }
    bool hasAlpha() const;
    // width x height x 4 bytes: R, G, B, A, unpremultiplied, top row first.
    const Bytes& rgba() const { return rgba_; }

    // Encoded files; empty on failure. JPEG quality is 0..1.
    std::optional<Bytes> pngData() const;
    std::optional<Bytes> jpegData(float quality = 0.9f) const;
    bool writePNG(const std::string& path) const;
    bool writeJPEG(const std::string& path, float quality = 0.9f) const;

    std::string description() const override;

private:
    friend struct ImageDecoder;
    Image() = default;

    uint32_t width_ { 0 };
    uint32_t height_ { 0 };
    uint32_t bitsPerComponent_ { 8 };
    ImageAlphaInfo alphaInfo_ { ImageAlphaInfo::None };
    ImageColorModel colorModel_ { ImageColorModel::RGB };
    Bytes rgba_;
};

} // namespace platform
