// Point functions that are more than one expression.
#include "engine/Support/PointMath.h"

#include <algorithm>
#include <cfloat>

namespace kestrel {

Point ksPointClamp(Point p, Point minInclusive, Point maxInclusive)
{
    return Point(std::clamp(p.x, minInclusive.x, maxInclusive.x), std::clamp(p.y, minInclusive.y, maxInclusive.y));
}

Point ksPointLerp(Point a, Point b, float alpha)
{
    return ksPointAdd(ksPointMult(a, 1.0f - alpha), ksPointMult(b, alpha));
}

bool ksPointFuzzyEqual(Point a, Point b, float variance)
{
    return a.x - variance <= b.x && b.x <= a.x + variance && a.y - variance <= b.y && b.y <= a.y + variance;
}

Point ksPointCompMult(Point a, Point b)
{
    return Point(a.x * b.x, a.y * b.y);
}

Point ksPointRotateAround(Point v, Point pivot, float angle)
{
    Point r = ksPointSub(v, pivot);
    float c = cosf(angle), s = sinf(angle);
    return Point(r.x * c - r.y * s + pivot.x, r.x * s + r.y * c + pivot.y);
}

bool ksPointLineIntersect(Point A, Point B, Point C, Point D, float* S, float* T)
{
    const float epsilon = FLT_EPSILON;
    Point p13 = ksPointSub(A, C);
    Point p43 = ksPointSub(D, C);
    Point p21 = ksPointSub(B, A);
    if (ksPointFuzzyEqual(p43, Point(), epsilon) || ksPointFuzzyEqual(p21, Point(), epsilon))
        return false;

    float d1343 = ksPointDot(p13, p43);
    float d4321 = ksPointDot(p43, p21);
    float d1321 = ksPointDot(p13, p21);
    float d4343 = ksPointDot(p43, p43);
    float d2121 = ksPointDot(p21, p21);

    float denom = d2121 * d4343 - d4321 * d4321;
    if (fabsf(denom) < epsilon)
        return false;

    float s = (d1343 * d4321 - d1321 * d4343) / denom;
    float t = (d1343 + d4321 * s) / d4343;
    if (S)
        *S = s;
    if (T)
        *T = t;
    return true;
}

uint32_t ksNextPowerOfTwo(uint32_t x)
{
    uint32_t y = x - 1;
    y |= y >> 1;
    y |= y >> 2;
    y |= y >> 4;
    y |= y >> 8;
    y |= y >> 16;
    return y + 1;
}

} // namespace kestrel
