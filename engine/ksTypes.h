// Shared records of the engine: colours, vertices, quads, blend functions and
// the time type. Geometry (points, sizes, rectangles) comes from the platform.
#pragma once

#include "platform/foundation/Geometry.h"

#include <GLES/gl.h>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>

namespace kestrel {

using platform::AffineTransform;
using platform::Point;
using platform::Rect;
using platform::Size;

// Seconds, as the scheduler hands them out.
using ksTime = float;

// The tag of every new node and action.
inline constexpr int kKSNodeTagInvalid = -1;
inline constexpr int kKSActionTagInvalid = -1;

struct ksColor3B {
    GLubyte r { 0 }, g { 0 }, b { 0 };
    friend constexpr bool operator==(ksColor3B x, ksColor3B y) { return x.r == y.r && x.g == y.g && x.b == y.b; }
};
struct ksColor4B {
    GLubyte r { 0 }, g { 0 }, b { 0 }, a { 0 };
    friend constexpr bool operator==(ksColor4B x, ksColor4B y) { return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a; }
};
struct ksColor4F {
    GLfloat r { 0 }, g { 0 }, b { 0 }, a { 0 };
    friend constexpr bool operator==(ksColor4F x, ksColor4F y) { return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a; }
};

inline constexpr ksColor3B ksWHITE { 255, 255, 255 };
inline constexpr ksColor3B ksYELLOW { 255, 255, 0 };
inline constexpr ksColor3B ksBLUE { 0, 0, 255 };
inline constexpr ksColor3B ksGREEN { 0, 255, 0 };
inline constexpr ksColor3B ksRED { 255, 0, 0 };
inline constexpr ksColor3B ksMAGENTA { 255, 0, 255 };
inline constexpr ksColor3B ksBLACK { 0, 0, 0 };
inline constexpr ksColor3B ksORANGE { 255, 127, 0 };
inline constexpr ksColor3B ksGRAY { 166, 166, 166 };

inline ksColor4F ksc4FFromccc3B(ksColor3B c) { return { c.r / 255.f, c.g / 255.f, c.b / 255.f, 1.f }; }
inline ksColor4F ksc4FFromccc4B(ksColor4B c) { return { c.r / 255.f, c.g / 255.f, c.b / 255.f, c.a / 255.f }; }

struct ksVertex2F { GLfloat x { 0 }, y { 0 }; };
struct ksVertex3F { GLfloat x { 0 }, y { 0 }, z { 0 }; };
struct ksTex2F { GLfloat u { 0 }, v { 0 }; };

// One vertex of a textured, coloured quad: position, colour, texture coordinates.
struct ksV3F_C4B_T2F {
    ksVertex3F vertices;
    ksColor4B colors;
    ksTex2F texCoords;
};
// Corners in the order top-left, bottom-left, top-right, bottom-right.
struct ksV3F_C4B_T2F_Quad {
    ksV3F_C4B_T2F tl, bl, tr, br;
};

struct ksV2F_C4F_T2F {
    ksVertex2F vertices;
    ksColor4F colors;
    ksTex2F texCoords;
};
struct ksV2F_C4F_T2F_Quad {
    ksV2F_C4F_T2F bl, br, tl, tr;
};

struct ksPointSprite {
    ksVertex2F pos;
    ksColor4F colors;
    GLfloat size { 0 };
};

struct ksQuad2 { ksVertex2F tl, tr, bl, br; };
struct ksQuad3 { ksVertex3F bl, br, tl, tr; };

struct ksGridSize {
    int32_t x { 0 }, y { 0 };
    friend constexpr bool operator==(ksGridSize a, ksGridSize b) { return a.x == b.x && a.y == b.y; }
};

struct ksBlendFunc {
    GLenum src { GL_ONE };
    GLenum dst { GL_ONE_MINUS_SRC_ALPHA };
    friend constexpr bool operator==(ksBlendFunc a, ksBlendFunc b) { return a.src == b.src && a.dst == b.dst; }
};
inline constexpr GLenum KS_BLEND_SRC = GL_ONE;
inline constexpr GLenum KS_BLEND_DST = GL_ONE_MINUS_SRC_ALPHA;

struct ksTexParams {
    GLuint minFilter { GL_LINEAR };
    GLuint magFilter { GL_LINEAR };
    GLuint wrapS { GL_CLAMP_TO_EDGE };
    GLuint wrapT { GL_CLAMP_TO_EDGE };
};

// The process-wide content scale factor: pixels = points x factor. Inline:
// every placement setter reads it. Atomic: the texture cache's loader threads
// read it (to pick a file's double-resolution variant) while the main thread
// may set it.
namespace detail {
inline std::atomic<float> contentScaleFactor { 1.0f };
}
inline float ksContentScaleFactor() { return detail::contentScaleFactor.load(std::memory_order_relaxed); }
inline void ksSetContentScaleFactor(float factor) { detail::contentScaleFactor.store(factor, std::memory_order_relaxed); }

inline Point ksPointPointsToPixels(Point p)
{
    float s = ksContentScaleFactor();
    return s == 1.0f ? p : Point { p.x * s, p.y * s };
}
inline Point ksPointPixelsToPoints(Point p)
{
    float s = ksContentScaleFactor();
    return s == 1.0f ? p : Point { p.x / s, p.y / s };
}
inline Size ksSizePointsToPixels(Size z)
{
    float s = ksContentScaleFactor();
    return s == 1.0f ? z : Size { z.width * s, z.height * s };
}
inline Size ksSizePixelsToPoints(Size z)
{
    float s = ksContentScaleFactor();
    return s == 1.0f ? z : Size { z.width / s, z.height / s };
}
inline Rect ksRectPointsToPixels(Rect r)
{
    float s = ksContentScaleFactor();
    return s == 1.0f ? r : Rect { r.origin.x * s, r.origin.y * s, r.size.width * s, r.size.height * s };
}
inline Rect ksRectPixelsToPoints(Rect r)
{
    float s = ksContentScaleFactor();
    return s == 1.0f ? r : Rect { r.origin.x / s, r.origin.y / s, r.size.width / s, r.size.height / s };
}

// Truncation toward zero that stays defined beyond int: saturates, NaN gives 0.
inline int ksTruncateToInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(v);
}

inline constexpr float ksDegreesToRadians(float d) { return d * 0.01745329252f; }
inline constexpr float ksRadiansToDegrees(float r) { return r * 57.29577951f; }

} // namespace kestrel
