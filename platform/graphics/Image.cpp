// PNG (libpng) and JPEG (libjpeg) decoding into 8-bit RGBA, and encoding back.
//
// Both libraries report errors by longjmp: every decode keeps its state in a
// heap record that is set up before setjmp and only reached through a pointer,
// so nothing the jump crosses is left half-made.
#include "platform/graphics/Image.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Format.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

namespace platform {

namespace {

bool setError(std::string* error, std::string reason)
{
    if (error)
        *error = std::move(reason);
    return false;
}

bool dimensionsAllowed(uint64_t width, uint64_t height, uint64_t maxPixels, std::string* error)
{
    if (width == 0 || height == 0)
        return setError(error, "image has no pixels");
    if (width > Image::kMaxDimension || height > Image::kMaxDimension)
        return setError(error, format("image of %llux%llu exceeds %u pixels a side",
                                      static_cast<unsigned long long>(width), static_cast<unsigned long long>(height),
                                      Image::kMaxDimension));
    if (width * height > maxPixels)
        return setError(error, "image has too many pixels");
    return true;
}

// ---- PNG ----

struct PngReadState {
    const uint8_t* bytes { nullptr };
    size_t length { 0 };
    size_t offset { 0 };
    char message[200] {};
    std::vector<png_bytep> rows;
    Bytes pixels;
};

void pngRead(png_structp png, png_bytep out, png_size_t count)
{
    auto* state = static_cast<PngReadState*>(png_get_io_ptr(png));
    if (count > state->length - state->offset)
        png_error(png, "truncated file");
    std::memcpy(out, state->bytes + state->offset, count);
    state->offset += count;
}

void pngError(png_structp png, png_const_charp message)
{
    auto* state = static_cast<PngReadState*>(png_get_error_ptr(png));
    if (state)
        std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) { }

} // namespace

// Lives outside the anonymous namespace so that it may fill Image's fields.
struct ImageDecoder {
    static Ref<Image> png(const uint8_t* bytes, size_t length, std::string* error, uint64_t maxPixels)
    {
        auto state = std::make_unique<PngReadState>();
        PngReadState* const s = state.get();
        s->bytes = bytes;
        s->length = length;
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, s, pngError, pngWarning);
        if (!png) {
            setError(error, "PNG: out of memory");
            return nullptr;
        }
        png_infop info = png_create_info_struct(png);
        png_infop* const infoSlot = &info;
        auto image = adoptRef(new Image);
        Image* const out = image.get();
        if (!info || setjmp(png_jmpbuf(png))) {
            png_destroy_read_struct(&png, infoSlot, nullptr);
            setError(error, std::string("PNG: ") + (s->message[0] ? s->message : "cannot decode"));
            return nullptr;
        }
        png_set_read_fn(png, s, pngRead);
        png_set_user_limits(png, Image::kMaxDimension, Image::kMaxDimension);
        // Text chunks (compressed ones inflate up to the chunk bound, as many
        // as a file holds) and suggested palettes are nothing a texture uses:
        // skipped without being inflated or kept.
        static const png_byte ignored[] = "tEXt\0zTXt\0iTXt\0sPLT";
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, ignored, 4);
        png_set_chunk_malloc_max(png, Image::kMaxPngChunk);
        png_set_chunk_cache_max(png, Image::kMaxPngKeptChunks);
        png_read_info(png, info);
        png_uint_32 width = png_get_image_width(png, info);
        png_uint_32 height = png_get_image_height(png, info);
        int colorType = png_get_color_type(png, info);
        int bitDepth = png_get_bit_depth(png, info);
        if (!dimensionsAllowed(width, height, maxPixels, error)) {
            png_destroy_read_struct(&png, infoSlot, nullptr);
            return nullptr;
        }
        bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
        out->width_ = width;
        out->height_ = height;
        out->bitsPerComponent_ = colorType == PNG_COLOR_TYPE_PALETTE ? 8 : static_cast<uint32_t>(bitDepth);
        out->colorModel_ = (colorType & PNG_COLOR_MASK_COLOR) ? ImageColorModel::RGB : ImageColorModel::Gray;
        out->alphaInfo_ = hasAlpha ? ImageAlphaInfo::Last : ImageAlphaInfo::None;

        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4)
            png_error(png, "unexpected row layout");
        s->pixels.resize(static_cast<size_t>(width) * height * 4);
        s->rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y)
            s->rows[y] = s->pixels.data() + static_cast<size_t>(y) * width * 4;
        png_read_image(png, s->rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, infoSlot, nullptr);
        out->rgba_ = std::move(s->pixels);
        return image;
    }

    static Ref<Image> jpeg(const uint8_t* bytes, size_t length, std::string* error, uint64_t maxPixels);
};

