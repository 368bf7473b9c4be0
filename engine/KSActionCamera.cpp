// Camera actions: the start-state capture and the orbit.
#include "engine/KSActionCamera.h"

#include "engine/KSCamera.h"
#include "engine/KSNode.h"

#include <cfloat>
#include <cmath>

namespace kestrel {

using platform::adoptRef;
using platform::Ref;

namespace {
constexpr float kDegreesToRadians = 0.017453292f;
}

void KSActionCamera::startWithTarget(platform::Object* target)
{
    KSActionInterval::startWithTarget(target);
    KSCamera* camera = node()->camera();
    camera->centerX(&centerXOrig_, &centerYOrig_, &centerZOrig_);
    camera->eyeX(&eyeXOrig_, &eyeYOrig_, &eyeZOrig_);
    camera->upX(&upXOrig_, &upYOrig_, &upZOrig_);
}

Ref<KSFiniteTimeAction> KSActionCamera::reverse() const
{
    Ref<KSAction> again = copy();
    return KSReverseTime::actionWithAction(static_cast<KSFiniteTimeAction*>(again.get()));
}

Ref<KSOrbitCamera> KSOrbitCamera::actionWithDuration(ksTime t, float radius, float deltaRadius, float angleZ,
                                                     float deltaAngleZ, float angleX, float deltaAngleX)
{
    auto a = adoptRef(new KSOrbitCamera);
    return a->initWithDuration(t, radius, deltaRadius, angleZ, deltaAngleZ, angleX, deltaAngleX) ? a : nullptr;
}

bool KSOrbitCamera::initWithDuration(ksTime t, float radius, float deltaRadius, float angleZ, float deltaAngleZ,
                                     float angleX, float deltaAngleX)
{
    if (!KSActionInterval::initWithDuration(t))
        return false;
    radius_ = radius;
    deltaRadius_ = deltaRadius;
    angleZ_ = angleZ;
    deltaAngleZ_ = deltaAngleZ;
    angleX_ = angleX;
    deltaAngleX_ = deltaAngleX;
    radDeltaZ_ = deltaAngleZ * kDegreesToRadians;
    radDeltaX_ = deltaAngleX * kDegreesToRadians;
    return true;
}

Ref<KSAction> KSOrbitCamera::copy() const
{
    return actionWithDuration(duration_, radius_, deltaRadius_, angleZ_, deltaAngleZ_, angleX_, deltaAngleX_);
}

void KSOrbitCamera::startWithTarget(platform::Object* target)
{
    KSActionCamera::startWithTarget(target);
    radZ_ = angleZ_ * kDegreesToRadians;
    radX_ = angleX_ * kDegreesToRadians;
}

void KSOrbitCamera::update(float t)
{
    float r = (radius_ + deltaRadius_ * t) * KSCamera::getZEye();
    float za = radZ_ + radDeltaZ_ * t;
    float xa = radX_ + radDeltaX_ * t;
    float i = std::sin(za) * std::cos(xa) * r + centerXOrig_;
    float j = std::sin(za) * std::sin(xa) * r + centerYOrig_;
    float k = std::cos(za) * r + centerZOrig_;
    node()->camera()->setEyeX(i, j, k);
}

void KSOrbitCamera::sphericalRadius(float* newRadius, float* zenith, float* azimuth) const
{
    float ex, ey, ez, cx, cy, cz;
    KSCamera* camera = node()->camera();
    camera->eyeX(&ex, &ey, &ez);
    camera->centerX(&cx, &cy, &cz);
    float x = ex - cx, y = ey - cy, z = ez - cz;
    float r = std::sqrt(x * x + y * y + z * z);
    float s = std::sqrt(x * x + y * y);
    if (s == 0)
        s = FLT_EPSILON;
    if (r == 0)
        r = FLT_EPSILON;
    *zenith = std::acos(z / r);
    *azimuth = x < 0 ? 3.1415927f - std::asin(y / s) : std::asin(y / s);
    *newRadius = r / KSCamera::getZEye();
}

} // namespace kestrel
