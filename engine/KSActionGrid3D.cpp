// The mesh effects on KSGrid3D: waves, flips, lens, ripple, shake, liquid,
// sideways waves, twirl and page turn.
#include "engine/KSActionGrid3D.h"

#include "engine/Support/PointMath.h"
#include "platform/foundation/Exception.h"

#include <cmath>
#include <cstdlib>

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {

constexpr float kPi = 3.1415927f;

Point toPixels(Point p) { return { p.x * ksContentScaleFactor(), p.y * ksContentScaleFactor() }; }

// Visits every vertex (i outer, j inner) of the target's mesh with `change`
// applied to a copy of the original vertex, then stores it.
template <typename Change>
void eachVertex(KSGrid3D* grid, int fromI, int toI, int fromJ, int toJ, Change change)
{
    for (int i = fromI; i <= toI; ++i) {
        for (int j = fromJ; j <= toJ; ++j) {
            ksVertex3F v = grid->originalVertex({ i, j });
            change(i, j, v);
            grid->setVertex({ i, j }, v);
        }
    }
}

} // namespace

int ksRandomOffset(int range)
{
    if (range == 0)
        return 0;
    const long long span = 2LL * range;
    return static_cast<int>(static_cast<long long>(std::rand()) % span - range);
}

// Waves3D ---------------------------------------------------------------------------------

Ref<KSWaves3D> KSWaves3D::actionWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSWaves3D);
    return a->initWithWaves(waves, amplitude, gridSize, d) ? a : nullptr;
}

bool KSWaves3D::initWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    waves_ = waves;
    amplitude_ = amplitude;
    amplitudeRate_ = 1.0f;
    return true;
}

Ref<KSAction> KSWaves3D::copy() const { return actionWithWaves(waves_, amplitude_, gridSize_, duration_); }

void KSWaves3D::update(float t)
{
    KSGrid3D* grid = grid3D();
    if (!grid)
        return;
    const float phase = t * kPi * waves_ * 2;
    const float a = amplitude_ * amplitudeRate_;
    eachVertex(grid, 0, gridSize_.x, 0, gridSize_.y,
               [&](int, int, ksVertex3F& v) { v.z += std::sin(phase + (v.y + v.x) * 0.01f) * a; });
}

// FlipX3D / FlipY3D -----------------------------------------------------------------------

Ref<KSFlipX3D> KSFlipX3D::actionWithDuration(ksTime d)
{
    auto a = adoptRef(new KSFlipX3D);
    return a->initWithDuration(d) ? a : nullptr;
}

bool KSFlipX3D::initWithDuration(ksTime d) { return KSGridAction::initWithSize({ 1, 1 }, d); }

bool KSFlipX3D::initWithSize(ksGridSize gridSize, ksTime d)
{
    if (gridSize.x != 1 || gridSize.y != 1)
        throw platform::Exception("FlipX3D", "Grid size must be (1,1)");
    return KSGridAction::initWithSize(gridSize, d);
}

void KSFlipX3D::update(float t)
{
    KSGrid3D* grid = grid3D();
    if (!grid)
        return;
    const float angle = kPi * t;
    const float mz = std::sin(angle);
    const float my = std::cos(angle / 2);
    const ksVertex3F p = grid->originalVertex({ 1, 1 });
    const ksVertex3F q = grid->originalVertex({ 0, 0 });
    ksGridSize a, b, c, d;
    float x;
    if (p.x > q.x) {
        a = { 0, 0 }, b = { 0, 1 }, c = { 1, 0 }, d = { 1, 1 };
        x = p.x;
    } else {
        c = { 0, 0 }, d = { 0, 1 }, a = { 1, 0 }, b = { 1, 1 };
        x = q.x;
    }
    const float dx = x - x * my;
    const float dz = std::fabs(std::floor(x * mz / 4));
    for (ksGridSize at : { a, b }) {
        ksVertex3F v = grid->originalVertex(at);
        v.x = dx;
        v.z += dz;
        grid->setVertex(at, v);
    }
    for (ksGridSize at : { c, d }) {
        ksVertex3F v = grid->originalVertex(at);
        v.x -= dx;
        v.z -= dz;
        grid->setVertex(at, v);
    }
}

