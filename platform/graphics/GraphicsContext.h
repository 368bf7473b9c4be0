// A 2-D drawing context over a bitmap in memory (a Cairo image surface): the
// bitmap contexts that textures, text and the headless UI renderer draw into.
//
// Two layouts: RGBA (8 bits a component, premultiplied while drawing) and Gray8
// (one byte a pixel holding coverage, as an alpha-only bitmap). Coordinates are
// in pixels with the origin at the top-left corner, y growing downwards; the
// transform stack, paths, clips and fills follow the usual 2-D model, with
// linear gradients, image patterns and transparency layers, so that code above
// never needs Cairo itself. Caveat: pixelData() copies; keep calls out of
// per-frame loops.
#pragma once

#include "platform/foundation/Geometry.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Value.h"

#include <cstdint>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace platform {

class Image;

// One colour of a gradient at a position from 0 (start) to 1 (end); 0..1 components.
struct GradientStop {
    float location { 0 };
    float red { 0 };
    float green { 0 };
    float blue { 0 };
    float alpha { 1 };
};

class GraphicsContext : public Object {
public:
    enum class Format { RGBA, Gray8 };

    // A cleared (fully transparent) bitmap; empty when the size is 0, too large or
    // Cairo cannot allocate it.
    [[nodiscard]] static Ref<GraphicsContext> create(uint32_t width, uint32_t height, Format format);

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    Format format() const { return format_; }

    // The graphics state stack: transform, clip, line width and the fill and
    // stroke colours. A restore without a matching save (or one that would
    // cross the start of a transparency layer) does nothing.
    void save();
    void restore();
    void translate(float tx, float ty);
    void scale(float sx, float sy);
    void rotate(float radians);
    void concat(const AffineTransform& t);
    // The point moved to the nearest corner of a device pixel, in user space
    // (so that shapes drawn side by side meet on whole pixels).
    Point snapToPixel(Point p) const;

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

    // Paints the current clip with a linear gradient from start to end (user
    // space); beyond either end the end colour continues. Stops are sorted by
    // location; locations outside 0..1 are clamped. No stops: nothing is drawn.
    void drawLinearGradient(Point start, Point end, const std::vector<GradientStop>& stops);
    // Fills r with copies of the image at its own size (one image pixel a unit),
    // the first copy's top-left corner at r's origin (source-over).
    void drawTiledImage(const Image& image, const Rect& r);

    // Transparency layers: what is drawn between begin and end is composed
    // on its own, then put down at once at the given alpha (0..1), so
    // overlapping shapes inside the layer do not show through each other.
    // Layers nest; begin saves the graphics state and end restores it (saves
    // left open inside the layer are closed first). An end without a begin
    // does nothing.
    void beginTransparencyLayer();
    void endTransparencyLayer(float alpha);
    int transparencyLayerDepth() const;

    // The pixels top row first. RGBA: 4 bytes R, G, B, A per pixel, premultiplied or
    // not; Gray8: one byte per pixel.
    Bytes pixelData(bool premultiplied = true) const;
    // RGBA with every alpha byte 255: the drawing composited over opaque black, as a
    // bitmap with no alpha channel keeps it.
    Bytes opaquePixelData() const;
    // A snapshot as an image (Gray8 becomes an alpha-only mask).
    Ref<Image> makeImage() const;

private:
    GraphicsContext() = default;
    ~GraphicsContext() override;
    void setSource(const float (&c)[4]);
    // One saved state: the colours (Cairo keeps the rest) and whether it
    // opened a transparency layer.
    struct Saved {
        float fill[4];
        float stroke[4];
        bool layer;
    };
    void push(bool layer);
    void pop();

    uint32_t width_ { 0 };
    uint32_t height_ { 0 };
    Format format_ { Format::RGBA };
    cairo_surface_t* surface_ { nullptr };
    cairo_t* cr_ { nullptr };
    float fill_[4] { 0, 0, 0, 1 };
    float stroke_[4] { 0, 0, 0, 1 };
    std::vector<Saved> saved_;
};

} // namespace platform
