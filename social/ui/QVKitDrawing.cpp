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
    if (rect.size.width <= 0 || rect.size.height <= 0)
        return;
    g.save();
    g.beginPath();
    g.addRect(rect);
    g.clip();
    g.drawTiledImage(image, rect);
    g.restore();
}

void drawLinearGradient(GraphicsContext& g, const Rect& clipRect, platform::Point start, platform::Point end,
                        const platform::ui::Color& a, const platform::ui::Color& b)
{
    g.save();
    g.beginPath();
    g.addRect(clipRect);
    g.clip();
    g.drawLinearGradient(start, end, { { 0, a.red, a.green, a.blue, a.alpha }, { 1, b.red, b.green, b.blue, b.alpha } });
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
    g.beginTransparencyLayer();
    g.drawImage(image, rect);
    g.endTransparencyLayer(alpha);
}

} // namespace quorvel::QVKitDrawing