namespace {

// ---- JPEG ----

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX] {};
    bool truncated { false };
};

void jpegErrorExit(j_common_ptr info)
{
    auto* e = reinterpret_cast<JpegError*>(info->err);
    info->err->format_message(info, e->message);
    std::longjmp(e->jump, 1);
}

void jpegSilent(j_common_ptr) { }

// Warnings are quiet, but a file that ends early is refused rather than padded.
void jpegEmit(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegError*>(info->err)->truncated = true;
}

struct JpegReadState {
    jpeg_decompress_struct info {};
    JpegError error {};
    jpeg_progress_mgr progress {};
    Bytes pixels;
    Bytes row;
    bool created { false };
};

// Each scan is a pass over the whole picture: a file repeating one scan
// endlessly would hold its reader for seconds. libjpeg tells its progress
// after every scan it takes in.
void jpegProgress(j_common_ptr common)
{
    auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > Image::kMaxJpegScans) {
        auto* e = reinterpret_cast<JpegError*>(common->err);
        std::snprintf(e->message, sizeof e->message, "more than %d scans", Image::kMaxJpegScans);
        std::longjmp(e->jump, 1);
    }
}

} // namespace

Ref<Image> ImageDecoder::jpeg(const uint8_t* bytes, size_t length, std::string* error, uint64_t maxPixels)
{
    auto state = std::make_unique<JpegReadState>();
    JpegReadState* const s = state.get();
    s->info.err = jpeg_std_error(&s->error.manager);
    s->error.manager.error_exit = jpegErrorExit;
    s->error.manager.output_message = jpegSilent;
    s->error.manager.emit_message = jpegEmit;
    auto image = adoptRef(new Image);
    Image* const out = image.get();
    if (setjmp(s->error.jump)) {
        if (s->created)
            jpeg_destroy_decompress(&s->info);
        setError(error, std::string("JPEG: ") + (s->error.message[0] ? s->error.message : "cannot decode"));
        return nullptr;
    }
    jpeg_create_decompress(&s->info);
    s->created = true;
    s->progress.progress_monitor = jpegProgress;
    s->info.progress = &s->progress;
    jpeg_mem_src(&s->info, bytes, static_cast<unsigned long>(length));
    jpeg_read_header(&s->info, TRUE);
    if (!dimensionsAllowed(s->info.image_width, s->info.image_height, maxPixels, error)) {
        jpeg_destroy_decompress(&s->info);
        return nullptr;
    }
    J_COLOR_SPACE space = s->info.jpeg_color_space;
    bool cmyk = space == JCS_CMYK || space == JCS_YCCK;
    s->info.out_color_space = space == JCS_GRAYSCALE ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&s->info);
    const uint32_t width = s->info.output_width;
    const uint32_t height = s->info.output_height;
    const int components = s->info.output_components;
    if (!dimensionsAllowed(width, height, maxPixels, error) || components < 1 || components > 4) {
        jpeg_destroy_decompress(&s->info);
        if (components < 1 || components > 4)
            setError(error, "JPEG: unsupported component count");
        return nullptr;
    }
    s->pixels.resize(static_cast<size_t>(width) * height * 4);
    s->row.resize(static_cast<size_t>(width) * components);
    // Adobe files store CMYK inverted.
    const bool inverted = s->info.saw_Adobe_marker;
    while (s->info.output_scanline < height) {
        uint32_t y = s->info.output_scanline;
        JSAMPROW row = s->row.data();
        if (jpeg_read_scanlines(&s->info, &row, 1) != 1)
            break;
        uint8_t* dst = s->pixels.data() + static_cast<size_t>(y) * width * 4;
        for (uint32_t x = 0; x < width; ++x, dst += 4) {
            const uint8_t* p = row + static_cast<size_t>(x) * components;
            if (components == 1) {
                dst[0] = dst[1] = dst[2] = p[0];
            } else if (components == 4) {
                int k = inverted ? p[3] : 255 - p[3];
                for (int c = 0; c < 3; ++c) {
                    int v = inverted ? p[c] : 255 - p[c];
                    dst[c] = static_cast<uint8_t>(v * k / 255);
                }
            } else {
                dst[0] = p[0];
                dst[1] = p[1];
                dst[2] = p[2];
            }
            dst[3] = 255;
        }
    }
    if (s->error.truncated) {
        jpeg_destroy_decompress(&s->info);
        setError(error, "JPEG: truncated file");
        return nullptr;
    }
    jpeg_finish_decompress(&s->info);
    jpeg_destroy_decompress(&s->info);
    out->width_ = width;
    out->height_ = height;
    out->bitsPerComponent_ = 8;
    out->alphaInfo_ = ImageAlphaInfo::None;
    out->colorModel_ = components == 1 ? ImageColorModel::Gray : ImageColorModel::RGB;
    out->rgba_ = std::move(s->pixels);
    return image;
}

