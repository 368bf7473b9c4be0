// Drawing helpers of the kit's custom views, on the platform graphics context.
#include "social/ui/QVKitDrawing.h"

#include <algorithm>
#include <cmath>

namespace quorvel::QVKitDrawing {

using platform::GraphicsContext;
using platform::Rect;

void addRoundedRectPath(GraphicsContext& g, const Rect& rect, float radius)
{
    float r = std::min({ radius, rect.size.width / 2, rect.size.height / 2 });
    float x0 = rect.minX(), y0 = rect.minY(), x1 = rect.maxX(), y1 = rect.maxY();
    const float pi = 3.14159265f;
    g.beginPath();
    g.moveTo(x0, rect.midY());
    g.addArc(x0 + r, y0 + r, r, pi, 1.5f * pi, true);
    g.addArc(x1 - r, y0 + r, r, 1.5f * pi, 2 * pi, true);
    g.addArc(x1 - r, y1 - r, r, 0, 0.5f * pi, true);
    g.addArc(x0 + r, y1 - r, r, 0.5f * pi, pi, true);
    g.closePath();
}

void drawStretchedImage(GraphicsContext& g, platform::ui::ImageAsset* asset, const Rect& r)
{
    if (!asset || !asset->image() || r.size.width <= 0 || r.size.height <= 0)
        return;
    const platform::Image& pixels = *asset->image();
    int lc = asset->leftCapWidth(), tc = asset->topCapHeight();
    if (lc == 0 && tc == 0) {
        g.drawImage(pixels, r);
        return;
    }
    // The one column (row) after the cap stretches; the rest is the far cap.
    float iw = asset->size().width, ih = asset->size().height;
    float xs[4] = { 0, float(lc), lc ? float(lc + 1) : iw, iw };
    float ys[4] = { 0, float(tc), tc ? float(tc + 1) : ih, ih };
    float dx[4] = { r.minX(), r.minX() + xs[1], r.maxX() - (xs[3] - xs[2]), r.maxX() };
    float dy[4] = { r.minY(), r.minY() + ys[1], r.maxY() - (ys[3] - ys[2]), r.maxY() };
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            Rect src(xs[i], ys[j], xs[i + 1] - xs[i], ys[j + 1] - ys[j]);
            Rect dst(dx[i], dy[j], dx[i + 1] - dx[i], dy[j + 1] - dy[j]);
            if (src.size.width <= 0 || src.size.height <= 0 || dst.size.width <= 0 || dst.size.height <= 0)
                continue;
            float sx = dst.size.width / src.size.width, sy = dst.size.height / src.size.height;
            g.save();
            g.beginPath();
            g.addRect(dst);
            g.clip();
            g.drawImage(pixels, Rect(dst.minX() - src.minX() * sx, dst.minY() - src.minY() * sy, iw * sx, ih * sy));
            g.restore();
        }
    }
}

void drawTiledImage(GraphicsContext& g, const platform::Image& image, const Rect& rect)
{
    float w = static_cast<float>(image.width()), h = static_cast<float>(image.height());
    if (w <= 0 || h <= 0 || rect.size.width <= 0 || rect.size.height <= 0)
        return;
    g.save();
    g.beginPath();
    g.addRect(rect);
    g.clip();
    for (float y = rect.minY(); y < rect.maxY(); y += h) {
        for (float x = rect.minX(); x < rect.maxX(); x += w)
            g.drawImage(image, Rect(x, y, w, h));
    }
    g.restore();
}

void drawLinearGradient(GraphicsContext& g, const Rect& clipRect, platform::Point start, platform::Point end,
                        const platform::ui::Color& a, const platform::ui::Color& b)
{
    float vx = end.x - start.x, vy = end.y - start.y;
    float length = std::sqrt(vx * vx + vy * vy);
    if (length <= 0)
        return;
    float ux = vx / length, uy = vy / length; // along the gradient
    float px = -uy, py = ux;                  // across it
    float reach = clipRect.size.width + clipRect.size.height + length;
    int steps = std::max(1, static_cast<int>(std::ceil(length)));
    g.save();
    g.beginPath();
    g.addRect(clipRect);
    g.clip();
    // One band per point of length, each a quadrilateral across the clip rectangle.
    for (int i = 0; i < steps; ++i) {
        float t0 = static_cast<float>(i) / steps, t1 = static_cast<float>(i + 1) / steps;
        float t = (t0 + t1) / 2;
        g.setFillColor(a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
                       a.blue + (b.blue - a.blue) * t, a.alpha + (b.alpha - a.alpha) * t);
        float sx0 = start.x + vx * t0, sy0 = start.y + vy * t0;
        // A hair of overlap keeps seams from showing between bands.
        float sx1 = start.x + vx * t1 + ux * 0.5f, sy1 = start.y + vy * t1 + uy * 0.5f;
        g.beginPath();
        g.moveTo(sx0 - px * reach, sy0 - py * reach);
        g.lineTo(sx0 + px * reach, sy0 + py * reach);
        g.lineTo(sx1 + px * reach, sy1 + py * reach);
        g.lineTo(sx1 - px * reach, sy1 - py * reach);
        g.closePath();
        g.fillPath();
    }
    g.restore();
}

} // namespace quorvel::QVKitDrawing

namespace quorvel::QVKitDrawing {

void drawImageWithAlpha(GraphicsContext& g, const platform::Image& image, const Rect& rect, float alpha)
{
    if (alpha <= 0)
        return;
    if (alpha >= 1) {
        g.drawImage(image, rect);
        return;
    }
    platform::Bytes rgba = image.rgba();
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = static_cast<uint8_t>(std::lround(rgba[i] * alpha));
    auto faded = platform::Image::imageWithRGBA(image.width(), image.height(), std::move(rgba));
    if (faded)
        g.drawImage(*faded, rect);
}

} // namespace quorvel::QVKitDrawing
