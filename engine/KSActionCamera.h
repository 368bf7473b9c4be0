// Interval actions that move the target node's camera. KSActionCamera reads
// the camera's centre, eye and up when it starts; KSOrbitCamera moves the eye
// on a sphere around that centre (radius in units of the camera's rest
// distance, angles in degrees). Only the eye changes.
#pragma once

#include "engine/KSActionInterval.h"

namespace kestrel {

class KSActionCamera : public KSActionInterval {
public:
    void startWithTarget(platform::Object* target) override;
    // Plays this action backwards in time.
    platform::Ref<KSFiniteTimeAction> reverse() const override;

protected:
    KSActionCamera() = default;
    float centerXOrig_ { 0 }, centerYOrig_ { 0 }, centerZOrig_ { 0 };
    float eyeXOrig_ { 0 }, eyeYOrig_ { 0 }, eyeZOrig_ { 0 };
    float upXOrig_ { 0 }, upYOrig_ { 0 }, upZOrig_ { 0 };
};

class KSOrbitCamera : public KSActionCamera {
public:
    [[nodiscard]] static platform::Ref<KSOrbitCamera> actionWithDuration(ksTime t, float radius, float deltaRadius, float angleZ,
                                                           float deltaAngleZ, float angleX, float deltaAngleX);
    [[nodiscard]] bool initWithDuration(ksTime t, float radius, float deltaRadius, float angleZ, float deltaAngleZ, float angleX,
                          float deltaAngleX);
    platform::Ref<KSAction> copy() const override;
    void startWithTarget(platform::Object* target) override;
    void update(float t) override;
    // The target camera's eye relative to its centre, in spherical coordinates.
    void sphericalRadius(float* radius, float* zenith, float* azimuth) const;

    std::string className() const override { return "KSOrbitCamera"; }

protected:
    KSOrbitCamera() = default;

private:
    float radius_ { 0 }, deltaRadius_ { 0 }, angleZ_ { 0 }, deltaAngleZ_ { 0 }, angleX_ { 0 }, deltaAngleX_ { 0 };
    float radZ_ { 0 }, radDeltaZ_ { 0 }, radX_ { 0 }, radDeltaX_ { 0 };
};

} // namespace kestrel