Ref<Image> Image::imageWithData(const void* bytes, size_t length, std::string* error, uint64_t maxPixels)
{
    auto* p = static_cast<const uint8_t*>(bytes);
    static const uint8_t pngSignature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    if (p && length >= 8 && std::memcmp(p, pngSignature, 8) == 0)
        return ImageDecoder::png(p, length, error, maxPixels);
    if (p && length >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF)
        return ImageDecoder::jpeg(p, length, error, maxPixels);
    setError(error, "not a PNG or JPEG image");
    return nullptr;
}

std::optional<Image::Dimensions> Image::dimensionsOfData(const void* bytes, size_t length)
{
    auto* p = static_cast<const uint8_t*>(bytes);
    auto be16 = [p](size_t at) { return static_cast<uint32_t>(p[at] << 8 | p[at + 1]); };
    auto be32 = [&](size_t at) { return be16(at) << 16 | be16(at + 2); };
    static const uint8_t pngSignature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    // PNG: the signature, then the IHDR chunk (length, type, width, height).
    if (p && length >= 24 && std::memcmp(p, pngSignature, 8) == 0) {
        if (std::memcmp(p + 12, "IHDR", 4) != 0)
            return std::nullopt;
        return Dimensions { be32(16), be32(20) };
    }
    if (!p || length < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return std::nullopt;
    // JPEG: segments after the start-of-image marker, up to a start-of-frame
    // one (precision, height, width); SOF4, SOF8 and SOF12 are other markers.
    size_t at = 2;
    while (at + 4 <= length) {
        if (p[at] != 0xFF)
            return std::nullopt;
        const uint8_t marker = p[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length
            at += 2;
            continue;
        }
        const uint32_t segment = be16(at + 2);
        if (segment < 2)
            return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > length)
                return std::nullopt;
            return Dimensions { be16(at + 7), be16(at + 5) };
        }
        at += 2 + segment;
    }
    return std::nullopt;
}

Ref<Image> Image::imageWithContentsOfFile(const std::string& path, std::string* error)
{
    std::optional<Bytes> data = path::readFile(path);
    if (!data) {
        setError(error, "cannot open " + path);
        return nullptr;
    }
    return imageWithData(data->data(), data->size(), error);
}

Ref<Image> Image::imageWithRGBA(uint32_t width, uint32_t height, Bytes rgba, ImageAlphaInfo alphaInfo,
                                ImageColorModel colorModel, uint32_t bitsPerComponent)
{
    if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension
        || rgba.size() != static_cast<size_t>(width) * height * 4)
        return nullptr;
    auto image = adoptRef(new Image);
    image->width_ = width;
    image->height_ = height;
    image->alphaInfo_ = alphaInfo;
    image->colorModel_ = colorModel;
    image->bitsPerComponent_ = bitsPerComponent;
    image->rgba_ = std::move(rgba);
    return image;
}

bool Image::hasAlpha() const
{
    switch (alphaInfo_) {
    case ImageAlphaInfo::PremultipliedLast:
    case ImageAlphaInfo::PremultipliedFirst:
    case ImageAlphaInfo::Last:
    case ImageAlphaInfo::First:
    case ImageAlphaInfo::Only:
        return true;
    default:
        return false;
    }
}

