// Point arithmetic for effects, actions and the progress timer: vector sums,
// products, rotation, interpolation and the line intersection test, plus
// ksNextPowerOfTwo for texture sizes. Points are the platform's 32-bit pairs.
#pragma once

#include "platform/foundation/Geometry.h"

#include <cmath>
#include <cstdint>

namespace kestrel {

using platform::Point;

inline constexpr Point ksp(float x, float y) { return Point(x, y); }
inline constexpr Point ksPointNeg(Point v) { return Point(-v.x, -v.y); }
inline constexpr Point ksPointAdd(Point a, Point b) { return Point(a.x + b.x, a.y + b.y); }
inline constexpr Point ksPointSub(Point a, Point b) { return Point(a.x - b.x, a.y - b.y); }
inline constexpr Point ksPointMult(Point v, float s) { return Point(v.x * s, v.y * s); }
inline constexpr Point ksPointMidpoint(Point a, Point b) { return ksPointMult(ksPointAdd(a, b), 0.5f); }
inline constexpr float ksPointDot(Point a, Point b) { return a.x * b.x + a.y * b.y; }
inline constexpr float ksPointCross(Point a, Point b) { return a.x * b.y - a.y * b.x; }
// Rotated by +90 and -90 degrees.
inline constexpr Point ksPointPerp(Point v) { return Point(-v.y, v.x); }
inline constexpr Point ksPointRPerp(Point v) { return Point(v.y, -v.x); }
// a projected onto b.
inline constexpr Point ksPointProject(Point a, Point b) { return ksPointMult(b, ksPointDot(a, b) / ksPointDot(b, b)); }
// Complex multiplication: a rotated by the angle of b (and scaled by its length); Unrotate undoes it.
inline constexpr Point ksPointRotate(Point a, Point b) { return Point(a.x * b.x - a.y * b.y, a.x * b.y + a.y * b.x); }
inline constexpr Point ksPointUnrotate(Point a, Point b) { return Point(a.x * b.x + a.y * b.y, a.y * b.x - a.x * b.y); }
inline constexpr float ksPointLengthSQ(Point v) { return ksPointDot(v, v); }
inline float ksPointLength(Point v) { return sqrtf(v.x * v.x + v.y * v.y); }
inline float ksPointDistance(Point a, Point b) { return ksPointLength(ksPointSub(a, b)); }
inline Point ksPointNormalize(Point v) { return ksPointMult(v, 1.0f / ksPointLength(v)); }
inline Point ksPointForAngle(float radians) { return Point(cosf(radians), sinf(radians)); }
inline float ksPointToAngle(Point v) { return atan2f(v.y, v.x); }

Point ksPointClamp(Point p, Point minInclusive, Point maxInclusive);
Point ksPointLerp(Point a, Point b, float alpha);
bool ksPointFuzzyEqual(Point a, Point b, float variance);
Point ksPointCompMult(Point a, Point b);
// v rotated about pivot by angle radians (counter-clockwise).
Point ksPointRotateAround(Point v, Point pivot, float angle);
// Intersection of the lines A-B and C-D: S is the parameter along A-B, T along
// C-D. False (S and T untouched) when a line is degenerate or they are parallel.
bool ksPointLineIntersect(Point A, Point B, Point C, Point D, float* S, float* T);

// The smallest power of two >= x (0 and values above 2^31 give 0).
uint32_t ksNextPowerOfTwo(uint32_t x);

} // namespace kestrel