Ref<KSFlipY3D> KSFlipY3D::actionWithDuration(ksTime d)
{
    auto a = adoptRef(new KSFlipY3D);
    return a->initWithDuration(d) ? a : nullptr;
}

void KSFlipY3D::update(float t)
{
    KSGrid3D* grid = grid3D();
    if (!grid)
        return;
    const float angle = kPi * t;
    const float mz = std::sin(angle);
    const float my = std::cos(angle / 2);
    const ksVertex3F p = grid->originalVertex({ 1, 1 });
    const ksVertex3F q = grid->originalVertex({ 0, 0 });
    ksGridSize a, b, c, d;
    float y;
    if (p.y > q.y) {
        a = { 0, 0 }, b = { 0, 1 }, c = { 1, 0 }, d = { 1, 1 };
        y = p.y;
    } else {
        b = { 0, 0 }, a = { 0, 1 }, d = { 1, 0 }, c = { 1, 1 };
        y = q.y;
    }
    const float dy = y - y * my;
    const float dz = std::fabs(std::floor(y * mz / 4));
    for (ksGridSize at : { a, c }) {
        ksVertex3F v = grid->originalVertex(at);
        v.y = dy;
        v.z += dz;
        grid->setVertex(at, v);
    }
    for (ksGridSize at : { b, d }) {
        ksVertex3F v = grid->originalVertex(at);
        v.y -= dy;
        v.z -= dz;
        grid->setVertex(at, v);
    }
}

// Lens3D -----------------------------------------------------------------------------------

Ref<KSLens3D> KSLens3D::actionWithPosition(Point position, float radius, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSLens3D);
    return a->initWithPosition(position, radius, gridSize, d) ? a : nullptr;
}

bool KSLens3D::initWithPosition(Point position, float radius, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    position_ = { -1, -1 };
    setPosition(position);
    radius_ = radius;
    lensEffect_ = 0.7f;
    dirty_ = true;
    return true;
}

Ref<KSAction> KSLens3D::copy() const { return actionWithPosition(position_, radius_, gridSize_, duration_); }

void KSLens3D::setPosition(Point position)
{
    if (position == position_)
        return;
    position_ = position;
    positionInPixels_ = toPixels(position);
    dirty_ = true;
}

void KSLens3D::update(float)
{
    if (!dirty_)
        return;
    KSGrid3D* grid = grid3D();
    if (!grid)
        return;
    eachVertex(grid, 0, gridSize_.x, 0, gridSize_.y, [&](int, int, ksVertex3F& v) {
        Point vect = ksPointSub(positionInPixels_, { v.x, v.y });
        float r = ksPointLength(vect);
        if (r < radius_) {
            float pre = (radius_ - r) / radius_;
            if (pre == 0)
                pre = 0.001f;
            float newR = std::exp(std::log(pre) * lensEffect_) * radius_;
            if (r > 0)
                v.z += ksPointLength(ksPointMult(ksPointNormalize(vect), newR)) * lensEffect_;
        }
    });
    dirty_ = false;
}

// Ripple3D ---------------------------------------------------------------------------------

Ref<KSRipple3D> KSRipple3D::actionWithPosition(Point position, float radius, int waves, float amplitude,
                                               ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSRipple3D);
    return a->initWithPosition(position, radius, waves, amplitude, gridSize, d) ? a : nullptr;
}

bool KSRipple3D::initWithPosition(Point position, float radius, int waves, float amplitude, ksGridSize gridSize,
                                  ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    setPosition(position);
    radius_ = radius;
    waves_ = waves;
    amplitude_ = amplitude;
    amplitudeRate_ = 1.0f;
    return true;
}

