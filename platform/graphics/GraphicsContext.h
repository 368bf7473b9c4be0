// A 2-D drawing context over a bitmap in memory (a Cairo image surface): the
// bitmap contexts that textures, text and the headless UI renderer draw into.
//
// Two layouts: RGBA (8 bits a component, premultiplied while drawing) and Gray8
// (one byte a pixel holding coverage, as an alpha-only bitmap). Coordinates are
// in pixels with the origin at the top-left corner, y growing downwards; the
// transform stack, paths, clips and fills follow the usual 2-D model. Caveat:
// pixelData() copies; keep calls out of per-frame loops.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <cstdint>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace platform {

class Image;

class GraphicsContext : public Object {
public:
    enum class Format { RGBA, Gray8 };

    // A cleared (fully transparent) bitmap; empty when the size is 0, too large or
    // Cairo cannot allocate it.
    static Ref<GraphicsContext> create(uint32_t width, uint32_t height, Format format);

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    Format format() const { return format_; }

    // Transform stack.
    void save();
    void restore();
    void translate(float tx, float ty);
    void scale(float sx, float sy);
    void rotate(float radians);
    void concat(const AffineTransform& t);

    // Colours are 0..1 components (grey contexts use the alpha and ignore colour).
    void setFillColor(float r, float g, float b, float a);
    void setStrokeColor(float r, float g, float b, float a);
    void setLineWidth(float width);

    void clear();
    void clearRect(const Rect& r);
    void fillRect(const Rect& r);
    void strokeRect(const Rect& r);

    // Paths: built, then filled, stroked or made the clip (each consumes the path).
    void beginPath();
    void moveTo(float x, float y);
    void lineTo(float x, float y);
    // A cubic Bezier curve from the current point through two control points.
    void curveTo(float c1x, float c1y, float c2x, float c2y, float x, float y);
    void addRect(const Rect& r);
    void addArc(float cx, float cy, float radius, float startAngle, float endAngle, bool clockwise);
    void closePath();
    void fillPath();
    void strokePath();
    void clip();

    // Draws the image scaled into r (source-over).
    void drawImage(const Image& image, const Rect& r);

    // The pixels top row first. RGBA: 4 bytes R, G, B, A per pixel, premultiplied or
    // not; Gray8: one byte per pixel.
    Bytes pixelData(bool premultiplied = true) const;
    // RGBA with every alpha byte 255: the drawing composited over opaque black, as a
    // bitmap with no alpha channel keeps it.
    Bytes opaquePixelData() const;
    // A snapshot as an image (Gray8 becomes an alpha-only mask).
    Ref<Image> makeImage() const;

    // For the text engine, which draws glyphs through Cairo directly.
    cairo_t* cairo() const { return cr_; }

private:
    GraphicsContext() = default;
    ~GraphicsContext() override;
    void setSource(const float (&c)[4]);

    uint32_t width_ { 0 };
    uint32_t height_ { 0 };
    Format format_ { Format::RGBA };
    cairo_surface_t* surface_ { nullptr };
    cairo_t* cr_ { nullptr };
    float fill_[4] { 0, 0, 0, 1 };
    float stroke_[4] { 0, 0, 0, 1 };
};

} // namespace platform
