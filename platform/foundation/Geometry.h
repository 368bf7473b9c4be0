// Geometry records of the platform: points, sizes, rectangles (origin + size) and
// affine transforms, all in 32-bit floats, with the usual helpers.
//
// The y axis direction is the caller's convention: the engine works bottom-up,
// the UI layer top-down. Rectangle helpers treat negative sizes as the
// platform does: standardised (min/max) before testing.
#pragma once

#include <cmath>

namespace platform {

struct Point {
    float x { 0 };
    float y { 0 };
    constexpr Point() = default;
    constexpr Point(float x_, float y_) : x(x_), y(y_) { }
    friend constexpr bool operator==(Point a, Point b) { return a.x == b.x && a.y == b.y; }
    friend constexpr Point operator+(Point a, Point b) { return { a.x + b.x, a.y + b.y }; }
    friend constexpr Point operator-(Point a, Point b) { return { a.x - b.x, a.y - b.y }; }
    friend constexpr Point operator-(Point a) { return { -a.x, -a.y }; }
    friend constexpr Point operator*(Point a, float s) { return { a.x * s, a.y * s }; }
};

struct Size {
    float width { 0 };
    float height { 0 };
    constexpr Size() = default;
    constexpr Size(float w, float h) : width(w), height(h) { }
    friend constexpr bool operator==(Size a, Size b) { return a.width == b.width && a.height == b.height; }
};

struct Rect {
    Point origin;
    Size size;
    constexpr Rect() = default;
    constexpr Rect(Point o, Size s) : origin(o), size(s) { }
    constexpr Rect(float x, float y, float w, float h) : origin(x, y), size(w, h) { }
    friend constexpr bool operator==(const Rect& a, const Rect& b) { return a.origin == b.origin && a.size == b.size; }

    float minX() const { return std::fmin(origin.x, origin.x + size.width); }
    float maxX() const { return std::fmax(origin.x, origin.x + size.width); }
    float minY() const { return std::fmin(origin.y, origin.y + size.height); }
    float maxY() const { return std::fmax(origin.y, origin.y + size.height); }
    float midX() const { return origin.x + size.width / 2; }
    float midY() const { return origin.y + size.height / 2; }
    float width() const { return std::fabs(size.width); }
    float height() const { return std::fabs(size.height); }
    bool isEmpty() const { return size.width == 0 || size.height == 0; }

    // Half-open: the max edges are outside.
    bool containsPoint(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    bool intersects(const Rect& r) const;
    Rect intersection(const Rect& r) const; // the zero rect when they do not meet
    Rect unionWith(const Rect& r) const;
    Rect insetBy(float dx, float dy) const { return { minX() + dx, minY() + dy, width() - 2 * dx, height() - 2 * dy }; }
    Rect offsetBy(float dx, float dy) const { return { origin.x + dx, origin.y + dy, size.width, size.height }; }
    Rect standardized() const { return { minX(), minY(), width(), height() }; }
    Rect integral() const;
};

inline constexpr Point kPointZero {};
inline constexpr Size kSizeZero {};
inline constexpr Rect kRectZero {};

// [a b 0; c d 0; tx ty 1], applied to row vectors: x' = a x + c y + tx, y' = b x + d y + ty.
struct AffineTransform {
    float a { 1 }, b { 0 }, c { 0 }, d { 1 }, tx { 0 }, ty { 0 };
    constexpr AffineTransform() = default;
    constexpr AffineTransform(float a_, float b_, float c_, float d_, float tx_, float ty_)
        : a(a_), b(b_), c(c_), d(d_), tx(tx_), ty(ty_) { }
    friend constexpr bool operator==(const AffineTransform& l, const AffineTransform& r)
    {
        return l.a == r.a && l.b == r.b && l.c == r.c && l.d == r.d && l.tx == r.tx && l.ty == r.ty;
    }

    static constexpr AffineTransform identity() { return {}; }
    static AffineTransform makeTranslation(float tx, float ty) { return { 1, 0, 0, 1, tx, ty }; }
    static AffineTransform makeScale(float sx, float sy) { return { sx, 0, 0, sy, 0, 0 }; }
    static AffineTransform makeRotation(float radians);

    bool isIdentity() const { return *this == AffineTransform {}; }
    AffineTransform translate(float x, float y) const; // translation applied first
    AffineTransform scale(float sx, float sy) const;
    AffineTransform rotate(float radians) const;
    AffineTransform concat(const AffineTransform& t2) const; // this, then t2
    AffineTransform inverted() const; // unchanged when not invertible

    Point apply(Point p) const { return { a * p.x + c * p.y + tx, b * p.x + d * p.y + ty }; }
    Size apply(Size s) const { return { a * s.width + c * s.height, b * s.width + d * s.height }; }
    Rect apply(const Rect& r) const; // bounding box of the transformed corners
};

} // namespace platform
