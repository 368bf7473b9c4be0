// GraphicsContext on a Cairo image surface (ARGB32 or A8). Cairo keeps ARGB32
// premultiplied in native-endian 32-bit words; pixelData() converts to R, G, B, A
// byte order.
#include "platform/graphics/GraphicsContext.h"

#include "platform/graphics/Image.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstring>

namespace platform {

Ref<GraphicsContext> GraphicsContext::create(uint32_t width, uint32_t height, Format format)
{
    if (width == 0 || height == 0 || width > Image::kMaxDimension || height > Image::kMaxDimension)
        return nullptr;
    auto context = adoptRef(new GraphicsContext);
    context->width_ = width;
    context->height_ = height;
    context->format_ = format;
    context->surface_ = cairo_image_surface_create(format == Format::RGBA ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_A8,
                                                   static_cast<int>(width), static_cast<int>(height));
    if (cairo_surface_status(context->surface_) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    context->cr_ = cairo_create(context->surface_);
    if (cairo_status(context->cr_) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return context;
}

GraphicsContext::~GraphicsContext()
{
    if (cr_)
        cairo_destroy(cr_);
    if (surface_)
        cairo_surface_destroy(surface_);
}

void GraphicsContext::push(bool layer)
{
    Saved state {};
    std::copy(std::begin(fill_), std::end(fill_), state.fill);
    std::copy(std::begin(stroke_), std::end(stroke_), state.stroke);
    state.layer = layer;
    saved_.push_back(state);
}

void GraphicsContext::pop()
{
    const Saved& state = saved_.back();
    std::copy(std::begin(state.fill), std::end(state.fill), fill_);
    std::copy(std::begin(state.stroke), std::end(state.stroke), stroke_);
    saved_.pop_back();
}

void GraphicsContext::save()
{
    cairo_save(cr_);
    push(false);
}

void GraphicsContext::restore()
{
    // Cairo puts a context that restores past its saves into a lasting error.
    if (saved_.empty() || saved_.back().layer)
        return;
    cairo_restore(cr_);
    pop();
}
void GraphicsContext::translate(float tx, float ty) { cairo_translate(cr_, tx, ty); }
void GraphicsContext::scale(float sx, float sy) { cairo_scale(cr_, sx, sy); }
void GraphicsContext::rotate(float radians) { cairo_rotate(cr_, radians); }

Point GraphicsContext::snapToPixel(Point p) const
{
    double x = p.x, y = p.y;
    cairo_user_to_device(cr_, &x, &y);
    x = std::round(x);
    y = std::round(y);
    cairo_device_to_user(cr_, &x, &y);
    return Point(static_cast<float>(x), static_cast<float>(y));
}

void GraphicsContext::concat(const AffineTransform& t)
{
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_transform(cr_, &m);
}

void GraphicsContext::setFillColor(float r, float g, float b, float a)
{
    fill_[0] = r;
    fill_[1] = g;
    fill_[2] = b;
    fill_[3] = a;
}

void GraphicsContext::setStrokeColor(float r, float g, float b, float a)
{
    stroke_[0] = r;
    stroke_[1] = g;
    stroke_[2] = b;
    stroke_[3] = a;
}

void GraphicsContext::setLineWidth(float width) { cairo_set_line_width(cr_, width); }

void GraphicsContext::setSource(const float (&c)[4])
{
    cairo_set_source_rgba(cr_, c[0], c[1], c[2], c[3]);
}

void GraphicsContext::clear()
{
    cairo_save(cr_);
    cairo_identity_matrix(cr_);
    cairo_reset_clip(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

void GraphicsContext::clearRect(const Rect& r)
{
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
    cairo_fill(cr_);
    cairo_restore(cr_);
}

void GraphicsContext::fillRect(const Rect& r)
{
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
    setSource(fill_);
    cairo_fill(cr_);
}

void GraphicsContext::strokeRect(const Rect& r)
{
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
    setSource(stroke_);
    cairo_stroke(cr_);
}

void GraphicsContext::beginPath() { cairo_new_path(cr_); }
void GraphicsContext::moveTo(float x, float y) { cairo_move_to(cr_, x, y); }
void GraphicsContext::lineTo(float x, float y) { cairo_line_to(cr_, x, y); }
void GraphicsContext::curveTo(float c1x, float c1y, float c2x, float c2y, float x, float y) { cairo_curve_to(cr_, c1x, c1y, c2x, c2y, x, y); }
void GraphicsContext::addRect(const Rect& r) { cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height); }

void GraphicsContext::addArc(float cx, float cy, float radius, float startAngle, float endAngle, bool clockwise)
{
    // With y growing downwards, "clockwise" on screen is Cairo's positive direction.
    if (clockwise)
        cairo_arc(cr_, cx, cy, radius, startAngle, endAngle);
    else
        cairo_arc_negative(cr_, cx, cy, radius, startAngle, endAngle);
}

void GraphicsContext::closePath() { cairo_close_path(cr_); }

void GraphicsContext::fillPath()
{
    setSource(fill_);
    cairo_fill(cr_);
}

void GraphicsContext::strokePath()
{
    setSource(stroke_);
    cairo_stroke(cr_);
}

void GraphicsContext::clip() { cairo_clip(cr_); }

namespace {

// The image as a premultiplied ARGB32 surface (what Cairo draws from); null
// when it cannot be allocated. The caller destroys it.
cairo_surface_t* makeSurface(const Image& image)
{
    const uint32_t w = image.width(), h = image.height();
    cairo_surface_t* source = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w), static_cast<int>(h));
    if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(source);
        return nullptr;
    }
    cairo_surface_flush(source);
    unsigned char* base = cairo_image_surface_get_data(source);
    const int stride = cairo_image_surface_get_stride(source);
    const uint8_t* src = image.rgba().data();
    const bool opaque = !image.hasAlpha();
    for (uint32_t y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(base + static_cast<size_t>(y) * stride);
        for (uint32_t x = 0; x < w; ++x, src += 4) {
            uint32_t a = opaque ? 255 : src[3];
            uint32_t rr = (src[0] * a + 127) / 255, gg = (src[1] * a + 127) / 255, bb = (src[2] * a + 127) / 255;
            row[x] = (a << 24) | (rr << 16) | (gg << 8) | bb;
        }
    }
    cairo_surface_mark_dirty(source);
    return source;
}

} // namespace

void GraphicsContext::drawImage(const Image& image, const Rect& r)
{
    const uint32_t w = image.width(), h = image.height();
    if (w == 0 || h == 0 || r.size.width == 0 || r.size.height == 0)
        return;
    cairo_surface_t* source = makeSurface(image);
    if (!source)
        return;
    cairo_save(cr_);
    cairo_translate(cr_, r.origin.x, r.origin.y);
    cairo_scale(cr_, r.size.width / w, r.size.height / h);
    cairo_set_source_surface(cr_, source, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, 0, 0, w, h);
    cairo_fill(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(source);
}

void GraphicsContext::drawLinearGradient(Point start, Point end, const std::vector<GradientStop>& stops)
{
    if (stops.empty())
        return;
    std::vector<GradientStop> sorted = stops;
    std::stable_sort(sorted.begin(), sorted.end(), [](const GradientStop& a, const GradientStop& b) { return a.location < b.location; });
    cairo_pattern_t* gradient = cairo_pattern_create_linear(start.x, start.y, end.x, end.y);
    for (const GradientStop& stop : sorted)
        cairo_pattern_add_color_stop_rgba(gradient, std::clamp(stop.location, 0.f, 1.f), stop.red, stop.green, stop.blue, stop.alpha);
    cairo_pattern_set_extend(gradient, CAIRO_EXTEND_PAD);
    cairo_save(cr_);
    cairo_set_source(cr_, gradient);
    cairo_paint(cr_);
    cairo_restore(cr_);
    cairo_pattern_destroy(gradient);
}

void GraphicsContext::drawTiledImage(const Image& image, const Rect& r)
{
    if (image.width() == 0 || image.height() == 0 || r.size.width <= 0 || r.size.height <= 0)
        return;
    cairo_surface_t* source = makeSurface(image);
    if (!source)
        return;
    cairo_save(cr_);
    cairo_set_source_surface(cr_, source, r.origin.x, r.origin.y);
    cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_REPEAT);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
    cairo_fill(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(source);
}

void GraphicsContext::beginTransparencyLayer()
{
    cairo_push_group(cr_);
    push(true);
}

void GraphicsContext::endTransparencyLayer(float alpha)
{
    if (transparencyLayerDepth() == 0)
        return;
    while (!saved_.back().layer)
        restore();
    pop();
    cairo_pop_group_to_source(cr_);
    cairo_paint_with_alpha(cr_, std::clamp(alpha, 0.f, 1.f));
    // Leave no pattern behind as the source: fills set their own colour.
    cairo_set_source_rgba(cr_, 0, 0, 0, 1);
}

int GraphicsContext::transparencyLayerDepth() const
{
    return int(std::count_if(saved_.begin(), saved_.end(), [](const Saved& s) { return s.layer; }));
}

Bytes GraphicsContext::pixelData(bool premultiplied) const
{
    cairo_surface_flush(surface_);
    const unsigned char* base = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    if (format_ == Format::Gray8) {
        Bytes out(static_cast<size_t>(width_) * height_);
        for (uint32_t y = 0; y < height_; ++y)
            std::memcpy(out.data() + static_cast<size_t>(y) * width_, base + static_cast<size_t>(y) * stride, width_);
        return out;
    }
    Bytes out(static_cast<size_t>(width_) * height_ * 4);
    uint8_t* dst = out.data();
    for (uint32_t y = 0; y < height_; ++y) {
        auto* row = reinterpret_cast<const uint32_t*>(base + static_cast<size_t>(y) * stride);
        for (uint32_t x = 0; x < width_; ++x, dst += 4) {
            uint32_t p = row[x];
            uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (!premultiplied && a != 0 && a != 255) {
                r = (r * 255 + a / 2) / a;
                g = (g * 255 + a / 2) / a;
                b = (b * 255 + a / 2) / a;
            }
            dst[0] = static_cast<uint8_t>(r > 255 ? 255 : r);
            dst[1] = static_cast<uint8_t>(g > 255 ? 255 : g);
            dst[2] = static_cast<uint8_t>(b > 255 ? 255 : b);
            dst[3] = static_cast<uint8_t>(a);
        }
    }
    return out;
}

Bytes GraphicsContext::opaquePixelData() const
{
    Bytes out = pixelData(true);
    if (format_ == Format::RGBA)
        for (size_t i = 3; i < out.size(); i += 4)
            out[i] = 255;
    return out;
}

Ref<Image> GraphicsContext::makeImage() const
{
    if (format_ == Format::Gray8) {
        Bytes gray = pixelData();
        Bytes rgba(gray.size() * 4, 0);
        for (size_t i = 0; i < gray.size(); ++i)
            rgba[i * 4 + 3] = gray[i];
        return Image::imageWithRGBA(width_, height_, std::move(rgba), ImageAlphaInfo::Only, ImageColorModel::None);
    }
    return Image::imageWithRGBA(width_, height_, pixelData(false), ImageAlphaInfo::Last, ImageColorModel::RGB);
}

} // namespace platform