namespace {

struct PngWriteState {
    Bytes out;
    std::vector<Bytes> rows;
    std::vector<png_bytep> rowPointers;
};

void pngWrite(png_structp png, png_bytep data, png_size_t length)
{
    auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
    state->out.insert(state->out.end(), data, data + length);
}

void pngFlush(png_structp) { }

void pngWriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

} // namespace

std::optional<Bytes> Image::pngData() const
{
    auto state = std::make_unique<PngWriteState>();
    PngWriteState* const s = state.get();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngWriteError, pngWarning);
    if (!png)
        return std::nullopt;
    png_infop info = png_create_info_struct(png);
    png_infop* const infoSlot = &info;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, infoSlot);
        return std::nullopt;
    }
    const bool alpha = hasAlpha();
    const bool gray = colorModel_ == ImageColorModel::Gray;
    const int channels = (gray ? 1 : 3) + (alpha ? 1 : 0);
    int colorType = gray ? (alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY)
                         : (alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
    s->rows.resize(height_);
    s->rowPointers.resize(height_);
    for (uint32_t y = 0; y < height_; ++y) {
        Bytes& row = s->rows[y];
        row.resize(static_cast<size_t>(width_) * channels);
        const uint8_t* src = rgba_.data() + static_cast<size_t>(y) * width_ * 4;
        uint8_t* dst = row.data();
        for (uint32_t x = 0; x < width_; ++x, src += 4) {
            if (gray) {
                *dst++ = src[0];
            } else {
                *dst++ = src[0];
                *dst++ = src[1];
                *dst++ = src[2];
            }
            if (alpha)
                *dst++ = src[3];
        }
        s->rowPointers[y] = row.data();
    }
    png_set_write_fn(png, s, pngWrite, pngFlush);
    png_set_IHDR(png, info, width_, height_, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, s->rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, infoSlot);
    return std::move(s->out);
}

std::optional<Bytes> Image::jpegData(float quality) const
{
    struct State {
        jpeg_compress_struct info {};
        JpegError error {};
        unsigned char* buffer { nullptr };
        unsigned long size { 0 };
        Bytes row;
        bool created { false };
    };
    auto state = std::make_unique<State>();
    State* const s = state.get();
    s->info.err = jpeg_std_error(&s->error.manager);
    s->error.manager.error_exit = jpegErrorExit;
    s->error.manager.output_message = jpegSilent;
    if (setjmp(s->error.jump)) {
        if (s->created)
            jpeg_destroy_compress(&s->info);
        std::free(s->buffer);
        return std::nullopt;
    }
    jpeg_create_compress(&s->info);
    s->created = true;
    jpeg_mem_dest(&s->info, &s->buffer, &s->size);
    const bool gray = colorModel_ == ImageColorModel::Gray;
    s->info.image_width = width_;
    s->info.image_height = height_;
    s->info.input_components = gray ? 1 : 3;
    s->info.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&s->info);
    int q = static_cast<int>(quality * 100.0f + 0.5f);
    jpeg_set_quality(&s->info, q < 1 ? 1 : q > 100 ? 100 : q, TRUE);
    jpeg_start_compress(&s->info, TRUE);
    s->row.resize(static_cast<size_t>(width_) * s->info.input_components);
    while (s->info.next_scanline < height_) {
        const uint8_t* src = rgba_.data() + static_cast<size_t>(s->info.next_scanline) * width_ * 4;
        uint8_t* dst = s->row.data();
        for (uint32_t x = 0; x < width_; ++x, src += 4) {
            *dst++ = src[0];
            if (!gray) {
                *dst++ = src[1];
                *dst++ = src[2];
            }
        }
        JSAMPROW row = s->row.data();
        jpeg_write_scanlines(&s->info, &row, 1);
    }
    jpeg_finish_compress(&s->info);
    Bytes out(s->buffer, s->buffer + s->size);
    jpeg_destroy_compress(&s->info);
    std::free(s->buffer);
    return out;
}

namespace {

bool writeAll(const std::string& path, const std::optional<Bytes>& data)
{
    if (!data)
        return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data->data(), 1, data->size(), f) == data->size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

} // namespace

bool Image::writePNG(const std::string& path) const { return writeAll(path, pngData()); }
bool Image::writeJPEG(const std::string& path, float quality) const { return writeAll(path, jpegData(quality)); }

std::string Image::description() const
{
    return format("<Image = %s | %ux%u>", addressString(this).c_str(), width_, height_);
}

} // namespace platform