Ref<KSAction> KSRipple3D::copy() const
{
    return actionWithPosition(position_, radius_, waves_, amplitude_, gridSize_, duration_);
}

void KSRipple3D::setPosition(Point position)
{
    position_ = position;
    positionInPixels_ = toPixels(position);
}

void KSRipple3D::update(float t)
{
    KSGrid3D* grid = grid3D();
    if (!grid)
        return;
    const float phase = t * kPi * waves_ * 2;
    const float a = amplitude_ * amplitudeRate_;
    eachVertex(grid, 0, gridSize_.x, 0, gridSize_.y, [&](int, int, ksVertex3F& v) {
        float r = ksPointLength(ksPointSub(positionInPixels_, { v.x, v.y }));
        if (r < radius_) {
            float d = radius_ - r;
            float k = (d / radius_) * (d / radius_);
            v.z += std::sin(phase + d * 0.1f) * a * k;
        }
    });
}

// Shaky3D ----------------------------------------------------------------------------------

Ref<KSShaky3D> KSShaky3D::actionWithRange(int range, bool shakeZ, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSShaky3D);
    return a->initWithRange(range, shakeZ, gridSize, d) ? a : nullptr;
}

bool KSShaky3D::initWithRange(int range, bool shakeZ, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    randrange_ = range;
    shakeZ_ = shakeZ;
    return true;
}

Ref<KSAction> KSShaky3D::copy() const { return actionWithRange(randrange_, shakeZ_, gridSize_, duration_); }

void KSShaky3D::update(float)
{
    KSGrid3D* grid = grid3D();
    if (!grid)
        return;
    eachVertex(grid, 0, gridSize_.x, 0, gridSize_.y, [&](int, int, ksVertex3F& v) {
        v.x += ksRandomOffset(randrange_);
        v.y += ksRandomOffset(randrange_);
        if (shakeZ_)
            v.z += ksRandomOffset(randrange_);
    });
}

// Liquid -----------------------------------------------------------------------------------

Ref<KSLiquid> KSLiquid::actionWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSLiquid);
    return a->initWithWaves(waves, amplitude, gridSize, d) ? a : nullptr;
}

bool KSLiquid::initWithWaves(int waves, float amplitude, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    waves_ = waves;
    amplitude_ = amplitude;
    amplitudeRate_ = 1.0f;
    return true;
}

Ref<KSAction> KSLiquid::copy() const { return actionWithWaves(waves_, amplitude_, gridSize_, duration_); }

void KSLiquid::update(float t)
{
    KSGrid3D* grid = grid3D();
    if (!grid)
        return;
    const float phase = t * kPi * waves_ * 2;
    const float a = amplitude_ * amplitudeRate_;
    eachVertex(grid, 1, gridSize_.x - 1, 1, gridSize_.y - 1, [&](int, int, ksVertex3F& v) {
        v.x += std::sin(phase + v.x * 0.01f) * a;
        v.y += std::sin(phase + v.y * 0.01f) * a;
    });
}

// Waves ------------------------------------------------------------------------------------

Ref<KSWaves> KSWaves::actionWithWaves(int waves, float amplitude, bool horizontal, bool vertical, ksGridSize gridSize,
                                      ksTime d)
{
    auto a = adoptRef(new KSWaves);
    return a->initWithWaves(waves, amplitude, horizontal, vertical, gridSize, d) ? a : nullptr;
}

bool KSWaves::initWithWaves(int waves, float amplitude, bool horizontal, bool vertical, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    waves_ = waves;
    amplitude_ = amplitude;
    amplitudeRate_ = 1.0f;
    horizontal_ = horizontal;
    vertical_ = vertical;
    return true;
}

Ref<KSAction> KSWaves::copy() const
{
    return actionWithWaves(waves_, amplitude_, horizontal_, vertical_, gridSize_, duration_);
}

