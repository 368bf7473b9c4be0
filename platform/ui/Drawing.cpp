// Drawing helpers shared by the views' chrome, their drawRect and the
// renderer's panels; everything goes through GraphicsContext.
#include "platform/ui/Drawing.h"

#include <algorithm>
#include <cmath>

namespace platform::ui::draw {

void setFill(GraphicsContext& g, const Color& c)
{
    g.setFillColor(c.red, c.green, c.blue, c.alpha);
}

void setStroke(GraphicsContext& g, const Color& c, float width)
{
    g.setStrokeColor(c.red, c.green, c.blue, c.alpha);
    g.setLineWidth(width);
}

void roundedRectPath(GraphicsContext& g, const Rect& r, float radius)
{
    radius = std::min({ radius, r.size.width / 2, r.size.height / 2 });
    g.beginPath();
    if (radius <= 0) {
        g.addRect(r);
        return;
    }
    const float pi = float(M_PI);
    g.moveTo(r.minX(), r.midY());
    g.addArc(r.minX() + radius, r.minY() + radius, radius, pi, 1.5f * pi, true);
    g.addArc(r.maxX() - radius, r.minY() + radius, radius, 1.5f * pi, 2 * pi, true);
    g.addArc(r.maxX() - radius, r.maxY() - radius, radius, 0, 0.5f * pi, true);
    g.addArc(r.minX() + radius, r.maxY() - radius, radius, 0.5f * pi, pi, true);
    g.closePath();
}

// Text in one line (or wrapped) inside rect, vertically centred.
void text(GraphicsContext& g, const std::string& s, const Font* font, const Rect& r, const Color& c, TextAlignment alignment,
          int maxLines, LineBreakMode mode)
{
    if (s.empty() || !font || r.size.width <= 0 || r.size.height <= 0)
        return;
    TextLayoutOptions o;
    o.width = r.size.width;
    o.height = r.size.height;
    o.maxLines = maxLines;
    o.lineBreakMode = mode;
    o.alignment = alignment;
    TextLayout layout = layoutText(s, *font, o);
    setFill(g, c);
    drawTextLayout(g, layout, *font, Point(r.origin.x, r.origin.y + std::round((r.size.height - layout.size.height) / 2)));
}

Ref<Font> systemFont(float size, bool bold)
{
    return bold ? Font::boldSystemFont(size) : Font::systemFont(size);
}

// A grey box with the image's name: art the build does not have.
void missingArt(GraphicsContext& g, const std::string& name, const Rect& r)
{
    if (r.size.width <= 0 || r.size.height <= 0)
        return;
    g.save();
    g.beginPath();
    g.addRect(r);
    g.clip();
    setFill(g, Color::white(0.78f));
    g.fillRect(r);
    setStroke(g, Color::white(0.55f));
    g.strokeRect(r.insetBy(0.5f, 0.5f));
    auto font = systemFont(std::clamp(r.size.height / 3, 6.f, 10.f));
    text(g, name, font.get(), r.insetBy(2, 1), Color::white(0.25f), TextAlignment::Center, 0, LineBreakMode::CharacterWrap);
    g.restore();
}

// Draws the image into r; with stretch caps the corners keep their size and
// the middle stretches.
void asset(GraphicsContext& g, ImageAsset* asset, const Rect& r)
{
    if (!asset || r.size.width <= 0 || r.size.height <= 0)
        return;
    Image* pixels = asset->image();
    if (!pixels || pixels->width() == 0 || pixels->height() == 0) {
        missingArt(g, asset->name(), r);
        return;
    }
    int lc = asset->leftCapWidth(), tc = asset->topCapHeight();
    if (lc == 0 && tc == 0) {
        g.drawImage(*pixels, r);
        return;
    }
    // The stretched part is the one column (row) after the cap; the rest of the
    // image is the right (bottom) cap.
    float iw = asset->size().width, ih = asset->size().height;
    float xs[4] = { 0, float(lc), lc ? float(lc + 1) : iw, iw };
    float ys[4] = { 0, float(tc), tc ? float(tc + 1) : ih, ih };
    float rightCap = xs[3] - xs[2], bottomCap = ys[3] - ys[2];
    // The pieces meet on whole pixels: two clips sharing a fraction of a pixel each cover it
    // only in part, and the background shows through as a seam.
    auto snapX = [&](float x) { return g.snapToPixel(Point(x, r.minY())).x; };
    auto snapY = [&](float y) { return g.snapToPixel(Point(r.minX(), y)).y; };
    float dx[4] = { r.minX(), snapX(r.minX() + xs[1]), snapX(r.maxX() - rightCap), r.maxX() };
    float dy[4] = { r.minY(), snapY(r.minY() + ys[1]), snapY(r.maxY() - bottomCap), r.maxY() };
    dx[2] = std::max(dx[2], dx[1]);
    dy[2] = std::max(dy[2], dy[1]);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            Rect src(xs[i], ys[j], xs[i + 1] - xs[i], ys[j + 1] - ys[j]);
            Rect dst(dx[i], dy[j], dx[i + 1] - dx[i], dy[j + 1] - dy[j]);
            if (src.size.width <= 0 || src.size.height <= 0 || dst.size.width <= 0 || dst.size.height <= 0)
                continue;
            // Draw the whole image scaled so that the source piece lands on dst, clipped to dst.
            float scaleX = dst.size.width / src.size.width, scaleY = dst.size.height / src.size.height;
            g.save();
            g.beginPath();
            g.addRect(dst);
            g.clip();
            g.drawImage(*pixels, Rect(dst.origin.x - src.origin.x * scaleX, dst.origin.y - src.origin.y * scaleY,
                                      iw * scaleX, ih * scaleY));
            g.restore();
        }
}

