// Rectangle and affine-transform arithmetic.
#include "platform/foundation/Geometry.h"

#include <algorithm>

namespace platform {

bool Rect::intersects(const Rect& r) const
{
    return !intersection(r).isEmpty();
}

Rect Rect::intersection(const Rect& r) const
{
    float x0 = std::max(minX(), r.minX());
    float y0 = std::max(minY(), r.minY());
    float x1 = std::min(maxX(), r.maxX());
    float y1 = std::min(maxY(), r.maxY());
    if (x1 <= x0 || y1 <= y0)
        return kRectZero;
    return { x0, y0, x1 - x0, y1 - y0 };
}

Rect Rect::unionWith(const Rect& r) const
{
    if (isEmpty())
        return r.standardized();
    if (r.isEmpty())
        return standardized();
    float x0 = std::min(minX(), r.minX());
    float y0 = std::min(minY(), r.minY());
    float x1 = std::max(maxX(), r.maxX());
    float y1 = std::max(maxY(), r.maxY());
    return { x0, y0, x1 - x0, y1 - y0 };
}

Rect Rect::integral() const
{
    float x0 = std::floor(minX()), y0 = std::floor(minY());
    float x1 = std::ceil(maxX()), y1 = std::ceil(maxY());
    return { x0, y0, x1 - x0, y1 - y0 };
}

AffineTransform AffineTransform::makeRotation(float radians)
{
    float s = std::sin(radians), co = std::cos(radians);
    return { co, s, -s, co, 0, 0 };
}

AffineTransform AffineTransform::concat(const AffineTransform& t) const
{
    return { a * t.a + b * t.c, a * t.b + b * t.d,
             c * t.a + d * t.c, c * t.b + d * t.d,
             tx * t.a + ty * t.c + t.tx, tx * t.b + ty * t.d + t.ty };
}

AffineTransform AffineTransform::translate(float x, float y) const
{
    return makeTranslation(x, y).concat(*this);
}

AffineTransform AffineTransform::scale(float sx, float sy) const
{
    return makeScale(sx, sy).concat(*this);
}

AffineTransform AffineTransform::rotate(float radians) const
{
    return makeRotation(radians).concat(*this);
}

AffineTransform AffineTransform::inverted() const
{
    float det = a * d - b * c;
    if (det == 0)
        return *this;
    float ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    return { ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id) };
}

Rect AffineTransform::apply(const Rect& r) const
{
    Point p[4] = { apply(Point { r.minX(), r.minY() }), apply(Point { r.maxX(), r.minY() }),
                   apply(Point { r.minX(), r.maxY() }), apply(Point { r.maxX(), r.maxY() }) };
    float x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (auto& q : p) {
        x0 = std::min(x0, q.x); x1 = std::max(x1, q.x);
        y0 = std::min(y0, q.y); y1 = std::max(y1, q.y);
    }
    return { x0, y0, x1 - x0, y1 - y0 };
}

} // namespace platform