void KSWaves::update(float t)
{
    KSGrid3D* grid = grid3D();
    if (!grid)
        return;
    const float phase = t * kPi * waves_ * 2;
    const float a = amplitude_ * amplitudeRate_;
    eachVertex(grid, 0, gridSize_.x, 0, gridSize_.y, [&](int, int, ksVertex3F& v) {
        if (vertical_)
            v.x += std::sin(phase + v.y * 0.01f) * a;
        if (horizontal_)
            v.y += std::sin(phase + v.x * 0.01f) * a;
    });
}

// Twirl ------------------------------------------------------------------------------------

Ref<KSTwirl> KSTwirl::actionWithPosition(Point position, int twirls, float amplitude, ksGridSize gridSize, ksTime d)
{
    auto a = adoptRef(new KSTwirl);
    return a->initWithPosition(position, twirls, amplitude, gridSize, d) ? a : nullptr;
}

bool KSTwirl::initWithPosition(Point position, int twirls, float amplitude, ksGridSize gridSize, ksTime d)
{
    if (!initWithSize(gridSize, d))
        return false;
    setPosition(position);
    twirls_ = twirls;
    amplitude_ = amplitude;
    amplitudeRate_ = 1.0f;
    return true;
}

Ref<KSAction> KSTwirl::copy() const { return actionWithPosition(position_, twirls_, amplitude_, gridSize_, duration_); }

void KSTwirl::setPosition(Point position)
{
    position_ = position;
    positionInPixels_ = toPixels(position);
}

void KSTwirl::update(float t)
{
    KSGrid3D* grid = grid3D();
    if (!grid)
        return;
    const Point c = positionInPixels_;
    const float amp = amplitude_ * amplitudeRate_;
    eachVertex(grid, 0, gridSize_.x, 0, gridSize_.y, [&](int i, int j, ksVertex3F& v) {
        Point avg { i - gridSize_.x / 2.0f, j - gridSize_.y / 2.0f };
        float r = ksPointLength(avg);
        float a = r * std::cos(kPi / 2 + t * kPi * twirls_ * 2) * 0.1f * amp;
        float dx = std::sin(a) * (v.y - c.y) + std::cos(a) * (v.x - c.x);
        float dy = std::cos(a) * (v.y - c.y) - std::sin(a) * (v.x - c.x);
        v.x = c.x + dx;
        v.y = c.y + dy;
    });
}

// PageTurn3D -------------------------------------------------------------------------------

void KSPageTurn3D::update(float t)
{
    KSGrid3D* grid = grid3D();
    if (!grid)
        return;
    const float tt = std::max(0.0f, t - 0.25f);
    const float deltaAy = tt * tt * 500;
    const float ay = -100 - deltaAy;
    const float theta = kPi / 2 - (kPi / 2) * std::sqrt(t);
    const float sinTheta = std::sin(theta);
    const float cosTheta = std::cos(theta);
    eachVertex(grid, 0, gridSize_.x, 0, gridSize_.y, [&](int, int, ksVertex3F& p) {
        float R = std::sqrt(p.x * p.x + (p.y - ay) * (p.y - ay));
        if (sinTheta == 0) {
            // The fully turned page (t = 1): the limit as the cone closes, where
            // the curl formulas would divide by zero. Every point lies on the
            // seam at its distance from the apex.
            p.x = 0;
            p.y = R + ay;
            p.z = 0.5f;
            return;
        }
        float r = R * sinTheta;
        float alpha = std::asin(p.x / R);
        float beta = alpha / sinTheta;
        float cosBeta = std::cos(beta);
        p.x = beta <= kPi ? r * std::sin(beta) : 0;
        p.y = R + ay - (r * (1 - cosBeta) * sinTheta);
        p.z = (r * (1 - cosBeta) * cosTheta) / 7;
        if (p.z < 0.5f)
            p.z = 0.5f;
    });
}

} // namespace kestrel