Rect contentRect(ContentMode mode, Size image, const Rect& b)
{
    float w = image.width, h = image.height;
    if (w <= 0 || h <= 0)
        return b;
    switch (mode) {
    case ContentMode::ScaleToFill:
    case ContentMode::Redraw: return b;
    case ContentMode::ScaleAspectFit:
    case ContentMode::ScaleAspectFill: {
        float s = mode == ContentMode::ScaleAspectFit ? std::min(b.size.width / w, b.size.height / h)
                                                      : std::max(b.size.width / w, b.size.height / h);
        return Rect(b.midX() - w * s / 2, b.midY() - h * s / 2, w * s, h * s);
    }
    case ContentMode::Center: return Rect(b.midX() - w / 2, b.midY() - h / 2, w, h);
    case ContentMode::Top: return Rect(b.midX() - w / 2, b.minY(), w, h);
    case ContentMode::Bottom: return Rect(b.midX() - w / 2, b.maxY() - h, w, h);
    case ContentMode::Left: return Rect(b.minX(), b.midY() - h / 2, w, h);
    case ContentMode::Right: return Rect(b.maxX() - w, b.midY() - h / 2, w, h);
    case ContentMode::TopLeft: return Rect(b.minX(), b.minY(), w, h);
    case ContentMode::TopRight: return Rect(b.maxX() - w, b.minY(), w, h);
    case ContentMode::BottomLeft: return Rect(b.minX(), b.maxY() - h, w, h);
    case ContentMode::BottomRight: return Rect(b.maxX() - w, b.maxY() - h, w, h);
    }
    return b;
}

void linearGradient(GraphicsContext& g, Point start, Point end, const std::vector<Color>& colors)
{
    std::vector<std::pair<float, Color>> stops;
    for (size_t i = 0; i < colors.size(); ++i)
        stops.emplace_back(colors.size() == 1 ? 0.f : float(i) / float(colors.size() - 1), colors[i]);
    linearGradient(g, start, end, stops);
}

void linearGradient(GraphicsContext& g, Point start, Point end, const std::vector<std::pair<float, Color>>& stops)
{
    std::vector<GradientStop> converted;
    for (const auto& [location, c] : stops)
        converted.push_back({ location, c.red, c.green, c.blue, c.alpha });
    g.drawLinearGradient(start, end, converted);
}

} // namespace platform::ui::draw
